// The number reader and the date field of the EOD record on any text.
// A number accepted is written exactly as printf's "%.15g" would write the
// double it reads as (at most 15 significant digits, no "-0"), reading that
// text again gives the same text and the same double, and exactly the texts
// of decimal-number syntax with a finite value are accepted. The date field
// gives eight digits for a date, otherwise a 32-bit whole number.
#include <charconv>

#include "base/records.h"
#include "reference.h"

using namespace quillon;
using namespace quillon::fuzz;

namespace {

// Digits of the mantissa from the first non-zero one on.
size_t significant_digits(std::string_view s) {
  std::string_view mantissa = s.substr(0, s.find_first_of("eE"));
  size_t count = 0;
  bool started = false;
  for (char c : mantissa) {
    if (!digit(c)) continue;
    started = started || c != '0';
    if (started) ++count;
  }
  return count;
}

double value_of(const std::string& s) {
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  FUZZ_CHECK(ec == std::errc() && end == s.data() + s.size(), "the output does not read: " + s);
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  std::string out = "x";  // appended to, never replaced
  const bool ok = append_number(out, text);
  const auto want = number_form(text);
  FUZZ_CHECK(ok == want.has_value(), "'" + text + "' accepted: " + std::to_string(ok));
  if (ok) {
    out.erase(0, 1);
    FUZZ_CHECK(out == *want, "'" + text + "' gave " + out + ", want " + *want);
    FUZZ_CHECK(out != "-0" && out.rfind("-0e", 0) != 0, out);
    FUZZ_CHECK(significant_digits(out) <= 15, out);
    std::string again;
    FUZZ_CHECK(append_number(again, out) && again == out, out + " re-read as " + again);
    FUZZ_CHECK(value_of(again) == value_of(out), out);
  } else {
    FUZZ_CHECK(out == "x", "a rejected text appended " + out);
  }

  static const DateReader dates("dd/MM/yyyy");
  std::string date = "x";
  const bool date_ok = append_date_field(date, text, dates);
  const auto want_date = date_form(text, dates);
  FUZZ_CHECK(date_ok == want_date.has_value(), "date '" + text + "'");
  if (date_ok) FUZZ_CHECK(date == "x" + *want_date, "date '" + text + "' gave " + date);
  else FUZZ_CHECK(date == "x", "a rejected date appended " + date);
  return 0;
}
