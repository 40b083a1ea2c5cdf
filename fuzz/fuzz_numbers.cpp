// The number reader and the date field of the EOD record on any text.
// A number accepted is written exactly as printf's "%.15g" would write the
// double it reads as (at most 15 significant digits, no "-0": the reference
// says so) and reads again as the same text, and exactly the texts of
// decimal-number syntax with a finite value are accepted. The date field
// gives eight digits for a date, otherwise a 32-bit whole number.
#include "base/records.h"
#include "reference.h"

using namespace quillon;
using namespace quillon::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  std::string out = "x";  // appended to, never replaced
  const bool ok = append_number(out, text);
  const auto want = number_form(text);
  FUZZ_CHECK(ok == want.has_value(), "'" + text + "' accepted: " + std::to_string(ok));
  FUZZ_CHECK(out == "x" + want.value_or(""), "'" + text + "' gave " + out + ", want " + want.value_or("nothing"));
  std::string again;
  FUZZ_CHECK(!ok || (append_number(again, out.substr(1)) && again == out.substr(1)), out + " re-read as " + again);

  static const DateReader dates("dd/MM/yyyy");
  std::string date = "x";
  const bool date_ok = append_date_field(date, text, dates);
  const auto want_date = date_form(text, dates);
  FUZZ_CHECK(date_ok == want_date.has_value(), "date '" + text + "'");
  FUZZ_CHECK(date == "x" + want_date.value_or(""), "date '" + text + "' gave " + date);
  return 0;
}
