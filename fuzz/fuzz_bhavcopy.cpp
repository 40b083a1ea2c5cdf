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
    std::string rec = f[0].substr(0, 10);
    auto date = date_form(f[10], dates);
    if (!date) return {false, n, {}};
    rec += "," + *date;
    for (int k : {2, 3, 4, 5, 8}) {
      auto v = number_form(f[static_cast<size_t>(k)]);
      if (!v) return {false, n, {}};
      rec += "," + *v;
    }
    e.output += rec + "\r\n";
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
