#include "bhavcopy/bhavcopy_convert.h"


#include "base/records.h"
#include "exchange/bhavcopy_layouts.h"
#include "platform/text_file.h"

namespace quillon {


ConversionResult convert_bhavcopies(const BhavcopyConversionJob& job, Disk& disk,
                                    RunProgress& progress, StatusSink& status) {
  const std::string& dest = job.conversion.dest_folder;
  auto plan = [&](const std::vector<std::string>& listed) {
    std::vector<ConversionInput> inputs;
    if (job.downloaded_only) {
      for (const std::string& path : job.downloaded) {
        const std::string name = path.substr(path.rfind('/') + 1);  // npos + 1 == 0
        inputs.push_back({path, output_path_for(dest, name.size() >= 4 ? name.substr(0, name.size() - 4) : ""), {}});
      }
    } else {
      for (const std::string& name : listed)
        inputs.push_back({join_path(job.conversion.source_folder, name),
                          output_path_for(dest, name.substr(0, name.find('.'))), {}});
    }
    return inputs;
  };
  const SymbolLength length = read_symbol_length(job.symbol_length);
  const DateReader dates(job.conversion.date_pattern);
  return run_conversion(
      job.conversion, "*.csv", plan,
      [&](const ConversionInput&, std::string_view data, std::string& out) {
        append_bhavcopy_records(data, length.limit, length.typed, dates, out, job.conversion.open_interest);
      },
      "Extract of Data from BhavCopy is done....!", disk, progress, status);
}

}  // namespace quillon
