#include "scrip/scrip_convert.h"

#include "base/records.h"
#include "platform/text_file.h"

namespace quillon {

ConversionResult convert_scrip_histories(const ConversionJob& job, const std::string& symbol,
                                         Disk& disk, RunProgress& progress, StatusSink& status) {
  auto plan = [&](const std::vector<std::string>& listed) {
    std::vector<ConversionInput> inputs;
    for (const std::string& name : listed)
      inputs.push_back({join_path(job.source_folder, name),
                        output_path_for(job.dest_folder, name.substr(0, name.size() - 4)), {}});
    return inputs;
  };
  const DateReader dates(job.date_pattern);
  auto convert = [&](const ConversionInput&, std::string_view data, std::string& out) {
    for_each_history_row(data, 9, 11, "9 to 11", [&](const std::string_view* f, size_t line) {
      append_record(out, {f[0], f[2], f[4], f[5], f[6], f[7], f[8]}, line, dates);
      if (job.open_interest) append_eighth_field(out, "0");
    });
  };
  return run_conversion(job, "*" + symbol + "*XN*.csv", plan, convert,
                        "Extract of Scrip Data from BhavCopy is done....!", disk, progress, status);
}

}  // namespace quillon
