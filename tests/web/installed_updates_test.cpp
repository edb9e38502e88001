#include "web/installed_updates.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace nc {
namespace {

class InstalledUpdatesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = std::filesystem::temp_directory_path() /
            ("dpkg-status-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::ofstream(path_) << "Package: curl\nStatus: install ok installed\nVersion: 1\n\n"
                            "Package: removed-tool\nStatus: deinstall ok config-files\n\n"
                            "Package: half-done\nStatus: install ok half-installed\n\n"
                            "Package: libc6\nStatus: install ok installed\nArchitecture: amd64\n\n"
                            "Package: libc6\nStatus: install ok installed\nArchitecture: i386\n\n"
                            "Package: libssl3\nStatus: install ok installed\n";
  }
  void TearDown() override { std::filesystem::remove(path_); }

  std::filesystem::path path_;
};

TEST_F(InstalledUpdatesTest, ListsInstalledPackagesInOrder) {
  std::vector<Text> list = {"stale"};
  EXPECT_EQ(queryInstalledUpdates(list, "", false, path_), 3);
  EXPECT_EQ(list, (std::vector<Text>{"curl", "libc6", "libssl3"}));
}

TEST_F(InstalledUpdatesTest, FilterFindsOnlyTheNamedPackage) {
  std::vector<Text> list;
  EXPECT_EQ(queryInstalledUpdates(list, "libssl3", true, path_), 1);
  EXPECT_EQ(list, std::vector<Text>{"libssl3"});
  EXPECT_EQ(queryInstalledUpdates(list, "libc6", true, path_), 1);
  EXPECT_EQ(list, std::vector<Text>{"libc6"});
  for (const char* absent : {"removed-tool", "half-done", "nothing-like-it"}) {
    EXPECT_EQ(queryInstalledUpdates(list, absent, true, path_), 0) << absent;
    EXPECT_TRUE(list.empty());
  }
}

TEST_F(InstalledUpdatesTest, MissingDatabaseEmptiesTheList) {
  std::vector<Text> list = {"stale"};
  EXPECT_EQ(queryInstalledUpdates(list, "curl", true, "/nonexistent/status"), 0);
  EXPECT_TRUE(list.empty());
}

TEST(InstalledUpdatesSystemTest, ThisSystemsDatabase) {
  if (!std::filesystem::exists(kDpkgStatusPath)) GTEST_SKIP() << "no dpkg status database here";
  std::vector<Text> all;
  int count = queryInstalledUpdates(all, "", false);
  EXPECT_GT(count, 0);
  EXPECT_EQ(static_cast<std::size_t>(count), all.size());
  std::vector<Text> dpkg;
  EXPECT_EQ(queryInstalledUpdates(dpkg, "dpkg", true), 1);  // the database's own keeper
}

}  // namespace
}  // namespace nc
