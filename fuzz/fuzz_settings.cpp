// The settings file: a fuzzed file, then one key set and everything read
// back. The key reads back as exactly the value set; every other key of the
// file reads as before; a setting that cannot be stored is refused with a
// reason and leaves the file as it was; no temporary file is left.
#include <fuzzer/FuzzedDataProvider.h>

#include <set>
#include <utility>

#include "fakes.h"
#include "reference.h"
#include "settings/ini_file.h"

using namespace quillon;
using namespace quillon::fuzz;

namespace {

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Every (section, key) named in the file, as the file's own lines give them.
std::vector<std::pair<std::string, std::string>> keys_in(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> keys;
  std::string section;
  bool in_section = false;
  size_t start = 0;
  while (start <= text.size()) {
    size_t nl = text.find('\n', start);
    std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string t(trim(line));
    if (!t.empty() && t.front() == '[' && t.find(']') != std::string::npos) {
      section = std::string(trim(std::string_view(t).substr(1, t.find(']') - 1)));
      in_section = true;
    } else if (in_section && !t.empty() && t.front() != ';' && t.front() != '#' &&
               t.find('=') != std::string::npos) {
      keys.emplace_back(section, std::string(trim(std::string_view(t).substr(0, t.find('=')))));
    }
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static testing::TempDir tmp;
  const std::string ini = tmp.path() + "/QM.INI";
  FuzzedDataProvider in(data, size);
  const std::string section = in.ConsumeRandomLengthString(32);
  const std::string key = in.ConsumeRandomLengthString(32);
  const std::string value = in.ConsumeRandomLengthString(300);
  const std::string file = in.ConsumeRemainingBytesAsString();
  testing::write_text(ini, file);

  const auto keys = keys_in(file);
  std::vector<std::string> before;
  for (const auto& [s, k] : keys) before.push_back(ReadIniString(s, k, "\x01missing", ini));

  const std::string failure = WriteIniString(section, key, value, ini);
  FUZZ_CHECK(testing::folder_names(tmp.path()) == std::vector<std::string>{"QM.INI"},
             "a temporary file was left");
  if (!failure.empty()) {
    FUZZ_CHECK(testing::read_text(ini) == file, "a refused setting changed the file: " + failure);
    return 0;
  }
  const std::string read = ReadIniString(section, key, "\x01missing", ini);
  FUZZ_CHECK(read == value, "[" + section + "] " + key + " set to '" + value + "' reads '" +
                                read + "'");
  for (size_t i = 0; i < keys.size(); ++i) {
    const auto& [s, k] = keys[i];
    if (lower(s) == lower(section) && lower(k) == lower(key)) continue;
    const std::string after = ReadIniString(s, k, "\x01missing", ini);
    FUZZ_CHECK(after == before[i], "[" + s + "] " + k + " was '" + before[i] + "', now '" +
                                       after + "'");
  }
  return 0;
}
