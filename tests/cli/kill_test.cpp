// The quillon program killed (SIGKILL) in the middle of a conversion, a
// chart database import and a download, then run again: files whole, the
// database consistent, leftovers never taken as inputs and removed by the
// next run.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>

#include <chrono>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include "chartdb/eod_database.h"
#include "http_server.h"
#include "run_program.h"

namespace quillon::testing {
namespace {

using Clock = std::chrono::steady_clock;

// A Bhavcopy of `rows` symbols on `day` (10 to 31) of January 2008 with
// volume `volume`, or the EOD text it converts to.
std::string bhavcopy(int day, int rows, int volume, bool converted = false) {
  std::string text =
      converted ? "" : "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\r\n";
  const std::string d = std::to_string(day), v = std::to_string(volume);
  for (int s = 0; s < rows; ++s)
    text += "S" + std::to_string(s) + (converted ? ",200801" + d + ",1,2,0.5,1.5," + v + "\r\n"
                                                 : ",EQ,1,2,0.5,1.5,1.5,1," + v + ",9," + d + "-JAN-2008,\r\n");
  return text;
}

// Per day of the chart database: its quote count and whether they all come
// from one import; the integrity check first (opening recovers the log).
std::map<std::string, std::string> days_stored(const std::string& folder) {
  sqlite3* db = nullptr;
  sqlite3_open_v2((folder + "/" + kEodDatabaseFile).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  std::map<std::string, std::string> days;
  sqlite3_exec(db, "PRAGMA integrity_check; SELECT date, count(*) || ' ' || (min(volume) = "
                   "max(volume)) FROM quotes GROUP BY date",
               [](void* to, int n, char** v, char**) {
                 (*static_cast<std::map<std::string, std::string>*>(to))[v[0]] = n > 1 ? v[1] : "";
                 return 0;
               },
               &days, nullptr);
  sqlite3_close(db);
  return days;
}

class Killed : public ::testing::Test {
 protected:
  // Starts quillon, kills it once `ready` holds (within a minute). Returns
  // whether it was killed, not ended by itself.
  bool kill_when(const std::vector<std::string>& args, const std::function<bool()>& ready) const {
    const pid_t pid = start_quillon({"LC_ALL=en_GB.UTF-8"}, args, log, log);
    bool seen = false;
    int status = 0;
    for (auto end = Clock::now() + std::chrono::minutes(1); pid > 0 && !seen && Clock::now() < end;) {
      if (::waitpid(pid, &status, WNOHANG) == pid) return false;
      if (!(seen = ready())) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return seen;
  }
  TempDir tmp;
  std::string src = tmp.sub("S"), dst = tmp.sub("D"), db = tmp.sub("DB"), log = tmp.path() + "/log";
  std::string ini = tmp.path() + "/QM.INI";
};

TEST_F(Killed, InTheMiddleOfAConversionOrAnImportThenRunAgain) {
  constexpr int kFirst = 10, kLast = 21, kSymbols = 20000;
  // The source folder is the destination too: leftovers sit among the inputs.
  // Three files are converted at once.
  const std::vector<std::string> args = {"--settings", ini, "--jobs", "3", "--source", "folder",
                                         "--source-folder", src, "--dest-folder", src, "convert", "update"};
  write_text(ini, "[QN_EOD]\r\nAmiPath=" + db + "\r\n");
  auto write_days = [&](int volume) {
    for (int d = kFirst; d <= kLast; ++d)
      write_text(src + "/2008_01_" + std::to_string(d) + ".csv", bhavcopy(d, kSymbols, volume));
  };
  // Each output of a run from `first` to `last`, each stored day of one run.
  auto whole = [&](int first, int last) {
    for (int d = kFirst; d <= kLast; ++d) {
      const std::string text = read_text(src + "/2008_01_" + std::to_string(d) + "_DX.txt");
      bool found = false;
      for (int v = first; v <= last; ++v) found = found || text == bhavcopy(d, kSymbols, v, true);
      EXPECT_TRUE(found) << "day " << d << ": " << text.size() << " bytes";
    }
    for (const auto& [date, count] : days_stored(db))
      EXPECT_EQ(count, date == "ok" ? "" : std::to_string(kSymbols) + " 1") << date;
  };
  write_days(0);
  const Clock::time_point start = Clock::now();
  ASSERT_EQ(run_quillon(args, tmp).status, 0);
  const auto run_length = Clock::now() - start;
  const std::vector<std::string> inputs_and_outputs = folder_names(src);
  const unsigned seed = std::random_device()();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  for (int volume = 1; volume <= 8; ++volume) {
    write_days(volume);
    // At a random moment of the run, while a file is being written, or at
    // the start of a random day's import.
    const auto end = Clock::now() + run_length * std::uniform_real_distribution(0.0, 1.2)(random);
    const size_t imports = std::uniform_int_distribution(1, kLast - kFirst + 1)(random);
    kill_when(args, [&] {
      if (volume % 3 == 0) return Clock::now() >= end;
      if (volume % 3 == 1) return folder_names(src).size() > inputs_and_outputs.size();
      const std::string text = read_text(log);
      size_t n = 0;
      for (size_t at = text.find("Updating"); at != std::string::npos; at = text.find("Updating", at + 1)) ++n;
      return n >= imports;
    });
    whole(0, volume);
    for (const std::string& n : folder_names(src))  // else only temporaries of killed runs
      EXPECT_TRUE(std::count(inputs_and_outputs.begin(), inputs_and_outputs.end(), n) ||
                  (n[0] == '.' && n.find(".quillon-tmp") != std::string::npos)) << n;
  }
  write_days(9);
  const ProgramRun r = run_quillon(args, tmp);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find("fUpdateAmi"), std::string::npos) << r.out;
  whole(9, 9);
  EXPECT_EQ(days_stored(db).size(), kLast - kFirst + 2u);  // and the integrity check
  EXPECT_EQ(folder_names(src), inputs_and_outputs);
}

TEST_F(Killed, InTheMiddleOfADownloadThenRunAgain) {
  TestServer server;
  const std::string day = "/content/historical/EQUITIES/2008/JAN/cm31JAN2008bhav.csv";
  const std::string local = src + "/2008_01_31.csv";
  write_text(local, bhavcopy(31, 1, 100));
  server.set(day, {200, std::string(64 * 1024, 'x'), TestServer::Kind::Stall, {}});
  const std::vector<std::string> download = {"--settings", ini, "--from", "31/01/2008", "--to", "31/01/2008",
                                             "--source-folder", src, "--dest-folder", dst,
                                             "--exchange-url", server.base(),
                                             "--exchange-layout", "legacy", "download"};
  ASSERT_TRUE(kill_when(download, [&] { return folder_names(src).size() > 1; }))
      << "the download never began its file";
  EXPECT_EQ(read_text(local), bhavcopy(31, 1, 100));
  // (That leftovers are no inputs of a conversion, the test above shows.)
  server.serve(day, bhavcopy(31, 1, 200));
  const ProgramRun r = run_quillon(download, tmp);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(read_text(local), bhavcopy(31, 1, 200));
  EXPECT_EQ(folder_names(src), std::vector<std::string>{"2008_01_31.csv"});
}

// The timer's catch-up while another runs on the same source folder (named
// another way): the second ends at once, exit status 1, asking the exchange
// nothing and writing nothing; the first one's lock goes when it is killed.
// Each asks for one day only (today).
TEST_F(Killed, ACatchUpHoldsItsSourceFolderUntilItEnds) {
  TestServer server;
  server.set("*", {200, std::string(64 * 1024, 'x'), TestServer::Kind::Stall, {}});
  const ScopedEnv runtime("XDG_RUNTIME_DIR", tmp.sub("run"));
  write_text(src + "/2024_06_12.csv", "x");
  auto catch_up = [&](const std::string& folder) {
    return std::vector<std::string>{"--settings", ini, "--source-folder", folder, "--dest-folder", dst,
                                    "--exchange-url", server.base(), "--today", "2024-06-13", "catch-up"};
  };
  ProgramRun second;
  ASSERT_TRUE(kill_when(catch_up(src), [&] {
    return !server.requests().empty() && (second = run_quillon(catch_up(tmp.path() + "/./S/"), tmp)).status;
  })) << "the first catch-up never asked the exchange";
  EXPECT_EQ(second.status, 1);
  EXPECT_EQ(second.err, "Another run holds the source folder '" + tmp.path() + "/./S/' for its catch-up: this one "
                        "ends without touching a file. Try again when that one has ended.\n");
  EXPECT_TRUE(server.requests().size() == 1 && folder_names(dst).empty());
  server.set("*", {404, ""});
  EXPECT_EQ(run_quillon(catch_up(src), tmp).status, 0);  // today not published yet
}

}  // namespace
}  // namespace quillon::testing
