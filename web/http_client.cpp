#include "web/http_client.h"

#include <curl/curl.h>
#include <openssl/crypto.h>

#include <algorithm>
#include <mutex>

namespace nc {
namespace {

constexpr long kMaxRedirects = 20;
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
  bool bodyTooLarge = false;
};

size_t onHeader(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<TransferState*>(user);
  std::string_view line(data, size * count);
  // A new status line starts a new response (1xx, or the next hop of a redirect).
  if (line.substr(0, 5) == "HTTP/") {
    state->result->headerBlock.clear();
    state->result->body.clear();
    state->headersComplete = false;
  }
  state->result->headerBlock.append(line);
  if (line == "\r\n" || line == "\n") state->headersComplete = true;
  return size * count;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<TransferState*>(user);
  std::size_t bytes = size * count;
  std::string& body = state->result->body;
  std::size_t room = state->request->bodyLimit > body.size() ? state->request->bodyLimit - body.size() : 0;
  if (bytes > room) {
    body.append(data, room);
    state->bodyTooLarge = true;
    return 0;  // aborts the transfer with CURLE_WRITE_ERROR
  }
  body.append(data, bytes);
  return bytes;
}

ExchangeOutcome classifyFailure(CURLcode code, bool headersComplete) {
  switch (code) {
    case CURLE_OK:
    case CURLE_TOO_MANY_REDIRECTS:
      return ExchangeOutcome::complete;
    case CURLE_URL_MALFORMAT:
      return ExchangeOutcome::badUrl;
    default:
      break;
  }
  if (headersComplete) return ExchangeOutcome::readFailed;
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SEND_ERROR:
    case CURLE_ABORTED_BY_CALLBACK:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_LOGIN_DENIED:
      return ExchangeOutcome::notSent;
    default:
      return ExchangeOutcome::noResponse;
  }
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

bool HttpClient::valid() const { return handles_->easy != nullptr && handles_->multi != nullptr; }

bool isHttpUrl(const std::string& url) {
  if (!globalInitOk()) return false;
  CURLU* parsed = curl_url();
  if (parsed == nullptr) return false;
  bool ok = false;
  if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK) {
    char* scheme = nullptr;
    char* host = nullptr;
    if (curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
      std::string_view schemeText(scheme);
      ok = (schemeText == "http" || schemeText == "https") && host[0] != '\0';
    }
    curl_free(scheme);
    curl_free(host);
  }
  curl_url_cleanup(parsed);
  return ok;
}

HttpExchangeResult HttpClient::perform(const HttpExchangeRequest& request) {
  HttpExchangeResult result;
  if (!valid()) return result;
  if (!isHttpUrl(request.url)) {
    result.outcome = ExchangeOutcome::badUrl;
    return result;
  }
  CURL* easy = handles_->easy;
  curl_easy_reset(easy);  // keeps the connection cache, forgets every option

  TransferState state;
  state.request = &request;
  state.result = &result;

  curl_slist* headers = nullptr;
  for (const std::string& line : request.headerLines) headers = curl_slist_append(headers, line.c_str());
  if (!request.body.empty()) headers = curl_slist_append(headers, "Expect:");

  curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(easy, CURLOPT_PROXY_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(easy, CURLOPT_PROXY_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(easy, CURLOPT_PROXY, request.proxy.c_str());  // "" = direct, never the environment's
  if (!request.proxy.empty() && !request.proxyUserName.empty() && !request.proxyPassword.empty()) {
    curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, request.proxyUserName.c_str());
    curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, request.proxyPassword.c_str());
    curl_easy_setopt(easy, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
  }
  if (!request.userName.empty() && !request.password.empty()) {
    curl_easy_setopt(easy, CURLOPT_USERNAME, request.userName.c_str());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, request.password.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
  }
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy, CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));
  if (request.timeoutMs > 0) {
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, request.timeoutMs);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, std::max(1L, (request.timeoutMs + 999) / 1000));
  }
  // POST and PUT always carry a length, "Content-Length: 0" for an empty body.
  bool sendsBody = !request.body.empty() || request.verb == "POST" || request.verb == "PUT";
  if (request.verb == "HEAD") {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  } else if (request.verb != "GET" || sendsBody) {
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.verb.c_str());
  }
  if (sendsBody) {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.data());
  }
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &state);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &state);

  CURLM* multi = handles_->multi;
  CURLcode code = CURLE_FAILED_INIT;
  bool cancelled = false;
  if (curl_multi_add_handle(multi, easy) == CURLM_OK) {
    int running = 1;
    while (running > 0) {
      if (curl_multi_perform(multi, &running) != CURLM_OK) break;
      if (running == 0) break;
      if (request.cancel != nullptr && request.cancel->load()) {
        cancelled = true;
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
  curl_slist_free_all(headers);

  result.outcome = classifyFailure(code, state.headersComplete);
  if (state.headersComplete) curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.statusCode);
  if (result.outcome == ExchangeOutcome::complete && !state.headersComplete) {
    result.outcome = ExchangeOutcome::noResponse;
  }
  return result;
}

}  // namespace nc
