#include "web/http_client.h"

#include <curl/curl.h>
#include <openssl/crypto.h>

#include <chrono>
#include <mutex>

namespace nc {
namespace {

constexpr int kPollSliceMs = 50;  // how often a running exchange looks at its cancel token

bool globalInitOk() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] {
    // Worker threads of the download pool may still be ending when the process exits; OpenSSL's
    // own exit-time clean-up must not pull its state from under them.
    OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr);
    ok = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
  });
  return ok;
}

struct TransferState {
  const HttpExchangeRequest* request = nullptr;
  HttpExchangeResult* result = nullptr;
  bool headersComplete = false;  // the blank line after the current response's headers arrived
  bool headersTooLarge = false;
  std::size_t bytesReceived = 0;  // header and body bytes of every response so far
};

bool isStatusLine(std::string_view line) {
  return line.substr(0, 5) == "HTTP/";
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<TransferState*>(user);
  std::string_view line(data, size * count);
  state->bytesReceived += line.size();
  std::string& block = state->result->headerBlock;
  if (isStatusLine(line)) {
    // A new status line starts a new response (after a 1xx interim one).
    block.clear();
    state->result->body.clear();
    state->headersComplete = false;
  } else if (state->headersComplete) {
    return line.size();  // trailer lines of a chunked body are no part of the header block
  }
  if (block.size() + line.size() > kHeaderBlockLimitBytes) {
    state->headersTooLarge = true;
    return 0;  // aborts the transfer
  }
  block.append(line);
  if (line == "\r\n" || line == "\n") state->headersComplete = true;
  return line.size();
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<TransferState*>(user);
  std::size_t bytes = size * count;
  state->bytesReceived += bytes;
  std::string& body = state->result->body;
  std::size_t limit = state->request->bodyLimit;
  std::size_t room = limit > body.size() ? limit - body.size() : 0;
  if (bytes > room) {
    body.append(data, room);
    return 0;  // aborts the transfer with CURLE_WRITE_ERROR; what fitted stays
  }
  body.append(data, bytes);
  return bytes;
}

// A header line holding a line break of its own would smuggle extra lines into the request;
// such a line is left out.
curl_slist* makeList(const std::vector<std::string>& lines) {
  curl_slist* list = nullptr;
  for (const std::string& line : lines) {
    if (line.find_first_of("\r\n") != std::string::npos) continue;
    curl_slist* grown = curl_slist_append(list, line.c_str());
    if (grown == nullptr) break;
    list = grown;
  }
  return list;
}

// Parsed URL parts; empty when the URL is not an absolute http(s) URL with a host.
struct UrlParts {
  std::string scheme;
  std::string host;
  std::string port;
  std::string withoutUserInfo;  // the URL with any user name and password taken out
};

UrlParts parseUrl(const std::string& url) {
  UrlParts parts;
  if (!globalInitOk()) return parts;
  CURLU* parsed = curl_url();
  if (parsed == nullptr) return parts;
  if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK) {
    auto take = [parsed](CURLUPart part, unsigned flags) {
      char* value = nullptr;
      std::string text;
      if (curl_url_get(parsed, part, &value, flags) == CURLUE_OK && value != nullptr) text = value;
      curl_free(value);
      return text;
    };
    std::string scheme = take(CURLUPART_SCHEME, 0);
    std::string host = take(CURLUPART_HOST, 0);
    if ((scheme == "http" || scheme == "https") && !host.empty()) {
      // Credentials travel only through the request's own fields, never inside the URL.
      curl_url_set(parsed, CURLUPART_USER, nullptr, 0);
      curl_url_set(parsed, CURLUPART_PASSWORD, nullptr, 0);
      parts.scheme = scheme;
      parts.host = host;
      parts.port = take(CURLUPART_PORT, CURLU_DEFAULT_PORT);
      parts.withoutUserInfo = take(CURLUPART_URL, 0);
    }
  }
  curl_url_cleanup(parsed);
  return parts;
}

