#include "platform/text_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>

#include "base/error.h"
#include "base/text.h"
#include "platform/atomic_file.h"

namespace quillon {

std::string errno_text(int err) {
  char buf[256];
  // GNU strerror_r returns the message pointer.
  const char* msg = strerror_r(err, buf, sizeof buf);
  return msg;
}

std::string file_error(std::string_view verb, const std::string& path, int err) {
  std::string text = "Cannot ";
  text.append(verb).append(" the file '").append(path).append("': ");
  return text.append(errno_text(err)).append(".");
}

std::string folder_of(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

void sort_names(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
      const char x = lower_ascii(a[i]), y = lower_ascii(b[i]);
      if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
  });
}

namespace {

// An open file descriptor, closed when it goes.
struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

void read_file_in_pieces(const std::string& path, size_t piece,
                         const std::function<void(std::string_view)>& take) {
  const Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  struct stat st {};
  if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    const int err = errno;
    if (file.fd < 0) throw Error(file_error("open", path, err));
    if (S_ISDIR(st.st_mode)) throw Error("Cannot read the file '" + path + "': it is a folder.");
    throw Error(file_error("read", path, err));
  }
  std::string buffer(std::max<size_t>(piece, 1), '\0');
  for (;;) {
    const ssize_t n = ::read(file.fd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Error(file_error("read", path, errno));
    }
    if (n == 0) return;
    take(std::string_view(buffer.data(), static_cast<size_t>(n)));
  }
}

void read_file(const std::string& path, std::string& out) {
  const Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  const int fd = file.fd;
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    const int err = errno;
    out.clear();
    if (fd < 0) throw Error(file_error("open", path, err));
    if (S_ISDIR(st.st_mode)) throw Error("Cannot read the file '" + path + "': it is a folder.");
    throw Error(file_error("read", path, err));
  }
  // Grown only when too small: the bytes it already has are read over, not
  // cleared first (a buffer reused for file after file).
  const size_t cap = st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
  if (out.size() < cap + 1) out.resize(cap + 1);
  size_t len = 0;
  for (;;) {
    if (len == out.size()) out.resize(out.size() * 2 + 4096);
    const ssize_t n = ::read(fd, out.data() + len, out.size() - len);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      out.clear();
      throw Error(file_error("read", path, err));
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

bool file_holds(const std::string& path, std::string_view data) {
  // Not blocking: a named pipe under an output's name must not hang the run
  // (it is no regular file, so the output is written over it).
  const Fd file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  struct stat st {};
  if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<unsigned long long>(st.st_size) != data.size())
    return false;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(file.fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return data.empty();  // the file may have shrunk meanwhile
    const auto len = static_cast<size_t>(n);
    if (len > data.size() || std::memcmp(buf, data.data(), len) != 0) return false;
    data.remove_prefix(len);
  }
}

void write_file_atomically(const std::string& path, std::string_view data, bool durable) {
  AtomicFile file(path);
  file.append(data);
  file.commit(durable);
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

bool is_stale_temporary(std::string_view name) {
  const pid_t pid = temp_owner(name);
  // A process that still runs, or one not ours to judge, keeps its file.
  return pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

void remove_stale_temporaries(const std::string& folder) {
  if (folder.empty()) return;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return;
  while (dirent* e = ::readdir(dir.get())) {
    if (!is_stale_temporary(e->d_name)) continue;
    const std::string path = join_path(folder, e->d_name);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
  }
}

}  // namespace quillon
