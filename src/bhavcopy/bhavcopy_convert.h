// The Bhavcopy conversion: daily Bhavcopy CSV files into EOD text files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/dates.h"
#include "conversion/convert_files.h"

namespace quillon {

struct BhavcopyConversionJob {
  ConversionJob conversion;
  // True: the files of the last download (`downloaded`, none when empty);
  // false: every *.csv of the source folder.
  bool downloaded_only = false;
  std::vector<std::string> downloaded;
  std::string symbol_length;  // as typed: empty or not a number means no limit
};


// Converts the listed *.csv files (there must be some even when the inputs
// are the downloaded ones) in whichever layout each is (bhavcopy_layouts.h):
// keeps the EQ and BE rows, cuts symbols to the length, and ends with
// "Extract of Data from BhavCopy is done....!".
ConversionResult convert_bhavcopies(const BhavcopyConversionJob& job, Disk& disk,
                                    RunProgress& progress, StatusSink& status);

}  // namespace quillon
