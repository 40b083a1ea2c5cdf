#include <gtest/gtest.h>

#include "base/records.h"

namespace quillon {
namespace {

TEST(NumberForm, ShortestDecimalWithAtMost15SignificantDigits) {
  struct Case {
    const char* in;
    const char* out;  // nullptr: not a number
  } cases[] = {
      {"1234.50", "1234.5"},
      {"100.00", "100"},
      {"0.05", "0.05"},
      {"125000", "125000"},
      {"0123.50", "123.5"},
      {".5", "0.5"},
      {"5.", "5"},
      {"-0", "0"},
      {"-0.00", "0"},
      {"+7.10", "7.1"},
      {" 42 ", "42"},
      {"-12.25", "-12.25"},
      {"155000000.5", "155000000.5"},
      {"1000000000", "1000000000"},
      {"0.0001", "0.0001"},
      {"0.00001", "1e-05"},
      {"1e3", "1000"},
      {"1.5E2", "150"},
      {"1e15", "1e+15"},
      {"123456789012345", "123456789012345"},
      {"1234567890123456", "1.23456789012346e+15"},
      {"0.1234567890123456", "0.123456789012346"},
      {"12a", nullptr},
      {"", nullptr},
      {" ", nullptr},
      {"NaN", nullptr},
      {"inf", nullptr},
      {"0x10", nullptr},
      {"1e400", nullptr},
      {"1,5", nullptr},
      {"--1", nullptr},
      {"1.2.3", nullptr},
      {"\"5\"", nullptr},
      {"+-5", nullptr},
      {"+-.5", nullptr},
      {"-+5", nullptr},
  };
  for (const Case& c : cases) {
    std::string out;
    bool ok = append_number(out, c.in);
    if (c.out) {
      EXPECT_TRUE(ok) << c.in;
      EXPECT_EQ(out, c.out) << c.in;
    } else {
      EXPECT_FALSE(ok) << c.in << " gave " << out;
      EXPECT_EQ(out, "") << c.in;
    }
  }
  std::string out;
  EXPECT_FALSE(append_number(out, std::string_view("5\0", 2)));
}

TEST(DateField, DateOrWholeNumber) {
  const DateReader dates("dd/MM/yyyy");
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"31-JAN-2008", "20080131"}, {"31-Jan-2008", "20080131"}, {"20080131", "20080131"},
      {"31/01/2008", "20080131"},  {"020080131", "20080131"},   {"2147483647", "2147483647"},
      {"2147483648", nullptr},     {"31-FEB-2008", nullptr},    {"2008.5", nullptr},
      {"", nullptr},               {"\"31-Jan-2008\"", nullptr},
      {"+20080131", "20080131"},   {"+-5", nullptr},
      {"-5", "-5"},
  };
  for (const Case& c : cases) {
    std::string out;
    bool ok = append_date_field(out, c.in, dates);
    EXPECT_EQ(ok, c.out != nullptr) << c.in;
    if (c.out) {
      EXPECT_EQ(out, c.out) << c.in;
    }
  }
}

TEST(LineReader, AllLineEndsAndNoExtraFinalLine) {
  struct Case {
    std::string_view data;
    std::vector<std::string_view> lines;
  } cases[] = {
      {"a\r\nb\r\n", {"a", "b"}}, {"a\nb", {"a", "b"}},     {"a\rb\r", {"a", "b"}},
      {"a\n\nb\n", {"a", "", "b"}}, {"", {}},                 {"\n", {""}},
      {"a\r\n\r\n", {"a", ""}},   {"x\r\r\ny", {"x", "", "y"}},
  };
  for (const Case& c : cases) {
    LineReader r(c.data);
    std::vector<std::string_view> got;
    std::string_view line;
    while (r.next(line)) got.push_back(line);
    EXPECT_EQ(got, c.lines) << c.data;
  }
}

TEST(SplitFields, KeepsEmptyFieldsAndCountsBeyondTheMaximum) {
  std::string_view f[3];
  EXPECT_EQ(split_fields("", f, 3), 1u);
  EXPECT_EQ(split_fields("a,,b,c,", f, 3), 5u);
  EXPECT_EQ(f[0], "a");
  EXPECT_EQ(f[1], "");
  EXPECT_EQ(f[2], "b");
}

}  // namespace
}  // namespace quillon
