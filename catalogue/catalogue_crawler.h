// Crawls the chosen category's JSON listing into the book list, one thread per crawl.
//
// start() and stop() are the handlers of "开始获取" and "停止获取"; call them from one thread (the
// window thread). Every crawl runs on a thread of its own, reads the category URLs afresh for
// every page, appends one row per listed book and ends at the first page without books (with
// its message, shown through the Notifier from the crawl thread), after the page limit
// (silently) or when stopped (silently). Several crawls may run at once; their rows interleave.
// The destructor stops every crawl and waits for its thread; destroy the crawler before the
// AppState, BookList and Notifier it uses.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "catalogue/book_list.h"
#include "catalogue/notifier.h"
#include "text/text.h"

namespace nc {

class AppState;
class CrawlHandle;

// How a crawl ended.
enum class CrawlEnd {
  listingEnded,      // a later page held no book: "已经全部获取完毕！"
  nothingFound,      // the first page held no book: "获取失败！..."
  pageLimitReached,  // the last allowed page still held books: no message
  stopped,           // stopped through stop() or the destructor: no message
  pageFailed,        // a later page could not be loaded, even after retries: "获取失败！..."
};

struct CrawlerOptions {
  static constexpr int kMaxPages = 100;

  Text origin;                    // prefix of the listed url_list values (no trailing slash)
  int maxPages = kMaxPages;       // pages 1..maxPages at most (clamped to 1..kMaxPages)
  int requestTimeoutSeconds = 0;  // 0 = the request routine's default
  int maxAttempts = 3;            // tries of a page request that fails (no whole 2xx response)
  std::chrono::milliseconds retryPause{300};
  // Runs on the crawl thread after the crawl's closing message (if any) has been closed.
  std::function<void(CrawlEnd end, std::size_t rowsAppended)> onFinished;
};

class CatalogueCrawler {
 public:
  // How long stop() waits for the crawl to stop appending rows.
  static constexpr std::chrono::milliseconds kStopWait{2000};

  CatalogueCrawler(AppState& state, BookList& books, Notifier& notifier, CrawlerOptions options);
  ~CatalogueCrawler();
  CatalogueCrawler(const CatalogueCrawler&) = delete;
  CatalogueCrawler& operator=(const CatalogueCrawler&) = delete;

  // "开始获取": without a chosen category shows "请先到【下载设置】中进行选择分类后再尝试！" and
  // returns false; otherwise starts a crawl, makes it the state's crawlThread and returns true.
  bool start();

  // "停止获取": stops the newest crawl (aborting its request in flight; its rows stay), waits until
  // it appends no more rows, and shows "已销毁获取线程". A crawl that has already ended counts as
  // stopped and gets the same message. Without any crawl ever started: "销毁线程未能成功！".
  void stop();

  // Number of crawls whose thread has not finished.
  std::size_t runningCount() const;

  // Waits until every crawl has finished; false when `timeout` passed first.
  bool waitAll(std::chrono::milliseconds timeout);

 private:
  struct Crawl;
  void run(const std::shared_ptr<CrawlHandle>& handle);
  void joinFinishedLocked();

  AppState& state_;
  BookList& books_;
  Notifier& notifier_;
  const CrawlerOptions options_;
  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<Crawl>> crawls_;
};

}  // namespace nc
