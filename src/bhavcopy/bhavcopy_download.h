// The Bhavcopy download: the daily Bhavcopy of every calendar day of a range.
#pragma once

#include <string>

#include "base/dates.h"
#include "download/download_support.h"
#include "download/ordered_fetch.h"

namespace quillon {

struct BhavcopyDownloadJob {
  std::string exchange_url;  // the exchange's base address
  std::string folder;        // where the day files go
  Date from, to;
  std::string date_pattern;  // the regional pattern the status lines show days in
  ParallelOptions parallel = {};  // with tools.batch; without, one day after another
};

// Tries every day from `from` to `to`, weekends and holidays included, into
// the folder as yyyy_mm_dd.csv; a day whose plain CSV answers 404 is asked
// for again zipped (the address + ".zip") and its one CSV unpacked under the
// same name. Starts the status text afresh and reports each day as
// downloaded or missing (judged by the file being there afterwards), in
// calendar order while later days are already in flight; returns the paths
// of the files there.
DownloadResult download_bhavcopies(const BhavcopyDownloadJob& job, const DownloadTools& tools);

// base + "/content/historical/EQUITIES/2008/JAN/cm31JAN2008bhav.csv".
std::string bhavcopy_address(const std::string& base, const Date& day);

// "2008_01_31.csv".
std::string bhavcopy_file_name(const Date& day);

}  // namespace quillon
