#include "catalogue/category_table.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "catalogue/origins.h"
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
