#include "derivatives/fo_download.h"

#include "derivatives/fo_convert.h"
#include "exchange/day_download.h"
#include "platform/text_file.h"

namespace quillon {

namespace {

// A day whose file cannot even be asked for.
class FailedDayFetch final : public SteppedDayFetch {
 public:
  FailedDayFetch(std::string path, std::string why) { outcome_ = {DayFetchState::failed, std::move(why), std::move(path)}; }
  void take(const FetchResult&) override {}
};

}  // namespace

std::unique_ptr<SteppedDayFetch> fo_day_fetch(const DayFetchJob& job, const Date& day, Disk& disk) {
  const std::string folder = fo_folder(job.folder), local = join_path(folder, bhavcopy_file_name(day));
  const std::optional<std::string> failed = failure_of([&] { disk.make_folders(folder); });
  if (failed) return std::make_unique<FailedDayFetch>(local, *failed);
  return std::make_unique<ZippedDayFetch>(
      daily_fo_address(job.exchange_url, day, job.layout == ExchangeLayout::legacy), local, disk);
}

DownloadResult download_fo_days(const FoDownloadJob& job, const DownloadTools& tools) {
  tools.disk.remove_stale_temporaries(fo_folder(job.folder));
  const DayFetchJob day_job{job.exchange_url, job.layout, job.folder};
  return download_days({.from = job.from,
                        .to = job.to,
                        .date_pattern = job.date_pattern,
                        .parallel = job.parallel,
                        .fetch = [&](const Date& day) { return fo_day_fetch(day_job, day, tools.disk); },
                        .address = [&](const Date& day) {
                          return daily_fo_address(job.exchange_url, day, job.layout == ExchangeLayout::legacy);
                        },
                        .what = "F&O BhavCopy",
                        .done_line = "F&O data is extracted from the NSE Site.",
                        .judged_by_file = false},
                       tools);
}

}  // namespace quillon
