#include "exchange/day_fetch.h"

#include "platform/text_file.h"
#include "platform/zip_reader.h"

namespace quillon {

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

// Reads the answer stored at `temp` into `body`; false, with the day's
// outcome made a failure, when it cannot be read.
bool read_answer(Disk& disk, const std::string& temp, std::string& body, DayFetchOutcome& outcome) {
  try {
    disk.read(temp, body);
    return true;
  } catch (const std::exception& e) {
    outcome = {DayFetchState::failed, e.what(), outcome.path};
    return false;
  }
}

DayFetchOutcome write_day_file(Disk& disk, const std::string& local, std::string_view data) {
  try {
    disk.write(local, data, false);
  } catch (const std::exception& e) {
    return {DayFetchState::failed, e.what(), local};
  }
  return {DayFetchState::stored, {}, local};
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
  if (!read_answer(*disk_, temp->path, body, outcome_)) return;
  try {
    csv = read_single_csv_from_zip_data(body);
  } catch (const Error& e) {  // the old site's damaged archives count as missing
    outcome_ = {step == Step::legacy_zip ? DayFetchState::not_found : DayFetchState::rejected,
                e.what(), local};
    return;
  }
  outcome_ = write_day_file(*disk_, local, csv);
}

ZippedDayFetch::ZippedDayFetch(const std::string& address, const std::string& local, Disk& disk)
    : disk_(&disk) {
  outcome_ = {DayFetchState::already_there, {}, local};
  if (!disk.is_file(local)) request_ = FetchRequest{address, temp_name_for(local) + ".zip"};
}

void SteppedDayFetch::take_answer(Disk& disk, const FetchResult& got,
                                  const std::function<DayFetchOutcome(std::string_view body)>& keep) {
  const Temporary temp{disk, request_->local_path};
  request_.reset();
  if (!got.stored) {
    outcome_ = not_stored(got, outcome_.path);
    return;
  }
  std::string body;
  if (read_answer(disk, temp.path, body, outcome_)) outcome_ = keep(body);
}

void ZippedDayFetch::take(const FetchResult& got) {
  take_answer(*disk_, got, [this](std::string_view body) -> DayFetchOutcome {
    std::string csv;
    try {
      csv = read_single_csv_from_zip_data(body);
    } catch (const Error& e) {
      return {DayFetchState::rejected, e.what(), outcome_.path};
    }
    return write_day_file(*disk_, outcome_.path, csv);
  });
}

FollowedDayFetch::FollowedDayFetch(std::unique_ptr<SteppedDayFetch> first, FollowUp then)
    : first_(std::move(first)), then_(std::move(then)) {
  settle();
}

void FollowedDayFetch::take(const FetchResult& got) {
  (second_ ? second_ : first_)->take(got);
  settle();
}

// The request of the step under way; the further fetch made once the first
// one is over.
void FollowedDayFetch::settle() {
  if (!followed_ && !first_->request()) {
    followed_ = true;
    outcome_ = first_->outcome();
    second_ = then_(outcome_);
  }
  request_ = (second_ ? second_ : first_)->request();
}

bool run_day_fetches(const std::vector<std::unique_ptr<SteppedDayFetch>>& fetches,
                     const ParallelOptions& options, const DownloadTools& tools,
                     const std::function<void(std::size_t)>& finished,
                     const std::function<bool()>& stop) {
  std::vector<FetchRequest> requests;  // an empty address: nothing to ask
  for (const auto& f : fetches) requests.push_back(f->request().value_or(FetchRequest{}));
  auto deliver = [&](std::size_t i, const FetchResult& got) -> std::optional<FetchRequest> {
    SteppedDayFetch& day = *fetches[i];
    if (day.request()) {
      day.take(got);
      if (day.request()) return day.request();
    }
    finished(i);
    return std::nullopt;
  };
  SerialBatchFetcher one_at_a_time(tools.fetcher);
  if (!tools.batch)
    return fetch_in_order(requests, {.jobs = 1, .rate = 0, .retries = 0}, one_at_a_time, deliver, stop);
  return fetch_in_order(requests, options, *tools.batch, deliver, stop);
}

}  // namespace quillon
