#include "download/file_writer.h"

#include <gtest/gtest.h>

#include "tests/download/temp_dir.h"

namespace nc {
namespace {

TEST(FileWriterTest, WritesAndReplacesWholeFilesLeavingNoTemporaryFile) {
  testing::TempDir temp;
  const std::string path = temp.path() + "/章.txt";
  const std::string bytes("\r\n\r\n\xD5\xC2\0x", 8);
  ASSERT_TRUE(writeWholeFile(path, bytes));
  EXPECT_EQ(testing::readFile(path), bytes);
  ASSERT_TRUE(writeWholeFile(path, "short"));
  EXPECT_EQ(testing::readFile(path), "short");
  ASSERT_TRUE(writeWholeFile(temp.path() + "/empty.txt", ""));
  EXPECT_EQ(testing::readFile(temp.path() + "/empty.txt"), "");
  EXPECT_EQ(testing::listDirectory(temp.path()), (std::vector<std::string>{"empty.txt", "章.txt"}));
}

TEST(FileWriterTest, MissingDirectoryFailsWithoutLeavingAnything) {
  testing::TempDir temp;
  EXPECT_FALSE(writeWholeFile(temp.path() + "/missing/x.txt", "x"));
  EXPECT_TRUE(testing::listDirectory(temp.path()).empty());
}

}  // namespace
}  // namespace nc
