// quillon without a command: the window, or its picture with --screenshot.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "fakes.h"

using namespace quillon::testing;

namespace {

// Runs quillon with `args` where no display is known; returns its exit status.
int run_headless(const std::string& args, const std::string& err_file) {
  const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                          std::string(QUILLON_BINARY) + " " + args + " >/dev/null 2>" + err_file;
  const int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(Window, ScreenshotWritesAPictureOfTheWindowWithoutADisplay) {
  TempDir dir;
  const std::string png = dir.path() + "/window.png";
  EXPECT_EQ(run_headless("--screenshot " + png + " --source folder --source-folder /data/csv " +
                             "--settings " + dir.path() + "/QM.INI",
                         dir.path() + "/err"),
            0)
      << read_text(dir.path() + "/err");
  const std::string data = read_text(png);
  ASSERT_GT(data.size(), 24u);
  EXPECT_EQ(data.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  auto be32 = [&](size_t at) {
    return (static_cast<unsigned char>(data[at]) << 24) |
           (static_cast<unsigned char>(data[at + 1]) << 16) |
           (static_cast<unsigned char>(data[at + 2]) << 8) | static_cast<unsigned char>(data[at + 3]);
  };
  EXPECT_GE(be32(16), 400u);  // width
  EXPECT_LE(be32(16), 1366u);
  EXPECT_GE(be32(20), 300u);  // height
  EXPECT_LE(be32(20), 700u);
}

TEST(Window, UsageErrorsAndNoDisplay) {
  TempDir dir;
  const std::string err = dir.path() + "/err";
  EXPECT_EQ(run_headless("--screenshot " + dir.path() + "/w.png convert", err), 2);
  EXPECT_NE(read_text(err).find("takes no command"), std::string::npos);
  EXPECT_FALSE(exists(dir.path() + "/w.png"));
  EXPECT_EQ(run_headless("--screenshot", err), 2);
  EXPECT_EQ(run_headless("--source-folder /data/csv", err), 2);
  EXPECT_NE(read_text(err).find("no display"), std::string::npos);
  EXPECT_EQ(run_headless("--screenshot /nonexistent-folder/w.png", err), 1);
  EXPECT_NE(read_text(err).find("cannot write"), std::string::npos);
}
