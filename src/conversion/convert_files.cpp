#include "conversion/convert_files.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <thread>
#include <vector>

#include "base/records.h"
#include "base/text.h"
#include "platform/text_file.h"

namespace quillon {

std::string output_path_for(const std::string& dest_folder, std::string_view stem) {
  return join_path(dest_folder, std::string(stem) + "_DX.txt");
}

void for_each_history_row(std::string_view data, size_t least, size_t most,
                          std::string_view needed,
                          const std::function<void(const std::string_view* fields, size_t line)>& row) {
  LineReader lines(data);
  std::string_view line;
  if (!lines.next(line)) throw Error("the file is empty: it has no header line");
  std::vector<std::string_view> fields(most);
  while (lines.next(line)) {
    const size_t count = split_fields(line, fields.data(), most);
    if (count > most) continue;
    const size_t n = lines.line_number();
    if (count < least)
      fail_at_line(n, line.empty() ? std::string("the line is empty")
                                   : "the line has " + std::to_string(count) + " fields, " +
                                         std::string(needed) + " are needed");
    row(fields.data(), n);
  }
}

namespace {

// Converts one input read whole into `out`; a failure names the input and
// says that its output was not written.
void convert_input(const ConversionInput& in, const ConvertFn& convert, std::string_view data,
                   std::string& out) {
  out.clear();
  out.reserve(data.size() + data.size() / 4 + 64);
  try {
    convert(in, data, out);
  } catch (const Error& e) {
    throw Error(in.input_path + ", " + e.what() + ". " + in.output_path + " was not written.");
  }
}

// Writes an output unless its file already holds exactly these bytes (a
// folder converted again), which leaves the file and its time alone.
// `unchanged`: that comparison, when a worker has made it already.
void write_output(Disk& disk, const std::string& path, std::string_view out,
                  std::vector<std::string>& written, std::optional<bool> unchanged = std::nullopt) {
  if (!(unchanged ? *unchanged : disk.holds(path, out))) disk.write(path, out, false);
  written.push_back(path);
}

void convert_serially(const std::vector<ConversionInput>& inputs, const ConvertFn& convert,
                      Disk& disk, RunProgress& progress, std::vector<std::string>& written) {
  std::string data, out;
  const int total = static_cast<int>(inputs.size());
  for (int i = 0; i < total; ++i) {
    progress.report(i, total);
    disk.read(inputs[i].input_path, data);
    convert_input(inputs[i], convert, data, out);
    write_output(disk, inputs[i].output_path, out, written);
  }
}

// The parallel run: a ring of `jobs` + 2 slots. `jobs` workers take the
// inputs in order; each reads its input, converts it and tells whether its
// output already holds those bytes, all on one core while the data is in its
// cache. This thread writes each output when it and all before it are done,
// which frees its slot for input i + size. A failure (reading or converting)
// is thrown when its input's turn to be written comes, so the outputs before
// it are written and none after it. An output named by an earlier input too
// is compared here, after the earlier one is written.
class ParallelConversion {
 public:
  ParallelConversion(const std::vector<ConversionInput>& inputs, const ConvertFn& convert,
                     size_t jobs, Disk& disk)
      : inputs_(inputs), convert_(convert), disk_(disk), slots_(jobs + 2),
        compared_by_worker_(inputs.size()) {
    std::set<std::string_view> outputs;
    for (size_t i = 0; i < inputs.size(); ++i)
      compared_by_worker_[i] = outputs.insert(inputs[i].output_path).second;
    for (size_t t = 0; t < jobs; ++t) {
      try {
        workers_.emplace_back([this] { work(); });
      } catch (const std::system_error&) {
        break;  // fewer threads then
      }
    }
  }
  ~ParallelConversion() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    free_.notify_all();
    for (std::thread& t : workers_) t.join();
  }
  ParallelConversion(const ParallelConversion&) = delete;
  ParallelConversion& operator=(const ParallelConversion&) = delete;

