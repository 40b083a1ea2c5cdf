// The quillon program from the command line: options, output, exit status.
#include <gtest/gtest.h>

#include "fakes.h"
#include "run_program.h"

namespace quillon {
namespace {

using testing::read_text;
using testing::run_program;
using testing::TempDir;
using testing::write_text;

class CommandLine : public ::testing::Test {
 protected:
  CommandLine() : src(tmp.sub("src")), dst(tmp.sub("dst")), ini(tmp.path() + "/QM.INI") {}
  testing::ProgramRun run(std::vector<std::string> args,
                          std::vector<std::string> env = {"LC_ALL=en_GB.UTF-8"}) {
    args.insert(args.begin(), {"--settings", ini});
    return run_program(QUILLON_BINARY, args, tmp, env);
  }
  TempDir tmp;
  std::string src, dst, ini;
};

TEST_F(CommandLine, ConvertAFolderPrintsStatusAndExitsZero) {
  write_text(src + "/cm31JAN2008bhav.csv",
             "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\n"
             "ABC,EQ,1234.50,1250.00,1220.10,1245.30,1245.00,1230.00,125000,1.5,31-JAN-2008,\n");
  write_text(src + "/INDEX_NIFTY.csv", "Date,O,H,L,C\n31-Jan-2008,1,2,3,4\n");
  // A locale whose C library formatting would write "1234,5".
  auto r = run({"--source", "folder", "--source-folder", src, "--dest-folder", dst, "--indices",
                "convert"},
               {"LC_ALL=de_DE.UTF-8"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "\nExtract of Data from BhavCopy is done....!\n"
            "Extract of Index Data from BhavCopy is done....!\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(read_text(dst + "/cm31JAN2008bhav_DX.txt"),
            "ABC,20080131,1234.5,1250,1220.1,1245.3,125000\r\n");
  EXPECT_EQ(read_text(dst + "/INDEX_NIFTY_DX.txt"), "NIFTY,20080131,1,2,3,4,0\r\n");
}

TEST_F(CommandLine, MessageBoxesGoToStandardErrorAndExitOne) {
  auto r = run({"--source", "folder", "--source-folder", src, "--dest-folder", dst, "convert"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "No files available to convert\n");
  EXPECT_EQ(r.out, "");
}

TEST_F(CommandLine, SettingsThenALaterRunRestoresTheFolders) {
  auto r = run({"--source-folder", src, "--dest-folder", dst, "settings"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(read_text(ini).find("SourcePath=" + src), std::string::npos);
  write_text(src + "/INDEX_A.csv", "h\n31-Jan-2008,1,2,3,4\n");
  r = run({"--no-eod", "--indices", "convert"});  // folders come from the settings file
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(read_text(dst + "/INDEX_A_DX.txt"), "A,20080131,1,2,3,4,0\r\n");
}

TEST_F(CommandLine, UsageErrorsExitTwo) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--bogus"}, {"frobnicate"}, {"--source", "nyse", "convert"},
        {"--from"}, {"--eod=yes", "convert"}}) {
    auto r = run(args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_NE(r.err, "") << args[0];
    EXPECT_EQ(r.out, "") << args[0];
  }
  auto r = run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Usage: quillon"), std::string::npos);
  r = run({"--version"});
  EXPECT_EQ(r.out, "quillon 3.0.24\n");
}

}  // namespace
}  // namespace quillon
