#include "scrip/scrip_convert.h"

#include "bhavcopy/bhavcopy_convert.h"
#include "base/records.h"
#include "conversion/convert_files.h"
#include "platform/text_file.h"

namespace quillon {

void fConvertScrip(WindowModel& w, Platform& p) {
  try {
    const auto& listed = list_source_folder(w, p, "*" + w.txtScrip + "*XN*.csv");
    if (listed.empty()) {
      p.messages.show("No files available to convert");
      return;
    }
    std::vector<ConversionInput> inputs;
    for (const std::string& name : listed)
      inputs.push_back({join_path(w.txtSourceFolder, name),
                        join_path(w.txtDestFolder, name.substr(0, name.size() - 4) + "_DX.txt"),
                        {}});
    const DateReader dates(p.date_pattern.short_date_pattern());
    convert_files(w, p.progress, inputs, [&](const ConversionInput&, std::string_view data, std::string& out) {
      LineReader lines(data);
      std::string_view line;
      if (!lines.next(line)) throw Error("the file is empty: it has no header line");
      std::string_view f[11];
      while (lines.next(line)) {
        const size_t count = split_fields(line, f, 11);
        if (count > 11) continue;
        const size_t n = lines.line_number();
        if (count < 9)
          fail_at_line(n, line.empty() ? std::string("the line is empty")
                                       : "the line has " + std::to_string(count) +
                                             " fields, 9 to 11 are needed");
        append_record(out, {f[0], f[2], f[4], f[5], f[6], f[7], f[8]}, n, dates);
      }
    });
    w.Text1.append(kCrLf);
    w.Text1.append("Extract of Scrip Data from BhavCopy is done....!");
  } catch (const Error& e) {
    p.messages.show(std::string("fConvertScrip: ") + e.what());
  }
}

}  // namespace quillon
