// Pieces the three downloads share: the scratch page, the date boxes read as
// dates, the folder texts and the check that a name typed by the user makes a
// plain file name.
#pragma once

#include <string>
#include <string_view>

#include "platform/interfaces.h"
#include "base/dates.h"

namespace quillon {

// The status line a download run ends with when the user stopped it.
inline constexpr std::string_view kStoppedByUser = "Download stopped by the user.";

// Where the query pages go: "temp.html" in the scratch folder (the program's
// folder for a portable copy, else ~/.cache/quillon; see scratch_folder).
std::string scratch_page_path(ProgramFolder& program_folder);

// The text of a date box read with the regional date rules; throws Error
// naming the box (`which`, e.g. "From") when it is not a date.
Date read_date_box(const std::string& text, const DateReader& dates, const char* which);

// The folder text with "/" added unless it already ends in one.
std::string folder_with_separator(const std::string& folder);

// Throws Error describing the fault when `name` (a `what`, e.g. "scrip
// symbol") cannot be part of a file name in the chosen folder: it holds "/",
// "\", a NUL or another control character, or is "." or "..".
void check_plain_file_name(const std::string& name, const char* what);

// Day or month in decimal without a leading zero; year in four digits.
std::string date_number(int value);

}  // namespace quillon
