#include "platform/curl_fetcher.h"

#include <curl/curl.h>

#include <chrono>
#include <map>
#include <memory>
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

struct FreeHeaders {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, FreeHeaders>;

// One request: where its body goes and what went wrong while storing it.
struct Transfer {
  CURL* curl = nullptr;
  HeaderList headers;  // the usual ones and the request's own, when it has some
  const std::string* local_path = nullptr;  // none: the body is dropped
  std::optional<AtomicFile> file;           // opened by the first byte of a 2xx body
  std::string store_error;
  long long max_body_bytes = 0;
  long long body_bytes = 0;  // of this answer so far

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
    t.body_bytes += static_cast<long long>(n);
    if (t.body_bytes > t.max_body_bytes) {
      t.store_error = "The answer grew past " + std::to_string(t.max_body_bytes) +
                      " bytes and was cut off.";
      return CURL_WRITEFUNC_ERROR;
    }
    if (!t.local_path) return n;
    long status = 0;
    curl_easy_getinfo(t.curl, CURLINFO_RESPONSE_CODE, &status);
    if (!is_success(status)) return n;
    return t.store({data, n}) ? n : CURL_WRITEFUNC_ERROR;
  }
};


// What every request carries and how it may end; see curl_fetcher.h.
void configure(CURL* c, const FetchLimits& limits, const std::string& ca_file,
               curl_slist* headers, char* errbuf) {
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(c, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, limits.connect_timeout_ms);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, limits.low_speed_bytes);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, limits.low_speed_seconds);
  curl_easy_setopt(c, CURLOPT_BUFFERSIZE, kBufferSize);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Transfer::on_body);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errbuf);
  curl_easy_setopt(c, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_2TLS);
  if (!ca_file.empty()) {
    curl_easy_setopt(c, CURLOPT_CAINFO, ca_file.c_str());  // libcurl copies it
    curl_easy_setopt(c, CURLOPT_CAPATH, nullptr);
  }
}

curl_slist* request_headers() {
  curl_slist* h = curl_slist_append(nullptr, "Cache-Control: no-cache");
  return curl_slist_append(h, "Pragma: no-cache");
}

// Points `c` at the request and the transfer, with the usual headers
// (`usual`) and the request's own; returns the address as sent.
std::string prepare(CURL* c, const FetchRequest& request, Transfer& t, curl_slist* usual,
                    const FetchLimits& limits, char* errbuf) {
  t.curl = c;
  t.max_body_bytes = limits.max_body_bytes;
  t.body_bytes = 0;
  t.headers.reset();
  if (!request.headers.empty()) {
    t.headers.reset(request_headers());
    for (const std::string& h : request.headers)  // appended after the head, which stays
      if (t.headers) curl_slist_append(t.headers.get(), h.c_str());
  }
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, t.headers ? t.headers.get() : usual);
  std::string url = encode_url_for_request(request.address);
  curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
  errbuf[0] = '\0';
  return url;
}

