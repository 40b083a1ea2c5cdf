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
  Platform platform{.messages = fakes.messages,
                    .disk = fakes.disk,
                    .date_pattern = fakes.date_pattern,
                    .clock = fakes.clock,
                    .program_folder = fakes.program_folder,
                    .events = fakes.events,
                    .pointer = fakes.pointer,
                    .browser = browser,
                    .web = fakes.web,
                    .folders = fakes.folders,
                    .fetcher = fetcher,
                    .brokers = fakes.brokers,
                    .progress = fakes.progress};
};

}  // namespace quillon::testing
