#include "conversion/convert_files.h"

#include "platform/text_file.h"

namespace quillon {

void convert_files(WindowModel& w, RunProgress& progress,
                   const std::vector<ConversionInput>& inputs, const ConvertFn& convert) {
  std::string data;
  std::string out;
  const int total = static_cast<int>(inputs.size());
  int done = 0;
  // Temporary files of an earlier run that was killed while writing.
  remove_stale_temporaries(w.txtDestFolder);
  for (const ConversionInput& in : inputs) {
    progress.report(done++, total);
    read_file(in.input_path, data);
    out.clear();
    out.reserve(data.size() + data.size() / 4 + 64);
    try {
      convert(in, data, out);
    } catch (const Error& e) {
      throw Error(in.input_path + ", " + e.what() + ". " + in.output_path + " was not written.");
    }
    write_file_atomically(in.output_path, out);
    w.colAmiFiles.push_back(in.output_path);
  }
  progress.report(total, total);
}

}  // namespace quillon
