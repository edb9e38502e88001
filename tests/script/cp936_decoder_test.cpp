#include "script/cp936_decoder.h"

#include <gtest/gtest.h>

#include <string>

#include "text/code_page.h"

namespace nc {
namespace {

// Advancing to the end of the UTF-8 form must land on the end of the text, character by
// character, whatever the bytes.
TEST(Cp936Decoder, EveryByteAndPairStaysInStepWithTextToUtf8) {
  for (unsigned lead = 1; lead < 256; ++lead) {
    for (unsigned trail = 1; trail < 256; ++trail) {
      std::string text{static_cast<char>(lead), static_cast<char>(trail), 'x'};
      const std::string utf8 = textToUtf8(text);
      Cp936Cursor cursor;
      cp936Advance(text, cursor, utf8.size());
      ASSERT_EQ(cursor.textOffset, text.size()) << lead << " " << trail;
      ASSERT_EQ(cursor.utf8Offset, utf8.size()) << lead << " " << trail;
      if (lead < 0x80) break;
    }
  }
}

TEST(Cp936Decoder, MixedAndBrokenSequences) {
  const std::string texts[] = {
      "",
      "plain ascii",
      utf8ToText("中文，标点。English 混排"),
      "\x81\x81\x81",  // a run of leads with bad trails
      "\xD6\xD0\xFF\xD6",
      utf8ToText("末尾") + "\xD6",
  };
  for (const std::string& text : texts) {
    Cp936Cursor cursor;
    cp936Advance(text, cursor, textToUtf8(text).size());
    EXPECT_EQ(cursor.textOffset, text.size()) << text;
    EXPECT_EQ(cursor.utf8Offset, textToUtf8(text).size()) << text;
  }
  Cp936Cursor cursor;
  cp936Advance(std::string("ab\0cd", 5), cursor, 100);  // stops at the zero byte
  EXPECT_EQ(cursor.textOffset, 2u);
}

}  // namespace
}  // namespace nc
