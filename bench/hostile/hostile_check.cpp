// Runs the crawl and the download against the demo site's hostile pages (novel-demo-site
// --hostile, started as a separate process so that only the client's memory is measured) and
// prints what each case gave. Fails when the program writes outside its download directory,
// when a case does not end in time, or when peak memory passes 256 MB.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/app_state.h"
#include "catalogue/book_list.h"
#include "catalogue/catalogue_crawler.h"
#include "catalogue/category_table.h"
#include "catalogue/notifier.h"
#include "download/download_dispatcher.h"
#include "text/code_page.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr long kMemoryLimitKiB = 256 * 1024;

class LastMessage : public nc::Notifier {
 public:
  void showMessage(const nc::Text& message, nc::MessageIcon) override {
    std::lock_guard lock(mutex_);
    last_ = nc::textToUtf8(message);
  }
  std::string last() const {
    std::lock_guard lock(mutex_);
    return last_.empty() ? "(none)" : last_;
  }

 private:
  mutable std::mutex mutex_;
  std::string last_;
};

long peakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Starts the hostile site as a child process; returns its origin.
std::string startSite(const std::string& program, pid_t& child) {
  int out[2];
  if (pipe(out) != 0) return {};
  child = fork();
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    execl(program.c_str(), program.c_str(), "--hostile", "--port", "0", "--quiet",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  std::string line;
  char c;
  while (read(out[0], &c, 1) == 1 && c != '\n') line.push_back(c);
  close(out[0]);
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  std::string program = argc > 1 ? argv[1] : "build/demo-site/novel-demo-site";
  pid_t child = 0;
  std::string origin = startSite(program, child);
  if (origin.empty()) {
    std::fprintf(stderr, "cannot start %s --hostile\n", program.c_str());
    return 2;
  }
  bool failed = false;
  const char* names[] = {"",
                         "100,000 listing elements",
                         "JSON nested 100,000 deep",
                         "invalid UTF-8 listing",
                         "redirect loop",
                         "never answers",
                         "hostile titles",
                         "index of 100,000 links",
                         "50 MB chapter page"};
  std::printf("%-26s %8s %8s %9s  %s\n", "case", "rows", "seconds", "peak MB", "closing message");
  nc::CategoryTable table(origin);
  std::vector<nc::BookRow> downloadRows;
  for (int sortId = 1; sortId <= 8; ++sortId) {
    nc::AppState state;
    nc::BookList books;
    LastMessage notifier;
    nc::CrawlerOptions options;
    options.origin = origin;
    options.requestTimeoutSeconds = 3;
    auto start = Clock::now();
    {
      nc::CatalogueCrawler crawler(state, books, notifier, options);
      nc::selectCategory(state, table, sortId - 1);
      crawler.start();
      if (!crawler.waitAll(60s)) {
        std::printf("%-26s did not end within 60 s\n", names[sortId]);
        failed = true;
      }
    }
    std::printf("%-26s %8zu %8.1f %9.1f  %s\n", names[sortId], books.rowCount(), secondsSince(start),
                peakRssKiB() / 1024.0, notifier.last().c_str());
    if (sortId >= 6) {
      for (std::size_t r = 0; r < books.rowCount(); ++r) downloadRows.push_back(books.row(r));
    }
  }

  // Download the hostile books: pooled 5/10, stopped after 20 seconds at the latest.
  fs::path root = fs::temp_directory_path() / ("novel-hostile-" + std::to_string(getpid()));
  fs::path dir = root / "books";
  fs::create_directories(dir);
  {
    nc::AppState state;
    nc::BookList books;
    for (const nc::BookRow& row : downloadRows) {
      books.appendRow(
          {row[nc::kColumnUrl], row[nc::kColumnAuthor], row[nc::kColumnTitle], row[nc::kColumnIntro]});
    }
    state.setDownloadDir(nc::utf8ToText(dir.string()));
    nc::DownloadSettings settings;
    settings.pooledMode = true;
    state.setDownloadSettings(settings);
    LastMessage notifier;
    nc::DispatcherOptions options;
    options.origin = origin;
    options.requestTimeoutSeconds = 10;
    nc::DownloadDispatcher dispatcher(state, books, notifier, options);
    auto start = Clock::now();
    dispatcher.start();
    if (!dispatcher.waitFinished(20s)) dispatcher.stop();
    nc::DownloadProgress::Snapshot progress = dispatcher.progress();
    std::printf("%-26s %8zu %8.1f %9.1f  %zu chapters done of %zu listed%s\n", "download of those books",
                books.rowCount(), secondsSince(start), peakRssKiB() / 1024.0, progress.chaptersDone,
                progress.chaptersListed, dispatcher.isRunning() ? " (still running)" : "");
    for (std::size_t r = 0; r < books.rowCount(); ++r) {
      std::printf("    %-40.40s -> %s\n", nc::textToUtf8(books.cell(r, nc::kColumnTitle)).c_str(),
                  nc::textToUtf8(books.cell(r, nc::kColumnStatus)).c_str());
    }
  }
  std::size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) ++files;
    fs::path relative = fs::relative(entry.path(), dir);
    if (relative.empty() || *relative.begin() == "..") {
      std::printf("written outside the download directory: %s\n", entry.path().c_str());
      failed = true;
    }
  }
  std::printf("files written: %zu, all inside %s\n", files, dir.c_str());
  fs::remove_all(root);
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  long peak = peakRssKiB();
  std::printf("peak memory of the client: %.1f MB (limit 256 MB)\n", peak / 1024.0);
  if (peak > kMemoryLimitKiB) failed = true;
  std::printf("%s\n", failed ? "hostile check FAILED" : "hostile check passed");
  return failed ? 1 : 0;
}
