// The three converters and the Convert command on real files.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "app/window_commands.h"
#include "app/operations.h"
#include "bhavcopy/bhavcopy_convert.h"
#include "indices/index_convert.h"
#include "scrip/scrip_convert.h"
#include "fakes.h"

namespace quillon {
namespace {

using testing::exists;
using testing::folder_names;
using testing::read_text;
using testing::TempDir;
using testing::TestPlatform;
using testing::write_text;

constexpr const char* kBhavHeader =
    "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,"
    "TOTALTRADES,ISIN,\r\n";

std::string bhav_row(const std::string& symbol, const std::string& series,
                     const std::string& open = "1234.50", const std::string& date = "31-JAN-2008") {
  return symbol + "," + series + "," + open +
         ",1250.00,1220.10,1245.30,1245.00,1230.00,125000,155000000.5," + date +
         ",5,INE000A01010,\r\n";
}

class Converters : public ::testing::Test {
 protected:
  Converters() : src(tmp.sub("src")), dst(tmp.sub("dst")) {
    w.txtSourceFolder = src;
    w.txtDestFolder = dst;
  }
  std::string in(const std::string& name) const { return src + "/" + name; }
  std::string out(const std::string& name) const { return dst + "/" + name; }
  std::string status() const { return w.Text1.text(); }

