#include "app/rounded_region.h"

#include <QPainterPath>
#include <QRegion>
#include <QWidget>

namespace nc {

void ApplyRoundedRegion(QWidget* control, int ellipseWidth, int ellipseHeight) {
  if (control == nullptr) return;
  QPainterPath path;
  path.addRoundedRect(QRectF(0, 0, control->width(), control->height()), ellipseWidth / 2.0,
                      ellipseHeight / 2.0);
  control->setMask(QRegion(path.toFillPolygon().toPolygon()));
  control->update();
}

}  // namespace nc
