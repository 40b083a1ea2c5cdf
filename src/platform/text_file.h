// Whole-file reads and all-or-nothing writes. A written file never appears
// half-written under its final name: the data goes to a temporary file in the
// same folder, which is renamed over the final name once complete.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

// Reads the whole file into `out` (replacing its content). Throws Error
// naming the file when it cannot be opened or read.
void read_file(const std::string& path, std::string& out);
std::string read_file(const std::string& path);

// Writes `data` to `path` atomically. With durable set the data and the
// rename are flushed to disk before returning. Throws Error naming the file
// on any failure, leaving an earlier file of that name untouched and no
// temporary file behind.
void write_file_atomically(const std::string& path, std::string_view data,
                           bool durable = false);

// Temporary files made by write_file_atomically and other writers are named
// "." + final name + ".quillon-tmp" + a unique suffix, in the final folder.
// Such a name never ends in ".csv", so no input pattern picks one up.
inline constexpr std::string_view kTempMarker = ".quillon-tmp";
std::string temp_name_for(const std::string& final_path);

// Removes from `folder` the temporary files that a writer killed before it
// could finish left behind: names beginning with "." and holding kTempMarker
// right after the final name, whose writing process (the number after the
// marker) no longer runs. Files of running writers and every other name are
// kept; failures are ignored.
void remove_leftover_temps(const std::string& folder);

// Joins a folder text and a file name with "/" as the program does
// everywhere: the folder is used as typed.
inline std::string join_path(std::string_view folder, std::string_view name) {
  std::string p;
  p.reserve(folder.size() + 1 + name.size());
  p.append(folder).push_back('/');
  p.append(name);
  return p;
}

// Describes errno as text ("No such file or directory").
std::string errno_text(int err);

}  // namespace quillon
