#include "exchange/action_lists.h"

#include <algorithm>
#include <optional>

#include "exchange/price_factor.h"
#include "base/csv_columns.h"
#include "base/records.h"
#include "base/text.h"
#include "platform/text_file.h"

namespace quillon {

namespace {

// The lists' dates: DD/MM/YYYY, YYYY-MM-DD or DD-Mon-YYYY, whatever the
// region writes.
const DateReader& list_dates() {
  static const DateReader reader("dd/MM/yyyy");
  return reader;
}

std::optional<size_t> column(const std::vector<std::string>& header, std::string_view name) {
  for (size_t i = 0; i < header.size(); ++i)
    if (equal_ignoring_ascii_case(trim(header[i]), name)) return i;
  return std::nullopt;
}

std::string_view cell(const std::vector<std::string>& cells, size_t i) {
  return i < cells.size() ? trim(cells[i]) : std::string_view();
}

// The columns a list of actions is read by.
struct ActionColumns {
  std::optional<size_t> series, symbol, ex_date, purpose;
  bool complete() const { return series && symbol && ex_date && purpose; }
};

ActionColumns action_columns(const std::vector<std::string>& header, std::string_view ex_date) {
  return {column(header, "SERIES"), column(header, "SYMBOL"), column(header, ex_date),
          column(header, "PURPOSE")};
}

bool is_symbol_change_header(const std::vector<std::string>& cells) {
  return cells.size() >= 4 && equal_ignoring_ascii_case(trim(cells[1]), "SM_KEY_SYMBOL");
}

bool is_symbol_change_row(const std::vector<std::string>& cells) {
  return cells.size() >= 4 && list_dates().parse(trim(cells[3])).has_value();
}

std::string at_line(const std::string& name, size_t line) {
  return name + ", line " + std::to_string(line) + ": ";
}

}  // namespace

ActionListKind action_list_kind(std::string_view text) {
  std::vector<std::string> header;
  split_quoted_line(first_line(text), header);
  if (action_columns(header, "EX_DT").complete()) return ActionListKind::corporate_actions;
  if (action_columns(header, "EX-DATE").complete()) return ActionListKind::web_site;
  if (is_symbol_change_header(header) || is_symbol_change_row(header))
    return ActionListKind::symbol_changes;
  return ActionListKind::unknown;
}

void read_action_list(const std::string& name, std::string_view text, ActionLists& lists) {
  const ActionListKind kind = action_list_kind(text);
  if (kind == ActionListKind::unknown) {
    lists.skipped.push_back(name + ": neither a list of corporate actions nor of symbol changes; skipped.");
    return;
  }
  LineReader lines(without_bom(text));
  std::string_view line;
  std::vector<std::string> cells;
  ActionColumns columns;
  if (kind != ActionListKind::symbol_changes) {
    lines.next(line);
    split_quoted_line(line, cells);
    columns = action_columns(cells, kind == ActionListKind::web_site ? "EX-DATE" : "EX_DT");
  }
  while (lines.next(line)) {
    split_quoted_line(line, cells);
    const size_t n = lines.line_number();
    if (trim(line).empty() || (n == 1 && is_symbol_change_header(cells))) continue;
    if (kind == ActionListKind::symbol_changes) {
      // The company's name may hold unquoted commas: the last three cells.
      while (cells.size() > 4 && trim(cells.back()).empty()) cells.pop_back();
      const size_t last = cells.size() - 1;
      const std::string_view date_text = cell(cells, last);
      const std::optional<Date> date = cells.size() >= 4 ? list_dates().parse(date_text) : std::nullopt;
      if (!date || cell(cells, last - 2).empty() || cell(cells, last - 1).empty()) {
        lists.skipped.push_back(at_line(name, n) + "not a change of symbol (company, old symbol, new symbol, date); skipped.");
        continue;
      }
      lists.changes.push_back({std::string(cell(cells, last - 2)), std::string(cell(cells, last - 1)), *date});
      continue;
    }
    const std::string_view series = cell(cells, *columns.series);
    if (series != "EQ" && series != "BE") continue;
    const std::string_view purpose = cell(cells, *columns.purpose);
    const PriceFactor factor = price_factor_of(purpose);
    if (factor.kind == PriceFactor::Kind::none) continue;
    if (factor.kind == PriceFactor::Kind::unreadable) {
      lists.skipped.push_back(at_line(name, n) + "the purpose '" + shown(purpose) +
                              "' names a bonus or a change of face value without readable figures; skipped.");
      continue;
    }
    const std::string_view ex_text = cell(cells, *columns.ex_date);
    const std::optional<Date> ex_date = list_dates().parse(ex_text);
    const std::string_view symbol = cell(cells, *columns.symbol);
    if (!ex_date || symbol.empty()) {
      lists.skipped.push_back(at_line(name, n) + (symbol.empty() ? std::string("the record has no symbol")
                                                                 : "the ex-date '" + shown(ex_text) + "' is not a date") +
                              "; skipped.");
      continue;
    }
    lists.records.push_back({std::string(symbol), *ex_date, factor.factor, std::string(purpose)});
  }
}

ActionLists read_action_folder(Disk& disk, const std::string& folder) {
  ActionLists lists;
  if (!disk.is_folder(folder)) return lists;
  std::vector<std::string> names = disk.list(folder, "*.csv");
  std::sort(names.begin(), names.end());
  std::string text;
  for (const std::string& name : names) {
    disk.read(join_path(folder, name), text);
    read_action_list(join_path(folder, name), text, lists);
  }
  return lists;
}

}  // namespace quillon
