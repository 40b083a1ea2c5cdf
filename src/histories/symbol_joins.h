// Which rows make which symbol's history when companies change their
// symbols: a change OLD -> NEW dated D moves OLD's rows before D into NEW's
// history (chains followed), and a symbol whose last row is on the day file
// before NEW's first, with the same ISIN, continues as NEW when no change
// names it.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "exchange/action_lists.h"

namespace quillon {

// What the day files hold of one symbol.
struct SymbolSpan {
  std::string name;
  int32_t first = 0, last = 0;  // YYYYMMDD of its first and last rows
  std::string first_isin, last_isin;
};

// The rows of `symbol` dated from `from` up to (not including) `to`, which
// go into a history `hops` changes of symbol after theirs.
struct Segment {
  uint32_t symbol = 0;
  int32_t from = std::numeric_limits<int32_t>::min(), to = std::numeric_limits<int32_t>::max();
  int hops = 0;
};

// The history written under `owner`'s name: its own rows and those that
// changes of symbol bring in, the longest way first.
struct History {
  uint32_t owner = 0;
  std::vector<Segment> segments;
};

struct Rename {
  std::string old_symbol, new_symbol;
  int32_t first_date = 0;  // NEW's first row
};

class SymbolJoins {
 public:
  // `symbols` by id; `changes` with both names as the histories write them
  // (cut to the symbol length); `folder_days` the dates of the day files,
  // ascending. A change applies when both its symbols have rows; the ISIN
  // continuation needs one candidate each way.
  SymbolJoins(const std::vector<SymbolSpan>& symbols, const std::vector<SymbolChange>& changes,
              const std::vector<int32_t>& folder_days);

  // Every history that holds rows, in the byte order of the owners' names.
  const std::vector<History>& histories() const { return histories_; }
  // The changes that joined two histories, by old symbol then date.
  const std::vector<Rename>& renames() const { return renames_; }
  // The owner of the history holding the rows of `symbol` on `date`.
  uint32_t owner_of(uint32_t symbol, int32_t date) const;

 private:
  struct Change {
    int32_t date;
    uint32_t to;
  };
  // Where the rows of `symbol` on `date` end up, and after how many changes.
  std::pair<uint32_t, int> follow(uint32_t symbol, int32_t date) const;

  std::vector<std::vector<Change>> changes_;  // per symbol, by date
  std::vector<History> histories_;
  std::vector<Rename> renames_;
};

}  // namespace quillon
