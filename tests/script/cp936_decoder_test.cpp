#include "script/cp936_decoder.h"

#include <gtest/gtest.h>

#include <string>

#include "text/code_page.h"

namespace nc {
namespace {

TEST(Cp936Decoder, EveryByteAndPairAsTextToUtf8) {
  for (unsigned lead = 1; lead < 256; ++lead) {
    std::string single(1, static_cast<char>(lead));
    ASSERT_EQ(cp936ToUtf8(single), textToUtf8(single)) << lead;
    if (lead < 0x80) continue;
    for (unsigned trail = 1; trail < 256; ++trail) {
      std::string pair{static_cast<char>(lead), static_cast<char>(trail), 'x'};
      ASSERT_EQ(cp936ToUtf8(pair), textToUtf8(pair)) << lead << " " << trail;
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
      std::string("ab\0cd", 5),  // stops at the zero byte
      utf8ToText("末尾") + "\xD6",
  };
  for (const std::string& text : texts) EXPECT_EQ(cp936ToUtf8(text), textToUtf8(text)) << text;
}

}  // namespace
}  // namespace nc
