// fgetIndices / FGetNseIndex: fetches the history of every index of the
// settings file's index list for the date range, one file per index.
#pragma once

#include <string>

#include "app/window_model.h"
#include "platform/platform.h"
#include "base/dates.h"

namespace quillon {

// For each entry "index name=short name" of arrIndexList (empty entries
// skipped): sends the browser pane to the index's query page, fetches that
// page into the scratch page, lets the window process its events once and
// fetches the history file through FGetNseIndex. Failures (no index list, an
// entry without "=", a short name that is no plain file name, a date box that
// is not a date) show "fgetIndices: " and a description and end the run.
void fgetIndices(WindowModel& w, Platform& p);

// Fetches `file_url` into the source folder as "INDEX_" + short name +
// ".csv" between the lines "Downloading Index data for " + short name and
// " Index Download is complete.". The transfer's outcome is not examined.
// Failures show "FGetNseIndex: " and a description.
void FGetNseIndex(WindowModel& w, Platform& p, const std::string& file_url,
                  const std::string& short_name);

// "IndexType=S%26P+CNX+NIFTY&Fromday=5&...&Indicesdata=Get+Details&check=new".
std::string index_query_text(const std::string& index_name, const Date& from, const Date& to);

// The six date parts run together: 5 Jan 2008 to 31 Jan 2008 -> "5120083112008".
std::string index_date_parts(const Date& from, const Date& to);

}  // namespace quillon
