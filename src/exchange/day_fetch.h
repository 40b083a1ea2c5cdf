// One day's file from the exchange into the source folder, for the Download
// command and for catching up on missed days alike: the steps every day
// fetch takes, the daily Bhavcopy as yyyy_mm_dd.csv, and the run of several
// day fetches at once.
// Past days never change and no partial file is ever left under a day's
// name, so a file already there is the day's whole file and is not asked for
// again.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/dates.h"
#include "exchange/exchange_addresses.h"
#include "download/download_support.h"
#include "download/ordered_fetch.h"
#include "platform/interfaces.h"

namespace quillon {

struct DayFetchJob {
  std::string exchange_url;  // the exchange's base address
  ExchangeLayout layout = ExchangeLayout::current;
  std::string folder;  // the source folder
};

enum class DayFetchState {
  stored,         // fetched and stored whole under `path`
  already_there,  // a file of the day's name was there: nothing asked
  not_found,      // the exchange answered 404 (no session, or not published yet)
  rejected,       // an answer came but is no day file: nothing stored
  failed,         // no usable answer (server error, time-out, disk failure)
};

struct DayFetchOutcome {
  DayFetchState state = DayFetchState::failed;
  std::string reason;  // why, for not_found, rejected and failed: a whole sentence
  std::string path;    // the day's local file (whether or not it is there)
};

// A day's fetch in steps, for a caller that runs the transfers itself
// (several days in flight: run_day_fetches): while request() names a
// transfer, its answer goes to take(); then outcome() is the day's.
class SteppedDayFetch {
 public:
  virtual ~SteppedDayFetch() = default;
  const std::optional<FetchRequest>& request() const { return request_; }
  virtual void take(const FetchResult& got) = 0;
  const DayFetchOutcome& outcome() const { return outcome_; }

 protected:
  // The answer to request_, stored at its temporary (removed afterwards):
  // not stored, not readable, or what `keep` makes of its bytes.
  void take_answer(Disk& disk, const FetchResult& got,
                   const std::function<DayFetchOutcome(std::string_view body)>& keep);
  std::optional<FetchRequest> request_;
  DayFetchOutcome outcome_;
};

// A day fetch followed, once it has its outcome, by a further fetch of the
// same day (the corporate actions of a day whose Bhavcopy is there), which
// `then` makes from the first outcome or not (null). The outcome is the
// first fetch's; the further fetch reports its own.
using FollowUp = std::function<std::unique_ptr<SteppedDayFetch>(const DayFetchOutcome& first)>;
class FollowedDayFetch final : public SteppedDayFetch {
 public:
  FollowedDayFetch(std::unique_ptr<SteppedDayFetch> first, FollowUp then);
  void take(const FetchResult& got) override;

 private:
  void settle();
  std::unique_ptr<SteppedDayFetch> first_, second_;
  FollowUp then_;
  bool followed_ = false;  // the first fetch is over
};

// Pieces of every day fetch. A temporary beside a day's file, removed when
// the fetch is over.
struct Temporary {
  Temporary(Disk& d, std::string p) : disk(d), path(std::move(p)) {}
  Temporary(const Temporary&) = delete;
  Temporary& operator=(const Temporary&) = delete;
  ~Temporary() { disk.remove(path); }
  Disk& disk;
  std::string path;
};
// The transfer's failure as an outcome: a 404 is not_found, anything else
// failed, with the fetcher's words.
DayFetchOutcome not_stored(const FetchResult& got, std::string path);
// Reads the answer stored at `temp` into `body`; false, with the day's
// outcome made a failure, when it cannot be read.
bool read_answer(Disk& disk, const std::string& temp, std::string& body, DayFetchOutcome& outcome);
// `data` written whole as the day's file `local`: stored, or failed with the
// disk's words.
DayFetchOutcome write_day_file(Disk& disk, const std::string& local, std::string_view data);

// The daily Bhavcopy of `day` into job.folder as yyyy_mm_dd.csv
// (bhavcopy_file_name).
// current: the zipped file at daily_bhavcopy_address; the body must be a zip
// archive holding exactly one member whose name ends in ".csv", which is
// stored as published, else the day is rejected with the reason. legacy:
// the old site's plain CSV, then on a 404 the same address + ".zip" (a
// damaged archive counts as not found there, as it always has).
// The answer goes to a temporary beside the day's file (a hidden name that
// never ends in ".csv"), removed afterwards.
// `even_when_there` asks for the day although its file is there (the legacy
// Download command always did: the earlier copy stays unless a new one comes).
class BhavcopyDayFetch final : public SteppedDayFetch {
 public:
  BhavcopyDayFetch(const DayFetchJob& job, const Date& day, Disk& disk, bool even_when_there = false);
  void take(const FetchResult& got) override;

 private:
  enum class Step { plain, legacy_zip, current_zip };
  Disk* disk_;
  std::string address_;
  Step step_ = Step::current_zip;
};

// A day's zipped file at `address`, its one member whose name ends in ".csv"
// kept as published as `local` (the folder must be there), whole or not at
// all; a file already there is not asked for again. A body that is no zip
// archive of one CSV file is rejected with the reason.
class ZippedDayFetch final : public SteppedDayFetch {
 public:
  ZippedDayFetch(const std::string& address, const std::string& local, Disk& disk);
  void take(const FetchResult& got) override;

 private:
  Disk* disk_;
};

// Runs `fetches` (their first requests as they stand) through fetch_in_order
// with tools.batch and `options`, or one at a time through tools.fetcher
// when there is no batch fetcher; each fetch, once it has its outcome, goes
// to `finished` in order. `stop` is asked as fetch_in_order asks it.
// Returns true when the run was stopped.
bool run_day_fetches(const std::vector<std::unique_ptr<SteppedDayFetch>>& fetches,
                     const ParallelOptions& options, const DownloadTools& tools,
                     const std::function<void(std::size_t)>& finished,
                     const std::function<bool()>& stop);

}  // namespace quillon
