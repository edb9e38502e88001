#include "web/web_request.h"

#include <array>

#include "text/code_page.h"
#include "web/charset_detection.h"
#include "web/header_operations.h"

namespace nc {

namespace web_failure {
Text noHttpService() {
  return utf8ToText("700 当前系统不支持WinHttp服务!");
}
Text badUrl() {
  return utf8ToText("701 解析URL地址失败!");
}
Text sessionFailed() {
  return utf8ToText("702 创建WinHttp会话失败!");
}
Text connectionFailed() {
  return utf8ToText("703 创建WinHttp连接失败!");
}
Text requestFailed() {
  return utf8ToText("704 创建WinHttp请求失败!");
}
Text timeoutFailed() {
  return utf8ToText("705 设置超时时间失败!");
}
Text credentialsFailed() {
  return utf8ToText("707 设置代理凭证失败!");
}
Text certificateFailed() {
  return utf8ToText("忽略错误/证书错误  失败！");
}
Text cookieOptionFailed() {
  return utf8ToText("708 禁止自动设置Cookies失败!");
}
Text redirectOptionFailed() {
  return utf8ToText("709 重定向设置失败!");
}
Text headersFailed() {
  return utf8ToText("710 设置协议头失败!");
}
Text sendFailed() {
  return utf8ToText("711 发送请求失败!");
}
Text noResponse() {
  return utf8ToText("712 服务器未响应!");
}
Text readFailed() {
  return utf8ToText("713 读取数据失败!");
}
}  // namespace web_failure

namespace {

constexpr std::array<const char*, 8> kMethodNames = {"GET",     "POST",   "HEAD",  "PUT",
                                                     "OPTIONS", "DELETE", "TRACE", "CONNECT"};

struct DefaultHeader {
  std::string_view probe;
  std::string_view line;
  bool postOnly;
};

constexpr std::array<DefaultHeader, 6> kDefaultHeaders = {{
    {"User-Agent: ", "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n",
     false},
    {"Accept: ", "Accept: text/html, application/xhtml+xml, */*\r\n", false},
    {"Accept-Encoding: ", "Accept-Encoding: identity\r\n", false},
    {"Accept-Language: ", "Accept-Language: zh-cn\r\n", false},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded\r\n", true},
    {"Cache-Control: ", "Cache-Control: no-cache\r\n", false},
}};

void removeAll(Text& text, std::string_view what) {
  std::size_t at = findText(text, what);
  while (at != kNotFound) {
    text.erase(at, what.size());
    at = findText(text, what, at);
  }
}

Text buildHeaderBlock(const WebRequestCall& call, int method) {
  Text block = call.extraHeaders.empty() ? Text() : call.extraHeaders + "\r\n";
  if (call.completeHeaders) {
    for (const DefaultHeader& header : kDefaultHeaders) {
      if (header.postOnly && method != kMethodPost) continue;
      if (findTextIgnoreCase(block, header.probe) == kNotFound) block += header.line;
    }
  }
  if (call.normaliseHeaderNames) block = normaliseHeaders(block);
  if (findText(block, "Connection") != kNotFound && headerValue(block, "Connection") == "keep-alive") {
    removeAll(block, "Connection: keep-alive\r\n");
  }
  if (findTextIgnoreCase(block, "Cookie:") == kNotFound && !call.cookies.empty()) {
    block += "\r\n";
    block +=
        findTextIgnoreCase(call.cookies, "Cookie:") == kNotFound ? "Cookie: " + call.cookies : call.cookies;
    block += "\r\n";
  }
  return block;
}

// The header lines as they go on the wire; lines without a name are left out.
std::vector<std::string> wireHeaderLines(const Text& block) {
  std::vector<std::string> lines;
  for (const Text& line : splitText(block, kCrlf)) {
    std::size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) continue;
    std::string wire = textToUtf8(line);
    // A line with an empty value still goes out ("Name:" alone would withdraw the header).
    if (trimText(std::string_view(line).substr(colon + 1)).empty())
      wire = textToUtf8(line.substr(0, colon)) + ";";
    lines.push_back(std::move(wire));
  }
  return lines;
}

// True when one of the wire lines ("Name: value" or "Name;") has the name `name` (case disregarded).
bool hasHeaderLine(const std::vector<std::string>& lines, std::string_view name) {
  for (const std::string& line : lines) {
    if (line.size() > name.size() && (line[name.size()] == ':' || line[name.size()] == ';') &&
        findTextIgnoreCase(std::string_view(line).substr(0, name.size()), name) == 0) {
      return true;
    }
  }
  return false;
}

// Fills status, responseHeaders, returnedCookies, location and the merged cookies.
void processResponse(WebRequestCall& call, const std::string& rawHeaders) {
  static constexpr std::size_t kStatusOffset = 9;  // after "HTTP/1.1 "
  call.responseHeaders = utf8ToText(rawHeaders);
  const Text& headers = call.responseHeaders;
  std::size_t lineEnd = findText(headers, kCrlf, kStatusOffset);
  if (headers.size() > kStatusOffset) {
    call.status = headers.substr(kStatusOffset, lineEnd == kNotFound ? Text::npos : lineEnd - kStatusOffset);
  } else {
    call.status.clear();
  }
  std::vector<Text> lines = splitText(headers, kCrlf);
  call.returnedCookies = extractSetCookies(lines);
  for (const Text& line : lines) {
    if (findTextIgnoreCase(line.substr(0, 10), "Location: ") == 0) call.location = line.substr(10);
  }
  if (call.mergeCookies && !call.cookies.empty()) {
    call.returnedCookies = mergeCookieText(call.cookies, call.returnedCookies);
  }
}

}  // namespace

