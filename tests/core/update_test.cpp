// The Update command and fUpdateAmi against the real SQLite EOD database in
// temporary folders.
#include <gtest/gtest.h>

#include "chartdb/eod_server.h"
#include "app/window_commands.h"
#include "app/operations.h"
#include "fakes.h"

namespace quillon {
namespace {

using testing::TestPlatform;
using Lines = std::vector<std::string>;

std::string loaded(const std::string& db) {
  return "\r\nAmiBroker Update: loaded DB " + db + "...\r\n";
}
std::string ab_path(const std::string& db) {
  return "\r\nAmiBroker Update: AB path is: " + db + "...\r\n";
}
std::string updating(const std::string& f) {
  return "\r\nAmiBroker Update: Updating AmiBroker with  " + f + "...\r\n";
}
std::string failed(const std::string& what) {
  return "\r\nfUpdateAmi AmiBorker : " + what + "\r\n";
}

class UpdateTest : public ::testing::Test {
 protected:
  UpdateTest() {
    register_sqlite_broker(tp.brokers, server);
    w.gstrAmiPath = db;
  }
  // One day of ABC (prices from `base`) and XYZ.
  std::string day(const std::string& name, int date, int base = 10) {
    const std::string path = tmp.path() + "/" + name, d = std::to_string(date),
                      b = std::to_string(base);
    testing::write_text(
        path, "ABC," + d + "," + b + ",11,9," + b + ".5,1000\r\nXYZ," + d + ",20,21,19,20,500\r\n");
    return path;
  }
  std::vector<Quote> stored(const std::string& folder, const std::string& symbol) {
    return EodDatabase::open(folder)->quotes(symbol);
  }

