// Where the settings file is looked for, over a made-up disk and environment.
#include <gtest/gtest.h>

#include "platform/install_layout.h"

namespace quillon {
namespace {

TEST(SettingsFileLocation, ChosenFileThenPortableCopyThenUsersConfigFolder) {
  struct Row {
    const char* why;
    std::string chosen;
    bool ini_beside_program;
    UserEnvironment env;
    std::string expected;
  } rows[] = {
      {"--settings wins over a portable copy", "/s/my.ini", true, {"/home/me", "/cfg", ""},
       "/s/my.ini"},
      {"portable copy", "", true, {"/home/me", "/cfg", ""}, "/opt/q/QM.INI"},
      {"XDG_CONFIG_HOME", "", false, {"/home/me", "/cfg", ""}, "/cfg/quillon/QM.INI"},
      {"no XDG_CONFIG_HOME", "", false, {"/home/me", "", ""}, "/home/me/.config/quillon/QM.INI"},
      {"relative XDG_CONFIG_HOME is ignored", "", false, {"/home/me", "cfg", ""},
       "/home/me/.config/quillon/QM.INI"},
      {"no home folder at all", "", false, {"", "", ""}, "/opt/q/QM.INI"},
  };
  for (const Row& r : rows) {
    auto exists = [&](const std::string& path) {
      return r.ini_beside_program && path == "/opt/q/QM.INI";
    };
    EXPECT_EQ(settings_file_location(r.chosen, "/opt/q", exists, r.env), r.expected) << r.why;
  }
}

}  // namespace
}  // namespace quillon
