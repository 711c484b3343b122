#pragma once
// CFlexEditA: a flex grid made into an editable table of texts.
//
// Assigning the host builds three controls on the host window: the grid
// "flxFlexEdit" n, the in-cell editor "txtFlexEditBox" n (both in the host container)
// and the focus sink "txtFlexDummy" n (on the form itself, out of sight), n being the
// smallest number free on that form. The object loads a two-dimensional array into the
// grid (first index column, second index row, counted from the first data cell), lets
// the user edit cells in the editor laid over the current cell, and keeps a snapshot of
// the cell texts that the owner reads back with GetArray. Each committed edit raises
// Validate; entering a cell raises CellChange. Destroying the object removes the three
// controls.
//
// Keys in the editor: Enter moves by CursorAction (0 down, 1 right, 2 right then down,
// appending a row at the end when AutoNewRow), Shift+Enter back; Up, Down, Page Up and
// Page Down move along the column, wrapping at the ends; Tab and Shift+Tab move along
// the row, wrapping, with the focus staying in the grid; Ctrl+' copies the cell above.
//
// The snapshot is read when an edit is committed and again after the Validate
// handlers have run, so a value that a handler rewrites in the cell is what GetArray
// returns.
#include <QObject>
#include <QPointer>

#include <string>
#include <vector>

#include "platform/control.h"
#include "runtime/variant.h"

namespace nuvir {

class FlexGrid;
class Form;
class TextBox;

class CFlexEditA : public QObject {
    Q_OBJECT
public:
    CFlexEditA();
    ~CFlexEditA() override;
    CFlexEditA(const CFlexEditA&) = delete;
    CFlexEditA& operator=(const CFlexEditA&) = delete;

    // A copy of the current snapshot when the grid exists and the snapshot is a
    // two-dimensional array; Empty otherwise.
    Variant GetArray() const;

    // The tab position of the three controls: focus sink n, editor n + 1, grid n + 2.
    // 9999 until set; set before the host, it is only kept.
    int TabIndex() const { return tabIndex_; }
    void SetTabIndex(int n);

    // The host: a form, or a control on a form that the grid and the editor go into.
    // Only the first assignment counts.
    void SetContainer(Control* host);

    // The grid, or nullptr before the host is set. Owners set its properties directly.
    FlexGrid* Flexgrid() const;

    bool AllowEdit() const { return allowEdit_; }
    void SetAllowEdit(bool on) { allowEdit_ = on; }
    // While True the grid's leave and enter notifications are ignored.
    void SetSuppressCellEvents(bool on) { suppressCellEvents_ = on; }
    bool SuppressCellEvents() const { return suppressCellEvents_; }
    // First editable column and row; values outside the grid (or before the host) are
    // ignored.
    int MinCol() const { return minCol_; }
    void SetMinCol(int col);
    int MinRow() const { return minRow_; }
    void SetMinRow(int row);
    bool AutoNewRow() const { return autoNewRow_; }
    void SetAutoNewRow(bool on) { autoNewRow_ = on; }
    // The editor's background, used the next time it is placed.
    Colour EditBackColor() const { return editBackColor_; }
    void SetEditBackColor(Colour c) { editBackColor_ = c; }
    int CursorAction() const { return cursorAction_; }
    void SetCursorAction(int action) { cursorAction_ = action; }
    // Whether the grid or the editor has the keyboard focus.
    bool HasFocus() const { return hasFocus_; }

    // Revalidates every editable cell; True when the grid has editable cells and no
    // shown cell is in error.
    bool IsValid();
    // Whether the texts differ from those at the last ClearDirty.
    bool IsDirty() const;
    // The current state becomes the clean one.
    void ClearDirty();
    // Takes a snapshot and marks the table changed (the clean snapshot stays).
    void SetDirty();

    // The grid's Redraw; False without a grid.
    bool Redraw() const;
    void SetRedraw(bool on);

