// The book download job: every book of the book list, chapter by chapter, into text files.
//
// run() reads the number of rows once and goes through them in order. For each book it fetches
// the chapter-index page, creates downloadDir + "/" + safe book title, fetches every chapter and
// writes it as book directory + "/" + safe chapter title + ".txt" (code page 936, "\r\n\r\n"
// before each paragraph, no byte-order mark), through a temporary file and a rename. A title
// that repeats an earlier chapter's (by link order) gets " (N)", N being its chapter number.
// A chapter request is tried up to kMaxAttempts times; a chapter that still fails writes no
// file and is counted in the book's final status. With the merge option on (read for every
// chapter) the chapter goes into the book's merged text instead, written after the book's last
// chapter as book directory + "/" + book title + ".txt".
//
// With a pool, the chapters of a book are fetched in parallel by the pool's workers (each
// worker writes the chapters it fetched) while run() waits on its own thread, fetching the next
// book's index page meanwhile and queueing its chapters behind the current book's; books are
// still finished in list order. Without a pool, everything happens on the calling thread. The status cell
// shows "当前下载：" + chapters finished + " / " + chapter total + " 章节总数".
//
// A stop through the cancel token aborts the requests in flight; no chapter is written after
// it, and run() returns promptly with summary.stopped set. One BookDownloader runs once, on one
// thread; AppState, BookList, the pool and the counters must outlive run().
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "catalogue/book_list.h"
#include "catalogue/site_request.h"
#include "download/download_progress.h"
#include "text/text.h"

namespace nc {

class AppState;
class ThreadPool;

struct DownloadJobOptions {
  static constexpr int kMaxAttempts = 3;
  static constexpr std::chrono::milliseconds kRetryPause{300};

  Text origin;                 // prefix of the site-relative chapter links
  ThreadPool* pool = nullptr;  // null = chapters one after the other on the calling thread
  int maxAttempts = kMaxAttempts;
  std::chrono::milliseconds retryPause = kRetryPause;
  int requestTimeoutSeconds = 0;              // 0 = the request routine's default
  const std::atomic<bool>* cancel = nullptr;  // stop request; may be null
  DownloadProgress* progress = nullptr;       // updated as the job goes; may be null
};

class BookDownloader {
 public:
  BookDownloader(const AppState& state, BookList& books, DownloadJobOptions options);

  // Downloads every row present at the call; blocks until done or stopped.
  DownloadSummary run();

 private:
  struct Book;
  std::unique_ptr<Book> startBook(std::size_t row, DownloadSummary& summary);
  void finishBook(Book& book, DownloadSummary& summary);
  void postChapters(Book& book);
  void runClaimedChapter(Book& book, std::size_t number);
  void waitForChapters(Book& book);
  void downloadChapter(Book& book, std::size_t number);
  void writeChapterFile(Book& book, std::size_t number, const std::string& name, const Text& content);
  SiteReply fetch(const Text& url) const;

  const AppState& state_;
  BookList& books_;
  const DownloadJobOptions options_;
};

}  // namespace nc
