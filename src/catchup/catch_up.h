// The evening's run: fetch every trading day the source folder still lacks,
// up to today, one day at a time, and say which days did not arrive. The
// day fetch itself comes in as a function, so the run does not care how a
// day's file is found, checked and stored.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/dates.h"
#include "platform/interfaces.h"

namespace quillon {

// What fetching one day's file gave.
struct DayFetched {
  enum class Kind { stored, already_there, not_found, failed };
  Kind kind = Kind::failed;
  std::string reason;  // why it failed (an HTML page, a refused connection...)
  std::string path;    // the file, when stored or already there
};

using DayFetch = std::function<DayFetched(const Date& day)>;

struct CatchUpJob {
  std::vector<Date> days;    // the trading days to fetch, oldest first
  Date today;                // today's 404 is "not published yet", not missing
  std::string date_pattern;  // the regional pattern the status lines show days in
  int already_there = 0;     // trading days of the range that had a day file before
};

struct CatchUpTools {
  StatusSink& status;
  RunProgress& progress;
  EventPump& events;
};

struct CatchUpResult {
  std::vector<std::string> fetched;  // the Bhavcopy day files this run stored, in order
  int already_there = 0;             // the job's, and those the fetch found there
  int index_days_stored = 0;
  std::vector<Date> missing;  // trading days before today without a file at the end
  bool not_published = false;  // today's file answered 404
  bool stopped = false;        // the user stopped the run; the days not tried are missing
};

// Fetches each day of the job with `bhavcopy` and, when `index` is set, its
// daily index file with `index`, one status line each ("Downloading BhavCopy
// for <date> <- file downloaded...." / "<- not published yet" / "<- missing:
// <reason>"). Reports day i of N and asks after each day whether to stop.
// Failures of single days are status lines; the run itself throws nothing
// the day fetch does not throw.
CatchUpResult run_catch_up(const CatchUpJob& job, const DayFetch& bhavcopy, const DayFetch& index,
                           const CatchUpTools& tools);

// "Trading days missing: 02/12/2026, 03/12/2026" in the regional date form;
// empty when none are.
std::string missing_days_line(const std::vector<Date>& days, const std::string& date_pattern);

// "Catch-up: 3 days fetched, 2 already there, 1 missing, 7500 records imported."
std::string catch_up_summary(const CatchUpResult& result, long long records_imported);

}  // namespace quillon
