#include "base/records.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif


namespace quillon {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The most a number takes in the output: 15 significant digits with up to
// three zeros after the point, a sign, "0." (the plain form), or the
// general form of <charconv> ("-1.23456789012345e-308").
constexpr size_t kNumberRoom = 40;

// Exact text path: a plain decimal with at most 15 significant digits reads
// to a double whose 15-digit general form is that decimal again (15 is
// DBL_DIG), so it is written back directly without trailing zeros. Returns
// the end of what it wrote at `p`, or null when the text is not of that
// kind.
char* put_plain_decimal(char* p, std::string_view s) {
  const char* c = s.data();
  const char* const end = c + s.size();
  bool negative = false;
  if (c != end && (*c == '-' || *c == '+')) negative = *c++ == '-';
  const char* int_begin = c;
  while (c != end && is_digit(*c)) ++c;
  const char* int_end = c;
  const char* frac_begin = c;
  const char* frac_end = c;
  if (c != end && *c == '.') {
    frac_begin = ++c;
    while (c != end && is_digit(*c)) ++c;
    frac_end = c;
  }
  if (c != end || (int_begin == int_end && frac_begin == frac_end)) return nullptr;
  while (int_begin != int_end && *int_begin == '0') ++int_begin;
  while (frac_end != frac_begin && frac_end[-1] == '0') --frac_end;
  const auto int_digits = static_cast<size_t>(int_end - int_begin);
  const auto frac_digits = static_cast<size_t>(frac_end - frac_begin);
  if (int_digits == 0) {
    size_t zeros = 0;
    while (zeros < frac_digits && frac_begin[zeros] == '0') ++zeros;
    if (zeros == frac_digits) {  // the value is zero, "-0" included
      *p = '0';
      return p + 1;
    }
    if (zeros >= 4 || frac_digits - zeros > 15) return nullptr;  // an exponent, or too long
  } else if (int_digits + frac_digits > 15) {
    return nullptr;
  }
  if (negative) *p++ = '-';
  if (int_digits == 0) *p++ = '0';
  // The digits as they stand, the point between them included.
  const char* const last = frac_digits ? frac_end : int_end;
  const char* const first = int_digits ? int_begin : frac_digits ? frac_begin - 1 : last;
  std::memcpy(p, first, static_cast<size_t>(last - first));
  return p + (last - first);
}

// A number field in the output's form at `p` (kNumberRoom bytes there):
// the end of what it wrote, or null when the field is no number.
char* put_number(char* p, std::string_view field) {
  std::string_view s = trim(field);
  if (char* end = put_plain_decimal(p, s)) return end;
  // Exponents and long digit runs: read and write through the exact
  // conversions of <charconv>. One sign at most ("+-5" is no number).
  const bool plus = !s.empty() && s.front() == '+';
  if (plus) s.remove_prefix(1);
  if (s.empty() || !(is_digit(s.front()) || (s.front() == '-' && !plus) || s.front() == '.'))
    return nullptr;
  for (char c : s)
    if (!(is_digit(c) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return nullptr;
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return nullptr;
  if (v == 0) v = 0;  // no "-0"
  return std::to_chars(p, p + kNumberRoom, v, std::chars_format::general, 15).ptr;
}

}  // namespace

bool append_number(std::string& out, std::string_view field) {
  char buf[kNumberRoom];
  char* end = put_number(buf, field);
  if (end) out.append(buf, end);
  return end != nullptr;
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
  const char* start = line.data();
  const char* p = start;
  const char* const end = p + line.size();
  auto field_ends_at = [&](const char* comma) {
    if (count < max) fields[count] = std::string_view(start, static_cast<size_t>(comma - start));
    ++count;
    start = comma + 1;
  };
#ifdef __SSE2__
  // Sixteen bytes at a time: the commas among them as a bit mask.
  const __m128i comma = _mm_set1_epi8(',');
  for (; end - p >= 16; p += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    for (auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, comma))); mask;
         mask &= mask - 1)
      field_ends_at(p + __builtin_ctz(mask));
  }
#endif
  for (; p < end; ++p)
    if (*p == ',') field_ends_at(p);
  if (count < max) fields[count] = std::string_view(start, static_cast<size_t>(end - start));
  return count + 1;
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

void append_record(std::string& out, const EodFields& f, size_t line, const DateReader& dates,
                   LastDate* last) {
  out.append(f.symbol).push_back(',');
  if (last && f.date == last->field && !last->text.empty()) {
    out.append(last->text);
  } else {
    const size_t at = out.size();
    if (!append_date_field(out, f.date, dates))
      fail_at_line(line, "the date '" + shown(f.date) + "' is neither a date nor a whole number");
    if (last) last->field.assign(f.date), last->text.assign(out, at);
  }
  // The rest of the record in one piece.
  char buf[5 * (1 + kNumberRoom) + 2];
  char* p = buf;
  const std::string_view numbers[] = {f.open, f.high, f.low, f.close, f.volume};
  for (size_t i = 0; i < 5; ++i) {
    *p++ = ',';
    p = put_number(p, numbers[i]);
    if (!p)
      fail_at_line(line, std::string("the ") + kOutputFieldNames[i + 2] + " value '" +
                             shown(numbers[i]) + "' is not a number");
  }
  *p++ = '\r';
  *p++ = '\n';
  out.append(buf, p);
}

}  // namespace quillon
