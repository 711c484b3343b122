#pragma once
// The drawing layer of the check-box grid: captions in a font of their own, one text
// of several CR LF lines at a time, at any angle, on the grid's drawing surface.
//
// Positions and extents are twips of the surface's outer size; they become pixels by
// the ratio of the surface's client pixels to its outer twips, so captions follow the
// surface when it is resized.
#include <QFont>

#include <optional>
#include <string>

#include "runtime/variant.h"

namespace nuvir {

class PictureBox;

// The caption font as the grid's owner describes it.
struct BoxArrayFont {
    std::string Name;
    double Size = 12.0;  // points
    bool Bold = false;
};

// Width and height in twips: the widest line and the sum of the line heights, along
// the text's own direction (the room a turned text needs is the caller's business).
struct TextExtents {
    double Width = 0.0;
    double Height = 0.0;
};

namespace MBoxArray {

// The font one caption is drawn with.
struct CaptionFontRecord {
    int CellHeightPx = 0;  // size x 1.5, halves to even
    int Escapement = 0;    // tenths of a degree, counter-clockwise, rounded down
    int Weight = 0;        // 600 bold, else the normal weight
    QFont Font;
};

// The font for a caption at `angle` degrees; nothing when no font can be made (a
// size too small for one pixel).
std::optional<CaptionFontRecord> MakeCaptionFont(const BoxArrayFont& font, double angle);

// Measures `text` and, unless `measureOnly`, draws it in the surface's ForeColor
// without background: the first line's top-left corner at (x, y), each further line
// one average line height straight below, the characters turned by the angle.
// `widthTwips`/`heightTwips` are the surface's outer size. Nothing when the font
// cannot be made.
std::optional<TextExtents> DrawRotatedText(PictureBox& surface, double widthTwips, double heightTwips,
                                           const BoxArrayFont& font, const std::string& text, double x, double y,
                                           double angle, bool measureOnly);

// The largest width and, independently, the largest height over the captions (a
// one-dimensional array of texts). A caption whose font cannot be made counts as
// (0, 0); anything but an array of captions gives (0, 0).
TextExtents MeasureCaptions(PictureBox& surface, double widthTwips, double heightTwips, const BoxArrayFont& font,
                            const Variant& captions, double angle);

}  // namespace MBoxArray
}  // namespace nuvir
