#include "bhavcopy/bhavcopy_convert.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "base/records.h"
#include "conversion/convert_files.h"
#include "platform/text_file.h"

namespace quillon {

namespace {

constexpr const char* kNoFiles = "No files available to convert";

// The symbol length limit: nothing for an empty or non-numeric box,
// otherwise the box's value rounded to a whole number (may be negative).
std::optional<double> symbol_length(const std::string& text) {
  std::string normal;
  if (text.empty() || !append_number(normal, text)) return std::nullopt;
  double v = 0;
  std::from_chars(normal.data(), normal.data() + normal.size(), v);
  return std::nearbyint(v);
}

}  // namespace

const std::vector<std::string>& list_source_folder(WindowModel& w, Platform& p,
                                                   const std::string& pattern) {
  w.File1.Path = w.txtSourceFolder;
  w.File1.Pattern = pattern;
  w.File1.entries.clear();
  if (w.txtSourceFolder.empty()) throw Error("No source folder is selected.");
  w.File1.entries = p.files.list(w.txtSourceFolder, pattern);
  return w.File1.entries;
}

void fOutput(WindowModel& w, Platform& p) {
  try {
    const auto& listed = list_source_folder(w, p, "*.csv");
    if (listed.empty()) {
      p.messages.show(kNoFiles);
      return;
    }
    std::vector<ConversionInput> inputs;
    if (w.rbSource == kSourceNse || w.rbSource == kSourceBse) {
      if (!w.arrBhavFiles.empty() && !w.arrBhavFiles.front().empty()) {
        for (const std::string& entry : w.arrBhavFiles) {
          std::string name = entry.substr(entry.rfind('/') + 1);  // npos + 1 == 0
          std::string base = name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string();
          inputs.push_back({entry, join_path(w.txtDestFolder, base + "_DX.txt"), {}});
        }
      }
    } else {
      for (const std::string& name : listed) {
        std::string base = name.substr(0, name.find('.'));
        inputs.push_back({join_path(w.txtSourceFolder, name),
                          join_path(w.txtDestFolder, base + "_DX.txt"), {}});
      }
    }

    const std::optional<double> length = symbol_length(w.txtLength);
    const DateReader dates(p.date_pattern.short_date_pattern());
    convert_files(w, p.progress, inputs, [&](const ConversionInput&, std::string_view data, std::string& out) {
      LineReader lines(data);
      std::string_view line;
      std::string_view f[11];
      while (lines.next(line)) {
        if (split_fields(line, f, 11) < 11) continue;
        if (f[8] == "TOTTRDQTY") continue;  // the header line
        std::string_view symbol = f[0];
        if (length) {
          if (*length < 0)
            fail_at_line(lines.line_number(),
                         "the symbol length '" + w.txtLength + "' is negative");
          if (*length < static_cast<double>(symbol.size()))
            symbol = symbol.substr(0, static_cast<size_t>(*length));
        }
        if (f[1] != "EQ" && f[1] != "BE") continue;
        append_record(out, {symbol, f[10], f[2], f[3], f[4], f[5], f[8]}, lines.line_number(),
                      dates);
      }
    });
    w.Text1.append(kCrLf);
    w.Text1.append("Extract of Data from BhavCopy is done....!");
  } catch (const Error& e) {
    p.messages.show(std::string("fOutput: ") + e.what());
  }
}

}  // namespace quillon
