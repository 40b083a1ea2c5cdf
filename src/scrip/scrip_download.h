// The scrip download: the price history of one symbol for a date range.
#pragma once

#include <string>

#include "base/dates.h"
#include "download/download_support.h"

namespace quillon {

struct ScripDownloadJob {
  std::string exchange_url;  // the exchange's base address
  std::string folder;        // where the history file goes
  std::string symbol;        // as typed
  Date from, to;
};

// Upper-cases the symbol, fetches the history query page into the scratch
// page, lets the window process its events once and fetches the history
// file into the folder as the date parts + SYMBOL + "XN.csv", between the
// status lines "downloading data for " + SYMBOL and the same + " is
// completed." (or " failed: " and why). A symbol that is no plain file name
// fetches nothing and fails.
DownloadResult download_scrip_history(const ScripDownloadJob& job, const DownloadTools& tools,
                                      ProgramFolder& program_folder);

// "inputtext=INFY&series=X&Fromday=5&...&submit=Get+Results&check=new", the
// symbol percent-encoded as a query value.
std::string scrip_query_text(const std::string& symbol, const Date& from, const Date& to);

// "5120082032008INFYXN.csv".
std::string scrip_file_name(const std::string& symbol, const Date& from, const Date& to);

}  // namespace quillon
