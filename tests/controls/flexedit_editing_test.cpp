// Editing in the grid with real key and mouse events: Enter by cursor action, the
// arrow and page keys, Tab, new rows, Ctrl+', pasting, and the order of Validate and
// CellChange.
#include "flexedit_fixture.h"

#include <QClipboard>
#include <QScrollBar>
#include <QWheelEvent>

namespace nuvir::test {
namespace {

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
    }
    void Start(int row, int col) {
        edit_->EditText(row, col);
        ASSERT_TRUE(EditorOver(row, col));
        log_.clear();
    }
};

// ---- typing ----------------------------------------------------------------------------------

TEST_F(FlexEditKeysTest, TheEditorOpensOverTheCellWithItsTextSelectedAndTheEditColour) {
    LoadGrid(3, 3);
    edit_->EditText(2, 1);
    EXPECT_TRUE(EditorOver(2, 1));
    EXPECT_EQ(editor_->Text(), "2.1");
    EXPECT_EQ(editor_->SelLength(), 3);
    EXPECT_EQ(editor_->BackColor(), 0xFFFF00);
    EXPECT_EQ(editor_->Tag(), "Normal");
    EXPECT_EQ(Joined(), "change(2,0) validate(2,0,2.0) change(2,1)")
        << "row then column: the cell between is entered and left too";
    EXPECT_TRUE(edit_->HasFocus());
}

TEST_F(FlexEditKeysTest, TypingReplacesTheSelectionAndTheCellFollows) {
    LoadGrid(2, 2);
    Start(1, 0);
    Type("42");
    EXPECT_EQ(grid_->TextMatrix(1, 0), "42");
    Key(Qt::Key_Backspace);
    EXPECT_EQ(grid_->TextMatrix(1, 0), "4") << "Backspace still deletes";
    Key(Qt::Key_Home);
    Type("-");
    EXPECT_EQ(editor_->Text(), "-4");
    EXPECT_TRUE(log_.empty()) << "nothing is committed while typing: " << Joined();
    Key(Qt::Key_Escape);
    EXPECT_TRUE(EditorOver(1, 0)) << "Escape is not the grid's";
    EXPECT_EQ(editor_->Text(), "-4");
}

// ---- Enter by cursor action --------------------------------------------------------------------

TEST_F(FlexEditKeysTest, EnterCommitsThenMovesRightAndFromTheLastColumnToTheNextRow) {
    LoadGrid(3, 3);
    Start(1, 0);
    Type("x");
    Key(Qt::Key_Return);
    EXPECT_TRUE(EditorOver(1, 1));
    EXPECT_EQ(Joined(), "validate(1,0,x) change(1,1)");
    EXPECT_EQ(grid_->TextMatrix(1, 0), "x");
    Start(1, 2);
    Key(Qt::Key_Return);
    EXPECT_TRUE(EditorOver(2, 0));
    EXPECT_EQ(log_.front(), "validate(1,2,1.2)");
    EXPECT_EQ(log_.back(), "change(2,0)");
}

TEST_F(FlexEditKeysTest, EnterAtTheEndWrapsToTheFirstRowWithoutNewRows) {
    LoadGrid(3, 3);
    Start(3, 2);
    Key(Qt::Key_Return);
    EXPECT_TRUE(EditorOver(1, 0));
    EXPECT_EQ(grid_->Rows(), 4);
}

TEST_F(FlexEditKeysTest, EnterAtTheEndAppendsARowWhenAllowed) {
    LoadGrid(3, 3);
    edit_->SetAutoNewRow(true);
    Start(3, 2);
    Type("9");
    Key(Qt::Key_Return);
    EXPECT_EQ(grid_->Rows(), 5);
    EXPECT_TRUE(EditorOver(4, 0));
    EXPECT_TRUE(edit_->IsDirty());
    EXPECT_EQ(Rows(edit_->GetArray()), "1.0|1.1|1.2/2.0|2.1|2.2/3.0|3.1|9/||");
}

TEST_F(FlexEditKeysTest, CursorActionOneWrapsWithinTheRowAndAppendsOnTheLastRow) {
    LoadGrid(3, 3);
    edit_->SetCursorAction(1);
    Start(1, 2);
    Key(Qt::Key_Return);
    EXPECT_TRUE(EditorOver(1, 0));
    edit_->SetAutoNewRow(true);
    Start(3, 2);
    Key(Qt::Key_Return);
    EXPECT_EQ(grid_->Rows(), 5);
    EXPECT_TRUE(EditorOver(4, 0));
}

TEST_F(FlexEditKeysTest, CursorActionZeroMovesDownAndAppendsOnTheLastRow) {
    LoadGrid(3, 2);
    edit_->SetCursorAction(0);
    Start(1, 1);
    Key(Qt::Key_Return);
    EXPECT_TRUE(EditorOver(2, 1));
    Start(3, 1);
    Key(Qt::Key_Return);
    EXPECT_TRUE(EditorOver(1, 1)) << "wraps without new rows";
    edit_->SetAutoNewRow(true);
    Start(3, 0);
    Key(Qt::Key_Return);
    EXPECT_EQ(grid_->Rows(), 5);
    EXPECT_TRUE(EditorOver(4, 0));
}

