// fOutput on one fuzzed Bhavcopy file (folder mode, symbol length 10).
#include <charconv>

#include "app/operations.h"
#include "bhavcopy/bhavcopy_convert.h"
#include "bhavcopy/bhavcopy_layouts.h"
#include "converter_fuzz.h"

using namespace quillon;
using namespace quillon::fuzz;

namespace {

// The named layouts (UDiFF, full with delivery) are read by the converter's
// own reader: here only the run's all-or-nothing output is checked for them.
Expected named_layout(std::string_view data, const DateReader& dates) {
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

Expected reference(std::string_view data, const DateReader& dates) {
  if (bhavcopy_layout(data) != BhavcopyLayout::kPositional) return named_layout(data, dates);
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

const ConverterUnderTest kBhavcopy{
    "fOutput: ", "cm31JAN2008bhav.csv", "cm31JAN2008bhav_DX.txt",
    "Extract of Data from BhavCopy is done....!",
    [](WindowModel& w) { w.rbSource = kSourceFolder; },
    [](WindowModel& w, Platform& p) { fOutput(w, p); }, reference};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_one_conversion(kBhavcopy, data, size);
  return 0;
}
