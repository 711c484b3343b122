#include "platform/flexgrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "platform/form.h"
#include "platform/handlerguard.h"
#include "platform/qtstring.h"
#include "platform/screen.h"
#include "platform/services.h"
#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir {

namespace {

// System colours, as the grid's defaults.
constexpr Colour kSysWindow = static_cast<Colour>(0x80000005u);
constexpr Colour kSysWindowText = static_cast<Colour>(0x80000008u);
constexpr Colour kSysButtonFace = static_cast<Colour>(0x8000000Fu);
constexpr Colour kSysButtonText = static_cast<Colour>(0x80000012u);
constexpr Colour kSysHighlight = static_cast<Colour>(0x8000000Du);
constexpr Colour kSysHighlightText = static_cast<Colour>(0x8000000Eu);
constexpr Colour kSysAppWorkspace = static_cast<Colour>(0x8000000Cu);

constexpr int kTextPaddingPx = 2;

[[noreturn]] void InvalidValue() { RaiseError(kInvalidPropertyValue, "Invalid property value"); }
[[noreturn]] void BadIndex() { RaiseError(381, "Subscript out of range"); }

int RoundPx(double v) { return static_cast<int>(std::floor(v + 0.5)); }

// The entry of row or column `index` in a per-row or per-column list of `count`.
int EntryAt(const std::vector<int>& list, int index, int count) {
    if (index < 0 || index >= count) BadIndex();
    return list[static_cast<std::size_t>(index)];
}

// Sets the entry of row or column `index`, or of every one for -1; an index out of
// range is reported before a value that is not valid.
void SetEntry(std::vector<int>& list, int index, int count, bool valid, int value) {
    if (index < -1 || index >= count) BadIndex();
    if (!valid) InvalidValue();
    if (index == -1) {
        std::fill(list.begin(), list.end(), value);
    } else {
        list[static_cast<std::size_t>(index)] = value;
    }
}

enum MouseKind { kDown, kUp, kMove };

// The Qt alignment of an alignment code: code / 3 is left, centre, right; code % 3 top,
// centre, bottom.
Qt::Alignment AlignmentOf(int code) {
    Qt::Alignment align;
    switch (code / 3) {
        case 0: align = Qt::AlignLeft; break;
        case 1: align = Qt::AlignHCenter; break;
        default: align = Qt::AlignRight; break;
    }
    switch (code % 3) {
        case 0: align |= Qt::AlignTop; break;
        case 1: align |= Qt::AlignVCenter; break;
        default: align |= Qt::AlignBottom; break;
    }
    return align;
}

}  // namespace

template <class F>
void FlexGrid::Guarded(const char* action, F&& f) {
    RunGuarded(GuardPolicy::ShowMessage, {}, action, std::forward<F>(f));
}

void FlexGrid::RegisterType() {
    Form::RegisterControlType(kTypeName, [] { return new FlexGrid(); });
}

FlexGrid::FlexGrid()
    : QAbstractScrollArea(nullptr),
      Control(kTypeName),
      backColor_(kSysWindow),
      foreColor_(kSysWindowText),
      backColorFixed_(kSysButtonFace),
      foreColorFixed_(kSysButtonText),
      backColorSel_(kSysHighlight),
      foreColorSel_(kSysHighlightText),
      backColorBkg_(kSysAppWorkspace) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    Resize(2, 2);
    SetScrollBars(flexscroll::Both);
}

FlexGrid::~FlexGrid() = default;

// ---- structure ----------------------------------------------------------------------

void FlexGrid::Resize(int rows, int cols) {
    std::vector<Cell> cells(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
    const int keepRows = std::min(rows, rows_);
    const int keepCols = std::min(cols, cols_);
    for (int r = 0; r < keepRows; ++r) {
        for (int c = 0; c < keepCols; ++c) {
            cells[static_cast<std::size_t>(r) * cols + c] = std::move(At(r, c));
        }
    }
    cells_ = std::move(cells);
    rows_ = rows;
    cols_ = cols;
    rowHeight_.resize(static_cast<std::size_t>(rows), kDefaultRowHeight);
    colWidth_.resize(static_cast<std::size_t>(cols), kDefaultColWidth);
    colAlign_.resize(static_cast<std::size_t>(cols), flexalign::General);
    layoutDirty_ = true;
}

void FlexGrid::KeepCursorInTable() {
    const int lastRow = std::max(0, rows_ - 1);
    const int lastCol = std::max(0, cols_ - 1);
    row_ = std::clamp(row_, 0, lastRow);
    col_ = std::clamp(col_, 0, lastCol);
    rowSel_ = std::clamp(rowSel_, 0, lastRow);
    colSel_ = std::clamp(colSel_, 0, lastCol);
    topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, rows_ - 1));
    leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, cols_ - 1));
}

