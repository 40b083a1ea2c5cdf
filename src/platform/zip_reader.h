// Reading the one CSV file packed in a zip archive (the exchange serves its
// daily Bhavcopy files zipped).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// Returns the content of the single file whose name ends in ".csv" (any
// letter case, in any folder of the archive; other files are ignored)
// inside the zip archive at `zip_path`, checked against its stored
// checksum. Throws Error when the archive cannot be opened or is corrupt,
// or when it holds no such file or more than one.
std::string read_single_csv_from_zip(const std::string& zip_path);

// The same for an archive held in memory, such as a body just fetched. A
// body that does not start as a zip archive does (an HTML page answered
// with status 200, an empty body) throws Error saying what it is instead.
// The messages are whole sentences about "the archive", fit for a day's
// status line.
std::string read_single_csv_from_zip_data(std::string_view body);

// The content of the one CSV member of the archive in `body` whose name
// (folders included) `wanted` takes; nothing when none is. Throws Error as
// read_single_csv_from_zip_data does, and when two members are taken.
std::optional<std::string> read_csv_member_from_zip_data(
    std::string_view body, const std::function<bool(std::string_view)>& wanted);

// What a body that is not the file asked for looks like, for messages:
// "it is empty", "it is an HTML page" or "it starts with '...'".
std::string kind_of_body(std::string_view body);

}  // namespace quillon
