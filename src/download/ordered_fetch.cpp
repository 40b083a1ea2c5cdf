#include "download/ordered_fetch.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <map>
#include <thread>

namespace quillon {

namespace {

constexpr double kPollSeconds = 0.1;  // how often `stop` is asked while waiting

// "https://host:port" of an address: what the pace is kept for.
std::string host_of(const std::string& address) {
  const size_t scheme = address.find("://");
  const size_t begin = scheme == std::string::npos ? 0 : scheme + 3;
  return address.substr(0, address.find_first_of("/?#", begin));
}

// The answers of a server that wants fewer requests (or blocks for a while).
bool asks_to_wait(const FetchResult& r) {
  return !r.stored && (r.http_status == 403 || r.http_status == 429 || r.http_status == 503);
}

struct Item {
  enum State { kNew, kQueued, kInFlight, kReady, kDone } state = kNew;
  FetchRequest request;  // the item's current request: a further one replaces it
  FetchResult result;
  int retries = 0;
  double not_before = 0;  // a retry's back-off
};

}  // namespace

bool fetch_in_order(const std::vector<FetchRequest>& requests, const ParallelOptions& options,
                    BatchFetcher& fetcher, const DeliverResult& deliver,
                    const std::function<bool()>& stop) {
  const size_t n = requests.size();
  std::vector<Item> items(n);
  for (size_t i = 0; i < n; ++i) items[i].request = requests[i];
  std::map<std::string, double> host_free;  // when a host may get its next request
  const double gap = options.rate > 0 ? 1 / options.rate : 0;
  const int jobs = std::max(1, options.jobs);
  size_t next_new = 0, next_out = 0;  // the first item not started, not delivered
  int in_flight = 0;
  bool stopping = false;
  struct WaitOutOnThrow {  // the fetcher is left with nothing in flight
    BatchFetcher& fetcher;
    int& in_flight;
    ~WaitOutOnThrow() {
      if (std::uncaught_exceptions() == 0) return;
      for (int rounds = 0; in_flight > 0 && rounds < 100000; ++rounds)
        in_flight -= static_cast<int>(fetcher.wait(1).size());
    }
  } wait_out{fetcher, in_flight};
  for (;;) {
    while (next_out < n && items[next_out].state == Item::kReady) {
      Item& it = items[next_out];
      if (std::optional<FetchRequest> further = deliver(next_out, it.result)) {
        it.request = std::move(*further);
        it.retries = 0;
        it.not_before = 0;
        it.state = Item::kQueued;
        break;
      }
      it.state = Item::kDone;
      ++next_out;
      if (!stopping && next_out < n && stop()) stopping = true;
    }
    if (next_out == n) return false;
    if (stopping) {
      if (next_out == next_new) return true;
      for (size_t i = next_out; i < next_new; ++i)  // a retry waits no longer: its last answer stands
        if (items[i].state == Item::kQueued && items[i].retries > 0) items[i].state = Item::kReady;
      if (items[next_out].state == Item::kReady) continue;
    }

    // Start what may start: earlier items (retries, further requests) first.
    const double now = fetcher.now();
    double wake = now + kPollSeconds;
    while (in_flight < jobs) {
      size_t pick = next_out;
      while (pick < next_new && items[pick].state != Item::kQueued) ++pick;
      if (pick == next_new && (stopping || next_new == n)) break;
      Item& it = items[pick];
      if (it.request.address.empty()) {  // nothing to fetch: delivered in its turn
        it.state = Item::kReady;
        if (pick == next_new) ++next_new;
        continue;
      }
      double& host_next = host_free[host_of(it.request.address)];
      const double at = std::max(it.not_before, host_next);
      if (at > now) {
        wake = std::min(wake, at);
        break;
      }
      fetcher.start(pick, it.request);
      it.state = Item::kInFlight;
      ++in_flight;
      if (pick == next_new) ++next_new;
      host_next = now + gap;
    }

    if (items[next_out].state == Item::kReady) wake = 0;  // nothing to wait for first
    for (BatchFetcher::Done& d : fetcher.wait(std::max(0.0, wake - fetcher.now()))) {
      Item& it = items[d.tag];
      --in_flight;
      it.result = std::move(d.result);
      it.state = Item::kReady;
      if (stopping || !asks_to_wait(it.result) || it.retries >= options.retries) continue;
      const double back_off = it.result.retry_after_seconds >= 0
                                  ? static_cast<double>(it.result.retry_after_seconds)
                                  : options.first_back_off * std::pow(2.0, it.retries);
      ++it.retries;
      it.not_before = fetcher.now() + std::min(back_off, options.max_back_off);
      double& host_next = host_free[host_of(it.request.address)];
      host_next = std::max(host_next, it.not_before);  // the whole host waits
      it.state = Item::kQueued;
    }
    if (!stopping && stop()) stopping = true;
  }
}

void SerialBatchFetcher::start(std::size_t tag, const FetchRequest& request) {
  queued_.push_back({tag, request});
}

std::vector<BatchFetcher::Done> SerialBatchFetcher::wait(double seconds) {
  if (queued_.empty()) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return {};
  }
  const auto [tag, request] = queued_.front();
  queued_.erase(queued_.begin());
  return {{tag, fetcher_.fetch(request)}};
}

double SerialBatchFetcher::now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace quillon
