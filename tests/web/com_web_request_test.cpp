#include "web/com_web_request.h"

#include <gtest/gtest.h>

#include "tests/support/loopback_server.h"
#include "text/code_page.h"

namespace nc {
namespace {

using testing::LoopbackServer;
using testing::RawServer;
using testing::TestRequest;
using testing::TestResponse;

class ComWebRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    picture_ = std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) + std::string(300, '\xFF');
    server_.route("/picture.png", [this](const TestRequest&) {
      return TestResponse{200, picture_, "image/png", {{"Set-Cookie", "seen=1; Path=/"}}};
    });
    server_.route("/moved", [](const TestRequest&) {
      return TestResponse{301, "", "text/plain", {{"Location", "/picture.png"}}};
    });
    ASSERT_TRUE(server_.start());
  }

  TestRequest lastRequest() const {
    std::vector<TestRequest> requests = server_.requests();
    return requests.empty() ? TestRequest{} : requests.back();
  }

  std::string picture_;
  LoopbackServer server_{LoopbackServer::Scheme::https};
};

TEST_F(ComWebRequestTest, UrlOnlyFetchesBytesWithDefaultHeaders) {
  ComWebRequestCall call;
  call.url = server_.origin() + "/moved";
  ByteSet body = ComWebRequest(call);
  EXPECT_EQ(body, picture_);
  EXPECT_EQ(call.statusCode, 200);
  TestRequest request = lastRequest();
  EXPECT_EQ(request.header("Accept"), "*/*");
  EXPECT_EQ(request.header("Referer"), server_.origin() + "/moved");
  EXPECT_EQ(request.header("Accept-Language"), "zh-cn");
  EXPECT_EQ(request.header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
  EXPECT_FALSE(request.hasHeader("Content-Type"));
  EXPECT_NE(call.responseHeaders.find("Set-Cookie: seen=1"), Text::npos);
  EXPECT_EQ(call.responseHeaders.find("HTTP/"), Text::npos);
  EXPECT_EQ(call.returnedCookies, "seen=1");
}

TEST_F(ComWebRequestTest, HeadersCookiesAndMethods) {
  ComWebRequestCall call;
  call.url = server_.origin() + "/picture.png";
  call.method = 1;
  call.extraHeaders = "user-agent: Mine\r\nConnection: keep-alive\r\nX-Keep: yes";
  call.cookies = Text("Cookie: a=1");
  ComWebRequest(call);
  TestRequest request = lastRequest();
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.header("User-Agent"), "Mine");
  EXPECT_EQ(request.header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(request.header("X-Keep"), "yes");
  EXPECT_EQ(request.header("Cookie"), "a=1");
  EXPECT_EQ(*call.cookies, "seen=1; a=1");  // prefix gone, response cookie merged in

  ComWebRequestCall close;
  close.url = server_.origin() + "/picture.png";
  close.method = -3;
  close.extraHeaders = "X-Single: one";
  ComWebRequest(close);
  EXPECT_EQ(lastRequest().method, "GET");
  EXPECT_EQ(lastRequest().header("X-Single"), "one");
}

TEST(ComWebRequestFailureTest, UnreachableHostGivesNothing) {
  int port = 0;
  {
    RawServer closed([](int) {});
    port = closed.port();
  }
  ComWebRequestCall call;
  call.url = "http://127.0.0.1:" + std::to_string(port) + "/x";
  call.statusCode = 77;
  call.cookies = Text("a=1");
  EXPECT_EQ(ComWebRequest(call), "");
  EXPECT_EQ(call.statusCode, 0);
  EXPECT_EQ(call.responseHeaders, "");
  EXPECT_EQ(call.returnedCookies, "a=1");
}

TEST(ComWebRequestProxyTest, ProxyAuthorisationHeader) {
  testing::RecordingRawServer proxy("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
  ComWebRequestCall call;
  call.url = "http://pictures.invalid/a.png";
  call.proxy = "127.0.0.1:" + std::to_string(proxy.port());
  call.proxyUserName = "user";
  call.proxyPassword = "secret";
  EXPECT_EQ(ComWebRequest(call), "ok");
  const std::string head = proxy.lastHead();
  EXPECT_NE(head.find("Proxy-Authorization: Basic dXNlcjpzZWNyZXQ="), std::string::npos) << head;
}

TEST(ComWebRequestHelpersTest, Base64) {
  struct Case {
    std::string bytes;
    const char* encoded;
  };
  const Case cases[] = {
      {"", ""}, {"a", "YQ=="}, {"ab", "YWI="}, {"abc", "YWJj"}, {std::string("\0\xFF", 2), "AP8="}};
  for (const Case& c : cases) EXPECT_EQ(base64Encode(c.bytes), c.encoded);
}

TEST(ComWebRequestHelpersTest, HeaderLineNameAndValue) {
  EXPECT_EQ(headerLineName("  Accept :  */* "), "Accept");
  EXPECT_EQ(headerLineValue("  Accept :  */* "), "*/*");
  EXPECT_EQ(headerLineValue("Referer: https://x/y"), "https://x/y");
  EXPECT_EQ(headerLineName("no colon"), "");
  EXPECT_EQ(headerLineValue("no colon"), "");
  EXPECT_EQ(headerLineName("\tTab: v"), "\tTab");
}

}  // namespace
}  // namespace nc
