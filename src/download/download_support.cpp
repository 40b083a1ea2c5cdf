#include "download/download_support.h"

#include <charconv>

#include "base/records.h"
#include "base/text.h"
#include "platform/install_layout.h"
#include "platform/text_file.h"

namespace quillon {

std::string scratch_page_path(ProgramFolder& program_folder) {
  return join_path(scratch_folder(program_folder.path()), "temp.html");
}

std::string folder_with_separator(const std::string& folder) {
  if (!folder.empty() && folder.back() == '/') return folder;
  return folder + '/';
}

void check_plain_file_name(const std::string& name, const char* what) {
  auto refuse = [&](const std::string& why) {
    throw Error(std::string("The ") + what + " '" + shown(name) +
                "' cannot be part of a file name: " + why + ".");
  };
  if (name == "." || name == "..") refuse("it names a folder");
  for (char c : name) {
    if (c == '/' || c == '\\') refuse("it holds a folder separator");
    if (is_control_ascii(c)) refuse("it holds a control character");
  }
}

std::string date_number(int value) {
  char buf[16];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, end);
}

}  // namespace quillon
