// Start-up of the command line: runs `quillon --version` and `quillon
// convert` of one day's Bhavcopy (2,500 rows, folder mode) RUNS times each,
// taking turns, and prints for each the median and the spread (min to max)
// of the wall time, the CPU time and the peak memory (ru_maxrss of wait4's
// rusage). Targets: median under 15 ms, peak under 12 MB. Then the window's
// start-up: `quillon --screenshot` (start, load sequence, window painted,
// picture saved) a few times; target 300 ms. The load average before and
// after says how quiet the machine was.
//
//   startup_bench [RUNS]      (default 41)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Sample {
  double wall_ms = 0, cpu_ms = 0, peak_mb = 0;
};

// Runs the program once, its output to /dev/null; exits on a failure.
Sample run_once(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage ru{};
  if (pid < 0 || ::wait4(pid, &status, 0, &ru) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "startup_bench: %s %s failed\n", args[0].c_str(), args[1].c_str());
    std::exit(1);
  }
  Sample s;
  s.wall_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  s.cpu_ms = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
             static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
  s.peak_mb = static_cast<double>(ru.ru_maxrss) / 1024.0;
  return s;
}

// "median M (min A to max B)" of one figure of the samples.
std::string spread(std::vector<Sample> samples, double Sample::*figure, const char* unit) {
  std::sort(samples.begin(), samples.end(),
            [&](const Sample& a, const Sample& b) { return a.*figure < b.*figure; });
  char text[128];
  std::snprintf(text, sizeof text, "median %.1f %s (min %.1f to max %.1f)",
                samples[samples.size() / 2].*figure, unit, samples.front().*figure,
                samples.back().*figure);
  return text;
}

double median(std::vector<Sample> samples, double Sample::*figure) {
  std::sort(samples.begin(), samples.end(),
            [&](const Sample& a, const Sample& b) { return a.*figure < b.*figure; });
  return samples[samples.size() / 2].*figure;
}

void report(const char* what, const std::vector<Sample>& samples, double target_ms,
            double target_mb) {
  std::printf("%s, %zu runs:\n", what, samples.size());
  std::printf("  wall time %s\n", spread(samples, &Sample::wall_ms, "ms").c_str());
  std::printf("  CPU time  %s\n", spread(samples, &Sample::cpu_ms, "ms").c_str());
  std::printf("  peak RSS  %s\n", spread(samples, &Sample::peak_mb, "MB").c_str());
  const bool time_met = median(samples, &Sample::wall_ms) < target_ms;
  std::printf("  target: median under %.0f ms %s", target_ms, time_met ? "met" : "NOT met");
  if (target_mb > 0) {
    const bool memory_met = std::all_of(samples.begin(), samples.end(),
                                        [&](const Sample& s) { return s.peak_mb < target_mb; });
    std::printf(", peak under %.0f MB %s", target_mb, memory_met ? "met" : "NOT met");
  }
  std::printf("\n");
}

std::string load_average() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 41;
  if (argc > 1) std::from_chars(argv[1], argv[1] + std::char_traits<char>::length(argv[1]), runs);
  runs = std::max(runs, 1);
  const fs::path root = fs::temp_directory_path() / ("quillon-bench-" + std::to_string(getpid()));
  const fs::path src = root / "src", dst = root / "dst";
  fs::create_directories(src);
  fs::create_directories(dst);
  {
    std::ofstream day(src / "cm31JAN2008bhav.csv", std::ios::binary);
    day << "SYMBOL,SERIES,OPEN,HIGH,LOW,CLOSE,LAST,PREVCLOSE,TOTTRDQTY,TOTTRDVAL,TIMESTAMP,\n";
    for (int i = 0; i < 2500; ++i)
      day << "SYM" << i << ",EQ," << 100 + i << ".50,1250.00,1220.10,1245.30,1245.00,1230.00,"
          << 125000 + i << ",1.5,31-JAN-2008,\n";
  }
  const std::string settings = (root / "QM.INI").string();
  const std::vector<std::string> version = {QUILLON_BINARY, "--version"};
  const std::vector<std::string> convert = {QUILLON_BINARY, "--settings", settings,
                                            "--source", "folder", "--source-folder",
                                            src.string(), "--dest-folder", dst.string(),
                                            "convert"};
  std::printf("load average before: %s (on %ld cores)\n", load_average().c_str(),
              ::sysconf(_SC_NPROCESSORS_ONLN));
  run_once(version);  // the page cache warmed
  run_once(convert);
  std::vector<Sample> versions, conversions;
  for (int i = 0; i < runs; ++i) {
    versions.push_back(run_once(version));
    conversions.push_back(run_once(convert));
  }
  report("quillon --version", versions, 15, 12);
  report("quillon convert (one day, 2,500 rows)", conversions, 15, 12);

  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::string png = (root / "window.png").string();
  const std::vector<std::string> window = {QUILLON_BINARY, "--screenshot", png, "--settings",
                                           settings};
  run_once(window);
  std::vector<Sample> windows;
  for (int i = 0; i < std::max(3, runs / 8); ++i) windows.push_back(run_once(window));
  report("quillon --screenshot (the window)", windows, 300, 0);
  std::printf("load average after: %s\n", load_average().c_str());
  fs::remove_all(root);
  return 0;
}
