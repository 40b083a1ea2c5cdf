// The addresses of the exchange's daily files on its archive host, after the
// base address (--exchange-url).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/dates.h"

namespace quillon {

// Which addresses the downloads ask for. current: the archive host as the
// exchange runs it today (zipped day files, the daily close of all indices,
// histories built from the day files). legacy: the pages and files of the
// exchange's old site, for mirrors of it (the program's earlier behaviour).
enum class ExchangeLayout { current, legacy };

// Whose daily file: the exchange's (NSE) or BSE's (bse_files.h).
enum class Exchange { nse, bse };

// "current" or "legacy" as the option and the settings file write it;
// nothing for any other text (letter case ignored).
std::optional<ExchangeLayout> parse_exchange_layout(std::string_view text);

// The first day of the UDiFF common Bhavcopy; the old daily file ends the
// trading day before.
inline constexpr Date kUdiffFirstDay{2024, 7, 8};

// The zipped daily Bhavcopy of a day: before kUdiffFirstDay the old file
// /content/historical/EQUITIES/YYYY/MON/cmDDMONYYYYbhav.csv.zip, from then
// /content/cm/BhavCopy_NSE_CM_0_0_0_YYYYMMDD_F_0000.csv.zip.
std::string daily_bhavcopy_address(std::string_view base, const Date& day);

// base + "/content/historical/EQUITIES/2008/JAN/cm31JAN2008bhav.csv": the
// old site's plain daily file (legacy layout).
std::string bhavcopy_address(const std::string& base, const Date& day);

// "2008_01_31.csv": a day's Bhavcopy in the source folder.
std::string bhavcopy_file_name(const Date& day);

// The zipped F&O Bhavcopy of a day: before kUdiffFirstDay (or always with
// `old_site_only`) /content/historical/DERIVATIVES/YYYY/MON/foDDMONYYYYbhav.csv.zip,
// from then /content/fo/BhavCopy_NSE_FO_0_0_0_YYYYMMDD_F_0000.csv.zip.
std::string daily_fo_address(std::string_view base, const Date& day, bool old_site_only = false);

// The daily close of all indices as published: ind_close_all_DDMMYYYY.csv.
std::string index_day_file_name(const Date& day);

// base + /content/indices/ + index_day_file_name(day).
std::string index_day_address(std::string_view base, const Date& day);

// The header every daily index file starts with.
inline constexpr std::string_view kIndexDayHeader =
    "Index Name,Index Date,Open Index Value,High Index Value,Low Index Value,"
    "Closing Index Value,Points Change,Change(%),Volume,Turnover (Rs. Cr.),P/E,P/B,Div Yield";

// Whether a body is a daily index file: its first line (after a byte-order
// mark) is the published header, blanks around the names and letter case
// aside.
bool is_index_day_file(std::string_view body);

}  // namespace quillon
