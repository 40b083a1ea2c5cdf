#include "indices/index_convert.h"

#include "bhavcopy/bhavcopy_convert.h"
#include "base/records.h"
#include "conversion/convert_files.h"
#include "platform/text_file.h"

namespace quillon {

void fConvertIndex(WindowModel& w, Platform& p) {
  try {
    const auto& listed = list_source_folder(w, p, "INDEX*.csv");
    if (listed.empty()) {
      p.messages.show("No files available to convert");
      return;
    }
    std::vector<ConversionInput> inputs;
    if (!listed.front().empty()) {
      for (const std::string& name : listed) {
        std::string stem = name.substr(0, name.size() - 4);
        size_t underscore = name.find('_');
        std::string symbol = underscore == std::string::npos
                                 ? stem
                                 : name.substr(underscore + 1, name.size() - 4 - underscore - 1);
        if (underscore != std::string::npos && underscore + 1 > name.size() - 4) symbol.clear();
        inputs.push_back({join_path(w.txtSourceFolder, name),
                          join_path(w.txtDestFolder, stem + "_DX.txt"), symbol});
      }
    }
    const DateReader dates(p.date_pattern.short_date_pattern());
    convert_files(w, p.progress, inputs, [&](const ConversionInput& in, std::string_view data,
                                 std::string& out) {
      LineReader lines(data);
      std::string_view line;
      if (!lines.next(line)) throw Error("the file is empty: it has no header line");
      std::string_view f[6];
      while (lines.next(line)) {
        const size_t count = split_fields(line, f, 6);
        if (count > 6) continue;
        const size_t n = lines.line_number();
        if (count < 5)
          fail_at_line(n, line.empty() ? std::string("the line is empty")
                                       : "the line has " + std::to_string(count) +
                                             " fields, 5 or 6 are needed");
        append_record(out, {in.symbol, f[0], f[1], f[2], f[3], f[4], "0"}, n, dates);
      }
    });
    w.Text1.append(kCrLf);
    w.Text1.append("Extract of Index Data from BhavCopy is done....!");
  } catch (const Error& e) {
    p.messages.show(std::string("fConvertIndex: ") + e.what());
  }
}

}  // namespace quillon
