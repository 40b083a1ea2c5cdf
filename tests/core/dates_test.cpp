#include <gtest/gtest.h>

#include "base/records.h"
#include "base/dates.h"

namespace quillon {
namespace {

TEST(DateFormat, FirstCharacterOfThePatternPicksTheOrder) {
  struct Case {
    const char* pattern;
    const char* format;
    char separator;
  } cases[] = {
      {"dd/MM/yyyy", "DD/MM/YYYY", '/'}, {"M/d/yy", "MM/DD/YYYY", '/'},
      {"yyyy-MM-dd", "YYYY/MM/DD", '-'}, {"dd.MM.yy", "DD/MM/YYYY", '.'},
      {"d MMM yyyy", "DD/MM/YYYY", ' '}, {"dd-MMM-yy", "DD/MM/YYYY", '-'},
      {"d.M.yyyy", "DD/MM/YYYY", '.'},   {"", "", '/'},
      {"'Day' d", "", ' '},
      // Separators the date reader does not take give "/".
      {"dd,MM,yyyy", "DD/MM/YYYY", '/'}, {"yyyy3MM3dd", "YYYY/MM/DD", '/'},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(choose_date_format(c.pattern), c.format) << c.pattern;
    EXPECT_EQ(date_separator(c.pattern), c.separator) << c.pattern;
  }
}

// What the program pre-fills into the date boxes must read back as today,
// whatever the region.
TEST(DateFormat, PrefillReadsBackAsToday) {
  const LocalDateTime now{2026, 3, 4, 21, 7, 9};
  for (const char* pattern :
       {"dd/MM/yyyy", "M/d/yy", "yyyy-MM-dd", "dd.MM.yy", "d MMM yyyy", "", "'x'",
        "dd,MM,yyyy", "m/d/yy", "D/M/Y", "yyyy3MM3dd"}) {
    const std::string fmt = choose_date_format(pattern);
    const std::string text = prefill_date(now, fmt, date_separator(pattern));
    auto d = DateReader(pattern).parse(text);
    ASSERT_TRUE(d.has_value()) << pattern << " -> " << text;
    EXPECT_EQ(*d, (Date{2026, 3, 4})) << pattern << " -> " << text;
  }
  EXPECT_EQ(prefill_date(now, "DD/MM/YYYY", '.'), "04.03.2026");
  EXPECT_EQ(prefill_date(now, "MM/DD/YYYY", '/'), "03/04/2026");
  EXPECT_EQ(prefill_date(now, "YYYY/MM/DD", '-'), "2026-03-04");
  EXPECT_EQ(prefill_date(now, "", '/'), "2026-03-04 21:07:09");
}

TEST(DateReader, ReadsRegionalOrderAndTheExchangeForm) {
  struct Case {
    const char* pattern;
    const char* text;
    std::optional<Date> want;
  } cases[] = {
      {"dd/MM/yyyy", "31/01/2008", Date{2008, 1, 31}},
      {"dd/MM/yyyy", "1/2/2008", Date{2008, 2, 1}},
      {"M/d/yy", "1/2/2008", Date{2008, 1, 2}},
      {"M/d/yy", "12/31/08", Date{2008, 12, 31}},
      {"yyyy-MM-dd", "2008-01-31", Date{2008, 1, 31}},
      {"dd.MM.yy", "31.01.29", Date{2029, 1, 31}},
      {"dd.MM.yy", "31.01.30", Date{1930, 1, 31}},
      {"dd/MM/yyyy", "2008-01-31 10:00:00", Date{2008, 1, 31}},
      {"dd/MM/yyyy", "31-JAN-2008", Date{2008, 1, 31}},
      {"M/d/yy", "31-jan-2008", Date{2008, 1, 31}},
      {"dd/MM/yyyy", "5-Feb-2008", Date{2008, 2, 5}},
      {"dd/MM/yyyy", "29-FEB-2008", Date{2008, 2, 29}},
      {"dd/MM/yyyy", " 31/01/2008 ", Date{2008, 1, 31}},
      // Not dates.
      {"dd/MM/yyyy", "31-FEB-2008", std::nullopt},
      {"dd/MM/yyyy", "00-JAN-2008", std::nullopt},
      {"dd/MM/yyyy", "29-FEB-2007", std::nullopt},
      {"dd/MM/yyyy", "20080131", std::nullopt},
      {"dd/MM/yyyy", "31/13/2008", std::nullopt},
      {"M/d/yy", "31/01/2008", std::nullopt},
      {"dd/MM/yyyy", "31/01-2008", std::nullopt},
      {"dd/MM/yyyy", "31-XYZ-2008", std::nullopt},
      {"dd/MM/yyyy", "\"31-JAN-2008\"", std::nullopt},
      {"dd/MM/yyyy", "31/01/2008x", std::nullopt},
      {"dd/MM/yyyy", "", std::nullopt},
      {"dd/MM/yyyy", "31/01/20081", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DateReader(c.pattern).parse(c.text), c.want) << c.pattern << " " << c.text;
}

TEST(DateFormat, FormatsWithRegionalPatterns) {
  const Date d{2008, 1, 5};
  EXPECT_EQ(format_date(d, "dd/MM/yyyy"), "05/01/2008");
  EXPECT_EQ(format_date(d, "M/d/yy"), "1/5/08");
  EXPECT_EQ(format_date(d, "d MMM yyyy"), "5 Jan 2008");
  EXPECT_EQ(format_date(d, "yyyy-MM-dd"), "2008-01-05");
  EXPECT_EQ(next_day({2008, 12, 31}), (Date{2009, 1, 1}));
  EXPECT_EQ(next_day({2008, 2, 28}), (Date{2008, 2, 29}));
  EXPECT_EQ(next_day({2007, 2, 28}), (Date{2007, 3, 1}));
}

}  // namespace
}  // namespace quillon
