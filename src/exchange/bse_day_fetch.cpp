#include "exchange/bse_day_fetch.h"

#include "exchange/bse_files.h"
#include "platform/text_file.h"

namespace quillon {

BseDayFetch::BseDayFetch(const DayFetchJob& job, const Date& day, Disk& disk) : disk_(&disk), day_(day) {
  const std::string local = folder_with_separator(job.folder) + bse_day_file_name(day);
  outcome_ = {DayFetchState::already_there, {}, local};
  if (disk.is_file(local)) return;
  request_ = FetchRequest{bse_day_address(job.exchange_url, day), temp_name_for(local), bse_request_headers()};
}

void BseDayFetch::take(const FetchResult& got) {
  const std::string local = outcome_.path;
  const Temporary temp{*disk_, request_->local_path};
  request_.reset();
  if (!got.stored) {
    outcome_ = not_stored(got, local);
    return;
  }
  std::string body;
  if (!read_answer(*disk_, temp.path, body, outcome_)) return;
  const std::optional<std::string> fault = bse_day_file_fault(body, day_);
  outcome_ = fault ? DayFetchOutcome{DayFetchState::rejected, *fault, local} : write_day_file(*disk_, local, body);
}

}  // namespace quillon
