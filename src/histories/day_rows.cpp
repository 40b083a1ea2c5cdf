#include "histories/day_rows.h"

#include <charconv>
#include <cstring>
#include <cmath>
#include <limits>

#include "base/records.h"
#include "base/text.h"
#include "exchange/bhavcopy_layouts.h"

namespace quillon {

namespace {

// "[-]digits[.digits]" with at most two decimals once trailing zeros go, and
// less than 2^31 paise: the paise. The text of a number in the output's form
// or a field as the exchange writes it.
bool plain_paise(std::string_view s, int64_t limit, int64_t& paise) {
  const bool minus = !s.empty() && s.front() == '-';
  if (minus) s.remove_prefix(1);
  int64_t v = 0;
  size_t i = 0, digits = 0;
  for (; i < s.size() && is_digit(s[i]); ++i, ++digits) {
    if (digits == 12) return false;
    v = v * 10 + (s[i] - '0');
  }
  int decimals = 0;
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && is_digit(s[i]); ++i) {
      if (decimals == 2) {
        if (s[i] != '0') return false;
        continue;
      }
      v = v * 10 + (s[i] - '0');
      ++decimals;
      ++digits;
    }
  }
  if (i != s.size() || digits == 0) return false;
  for (; decimals < 2; ++decimals) v *= 10;
  if (v > limit) return false;
  paise = minus ? -v : v;
  return true;
}

// A number field as the date-wise conversion reads it.
enum class Number { narrow, wide, bad };

// A price: `paise` when exact, else `value`.
Number read_price(std::string_view field, int32_t& paise, double& value) {
  int64_t p = 0;
  if (plain_paise(trim(field), std::numeric_limits<int32_t>::max(), p)) {
    paise = static_cast<int32_t>(p);
    value = static_cast<double>(p) / 100;
    return Number::narrow;
  }
  std::string form;
  if (!append_number(form, field)) return Number::bad;
  std::from_chars(form.data(), form.data() + form.size(), value);
  return Number::wide;
}

// A volume: a whole number below 2^32 - 1 in `shares`, else `value`.
Number read_volume(std::string_view field, uint32_t& shares, double& value) {
  int64_t p = 0;
  if (plain_paise(trim(field), int64_t{std::numeric_limits<uint32_t>::max() - 1} * 100, p) && p >= 0 &&
      p % 100 == 0) {
    shares = static_cast<uint32_t>(p / 100);
    value = static_cast<double>(shares);
    return Number::narrow;
  }
  std::string form;
  if (!append_number(form, field)) return Number::bad;
  std::from_chars(form.data(), form.data() + form.size(), value);
  return Number::wide;
}

}  // namespace

RowValues values_of(const DayRow& row, const std::vector<WideRow>& wide) {
  if (row.open == kWideRow) {
    const WideRow& w = wide[row.volume];
    return {w.open, w.high, w.low, w.close, w.prev_close, w.volume, w.deliverable};
  }
  return {row.open / 100.0, row.high / 100.0, row.low / 100.0, row.close / 100.0,
          row.prev_close == kNoPrice ? std::nan("") : row.prev_close / 100.0,
          static_cast<double>(row.volume)};
}

