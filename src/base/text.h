// ASCII text helpers shared by every layer: letter case and blanks, never
// through the C locale.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace quillon {

inline constexpr std::string_view kCrLf = "\r\n";

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }
inline char upper_ascii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
inline char lower_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The text with ASCII letters upper-cased (nothing else changed).
inline std::string upper_ascii(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = upper_ascii(c);
  return u;
}

// A C0 control character or DEL.
inline bool is_control_ascii(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7f;
}

inline bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return upper_ascii(x) == upper_ascii(y);
         });
}

// The text without the `blanks` characters at its ends (blanks and tabs
// unless told).
inline std::string_view trim(std::string_view s, std::string_view blanks) {
  const size_t first = s.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}
// Without spaces and tabs at either end (the form every data field is
// read in: a direct test, as it runs for every field of every row).
inline std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace quillon
