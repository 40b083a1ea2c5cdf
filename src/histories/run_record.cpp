#include "histories/run_record.h"

#include <charconv>

#include "base/records.h"

namespace quillon {

namespace {

constexpr std::string_view kFirstLine = "quillon scrip-wise run 1";

// A line's text with its line breaks and backslashes escaped.
std::string escaped(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\\') out += "\\\\";
    else if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out.push_back(c);
  }
  return out;
}

std::optional<std::string> unescaped(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      out.push_back(s[i]);
      continue;
    }
    if (++i == s.size()) return std::nullopt;
    if (s[i] == 'r') out.push_back('\r');
    else if (s[i] == 'n') out.push_back('\n');
    else if (s[i] == '\\') out.push_back('\\');
    else return std::nullopt;
  }
  return out;
}

template <class Number>
bool number(std::string_view& s, Number& v) {
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end == s.data() + s.size() || *end != ' ') return false;
  s.remove_prefix(static_cast<size_t>(end - s.data()) + 1);
  return true;
}

}  // namespace

std::string RunRecord::text() const {
  std::string t = std::string(kFirstLine) + "\n";
  t += "settings " + escaped(settings) + "\n";
  for (const auto* list : {&inputs, &outputs})
    for (const auto& [path, stamp] : *list)
      t += std::string(list == &inputs ? "in " : "out ") + std::to_string(stamp.size) + " " +
           std::to_string(stamp.modified_ns) + " " + escaped(path) + "\n";
  for (const std::string& line : status) t += "status " + escaped(line) + "\n";
  t += "summary " + std::to_string(symbols) + " " + std::to_string(records) + " .\n";
  return t;
}

std::optional<RunRecord> RunRecord::read(std::string_view text) {
  RunRecord r;
  LineReader lines(text);
  std::string_view line;
  if (!lines.next(line) || line != kFirstLine) return std::nullopt;
  bool summary = false;
  while (lines.next(line)) {
    const size_t blank = line.find(' ');
    if (blank == std::string_view::npos || summary) return std::nullopt;
    const std::string_view kind = line.substr(0, blank);
    std::string_view rest = line.substr(blank + 1);
    if (kind == "in" || kind == "out") {
      FileStamp stamp;
      if (!number(rest, stamp.size) || !number(rest, stamp.modified_ns)) return std::nullopt;
      std::optional<std::string> path = unescaped(rest);
      if (!path) return std::nullopt;
      (kind == "in" ? r.inputs : r.outputs).emplace_back(std::move(*path), stamp);
    } else if (kind == "settings" || kind == "status") {
      std::optional<std::string> value = unescaped(rest);
      if (!value) return std::nullopt;
      if (kind == "settings") r.settings = std::move(*value);
      else r.status.push_back(std::move(*value));
    } else if (kind == "summary") {
      if (!number(rest, r.symbols) || !number(rest, r.records) || rest != ".") return std::nullopt;
      summary = true;
    } else {
      return std::nullopt;
    }
  }
  if (!summary) return std::nullopt;
  return r;
}

std::optional<RunRecord::Stamps> stamps_of(Disk& disk, const std::vector<std::string>& paths) {
  RunRecord::Stamps stamps;
  for (const std::string& path : paths) {
    const std::optional<FileStamp> s = disk.stamp(path);
    if (!s) return std::nullopt;
    stamps.emplace_back(path, *s);
  }
  return stamps;
}

}  // namespace quillon
