#include "settings/ini_file.h"

#include <string_view>
#include <vector>

#include "base/text.h"

namespace quillon {

namespace {

std::vector<std::string_view> split_lines(std::string_view data) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < data.size()) {
    size_t nl = data.find('\n', start);
    size_t end = nl == std::string_view::npos ? data.size() : nl;
    std::string_view line = data.substr(start, end - start);
    // CR LF ends a line; stray CRs before it belong to the line end too, so a
    // line reads the same before and after the file is rewritten.
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return lines;
}

// The name of a "[section]" line, or nothing.
bool section_name(std::string_view line, std::string_view& name) {
  line = trim(line);
  if (line.size() < 2 || line.front() != '[') return false;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  name = trim(line.substr(1, close - 1));
  return true;
}

bool is_comment_or_blank(std::string_view line) {
  line = trim(line);
  return line.empty() || line.front() == ';' || line.front() == '#';
}

// Index range [first, last) of the body of the first section named `section`;
// first == npos when there is none.
struct Range {
  size_t header = std::string::npos, first = 0, last = 0;
};

Range find_section(const std::vector<std::string_view>& lines, std::string_view section) {
  Range r;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view name;
    if (!section_name(lines[i], name)) continue;
    if (r.header != std::string::npos) {
      r.last = i;
      return r;
    }
    if (equal_ignoring_ascii_case(name, section)) {
      r.header = i;
      r.first = i + 1;
    }
  }
  r.last = lines.size();
  return r;
}

bool key_of(std::string_view line, std::string_view& key, std::string_view& value) {
  if (is_comment_or_blank(line)) return false;
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  key = trim(line.substr(0, eq));
  value = trim(line.substr(eq + 1));
  return true;
}

// Reads the settings file; false when it is missing or cannot be read (the
// readers then answer with empty text).
bool read_existing(Disk& disk, const std::string& path, std::string& data) {
  if (!disk.is_file(path)) return false;
  return !failure_of([&] { disk.read(path, data); });
}

}  // namespace

std::string ReadIniString(Disk& disk, const std::string& section, const std::string& key,
                          const std::string& def, const std::string& path) {
  std::string data;
  if (!read_existing(disk, path, data)) return {};
  auto lines = split_lines(data);
  Range r = find_section(lines, section);
  if (r.header == std::string::npos) return def;
  for (size_t i = r.first; i < r.last; ++i) {
    std::string_view k, v;
    if (key_of(lines[i], k, v) && equal_ignoring_ascii_case(k, key)) {
      if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
      return std::string(v);
    }
  }
  return def;
}

std::string ReadIniSection(Disk& disk, const std::string& section, const std::string& path) {
  std::string data;
  if (!read_existing(disk, path, data)) return {};
  auto lines = split_lines(data);
  Range r = find_section(lines, section);
  std::string out;
  if (r.header == std::string::npos) return out;
  for (size_t i = r.first; i < r.last; ++i) {
    if (is_comment_or_blank(lines[i])) continue;
    out.append(lines[i]);
    out.push_back('\0');
  }
  return out;
}

namespace {

// Why a setting cannot be stored, or empty text.
std::string refusal(const std::string& section, const std::string& key,
                    const std::string& value) {
  for (const std::string* s : {&section, &key, &value})
    if (s->find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
      return "The setting " + section + "/" + key + " cannot hold a line break.";
  // Names that would read back as other names are refused.
  if (trim(section) != section || section.find(']') != std::string::npos ||
      trim(key) != key || key.find('=') != std::string::npos || is_comment_or_blank(key + "=") ||
      (!key.empty() && key.front() == '['))
    return "The setting name " + section + "/" + key + " cannot be stored in a settings file.";
  return {};
}

// The file's text with `key` of `section` set to `value`.
std::string with_setting(const std::string& data, const std::string& section,
                         const std::string& key, const std::string& value) {
  const std::string_view eol = data.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  auto lines = split_lines(data);
  // A value that reading would change (blanks at its ends, surrounding
  // double quotes) is written in double quotes, which reading removes.
  const bool quote = trim(value) != value ||
                     (value.size() >= 2 && value.front() == '"' && value.back() == '"');
  const std::string entry = key + "=" + (quote ? "\"" + value + "\"" : value);
  Range r = find_section(lines, section);

  std::vector<std::string_view> out(lines.begin(), lines.end());
  std::string header = "[" + section + "]";
  if (r.header == std::string::npos) {
    out.push_back(header);
    out.push_back(entry);
  } else {
    bool replaced = false;
    for (size_t i = r.first; i < r.last; ++i) {
      std::string_view k, v;
      if (key_of(lines[i], k, v) && equal_ignoring_ascii_case(k, key)) {
        out[i] = entry;
        replaced = true;
        break;
      }
    }
    if (!replaced) {
      size_t at = r.last;
      while (at > r.first && trim(lines[at - 1]).empty()) --at;
      out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), entry);
    }
  }
  std::string text;
  text.reserve(data.size() + entry.size() + header.size() + 8);
  for (size_t i = 0; i < out.size(); ++i) {
    text.append(out[i]);
    // Keep a file that ended without a line end that way, unless lines follow.
    bool last = i + 1 == out.size();
    bool had_final_eol = data.empty() || data.back() == '\n';
    if (!last || had_final_eol || out.size() != lines.size()) text.append(eol);
  }
  return text;
}

}  // namespace

std::string WriteIniString(Disk& disk, const std::string& section, const std::string& key,
                           const std::string& value, const std::string& path) {
  return WriteIniStrings(disk, section, {{key, value}}, path);
}

std::string WriteIniStrings(Disk& disk, const std::string& section,
                            const std::vector<std::pair<std::string, std::string>>& settings,
                            const std::string& path) {
  std::vector<IniSetting> all;
  for (const auto& [key, value] : settings) all.push_back({section, key, value});
  return WriteIniSettings(disk, all, path);
}

std::string WriteIniSettings(Disk& disk, const std::vector<IniSetting>& settings,
                             const std::string& path) {
  for (const IniSetting& s : settings) {
    std::string why = refusal(s.section, s.key, s.value);
    if (!why.empty()) return why;
  }
  const std::optional<std::string> failure = failure_of([&] {
    std::string data;
    if (disk.is_file(path)) disk.read(path, data);
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) disk.make_folders(path.substr(0, slash));
    for (const IniSetting& s : settings) data = with_setting(data, s.section, s.key, s.value);
    disk.write(path, data, /*durable=*/true);
  });
  return failure.value_or("");
}

}  // namespace quillon
