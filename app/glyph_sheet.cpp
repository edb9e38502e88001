#include "app/glyph_sheet.h"

#include <QBitmap>

namespace nc {
namespace {

QPixmap& sheet() {
  static QPixmap pixmap;
  return pixmap;
}

QPixmap& keyedSheet() {
  static QPixmap pixmap;
  return pixmap;
}

}  // namespace

bool loadGlyphSheet() {
  if (!sheet().isNull()) return true;
  QImage image(QString::fromLatin1(kGlyphSheetResource));
  if (image.isNull()) return false;
  image = image.convertToFormat(QImage::Format_RGB32);
  sheet() = QPixmap::fromImage(image);
  QPixmap keyed = sheet();
  keyed.setMask(
      QBitmap::fromImage(image.createMaskFromColor(kGlyphTransparencyKey | 0xFF000000u, Qt::MaskInColor)));
  keyedSheet() = keyed;
  return true;
}

const QPixmap& glyphSheet() {
  return sheet();
}

const QPixmap& glyphSheetKeyed() {
  return keyedSheet();
}

QRect glyphCell(bool radio, bool checked, bool disabled) {
  const int y = (checked ? kCheckedGlyphOffset : 0) + (disabled ? kDisabledGlyphOffset : 0);
  return QRect(radio ? kRadioGlyphColumn : kCheckBoxGlyphColumn, y, kGlyphCellSize, kGlyphCellSize);
}

}  // namespace nc
