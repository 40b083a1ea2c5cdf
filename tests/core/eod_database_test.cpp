// The SQLite EOD database behind "Broker.Application": real files in
// temporary folders.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "chartdb/eod_server.h"
#include "fakes.h"

namespace quillon {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Quotes = std::vector<Quote>;

class EodDatabaseTest : public ::testing::Test {
 protected:
  std::string file(const std::string& name, const std::string& text) {
    testing::write_text(tmp.path() + "/" + name, text);
    return tmp.path() + "/" + name;
  }
  EodDatabase& open() {
    if (!server.database() && !server.load(db)) throw Error("no database");
    return *server.database();
  }
  // The error's number and description run together, as the status box
  // shows them; empty when nothing is thrown.
  template <typename F>
  std::string failure(F call) {
    try {
      call();
    } catch (const AutomationError& e) {
      return std::to_string(e.number()) + e.what();
    }
    return "";
  }
  std::string import_failure(const std::string& path, short type = 0,
                             const std::string& format = kEodImportFormat) {
    return failure([&] { broker.Import(type, path, format); });
  }

  testing::TempDir tmp;
  std::string db = tmp.sub("db");
  EodServer server;
  SqliteBroker broker{server};
};

TEST_F(EodDatabaseTest, LoadOpensExistingFoldersOnly) {
  EXPECT_EQ(broker.DatabasePath(), "");
  file("plain.txt", "x");
  for (const std::string& missing :
       {std::string(), tmp.path() + "/none", tmp.path() + "/plain.txt"})
    EXPECT_FALSE(broker.LoadDatabase(missing)) << missing;
  EXPECT_TRUE(broker.LoadDatabase(db));  // an empty folder gets a new database
  EXPECT_EQ(broker.DatabasePath(), db);
  EXPECT_FALSE(broker.LoadDatabase(tmp.path() + "/none"));  // keeps the open one
  EXPECT_EQ(broker.DatabasePath(), db);

  const std::string broken = tmp.sub("broken");
  file("broken/eod.sqlite", std::string(4096, 'x'));
  EXPECT_THAT(failure([&] { broker.LoadDatabase(broken); }),
              AllOf(StartsWith("1004"), HasSubstr(broken + "/eod.sqlite")));
  EXPECT_EQ(broker.DatabasePath(), db);
}

// A chart's connection: reads alongside the importer's, changes nothing.
TEST_F(EodDatabaseTest, ReadConnectionsCreateNothingAndSeeEachImport) {
  EXPECT_EQ(EodDatabase::open(db, EodDatabase::Access::Read), nullptr);
  EXPECT_EQ(testing::folder_names(db), std::vector<std::string>{});
  open();
  auto reader = EodDatabase::open(db, EodDatabase::Access::Read);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->quotes("ABC"), Quotes{});
  const std::string day = file("a_DX.txt", "ABC,20080131,10,11,9,10,100\r\n");
  broker.Import(0, day, kEodImportFormat);
  EXPECT_EQ(reader->quotes("ABC"), (Quotes{{"ABC", 20080131, 10, 11, 9, 10, 100}}));
  EXPECT_THAT(failure([&] { reader->import_file(day); }),
              AllOf(StartsWith("1004"), HasSubstr("reading only")));
}

TEST_F(EodDatabaseTest, StoresRecordsAsWrittenAndKeepsThemAcrossOpenings) {
  const std::string day = file("d_DX.txt",
                               "ABC,20080131,1234.5,1250,1220.1,1245.3,125000\r\n"
                               "M&M LTD,20080131,0.05,1e3,0,-1.25,155000000.5\n"
                               "\r\n"
                               "ABC,20080130,1,2,0.5,1.5,7");  // LF, CR LF, no final line end
  broker.LoadDatabase(db);
  broker.Import(0, day, "vara_eod.FORMAT");
  server = EodServer();  // closed
  EodDatabase& d = open();
  EXPECT_EQ(d.quotes("ABC"), (Quotes{{"ABC", 20080130, 1, 2, 0.5, 1.5, 7},
                                     {"ABC", 20080131, 1234.5, 1250, 1220.1, 1245.3, 125000}}));
  EXPECT_EQ(d.quotes("M&M LTD"),
            (Quotes{{"M&M LTD", 20080131, 0.05, 1000, 0, -1.25, 155000000.5}}));
  EXPECT_EQ(d.quotes("ABC", 20080131, 0).size(), 1u);
  EXPECT_EQ(d.quotes("ABC", 0, 20080130).size(), 1u);
  EXPECT_EQ(d.symbols(), (std::vector<std::string>{"ABC", "M&M LTD"}));
}

