// The SQLite chart database behind "Broker.Application" and the Update
// command that fills it, on real files in temporary folders. A file is
// imported whole as correct records or refused naming its file and line,
// nothing of it stored.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cmath>

#include "app/operations.h"
#include "app/window_commands.h"
#include "chartdb/eod_server.h"
#include "fakes.h"

namespace quillon::testing {
namespace {

using Lines = std::vector<std::string>;
using Quotes = std::vector<Quote>;

struct Chartdb : ::testing::Test {
  std::string file(const std::string& name, const std::string& text) {  // its path
    write_text(tmp.path() + "/" + name, text);
    return tmp.path() + "/" + name;
  }
  // The error's number and description run together, as the status box shows them.
  template <typename F>
  static std::string failure(F call) {
    try { call(); } catch (const AutomationError& e) { return std::to_string(e.number()) + e.what(); }
    return "";
  }
  EodDatabase& open() {
    if (!server.database()) server.load(db);
    return *server.database();
  }
  TempDir tmp;
  std::string db = tmp.sub("db");
  EodServer server;
  SqliteBroker broker{server};
};

TEST_F(Chartdb, LoadOpensExistingFoldersOnlyAndReadersCreateNothing) {
  EXPECT_EQ(broker.DatabasePath(), "");
  for (const std::string& missing : {std::string(), tmp.path() + "/none", file("plain.txt", "x")})
    EXPECT_FALSE(broker.LoadDatabase(missing)) << missing;
  EXPECT_EQ(EodDatabase::open(db, EodDatabase::Access::Read), nullptr);
  EXPECT_EQ(folder_names(db), Lines{});
  EXPECT_TRUE(broker.LoadDatabase(db));  // an empty folder gets a new database
  EXPECT_FALSE(broker.LoadDatabase(tmp.path() + "/none"));  // keeps the open one
  const std::string broken = tmp.sub("broken");
  file("broken/eod.sqlite", std::string(4096, 'x'));
  const std::string why = failure([&] { broker.LoadDatabase(broken); });
  EXPECT_EQ(why.rfind("1004", 0), 0u);
  EXPECT_NE(why.find(broken + "/eod.sqlite"), std::string::npos) << why;
  EXPECT_EQ(broker.DatabasePath(), db);

  auto reader = EodDatabase::open(db, EodDatabase::Access::Read);  // a chart's, beside the importer's
  const std::string day = file("a_DX.txt", "ABC,20080131,10,11,9,10,100\r\n");
  broker.Import(0, day, kEodImportFormat);
  EXPECT_EQ(reader->quotes("ABC"), (Quotes{{"ABC", 20080131, 10, 11, 9, 10, 100}}));
  EXPECT_NE(failure([&] { reader->import_file(day); }).find("reading only"), std::string::npos);
}

TEST_F(Chartdb, StoresRecordsAsWrittenAcrossOpeningsAndReplacesADay) {
  // Records with open interest (eight fields): the OI kept; seven: none.
  broker.LoadDatabase(db);
  broker.Import(0, file("fo_DX.txt", "NIFTY-I,20240930,26399,26401.4,26086,26123.8,26876,1102750\r\n"), kEodImportFormat);
  EXPECT_EQ(open().quotes("NIFTY-I"), (Quotes{{"NIFTY-I", 20240930, 26399, 26401.4, 26086, 26123.8, 26876, 1102750}}));
  broker.Import(0, file("fo_DX.txt", "NIFTY-I,20240930,1,1,1,1,1\r\n"), kEodImportFormat);
  EXPECT_EQ(open().quotes("NIFTY-I").front().oi, 0);
  broker.LoadDatabase(db);
  broker.Import(0, file("d_DX.txt", "ABC,20080131,1234.5,1250,1220.1,1245.3,125000\r\n"
                                    "M&M LTD,20080131,0.05,1e3,0,-1.25,155000000.5\n\r\nABC,20080130,1,2,0.5,1.5,7"),
                "vara_eod.FORMAT");
  server = EodServer();  // closed
  EXPECT_EQ(open().quotes("ABC"), (Quotes{{"ABC", 20080130, 1, 2, 0.5, 1.5, 7}, {"ABC", 20080131, 1234.5, 1250, 1220.1, 1245.3, 125000}}));
  EXPECT_EQ(open().quotes("M&M LTD"), (Quotes{{"M&M LTD", 20080131, 0.05, 1000, 0, -1.25, 155000000.5}}));
  EXPECT_EQ(open().quotes("ABC", 20080131, 0).size(), 1u);
  EXPECT_EQ(open().quotes("ABC", 0, 20080130).size(), 1u);
  // A day imported again: its quotes replaced, the later of a symbol's two
  // counting, among enough others to fill a many-row insert.
  std::string again = "ABC,20080131,12,13,11,12,200\r\nABC,20080131,12,13,11,13,300\r\n";
  for (int i = 0; i < 40; ++i) again += "S" + std::to_string(i) + ",20080131,1,1,1,1,1\r\n";
  broker.Import(0, file("b_DX.txt", again), kEodImportFormat);
  EXPECT_EQ(open().quote_count(), 44);
  EXPECT_EQ(open().quotes("ABC", 20080131, 20080131), (Quotes{{"ABC", 20080131, 12, 13, 11, 13, 300}}));
}

// Malformed and hostile files: the right records, or the error naming file
// and line with nothing of the file stored.
TEST_F(Chartdb, ImportTakesAFileWholeOrRefusesIt) {
  const std::string big(10 << 20, '7');
  const std::pair<std::string, std::string> rows[] = {  // the error 13 and what it says after the file's name
      {"XYZ,20080131,1,2,1,2", "' has 6 fields instead of the 7 of SYMBOL,YYYYMMDD,OPEN,HIGH,LOW,CLOSE,VOLUME"},
      {"XYZ,20080131,1,2,1,2,5,0", "' has 8 fields where the lines before have 7"},
      {"XYZ,20080131,1,2,1,2,5,0,9", "' has 9 fields instead of the 7"}, {",20080131,1,2,1,2,5", "' has no symbol"},
      {"XYZ,2008-01-31,1,2,1,2,5", "': the date '2008-01-31' is not a day written YYYYMMDD"},
      {"XYZ,20080230,1,2,1,2,5", "': the date '20080230' is not"}, {"XYZ,20080131,1,2a,1,2,5", "': the HIGH value '2a' is not a number"},
      {"XYZ,20080131,1,2,1,2, 5", "': the VOLUME value ' 5' is not a number"}, {"XYZ,20080131,,2,1,2,5", "': the OPEN value '' is not"},
      {"XYZ,20080131,1,2,nan,2,5", "': the LOW value 'nan' is not"}, {"XYZ,20080131,1e400,2,1,2,5", "': the OPEN value '1e400' is not"},
      {std::string("A\0B,20080131,1,2,1,2,5", 22), "': the symbol"},  // control characters refused
      {std::string("A,20080131,1,2\0,1,2,5", 21), "': the HIGH value '2?'"}, {"A,20080131,1,2,1,2," + big, "': the VOLUME value '7777"},
      {big, "' has 1 field instead"}, {"\xff\xfe,20080131,1,2,1,2,5", ""},  // non-UTF-8 symbols kept byte for byte
      {"A,20080131,1,2,1,2,-0\rB,20080131,3,4,3,4,6", ""},  // CR-only line ends; -0 stored as 0
  };
  open();
  broker.Import(0, file("good_DX.txt", "ABC,20080131,10,11,9,10,100\r\n"), kEodImportFormat);
  for (const auto& [line, says] : rows) {
    SCOPED_TRACE(line.substr(0, 40));  // the first record would replace a quote, the third is new
    const std::string path = file("in_DX.txt", "ABC,20080131,9,9,9,9,9\r\n" + line + "\r\nNEW,20080131,1,1,1,1,1\r\n");
    const std::string why = failure([&] { broker.Import(0, path, kEodImportFormat); });
    if (says.empty()) {
      EXPECT_EQ(why, "");
      for (const std::string& symbol : open().symbols())
        for (const Quote& q : open().quotes(symbol)) EXPECT_FALSE(std::signbit(q.volume)) << "a stored -0";
      continue;
    }
    EXPECT_EQ(why.rfind("13Line 2 of '" + path + says, 0), 0u) << why.substr(0, 200);
    EXPECT_LT(why.size(), 400u);
    EXPECT_EQ(open().quotes("ABC"), (Quotes{{"ABC", 20080131, 10, 11, 9, 10, 100}}));
    EXPECT_EQ(open().quote_count(), 1);
  }
  const std::string day = file("d_DX.txt", "ABC,20080131,10,11,9,10,100\r\n"), gone = tmp.path() + "/gone_DX.txt";
  EXPECT_EQ(failure([&] { broker.Import(1, day, kEodImportFormat); }).rfind("5Unknown import type 1 for '" + day, 0), 0u);
  EXPECT_EQ(failure([&] { broker.Import(0, day, "Other.format"); }).rfind("5Unknown import format 'Other.format' for '" + day, 0), 0u);
  EXPECT_EQ(failure([&] { broker.Import(0, gone, kEodImportFormat); }).rfind("75", 0), 0u);
}

// A history file (one symbol, all its days, as the scrip-wise output writes
// them) writes only the quotes that differ from those stored; when it
// begins with the bytes of the symbol's last one only the rest is read. Any
// other import of the symbol makes the next one compare every day.
TEST_F(Chartdb, HistoryFilesWriteOnlyTheDaysThatDiffer) {
  {  // a database of the first layout, upgraded by the importer, its quotes kept
    sqlite3* raw = nullptr;
    sqlite3_open((db + "/eod.sqlite").c_str(), &raw);
    sqlite3_exec(raw, "CREATE TABLE quotes (symbol TEXT NOT NULL, date INTEGER NOT NULL, open REAL NOT NULL, high REAL NOT NULL,"
                      " low REAL NOT NULL, close REAL NOT NULL, volume NUMERIC NOT NULL, PRIMARY KEY (date, symbol)) WITHOUT ROWID;"
                      "CREATE TABLE symbols (symbol TEXT PRIMARY KEY) WITHOUT ROWID;"
                      "INSERT INTO quotes VALUES('OLD', 20080102, 1, 2, 1, 2, 5); PRAGMA user_version=1;",
                 nullptr, nullptr, nullptr);
    sqlite3_close(raw);
  }
  EXPECT_EQ(EodDatabase::open(db, EodDatabase::Access::Read)->quotes("OLD").size(), 1u);
  {  // an upgrade failing half way (a column already there) leaves the database as it was and says so
    const std::string bad = tmp.sub("bad");
    sqlite3* raw = nullptr;
    sqlite3_open((bad + "/eod.sqlite").c_str(), &raw);
    sqlite3_exec(raw, "CREATE TABLE quotes (symbol, date, oi); PRAGMA user_version=1;", nullptr, nullptr, nullptr);
    const std::string why = failure([&] { EodDatabase::open(bad); });
    EXPECT_NE(why.find("cannot be upgraded"), std::string::npos) << why;
    std::string left;
    sqlite3_exec(raw, "SELECT group_concat(name) FROM sqlite_master UNION ALL SELECT user_version FROM pragma_user_version",
                 [](void* to, int, char** v, char**) { *static_cast<std::string*>(to) += std::string(v[0]) + ";"; return 0; },
                 &left, nullptr);
    sqlite3_close(raw);
    EXPECT_EQ(left, "quotes;1;");
  }
  EodDatabase& d = open();
  auto days = [](std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* l : lines) text += std::string("ABC,") + l + "\r\n";
    return text;
  };
  const std::string h = days({"20080102,10,11,9,10,100", "20080103,10,11,9,10,100", "20080104,10,11,9,10,100"});
  const std::string adjusted = days({"20080102,5,5.5,4.5,5,200", "20080103,10,11,9,10,100", "20080104,10,11,9,10,100"});
  const std::pair<std::string, int64_t> imports[] = {  // the file, the quotes it writes
      {h, 3},
      {h + days({"20080107,12,13,11,12,90"}), 1},          // a new day, its beginning not read again
      {h + days({"20080107,12,13,11,12,90"}), 0},          // nothing new
      {adjusted + days({"20080107,12,13,11,12,90"}), 1},   // an adjustment: the day it changed
  };
  for (const auto& [text, writes] : imports) {
    const int64_t before = d.quotes_written();
    EXPECT_EQ(d.import_file(file("ABC.txt", text)), static_cast<size_t>(std::count(text.begin(), text.end(), '\n')));
    EXPECT_EQ(d.quotes_written() - before, writes) << text;
  }
  EXPECT_EQ(d.quotes("ABC").front(), (Quote{"ABC", 20080102, 5, 5.5, 4.5, 5, 200}));
  const std::string day = file("d_DX.txt", "ABC,20080103,1,1,1,1,1\r\nXYZ,20080103,1,1,1,1,1\r\n");
  d.import_file(day);  // a day's file
  const std::string next = adjusted + days({"20080107,12,13,11,12,90", "20080108,12,13,11,12,90"});
  int64_t before = d.quotes_written();
  d.import_file(file("ABC.txt", next));
  EXPECT_EQ(d.quotes_written() - before, 2);  // the day's file's quote put back, the new day
  EXPECT_EQ(d.quotes("ABC", 20080103, 20080103), (Quotes{{"ABC", 20080103, 10, 11, 9, 10, 100}}));
  before = d.quotes_written();
  const std::string why = failure([&] { d.import_file(file("ABC.txt", next + "ABC,20080109,1,x,1,1,1\r\n")); });
  EXPECT_EQ(why.rfind("13Line 6 of '" + tmp.path() + "/ABC.txt': the HIGH value 'x' is not a number", 0), 0u) << why;
  EXPECT_EQ(d.quotes_written(), before);
  EXPECT_EQ(d.quote_count(), 7);
  for (const std::string& f : {day, file("XYZ.txt", "XYZ,20080103,2,2,2,2,2\r\n"), day}) d.import_file(f);
  EXPECT_EQ(d.quotes("XYZ").front().open, 1);  // a day's file again, all of it: no history of its first symbol
}

// The Update command over the queued files, its status lines.
std::string loaded(const std::string& db) { return "\r\nAmiBroker Update: loaded DB " + db + "...\r\n"; }
std::string ab_path(const std::string& db) { return "\r\nAmiBroker Update: AB path is: " + db + "...\r\n"; }
std::string updating(const std::string& f) { return "\r\nAmiBroker Update: Updating AmiBroker with  " + f + "...\r\n"; }
std::string failed(const std::string& what) { return "\r\nfUpdateAmi AmiBorker : " + what + "\r\n"; }

struct Update : Chartdb {
  Update() {
    register_sqlite_broker(tp.brokers, server);
    w.gstrAmiPath = db;
  }
  std::string day(const std::string& name, int date, int base = 10) {
    const std::string d = std::to_string(date), b = std::to_string(base);
    return file(name, "ABC," + d + "," + b + ",11,9," + b + ".5,1000\r\nXYZ," + d + ",20,21,19,20,500\r\n");
  }
  std::string update(const Lines& files) {  // the status text of an Update over `files`
    w.colAmiFiles = files, w.Text1.clear(), window.Command3_Click();
    return w.Text1.text();
  }
  TestPlatform tp;
  WindowCommands window{tp.platform};
  WindowModel& w = window.model();
};

TEST_F(Update, ImportsEveryQueuedFileInOrderAFailingOneSaysWhy) {
  const std::string a = day("a_DX.txt", 20080129, 10), b = day("b_DX.txt", 20080130, 11),
                    bad = file("bad_DX.txt", "ABC,20080130,1,2,1,2,5\r\nXYZ,20080130,1,2,1,x,5\r\n");
  Lines refreshed;
  server.add_refresh_listener([&](const std::string& folder) { refreshed.push_back(folder); });
  EXPECT_EQ(update({a, bad, b, a}), loaded(db) + ab_path(db) + updating(a) + ab_path(db) + updating(bad) +
                                        failed("13Line 2 of '" + bad + "': the CLOSE value 'x' is not a number; nothing of the file was imported.") +
                                        ab_path(db) + updating(b) + ab_path(db) + updating(a));
  EXPECT_TRUE(w.colAmiFiles.empty() && tp.messages.shown.empty());
  EXPECT_EQ(tp.pointer.log.size(), 8u);
  EXPECT_EQ(refreshed, (Lines{db, db, db}));  // not after the failing file
  // a queued twice: its quotes stored once.
  EXPECT_EQ(open().quotes("ABC"), (Quotes{{"ABC", 20080129, 10, 11, 9, 10.5, 1000}, {"ABC", 20080130, 11, 11, 9, 11.5, 1000}}));
  EXPECT_EQ(update({}), "");  // an empty queue does nothing
  EXPECT_EQ(tp.pointer.log.size(), 8u);
}

// Scrip-wise --adjust, then Update: one row a symbol and day, the adjusted
// values; the next evening's day writes one row.
TEST_F(Update, ScripWiseAdjustedHistoriesIntoTheDatabase) {
  const std::string src = tmp.sub("s"), dst = tmp.sub("d");
  const std::string header = "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\n";
  write_text(src + "/2024_01_01.csv", header + "ABC,EQ,100,102,98,100,100,100,10,1,01-JAN-2024,\n");
  write_text(src + "/2024_01_02.csv", header + "ABC,EQ,50,51,49,50,50,50,30,1,02-JAN-2024,\n");  // a 1:1 bonus
  w.txtSourceFolder = src, w.txtDestFolder = dst, w.rbSource = kSourceFolder, w.rbScripWise = true, w.chkAdjust = true;
  fOutput(w, tp.platform);
  update(w.colAmiFiles);
  EXPECT_EQ(open().quotes("ABC"), (Quotes{{"ABC", 20240101, 50, 51, 49, 50, 20}, {"ABC", 20240102, 50, 51, 49, 50, 30}}));
  write_text(src + "/2024_01_03.csv", header + "ABC,EQ,51,52,50,51,51,50,40,1,03-JAN-2024,\n");
  fOutput(w, tp.platform);
  const int64_t before = open().quotes_written();
  update(w.colAmiFiles);
  EXPECT_EQ(open().quotes_written() - before, 1);
  EXPECT_EQ(open().quote_count(), 3);
}

// "Charts" and "CHARTS" are two folders: a load would switch to the other,
// so quotes landing in the open one show that none took place. An empty
// AmiPath imports into the open database, or nowhere.
TEST_F(Update, WhichDatabaseTakesTheFiles) {
  const std::string open_one = tmp.sub("Charts"), a = day("a_DX.txt", 20080131);
  ASSERT_TRUE(server.load(open_one));
  for (const std::string& path : {tmp.sub("CHARTS"), std::string()}) {
    w.gstrAmiPath = path;
    EXPECT_EQ(update({a}), ab_path(open_one) + updating(a));
  }
  EXPECT_FALSE(exists(tmp.path() + "/CHARTS/" + kEodDatabaseFile));
  server = EodServer();
  EXPECT_EQ(update({a}), ab_path("") + updating(a) +
                             failed("1004No chart database is open, so '" + a + "' was not imported: LoadDatabase needs an existing folder."));
}

TEST_F(Update, NoBackendOrAFailureOfTheLoop) {
  TestPlatform none;  // nothing registered: one error line a file, the queue emptied
  WindowCommands without(none.platform);
  without.model().colAmiFiles = {"/x/a_DX.txt", "/x/b_DX.txt"};
  without.Command3_Click();
  const std::string line = failed("429Cannot create the object 'Broker.Application': no chart database is registered under that name.");
  EXPECT_EQ(without.model().Text1.text(), line + line);
  EXPECT_TRUE(without.model().colAmiFiles.empty() && none.messages.shown.empty());
  // A failure outside the single imports ends the command with its message and keeps the queue.
  w.colAmiFiles = {day("a_DX.txt", 20080131)};
  w.Text1.set_listener([](std::string_view, bool) { throw Error("the status box is gone"); });
  window.Command3_Click();
  EXPECT_EQ(tp.messages.shown, (Lines{"cmdUpdate: the status box is gone"}));
  EXPECT_EQ(w.colAmiFiles.size(), 1u);
}

}  // namespace
}  // namespace quillon::testing
