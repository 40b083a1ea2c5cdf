// The test platform with the real fetcher and browser pane in place of the
// recording fakes, for downloads against a TestServer.
#pragma once

#include "fakes.h"
#include "platform/curl_fetcher.h"

namespace quillon::testing {

struct LivePlatform {
  explicit LivePlatform(FetchLimits limits = {}) : fetcher(limits) {}
  TestPlatform fakes;
  CurlFetcher fetcher;
  CurlBrowser browser{fetcher};
  Platform platform{fakes.messages, fakes.files,   fakes.date_pattern, fakes.clock,
                    fakes.program_folder, fakes.events, fakes.pointer, browser,
                    fakes.web,      fakes.folders, fetcher,            fakes.brokers,
                    fakes.progress};
};

}  // namespace quillon::testing
