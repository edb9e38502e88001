#include "download/book_downloader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "catalogue/app_state.h"
#include "pool/thread_pool.h"
#include "tests/download/fake_site.h"
#include "tests/download/temp_dir.h"
#include "text/code_page.h"

namespace nc {
namespace {

using namespace std::chrono_literals;
using testing::chapterPage;
using testing::indexPage;
using testing::listDirectory;
using testing::readFile;

std::string gbk(const std::string& utf8) {
  return utf8ToText(utf8);
}

// Runs every test once with chapters one after the other and once on a pool.
class BookDownloaderTest : public ::testing::TestWithParam<bool> {
 protected:
  BookDownloaderTest() { state_.setDownloadDir(utf8ToText(dir_.path())); }

  std::size_t addBook(const std::string& title, const std::string& indexPath) {
    return books_.appendRow({site_.origin() + indexPath, "作者", utf8ToText(title), ""});
  }

  DownloadSummary download() {
    DownloadJobOptions options;
    options.origin = site_.origin();
    options.retryPause = 1ms;
    options.cancel = &cancel_;
    options.progress = &progress_;
    if (GetParam()) {
      state_.downloadPool().create(3, 6);
      options.pool = &state_.downloadPool();
    }
    return BookDownloader(state_, books_, options).run();
  }

  std::string bookDir(const std::string& name) { return dir_.path() + "/" + name; }
  std::string status(std::size_t row) { return textToUtf8(books_.cell(row, kColumnStatus)); }

