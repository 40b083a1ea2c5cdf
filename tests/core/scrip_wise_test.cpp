// Scrip-wise output over the in-memory disk: a folder mixing the three
// Bhavcopy layouts, both lists of corporate actions and a list of symbol
// changes, converted with and without adjustment, byte for byte; then the
// faults, the budget and the threads.
#include <gtest/gtest.h>

#include "exchange/action_lists.h"
#include "exchange/price_factor.h"
#include "app/operations.h"
#include "app/window_commands.h"
#include "fakes.h"
#include "histories/price_events.h"
#include "histories/scrip_wise.h"
#include "histories/symbol_joins.h"

namespace quillon::testing {
namespace {

using Files = std::map<std::string, std::string>;
using namespace std::string_literals;

// The nine sessions of the folder, 2024-07-10 missing: old file, old, full
// Bhavcopy with delivery, old, old (twice), UDiFF from 8 July.
const char* const kDays[] = {"2024-07-01", "2024-07-02", "2024-07-03", "2024-07-04", "2024-07-05",
                             "2024-07-08", "2024-07-09", "2024-07-11", "2024-07-12"};
enum Layout { kOld, kFull, kUdiff };
const Layout kLayouts[] = {kOld, kOld, kFull, kOld, kOld, kUdiff, kUdiff, kUdiff, kUdiff};
const char* const kNames[] = {"cm01JUL2024bhav.csv", "2024_07_02.csv", "sec_bhavdata_full_03072024.csv",
                              "2024_07_04.csv",      "2024_07_05.csv", "2024_07_08.csv",
                              "2024_07_09.csv",      "2024_07_11.csv", "2024_07_12.csv"};

// A symbol's close on each day (0: no row), its ISIN, and a previous close
// the day file gives instead of the last close (day index, value).
struct Quotes {
  const char* symbol;
  std::array<int, 9> close;
  const char* isin = "INE000000000";
  int prev_day = -1, prev = 0;
};
const Quotes kQuotes[] = {
    {"BONUSCO", {100, 100, 100, 100, 100, 100, 50, 50, 50}},        // bonus 1:1 on 9 July, listed twice
    {"SPLITCO", {1000, 1000, 1000, 200, 200, 200, 200, 200, 200}},  // face value 10 to 2 on 4 July
    {"CONSOL", {5, 5, 5, 5, 5, 5, 5, 50, 50}},                     // 1 to 10 on 11 July, after the gap
    {"COMBO", {400, 400, 400, 400, 400, 400, 400, 400, 40}},       // bonus 1:1 and 10 to 2 on 12 July
    {"NOCONF", {300, 300, 300, 300, 300, 300, 300, 300, 300}},     // a bonus the prices do not show
    {"DIVCO", {250, 250, 250, 250, 250, 250, 250, 250, 250}, "INE000000000", 4, 0},  // a dividend, a debenture bonus, a 0 previous close
    {"ADJPREV", {600, 300, 300, 300, 300, 300, 300, 300, 300}, "INE000000000", 1, 300},  // an adjusted previous close
    {"GAPCO", {80, 80, 80, 80, 80, 80, 80, 40, 40}, "INE000000000", 7, 40},  // a move across the missing day
    {"SLEEPY", {70, 70, 0, 0, 0, 70, 70, 70, 70}},                 // no trade for three days
    {"OLDNAME", {240, 240, 120, 120, 120, 0, 0, 0, 0}},            // bonus 1:1 on 3 July, then NEWNAME
    {"NEWNAME", {0, 0, 0, 0, 0, 120, 120, 120, 120}, "INE000000000", 5, 120},
    {"ZOMATO", {90, 90, 90, 90, 90, 0, 0, 0, 0}, "INE758T01015"},  // the same ISIN goes on as ETERNAL
    {"ETERNAL", {0, 0, 0, 0, 0, 90, 90, 90, 90}, "INE758T01015", 5, 90},
};

std::string row(Layout layout, const Quotes& q, size_t day, const std::string& volume = "1000") {
  const int c = q.close[day];
  int prev = day == 0 ? c : q.close[day - 1];
  for (size_t d = day; prev == 0 && d-- > 0;) prev = q.close[d];  // the last trade's close
  if (static_cast<int>(day) == q.prev_day) prev = q.prev;
  const std::string o = std::to_string(c - 1), h = std::to_string(c + 2), l = std::to_string(c - 2),
                    cl = std::to_string(c), p = std::to_string(prev), date = kDays[day];
  if (layout == kUdiff)
    return date + "," + date + ",CM,NSE,STK,1," + q.isin + "," + q.symbol + ",EQ,,,,,X," + o + ".00," + h + ".00," +
           l + ".00," + cl + ".00," + cl + ".00," + p + ".00,," + cl + ".00,,," + volume + ",9.5,3,F1,1,,,,,\n";
  const std::string dmy = date.substr(8, 2) + "-JUL-2024";
  if (layout == kFull)
    return std::string(q.symbol) + ", EQ, 03-Jul-2024, " + p + ", " + o + ", " + h + ", " + l + ", " + cl + ", " + cl +
           ", " + cl + ", " + volume + ", 1.5, 3, 10, 1.0\n";
  return std::string(q.symbol) + ",EQ," + o + "," + h + "," + l + "," + cl + "," + cl + "," + p + "," + volume + ",9.5," + dmy +
         ",3," + q.isin + ",\n";
}

const std::string kHeaders[] = {
    "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,TOTALTRADES,ISIN,\n",
    kFullHeaderLine, kUdiffHeaderLine};

// The folder: the day files, a second 5 July file holding one row, the
// lists of actions and the changes of symbol.
Files history_folder() {
  Files f;
  for (size_t d = 0; d < 9; ++d) {
    std::string text = kHeaders[kLayouts[d]];
    for (const Quotes& q : kQuotes)
      if (q.close[d]) text += row(kLayouts[d], q, d);
    f[kNames[d]] = text + (d == 0 ? "DEBTCO,N4,1,1,1,1,1,1,1,1,01-JUL-2024,1,INE000000000,\n" : "");
  }
  f["cm05JUL2024bhav.csv"] = kHeaders[kOld] + row(kOld, kQuotes[0], 4, "999");
  // ETERNAL's first day again, read last: its ISIN is the one that counts.
  f["zz08JUL2024.csv"] = kHeaders[kOld] + row(kOld, kQuotes[12], 5);
  auto& udiff = f["2024_07_08.csv"];
  udiff.replace(udiff.find("INE758T01015,ETERNAL"), 12, "INE999999999");
  f["INDEX_NIFTY.csv"] = "Date,Open,High,Low,Close\n01-Jul-2024,1,2,3,4\n";
  f["actions/2024_07_05_bc.csv"] =
      "SERIES,SYMBOL,SECURITY,RECORD_DT,BC_STRT_DT,BC_END_DT,EX_DT,ND_STRT_DT,ND_END_DT,PURPOSE\n"
      "EQ,BONUSCO,Bonus Co Ltd,09/07/2024, , ,09/07/2024, , ,BONUS 1:1\n"
      "EQ,CONSOL,Consol Ltd,2024-07-11, , ,2024-07-11, , ,FV CONSOLIDATION FRM RS 1 TO RS 10\n"
      "EQ,COMBO,Combo Ltd,12/07/2024, , ,12/07/2024, , ,BONUS 1:1/FV SPL 10 TO 2\n"
      "EQ,NOCONF,No Ltd,08/07/2024, , ,08/07/2024, , ,BONUS 1:1\n"
      "EQ,DIVCO,Div Ltd,08/07/2024, , ,08/07/2024, , ,DIV - RS 2 PER SH\n"
      "EQ,DIVCO,Div Ltd,08/07/2024, , ,08/07/2024, , ,BONUS DEBENTURES 1:1\n"
      "N1,SPLITCO,Split Ltd,05/07/2024, , ,05/07/2024, , ,BONUS 1:1\n"
      "EQ,OLDNAME,Old Ltd,03/07/2024, , ,03/07/2024, , ,BONUS 1:1\n"
      "EQ,DIVCO,Div Ltd,08/07/2024, , ,08/07/2024, , \n"  // no purpose
      "EQ,BADCO,Bad Ltd,31/02/2024, , ,31/02/2024, , ,BONUS 1:1\n"
      "EQ,BADCO,Bad Ltd,01/02/2024, , ,01/02/2024, , ,BONUS ISSUE\n"
      "EQ,SHORT\n";
  f["actions/CF-CA-equities.csv"] =
      "\"SYMBOL\",\"COMPANY NAME\",\"SERIES\",\"PURPOSE\",\"FACE VALUE\",\"EX-DATE\",\"RECORD DATE\","
      "\"BOOK CLOSURE START DATE\",\"BOOK CLOSURE END DATE\"\n"
      "\"SPLITCO\",\"Split, Ltd\",\"EQ\",\"Face Value Split (Sub-Division) - From Rs 10/- Per Share To Rs 2/- Per "
      "Share\",\"10\",\"04-Jul-2024\",\"04-Jul-2024\",\"-\",\"-\"\n"
      "\"BONUSCO\",\"Bonus Co Ltd\",\"EQ\",\"Bonus 1:1\",\"1\",\"09-Jul-2024\",\"09-Jul-2024\",\"-\",\"-\"\n";
  f["actions/symbolchange.csv"] =
      " SYMB_COMPANY_NAME, SM_KEY_SYMBOL, SM_NEW_SYMBOL, SM_APPLICABLE_FROM\n"
      "New Name Ltd,OLDNAME,NEWNAME,08-JUL-2024\n"
      "Later Ltd,DIVCO,NOBODY,01-JAN-2025\n";
  f["actions/notes.csv"] = "nothing,to,see\n";
  return f;
}

// A symbol's records over the folder's sessions, in runs of days with the
// same "o,h,l,c,volume" after the date ("": no row those days).
std::string history(const std::string& symbol, const std::vector<std::pair<int, std::string>>& runs) {
  std::string text;
  size_t day = 0;
  for (const auto& [count, values] : runs)
    for (int i = 0; i < count; ++i, ++day)
      if (!values.empty()) text += symbol + "," + std::string(kDays[day]).erase(7, 1).erase(4, 1) + "," + values + "\r\n";
  return text;
}

const std::string kStatus =
    "\r\n/s/actions/2024_07_05_bc.csv, line 11: the ex-date '31/02/2024' is not a date; skipped."
    "\r\n/s/actions/2024_07_05_bc.csv, line 12: the purpose 'BONUS ISSUE' names a bonus or a change of face value"
    " without readable figures; skipped."
    "\r\n/s/actions/notes.csv: neither a list of corporate actions nor of symbol changes; skipped."
    "\r\nDays with two rows of one symbol (the last read counts, the day files taken in the byte order of their names): 2024-07-05 2024-07-08"
    "\r\nDay files missing, so previous closes were not compared across them: 2024-07-10."
    "\r\nExtract of Data from BhavCopy is done....!"
    "\r\nScrip-wise: 11 symbols, 96 records, 11 symbol files written.";

const std::string kAdjustments =
    "symbol,ex_date,factor,confirmed,purpose\r\n"
    "ADJPREV,20240702,0.5,yes,previous close\r\n"
    "BONUSCO,20240709,0.5,yes,BONUS 1:1\r\n"
    "COMBO,20240712,0.1,yes,BONUS 1:1/FV SPL 10 TO 2\r\n"
    "CONSOL,20240711,10,yes,FV CONSOLIDATION FRM RS 1 TO RS 10\r\n"
    "NEWNAME,20240703,0.5,yes,BONUS 1:1\r\n"
    "NOCONF,20240708,0.5,no,BONUS 1:1\r\n"
    "SPLITCO,20240704,0.2,yes,Face Value Split (Sub-Division) - From Rs 10/- Per Share To Rs 2/- Per Share\r\n";

struct Converted {
  MemoryPlatform tp;
  WindowModel w;
  Converted(const Files& folder, bool adjust, std::optional<int> jobs = std::nullopt, size_t budget = 0,
            bool open_interest = false) {
    for (const auto& [name, text] : folder) tp.disk.put("/s/" + name, text);
    tp.disk.make_folders("/d");
    w.txtSourceFolder = "/s", w.txtDestFolder = "/d", w.rbSource = kSourceNse, w.rbScripWise = true;
    w.chkAdjust = adjust, w.jobs = jobs, w.Combo1ListIndex = open_interest ? 1 : 0;
    if (budget == 0) {
      fOutput(w, tp.platform);
    } else {  // the feature itself, for its memory budget
      ModelStatus status(w);
      const ConversionResult r = convert_scrip_wise(
          {.conversion = {"/s", "/d", "dd/MM/yyyy", jobs.value_or(0)}, .symbol_length = "10", .adjust = adjust,
           .memory_budget = budget},
          TradingCalendar(), tp.disk, tp.progress, status);
      EXPECT_FALSE(r.failure) << *r.failure;
      w.colAmiFiles = r.written;
    }
  }
  Files dest() const { return tp.disk.under("/d"); }
};

TEST(ScripWise, AFolderOfEveryLayoutWithAndWithoutAdjustment) {
  const Files plain = {
      {"BONUSCO.txt", history("BONUSCO", {{4, "99,102,98,100,1000"}, {1, "99,102,98,100,999"},
                                          {1, "99,102,98,100,1000"}, {3, "49,52,48,50,1000"}})},
      {"NEWNAME.txt", history("NEWNAME", {{2, "239,242,238,240,1000"}, {7, "119,122,118,120,1000"}})},
  };
  const Files adjusted = {
      {"BONUSCO.txt", history("BONUSCO", {{4, "49.5,51,49,50,2000"}, {1, "49.5,51,49,50,1998"},
                                          {1, "49.5,51,49,50,2000"}, {3, "49,52,48,50,1000"}})},
      {"COMBO.txt", history("COMBO", {{8, "39.9,40.2,39.8,40,10000"}, {1, "39,42,38,40,1000"}})},
      {"CONSOL.txt", history("CONSOL", {{7, "40,70,30,50,100"}, {2, "49,52,48,50,1000"}})},
      {"ETERNAL.txt", history("ETERNAL", {{9, "89,92,88,90,1000"}})},
      {"GAPCO.txt", history("GAPCO", {{7, "79,82,78,80,1000"}, {2, "39,42,38,40,1000"}})},
      {"NEWNAME.txt", history("NEWNAME", {{2, "119.5,121,119,120,2000"}, {7, "119,122,118,120,1000"}})},
      {"SLEEPY.txt", history("SLEEPY", {{2, "69,72,68,70,1000"}, {3, ""}, {4, "69,72,68,70,1000"}})},
      {"SPLITCO.txt", history("SPLITCO", {{3, "199.8,200.4,199.6,200,5000"}, {6, "199,202,198,200,1000"}})},
  };
  for (const bool adjust : {false, true}) {
    Converted run(history_folder(), adjust);
    SCOPED_TRACE(adjust);
    EXPECT_EQ(run.tp.messages.shown, std::vector<std::string>{});
    EXPECT_EQ(run.w.Text1.text(), kStatus);
    Files dest = run.dest();
    EXPECT_EQ(dest["adjustments.csv"], kAdjustments);
    EXPECT_EQ(dest["renames.csv"], "old_symbol,new_symbol,first_date\r\nOLDNAME,NEWNAME,20240708\r\nZOMATO,ETERNAL,20240708\r\n");
    for (const auto& [name, text] : adjust ? adjusted : plain) EXPECT_EQ(dest[name], text) << name;
    std::vector<std::string> names;
    for (const auto& [name, text] : dest) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{".quillon-histories", "ADJPREV.txt", "BONUSCO.txt", "COMBO.txt", "CONSOL.txt", "DIVCO.txt",
                                               "ETERNAL.txt", "GAPCO.txt", "NEWNAME.txt", "NOCONF.txt", "SLEEPY.txt",
                                               "SPLITCO.txt", "adjustments.csv", "renames.csv"}));
    std::vector<std::string> queued(names.begin() + 1, names.end() - 2);
    for (std::string& q : queued) q = "/d/" + q;
    EXPECT_EQ(run.w.colAmiFiles, queued);
    EXPECT_EQ(dest["ADJPREV.txt"].substr(0, dest["ADJPREV.txt"].find('\r')),
              adjust ? "ADJPREV,20240701,299.5,301,299,300,2000" : "ADJPREV,20240701,599,602,598,600,1000");
  }
}

