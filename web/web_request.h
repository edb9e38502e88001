// WebRequest: one complete, synchronous HTTP(S) exchange with the response in several forms.
//
// The caller fills a WebRequestCall (the routine's parameters; members left alone keep their
// defaults) and reads the out members afterwards. Out members are written only on the paths
// that write them, so a caller may preset them. Failures are reported as a numbered failure
// text in `status` and an empty result; nothing is thrown. Safe to run on any number of
// threads at once; each thread reuses its own connections between calls.
//
// Failures: 701 a URL that is not an absolute http(s) URL; 711 no connection, a TLS failure, or
// a cancel before any response; 712 no response within the time limit, an empty reply or no
// valid header block; 713 a body cut short, longer than `bodyLimit`, silent for the time limit
// or cancelled while arriving: the part that arrived is kept in `responseBody`, and `status`
// then carries the server's status line (so `bodyComplete` is what tells a whole body); 710 an
// empty header block; 700 no HTTP service at all; 702 no client handle. Redirects are followed
// as HttpClient describes; a loop ends after kMaxRedirectHops hops with its last response.
#pragma once

#include <atomic>
#include <cstddef>

#include "text/text.h"
#include "web/http_client.h"

namespace nc {

enum HttpMethod : int {
  kMethodGet = 0,
  kMethodPost = 1,
  kMethodHead = 2,
  kMethodPut = 3,
  kMethodOptions = 4,
  kMethodDelete = 5,
  kMethodTrace = 6,
  kMethodConnect = 7,
};

inline constexpr int kDefaultTimeoutSeconds = 30;

struct WebRequestCall {
  // In.
  Text url;                 // absolute http:// or https:// URL
  int method = kMethodGet;  // outside 0..7 = GET
  Text bodyText;            // sent when bodyBytes is empty
  Text extraHeaders;        // CRLF-separated request header lines
  bool disableRedirects = false;
  Text userName;  // Basic server credentials, used when password is set too
  Text password;
  Text proxy;          // host:port; empty = direct
  Text proxyUserName;  // Basic proxy credentials, used when proxyPassword is set too
  Text proxyPassword;
  int timeoutSeconds = 0;  // per phase; 0 or less = 30 s
  bool mergeCookies = true;
  bool completeHeaders = true;  // add the default headers the block lacks
  ByteSet bodyBytes;            // wins over bodyText when not empty
  bool normaliseHeaderNames = true;

  // In and out.
  Text cookies;  // "name=value; ..." to send; receives the merged cookies

  // Out.
  Text returnedCookies;
  Text responseHeaders;  // raw block of the final response, status line first
  Text location;
  Text status;  // "200 OK", or a numbered failure text
  ByteSet responseBody;

  // Additions of this program.
  const std::atomic<bool>* cancel = nullptr;       // aborts the exchange in flight when set
  std::size_t bodyLimit = kDefaultBodyLimitBytes;  // a longer body fails as a cut-short read
  bool bodyComplete = false;                       // out: true only when a whole response body arrived
  HttpClient* client = nullptr;                    // null = the calling thread's own client
};

// Runs the exchange; returns the page text (empty after any failure).
Text WebRequest(WebRequestCall& call);

// The numbered failure texts written to `status` (code page 936).
namespace web_failure {
Text noHttpService();         // 700
Text badUrl();                // 701
Text sessionFailed();         // 702
Text connectionFailed();      // 703
Text requestFailed();         // 704
Text timeoutFailed();         // 705
Text credentialsFailed();     // 707
Text certificateFailed();     // unnumbered certificate text
Text cookieOptionFailed();    // 708
Text redirectOptionFailed();  // 709
Text headersFailed();         // 710
Text sendFailed();            // 711
Text noResponse();            // 712
Text readFailed();            // 713
}  // namespace web_failure

}  // namespace nc
