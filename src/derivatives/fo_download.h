// The F&O download: the derivatives segment's daily Bhavcopy of each day of
// a range into <source folder>/fo/yyyy_mm_dd.csv.
#pragma once

#include <memory>
#include <string>

#include "base/dates.h"
#include "download/download_support.h"
#include "download/ordered_fetch.h"
#include "exchange/day_fetch.h"
#include "exchange/exchange_addresses.h"

namespace quillon {

struct FoDownloadJob {
  std::string exchange_url;
  ExchangeLayout layout = ExchangeLayout::current;  // legacy: the old site's address only
  std::string folder;  // the source folder
  Date from, to;
  std::string date_pattern;
  ParallelOptions parallel = {};
};

// A day's F&O file (daily_fo_address) into <folder>/fo/yyyy_mm_dd.csv, the
// folder made first: a ZippedDayFetch, failed when the folder cannot be made.
std::unique_ptr<SteppedDayFetch> fo_day_fetch(const DayFetchJob& job, const Date& day, Disk& disk);

// Every calendar day of the range, as the Bhavcopy download does
// (download_days), after the status lines already there: "Downloading F&O
// BhavCopy for <date> <- ...", then "F&O data is extracted from the NSE
// Site.". Returns the paths of the days' files that are there.
DownloadResult download_fo_days(const FoDownloadJob& job, const DownloadTools& tools);

}  // namespace quillon