void read_day_rows(std::string_view data, std::optional<double> symbol_length,
                   std::string_view length_text, const DateReader& dates, DayFileRows& out,
                   bool open_interest) {
  using R = BhavcopyReader;
  out.rows.clear();
  out.wide.clear();
  R reader(data);
  R::Row row;
  std::string_view last_date_field;
  int32_t last_date = 0;
  while (reader.next(row)) {
    std::string_view symbol = row[R::kSymbol];
    if (symbol_length) {
      if (*symbol_length < 0)
        fail_at_line(reader.line_number(),
                     "the symbol length '" + std::string(length_text) + "' is negative");
      if (*symbol_length < static_cast<double>(symbol.size()))
        symbol = symbol.substr(0, static_cast<size_t>(*symbol_length));
    }
    if (!reader.kept(row)) continue;
    const size_t line = reader.line_number();
    if (symbol.empty()) fail_at_line(line, "the row has no " + std::string(reader.column_name(R::kSymbol)));
    if (last_date == 0 || row[R::kDate] != last_date_field) {
      const Date d = reader.row_date(row, dates);
      last_date = d.year * 10000 + d.month * 100 + d.day;
      last_date_field = row[R::kDate];
    }
    DayRow day{.date = last_date};
    WideRow wide{};
    bool narrow = true;
    const std::pair<R::Column, int32_t DayRow::*> prices[] = {
        {R::kOpen, &DayRow::open}, {R::kHigh, &DayRow::high}, {R::kLow, &DayRow::low}, {R::kClose, &DayRow::close}};
    double* const wide_prices[] = {&wide.open, &wide.high, &wide.low, &wide.close};
    for (size_t i = 0; i < 4; ++i) {
      const Number got = read_price(row[prices[i].first], day.*prices[i].second, *wide_prices[i]);
      if (got == Number::bad)
        fail_at_line(line, "the " + std::string(reader.column_name(prices[i].first)) + " value '" +
                               shown(row[prices[i].first]) + "' is not a number");
      narrow = narrow && got == Number::narrow;
    }
    const Number volume = read_volume(row[R::kVolume], day.volume, wide.volume);
    if (volume == Number::bad)
      fail_at_line(line, "the " + std::string(reader.column_name(R::kVolume)) + " value '" +
                             shown(row[R::kVolume]) + "' is not a number");
    narrow = narrow && volume == Number::narrow;
    // The previous close only finds events: one that is no price is none.
    const Number prev = read_price(row[R::kPrevClose], day.prev_close, wide.prev_close);
    if (prev == Number::bad || !(wide.prev_close > 0)) {
      day.prev_close = kNoPrice;
      wide.prev_close = std::nan("");
    } else if (prev == Number::wide) {
      narrow = false;
    }
    const std::string_view deliverable = row[R::kDeliverable];
    if (open_interest && !deliverable.empty() && deliverable != "-") {
      uint32_t whole = 0;
      if (read_volume(deliverable, whole, wide.deliverable) == Number::bad)
        fail_at_line(line, "the " + std::string(reader.column_name(R::kDeliverable)) + " value '" +
                               shown(deliverable) + "' is not a number");
      narrow = narrow && wide.deliverable == 0;
    }
    if (!narrow) {
      day.open = kWideRow;
      day.volume = static_cast<uint32_t>(out.wide.size());
      out.wide.push_back(wide);
    }
    out.rows.push_back({symbol, trim(row[R::kIsin]), day});
  }
}

char* put_fixed(char* p, int64_t units, int decimals) {
  char buf[24];
  char* const end = buf + sizeof buf;
  char* q = end;
  const bool minus = units < 0;
  uint64_t v = minus ? 0 - static_cast<uint64_t>(units) : static_cast<uint64_t>(units);
  bool digits = false;  // of the fraction, once one is not a trailing zero
  for (int i = 0; i < decimals; ++i, v /= 10) {
    const auto d = static_cast<char>('0' + v % 10);
    if (d != '0' || digits) {
      *--q = d;
      digits = true;
    }
  }
  if (digits) *--q = '.';
  do {
    *--q = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  if (minus) *--q = '-';
  std::memcpy(p, q, static_cast<size_t>(end - q));
  return p + (end - q);
}

void append_fixed(std::string& out, int64_t units, int decimals) {
  char buf[24];
  out.append(buf, put_fixed(buf, units, decimals));
}

void append_paise(std::string& out, int64_t paise) { append_fixed(out, paise, 2); }

void append_value(std::string& out, double value) {
  if (value == 0) value = 0;  // no "-0"
  char buf[40];
  out.append(buf, std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15).ptr);
}

}  // namespace quillon
