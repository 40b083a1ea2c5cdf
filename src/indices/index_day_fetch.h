// The daily close of all indices of a day into <source folder>/indices/, as
// one step of the Download and catch-up runs (exchange/day_fetch.h).
#pragma once

#include <string>

#include "base/dates.h"
#include "exchange/day_fetch.h"

namespace quillon {

// The daily close of all indices of `day` (index_day_address, both layouts)
// into index_day_folder(job.folder) under its published name, kept as
// published; the folder is made when missing. A body whose first line is not
// the published header is rejected.
class IndexDayFetch final : public SteppedDayFetch {
 public:
  IndexDayFetch(const DayFetchJob& job, const Date& day, Disk& disk);
  void take(const FetchResult& got) override;

 private:
  Disk* disk_;
};

// The folder the daily index files are kept in: <folder>/indices.
std::string index_day_folder(const std::string& folder);

}  // namespace quillon
