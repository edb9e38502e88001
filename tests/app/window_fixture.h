// A main window on a recording desktop, with a loopback notice server.
#pragma once

#include <memory>
#include <mutex>

#include <gtest/gtest.h>

#include "tests/app/app_test_support.h"

namespace nc::testing {

class WindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    qtApp();
    server_.route("/wp-content/novel_crawler.json", [this](const TestRequest&) {
      TestResponse response;
      std::lock_guard lock(noticeMutex_);
      response.body = notice_;
      response.contentType = "application/json";
      return response;
    });
    extraRoutes(server_);
    ASSERT_TRUE(server_.start());
    ::setenv("NOVEL_SITE_ORIGIN", siteOrigin().c_str(), 1);
    configPath_ = config_.path() + "/config.ini";
    program_ = std::make_unique<Program>(services_);
    window_ = std::make_unique<MainWindow>(*program_, services_, configPath_, server_.origin());
  }

  void TearDown() override {
    window_.reset();
    program_.reset();
    ::unsetenv("NOVEL_SITE_ORIGIN");
  }

  // Routes a derived fixture adds before the server starts.
  virtual void extraRoutes(LoopbackServer&) {}
  // The novel site's origin for the Program (the notice server unless a fixture says otherwise).
  virtual std::string siteOrigin() { return server_.origin(); }

  void setNotice(std::string json) {
    std::lock_guard lock(noticeMutex_);
    notice_ = std::move(json);
  }

  template <typename T>
  T* control(const char* name) const {
    T* found = window_->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  // Presses and releases the left button in the middle of `widget`.
  static void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
  }

  RecordingServices services_;
  LoopbackServer server_;
  TempDir config_;
  std::string configPath_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<MainWindow> window_;

 private:
  std::mutex noticeMutex_;
  std::string notice_ = noticeJson("v1.1");
};

}  // namespace nc::testing
