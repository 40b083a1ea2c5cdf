#include "exchange/bse_files.h"

#include "base/csv_columns.h"
#include "base/records.h"
#include "base/text.h"
#include "calendar/day_files.h"
#include "platform/zip_reader.h"

namespace quillon {

namespace {

constexpr size_t kUdiffColumns = 34;
constexpr size_t kFirstReserved = 30;  // Rsvd1 to Rsvd4 after it

// Whether `line` is the 34-column header.
bool is_udiff_header(std::string_view line) {
  std::string_view got[kUdiffColumns + 2], want[kUdiffColumns];
  size_t count = split_fields(line, got, kUdiffColumns + 2);
  if (count == kUdiffColumns + 1 && trim(got[kUdiffColumns]).empty()) --count;  // a trailing comma
  split_fields(kUdiffHeader, want, kUdiffColumns);
  if (count != kUdiffColumns) return false;
  for (size_t i = 0; i < kUdiffColumns; ++i) {
    const std::string_view g = trim(got[i]);
    const std::string alternative = i >= kFirstReserved ? "Rsvd0" + std::to_string(i - kFirstReserved + 1) : "";
    if (!equal_ignoring_ascii_case(g, want[i]) && !equal_ignoring_ascii_case(g, alternative)) return false;
  }
  return true;
}

}  // namespace

std::string bse_day_address(std::string_view base, const Date& day) {
  return std::string(base) + "/download/BhavCopy/Equity/BhavCopy_BSE_CM_0_0_0_" +
         format_date(day, "yyyyMMdd") + "_F_0000.CSV";
}

std::string bse_older_days_line(const std::string& date_pattern) {
  return "BSE's files of the days before " + format_date(kBseFirstDay, date_pattern) + " are not downloaded.";
}

std::string bse_day_file_name(const Date& day) {
  return std::string(kBseDayFilePrefix) + format_date(day, "yyyy_MM_dd") + ".csv";
}

std::vector<std::string> bse_request_headers() { return {"Referer: https://www.bseindia.com/"}; }

std::optional<std::string> bse_day_file_fault(std::string_view body, const Date& day) {
  LineReader lines(without_bom(body));
  std::string_view line;
  if (!lines.next(line) || !is_udiff_header(line))
    return "The answer does not start with the header of BSE's day file: " + kind_of_body(body) + ".";
  const std::string want = format_date(day, "yyyy-MM-dd");
  bool rows = false;
  while (lines.next(line)) {
    if (trim(line).empty()) continue;
    std::string_view date;
    split_fields(line, &date, 1);
    if (trim(date) != want)
      return "The row on line " + std::to_string(lines.line_number()) + " is dated '" + shown(trim(date)) +
             "', not " + want + ": the answer is not BSE's day file of that day.";
    rows = true;
  }
  if (!rows) return std::string("BSE's day file holds no row.");
  return std::nullopt;
}

bool is_bse_equity(std::string_view instrument, std::string_view group, std::string_view isin) {
  return instrument == "STK" && group != "F" && group != "G" && isin.starts_with("INE");
}

}  // namespace quillon