// The outcome of the ended transfer `t` of `url`: the file committed when
// the answer was a whole 2xx one.
FetchResult finish(CURL* c, CURLcode rc, Transfer& t, const std::string& url,
                   const char* errbuf) {
  FetchResult r;
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  r.http_status = static_cast<int>(status);
  long version = 0;
  curl_easy_getinfo(c, CURLINFO_HTTP_VERSION, &version);
  r.http_version = http_version_number(version);
  curl_off_t retry_after = 0;  // libcurl reads seconds and HTTP dates alike
  curl_easy_getinfo(c, CURLINFO_RETRY_AFTER, &retry_after);
  if (retry_after > 0) r.retry_after_seconds = static_cast<long>(retry_after);
  if (rc != CURLE_OK) {
    if (!t.store_error.empty())
      r.error = t.store_error;
    else
      r.error = std::string(errbuf[0] ? errbuf : curl_easy_strerror(rc)) + " (" + url + ")";
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

}  // namespace

struct CurlFetcher::Handle {
  CURL* curl = nullptr;
  curl_slist* headers = nullptr;
  FetchLimits limits;
  char errbuf[CURL_ERROR_SIZE] = {};

  Handle() { curl_global_init(CURL_GLOBAL_DEFAULT); }
  ~Handle() {
    if (curl) curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    curl_global_cleanup();
  }
};

CurlFetcher::CurlFetcher(const FetchLimits& limits, const std::string& ca_file)
    : handle_(std::make_unique<Handle>()) {
  handle_->curl = curl_easy_init();
  if (!handle_->curl) return;  // every fetch then reports the missing handle
  CURL* c = handle_->curl;
  handle_->headers = request_headers();
  handle_->limits = limits;
  configure(c, limits, ca_file, handle_->headers, handle_->errbuf);
}

CurlFetcher::~CurlFetcher() = default;

FetchResult CurlFetcher::run(const FetchRequest& request, const std::string* local_path) {
  if (!handle_->curl) {
    FetchResult r;
    r.error = "The download library could not be started.";
    return r;
  }
  CURL* c = handle_->curl;
  Transfer t;
  t.local_path = local_path;
  const std::string url = prepare(c, request, t, handle_->headers, handle_->limits, handle_->errbuf);
  return finish(c, curl_easy_perform(c), t, url, handle_->errbuf);
}

FetchResult CurlFetcher::fetch(const FetchRequest& request) { return run(request, &request.local_path); }

FetchResult CurlFetcher::discard(const std::string& address) { return run({address, {}}, nullptr); }

// One transfer of the batch: its easy handle (kept for the next transfer, so
// its settings stay) and where its answer goes.
struct CurlBatchFetcher::Slot {
  CURL* curl = nullptr;
  std::size_t tag = 0;
  std::string local_path, url;
  Transfer transfer;
  char errbuf[CURL_ERROR_SIZE] = {};
};

struct CurlBatchFetcher::State {
  CURLM* multi = nullptr;
  curl_slist* headers = nullptr;
  FetchLimits limits;
  std::string ca_file;
  std::vector<std::unique_ptr<Slot>> idle;
  std::map<CURL*, std::unique_ptr<Slot>> busy;
  std::vector<Done> ended;  // failed to start: reported by the next wait

  State() { curl_global_init(CURL_GLOBAL_DEFAULT); }
  ~State() {
    for (auto& [curl, slot] : busy) {
      curl_multi_remove_handle(multi, curl);
      curl_easy_cleanup(curl);
    }
    for (auto& slot : idle) curl_easy_cleanup(slot->curl);
    if (multi) curl_multi_cleanup(multi);  // closes the kept connections
    curl_slist_free_all(headers);
    curl_global_cleanup();
  }
};

CurlBatchFetcher::CurlBatchFetcher(const FetchLimits& limits, const std::string& ca_file)
    : state_(std::make_unique<State>()) {
  state_->multi = curl_multi_init();
  state_->headers = request_headers();
  state_->limits = limits;
  state_->ca_file = ca_file;
  if (state_->multi) curl_multi_setopt(state_->multi, CURLMOPT_PIPELINING, CURLPIPE_MULTIPLEX);
}

CurlBatchFetcher::~CurlBatchFetcher() = default;

void CurlBatchFetcher::start(std::size_t tag, const FetchRequest& request) {
  State& st = *state_;
  std::unique_ptr<Slot> slot;
  if (!st.idle.empty()) {
    slot = std::move(st.idle.back());
    st.idle.pop_back();
  } else {
    slot = std::make_unique<Slot>();
    slot->curl = curl_easy_init();
    if (slot->curl) {
      configure(slot->curl, st.limits, st.ca_file, st.headers, slot->errbuf);
      curl_easy_setopt(slot->curl, CURLOPT_PIPEWAIT, 1L);  // rather a stream than a connection
    }
  }
  FetchResult failed;
  failed.error = "The download library could not be started.";
  if (!st.multi || !slot->curl) {
    st.ended.push_back({tag, failed});
    if (slot->curl) st.idle.push_back(std::move(slot));
    return;
  }
  slot->tag = tag;
  slot->local_path = request.local_path;
  slot->transfer.file.reset();
  slot->transfer.store_error.clear();
  slot->transfer.local_path = &slot->local_path;
  slot->url = prepare(slot->curl, request, slot->transfer, st.headers, st.limits, slot->errbuf);
  if (curl_multi_add_handle(st.multi, slot->curl) != CURLM_OK) {
    st.ended.push_back({tag, failed});
    st.idle.push_back(std::move(slot));
    return;
  }
  CURL* curl = slot->curl;
  st.busy.emplace(curl, std::move(slot));
}

std::vector<BatchFetcher::Done> CurlBatchFetcher::wait(double seconds) {
  State& st = *state_;
  std::vector<Done> done = std::move(st.ended);
  st.ended.clear();
  const double end = now() + seconds;
  for (;;) {
    int running = 0;
    if (st.multi) curl_multi_perform(st.multi, &running);
    int left_in_queue = 0;
    while (CURLMsg* m = st.multi ? curl_multi_info_read(st.multi, &left_in_queue) : nullptr) {
      if (m->msg != CURLMSG_DONE) continue;
      auto it = st.busy.find(m->easy_handle);
      if (it == st.busy.end()) continue;
      Slot& slot = *it->second;
      const CURLcode rc = m->data.result;
      curl_multi_remove_handle(st.multi, slot.curl);
      done.push_back({slot.tag, finish(slot.curl, rc, slot.transfer, slot.url, slot.errbuf)});
      slot.transfer.file.reset();  // a file not committed is removed here
      st.idle.push_back(std::move(it->second));
      st.busy.erase(it);
    }
    const double left = end - now();
    if (!done.empty() || left <= 0 || !st.multi) return done;
    curl_multi_poll(st.multi, nullptr, 0, static_cast<int>(left * 1000) + 1, nullptr);
  }
}

double CurlBatchFetcher::now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void CurlBrowser::navigate(const std::string& address) {
  if (is_http_address(address)) fetcher_.discard(address);
}

}  // namespace quillon
