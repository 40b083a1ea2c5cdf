// The scrip download: the price history of one symbol for a date range.
#pragma once

#include <string>

#include "base/dates.h"
#include "exchange/exchange_addresses.h"
#include "download/download_support.h"
#include "download/ordered_fetch.h"

namespace quillon {

struct ScripDownloadJob {
  std::string exchange_url;  // the exchange's base address
  ExchangeLayout layout = ExchangeLayout::current;
  std::string folder;        // where the history file goes
  std::string symbol;        // as typed
  Date from, to;
  std::string date_pattern;  // the regional pattern (status lines, dates of old files)
  ParallelOptions parallel;  // the daily files: transfers in flight, pace
};

// Upper-cases the symbol, fetches the history query page into the scratch
// page, lets the window process its events once and fetches the history
// file into the folder as the date parts + SYMBOL + "XN.csv", between the
// status lines "downloading data for " + SYMBOL and the same + " is
// completed." (or " failed: " and why). A symbol that is no plain file name
// fetches nothing and fails.
DownloadResult download_scrip_history(const ScripDownloadJob& job, const DownloadTools& tools,
                                      ProgramFolder& program_folder);

// The current layout: the history assembled from the daily Bhavcopy files
// of the range (ScripHistory). A day file already in the folder
// (yyyy_mm_dd.csv) is used as it is; a missing one is fetched and kept there
// (BhavcopyDayFetch), each fetched day with its status line as the
// Bhavcopy download writes it (a 404 says nothing here). The history goes to
// the folder under scrip_file_name between "downloading data for " + SYMBOL
// and the same + " is completed."; a symbol on none of the days ends with
// " failed: " and why, and stores nothing. A day file that is not a
// Bhavcopy of a known layout ends the run, naming the file and the line.
DownloadResult download_scrip_days(const ScripDownloadJob& job, const DownloadTools& tools);

// "inputtext=INFY&series=X&Fromday=5&...&submit=Get+Results&check=new", the
// symbol percent-encoded as a query value.
std::string scrip_query_text(const std::string& symbol, const Date& from, const Date& to);

// "5120082032008INFYXN.csv".
std::string scrip_file_name(const std::string& symbol, const Date& from, const Date& to);

}  // namespace quillon
