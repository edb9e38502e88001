#include "download/text_between.h"

#include <gtest/gtest.h>

#include "text/code_page.h"

namespace nc {
namespace {

struct BetweenCase {
  const char* name;
  const char* text;  // UTF-8, converted to code page 936
  const char* start;
  const char* end;
  std::size_t position;
  bool ignoreCase;
  const char* expected;
};

const BetweenCase kCases[] = {
    {"plain", "<span class=\"title\">第一章</span>", "<span class=\"title\">", "</span>", 0, false, "第一章"},
    {"first start, first end after it", "[a][b]", "[", "]", 0, false, "a"},
    {"missing start", "abc", "x", "c", 0, false, ""},
    {"missing end", "abc", "a", "x", 0, false, ""},
    {"end before start is not taken", "]x[y]", "[", "]", 0, false, "y"},
    {"end may follow directly", "ab", "a", "b", 0, false, ""},
    {"start and end overlap not", "aXa", "a", "a", 0, false, "X"},
    {"quote marker in start", "x=\"abc\"", "#引号a", "#引号", 0, false, "bc"},
    {"quote marker twice", "k=\"v\"", "#引号#引号", "x", 0, false, ""},
    {"chapter total", "<meta content=\"第1234章 新\">", "content=\"第", "章", 0, false, "1234"},
    {"start position skips", "[a][b]", "[", "]", 4, false, "b"},
    {"start position 1 is the beginning", "[a][b]", "[", "]", 1, false, "a"},
    {"start position past the end", "[a]", "[", "]", 99, false, ""},
    {"case-sensitive by default", "<B>x</b>", "<b>", "</b>", 0, false, ""},
    {"ignore case", "<B>x</b>", "<b>", "</B>", 0, true, "x"},
    {"empty start marker", "abc", "", "c", 0, false, ""},
};

TEST(TextBetweenTest, CutsTheTextBetweenTheMarkers) {
  for (const BetweenCase& c : kCases) {
    EXPECT_EQ(
        textBetween(utf8ToText(c.text), utf8ToText(c.start), utf8ToText(c.end), c.position, c.ignoreCase),
        utf8ToText(c.expected))
        << c.name;
  }
}

}  // namespace
}  // namespace nc
