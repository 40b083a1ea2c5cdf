#include "app/main_window.h"

#include <exception>
#include <optional>

#include "update/update_ami.h"
#include "bhavcopy/bhavcopy_convert.h"
#include "bhavcopy/bhavcopy_download.h"
#include "indices/index_convert.h"
#include "indices/index_download.h"
#include "download/download_support.h"
#include "platform/install_layout.h"
#include "platform/text_file.h"
#include "scrip/scrip_convert.h"
#include "scrip/scrip_download.h"
#include "settings/ini_file.h"
#include "base/dates.h"

namespace quillon {

MainWindow::MainWindow(Platform& platform, std::string settings_file)
    : p_(platform), settings_file_(std::move(settings_file)) {}

std::string MainWindow::web_site_address() {
  return page_address(p_.program_folder.path(), "README.html");
}
std::string MainWindow::faq_address() {
  return page_address(p_.program_folder.path(), "faq.html");
}
std::string MainWindow::start_page_address() { return "about:blank"; }

void MainWindow::Form_Load() {
  try {
    // 1. The settings file.
    w_.gstrIniPath = settings_file_location(settings_file_, p_.program_folder.path());
    // 2. Caption.
    w_.Caption = std::string("Quillon: ") + kVersion;
    // 3. Link labels.
    w_.Label16Underlined = true;
    w_.Label17Underlined = true;
    // 4.-6. Settings.
    const std::string indices = ReadIniSection("QN_Indices", w_.gstrIniPath);
    w_.gstrAmiPath = ReadIniString("QN_EOD", "AmiPath", "", w_.gstrIniPath);
    w_.strDataSource = ReadIniString("QN_EOD", "DataSource", "", w_.gstrIniPath);
    w_.strSourcePath = ReadIniString("QN_EOD", "SourcePath", "", w_.gstrIniPath);
    w_.strDestPath = ReadIniString("QN_EOD", "DestPath", "", w_.gstrIniPath);
    // 7. Folder boxes.
    if (w_.strDataSource == "NSE" || w_.strDataSource == "BSE") {
      w_.txtSourceFolder = w_.strSourcePath;
      w_.txtDestFolder = w_.strDestPath;
    }
    // 8. Index list: the section split at every NUL, all pieces kept.
    if (!indices.empty()) {
      std::vector<std::string> list;
      size_t start = 0;
      for (;;) {
        size_t nul = indices.find('\0', start);
        list.push_back(indices.substr(start, nul == std::string::npos ? nul : nul - start));
        if (nul == std::string::npos) break;
        start = nul + 1;
      }
      w_.arrIndexList = std::move(list);
    }
    // 9. Browser pane.
    w_.WebBrowser1 = start_page_address();
    p_.browser.navigate(w_.WebBrowser1);
    // 10. Date pattern and the date boxes.
    w_.strShortDate = p_.date_pattern.short_date_pattern();
    w_.strDateFormat = choose_date_format(w_.strShortDate);
    const LocalDateTime now = p_.clock.now();
    const char sep = date_separator(w_.strShortDate);
    w_.TxtFromDt = prefill_date(now, w_.strDateFormat, sep);
    w_.TxtToDt = prefill_date(now, w_.strDateFormat, sep);
    // 11.
    w_.Label4 = w_.strDateFormat;
    // 12.
    w_.arrBhavFiles.assign(1, std::string());
  } catch (const std::exception& e) {
    p_.messages.show(std::string("Form Load ") + e.what());
  }
}

void MainWindow::cmdProcess_Click() {
  // While a download lets the window process its events a second click would
  // start a run inside the running one; it is ignored instead.
  if (downloading_) return;
  struct Running {
    MainWindow& m;
    explicit Running(MainWindow& window) : m(window) {
      m.downloading_ = true;
      m.p_.pointer.busy();
    }
    ~Running() {
      m.p_.pointer.arrow();
      m.downloading_ = false;
    }
  } running(*this);
  if (w_.rbSource == kSourceNse) download_checked();
}

// Checks the date and folder boxes in their fixed order, stopping at the first
// that fails, then starts what the check boxes ask for.
void MainWindow::download_checked() {
  const DateReader dates(p_.date_pattern.short_date_pattern());
  const std::optional<Date> from = w_.TxtFromDt.empty() ? std::nullopt : dates.parse(w_.TxtFromDt);
  if (!from) return p_.messages.show("Please Enter a Valid From Date.");
  const std::optional<Date> to = w_.TxtToDt.empty() ? std::nullopt : dates.parse(w_.TxtToDt);
  if (!to) return p_.messages.show("Please Enter a Valid To Date.");
  if (w_.txtSourceFolder.empty()) return p_.messages.show("Please select a valid Source folder");
  if (w_.txtDestFolder.empty()) return p_.messages.show("Please select a valid Dest. folder");
  if (w_.chkEOD) {
    if (!w_.txtScrip.empty())
      fDownloadScrip(w_, p_);
    else
      fGetNseFileAlt(w_, p_, *from, *to);
    // A stop asked for during the first download stops the index download too.
    if (w_.chkIndices && p_.progress.stop_requested()) {
      if (!w_.Text1.text().ends_with(kStoppedByUser))
        w_.Text1.append(std::string(kCrLf) + std::string(kStoppedByUser));
      return;
    }
  }
  if (w_.chkIndices) fgetIndices(w_, p_);
}

// Update: every queued file in queue order, then an empty queue. A failure
// of one file is reported by fUpdateAmi and does not stop the others; a
// failure of the loop itself ends the command and keeps the queue.
void MainWindow::Command3_Click() {
  try {
    if (w_.colAmiFiles.empty()) return;
    const size_t count = w_.colAmiFiles.size();
    const int total = static_cast<int>(count);
    for (size_t i = 0; i < count; ++i) {
      p_.progress.report(static_cast<int>(i), total);
      const std::string strFile = w_.colAmiFiles.at(i);
      fUpdateAmi(w_, p_, strFile);
    }
    p_.progress.report(total, total);
    w_.colAmiFiles = {};
  } catch (const std::exception& e) {
    p_.messages.show(std::string("cmdUpdate: ") + e.what());
  }
}

void MainWindow::cmdConvert_Click() {
  if (w_.chkEOD) {
    if (!w_.txtScrip.empty())
      fConvertScrip(w_, p_);
    else
      fOutput(w_, p_);
  }
  if (w_.chkIndices) fConvertIndex(w_, p_);
}

void MainWindow::cmdOptions_Click() {
  if (w_.rbSource == kSourceNse) w_.strDataSource = "NSE";
  w_.strSourcePath = w_.txtSourceFolder;
  w_.strDestPath = w_.txtDestFolder;
  // The three settings are saved in one replacement of the file, so a
  // failed save changes nothing, and the failure is reported so a setting
  // that was not saved never passes for saved.
  std::string failure = WriteIniStrings("QN_EOD",
                                        {{"DataSource", w_.strDataSource},
                                         {"SourcePath", w_.strSourcePath},
                                         {"DestPath", w_.strDestPath}},
                                        w_.gstrIniPath);
  if (!failure.empty()) p_.messages.show("cmdOptions: The settings were not saved. " + failure);
}

void MainWindow::rbSource_Click(int index) {
  try {
    if (index < kSourceNse || index > kSourceFolder)
      throw Error("There is no data source option " + std::to_string(index) + ".");
    w_.rbSource = index;
    w_.cmdProcessEnabled = index != kSourceFolder;
  } catch (const std::exception& e) {
    p_.messages.show(std::string("Source Select Event ") + e.what());
  }
}

std::string MainWindow::FuncGetFolderName(const std::string& prompt) {
  return p_.folders.pick(prompt);
}

std::string MainWindow::BrowseFolder() { return FuncGetFolderName("Select a folder"); }

// A cancelled picker leaves the box as it was.
void MainWindow::Command1_Click() {
  std::string folder = BrowseFolder();
  if (!folder.empty()) w_.txtSourceFolder = folder;
}

void MainWindow::Command2_Click() {
  std::string folder = BrowseFolder();
  if (!folder.empty()) w_.txtDestFolder = folder;
}

void MainWindow::Label16_Click() { p_.web.open(web_site_address()); }
void MainWindow::Label17_Click() { p_.web.open(faq_address()); }

}  // namespace quillon
