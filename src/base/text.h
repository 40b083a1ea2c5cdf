// ASCII text helpers shared by every layer.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace quillon {

inline constexpr std::string_view kCrLf = "\r\n";

// The text with ASCII letters upper-cased (nothing else changed).
inline std::string upper_ascii(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
}

inline bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
  auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return up(x) == up(y); });
}

}  // namespace quillon
