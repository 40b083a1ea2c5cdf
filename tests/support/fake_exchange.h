// The exchange's archive host as it publishes today, for a range of days:
// the old zipped Bhavcopy (to 5 July 2024), the zipped UDiFF Bhavcopy (from
// 2024, back-filled before 8 July 2024), the daily close of all indices
// (from 1 October 2012), the PR bundle of each session with its list of
// corporate actions, the list of symbol changes, and 200 HTML pages for days a blocked client asks
// (the serving fetcher answers anything else with 404 and kNotFoundPage). Rows come from a small symbol table.
// Also BSE's host (fake_bse).
#pragma once

#include <zip.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/dates.h"

namespace quillon::testing {

struct Response { int status = 200; std::string body; };

inline const std::string kNotFoundPage = "<html><head><title>404 Not Found</title></head></html>";
inline const std::string kBlockedPage = "<!DOCTYPE html><html><title>Access Denied</title></html>";

// A zip archive, made in memory, of the given (name, content) members.
inline std::string zip_of(const std::vector<std::pair<std::string, std::string>>& members) {
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, nullptr);
  zip_source_keep(buffer);
  zip_t* z = zip_open_from_source(buffer, ZIP_TRUNCATE, nullptr);
  for (const auto& [name, data] : members)
    zip_file_add(z, name.c_str(), zip_source_buffer(z, data.data(), data.size(), 0), 0);
  zip_close(z);
  zip_stat_t st;
  zip_source_stat(buffer, &st);
  std::string out(st.size, '\0');
  zip_source_open(buffer);
  zip_source_read(buffer, out.data(), st.size);
  zip_source_free(buffer);  // closes it too
  return out;
}

// Weekdays without a session, and days whose files answer 200 with an HTML page.
struct FakeExchangeOptions { std::set<Date> holidays, blocked; };

// Prices of day d in paise: open base+100d, high +150, low -100, close +25,
// previous close -50; volume 1000+d.
struct FakeScrip { const char *symbol, *series; int base; };
inline constexpr FakeScrip kFakeScrips[] = {
    {"RELIANCE", "EQ", 92270}, {"M&M", "EQ", 150000}, {"BAJAJ-AUTO", "BE", 263500},
    {"TCS", "EQ", 402200},     {"TCS", "BL", 400000}, {"NTPC", "N4", 115000}};

// The UDiFF header's columns before the four reserved ones.
inline const std::string kUdiffColumns =
    "TradDt,BizDt,Sgmt,Src,FinInstrmTp,FinInstrmId,ISIN,TckrSymb,SctySrs,XpryDt,"
    "FininstrmActlXpryDt,StrkPric,OptnTp,FinInstrmNm,OpnPric,HghPric,LwPric,ClsPric,LastPric,"
    "PrvsClsgPric,UndrlygPric,SttlmPric,OpnIntrst,ChngInOpnIntrst,TtlTradgVol,TtlTrfVal,"
    "TtlNbOfTxsExctd,SsnId,NewBrdLotQty,Rmks,";
inline const std::string kUdiffHeaderLine = kUdiffColumns + "Rsvd1,Rsvd2,Rsvd3,Rsvd4\n";
// The full Bhavcopy's header (with delivery), as published but for the byte-order mark.
inline const std::string kFullHeaderLine =
    "SYMBOL, SERIES, DATE1, PREV_CLOSE, OPEN_PRICE, HIGH_PRICE, LOW_PRICE, LAST_PRICE, CLOSE_PRICE, AVG_PRICE, "
    "TTL_TRD_QNTY, TURNOVER_LACS, NO_OF_TRADES, DELIV_QTY, DELIV_PER\n";

