// An answer of BSE's host for 8 July 2024 on fuzzed input, with and without
// BSE's 34-column header before it, checked against a plain reading of the
// rule (written without the program's check): taken exactly when its first
// line is the header (names in any letter case, blanks around them, Rsvd01
// for Rsvd1..., one trailing comma), some row follows and every row is dated
// 2024-07-08; else refused saying why. (BSE's rows converted: fuzz_bhavcopy.)
#include <string>

#include "base/text.h"
#include "exchange/bse_files.h"
#include "reference.h"

namespace quillon::fuzz {
namespace {

// The start of the reason an answer is refused with; empty when it is taken.
std::string refusal(std::string_view body) {
  if (body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
  const std::vector<std::string> lines = lines_of(body);
  std::vector<std::string> got = fields_of(lines.empty() ? "" : lines[0]), want = fields_of(std::string(kUdiffHeader));
  if (got.size() == 35 && trim(got.back()).empty()) got.pop_back();
  for (size_t i = 0; i < 34; ++i) {
    const std::string g = i < got.size() ? upper_ascii(trim(got[i])) : "";
    if (got.size() != 34 || (g != upper_ascii(want[i]) && (i < 30 || g != "RSVD0" + std::to_string(i - 29))))
      return "The answer does not start with the header of BSE's day file: ";
  }
  size_t rows = 0;
  for (size_t n = 2; n <= lines.size(); ++n)
    if (!trim(lines[n - 1]).empty() && ++rows && at(fields_of(lines[n - 1]), 0) != "2024-07-08")
      return "The row on line " + std::to_string(n) + " is dated '";
  return rows ? "" : "BSE's day file holds no row.";
}

void check_answer(std::string_view body) {
  const std::optional<std::string> got = bse_day_file_fault(body, {2024, 7, 8});
  const std::string want = refusal(body);
  FUZZ_CHECK(got.value_or("").starts_with(want) && got.has_value() == !want.empty(),
             got.value_or("taken") + "\nwant\n" + want);
}

}  // namespace
}  // namespace quillon::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view rows(reinterpret_cast<const char*>(data), size);
  quillon::fuzz::check_answer(rows);
  quillon::fuzz::check_answer(std::string(quillon::kUdiffHeader) + "\r\n" + std::string(rows));
  return 0;
}
