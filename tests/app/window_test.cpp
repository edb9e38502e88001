// The main window's controls, navigation, check boxes, drop-down list and the core's messages.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>

#include "app/book_table_model.h"
#include "app/window_texts.h"
#include "catalogue/app_state.h"
#include "tests/app/window_fixture.h"
#include "text/code_page.h"

namespace nc::testing {
namespace {

using WindowTest = WindowFixture;

struct Placement {
  const char* name;
  QRect geometry;
  const char* text;  // nullptr: no text to compare
};

TEST_F(WindowTest, ControlsHaveTheirNamesPlacesAndTexts) {
  EXPECT_EQ(window_->objectName(), QString::fromUtf8("窗口"));
  EXPECT_EQ(window_->size(), QSize(1155, 591));
  EXPECT_EQ(window_->pos(), QPoint(50, 50));
  EXPECT_TRUE(window_->windowFlags() & Qt::FramelessWindowHint);

  const Placement placements[] = {
      {"图片框_窗口UI", {-5, 0, 1160, 591}, nullptr},
      {"图片框_左侧UI", {26, 47, 251, 512}, nullptr},
      {"高级选择夹1", {296, 48, 832, 504}, nullptr},
      {"超级按钮_爬虫", {45, 49, 160, 48}, "爬虫区域"},
      {"超级按钮_多线程", {45, 120, 160, 48}, "多线程设置"},
      {"超级按钮_目录设置", {45, 192, 160, 48}, "目录设置"},
      {"超级按钮_下载设置", {45, 264, 160, 48}, "下载设置"},
      {"超级按钮_关于", {45, 336, 160, 48}, "关于/帮助"},
      {"图片框6", {12, 470, 30, 30}, nullptr},
      {"图片框7", {210, 470, 30, 30}, nullptr},
      {"图片框2", {0, 0, 832, 504}, nullptr},
      {"图片框_多线程", {0, 0, 832, 504}, nullptr},
      {"图片框4", {0, 0, 832, 504}, nullptr},
      {"图片框1", {0, 0, 832, 504}, nullptr},
      {"图片框5", {0, 0, 832, 512}, nullptr},
      {"超级列表框1", {0, 0, 832, 448}, nullptr},
      {"超级按钮_爬虫开始", {48, 456, 160, 40}, "开始获取"},
      {"超级按钮_停止获取", {240, 456, 160, 40}, "停止获取"},
      {"超级按钮_下载", {432, 456, 160, 40}, "开始下载"},
      {"超级按钮_停止下载", {624, 456, 160, 40}, "停止下载"},
      {"透明标签_最小线程", {8, 24, 80, 24}, "最小线程数："},
      {"编辑框_最小线程", {85, 23, 64, 24}, "5"},
      {"透明标签_最大线程", {160, 24, 80, 24}, "最大线程数："},
      {"编辑框_最大线程", {239, 24, 64, 24}, "10"},
      {"透明标签1", {336, 24, 360, 24}, "注意：最小线程数建议默认即可，最大线程数建议不要超过20"},
      {"透明标签6", {0, 56, 832, 24}, nullptr},
      {"选择框1", {16, 88, 176, 24}, "   是否启用多线程模式"},
      {"选择框2", {224, 88, 112, 24}, "   使用单线程"},
      {"图片框_目录", {16, 16, 216, 192}, nullptr},
      {"透明标签_目录", {16, 24, 184, 136}, ""},
      {"透明标签3", {24, 168, 64, 16}, "选择目录"},
      {"透明标签4", {128, 168, 64, 16}, "前往目录"},
      {"透明标签2", {27, 30, 64, 24}, "分类选择："},
      {"组合框1", {88, 32, 72, 20}, nullptr},
      {"透明标签10", {168, 34, 301, 16}, "注意：后期将会添加更多小说源，供您下载"},
      {"透明标签7", {0, 64, 832, 24}, nullptr},
      {"选择框3", {24, 104, 280, 16}, "  是否需要把全部文章结合在一个文本里面"},
      {"透明标签8", {315, 104, 301, 16}, "注意：如果章节较多的话，可能需要等待很长时间"},
      {"图片框_关于1", {20, 19, 232, 464}, nullptr},
      {"透明标签5", {16, 24, 192, 424}, "\r\n版本信息\r\n\r\n当前版本：1.1\r\n\r\nBy:Orvane"},
      {"图片框_关于_图片", {299, 19, 232, 464}, nullptr},
      {"图片框8", {16, 16, 200, 200}, nullptr},
      {"图片框9", {16, 242, 200, 200}, nullptr},
      {"图片框_关于_帮助", {576, 19, 232, 464}, nullptr},
      {"透明标签9", {20, 16, 192, 424}, nullptr},
  };
  for (const Placement& p : placements) {
    SCOPED_TRACE(p.name);
    auto* widget = control<QWidget>(p.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->geometry(), p.geometry);
    if (p.text == nullptr) continue;
    QString text;
    if (auto* label = qobject_cast<QLabel*>(widget))
      text = label->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
      text = button->text();
    else if (auto* edit = qobject_cast<QLineEdit*>(widget))
      text = edit->text();
    EXPECT_EQ(text, QString::fromUtf8(p.text));
  }
  const QString dashes(140, QLatin1Char('-'));
  EXPECT_EQ(control<QLabel>("透明标签6")->text(), dashes);
  EXPECT_EQ(control<QLabel>("透明标签7")->text(), dashes);
}

TEST_F(WindowTest, HelpTextIsTheFullTextIn612Bytes) {
  const QString help = control<QLabel>("透明标签9")->text();
  EXPECT_EQ(help, fromUtf8(texts::kHelpText));
  EXPECT_EQ(fromQString(help).size(), 612u);
}

TEST_F(WindowTest, BookListHasSixColumnsWithTheirTitlesAndWidths) {
  auto* view = control<QTableView>("超级列表框1");
  ASSERT_NE(view->model(), nullptr);
  const char* titles[] = {"序号", "小说链接", "作者", "小说书名", "小说简介", "下载状态"};
  const int widths[] = {50, 200, 100, 150, 100, 200};
  ASSERT_EQ(view->model()->columnCount(), 6);
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(view->model()->headerData(c, Qt::Horizontal).toString(), QString::fromUtf8(titles[c]));
    EXPECT_EQ(view->columnWidth(c), widths[c]);
  }
  EXPECT_EQ(view->model()->rowCount(), 0);
}

TEST_F(WindowTest, NavigationButtonsSelectTheirPages) {
  ASSERT_TRUE(window_->create());
  EXPECT_EQ(window_->pages()->currentIndex(), 0);
  const struct {
    const char* button;
    int page;
    const char* pageName;
  } cases[] = {{"超级按钮_下载设置", 3, "下载区域"},
               {"超级按钮_目录设置", 2, "路径操作区域"},
               {"超级按钮_多线程", 1, "多线程区域"},
               {"超级按钮_关于", 4, "关于帮助"},
               {"超级按钮_爬虫", 0, "爬虫区域"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    click(control<QPushButton>(c.button));
    EXPECT_EQ(window_->pages()->currentIndex(), c.page);
    EXPECT_EQ(window_->pages()->currentWidget()->property("pageName").toString(),
              QString::fromUtf8(c.pageName));
  }
  // The download page holds the drop-down list and the merge check box.
  click(control<QPushButton>("超级按钮_下载设置"));
  EXPECT_TRUE(window_->pages()->currentWidget()->isAncestorOf(control<QComboBox>("组合框1")));
  EXPECT_TRUE(window_->pages()->currentWidget()->isAncestorOf(control<QCheckBox>("选择框3")));
}

TEST_F(WindowTest, ThreadModeCheckBoxesExcludeEachOther) {
  ASSERT_TRUE(window_->create());
  auto* pooled = control<QCheckBox>("选择框1");
  auto* single = control<QCheckBox>("选择框2");
  window_->pages()->setCurrentIndex(1);
  window_->show();
  EXPECT_FALSE(pooled->isChecked());
  EXPECT_FALSE(single->isChecked());
  pooled->click();
  EXPECT_TRUE(pooled->isChecked());
  single->click();
  EXPECT_TRUE(single->isChecked());
  EXPECT_FALSE(pooled->isChecked());
  EXPECT_TRUE(program_->state().downloadSettings().singleThreadMode);
  EXPECT_FALSE(program_->state().downloadSettings().pooledMode);
  single->click();  // unchecking never checks the other
  EXPECT_FALSE(single->isChecked());
  EXPECT_FALSE(pooled->isChecked());
  pooled->click();
  single->click();
  pooled->click();
  EXPECT_TRUE(pooled->isChecked());
  EXPECT_FALSE(single->isChecked());
  EXPECT_TRUE(program_->state().downloadSettings().pooledMode);
}

TEST_F(WindowTest, EditBoxesAndMergeBoxReachTheState) {
  control<QLineEdit>("编辑框_最小线程")->setText(QStringLiteral("3"));
  control<QLineEdit>("编辑框_最大线程")->setText(QStringLiteral("12"));
  control<QCheckBox>("选择框3")->click();
  const DownloadSettings settings = program_->state().downloadSettings();
  EXPECT_EQ(settings.minThreadsText, "3");
  EXPECT_EQ(settings.maxThreadsText, "12");
  EXPECT_TRUE(program_->state().mergeChapters());
}

TEST_F(WindowTest, DropDownListHoldsNineCategoriesAndStoresTheChoice) {
  auto* combo = control<QComboBox>("组合框1");
  ASSERT_EQ(combo->count(), 9);
  const char* entries[] = {"玄幻", "武侠", "都市", "历史", "网游", "科幻", "女生", "完本", "排行榜"};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(combo->itemText(i), QString::fromUtf8(entries[i]));
  EXPECT_EQ(combo->currentIndex(), -1);
  EXPECT_TRUE(program_->state().listingTemplate().empty());

  combo->setCurrentIndex(7);
  combo->setCurrentIndex(8);
  const Text origin = server_.origin();
  EXPECT_EQ(program_->state().listingTemplate(), origin + "/json?sortid=9&page=**");
  EXPECT_EQ(program_->state().refererUrl(), origin + "/top/");
}

TEST_F(WindowTest, StartWithoutCategoryShowsItsMessageAndStartsNothing) {
  ASSERT_TRUE(window_->create());
  services_.messages.clear();
  click(control<QPushButton>("超级按钮_爬虫开始"));
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_EQ(services_.messages[0].text, fromUtf8(texts::kChooseCategoryFirst));
  EXPECT_EQ(services_.messages[0].icon, MessageIcon::information);
  EXPECT_EQ(window_->bookModel()->rowCount(), 0);
}

TEST_F(WindowTest, DownloadWithoutThreadModeShowsItsMessage) {
  ASSERT_TRUE(window_->create());
  services_.messages.clear();
  click(control<QPushButton>("超级按钮_下载"));
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_EQ(services_.messages[0].text, fromUtf8(texts::kChooseThreadMode));
  EXPECT_EQ(services_.messages[0].icon, MessageIcon::information);
}

TEST_F(WindowTest, StopButtonsWithNothingRunning) {
  ASSERT_TRUE(window_->create());
  services_.messages.clear();
  click(control<QPushButton>("超级按钮_停止下载"));
  EXPECT_TRUE(services_.messages.empty());
  click(control<QPushButton>("超级按钮_停止获取"));
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_EQ(services_.messages[0].text, fromUtf8(texts::kCrawlStopFailed));
}

TEST_F(WindowTest, MinimisePictureMinimisesOnRelease) {
  ASSERT_TRUE(window_->create());
  window_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  auto* minimise = control<QWidget>("图片框6");
  QTest::mousePress(minimise, Qt::LeftButton, {}, minimise->rect().center());
  EXPECT_FALSE(window_->isMinimized());
  QTest::mouseRelease(minimise, Qt::LeftButton, {}, minimise->rect().center());
  EXPECT_TRUE(window_->windowState() & Qt::WindowMinimized);
}

TEST_F(WindowTest, PressingTheBackgroundAndMovingDragsTheWindow) {
  ASSERT_TRUE(window_->create());
  window_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  auto* panel = control<QWidget>("图片框_左侧UI");
  const QPoint start = window_->pos();
  QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(10, 10));
  QMouseEvent move(QEvent::MouseMove, QPointF(40, 30), panel->mapToGlobal(QPointF(40, 30)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(panel, &move);
  QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(40, 30));
  EXPECT_EQ(window_->pos(), start + QPoint(30, 20));
}

TEST_F(WindowTest, RoundedRegionsAreMasks) {
  ASSERT_TRUE(window_->create());
  for (const char* name : {"图片框_左侧UI", "图片框6", "图片框7", "高级选择夹1", "超级按钮_爬虫",
                           "超级按钮_停止下载", "图片框_目录", "图片框_关于_帮助"}) {
    SCOPED_TRACE(name);
    auto* widget = control<QWidget>(name);
    const QRegion mask = widget->mask();
    ASSERT_FALSE(mask.isEmpty());
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));  // the corner is cut off
    EXPECT_TRUE(mask.contains(widget->rect().center()));
  }
}

}  // namespace
}  // namespace nc::testing
