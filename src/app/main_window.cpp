#include "app/main_window.h"

#include <exception>

#include "bhavcopy/bhavcopy_convert.h"
#include "indices/index_convert.h"
#include "platform/text_file.h"
#include "scrip/scrip_convert.h"
#include "settings/ini_file.h"
#include "settings/regional_date.h"

namespace quillon {

MainWindow::MainWindow(Platform& platform, std::string settings_file)
    : p_(platform), settings_file_(std::move(settings_file)) {}

std::string MainWindow::web_site_address() {
  return "file://" + join_path(p_.program_folder.path(), "README.html");
}
std::string MainWindow::faq_address() {
  return "file://" + join_path(p_.program_folder.path(), "faq.html");
}
std::string MainWindow::start_page_address() { return "about:blank"; }

void MainWindow::Form_Load() {
  try {
    // 1. The settings file.
    w_.gstrIniPath = settings_file_.empty() ? join_path(p_.program_folder.path(), "QM.INI")
                                            : settings_file_;
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
  p_.messages.show("Download is not available in this version yet.");
}

void MainWindow::Command3_Click() {
  p_.messages.show("Update is not available in this version yet.");
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
