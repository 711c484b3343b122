// The flex grid: its table, text and Clip, the current cell by code and by real mouse
// and key events with the order of its notifications, sizes, scrolling and painting.
#include <QImage>

#include <array>
#include <functional>

#include "platform_fixture.h"

namespace nuvir::test {
namespace {

// ---- structure, text and Clip ----------------------------------------------------------

TEST_F(FlexGridTest, TableShapeAndText) {
    FlexGrid::RegisterType();  // forms create it by its library-qualified kind name
    ASSERT_NE(dynamic_cast<FlexGrid*>(form_->AddByType("MSFlexGridLib.MSFlexGrid", "flxMade")), nullptr);
    const std::pair<const char*, std::function<void()>> bad[] = {
        {"text of a row past the end", [&] { grid_->TextMatrix(2, 0); }},
        {"text of column -1", [&] { grid_->SetTextMatrix(0, -1, "x"); }},
        {"Row past the end", [&] { grid_->SetRow(2); }},
        {"width of column -1", [&] { grid_->ColWidth(-1); }},
        {"more fixed rows than rows", [&] { grid_->SetFixedRows(3); }},
        {"a negative width", [&] { grid_->SetColWidth(1, -2); }},
    };
    for (const auto& [name, f] : bad) EXPECT_NE(ErrorNumber(f), 0) << name;
    Fill(3, 3);
    grid_->SetTextMatrix(2, 1, "a\tb");
    EXPECT_EQ(grid_->TextMatrix(2, 1), "a\tb");
    grid_->SetRows(5);
    grid_->SetCols(4);
    ExpectCells({{1, 2, "1:2"}, {4, 3, ""}});
    grid_->SetRows(2);
    grid_->SetRows(3);
    EXPECT_EQ(grid_->TextMatrix(2, 1), "") << "a row that was dropped comes back empty";
    // Rows may equal the fixed rows; fewer rows take the fixed ones along.
    grid_->SetRows(1);
    EXPECT_EQ(grid_->Row(), 0) << "the current cell stays inside the table";
    grid_->SetRows(0);
    EXPECT_EQ(grid_->FixedRows(), 0);
    grid_->SetRows(3);
    grid_->SetFixedRows(1);
    EXPECT_EQ(grid_->Row(), 1) << "the current cell leaves the heading row";
}

// The per-row and per-column settings: one entry, or every one for -1, the default
// size for -1; a bad index is reported before a bad value, and a failed call changes
// nothing.
TEST_F(FlexGridTest, RowAndColumnSettingsCheckTheIndexThenTheValue) {
    Fill(3, 3);
    grid_->SetColWidth(-1, 700);
    grid_->SetColWidth(1, 900);
    grid_->SetRowHeight(-1, 300);
    grid_->SetRowHeight(2, -1);
    grid_->SetColAlignment(-1, flexalign::RightCenter);
    grid_->SetColAlignment(0, flexalign::General);
    struct Case {
        const char* name;
        std::function<void()> call;
        int error;
    };
    const Case cases[] = {
        {"width of column 3 of 3", [&] { grid_->ColWidth(3); }, 381},
        {"height of row -1", [&] { grid_->RowHeight(-1); }, 381},
        {"alignment of column 3", [&] { grid_->ColAlignment(3); }, 381},
        {"a bad width for column 3", [&] { grid_->SetColWidth(3, -2); }, 381},
        {"a height for row -2", [&] { grid_->SetRowHeight(-2, 300); }, 381},
        {"a bad alignment for column 3", [&] { grid_->SetColAlignment(3, 99); }, 381},
        {"a width below -1", [&] { grid_->SetColWidth(0, -2); }, 380},
        {"a height below -1 for every row", [&] { grid_->SetRowHeight(-1, -2); }, 380},
        {"an alignment past General", [&] { grid_->SetColAlignment(0, flexalign::General + 1); }, 380},
        {"a negative alignment for every column", [&] { grid_->SetColAlignment(-1, -1); }, 380},
    };
    for (const Case& c : cases) EXPECT_EQ(ErrorNumber(c.call), c.error) << c.name;
    const struct {
        const char* name;
        int (FlexGrid::*read)(int) const;
        std::array<int, 3> expected;
    } lists[] = {
        {"widths", &FlexGrid::ColWidth, {700, 900, 700}},
        {"heights", &FlexGrid::RowHeight, {300, 300, FlexGrid::kDefaultRowHeight}},
        {"alignments", &FlexGrid::ColAlignment, {flexalign::General, flexalign::RightCenter, flexalign::RightCenter}},
    };
    for (const auto& l : lists) {
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ((grid_->*l.read)(i), l.expected[static_cast<std::size_t>(i)]) << l.name << " " << i;
    }
}

TEST_F(FlexGridTest, ClearEmptiesCellsAndFormattingButKeepsTheLayout) {
    Fill(3, 3);
    grid_->SetColWidth(2, 500);
    grid_->SetCellBackColor(0xFF);
    grid_->SetCellFontBold(true);
    grid_->Clear();
    ExpectCells({{0, 0, ""}, {1, 1, ""}});
    EXPECT_FALSE(grid_->CellFontBold());
    EXPECT_EQ(grid_->CellBackColor(), grid_->BackColor());
    EXPECT_EQ(grid_->ColWidth(2), 500);
}

TEST_F(FlexGridTest, ClipFillsTheSelectionRowsAtCarriageReturnsCellsAtTabs) {
    Fill(4, 4);
    grid_->SetRowSel(3);
    grid_->SetColSel(3);
    grid_->SetClip("a\tb\tc\rd\te\tf\rg\th\ti");
    ExpectCells({{1, 1, "a"}, {1, 3, "c"}, {2, 2, "e"}, {3, 3, "i"}, {0, 1, "0:1"}});  // the last outside
    EXPECT_EQ(grid_->Clip(), "a\tb\tc\rd\te\tf\rg\th\ti");
    // A value holding a tab spills into the next cell; the second row is short; what is
    // beyond the selection is dropped; cells the text does not reach keep their text.
    Fill(4, 4);
    grid_->SetRowSel(2);
    grid_->SetColSel(2);
    grid_->SetClip("x\ty\tz\rw\rbeyond");
    ExpectCells({{1, 1, "x"}, {1, 2, "y"}, {1, 3, "1:3"}, {2, 1, "w"}, {2, 2, "2:2"}, {3, 1, "3:1"}});
    // The selection drawn backwards.
    grid_->SetRow(2);
    grid_->SetCol(2);
    grid_->SetRowSel(1);
    grid_->SetColSel(1);
    EXPECT_EQ(grid_->Clip(), "x\ty\rw\t2:2");
}

// ---- the current cell by code -----------------------------------------------------------

TEST_F(FlexGridTest, SettingRowAndColRaisesLeaveWithTheOldCellThenEnterWithTheNew) {
    Fill(4, 3);
    grid_->SetRow(1);
    grid_->SetCol(1);
    EXPECT_TRUE(log_.empty()) << "unchanged values give none";
    grid_->SetRow(2);
    grid_->SetCol(2);
    grid_->SetRow(0);  // fixed cells can be made current by code
    EXPECT_EQ(Joined(), "leave(1,1) enter(2,1) leave(2,1) enter(2,2) leave(2,2) enter(0,2)");
    // Setting Row or Col collapses the selection.
    grid_->SetRowSel(3);
    grid_->SetColSel(2);
    grid_->SetRow(2);
    EXPECT_EQ(grid_->RowSel(), 2);
    EXPECT_EQ(grid_->ColSel(), 2);
    // Structure changes move the current cell without notifications.
    grid_->SetRow(3);
    log_.clear();
    grid_->SetRows(2);
    EXPECT_EQ(grid_->Row(), 1);
    EXPECT_TRUE(log_.empty());
}

TEST_F(FlexGridTest, HandlersThatMoveTheCellOrShrinkTheTableLeaveItConsistent) {
    Fill(6, 4);
    bool once = true;
    QObject::connect(grid_, &FlexGrid::EnterCell, [&] {
        if (std::exchange(once, false)) grid_->SetRow(3);
    });
    grid_->SetRow(2);
    EXPECT_EQ(grid_->Row(), 3);
    EXPECT_EQ(Joined(), "leave(1,1) enter(2,1) leave(2,1) enter(3,1)");
    bool shrink = true;
    QObject::connect(grid_, &FlexGrid::LeaveCell, [&] {
        if (std::exchange(shrink, false)) grid_->SetRows(3), grid_->SetCols(2);
    });
    grid_->SetRow(5);
    EXPECT_LT(grid_->Row(), grid_->Rows());
    EXPECT_LT(grid_->Col(), grid_->Cols());
    grid_->SetClip("x");
    EXPECT_EQ(grid_->Text(), "x");
}

// ---- mouse and keys ----------------------------------------------------------------------

TEST_F(FlexGridTest, ClicksRaiseMouseDownThenMoveTheCellThenMouseUpAndClick) {
    Fill(4, 3);
    Click(3, 2);
    EXPECT_EQ(Joined(), "down1(1,1) leave(1,1) enter(3,2) up1(3,2) click(3,2)");
    EXPECT_EQ(grid_->MouseRow(), 3);
    EXPECT_EQ(grid_->MouseCol(), 2);
    EXPECT_TRUE(grid_->HasFocus()) << "a click gives the grid the focus";
    log_.clear();
    Click(3, 2);                   // on the current cell: no cell notifications
    Click(2, 2, Qt::RightButton);  // leaves the current cell and raises no click
    EXPECT_EQ(Joined(), "down1(3,2) up1(3,2) click(3,2) down2(3,2) up2(3,2)");
    EXPECT_EQ(grid_->MouseRow(), 2);
}

TEST_F(FlexGridTest, AClickOnAHeadingPicksTheFirstDataCellOnViewOfItsColumn) {
    Fill(4, 3);
    grid_->SetRow(3);
    grid_->SetCol(2);
    Click(0, 1);
    EXPECT_EQ(grid_->Row(), 1);
    EXPECT_EQ(grid_->Col(), 1);
    EXPECT_EQ(grid_->MouseRow(), 0) << "MouseRow tells the heading";
}

// Coordinates are twips from the grid's corner; beyond the cells the mouse reads -1.
TEST_F(FlexGridTest, TheMouseIsReadInTwipsAndAsNoCellBeyondTheCells) {
    Fill(4, 3);
    double x = -1, y = -1;
    QObject::connect(grid_->Events(), &ControlEvents::MouseDown,
                     [&](int, int, double px, double py) { x = px, y = py; });
    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 30));
    const QPoint origin = grid_->viewport()->geometry().topLeft();
    EXPECT_DOUBLE_EQ(x, 15.0 * (20 + origin.x()));
    EXPECT_DOUBLE_EQ(y, 15.0 * (30 + origin.y()));
    QTest::mouseMove(grid_->viewport(), QPoint(290, 190));
    QApplication::processEvents();
    EXPECT_EQ(grid_->MouseRow(), -1);
    EXPECT_EQ(grid_->MouseCol(), -1);
}

