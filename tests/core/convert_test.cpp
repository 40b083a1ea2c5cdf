// The three converters and the Convert command over the in-memory disk: one
// row a run, the faults found and fixed before named in their rows. Every
// run writes only into the destination folder, and leaves there exactly the
// files of the row: earlier copies whole, nothing partial.
#include <gtest/gtest.h>

#include "app/operations.h"
#include "app/window_commands.h"
#include "fakes.h"

namespace quillon::testing {
namespace {

using Files = std::map<std::string, std::string>;
using namespace std::string_literals;
enum Kind { kBhav, kIndex, kScrip };

const std::string kBhavHeader = "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\r\n";
const std::string kHeader[] = {kBhavHeader, "Date,Open,High,Low,Close\n", "Symbol,Series,Date,Prev,Open,High,Low,Last,Close\n"};
const char* const kPrefix[] = {"fOutput: ", "fConvertIndex: ", "fConvertScrip: "};
const std::string kDone[] = {"\r\nExtract of Data from BhavCopy is done....!", "\r\nExtract of Index Data from BhavCopy is done....!",
                             "\r\nExtract of Scrip Data from BhavCopy is done....!"};
// Two inputs of each converter, a good row of each and its record.
const char* const kInput[2][3] = {{"a.csv", "INDEX_A.csv", "1INFYXN.csv"}, {"b.csv", "INDEX_B.csv", "2INFYXN.csv"}};
const std::string kRow[] = {"INFY,EQ,1234.50,1250,1220.10,1245.3,1,1,125000,1.5,31-JAN-2008,\r\n",
                            "31-Jan-2008,1234.50,1250,1220.10,1245.3\n",
                            "INFY,EQ,31-Jan-2008,1,1234.50,1250,1220.10,1245.3,0\n"};
std::string stem(const std::string& name) { return name.substr(0, name.size() - 4); }
std::string out(int input, Kind k) { return stem(kInput[input][k]) + "_DX.txt"; }
std::string record(int input, Kind k) {
  const std::string symbol = k == kIndex ? stem(kInput[input][k]).substr(6) : "INFY";
  return symbol + ",20080131,1234.5,1250,1220.1,1245.3," + (k == kBhav ? "125000" : "0") + "\r\n";
}
std::string bhav(const std::string& symbol, const std::string& open) { return symbol + ",EQ," + open + ",2,3,4,5,6,7,8,31-JAN-2008,\n"; }

// The case or the fault it keeps out; the inputs in /s, each after its
// converter's header line; the one message after the prefix, or its start
// ("" none: then the completion line is the status); all of /d afterwards;
// the names queued.
struct Row {
  std::string what; Kind kind; Files inputs; std::function<void(WindowModel&, MemoryPlatform&)> setup;
  std::string message = {}; Files outputs = {}; std::vector<std::string> queued = {};
};

void run(const Row& r) {
  SCOPED_TRACE(r.what);
  MemoryPlatform tp;
  for (const char* folder : {"/d", "/s"}) tp.disk.make_folders(folder);
  for (const auto& [name, text] : r.inputs) tp.disk.put("/s/" + name, kHeader[r.kind] + text);
  WindowModel w;
  w.txtSourceFolder = "/s", w.txtDestFolder = "/d", w.rbSource = kSourceFolder, w.txtScrip = "INFY";
  if (r.setup) r.setup(w, tp);
  (r.kind == kBhav ? fOutput : r.kind == kIndex ? fConvertIndex : fConvertScrip)(w, tp.platform);
  ASSERT_EQ(tp.messages.shown.size(), r.message.empty() ? 0u : 1u) << (tp.messages.shown.empty() ? "" : tp.messages.shown[0].substr(0, 300));
  if (!r.message.empty()) {
    const std::string want = r.message.starts_with("No files") ? r.message : kPrefix[r.kind] + r.message;
    EXPECT_EQ(tp.messages.shown[0].rfind(want, 0), 0u) << tp.messages.shown[0].substr(0, 300);
    EXPECT_LT(tp.messages.shown[0].size(), 600u);
  }
  EXPECT_EQ(tp.disk.under("/d"), r.outputs);
  std::vector<std::string> queued;
  for (const std::string& path : w.colAmiFiles) queued.push_back(path.substr(path.rfind('/') + 1));
  EXPECT_EQ(queued, r.queued);
  EXPECT_EQ(w.Text1.text(), r.message.empty() ? kDone[r.kind] : "");
  for (const std::string& path : tp.disk.written) EXPECT_TRUE(path.starts_with("/d/")) << path;
}

// The disk and folder faults, the same for each converter: the first input
// converts, the second meets the fault.
TEST(Convert, DiskAndFolderFaults) {
  for (Kind k : {kBhav, kIndex, kScrip}) {
    const Files two = {{kInput[0][k], kRow[k]}, {kInput[1][k], kRow[k]}};
    const Files first_done = {{out(0, k), record(0, k)}, {out(1, k), "earlier\r\n"}};
    const std::string second_in = "/s/"s + kInput[1][k], second_out = "/d/" + out(1, k);
    auto earlier = [&](auto&& more) {
      return [&, more](WindowModel& w, MemoryPlatform& tp) { tp.disk.put(second_out, "earlier\r\n"), more(w, tp); };
    };
    const Row rows[] = {
        {"destination disk full", k, two, earlier([&](auto&, auto& tp) { tp.disk.fail(MemoryDisk::Write, second_out, ENOSPC); }),
         "Cannot write the file '" + second_out + "': No space left on device.", first_done, {out(0, k)}},
        {"destination read-only", k, two, earlier([](auto&, auto& tp) { tp.disk.fail(MemoryDisk::Write, "/d", EACCES); }),
         "Cannot create the file '/d/" + out(0, k) + "': Permission denied.", {{out(1, k), "earlier\r\n"}}},
        {"destination missing", k, two, [](auto&, auto& tp) { tp.disk.folders.erase("/d"); },
         "Cannot create the file '/d/" + out(0, k) + "': No such file or directory."},
        {"source missing", k, {}, [](auto&, auto& tp) { tp.disk.folders.erase("/s"); }, "Cannot list the folder '/s': No such file or directory."},
        {"input deleted between listing and reading", k, two, earlier([&](auto&, auto& tp) { tp.disk.vanish_after_list(second_in); }),
         "Cannot open the file '" + second_in + "': No such file or directory.", first_done, {out(0, k)}},
    };
    for (const Row& r : rows) run(r);
  }
}

TEST(Convert, RecordsAndFailures) {
  const std::string big(10 << 20, '7');  // a 10 MB field
  auto downloaded = [](std::vector<std::string> files) {
    return [files](WindowModel& w, MemoryPlatform&) { w.rbSource = kSourceNse; w.arrBhavFiles = files; };
  };
  const Row rows[] = {
      {"series EQ and BE only, short lines skipped, the header's letter case kept", kBhav,
       {{"cm31JAN2008bhav.csv", bhav("ABC", "1") + bhav("DEF", "1").replace(4, 2, "BE") + bhav("GHI", "1").replace(4, 2, "BL") +
                                    bhav("JKL", "1").replace(4, 2, "eq") + "\r\nA,EQ,1,2,3,4,5,6,7,8\r\n"}},
       {}, "", {{"cm31JAN2008bhav_DX.txt", "ABC,20080131,1,2,3,4,7\r\nDEF,20080131,1,2,3,4,7\r\n"}}, {"cm31JAN2008bhav_DX.txt"}},
      {"a bad line stops the run; the earlier output stays whole, later inputs untouched", kBhav,
       {{"a.csv", bhav("A", "1")}, {"b.csv", bhav("B", "1") + bhav("BAD", "12a")}, {"c.csv", bhav("C", "1")}},
       [](auto&, auto& tp) { tp.disk.put("/d/b_DX.txt", "earlier\r\n"); }, "/s/b.csv, line 3: the OPEN value '12a' is not a number",
       {{"a_DX.txt", "A,20080131,1,2,3,4,7\r\n"}, {"b_DX.txt", "earlier\r\n"}}, {"a_DX.txt"}},
      {"same base names (the later one's output there already), a header-only file, a destination ending in /", kBhav,
       {{"x.1.csv", bhav("ONE", "1")}, {"x.2.csv", bhav("TWO", "1")}, {"HEAD.CSV", ""}},
       [](WindowModel& w, auto& tp) { w.txtDestFolder = "/d/", tp.disk.put("/d/x_DX.txt", "TWO,20080131,1,2,3,4,7\r\n"); },
       "", {{"HEAD_DX.txt", ""}, {"x_DX.txt", "TWO,20080131,1,2,3,4,7\r\n"}}, {"HEAD_DX.txt", "x_DX.txt", "x_DX.txt"}},
      {"the last download's files", kBhav, {{"2008_01_31.csv", bhav("A", "1")}, {"other.csv", bhav("X", "1")}},
       downloaded({"/s/2008_01_31.csv"}), "", {{"2008_01_31_DX.txt", "A,20080131,1,2,3,4,7\r\n"}}, {"2008_01_31_DX.txt"}},
      {"nothing downloaded yet: the one empty entry", kBhav, {{"a.csv", ""}}, downloaded({""}), "", {}, {}},
      {"a downloaded day deleted before Convert", kBhav, {{"other.csv", ""}}, downloaded({"/s/2008_01_31.csv"}),
       "Cannot open the file '/s/2008_01_31.csv': No such file or directory."},
      {"no input", kBhav, {{"notes.txt", ""}}, {}, "No files available to convert"},
      {"temporaries are never inputs", kIndex, {{".INDEX_B.csv.quillon-tmp12-0", ""}, {"INDEX_A.csv.quillon-tmp", ""}}, {},
       "No files available to convert"},
      // Hostile input: the right record or a message with file and line.
      {"10 MB symbol, cut to the length", kBhav, {{"d.csv", bhav("ABCDEFGHIJ" + big, "1")}}, {}, "",
       {{"d_DX.txt", "ABCDEFGHIJ,20080131,1,2,3,4,7\r\n"}}, {"d_DX.txt"}},
      {"10 MB of commas", kBhav, {{"d.csv", std::string(10 << 20, ',') + "\n"}}, {}, "", {{"d_DX.txt", ""}}, {"d_DX.txt"}},
      {"10 MB number, shown cut", kBhav, {{"d.csv", bhav("A", big)}}, {},
       "/s/d.csv, line 2: the OPEN value '7777777777777777777777777777777777777777...' is not a number"},
      {"10 MB date", kIndex, {{"INDEX_X.csv", big + ",1,2,3,4\n"}}, {}, "/s/INDEX_X.csv, line 2: the date '77777"},
      {"NUL and non-UTF-8 bytes copied in symbols", kBhav, {{"d.csv", bhav("A\0B"s, "1") + bhav("\xff\xfe", "1")}}, {}, "",
       {{"d_DX.txt", "A\0B,20080131,1,2,3,4,7\r\n\xff\xfe,20080131,1,2,3,4,7\r\n"s}}, {"d_DX.txt"}},
      {"NUL in a number", kBhav, {{"d.csv", bhav("A", "12\0"s)}}, {}, "/s/d.csv, line 2: the OPEN value '12?' is not"},
      {"non-UTF-8 date", kScrip, {{"1INFYXN.csv", "INFY,EQ,31-J\xc4N-2008,0,1,2,3,4,5\n"}}, {}, "/s/1INFYXN.csv, line 2: the date '31-J\xc4N-2008'"},
      {"CR-only line ends and a byte-order mark", kBhav, {{"d.csv", "A,EQ,1,2,3,4,5,6,7,8,31-JAN-2008,\rB,EQ,-0,2,3,4,5,6,7,8,31-JAN-2008,\r"}},
       [](auto&, auto& tp) { tp.disk.files["/s/d.csv"].insert(0, "\xEF\xBB\xBF"); }, "",
       {{"d_DX.txt", "A,20080131,1,2,3,4,7\r\nB,20080131,0,2,3,4,7\r\n"}}, {"d_DX.txt"}},
      {"a date past 32 bits", kScrip, {{"1INFYXN.csv", "INFY,EQ,2147483648,0,1,2,3,4,5\n"}}, {}, "/s/1INFYXN.csv, line 2: the date '2147483648' is neither"},
      // Index and scrip histories.
      {"index rows of 5 or 6 fields, longer ones skipped; header-only files", kIndex,
       {{"INDEX_NIFTY.csv", "31-Jan-2008,2000.50,2010.00,1990.25,2005.00,123456\n1-Feb-2008,1,2,3,4\n4-Feb-2008,1,2,3,4,5,6\n20080205,1,2,3,4\n"},
        {"index_bank nifty.csv", ""}, {"nifty.csv", "not an index file\n"}}, {}, "",
       {{"INDEX_NIFTY_DX.txt", "NIFTY,20080131,2000.5,2010,1990.25,2005,0\r\nNIFTY,20080201,1,2,3,4,0\r\nNIFTY,20080205,1,2,3,4,0\r\n"},
        {"index_bank nifty_DX.txt", ""}}, {"index_bank nifty_DX.txt", "INDEX_NIFTY_DX.txt"}},
      {"empty index file", kIndex, {{"INDEX_A.csv", ""}}, [](auto&, auto& tp) { tp.disk.files["/s/INDEX_A.csv"] = ""; }, "/s/INDEX_A.csv, the file is empty"},
      {"empty index line", kIndex, {{"INDEX_A.csv", "31-Jan-2008,1,2,3,4\n\n"}}, {}, "/s/INDEX_A.csv, line 3: the line is empty"},
      {"short index line", kIndex, {{"INDEX_A.csv", "31-Jan-2008,1,2,3\n"}}, {}, "/s/INDEX_A.csv, line 2: the line has 4 fields"},
      {"empty number", kIndex, {{"INDEX_A.csv", "31-Jan-2008,1,,3,4\n"}}, {}, "/s/INDEX_A.csv, line 2: the HIGH value '' is not"},
      {"short scrip line", kScrip, {{"1INFYXN.csv", "INFY,EQ,15-Jan-2008,0,1,2,3,4\n"}}, {}, "/s/1INFYXN.csv, line 2: the line has 8 fields"},
      {"the typed symbol's files only, rows of 9 to 11 fields", kScrip,
       {{"5INFYXN.csv", "INFY,EQ,15-Jan-2008,1500,0123.50,1600,1400,1550,1560\nINFY,EQ,20080116,1,2,3,4,5,6,7\nINFY,EQ,20080117,1,2,3,4,5,6,7,8,9\n"},
        {"1INFYBEESXN.csv", ""}, {"1TCSXN.csv", "TCS,EQ,20080116,1,2,3,4,5,6\n"}}, [](WindowModel& w, auto&) { w.txtScrip = "infy"; }, "",
       {{"5INFYXN_DX.txt", "INFY,20080115,123.5,1600,1400,1550,1560\r\nINFY,20080116,2,3,4,5,6\r\n"}, {"1INFYBEESXN_DX.txt", ""}},
       {"1INFYBEESXN_DX.txt", "5INFYXN_DX.txt"}},
  };
  for (const Row& r : rows) run(r);
}

// The layout with open interest: the full Bhavcopy's deliverable quantity
// ("-" is 0), 0 for the other layouts, indices and scrips; then F&O files,
// read a megabyte at a time: their faults, and options never read past
// their instrument type (pieces cut anywhere: fuzz_fo).
TEST(Convert, OpenInterestAndFuturesFiles) {
  const std::string& full = kFullHeaderLine;
  const std::string oi_rows[][2] = {
      {full + "A, EQ, 06-Aug-2026, 1, 2, 3, 1, 2, 2.5, 2, 100, 1, 1, 61247, 53.39\nB, BE, 06-Aug-2026, 1, 2, 3, 1, 2, 2.5, 2, 7, 1, 1, -, -\n",
       "A,20260806,2,3,1,2.5,100,61247\r\nB,20260806,2,3,1,2.5,7,0\r\n"},
      {kBhavHeader + bhav("C", "1"), "C,20080131,1,2,3,4,7,0\r\n"},
      {full + "D, EQ, 06-Aug-2026, 1, 2, 3, 1, 2, 2.5, 2, 100, 1, 1, 6x, 53.39\n", "!line 2: the DELIV_QTY value '6x' is not a number"}};
  for (const auto& [input, want] : oi_rows) {
    MemoryPlatform tp;
    tp.disk.put("/s/a.csv", input);
    tp.disk.make_folders("/d");
    WindowModel w;
    w.txtSourceFolder = "/s", w.txtDestFolder = "/d", w.rbSource = kSourceFolder, w.Combo1ListIndex = 1;
    fOutput(w, tp.platform);
    if (want.starts_with("!"))
      EXPECT_EQ(tp.messages.shown, std::vector<std::string>{"fOutput: /s/a.csv, " + want.substr(1) + ". /d/a_DX.txt was not written."});
    else
      EXPECT_EQ(tp.disk.files["/d/a_DX.txt"], want);
  }
  run({"index records with open interest", kIndex, {{"INDEX_A.csv", kRow[kIndex]}}, [](WindowModel& w, auto&) { w.Combo1ListIndex = 1; },
       "", {{"INDEX_A_DX.txt", "A,20080131,1234.5,1250,1220.1,1245.3,0,0\r\n"}}, {"INDEX_A_DX.txt"}});

  const std::string udiff = kUdiffColumns + "Rsvd1,Rsvd2,Rsvd3,Rsvd4\r\n";
  auto future = [](const std::string& open, const std::string& expiry) {
    return "2024-09-30,2024-09-30,FO,NSE,IDF,35089,,NIFTY,," + expiry + "," + expiry + ",,,NIFTY24NOVFUT," + open +
           ",26401.40,26086.00,26123.80,26115.00,26459.15,25810.85,26123.80,1102750,-75900,26876,1.5,16174,F1,25,,,,,\r\n";
  };
  // Over a megabyte of options (each piece cut inside a line) before the future.
  std::string options;
  while (options.size() < (size_t{1} << 20) + 5000)
    options += "2024-09-30,2024-09-30,FO,NSE,IDO,1,,NIFTY,,2024-10-03,2024-10-03,24000.00,CE,X,1,2,1,2,2,2,1,2,3,1,5,1,1,F1,25,,,,,\r\n";
  const std::pair<std::string, std::string> fo_rows[] = {
      {udiff + options + future("26399.00", "2024-11-28"),
       "NIFTY-I,20240930,26399,26401.4,26086,26123.8,26876\r\nNIFTY24NOVFUT,20240930,26399,26401.4,26086,26123.8,26876\r\n"},
      {udiff + "2024-09-30,2024-09-30,FO,NSE,STO,broken\r\n", ""},
      {"SYMBOL,SERIES\n", "!line 1: the header is neither the old F&O Bhavcopy's (INSTRUMENT) nor the UDiFF one's (FinInstrmTp)"},
      {"INSTRUMENT,SYMBOL,EXPIRY_DT,OPEN,HIGH,LOW,CLOSE,CONTRACTS,OPEN_INT\n", "!line 1: the header has no column TIMESTAMP"},
      {udiff + future("26x", "2024-11-28"), "!line 2: the OpnPric value '26x' is not a number"},
      {udiff + future("1", "2024-11-31"), "!line 2: the FininstrmActlXpryDt value '2024-11-31' is not a date"},
      {udiff + "2024-09-30,2024-09-30,FO,NSE,IDF,35089\r\n", "!line 2: the line has 6 fields, 25 are needed"},
  };
  for (const auto& [input, want] : fo_rows) {
    MemoryPlatform tp;
    tp.disk.put("/s/fo/d.csv", input);
    tp.disk.make_folders("/d");
    WindowModel w;
    w.txtSourceFolder = "/s", w.txtDestFolder = "/d", w.rbSource = kSourceFolder;
    fConvertFo(w, tp.platform);
    if (want.starts_with("!")) {
      EXPECT_EQ(tp.messages.shown, std::vector<std::string>{"fConvertFo: /s/fo/d.csv, " + want.substr(1) + ". /d/fo/d_DX.txt was not written."});
      continue;
    }
    EXPECT_EQ(tp.messages.shown, std::vector<std::string>{});
    EXPECT_EQ(tp.disk.files["/d/fo/d_DX.txt"], want);
    EXPECT_EQ(w.Text1.text().ends_with("/s/fo/d.csv holds no futures: /d/fo/d_DX.txt is empty."), want.empty()) << w.Text1.text();
  }
}

// Whatever the scrip box holds, only files of the source folder are read
// and only the destination folder is written.
TEST(Convert, ScripBox) {
  for (const std::string& typed : {"../x"s, "a/b"s, std::string(300, 'Q'), "M&M"s, "A B"s}) {
    const bool plain = typed == "M&M" || typed == "A B";
    const std::string out = "1" + typed + "XN_DX.txt";
    run({"scrip box " + typed.substr(0, 10), kScrip, {{"1M&MXN.csv", "M&M,EQ,20080131,0,1,2,3,4,5\n"}, {"1A BXN.csv", "M&M,EQ,20080131,0,1,2,3,4,5\n"}},
         [&](WindowModel& w, MemoryPlatform& tp) { w.txtScrip = typed; tp.disk.put("/x1XN.csv", "h\nX,EQ,20080131,0,1,2,3,4,5\n"); },
         plain ? "" : "No files available to convert", plain ? Files{{out, "M&M,20080131,1,2,3,4,5\r\n"}} : Files{},
         plain ? std::vector{out} : std::vector<std::string>{}});
  }
}

TEST(Convert, SymbolLength) {
  const std::pair<const char*, const char*> rows[] = {
      {"", "ABCDEFGHIJKL"}, {"abc", "ABCDEFGHIJKL"}, {"0", ""}, {"4.6", "ABCDE"}, {" 5", "ABCDE"}, {"1e1", "ABCDEFGHIJ"},
      {"2147483648", "ABCDEFGHIJKL"}, {"1e400", "ABCDEFGHIJKL"}, {"0x10", "ABCDEFGHIJKL"}, {"NaN", "ABCDEFGHIJKL"}, {"-0", ""},
      {"-1", nullptr}, {"-2147483649", nullptr}};
  for (const auto& [length, symbol] : rows) {
    const std::string typed = length;
    run({"length " + typed, kBhav, {{"d.csv", bhav("ABCDEFGHIJKL", "1")}}, [&](WindowModel& w, auto&) { w.txtLength = typed; },
         symbol ? "" : "/s/d.csv, line 2: the symbol length '" + typed + "' is negative",
         symbol ? Files{{"d_DX.txt", std::string(symbol) + ",20080131,1,2,3,4,7\r\n"}} : Files{},
         symbol ? std::vector<std::string>{"d_DX.txt"} : std::vector<std::string>{}});
  }
}

// A folder converted again: an output whose file already holds its bytes is
// not written (a write there would fail here), a changed one is replaced,
// and both are queued for the import as before.
TEST(Convert, AnOutputThatWouldNotChangeIsLeftAlone) {
  MemoryPlatform tp;
  tp.disk.make_folders("/d");
  for (int i : {0, 1}) tp.disk.put("/s/"s + kInput[i][kBhav], kBhavHeader + kRow[kBhav]);
  tp.disk.put("/d/" + out(0, kBhav), record(0, kBhav));
  tp.disk.put("/d/" + out(1, kBhav), record(0, kBhav) + "earlier\r\n");
  tp.disk.fail(MemoryDisk::Write, "/d/" + out(0, kBhav), ENOSPC);
  WindowModel w;
  w.txtSourceFolder = "/s", w.txtDestFolder = "/d", w.rbSource = kSourceFolder;
  fOutput(w, tp.platform);
  EXPECT_EQ(tp.messages.shown, std::vector<std::string>{});
  EXPECT_EQ(tp.disk.written, std::vector<std::string>{"/d/" + out(1, kBhav)});
  EXPECT_EQ(tp.disk.files["/d/" + out(1, kBhav)], record(0, kBhav));
  EXPECT_EQ(w.colAmiFiles, (std::vector<std::string>{"/d/" + out(0, kBhav), "/d/" + out(1, kBhav)}));
}

// Convert runs the converters the boxes ask for; a blank is a scrip.
TEST(Convert, TheCommandRunsWhatTheBoxesAskFor) {
  const std::tuple<bool, bool, const char*, std::string, std::vector<std::string>> cases[] = {
      {true, true, "", std::string(kDone[kBhav]) + kDone[kIndex], {}}, {false, false, "X", "", {}},
      {false, true, "ABC", kDone[kIndex], {}}, {true, false, " ", "", {"No files available to convert"}}};
  for (const auto& [eod, indices, scrip, status, messages] : cases) {
    MemoryPlatform tp;
    tp.disk.put("/s/d.csv", kBhavHeader + bhav("ABC", "1"));
    tp.disk.put("/s/INDEX_X.csv", "h\n31-Jan-2008,1,2,3,4\n");
    tp.disk.make_folders("/d");
    WindowCommands window(tp.platform);
    WindowModel& w = window.model();
    std::tie(w.txtSourceFolder, w.txtDestFolder, w.rbSource, w.chkEOD, w.chkIndices, w.txtScrip) = std::tuple("/s", "/d", kSourceFolder, eod, indices, scrip);
    window.cmdConvert_Click();
    EXPECT_EQ(w.Text1.text(), status) << eod << indices << scrip;
    EXPECT_EQ(tp.messages.shown, messages) << eod << indices << scrip;
  }
}

}  // namespace
}  // namespace quillon::testing
