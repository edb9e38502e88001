#include "download/book_downloader.h"

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "catalogue/app_state.h"
#include "catalogue/site_request.h"
#include "catalogue/user_texts.h"
#include "download/directory_creation.h"
#include "download/file_writer.h"
#include "download/safe_file_name.h"
#include "download/site_pages.h"
#include "pool/thread_pool.h"
#include "text/code_page.h"

namespace nc {
namespace {

constexpr std::string_view kTextFileExtension = ".txt";
constexpr std::chrono::milliseconds kPoolCheckInterval{200};
constexpr std::size_t kPooledBooksInFlight = 2;

bool cancelled(const std::atomic<bool>* cancel) {
  return cancel != nullptr && cancel->load();
}

Text progressText(std::size_t finished, const Text& chapterTotal) {
  static const Text prefix = utf8ToText(texts::kProgressPrefix);
  static const Text suffix = utf8ToText(texts::kProgressSuffix);
  return prefix + std::to_string(finished) + Text(texts::kProgressMiddle) + chapterTotal + suffix;
}

Text failedSuffix(std::size_t failed) {
  return utf8ToText(texts::kFailedPrefix) + std::to_string(failed) + utf8ToText(texts::kFailedSuffix);
}

std::string numberedName(const std::string& name, std::size_t chapterNumber) {
  return name + " (" + std::to_string(chapterNumber) + ")";
}

}  // namespace

// One book while its chapters are being downloaded; shared by the workers fetching them.
struct BookDownloader::Book {
  std::size_t row = 0;
  std::string name;       // safe book title, file system form
  std::string directory;  // file system form, no trailing separator
  Text chapterTotal;
  std::vector<Text> links;

