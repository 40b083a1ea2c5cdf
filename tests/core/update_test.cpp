// The Update command and fUpdateAmi against the real SQLite EOD database in
// temporary folders. A recording wrapper around the real automation object
// shows which calls the command makes.
#include <gtest/gtest.h>

#include "amibroker/eod_server.h"
#include "app/main_window.h"
#include "fakes.h"

namespace quillon {
namespace {

using testing::TempDir;
using testing::TestPlatform;
using testing::write_text;

std::string loaded(const std::string& db) { return "\r\nAmiBroker Update: loaded DB " + db + "...\r\n"; }
std::string ab_path(const std::string& db) { return "\r\nAmiBroker Update: AB path is: " + db + "...\r\n"; }
std::string updating(const std::string& file) {
  return "\r\nAmiBroker Update: Updating AmiBroker with  " + file + "...\r\n";
}
std::string failed(const std::string& number_and_description) {
  return "\r\nfUpdateAmi AmiBorker : " + number_and_description + "\r\n";
}

// The real object, with every call written to a log.
class RecordingBroker final : public BrokerApplication {
 public:
  RecordingBroker(EodServer& server, std::vector<std::string>& log) : real_(server), log_(log) {}
  std::string DatabasePath() override {
    log_.push_back("DatabasePath");
    return real_.DatabasePath();
  }
  bool LoadDatabase(const std::string& path) override {
    log_.push_back("LoadDatabase(" + path + ")");
    return real_.LoadDatabase(path);
  }
  void SaveDataBase() override {
    log_.push_back("SaveDataBase");
    real_.SaveDataBase();
  }
  void Import(short type, const std::string& file, const std::string& format) override {
    log_.push_back("Import(" + std::to_string(type) + "," + file + "," + format + ")");
    real_.Import(type, file, format);
  }
  void RefreshAll() override {
    log_.push_back("RefreshAll");
    real_.RefreshAll();
  }

 private:
  SqliteBroker real_;
  std::vector<std::string>& log_;
};

class UpdateTest : public ::testing::Test {
 protected:
  UpdateTest() {
    tp.brokers.add(kBrokerProgId, [this] { return std::make_unique<RecordingBroker>(server, calls); });
    w.gstrAmiPath = db;
  }

  // An EOD file of one day: ABC and XYZ with prices from `base`.
  std::string day_file(const std::string& name, int date, int base) {
    const std::string path = eod + "/" + name;
    const std::string d = std::to_string(date), b = std::to_string(base);
    write_text(path, "ABC," + d + "," + b + ",11,9," + b + ".5,1000\r\nXYZ," + d + ",20,21,19,20,500\r\n");
    return path;
  }
  std::vector<Quote> stored(const std::string& folder, const std::string& symbol) {
    auto database = EodDatabase::open(folder);
    return database->quotes(symbol);
  }

  TempDir tmp;
  std::string db = tmp.sub("charts");
  std::string eod = tmp.sub("eod");
  TestPlatform tp;
  EodServer server;
  std::vector<std::string> calls;
  MainWindow window{tp.platform};
  WindowModel& w = window.model();
};

TEST_F(UpdateTest, ImportsThreeFilesInQueueOrderAndEmptiesTheQueue) {
  const std::string a = day_file("a_DX.txt", 20080129, 10), b = day_file("b_DX.txt", 20080130, 11),
                    c = day_file("c_DX.txt", 20080131, 12);
  w.colAmiFiles = {a, b, c};
  window.Command3_Click();

  EXPECT_EQ(w.Text1.text(), loaded(db) + ab_path(db) + updating(a) + ab_path(db) + updating(b) +
                                ab_path(db) + updating(c));
  EXPECT_TRUE(w.colAmiFiles.empty());
  EXPECT_TRUE(tp.messages.shown.empty());
  EXPECT_EQ(tp.pointer.log,
            (std::vector<std::string>{"busy", "arrow", "busy", "arrow", "busy", "arrow"}));
  const std::string import = ",VaRA_EOD.format)";
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "DatabasePath", "LoadDatabase(" + db + ")", "SaveDataBase", "DatabasePath",
                       "Import(0," + a + import, "RefreshAll",  //
                       "DatabasePath", "DatabasePath", "Import(0," + b + import, "RefreshAll",
                       "DatabasePath", "DatabasePath", "Import(0," + c + import, "RefreshAll"}));
  const auto abc = stored(db, "ABC");
  ASSERT_EQ(abc.size(), 3u);
  EXPECT_EQ(abc.front(), (Quote{"ABC", 20080129, 10, 11, 9, 10.5, 1000}));
  EXPECT_EQ(abc.back(), (Quote{"ABC", 20080131, 12, 11, 9, 12.5, 1000}));
}

TEST_F(UpdateTest, AFailingFileIsReportedAndTheOthersStillImported) {
  const std::string a = day_file("a_DX.txt", 20080129, 10), c = day_file("c_DX.txt", 20080131, 12);
  const std::string bad = eod + "/bad_DX.txt";
  write_text(bad, "ABC,20080130,1,2,1,2,5\r\nXYZ,20080130,1,2,1,x,5\r\n");
  w.colAmiFiles = {a, bad, c};
  window.Command3_Click();

  EXPECT_EQ(w.Text1.text(),
            loaded(db) + ab_path(db) + updating(a) + ab_path(db) + updating(bad) +
                failed("13Line 2 of '" + bad +
                       "': the CLOSE value 'x' is not a number; nothing of the file was imported.") +
                ab_path(db) + updating(c));
  EXPECT_TRUE(w.colAmiFiles.empty());
  EXPECT_TRUE(tp.messages.shown.empty());
  EXPECT_EQ(tp.pointer.log.size(), 6u);
  EXPECT_EQ(tp.pointer.log.back(), "arrow");
  const auto abc = stored(db, "ABC");
  ASSERT_EQ(abc.size(), 2u);
  EXPECT_EQ(abc[0].date, 20080129);
  EXPECT_EQ(abc[1].date, 20080131);
}