void FlexGrid::SetRows(int n) {
    if (n < 0) InvalidValue();
    Resize(n, cols_);
    fixedRows_ = std::min(fixedRows_, n);
    KeepCursorInTable();
    Relayout();
}

void FlexGrid::SetCols(int n) {
    if (n < 0) InvalidValue();
    Resize(rows_, n);
    fixedCols_ = std::min(fixedCols_, n);
    KeepCursorInTable();
    Relayout();
}

void FlexGrid::SetFixedRows(int n) {
    if (n < 0 || n > rows_) InvalidValue();
    fixedRows_ = n;
    if (row_ < n && n < rows_) row_ = n;
    if (rowSel_ < n && n < rows_) rowSel_ = n;
    topRow_ = std::max(topRow_, n);
    KeepCursorInTable();
    layoutDirty_ = true;
    Relayout();
}

void FlexGrid::SetFixedCols(int n) {
    if (n < 0 || n > cols_) InvalidValue();
    fixedCols_ = n;
    if (col_ < n && n < cols_) col_ = n;
    if (colSel_ < n && n < cols_) colSel_ = n;
    leftCol_ = std::max(leftCol_, n);
    KeepCursorInTable();
    layoutDirty_ = true;
    Relayout();
}

// ---- current cell and selection ---------------------------------------------------------

void FlexGrid::MoveCurrent(int row, int col, bool bringIntoView) {
    if (row == row_ && col == col_) {
        rowSel_ = row_;
        colSel_ = col_;
        if (bringIntoView) ScrollIntoView(row_, col_);
        Changed();
        return;
    }
    Q_EMIT LeaveCell();
    // A LeaveCell handler may have shrunk the table; the new cell must lie in it, or
    // the cell readers and Clip would index past the cells.
    row = std::clamp(row, 0, std::max(0, rows_ - 1));
    col = std::clamp(col, 0, std::max(0, cols_ - 1));
    row_ = row;
    col_ = col;
    rowSel_ = row;
    colSel_ = col;
    if (bringIntoView) ScrollIntoView(row, col);
    Changed();
    Q_EMIT EnterCell();
}

void FlexGrid::SetRow(int r) {
    if (r < 0 || r >= rows_) InvalidValue();
    MoveCurrent(r, col_, false);
}

void FlexGrid::SetCol(int c) {
    if (c < 0 || c >= cols_) InvalidValue();
    MoveCurrent(row_, c, false);
}

void FlexGrid::SetRowSel(int r) {
    if (r < 0 || r >= rows_) InvalidValue();
    rowSel_ = r;
    Changed();
}

void FlexGrid::SetColSel(int c) {
    if (c < 0 || c >= cols_) InvalidValue();
    colSel_ = c;
    Changed();
}

void FlexGrid::SetTopRow(int r) {
    if (r < 0 || r >= rows_) InvalidValue();
    const int top = std::clamp(r, fixedRows_, std::max(fixedRows_, MaxTopRow()));
    if (top == topRow_) return;
    topRow_ = top;
    UpdateScrollBars();
    Changed();
    RefreshMouseCell();
    Q_EMIT Events()->Scroll();
}

// ---- text -----------------------------------------------------------------------------

void FlexGrid::CheckCell(int row, int col) const {
    if (row < 0 || row >= rows_ || col < 0 || col >= cols_) BadIndex();
}

std::string FlexGrid::Text() const { return TextMatrix(row_, col_); }

void FlexGrid::SetText(const std::string& text) { SetTextMatrix(row_, col_, text); }

