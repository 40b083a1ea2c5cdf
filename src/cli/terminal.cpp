#include "cli/terminal.h"

#include <iostream>
#include <string>
#include <vector>

#include "platform/folder_locks.h"
#include "platform/install_layout.h"
#include "platform/real_platform.h"
#include "qt/qt_date_pattern.h"

namespace quillon {

namespace {

// Pieces the command line has no use for.
class NoWebOpener final : public WebOpener {
 public:
  void open(const std::string&) override {}
};
class NoFolderPicker final : public FolderPicker {
 public:
  std::string pick(const std::string&) override { return {}; }
};

}  // namespace

std::optional<CommandLine> read_command_line(int argc, char** argv, int& status) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  std::optional<CommandLine> cl = parse_command_line(args, error);
  status = kExitOk;
  if (!cl) {
    std::cerr << "quillon: " << error << "\nTry 'quillon --help' for more information.\n";
    status = kExitUsage;
    return std::nullopt;
  }
  if (cl->help || cl->version) {
    std::cout << (cl->help ? usage_text() : std::string("quillon ") + kVersion + "\n");
    return std::nullopt;
  }
  return cl;
}

int run_in_terminal(const CommandLine& cl, Fetcher& fetcher, Browser& browser,
                    BrokerFactory& brokers, BatchFetcher* batch_fetcher) {
  StreamMessageBox messages(std::cerr);
  RealDisk disk;
  QtDatePattern date_pattern;
  RealClock clock;
  RealProgramFolder program_folder;
  NoEventPump events;
  NoMousePointer pointer;
  NoWebOpener web;
  NoFolderPicker folders;
  NoProgress progress;
  FlockFolderLocks locks(lock_folder(current_environment()));
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
                    .locks = locks,
                    .batch_fetcher = batch_fetcher};

  WindowCommands window(platform, cl.settings_file);
  window.model().Text1.set_listener([](std::string_view piece, bool) {
    write_status_piece(std::cout, piece);
  });
  window.Form_Load();
  apply_options(window, cl);
  const int status = run_commands(window, cl, std::cerr);
  // The status text ends with one line end: its own, or one added here.
  const std::string& status_text = window.model().Text1.text();
  if (!status_text.empty() && status_text.back() != '\n') std::cout << '\n';
  std::cout.flush();
  if (status == kExitUsage) return status;
  return messages.shown() > 0 ? kExitMessageShown : status;
}

int run_guarded(const std::function<int()>& run) {
  try {
    return run();
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "quillon: " << e.what() << "\n";
  } catch (...) {
    std::cout.flush();
    std::cerr << "quillon: unknown failure\n";
  }
  return kExitMessageShown;
}

}  // namespace quillon
