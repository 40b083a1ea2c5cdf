// Real implementations of the platform interfaces that need no window.
#pragma once

#include <string_view>

#include "platform/interfaces.h"

namespace quillon {

// True when `name` matches `pattern` ("*" any run, "?" one character),
// ASCII letter case ignored.
bool wildcard_match(std::string_view pattern, std::string_view name);

// The real file system: listings through readdir, reads and writes through
// text_file.h (every write an AtomicFile).
class RealDisk final : public Disk {
 public:
  std::vector<std::string> list(const std::string& folder, const std::string& pattern) override;
  void read(const std::string& path, std::string& out) override;
  void read_pieces(const std::string& path, size_t piece,
                   const std::function<void(std::string_view)>& take) override;
  void write(const std::string& path, std::string_view data, bool durable) override;
  bool holds(const std::string& path, std::string_view data) override;
  bool is_file(const std::string& path) override;
  bool is_folder(const std::string& path) override;
  std::optional<FileStamp> stamp(const std::string& path) override;
  void make_folders(const std::string& folder) override;
  void remove(const std::string& path) override;
  void remove_stale_temporaries(const std::string& folder) override;
};

class RealClock final : public Clock {
 public:
  LocalDateTime now() override;
  std::chrono::system_clock::time_point utc_now() override {
    return std::chrono::system_clock::now();
  }
};

class RealProgramFolder final : public ProgramFolder {
 public:
  // The folder of /proc/self/exe; <prefix>/bin for the installed window
  // program in <prefix>/libexec/quillon (program_folder_of()).
  std::string path() override;
};

class NoEventPump final : public EventPump {
 public:
  void pump() override {}
};

class NoMousePointer final : public MousePointer {
 public:
  void busy() override {}
  void arrow() override {}
};

class NoProgress final : public RunProgress {
 public:
  void report(int, int) override {}
  bool stop_requested() override { return false; }
};

// A date pattern fixed at construction (the command line takes it from the
// locale once at start).
class FixedDatePattern final : public DatePatternSource {
 public:
  explicit FixedDatePattern(std::string pattern) : pattern_(std::move(pattern)) {}
  std::string short_date_pattern() override { return pattern_; }

 private:
  std::string pattern_;
};

}  // namespace quillon