std::string FlexGrid::TextMatrix(int row, int col) const {
    CheckCell(row, col);
    return At(row, col).text;
}

void FlexGrid::SetTextMatrix(int row, int col, const std::string& text) {
    CheckCell(row, col);
    At(row, col).text = text;
    Changed();
}

std::string FlexGrid::Clip() const {
    if (rows_ == 0 || cols_ == 0) return {};
    const int r0 = std::min(row_, rowSel_), r1 = std::max(row_, rowSel_);
    const int c0 = std::min(col_, colSel_), c1 = std::max(col_, colSel_);
    std::string out;
    for (int r = r0; r <= r1; ++r) {
        if (r > r0) out += '\r';
        for (int c = c0; c <= c1; ++c) {
            if (c > c0) out += '\t';
            out += At(r, c).text;
        }
    }
    return out;
}

void FlexGrid::SetClip(const std::string& text) {
    if (rows_ == 0 || cols_ == 0) return;
    const int r0 = std::min(row_, rowSel_), r1 = std::max(row_, rowSel_);
    const int c0 = std::min(col_, colSel_), c1 = std::max(col_, colSel_);
    const std::vector<std::string> lines = Split(text, "\r");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int r = r0 + static_cast<int>(i);
        if (r > r1) break;
        const std::vector<std::string> items = Split(lines[i], "\t");
        for (std::size_t j = 0; j < items.size(); ++j) {
            const int c = c0 + static_cast<int>(j);
            if (c > c1) break;
            At(r, c).text = items[j];
        }
    }
    Changed();
}

void FlexGrid::Clear() {
    for (Cell& cell : cells_) cell = Cell{};
    Changed();
}

// ---- sizes ------------------------------------------------------------------------------

int FlexGrid::ColWidth(int col) const { return EntryAt(colWidth_, col, cols_); }

void FlexGrid::SetColWidth(int col, int twips) {
    SetEntry(colWidth_, col, cols_, twips >= -1, twips == -1 ? kDefaultColWidth : twips);
    layoutDirty_ = true;
    Relayout();
}

int FlexGrid::RowHeight(int row) const { return EntryAt(rowHeight_, row, rows_); }

void FlexGrid::SetRowHeight(int row, int twips) {
    SetEntry(rowHeight_, row, rows_, twips >= -1, twips == -1 ? kDefaultRowHeight : twips);
    layoutDirty_ = true;
    Relayout();
}

int FlexGrid::ColAlignment(int col) const { return EntryAt(colAlign_, col, cols_); }

int FlexGrid::TextAlignment(int col, const std::string& text) const {
    const int a = ColAlignment(col);
    if (a != flexalign::General) return a;
    return IsNumericText(text) ? flexalign::RightCenter : flexalign::LeftCenter;
}

void FlexGrid::SetColAlignment(int col, int alignment) {
    SetEntry(colAlign_, col, cols_, alignment >= 0 && alignment <= flexalign::General, alignment);
    Changed();
}

// ---- layout -------------------------------------------------------------------------------

void FlexGrid::EnsureLayout() const {
    // One reading for the whole layout (TwipsToPx would measure the screen per row).
    const ScreenMetrics& m = Screen();
    if (!layoutDirty_ && layoutTppX_ == m.twipsPerPixelX && layoutTppY_ == m.twipsPerPixelY &&
        rowPos_.size() == static_cast<std::size_t>(rows_) + 1 &&
        colPos_.size() == static_cast<std::size_t>(cols_) + 1) {
        return;
    }
    layoutTppX_ = m.twipsPerPixelX;
    layoutTppY_ = m.twipsPerPixelY;
    rowPos_.assign(static_cast<std::size_t>(rows_) + 1, 0);
    colPos_.assign(static_cast<std::size_t>(cols_) + 1, 0);
    double sum = 0;
    for (int r = 0; r < rows_; ++r) {
        sum += rowHeight_[static_cast<std::size_t>(r)];
        rowPos_[static_cast<std::size_t>(r) + 1] = RoundPx(sum / m.twipsPerPixelY);
    }
    sum = 0;
    for (int c = 0; c < cols_; ++c) {
        sum += colWidth_[static_cast<std::size_t>(c)];
        colPos_[static_cast<std::size_t>(c) + 1] = RoundPx(sum / m.twipsPerPixelX);
    }
    layoutDirty_ = false;
}