TEST_F(FlexGridTest, KeysMoveTheCellAfterKeyDownStopAtTheEdgesAndSkipHiddenRows) {
    Fill(5, 3);
    grid_->SetRowHeight(2, 0);
    grid_->setFocus();
    QTest::keyClick(grid_, Qt::Key_Up);  // nothing above the first data row
    QTest::keyClick(grid_, Qt::Key_Down);
    QTest::keyClick(grid_, Qt::Key_Right);
    EXPECT_EQ(Joined(), "key38 key40 leave(1,1) enter(3,1) key39 leave(3,1) enter(3,2)");
    QTest::keyClick(grid_, Qt::Key_Home);
    EXPECT_EQ(grid_->Col(), 1);
    QTest::keyClick(grid_, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid_->Row(), 4);
    EXPECT_EQ(grid_->Col(), 2);
}

TEST_F(FlexGridTest, AKeyDownHandlerClearingTheCodeStopsTheMove) {
    Fill(5, 3);
    grid_->SetRow(4);
    grid_->setFocus();
    QObject::connect(grid_->Events(), &ControlEvents::KeyDown, [](int& code, int) { code = 0; });
    QTest::keyClick(grid_, Qt::Key_Up);  // a handler that clears the code stops the move
    EXPECT_EQ(grid_->Row(), 4);
}

