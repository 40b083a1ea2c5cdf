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
  take_answer(*disk_, got, [this](std::string_view body) {
    const std::optional<std::string> fault = bse_day_file_fault(body, day_);
    return fault ? DayFetchOutcome{DayFetchState::rejected, *fault, outcome_.path}
                 : write_day_file(*disk_, outcome_.path, body);
  });
}

}  // namespace quillon