int FlexGrid::RowHeightPx(int row) const {
    EnsureLayout();
    return rowPos_[static_cast<std::size_t>(row) + 1] - rowPos_[static_cast<std::size_t>(row)];
}

int FlexGrid::ColWidthPx(int col) const {
    EnsureLayout();
    return colPos_[static_cast<std::size_t>(col) + 1] - colPos_[static_cast<std::size_t>(col)];
}

int FlexGrid::RowTopPx(int row) const {
    EnsureLayout();
    if (row < fixedRows_) return rowPos_[static_cast<std::size_t>(row)];
    return rowPos_[static_cast<std::size_t>(fixedRows_)] + rowPos_[static_cast<std::size_t>(row)] -
           rowPos_[static_cast<std::size_t>(topRow_)];
}

int FlexGrid::ColLeftPx(int col) const {
    EnsureLayout();
    if (col < fixedCols_) return colPos_[static_cast<std::size_t>(col)];
    return colPos_[static_cast<std::size_t>(fixedCols_)] + colPos_[static_cast<std::size_t>(col)] -
           colPos_[static_cast<std::size_t>(leftCol_)];
}

int FlexGrid::MaxTopRow() const {
    if (rows_ <= fixedRows_) return fixedRows_;
    EnsureLayout();
    const int avail = viewport()->height() - rowPos_[static_cast<std::size_t>(fixedRows_)];
    int top = rows_ - 1;
    int used = RowHeightPx(top);
    while (top - 1 >= fixedRows_ && used + RowHeightPx(top - 1) <= avail) {
        --top;
        used += RowHeightPx(top);
    }
    return top;
}

int FlexGrid::MaxLeftCol() const {
    if (cols_ <= fixedCols_) return fixedCols_;
    EnsureLayout();
    const int avail = viewport()->width() - colPos_[static_cast<std::size_t>(fixedCols_)];
    int left = cols_ - 1;
    int used = ColWidthPx(left);
    while (left - 1 >= fixedCols_ && used + ColWidthPx(left - 1) <= avail) {
        --left;
        used += ColWidthPx(left);
    }
    return left;
}

void FlexGrid::ScrollIntoView(int row, int col) {
    int top = topRow_;
    int left = leftCol_;
    if (row >= fixedRows_ && row < rows_) {
        if (row < top) {
            top = row;
        } else {
            const int avail = viewport()->height();
            EnsureLayout();
            auto bottom = [&](int t) {
                return rowPos_[static_cast<std::size_t>(fixedRows_)] + rowPos_[static_cast<std::size_t>(row) + 1] -
                       rowPos_[static_cast<std::size_t>(t)];
            };
            while (top < row && bottom(top) > avail) ++top;
        }
    }
    if (col >= fixedCols_ && col < cols_) {
        if (col < left) {
            left = col;
        } else {
            const int avail = viewport()->width();
            EnsureLayout();
            auto right = [&](int l) {
                return colPos_[static_cast<std::size_t>(fixedCols_)] + colPos_[static_cast<std::size_t>(col) + 1] -
                       colPos_[static_cast<std::size_t>(l)];
            };
            while (left < col && right(left) > avail) ++left;
        }
    }
    if (top == topRow_ && left == leftCol_) return;
    topRow_ = top;
    leftCol_ = left;
    UpdateScrollBars();
    Changed();
    RefreshMouseCell();
    Q_EMIT Events()->Scroll();
}

bool FlexGrid::RowIsVisible(int row) const {
    if (row < 0 || row >= rows_) BadIndex();
    if (RowHeightPx(row) <= 0) return false;
    if (row >= fixedRows_ && row < topRow_) return false;
    return RowTopPx(row) < viewport()->height();
}

bool FlexGrid::ColIsVisible(int col) const {
    if (col < 0 || col >= cols_) BadIndex();
    if (ColWidthPx(col) <= 0) return false;
    if (col >= fixedCols_ && col < leftCol_) return false;
    return ColLeftPx(col) < viewport()->width();
}

