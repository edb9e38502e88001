// novel-crawler-tour: opens the window on the configured origins, walks through the five pages,
// a crawl and a download, and saves a picture of the screen at each step.
//
// Messages are shown as real message boxes for a moment (and pictured), then closed; the folder
// browser answers with a directory given on the command line. Meant for a virtual display.
// Usage: novel-crawler-tour <picture folder> <download folder>
#include <chrono>
#include <cstdio>
#include <thread>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTableView>

#include "app/glyph_sheet.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/qt_text.h"
#include "app/window_services.h"
#include "app/window_texts.h"
#include "catalogue/catalogue_crawler.h"
#include "catalogue/origins.h"
#include "download/download_dispatcher.h"

namespace {

constexpr int kSettleMs = 400;
constexpr int kMaxWaitMs = 120000;

void settle(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

class TourServices : public nc::WindowServices {
 public:
  TourServices(QString pictures, QString downloads)
      : pictures_(std::move(pictures)), downloads_(std::move(downloads)) {}

  void shoot(const QString& name) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPixmap shot = screen->grabWindow(0, kShotLeft, kShotTop, kShotWidth, kShotHeight);
    const QString path = QDir(pictures_).filePath(name + QStringLiteral(".png"));
    shot.save(path);
    std::printf("%s\n", path.toLocal8Bit().constData());
  }

  void showMessage(const QString& text, nc::MessageIcon icon) override {
    QMessageBox box(icon == nc::MessageIcon::error ? QMessageBox::Critical : QMessageBox::Information,
                    nc::fromUtf8(nc::texts::kMessageCaption), text, QMessageBox::Ok);
    box.show();
    settle(kSettleMs);
    shoot(QStringLiteral("message-%1").arg(++messages_));
    box.close();
  }
  bool confirm(const QString&, const QString&) override { return false; }
  void openUrl(const QUrl&) override {}
  QString chooseDirectory(QWidget*, const QString&, const QString&) override { return downloads_; }
  void endProgram(int exitCode) override { nc::EndProgram(exitCode); }

 private:
  static constexpr int kShotLeft = 30;
  static constexpr int kShotTop = 30;
  static constexpr int kShotWidth = 1195;
  static constexpr int kShotHeight = 631;

  QString pictures_;
  QString downloads_;
  int messages_ = 0;
};

template <typename T>
T* control(QWidget* window, const char* name) {
  return window->findChild<T*>(QString::fromUtf8(name));
}

void leftPress(QWidget* target) {
  const QPointF at = target->rect().center();
  QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(target, &release);
}

template <typename Done>
void waitFor(Done done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < kMaxWaitMs) settle(50);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <picture folder> <download folder>\n", argv[0]);
    return 2;
  }
  QApplication application(argc, argv);
  TourServices services(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
  nc::Program program(services);
  nc::registerExitRoutine([&program] { program.exitRoutine(); });
  nc::loadGlyphSheet();
  const QString config = QDir(QString::fromLocal8Bit(argv[2])).filePath(QStringLiteral("config.ini"));
  nc::MainWindow window(program, services, config.toStdString(), nc::noticeServerOrigin());
  if (!window.create()) return 1;
  window.show();
  settle(kSettleMs);

  const char* buttons[] = {"超级按钮_爬虫", "超级按钮_多线程", "超级按钮_目录设置", "超级按钮_下载设置",
                           "超级按钮_关于"};
  for (int page = 0; page < 5; ++page) {
    control<QPushButton>(&window, buttons[page])->click();
    if (page == 1) control<QCheckBox>(&window, "选择框2")->click();
    if (page == 2) leftPress(control<QLabel>(&window, "透明标签3"));
    if (page == 3) control<QComboBox>(&window, "组合框1")->setCurrentIndex(1);
    settle(kSettleMs);
    services.shoot(QStringLiteral("page-%1").arg(page));
  }

  control<QPushButton>(&window, buttons[0])->click();
  control<QPushButton>(&window, "超级按钮_爬虫开始")->click();
  settle(1500);
  services.shoot(QStringLiteral("crawl-in-progress"));
  waitFor([&] { return program.crawler().runningCount() == 0; });
  settle(kSettleMs);

  control<QPushButton>(&window, "超级按钮_下载")->click();
  settle(2500);
  services.shoot(QStringLiteral("download-in-progress"));
  control<QPushButton>(&window, "超级按钮_停止下载")->click();
  control<QTableView>(&window, "超级列表框1")->scrollToBottom();
  settle(kSettleMs);
  services.shoot(QStringLiteral("download-stopped"));
  program.exitRoutine();
  return 0;
}
