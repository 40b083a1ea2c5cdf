// The Bhavcopy conversion's scrip-wise output: every day file of the source
// folder into one file per symbol holding its whole history, <SYMBOL>.txt
// in the destination folder, with the corporate actions and changes of
// symbol of the source folder's actions/ folder: histories joined across
// changes of symbol, price events listed in adjustments.csv and, when asked,
// earlier prices adjusted for them.
#pragma once

#include <cstddef>
#include <string>

#include "calendar/trading_calendar.h"
#include "conversion/convert_files.h"
#include "exchange/exchange_addresses.h"

namespace quillon {

struct ScripWiseJob {
  ConversionJob conversion;   // folders, the regional date pattern, threads
  std::string symbol_length;  // as typed: empty or not a number means no limit
  bool adjust = false;        // multiply prices before confirmed events
  // The rows held in memory at once at most, in bytes; a folder holding more
  // is read again for each part of the symbols that fits.
  size_t memory_budget = size_t{192} << 20;
  // Whose day files: bse, BSE's only (BSE_*.csv); nse, every one but those,
  // so that no history mixes the two exchanges.
  Exchange exchange = Exchange::nse;
};

// Reads every *.csv of the source folder but the index histories (INDEX*)
// and the other exchange's day files (job.exchange) in any layout the
// date-wise conversion reads, keeping its rows (series EQ and BE, BSE's
// equity shares, the date of the row itself; of two files holding a symbol's
// day, the one whose name sorts last in byte order), first whole: a row it
// rejects ends the run before any file is written, naming the file, the
// line and the column. Then writes, each only when its bytes change:
// - per symbol (under its newest name, cut to the symbol length), <SYMBOL>
//   .txt, "%", "/", "\", a control character and a leading "." written %XX:
//   one record a day, oldest first, in the date-wise record form;
// - adjustments.csv: symbol,ex_date,factor,confirmed,purpose, every event
//   found (price_events.h), factors to 6 decimals;
// - renames.csv: old_symbol,new_symbol,first_date, every change of symbol
//   that joined two histories.
// `written` lists the symbol files written, by symbol: the files for
// Update. Status lines name the records and files of actions/ it cannot
// read, the days two day files hold, and the missing day files across
// which previous closes were not compared; the run ends with the date-wise
// completion line and "Scrip-wise: N symbols, M records, K symbol files
// written.". The source folder's day files are read by job.conversion.jobs
// threads; at most job.memory_budget bytes of rows are held at once, plus
// a few day files and histories.
ConversionResult convert_scrip_wise(const ScripWiseJob& job, const TradingCalendar& calendar,
                                    Disk& disk, RunProgress& progress, StatusSink& status);

// The file name of a symbol's history: "M&M.txt", "%2E5PAISA.txt".
std::string history_file_name(std::string_view symbol);

}  // namespace quillon