  TempDir tmp;
  std::string src, dst;
  TestPlatform tp;
  WindowCommands window{tp.platform};
  WindowModel& w = window.model();
};

TEST_F(Converters, BhavcopyRecordsSeriesFilterAndHeader) {
  write_text(in("cm31JAN2008bhav.csv"),
             std::string(kBhavHeader) + bhav_row("ABC", "EQ") + bhav_row("DEF", "BE") +
                 bhav_row("GHI", "BL") + bhav_row("JKL", "eq") + "\r\n" +
                 "A,EQ,1,2,3,4,5,6,7,8\r\n");
  w.rbSource = kSourceFolder;
  fOutput(w, tp.platform);
  EXPECT_TRUE(tp.messages.shown.empty()) << tp.messages.shown[0];
  EXPECT_EQ(read_text(out("cm31JAN2008bhav_DX.txt")),
            "ABC,20080131,1234.5,1250,1220.1,1245.3,125000\r\n"
            "DEF,20080131,1234.5,1250,1220.1,1245.3,125000\r\n");
  EXPECT_EQ(w.colAmiFiles, std::vector<std::string>{out("cm31JAN2008bhav_DX.txt")});
  EXPECT_EQ(status(), "\r\nExtract of Data from BhavCopy is done....!");
  EXPECT_EQ(w.File1.Pattern, "*.csv");
}

TEST_F(Converters, SymbolLength) {
  struct Case {
    const char* length;
    const char* first_field;  // nullptr: the run fails
  } cases[] = {{"", "ABCDEFGHIJKL"}, {"abc", "ABCDEFGHIJKL"}, {"0", ""},
               {"5", "ABCDE"},       {"50", "ABCDEFGHIJKL"},  {"4.6", "ABCDE"},
               {"-1", nullptr},      {"2147483648", "ABCDEFGHIJKL"},
               // Odd boxes: not numeric means no limit; "-0" is 0.
               {"1e400", "ABCDEFGHIJKL"}, {"0x10", "ABCDEFGHIJKL"}, {"NaN", "ABCDEFGHIJKL"},
               {"-0", ""},           {" 5", "ABCDE"},         {"1e1", "ABCDEFGHIJ"},
               {"-2147483649", nullptr}};
  write_text(in("d.csv"), std::string(kBhavHeader) + bhav_row("ABCDEFGHIJKL", "EQ"));
  w.rbSource = kSourceFolder;
  for (const Case& c : cases) {
    tp.messages.shown.clear();
    w.txtLength = c.length;
    fOutput(w, tp.platform);
    if (c.first_field) {
      ASSERT_TRUE(tp.messages.shown.empty()) << c.length;
      std::string text = read_text(out("d_DX.txt"));
      EXPECT_EQ(text.substr(0, text.find(',')), c.first_field) << c.length;
    } else {
      ASSERT_EQ(tp.messages.shown.size(), 1u) << c.length;
      EXPECT_NE(tp.messages.shown[0].find("fOutput: "), std::string::npos);
      EXPECT_NE(tp.messages.shown[0].find("negative"), std::string::npos);
    }
  }
}

TEST_F(Converters, DownloadedListModeUsesTheSavedPathsAndTheirNames) {
  write_text(in("2008_01_31.csv"), std::string(kBhavHeader) + bhav_row("ABC", "EQ"));
  write_text(in("other.csv"), std::string(kBhavHeader) + bhav_row("XYZ", "EQ"));
  w.rbSource = kSourceNse;

  // Nothing downloaded yet: only the completion line.
  w.arrBhavFiles.assign(1, "");
  fOutput(w, tp.platform);
  EXPECT_TRUE(folder_names(dst).empty());
  EXPECT_EQ(status(), "\r\nExtract of Data from BhavCopy is done....!");

  w.arrBhavFiles = {in("2008_01_31.csv")};
  w.txtSourceFolder = src;  // the check of the folder listing still runs here
  fOutput(w, tp.platform);
  EXPECT_EQ(folder_names(dst), std::vector<std::string>{"2008_01_31_DX.txt"});
  EXPECT_EQ(w.colAmiFiles, std::vector<std::string>{out("2008_01_31_DX.txt")});

  // Converting again converts the same files again and queues them again.
  fOutput(w, tp.platform);
  EXPECT_EQ(w.colAmiFiles.size(), 2u);
}

TEST_F(Converters, NoFilesAvailableToConvert) {
  write_text(in("notes.txt"), "x");
  for (int source : {kSourceNse, kSourceFolder}) {
    tp.messages.shown.clear();
    w.rbSource = source;
    w.arrBhavFiles = {in("2008_01_31.csv")};
    fOutput(w, tp.platform);
    EXPECT_EQ(tp.messages.shown, std::vector<std::string>{"No files available to convert"});
  }
  w.chkEOD = false;
  w.chkIndices = true;
  tp.messages.shown.clear();
  window.cmdConvert_Click();
  EXPECT_EQ(tp.messages.shown, std::vector<std::string>{"No files available to convert"});
  w.chkEOD = true;
  w.chkIndices = false;
  w.txtScrip = "INFY";
  tp.messages.shown.clear();
  window.cmdConvert_Click();
  EXPECT_EQ(tp.messages.shown, std::vector<std::string>{"No files available to convert"});
  EXPECT_EQ(status(), "");
  EXPECT_TRUE(w.colAmiFiles.empty());
}

TEST_F(Converters, MissingFoldersAreReportedWithTheOperation) {
  w.txtSourceFolder = tmp.path() + "/missing";
  fOutput(w, tp.platform);
  ASSERT_EQ(tp.messages.shown.size(), 1u);
  EXPECT_EQ(tp.messages.shown[0].rfind("fOutput: Cannot list the folder", 0), 0u)
      << tp.messages.shown[0];

  w.txtSourceFolder = src;
  w.txtDestFolder = tmp.path() + "/missing";
  write_text(in("INDEX_NIFTY.csv"), "Date,O,H,L,C\n31-Jan-2008,1,2,3,4\n");
  fConvertIndex(w, tp.platform);
  ASSERT_EQ(tp.messages.shown.size(), 2u);
  EXPECT_EQ(tp.messages.shown[1].rfind("fConvertIndex: Cannot create the file", 0), 0u)
      << tp.messages.shown[1];
  EXPECT_TRUE(w.colAmiFiles.empty());
}

// A failing input stops the run: earlier outputs stay done and queued, the
// failing output is not written (an older copy stays whole), later inputs
// are not converted, and no completion line appears.
TEST_F(Converters, FailureStopsTheRunAndLeavesNoPartialOutput) {
  write_text(in("a.csv"), std::string(kBhavHeader) + bhav_row("AAA", "EQ"));
  write_text(in("b.csv"), std::string(kBhavHeader) + bhav_row("BBB", "EQ") +
                              bhav_row("BAD", "EQ", "12a") + bhav_row("CCC", "EQ"));
  write_text(in("c.csv"), std::string(kBhavHeader) + bhav_row("DDD", "EQ"));
  write_text(out("b_DX.txt"), "earlier\r\n");
  w.rbSource = kSourceFolder;
  fOutput(w, tp.platform);
  ASSERT_EQ(tp.messages.shown.size(), 1u);
  const std::string& m = tp.messages.shown[0];
  EXPECT_EQ(m.rfind("fOutput: " + in("b.csv") + ", line 3: the OPEN value '12a' is not a number", 0),
            0u)
      << m;
  EXPECT_EQ(read_text(out("b_DX.txt")), "earlier\r\n");
  EXPECT_FALSE(exists(out("c_DX.txt")));
  EXPECT_EQ(w.colAmiFiles, std::vector<std::string>{out("a_DX.txt")});
  EXPECT_EQ(status(), "");
  EXPECT_EQ(folder_names(dst), (std::vector<std::string>{"a_DX.txt", "b_DX.txt"}));
}

TEST_F(Converters, FolderModeNamesAndDuplicateBaseNames) {
  write_text(in("x.1.csv"), std::string(kBhavHeader) + bhav_row("ONE", "EQ"));
  write_text(in("x.2.csv"), std::string(kBhavHeader) + bhav_row("TWO", "EQ"));
  write_text(in("HEAD.CSV"), kBhavHeader);
  w.rbSource = kSourceFolder;
  w.txtDestFolder = dst + "/";
  fOutput(w, tp.platform);
  EXPECT_EQ(read_text(out("x_DX.txt")).substr(0, 4), "TWO,");
  EXPECT_EQ(read_text(out("HEAD_DX.txt")), "");  // header only: empty, still queued
  EXPECT_EQ(w.colAmiFiles, (std::vector<std::string>{dst + "//HEAD_DX.txt", dst + "//x_DX.txt",
                                                     dst + "//x_DX.txt"}));
}

TEST_F(Converters, IndexFiles) {
  write_text(in("INDEX_NIFTY.csv"),
             "Date,Open,High,Low,Close,Shares Traded\n"
             "31-Jan-2008,2000.50,2010.00,1990.25,2005.00,123456\n"
             "1-Feb-2008,1,2,3,4\n"
             "4-Feb-2008,1,2,3,4,5,6\n"
             "20080205,1,2,3,4\n");
  write_text(in("index_bank nifty.csv"), "header only\r\n");
  write_text(in("indexdata.csv"), "31-Jan-2008,1,2,3,4\n");
  write_text(in("nifty.csv"), "not an index file\n");
  fConvertIndex(w, tp.platform);
  ASSERT_TRUE(tp.messages.shown.empty()) << tp.messages.shown[0];
  EXPECT_EQ(read_text(out("INDEX_NIFTY_DX.txt")),
            "NIFTY,20080131,2000.5,2010,1990.25,2005,0\r\n"
            "NIFTY,20080201,1,2,3,4,0\r\n"
            "NIFTY,20080205,1,2,3,4,0\r\n");
  EXPECT_EQ(read_text(out("index_bank nifty_DX.txt")), "");
  EXPECT_EQ(read_text(out("indexdata_DX.txt")), "");  // its first line is the header
  EXPECT_EQ(w.colAmiFiles, (std::vector<std::string>{out("index_bank nifty_DX.txt"),
                                                     out("INDEX_NIFTY_DX.txt"),
                                                     out("indexdata_DX.txt")}));
  EXPECT_EQ(status(), "\r\nExtract of Index Data from BhavCopy is done....!");
}

TEST_F(Converters, IndexAndScripFailuresNameFileAndLine) {
  struct Case {
    const char* name;
    std::string content;
    bool scrip;
    const char* message_part;
  } cases[] = {
      {"INDEX_A.csv", "", false, "the file is empty"},
      {"INDEX_A.csv", "h\n31-Jan-2008,1,2,3,4\n\n", false, "line 3: the line is empty"},
      {"INDEX_A.csv", "h\n31-Jan-2008,1,2,3\n", false, "line 2: the line has 4 fields"},
      {"INDEX_A.csv", "h\n\"31-Jan-2008\",1,2,3,4\n", false, "line 2: the date '\"31-Jan-2008\"'"},
      {"INDEX_A.csv", "h\n31-Jan-2008,1,,3,4\n", false, "line 2: the HIGH value '' is not a number"},
      {"1120082032008INFYXN.csv", "", true, "the file is empty"},
      {"1120082032008INFYXN.csv", "h\nINFY,EQ,15-Jan-2008,0,1,2,3,4,5\n\n", true,
       "line 3: the line is empty"},
      {"1120082032008INFYXN.csv", "h\nINFY,EQ,15-Jan-2008,0,1,2,3,4\n", true,
       "line 2: the line has 8 fields"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(src);
    std::filesystem::remove_all(dst);
    tmp.sub("src");
    tmp.sub("dst");
    tp.messages.shown.clear();
    w.colAmiFiles.clear();
    write_text(in(c.name), c.content);
    w.txtScrip = "infy";
    if (c.scrip)
      fConvertScrip(w, tp.platform);
    else
      fConvertIndex(w, tp.platform);
    ASSERT_EQ(tp.messages.shown.size(), 1u) << c.content;
    const std::string& m = tp.messages.shown[0];
    EXPECT_EQ(m.rfind(c.scrip ? "fConvertScrip: " : "fConvertIndex: ", 0), 0u) << m;
    EXPECT_NE(m.find(in(c.name)), std::string::npos) << m;
    EXPECT_NE(m.find(c.message_part), std::string::npos) << m;
    EXPECT_TRUE(folder_names(dst).empty()) << m;  // nothing partial, no temporary file
    EXPECT_TRUE(w.colAmiFiles.empty());
  }
}

TEST_F(Converters, ScripFilesOfTheTypedSymbol) {
  const std::string header = "Symbol,Series,Date,Prev Close,Open,High,Low,Last,Close,VWAP\n";
  write_text(in("5120082032008INFYXN.csv"),
             header + "INFY,EQ,15-Jan-2008,1500,0123.50,1600,1400,1550,1560\n" +
                 "INFY,EQ,20080116,1,2,3,4,5,6,7\n" + "INFY,EQ,20080117,1,2,3,4,5,6,7,8\n" +
                 "INFY,EQ,20080118,1,2,3,4,5,6,7,8,9\n");
  write_text(in("1120082032008INFYBEESXN.csv"), header);
  write_text(in("1120082032008TCSXN.csv"), header + "TCS,EQ,20080116,1,2,3,4,5,6\n");
  w.txtScrip = "infy";
  w.rbSource = kSourceBse;
  window.cmdConvert_Click();
  ASSERT_TRUE(tp.messages.shown.empty()) << tp.messages.shown[0];
  EXPECT_EQ(read_text(out("5120082032008INFYXN_DX.txt")),
            "INFY,20080115,123.5,1600,1400,1550,1560\r\n"
            "INFY,20080116,2,3,4,5,6\r\n"
            "INFY,20080117,2,3,4,5,6\r\n");
  EXPECT_EQ(read_text(out("1120082032008INFYBEESXN_DX.txt")), "");
  EXPECT_FALSE(exists(out("1120082032008TCSXN_DX.txt")));
  EXPECT_EQ(w.colAmiFiles, (std::vector<std::string>{out("1120082032008INFYBEESXN_DX.txt"),
                                                     out("5120082032008INFYXN_DX.txt")}));
  EXPECT_EQ(status(), "\r\nExtract of Scrip Data from BhavCopy is done....!");
  EXPECT_EQ(w.File1.Pattern, "*infy*XN*.csv");
}

TEST_F(Converters, ConvertRunsTheConvertersTheBoxesAskFor) {
  write_text(in("d.csv"), std::string(kBhavHeader) + bhav_row("ABC", "EQ"));
  write_text(in("INDEX_X.csv"), "h\n31-Jan-2008,1,2,3,4\n");
  struct Case {
    bool eod, indices;
    const char* scrip;
    const char* status;
  } cases[] = {
      {true, true, "",
       "\r\nExtract of Data from BhavCopy is done....!"
       "\r\nExtract of Index Data from BhavCopy is done....!"},
      {false, false, "X", ""},
      {false, true, "ABC", "\r\nExtract of Index Data from BhavCopy is done....!"},
      {true, false, " ", ""},  // a blank is a scrip: no scrip file, a message
  };
  w.rbSource = kSourceFolder;
  for (const Case& c : cases) {
    WindowCommands fresh(tp.platform);
    fresh.model().txtSourceFolder = src;
    fresh.model().txtDestFolder = dst;
    fresh.model().rbSource = kSourceFolder;
    fresh.model().chkEOD = c.eod;
    fresh.model().chkIndices = c.indices;
    fresh.model().txtScrip = c.scrip;
    fresh.cmdConvert_Click();
    EXPECT_EQ(fresh.model().Text1.text(), c.status) << c.eod << c.indices << c.scrip;
  }
}

TEST_F(Converters, TemporaryFilesAreNeverInputs) {
  write_text(in(".2008_01_31.csv.quillon-tmp12-0"), "junk");
  write_text(in("INDEX_A.csv.quillon-tmp"), "junk");
  write_text(in(".INDEX_B.csv"), "junk");
  fConvertIndex(w, tp.platform);
  EXPECT_EQ(tp.messages.shown, std::vector<std::string>{"No files available to convert"});
}

}  // namespace
}  // namespace quillon
