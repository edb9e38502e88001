// The remote notice at start, on the About page and at exit.
#include <QBuffer>
#include <QImage>
#include <QPushButton>
#include <QStackedWidget>

#include "app/picture_box.h"
#include "app/remote_notice.h"
#include "script/json_object.h"
#include "tests/app/window_fixture.h"

namespace nc::testing {
namespace {

std::string pngBytes(QColor colour) {
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

class RemoteNoticeTest : public WindowFixture {
 protected:
  void extraRoutes(LoopbackServer& server) override {
    for (const auto& [path, colour] :
         {std::pair{"/pic1.png", QColor(Qt::red)}, std::pair{"/pic2.png", QColor(Qt::blue)}}) {
      const std::string png = pngBytes(colour);
      server.route(path, [png](const TestRequest&) {
        TestResponse response;
        response.body = png;
        response.contentType = "image/png";
        return response;
      });
    }
  }

  std::string picture(const char* path) const { return server_.origin() + path; }
  PictureBox* aboutPicture(const char* name) { return control<PictureBox>(name); }
  void clickAbout() { click(control<QPushButton>("超级按钮_关于")); }
  void releaseClose() {
    auto* close = control<QWidget>("图片框7");
    QTest::mousePress(close, Qt::LeftButton, {}, close->rect().center());
    QTest::mouseRelease(close, Qt::LeftButton, {}, close->rect().center());
  }
};

TEST_F(RemoteNoticeTest, CurrentReleaseShowsTheInformationAndStarts) {
  ASSERT_TRUE(window_->create());
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_EQ(services_.messages[0].text, QString::fromUtf8("欢迎使用"));
  EXPECT_EQ(services_.messages[0].icon, MessageIcon::information);
  EXPECT_TRUE(services_.opened.empty());
  EXPECT_TRUE(services_.endCodes.empty());
}

TEST_F(RemoteNoticeTest, AnyOtherReleaseShowsTheUpdateOpensTheLinkAndEnds) {
  for (const char* release : {"v1.2", "V1.1", "v1.1 ", ""}) {
    SCOPED_TRACE(release);
    services_ = RecordingServices();
    setNotice(noticeJson(release));
    EXPECT_FALSE(window_->create());
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0].text, QString::fromUtf8("请更新到新版本"));
    ASSERT_EQ(services_.opened.size(), 1u);
    EXPECT_EQ(services_.opened[0], QUrl(QStringLiteral("https://example.org/get")));
    EXPECT_EQ(services_.endCodes, std::vector<int>{0});
  }
}

TEST_F(RemoteNoticeTest, OnlyWebLinksFromTheNoticeAreOpened) {
  for (const char* link :
       {"file:///etc/passwd", "javascript:alert(1)", "/usr/bin/xterm", "ftp://example.org/x", "http://"}) {
    SCOPED_TRACE(link);
    services_ = RecordingServices();
    setNotice(noticeJson("v2.0", "\"false\"", "\"false\"", link));
    EXPECT_FALSE(window_->create());
    EXPECT_TRUE(services_.opened.empty());
    EXPECT_EQ(services_.endCodes, std::vector<int>{0});
  }
}

TEST_F(RemoteNoticeTest, UnreachableOrBrokenNoticeEndsWithAnEmptyMessage) {
  setNotice("this is not JSON");
  EXPECT_FALSE(window_->create());
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_TRUE(services_.messages[0].text.isEmpty());
  EXPECT_TRUE(services_.opened.empty());
  EXPECT_EQ(services_.endCodes, std::vector<int>{0});

  RecordingServices services;
  RemoteNotice unreachable(services, "http://127.0.0.1:1");
  JsonObject json;
  EXPECT_FALSE(unreachable.checkAtStart(json));
  EXPECT_EQ(services.endCodes, std::vector<int>{0});
  EXPECT_TRUE(services.opened.empty());
}

TEST_F(RemoteNoticeTest, AboutShowsThePicturesOnlyWhenSwitchedOn) {
  ASSERT_TRUE(window_->create());
  setNotice(noticeJson("v1.1", "\"false\"", "\"false\"", "", picture("/pic1.png"), picture("/pic2.png")));
  clickAbout();
  EXPECT_EQ(window_->pages()->currentIndex(), 4);
  EXPECT_FALSE(aboutPicture("图片框8")->isVisibleTo(window_.get()));
  EXPECT_FALSE(aboutPicture("图片框9")->isVisibleTo(window_.get()));

  // A JSON boolean true counts like the text "true".
  for (const char* on : {"\"true\"", "true"}) {
    SCOPED_TRACE(on);
    setNotice(noticeJson("v1.1", on, "\"false\"", "", picture("/pic1.png"), picture("/pic2.png")));
    clickAbout();
    ASSERT_TRUE(aboutPicture("图片框8")->isVisibleTo(window_.get()));
    ASSERT_TRUE(aboutPicture("图片框9")->isVisibleTo(window_.get()));
    EXPECT_EQ(aboutPicture("图片框8")->picture().toImage().pixelColor(2, 2), QColor(Qt::red));
    EXPECT_EQ(aboutPicture("图片框9")->picture().toImage().pixelColor(2, 2), QColor(Qt::blue));
  }

  // Switched off again: the pictures stay as they are.
  setNotice(noticeJson("v1.1", "\"false\""));
  clickAbout();
  EXPECT_TRUE(aboutPicture("图片框8")->isVisibleTo(window_.get()));
  EXPECT_FALSE(aboutPicture("图片框8")->picture().isNull());

  // A picture that cannot be fetched shows nothing; the other one loads all the same.
  setNotice(noticeJson("v1.1", "\"true\"", "\"false\"", "", picture("/missing.png"), picture("/pic2.png")));
  clickAbout();
  EXPECT_TRUE(aboutPicture("图片框8")->picture().isNull());
  EXPECT_FALSE(aboutPicture("图片框9")->picture().isNull());
}

TEST_F(RemoteNoticeTest, ExitConfirmationCancelKeepsRunning) {
  ASSERT_TRUE(window_->create());
  setNotice(noticeJson("v1.1", "\"false\"", "\"true\""));
  services_.confirmAnswer = false;
  releaseClose();
  ASSERT_EQ(services_.confirmations.size(), 1u);
  EXPECT_EQ(services_.confirmations[0], QString::fromUtf8("退出|亲爱的小主~ 您真的要退出此程序嘛~~"));
  EXPECT_TRUE(services_.endCodes.empty());
  EXPECT_TRUE(services_.opened.empty());
}

TEST_F(RemoteNoticeTest, ConfirmedExitOpensTheHomePageOnlyInDebug) {
  ASSERT_TRUE(window_->create());
  const struct {
    const char* name;
    std::string notice;
    bool opens;
  } cases[] = {
      {"debug true", noticeJson("v1.1", "\"false\"", "\"true\""), true},
      {"debug boolean true", noticeJson("v1.1", "\"false\"", "true"), true},
      {"debug false", noticeJson("v1.1", "\"false\"", "\"false\""), false},
      {"debug missing", R"({"date":{"version_number":"v1.1"}})", false},
      {"no notice", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    services_.opened.clear();
    services_.endCodes.clear();
    setNotice(c.notice);
    releaseClose();
    EXPECT_EQ(services_.endCodes, std::vector<int>{0});
    if (c.opens) {
      ASSERT_EQ(services_.opened.size(), 1u);
      EXPECT_EQ(services_.opened[0], QUrl(QString::fromStdString(server_.origin())));
    } else {
      EXPECT_TRUE(services_.opened.empty());
    }
  }
}

TEST(OpenableUrlTest, OnlyWebUrlsWithAHost) {
  EXPECT_TRUE(isOpenableWebUrl(QStringLiteral("https://example.org/a?b=c")));
  EXPECT_TRUE(isOpenableWebUrl(QStringLiteral("HTTP://127.0.0.1:8443")));
  for (const char* bad :
       {"", "file:///tmp", "mailto:a@b.c", "javascript:x", "https://", "example.org", "smb://h/s"})
    EXPECT_FALSE(isOpenableWebUrl(QString::fromUtf8(bad))) << bad;
}

}  // namespace
}  // namespace nc::testing
