// The settings file, the load sequence and the window's small actions.
#include <gtest/gtest.h>

#include "app/window_commands.h"
#include "app/operations.h"
#include "fakes.h"
#include "settings/ini_file.h"

namespace quillon {
namespace {

RealDisk real_disk;

using testing::folder_names;
using testing::read_text;
using testing::ScopedEnv;
using testing::TempDir;
using testing::TestPlatform;
using testing::write_text;

TEST(IniFile, ReadsCaseInsensitivelyAndTheFirstOfDuplicates) {
  TempDir tmp;
  const std::string ini = tmp.path() + "/QM.INI";
  EXPECT_EQ(ReadIniString(real_disk, "QN_EOD", "DataSource", "def", ini), "");  // no file: not the default
  EXPECT_EQ(ReadIniSection(real_disk, "QN_Indices", ini), "");
  for (const char* eol : {"\n", "\r\n"}) {
    std::string text = std::string("; comment") + eol + "[qn_eod]" + eol +
                       "  datasource =  NSE " + eol + "SourcePath=\"/data/in\"" + eol +
                       "DataSource=BSE" + eol + "[QN_Indices]" + eol + "  S&P CNX NIFTY=NIFTY" +
                       eol + eol + ";skip" + eol + "a=b=c" + eol + "[QN_EOD]" + eol +
                       "DestPath=/second";
    write_text(ini, text);
    EXPECT_EQ(ReadIniString(real_disk, "QN_EOD", "DataSource", "", ini), "NSE");
    EXPECT_EQ(ReadIniString(real_disk, "QN_EOD", "SourcePath", "", ini), "/data/in");
    EXPECT_EQ(ReadIniString(real_disk, "QN_EOD", "DestPath", "none", ini), "none");
    EXPECT_EQ(ReadIniString(real_disk, "QN_EOD", "AmiPath", "", ini), "");
    EXPECT_EQ(ReadIniString(real_disk, "Other", "x", "dflt", ini), "dflt");
    EXPECT_EQ(ReadIniSection(real_disk, "QN_Indices", ini), std::string("  S&P CNX NIFTY=NIFTY\0a=b=c\0", 28));
  }
}

// Stray CRs before a line end are part of the line end: the value reads the
// same before and after another key is written (a fuzzer finding).
TEST(IniFile, StrayCarriageReturnsBeforeALineEnd) {
  TempDir tmp;
  const std::string ini = tmp.path() + "/QM.INI";
  write_text(ini, "[QN_EOD]\nDataSource=NSE\r\r\r\nSourcePath=a\rb\n");
  EXPECT_EQ(ReadIniString(real_disk, "QN_EOD", "DataSource", "", ini), "NSE");
  EXPECT_EQ(WriteIniString(real_disk, "QN_EOD", "DestPath", "/out", ini), "");
  EXPECT_EQ(ReadIniString(real_disk, "QN_EOD", "DataSource", "", ini), "NSE");
  EXPECT_EQ(ReadIniString(real_disk, "QN_EOD", "SourcePath", "", ini), "a\rb");
}

TEST(IniFile, WriteUpdatesInPlaceAndKeepsEverythingElse) {
  TempDir tmp;
  const std::string ini = tmp.path() + "/QM.INI";
  write_text(ini, "; my settings\r\n[QN_EOD]\r\nDataSource=BSE\r\nAmiPath=/ami\r\n\r\n"
                  "[QN_Indices]\r\nBANK NIFTY=BANKNIFTY\r\n");
  EXPECT_EQ(WriteIniString(real_disk, "qn_eod", "datasource", "NSE", ini), "");
  EXPECT_EQ(WriteIniString(real_disk, "QN_EOD", "SourcePath", "/in", ini), "");
  EXPECT_EQ(WriteIniString(real_disk, "New", "k", "v", ini), "");
  EXPECT_EQ(read_text(ini),
            "; my settings\r\n[QN_EOD]\r\ndatasource=NSE\r\nAmiPath=/ami\r\nSourcePath=/in\r\n\r\n"
            "[QN_Indices]\r\nBANK NIFTY=BANKNIFTY\r\n[New]\r\nk=v\r\n");
  const std::string long_path(300, 'p');
  EXPECT_EQ(WriteIniString(real_disk, "QN_EOD", "DestPath", long_path, ini), "");
  EXPECT_EQ(ReadIniString(real_disk, "QN_EOD", "DestPath", "", ini), long_path);  // not cut
  EXPECT_NE(WriteIniString(real_disk, "QN_EOD", "DestPath", "a\nb", ini), "");
  EXPECT_EQ(ReadIniString(real_disk, "QN_EOD", "DestPath", "", ini), long_path);
  EXPECT_EQ(folder_names(tmp.path()), std::vector<std::string>{"QM.INI"});

  // A missing file is created, with its missing folders; a folder that
  // cannot be made is a reported failure.
  const std::string fresh = tmp.path() + "/new/folders/new.ini";
  EXPECT_EQ(WriteIniString(real_disk, "QN_EOD", "DataSource", "", fresh), "");
  EXPECT_EQ(read_text(fresh), "[QN_EOD]\nDataSource=\n");
  EXPECT_EQ(WriteIniString(real_disk, "QN_EOD", "DataSource", "", fresh + "/x/such.ini"),
            "Cannot create the folder '" + fresh + "': File exists.");  // a file in the way
}

TEST(IniFile, ValuesReadBackAsSetAndNamesThatCannotAreRefused) {
  TempDir tmp;
  const std::string ini = tmp.path() + "/QM.INI";
  for (const char* value : {" /data/in", "/data/in ", "\"/quoted\"", "\"", "a\"b", "", "\t",
                            "x=y;z", "[QN_EOD]"}) {
    EXPECT_EQ(WriteIniString(real_disk, "QN_EOD", "SourcePath", value, ini), "") << value;
    EXPECT_EQ(ReadIniString(real_disk, "QN_EOD", "SourcePath", "", ini), value);
  }
  write_text(ini, "[QN_EOD]\nDataSource=NSE\n");
  for (auto [section, key] : {std::pair<const char*, const char*>{" QN_EOD", "k"},
                              {"a]b", "k"}, {"QN_EOD", "a=b"}, {"QN_EOD", ";k"},
                              {"QN_EOD", "#k"}, {"QN_EOD", "[k]"}, {"QN_EOD", "k "}}) {
    EXPECT_NE(WriteIniString(real_disk, section, key, "v", ini), "") << section << "/" << key;
    EXPECT_EQ(read_text(ini), "[QN_EOD]\nDataSource=NSE\n");
  }
}

// Duplicate sections and keys, either line end, no final line end: the first
// of a name is updated, every other line stays as it was.
TEST(IniFile, WriteUpdatesTheFirstOfDuplicatesWhateverTheLineEnds) {
  TempDir tmp;
  const std::string ini = tmp.path() + "/QM.INI";
  struct Case {
    const char* eol;
    bool final_eol;
  } cases[] = {{"\n", true}, {"\r\n", true}, {"\n", false}, {"\r\n", false}};
  for (const Case& c : cases) {
    const std::string e = c.eol;
    const std::string tail = c.final_eol ? e : "";
    write_text(ini, "[QN_EOD]" + e + "DestPath=/a" + e + "DestPath=/b" + e + "[qn_eod]" + e +
                        "DestPath=/c" + tail);
    EXPECT_EQ(WriteIniString(real_disk, "QN_EOD", "DestPath", "/new", ini), "");
    EXPECT_EQ(read_text(ini), "[QN_EOD]" + e + "DestPath=/new" + e + "DestPath=/b" + e +
                                  "[qn_eod]" + e + "DestPath=/c" + tail);
    EXPECT_EQ(WriteIniString(real_disk, "QN_EOD", "AmiPath", "/ami", ini), "");
    EXPECT_EQ(read_text(ini), "[QN_EOD]" + e + "DestPath=/new" + e + "DestPath=/b" + e +
                                  "AmiPath=/ami" + e + "[qn_eod]" + e + "DestPath=/c" + e);
    EXPECT_EQ(ReadIniString(real_disk, "qn_eod", "destpath", "", ini), "/new");
  }
}

// An installed copy: no QM.INI beside the program, the settings file in the
// user's configuration folder, made by the first save.
class Window : public ::testing::Test {
 protected:
  Window() : ini(tmp.path() + "/config/quillon/QM.INI") {
    tp.program_folder.folder = tmp.sub("bin");
  }
  TempDir tmp;
  ScopedEnv config{"XDG_CONFIG_HOME", tmp.path() + "/config"};
  std::string ini;
  TestPlatform tp;
};

TEST_F(Window, LoadWithoutSettingsFile) {
  WindowCommands window(tp.platform);
  window.Form_Load();
  const WindowModel& w = window.model();
  EXPECT_TRUE(tp.messages.shown.empty());
  EXPECT_EQ(w.gstrIniPath, ini);
  EXPECT_EQ(w.Caption, "Quillon: 3.0.24");
  EXPECT_EQ(w.txtSourceFolder, "");
  EXPECT_FALSE(w.arrIndexList.has_value());
  EXPECT_EQ(w.strDateFormat, "DD/MM/YYYY");
  EXPECT_EQ(w.Label4, "DD/MM/YYYY");
  EXPECT_EQ(w.TxtFromDt, "31/01/2008");
  EXPECT_EQ(w.TxtToDt, "31/01/2008");
  EXPECT_EQ(w.arrBhavFiles, std::vector<std::string>{""});
  EXPECT_EQ(w.rbSource, kSourceNse);
  EXPECT_EQ(w.txtLength, "10");
  EXPECT_TRUE(w.chkEOD);
  EXPECT_EQ(tp.browser.addresses.size(), 1u);
}

TEST_F(Window, LoadRestoresFoldersOnlyForNseOrBse) {
  struct Case {
    const char* source;
    bool restored;
  } cases[] = {{"NSE", true}, {"BSE", true}, {"nse", false}, {"", false}, {"Folder", false}};
  tmp.sub("config/quillon");
  for (const Case& c : cases) {
    write_text(ini, std::string("[QN_EOD]\nDataSource=") + c.source +
                        "\nSourcePath=/in\nDestPath=/out\nAmiPath=/ami\n"
                        "[QN_Indices]\na=1\nb=2\n");
    WindowCommands window(tp.platform);
    window.Form_Load();
    const WindowModel& w = window.model();
    EXPECT_EQ(w.txtSourceFolder, c.restored ? "/in" : "") << c.source;
    EXPECT_EQ(w.txtDestFolder, c.restored ? "/out" : "") << c.source;
    EXPECT_EQ(w.gstrAmiPath, "/ami");
    EXPECT_EQ(w.arrIndexList, (std::vector<std::string>{"a=1", "b=2", ""}));
  }
}

TEST_F(Window, DatePatternPicksTheBoxesForm) {
  struct Case {
    const char* pattern;
    const char* format;
    const char* box;
  } cases[] = {{"dd-MMM-yy", "DD/MM/YYYY", "31-01-2008"},
               {"M/d/yy", "MM/DD/YYYY", "01/31/2008"},
               {"yyyy-MM-dd", "YYYY/MM/DD", "2008-01-31"},
               {"", "", "2008-01-31 09:05:07"},
               {"'x'", "", "2008-01-31 09:05:07"}};
  for (const Case& c : cases) {
    tp.date_pattern.pattern = c.pattern;
    WindowCommands window(tp.platform);
    window.Form_Load();
    EXPECT_EQ(window.model().strDateFormat, c.format) << c.pattern;
    EXPECT_EQ(window.model().Label4, c.format) << c.pattern;
    EXPECT_EQ(window.model().TxtFromDt, c.box) << c.pattern;
  }
}

TEST_F(Window, SettingsCommandWritesSourceAndFolders) {
  {
    // First start, "Folder" selected: DataSource stays empty.
    WindowCommands window(tp.platform);
    window.Form_Load();
    window.rbSource_Click(kSourceFolder);
    window.model().txtSourceFolder = "/in";
    window.cmdOptions_Click();
    EXPECT_EQ(ReadIniString(real_disk, "QN_EOD", "DataSource", "x", ini), "");
    EXPECT_EQ(ReadIniString(real_disk, "QN_EOD", "SourcePath", "", ini), "/in");
  }
  {
    WindowCommands window(tp.platform);
    window.Form_Load();
    EXPECT_EQ(window.model().txtSourceFolder, "");  // not restored
    window.model().txtSourceFolder = "/in2";
    window.model().txtDestFolder = "/out2";
    window.cmdOptions_Click();  // "NSE" selected
  }
  {
    WindowCommands window(tp.platform);
    window.Form_Load();
    EXPECT_EQ(window.model().txtSourceFolder, "/in2");
    EXPECT_EQ(window.model().txtDestFolder, "/out2");
    window.rbSource_Click(kSourceBse);
    window.cmdOptions_Click();
    EXPECT_EQ(ReadIniString(real_disk, "QN_EOD", "DataSource", "", ini), "NSE");  // stays NSE
  }
  EXPECT_TRUE(tp.messages.shown.empty());
  // A settings file that cannot be written is reported.
  write_text(tmp.path() + "/file", "");
  WindowCommands window(tp.platform, tmp.path() + "/file/QM.INI");
  window.Form_Load();
  window.cmdOptions_Click();
  ASSERT_EQ(tp.messages.shown.size(), 1u);
  EXPECT_EQ(tp.messages.shown[0].rfind("cmdOptions: The settings were not saved.", 0), 0u);
}

TEST_F(Window, SourceClickAndFolderPickers) {
  WindowCommands window(tp.platform);
  window.Form_Load();
  WindowModel& w = window.model();
  window.rbSource_Click(kSourceFolder);
  EXPECT_FALSE(w.cmdProcessEnabled);
  window.rbSource_Click(kSourceBse);
  EXPECT_TRUE(w.cmdProcessEnabled);
  window.rbSource_Click(7);
  EXPECT_EQ(tp.messages.shown.size(), 1u);
  EXPECT_EQ(tp.messages.shown[0].rfind("Source Select Event ", 0), 0u);

  tp.folders.answers = {"/picked", "", "/dest"};
  window.Command1_Click();
  EXPECT_EQ(w.txtSourceFolder, "/picked");
  window.Command1_Click();  // cancelled: the box keeps its folder
  EXPECT_EQ(w.txtSourceFolder, "/picked");
  window.Command2_Click();
  EXPECT_EQ(w.txtDestFolder, "/dest");
  EXPECT_EQ(tp.folders.prompts[0], "Select a folder");

  window.Label16_Click();
  window.Label17_Click();
  ASSERT_EQ(tp.web.opened.size(), 2u);
  EXPECT_NE(tp.web.opened[0], tp.web.opened[1]);
}

}  // namespace
}  // namespace quillon
