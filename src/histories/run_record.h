// What a scrip-wise run read and wrote, kept in the destination folder as
// .quillon-histories: the next run whose inputs, settings and outputs are
// all as this one left them has nothing new to do, and says so without
// reading the day files again.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/interfaces.h"

namespace quillon {

inline constexpr std::string_view kRunRecordName = ".quillon-histories";

struct RunRecord {
  using Stamps = std::vector<std::pair<std::string, FileStamp>>;  // by path
  std::string settings;  // everything else that decides the outputs
  Stamps inputs;         // the day files and the lists of actions read
  Stamps outputs;        // every file the run made or found as it would have made it
  std::vector<std::string> status;  // the run's status lines before its summary
  size_t symbols = 0, records = 0;

  std::string text() const;
  // Nothing for a text that is not one (another version's, cut short).
  static std::optional<RunRecord> read(std::string_view text);
  friend bool operator==(const RunRecord&, const RunRecord&) = default;
};

// The stamps of `paths` as the disk has them now; nothing when one is missing.
std::optional<RunRecord::Stamps> stamps_of(Disk& disk, const std::vector<std::string>& paths);

}  // namespace quillon
