#include "calendar/trading_calendar.h"

#include <charconv>

#include "base/text.h"

namespace quillon {

namespace {

// The cash market's holidays on weekdays, from the exchange's published lists.
constexpr std::string_view kHolidays[] = {
    "2024-01-22", "2024-01-26", "2024-03-08", "2024-03-25", "2024-03-29", "2024-04-11",
    "2024-04-17", "2024-05-01", "2024-05-20", "2024-06-17", "2024-07-17", "2024-08-15",
    "2024-10-02", "2024-11-01", "2024-11-15", "2024-11-20", "2024-12-25", "2025-02-26",
    "2025-03-14", "2025-03-31", "2025-04-10", "2025-04-14", "2025-04-18", "2025-05-01",
    "2025-08-15", "2025-08-27", "2025-10-02", "2025-10-21", "2025-10-22", "2025-11-05",
    "2025-12-25", "2026-01-15", "2026-01-26", "2026-03-03", "2026-03-26", "2026-03-31",
    "2026-04-03", "2026-04-14", "2026-05-01", "2026-05-28", "2026-06-26", "2026-09-14",
    "2026-10-02", "2026-10-20", "2026-11-10", "2026-11-24", "2026-12-25",
};

// Sessions that publish a Bhavcopy on a weekend or a holiday.
constexpr std::pair<std::string_view, std::string_view> kSessions[] = {
    {"2024-01-20", "Saturday session"},       {"2024-03-02", "Saturday session"},
    {"2024-05-18", "Saturday session"},       {"2025-02-01", "Saturday session"},
    {"2026-02-01", "Sunday session"},         {"2024-11-01", "Diwali evening session"},
    {"2025-10-21", "Diwali evening session"}, {"2026-11-08", "Diwali evening session"},
};

// A signed number reads too; the date check turns the sign away.
std::optional<int> number(std::string_view s) {
  int v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

std::chrono::sys_days to_days(Date d) {
  return std::chrono::year{d.year} / static_cast<unsigned>(d.month) / static_cast<unsigned>(d.day);
}

}  // namespace

std::optional<Date> parse_ymd(std::string_view t, char sep) {
  if (t.size() != 10 || t[4] != sep || t[7] != sep) return std::nullopt;
  auto y = number(t.substr(0, 4)), m = number(t.substr(5, 2)), d = number(t.substr(8, 2));
  if (!y || !m || !d || !is_valid_date(*y, *m, *d)) return std::nullopt;
  return Date{*y, *m, *d};
}

TradingCalendar::TradingCalendar() {
  for (std::string_view h : kHolidays) entries_[*parse_ymd(h, '-')] = {false, "Exchange holiday"};
  for (auto [day, what] : kSessions) entries_[*parse_ymd(day, '-')] = {true, std::string(what)};
}

std::vector<std::string> TradingCalendar::add_overrides(const Entries& entries) {
  std::vector<std::string> warnings;
  std::map<Date, Entry> added;
  for (const auto& [raw_key, raw_value] : entries) {
    const std::string_view key = trim(raw_key);
    std::string_view value = trim(raw_value);
    const std::string shown =
        "[" + std::string(kHolidaysSection) + "] " + raw_key + "=" + raw_value + ": ";
    auto day = parse_ymd(key, '-');
    if (!day) {
      warnings.push_back(shown + "the key is not a date written YYYY-MM-DD; entry ignored.");
      continue;
    }
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    const bool session = equal_ignoring_ascii_case(value.substr(0, 7), "session");
    if (!added.try_emplace(*day, Entry{session, std::string(value)}).second)
      warnings.push_back(shown + "the date is given twice; the first entry counts.");
  }
  for (auto& [day, entry] : added) {
    if (entry.description.empty()) entry.description = "Exchange holiday";
    entries_[day] = std::move(entry);
  }
  return warnings;
}

std::vector<std::string> TradingCalendar::add_overrides(std::string_view text) {
  Entries entries;
  std::vector<std::string> warnings;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\0'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    const size_t eq = line.find('=');
    if (eq != std::string_view::npos)
      entries.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    else if (!trim(line).empty())
      warnings.push_back("[" + std::string(kHolidaysSection) + "] " + std::string(line) +
                         ": no \"=\" in the entry; entry ignored.");
  }
  auto more = add_overrides(entries);
  warnings.insert(warnings.end(), more.begin(), more.end());
  return warnings;
}

DayInfo TradingCalendar::describe(Date d) const {
  if (auto it = entries_.find(d); it != entries_.end())
    return {it->second.session ? DayKind::trading : DayKind::holiday, it->second.description};
  const std::chrono::weekday wd{to_days(d)};
  if (wd == std::chrono::Saturday || wd == std::chrono::Sunday) return {DayKind::weekend, {}};
  return {};
}

bool TradingCalendar::knows_year(int year) const {
  for (auto it = entries_.lower_bound(Date{year, 1, 1}); it != entries_.end() && it->first.year == year; ++it)
    if (!it->second.session) return true;
  return false;
}

std::string TradingCalendar::fingerprint() const {
  std::string text;
  for (const auto& [day, entry] : entries_)
    text += format_date(day, "yyyyMMdd") + (entry.session ? "s" : "h") + ";";
  return text;
}

std::vector<Date> TradingCalendar::trading_days(Date from, Date to) const {
  std::vector<Date> days;
  for (Date d = from; d <= to; d = next_day(d))
    if (is_trading_day(d)) days.push_back(d);
  return days;
}

Date india_date(std::chrono::system_clock::time_point utc) {
  using namespace std::chrono;
  const year_month_day ymd{floor<days>(utc + hours(5) + minutes(30))};
  return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

}  // namespace quillon