  testing::FakeSite site_;
  testing::TempDir dir_;
  AppState state_;
  BookList books_;
  std::atomic<bool> cancel_{false};
  DownloadProgress progress_;
};

TEST_P(BookDownloaderTest, WritesOneFilePerChapterInCodePage936) {
  site_.setPage("/b/", indexPage("1234", {"/b/1.html", "/b/2.html", "/b/3.html"}));
  site_.setPage("/b/1.html", chapterPage("第一章 出山", {"段落一", "段落二"}));
  site_.setPage("/b/2.html", chapterPage("第二章 下山", {"只有一段"}));
  site_.setPage("/b/3.html", chapterPage("第三章 回山", {"甲", "乙", "丙"}));
  addBook("某书", "/b/");
  const DownloadSummary summary = download();
  EXPECT_EQ(summary.books, 1u);
  EXPECT_EQ(summary.chaptersWritten, 3u);
  EXPECT_EQ(summary.chaptersFailed, 0u);
  EXPECT_FALSE(summary.stopped);
  EXPECT_EQ(listDirectory(dir_.path()), std::vector<std::string>{"某书"});
  EXPECT_EQ(listDirectory(bookDir("某书")),
            (std::vector<std::string>{"第一章 出山.txt", "第三章 回山.txt", "第二章 下山.txt"}));
  EXPECT_EQ(readFile(bookDir("某书/第一章 出山.txt")), gbk("\r\n\r\n段落一\r\n\r\n段落二"));
  EXPECT_EQ(readFile(bookDir("某书/第三章 回山.txt")), gbk("\r\n\r\n甲\r\n\r\n乙\r\n\r\n丙"));
  EXPECT_EQ(status(0), "当前下载：3 / 1234 章节总数");
  EXPECT_EQ(site_.hits("/b/2.html"), 1u);
  EXPECT_EQ(progress_.snapshot().chaptersDone, 3u);
}

TEST_P(BookDownloaderTest, HostileTitlesStayInsideTheDownloadDirectory) {
  site_.setPage("/h/", indexPage("9", {"/h/1", "/h/2", "/h/3", "/h/4", "/h/5", "/h/6"}));
  site_.setPage("/h/1", chapterPage("../x", {"1"}));
  site_.setPage("/h/2", chapterPage("a/b", {"2"}));
  site_.setPage("/h/3", chapterPage("CON", {"3"}));
  site_.setPage("/h/4", chapterPage("", {"4"}));
  site_.setPage("/h/5", chapterPage(".", {"5"}));
  site_.setPage("/h/6", chapterPage("..", {"6"}));
  addBook("..", "/h/");
  addBook("a/b", "/h/");
  download();
  // The first book's title is unusable and takes its row number.
  EXPECT_EQ(listDirectory(dir_.path()), (std::vector<std::string>{"0", "a_b"}));
  const std::vector<std::string> expected{".._x.txt", "4.txt", "5.txt", "6.txt", "CON.txt", "a_b.txt"};
  EXPECT_EQ(listDirectory(bookDir("0")), expected);
  EXPECT_EQ(listDirectory(bookDir("a_b")), expected);
  EXPECT_EQ(readFile(bookDir("0/4.txt")), "\r\n\r\n4");
}

TEST_P(BookDownloaderTest, RepeatedChapterTitlesGetTheirNumber) {
  site_.setPage("/r/", indexPage("4", {"/r/1", "/r/2", "/r/3", "/r/4"}));
  site_.setPage("/r/1", chapterPage("同名", {"one"}));
  site_.setPage("/r/2", chapterPage("别名", {"two"}));
  site_.setPage("/r/3", chapterPage("同名", {"three"}));
  site_.setPage("/r/4", chapterPage("同名", {"four"}));
  site_.setDelay("/r/1", 50ms);  // in a pool, a later chapter may arrive first
  addBook("书", "/r/");
  download();
  EXPECT_EQ(listDirectory(bookDir("书")),
            (std::vector<std::string>{"别名.txt", "同名 (3).txt", "同名 (4).txt", "同名.txt"}));
  EXPECT_EQ(readFile(bookDir("书/同名.txt")), "\r\n\r\none");
  EXPECT_EQ(readFile(bookDir("书/同名 (3).txt")), "\r\n\r\nthree");
  EXPECT_EQ(readFile(bookDir("书/同名 (4).txt")), "\r\n\r\nfour");
}

TEST_P(BookDownloaderTest, MissingTotalAndEmptyChapterPage) {
  site_.setPage("/e/", "<a href =\"/e/1\">x</a>");
  site_.setPage("/e/1", "<html>nothing here</html>");
  addBook("空", "/e/");
  const DownloadSummary summary = download();
  EXPECT_EQ(status(0), "当前下载：1 /  章节总数");
  EXPECT_EQ(summary.chaptersEmpty, 1u);
  EXPECT_EQ(listDirectory(bookDir("空")), std::vector<std::string>{"1.txt"});
  EXPECT_EQ(readFile(bookDir("空/1.txt")), "");
}

TEST_P(BookDownloaderTest, FailedRequestsAreTriedThreeTimes) {
  site_.setPage("/f/", indexPage("3", {"/f/1", "/f/2", "/f/3"}));
  site_.setPage("/f/1", chapterPage("一", {"a"}));
  site_.setPage("/f/2", chapterPage("二", {"b"}));
  site_.setPage("/f/3", chapterPage("三", {"c"}));
  site_.failFirst("/f/", 2);
  site_.failFirst("/f/1", 2);  // third attempt succeeds
  site_.failFirst("/f/2", 3);  // never succeeds
  addBook("重试", "/f/");
  const DownloadSummary summary = download();
  EXPECT_EQ(site_.hits("/f/1"), 3u);
  EXPECT_EQ(site_.hits("/f/2"), 3u);
  EXPECT_EQ(summary.chaptersFailed, 1u);
  EXPECT_EQ(summary.chaptersWritten, 2u);
  EXPECT_EQ(listDirectory(bookDir("重试")), (std::vector<std::string>{"一.txt", "三.txt"}));
  EXPECT_EQ(status(0), "当前下载：3 / 3 章节总数（1 章下载失败）");
}

TEST_P(BookDownloaderTest, IndexPageThatNeverLoadsIsReported) {
  addBook("无目录", "/missing/");
  const DownloadSummary summary = download();
  EXPECT_EQ(summary.indexPagesFailed, 1u);
  EXPECT_EQ(status(0), "此小说已被删除或无法下载");
  EXPECT_TRUE(std::filesystem::is_directory(bookDir("无目录")));
}

TEST_P(BookDownloaderTest, MergeWritesOneFilePerBookInChapterOrder) {
  site_.setPage("/m1/", indexPage("2", {"/m1/1", "/m1/2"}));
  site_.setPage("/m1/1", chapterPage("一", {"甲"}));
  site_.setPage("/m1/2", chapterPage("二", {"乙", "丙"}));
  site_.setDelay("/m1/1", 30ms);
  site_.setPage("/m2/", indexPage("1", {"/m2/1"}));
  site_.setPage("/m2/1", chapterPage("一", {"丁"}));
  addBook("合一", "/m1/");
  addBook("合二", "/m2/");
  state_.setMergeChapters(true);
  download();
  EXPECT_EQ(listDirectory(bookDir("合一")), std::vector<std::string>{"合一.txt"});
  EXPECT_EQ(readFile(bookDir("合一/合一.txt")), gbk("\r\n\r\n甲\r\n\r\n乙\r\n\r\n丙"));
  EXPECT_EQ(readFile(bookDir("合二/合二.txt")), gbk("\r\n\r\n丁"));
}

TEST_P(BookDownloaderTest, RowsAreReadOnceAndAnEmptyListDoesNothing) {
  EXPECT_EQ(download().books, 0u);
  EXPECT_TRUE(listDirectory(dir_.path()).empty());
}

TEST_P(BookDownloaderTest, CancelledBeforeTheStartWritesNothing) {
  site_.setPage("/c/", indexPage("1", {"/c/1"}));
  site_.setPage("/c/1", chapterPage("一", {"a"}));
  addBook("停", "/c/");
  cancel_ = true;
  const DownloadSummary summary = download();
  EXPECT_TRUE(summary.stopped);
  EXPECT_TRUE(listDirectory(dir_.path()).empty());
  EXPECT_TRUE(site_.log().empty());
}

TEST_P(BookDownloaderTest, AnEmptyDownloadDirectoryWritesNothing) {
  site_.setPage("/c/", indexPage("1", {"/c/1"}));
  addBook("根", "/c/");
  state_.setDownloadDir("");
  download();
  EXPECT_TRUE(site_.log().empty());
  EXPECT_FALSE(std::filesystem::exists("/根"));
}

INSTANTIATE_TEST_SUITE_P(Modes, BookDownloaderTest, ::testing::Values(false, true), [](const auto& info) {
  return info.param ? std::string("Pooled") : std::string("Single");
});

}  // namespace
}  // namespace nc

