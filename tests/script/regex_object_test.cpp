#include "script/regex_object.h"

#include <gtest/gtest.h>

#include <string>

#include "text/code_page.h"

namespace nc {
namespace {

Text t(const char* utf8) {
  return utf8ToText(utf8);
}

constexpr const char* kLinkPattern = "<a href =\"(.*?)\">";
constexpr const char* kParagraphPattern = "<br /><br />(.*?)<br /><br />";

TEST(RegexObjectTest, FreshObjectHasNothing) {
  RegexObject regex;
  EXPECT_EQ(regex.matchCount(), 0);
  EXPECT_EQ(regex.subMatchCount(), 0);
  EXPECT_EQ(regex.matchText(1), "");
  EXPECT_EQ(regex.pattern(), "");
  EXPECT_EQ(regex.replace("x"), "");
}

TEST(RegexObjectTest, LinksAreFoundInOrderRegardlessOfCase) {
  RegexObject regex;
  ASSERT_TRUE(regex.execute(kLinkPattern,
                            "<a href =\"/b/1.html\">one</a>\n<A HREF =\"/b/2.html\">two</A>"
                            "<a href =\"/b/3.html\" class=\"x\"><a href =\"/b/4.html\">"));
  ASSERT_EQ(regex.matchCount(), 4);
  EXPECT_EQ(regex.subMatchText(1, 1), "/b/1.html");
  EXPECT_EQ(regex.subMatchText(2, 1), "/b/2.html");
  // The lazy group runs to the first quote that is directly followed by ">".
  EXPECT_EQ(regex.subMatchText(3, 1), "/b/3.html\" class=\"x");
  EXPECT_EQ(regex.subMatchText(4, 1), "/b/4.html");
  EXPECT_EQ(regex.subMatchCount(), 1);
}

TEST(RegexObjectTest, IndexesOutOfRangeGiveEmptyText) {
  RegexObject regex;
  ASSERT_TRUE(regex.execute("(a)(b)?", "a a"));
  ASSERT_EQ(regex.matchCount(), 2);
  struct Case {
    int match;
    int group;
  };
  for (const Case& c :
       {Case{0, 1}, Case{-1, 1}, Case{3, 1}, Case{1, 0}, Case{1, 3}, Case{1, -2}, Case{1, 2}}) {
    EXPECT_EQ(regex.subMatchText(c.match, c.group), "") << c.match << "," << c.group;
  }
  EXPECT_EQ(regex.matchText(0), "");
  EXPECT_EQ(regex.matchText(3), "");
  EXPECT_EQ(regex.matchText(2), "a");
}

TEST(RegexObjectTest, ParagraphsDoNotCrossLineFeedsOrOverlap) {
  RegexObject regex;
  Text page =
      t("<br /><br />第一段<br /><br />\n<br /><br />第二段<br /><br />\n<br /><br />跨\n行<br /><br />");
  ASSERT_TRUE(regex.execute(kParagraphPattern, page));
  ASSERT_EQ(regex.matchCount(), 2);
  EXPECT_EQ(regex.subMatchText(1, 1), t("第一段"));
  EXPECT_EQ(regex.subMatchText(2, 1), t("第二段"));

  ASSERT_TRUE(regex.execute(kParagraphPattern, "<br /><br />a<br /><br />b<br /><br />c<br /><br />"));
  ASSERT_EQ(regex.matchCount(), 2);  // the closing marker of one match does not open the next
  EXPECT_EQ(regex.subMatchText(2, 1), "c");
}

TEST(RegexObjectTest, OptionsChangeTheMatch) {
  RegexObject regex;
  ASSERT_TRUE(regex.execute("abc", "ABC abc", /*caseSensitive=*/true));
  EXPECT_EQ(regex.matchCount(), 1);
  ASSERT_TRUE(regex.execute("abc", "ABC abc", false, true, /*global=*/false));
  EXPECT_EQ(regex.matchCount(), 1);
  EXPECT_EQ(regex.matchText(1), "ABC");
  ASSERT_TRUE(regex.execute("^x$", "x\nx"));
  EXPECT_EQ(regex.matchCount(), 2);
  ASSERT_TRUE(regex.execute("^x$", "x\nx", false, /*multiline=*/false));
  EXPECT_EQ(regex.matchCount(), 0);
  ASSERT_TRUE(regex.execute("\\w+", t("ab_1中文")));
  EXPECT_EQ(regex.matchText(1), "ab_1");  // \w is ASCII only
}

TEST(RegexObjectTest, InvalidPatternFailsWithoutMatches) {
  RegexObject regex;
  ASSERT_TRUE(regex.execute("a", "a"));
  EXPECT_FALSE(regex.execute("(a", "a"));
  EXPECT_EQ(regex.matchCount(), 0);
  EXPECT_EQ(regex.subMatchText(1, 1), "");
}

TEST(RegexObjectTest, NoMatchStillSucceeds) {
  RegexObject regex;
  EXPECT_TRUE(regex.execute(kLinkPattern, "nothing here"));
  EXPECT_EQ(regex.matchCount(), 0);
  EXPECT_EQ(regex.subMatchCount(), 0);
}

TEST(RegexObjectTest, QuoteSubstitution) {
  RegexObject regex;
  ASSERT_TRUE(regex.execute(t("title=#引号(.*?)#引号"), "<x title=\"Hello\">", false, true, true, true));
  EXPECT_EQ(regex.pattern(), "title=\"(.*?)\"");
  EXPECT_EQ(regex.subMatchText(1, 1), "Hello");
  ASSERT_TRUE(regex.execute(t("#引号"), "\"", false, true, true, false));
  EXPECT_EQ(regex.matchCount(), 0);
}

TEST(RegexObjectTest, ReplaceUsesGroupReferences) {
  RegexObject regex;
  ASSERT_TRUE(regex.execute("<b>(.*?)</b>", t("<b>粗</b> and <b>x</b>")));
  EXPECT_EQ(regex.replace("[$1]"), t("[粗] and [x]"));
  ASSERT_TRUE(regex.execute("<b>(.*?)</b>", "<b>a</b><b>b</b>", false, true, false));
  EXPECT_EQ(regex.replace("$1"), "a<b>b</b>");
}

TEST(RegexObjectTest, PositionsAreByteOffsetsInTheSubject) {
  RegexObject regex;
  ASSERT_TRUE(regex.execute("(b+)", t("中文abbb中b")));
  int position = -1;
  EXPECT_EQ(regex.matchText(1, &position), "bbb");
  EXPECT_EQ(position, 5);  // two double-byte characters and "a"
  EXPECT_EQ(regex.subMatchText(2, 1, &position), "b");
  EXPECT_EQ(position, 10);
}

TEST(RegexObjectTest, PositionsInAnyOrderOverChineseText) {
  Text subject;
  for (int i = 0; i < 200; ++i) subject += t("章节x");
  RegexObject regex;
  ASSERT_TRUE(regex.execute("x", subject));
  ASSERT_EQ(regex.matchCount(), 200);
  const int order[] = {1, 2, 200, 100, 3, 150, 150, 1};
  for (int index : order) {
    int position = -1;
    EXPECT_EQ(regex.matchText(index, &position), "x");
    EXPECT_EQ(position, index * 5 - 1) << index;
  }
  RegexObject copy = regex;
  int position = -1;
  EXPECT_EQ(copy.subMatchText(1, 1, &position), "");
  EXPECT_EQ(position, -1);  // untouched for a missing group
}

TEST(RegexObjectTest, SecondExecuteForgetsTheFirst) {
  RegexObject regex;
  ASSERT_TRUE(regex.execute("a", "aaa"));
  ASSERT_TRUE(regex.execute("b", "b"));
  EXPECT_EQ(regex.matchCount(), 1);
}

TEST(RegexObjectTest, EmptyMatchesAdvance) {
  RegexObject regex;
  ASSERT_TRUE(regex.execute("x*", t("a中")));
  EXPECT_EQ(regex.matchCount(), 3);
}

TEST(RegexObjectTest, LargePagesAndCatastrophicPatternsEnd) {
  std::string page;
  for (int i = 0; i < 40000; ++i) page += "<br /><br />paragraph text of a chapter<br /><br />\n";
  RegexObject regex;
  ASSERT_TRUE(regex.execute(kParagraphPattern, page));  // about 2 MB
  EXPECT_EQ(regex.matchCount(), 40000);

  std::string unclosed(2 * 1024 * 1024, 'a');
  ASSERT_TRUE(regex.execute("<br /><br />(.*?)<br /><br />", "<br /><br />" + unclosed));
  EXPECT_EQ(regex.matchCount(), 0);
  // Exponential backtracking stops at the match limit instead of running for ever.
  EXPECT_TRUE(regex.execute("(a+)+b", std::string(40, 'a')));
  EXPECT_EQ(regex.matchCount(), 0);
}

}  // namespace
}  // namespace nc
