// Reading the exchange's CSV files by column name: the header's columns
// found whatever their order, blanks around fields and a byte-order mark
// before the first line passed over.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The text without a UTF-8 byte-order mark at its start.
std::string_view without_bom(std::string_view data);

// Splits a line at every "," into `fields` (replacing what it held),
// keeping empty fields and blanks.
void split_line(std::string_view line, std::vector<std::string_view>& fields);

// The first of `fields` that is `name` once its blanks are trimmed, in any
// letter case.
std::optional<size_t> find_column(const std::vector<std::string_view>& fields,
                                  std::string_view name);

// Splits a line of a CSV file that may quote its values: a value in double
// quotes keeps its commas, and "" inside it is one quote. Blanks outside the
// quotes are kept, as split_line keeps them.
void split_quoted_line(std::string_view line, std::vector<std::string>& fields);

// The first line of a text (without its line end, after a byte-order mark).
std::string_view first_line(std::string_view data);

}  // namespace quillon
