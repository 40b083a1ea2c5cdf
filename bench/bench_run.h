// What the benchmarks that time the program share: a command run as a whole
// process (wall time, CPU time, peak memory), the median and spread of a
// list of figures, and the load average that says how quiet the machine was.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Timing {
  double seconds = 0;
  double cpu_seconds = 0;  // user and system, of all its threads
  long peak_kb = 0;
  int status = 0;
};

// Runs argv (optionally with stdout to a file) and returns wall time and the
// child's peak resident memory.
inline Timing run(const std::vector<std::string>& argv, const std::string& stdout_path = "/dev/null") {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ) != 0) {
    std::fprintf(stderr, "cannot start %s\n", args[0]);
    std::exit(2);
  }
  int status = 0;
  struct rusage ru {};
  wait4(pid, &status, 0, &ru);
  auto end = std::chrono::steady_clock::now();
  posix_spawn_file_actions_destroy(&fa);
  return {std::chrono::duration<double>(end - start).count(),
          static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
              static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6,
          ru.ru_maxrss,
          WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// A run that must succeed: the benchmark ends when it does not.
inline Timing checked(const std::vector<std::string>& argv, const std::string& stdout_path = "/dev/null") {
  const Timing t = run(argv, stdout_path);
  if (t.status != 0) {
    std::fprintf(stderr, "%s exited with %d\n", argv[0].c_str(), t.status);
    std::exit(1);
  }
  return t;
}

// Median and spread of a list of figures: "M (A to B)".
inline std::string spread(std::vector<double> v, const char* format) {
  std::sort(v.begin(), v.end());
  char text[160];
  const std::string f = std::string(format) + " (" + format + " to " + format + ")";
  std::snprintf(text, sizeof text, f.c_str(), v[v.size() / 2], v.front(), v.back());
  return text;
}

inline std::string load_average() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

}  // namespace