namespace fake {

inline std::string two(int v) { return std::string(1, char('0' + v / 10)) + char('0' + v % 10); }

// Rupees from paise: "922.70", or as the old file and the index file write it, "922.7".
inline std::string money(int paise, bool fixed) {
  std::string s = std::to_string(paise / 100) + "." + two(paise % 100);
  if (!fixed) s.erase(s.find_last_not_of('0') + (s.ends_with(".00") ? 0 : 1));
  return s;
}

inline std::string row_of(const Date& d, const FakeScrip& s, bool udiff) {
  std::string p[5];  // open, high, low, close, previous close, each with its comma
  for (int i : {0, 1, 2, 3, 4})
    p[i] = money(s.base + 100 * d.day + std::array{0, 150, -100, 25, -50}[i], udiff) + ",";
  const std::string sym = std::string(s.symbol) + "," + s.series + ",", vol = std::to_string(1000 + d.day);
  if (udiff) {
    const std::string day = std::to_string(d.year) + "-" + two(d.month) + "-" + two(d.day) + ",";
    return day + day + "CM,NSE,STK,11536,INE467B01029," + sym + ",,,,NAME," + p[0] + p[1] + p[2] +
           p[3] + "," + p[4] + "," + p[3] + ",," + vol + ",99.5,12,F1,1,,,,,\n";
  }
  std::string stamp = (d.year < 2011 ? std::to_string(d.day) : two(d.day)) + "-" +
                      std::string(month_abbrev(d.month)) + "-" + std::to_string(d.year);
  if (d == Date{2020, 7, 13}) stamp = "13-Jul-20";  // the one file written so
  return sym + p[0] + p[1] + p[2] + p[3] + p[3] + p[4] + vol + ",99.5," + stamp +
         (d >= Date{2011, 6, 22} ? ",12,INE002A01018,\n" : ",\n");
}

// Daily close of all indices: old names before November 2015, the fourth and
// fifth with a close only (and VIX no volume), Nifty IT listed twice.
inline std::string index_file(const Date& d) {
  static const char* const kNames[][2] = {
      {"CNX Nifty", "Nifty 50"}, {"Bank Nifty", "Nifty Bank"}, {"CNX IT", "Nifty IT"},
      {"India VIX", "India VIX"}, {"NIFTY100 Alpha 30", "NIFTY100 Alpha 30"}, {"CNX IT", "Nifty IT"}};
  const std::string sep = d >= Date{2014, 7, 1} && d <= Date{2015, 6, 30} ? "/" : "-";
  const bool month_first = d >= Date{2023, 4, 3} && d <= Date{2023, 4, 5};
  const std::string date = two(month_first ? d.month : d.day) + sep +
                           two(month_first ? d.day : d.month) + sep + std::to_string(d.year);
  std::string f = "Index Name,Index Date,Open Index Value,High Index Value,Low Index Value,"
                  "Closing Index Value,Points Change,Change(%),Volume,Turnover (Rs. Cr.),P/E,"
                  "P/B,Div Yield\r\n";
  auto m = [](int paise) { return money(paise, false) + ","; };
  for (int i = 0; i < 6; ++i) {
    const int close = 2000000 * (i + 1) + d.day * 10;
    f += (d < Date{2013, 1, 1} && i == 0 ? "S&P CNX Nifty" : kNames[i][d >= Date{2015, 11, 1}]) +
         ("," + date + ",") + (i >= 3 ? "-,-,-," : m(close - 500) + m(close + 900) + m(close - 1200)) +
         m(close) + "10.5," + (i % 2 ? "-.12," : ".05,") +
         (i == 3 ? "-" : std::to_string(150000000 + d.day)) + ",14184.09,23.18,3.81,1.28\r\n";
  }
  return f;
}

// The session's PR bundle: its list of corporate actions (Bc240919.csv
// style until 2024, bc18092026.csv style after, dates DD/MM/YYYY then
// YYYY-MM-DD, empty cells one blank) among other members.
inline std::string pr_bundle(const Date& d) {
  const bool late = d.year >= 2025;
  const std::string yyyy = std::to_string(d.year), ddmm = two(d.day) + two(d.month);
  const std::string day = late ? yyyy + "-" + two(d.month) + "-" + two(d.day) : two(d.day) + "/" + two(d.month) + "/" + yyyy;
  const std::string bc = "SERIES,SYMBOL,SECURITY,RECORD_DT,BC_STRT_DT,BC_END_DT,EX_DT,ND_STRT_DT,ND_END_DT,PURPOSE\n"
                         "EQ,TCS,Tata Consultancy Serv Lt," + day + ", , ," + day + ", , ,DIV - RS 10 PER SH\n"
                         "EQ,M&M,Mahindra & Mahindra Ltd," + day + ", , ," + day + ", , ,BONUS 1:1\n";
  return zip_of({{"Pd" + ddmm + yyyy.substr(2) + ".csv", "MKT,SECURITY\n"},
                 {(late ? "bc" + ddmm + yyyy : "Bc" + ddmm + yyyy.substr(2)) + ".csv", bc},
                 {"Readme.txt", "PR bundle\n"}});
}

// The derivatives segment's day: for NIFTY (an index) and M&M (a stock)
// the futures of the next three monthly expiries (last Thursdays) on or
// after the day, M&M's far month untraded, options of NIFTY's near month,
// and in the old file a VIX future. The old file to 5 July 2024, UDiFF from
// 8 July (where M&M's near month gives a later XpryDt than its actual one).
// Futures k = 0, 1, 2 of base b: close b + 100 day + 1000 k paise, open
// 500 less, high 700 more, low 900 less; OI 1000000 + 100000 k + day;
// contracts 5000 - 1000 k + day.
inline std::string fo_file(const Date& d) {
  namespace c = std::chrono;
  std::vector<Date> expiries;
  for (Date m{d.year, d.month, 1}; expiries.size() < 3; m = m.month == 12 ? Date{m.year + 1, 1, 1} : Date{m.year, m.month + 1, 1}) {
    Date last{m.year, m.month, days_in_month(m.year, m.month)};
    while (c::weekday(c::sys_days(c::year(last.year) / last.month / last.day)) != c::Thursday) --last.day;
    if (last >= d) expiries.push_back(last);
  }
  const bool udiff = d >= Date{2024, 7, 8};
  auto iso = [](const Date& x) { return std::to_string(x.year) + "-" + two(x.month) + "-" + two(x.day); };
  auto dmy = [](const Date& x, bool upper) {
    std::string mon(month_abbrev(x.month));
    if (!upper) std::transform(mon.begin() + 1, mon.end(), mon.begin() + 1, [](char ch) { return char(ch - 'A' + 'a'); });
    return two(x.day) + "-" + mon + "-" + std::to_string(x.year);
  };
  std::string f = udiff ? kUdiffHeaderLine
                        : "INSTRUMENT,SYMBOL,EXPIRY_DT,STRIKE_PR,OPTION_TYP,OPEN,HIGH,LOW,CLOSE,SETTLE_PR,CONTRACTS,"
                          "VAL_INLAKH,OPEN_INT,CHG_IN_OI,TIMESTAMP,\n";
  auto row = [&](const std::string& type, const std::string& symbol, const Date& expiry, const std::string& strike,
                 const std::string& option, int close, bool traded, int oi, int contracts, const Date& stated) {
    const std::string o = traded ? money(close - 500, udiff) : money(0, udiff), h = traded ? money(close + 700, udiff) : o,
                      l = traded ? money(close - 900, udiff) : o, c = money(close, udiff);
    if (!udiff)
      return type + "," + symbol + "," + dmy(expiry, false) + "," + (strike.empty() ? "0" : strike) + "," +
             (option.empty() ? "XX" : option) + "," + o + "," + h + "," + l + "," + c + "," + c + "," +
             std::to_string(contracts) + ",12.5," + std::to_string(oi) + ",-75900," + dmy(d, true) + ",\n";
    return iso(d) + "," + iso(d) + ",FO,NSE," + type + ",35089,," + symbol + ",," + iso(stated) + "," + iso(expiry) + "," +
           strike + "," + option + ",NAME," + o + "," + h + "," + l + "," + c + "," + c + "," + c + ",25810.85," + c + "," +
           std::to_string(oi) + ",-75900," + std::to_string(contracts) + ",1761026.50,16174,F1,25,,,,,\n";
  };
  const struct { const char *symbol, *future, *old_future; int base; } underlyings[] = {
      {"NIFTY", "IDF", "FUTIDX", 2400000}, {"M&M", "STF", "FUTSTK", 290000}};
  for (const auto& u : underlyings) {
    for (int k = 0; k < 3; ++k) {
      const bool traded = !(u.base == 290000 && k == 2);
      const Date stated = udiff && u.base == 290000 && k == 0 ? next_day(Date{expiries[0].year, expiries[0].month,
                                                                            days_in_month(expiries[0].year, expiries[0].month)})
                                                              : expiries[k];
      f += row(udiff ? u.future : u.old_future, u.symbol, expiries[k], "", "", u.base + 100 * d.day + 1000 * k, traded,
               1000000 + 100000 * k + d.day, traded ? 5000 - 1000 * k + d.day : 0, stated);
    }
  }
  for (const char* option : {"CE", "PE"})
    f += row(udiff ? "IDO" : "OPTIDX", "NIFTY", expiries[0], udiff ? "24000.00" : "24000", option, 12345, true, 500, 40, expiries[0]);
  if (!udiff) f += row("FUTIVX", "INDIAVIX", expiries[0], "", "", 1500, true, 10, 5, expiries[0]);
  return f;
}

// Every change of symbol, with the older copies' header.
inline const std::string kSymbolChanges =
    " SYMB_COMPANY_NAME, SM_KEY_SYMBOL, SM_NEW_SYMBOL, SM_APPLICABLE_FROM\n"
    "3M India Limited,BIRLA3M,3MINDIA,15-JUN-2004\n"
    "ETERNAL LIMITED,ZOMATO,ETERNAL,09-APR-2025\n";

}  // namespace fake

