#include "conversion/convert_files.h"

#include <vector>

#include "base/records.h"
#include "base/text.h"
#include "platform/text_file.h"

namespace quillon {

std::string output_path_for(const std::string& dest_folder, std::string_view stem) {
  return join_path(dest_folder, std::string(stem) + "_DX.txt");
}

void for_each_history_row(std::string_view data, size_t least, size_t most,
                          std::string_view needed,
                          const std::function<void(const std::string_view* fields, size_t line)>& row) {
  LineReader lines(data);
  std::string_view line;
  if (!lines.next(line)) throw Error("the file is empty: it has no header line");
  std::vector<std::string_view> fields(most);
  while (lines.next(line)) {
    const size_t count = split_fields(line, fields.data(), most);
    if (count > most) continue;
    const size_t n = lines.line_number();
    if (count < least)
      fail_at_line(n, line.empty() ? std::string("the line is empty")
                                   : "the line has " + std::to_string(count) + " fields, " +
                                         std::string(needed) + " are needed");
    row(fields.data(), n);
  }
}

ConversionResult run_conversion(
    const ConversionJob& job, const std::string& pattern,
    const std::function<std::vector<ConversionInput>(const std::vector<std::string>&)>& plan,
    const ConvertFn& convert, std::string_view done_line, Disk& disk, RunProgress& progress,
    StatusSink& status) {
  ConversionResult result;
  result.listed_folder = job.source_folder;
  result.listed_pattern = pattern;
  result.failure = failure_of([&] {
    if (job.source_folder.empty()) throw Error("No source folder is selected.");
    result.listed = disk.list(job.source_folder, pattern);
    if (result.listed.empty()) {
      result.nothing_to_convert = true;
      return;
    }
    const std::vector<ConversionInput> inputs = plan(result.listed);
    std::string data;
    std::string out;
    const int total = static_cast<int>(inputs.size());
    int done = 0;
    disk.remove_stale_temporaries(job.dest_folder);
    for (const ConversionInput& in : inputs) {
      progress.report(done++, total);
      disk.read(in.input_path, data);
      out.clear();
      out.reserve(data.size() + data.size() / 4 + 64);
      try {
        convert(in, data, out);
      } catch (const Error& e) {
        throw Error(in.input_path + ", " + e.what() + ". " + in.output_path + " was not written.");
      }
      disk.write(in.output_path, out, false);
      result.written.push_back(in.output_path);
    }
    progress.report(total, total);
    status.append(kCrLf);
    status.append(done_line);
  });
  return result;
}

}  // namespace quillon
