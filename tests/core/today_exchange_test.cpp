// The downloads and conversions of the current layout against the fake
// exchange (fake_exchange.h) served by the serving fetcher into the
// in-memory disk: both kinds of daily Bhavcopy, the converter's layouts in
// folder mode, indices of old and new names from the daily files, a scrip's
// history across both kinds of day, and answers that are no day file (HTML
// pages with status 200, wrong archives, server errors) never stored.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/operations.h"
#include "app/window_commands.h"
#include "fakes.h"
#include "indices/index_download.h"
#include "platform/zip_reader.h"

namespace quillon::testing {
namespace {

using Lines = std::vector<std::string>;
const std::string kBase = "https://x";
const std::string kOldHeader =
    "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\n";

// The window model over the fake exchange of a range, folders /s and /d.
struct Today {
  Today(Date from, Date to, const FakeExchangeOptions& options = {}) {
    tp.disk.make_folders("/s");
    tp.disk.make_folders("/d");
    tp.fetcher.serve(kBase, fake_exchange(from, to, options));
    w.gstrExchangeUrl = kBase;
    w.txtSourceFolder = "/s";
    w.txtDestFolder = "/d";
  }
  // Every file under `folder`, hidden ones included, as relative paths.
  Lines files(const std::string& folder) const {
    Lines names;
    for (const auto& [path, text] : tp.disk.files)
      if (path.starts_with(folder + "/")) names.push_back(path.substr(folder.size() + 1));
    return names;
  }
  std::string text(const std::string& path) const { return tp.disk.files.at(path); }
  // The line of `text` that starts with `start`.
  static std::string line(const std::string& text, const std::string& start) {
    const size_t at = text.find(start);
    return at == std::string::npos ? "" : text.substr(at, text.find('\r', at) - at);
  }
  MemoryPlatform tp;
  WindowModel w;
};

// Days 4 and 5 July 2024 old zipped files (the 5th already in the folder),
// a weekend, the 8th the first UDiFF day, then a blocked client's HTML page,
// an archive of two CSV files and a server error: only whole day files are
// stored, and both kinds convert.
TEST(TodayExchange, BhavcopyDaysAcrossTheUdiffSwitchThenConvert) {
  Today t({2024, 7, 4}, {2024, 7, 11}, {{}, {{2024, 7, 9}}});
  const std::string udiff = kBase + "/content/cm/BhavCopy_NSE_CM_0_0_0_202407";
  t.tp.fetcher.routes[udiff + "10_F_0000.csv.zip"] = {200, zip_of({{"a.csv", "x"}, {"b.csv", "y"}}), {}};
  t.tp.fetcher.routes[udiff + "11_F_0000.csv.zip"] = {503, "busy", {}};
  t.tp.disk.put("/s/2024_07_05.csv", kOldHeader + "TCS,EQ,1,2,0.5,1.5,1.5,1,9,9,05-JUL-2024,\n");
  fGetNseFileAlt(t.w, t.tp.platform, {2024, 7, 4}, {2024, 7, 11});
  const std::string day = "\r\nDownloading BhavCopy for ";
  EXPECT_EQ(t.w.Text1.text(),
            day + "04/07/2024 <- file downloaded...." + day + "05/07/2024 <- file downloaded...." +
                day + "06/07/2024 <- file doesnt exists...." + day +
                "07/07/2024 <- file doesnt exists...." + day + "08/07/2024 <- file downloaded...." +
                day + "09/07/2024 <- file not stored: The answer is not a zip archive: it is an "
                      "HTML page." +
                day + "10/07/2024 <- file not stored: The archive holds more than one CSV file "
                      "('a.csv', 'b.csv')." +
                day + "11/07/2024 <- file not stored: The server answered " + udiff +
                "11_F_0000.csv.zip with HTTP status 503.\r\nData is extracted from the NSE Site.");
  EXPECT_EQ(t.tp.fetcher.log,
            (Lines{kBase + "/content/historical/EQUITIES/2024/JUL/cm04JUL2024bhav.csv.zip",
                   kBase + "/content/historical/EQUITIES/2024/JUL/cm06JUL2024bhav.csv.zip",
                   kBase + "/content/historical/EQUITIES/2024/JUL/cm07JUL2024bhav.csv.zip",
                   udiff + "08_F_0000.csv.zip", udiff + "09_F_0000.csv.zip",
                   udiff + "10_F_0000.csv.zip", udiff + "11_F_0000.csv.zip"}));
  EXPECT_EQ(t.files("/s"), (Lines{"2024_07_04.csv", "2024_07_05.csv", "2024_07_08.csv"}));
  EXPECT_EQ(t.w.arrBhavFiles, (Lines{"/s/2024_07_04.csv", "/s/2024_07_05.csv", "/s/2024_07_08.csv"}));
  fOutput(t.w, t.tp.platform);
  EXPECT_TRUE(t.tp.messages.shown.empty()) << t.tp.messages.shown.front();
  const std::pair<std::string, std::string> tcs[] = {
      {"/d/2024_07_04_DX.txt", "TCS,20240704,4026,4027.5,4025,4026.25,1004"},
      {"/d/2024_07_05_DX.txt", "TCS,20240705,1,2,0.5,1.5,9"},
      {"/d/2024_07_08_DX.txt", "TCS,20240708,4030,4031.5,4029,4030.25,1008"}};
  for (const auto& [path, want] : tcs) EXPECT_EQ(Today::line(t.text(path), "TCS,"), want) << path;
  EXPECT_EQ(t.text("/d/2024_07_08_DX.txt").substr(0, 43), "RELIANCE,20240708,930.7,932.2,929.7,930.95,");
}

// Folder mode: the UDiFF file, the full Bhavcopy with delivery (a byte-order
// mark, CR LF, a blank after every comma) and the old file before and after
// its 2011 header (the one file dated "13-Jul-20"), each into its own output;
// a named layout without one of its columns stops the run naming the file.
TEST(TodayExchange, EveryLayoutConvertsInFolderMode) {
  const auto routes = fake_exchange({2024, 10, 15}, {2024, 10, 15});
  auto day_file = [](const std::map<std::string, Response>& r, const Date& d) {
    return read_single_csv_from_zip_data(answer(r, daily_bhavcopy_address("", d)).body);
  };
  struct Row {
    std::string name, data, want;
  } rows[] = {
      {"BhavCopy_NSE_CM_0_0_0_20241015_F_0000", day_file(routes, {2024, 10, 15}),
       "TCS,20241015,4037,4038.5,4036,4037.25,1015"},
      {"sec_bhavdata_full_06082026",
       "\xEF\xBB\xBFSYMBOL, SERIES, DATE1, PREV_CLOSE, OPEN_PRICE, HIGH_PRICE, LOW_PRICE, "
       "LAST_PRICE, CLOSE_PRICE, AVG_PRICE, TTL_TRD_QNTY, TURNOVER_LACS, NO_OF_TRADES, DELIV_QTY, "
       "DELIV_PER\r\nTCS, EQ, 06-Aug-2026, 1, 2.50, 3, 2, 2.5, 2.75, 2.6, 77, 1, 1, -, -\r\n",
       "TCS,20260806,2.5,3,2,2.75,77"},
      {"cm03JAN2000bhav", day_file(fake_exchange({2000, 1, 3}, {2000, 1, 3}), {2000, 1, 3}),
       "TCS,20000103,4025,4026.5,4024,4025.25,1003"},
      {"cm13JUL2020bhav", day_file(fake_exchange({2020, 7, 13}, {2020, 7, 13}), {2020, 7, 13}),
       "TCS,20200713,4035,4036.5,4034,4035.25,1013"},
  };
  Today t({2024, 10, 15}, {2024, 10, 15});
  for (const Row& r : rows) t.tp.disk.put("/s/" + r.name + ".csv", r.data);
  t.w.rbSource = kSourceFolder;
  fOutput(t.w, t.tp.platform);
  EXPECT_TRUE(t.tp.messages.shown.empty()) << t.tp.messages.shown.front();
  for (const Row& r : rows)
    EXPECT_EQ(Today::line(t.text("/d/" + r.name + "_DX.txt"), "TCS,"), r.want) << r.name;

  t.tp.disk.put("/s2/BhavCopy_NSE_CM_0_0_0_20241016_F_0000.csv",
                "TckrSymb,SctySrs,TradDt,OpnPric,HghPric,LwPric,ClsPric\nTCS,EQ,2024-10-16,1,1,1,1\n");
  t.w.txtSourceFolder = "/s2";
  fOutput(t.w, t.tp.platform);
  ASSERT_EQ(t.tp.messages.shown.size(), 1u);
  EXPECT_EQ(t.tp.messages.shown[0].rfind("fOutput: /s2/BhavCopy_NSE_CM_0_0_0_20241016_F_0000.csv, "
                                         "line 1: the header has no column TtlTradgVol", 0),
            0u)
      << t.tp.messages.shown[0];
  EXPECT_FALSE(t.tp.disk.is_file("/d/BhavCopy_NSE_CM_0_0_0_20241016_F_0000_DX.txt"));
}

// Indices across the November 2015 rename, the settings file's old names
// mapped to today's, an index listed twice (the first row counts), close-only
// and volume-less indices, a day answered with an HTML page, a name on no
// day (its earlier file kept); day files kept and not asked again; the
// rebuild from every kept day file; the default list of a first run.
TEST(TodayExchange, IndicesOfOldAndNewNamesFromTheDailyFiles) {
  Today t({2015, 10, 30}, {2015, 11, 3}, {{}, {{2015, 11, 3}}});
  t.tp.disk.put("/s/INDEX_MID.csv", "earlier");
  t.w.arrIndexList = {"S&P CNX NIFTY=NIFTY", "", "CNX IT=IT", "india  vix=VIX", "Nifty Midcap 50=MID"};
  fgetIndices(t.w, t.tp.platform, {2015, 10, 30}, {2015, 11, 3});
  const std::string index = "\r\nDownloading Index data for ", done = "\r\n Index Download is complete.";
  EXPECT_EQ(t.w.Text1.text(),
            index + "NIFTY" + done + index + "IT" + done + index + "VIX" + done + index +
                "MID\r\n Index Download failed: the name 'Nifty Midcap 50' is in none of the "
                "exchange's daily index files from 30-Oct-2015 to 03-Nov-2015.\r\nDaily index "
                "files not stored: 03-Nov-2015: The answer is not a daily index file: it is an "
                "HTML page.");
  EXPECT_TRUE(t.tp.messages.shown.empty());
  const std::string head = "Date,Open,High,Low,Close,Shares Traded\r\n";
  EXPECT_EQ(t.text("/s/INDEX_NIFTY.csv"), head + "30-Oct-2015,19998,20012,19991,20003,150000030\r\n"
                                                 "02-Nov-2015,19995.2,20009.2,19988.2,20000.2,150000002\r\n");
  EXPECT_EQ(t.text("/s/INDEX_IT.csv"), head + "30-Oct-2015,59998,60012,59991,60003,150000030\r\n"
                                              "02-Nov-2015,59995.2,60009.2,59988.2,60000.2,150000002\r\n");
  EXPECT_EQ(Today::line(t.text("/s/INDEX_VIX.csv"), "02-Nov"), "02-Nov-2015,80000.2,80000.2,80000.2,80000.2,0");
  EXPECT_EQ(t.text("/s/INDEX_MID.csv"), "earlier");
  EXPECT_EQ(t.files("/s/indices"), (Lines{"ind_close_all_02112015.csv", "ind_close_all_30102015.csv"}));
  EXPECT_EQ(t.tp.fetcher.log.size(), 5u);
  t.tp.fetcher.log.clear();
  fgetIndices(t.w, t.tp.platform, {2015, 10, 30}, {2015, 11, 3});
  EXPECT_EQ(t.tp.fetcher.log, (Lines{kBase + "/content/indices/ind_close_all_31102015.csv",
                                     kBase + "/content/indices/ind_close_all_01112015.csv",
                                     kBase + "/content/indices/ind_close_all_03112015.csv"}));

  t.tp.disk.put("/s/indices/ind_close_all_01102012.csv",  // an earlier run's day
                answer(fake_exchange({2012, 10, 1}, {2012, 10, 1}), index_day_address("", {2012, 10, 1})).body);
  ModelStatus status(t.w);
  const DownloadResult all = rebuild_index_histories("/s", {"Nifty 50=N50"}, t.tp.disk, status);
  EXPECT_EQ(all.files, Lines{"/s/INDEX_N50.csv"});
  EXPECT_EQ(t.text("/s/INDEX_N50.csv").substr(head.size(), 12), "01-Oct-2012,");

  for (const ExchangeLayout layout : {ExchangeLayout::current, ExchangeLayout::legacy}) {
    Today first({2015, 10, 30}, {2015, 10, 30});
    first.w.gExchangeLayout = layout;
    fgetIndices(first.w, first.tp.platform, {2015, 10, 30}, {2015, 10, 30});
    const bool current = layout == ExchangeLayout::current;
    EXPECT_EQ(first.tp.disk.is_file("/s/INDEX_BANKNIFTY.csv"), current);
    EXPECT_EQ(first.tp.messages.shown.size(), current ? 0u : 1u);
  }
}

// A scrip's history from an old day file already in the folder (used as it
// is) and a UDiFF day fetched and kept; a symbol on no day stores nothing.
TEST(TodayExchange, ScripHistoryAcrossBothKindsOfDay) {
  Today t({2024, 7, 5}, {2024, 7, 8});
  t.tp.disk.put("/s/2024_07_05.csv", kOldHeader + "TCS,BE,1,2,0.5,1.5,1.5,1,9,9,05-JUL-2024,\n");
  t.w.txtScrip = "tcs";
  fDownloadScrip(t.w, t.tp.platform, {2024, 7, 5}, {2024, 7, 8});
  EXPECT_TRUE(t.tp.messages.shown.empty());
  EXPECT_EQ(t.w.Text1.text(), "\r\ndownloading data for TCS\r\nDownloading BhavCopy for 08/07/2024 "
                              "<- file downloaded....\r\ndownloading data for TCS is completed.");
  EXPECT_EQ(t.text("/s/572024872024TCSXN.csv"),
            "Symbol,Series,Date,Prev Close,Open Price,High Price,Low Price,Close Price,Total Traded "
            "Quantity\r\nTCS,BE,05-Jul-2024,1,1,2,0.5,1.5,9\r\n"
            "TCS,EQ,08-Jul-2024,4029.50,4030.00,4031.50,4029.00,4030.25,1008\r\n");
  EXPECT_EQ(t.files("/s"), (Lines{"2024_07_05.csv", "2024_07_08.csv", "572024872024TCSXN.csv"}));
  t.tp.fetcher.log.clear();
  t.w.Text1.clear();
  t.w.txtScrip = "NOPE";
  t.tp.disk.put("/s/572024872024NOPEXN.csv", "earlier");
  fDownloadScrip(t.w, t.tp.platform, {2024, 7, 5}, {2024, 7, 8});
  EXPECT_EQ(t.w.Text1.text(), "\r\ndownloading data for NOPE\r\ndownloading data for NOPE failed: the "
                              "symbol is in none of the daily Bhavcopy files from 05/07/2024 to "
                              "08/07/2024.");
  EXPECT_EQ(t.text("/s/572024872024NOPEXN.csv"), "earlier");
  EXPECT_EQ(t.tp.fetcher.log.size(), 2u);  // the weekend only: the other days are there
}

// ExchangeLayout= of the settings file, the option over it, and the first
// save of the Settings command writing the default index list (current only).
TEST(TodayExchange, LayoutFromSettingsAndOption) {
  struct Row {
    std::string ini;
    Lines args;
    ExchangeLayout want;
    bool indices_saved;
    std::string message;
  } rows[] = {
      {"", {}, ExchangeLayout::current, true, ""},
      {"[QN_EOD]\nExchangeLayout=legacy\n", {}, ExchangeLayout::legacy, false, ""},
      {"[QN_EOD]\nExchangeLayout=Legacy\n", {"--exchange-layout", "current"}, ExchangeLayout::current, true, ""},
      {"[QN_EOD]\nExchangeLayout=old\n", {}, ExchangeLayout::current, true,
       "Form Load The settings file's ExchangeLayout 'old' is neither current nor legacy; current is used."},
      {"[QN_Indices]\nA=B\n", {}, ExchangeLayout::current, false, ""},  // a list of the user's
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.ini);
    MemoryPlatform tp;
    if (!r.ini.empty()) tp.disk.put("/c/QM.INI", r.ini);
    WindowCommands window(tp.platform, "/c/QM.INI");
    window.Form_Load();
    std::string error;
    apply_options(window, *parse_command_line(r.args, error));
    EXPECT_EQ(window.model().gExchangeLayout, r.want);
    EXPECT_EQ(tp.messages.shown, r.message.empty() ? Lines{} : Lines{r.message});
    window.cmdOptions_Click();
    EXPECT_EQ(tp.disk.files.at("/c/QM.INI").find("\nNifty 50=NIFTY") != std::string::npos, r.indices_saved);
  }
  std::string error;
  EXPECT_FALSE(parse_command_line({"--exchange-layout", "new"}, error));
  EXPECT_EQ(error, "--exchange-layout takes current or legacy, not 'new'");
}

}  // namespace
}  // namespace quillon::testing
