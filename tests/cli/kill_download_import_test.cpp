// The quillon program killed (SIGKILL) in the middle of a download and of a
// chart database import, then run again: files whole, the database
// consistent, leftovers never taken as inputs and removed by the next run.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <thread>

#include "chartdb/eod_database.h"
#include "fakes.h"
#include "http_server.h"
#include "run_program.h"

namespace quillon::testing {
namespace {

const std::string kDay = "/content/historical/EQUITIES/2008/JAN/cm31JAN2008bhav.csv";
const std::string kHeader =
    "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\r\n";

std::vector<std::string> program_args(const std::vector<std::string>& args) {
  std::vector<std::string> all = {"LC_ALL=en_GB.UTF-8", QUILLON_BINARY};
  all.insert(all.end(), args.begin(), args.end());
  return all;
}

// Starts quillon with its output in `out`, waits (at most `max_ms`) until
// `ready` holds, then kills it. Returns whether `ready` held while it ran.
bool kill_when(const std::vector<std::string>& args, const std::string& out,
               const std::function<bool()>& ready, int max_ms) {
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&fa, 1, 2);
  std::vector<std::string> words = {"env"};
  for (const auto& a : program_args(args)) words.push_back(a);
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, "env", &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) return false;
  bool seen = false;
  int status = 0;
  for (int waited = 0; waited < max_ms && !seen; waited += 2) {
    if (::waitpid(pid, &status, WNOHANG) == pid) return false;  // ended by itself
    seen = ready();
    if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  return seen;
}

std::vector<std::string> names_starting(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> found;
  for (const auto& n : folder_names(folder))
    if (n.rfind(prefix, 0) == 0) found.push_back(n);
  return found;
}

TEST(Kill, InTheMiddleOfADownloadThenRunAgain) {
  TempDir tmp;
  TestServer server;
  const std::string src = tmp.sub("S"), dst = tmp.sub("D"), local = src + "/2008_01_31.csv";
  const std::string old = kHeader + "OLD,EQ,1,2,0.5,1.5,1.5,1,100,150,31-JAN-2008,\r\n";
  const std::string fresh = kHeader + "NEW,EQ,1,2,0.5,1.5,1.5,1,100,150,31-JAN-2008,\r\n";
  write_text(local, old);
  server.set(kDay, {200, std::string(64 * 1024, 'x'), TestServer::Kind::Stall, {}});
  const std::vector<std::string> download = {
      "--settings",      tmp.path() + "/QM.INI", "--from", "31/01/2008", "--to", "31/01/2008",
      "--source-folder", src,  "--dest-folder", dst, "--exchange-url", server.base(), "download"};
  ASSERT_TRUE(kill_when(
      download, tmp.path() + "/killed",
      [&] { return !names_starting(src, ".2008_01_31.csv.quillon-tmp").empty(); }, 10000))
      << "the download never began its file";
  EXPECT_EQ(read_text(local), old);

  // The leftover is no input of a conversion of the folder.
  ProgramRun r = run_program("env", program_args({"--settings", tmp.path() + "/QM.INI",
                                                  "--source", "folder", "--source-folder", src,
                                                  "--dest-folder", dst, "convert"}),
                             tmp);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(folder_names(dst), std::vector<std::string>{"2008_01_31_DX.txt"});
  EXPECT_EQ(read_text(dst + "/2008_01_31_DX.txt"), "OLD,20080131,1,2,0.5,1.5,100\r\n");

  server.serve(kDay, fresh);
  r = run_program("env", program_args(download), tmp);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("2008 <- file downloaded...."), std::string::npos) << r.out;
  EXPECT_EQ(read_text(local), fresh);
  EXPECT_EQ(folder_names(src), std::vector<std::string>{"2008_01_31.csv"});
}

// Days of the database and their quote counts, after its integrity check.
std::map<int, int> quotes_per_day(const std::string& folder) {
  EodDatabase::open(folder);  // the importer's opening: recovers the log
  sqlite3* db = nullptr;
  sqlite3_open_v2((folder + "/" + kEodDatabaseFile).c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  std::map<int, int> days;
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr);
  EXPECT_EQ(sqlite3_step(s), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "ok");
  sqlite3_finalize(s);
  sqlite3_prepare_v2(db, "SELECT date, count(*) FROM quotes GROUP BY date", -1, &s, nullptr);
  while (sqlite3_step(s) == SQLITE_ROW) days[sqlite3_column_int(s, 0)] = sqlite3_column_int(s, 1);
  sqlite3_finalize(s);
  sqlite3_close(db);
  return days;
}

TEST(Kill, InTheMiddleOfAnImportThenRunAgain) {
  TempDir tmp;
  const std::string src = tmp.sub("S"), dst = tmp.sub("D"), db = tmp.sub("DB");
  constexpr int kDays = 12, kSymbols = 20000;
  for (int day = 1; day <= kDays; ++day) {
    char date[16], name[32];
    std::snprintf(date, sizeof date, "%02d-JAN-2008", day);
    std::snprintf(name, sizeof name, "/cm%02dJAN2008bhav.csv", day);
    std::string text = kHeader;
    for (int s = 0; s < kSymbols; ++s)
      text += "S" + std::to_string(s) + ",EQ,1,2,0.5,1.5,1.5,1,100,150," + date + ",\r\n";
    write_text(src + name, text);
  }
  write_text(tmp.path() + "/QM.INI", "[QN_EOD]\r\nAmiPath=" + db + "\r\n");
  const std::vector<std::string> args = {"--settings",      tmp.path() + "/QM.INI",
                                         "--source",        "folder",
                                         "--source-folder", src,
                                         "--dest-folder",   dst,
                                         "convert",         "update"};
  const std::string out = tmp.path() + "/killed";
  const bool killed = kill_when(
      args, out,
      [&] {
        const std::string text = read_text(out);
        size_t n = 0;
        for (size_t at = text.find("Updating AmiBroker"); at != std::string::npos;
             at = text.find("Updating AmiBroker", at + 1))
          ++n;
        return n >= 3;
      },
      60000);
  EXPECT_TRUE(killed) << "the import ended before it could be killed";
  for (const auto& [date, count] : quotes_per_day(db))
    EXPECT_EQ(count, kSymbols) << "day " << date << " stored in part";

  const ProgramRun r = run_program("env", program_args(args), tmp);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find("fUpdateAmi"), std::string::npos) << r.out;
  const std::map<int, int> days = quotes_per_day(db);
  EXPECT_EQ(days.size(), static_cast<size_t>(kDays));
  for (const auto& [date, count] : days) EXPECT_EQ(count, kSymbols) << "day " << date;
  EXPECT_TRUE(names_starting(dst, ".").empty());
}

}  // namespace
}  // namespace quillon::testing
