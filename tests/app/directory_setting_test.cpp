// The download directory setting: config.ini byte for byte, the label, the browser, opening.
#include <fstream>
#include <iterator>

#include <QLabel>

#include "app/window_texts.h"
#include "catalogue/app_state.h"
#include "tests/app/window_fixture.h"
#include "text/code_page.h"

namespace nc::testing {
namespace {

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class DirectorySettingTest : public WindowFixture {
 protected:
  QLabel* directoryLabel() { return control<QLabel>("透明标签_目录"); }
  void pressChoose() {
    auto* choose = control<QLabel>("透明标签3");
    QTest::mousePress(choose, Qt::LeftButton, {}, choose->rect().center());
    QTest::mouseRelease(choose, Qt::LeftButton, {}, choose->rect().center());
  }
  void releaseOpen() {
    auto* open = control<QLabel>("透明标签4");
    QTest::mousePress(open, Qt::LeftButton, {}, open->rect().center());
    QTest::mouseRelease(open, Qt::LeftButton, {}, open->rect().center());
  }
};

TEST_F(DirectorySettingTest, FirstRunWithoutConfigShowsNothing) {
  ASSERT_TRUE(window_->create());
  EXPECT_TRUE(directoryLabel()->text().isEmpty());
  EXPECT_TRUE(program_->state().downloadDir().empty());
  EXPECT_FALSE(std::filesystem::exists(configPath_));
}

TEST_F(DirectorySettingTest, ChosenDirectoryIsStoredInCodePage936AndShown) {
  ASSERT_TRUE(window_->create());
  const std::string chosen = config_.path() + "/小说 下载";
  services_.nextDirectory = QString::fromStdString(chosen);
  pressChoose();
  ASSERT_EQ(services_.browserTitles.size(), 1u);
  EXPECT_EQ(services_.browserTitles[0], QString::fromUtf8("选择保存目录"));

  const Text expectedFile = "[Config]\r\n" + utf8ToText("路径") + "=" + utf8ToText(chosen) + "\r\n";
  EXPECT_EQ(readBytes(configPath_), expectedFile);
  EXPECT_EQ(program_->state().downloadDir(), utf8ToText(chosen));
  EXPECT_EQ(directoryLabel()->text(),
            QString::fromUtf8("当前选择路径为：\r\n\r\n") + QString::fromStdString(chosen));

  // A second start shows the stored directory at once.
  window_.reset();
  program_.reset();
  program_ = std::make_unique<Program>(services_);
  window_ = std::make_unique<MainWindow>(*program_, services_, configPath_, server_.origin());
  ASSERT_TRUE(window_->create());
  EXPECT_EQ(program_->state().downloadDir(), utf8ToText(chosen));
  EXPECT_EQ(directoryLabel()->text(),
            QString::fromUtf8("当前选择路径为：\r\n\r\n") + QString::fromStdString(chosen));
}

TEST_F(DirectorySettingTest, ChangingTheDirectoryRewritesOnlyTheKey) {
  {
    std::ofstream out(configPath_, std::ios::binary);
    out << "; kept\r\n[Other]\r\na=1\r\n[config]\r\n" << utf8ToText("路径") << " = /old\r\nb=2\r\n";
  }
  ASSERT_TRUE(window_->create());
  EXPECT_EQ(program_->state().downloadDir(), "/old");
  services_.nextDirectory = QStringLiteral("/srv/books");
  pressChoose();
  EXPECT_EQ(readBytes(configPath_),
            "; kept\r\n[Other]\r\na=1\r\n[config]\r\n" + utf8ToText("路径") + "=/srv/books\r\nb=2\r\n");
  EXPECT_EQ(program_->state().downloadDir(), "/srv/books");
}

TEST_F(DirectorySettingTest, CancelledBrowserKeepsThePreviousDirectory) {
  ASSERT_TRUE(window_->create());
  services_.nextDirectory = QStringLiteral("/srv/first");
  pressChoose();
  const std::string before = readBytes(configPath_);
  services_.nextDirectory.clear();
  pressChoose();
  EXPECT_EQ(program_->state().downloadDir(), "/srv/first");
  EXPECT_EQ(readBytes(configPath_), before);
  EXPECT_EQ(directoryLabel()->text(), QString::fromUtf8("当前选择路径为：\r\n\r\n/srv/first"));
}

TEST_F(DirectorySettingTest, UnwritableConfigGivesNoMessageAndKeepsWhatTheFileHolds) {
  ASSERT_TRUE(window_->create());
  services_.messages.clear();
  // A directory in the file's place cannot be written over (also not by the superuser).
  std::filesystem::create_directory(configPath_);
  services_.nextDirectory = QStringLiteral("/srv/books");
  pressChoose();
  EXPECT_TRUE(services_.messages.empty());
  EXPECT_TRUE(program_->state().downloadDir().empty());
  EXPECT_EQ(directoryLabel()->text(), QString::fromUtf8("当前选择路径为：\r\n\r\n/srv/books"));
}

TEST_F(DirectorySettingTest, OpenShowsTheDirectoryAndNothingWhenEmpty) {
  ASSERT_TRUE(window_->create());
  releaseOpen();
  EXPECT_TRUE(services_.opened.empty());
  services_.nextDirectory = QString::fromStdString(config_.path());
  pressChoose();
  releaseOpen();
  ASSERT_EQ(services_.opened.size(), 1u);
  EXPECT_EQ(services_.opened[0], QUrl::fromLocalFile(QString::fromStdString(config_.path())));
}

}  // namespace
}  // namespace nc::testing
