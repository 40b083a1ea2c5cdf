// The program with its window: `quillon` without a command.
#pragma once

#include "app/command_line.h"
#include "platform/interfaces.h"

namespace quillon {

class EodServer;

// Opens the window with the command line's options filled in and runs it
// until the user closes it (exit status 0). With --screenshot, saves a
// picture of the window instead and ends: 0, or 1 when a message was shown
// or the picture could not be written. Without a display to open the window
// on, says so and returns 2.
//
// With --chart, the chart window of that symbol instead, on the AmiPath
// database; its picture ends with 1 when the database or the symbol cannot
// be found (nothing is written then). A --from or --to that is not a date
// is a usage error (2).
//
// `chart_server` is the database the Update button fills; the chart window
// follows it. `batch_fetcher`, when given, keeps several day-by-day
// transfers in flight.
int run_window(int& argc, char** argv, const CommandLine& cl, Fetcher& fetcher,
               BrokerFactory& brokers, EodServer& chart_server,
               BatchFetcher* batch_fetcher = nullptr);

}  // namespace quillon