QRect FlexGrid::CellRectPx(int row, int col) const {
    CheckCell(row, col);
    if (!RowIsVisible(row) || !ColIsVisible(col)) return {};
    const QPoint origin = viewport()->geometry().topLeft();
    return QRect(origin.x() + ColLeftPx(col), origin.y() + RowTopPx(row), ColWidthPx(col), RowHeightPx(row));
}

double FlexGrid::CellLeft() {
    CheckCell(row_, col_);
    ScrollIntoView(row_, col_);
    return PxToTwipsX(viewport()->geometry().left() + ColLeftPx(col_));
}

double FlexGrid::CellTop() {
    CheckCell(row_, col_);
    ScrollIntoView(row_, col_);
    return PxToTwipsY(viewport()->geometry().top() + RowTopPx(row_));
}

double FlexGrid::CellWidth() {
    CheckCell(row_, col_);
    ScrollIntoView(row_, col_);
    return PxToTwipsX(ColWidthPx(col_));
}

double FlexGrid::CellHeight() {
    CheckCell(row_, col_);
    ScrollIntoView(row_, col_);
    return PxToTwipsY(RowHeightPx(row_));
}

int FlexGrid::FrameWidthPx() const { return frameWidth(); }

QSize FlexGrid::CellsExtentPx(int rows, int cols) const {
    EnsureLayout();
    rows = std::clamp(rows, 0, rows_);
    cols = std::clamp(cols, 0, cols_);
    return QSize(colPos_[static_cast<std::size_t>(cols)], rowPos_[static_cast<std::size_t>(rows)]);
}

// ---- formatting ----------------------------------------------------------------------------

Colour FlexGrid::CellBackColor() const {
    CheckCell(row_, col_);
    const Cell& cell = At(row_, col_);
    if (cell.back) return *cell.back;
    return (row_ < fixedRows_ || col_ < fixedCols_) ? backColorFixed_ : backColor_;
}

void FlexGrid::SetCellBackColor(Colour c) {
    CheckCell(row_, col_);
    At(row_, col_).back = c;
    Changed();
}

bool FlexGrid::CellFontBold() const {
    CheckCell(row_, col_);
    return At(row_, col_).bold;
}

void FlexGrid::SetCellFontBold(bool on) {
    CheckCell(row_, col_);
    At(row_, col_).bold = on;
    Changed();
}

void FlexGrid::SetBackColor(Colour c) {
    backColor_ = c;
    Changed();
}
void FlexGrid::SetForeColor(Colour c) {
    foreColor_ = c;
    Changed();
}
void FlexGrid::SetForeColorFixed(Colour c) {
    foreColorFixed_ = c;
    Changed();
}
void FlexGrid::SetBackColorSel(Colour c) {
    backColorSel_ = c;
    Changed();
}
void FlexGrid::SetForeColorSel(Colour c) {
    foreColorSel_ = c;
    Changed();
}
void FlexGrid::SetBackColorBkg(Colour c) {
    backColorBkg_ = c;
    Changed();
}

void FlexGrid::SetFocusRect(int v) {
    if (v < 0 || v > 2) InvalidValue();
    focusRect_ = v;
    Changed();
}

void FlexGrid::SetHighLight(int v) {
    if (v < 0 || v > 2) InvalidValue();
    highLight_ = v;
    Changed();
}

