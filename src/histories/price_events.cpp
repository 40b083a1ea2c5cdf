#include "histories/price_events.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "histories/day_rows.h"

namespace quillon {

namespace {

bool same_factor(double a, double b) { return std::fabs(a - b) <= 1e-12 * std::max(a, b); }

bool confirms(double close_after, double close_before, double factor) {
  const double ratio = close_after / (close_before * factor);
  return ratio >= 2.0 / 3.0 && ratio <= 1.5;
}

char* put_date(char* p, int32_t ymd) {
  for (int i = 7; i >= 0; --i, ymd /= 10) p[i] = static_cast<char>('0' + ymd % 10);
  return p + 8;
}

// A number of hundredths, rounded half away from zero, in the output's
// number form.
void append_hundredths(std::string& out, double hundredths) {
  if (std::fabs(hundredths) < 9e15) append_paise(out, std::llround(hundredths));  // half away from zero
  else append_value(out, std::round(hundredths) / 100);
}

}  // namespace

std::vector<RecordEvent> group_records(const std::vector<RecordOfHistory>& records) {
  std::vector<RecordOfHistory> sorted = records;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const RecordOfHistory& a, const RecordOfHistory& b) { return a.ex_date < b.ex_date; });
  std::vector<RecordEvent> events;
  for (size_t i = 0; i < sorted.size();) {
    RecordEvent e{sorted[i].ex_date, 1, {}};
    std::vector<double> seen;
    for (; i < sorted.size() && sorted[i].ex_date == e.ex_date; ++i) {
      const double f = sorted[i].factor;
      if (std::any_of(seen.begin(), seen.end(), [&](double s) { return same_factor(s, f); })) continue;
      seen.push_back(f);
      e.factor *= f;
      e.purpose += (e.purpose.empty() ? "" : " + ") + *sorted[i].purpose;
    }
    events.push_back(std::move(e));
  }
  return events;
}

double previous_close_factor(double previous_close, double last_close) {
  double best = previous_close / last_close, best_error = 0.05 + 1e-9;
  for (int q = 1; q <= 20; ++q) {  // for each q, the nearest p
    const double p = std::clamp(std::round(previous_close * q / last_close), 1.0, 20.0);
    const double error = std::fabs(last_close * p / q - previous_close);
    if (error < best_error) {
      best_error = error;
      best = p / q;
    }
  }
  return best;
}

std::vector<PriceEvent> find_events(const std::vector<DayRow>& rows, const std::vector<WideRow>& wide,
                                    const std::vector<RecordEvent>& records,
                                    const std::function<bool(int32_t, int32_t)>& complete) {
  std::vector<PriceEvent> events;
  auto close_at = [&](size_t i) { return values_of(rows[i], wide).close; };
  for (const RecordEvent& r : records) {
    const auto after = std::lower_bound(rows.begin(), rows.end(), r.ex_date,
                                        [](const DayRow& row, int32_t d) { return row.date < d; });
    if (after == rows.begin()) continue;  // no row before it: not this folder's
    const auto i = static_cast<size_t>(after - rows.begin());
    const bool confirmed = after != rows.end() && confirms(close_at(i), close_at(i - 1), r.factor);
    events.push_back({r.ex_date, r.factor, confirmed, r.purpose});
  }
  size_t next_record = 0;
  for (size_t k = 1; k < rows.size(); ++k) {
    const RowValues now = values_of(rows[k], wide);
    const double last = close_at(k - 1);
    if (std::isnan(now.prev_close) || !(last > 0) || std::fabs(now.prev_close - last) <= 0.005 + 1e-9)
      continue;
    while (next_record < records.size() && records[next_record].ex_date <= rows[k - 1].date) ++next_record;
    if (next_record < records.size() && records[next_record].ex_date <= rows[k].date) continue;
    if (!complete(rows[k - 1].date, rows[k].date)) continue;
    const double factor = previous_close_factor(now.prev_close, last);
    if (std::fabs(factor - 1) <= 0.005) continue;
    events.push_back({rows[k].date, factor, confirms(now.close, last, factor), "previous close"});
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const PriceEvent& a, const PriceEvent& b) { return a.ex_date < b.ex_date; });
  return events;
}

void append_history(std::string& out, std::string_view symbol, const std::vector<DayRow>& rows,
                    const std::vector<WideRow>& wide, const std::vector<PriceEvent>& events,
                    bool adjust, bool open_interest) {
  // The factor of each row: the product of the confirmed events after it.
  std::vector<double> factors(rows.size(), 1.0);
  if (adjust) {
    double f = 1;
    auto e = events.rbegin();
    for (size_t i = rows.size(); i-- > 0;) {
      for (; e != events.rend() && e->ex_date > rows[i].date; ++e)
        if (e->confirmed) f *= e->factor;
      factors[i] = f;
    }
  }
  // Each record written straight into room made for the longest.
  const size_t room = symbol.size() + 1 + 8 + 6 * (1 + 40) + 2;
  size_t at = out.size();
  out.resize(at + rows.size() * room);
  for (size_t i = 0; i < rows.size(); ++i) {
    const DayRow& row = rows[i];
    char* const start = out.data() + at;
    char* p = start;
    std::memcpy(p, symbol.data(), symbol.size());
    p += symbol.size();
    *p++ = ',';
    p = put_date(p, row.date);
    const double f = factors[i];
    if (f == 1 && row.open != kWideRow) {
      for (int32_t price : {row.open, row.high, row.low, row.close}) {
        *p++ = ',';
        p = put_fixed(p, price, 2);
      }
      *p++ = ',';
      p = put_fixed(p, row.volume, 0);
      if (open_interest) {
        *p++ = ',';
        *p++ = '0';
      }
    } else {
      std::string values;
      const RowValues v = values_of(row, wide);
      for (double price : {v.open, v.high, v.low, v.close}) {
        values.push_back(',');
        if (f == 1) append_value(values, price);
        else if (row.open != kWideRow) append_hundredths(values, std::round(price * 100) * f);
        else append_hundredths(values, price * 100 * f);
      }
      const double shares[] = {v.volume, v.deliverable};  // the deliverable with open interest
      for (size_t k = 0; k < (open_interest ? 2u : 1u); ++k) {
        values.push_back(',');
        if (f == 1) append_value(values, shares[k]);
        else append_hundredths(values, std::round(shares[k] / f) * 100);
      }
      std::memcpy(p, values.data(), values.size());
      p += values.size();
    }
    *p++ = '\r';
    *p++ = '\n';
    at += static_cast<size_t>(p - start);
  }
  out.resize(at);
}

}  // namespace quillon
