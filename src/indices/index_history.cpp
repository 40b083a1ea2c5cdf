#include "indices/index_history.h"

#include <algorithm>
#include <map>

#include "base/csv_columns.h"
#include "base/records.h"
#include "base/text.h"

namespace quillon {

namespace {

// The names of before November 2015 (upper case) and today's.
constexpr std::pair<std::string_view, std::string_view> kRenamed[] = {
    {"CNX NIFTY", "NIFTY 50"},
    {"BANK NIFTY", "NIFTY BANK"},
    {"CNX BANK", "NIFTY BANK"},
    {"CNX NIFTY JUNIOR", "NIFTY NEXT 50"},
    {"CNX MIDCAP", "NIFTY MIDCAP 100"},
};

// Columns of the daily file used here.
enum : size_t { kName, kOpen, kHigh, kLow, kClose, kVolume, kUsed };
constexpr std::string_view kUsedNames[kUsed] = {"Index Name",      "Open Index Value",
                                                "High Index Value", "Low Index Value",
                                                "Closing Index Value", "Volume"};

bool not_published(std::string_view v) { return v.empty() || v == "-"; }

}  // namespace

std::string index_name_key(std::string_view name) {
  std::string key;
  for (char c : trim(name)) {
    const bool blank = c == ' ' || c == '\t';
    if (blank && !key.empty() && key.back() == ' ') continue;
    key.push_back(blank ? ' ' : c);
  }
  key = upper_ascii(key);
  if (key.starts_with("S&P CNX ")) key.erase(0, 4);
  for (const auto& [old_name, today] : kRenamed)
    if (key == old_name) return std::string(today);
  if (key.starts_with("CNX ")) key.replace(0, 3, "NIFTY");
  return key;
}

bool build_index_history(std::string_view index_name, const std::vector<IndexDay>& days,
                         std::string& out) {
  const std::string wanted = index_name_key(index_name);
  std::map<Date, std::string> rows;  // oldest first; the first file of a day counts
  std::vector<std::string_view> f;
  for (const IndexDay& d : days) {
    if (rows.count(d.day) || !is_index_day_file(d.text)) continue;
    LineReader lines(without_bom(d.text));
    std::string_view line;
    lines.next(line);
    split_line(line, f);
    size_t at[kUsed];
    for (size_t c = 0; c < kUsed; ++c) at[c] = *find_column(f, kUsedNames[c]);
    const size_t needed = *std::max_element(at, at + kUsed) + 1;
    while (lines.next(line)) {
      split_line(line, f);
      if (f.size() < needed || index_name_key(f[at[kName]]) != wanted) continue;
      std::string_view v[kUsed];
      for (size_t c = 0; c < kUsed; ++c) v[c] = trim(f[at[c]]);
      if (!not_published(v[kClose])) {
        std::string& row = rows[d.day];
        row = format_date(d.day, "dd-MMM-yyyy");
        for (size_t c : {kOpen, kHigh, kLow})
          row.append(",").append(not_published(v[c]) ? v[kClose] : v[c]);
        row.append(",").append(v[kClose]);
        row.append(",").append(not_published(v[kVolume]) ? "0" : v[kVolume]);
      }
      break;  // the first row of the index counts
    }
  }
  out.assign(kIndexHistoryHeader).append(kCrLf);
  for (const auto& [day, row] : rows) out.append(row).append(kCrLf);
  return !rows.empty();
}

std::vector<std::string> default_index_list() {
  return {"Nifty 50=NIFTY",         "Nifty Bank=BANKNIFTY",
          "Nifty Next 50=NIFTYNEXT50", "Nifty IT=NIFTYIT",
          "Nifty 100=NIFTY100",     "Nifty 500=NIFTY500",
          "Nifty Midcap 100=NIFTYMIDCAP100", "India VIX=INDIAVIX"};
}

}  // namespace quillon
