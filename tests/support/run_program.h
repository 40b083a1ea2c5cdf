// Runs the quillon program as a user's script would, with no shell between:
// standard output and standard error captured, the exit status returned.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fakes.h"

extern char** environ;

namespace quillon::testing {

struct ProgramRun {
  int status = -1;
  std::string out, err;
};

// Starts `env ENV... quillon ARGS...` with standard output to `out` and
// standard error to `err` (one file when they are the same); returns its
// process id, or -1.
inline pid_t start_quillon(const std::vector<std::string>& env, const std::vector<std::string>& args,
                           const std::string& out, const std::string& err) {
  std::vector<std::string> words = {"env"};
  words.insert(words.end(), env.begin(), env.end());
  words.emplace_back(QUILLON_BINARY);
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (err == out) posix_spawn_file_actions_adddup2(&files, 1, 2);
  else posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  if (posix_spawnp(&pid, "env", &files, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&files);
  return pid;
}

inline ProgramRun run_quillon(const std::vector<std::string>& args, const TempDir& tmp,
                              const std::vector<std::string>& env = {"LC_ALL=en_GB.UTF-8"}) {
  const std::string out = tmp.path() + "/.stdout", err = tmp.path() + "/.stderr";
  ProgramRun r;
  const pid_t pid = start_quillon(env, args, out, err);
  int raw = 0;
  if (pid > 0 && ::waitpid(pid, &raw, 0) == pid && WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
  r.out = read_text(out);
  r.err = read_text(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return r;
}

}  // namespace quillon::testing
