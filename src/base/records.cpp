#include "base/records.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "base/text.h"

namespace quillon {

namespace {

// The most a number takes in the output: 15 significant digits with up to
// three zeros after the point, a sign, "0." (the plain form), or the
// general form of <charconv> ("-1.23456789012345e-308").
constexpr size_t kNumberRoom = 40;
static_assert(kNumberRoom >= 16);

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

#ifdef __SSE2__
inline uint64_t load_up_to_8(const char* s, size_t n) {  // s[0, n) in the low bytes, zeros above
  uint64_t a = 0, b = 0;
  if (n >= 4) {
    uint32_t x, y;
    std::memcpy(&x, s, 4);
    std::memcpy(&y, s + n - 4, 4);
    a = x;
    if (n > 4) b = static_cast<uint64_t>(y >> ((8 - n) * 8)) << 32;
    return a | b;
  }
  if (n >= 1) a = static_cast<unsigned char>(s[0]);
  if (n >= 2) a |= static_cast<uint64_t>(static_cast<unsigned char>(s[1])) << 8;
  if (n >= 3) a |= static_cast<uint64_t>(static_cast<unsigned char>(s[2])) << 16;
  return a;
}

// The usual price or volume ("1234.50", "906704324"): digits and at most
// one point, 16 bytes at most, starting with a digit 1 to 9. All sixteen
// bytes are classified at once instead of a branch per character. Writes
// 16 bytes at `p` and returns the end of the number there, or null for
// anything else (put_plain_decimal's business).
inline char* put_usual_decimal(char* p, std::string_view s) {
  const size_t n = s.size();
  if (n == 0 || n > 16 || s[0] < '1' || s[0] > '9') return nullptr;
  uint64_t low, high = 0;
  if (n >= 8) {
    std::memcpy(&low, s.data(), 8);
    if (n > 8) {
      std::memcpy(&high, s.data() + n - 8, 8);
      high >>= (16 - n) * 8;
    }
  } else {
    low = load_up_to_8(s.data(), n);
  }
  const __m128i v = _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
  const __m128i offset = _mm_sub_epi8(v, _mm_set1_epi8('0'));
  const auto digits = static_cast<unsigned>(
      _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8(9)), offset)));
  const auto points = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('.'))));
  const unsigned within = (1u << n) - 1;
  if (((digits | points) & within) != within || (points & (points - 1)) != 0) return nullptr;
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
  if (!points) return n <= 15 ? p + n : nullptr;
  // Up to the last nonzero digit after the point, or up to the point.
  const unsigned after_point = within & ~((points << 1) - 1);
  const auto zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('0'))));
  const unsigned kept = after_point & digits & ~zeros;
  return p + (kept ? 32 - __builtin_clz(kept) : __builtin_ctz(points));
}
#endif

// put_number past its usual case.
char* put_unusual_number(char* p, std::string_view field) {
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

// A number field in the output's form at `p` (kNumberRoom bytes there):
// the end of what it wrote, or null when the field is no number.
inline char* put_number(char* p, std::string_view field) {
#ifdef __SSE2__
  if (char* end = put_usual_decimal(p, field)) return end;
#endif
  return put_unusual_number(p, field);
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

namespace {

// The first CR or LF from `p` on, or `end`.
const char* line_end(const char* p, const char* end) {
#ifdef __SSE2__
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; end - p >= 16; p += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (const auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)))))
      return p + __builtin_ctz(mask);
  }
#endif
  while (p < end && *p != '\r' && *p != '\n') ++p;
  return p;
}

}  // namespace

bool LineReader::next(std::string_view& line) {
  if (pos_ >= data_.size()) return false;
  const char* p = data_.data() + pos_;
  const char* stop = line_end(p, data_.data() + data_.size());
  line = std::string_view(p, static_cast<size_t>(stop - p));
  move_past(stop);
  return true;
}

