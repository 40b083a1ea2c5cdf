// The exchange fetch over libcurl: a blocking GET of one address into one
// file, and the browser pane's navigation as a GET whose answer is dropped.
#pragma once

#include <memory>
#include <string>

#include "platform/interfaces.h"

namespace quillon {

// When a transfer counts as stalled, and the longest answer taken. The
// defaults are the program's; tests lower them.
struct FetchLimits {
  long connect_timeout_ms = 30000;  // no connection within this time
  long low_speed_bytes = 1;         // fewer bytes a second than this ...
  long low_speed_seconds = 60;      // ... for this many seconds
  // A body (error pages and dropped answers too) that grows past this many
  // bytes is cut off: an endless answer of a broken mirror or proxy.
  long long max_body_bytes = 1LL << 30;
};

// One libcurl easy handle for the fetcher's whole life, so consecutive
// requests to the same server reuse its connection.
//
// Every request asks for a fresh copy (Cache-Control and Pragma no-cache),
// carries a browser-like User-Agent and the request's own headers (for that
// request only), follows at most 10 redirects and only speaks http and https
// (HTTP/2 where the server offers it over TLS). https servers must show a
// certificate for their host name from an authority the system trusts, or
// with a ca_file (PEM: a test's own authority) one of those in that file. No
// Accept-Encoding is sent, so bodies come as the server stores them. The
// address is sent as given except that characters which cannot stand in a URL
// are percent-encoded (encode_url_for_request).
//
// The body goes to an AtomicFile for the local path, committed only when the
// transfer completed with an HTTP 2xx status; any other
// outcome (error status, body cut short, refused or stalled connection, too
// many redirects, a body longer than FetchLimits::max_body_bytes) leaves the
// local path as it was and no temporary file.
class CurlFetcher final : public Fetcher {
 public:
  explicit CurlFetcher(const FetchLimits& limits = {}, const std::string& ca_file = {});
  ~CurlFetcher() override;
  CurlFetcher(const CurlFetcher&) = delete;
  CurlFetcher& operator=(const CurlFetcher&) = delete;

  using Fetcher::fetch;
  FetchResult fetch(const FetchRequest& request) override;

  // A GET whose body is read and dropped (stored is always false).
  FetchResult discard(const std::string& address);

 private:
  FetchResult run(const FetchRequest& request, const std::string* local_path);

  struct Handle;
  std::unique_ptr<Handle> handle_;
};

// The same requests, several in flight at once on one libcurl multi handle:
// its connections stay open for the transfers that follow, and over HTTP/2
// the transfers to one server share one connection as streams.
class CurlBatchFetcher final : public BatchFetcher {
 public:
  explicit CurlBatchFetcher(const FetchLimits& limits = {}, const std::string& ca_file = {});
  ~CurlBatchFetcher() override;
  CurlBatchFetcher(const CurlBatchFetcher&) = delete;
  CurlBatchFetcher& operator=(const CurlBatchFetcher&) = delete;

  void start(std::size_t tag, const FetchRequest& request) override;
  std::vector<Done> wait(double seconds) override;
  double now() override;

 private:
  struct Slot;
  struct State;
  std::unique_ptr<State> state_;
};

// The browser pane without a pane: an http or https address is fetched and
// its answer dropped; any other address (the local start page, about:blank)
// goes nowhere. Failures are silent, as a browser shows them only in its
// pane.
class CurlBrowser final : public Browser {
 public:
  explicit CurlBrowser(CurlFetcher& fetcher) : fetcher_(fetcher) {}
  void navigate(const std::string& address) override;

 private:
  CurlFetcher& fetcher_;
};

}  // namespace quillon
