// The quillon program as users and their scripts run it, one row a run, in
// order (a row may use what an earlier one left): options, exit statuses
// (0 no message, 1 a message, 2 usage, 3 days missing), status text on standard output,
// messages on standard error, files and pictures written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "base/version.h"
#include "http_server.h"
#include "run_program.h"

namespace quillon::testing {
namespace {

using ::testing::_;
using ::testing::EndsWith;
using ::testing::Eq;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Matcher;

// Width and height of a PNG picture; zero when `data` is none.
std::pair<unsigned, unsigned> png_size(const std::string& data) {
  if (data.size() < 24 || data.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
  auto be32 = [&](size_t at) {
    unsigned v = 0;
    for (size_t i = at; i < at + 4; ++i) v = v << 8 | static_cast<unsigned char>(data[i]);
    return v;
  };
  return {be32(16), be32(20)};
}

// args after --settings QM.INI; picture_width: of the PNG written, 0 none; a file written, with its text.
struct Row { std::vector<std::string> args; int status; Matcher<const std::string&> out, err;
             unsigned picture_width = 0; std::string locale = "en_GB.UTF-8", file = {}, text = {}; };

TEST(CommandLine, Contract) {
  TempDir tmp;
  TestServer server;
  const std::string src = tmp.sub("S"), dst = tmp.sub("D"), db = tmp.sub("DB"), empty = tmp.sub("E");
  const std::string ini = tmp.path() + "/QM.INI", png = tmp.path() + "/p.png";
  write_text(ini, "[QN_EOD]\r\nAmiPath=" + db + "\r\n");
  server.serve("/content/historical/EQUITIES/2008/JAN/cm31JAN2008bhav.csv",
               "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\r\n"
               "ABC,EQ,1234.50,1250.00,1220.10,1245.30,1245.00,1230.00,125000,1.5,31-JAN-2008,\r\n");
  const std::string eod = dst + "/2008_01_31_DX.txt";
  const Row rows[] = {
      {{"--help"}, 0, HasSubstr("\nExit status: 0 no message shown, 1 a message"), IsEmpty()},
      {{"--version"}, 0, Eq("quillon " + std::string(kVersion) + "\n"), IsEmpty()},
      {{"--bogus"}, 2, IsEmpty(), Eq("quillon: unknown option --bogus\n"
                                     "Try 'quillon --help' for more information.\n")},
      {{"frobnicate"}, 2, IsEmpty(), HasSubstr("unknown command 'frobnicate'")},
      {{"--source", "nyse", "convert"}, 2, IsEmpty(), HasSubstr("--source takes nse, bse or folder")},
      {{"--from"}, 2, IsEmpty(), HasSubstr("option --from needs a value")},
      {{"--eod=yes", "convert"}, 2, IsEmpty(), HasSubstr("option --eod takes no value")},
      {{"--exchange-url", "ftp://x", "download"}, 2, IsEmpty(), HasSubstr("http:// or https://")},
      {{"--bse-url", "bseindia.com", "download"}, 2, IsEmpty(), HasSubstr("--bse-url takes an http:// or https://")},
      {{"--calendar", "gaps"}, 2, IsEmpty(), HasSubstr("--calendar opens the calendar view and takes no command")},
      {{"--source", "folder", "download"}, 2, IsEmpty(), HasSubstr("nothing to download")},
      {{"--jobs", "0", "download"}, 2, IsEmpty(), HasSubstr("--jobs takes a whole number")},
      {{"--jobs", "2x", "download"}, 2, IsEmpty(), HasSubstr("--jobs takes a whole number")},
      {{"--rate=-1", "download"}, 2, IsEmpty(), HasSubstr("--rate takes a number")},
      {{"--screenshot", png, "convert"}, 2, IsEmpty(), HasSubstr("takes no command")},
      {{"--output", "weekly", "convert"}, 2, IsEmpty(), HasSubstr("--output takes date-wise or scrip-wise, not 'weekly'")},
      {{"--output", "date-wise", "--adjust", "convert"}, 2, IsEmpty(), HasSubstr("--adjust works with --output scrip-wise only")},
      {{"--adjust", "convert"}, 2, IsEmpty(), HasSubstr("--adjust works with --output scrip-wise only")},
      {{"--chart", "ABC", "--eod"}, 2, IsEmpty(), HasSubstr("--chart takes no option but")},
      {{"--screenshot", png, "--chart", "ABC", "--from", "32/01/2024"}, 2, IsEmpty(), HasSubstr("32/01/2024")},
      {{"--source-folder", src}, 2, IsEmpty(), HasSubstr("no display")},
      // A message box: standard error, exit 1, nothing on standard output.
      {{"--source", "folder", "--source-folder", empty, "--dest-folder", dst, "--output", "date-wise", "convert"}, 1,
       IsEmpty(), Eq("No files available to convert\n")},
      {{"--source-folder", src, "--dest-folder", dst, "settings"}, 0, IsEmpty(), IsEmpty(),
       0, "en_GB.UTF-8", ini, "[QN_EOD]\r\nAmiPath=" + db + "\r\nDataSource=NSE\r\nSourcePath=" +
       src + "\r\nDestPath=" + dst + "\r\n[QN_Indices]\r\nNifty 50=NIFTY\r\nNifty Bank=BANKNIFTY\r\n"
       "Nifty Next 50=NIFTYNEXT50\r\nNifty IT=NIFTYIT\r\nNifty 100=NIFTY100\r\nNifty 500=NIFTY500\r\n"
       "Nifty Midcap 100=NIFTYMIDCAP100\r\nIndia VIX=INDIAVIX\r\n"},  // a first save: today's index names
      // Folders from the settings file. Numbers never go through the C
      // locale (it writes "1234,5" under de_DE). The status text ends with
      // one line end: an empty line was once added after the update's own.
      {{"--from", "31.01.08", "--to", "01.02.08", "--exchange-url", server.base() + "/",
        "--exchange-layout", "legacy", "--jobs", "3", "--rate", "0", "download", "convert", "update"}, 0,
       Eq("\nDownloading BhavCopy for 31.01.08 <- file downloaded...."
          "\nDownloading BhavCopy for 01.02.08 <- file doesnt exists...."
          "\nData is extracted from the NSE Site.\nExtract of Data from BhavCopy is done....!"
          "\nAmiBroker Update: loaded DB " + db + "...\n\nAmiBroker Update: AB path is: " + db +
          "...\n\nAmiBroker Update: Updating AmiBroker with  " + eod + "...\n"),
       IsEmpty(), 0, "de_DE.UTF-8", eod, "ABC,20080131,1234.5,1250,1220.1,1245.3,125000\r\n"},
      // One file a symbol from every day file of the folder.
      {{"--source", "folder", "--source-folder", src, "--dest-folder", dst, "--output", "scrip-wise", "--adjust",
        "convert"}, 0, Eq("\nExtract of Data from BhavCopy is done....!\nScrip-wise: 1 symbols, 1 records, 1 symbol files written.\n"),
       IsEmpty(), 0, "en_GB.UTF-8", dst + "/ABC.txt", "ABC,20080131,1234.5,1250,1220.1,1245.3,125000\r\n"},
      // The evening: exit 3 when a past trading day is missing, 1 winning over it.
      {{"--today", "5/2/2008", "gaps"}, 2, IsEmpty(), HasSubstr("YYYY-MM-DD")},
      {{"--settings", tmp.path() + "/none.INI", "catch-up"}, 1, IsEmpty(), Eq("Please select a valid Source folder\n")},
      {{"--exchange-url", server.base(), "--today", "2008-02-05", "catch-up"}, 3,
       EndsWith("05/02/2008 <- not published yet\nTrading days missing: 01/02/2008, 04/02/2008"
                "\nCatch-up: 0 days fetched, 0 already there, 2 missing, 0 records imported.\n"),
       IsEmpty()},
      {{"--source", "folder", "--source-folder", empty, "convert", "gaps", "--from", "4/2/2008",
        "--today", "2008-02-05"}, 1, Eq("2008-02-04\n1 of 1 trading days from 2008-02-04 to "
                                         "2008-02-04 have no day file.\n"), _},
      // Pictures without a display: the chart of what the update stored, the window.
      // (Qt may say more on standard error.)
      {{"--screenshot", png, "--chart", "abc", "--from", "01/01/2008"}, 0, IsEmpty(), _, 800},
      {{"--screenshot", png, "--chart", "NOPE"}, 1, IsEmpty(),
       EndsWith("quillon: No quotes of 'NOPE' in the chart database in '" + db + "'.\n")},
      {{"--screenshot", png, "--source", "folder"}, 0, IsEmpty(), _, 400},
      {{"--screenshot", "/nonexistent-folder/w.png"}, 1, IsEmpty(), HasSubstr("cannot write")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    std::filesystem::remove(png);
    std::vector<std::string> args = {"--settings", ini};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const ProgramRun r = run_quillon(args, tmp, {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u",
                                                 "QT_QPA_PLATFORM", "LC_ALL=" + row.locale});
    EXPECT_EQ(r.status, row.status);
    EXPECT_THAT(r.out, row.out);
    EXPECT_THAT(r.err, row.err);
    const auto [width, height] = png_size(read_text(png));
    EXPECT_EQ(width >= row.picture_width && width > 0, row.picture_width > 0) << width;
    EXPECT_LE(width, 1366u);  // fits a 1366 x 768 screen
    EXPECT_LE(height, 700u);
    if (!row.file.empty()) {
      EXPECT_EQ(read_text(row.file), row.text);
    }
  }
}

// Converting on several threads is converting one file after the other:
// the same outputs, the same status text, the same files imported in the
// same order, and a bad input in the middle keeps the outputs before it
// and writes none after it (an earlier file of a later name stays).
TEST(CommandLine, ParallelConversionIsTheSerialOne) {
  TempDir tmp;
  const std::string src = tmp.sub("S");
  constexpr int kDays = 12, kBad = 7;
  for (int d = 1; d <= kDays; ++d) {
    std::string text = "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\r\n";
    for (int s = 0; s < 3000; ++s)
      text += "S" + std::to_string(s) + ",EQ," + std::to_string(d) + ".50,2,0.5,1.5,1.5,1," +
              std::to_string(s * d) + ",9," + std::to_string(d) + "-JAN-2008,\r\n";
    if (d == kBad) text += "BAD,EQ,x,2,0.5,1.5,1.5,1,1,9,07-JAN-2008,\r\n";
    write_text(src + "/2008_01_" + (d < 10 ? "0" : "") + std::to_string(d) + ".csv", text);
  }
  struct Run {
    std::string out, err;
    std::vector<std::string> names;
    std::string outputs;
  };
  std::optional<Run> serial;
  for (const char* jobs : {"1", "2", "4"}) {
    SCOPED_TRACE(std::string("--jobs ") + jobs);
    const std::string dst = tmp.sub(std::string("D") + jobs), db = tmp.sub(std::string("DB") + jobs);
    const std::string ini = tmp.path() + "/QM" + jobs + ".INI", later = dst + "/2008_01_09_DX.txt";
    write_text(ini, "[QN_EOD]\r\nAmiPath=" + db + "\r\n");
    write_text(later, "earlier");
    const ProgramRun r = run_quillon({"--settings", ini, "--jobs", jobs, "--source", "folder",
                                      "--source-folder", src, "--dest-folder", dst, "convert", "update"},
                                     tmp);
    EXPECT_EQ(r.status, 1);
    Run run{r.out, r.err, folder_names(dst), {}};
    for (const std::string& n : run.names) run.outputs += n + ":" + read_text(dst + "/" + n) + "\n";
    for (std::string* text : {&run.out, &run.err, &run.outputs})
      for (const std::string& folder : {dst, db})  // the same names in every run
        for (size_t at; (at = text->find(folder)) != std::string::npos;)
          text->replace(at, folder.size(), folder == dst ? "D" : "DB");
    EXPECT_EQ(read_text(later), "earlier");
    if (!serial) {
      serial = run;
      EXPECT_EQ(run.names.size(), kBad);  // six outputs and the earlier file
      EXPECT_THAT(run.err, HasSubstr("2008_01_07.csv, line 3002"));
      EXPECT_THAT(run.out, HasSubstr("Updating AmiBroker with  D/2008_01_06_DX.txt"));
      continue;
    }
    EXPECT_EQ(run.out, serial->out);
    EXPECT_EQ(run.err, serial->err);
    EXPECT_EQ(run.names, serial->names);
    EXPECT_EQ(run.outputs, serial->outputs);
  }
}

}  // namespace
}  // namespace quillon::testing
