// One GET request to the novel site, as the crawl and the download job make it.
//
// Redirects are not followed; the cancel token aborts a request in flight. Safe from any
// thread; each call is self-contained (connections may be reused underneath).
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>

#include "text/text.h"

namespace nc {

// Listing, index and chapter pages are a few kilobytes to a few megabytes; a page far beyond
// that is an attack or a fault, and reading it whole would cost memory for nothing.
inline constexpr std::size_t kDefaultPageLimitBytes = 16u * 1024u * 1024u;

struct SiteReply {
  bool ok = false;  // a response with a success status (2xx) arrived whole
  int status = 0;   // HTTP status, 0 when no response arrived
  ByteSet body;     // the body as received (empty on failure)
};

struct SiteRequest {
  Text url;
  Text extraHeaders;       // request header lines separated by CRLF, may be empty
  int timeoutSeconds = 0;  // 0 = the request routine's default
  // A longer body is not read on: the reply fails. The pages of the site are far smaller.
  std::size_t bodyLimit = kDefaultPageLimitBytes;
  const std::atomic<bool>* cancel = nullptr;
};

SiteReply requestSitePage(const SiteRequest& request);

// How often a failed page request is tried in all, and the pause between tries.
struct RetryPolicy {
  int maxAttempts = 3;
  std::chrono::milliseconds pause{300};
};

// requestSitePage, tried again after a pause while the reply is not ok, up to the policy's
// number of attempts; the pause ends early and no further try is made once the cancel token is set.
SiteReply requestSitePageWithRetries(const SiteRequest& request, const RetryPolicy& policy);

}  // namespace nc