TEST_F(FlexEditKeysTest, ShiftEnterGoesBackNeverAppending) {
    LoadGrid(3, 3);
    edit_->SetAutoNewRow(true);
    Start(2, 0);
    Key(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_TRUE(EditorOver(1, 2)) << "from the first column to the end of the row above";
    Start(1, 0);
    Key(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_TRUE(EditorOver(3, 2));
    EXPECT_EQ(grid_->Rows(), 4);
    edit_->SetCursorAction(0);
    Key(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_TRUE(EditorOver(2, 2));
}

// ---- moving along the column ------------------------------------------------------------------

TEST_F(FlexEditKeysTest, UpAndDownWrapAtTheEndsAndSkipHiddenRows) {
    LoadGrid(4, 2);
    Start(4, 1);
    Key(Qt::Key_Down);
    EXPECT_TRUE(EditorOver(1, 1));
    Key(Qt::Key_Up);
    EXPECT_TRUE(EditorOver(4, 1));
    grid_->SetRowHeight(3, 0);
    Key(Qt::Key_Up);
    EXPECT_TRUE(EditorOver(2, 1));
    Key(Qt::Key_Down);
    EXPECT_TRUE(EditorOver(4, 1));
    EXPECT_EQ(editor_->Text(), "4.1") << "the arrow key typed nothing";
}

TEST_F(FlexEditKeysTest, PageKeysMoveTenRowsOrToTheEnds) {
    LoadGrid(20, 1);
    Start(5, 0);
    Key(Qt::Key_PageUp);
    EXPECT_TRUE(EditorOver(1, 0));
    Start(15, 0);
    Key(Qt::Key_PageUp);
    EXPECT_TRUE(EditorOver(5, 0));
    Key(Qt::Key_PageDown);
    EXPECT_TRUE(EditorOver(15, 0));
    Start(17, 0);
    Key(Qt::Key_PageDown);
    EXPECT_TRUE(EditorOver(20, 0));
}

TEST_F(FlexEditKeysTest, APageMoveThatCanNeverComeBackStaysPut) {
    // From row 2 the steps of 10 visit 12, then wrap to 1, 11, 1, ... all hidden.
    LoadGrid(12, 1);
    for (int r : {1, 11, 12}) grid_->SetRowHeight(r, 0);
    Start(2, 0);
    Key(Qt::Key_PageDown);
    EXPECT_TRUE(EditorOver(2, 0));
}

// ---- Tab -------------------------------------------------------------------------------------------

TEST_F(FlexEditKeysTest, TabAndShiftTabMoveAlongTheRowWrappingWithTheFocusInTheGrid) {
    LoadGrid(3, 3);
    Start(2, 1);
    Type("t");
    Key(Qt::Key_Tab);
    EXPECT_TRUE(EditorOver(2, 2));
    EXPECT_EQ(Joined(), "validate(2,1,t) change(2,2)");
    Key(Qt::Key_Tab);
    EXPECT_TRUE(EditorOver(2, 0));
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(EditorOver(2, 2));
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(EditorOver(2, 1));
    EXPECT_EQ(grid_->TextMatrix(2, 1), "t");
}

TEST_F(FlexEditKeysTest, TabWorksTheSameWithTheTabOrderSet) {
    LoadGrid(2, 2);
    edit_->SetTabIndex(0);
    Start(1, 0);
    Key(Qt::Key_Tab);
    EXPECT_TRUE(EditorOver(1, 1));
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(EditorOver(1, 0));
}

TEST_F(FlexEditKeysTest, WithOneEditableColumnTabEntersTheSameCellAgain) {
    LoadGrid(2, 3);
    edit_->SetMinCol(2);
    Start(1, 2);
    Key(Qt::Key_Tab);
    EXPECT_TRUE(EditorOver(1, 2));
    EXPECT_EQ(Joined(), "validate(1,2,1.2) change(1,2)");
}

TEST_F(FlexEditKeysTest, ColumnsRemovedByTheOwnerAreNotTabbedInto) {
    LoadGrid(2, 4);
    grid_->SetCols(3);
    Start(1, 2);
    Key(Qt::Key_Tab);
    EXPECT_TRUE(EditorOver(1, 0));
}

TEST_F(FlexEditKeysTest, TabbingIntoTheGridOpensTheEditorOnTheCurrentCell) {
    LoadGrid(2, 2);
    other_->SetFocus();
    ASSERT_EQ(QApplication::focusWidget(), other_);
    log_.clear();
    Key(Qt::Key_Tab);
    EXPECT_TRUE(EditorOver(1, 0));
    EXPECT_EQ(Joined(), "change(1,0)");
}

// ---- Ctrl+' -------------------------------------------------------------------------------------

TEST_F(FlexEditKeysTest, CtrlQuoteCopiesTheCellAboveAndTypesNothing) {
    LoadGrid(3, 2);
    Start(1, 1);
    Key(Qt::Key_Apostrophe, Qt::ControlModifier);
    EXPECT_EQ(editor_->Text(), "1.1") << "nothing above the first editable row";
    Start(3, 1);
    Key(Qt::Key_Apostrophe, Qt::ControlModifier);
    EXPECT_EQ(editor_->Text(), "2.1");
    EXPECT_EQ(grid_->TextMatrix(3, 1), "2.1");
    Key(Qt::Key_Return);
    EXPECT_TRUE(edit_->IsDirty());
    EXPECT_EQ(Rows(edit_->GetArray()), "1.0|1.1/2.0|2.1/3.0|2.1");
}

// ---- line breaks --------------------------------------------------------------------------------------

TEST_F(FlexEditKeysTest, PastedLineBreaksAreLeftOutWhileTypingAndKeptOnCommit) {
    LoadGrid(2, 2);
    Start(1, 0);
    QApplication::clipboard()->setText(QStringLiteral("a\r\nb"));
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(editor_->Text(), "a\r\nb");
    EXPECT_EQ(grid_->TextMatrix(1, 0), "ab");
    edit_->ForceCapture();
    EXPECT_EQ(grid_->TextMatrix(1, 0), "a\r\nb");
    EXPECT_EQ(log_.back(), "validate(1,0,a\r\nb)");
}

// ---- order of events, mouse and focus -------------------------------------------------------------

TEST_F(FlexEditKeysTest, ValidateComesAfterTheCellAndTheSnapshotAreStored) {
    LoadGrid(2, 2);
    std::string seenCell;
    std::string seenSnapshot;
    QObject::connect(edit_.get(), &CFlexEditA::Validate, [&](int r, int c, const Variant&) {
        seenCell = grid_->TextMatrix(r, c);
        seenSnapshot = Rows(edit_->GetArray());
    });
    Start(2, 1);
    Type("new");
    Key(Qt::Key_Up);
    EXPECT_EQ(seenCell, "new");
    EXPECT_EQ(seenSnapshot, "1.0|1.1/2.0|new");
    EXPECT_EQ(Joined(), "validate(2,1,new) change(1,1)");
}

TEST_F(FlexEditKeysTest, ClickingAnotherControlCommitsTheEdit) {
    LoadGrid(2, 2);
    Start(1, 1);
    Type("7");
    QTest::mouseClick(other_, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), other_);
    EXPECT_EQ(Joined(), "validate(1,1,7)");
    EXPECT_FALSE(FlexEditTestPeer::Editing(*edit_));
    EXPECT_FALSE(edit_->HasFocus());
    EXPECT_EQ(Rows(edit_->GetArray()), "1.0|7/2.0|2.1");
    EXPECT_TRUE(grid_->geometry().contains(editor_->geometry()));
    EXPECT_LT(grid_->parentWidget()->children().indexOf(editor_), grid_->parentWidget()->children().indexOf(grid_))
        << "the editor went behind the grid";
}

TEST_F(FlexEditKeysTest, ClickingAnotherCellCommitsAndMovesTheEditor) {
    LoadGrid(3, 3);
    Start(1, 0);
    Type("a");
    ClickCell(3, 2);
    EXPECT_TRUE(EditorOver(3, 2));
    EXPECT_EQ(Joined(), "validate(1,0,a) change(3,2)");
}

TEST_F(FlexEditKeysTest, ClickingTheCurrentCellOfAnIdleGridOpensTheEditor) {
    LoadGrid(2, 2);
    other_->SetFocus();
    log_.clear();
    ClickCell(1, 0);
    EXPECT_TRUE(EditorOver(1, 0));
    EXPECT_EQ(Joined(), "change(1,0)");
}

TEST_F(FlexEditKeysTest, AReadOnlyGridRaisesCellChangeButOpensNoEditor) {
    LoadGrid(3, 2);
    edit_->SetAllowEdit(false);
    ClickCell(2, 1);
    // Entered when the press moves the cell, and again by the click, as nothing is
    // being edited.
    EXPECT_EQ(Joined(), "change(2,1) change(2,1)");
    EXPECT_FALSE(FlexEditTestPeer::Editing(*edit_));
    EXPECT_FALSE(editor_->isVisible());
}

TEST_F(FlexEditKeysTest, TheEditorFollowsItsCellWhenTheGridScrolls) {
    LoadGrid(30, 2);
    Start(3, 1);
    auto wheel = [this](int delta) {
        QWheelEvent e(QPointF(20, 40), grid_->viewport()->mapToGlobal(QPointF(20, 40)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
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

}  // namespace
}  // namespace nuvir::test
