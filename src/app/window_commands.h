// The commands of the main window: its load sequence and event handlers,
// under the window's own names, over the plain window model. No window here:
// front ends (the Qt window, the command line) set the model's fields and
// call these handlers as the user's clicks would.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/operations.h"
#include "app/window_model.h"
#include "calendar/day_files.h"
#include "calendar/trading_calendar.h"
#include "catchup/catch_up.h"
#include "platform/platform.h"

namespace quillon {

class WindowCommands {
 public:
  // settings_file: the settings file to use instead of the usual one
  // (empty for it; see settings_file_location).
  explicit WindowCommands(Platform& platform, std::string settings_file = {});

  WindowModel& model() { return model_; }
  const WindowModel& model() const { return model_; }
  Platform& platform() { return platform_; }

  // The load sequence: settings, folder boxes, index list, date pattern and
  // the date boxes' pre-fill. A failure shows "Form Load " + description and
  // skips the remaining steps.
  void Form_Load();

  void cmdProcess_Click();          // Download
  // Convert; with chkAuto, then the Update of the files it queued.
  void cmdConvert_Click();
  void cmdOptions_Click();          // Settings
  void rbSource_Click(int index);   // data source option
  void Command1_Click();            // "..." of the source folder
  void Command2_Click();            // "..." of the destination folder
  void Label16_Click();             // the program's web page
  void Label17_Click();             // the FAQ page
  void Command3_Click();            // Update

  // Catch-up: every trading day after the newest day file of the source
  // folder (from `from` when given, a date as the date boxes take it) up to
  // today that has no day file, then Convert of exactly the files fetched
  // and, with AmiPath set or chkAuto, the Update of the files converted.
  // Holds the source folder's lock (Platform::locks) throughout; when
  // another run holds it, says so and ends before touching a file. Returns
  // true when a trading day before today is still missing at the end.
  bool cmdCatchUp_Click(const std::optional<std::string>& from = std::nullopt);
  // Fetches one missing day (the calendar view's click) as catch-up would.
  bool fetch_day(const Date& day);
  // Gaps: the trading days of the range (default: the oldest day file to
  // yesterday; today never counts) without a day file, one "YYYY-MM-DD"
  // line each, then a summary line. Returns true when some are missing.
  bool cmdGaps_Click(const std::optional<std::string>& from, const std::optional<std::string>& to);

  // The India date, or the day set_today fixed (--today).
  Date today();
  void set_today(const Date& day) { today_ = day; }
  // The built-in calendar with the settings file's [QN_Holidays]; the
  // entries it cannot use are described in `warnings`.
  TradingCalendar trading_calendar(std::vector<std::string>& warnings);
  // The day files of the source folder box: BSE's (BSE_yyyy_mm_dd.csv) when
  // downloads_from_bse, else the exchange's, for catch-up, gaps and the
  // calendar alike.
  DayFiles day_files();

  std::string FuncGetFolderName(const std::string& prompt = "Select a folder.");
  std::string BrowseFolder();

  // Addresses opened by the link labels and shown at start in the browser
  // pane; pages installed with the program (see page_address).
  std::string web_site_address();
  std::string faq_address();
  std::string start_page_address();

 private:
  void download_checked();
  bool catch_up(const std::optional<Date>& from, const std::optional<Date>& only);
  // The Update of the queued files from the `first` on; returns those imported.
  std::vector<std::string> import_queue(size_t first);

  Platform& platform_;
  WindowModel model_;
  std::string settings_file_;
  bool downloading_ = false;
  std::optional<Date> today_;
};

}  // namespace quillon