// ---- sizes, geometry and scrolling ----------------------------------------------------------

TEST_F(FlexGridTest, SizesAndCellGeometryInTwips) {
    Fill(4, 4);
    grid_->SetColWidth(-1, 800);  // 53.33 px each: columns at the nearest pixel of their running total
    const int origin = grid_->viewport()->geometry().left();
    EXPECT_EQ(grid_->CellRectPx(0, 1).left() - origin, 53);
    EXPECT_EQ(grid_->CellRectPx(0, 2).left() - origin, 107);
    EXPECT_EQ(grid_->CellRectPx(0, 3).left() - origin, 160);
    grid_->SetColWidth(-1, 900);
    grid_->SetColWidth(0, 600);
    grid_->SetRowHeight(-1, 300);
    grid_->SetRowHeight(1, -1);
    EXPECT_EQ(grid_->RowHeight(1), FlexGrid::kDefaultRowHeight);
    grid_->SetRow(2);
    grid_->SetCol(2);
    const double frame = 15.0 * grid_->FrameWidthPx();  // from the grid's outer corner
    EXPECT_DOUBLE_EQ(grid_->CellLeft(), frame + 600 + 900);
    EXPECT_DOUBLE_EQ(grid_->CellTop(), frame + 300 + FlexGrid::kDefaultRowHeight);
    EXPECT_DOUBLE_EQ(grid_->CellWidth(), 900);
    EXPECT_DOUBLE_EQ(grid_->CellHeight(), 300);
    // Zero size hides a row or column and moves the ones after it.
    grid_->SetRowHeight(-1, 240);
    grid_->SetRowHeight(2, 0);
    grid_->SetColWidth(1, 0);
    EXPECT_FALSE(grid_->RowIsVisible(2));
    EXPECT_FALSE(grid_->ColIsVisible(1));
    EXPECT_TRUE(grid_->CellRectPx(2, 2).isEmpty());
    EXPECT_EQ(grid_->CellRectPx(3, 2).top() - grid_->viewport()->geometry().top(), 2 * 16);
}

