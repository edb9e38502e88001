#include "app/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QWindow>

#include "app/book_table_model.h"
#include "app/gui_notifier.h"
#include "app/picture_box.h"
#include "app/program.h"
#include "app/qt_text.h"
#include "app/rounded_region.h"
#include "app/transparent_painter.h"
#include "app/window_services.h"
#include "app/window_texts.h"
#include "catalogue/app_state.h"
#include "catalogue/catalogue_crawler.h"
#include "catalogue/category_table.h"
#include "download/download_dispatcher.h"
#include "script/json_object.h"

namespace nc {
namespace {

constexpr int kPageCount = 5;
constexpr int kSeparatorLength = 140;
constexpr int kLabelFontHeight = 12;
constexpr int kRowHeight = 20;

// Corner ellipses of the rounded regions.
constexpr int kPanelCorner = 50;
constexpr int kDiscCorner = 30;
constexpr int kButtonCorner = 13;

const char* const kPageNames[kPageCount] = {"爬虫区域", "多线程区域", "路径操作区域", "下载区域", "关于帮助"};

const QString kNavigationButtonStyle = QStringLiteral(
    "QPushButton { color: white; font-weight: bold; font-size: 15px; border: none;"
    " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #3fb6c9, stop:1 #1f7f9f); }"
    "QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #5ccde0, stop:1 "
    "#2793b5); }"
    "QPushButton:pressed { background: #1b6d88; }");

const QString kActionButtonStyle = QStringLiteral(
    "QPushButton { color: white; font-weight: bold; font-size: 14px; border: none;"
    " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #8bd86a, stop:1 #3f9f4a); }"
    "QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #a3e888, stop:1 "
    "#4bb457); }"
    "QPushButton:pressed { background: #357f3d; }");

QString separatorText() {
  return QString(kSeparatorLength, QLatin1Char('-'));
}

template <typename T>
T* place(QWidget* parent, const char* name, int left, int top, int width, int height) {
  auto* control = new T(parent);
  control->setObjectName(QString::fromUtf8(name));
  control->setGeometry(left, top, width, height);
  return control;
}

QLabel* label(QWidget* parent, const char* name, QRect geometry, const QString& text, bool wrap = false) {
  auto* control =
      place<QLabel>(parent, name, geometry.x(), geometry.y(), geometry.width(), geometry.height());
  control->setText(text);
  control->setFont(paintFont(kLabelFontHeight, false, false, false));
  control->setWordWrap(wrap);
  control->setAlignment(Qt::AlignLeft | (wrap ? Qt::AlignTop : Qt::AlignVCenter));
  return control;
}

QPushButton* button(QWidget* parent, const char* name, QRect geometry, const char* text,
                    const QString& style) {
  auto* control =
      place<QPushButton>(parent, name, geometry.x(), geometry.y(), geometry.width(), geometry.height());
  control->setText(QString::fromUtf8(text));
  control->setStyleSheet(style);
  control->setCursor(Qt::PointingHandCursor);
  return control;
}

PictureBox* panel(QWidget* parent, const char* name, QRect geometry, QColor top, QColor bottom) {
  auto* box =
      place<PictureBox>(parent, name, geometry.x(), geometry.y(), geometry.width(), geometry.height());
  box->setGradient(top, bottom);
  return box;
}

}  // namespace

MainWindow::MainWindow(Program& program, WindowServices& services, std::string configPath, Text noticeOrigin,
                       QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      program_(program),
      services_(services),
      directory_(program.state(), services, std::move(configPath)),
      notice_(services, std::move(noticeOrigin)) {
  setObjectName(QStringLiteral("窗口"));
  setWindowTitle(QStringLiteral("novel-crawler"));
  setGeometry(kLeft, kTop, kWidth, kHeight);
  setFixedSize(kWidth, kHeight);
  setFont(paintFont(kLabelFontHeight, false, false, false));

  background_ =
      panel(this, "图片框_窗口UI", {-5, 0, 1160, 591}, QColor(0xB9, 0xE1, 0xF7), QColor(0xE4, 0xF8, 0xEC));
  buildSidePanel();
  buildPages();
  connectCore();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildSidePanel() {
  sidePanel_ =
      panel(this, "图片框_左侧UI", {26, 47, 251, 512}, QColor(0xD4, 0xEC, 0x6A), QColor(0x5F, 0xD8, 0xD8));
  const struct {
    const char* name;
    int top;
    const char* text;
  } navigation[kPageCount] = {{"超级按钮_爬虫", 49, "爬虫区域"},
                              {"超级按钮_多线程", 120, "多线程设置"},
                              {"超级按钮_目录设置", 192, "目录设置"},
                              {"超级按钮_下载设置", 264, "下载设置"},
                              {"超级按钮_关于", 336, "关于/帮助"}};
  for (int i = 0; i < kPageCount; ++i) {
    QPushButton* nav = button(sidePanel_, navigation[i].name, {45, navigation[i].top, 160, 48},
                              navigation[i].text, kNavigationButtonStyle);
    connect(nav, &QPushButton::clicked, this, [this, i] {
      showPage(i);
      if (i == kPageCount - 1) notice_.showAboutPictures(aboutPicture1_, aboutPicture2_);
    });
  }
  minimiseBox_ = place<PictureBox>(sidePanel_, "图片框6", 12, 470, 30, 30);
  minimiseBox_->setPicture(minimiseDiscPicture(30));
  minimiseBox_->setCursor(Qt::PointingHandCursor);
  closeBox_ = place<PictureBox>(sidePanel_, "图片框7", 210, 470, 30, 30);
  closeBox_->setPicture(closeDiscPicture(30));
  closeBox_->setCursor(Qt::PointingHandCursor);
  for (QWidget* watched : {static_cast<QWidget*>(background_), static_cast<QWidget*>(sidePanel_),
                           static_cast<QWidget*>(minimiseBox_), static_cast<QWidget*>(closeBox_)}) {
    watched->installEventFilter(this);
  }
}

void MainWindow::buildPages() {
  pages_ = place<QStackedWidget>(this, "高级选择夹1", 296, 48, 832, 504);
  const char* containers[kPageCount] = {"图片框2", "图片框_多线程", "图片框4", "图片框1", "图片框5"};
  for (int i = 0; i < kPageCount; ++i) {
    const int height = i == kPageCount - 1 ? 512 : 504;
    auto* page = new QWidget;
    page->setObjectName(QString::fromUtf8(kPageNames[i]));
    page->setProperty("pageName", QString::fromUtf8(kPageNames[i]));
    PictureBox* container =
        panel(page, containers[i], {0, 0, 832, height}, QColor(0xFB, 0xFE, 0xFF), QColor(0xE6, 0xF5, 0xF3));
    pages_->addWidget(page);
    switch (i) {
      case 0:
        buildCrawlerPage(container);
        break;
      case 1:
        buildThreadPage(container);
        break;
      case 2:
        buildDirectoryPage(container);
        break;
      case 3:
        buildDownloadPage(container);
        break;
      default:
        buildAboutPage(container);
        break;
    }
  }
}

void MainWindow::buildCrawlerPage(PictureBox* page) {
  bookView_ = place<QTableView>(page, "超级列表框1", 0, 0, 832, 448);
  model_ = new BookTableModel(program_.books(), this);
  bookView_->setModel(model_);
  bookView_->verticalHeader()->hide();
  bookView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  bookView_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  bookView_->horizontalHeader()->setHighlightSections(false);
  bookView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  bookView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  bookView_->setWordWrap(false);
  for (int column = 0; column < kBookColumnCount; ++column) {
    bookView_->setColumnWidth(column, BookTableModel::kColumnWidths[column]);
  }
  button(page, "超级按钮_爬虫开始", {48, 456, 160, 40}, "开始获取", kActionButtonStyle);
  button(page, "超级按钮_停止获取", {240, 456, 160, 40}, "停止获取", kActionButtonStyle);
  button(page, "超级按钮_下载", {432, 456, 160, 40}, "开始下载", kActionButtonStyle);
  button(page, "超级按钮_停止下载", {624, 456, 160, 40}, "停止下载", kActionButtonStyle);
}

void MainWindow::buildThreadPage(PictureBox* page) {
  label(page, "透明标签_最小线程", {8, 24, 80, 24}, QString::fromUtf8("最小线程数："));
  minThreads_ = place<QLineEdit>(page, "编辑框_最小线程", 85, 23, 64, 24);
  minThreads_->setText(QStringLiteral("5"));
  label(page, "透明标签_最大线程", {160, 24, 80, 24}, QString::fromUtf8("最大线程数："));
  maxThreads_ = place<QLineEdit>(page, "编辑框_最大线程", 239, 24, 64, 24);
  maxThreads_->setText(QStringLiteral("10"));
  label(page, "透明标签1", {336, 24, 360, 24},
        QString::fromUtf8("注意：最小线程数建议默认即可，最大线程数建议不要超过20"));
  label(page, "透明标签6", {0, 56, 832, 24}, separatorText());
  pooledBox_ = place<QCheckBox>(page, "选择框1", 16, 88, 176, 24);
  pooledBox_->setText(QString::fromUtf8("   是否启用多线程模式"));
  singleBox_ = place<QCheckBox>(page, "选择框2", 224, 88, 112, 24);
  singleBox_->setText(QString::fromUtf8("   使用单线程"));
  for (QCheckBox* box : {pooledBox_, singleBox_})
    box->setFont(paintFont(kLabelFontHeight, true, false, false));
}

void MainWindow::buildDirectoryPage(PictureBox* page) {
  PictureBox* holder =
      panel(page, "图片框_目录", {16, 16, 216, 192}, QColor(0xD8, 0xF1, 0xFA), QColor(0xB8, 0xE6, 0xD8));
  directoryLabel_ = label(holder, "透明标签_目录", {16, 24, 184, 136}, QString(), true);
  chooseLabel_ = label(holder, "透明标签3", {24, 168, 64, 16}, QString::fromUtf8("选择目录"));
  openLabel_ = label(holder, "透明标签4", {128, 168, 64, 16}, QString::fromUtf8("前往目录"));
  for (QLabel* link : {chooseLabel_, openLabel_}) {
    link->setCursor(Qt::PointingHandCursor);
    link->installEventFilter(this);
  }
}

void MainWindow::buildDownloadPage(PictureBox* page) {
  label(page, "透明标签2", {27, 30, 64, 24}, QString::fromUtf8("分类选择："));
  categories_ = place<QComboBox>(page, "组合框1", 88, 32, 72, 20);
  for (std::string_view entry : texts::kCategoryEntries) categories_->addItem(fromUtf8(entry));
  categories_->setCurrentIndex(-1);
  label(page, "透明标签10", {168, 34, 301, 16}, QString::fromUtf8("注意：后期将会添加更多小说源，供您下载"));
  label(page, "透明标签7", {0, 64, 832, 24}, separatorText());
  mergeBox_ = place<QCheckBox>(page, "选择框3", 24, 104, 280, 16);
  mergeBox_->setText(QString::fromUtf8("  是否需要把全部文章结合在一个文本里面"));
  label(page, "透明标签8", {315, 104, 301, 16},
        QString::fromUtf8("注意：如果章节较多的话，可能需要等待很长时间"));
}

void MainWindow::buildAboutPage(PictureBox* page) {
  const QColor top(0xE8, 0xF7, 0xFF);
  const QColor bottom(0xD3, 0xF0, 0xE4);
  PictureBox* version = panel(page, "图片框_关于1", {20, 19, 232, 464}, top, bottom);
  label(version, "透明标签5", {16, 24, 192, 424}, fromUtf8(texts::kVersionText), true);
  PictureBox* pictures = panel(page, "图片框_关于_图片", {299, 19, 232, 464}, top, bottom);
  aboutPicture1_ = place<PictureBox>(pictures, "图片框8", 16, 16, 200, 200);
  aboutPicture2_ = place<PictureBox>(pictures, "图片框9", 16, 242, 200, 200);
  aboutPicture1_->hide();
  aboutPicture2_->hide();
  PictureBox* help = panel(page, "图片框_关于_帮助", {576, 19, 232, 464}, top, bottom);
  label(help, "透明标签9", {20, 16, 192, 424}, fromUtf8(texts::kHelpText), true);
}

void MainWindow::connectCore() {
  AppState& state = program_.state();
  // Only one of the two thread modes can be ticked; unticking one never ticks the other.
  connect(pooledBox_, &QCheckBox::clicked, this, [this] {
    if (singleBox_->isChecked()) singleBox_->setChecked(false);
  });
  connect(singleBox_, &QCheckBox::clicked, this, [this] {
    if (pooledBox_->isChecked()) pooledBox_->setChecked(false);
  });
  connect(pooledBox_, &QCheckBox::toggled, this, [&state](bool on) { state.setPooledMode(on); });
  connect(singleBox_, &QCheckBox::toggled, this, [&state](bool on) { state.setSingleThreadMode(on); });
  connect(mergeBox_, &QCheckBox::toggled, this, [&state](bool on) { state.setMergeChapters(on); });
  connect(minThreads_, &QLineEdit::textChanged, this,
          [&state](const QString& text) { state.setMinThreadsText(fromQString(text)); });
  connect(maxThreads_, &QLineEdit::textChanged, this,
          [&state](const QString& text) { state.setMaxThreadsText(fromQString(text)); });
  state.setMinThreadsText(fromQString(minThreads_->text()));
  state.setMaxThreadsText(fromQString(maxThreads_->text()));

  connect(categories_, &QComboBox::currentIndexChanged, this,
          [this](int index) { selectCategory(program_.state(), program_.categories(), index); });

  auto* start = findChild<QPushButton*>(QStringLiteral("超级按钮_爬虫开始"));
  auto* stop = findChild<QPushButton*>(QStringLiteral("超级按钮_停止获取"));
  auto* download = findChild<QPushButton*>(QStringLiteral("超级按钮_下载"));
  auto* stopDownload = findChild<QPushButton*>(QStringLiteral("超级按钮_停止下载"));
  connect(start, &QPushButton::clicked, this, [this] { program_.crawler().start(); });
  connect(stop, &QPushButton::clicked, this, [this] { program_.crawler().stop(); });
  connect(download, &QPushButton::clicked, this, [this] { program_.dispatcher().start(); });
  connect(stopDownload, &QPushButton::clicked, this, [this] { program_.dispatcher().stop(); });
}

bool MainWindow::create() {
  JsonObject notice;
  ApplyRoundedRegion(sidePanel_, kPanelCorner, kPanelCorner);
  showPage(0);
  if (const Text dir = directory_.load(); !dir.empty()) directoryLabel_->setText(directoryLabelText(dir));
  TransparentOptions bold;
  bold.bold = true;
  for (QCheckBox* box : {pooledBox_, singleBox_, mergeBox_}) InstallTransparentPainting(box, bold);
  InstallTransparentPainting(minimiseBox_);
  ApplyRoundedRegion(minimiseBox_, kDiscCorner, kDiscCorner);
  ApplyRoundedRegion(closeBox_, kDiscCorner, kDiscCorner);
  ApplyRoundedRegion(pages_, kPanelCorner, kPanelCorner);
  for (const char* name :
       {"超级按钮_爬虫", "超级按钮_多线程", "超级按钮_目录设置", "超级按钮_下载设置", "超级按钮_关于",
        "超级按钮_爬虫开始", "超级按钮_停止获取", "超级按钮_下载", "超级按钮_停止下载", "图片框_目录",
        "图片框_关于1", "图片框_关于_图片", "图片框_关于_帮助"}) {
    ApplyRoundedRegion(findChild<QWidget*>(QString::fromUtf8(name)), kButtonCorner, kButtonCorner);
  }
  return notice_.checkAtStart(notice);
}

void MainWindow::showPage(int index) {
  pages_->setCurrentIndex(index);
}

void MainWindow::chooseDirectory() {
  if (const auto browsed = directory_.choose(this)) directoryLabel_->setText(directoryLabelText(*browsed));
}

void MainWindow::confirmExit() {
  notice_.confirmExit();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const auto type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseMove) {
    return QWidget::eventFilter(watched, event);
  }
  auto* mouse = static_cast<QMouseEvent*>(event);
  const bool left = mouse->button() == Qt::LeftButton;
  if (watched == background_ || watched == sidePanel_) {
    if (type == QEvent::MouseButtonPress && left)
      startDrag(mouse);
    else if (type == QEvent::MouseMove)
      mouseMoveEvent(mouse);
    else if (type == QEvent::MouseButtonRelease)
      mouseReleaseEvent(mouse);
    return false;
  }
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease) return false;
  if (!left) return false;
  if (watched == minimiseBox_ && type == QEvent::MouseButtonRelease) {
    showMinimized();
  } else if (watched == closeBox_ && type == QEvent::MouseButtonRelease) {
    confirmExit();
  } else if (watched == chooseLabel_ && type == QEvent::MouseButtonPress) {
    chooseDirectory();
  } else if (watched == openLabel_ && type == QEvent::MouseButtonRelease) {
    directory_.open();
  }
  return false;
}

void MainWindow::startDrag(QMouseEvent* event) {
  QWindow* window = windowHandle();
  if (window != nullptr && window->startSystemMove()) return;
  dragging_ = true;
  dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) startDrag(event);
  QWidget::mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton)) move(event->globalPosition().toPoint() - dragOffset_);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragging_ = false;
}

}  // namespace nc