// The same bytes and status whatever the threads and however little memory
// the rows may take (the folder read again for each part of the symbols);
// a second run writes and queues nothing.
TEST(ScripWise, TheSameFilesWhateverTheThreadsAndTheMemory) {
  const Converted reference(history_folder(), true);
  for (const auto& [jobs, budget] : {std::pair{1, size_t{0}}, {3, 0}, {1, 8192}, {2, 1}}) {
    Converted run(history_folder(), true, jobs, budget);
    EXPECT_EQ(run.dest(), reference.dest()) << jobs << " " << budget;
    EXPECT_EQ(run.w.colAmiFiles, reference.w.colAmiFiles) << jobs << " " << budget;
  }
}

// Where the calendar does not know the year, only more than four calendar
// days between day files are a gap; with open interest the full Bhavcopy's
// deliverable quantity is the eighth field.
TEST(ScripWise, GapsOfUnknownYearsAndTheDeliverableQuantity) {
  auto day = [](const char* date, const char* close, const char* prev) {
    return kHeaders[kOld] + "A,EQ,1,2,1," + close + "," + close + "," + prev + ",5,1," + date + ",3,INE1,\n";
  };
  const std::pair<Files, std::string> rows[] = {
      {{{"a.csv", day("01-JAN-2010", "100", "100")}, {"b.csv", day("05-JAN-2010", "50", "50")}},
       "A,20100105,0.5,yes,previous close\r\n"},  // Friday to Tuesday: no day missing
      {{{"a.csv", day("05-JAN-2010", "100.005", "100")}, {"b.csv", day("11-JAN-2010", "50", "50")}}, ""},
  };
  for (const auto& [folder, event] : rows) {
    Converted run(folder, false);
    EXPECT_EQ(run.dest()["adjustments.csv"], "symbol,ex_date,factor,confirmed,purpose\r\n" + event);
    EXPECT_EQ(run.dest()["A.txt"].substr(11, 13), event.empty() ? "1,2,1,100.005" : "1,2,1,100,5\r\n");
    EXPECT_EQ(run.w.Text1.text().find("the days between 2010-01-05 and 2010-01-11") != std::string::npos, event.empty());
  }
  Files full = history_folder();
  Converted oi(full, false, std::nullopt, 0, true);
  EXPECT_EQ(oi.dest()["SLEEPY.txt"].substr(0, 36), "SLEEPY,20240701,69,72,68,70,1000,0\r\n");
  EXPECT_NE(oi.dest()["DIVCO.txt"].find("DIVCO,20240703,249,252,248,250,1000,10\r\n"), std::string::npos);
}

