// The daily Bhavcopy in every layout the exchange has published, told apart
// by the file's first line (a UTF-8 byte-order mark before it is ignored):
// - the UDiFF common Bhavcopy (from 8 July 2024, back-filled to 2024), whose
//   header holds TckrSymb or TradDt;
// - the full Bhavcopy with delivery, whose header holds DATE1 once the blank
//   after every comma is trimmed;
// - anything else: the old file, read by position (fields 0 to 10).
// The two named layouts are read by column name: any order, extra, reserved
// and trailing empty columns allowed. BSE's daily file has the UDiFF
// header; its rows, Src "BSE", are kept by BSE's rule (is_bse_equity).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/dates.h"
#include "base/records.h"

namespace quillon {

enum class BhavcopyLayout { kPositional, kUdiff, kFullWithDelivery };

BhavcopyLayout bhavcopy_layout(std::string_view data);

// Walks the rows of one day's file in any layout.
class BhavcopyReader {
 public:
  enum Column : size_t {
    kSymbol, kSeries, kDate, kPrevClose, kOpen, kHigh, kLow, kClose, kVolume, kIsin, kDeliverable
  };
  static constexpr size_t kColumnCount = 11;
  using Row = std::array<std::string_view, kColumnCount>;

  // Reads the header of a named layout. Throws Error ("line 1: ...") naming
  // the first required column it lacks (all but kPrevClose, kIsin and
  // kDeliverable are required).
  explicit BhavcopyReader(std::string_view data);

  BhavcopyLayout layout() const { return layout_; }

  // The next row. Old layout: every line of at least 11 fields but the
  // header (TOTTRDQTY in field 8), values as they are, any series. Named
  // layouts: only rows whose series is exactly EQ or BE (a row whose Src is
  // BSE: is_bse_equity of its FinInstrmTp, SctySrs and ISIN), blank lines
  // and other rows passed over, values trimmed; such a row lacking a required
  // column throws Error naming the line and the column. kPrevClose and
  // kIsin are empty where the layout or the line has none (the old file has
  // the ISIN from June 2011, the full Bhavcopy never); kDeliverable, the
  // deliverable quantity, is the full Bhavcopy's only.
  bool next(Row& row);

  // 1-based line number of the last row read.
  size_t line_number() const { return lines_.line_number(); }

  // The row's date; throws Error naming the line and the column when it is
  // not a date.
  Date row_date(const Row& row, const DateReader& dates) const;

  // Whether a series is one of the equity shares the program keeps.
  static bool kept_series(std::string_view series) { return series == "EQ" || series == "BE"; }

  // Whether a row next() gave is kept: in the old layout by its series;
  // in the named layouts every one (next() passed over the others).
  bool kept(const Row& row) const { return layout_ != BhavcopyLayout::kPositional || kept_series(row[kSeries]); }

  // The name of a column in messages, as the layout's header names it.
  std::string_view column_name(Column c) const;

 private:
  BhavcopyLayout layout_;
  LineReader lines_;
  std::array<std::optional<size_t>, kColumnCount> index_{};
  std::vector<std::string_view> fields_;
  size_t columns_read_ = 0;  // named layouts: the fields up to the last column read
  std::optional<size_t> source_, instrument_;  // UDiFF: Src and FinInstrmTp, for BSE's rows
};

// Appends the EOD records of one whole Bhavcopy file, any layout: one record
// per EQ or BE row, the symbol cut to `length` characters when there is a
// length (`length_text` is the box's text, for the message on a negative
// length). The old layout follows its positional rules to the byte. Named
// layouts: the date (2024-07-08 or 06-Aug-2026) written YYYYMMDD, prices and
// volume in the number form. Failures throw Error with the line and the
// column; `out` may then hold part of the records.
// With `open_interest` each record gets an eighth field: the deliverable
// quantity where the layout has one ("-" or empty: 0), else 0.
void append_bhavcopy_records(std::string_view data, std::optional<double> length,
                             std::string_view length_text, const DateReader& dates,
                             std::string& out, bool open_interest = false);


}  // namespace quillon