void FlexGrid::SetScrollBars(int v) {
    if (v < 0 || v > 3) InvalidValue();
    setHorizontalScrollBarPolicy((v & flexscroll::Horizontal) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy((v & flexscroll::Vertical) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    Relayout();
}

void FlexGrid::SetRedraw(bool on) {
    if (on == redraw_) return;
    redraw_ = on;
    if (on) Relayout();
}

void FlexGrid::Changed() {
    if (redraw_) viewport()->update();
}

void FlexGrid::Relayout() {
    if (!redraw_) return;
    UpdateScrollBars();
    viewport()->update();
}

void FlexGrid::UpdateScrollBars() {
    const int maxTop = std::max(fixedRows_, MaxTopRow());
    const int maxLeft = std::max(fixedCols_, MaxLeftCol());
    const int top = std::clamp(topRow_, fixedRows_, maxTop);
    const int left = std::clamp(leftCol_, fixedCols_, maxLeft);
    const bool moved = top != topRow_ || left != leftCol_;
    topRow_ = top;
    leftCol_ = left;
    syncingBars_ = true;
    verticalScrollBar()->setRange(0, std::max(0, maxTop - fixedRows_));
    verticalScrollBar()->setPageStep(std::max(1, rows_ - fixedRows_ - (maxTop - fixedRows_)));
    verticalScrollBar()->setValue(std::max(0, topRow_ - fixedRows_));
    horizontalScrollBar()->setRange(0, std::max(0, maxLeft - fixedCols_));
    horizontalScrollBar()->setPageStep(std::max(1, cols_ - fixedCols_ - (maxLeft - fixedCols_)));
    horizontalScrollBar()->setValue(std::max(0, leftCol_ - fixedCols_));
    syncingBars_ = false;
    if (moved) {
        RefreshMouseCell();
        Q_EMIT Events()->Scroll();
    }
}

void FlexGrid::scrollContentsBy(int, int) {
    if (syncingBars_) return;
    const int top = fixedRows_ + verticalScrollBar()->value();
    const int left = fixedCols_ + horizontalScrollBar()->value();
    if (top == topRow_ && left == leftCol_) return;
    topRow_ = std::min(top, std::max(fixedRows_, rows_ - 1));
    leftCol_ = std::min(left, std::max(fixedCols_, cols_ - 1));
    Changed();
    Guarded("Scrolling the table", [this] {
        RefreshMouseCell();
        Q_EMIT Events()->Scroll();
    });
}

void FlexGrid::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    Relayout();
}

// ---- painting ------------------------------------------------------------------------------

void FlexGrid::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const QRect area = viewport()->rect();
    p.fillRect(area, ColourToQColor(backColorBkg_));
    if (rows_ == 0 || cols_ == 0) return;
    EnsureLayout();

    const std::vector<int> rowsOnView = RowsOnView(area.height());
    const std::vector<int> colsOnView = ColsOnView(area.width());
    const int r0 = std::min(row_, rowSel_), r1 = std::max(row_, rowSel_);
    const int c0 = std::min(col_, colSel_), c1 = std::max(col_, colSel_);
    const bool highlight = highLight_ == 1 || (highLight_ == 2 && hasFocus());
    for (int r : rowsOnView) {
        for (int c : colsOnView) {
            const bool fixed = r < fixedRows_ || c < fixedCols_;
            const bool selected = highlight && !fixed && r >= r0 && r <= r1 && c >= c0 && c <= c1 &&
                                  !(r == row_ && c == col_);
            PaintCell(p, r, c, selected);
        }
    }
    PaintFocusRect(p);
}

namespace {
// The lines (rows or columns) a paint visits: the fixed ones, then the scrolled ones from
// the first on view, up to the first that starts beyond the room; hidden lines are skipped.
template <class Start, class Extent>
std::vector<int> LinesOnView(int count, int fixed, int first, int room, Start start, Extent extent) {
    std::vector<int> lines;
    for (int i = 0; i < count; ++i) {
        if (i >= fixed && i < first) continue;
        if (start(i) >= room) break;
        if (extent(i) > 0) lines.push_back(i);
    }
    return lines;
}
}  // namespace

std::vector<int> FlexGrid::RowsOnView(int height) const {
    return LinesOnView(
        rows_, fixedRows_, topRow_, height, [this](int r) { return RowTopPx(r); },
        [this](int r) { return RowHeightPx(r); });
}

std::vector<int> FlexGrid::ColsOnView(int width) const {
    return LinesOnView(
        cols_, fixedCols_, leftCol_, width, [this](int c) { return ColLeftPx(c); },
        [this](int c) { return ColWidthPx(c); });
}

