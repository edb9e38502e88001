#include <gtest/gtest.h>

#include "demo-site/novel_site_server.h"
#include "script/json_object.h"
#include "script/regex_object.h"
#include "text/code_page.h"
#include "web/web_request.h"

namespace nc::demo {
namespace {

Text t(const std::string& utf8) { return utf8ToText(utf8); }

// Fetches a page as the program does and converts it to code page 936.
Text fetch(const std::string& url, const std::string& referer = {}, Text* status = nullptr) {
  WebRequestCall call;
  call.url = url;
  call.disableRedirects = true;
  if (!referer.empty()) call.extraHeaders = "Referer:" + referer;
  WebRequest(call);
  if (status != nullptr) *status = call.status;
  return utf8ToText(textUpToZero(call.responseBody));
}

class NovelSiteTest : public ::testing::Test {
 protected:
  static SiteOptions smallSite() {
    SiteOptions options;
    options.port = 0;
    options.content.pagesPerCategory = 2;
    options.content.booksPerPage = 3;
    options.content.chaptersPerBook = 4;
    options.content.paragraphsPerChapter = 3;
    return options;
  }

  void SetUp() override { ASSERT_TRUE(server_.start()); }

  NovelSiteServer server_{smallSite()};
};

TEST_F(NovelSiteTest, ListingsAnswerOnlyWithTheCategoryReferer) {
  std::string origin = server_.origin();
  Text status;
  Text page = fetch(origin + "/json?sortid=2&page=1", origin + "/wuxia/", &status);
  EXPECT_EQ(status, "200 OK");
  JsonObject listing;
  ASSERT_TRUE(listing.parse(page));
  ASSERT_EQ(listing.getCount(), 3);
  std::vector<ListingEntry> expected = server_.content().listing(2, 1);
  for (int k = 0; k < 3; ++k) {
    std::string index = "[" + std::to_string(k);
    EXPECT_EQ(listing.getText(index + "]['url_list']"), expected[k].urlList);
    EXPECT_EQ(listing.getText(index + "].author"), t(expected[k].author));
    EXPECT_EQ(listing.getText(index + "].articlename"), t(expected[k].title));
    EXPECT_EQ(listing.getText(index + "].intro"), t(expected[k].intro));
  }

  fetch(origin + "/json?sortid=2&page=1", {}, &status);
  EXPECT_EQ(status, "403 Forbidden");
  fetch(origin + "/json?sortid=2&page=1", origin + "/xuanhuan/", &status);
  EXPECT_EQ(status, "403 Forbidden");
  EXPECT_EQ(fetch(origin + "/json?sortid=2&page=3", origin + "/wuxia/"), "[]");
  EXPECT_EQ(server_.stats().forbidden, 2u);
}

TEST_F(NovelSiteTest, IndexAndChapterPagesReadAsTheDownloadJobReadsThem) {
  std::string origin = server_.origin();
  Text index = fetch(origin + NovelSiteContent::bookPath(7));
  RegexObject links;
  ASSERT_TRUE(links.execute("<a href =\"(.*?)\">", index));
  ASSERT_EQ(links.matchCount(), 4);
  EXPECT_NE(index.find(t("content=\"第4章")), Text::npos);
  for (int chapter = 1; chapter <= 4; ++chapter) {
    EXPECT_EQ(links.subMatchText(chapter, 1), NovelSiteContent::chapterPath(7, chapter));
    Text page = fetch(origin + links.subMatchText(chapter, 1));
    RegexObject paragraphs;
    ASSERT_TRUE(paragraphs.execute("<br /><br />(.*?)<br /><br />", page));
    std::vector<std::string> expected = server_.content().chapterParagraphs(7, chapter);
    ASSERT_EQ(paragraphs.matchCount(), static_cast<int>(expected.size()));
    for (std::size_t k = 0; k < expected.size(); ++k) {
      EXPECT_EQ(paragraphs.subMatchText(static_cast<int>(k) + 1, 1), t(expected[k]));
    }
    EXPECT_NE(page.find("<span class=\"title\">" + t(server_.content().chapterTitle(7, chapter)) + "</span>"),
              Text::npos);
  }
}

TEST_F(NovelSiteTest, NoticeAndPictures) {
  std::string origin = server_.origin();
  JsonObject notice;
  ASSERT_TRUE(notice.parse(fetch(origin + "/wp-content/novel_crawler.json")));
  EXPECT_EQ(notice.getText("date['version_number']"), "v1.1");
  EXPECT_EQ(notice.getText("date['Picture_on']"), "true");
  EXPECT_EQ(notice.getText("date.debug"), "false");
  EXPECT_FALSE(notice.getText("date.Attributes.information").empty());
  EXPECT_FALSE(notice.getText("date.Attributes['Check-for-updates']").empty());
  Text picture = notice.getText("date.Attributes['Picture_output 1']");
  EXPECT_EQ(picture, origin + "/wp-content/about-1.png");
  WebRequestCall call;
  call.url = picture;
  WebRequest(call);
  EXPECT_EQ(call.responseBody.substr(0, 8), "\x89PNG\r\n\x1A\n");
}

TEST(NovelSiteContentTest, SameOptionsSameSite) {
  NovelSiteContent first;
  NovelSiteContent second;
  EXPECT_EQ(first.listingJson(3, 2), second.listingJson(3, 2));
  EXPECT_EQ(first.chapterPage(100, 5), second.chapterPage(100, 5));
  ContentOptions otherSeed;
  otherSeed.seed = 2;
  EXPECT_NE(NovelSiteContent(otherSeed).chapterPage(100, 5), first.chapterPage(100, 5));
  // The default site carries the awkward cases.
  EXPECT_EQ(first.book(2)->title, "斗破/苍穹");
  EXPECT_EQ(first.chapterTitle(1, 3), first.chapterTitle(1, 2));
  EXPECT_TRUE(first.listing(1, 4).empty());
  EXPECT_TRUE(first.listing(10, 1).empty());
}

TEST(NovelSiteFaultTest, FaultsFollowTheSeed) {
  SiteOptions options;
  options.port = 0;
  options.https = false;
  options.faults.errorProbability = 0.3;
  options.faults.truncateProbability = 0.2;
  options.faults.seed = 7;
  std::array<std::uint64_t, 2> injected{};
  for (int run = 0; run < 2; ++run) {
    NovelSiteServer server(options);
    ASSERT_TRUE(server.start());
    int errors = 0;
    int cut = 0;
    for (int i = 0; i < 40; ++i) {
      WebRequestCall call;
      call.url = server.origin() + NovelSiteContent::chapterPath(1, 1);
      WebRequest(call);
      if (call.status == "500 Internal Server Error") ++errors;
      if (!call.bodyComplete) ++cut;
    }
    SiteStats stats = server.stats();
    EXPECT_EQ(stats.faults[static_cast<int>(FaultKind::error)], static_cast<std::uint64_t>(errors));
    EXPECT_EQ(stats.faults[static_cast<int>(FaultKind::truncate)], static_cast<std::uint64_t>(cut));
    EXPECT_GT(errors, 0);
    EXPECT_GT(cut, 0);
    injected[static_cast<std::size_t>(run)] = stats.totalFaults();
  }
  EXPECT_EQ(injected[0], injected[1]);
}

}  // namespace
}  // namespace nc::demo
