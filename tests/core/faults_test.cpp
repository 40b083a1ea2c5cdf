// File-system faults during a conversion and a settings save, on real files:
// a full disk, read-only, missing and vanishing folders, an input deleted
// after the listing. Whatever happens, an output file holds its earlier
// complete content or its new complete content, no temporary file is left,
// and the status box never announces a run that failed.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/window_commands.h"
#include "app/operations.h"
#include "bhavcopy/bhavcopy_convert.h"
#include "fakes.h"
#include "fault_disks.h"
#include "indices/index_convert.h"
#include "scrip/scrip_convert.h"
#include "settings/ini_file.h"

namespace quillon {
namespace {

RealDisk real_disk;

using testing::FaultDisks;
using testing::folder_names;
using testing::read_text;
using testing::TempDir;
using testing::TestPlatform;
using testing::write_text;

// One converter and two inputs for it: a small one, then one whose output
// is about 45 bytes a row.
struct Converter {
  const char* prefix;
  const char* first_input;
  const char* first_output;
  const char* second_input;
  const char* second_output;
  std::function<std::string(int rows)> content;
  std::function<void(WindowModel&)> setup;
  std::function<void(WindowModel&, Platform&)> run;
};

std::string rows_of(int rows, const std::function<std::string(int)>& row) {
  std::string s;
  for (int i = 0; i < rows; ++i) s += row(i);
  return s;
}

const Converter kConverters[] = {
    {"fOutput: ", "a.csv", "a_DX.txt", "b.csv", "b_DX.txt",
     [](int rows) {
       return "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\r\n" +
              rows_of(rows, [](int i) {
                return "S" + std::to_string(100000 + i) +
                       ",EQ,1234.50,1250.00,1220.10,1245.30,1,1,125000,1.5,31-JAN-2008,\r\n";
              });
     },
     [](WindowModel& w) { w.rbSource = kSourceFolder; }, fOutput},
    {"fConvertIndex: ", "INDEX_A.csv", "INDEX_A_DX.txt", "INDEX_B.csv", "INDEX_B_DX.txt",
     [](int rows) {
       return "Date,Open,High,Low,Close\n" + rows_of(rows, [](int) {
                return std::string("31-Jan-2008,2000.50,2010.00,1990.25,2005.00\n");
              });
     },
     [](WindowModel&) {}, fConvertIndex},
    {"fConvertScrip: ", "1INFYXN.csv", "1INFYXN_DX.txt", "2INFYXN.csv", "2INFYXN_DX.txt",
     [](int rows) {
       return "Symbol,Series,Date,Prev,Open,High,Low,Last,Close\n" + rows_of(rows, [](int) {
                return std::string("INFY,EQ,15-Jan-2008,1,1500.25,1600,1400,1550,1560\n");
              });
     },
     [](WindowModel& w) { w.txtScrip = "INFY"; }, fConvertScrip},
};

bool is_temporary(const std::string& name) { return name.find(".quillon-tmp") != std::string::npos; }

class Faults : public ::testing::TestWithParam<size_t> {
 protected:
  Faults() : src(tmp.sub("src")), dst(tmp.sub("dst")) {}
  const Converter& c() const { return kConverters[GetParam()]; }
  std::string in(const std::string& n) const { return src + "/" + n; }
  std::string out(const std::string& n) const { return dst + "/" + n; }
  std::string second_output() const { return out(c().second_output); }

  // Runs the converter with `p` (the test platform unless a hooked one).
  void convert(Platform* p = nullptr) {
    w = WindowModel{};
    w.txtSourceFolder = src;
    w.txtDestFolder = dst;
    c().setup(w);
    c().run(w, p ? *p : tp.platform);
  }

  // The run failed and said so: one message with the operation's prefix
  // and `what`, no completion line, the second output not queued, no
  // temporary file in the destination folder.
  void expect_failed(const std::string& what) {
    ASSERT_EQ(tp.messages.shown.size(), 1u) << w.Text1.text();
    EXPECT_EQ(tp.messages.shown[0].rfind(c().prefix, 0), 0u) << tp.messages.shown[0];
    EXPECT_NE(tp.messages.shown[0].find(what), std::string::npos) << tp.messages.shown[0];
    EXPECT_EQ(w.Text1.text(), "");
    for (const std::string& queued : w.colAmiFiles) EXPECT_NE(queued, second_output());
    if (std::filesystem::is_directory(dst)) {
      for (const std::string& name : folder_names(dst)) EXPECT_FALSE(is_temporary(name)) << name;
    }
  }

