#pragma once
// The flex grid: a table of text cells with fixed (heading) rows at the top and fixed
// columns at the left that do not scroll, a current cell, a selected range, per-cell
// colours and bold text, and sizes in twips.
//
// It paints its cells itself, so that what the windows rely on holds exactly:
// - Setting Row or Col, by code, keyboard or mouse, raises LeaveCell while the old
//   cell is still current, then EnterCell with the new one, synchronously. Setting Row
//   and then Col gives two such pairs; setting an unchanged value gives none. Either
//   collapses the selection onto the current cell.
// - A mouse press raises MouseDown first, then moves the current cell (left button
//   only); the release raises MouseUp and then Click.
// - Rows scroll whole: the first scrolled row shown is TopRow. Any change of TopRow or
//   LeftCol raises Scroll. Reading CellLeft/CellTop/CellWidth/CellHeight scrolls the
//   current cell into view; setting Row or Col by code does not scroll.
// - Rows and columns are placed at the nearest pixel of their running twips total, so
//   a grid whose height is the sum of its row heights (plus its frame) shows every row
//   without a scroll bar.
// - Focus and key events reach the windows through the platform's event routing, like
//   those of any control; mouse, Click and Scroll are raised here.
//
// Numbers used by the windows: ColAlignment 0..8 = (left, centre, right) x (top,
// centre, bottom), 9 general (numbers right, text left, vertically centred);
// FocusRect 0 none, 1 light, 2 heavy; HighLight 0 never, 1 always, 2 with the focus;
// ScrollBars 0 none, 1 horizontal, 2 vertical, 3 both (shown when needed).
#include <QAbstractScrollArea>

#include <optional>
#include <string>
#include <vector>

#include "platform/control.h"

class QPainter;

namespace nuvir {

namespace flexalign {
constexpr int LeftTop = 0;
constexpr int LeftCenter = 1;
constexpr int LeftBottom = 2;
constexpr int CenterTop = 3;
constexpr int CenterCenter = 4;
constexpr int CenterBottom = 5;
constexpr int RightTop = 6;
constexpr int RightCenter = 7;
constexpr int RightBottom = 8;
constexpr int General = 9;
}  // namespace flexalign

namespace flexscroll {
constexpr int None = 0;
constexpr int Horizontal = 1;
constexpr int Vertical = 2;
constexpr int Both = 3;
}  // namespace flexscroll

class FlexGrid : public QAbstractScrollArea, public Control {
    Q_OBJECT
public:
    // The kind name under which forms create it ("MSFlexGridLib.MSFlexGrid" works too:
    // the library prefix is ignored).
    static constexpr const char* kTypeName = "MSFlexGrid";
    // Makes the kind known to Form::AddByType. Safe to call any number of times.
    static void RegisterType();

    // Size in twips of rows and columns that were never given one.
    static constexpr int kDefaultRowHeight = 240;
    static constexpr int kDefaultColWidth = 960;

    FlexGrid();
    ~FlexGrid() override;

    QWidget* Widget() override { return this; }
    QObject* Object() override { return this; }

    // ---- structure ----------------------------------------------------------------
    // Rows may equal FixedRows (a table with headings only). Fewer rows than fixed rows
    // take the fixed rows down with them. Cells that go are lost; new ones are empty.
    // The current cell and the selection are kept within the table, without events.
    int Rows() const { return rows_; }
    void SetRows(int n);
    int Cols() const { return cols_; }
    void SetCols(int n);
    // At most Rows (Cols); a larger value raises error 380.
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int n);
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int n);

    // ---- current cell and selection ---------------------------------------------------
    // Any row and column of the table, fixed ones included; outside raises error 380.
    int Row() const { return row_; }
    void SetRow(int r);
    int Col() const { return col_; }
    void SetCol(int c);
    // The far corner of the selection (the near corner is the current cell).
    int RowSel() const { return rowSel_; }
    void SetRowSel(int r);
    int ColSel() const { return colSel_; }
    void SetColSel(int c);
    // First scrolled row / column on view.
    int TopRow() const { return topRow_; }
    void SetTopRow(int r);

    // ---- text -------------------------------------------------------------------------
    std::string Text() const;
    void SetText(const std::string& text);
    // Cells outside the table raise error 381.
    std::string TextMatrix(int row, int col) const;
    void SetTextMatrix(int row, int col, const std::string& text);
    // The selected range as text: cells separated by a tab, rows by a carriage return.
    // Setting it fills the range from the top-left corner: each carriage return starts
    // the next row and each tab the next cell; text beyond the range is dropped and
    // cells the text does not reach keep theirs. A cell text holding a tab or a
    // carriage return therefore spills into the next cell or row.
    std::string Clip() const;
    void SetClip(const std::string& text);
    // Empties every cell and drops every cell's colours and bold setting.
    void Clear();

    // ---- sizes in twips -----------------------------------------------------------------
    // Index -1 sets every column (row). 0 hides it; -1 as a size restores the default.
    int ColWidth(int col) const;
    void SetColWidth(int col, int twips);
    int RowHeight(int row) const;
    void SetRowHeight(int row, int twips);
    int ColAlignment(int col) const;
    void SetColAlignment(int col, int alignment);
    // How a text stands in the column: its alignment, with General resolved (numbers
    // right, other text left, both centred vertically).
    int TextAlignment(int col, const std::string& text) const;

    // Position and size of the current cell in twips, from the grid's outer top-left
    // corner. Reading them first scrolls the current cell into view.
    double CellLeft();
    double CellTop();
    double CellWidth();
    double CellHeight();

    // ---- the current cell's formatting --------------------------------------------------
    // Without a colour of its own a cell shows the grid's colours (fixed or normal).
    Colour CellBackColor() const;
    void SetCellBackColor(Colour c);
    bool CellFontBold() const;
    void SetCellFontBold(bool on);

    // ---- colours (blue-green-red; top bit set: a system colour) --------------------------
    Colour BackColor() const override { return backColor_; }
    void SetBackColor(Colour c) override;
    Colour ForeColor() const override { return foreColor_; }
    void SetForeColor(Colour c) override;
    void SetForeColorFixed(Colour c);
    void SetBackColorSel(Colour c);
    void SetForeColorSel(Colour c);
    // The area beyond the last row and column.
    void SetBackColorBkg(Colour c);

    // ---- display settings -------------------------------------------------------------
    int FocusRect() const { return focusRect_; }
    void SetFocusRect(int v);
    void SetHighLight(int v);
    void SetScrollBars(int v);
    // False stops repainting (bulk changes); True repaints once.
    bool Redraw() const { return redraw_; }
    void SetRedraw(bool on);

    // ---- mouse and view -------------------------------------------------------------------
    // The cell under the mouse at its last move or press over the grid; -1 beyond the
    // cells.
    int MouseRow() const { return mouseRow_; }
    int MouseCol() const { return mouseCol_; }
    // Whether the row (column) is at least partly on view. Hidden ones are not.
    bool RowIsVisible(int row) const;
    bool ColIsVisible(int col) const;

    // The frame on each side in pixels, as the sizing of a grid needs it.
    int FrameWidthPx() const;
    // The pixels the first `rows` rows and `cols` columns take together (frame not
    // included), whether or not they are on view: for sizing a grid to whole rows.
    QSize CellsExtentPx(int rows, int cols) const;
    // A cell's rectangle in pixels within the widget (frame included); empty when the
    // cell is not on view. For placing things over cells and for tests.
    QRect CellRectPx(int row, int col) const;

