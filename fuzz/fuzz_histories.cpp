// The scrip-wise conversion and the lists of corporate actions on fuzzed
// input. The first byte chooses:
// - even: the rest is a day file, converted date-wise and scrip-wise (no
//   adjustment) over the in-memory disk. The scrip-wise run fails wherever
//   the date-wise one does, and otherwise fails only for a row that is no
//   date or has no symbol; when it succeeds without joining symbols, each
//   symbol's file holds exactly the date-wise records of that symbol, one a
//   day (the last of a day), oldest first, and nothing is written beside
//   the destination folder.
// - odd: the rest is read as a file of actions/: whatever it is, records
//   have a symbol, a real ex-date and a price factor that is positive,
//   finite and not 1, and changes of symbol have both symbols; every purpose
//   of a line reads to such a factor or to none.
#include <map>
#include <string>

#include "exchange/action_lists.h"
#include "exchange/price_factor.h"
#include "app/operations.h"
#include "fakes.h"
#include "histories/scrip_wise.h"
#include "reference.h"

namespace quillon::fuzz {
namespace {

void fuzz_day_file(std::string_view text) {
  static testing::MemoryPlatform tp;
  tp.disk.files.clear();
  tp.disk.folders.clear();
  tp.messages.shown.clear();
  tp.disk.put("/s/day.csv", std::string(text));
  tp.disk.make_folders("/d");
  tp.disk.make_folders("/e");
  WindowModel dated, wise;
  for (WindowModel* w : {&dated, &wise}) w->txtSourceFolder = "/s", w->rbSource = kSourceFolder;
  dated.txtDestFolder = "/d", wise.txtDestFolder = "/e", wise.rbScripWise = true;
  fOutput(dated, tp.platform);
  const bool dated_failed = !tp.messages.shown.empty();
  tp.messages.shown.clear();
  fOutput(wise, tp.platform);
  for (const auto& [path, data] : tp.disk.files)
    FUZZ_CHECK(path == "/s/day.csv" || path.starts_with("/d/") || path.starts_with("/e/"), path);
  if (!tp.messages.shown.empty()) {
    const std::string& m = tp.messages.shown.front();
    FUZZ_CHECK(dated_failed || m.find("' is not a date") != std::string::npos || m.find(": the row has no ") != std::string::npos, m);
    FUZZ_CHECK(m.ends_with(" No symbol file was written."), m);
    for (const auto& [path, data] : tp.disk.files) FUZZ_CHECK(!path.starts_with("/e/"), path);
    return;
  }
  FUZZ_CHECK(!dated_failed, "the scrip-wise run took a file the date-wise one refused");
  if (tp.disk.files["/e/renames.csv"] != "old_symbol,new_symbol,first_date\r\n") return;
  // The date-wise records by symbol and date, the last of a day counting.
  std::map<std::string, std::map<std::string, std::string>> by_symbol;
  for (const std::string& record : lines_of(tp.disk.files["/d/day_DX.txt"])) {
    const size_t comma = record.find(',');
    by_symbol[record.substr(0, comma)][record.substr(comma + 1, 8)] = record;
  }
  size_t files = 0;
  for (const auto& [symbol, days] : by_symbol) {
    std::string want;
    for (const auto& [day, record] : days) want += record + "\r\n";
    const std::string path = "/e/" + history_file_name(symbol);
    FUZZ_CHECK(tp.disk.files.count(path) && tp.disk.files[path] == want, symbol + "\n" + tp.disk.files[path] + "\nwant\n" + want);
    ++files;
  }
  // Beside them the two lists and the record of the run.
  FUZZ_CHECK(tp.disk.files.size() == 1 + (tp.disk.files.count("/d/day_DX.txt") ? 1 : 0) + files + 3, "other files");
}

void fuzz_action_list(std::string_view text) {
  ActionLists lists;
  read_action_list("a.csv", text, lists);
  for (const ActionRecord& r : lists.records) {
    FUZZ_CHECK(!r.symbol.empty() && is_valid_date(r.ex_date.year, r.ex_date.month, r.ex_date.day), r.symbol);
    FUZZ_CHECK(std::isfinite(r.factor) && r.factor > 0 && r.factor != 1, r.purpose);
  }
  for (const SymbolChange& c : lists.changes)
    FUZZ_CHECK(!c.old_symbol.empty() && !c.new_symbol.empty() && is_valid_date(c.date.year, c.date.month, c.date.day),
               c.old_symbol);
  for (const std::string& line : lists.skipped) FUZZ_CHECK(line.starts_with("a.csv"), line);
  for (const std::string& line : lines_of(text)) {
    const PriceFactor f = price_factor_of(line);
    FUZZ_CHECK(f.kind == PriceFactor::Kind::event ? std::isfinite(f.factor) && f.factor > 0 && f.factor != 1 : f.factor == 1,
               line);
  }
}

}  // namespace
}  // namespace quillon::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 2 == 0) quillon::fuzz::fuzz_day_file(text);
  else quillon::fuzz::fuzz_action_list(text);
  return 0;
}
