// The SQLite EOD database behind "Broker.Application": real files in
// temporary folders.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "amibroker/eod_server.h"
#include "fakes.h"

namespace quillon {
namespace {

using testing::TempDir;
using testing::write_text;

class EodDatabaseTest : public ::testing::Test {
 protected:
  std::string file(const std::string& name, const std::string& text) {
    const std::string path = tmp.path() + "/" + name;
    write_text(path, text);
    return path;
  }
  EodDatabase& open() {
    if (!server.database()) {
      EXPECT_TRUE(server.load(db));
    }
    return *server.database();
  }
  // The AutomationError of importing `path` (number 0 when none is thrown).
  AutomationError import_error(const std::string& path, short type = 0,
                               const std::string& format = kEodImportFormat) {
    try {
      broker.Import(type, path, format);
    } catch (const AutomationError& e) {
      return e;
    }
    return AutomationError(0, "");
  }

  TempDir tmp;
  std::string db = tmp.sub("db");
  EodServer server;
  SqliteBroker broker{server};
};

TEST_F(EodDatabaseTest, LoadOpensExistingFoldersOnly) {
  EXPECT_EQ(broker.DatabasePath(), "");
  file("plain.txt", "x");
  for (const std::string& missing : {std::string(), tmp.path() + "/none", tmp.path() + "/plain.txt"})
    EXPECT_FALSE(broker.LoadDatabase(missing)) << missing;
  EXPECT_EQ(broker.DatabasePath(), "");

  EXPECT_TRUE(broker.LoadDatabase(db));  // an empty folder gets a new database
  EXPECT_EQ(broker.DatabasePath(), db);
  EXPECT_TRUE(testing::exists(db + "/eod.sqlite"));
  EXPECT_FALSE(broker.LoadDatabase(tmp.path() + "/none"));  // keeps the open one
  EXPECT_EQ(broker.DatabasePath(), db);
}

TEST_F(EodDatabaseTest, LoadRefusesAFileThatIsNoDatabase) {
  write_text(db + "/eod.sqlite", std::string(4096, 'x'));
  try {
    broker.LoadDatabase(db);
    FAIL() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), kErrApplication);
    EXPECT_NE(std::string(e.what()).find(db + "/eod.sqlite"), std::string::npos) << e.what();
  }
  EXPECT_EQ(broker.DatabasePath(), "");
}

TEST_F(EodDatabaseTest, StoresRecordsAsWrittenAndKeepsThemAcrossOpenings) {
  const std::string day = file("d_DX.txt",
                               "ABC,20080131,1234.5,1250,1220.1,1245.3,125000\r\n"
                               "M&M LTD,20080131,0.05,1e3,0,-1.25,155000000.5\n"
                               "\r\n"
                               "ABC,20080130,1,2,0.5,1.5,7");  // LF, CR LF, no final line end
  broker.LoadDatabase(db);
  broker.Import(0, day, "vara_eod.FORMAT");
  broker.SaveDataBase();
  server = EodServer();  // closed

  EodDatabase& d = open();
  EXPECT_EQ(d.quotes("ABC"), (std::vector<Quote>{{"ABC", 20080130, 1, 2, 0.5, 1.5, 7},
                                                 {"ABC", 20080131, 1234.5, 1250, 1220.1, 1245.3, 125000}}));
  EXPECT_EQ(d.quotes("M&M LTD"),
            (std::vector<Quote>{{"M&M LTD", 20080131, 0.05, 1000, 0, -1.25, 155000000.5}}));
  EXPECT_EQ(d.quotes("ABC", 20080131, 0).size(), 1u);
  EXPECT_EQ(d.quotes("ABC", 0, 20080130).size(), 1u);
  EXPECT_EQ(d.symbols(), (std::vector<std::string>{"ABC", "M&M LTD"}));
}

TEST_F(EodDatabaseTest, ReimportingADayReplacesItsQuotes) {
  open();
  broker.Import(0, file("a_DX.txt", "ABC,20080131,10,11,9,10,100\r\nXYZ,20080131,5,6,4,5,50\r\n"),
                kEodImportFormat);
  broker.Import(0, file("b_DX.txt", "ABC,20080131,12,13,11,12.5,200\r\nABC,20080131,12,13,11,12.75,300\r\n"),
                kEodImportFormat);
  EodDatabase& d = open();
  EXPECT_EQ(d.quote_count(), 2);
  EXPECT_EQ(d.quotes("ABC"), (std::vector<Quote>{{"ABC", 20080131, 12, 13, 11, 12.75, 300}}));
  EXPECT_EQ(d.quotes("XYZ").size(), 1u);
}

