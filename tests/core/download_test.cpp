// The Download command and its three downloads against the serving fetcher
// and the in-memory disk: addresses, local names, status lines, and the
// faults of the disk and the server, each named in its row. A file that did
// not arrive whole is never stored, never reported as arrived.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "app/operations.h"
#include "app/window_commands.h"
#include "download/download_support.h"
#include "fakes.h"
#include "indices/index_download.h"

namespace quillon::testing {
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;
const std::string kBase = "http://x", kDays = kBase + "/content/historical/EQUITIES/", kIndexFile = kBase + "/content/indices/histdata/";
const std::string kDay = "\r\nDownloading BhavCopy for ", kExtracted = "\r\nData is extracted from the NSE Site.";

std::string bhav_csv(const std::string& symbol, const std::string& date) {
  return "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\n" + symbol +
         ",EQ,100.50,110,99,105.25,105,100,1234,129000.5," + date + ",\n";
}

// A window model and platform for downloads into /s, as the window sets them.
struct Download {
  Download() {
    tp.disk.make_folders("/s");
    tp.disk.make_folders(folder_of(scratch_page_path(tp.program_folder)));
    w.gstrExchangeUrl = kBase, w.txtSourceFolder = "/s", w.txtDestFolder = "/d";
    w.gExchangeLayout = ExchangeLayout::legacy;  // the old site's addresses
  }
  Lines files_in_s() const { return tp.disk.names_under("/s"); }
  MemoryPlatform tp;
  WindowModel w;
};

TEST(Download, BhavcopyDaysOverAYearEnd) {
  Download d;
  d.tp.fetcher.routes = {{kDays + "2008/DEC/cm30DEC2008bhav.csv", {200, bhav_csv("INFY", "30-DEC-2008"), {}}},
                         {kDays + "2008/DEC/cm31DEC2008bhav.csv", {200, bhav_csv("INFY", "31-DEC-2008"), {}}},
                         {kDays + "2009/JAN/cm02JAN2009bhav.csv", {200, bhav_csv("TCS", "02-JAN-2009"), {}}}};
  for (auto [pattern, folder, shown] : {std::tuple{"dd/MM/yyyy", "/s", Lines{"30/12/2008", "31/12/2008", "01/01/2009", "02/01/2009"}},
                                        std::tuple{"M/d/yy", "/s/", Lines{"12/30/08", "12/31/08", "1/1/09", "1/2/09"}}}) {
    SCOPED_TRACE(pattern);
    d.tp.date_pattern.pattern = pattern, d.w.txtSourceFolder = folder;
    d.w.Text1.append("text of an earlier run");
    fGetNseFileAlt(d.w, d.tp.platform, {2008, 12, 30}, {2009, 1, 2});
    EXPECT_EQ(d.w.Text1.text(), kDay + shown[0] + " <- file downloaded...." + kDay + shown[1] + " <- file downloaded...." + kDay +
                                    shown[2] + " <- file doesnt exists...." + kDay + shown[3] + " <- file downloaded...." + kExtracted);
    EXPECT_EQ(d.w.arrBhavFiles, (Lines{"/s/2008_12_30.csv", "/s/2008_12_31.csv", "/s/2009_01_02.csv"}));
    EXPECT_EQ(d.w.txtLabel, kDays + "2009/JAN/cm02JAN2009bhav.csv");
  }
  EXPECT_EQ(d.tp.fetcher.log.at(3), kDays + "2009/JAN/cm01JAN2009bhav.csv.zip");  // the missing day asked again zipped
  EXPECT_EQ(d.tp.events.pumps, 8);
  EXPECT_EQ(d.tp.progress.reports.back(), (std::pair{4, 4}));
  fGetNseFileAlt(d.w, d.tp.platform, {2008, 2, 1}, {2008, 1, 31});  // from after to: nothing
  EXPECT_TRUE(d.w.Text1.text() == kExtracted && d.w.arrBhavFiles == Lines{""});
  EXPECT_EQ(d.tp.fetcher.log.size(), 10u);
}

// Older days come only zipped. An earlier copy stays when the new one does
// not arrive whole, and counts as downloaded. The temporaries of a download
// killed before it ended go with the next one.
TEST(Download, ZippedDays) {
  const pid_t dead = ::fork();  // a writer that is gone
  if (dead == 0) ::_exit(0);
  ::waitpid(dead, nullptr, 0);
  const std::string csv = bhav_csv("INFY", "31-JAN-2008"), good = zip_of({{"cm31JAN2008bhav.csv", csv}});
  std::string damaged = zip_of({{"cm31JAN2008bhav.csv", csv + std::string(200, ' ')}});
  damaged[damaged.size() / 3] ^= 0x55;
  struct Row { const char* what; std::string zip; bool earlier; std::string stored; /* "" for no file */ } rows[] = {
      {"one csv", good, false, csv}, {"cut short", good.substr(0, 60), false, ""}, {"damaged", damaged, true, "earlier"},
      {"one csv in any folder and letter case, over an earlier copy", zip_of({{"readme.txt", "x"}, {"cm31JAN2008bhav.csv/X.CSV", csv}}), true, csv},
      {"no csv", zip_of({{"readme.txt", "x"}}), true, "earlier"}, {"two csv", zip_of({{"a.csv", csv}, {"b.csv", csv}}), false, ""},
      {"disk full", good, true, "earlier"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Download d;
    d.tp.disk.put("/s/.2008_01_31.csv.quillon-tmp" + std::to_string(dead) + "-0", "part");
    if (r.earlier) d.tp.disk.put("/s/2008_01_31.csv", "earlier");
    if (r.what == "disk full"s) d.tp.disk.fail(MemoryDisk::Write, "/s/2008", ENOSPC);
    d.tp.fetcher.routes[kDays + "2008/JAN/cm31JAN2008bhav.csv.zip"] = {200, r.zip, {}};
    fGetNseFileAlt(d.w, d.tp.platform, {2008, 1, 31}, {2008, 1, 31});
    EXPECT_EQ(d.w.Text1.text(), kDay + "31/01/2008 <- file " + (r.stored.empty() ? "doesnt exists...." : "downloaded....") + kExtracted);
    EXPECT_EQ(d.files_in_s(), r.stored.empty() ? Lines{} : Lines{"2008_01_31.csv"});
    EXPECT_EQ(d.tp.disk.files["/s/2008_01_31.csv"], r.stored);
  }
}

// One index file under faults of the disk and the server: the status line
// says why, the earlier copy stays, nothing else is written.
TEST(Download, IndexFileFaults) {
  struct Row { const char* what; Route answer; std::function<void(MemoryDisk&)> fault; std::string status; } rows[] = {
      {"arrives", {200, "Index Name,Date\r\n", {}}, {}, "is complete."},
      {"disk full", {200, "Index Name,Date\r\n", {}}, [](MemoryDisk& d) { d.fail(MemoryDisk::Write, "/s/INDEX", ENOSPC); },
       "failed: Cannot write the file '/s/INDEX_N.csv': No space left on device."},
      {"source folder missing", {200, "x", {}}, [](MemoryDisk& d) { d.folders.erase("/s"); },
       "failed: Cannot create the file '/s/INDEX_N.csv': No such file or directory."},
      {"not found", {404, "<html>", {}}, {}, "failed: The server answered http://x/n.csv with HTTP status 404."},
      {"a transfer that broke off", {0, "", "Connection reset by peer"}, {}, "failed: Connection reset by peer (http://x/n.csv)"},
  };
  for (const Row& r : rows) for (bool earlier : {false, true}) {
    SCOPED_TRACE(std::string(r.what) + (earlier ? ", earlier copy" : ""));
    Download d;
    if (earlier) d.tp.disk.put("/s/INDEX_N.csv", "old");
    if (r.fault) r.fault(d.tp.disk);
    d.tp.fetcher.routes[kBase + "/n.csv"] = r.answer;
    FGetNseIndex(d.w, d.tp.platform, {kBase + "/n.csv", "N"});
    EXPECT_EQ(d.w.Text1.text(), "\r\nDownloading Index data for N\r\n Index Download " + r.status);
    EXPECT_TRUE(d.tp.messages.shown.empty());
    const bool stored = r.status == "is complete.";
    EXPECT_EQ(d.files_in_s(), stored || earlier ? Lines{"INDEX_N.csv"} : Lines{});
    EXPECT_EQ(d.tp.disk.files["/s/INDEX_N.csv"], stored ? r.answer.body : earlier ? "old" : "");
  }
}

TEST(Download, IndexAddressesQueryTextsAndLocalNames) {
  Download d;
  d.w.arrIndexList = {"S&P CNX NIFTY=NIFTY", "   BANK NIFTY  =  BANKNIFTY ", "", "a=b=c", ""};
  d.tp.fetcher.routes = {{kIndexFile + "S&P CNX NIFTY1122007922008.csv", {200, "nifty", {}}},
                         {kIndexFile + "BANK NIFTY1122007922008.csv", {200, "bank", {}}},
                         {kIndexFile + "a1122007922008.csv", {200, "abc", {}}}};
  fgetIndices(d.w, d.tp.platform, {2007, 12, 1}, {2008, 2, 9});
  Lines asked, pages;
  for (auto [query, file] : {std::pair{"S%26P+CNX+NIFTY", "S&P CNX NIFTY"}, std::pair{"BANK+NIFTY", "BANK NIFTY"}, std::pair{"a", "a"}}) {
    pages.push_back(kBase + "/marketinfo/indices/histdata/historicalindices.jsp?IndexType=" + query +
                    "&Fromday=1&Frommon=12&Fromyr=2007&Today=9&Tomon=2&Toyr=2008&Indicesdata=Get+Details&check=new");
    asked.insert(asked.end(), {pages.back(), kIndexFile + file + "1122007922008.csv"});
  }
  EXPECT_EQ(d.tp.fetcher.log, asked);
  EXPECT_EQ(d.tp.browser.addresses, pages);
  EXPECT_EQ(d.files_in_s(), (Lines{"INDEX_BANKNIFTY.csv", "INDEX_NIFTY.csv", "INDEX_b=c.csv"}));
  EXPECT_EQ(d.tp.disk.files["/s/INDEX_NIFTY.csv"], "nifty");
  const std::string done = "\r\n Index Download is complete.", index = "\r\nDownloading Index data for ";
  EXPECT_EQ(d.w.Text1.text(), index + "NIFTY" + done + index + "BANKNIFTY" + done + index + "b=c" + done);
  EXPECT_EQ(d.w.strIndexFileUrl, kIndexFile + "a1122007922008.csv");
  EXPECT_EQ(d.tp.events.pumps, 3);
}

// A bad entry ends the run there: the entries before it are fetched, none
// after, nothing is written outside the source folder.
TEST(Download, IndexListFaultsEndTheRunAtTheEntry) {
  const std::tuple<std::optional<Lines>, size_t, std::string> rows[] = {
      {std::nullopt, 0, "There is no index list"}, {Lines{"A=X", "B=Y", "C", "D=Z"}, 2, "The index entry 'C'"},
      {Lines{"A=X", "B=../Y"}, 1, "The index short name '../Y'"}, {Lines{"A=.."}, 0, "The index short name '..'"},
      {Lines{"A=X", "=X"}, 1, "The index entry '=X' (entry 2"},  // once fetched as "INDEX_X"
      {Lines{" A = "}, 0, "The index entry ' A = ' (entry 1"}, {Lines{"A=a\\b"}, 0, "The index short name 'a\\b'"},
      {Lines{"A=a\tb"}, 0, "The index short name 'a?b'"}};
  for (const auto& [list, fetched, message] : rows) {
    SCOPED_TRACE(message);
    Download d;
    d.w.arrIndexList = list;
    fgetIndices(d.w, d.tp.platform, {2008, 1, 31}, {2008, 1, 31});
    ASSERT_EQ(d.tp.messages.shown.size(), 1u);
    EXPECT_EQ(d.tp.messages.shown[0].rfind("fgetIndices: " + message, 0), 0u) << d.tp.messages.shown[0];
    EXPECT_EQ(d.tp.fetcher.log.size(), 2 * fetched);
    for (const std::string& path : d.tp.disk.written) EXPECT_TRUE(path.starts_with("/s/")) << path;
  }
}

TEST(Download, ScripHistory) {
  const std::string file = kBase + "/content/equities/scripvol/datafiles/";
  struct Row { std::string typed, symbol, query, folder; } rows[] = {
      {"infy", "INFY", "INFY", "/s"}, {"m&m", "M&M", "M%26M", "/s/"}, {"a b+c=d", "A B+C=D", "A%20B%2BC%3DD", "/s"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.typed);
    Download d;
    d.tp.fetcher.routes[file + "5120082032008" + r.symbol + "XN.csv"] = {200, "history", {}};
    d.w.txtSourceFolder = r.folder, d.w.txtScrip = r.typed;
    d.w.Text1.append("before");
    fDownloadScrip(d.w, d.tp.platform, {2008, 1, 5}, {2008, 3, 20});
    EXPECT_EQ(d.tp.fetcher.log, (Lines{kBase + "/marketinfo/equities/scripvol/histscrip.jsp?inputtext=" + r.query +
                                           "&series=X&Fromday=5&Frommon=1&Fromyr=2008&Today=20&Tomon=3&Toyr=2008&submit=Get+Results&check=new",
                                       file + "5120082032008" + r.symbol + "XN.csv"}));
    EXPECT_EQ(d.tp.disk.files["/s/5120082032008" + r.symbol + "XN.csv"], "history");
    EXPECT_EQ(d.w.Text1.text(), "before\r\ndownloading data for " + r.symbol + "\r\ndownloading data for " + r.symbol + " is completed.");
    EXPECT_EQ(d.tp.events.pumps, 1);
  }
  Download missing;  // a file that did not arrive is never reported as completed
  missing.w.txtScrip = "infy";
  fDownloadScrip(missing.w, missing.tp.platform, {2008, 1, 31}, {2008, 1, 31});
  EXPECT_EQ(missing.w.Text1.text(), "\r\ndownloading data for INFY\r\ndownloading data for INFY failed: The server answered " +
                                        file + "31120083112008INFYXN.csv with HTTP status 404.");
  for (std::string typed : {"../x", "a/b", ".", "x\\y"}) {  // no plain file name: nothing fetched
    Download d;
    d.w.txtScrip = typed;
    fDownloadScrip(d.w, d.tp.platform, {2008, 1, 31}, {2008, 1, 31});
    EXPECT_EQ(d.tp.messages.shown.at(0).rfind("fDownloadScrip: The scrip symbol '", 0), 0u) << typed;
    EXPECT_TRUE(d.tp.fetcher.log.empty() && d.w.Text1.text().empty());
  }
}

TEST(Download, TheCommandChecksThenRunsWhatTheBoxesAskFor) {
  // What was fetched: a letter a run, Bhavcopy, Scrip, Indices, bsE's day files.
  struct Row { int source; std::string from, to, src, dest, message; bool eod = true, indices = false; std::string scrip = {}, runs = {}; int stop_after = -1;
               ExchangeLayout layout = ExchangeLayout::legacy; } rows[] = {
      {kSourceNse, "", "", "", "", "Please Enter a Valid From Date."},
      {kSourceNse, "31/02/2008", "x", "", "", "Please Enter a Valid From Date."},
      {kSourceNse, "31/01/2008", "", "", "", "Please Enter a Valid To Date."},
      {kSourceNse, "31/01/2008", "2008-02-01", "", "", "Please select a valid Source folder"},
      {kSourceNse, "31/01/2008", "1/2/08", "/s", "", "Please select a valid Dest. folder"},
      {kSourceNse, "31/01/2008", "31/01/2008", "/s", "/d", "", true, false, "", "B"},
      {kSourceNse, "31/01/2008", "31/01/2008", "/s", "/d", "", true, false, " ", "S"},  // a blank is a scrip
      {kSourceNse, "31/01/2008", "31/01/2008", "/s", "/d", "", true, true, "", "BI"},
      {kSourceNse, "31/01/2008", "31/01/2008", "/s", "/d", "", true, true, "INFY", "SI"},
      {kSourceNse, "31/01/2008", "31/01/2008", "/s", "/d", "", false, true, "INFY", "I"},
      {kSourceNse, "31/01/2008", "31/01/2008", "/s", "/d", "", false, false, "", ""},
      // A stop during the Bhavcopy days stops the index download too.
      {kSourceNse, "31/01/2008", "02/02/2008", "/s", "/d", "", true, true, "", "B", 1},
      // BSE: nothing in the legacy layout, as ever; in the current one its day files (no scrip), then the indices.
      {kSourceBse, "08/07/2024", "08/07/2024", "/s", "/d", "", true, true, "INFY", ""},
      {kSourceBse, "08/07/2024", "08/07/2024", "/s", "/d", "", true, true, "INFY", "EI", -1, ExchangeLayout::current},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.message + r.runs);
    MemoryPlatform tp;
    WindowCommands window(tp.platform);
    WindowModel& w = window.model();
    window.rbSource_Click(r.source);
    std::tie(w.TxtFromDt, w.TxtToDt, w.txtSourceFolder, w.txtDestFolder, w.chkEOD, w.chkIndices, w.txtScrip, tp.progress.stop_after) =
        std::tie(r.from, r.to, r.src, r.dest, r.eod, r.indices, r.scrip, r.stop_after);
    w.gExchangeLayout = r.layout, w.arrIndexList = {"S&P CNX NIFTY=NIFTY"};
    window.cmdProcess_Click();
    EXPECT_EQ(tp.messages.shown, r.message.empty() ? Lines{} : Lines{r.message});
    EXPECT_EQ(tp.pointer.log, (Lines{"busy", "arrow"}));
    std::string runs;
    for (const std::string& a : tp.fetcher.log) {
      const char kind = a.find("/EQUITIES/") != std::string::npos ? 'B' : a.find("scripvol") != std::string::npos ? 'S'
                        : a.starts_with(kDefaultBseUrl + "/download/BhavCopy/Equity/"s) ? 'E' : 'I';
      if (runs.empty() || runs.back() != kind) runs += kind;
    }
    EXPECT_EQ(runs, r.runs);
  }
}

// Stop ends the run after the current day or index.
TEST(Download, Stop) {
  Download d;
  d.w.arrIndexList = {"A=X", "", "B=Y", "C=Z"};
  d.tp.progress.stop_after = 1;
  fgetIndices(d.w, d.tp.platform, {2008, 1, 31}, {2008, 1, 31});
  EXPECT_EQ(d.w.Text1.text(), "\r\nDownloading Index data for X\r\n Index Download failed: The server answered " + kIndexFile +
                                  "A31120083112008.csv with HTTP status 404.\r\nDownload stopped by the user.");
  EXPECT_EQ(d.tp.progress.reports, (std::vector<std::pair<int, int>>{{0, 3}}));
  fGetNseFileAlt(d.w, d.tp.platform, {2008, 1, 31}, {2008, 2, 2});
  EXPECT_EQ(d.w.Text1.text(), kDay + "31/01/2008 <- file doesnt exists....\r\nDownload stopped by the user.");
}

}  // namespace
}  // namespace quillon::testing
