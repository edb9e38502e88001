#include "catalogue/catalogue_crawler.h"

#include <gtest/gtest.h>

#include <atomic>

#include "catalogue/app_state.h"
#include "catalogue/category_table.h"
#include "catalogue/crawl_handle.h"
#include "tests/catalogue/recording_notifier.h"
#include "tests/download/fake_site.h"
#include "text/code_page.h"

namespace nc {
namespace {

using namespace std::chrono_literals;

constexpr auto kWait = 20s;
const std::string kFailed = "获取失败！该网站可能已被GFW封锁，请切换网络环境后重试！";
const std::string kComplete = "已经全部获取完毕！";

std::string listing(int firstBook, int count) {
  std::string json = "[";
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(firstBook + i);
    if (i > 0) json += ",";
    json += "{\"url_list\":\"/book/" + n + "/\",\"author\":\"作者" + n + "\",\"articlename\":\"书" + n +
            "\",\"intro\":\"简介 \\\"" + n + "\\\"\",\"extra\":1}";
  }
  return json + "]";
}

class CatalogueCrawlerTest : public ::testing::Test {
 protected:
  void chooseCategory(int index) { selectCategory(state_, CategoryTable(site_.origin()), index); }
  std::string listingTarget(int sortId, int page) {
    return "/json?page=" + std::to_string(page) + "&sortid=" + std::to_string(sortId);
  }
  CrawlerOptions options() {
    CrawlerOptions options;
    options.origin = site_.origin();
    options.retryPause = 1ms;
    options.onFinished = [this](CrawlEnd end, std::size_t rows) {
      lastEnd_ = static_cast<int>(end);
      lastRows_ = rows;
    };
    return options;
  }

  testing::FakeSite site_;
  AppState state_;
  BookList books_;
  testing::RecordingNotifier notifier_;
  std::atomic<int> lastEnd_{-1};
  std::atomic<std::size_t> lastRows_{0};
};

TEST_F(CatalogueCrawlerTest, WithoutACategoryNothingStarts) {
  CatalogueCrawler crawler(state_, books_, notifier_, options());
  EXPECT_FALSE(crawler.start());
  EXPECT_EQ(notifier_.texts(), std::vector<std::string>{"请先到【下载设置】中进行选择分类后再尝试！"});
  EXPECT_EQ(notifier_.messages()[0].icon, MessageIcon::information);
  EXPECT_EQ(state_.crawlThread(), nullptr);
  EXPECT_TRUE(site_.log().empty());
}

TEST_F(CatalogueCrawlerTest, FailedPagesAreTriedAgainAndAFinalFailureIsNoCompletion) {
  site_.setPage(listingTarget(2, 1), listing(0, 3), "application/json");
  site_.setPage(listingTarget(2, 2), listing(3, 2), "application/json");
  site_.setPage(listingTarget(2, 3), listing(5, 1), "application/json");
  site_.failFirst(listingTarget(2, 2), 2);  // the third try succeeds
  site_.failFirst(listingTarget(2, 3), 3);  // every try fails
  chooseCategory(1);
  CrawlerOptions crawlOptions = options();
  crawlOptions.retryPause = 10ms;
  CatalogueCrawler crawler(state_, books_, notifier_, crawlOptions);
  ASSERT_TRUE(crawler.start());
  ASSERT_TRUE(crawler.waitAll(kWait));
  EXPECT_EQ(books_.rowCount(), 5u);  // pages 1 and 2 kept
  EXPECT_EQ(lastEnd_, static_cast<int>(CrawlEnd::pageFailed));
  EXPECT_EQ(notifier_.texts(), std::vector<std::string>{kFailed});
}

TEST_F(CatalogueCrawlerTest, PagesUntilAnEmptyPageThenSaysAllIsFetched) {
  // httplib hands the query back sorted by name, hence page before sortid.
  site_.setPage(listingTarget(2, 1), listing(0, 3), "application/json");
  site_.setPage(listingTarget(2, 2), listing(3, 2), "application/json");
  site_.setPage(listingTarget(2, 3), "[]", "application/json");
  chooseCategory(1);
  CatalogueCrawler crawler(state_, books_, notifier_, options());
  ASSERT_TRUE(crawler.start());
  ASSERT_TRUE(crawler.waitAll(kWait));
  EXPECT_EQ(notifier_.texts(), std::vector<std::string>{kComplete});
  EXPECT_EQ(lastEnd_, static_cast<int>(CrawlEnd::listingEnded));
  ASSERT_EQ(books_.rowCount(), 5u);
  const BookRow row = books_.row(4);
  EXPECT_EQ(row[kColumnIndex], "4");
  EXPECT_EQ(row[kColumnUrl], site_.origin() + "/book/4/");
  EXPECT_EQ(textToUtf8(row[kColumnAuthor]), "作者4");
  EXPECT_EQ(textToUtf8(row[kColumnTitle]), "书4");
  EXPECT_EQ(textToUtf8(row[kColumnIntro]), "简介 \"4\"");
  EXPECT_EQ(row[kColumnStatus], "");
  const auto log = site_.log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].referer, site_.origin() + "/wuxia/");
}

