#include "web/com_web_request.h"

#include <array>
#include <vector>

#include "text/code_page.h"
#include "web/header_operations.h"

namespace nc {
namespace {

constexpr std::array<const char*, 8> kVerbs = {"GET",     "POST",   "HEAD",  "PUT",
                                               "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr std::string_view kUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

Text buildHeaderText(const ComWebRequestCall& call, int method) {
  Text headers = call.extraHeaders;
  if (call.completeHeaders) {
    auto addUnlessNamed = [&headers](std::string_view name, const Text& line) {
      if (findTextIgnoreCase(headers, name) == kNotFound) headers += line;
    };
    addUnlessNamed("Accept:", "\r\nAccept: */*");
    addUnlessNamed("Referer:", "\r\nReferer: " + call.url);
    addUnlessNamed("Accept-Language:", "\r\nAccept-Language: zh-cn");
    addUnlessNamed("User-Agent:", "\r\nUser-Agent: " + Text(kUserAgent));
    if (method == 1) addUnlessNamed("Content-Type:", "\r\nContent-Type: application/x-www-form-urlencoded");
  }
  if (call.normaliseHeaderNames) headers = normaliseHeaders(headers);
  return headers;
}

bool equalIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && findTextIgnoreCase(a, b) == 0;
}

// Request headers in order; setting a name again replaces its value, as a request object does.
class RequestHeaders {
 public:
  void set(const Text& name, const Text& value) {
    if (name.empty()) return;
    for (auto& entry : entries_) {
      if (equalIgnoreCase(entry.first, name)) {
        entry.second = value;
        return;
      }
    }
    entries_.emplace_back(name, value);
  }

  // Fills the request's header lines; Proxy-Authorization is for the proxy's eyes only.
  void toWire(HttpExchangeRequest& request) const {
    for (const auto& [name, value] : entries_) {
      // An empty value would withdraw the header on the wire; send it as an empty header.
      std::string line = textToUtf8(name) + (value.empty() ? ";" : ": " + textToUtf8(value));
      if (equalIgnoreCase(name, "Proxy-Authorization")) {
        request.proxyHeaderLines.push_back(std::move(line));
      } else {
        request.headerLines.push_back(std::move(line));
      }
    }
  }

 private:
  std::vector<std::pair<Text, Text>> entries_;
};

void removeCookiePrefixes(Text& cookies) {
  std::size_t at = findTextIgnoreCase(cookies, "Cookie:");
  while (at != kNotFound) {
    cookies.erase(at, 7);
    at = findTextIgnoreCase(cookies, "Cookie:", at);
  }
}

// The header lines after the status line, as a request object lists them.
Text responseHeaderLines(const std::string& rawBlock) {
  std::size_t firstLineEnd = rawBlock.find("\r\n");
  if (firstLineEnd == std::string::npos) return {};
  return utf8ToText(rawBlock.substr(firstLineEnd + 2));
}

}  // namespace

Text headerLineName(std::string_view line) {
  std::size_t colon = line.find(':');
  return colon == std::string_view::npos ? Text() : trimText(line.substr(0, colon));
}

Text headerLineValue(std::string_view line) {
  std::size_t colon = line.find(':');
  return colon == std::string_view::npos ? Text() : trimText(line.substr(colon + 1));
}

Text base64Encode(std::string_view bytes) {
  static constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  Text encoded;
  encoded.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
    std::size_t available = std::min<std::size_t>(3, bytes.size() - i);
    if (available > 1) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (available > 2) group |= static_cast<unsigned char>(bytes[i + 2]);
    encoded += kAlphabet[(group >> 18) & 0x3F];
    encoded += kAlphabet[(group >> 12) & 0x3F];
    encoded += available > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=';
    encoded += available > 2 ? kAlphabet[group & 0x3F] : '=';
  }
  return encoded;
}

ByteSet ComWebRequest(ComWebRequestCall& call) {
  if (!httpServiceAvailable()) return {};
  HttpClient& client = call.requestObject != nullptr ? *call.requestObject : HttpClient::forThisThread();
  if (!client.valid()) return {};
  int method = (call.method >= 0 && call.method <= 7) ? call.method : 0;

  HttpExchangeRequest request;
  request.url = textToUtf8(call.url);
  request.verb = kVerbs[static_cast<std::size_t>(method)];
  if (call.timeoutSeconds != kKeepClientTimeouts) {
    request.timeoutMs = 1000L * (call.timeoutSeconds >= 1 ? call.timeoutSeconds : kComDefaultTimeoutSeconds);
  }
  request.proxy = textToUtf8(call.proxy);
  request.followRedirects = !call.disableRedirects;
  request.cancel = call.cancel;
  request.bodyLimit = call.bodyLimit;

  Text headerText = buildHeaderText(call, method);
  RequestHeaders headers;
  if (!call.proxy.empty() && !call.proxyUserName.empty()) {
    if (call.credentialTarget == kCredentialsForProxy) {
      request.proxyUserName = textToUtf8(call.proxyUserName);
      request.proxyPassword = textToUtf8(call.proxyPassword);
      headers.set("Proxy-Authorization",
                  "Basic " + base64Encode(call.proxyUserName + ":" + call.proxyPassword));
    } else {
      request.userName = textToUtf8(call.proxyUserName);
      request.password = textToUtf8(call.proxyPassword);
    }
  }
  if (call.cookies) {
    if (!call.cookies->empty() && findTextIgnoreCase(*call.cookies, "Cookie:") != kNotFound) {
      removeCookiePrefixes(*call.cookies);
    }
    headers.set("Cookie", *call.cookies);
  }
  if (findText(headerText, kCrlf) == kNotFound) {
    headers.set(headerLineName(headerText), headerLineValue(headerText));
  } else {
    for (const Text& line : splitText(headerText, kCrlf)) {
      if (line.empty()) continue;
      Text name = headerLineName(line);
      Text value = headerLineValue(line);
      if (name == "Connection" && value == "keep-alive") continue;
      headers.set(name, value);
    }
  }
  headers.toWire(request);
  request.body = call.bodyBytes.empty() ? call.bodyText : call.bodyBytes;

  HttpExchangeResult result = client.perform(request);
  // A body cut short is a failed exchange: nothing of it is handed out.
  bool gotResponse = result.outcome == ExchangeOutcome::complete;
  ByteSet body = gotResponse ? std::move(result.body) : ByteSet();
  call.responseHeaders = gotResponse ? responseHeaderLines(result.headerBlock) : Text();
  call.statusCode = gotResponse ? static_cast<std::int32_t>(result.statusCode) : 0;
  call.returnedCookies = extractSetCookies(splitText(call.responseHeaders, kCrlf));
  if (call.mergeCookies && call.cookies) {
    call.returnedCookies = mergeCookieText(*call.cookies, call.returnedCookies);
  }
  return body;
}

}  // namespace nc
