// Recording fakes of the platform interfaces, a temporary folder and a
// Platform bundle that uses the real file listing.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/broker_registry.h"
#include "platform/platform.h"
#include "platform/real_platform.h"

namespace quillon::testing {

class FakeMessageBox final : public MessageBox {
 public:
  void show(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

class FakeDatePattern final : public DatePatternSource {
 public:
  std::string short_date_pattern() override { return pattern; }
  std::string pattern = "dd/MM/yyyy";
};

class FakeClock final : public Clock {
 public:
  LocalDateTime now() override { return time; }
  LocalDateTime time{2008, 1, 31, 9, 5, 7};
};

class FakeProgramFolder final : public ProgramFolder {
 public:
  std::string path() override { return folder; }
  std::string folder = "/nonexistent-program-folder";
};

class CountingEventPump final : public EventPump {
 public:
  void pump() override { ++pumps; }
  int pumps = 0;
};

class RecordingPointer final : public MousePointer {
 public:
  void busy() override { log.push_back("busy"); }
  void arrow() override { log.push_back("arrow"); }
  std::vector<std::string> log;
};

class RecordingBrowser final : public Browser {
 public:
  void navigate(const std::string& a) override { addresses.push_back(a); }
  std::vector<std::string> addresses;
};

class RecordingWebOpener final : public WebOpener {
 public:
  void open(const std::string& a) override { opened.push_back(a); }
  std::vector<std::string> opened;
};

// Answers each pick with the next scripted answer ("" = cancelled).
class ScriptedFolderPicker final : public FolderPicker {
 public:
  std::string pick(const std::string& prompt) override {
    prompts.push_back(prompt);
    if (answers.empty()) return {};
    std::string a = answers.front();
    answers.pop_front();
    return a;
  }
  std::deque<std::string> answers;
  std::vector<std::string> prompts;
};

// Answers every fetch with "not stored" and records the requests.
class RecordingFetcher final : public Fetcher {
 public:
  FetchResult fetch(const std::string& address, const std::string& local_path) override {
    requests.push_back({address, local_path});
    return {false, 404, "not found"};
  }
  std::vector<std::pair<std::string, std::string>> requests;
};

// Knows no automation object at all.
class NoBrokers final : public BrokerFactory {
 public:
  std::unique_ptr<BrokerApplication> create(const std::string& name) override {
    throw AutomationError(429, "ActiveX component can't create object: " + name);
  }
};

// Records progress; asks to stop once `stop_after` reports have come.
class RecordingProgress final : public RunProgress {
 public:
  void report(int done, int total) override { reports.push_back({done, total}); }
  bool stop_requested() override {
    return stop_after >= 0 && static_cast<int>(reports.size()) >= stop_after;
  }
  std::vector<std::pair<int, int>> reports;
  int stop_after = -1;
};

struct TestPlatform {
  FakeMessageBox messages;
  RealDisk disk;
  FakeDatePattern date_pattern;
  FakeClock clock;
  FakeProgramFolder program_folder;
  CountingEventPump events;
  RecordingPointer pointer;
  RecordingBrowser browser;
  RecordingWebOpener web;
  ScriptedFolderPicker folders;
  RecordingFetcher fetcher;
  BrokerRegistry brokers;  // empty: no "Broker.Application" until a test registers one
  RecordingProgress progress;
  Platform platform{.messages = messages,
                    .disk = disk,
                    .date_pattern = date_pattern,
                    .clock = clock,
                    .program_folder = program_folder,
                    .events = events,
                    .pointer = pointer,
                    .browser = browser,
                    .web = web,
                    .folders = folders,
                    .fetcher = fetcher,
                    .brokers = brokers,
                    .progress = progress};
};

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
  std::ofstream f(path, std::ios::binary);
  f << text;
}

inline std::string read_text(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

inline bool exists(const std::string& path) { return std::filesystem::exists(path); }

// Names in a folder, sorted, hidden ones included.
inline std::vector<std::string> folder_names(const std::string& folder) {
  std::vector<std::string> names;
  for (auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace quillon::testing
