#include "platform/curl_fetcher.h"

#include <curl/curl.h>

#include <optional>

#include "base/url_text.h"
#include "platform/atomic_file.h"

namespace quillon {

namespace {

// The exchange's servers refuse requests that do not look like a browser's.
constexpr const char* kUserAgent =
    "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/124.0.0.0 Safari/537.36";
constexpr long kMaxRedirects = 10;
constexpr long kBufferSize = 256 * 1024;

bool is_success(long status) { return status >= 200 && status <= 299; }

int http_version_number(long curl_version) {
  switch (curl_version) {
    case CURL_HTTP_VERSION_1_0: return 10;
    case CURL_HTTP_VERSION_1_1: return 11;
    case CURL_HTTP_VERSION_2_0: return 20;
    case CURL_HTTP_VERSION_3: return 30;
    default: return 0;
  }
}

}  // namespace

struct CurlFetcher::Handle {
  CURL* curl = nullptr;
  curl_slist* headers = nullptr;
  char errbuf[CURL_ERROR_SIZE] = {};

  Handle() { curl_global_init(CURL_GLOBAL_DEFAULT); }
  ~Handle() {
    if (curl) curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    curl_global_cleanup();
  }
};

// One request: where its body goes and what went wrong while storing it.
struct CurlFetcher::Transfer {
  CURL* curl = nullptr;
  const std::string* local_path = nullptr;  // none: the body is dropped
  std::optional<AtomicFile> file;           // opened by the first byte of a 2xx body
  std::string store_error;

  // Opens the file when need be and adds `data`; false (with store_error)
  // when that fails.
  bool store(std::string_view data) {
    try {
      if (!file) file.emplace(*local_path);
      file->append(data);
      return true;
    } catch (const std::exception& e) {
      store_error = e.what();
      return false;
    }
  }

  // The body of a 2xx answer goes to the file; anything else (an error
  // page) is read to its end, so the connection stays usable, and dropped.
  static size_t on_body(char* data, size_t, size_t n, void* user) {
    Transfer& t = *static_cast<Transfer*>(user);
    if (!t.local_path) return n;
    long status = 0;
    curl_easy_getinfo(t.curl, CURLINFO_RESPONSE_CODE, &status);
    if (!is_success(status)) return n;
    return t.store({data, n}) ? n : CURL_WRITEFUNC_ERROR;
  }
};

CurlFetcher::CurlFetcher(const FetchLimits& limits, const std::string& ca_file)
    : handle_(std::make_unique<Handle>()) {
  handle_->curl = curl_easy_init();
  if (!handle_->curl) return;  // every fetch then reports the missing handle
  CURL* c = handle_->curl;
  handle_->headers = curl_slist_append(handle_->headers, "Cache-Control: no-cache");
  handle_->headers = curl_slist_append(handle_->headers, "Pragma: no-cache");
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(c, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, handle_->headers);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, limits.connect_timeout_ms);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, limits.low_speed_bytes);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, limits.low_speed_seconds);
  curl_easy_setopt(c, CURLOPT_BUFFERSIZE, kBufferSize);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Transfer::on_body);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, handle_->errbuf);
  curl_easy_setopt(c, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_2TLS);
  if (!ca_file.empty()) {
    curl_easy_setopt(c, CURLOPT_CAINFO, ca_file.c_str());  // libcurl copies it
    curl_easy_setopt(c, CURLOPT_CAPATH, nullptr);
  }
}

CurlFetcher::~CurlFetcher() = default;

FetchResult CurlFetcher::run(const std::string& address, Transfer& t) {
  FetchResult r;
  if (!handle_->curl) {
    r.error = "The download library could not be started.";
    return r;
  }
  CURL* c = handle_->curl;
  t.curl = c;
  const std::string url = encode_url_for_request(address);
  curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
  handle_->errbuf[0] = '\0';
  const CURLcode rc = curl_easy_perform(c);
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  r.http_status = static_cast<int>(status);
  long version = 0;
  curl_easy_getinfo(c, CURLINFO_HTTP_VERSION, &version);
  r.http_version = http_version_number(version);
  if (rc != CURLE_OK) {
    if (!t.store_error.empty())
      r.error = t.store_error;
    else
      r.error = std::string(handle_->errbuf[0] ? handle_->errbuf : curl_easy_strerror(rc)) + " (" + url + ")";
    return r;
  }
  if (!is_success(status)) {
    r.error = "The server answered " + url + " with HTTP status " + std::to_string(status) + ".";
    return r;
  }
  if (!t.local_path) return r;
  if (!t.store({})) {  // an empty body still makes a file
    r.error = t.store_error;
    return r;
  }
  try {
    t.file->commit();
  } catch (const std::exception& e) {
    r.error = e.what();
    return r;
  }
  r.stored = true;
  return r;
}

FetchResult CurlFetcher::fetch(const std::string& address, const std::string& local_path) {
  Transfer t;
  t.local_path = &local_path;
  return run(address, t);
}

FetchResult CurlFetcher::discard(const std::string& address) {
  Transfer t;
  return run(address, t);
}

void CurlBrowser::navigate(const std::string& address) {
  if (is_http_address(address)) fetcher_.discard(address);
}

}  // namespace quillon
