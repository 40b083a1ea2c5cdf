// fOutput on one fuzzed Bhavcopy file (folder mode, symbol length 10).
#include "bhavcopy/bhavcopy_convert.h"
#include "converter_fuzz.h"

using namespace quillon;
using namespace quillon::fuzz;

namespace {

Expected reference(std::string_view data, const DateReader& dates) {
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
