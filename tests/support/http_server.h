// A real HTTP server on 127.0.0.1 in the test's own process, for the libcurl
// fetcher's own tests and the end-to-end runs of the program: answers the
// paths it was given (as they come on the wire, still percent-encoded) and
// records every request. Unknown paths get the answer for "*", else a 404 page.
#pragma once

#include <httplib.h>

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
  // Body: the status and the body; CutShort: announces twice the body's
  // length, sends the body, hangs up; Stall: sends the body's first byte, then
  // nothing for 10 seconds; Slow: the whole body, a slice every 150 ms;
  // Redirect: to `location`; Endless: the body again and again, chunked,
  // until the client hangs up.
  enum class Kind { Body, CutShort, Stall, Slow, Redirect, Endless };
  struct Answer { int status = 200; std::string body; Kind kind = Kind::Body; std::string location = {}; };
  // target: path and query as sent; the same remote port: the same connection.
  struct Request { std::string target; std::map<std::string, std::string> headers; int remote_port = 0; };

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
  void serve(const std::string& path, std::string body, int status = 200) { set(path, {status, std::move(body)}); }
  void set(const std::string& path, Answer a) {
    std::lock_guard lock(mutex_);
    answers_[path] = std::move(a);
  }
  std::vector<Request> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  void answer(const httplib::Request& req, httplib::Response& res) {
    Answer a{404, "<html><body>404 Not Found</body></html>"};
    {
      std::lock_guard lock(mutex_);
      requests_.push_back({req.target, {req.headers.begin(), req.headers.end()}, req.remote_port});
      auto it = answers_.find(req.target.substr(0, req.target.find('?')));
      if (it != answers_.end() || (it = answers_.find("*")) != answers_.end()) a = it->second;
    }
    res.status = a.status;
    if (a.kind == Kind::Body) res.set_content(a.body, "text/csv");
    if (a.kind == Kind::Redirect) res.set_header("Location", a.location);
    if (a.kind == Kind::Endless)
      res.set_chunked_content_provider("text/csv", [this, a](size_t, httplib::DataSink& sink) {
        return !stopping_ && sink.write(a.body.data(), a.body.size());
      });
    if (a.kind == Kind::CutShort || a.kind == Kind::Stall || a.kind == Kind::Slow) {
      const size_t length = a.kind == Kind::CutShort ? a.body.size() * 2 : a.body.size();
      res.set_content_provider(length, "text/csv", [this, a](size_t offset, size_t, httplib::DataSink& sink) {
        if (a.kind == Kind::Slow) {
          std::this_thread::sleep_for(std::chrono::milliseconds(150));
          return sink.write(a.body.data() + offset, std::min<size_t>(2000, a.body.size() - offset));
        }
        sink.write(a.body.data(), a.kind == Kind::Stall ? 1 : a.body.size());
        for (int i = 0; a.kind == Kind::Stall && i < 1000 && !stopping_; ++i)
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

}  // namespace quillon::testing
