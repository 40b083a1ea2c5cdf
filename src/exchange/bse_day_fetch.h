// BSE's file of one day into the source folder as BSE_yyyy_mm_dd.csv, a
// step of the Download command and of catch-up with BSE chosen.
#pragma once

#include "exchange/day_fetch.h"

namespace quillon {

// job.exchange_url is BSE's base address (--bse-url). Asks for
// bse_day_address with bse_request_headers unless the day's file is there
// (already_there). The answer goes to a temporary beside the day's file
// (removed afterwards) and is stored as published when bse_day_file_fault
// finds nothing wrong with it; else the day is rejected with that sentence.
// A 404 is not_found; any other failed transfer, or a disk that fails,
// failed. Days before kBseFirstDay are the caller's to leave out.
class BseDayFetch final : public SteppedDayFetch {
 public:
  BseDayFetch(const DayFetchJob& job, const Date& day, Disk& disk);
  void take(const FetchResult& got) override;

 private:
  Disk* disk_;
  Date day_;
};

}  // namespace quillon
