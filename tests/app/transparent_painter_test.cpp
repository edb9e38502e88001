// The transparent painter: which controls it takes, and the glyph cells and text it draws.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include "app/glyph_sheet.h"
#include "app/picture_box.h"
#include "app/transparent_painter.h"
#include "tests/app/app_test_support.h"

namespace nc::testing {
namespace {

// Makes the application before the fixture's widgets.
struct WithApplication {
  WithApplication() { qtApp(); }
};

class TransparentPainterTest : public ::testing::Test, private WithApplication {
 protected:
  void SetUp() override {
    parent_.resize(400, 100);
    // A plain white parent, so the glyph and text are the only other colours.
    parent_.setAutoFillBackground(true);
    QPalette palette = parent_.palette();
    palette.setColor(QPalette::Window, Qt::white);
    parent_.setPalette(palette);
  }

  // The control as drawn over its parent.
  static QImage render(QWidget* control) {
    QImage image(control->size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    control->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
  }

  static QImage sheetCell(QRect cell) {
    return glyphSheet().toImage().convertToFormat(QImage::Format_RGB32).copy(cell);
  }

  QWidget parent_;
};

TEST_F(TransparentPainterTest, ClassifiesControlsByKind) {
  QLabel label(&parent_);
  QLabel link(&parent_);
  link.setOpenExternalLinks(true);
  QCheckBox check(&parent_);
  QRadioButton radio(&parent_);
  QPushButton push(&parent_);
  QPushButton toggle(&parent_);
  toggle.setCheckable(true);
  QGroupBox group(&parent_);
  QComboBox combo(&parent_);
  QListView list(&parent_);
  QProgressBar progress(&parent_);
  PictureBox picture(&parent_);
  QWidget plain(&parent_);
  const struct {
    const char* name;
    QWidget* widget;
    int kind;
    bool painted;
  } cases[] = {
      {"label", &label, kKindStatic, true},
      {"link label", &link, kKindNotSupported, false},
      {"check box", &check, kKindCheckBox, true},
      {"radio button", &radio, kKindRadioButton, true},
      {"push button", &push, kKindPushButton, false},
      {"push-like check", &toggle, kKindPushButton, false},
      {"group box", &group, kKindGroupBox, false},
      {"combo box", &combo, kKindNotSupported, false},
      {"list", &list, kKindNotSupported, false},
      {"progress bar", &progress, kKindNotSupported, false},
      {"picture box", &picture, kKindLibraryWindow, true},
      {"plain widget", &plain, kKindNotSupported, false},
      {"no control", nullptr, kKindNotSupported, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ClassifyControl(c.widget), c.kind);
    const QFont before = c.widget ? c.widget->font() : QFont();
    EXPECT_EQ(InstallTransparentPainting(c.widget), c.painted);
    if (c.widget == nullptr) continue;
    if (c.painted) {
      EXPECT_EQ(c.widget->property(kKindProperty).toInt(), c.kind);
    } else {
      // A refused control is left as it was.
      EXPECT_FALSE(c.widget->property(kKindProperty).isValid());
      EXPECT_EQ(c.widget->font(), before);
    }
  }
}

TEST_F(TransparentPainterTest, CheckBoxDrawsTheCellOfItsState) {
  const struct {
    const char* name;
    Qt::CheckState state;
    bool enabled;
    int cellY;
  } cases[] = {
      {"unchecked", Qt::Unchecked, true, 0},           {"checked", Qt::Checked, true, 52},
      {"third state", Qt::PartiallyChecked, true, 52}, {"disabled unchecked", Qt::Unchecked, false, 39},
      {"disabled checked", Qt::Checked, false, 91},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QCheckBox box(QStringLiteral("text"), &parent_);
    box.setGeometry(10, 10, 120, 24);
    box.setTristate(true);
    box.setCheckState(c.state);
    box.setEnabled(c.enabled);
    ASSERT_TRUE(InstallTransparentPainting(&box));
    const QImage image = render(&box);
    // A 24-pixel-high box draws its glyph at y = (24 - 13) / 2 = 5.
    EXPECT_EQ(image.copy(0, 5, 13, 13), sheetCell(QRect(0, c.cellY, 13, 13)));
  }
}

TEST_F(TransparentPainterTest, RadioButtonDrawsItsCellWithMagentaTransparent) {
  QRadioButton radio(QString(), &parent_);
  radio.setGeometry(0, 0, 60, 20);
  radio.setChecked(true);
  ASSERT_TRUE(InstallTransparentPainting(&radio));
  const QImage image = render(&radio);
  const QImage cell = sheetCell(glyphCell(true, true, false));
  const int top = (20 - 13) / 2;
  for (int y = 0; y < 13; ++y) {
    for (int x = 0; x < 13; ++x) {
      const QRgb sheetPixel = cell.pixel(x, y) & 0xFFFFFF;
      const QRgb drawn = image.pixel(x, top + y) & 0xFFFFFF;
      EXPECT_EQ(drawn, sheetPixel == kGlyphTransparencyKey ? 0xFFFFFFu : sheetPixel) << x << "," << y;
    }
  }
}

TEST_F(TransparentPainterTest, TextStartsAfterTheGlyphAndEmptyTextDrawsOnlyTheGlyph) {
  QCheckBox box(QStringLiteral("WWWW"), &parent_);
  box.setGeometry(0, 0, 120, 24);
  TransparentOptions options;
  options.bold = true;
  ASSERT_TRUE(InstallTransparentPainting(&box, options));
  EXPECT_TRUE(box.font().bold());
  EXPECT_EQ(box.font().pixelSize(), 12);
  const QImage withText = render(&box);
  int leftmostInk = 1000;
  int top = 1000;
  int bottom = -1;
  for (int y = 0; y < withText.height(); ++y) {
    for (int x = 13; x < withText.width(); ++x) {
      if ((withText.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) continue;
      leftmostInk = std::min(leftmostInk, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  EXPECT_GE(leftmostInk, kGlyphTextLeft);
  EXPECT_LE(leftmostInk, kGlyphTextLeft + 3);
  EXPECT_NEAR((top + bottom) / 2.0, 12.0, 3.0);  // one line, centred vertically

  box.setText(QString());
  const QImage glyphOnly = render(&box);
  for (int y = 0; y < glyphOnly.height(); ++y)
    for (int x = 13; x < glyphOnly.width(); ++x) ASSERT_EQ(glyphOnly.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(TransparentPainterTest, LabelTextFollowsColourAndAlignment) {
  QLabel label(QStringLiteral("II"), &parent_);
  label.setGeometry(0, 0, 100, 40);
  TransparentOptions options;
  options.horizontalAlign = 2;  // right
  options.verticalAlign = 2;    // bottom
  options.textColor = QColor(0xFF, 0, 0);
  options.fontHeight = 16;
  options.underline = true;
  ASSERT_TRUE(InstallTransparentPainting(&label, options));
  EXPECT_EQ(label.font().pixelSize(), 16);
  EXPECT_TRUE(label.font().underline());
  const QImage image = render(&label);
  int leftmost = 1000;
  int lowest = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y) & 0xFFFFFF;
      if (p == 0xFFFFFF) continue;
      EXPECT_GT(qRed(p), qGreen(p));  // red ink only
      leftmost = std::min(leftmost, x);
      lowest = std::max(lowest, y);
    }
  }
  EXPECT_GT(leftmost, 70);  // at the right edge
  EXPECT_GT(lowest, 30);    // at the bottom
}

TEST_F(TransparentPainterTest, SecondInstallationRenewsTheOptions) {
  QCheckBox box(QStringLiteral("x"), &parent_);
  ASSERT_TRUE(InstallTransparentPainting(&box));
  EXPECT_FALSE(box.font().bold());
  TransparentOptions bold;
  bold.bold = true;
  ASSERT_TRUE(InstallTransparentPainting(&box, bold));
  EXPECT_TRUE(box.font().bold());
  EXPECT_EQ(box.findChildren<QObject*>(QStringLiteral("TransparentPainter")).size(), 1);
}

TEST(GlyphSheetTest, EmbeddedSheetHasItsSizeDepthAndKey) {
  qtApp();
  QFile file(QString::fromLatin1(kGlyphSheetResource));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_EQ(bytes.size(), 42822);
  EXPECT_EQ(bytes.left(2), QByteArray("BM"));
  auto le16 = [&](int at) { return static_cast<uchar>(bytes[at]) | static_cast<uchar>(bytes[at + 1]) << 8; };
  EXPECT_EQ(le16(10), 54);   // pixel data right after the two headers
  EXPECT_EQ(le16(18), 72);   // width
  EXPECT_EQ(le16(22), 198);  // height, positive: bottom-up
  EXPECT_EQ(le16(28), 24);   // bits per pixel
  ASSERT_FALSE(glyphSheet().isNull());
  const QImage sheet = glyphSheet().toImage();
  EXPECT_EQ(sheet.size(), QSize(72, 198));
  // Between the columns and below the cells lies the key colour.
  for (QPoint p : {QPoint(14, 0), QPoint(70, 100), QPoint(5, 190), QPoint(32, 0), QPoint(46, 50)})
    EXPECT_EQ(sheet.pixel(p) & 0xFFFFFF, kGlyphTransparencyKey) << p.x() << "," << p.y();
  // Check-box cells are opaque; the checked cell differs from the unchecked one.
  const QImage unchecked = sheet.copy(0, 0, 13, 13);
  const QImage checked = sheet.copy(0, 52, 13, 13);
  EXPECT_NE(unchecked, checked);
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 13; ++x) EXPECT_NE(unchecked.pixel(x, y) & 0xFFFFFF, kGlyphTransparencyKey);
}

}  // namespace
}  // namespace nc::testing
