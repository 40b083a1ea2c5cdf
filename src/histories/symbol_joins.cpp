#include "histories/symbol_joins.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace quillon {

namespace {

int32_t ymd(const Date& d) { return d.year * 10000 + d.month * 100 + d.day; }

}  // namespace

SymbolJoins::SymbolJoins(const std::vector<SymbolSpan>& symbols,
                         const std::vector<SymbolChange>& changes,
                         const std::vector<int32_t>& folder_days)
    : changes_(symbols.size()) {
  const auto n = static_cast<uint32_t>(symbols.size());
  std::unordered_map<std::string_view, uint32_t> ids;
  for (uint32_t i = 0; i < n; ++i) ids.emplace(symbols[i].name, i);
  std::vector<bool> named_as_old(n);
  for (const SymbolChange& c : changes) {
    const auto old_id = ids.find(c.old_symbol), new_id = ids.find(c.new_symbol);
    if (old_id == ids.end()) continue;
    named_as_old[old_id->second] = true;
    if (new_id != ids.end() && new_id->second != old_id->second)
      changes_[old_id->second].push_back({ymd(c.date), new_id->second});
  }
  // A symbol that ends the day file before another one starts, with the same
  // ISIN, continues as that one: one candidate each way, none named by a change.
  std::map<std::pair<int32_t, std::string_view>, std::vector<uint32_t>> starting;
  for (uint32_t i = 0; i < n; ++i)
    if (!symbols[i].first_isin.empty()) starting[{symbols[i].first, symbols[i].first_isin}].push_back(i);
  std::map<uint32_t, std::vector<uint32_t>> continued;  // new -> old
  for (uint32_t i = 0; i < n; ++i) {
    if (named_as_old[i] || symbols[i].last_isin.empty()) continue;
    const auto next = std::upper_bound(folder_days.begin(), folder_days.end(), symbols[i].last);
    if (next == folder_days.end()) continue;
    const auto found = starting.find({*next, symbols[i].last_isin});
    if (found != starting.end() && found->second.size() == 1 && found->second[0] != i)
      continued[found->second[0]].push_back(i);
  }
  for (const auto& [to, from] : continued)
    if (from.size() == 1) changes_[from[0]].push_back({symbols[to].first, to});
  for (std::vector<Change>& list : changes_) {
    std::stable_sort(list.begin(), list.end(), [](const Change& a, const Change& b) { return a.date < b.date; });
    list.erase(std::unique(list.begin(), list.end(), [](const Change& a, const Change& b) { return a.date == b.date; }),
               list.end());
  }
  // Each symbol's rows in segments between its changes; each segment to the
  // history at the end of its chain.
  std::vector<std::vector<Segment>> segments(n);
  for (uint32_t i = 0; i < n; ++i) {
    const SymbolSpan& s = symbols[i];
    int32_t from = std::numeric_limits<int32_t>::min();
    for (const Change& c : changes_[i]) {
      if (s.first < c.date && s.last >= from) {
        const auto [owner, hops] = follow(c.to, c.date);
        segments[owner].push_back({i, from, c.date, hops + 1});
        renames_.push_back({s.name, symbols[c.to].name, symbols[c.to].first});
      }
      from = c.date;
    }
    if (s.last >= from) segments[i].push_back({i, from, std::numeric_limits<int32_t>::max(), 0});
  }
  for (uint32_t i = 0; i < n; ++i) {
    if (segments[i].empty()) continue;
    std::stable_sort(segments[i].begin(), segments[i].end(),
                     [](const Segment& a, const Segment& b) { return a.hops > b.hops; });
    histories_.push_back({i, std::move(segments[i])});
  }
  std::sort(histories_.begin(), histories_.end(), [&](const History& a, const History& b) {
    return symbols[a.owner].name < symbols[b.owner].name;
  });
  std::sort(renames_.begin(), renames_.end(), [](const Rename& a, const Rename& b) {
    return a.old_symbol != b.old_symbol ? a.old_symbol < b.old_symbol : a.first_date < b.first_date;
  });
}

// Each step goes to a later date, so the walk ends; the bound is a guard.
std::pair<uint32_t, int> SymbolJoins::follow(uint32_t symbol, int32_t date) const {
  int hops = 0;
  for (; hops <= static_cast<int>(changes_.size()); ++hops) {
    const auto& list = changes_[symbol];
    const auto later = std::upper_bound(list.begin(), list.end(), date,
                                        [](int32_t d, const Change& x) { return d < x.date; });
    if (later == list.end()) break;
    symbol = later->to;
    date = later->date;
  }
  return {symbol, hops};
}

uint32_t SymbolJoins::owner_of(uint32_t symbol, int32_t date) const { return follow(symbol, date).first; }

}  // namespace quillon
