// Downloads under faults of the disk, the folders and the server: a file that
// did not arrive whole is never stored, never reported as arrived, and leaves
// no temporary file behind.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>

#include "app/operations.h"
#include "bhavcopy/bhavcopy_download.h"
#include "http_server.h"
#include "indices/index_download.h"
#include "live_platform.h"
#include "platform/text_file.h"

namespace quillon::testing {
namespace {

const std::string kDay = "/content/historical/EQUITIES/2008/JAN/cm31JAN2008bhav.csv";

// A small tmpfs over `folder` while the object lives (root only); unmounted
// however the test ends.
class Tmpfs {
 public:
  Tmpfs(const std::string& folder, const char* options, unsigned long flags = 0)
      : folder_(folder) {
    mounted_ = ::geteuid() == 0 &&
               ::mount("tmpfs", folder.c_str(), "tmpfs", flags, options) == 0;
  }
  ~Tmpfs() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
  }
  Tmpfs(const Tmpfs&) = delete;
  Tmpfs& operator=(const Tmpfs&) = delete;
  bool mounted() const { return mounted_; }

 private:
  std::string folder_;
  bool mounted_ = false;
};

// Files of this process may not grow past `bytes` while the object lives;
// writes beyond fail with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    old_handler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit r = old_;
    r.rlim_cur = bytes;
    set_ = ::setrlimit(RLIMIT_FSIZE, &r) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool set() const { return set_; }

 private:
  rlimit old_{};
  sighandler_t old_handler_{};
  bool set_ = false;
};

// A raw HTTP server on 127.0.0.1 for faults cpp-httplib cannot act out: each
// connection's request is read, then `script` writes to the socket as it likes.
class ScriptedServer {
 public:
  explicit ScriptedServer(std::function<void(int fd)> script)
      : script_(std::move(script)), fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd_, 4);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~ScriptedServer() {
    stopping_ = true;
    thread_.join();
    ::close(fd_);
  }
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

  static void send_text(int fd, const std::string& s) { (void)::send(fd, s.data(), s.size(), MSG_NOSIGNAL); }

 private:
  void serve() {
    for (int rounds = 0; rounds < 3000 && !stopping_; ++rounds) {  // at most 30 seconds
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 10) != 1) continue;
      const int c = ::accept(fd_, nullptr, nullptr);
      if (c < 0) continue;
      std::string request;
      char buf[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        pollfd q{c, POLLIN, 0};
        if (::poll(&q, 1, 2000) != 1) break;
        const ssize_t n = ::recv(c, buf, sizeof buf, 0);
        if (n <= 0) break;
        request.append(buf, static_cast<size_t>(n));
      }
      script_(c);
      ::close(c);
    }
  }

  std::function<void(int)> script_;
  int fd_;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

struct IndexRun {
  std::string status;
  std::vector<std::string> messages;
};

// One index download of `url` into `folder` as INDEX_N.csv.
IndexRun download_index(const std::string& url, const std::string& folder) {
  LivePlatform live({2000, 1, 1});  // stalled after one slow second
  WindowModel w;
  w.txtSourceFolder = folder;
  FGetNseIndex(w, live.platform, {url, "N"});
  return {w.Text1.text(), live.fakes.messages.shown};
}

TEST(DownloadFaults, DiskFullStoresNothingAndSaysSo) {
  TestServer server;
  const std::string body(1 << 20, 'x');
  server.serve("/n.csv", body);
  server.serve(kDay, body);
  for (bool earlier : {false, true}) {
    SCOPED_TRACE(earlier ? "earlier copy" : "no earlier copy");
    TempDir tmp;
    const std::string folder = tmp.sub("S");
    Tmpfs disk(folder, "size=128k");
    std::optional<FileSizeLimit> limit;
    if (!disk.mounted()) {
      limit.emplace(128 * 1024);
      if (!limit->set()) GTEST_SKIP() << "neither a tmpfs nor a file size limit can be set";
    }
    const std::string local = folder + "/INDEX_N.csv";
    if (earlier) write_text(local, "Index Name,Date\r\nN,31-01-2008\r\n");
    const IndexRun r = download_index(server.base() + "/n.csv", folder);
    EXPECT_NE(r.status.find("\r\n Index Download failed: Cannot write the file '" + local + "': "),
              std::string::npos)
        << r.status;
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(read_text(local), earlier ? "Index Name,Date\r\nN,31-01-2008\r\n" : "");
    EXPECT_EQ(folder_names(folder), earlier ? std::vector<std::string>{"INDEX_N.csv"}
                                            : std::vector<std::string>{});
    if (!earlier) {  // the Bhavcopy download does not claim a day it could not store
      LivePlatform live({2000, 1, 1});
      WindowModel w;
      w.gstrExchangeUrl = server.base();
      w.txtSourceFolder = folder;
      w.txtDestFolder = tmp.sub("D");
      fGetNseFileAlt(w, live.platform, {2008, 1, 31}, {2008, 1, 31});
      EXPECT_NE(w.Text1.text().find("2008 <- file doesnt exists...."), std::string::npos);
      EXPECT_EQ(w.arrBhavFiles, std::vector<std::string>{""});
      EXPECT_EQ(folder_names(folder), std::vector<std::string>{});
    }
  }
}

