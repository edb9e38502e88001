// Transparent painting of check boxes, radio buttons and labels over the window's pictures.
//
// A painted control draws only its text and, for a check box or radio button, its 13-pixel glyph
// from the glyph sheet; everything else is what its parent painted beneath it. The glyph lies
// at (0, (h - 13) / 2), the text of a check box or radio button starts at x = 15 and is centred
// vertically on one line; a label's text follows the installed alignment and wrap options.
// Window thread only.
#pragma once

#include <QColor>

class QFont;
class QWidget;

namespace nc {

// What the painter makes of a control.
enum ControlKind : int {
  kKindNotSupported = 0,
  kKindStatic = 1,      // a label
  kKindPushButton = 3,  // push buttons and push-like buttons: refused
  kKindGroupBox = 4,    // refused
  kKindCheckBox = 5,
  kKindRadioButton = 6,
  kKindLibraryWindow = 99,  // a picture box of this program: keeps its own picture
};

struct TransparentOptions {
  int horizontalAlign = 0;  // 0 left, 1 centre, 2 right
  int verticalAlign = 0;    // 0 top, 1 centre, 2 bottom
  bool wordWrap = false;    // false: one line
  QColor textColor = Qt::black;
  int fontHeight = 0;  // pixels; 0 means 12
  bool bold = false;
  bool underline = false;
  bool italic = false;
};

// Names of the properties the painter stores on a control.
inline constexpr char kKindProperty[] = "VantorTranSparentType";
inline constexpr char kFormatProperty[] = "VantorTranSparent_DrawFormat";
inline constexpr char kTextColorProperty[] = "VantorTranSparent_TextColor";

inline constexpr int kDefaultPaintFontHeight = 12;
inline constexpr int kGlyphTextLeft = 15;  // 13-pixel glyph + 2

// The kind of `control` (kKindNotSupported for null).
int ClassifyControl(const QWidget* control);

// Makes `control` paint transparently with `options`; false (and nothing changed) for null or a
// refused kind. A second installation renews the options and the font.
bool InstallTransparentPainting(QWidget* control, const TransparentOptions& options = {});

// The font the painter gives a control: 宋体 (or the installed CJK font), `pixelHeight` high.
QFont paintFont(int pixelHeight, bool bold, bool underline, bool italic);

}  // namespace nc