// A run after another: nothing read when nothing changed since (its record
// in the destination folder says what it read and wrote); otherwise what
// changed is written again.
TEST(ScripWise, ASecondRunWritesOnlyWhatChanged) {
  struct Change {
    const char* what;
    std::function<void(Converted&)> make;
    std::vector<std::string> written;
  };
  const Change changes[] = {
      {"nothing, the day files unreadable", [](Converted& c) { c.tp.disk.fail(MemoryDisk::Read, "/s/2024_07", EIO); }, {}},
      {"an output edited", [](Converted& c) { c.tp.disk.put("/d/DIVCO.txt", "x"); }, {"/d/DIVCO.txt", "/d/.quillon-histories"}},
      {"an output deleted", [](Converted& c) { c.tp.disk.remove("/d/SLEEPY.txt"); }, {"/d/SLEEPY.txt", "/d/.quillon-histories"}},
      {"a day file changed", [](Converted& c) { c.tp.disk.files["/s/2024_07_12.csv"] += "DIVCO,EQ,1,1,1,1,1,1,1,1,12-JUL-2024,1,X,\n"; },
       {"/d/.quillon-histories"}},
      {"a list of actions added", [](Converted& c) {
         c.tp.disk.put("/s/actions/more.csv", "SYMBOL,SERIES,PURPOSE,EX-DATE\nSLEEPY,EQ,BONUS 1:1,08-Jul-2024\n"); },
       {"/d/adjustments.csv", "/d/.quillon-histories"}},
      {"without adjustment", [](Converted& c) { c.w.chkAdjust = false; },
       {"/d/ADJPREV.txt", "/d/BONUSCO.txt", "/d/COMBO.txt", "/d/CONSOL.txt", "/d/NEWNAME.txt", "/d/SPLITCO.txt", "/d/.quillon-histories"}},
      {"the record damaged", [](Converted& c) { c.tp.disk.put("/d/.quillon-histories", "quillon scrip-wise run 1\nin 1 2\n"); },
       {"/d/.quillon-histories"}},
      {"an output edited, the record not writable: no failure", [](Converted& c) {
         c.tp.disk.put("/d/DIVCO.txt", "x");
         c.tp.disk.fail(MemoryDisk::Write, "/d/.quillon-histories", ENOSPC); },
       {"/d/DIVCO.txt"}},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    Converted again(history_folder(), true);
    const std::string first = again.w.Text1.text();
    change.make(again);
    again.tp.disk.written.clear();
    again.w.colAmiFiles.clear();
    again.w.Text1.clear();
    fOutput(again.w, again.tp.platform);
    EXPECT_EQ(again.tp.messages.shown, std::vector<std::string>{});
    EXPECT_EQ(again.tp.disk.written, change.written);
    const size_t symbol_files = std::count_if(change.written.begin(), change.written.end(),
                                              [](const std::string& p) { return p.ends_with(".txt"); });
    EXPECT_EQ(again.w.colAmiFiles.size(), symbol_files);
    if (change.written.empty()) {  // the same status, nothing written
      EXPECT_EQ(again.w.Text1.text(), first.substr(0, first.rfind(", ") + 2) + "0 symbol files written.");
    }
  }
}

