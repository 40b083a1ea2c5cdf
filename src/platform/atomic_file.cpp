#include "platform/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "base/error.h"
#include "platform/text_file.h"

namespace quillon {

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temp_path_ = temp_name_for(path_);
    fd_ = ::open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    const int err = errno;
    temp_path_.clear();
    throw Error(file_error("create", path_, err));
  }
}

AtomicFile::~AtomicFile() { discard(); }

void AtomicFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
  temp_path_.clear();
}

void AtomicFile::fail(const char* verb, int err) {
  discard();
  throw Error(file_error(verb, path_, err));
}

void AtomicFile::append(std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd_, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("write", errno);
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
}

void AtomicFile::commit(bool durable) {
  if (durable && ::fsync(fd_) != 0) fail("write", errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) fail("write", errno);
  if (::rename(temp_path_.c_str(), path_.c_str()) != 0) fail("replace", errno);
  temp_path_.clear();
  if (durable) {
    const int dir = ::open(folder_of(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
  }
}

}  // namespace quillon
