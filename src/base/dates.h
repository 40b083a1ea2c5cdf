// The regional date pattern and the program's own date forms: the choice of
// strDateFormat from the pattern's first character, the date boxes' pre-fill,
// the regional date parser used for the date boxes and for date fields, and
// the exchange's forms. Nothing here goes through the C locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>


namespace quillon {

struct LocalDateTime {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0;
};

struct Date {
  int year = 0, month = 0, day = 0;
  friend auto operator<=>(const Date&, const Date&) = default;
};

bool is_leap_year(int year);
int days_in_month(int year, int month);
bool is_valid_date(int year, int month, int day);
Date next_day(Date d);

// "D" -> "DD/MM/YYYY", "M" -> "MM/DD/YYYY", "Y" -> "YYYY/MM/DD" by the
// pattern's first character, upper-cased; empty for anything else.
std::string choose_date_format(std::string_view short_date);

// The separator the pattern puts between its parts when the date reader
// accepts it ("-", "." or a blank), otherwise "/".
char date_separator(std::string_view short_date);

// Today's date as the date boxes show it at start: strDateFormat with day
// and month in two digits, the year in four and the regional separator; an
// empty strDateFormat gives the general form "yyyy-MM-dd HH:mm:ss".
std::string prefill_date(const LocalDateTime& now, std::string_view str_date_format,
                         char separator);

// Formats a date with a Qt-style pattern (d, dd, M, MM, MMM, MMMM, yy, yyyy;
// text in single quotes is literal). An empty pattern gives dd/MM/yyyy.
std::string format_date(const Date& d, std::string_view pattern);

// "JAN".."DEC" for 1..12.
std::string_view month_abbrev(int month);

// Reads dates as the user's region writes them:
// - numbers in the regional order (day, month, year from the pattern) with
//   "/", "-", "." or a blank between them, a two-digit year meaning 1930-2029;
// - year first whenever the first number has four digits (the pre-fill's
//   general form, ISO dates), optionally followed by a time of day;
// - the exchange's day-MON-year form, month names in English, any letter case.
// Returns nothing for anything else, including impossible dates.
class DateReader {
 public:
  explicit DateReader(std::string_view short_date_pattern);
  std::optional<Date> parse(std::string_view text) const;

 private:
  enum class Order { DMY, MDY, YMD };
  Order order_ = Order::DMY;
};

}  // namespace quillon
