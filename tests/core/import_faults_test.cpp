// The chart database import under hostile input and repeated runs: every
// file is stored whole as correct records or refused with its file and line,
// nothing of it stored.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>

#include "chartdb/eod_server.h"
#include "app/window_commands.h"
#include "app/operations.h"
#include "fakes.h"

namespace quillon {
namespace {

using testing::read_text;
using testing::write_text;

std::string integrity_check(const std::string& file) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr);
  std::string out = sqlite3_step(s) == SQLITE_ROW
                        ? reinterpret_cast<const char*>(sqlite3_column_text(s, 0))
                        : sqlite3_errmsg(db);
  sqlite3_finalize(s);
  sqlite3_close(db);
  return out;
}

TEST(ImportFaults, HostileInputGivesCorrectRecordsOrAnErrorWithFileAndLine) {
  const std::string good = "OLD,20080130,1,2,1,2,5\n";
  const std::string big(10 << 20, '7');
  struct Case {
    const char* name;
    std::string text;
    std::vector<Quote> stored;  // empty: refused
    std::string error;          // what the message holds after the line number
  } cases[] = {
      {"10 MB line", "A,20080131,1,2,1,2,5\n" + big + "\n", {}, "Line 2 of "},
      {"10 MB number", "A,20080131,1,2,1,2," + big + "\n", {}, "the VOLUME value '7777"},
      {"NUL in a symbol", std::string("A\0B,20080131,1,2,1,2,5\n", 23), {}, "holds a control"},
      {"NUL in a number", std::string("A,20080131,1,2\0,1,2,5\n", 22), {}, "the HIGH value '2?'"},
      {"non-UTF-8 symbol", "\xff\xfe,20080131,1,2,1,2,5\n",
       {{"\xff\xfe", 20080131, 1, 2, 1, 2, 5}}, ""},
      {"CR-only line ends", "A,20080131,1,2,1,2,5\rA,20080201,3,4,3,4,6\r",
       {{"A", 20080131, 1, 2, 1, 2, 5}, {"A", 20080201, 3, 4, 3, 4, 6}}, ""},
      {"1e400", "A,20080131,1e400,2,1,2,5\n", {}, "the OPEN value '1e400'"},
      {"NaN", "A,20080131,1,NaN,1,2,5\n", {}, "the HIGH value 'NaN'"},
      {"0x10", "A,20080131,1,2,0x10,2,5\n", {}, "the LOW value '0x10'"},
      {"-0", "A,20080131,1,2,1,2,-0\n", {{"A", 20080131, 1, 2, 1, 2, 0}}, ""},
      {"31 February", "A,20080231,1,2,1,2,5\n", {}, "the date '20080231'"},
      {"date 00000000", "A,00000000,1,2,1,2,5\n", {}, "the date '00000000'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir tmp;
    const std::string file = tmp.path() + "/in_DX.txt", old = tmp.path() + "/old_DX.txt";
    write_text(old, good);
    write_text(file, c.text);
    auto db = EodDatabase::open(tmp.path());
    db->import_file(old);
    if (c.error.empty()) {
      EXPECT_EQ(db->import_file(file), c.stored.size());
    } else {
      try {
        db->import_file(file);
        ADD_FAILURE() << "imported";
      } catch (const AutomationError& e) {
        const std::string what = e.what();
        EXPECT_EQ(e.number(), kErrBadRecord);
        EXPECT_EQ(what.rfind("Line ", 0), 0u) << what;
        EXPECT_NE(what.find("'" + file + "'"), std::string::npos) << what;
        EXPECT_NE(what.find(c.error), std::string::npos) << what;
        EXPECT_LT(what.size(), 400u);
      }
    }
    std::vector<Quote> all;
    for (const std::string& s : db->symbols())
      for (Quote& q : db->quotes(s))
        if (s != "OLD") all.push_back(std::move(q));
    EXPECT_EQ(all, c.stored);
    EXPECT_EQ(db->quote_count(), static_cast<int64_t>(c.stored.size() + 1));
    for (const Quote& q : all) EXPECT_FALSE(std::signbit(q.volume)) << "a stored -0";
  }
}

// Two Update runs over the same files, the second after the program was
// restarted, store every quote once.
TEST(ImportFaults, TwoUpdateRunsOfTheSameFilesDuplicateNothing) {
  testing::TempDir tmp;
  const std::string db = tmp.sub("charts");
  std::vector<std::string> files;
  for (int day = 29; day <= 31; ++day) {
    files.push_back(tmp.path() + "/" + std::to_string(day) + "_DX.txt");
    const std::string d = "200801" + std::to_string(day);
    write_text(files.back(), "ABC," + d + ",1,2,1,2,10\r\nXYZ," + d + ",3,4,3,4,20\r\n");
  }
  for (int run = 0; run < 2; ++run) {
    testing::TestPlatform tp;
    EodServer server;
    register_sqlite_broker(tp.brokers, server);
    WindowCommands window{tp.platform};
    window.model().gstrAmiPath = db;
    window.model().colAmiFiles = files;
    window.Command3_Click();
    EXPECT_EQ(window.model().Text1.text().find("fUpdateAmi"), std::string::npos);
  }
  auto open = EodDatabase::open(db);
  EXPECT_EQ(open->quote_count(), 6);
  EXPECT_EQ(open->symbols(), (std::vector<std::string>{"ABC", "XYZ"}));
  EXPECT_EQ(open->quotes("XYZ").size(), 3u);
  open.reset();
  EXPECT_EQ(integrity_check(db + "/" + kEodDatabaseFile), "ok");
}

}  // namespace
}  // namespace quillon
