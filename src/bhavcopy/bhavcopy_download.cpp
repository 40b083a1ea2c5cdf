#include "bhavcopy/bhavcopy_download.h"

#include "base/text.h"
#include "bhavcopy/day_fetch.h"

namespace quillon {

std::string bhavcopy_address(const std::string& base, const Date& day) {
  const std::string_view mon = month_abbrev(day.month);
  const std::string year = format_date(day, "yyyy");
  std::string a = base;
  a.append("/content/historical/EQUITIES/").append(year).append("/").append(mon);
  a.append("/cm").append(format_date(day, "dd")).append(mon).append(year).append("bhav.csv");
  return a;
}

std::string bhavcopy_file_name(const Date& day) { return format_date(day, "yyyy_MM_dd") + ".csv"; }

DownloadResult download_bhavcopies(const BhavcopyDownloadJob& job, const DownloadTools& tools) {
  DownloadResult result;
  result.failure = failure_of([&] {
    StatusSink& status = tools.status;
    status.clear();
    const std::string folder = folder_with_separator(job.folder);
    tools.disk.remove_stale_temporaries(job.folder);  // of a run killed before it ended
    // legacy: every day asked for again, judged by its file being there.
    const bool legacy = job.layout == ExchangeLayout::legacy;
    std::vector<Date> days;
    std::vector<BhavcopyDayFetch> fetches;
    std::vector<FetchRequest> requests;  // an empty address: nothing to ask
    for (Date day = job.from; day <= job.to; day = next_day(day)) {
      days.push_back(day);
      fetches.emplace_back(DayFetchJob{job.exchange_url, job.layout, job.folder}, day, tools.disk,
                           legacy);
      requests.push_back(fetches.back().request().value_or(FetchRequest{}));
    }
    const int total = static_cast<int>(days.size());
    auto deliver = [&](size_t i, const FetchResult& got) -> std::optional<FetchRequest> {
      BhavcopyDayFetch& day = fetches[i];
      if (day.request()) {
        day.take(got);
        if (day.request()) return day.request();
      }
      tools.progress.report(static_cast<int>(i), total);
      tools.events.pump();
      status.append(std::string(kCrLf) + "Downloading BhavCopy for " +
                    format_date(days[i], job.date_pattern));
      status.show_address(legacy ? bhavcopy_address(job.exchange_url, days[i])
                                 : daily_bhavcopy_address(job.exchange_url, days[i]));
      const DayFetchOutcome& outcome = day.outcome();
      if (!legacy && (outcome.state == DayFetchState::rejected || outcome.state == DayFetchState::failed)) {
        status.append(" <- file not stored: " + outcome.reason);
      } else if (tools.disk.is_file(outcome.path)) {
        result.files.push_back(outcome.path);
        status.append(" <- file downloaded....");
      } else {
        status.append(" <- file doesnt exists....");
      }
      return std::nullopt;
    };
    SerialBatchFetcher one_at_a_time(tools.fetcher);
    ParallelOptions options = job.parallel;
    if (!tools.batch) options = {.jobs = 1, .rate = 0, .retries = 0};
    if (fetch_in_order(requests, options, tools.batch ? *tools.batch : one_at_a_time, deliver,
                       [&] { return tools.progress.stop_requested(); })) {
      status.append(std::string(kCrLf) + std::string(kStoppedByUser));
      return;
    }
    tools.progress.report(total, total);
    status.append(std::string(kCrLf) + "Data is extracted from the NSE Site.");
  });
  return result;
}

}  // namespace quillon