TEST_F(EodDatabaseTest, ReimportingADayReplacesItsQuotes) {
  open();
  broker.Import(0, file("a_DX.txt", "ABC,20080131,10,11,9,10,100\r\nXYZ,20080131,5,6,4,5,50\r\n"),
                kEodImportFormat);
  // ABC twice (the later counts) among enough others to fill a many-row insert.
  std::string again = "ABC,20080131,12,13,11,12,200\r\nABC,20080131,12,13,11,13,300\r\n";
  for (int i = 0; i < 40; ++i) again += "S" + std::to_string(i) + ",20080131,1,1,1,1,1\r\n";
  broker.Import(0, file("b_DX.txt", again), kEodImportFormat);
  EXPECT_EQ(open().quote_count(), 42);
  EXPECT_EQ(open().quotes("ABC"), (Quotes{{"ABC", 20080131, 12, 13, 11, 13, 300}}));
  EXPECT_EQ(open().quotes("XYZ").size(), 1u);
}

TEST_F(EodDatabaseTest, AMalformedFileStoresNothing) {
  const std::pair<std::string, std::string> cases[] = {
      {"XYZ,20080131,1,2,1,2",
       "' has 6 fields instead of the 7 of SYMBOL,YYYYMMDD,OPEN,HIGH,LOW,CLOSE,VOLUME"},
      {"XYZ,20080131,1,2,1,2,5,0", "' has 8 fields instead of the 7"},
      {"XYZ,2008-01-31,1,2,1,2,5", "': the date '2008-01-31' is not a day written YYYYMMDD"},
      {"XYZ,20080230,1,2,1,2,5", "': the date '20080230' is not"},
      {"XYZ,20080131,1,2a,1,2,5", "': the HIGH value '2a' is not a number"},
      {"XYZ,20080131,1,2,1,2, 5", "': the VOLUME value ' 5' is not a number"},
      {"XYZ,20080131,,2,1,2,5", "': the OPEN value '' is not a number"},
      {"XYZ,20080131,1,2,nan,2,5", "': the LOW value 'nan' is not a number"},
      {",20080131,1,2,1,2,5", "' has no symbol"},
  };
  open();
  broker.Import(0, file("good_DX.txt", "ABC,20080131,10,11,9,10,100\r\n"), kEodImportFormat);
  for (const auto& [line, says] : cases) {
    SCOPED_TRACE(line);  // the first record would replace a quote, the third is new
    const std::string path =
        file("bad_DX.txt", "ABC,20080131,9,9,9,9,9\r\n" + line + "\r\nNEW,20080131,1,1,1,1,1\r\n");
    EXPECT_THAT(import_failure(path), StartsWith("13Line 2 of '" + path + says));
    EXPECT_EQ(open().quotes("ABC"), (Quotes{{"ABC", 20080131, 10, 11, 9, 10, 100}}));
    EXPECT_EQ(open().quote_count(), 1);
    EXPECT_EQ(open().symbols(), std::vector<std::string>{"ABC"});
  }
}

TEST_F(EodDatabaseTest, RefusedImportsSayWhy) {
  const std::string day = file("d_DX.txt", "ABC,20080131,10,11,9,10,100\r\n"),
                    gone = tmp.path() + "/gone_DX.txt";
  open();
  EXPECT_THAT(import_failure(day, 1), StartsWith("5Unknown import type 1 for '" + day));
  EXPECT_THAT(import_failure(day, 0, "Other.format"),
              StartsWith("5Unknown import format 'Other.format' for '" + day));
  EXPECT_THAT(import_failure(gone), AllOf(StartsWith("75"), HasSubstr(gone)));
  EXPECT_EQ(open().quote_count(), 0);
}

// A program killed while importing leaves whole files only: the child
// imports file after file and is killed halfway through the fourth (by the
// time the third took).
TEST_F(EodDatabaseTest, AKillDuringAnImportLeavesWholeFilesOnly) {
  constexpr int kFiles = 40, kRecords = 3000;
  std::vector<std::string> paths;
  for (int f = 0; f < kFiles; ++f) {
    std::string text;
    for (int i = 0; i < kRecords; ++i)
      text += "S" + std::to_string(i) + "," + std::to_string(20080101 + f) + ",1,2,0.5,1.5,10\r\n";
    paths.push_back(file("f" + std::to_string(f) + "_DX.txt", text));
  }
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    EodServer own;
    SqliteBroker b(own);
    if (!b.LoadDatabase(db)) ::_exit(2);
    for (const std::string& p : paths) {
      b.Import(0, p, kEodImportFormat);
      if (::write(fds[1], "x", 1) != 1) ::_exit(3);
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  char c;
  ASSERT_EQ(::read(fds[0], &c, 1) + ::read(fds[0], &c, 1), 2);
  const auto second = std::chrono::steady_clock::now();
  ASSERT_EQ(::read(fds[0], &c, 1), 1);
  std::this_thread::sleep_for((std::chrono::steady_clock::now() - second) / 2);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(fds[0]);

  const int64_t count = open().quote_count();
  EXPECT_GE(count, 3 * kRecords);
  EXPECT_EQ(count % kRecords, 0) << count;
}

}  // namespace
}  // namespace quillon
