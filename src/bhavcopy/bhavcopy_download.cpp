#include "bhavcopy/bhavcopy_download.h"

#include "base/text.h"
#include "exchange/bse_day_fetch.h"
#include "exchange/bse_files.h"
#include "exchange/day_download.h"
#include "exchange/day_fetch.h"

namespace quillon {

DownloadResult download_bhavcopies(const BhavcopyDownloadJob& job, const DownloadTools& tools) {
  tools.status.clear();
  tools.disk.remove_stale_temporaries(job.folder);  // of a run killed before it ended
  // legacy: every day asked for again, judged by its file being there.
  const bool legacy = job.layout == ExchangeLayout::legacy, bse = job.exchange == Exchange::bse;
  const DayFetchJob day_job{job.exchange_url, job.layout, job.folder};
  Date from = job.from;
  if (bse && from < kBseFirstDay) {
    if (from <= job.to) tools.status.append(std::string(kCrLf) + bse_older_days_line(job.date_pattern));
    from = kBseFirstDay;
  }
  return download_days(
      {.from = from,
       .to = job.to,
       .date_pattern = job.date_pattern,
       .parallel = job.parallel,
       .fetch = [&](const Date& day) -> std::unique_ptr<SteppedDayFetch> {
         std::unique_ptr<SteppedDayFetch> fetch;
         if (bse) fetch = std::make_unique<BseDayFetch>(day_job, day, tools.disk);
         else fetch = std::make_unique<BhavcopyDayFetch>(day_job, day, tools.disk, legacy);
         if (!job.after_day) return fetch;
         return std::make_unique<FollowedDayFetch>(
             std::move(fetch), [&job, day](const DayFetchOutcome& got) { return job.after_day(day, got); });
       },
       .address = [&](const Date& day) {
         return bse      ? bse_day_address(job.exchange_url, day)
                : legacy ? bhavcopy_address(job.exchange_url, day)
                         : daily_bhavcopy_address(job.exchange_url, day);
       },
       .what = "BhavCopy",
       .done_line = std::string("Data is extracted from the ") + (bse ? "BSE" : "NSE") + " Site.",
       .judged_by_file = legacy},
      tools);
}

}  // namespace quillon
