// The price events of one symbol's history: bonus issues and changes of face
// value announced by the exchange's records, and those its day files show
// by a previous close that is not the last close; whether the prices confirm
// each; and the factor that adjusts the rows before them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "histories/day_rows.h"

namespace quillon {

// The records' events of one history on one ex-date.
struct RecordEvent {
  int32_t ex_date = 0;  // YYYYMMDD
  double factor = 1;
  std::string purpose;
};

// Records in the order read, into one event per ex-date: records of the
// same factor are one action (the first one's purpose kept), records of
// different factors multiply (their purposes joined with " + "). By date.
struct RecordOfHistory {
  int32_t ex_date = 0;
  double factor = 1;
  const std::string* purpose = nullptr;
};
std::vector<RecordEvent> group_records(const std::vector<RecordOfHistory>& records);

struct PriceEvent {
  int32_t ex_date = 0;
  double factor = 1;  // as found: the records' product, p/q or the raw ratio
  bool confirmed = false;
  std::string purpose;  // the records', or "previous close"
};

// The factor of a previous close that differs from the last close: the
// nearest p/q (1 <= p, q <= 20) that puts last_close * p / q within 0.05 of
// it, else their ratio.
double previous_close_factor(double previous_close, double last_close);

// The events of a history: `rows` one per day, by date; `records` by date.
// A record's event is listed when the history has a row before its
// ex-date, confirmed when the first close on or after the ex-date over the
// last close before it times the factor is within [2/3, 3/2]. Between two
// consecutive rows whose previous close differs from the last close by
// more than half a paisa, with no record's ex-date after the first and on
// or before the second, and `complete(first date, second date)` (no day file
// missing between them), the ratio is an event unless within 0.5 % of 1.
// By ex-date.
std::vector<PriceEvent> find_events(const std::vector<DayRow>& rows, const std::vector<WideRow>& wide,
                                    const std::vector<RecordEvent>& records,
                                    const std::function<bool(int32_t, int32_t)>& complete);

// Appends the history's records, each "<symbol>,YYYYMMDD,O,H,L,C,V" and CR LF
// in the output's number form. With `adjust`, each row before a confirmed
// event has its prices multiplied by the product F of the factors of all
// later confirmed events, rounded half away from zero to two decimals, and
// its volume divided by F, rounded to a whole number.
// With `open_interest` an eighth field: the deliverable quantity, divided
// as the volume is.
void append_history(std::string& out, std::string_view symbol, const std::vector<DayRow>& rows,
                    const std::vector<WideRow>& wide, const std::vector<PriceEvent>& events,
                    bool adjust, bool open_interest = false);

}  // namespace quillon