  std::mutex mutex;  // guards everything below, and the book's status cell and files
  std::condition_variable allDone;
  std::size_t outstanding = 0;
  std::shared_ptr<std::vector<std::atomic<bool>>> claimed;  // per chapter, pooled mode
  std::size_t finished = 0;
  std::size_t failed = 0;
  std::size_t written = 0;
  std::size_t empty = 0;
  Text lastProgress;
  std::map<std::string, std::size_t> nameHolders;  // safe title -> chapter number holding it
  std::vector<std::optional<Text>> merged;         // merged chapter texts by chapter number - 1
};

BookDownloader::BookDownloader(const AppState& state, BookList& books, DownloadJobOptions options)
    : state_(state), books_(books), options_(std::move(options)) {}

DownloadSummary BookDownloader::run() {
  DownloadSummary summary;
  const std::size_t rows = books_.rowCount();
  if (options_.progress != nullptr) options_.progress->booksTotal = rows;
  // On a pool, the next book's index page is fetched and its chapters queued while the current
  // book's last chapters are still running, so the workers never wait between books; books are
  // finished (merged file, final status) in list order.
  const std::size_t booksInFlight = options_.pool == nullptr ? 1 : kPooledBooksInFlight;
  std::deque<std::unique_ptr<Book>> inFlight;
  for (std::size_t row = 0; row < rows && !cancelled(options_.cancel); ++row) {
    inFlight.push_back(startBook(row, summary));
    while (inFlight.size() >= booksInFlight) {
      finishBook(*inFlight.front(), summary);
      inFlight.pop_front();
    }
  }
  for (; !inFlight.empty(); inFlight.pop_front()) finishBook(*inFlight.front(), summary);
  summary.stopped = cancelled(options_.cancel);
  return summary;
}

SiteReply BookDownloader::fetch(const Text& url) const {
  SiteRequest request;
  request.url = url;
  request.timeoutSeconds = options_.requestTimeoutSeconds;
  request.cancel = options_.cancel;
  return requestSitePageWithRetries(request, RetryPolicy{options_.maxAttempts, options_.retryPause});
}

std::unique_ptr<BookDownloader::Book> BookDownloader::startBook(std::size_t row, DownloadSummary& summary) {
  auto book = std::make_unique<Book>();
  book->row = row;
  const Text downloadDir = state_.downloadDir();
  if (downloadDir.empty()) return book;  // never write relative to the file system root
  const SiteReply indexReply = fetch(books_.cell(row, kColumnUrl));
  if (cancelled(options_.cancel)) return book;
  const IndexPage index = readIndexPage(utf8ToText(textUpToZero(indexReply.body)));
  book->chapterTotal = index.chapterTotal;
  book->links = index.chapterLinks;
  book->merged.resize(book->links.size());
  book->name = safeFileName(books_.cell(row, kColumnTitle), std::to_string(row));
  book->directory = textToUtf8(downloadDir) + "/" + book->name;
  createDirectoriesFs(book->directory);
  if (!indexReply.ok) {
    // The index page could not be loaded at all: say so instead of leaving the cell empty.
    books_.setCell(row, kColumnStatus, utf8ToText(texts::kChapterWithoutText));
    ++summary.indexPagesFailed;
  }
  if (options_.progress != nullptr) options_.progress->chaptersListed += book->links.size();
  if (options_.pool != nullptr) postChapters(*book);
  return book;
}

void BookDownloader::finishBook(Book& book, DownloadSummary& summary) {
  if (options_.pool == nullptr) {
    for (std::size_t number = 1; number <= book.links.size() && !cancelled(options_.cancel); ++number) {
      downloadChapter(book, number);
    }
  } else {
    waitForChapters(book);
  }
  ++summary.books;
  if (options_.progress != nullptr) ++options_.progress->booksDone;
  std::lock_guard lock(book.mutex);
  summary.chaptersWritten += book.written;
  summary.chaptersFailed += book.failed;
  summary.chaptersEmpty += book.empty;
  if (cancelled(options_.cancel)) return;  // an unfinished book gets no merged file
  bool anyMerged = false;
  Text mergedText;
  for (const std::optional<Text>& chapter : book.merged) {
    if (!chapter) continue;
    anyMerged = true;
    mergedText += *chapter;
  }
  if (anyMerged)
    writeWholeFile(book.directory + "/" + book.name + std::string(kTextFileExtension), mergedText);
  if (book.failed > 0) books_.setCell(book.row, kColumnStatus, book.lastProgress + failedSuffix(book.failed));
}

void BookDownloader::postChapters(Book& book) {
  const std::size_t chapters = book.links.size();
  // Each chapter is claimed once, by a worker or, should the pool stop running and drop its
  // queue, by the waiting thread, so that every chapter is accounted for and the wait ends.
  // A task that a stopping pool still runs after the book is done finds its chapter claimed and
  // touches nothing but the shared flags.
  {
    std::lock_guard lock(book.mutex);
    book.claimed = std::make_shared<std::vector<std::atomic<bool>>>(chapters);
    book.outstanding = chapters;
  }
  for (std::size_t number = 1; number <= chapters; ++number) {
    auto task = [this, &book, claimed = book.claimed, number] {
      if ((*claimed)[number - 1].exchange(true)) return;
      runClaimedChapter(book, number);
    };
    if (!options_.pool->post(task)) task();
  }
}

void BookDownloader::runClaimedChapter(Book& book, std::size_t number) {
  downloadChapter(book, number);
  std::lock_guard lock(book.mutex);
  if (--book.outstanding == 0) book.allDone.notify_all();
}

void BookDownloader::waitForChapters(Book& book) {
  std::unique_lock lock(book.mutex);
  while (!book.allDone.wait_for(lock, kPoolCheckInterval, [&book] { return book.outstanding == 0; })) {
    if (options_.pool->state() == ThreadPool::kRunning) continue;
    lock.unlock();
    for (std::size_t number = 1; number <= book.links.size(); ++number) {
      if (!(*book.claimed)[number - 1].exchange(true)) runClaimedChapter(book, number);
    }
    lock.lock();
  }
}

void BookDownloader::downloadChapter(Book& book, std::size_t number) {
  if (cancelled(options_.cancel)) return;
  const SiteReply reply = fetch(options_.origin + book.links[number - 1]);
  if (cancelled(options_.cancel)) return;  // an aborted chapter is neither written nor counted
  ChapterPage page;
  if (reply.ok) page = readChapterPage(utf8ToText(textUpToZero(reply.body)));
  const Text content = chapterFileContent(page.paragraphs);
  const bool merge = state_.mergeChapters();

  std::lock_guard lock(book.mutex);
  ++book.finished;
  book.lastProgress = progressText(book.finished, book.chapterTotal);
  if (reply.ok && page.paragraphs.empty()) {
    books_.setCell(book.row, kColumnStatus, utf8ToText(texts::kChapterWithoutText));
    ++book.empty;
  }
  books_.setCell(book.row, kColumnStatus, book.lastProgress);
  if (options_.progress != nullptr) ++options_.progress->chaptersDone;
  if (!reply.ok) {
    ++book.failed;
    if (options_.progress != nullptr) ++options_.progress->chaptersFailed;
    return;
  }
  ++book.written;
  if (merge) {
    book.merged[number - 1] = content;
    return;
  }
  writeChapterFile(book, number, safeFileName(page.title, std::to_string(number)), content);
}

void BookDownloader::writeChapterFile(Book& book, std::size_t number, const std::string& name,
                                      const Text& content) {
  const std::string extension(kTextFileExtension);
  auto [holder, inserted] = book.nameHolders.try_emplace(name, number);
  std::string fileName = name;
  if (!inserted) {
    if (holder->second < number) {
      fileName = numberedName(name, number);
    } else {
      // A later chapter took the plain name first (pooled mode): the earlier chapter gets it.
      const std::string plain = book.directory + "/" + name + extension;
      const std::string moved = book.directory + "/" + numberedName(name, holder->second) + extension;
      std::rename(plain.c_str(), moved.c_str());
      holder->second = number;
    }
  }
  writeWholeFile(book.directory + "/" + fileName + extension, content);
}

}  // namespace nc
