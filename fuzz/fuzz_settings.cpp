// The settings file: a fuzzed file, then one key set and everything read
// back. The key reads back as exactly the value set; every other key of the
// file reads as before; a setting that cannot be stored is refused with a
// reason and leaves the file as it was; nothing else is written.
#include <fuzzer/FuzzedDataProvider.h>

#include <optional>
#include <sstream>

#include "fakes.h"
#include "reference.h"
#include "base/text.h"
#include "settings/ini_file.h"

using namespace quillon;
using namespace quillon::fuzz;

namespace {

// Every (section, key) named in the file, as the file's own lines give them.
std::vector<std::pair<std::string, std::string>> keys_in(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> keys;
  std::optional<std::string> section;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.ends_with('\r')) line.pop_back();
    const std::string_view t = fuzz::trim(line);
    if (t.starts_with('[') && t.find(']') != t.npos)
      section = fuzz::trim(t.substr(1, t.find(']') - 1));
    else if (section && !t.empty() && !t.starts_with(';') && !t.starts_with('#') && t.find('=') != t.npos)
      keys.emplace_back(*section, fuzz::trim(t.substr(0, t.find('='))));
  }
  return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static testing::MemoryDisk disk;
  const std::string ini = "/QM.INI";
  FuzzedDataProvider in(data, size);
  const std::string section = in.ConsumeRandomLengthString(32);
  const std::string key = in.ConsumeRandomLengthString(32);
  const std::string value = in.ConsumeRandomLengthString(300);
  const std::string file = in.ConsumeRemainingBytesAsString();
  disk.files.clear();
  disk.put(ini, file);

  const auto keys = keys_in(file);
  std::vector<std::string> before;
  for (const auto& [s, k] : keys) before.push_back(ReadIniString(disk, s, k, "\x01missing", ini));

  const std::string failure = WriteIniString(disk, section, key, value, ini);
  FUZZ_CHECK(disk.files.size() == 1, "another file was written");
  if (!failure.empty()) {
    FUZZ_CHECK(disk.files[ini] == file, "a refused setting changed the file: " + failure);
    return 0;
  }
  const std::string read = ReadIniString(disk, section, key, "\x01missing", ini);
  FUZZ_CHECK(read == value, "[" + section + "] " + key + " set to '" + value + "' reads '" +
                                read + "'");
  for (size_t i = 0; i < keys.size(); ++i) {
    const auto& [s, k] = keys[i];
    if (equal_ignoring_ascii_case(s, section) && equal_ignoring_ascii_case(k, key)) continue;
    const std::string after = ReadIniString(disk, s, k, "\x01missing", ini);
    FUZZ_CHECK(after == before[i], "[" + s + "] " + k + " was '" + before[i] + "', now '" +
                                       after + "'");
  }
  return 0;
}
