// Runs the quillon program as a user's script would and captures what it
// prints and its exit status.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fakes.h"

namespace quillon::testing {

struct ProgramRun {
  int status = -1;
  std::string out, err;
};

inline std::string shell_quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''";
    else q.push_back(c);
  }
  return q + "'";
}

// env: "NAME=value" words put before the program.
inline ProgramRun run_program(const std::string& program, const std::vector<std::string>& args,
                              const TempDir& tmp, const std::vector<std::string>& env = {}) {
  std::string cmd = "env";
  for (const auto& e : env) cmd += " " + shell_quote(e);
  cmd += " " + shell_quote(program);
  for (const auto& a : args) cmd += " " + shell_quote(a);
  const std::string out = tmp.path() + "/.stdout", err = tmp.path() + "/.stderr";
  cmd += " </dev/null >" + shell_quote(out) + " 2>" + shell_quote(err);
  int raw = std::system(cmd.c_str());
  ProgramRun r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = read_text(out);
  r.err = read_text(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return r;
}

}  // namespace quillon::testing
