#include "bhavcopy/bhavcopy_download.h"

#include "base/text.h"
#include "exchange/day_download.h"
#include "exchange/day_fetch.h"

namespace quillon {

DownloadResult download_bhavcopies(const BhavcopyDownloadJob& job, const DownloadTools& tools) {
  tools.status.clear();
  tools.disk.remove_stale_temporaries(job.folder);  // of a run killed before it ended
  // legacy: every day asked for again, judged by its file being there.
  const bool legacy = job.layout == ExchangeLayout::legacy;
  const DayFetchJob day_job{job.exchange_url, job.layout, job.folder};
  return download_days(
      {.from = job.from,
       .to = job.to,
       .date_pattern = job.date_pattern,
       .parallel = job.parallel,
       .fetch = [&](const Date& day) -> std::unique_ptr<SteppedDayFetch> {
         auto fetch = std::make_unique<BhavcopyDayFetch>(day_job, day, tools.disk, legacy);
         if (!job.after_day) return fetch;
         return std::make_unique<FollowedDayFetch>(
             std::move(fetch), [&job, day](const DayFetchOutcome& got) { return job.after_day(day, got); });
       },
       .address = [&](const Date& day) {
         return legacy ? bhavcopy_address(job.exchange_url, day) : daily_bhavcopy_address(job.exchange_url, day);
       },
       .what = "BhavCopy",
       .done_line = "Data is extracted from the NSE Site.",
       .judged_by_file = legacy},
      tools);
}

}  // namespace quillon
