// FolderLocks over flock(2): one empty file per locked folder in a folder of
// the user's own (lock_folder(), install_layout.h), never in the locked
// folder itself.
#pragma once

#include <memory>
#include <string>

#include "platform/interfaces.h"

namespace quillon {

// The lock of a folder is an exclusive flock on "<lock folder>/source-<16 hex
// digits>.lock", the digits a hash of the folder's path with its symbolic
// links and "." and ".." resolved (as given when it does not exist), so
// "csv/" in /home/me/nse and "/home/me/nse/./csv" share one lock. The
// kernel releases it when the lock is destroyed or the process ends, killed
// or not; the file stays for the next run. The descriptor is closed on
// exec. Safe from several threads at once.
class FlockFolderLocks final : public FolderLocks {
 public:
  // lock_folder: where the lock files go, made (mode 0700) when missing.
  explicit FlockFolderLocks(std::string lock_folder) : lock_folder_(std::move(lock_folder)) {}

  std::unique_ptr<FolderLock> try_lock(const std::string& folder) override;

 private:
  std::string lock_file(const std::string& folder) const;

  std::string lock_folder_;
};

}  // namespace quillon
