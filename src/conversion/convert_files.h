// The loop that turns a list of input files into EOD output files, shared by
// the three converters.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/window_model.h"
#include "base/records.h"
#include "platform/interfaces.h"

namespace quillon {

struct ConversionInput {
  std::string input_path;
  std::string output_path;
  std::string symbol;  // the file's symbol where the name gives it
};

// Converts `inputs` strictly in order: reads each input whole, lets
// `convert` append its records to the output text, writes the output file
// atomically and queues its path in colAmiFiles. The first failure ends the
// run with an Error naming the input; the output of that input is not
// written (an earlier file of that name stays as it was) and later inputs
// are not touched. Before the first input, temporary files that a killed
// earlier run left in the destination folder are removed.
using ConvertFn = std::function<void(const ConversionInput& in, std::string_view data,
                                     std::string& out)>;
void convert_files(WindowModel& w, RunProgress& progress,
                   const std::vector<ConversionInput>& inputs, const ConvertFn& convert);

}  // namespace quillon
