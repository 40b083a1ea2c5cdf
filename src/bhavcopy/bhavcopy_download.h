// The Bhavcopy download: the daily Bhavcopy of every calendar day of a range.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/dates.h"
#include "exchange/day_fetch.h"
#include "exchange/exchange_addresses.h"
#include "download/download_support.h"
#include "download/ordered_fetch.h"

namespace quillon {

struct BhavcopyDownloadJob {
  std::string exchange_url;  // the exchange's base address
  ExchangeLayout layout = ExchangeLayout::current;
  std::string folder;        // where the day files go
  Date from, to;
  std::string date_pattern;  // the regional pattern the status lines show days in
  ParallelOptions parallel = {};  // with tools.batch; without, one day after another
  // A further fetch of a day once its Bhavcopy has its outcome (the day's
  // corporate actions), or none; its outcome is its own business.
  std::function<std::unique_ptr<SteppedDayFetch>(const Date&, const DayFetchOutcome&)> after_day;
  // bse: BSE's files (current layout only), exchange_url being BSE's base.
  Exchange exchange = Exchange::nse;
};

// Tries every day from `from` to `to`, weekends and holidays included, into
// the folder as yyyy_mm_dd.csv, and returns the paths of the files there.
// Starts the status text afresh and ends each day's line with " <- file
// downloaded...." or " <- file doesnt exists....", in calendar order while
// later days are already in flight (fetch_in_order, with tools.batch).
// current: BhavcopyDayFetch (day_fetch.h); a day already in the folder is
// not asked for again; a day whose answer is no day file, or whose transfer
// failed otherwise than with a 404, ends its line with " <- file not
// stored: " and why.
// legacy: every day asked for as a plain CSV, and on a 404 again zipped (the
// address + ".zip") with its one CSV unpacked under the same name; a day
// counts as downloaded when its file is there afterwards.
// bse: BseDayFetch (bse_day_fetch.h) into BSE_yyyy_mm_dd.csv, with the
// current layout's status lines, from kBseFirstDay on: one line says that
// older days of the range are not asked for; the run ends with "Data is
// extracted from the BSE Site.".
DownloadResult download_bhavcopies(const BhavcopyDownloadJob& job, const DownloadTools& tools);

}  // namespace quillon
