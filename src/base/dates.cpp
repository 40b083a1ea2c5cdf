#include "base/dates.h"

#include <array>

#include "base/text.h"

namespace quillon {

namespace {

constexpr std::array<std::string_view, 12> kAbbrev = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                      "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr std::array<std::string_view, 12> kFull = {
    "JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
    "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};

bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

void put2(std::string& s, int v) {
  s.push_back(static_cast<char>('0' + (v / 10) % 10));
  s.push_back(static_cast<char>('0' + v % 10));
}
void put4(std::string& s, int v) {
  put2(s, (v / 100) % 100);
  put2(s, v % 100);
}

// Month 1..12 from an English name or abbreviation, any case; 0 if none.
int month_from_name(std::string_view s) {
  if (s.size() < 3) return 0;
  for (int i = 0; i < 12; ++i) {
    std::string_view full = kFull[static_cast<size_t>(i)];
    if (s.size() != 3 && s.size() != full.size()) continue;
    bool ok = true;
    for (size_t k = 0; k < s.size() && ok; ++k) ok = upper_ascii(s[k]) == full[k];
    if (ok) return i + 1;
  }
  return 0;
}

int window_year(int value, size_t digits) {
  if (digits <= 2) return value < 30 ? 2000 + value : 1900 + value;
  return value;
}

// A well-formed time of day after a date ("08:31", "8:31:16", "8:31 PM").
bool is_time_of_day(std::string_view s) {
  size_t i = 0;
  int parts = 0;
  while (true) {
    size_t start = i;
    while (i < s.size() && is_digit(s[i])) ++i;
    if (i == start || i - start > 2) return false;
    ++parts;
    if (i < s.size() && s[i] == ':' && parts < 3) {
      ++i;
      continue;
    }
    break;
  }
  if (parts < 2) return false;
  while (i < s.size() && s[i] == ' ') ++i;
  std::string_view rest = s.substr(i);
  return rest.empty() || rest == "AM" || rest == "PM" || rest == "am" || rest == "pm";
}

}  // namespace

bool is_leap_year(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in_month(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2 && is_leap_year(y)) return 29;
  return kDays[m - 1];
}

bool is_valid_date(int y, int m, int d) {
  return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= days_in_month(y, m);
}

Date next_day(Date d) {
  if (d.day < days_in_month(d.year, d.month)) return {d.year, d.month, d.day + 1};
  if (d.month < 12) return {d.year, d.month + 1, 1};
  return {d.year + 1, 1, 1};
}

std::string choose_date_format(std::string_view short_date) {
  if (short_date.empty()) return {};
  switch (upper_ascii(short_date.front())) {
    case 'D': return "DD/MM/YYYY";
    case 'M': return "MM/DD/YYYY";
    case 'Y': return "YYYY/MM/DD";
    default: return {};
  }
}

char date_separator(std::string_view short_date) {
  bool seen_field = false;
  for (char c : short_date) {
    if (is_alpha(c)) {
      seen_field = true;
    } else if (seen_field && c != '\'') {
      // Only a separator the date reader accepts, so that the date boxes'
      // pre-fill always reads back.
      return (c == '-' || c == '.' || c == ' ') ? c : '/';
    }
  }
  return '/';
}

std::string prefill_date(const LocalDateTime& now, std::string_view fmt, char sep) {
  std::string s;
  if (fmt.empty()) {
    put4(s, now.year);
    s.push_back('-');
    put2(s, now.month);
    s.push_back('-');
    put2(s, now.day);
    s.push_back(' ');
    put2(s, now.hour);
    s.push_back(':');
    put2(s, now.minute);
    s.push_back(':');
    put2(s, now.second);
    return s;
  }
  for (size_t i = 0; i < fmt.size();) {
    if (fmt.compare(i, 4, "YYYY") == 0) {
      put4(s, now.year);
      i += 4;
    } else if (fmt.compare(i, 2, "MM") == 0) {
      put2(s, now.month);
      i += 2;
    } else if (fmt.compare(i, 2, "DD") == 0) {
      put2(s, now.day);
      i += 2;
    } else {
      s.push_back(fmt[i] == '/' ? sep : fmt[i]);
      ++i;
    }
  }
  return s;
}

std::string_view month_abbrev(int month) { return kAbbrev[static_cast<size_t>(month - 1)]; }

std::string format_date(const Date& d, std::string_view pattern) {
  if (pattern.empty()) pattern = "dd/MM/yyyy";
  std::string s;
  for (size_t i = 0; i < pattern.size();) {
    char c = pattern[i];
    size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    if (c == '\'') {
      size_t close = pattern.find('\'', i + 1);
      if (close == std::string_view::npos) close = pattern.size();
      s.append(pattern.substr(i + 1, close - i - 1));
      i = close + 1;
      continue;
    }
    if (c == 'd' && run <= 2) {
      if (run == 2 || d.day >= 10) put2(s, d.day); else s.push_back(static_cast<char>('0' + d.day));
    } else if (c == 'M' && run <= 2) {
      if (run == 2 || d.month >= 10) put2(s, d.month); else s.push_back(static_cast<char>('0' + d.month));
    } else if (c == 'M' && run == 3) {
      std::string_view a = month_abbrev(d.month);
      s.push_back(a[0]);
      for (size_t k = 1; k < a.size(); ++k) s.push_back(static_cast<char>(a[k] - 'A' + 'a'));
    } else if (c == 'M') {
      std::string_view f = kFull[static_cast<size_t>(d.month - 1)];
      s.push_back(f[0]);
      for (size_t k = 1; k < f.size(); ++k) s.push_back(static_cast<char>(f[k] - 'A' + 'a'));
    } else if (c == 'y' && run == 2) {
      put2(s, d.year % 100);
    } else if (c == 'y') {
      put4(s, d.year);
    } else {
      s.append(run, c);
    }
    i += run;
  }
  return s;
}

DateReader::DateReader(std::string_view pattern) {
  // The pattern's first character decides, as it decides the date boxes'
  // pre-fill (choose_date_format), so that the pre-fill always reads back.
  const char first = pattern.empty() ? '\0' : upper_ascii(pattern.front());
  if (first == 'D' || first == 'M' || first == 'Y') {
    order_ = first == 'D' ? Order::DMY : first == 'M' ? Order::MDY : Order::YMD;
    return;
  }
  size_t pd = pattern.find_first_of("d"), pm = pattern.find('M'), py = pattern.find('y');
  if (py != std::string_view::npos && (py < pd || pd == std::string_view::npos) &&
      (py < pm || pm == std::string_view::npos))
    order_ = Order::YMD;
  else if (pm != std::string_view::npos && (pm < pd || pd == std::string_view::npos))
    order_ = Order::MDY;
  else
    order_ = Order::DMY;
}

std::optional<Date> DateReader::parse(std::string_view text) const {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);