// Whether the exchange held a session on `d`: a weekday not among the holidays.
inline bool fake_session(const Date& d, const FakeExchangeOptions& options) {
  namespace c = std::chrono;
  return c::weekday(c::sys_days(c::year(d.year) / d.month / d.day)).c_encoding() % 6 != 0 && !options.holidays.count(d);
}

// The routes of every trading day from `from` to `to`, keyed by path.
inline std::map<std::string, Response> fake_exchange(Date from, Date to,
                                                     const FakeExchangeOptions& options = {}) {
  using fake::two;
  std::map<std::string, Response> routes;
  for (Date d = from; d <= to; d = next_day(d)) {
    if (!fake_session(d, options)) continue;
    auto put = [&](const std::string& path, const std::string& member, std::string csv, bool udiff) {
      for (const FakeScrip& s : kFakeScrips) csv += fake::row_of(d, s, udiff);
      routes[path] = {200, options.blocked.count(d) ? kBlockedPage : zip_of({{member, csv}})};
    };
    const std::string yyyy = std::to_string(d.year), mon(month_abbrev(d.month));
    const bool udiff = d >= Date{2024, 7, 8};
    const std::string old = "cm" + two(d.day) + mon + yyyy + "bhav.csv";
    if (!udiff)
      put("/content/historical/EQUITIES/" + yyyy + "/" + mon + "/" + old + ".zip",
          d == Date{2020, 7, 13} ? old + "/" + old : old,
          "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP," +
              std::string(d >= Date{2011, 6, 22} ? "TOTALTRADES,ISIN,\n" : "\n"), false);
    const std::string cm = "BhavCopy_NSE_CM_0_0_0_" + yyyy + two(d.month) + two(d.day) + "_F_0000.csv";
    if (d >= Date{2024, 1, 1})  // back-filled before 8 July 2024, in the early spelling
      put("/content/cm/" + cm + ".zip", cm,
          kUdiffColumns + (udiff ? "Rsvd1,Rsvd2,Rsvd3,Rsvd4\n" : "Rsvd01,Rsvd02,Rsvd03,Rsvd04,\n"), true);
    if (d >= Date{2012, 10, 1})
      routes["/content/indices/ind_close_all_" + two(d.day) + two(d.month) + yyyy + ".csv"] = {
          200, options.blocked.count(d) ? kBlockedPage : fake::index_file(d)};
    const std::string fo = d >= Date{2024, 7, 8} ? "BhavCopy_NSE_FO_0_0_0_" + yyyy + two(d.month) + two(d.day) + "_F_0000.csv"
                                                 : "fo" + two(d.day) + mon + yyyy + "bhav.csv";
    routes[d >= Date{2024, 7, 8} ? "/content/fo/" + fo + ".zip" : "/content/historical/DERIVATIVES/" + yyyy + "/" + mon + "/" + fo + ".zip"] =
        {200, options.blocked.count(d) ? kBlockedPage : zip_of({{fo, fake::fo_file(d)}})};
    const std::string ddmmyy = two(d.day) + two(d.month) + yyyy.substr(2);
    routes["/archives/equities/bhavcopy/pr/PR" + ddmmyy + ".zip"] = {
        200, options.blocked.count(d) ? kBlockedPage : fake::pr_bundle(d)};
  }
  routes["/content/equities/symbolchange.csv"] = {200, fake::kSymbolChanges};
  return routes;
}

