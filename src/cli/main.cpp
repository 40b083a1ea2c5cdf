// quillon: the command line. It loads Qt Core, SQLite and libzip and nothing
// of Qt's widgets or of libcurl, so that --version or a conversion starts in
// a few milliseconds. The window (no command, --screenshot, --chart,
// --calendar) and the commands that download (download, catch-up) are
// quillon-window's: this program becomes it
// (execv) with the same arguments.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>

#include "chartdb/eod_server.h"
#include "cli/terminal.h"
#include "platform/broker_registry.h"
#include "platform/install_layout.h"
#include "platform/real_platform.h"

namespace {

using namespace quillon;

// The network of a run that never downloads.
class NoNetwork final : public Fetcher, public Browser {
 public:
  FetchResult fetch(const FetchRequest&) override {
    return {.stored = false, .http_status = 0, .error = "this program does not download"};
  }
  void navigate(const std::string&) override {}
};

// The window (no command: also --screenshot, --chart, --calendar) and the
// commands that download.
bool needs_window_program(const CommandLine& cl) {
  return cl.commands.empty() || std::any_of(cl.commands.begin(), cl.commands.end(), [](auto& c) {
           return c == "download" || c == "catch-up";
         });
}

// Becomes the window program; returns only when it cannot be started.
int become_window_program(char** argv) {
  const std::string path =
      window_program_path(RealProgramFolder().path(),
                          [](const std::string& p) { return ::access(p.c_str(), X_OK) == 0; });
  if (!path.empty()) ::execv(path.c_str(), argv);
  std::cerr << "quillon: cannot start "
            << (path.empty() ? std::string(kWindowProgramName) +
                                   ": it is neither beside the program nor in ../" +
                                   kWindowProgramFolder
                             : path + ": " + std::strerror(errno))
            << "\n";
  return kExitMessageShown;
}

}  // namespace

int main(int argc, char** argv) {
  return run_guarded([&] {
    int status = kExitOk;
    const std::optional<CommandLine> cl = read_command_line(argc, argv, status);
    if (!cl) return status;
    if (needs_window_program(*cl)) return become_window_program(argv);
    NoNetwork no_network;
    // The chart database keeps its open database for the whole run.
    EodServer chart_database;
    BrokerRegistry brokers;
    register_sqlite_broker(brokers, chart_database);
    return run_in_terminal(*cl, no_network, no_network, brokers);
  });
}
