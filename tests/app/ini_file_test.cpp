// The INI reader and writer on code page 936 bytes.
#include <gtest/gtest.h>

#include "app/ini_file.h"
#include "text/code_page.h"

namespace nc {
namespace {

const Text kSection = "Config";
const Text kKey = utf8ToText("路径");

TEST(IniFileTest, ReadsTheKeyOfItsSectionOnly) {
  struct Case {
    const char* name;
    std::string file;
    Text expected;
  } cases[] = {
      {"missing file", "", ""},
      {"missing section", "[Other]\r\nx=1\r\n", ""},
      {"missing key", "[Config]\r\nx=1\r\n", ""},
      {"plain", "[Config]\r\n" + kKey + "=/a/b\r\n", "/a/b"},
      {"LF lines, blanks", "[ config ]\n  " + kKey + " =  /a b  \n", "/a b"},
      {"key in another section", "[Other]\n" + kKey + "=/x\n[Config]\n" + kKey + "=/y\n", "/y"},
      {"first key wins", "[Config]\n" + kKey + "=/1\n" + kKey + "=/2\n", "/1"},
      {"no final line break", "[Config]\r\n" + kKey + "=/end", "/end"},
      {"empty value", "[Config]\r\n" + kKey + "=\r\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(readIniValue(c.file, kSection, kKey), c.expected);
  }
}

TEST(IniFileTest, LongValuesAreCutWithoutSplittingACharacter) {
  const Text ascii(kMaxIniValueBytes + 50, 'a');
  EXPECT_EQ(readIniValue("[Config]\n" + kKey + "=" + ascii, kSection, kKey), Text(kMaxIniValueBytes, 'a'));
  // 10,238 ASCII bytes and then a double-byte character: the character does not fit.
  const Text wide = Text(kMaxIniValueBytes - 1, 'a') + utf8ToText("中");
  EXPECT_EQ(readIniValue("[Config]\n" + kKey + "=" + wide, kSection, kKey), Text(kMaxIniValueBytes - 1, 'a'));
  const Text exact = Text(kMaxIniValueBytes - 2, 'a') + utf8ToText("中");
  EXPECT_EQ(readIniValue("[Config]\n" + kKey + "=" + exact, kSection, kKey), exact);
}

TEST(IniFileTest, WritesNewFileSectionAndKey) {
  const Text path = utf8ToText("/home/用户/小说");
  EXPECT_EQ(writeIniValue("", kSection, kKey, path), "[Config]\r\n" + kKey + "=" + path + "\r\n");
  EXPECT_EQ(writeIniValue("[Other]\r\na=1", kSection, kKey, "/x"),
            "[Other]\r\na=1\r\n[Config]\r\n" + kKey + "=/x\r\n");
  EXPECT_EQ(writeIniValue("[Config]\r\na=1\r\n\r\n[Next]\r\nb=2\r\n", kSection, kKey, "/x"),
            "[Config]\r\na=1\r\n" + kKey + "=/x\r\n\r\n[Next]\r\nb=2\r\n");
  EXPECT_EQ(writeIniValue("[Config]\r\n" + kKey + "=/old\r\nz=9\r\n", kSection, kKey, "/new"),
            "[Config]\r\n" + kKey + "=/new\r\nz=9\r\n");
  // A line break cannot be stored: the value ends before it.
  EXPECT_EQ(writeIniValue("", kSection, kKey, "/a\r\n[Evil]"), "[Config]\r\n" + kKey + "=/a\r\n");
}

TEST(IniFileTest, WhatIsWrittenReadsBack) {
  ByteSet file;
  for (const char* value : {"/a", "/b/c", "", "/末尾"}) {
    const Text text = utf8ToText(value);
    file = writeIniValue(file, kSection, kKey, text);
    EXPECT_EQ(readIniValue(file, kSection, kKey), text);
  }
  EXPECT_EQ(file, "[Config]\r\n" + kKey + "=" + utf8ToText("/末尾") + "\r\n");
}

}  // namespace
}  // namespace nc
