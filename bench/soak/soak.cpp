// Fault-injection soak: the demo site with injected faults and latency; a crawl of all nine
// categories; then downloads in pooled and single-thread mode, twice, with a stop in the middle
// of the first pooled download. Afterwards every chapter file is checked byte for byte against
// the site's own content, nothing may lie outside the download directories, no temporary file
// may be left, and every missing chapter must be counted in its book's status cell.
// Prints the figures; exits 1 on any unreported loss or mismatch.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/app_state.h"
#include "catalogue/book_list.h"
#include "catalogue/catalogue_crawler.h"
#include "catalogue/category_table.h"
#include "catalogue/notifier.h"
#include "demo-site/novel_site_server.h"
#include "download/download_dispatcher.h"
#include "download/safe_file_name.h"
#include "download/site_pages.h"
#include "text/code_page.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct Options {
  double faultRate = 0.10;
  int latencyMs = 20;
  int pooledBooks = 20;
  int singleBooks = 5;
  int runs = 2;
  std::uint32_t seed = 1;
  std::string workDir;
};

class CountingNotifier : public nc::Notifier {
 public:
  void showMessage(const nc::Text& message, nc::MessageIcon) override {
    std::lock_guard lock(mutex_);
    messages_.push_back(nc::textToUtf8(message));
  }
  std::vector<std::string> messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> messages_;
};

struct Figures {
  std::uint64_t chaptersExpected = 0;
  std::uint64_t chaptersWritten = 0;
  std::uint64_t chaptersMissing = 0;
  std::uint64_t chaptersReportedFailed = 0;
  std::uint64_t unreportedLosses = 0;
  std::uint64_t mismatches = 0;
  std::uint64_t strayFiles = 0;
  std::uint64_t temporaryFiles = 0;
  std::uint64_t crawlRowsMissing = 0;
};

long peakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The failed-chapter count at the end of a status cell ("（N 章下载失败）"), 0 when absent.
std::uint64_t reportedFailures(const std::string& statusUtf8) {
  static const std::string prefix = "（";
  static const std::string suffix = " 章下载失败）";
  std::size_t end = statusUtf8.rfind(suffix);
  if (end == std::string::npos) return 0;
  std::size_t start = statusUtf8.rfind(prefix, end);
  if (start == std::string::npos) return 0;
  return std::strtoull(statusUtf8.substr(start + prefix.size(), end - start - prefix.size()).c_str(), nullptr,
                       10);
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Checks one downloaded book against the site's content.
void checkBook(const nc::demo::NovelSiteContent& content, int bookId, const fs::path& bookDir,
               const std::string& status, Figures& figures) {
  int chapters = content.options().chaptersPerBook;
  std::set<std::string> seenNames;
  std::set<fs::path> expectedFiles;
  std::uint64_t missing = 0;
  for (int chapter = 1; chapter <= chapters; ++chapter) {
    ++figures.chaptersExpected;
    nc::Text title = nc::utf8ToText(content.chapterTitle(bookId, chapter));
    std::string name = nc::safeFileName(title, std::to_string(chapter));
    if (!seenNames.insert(name).second) name += " (" + std::to_string(chapter) + ")";
    fs::path file = bookDir / (name + ".txt");
    expectedFiles.insert(file);
    if (!fs::exists(file)) {
      ++missing;
      continue;
    }
    std::vector<nc::Text> paragraphs;
    for (const std::string& paragraph : content.chapterParagraphs(bookId, chapter)) {
      paragraphs.push_back(nc::utf8ToText(paragraph));
    }
    if (readFile(file) != nc::chapterFileContent(paragraphs)) {
      ++figures.mismatches;
      std::fprintf(stderr, "mismatch: %s\n", file.c_str());
    }
    ++figures.chaptersWritten;
  }
  if (fs::exists(bookDir)) {
    for (const fs::directory_entry& entry : fs::directory_iterator(bookDir)) {
      std::string name = entry.path().filename().string();
      if (name.rfind(".", 0) == 0 || name.find(".part") != std::string::npos) {
        ++figures.temporaryFiles;
        std::fprintf(stderr, "temporary file left: %s\n", entry.path().c_str());
      } else if (!expectedFiles.count(entry.path())) {
        ++figures.strayFiles;
        std::fprintf(stderr, "unexpected file: %s\n", entry.path().c_str());
      }
    }
  }
  std::uint64_t reported = reportedFailures(status);
  figures.chaptersMissing += missing;
  figures.chaptersReportedFailed += reported;
  if (missing > reported) {
    figures.unreportedLosses += missing - reported;
    std::fprintf(stderr, "book %d: %llu chapters missing, status says %llu: %s\n", bookId,
                 static_cast<unsigned long long>(missing), static_cast<unsigned long long>(reported),
                 status.c_str());
  }
}

// Downloads `rows` of `catalogue` into `dir` in one mode; stops once midway when asked.
void download(nc::AppState& state, const std::vector<nc::BookEntry>& rows, const std::string& origin,
              const fs::path& dir, bool pooled, bool stopMidway, nc::BookList& books) {
  for (const nc::BookEntry& row : rows) books.appendRow(row);
  fs::create_directories(dir);
  state.setDownloadDir(nc::utf8ToText(dir.string()));
  nc::DownloadSettings settings;
  settings.pooledMode = pooled;
  settings.singleThreadMode = !pooled;
  state.setDownloadSettings(settings);
  CountingNotifier notifier;
  nc::DispatcherOptions options;
  options.origin = origin;
  options.requestTimeoutSeconds = 5;
  nc::DownloadDispatcher dispatcher(state, books, notifier, options);
  if (!dispatcher.start()) {
    std::fprintf(stderr, "download did not start\n");
    return;
  }
  if (stopMidway) {
    while (dispatcher.isRunning() && dispatcher.progress().chaptersDone < 100)
      std::this_thread::sleep_for(10ms);
    dispatcher.stop();
    std::printf("  stopped after %zu chapters; starting again\n", dispatcher.progress().chaptersDone);
    if (!dispatcher.start()) std::fprintf(stderr, "download did not start again\n");
  }
  dispatcher.waitFinished(std::chrono::minutes(30));
  if (std::optional<nc::DownloadSummary> summary = dispatcher.lastSummary()) {
    std::printf("  %zu books, %zu chapters written, %zu failed, %zu index pages failed%s\n", summary->books,
                summary->chaptersWritten, summary->chaptersFailed, summary->indexPagesFailed,
                summary->stopped ? ", stopped" : "");
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--fault-rate") options.faultRate = std::atof(argv[i + 1]);
    if (flag == "--latency") options.latencyMs = std::atoi(argv[i + 1]);
    if (flag == "--runs") options.runs = std::atoi(argv[i + 1]);
    if (flag == "--seed") options.seed = static_cast<std::uint32_t>(std::atoi(argv[i + 1]));
    if (flag == "--work-dir") options.workDir = argv[i + 1];
  }
  fs::path work = options.workDir.empty()
                      ? fs::temp_directory_path() / ("novel-soak-" + std::to_string(::getpid()))
                      : fs::path(options.workDir);
  fs::remove_all(work);
  fs::create_directories(work);

  nc::demo::SiteOptions site;
  site.port = 0;
  site.latencyMs = options.latencyMs;
  site.faults.seed = options.seed;
  site.faults.resetProbability = options.faultRate / 4;
  site.faults.errorProbability = options.faultRate / 4;
  site.faults.truncateProbability = options.faultRate / 4;
  site.faults.stallProbability = options.faultRate / 4;
  site.faults.stallMs = 300;
  nc::demo::NovelSiteServer server(site);
  if (!server.start()) {
    std::fprintf(stderr, "the demo site did not start\n");
    return 2;
  }
  const nc::demo::NovelSiteContent& content = server.content();
  const nc::Text origin = server.origin();
  std::printf("demo site %s: %d%% faults, %d ms latency\n", server.origin().c_str(),
              static_cast<int>(options.faultRate * 100 + 0.5), options.latencyMs);

  Figures figures;
  auto started = std::chrono::steady_clock::now();

  // Crawl all nine categories, one after the other.
  nc::AppState state;
  nc::BookList catalogue;
  CountingNotifier crawlMessages;
  {
    nc::CrawlerOptions crawlerOptions;
    crawlerOptions.origin = origin;
    crawlerOptions.requestTimeoutSeconds = 5;
    nc::CatalogueCrawler crawler(state, catalogue, crawlMessages, crawlerOptions);
    nc::CategoryTable table(origin);
    for (int category = 0; category < nc::demo::kCategoryCount; ++category) {
      nc::selectCategory(state, table, category);
      crawler.start();
      crawler.waitAll(std::chrono::minutes(5));
    }
  }
  std::size_t expectedRows = static_cast<std::size_t>(content.bookCount());
  std::printf("crawl: %zu of %zu books listed\n", catalogue.rowCount(), expectedRows);
  if (catalogue.rowCount() < expectedRows) {
    figures.crawlRowsMissing = expectedRows - catalogue.rowCount();
    bool reported = false;
    for (const std::string& message : crawlMessages.messages()) {
      if (message.find("失败") != std::string::npos) reported = true;
    }
    if (!reported) figures.unreportedLosses += figures.crawlRowsMissing;
  }

  auto rowsOf = [&](std::size_t first, std::size_t count) {
    std::vector<nc::BookEntry> rows;
    for (std::size_t r = first; r < first + count && r < catalogue.rowCount(); ++r) {
      nc::BookRow row = catalogue.row(r);
      rows.push_back(nc::BookEntry{row[nc::kColumnUrl], row[nc::kColumnAuthor], row[nc::kColumnTitle],
                                   row[nc::kColumnIntro]});
    }
    return rows;
  };

  for (int run = 1; run <= options.runs; ++run) {
    for (bool pooled : {true, false}) {
      std::size_t first = pooled ? 0 : static_cast<std::size_t>(options.pooledBooks);
      std::size_t count = static_cast<std::size_t>(pooled ? options.pooledBooks : options.singleBooks);
      fs::path root = work / ("run" + std::to_string(run) + (pooled ? "-pooled" : "-single"));
      fs::path dir = root / "books";
      nc::BookList books;
      std::printf("run %d, %s mode, %zu books\n", run, pooled ? "pooled 5/10" : "single-thread", count);
      download(state, rowsOf(first, count), origin, dir, pooled, pooled && run == 1, books);
      // Nothing may lie beside the download directory.
      for (const fs::directory_entry& entry : fs::directory_iterator(root)) {
        if (entry.path() != dir) {
          ++figures.strayFiles;
          std::fprintf(stderr, "outside the download directory: %s\n", entry.path().c_str());
        }
      }
      for (std::size_t r = 0; r < books.rowCount(); ++r) {
        nc::BookRow row = books.row(r);
        std::string url = nc::textToUtf8(row[nc::kColumnUrl]);
        int bookId = std::atoi(url.substr(url.rfind("/book/") + 6).c_str());
        fs::path bookDir = dir / nc::safeFileName(row[nc::kColumnTitle], std::to_string(r));
        checkBook(content, bookId, bookDir, nc::textToUtf8(row[nc::kColumnStatus]), figures);
      }
    }
  }
  server.stop();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  nc::demo::SiteStats stats = server.stats();
  std::printf("\nrequests served: %llu, faults injected: %llu\n",
              static_cast<unsigned long long>(stats.totalRequests()),
              static_cast<unsigned long long>(stats.totalFaults()));
  std::printf("%s", stats.summary().c_str());
  std::printf("chapters expected %llu, written %llu, missing %llu (reported as failed %llu)\n",
              static_cast<unsigned long long>(figures.chaptersExpected),
              static_cast<unsigned long long>(figures.chaptersWritten),
              static_cast<unsigned long long>(figures.chaptersMissing),
              static_cast<unsigned long long>(figures.chaptersReportedFailed));
  std::printf(
      "mismatches %llu, unreported losses %llu, files outside or unexpected %llu, temporary files %llu\n",
      static_cast<unsigned long long>(figures.mismatches),
      static_cast<unsigned long long>(figures.unreportedLosses),
      static_cast<unsigned long long>(figures.strayFiles),
      static_cast<unsigned long long>(figures.temporaryFiles));
  std::printf("peak memory %ld KiB, %.1f s\n", peakRssKiB(), seconds);
  fs::remove_all(work);
  bool clean = figures.mismatches == 0 && figures.unreportedLosses == 0 && figures.strayFiles == 0 &&
               figures.temporaryFiles == 0;
  std::printf("%s\n", clean ? "soak passed" : "soak FAILED");
  return clean ? 0 : 1;
}
