#include "controls/gridfit.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>

#include "controls/flexedit.h"
#include "numerics/numerics.h"
#include "platform/flexgrid.h"
#include "platform/qtstring.h"
#include "platform/screen.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "utilities/utilities_arrays.h"

namespace nuvir::MKelvaro {

namespace {

constexpr int kColumnWidth = 800;
constexpr int kFirstColumnWidth = 1000;
// A cell's text stands 2 px inside it on each side, the grid line taking one more,
// and a pixel to spare so that it never touches the line.
constexpr int kCellPaddingPx = 2 + 2 + 1 + 1;

// The number a cell's text starts with. A number too large for a Double is no usable
// number either.
double LeadingNumber(const Variant& cell) {
    try {
        return Val(TextOf(cell));
    } catch (const AppError&) {
        return 0.0;
    }
}

}  // namespace

GridFitMetrics GridFitMetricsOf(const CFlexEditA& grid) {
    const ScreenMetrics& s = Screen();
    GridFitMetrics m;
    m.twipsPerPixelX = s.twipsPerPixelX;
    m.twipsPerPixelY = s.twipsPerPixelY;
    m.dlgFrameXPx = GetSystemMetrics(sm::CxDlgFrame);
    m.dlgFrameYPx = GetSystemMetrics(sm::CyDlgFrame);
    m.captionPx = GetSystemMetrics(sm::CyCaption);
    if (const FlexGrid* g = grid.Flexgrid()) {
        m.frameXPx = g->FrameWidthPx();
        m.frameYPx = g->FrameWidthPx();
    } else {
        m.frameXPx = GetSystemMetrics(sm::CxFrame);
        m.frameYPx = GetSystemMetrics(sm::CyFrame);
    }
    return m;
}

Variant FitGridToContents(CFlexEditA* grid, const Variant& headings) {
    if (grid == nullptr) return FitGridToContents(grid, headings, GridFitMetrics{});
    return FitGridToContents(grid, headings, GridFitMetricsOf(*grid));
}

Variant FitGridToContents(CFlexEditA* grid, const Variant& headings, const GridFitMetrics& m) {
    Variant result = Variant::MakeArray(VarType::Double, {Bounds{0, 1}});
    if (grid == nullptr || grid->Flexgrid() == nullptr) return result;
    FlexGrid& g = *grid->Flexgrid();

    g.SetColAlignment(-1, flexalign::CenterCenter);
    g.SetColWidth(-1, kColumnWidth);
    if (g.Cols() > 0) g.SetColWidth(0, kFirstColumnWidth);
    g.SetLeft(0);
    g.SetTop(0);

    // A column too narrow for a value would cut it (six-decimal probabilities): it
    // widens to its widest text, headings included, with the cell's padding.
    if (g.FixedRows() >= 1 && MUtilities::ArrayDims(headings) == 1) {
        const int last = static_cast<int>(MathFunctions::Min(headings.ubound(1), g.Cols() - 1));
        for (int c = std::max(0, headings.lbound(1)); c <= last; ++c) g.SetTextMatrix(0, c, TextOf(headings(c)));
    }
    const QFontMetrics fm = g.fontMetrics();
    for (int c = 0; c < g.Cols(); ++c) {
        int widestPx = 0;
        for (int r = 0; r < g.Rows(); ++r)
            widestPx = std::max(widestPx, fm.horizontalAdvance(QtText(g.TextMatrix(r, c))));
        const double need = (widestPx + kCellPaddingPx) * m.twipsPerPixelX;
        if (need > g.ColWidth(c)) g.SetColWidth(c, static_cast<int>(std::ceil(need)));
    }

    double columns = 0;
    for (int c = 0; c < g.Cols(); ++c) columns += g.ColWidth(c);
    // The width takes the vertical frame size and the height the horizontal one, as
    // the system's metrics were read; the grid's frames are alike on every side. The
    // height below shows every row, so no scroll bar is shown and no room is kept for
    // one: it would stay an empty strip beside the last column.
    g.SetWidth(columns + m.twipsPerPixelX * 2 * m.frameYPx);
    const double rowHeight = g.Rows() > 0 ? g.RowHeight(0) : 0;
    g.SetHeight(g.Rows() * rowHeight + m.twipsPerPixelY * 2 * m.frameXPx);

    if (g.FixedRows() >= 1) {
        for (int c = 0; c < g.Cols(); ++c) g.SetTextMatrix(0, c, "");
        if (MUtilities::ArrayDims(headings) == 1) {
            const int last = static_cast<int>(MathFunctions::Min(headings.ubound(1), g.Cols() - 1));
            for (int c = std::max(0, headings.lbound(1)); c <= last; ++c) g.SetTextMatrix(0, c, TextOf(headings(c)));
        }
    }

    result(0) = g.Width() + m.twipsPerPixelX * 2 * m.dlgFrameXPx;
    result(1) = g.Height() + m.twipsPerPixelY * (2 * m.dlgFrameYPx + m.captionPx);
    g.SetFocusRect(1);
    return result;
}

Variant GetGridAsDoubles(const CFlexEditA* grid) {
    if (grid == nullptr) return Variant::Unallocated(VarType::Double);
    const Variant v = grid->GetArray();
    if (MUtilities::ArrayDims(v) != 2) return Variant::Unallocated(VarType::Double);
    Variant d = Variant::MakeArray(VarType::Double, {v.bounds(1), v.bounds(2)});
    for (std::int32_t i = v.lbound(1); i <= v.ubound(1); ++i)
        for (std::int32_t j = v.lbound(2); j <= v.ubound(2); ++j) d(i, j) = LeadingNumber(v(i, j));
    return d;
}

}  // namespace nuvir::MKelvaro
