// The commands of the main window: its load sequence and event handlers,
// under the window's own names, over the plain window model. No window here:
// front ends (the Qt window, the command line) set the model's fields and
// call these handlers as the user's clicks would.
#pragma once

#include <string>

#include "app/window_model.h"
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
  void cmdConvert_Click();          // Convert
  void cmdOptions_Click();          // Settings
  void rbSource_Click(int index);   // data source option
  void Command1_Click();            // "..." of the source folder
  void Command2_Click();            // "..." of the destination folder
  void Label16_Click();             // the program's web page
  void Label17_Click();             // the FAQ page
  void Command3_Click();            // Update

  std::string FuncGetFolderName(const std::string& prompt = "Select a folder.");
  std::string BrowseFolder();

  // Addresses opened by the link labels and shown at start in the browser
  // pane; pages installed with the program (see page_address).
  std::string web_site_address();
  std::string faq_address();
  std::string start_page_address();

 private:
  void download_checked();

  Platform& platform_;
  WindowModel model_;
  std::string settings_file_;
  bool downloading_ = false;
};

}  // namespace quillon
