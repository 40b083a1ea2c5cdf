#include "bhavcopy/day_fetch.h"

#include "bhavcopy/bhavcopy_download.h"
#include "platform/text_file.h"
#include "platform/zip_reader.h"

namespace quillon {

namespace {

// A temporary beside a day's file, removed when the fetch is over.
struct Temporary {
  Temporary(Disk& d, std::string p) : disk(d), path(std::move(p)) {}
  Temporary(const Temporary&) = delete;
  Temporary& operator=(const Temporary&) = delete;
  ~Temporary() { disk.remove(path); }
  Disk& disk;
  std::string path;
};

// The transfer's failure as an outcome: a 404 is not_found, anything else
// failed, with the fetcher's words.
DayFetchOutcome not_stored(const FetchResult& got, std::string path) {
  DayFetchOutcome out{got.http_status == 404 ? DayFetchState::not_found : DayFetchState::failed,
                      got.error, std::move(path)};
  if (out.reason.empty())
    out.reason = got.http_status ? "The server answered with HTTP status " +
                                       std::to_string(got.http_status) + "."
                                 : "The transfer failed.";
  return out;
}

// Fetches `address` into a temporary beside `local` and hands its body to
// `store`, which returns the outcome.
template <typename Store>
DayFetchOutcome fetch_through_temporary(Fetcher& fetcher, Disk& disk, const std::string& address,
                                        const std::string& local, const char* suffix,
                                        Store store) {
  Temporary temp{disk, temp_name_for(local) + suffix};
  const FetchResult got = fetcher.fetch(address, temp.path);
  if (!got.stored) return not_stored(got, local);
  std::string body;
  try {
    disk.read(temp.path, body);
  } catch (const std::exception& e) {
    return {DayFetchState::failed, e.what(), local};
  }
  return store(body);
}

DayFetchOutcome write_day_file(Disk& disk, const std::string& local, std::string_view data) {
  try {
    disk.write(local, data, false);
  } catch (const std::exception& e) {
    return {DayFetchState::failed, e.what(), local};
  }
  return {DayFetchState::stored, {}, local};
}

}  // namespace

std::string index_day_folder(const std::string& folder) {
  return folder_with_separator(folder) + "indices";
}

BhavcopyDayFetch::BhavcopyDayFetch(const DayFetchJob& job, const Date& day, Disk& disk,
                                   bool even_when_there)
    : disk_(&disk) {
  const std::string local = folder_with_separator(job.folder) + bhavcopy_file_name(day);
  outcome_ = {DayFetchState::already_there, {}, local};
  if (!even_when_there && disk.is_file(local)) return;
  if (job.layout == ExchangeLayout::legacy) {  // the plain CSV stored as it comes
    step_ = Step::plain;
    address_ = bhavcopy_address(job.exchange_url, day);
    request_ = FetchRequest{address_, local};
  } else {
    request_ = FetchRequest{daily_bhavcopy_address(job.exchange_url, day), temp_name_for(local) + ".zip"};
  }
}

void BhavcopyDayFetch::take(const FetchResult& got) {
  const std::string local = outcome_.path;
  const Step step = step_;
  std::optional<Temporary> temp;  // the zipped answer, removed afterwards
  if (step != Step::plain) temp.emplace(*disk_, request_->local_path);
  request_.reset();
  if (got.stored && step == Step::plain) {
    outcome_ = {DayFetchState::stored, {}, local};
    return;
  }
  if (!got.stored) {
    outcome_ = not_stored(got, local);
    if (step == Step::plain && got.http_status == 404) {  // then the zipped one, unpacked
      step_ = Step::legacy_zip;
      request_ = FetchRequest{address_ + ".zip", temp_name_for(local) + ".zip"};
    }
    return;
  }
  std::string body, csv;
  try {
    disk_->read(temp->path, body);
  } catch (const std::exception& e) {
    outcome_ = {DayFetchState::failed, e.what(), local};
    return;
  }
  try {
    csv = read_single_csv_from_zip_data(body);
  } catch (const Error& e) {  // the old site's damaged archives count as missing
    outcome_ = {step == Step::legacy_zip ? DayFetchState::not_found : DayFetchState::rejected,
                e.what(), local};
    return;
  }
  outcome_ = write_day_file(*disk_, local, csv);
}

DayFetchOutcome fetch_bhavcopy_day(const DayFetchJob& job, const Date& day, Fetcher& fetcher,
                                   Disk& disk) {
  BhavcopyDayFetch day_fetch(job, day, disk);
  while (const std::optional<FetchRequest>& r = day_fetch.request())
    day_fetch.take(fetcher.fetch(r->address, r->local_path));
  return day_fetch.outcome();
}

DayFetchOutcome fetch_index_day(const DayFetchJob& job, const Date& day, Fetcher& fetcher,
                                Disk& disk) {
  const std::string folder = index_day_folder(job.folder);
  const std::string local = folder_with_separator(folder) + index_day_file_name(day);
  if (disk.is_file(local)) return {DayFetchState::already_there, {}, local};
  try {
    disk.make_folders(folder);
  } catch (const std::exception& e) {
    return {DayFetchState::failed, e.what(), local};
  }
  return fetch_through_temporary(
      fetcher, disk, index_day_address(job.exchange_url, day), local, "",
      [&](const std::string& body) -> DayFetchOutcome {
        if (!is_index_day_file(body))
          return {DayFetchState::rejected,
                  "The answer is not a daily index file: " + kind_of_body(body) + ".", local};
        return write_day_file(disk, local, body);
      });
}

}  // namespace quillon
