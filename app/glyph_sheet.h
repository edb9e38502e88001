// The glyph sheet of the transparent painter: the check-box and radio-button pictures.
//
// The sheet is embedded in the program as a 72 x 198, 24-bit BMP on magenta (the transparency
// key). loadGlyphSheet() decodes it once at start-up; afterwards the pixmaps are only read.
// Window thread only.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QRect>

namespace nc {

inline constexpr int kGlyphSheetWidth = 72;
inline constexpr int kGlyphSheetHeight = 198;
inline constexpr int kGlyphCellSize = 13;
inline constexpr int kCheckBoxGlyphColumn = 0;
inline constexpr int kRadioGlyphColumn = 32;
inline constexpr int kCheckedGlyphOffset = 4 * kGlyphCellSize;   // 52
inline constexpr int kDisabledGlyphOffset = 3 * kGlyphCellSize;  // 39
inline constexpr QRgb kGlyphTransparencyKey = 0xFF00FF;

// Resource path of the embedded sheet.
inline constexpr char kGlyphSheetResource[] = ":/glyph_sheet.bmp";

// Decodes the embedded sheet (again only if it has not been decoded yet); true when it holds.
bool loadGlyphSheet();

// The sheet as decoded (null before loadGlyphSheet()).
const QPixmap& glyphSheet();
// The same with magenta made transparent, for glyphs drawn with the transparency key.
const QPixmap& glyphSheetKeyed();

// The 13-pixel cell the painter uses for a glyph in the given state.
QRect glyphCell(bool radio, bool checked, bool disabled);

}  // namespace nc
