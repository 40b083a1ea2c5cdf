// Whole-file reads and all-or-nothing writes on the real disk, and the
// pieces of the temporary-file protocol (atomic_file.h) every writer shares.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Reads the whole file into `out` (replacing its content). Throws Error
// naming the file when it cannot be opened or read.
void read_file(const std::string& path, std::string& out);
std::string read_file(const std::string& path);
// The file in pieces of at most `piece` bytes, each passed to `take`.
void read_file_in_pieces(const std::string& path, size_t piece,
                         const std::function<void(std::string_view)>& take);

// True when `path` is a regular file whose bytes are exactly `data`;
// false when it differs or cannot be opened or read.
bool file_holds(const std::string& path, std::string_view data);

// Writes `data` to `path` through an AtomicFile: whole or not at all.
void write_file_atomically(const std::string& path, std::string_view data,
                           bool durable = false);

// The one form of a file error: "Cannot " + verb + " the file '" + path +
// "': " + the errno text + ".".
std::string file_error(std::string_view verb, const std::string& path, int err);

// Temporary files are named "." + final name + ".quillon-tmp" + process id
// + "-" + a number, in the final folder (a writer may add a suffix of its
// own, ".zip"). Such a name never ends in ".csv", so no input pattern picks
// one up.
inline constexpr std::string_view kTempMarker = ".quillon-tmp";
std::string temp_name_for(const std::string& final_path);

// True for the name of a temporary file whose writer is gone: another
// process than this one that no longer exists (killed while writing).
bool is_stale_temporary(std::string_view name);

// Removes from `folder` the regular files whose names are stale
// temporaries; failures are ignored.
void remove_stale_temporaries(const std::string& folder);

// Joins a folder text and a file name with "/" as the program does
// everywhere: the folder is used as typed.
inline std::string join_path(std::string_view folder, std::string_view name) {
  std::string p;
  p.reserve(folder.size() + 1 + name.size());
  p.append(folder).push_back('/');
  p.append(name);
  return p;
}

// The folder part of a path: "." when it has none, "/" for the root.
std::string folder_of(const std::string& path);

// Sorts file names in ascending order, ASCII letter case ignored (ties in
// their byte order), as every folder listing is.
void sort_names(std::vector<std::string>& names);

// Describes errno as text ("No such file or directory").
std::string errno_text(int err);

}  // namespace quillon
