#include "web/web_request.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <thread>

#include "tests/support/loopback_server.h"
#include "text/code_page.h"

namespace nc {
namespace {

using testing::LoopbackServer;
using testing::RawServer;
using testing::TestRequest;
using testing::TestResponse;

Text t(const char* utf8) {
  return utf8ToText(utf8);
}

// A server that echoes what it was sent, with a few scripted pages.
class WebRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.route("/echo", [](const TestRequest& request) {
      TestResponse response;
      response.body = request.method + " " + request.target + "\n" + request.body;
      return response;
    });
    server_.route("/moved", [](const TestRequest&) {
      return TestResponse{302, "moved body", "text/plain", {{"Location", "/echo?from=moved"}}};
    });
    server_.route("/loop", [](const TestRequest&) {
      return TestResponse{302, "loop", "text/plain", {{"Location", "/loop"}}};
    });
    server_.route("/cookies", [](const TestRequest& request) {
      return TestResponse{200,
                          request.header("Cookie"),
                          "text/plain",
                          {{"Set-Cookie", "session=abc; Path=/"}, {"Set-Cookie", "old=deleted; Path=/"}}};
    });
    server_.route("/missing", [](const TestRequest&) { return TestResponse{404, "gone", "text/plain", {}}; });
    ASSERT_TRUE(server_.start());
  }

  Text url(const std::string& path) const { return server_.origin() + path; }

  TestRequest lastRequest() const {
    std::vector<TestRequest> requests = server_.requests();
    return requests.empty() ? TestRequest{} : requests.back();
  }

  LoopbackServer server_;
};

TEST_F(WebRequestTest, GetSendsTheDefaultHeaders) {
  WebRequestCall call;
  call.url = url("/echo?x=1");
  Text page = WebRequest(call);
  EXPECT_EQ(page, "GET /echo?x=1\n");
  EXPECT_EQ(call.status, "200 OK");
  EXPECT_EQ(call.responseBody, page);
  EXPECT_TRUE(call.bodyComplete);
  EXPECT_EQ(call.responseHeaders.substr(0, 17), "HTTP/1.1 200 OK\r\n");
  TestRequest request = lastRequest();
  EXPECT_EQ(request.header("User-Agent"),
            "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)");
  EXPECT_EQ(request.header("Accept"), "text/html, application/xhtml+xml, */*");
  EXPECT_EQ(request.header("Accept-Encoding"), "identity");
  EXPECT_EQ(request.header("Accept-Language"), "zh-cn");
  EXPECT_EQ(request.header("Cache-Control"), "no-cache");
  EXPECT_FALSE(request.hasHeader("Content-Type"));
  EXPECT_FALSE(request.hasHeader("Cookie"));
}

TEST_F(WebRequestTest, CallerHeadersSuppressDefaults) {
  struct Case {
    const char* extraHeaders;
    const char* expectedUserAgent;
  };
  const Case cases[] = {
      {"user-agent: mine", "mine"},
      {"X-User-Agent: other", ""},  // the probe matches anywhere in the block
      {"Referer:https://example.test/wuxia/", nullptr},
  };
  for (const Case& c : cases) {
    WebRequestCall call;
    call.url = url("/echo");
    call.extraHeaders = c.extraHeaders;
    WebRequest(call);
    TestRequest request = lastRequest();
    if (c.expectedUserAgent != nullptr) {
      EXPECT_EQ(request.header("User-Agent"), c.expectedUserAgent) << c.extraHeaders;
    } else {
      EXPECT_EQ(request.header("Referer"), "https://example.test/wuxia/");
    }
  }
}

