#include "chartdb/eod_database.h"

#include <sqlite3.h>
#include <xxhash.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <span>
#include <string_view>
#include <system_error>
#include <thread>

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

// WAL pages (4 KB) committed between two background checkpoints, and the
// WAL's size at which the import checkpoints what is left itself.
constexpr int kCheckpointEveryFrames = 1000;
constexpr int kWalLimitFrames = 8000;

constexpr const char* kNothingImported = "; nothing of the file was imported.";

// A number as the converters write it: up to 15 digits with or without a
// fraction and a minus sign ("-1234.5"). Its digits as a whole number and a
// power of ten are both exact doubles, so their quotient is the correctly
// rounded value, the same as from_chars gives. False for any other form.
bool read_plain_decimal(std::string_view s, double& v) {
  static constexpr double kPowers[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  if (s.size() > 17) return false;  // a sign, 15 digits and a point at most
  const char* p = s.data();
  const char* const end = p + s.size();
  const bool minus = p != end && *p == '-';
  p += minus;
  const char* const first = p;
  int64_t digits = 0;
  int fraction = -1;  // digits after the point; -1: no point
  for (; p != end; ++p) {
    if (*p >= '0' && *p <= '9') {
      digits = digits * 10 + (*p - '0');
      fraction += fraction >= 0;
    } else if (*p == '.' && fraction < 0 && p != first && p + 1 != end) {
      fraction = 0;
    } else {
      return false;
    }
  }
  const auto count = end - first - (fraction >= 0);
  if (count < 1 || count > 15) return false;
  v = static_cast<double>(digits) / kPowers[std::max(fraction, 0)];
  if (minus) v = -v;
  return true;
}

bool read_number(std::string_view s, double& v) {
  if (!read_plain_decimal(s, v)) {
    if (s.empty()) return false;
    auto [end, ec] =
        std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return false;
  }
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
  if (!is_valid_date(year, month, day)) return false;  // year 0 included
  date = v;
  return true;
}

struct Record {
  std::string_view symbol;
  int32_t date;
  double values[6];  // open, high, low, close, volume, open interest
};

}  // namespace

// The checked records of the file being imported, in key order, read by
// SQLite as the virtual table import_rows(symbol, date, open, high, low,
// close, volume): one statement inserts them all, with no value bound.
class ImportRows {
 public:
  std::span<const Record> records;  // set while the insert runs

  static void add_to(sqlite3* db, ImportRows* rows) {
    static const sqlite3_module kModule = make_module();
    sqlite3_create_module(db, "import_rows", &kModule, rows);
  }

 private:
  struct Table : sqlite3_vtab {
    ImportRows* rows = nullptr;
  };
  struct Cursor : sqlite3_vtab_cursor {
    size_t at = 0;
  };
  static const Record& current(sqlite3_vtab_cursor* c) {
    return static_cast<Table*>(c->pVtab)->rows->records[static_cast<Cursor*>(c)->at];
  }

