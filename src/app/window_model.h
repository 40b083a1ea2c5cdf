// The main window frmEOD as a plain model: every control and window-level
// value under its own name, with its start value. Front ends bind widgets to
// these fields; the commands read and write them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/status_box.h"
#include "base/version.h"
#include "exchange/exchange_addresses.h"

namespace quillon {

inline constexpr const char* kDefaultExchangeUrl = "https://nsearchives.nseindia.com";
inline constexpr const char* kDefaultBseUrl = "https://www.bseindia.com";

// rbSource option indices.
enum SourceOption : int { kSourceNse = 0, kSourceBse = 1, kSourceFolder = 2 };

// The file list control: its folder, its pattern and the names it lists.
struct FileList {
  std::string Path;
  std::string Pattern = "*.*";
  std::vector<std::string> entries;
};

struct WindowModel {
  // Window caption, set when the window loads.
  std::string Caption;

  // " Date Range" group.
  std::string TxtFromDt;
  std::string TxtToDt;
  std::string Label4;  // shows strDateFormat
  std::string txtScrip;
  std::string Label18 = "enter text in scrip box to do single scrip download.";

  // " Data Source" group.
  int rbSource = kSourceNse;
  std::string txtSourceFolder;
  std::string txtDestFolder;

  // " Data Lists " group.
  bool chkEOD = true;
  std::string txtLength = "10";
  bool chkIndices = false;
  bool chkFO = false;  // the derivatives segment's daily Bhavcopy

  // Update group (chkAmi and chkMS read by no command).
  bool chkAmi = false;
  bool chkMS = false;
  // Auto Update: Convert and Catch up end with the Update of the files they
  // queued. AutoUpdate=1 of [QN_EOD], or --auto-update.
  bool chkAuto = false;

  // Right side.
  StatusBox Text1;
  AnnouncedText txtLabel;  // the address being fetched
  bool cmdProcessEnabled = true;

  // Area reserved for future use (read by no command).
  std::vector<std::string> Combo1 = {"Symbol, YMD,OHLC", "Symbol, YMD,OHLC,OI"};
  int Combo1ListIndex = 0;  // the record layout chosen: 1 with open interest
  std::vector<std::string> cmbIndex = {
      "S&P CNX NIFTY", "CNX NIFTY JUNIOR", "S&P CNX DEFTY",
      "S&P CNX 500",   "CNX MIDCAP 200",   "CNX MIDCAP",
      "CNX IT",        "BANK NIFTY",       "CNX 100"};
  // The Output frame: date wise (also with neither chosen) or scrip wise,
  // and "adjusted" (scrip wise only).
  bool rbDateWise = false;
  bool rbScripWise = false;
  bool chkAdjust = false;
  bool Label16Underlined = false;  // link labels, underlined when the window loads
  bool Label17Underlined = false;
  FileList File1;
  std::string WebBrowser1;  // the address the browser pane was sent to

  // Window-level values.
  std::string strShortDate;
  std::string strDateFormat;
  std::optional<std::vector<std::string>> arrIndexList;  // unset until loaded
  std::vector<std::string> colAmiFiles;
  std::vector<std::string> arrBhavFiles;
  std::vector<std::string> arrFoFiles;  // the F&O day files of the last download
  std::string strDataSource;
  std::string strSourcePath;
  std::string strDestPath;
  std::string strIndexQueryUrl;
  std::string strIndexFileUrl;

  // Program-wide values.
  std::string gstrIniPath;
  std::string gstrAmiPath;
  std::string gstrExchangeUrl = kDefaultExchangeUrl;
  std::optional<int> jobs;   // --jobs: downloads in flight (default 2), conversion threads
  // --rate: requests a second to one host, 0 no limit; unset: 3 (BSE's host: 1).
  std::optional<double> download_rate;
  // ExchangeLayout= of [QN_EOD], or --exchange-layout.
  ExchangeLayout gExchangeLayout = ExchangeLayout::current;
  std::string gstrBseUrl = kDefaultBseUrl;  // BSE's base address (--bse-url)
};

}  // namespace quillon
