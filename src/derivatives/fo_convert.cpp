#include "derivatives/fo_convert.h"

#include "base/text.h"
#include "derivatives/fo_records.h"
#include "download/download_support.h"
#include "platform/text_file.h"

namespace quillon {

std::string fo_folder(const std::string& folder) { return folder_with_separator(folder) + "fo"; }

ConversionResult convert_fo_files(const FoConversionJob& job, Disk& disk, RunProgress& progress,
                                  StatusSink& status) {
  ConversionJob fo = job.conversion;
  fo.source_folder = fo_folder(job.conversion.source_folder);
  fo.dest_folder = fo_folder(job.conversion.dest_folder);
  ConversionResult none;
  if (!job.downloaded_only && !job.conversion.source_folder.empty() && !disk.is_folder(fo.source_folder)) {
    none.listed_folder = fo.source_folder;
    none.listed_pattern = "*.csv";
    none.nothing_to_convert = true;
    return none;
  }
  if (job.downloaded_only && job.downloaded.empty()) return none;
  std::vector<std::string> inputs;
  auto plan = [&](const std::vector<std::string>& listed) {
    if (!job.conversion.dest_folder.empty() && disk.is_folder(job.conversion.dest_folder))
      disk.make_folders(fo.dest_folder);
    std::vector<ConversionInput> planned;
    for (const std::string& path : job.downloaded_only ? job.downloaded : listed) {
      const std::string full = job.downloaded_only ? path : join_path(fo.source_folder, path);
      std::string name = full.substr(full.rfind('/') + 1);  // npos + 1 == 0
      if (equal_ignoring_ascii_case(name.substr(name.size() >= 4 ? name.size() - 4 : 0), ".csv"))
        name.resize(name.size() - 4);
      planned.push_back({full, output_path_for(fo.dest_folder, name), {}});
      inputs.push_back(full);
    }
    return planned;
  };
  ConversionResult result = run_streamed_conversion(
      fo, "*.csv", plan,
      [&](const ConversionInput&) -> std::unique_ptr<PieceConverter> {
        return std::make_unique<FoRecords>(job.open_interest);
      },
      "Extract of F&O Data from BhavCopy is done....!", disk, progress, status);
  for (size_t i = 0; i < result.written.size(); ++i) {
    const std::optional<FileStamp> written = disk.stamp(result.written[i]);
    if (written && written->size == 0)
      status.append(std::string(kCrLf) + inputs[i] + " holds no futures: " + result.written[i] + " is empty.");
  }
  return result;
}

}  // namespace quillon
