// A Fetcher that serves from a table instead of a network: a status, a body
// or a transfer error per address, unknown addresses 404, every request
// logged with the headers of its own it sent. 2xx bodies are stored through Disk::write as the real fetcher
// stores them (RealDisk: the real atomic writer); nothing else is stored.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/url_text.h"
#include "fake_exchange.h"
#include "platform/interfaces.h"

namespace quillon::testing {

struct Route {
  int status = 200;
  std::string body;
  std::string error;  // a transfer that failed ("Connection refused"): no status, no body
};

class ServingFetcher final : public Fetcher {
 public:
  explicit ServingFetcher(Disk& disk) : disk_(disk) {}

  using Fetcher::fetch;
  FetchResult fetch(const FetchRequest& request) override {
    const std::string& address = request.address;
    log.push_back(address);
    headers[address] = request.headers;
    auto it = routes.find(address);
    const Route route = it == routes.end() ? Route{404, kNotFoundPage, {}} : it->second;
    const std::string url = encode_url_for_request(address);
    FetchResult r;
    if (!route.error.empty()) {
      r.error = route.error + " (" + url + ")";
      return r;
    }
    r.http_status = route.status;
    if (route.status < 200 || route.status > 299) {
      r.error = "The server answered " + url + " with HTTP status " + std::to_string(route.status) + ".";
      return r;
    }
    try {
      disk_.write(request.local_path, route.body, false);
      r.stored = true;
    } catch (const std::exception& e) {
      r.error = e.what();
    }
    return r;
  }

  // Serves the fake exchange's paths under `base` ("https://host").
  void serve(const std::string& base, const std::map<std::string, Response>& exchange) {
    for (const auto& [path, answer] : exchange) routes[base + path] = {answer.status, answer.body, {}};
  }

  std::map<std::string, Route> routes;  // address -> answer
  std::vector<std::string> log;         // addresses asked, in order
  std::map<std::string, std::vector<std::string>> headers;  // address -> its last request's own headers

 private:
  Disk& disk_;
};

// Several transfers at once over a Fetcher, on a clock of its own that moves
// only when it waits: a wait ends every transfer started since the last
// one, the newest first, so later days come back before earlier ones.
class ServingBatchFetcher final : public BatchFetcher {
 public:
  explicit ServingBatchFetcher(Fetcher& fetcher) : fetcher_(fetcher) {}
  void start(std::size_t tag, const FetchRequest& request) override {
    started_.push_back({tag, request});
    most_in_flight = std::max(most_in_flight, started_.size());
  }
  std::vector<Done> wait(double seconds) override {
    clock_ += seconds;
    std::vector<Done> done;
    for (auto s = started_.rbegin(); s != started_.rend(); ++s)
      done.push_back({s->first, fetcher_.fetch(s->second)});
    started_.clear();
    return done;
  }
  double now() override { return clock_; }
  std::size_t most_in_flight = 0;

 private:
  Fetcher& fetcher_;
  std::vector<std::pair<std::size_t, FetchRequest>> started_;
  double clock_ = 0;
};

}  // namespace quillon::testing