TEST_F(FlexGridTest, AGridAsHighAsItsRowsShowsThemAllWithoutAScrollBar) {
    Fill(6, 2);
    grid_->SetHeight(6 * 240 + 15.0 * 2 * grid_->FrameWidthPx());
    ShowForm();
    EXPECT_FALSE(grid_->verticalScrollBar()->isVisible());
    EXPECT_EQ(grid_->CellRectPx(5, 1).bottom(), grid_->viewport()->geometry().bottom());
    grid_->SetRows(7);
    QApplication::processEvents();
    EXPECT_TRUE(grid_->verticalScrollBar()->isVisible()) << "one row more needs the scroll bar";
}

TEST_F(FlexGridTest, SettingRowDoesNotScrollButReadingTheCellsGeometryDoes) {
    Fill(30, 2);
    ShowForm();
    grid_->SetRow(25);
    EXPECT_FALSE(grid_->RowIsVisible(25));
    log_.clear();
    const double top = grid_->CellTop();
    EXPECT_TRUE(grid_->RowIsVisible(25));
    EXPECT_TRUE(grid_->RowIsVisible(0)) << "the heading stays";
    EXPECT_FALSE(grid_->RowIsVisible(1));
    EXPECT_EQ(Joined(), "scroll" + std::to_string(grid_->TopRow()));
    EXPECT_LT(top + grid_->CellHeight(), grid_->Height());
}

