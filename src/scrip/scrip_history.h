// One scrip's history assembled from the daily Bhavcopy files, in the form
// the scrip converter reads ("Symbol,Series,Date,Prev Close,Open Price,
// High Price,Low Price,Close Price,Total Traded Quantity").
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "base/dates.h"

namespace quillon {

inline constexpr std::string_view kScripHistoryHeader =
    "Symbol,Series,Date,Prev Close,Open Price,High Price,Low Price,Close Price,"
    "Total Traded Quantity";

class ScripHistory {
 public:
  // The day files write symbols in upper case: `symbol` is upper-cased.
  explicit ScripHistory(std::string_view symbol);

  // Takes the symbol's row of one day file in any Bhavcopy layout: its EQ
  // row, else its BE row. The day is the row's own date column; a day
  // already taken keeps its first row. Throws Error ("line N: ...") for a
  // named layout without a required column, or a kept row of the symbol
  // that lacks a column or whose date is not a date.
  void add_day_file(std::string_view data, const DateReader& dates);

  // Whether any day file held the symbol.
  bool empty() const { return days_.empty(); }

  // The history text: the header, then one row per day, oldest first, the
  // date as DD-Mon-YYYY, the numbers as published, CR LF after every line.
  std::string text() const;

 private:
  std::string symbol_;
  std::map<Date, std::string> days_;
};

}  // namespace quillon
