#include "web/header_operations.h"

#include <gtest/gtest.h>

#include "text/code_page.h"

namespace nc {
namespace {

Text t(const char* utf8) {
  return utf8ToText(utf8);
}

TEST(HeaderOperationsTest, SplittingKeepsInnerEmptyPiecesOnly) {
  struct Case {
    const char* text;
    std::vector<Text> pieces;
  };
  const Case cases[] = {
      {"", {}},           {"a", {"a"}},   {"a; b", {"a", "b"}}, {"a; ; b", {"a", "", "b"}},
      {"; a", {"", "a"}}, {"a; ", {"a"}},
  };
  for (const Case& c : cases) EXPECT_EQ(splitText(c.text, "; "), c.pieces) << c.text;
}

TEST(HeaderOperationsTest, SearchesStepOverDoubleByteCharacters) {
  // "\xB0\x61" is one double-byte character whose trail byte is "a".
  EXPECT_EQ(findText("\xB0\x61"
                     "a",
                     "a"),
            2u);
  EXPECT_EQ(findText("\xB0\x61", "a"), kNotFound);
  EXPECT_EQ(findTextIgnoreCase("xCOOKIE:", "cookie:"), 1u);
}

TEST(HeaderOperationsTest, TrimRemovesBlanksAndFullWidthSpaces) {
  EXPECT_EQ(trimText("  a b  "), "a b");
  EXPECT_EQ(trimText("\xA1\xA1 a\xA1\xA1"), "a");
  EXPECT_EQ(trimText("\ta\n"), "\ta\n");
  EXPECT_EQ(trimText("   "), "");
}

TEST(HeaderOperationsTest, NormaliseHeaders) {
  struct Case {
    Text block;
    Text normalised;
  };
  const Case cases[] = {
      {"user-agent: x\r\naccept-encoding: identity\r\n", "User-Agent: x\r\nAccept-Encoding: identity"},
      {"Referer:https://a.b/c", "Referer:https://a.b/c"},
      {"no colon here\r\nx-y-z: v", "X-Y-Z: v"},
      {"x-: v", "X-: v"},
      {t("中-a: v"), t("中-A: v")},
      {"content-type: text/x-value", "Content-Type: text/x-value"},
      {"nothing", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(normaliseHeaders(c.block), c.normalised) << c.block;
  EXPECT_EQ(capitaliseFirst("abc"), "Abc");
  EXPECT_EQ(capitaliseFirst("1bc"), "1bc");
}

TEST(HeaderOperationsTest, HeaderValueAndTextAfterLast) {
  EXPECT_EQ(headerValue("Host: h\r\nConnection: keep-alive", "Connection"), "keep-alive");
  EXPECT_EQ(headerValue("Connection:keep-alive", "Connection"), "");
  EXPECT_EQ(headerValue("Host: h", "Connection"), "");
  EXPECT_EQ(textAfterLast("a=b=c", "="), "c");
  EXPECT_EQ(textAfterLast("abc", "x"), "");
}

TEST(HeaderOperationsTest, ExtractSetCookiesKeepsOnlyNameValueParts) {
  std::vector<Text> lines = {"HTTP/1.1 200 OK", "Set-Cookie: a=1; path=/", "SET-COOKIE: b=2",
                             "set-cookie:  c=3 ; expires=Thu, 01 Jan 2037 00:00:00 GMT",
                             "X-Set-Cookie: d=4;"};
  EXPECT_EQ(extractSetCookies(lines), "a=1; c=3");
  EXPECT_EQ(extractSetCookies({}), "");
}

TEST(HeaderOperationsTest, MergeCookieText) {
  struct Case {
    Text oldCookies;
    Text newCookies;
    Text merged;
  };
  const Case cases[] = {
      {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
      {"a=1; b=2", "a=deleted", "b=2"},
      {"a=1;", "", "a=1"},
      {"a=1; a=2", "", "a=1"},
      {"", "x=1; x=1", "x=1"},
      {"  a=1  ", "  ", "a=1"},
  };
  for (const Case& c : cases) {
    Text oldCookies = c.oldCookies;
    Text newCookies = c.newCookies;
    EXPECT_EQ(mergeCookieText(oldCookies, newCookies), c.merged) << c.oldCookies << " + " << c.newCookies;
    EXPECT_EQ(oldCookies, c.merged);
  }
}

TEST(HeaderOperationsTest, CookieItemsAndDuplicates) {
  EXPECT_EQ(cookieName(" a = 1"), "a");
  EXPECT_EQ(cookieName(" flag "), "flag");
  EXPECT_TRUE(hasCookieNamed({"a=1", "b=2"}, "b"));
  EXPECT_FALSE(hasCookieNamed({"a=1"}, "A"));
  EXPECT_EQ(removeDuplicateItems("a; b; a; c", "; "), "a; b; c");
  EXPECT_EQ(removeDuplicateItems("", "; "), "");
  EXPECT_EQ(indexOfItem({"x", "y"}, "y"), 2);
  EXPECT_EQ(indexOfItem({"x", "y"}, "z"), -1);
}

}  // namespace
}  // namespace nc
