// The editable grid: its controls, loading and reading the table, snapshots and the dirty
// state, error marks; editing with real key and mouse events (Enter by cursor action,
// arrows, pages, Tab, Ctrl+', pasting, the order of Validate and CellChange); fitting
// the grid to its table and reading it back as numbers.
#include <QClipboard>
#include <QScrollBar>
#include <QWheelEvent>

#include "controls/gridfit.h"
#include "controls_fixture.h"
#include "flexedit_appdata.h"

namespace nuvir::test {
namespace {

// ---- the object -------------------------------------------------------------------------------

TEST_F(FlexEditTest, HostingBuildsThreeNumberedControlsThatGoWithTheObject) {
    EXPECT_EQ(form_->Find("flxFlexEdit1"), static_cast<Control*>(grid_));
    ASSERT_TRUE(editor_ && sink_);
    EXPECT_TRUE(!grid_->Visible() && !editor_->Visible() && sink_->Visible());  // the sink out of sight
    EXPECT_DOUBLE_EQ(sink_->Top(), -1000);
    EXPECT_EQ(grid_->Rows() * 1000 + grid_->FixedRows() * 100 + grid_->Cols() * 10 + grid_->FixedCols(), 2120);
    EXPECT_EQ(grid_->ScrollBars(), flexscroll::Vertical);
    auto other = std::make_unique<Form>();  // a second host is ignored
    edit_->SetContainer(other.get());
    EXPECT_EQ(other->Find("flxFlexEdit1"), nullptr);
    // A second grid takes number two; one in a frame keeps its sink on the form.
    Frame* frame = form_->Add<Frame>("fraGrid");
    CFlexEditA second;
    second.SetContainer(frame);
    EXPECT_EQ(second.Flexgrid()->Container(), frame);
    EXPECT_EQ(form_->Find("txtFlexEditBox2")->Container(), frame);
    EXPECT_EQ(form_->Find("txtFlexDummy2")->Container(), form_.get());
    edit_.reset();
    for (const char* name : {"flxFlexEdit1", "txtFlexEditBox1", "txtFlexDummy1"}) EXPECT_EQ(form_->Find(name), nullptr) << name;
    EXPECT_EQ(form_->Find("txtOther"), other_);
}

TEST_F(FlexEditTest, TabIndexMinRowMinColAndValidity) {
    CFlexEditA unhosted;
    EXPECT_EQ(unhosted.TabIndex(), 9999);  // 9999 until set
    unhosted.SetTabIndex(3);               // before the host: only kept
    EXPECT_EQ(unhosted.TabIndex(), 3);
    unhosted.SetMinRow(0);
    EXPECT_EQ(unhosted.MinRow(), 1);
    EXPECT_FALSE(unhosted.IsValid() || unhosted.Redraw());
    EXPECT_TRUE(edit_->IsValid());
    edit_->SetTabIndex(0);  // orders sink, editor, grid
    EXPECT_EQ(sink_->TabIndex() * 100 + editor_->TabIndex() * 10 + grid_->TabIndex(), 12);
    EXPECT_GT(other_->TabIndex(), 2);
    Load({{"1", "2", "3"}, {"4", "5", "6"}});
    edit_->SetMinCol(3);  // values outside the grid are ignored
    EXPECT_EQ(edit_->MinCol(), 0);
    edit_->SetMinCol(2);
    edit_->SetMinRow(-1);
    edit_->SetMinRow(3);
    EXPECT_EQ(edit_->MinCol() * 10 + edit_->MinRow(), 21);
    edit_->SetMinRow(2);
    EXPECT_EQ(edit_->MinRow(), 2);
}

TEST_F(FlexEditTest, LoadingAndReadingTheTable) {
    Variant data = Variant::MakeArray(VarType::Generic, {Bounds{0, 1}, Bounds{0, 2}});
    data(0, 0) = 1.5, data(1, 0) = "0.25", data(0, 1) = 2, data(1, 1) = "x", data(0, 2) = std::string(), data(1, 2) = true;
    grid_->SetRedraw(true);
    edit_->PutArray(data);  // two by three gives four rows and two columns
    EXPECT_TRUE(log_.empty()) << "loading raises no cell events: " << Joined();
    EXPECT_TRUE(grid_->Redraw() && !edit_->SuppressCellEvents() && grid_->Visible());
    EXPECT_EQ(grid_->Rows() * 10 + grid_->Cols(), 42);
    const Variant back = edit_->GetArray();
    EXPECT_EQ(Rows(back), "1.5|0.25/2|x/|True");
    EXPECT_EQ(back(0, 0).type(), VarType::String) << "the snapshot holds texts";
    EXPECT_FALSE(edit_->IsDirty());
    EXPECT_EQ(grid_->Row() * 10 + grid_->Col(), 10);
    const std::pair<Variant, std::string> tables[] = {
        {Table({{"x"}}), "x"},  // a shorter table drops the rows below it
        {Table({{"a\tb", "c", "d"}, {"e\rf", "g", "h"}, {"i", "j", "k"}}), "a|b|c/e||/f|g|h"},  // tabs and CRs spill
    };
    for (const auto& [table, rows] : tables) {
        edit_->PutArray(table);
        EXPECT_EQ(Rows(edit_->GetArray()), rows);
    }
    EXPECT_EQ(grid_->Rows(), 4);
    // A hidden row drops out of the snapshot and the rows below move up.
    grid_->SetRowHeight(2, 0);
    edit_->SetDirty();
    EXPECT_EQ(Rows(edit_->GetArray()), "a|b|c/f|g|h");
    grid_->SetRowHeight(-1, 0);
    edit_->SetDirty();
    EXPECT_TRUE(edit_->GetArray().isEmpty()) << "every row hidden";
    // Anything but a table leaves the rows before MinRow.
    edit_->PutArray(Variant::List({1, 2, 3}));
    EXPECT_EQ(grid_->Rows(), 1);
    edit_->SetMinRow(0);
    grid_->SetRows(3);
    edit_->SetMinRow(2);
    edit_->PutArray(Variant("not a table"));
    EXPECT_EQ(grid_->Rows(), 2);
    EXPECT_EQ(edit_->GetArray().dims(), 2) << "the data row before MinRow stays";
}

TEST_F(FlexEditTest, SnapshotsAndTheDirtyState) {
    Load({{"7", "8"}, {"abc", "4"}});
    edit_->SetDirty();
    EXPECT_FALSE(edit_->IsDirty()) << "equal snapshots are clean";
    grid_->SetTextMatrix(2, 0, "ABC");
    EXPECT_FALSE(edit_->IsDirty()) << "the snapshot was not retaken";
    edit_->SetDirty();
    EXPECT_TRUE(edit_->IsDirty()) << "a letter case change is a change";
    edit_->ClearDirty();
    EXPECT_FALSE(edit_->IsDirty());
    grid_->SetTextMatrix(2, 0, "abc");
    edit_->SetDirty();
    edit_->ClearDirty();
    edit_->EditText(1, 0);
    Type("9");
    EXPECT_EQ(grid_->TextMatrix(1, 0), "9") << "the cell follows the typing";
    edit_->ForceCapture();
    EXPECT_TRUE(edit_->IsDirty());
    edit_->EditText(1, 0);
    Type("7");  // typing the old value back leaves the grid clean
    edit_->ForceCapture();
    EXPECT_FALSE(edit_->IsDirty());
    edit_->EditText(2, 1);
    Type("40");
    edit_->ForceCapture();
    EXPECT_EQ(Rows(edit_->GetArray()), "7|8/abc|40");
    edit_->CancelChanges();  // restores the snapshot but not the cells
    EXPECT_EQ(Rows(edit_->GetArray()), "7|8/abc|4");
    EXPECT_EQ(grid_->TextMatrix(2, 1), "40");
    // A value rewritten by a Validate handler is what GetArray returns.
    Load({{"1"}, {"2"}});
    QObject::connect(edit_.get(), &CFlexEditA::Validate, [this](int r, int c, const Variant& v) {
        if (!IsNumeric(v)) edit_->Flexgrid()->SetTextMatrix(r, c, "1");
    });
    edit_->EditText(2, 0);
    Type("xyz");
    edit_->ForceCapture();
    EXPECT_EQ(log_.back(), "validate(2,0,xyz)") << "the handler sees what was typed";
    EXPECT_EQ(Rows(edit_->GetArray()), "1/1");
}

TEST_F(FlexEditTest, ErrorMarks) {
    ScopedGridSettings settings;
    settings.SetErrorColour(0x123456);
    Load({{"1", "a"}, {"2", "b"}, {"3", "c"}});
    edit_->SetAllowEdit(false);  // no editor over the cells the mouse visits
    grid_->SetRow(2);
    grid_->SetCol(0);
    log_.clear();
    FlexEditTestPeer::Mark(*edit_, 1, 1, "not a number");
    grid_->SetRowHeight(3, 0);
    FlexEditTestPeer::Mark(*edit_, 3, 0, "bad");  // a mark on a hidden row is not made
    grid_->SetRowHeight(3, 240);
    EXPECT_EQ(grid_->Row(), 2) << "marking keeps the current cell";
    EXPECT_TRUE(log_.empty()) << "marking raises no cell events: " << Joined();
    edit_->SetDirty();
    EXPECT_EQ(Rows(edit_->GetArray()), "1|/2|b/3|c");  // a cell in error reads empty
    grid_->SetRow(1);
    grid_->SetCol(1);
    EXPECT_EQ(grid_->CellBackColor(), 0x123456);
    auto hover = [&](int row, int col) {
        QTest::mouseMove(grid_->viewport(), grid_->CellRectPx(row, col).center() - grid_->viewport()->geometry().topLeft());
        QApplication::processEvents();
        return grid_->ToolTipText();
    };
    EXPECT_EQ(hover(1, 1), "not a number");
    EXPECT_EQ(grid_->MouseRow() * 10 + grid_->MouseCol(), 11);
    EXPECT_EQ(hover(2, 1), "");
    // An owner growing the grid leaves new cells out of error and markable.
    grid_->SetRows(5);
    grid_->SetCols(4);
    grid_->SetTextMatrix(4, 3, "far");
    FlexEditTestPeer::Mark(*edit_, 4, 3, "bad");
    edit_->SetDirty();
    EXPECT_EQ(Rows(edit_->GetArray()), "1|||/2|b||/3|c||/|||");
    grid_->SetRows(2);
    grid_->SetCols(1);
    edit_->SetDirty();
    EXPECT_EQ(Rows(edit_->GetArray()), "1");
    // A tip goes away when its cell scrolls from under the mouse.
    std::vector<std::vector<std::string>> many(30, {"1", "x"});
    Load(many);
    FlexEditTestPeer::Mark(*edit_, 2, 1, "bad");
    hover(1, 0);
    EXPECT_EQ(hover(2, 1), "bad");
    QWheelEvent wheel(QPointF(grid_->CellRectPx(2, 1).center() - grid_->viewport()->geometry().topLeft()), QPointF(), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid_->viewport(), &wheel);
    ASSERT_GT(grid_->TopRow(), 1);
    EXPECT_EQ(grid_->MouseRow(), 2 + grid_->TopRow() - 1) << "the cell under the mouse that stayed put";
    EXPECT_EQ(grid_->ToolTipText(), "");
    // Revalidating clears the marks, so the grid is valid.
    Load({{"1", "a"}});
    FlexEditTestPeer::Mark(*edit_, 1, 0, "bad");
    EXPECT_TRUE(edit_->IsValid());
    edit_->SetDirty();
    EXPECT_EQ(Rows(edit_->GetArray()), "1|a");
    grid_->SetRow(1);
    grid_->SetCol(0);
    EXPECT_EQ(grid_->CellBackColor(), grid_->BackColor());
}

// ---- editing with keys and mouse ----------------------------------------------------------------

class FlexEditKeysTest : public FlexEditTest {
protected:
    // rows x cols data cells holding "r.c" (grid row and column).
    void LoadGrid(int rows, int cols) {
        std::vector<std::vector<std::string>> t;
        for (int r = 1; r <= rows; ++r) {
            t.emplace_back();
            for (int c = 0; c < cols; ++c) t.back().push_back(std::to_string(r) + "." + std::to_string(c));
        }
        Load(t);
        grid_->SetRowHeight(-1, FlexGrid::kDefaultRowHeight);
    }
    void Start(int row, int col) {
        edit_->EditText(row, col);
        ASSERT_TRUE(EditorOver(row, col));
        log_.clear();
    }
    // Presses the key in the cell and expects the editor over the other one.
    void Move(int fromRow, int fromCol, Qt::Key key, int row, int col, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        if (fromRow > 0) Start(fromRow, fromCol);
        Key(key, mods);
        EXPECT_TRUE(EditorOver(row, col)) << "from " << fromRow << "," << fromCol << " key " << key;
    }
};

TEST_F(FlexEditKeysTest, TheEditorOpensOverTheCellAndTypingReplacesItsText) {
    LoadGrid(3, 3);
    edit_->EditText(2, 1);
    EXPECT_TRUE(EditorOver(2, 1));
    EXPECT_EQ(editor_->Text() + "|" + editor_->Tag(), "2.1|Normal");
    EXPECT_EQ(editor_->SelLength() * 10000000 + editor_->BackColor(), 3 * 10000000 + 0xFFFF00);  // all selected, the edit colour
    EXPECT_EQ(Joined(), "change(2,0) validate(2,0,2.0) change(2,1)") << "row then column: the cell between is entered and left too";
    Start(1, 0);
    Type("42");
    Key(Qt::Key_Backspace);
    EXPECT_EQ(grid_->TextMatrix(1, 0), "4");
    Key(Qt::Key_Home);
    Type("-");
    Key(Qt::Key_Escape);  // not the grid's
    EXPECT_TRUE(EditorOver(1, 0));
    EXPECT_EQ(editor_->Text(), "-4");
    EXPECT_TRUE(log_.empty()) << "nothing is committed while typing: " << Joined();
    // Validate comes after the cell and the snapshot are stored.
    std::string seen;
    QObject::connect(edit_.get(), &CFlexEditA::Validate, [&](int r, int c, const Variant&) { seen = grid_->TextMatrix(r, c) + "@" + Rows(edit_->GetArray()); });
    Key(Qt::Key_Down);
    EXPECT_EQ(seen, "-4@-4|1.1|1.2/2.0|2.1|2.2/3.0|3.1|3.2");
    EXPECT_EQ(Joined(), "validate(1,0,-4) change(2,0)");
}

TEST_F(FlexEditKeysTest, EnterByCursorAction) {
    LoadGrid(3, 3);
    Start(1, 0);
    Type("x");
    Key(Qt::Key_Return);  // commits, then moves right
    EXPECT_TRUE(EditorOver(1, 1));
    EXPECT_EQ(Joined(), "validate(1,0,x) change(1,1)");
    Move(1, 2, Qt::Key_Return, 2, 0);  // from the last column to the next row
    Move(3, 2, Qt::Key_Return, 1, 0);  // wraps to the first row without new rows
    EXPECT_EQ(grid_->Rows(), 4);
    edit_->SetCursorAction(1);  // wraps within the row
    Move(1, 2, Qt::Key_Return, 1, 0);
    edit_->SetCursorAction(0);  // moves down, wrapping
    Move(1, 1, Qt::Key_Return, 2, 1);
    Move(3, 1, Qt::Key_Return, 1, 1);
    // Shift+Enter goes back, never appending: to the end of the row above, from the first
    // cell to the last.
    edit_->SetCursorAction(2);
    edit_->SetAutoNewRow(true);
    Move(2, 0, Qt::Key_Return, 1, 2, Qt::ShiftModifier);
    Move(1, 0, Qt::Key_Return, 3, 2, Qt::ShiftModifier);
    EXPECT_EQ(grid_->Rows(), 4);
    edit_->SetCursorAction(0);
    Move(0, 0, Qt::Key_Return, 2, 2, Qt::ShiftModifier);
    // With AutoNewRow each action appends a row at the end.
    for (const auto& [action, col] : {std::pair{2, 2}, std::pair{1, 2}, std::pair{0, 0}}) {
        SCOPED_TRACE(action);
        edit_->SetCursorAction(action);
        const int rows = grid_->Rows();
        Start(rows - 1, col);
        Type("9");
        Key(Qt::Key_Return);
        EXPECT_EQ(grid_->Rows(), rows + 1);
        EXPECT_TRUE(EditorOver(rows, 0));
    }
    EXPECT_TRUE(edit_->IsDirty());
    EXPECT_EQ(Rows(edit_->GetArray()), "x|1.1|1.2/2.0|2.1|2.2/3.0|3.1|9/||9/9||/||");
}

TEST_F(FlexEditKeysTest, ArrowAndPageKeysWrapSkipHiddenRowsAndStopWhereTheyCannotReturn) {
    LoadGrid(4, 2);
    Move(4, 1, Qt::Key_Down, 1, 1);
    Move(0, 0, Qt::Key_Up, 4, 1);
    grid_->SetRowHeight(3, 0);
    Move(0, 0, Qt::Key_Up, 2, 1);
    Move(0, 0, Qt::Key_Down, 4, 1);
    EXPECT_EQ(editor_->Text(), "4.1") << "the arrow key typed nothing";
    LoadGrid(20, 1);
    Move(5, 0, Qt::Key_PageUp, 1, 0);  // ten rows or to the ends
    Move(15, 0, Qt::Key_PageUp, 5, 0);
    Move(0, 0, Qt::Key_PageDown, 15, 0);
    Move(17, 0, Qt::Key_PageDown, 20, 0);
    // From row 2 the steps of 10 visit 12, then wrap to 1, 11, 1, ... all hidden.
    LoadGrid(12, 1);
    for (int r : {1, 11, 12}) grid_->SetRowHeight(r, 0);
    Move(2, 0, Qt::Key_PageDown, 2, 0);
}

TEST_F(FlexEditKeysTest, TabMovesAlongTheRowWrappingWithTheFocusInTheGrid) {
    LoadGrid(3, 3);
    Start(2, 1);
    Type("t");
    Move(0, 0, Qt::Key_Tab, 2, 2);
    EXPECT_EQ(Joined(), "validate(2,1,t) change(2,2)");
    Move(0, 0, Qt::Key_Tab, 2, 0);
    Move(0, 0, Qt::Key_Backtab, 2, 2, Qt::ShiftModifier);
    Move(0, 0, Qt::Key_Backtab, 2, 1, Qt::ShiftModifier);
    edit_->SetTabIndex(0);  // the same with the tab order set
    Move(0, 0, Qt::Key_Tab, 2, 2);
    grid_->SetCols(2);  // columns removed by the owner are not tabbed into
    Move(2, 1, Qt::Key_Tab, 2, 0);
    edit_->SetMinCol(1);  // one editable column: the same cell again
    Move(1, 1, Qt::Key_Tab, 1, 1);
    EXPECT_EQ(Joined(), "validate(1,1,1.1) change(1,1)");
    other_->SetFocus();  // tabbing into the grid opens the editor on the current cell
    log_.clear();
    Move(0, 0, Qt::Key_Tab, 1, 1);
    EXPECT_EQ(Joined(), "change(1,1)");
}

TEST_F(FlexEditKeysTest, CtrlQuoteCopiesTheCellAboveAndPastedLineBreaksWaitForTheCommit) {
    LoadGrid(3, 2);
    Start(1, 1);
    Key(Qt::Key_Apostrophe, Qt::ControlModifier);
    EXPECT_EQ(editor_->Text(), "1.1") << "nothing above the first editable row";
    Start(3, 1);
    Key(Qt::Key_Apostrophe, Qt::ControlModifier);
    EXPECT_EQ(editor_->Text() + "|" + grid_->TextMatrix(3, 1), "2.1|2.1");
    Key(Qt::Key_Return);
    EXPECT_EQ(Rows(edit_->GetArray()), "1.0|1.1/2.0|2.1/3.0|2.1");
    Start(1, 0);
    QApplication::clipboard()->setText(QStringLiteral("a\r\nb"));
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(editor_->Text(), "a\r\nb");
    EXPECT_EQ(grid_->TextMatrix(1, 0), "ab") << "left out while typing";
    edit_->ForceCapture();
    EXPECT_EQ(grid_->TextMatrix(1, 0), "a\r\nb");
    EXPECT_EQ(log_.back(), "validate(1,0,a\r\nb)");
}

TEST_F(FlexEditKeysTest, ClicksCommitMoveOrOpenTheEditor) {
    LoadGrid(3, 3);
    Start(1, 0);
    Type("a");
    ClickCell(3, 2);  // another cell: commits and moves the editor
    EXPECT_TRUE(EditorOver(3, 2));
    EXPECT_EQ(Joined(), "validate(1,0,a) change(3,2)");
    Type("7");
    log_.clear();
    QTest::mouseClick(other_, Qt::LeftButton);  // another control commits the edit
    EXPECT_EQ(QApplication::focusWidget(), other_);
    EXPECT_EQ(Joined(), "validate(3,2,7)");
    EXPECT_FALSE(FlexEditTestPeer::Editing(*edit_) || edit_->HasFocus());
    EXPECT_TRUE(grid_->geometry().contains(editor_->geometry()));
    const auto& siblings = grid_->parentWidget()->children();
    EXPECT_LT(siblings.indexOf(editor_), siblings.indexOf(grid_)) << "the editor went behind the grid";
    log_.clear();
    ClickCell(3, 2);  // the current cell of an idle grid opens the editor
    EXPECT_TRUE(EditorOver(3, 2));
    EXPECT_EQ(Joined(), "change(3,2)");
    // A read-only grid raises CellChange (when the press moves the cell, and again by the
    // click) but opens no editor.
    QTest::mouseClick(other_, Qt::LeftButton);
    edit_->SetAllowEdit(false);
    log_.clear();
    ClickCell(2, 1);
    EXPECT_EQ(Joined(), "change(2,1) change(2,1)");
    EXPECT_FALSE(FlexEditTestPeer::Editing(*edit_));
    EXPECT_LT(siblings.indexOf(editor_), siblings.indexOf(grid_));
    // Mouse down and up are relayed with the grid's arguments.
    std::vector<std::string> seen;
    QObject::connect(edit_.get(), &CFlexEditA::MouseDown, [&](int b, int, double x, double) { seen.push_back("down" + std::to_string(b) + "@" + FormatDouble(x)); });
    QObject::connect(edit_.get(), &CFlexEditA::MouseUp, [&](int b, int, double, double) { seen.push_back("up" + std::to_string(b)); });
    QTest::mouseClick(grid_->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(10, 5));
    EXPECT_EQ(seen, (std::vector<std::string>{"down2@" + FormatDouble(15.0 * (10 + grid_->viewport()->geometry().left())), "up2"}));
}

TEST_F(FlexEditKeysTest, TheEditorFollowsItsCellWhenTheGridScrolls) {
    LoadGrid(30, 2);
    Start(3, 1);
    auto wheel = [this](int delta) {
        QWheelEvent e(QPointF(20, 40), grid_->viewport()->mapToGlobal(QPointF(20, 40)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid_->viewport(), &e);
    };
    wheel(-120);  // three rows
    ASSERT_EQ(grid_->TopRow(), 4);
    const auto& siblings = grid_->parentWidget()->children();
    EXPECT_LT(siblings.indexOf(editor_), siblings.indexOf(grid_)) << "its cell scrolled away: behind the grid";
    wheel(120);
    ASSERT_EQ(grid_->TopRow(), 1);
    EXPECT_TRUE(EditorOver(3, 1));
    EXPECT_GT(siblings.indexOf(editor_), siblings.indexOf(grid_)) << "back in front";
}

// ---- fitting and numbers -----------------------------------------------------------------------------

using MKelvaro::FitGridToContents;
using MKelvaro::GetGridAsDoubles;

Variant Headings(std::initializer_list<const char*> names) { return Variant::List(std::vector<Variant>(names.begin(), names.end())); }

TEST_F(FlexEditTest, FittingGivesTheExampleSizesAndShowsTheWholeTable) {
    edit_->PutArray(Table({{"1", "2"}, {"3", "4"}, {"5", "6"}, {"7", "8"}}));
    grid_->Move(600, 600, 100, 100);
    const Variant size = FitGridToContents(edit_.get(), Headings({"Value", "P"}), MKelvaro::GridFitMetrics());
    // The system's example metrics: 15 twips, scroll bar 17, frames 4, dialog frames 3,
    // caption 19; every row shows, so no room is kept for the scroll bar.
    EXPECT_DOUBLE_EQ(grid_->Width(), 1000 + 800 + 120);
    EXPECT_DOUBLE_EQ(grid_->Height(), 5 * 240 + 120);
    EXPECT_EQ(size.elemKind(), VarType::Double);
    EXPECT_DOUBLE_EQ(size(0).numberValue(), 1920 + 90);
    EXPECT_DOUBLE_EQ(size(1).numberValue(), 5 * 240 + 120 + 375);
    // Every column centred, the first wider, the grid at the corner.
    edit_->PutArray(Table({{"1", "2", "3"}, {"4", "5", "6"}, {"7", "8", "9"}, {"10", "11", "12"}, {"13", "14", "15"}, {"16", "17", "18"}}));
    FitGridToContents(edit_.get(), Headings({"a", "b", "c", "extra"}));  // surplus headings are dropped
    EXPECT_EQ((std::vector<int>{grid_->ColWidth(0), grid_->ColWidth(1), grid_->ColWidth(2)}), (std::vector<int>{1000, 800, 800}));
    for (int c = 0; c < 3; ++c) EXPECT_EQ(grid_->ColAlignment(c), flexalign::CenterCenter);
    EXPECT_DOUBLE_EQ(grid_->Left() + grid_->Top(), 0);
    EXPECT_EQ(grid_->FocusRect(), 1);
    EXPECT_EQ(grid_->TextMatrix(0, 2), "c");
    // With the real widget's metrics it shows the whole table, no spare row, no scroll bars.
    QApplication::processEvents();
    EXPECT_FALSE(grid_->verticalScrollBar()->isVisible() || grid_->horizontalScrollBar()->isVisible());
    const QRect inside = grid_->viewport()->geometry();
    for (int r = 0; r < grid_->Rows(); ++r)
        for (int c = 0; c < grid_->Cols(); ++c) EXPECT_TRUE(inside.contains(grid_->CellRectPx(r, c))) << r << "," << c;
    EXPECT_EQ(grid_->CellRectPx(6, 0).bottom(), inside.bottom());
    EXPECT_EQ(grid_->CellRectPx(6, 2).right(), inside.right()) << "no empty strip beside the last column";
    // The editor writes its text where the cell does: centred here, numbers right and
    // texts left under the general alignment.
    edit_->EditText(2, 1);
    EXPECT_EQ(editor_->Alignment(), align::Center);
    EXPECT_EQ(editor_->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    grid_->SetColAlignment(1, flexalign::General);
    grid_->SetTextMatrix(3, 1, "abc");
    edit_->EditText(3, 1);
    EXPECT_EQ(editor_->Alignment(), align::Left);
    edit_->EditText(2, 1);
    EXPECT_EQ(editor_->Alignment(), align::Right);
    grid_->SetColAlignment(1, flexalign::RightCenter);
    edit_->EditText(4, 1);
    EXPECT_EQ(editor_->Alignment(), align::Right);
    // Anything but a list leaves the headings blank; a short list leaves the rest blank.
    FitGridToContents(edit_.get(), Table({{"a", "b"}}));
    EXPECT_EQ(grid_->TextMatrix(0, 0) + grid_->TextMatrix(0, 1), "");
    FitGridToContents(edit_.get(), Headings({"Cost"}));
    EXPECT_EQ(grid_->TextMatrix(0, 0) + "|" + grid_->TextMatrix(0, 1), "Cost|");
    CFlexEditA unhosted;  // no grid fits to nothing
    for (CFlexEditA* e : {static_cast<CFlexEditA*>(nullptr), &unhosted})
        EXPECT_DOUBLE_EQ(FitGridToContents(e, Headings({"x"}))(1).get().numberValue(), 0);
}

TEST_F(FlexEditTest, CellsAreReadAsNumbersByTheirLeadingNumber) {
    EXPECT_EQ(GetGridAsDoubles(edit_.get()).dims(), 0);  // without a table an array without bounds
    EXPECT_EQ(GetGridAsDoubles(nullptr).elemKind(), VarType::Double);
    edit_->PutArray(Table({{"1.5", " 2 ", "3,5", "abc", ""}, {"1e3", "1D2", "1 2", "&H10", "-.5x"}, {"1e999", "7", "", "", ""}}));
    const Variant d = GetGridAsDoubles(edit_.get());
    EXPECT_EQ(d.elemKind(), VarType::Double);
    EXPECT_EQ(Rows(d), "1.5|2|3|0|0/1000|100|12|16|-0.5/0|7|0|0|0");  // beyond the Double range: 0
    grid_->SetRowHeight(2, 0);  // the snapshot's shape, hidden rows left out
    edit_->SetDirty();
    EXPECT_EQ(Rows(GetGridAsDoubles(edit_.get())), "1.5|2|3|0|0/0|7|0|0|0");
}

}  // namespace
}  // namespace nuvir::test
