// Polite parallel downloads: several transfers in flight, requests to one
// host paced, a back-off when the server asks for one, and the results
// handed on in the order of the requests.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/interfaces.h"

namespace quillon {

// How a run downloads: the command line's --jobs and --rate.
struct ParallelOptions {
  int jobs = 2;        // transfers in flight at most (1: one after another)
  double rate = 3;     // requests a second to one host at most; 0: no limit
  int retries = 3;     // after an answer 403, 429 or 503, before it counts
  double first_back_off = 2;  // seconds, doubled at each retry, unless the
  double max_back_off = 120;  // answer's Retry-After says how long (capped)
};

// Called with each request's result, in request order. It may return a
// further request for the same item (the zipped copy after a 404), which is
// fetched next and whose result comes back the same way before the next item.
using DeliverResult = std::function<std::optional<FetchRequest>(std::size_t index, const FetchResult&)>;

// Fetches `requests` through `fetcher`: up to options.jobs transfers in
// flight, their starts to one host (scheme, name and port) spaced 1/rate
// seconds apart, and an answer 403, 429 or 503 retried after a back-off
// during which that host gets no request. A request with an empty address is
// not fetched: its item is delivered in its turn with an empty result. `stop` is asked after each item but
// the last and while waiting; once it says yes no further item starts, the
// items in flight end and are delivered, and fetch_in_order returns true.
bool fetch_in_order(const std::vector<FetchRequest>& requests, const ParallelOptions& options,
                    BatchFetcher& fetcher, const DeliverResult& deliver,
                    const std::function<bool()>& stop);

// A BatchFetcher over a blocking Fetcher: each wait runs the oldest started
// transfer to its end (use it with jobs 1); the clock is the steady clock.
class SerialBatchFetcher final : public BatchFetcher {
 public:
  explicit SerialBatchFetcher(Fetcher& fetcher) : fetcher_(fetcher) {}
  void start(std::size_t tag, const FetchRequest& request) override;
  std::vector<Done> wait(double seconds) override;
  double now() override;

 private:
  Fetcher& fetcher_;
  std::vector<std::pair<std::size_t, FetchRequest>> queued_;
};

}  // namespace quillon
