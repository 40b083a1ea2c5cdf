// fConvertScrip on one fuzzed scrip file, the scrip box holding "infy".
#include "converter_fuzz.h"
#include "scrip/scrip_convert.h"

using namespace quillon;
using namespace quillon::fuzz;

namespace {

Expected reference(std::string_view data, const DateReader& dates) {
  Expected e;
  auto lines = lines_of(data);
  if (lines.empty()) return {false, 0, {}};
  for (size_t n = 2; n <= lines.size(); ++n) {
    auto f = fields_of(lines[n - 1]);
    if (f.size() > 11) continue;
    if (f.size() < 9) return {false, n, {}};
    auto rec = record_of(f[0], f[2], {f[4], f[5], f[6], f[7], f[8]}, dates);
    if (!rec) return {false, n, {}};
    e.output += *rec + "\r\n";
  }
  return e;
}

const ConverterUnderTest kScrip{
    "fConvertScrip: ", "5120082032008INFYXN.csv", "5120082032008INFYXN_DX.txt",
    "Extract of Scrip Data from BhavCopy is done....!",
    [](WindowModel& w) { w.txtScrip = "infy"; },
    [](WindowModel& w, Platform& p) { fConvertScrip(w, p); }, reference};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_one_conversion(kScrip, data, size);
  return 0;
}