void LineReader::move_past(const char* stop) {
  const char* end = data_.data() + data_.size();
  ++line_;
  pos_ = static_cast<size_t>(stop - data_.data());
  if (stop != end) pos_ += (*stop == '\r' && stop + 1 < end && stop[1] == '\n') ? 2 : 1;
}

namespace {

// Splits the text from `p` at every "," up to the first CR or LF (or `end`),
// which `stop` is set to. Stores at most `max` fields and returns how many
// there are in all.
size_t split_up_to_line_end(const char* p, const char* end, std::string_view* fields, size_t max,
                            const char*& stop) {
  size_t count = 0;
  const char* start = p;
  auto field_ends_at = [&](const char* comma) {
    if (count < max) fields[count] = std::string_view(start, static_cast<size_t>(comma - start));
    ++count;
    start = comma + 1;
  };
  stop = nullptr;
#ifdef __SSE2__
  // Sixteen bytes at a time: the commas and the line ends among them as bit
  // masks.
  const __m128i comma = _mm_set1_epi8(','), cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; end - p >= 16 && !stop; p += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    auto commas = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, comma)));
    if (const auto ends = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf))))) {
      commas &= (ends & (0u - ends)) - 1;  // those before the line end
      stop = p + __builtin_ctz(ends);
    }
    for (; commas; commas &= commas - 1) field_ends_at(p + __builtin_ctz(commas));
  }
#endif
  for (; !stop && p < end; ++p) {
    if (*p == '\r' || *p == '\n') stop = p;
    else if (*p == ',') field_ends_at(p);
  }
  if (!stop) stop = end;
  if (count < max) fields[count] = std::string_view(start, static_cast<size_t>(stop - start));
  return count + 1;
}

}  // namespace

size_t LineReader::next_fields(std::string_view* fields, size_t max) {
  if (pos_ >= data_.size()) return 0;
  const char* stop = nullptr;
  const size_t count =
      split_up_to_line_end(data_.data() + pos_, data_.data() + data_.size(), fields, max, stop);
  move_past(stop);
  return count;
}

size_t split_fields(std::string_view line, std::string_view* fields, size_t max) {
  const char* stop = nullptr;  // the end: a line holds no line end
  return split_up_to_line_end(line.data(), line.data() + line.size(), fields, max, stop);
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

size_t append_date_and_numbers(std::string& out, std::string_view date,
                               const std::array<std::string_view, 5>& numbers) {
  char buf[1 + 8 + 5 * (1 + kNumberRoom) + 2];
  char* p = buf;
  *p++ = ',';
  if (date.size() == 8) {  // YYYYMMDD: eight bytes copied as one
    std::memcpy(p, date.data(), 8);
    p += 8;
  } else {  // a whole number
    out.append(buf, p).append(date);
    p = buf;
  }
  for (size_t i = 0; i < 5; ++i) {
    *p++ = ',';
    p = put_number(p, numbers[i]);
    if (!p) return i;
  }
  *p++ = '\r';
  *p++ = '\n';
  out.append(buf, p);
  return 5;
}

void append_eighth_field(std::string& out, std::string_view field) {
  out.resize(out.size() - 2);  // the CR LF
  out.push_back(',');
  out.append(field).append("\r\n");
}

void append_record(std::string& out, const EodFields& f, size_t line, const DateReader& dates,
                   LastDate* last) {
  LastDate here;
  if (!last) last = &here;
  if (f.date != last->field || last->text.empty()) {
    last->text.clear();
    if (!append_date_field(last->text, f.date, dates))
      fail_at_line(line, "the date '" + shown(f.date) + "' is neither a date nor a whole number");
    last->field.assign(f.date);
  }
  out.append(f.symbol);
  const std::array numbers = {f.open, f.high, f.low, f.close, f.volume};
  if (const size_t bad = append_date_and_numbers(out, last->text, numbers); bad < 5)
    fail_at_line(line, std::string("the ") + kOutputFieldNames[bad + 2] + " value '" +
                           shown(numbers[bad]) + "' is not a number");
}

}  // namespace quillon
