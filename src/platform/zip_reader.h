// Reading the one CSV file packed in a zip archive (the exchange serves its
// legacy daily files zipped).
#pragma once

#include <string>

namespace quillon {

// Returns the content of the single file whose name ends in ".csv" (any
// letter case) inside the zip archive at `zip_path`, checked against its
// stored checksum. Throws Error when the archive cannot be opened or is
// corrupt, or when it holds no such file or more than one.
std::string read_single_csv_from_zip(const std::string& zip_path);

}  // namespace quillon
