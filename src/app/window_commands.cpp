#include "app/window_commands.h"

#include <optional>

#include "app/operations.h"
#include "base/dates.h"
#include "download/download_support.h"
#include "platform/install_layout.h"
#include "platform/text_file.h"
#include "settings/ini_file.h"

namespace quillon {

namespace {

// The lines of an INI section as ReadIniSection gives them, split at every
// NUL, all pieces kept.
std::vector<std::string> split_at_nul(const std::string& section) {
  std::vector<std::string> list;
  size_t start = 0;
  for (;;) {
    const size_t nul = section.find('\0', start);
    list.push_back(section.substr(start, nul == std::string::npos ? nul : nul - start));
    if (nul == std::string::npos) return list;
    start = nul + 1;
  }
}

}  // namespace

WindowCommands::WindowCommands(Platform& platform, std::string settings_file)
    : platform_(platform), settings_file_(std::move(settings_file)) {}

std::string WindowCommands::web_site_address() {
  return page_address(platform_.program_folder.path(), "README.html");
}
std::string WindowCommands::faq_address() {
  return page_address(platform_.program_folder.path(), "faq.html");
}
std::string WindowCommands::start_page_address() { return "about:blank"; }

void WindowCommands::Form_Load() {
  WindowModel& w = model_;
  Platform& p = platform_;
  report_failure(p.messages, "Form Load ", failure_of([&] {
    // The settings file.
    w.gstrIniPath = settings_file_location(settings_file_, p.program_folder.path());
    // The caption and the link labels.
    w.Caption = std::string("Quillon: ") + kVersion;
    w.Label16Underlined = true;
    w.Label17Underlined = true;
    // The settings.
    const std::string indices = ReadIniSection(p.disk, "QN_Indices", w.gstrIniPath);
    w.gstrAmiPath = ReadIniString(p.disk, "QN_EOD", "AmiPath", "", w.gstrIniPath);
    w.strDataSource = ReadIniString(p.disk, "QN_EOD", "DataSource", "", w.gstrIniPath);
    w.strSourcePath = ReadIniString(p.disk, "QN_EOD", "SourcePath", "", w.gstrIniPath);
    w.strDestPath = ReadIniString(p.disk, "QN_EOD", "DestPath", "", w.gstrIniPath);
    // The folder boxes, restored for the exchanges only.
    if (w.strDataSource == "NSE" || w.strDataSource == "BSE") {
      w.txtSourceFolder = w.strSourcePath;
      w.txtDestFolder = w.strDestPath;
    }
    if (!indices.empty()) w.arrIndexList = split_at_nul(indices);
    // The browser pane.
    w.WebBrowser1 = start_page_address();
    p.browser.navigate(w.WebBrowser1);
    // The date pattern and the date boxes.
    w.strShortDate = p.date_pattern.short_date_pattern();
    w.strDateFormat = choose_date_format(w.strShortDate);
    const LocalDateTime now = p.clock.now();
    const char sep = date_separator(w.strShortDate);
    w.TxtFromDt = prefill_date(now, w.strDateFormat, sep);
    w.TxtToDt = prefill_date(now, w.strDateFormat, sep);
    w.Label4 = w.strDateFormat;
    // No download yet.
    w.arrBhavFiles.assign(1, std::string());
  }));
}

void WindowCommands::cmdProcess_Click() {
  // While a download lets the window process its events a second click would
  // start a run inside the running one; it is ignored instead.
  if (downloading_) return;
  struct Running {
    WindowCommands& commands;
    explicit Running(WindowCommands& c) : commands(c) {
      commands.downloading_ = true;
      commands.platform_.pointer.busy();
    }
    ~Running() {
      commands.platform_.pointer.arrow();
      commands.downloading_ = false;
    }
  } running(*this);
  if (model_.rbSource == kSourceNse) download_checked();
}

// Checks the date and folder boxes in their fixed order, stopping at the first
// that fails, then starts what the check boxes ask for.
void WindowCommands::download_checked() {
  WindowModel& w = model_;
  Platform& p = platform_;
  const DateReader dates(p.date_pattern.short_date_pattern());
  const std::optional<Date> from = w.TxtFromDt.empty() ? std::nullopt : dates.parse(w.TxtFromDt);
  if (!from) return p.messages.show("Please Enter a Valid From Date.");
  const std::optional<Date> to = w.TxtToDt.empty() ? std::nullopt : dates.parse(w.TxtToDt);
  if (!to) return p.messages.show("Please Enter a Valid To Date.");
  if (w.txtSourceFolder.empty()) return p.messages.show("Please select a valid Source folder");
  if (w.txtDestFolder.empty()) return p.messages.show("Please select a valid Dest. folder");
  if (w.chkEOD) {
    if (!w.txtScrip.empty())
      fDownloadScrip(w, p, *from, *to);
    else
      fGetNseFileAlt(w, p, *from, *to);
    // A stop asked for during the first download stops the index download too.
    if (w.chkIndices && p.progress.stop_requested()) {
      if (!w.Text1.text().ends_with(kStoppedByUser))
        w.Text1.append(std::string(kCrLf) + std::string(kStoppedByUser));
      return;
    }
  }
  if (w.chkIndices) fgetIndices(w, p, *from, *to);
}

// Update: every queued file in queue order, then an empty queue. A failure
// of one file is reported by fUpdateAmi and does not stop the others; a
// failure of the loop itself ends the command and keeps the queue.
void WindowCommands::Command3_Click() {
  WindowModel& w = model_;
  report_failure(platform_.messages, "cmdUpdate: ", failure_of([&] {
    if (w.colAmiFiles.empty()) return;
    const int total = static_cast<int>(w.colAmiFiles.size());
    for (int i = 0; i < total; ++i) {
      platform_.progress.report(i, total);
      const std::string strFile = w.colAmiFiles.at(static_cast<size_t>(i));
      fUpdateAmi(w, platform_, strFile);
    }
    platform_.progress.report(total, total);
    w.colAmiFiles = {};
  }));
}

void WindowCommands::cmdConvert_Click() {
  if (model_.chkEOD) {
    if (!model_.txtScrip.empty())
      fConvertScrip(model_, platform_);
    else
      fOutput(model_, platform_);
  }
  if (model_.chkIndices) fConvertIndex(model_, platform_);
}

void WindowCommands::cmdOptions_Click() {
  WindowModel& w = model_;
  if (w.rbSource == kSourceNse) w.strDataSource = "NSE";
  w.strSourcePath = w.txtSourceFolder;
  w.strDestPath = w.txtDestFolder;
  // The three settings are saved in one replacement of the file, so a
  // failed save changes nothing, and the failure is reported so a setting
  // that was not saved never passes for saved.
  const std::string failure = WriteIniStrings(platform_.disk, "QN_EOD",
                                              {{"DataSource", w.strDataSource},
                                               {"SourcePath", w.strSourcePath},
                                               {"DestPath", w.strDestPath}},
                                              w.gstrIniPath);
  if (!failure.empty()) platform_.messages.show("cmdOptions: The settings were not saved. " + failure);
}

void WindowCommands::rbSource_Click(int index) {
  report_failure(platform_.messages, "Source Select Event ", failure_of([&] {
    if (index < kSourceNse || index > kSourceFolder)
      throw Error("There is no data source option " + std::to_string(index) + ".");
    model_.rbSource = index;
    model_.cmdProcessEnabled = index != kSourceFolder;
  }));
}

std::string WindowCommands::FuncGetFolderName(const std::string& prompt) {
  return platform_.folders.pick(prompt);
}

std::string WindowCommands::BrowseFolder() { return FuncGetFolderName("Select a folder"); }

// A cancelled picker leaves the box as it was.
void WindowCommands::Command1_Click() {
  std::string folder = BrowseFolder();
  if (!folder.empty()) model_.txtSourceFolder = folder;
}

void WindowCommands::Command2_Click() {
  std::string folder = BrowseFolder();
  if (!folder.empty()) model_.txtDestFolder = folder;
}

void WindowCommands::Label16_Click() { platform_.web.open(web_site_address()); }
void WindowCommands::Label17_Click() { platform_.web.open(faq_address()); }

}  // namespace quillon
