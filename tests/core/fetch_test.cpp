// The exchange fetch against a real HTTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include "fakes.h"
#include "http_server.h"
#include "platform/curl_fetcher.h"
#include "platform/url_text.h"

namespace quillon::testing {
namespace {

TEST(Fetch, StoresBodyFreshlyAskedLikeABrowserOverOneConnection) {
  TempDir tmp;
  TestServer server;
  server.serve("/a.csv", "first\r\n");
  server.serve("/b.csv", "");
  const std::string a = tmp.path() + "/a.csv", b = tmp.path() + "/b.csv";
  write_text(a, "an older copy");
  CurlFetcher fetcher;
  FetchResult r = fetcher.fetch(server.base() + "/a.csv", a);
  EXPECT_TRUE(r.stored) << r.error;
  EXPECT_EQ(r.http_status, 200);
  EXPECT_TRUE(fetcher.fetch(server.base() + "/b.csv", b).stored);  // an empty body is a file too
  CurlBrowser browser(fetcher);
  browser.navigate(server.base() + "/a.csv");  // fetched, answer dropped
  browser.navigate("about:blank");             // goes nowhere

  EXPECT_EQ(read_text(a), "first\r\n");
  EXPECT_TRUE(exists(b));
  EXPECT_EQ(folder_names(tmp.path()), (std::vector<std::string>{"a.csv", "b.csv"}));
  auto reqs = server.requests();
  ASSERT_EQ(reqs.size(), 3u);
  for (auto& req : reqs) {
    EXPECT_EQ(req.headers["Cache-Control"], "no-cache");
    EXPECT_EQ(req.headers["Pragma"], "no-cache");
    EXPECT_EQ(req.headers["User-Agent"].rfind("Mozilla/5.0 ", 0), 0u);
    EXPECT_EQ(req.remote_port, reqs[0].remote_port) << "the connection was not reused";
  }
}

TEST(Fetch, FollowsRedirects) {
  TempDir tmp;
  TestServer server;
  server.set("/old.csv", {302, "", TestServer::Kind::Redirect, "/new.csv"});
  server.serve("/new.csv", "moved here");
  CurlFetcher fetcher;
  EXPECT_TRUE(fetcher.fetch(server.base() + "/old.csv", tmp.path() + "/x.csv").stored);
  EXPECT_EQ(read_text(tmp.path() + "/x.csv"), "moved here");
  EXPECT_EQ(server.targets(), (std::vector<std::string>{"/old.csv", "/new.csv"}));
}

// Every failed transfer leaves the local file as it was: missing, or holding
// its earlier complete copy, and no temporary file beside it.
TEST(Fetch, FailedTransfersStoreNothing) {
  using K = TestServer::Kind;
  const std::string body(64 * 1024, 'x');
  struct Case {
    const char* name;
    TestServer::Answer answer;
  } cases[] = {
      {"not found", {404, "<html>no such file</html>", K::Body, {}}},
      {"server error", {500, "<html>oops</html>", K::Body, {}}},
      {"cut short", {200, body, K::CutShort, {}}},
      {"stalled", {200, body, K::Stall, {}}},
      {"redirect loop", {302, "", K::Redirect, "/f.csv"}},
      {"redirect to a missing file", {301, "", K::Redirect, "/gone.csv"}},
  };
  FetchLimits short_limits{2000, 1, 1};
  for (const Case& c : cases) {
    for (bool earlier : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (earlier ? ", earlier copy" : ", no earlier copy"));
      TempDir tmp;
      TestServer server;
      server.set("/f.csv", c.answer);
      const std::string local = tmp.path() + "/f.csv";
      if (earlier) write_text(local, "good old copy");
      CurlFetcher fetcher(short_limits);
      FetchResult r = fetcher.fetch(server.base() + "/f.csv", local);
      EXPECT_FALSE(r.stored);
      EXPECT_FALSE(r.error.empty());
      EXPECT_EQ(folder_names(tmp.path()),
                earlier ? std::vector<std::string>{"f.csv"} : std::vector<std::string>{});
      if (earlier) {
        EXPECT_EQ(read_text(local), "good old copy");
      }
    }
  }
  TempDir tmp;
  RefusingPort nobody;
  FetchResult r = CurlFetcher().fetch(nobody.base() + "/f.csv", tmp.path() + "/f.csv");
  EXPECT_FALSE(r.stored);
  EXPECT_EQ(r.http_status, 0);
  EXPECT_TRUE(folder_names(tmp.path()).empty());
}

TEST(Fetch, EncodesOnlyWhatCannotStandInAnAddress) {
  EXPECT_EQ(encode_url_for_request("http://h/a b/S&P CNX%26x%zz.csv?k=v+w&j=%41#f"),
            "http://h/a%20b/S&P%20CNX%26x%25zz.csv?k=v+w&j=%41#f");
  EXPECT_EQ(encode_url_for_request("/x\"<>\\^`{|}\x01\xc3\xa9%"),
            "/x%22%3C%3E%5C%5E%60%7B%7C%7D%01%C3%A9%25");
  EXPECT_EQ(encode_query_value("M&M"), "M%26M");
  EXPECT_EQ(encode_query_value("A B+C=D/-._~"), "A%20B%2BC%3DD%2F-._~");

  TempDir tmp;
  TestServer server;
  server.serve("/histdata/S&P%20CNX%20NIFTY5120083112008.csv", "ok");
  CurlFetcher fetcher;
  EXPECT_TRUE(fetcher.fetch(server.base() + "/histdata/S&P CNX NIFTY5120083112008.csv",
                            tmp.path() + "/i.csv").stored);
}

}  // namespace
}  // namespace quillon::testing
