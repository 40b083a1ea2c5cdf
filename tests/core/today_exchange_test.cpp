// The current layout against the fake exchange (fake_exchange.h) served into
// the in-memory disk: both kinds of daily Bhavcopy, every layout converted,
// indices of old and new names from the daily files, a scrip's history across
// every kind of day; answers that are no day file never stored.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/operations.h"
#include "app/window_commands.h"
#include "exchange/exchange_addresses.h"
#include "fakes.h"
#include "indices/index_download.h"
#include "indices/index_history.h"
#include "platform/zip_reader.h"

namespace quillon::testing {
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;
const std::string kBase = "https://x";
const std::string kOld = "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\n";
const std::string kUdiff = kUdiffColumns + "Rsvd01,Rsvd02,Rsvd03,Rsvd04,\n";
const std::string kTcs = "2024-07-08,2024-07-08,CM,NSE,STK,11536,INE467B01029,TCS,EQ,,,,,TATA CONSULTANCY SERV LT,4022.00,4031.25,"
                         "3978.05,3993.20,3997.00,4011.80,,3991.55,,,1758882,7028192322.85,109949,F1,1,,,,,\n";
// BSE's row as published, with its Src, FinInstrmTp, ISIN, symbol, group and open price as given.
std::string bse_row(const std::string& type, const std::string& isin, const std::string& symbol, const std::string& group,
                    const std::string& open = "1331.00", const std::string& day = "2026-06-19", const std::string& src = "BSE") {
  return day + "," + day + ",CM," + src + "," + type + ",500325," + isin + "," + symbol + "," + group +
         ",,,,,RELIANCE INDUSTRIES LTD.," + open + ",1338.40,1305.50,1309.35,1309.35,1327.75,,,,,1053238,1389501083.00,29482,,1,,,,,\n";
}
const std::string kFull = "\xEF\xBB\xBF" + kFullHeaderLine.substr(0, kFullHeaderLine.size() - 1) + "\r\n";

// The window model over a fake exchange, folders /s and /d.
struct Today {
  explicit Today(const std::map<std::string, Response>& exchange = {}) {
    for (const char* folder : {"/s", "/d"}) tp.disk.make_folders(folder);
    tp.fetcher.serve(kBase, exchange);
    w.gstrExchangeUrl = kBase, w.txtSourceFolder = "/s", w.txtDestFolder = "/d";
  }
  Lines files(const std::string& folder) const { return tp.disk.names_under(folder); }
  std::string text(const std::string& path) const { return tp.disk.files.at(path); }
  MemoryPlatform tp;
  WindowModel w;
};

// 4 July 2024 an old zipped file, the 5th a full Bhavcopy with delivery
// already in the folder (its BE row before its EQ row) and the 6th (a
// Saturday) a copy of it, the 8th the first UDiFF day, then a blocked
// client's HTML page, an archive of two CSV files and a server error: only
// whole day files are stored, every kind converts, and a scrip's history
// takes each day once.
TEST(TodayExchange, BhavcopyDaysAcrossTheUdiffSwitchThenConvert) {
  Today t(fake_exchange({2024, 7, 4}, {2024, 7, 11}, {{}, {{2024, 7, 9}}}));
  const std::string udiff = kBase + "/content/cm/BhavCopy_NSE_CM_0_0_0_202407";
  t.tp.fetcher.routes[udiff + "10_F_0000.csv.zip"] = {200, zip_of({{"a.csv", "x"}, {"b.csv", "y"}}), {}};
  t.tp.fetcher.routes[udiff + "11_F_0000.csv.zip"] = {503, "busy", {}};
  const std::string fifth = kFull + "TCS, BE, 05-Jul-2024, 1, 1, 2, 0.5, 1.5, 1.5, 1.4, 9, 1, 1, -, -\r\n"
                                    "TCS, EQ, 05-Jul-2024, 1, 2, 3, 1, 2.5, 2.75, 2.6, 77, 1, 1, -, -\r\n";
  t.tp.disk.put("/s/2024_07_05.csv", fifth);
  t.tp.disk.put("/s/2024_07_06.csv", fifth.substr(0, fifth.size() - 4) + "88\r\n");
  fGetNseFileAlt(t.w, t.tp.platform, {2024, 7, 4}, {2024, 7, 11});
  std::string status;
  for (const char* line : {"04/07/2024 <- file downloaded....", "05/07/2024 <- file downloaded....", "06/07/2024 <- file downloaded....",
                           "07/07/2024 <- file doesnt exists....", "08/07/2024 <- file downloaded....",
                           "09/07/2024 <- file not stored: The answer is not a zip archive: it is an HTML page.",
                           "10/07/2024 <- file not stored: The archive holds more than one CSV file ('a.csv', 'b.csv')."})
    status += "\r\nDownloading BhavCopy for "s + line;
  EXPECT_EQ(t.w.Text1.text(), status + "\r\nDownloading BhavCopy for 11/07/2024 <- file not stored: The server answered " + udiff +
                                  "11_F_0000.csv.zip with HTTP status 503.\r\nData is extracted from the NSE Site.");
  const std::string old = kBase + "/content/historical/EQUITIES/2024/JUL/cm0", pr = kBase + "/archives/equities/bhavcopy/pr/PR0";
  // The corporate actions of each day that has its day file (the Saturday's a 404), the symbol changes once.
  EXPECT_EQ(t.tp.fetcher.log, (Lines{old + "4JUL2024bhav.csv.zip", pr + "40724.zip", pr + "50724.zip", pr + "60724.zip",
                                     old + "7JUL2024bhav.csv.zip", udiff + "08_F_0000.csv.zip", pr + "80724.zip",
                                     udiff + "09_F_0000.csv.zip", udiff + "10_F_0000.csv.zip", udiff + "11_F_0000.csv.zip",
                                     kBase + "/content/equities/symbolchange.csv"}));
  EXPECT_EQ(t.files("/s"), (Lines{"2024_07_04.csv", "2024_07_05.csv", "2024_07_06.csv", "2024_07_08.csv", "actions/2024_07_04_bc.csv",
                                  "actions/2024_07_05_bc.csv", "actions/2024_07_08_bc.csv", "actions/symbolchange.csv"}));
  EXPECT_EQ(t.text("/s/actions/2024_07_08_bc.csv"),
            "SERIES,SYMBOL,SECURITY,RECORD_DT,BC_STRT_DT,BC_END_DT,EX_DT,ND_STRT_DT,ND_END_DT,PURPOSE\n"
            "EQ,TCS,Tata Consultancy Serv Lt,08/07/2024, , ,08/07/2024, , ,DIV - RS 10 PER SH\n"
            "EQ,M&M,Mahindra & Mahindra Ltd,08/07/2024, , ,08/07/2024, , ,BONUS 1:1\n");
  EXPECT_EQ(t.text("/s/actions/symbolchange.csv"), fake::kSymbolChanges);
  for (const auto& [body, kind] : {std::pair{"<html><body>Access Denied</body></html>"s, "it is an HTML page"},
                                   {"\r\n  <!doctype html>"s, "it is an HTML page"}, {""s, "it is empty"},
                                   {"SYMBOL,SERIES\n"s, "it starts with 'SYMBOL,SERIES?'"}})
    EXPECT_EQ(kind_of_body(body), kind) << body;
  fOutput(t.w, t.tp.platform);
  EXPECT_EQ(t.text("/d/2024_07_05_DX.txt"), "TCS,20240705,1,2,0.5,1.5,9\r\nTCS,20240705,2,3,1,2.75,77\r\n");
  EXPECT_EQ(t.files("/d").size(), 4u);

  t.tp.fetcher.log.clear();
  t.w.txtScrip = "tcs";
  fDownloadScrip(t.w, t.tp.platform, {2024, 7, 4}, {2024, 7, 8});
  const std::string& scrip_lines = t.w.Text1.text();  // days there, a weekend: nothing "not stored"
  EXPECT_EQ(scrip_lines.find("not stored", scrip_lines.find("downloading data for TCS")), std::string::npos) << scrip_lines;
  fConvertScrip(t.w, t.tp.platform);  // the history written reads back
  EXPECT_EQ(t.tp.messages.shown, Lines{});  // nor from the Bhavcopy conversion
  EXPECT_EQ(t.text("/s/472024872024TCSXN.csv"),
            "Symbol,Series,Date,Prev Close,Open Price,High Price,Low Price,Close Price,Total Traded Quantity\r\nTCS,EQ,04-Jul-2024,"
            "4025.5,4026,4027.5,4025,4026.25,1004\r\nTCS,EQ,05-Jul-2024,1,2,3,1,2.75,77\r\nTCS,EQ,08-Jul-2024,4029.50,4030.00,4031.50,4029.00,4030.25,1008\r\n");
  EXPECT_TRUE(t.tp.disk.is_file("/d/472024872024TCSXN_DX.txt"));
  t.w.txtScrip = "NOPE";  // on no day: the earlier file is kept
  t.tp.disk.put("/s/472024872024NOPEXN.csv", "earlier");
  fDownloadScrip(t.w, t.tp.platform, {2024, 7, 4}, {2024, 7, 8});
  EXPECT_TRUE(t.w.Text1.text().ends_with("NOPE failed: the symbol is in none of the daily Bhavcopy files from 04/07/2024 to 08/07/2024."));
  EXPECT_EQ(t.text("/s/472024872024NOPEXN.csv"), "earlier");
  EXPECT_EQ(t.tp.fetcher.log, (Lines{old + "7JUL2024bhav.csv.zip", old + "7JUL2024bhav.csv.zip"}));
}

// BSE chosen: from 8 July 2024 on (the days before are not asked) each day
// from BSE's host with its Referer, politely, kept as published as
// BSE_yyyy_mm_dd.csv; a 200 HTML page, an empty 200, another day's file, a
// file without rows, a first line that is not the header and a 404 (the
// weekend and the holiday of the 17th) store nothing. The days converted
// keep BSE's equity shares only; in folder mode the exchange's file of the
// same day keeps its own rule, and scrip-wise files never mix the two.
TEST(TodayExchange, BseDaysAcrossAWeekendAndAHolidayThenConvert) {
  const std::string bse = "https://bse", at = bse + "/download/BhavCopy/Equity/BhavCopy_BSE_CM_0_0_0_202407";
  Today t;
  ServingBatchFetcher batch(t.tp.fetcher);
  t.tp.platform.batch_fetcher = &batch;
  t.tp.fetcher.serve(bse, fake_bse({2024, 7, 1}, {2024, 7, 17}, {{{2024, 7, 17}}, {{2024, 7, 9}}}));
  const std::string day8 = t.tp.fetcher.routes.at(at + "08_F_0000.CSV").body;
  t.tp.fetcher.routes[at + "10_F_0000.CSV"] = {200, "", {}};
  t.tp.fetcher.routes[at + "11_F_0000.CSV"] = {200, day8, {}};
  t.tp.fetcher.routes[at + "15_F_0000.CSV"] = {200, day8.substr(0, day8.find('\n') + 1), {}};
  t.tp.fetcher.routes[at + "16_F_0000.CSV"] = {200, kOld, {}};
  std::string& day12 = t.tp.fetcher.routes.at(at + "12_F_0000.CSV").body;  // the header spelt as early UDiFF files spell it
  day12 = kUdiff + day12.substr(day12.find('\n') + 1);
  t.w.rbSource = kSourceBse, t.w.gstrBseUrl = bse;
  fGetNseFileAlt(t.w, t.tp.platform, {2024, 7, 6}, {2024, 7, 17});
  const std::string day = "\r\nDownloading BhavCopy for ", stored = " <- file downloaded....", none = " <- file doesnt exists....",
                    not_bse = " <- file not stored: The answer does not start with the header of BSE's day file: it ";
  EXPECT_EQ(t.w.Text1.text(), "\r\nBSE's files of the days before 08/07/2024 are not downloaded." + day + "08/07/2024" + stored + day +
                                  "09/07/2024" + not_bse + "is an HTML page." + day + "10/07/2024" + not_bse + "is empty." + day +
                                  "11/07/2024 <- file not stored: The row on line 2 is dated '2024-07-08', not 2024-07-11: the answer "
                                  "is not BSE's day file of that day." + day + "12/07/2024" + stored + day + "13/07/2024" + none + day +
                                  "14/07/2024" + none + day + "15/07/2024 <- file not stored: BSE's day file holds no row." + day +
                                  "16/07/2024" + not_bse + "starts with 'SYMBOL,SERIES,OP'." + day + "17/07/2024" + none +
                                  "\r\nData is extracted from the BSE Site.");
  EXPECT_EQ(t.tp.fetcher.log.size(), 10u);  // no corporate actions: they are the exchange's
  for (int d = 8; d <= 17; ++d) {
    const std::string asked = at + fake::two(d) + "_F_0000.CSV";
    EXPECT_EQ(t.tp.fetcher.log.at(d - 8) + t.tp.fetcher.headers[asked].at(0), asked + "Referer: https://www.bseindia.com/");
  }
  EXPECT_GE(batch.now(), 9.0);  // one request a second: 10 asked
  EXPECT_EQ(t.files("/s"), (Lines{"BSE_2024_07_08.csv", "BSE_2024_07_12.csv"}));
  EXPECT_EQ(t.text("/s/BSE_2024_07_08.csv"), day8);
  EXPECT_EQ(t.w.arrBhavFiles, (Lines{"/s/BSE_2024_07_08.csv", "/s/BSE_2024_07_12.csv"}));
  for (const Date& d : {Date{2024, 7, 7}, Date{2024, 7, 8}}) fGetNseFileAlt(t.w, t.tp.platform, d, d);  // nothing asked
  EXPECT_EQ(t.w.Text1.text(), day + "08/07/2024" + stored + "\r\nData is extracted from the BSE Site.");
  EXPECT_EQ(t.tp.fetcher.log.size(), 10u);
  fOutput(t.w, t.tp.platform);
  const std::string bse8 = "RELIANCE,20240708,1328,1329.5,1327,1328.25,1008\r\nM&M,20240708,1508,1509.5,1507,1508.25,1008\r\n"
                           "BAJAJ-AUTO,20240708,2643,2644.5,2642,2643.25,1008\r\nA.K.SPINTX,20240708,48,49.5,47,48.25,1008\r\n"
                           "SHREEOSFMS,20240708,128,129.5,127,128.25,1008\r\n";
  EXPECT_EQ(t.text("/d/BSE_2024_07_08_DX.txt"), bse8);

  const Date d8{2024, 7, 8};
  t.tp.disk.put("/s/2024_07_08.csv", read_single_csv_from_zip_data(fake_exchange(d8, d8).at(daily_bhavcopy_address("", d8)).body));
  t.tp.disk.files.erase("/d/BSE_2024_07_08_DX.txt");
  t.w.rbSource = kSourceFolder;
  fOutput(t.w, t.tp.platform);
  EXPECT_EQ(t.text("/d/BSE_2024_07_08_DX.txt"), bse8);
  EXPECT_EQ(t.text("/d/2024_07_08_DX.txt"), "RELIANCE,20240708,930.7,932.2,929.7,930.95,1008\r\nM&M,20240708,1508,1509.5,1507,1508.25,"
                                            "1008\r\nBAJAJ-AUTO,20240708,2643,2644.5,2642,2643.25,1008\r\nTCS,20240708,4030,4031.5,"
                                            "4029,4030.25,1008\r\n");
  t.w.rbScripWise = true;  // one exchange's symbols and prices, never both
  for (const auto& [source, dest] : {std::pair{kSourceBse, "/b"s}, {kSourceFolder, "/n"s}}) {
    t.tp.disk.make_folders(dest);
    t.w.rbSource = source, t.w.txtDestFolder = dest;
    fOutput(t.w, t.tp.platform);
    EXPECT_EQ(t.text(dest + "/RELIANCE.txt").substr(18, 4) + ":" + std::to_string(t.tp.disk.is_file(dest + "/TCS.txt")) +
                  std::to_string(t.tp.disk.is_file(dest + "/A.K.SPINTX.txt")),
              source == kSourceBse ? "1328:01" : "930.:10");
  }
  EXPECT_EQ(t.tp.messages.shown, Lines{});
}

// One file of each layout converted in folder mode: its output, or a failure
// ("!" and the reason) that names the file and line and writes nothing.
TEST(TodayExchange, EveryLayoutConvertsInFolderMode) {
  const Date odd{2020, 7, 13};  // the member in a folder, the date written "13-Jul-20"
  struct Row { std::string data, want, length = "10"; } rows[] = {
      {read_single_csv_from_zip_data(fake_exchange(odd, odd).at(daily_bhavcopy_address("", odd)).body),
       "RELIANCE,20200713,935.7,937.2,934.7,935.95,1013\r\nM&M,20200713,1513,1514.5,1512,1513.25,1013\r\n"
       "BAJAJ-AUTO,20200713,2648,2649.5,2647,2648.25,1013\r\nTCS,20200713,4035,4036.5,4034,4035.25,1013\r\n"},
      {kOld + "21STCENMGM,EQ,20,24.6,20,24.55,24.6,19.65,54000,1271385,3-JAN-2000,\nX,eq,1,1,1,1,1,1,1,1,3-JAN-2000,\n"
              "Y,BE,1,1,1,1,1,1,1,1,4-JAN-2000,\n",
       "21STCENMGM,20000103,20,24.6,20,24.55,54000\r\nY,20000104,1,1,1,1,1\r\n"},
      {kOld + "NTPC,N4,1,1,1,1,1,1,1,1,3-JAN-2000,\n", "!line 2: the symbol length '-1' is negative", "-1"},
      {kUdiff + "\n" + kTcs.substr(0, 56) + "BL" + kTcs.substr(58) + kTcs.substr(0, kTcs.size() - 1) + std::string(500, ',') + "\n",
       "TCS,20240708,4022,4031.25,3978.05,3993.2,1758882\r\n"},  // a row of more fields than the header
      {"\xEF\xBB\xBFSctySrs,TckrSymb,TradDt,OpnPric,HghPric,LwPric,ClsPric,TtlTradgVol,\n"
       "BE,ABCDEF,2024-07-09,1,2,0.5,1.5,10,\neq,ABCDEF,2024-07-09,1,2,0.5,1.5,10,\n",
       "ABC,20240709,1,2,0.5,1.5,10\r\n", "3"},
      {"TckrSymb,SctySrs,OpnPric,HghPric,LwPric,ClsPric,TtlTradgVol\n", "!line 1: the header has no column TradDt"},
      {kUdiff + "\n" + kTcs.substr(0, 88) + "12a" + kTcs.substr(95), "!line 3: the OpnPric value '12a' is not a number"},
      {kFull + "X, EQ, 31-02-2026, 1, 1, 1, 1, 1, 1, 1, 1\n", "!line 2: the DATE1 value '31-02-2026' is not a date"},
      {kFull + "X, N1\nX, BE, 06-Aug-2026, 1, 2\n", "!line 3: the line has 5 fields, none for the column HIGH_PRICE"},
      // BSE's rows: equity shares only (not debt, government securities, fund units, other instruments), values
      // trimmed, symbols as they are.
      {kUdiff + bse_row("STK", "INE002A01018", " RELIANCE ", "A", " 1331.00 ", " 2026-06-19 ", " BSE ") +
           bse_row("STK", "INE01XX07012", "NCD", "F") + bse_row("STK", "IN0020230010", "GS2033", "G") +
           bse_row("STK", "INF204KB14I2", "NIFTYBEES", "B") + bse_row("FUT", "INE002A01018", "FUTX", "A") +
           bse_row("STK", "INE032C01018", "A&B-C.DEFGH", "XT") + bse_row("STK", "INE002A01018", "NOSRC", "A", "1", "2026-06-19", ""),
       "RELIANCE,20260619,1331,1338.4,1305.5,1309.35,1053238\r\nA&B-C.DEFG,20260619,1331,1338.4,1305.5,1309.35,1053238\r\n"},
      {kUdiff + bse_row("STK", "INE0R9C01016", "SME", "M", "13a1"), "!line 2: the OpnPric value '13a1' is not a number"},
      {kUdiff + bse_row("STK", "INF204KB14I2", "ETF", "B", "13a1") + bse_row("STK", "INE0R9C01016", "SME", "MT", "1", "2026-02-30"),
       "!line 3: the TradDt value '2026-02-30' is not a date"},
  };
  for (const Row& r : rows) {
    Today t;
    t.tp.disk.put("/s/x.csv", r.data);
    t.w.rbSource = kSourceFolder, t.w.txtLength = r.length;
    fOutput(t.w, t.tp.platform);
    const bool failed = r.want.starts_with("!");
    EXPECT_EQ(t.tp.messages.shown.empty() ? t.text("/d/x_DX.txt") : "!" + t.tp.messages.shown.at(0),
              failed ? "!fOutput: /s/x.csv, " + r.want.substr(1) + ". /d/x_DX.txt was not written." : r.want);
    EXPECT_EQ(t.files("/d").size(), failed ? 0u : 1u);
  }
}

// Indices across the November 2015 rename, old names mapped to today's, an
// index listed twice (the first row counts), close-only and volume-less
// indices, a day answered with an HTML page, a name on no day (its earlier
// file kept); day files kept and not asked again; the rebuild from every kept
// day file, dated by the file's name; the default list of a first run.
TEST(TodayExchange, IndicesOfOldAndNewNamesFromTheDailyFiles) {
  Today t(fake_exchange({2015, 10, 30}, {2015, 11, 3}, {{}, {{2015, 11, 3}}}));
  t.tp.disk.put("/s/INDEX_MID.csv", "earlier");
  t.w.arrIndexList = {"S&P CNX NIFTY=NIFTY", "", "CNX IT=IT", "india  vix=VIX", "Nifty Midcap 50=MID"};
  fgetIndices(t.w, t.tp.platform, {2015, 10, 30}, {2015, 11, 3});
  const std::string index = "\r\nDownloading Index data for ", done = "\r\n Index Download is complete.";
  EXPECT_EQ(t.w.Text1.text(), index + "NIFTY" + done + index + "IT" + done + index + "VIX" + done + index +
                                  "MID\r\n Index Download failed: the name 'Nifty Midcap 50' is in none of the exchange's daily index "
                                  "files from 30-Oct-2015 to 03-Nov-2015.\r\nDaily index files not stored: 03-Nov-2015: The answer "
                                  "is not a daily index file: it is an HTML page.");
  const std::string head = "Date,Open,High,Low,Close,Shares Traded\r\n";
  EXPECT_EQ(t.text("/s/INDEX_NIFTY.csv"), head + "30-Oct-2015,19998,20012,19991,20003,150000030\r\n"
                                                 "02-Nov-2015,19995.2,20009.2,19988.2,20000.2,150000002\r\n");
  EXPECT_EQ(t.text("/s/INDEX_IT.csv").substr(head.size(), 17), "30-Oct-2015,59998");
  EXPECT_EQ(t.text("/s/INDEX_VIX.csv"), head + "30-Oct-2015,80003,80003,80003,80003,0\r\n"
                                               "02-Nov-2015,80000.2,80000.2,80000.2,80000.2,0\r\n");
  EXPECT_EQ(t.text("/s/INDEX_MID.csv"), "earlier");
  EXPECT_EQ(t.files("/s/indices"), (Lines{"ind_close_all_02112015.csv", "ind_close_all_30102015.csv"}));
  EXPECT_EQ(t.tp.fetcher.log.size(), 5u);
  t.tp.fetcher.log.clear();
  fgetIndices(t.w, t.tp.platform, {2015, 10, 30}, {2015, 11, 3});
  EXPECT_EQ(t.tp.fetcher.log.size(), 3u);  // 31 Oct and 1 Nov (a weekend), 3 Nov

  // Earlier runs' days: "S&P CNX Nifty", "05/01/2015", the month-first "04-03-2023", a
  // byte-order mark, a "-" close and an HTML page.
  for (const Date& d : {Date{2012, 10, 1}, Date{2015, 1, 5}, Date{2023, 4, 3}})
    t.tp.disk.put("/s/indices/" + index_day_file_name(d), fake::index_file(d));
  const std::string h = std::string(kIndexDayHeader) + "\n";
  t.tp.disk.put("/s/indices/ind_close_all_06032023.csv", "\xEF\xBB\xBF" + h + "nifty 50,06-03-2023,100,110,90,105,1,-.12,1234,\n");
  t.tp.disk.put("/s/indices/ind_close_all_10072024.csv", h + "Nifty 50,10-07-2024,1,2,1,-,1,1,1,\n");
  t.tp.disk.put("/s/indices/ind_close_all_11072024.csv", kBlockedPage);
  ModelStatus status(t.w);
  EXPECT_EQ(rebuild_index_histories("/s", {"Nifty 50=N50"}, t.tp.disk, status).files, Lines{"/s/INDEX_N50.csv"});
  EXPECT_EQ(t.text("/s/INDEX_N50.csv"), head + "01-Oct-2012,19995.1,20009.1,19988.1,20000.1,150000001\r\n05-Jan-2015,19995.5,20009.5,"
                                               "19988.5,20000.5,150000005\r\n30-Oct-2015,19998,20012,19991,20003,150000030\r\n02-Nov-2015,"
                                               "19995.2,20009.2,19988.2,20000.2,150000002\r\n06-Mar-2023,100,110,90,105,1234\r\n"
                                               "03-Apr-2023,19995.3,20009.3,19988.3,20000.3,150000003\r\n");

  t.w.arrIndexList.reset();  // a first run: the default list, in the current layout only
  fgetIndices(t.w, t.tp.platform, {2015, 10, 30}, {2015, 10, 30});
  EXPECT_TRUE(t.tp.disk.is_file("/s/INDEX_BANKNIFTY.csv"));
  t.w.gExchangeLayout = ExchangeLayout::legacy;
  fgetIndices(t.w, t.tp.platform, {2015, 10, 30}, {2015, 10, 30});
  EXPECT_EQ(t.tp.messages.shown.size(), 1u);
}

// Names of before November 2015 that the fake exchange's files do not hold.
TEST(TodayExchange, IndexNamesOfBothEras) {
  for (const auto& [a, b, same] : {std::tuple{"CNX NIFTY JUNIOR", "Nifty Next 50", true}, {"CNX Nifty Junior", "Nifty 50", false},
                                    {"CNX MIDCAP", "Nifty Midcap 100", true}, {"Nifty 50", "Nifty 500", false}})
    EXPECT_EQ(index_name_key(a) == index_name_key(b), same) << a << " / " << b;
}

// ExchangeLayout= of the settings file, the option over it, and the first
// save of the Settings command writing the default index list (current only).
TEST(TodayExchange, LayoutFromSettingsAndOption) {
  // The settings file, the options, the layout, whether a first save writes the default index list, the message.
  struct Row { std::string ini; Lines args; ExchangeLayout want; bool indices_saved; std::string message = {}; } rows[] = {
      {"", {}, ExchangeLayout::current, true},
      {"[QN_EOD]\nExchangeLayout=legacy\n", {}, ExchangeLayout::legacy, false},
      {"[QN_EOD]\nExchangeLayout=Legacy\n", {"--exchange-layout", "current"}, ExchangeLayout::current, true},
      {"[QN_EOD]\nExchangeLayout=old\n", {}, ExchangeLayout::current, true,
       "Form Load The settings file's ExchangeLayout 'old' is neither current nor legacy; current is used."},
      {"[QN_Indices]\nA=B\n", {}, ExchangeLayout::current, false},  // a list of the user's
  };
  std::string error;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.ini);
    MemoryPlatform tp;
    if (!r.ini.empty()) tp.disk.put("/c/QM.INI", r.ini);
    WindowCommands window(tp.platform, "/c/QM.INI");
    window.Form_Load();
    apply_options(window, *parse_command_line(r.args, error));
    EXPECT_EQ(window.model().gExchangeLayout, r.want);
    EXPECT_EQ(tp.messages.shown, r.message.empty() ? Lines{} : Lines{r.message});
    window.cmdOptions_Click();
    EXPECT_EQ(tp.disk.files.at("/c/QM.INI").find("\nNifty 50=NIFTY") != std::string::npos, r.indices_saved);
  }
  EXPECT_FALSE(parse_command_line({"--exchange-layout", "new"}, error));
  EXPECT_EQ(error, "--exchange-layout takes current or legacy, not 'new'");
}

