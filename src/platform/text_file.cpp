#include "platform/text_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>

#include "platform/interfaces.h"

namespace quillon {

std::string errno_text(int err) {
  char buf[256];
  // GNU strerror_r returns the message pointer.
  const char* msg = strerror_r(err, buf, sizeof buf);
  return msg;
}

namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  int release() {
    int f = fd_;
    fd_ = -1;
    return f;
  }

 private:
  int fd_;
};

std::string folder_of(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

void read_file(const std::string& path, std::string& out) {
  out.clear();
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0)
    throw Error("Cannot open the file '" + path + "': " + errno_text(errno) + ".");
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0)
    throw Error("Cannot read the file '" + path + "': " + errno_text(errno) + ".");
  if (S_ISDIR(st.st_mode))
    throw Error("Cannot read the file '" + path + "': it is a folder.");
  size_t cap = st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
  out.resize(cap + 1);
  size_t len = 0;
  for (;;) {
    if (len == out.size()) out.resize(out.size() * 2 + 4096);
    ssize_t n = ::read(fd.get(), out.data() + len, out.size() - len);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      out.clear();
      throw Error("Cannot read the file '" + path + "': " + errno_text(err) + ".");
    }
    if (n == 0) break;
    len += static_cast<size_t>(n);
  }
  out.resize(len);
}

std::string read_file(const std::string& path) {
  std::string s;
  read_file(path, s);
  return s;
}

std::string temp_name_for(const std::string& final_path) {
  static std::atomic<unsigned> counter{0};
  auto slash = final_path.rfind('/');
  std::string folder = slash == std::string::npos ? "" : final_path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? final_path : final_path.substr(slash + 1);
  return folder + "." + name + std::string(kTempMarker) + std::to_string(::getpid()) +
         "-" + std::to_string(counter.fetch_add(1));
}

namespace {

// The process id in a temporary file's name, or 0 when the name is not one.
pid_t temp_owner(std::string_view name) {
  if (name.size() < 2 || name[0] != '.') return 0;
  size_t marker = name.rfind(kTempMarker);
  if (marker == std::string_view::npos || marker < 2) return 0;
  std::string_view rest = name.substr(marker + kTempMarker.size());
  // PID "-" N, then at most a suffix of the writer's own (".zip").
  if (size_t suffix = rest.find('.'); suffix != std::string_view::npos) rest = rest.substr(0, suffix);
  size_t dash = rest.find('-');
  if (dash == std::string_view::npos || dash + 1 == rest.size()) return 0;
  for (size_t i = 0; i < rest.size(); ++i)
    if (i != dash && (rest[i] < '0' || rest[i] > '9')) return 0;
  pid_t pid = 0;
  auto [end, ec] = std::from_chars(rest.data(), rest.data() + dash, pid);
  if (ec != std::errc() || end != rest.data() + dash) return 0;
  return pid;
}

}  // namespace

void remove_stale_temporaries(const std::string& folder) {
  if (folder.empty()) return;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return;
  while (dirent* e = ::readdir(dir.get())) {
    const pid_t pid = temp_owner(e->d_name);
    if (pid <= 0 || pid == ::getpid()) continue;
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;  // still running, or not ours to judge
    const std::string path = join_path(folder, e->d_name);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
  }
}

void write_file_atomically(const std::string& path, std::string_view data, bool durable) {
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tmp = temp_name_for(path);
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0)
    throw Error("Cannot create the file '" + path + "': " + errno_text(errno) + ".");
  Fd guard(fd);
  auto fail = [&](const char* what, int err) {
    ::close(guard.release());
    ::unlink(tmp.c_str());
    throw Error(std::string("Cannot ") + what + " the file '" + path + "': " +
                errno_text(err) + ".");
  };
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("write", errno);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (durable && ::fsync(fd) != 0) fail("write", errno);
  if (::close(guard.release()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    throw Error("Cannot write the file '" + path + "': " + errno_text(err) + ".");
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    throw Error("Cannot replace the file '" + path + "': " + errno_text(err) + ".");
  }
  if (durable) {
    Fd dir(::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
  }
}

}  // namespace quillon
