// The settings file over the in-memory disk, where it is looked for, and
// the window's load sequence and small actions that read and write it.
#include <gtest/gtest.h>

#include <array>

#include "app/window_commands.h"
#include "base/version.h"
#include "download/download_support.h"
#include "fakes.h"
#include "platform/install_layout.h"
#include "settings/ini_file.h"

namespace quillon::testing {
namespace {

using Lines = std::vector<std::string>;
const std::string kIni = "/c/QM.INI";

TEST(IniFile, Reads) {
  MemoryDisk disk;
  EXPECT_EQ(ReadIniString(disk, "QN_EOD", "DataSource", "def", kIni), "");  // no file: not the default
  for (const char* eol : {"\n", "\r\n"}) {
    const std::string e = eol;
    disk.put(kIni, "; comment" + e + "[qn_eod]" + e + "  datasource =  NSE " + e + "SourcePath=\"/data/in\"" + e +
                       "DataSource=BSE" + e + "[QN_Indices]" + e + "  S&P CNX NIFTY=NIFTY" + e + e + ";skip" + e +
                       "a=b=c" + e + "[QN_EOD]" + e + "DestPath=/second" + e + "AmiPath=x\r\r\r" + e);
    const std::pair<const char*, const char*> rows[] = {
        {"DataSource", "NSE"}, {"SourcePath", "/data/in"}, {"DestPath", "none"}, {"Other", "none"},
        {"AmiPath", "none"}};
    for (const auto& [key, value] : rows) EXPECT_EQ(ReadIniString(disk, "QN_EOD", key, "none", kIni), value) << key;
    EXPECT_EQ(ReadIniSection(disk, "QN_Indices", kIni), std::string("  S&P CNX NIFTY=NIFTY\0a=b=c\0", 28));
  }
}

// Writes update the first section and key of a name in place, whatever the
// line ends, and keep every other line as it was.
TEST(IniFile, WritesInPlace) {
  struct Row { std::string before, section, key, value, after; } rows[] = {
      {"; my settings\r\n[QN_EOD]\r\nDataSource=BSE\r\n\r\n[QN_Indices]\r\nA=B\r\n", "qn_eod", "datasource", "NSE",
       "; my settings\r\n[QN_EOD]\r\ndatasource=NSE\r\n\r\n[QN_Indices]\r\nA=B\r\n"},
      {"[QN_EOD]\r\nA=1\r\n", "QN_EOD", "SourcePath", "/in", "[QN_EOD]\r\nA=1\r\nSourcePath=/in\r\n"},
      {"[QN_EOD]\r\nA=1\r\n", "New", "k", "v", "[QN_EOD]\r\nA=1\r\n[New]\r\nk=v\r\n"},
      {"[QN_EOD]\nD=/a\nD=/b\n[qn_eod]\nD=/c", "QN_EOD", "D", "/new", "[QN_EOD]\nD=/new\nD=/b\n[qn_eod]\nD=/c"},
      {"[QN_EOD]\r\nD=/a\r\n[qn_eod]\r\nD=/c", "QN_EOD", "A", "/ami", "[QN_EOD]\r\nD=/a\r\nA=/ami\r\n[qn_eod]\r\nD=/c\r\n"},
      // Stray CRs before a line end belong to it (a fuzzer finding).
      {"[QN_EOD]\nDataSource=NSE\r\r\r\nSourcePath=a\rb\n", "QN_EOD", "DestPath", "/out",
       "[QN_EOD]\r\nDataSource=NSE\r\nSourcePath=a\rb\r\nDestPath=/out\r\n"},
      {"", "QN_EOD", "DataSource", "", "[QN_EOD]\nDataSource=\n"},
  };
  for (const Row& r : rows) {
    MemoryDisk disk;
    if (!r.before.empty()) disk.put(kIni, r.before);
    EXPECT_EQ(WriteIniString(disk, r.section, r.key, r.value, kIni), "") << r.before;
    EXPECT_EQ(disk.files[kIni], r.after);
    EXPECT_EQ(ReadIniString(disk, r.section, r.key, "none", kIni), r.value);
  }
}

// A value reads back exactly as set; names that would read back as other
// names, and line breaks, are refused with the file unchanged (fuzzer
// findings); a folder that cannot be made is a failure.
TEST(IniFile, ValuesReadBackAsSetAndWhatCannotIsRefused) {
  MemoryDisk disk;
  for (const std::string& value : std::vector<std::string>{" /data/in", "/data/in ", "\"/quoted\"", "\"", "a\"b", "", "\t", "x=y;z", "[QN_EOD]",
                            std::string(300, 'p')}) {
    EXPECT_EQ(WriteIniString(disk, "QN_EOD", "SourcePath", value, kIni), "") << value;
    EXPECT_EQ(ReadIniString(disk, "QN_EOD", "SourcePath", "", kIni), value);
  }
  disk.put(kIni, "[QN_EOD]\nDataSource=NSE\n");
  for (auto [section, key, value] : {std::tuple{" QN_EOD", "k", "v"}, {"a]b", "k", "v"}, {"QN_EOD", "a=b", "v"},
                                     {"QN_EOD", ";k", "v"}, {"QN_EOD", "#k", "v"}, {"QN_EOD", "[k]", "v"},
                                     {"QN_EOD", "k ", "v"}, {"QN_EOD", "k", "a\nb"}}) {
    EXPECT_NE(WriteIniString(disk, section, key, value, kIni), "") << section << "/" << key;
    EXPECT_EQ(disk.files[kIni], "[QN_EOD]\nDataSource=NSE\n");
  }
  disk.fail(MemoryDisk::Write, "/c/x", EEXIST);
  EXPECT_EQ(WriteIniString(disk, "QN_EOD", "DataSource", "", "/c/x/QM.INI"), "Cannot create the folder '/c/x': File exists.");
}

TEST(SettingsFile, ChosenFileThenPortableCopyThenUsersConfigFolder) {
  struct Row { const char* why; std::string chosen; bool ini_beside_program; UserEnvironment env; std::string expected; } rows[] = {
      {"--settings wins over a portable copy", "/s/my.ini", true, {"/home/me", "/cfg", "", ""}, "/s/my.ini"},
      {"portable copy", "", true, {"/home/me", "/cfg", "", ""}, "/opt/q/QM.INI"},
      {"XDG_CONFIG_HOME", "", false, {"/home/me", "/cfg", "", ""}, "/cfg/quillon/QM.INI"},
      {"no XDG_CONFIG_HOME", "", false, {"/home/me", "", "", ""}, "/home/me/.config/quillon/QM.INI"},
      {"relative XDG_CONFIG_HOME is ignored", "", false, {"/home/me", "cfg", "", ""}, "/home/me/.config/quillon/QM.INI"},
      {"no home folder at all", "", false, {"", "", "", ""}, "/opt/q/QM.INI"},
  };
  for (const Row& r : rows) {
    auto exists = [&](const std::string& path) { return r.ini_beside_program && path == "/opt/q/QM.INI"; };
    EXPECT_EQ(settings_file_location(r.chosen, "/opt/q", exists, r.env), r.expected) << r.why;
  }
  // The catch-up's locks: in the runtime folder, else in the cache folder (relative XDG_ values ignored).
  for (const auto& [runtime, cache, home, locks] : std::vector<std::array<std::string, 4>>{
           {"/run/u", "/c", "/h", "/run/u/quillon"}, {"run", "/c", "/h", "/c/quillon"},
           {"", "", "/h", "/h/.cache/quillon"}, {"", "", "", "/tmp/quillon"}})
    EXPECT_EQ(lock_folder({home, "", cache, runtime}), locks);
  // The window program: beside quillon, else in ../libexec/quillon, whence it
  // takes bin/ as its program's folder, as quillon does.
  for (const std::string there : {"/usr/bin/quillon-window", "/usr/libexec/quillon/quillon-window", ""})
    EXPECT_EQ(window_program_path("/usr/bin", [&](const std::string& p) { return p == there; }), there);
  EXPECT_EQ(program_folder_of("/usr/libexec/quillon") + program_folder_of("/libexec/quillon"), "/usr/bin/bin");
  EXPECT_EQ(program_folder_of("/home/me/build"), "/home/me/build");
  // The scratch page: beside a portable copy, else in the user's cache folder, made.
  TempDir tmp;
  ScopedEnv cache("XDG_CACHE_HOME", tmp.path() + "/cache");
  FakeProgramFolder program;
  program.folder = tmp.sub("bin");
  EXPECT_EQ(scratch_page_path(program), tmp.path() + "/cache/quillon/temp.html");
  EXPECT_EQ(folder_names(tmp.path() + "/cache"), std::vector<std::string>{"quillon"});  // made, and nothing else
  write_text(tmp.path() + "/bin/QM.INI", "");
  EXPECT_EQ(scratch_page_path(program), tmp.path() + "/bin/temp.html");
}

struct Window : ::testing::Test {
  WindowModel& load() {
    window = std::make_unique<WindowCommands>(tp.platform, kIni);
    window->Form_Load();
    return window->model();
  }
  MemoryPlatform tp;
  std::unique_ptr<WindowCommands> window;
};

TEST_F(Window, LoadReadsTheSettingsAndTheRegionsDateForm) {
  const WindowModel& fresh = load();
  EXPECT_EQ(fresh.Caption, std::string("Quillon: ") + kVersion);
  EXPECT_FALSE(fresh.arrIndexList.has_value());
  EXPECT_EQ(fresh.arrBhavFiles, Lines{""});  // the one empty entry: nothing downloaded
  EXPECT_EQ(tp.browser.addresses.size(), 1u);
  for (auto [source, restored] : {std::pair{"NSE", true}, {"BSE", true}, {"nse", false}, {"", false}, {"Folder", false}}) {
    tp.disk.put(kIni, std::string("[QN_EOD]\nDataSource=") + source + "\nSourcePath=/in\nDestPath=/out\nAmiPath=/ami\n"
                                                                      "[QN_Indices]\na=1\nb=2\n");
    const WindowModel& w = load();
    EXPECT_EQ(w.txtSourceFolder + w.txtDestFolder, restored ? "/in/out" : "") << source;
    EXPECT_EQ(w.gstrAmiPath, "/ami");
    EXPECT_EQ(w.arrIndexList, (Lines{"a=1", "b=2", ""}));
  }
  tp.disk.put(kIni, "[QN_EOD]\nFO=1\nOI=1\n");  // the F&O list and the layout with open interest
  EXPECT_TRUE(load().chkFO);
  EXPECT_EQ(window->model().Combo1ListIndex, 1);
  // The Output frame: read, never written; an unknown output is said and date-wise used.
  for (auto [output, adjust, scrip_wise, date_wise] : {std::tuple{"scrip-wise", "1", true, false}, {"Date-Wise", "0", false, true},
                                                       {"", "1", false, false}, {"weekly", "", false, false}}) {
    tp.messages.shown.clear();
    tp.disk.put(kIni, std::string("[QN_EOD]\nOutput=") + output + "\nAdjust=" + adjust + "\n");
    const WindowModel& w = load();
    EXPECT_EQ(std::tuple(w.rbScripWise, w.rbDateWise, w.chkAdjust), std::tuple(scrip_wise, date_wise, std::string(adjust) == "1")) << output;
    EXPECT_EQ(tp.messages.shown.size(), std::string(output) == "weekly" ? 1u : 0u);
  }
  // The forms themselves are the date code's (records_test): here, that the window takes them.
  for (auto [pattern, format, box] : {std::tuple{"dd-MMM-yy", "DD/MM/YYYY", "31-01-2008"}, {"M/d/yy", "MM/DD/YYYY", "01/31/2008"},
                                      {"'x'", "", "2008-01-31 09:05:07"}}) {
    tp.date_pattern.pattern = pattern;
    const WindowModel& w = load();
    EXPECT_EQ(w.strDateFormat + "|" + w.Label4 + "|" + w.TxtFromDt + "|" + w.TxtToDt,
              std::string(format) + "|" + format + "|" + box + "|" + box) << pattern;
  }
}

TEST_F(Window, SettingsCommandSavesSourceAndFolders) {
  load().txtSourceFolder = "/in";
  window->rbSource_Click(kSourceFolder);  // "Folder": DataSource stays empty, folders not restored
  window->cmdOptions_Click();
  EXPECT_EQ(tp.disk.files[kIni].substr(0, 74),  // a first save adds the default index list
            "[QN_EOD]\nDataSource=\nSourcePath=/in\nDestPath=\n[QN_Indices]\nNifty 50=NIFTY\n");
  EXPECT_EQ(load().txtSourceFolder, "");
  window->model().txtSourceFolder = "/in2", window->model().txtDestFolder = "/out2";
  window->cmdOptions_Click();  // "NSE"
  const WindowModel& again = load();
  EXPECT_EQ(again.txtSourceFolder + again.txtDestFolder, "/in2/out2");
  window->rbSource_Click(kSourceBse);
  window->cmdOptions_Click();
  EXPECT_EQ(ReadIniString(tp.disk, "QN_EOD", "DataSource", "", kIni), "NSE");  // stays NSE
  EXPECT_TRUE(tp.messages.shown.empty());
  tp.folders.answers = {"/picked", ""};
  window->Command1_Click(), window->Command1_Click();  // the second cancelled: the box keeps its folder
  EXPECT_EQ(window->model().txtSourceFolder, "/picked");
  tp.disk.fail(MemoryDisk::Write, kIni, ENOSPC);
  window->cmdOptions_Click();
  EXPECT_EQ(tp.messages.shown, Lines{"cmdOptions: The settings were not saved. Cannot write the file '" + kIni +
                                     "': No space left on device."});
}

}  // namespace
}  // namespace quillon::testing
