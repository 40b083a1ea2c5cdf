#include "platform/install_layout.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/interfaces.h"
#include "platform/text_file.h"

namespace quillon {

namespace {

bool regular_file_exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool is_folder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string env_value(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// The user's base folder of one kind: the XDG variable when it holds an
// absolute path (relative ones are ignored), else `fallback` under HOME;
// empty when there is neither.
std::string user_base_folder(const std::string& xdg_value, const std::string& home,
                             const char* fallback) {
  if (!xdg_value.empty() && xdg_value.front() == '/') return xdg_value;
  if (home.empty()) return {};
  return join_path(home, fallback);
}

// The folder above `folder`: "/usr" for "/usr/bin", "" for "/bin".
std::string parent_folder(const std::string& folder) {
  const size_t slash = folder.find_last_of('/');
  return slash == std::string::npos ? "." : folder.substr(0, slash);
}

}  // namespace

UserEnvironment current_environment() {
  UserEnvironment env{env_value("HOME"), env_value("XDG_CONFIG_HOME"),
                      env_value("XDG_CACHE_HOME"), env_value("XDG_RUNTIME_DIR")};
  if (env.home.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) env.home = pw->pw_dir;
  }
  return env;
}

std::string settings_file_location(const std::string& chosen, const std::string& program_folder,
                                   const FileExists& exists, const UserEnvironment& env) {
  if (!chosen.empty()) return chosen;
  const std::string beside = join_path(program_folder, kSettingsFileName);
  if (exists(beside)) return beside;
  const std::string config = user_base_folder(env.config_home, env.home, ".config");
  if (config.empty()) return beside;
  return join_path(join_path(config, "quillon"), kSettingsFileName);
}

std::string settings_file_location(const std::string& chosen, const std::string& program_folder) {
  return settings_file_location(chosen, program_folder, regular_file_exists,
                                current_environment());
}

std::string scratch_folder(const std::string& program_folder) {
  if (regular_file_exists(join_path(program_folder, kSettingsFileName)) &&
      ::access(program_folder.c_str(), W_OK) == 0)
    return program_folder;
  const UserEnvironment env = current_environment();
  std::string cache = user_base_folder(env.cache_home, env.home, ".cache");
  cache = join_path(cache.empty() ? "/tmp" : cache, "quillon");
  try {
    make_folders(cache);
  } catch (const Error&) {
    // The failure shows when a scratch file is written.
  }
  return cache;
}

std::string lock_folder(const UserEnvironment& env) {
  std::string base = user_base_folder(env.runtime_dir, {}, "");
  if (base.empty()) base = user_base_folder(env.cache_home, env.home, ".cache");
  return join_path(base.empty() ? "/tmp" : base, "quillon");
}

std::string window_program_path(const std::string& program_folder, const FileExists& exists) {
  for (const std::string& folder :
       {program_folder, join_path(parent_folder(program_folder), kWindowProgramFolder)}) {
    const std::string path = join_path(folder, kWindowProgramName);
    if (exists(path)) return path;
  }
  return {};
}

std::string program_folder_of(const std::string& executable_folder) {
  const std::string libexec = std::string("/") + kWindowProgramFolder;
  if (executable_folder.ends_with(libexec))  // a prefix of "/" included
    return executable_folder.substr(0, executable_folder.size() - libexec.size()) + "/bin";
  return executable_folder;
}

std::string page_address(const std::string& program_folder, const std::string& name) {
  const std::string installed =
      join_path(join_path(parent_folder(program_folder), "share/quillon"), name);
  return "file://" +
         (regular_file_exists(installed) ? installed : join_path(program_folder, name));
}

void make_folders(const std::string& folder) {
  for (size_t end = 1; end <= folder.size(); ++end) {
    if (end < folder.size() && folder[end] != '/') continue;
    const std::string part = folder.substr(0, end);
    if (::mkdir(part.c_str(), 0700) == 0) continue;
    const int err = errno;
    if (is_folder(part)) continue;
    throw Error("Cannot create the folder '" + part + "': " + errno_text(err) + ".");
  }
}

void make_parent_folders(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) make_folders(path.substr(0, slash));
}

}  // namespace quillon
