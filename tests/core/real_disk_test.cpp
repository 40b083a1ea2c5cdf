// The real disk kept honest where the in-memory one stands in elsewhere: a
// full disk (a file size limit stands in, for root too: writes past it fail
// with "File too large"), a read-only folder (permissions do not stop root:
// skipped there) and the temporaries of writers that are gone.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "app/window_commands.h"
#include "fakes.h"

namespace quillon::testing {
namespace {

// No file of this process grows past `bytes` while it lives.
struct FileSizeLimit {
  explicit FileSizeLimit(rlim_t bytes) : handler(::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit r{bytes, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &r);
  }
  ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &old), ::signal(SIGXFSZ, handler); }
  sighandler_t handler;
  rlimit old{};
};

// The three settings are saved in one replacement or not at all: a disk
// that filled up between them once left DataSource saved and the folders not.
TEST(RealDisk, SettingsSaveOnAFullDiskKeepsTheEarlierFile) {
  TempDir tmp;
  const std::string ini = tmp.path() + "/QM.INI";
  const std::string earlier = "[QN_EOD]\r\nDataSource=BSE\r\nSourcePath=/old\r\n; " + std::string(400, '-') + "\r\n";
  write_text(ini, earlier);
  TestPlatform tp;
  WindowCommands window(tp.platform, ini);
  window.Form_Load();
  window.model().txtSourceFolder = "/new/source/" + std::string(100, 'f');
  {  // the limit lifted afterwards
    FileSizeLimit limit(earlier.size() + 10);
    window.cmdOptions_Click();
  }
  EXPECT_EQ(tp.messages.shown, std::vector<std::string>{"cmdOptions: The settings were not saved. Cannot write "
                                                        "the file '" + ini + "': File too large."});
  EXPECT_EQ(read_text(ini), earlier);
  EXPECT_EQ(folder_names(tmp.path()), std::vector<std::string>{"QM.INI"});
}

TEST(RealDisk, ReadOnlyFolderKeepsItsFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
  TempDir tmp;
  const std::string path = tmp.path() + "/a_DX.txt";
  write_text(path, "earlier");
  ::chmod(tmp.path().c_str(), 0555);
  try {
    RealDisk().write(path, "new", false);
    ADD_FAILURE() << "written";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create the file '" + path + "': Permission denied.");
  }
  EXPECT_EQ(read_text(path), "earlier");
  EXPECT_EQ(folder_names(tmp.path()), std::vector<std::string>{"a_DX.txt"});
}

// Whether a file already holds given bytes, read in pieces: a difference
// in the last byte of a file longer than one piece, or a file that is
// shorter or longer, is no match.
TEST(RealDisk, AFileHoldsExactlyItsBytes) {
  TempDir tmp;
  const std::string big(200000, 'x'), path = tmp.path() + "/f";
  const std::tuple<const char*, std::optional<std::string>, std::string, bool> cases[] = {
      {"the same", big, big, true}, {"last byte differs", big, big.substr(1) + "y", false},
      {"file shorter", big.substr(1), big, false}, {"file longer", big + "x", big, false},
      {"both empty", "", "", true}, {"no file", std::nullopt, "", false}};
  for (const auto& [what, on_disk, data, holds] : cases) {
    ::unlink(path.c_str());
    if (on_disk) write_text(path, *on_disk);
    EXPECT_EQ(RealDisk().holds(path, data), holds) << what;
  }
  EXPECT_FALSE(RealDisk().holds(tmp.path(), "") || RealDisk().is_file(tmp.path())) << "a folder";
  std::string text;  // a read that fails (EIO at offset 0) is an error, not tried again
  EXPECT_THROW(RealDisk().read("/proc/self/mem", text), Error);
  ::unlink(path.c_str());
  ::mkfifo(path.c_str(), 0600);
  EXPECT_FALSE(RealDisk().holds(path, "")) << "a named pipe, with no writer: not waited for";
}

// A killed run's temporaries go; a live writer's and other names stay.
TEST(RealDisk, TemporariesOfWritersThatAreGoneAreRemoved) {
  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ::waitpid(dead, nullptr, 0);
  const std::string d = std::to_string(dead), self = std::to_string(::getpid());
  TempDir tmp;
  std::vector<std::string> kept = {".a.csv.quillon-tmp" + self + "-7", ".notes.txt", "a.csv",
                                   "x.quillon-tmp" + d + "-1", ".x.quillon-tmp" + d, ".y.quillon-tmp" + d + "-1x"};
  for (const auto& n : kept) write_text(tmp.path() + "/" + n, "k");
  for (const auto& n : {".b.csv.quillon-tmp" + d + "-0", ".b.csv.quillon-tmp" + d + "-1.zip"})
    write_text(tmp.path() + "/" + n, "part");
  RealDisk().remove_stale_temporaries(tmp.path());
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(folder_names(tmp.path()), kept);
}

}  // namespace
}  // namespace quillon::testing
