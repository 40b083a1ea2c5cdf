#include "calendar/day_files.h"

#include "base/text.h"

namespace quillon {

static_assert(static_cast<int>(DayState::future) + 1 == kDayStateCount);

std::optional<Date> day_file_date(std::string_view name, std::string_view prefix) {
  if (name.size() != prefix.size() + 14 || !equal_ignoring_ascii_case(name.substr(0, prefix.size()), prefix))
    return std::nullopt;
  name.remove_prefix(prefix.size());
  if (!equal_ignoring_ascii_case(name.substr(10), ".csv")) return std::nullopt;
  return parse_ymd(name.substr(0, 10), '_');
}

DayFiles::DayFiles(const std::vector<std::string>& file_names, std::string_view prefix) : prefix_(prefix) {
  for (const std::string& name : file_names)
    if (auto d = day_file_date(name, prefix)) days_.insert(*d);
}

std::optional<Date> DayFiles::oldest() const {
  if (days_.empty()) return std::nullopt;
  return *days_.begin();
}

std::optional<Date> DayFiles::newest() const {
  if (days_.empty()) return std::nullopt;
  return *days_.rbegin();
}

std::vector<Date> DayFiles::missing(const TradingCalendar& calendar, Date from, Date to) const {
  std::vector<Date> days;
  for (Date d : calendar.trading_days(from, to))
    if (!has(d)) days.push_back(d);
  return days;
}

DayStates day_states(const TradingCalendar& calendar, const DayFiles& files, Date from, Date to,
                     Date today) {
  DayStates out;
  for (Date d = from; d <= to; d = next_day(d)) {
    DayState s = DayState::missing;
    const DayKind kind = calendar.describe(d).kind;
    if (files.has(d))
      s = DayState::present;
    else if (kind == DayKind::holiday)
      s = DayState::holiday;
    else if (kind == DayKind::weekend)
      s = DayState::weekend;
    else if (d > today)
      s = DayState::future;
    else if (d == today)
      s = DayState::not_published;
    out.days.push_back({d, s});
    ++out.counts[static_cast<size_t>(s)];
  }
  return out;
}

std::variant<CatchUpPlan, NoStartDay> plan_catch_up(const TradingCalendar& calendar,
                                                    const DayFiles& files, std::optional<Date> from,
                                                    Date today) {
  if (!from && files.empty())
    return NoStartDay{"The source folder holds no day file (" + files.prefix() +
                      "yyyy_mm_dd.csv) to continue from. Give the first day to fetch with --from."};
  CatchUpPlan plan;
  plan.from = from ? *from : next_day(*files.newest());
  plan.today = today;
  for (Date d : calendar.trading_days(plan.from, today)) {
    if (files.has(d))
      ++plan.already_there;
    else
      plan.to_fetch.push_back(d);
  }
  plan.fetches_today = !plan.to_fetch.empty() && plan.to_fetch.back() == today;
  return plan;
}

}  // namespace quillon
