// Numbers, dates and lines of the records, and the regional date forms.
#include <gtest/gtest.h>

#include "base/dates.h"
#include "base/records.h"

namespace quillon {
namespace {

// The shortest decimal with at most 15 significant digits, or no number.
TEST(Records, NumberForm) {
  const std::pair<std::string_view, const char*> rows[] = {
      {"1234.50", "1234.5"}, {"0123.50", "123.5"}, {".5", "0.5"}, {"5.", "5"}, {"-0", "0"}, {"-0.00", "0"}, {"+7.10", "7.1"}, {" 42 ", "42"},
      {"155000000.5", "155000000.5"}, {"0.00001", "1e-05"}, {"1.5E2", "150"}, {"1e15", "1e+15"}, {"123456789012345", "123456789012345"},
      {"1234567890123456", "1.23456789012346e+15"}, {"12345678901234.5", "12345678901234.5"}, {"100.00", "100"}, {"1.0000001", "1.0000001"}, {"12a", nullptr}, {"", nullptr}, {"NaN", nullptr}, {"inf", nullptr}, {"0x10", nullptr},
      {"1e400", nullptr}, {"1,5", nullptr}, {"\"5\"", nullptr}, {std::string_view("5\0", 2), nullptr},
      {"+-5", nullptr}, {"+-.5", nullptr}, {"-+5", nullptr}};  // two signs were once read as -5 (a fuzzer finding)
  for (const auto& [in, want] : rows) {
    std::string out;
    EXPECT_TRUE(append_number(out, in) == (want != nullptr) && out == (want ? want : "")) << in << " -> " << out;
  }
}

TEST(Records, DateFieldIsADateOrAWholeNumber) {
  const DateReader dates("dd/MM/yyyy");
  const std::pair<const char*, const char*> rows[] = {
      {"31-JAN-2008", "20080131"}, {"31/01/2008", "20080131"}, {"020080131", "20080131"}, {"2147483647", "2147483647"},
      {"-5", "-5"}, {"+20080131", "20080131"}, {"2147483648", nullptr}, {"31-FEB-2008", nullptr}, {"2008.5", nullptr},
      {"", nullptr}, {"\"31-Jan-2008\"", nullptr}, {"+-5", nullptr}};
  for (const auto& [in, want] : rows) {
    std::string out;
    EXPECT_TRUE(append_date_field(out, in, dates) == (want != nullptr) && out == (want ? want : "")) << in << " -> " << out;
  }
}

TEST(Records, LinesEndInCrLfLfOrCrAlone) {
  const std::pair<std::string_view, std::vector<std::string_view>> rows[] = {
      {"a\r\nb\r\n", {"a", "b"}}, {"a\nb", {"a", "b"}}, {"a\rb\r", {"a", "b"}}, {"a\n\nb\n", {"a", "", "b"}},
      {"", {}}, {"x\r\r\ny", {"x", "", "y"}}};
  for (const auto& [data, lines] : rows) {
    LineReader r(data);
    std::vector<std::string_view> got;
    for (std::string_view line; r.next(line);) got.push_back(line);
    EXPECT_EQ(got, lines) << data;
  }
}

// The first letter of the region's pattern picks the order; a separator
// the reader does not take, or a first letter that disagrees with the
// order, once gave a pre-filled date box that did not read back as today
// (fuzzer findings).
TEST(Dates, RegionalFormsAndThePrefillReadsBackAsToday) {
  const std::tuple<const char*, const char*, char> rows[] = {
      {"dd/MM/yyyy", "DD/MM/YYYY", '/'}, {"M/d/yy", "MM/DD/YYYY", '/'}, {"yyyy-MM-dd", "YYYY/MM/DD", '-'},
      {"dd.MM.yy", "DD/MM/YYYY", '.'},   {"d MMM yyyy", "DD/MM/YYYY", ' '}, {"", "", '/'}, {"'Day' d", "", ' '},
      {"dd,MM,yyyy", "DD/MM/YYYY", '/'}, {"yyyy3MM3dd", "YYYY/MM/DD", '/'}, {"m/d/yy", "", '/'}, {"D/M/Y", "", '/'}};
  const LocalDateTime now{2026, 3, 4, 21, 7, 9};
  for (const auto& [pattern, format, separator] : rows) {
    if (std::string(pattern) != "m/d/yy" && std::string(pattern) != "D/M/Y") {
      EXPECT_EQ(choose_date_format(pattern), format) << pattern;
      EXPECT_EQ(date_separator(pattern), separator) << pattern;
    }
    const std::string text = prefill_date(now, choose_date_format(pattern), date_separator(pattern));
    EXPECT_EQ(DateReader(pattern).parse(text), (Date{2026, 3, 4})) << pattern << " -> " << text;
  }
  EXPECT_EQ(prefill_date(now, "", '/'), "2026-03-04 21:07:09");
  EXPECT_EQ(format_date({2008, 1, 5}, "d MMM yyyy"), "5 Jan 2008");
  EXPECT_EQ(format_date({2008, 1, 5}, "M/d/yy"), "1/5/08");
}

TEST(Dates, ReaderTakesTheRegionsOrderAndTheExchangesForm) {
  const Date jan31{2008, 1, 31};
  const std::tuple<const char*, const char*, std::optional<Date>> rows[] = {
      {"dd/MM/yyyy", "1/2/2008", Date{2008, 2, 1}}, {"M/d/yy", "1/2/2008", Date{2008, 1, 2}}, {"M/d/yy", "12/31/08", Date{2008, 12, 31}},
      {"yyyy-MM-dd", "2008-01-31", jan31}, {"dd.MM.yy", "31.01.29", Date{2029, 1, 31}}, {"dd.MM.yy", "31.01.30", Date{1930, 1, 31}},
      {"dd/MM/yyyy", "2008-01-31 10:00:00", jan31}, {"M/d/yy", "31-jan-2008", jan31}, {"dd/MM/yyyy", "29-FEB-2008", Date{2008, 2, 29}},
      {"dd/MM/yyyy", " 31/01/2008 ", jan31}, {"dd/MM/yyyy", "31-FEB-2008", {}}, {"dd/MM/yyyy", "00-JAN-2008", {}},
      {"dd/MM/yyyy", "29-FEB-2007", {}}, {"dd/MM/yyyy", "20080131", {}}, {"M/d/yy", "31/01/2008", {}}, {"dd/MM/yyyy", "31/01-2008", {}},
      {"dd/MM/yyyy", "31/01/2008x", {}}, {"dd/MM/yyyy", "31/01/20081", {}}, {"dd/MM/yyyy", "2008-01-31 8:31", jan31},
      {"dd/MM/yyyy", "2008-01-31 8::31", {}}, {"dd/MM/yyyy", "2008-01-31 123:31", {}}, {"'x' d yyyy M", "31/01/2008", jan31},
      {"'x' M yyyy d", "01/31/2008", jan31}};
  for (const auto& [pattern, text, want] : rows) EXPECT_EQ(DateReader(pattern).parse(text), want) << pattern << " " << text;
  EXPECT_EQ(next_day({2008, 12, 31}), (Date{2009, 1, 1}));
  EXPECT_EQ(next_day({2007, 2, 28}), (Date{2007, 3, 1}));
}

}  // namespace
}  // namespace quillon
