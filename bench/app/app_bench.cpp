// app_bench: how long the window's event loop takes to answer while a crawl of thousands of
// books and a pooled download run against the demo site in the same process.
//
// A probe thread posts a stamped call to the window thread every few milliseconds; the delay
// until it runs is the time an input event would wait. Meanwhile the book view scrolls, so rows
// are painted as they arrive. Prints the delays (median, 99th percentile, maximum) and what the
// core got done. Usage: app_bench [seconds] (default 10). Runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

#include "app/book_table_model.h"
#include "app/glyph_sheet.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/window_services.h"
#include "catalogue/app_state.h"
#include "catalogue/catalogue_crawler.h"
#include "demo-site/novel_site_server.h"
#include "download/download_dispatcher.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kProbeIntervalMs = 5;
constexpr int kScrollIntervalMs = 50;
constexpr int kDownloadStartMs = 1500;
constexpr double kGoalMs = 100.0;

class QuietServices : public nc::WindowServices {
 public:
  void showMessage(const QString&, nc::MessageIcon) override { ++messages; }
  bool confirm(const QString&, const QString&) override { return false; }
  void openUrl(const QUrl&) override {}
  QString chooseDirectory(QWidget*, const QString&, const QString&) override { return {}; }
  void endProgram(int) override {}
  int messages = 0;
};

template <typename T>
T* control(QWidget* window, const char* name) {
  return window->findChild<T*>(QString::fromUtf8(name));
}

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
  return values[at];
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  nc::loadGlyphSheet();

  nc::demo::SiteOptions site;
  site.port = 0;
  site.latencyMs = 2;
  site.content.pagesPerCategory = 50;
  site.content.booksPerPage = 100;  // 5,000 books
  site.content.chaptersPerBook = 20;
  site.content.paragraphsPerChapter = 4;
  nc::demo::NovelSiteServer server(site);
  if (!server.start()) {
    std::fprintf(stderr, "app_bench: the demo site did not start\n");
    return 1;
  }
  ::setenv("NOVEL_SITE_ORIGIN", server.origin().c_str(), 1);
  const auto downloads =
      std::filesystem::temp_directory_path() / ("nc-app-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(downloads);

  QuietServices services;
  nc::Program program(services);
  nc::MainWindow window(program, services, (downloads / "config.ini").string(), server.origin());
  if (!window.create()) return 1;
  window.show();
  program.state().setDownloadDir(downloads.string());

  control<QComboBox>(&window, "组合框1")->setCurrentIndex(0);
  control<QPushButton>(&window, "超级按钮_爬虫开始")->click();

  // Probe: the delay between posting a call and the window thread running it.
  std::mutex samplesMutex;
  std::vector<double> delaysMs;
  std::atomic<bool> probing{true};
  std::thread probe([&] {
    while (probing.load()) {
      const auto posted = Clock::now();
      QMetaObject::invokeMethod(
          &window,
          [&, posted] {
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - posted).count();
            std::lock_guard lock(samplesMutex);
            delaysMs.push_back(ms);
          },
          Qt::QueuedConnection);
      std::this_thread::sleep_for(std::chrono::milliseconds(kProbeIntervalMs));
    }
  });

  auto* view = control<QTableView>(&window, "超级列表框1");
  std::mt19937 random(1);
  QTimer scroller;
  QObject::connect(&scroller, &QTimer::timeout, [&] {
    QScrollBar* bar = view->verticalScrollBar();
    if (bar->maximum() > 0)
      bar->setValue(static_cast<int>(random() % static_cast<unsigned>(bar->maximum() + 1)));
  });
  scroller.start(kScrollIntervalMs);

  QTimer::singleShot(kDownloadStartMs, [&] {
    control<QCheckBox>(&window, "选择框1")->click();  // pooled mode, "5" and "10" threads
    control<QPushButton>(&window, "超级按钮_下载")->click();
  });
  QTimer::singleShot(seconds * 1000, &application, &QCoreApplication::quit);
  QElapsedTimer wall;
  wall.start();
  application.exec();
  const double runSeconds = static_cast<double>(wall.elapsed()) / 1000.0;

  probing = false;
  probe.join();
  const auto progress = program.dispatcher().progress();
  const int rows = window.bookModel()->rowCount();
  QElapsedTimer exitTimer;
  exitTimer.start();
  program.exitRoutine();
  const qint64 exitMs = exitTimer.elapsed();
  server.stop();
  std::filesystem::remove_all(downloads);

  std::lock_guard lock(samplesMutex);
  const double worst = delaysMs.empty() ? 0 : *std::max_element(delaysMs.begin(), delaysMs.end());
  std::printf("window event-loop latency during crawl + pooled download (%.1f s, %zu probes)\n", runSeconds,
              delaysMs.size());
  std::printf("  median %.2f ms   p99 %.2f ms   max %.2f ms   (goal < %.0f ms: %s)\n",
              percentile(delaysMs, 0.5), percentile(delaysMs, 0.99), worst, kGoalMs,
              worst < kGoalMs ? "met" : "MISSED");
  std::printf("  rows in the view %d, books done %zu of %zu, chapters done %zu\n", rows, progress.booksDone,
              progress.booksTotal, progress.chaptersDone);
  std::printf("  exit routine (stopping the crawl and the download) %lld ms\n",
              static_cast<long long>(exitMs));
  return 0;
}