TEST(DownloadFaults, ReadOnlyOrMissingSourceFolderStoresNothing) {
  TestServer server;
  server.serve("/n.csv", "Index Name,Date\r\n");
  for (const bool read_only : {false, true}) {
    SCOPED_TRACE(read_only ? "read-only" : "missing");
    TempDir tmp;
    std::string folder = tmp.path() + "/missing";
    std::optional<Tmpfs> ro;
    if (read_only) {
      folder = tmp.sub("ro");
      ro.emplace(folder, "size=64k", MS_RDONLY);
      if (!ro->mounted()) {
        if (::geteuid() == 0) GTEST_SKIP() << "root may write anywhere and cannot mount here";
        ::chmod(folder.c_str(), 0555);
      }
    }
    const int err = !read_only ? ENOENT : ro->mounted() ? EROFS : EACCES;
    const IndexRun r = download_index(server.base() + "/n.csv", folder);
    EXPECT_NE(r.status.find(" Index Download failed: Cannot create the file '" + folder +
                            "/INDEX_N.csv': " + errno_text(err)),
              std::string::npos)
        << r.status;
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(exists(folder) ? folder_names(folder).size() : 0u, 0u);
  }
}

// Server faults beyond those of the fetcher's own tests, through the index
// download's status line.
TEST(DownloadFaults, ServerFaults) {
  const std::string body(20000, 'y');
  ScriptedServer reset([&](int fd) {  // promises more, then resets the connection
    ScriptedServer::send_text(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + body);
    linger l{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
  });
  ScriptedServer slow([&](int fd) {  // the whole body, a slice every 150 ms
    ScriptedServer::send_text(fd, "HTTP/1.1 200 OK\r\nContent-Length: " +
                                      std::to_string(body.size()) + "\r\n\r\n");
    for (size_t i = 0; i < body.size(); i += 2000) {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      ScriptedServer::send_text(fd, body.substr(i, 2000));
    }
  });
  TestServer server;
  server.set("/a.csv", {302, "", TestServer::Kind::Redirect, "/b.csv"});
  server.set("/b.csv", {302, "", TestServer::Kind::Redirect, "/a.csv"});
  struct Case {
    const char* name;
    std::string url;
    bool stored;
  } cases[] = {
      {"connection reset in the body", reset.base() + "/n.csv", false},
      {"redirect loop", server.base() + "/a.csv", false},
      {"name that does not resolve", "http://quillon-fault-test.invalid/n.csv", false},
      {"slow but live server", slow.base() + "/n.csv", true},
  };
  for (const Case& c : cases) {
    for (bool earlier : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (earlier ? ", earlier copy" : ""));
      TempDir tmp;
      const std::string local = tmp.path() + "/INDEX_N.csv";
      if (earlier) write_text(local, "old");
      const IndexRun r = download_index(c.url, tmp.path());
      EXPECT_NE(r.status.find(c.stored ? "\r\n Index Download is complete."
                                       : "\r\n Index Download failed: "),
                std::string::npos)
          << r.status;
      EXPECT_EQ(read_text(local), c.stored ? body : earlier ? "old" : "");
      EXPECT_EQ(folder_names(tmp.path()).size(), c.stored || earlier ? 1u : 0u);
    }
  }
}

// Temporary files of a download killed before it ended are removed by the
// next download into that folder; nothing else is.
TEST(DownloadFaults, NextRunRemovesLeftoverTemporaries) {
  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ASSERT_GT(dead, 0);
  ::waitpid(dead, nullptr, 0);
  const std::string d = std::to_string(dead), self = std::to_string(::getpid());
  TempDir tmp;
  const std::string folder = tmp.sub("S");
  const std::vector<std::string> kept = {
      ".2008_01_30.csv.quillon-tmp" + self + "-7",  // a live writer's
      ".notes.txt",
      "2008_01_29.csv",
      "x.quillon-tmp" + d + "-1",  // not hidden: not ours
      ".x.quillon-tmp" + d,        // no counter
  };
  const std::vector<std::string> leftovers = {".2008_01_31.csv.quillon-tmp" + d + "-0",
                                              ".2008_01_31.csv.quillon-tmp" + d + "-1.zip",
                                              ".INDEX_N.csv.quillon-tmp" + d + "-12"};
  for (const auto& n : kept) write_text(folder + "/" + n, "k");
  for (const auto& n : leftovers) write_text(folder + "/" + n, "part");
  TestServer server;
  LivePlatform live({2000, 1, 1});
  WindowModel w;
  w.gstrExchangeUrl = server.base();
  w.txtSourceFolder = folder;
  w.txtDestFolder = tmp.sub("D");
  fGetNseFileAlt(w, live.platform, {2008, 1, 31}, {2008, 1, 31});
  std::vector<std::string> expected = kept;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(folder_names(folder), expected);
}

}  // namespace
}  // namespace quillon::testing
