// BSE's daily equity file, published since 8 July 2024 in the 34 columns of
// the exchange's UDiFF file, plain (not zipped), its rows with Src "BSE":
// its address on BSE's host, its name in the source folder, the headers
// BSE's host wants, the check that an answer is the file of the day asked
// for, and which of its rows are equity shares.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/dates.h"

namespace quillon {

// The first day of BSE's file; older days are not asked for.
inline constexpr Date kBseFirstDay{2024, 7, 8};

// The Src value of BSE's rows.
inline constexpr std::string_view kBseSource = "BSE";

// The header of the UDiFF file, which BSE's file shares.
inline constexpr std::string_view kUdiffHeader =
    "TradDt,BizDt,Sgmt,Src,FinInstrmTp,FinInstrmId,ISIN,TckrSymb,SctySrs,XpryDt,"
    "FininstrmActlXpryDt,StrkPric,OptnTp,FinInstrmNm,OpnPric,HghPric,LwPric,ClsPric,LastPric,"
    "PrvsClsgPric,UndrlygPric,SttlmPric,OpnIntrst,ChngInOpnIntrst,TtlTradgVol,TtlTrfVal,"
    "TtlNbOfTxsExctd,SsnId,NewBrdLotQty,Rmks,Rsvd1,Rsvd2,Rsvd3,Rsvd4";

// base + "/download/BhavCopy/Equity/BhavCopy_BSE_CM_0_0_0_20240708_F_0000.CSV".
std::string bse_day_address(std::string_view base, const Date& day);

// The status line of a run whose range starts before kBseFirstDay: "BSE's
// files of the days before 08/07/2024 are not downloaded." (the regional
// date form).
std::string bse_older_days_line(const std::string& date_pattern);

// "BSE_2024_07_08.csv": BSE's file of a day in the source folder.
std::string bse_day_file_name(const Date& day);

// The header lines of every request to BSE's host (the User-Agent is the
// fetcher's own, a browser's): the Referer of BSE's own pages.
std::vector<std::string> bse_request_headers();

// Why `body` is not BSE's file of `day`, as a whole sentence; nothing when
// it is. It is when its first line (after a byte-order mark) is the
// 34-column header (names in any letter case and with blanks around them,
// the reserved ones also spelled Rsvd01 to Rsvd04, a trailing comma allowed)
// and it holds at least one row, every row (blank lines aside) dated `day`
// in its TradDt column (YYYY-MM-DD).
std::optional<std::string> bse_day_file_fault(std::string_view body, const Date& day);

// Whether a row of BSE's file (values trimmed) is an equity share the
// program keeps: instrument type STK, group not F (debt) or G (government
// securities for retail), ISIN starting INE (not INF fund units, not the
// government's IN0 to IN4).
bool is_bse_equity(std::string_view instrument, std::string_view group, std::string_view isin);

}  // namespace quillon