// Faults stop the run with the one message; no history is left half made.
TEST(ScripWise, FaultsStopTheRunBeforeAnyHistoryIsWritten) {
  struct Fault {
    std::string what;
    std::function<void(Files&, MemoryDisk&)> setup;
    std::string message;  // after "fOutput: "
    size_t written;       // symbol files written before it
  };
  const Fault faults[] = {
      {"a bad number in the last file read", [](Files& f, MemoryDisk&) { f["sec_bhavdata_full_03072024.csv"] += "BAD, EQ, 03-Jul-2024, 1, 1x, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11\n"; },
       "/s/sec_bhavdata_full_03072024.csv, line 12: the OPEN_PRICE value '1x' is not a number. No symbol file was written.", 0},
      {"a row that is no date", [](Files& f, MemoryDisk&) { f["2024_07_02.csv"] += "BAD,EQ,1,2,3,4,5,6,7,8,32-JUL-2024,9,X,\n"; },
       "/s/2024_07_02.csv, line 13: the TIMESTAMP value '32-JUL-2024' is not a date. No symbol file was written.", 0},
      {"a negative symbol length", [](Files&, MemoryDisk&) {}, "/s/2024_07_02.csv, line 2: the symbol length '-1' is negative. No symbol file was written.", 0},
      {"the destination full at the fourth history", [](Files&, MemoryDisk& d) { d.fail(MemoryDisk::Write, "/d/DIVCO.txt", ENOSPC); },
       "Cannot write the file '/d/DIVCO.txt': No space left on device.", 4},
      {"no day file", [](Files& f, MemoryDisk&) { std::erase_if(f, [](auto& e) { return !e.first.starts_with("INDEX"); }); },
       "", 0},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.what);
    Files folder = history_folder();
    MemoryPlatform tp;
    fault.setup(folder, tp.disk);
    for (const auto& [name, text] : folder) tp.disk.put("/s/" + name, text);
    tp.disk.put("/d/DIVCO.txt", "earlier\r\n");
    WindowModel w;
    w.txtSourceFolder = "/s", w.txtDestFolder = "/d", w.rbScripWise = true;
    w.txtLength = fault.what.find("length") == std::string::npos ? "10" : "-1";
    fOutput(w, tp.platform);
    const std::string message = fault.message.empty() ? "No files available to convert" : "fOutput: " + fault.message;
    EXPECT_EQ(tp.messages.shown, std::vector<std::string>{message});
    EXPECT_EQ(tp.disk.written.size(), fault.written);
    EXPECT_EQ(w.colAmiFiles, std::vector<std::string>(tp.disk.written.begin(), tp.disk.written.end()));
    EXPECT_EQ(tp.disk.files["/d/DIVCO.txt"], "earlier\r\n");
  }
}

