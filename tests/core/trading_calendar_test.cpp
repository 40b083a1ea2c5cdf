#include <gtest/gtest.h>

#include <algorithm>

#include "calendar/day_files.h"

namespace quillon {
namespace {

Date D(std::string_view iso) { return *parse_ymd(iso, '-'); }

std::string joined(const std::vector<Date>& days) {
  std::string s;
  for (Date d : days) s += (s.empty() ? "" : " ") + format_date(d, "yyyy-MM-dd");
  return s;
}

TEST(TradingCalendar, SessionsWinOverHolidaysAndSettingsOverrideBoth) {
  // settings: the section's text with "|" for NUL; want: kind (T, W, H) + description; the
  // number of warnings and an entry one of them names.
  struct Case { std::string_view settings, day, want; size_t warnings; const char* warned; } cases[] = {
      {"", "2024-11-01", "T Diwali evening session", 0, ""},  // listed as a holiday too
      {"", "2026-11-08", "T Diwali evening session", 0, ""},  // a Sunday
      {"", "2025-10-22", "H Exchange holiday", 0, ""},
      {"2027-01-30=SESSION Muhurat", "2027-01-30", "T SESSION Muhurat", 0, ""},
      {"2024-11-01=Diwali", "2024-11-01", "H Diwali", 0, ""},
      {" 2027-03-01 = \"Holi\" |", "2027-03-01", "H Holi", 0, ""},
      {"2027-03-02=", "2027-03-02", "H Exchange holiday", 0, ""},
      {"2027-03-04=Holi\"", "2027-03-04", "H Holi\"", 0, ""},  // one quote is no pair
      {"2028-02-29=Leap", "2028-02-29", "H Leap", 0, ""},
      {"2027-1-26=Republic Day", "2027-01-26", "T ", 1, "2027-1-26=Republic Day"},
      {"2027-13-01=x|2025-02-29=x|no equals|", "2025-02-28", "T ", 3, "2025-02-29=x"},
      {"2027-01-26=Holiday|2027-01-26=session", "2027-01-26", "H Holiday", 1, "=session"},
      {"2027-01-261=x|2027-01x26=x|2027x01-26=x", "2027-01-26", "T ", 3, "2027-01x26=x"},  // keys of no date
  };
  for (const Case& c : cases) {
    TradingCalendar cal;
    std::string text(c.settings), warned;
    std::replace(text.begin(), text.end(), '|', '\0');
    for (const std::string& w : cal.add_overrides(text)) warned += w + "\n";
    const DayInfo info = cal.describe(D(c.day));
    EXPECT_EQ("TWH"[static_cast<size_t>(info.kind)] + (" " + info.description), c.want) << c.day;
    EXPECT_EQ(std::count(warned.begin(), warned.end(), '\n'), c.warnings) << c.settings;
    EXPECT_NE(warned.find(c.warned), std::string::npos) << warned;
  }
}

// Catches a typing error in the built-in lists: a weekend date, a date left out.
TEST(TradingCalendar, TradingDaysOfAYear) {
  const TradingCalendar cal;
  EXPECT_EQ(cal.trading_days(D("2024-01-01"), D("2024-12-31")).size(), 249u);
  EXPECT_EQ(cal.trading_days(D("2025-01-01"), D("2025-12-31")).size(), 249u);
  EXPECT_EQ(cal.trading_days(D("2026-01-01"), D("2026-12-31")).size(), 247u);
  // The years whose holidays it knows, and a year a [QN_Holidays] holiday adds.
  TradingCalendar more;
  more.add_overrides(TradingCalendar::Entries{{"2030-05-01", "May Day"}, {"2031-01-04", "session"}});
  EXPECT_EQ(std::tuple(more.knows_year(2023), more.knows_year(2024), more.knows_year(2026), more.knows_year(2027),
                       more.knows_year(2030), more.knows_year(2031)),
            std::tuple(false, true, true, false, true, false));
}

TEST(IndiaDate, TurnsAtSixThirtyUtc) {
  const std::pair<std::time_t, const char*> cases[] = {
      {1704133799, "2024-01-01"}, {1704133800, "2024-01-02"}, {1709145000, "2024-02-29"},
      {1709231399, "2024-02-29"}, {-19800, "1970-01-01"}, {-19801, "1969-12-31"}};
  for (auto [utc, india] : cases)
    EXPECT_EQ(india_date(std::chrono::system_clock::from_time_t(utc)), D(india)) << utc;
}

// The download writes "2024_07_08.csv"; the folder listing and the converter
// ignore the letter case of ".csv", so "2024_07_08.CSV" holds that day too.
// BSE's "BSE_2024_07_08.csv" is no day file of the exchange's, and the other
// way round.
TEST(DayFiles, OnlyTheDownloadsOwnNameFormCounts) {
  for (const char* name : {"2024_7_8.csv", "2024-07-08.csv", "2023_02_29.csv", "2024_07_08.csv.zip",
                           ".2024_07_08.csv.quillon-tmp1", "x2024_07_08.csv", "2024_-7_08.csv", "BSE_2024_07_08.csv"})
    EXPECT_FALSE(day_file_date(name)) << name;
  const std::vector<std::string> names = {"2024_12_30.csv", "2025_01_03.CSV", "2024_12_02.txt", "2024_7_8.csv",
                                          "bse_2024_12_27.csv", "BSE_2025_01_06.csv", "XSE_2024_12_26.csv"};
  const DayFiles files(names), bse(names, kBseDayFilePrefix);
  using Range = std::pair<std::optional<Date>, std::optional<Date>>;
  EXPECT_EQ(Range(files.oldest(), files.newest()), Range(D("2024-12-30"), D("2025-01-03")));
  EXPECT_EQ(Range(bse.oldest(), bse.newest()), Range(D("2024-12-27"), D("2025-01-06")));
}

TEST(DayStates, EachDayOfTheRange) {
  // 2024-11-13 (Wed) to 2024-11-20 (Wed, a holiday), today the 18th; the 15th is a holiday.
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"2024_11_13.csv", "2024_11_16.csv"}, "PMHPWNFH"}, {{"2024_11_15.csv", "2024_11_18.csv"}, "MMPWWPFH"}};
  const std::string letters = "PMNHWF";  // Present Missing Not published Holiday Weekend Future
  for (const auto& [files, want] : cases) {
    auto st = day_states(TradingCalendar(), DayFiles(files), D("2024-11-13"), D("2024-11-20"), D("2024-11-18"));
    std::string got;
    for (const CalendarDay& d : st.days) got += letters[static_cast<size_t>(d.state)];
    EXPECT_EQ(got, want);
    for (size_t s = 0; s < letters.size(); ++s) EXPECT_EQ(st.counts[s], std::count(got.begin(), got.end(), letters[s]));
  }
}

