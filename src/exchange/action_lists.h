// The records of corporate actions and changes of symbol kept in the source
// folder's actions/ folder, each file told by its header:
// - the exchange's daily list (the bc member of its PR bundle):
//   SERIES,SYMBOL,SECURITY,RECORD_DT,BC_STRT_DT,BC_END_DT,EX_DT,ND_STRT_DT,
//   ND_END_DT,PURPOSE, dates DD/MM/YYYY or YYYY-MM-DD;
// - the web site's list: SYMBOL,COMPANY NAME,SERIES,PURPOSE,FACE VALUE,
//   EX-DATE,..., dates DD-Mon-YYYY, "-" for empty, values maybe quoted;
// - the list of changes of symbol: company, old symbol, new symbol, date
//   DD-MON-YYYY by position, with or without the header whose second cell
//   is SM_KEY_SYMBOL (a first line of four or more cells with a date in the
//   fourth is a row).
// The two lists of actions are read by column name, in any order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/dates.h"
#include "platform/interfaces.h"

namespace quillon {

// A price event a record announces: an equity share's (series EQ or BE)
// bonus or change of face value (price_factor.h).
struct ActionRecord {
  std::string symbol;  // trimmed, as published
  Date ex_date;
  double factor = 1;
  std::string purpose;  // trimmed, as published
};

// From `date` on, the company's shares trade as `new_symbol`.
struct SymbolChange {
  std::string old_symbol, new_symbol;
  Date date;
};

struct ActionLists {
  std::vector<ActionRecord> records;  // in the order read
  std::vector<SymbolChange> changes;
  // One status line for each file that is none of the three lists and for
  // each record whose date or purpose cannot be read, naming the file and
  // the line; the rest of such a file is read.
  std::vector<std::string> skipped;
};

// Which of the lists a file's text is.
enum class ActionListKind { corporate_actions, web_site, symbol_changes, unknown };
ActionListKind action_list_kind(std::string_view text);

// Adds what `text` holds to `lists`; `name` names it in the status lines.
// Records of other series and purposes that are no price event are passed
// over without a word.
void read_action_list(const std::string& name, std::string_view text, ActionLists& lists);

// Every *.csv file of `folder`, in the byte order of the names; nothing when
// the folder is not there. Throws Error when the folder or a file cannot be
// read.
ActionLists read_action_folder(Disk& disk, const std::string& folder);

}  // namespace quillon
