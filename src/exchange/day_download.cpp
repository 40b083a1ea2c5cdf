#include "exchange/day_download.h"

#include "base/text.h"

namespace quillon {

DownloadResult download_days(const DayDownloadJob& job, const DownloadTools& tools) {
  DownloadResult result;
  result.failure = failure_of([&] {
    StatusSink& status = tools.status;
    std::vector<Date> days;
    std::vector<std::unique_ptr<SteppedDayFetch>> fetches;
    for (Date day = job.from; day <= job.to; day = next_day(day)) {
      days.push_back(day);
      fetches.push_back(job.fetch(day));
    }
    const int total = static_cast<int>(days.size());
    auto finished = [&](size_t i) {
      tools.progress.report(static_cast<int>(i), total);
      tools.events.pump();
      status.append(std::string(kCrLf) + "Downloading " + job.what + " for " + format_date(days[i], job.date_pattern));
      status.show_address(job.address(days[i]));
      const DayFetchOutcome& outcome = fetches[i]->outcome();
      if (!job.judged_by_file &&
          (outcome.state == DayFetchState::rejected || outcome.state == DayFetchState::failed)) {
        status.append(" <- file not stored: " + outcome.reason);
      } else if (tools.disk.is_file(outcome.path)) {
        result.files.push_back(outcome.path);
        status.append(" <- file downloaded....");
      } else {
        status.append(" <- file doesnt exists....");
      }
    };
    if (run_day_fetches(fetches, job.parallel, tools, finished, [&] { return tools.progress.stop_requested(); })) {
      status.append(std::string(kCrLf) + std::string(kStoppedByUser));
      return;
    }
    tools.progress.report(total, total);
    status.append(std::string(kCrLf) + job.done_line);
  });
  return result;
}

}  // namespace quillon
