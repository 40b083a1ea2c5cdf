// One symbol's day as the scrip-wise conversion holds it in memory, 28
// bytes, and the reading of a day file into such rows. Prices are kept in
// paise when the text says exactly that (two decimals at most), the volume
// as a whole number below 2^32; any other row keeps its values as doubles
// aside ("wide"). Either way the output writes the number form of
// append_number (records.h): the same text the date-wise conversion writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/dates.h"

namespace quillon {

inline constexpr int32_t kWideRow = INT32_MIN;       // in DayRow::open
inline constexpr int32_t kNoPrice = INT32_MIN + 1;   // in DayRow::prev_close

struct DayRow {
  int32_t date = 0;  // YYYYMMDD
  int32_t open = 0, high = 0, low = 0, close = 0;  // paise; open kWideRow: see `volume`
  int32_t prev_close = kNoPrice;  // paise; kNoPrice when the file has none or it is no price
  uint32_t volume = 0;  // shares; for a wide row the index of its WideRow
};
static_assert(sizeof(DayRow) == 28);

struct WideRow {
  double open, high, low, close, prev_close, volume;  // prev_close NaN: none
  double deliverable = 0;  // shares: the full Bhavcopy's, read with open interest
};

// A row's values as doubles, in rupees and shares.
struct RowValues {
  double open, high, low, close, prev_close, volume;  // prev_close NaN: none
  double deliverable = 0;
};
RowValues values_of(const DayRow& row, const std::vector<WideRow>& wide);

// The kept rows of one day file (series EQ and BE, BSE's equity shares, any
// layout the Bhavcopy conversion reads), in file order: each row's symbol cut to the symbol
// length and its ISIN point into the file's text.
struct DayFileRows {
  struct Row {
    std::string_view symbol, isin;
    DayRow day;
  };
  std::vector<Row> rows;
  std::vector<WideRow> wide;  // DayRow::volume of a wide row indexes this
};

// Reads `data` into `out` (its earlier rows dropped, room kept). A row the
// date-wise conversion rejects is rejected here too, and so is a row whose
// date is not a date or whose symbol is empty: throws Error naming the line
// and the column. A previous close that is no number, zero or negative is
// kept as kNoPrice. With `open_interest` the deliverable quantity is read
// as the date-wise conversion reads it (a row that has one is wide).
void read_day_rows(std::string_view data, std::optional<double> symbol_length,
                   std::string_view length_text, const DateReader& dates, DayFileRows& out,
                   bool open_interest = false);

// Appends a number in the output's form: paise as rupees ("922.7", "0.05",
// "-3"), a number of units of 10^-decimals ("0.333333"), or a double as
// append_number writes it.
void append_fixed(std::string& out, int64_t units, int decimals);
void append_paise(std::string& out, int64_t paise);
// append_fixed into a buffer of at least 24 bytes at `p`: the end of what it wrote.
char* put_fixed(char* p, int64_t units, int decimals);
void append_value(std::string& out, double value);

}  // namespace quillon