    // Loads a two-dimensional array (first index column, second row) into the data
    // cells, one row per second index. Anything else leaves only the rows before
    // MinRow. Values become texts as the array join writes them.
    void PutArray(Variant data);
    // Commits the edit in progress, if any.
    void ForceCapture();
    // The snapshot returns to the table as it was at the last ClearDirty; the cells
    // keep what they show.
    void CancelChanges();
    // Opens the editor on a cell.
    void EditText(int row, int col);

Q_SIGNALS:
    // After every committed edit, with the cell and its text as the grid holds it.
    void Validate(int row, int col, const Variant& value);
    void MouseDown(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
    // Each time a cell is entered, with the current cell.
    void CellChange(int row, int col);

private:
    friend class FlexEditTestPeer;  // reaches the error marks, which no input can set

    struct GridState {
        bool valid = false;
        int row = 0;
        int col = 0;
        bool suppressCellEvents = false;
        bool redraw = true;
    };

    // ---- editing ----------------------------------------------------------------------
    void EnterCell();
    void CaptureEdit();
    void MoveCursor(int direction, int step);
    void AddRow(bool refresh);
    void FocusArrived();
    void EnterKey(bool shift);
    int LastColumn() const;

    // ---- table and errors -----------------------------------------------------------------
    Variant ReadGridArray() const;
    GridState SaveGridState() const;
    bool ValidateCell(int row, int col, const std::string& text, bool skipCheck);
    void ClearCellError(int row, int col);
    void MarkCellError(int row, int col, const std::string& message);
    void RevalidateCells();
    bool CheckRow(int row);
    // The error text of a cell; nullptr when the table has no bounds or the cell lies
    // outside them (owners may resize the grid after the table was made).
    const std::string* ErrorText(int row, int col) const;
    // Gives the error table bounds (the grid's size) when it has none, or grows it to
    // the grid's size keeping its texts.
    void SizeErrorTable(bool grow);

    // ---- handlers of the three controls -------------------------------------------------
    void ConnectControls();
    void OnLeaveCell();
    void OnEnterCell();
    void OnGridMouseDown(int button, int shift, double x, double y);
    void OnGridClick();
    void OnGridMouseMove();
    void OnGridScroll();
    void UpdateErrorTip();
    void OnEditChange();
    void OnEditKeyDown(int& keyCode, int shift);
    void OnEditKeyPress(int& keyAscii);
    void OnEditLostFocus();
    void RemoveControls();

    QPointer<Form> host_;
    QPointer<FlexGrid> grid_;
    QPointer<TextBox> editor_;
    QPointer<TextBox> sink_;
    std::string gridName_;
    std::string editorName_;
    std::string sinkName_;

    Variant data_;
    Variant current_;  // snapshot
    Variant clean_;    // snapshot at the last ClearDirty
    bool errorsAllocated_ = false;
    int errorCols_ = 0;
    int errorRows_ = 0;
    std::vector<std::string> errors_;  // column-major: errors_[col * errorRows_ + row]

    bool editing_ = false;
    int tabDirection_ = 0;
    int editRow_ = 0;
    int editCol_ = 0;
    bool mousePressed_ = false;
    int lastColumn_ = 0;
    int savedIndicator_ = 0;
    bool changed_ = false;
    bool busy_ = false;        // EnterCell moving the cursor itself
    bool scrollBusy_ = false;  // the editor being moved after a scroll
    bool arriving_ = false;    // FocusArrived giving the grid the focus
    bool dropChar_ = false;    // Ctrl+' types nothing

    bool allowEdit_ = true;
    int minRow_ = 1;
    int minCol_ = 1;
    int tabIndex_ = 9999;
    bool autoNewRow_ = true;
    bool suppressCellEvents_ = false;
    Colour editBackColor_ = 0xFFFF00;
    int cursorAction_ = 0;
    bool hasFocus_ = false;
};

}  // namespace nuvir
