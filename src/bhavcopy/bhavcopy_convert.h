// fOutput: converts daily Bhavcopy CSV files into EOD text files.
#pragma once

#include "app/window_model.h"
#include "platform/platform.h"

namespace quillon {

// Inputs: with "NSE" or "BSE" selected the paths of the last download run
// (arrBhavFiles), with "Folder" every *.csv of the source folder. Keeps the
// EQ and BE rows, cuts symbols to txtLength, queues each output in
// colAmiFiles and ends with "Extract of Data from BhavCopy is done....!".
// Failures show "fOutput: " and a description.
void fOutput(WindowModel& w, Platform& p);

// Lists `pattern` in the source folder into File1 and returns the names.
// Throws Error when the folder box is empty or the folder cannot be listed.
const std::vector<std::string>& list_source_folder(WindowModel& w, Platform& p,
                                                   const std::string& pattern);

}  // namespace quillon
