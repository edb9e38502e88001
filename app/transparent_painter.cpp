#include "app/transparent_painter.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QRadioButton>

#include "app/glyph_sheet.h"
#include "app/picture_box.h"
#include "app/qt_text.h"

namespace nc {
namespace {

// Paints one control in place of its own painting; a child object of that control.
class TransparentPainter : public QObject {
 public:
  TransparentPainter(QWidget* control, int kind) : QObject(control), control_(control), kind_(kind) {
    setObjectName(QStringLiteral("TransparentPainter"));
    control->installEventFilter(this);
  }

  void setOptions(int kind, int flags, const QColor& color) {
    kind_ = kind;
    flags_ = flags;
    color_ = color;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != control_ || event->type() != QEvent::Paint) return false;
    if (kind_ == kKindLibraryWindow) return false;  // draws its own picture over the parent
    paint();
    return true;
  }

 private:
  void paint() {
    QPainter painter(control_);
    const int h = control_->height();
    QRect textRect = control_->rect();
    int flags = flags_;
    if (kind_ == kKindCheckBox || kind_ == kKindRadioButton) {
      const bool radio = kind_ == kKindRadioButton;
      bool checked = false;
      if (auto* box = qobject_cast<QCheckBox*>(control_))
        checked = box->checkState() != Qt::Unchecked;
      else if (auto* button = qobject_cast<QAbstractButton*>(control_))
        checked = button->isChecked();
      const QRect cell = glyphCell(radio, checked, !control_->isEnabled());
      const QPoint at(0, (h - kGlyphCellSize) / 2);
      painter.drawPixmap(at, radio ? glyphSheetKeyed() : glyphSheet(), cell);
      textRect.setLeft(kGlyphTextLeft);
      flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    }
    QString text;
    if (auto* label = qobject_cast<QLabel*>(control_))
      text = label->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(control_))
      text = button->text();
    if (text.isEmpty()) return;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    painter.setPen(color_);
    painter.setFont(control_->font());
    painter.drawText(textRect, flags, text);
  }

  QWidget* control_;
  int kind_;
  int flags_ = 0;
  QColor color_;
};

int alignmentFlags(const TransparentOptions& options) {
  int flags = options.horizontalAlign == 1   ? Qt::AlignHCenter
              : options.horizontalAlign == 2 ? Qt::AlignRight
                                             : Qt::AlignLeft;
  flags |= options.verticalAlign == 1   ? Qt::AlignVCenter
           : options.verticalAlign == 2 ? Qt::AlignBottom
                                        : Qt::AlignTop;
  flags |= options.wordWrap ? Qt::TextWordWrap : Qt::TextSingleLine;
  return flags;
}

}  // namespace

int ClassifyControl(const QWidget* control) {
  if (control == nullptr) return kKindNotSupported;
  if (auto* label = qobject_cast<const QLabel*>(control)) {
    // A label that follows links is a link control, not a static text.
    return label->openExternalLinks() ? kKindNotSupported : kKindStatic;
  }
  if (qobject_cast<const QCheckBox*>(control)) return kKindCheckBox;
  if (qobject_cast<const QRadioButton*>(control)) return kKindRadioButton;
  if (qobject_cast<const QAbstractButton*>(control)) return kKindPushButton;
  if (qobject_cast<const QGroupBox*>(control)) return kKindGroupBox;
  if (qobject_cast<const QComboBox*>(control) || qobject_cast<const QAbstractItemView*>(control) ||
      qobject_cast<const QProgressBar*>(control)) {
    return kKindNotSupported;
  }
  if (qobject_cast<const PictureBox*>(control)) return kKindLibraryWindow;
  return kKindNotSupported;
}

QFont paintFont(int pixelHeight, bool bold, bool underline, bool italic) {
  QFont font;
  // The sharp face of the installed CJK font has a 12-pixel bitmap strike, as 宋体 has.
  font.setFamilies({fromUtf8("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Zen Hei Sharp"),
                    QStringLiteral("WenQuanYi Zen Hei")});
  font.setPixelSize(pixelHeight > 0 ? pixelHeight : kDefaultPaintFontHeight);
  font.setWeight(bold ? QFont::Bold : QFont::Normal);
  font.setUnderline(underline);
  font.setItalic(italic);
  return font;
}

bool InstallTransparentPainting(QWidget* control, const TransparentOptions& options) {
  const int kind = ClassifyControl(control);
  if (kind == kKindNotSupported || kind == kKindPushButton || kind == kKindGroupBox) return false;
  const int flags = alignmentFlags(options);
  control->setProperty(kKindProperty, kind);
  control->setProperty(kFormatProperty, flags);
  control->setProperty(kTextColorProperty, options.textColor);
  control->setFont(paintFont(options.fontHeight, options.bold, options.underline, options.italic));
  auto* painter = control->findChild<TransparentPainter*>(QStringLiteral("TransparentPainter"),
                                                          Qt::FindDirectChildrenOnly);
  if (painter == nullptr) painter = new TransparentPainter(control, kind);
  painter->setOptions(kind, flags, options.textColor);
  control->setAutoFillBackground(false);
  if (QWidget* parent = control->parentWidget()) parent->update(control->geometry());
  control->update();
  return true;
}

}  // namespace nc
