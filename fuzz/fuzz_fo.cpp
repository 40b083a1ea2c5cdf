// The F&O records on a fuzzed file, with and without open interest: taken
// whole and taken in pieces of a size the input chooses, the records or the
// failure are the same; a file that converts gives records of seven (eight)
// fields each, a contract (<SYMBOL><YY><MON>FUT) or a continuous series
// (-I, -II, -III) on a real date, at most three series a day and
// underlying, by symbol; a failure names line 1 or a line of the file.
#include <fuzzer/FuzzedDataProvider.h>

#include <map>
#include <string>

#include "derivatives/fo_records.h"
#include "reference.h"

using namespace quillon;
using namespace quillon::fuzz;

namespace {

std::string convert(std::string_view text, size_t piece, bool oi, std::string& failure) {
  FoRecords r(oi);
  std::string out;
  try {
    for (size_t at = 0; at < text.size(); at += piece) r.take(text.substr(at, piece));
    r.finish(out);
  } catch (const Error& e) {
    failure = e.what();
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const size_t piece = in.ConsumeIntegralInRange<size_t>(1, 64);
  const bool oi = in.ConsumeBool();
  const std::string text = in.ConsumeRemainingBytesAsString();
  std::string whole_failure, cut_failure;
  const std::string whole = convert(text, text.size() + 1, oi, whole_failure);
  const std::string cut = convert(text, piece, oi, cut_failure);
  FUZZ_CHECK(whole_failure == cut_failure, whole_failure + " | " + cut_failure);
  if (!whole_failure.empty()) {
    FUZZ_CHECK(whole_failure.starts_with("line "), whole_failure);
    return 0;
  }
  FUZZ_CHECK(whole == cut, "pieces of " + std::to_string(piece) + " gave other records");
  std::string previous;
  std::map<std::string, int> series;  // underlying and date -> series
  for (const std::string& record : lines_of(whole)) {
    const auto f = fields_of(record);
    FUZZ_CHECK(f.size() == (oi ? 8u : 7u), record);
    const std::string& symbol = f[0];
    FUZZ_CHECK(symbol >= previous, "records out of order: " + record);
    previous = symbol;
    FUZZ_CHECK(f[1].size() == 8 && is_valid_date(std::stoi(f[1].substr(0, 4)), std::stoi(f[1].substr(4, 2)),
                                                 std::stoi(f[1].substr(6, 2))), record);
    const size_t dash = symbol.rfind('-');
    if (symbol.ends_with("FUT")) continue;
    FUZZ_CHECK(dash != std::string::npos && (symbol.substr(dash) == "-I" || symbol.substr(dash) == "-II" ||
                                             symbol.substr(dash) == "-III"), record);
    FUZZ_CHECK(++series[symbol.substr(0, dash) + "@" + f[1]] <= 3, record);
  }
  return 0;
}
