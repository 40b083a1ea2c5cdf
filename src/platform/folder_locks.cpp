#include "platform/folder_locks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>

#include "platform/install_layout.h"
#include "platform/text_file.h"

namespace quillon {

namespace {

class HeldFlock final : public FolderLock {
 public:
  explicit HeldFlock(int fd) : fd_(fd) {}
  ~HeldFlock() override { ::close(fd_); }  // releases the lock
  HeldFlock(const HeldFlock&) = delete;
  HeldFlock& operator=(const HeldFlock&) = delete;

 private:
  int fd_;
};

// FNV-1a over 64 bits: the same name in every run of both programs.
std::uint64_t fnv1a(std::string_view text) {
  std::uint64_t h = 0xcbf29ce484222325u;
  for (const char c : text) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
  return h;
}

}  // namespace

std::string FlockFolderLocks::lock_file(const std::string& folder) const {
  std::string path = folder;
  if (char* real = ::realpath(folder.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  char hex[16];
  const auto end = std::to_chars(hex, hex + sizeof hex, fnv1a(path), 16).ptr;
  const std::string digits(hex, end);
  return join_path(lock_folder_, "source-" + std::string(16 - digits.size(), '0') + digits + ".lock");
}

std::unique_ptr<FolderLock> FlockFolderLocks::try_lock(const std::string& folder) {
  make_folders(lock_folder_);
  const std::string path = lock_file(folder);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) throw Error("Cannot open the file '" + path + "': " + errno_text(errno) + ".");
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return std::make_unique<HeldFlock>(fd);
  const int err = errno;
  ::close(fd);
  if (err == EWOULDBLOCK) return nullptr;
  throw Error("Cannot lock the file '" + path + "': " + errno_text(err) + ".");
}

}  // namespace quillon
