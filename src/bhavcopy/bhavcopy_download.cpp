#include "bhavcopy/bhavcopy_download.h"

#include "base/text.h"
#include "exchange/bse_day_fetch.h"
#include "exchange/bse_files.h"
#include "exchange/day_fetch.h"

namespace quillon {

DownloadResult download_bhavcopies(const BhavcopyDownloadJob& job, const DownloadTools& tools) {
  DownloadResult result;
  result.failure = failure_of([&] {
    StatusSink& status = tools.status;
    status.clear();
    const std::string folder = folder_with_separator(job.folder);
    tools.disk.remove_stale_temporaries(job.folder);  // of a run killed before it ended
    // legacy: every day asked for again, judged by its file being there.
    const bool legacy = job.layout == ExchangeLayout::legacy, bse = job.exchange == Exchange::bse;
    const DayFetchJob day_job{job.exchange_url, job.layout, job.folder};
    Date from = job.from;
    if (bse && from < kBseFirstDay) {
      if (from <= job.to) status.append(std::string(kCrLf) + bse_older_days_line(job.date_pattern));
      from = kBseFirstDay;
    }
    std::vector<Date> days;
    std::vector<std::unique_ptr<SteppedDayFetch>> fetches;
    for (Date day = from; day <= job.to; day = next_day(day)) {
      days.push_back(day);
      std::unique_ptr<SteppedDayFetch> fetch;
      if (bse) fetch = std::make_unique<BseDayFetch>(day_job, day, tools.disk);
      else fetch = std::make_unique<BhavcopyDayFetch>(day_job, day, tools.disk, legacy);
      if (job.after_day)
        fetch = std::make_unique<FollowedDayFetch>(
            std::move(fetch), [&job, day](const DayFetchOutcome& got) { return job.after_day(day, got); });
      fetches.push_back(std::move(fetch));
    }
    const int total = static_cast<int>(days.size());
    auto finished = [&](size_t i) {
      tools.progress.report(static_cast<int>(i), total);
      tools.events.pump();
      status.append(std::string(kCrLf) + "Downloading BhavCopy for " +
                    format_date(days[i], job.date_pattern));
      status.show_address(bse      ? bse_day_address(job.exchange_url, days[i])
                          : legacy ? bhavcopy_address(job.exchange_url, days[i])
                                   : daily_bhavcopy_address(job.exchange_url, days[i]));
      const DayFetchOutcome& outcome = fetches[i]->outcome();
      if (!legacy && (outcome.state == DayFetchState::rejected || outcome.state == DayFetchState::failed)) {
        status.append(" <- file not stored: " + outcome.reason);
      } else if (tools.disk.is_file(outcome.path)) {
        result.files.push_back(outcome.path);
        status.append(" <- file downloaded....");
      } else {
        status.append(" <- file doesnt exists....");
      }
    };
    if (run_day_fetches(fetches, job.parallel, tools, finished,
                        [&] { return tools.progress.stop_requested(); })) {
      status.append(std::string(kCrLf) + std::string(kStoppedByUser));
      return;
    }
    tools.progress.report(total, total);
    status.append(std::string(kCrLf) + "Data is extracted from the " + (bse ? "BSE" : "NSE") + " Site.");
  });
  return result;
}

}  // namespace quillon
