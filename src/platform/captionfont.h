#pragma once
// Fonts given as a cell height in pixels, as the check-box grid's rotated captions
// need them: a size in points becomes a cell of points x 1.5 pixels (halves to the
// even neighbour), and the font is the one whose line height is exactly that.
#include <QFont>

#include <string>

namespace nuvir {

// The cell height in pixels for a size in points (10 -> 15, 12 -> 18, 8.25 -> 12).
int CaptionCellHeightPx(double points);

// A font of the face whose cell height on a 96 dpi surface is `cellHeightPx` (or the
// largest that is not taller, where the face has no exact match). Bold is weight 600;
// other text uses the normal weight (a thin weight would render lighter than the
// caption faces the grid was designed with). Drawn without antialiasing.
QFont FontForCellHeight(const std::string& face, int cellHeightPx, bool bold);

// The two together: the caption font for a face, a size in points and boldness.
QFont CaptionFont(const std::string& face, double points, bool bold);

}  // namespace nuvir
