// Catch-up and gaps over the fake exchange of today's files, an in-memory
// disk and a chart database that takes whatever it is given, at the
// exchange's own address.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/window_commands.h"
#include "fakes.h"

namespace quillon::testing {
namespace {

const std::string kCsv = "/d/csv", kEod = "/d/eod";

Date D(std::string_view iso) { return *parse_ymd(iso, '-'); }

// Takes every file, noting each import and each refresh of the charts.
struct TakingBroker final : BrokerApplication {
  explicit TakingBroker(std::string& log) : log_(log) {}
  std::string DatabasePath() override { return "/d/db"; }
  bool LoadDatabase(const std::string&) override { return true; }
  void SaveDataBase() override {}
  void Import(short, const std::string& file, const std::string&) override { log_ += " import " + file; }
  void RefreshAll() override { log_ += " refresh"; }
  std::string& log_;
};

struct Evening : ::testing::Test {
  MemoryPlatform tp;
  WindowCommands window{tp.platform, "/d/QM.INI"};
  WindowModel& w = window.model();
  std::string imports;  // what the chart database was given

  void SetUp() override {
    tp.brokers.add("Broker.Application", [this] { return std::make_unique<TakingBroker>(imports); });
    w.txtSourceFolder = kCsv;
    w.txtDestFolder = kEod;
    w.gstrIniPath = "/d/QM.INI";
    w.gstrAmiPath = "/d/db";
    tp.disk.make_folders(kEod);
    tp.disk.make_folders(kCsv);
  }
  void have(const std::vector<std::string>& days) {
    for (const std::string& d : days) tp.disk.put(kCsv + "/" + format_date(D(d), "yyyy_MM_dd") + ".csv", "x");
  }
  // The command line's options and command run on the window: the exit status.
  int run(std::vector<std::string> args, const std::string& command) {
    std::string error;
    std::ostringstream err;
    args.push_back(command);
    const CommandLine cl = parse_command_line(args, error).value();
    apply_options(window, cl);
    return run_commands(window, cl, err);
  }
  // The days requested ("13JUN2024": the old daily file's name; "20240710":
  // BSE's), the log emptied.
  std::string requested() {
    std::string days;
    for (const std::string& a : std::exchange(tp.fetcher.log, {}))
      if (a.find("/EQUITIES/") != std::string::npos || a.find("_BSE_") != std::string::npos)
        days += (days.empty() ? "" : " ") + (a.find("_BSE_") != std::string::npos ? a.substr(a.find("_0_0_0_") + 7, 8)
                                                                                  : a.substr(a.rfind("/cm") + 3, 9));
    return days;
  }
};

// 17 Jun 2024 is a holiday, 19 Jun answers 404, today (21 Jun) is not
// published yet; a run right after asks only for today.
TEST_F(Evening, CatchUpFetchesTheMissingTradingDaysConvertsAndImportsThem) {
  struct Case { std::vector<std::string> have, options; std::string requests, summary; } cases[] = {
      {{"2024-06-10", "2024-06-12"}, {}, "13JUN2024 14JUN2024 18JUN2024 19JUN2024 20JUN2024 21JUN2024",
       "4 days fetched, 0 already there, 1 missing, 16 records imported."},
      // --from: days already there are not fetched again.
      {{"2024-06-10", "2024-06-12", "2024-06-18", "2024-06-20"}, {"--from", "11/06/2024"},
       "11JUN2024 13JUN2024 14JUN2024 19JUN2024 21JUN2024",
       "3 days fetched, 3 already there, 1 missing, 12 records imported."},
      // Up to date: only today is asked for; nothing converted, no message.
      {{"2024-06-20"}, {}, "21JUN2024", "0 days fetched, 0 already there, 0 missing, 0 records imported."},
  };
  tp.fetcher.serve(w.gstrExchangeUrl,
                   fake_exchange(D("2024-06-03"), D("2024-06-20"), {{D("2024-06-17"), D("2024-06-19")}, {}}));
  window.set_today(D("2024-06-21"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.requests);
    tp.disk.files.clear();
    have(c.have);
    const bool missing = c.summary.find(" 0 missing") == std::string::npos;
    EXPECT_EQ(run(c.options, "catch-up"), missing ? kExitDaysMissing : kExitOk);
    EXPECT_EQ(requested(), c.requests);
    const std::string& text = w.Text1.text();
    EXPECT_NE(text.find("21/06/2024 <- not published yet"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with((missing ? "\r\nTrading days missing: 19/06/2024" : "") +
                               ("\r\nCatch-up: " + c.summary))) << text;
    EXPECT_EQ(tp.messages.shown, std::vector<std::string>{});
    EXPECT_EQ(run({}, "catch-up"), kExitOk);
    EXPECT_EQ(requested(), "21JUN2024");
  }
}

// The corporate actions of each day fetched and the symbol changes are kept
// beside the day files; what could not be stored is named at the end, and a
// bundle without a list, like a 404, says nothing.
TEST_F(Evening, CatchUpKeepsTheCorporateActionsOfTheDaysItFetches) {
  tp.fetcher.serve(w.gstrExchangeUrl, fake_exchange(D("2024-06-03"), D("2024-06-14")));
  const std::string pr = w.gstrExchangeUrl + "/archives/equities/bhavcopy/pr/PR";
  tp.fetcher.routes[pr + "120624.zip"] = {503, "busy", {}};
  tp.fetcher.routes[pr + "130624.zip"] = {200, zip_of({{"Pd130624.csv", "x"}}), {}};
  tp.fetcher.routes[w.gstrExchangeUrl + "/content/equities/symbolchange.csv"] = {200, kBlockedPage, {}};
  have({"2024-06-10"});
  EXPECT_EQ(run({"--today", "2024-06-14"}, "catch-up"), kExitOk);
  EXPECT_EQ(tp.disk.names_under(kCsv + "/actions"), (std::vector<std::string>{"2024_06_11_bc.csv", "2024_06_14_bc.csv"}));
  EXPECT_NE(w.Text1.text().find("\r\nCorporate actions not stored: 12/06/2024: The server answered " + pr +
                                "120624.zip with HTTP status 503.; symbolchange.csv: The answer is not a list of symbol "
                                "changes: it is an HTML page.\r\n"),
            std::string::npos) << w.Text1.text();
  // With F&O each day's F&O file too, converted into fo/ after the day files.
  tp.fetcher.serve(w.gstrExchangeUrl, fake_exchange(D("2024-06-18"), D("2024-06-18")));
  EXPECT_EQ(run({"--today", "2024-06-19", "--fo"}, "catch-up"), kExitOk);
  EXPECT_NE(w.Text1.text().find("\r\nDownloading F&O BhavCopy for 18/06/2024 <- file downloaded....\r\n"
                                "Downloading BhavCopy for 19/06/2024 <- not published yet\r\n"
                                "Downloading F&O BhavCopy for 19/06/2024 <- not published yet"),
            std::string::npos) << w.Text1.text();
  EXPECT_TRUE(tp.disk.files[kEod + "/fo/2024_06_18_DX.txt"].starts_with("M&M-I,20240618,2913,2925,2909,2918,")) << w.Text1.text();
  tp.fetcher.log.clear();  // the records come with EOD ticked only
  tp.fetcher.serve(w.gstrExchangeUrl, fake_exchange(D("2024-06-19"), D("2024-06-19")));
  EXPECT_EQ(run({"--today", "2024-06-19", "--no-eod", "--no-fo"}, "catch-up"), kExitOk);
  EXPECT_EQ(tp.fetcher.log, std::vector<std::string>{w.gstrExchangeUrl + "/content/historical/EQUITIES/2024/JUN/cm19JUN2024bhav.csv.zip"});

}

// With indices the histories are rebuilt from every daily index file kept
// (the 11th from an earlier run) and converted.
TEST_F(Evening, WithIndicesTheHistoriesAreRebuiltAndConverted) {
  have({"2024-06-12"});
  for (const char* day : {"11", "13"})  // the 13th's kept already: not asked for
    tp.disk.put(kCsv + "/indices/ind_close_all_" + day + "062024.csv", fake::index_file(D("2024-06-" + std::string(day))));
  tp.fetcher.serve(w.gstrExchangeUrl, fake_exchange(D("2024-06-03"), D("2024-06-14")));
  w.arrIndexList = {"Nifty 50=NIFTY"};
  EXPECT_EQ(run({"--today", "2024-06-14", "--indices"}, "catch-up"), kExitOk);
  EXPECT_NE(w.Text1.text().find("Index data for 13/06/2024 <- file already there....\r\n"), std::string::npos) << w.Text1.text();
  EXPECT_EQ(tp.disk.files[kEod + "/INDEX_NIFTY_DX.txt"],
            "NIFTY,20240611,19996.1,20010.1,19989.1,20001.1,0\r\nNIFTY,20240613,19996.3,20010.3,19989.3,20001.3,"
            "0\r\nNIFTY,20240614,19996.4,20010.4,19989.4,20001.4,0\r\n") << w.Text1.text();
  // A run that stores no index day converts no index history.
  EXPECT_EQ(run({"--today", "2024-06-17", "--indices"}, "catch-up"), kExitOk);
  EXPECT_EQ(w.Text1.text().find("Index"), std::string::npos) << w.Text1.text();
  // A From date that is no date: the message, and no day reported missing.
  EXPECT_FALSE(window.cmdCatchUp_Click("32/06/2024"));
  EXPECT_EQ(tp.messages.shown, std::vector<std::string>{"Please Enter a Valid From Date."});
}

// With BSE chosen catch-up goes on from the newest of BSE's day files (the
// exchange's count for nothing), asks BSE's host for each trading day of the
// exchange's calendar but never for a day before BSE's file began, and
// converts and imports what came; gaps looks at BSE's day files too.
TEST_F(Evening, WithBseCatchUpFetchesBsesDayFiles) {
  const std::vector<std::string> bse = {"--source", "bse", "--bse-url", "https://bse", "--today", "2024-07-12"};
  tp.fetcher.serve("https://bse", fake_bse(D("2024-07-01"), D("2024-07-12")));
  have({"2024-07-11"});
  run(bse, "catch-up");  // a message
  EXPECT_EQ(tp.messages.shown.at(0).substr(0, 68), "The source folder holds no day file (BSE_yyyy_mm_dd.csv) to continue");
  tp.disk.put(kCsv + "/BSE_2024_07_09.csv", "x");
  EXPECT_EQ(run(bse, "catch-up"), kExitOk);
  EXPECT_EQ(requested(), "20240710 20240711 20240712");
  EXPECT_EQ(w.Text1.text().find("BSE's files of the days before"), std::string::npos);
  EXPECT_TRUE(w.Text1.text().ends_with("Catch-up: 3 days fetched, 0 already there, 0 missing, 15 records imported."));
  EXPECT_EQ(run({"--source", "bse", "--today", "2024-07-12", "--from", "04/07/2024"}, "catch-up"), kExitOk);
  EXPECT_EQ(requested(), "20240708");
  EXPECT_NE(w.Text1.text().find("Catching up from 04/07/2024 to 12/07/2024: 1 trading days to fetch.\r\nBSE's files of the "
                                "days before 08/07/2024 are not downloaded.\r\nDownloading BhavCopy for 08/07/2024 <- file "
                                "downloaded....\r\n"), std::string::npos) << w.Text1.text();
  EXPECT_EQ(run({"--source", "bse", "--from", "03/07/2024", "--today", "2024-07-13"}, "gaps"), kExitDaysMissing);
  EXPECT_NE(w.Text1.text().find("2024-07-03\r\n2024-07-04\r\n2024-07-05\r\n3 of 8 trading days from"), std::string::npos);
}

// Several days in flight, coming back out of order, give what one day after
// the other gives: the same status text, files and requests, for catch-up
// and for each download by day.
TEST(DaysInFlight, GiveWhatOneDayAfterTheOtherGives) {
  const std::vector<std::string> runs[] = {
      {"--jobs", "3", "--rate", "0", "--today", "2024-06-14", "--from", "04/06/2024", "--indices", "catch-up"},
      {"--jobs", "3", "--rate", "0", "--from", "04/06/2024", "--to", "14/06/2024", "--indices", "download"},
      {"--jobs", "3", "--rate", "0", "--from", "04/06/2024", "--to", "14/06/2024", "--scrip", "tcs", "download"}};
  for (const std::vector<std::string>& args : runs) {
    SCOPED_TRACE(args.back() + " " + args[args.size() - 2]);
    std::string outcome[2];  // exit status, status text, messages, requests (sorted) and files
    for (bool in_flight : {false, true}) {
      MemoryPlatform tp;
      ServingBatchFetcher batch(tp.fetcher);
      if (in_flight) tp.platform.batch_fetcher = &batch;
      WindowCommands window{tp.platform};
      WindowModel& w = window.model();
      std::tie(w.txtSourceFolder, w.txtDestFolder, w.gstrIniPath, w.arrIndexList) =
          std::tuple(kCsv, kEod, "/d/QM.INI", std::vector<std::string>{"Nifty 50=NIFTY"});
      for (const std::string& f : {kCsv, kEod}) tp.disk.make_folders(f);
      tp.fetcher.serve(w.gstrExchangeUrl, fake_exchange(D("2024-06-03"), D("2024-06-14"), {{D("2024-06-10")}, {}}));
      std::string error, &o = outcome[in_flight];
      std::ostringstream err;
      const CommandLine cl = parse_command_line(args, error).value();
      apply_options(window, cl);
      o = std::to_string(run_commands(window, cl, err)) + w.Text1.text();
      std::sort(tp.fetcher.log.begin(), tp.fetcher.log.end());
      for (const std::string& m : tp.messages.shown) o += "\nmessage " + m;
      for (const std::string& a : tp.fetcher.log) o += "\nasked " + a;
      for (const auto& [path, text] : tp.disk.files) o += "\nfile " + path + "\n" + text;
      EXPECT_EQ(batch.most_in_flight, in_flight ? 3u : 0u);
    }
    EXPECT_EQ(outcome[1], outcome[0]);
    EXPECT_NE(outcome[0].find("file " + kCsv + "/2024_06_14.csv"), std::string::npos);
  }
}

// Stopped after the first day (its corporate actions included) with three
// transfers in flight: the days in flight end and are kept, the days never
// asked for are missing.
TEST_F(Evening, StopEndsTheDaysInFlightAndCountsTheRestMissing) {
  ServingBatchFetcher batch(tp.fetcher);
  tp.platform.batch_fetcher = &batch;
  tp.progress.stop_after = 1;
  tp.fetcher.serve(w.gstrExchangeUrl, fake_exchange(D("2024-06-03"), D("2024-06-14"), {{D("2024-06-10")}, {}}));
  EXPECT_EQ(run({"--today", "2024-06-14", "--from", "04/06/2024", "--jobs", "3", "--rate", "0"}, "catch-up"),
            kExitDaysMissing);
  EXPECT_EQ(requested(), "06JUN2024 05JUN2024 04JUN2024 10JUN2024 07JUN2024");  // as the batch ended them
  const std::string& text = w.Text1.text();
  EXPECT_NE(text.find("10/06/2024 <- missing: the exchange has no file (404)\r\nDownload stopped by the user.\r\n"),
            std::string::npos) << text;
  EXPECT_TRUE(text.ends_with("Trading days missing: 10/06/2024, 11/06/2024, 12/06/2024, 13/06/2024"
                             "\r\nCatch-up: 4 days fetched, 0 already there, 4 missing, 16 records imported.")) << text;
}

// Auto Update ends Convert and Catch up with the Update of what they queued,
// as a press of Update would: each file once, the charts refreshed.
TEST_F(Evening, AutoUpdateImportsWhatTheRunQueuedOnce) {
  const std::string d12 = "/d/eod/2024_06_12_DX.txt", i12 = " import " + d12 + " refresh", on = "[QN_EOD]\nAutoUpdate=1\n",
                    i13_14 = " import /d/eod/2024_06_13_DX.txt refresh import /d/eod/2024_06_14_DX.txt refresh";
  struct Row { const char* fault; std::string settings; std::vector<std::string> args; std::string imports;
               std::vector<std::string> left_queued = {}, message = {}, queued_before = {}; } rows[] = {
      {"imported without Auto Update", "", {"--source", "folder", "convert"}, "", {d12}},
      {"imported twice by convert update", "", {"--source", "folder", "--auto-update", "convert", "update"}, i12},
      {"the earlier queue imported too", "", {"--source", "folder", "--auto-update", "convert"}, i12, {"/d/e_DX.txt"},
       {}, {"/d/e_DX.txt"}},
      {"AutoUpdate=1 not read", on, {"--source", "folder", "convert"}, i12},
      {"the settings file over the option", on, {"--source", "folder", "--no-auto-update", "convert"}, "", {d12}},
      {"a value neither 0 nor 1 taken", "[QN_EOD]\nAutoUpdate=yes\n", {"--source", "folder", "convert"}, "", {d12},
       {"Form Load The settings file's AutoUpdate 'yes' is neither 0 nor 1; 0 is used."}},
      {"catch-up imports twice", on + "AmiPath=/d/db\n", {"--today", "2024-06-14", "catch-up"}, i13_14},
      {"catch-up without AmiPath skips Auto Update", "", {"--auto-update", "--today", "2024-06-14", "catch-up"}, i13_14},
      {"catch-up imports without AmiPath", "", {"--today", "2024-06-14", "catch-up"}, "",
       {"/d/eod/2024_06_13_DX.txt", "/d/eod/2024_06_14_DX.txt"}},
  };
  tp.fetcher.serve(w.gstrExchangeUrl, fake_exchange(D("2024-06-03"), D("2024-06-14")));
  for (const Row& r : rows) {
    SCOPED_TRACE(r.fault);
    tp.messages.shown.clear();
    imports.clear();
    tp.disk.files = {{kCsv + "/2024_06_12.csv", "X,EQ,1,2,0.5,1.5,1.5,1,7,9,12-JUN-2024,\n"}, {w.gstrIniPath, r.settings}};
    window.Form_Load();
    window.rbSource_Click(kSourceNse);
    std::tie(w.txtSourceFolder, w.txtDestFolder, w.colAmiFiles) = std::tuple(kCsv, kEod, r.queued_before);
    run({r.args.begin(), r.args.end() - 1}, r.args.back());
    EXPECT_EQ(imports, r.imports);
    EXPECT_EQ(w.colAmiFiles, r.left_queued);
    EXPECT_EQ(tp.messages.shown, r.message);
  }
}

TEST_F(Evening, GapsListsTheMissingTradingDaysHonouringTheSettings) {
  const std::tuple<std::string, std::vector<std::string>, std::string> cases[] = {
      {"", {},
       "2026-11-19\r\n2026-11-25\r\n2026-11-27\r\n3 of 7 trading days from 2026-11-18 to 2026-11-27 have no day file.\r\n"},
      {"[QN_Holidays]\n2026-11-19=Closed\n2026-11-25=x\n2026-11-27=Made up\n2026-11-22=Session\n", {},
       "2026-11-22\r\n1 of 5 trading days from 2026-11-18 to 2026-11-27"},
      {"", {"--from", "20/11/2026", "--to", "23/11/2026"}, "0 of 2 trading days from 2026-11-20 to 2026-11-23"},
      {"", {"--from", "01/11/2026", "--to", "30/12/2026"}, "2026-11-02\r\n"},  // --to after today: yesterday
  };
  have({"2026-11-18", "2026-11-20", "2026-11-23", "2026-11-26"});
  window.set_today(D("2026-11-28"));
  for (const auto& [settings, options, lines] : cases) {
    SCOPED_TRACE(settings);
    w.Text1.clear();
    tp.disk.put(w.gstrIniPath, settings);
    EXPECT_EQ(run(options, "gaps"), lines.starts_with("0 of") ? kExitOk : kExitDaysMissing);
    EXPECT_NE(w.Text1.text().find(lines), std::string::npos) << w.Text1.text();
  }
}

TEST_F(Evening, NoDayFileNoFromAndAFolderSourceAreRefused) {
  EXPECT_EQ(run({"--source", "folder"}, "catch-up"), kExitUsage);
  EXPECT_EQ(run({"--source", "nse"}, "catch-up") + run({}, "gaps"), kExitOk);  // a message each
  ASSERT_EQ(tp.messages.shown.size(), 2u);
  EXPECT_NE(tp.messages.shown[0].find("--from"), std::string::npos);
  EXPECT_TRUE(tp.fetcher.log.empty());
  std::ostringstream terminal;  // where each message is one line
  StreamMessageBox(terminal).show("a\r\nb\nc\rd");
  EXPECT_EQ(terminal.str(), "a b c d\n");
}

}  // namespace
}  // namespace quillon::testing
