// The book download against the demo site: file by file, in both thread modes.
#include <gtest/gtest.h>

#include "catalogue/app_state.h"
#include "download/download_dispatcher.h"
#include "tests/catalogue/recording_notifier.h"
#include "tests/e2e/demo_fixture.h"

namespace nc {
namespace {

using namespace std::chrono_literals;
constexpr auto kWait = 60s;
constexpr int kSortId = 1;  // its first page holds the hostile titles

class DownloadE2eTest : public ::testing::Test {
 protected:
  DownloadE2eTest() { state_.setDownloadDir(utf8ToText(downloadDir_)); }

  void startSite(demo::SiteOptions options) { site_ = testing::startDemoSite(options); }

  std::optional<DownloadSummary> download(bool pooled, std::chrono::milliseconds retryPause = 1ms) {
    state_.setPooledMode(pooled);
    state_.setSingleThreadMode(!pooled);
    DispatcherOptions options;
    options.origin = site_->origin();
    options.retryPause = retryPause;
    DownloadDispatcher dispatcher(state_, books_, notifier_, options);
    EXPECT_TRUE(dispatcher.start());
    EXPECT_TRUE(dispatcher.waitFinished(kWait));
    return dispatcher.lastSummary();
  }

  std::string status(std::size_t row) { return textToUtf8(books_.cell(row, kColumnStatus)); }

  testing::TempDir temp_;
  const std::string downloadDir_ = temp_.path() + "/books";
  std::unique_ptr<demo::NovelSiteServer> site_;
  AppState state_;
  BookList books_;
  testing::RecordingNotifier notifier_;
};

TEST_F(DownloadE2eTest, SingleThreadTwoBooksFileByFile) {
  startSite(testing::smallSite());
  testing::appendListing(books_, *site_, kSortId, 2);  // the first repeats a chapter title
  const auto summary = download(false);
  ASSERT_TRUE(summary.has_value());
  EXPECT_EQ(summary->chaptersWritten, 12u);
  EXPECT_EQ(summary->chaptersFailed, 0u);
  EXPECT_EQ(testing::filesBelow(downloadDir_), testing::expectedFiles(*site_, kSortId, 2, false));
  EXPECT_EQ(status(0), "当前下载：6 / 6 章节总数");
  EXPECT_EQ(status(1), "当前下载：6 / 6 章节总数");
  EXPECT_TRUE(notifier_.texts().empty());
}

TEST_F(DownloadE2eTest, PooledGivesTheSameFiles) {
  startSite(testing::smallSite());
  testing::appendListing(books_, *site_, kSortId, 2);
  download(true);
  EXPECT_EQ(testing::filesBelow(downloadDir_), testing::expectedFiles(*site_, kSortId, 2, false));
  EXPECT_EQ(status(1), "当前下载：6 / 6 章节总数");
}

TEST_F(DownloadE2eTest, HostileTitlesStayInsideTheDownloadDirectory) {
  demo::SiteOptions site = testing::smallSite();
  site.content.booksPerPage = 6;  // books 2-6 carry titles with "/", ":", "?", "..", control characters
  site.content.chaptersPerBook = 2;
  startSite(site);
  testing::appendListing(books_, *site_, kSortId, 6);
  download(true);
  EXPECT_EQ(testing::listDirectory(temp_.path()), std::vector<std::string>{"books"});
  EXPECT_EQ(testing::filesBelow(downloadDir_), testing::expectedFiles(*site_, kSortId, 6, false));
  EXPECT_EQ(testing::listDirectory(downloadDir_).size(), 6u);
  for (const auto& [path, content] : testing::filesBelow(downloadDir_)) {
    EXPECT_EQ(std::count(path.begin(), path.end(), '/'), 1) << path;
  }
}

TEST_F(DownloadE2eTest, MergeWritesOneFilePerBook) {
  startSite(testing::smallSite());
  testing::appendListing(books_, *site_, kSortId, 2);
  state_.setMergeChapters(true);
  download(true);
  EXPECT_EQ(testing::filesBelow(downloadDir_), testing::expectedFiles(*site_, kSortId, 2, true));
}

TEST_F(DownloadE2eTest, StopDuringADownloadLeavesOnlyWholeChapters) {
  demo::SiteOptions site = testing::smallSite();
  site.latencyMs = 150;
  startSite(site);
  testing::appendListing(books_, *site_, kSortId, 2);
  state_.setSingleThreadMode(true);
  DispatcherOptions options;
  options.origin = site_->origin();
  DownloadDispatcher dispatcher(state_, books_, notifier_, options);
  ASSERT_TRUE(dispatcher.start());
  while (dispatcher.progress().chaptersDone < 2) std::this_thread::sleep_for(5ms);
  dispatcher.stop();
  EXPECT_FALSE(dispatcher.isRunning());
  const auto summary = dispatcher.lastSummary();
  ASSERT_TRUE(summary.has_value());
  EXPECT_TRUE(summary->stopped);
  const auto expected = testing::expectedFiles(*site_, kSortId, 2, false);
  const auto written = testing::filesBelow(downloadDir_);
  EXPECT_EQ(written.size(), summary->chaptersWritten);
  EXPECT_LT(written.size(), expected.size());
  for (const auto& [path, content] : written) EXPECT_EQ(content, expected.at(path)) << path;
}

TEST_F(DownloadE2eTest, FaultsAtTenPercentLoseNoChapter) {
  demo::SiteOptions site = testing::smallSite();
  site.content.chaptersPerBook = 20;
  site.faults.errorProbability = 0.04;
  site.faults.resetProbability = 0.03;
  site.faults.truncateProbability = 0.03;
  site.faults.onlyChapters = true;
  // The fault draw follows the request count, so one thread makes the run repeatable; with three
  // attempts a chapter is lost only when three draws in a row fault, which this seed avoids.
  site.faults.seed = 1;
  startSite(site);
  testing::appendListing(books_, *site_, kSortId, 3);
  const auto summary = download(false);
  ASSERT_TRUE(summary.has_value());
  EXPECT_GT(site_->stats().totalFaults(), 0u);
  EXPECT_EQ(summary->chaptersFailed, 0u);
  EXPECT_EQ(testing::filesBelow(downloadDir_), testing::expectedFiles(*site_, kSortId, 3, false));
}

}  // namespace
}  // namespace nc
