// The libcurl fetcher against a real HTTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include "base/url_text.h"
#include "fakes.h"
#include "http_server.h"
#include "platform/curl_fetcher.h"

namespace quillon::testing {
namespace {

TEST(Fetch, StoresTheBodyAskedFreshLikeABrowserOverOneConnection) {
  TempDir tmp;
  TestServer server;
  server.serve("/S&P%20CNX.csv", "first\r\n");
  server.serve("/empty.csv", "");
  server.set("/old.csv", {302, "", TestServer::Kind::Redirect, "/S&P%20CNX.csv"});
  const std::string a = tmp.path() + "/a.csv", b = tmp.path() + "/b.csv", c = tmp.path() + "/c.csv";
  write_text(a, "an older copy");
  CurlFetcher fetcher;
  const FetchResult r = fetcher.fetch({server.base() + "/S&P CNX.csv", a, {"Referer: https://b/"}});  // the blank encoded
  EXPECT_TRUE(r.stored && r.http_status == 200) << r.error;
  EXPECT_TRUE(fetcher.fetch(server.base() + "/empty.csv", b).stored);
  EXPECT_TRUE(fetcher.fetch(server.base() + "/old.csv", c).stored);  // redirect followed
  CurlBrowser browser(fetcher);
  browser.navigate(server.base() + "/empty.csv");  // fetched, answer dropped
  browser.navigate("about:blank");                 // goes nowhere
  EXPECT_EQ(read_text(a) + read_text(c), "first\r\nfirst\r\n");
  EXPECT_EQ(folder_names(tmp.path()), (std::vector<std::string>{"a.csv", "b.csv", "c.csv"}));
  auto reqs = server.requests();
  ASSERT_EQ(reqs.size(), 5u);
  for (auto& req : reqs) {
    EXPECT_EQ(req.headers["Cache-Control"] + req.headers["Pragma"], "no-cacheno-cache");
    EXPECT_EQ(req.headers.count("Accept-Encoding"), 0u) << "bodies would come encoded";
    EXPECT_EQ(req.headers["User-Agent"].rfind("Mozilla/5.0 ", 0), 0u);
    EXPECT_EQ(req.remote_port, reqs[0].remote_port) << "the connection was not reused";
    EXPECT_EQ(req.headers["Referer"], &req == &reqs[0] ? "https://b/" : "") << "a request's own header only";
  }
  EXPECT_EQ(encode_url_for_request("http://h/a bc/S&P CNX%26x%zz.csv?k=v+w&j=%41#f\"<>\\^`{|}\x01\xc3\xa9"),
            "http://h/a%20bc/S&P%20CNX%26x%25zz.csv?k=v+w&j=%41#f%22%3C%3E%5C%5E%60%7B%7C%7D%01%C3%A9");
  EXPECT_EQ(encode_query_value("A B+C=D/-._~&"), "A%20B%2BC%3DD%2F-._~%26");
}

// A failed transfer leaves the local file as it was, missing or holding its
// earlier complete copy, and no temporary file beside it; a slow but live
// server's whole file is stored, as long as the longest answer taken.
TEST(Fetch, OnlyWholeTransfersAreStored) {
  using K = TestServer::Kind;
  const std::string body(20000, 'x');
  const std::tuple<const char*, TestServer::Answer, bool> rows[] = {
      {"not found", {404, "<html>no such file</html>"}, false},
      {"server error", {500, "<html>oops</html>"}, false},
      {"cut short", {200, body, K::CutShort}, false},
      {"stalled", {200, body, K::Stall}, false},
      {"redirect loop", {302, "", K::Redirect, "/f.csv"}, false},
      {"redirect to a missing file", {301, "", K::Redirect, "/gone.csv"}, false},
      {"connection refused", {0, ""}, false},
      {"a name that does not resolve", {-1, ""}, false},
      {"endless", {200, body, K::Endless}, false},
      {"endless error page", {503, body, K::Endless}, false},
      {"slow but live", {200, body, K::Slow}, true},
  };
  TestServer server;
  for (const auto& [name, answer, stored] : rows) {
    for (bool earlier : {false, true}) {
      SCOPED_TRACE(std::string(name) + (earlier ? ", earlier copy" : ""));
      TempDir tmp;
      server.set("/f.csv", answer);
      const std::string local = tmp.path() + "/f.csv";
      if (earlier) write_text(local, "good old copy");
      // Stalled after one slow second; the body at most as long as `body`.
      CurlFetcher fetcher({2000, 1, 1, static_cast<long long>(body.size())});
      const std::string base = answer.status == 0    ? "http://127.0.0.1:1"
                               : answer.status == -1 ? "http://quillon-fault-test.invalid"
                                                     : server.base();
      const FetchResult r = fetcher.fetch(base + "/f.csv", local);
      EXPECT_EQ(std::pair(r.stored, r.retry_after_seconds), std::pair(stored, -1L)) << r.error;  // no Retry-After sent
      EXPECT_EQ(r.error.empty(), stored);
      EXPECT_EQ(folder_names(tmp.path()).size(), stored || earlier ? 1u : 0u);
      EXPECT_EQ(read_text(local), stored ? body : earlier ? "good old copy" : "");
      EXPECT_EQ(r.error == "The answer grew past 20000 bytes and was cut off.", answer.kind == K::Endless);
    }
  }
}

}  // namespace
}  // namespace quillon::testing
