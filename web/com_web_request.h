// ComWebRequest: the second request routine, returning the raw response body as bytes.
//
// Used for pictures and other binary downloads. The caller fills a ComWebRequestCall; out
// members are written as the routine's steps say (a connection failure, a time-out, a cancel or
// a body cut short gives an empty body, empty headers and status 0). Its defaults differ from WebRequest's:
// 15-second timeouts, its own default header table, and a client handle that the caller may lend it. Safe on
// any thread; nothing is kept between calls but the thread's open connections.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "text/text.h"
#include "web/http_client.h"

namespace nc {

inline constexpr int kComDefaultTimeoutSeconds = 15;
inline constexpr int kKeepClientTimeouts = -1;
inline constexpr int kCredentialsForProxy = 1;

struct ComWebRequestCall {
  // In.
  Text url;
  int method = 0;  // 0..7 as WebRequest; anything else = GET
  Text bodyText;
  Text extraHeaders;
  bool disableRedirects = false;
  ByteSet bodyBytes;
  Text proxy;
  int timeoutSeconds = 0;  // -1 = the client's own (HttpClient::ownTimeoutMs); 1 or more = seconds;
                           // otherwise 15 s
  Text proxyUserName;
  Text proxyPassword;
  int credentialTarget = kCredentialsForProxy;
  HttpClient* requestObject = nullptr;  // a client handle to use instead of the thread's own
  bool mergeCookies = true;
  bool completeHeaders = true;
  bool normaliseHeaderNames = true;

  // In and out; std::nullopt = not supplied.
  std::optional<Text> cookies;

  // Out.
  Text returnedCookies;
  Text responseHeaders;  // "Name: value" lines of the final response, CRLF-separated
  std::int32_t statusCode = 0;

  // Additions of this program.
  const std::atomic<bool>* cancel = nullptr;
  std::size_t bodyLimit = kDefaultBodyLimitBytes;
};

ByteSet ComWebRequest(ComWebRequestCall& call);

// The trimmed name before the first ":" of a header line; empty without a colon.
Text headerLineName(std::string_view line);
// The trimmed value after the first ":" of a header line; empty without a colon.
Text headerLineValue(std::string_view line);
// Standard padded Base64 without line breaks.
Text base64Encode(std::string_view bytes);

}  // namespace nc
