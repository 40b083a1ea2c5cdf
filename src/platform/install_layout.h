// Where the program's own files live.
//
// A copy of the program with QM.INI beside it is a portable copy: it keeps
// its settings and its scratch files in its own folder, as a copy unpacked
// anywhere always has. Any other copy (an installed one) keeps them in the
// user's folders of the XDG base directory rules: the settings in
// ~/.config/quillon, the scratch files in ~/.cache/quillon. The pages behind
// the window's links are installed in share/quillon of the install prefix
// (<prefix>/bin/../share/quillon) and sit beside the program in the build
// folder.
#pragma once

#include <functional>
#include <string>

namespace quillon {

// The desktop's name for the program: the name of its desktop entry, its
// icon and its AppStream file.
inline constexpr const char* kApplicationId = "io.github.quillon.Quillon";

inline constexpr const char* kSettingsFileName = "QM.INI";

// The environment values the locations depend on, empty when unset.
struct UserEnvironment {
  std::string home;         // HOME
  std::string config_home;  // XDG_CONFIG_HOME
  std::string cache_home;   // XDG_CACHE_HOME
  std::string runtime_dir;  // XDG_RUNTIME_DIR
};

// The process's values; HOME falls back to the password file's home folder.
UserEnvironment current_environment();

// Whether a regular file of that path exists.
using FileExists = std::function<bool(const std::string& path)>;

// The settings file: `chosen` (--settings) when not empty; else QM.INI beside
// the program when it exists there; else quillon/QM.INI in the user's
// configuration folder ($XDG_CONFIG_HOME when it is an absolute path, else
// $HOME/.config); QM.INI beside the program when there is no home folder.
std::string settings_file_location(const std::string& chosen, const std::string& program_folder,
                                   const FileExists& exists, const UserEnvironment& env);

// The same on the real disk and environment.
std::string settings_file_location(const std::string& chosen, const std::string& program_folder);

// The folder for scratch files (the query pages of the downloads): the
// program's folder for a portable copy whose folder is writable, else
// quillon in the user's cache folder ($XDG_CACHE_HOME, else ~/.cache, else
// /tmp), made when missing.
std::string scratch_folder(const std::string& program_folder);

// The folder of the locks that keep two runs off one source folder
// (FlockFolderLocks): quillon in the user's runtime folder
// ($XDG_RUNTIME_DIR when it is an absolute path), else quillon in the
// cache folder ($XDG_CACHE_HOME, else ~/.cache, else /tmp). Not made here.
std::string lock_folder(const UserEnvironment& env);

// The file:// address of a page shipped with the program (README.html,
// faq.html): from share/quillon of the install prefix when it is there,
// else from beside the program.
std::string page_address(const std::string& program_folder, const std::string& name);

// The program that shows the window (and runs the downloads), started by
// the quillon command: beside it in a build folder or a portable copy, in
// <prefix>/libexec/quillon when installed.
inline constexpr const char* kWindowProgramName = "quillon-window";
inline constexpr const char* kWindowProgramFolder = "libexec/quillon";

// The path of the window program for the quillon command in
// `program_folder`: beside it when there, else ../libexec/quillon/; empty
// when neither exists.
std::string window_program_path(const std::string& program_folder, const FileExists& exists);

// The program's folder for the settings and pages, from the folder of the
// running executable: <prefix>/bin for the window program in
// <prefix>/libexec/quillon, else that folder itself.
std::string program_folder_of(const std::string& executable_folder);

// Makes `folder` and its missing parents (mode 0700, less the umask).
// Throws Error naming the folder that cannot be made.
void make_folders(const std::string& folder);

// Makes the missing folders above the file `path`.
void make_parent_folders(const std::string& path);

}  // namespace quillon
