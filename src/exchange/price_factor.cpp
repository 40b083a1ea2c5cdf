#include "exchange/price_factor.h"

#include <cmath>
#include <optional>
#include <string>

#include "base/text.h"

namespace quillon {

namespace {

bool is_letter(char c) { return c >= 'A' && c <= 'Z'; }  // the text is upper-cased

bool has(std::string_view text, std::string_view word) {
  return text.find(word) != std::string_view::npos;
}

// A number at [begin, end) of `s`: digits with at most one point between
// digits ("RS.5" is five: the point follows a letter).
double number_at(std::string_view s, size_t begin, size_t end) {
  double v = 0, scale = 0;
  for (size_t i = begin; i < end; ++i) {
    if (s[i] == '.') {
      scale = 1;
    } else {
      v = v * 10 + (s[i] - '0');
      scale *= 10;
    }
  }
  return scale > 0 ? v / scale : v;
}

bool inside_number(std::string_view s, size_t i) {
  if (is_digit(s[i])) return true;
  return s[i] == '.' && i > 0 && i + 1 < s.size() && is_digit(s[i - 1]) && is_digit(s[i + 1]);
}

// The last number that ends before `pos`.
std::optional<double> number_before(std::string_view s, size_t pos) {
  size_t end = pos;
  while (end > 0 && !is_digit(s[end - 1])) --end;
  if (end == 0) return std::nullopt;
  size_t begin = end;
  while (begin > 0 && inside_number(s, begin - 1)) --begin;
  return number_at(s, begin, end);
}

// The first number that starts at or after `pos`.
std::optional<double> number_after(std::string_view s, size_t pos) {
  size_t begin = pos;
  while (begin < s.size() && !is_digit(s[begin])) ++begin;
  if (begin == s.size()) return std::nullopt;
  size_t end = begin;
  while (end < s.size() && inside_number(s, end)) ++end;
  return number_at(s, begin, end);
}

bool names_bonus(std::string_view part) {
  for (size_t at = part.find("BON"); at != std::string_view::npos; at = part.find("BON", at + 1)) {
    const char next = at + 3 < part.size() ? part[at + 3] : ' ';
    if (next == 'U' || next == '-' || next == ' ' || next == ':' || is_digit(next)) return true;
  }
  return false;
}

bool names_face_value_change(std::string_view part) {
  return has(part, "SPLT") || has(part, "SPLIT") || has(part, "SUB-DIVISION") ||
         has(part, "SUBDIVISION") || has(part, "SUB DIVISION") || has(part, "CONSOL") ||
         (has(part, "FV") && has(part, "SPL"));
}

// B / (A + B) of the first "A:B".
std::optional<double> bonus_factor(std::string_view part) {
  for (size_t colon = part.find(':'); colon != std::string_view::npos;
       colon = part.find(':', colon + 1)) {
    size_t left = colon, right = colon + 1;
    while (left > 0 && part[left - 1] == ' ') --left;
    while (right < part.size() && part[right] == ' ') ++right;
    if (left == 0 || !is_digit(part[left - 1]) || right == part.size() || !is_digit(part[right]))
      continue;
    const double a = *number_before(part, left), b = *number_after(part, right);
    if (a > 0 && b > 0) return b / (a + b);
  }
  return std::nullopt;
}

// Y / X of the first "X TO Y" ("TO" not inside a word, though "TORS"
// and "TORE" are "TO RS", "TO RE").
std::optional<double> face_value_factor(std::string_view part) {
  for (size_t at = part.find("TO"); at != std::string_view::npos; at = part.find("TO", at + 1)) {
    const std::string_view after = part.substr(at + 2);
    if (at > 0 && is_letter(part[at - 1])) continue;
    if (!after.empty() && is_letter(after[0]) && !after.starts_with("RS") && !after.starts_with("RE"))
      continue;
    const std::optional<double> x = number_before(part, at), y = number_after(part, at + 2);
    if (x && y && *x > 0 && *y > 0) return *y / *x;
  }
  return std::nullopt;
}

}  // namespace

PriceFactor price_factor_of(std::string_view purpose) {
  const std::string text = upper_ascii(purpose);
  double product = 1;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != ';' &&
           !(text[end] == '/' && (end + 1 == text.size() || text[end + 1] != '-')))
      ++end;
    const std::string_view part = std::string_view(text).substr(start, end - start);
    start = end + 1;
    if (names_bonus(part) && !has(part, "DEB") && !has(part, "PREF") && !has(part, "NCRPS") &&
        !has(part, "DVR")) {
      const std::optional<double> f = bonus_factor(part);
      if (!f) return {PriceFactor::Kind::unreadable};
      product *= *f;
    }
    if (names_face_value_change(part)) {
      const std::optional<double> f = face_value_factor(part);
      if (!f) return {PriceFactor::Kind::unreadable};
      product *= *f;
    }
  }
  if (!std::isfinite(product) || product <= 0) return {PriceFactor::Kind::unreadable};
  if (product == 1) return {};
  return {PriceFactor::Kind::event, product};
}

}  // namespace quillon
