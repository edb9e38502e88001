#include "text/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace nc {
namespace {

using namespace std::string_literals;

TEST(CodePageTest, TextToWideAppendsOneTerminatingUnit) {
  EXPECT_EQ(textToWide(""), "");
  EXPECT_EQ(textToWide("ab"), "a\0b\0\0\0"s);
  EXPECT_EQ(textToWide("\xD6\xD0"), "\x2D\x4E\0\0"s);  // 中 = U+4E2D
}

TEST(CodePageTest, NothingAfterTheFirstZeroIsConverted) {
  EXPECT_EQ(multiByteToWide("a\0b"s, kCodePage936), "a\0\0\0"s);
  EXPECT_EQ(multiByteToWide("\0ab"s, kCodePage936), "");
  EXPECT_EQ(utf8ToText("x\0y"s), "x");
  EXPECT_EQ(wideToText("a\0\0\0b\0"s), "a");
}

TEST(CodePageTest, WideToTextIgnoresTheTerminator) {
  EXPECT_EQ(wideToText("a\0b\0\0\0"s), "ab");
  EXPECT_EQ(wideToText("a\0b\0"s), "ab");
  EXPECT_EQ(wideToText(""), "");
  EXPECT_EQ(wideToMultiByte("\x2D\x4E"s, kCodePageUtf8), "\xE4\xB8\xAD");
}

TEST(CodePageTest, Utf8ToTextConvertsIntoCodePage936) {
  struct Case {
    std::string utf8;
    std::string text;
  };
  const Case cases[] = {
      {"\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},  // 中文
      {"plain ASCII", "plain ASCII"},
      {"\xE2\x82\xAC", "\x80"},                          // euro sign, code page 936 byte 80
      {"\xF0\x9F\x98\x80", "?"},                         // emoji: not in code page 936
      {"\xE3\x80\x80", "\xA1\xA1"},                      // ideographic space
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(utf8ToText(c.utf8), c.text) << c.utf8;
}

TEST(CodePageTest, InvalidUtf8GivesOneQuestionMarkPerInvalidSequence) {
  struct Case {
    std::string utf8;
    std::string text;
  };
  const Case cases[] = {
      {"a\xFF" "b", "a?b"},
      {"\xE4\xB8", "?"},                // truncated three-byte sequence
      {"\xE4\xB8" "a", "?a"},
      {"\xC0\xAF", "??"},               // overlong form: two invalid bytes
      {"\xED\xA0\x80", "???"},          // encoded surrogate
      {"\x80\x80", "??"},               // lone continuation bytes
      {"\xF4\x90\x80\x80", "????"},     // above U+10FFFF
  };
  for (const auto& c : cases) EXPECT_EQ(utf8ToText(c.utf8), c.text) << c.text;
}

TEST(CodePageTest, ChineseInCodePage936IsNotUtf8) {
  EXPECT_EQ(utf8ToText("\xD6\xD0\xCE\xC4"), "????");
}

TEST(CodePageTest, TextAndUtf8RoundTrip) {
  const std::string utf8 = "\xE7\xAC\xAC\x31\xE7\xAB\xA0 title";  // 第1章 title
  EXPECT_EQ(textToUtf8(utf8ToText(utf8)), utf8);
  EXPECT_EQ(textToUtf8(""), "");
  EXPECT_EQ(textToUtf8("a\xFF"), "a\xEF\xBF\xBD");  // invalid code page 936 byte
}

TEST(CodePageTest, LoneSurrogatesBecomeQuestionMarks) {
  EXPECT_EQ(wideToText("\x00\xD8" "a\0"s), "?a");
  EXPECT_EQ(wideToText("\x3D\xD8\x00\xDE"s), "?");  // U+1F600 as a pair: one character
}

TEST(CodePageTest, BstrToWideCopiesTheTerminator) {
  EXPECT_EQ(bstrToWide(nullptr), "");
  EXPECT_EQ(bstrToWide(u""), "");
  EXPECT_EQ(bstrToWide(u"ab"), "a\0b\0\0\0"s);
}

TEST(CodePageTest, LongInputsSpanSeveralConversionChunks) {
  std::string utf8;
  std::string text;
  for (int i = 0; i < 10000; ++i) {
    utf8 += "\xE4\xB8\xAD";
    text += "\xD6\xD0";
  }
  EXPECT_EQ(utf8ToText(utf8), text);
  EXPECT_EQ(textToUtf8(text), utf8);
}

}  // namespace
}  // namespace nc
