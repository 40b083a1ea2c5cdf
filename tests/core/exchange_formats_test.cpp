// The rules of the exchange's files that the downloads of
// today_exchange_test.cpp cannot reach: the zipped day file's member, and an
// index history's names and odd days.
#include <gtest/gtest.h>

#include "base/error.h"
#include "fake_exchange.h"
#include "indices/index_history.h"
#include "platform/zip_reader.h"

namespace quillon::testing {
namespace {

TEST(ExchangeFormats, ZipHoldsExactlyOneCsv) {
  const std::string one = zip_of({{"cm01JAN2018bhav.csv", "a"}});
  const std::pair<std::string, std::string> cases[] = {
      {zip_of({{"cm13JUL2020bhav.csv/cm13JUL2020bhav.csv", "a"}}), "a"},
      {zip_of({{"readme.txt", "x"}, {"X.CSV", "b"}}), "b"},
      {zip_of({{"readme.txt", "x"}}), "!The archive holds no CSV file."},
      {"", "!The answer is not a zip archive: it is empty."},
      {one.substr(0, one.size() - 10), "!The archive cannot be read: Not a zip archive."},
  };
  for (const auto& [body, want] : cases) {
    try {
      EXPECT_EQ(read_single_csv_from_zip_data(body), want);
    } catch (const Error& e) {
      EXPECT_EQ(std::string("!") + e.what(), want);
    }
  }
}

// The rows the daily files of the fake exchange do not hold: a name in odd
// spacing, a "-" close, a byte-order mark, a day given twice, an HTML page.
TEST(ExchangeFormats, IndexHistoryQuirks) {
  const std::string h = std::string(kIndexDayHeader) + "\n";
  const std::string texts[] = {h + "NIFTY  50,09-07-2024,-,24500.5,-,24433.2,1,.05,-,\n",
                               h + "Nifty 50,10-07-2024,1,2,1,-,1,1,1,\n",
                               "\xEF\xBB\xBF" + h + "Nifty 50,04-03-2023,100,110,90,105,1,-.12,1234,\n",
                               kBlockedPage, h + "Nifty 50,04-03-2023,7,7,7,7,7,7,7,\n"};
  std::string out;
  EXPECT_TRUE(build_index_history("CNX Nifty", {{{2024, 7, 9}, texts[0]}, {{2024, 7, 10}, texts[1]},
                                                {{2023, 4, 3}, texts[2]}, {{2023, 4, 4}, texts[3]},
                                                {{2023, 4, 3}, texts[4]}}, out));
  EXPECT_EQ(out, "Date,Open,High,Low,Close,Shares Traded\r\n03-Apr-2023,100,110,90,105,1234\r\n"
                 "09-Jul-2024,24433.2,24500.5,24433.2,24433.2,0\r\n");
  const std::tuple<const char*, const char*, bool> names[] = {
      {"BANK NIFTY", "Nifty Bank", true},          {"CNX Bank", "nifty bank", true},
      {"CNX NIFTY JUNIOR", "Nifty Next 50", true}, {"CNX MIDCAP", "Nifty Midcap 100", true},
      {"CNX Nifty Junior", "Nifty 50", false},     {"Nifty 50", "Nifty 500", false}};
  for (const auto& [a, b, same] : names)
    EXPECT_EQ(index_name_key(a) == index_name_key(b), same) << a << " / " << b;
}

}  // namespace
}  // namespace quillon::testing
