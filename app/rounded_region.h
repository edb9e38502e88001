// Rounds a control's corners by giving it a rounded-rectangle mask.
//
// Window thread only.
#pragma once

class QWidget;

namespace nc {

// Masks `control` to the rounded rectangle (0, 0)-(width, height) of its client area, whose
// corners are ellipses of `ellipseWidth` x `ellipseHeight`, and repaints it.
void ApplyRoundedRegion(QWidget* control, int ellipseWidth, int ellipseHeight);

}  // namespace nc
