// One HTTP/1.1 exchange on libcurl, the transport under both request routines.
//
// An HttpClient owns a libcurl handle pair and is used by one thread at a time. Successive
// exchanges on the same client reuse its open connections (and TLS sessions); every other
// option is reset before each exchange, so nothing but the connections carries over.
// HttpClient::forThisThread() gives each thread its own client. Certificates are never
// verified: self-signed, expired and mismatched certificates are accepted.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace nc {

inline constexpr std::size_t kDefaultBodyLimitBytes = 64u * 1024u * 1024u;

struct HttpExchangeRequest {
  std::string url;   // absolute http:// or https:// URL, bytes as they go on the wire
  std::string verb;  // "GET", "POST", ...
  std::vector<std::string> headerLines;  // "Name: value" lines, sent as they are
  std::string body;                      // sent when not empty, whatever the verb
  bool followRedirects = true;
  std::string proxy;  // host:port; empty = direct connection (environment proxies ignored)
  std::string proxyUserName;
  std::string proxyPassword;  // Basic proxy credentials when both are non-empty
  std::string userName;
  std::string password;  // Basic server credentials when both are non-empty
  long timeoutMs = 0;    // connect time and longest silence while waiting or reading; 0 = none
  const std::atomic<bool>* cancel = nullptr;  // set by the caller to abort the exchange
  std::size_t bodyLimit = kDefaultBodyLimitBytes;
};

enum class ExchangeOutcome {
  complete,      // a whole response arrived (or a redirect loop ended on its last response)
  badUrl,        // the URL could not be parsed or is not http(s)
  notSent,       // no connection, TLS failure, send failure, or cancelled before any response
  noResponse,    // timed out or the peer closed before a response header block arrived
  readFailed,    // the header block arrived but the body was cut short, too large, or cancelled
};

struct HttpExchangeResult {
  ExchangeOutcome outcome = ExchangeOutcome::notSent;
  std::string headerBlock;  // the final response's raw header block, status line first, CRLF lines
  std::string body;         // the final response's body bytes, as far as they arrived
  long statusCode = 0;      // 0 when no response arrived
};

class HttpClient {
 public:
  HttpClient();
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // The calling thread's own client.
  static HttpClient& forThisThread();

  // False when libcurl could not be set up at all.
  bool valid() const;

  HttpExchangeResult perform(const HttpExchangeRequest& request);

 private:
  struct Handles;
  std::unique_ptr<Handles> handles_;
};

// True when `url` parses as an absolute http:// or https:// URL with a host.
bool isHttpUrl(const std::string& url);

}  // namespace nc