Q_SIGNALS:
    // The current cell is about to change (Row and Col still give the old one).
    void LeaveCell();
    // The current cell has changed.
    void EnterCell();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    struct Cell {
        std::string text;
        std::optional<Colour> back;
        bool bold = false;
    };

    Cell& At(int row, int col) { return cells_[static_cast<std::size_t>(row) * cols_ + col]; }
    const Cell& At(int row, int col) const { return cells_[static_cast<std::size_t>(row) * cols_ + col]; }
    void CheckCell(int row, int col) const;
    void Resize(int rows, int cols);
    void KeepCursorInTable();

    // Moves the current cell with one leave/enter pair and collapses the selection.
    void MoveCurrent(int row, int col, bool bringIntoView);
    void ScrollIntoView(int row, int col);
    int MaxTopRow() const;
    int MaxLeftCol() const;

    // Running pixel totals of the row heights and column widths.
    void EnsureLayout() const;
    int RowTopPx(int row) const;   // within the viewport; valid for fixed rows and rows >= TopRow
    int ColLeftPx(int col) const;  // within the viewport; valid for fixed cols and cols >= LeftCol
    int RowHeightPx(int row) const;
    int ColWidthPx(int col) const;
    // The cell at a viewport point; false beyond the cells.
    bool HitTest(const QPoint& p, int& row, int& col) const;
    void UpdateMouseCell(const QPoint& viewportPos);
    void RaiseMouse(int kind, QMouseEvent* e);

    // Painting: the rows and columns the viewport shows (fixed ones first, then those
    // from TopRow and LeftCol on), one cell, the focus rectangle.
    std::vector<int> RowsOnView(int height) const;
    std::vector<int> ColsOnView(int width) const;
    void PaintCell(QPainter& p, int row, int col, bool selected) const;
    void PaintFocusRect(QPainter& p) const;

    void Changed();   // repaint when Redraw allows
    void Relayout();  // sizes changed: scroll ranges and repaint
    void UpdateScrollBars();
    // Runs an event handler of the windows from a Qt event; errors are shown after
    // `action`, never thrown into the event loop.
    template <class F>
    void Guarded(const char* action, F&& f);

    std::vector<Cell> cells_;
    std::vector<int> rowHeight_;  // twips
    std::vector<int> colWidth_;
    std::vector<int> colAlign_;
    int rows_ = 0;
    int cols_ = 0;
    int fixedRows_ = 1;
    int fixedCols_ = 1;
    int row_ = 1;
    int col_ = 1;
    int rowSel_ = 1;
    int colSel_ = 1;
    int topRow_ = 1;
    int leftCol_ = 1;

    Colour backColor_;
    Colour foreColor_;
    Colour backColorFixed_;
    Colour foreColorFixed_;
    Colour backColorSel_;
    Colour foreColorSel_;
    Colour backColorBkg_;
    int focusRect_ = 1;
    int highLight_ = 1;
    bool redraw_ = true;

    int mouseRow_ = -1;
    int mouseCol_ = -1;
    // Where the mouse stands over the viewport, while it does: scrolling moves the
    // cells under a mouse that stays put.
    std::optional<QPoint> mousePos_;
    void RefreshMouseCell();
    bool leftPressed_ = false;
    bool syncingBars_ = false;

    mutable bool layoutDirty_ = true;
    mutable double layoutTppX_ = 0;
    mutable double layoutTppY_ = 0;
    mutable std::vector<int> rowPos_;  // rowPos_[r] = pixel total of rows 0..r-1
    mutable std::vector<int> colPos_;
};

}  // namespace nuvir
