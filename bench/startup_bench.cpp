// Start-up of the window: runs `quillon --screenshot` (start, load sequence,
// window laid out and painted, picture saved, exit) several times and prints
// the wall-clock times. Target: 300 ms.
//
//   startup_bench [RUNS]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

extern char** environ;

namespace {

// Runs the program once; returns the wall-clock milliseconds, or -1.
double run_once(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  posix_spawn_file_actions_t quiet;  // Qt's notes about the offscreen screen
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&quiet);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 15;
  if (argc > 1) std::from_chars(argv[1], argv[1] + std::char_traits<char>::length(argv[1]), runs);
  if (runs < 1) runs = 1;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::string png =
      (std::filesystem::temp_directory_path() / ("quillon-bench-" + std::to_string(getpid()) + ".png"))
          .string();
  const std::string settings = png + ".ini";

  std::vector<double> times;
  run_once({QUILLON_BINARY, "--screenshot", png, "--settings", settings});  // warm the caches
  for (int i = 0; i < runs; ++i) {
    const double ms = run_once({QUILLON_BINARY, "--screenshot", png, "--settings", settings});
    if (ms < 0) {
      std::cerr << "startup_bench: quillon --screenshot failed\n";
      return 1;
    }
    times.push_back(ms);
  }
  std::filesystem::remove(png);
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  std::cout << "window start-up (quillon --screenshot, " << runs << " runs): min "
            << static_cast<int>(times.front()) << " ms, median " << static_cast<int>(median)
            << " ms, max " << static_cast<int>(times.back()) << " ms; target 300 ms: "
            << (median <= 300 ? "met" : "NOT met") << "\n";
  return 0;
}
