// What the two programs do alike: quillon (the command line) and
// quillon-window (the window, and the commands that download) read the same
// options, answer --help and --version the same way and run commands in a
// terminal the same way.
#pragma once

#include <functional>
#include <optional>

#include "app/command_line.h"
#include "platform/interfaces.h"

namespace quillon {

// The command line of `argv`; nothing when it is answered already: --help,
// --version (exit status 0) or a usage error (2), set in `status`.
std::optional<CommandLine> read_command_line(int argc, char** argv, int& status);

// Runs the commands of `cl` in the terminal: the status box to standard
// output, message boxes to standard error. Returns the exit status.
// `batch_fetcher`, when given, runs the day-by-day downloads.
int run_in_terminal(const CommandLine& cl, Fetcher& fetcher, Browser& browser,
                    BrokerFactory& brokers, BatchFetcher* batch_fetcher = nullptr);

// `run`'s exit status. What escapes the commands' own reports (out of memory
// on a huge input, a failure of the front end itself) ends the program as
// the window's last resort does: one message on standard error and exit
// status 1. Every file is written whole or not at all, so nothing is left
// half-written.
int run_guarded(const std::function<int()>& run);

}  // namespace quillon
