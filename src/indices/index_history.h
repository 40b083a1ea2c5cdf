// Index histories from the exchange's daily close of all indices
// (ind_close_all_DDMMYYYY.csv, one row per index, from 1 October 2012).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/dates.h"
#include "exchange/exchange_addresses.h"

namespace quillon {

// The header of the INDEX_<short name>.csv files the index converter reads.
inline constexpr std::string_view kIndexHistoryHeader = "Date,Open,High,Low,Close,Shares Traded";

// An index name as the program compares it: upper case, blanks around it
// dropped, runs of blanks as one, and the names used before the exchange's
// rename of November 2015 mapped to today's ("S&P CNX NIFTY" and
// "CNX NIFTY" -> "NIFTY 50", "BANK NIFTY" and "CNX BANK" -> "NIFTY BANK",
// "CNX NIFTY JUNIOR" -> "NIFTY NEXT 50", "CNX MIDCAP" -> "NIFTY MIDCAP 100",
// any other "CNX X" or "S&P CNX X" -> "NIFTY X").
std::string index_name_key(std::string_view name);

// One day's index file as published.
struct IndexDay {
  Date day;
  std::string_view text;
};

// Replaces `out` with the INDEX_<short name>.csv text of one index: the
// header, then one row per day on which the index appears, oldest first,
// CR LF after every line. The date is the day's own (DD-Mon-YYYY), not the
// file's Index Date column; a "-" open, high or low is the close; a day with
// a "-" close is left out; a "-" volume is 0. The first row of the index in
// a file counts, as does the first file of a day listed twice; texts that
// are not index files are passed over. Returns whether any day matched.
bool build_index_history(std::string_view index_name, const std::vector<IndexDay>& days,
                         std::string& out);

// The [QN_Indices] entries ("Index Name=SHORT") of a first run.
std::vector<std::string> default_index_list();

}  // namespace quillon