Text WebRequest(WebRequestCall& call) {
  call.bodyComplete = false;
  if (!httpServiceAvailable()) {
    call.status = web_failure::noHttpService();
    return {};
  }
  HttpClient& client = call.client != nullptr ? *call.client : HttpClient::forThisThread();
  if (!client.valid()) {
    call.status = web_failure::sessionFailed();
    return {};
  }
  std::string url = textToUtf8(call.url);
  if (!isHttpUrl(url)) {
    call.status = web_failure::badUrl();
    return {};
  }
  int method = (call.method >= kMethodGet && call.method <= kMethodConnect) ? call.method : kMethodGet;
  int timeoutSeconds = call.timeoutSeconds > 0 ? call.timeoutSeconds : kDefaultTimeoutSeconds;

  Text block = buildHeaderBlock(call, method);
  if (block.empty()) {
    call.status = web_failure::headersFailed();
    return {};
  }

  HttpExchangeRequest request;
  request.url = std::move(url);
  request.verb = kMethodNames[static_cast<std::size_t>(method)];
  request.headerLines = wireHeaderLines(block);
  // Lines the block lacks are not sent at all: no Content-Type for a body, no Accept.
  for (std::string_view name : {"Content-Type", "Accept"}) {
    if (!hasHeaderLine(request.headerLines, name)) request.headerLines.push_back(std::string(name) + ":");
  }
  request.body = call.bodyBytes.empty() ? call.bodyText : call.bodyBytes;
  request.followRedirects = !call.disableRedirects;
  request.proxy = textToUtf8(call.proxy);
  request.proxyUserName = textToUtf8(call.proxyUserName);
  request.proxyPassword = textToUtf8(call.proxyPassword);
  request.userName = textToUtf8(call.userName);
  request.password = textToUtf8(call.password);
  request.timeoutMs = static_cast<long>(timeoutSeconds) * 1000;
  request.cancel = call.cancel;
  request.bodyLimit = call.bodyLimit;

  HttpExchangeResult result = client.perform(request);
  switch (result.outcome) {
    case ExchangeOutcome::badUrl:
      call.status = web_failure::badUrl();
      return {};
    case ExchangeOutcome::notSent:
      call.status = web_failure::sendFailed();
      return {};
    case ExchangeOutcome::noResponse:
      call.status = web_failure::noResponse();
      return {};
    case ExchangeOutcome::readFailed:
      call.status = web_failure::readFailed();
      break;
    case ExchangeOutcome::complete:
      call.bodyComplete = true;
      break;
  }
  processResponse(call, result.headerBlock);
  call.responseBody = std::move(result.body);
  Text pageText = textUpToZero(call.responseBody);
  return decodeDeclaredCharset(pageText, call.responseBody);
}

}  // namespace nc
