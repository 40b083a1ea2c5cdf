// The run every converter makes: list its inputs in the source folder, turn
// each into an EOD output file in the destination folder, one after the
// other, and say when all are done.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/interfaces.h"

namespace quillon {

// The folders of a conversion, the regional short-date pattern its date
// fields are read with, and how many inputs are converted at once (0: as
// many as the machine has cores; 1: strictly one after the other).
struct ConversionJob {
  std::string source_folder;
  std::string dest_folder;
  std::string date_pattern;
  int jobs = 0;
  bool open_interest = false;  // records of eight fields, the open interest last
};

// What a conversion did. The listing is there even when the run failed.
struct ConversionResult {
  std::string listed_folder, listed_pattern;
  std::vector<std::string> listed;   // the names the pattern found
  bool nothing_to_convert = false;   // it found none: nothing was done
  std::vector<std::string> written;  // output files, complete, in order
  std::optional<std::string> failure;  // what ended the run, naming the input and line
};

struct ConversionInput {
  std::string input_path;
  std::string output_path;
  std::string symbol;  // the file's symbol where the name gives it
};

// Converts one input's text, appending its records to `out`; throws Error
// (naming the line) for input it cannot convert.
using ConvertFn = std::function<void(const ConversionInput& in, std::string_view data,
                                     std::string& out)>;

// The converter's run: lists `pattern` in the source folder; when it finds
// something, `plan` names the inputs for the listed names, and each is read
// whole, converted, and its output written whole (write() of the disk)
// unless its file already holds exactly those bytes, and added to
// `written`. job.jobs worker threads (run_in_order, ordered_work.h) each
// read, convert and compare one input at a time, so `convert` and the
// disk's read and holds are called from several threads at once; this
// thread writes the outputs in input order and alone reports progress and
// status. At most jobs + 2 inputs and their outputs are in memory. Either
// way the outcome is that of the inputs taken strictly in order: the first
// failure ends the run naming the input; that input's output is not written
// (an earlier file of the name stays as it was), the outputs before it are,
// and no later output is. Before the first input, temporaries a killed
// earlier run left in the destination folder are removed. A complete run
// appends a line break and `done_line` to the status.
ConversionResult run_conversion(
    const ConversionJob& job, const std::string& pattern,
    const std::function<std::vector<ConversionInput>(const std::vector<std::string>&)>& plan,
    const ConvertFn& convert, std::string_view done_line, Disk& disk, RunProgress& progress,
    StatusSink& status);

// A converter of an input too large to hold whole: takes it piece after
// piece (lines may straddle pieces), then appends its records to `out`.
// Throws Error as a ConvertFn does.
class PieceConverter {
 public:
  virtual ~PieceConverter() = default;
  virtual void take(std::string_view piece) = 0;
  virtual void finish(std::string& out) = 0;
};
using StreamedConvertFn = std::function<std::unique_ptr<PieceConverter>(const ConversionInput& in)>;

// run_conversion with inputs read piece by piece (read_pieces of the disk,
// a megabyte at a time) into a converter of each: the same order, failures,
// threads and outputs, without an input held whole.
ConversionResult run_streamed_conversion(
    const ConversionJob& job, const std::string& pattern,
    const std::function<std::vector<ConversionInput>(const std::vector<std::string>&)>& plan,
    const StreamedConvertFn& convert, std::string_view done_line, Disk& disk, RunProgress& progress,
    StatusSink& status);

// The rows of a history file (index or scrip): a header line, then rows of
// `least` to `most` fields, each passed to `row` with its line number; longer
// rows are skipped. An empty file, or an empty or shorter row, throws Error
// naming the line ("the line has 4 fields, " + `needed` + " are needed").
void for_each_history_row(std::string_view data, size_t least, size_t most,
                          std::string_view needed,
                          const std::function<void(const std::string_view* fields, size_t line)>& row);

// The symbol length limit: nothing for an empty or non-numeric text,
// otherwise its value rounded to a whole number (may be negative, which the
// conversion refuses naming the text).
struct SymbolLength {
  std::optional<double> limit;
  std::string typed;
};
SymbolLength read_symbol_length(const std::string& typed);

// "dest/" + the name's stem + "_DX.txt": the output file of an input.
std::string output_path_for(const std::string& dest_folder, std::string_view stem);

}  // namespace quillon
