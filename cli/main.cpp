// novel-crawler-cli: the catalogue crawl and the book download from a terminal.
//
//   novel-crawler-cli categories
//   novel-crawler-cli crawl CATEGORY [--pages N] [--json]
//   novel-crawler-cli download --dir DIR [--list FILE | --url URL [--title TITLE]]
//                     [--single | --threads MIN:MAX] [--merge] [--timeout S] [--retry-pause MS]
//
// CATEGORY is an index 0-8 or an entry text ("武侠"). The origins come from the build settings
// or the NOVEL_SITE_ORIGIN and NOTICE_SERVER_ORIGIN environment variables.
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/app_state.h"
#include "catalogue/book_list.h"
#include "catalogue/catalogue_crawler.h"
#include "catalogue/category_table.h"
#include "catalogue/notifier.h"
#include "catalogue/origins.h"
#include "cli/book_list_io.h"
#include "download/download_dispatcher.h"
#include "text/code_page.h"

namespace {

using namespace nc;

constexpr int kExitOk = 0;
constexpr int kExitFailures = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNothingFound = 3;
constexpr std::chrono::milliseconds kProgressInterval{250};
constexpr std::chrono::hours kNoLimit{24 * 365};

std::atomic<bool> interrupted{false};

void onInterrupt(int) {
  interrupted = true;
}

// Messages of the core, printed on standard error.
class PrintingNotifier : public Notifier {
 public:
  void showMessage(const Text& message, MessageIcon icon) override {
    std::fprintf(stderr, "%s %s\n", icon == MessageIcon::error ? "[error]" : "[info]",
                 textToUtf8(message).c_str());
  }
};

int usage() {
  std::fputs(
      "usage: novel-crawler-cli categories\n"
      "       novel-crawler-cli crawl CATEGORY [--pages N] [--json]\n"
      "       novel-crawler-cli download --dir DIR [--list FILE|- | --url URL [--title TITLE]]\n"
      "                         [--single | --threads MIN:MAX] [--merge] [--timeout S] [--retry-pause MS]\n",
      stderr);
  return kExitUsage;
}

std::optional<int> toInt(const std::string& text) {
  try {
    std::size_t used = 0;
    const int value = std::stoi(text, &used);
    if (used != text.size()) return std::nullopt;
    return value;
  } catch (...) {
    return std::nullopt;
  }
}

int listCategories() {
  const CategoryTable table(novelSiteOrigin());
  for (int index = 0; index < CategoryTable::kCategoryCount; ++index) {
    const CategoryRow& row = table.row(index);
    std::printf("%d\t%s\t%s\t%s\n", index, textToUtf8(row.entryText).c_str(), row.listingTemplate.c_str(),
                row.refererUrl.c_str());
  }
  return kExitOk;
}

int crawl(const std::vector<std::string>& args) {
  if (args.empty()) return usage();
  const CategoryTable table(novelSiteOrigin());
  int category = -1;
  if (const std::optional<int> index = toInt(args[0])) {
    category = *index;
  } else {
    const std::vector<Text> entries = table.entryTexts();
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
      if (entries[i] == utf8ToText(args[0])) category = i;
    }
  }
  if (category < 0 || category >= CategoryTable::kCategoryCount) {
    std::fprintf(stderr, "unknown category: %s\n", args[0].c_str());
    return kExitUsage;
  }
  CrawlerOptions options;
  options.origin = novelSiteOrigin();
  cli::ListFormat format = cli::ListFormat::tsv;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--json") {
      format = cli::ListFormat::jsonLines;
    } else if (args[i] == "--pages" && i + 1 < args.size() && toInt(args[i + 1]).value_or(0) > 0) {
      options.maxPages = *toInt(args[++i]);
    } else {
      return usage();
    }
  }
  std::atomic<int> end{-1};
  options.onFinished = [&end](CrawlEnd how, std::size_t) { end = static_cast<int>(how); };

  AppState state;
  BookList books;
  PrintingNotifier notifier;
  selectCategory(state, table, category);
  {
    CatalogueCrawler crawler(state, books, notifier, options);
    crawler.start();
    while (!crawler.waitAll(kProgressInterval)) {
      if (interrupted) crawler.stop();
    }
  }
  for (std::size_t row = 0; row < books.rowCount(); ++row) {
    std::printf("%s\n", cli::formatBookRow(books.row(row), format).c_str());
  }
  std::fflush(stdout);
  const bool failed =
      end == static_cast<int>(CrawlEnd::nothingFound) || end == static_cast<int>(CrawlEnd::pageFailed);
  return failed ? kExitNothingFound : kExitOk;
}

void printProgress(const DownloadProgress::Snapshot& progress, double seconds) {
  const double rate = seconds > 0 ? static_cast<double>(progress.chaptersDone) / seconds : 0.0;
  std::fprintf(stderr, "\rbooks %zu/%zu  chapters %zu/%zu  failed %zu  %.1f chapters/s   ",
               progress.booksDone, progress.booksTotal, progress.chaptersDone, progress.chaptersListed,
               progress.chaptersFailed, rate);
}

