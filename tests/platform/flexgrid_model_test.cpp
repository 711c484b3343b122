// The flex grid's table, text, Clip, current cell notifications by code, sizes and
// cell geometry.
#include "flexgrid_fixture.h"

#include "runtime/error.h"

namespace nuvir::test {
namespace {

// ---- structure and text ------------------------------------------------------------------

TEST_F(FlexGridTest, StartsAsTwoByTwoWithOneFixedRowAndColumn) {
    EXPECT_EQ(grid_->Rows(), 2);
    EXPECT_EQ(grid_->Cols(), 2);
    EXPECT_EQ(grid_->FixedRows(), 1);
    EXPECT_EQ(grid_->FixedCols(), 1);
    EXPECT_EQ(grid_->Row(), 1);
    EXPECT_EQ(grid_->Col(), 1);
    EXPECT_EQ(grid_->RowHeight(0), 240);
    EXPECT_EQ(grid_->TypeName(), "MSFlexGrid");
}

TEST_F(FlexGridTest, FormsCreateItByItsLibraryQualifiedKindName) {
    FlexGrid::RegisterType();
    Control* c = form_->AddByType("MSFlexGridLib.MSFlexGrid", "flxMade");
    ASSERT_NE(dynamic_cast<FlexGrid*>(c), nullptr);
    EXPECT_FALSE(c->Visible());
    EXPECT_EQ(form_->Find("FLXMADE"), c);
}

TEST_F(FlexGridTest, TextMatrixRoundTripsAndKeepsCellsWhenTheTableGrows) {
    Fill(3, 3);
    grid_->SetTextMatrix(2, 1, "a\tb");
    EXPECT_EQ(grid_->TextMatrix(2, 1), "a\tb");
    grid_->SetRows(5);
    grid_->SetCols(4);
    EXPECT_EQ(grid_->TextMatrix(1, 2), "1:2");
    EXPECT_EQ(grid_->TextMatrix(4, 3), "");
    grid_->SetRows(2);
    EXPECT_EQ(grid_->TextMatrix(1, 1), "1:1");
    grid_->SetRows(3);
    EXPECT_EQ(grid_->TextMatrix(2, 1), "") << "a row that was dropped comes back empty";
}

TEST_F(FlexGridTest, CellsOutsideTheTableRaise) {
    EXPECT_THROW(grid_->TextMatrix(2, 0), AppError);
    EXPECT_THROW(grid_->SetTextMatrix(0, -1, "x"), AppError);
    EXPECT_THROW(grid_->SetRow(2), AppError);
    EXPECT_THROW(grid_->ColWidth(-1), AppError);
    EXPECT_THROW(grid_->SetFixedRows(3), AppError);
}

TEST_F(FlexGridTest, RowsMayEqualFixedRowsAndFewerRowsTakeTheFixedOnesAlong) {
    grid_->SetRows(1);
    EXPECT_EQ(grid_->Rows(), 1);
    EXPECT_EQ(grid_->FixedRows(), 1);
    EXPECT_EQ(grid_->Row(), 0) << "the current cell stays inside the table";
    grid_->SetRows(0);
    EXPECT_EQ(grid_->FixedRows(), 0);
    grid_->SetRows(3);
    grid_->SetFixedRows(1);
    EXPECT_EQ(grid_->Row(), 1) << "the current cell leaves the heading row";
}

TEST_F(FlexGridTest, ClearEmptiesCellsAndFormattingButKeepsTheLayout) {
    Fill(3, 3);
    grid_->SetColWidth(2, 500);
    grid_->SetCellBackColor(0xFF);
    grid_->SetCellFontBold(true);
    grid_->Clear();
    EXPECT_EQ(grid_->TextMatrix(1, 1), "");
    EXPECT_EQ(grid_->TextMatrix(0, 0), "");
    EXPECT_FALSE(grid_->CellFontBold());
    EXPECT_EQ(grid_->CellBackColor(), grid_->BackColor());
    EXPECT_EQ(grid_->ColWidth(2), 500);
    EXPECT_EQ(grid_->Rows(), 3);
}

// ---- Clip ---------------------------------------------------------------------------------

TEST_F(FlexGridTest, SettingClipFillsTheSelectionRowsAtCarriageReturnsCellsAtTabs) {
    Fill(4, 4);
    grid_->SetRow(1);
    grid_->SetCol(1);
    grid_->SetRowSel(3);
    grid_->SetColSel(3);
    grid_->SetClip("a\tb\tc\rd\te\tf\rg\th\ti");
    EXPECT_EQ(grid_->TextMatrix(1, 1), "a");
    EXPECT_EQ(grid_->TextMatrix(1, 3), "c");
    EXPECT_EQ(grid_->TextMatrix(2, 2), "e");
    EXPECT_EQ(grid_->TextMatrix(3, 3), "i");
    EXPECT_EQ(grid_->TextMatrix(0, 1), "0:1") << "outside the selection nothing changes";
    EXPECT_EQ(grid_->Clip(), "a\tb\tc\rd\te\tf\rg\th\ti");
}

TEST_F(FlexGridTest, ClipTextSpillsDropsWhatIsBeyondAndLeavesUnreachedCells) {
    Fill(4, 4);
    grid_->SetRow(1);
    grid_->SetCol(1);
    grid_->SetRowSel(2);
    grid_->SetColSel(2);
    // A value holding a tab spills into the next cell; the second row is short; a third
    // row and a third column are beyond the selection.
    grid_->SetClip("x\ty\tz\rw\rbeyond");
    EXPECT_EQ(grid_->TextMatrix(1, 1), "x");
    EXPECT_EQ(grid_->TextMatrix(1, 2), "y");
    EXPECT_EQ(grid_->TextMatrix(1, 3), "1:3");
    EXPECT_EQ(grid_->TextMatrix(2, 1), "w");
    EXPECT_EQ(grid_->TextMatrix(2, 2), "2:2") << "a cell the text does not reach keeps its text";
    EXPECT_EQ(grid_->TextMatrix(3, 1), "3:1");
}

TEST_F(FlexGridTest, ClipWorksWithTheSelectionDrawnBackwards) {
    Fill(3, 3);
    grid_->SetRow(2);
    grid_->SetCol(2);
    grid_->SetRowSel(1);
    grid_->SetColSel(1);
    EXPECT_EQ(grid_->Clip(), "1:1\t1:2\r2:1\t2:2");
}

// ---- the current cell set by code ---------------------------------------------------------

TEST_F(FlexGridTest, SettingRowRaisesLeaveWithTheOldCellThenEnterWithTheNew) {
    Fill(4, 3);
    grid_->SetRow(3);
    EXPECT_EQ(Joined(), "leave(1,1) enter(3,1)");
}

TEST_F(FlexGridTest, RowThenColGivesTwoPairsAndUnchangedValuesGiveNone) {
    Fill(4, 3);
    grid_->SetRow(1);
    grid_->SetCol(1);
    EXPECT_TRUE(log_.empty());
    grid_->SetRow(2);
    grid_->SetCol(2);
    EXPECT_EQ(Joined(), "leave(1,1) enter(2,1) leave(2,1) enter(2,2)");
}

TEST_F(FlexGridTest, FixedCellsCanBeMadeCurrentByCode) {
    Fill(3, 3);
    grid_->SetRow(0);
    grid_->SetCol(0);
    EXPECT_EQ(Joined(), "leave(1,1) enter(0,1) leave(0,1) enter(0,0)");
    grid_->SetCellBackColor(0xFF00);
    EXPECT_EQ(grid_->CellBackColor(), 0xFF00);
}

TEST_F(FlexGridTest, SettingRowOrColCollapsesTheSelection) {
    Fill(4, 4);
    grid_->SetRowSel(3);
    grid_->SetColSel(3);
    grid_->SetRow(2);
    EXPECT_EQ(grid_->RowSel(), 2);
    EXPECT_EQ(grid_->ColSel(), 1);
    grid_->SetColSel(3);
    grid_->SetCol(1);
    EXPECT_EQ(grid_->ColSel(), 1);
}

TEST_F(FlexGridTest, ACellMovedByAnEnterHandlerIsWhereTheGridEnds) {
    Fill(4, 3);
    bool once = true;
    QObject::connect(grid_, &FlexGrid::EnterCell, [&] {
        if (once) {
            once = false;
            grid_->SetRow(3);
        }
    });
    grid_->SetRow(2);
    EXPECT_EQ(grid_->Row(), 3);
    EXPECT_EQ(Joined(), "leave(1,1) enter(2,1) leave(2,1) enter(3,1)");
}

TEST_F(FlexGridTest, ALeaveHandlerThatShrinksTheTableLeavesTheCurrentCellInside) {
    Fill(6, 4);
    bool once = true;
    QObject::connect(grid_, &FlexGrid::LeaveCell, [&] {
        if (once) {
            once = false;
            grid_->SetRows(3);
            grid_->SetCols(2);
        }
    });
    grid_->SetRow(5);
    EXPECT_LT(grid_->Row(), grid_->Rows());
    EXPECT_LT(grid_->Col(), grid_->Cols());
    EXPECT_EQ(grid_->Clip(), grid_->TextMatrix(grid_->Row(), grid_->Col()));
    grid_->SetClip("x");
    EXPECT_EQ(grid_->Text(), "x");
}

TEST_F(FlexGridTest, StructureChangesMoveTheCurrentCellWithoutNotifications) {
    Fill(5, 3);
    grid_->SetRow(4);
    log_.clear();
    grid_->SetRows(2);
    EXPECT_EQ(grid_->Row(), 1);
    EXPECT_TRUE(log_.empty());
}

// ---- sizes and geometry ---------------------------------------------------------------------

TEST_F(FlexGridTest, WidthsAndHeightsInTwipsWithMinusOneForAll) {
    Fill(3, 4);
    grid_->SetColWidth(-1, 800);
    grid_->SetColWidth(0, 1000);
    EXPECT_EQ(grid_->ColWidth(0), 1000);
    EXPECT_EQ(grid_->ColWidth(3), 800);
    grid_->SetRowHeight(-1, 300);
    EXPECT_EQ(grid_->RowHeight(2), 300);
    grid_->SetRowHeight(2, -1);
    EXPECT_EQ(grid_->RowHeight(2), FlexGrid::kDefaultRowHeight);
    EXPECT_THROW(grid_->SetColWidth(1, -2), AppError);
}

TEST_F(FlexGridTest, CellGeometryIsInTwipsFromTheGridsOuterCorner) {
    Fill(4, 3);
    grid_->SetColWidth(-1, 900);
    grid_->SetColWidth(0, 600);
    grid_->SetRowHeight(-1, 240);
    grid_->SetRow(2);
    grid_->SetCol(2);
    const double frame = 15.0 * grid_->FrameWidthPx();
    EXPECT_DOUBLE_EQ(grid_->CellLeft(), frame + 600 + 900);
    EXPECT_DOUBLE_EQ(grid_->CellTop(), frame + 2 * 240);
    EXPECT_DOUBLE_EQ(grid_->CellWidth(), 900);
    EXPECT_DOUBLE_EQ(grid_->CellHeight(), 240);
}

TEST_F(FlexGridTest, ColumnsSitAtTheNearestPixelOfTheirRunningTotal) {
    Fill(2, 4);
    grid_->SetColWidth(-1, 800);  // 53.33 px each
    const int origin = grid_->viewport()->geometry().left();
    EXPECT_EQ(grid_->CellRectPx(0, 1).left() - origin, 53);
    EXPECT_EQ(grid_->CellRectPx(0, 2).left() - origin, 107);
    EXPECT_EQ(grid_->CellRectPx(0, 3).left() - origin, 160);
    EXPECT_EQ(grid_->CellRectPx(0, 3).width(), 53);
}

TEST_F(FlexGridTest, ZeroSizeHidesARowOrColumn) {
    Fill(4, 3);
    grid_->SetRowHeight(2, 0);
    grid_->SetColWidth(1, 0);
    EXPECT_FALSE(grid_->RowIsVisible(2));
    EXPECT_FALSE(grid_->ColIsVisible(1));
    EXPECT_TRUE(grid_->CellRectPx(2, 2).isEmpty());
    const QRect below = grid_->CellRectPx(3, 2);
    EXPECT_EQ(below.top() - grid_->viewport()->geometry().top(), 2 * 16) << "the rows below move up";
}

TEST_F(FlexGridTest, AGridAsHighAsItsRowsShowsThemAllWithoutAScrollBar) {
    Fill(6, 2);
    const int frame = grid_->FrameWidthPx();
    grid_->SetHeight(6 * 240 + 15.0 * 2 * frame);
    ShowForm();
    EXPECT_FALSE(grid_->verticalScrollBar()->isVisible());
    EXPECT_TRUE(grid_->RowIsVisible(5));
    EXPECT_EQ(grid_->CellRectPx(5, 1).bottom(), grid_->viewport()->geometry().bottom());
    grid_->SetRows(7);
    QApplication::processEvents();
    EXPECT_TRUE(grid_->verticalScrollBar()->isVisible()) << "one row more needs the scroll bar";
}

TEST_F(FlexGridTest, ReadingCellGeometryScrollsTheCurrentCellIntoView) {
    Fill(30, 2);
    ShowForm();
    EXPECT_EQ(grid_->TopRow(), 1);
    grid_->SetRow(25);
    EXPECT_FALSE(grid_->RowIsVisible(25)) << "setting Row by code does not scroll";
    log_.clear();
    const double top = grid_->CellTop();
    EXPECT_TRUE(grid_->RowIsVisible(25));
    EXPECT_GT(grid_->TopRow(), 1);
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_EQ(log_[0], "scroll" + std::to_string(grid_->TopRow()));
    EXPECT_LT(top + grid_->CellHeight(), grid_->Height());
    EXPECT_FALSE(grid_->RowIsVisible(1));
    EXPECT_TRUE(grid_->RowIsVisible(0)) << "fixed rows never scroll";
}

TEST_F(FlexGridTest, TopRowScrollsAndRaisesScrollOnlyOnChange) {
    Fill(30, 2);
    ShowForm();
    grid_->SetTopRow(10);
    grid_->SetTopRow(10);
    EXPECT_EQ(Joined(), "scroll10");
    EXPECT_EQ(grid_->verticalScrollBar()->value(), 9);
    grid_->verticalScrollBar()->setValue(2);
    EXPECT_EQ(grid_->TopRow(), 3);
    EXPECT_EQ(Joined(), "scroll10 scroll3");
}

}  // namespace
}  // namespace nuvir::test