  bool started() const { return !workers_.empty(); }

  void run(RunProgress& progress, std::vector<std::string>& written) {
    const size_t total = inputs_.size();
    for (size_t i = 0; i < total; ++i) {
      progress.report(static_cast<int>(i), static_cast<int>(total));
      Slot& s = slots_[i % slots_.size()];
      {
        std::unique_lock lock(mutex_);
        converted_.wait(lock, [&] { return s.converted; });
      }
      if (s.error) std::rethrow_exception(s.error);
      // An output an earlier input names too is compared now that that one is written.
      write_output(disk_, inputs_[i].output_path, s.out, written,
                   compared_by_worker_[i] ? std::optional(s.unchanged) : std::nullopt);
      {
        std::lock_guard lock(mutex_);
        s.converted = false;
        committed_ = i + 1;
      }
      free_.notify_all();
    }
  }

 private:
  struct Slot {
    std::string data, out;
    std::exception_ptr error;  // of reading or converting
    bool unchanged = false;    // the output already holds `out`
    bool converted = false;
  };

  void work() {
    const size_t total = inputs_.size();
    std::unique_lock lock(mutex_);
    for (;;) {
      free_.wait(lock, [&] { return stop_ || taken_ == total || taken_ < committed_ + slots_.size(); });
      if (stop_ || taken_ == total) return;
      const size_t i = taken_++;
      Slot& s = slots_[i % slots_.size()];
      lock.unlock();
      s.error = nullptr;
      s.unchanged = false;
      try {
        disk_.read(inputs_[i].input_path, s.data);
        convert_input(inputs_[i], convert_, s.data, s.out);
        s.unchanged = compared_by_worker_[i] && disk_.holds(inputs_[i].output_path, s.out);
      } catch (...) {
        s.error = std::current_exception();
      }
      lock.lock();
      s.converted = true;
      converted_.notify_one();
    }
  }

  const std::vector<ConversionInput>& inputs_;
  const ConvertFn& convert_;
  Disk& disk_;
  std::vector<Slot> slots_;
  std::vector<bool> compared_by_worker_;  // false: an earlier input names the same output
  std::mutex mutex_;  // guards what follows and the slots' `converted`
  std::condition_variable free_, converted_;
  size_t committed_ = 0;  // outputs written (or left alone) so far
  size_t taken_ = 0;      // inputs a worker has taken
  bool stop_ = false;
  std::vector<std::thread> workers_;  // last: started once the rest is ready
};

}  // namespace

ConversionResult run_conversion(
    const ConversionJob& job, const std::string& pattern,
    const std::function<std::vector<ConversionInput>(const std::vector<std::string>&)>& plan,
    const ConvertFn& convert, std::string_view done_line, Disk& disk, RunProgress& progress,
    StatusSink& status) {
  ConversionResult result;
  result.listed_folder = job.source_folder;
  result.listed_pattern = pattern;
  result.failure = failure_of([&] {
    if (job.source_folder.empty()) throw Error("No source folder is selected.");
    result.listed = disk.list(job.source_folder, pattern);
    if (result.listed.empty()) {
      result.nothing_to_convert = true;
      return;
    }
    const std::vector<ConversionInput> inputs = plan(result.listed);
    const int total = static_cast<int>(inputs.size());
    disk.remove_stale_temporaries(job.dest_folder);
    const size_t jobs = std::min<size_t>(
        job.jobs > 0 ? static_cast<size_t>(job.jobs) : std::max(1u, std::thread::hardware_concurrency()),
        inputs.size());
    std::optional<ParallelConversion> parallel;
    if (jobs > 1) parallel.emplace(inputs, convert, jobs, disk);
    if (parallel && parallel->started()) parallel->run(progress, result.written);
    else convert_serially(inputs, convert, disk, progress, result.written);
    progress.report(total, total);
    status.append(kCrLf);
    status.append(done_line);
  });
  return result;
}

}  // namespace quillon
