// Runs one converter on one fuzzed input file as the Convert command does,
// over the in-memory disk, and checks the outcome against the plain rules of
// reference.h:
// - success: the output file holds exactly the expected records, its path is
//   queued once and the completion line is in the status box;
// - failure: one message with the operation's prefix, the input file and the
//   failing line; the earlier output is untouched, nothing is queued and the
//   status box stays empty;
// - nothing else is ever written.
#pragma once

#include <functional>
#include <string>

#include "app/operations.h"
#include "fakes.h"
#include "reference.h"

namespace quillon::fuzz {

struct ConverterUnderTest {
  const char* prefix;         // "fOutput: "
  const char* input_name;     // file written in the source folder
  const char* output_name;    // file expected in the destination folder
  const char* status_line;    // completion line
  std::function<void(WindowModel&)> setup;
  std::function<void(WindowModel&, Platform&)> run;
  std::function<Expected(std::string_view data, const DateReader&)> reference;
};

inline void fuzz_one_conversion(const ConverterUnderTest& c, const uint8_t* data, size_t size) {
  static testing::MemoryPlatform tp;
  const std::string input = std::string("/s/") + c.input_name;
  const std::string output = std::string("/d/") + c.output_name;
  const std::string earlier = "earlier complete copy\r\n";
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  tp.disk.files.clear();
  tp.disk.put(input, std::string(text));
  tp.disk.put(output, earlier);
  tp.messages.shown.clear();
  tp.progress.reports.clear();
  WindowModel w;
  w.txtSourceFolder = "/s";
  w.txtDestFolder = "/d";
  c.setup(w);
  c.run(w, tp.platform);

  const DateReader dates(tp.date_pattern.pattern);
  const Expected want = c.reference(text, dates);
  const std::string got = tp.disk.files[output];
  FUZZ_CHECK(tp.disk.files.size() == 2, "other files were written");
  if (want.ok) {
    FUZZ_CHECK(tp.messages.shown.empty(), tp.messages.shown.front());
    FUZZ_CHECK(got == want.output, "got\n" + got + "\nwant\n" + want.output);
    FUZZ_CHECK(w.colAmiFiles == std::vector<std::string>{output}, "queue");
    FUZZ_CHECK(w.Text1.text() == std::string("\r\n") + c.status_line, w.Text1.text());
  } else {
    FUZZ_CHECK(tp.messages.shown.size() == 1, "one message expected");
    const std::string& m = tp.messages.shown.front();
    std::string head = std::string(c.prefix) + input + ", ";
    if (want.failing_line > 0) head += "line " + std::to_string(want.failing_line) + ": ";
    FUZZ_CHECK(m.rfind(head, 0) == 0, m + "\nexpected to begin with\n" + head);
    FUZZ_CHECK(m.find(output + " was not written.") != std::string::npos, m);
    FUZZ_CHECK(got == earlier, "the earlier output was changed");
    FUZZ_CHECK(w.colAmiFiles.empty(), "queue");
    FUZZ_CHECK(w.Text1.text().empty(), w.Text1.text());
  }
}

}  // namespace quillon::fuzz
