#include "download/directory_creation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/download/temp_dir.h"
#include "text/code_page.h"

namespace nc {
namespace {

namespace fs = std::filesystem;

class DirectoryCreationTest : public ::testing::Test {
 protected:
  testing::TempDir temp_;
  const std::string root_ = temp_.path();
};

TEST_F(DirectoryCreationTest, CreatesEveryMissingDirectoryAlongThePath) {
  const std::string path = root_ + "/books/某书";
  EXPECT_TRUE(createDirectories(utf8ToText(path)));
  EXPECT_TRUE(fs::is_directory(root_ + "/books"));
  EXPECT_TRUE(fs::is_directory(path));
}

TEST_F(DirectoryCreationTest, ExistingPathIsLeftAsItIs) {
  fs::create_directories(root_ + "/a/b");
  EXPECT_TRUE(createDirectoriesFs(root_ + "/a/b"));
  EXPECT_TRUE(createDirectoriesFs(root_ + "/a/b/"));  // trailing separator
  EXPECT_TRUE(fs::is_directory(root_ + "/a/b"));
}

TEST_F(DirectoryCreationTest, PartBeforeTheFirstSeparatorIsNeverCreated) {
  const fs::path previous = fs::current_path();
  fs::current_path(root_);
  EXPECT_FALSE(createDirectoriesFs("rel/sub"));
  EXPECT_FALSE(fs::exists(root_ + "/rel"));
  fs::create_directory(root_ + "/rel");
  EXPECT_TRUE(createDirectoriesFs("rel/sub"));
  EXPECT_TRUE(fs::is_directory(root_ + "/rel/sub"));
  fs::current_path(previous);
}

TEST_F(DirectoryCreationTest, ShortPathsCreateNothing) {
  const fs::path previous = fs::current_path();
  fs::current_path(root_);
  EXPECT_FALSE(createDirectoriesFs("ab"));
  EXPECT_FALSE(fs::exists(root_ + "/ab"));
  EXPECT_TRUE(createDirectoriesFs("."));  // the directory test alone
  fs::current_path(previous);
}

TEST_F(DirectoryCreationTest, AFileInTheWayGivesFalse) {
  { std::ofstream(root_ + "/file") << "x"; }
  EXPECT_FALSE(createDirectoriesFs(root_ + "/file/sub"));
  EXPECT_FALSE(isDirectory(root_ + "/file"));
  EXPECT_FALSE(isDirectory(""));
  EXPECT_TRUE(isDirectory(root_));
}

}  // namespace
}  // namespace nc
