// The main window 窗口: a frameless 1155 x 591 window with a side panel of navigation buttons
// and a page control of five pages (crawler, thread settings, directory, download settings,
// About/help).
//
// Every control carries its name as its Qt object name. The constructor builds the controls;
// create() is the creation handler (rounded regions, page 0, the stored directory, transparent
// painting, the remote notice). Handlers call the core through the Program and the desktop
// through WindowServices; nothing long runs on the window thread without the window painting.
// Window thread only.
#pragma once

#include <string>

#include <QPoint>
#include <QWidget>

#include "app/directory_setting.h"
#include "app/remote_notice.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTableView;

namespace nc {

class BookTableModel;
class PictureBox;
class Program;
class WindowServices;

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 1155;
  static constexpr int kHeight = 591;
  static constexpr int kLeft = 50;
  static constexpr int kTop = 50;

  MainWindow(Program& program, WindowServices& services, std::string configPath, Text noticeOrigin,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  // The creation handler. False when the remote notice has ended the program (the window must
  // then not be shown).
  bool create();

  QStackedWidget* pages() const { return pages_; }
  BookTableModel* bookModel() const { return model_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void buildSidePanel();
  void buildPages();
  void buildCrawlerPage(PictureBox* page);
  void buildThreadPage(PictureBox* page);
  void buildDirectoryPage(PictureBox* page);
  void buildDownloadPage(PictureBox* page);
  void buildAboutPage(PictureBox* page);
  void connectCore();

  void showPage(int index);
  void chooseDirectory();
  void confirmExit();
  void startDrag(QMouseEvent* event);

  Program& program_;
  WindowServices& services_;
  DirectorySetting directory_;
  RemoteNotice notice_;

  PictureBox* background_ = nullptr;
  PictureBox* sidePanel_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  QTableView* bookView_ = nullptr;
  BookTableModel* model_ = nullptr;
  QCheckBox* pooledBox_ = nullptr;
  QCheckBox* singleBox_ = nullptr;
  QCheckBox* mergeBox_ = nullptr;
  QLineEdit* minThreads_ = nullptr;
  QLineEdit* maxThreads_ = nullptr;
  QComboBox* categories_ = nullptr;
  QLabel* directoryLabel_ = nullptr;
  QLabel* chooseLabel_ = nullptr;
  QLabel* openLabel_ = nullptr;
  PictureBox* minimiseBox_ = nullptr;
  PictureBox* closeBox_ = nullptr;
  PictureBox* aboutPicture1_ = nullptr;
  PictureBox* aboutPicture2_ = nullptr;

  // Dragging by hand where the platform cannot move the window itself.
  bool dragging_ = false;
  QPoint dragOffset_;
};

}  // namespace nc
