// Catch-up and gaps over the fake exchange of today's files, an in-memory
// disk and a chart database that records what it is given.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/window_commands.h"
#include "fakes.h"
#include "memory_disk.h"
#include "serving_fetcher.h"

namespace quillon::testing {
namespace {

const std::string kBase = "https://x", kCsv = "/d/csv", kEod = "/d/eod", kIni = "/d/QM.INI";

Date D(std::string_view iso) { return *parse_ymd(iso, '-'); }

// A chart database that records the files imported.
struct RecordingBrokers final : BrokerFactory {
  struct App final : BrokerApplication {
    std::vector<std::string>& imported;
    explicit App(std::vector<std::string>& i) : imported(i) {}
    std::string DatabasePath() override { return "/d/db"; }
    bool LoadDatabase(const std::string&) override { return true; }
    void SaveDataBase() override {}
    void Import(short, const std::string& f, const std::string&) override { imported.push_back(f); }
    void RefreshAll() override {}
  };
  std::unique_ptr<BrokerApplication> create(const std::string&) override {
    return std::make_unique<App>(imported);
  }
  std::vector<std::string> imported;
};

struct Evening : ::testing::Test {
  TestPlatform tp;
  MemoryDisk disk;
  ServingFetcher fetcher{disk};
  RecordingBrokers brokers;
  Platform platform{.messages = tp.messages, .disk = disk, .date_pattern = tp.date_pattern,
                    .clock = tp.clock, .program_folder = tp.program_folder, .events = tp.events,
                    .pointer = tp.pointer, .browser = tp.browser, .web = tp.web,
                    .folders = tp.folders, .fetcher = fetcher, .brokers = brokers,
                    .progress = tp.progress};
  WindowCommands window{platform};
  WindowModel& w = window.model();