bool sameOrigin(const UrlParts& a, const UrlParts& b) {
  return a.scheme == b.scheme && a.host == b.host && a.port == b.port;
}

ExchangeOutcome classifyFailure(CURLcode code, bool headersComplete, bool requestSent, bool cancelled) {
  if (code == CURLE_OK) return headersComplete ? ExchangeOutcome::complete : ExchangeOutcome::noResponse;
  if (code == CURLE_URL_MALFORMAT) return ExchangeOutcome::badUrl;
  if (headersComplete) return ExchangeOutcome::readFailed;
  if (cancelled) return ExchangeOutcome::notSent;
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SEND_ERROR:
    case CURLE_LOGIN_DENIED:
      return ExchangeOutcome::notSent;
    default:
      // A time-out or a closed connection before the request went out is a failed send.
      return requestSent ? ExchangeOutcome::noResponse : ExchangeOutcome::notSent;
  }
}

bool isFollowedRedirect(long statusCode) {
  return statusCode == 301 || statusCode == 302 || statusCode == 303 || statusCode == 307 ||
         statusCode == 308;
}

}  // namespace

struct HttpClient::Handles {
  CURL* easy = nullptr;
  CURLM* multi = nullptr;
};

HttpClient::HttpClient() : handles_(std::make_unique<Handles>()) {
  if (!globalInitOk()) return;
  handles_->easy = curl_easy_init();
  handles_->multi = curl_multi_init();
}

HttpClient::~HttpClient() {
  if (handles_->easy != nullptr) curl_easy_cleanup(handles_->easy);
  if (handles_->multi != nullptr) curl_multi_cleanup(handles_->multi);
}

HttpClient& HttpClient::forThisThread() {
  thread_local HttpClient client;
  return client;
}

bool HttpClient::valid() const {
  return handles_->easy != nullptr && handles_->multi != nullptr;
}

bool httpServiceAvailable() {
  return globalInitOk();
}

bool isHttpUrl(const std::string& url) {
  return !parseUrl(url).scheme.empty();
}

HttpExchangeResult HttpClient::perform(const HttpExchangeRequest& request) {
  HttpExchangeResult result;
  if (!valid()) return result;
  UrlParts first = parseUrl(request.url);
  if (first.scheme.empty()) {
    result.outcome = ExchangeOutcome::badUrl;
    return result;
  }
  std::string url = first.withoutUserInfo;
  std::string verb = request.verb;
  std::string body = request.body;
  bool withCredentials = true;
  for (int hop = 0;; ++hop) {
    result = performHop(request, url, verb, body, withCredentials);
    if (result.outcome != ExchangeOutcome::complete || !request.followRedirects) return result;
    if (hop >= kMaxRedirectHops || !isFollowedRedirect(result.statusCode)) return result;
    char* target = nullptr;
    if (curl_easy_getinfo(handles_->easy, CURLINFO_REDIRECT_URL, &target) != CURLE_OK || target == nullptr) {
      return result;
    }
    UrlParts next = parseUrl(target);
    if (next.scheme.empty()) return result;  // not an http(s) target: the redirect is the answer
    if (request.cancel != nullptr && request.cancel->load()) return result;
    bool toGet = (result.statusCode == 303 && verb != "HEAD") ||
                 ((result.statusCode == 301 || result.statusCode == 302) && verb == "POST");
    if (toGet) {
      verb = "GET";
      body.clear();
    }
    withCredentials = withCredentials && sameOrigin(first, next);
    url = next.withoutUserInfo;
  }
}