  static int connect(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** out,
                     char**) {
    const int rc = sqlite3_declare_vtab(db, "CREATE TABLE x(symbol, date, open, high, low, "
                                            "close, volume, oi)");
    if (rc != SQLITE_OK) return rc;
    auto* table = new Table{};
    table->rows = static_cast<ImportRows*>(aux);
    *out = table;
    return SQLITE_OK;
  }
  static int disconnect(sqlite3_vtab* t) {
    delete static_cast<Table*>(t);
    return SQLITE_OK;
  }
  static int best_index(sqlite3_vtab*, sqlite3_index_info* info) {
    info->estimatedCost = 1e6;
    return SQLITE_OK;
  }
  static int open(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    *out = new Cursor{};
    return SQLITE_OK;
  }
  static int close(sqlite3_vtab_cursor* c) {
    delete static_cast<Cursor*>(c);
    return SQLITE_OK;
  }
  static int filter(sqlite3_vtab_cursor* c, int, const char*, int, sqlite3_value**) {
    static_cast<Cursor*>(c)->at = 0;
    return SQLITE_OK;
  }
  static int next(sqlite3_vtab_cursor* c) {
    ++static_cast<Cursor*>(c)->at;
    return SQLITE_OK;
  }
  static int eof(sqlite3_vtab_cursor* c) {
    return static_cast<Cursor*>(c)->at >= static_cast<Table*>(c->pVtab)->rows->records.size();
  }
  static int column(sqlite3_vtab_cursor* c, sqlite3_context* ctx, int i) {
    const Record& r = current(c);
    if (i == 0)
      sqlite3_result_text(ctx, r.symbol.data(), static_cast<int>(r.symbol.size()), SQLITE_STATIC);
    else if (i == 1)
      sqlite3_result_int(ctx, r.date);
    else
      sqlite3_result_double(ctx, r.values[i - 2]);
    return SQLITE_OK;
  }
  static int rowid(sqlite3_vtab_cursor* c, sqlite3_int64* id) {
    *id = static_cast<sqlite3_int64>(static_cast<Cursor*>(c)->at);
    return SQLITE_OK;
  }
  // No xCreate: an eponymous table, there without a CREATE VIRTUAL TABLE.
  static sqlite3_module make_module() {
    sqlite3_module m{};
    m.xConnect = connect;
    m.xBestIndex = best_index;
    m.xDisconnect = disconnect;
    m.xOpen = open;
    m.xClose = close;
    m.xFilter = filter;
    m.xNext = next;
    m.xEof = eof;
    m.xColumn = column;
    m.xRowid = rowid;
    return m;
  }
};

