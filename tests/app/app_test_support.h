// Shared pieces of the window tests: the offscreen application, a recording stand-in for the
// desktop services, a notice server and a window fixture.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QApplication>
#include <QTest>
#include <QUrl>

#include "app/glyph_sheet.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/qt_text.h"
#include "app/window_services.h"
#include "tests/support/loopback_server.h"

namespace nc::testing {

// The one QApplication of a test binary, on the offscreen platform (no display needed).
inline QApplication& qtApp() {
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    auto* created = new QApplication(argc, argv);
    loadGlyphSheet();
    return created;
  }();
  return *app;
}

struct ShownMessage {
  QString text;
  MessageIcon icon;
};

// Records what the window asks of the desktop; never opens a dialog.
class RecordingServices : public WindowServices {
 public:
  void showMessage(const QString& text, MessageIcon icon) override { messages.push_back({text, icon}); }
  bool confirm(const QString& text, const QString& caption) override {
    confirmations.push_back(caption + QLatin1Char('|') + text);
    return confirmAnswer;
  }
  void openUrl(const QUrl& url) override { opened.push_back(url); }
  QString chooseDirectory(QWidget*, const QString& title, const QString&) override {
    browserTitles.push_back(title);
    return nextDirectory;
  }
  void endProgram(int exitCode) override { endCodes.push_back(exitCode); }

  bool sawMessage(std::string_view utf8) const {
    for (const auto& m : messages)
      if (m.text == fromUtf8(utf8)) return true;
    return false;
  }

  std::vector<ShownMessage> messages;
  std::vector<QString> confirmations;
  bool confirmAnswer = true;
  std::vector<QUrl> opened;
  std::vector<QString> browserTitles;
  QString nextDirectory;
  std::vector<int> endCodes;
};

// A notice file in the layout the notice server uses.
inline std::string noticeJson(const std::string& release, const std::string& pictureOn = "\"false\"",
                              const std::string& debug = "\"false\"",
                              const std::string& link = "https://example.org/get",
                              const std::string& picture1 = "", const std::string& picture2 = "") {
  return "{\"date\":{\"version_number\":\"" + release + "\",\"Picture_on\":" + pictureOn +
         ",\"debug\":" + debug +
         ",\"Attributes\":{\"information\":\"欢迎使用\",\"Check-for-updates\":\"请更新到新版本\","
         "\"download_link\":\"" +
         link + "\",\"Picture_output 1\":\"" + picture1 + "\",\"Picture_output 2\":\"" + picture2 + "\"}}}";
}

// A temporary directory removed at the end of the test.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nc-app-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace nc::testing
