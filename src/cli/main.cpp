// quillon: the window, or the same commands from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "platform/broker_registry.h"
#include "chartdb/eod_server.h"
#include "app/command_line.h"
#include "app/window_commands.h"
#include "platform/curl_fetcher.h"
#include "platform/real_platform.h"
#include "qt/qt_date_pattern.h"
#include "qt/window_app.h"

namespace {

// Pieces the command line has no use for.
class NoWebOpener final : public quillon::WebOpener {
 public:
  void open(const std::string&) override {}
};
class NoFolderPicker final : public quillon::FolderPicker {
 public:
  std::string pick(const std::string&) override { return {}; }
};

// The program's run; main() adds the last-resort catch.
int run(int argc, char** argv) {
  using namespace quillon;
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  auto cl = parse_command_line(args, error);
  if (!cl) {
    std::cerr << "quillon: " << error << "\nTry 'quillon --help' for more information.\n";
    return kExitUsage;
  }
  if (cl->help) {
    std::cout << usage_text();
    return kExitOk;
  }
  if (cl->version) {
    std::cout << "quillon " << kVersion << "\n";
    return kExitOk;
  }
  CurlFetcher fetcher;  // one connection for the whole run
  CurlBatchFetcher batch_fetcher;  // the day-by-day downloads: kept-alive, shared connections
  // The chart database keeps its open database for the whole run.
  EodServer chart_database;
  BrokerRegistry brokers;
  register_sqlite_broker(brokers, chart_database);
  if (cl->commands.empty()) return run_window(argc, argv, *cl, fetcher, brokers, chart_database,
                                                 &batch_fetcher);

  StreamMessageBox messages(std::cerr);
  RealDisk disk;
  QtDatePattern date_pattern;
  RealClock clock;
  RealProgramFolder program_folder;
  NoEventPump events;
  NoMousePointer pointer;
  CurlBrowser browser(fetcher);
  NoWebOpener web;
  NoFolderPicker folders;
  NoProgress progress;
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
                    .progress = progress,
                    .batch_fetcher = &batch_fetcher};

  WindowCommands window(platform, cl->settings_file);
  window.model().Text1.set_listener([](std::string_view piece, bool) {
    write_status_piece(std::cout, piece);
  });
  window.Form_Load();
  apply_options(window, *cl);
  int status = run_commands(window, *cl, std::cerr);
  // The status text ends with one line end: its own, or one added here.
  const std::string& status_text = window.model().Text1.text();
  if (!status_text.empty() && status_text.back() != '\n') std::cout << '\n';
  std::cout.flush();
  if (status == kExitUsage) return status;
  return messages.shown() > 0 ? kExitMessageShown : status;
}

}  // namespace

// What escapes the commands' own reports (out of memory on a huge input, a
// failure of the front end itself) ends the program as the window's last
// resort does: one message on standard error and exit status 1. Every file
// is written whole or not at all, so nothing is left half-written.
int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "quillon: " << e.what() << "\n";
  } catch (...) {
    std::cout.flush();
    std::cerr << "quillon: unknown failure\n";
  }
  return quillon::kExitMessageShown;
}