TEST_F(WebRequestTest, MethodsAndBodies) {
  WebRequestCall post;
  post.url = url("/echo");
  post.method = kMethodPost;
  post.bodyText = "a=1";
  EXPECT_EQ(WebRequest(post), "POST /echo\na=1");
  EXPECT_EQ(lastRequest().header("Content-Type"), "application/x-www-form-urlencoded");

  WebRequestCall getWithBody;
  getWithBody.url = url("/echo");
  getWithBody.bodyText = "text";
  getWithBody.bodyBytes = "bytes";
  WebRequest(getWithBody);
  EXPECT_EQ(lastRequest().method, "GET");
  EXPECT_EQ(lastRequest().header("Content-Length"), "5");  // the bytes win over the text
  EXPECT_FALSE(lastRequest().hasHeader("Content-Type"));

  for (int method : {8, -1}) {
    WebRequestCall call;
    call.url = url("/echo");
    call.method = method;
    EXPECT_EQ(WebRequest(call), "GET /echo\n");
  }
  WebRequestCall del;
  del.url = url("/echo");
  del.method = kMethodDelete;
  EXPECT_EQ(WebRequest(del), "DELETE /echo\n");

  WebRequestCall root;
  root.url = server_.origin();
  WebRequest(root);
  EXPECT_EQ(lastRequest().target, "/");
}

TEST_F(WebRequestTest, EmptyHeaderBlockFailsWith710) {
  WebRequestCall call;
  call.url = url("/echo");
  call.completeHeaders = false;
  EXPECT_EQ(WebRequest(call), "");
  EXPECT_EQ(call.status, t("710 设置协议头失败!"));
  EXPECT_EQ(server_.requestCount(), 0u);
}

TEST_F(WebRequestTest, RedirectsFollowedOrReturned) {
  WebRequestCall followed;
  followed.url = url("/moved");
  EXPECT_EQ(WebRequest(followed), "GET /echo?from=moved\n");
  EXPECT_EQ(followed.status, "200 OK");
  EXPECT_EQ(followed.location, "");  // only the final response counts

  WebRequestCall returned;
  returned.url = url("/moved");
  returned.disableRedirects = true;
  EXPECT_EQ(WebRequest(returned), "moved body");
  EXPECT_EQ(returned.status, "302 Found");
  EXPECT_EQ(returned.location, "/echo?from=moved");

  std::size_t before = server_.requestCount();
  WebRequestCall loop;
  loop.url = url("/loop");
  EXPECT_EQ(WebRequest(loop), "loop");  // the last response of the chain
  EXPECT_EQ(loop.status, "302 Found");
  EXPECT_EQ(loop.location, "/loop");
  EXPECT_TRUE(loop.bodyComplete);
  EXPECT_EQ(server_.requestCount() - before, 1u + kMaxRedirectHops);
}

TEST_F(WebRequestTest, ErrorStatusIsNoFailure) {
  WebRequestCall call;
  call.url = url("/missing");
  EXPECT_EQ(WebRequest(call), "gone");
  EXPECT_EQ(call.status, "404 Not Found");
}

TEST_F(WebRequestTest, CookiesBothWays) {
  WebRequestCall call;
  call.url = url("/cookies");
  call.cookies = "old=1; keep=2";
  EXPECT_EQ(WebRequest(call), "old=1; keep=2");
  EXPECT_EQ(call.returnedCookies, "session=abc; keep=2");
  EXPECT_EQ(call.cookies, "session=abc; keep=2");

  WebRequestCall prefixed;
  prefixed.url = url("/cookies");
  prefixed.cookies = "Cookie: a=1";
  prefixed.mergeCookies = false;
  EXPECT_EQ(WebRequest(prefixed), "a=1");
  EXPECT_EQ(prefixed.returnedCookies, "session=abc; old=deleted");
}

TEST_F(WebRequestTest, BasicCredentialsOnlyWithBothParts) {
  WebRequestCall call;
  call.url = url("/echo");
  call.userName = "user";
  call.password = "pass";
  WebRequest(call);
  EXPECT_EQ(lastRequest().header("Authorization"), "Basic dXNlcjpwYXNz");

  WebRequestCall noPassword;
  noPassword.url = url("/echo");
  noPassword.userName = "user";
  WebRequest(noPassword);
  EXPECT_FALSE(lastRequest().hasHeader("Authorization"));
}

TEST_F(WebRequestTest, ConsecutiveRequestsReuseTheConnection) {
  for (int i = 0; i < 3; ++i) {
    WebRequestCall call;
    call.url = url("/echo");
    WebRequest(call);
  }
  std::vector<TestRequest> requests = server_.requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].remotePort, requests[2].remotePort);
}

