// The exchange's files as published today: the Bhavcopy converter's three
// layouts, index and scrip histories from the daily files, zipped day files,
// and the fake exchange's days through the converters.
#include <gtest/gtest.h>

#include "app/operations.h"
#include "bhavcopy/bhavcopy_layouts.h"
#include "bhavcopy/exchange_addresses.h"
#include "fake_exchange.h"
#include "fakes.h"
#include "indices/index_convert.h"
#include "indices/index_history.h"
#include "platform/zip_reader.h"
#include "scrip/scrip_convert.h"
#include "scrip/scrip_history.h"

namespace quillon::testing {
namespace {

const DateReader kDates("dd/MM/yyyy");
const std::string kOld =
    "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\n";
const std::string kUdiff = kUdiffColumns + "Rsvd01,Rsvd02,Rsvd03,Rsvd04,\n";
const std::string kZota =
    "2024-01-01,2024-01-01,CM,NSE,STK,11394,INE358U01012,ZOTA,EQ,,,,,ZOTA HEALTH CARE LIMITED,"
    "473.00,483.95,471.45,480.60,480.95,472.45,,480.60,,,20854,9941670.15,1906,F1,1,,,,,\n";
const std::string kTcs =
    "2024-07-08,2024-07-08,CM,NSE,STK,11536,INE467B01029,TCS,EQ,,,,,TATA CONSULTANCY SERV LT,"
    "4022.00,4031.25,3978.05,3993.20,3997.00,4011.80,,3991.55,,,1758882,7028192322.85,109949,F1,1"
    ",,,,,\n";
const std::string kFull =
    "SYMBOL, SERIES, DATE1, PREV_CLOSE, OPEN_PRICE, HIGH_PRICE, LOW_PRICE, LAST_PRICE, "
    "CLOSE_PRICE, AVG_PRICE, TTL_TRD_QNTY, TURNOVER_LACS, NO_OF_TRADES, DELIV_QTY, DELIV_PER\n"
    "20MICRONS, EQ, 06-Aug-2026, 194.85, 195.00, 195.30, 191.50, 191.50, 191.71, 193.24, 114716, "
    "221.68, 2051, 61247, 53.39\n"
    "AAREYDRUGS, BE, 06-Aug-2026, 84.31, 86.90, 86.90, 81.15, 83.94, 81.80, 84.57, 81861, 69.23, "
    "158, -, -\n";

// The records, or "!" and the failure.
template <typename F>
std::string outcome(F f) {
  try {
    return f();
  } catch (const Error& e) {
    return std::string("!") + e.what();
  }
}

TEST(ExchangeFormats, EveryBhavcopyLayoutConverts) {
  const std::string bl = kTcs.substr(0, 56) + "BL" + kTcs.substr(58);
  struct Case {
    std::string data, want;
    std::optional<double> length = std::nullopt;
  } cases[] = {
      {kOld + "RELIANCE,EQ,922.7,922.7,907.5,909.75,909.5,921.05,4321686,3947568943.55,01-JAN-"
              "2018,61538,INE002A01018,\nNTPC,N4,1150,1150,1132,1132,1132,1174.99,51,58632,01-"
              "JAN-2018,3,INE733E07JH3,\n21STCENMGM,EQ,20,24.6,20,24.55,24.6,19.65,54000,1271385,"
              "3-JAN-2000,\nX,eq,1,1,1,1,1,1,1,1,3-JAN-2000,\n",
       "RELIANCE,20180101,922.7,922.7,907.5,909.75,4321686\r\n"
       "21STCENMGM,20000103,20,24.6,20,24.55,54000\r\n"},
      {kOld + "NTPC,N4,1,1,1,1,1,1,1,1,3-JAN-2000,\n",
       "!line 2: the symbol length '-1' is negative", -1},
      {kUdiff + kZota + "\n" + bl + kTcs,
       "ZOTA,20240101,473,483.95,471.45,480.6,20854\r\nTCS,20240708,4022,4031.25,3978.05,3993.2,"
       "1758882\r\n"},
      {"\xEF\xBB\xBFSctySrs,TckrSymb,TradDt,OpnPric,HghPric,LwPric,ClsPric,TtlTradgVol,\n"
       "BE,ABCDEF,2024-07-09,1,2,0.5,1.5,10,\neq,ABCDEF,2024-07-09,1,2,0.5,1.5,10,\n",
       "ABC,20240709,1,2,0.5,1.5,10\r\n", 3},
      {kFull, "20MICRONS,20260806,195,195.3,191.5,191.71,114716\r\n"
              "AAREYDRUGS,20260806,86.9,86.9,81.15,81.8,81861\r\n"},
      {"TckrSymb,SctySrs,TradDt,OpnPric,HghPric,LwPric,ClsPric\n",
       "!line 1: the header has no column TtlTradgVol"},
      {kUdiff + kZota + kTcs.substr(0, 88) + "12a" + kTcs.substr(95),
       "!line 3: the OpnPric value '12a' is not a number"},
      {kFull + "X, EQ, 31-02-2026, 1, 1, 1, 1, 1, 1, 1, 1\n",
       "!line 4: the DATE1 value '31-02-2026' is not a date"},
      {kFull + "X, N1\nX, BE, 06-Aug-2026, 1, 2\n",
       "!line 5: the line has 5 fields, none for the column HIGH_PRICE"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(outcome([&] {
                std::string out;
                append_bhavcopy_records(c.data, c.length, "-1", kDates, out);
                return out;
              }),
              c.want)
        << c.data;
}

TEST(ExchangeFormats, ZipHoldsExactlyOneCsv) {
  const std::string one = zip_of({{"cm01JAN2018bhav.csv", "a"}});
  const std::pair<std::string, std::string> cases[] = {
      {zip_of({{"cm13JUL2020bhav.csv/cm13JUL2020bhav.csv", "a"}}), "a"},
      {zip_of({{"readme.txt", "x"}, {"X.CSV", "b"}}), "b"},
      {zip_of({{"readme.txt", "x"}}), "!The archive holds no CSV file."},
      {zip_of({{"a.csv", "1"}, {"b/c.Csv", "2"}}),
       "!The archive holds more than one CSV file ('a.csv', 'b/c.Csv')."},
      {kBlockedPage, "!The answer is not a zip archive: it is an HTML page."},
      {"", "!The answer is not a zip archive: it is empty."},
      {one.substr(0, one.size() - 10), "!The archive cannot be read: Not a zip archive."},
  };
  for (const auto& [body, want] : cases)
    EXPECT_EQ(outcome([&] { return read_single_csv_from_zip_data(body); }), want);
}

TEST(ExchangeFormats, IndexHistoryQuirks) {
  const std::string h = std::string(kIndexDayHeader) + "\n";
  const std::string texts[] = {
      h + "Nifty Bank,09-07-2024,1,2,1,2,,,5,\nNIFTY  50,09-07-2024,-,24500.5,-,24433.2,1,.05,-,\n"
          "Nifty 50,09-07-2024,1,1,1,1,1,1,1,\n",
      h + "Nifty 50,10-07-2024,1,2,1,-,1,1,1,\n",
      "\xEF\xBB\xBF" + h + "Nifty 50,04-03-2023,100,110,90,105,1,-.12,1234,\n",
      kBlockedPage,
      h + "Nifty 50,04-03-2023,7,7,7,7,7,7,7,\n"};
  const std::vector<IndexDay> days = {{{2024, 7, 9}, texts[0]}, {{2024, 7, 10}, texts[1]},
                                      {{2023, 4, 3}, texts[2]}, {{2023, 4, 4}, texts[3]},
                                      {{2023, 4, 3}, texts[4]}};
  std::string out;
  EXPECT_TRUE(build_index_history("CNX Nifty", days, out));
  EXPECT_EQ(out, "Date,Open,High,Low,Close,Shares Traded\r\n03-Apr-2023,100,110,90,105,1234\r\n"
                 "09-Jul-2024,24433.2,24500.5,24433.2,24433.2,0\r\n");
  EXPECT_FALSE(build_index_history("Nifty IT", days, out));
  const std::tuple<const char*, const char*, bool> names[] = {
      {"S&P CNX NIFTY", " nifty   50 ", true}, {"BANK NIFTY", "Nifty Bank", true},
      {"CNX Bank", "nifty bank", true},        {"CNX NIFTY JUNIOR", "Nifty Next 50", true},
      {"CNX MIDCAP", "Nifty Midcap 100", true}, {"INDIA VIX", "India VIX", true},
      {"CNX IT", "Nifty IT", true},            {"CNX Nifty Junior", "Nifty 50", false},
      {"Nifty 50", "Nifty 500", false}};
  for (const auto& [a, b, same] : names)
    EXPECT_EQ(index_name_key(a) == index_name_key(b), same) << a << " / " << b;
}

TEST(ExchangeFormats, ScripHistoryFromEveryLayout) {
  ScripHistory h("tcs");
  h.add_day_file(kOld + "TCS,BE,1,2,0.5,1.5,1.5,1,9,9,05-JUL-2024,\n", kDates);
  h.add_day_file(kUdiff + kTcs.substr(0, 56) + "BE" + kTcs.substr(58) + kTcs, kDates);
  const std::string full = kFull.substr(0, kFull.find('\n') + 1) +
                           "TCS, BE, 06-Aug-2026, 4, 5, 6, 3, 5, 5.5, 5, 77, 1, 1, -, -\n";
  h.add_day_file(full, kDates);
  h.add_day_file(full.substr(0, full.find("77")) + "88" + full.substr(full.find("77") + 2),
                 kDates);  // the same day again: the first counts
  EXPECT_EQ(h.text(), std::string(kScripHistoryHeader) +
                          "\r\nTCS,BE,05-Jul-2024,1,1,2,0.5,1.5,9\r\n"
                          "TCS,EQ,08-Jul-2024,4011.80,4022.00,4031.25,3978.05,3993.20,1758882\r\n"
                          "TCS,BE,06-Aug-2026,4,5,6,3,5.5,77\r\n");
  EXPECT_EQ(outcome([&] {
              return h.add_day_file(kFull + "TCS, EQ, 2026, 1, 1, 1, 1, 1, 1, 1, 1\n", kDates), "";
            }),
            "!line 4: the DATE1 value '2026' is not a date");
}

// The fake exchange's days at their addresses, made into histories that the
// index and scrip converters convert as they are.
TEST(ExchangeFormats, FakeExchangeDaysFeedTheConverters) {
  TempDir tmp;
  TestPlatform tp;
  WindowModel w;
  w.txtSourceFolder = tmp.sub("S");
  w.txtDestFolder = tmp.sub("D");
  w.txtScrip = "TCS";
  std::map<std::string, Response> routes;
  const std::pair<Date, Date> ranges[] = {
      {{2010, 1, 4}, {2010, 1, 4}}, {{2015, 10, 30}, {2015, 11, 2}},
      {{2020, 7, 13}, {2020, 7, 13}}, {{2024, 7, 5}, {2024, 7, 9}}};
  for (const auto& [from, to] : ranges) routes.merge(fake_exchange(from, to, {{}, {{2024, 7, 9}}}));
  ScripHistory scrip("TCS");
  std::deque<std::string> index_texts;  // the days' views stay valid as it grows
  std::vector<std::string> failures;
  std::vector<IndexDay> index_days;
  for (const auto& [from, to] : ranges)
    for (Date d = from; d <= to; d = next_day(d)) {
      if (Response r = answer(routes, index_day_address("", d)); r.status == 200)
        index_days.push_back({d, index_texts.emplace_back(r.body)});
      const Response r = answer(routes, daily_bhavcopy_address("", d));
      if (r.status == 404) continue;
      try {
        scrip.add_day_file(read_single_csv_from_zip_data(r.body), kDates);
      } catch (const Error& e) {
        failures.push_back(format_date(d, "") + ": " + e.what());
      }
    }
  EXPECT_EQ(failures, std::vector<std::string>{
                          "09/07/2024: The answer is not a zip archive: it is an HTML page."});
  std::string text;
  EXPECT_TRUE(build_index_history("Nifty 50", index_days, text));
  write_text(w.txtSourceFolder + "/INDEX_NIFTY.csv", text);
  write_text(w.txtSourceFolder + "/4 1 2010 9 7 2024 TCS XN.csv", scrip.text());
  fConvertIndex(w, tp.platform);
  fConvertScrip(w, tp.platform);
  EXPECT_TRUE(tp.messages.shown.empty());
  const std::pair<const char*, const char*> outputs[] = {
      {"INDEX_NIFTY_DX.txt", "NIFTY,20151030,19998,20012,19991,20003,0\r\n"
                             "NIFTY,20151102,19995.2,20009.2,19988.2,20000.2,0\r\n"
                             "NIFTY,20200713,19996.3,20010.3,19989.3,20001.3,0\r\n"
                             "NIFTY,20240705,19995.5,20009.5,19988.5,20000.5,0\r\n"
                             "NIFTY,20240708,19995.8,20009.8,19988.8,20000.8,0\r\n"},
      {"4 1 2010 9 7 2024 TCS XN_DX.txt", "TCS,20100104,4026,4027.5,4025,4026.25,1004\r\n"
                                          "TCS,20151030,4052,4053.5,4051,4052.25,1030\r\n"
                                          "TCS,20151102,4024,4025.5,4023,4024.25,1002\r\n"
                                          "TCS,20200713,4035,4036.5,4034,4035.25,1013\r\n"
                                          "TCS,20240705,4027,4028.5,4026,4027.25,1005\r\n"
                                          "TCS,20240708,4030,4031.5,4029,4030.25,1008\r\n"},
  };
  for (const auto& [name, want] : outputs) EXPECT_EQ(read_text(w.txtDestFolder + "/" + name), want);
}

}  // namespace
}  // namespace quillon::testing
