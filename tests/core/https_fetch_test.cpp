// The exchange fetch over https against nghttpd, an HTTP/2 server, on
// 127.0.0.1, with certificates the openssl command makes for the test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "fakes.h"
#include "platform/curl_fetcher.h"

namespace quillon::testing {
namespace {

// NAME.key and NAME.pem in dir: an authority of its own, or with a signer a
// server certificate for the subjectAltName `alt`.
void make_certificate(const std::string& dir, const std::string& name,
                      const std::string& signer = "", const std::string& alt = "") {
  std::string cmd = "cd '" + dir + "' && openssl req -x509 -newkey ec -pkeyopt " +
                    "ec_paramgen_curve:P-256 -nodes -days 2 -subj /CN=" + name + " -keyout " +
                    name + ".key -out " + name + ".pem";
  if (!signer.empty())
    cmd += " -CA " + signer + ".pem -CAkey " + signer + ".key -addext basicConstraints=CA:FALSE" +
           " -addext subjectAltName=" + alt;
  ASSERT_EQ(std::system((cmd + " 2>/dev/null").c_str()), 0) << cmd;
}

sockaddr_in loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  return a;
}

int free_port() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a = loopback(0);
  socklen_t len = sizeof a;
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), len);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

bool accepts(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in a = loopback(port);
  const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
  ::close(fd);
  return ok;
}

// nghttpd serving `docs` with the key and certificate `name` on a free port,
// its messages in dir/nghttpd.log; stopped at the end.
class Nghttpd {
 public:
  Nghttpd(const std::string& dir, const std::string& docs, const std::string& name) {
    const std::string key = dir + "/" + name + ".key", pem = dir + "/" + name + ".pem";
    const std::string log = dir + "/nghttpd.log";
    for (int attempt = 0; attempt < 5 && port_ == 0; ++attempt) {  // another may take the port
      const int port = free_port();
      const std::string port_text = std::to_string(port);
      const char* argv[] = {"nghttpd",         "-a",        "127.0.0.1", "-d", docs.c_str(),
                            port_text.c_str(), key.c_str(), pem.c_str(), nullptr};
      posix_spawn_file_actions_t io;
      posix_spawn_file_actions_init(&io);
      posix_spawn_file_actions_addopen(&io, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      posix_spawn_file_actions_adddup2(&io, 1, 2);
      const int rc = ::posix_spawnp(&pid_, "nghttpd", &io, nullptr, const_cast<char**>(argv), environ);
      posix_spawn_file_actions_destroy(&io);
      if (rc != 0) {  // not installed
        pid_ = 0;
        return;
      }
      for (int i = 0; i < 500 && port_ == 0; ++i) {  // at most 5 seconds
        if (::waitpid(pid_, nullptr, WNOHANG) != 0) pid_ = 0;  // ended: the port was taken
        if (pid_ == 0) break;
        if (accepts(port)) port_ = port;
        else std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      if (port_ == 0) stop();
    }
  }
  ~Nghttpd() { stop(); }
  std::string base() const { return "https://127.0.0.1:" + std::to_string(port_); }
  bool running() const { return port_ != 0; }

 private:
  void stop() {
    if (pid_ > 0 && ::kill(pid_, SIGTERM) == 0) ::waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }
  pid_t pid_ = 0;
  int port_ = 0;
};

TEST(HttpsFetch, StoresOnlyWhatATrustedServerSentOverHttp2) {
  struct Row {
    const char* name;
    const char* server;  // its certificate
    const char* path;
    int status;  // 200: stored over HTTP/2; 0: no answer
    const char* error_part;
  };
  const Row rows[] = {
      {"trusted", "trusted", "/day.zip", 200, ""},
      {"not found", "trusted", "/gone.zip", 404, "404"},
      {"another authority", "stranger", "/day.zip", 0, "certificate"},
      {"wrong host name", "elsewhere", "/day.zip", 0, "certificate"},
  };
  TempDir keys;
  make_certificate(keys.path(), "ca");
  make_certificate(keys.path(), "other-ca");
  make_certificate(keys.path(), "trusted", "ca", "IP:127.0.0.1,DNS:localhost");
  make_certificate(keys.path(), "stranger", "other-ca", "IP:127.0.0.1,DNS:localhost");
  make_certificate(keys.path(), "elsewhere", "ca", "DNS:elsewhere.test");
  std::string body(200 * 1024, '\0');  // many frames and TLS records, every byte value
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7919 % 251);
  write_text(keys.sub("docs") + "/day.zip", body);

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Nghttpd server(keys.path(), keys.path() + "/docs", row.server);
    ASSERT_TRUE(server.running()) << "nghttpd (nghttp2-server) did not start: "
                                  << read_text(keys.path() + "/nghttpd.log");
    TempDir out;
    FetchLimits limits;
    limits.ca_file = keys.path() + "/ca.pem";
    CurlFetcher fetcher(limits);
    const FetchResult r = fetcher.fetch(server.base() + row.path, out.path() + "/f.zip");
    EXPECT_EQ(r.http_status, row.status) << r.error;
    EXPECT_EQ(r.http_version, row.status ? 20 : 0);
    EXPECT_NE(r.error.find(row.error_part), std::string::npos) << r.error;
    EXPECT_EQ(r.stored, row.status == 200);
    EXPECT_EQ(folder_names(out.path()), r.stored ? std::vector<std::string>{"f.zip"}
                                                 : std::vector<std::string>{});
    if (r.stored) EXPECT_TRUE(read_text(out.path() + "/f.zip") == body);
  }
}

}  // namespace
}  // namespace quillon::testing
