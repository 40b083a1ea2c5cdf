// The index conversion: index history files (INDEX*.csv) into EOD text
// files, the symbol taken from the file name and the volume 0.
#pragma once

#include "conversion/convert_files.h"

namespace quillon {

// Ends with "Extract of Index Data from BhavCopy is done....!".
ConversionResult convert_index_histories(const ConversionJob& job, Disk& disk,
                                         RunProgress& progress, StatusSink& status);

}  // namespace quillon
