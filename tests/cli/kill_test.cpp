// The quillon program killed (SIGKILL) in the middle of a conversion, again
// and again, then run to the end. The source folder is also the destination
// folder, so leftover temporary files sit among the inputs.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <thread>

#include "fakes.h"
#include "run_program.h"

extern char** environ;

namespace quillon {
namespace {

using testing::folder_names;
using testing::read_text;
using testing::TempDir;
using testing::write_text;

constexpr int kDayFiles = 6, kRowsPerDay = 40000, kIndexRows = 20000;

std::string day_input(int version) {
  std::string s = "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\n";
  for (int i = 0; i < kRowsPerDay; ++i)
    s += "S" + std::to_string(i) + ",EQ," + std::to_string(100 + i % 50) +
         ".50,101.00,99.25,100.75,1,1," + std::to_string(1000 + version) + ",1.5,31-JAN-2008,\n";
  return s;
}
std::string day_output(int version) {
  std::string s;
  for (int i = 0; i < kRowsPerDay; ++i)
    s += "S" + std::to_string(i) + ",20080131," + std::to_string(100 + i % 50) +
         ".5,101,99.25,100.75," + std::to_string(1000 + version) + "\r\n";
  return s;
}
std::string index_input(int version) {
  std::string s = "Date,Open,High,Low,Close\n";
  for (int i = 0; i < kIndexRows; ++i) s += "31-Jan-2008,1,2,3," + std::to_string(version) + "\n";
  return s;
}
std::string index_output(int version) {
  std::string s;
  for (int i = 0; i < kIndexRows; ++i) s += "NIFTY,20080131,1,2,3," + std::to_string(version) + ",0\r\n";
  return s;
}

class KilledConversion : public ::testing::Test {
 protected:
  KilledConversion() : data(tmp.sub("data")) {}

  std::vector<std::string> args() const {
    return {"--settings", tmp.path() + "/QM.INI", "--source",  "folder", "--source-folder", data,
            "--dest-folder", data, "--indices", "convert"};
  }
  void write_inputs(int version) {
    for (int d = 0; d < kDayFiles; ++d) write_text(day_path(d, ".csv"), day_input(version));
    write_text(data + "/INDEX_NIFTY.csv", index_input(version));
  }
  std::string day_path(int d, const char* ending) const {
    return data + "/2008_01_" + std::to_string(10 + d) + ending;
  }
  std::vector<std::string> outputs() const {
    std::vector<std::string> o;
    for (int d = 0; d < kDayFiles; ++d) o.push_back(day_path(d, "_DX.txt"));
    o.push_back(data + "/INDEX_NIFTY_DX.txt");
    return o;
  }
  // Starts quillon and returns its process id.
  pid_t start() const {
    std::vector<std::string> argv = {QUILLON_BINARY};
    for (const auto& a : args()) argv.push_back(a);
    std::vector<char*> raw;
    for (auto& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, QUILLON_BINARY, &fa, nullptr, raw.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    return rc == 0 ? pid : -1;
  }

  TempDir tmp;
  std::string data;
};

TEST_F(KilledConversion, OutputsAreWholeAndTheNextRunCleansUp) {
  std::random_device rd;
  const unsigned seed = rd();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);

  // Version 0, converted to the end: every output has a complete copy. The
  // run's length only sets the range of the kill delays below.
  write_inputs(0);
  auto t0 = std::chrono::steady_clock::now();
  auto r = testing::run_program(QUILLON_BINARY, args(), tmp);
  const auto run_length = std::chrono::steady_clock::now() - t0;
  ASSERT_EQ(r.status, 0) << r.err;

  // In folder mode the Bhavcopy converter takes INDEX_NIFTY.csv too and
  // writes its complete output, an empty INDEX_NIFTY_DX.txt (no line has 11
  // fields), before the index converter replaces it.
  std::set<std::string> day_versions = {day_output(0)}, index_versions = {index_output(0), ""};
  const std::set<std::string> inputs_and_outputs = [&] {
    std::set<std::string> names;
    for (const std::string& n : folder_names(data)) names.insert(n);
    return names;
  }();
  int rounds_with_leftovers = 0;
  std::set<std::string> killed;
  for (int version = 1; version <= 8; ++version) {
    write_inputs(version);
    day_versions.insert(day_output(version));
    index_versions.insert(index_output(version));
    const pid_t pid = start();
    ASSERT_GT(pid, 0);
    std::uniform_int_distribution<long> delay(
        0, std::chrono::duration_cast<std::chrono::microseconds>(run_length).count() * 6 / 5);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);

    // Every output is an earlier complete copy or the new complete one.
    for (const std::string& o : outputs()) {
      const auto& versions = o.find("INDEX") != std::string::npos ? index_versions : day_versions;
      const std::string text = read_text(o);
      EXPECT_TRUE(versions.count(text)) << o << " is not a complete copy, round " << version
                                        << ": " << text.size() << " bytes, ending "
                                        << text.substr(text.size() > 60 ? text.size() - 60 : 0);
    }
    // Anything else in the folder is a temporary file of a killed run (this
    // one, or an earlier one when this one was killed before cleaning up).
    killed.insert(std::to_string(pid));
    bool leftovers = false;
    for (const std::string& n : folder_names(data)) {
      if (inputs_and_outputs.count(n)) continue;
      const size_t marker = n.find(".quillon-tmp");
      ASSERT_NE(marker, std::string::npos) << n;
      EXPECT_EQ(n.front(), '.') << n;
      EXPECT_TRUE(killed.count(n.substr(marker + 12, n.rfind('-') - marker - 12))) << n;
      leftovers = true;
    }
    rounds_with_leftovers += leftovers;
  }
  std::cout << "[ rounds that left a temporary file: " << rounds_with_leftovers << " of 8 ]\n";

  // Leftovers of a process that is gone go; those of a running one stay.
  pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const std::string dead = ".2008_01_10_DX.txt.quillon-tmp" + std::to_string(gone) + "-0";
  const std::string alive = ".2008_01_11_DX.txt.quillon-tmp" + std::to_string(::getpid()) + "-0";
  write_text(data + "/" + dead, "junk,EQ,1,2,3,4,5,6,7,8,31-JAN-2008,\n");
  write_text(data + "/" + alive, "junk,EQ,1,2,3,4,5,6,7,8,31-JAN-2008,\n");

  // Run to the end: all new, nothing else converted, nothing left over.
  write_inputs(9);
  r = testing::run_program(QUILLON_BINARY, args(), tmp);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "\nExtract of Data from BhavCopy is done....!\n"
            "Extract of Index Data from BhavCopy is done....!\n");
  for (const std::string& o : outputs())
    EXPECT_EQ(read_text(o), o.find("INDEX") != std::string::npos ? index_output(9) : day_output(9))
        << o;
  std::set<std::string> names;
  for (const std::string& n : folder_names(data)) names.insert(n);
  std::set<std::string> want = inputs_and_outputs;
  want.insert(alive);
  EXPECT_EQ(names, want);
}

}  // namespace
}  // namespace quillon