TEST(ScripWise, PurposesAndTheirFactors) {
  using K = PriceFactor::Kind;
  const std::tuple<const char*, K, double> rows[] = {
      {"BONUS 1:1", K::event, 0.5}, {"Bonus 2:1", K::event, 1.0 / 3}, {"BON-1:25", K::event, 25.0 / 26},
      {"BONUS 3 : 2", K::event, 0.4},
      {"FVSPLT FRM RS 5 TO RE 1", K::event, 0.2}, {"FV SPLT FR RS100 TO RS10", K::event, 0.1},
      {"FVSPLTFRM100TO1", K::event, 0.01}, {"FV SPLIT RS.10 TO RS.9", K::event, 0.9},
      {"BON-1:25/SPLIT RS10TORS.5", K::event, 25.0 / 26 / 2}, {"fv split re 1 to re 0.50", K::event, 0.5},
      {"FV CONSOLIDATION FRM RS 1 TO RS 10", K::event, 10}, {"BONUS 1:1/FV SPL 10 TO 2", K::event, 0.1},
      {"AGM/BONUS 1:4/DIV- RS 0.65", K::event, 0.8}, {"BONUS 5 RATIO: 2:1", K::event, 1.0 / 3}, {"BON1:1", K::event, 0.5}, {"1:2 BONUS", K::event, 2.0 / 3},
      {"DIV - RS 2 PER SH", K::none, 1}, {"AGM/DIV- RS 0.65", K::none, 1}, {"Rights 1:4 @ Premium Rs 8/-", K::none, 1},
      {"BONUS DEBENTURES 1:1", K::none, 1}, {"BONUS NCRPS 1:1", K::none, 1}, {"BONUS PREF SH 1:2", K::none, 1},
      {"BONUS DVR 1:10", K::none, 1}, {"SPL DIV RS 5", K::none, 1}, {"INTEREST ON BONDS", K::none, 1},
      {"FV SPLIT 10 TO 10", K::none, 1}, {"CHANGE IN ATTRIBUTE", K::none, 1}, {"", K::none, 1},
      {"STOCK SPLIT", K::unreadable, 1}, {"BONUS", K::unreadable, 1}, {"BONUS 0:1", K::unreadable, 1},
      {"FV SPLIT FROM RS 0 TO RS 1", K::unreadable, 1}, {"FV SPLIT RS 10 TOTAL RS 2", K::unreadable, 1},
  };
  for (const auto& [purpose, kind, factor] : rows) {
    const PriceFactor got = price_factor_of(purpose);
    EXPECT_EQ(got.kind, kind) << purpose;
    EXPECT_NEAR(got.factor, factor, 1e-12) << purpose;
  }
  EXPECT_DOUBLE_EQ(previous_close_factor(1327.85, 2655.70), 0.5);
  EXPECT_DOUBLE_EQ(previous_close_factor(2711.64, 27116.40), 0.1);
  EXPECT_DOUBLE_EQ(previous_close_factor(2655.74, 2655.70), 1);  // within 0.05
  EXPECT_DOUBLE_EQ(previous_close_factor(557.37, 1672.10), 1.0 / 3);
  EXPECT_DOUBLE_EQ(previous_close_factor(101, 1000), 0.101);  // no simple ratio that close
}

