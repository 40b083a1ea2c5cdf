// BSE's daily file on fuzzed input, checked against the plain rules below
// (written without the program's reader). The fuzzed bytes are:
// - the rows after BSE's 34-column header, converted as the Convert command
//   converts BSE_2024_07_08.csv in folder mode: a row whose Src is BSE is
//   kept when it is STK, its group not F or G, its ISIN starting INE, any
//   other row when its series is EQ or BE; a kept row of fewer than 25
//   fields, or whose date or a number cannot be read, stops the run naming
//   the file and the line, the earlier output whole; else the output holds
//   exactly the kept rows' records;
// - with and without that header, an answer of BSE's host for 8 July 2024:
//   taken exactly when its first line is the header (names in any letter
//   case, blanks around them, Rsvd01 for Rsvd1..., one trailing comma), some
//   row follows and every row is dated 2024-07-08; else refused saying why.
#include <string>

#include "app/operations.h"
#include "exchange/bse_files.h"
#include "fakes.h"
#include "reference.h"

namespace quillon::fuzz {
namespace {

std::string at(const std::vector<std::string>& f, size_t i) { return i < f.size() ? std::string(trim(f[i])) : ""; }

// The records of the rows (the header being line 1), or the failing line.
Expected bse_records(std::string_view rows, const DateReader& dates) {
  Expected e;
  size_t n = 1;
  for (const std::string& line : lines_of(rows)) {
    const std::vector<std::string> f = fields_of(line);
    const std::string group = at(f, 8);
    ++n;
    if (at(f, 3) == "BSE" ? at(f, 4) != "STK" || group == "F" || group == "G" || !at(f, 6).starts_with("INE")
                          : group != "EQ" && group != "BE")
      continue;
    const std::optional<Date> d = f.size() < 25 ? std::nullopt : dates.parse(at(f, 0));
    auto rec = d ? record_of(at(f, 7).substr(0, 10), std::to_string(d->year * 10000 + d->month * 100 + d->day),
                             {f[14], f[15], f[16], f[17], f[24]}, dates)
                 : std::nullopt;
    if (!rec) return {false, n, {}};
    e.output += *rec + "\r\n";
  }
  return e;
}

void check_conversion(std::string_view rows) {
  static testing::MemoryPlatform tp;
  const std::string input = "/s/BSE_2024_07_08.csv", output = "/d/BSE_2024_07_08_DX.txt", earlier = "earlier\r\n";
  tp.disk.files.clear();
  tp.disk.put(input, std::string(kUdiffHeader) + "\n" + std::string(rows));
  tp.disk.put(output, earlier);
  tp.messages.shown.clear();
  WindowModel w;
  w.txtSourceFolder = "/s", w.txtDestFolder = "/d", w.rbSource = kSourceFolder;
  fOutput(w, tp.platform);
  const Expected want = bse_records(rows, DateReader(tp.date_pattern.pattern));
  const std::string head = "fOutput: " + input + ", line " + std::to_string(want.failing_line) + ": ";
  FUZZ_CHECK(tp.disk.files.size() == 2, "other files were written");
  FUZZ_CHECK(tp.disk.files[output] == (want.ok ? want.output : earlier), tp.disk.files[output]);
  FUZZ_CHECK(tp.messages.shown.size() == !want.ok, "one message on a failure, else none");
  if (!want.ok) FUZZ_CHECK(tp.messages.shown[0].starts_with(head), tp.messages.shown[0] + "\nwant\n" + head);
}

// The start of the reason an answer is refused with; empty when it is taken.
std::string refusal(std::string_view body) {
  if (body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
  const std::vector<std::string> lines = lines_of(body);
  std::vector<std::string> got = fields_of(lines.empty() ? "" : lines[0]), want = fields_of(std::string(kUdiffHeader));
  if (got.size() == 35 && trim(got.back()).empty()) got.pop_back();
  for (size_t i = 0; i < 34; ++i) {
    const std::string g = i < got.size() ? upper_ascii(trim(got[i])) : "";
    if (got.size() != 34 || (g != upper_ascii(want[i]) && (i < 30 || g != "RSVD0" + std::to_string(i - 29))))
      return "The answer does not start with the header of BSE's day file: ";
  }
  size_t rows = 0;
  for (size_t n = 2; n <= lines.size(); ++n)
    if (!trim(lines[n - 1]).empty() && ++rows && at(fields_of(lines[n - 1]), 0) != "2024-07-08")
      return "The row on line " + std::to_string(n) + " is dated '";
  return rows ? "" : "BSE's day file holds no row.";
}

void check_answer(std::string_view body) {
  const std::optional<std::string> got = bse_day_file_fault(body, {2024, 7, 8});
  const std::string want = refusal(body);
  FUZZ_CHECK(got.value_or("").starts_with(want) && got.has_value() == !want.empty(),
             got.value_or("taken") + "\nwant\n" + want);
}

}  // namespace
}  // namespace quillon::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view rows(reinterpret_cast<const char*>(data), size);
  quillon::fuzz::check_conversion(rows);
  quillon::fuzz::check_answer(rows);
  quillon::fuzz::check_answer(std::string(quillon::kUdiffHeader) + "\r\n" + std::string(rows));
  return 0;
}
