// The settings file: INI text (sections in brackets, key=value lines).
// Sections and keys match without regard to ASCII letter case; the first
// section and the first key of a name count. Lines may end in CR LF or LF.
// The file is read and written through a Disk, every save whole or not at
// all.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/interfaces.h"

namespace quillon {

// The value of `key` in `section`, trimmed of blanks (and of one pair of
// surrounding double quotes); `def` when the key is absent. Empty text when
// the file does not exist or cannot be read (the default is not used then).
std::string ReadIniString(Disk& disk, const std::string& section, const std::string& key,
                          const std::string& def, const std::string& path);

// The lines of `section` in file order, each followed by a NUL character,
// without blank and comment (";") lines. Empty text when the file or the
// section is missing.
std::string ReadIniSection(Disk& disk, const std::string& section, const std::string& path);

// Sets `key` in `section` to `value`: an existing line is replaced in place
// and every other line and comment is kept; a missing section or key is added;
// a missing file is created, and the missing folders above it. The file is
// replaced atomically, so it is never left half-written. A value with blanks
// at its ends or in double quotes is written in double quotes, so that it
// reads back as set. Line breaks, and names that would read back as other
// names (blanks at their ends, "]" in a section, "=" in a key, a key beginning
// with ";", "#" or "["), are refused. Returns an empty text on success,
// otherwise what went wrong (the file is then unchanged).
std::string WriteIniString(Disk& disk, const std::string& section, const std::string& key,
                           const std::string& value, const std::string& path);

// Sets several keys of `section` as WriteIniString does, in one replacement
// of the file: either all of them are saved or none.
std::string WriteIniStrings(Disk& disk, const std::string& section,
                            const std::vector<std::pair<std::string, std::string>>& settings,
                            const std::string& path);

// Sets keys of several sections as WriteIniString does, in one replacement
// of the file.
struct IniSetting {
  std::string section, key, value;
};
std::string WriteIniSettings(Disk& disk, const std::vector<IniSetting>& settings,
                             const std::string& path);

}  // namespace quillon
