#include "catalogue/category_table.h"

#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "catalogue/app_state.h"
#include "catalogue/origins.h"
#include "pool/thread_pool.h"
#include "text/code_page.h"

namespace nc {
namespace {

const Text kOrigin = "https://novel.example";

TEST(CategoryTableTest, NineRowsInDropDownOrder) {
  const CategoryTable table(kOrigin);
  const std::vector<Text> entries = table.entryTexts();
  const char* expected[] = {"玄幻", "武侠", "都市", "历史", "网游", "科幻", "女生", "完本", "排行榜"};
  ASSERT_EQ(entries.size(), 9u);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(entries[i], utf8ToText(expected[i]));
    EXPECT_EQ(table.row(i).listingTemplate, kOrigin + "/json?sortid=" + std::to_string(i + 1) + "&page=**");
  }
  EXPECT_EQ(table.row(8).refererUrl, kOrigin + "/top/");
  EXPECT_EQ(table.row(6).refererUrl, kOrigin + "/mm/");
  EXPECT_EQ(table.row(0).refererUrl, kOrigin + "/xuanhuan/");
}

TEST(OriginsTest, EnvironmentOverridesTheBuildSetting) {
  ::setenv("NOVEL_SITE_ORIGIN", "http://127.0.0.1:9/", 1);
  ::setenv("NOTICE_SERVER_ORIGIN", "https://notice.example", 1);
  EXPECT_EQ(novelSiteOrigin(), "http://127.0.0.1:9");
  EXPECT_EQ(noticeServerOrigin(), "https://notice.example");
  ::setenv("NOVEL_SITE_ORIGIN", "", 1);
  ::unsetenv("NOTICE_SERVER_ORIGIN");
  EXPECT_EQ(novelSiteOrigin().rfind("http", 0), 0u);  // the build setting
  EXPECT_EQ(noticeServerOrigin().rfind("http", 0), 0u);
  ::unsetenv("NOVEL_SITE_ORIGIN");
}

}  // namespace
}  // namespace nc

namespace nc {
namespace {

TEST(SelectCategoryTest, StoresBothUrlsOfTheChosenRowOnly) {
  const CategoryTable table(kOrigin);
  AppState state;
  EXPECT_EQ(state.listingTemplate(), "");
  selectCategory(state, table, -1);  // no selection
  EXPECT_EQ(state.refererUrl(), "");
  selectCategory(state, table, 8);
  EXPECT_EQ(state.listingTemplate(), kOrigin + "/json?sortid=9&page=**");
  EXPECT_EQ(state.refererUrl(), kOrigin + "/top/");
  selectCategory(state, table, 7);
  selectCategory(state, table, 1);
  EXPECT_EQ(state.categoryUrls().listingTemplate, kOrigin + "/json?sortid=2&page=**");
  EXPECT_EQ(state.categoryUrls().refererUrl, kOrigin + "/wuxia/");
  selectCategory(state, table, 9);  // out of range: unchanged
  EXPECT_EQ(state.refererUrl(), kOrigin + "/wuxia/");
}

TEST(AppStateTest, StartsEmptyWithAnIdlePool) {
  AppState state;
  EXPECT_EQ(state.codePage(), 936);
  EXPECT_EQ(state.downloadDir(), "");
  EXPECT_EQ(state.crawlThread(), nullptr);
  EXPECT_FALSE(state.mergeChapters());
  EXPECT_EQ(state.downloadPool().threadCount(), 0);
  EXPECT_EQ(state.downloadPool().state(), ThreadPool::kIdle);
  const DownloadSettings settings = state.downloadSettings();
  EXPECT_FALSE(settings.pooledMode);
  EXPECT_FALSE(settings.singleThreadMode);
  EXPECT_EQ(settings.minThreadsText, "5");
  EXPECT_EQ(settings.maxThreadsText, "10");
}

TEST(AppStateTest, OsVersionIsTheKernelsMajorAndMinor) {
  utsname names{};
  ASSERT_EQ(uname(&names), 0);
  unsigned major = 0, minor = 0;
  ASSERT_EQ(std::sscanf(names.release, "%u.%u", &major, &minor), 2);
  AppState state;
  EXPECT_EQ(state.osVersion(), ((major & 0xFF) << 8) | (minor & 0xFF));
}

TEST(AppStateTest, WorkersAlwaysReadWholeValues) {
  AppState state;
  const CategoryUrls first{"https://a/json?sortid=1&page=**", "https://a/xuanhuan/"};
  const CategoryUrls second{"https://b/json?sortid=2&page=**", "https://b/wuxia/"};
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i) {
      state.setCategoryUrls(i % 2 ? first : second);
      state.setDownloadDir(i % 2 ? "/tmp/a" : "/tmp/bbbbbbbb");
    }
    done = true;
  });
  while (!done) {
    const CategoryUrls urls = state.categoryUrls();
    const bool whole =
        (urls.listingTemplate == first.listingTemplate && urls.refererUrl == first.refererUrl) ||
        (urls.listingTemplate == second.listingTemplate && urls.refererUrl == second.refererUrl) ||
        urls.listingTemplate.empty();
    ASSERT_TRUE(whole);
    const Text dir = state.downloadDir();
    ASSERT_TRUE(dir.empty() || dir == "/tmp/a" || dir == "/tmp/bbbbbbbb");
  }
  writer.join();
}

}  // namespace
}  // namespace nc
