// One converter on one fuzzed input file, built as three targets:
// fuzz_bhavcopy (fOutput, folder mode, symbol length 10), fuzz_index
// (fConvertIndex on INDEX_NIFTY.csv) and fuzz_scrip (fConvertScrip, the scrip
// box holding "infy"); QUILLON_FUZZ_CONVERTER names the one.
//
// The input is converted as the Convert command does, over the in-memory
// disk, and the outcome checked against the plain rules of reference.h:
// - success: the output file holds exactly the expected records, its path is
//   queued once and the completion line is in the status box;
// - failure: one message with the operation's prefix, the input file and the
//   failing line; the earlier output is untouched, nothing is queued and the
//   status box stays empty;
// - nothing else is ever written.
#include <charconv>
#include <functional>
#include <string>

#include "app/operations.h"
#include "exchange/bhavcopy_layouts.h"
#include "exchange/bse_files.h"
#include "fakes.h"
#include "reference.h"

namespace quillon::fuzz {
namespace {

// The message prefix ("fOutput: "), the file written in the source folder,
// the file expected in the destination folder, the completion line.
struct ConverterUnderTest {
  const char *prefix, *input_name, *output_name, *status_line;
  std::function<void(WindowModel&, Platform&)> run;  // sets its boxes, converts
  std::function<Expected(std::string_view data, const DateReader&)> reference;
};

void fuzz_one_conversion(const ConverterUnderTest& c, const uint8_t* data, size_t size) {
  static testing::MemoryPlatform tp;
  const std::string input = std::string("/s/") + c.input_name, output = std::string("/d/") + c.output_name,
                    earlier = "earlier complete copy\r\n";
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  tp.disk.files.clear();
  tp.disk.put(input, std::string(text));
  tp.disk.put(output, earlier);
  tp.messages.shown.clear();
  WindowModel w;
  w.txtSourceFolder = "/s";
  w.txtDestFolder = "/d";
  c.run(w, tp.platform);

  const DateReader dates(tp.date_pattern.pattern);
  const Expected want = c.reference(text, dates);
  const std::string got = tp.disk.files[output];
  FUZZ_CHECK(tp.disk.files.size() == 2, "other files were written");
  if (want.ok) {
    FUZZ_CHECK(tp.messages.shown.empty(), tp.messages.shown.front());
    FUZZ_CHECK(got == want.output, "got\n" + got + "\nwant\n" + want.output);
    FUZZ_CHECK(w.colAmiFiles == std::vector<std::string>{output}, "queue");
    FUZZ_CHECK(w.Text1.text() == std::string("\r\n") + c.status_line, w.Text1.text());
  } else {
    FUZZ_CHECK(tp.messages.shown.size() == 1, "one message expected");
    const std::string& m = tp.messages.shown.front();
    std::string head = std::string(c.prefix) + input + ", ";
    if (want.failing_line > 0) head += "line " + std::to_string(want.failing_line) + ": ";
    FUZZ_CHECK(m.rfind(head, 0) == 0, m + "\nexpected to begin with\n" + head);
    FUZZ_CHECK(m.find(output + " was not written.") != std::string::npos, m);
    FUZZ_CHECK(got == earlier, "the earlier output was changed");
    FUZZ_CHECK(w.colAmiFiles.empty(), "queue");
    FUZZ_CHECK(w.Text1.text().empty(), w.Text1.text());
  }
}

// The named layouts (but for the UDiFF header as published, above) are read
// by the converter's own reader: for them only the run's all-or-nothing
// output is checked.
Expected named_layout_records(std::string_view data, const DateReader& dates) {
  Expected e;
  try {
    append_bhavcopy_records(data, 10.0, "10", dates, e.output);
  } catch (const Error& err) {
    const std::string_view m = err.what();  // "line N: ..."
    e = {false, 0, {}};
    std::from_chars(m.data() + 5, m.data() + m.size(), e.failing_line);
  }
  return e;
}

// Rows after the UDiFF header (line 1), NSE's or BSE's: a row whose Src is
// BSE is kept when it is STK, its group not F or G, its ISIN starting INE,
// any other row when its series is EQ or BE; a kept row of fewer than 25
// fields, or whose date or a number cannot be read, fails.
Expected udiff_records(std::string_view rows, const DateReader& dates) {
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

Expected bhavcopy_records(std::string_view data, const DateReader& dates) {
  const std::string udiff_header = std::string(kUdiffHeader) + "\n";
  if (data.starts_with(udiff_header)) return udiff_records(data.substr(udiff_header.size()), dates);
  if (bhavcopy_layout(data) != BhavcopyLayout::kPositional) return named_layout_records(data, dates);
  if (data.starts_with("\xEF\xBB\xBF")) data.remove_prefix(3);  // a byte-order mark is no symbol
  Expected e;
  size_t n = 0;
  for (const std::string& line : lines_of(data)) {
    ++n;
    auto f = fields_of(line);
    if (f.size() < 11 || f[8] == "TOTTRDQTY" || (f[1] != "EQ" && f[1] != "BE")) continue;
    auto rec = record_of(f[0].substr(0, 10), f[10], {f[2], f[3], f[4], f[5], f[8]}, dates);
    if (!rec) return {false, n, {}};
    e.output += *rec + "\r\n";
  }
  return e;
}

// A history file (index or scrip): a header line, then rows of `min` to
// `max` fields (more: skipped; fewer: the run stops), each made into a record.
template <size_t min, size_t max, class Record>
Expected history_records(std::string_view data, Record record) {
  Expected e;
  auto lines = lines_of(data);
  if (lines.empty()) return {false, 0, {}};
  for (size_t n = 2; n <= lines.size(); ++n) {
    auto f = fields_of(lines[n - 1]);
    if (f.size() > max) continue;
    auto rec = f.size() < min ? std::nullopt : record(f);
    if (!rec) return {false, n, {}};
    e.output += *rec + "\r\n";
  }
  return e;
}
Expected index_records(std::string_view data, const DateReader& dates) {
  return history_records<5, 6>(data, [&](const auto& f) {
    auto rec = record_of("NIFTY", f[0], {f[1], f[2], f[3], f[4]}, dates);
    return rec ? std::optional(*rec + ",0") : rec;
  });
}
Expected scrip_records(std::string_view data, const DateReader& dates) {
  return history_records<9, 11>(
      data, [&](const auto& f) { return record_of(f[0], f[2], {f[4], f[5], f[6], f[7], f[8]}, dates); });
}

const struct {
  ConverterUnderTest bhavcopy, index, scrip;
} kConverters{
    {"fOutput: ", "cm31JAN2008bhav.csv", "cm31JAN2008bhav_DX.txt",
     "Extract of Data from BhavCopy is done....!",
     [](WindowModel& w, Platform& p) { w.rbSource = kSourceFolder; fOutput(w, p); }, bhavcopy_records},
    {"fConvertIndex: ", "INDEX_NIFTY.csv", "INDEX_NIFTY_DX.txt",
     "Extract of Index Data from BhavCopy is done....!",
     [](WindowModel& w, Platform& p) { fConvertIndex(w, p); }, index_records},
    {"fConvertScrip: ", "5120082032008INFYXN.csv", "5120082032008INFYXN_DX.txt",
     "Extract of Scrip Data from BhavCopy is done....!",
     [](WindowModel& w, Platform& p) { w.txtScrip = "infy"; fConvertScrip(w, p); }, scrip_records}};

}  // namespace
}  // namespace quillon::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quillon::fuzz::fuzz_one_conversion(quillon::fuzz::kConverters.QUILLON_FUZZ_CONVERTER, data, size);
  return 0;
}