  void SetUp() override {
    w.txtSourceFolder = kCsv;
    w.txtDestFolder = kEod;
    w.gstrIniPath = kIni;
    w.gstrExchangeUrl = kBase;
    disk.make_folders(kEod);
    disk.make_folders(kCsv);
  }
  void have(const std::vector<std::string>& days) {
    for (const std::string& d : days) disk.put(kCsv + "/" + format_date(D(d), "yyyy_MM_dd") + ".csv", "x");
  }
  // The days requested ("13JUN2024": the old daily file's name), the log emptied.
  std::string requested() {
    std::string days;
    for (const std::string& a : fetcher.log)
      days += (days.empty() ? "" : " ") + a.substr(a.rfind("/cm") + 3, 9);
    fetcher.log.clear();
    return days;
  }
};

TEST_F(Evening, CatchUpFetchesTheMissingTradingDaysConvertsAndImportsThem) {
  struct Case {
    std::vector<std::string> have;
    std::optional<std::string> from;
    std::string requests, missing_line, summary;
    bool missing;
    std::string second_run;  // the requests of a run right after
  } cases[] = {
      // 17 Jun is a holiday, 19 Jun answers 404, today (21 Jun) is not published yet.
      {{"2024-06-10", "2024-06-12"}, {}, "13JUN2024 14JUN2024 18JUN2024 19JUN2024 20JUN2024 21JUN2024",
       "Trading days missing: 19/06/2024",
       "Catch-up: 4 days fetched, 0 already there, 1 missing, 16 records imported.", true,
       "21JUN2024"},
      // --from: days already there are not fetched again.
      {{"2024-06-10", "2024-06-12", "2024-06-18", "2024-06-20"}, "11/06/2024",
       "11JUN2024 13JUN2024 14JUN2024 19JUN2024 21JUN2024", "Trading days missing: 19/06/2024",
       "Catch-up: 3 days fetched, 3 already there, 1 missing, 12 records imported.", true,
       "21JUN2024"},
      // Up to date: only today is asked for; nothing converted, no message.
      {{"2024-06-20"}, {}, "21JUN2024", "",
       "Catch-up: 0 days fetched, 0 already there, 0 missing, 0 records imported.", false,
       "21JUN2024"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.requests);
    disk.files.clear();
    brokers.imported.clear();
    have(c.have);
    fetcher.routes.clear();
    fetcher.serve(kBase, fake_exchange(D("2024-06-03"), D("2024-06-20"),
                                       {.holidays = {D("2024-06-17"), D("2024-06-19")}, .blocked = {}}));
    w.gstrAmiPath = "/d/db";
    window.set_today(D("2024-06-21"));
    EXPECT_EQ(window.cmdCatchUp_Click(c.from), c.missing);
    EXPECT_EQ(requested(), c.requests);
    const std::string& text = w.Text1.text();
    EXPECT_NE(text.find("21/06/2024 <- not published yet"), std::string::npos) << text;
    EXPECT_EQ(text.find("Trading days missing") == std::string::npos, c.missing_line.empty());
    EXPECT_NE(text.find(c.missing_line + "\r\nCatch-up:"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with(c.summary)) << text;
    EXPECT_EQ(brokers.imported.size(), c.summary.find(" 0 days") == std::string::npos
                                           ? disk.list(kEod, "*_DX.txt").size() : 0u);
    EXPECT_EQ(tp.messages.shown, std::vector<std::string>{});
    EXPECT_FALSE(window.cmdCatchUp_Click());
    EXPECT_EQ(requested(), c.second_run);
  }
}

TEST_F(Evening, WithIndicesTheHistoriesAreRebuiltFromEveryDailyIndexFileKept) {
  have({"2024-06-12"});
  disk.put(kCsv + "/indices/ind_close_all_11062024.csv", fake::index_file(D("2024-06-11")));
  fetcher.serve(kBase, fake_exchange(D("2024-06-03"), D("2024-06-14")));
  w.chkIndices = true;
  w.arrIndexList = {"Nifty 50=NIFTY"};
  window.set_today(D("2024-06-14"));
  EXPECT_FALSE(window.cmdCatchUp_Click());
  std::string history;
  disk.read(kCsv + "/INDEX_NIFTY.csv", history);  // the header, 11, 13 and 14 June
  EXPECT_EQ(std::count(history.begin(), history.end(), '\n'), 4) << history;
  EXPECT_TRUE(disk.is_file(kCsv + "/indices/ind_close_all_14062024.csv"));
  EXPECT_TRUE(disk.is_file(kEod + "/INDEX_NIFTY_DX.txt")) << w.Text1.text();
}

TEST_F(Evening, GapsListsTheMissingTradingDaysHonouringTheSettings) {
  struct Case {
    std::string settings;
    std::optional<std::string> from, to;
    std::string lines;
    bool missing;
  } cases[] = {
      {"", {}, {},
       "2026-11-19\r\n2026-11-25\r\n2026-11-27\r\n"
       "3 of 7 trading days from 2026-11-18 to 2026-11-27 have no day file.\r\n", true},
      {"[QN_Holidays]\n2026-11-19=Closed\n2026-11-25=x\n2026-11-27=Made up\n2026-11-22=Session\n",
       {}, {}, "2026-11-22\r\n1 of 5 trading days from 2026-11-18 to 2026-11-27", true},
      {"", "20/11/2026", "23/11/2026", "0 of 2 trading days from 2026-11-20 to 2026-11-23", false},
      {"", "01/11/2026", "30/12/2026", "2026-11-02\r\n", true},  // --to after today: yesterday
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    w.Text1.clear();
    disk.put(kIni, c.settings);
    have({"2026-11-18", "2026-11-20", "2026-11-23", "2026-11-26"});
    window.set_today(D("2026-11-28"));
    EXPECT_EQ(window.cmdGaps_Click(c.from, c.to), c.missing);
    EXPECT_NE(w.Text1.text().find(c.lines), std::string::npos) << w.Text1.text();
  }
}

TEST_F(Evening, NoDayFileNoFromAndAFolderSourceAreRefused) {
  std::string error;
  std::ostringstream err;
  auto cl = parse_command_line({"--source", "folder", "catch-up"}, error);
  window.rbSource_Click(kSourceFolder);
  EXPECT_EQ(run_commands(window, *cl, err), kExitUsage);
  window.rbSource_Click(kSourceNse);
  EXPECT_FALSE(window.cmdCatchUp_Click());
  EXPECT_FALSE(window.cmdGaps_Click({}, {}));
  ASSERT_EQ(tp.messages.shown.size(), 2u);
  EXPECT_NE(tp.messages.shown[0].find("--from"), std::string::npos);
  EXPECT_TRUE(fetcher.log.empty());
  EXPECT_FALSE(parse_command_line({"--today", "4/12/2026", "gaps"}, error));
}

}  // namespace
}  // namespace quillon::testing
