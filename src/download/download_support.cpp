#include "download/download_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>

#include "platform/text_file.h"

namespace quillon {

std::string scratch_page_path(ProgramFolder& program_folder) {
  const std::string folder = program_folder.path();
  if (::access(folder.c_str(), W_OK) == 0) return join_path(folder, "temp.html");
  std::string cache;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && xdg[0] == '/') {
    cache = xdg;
  } else if (const char* home = std::getenv("HOME"); home && home[0] != '\0') {
    cache = join_path(home, ".cache");
    ::mkdir(cache.c_str(), 0700);
  } else {
    cache = "/tmp";
  }
  cache = join_path(cache, "quillon");
  ::mkdir(cache.c_str(), 0700);  // a failure shows when the page is written
  return join_path(cache, "temp.html");
}

std::string folder_with_separator(const std::string& folder) {
  if (!folder.empty() && folder.back() == '/') return folder;
  return folder + '/';
}

void check_plain_file_name(const std::string& name, const char* what) {
  auto refuse = [&](const std::string& why) {
    std::string shown;
    for (char c : name) {
      const auto u = static_cast<unsigned char>(c);
      shown.push_back(u < 0x20 || u == 0x7f ? '?' : c);
    }
    throw Error(std::string("The ") + what + " '" + shown +
                "' cannot be part of a file name: " + why + ".");
  };
  if (name == "." || name == "..") refuse("it names a folder");
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\') refuse("it holds a folder separator");
    if (u < 0x20 || u == 0x7f) refuse("it holds a control character");
  }
}

std::string date_number(int value) {
  char buf[16];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, end);
}

}  // namespace quillon
