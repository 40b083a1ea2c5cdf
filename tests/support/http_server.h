// A real HTTP server on 127.0.0.1, in the test's own process: answers the
// paths it was given (as they come on the wire, still percent-encoded) and
// records every request. Unknown paths get a 404 error page.
#pragma once

#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillon::testing {

class TestServer {
 public:
  enum class Kind {
    Body,      // the status and the body
    CutShort,  // announces twice the body's length, sends the body, hangs up
    Stall,     // sends the body's first byte, then nothing for 10 seconds
    Redirect,  // 302 to `location`
  };
  struct Answer {
    int status = 200;
    std::string body;
    Kind kind = Kind::Body;
    std::string location;
  };
  struct Request {
    std::string target;  // path and query as sent
    std::map<std::string, std::string> headers;
    int remote_port = 0;  // the same port: the same connection
  };

  TestServer() {
    server_.set_keep_alive_max_count(100000);
    server_.Get(".*", [this](const httplib::Request& q, httplib::Response& r) { answer(q, r); });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // A stop before the accept loop runs would be lost.
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~TestServer() {
    stopping_ = true;
    server_.stop();
    thread_.join();
  }
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  void serve(const std::string& path, std::string body, int status = 200) {
    set(path, Answer{status, std::move(body), Kind::Body, {}});
  }
  void set(const std::string& path, Answer a) {
    std::lock_guard lock(mutex_);
    answers_[path] = std::move(a);
  }
  std::vector<Request> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  std::vector<std::string> targets() const {
    std::vector<std::string> t;
    for (const Request& r : requests()) t.push_back(r.target);
    return t;
  }

 private:
  void answer(const httplib::Request& req, httplib::Response& res) {
    Answer a{404, "<html><body>404 Not Found</body></html>", Kind::Body, {}};
    const char* type = "text/html";
    {
      std::lock_guard lock(mutex_);
      requests_.push_back({req.target, {req.headers.begin(), req.headers.end()}, req.remote_port});
      auto it = answers_.find(req.target.substr(0, req.target.find('?')));
      if (it != answers_.end()) {
        a = it->second;
        type = "text/csv";
      }
    }
    res.status = a.status;
    if (a.kind == Kind::Body) res.set_content(a.body, type);
    if (a.kind == Kind::Redirect) res.set_header("Location", a.location);
    if (a.kind == Kind::CutShort || a.kind == Kind::Stall) {
      const bool stall = a.kind == Kind::Stall;
      res.set_content_provider(stall ? a.body.size() : a.body.size() * 2, "text/csv",
                               [this, stall, body = a.body](size_t, size_t, httplib::DataSink& sink) {
                                 sink.write(body.data(), stall ? 1 : body.size());
                                 for (int i = 0; stall && i < 1000 && !stopping_; ++i)
                                   std::this_thread::sleep_for(std::chrono::milliseconds(10));
                                 return false;  // hangs up
                               });
    }
  }

  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::map<std::string, Answer> answers_;
  std::vector<Request> requests_;
};

// A local port that is bound but not listening: connections are refused.
class RefusingPort {
 public:
  RefusingPort() : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~RefusingPort() { ::close(fd_); }
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  int fd_;
  int port_ = 0;
};

}  // namespace quillon::testing
