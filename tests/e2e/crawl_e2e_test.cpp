// The catalogue crawl against the demo site.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "catalogue/app_state.h"
#include "catalogue/catalogue_crawler.h"
#include "catalogue/category_table.h"
#include "tests/catalogue/recording_notifier.h"
#include "tests/e2e/demo_fixture.h"

namespace nc {
namespace {

using namespace std::chrono_literals;
constexpr auto kWait = 30s;

class CrawlE2eTest : public ::testing::Test {
 protected:
  void startSite(demo::SiteOptions options) {
    site_ = testing::startDemoSite(options);
    table_ = std::make_unique<CategoryTable>(site_->origin());
  }
  CrawlerOptions options() {
    CrawlerOptions options;
    options.origin = site_->origin();
    options.onFinished = [this](CrawlEnd end, std::size_t) { end_ = static_cast<int>(end); };
    return options;
  }

  std::unique_ptr<demo::NovelSiteServer> site_;
  std::unique_ptr<CategoryTable> table_;
  AppState state_;
  BookList books_;
  testing::RecordingNotifier notifier_;
  std::atomic<int> end_{-1};
};

TEST_F(CrawlE2eTest, ThreePagesThenAnEmptyOne) {
  demo::SiteOptions site = testing::smallSite();
  site.content.pagesPerCategory = 3;
  startSite(site);
  selectCategory(state_, *table_, 1);  // 武侠, sortid 2
  CatalogueCrawler crawler(state_, books_, notifier_, options());
  ASSERT_TRUE(crawler.start());
  ASSERT_TRUE(crawler.waitAll(kWait));
  EXPECT_EQ(notifier_.texts(), std::vector<std::string>{"已经全部获取完毕！"});
  EXPECT_EQ(end_, static_cast<int>(CrawlEnd::listingEnded));
  ASSERT_EQ(books_.rowCount(), 9u);
  std::size_t row = 0;
  for (int page = 1; page <= 3; ++page) {
    for (const demo::ListingEntry& entry : site_->content().listing(2, page)) {
      const BookRow cells = books_.row(row);
      EXPECT_EQ(cells[kColumnIndex], std::to_string(row));
      EXPECT_EQ(cells[kColumnUrl], site_->origin() + entry.urlList);
      EXPECT_EQ(cells[kColumnAuthor], utf8ToText(entry.author));
      EXPECT_EQ(cells[kColumnTitle], utf8ToText(entry.title));
      EXPECT_EQ(cells[kColumnIntro], utf8ToText(entry.intro));
      ++row;
    }
  }
  const demo::SiteStats stats = site_->stats();
  EXPECT_EQ(stats.requests[static_cast<int>(demo::RequestKind::listing)], 4u);
  EXPECT_EQ(stats.forbidden, 0u);  // every listing request carried the category page as referer
}

TEST_F(CrawlE2eTest, HostileTitlesArriveAsData) {
  startSite(testing::smallSite());
  selectCategory(state_, *table_, 0);
  CatalogueCrawler crawler(state_, books_, notifier_, options());
  ASSERT_TRUE(crawler.start());
  ASSERT_TRUE(crawler.waitAll(kWait));
  ASSERT_EQ(books_.rowCount(), 6u);
  EXPECT_EQ(textToUtf8(books_.cell(1, kColumnTitle)), "斗破/苍穹");
  EXPECT_EQ(textToUtf8(books_.cell(4, kColumnTitle)), "魔<法>|师*\"传\"");
}

TEST_F(CrawlE2eTest, AnUnreachableSiteFailsOnTheFirstPage) {
  startSite(testing::smallSite());
  selectCategory(state_, *table_, 3);
  site_->stop();
  CatalogueCrawler crawler(state_, books_, notifier_, options());
  ASSERT_TRUE(crawler.start());
  ASSERT_TRUE(crawler.waitAll(kWait));
  EXPECT_EQ(notifier_.texts(),
            std::vector<std::string>{"获取失败！该网站可能已被GFW封锁，请切换网络环境后重试！"});
  EXPECT_EQ(books_.rowCount(), 0u);
}

TEST_F(CrawlE2eTest, ASiteThatAnswersWithErrorsFailsOnTheFirstPage) {
  demo::SiteOptions site = testing::smallSite();
  site.faults.errorProbability = 1.0;
  startSite(site);
  selectCategory(state_, *table_, 5);
  CatalogueCrawler crawler(state_, books_, notifier_, options());
  ASSERT_TRUE(crawler.start());
  ASSERT_TRUE(crawler.waitAll(kWait));
  EXPECT_EQ(notifier_.texts(),
            std::vector<std::string>{"获取失败！该网站可能已被GFW封锁，请切换网络环境后重试！"});
  EXPECT_EQ(end_, static_cast<int>(CrawlEnd::nothingFound));
  EXPECT_EQ(books_.rowCount(), 0u);
}

TEST_F(CrawlE2eTest, StopDuringASlowCrawl) {
  demo::SiteOptions site = testing::smallSite();
  site.latencyMs = 1500;  // less than the stop wait: only an aborted request keeps page 1 out
  startSite(site);
  selectCategory(state_, *table_, 0);
  CatalogueCrawler crawler(state_, books_, notifier_, options());
  ASSERT_TRUE(crawler.start());
  std::this_thread::sleep_for(200ms);  // the first listing request is in flight
  crawler.stop();
  EXPECT_EQ(notifier_.texts(), std::vector<std::string>{"已销毁获取线程"});
  ASSERT_TRUE(crawler.waitAll(kWait));
  EXPECT_EQ(end_, static_cast<int>(CrawlEnd::stopped));
  EXPECT_EQ(books_.rowCount(), 0u);
}

}  // namespace
}  // namespace nc
