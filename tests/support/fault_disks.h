// Real file-system faults for tests: a destination that fills up and a
// folder that cannot be written.
//
// As root (CI), a small tmpfs is mounted over a test folder, in a mount
// namespace of the test process's own where the kernel allows it, so no
// mount outlives the process; every mount is also undone by the destructor.
// Elsewhere a full disk is stood in for by RLIMIT_FSIZE with SIGXFSZ ignored
// (writes past the limit fail with EFBIG), and a read-only folder by its
// permissions. Where neither works the test skips and says why.
#pragma once

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace quillon::testing {

class FaultDisks {
 public:
  FaultDisks() = default;
  FaultDisks(const FaultDisks&) = delete;
  FaultDisks& operator=(const FaultDisks&) = delete;
  ~FaultDisks() {
    release_limit();
    for (auto it = mounts_.rbegin(); it != mounts_.rend(); ++it) ::umount2(it->c_str(), MNT_DETACH);
    for (const std::string& dir : locked_) ::chmod(dir.c_str(), 0755);
  }

  // Makes `dir` (an empty folder) a file system of `bytes` bytes. Returns
  // false when only the file size limit can stand in (see limit_file_size).
  bool small_disk(const std::string& dir, size_t bytes) {
    if (!can_mount()) return false;
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("quillon-test", dir.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0)
      return false;
    mounts_.push_back(dir);
    return true;
  }

  // From now until release_limit(), no file of this process grows past
  // `bytes`; SIGXFSZ is ignored so the write fails with EFBIG instead.
  void limit_file_size(size_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_limit_);
    saved_handler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit l = saved_limit_;
    l.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &l);
    limited_ = true;
  }
  void release_limit() {
    if (!limited_) return;
    ::setrlimit(RLIMIT_FSIZE, &saved_limit_);
    ::signal(SIGXFSZ, saved_handler_);
    limited_ = false;
  }

  // Two steps to a read-only folder holding files: prepare() before the
  // files are written, lock() after. lock() returns false (with `why`) when
  // the folder cannot be made read-only for this process.
  void prepare_read_only(const std::string& dir) {
    if (can_mount() && ::mount("quillon-test", dir.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                               "size=1m,mode=0755") == 0)
      mounts_.push_back(dir);
  }
  bool lock(const std::string& dir, std::string& why) {
    if (!mounts_.empty() && mounts_.back() == dir) {
      if (::mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0) return true;
      why = "cannot remount the test folder read-only";
      return false;
    }
    if (::geteuid() == 0) {
      why = "running as root without the right to mount: permissions do not stop root";
      return false;
    }
    ::chmod(dir.c_str(), 0555);
    locked_.push_back(dir);
    return true;
  }

 private:
  // Root with the right to mount; the first call moves the process into a
  // mount namespace of its own when it can.
  static bool can_mount() {
    static const bool ok = [] {
      if (::geteuid() != 0) return false;
      if (::unshare(CLONE_NEWNS) == 0)
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
      return true;
    }();
    return ok;
  }

  std::vector<std::string> mounts_;
  std::vector<std::string> locked_;
  rlimit saved_limit_{};
  sighandler_t saved_handler_ = SIG_DFL;
  bool limited_ = false;
};

}  // namespace quillon::testing
