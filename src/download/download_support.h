// Pieces the three downloads share: what they work with and return, the
// scratch page, the folder texts and the check that a name typed by the user
// makes a plain file name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/interfaces.h"
#include "base/dates.h"

namespace quillon {

// The status line a download run ends with when the user stopped it.
inline constexpr std::string_view kStoppedByUser = "Download stopped by the user.";

// What a download works with: the transfers, the disk the files land on,
// the status lines, the progress (and the user's wish to stop) and the
// window's event loop, which runs once between transfers; with a batch
// fetcher the day-by-day downloads keep several transfers in flight.
struct DownloadTools {
  Fetcher& fetcher;
  Disk& disk;
  StatusSink& status;
  RunProgress& progress;
  EventPump& events;
  BatchFetcher* batch = nullptr;
};

// What a download stored, in order, and what ended it early (a transfer
// that fails is a status line, not a failure).
struct DownloadResult {
  std::vector<std::string> files;
  std::optional<std::string> failure;
};

// Where the query pages go: "temp.html" in the scratch folder (the program's
// folder for a portable copy, else ~/.cache/quillon; see scratch_folder).
std::string scratch_page_path(ProgramFolder& program_folder);

// The folder text with "/" added unless it already ends in one.
std::string folder_with_separator(const std::string& folder);

// Throws Error describing the fault when `name` (a `what`, e.g. "scrip
// symbol") cannot be part of a file name in the chosen folder: it holds "/",
// "\", a NUL or another control character, or is "." or "..".
void check_plain_file_name(const std::string& name, const char* what);

// Day or month in decimal without a leading zero; year in four digits.
std::string date_number(int value);

}  // namespace quillon
