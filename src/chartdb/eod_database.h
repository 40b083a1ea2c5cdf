// The EOD database behind the chart program's automation object: a folder
// holding one SQLite file, eod.sqlite, with one table of daily quotes.
//
//   CREATE TABLE quotes (
//     symbol TEXT    NOT NULL,   -- as in the EOD file, case and blanks kept
//     date   INTEGER NOT NULL,   -- YYYYMMDD, e.g. 20080131
//     open REAL NOT NULL, high REAL NOT NULL, low REAL NOT NULL,
//     close REAL NOT NULL, volume NUMERIC NOT NULL,
//     oi NUMERIC NOT NULL DEFAULT 0,  -- open interest
//     PRIMARY KEY (date, symbol)) WITHOUT ROWID;
//   CREATE TABLE symbols (symbol TEXT PRIMARY KEY) WITHOUT ROWID;
//   CREATE TABLE histories (symbol TEXT PRIMARY KEY, bytes INTEGER NOT NULL,
//     hash INTEGER NOT NULL) WITHOUT ROWID;
//
// `symbols` lists every symbol ever imported, for quick completion.
// `histories` remembers, for a symbol whose last import was a history file
// (one symbol, its whole history: the scrip-wise output), the length and
// the XXH3 hash of that file: every record of those bytes is in `quotes`
// as the file has it. A later history file of the symbol that begins with
// the same bytes then has only its rest read and written; any other import
// of the symbol's quotes drops its entry. Layouts 1 (no histories) and 2
// (no oi) are upgraded in place by the importer; readers take every layout.
// Rows are kept in (date, symbol) order, so importing a day appends at the
// end of the table instead of touching one page per symbol. Lookups by
// symbol use the same key through SQLite's skip-scan, which the planner
// statistics written at creation enable ("many symbols per date").
//
// Each imported file is one transaction in WAL mode: a crash or kill at any
// moment leaves the database as it was before that file. Commits are synced
// to disk by checkpoint() (SaveDataBase), by the importer's own checkpoints
// and when the database is closed. The importer copies the WAL into the
// database file on a thread of its own, with a connection of its own, so an
// import does not wait for the disk syncs a checkpoint makes; once the WAL
// holds a few thousand pages the import itself copies the rest, so the WAL
// starts over and stays bounded.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/interfaces.h"

struct sqlite3;
struct sqlite3_stmt;

namespace quillon {

class ImportRows;  // the checked records of the file being imported (eod_database.cpp)

inline constexpr const char* kEodDatabaseFile = "eod.sqlite";
// The one import format the database reads: the EOD text file's record.
inline constexpr const char* kEodImportFormat = "VaRA_EOD.format";
inline constexpr int kEodSchemaVersion = 3;  // PRAGMA user_version

struct Quote {
  std::string symbol;
  int32_t date = 0;  // YYYYMMDD
  double open = 0, high = 0, low = 0, close = 0, volume = 0;
  double oi = 0;  // open interest
  friend bool operator==(const Quote&, const Quote&) = default;
};

class EodDatabase {
 public:
  enum class Access {
    Import,  // the importer's connection: creates the database when missing
    Read,    // a viewer's: changes nothing, not even by creating the file
  };

  // Opens the database of `folder`; for Import, creating eod.sqlite when the
  // folder holds none. Returns nullptr when `folder` is empty text or names
  // no existing folder, and for Read also when it holds no database yet.
  // Throws AutomationError (kErrApplication) when the database cannot be
  // opened or created, or was made by a newer version of the program.
  // import_file() and checkpoint() of a Read connection throw.
  static std::unique_ptr<EodDatabase> open(const std::string& folder,
                                           Access access = Access::Import);

  ~EodDatabase();
  EodDatabase(const EodDatabase&) = delete;
  EodDatabase& operator=(const EodDatabase&) = delete;
  EodDatabase(EodDatabase&&) = delete;
  EodDatabase& operator=(EodDatabase&&) = delete;

  const std::string& folder() const { return folder_; }
  std::string file_path() const;

  // Imports one EOD text file (SYMBOL,YYYYMMDD,OPEN,HIGH,LOW,CLOSE,VOLUME
  // per line, or the same and OI in every line; CR LF, LF or CR line ends;
  // empty lines are skipped) as one
  // transaction: a quote already stored for a symbol and date is replaced.
  // A history file (every record of one symbol) writes only the quotes that
  // differ from those stored, and reads only what follows the bytes of the
  // symbol's last history file when it begins with them.
  // A symbol holding a control character (a NUL, a tab...) is malformed.
  // Returns the number of records read. Throws AutomationError naming the
  // file and, for a malformed record, the line; nothing of the file is
  // stored then.
  size_t import_file(const std::string& path);

  // Copies everything imported into the database file itself and syncs it:
  // from here on a power cut loses nothing.
  void checkpoint();

  // The quotes of one symbol in date order, optionally within [from, to]
  // (YYYYMMDD, 0 for open ends).
  std::vector<Quote> quotes(const std::string& symbol, int32_t from = 0, int32_t to = 0);
  // Every symbol ever imported, in ascending order.
  std::vector<std::string> symbols();
  // How many quotes are stored.
  int64_t quote_count();
  // How many quotes the imports of this connection have written (added or
  // changed).
  int64_t quotes_written() const { return quotes_written_; }

 private:
  struct CloseDb {
    void operator()(sqlite3* db) const;
  };
  struct FinalizeStatement {
    void operator()(sqlite3_stmt* s) const;
  };
  using Connection = std::unique_ptr<sqlite3, CloseDb>;
  using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

  class Key {
    friend class EodDatabase;
    Key() = default;
  };

 public:
  EodDatabase(Key, std::string folder, Connection db);

 private:
  [[noreturn]] void fail(const std::string& what) const;
  void exec(const char* sql, const char* what);
  Statement prepare(const char* sql, unsigned flags = 0);
  void prepare_schema();
  int schema_version();
  void prepare_reading();

  void settle_wal();
  void upgrade();

  class Checkpointer;

  std::string folder_;
  Connection db_;     // declared before the statements: closed after them
  std::unique_ptr<ImportRows> rows_;  // read by insert_ through a virtual table
  Statement insert_;  // the import's prepared inserts: the file's rows, new symbols
  Statement insert_changed_;  // a history file's: only what differs
  Statement insert_symbol_;
  Statement set_history_, forget_history_;
  struct HistoryFile {
    size_t bytes;
    uint64_t hash;
  };
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  // The symbols table as read at opening and grown by committed imports.
  std::unordered_set<std::string, TextHash, std::equal_to<>> known_symbols_;
  // The histories table as read at opening and changed by committed imports.
  std::unordered_map<std::string, HistoryFile, TextHash, std::equal_to<>> histories_;
  int64_t quotes_written_ = 0;
  int wal_frames_ = 0;        // pages in the WAL after the latest commit
  int checkpoint_asked_ = 0;  // wal_frames_ when the last background one was asked
  std::unique_ptr<Checkpointer> checkpointer_;  // declared last: stopped first
};

}  // namespace quillon
