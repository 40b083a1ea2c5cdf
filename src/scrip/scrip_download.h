// fDownloadScrip: fetches the price history of the scrip in the scrip box.
#pragma once

#include <string>

#include "app/window_model.h"
#include "platform/platform.h"
#include "base/dates.h"

namespace quillon {

// Upper-cases the scrip box, fetches the history query page into the scratch
// page, lets the window process its events once and fetches the history
// file into the source folder as the date parts + SYMBOL + "XN.csv", between
// the lines "downloading data for " + SYMBOL and the same + " is completed.".
// The transfers' outcomes are not examined. A symbol that is no plain file
// name fetches nothing. Failures show "fDownloadScrip: " and a description.
void fDownloadScrip(WindowModel& w, Platform& p);

// "inputtext=INFY&series=X&Fromday=5&...&submit=Get+Results&check=new", the
// symbol percent-encoded as a query value.
std::string scrip_query_text(const std::string& symbol, const Date& from, const Date& to);

// "5120082032008INFYXN.csv".
std::string scrip_file_name(const std::string& symbol, const Date& from, const Date& to);

}  // namespace quillon
