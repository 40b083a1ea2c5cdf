#include "conversion/convert_files.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <set>
#include <vector>

#include "base/records.h"
#include "base/text.h"
#include "conversion/ordered_work.h"
#include "platform/text_file.h"

namespace quillon {

SymbolLength read_symbol_length(const std::string& typed) {
  std::string normal;
  if (typed.empty() || !append_number(normal, typed)) return {std::nullopt, typed};
  double v = 0;
  std::from_chars(normal.data(), normal.data() + normal.size(), v);
  return {std::nearbyint(v), typed};
}

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

namespace {

// An input being converted: its text, its output, and whether the output's
// file already holds exactly that output.
struct Converted {
  std::string data, out;
  bool unchanged = false;
};

// Makes one input's output into c.out (reading it, converting it).
using MakeOutput = std::function<void(const ConversionInput& in, Converted& c)>;

// Runs a step of the conversion proper: its failure names the input and
// says that its output was not written (a failure to read says itself).
template <class Step>
void converting(const ConversionInput& in, Step&& step) {
  try {
    step();
  } catch (const Error& e) {
    throw Error(in.input_path + ", " + e.what() + ". " + in.output_path + " was not written.");
  }
}

// Pieces of a streamed input: large enough that a line rarely straddles two.
constexpr size_t kPiece = size_t{1} << 20;

ConversionResult run(const ConversionJob& job, const std::string& pattern,
                     const std::function<std::vector<ConversionInput>(const std::vector<std::string>&)>& plan,
                     const MakeOutput& make, std::string_view done_line, Disk& disk, RunProgress& progress,
                     StatusSink& status);

}  // namespace

ConversionResult run_conversion(
    const ConversionJob& job, const std::string& pattern,
    const std::function<std::vector<ConversionInput>(const std::vector<std::string>&)>& plan,
    const ConvertFn& convert, std::string_view done_line, Disk& disk, RunProgress& progress,
    StatusSink& status) {
  return run(job, pattern, plan,
             [&](const ConversionInput& in, Converted& c) {
               disk.read(in.input_path, c.data);
               c.out.reserve(c.data.size() + c.data.size() / 4 + 64);
               converting(in, [&] { convert(in, c.data, c.out); });
             },
             done_line, disk, progress, status);
}

ConversionResult run_streamed_conversion(
    const ConversionJob& job, const std::string& pattern,
    const std::function<std::vector<ConversionInput>(const std::vector<std::string>&)>& plan,
    const StreamedConvertFn& convert, std::string_view done_line, Disk& disk, RunProgress& progress,
    StatusSink& status) {
  return run(job, pattern, plan,
             [&](const ConversionInput& in, Converted& c) {
               std::unique_ptr<PieceConverter> pieces = convert(in);
               disk.read_pieces(in.input_path, kPiece,
                                [&](std::string_view piece) { converting(in, [&] { pieces->take(piece); }); });
               converting(in, [&] { pieces->finish(c.out); });
             },
             done_line, disk, progress, status);
}

namespace {

ConversionResult run(const ConversionJob& job, const std::string& pattern,
                     const std::function<std::vector<ConversionInput>(const std::vector<std::string>&)>& plan,
                     const MakeOutput& make, std::string_view done_line, Disk& disk, RunProgress& progress,
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
    const int total = static_cast<int>(inputs.size());
    disk.remove_stale_temporaries(job.dest_folder);
    // Each worker reads, converts and compares its input while the data is
    // in its core's cache; an output named by an earlier input too is
    // compared only once that one is written, here.
    std::vector<bool> named_before(inputs.size());
    std::set<std::string_view> outputs;
    for (size_t i = 0; i < inputs.size(); ++i)
      named_before[i] = !outputs.insert(inputs[i].output_path).second;
    run_in_order<Converted>(
        inputs.size(), worker_count(job.jobs, inputs.size()),
        [&](size_t i, Converted& c) {
          c.out.clear();
          make(inputs[i], c);
          c.unchanged = !named_before[i] && disk.holds(inputs[i].output_path, c.out);
        },
        [&](size_t i, Converted& c) {
          progress.report(static_cast<int>(i), total);
          // An output already holding these bytes is left alone, its time too.
          if (!(named_before[i] ? disk.holds(inputs[i].output_path, c.out) : c.unchanged))
            disk.write(inputs[i].output_path, c.out, false);
          result.written.push_back(inputs[i].output_path);
        });
    progress.report(total, total);
    status.append(kCrLf);
    status.append(done_line);
  });
  return result;
}

}  // namespace

}  // namespace quillon
