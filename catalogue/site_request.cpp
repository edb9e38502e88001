#include "catalogue/site_request.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "web/web_request.h"

namespace nc {
namespace {

constexpr char kSuccessClass = '2';
constexpr std::size_t kStatusDigits = 3;
constexpr std::chrono::milliseconds kPauseSlice{20};

bool cancelled(const std::atomic<bool>* cancel) {
  return cancel != nullptr && cancel->load();
}

// Sleeps for `pause`, waking early when the cancel token is set.
void pauseUnlessCancelled(std::chrono::milliseconds pause, const std::atomic<bool>* cancel) {
  const auto deadline = std::chrono::steady_clock::now() + pause;
  while (!cancelled(cancel) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::min(kPauseSlice, pause));
  }
}

}  // namespace

SiteReply requestSitePage(const SiteRequest& request) {
  SiteReply reply;
  if (cancelled(request.cancel)) return reply;
  WebRequestCall call;
  call.url = request.url;
  call.method = kMethodGet;
  call.extraHeaders = request.extraHeaders;
  call.disableRedirects = true;
  call.timeoutSeconds = request.timeoutSeconds;
  call.cancel = request.cancel;
  call.bodyLimit = request.bodyLimit;
  WebRequest(call);
  if (!call.bodyComplete) return reply;  // no response, or a body cut short: nothing usable
  reply.status = std::atoi(call.status.c_str());
  reply.ok = call.status.size() >= kStatusDigits && call.status[0] == kSuccessClass;
  reply.body = std::move(call.responseBody);
  return reply;
}

SiteReply requestSitePageWithRetries(const SiteRequest& request, const RetryPolicy& policy) {
  SiteReply reply;
  for (int attempt = 1; attempt <= std::max(1, policy.maxAttempts); ++attempt) {
    if (attempt > 1) pauseUnlessCancelled(policy.pause, request.cancel);
    if (cancelled(request.cancel)) break;
    reply = requestSitePage(request);
    if (reply.ok) break;
  }
  return reply;
}

}  // namespace nc
