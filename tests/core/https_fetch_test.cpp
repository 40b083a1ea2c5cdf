// The exchange fetch over https against nghttpd (an HTTP/2 server, Debian's
// nghttp2-server) on 127.0.0.1, with an authority and a certificate the
// openssl command makes for the test; only the fetcher told so trusts them.
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

// A socket's port on 127.0.0.1: `port` 0 binds a free one and says which; any
// other connects and says whether something listens there (0 when not).
int loopback_port(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  socklen_t len = sizeof a;
  auto* sa = reinterpret_cast<sockaddr*>(&a);
  const bool ok = port ? ::connect(fd, sa, len) == 0
                       : ::bind(fd, sa, len) == 0 && ::getsockname(fd, sa, &len) == 0;
  ::close(fd);
  return ok ? ntohs(a.sin_port) : 0;
}

// nghttpd serving the folder `docs` with dir/server.key and dir/server.pem on
// a free port (port 0: it did not start).
struct Nghttpd {
  Nghttpd(const std::string& dir, const std::string& docs) {
    for (int attempt = 0; attempt < 5 && port == 0; ++attempt) {  // another may take the port
      const std::string p = std::to_string(loopback_port(0)), key = dir + "/server.key",
                        pem = dir + "/server.pem";
      const char* argv[] = {"nghttpd", "-a", "127.0.0.1", "-d", docs.c_str(), p.c_str(),
                            key.c_str(), pem.c_str(), nullptr};
      if (::posix_spawnp(&pid, "nghttpd", nullptr, nullptr, const_cast<char**>(argv), environ)) return;
      // At most 5 seconds, while it runs (it ends when the port was taken).
      for (int i = 0; i < 500 && port == 0 && ::waitpid(pid, nullptr, WNOHANG) == 0; ++i) {
        port = loopback_port(std::stoi(p));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      if (port == 0) stop();
    }
  }
  ~Nghttpd() { stop(); }
  void stop() {
    if (pid > 0 && ::kill(pid, SIGTERM) == 0) ::waitpid(pid, nullptr, 0);
    pid = 0;
  }
  pid_t pid = 0;
  int port = 0;
};

void openssl(const std::string& dir, const std::string& args) {
  const std::string cmd = "cd '" + dir + "' && openssl req -x509 -newkey ec -pkeyopt " +
                          "ec_paramgen_curve:P-256 -nodes -days 2 " + args + " 2>/dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

TEST(HttpsFetch, StoresOnlyWhatATrustedServerSentOverHttp2) {
  // host: in the address; ca: the authority the fetcher trusts; status 200: stored over HTTP/2, 0: no answer.
  struct Row { const char *name, *host, *ca, *path; int status; const char* error_part; };
  const Row rows[] = {
      {"trusted", "127.0.0.1", "ca", "/day.zip", 200, ""},
      {"not found", "127.0.0.1", "ca", "/gone.zip", 404, "404"},
      {"another authority", "127.0.0.1", "other-ca", "/day.zip", 0, "certificate"},
      {"wrong host name", "localhost", "ca", "/day.zip", 0, "certificate"},
  };
  TempDir keys;
  openssl(keys.path(), "-subj /CN=ca -keyout ca.key -out ca.pem");
  openssl(keys.path(), "-subj /CN=other-ca -keyout other-ca.key -out other-ca.pem");
  openssl(keys.path(), "-subj /CN=server -keyout server.key -out server.pem -CA ca.pem -CAkey "
                       "ca.key -addext basicConstraints=CA:FALSE -addext subjectAltName=IP:127.0.0.1");
  std::string body(200 * 1024, '\0');  // many frames and TLS records, every byte value
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7919 % 251);
  write_text(keys.sub("docs") + "/day.zip", body);
  Nghttpd server(keys.path(), keys.path() + "/docs");
  ASSERT_NE(server.port, 0) << "nghttpd (package nghttp2-server) did not start";

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir out;
    CurlFetcher fetcher({}, keys.path() + "/" + row.ca + ".pem");
    const std::string address =
        "https://" + std::string(row.host) + ":" + std::to_string(server.port) + row.path;
    const FetchResult r = fetcher.fetch(address, out.path() + "/f.zip");
    EXPECT_EQ(r.http_status, row.status) << r.error;
    EXPECT_EQ(r.http_version, row.status ? 20 : 0);
    EXPECT_NE(r.error.find(row.error_part), std::string::npos) << r.error;
    EXPECT_EQ(r.stored, row.status == 200);
    EXPECT_EQ(folder_names(out.path()).size(), r.stored ? 1u : 0u);
    EXPECT_TRUE(!r.stored || read_text(out.path() + "/f.zip") == body);
  }
}

}  // namespace
}  // namespace quillon::testing