TEST_F(UpdateTest, TheSamePathQueuedTwiceIsImportedTwiceWithoutDuplicates) {
  const std::string a = day_file("a_DX.txt", 20080131, 10);
  w.colAmiFiles = {a, a};
  window.Command3_Click();
  EXPECT_EQ(w.Text1.text(), loaded(db) + ab_path(db) + updating(a) + ab_path(db) + updating(a));
  EXPECT_EQ(stored(db, "ABC").size(), 1u);
}

TEST_F(UpdateTest, AnEmptyQueueDoesNothing) {
  window.Command3_Click();
  EXPECT_EQ(w.Text1.text(), "");
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(tp.pointer.log.empty());
  EXPECT_TRUE(tp.messages.shown.empty());
  EXPECT_FALSE(testing::exists(db + "/" + kEodDatabaseFile));
}

// On this file system "Charts" and "CHARTS" are two folders: a load would
// switch to the other one, so the import landing in the open one shows
// that no load took place.
TEST_F(UpdateTest, APathDifferingOnlyInLetterCaseLoadsAndSavesNothing) {
  const std::string open = tmp.sub("Charts"), other = tmp.sub("CHARTS");
  ASSERT_TRUE(server.load(open));
  w.gstrAmiPath = other;
  const std::string a = day_file("a_DX.txt", 20080131, 10);
  w.colAmiFiles = {a};
  window.Command3_Click();

  EXPECT_EQ(w.Text1.text(), ab_path(open) + updating(a));
  EXPECT_EQ(calls[0], "DatabasePath");
  EXPECT_EQ(calls[1], "DatabasePath");  // no LoadDatabase, no SaveDataBase
  EXPECT_EQ(stored(open, "ABC").size(), 1u);
  EXPECT_FALSE(testing::exists(other + "/" + kEodDatabaseFile));
}

TEST_F(UpdateTest, AnEmptyAmiPathAsksForAnEmptyLoadBeforeEveryFile) {
  const std::string a = day_file("a_DX.txt", 20080130, 10), b = day_file("b_DX.txt", 20080131, 11);
  w.gstrAmiPath = "";
  w.colAmiFiles = {a, b};

  // No database open: nothing can take the files.
  window.Command3_Click();
  const std::string none = "1004No chart database is open, so '";
  const std::string why = "' was not imported: LoadDatabase needs an existing folder.";
  EXPECT_EQ(w.Text1.text(), ab_path("") + updating(a) + failed(none + a + why) + ab_path("") +
                                updating(b) + failed(none + b + why));
  EXPECT_TRUE(w.colAmiFiles.empty());

  // A database open: every file goes into it, after a refused load each.
  ASSERT_TRUE(server.load(db));
  w.Text1.clear();
  calls.clear();
  w.colAmiFiles = {a, b};
  window.Command3_Click();
  EXPECT_EQ(w.Text1.text(), ab_path(db) + updating(a) + ab_path(db) + updating(b));
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "LoadDatabase()"), 2);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "SaveDataBase"), 0);
  EXPECT_EQ(stored(db, "XYZ").size(), 2u);
}

TEST(UpdateWithoutBackend, EachFileGetsOneErrorLineAndTheQueueIsEmptied) {
  TestPlatform tp;  // nothing registered
  MainWindow window(tp.platform);
  window.model().colAmiFiles = {"/x/a_DX.txt", "/x/b_DX.txt"};
  window.Command3_Click();
  const std::string line = failed(
      "429Cannot create the object 'Broker.Application': no chart database is registered under "
      "that name.");
  EXPECT_EQ(window.model().Text1.text(), line + line);
  EXPECT_TRUE(window.model().colAmiFiles.empty());
  EXPECT_TRUE(tp.messages.shown.empty());
  EXPECT_EQ(tp.pointer.log, (std::vector<std::string>{"busy", "arrow", "busy", "arrow"}));
}

// A failure outside the single imports (here the status box's listener)
// ends the command with its message box and keeps the queue.
TEST_F(UpdateTest, AFailureOfTheLoopShowsCmdUpdateAndKeepsTheQueue) {
  w.colAmiFiles = {day_file("a_DX.txt", 20080131, 10)};
  w.Text1.set_listener([](std::string_view, bool) { throw Error("the status box is gone"); });
  window.Command3_Click();
  EXPECT_EQ(tp.messages.shown, (std::vector<std::string>{"cmdUpdate: the status box is gone"}));
  EXPECT_EQ(w.colAmiFiles.size(), 1u);
}

TEST_F(UpdateTest, RefreshAllTellsTheChartViewsAfterEveryFile) {
  std::vector<std::string> refreshed;
  const int id = server.add_refresh_listener([&](const std::string& f) { refreshed.push_back(f); });
  w.colAmiFiles = {day_file("a_DX.txt", 20080130, 10), day_file("b_DX.txt", 20080131, 10)};
  window.Command3_Click();
  EXPECT_EQ(refreshed, (std::vector<std::string>{db, db}));
  server.remove_refresh_listener(id);
  w.colAmiFiles = {day_file("c_DX.txt", 20080201, 10)};
  window.Command3_Click();
  EXPECT_EQ(refreshed.size(), 2u);
}

}  // namespace
}  // namespace quillon
