#include "download/safe_file_name.h"

#include <gtest/gtest.h>

#include "text/code_page.h"

namespace nc {
namespace {

struct NameCase {
  const char* title;  // UTF-8, converted to code page 936
  const char* expected;
};

const NameCase kCases[] = {
    {"第一章 开始", "第一章 开始"},
    {"../x", ".._x"},
    {"a/b", "a_b"},
    {"a\\b", "a_b"},
    {"CON", "CON"},
    {"", "fallback"},
    {".", "fallback"},
    {"..", "fallback"},
    {"what?*:|<>\"", "what_______"},
    {"tab\there\nnew", "tab_here_new"},
    {"...", "..."},
};

TEST(SafeFileNameTest, ReplacesWhatTheFileSystemMustNotSee) {
  for (const NameCase& c : kCases) {
    EXPECT_EQ(safeFileName(utf8ToText(c.title), "fallback"), c.expected) << c.title;
  }
}

TEST(SafeFileNameTest, KeepsDoubleByteCharactersWhoseSecondByteLooksLikeASeparator) {
  // "癨" is 0xB0 0x5C and "亅" 0x81 0x7C in code page 936: second bytes "\" and "|".
  const Text title = utf8ToText("癨亅");
  ASSERT_EQ(title, Text("\xB0\x5C\x81\x7C"));
  EXPECT_EQ(safeFileName(title, "fallback"), "癨亅");
}

TEST(SafeFileNameTest, BrokenBytesBecomeUnderscores) {
  EXPECT_EQ(safeFileName(Text("a\x81"), "fallback"), "a_");
  EXPECT_EQ(safeFileName(Text("\x80z\x7F"), "fallback"), "_z_");
}

TEST(SafeFileNameTest, CutsLongTitlesOnACharacterBoundary) {
  std::string utf8;
  for (int i = 0; i < 100; ++i) utf8 += "书";  // 300 bytes of UTF-8
  const std::string name = safeFileName(utf8ToText(utf8), "fallback");
  EXPECT_EQ(name.size(), 198u);  // 66 whole characters of 3 bytes fit in 200
  EXPECT_EQ(name, utf8.substr(0, 198));
  EXPECT_EQ(safeFileName(utf8ToText("ab书"), "fallback", 4), "ab");
}

}  // namespace
}  // namespace nc
