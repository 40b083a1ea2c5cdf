// The day files of the source folder ("yyyy_mm_dd.csv", one Bhavcopy a
// trading day) against the trading calendar: which days are there, which are
// missing, the state of each day for the calendar view, and what a catch-up
// run has to fetch.
#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/dates.h"
#include "calendar/trading_calendar.h"

namespace quillon {

// BSE's day files start with this: "BSE_2024_07_08.csv", apart from the
// exchange's day file of the same date.
inline constexpr std::string_view kBseDayFilePrefix = "BSE_";

// The day of a day file name: exactly `prefix` + "yyyy_mm_dd.csv" with month
// and day in two digits, as the download writes it, and a real date. The
// prefix and the ".csv" may be in any letter case, since the folder listing
// and the converter ignore it; "2024_7_8.csv" and names with anything else
// before or after are not day files (with no prefix, "BSE_2024_07_08.csv"
// is none).
std::optional<Date> day_file_date(std::string_view file_name, std::string_view prefix = {});

class DayFiles {
 public:
  // From the bare file names of the source folder; other names are ignored.
  explicit DayFiles(const std::vector<std::string>& file_names, std::string_view prefix = {});

  // The prefix of the names taken, "" or kBseDayFilePrefix.
  const std::string& prefix() const { return prefix_; }
  bool empty() const { return days_.empty(); }
  bool has(Date d) const { return days_.count(d) != 0; }
  std::optional<Date> oldest() const;
  std::optional<Date> newest() const;
  // The trading days from `from` to `to`, both included, without a day file.
  std::vector<Date> missing(const TradingCalendar& calendar, Date from, Date to) const;

 private:
  std::string prefix_;
  std::set<Date> days_;
};

// The state of a day in the calendar view. A day file makes a day present
// whatever the calendar says; otherwise non-trading days are a holiday or a
// weekend, trading days after today are future, today's missing file is not
// published yet, and an earlier one is missing.
enum class DayState { present, missing, not_published, holiday, weekend, future };
inline constexpr int kDayStateCount = 6;

struct CalendarDay {
  Date date;
  DayState state = DayState::present;
};

struct DayStates {
  std::vector<CalendarDay> days;  // every day from the range's start to its end
  std::array<int, kDayStateCount> counts{};
  int count(DayState s) const { return counts[static_cast<size_t>(s)]; }
};

DayStates day_states(const TradingCalendar& calendar, const DayFiles& files, Date from, Date to,
                     Date today);

// What a catch-up run fetches: the trading days from the day after the
// newest day file (or from --from) up to today that have no day file yet.
struct CatchUpPlan {
  Date from;                   // the range's first day
  Date today;                  // its last day
  std::vector<Date> to_fetch;  // oldest first
  bool fetches_today = false;  // the last day to fetch is today (it may not be published)
  int already_there = 0;       // trading days of the range that have a day file
};

// No day file and no --from: the run has nowhere to start.
struct NoStartDay {
  std::string message;
};

std::variant<CatchUpPlan, NoStartDay> plan_catch_up(const TradingCalendar& calendar,
                                                    const DayFiles& files, std::optional<Date> from,
                                                    Date today);

}  // namespace quillon
