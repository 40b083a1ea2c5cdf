#include "scrip/scrip_history.h"

#include "base/records.h"
#include "base/text.h"
#include "exchange/bhavcopy_layouts.h"

namespace quillon {

ScripHistory::ScripHistory(std::string_view symbol) : symbol_(upper_ascii(symbol)) {}

void ScripHistory::add_day_file(std::string_view data, const DateReader& dates) {
  using R = BhavcopyReader;
  R reader(data);
  R::Row row, found;
  std::optional<Date> day;
  while (reader.next(row)) {
    if (row[R::kSymbol] != symbol_ || !R::kept_series(row[R::kSeries])) continue;
    if (!day || (found[R::kSeries] != "EQ" && row[R::kSeries] == "EQ")) {
      found = row;
      day = reader.row_date(row, dates);
    }
  }
  if (!day || days_.count(*day)) return;
  std::string& out = days_[*day];
  out.append(found[R::kSymbol]).append(",").append(found[R::kSeries]);
  out.append(",").append(format_date(*day, "dd-MMM-yyyy"));
  for (R::Column c : {R::kPrevClose, R::kOpen, R::kHigh, R::kLow, R::kClose, R::kVolume})
    out.append(",").append(found[c]);
}

std::string ScripHistory::text() const {
  std::string out(kScripHistoryHeader);
  out.append(kCrLf);
  for (const auto& [day, row] : days_) out.append(row).append(kCrLf);
  return out;
}

}  // namespace quillon
