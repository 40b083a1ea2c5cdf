#include "chartdb/eod_database.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <string_view>

#include "base/records.h"
#include "platform/interfaces.h"
#include "platform/text_file.h"
#include "base/dates.h"

namespace quillon {

namespace {

// Planner statistics written at creation: about 2,300 symbols a date, one
// quote per (date, symbol). They make SQLite answer "WHERE symbol = ?" by
// skipping from date to date along the key instead of reading every row.
constexpr const char* kQuotesStat = "2300000 2300 1";

constexpr const char* kInsertQuotes =
    "INSERT OR REPLACE INTO quotes(symbol, date, open, high, low, close, volume) VALUES";
constexpr size_t kBatchRows = 32;  // 224 parameters a statement

constexpr const char* kNothingImported = "; nothing of the file was imported.";

bool read_number(std::string_view s, double& v) {
  if (s.empty()) return false;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return false;
  if (v == 0) v = 0;  // "-0" is stored as 0, as the converters write it
  return true;
}

bool has_control_character(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f;
  });
}

// Eight digits YYYYMMDD naming a day of the calendar.
bool read_date(std::string_view s, int32_t& date) {
  if (s.size() != 8) return false;
  int32_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  const int year = v / 10000, month = v / 100 % 100, day = v % 100;
  if (year < 1 || !is_valid_date(year, month, day)) return false;
  date = v;
  return true;
}

struct Record {
  std::string_view symbol;
  int32_t date;
  double values[5];  // open, high, low, close, volume
};

}  // namespace

void EodDatabase::CloseDb::operator()(sqlite3* db) const { sqlite3_close_v2(db); }
void EodDatabase::FinalizeStatement::operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }

EodDatabase::EodDatabase(Key, std::string folder, Connection db)
    : folder_(std::move(folder)), db_(std::move(db)) {}

EodDatabase::~EodDatabase() = default;

std::string EodDatabase::file_path() const { return join_path(folder_, kEodDatabaseFile); }

void EodDatabase::fail(const std::string& what) const {
  throw AutomationError(kErrApplication, "The chart database '" + file_path() + "' " + what + ": " +
                                             sqlite3_errmsg(db_.get()) + ".");
}

void EodDatabase::exec(const char* sql, const char* what) {
  if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK) fail(what);
}

EodDatabase::Statement EodDatabase::prepare(const char* sql, unsigned flags) {
  sqlite3_stmt* raw = nullptr;
  const int rc = sqlite3_prepare_v3(db_.get(), sql, -1, flags, &raw, nullptr);
  Statement s(raw);
  if (rc != SQLITE_OK) fail("cannot be queried");
  return s;
}

std::unique_ptr<EodDatabase> EodDatabase::open(const std::string& folder, Access access) {
  std::error_code ec;
  if (folder.empty() || !std::filesystem::is_directory(folder, ec)) return nullptr;
  const std::string file = join_path(folder, kEodDatabaseFile);
  const bool read = access == Access::Read;
  if (read && !std::filesystem::exists(file, ec)) return nullptr;
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(
      file.c_str(), &raw,
      (read ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
          SQLITE_OPEN_NOMUTEX,
      nullptr);
  Connection db(raw);
  if (rc != SQLITE_OK)
    throw AutomationError(kErrApplication,
                          "Cannot open the chart database '" + file +
                              "': " + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)) + ".");
  auto self = std::make_unique<EodDatabase>(Key{}, folder, std::move(db));
  if (!read) {
    self->prepare_schema();
  } else {
    sqlite3_busy_timeout(self->db_.get(), 5000);
    if (self->schema_version() == 0) return nullptr;  // made, but not filled in yet
    self->prepare_reading();
  }
  return self;
}

int EodDatabase::schema_version() {
  Statement s = prepare("PRAGMA user_version");
  if (sqlite3_step(s.get()) != SQLITE_ROW) fail("cannot be read");
  return sqlite3_column_int(s.get(), 0);
}

void EodDatabase::prepare_reading() {
  const int v = schema_version();
  if (v != kEodSchemaVersion)
    throw AutomationError(kErrApplication, "The chart database '" + file_path() +
                                               "' has the layout " + std::to_string(v) +
                                               ", which this version (layout " +
                                               std::to_string(kEodSchemaVersion) +
                                               ") cannot read; it was not opened.");
}

