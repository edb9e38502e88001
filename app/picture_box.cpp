#include "app/picture_box.h"

#include <QLinearGradient>
#include <QPainter>

namespace nc {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::setGradient(const QColor& top, const QColor& bottom) {
  gradient_ = true;
  top_ = top;
  bottom_ = bottom;
  update();
}

void PictureBox::setPicture(const QPixmap& picture) {
  picture_ = picture;
  update();
}

bool PictureBox::setPictureBytes(const ByteSet& bytes) {
  QPixmap decoded;
  const bool ok = !bytes.empty() && decoded.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                                                         static_cast<uint>(bytes.size()));
  setPicture(ok ? decoded : QPixmap());
  return ok;
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (gradient_) {
    QLinearGradient fill(0, 0, 0, height());
    fill.setColorAt(0, top_);
    fill.setColorAt(1, bottom_);
    painter.fillRect(rect(), fill);
  }
  if (!picture_.isNull()) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), picture_);
  }
}

namespace {

QPixmap discPicture(int size, const QColor& light, const QColor& dark, const QColor& ink, bool cross) {
  constexpr int kScale = 4;  // drawn large, then scaled down for smooth edges
  const int big = size * kScale;
  QPixmap pixmap(big, big);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QRadialGradient fill(big * 0.35, big * 0.3, big * 0.75);
  fill.setColorAt(0, light);
  fill.setColorAt(1, dark);
  painter.setPen(QPen(dark.darker(130), kScale));
  painter.setBrush(fill);
  painter.drawEllipse(QRectF(kScale, kScale, big - 2 * kScale, big - 2 * kScale));
  painter.setPen(QPen(ink, big * 0.11, Qt::SolidLine, Qt::RoundCap));
  const double a = big * 0.3;
  const double b = big * 0.7;
  if (cross) {
    painter.drawLine(QPointF(a, a), QPointF(b, b));
    painter.drawLine(QPointF(a, b), QPointF(b, a));
  } else {
    painter.drawLine(QPointF(a, big / 2.0), QPointF(b, big / 2.0));
  }
  painter.end();
  return pixmap.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

QPixmap minimiseDiscPicture(int size) {
  return discPicture(size, QColor(0xFF, 0xF1, 0x8C), QColor(0xF2, 0xC2, 0x1B), QColor(0x4A, 0x3B, 0x0A),
                     false);
}

QPixmap closeDiscPicture(int size) {
  return discPicture(size, QColor(0x9B, 0xEB, 0x8F), QColor(0x2E, 0xA0, 0x44), QColor(Qt::white), true);
}

}  // namespace nc
