#pragma once
// Fitting an editable grid to its table, and reading its table back as numbers.
#include "runtime/variant.h"

namespace nuvir {

class CFlexEditA;

namespace MKelvaro {

// The pixel sizes the fitting adds around the columns and rows. The frames are those
// of the grid widget itself, so that the fitted grid shows its whole table; the dialog
// frame and caption are those the windows use for their outer size.
struct GridFitMetrics {
    double twipsPerPixelX = 15.0;
    double twipsPerPixelY = 15.0;
    int frameXPx = 4;     // the grid's frame, left and right
    int frameYPx = 4;     // the grid's frame, top and bottom
    int dlgFrameXPx = 3;  // a dialog's frame
    int dlgFrameYPx = 3;
    int captionPx = 19;  // a dialog's caption
};

// The metrics of the grid's own widget and of the screen in use.
GridFitMetrics GridFitMetricsOf(const CFlexEditA& grid);

// Gives the grid its standard look (every column centred, 800 twips wide, the first
// 1000), puts it at (0, 0) in its container, sizes it to show every column and row
// (every row as high as the first), writes the headings (a one-dimensional array read
// from index 0) into the first row, and returns Double (0 To 1): the outer width and
// height in twips of a dialog that holds the grid exactly. (0, 0) when there is no
// grid. Loads no data and changes neither Rows nor Cols.
Variant FitGridToContents(CFlexEditA* grid, const Variant& headings);
Variant FitGridToContents(CFlexEditA* grid, const Variant& headings, const GridFitMetrics& metrics);

// The grid's snapshot as a two-dimensional Double array with the same bounds, each text
// read by its leading number (no number, or one beyond the Double range, gives 0); an
// unallocated Double array when there is no table.
Variant GetGridAsDoubles(const CFlexEditA* grid);

}  // namespace MKelvaro
}  // namespace nuvir