// BSE's host as it publishes today: from 2024 (8 July 2024 on for sure) one
// plain CSV a trading day, /download/BhavCopy/Equity/BhavCopy_BSE_CM_0_0_0_
// YYYYMMDD_F_0000.CSV, in the UDiFF file's 34 columns with Src BSE, the
// scrip code in FinInstrmId and the group in SctySrs; a blocked day's answer
// is a 200 HTML page. Rows from kFakeBseScrips, prices as kFakeScrips make
// them, in two decimals.
struct FakeBseScrip { const char *symbol, *group, *isin; int code, base; };
inline constexpr FakeBseScrip kFakeBseScrips[] = {
    {"RELIANCE", "A", "INE002A01018", 500325, 132000},     {"M&M", "A", "INE101A01026", 500520, 150000},
    {"BAJAJ-AUTO", "T", "INE917I01010", 532977, 263500},   {"A.K.SPINTX", "X", "INE032C01018", 530007, 4000},
    {"SHREEOSFMSME", "M", "INE0R9C01016", 543390, 12000},  {"NCDKFIN", "F", "INE01XX07012", 974001, 100000},
    {"GS2033", "G", "IN0020230010", 800133, 9950},         {"NIFTYBEES", "B", "INF204KB14I2", 590103, 27000}};