// F&O: the old file (to 5 July 2024) and the UDiFF file (from the 8th)
// downloaded beside the Bhavcopy and converted, with and without open
// interest: each contract, the continuous series rolling after an expiry
// day, an untraded contract's close, options and other futures left out.
TEST(TodayExchange, FuturesOfBothLayoutsAndTheirContinuousSeries) {
  const std::string fifth =
      "M&M-I,20240705,2900,2912,2896,2905,5005\r\nM&M-II,20240705,2910,2922,2906,2915,4005\r\n"
      "M&M-III,20240705,2925,2925,2925,2925,0\r\nM&M24AUGFUT,20240705,2910,2922,2906,2915,4005\r\n"
      "M&M24JULFUT,20240705,2900,2912,2896,2905,5005\r\nM&M24SEPFUT,20240705,2925,2925,2925,2925,0\r\n"
      "NIFTY-I,20240705,24000,24012,23996,24005,5005\r\nNIFTY-II,20240705,24010,24022,24006,24015,4005\r\n"
      "NIFTY-III,20240705,24020,24032,24016,24025,3005\r\nNIFTY24AUGFUT,20240705,24010,24022,24006,24015,4005\r\n"
      "NIFTY24JULFUT,20240705,24000,24012,23996,24005,5005\r\nNIFTY24SEPFUT,20240705,24020,24032,24016,24025,3005\r\n";
  for (const bool oi : {false, true}) {
    Today t(fake_exchange({2024, 7, 4}, {2024, 7, 26}));
    t.w.chkFO = true, t.w.Combo1ListIndex = oi ? 1 : 0;
    fGetFoFiles(t.w, t.tp.platform, {2024, 7, 5}, {2024, 7, 8});
    EXPECT_TRUE(t.w.Text1.text().ends_with("Downloading F&O BhavCopy for 06/07/2024 <- file doesnt exists...."
                                           "\r\nDownloading F&O BhavCopy for 07/07/2024 <- file doesnt exists...."
                                           "\r\nDownloading F&O BhavCopy for 08/07/2024 <- file downloaded...."
                                           "\r\nF&O data is extracted from the NSE Site.")) << t.w.Text1.text();
    EXPECT_EQ(t.w.arrFoFiles, (Lines{"/s/fo/2024_07_05.csv", "/s/fo/2024_07_08.csv"}));
    fConvertFo(t.w, t.tp.platform);
    EXPECT_EQ(t.tp.messages.shown, Lines{});
    std::string want = fifth;
    if (oi)  // each record's open interest: 1000000 + 100000 k + day
      for (size_t at = 0, k = 0; (at = want.find("\r\n", at)) != std::string::npos; at += 12, ++k) {
        const char* ks = "012102012102";
        want.insert(at, ",1" + std::string(1, ks[k]) + "00005");
      }
    EXPECT_EQ(t.text("/d/fo/2024_07_05_DX.txt"), want);
    const std::string eighth = t.text("/d/fo/2024_07_08_DX.txt");  // UDiFF: the actual expiry counts
    EXPECT_TRUE(eighth.starts_with("M&M-I,20240708,2903,2915,2899,2908,5008" + std::string(oi ? ",1000008" : "") + "\r\n"));
    EXPECT_NE(eighth.find("\r\nM&M24JULFUT,20240708,2903,"), std::string::npos) << eighth;
    if (oi) continue;
    // The expiry day and the day after: -I rolls from July to August.
    t.w.rbSource = kSourceFolder;
    fGetFoFiles(t.w, t.tp.platform, {2024, 7, 25}, {2024, 7, 26});
    fConvertFo(t.w, t.tp.platform);
    for (const auto& [day, near, values] : {std::tuple{"25", "JUL", ",20240725,24020,24032,24016,24025,5025\r\n"},
                                            std::tuple{"26", "AUG", ",20240726,24021,24033,24017,24026,5026\r\n"}}) {
      const std::string out = t.text("/d/fo/2024_07_" + std::string(day) + "_DX.txt");
      EXPECT_NE(out.find("\r\nNIFTY-I" + std::string(values)), std::string::npos) << out;
      EXPECT_NE(out.find("\r\nNIFTY24" + std::string(near) + "FUT" + values), std::string::npos) << out;
      EXPECT_EQ(out.find("NIFTY24JULFUT") != std::string::npos, day == std::string("25")) << out;
    }
  }
  // A mirror of the old site: its address only, even from 8 July 2024.
  Today legacy;
  legacy.w.gExchangeLayout = ExchangeLayout::legacy;
  fGetFoFiles(legacy.w, legacy.tp.platform, {2024, 7, 8}, {2024, 7, 8});
  EXPECT_EQ(legacy.tp.fetcher.log, Lines{kBase + "/content/historical/DERIVATIVES/2024/JUL/fo08JUL2024bhav.csv.zip"});
  EXPECT_EQ(legacy.w.txtLabel.text(), legacy.tp.fetcher.log.front());  // the address shown is the one asked
}

}  // namespace
}  // namespace quillon::testing
