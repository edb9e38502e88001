// One HTTP/1.1 exchange on libcurl, the transport under both request routines.
//
// An HttpClient owns a libcurl handle pair and is used by one thread at a time. Successive
// exchanges on the same client reuse its open connections (and TLS sessions); every other
// option is reset before each exchange, so nothing but the connections carries over.
// HttpClient::forThisThread() gives each thread its own client. Certificates are never
// verified: self-signed, expired and mismatched certificates are accepted.
//
// Redirects are followed by the client itself, hop by hop on the same handle: 301, 302 and 303
// turn a POST into a GET without body (303 every method but HEAD), 307 and 308 repeat the
// request; server credentials go only to the first origin; a Location that is missing or not
// http(s) ends the chain, and so does the hop limit, each with the last response as the result.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace nc {

inline constexpr std::size_t kDefaultBodyLimitBytes = 64u * 1024u * 1024u;
// A response header block longer than this is no answer at all (the exchange fails).
inline constexpr std::size_t kHeaderBlockLimitBytes = 1024u * 1024u;
inline constexpr int kMaxRedirectHops = 10;
// The phase time limit of a client whose caller gives none.
inline constexpr long kClientDefaultTimeoutMs = 30000;

struct HttpExchangeRequest {
  std::string url;                       // absolute http:// or https:// URL, bytes as they go on the wire
  std::string verb;                      // "GET", "POST", ...
  std::vector<std::string> headerLines;  // "Name: value" lines, sent as they are (a line holding
                                         // a CR or LF byte is left out)
  // Lines for the proxy only (a plain request through the proxy and the CONNECT of a tunnel);
  // never sent to the server through a tunnel.
  std::vector<std::string> proxyHeaderLines;
  std::string body;  // sent when not empty, whatever the verb
  bool followRedirects = true;
  std::string proxy;  // host:port; empty = direct connection (environment proxies ignored)
  std::string proxyUserName;
  std::string proxyPassword;  // Basic proxy credentials when both are non-empty
  std::string userName;
  std::string password;                       // Basic server credentials when both are non-empty
  long timeoutMs = 0;                         // connect time and longest silence while waiting or reading;
                                              // 0 or less = the client's own limit
  const std::atomic<bool>* cancel = nullptr;  // set by the caller to abort the exchange
  std::size_t bodyLimit = kDefaultBodyLimitBytes;
};

enum class ExchangeOutcome {
  complete,    // a whole response arrived (or a redirect chain ended on its last response)
  badUrl,      // the URL could not be parsed or is not http(s)
  notSent,     // no connection, TLS failure, send failure, or cancelled before any response
  noResponse,  // timed out, the peer closed, or no valid header block before a response arrived
  readFailed,  // the header block arrived but the body was cut short, too large, or cancelled
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

  // False when the handles of this client could not be made.
  bool valid() const;

  // The phase time limit used when a request gives none (kClientDefaultTimeoutMs at first).
  long ownTimeoutMs() const { return ownTimeoutMs_; }
  void setOwnTimeoutMs(long timeoutMs) {
    ownTimeoutMs_ = timeoutMs > 0 ? timeoutMs : kClientDefaultTimeoutMs;
  }

  HttpExchangeResult perform(const HttpExchangeRequest& request);

 private:
  struct Handles;
  HttpExchangeResult performHop(const HttpExchangeRequest& request, const std::string& url,
                                const std::string& verb, const std::string& body, bool withCredentials);

  std::unique_ptr<Handles> handles_;
  long ownTimeoutMs_ = kClientDefaultTimeoutMs;
};

// True when libcurl is present and set up; false means no HTTP service exists at all.
bool httpServiceAvailable();

// True when `url` parses as an absolute http:// or https:// URL with a host.
bool isHttpUrl(const std::string& url);

}  // namespace nc
