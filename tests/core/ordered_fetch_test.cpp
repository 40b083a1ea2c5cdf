// Parallel downloads handed on in order, paced, backing off when the server
// asks, and stopping after the transfers in flight; on a fake fetcher whose
// clock moves only when it waits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <set>

#include "download/ordered_fetch.h"
#include "fakes.h"
#include "http_server.h"
#include "platform/curl_fetcher.h"

namespace quillon::testing {
namespace {

using Answers = std::map<std::string, std::deque<std::pair<int, long>>>;  // path: status, Retry-After

// Each transfer of item i takes 100 ms when i is odd, else 300 ms, so later
// items often end first. A path answers its scripted statuses, then 200.
class FakeBatchFetcher final : public BatchFetcher {
 public:
  void start(std::size_t tag, const FetchRequest& request) override {
    const std::string& address = request.address;
    const std::string path = address.substr(address.find('/') + 1);  // one host: "h/..."
    starts += " " + path + "@" + std::to_string(std::lround(t * 1000));
    FetchResult r{true, 200, "", 20};
    if (auto& a = answers[path]; !a.empty()) {
      r = {false, a.front().first, "refused", 20, a.front().second};
      a.pop_front();
    }
    flight.push_back({t + (tag % 2 ? 0.1 : 0.3), {tag, r}});
  }
  std::vector<Done> wait(double seconds) override {
    double end = t + seconds;
    for (auto& [at, d] : flight) end = std::min(end, at);
    t = std::max(t, end);
    std::vector<Done> done;
    std::erase_if(flight, [&](const auto& f) { return f.first <= t && (done.push_back(f.second), true); });
    return done;
  }
  double now() override { return t; }

  double t = 0;
  Answers answers;
  std::vector<std::pair<double, Done>> flight;
  std::string starts;
};

// Adds " item:status" to `delivered` for each result handed on; a 404 of one
// of `retry_zip` asks for its ".zip" next.
auto recorder(std::string& delivered, const std::vector<FetchRequest>& retry_zip) {
  return [&delivered, retry_zip](size_t i, const FetchResult& r) -> std::optional<FetchRequest> {
    delivered += " " + std::to_string(i) + ":" + std::to_string(r.http_status);
    if (r.http_status == 404 && i < retry_zip.size()) return FetchRequest{retry_zip[i].address + ".zip", "f"};
    return std::nullopt;
  };
}

TEST(OrderedFetch, InOrderPacedBackingOffAndStoppingAfterTheTransfersInFlight) {
  // stop_after: deliveries before stop says yes (-1 never); starts: address@ms; delivered: item:status.
  struct Row { const char* name; ParallelOptions options; int items; Answers answers; int stop_after;
               const char *starts, *delivered; bool stopped; };
  const Row rows[] = {
      {"in order, three in flight", {.jobs = 3, .rate = 0}, 5, {}, -1,
       " 0@0 1@0 2@0 3@100 4@200", " 0:200 1:200 2:200 3:200 4:200", false},
      {"four a second", {.jobs = 4, .rate = 4}, 4, {}, -1,
       " 0@0 1@250 2@500 3@750", " 0:200 1:200 2:200 3:200", false},
      {"Retry-After holds the whole host", {.jobs = 2, .rate = 0}, 4, {{"0", {{429, 2}}}}, -1,
       " 0@0 1@0 2@100 0@2300 3@2300", " 0:200 1:200 2:200 3:200", false},
      {"back-off doubles, retries run out",
       {.jobs = 1, .rate = 0, .retries = 2, .first_back_off = 1}, 1,
       {{"0", {{503, -1}, {503, -1}, {503, -1}}}}, -1, " 0@0 0@1300 0@3600", " 0:503", false},
      {"403 then a further request", {.jobs = 2, .rate = 0}, 2, {{"0", {{403, 1}, {404, -1}}}}, -1,
       " 0@0 1@0 0@1300 0.zip@1600", " 0:404 0:200 1:200", false},
      {"stop after the transfers in flight", {.jobs = 2, .rate = 0}, 5, {}, 1,
       " 0@0 1@0 2@100", " 0:200 1:200 2:200", true},
      {"stop with a retry in flight", {.jobs = 2, .rate = 0, .retries = 1, .first_back_off = 0.1}, 4,
       {{"1", {{503, -1}}}}, 1, " 0@0 1@0 1@200", " 0:200 1:200", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeBatchFetcher fetcher;
    fetcher.answers = row.answers;
    std::vector<FetchRequest> requests;
    for (int i = 0; i < row.items; ++i) requests.push_back({"h/" + std::to_string(i), "f"});
    std::string delivered;
    const bool stopped = fetch_in_order(
        requests, row.options, fetcher, recorder(delivered, requests),
        [&] { return row.stop_after >= 0 && std::count(delivered.begin(), delivered.end(), ':') >= row.stop_after; });
    EXPECT_EQ(fetcher.starts, row.starts);
    EXPECT_EQ(delivered, row.delivered);
    EXPECT_EQ(stopped, row.stopped);
    EXPECT_TRUE(fetcher.flight.empty());
  }
  FakeBatchFetcher fetcher;  // a delivery that throws: the transfers in flight waited out, and no longer
  const std::vector<FetchRequest> five(5, {"h/x", "f"});
  auto throwing = [](size_t, const FetchResult&) -> std::optional<FetchRequest> { throw std::runtime_error("x"); };
  EXPECT_THROW(fetch_in_order(five, {.jobs = 3, .rate = 0}, fetcher, throwing, [] { return false; }), std::runtime_error);
  EXPECT_TRUE(fetcher.flight.empty() && fetcher.t < 1) << fetcher.t;
}

// The real fetcher: every answer in order, the files whole, and no more
// connections than transfers in flight, each kept for the transfers after;
// an endless answer is cut off at the longest answer taken.
TEST(OrderedFetch, RealTransfersKeepTheirConnections) {
  TestServer server;
  TempDir dir;
  std::vector<FetchRequest> requests;
  for (int i = 0; i < 8; ++i) {
    if (i < 6) server.serve("/d" + std::to_string(i), std::string(1000 + i, 'x'));
    requests.push_back({server.base() + "/d" + std::to_string(i), dir.path() + "/" + std::to_string(i)});
  }
  server.set("/d7", {200, "x", TestServer::Kind::Endless});
  requests[0].headers = {"Referer: https://www.bseindia.com/"};  // its own: not sent again on its handle
  CurlBatchFetcher fetcher({.max_body_bytes = 1005});
  std::string delivered;
  EXPECT_FALSE(fetch_in_order(requests, {.jobs = 2, .rate = 0}, fetcher, recorder(delivered, {}), [] { return false; }));
  EXPECT_EQ(delivered, " 0:200 1:200 2:200 3:200 4:200 5:200 6:404 7:200");
  EXPECT_EQ(folder_names(dir.path()), (std::vector<std::string>{"0", "1", "2", "3", "4", "5"}));
  EXPECT_EQ(read_text(dir.path() + "/5"), std::string(1005, 'x'));
  std::set<int> connections;
  for (auto request : server.requests()) {
    connections.insert(request.remote_port);
    EXPECT_EQ(request.headers["Referer"], request.target == "/d0" ? "https://www.bseindia.com/" : "") << request.target;
  }
  EXPECT_LE(connections.size(), 2u);
}

}  // namespace
}  // namespace quillon::testing
