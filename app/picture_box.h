// A picture box: a plain widget that shows a picture, a vertical gradient or nothing, and
// passes its mouse events on to whoever watches it (the window).
//
// Controls placed on it draw over what it paints. Window thread only.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

#include "text/text.h"

namespace nc {

class PictureBox : public QWidget {
  Q_OBJECT

 public:
  explicit PictureBox(QWidget* parent = nullptr);

  // A vertical gradient from `top` to `bottom` over the whole box.
  void setGradient(const QColor& top, const QColor& bottom);

  // The picture, scaled to the box; a null pixmap shows nothing.
  void setPicture(const QPixmap& picture);
  const QPixmap& picture() const { return picture_; }

  // The picture decoded from file bytes (any format Qt reads); undecodable bytes show nothing.
  // True when the bytes were a picture.
  bool setPictureBytes(const ByteSet& bytes);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool gradient_ = false;
  QColor top_;
  QColor bottom_;
  QPixmap picture_;
};

// The two circular pictures of the side panel, drawn at `size` pixels.
QPixmap minimiseDiscPicture(int size);  // yellow disc with a dark minus sign
QPixmap closeDiscPicture(int size);     // green disc with a white cross

}  // namespace nc
