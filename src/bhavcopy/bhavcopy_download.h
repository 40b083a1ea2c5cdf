// fGetNseFileAlt: fetches the daily Bhavcopy of every calendar day of a range.
#pragma once

#include <string>

#include "app/window_model.h"
#include "platform/platform.h"
#include "base/dates.h"

namespace quillon {

// Tries every day from `from` to `to`, weekends and holidays included, into
// the source folder as yyyy_mm_dd.csv; a day whose plain CSV answers 404 is
// asked for again zipped (the address + ".zip") and its one CSV unpacked
// under the same name. Clears the status box and reports each day as
// downloaded or missing (judged by the file being there afterwards); the
// paths of the files there go into arrBhavFiles, which starts each run as one
// empty entry. Failures show "fGetNseFileAlt: " and a description.
void fGetNseFileAlt(WindowModel& w, Platform& p, const Date& from, const Date& to);

// base + "/content/historical/EQUITIES/2008/JAN/cm31JAN2008bhav.csv".
std::string bhavcopy_address(const std::string& base, const Date& day);

// "2008_01_31.csv".
std::string bhavcopy_file_name(const Date& day);

}  // namespace quillon
