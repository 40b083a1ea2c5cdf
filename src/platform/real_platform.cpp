#include "platform/real_platform.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <memory>

#include "base/text.h"
#include "platform/install_layout.h"
#include "platform/text_file.h"

namespace quillon {

bool wildcard_match(std::string_view pattern, std::string_view name) {
  size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || lower_ascii(pattern[p]) == lower_ascii(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> RealDisk::list(const std::string& folder, const std::string& pattern) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir)
    throw Error("Cannot list the folder '" + folder + "': " + errno_text(errno) + ".");
  std::vector<std::string> names;
  while (dirent* e = ::readdir(dir.get())) {
    std::string_view name = e->d_name;
    if (name.empty() || name[0] == '.') continue;  // hidden files, temporaries
    if (!wildcard_match(pattern, name)) continue;
    bool regular = e->d_type == DT_REG;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) regular = is_file(join_path(folder, name));
    if (regular) names.emplace_back(name);
  }
  sort_names(names);
  return names;
}

void RealDisk::read(const std::string& path, std::string& out) { read_file(path, out); }

void RealDisk::read_pieces(const std::string& path, size_t piece,
                           const std::function<void(std::string_view)>& take) {
  read_file_in_pieces(path, piece, take);
}

void RealDisk::write(const std::string& path, std::string_view data, bool durable) {
  write_file_atomically(path, data, durable);
}

bool RealDisk::holds(const std::string& path, std::string_view data) {
  return file_holds(path, data);
}

bool RealDisk::is_file(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool RealDisk::is_folder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<FileStamp> RealDisk::stamp(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return FileStamp{static_cast<uint64_t>(st.st_size),
                   static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

void RealDisk::make_folders(const std::string& folder) { quillon::make_folders(folder); }

void RealDisk::remove(const std::string& path) { ::unlink(path.c_str()); }

void RealDisk::remove_stale_temporaries(const std::string& folder) {
  quillon::remove_stale_temporaries(folder);
}

LocalDateTime RealClock::now() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string RealProgramFolder::path() {
  std::string buf(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
  if (n <= 0) return ".";
  buf.resize(static_cast<size_t>(n));
  return program_folder_of(folder_of(buf));
}

}  // namespace quillon
