#include "histories/scrip_wise.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>

#include "exchange/action_lists.h"
#include "base/records.h"
#include "base/text.h"
#include "calendar/day_files.h"
#include "conversion/ordered_work.h"
#include "histories/day_rows.h"
#include "histories/price_events.h"
#include "histories/run_record.h"
#include "histories/symbol_joins.h"
#include "platform/text_file.h"

namespace quillon {

namespace {

constexpr std::string_view kDoneLine = "Extract of Data from BhavCopy is done....!";

int32_t ymd(const Date& d) { return d.year * 10000 + d.month * 100 + d.day; }
Date date_of(int32_t v) { return {v / 10000, v / 100 % 100, v % 100}; }
std::string iso(int32_t v) { return format_date(date_of(v), "yyyy-MM-dd"); }

// The rows of every symbol in file order, in chunks of a few hundred rows
// (so a symbol seen once wastes little) carved from blocks of 16 MB (few
// allocations, huge pages where the system gives them), counted against a
// budget.
class RowStore {
 public:
  explicit RowStore(size_t budget) : budget_(budget) {}

  // Stores a row; false, storing nothing, once the budget is spent.
  bool add(uint32_t symbol, const DayRow& row) {
    if (symbol >= rows_.size()) rows_.resize(symbol + 1);
    Rows& r = rows_[symbol];
    if (r.chunks.empty() || r.last_fill == capacity(r.chunks.size() - 1)) {
      const size_t n = capacity(r.chunks.size());
      if (bytes_ + n * sizeof(DayRow) > budget_) return false;
      bytes_ += n * sizeof(DayRow);
      r.chunks.push_back(allocate(n));
      r.last_fill = 0;
    }
    r.chunks.back()[r.last_fill++] = row;
    return true;
  }

  template <class Visit>
  void for_each(uint32_t symbol, Visit&& visit) const {
    if (symbol >= rows_.size()) return;
    const Rows& r = rows_[symbol];
    for (size_t k = 0; k < r.chunks.size(); ++k) {
      const size_t n = k + 1 == r.chunks.size() ? r.last_fill : capacity(k);
      for (size_t i = 0; i < n; ++i) visit(r.chunks[k][i]);
    }
  }

  void clear() {
    rows_.clear();
    blocks_.clear();
    block_used_ = kBlockRows;
    bytes_ = 0;
  }

  // The bytes `count` rows of one symbol take.
  static size_t bytes_for(size_t count) {
    size_t bytes = 0;
    for (size_t k = 0; count > 0; ++k) {
      bytes += capacity(k) * sizeof(DayRow);
      count -= std::min(count, capacity(k));
    }
    return bytes;
  }

 private:
  static constexpr size_t kBlockRows = (size_t{16} << 20) / sizeof(DayRow);
  static size_t capacity(size_t chunk) { return std::min<size_t>(size_t{32} << std::min<size_t>(chunk, 3), 256); }

  DayRow* allocate(size_t n) {
    if (block_used_ + n > kBlockRows) {
      constexpr size_t kHuge = size_t{2} << 20;
      const size_t bytes = (kBlockRows * sizeof(DayRow) + kHuge - 1) / kHuge * kHuge;
      void* block = std::aligned_alloc(kHuge, bytes);
      if (!block) throw std::bad_alloc();
      ::madvise(block, bytes, MADV_HUGEPAGE);  // a hint: fewer page faults
      blocks_.emplace_back(static_cast<DayRow*>(block));
      block_used_ = 0;
    }
    DayRow* chunk = blocks_.back().get() + block_used_;
    block_used_ += n;
    return chunk;
  }

