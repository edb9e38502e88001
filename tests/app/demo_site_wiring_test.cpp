// The window's buttons driving the core against the demo site: a crawl fills the view, a
// download fills the status column, a stop keeps the rows.
#include <filesystem>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/book_table_model.h"
#include "app/window_texts.h"
#include "catalogue/app_state.h"
#include "catalogue/catalogue_crawler.h"
#include "demo-site/novel_site_server.h"
#include "download/download_dispatcher.h"
#include "tests/app/app_test_support.h"

#include <gtest/gtest.h>

namespace nc::testing {
namespace {

constexpr int kPages = 2;
constexpr int kBooksPerPage = 4;
constexpr int kChapters = 3;
constexpr int kWaitMs = 20000;

demo::SiteOptions siteOptions(int latencyMs, int pages) {
  demo::SiteOptions options;
  options.port = 0;
  options.latencyMs = latencyMs;
  options.threads = 8;
  options.content.pagesPerCategory = pages;
  options.content.booksPerPage = kBooksPerPage;
  options.content.chaptersPerBook = kChapters;
  options.content.paragraphsPerChapter = 2;
  options.content.paragraphChars = 20;
  options.content.hostileTitles = false;
  return options;
}

class DemoSiteWiringTest : public ::testing::Test {
 protected:
  void open(int latencyMs = 0, int pages = kPages) {
    qtApp();
    site_ = std::make_unique<demo::NovelSiteServer>(siteOptions(latencyMs, pages));
    ASSERT_TRUE(site_->start());
    ::setenv("NOVEL_SITE_ORIGIN", site_->origin().c_str(), 1);
    program_ = std::make_unique<Program>(services_);
    window_ =
        std::make_unique<MainWindow>(*program_, services_, config_.path() + "/config.ini", site_->origin());
    ASSERT_TRUE(window_->create());
    ASSERT_EQ(services_.endCodes.size(), 0u);
    services_.messages.clear();
  }

  void TearDown() override {
    window_.reset();
    program_.reset();
    ::unsetenv("NOVEL_SITE_ORIGIN");
    if (site_) site_->stop();
  }

  template <typename T>
  T* control(const char* name) const {
    return window_->findChild<T*>(QString::fromUtf8(name));
  }

  void chooseCategory(int index) { control<QComboBox>("组合框1")->setCurrentIndex(index); }
  void press(const char* button) { control<QPushButton>(button)->click(); }

  bool waitForMessage(std::string_view text) {
    return QTest::qWaitFor([&] { return services_.sawMessage(text); }, kWaitMs);
  }

  QString cell(int row, int column) const {
    const auto* model = window_->bookModel();
    return model->data(model->index(row, column)).toString();
  }

  RecordingServices services_;
  TempDir config_;
  TempDir downloads_;
  std::unique_ptr<demo::NovelSiteServer> site_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(DemoSiteWiringTest, CrawlFillsTheViewAndEndsWithItsMessage) {
  open();
  chooseCategory(1);  // 武侠, sortid 2
  press("超级按钮_爬虫开始");
  ASSERT_TRUE(waitForMessage(texts::kCrawlComplete));
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return window_->bookModel()->rowCount() == kPages * kBooksPerPage; }, kWaitMs));
  const auto first = site_->content().listing(2, 1);
  const auto second = site_->content().listing(2, 2);
  ASSERT_EQ(first.size(), static_cast<std::size_t>(kBooksPerPage));
  EXPECT_EQ(cell(0, 0), QStringLiteral("0"));
  EXPECT_EQ(cell(0, 1), QString::fromStdString(site_->origin() + first[0].urlList));
  EXPECT_EQ(cell(0, 2), QString::fromStdString(first[0].author));
  EXPECT_EQ(cell(0, 3), QString::fromStdString(first[0].title));
  EXPECT_EQ(cell(0, 4), QString::fromStdString(first[0].intro));
  EXPECT_EQ(cell(kBooksPerPage, 3), QString::fromStdString(second[0].title));
  EXPECT_EQ(cell(kPages * kBooksPerPage - 1, 0), QString::number(kPages * kBooksPerPage - 1));
  EXPECT_TRUE(cell(0, 5).isEmpty());
}

TEST_F(DemoSiteWiringTest, SingleThreadDownloadFillsTheStatusColumnAndWritesChapters) {
  open();
  chooseCategory(0);
  press("超级按钮_爬虫开始");
  ASSERT_TRUE(waitForMessage(texts::kCrawlComplete));
  services_.nextDirectory = QString::fromStdString(downloads_.path());
  auto* choose = control<QLabel>("透明标签3");
  QTest::mousePress(choose, Qt::LeftButton, {}, choose->rect().center());
  control<QCheckBox>("选择框2")->click();
  press("超级按钮_下载");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !program_->dispatcher().isRunning(); }, kWaitMs));
  window_->bookModel()->applyChanges();
  const int rows = window_->bookModel()->rowCount();
  ASSERT_EQ(rows, kPages * kBooksPerPage);
  const QString done = fromUtf8(texts::kProgressPrefix) + QStringLiteral("%1 / %1").arg(kChapters) +
                       fromUtf8(texts::kProgressSuffix);
  for (int row = 0; row < rows; ++row) {
    EXPECT_EQ(cell(row, 5), done) << row;
    const std::filesystem::path book = std::filesystem::path(downloads_.path()) / cell(row, 3).toStdString();
    EXPECT_TRUE(std::filesystem::is_directory(book)) << book;
  }
  EXPECT_FALSE(services_.sawMessage(texts::kChooseThreadMode));
}

TEST_F(DemoSiteWiringTest, PooledDownloadFillsTheStatusColumnToo) {
  open();
  chooseCategory(2);
  press("超级按钮_爬虫开始");
  ASSERT_TRUE(waitForMessage(texts::kCrawlComplete));
  program_->state().setDownloadDir(downloads_.path());
  control<QCheckBox>("选择框1")->click();
  press("超级按钮_下载");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !program_->dispatcher().isRunning(); }, kWaitMs));
  window_->bookModel()->applyChanges();
  for (int row = 0; row < window_->bookModel()->rowCount(); ++row)
    EXPECT_TRUE(cell(row, 5).startsWith(fromUtf8(texts::kProgressPrefix))) << row;
  EXPECT_TRUE(services_.endCodes.empty());  // the pooled mode no longer ends the program
}

TEST_F(DemoSiteWiringTest, StopKeepsTheRowsAndSaysSo) {
  open(/*latencyMs=*/40, /*pages=*/50);
  chooseCategory(8);
  press("超级按钮_爬虫开始");
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return window_->bookModel()->rowCount() >= 2 * kBooksPerPage; }, kWaitMs));
  press("超级按钮_停止获取");
  EXPECT_TRUE(services_.sawMessage(texts::kCrawlStopped));
  ASSERT_TRUE(program_->crawler().waitAll(std::chrono::milliseconds(kWaitMs)));
  window_->bookModel()->applyChanges();
  const int kept = window_->bookModel()->rowCount();
  EXPECT_GE(kept, 2 * kBooksPerPage);
  EXPECT_LT(kept, 50 * kBooksPerPage);
  QTest::qWait(200);
  window_->bookModel()->applyChanges();
  EXPECT_EQ(window_->bookModel()->rowCount(), kept);  // nothing more arrives after the stop
  EXPECT_FALSE(services_.sawMessage(texts::kCrawlComplete));
}

}  // namespace
}  // namespace nc::testing
