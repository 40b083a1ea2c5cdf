// The index download: the history of every index of the settings file's
// index list for a date range, one file per index.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/dates.h"
#include "exchange/exchange_addresses.h"
#include "download/download_support.h"
#include "download/ordered_fetch.h"

namespace quillon {

struct IndexDownloadJob {
  std::string exchange_url;  // the exchange's base address
  ExchangeLayout layout = ExchangeLayout::current;
  std::string folder;        // where INDEX_<short name>.csv go
  Date from, to;
  // The "index name=short name" entries; none when no list was loaded.
  std::optional<std::vector<std::string>> entries;
  std::string settings_file;  // where the list comes from, named when there is none
  ParallelOptions parallel;   // the daily files: transfers in flight, pace
};

// One index's history file and the short name it is stored under.
struct IndexFile {
  std::string address;
  std::string short_name;
};

struct IndexDownloadResult {
  std::vector<std::string> files;   // history files stored
  std::string query_address;        // of the last index asked for
  std::string file_address;
  std::optional<std::string> failure;  // what ended the run early
};

// Fetches `file` into the folder as "INDEX_" + short name + ".csv" between
// the status lines "Downloading Index data for " + short name and
// " Index Download is complete." (or " Index Download failed: " and why).
DownloadResult download_index_history(const IndexFile& file, const std::string& folder,
                                      Fetcher& fetcher, StatusSink& status);

// For each entry (empty ones skipped): sends the browser pane to the index's
// query page, fetches that page into the scratch page, lets the window
// process its events once and fetches the history file through
// `fetch_file` (download_index_history, or a step of the caller's that
// reports its failures itself: they do not end the run). The run ends early
// at the first entry without "=", without either name, or with a short name
// that is no plain file name, and when the user asks to stop.
IndexDownloadResult download_index_histories(
    const IndexDownloadJob& job, const DownloadTools& tools, Browser& browser,
    ProgramFolder& program_folder, const std::function<DownloadResult(const IndexFile&)>& fetch_file);

// The current layout's index download: the daily close of all indices of
// every calendar day of the range into <folder>/indices/ (IndexDayFetch:
// days already there are not asked again; a 404 is a day without a session
// and says nothing; other failures are named together in one status line at
// the end and do not stop the run), then every entry's INDEX_<short>.csv
// rebuilt from the day files of the range (rebuild_index_histories). The
// run ends early at the first entry that is no "name=short" pair, and when
// the user asks to stop. job.entries must be set (the caller puts the
// default list in when the settings file has none).
IndexDownloadResult download_index_days(const IndexDownloadJob& job, const DownloadTools& tools);

// Rewrites INDEX_<short>.csv in `source_folder` for every "name=short"
// entry of `index_list` (empty entries skipped) from the daily index files
// kept in <source_folder>/indices/ (all of them, or those of the days from
// range->first to range->second), each between the status lines
// "Downloading Index data for " + short and " Index Download is complete."
// or, for a name on none of those days, " Index Download failed: " and why,
// the earlier file then left as it was. A bad entry ends the run (the
// failure names it); a file that cannot be written is that index's failure.
DownloadResult rebuild_index_histories(const std::string& source_folder,
                                       const std::vector<std::string>& index_list, Disk& disk,
                                       StatusSink& status,
                                       const std::optional<std::pair<Date, Date>>& range = {});

// "IndexType=S%26P+CNX+NIFTY&Fromday=5&...&Indicesdata=Get+Details&check=new".
std::string index_query_text(const std::string& index_name, const Date& from, const Date& to);

// The six date parts run together: 5 Jan 2008 to 31 Jan 2008 -> "5120083112008".
std::string index_date_parts(const Date& from, const Date& to);

}  // namespace quillon