  struct Free {
    void operator()(DayRow* p) const { std::free(p); }
  };
  struct Rows {
    std::vector<DayRow*> chunks;
    size_t last_fill = 0;
  };
  std::vector<Rows> rows_;
  std::vector<std::unique_ptr<DayRow, Free>> blocks_;
  size_t block_used_ = kBlockRows;
  size_t bytes_ = 0, budget_;
};

// The day files' dates, and where files are missing between two of them:
// a trading day of a year the calendar knows, or, in other years, more
// than four calendar days between consecutive day files.
class FolderDays {
 public:
  FolderDays(std::vector<int32_t> days, const TradingCalendar& calendar) : days_(std::move(days)) {
    gaps_before_.assign(days_.size(), 0);
    for (size_t k = 1; k < days_.size(); ++k)
      gaps_before_[k] = gaps_before_[k - 1] + (missing_between(days_[k - 1], days_[k], calendar).empty() ? 0 : 1);
    calendar_ = &calendar;
  }
  const std::vector<int32_t>& days() const { return days_; }

  // The gaps (as indexes of the day file after each) between two days of
  // the folder; empty when none is missing.
  void gaps_between(int32_t from, int32_t to, std::vector<size_t>& gaps) const {
    const size_t a = index(from), b = index(to);
    if (gaps_before_[b] == gaps_before_[a]) return;
    for (size_t k = a + 1; k <= b; ++k)
      if (gaps_before_[k] != gaps_before_[k - 1]) gaps.push_back(k);
  }

  // "2024-07-10, 2024-07-11" or "the days between 2003-03-02 and 2003-03-09".
  std::string describe_gap(size_t k) const { return missing_between(days_[k - 1], days_[k], *calendar_); }

 private:
  size_t index(int32_t day) const {
    return static_cast<size_t>(std::lower_bound(days_.begin(), days_.end(), day) - days_.begin());
  }
  static std::string missing_between(int32_t from, int32_t to, const TradingCalendar& calendar) {
    std::string known;
    bool unknown_year = false;
    int span = 0;
    for (Date d = next_day(date_of(from)); ymd(d) < to; d = next_day(d), ++span) {
      if (!calendar.knows_year(d.year)) unknown_year = true;
      else if (calendar.is_trading_day(d)) known += (known.empty() ? "" : ", ") + format_date(d, "yyyy-MM-dd");
    }
    if (unknown_year && span + 1 > 4)
      known += (known.empty() ? "" : ", ") + ("the days between " + iso(from) + " and " + iso(to));
    return known;
  }

