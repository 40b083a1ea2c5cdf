// quillon without a command: the window, or its picture with --screenshot.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "chartdb/eod_server.h"
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

// Width and height of a PNG picture; zero when `data` is none.
std::pair<unsigned, unsigned> png_size(const std::string& data) {
  if (data.size() < 24 || data.substr(0, 8) != std::string("\x89PNG\r\n\x1a\n", 8)) return {0, 0};
  auto be32 = [&](size_t at) {
    return (static_cast<unsigned char>(data[at]) << 24) |
           (static_cast<unsigned char>(data[at + 1]) << 16) |
           (static_cast<unsigned char>(data[at + 2]) << 8) | static_cast<unsigned char>(data[at + 3]);
  };
  return {be32(16), be32(20)};
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
  const auto [width, height] = png_size(read_text(png));
  EXPECT_GE(width, 400u);
  EXPECT_LE(width, 1366u);
  EXPECT_GE(height, 300u);
  EXPECT_LE(height, 700u);
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

// The chart of a symbol in the AmiPath database, filled by the import that
// Update uses.
TEST(Chart, PictureOfASymbolOrWhyNot) {
  TempDir dir;
  const std::string db = dir.sub("db"), ini = dir.path() + "/QM.INI", err = dir.path() + "/err";
  write_text(dir.path() + "/d_DX.txt",
             "ABC,20240102,10,12,9,11,1000\r\nABC,20240103,11,13,10,12,2000\r\n");
  {
    quillon::EodServer server;
    quillon::SqliteBroker broker(server);
    ASSERT_TRUE(broker.LoadDatabase(db));
    broker.Import(0, dir.path() + "/d_DX.txt", quillon::kEodImportFormat);
  }
  write_text(ini, "[QN_EOD]\r\nAmiPath=" + db + "\r\n");
  auto chart = [&](const std::string& args, const std::string& png) {
    return run_headless("--settings " + ini + " --screenshot " + png + " " + args, err);
  };
  const std::string png = dir.path() + "/chart.png";
  EXPECT_EQ(chart("--chart abc --from 01/01/2024", png), 0) << read_text(err);
  EXPECT_GE(png_size(read_text(png)).first, 800u);

  const std::string none = dir.path() + "/none.png";
  EXPECT_EQ(chart("--chart NOPE", none), 1);
  EXPECT_NE(read_text(err).find("quillon: No quotes of 'NOPE' in the chart database in '" + db +
                                "'.\n"),
            std::string::npos);
  write_text(ini, "[QN_EOD]\r\nAmiPath=" + dir.path() + "/gone\r\n");
  EXPECT_EQ(chart("--chart ABC", none), 1);
  EXPECT_NE(read_text(err).find("/gone' does not exist"), std::string::npos) << read_text(err);
  EXPECT_FALSE(exists(none));

  for (const char* usage : {"--chart ABC convert", "--chart ABC --eod", "--chart ABC --from 32/01/2024",
                            "--chart"})
    EXPECT_EQ(chart(usage, none), 2) << usage;
  EXPECT_FALSE(exists(none));
}
