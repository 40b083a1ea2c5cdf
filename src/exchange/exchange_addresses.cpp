#include "exchange/exchange_addresses.h"

#include <algorithm>
#include <vector>

#include "base/csv_columns.h"
#include "base/text.h"

namespace quillon {

std::optional<ExchangeLayout> parse_exchange_layout(std::string_view text) {
  if (equal_ignoring_ascii_case(text, "current")) return ExchangeLayout::current;
  if (equal_ignoring_ascii_case(text, "legacy")) return ExchangeLayout::legacy;
  return std::nullopt;
}

std::string daily_bhavcopy_address(std::string_view base, const Date& day) {
  std::string a(base);
  if (day >= kUdiffFirstDay)
    return a + "/content/cm/BhavCopy_NSE_CM_0_0_0_" + format_date(day, "yyyyMMdd") +
           "_F_0000.csv.zip";
  const std::string mon(month_abbrev(day.month));
  const std::string year = format_date(day, "yyyy");
  return a + "/content/historical/EQUITIES/" + year + "/" + mon + "/cm" +
         format_date(day, "dd") + mon + year + "bhav.csv.zip";
}

std::string bhavcopy_address(const std::string& base, const Date& day) {
  const std::string_view mon = month_abbrev(day.month);
  const std::string year = format_date(day, "yyyy");
  std::string a = base;
  a.append("/content/historical/EQUITIES/").append(year).append("/").append(mon);
  a.append("/cm").append(format_date(day, "dd")).append(mon).append(year).append("bhav.csv");
  return a;
}

std::string bhavcopy_file_name(const Date& day) { return format_date(day, "yyyy_MM_dd") + ".csv"; }

std::string daily_fo_address(std::string_view base, const Date& day, bool old_site_only) {
  std::string a(base);
  if (day >= kUdiffFirstDay && !old_site_only)
    return a + "/content/fo/BhavCopy_NSE_FO_0_0_0_" + format_date(day, "yyyyMMdd") + "_F_0000.csv.zip";
  const std::string mon(month_abbrev(day.month));
  const std::string year = format_date(day, "yyyy");
  return a + "/content/historical/DERIVATIVES/" + year + "/" + mon + "/fo" + format_date(day, "dd") + mon + year +
         "bhav.csv.zip";
}

std::string index_day_file_name(const Date& day) {
  return "ind_close_all_" + format_date(day, "ddMMyyyy") + ".csv";
}

std::string index_day_address(std::string_view base, const Date& day) {
  return std::string(base) + "/content/indices/" + index_day_file_name(day);
}

bool is_index_day_file(std::string_view body) {
  std::vector<std::string_view> got, want;
  split_line(first_line(body), got);
  split_line(kIndexDayHeader, want);
  return got.size() >= want.size() &&
         std::equal(want.begin(), want.end(), got.begin(),
                    [](std::string_view w, std::string_view g) {
                      return equal_ignoring_ascii_case(w, trim(g));
                    });
}

}  // namespace quillon