  std::vector<int32_t> days_;
  std::vector<int> gaps_before_;  // gaps between day files up to each
  const TradingCalendar* calendar_ = nullptr;
};

struct TextHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// One day file being read.
struct DayFileSlot {
  std::string data;
  DayFileRows rows;
};

// One history being made.
struct HistorySlot {
  struct Tagged {
    DayRow row;
    uint32_t segment;
  };
  std::vector<Tagged> tagged;
  std::vector<DayRow> rows;
  std::vector<int32_t> duplicate_days;
  std::vector<size_t> gaps;  // blocked comparisons
  std::vector<PriceEvent> events;
  std::string text;
  bool unchanged = false;
};

void append_csv_value(std::string& out, std::string_view v) {
  if (v.find_first_of(",\"") == std::string_view::npos) {
    out.append(v);
    return;
  }
  out.push_back('"');
  for (char c : v) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

class ScripWiseRun {
 public:
  ScripWiseRun(const ScripWiseJob& job, const TradingCalendar& calendar, Disk& disk, RunProgress& progress,
               StatusSink& status)
      : job_(job), calendar_(calendar), disk_(disk), progress_(progress), status_(status),
        length_(read_symbol_length(job.symbol_length)), dates_(job.conversion.date_pattern),
        store_(job.memory_budget) {}

  void run(ConversionResult& result) {
    const ConversionJob& c = job_.conversion;
    if (c.source_folder.empty()) throw Error("No source folder is selected.");
    result.listed = disk_.list(c.source_folder, "*.csv");
    const bool bse = job_.exchange == Exchange::bse;
    std::erase_if(result.listed, [bse](const std::string& name) {
      auto starts = [&](std::string_view s) {
        return equal_ignoring_ascii_case(name.substr(0, std::min(name.size(), s.size())), s);
      };
      return starts("INDEX") || starts(kBseDayFilePrefix) != bse;
    });
    if (result.listed.empty()) {
      result.nothing_to_convert = true;
      return;
    }
    files_ = result.listed;
    std::sort(files_.begin(), files_.end());  // byte order: the last one's row counts
    // Nothing new since the last run: its status again, nothing written.
    RunRecord record;
    record.settings = settings();
    if (const auto inputs = stamps_of(disk_, input_paths())) {
      record.inputs = *inputs;
      if (const std::optional<RunRecord> last = last_run(); last && last->settings == record.settings &&
                                                           last->inputs == record.inputs) {
        std::vector<std::string> outputs;
        for (const auto& [path, stamp] : last->outputs) outputs.push_back(path);
        if (stamps_of(disk_, outputs) == last->outputs) return finish(*last, 0);
      }
    }
    const ActionLists actions = read_action_folder(disk_, join_path(c.source_folder, "actions"));
    disk_.remove_stale_temporaries(c.dest_folder);

    read_files(std::nullopt);
    const FolderDays folder_days(std::vector<int32_t>(days_.begin(), days_.end()), calendar_);
    std::vector<SymbolChange> changes = actions.changes;
    for (SymbolChange& ch : changes) {
      ch.old_symbol = cut(ch.old_symbol);
      ch.new_symbol = cut(ch.new_symbol);
    }
    const SymbolJoins joins(spans_, changes, folder_days.days());
    group_records(actions, joins);

    // The histories in parts whose rows fit the budget (one part when the
    // first reading kept them all).
    const std::vector<History>& histories = joins.histories();
    size_t begin = 0;
    while (begin < histories.size()) {
      size_t end = histories.size();
      if (!all_stored_) {
        size_t bytes = 0;
        for (end = begin; end < histories.size(); ++end) {
          size_t more = 0;
          for (const Segment& s : histories[end].segments) more += RowStore::bytes_for(counts_[s.symbol]);
          if (end > begin && bytes + more > job_.memory_budget) break;
          bytes += more;
        }
        std::vector<bool> wanted(spans_.size());
        for (size_t h = begin; h < end; ++h)
          for (const Segment& s : histories[h].segments) wanted[s.symbol] = true;
        store_ = RowStore(std::numeric_limits<size_t>::max());
        read_files(wanted);
      }
      write_histories(histories, begin, end, folder_days, result);
      begin = end;
    }
    write_lists(joins);
    record.status = actions.skipped;
    if (!duplicate_days_.empty()) {
      std::string line = "Days with two rows of one symbol (the last read counts, the day files taken in the byte order of their names):";
      for (int32_t d : duplicate_days_) line += " " + iso(d);
      record.status.push_back(line);
    }
    if (!blocked_gaps_.empty()) {
      std::string line = "Day files missing, so previous closes were not compared across them:";
      for (size_t k : blocked_gaps_) line += " " + folder_days.describe_gap(k) + ";";
      line.back() = '.';
      record.status.push_back(line);
    }
    record.status.emplace_back(kDoneLine);
    record.symbols = symbols_;
    record.records = records_;
    // What the next run compares with, taken once every output is written;
    // without it the next run only takes longer, so a failure to keep it is
    // no failure of the run.
    if (const auto outputs = stamps_of(disk_, outputs_); outputs && !record.inputs.empty()) {
      record.outputs = *outputs;
      const std::string path = join_path(job_.conversion.dest_folder, kRunRecordName), text = record.text();
      failure_of([&] {
        if (!disk_.holds(path, text)) disk_.write(path, text, false);
      });
    }
    finish(record, result.written.size());
  }

 private:
  void finish(const RunRecord& record, size_t written) {
    for (const std::string& line : record.status) status_.append(std::string(kCrLf) + line);
    status_.append(std::string(kCrLf) + "Scrip-wise: " + std::to_string(record.symbols) + " symbols, " +
                   std::to_string(record.records) + " records, " + std::to_string(written) +
                   " symbol files written.");
  }

  // Whatever else decides the outputs: the options, the date form, the calendar.
  std::string settings() const {
    return "adjust " + std::to_string(job_.adjust) + ", open interest " +
           std::to_string(job_.conversion.open_interest) + ", length '" + job_.symbol_length + "', dates '" +
           job_.conversion.date_pattern + "', calendar " + calendar_.fingerprint();
  }

  std::vector<std::string> input_paths() const {
    std::vector<std::string> paths;
    for (const std::string& name : files_) paths.push_back(join_path(job_.conversion.source_folder, name));
    const std::string actions = join_path(job_.conversion.source_folder, "actions");
    if (disk_.is_folder(actions)) {
      std::vector<std::string> names = disk_.list(actions, "*.csv");
      std::sort(names.begin(), names.end());
      for (const std::string& name : names) paths.push_back(join_path(actions, name));
    }
    return paths;
  }

  // The record of the last run, when there is one that reads.
  std::optional<RunRecord> last_run() const {
    std::string text;
    const std::optional<std::string> failed = failure_of(
        [&] { disk_.read(join_path(job_.conversion.dest_folder, kRunRecordName), text); });
    return failed ? std::nullopt : RunRecord::read(text);
  }

  std::string cut(std::string_view symbol) const {
    if (length_.limit && *length_.limit >= 0 && *length_.limit < static_cast<double>(symbol.size()))
      symbol = symbol.substr(0, static_cast<size_t>(*length_.limit));
    return std::string(symbol);
  }

  uint32_t intern(std::string_view symbol, size_t position) {
    if (position < previous_ids_.size() && spans_[previous_ids_[position]].name == symbol)
      return previous_ids_[position];
    const auto found = ids_.find(symbol);
    if (found != ids_.end()) return found->second;
    const auto id = static_cast<uint32_t>(spans_.size());
    ids_.emplace(std::string(symbol), id);
    spans_.push_back({std::string(symbol), 0, 0, {}, {}});
    counts_.push_back(0);
    return id;
  }

  // Reads every day file: the first time (no `wanted`) checking every row,
  // naming the symbols and keeping their rows while the budget lasts; again
  // for the rows of the `wanted` symbols.
  void read_files(const std::optional<std::vector<bool>>& wanted) {
    const std::string& folder = job_.conversion.source_folder;
    const int total = static_cast<int>(files_.size());
    run_in_order<DayFileSlot>(
        files_.size(), worker_count(job_.conversion.jobs, files_.size()),
        [&](size_t i, DayFileSlot& slot) {
          const std::string path = join_path(folder, files_[i]);
          disk_.read(path, slot.data);
          try {
            read_day_rows(slot.data, length_.limit, length_.typed, dates_, slot.rows,
                          job_.conversion.open_interest);
          } catch (const Error& e) {
            throw Error(path + ", " + e.what() + ". No symbol file was written.");
          }
        },
        [&](size_t i, DayFileSlot& slot) {
          progress_.report(static_cast<int>(i), total);
          const auto wide_base = static_cast<uint32_t>(wide_read_);
          wide_read_ += slot.rows.wide.size();
          if (!wanted) wide_.insert(wide_.end(), slot.rows.wide.begin(), slot.rows.wide.end());
          std::vector<uint32_t> ids(slot.rows.rows.size());
          int32_t last_day = 0;
          for (size_t k = 0; k < slot.rows.rows.size(); ++k) {
            const DayFileRows::Row& r = slot.rows.rows[k];
            DayRow row = r.day;
            const uint32_t id = ids[k] = wanted ? ids_.find(r.symbol)->second : intern(r.symbol, k);
            // The wide rows are numbered in reading order, every time alike.
            if (row.open == kWideRow) row.volume = wide_base + row.volume;
            if (!wanted) {
              note(id, row.date, r.isin);
              if (row.date != last_day) days_.insert(last_day = row.date);
              if (all_stored_ && !store_.add(id, row)) {
                all_stored_ = false;
                store_.clear();
              }
            } else if ((*wanted)[id]) {
              store_.add(id, row);
            }
          }
          previous_ids_ = std::move(ids);
        });
    previous_ids_.clear();
    wide_read_ = 0;
  }

  void note(uint32_t id, int32_t date, std::string_view isin) {
    SymbolSpan& s = spans_[id];
    if (counts_[id]++ == 0 || date <= s.first) {
      s.first = date;
      if (s.first_isin != isin) s.first_isin = isin;
    }
    if (date >= s.last) {
      s.last = date;
      if (s.last_isin != isin) s.last_isin = isin;
    }
  }

  void group_records(const ActionLists& actions, const SymbolJoins& joins) {
    std::map<uint32_t, std::vector<RecordOfHistory>> by_owner;
    for (const ActionRecord& r : actions.records) {
      const auto found = ids_.find(cut(r.symbol));
      if (found == ids_.end()) continue;
      const uint32_t owner = joins.owner_of(found->second, ymd(r.ex_date));
      by_owner[owner].push_back({ymd(r.ex_date), r.factor, &r.purpose});
    }
    for (const auto& [owner, records] : by_owner) record_events_[owner] = quillon::group_records(records);
  }

  void make_history(const History& h, const FolderDays& folder_days, HistorySlot& slot) const {
    slot.tagged.clear();
    slot.rows.clear();
    slot.duplicate_days.clear();
    slot.gaps.clear();
    slot.text.clear();
    for (uint32_t j = 0; j < h.segments.size(); ++j) {
      const Segment& s = h.segments[j];
      store_.for_each(s.symbol, [&](const DayRow& row) {
        if (row.date >= s.from && row.date < s.to) slot.tagged.push_back({row, j});
      });
    }
    auto by_date = [](const HistorySlot::Tagged& a, const HistorySlot::Tagged& b) { return a.row.date < b.row.date; };
    if (!std::is_sorted(slot.tagged.begin(), slot.tagged.end(), by_date))
      std::stable_sort(slot.tagged.begin(), slot.tagged.end(), by_date);
    for (size_t i = 0; i < slot.tagged.size(); ++i) {
      const bool repeated = i + 1 < slot.tagged.size() && slot.tagged[i + 1].row.date == slot.tagged[i].row.date;
      if (repeated && slot.tagged[i + 1].segment == slot.tagged[i].segment)
        slot.duplicate_days.push_back(slot.tagged[i].row.date);
      if (!repeated) slot.rows.push_back(slot.tagged[i].row);  // the last of a day counts
    }
    static const std::vector<RecordEvent> kNone;
    const auto records = record_events_.find(h.owner);
    slot.events = find_events(slot.rows, wide_, records == record_events_.end() ? kNone : records->second,
                              [&](int32_t from, int32_t to) {
                                const size_t before = slot.gaps.size();
                                folder_days.gaps_between(from, to, slot.gaps);
                                return slot.gaps.size() == before;
                              });
    slot.text.reserve(slot.rows.size() * 48);
    append_history(slot.text, spans_[h.owner].name, slot.rows, wide_, slot.events, job_.adjust,
                   job_.conversion.open_interest);
    slot.unchanged = disk_.holds(path_of(h), slot.text);
  }

  std::string path_of(const History& h) const {
    return join_path(job_.conversion.dest_folder, history_file_name(spans_[h.owner].name));
  }

  void write_histories(const std::vector<History>& histories, size_t begin, size_t end,
                       const FolderDays& folder_days, ConversionResult& result) {
    run_in_order<HistorySlot>(
        end - begin, worker_count(job_.conversion.jobs, end - begin),
        [&](size_t i, HistorySlot& slot) { make_history(histories[begin + i], folder_days, slot); },
        [&](size_t i, HistorySlot& slot) {
          const History& h = histories[begin + i];
          progress_.report(static_cast<int>(begin + i), static_cast<int>(histories.size()));
          if (slot.rows.empty()) return;
          outputs_.push_back(path_of(h));
          ++symbols_;
          records_ += slot.rows.size();
          if (!slot.unchanged) {
            disk_.write(path_of(h), slot.text, false);
            result.written.push_back(path_of(h));
          }
          for (PriceEvent& e : slot.events) events_.push_back({spans_[h.owner].name, std::move(e)});
          duplicate_days_.insert(slot.duplicate_days.begin(), slot.duplicate_days.end());
          blocked_gaps_.insert(slot.gaps.begin(), slot.gaps.end());
        });
  }

  void write_list(const std::string& name, const std::string& text) {
    const std::string path = join_path(job_.conversion.dest_folder, name);
    if (!disk_.holds(path, text)) disk_.write(path, text, false);
    outputs_.push_back(path);
  }

  void write_lists(const SymbolJoins& joins) {
    std::string text = "symbol,ex_date,factor,confirmed,purpose\r\n";
    for (const auto& [symbol, e] : events_) {
      append_csv_value(text, symbol);
      text += "," + std::to_string(e.ex_date) + ",";
      append_fixed(text, std::llround(e.factor * 1e6), 6);
      text += e.confirmed ? ",yes," : ",no,";
      append_csv_value(text, e.purpose);
      text += "\r\n";
    }
    write_list("adjustments.csv", text);
    text = "old_symbol,new_symbol,first_date\r\n";
    for (const Rename& r : joins.renames()) {
      append_csv_value(text, r.old_symbol);
      text += ",";
      append_csv_value(text, r.new_symbol);
      text += "," + std::to_string(r.first_date) + "\r\n";
    }
    write_list("renames.csv", text);
  }

  const ScripWiseJob& job_;
  const TradingCalendar& calendar_;
  Disk& disk_;
  RunProgress& progress_;
  StatusSink& status_;
  const SymbolLength length_;
  const DateReader dates_;
  std::vector<std::string> files_;  // the day files, by byte order

  // What the first reading found.
  std::unordered_map<std::string, uint32_t, TextHash, std::equal_to<>> ids_;
  std::vector<SymbolSpan> spans_;  // by id
  std::vector<size_t> counts_;     // rows by id
  std::set<int32_t> days_;
  std::vector<WideRow> wide_;  // every wide row, in reading order
  size_t wide_read_ = 0;       // wide rows met so far in this reading
  std::vector<uint32_t> previous_ids_;  // of the rows of the day file before
  RowStore store_;
  bool all_stored_ = true;

  std::map<uint32_t, std::vector<RecordEvent>> record_events_;  // by owner
  // What the histories found.
  size_t symbols_ = 0, records_ = 0;
  std::vector<std::string> outputs_;  // every file the run made, or found as it makes it
  std::vector<std::pair<std::string, PriceEvent>> events_;
  std::set<int32_t> duplicate_days_;
  std::set<size_t> blocked_gaps_;
};

}  // namespace

std::string history_file_name(std::string_view symbol) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string name;
  for (size_t i = 0; i < symbol.size(); ++i) {
    const auto c = static_cast<unsigned char>(symbol[i]);
    if (c == '%' || c == '/' || c == '\\' || is_control_ascii(symbol[i]) || (i == 0 && c == '.')) {
      name.push_back('%');
      name.push_back(kHex[c >> 4]);
      name.push_back(kHex[c & 15]);
    } else {
      name.push_back(symbol[i]);
    }
  }
  return name + ".txt";
}

ConversionResult convert_scrip_wise(const ScripWiseJob& job, const TradingCalendar& calendar,
                                    Disk& disk, RunProgress& progress, StatusSink& status) {
  ConversionResult result;
  result.listed_folder = job.conversion.source_folder;
  result.listed_pattern = "*.csv";
  ScripWiseRun run(job, calendar, disk, progress, status);
  result.failure = failure_of([&] { run.run(result); });
  return result;
}

}  // namespace quillon