  testing::TempDir tmp;
  std::string db = tmp.sub("charts");
  TestPlatform tp;
  EodServer server;
  WindowCommands window{tp.platform};
  WindowModel& w = window.model();
};

TEST_F(UpdateTest, ImportsEveryQueuedFileInOrderThenEmptiesTheQueue) {
  const std::string a = day("a_DX.txt", 20080129, 10), b = day("b_DX.txt", 20080130, 11),
                    c = day("c_DX.txt", 20080131, 12);
  Lines refreshed;
  server.add_refresh_listener([&](const std::string& folder) { refreshed.push_back(folder); });
  w.colAmiFiles = {a, b, c, a};  // the same path twice
  window.Command3_Click();

  EXPECT_EQ(w.Text1.text(), loaded(db) + ab_path(db) + updating(a) + ab_path(db) + updating(b) +
                                ab_path(db) + updating(c) + ab_path(db) + updating(a));
  EXPECT_TRUE(w.colAmiFiles.empty());
  EXPECT_TRUE(tp.messages.shown.empty());
  EXPECT_EQ(tp.pointer.log,
            (Lines{"busy", "arrow", "busy", "arrow", "busy", "arrow", "busy", "arrow"}));
  EXPECT_EQ(refreshed, (Lines{db, db, db, db}));
  EXPECT_EQ(stored(db, "ABC"), (std::vector<Quote>{{"ABC", 20080129, 10, 11, 9, 10.5, 1000},
                                                   {"ABC", 20080130, 11, 11, 9, 11.5, 1000},
                                                   {"ABC", 20080131, 12, 11, 9, 12.5, 1000}}));
}

TEST_F(UpdateTest, AFailingFileIsReportedAndTheOthersStillImported) {
  const std::string a = day("a_DX.txt", 20080129), bad = tmp.path() + "/bad_DX.txt",
                    c = day("c_DX.txt", 20080131);
  testing::write_text(bad, "ABC,20080130,1,2,1,2,5\r\nXYZ,20080130,1,2,1,x,5\r\n");
  w.colAmiFiles = {a, bad, c};
  window.Command3_Click();
  EXPECT_EQ(w.Text1.text(), loaded(db) + ab_path(db) + updating(a) + ab_path(db) + updating(bad) +
                                failed("13Line 2 of '" + bad +
                                       "': the CLOSE value 'x' is not a number;"
                                       " nothing of the file was imported.") +
                                ab_path(db) + updating(c));
  EXPECT_TRUE(w.colAmiFiles.empty() && tp.messages.shown.empty());
  EXPECT_EQ(tp.pointer.log.size(), 6u);
  EXPECT_EQ(stored(db, "ABC").size(), 2u);
}

TEST_F(UpdateTest, AnEmptyQueueDoesNothing) {
  window.Command3_Click();
  EXPECT_EQ(w.Text1.text(), "");
  EXPECT_TRUE(tp.pointer.log.empty() && tp.messages.shown.empty());
  EXPECT_EQ(server.database(), nullptr);
}

// "Charts" and "CHARTS" are two folders here: a load would switch to the
// other one, so quotes landing in the open one show that none took place.
TEST_F(UpdateTest, APathDifferingOnlyInLetterCaseLoadsAndSavesNothing) {
  const std::string open = tmp.sub("Charts"), other = tmp.sub("CHARTS"),
                    a = day("a_DX.txt", 20080131);
  ASSERT_TRUE(server.load(open));
  w.gstrAmiPath = other;
  w.colAmiFiles = {a};
  window.Command3_Click();
  EXPECT_EQ(w.Text1.text(), ab_path(open) + updating(a));
  EXPECT_EQ(stored(open, "ABC").size(), 1u);
  EXPECT_FALSE(testing::exists(other + "/" + kEodDatabaseFile));
}

TEST_F(UpdateTest, AnEmptyAmiPathImportsIntoTheOpenDatabaseOrNowhere) {
  const std::string a = day("a_DX.txt", 20080130), b = day("b_DX.txt", 20080131);
  w.gstrAmiPath = "";
  w.colAmiFiles = {a, b};
  window.Command3_Click();  // none open: nothing takes the files
  auto none = [](const std::string& f) {
    return failed("1004No chart database is open, so '" + f +
                  "' was not imported: LoadDatabase needs an existing folder.");
  };
  EXPECT_EQ(w.Text1.text(),
            ab_path("") + updating(a) + none(a) + ab_path("") + updating(b) + none(b));

  ASSERT_TRUE(server.load(db));  // one open: it takes every file
  w.Text1.clear();
  w.colAmiFiles = {a, b};
  window.Command3_Click();
  EXPECT_EQ(w.Text1.text(), ab_path(db) + updating(a) + ab_path(db) + updating(b));
  EXPECT_EQ(stored(db, "XYZ").size(), 2u);
}

TEST(UpdateWithoutBackend, EachFileGetsOneErrorLineAndTheQueueIsEmptied) {
  TestPlatform tp;  // nothing registered
  WindowCommands window(tp.platform);
  window.model().colAmiFiles = {"/x/a_DX.txt", "/x/b_DX.txt"};
  window.Command3_Click();
  const std::string line = failed(
      "429Cannot create the object 'Broker.Application': no chart database is registered under "
      "that name.");
  EXPECT_EQ(window.model().Text1.text(), line + line);
  EXPECT_TRUE(window.model().colAmiFiles.empty() && tp.messages.shown.empty());
  EXPECT_EQ(tp.pointer.log, (Lines{"busy", "arrow", "busy", "arrow"}));
}

// A failure outside the single imports (here the status box) ends the
// command with its message box and keeps the queue.
TEST_F(UpdateTest, AFailureOfTheLoopShowsCmdUpdateAndKeepsTheQueue) {
  w.colAmiFiles = {day("a_DX.txt", 20080131)};
  w.Text1.set_listener([](std::string_view, bool) { throw Error("the status box is gone"); });
  window.Command3_Click();
  EXPECT_EQ(tp.messages.shown, (Lines{"cmdUpdate: the status box is gone"}));
  EXPECT_EQ(w.colAmiFiles.size(), 1u);
}

}  // namespace
}  // namespace quillon