void EodDatabase::prepare_schema() {
  sqlite3_busy_timeout(db_.get(), 5000);
  // WAL: readers (the chart window, a user's SQLite client) never block an
  // import, and a commit survives a kill of the program. NORMAL: the WAL is
  // synced at checkpoints, not at every commit (a sync costs milliseconds a
  // file); a power cut may lose the latest whole files, never part of one.
  exec("PRAGMA journal_mode=WAL", "cannot be opened (is it a database file?)");
  exec("PRAGMA synchronous=NORMAL", "cannot be opened");

  if (schema_version() == 0) {
    exec("BEGIN IMMEDIATE", "cannot be created");
    try {
      if (schema_version() == 0) {  // not made meanwhile by another program
        exec(
            "CREATE TABLE quotes ("
            " symbol TEXT NOT NULL,"
            " date INTEGER NOT NULL,"
            " open REAL NOT NULL, high REAL NOT NULL, low REAL NOT NULL,"
            " close REAL NOT NULL, volume NUMERIC NOT NULL,"
            " PRIMARY KEY (date, symbol)) WITHOUT ROWID;"
            "CREATE TABLE symbols (symbol TEXT PRIMARY KEY) WITHOUT ROWID;"
            "ANALYZE quotes;"
            "DELETE FROM sqlite_stat1 WHERE tbl = 'quotes';",
            "cannot be created");
        const std::string stat =
            std::string("INSERT INTO sqlite_stat1 VALUES('quotes', 'quotes', '") + kQuotesStat +
            "');PRAGMA user_version=" + std::to_string(kEodSchemaVersion) + ";";
        exec(stat.c_str(), "cannot be created");
      }
      exec("COMMIT", "cannot be created");
    } catch (...) {
      sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
    exec("ANALYZE sqlite_master", "cannot be opened");  // loads the statistics
  }
  prepare_reading();
  const std::string one = std::string(kInsertQuotes) + "(?,?,?,?,?,?,?)";
  insert_ = prepare(one.c_str(), SQLITE_PREPARE_PERSISTENT);
  // Many rows a statement: less work per quote than one row each.
  std::string batch = kInsertQuotes;
  for (size_t k = 0; k < kBatchRows; ++k) batch += k ? ",(?,?,?,?,?,?,?)" : "(?,?,?,?,?,?,?)";
  insert_batch_ = prepare(batch.c_str(), SQLITE_PREPARE_PERSISTENT);
  insert_symbol_ =
      prepare("INSERT OR IGNORE INTO symbols(symbol) VALUES(?1)", SQLITE_PREPARE_PERSISTENT);
  for (std::string& symbol : symbols()) known_symbols_.insert(std::move(symbol));
}

size_t EodDatabase::import_file(const std::string& path) {
  if (!insert_)
    throw AutomationError(kErrApplication, "The chart database '" + file_path() +
                                               "' is open for reading only; '" + path +
                                               "' was not imported.");
  std::string data;
  try {
    read_file(path, data);
  } catch (const Error& e) {
    throw AutomationError(kErrFileAccess, std::string(e.what()) + " Nothing was imported.");
  }

  // Read and check every record before anything is written.
  std::vector<Record> records;
  records.reserve(data.size() / 40 + 1);
  LineReader lines(data);
  std::string_view line;
  std::string_view f[7];
  auto bad = [&](const std::string& what) {
    throw AutomationError(kErrBadRecord, "Line " + std::to_string(lines.line_number()) + " of '" +
                                             path + "'" + what + kNothingImported);
  };
  while (lines.next(line)) {
    if (line.empty()) continue;
    const size_t n = split_fields(line, f, 7);
    if (n != 7)
      bad(" has " + std::to_string(n) + (n == 1 ? " field" : " fields") +
          " instead of the 7 of SYMBOL,YYYYMMDD,OPEN,HIGH,LOW,CLOSE,VOLUME");
    Record r{};
    r.symbol = f[0];
    if (r.symbol.empty()) bad(" has no symbol");
    if (has_control_character(r.symbol))
      bad(": the symbol '" + shown(r.symbol) + "' holds a control character");
    if (!read_date(f[1], r.date))
      bad(": the date '" + shown(f[1]) + "' is not a day written YYYYMMDD");
    for (int i = 0; i < 5; ++i)
      if (!read_number(f[2 + i], r.values[i]))
        bad(std::string(": the ") + kOutputFieldNames[2 + i] + " value '" + shown(f[2 + i]) +
            "' is not a number");
    records.push_back(r);
  }
  // Key order makes the inserts of a day append at the end of the table; a
  // stable sort keeps the file's order among repeats, so the last one counts.
  std::stable_sort(records.begin(), records.end(), [](const Record& a, const Record& b) {
    return a.date != b.date ? a.date < b.date : a.symbol < b.symbol;
  });

  std::vector<std::string_view> new_symbols;
  for (const Record& r : records)
    if (!known_symbols_.contains(r.symbol) &&
        (new_symbols.empty() || new_symbols.back() != r.symbol))
      new_symbols.push_back(r.symbol);

  sqlite3_stmt* st = insert_.get();
  sqlite3_stmt* batch = insert_batch_.get();
  sqlite3_stmt* sst = insert_symbol_.get();
  auto run = [&](sqlite3_stmt* s) {
    const int rc = sqlite3_step(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE) fail("did not take '" + path + "'");
  };
  exec("BEGIN IMMEDIATE", ("cannot take '" + path + "'").c_str());
  try {
    auto bind = [](sqlite3_stmt* s, int first, const Record& r) {
      sqlite3_bind_text(s, first, r.symbol.data(), static_cast<int>(r.symbol.size()),
                        SQLITE_STATIC);
      sqlite3_bind_int(s, first + 1, r.date);
      for (int i = 0; i < 5; ++i) sqlite3_bind_double(s, first + 2 + i, r.values[i]);
    };
    size_t i = 0;
    for (; i + kBatchRows <= records.size(); i += kBatchRows) {
      for (size_t k = 0; k < kBatchRows; ++k)
        bind(batch, static_cast<int>(7 * k + 1), records[i + k]);
      run(batch);
    }
    for (; i < records.size(); ++i) {
      bind(st, 1, records[i]);
      run(st);
    }
    for (std::string_view symbol : new_symbols) {
      sqlite3_bind_text(sst, 1, symbol.data(), static_cast<int>(symbol.size()), SQLITE_STATIC);
      run(sst);
    }
    exec("COMMIT", ("did not take '" + path + "'").c_str());
  } catch (...) {
    sqlite3_clear_bindings(st);
    sqlite3_clear_bindings(batch);
    sqlite3_clear_bindings(sst);
    if (!sqlite3_get_autocommit(db_.get()))
      sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  sqlite3_clear_bindings(st);  // the bound texts point into `data`
  sqlite3_clear_bindings(batch);
  sqlite3_clear_bindings(sst);
  for (std::string_view symbol : new_symbols) known_symbols_.emplace(symbol);
  return records.size();
}

void EodDatabase::checkpoint() { exec("PRAGMA wal_checkpoint(TRUNCATE)", "cannot be saved"); }

std::vector<Quote> EodDatabase::quotes(const std::string& symbol, int32_t from, int32_t to) {
  // "+date" keeps the date range off the key, so the planner skips along the
  // key by symbol instead of reading every quote of the range.
  Statement s = prepare(
      "SELECT date, open, high, low, close, volume FROM quotes"
      " WHERE symbol = ?1 AND +date BETWEEN ?2 AND ?3 ORDER BY date");
  sqlite3_bind_text(s.get(), 1, symbol.data(), static_cast<int>(symbol.size()), SQLITE_STATIC);
  sqlite3_bind_int(s.get(), 2, from);
  sqlite3_bind_int(s.get(), 3, to > 0 ? to : 99999999);
  std::vector<Quote> out;
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
    Quote q;
    q.symbol = symbol;
    q.date = sqlite3_column_int(s.get(), 0);
    q.open = sqlite3_column_double(s.get(), 1);
    q.high = sqlite3_column_double(s.get(), 2);
    q.low = sqlite3_column_double(s.get(), 3);
    q.close = sqlite3_column_double(s.get(), 4);
    q.volume = sqlite3_column_double(s.get(), 5);
    out.push_back(std::move(q));
  }
  if (rc != SQLITE_DONE) fail("cannot be read");
  return out;
}

std::vector<std::string> EodDatabase::symbols() {
  Statement s = prepare("SELECT symbol FROM symbols ORDER BY symbol");
  std::vector<std::string> out;
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW)
    out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0)),
                     static_cast<size_t>(sqlite3_column_bytes(s.get(), 0)));
  if (rc != SQLITE_DONE) fail("cannot be read");
  return out;
}

int64_t EodDatabase::quote_count() {
  Statement s = prepare("SELECT count(*) FROM quotes");
  if (sqlite3_step(s.get()) != SQLITE_ROW) fail("cannot be read");
  return sqlite3_column_int64(s.get(), 0);
}

}  // namespace quillon
