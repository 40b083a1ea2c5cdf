// The evening's run: fetch every trading day the source folder still lacks,
// up to today, several days in flight and paced as downloads are, and say
// which days did not arrive. The day fetches come in as makers of stepped
// fetches, so the run does not care how a day's file is found, checked and
// stored.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/dates.h"
#include "exchange/day_fetch.h"
#include "download/download_support.h"
#include "platform/interfaces.h"

namespace quillon {

// Makes the fetch of one day's file (BhavcopyDayFetch, IndexDayFetch).
using DayFetchMaker = std::function<std::unique_ptr<SteppedDayFetch>(const Date& day)>;

struct CatchUpJob {
  std::vector<Date> days;    // the trading days to fetch, oldest first
  Date today;                // today's 404 is "not published yet", not missing
  std::string date_pattern;  // the regional pattern the status lines show days in
  int already_there = 0;     // trading days of the range that had a day file before
};

struct CatchUpTools {
  DownloadTools download;
  ParallelOptions parallel;
};

struct CatchUpResult {
  std::vector<std::string> fetched;  // the Bhavcopy day files this run stored, in order
  int already_there = 0;             // the job's, and those the fetch found there
  int index_days_stored = 0;
  std::vector<std::string> fo_fetched;  // the F&O day files this run stored, in order
  std::vector<Date> missing;  // trading days before today without a file at the end
  bool not_published = false;  // today's file answered 404
  bool stopped = false;        // the user stopped the run; the days not tried are missing
};

// Fetches each day of the job with a fetch `bhavcopy` makes and, when
// `index` is set, its daily index file with one `index` makes, and when `fo`
// is set its F&O file ("Downloading F&O BhavCopy for <date> ..."), through
// run_day_fetches, one status line each in day order ("Downloading BhavCopy
// for <date> <- file downloaded...." / "<- not published yet" / "<- missing:
// <reason>"). Reports day i of N and asks between days whether to stop.
// Failures of single days are status lines; the run itself throws nothing
// the day fetches do not throw.
CatchUpResult run_catch_up(const CatchUpJob& job, const DayFetchMaker& bhavcopy,
                           const DayFetchMaker& index, const CatchUpTools& tools,
                           const DayFetchMaker& fo = {});

// "Trading days missing: 02/12/2026, 03/12/2026" in the regional date form;
// empty when none are.
std::string missing_days_line(const std::vector<Date>& days, const std::string& date_pattern);

// "Catch-up: 3 days fetched, 2 already there, 1 missing, 7500 records imported."
std::string catch_up_summary(const CatchUpResult& result, long long records_imported);

}  // namespace quillon