inline std::map<std::string, Response> fake_bse(Date from, Date to, const FakeExchangeOptions& options = {}) {
  using fake::two;
  std::map<std::string, Response> routes;
  for (Date d = std::max(from, Date{2024, 1, 1}); d <= to; d = next_day(d)) {
    if (!fake_session(d, options)) continue;
    const std::string day = format_date(d, "yyyy-MM-dd") + ",";
    std::string csv = kUdiffHeaderLine;
    for (const FakeBseScrip& s : kFakeBseScrips) {
      auto p = [&](int i) { return fake::money(s.base + 100 * d.day + std::array{0, 150, -100, 25, -50}[i], true) + ","; };
      csv += day + day + "CM,BSE,STK," + std::to_string(s.code) + "," + s.isin + "," + s.symbol + "," + s.group +
             ",,,,," + s.symbol + " LTD.," + p(0) + p(1) + p(2) + p(3) + p(3) + p(4) + ",,,," +
             std::to_string(1000 + d.day) + ",1389501083.00,29482,,1,,,,,\n";
    }
    routes["/download/BhavCopy/Equity/BhavCopy_BSE_CM_0_0_0_" + format_date(d, "yyyyMMdd") + "_F_0000.CSV"] = {
        200, options.blocked.count(d) ? kBlockedPage : csv};
  }
  return routes;
}

}  // namespace quillon::testing
