#include "catchup/catch_up.h"

#include "base/text.h"
#include "download/download_support.h"

namespace quillon {

namespace {

// The end of a day's status line.
std::string outcome_text(const DayFetched& got, bool today) {
  switch (got.kind) {
    case DayFetched::Kind::stored: return " <- file downloaded....";
    case DayFetched::Kind::already_there: return " <- file already there....";
    case DayFetched::Kind::not_found:
      return today ? " <- not published yet" : " <- missing: the exchange has no file (404)";
    case DayFetched::Kind::failed: break;
  }
  return " <- missing: " + (got.reason.empty() ? std::string("no file arrived") : got.reason);
}

}  // namespace

CatchUpResult run_catch_up(const CatchUpJob& job, const DayFetch& bhavcopy, const DayFetch& index,
                           const CatchUpTools& tools) {
  CatchUpResult result;
  result.already_there = job.already_there;
  const int total = static_cast<int>(job.days.size());
  for (int i = 0; i < total; ++i) {
    const Date day = job.days[static_cast<size_t>(i)];
    if (result.stopped) {
      if (day < job.today) result.missing.push_back(day);
      continue;
    }
    tools.progress.report(i, total);
    tools.events.pump();
    const std::string shown = format_date(day, job.date_pattern);
    const DayFetched got = bhavcopy(day);
    tools.status.append(std::string(kCrLf) + "Downloading BhavCopy for " + shown +
                        outcome_text(got, day == job.today));
    if (got.kind == DayFetched::Kind::stored) result.fetched.push_back(got.path);
    else if (got.kind == DayFetched::Kind::already_there) ++result.already_there;
    else if (day < job.today) result.missing.push_back(day);
    else if (got.kind == DayFetched::Kind::not_found) result.not_published = true;
    if (index) {
      const DayFetched got_index = index(day);
      if (got_index.kind == DayFetched::Kind::stored) ++result.index_days_stored;
      tools.status.append(std::string(kCrLf) + "Downloading Index data for " + shown +
                          outcome_text(got_index, day == job.today));
    }
    if (i + 1 < total && tools.progress.stop_requested()) {
      result.stopped = true;
      tools.status.append(std::string(kCrLf) + std::string(kStoppedByUser));
    }
  }
  tools.progress.report(total, total);
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
