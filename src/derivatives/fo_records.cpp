#include "derivatives/fo_records.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>

#include "base/csv_columns.h"
#include "base/dates.h"
#include "base/records.h"
#include "base/text.h"

namespace quillon {

namespace {

constexpr size_t kNone = std::string::npos;

// In the order of FoRecords' columns; empty: the layout has none.
constexpr std::array<std::string_view, 11> kOldNames = {"INSTRUMENT", "SYMBOL", "EXPIRY_DT", "",      "TIMESTAMP", "OPEN",
                                                        "HIGH",       "LOW",    "CLOSE",     "CONTRACTS", "OPEN_INT"};
constexpr std::array<std::string_view, 11> kUdiffNames = {
    "FinInstrmTp", "TckrSymb", "XpryDt",  "FininstrmActlXpryDt", "TradDt",   "OpnPric",
    "HghPric",     "LwPric",   "ClsPric", "TtlTradgVol",         "OpnIntrst"};

// The exchange's dates: 2024-11-28, 25-Jul-2024, 05-JUL-2024.
const DateReader& exchange_dates() {
  static const DateReader reader("dd/MM/yyyy");
  return reader;
}

int32_t ymd(const Date& d) { return d.year * 10000 + d.month * 100 + d.day; }

// Field `index` of a line, found by counting commas: no split of the rest.
std::string_view field_at(std::string_view line, size_t index) {
  size_t start = 0;
  for (size_t i = 0; i < index; ++i) {
    const size_t comma = line.find(',', start);
    if (comma == std::string_view::npos) return {};
    start = comma + 1;
  }
  return line.substr(start, line.find(',', start) - start);
}

void append_symbol_date(std::string& out, std::string_view symbol, int32_t date) {
  char d[8];
  for (int i = 7; i >= 0; --i, date /= 10) d[i] = static_cast<char>('0' + date % 10);
  out.append(symbol).push_back(',');
  out.append(d, 8);
}

}  // namespace

void FoRecords::take(std::string_view piece) {
  std::string_view rest = piece;
  if (!carry_.empty()) {  // the line the last piece cut, completed
    const size_t end = rest.find_first_of("\r\n");
    if (carry_.back() == '\r') {
      carry_.pop_back();
      line(carry_);
      carry_.clear();
      if (!rest.empty() && rest.front() == '\n') rest.remove_prefix(1);
    } else if (end == std::string_view::npos) {
      carry_.append(rest);
      return;
    } else {
      carry_.append(rest.substr(0, end));
      rest.remove_prefix(end);
      if (rest.size() == 1 && rest.front() == '\r') {
        carry_.push_back('\r');
        return;
      }
      rest.remove_prefix(rest.starts_with("\r\n") ? 2 : 1);
      line(carry_);
      carry_.clear();
    }
  }
  for (;;) {
    const size_t end = rest.find_first_of("\r\n");
    if (end == std::string_view::npos || (rest[end] == '\r' && end + 1 == rest.size())) {
      carry_.assign(rest);  // a CR at the end: its LF may come with the next piece
      return;
    }
    line(rest.substr(0, end));
    rest.remove_prefix(end + (rest.substr(end).starts_with("\r\n") ? 2 : 1));
  }
}

void FoRecords::header(std::string_view text) {
  split_line(without_bom(text), fields_);
  udiff_ = !find_column(fields_, "INSTRUMENT").has_value();
  if (udiff_ && !find_column(fields_, "FinInstrmTp"))
    fail_at_line(1, "the header is neither the old F&O Bhavcopy's (INSTRUMENT) nor the UDiFF one's (FinInstrmTp)");
  const auto& names = udiff_ ? kUdiffNames : kOldNames;
  index_.assign(kColumns, kNone);
  for (size_t c = 0; c < kColumns; ++c) {
    if (names[c].empty()) continue;
    const std::optional<size_t> at = find_column(fields_, names[c]);
    const bool needed = c != kActualExpiry && (c != kOpenInterest || open_interest_);
    if (!at && needed) fail_at_line(1, "the header has no column " + std::string(names[c]));
    if (at) {
      index_[c] = *at;
      needed_ = std::max(needed_, *at + 1);
    }
  }
}

void FoRecords::line(std::string_view text) {
  ++line_number_;
  if (line_number_ == 1) return header(text);
  const std::string_view instrument = trim(field_at(text, index_[kInstrument]));
  const bool future = udiff_ ? instrument == "IDF" || instrument == "STF" : instrument == "FUTIDX" || instrument == "FUTSTK";
  if (!future) return;
  split_line(text, fields_);
  const auto& names = udiff_ ? kUdiffNames : kOldNames;
  auto value = [&](Column c) { return index_[c] == kNone ? std::string_view() : trim(fields_[index_[c]]); };
  if (fields_.size() < needed_)
    fail_at_line(line_number_, "the line has " + std::to_string(fields_.size()) + " fields, " +
                                   std::to_string(needed_) + " are needed");
  auto date = [&](Column c) {
    const std::optional<Date> d = exchange_dates().parse(value(c));
    if (!d)
      fail_at_line(line_number_, "the " + std::string(names[c]) + " value '" + shown(value(c)) + "' is not a date");
    return ymd(*d);
  };
  Row row;
  row.underlying = value(kSymbol);
  row.date = date(kDate);
  row.expiry = date(value(kActualExpiry).empty() ? kExpiry : kActualExpiry);
  std::string numbers[6];
  for (Column c : {kOpen, kHigh, kLow, kClose, kVolume, kOpenInterest}) {
    const size_t i = c - kOpen;
    if (c == kOpenInterest && (!open_interest_ || value(c).empty())) {
      numbers[i] = "0";
      continue;
    }
    if (!append_number(numbers[i], value(c)))
      fail_at_line(line_number_, "the " + std::string(names[c]) + " value '" + shown(value(c)) + "' is not a number");
  }
  for (size_t i = 0; i < 3; ++i)  // an untraded contract: its settlement close
    if (numbers[i] == "0") numbers[i] = numbers[3];
  for (size_t i = 0; i < (open_interest_ ? 6 : 5); ++i) row.values += "," + numbers[i];
  rows_.push_back(std::move(row));
}

void FoRecords::finish(std::string& out) {
  if (!carry_.empty()) {
    if (carry_.back() == '\r') carry_.pop_back();
    line(carry_);
    carry_.clear();
  }
  struct Record {
    std::string symbol;
    const Row* row;
  };
  std::vector<Record> records;
  records.reserve(rows_.size() * 2);
  // Each underlying's futures of a day by expiry, a later row of one counting.
  std::map<std::pair<std::string_view, int32_t>, std::map<int32_t, const Row*>> by_day;
  for (const Row& r : rows_) {
    const int yy = r.expiry / 10000 % 100;
    records.push_back({r.underlying + static_cast<char>('0' + yy / 10) + static_cast<char>('0' + yy % 10) +
                           std::string(month_abbrev(r.expiry / 100 % 100)) + "FUT",
                       &r});
    if (r.expiry >= r.date) by_day[{r.underlying, r.date}][r.expiry] = &r;
  }
  for (const auto& [key, expiries] : by_day) {
    static constexpr std::string_view kSeries[] = {"-I", "-II", "-III"};
    size_t n = 0;
    for (auto e = expiries.begin(); e != expiries.end() && n < 3; ++e, ++n)
      records.push_back({std::string(key.first) + std::string(kSeries[n]), e->second});
  }
  std::stable_sort(records.begin(), records.end(), [](const Record& a, const Record& b) {
    return a.symbol != b.symbol ? a.symbol < b.symbol : a.row->date < b.row->date;
  });
  for (const Record& r : records) {
    append_symbol_date(out, r.symbol, r.row->date);
    out.append(r.row->values).append(kCrLf);
  }
}

}  // namespace quillon
