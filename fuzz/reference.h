// A second, deliberately plain implementation of the record rules, written
// without the program's fast paths: the fuzz targets compare the program's
// output and messages with what these functions say they must be.
#pragma once

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/dates.h"

namespace quillon::fuzz {

// Stops the fuzzer with a readable reason.
[[noreturn]] inline void fail(const std::string& why) {
  std::fprintf(stderr, "\nFUZZ CHECK FAILED: %s\n", why.c_str());
  std::abort();
}
#define FUZZ_CHECK(cond, why) \
  do {                          \
    if (!(cond)) ::quillon::fuzz::fail(std::string(#cond) + ": " + (why)); \
  } while (0)

inline std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

inline bool digit(char c) { return c >= '0' && c <= '9'; }

// Lines of a text: CR LF, LF or CR end a line; a final line end makes no
// extra line. Written one character at a time.
inline std::vector<std::string> lines_of(std::string_view text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      lines.back().push_back(text[i]);
      continue;
    }
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    lines.emplace_back();  // the line after it, dropped below when the text ends here
  }
  if (lines.back().empty() && (text.empty() || text.back() == '\r' || text.back() == '\n')) lines.pop_back();
  return lines;
}

inline std::vector<std::string> fields_of(const std::string& line) {
  std::vector<std::string> f(1);
  for (char c : line)
    if (c == ',') f.emplace_back(); else f.back().push_back(c);
  return f;
}
// Field i trimmed, or "" past the last.
inline std::string at(const std::vector<std::string>& f, size_t i) { return i < f.size() ? std::string(trim(f[i])) : ""; }

// A decimal number: optional sign, digits with an optional point (at least
// one digit), optional exponent.
inline bool number_syntax(std::string_view s) {
  size_t i = s.starts_with('+') || s.starts_with('-'), digits = 0;
  auto skip_digits = [&] {
    size_t from = i;
    while (i < s.size() && digit(s[i])) ++i;
    return i - from;
  };
  digits = skip_digits();
  if (i < s.size() && s[i] == '.') ++i, digits += skip_digits();
  if (digits > 0 && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    i += 1 + (i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-'));
    if (skip_digits() == 0) return false;
  }
  return digits > 0 && i == s.size();
}

// The number form: the value as a double, written like printf's "%.15g"
// (computed with <charconv>, never through the C locale), "-0" as "0".
inline std::optional<std::string> number_form(std::string_view field) {
  std::string_view s = trim(field);
  if (!number_syntax(s)) return std::nullopt;
  if (s.front() == '+') s.remove_prefix(1);
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v == 0 ? 0.0 : v, std::chars_format::general, 15);
  return std::string(buf, r.ptr);
}

// The date field: a date as YYYYMMDD, else a 32-bit whole number.
inline std::optional<std::string> date_form(std::string_view field, const DateReader& dates) {
  if (auto d = dates.parse(field)) {
    const std::string s = std::to_string(d->year * 10000 + d->month * 100 + d->day);
    return std::string(8 - std::min<size_t>(8, s.size()), '0') + s;
  }
  std::string_view s = trim(field);
  const size_t sign = s.starts_with('+') || s.starts_with('-');
  if (s.size() == sign || s.substr(sign).find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  if (s.starts_with('+')) s.remove_prefix(1);
  long long v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return std::to_string(v);
}

// One record: symbol, the date form of `date`, the number form of each of
// `numbers`; nothing when a field cannot be converted.
inline std::optional<std::string> record_of(const std::string& symbol, std::string_view date,
                                            std::initializer_list<std::string_view> numbers,
                                            const DateReader& dates) {
  auto d = date_form(date, dates);
  if (!d) return std::nullopt;
  std::string rec = symbol + "," + *d;
  for (std::string_view field : numbers) {
    auto v = number_form(field);
    if (!v) return std::nullopt;
    rec += "," + *v;
  }
  return rec;
}

// What a converter must do with one input: the whole output text, or the
// number of the first line that stops the run (0: the file has no line).
struct Expected {
  bool ok = true;
  size_t failing_line = 0;
  std::string output;
};

}  // namespace quillon::fuzz