TEST(WebRequestHttpsTest, SelfSignedCertificateIsAccepted) {
  LoopbackServer server(LoopbackServer::Scheme::https);
  server.route("/page", [](const TestRequest&) { return TestResponse{200, "secure", "text/plain", {}}; });
  ASSERT_TRUE(server.start());
  WebRequestCall call;
  call.url = server.origin() + "/page";
  EXPECT_EQ(WebRequest(call), "secure");
  EXPECT_EQ(call.status, "200 OK");
}

TEST(WebRequestCharsetTest, DeclaredCharsetDecodesThePage) {
  LoopbackServer server;
  const std::string utf8Page = "<html><meta charset=\"utf-8\"><p>\xE4\xB8\xAD\xE6\x96\x87</p>";
  const std::string big5Page = "<meta http-equiv=Content-Type content=\"text/html; charset=big5\">\xA4\xA4";
  const std::string gbkPage = "<meta charset=gbk>\xD6\xD0";
  const std::string latePage = std::string(1100, ' ') + "<meta charset=\"utf-8\">\xE4\xB8\xAD";
  const std::string unknownPage = "<meta charset=\"no-such-charset\">x";
  const std::string upperPage = "<META CHARSET=UTF-8>\xE4\xB8\xAD";
  server.route("/utf8", [&](const TestRequest&) { return TestResponse{200, utf8Page, "text/html", {}}; });
  server.route("/big5", [&](const TestRequest&) { return TestResponse{200, big5Page, "text/html", {}}; });
  server.route("/gbk", [&](const TestRequest&) { return TestResponse{200, gbkPage, "text/html", {}}; });
  server.route("/late", [&](const TestRequest&) { return TestResponse{200, latePage, "text/html", {}}; });
  server.route("/upper", [&](const TestRequest&) { return TestResponse{200, upperPage, "text/html", {}}; });
  server.route("/unknown", [&](const TestRequest&) {
    return TestResponse{200, unknownPage, "text/html", {}};
  });
  ASSERT_TRUE(server.start());
  struct Case {
    const char* path;
    Text page;
  };
  const Case cases[] = {
      {"/utf8", t("<html><meta charset=\"utf-8\"><p>中文</p>")},
      {"/big5", Text("<meta http-equiv=Content-Type content=\"text/html; charset=big5\">") + t("中")},
      {"/gbk", gbkPage},
      {"/late", latePage},
      {"/unknown", unknownPage},
      {"/upper", Text("<META CHARSET=UTF-8>") + t("中")},
  };
  for (const Case& c : cases) {
    WebRequestCall call;
    call.url = server.origin() + c.path;
    EXPECT_EQ(WebRequest(call), c.page) << c.path;
  }
}

TEST(WebRequestFailureTest, NumberedFailures) {
  // A port nobody listens on: bind one, learn it, close it.
  int port = 0;
  {
    RawServer closed([](int) {});
    port = closed.port();
  }
  struct Case {
    std::string url;
    const char* status;
  };
  const Case cases[] = {
      {"not a url", "701 解析URL地址失败!"},
      {"ftp://127.0.0.1/x", "701 解析URL地址失败!"},
      {"", "701 解析URL地址失败!"},
      {"http://127.0.0.1:" + std::to_string(port) + "/", "711 发送请求失败!"},
  };
  for (const Case& c : cases) {
    WebRequestCall call;
    call.url = c.url;
    call.responseBody = "untouched";
    EXPECT_EQ(WebRequest(call), "") << c.url;
    EXPECT_EQ(call.status, t(c.status)) << c.url;
    EXPECT_EQ(call.responseBody, "untouched");
  }
}

TEST(WebRequestFailureTest, SilentServerTimesOutWith712) {
  RawServer silent([](int socket) {
    RawServer::readRequestHead(socket);
    char byte;
    while (::recv(socket, &byte, 1, 0) > 0) {
    }
  });
  WebRequestCall call;
  call.url = silent.origin() + "/";
  call.timeoutSeconds = 1;
  EXPECT_EQ(WebRequest(call), "");
  EXPECT_EQ(call.status, t("712 服务器未响应!"));
}

