// The editable grid: its controls, loading and reading the table, snapshots and the dirty
// state, error marks; editing with real key and mouse events (Enter by cursor action,
// arrows, pages, Tab, Ctrl+', pasting, the order of Validate and CellChange); fitting
// the grid to its table and reading it back as numbers.
#include <QClipboard>
#include <QScrollBar>
#include <QWheelEvent>

#include "controls/gridfit.h"
#include "controls_fixture.h"

namespace nuvir::test {
namespace {

void Wheel(FlexGrid* g, QPoint at, int delta) {
    QWheelEvent e(at, g->viewport()->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(g->viewport(), &e);
}

TEST_F(FlexEditTest, HostingBuildsThreeNumberedControlsThatGoWithTheObject) {
    TextBox* sink = form_->FindAs<TextBox>("txtFlexDummy1");
    // the sink out of sight
    EXPECT_EQ(form_->Find("flxFlexEdit1"), grid_);
    EXPECT_TRUE(editor_);
    EXPECT_TRUE(sink->Visible());
    EXPECT_LT(sink->Top(), 0);
    // A second grid takes number two; one in a frame keeps its sink on the form.
    Frame* frame = form_->Add<Frame>("fraGrid");
    CFlexEditA second;
    second.SetContainer(frame);
    EXPECT_EQ(form_->Find("txtFlexEditBox2")->Container(), frame);
    EXPECT_EQ(form_->Find("txtFlexDummy2")->Container(), form_.get());
    edit_.reset();
    for (const char* name : {"flxFlexEdit1", "txtFlexEditBox1", "txtFlexDummy1"})
        EXPECT_EQ(form_->Find(name), nullptr) << name;
    EXPECT_EQ(form_->Find("txtOther"), other_);
}

// A tab index n goes to the focus sink, n + 1 to the editor and n + 2 to the grid, each
// with its tab stop on; unset it reads 9999.
TEST_F(FlexEditTest, TheTabIndexNumbersTheSinkTheEditorAndTheGridInThatOrder) {
    EXPECT_EQ(edit_->TabIndex(), 9999);
    Control* sink = form_->Find("txtFlexDummy1");
    Control* editor = form_->Find("txtFlexEditBox1");
    Control* grid = form_->Find("flxFlexEdit1");
    for (Control* c : {sink, editor, grid}) c->SetTabStop(false);
    edit_->SetTabIndex(0);
    EXPECT_EQ(edit_->TabIndex(), 0);
    struct Case {
        const char* name;
        Control* control;
        int index;
    };
    const Case cases[] = {{"focus sink", sink, 0}, {"editor", editor, 1}, {"grid", grid, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.control->TabIndex(), c.index);
        EXPECT_TRUE(c.control->TabStop());
    }
}

TEST_F(FlexEditTest, LoadingAndReadingTheTable) {
    Variant data = Variant::MakeArray(VarType::Generic, {Bounds{0, 1}, Bounds{0, 2}});
    data(0, 0) = 1.5, data(1, 0) = "0.25", data(0, 1) = 2, data(1, 1) = "x", data(0, 2) = std::string(),
            data(1, 2) = true;
    const std::pair<Variant, std::string> tables[] = {
        {data, "1.5|0.25/2|x/|True"},  // texts, first index the column
        {Table({{"x"}}), "x"},         // a shorter table drops the rows below it
        {Table({{"a\tb", "c", "d"}, {"e\rf", "g", "h"}, {"i", "j", "k"}}), "a|b|c/e||/f|g|h"},  // tabs and CRs spill
    };
    for (const auto& [table, rows] : tables) {
        edit_->PutArray(table);
        EXPECT_EQ(Rows(edit_->GetArray()), rows);
    }
    EXPECT_TRUE(log_.empty()) << "loading raises no cell events: " << log_;
    EXPECT_FALSE(edit_->IsDirty());
    EXPECT_TRUE(grid_->Visible());
    EXPECT_EQ(grid_->Row(), 1);
    EXPECT_EQ(grid_->Rows(), 4);
    // A hidden row drops out of the snapshot and the rows below move up.
    grid_->SetRowHeight(2, 0);
    edit_->SetDirty();
    EXPECT_EQ(Rows(edit_->GetArray()), "a|b|c/f|g|h");
    grid_->SetRowHeight(-1, 0);
    edit_->SetDirty();
    EXPECT_TRUE(edit_->GetArray().isEmpty()) << "every row hidden";
    // Anything but a table leaves the rows before MinRow.
    edit_->SetMinRow(3);
    edit_->PutArray(Variant::List({1, 2, 3}));
    EXPECT_EQ(grid_->Rows(), 3);
}

TEST_F(FlexEditTest, SnapshotsAndTheDirtyState) {
    Load({{"7", "8"}, {"abc", "4"}});
    grid_->SetTextMatrix(2, 0, "ABC");
    EXPECT_FALSE(edit_->IsDirty()) << "the snapshot was not retaken";
    edit_->SetDirty();
    EXPECT_TRUE(edit_->IsDirty()) << "a letter case change is a change";
    Commit(2, 0, "abc");  // typing the old value back leaves the grid clean
    EXPECT_FALSE(edit_->IsDirty());
    Commit(1, 0, "9");
    EXPECT_TRUE(edit_->IsDirty());
    Commit(2, 1, "40");
    edit_->CancelChanges();  // restores the snapshot but not the cells
    EXPECT_EQ(Rows(edit_->GetArray()), "7|8/abc|4");
    EXPECT_EQ(grid_->TextMatrix(2, 1), "40");
    // A value rewritten by a Validate handler is what GetArray returns.
    Load({{"1"}, {"2"}});
    QObject::connect(edit_.get(), &CFlexEditA::Validate, [this](int r, int c, const Variant& v) {
        if (!IsNumeric(v)) edit_->Flexgrid()->SetTextMatrix(r, c, "1");
    });
    Commit(2, 0, "xyz");
    EXPECT_EQ(log_, "change(2,0) validate(2,0,xyz)") << "the handler sees what was typed";
    EXPECT_EQ(Rows(edit_->GetArray()), "1/1");
}

TEST_F(FlexEditTest, ErrorMarksReadEmptyAndKeepTheCurrentCell) {
    AppOptions(opt::kColourError) = 0x123456;
    Load({{"1", "a"}, {"2", "b"}, {"3", "c"}});
    edit_->SetAllowEdit(false);  // no editor over the cells the mouse visits
    grid_->SetRow(2);
    log_.clear();
    FlexEditTestPeer::Mark(*edit_, 1, 1, "not a number");
    grid_->SetRowHeight(3, 0);
    FlexEditTestPeer::Mark(*edit_, 3, 0, "bad");  // a mark on a hidden row is not made
    grid_->SetRowHeight(3, 240);
    EXPECT_EQ(grid_->Row(), 2) << "marking keeps the current cell and raises no events: " << log_;
    EXPECT_TRUE(log_.empty()) << "marking keeps the current cell and raises no events: " << log_;
    edit_->SetDirty();
    EXPECT_EQ(Rows(edit_->GetArray()), "1|/2|b/3|c");  // a cell in error reads empty
    // An owner growing the grid leaves new cells out of error and markable.
    grid_->SetRows(5);
    grid_->SetCols(4);
    grid_->SetTextMatrix(4, 3, "far");
    FlexEditTestPeer::Mark(*edit_, 4, 3, "bad");
    edit_->SetDirty();
    EXPECT_EQ(Rows(edit_->GetArray()), "1|||/2|b||/3|c||/|||");
}

TEST_F(FlexEditTest, AnErrorMarkShowsItsColourAndItsTipUnderTheMouse) {
    AppOptions(opt::kColourError) = 0x123456;
    Load({{"1", "a"}, {"2", "b"}});
    edit_->SetAllowEdit(false);  // no editor over the cells the mouse visits
    FlexEditTestPeer::Mark(*edit_, 1, 1, "not a number");
    grid_->SetRow(1);
    grid_->SetCol(1);
    EXPECT_EQ(grid_->CellBackColor(), 0x123456);
    auto hover = [&](int row, int col) {
        QTest::mouseMove(grid_->viewport(),
                         grid_->CellRectPx(row, col).center() - grid_->viewport()->geometry().topLeft());
        return grid_->ToolTipText();
    };
    EXPECT_EQ(hover(1, 1), "not a number");
    EXPECT_EQ(hover(2, 1), "");
    // A tip goes away when its cell scrolls from under the mouse.
    Load(std::vector<std::vector<std::string>>(30, {"1", "x"}));
    FlexEditTestPeer::Mark(*edit_, 2, 1, "bad");
    hover(1, 0);
    EXPECT_EQ(hover(2, 1), "bad");
    Wheel(grid_, grid_->CellRectPx(2, 1).center() - grid_->viewport()->geometry().topLeft(), -120);
    ASSERT_GT(grid_->TopRow(), 1);
    EXPECT_EQ(grid_->MouseRow(), 2 + grid_->TopRow() - 1) << "the cell under the mouse that stayed put";
    EXPECT_EQ(grid_->ToolTipText(), "");
}

TEST_F(FlexEditTest, RevalidatingClearsTheErrorMarks) {
    Load({{"1", "a"}});
    FlexEditTestPeer::Mark(*edit_, 1, 0, "bad");
    EXPECT_TRUE(edit_->IsValid());
    edit_->SetDirty();
    EXPECT_EQ(Rows(edit_->GetArray()), "1|a");
}

// ---- editing with keys and mouse ----------------------------------------------------------------

TEST_F(FlexEditTest, TheEditorOpensOverTheCellAndCommitsBeforeItMoves) {
    LoadGrid(3, 3);
    edit_->EditText(2, 1);
    EXPECT_TRUE(EditorOver(2, 1));
    // all selected
    EXPECT_EQ(editor_->Text(), "2.1");
    EXPECT_EQ(editor_->SelLength(), 3);
    EXPECT_EQ(editor_->cursorPosition(), 0) << "the caret before the text: a long one shows its start";
    EXPECT_EQ(log_, "change(2,0) validate(2,0,2.0) change(2,1)")
        << "row then column: the cell between is entered and left too";
    Start(1, 0);
    Type("42");
    Key(Qt::Key_Backspace);
    EXPECT_EQ(grid_->TextMatrix(1, 0), "4");
    Key(Qt::Key_Home);
    Type("-");
    Key(Qt::Key_Escape);  // not the grid's
    EXPECT_TRUE(EditorOver(1, 0));
    EXPECT_EQ(editor_->Text(), "-4");
    EXPECT_TRUE(log_.empty()) << "nothing is committed while typing: " << log_;
    // Validate comes after the cell and the snapshot are stored.
    std::string seen;
    QObject::connect(edit_.get(), &CFlexEditA::Validate, [&](int r, int c, const Variant&) {
        seen = grid_->TextMatrix(r, c) + "@" + Rows(edit_->GetArray());
    });
    Key(Qt::Key_Down);
    EXPECT_EQ(seen, "-4@-4|1.1|1.2/2.0|2.1|2.2/3.0|3.1|3.2");
    EXPECT_EQ(log_, "validate(1,0,-4) change(2,0)");
    // Ctrl+' copies the cell above (nothing above the first editable row).
    Key(Qt::Key_Apostrophe, Qt::ControlModifier);
    Start(1, 1);
    Key(Qt::Key_Apostrophe, Qt::ControlModifier);
    EXPECT_EQ(editor_->Text(), "1.1");
    EXPECT_EQ(grid_->TextMatrix(2, 0), "-4");
    // Pasted line breaks are left out of the cell while typing, and kept when committed.
    Start(3, 0);
    QApplication::clipboard()->setText(QStringLiteral("a\r\nb"));
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(grid_->TextMatrix(3, 0), "ab");
    edit_->ForceCapture();
    EXPECT_EQ(grid_->TextMatrix(3, 0), "a\r\nb");
    EXPECT_EQ(log_, "validate(3,0,a\r\nb)");
}

// The editor takes the owner's colour when it is next placed; the grid's Redraw is the
// owner's to switch, and loading a table leaves it as the owner set it.
TEST_F(FlexEditTest, TheEditorsColourAndTheGridsRedrawAreTheOwners) {
    EXPECT_EQ(edit_->EditBackColor(), 0xFFFF00);
    LoadGrid(2, 2);
    edit_->SetEditBackColor(0x00FF00);
    Start(1, 0);
    EXPECT_EQ(editor_->BackColor(), 0x00FF00);
    edit_->ForceCapture();
    EXPECT_TRUE(edit_->Redraw());
    edit_->SetRedraw(false);
    EXPECT_FALSE(grid_->Redraw());
    LoadGrid(3, 2);
    EXPECT_FALSE(edit_->Redraw());
    edit_->SetRedraw(true);
    EXPECT_TRUE(grid_->Redraw());
    CFlexEditA unhosted;
    unhosted.SetRedraw(true);
    EXPECT_FALSE(unhosted.Redraw());
}

TEST_F(FlexEditTest, KeysMoveTheEditorWrappingAndSkippingHiddenRows) {
    const struct {
        const char* name;
        int rows, cols, action;
        std::vector<int> hidden;
        int minCol, fromRow, fromCol;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int toRow, toCol;
        int keptCols = 0;  // columns left after the owner removed the others
    } cases[] = {
        {"Enter from the last column to the next row", 3, 3, 2, {}, 0, 1, 2, Qt::Key_Return, {}, 2, 0},
        {"Enter wraps to the first row", 3, 3, 2, {}, 0, 3, 2, Qt::Key_Return, {}, 1, 0},
        {"Enter in action 1 wraps within the row", 3, 3, 1, {}, 0, 1, 2, Qt::Key_Return, {}, 1, 0},
        {"Enter in action 0 moves down", 3, 3, 0, {}, 0, 1, 1, Qt::Key_Return, {}, 2, 1},
        {"Shift+Enter in action 0 moves up", 3, 3, 0, {}, 0, 3, 2, Qt::Key_Return, Qt::ShiftModifier, 2, 2},
        {"Shift+Enter to the end of the row above", 3, 3, 2, {}, 0, 2, 0, Qt::Key_Return, Qt::ShiftModifier, 1, 2},
        {"Shift+Enter from the first cell to the last", 3, 3, 2, {}, 0, 1, 0, Qt::Key_Return, Qt::ShiftModifier, 3, 2},
        {"Down wraps", 4, 2, 2, {}, 0, 4, 1, Qt::Key_Down, {}, 1, 1},
        {"Up wraps", 4, 2, 2, {}, 0, 1, 1, Qt::Key_Up, {}, 4, 1},
        {"Down over a hidden row", 4, 2, 2, {3}, 0, 2, 1, Qt::Key_Down, {}, 4, 1},
        {"Page Up by ten", 20, 1, 2, {}, 0, 15, 0, Qt::Key_PageUp, {}, 5, 0},
        {"Page Down stops at the last row", 20, 1, 2, {}, 0, 17, 0, Qt::Key_PageDown, {}, 20, 0},
        {"Tab wraps in the row", 3, 3, 2, {}, 0, 2, 2, Qt::Key_Tab, {}, 2, 0},
        {"Shift+Tab wraps back", 3, 3, 2, {}, 0, 2, 0, Qt::Key_Backtab, Qt::ShiftModifier, 2, 2},
        {"Tab in one editable column stays", 3, 3, 2, {}, 2, 1, 2, Qt::Key_Tab, {}, 1, 2},
        {"Tab skips columns the owner removed", 3, 3, 2, {}, 0, 2, 1, Qt::Key_Tab, {}, 2, 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoadGrid(c.rows, c.cols);
        for (int r : c.hidden) grid_->SetRowHeight(r, 0);
        if (c.keptCols > 0) grid_->SetCols(c.keptCols);
        edit_->SetCursorAction(c.action);
        edit_->SetMinCol(c.minCol);
        Start(c.fromRow, c.fromCol);
        Type("x");
        Key(c.key, c.mods);
        EXPECT_TRUE(EditorOver(c.toRow, c.toCol));
        EXPECT_EQ(editor_->Text(), grid_->TextMatrix(c.toRow, c.toCol));
        EXPECT_EQ(log_.substr(0, log_.find(' ')),
                  "validate(" + std::to_string(c.fromRow) + "," + std::to_string(c.fromCol) + ",x)")
            << "committed first";
        EXPECT_EQ(grid_->Rows(), c.rows + 1) << "no rows appended";
    }
    // From row 2 the steps of 10 visit 12, then wrap to 1, 11, 1, ... all hidden: it stays.
    edit_->SetMinCol(0);
    LoadGrid(12, 1);
    for (int r : {1, 11, 12}) grid_->SetRowHeight(r, 0);
    Start(2, 0);
    Key(Qt::Key_PageDown);
    EXPECT_TRUE(EditorOver(2, 0));
    EXPECT_TRUE(log_.empty());
    // With AutoNewRow each action appends a row at the end, Shift+Enter never.
    LoadGrid(3, 3);
    edit_->SetAutoNewRow(true);
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
    Key(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(Rows(edit_->GetArray()), "1.0|1.1|1.2/2.0|2.1|2.2/3.0|3.1|9/||9/9||/||");
    // Tabbing into the grid opens the editor on the current cell.
    other_->SetFocus();
    log_.clear();
    Key(Qt::Key_Tab);
    EXPECT_TRUE(EditorOver(5, 0));
    EXPECT_EQ(log_, "change(5,0)");
}

TEST_F(FlexEditTest, ClicksCommitMoveOrOpenTheEditorAndItFollowsItsCellWhenTheGridScrolls) {
    LoadGrid(30, 3);
    Start(1, 0);
    Type("a");
    ClickCell(3, 2);  // another cell: commits and moves the editor
    EXPECT_TRUE(EditorOver(3, 2));
    EXPECT_EQ(log_, "validate(1,0,a) change(3,2)");
    // Scrolled away it goes behind the grid, and comes back in front with its cell.
    const auto& siblings = grid_->parentWidget()->children();
    Wheel(grid_, QPoint(20, 40), -120);  // three rows
    ASSERT_EQ(grid_->TopRow(), 4);
    EXPECT_LT(siblings.indexOf(editor_), siblings.indexOf(grid_));
    Wheel(grid_, QPoint(20, 40), 120);
    EXPECT_TRUE(EditorOver(3, 2));
    EXPECT_GT(siblings.indexOf(editor_), siblings.indexOf(grid_));
    Type("7");
    log_.clear();
    QTest::mouseClick(other_, Qt::LeftButton);  // another control commits the edit
    EXPECT_EQ(QApplication::focusWidget(), other_);
    EXPECT_EQ(log_, "validate(3,2,7)");
    EXPECT_FALSE(FlexEditTestPeer::Editing(*edit_));
    EXPECT_FALSE(edit_->HasFocus());
    EXPECT_LT(siblings.indexOf(editor_), siblings.indexOf(grid_)) << "the editor went behind the grid";
    log_.clear();
    ClickCell(3, 2);  // the current cell of an idle grid opens the editor
    EXPECT_TRUE(EditorOver(3, 2));
    EXPECT_EQ(log_, "change(3,2)");
    // A read-only grid raises CellChange (when the press moves the cell, and again by the
    // click) but opens no editor.
    QTest::mouseClick(other_, Qt::LeftButton);
    edit_->SetAllowEdit(false);
    log_.clear();
    ClickCell(2, 1);
    EXPECT_EQ(log_, "change(2,1) change(2,1)");
    EXPECT_FALSE(FlexEditTestPeer::Editing(*edit_));
}

TEST_F(FlexEditTest, AnEditLeftOpenWhenANewTableIsLoadedNeverLandsInIt) {
    LoadGrid(3, 2);
    Start(2, 1);
    Type("typed");
    edit_->PutArray(Table({{"a", "b"}, {"c", "d"}}));
    EXPECT_FALSE(FlexEditTestPeer::Editing(*edit_));
    Key(Qt::Key_Down);  // the key still reaches the old editor: moves and opens the next cell
    EXPECT_TRUE(EditorOver(2, 0));
    QTest::mouseClick(other_, Qt::LeftButton);  // and commits it unchanged
    EXPECT_EQ(log_, "change(2,0) validate(2,0,c)");
    for (const auto& [row, col, text] : {std::tuple{1, 0, "a"}, {1, 1, "b"}, {2, 0, "c"}, {2, 1, "d"}})
        EXPECT_EQ(grid_->TextMatrix(row, col), text) << row << "," << col;
    EXPECT_EQ(Rows(edit_->GetArray()), "a|b/c|d");
    EXPECT_FALSE(edit_->IsDirty());
}

// ---- fitting and numbers -----------------------------------------------------------------------------

TEST_F(FlexEditTest, FittingGivesTheExampleSizesAndShowsTheWholeTable) {
    edit_->PutArray(Table({{"1", "2"}, {"3", "4"}, {"5", "6"}, {"7", "8"}}));
    grid_->Move(600, 600, 100, 100);
    const Variant size =
        MKelvaro::FitGridToContents(edit_.get(), Variant::List({"Value", "P"}), MKelvaro::GridFitMetrics());
    // The system's example metrics: 15 twips, frames 4, dialog frames 3, caption 19;
    // every row shows, so no room is kept for a scroll bar.
    EXPECT_EQ(grid_->Width(), 1000 + 800 + 120);
    EXPECT_EQ(grid_->Height(), 5 * 240 + 120);
    EXPECT_EQ(size(0).numberValue(), 1920 + 90);
    EXPECT_EQ(size(1).numberValue(), 5 * 240 + 120 + 375);
    // Every column centred, the first wider, the grid at the corner, surplus headings dropped.
    edit_->PutArray(Table({{"1", "2", "3"},
                           {"4", "5", "6"},
                           {"7", "8", "9"},
                           {"10", "11", "12"},
                           {"13", "14", "15"},
                           {"16", "17", "18"}}));
    MKelvaro::FitGridToContents(edit_.get(), Variant::List({"a", "b", "c", "extra"}));
    EXPECT_EQ(grid_->ColWidth(0), 1000);
    EXPECT_EQ(grid_->ColWidth(1), 800);
    EXPECT_EQ(grid_->ColWidth(2), 800);
    EXPECT_EQ(grid_->ColAlignment(2), flexalign::CenterCenter);
    EXPECT_EQ(grid_->Left(), 0);
    EXPECT_EQ(grid_->Top(), 0);
    EXPECT_EQ(grid_->TextMatrix(0, 2), "c");
    // With the real widget's metrics it shows the whole table, no spare row, no scroll bars.
    QApplication::processEvents();
    EXPECT_FALSE(grid_->verticalScrollBar()->isVisible());
    EXPECT_FALSE(grid_->horizontalScrollBar()->isVisible());
    const QRect inside = grid_->viewport()->geometry();
    EXPECT_EQ(grid_->CellRectPx(6, 2).bottomRight(), inside.bottomRight())
        << "no empty strip below or beside the last cell";
    // The editor writes its text where the cell does: centred here, numbers right and
    // texts left under the general alignment.
    const std::tuple<int, int, const char*, int> alignments[] = {{2, flexalign::CenterCenter, "5", align::Center},
                                                                 {3, flexalign::General, "abc", align::Left},
                                                                 {2, flexalign::General, "5", align::Right},
                                                                 {4, flexalign::RightCenter, "11", align::Right}};
    for (const auto& [row, cellAlign, text, expected] : alignments) {
        grid_->SetColAlignment(1, cellAlign);
        grid_->SetTextMatrix(row, 1, text);
        edit_->EditText(row, 1);
        EXPECT_EQ(editor_->Alignment(), expected) << text;
    }
    EXPECT_EQ(editor_->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    // A short list of headings leaves the rest blank.
    MKelvaro::FitGridToContents(edit_.get(), Variant::List({"Cost"}));
    EXPECT_EQ(grid_->TextMatrix(0, 0), "Cost");
    EXPECT_EQ(grid_->TextMatrix(0, 1), "");
    CFlexEditA unhosted;  // no grid fits to nothing
    for (CFlexEditA* e : {static_cast<CFlexEditA*>(nullptr), &unhosted})
        EXPECT_EQ(MKelvaro::FitGridToContents(e, Variant::List({"x"}))(1).get().numberValue(), 0);
}

TEST_F(FlexEditTest, CellsAreReadAsNumbersByTheirLeadingNumber) {
    EXPECT_EQ(Rows(MKelvaro::GetGridAsDoubles(nullptr)), "<no bounds>");
    edit_->PutArray(
        Table({{"1.5", " 2 ", "3,5", "abc", ""}, {"1e3", "1D2", "1 2", "&H10", "-.5x"}, {"1e999", "7", "", "", ""}}));
    const Variant d = MKelvaro::GetGridAsDoubles(edit_.get());
    EXPECT_EQ(d.elemKind(), VarType::Double);
    EXPECT_EQ(Rows(d), "1.5|2|3|0|0/1000|100|12|16|-0.5/0|7|0|0|0");  // beyond the Double range: 0
}

}  // namespace
}  // namespace nuvir::test
