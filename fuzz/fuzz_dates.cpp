// The regional date parser on any text and any pattern: a date it returns is
// a real calendar date; what the program pre-fills into the date boxes reads
// back as that day whatever the pattern; a date written with a regional
// pattern of a locale reads back as the same date.
#include <fuzzer/FuzzedDataProvider.h>

#include <iterator>

#include "reference.h"
#include "base/dates.h"

using namespace quillon;
using namespace quillon::fuzz;

namespace {

// Short-date patterns of locales as Qt gives them.
constexpr const char* kRegionalPatterns[] = {
    "dd/MM/yyyy", "M/d/yy",     "yyyy-MM-dd", "dd.MM.yy",   "d MMM yyyy", "d.M.yyyy",
    "dd-MMM-yy",  "M/d/yyyy",   "d/M/yy",     "dd-MM-yyyy", "yyyy/MM/dd", "yy/MM/dd",
    "dd/MM/yy",   "d/M/yyyy",   "dd.MM.yyyy", "yyyy/M/d",   "d-M-yyyy",   "MM/dd/yyyy"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const size_t which = in.ConsumeIntegralInRange<size_t>(0, std::size(kRegionalPatterns));
  const std::string pattern = which < std::size(kRegionalPatterns)
                                  ? std::string(kRegionalPatterns[which])
                                  : in.ConsumeRandomLengthString(24);
  Date day;
  day.year = in.ConsumeIntegralInRange(1, 9999);
  day.month = in.ConsumeIntegralInRange(1, 12);
  day.day = in.ConsumeIntegralInRange(1, days_in_month(day.year, day.month));
  LocalDateTime now{day.year, day.month, day.day, in.ConsumeIntegralInRange(0, 23),
                    in.ConsumeIntegralInRange(0, 59), in.ConsumeIntegralInRange(0, 59)};
  const std::string text = in.ConsumeRemainingBytesAsString();
  const std::string shown = std::to_string(day.year) + "-" + std::to_string(day.month) + "-" + std::to_string(day.day);
  const DateReader reader(pattern);

  if (auto d = reader.parse(text))
    FUZZ_CHECK(is_valid_date(d->year, d->month, d->day),
               "'" + text + "' gave (yyyymmdd) " + std::to_string(d->year * 10000 + d->month * 100 + d->day));

  const std::string box =
      prefill_date(now, choose_date_format(pattern), date_separator(pattern));
  auto back = reader.parse(box);
  FUZZ_CHECK(back && *back == day, "pattern '" + pattern + "': pre-fill '" + box +
                                       "' does not read back as " + shown);

  if (which < std::size(kRegionalPatterns)) {
    const bool two_digit_year = pattern.find("yyyy") == std::string::npos;
    if (!two_digit_year || (day.year >= 1930 && day.year <= 2029)) {
      const std::string written = format_date(day, pattern);
      auto read = reader.parse(written);
      FUZZ_CHECK(read && *read == day,
                 pattern + ": '" + written + "' does not read back as " + shown);
    }
  }
  return 0;
}