TEST_F(CatalogueCrawlerTest, ASecondCrawlAppendsAfterTheFirst) {
  site_.setPage(listingTarget(9, 1), listing(0, 2));
  site_.setPage(listingTarget(9, 2), "[]");
  chooseCategory(8);
  CatalogueCrawler crawler(state_, books_, notifier_, options());
  ASSERT_TRUE(crawler.start());
  ASSERT_TRUE(crawler.waitAll(kWait));
  ASSERT_TRUE(crawler.start());
  ASSERT_TRUE(crawler.waitAll(kWait));
  ASSERT_EQ(books_.rowCount(), 4u);
  EXPECT_EQ(books_.cell(3, kColumnIndex), "3");
  EXPECT_EQ(books_.cell(3, kColumnUrl), site_.origin() + "/book/1/");
}

TEST_F(CatalogueCrawlerTest, AnEmptyOrUnreadableFirstPageIsAFailure) {
  struct Case {
    const char* name;
    const char* body;  // nullptr: no such page (404)
  };
  const Case cases[] = {{"empty array", "[]"},
                        {"not json", "<html>blocked</html>"},
                        {"object", "{\"a\":1}"},
                        {"missing", nullptr}};
  chooseCategory(0);
  for (const Case& c : cases) {
    testing::RecordingNotifier notifier;
    if (c.body != nullptr) site_.setPage(listingTarget(1, 1), c.body);
    CatalogueCrawler crawler(state_, books_, notifier, options());
    ASSERT_TRUE(crawler.start());
    ASSERT_TRUE(crawler.waitAll(kWait));
    EXPECT_EQ(notifier.texts(), std::vector<std::string>{kFailed}) << c.name;
    EXPECT_EQ(lastEnd_, static_cast<int>(CrawlEnd::nothingFound)) << c.name;
  }
  EXPECT_EQ(books_.rowCount(), 0u);
}

TEST_F(CatalogueCrawlerTest, AnUnreachableSiteIsAFailure) {
  state_.setCategoryUrls({"http://127.0.0.1:1/json?sortid=1&page=**", "http://127.0.0.1:1/xuanhuan/"});
  CatalogueCrawler crawler(state_, books_, notifier_, options());
  ASSERT_TRUE(crawler.start());
  ASSERT_TRUE(crawler.waitAll(kWait));
  EXPECT_EQ(notifier_.texts(), std::vector<std::string>{kFailed});
}

TEST_F(CatalogueCrawlerTest, MissingMembersStillGiveARowAndEveryPlaceholderIsReplaced) {
  site_.setPage("/list/1/p1", "[{\"author\":null},{\"url_list\":\"/b/\",\"intro\":7}]");
  site_.setPage("/list/2/p2", "[]");
  state_.setCategoryUrls({site_.origin() + "/list/**/p**", site_.origin() + "/x/"});
  CatalogueCrawler crawler(state_, books_, notifier_, options());
  ASSERT_TRUE(crawler.start());
  ASSERT_TRUE(crawler.waitAll(kWait));
  ASSERT_EQ(books_.rowCount(), 2u);
  EXPECT_EQ(books_.cell(0, kColumnUrl), site_.origin());
  EXPECT_EQ(books_.cell(0, kColumnAuthor), "");
  EXPECT_EQ(books_.cell(1, kColumnUrl), site_.origin() + "/b/");
  EXPECT_EQ(notifier_.texts(), std::vector<std::string>{kComplete});
}