TEST_F(FlexGridTest, TopRowKeysAndTheWheelScrollByWholeRows) {
    Fill(30, 2);
    ShowForm();
    log_.clear();
    grid_->SetTopRow(10);
    grid_->SetTopRow(10);
    EXPECT_EQ(grid_->verticalScrollBar()->value(), 9);
    grid_->verticalScrollBar()->setValue(2);
    EXPECT_EQ(Joined(), "scroll10 scroll3");
    grid_->setFocus();
    QTest::keyClick(grid_, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid_->TopRow(), 1);
    for (int i = 0; i < 15; ++i) QTest::keyClick(grid_, Qt::Key_Down);
    EXPECT_TRUE(grid_->RowIsVisible(16));
    EXPECT_GT(grid_->TopRow(), 1);
    QTest::keyClick(grid_, Qt::Key_Home, Qt::ControlModifier);
    QWheelEvent wheel(QPointF(50, 50), grid_->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid_->viewport(), &wheel);  // whole rows
    const int wheelTop = grid_->TopRow();
    EXPECT_GT(wheelTop, 1);
    EXPECT_EQ(log_.back(), "scroll" + std::to_string(wheelTop));
    EXPECT_EQ(grid_->CellRectPx(wheelTop, 1).top(), grid_->CellRectPx(0, 1).bottom() + 1);
}

// ---- painting -------------------------------------------------------------------------------

TEST_F(FlexGridTest, PaintsCellColoursTextTheSelectionAndTheAreaBeyond) {
    Fill(4, 4);
    grid_->SetBackColor(0xFFFFFF);
    grid_->SetBackColorBkg(0x00FF00);  // green beyond the cells
    grid_->SetBackColorSel(0xFF0000);  // blue
    grid_->SetRow(3);
    grid_->SetCol(3);
    grid_->SetCellBackColor(0x0000FF);  // red
    grid_->SetTextMatrix(1, 1, "");
    grid_->SetRow(1);
    grid_->SetCol(2);
    grid_->SetRowSel(2);
    grid_->SetColSel(3);
    auto colourAt = [&](const QImage& img, int row, int col) {
        const QRect r = grid_->CellRectPx(row, col);
        return img.pixelColor(r.left() + 1, r.top() + 1);
    };
    QImage image = grid_->grab().toImage();
    EXPECT_EQ(colourAt(image, 3, 3), QColor(255, 0, 0));
    EXPECT_EQ(colourAt(image, 2, 3), QColor(0, 0, 255)) << "the selection";
    EXPECT_EQ(colourAt(image, 1, 2), QColor(255, 255, 255)) << "but not the current cell";
    const QRect last = grid_->CellRectPx(3, 3);
    EXPECT_EQ(image.pixelColor(last.right() + 5, last.top() + 2), QColor(0, 255, 0));
    auto darkPixels = [&](int row, int col) {
        const QRect r = grid_->CellRectPx(row, col).adjusted(1, 1, -2, -2);
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) n += image.pixelColor(x, y).lightness() < 100;
        return n;
    };
    EXPECT_GT(darkPixels(1, 2), 0);
    EXPECT_EQ(darkPixels(1, 1), 0);
    grid_->SetHighLight(0);
    image = grid_->grab().toImage();
    EXPECT_EQ(colourAt(image, 2, 3), QColor(255, 255, 255));
}

// A row scrolled away above the top row is not painted over the fixed rows.
TEST_F(FlexGridTest, AScrolledGridPaintsNoRowAboveItsTopRow) {
    Fill(20, 2);
    grid_->SetBackColor(0xFFFFFF);
    grid_->SetHighLight(0);
    for (int row = 3; row < 5; ++row) {
        grid_->SetRow(row);
        grid_->SetCol(1);
        grid_->SetCellBackColor(0x0000FF);  // red, scrolled away just above the top row
    }
    grid_->SetRow(10);
    grid_->SetTopRow(5);
    ASSERT_EQ(grid_->TopRow(), 5);
    const QImage image = grid_->grab().toImage();
    const QRect fixedCell = grid_->CellRectPx(0, 1);
    EXPECT_NE(image.pixelColor(fixedCell.center()), QColor(255, 0, 0));
    const QRect firstShown = grid_->CellRectPx(5, 1);
    EXPECT_EQ(image.pixelColor(firstShown.center()), QColor(255, 255, 255));
}

}  // namespace
}  // namespace nuvir::test
