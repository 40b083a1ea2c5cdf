// Everything the core asks of the outside world, one small interface each.
// Real implementations live beside this header (real_platform.h) or in the Qt
// library; the tests use the recording fakes of tests/support/fakes.h.
#pragma once

#include <cstddef>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/dates.h"
#include "base/error.h"

namespace quillon {

// Shows a message box with an OK button only and the application's title.
// Returns after the user pressed OK (front ends that cannot ask print it).
class MessageBox {
 public:
  virtual ~MessageBox() = default;
  virtual void show(const std::string& text) = 0;
};

// A file's size and modification time (nanoseconds since the epoch): what
// tells a file changed since it was last looked at.
struct FileStamp {
  uint64_t size = 0;
  int64_t modified_ns = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The files of the program's folders. Real version: RealDisk
// (real_platform.h); the tests' in-memory one: tests/support/memory_disk.h.
// Failures throw Error naming the file or folder in one form:
// "Cannot <open|read|create|write|replace> the file '<path>': <reason>." and
// "Cannot list the folder '<folder>': <reason>.".
// Every member may be called from several threads at once (a conversion's
// workers read and compare while its writer writes).
class Disk {
 public:
  virtual ~Disk() = default;
  // The regular, non-hidden files of `folder` whose names match `pattern`
  // ("*" any run, "?" one character) without regard to ASCII letter case, as
  // bare names in ascending order (letter case ignored).
  virtual std::vector<std::string> list(const std::string& folder, const std::string& pattern) = 0;
  // The whole file, into `out` (its earlier content replaced).
  virtual void read(const std::string& path, std::string& out) = 0;
  // The file piece after piece, for files too large to hold whole: `take`
  // gets consecutive pieces of at most `piece` bytes (none for an empty
  // file), in order. Throws Error as read() does; pieces already taken
  // stay taken.
  virtual void read_pieces(const std::string& path, size_t piece,
                           const std::function<void(std::string_view)>& take) = 0;
  // The file written whole or not at all: a temporary file beside it
  // ("." + name + ".quillon-tmp" + pid + "-" + n) renamed over it once
  // complete; with `durable` the data and the rename are on the disk when it
  // returns. On failure the earlier file stays as it was, no temporary left.
  virtual void write(const std::string& path, std::string_view data, bool durable) = 0;
  // True when `path` is a regular file holding exactly `data`; any failure
  // to tell counts as false. Lets a writer leave an unchanged file alone.
  virtual bool holds(const std::string& path, std::string_view data) = 0;
  virtual bool is_file(const std::string& path) = 0;  // a regular file is there
  virtual bool is_folder(const std::string& path) = 0;  // a folder is there
  // The stamp of a regular file; nothing when there is none or it cannot
  // be told.
  virtual std::optional<FileStamp> stamp(const std::string& path) = 0;
  // Makes `folder` and its missing parents; throws Error naming the folder
  // that cannot be made ("Cannot create the folder '<folder>': <reason>.").
  virtual void make_folders(const std::string& folder) = 0;
  virtual void remove(const std::string& path) = 0;   // failures ignored
  // Removes the temporaries of writers that are gone (killed while writing)
  // from `folder`; everything else stays. Failures ignored.
  virtual void remove_stale_temporaries(const std::string& folder) = 0;
};

// Where an operation tells how it is going: the status text, which only
// grows (a Bhavcopy download starts it afresh), and the address it fetches.
class StatusSink {
 public:
  virtual ~StatusSink() = default;
  virtual void append(std::string_view piece) = 0;
  virtual void clear() = 0;
  virtual void show_address(const std::string& address) = 0;
};

// The user's regional short-date pattern in Qt/ICU notation ("dd/MM/yyyy",
// "M/d/yy", "yyyy-MM-dd"...), or empty when there is none.
class DatePatternSource {
 public:
  virtual ~DatePatternSource() = default;
  virtual std::string short_date_pattern() = 0;
};

// The current local date and time, and the moment in UTC (for the India
// date of the trading calendar).
class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime now() = 0;
  virtual std::chrono::system_clock::time_point utc_now() = 0;
};

// The folder that holds the program file (no trailing separator).
class ProgramFolder {
 public:
  virtual ~ProgramFolder() = default;
  virtual std::string path() = 0;
};

// Lets the window process its pending events once. Does nothing where there
// is no window.
class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void pump() = 0;
};

// The screen's mouse pointer around long work. Ignored on the command line.
class MousePointer {
 public:
  virtual ~MousePointer() = default;
  virtual void busy() = 0;
  virtual void arrow() = 0;
};

// The small embedded browser pane: navigate to an address, do not wait.
class Browser {
 public:
  virtual ~Browser() = default;
  virtual void navigate(const std::string& address) = 0;
};

// Opens a page in the user's default browser; reports nothing.
class WebOpener {
 public:
  virtual ~WebOpener() = default;
  virtual void open(const std::string& address) = 0;
};