// The cases the catch-up runs of catch_up_test.cpp do not reach: today's file
// already there, the turn of a year, a Saturday session and today a holiday.
TEST(CatchUp, FetchesTheTradingDaysWithoutAFile) {
  // want: the range's start, the days to fetch, "*" when today is one, the days already there.
  const std::tuple<std::vector<std::string>, const char*, const char*, const char*> cases[] = {
      {{"2024_11_13.csv", "2024_11_18.csv"}, "", "2024-11-18", "2024-11-19:  0"},
      {{"2024_12_27.csv"}, "", "2025-01-01", "2024-12-28: 2024-12-30 2024-12-31 2025-01-01 * 0"},
      {{}, "2024-01-19", "2024-01-22", "2024-01-19: 2024-01-19 2024-01-20 0"},
  };
  for (const auto& [files, from, today, want] : cases) {
    const auto start = *from ? std::optional(D(from)) : std::nullopt;
    const auto p = std::get<CatchUpPlan>(plan_catch_up(TradingCalendar(), DayFiles(files), start, D(today)));
    EXPECT_EQ(joined({p.from}) + ": " + joined(p.to_fetch) + (p.fetches_today ? " * " : " ") +
                  std::to_string(p.already_there), want);
  }
}

}  // namespace
}  // namespace quillon