int download(const std::vector<std::string>& args) {
  std::string dir, listPath, url, title;
  bool merge = false;
  DownloadSettings settings;
  settings.singleThreadMode = true;
  DispatcherOptions options;
  options.origin = novelSiteOrigin();
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--dir" && hasValue) {
      dir = args[++i];
    } else if (arg == "--list" && hasValue) {
      listPath = args[++i];
    } else if (arg == "--url" && hasValue) {
      url = args[++i];
    } else if (arg == "--title" && hasValue) {
      title = args[++i];
    } else if (arg == "--single") {
      settings.singleThreadMode = true;
      settings.pooledMode = false;
    } else if (arg == "--threads" && hasValue) {
      const std::string value = args[++i];
      const std::size_t colon = value.find(':');
      if (colon == std::string::npos) return usage();
      settings.pooledMode = true;
      settings.singleThreadMode = false;
      settings.minThreadsText = value.substr(0, colon);
      settings.maxThreadsText = value.substr(colon + 1);
    } else if (arg == "--merge") {
      merge = true;
    } else if (arg == "--timeout" && hasValue && toInt(args[i + 1])) {
      options.requestTimeoutSeconds = *toInt(args[++i]);
    } else if (arg == "--retry-pause" && hasValue && toInt(args[i + 1])) {
      options.retryPause = std::chrono::milliseconds(*toInt(args[++i]));
    } else {
      return usage();
    }
  }
  if (dir.empty() || (listPath.empty() == url.empty())) return usage();

  BookList books;
  if (!url.empty()) {
    if (title.empty()) {
      // The last path component of the index URL names the book's directory.
      std::string path = url;
      while (!path.empty() && path.back() == '/') path.pop_back();
      title = path.substr(path.rfind('/') + 1);
    }
    books.appendRow({url, {}, utf8ToText(title), {}});
  } else {
    std::ifstream file;
    if (listPath != "-") {
      file.open(listPath);
      if (!file) {
        std::fprintf(stderr, "cannot read %s\n", listPath.c_str());
        return kExitUsage;
      }
    }
    std::size_t badLine = 0;
    const auto entries = cli::readBookList(listPath == "-" ? std::cin : file, badLine);
    if (!entries) {
      std::fprintf(stderr, "%s:%zu: not a book list line\n", listPath.c_str(), badLine);
      return kExitUsage;
    }
    for (const BookEntry& entry : *entries) books.appendRow(entry);
  }
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();

  AppState state;
  state.setDownloadDir(utf8ToText(dir));
  state.setDownloadSettings(settings);
  state.setMergeChapters(merge);
  PrintingNotifier notifier;
  const bool showProgress = ::isatty(STDERR_FILENO) != 0;
  std::optional<DownloadSummary> summary;
  const auto started = std::chrono::steady_clock::now();
  {
    DownloadDispatcher dispatcher(state, books, notifier, options);
    if (!dispatcher.start()) return kExitUsage;
    while (!dispatcher.waitFinished(kProgressInterval)) {
      if (interrupted) dispatcher.stop();
      if (showProgress) {
        printProgress(dispatcher.progress(),
                      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
      }
    }
    summary = dispatcher.lastSummary();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (showProgress) std::fputs("\n", stderr);
  if (!summary) return kExitFailures;
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  const std::size_t finished = summary->chaptersWritten + summary->chaptersFailed;
  std::fprintf(stderr,
               "%zu books, %zu chapters written, %zu failed, %zu without text, %zu index pages failed%s, "
               "%.2f s, %.1f chapters/s, peak RSS %ld KiB\n",
               summary->books, summary->chaptersWritten, summary->chaptersFailed, summary->chaptersEmpty,
               summary->indexPagesFailed, summary->stopped ? ", stopped" : "", seconds,
               seconds > 0 ? static_cast<double>(finished) / seconds : 0.0, usage.ru_maxrss);
  const bool failures = summary->chaptersFailed > 0 || summary->indexPagesFailed > 0 || summary->stopped;
  return failures ? kExitFailures : kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGINT, onInterrupt);
  std::signal(SIGTERM, onInterrupt);
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return usage();
  const std::string command = args[0];
  args.erase(args.begin());
  int code = kExitUsage;
  if (command == "categories") {
    code = listCategories();
  } else if (command == "crawl") {
    code = crawl(args);
  } else if (command == "download") {
    code = download(args);
  } else {
    code = usage();
  }
  // The pool's workers end on their own after the pool is released and may still be tidying up
  // their connections; ending here skips the TLS library's clean-up at exit, which would race
  // with them.
  std::fflush(nullptr);
  std::_Exit(code);
}
