// The addresses of the exchange's daily files on its archive host, after the
// base address (--exchange-url).
#pragma once

#include <string>
#include <string_view>

#include "base/dates.h"

namespace quillon {

// The first day of the UDiFF common Bhavcopy; the old daily file ends the
// trading day before.
inline constexpr Date kUdiffFirstDay{2024, 7, 8};

// The zipped daily Bhavcopy of a day: before kUdiffFirstDay the old file
// /content/historical/EQUITIES/YYYY/MON/cmDDMONYYYYbhav.csv.zip, from then
// /content/cm/BhavCopy_NSE_CM_0_0_0_YYYYMMDD_F_0000.csv.zip.
std::string daily_bhavcopy_address(std::string_view base, const Date& day);

// The daily close of all indices as published: ind_close_all_DDMMYYYY.csv.
std::string index_day_file_name(const Date& day);

// base + /content/indices/ + index_day_file_name(day).
std::string index_day_address(std::string_view base, const Date& day);

}  // namespace quillon
