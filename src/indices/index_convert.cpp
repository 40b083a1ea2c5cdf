#include "indices/index_convert.h"

#include <algorithm>

#include "base/records.h"
#include "platform/text_file.h"

namespace quillon {

ConversionResult convert_index_histories(const ConversionJob& job, Disk& disk,
                                         RunProgress& progress, StatusSink& status) {
  auto plan = [&](const std::vector<std::string>& listed) {
    std::vector<ConversionInput> inputs;
    for (const std::string& name : listed) {
      // "INDEX_NIFTY.csv": NIFTY; a name without "_": its stem.
      const std::string stem = name.substr(0, name.size() - 4);
      const size_t underscore = name.find('_');
      std::string symbol = underscore == std::string::npos ? stem : stem.substr(std::min(underscore + 1, stem.size()));
      inputs.push_back({join_path(job.source_folder, name), output_path_for(job.dest_folder, stem),
                        symbol});
    }
    return inputs;
  };
  const DateReader dates(job.date_pattern);
  auto convert = [&](const ConversionInput& in, std::string_view data, std::string& out) {
    for_each_history_row(data, 5, 6, "5 or 6", [&](const std::string_view* f, size_t line) {
      append_record(out, {in.symbol, f[0], f[1], f[2], f[3], f[4], "0"}, line, dates);
      if (job.open_interest) append_eighth_field(out, "0");
    });
  };
  return run_conversion(job, "INDEX*.csv", plan, convert,
                        "Extract of Index Data from BhavCopy is done....!", disk, progress, status);
}

}  // namespace quillon
