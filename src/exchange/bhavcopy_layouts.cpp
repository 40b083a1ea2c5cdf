#include "exchange/bhavcopy_layouts.h"

#include <algorithm>

#include "base/csv_columns.h"
#include "base/text.h"
#include "exchange/bse_files.h"

namespace quillon {

namespace {

using Names = std::array<std::string_view, BhavcopyReader::kColumnCount>;

// In the order of BhavcopyReader::Column.
constexpr Names kUdiffNames = {"TckrSymb", "SctySrs", "TradDt",  "PrvsClsgPric", "OpnPric",
                               "HghPric",  "LwPric",  "ClsPric", "TtlTradgVol",  "ISIN", ""};
constexpr Names kFullNames = {"SYMBOL",     "SERIES",    "DATE1",       "PREV_CLOSE",   "OPEN_PRICE",
                              "HIGH_PRICE", "LOW_PRICE", "CLOSE_PRICE", "TTL_TRD_QNTY", "ISIN", "DELIV_QTY"};
// The old file by position, and its columns as its header names them.
constexpr std::array<size_t, BhavcopyReader::kColumnCount - 1> kPositions = {0, 1, 10, 7, 2,
                                                                             3, 4, 5,  8, 12};
constexpr Names kPositionalNames = {"SYMBOL", "SERIES", "TIMESTAMP", "PREVCLOSE", "OPEN",
                                    "HIGH",   "LOW",    "CLOSE",     "TOTTRDQTY", "ISIN", ""};
constexpr size_t kPositionalFields = 11;  // a row has at least these
constexpr size_t kPositionalIsin = 12;    // in the rows from June 2011

const Names& names_of(BhavcopyLayout layout) {
  switch (layout) {
    case BhavcopyLayout::kUdiff: return kUdiffNames;
    case BhavcopyLayout::kFullWithDelivery: return kFullNames;
    case BhavcopyLayout::kPositional: break;
  }
  return kPositionalNames;
}

}  // namespace

BhavcopyLayout bhavcopy_layout(std::string_view data) {
  std::vector<std::string_view> header;
  split_line(first_line(data), header);
  if (find_column(header, "TckrSymb") || find_column(header, "TradDt"))
    return BhavcopyLayout::kUdiff;
  if (find_column(header, "DATE1")) return BhavcopyLayout::kFullWithDelivery;
  return BhavcopyLayout::kPositional;
}

BhavcopyReader::BhavcopyReader(std::string_view data)
    : layout_(bhavcopy_layout(data)), lines_(without_bom(data)) {
  if (layout_ == BhavcopyLayout::kPositional) {
    fields_.resize(kPositionalIsin + 1);
    return;
  }
  std::string_view header;
  lines_.next(header);
  split_line(header, fields_);
  const Names& names = names_of(layout_);
  for (size_t c = 0; c < kColumnCount; ++c) {
    if (!names[c].empty()) index_[c] = find_column(fields_, names[c]);
    if (!index_[c] && c != kPrevClose && c != kIsin && c != kDeliverable)
      fail_at_line(1, "the header has no column " + std::string(names[c]));
    if (index_[c]) columns_read_ = std::max(columns_read_, *index_[c] + 1);
  }
  if (layout_ != BhavcopyLayout::kUdiff) return;
  source_ = find_column(fields_, "Src");
  instrument_ = find_column(fields_, "FinInstrmTp");
  for (const std::optional<size_t>& i : {source_, instrument_})
    if (i) columns_read_ = std::max(columns_read_, *i + 1);
}

bool BhavcopyReader::next(Row& row) {
  if (layout_ == BhavcopyLayout::kPositional) {
    while (const size_t count = lines_.next_fields(fields_.data(), fields_.size())) {
      if (count < kPositionalFields) continue;
      if (fields_[8] == "TOTTRDQTY") continue;  // the header line
      for (size_t c = 0; c < kIsin; ++c) row[c] = fields_[kPositions[c]];
      row[kIsin] = count > kPositionalIsin ? fields_[kPositionalIsin] : std::string_view();
      row[kDeliverable] = {};
      return true;
    }
    return false;
  }
  // Only the fields up to the last column read are kept.
  while (const size_t count = lines_.next_fields(fields_.data(), columns_read_)) {
    auto value = [&](size_t c) {
      return index_[c] && *index_[c] < count ? trim(fields_[*index_[c]]) : std::string_view();
    };
    auto at = [&](const std::optional<size_t>& i) { return i && *i < count ? trim(fields_[*i]) : std::string_view(); };
    const bool kept = at(source_) == kBseSource ? is_bse_equity(at(instrument_), value(kSeries), value(kIsin))
                                                : kept_series(value(kSeries));
    if (!kept) continue;  // blank lines included
    for (size_t c = 0; c < kColumnCount; ++c) {
      if (index_[c] && *index_[c] >= count && c != kDeliverable)  // a short row has none
        fail_at_line(line_number(), "the line has " + std::to_string(count) +
                                        " fields, none for the column " +
                                        std::string(column_name(static_cast<Column>(c))));
      row[c] = value(c);
    }
    return true;
  }
  return false;
}

Date BhavcopyReader::row_date(const Row& row, const DateReader& dates) const {
  const std::optional<Date> day = dates.parse(row[kDate]);
  if (!day)
    fail_at_line(line_number(), "the " + std::string(column_name(kDate)) + " value '" +
                                    shown(row[kDate]) + "' is not a date");
  return *day;
}

std::string_view BhavcopyReader::column_name(Column c) const { return names_of(layout_)[c]; }

void append_bhavcopy_records(std::string_view data, std::optional<double> length,
                             std::string_view length_text, const DateReader& dates,
                             std::string& out, bool open_interest) {
  using R = BhavcopyReader;
  R reader(data);
  R::Row row;
  const bool named = reader.layout() != BhavcopyLayout::kPositional;
  LastDate last;
  while (reader.next(row)) {
    std::string_view symbol = row[R::kSymbol];
    if (length) {
      if (*length < 0)
        fail_at_line(reader.line_number(),
                     "the symbol length '" + std::string(length_text) + "' is negative");
      if (*length < static_cast<double>(symbol.size()))
        symbol = symbol.substr(0, static_cast<size_t>(*length));
    }
    if (!reader.kept(row)) continue;
    const size_t line = reader.line_number();
    if (!named) {
      append_record(out, {symbol, row[R::kDate], row[R::kOpen], row[R::kHigh], row[R::kLow],
                          row[R::kClose], row[R::kVolume]},
                    line, dates, &last);
      if (open_interest) append_eighth_field(out, "0");
      continue;
    }
    // Named layouts: a real date, and messages naming the file's columns.
    if (row[R::kDate] != last.field || last.text.empty())
      last = {std::string(row[R::kDate]), format_date(reader.row_date(row, dates), "yyyyMMdd")};
    out.append(symbol);
    constexpr std::array kNumberColumns = {R::kOpen, R::kHigh, R::kLow, R::kClose, R::kVolume};
    std::array<std::string_view, 5> numbers;
    for (size_t i = 0; i < numbers.size(); ++i) numbers[i] = row[kNumberColumns[i]];
    if (const size_t bad = append_date_and_numbers(out, last.text, numbers); bad < 5) {
      const R::Column c = kNumberColumns[bad];
      fail_at_line(line, "the " + std::string(reader.column_name(c)) + " value '" + shown(row[c]) +
                             "' is not a number");
    }
    if (open_interest) {
      const std::string_view deliverable = row[R::kDeliverable];
      std::string number;
      if (deliverable.empty() || deliverable == "-") number = "0";
      else if (!append_number(number, deliverable))
        fail_at_line(line, "the " + std::string(reader.column_name(R::kDeliverable)) + " value '" +
                               shown(deliverable) + "' is not a number");
      append_eighth_field(out, number);
    }
  }
}

}  // namespace quillon
