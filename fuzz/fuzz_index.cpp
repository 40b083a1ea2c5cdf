// fConvertIndex on one fuzzed index file INDEX_NIFTY.csv.
#include "converter_fuzz.h"
#include "indices/index_convert.h"

using namespace quillon;
using namespace quillon::fuzz;

namespace {

Expected reference(std::string_view data, const DateReader& dates) {
  Expected e;
  auto lines = lines_of(data);
  if (lines.empty()) return {false, 0, {}};
  for (size_t n = 2; n <= lines.size(); ++n) {
    auto f = fields_of(lines[n - 1]);
    if (f.size() > 6) continue;
    if (f.size() < 5) return {false, n, {}};
    auto rec = record_of("NIFTY", f[0], {f[1], f[2], f[3], f[4]}, dates);
    if (!rec) return {false, n, {}};
    e.output += *rec + ",0\r\n";
  }
  return e;
}

const ConverterUnderTest kIndex{
    "fConvertIndex: ", "INDEX_NIFTY.csv", "INDEX_NIFTY_DX.txt",
    "Extract of Index Data from BhavCopy is done....!", [](WindowModel&) {},
    [](WindowModel& w, Platform& p) { fConvertIndex(w, p); }, reference};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_one_conversion(kIndex, data, size);
  return 0;
}
