#include "base/csv_columns.h"

#include "base/records.h"
#include "base/text.h"

namespace quillon {

std::string_view without_bom(std::string_view data) {
  return data.starts_with("\xEF\xBB\xBF") ? data.substr(3) : data;
}

void split_line(std::string_view line, std::vector<std::string_view>& fields) {
  if (fields.size() < 8) fields.resize(8);
  const size_t count = split_fields(line, fields.data(), fields.size());
  if (count > fields.size()) {
    fields.resize(count);
    split_fields(line, fields.data(), count);
  }
  fields.resize(count);
}

std::optional<size_t> find_column(const std::vector<std::string_view>& fields,
                                  std::string_view name) {
  for (size_t i = 0; i < fields.size(); ++i)
    if (equal_ignoring_ascii_case(trim(fields[i]), name)) return i;
  return std::nullopt;
}

void split_quoted_line(std::string_view line, std::vector<std::string>& fields) {
  fields.assign(1, std::string());
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back().push_back('"');
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back().push_back(c);
    }
  }
}

std::string_view first_line(std::string_view data) {
  std::string_view line;
  LineReader lines(without_bom(data));
  return lines.next(line) ? line : std::string_view();
}

}  // namespace quillon
