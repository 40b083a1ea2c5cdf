#include "catchup/catch_up.h"

#include "base/text.h"
#include "download/download_support.h"

namespace quillon {

namespace {

// The end of a day's status line.
std::string outcome_text(const DayFetchOutcome& got, bool today) {
  switch (got.state) {
    case DayFetchState::stored: return " <- file downloaded....";
    case DayFetchState::already_there: return " <- file already there....";
    case DayFetchState::not_found:
      return today ? " <- not published yet" : " <- missing: the exchange has no file (404)";
    case DayFetchState::rejected:
    case DayFetchState::failed: break;
  }
  return " <- missing: " + (got.reason.empty() ? std::string("no file arrived") : got.reason);
}

}  // namespace

CatchUpResult run_catch_up(const CatchUpJob& job, const DayFetchMaker& bhavcopy,
                           const DayFetchMaker& index, const CatchUpTools& tools, const DayFetchMaker& fo) {
  const DownloadTools& t = tools.download;
  CatchUpResult result;
  result.already_there = job.already_there;
  // Each day's fetches: the Bhavcopy, then the index file and the F&O file.
  std::vector<const DayFetchMaker*> makers = {&bhavcopy};
  for (const DayFetchMaker* m : {&index, &fo})
    if (*m) makers.push_back(m);
  const size_t per_day = makers.size();
  std::vector<std::unique_ptr<SteppedDayFetch>> fetches;
  for (const Date& day : job.days)
    for (const DayFetchMaker* m : makers) fetches.push_back((*m)(day));
  const int total = static_cast<int>(job.days.size());
  size_t finished_count = 0;
  auto finished = [&](size_t i) {
    finished_count = i + 1;
    const size_t d = i / per_day;
    const Date& day = job.days[d];
    const std::string shown = format_date(day, job.date_pattern);
    const DayFetchOutcome& got = fetches[i]->outcome();
    if (makers[i % per_day] == &index) {
      if (got.state == DayFetchState::stored) ++result.index_days_stored;
      t.status.append(std::string(kCrLf) + "Downloading Index data for " + shown +
                      outcome_text(got, day == job.today));
      return;
    }
    if (makers[i % per_day] == &fo) {
      if (got.state == DayFetchState::stored) result.fo_fetched.push_back(got.path);
      t.status.append(std::string(kCrLf) + "Downloading F&O BhavCopy for " + shown +
                      outcome_text(got, day == job.today));
      return;
    }
    t.progress.report(static_cast<int>(d), total);
    t.events.pump();
    t.status.append(std::string(kCrLf) + "Downloading BhavCopy for " + shown +
                    outcome_text(got, day == job.today));
    if (got.state == DayFetchState::stored) result.fetched.push_back(got.path);
    else if (got.state == DayFetchState::already_there) ++result.already_there;
    else if (day < job.today) result.missing.push_back(day);
    else if (got.state == DayFetchState::not_found) result.not_published = true;
  };
  // A day's files are not parted: the run stops between days.
  result.stopped = run_day_fetches(fetches, tools.parallel, t, finished, [&] {
    return finished_count % per_day == 0 && t.progress.stop_requested();
  });
  if (result.stopped) {
    t.status.append(std::string(kCrLf) + std::string(kStoppedByUser));
    for (size_t d = finished_count / per_day + (finished_count % per_day ? 1 : 0); d < job.days.size(); ++d)
      if (job.days[d] < job.today) result.missing.push_back(job.days[d]);
  }
  t.progress.report(total, total);
  return result;
}

std::string missing_days_line(const std::vector<Date>& days, const std::string& date_pattern) {
  if (days.empty()) return {};
  std::string line = "Trading days missing:";
  for (size_t i = 0; i < days.size(); ++i)
    line += (i ? ", " : " ") + format_date(days[i], date_pattern);
  return line;
}

std::string catch_up_summary(const CatchUpResult& r, long long records_imported) {
  return "Catch-up: " + std::to_string(r.fetched.size()) + " days fetched, " +
         std::to_string(r.already_there) + " already there, " +
         std::to_string(r.missing.size()) + " missing, " + std::to_string(records_imported) +
         " records imported.";
}

}  // namespace quillon