namespace nc {
namespace {

TEST(BookDownloaderPoolTest, APoolThatStopsMidBookLosesNoChapter) {
  testing::FakeSite site;
  testing::TempDir dir;
  AppState state;
  BookList books;
  std::vector<std::string> links;
  for (int i = 1; i <= 6; ++i) {
    const std::string path = "/p/" + std::to_string(i);
    links.push_back(path);
    site.setPage(path, testing::chapterPage(std::to_string(i), {"x"}));
    site.setDelay(path, 50ms);
  }
  site.setPage("/p/", testing::indexPage("6", links));
  books.appendRow({site.origin() + "/p/", "", "p", ""});
  state.setDownloadDir(dir.path());
  state.downloadPool().create(1, 1);
  DownloadJobOptions options;
  options.origin = site.origin();
  options.pool = &state.downloadPool();
  std::thread stopper([&] {
    while (site.hits("/p/1") == 0) std::this_thread::sleep_for(1ms);
    state.downloadPool().shutdown(2);  // queued chapters are dropped
  });
  const DownloadSummary summary = BookDownloader(state, books, options).run();
  stopper.join();
  EXPECT_EQ(summary.chaptersWritten, 6u);
  EXPECT_EQ(testing::listDirectory(dir.path() + "/p").size(), 6u);
}

}  // namespace
}  // namespace nc