// The system's folder picker. Returns the chosen folder, or empty text when
// the user cancelled.
class FolderPicker {
 public:
  virtual ~FolderPicker() = default;
  virtual std::string pick(const std::string& prompt) = 0;
};

// Progress of a long run (day i of N, index i of N, file i of N) and the
// user's wish to stop it. A download run asks stop_requested() after each
// day or index and, when true, ends there and says so in the status box.
class RunProgress {
 public:
  virtual ~RunProgress() = default;
  virtual void report(int done, int total) = 0;
  virtual bool stop_requested() = 0;
};

// A lock one run holds on a folder; destroying it releases the lock, and so
// does the end of the process, however it ends.
class FolderLock {
 public:
  virtual ~FolderLock() = default;
};

// Keeps two runs off one folder at once, whether they are in this process
// or in another of the user's (the timer's catch-up while the window runs
// one). Real version: FlockFolderLocks (folder_locks.h); the tests' one:
// tests/support/fakes.h.
class FolderLocks {
 public:
  virtual ~FolderLocks() = default;
  // Takes the lock of `folder` without waiting: the held lock, or nullptr
  // when another run holds it. Adds nothing to the folder. Throws Error
  // naming the lock's file when the lock cannot be asked for.
  virtual std::unique_ptr<FolderLock> try_lock(const std::string& folder) = 0;
};

// A blocking HTTP GET of one address into one local file. The call returns
// when the transfer has ended. The body is stored under local_path (replacing
// a file of that name) only when the transfer completed with an HTTP 2xx
// status; otherwise nothing new is stored: the file is missing or still holds
// its earlier complete copy.
struct FetchResult {
  bool stored = false;   // the body is now under local_path
  int http_status = 0;   // 0 when no answer came
  std::string error;     // what went wrong, when not stored
  int http_version = 0;  // of the answer: 10, 11, 20, 30 (HTTP/1.1 is 11); 0 none
  // The answer's Retry-After in seconds from now (an HTTP date converted);
  // -1 when it had none.
  long retry_after_seconds = -1;
};

// What a GET asks for: the address, the local file its body goes to, and
// header lines of its own ("Referer: https://host/") sent besides the
// fetcher's usual ones, for this request only.
struct FetchRequest {
  std::string address;
  std::string local_path;
  std::vector<std::string> headers = {};
};

class Fetcher {
 public:
  virtual ~Fetcher() = default;
  virtual FetchResult fetch(const FetchRequest& request) = 0;
  FetchResult fetch(const std::string& address, const std::string& local_path) {
    return fetch(FetchRequest{address, local_path});
  }
};

// Several GETs in flight at once over connections kept alive and shared
// (HTTP/2 streams on one connection where the server offers it), each
// stored as Fetcher::fetch stores one. Real version: CurlBatchFetcher
// (curl_fetcher.h); the tests' one runs on a clock of its own.
class BatchFetcher {
 public:
  struct Done {
    std::size_t tag;  // as given to start
    FetchResult result;
  };
  virtual ~BatchFetcher() = default;
  // Starts a transfer and returns at once.
  virtual void start(std::size_t tag, const FetchRequest& request) = 0;
  // Waits until a started transfer has ended or `seconds` have passed, and
  // returns the transfers that ended since the last call.
  virtual std::vector<Done> wait(double seconds) = 0;
  // Seconds on a steady clock: the pace of requests is measured on it.
  virtual double now() = 0;
};

// Error numbers of the chart database, after the run-time error numbers of
// the Basic the original program was written in.
inline constexpr long kErrInvalidArgument = 5;  // unknown import type or format
inline constexpr long kErrBadRecord = 13;       // a record that is not of the format
inline constexpr long kErrFileAccess = 75;      // the file to import cannot be read
inline constexpr long kErrCannotCreate = 429;   // no backend under the name
inline constexpr long kErrApplication = 1004;   // no database open, SQLite failed, other

// An automation failure of the chart database: a number and a description.
class AutomationError : public Error {
 public:
  AutomationError(long number, const std::string& description)
      : Error(description), number_(number) {}
  long number() const { return number_; }

 private:
  long number_;
};

// The chart program's automation object: the five operations the Update
// command asks of it, names and argument order as the program calls them.
// Each may throw AutomationError.
class BrokerApplication {
 public:
  virtual ~BrokerApplication() = default;
  virtual std::string DatabasePath() = 0;
  virtual bool LoadDatabase(const std::string& path) = 0;
  virtual void SaveDataBase() = 0;
  virtual void Import(short type, const std::string& file, const std::string& format) = 0;
  virtual void RefreshAll() = 0;
};

// Creates a fresh automation object by its name ("Broker.Application").
// Throws AutomationError when no backend is registered under the name.
class BrokerFactory {
 public:
  virtual ~BrokerFactory() = default;
  virtual std::unique_ptr<BrokerApplication> create(const std::string& name) = 0;
};

}  // namespace quillon