HttpExchangeResult HttpClient::performHop(const HttpExchangeRequest& request, const std::string& url,
                                          const std::string& verb, const std::string& body,
                                          bool withCredentials) {
  HttpExchangeResult result;
  CURL* easy = handles_->easy;
  curl_easy_reset(easy);  // keeps the connection cache, forgets every option

  TransferState state;
  state.request = &request;
  state.result = &result;

  std::vector<std::string> lines = request.headerLines;
  if (!body.empty()) lines.emplace_back("Expect:");
  curl_slist* headers = makeList(lines);
  curl_slist* proxyHeaders = makeList(request.proxyHeaderLines);

  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(easy, CURLOPT_PROXY_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(easy, CURLOPT_PROXY_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(easy, CURLOPT_PROXY, request.proxy.c_str());  // "" = direct, never the environment's
  curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(easy, CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
  if (!request.proxy.empty() && !request.proxyUserName.empty() && !request.proxyPassword.empty()) {
    curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, request.proxyUserName.c_str());
    curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, request.proxyPassword.c_str());
    curl_easy_setopt(easy, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
  }
  if (withCredentials && !request.userName.empty() && !request.password.empty()) {
    curl_easy_setopt(easy, CURLOPT_USERNAME, request.userName.c_str());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, request.password.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
  }
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);  // hops are followed by perform()
  // Connecting (with the TLS handshake) may take the limit; after that, so may every silence.
  const long timeoutMs = request.timeoutMs > 0 ? request.timeoutMs : ownTimeoutMs_;
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
  // POST and PUT always carry a length, "Content-Length: 0" for an empty body.
  bool sendsBody = !body.empty() || verb == "POST" || verb == "PUT";
  if (verb == "HEAD") {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  } else if (verb != "GET" || sendsBody) {
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
  }
  if (sendsBody) {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
  }
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(easy, CURLOPT_PROXYHEADER, proxyHeaders);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &state);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &state);

  // The multi interface lets the wait run in short slices, so a cancel is seen within one slice
  // and a silence is measured from the last byte that moved, not as an average speed.
  CURLM* multi = handles_->multi;
  CURLcode code = CURLE_FAILED_INIT;
  bool cancelled = false;
  bool silent = false;
  if (curl_multi_add_handle(multi, easy) == CURLM_OK) {
    using Clock = std::chrono::steady_clock;
    const auto limit = std::chrono::milliseconds(timeoutMs);
    auto lastActivity = Clock::now();
    std::size_t lastReceived = 0;
    curl_off_t lastSent = 0;
    curl_off_t lastPretransfer = 0;
    int running = 1;
    while (running > 0) {
      if (curl_multi_perform(multi, &running) != CURLM_OK) break;
      if (running == 0) break;
      if (request.cancel != nullptr && request.cancel->load()) {
        cancelled = true;
        break;
      }
      curl_off_t sent = 0;
      curl_off_t pretransfer = 0;
      curl_easy_getinfo(easy, CURLINFO_SIZE_UPLOAD_T, &sent);
      curl_easy_getinfo(easy, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
      auto now = Clock::now();
      if (state.bytesReceived != lastReceived || sent != lastSent || pretransfer != lastPretransfer) {
        lastReceived = state.bytesReceived;
        lastSent = sent;
        lastPretransfer = pretransfer;
        lastActivity = now;
      } else if (pretransfer > 0 && now - lastActivity > limit) {
        silent = true;  // connected, but nothing moved for the whole limit
        break;
      }
      curl_multi_poll(multi, nullptr, 0, kPollSliceMs, nullptr);
    }
    int pending = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &pending)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy) code = message->data.result;
    }
    curl_multi_remove_handle(multi, easy);
  }
  if (cancelled) code = CURLE_ABORTED_BY_CALLBACK;
  if (silent) code = CURLE_OPERATION_TIMEDOUT;
  curl_slist_free_all(headers);
  curl_slist_free_all(proxyHeaders);

  long requestSize = 0;
  curl_easy_getinfo(easy, CURLINFO_REQUEST_SIZE, &requestSize);
  result.outcome = classifyFailure(code, state.headersComplete, requestSize > 0, cancelled);
  if (state.headersComplete) curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.statusCode);
  return result;
}

}  // namespace nc