TEST_F(EodDatabaseTest, AMalformedFileStoresNothing) {
  struct Case {
    std::string bad_line;
    std::string says;
  };
  const Case cases[] = {
      {"XYZ,20080131,1,2,1,2", "' has 6 fields instead of the 7 of SYMBOL,YYYYMMDD,OPEN,HIGH,LOW,CLOSE,VOLUME"},
      {"XYZ,20080131,1,2,1,2,5,0", "' has 8 fields instead of the 7"},
      {"XYZ,2008-01-31,1,2,1,2,5", "': the date '2008-01-31' is not a day written YYYYMMDD"},
      {"XYZ,20080230,1,2,1,2,5", "': the date '20080230' is not a day written YYYYMMDD"},
      {"XYZ,31-JAN-2008,1,2,1,2,5", "': the date '31-JAN-2008'"},
      {"XYZ,20080131,1,2a,1,2,5", "': the HIGH value '2a' is not a number"},
      {"XYZ,20080131,1,2,1,2, 5", "': the VOLUME value ' 5' is not a number"},
      {"XYZ,20080131,,2,1,2,5", "': the OPEN value '' is not a number"},
      {"XYZ,20080131,1,2,nan,2,5", "': the LOW value 'nan' is not a number"},
      {",20080131,1,2,1,2,5", "' has no symbol"},
  };
  open();
  broker.Import(0, file("good_DX.txt", "ABC,20080131,10,11,9,10,100\r\n"), kEodImportFormat);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bad_line);
    // The first record would replace a stored quote, the third is new.
    const std::string path =
        file("bad_DX.txt", "ABC,20080131,99,99,99,99,99\r\n" + c.bad_line + "\r\nNEW,20080131,1,1,1,1,1\r\n");
    const AutomationError e = import_error(path);
    EXPECT_EQ(e.number(), kErrBadRecord);
    EXPECT_NE(std::string(e.what()).find("Line 2 of '" + path + c.says), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("nothing of the file was imported."), std::string::npos);
    EXPECT_EQ(open().quotes("ABC"), (std::vector<Quote>{{"ABC", 20080131, 10, 11, 9, 10, 100}}));
    EXPECT_EQ(open().quote_count(), 1);
    EXPECT_EQ(open().symbols(), std::vector<std::string>{"ABC"});
  }
}

TEST_F(EodDatabaseTest, RefusedImportsNameWhatWasWrong) {
  const std::string day = file("d_DX.txt", "ABC,20080131,10,11,9,10,100\r\n");
  struct Case {
    const char* name;
    bool open;
    std::string path;
    short type;
    std::string format;
    long number;
    std::string says;
  };
  const Case cases[] = {
      {"no database", false, day, 0, kEodImportFormat, kErrApplication, "No chart database is open, so '" + day},
      {"import type", true, day, 1, kEodImportFormat, kErrInvalidArgument, "Unknown import type 1 for '" + day},
      {"format", true, day, 0, "Other.format", kErrInvalidArgument, "Unknown import format 'Other.format'"},
      {"missing file", true, tmp.path() + "/gone_DX.txt", 0, kEodImportFormat, kErrFileAccess,
       tmp.path() + "/gone_DX.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.open) open();
    const AutomationError e = import_error(c.path, c.type, c.format);
    EXPECT_EQ(e.number(), c.number);
    EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
  }
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
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipe_fds[0]);
    EodServer own;
    SqliteBroker b(own);
    if (!b.LoadDatabase(db)) ::_exit(2);
    for (const std::string& p : paths) {
      b.Import(0, p, kEodImportFormat);
      if (::write(pipe_fds[1], "x", 1) != 1) ::_exit(3);
    }
    ::_exit(0);
  }
  ::close(pipe_fds[1]);
  char c;
  ASSERT_EQ(::read(pipe_fds[0], &c, 1), 1);
  ASSERT_EQ(::read(pipe_fds[0], &c, 1), 1);
  const auto second = std::chrono::steady_clock::now();
  ASSERT_EQ(::read(pipe_fds[0], &c, 1), 1);
  std::this_thread::sleep_for((std::chrono::steady_clock::now() - second) / 2);
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(pipe_fds[0]);

  const int64_t count = open().quote_count();
  EXPECT_GE(count, 3 * kRecords);
  EXPECT_EQ(count % kRecords, 0) << count;
}

}  // namespace
}  // namespace quillon