void FlexGrid::PaintCell(QPainter& p, int row, int col, bool selected) const {
    const QRect rect(ColLeftPx(col), RowTopPx(row), ColWidthPx(col), RowHeightPx(row));
    const Cell& cell = At(row, col);
    const bool fixed = row < fixedRows_ || col < fixedCols_;
    Colour back = fixed ? backColorFixed_ : backColor_;
    Colour fore = fixed ? foreColorFixed_ : foreColor_;
    if (cell.back) back = *cell.back;
    if (selected) {
        back = backColorSel_;
        fore = foreColorSel_;
    }
    p.fillRect(rect, ColourToQColor(back));
    p.setPen(fixed ? QColor(128, 128, 128) : QColor(192, 192, 192));
    p.drawLine(rect.topRight(), rect.bottomRight());
    p.drawLine(rect.bottomLeft(), rect.bottomRight());
    if (cell.text.empty()) return;
    QFont textFont = font();
    if (cell.bold) textFont.setBold(true);
    p.setFont(textFont);
    p.setPen(ColourToQColor(fore));
    const QRect textRect = rect.adjusted(kTextPaddingPx, 0, -kTextPaddingPx - 1, -1);
    p.drawText(textRect, static_cast<int>(AlignmentOf(TextAlignment(col, cell.text))) | Qt::TextSingleLine,
               QtText(cell.text));
}

void FlexGrid::PaintFocusRect(QPainter& p) const {
    if (!(focusRect_ > 0 && hasFocus() && row_ >= fixedRows_ && col_ >= fixedCols_ && row_ < rows_ && col_ < cols_ &&
          RowIsVisible(row_) && ColIsVisible(col_)))
        return;
    const QRect rect(ColLeftPx(col_), RowTopPx(row_), ColWidthPx(col_) - 1, RowHeightPx(row_) - 1);
    QPen pen(ColourToQColor(foreColor_));
    if (focusRect_ == 1) {
        pen.setStyle(Qt::DotLine);
        p.setPen(pen);
        p.drawRect(rect.adjusted(0, 0, -1, -1));
    } else {
        pen.setWidth(2);
        p.setPen(pen);
        p.drawRect(rect.adjusted(1, 1, -1, -1));
    }
}

// ---- mouse and keys ------------------------------------------------------------------------

bool FlexGrid::HitTest(const QPoint& p, int& row, int& col) const {
    row = -1;
    col = -1;
    if (rows_ == 0 || cols_ == 0) return false;
    for (int r = 0; r < rows_; ++r) {
        if (r >= fixedRows_ && r < topRow_) continue;
        const int top = RowTopPx(r);
        if (top > p.y()) break;
        if (p.y() < top + RowHeightPx(r)) {
            row = r;
            break;
        }
    }
    for (int c = 0; c < cols_; ++c) {
        if (c >= fixedCols_ && c < leftCol_) continue;
        const int left = ColLeftPx(c);
        if (left > p.x()) break;
        if (p.x() < left + ColWidthPx(c)) {
            col = c;
            break;
        }
    }
    if (row < 0 || col < 0) {
        row = -1;
        col = -1;
        return false;
    }
    return true;
}

void FlexGrid::UpdateMouseCell(const QPoint& viewportPos) {
    mousePos_ = viewportPos;
    HitTest(viewportPos, mouseRow_, mouseCol_);
}

void FlexGrid::RefreshMouseCell() {
    if (mousePos_) HitTest(*mousePos_, mouseRow_, mouseCol_);
}

void FlexGrid::leaveEvent(QEvent* e) {
    mousePos_.reset();
    mouseRow_ = mouseCol_ = -1;
    QAbstractScrollArea::leaveEvent(e);
}

void FlexGrid::RaiseMouse(int kind, QMouseEvent* e) {
    const QPoint pos = e->position().toPoint() + viewport()->geometry().topLeft();
    const double x = PxToTwipsX(pos.x());
    const double y = PxToTwipsY(pos.y());
    const int shift = ShiftOf(e->modifiers());
    auto bits = [](Qt::MouseButtons b) {
        int v = 0;
        if (b & Qt::LeftButton) v |= 1;
        if (b & Qt::RightButton) v |= 2;
        if (b & Qt::MiddleButton) v |= 4;
        return v;
    };
    switch (kind) {
        case kDown: Q_EMIT Events()->MouseDown(bits(e->button()), shift, x, y); break;
        case kUp: Q_EMIT Events()->MouseUp(bits(e->button()), shift, x, y); break;
        default: Q_EMIT Events()->MouseMove(bits(e->buttons()), shift, x, y); break;
    }
}