  // Up to three parts: runs of digits or letters, with one separator between.
  std::string_view part[3];
  bool alpha[3] = {false, false, false};
  size_t i = 0;
  int n = 0;
  char sep = 0;
  while (n < 3) {
    size_t start = i;
    if (i < text.size() && is_digit(text[i])) {
      while (i < text.size() && is_digit(text[i])) ++i;
    } else if (i < text.size() && is_alpha(text[i])) {
      while (i < text.size() && is_alpha(text[i])) ++i;
      alpha[n] = true;
    } else {
      return std::nullopt;
    }
    part[n++] = text.substr(start, i - start);
    if (n == 3) break;
    if (i >= text.size()) return std::nullopt;
    char c = text[i];
    if (c != '/' && c != '-' && c != '.' && c != ' ') return std::nullopt;
    if (sep != 0 && c != sep) return std::nullopt;
    sep = c;
    ++i;
  }
  std::string_view rest = text.substr(i);
  if (!rest.empty()) {
    // Only a time of day may follow, after a blank.
    if (rest.front() != ' ') return std::nullopt;
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    if (!is_time_of_day(rest)) return std::nullopt;
  }

  auto number = [](std::string_view s, size_t max_digits, int& out) {
    if (s.empty() || s.size() > max_digits) return false;
    int v = 0;
    for (char c : s) {
      if (!is_digit(c)) return false;
      v = v * 10 + (c - '0');
    }
    out = v;
    return true;
  };
  auto year_of = [&](std::string_view s, int& y) {
    if (s.size() != 2 && s.size() != 4) return false;
    if (!number(s, 4, y)) return false;
    y = window_year(y, s.size());
    return true;
  };

  int y = 0, m = 0, d = 0;
  if (alpha[1] && !alpha[0] && !alpha[2]) {
    // day-MON-year, the exchange's form.
    m = month_from_name(part[1]);
    if (m == 0 || !number(part[0], 2, d) || !year_of(part[2], y)) return std::nullopt;
  } else if (part[0].size() == 4) {  // a letter elsewhere is no number
    if (!number(part[0], 4, y) || !number(part[1], 2, m) || !number(part[2], 2, d))
      return std::nullopt;
  } else {
    std::string_view ds, ms, ys;
    switch (order_) {
      case Order::DMY: ds = part[0], ms = part[1], ys = part[2]; break;
      case Order::MDY: ms = part[0], ds = part[1], ys = part[2]; break;
      case Order::YMD: ys = part[0], ms = part[1], ds = part[2]; break;
    }
    if (!number(ds, 2, d) || !number(ms, 2, m) || !year_of(ys, y)) return std::nullopt;
  }
  if (!is_valid_date(y, m, d)) return std::nullopt;
  return Date{y, m, d};
}

}  // namespace quillon