TEST_F(CatalogueCrawlerTest, PageLimitEndsSilently) {
  for (int page = 1; page <= 3; ++page) site_.setPage(listingTarget(3, page), listing(page * 10, 1));
  chooseCategory(2);
  CrawlerOptions limited = options();
  limited.maxPages = 3;
  CatalogueCrawler crawler(state_, books_, notifier_, limited);
  ASSERT_TRUE(crawler.start());
  ASSERT_TRUE(crawler.waitAll(kWait));
  EXPECT_TRUE(notifier_.texts().empty());
  EXPECT_EQ(lastEnd_, static_cast<int>(CrawlEnd::pageLimitReached));
  EXPECT_EQ(books_.rowCount(), 3u);
}

TEST_F(CatalogueCrawlerTest, HundredPagesAtMost) {
  site_.setPage("/all", listing(0, 1));
  state_.setCategoryUrls({site_.origin() + "/all", site_.origin() + "/x/"});
  CatalogueCrawler crawler(state_, books_, notifier_, options());
  ASSERT_TRUE(crawler.start());
  ASSERT_TRUE(crawler.waitAll(kWait));
  EXPECT_EQ(books_.rowCount(), 100u);
  EXPECT_TRUE(notifier_.texts().empty());
}

TEST_F(CatalogueCrawlerTest, StopBeforeAnyCrawlFails) {
  CatalogueCrawler crawler(state_, books_, notifier_, options());
  crawler.stop();
  EXPECT_EQ(notifier_.texts(), std::vector<std::string>{"销毁线程未能成功！"});
}

TEST_F(CatalogueCrawlerTest, StopDuringASlowCrawlKeepsItsRows) {
  site_.setPage(listingTarget(1, 1), listing(0, 2));
  site_.setPage(listingTarget(1, 2), listing(2, 2));
  site_.setDelay(listingTarget(1, 2), 5s);
  chooseCategory(0);
  CatalogueCrawler crawler(state_, books_, notifier_, options());
  ASSERT_TRUE(crawler.start());
  while (site_.hits(listingTarget(1, 2)) == 0) std::this_thread::sleep_for(5ms);
  crawler.stop();  // without aborting the request in flight this would report a failure
  EXPECT_EQ(notifier_.texts(), std::vector<std::string>{"已销毁获取线程"});
  ASSERT_TRUE(crawler.waitAll(kWait));
  EXPECT_EQ(lastEnd_, static_cast<int>(CrawlEnd::stopped));
  EXPECT_EQ(books_.rowCount(), 2u);
  EXPECT_EQ(notifier_.texts().size(), 1u);  // the stopped crawl shows no message of its own

  // A stop after the newest crawl has ended reports it as destroyed as well.
  crawler.stop();
  EXPECT_EQ(notifier_.texts().back(), "已销毁获取线程");
}

TEST_F(CatalogueCrawlerTest, CategoryChangeAppliesFromTheNextPage) {
  site_.setPage(listingTarget(1, 1), listing(0, 1));
  site_.setDelay(listingTarget(1, 1), 300ms);
  site_.setPage(listingTarget(2, 2), "[]");
  chooseCategory(0);
  CatalogueCrawler crawler(state_, books_, notifier_, options());
  ASSERT_TRUE(crawler.start());
  while (site_.hits(listingTarget(1, 1)) == 0) std::this_thread::sleep_for(5ms);
  chooseCategory(1);
  ASSERT_TRUE(crawler.waitAll(kWait));
  const auto log = site_.log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].target, listingTarget(2, 2));
  EXPECT_EQ(log[1].referer, site_.origin() + "/wuxia/");
}

TEST_F(CatalogueCrawlerTest, SeveralCrawlsAtOnce) {
  for (int page = 1; page <= 5; ++page) site_.setPage(listingTarget(4, page), listing(page * 10, 3));
  site_.setPage(listingTarget(4, 6), "[]");
  chooseCategory(3);
  CatalogueCrawler crawler(state_, books_, notifier_, options());
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(crawler.start());
  ASSERT_TRUE(crawler.waitAll(kWait));
  EXPECT_EQ(books_.rowCount(), 45u);
  EXPECT_EQ(notifier_.texts(), std::vector<std::string>(3, kComplete));
  for (std::size_t row = 0; row < books_.rowCount(); ++row)
    EXPECT_EQ(books_.cell(row, 0), std::to_string(row));
}

}  // namespace
}  // namespace nc
