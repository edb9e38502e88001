#include "catalogue/site_request.h"

#include <cstdlib>

#include "web/web_request.h"

namespace nc {
namespace {

constexpr char kSuccessClass = '2';
constexpr std::size_t kStatusDigits = 3;

}  // namespace

SiteReply requestSitePage(const SiteRequest& request) {
  SiteReply reply;
  if (request.cancel != nullptr && request.cancel->load()) return reply;
  WebRequestCall call;
  call.url = request.url;
  call.method = kMethodGet;
  call.extraHeaders = request.extraHeaders;
  call.disableRedirects = true;
  call.timeoutSeconds = request.timeoutSeconds;
  call.cancel = request.cancel;
  WebRequest(call);
  if (!call.bodyComplete) return reply;  // no response, or a body cut short: nothing usable
  reply.status = std::atoi(call.status.c_str());
  reply.ok = call.status.size() >= kStatusDigits && call.status[0] == kSuccessClass;
  reply.body = std::move(call.responseBody);
  return reply;
}

}  // namespace nc
