// quillon-window: the window, and every command, downloads included. The
// quillon command starts it (execv) for the window and for downloads, so
// that the command line itself loads neither Qt Widgets nor libcurl; started
// by hand it behaves as quillon does.
#include "chartdb/eod_server.h"
#include "cli/terminal.h"
#include "platform/broker_registry.h"
#include "platform/curl_fetcher.h"
#include "qt/window_app.h"

int main(int argc, char** argv) {
  using namespace quillon;
  return run_guarded([&] {
    int status = kExitOk;
    const std::optional<CommandLine> cl = read_command_line(argc, argv, status);
    if (!cl) return status;
    CurlFetcher fetcher;  // one connection for the whole run
    CurlBatchFetcher batch_fetcher;  // the day-by-day downloads: kept-alive, shared connections
    // The chart database keeps its open database for the whole run.
    EodServer chart_database;
    BrokerRegistry brokers;
    register_sqlite_broker(brokers, chart_database);
    if (cl->commands.empty())
      return run_window(argc, argv, *cl, fetcher, brokers, chart_database, &batch_fetcher);
    CurlBrowser browser(fetcher);
    return run_in_terminal(*cl, fetcher, browser, brokers, &batch_fetcher);
  });
}
