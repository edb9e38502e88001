#include "download/download_dispatcher.h"

#include <gtest/gtest.h>

#include "catalogue/app_state.h"
#include "pool/thread_pool.h"
#include "tests/catalogue/recording_notifier.h"
#include "tests/download/fake_site.h"
#include "tests/download/temp_dir.h"
#include "text/code_page.h"

namespace nc {
namespace {

using namespace std::chrono_literals;
using testing::chapterPage;
using testing::indexPage;
using testing::listDirectory;

constexpr auto kWait = 20s;

TEST(ParseThreadCountTest, ReadsDecimalTextLikeAnEditBox) {
  const std::pair<const char*, int> cases[] = {{"5", 5},
                                               {"10", 10},
                                               {"", 0},
                                               {"abc", 0},
                                               {" 7", 7},
                                               {"-3", -3},
                                               {"12abc", 12},
                                               {"+4", 4},
                                               {"0x10", 0},
                                               {"99999999999", 2147483647},
                                               {"-99999999999", -2147483647 - 1}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(parseThreadCount(text), expected) << text;
}

class DownloadDispatcherTest : public ::testing::Test {
 protected:
  DownloadDispatcherTest() {
    state_.setDownloadDir(utf8ToText(dir_.path()));
    site_.setPage("/b/", indexPage("3", {"/b/1", "/b/2", "/b/3"}));
    for (int i = 1; i <= 3; ++i)
      site_.setPage("/b/" + std::to_string(i), chapterPage(std::to_string(i), {"x"}));
    books_.appendRow({site_.origin() + "/b/", "", utf8ToText("书"), ""});
  }
  DispatcherOptions options() {
    DispatcherOptions options;
    options.origin = site_.origin();
    options.retryPause = 1ms;
    return options;
  }

  testing::FakeSite site_;
  testing::TempDir dir_;
  AppState state_;
  BookList books_;
  testing::RecordingNotifier notifier_;
};

TEST_F(DownloadDispatcherTest, RefusesWithoutAThreadMode) {
  DownloadDispatcher dispatcher(state_, books_, notifier_, options());
  EXPECT_FALSE(dispatcher.start());
  EXPECT_EQ(notifier_.texts(), std::vector<std::string>{"请前往【多线程设置】进行设置线程模式后重试"});
  EXPECT_EQ(notifier_.messages()[0].icon, MessageIcon::information);
  EXPECT_EQ(state_.downloadPool().threadCount(), 0);
  EXPECT_TRUE(site_.log().empty());
}

TEST_F(DownloadDispatcherTest, RefusesWithoutADownloadDirectory) {
  state_.setDownloadDir("");
  state_.setSingleThreadMode(true);
  DownloadDispatcher dispatcher(state_, books_, notifier_, options());
  EXPECT_FALSE(dispatcher.start());
  EXPECT_EQ(notifier_.texts(), std::vector<std::string>{"请先到【目录设置】中选择保存路径后再尝试！"});
  EXPECT_TRUE(site_.log().empty());
}

TEST_F(DownloadDispatcherTest, SingleThreadModeDownloadsInTheBackground) {
  state_.setSingleThreadMode(true);
  DownloadDispatcher dispatcher(state_, books_, notifier_, options());
  ASSERT_TRUE(dispatcher.start());
  ASSERT_TRUE(dispatcher.waitFinished(kWait));
  EXPECT_TRUE(notifier_.texts().empty());
  EXPECT_EQ(listDirectory(dir_.path() + "/书").size(), 3u);
  ASSERT_TRUE(dispatcher.lastSummary().has_value());
  EXPECT_EQ(dispatcher.lastSummary()->chaptersWritten, 3u);
  EXPECT_EQ(state_.downloadPool().threadCount(), 0);
}

TEST_F(DownloadDispatcherTest, PooledModeCreatesThePoolFromTheEditBoxes) {
  state_.setPooledMode(true);
  state_.setMinThreadsText("5");
  state_.setMaxThreadsText("3");
  DownloadDispatcher dispatcher(state_, books_, notifier_, options());
  ASSERT_TRUE(dispatcher.start());
  ASSERT_TRUE(dispatcher.waitFinished(kWait));
  EXPECT_EQ(state_.downloadPool().maxThreads(), 5);  // a maximum below the minimum is raised
  EXPECT_GE(state_.downloadPool().threadCount(), 5);
  EXPECT_EQ(listDirectory(dir_.path() + "/书").size(), 3u);
  EXPECT_TRUE(notifier_.texts().empty());
}

TEST_F(DownloadDispatcherTest, OneDownloadAtATimeAndStopAbortsIt) {
  site_.setDelay("/b/2", 10s);
  state_.setSingleThreadMode(true);
  DownloadDispatcher dispatcher(state_, books_, notifier_, options());
  ASSERT_TRUE(dispatcher.start());
  while (site_.hits("/b/2") == 0) std::this_thread::sleep_for(5ms);
  EXPECT_FALSE(dispatcher.start());
  EXPECT_EQ(notifier_.texts(), std::vector<std::string>{"当前已有下载任务正在进行！"});
  dispatcher.stop();
  EXPECT_FALSE(dispatcher.isRunning());
  ASSERT_TRUE(dispatcher.lastSummary().has_value());
  EXPECT_TRUE(dispatcher.lastSummary()->stopped);
  EXPECT_EQ(listDirectory(dir_.path() + "/书"), std::vector<std::string>{"1.txt"});  // nothing partial
  EXPECT_EQ(site_.hits("/b/3"), 0u);
  dispatcher.stop();  // nothing running: nothing happens
  EXPECT_EQ(notifier_.texts().size(), 1u);
}

TEST_F(DownloadDispatcherTest, StopInPooledMode) {
  for (int i = 1; i <= 3; ++i) site_.setDelay("/b/" + std::to_string(i), 10s);
  state_.setPooledMode(true);
  DownloadDispatcher dispatcher(state_, books_, notifier_, options());
  ASSERT_TRUE(dispatcher.start());
  while (site_.hits("/b/3") == 0) std::this_thread::sleep_for(5ms);
  dispatcher.stop();
  EXPECT_FALSE(dispatcher.isRunning());
  EXPECT_TRUE(dispatcher.lastSummary()->stopped);
  EXPECT_TRUE(listDirectory(dir_.path() + "/书").empty());
}

}  // namespace
}  // namespace nc