// Copies the WAL into the database file on a thread of its own, through a
// connection of its own: PASSIVE checkpoints, which never wait for nor block
// the importer's transactions. A failure is left to the next checkpoint.
class EodDatabase::Checkpointer {
 public:
  explicit Checkpointer(std::string file) : file_(std::move(file)) {}
  ~Checkpointer() {
    {
      std::lock_guard lock(state_);
      stop_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
  }
  Checkpointer(const Checkpointer&) = delete;
  Checkpointer& operator=(const Checkpointer&) = delete;

  // Asks for a checkpoint of everything committed so far. False when no
  // thread can run one.
  bool request() {
    std::lock_guard lock(state_);
    if (!thread_.joinable()) {
      try {
        thread_ = std::thread([this] { run(); });
      } catch (const std::system_error&) {
        return false;
      }
    }
    wanted_ = true;
    wake_.notify_one();
    return true;
  }

  // Holds off background checkpoints (waiting for a running one) while the
  // returned lock lives.
  std::unique_lock<std::mutex> pause() { return std::unique_lock(busy_); }

 private:
  void run() {
    sqlite3* raw = nullptr;
    sqlite3_open_v2(file_.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    const Connection db(raw);
    // A first read makes the connection find the database in WAL mode.
    sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    std::unique_lock lock(state_);
    for (;;) {
      wake_.wait(lock, [this] { return wanted_ || stop_; });
      if (stop_) return;
      wanted_ = false;
      lock.unlock();
      {
        std::lock_guard busy(busy_);
        sqlite3_wal_checkpoint_v2(db.get(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
      }
      lock.lock();
    }
  }

  const std::string file_;
  std::mutex state_;  // guards wanted_ and stop_
  std::condition_variable wake_;
  bool wanted_ = false, stop_ = false;
  std::mutex busy_;  // held while a checkpoint runs
  std::thread thread_;
};

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
  if (v < 1 || v > kEodSchemaVersion)
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
            " close REAL NOT NULL, volume NUMERIC NOT NULL, oi NUMERIC NOT NULL DEFAULT 0,"
            " PRIMARY KEY (date, symbol)) WITHOUT ROWID;"
            "CREATE TABLE symbols (symbol TEXT PRIMARY KEY) WITHOUT ROWID;"
            "CREATE TABLE histories (symbol TEXT PRIMARY KEY, bytes INTEGER NOT NULL,"
            " hash INTEGER NOT NULL) WITHOUT ROWID;"
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
  upgrade();
  prepare_reading();
  rows_ = std::make_unique<ImportRows>();
  ImportRows::add_to(db_.get(), rows_.get());
  insert_ = prepare(
      "INSERT OR REPLACE INTO quotes(symbol, date, open, high, low, close, volume, oi)"
      " SELECT symbol, date, open, high, low, close, volume, oi FROM import_rows",
      SQLITE_PREPARE_PERSISTENT);
  insert_changed_ = prepare(
      "INSERT INTO quotes(symbol, date, open, high, low, close, volume, oi)"
      " SELECT symbol, date, open, high, low, close, volume, oi FROM import_rows WHERE true"
      " ON CONFLICT(date, symbol) DO UPDATE SET open = excluded.open, high = excluded.high,"
      " low = excluded.low, close = excluded.close, volume = excluded.volume, oi = excluded.oi"
      " WHERE open IS NOT excluded.open OR high IS NOT excluded.high OR low IS NOT excluded.low"
      " OR close IS NOT excluded.close OR volume IS NOT excluded.volume OR oi IS NOT excluded.oi",
      SQLITE_PREPARE_PERSISTENT);
  insert_symbol_ =
      prepare("INSERT OR IGNORE INTO symbols(symbol) VALUES(?1)", SQLITE_PREPARE_PERSISTENT);
  set_history_ = prepare("INSERT OR REPLACE INTO histories(symbol, bytes, hash) VALUES(?1, ?2, ?3)",
                         SQLITE_PREPARE_PERSISTENT);
  forget_history_ = prepare("DELETE FROM histories WHERE symbol = ?1", SQLITE_PREPARE_PERSISTENT);
  for (std::string& symbol : symbols()) known_symbols_.insert(std::move(symbol));
  Statement h = prepare("SELECT symbol, bytes, hash FROM histories");
  while (sqlite3_step(h.get()) == SQLITE_ROW)
    histories_.emplace(std::string(reinterpret_cast<const char*>(sqlite3_column_text(h.get(), 0)),
                                   static_cast<size_t>(sqlite3_column_bytes(h.get(), 0))),
                       HistoryFile{static_cast<size_t>(sqlite3_column_int64(h.get(), 1)),
                                   static_cast<uint64_t>(sqlite3_column_int64(h.get(), 2))});
  // Our own hook replaces SQLite's automatic checkpoints: see settle_wal().
  sqlite3_wal_hook(
      db_.get(),
      [](void* self, sqlite3*, const char*, int frames) {
        static_cast<EodDatabase*>(self)->wal_frames_ = frames;
        return SQLITE_OK;
      },
      this);
  checkpointer_ = std::make_unique<Checkpointer>(file_path());
}

// Layout 1 had no histories table, layouts 1 and 2 no open interest: what
// is missing is added in one transaction, every quote kept; a failure leaves
// the database as it was.
void EodDatabase::upgrade() {
  if (schema_version() >= kEodSchemaVersion) return;
  exec("BEGIN IMMEDIATE", "cannot be upgraded");
  try {
    const int from = schema_version();
    if (from == 1)
      exec("CREATE TABLE histories (symbol TEXT PRIMARY KEY, bytes INTEGER NOT NULL,"
           " hash INTEGER NOT NULL) WITHOUT ROWID;",
           "cannot be upgraded");
    if (from == 1 || from == 2)
      exec("ALTER TABLE quotes ADD COLUMN oi NUMERIC NOT NULL DEFAULT 0;"
           "PRAGMA user_version=3;",
           "cannot be upgraded");
    exec("COMMIT", "cannot be upgraded");
  } catch (...) {
    sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

void EodDatabase::settle_wal() {
  if (wal_frames_ < checkpoint_asked_) checkpoint_asked_ = 0;  // the WAL started over
  if (wal_frames_ - checkpoint_asked_ < kCheckpointEveryFrames) return;
  if (wal_frames_ < kWalLimitFrames && checkpointer_->request()) {
    checkpoint_asked_ = wal_frames_;
    return;
  }
  // The rest, mostly a few files' pages, here: with the WAL copied whole, the
  // next import starts writing it over from its beginning.
  const auto paused = checkpointer_->pause();
  sqlite3_wal_checkpoint_v2(db_.get(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
  checkpoint_asked_ = wal_frames_;
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

  // A history file that begins with the bytes of the symbol's last one:
  // only its rest is read. Its first line names the symbol.
  const std::string_view first = std::string_view(data).substr(0, data.find_first_of(",\r\n"));
  XXH3_state_t* hash = XXH3_createState();
  const std::unique_ptr<XXH3_state_t, XXH_errorcode (*)(XXH3_state_t*)> hash_owner(hash, XXH3_freeState);
  XXH3_64bits_reset(hash);
  size_t known = 0;
  if (const auto h = histories_.find(first); h != histories_.end() && h->second.bytes <= data.size() &&
                                             h->second.bytes > 0 && data[h->second.bytes - 1] == '\n') {
    XXH3_64bits_update(hash, data.data(), h->second.bytes);
    if (XXH3_64bits_digest(hash) == h->second.hash) known = h->second.bytes;
    else XXH3_64bits_reset(hash);
  }
  XXH3_64bits_update(hash, data.data() + known, data.size() - known);

  // Read and check every record before anything is written.
  std::vector<Record> records;
  records.reserve((data.size() - known) / 40 + 1);
  LineReader lines(std::string_view(data).substr(known));
  std::string_view line;
  std::string_view f[8];
  size_t fields = 0;  // of the file's records: 7, or 8 with open interest
  auto bad = [&](const std::string& what) {
    const auto before = std::count(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(known), '\n');
    throw AutomationError(kErrBadRecord, "Line " + std::to_string(before + static_cast<std::ptrdiff_t>(lines.line_number())) +
                                             " of '" + path + "'" + what + kNothingImported);
  };
  bool history = !first.empty();  // every record of the first one's symbol
  while (lines.next(line)) {
    if (line.empty()) continue;
    const size_t n = split_fields(line, f, 8);
    if (n != 7 && n != 8)
      bad(" has " + std::to_string(n) + (n == 1 ? " field" : " fields") +
          " instead of the 7 of SYMBOL,YYYYMMDD,OPEN,HIGH,LOW,CLOSE,VOLUME (or 8, OI last)");
    if (fields == 0) fields = n;
    if (n != fields)
      bad(" has " + std::to_string(n) + " fields where the lines before have " + std::to_string(fields));
    Record r{};
    r.symbol = f[0];
    if (r.symbol.empty()) bad(" has no symbol");
    if (has_control_character(r.symbol))
      bad(": the symbol '" + shown(r.symbol) + "' holds a control character");
    if (!read_date(f[1], r.date))
      bad(": the date '" + shown(f[1]) + "' is not a day written YYYYMMDD");
    for (size_t i = 0; i + 2 < n; ++i)
      if (!read_number(f[2 + i], r.values[i]))
        bad(std::string(": the ") + (i < 5 ? kOutputFieldNames[2 + i] : "OI") + " value '" + shown(f[2 + i]) +
            "' is not a number");
    history = history && r.symbol == first;
    records.push_back(r);
  }
  const size_t records_in_file = records.size() + static_cast<size_t>(std::count(
                                                      data.begin(), data.begin() + static_cast<std::ptrdiff_t>(known), '\n'));
  if (history && known == data.size()) return records_in_file;  // nothing new
  // Key order makes the inserts of a day append at the end of the table; a
  // stable sort keeps the file's order among repeats, so the last one counts.
  auto key_less = [](const Record& a, const Record& b) {
    return a.date != b.date ? a.date < b.date : a.symbol < b.symbol;
  };
  if (!std::is_sorted(records.begin(), records.end(), key_less))  // a day's file mostly is
    std::stable_sort(records.begin(), records.end(), key_less);

  std::vector<std::string_view> new_symbols, forgotten;
  std::string_view previous;
  for (const Record& r : records) {
    if (r.symbol == previous) continue;  // a history: one symbol, many dates
    previous = r.symbol;
    // A repeat across the dates of a file is ignored by the insert.
    if (!known_symbols_.contains(r.symbol)) new_symbols.push_back(r.symbol);
    if (!history && histories_.contains(r.symbol)) forgotten.push_back(r.symbol);
  }
  std::sort(forgotten.begin(), forgotten.end());
  forgotten.erase(std::unique(forgotten.begin(), forgotten.end()), forgotten.end());
  const HistoryFile file{data.size(), XXH3_64bits_digest(hash)};

  sqlite3_stmt* sst = insert_symbol_.get();
  auto run = [&](sqlite3_stmt* s) {
    const int rc = sqlite3_step(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE) fail("did not take '" + path + "'");
  };
  auto bind_symbol = [](sqlite3_stmt* st, std::string_view symbol) {
    sqlite3_bind_text(st, 1, symbol.data(), static_cast<int>(symbol.size()), SQLITE_STATIC);
  };
  int64_t written = 0;
  exec("BEGIN IMMEDIATE", ("cannot take '" + path + "'").c_str());
  try {
    rows_->records = records;
    run(history ? insert_changed_.get() : insert_.get());
    written = sqlite3_changes64(db_.get());
    rows_->records = {};
    for (std::string_view symbol : new_symbols) {
      bind_symbol(sst, symbol);
      run(sst);
    }
    for (std::string_view symbol : forgotten) {
      bind_symbol(forget_history_.get(), symbol);
      run(forget_history_.get());
    }
    if (history) {
      bind_symbol(set_history_.get(), first);
      sqlite3_bind_int64(set_history_.get(), 2, static_cast<sqlite3_int64>(file.bytes));
      sqlite3_bind_int64(set_history_.get(), 3, static_cast<sqlite3_int64>(file.hash));
      run(set_history_.get());
    }
    exec("COMMIT", ("did not take '" + path + "'").c_str());
  } catch (...) {
    rows_->records = {};
    for (sqlite3_stmt* st : {sst, forget_history_.get(), set_history_.get()}) sqlite3_clear_bindings(st);
    if (!sqlite3_get_autocommit(db_.get()))
      sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  // The bound texts point into `data`.
  for (sqlite3_stmt* st : {sst, forget_history_.get(), set_history_.get()}) sqlite3_clear_bindings(st);
  quotes_written_ += written;
  for (std::string_view symbol : new_symbols) known_symbols_.emplace(symbol);
  for (std::string_view symbol : forgotten) histories_.erase(histories_.find(symbol));
  if (history) histories_.insert_or_assign(std::string(first), file);
  settle_wal();
  return records_in_file;
}

void EodDatabase::checkpoint() {
  std::unique_lock<std::mutex> paused;
  if (checkpointer_) paused = checkpointer_->pause();
  exec("PRAGMA wal_checkpoint(TRUNCATE)", "cannot be saved");
}

std::vector<Quote> EodDatabase::quotes(const std::string& symbol, int32_t from, int32_t to) {
  // "+date" keeps the date range off the key, so the planner skips along the
  // key by symbol instead of reading every quote of the range.
  Statement s = prepare(schema_version() >= 3
                            ? "SELECT date, open, high, low, close, volume, oi FROM quotes"
                              " WHERE symbol = ?1 AND +date BETWEEN ?2 AND ?3 ORDER BY date"
                            : "SELECT date, open, high, low, close, volume, 0 FROM quotes"
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
    q.oi = sqlite3_column_double(s.get(), 6);
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
