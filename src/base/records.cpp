#include "base/records.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>


namespace quillon {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Exact text path: a plain decimal with at most 15 significant digits reads
// to a double whose 15-digit general form is that decimal again (15 is
// DBL_DIG), so it is written back directly without trailing zeros. Returns
// false when the text is not of that kind.
bool append_plain_decimal(std::string& out, std::string_view s) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  size_t int_start = i;
  while (i < s.size() && is_digit(s[i])) ++i;
  std::string_view int_part = s.substr(int_start, i - int_start);
  std::string_view frac_part;
  if (i < s.size() && s[i] == '.') {
    size_t frac_start = ++i;
    while (i < s.size() && is_digit(s[i])) ++i;
    frac_part = s.substr(frac_start, i - frac_start);
  }
  if (i != s.size() || (int_part.empty() && frac_part.empty())) return false;
  while (!int_part.empty() && int_part.front() == '0') int_part.remove_prefix(1);
  while (!frac_part.empty() && frac_part.back() == '0') frac_part.remove_suffix(1);
  size_t significant;
  if (!int_part.empty()) {
    significant = int_part.size() + frac_part.size();
  } else {
    size_t zeros = 0;
    while (zeros < frac_part.size() && frac_part[zeros] == '0') ++zeros;
    if (zeros == frac_part.size()) {  // the value is zero, "-0" included
      out.push_back('0');
      return true;
    }
    if (zeros >= 4) return false;  // written with an exponent
    significant = frac_part.size() - zeros;
  }
  if (significant > 15) return false;
  if (negative) out.push_back('-');
  if (int_part.empty())
    out.push_back('0');
  else
    out.append(int_part);
  if (!frac_part.empty()) {
    out.push_back('.');
    out.append(frac_part);
  }
  return true;
}

}  // namespace

bool append_number(std::string& out, std::string_view field) {
  std::string_view s = trim(field);
  if (append_plain_decimal(out, s)) return true;
  // Exponents and long digit runs: read and write through the exact
  // conversions of <charconv>. One sign at most ("+-5" is no number).
  const bool plus = !s.empty() && s.front() == '+';
  if (plus) s.remove_prefix(1);
  if (s.empty() || !(is_digit(s.front()) || (s.front() == '-' && !plus) || s.front() == '.'))
    return false;
  for (char c : s)
    if (!(is_digit(c) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return false;
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return false;
  if (v == 0) v = 0;  // no "-0"
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
  out.append(buf, res.ptr);
  return true;
}

bool append_date_field(std::string& out, std::string_view field, const DateReader& dates) {
  if (auto d = dates.parse(field)) {
    char buf[8];
    int y = d->year, m = d->month, day = d->day;
    buf[0] = static_cast<char>('0' + y / 1000);
    buf[1] = static_cast<char>('0' + y / 100 % 10);
    buf[2] = static_cast<char>('0' + y / 10 % 10);
    buf[3] = static_cast<char>('0' + y % 10);
    buf[4] = static_cast<char>('0' + m / 10);
    buf[5] = static_cast<char>('0' + m % 10);
    buf[6] = static_cast<char>('0' + day / 10);
    buf[7] = static_cast<char>('0' + day % 10);
    out.append(buf, 8);
    return true;
  }
  std::string_view s = trim(field);
  if (!s.empty() && s.front() == '+') {
    s.remove_prefix(1);
    if (!s.empty() && s.front() == '-') return false;  // one sign at most
  }
  int32_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return false;
  char buf[16];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, res.ptr);
  return true;
}

bool LineReader::next(std::string_view& line) {
  if (pos_ >= data_.size()) return false;
  const char* base = data_.data();
  const char* p = base + pos_;
  const char* end = base + data_.size();
  // Find the first CR or LF.
  const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
  const char* stop = nl ? nl : end;
  const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(stop - p)));
  ++line_;
  if (cr) {
    line = std::string_view(p, static_cast<size_t>(cr - p));
    pos_ = static_cast<size_t>(cr - base) + ((cr + 1 < end && cr[1] == '\n') ? 2 : 1);
  } else {
    line = std::string_view(p, static_cast<size_t>(stop - p));
    pos_ = static_cast<size_t>(stop - base) + (nl ? 1 : 0);
  }
  return true;
}

size_t split_fields(std::string_view line, std::string_view* fields, size_t max) {
  size_t count = 0;
  const char* p = line.data();
  const char* end = p + line.size();
  for (;;) {
    // An empty line may have no characters at all (data() null): memchr must not see it.
    const char* comma =
        p == end ? nullptr : static_cast<const char*>(std::memchr(p, ',', static_cast<size_t>(end - p)));
    const char* stop = comma ? comma : end;
    if (count < max) fields[count] = std::string_view(p, static_cast<size_t>(stop - p));
    ++count;
    if (!comma) return count;
    p = comma + 1;
  }
}

void fail_at_line(size_t line, const std::string& what) {
  throw Error("line " + std::to_string(line) + ": " + what);
}

std::string shown(std::string_view text) {
  std::string s;
  for (char c : text.substr(0, 40)) s.push_back(is_control_ascii(c) ? '?' : c);
  if (text.size() > 40) s += "...";
  return s;
}

void append_record(std::string& out, const EodFields& f, size_t line, const DateReader& dates) {
  out.append(f.symbol).push_back(',');
  if (!append_date_field(out, f.date, dates))
    fail_at_line(line, "the date '" + shown(f.date) + "' is neither a date nor a whole number");
  const std::string_view numbers[] = {f.open, f.high, f.low, f.close, f.volume};
  for (size_t i = 0; i < 5; ++i) {
    out.push_back(',');
    if (!append_number(out, numbers[i]))
      fail_at_line(line, std::string("the ") + kOutputFieldNames[i + 2] + " value '" +
                             shown(numbers[i]) + "' is not a number");
  }
  out.append(kCrLf);
}

}  // namespace quillon