// Which symbols' rows make which history: changes of symbol followed, the
// ISIN continuation taken only when it is the one candidate each way.
TEST(ScripWise, HistoriesAcrossChangesOfSymbol) {
  const std::tuple<const char*, std::vector<SymbolSpan>, std::vector<SymbolChange>, std::string> rows[] = {
      {"a chain, listed step by step",
       {{"A", 1, 3, {}, {}}, {"B", 4, 6, {}, {}}, {"C", 7, 9, {}, {}}},
       {{"B", "C", {0, 0, 7}}, {"A", "B", {0, 0, 4}}},
       "C: A<4 B<7 C; renames A>B@4 B>C@7"},
      {"a change to a symbol with no rows changes nothing",
       {{"A", 1, 3, {}, {}}}, {{"A", "Z", {0, 0, 4}}}, "A: A; renames"},
      {"a symbol's one row between two of its changes",
       {{"A", 1, 4, {}, {}}, {"B", 4, 9, {}, {}}, {"C", 6, 9, {}, {}}}, {{"A", "B", {0, 0, 4}}, {"A", "C", {0, 0, 6}}},
       "B: A<4 B; C: A<6 C; renames A>B@4 A>C@6"},
      {"two changes of a symbol on one day: the first listed counts",
       {{"A", 1, 3, {}, {}}, {"B", 4, 9, {}, {}}, {"C", 4, 9, {}, {}}}, {{"A", "B", {0, 0, 4}}, {"A", "C", {0, 0, 4}}}, "B: A<4 B; C: C; renames A>B@4"},
      {"a symbol taken again later: its rows after the change stay its own",
       {{"A", 1, 9, {}, {}}, {"B", 5, 9, {}, {}}}, {{"A", "B", {0, 0, 5}}},
       "A: A; B: A<5 B; renames A>B@5"},
      {"the same ISIN on the next day file continues",
       {{"OLD", 1, 3, "", "IN1"}, {"NEW", 4, 6, "IN1", ""}}, {}, "NEW: OLD<4 NEW; renames OLD>NEW@4"},
      {"two candidates of the same ISIN: neither",
       {{"OLD", 1, 3, "", "IN1"}, {"NEW", 4, 6, "IN1", ""}, {"TOO", 4, 6, "IN1", ""}}, {},
       "NEW: NEW; OLD: OLD; TOO: TOO; renames"},
      {"an ISIN starting a day file later: no continuation",
       {{"OLD", 1, 2, "", "IN1"}, {"NEW", 4, 6, "IN1", ""}}, {}, "NEW: NEW; OLD: OLD; renames"},
  };
  for (const auto& [what, spans, changes, want] : rows) {
    const SymbolJoins joins(spans, changes, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    std::string got;
    for (const History& h : joins.histories()) {
      got += (got.empty() ? "" : "; ") + spans[h.owner].name + ":";
      for (const Segment& seg : h.segments)
        got += " " + spans[seg.symbol].name + (seg.to == std::numeric_limits<int32_t>::max() ? "" : "<" + std::to_string(seg.to));
    }
    got += "; renames";
    for (const Rename& r : joins.renames()) got += " " + r.old_symbol + ">" + r.new_symbol + "@" + std::to_string(r.first_date);
    EXPECT_EQ(got, want) << what;
  }
}

TEST(ScripWise, NamesOfHistoryFilesAndListsOfActions) {
  EXPECT_EQ(history_file_name("M&M"), "M&M.txt");
  EXPECT_EQ(history_file_name(".5%/\\x\ty."), "%2E5%25%2F%5Cx%09y..txt");
  ActionLists lists;
  read_action_list("s.csv", "3M India Limited,BIRLA3M,3MINDIA,15-JUN-2004\nA, B Ltd,OLD,NEW,09-APR-2025,,\n,X,,01-JAN-2020\n", lists);
  read_action_list("h.csv", "SYMBOL,SERIES,PURPOSE,EX-DATE\nA,EQ,BONUS 1:1,-\n,EQ,BONUS 1:1,01-Jan-2020\n", lists);
  ASSERT_EQ(lists.changes.size(), 2u);
  EXPECT_EQ(lists.changes[1].old_symbol + ">" + lists.changes[1].new_symbol, "OLD>NEW");
  EXPECT_EQ(lists.changes[1].date, (Date{2025, 4, 9}));
  EXPECT_EQ(lists.skipped, (std::vector<std::string>{
                               "s.csv, line 3: not a change of symbol (company, old symbol, new symbol, date); skipped.",
                               "h.csv, line 2: the ex-date '-' is not a date; skipped.",
                               "h.csv, line 3: the record has no symbol; skipped."}));
}

}  // namespace
}  // namespace quillon::testing
