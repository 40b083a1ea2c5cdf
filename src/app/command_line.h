// The command line: options set the window's boxes, commands press its
// buttons in the order given, after the load sequence has run.
//
//   quillon [OPTION]... [COMMAND]...
//
// Exit status: 0 when no message box was shown, 1 when at least one was,
// 2 for a usage error, 3 when catch-up or gaps leave trading days missing
// (and no message box was shown).
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/window_commands.h"
#include "base/dates.h"
#include "platform/platform.h"

namespace quillon {

inline constexpr int kExitOk = 0;
inline constexpr int kExitMessageShown = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitDaysMissing = 3;

struct CommandLine {
  std::optional<std::string> from, to, scrip, source_folder, dest_folder, length;
  std::optional<int> source;  // rbSource index
  std::optional<bool> eod, indices;
  std::optional<bool> scrip_wise;  // --output scrip-wise / date-wise
  std::optional<bool> adjust;      // --adjust, --no-adjust
  std::optional<bool> fo;          // --fo, --no-fo
  std::optional<bool> oi;          // --oi, --no-oi
  std::optional<bool> auto_update;  // --auto-update, --no-auto-update
  std::string settings_file;
  std::optional<std::string> exchange_url;
  std::optional<std::string> bse_url;
  std::optional<ExchangeLayout> exchange_layout;
  std::optional<std::string> screenshot;  // PNG file: picture of the window
  std::optional<std::string> chart;       // symbol: the chart window instead
  std::optional<int> jobs;                // --jobs N, N >= 1
  std::optional<double> rate;             // --rate R, R >= 0
  bool calendar = false;                  // the calendar view instead
  std::optional<Date> today;              // --today YYYY-MM-DD
  bool help = false;
  bool version = false;
  std::vector<std::string> commands;  // download, convert, settings, update, catch-up, gaps
};

// Parses the arguments (without the program name). On a usage error returns
// nothing and puts the reason into `error`.
std::optional<CommandLine> parse_command_line(const std::vector<std::string>& args,
                                              std::string& error);

std::string usage_text();

// Sets the window's boxes from the options, as typing and clicking would.
void apply_options(WindowCommands& window, const CommandLine& cl);

// Presses the buttons of `cl.commands` in order. Returns 2 (printing why on
// `err`) when a command cannot run here, 3 when catch-up or gaps left
// trading days missing, else 0.
int run_commands(WindowCommands& window, const CommandLine& cl, std::ostream& err);

// A message box for a terminal: each text goes to `err` as one line, and
// the boxes shown are counted for the exit status.
class StreamMessageBox final : public MessageBox {
 public:
  explicit StreamMessageBox(std::ostream& err) : err_(err) {}
  void show(const std::string& text) override;
  int shown() const { return shown_; }

 private:
  std::ostream& err_;
  int shown_ = 0;
};

// Writes a status box piece to a terminal: CR LF becomes a newline.
void write_status_piece(std::ostream& out, std::string_view piece);

}  // namespace quillon
