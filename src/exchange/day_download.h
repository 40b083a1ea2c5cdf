// The Download command's run over the calendar days of a range, whatever
// the day's file: each day's fetch in steps, several in flight, one status
// line a day in calendar order, Stop after the days in flight.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/dates.h"
#include "download/download_support.h"
#include "download/ordered_fetch.h"
#include "exchange/day_fetch.h"

namespace quillon {

struct DayDownloadJob {
  Date from, to;
  std::string date_pattern;  // the regional pattern the status lines show days in
  ParallelOptions parallel = {};  // with tools.batch; without, one day after another
  std::function<std::unique_ptr<SteppedDayFetch>(const Date&)> fetch;  // a day's
  std::function<std::string(const Date&)> address;  // a day's, shown while it is reported
  std::string what;       // "BhavCopy": "Downloading BhavCopy for 31/01/2008"
  std::string done_line;  // the last line of a run not stopped
  // The old site's rule: a day counts as downloaded when its file is there
  // afterwards, and a failure says no more than a missing file.
  bool judged_by_file = false;
};

// Tries every day from `from` to `to`; each day's line ends " <- file
// downloaded....", " <- file doesnt exists...." or " <- file not stored:
// <why>" (an answer that is no day file, a failure other than a 404).
// Returns the paths of the days' files that are there, in day order.
DownloadResult download_days(const DayDownloadJob& job, const DownloadTools& tools);

}  // namespace quillon