  TempDir tmp;
  std::string src, dst;
  FaultDisks disks;  // after tmp: unmounted before the folders go
  TestPlatform tp;
  WindowModel w;
};

// The first input fits, the second does not: the first stays converted and
// queued, the second keeps its earlier complete copy.
TEST_P(Faults, DestinationDiskFull) {
  const bool mounted = disks.small_disk(dst, 64 * 1024);
  write_text(in(c().first_input), c().content(10));
  write_text(in(c().second_input), c().content(4000));
  write_text(second_output(), "earlier complete copy\r\n");
  if (!mounted) disks.limit_file_size(64 * 1024);
  convert();
  disks.release_limit();
  expect_failed(mounted ? "No space left on device" : "File too large");
  EXPECT_NE(tp.messages.shown[0].find("Cannot write the file '" + second_output() + "'"),
            std::string::npos);
  EXPECT_EQ(read_text(second_output()), "earlier complete copy\r\n");
  ASSERT_EQ(w.colAmiFiles, std::vector<std::string>{out(c().first_output)});
  const std::string first = read_text(out(c().first_output));
  EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 10);
}

TEST_P(Faults, DestinationReadOnly) {
  disks.prepare_read_only(dst);
  write_text(second_output(), "earlier complete copy\r\n");
  std::string why;
  if (!disks.lock(dst, why)) GTEST_SKIP() << why;
  write_text(in(c().first_input), c().content(3));
  convert();
  expect_failed("Cannot create the file '" + out(""));
  EXPECT_EQ(folder_names(dst), std::vector<std::string>{c().second_output});
  EXPECT_EQ(read_text(second_output()), "earlier complete copy\r\n");
  EXPECT_TRUE(w.colAmiFiles.empty());
}

// Nothing is ever written into the source folder, so a read-only one is fine.
TEST_P(Faults, SourceReadOnlyConvertsAndWritesNothingThere) {
  disks.prepare_read_only(src);
  write_text(in(c().first_input), c().content(3));
  std::string why;
  if (!disks.lock(src, why)) GTEST_SKIP() << why;
  convert();
  EXPECT_TRUE(tp.messages.shown.empty()) << tp.messages.shown[0];
  EXPECT_EQ(w.colAmiFiles.size(), 1u);
  EXPECT_NE(w.Text1.text(), "");
  EXPECT_EQ(folder_names(src), std::vector<std::string>{c().first_input});
}

TEST_P(Faults, MissingOrWrongFolders) {
  write_text(in(c().first_input), c().content(3));
  std::filesystem::remove(dst);
  convert();
  expect_failed("No such file or directory");
  tp.messages.shown.clear();

  write_text(dst, "a file where the folder should be");
  convert();
  expect_failed("Not a directory");
  tp.messages.shown.clear();

  std::filesystem::remove_all(src);
  std::filesystem::remove(dst);
  tmp.sub("dst");
  convert();
  expect_failed("Cannot list the folder '" + src + "'");
  EXPECT_TRUE(folder_names(dst).empty());
}

// A file lister and a progress report that let the test change the folders
// between the listing and the reading, and between two inputs.
class HookedLister final : public Disk {
 public:
  std::vector<std::string> list(const std::string& folder, const std::string& pattern) override {
    auto names = real.list(folder, pattern);
    if (after_listing) after_listing();
    return names;
  }
  void read(const std::string& p, std::string& out) override { real.read(p, out); }
  void write(const std::string& p, std::string_view d, bool durable) override { real.write(p, d, durable); }
  bool is_file(const std::string& p) override { return real.is_file(p); }
  void make_folders(const std::string& f) override { real.make_folders(f); }
  void remove(const std::string& p) override { real.remove(p); }
  void remove_stale_temporaries(const std::string& f) override { real.remove_stale_temporaries(f); }
  RealDisk real;
  std::function<void()> after_listing;
};

class HookedProgress final : public RunProgress {
 public:
  void report(int done, int) override {
    if (done == 1 && after_first_input) after_first_input();
  }
  bool stop_requested() override { return false; }
  std::function<void()> after_first_input;
};

struct Hooked {
  explicit Hooked(TestPlatform& tp)
      : platform{.messages = tp.messages, .disk = lister, .date_pattern = tp.date_pattern,
                 .clock = tp.clock, .program_folder = tp.program_folder, .events = tp.events,
                 .pointer = tp.pointer, .browser = tp.browser, .web = tp.web,
                 .folders = tp.folders, .fetcher = tp.fetcher, .brokers = tp.brokers,
                 .progress = progress} {}
  HookedLister lister;
  HookedProgress progress;
  Platform platform;
};

TEST_P(Faults, FolderRemovedInTheMiddleOfARun) {
  for (bool remove_source : {true, false}) {
    SCOPED_TRACE(remove_source ? "source removed" : "destination removed");
    tmp.sub("src");
    tmp.sub("dst");
    tp.messages.shown.clear();
    write_text(in(c().first_input), c().content(3));
    write_text(in(c().second_input), c().content(3));
    Hooked hooked(tp);
    hooked.progress.after_first_input = [&] {
      std::filesystem::remove_all(remove_source ? src : dst);
    };
    convert(&hooked.platform);
    expect_failed(remove_source ? "Cannot open the file '" + in(c().second_input) + "'"
                                : "Cannot create the file '" + second_output() + "'");
    EXPECT_EQ(w.colAmiFiles, std::vector<std::string>{out(c().first_output)})
        << "the first input stays converted and queued";
    if (remove_source) {
      EXPECT_FALSE(std::filesystem::exists(second_output()));
    }
    std::filesystem::remove_all(src);
    std::filesystem::remove_all(dst);
  }
}

TEST_P(Faults, InputDeletedBetweenListingAndReading) {
  write_text(in(c().first_input), c().content(3));
  write_text(in(c().second_input), c().content(3));
  write_text(second_output(), "earlier complete copy\r\n");
  Hooked hooked(tp);
  hooked.lister.after_listing = [&] { std::filesystem::remove(in(c().second_input)); };
  convert(&hooked.platform);
  expect_failed("Cannot open the file '" + in(c().second_input) + "': No such file or directory");
  EXPECT_EQ(read_text(second_output()), "earlier complete copy\r\n");
  EXPECT_EQ(w.colAmiFiles.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(EachConverter, Faults, ::testing::Values(0, 1, 2),
                         [](const auto& info) {
                           return std::string(info.param == 0   ? "Bhavcopy"
                                              : info.param == 1 ? "Index"
                                                                : "Scrip");
                         });

// A day file of the last download deleted before Convert is pressed.
TEST(DownloadedFiles, DeletedBeforeConvert) {
  TempDir tmp;
  TestPlatform tp;
  WindowModel w;
  w.txtSourceFolder = tmp.sub("src");
  w.txtDestFolder = tmp.sub("dst");
  write_text(w.txtSourceFolder + "/other.csv", "x");
  w.rbSource = kSourceNse;
  w.arrBhavFiles = {w.txtSourceFolder + "/2008_01_31.csv"};
  fOutput(w, tp.platform);
  ASSERT_EQ(tp.messages.shown.size(), 1u);
  EXPECT_EQ(tp.messages.shown[0], "fOutput: Cannot open the file '" + w.arrBhavFiles[0] +
                                      "': No such file or directory.");
  EXPECT_EQ(w.Text1.text(), "");
  EXPECT_TRUE(folder_names(w.txtDestFolder).empty());
}

// The settings file on a full disk: the save is refused whole, the earlier
// file stays as it was and the user is told.
TEST(SettingsSave, DiskFull) {
  TempDir tmp;
  FaultDisks disks;
  const std::string folder = tmp.sub("settings");
  const bool mounted = disks.small_disk(folder, 4096);
  const std::string ini = folder + "/QM.INI";
  std::string earlier = "[QN_EOD]\r\nDataSource=BSE\r\nSourcePath=/old\r\nDestPath=/old\r\n";
  earlier += "; " + std::string(4096 - earlier.size() - 4, '-') + "\r\n";  // one full page
  write_text(ini, earlier);
  ASSERT_EQ(read_text(ini), earlier);

  TestPlatform tp;
  WindowCommands window(tp.platform, ini);
  window.Form_Load();
  window.model().txtSourceFolder = "/new/source/folder";
  window.model().txtDestFolder = "/new/destination/folder";
  if (!mounted) disks.limit_file_size(4096);
  window.cmdOptions_Click();  // "NSE" selected: DataSource changes too
  disks.release_limit();
  ASSERT_EQ(tp.messages.shown.size(), 1u);
  EXPECT_EQ(tp.messages.shown[0].rfind("cmdOptions: The settings were not saved. Cannot write "
                                       "the file '" + ini + "'",
                                       0),
            0u)
      << tp.messages.shown[0];
  EXPECT_EQ(read_text(ini), earlier);
  EXPECT_EQ(folder_names(folder), std::vector<std::string>{"QM.INI"});
}

TEST(SettingsSave, ReadOnlyFolder) {
  TempDir tmp;
  FaultDisks disks;
  const std::string folder = tmp.sub("settings");
  disks.prepare_read_only(folder);
  const std::string ini = folder + "/QM.INI";
  write_text(ini, "[QN_EOD]\nDataSource=BSE\n");
  std::string why;
  if (!disks.lock(folder, why)) GTEST_SKIP() << why;
  EXPECT_NE(WriteIniString(real_disk, "QN_EOD", "DataSource", "NSE", ini), "");
  EXPECT_EQ(read_text(ini), "[QN_EOD]\nDataSource=BSE\n");
  EXPECT_EQ(folder_names(folder), std::vector<std::string>{"QM.INI"});
}

}  // namespace
}  // namespace quillon
