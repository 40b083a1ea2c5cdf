// The scrip conversion: the scrip history files of one symbol
// ("*" + symbol + "*XN*.csv") into EOD text files.
#pragma once

#include "conversion/convert_files.h"

namespace quillon {

// Ends with "Extract of Scrip Data from BhavCopy is done....!".
ConversionResult convert_scrip_histories(const ConversionJob& job, const std::string& symbol,
                                         Disk& disk, RunProgress& progress, StatusSink& status);

}  // namespace quillon
