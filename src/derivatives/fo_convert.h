// The F&O conversion: the derivatives segment's day files of <source
// folder>/fo into EOD text files of <destination folder>/fo.
#pragma once

#include <string>
#include <vector>

#include "conversion/convert_files.h"

namespace quillon {

struct FoConversionJob {
  ConversionJob conversion;  // the folders whose fo/ it reads and writes
  // True: the F&O files of the last download (`downloaded`, none when
  // empty); false: every *.csv of <source folder>/fo.
  bool downloaded_only = false;
  std::vector<std::string> downloaded;
  bool open_interest = false;  // records of eight fields, the open interest last
};

// <folder>/fo.
std::string fo_folder(const std::string& folder);

// Each input gives <destination folder>/fo/<input name less .csv>_DX.txt
// (the folder made when missing) with its futures' records (fo_records.h),
// the inputs read a megabyte at a time on job.conversion.jobs threads, the
// outputs written in input order (run_streamed_conversion); ends with
// "Extract of F&O Data from BhavCopy is done....!" and a status line for
// each input without futures rows, whose output is then empty.
ConversionResult convert_fo_files(const FoConversionJob& job, Disk& disk, RunProgress& progress,
                                  StatusSink& status);

}  // namespace quillon