TEST(WebRequestFailureTest, EmptyReplyIs712) {
  RawServer hangUp([](int socket) { RawServer::readRequestHead(socket); });
  WebRequestCall call;
  call.url = hangUp.origin() + "/";
  EXPECT_EQ(WebRequest(call), "");
  EXPECT_EQ(call.status, t("712 服务器未响应!"));
}

TEST(WebRequestFailureTest, CutBodyKeepsWhatArrived) {
  RawServer cut([](int socket) {
    RawServer::readRequestHead(socket);
    RawServer::writeAll(socket, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial");
  });
  WebRequestCall call;
  call.url = cut.origin() + "/";
  EXPECT_EQ(WebRequest(call), "partial");
  EXPECT_EQ(call.status, "200 OK");  // the server's status line replaces the read failure
  EXPECT_EQ(call.responseBody, "partial");
  EXPECT_FALSE(call.bodyComplete);
}

TEST(WebRequestFailureTest, BodyLimitStopsTheRead) {
  LoopbackServer server;
  server.route("/big", [](const TestRequest&) {
    return TestResponse{200, std::string(100000, 'x'), "text/plain", {}};
  });
  ASSERT_TRUE(server.start());
  WebRequestCall call;
  call.url = server.origin() + "/big";
  call.bodyLimit = 1000;
  WebRequest(call);
  EXPECT_EQ(call.responseBody.size(), 1000u);
  EXPECT_FALSE(call.bodyComplete);
}

TEST(WebRequestFailureTest, OddServerRepliesGiveDefinedResults) {
  struct Case {
    std::string reply;
    std::string body;
    const char* status;  // UTF-8
  };
  const Case cases[] = {
      {"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nno length", "no length", "200 OK"},
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", "abc", "200 OK"},
      {std::string("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\na\0b", 41), std::string("a\0b", 3), "200 OK"},
      {"HTTP/1.1 302 Found\r\nLocation:\r\nContent-Length: 0\r\n\r\n", "", "302 Found"},
      {"HTTP/1.1 200 OK\r\nSet-Cookie: ;;;\r\nSet-Cookie:\r\nContent-Length: 0\r\n\r\n", "", "200 OK"},
      {"garbage without a status line\r\n\r\n", "", "712 服务器未响应!"},
  };
  for (const Case& c : cases) {
    RawServer server([&c](int socket) {
      RawServer::readRequestHead(socket);
      RawServer::writeAll(socket, c.reply);
    });
    WebRequestCall call;
    call.url = server.origin() + "/";
    call.disableRedirects = true;
    call.timeoutSeconds = 2;
    WebRequest(call);
    EXPECT_EQ(call.status, t(c.status)) << c.reply;
    EXPECT_EQ(call.responseBody, c.body) << c.reply;
  }
}

TEST(WebRequestCancelTest, CancelAbortsAWaitingRequest) {
  RawServer silent([](int socket) {
    RawServer::readRequestHead(socket);
    char byte;
    while (::recv(socket, &byte, 1, 0) > 0) {
    }
  });
  std::atomic<bool> cancel{false};
  std::thread canceller([&cancel] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    cancel = true;
  });
  WebRequestCall call;
  call.url = silent.origin() + "/";
  call.cancel = &cancel;
  EXPECT_EQ(WebRequest(call), "");
  EXPECT_EQ(call.status, t("711 发送请求失败!"));
  canceller.join();
}

TEST(WebRequestProxyTest, ProxyGetsTheAbsoluteUrlAndCredentials) {
  testing::RecordingRawServer proxy("HTTP/1.1 200 OK\r\nContent-Length: 7\r\n\r\nproxied");
  WebRequestCall call;
  call.url = "http://books.invalid/page?x=1";
  call.proxy = "127.0.0.1:" + std::to_string(proxy.port());
  call.proxyUserName = "pu";
  call.proxyPassword = "pp";
  EXPECT_EQ(WebRequest(call), "proxied");
  const std::string seenHead = proxy.lastHead();
  EXPECT_EQ(seenHead.rfind("GET http://books.invalid/page?x=1 HTTP/1.1\r\n", 0), 0u) << seenHead;
  EXPECT_NE(seenHead.find("Proxy-Authorization: Basic cHU6cHA="), std::string::npos) << seenHead;
}

}  // namespace
}  // namespace nc
