#include "bhavcopy/day_fetch.h"

#include "bhavcopy/bhavcopy_download.h"
#include "platform/text_file.h"
#include "platform/zip_reader.h"

namespace quillon {

namespace {

// A temporary beside a day's file, removed when the fetch is over.
struct Temporary {
  Disk& disk;
  std::string path;
  ~Temporary() { disk.remove(path); }
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

// The old site: the plain CSV at the address without ".zip" stored as it
// comes, else after a 404 the zipped one unpacked.
DayFetchOutcome fetch_legacy_day(const DayFetchJob& job, const Date& day, Fetcher& fetcher,
                                 Disk& disk, const std::string& local) {
  const std::string address = bhavcopy_address(job.exchange_url, day);
  const FetchResult plain = fetcher.fetch(address, local);
  if (plain.stored) return {DayFetchState::stored, {}, local};
  if (plain.http_status != 404) return not_stored(plain, local);
  return fetch_through_temporary(fetcher, disk, address + ".zip", local, ".zip",
                                 [&](const std::string& body) -> DayFetchOutcome {
                                   try {
                                     return write_day_file(disk, local,
                                                           read_single_csv_from_zip_data(body));
                                   } catch (const Error& e) {
                                     return {DayFetchState::not_found, e.what(), local};
                                   }
                                 });
}

}  // namespace

std::string index_day_folder(const std::string& folder) {
  return folder_with_separator(folder) + "indices";
}

DayFetchOutcome fetch_bhavcopy_day(const DayFetchJob& job, const Date& day, Fetcher& fetcher,
                                   Disk& disk) {
  const std::string local = folder_with_separator(job.folder) + bhavcopy_file_name(day);
  if (disk.is_file(local)) return {DayFetchState::already_there, {}, local};
  if (job.layout == ExchangeLayout::legacy) return fetch_legacy_day(job, day, fetcher, disk, local);
  return fetch_through_temporary(
      fetcher, disk, daily_bhavcopy_address(job.exchange_url, day), local, ".zip",
      [&](const std::string& body) -> DayFetchOutcome {
        std::string csv;
        try {
          csv = read_single_csv_from_zip_data(body);
        } catch (const Error& e) {
          return {DayFetchState::rejected, e.what(), local};
        }
        return write_day_file(disk, local, csv);
      });
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