void FlexGrid::mousePressEvent(QMouseEvent* e) {
    e->accept();
    const QPoint pos = e->position().toPoint();
    UpdateMouseCell(pos);
    Guarded("Clicking in the table", [&] {
        RaiseMouse(kDown, e);
        if (e->button() != Qt::LeftButton) return;
        leftPressed_ = true;
        int r = 0, c = 0;
        if (!HitTest(pos, r, c)) return;
        if (rows_ <= fixedRows_ || cols_ <= fixedCols_) return;
        // A press on a heading picks the first data cell on view in its row or column.
        if (r < fixedRows_) r = topRow_;
        if (c < fixedCols_) c = leftCol_;
        MoveCurrent(r, c, true);
    });
}

void FlexGrid::mouseReleaseEvent(QMouseEvent* e) {
    e->accept();
    UpdateMouseCell(e->position().toPoint());
    Guarded("Clicking in the table", [&] {
        RaiseMouse(kUp, e);
        if (e->button() == Qt::LeftButton && leftPressed_) {
            leftPressed_ = false;
            Q_EMIT Events()->Click();
        }
    });
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent* e) {
    mousePressEvent(e);
    Guarded("Double-clicking in the table", [&] { Q_EMIT Events()->DblClick(); });
}

void FlexGrid::mouseMoveEvent(QMouseEvent* e) {
    e->accept();
    UpdateMouseCell(e->position().toPoint());
    // A message per pixel of a move would flood the screen.
    RunGuarded(GuardPolicy::Swallow, {}, [&] { RaiseMouse(kMove, e); });
}

void FlexGrid::keyPressEvent(QKeyEvent* e) {
    if (rows_ <= fixedRows_ || cols_ <= fixedCols_) {
        e->ignore();
        return;
    }
    auto shownRow = [this](int r) { return RowHeight(r) > 0; };
    auto shownCol = [this](int c) { return ColWidth(c) > 0; };
    // The next shown row (column) from `from` in steps of `dir`, or `from` when none.
    auto stepRow = [&](int from, int dir, int count) {
        int r = from;
        for (int n = 0; n < count; ++n) {
            int k = r + dir;
            while (k >= fixedRows_ && k < rows_ && !shownRow(k)) k += dir;
            if (k < fixedRows_ || k >= rows_) break;
            r = k;
        }
        return r;
    };
    auto stepCol = [&](int from, int dir, int count) {
        int c = from;
        for (int n = 0; n < count; ++n) {
            int k = c + dir;
            while (k >= fixedCols_ && k < cols_ && !shownCol(k)) k += dir;
            if (k < fixedCols_ || k >= cols_) break;
            c = k;
        }
        return c;
    };
    int r = std::max(row_, fixedRows_);
    int c = std::max(col_, fixedCols_);
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const int page = std::max(1, MaxTopRow() > fixedRows_ ? rows_ - MaxTopRow() : rows_ - fixedRows_);
    switch (e->key()) {
        case Qt::Key_Up: r = stepRow(r, -1, 1); break;
        case Qt::Key_Down: r = stepRow(r, +1, 1); break;
        case Qt::Key_Left: c = stepCol(c, -1, 1); break;
        case Qt::Key_Right: c = stepCol(c, +1, 1); break;
        case Qt::Key_PageUp: r = stepRow(r, -1, page); break;
        case Qt::Key_PageDown: r = stepRow(r, +1, page); break;
        case Qt::Key_Home:
            if (ctrl) r = stepRow(fixedRows_ - 1, +1, 1);
            c = stepCol(fixedCols_ - 1, +1, 1);
            break;
        case Qt::Key_End:
            if (ctrl) r = stepRow(rows_, -1, 1);
            c = stepCol(cols_, -1, 1);
            break;
        default: e->ignore(); return;
    }
    e->accept();
    r = std::clamp(r, fixedRows_, rows_ - 1);
    c = std::clamp(c, fixedCols_, cols_ - 1);
    Guarded("Moving in the table", [&] { MoveCurrent(r, c, true); });
}

void FlexGrid::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    viewport()->update();
}

void FlexGrid::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    viewport()->update();
}

}  // namespace nuvir
