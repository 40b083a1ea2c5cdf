// Recording fakes of the platform interfaces, a temporary folder and the
// Platform bundle of them: PlatformOf<MemoryDisk> for most tests,
// TestPlatform (the real disk) where real files are the point. The fetcher
// serves from its table onto the bundle's disk.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "memory_disk.h"
#include "platform/broker_registry.h"
#include "platform/platform.h"
#include "platform/real_platform.h"
#include "serving_fetcher.h"

namespace quillon::testing {

struct FakeMessageBox final : MessageBox {
  void show(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};
struct FakeDatePattern final : DatePatternSource {
  std::string short_date_pattern() override { return pattern; }
  std::string pattern = "dd/MM/yyyy";
};
struct FakeClock final : Clock {  // 31 January 2008, 09:05:07 in India
  LocalDateTime now() override { return {2008, 1, 31, 9, 5, 7}; }
  std::chrono::system_clock::time_point utc_now() override {
    return std::chrono::sys_days{std::chrono::year{2008} / 1 / 31} + std::chrono::minutes(3 * 60 + 35);
  }
};
struct FakeProgramFolder final : ProgramFolder {
  std::string path() override { return folder; }
  std::string folder = "/nonexistent-program-folder";
};
struct CountingEventPump final : EventPump {
  void pump() override { ++pumps; }
  int pumps = 0;
};
struct RecordingPointer final : MousePointer {
  void busy() override { log.push_back("busy"); }
  void arrow() override { log.push_back("arrow"); }
  std::vector<std::string> log;
};
struct RecordingBrowser final : Browser {
  void navigate(const std::string& a) override { addresses.push_back(a); }
  std::vector<std::string> addresses;
};
struct RecordingWebOpener final : WebOpener {
  void open(const std::string& a) override { opened.push_back(a); }
  std::vector<std::string> opened;
};
// Answers each pick with the next scripted answer ("" = cancelled).
struct ScriptedFolderPicker final : FolderPicker {
  std::string pick(const std::string&) override {
    if (answers.empty()) return "";
    std::string a = answers.front();
    answers.pop_front();
    return a;
  }
  std::deque<std::string> answers;
};
struct NoBrokers final : BrokerFactory {
  std::unique_ptr<BrokerApplication> create(const std::string& name) override {
    throw AutomationError(429, "ActiveX component can't create object: " + name);
  }
};
// Records progress, calls `hook` with each report, asks to stop once
// `stop_after` reports have come.
struct RecordingProgress final : RunProgress {
  void report(int done, int total) override {
    reports.push_back({done, total});
    if (hook) hook(done);
  }
  bool stop_requested() override { return stop_after >= 0 && int(reports.size()) >= stop_after; }
  std::vector<std::pair<int, int>> reports;
  int stop_after = -1;
  std::function<void(int)> hook;
};

// Every folder's lock free (tests/cli/kill_test.cpp runs two real catch-ups).
struct FreeFolderLocks final : FolderLocks {
  std::unique_ptr<FolderLock> try_lock(const std::string&) override { return std::make_unique<FolderLock>(); }
};

template <class DiskType>
struct PlatformOf {
  FakeMessageBox messages;
  DiskType disk;
  FakeDatePattern date_pattern;
  FakeClock clock;
  FakeProgramFolder program_folder;
  CountingEventPump events;
  RecordingPointer pointer;
  RecordingBrowser browser;
  RecordingWebOpener web;
  ScriptedFolderPicker folders;
  ServingFetcher fetcher{disk};
  BrokerRegistry brokers;  // empty until a test registers one
  RecordingProgress progress;
  FreeFolderLocks locks;
  Platform platform{messages, disk, date_pattern, clock, program_folder, events, pointer,
                    browser, web, folders, fetcher, brokers, progress, locks};
};
using TestPlatform = PlatformOf<RealDisk>;
using MemoryPlatform = PlatformOf<MemoryDisk>;

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quillon-test-XXXXXX").string();
    path_ = ::mkdtemp(tmpl.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string sub(const std::string& name) const {
    std::filesystem::create_directories(path_ + "/" + name);
    return path_ + "/" + name;
  }

 private:
  std::string path_;
};

// Sets an environment variable for its lifetime.
struct ScopedEnv {
  ScopedEnv(const char* n, const std::string& value) : name(n), had(std::getenv(n) != nullptr) {
    if (had) old = std::getenv(n);
    ::setenv(n, value.c_str(), 1);
  }
  ~ScopedEnv() { had ? ::setenv(name.c_str(), old.c_str(), 1) : ::unsetenv(name.c_str()); }
  std::string name, old;
  bool had;
};

inline void write_text(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}
inline std::string read_text(const std::string& path) {
  std::stringstream s;
  s << std::ifstream(path, std::ios::binary).rdbuf();
  return s.str();
}
inline bool exists(const std::string& path) { return std::filesystem::exists(path); }

// Names in a folder, sorted, hidden ones included.
inline std::vector<std::string> folder_names(const std::string& folder) {
  std::vector<std::string> names;
  for (auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace quillon::testing
