// The exchange's trading calendar: which days publish a Bhavcopy. A day is a
// trading day when it is a Monday to Friday and not an exchange holiday, or
// when it is a special session (a weekend session, the Diwali evening
// session). The program knows the cash market's days of 2024-2026; the
// settings section [QN_Holidays] adds or overrides dates. Also the India
// date of a moment, for "today".
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/dates.h"

namespace quillon {

inline constexpr std::string_view kHolidaysSection = "QN_Holidays";

// Exactly "YYYY" sep "MM" sep "DD" (digits only, month and day in two
// digits) naming a real date; nothing for anything else.
std::optional<Date> parse_ymd(std::string_view text, char separator);

enum class DayKind { trading, weekend, holiday };

struct DayInfo {
  DayKind kind = DayKind::trading;
  // A holiday's description, or a special session's; empty otherwise.
  std::string description;
};

class TradingCalendar {
 public:
  using Entries = std::vector<std::pair<std::string, std::string>>;

  // The built-in holidays and special sessions. Where a date is listed both
  // as a holiday and as a session (Diwali: a holiday with an evening
  // session), the session wins.
  TradingCalendar();

  // Adds the [QN_Holidays] entries, replacing what is known of their dates:
  // keys "YYYY-MM-DD"; a value beginning with "session" in any letter case
  // marks a special session, any other value a holiday it describes. Blanks
  // around keys and values and one pair of double quotes around a value are
  // dropped; the first entry of a date counts. Returns a warning naming each
  // entry that is not used (bad key, no "=", a date given twice).
  std::vector<std::string> add_overrides(const Entries& entries);
  // The same from the section's text as the settings reader returns it:
  // "key=value" lines, each followed by a NUL character.
  std::vector<std::string> add_overrides(std::string_view section_text);

  // Dates must be valid. A session or holiday of the lists wins over the
  // weekend: a listed holiday on a Saturday is a holiday.
  DayInfo describe(Date d) const;
  bool is_trading_day(Date d) const { return describe(d).kind == DayKind::trading; }
  // Whether the calendar knows the holidays of `year`: the built-in ones, or
  // a year [QN_Holidays] names a holiday in. Other years count only
  // weekends out.
  bool knows_year(int year) const;
  // Every date the calendar knows beyond the weekends, with what it knows:
  // two calendars that give the same text tell every day alike.
  std::string fingerprint() const;
  // The trading days from `from` to `to`, both included, oldest first.
  std::vector<Date> trading_days(Date from, Date to) const;

 private:
  struct Entry {
    bool session = false;
    std::string description;
  };
  std::map<Date, Entry> entries_;
};

// The date in India (UTC+5:30, no daylight saving) at a moment.
Date india_date(std::chrono::system_clock::time_point utc);

}  // namespace quillon
