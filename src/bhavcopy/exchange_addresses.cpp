#include "bhavcopy/exchange_addresses.h"

namespace quillon {

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

std::string index_day_file_name(const Date& day) {
  return "ind_close_all_" + format_date(day, "ddMMyyyy") + ".csv";
}

std::string index_day_address(std::string_view base, const Date& day) {
  return std::string(base) + "/content/indices/" + index_day_file_name(day);
}

}  // namespace quillon
