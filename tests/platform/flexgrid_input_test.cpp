// The flex grid driven by real mouse and key events: the order of its notifications,
// the cell under the mouse, keyboard moves, scrolling, and what it paints.
#include "flexgrid_fixture.h"

#include <QImage>

namespace nuvir::test {
namespace {

// ---- mouse -----------------------------------------------------------------------------

TEST_F(FlexGridTest, AClickRaisesMouseDownThenMovesTheCellThenMouseUpAndClick) {
    Fill(4, 3);
    Click(3, 2);
    EXPECT_EQ(Joined(), "down1(1,1) leave(1,1) enter(3,2) up1(3,2) click(3,2)");
    EXPECT_EQ(grid_->MouseRow(), 3);
    EXPECT_EQ(grid_->MouseCol(), 2);
    EXPECT_TRUE(grid_->HasFocus()) << "a click gives the grid the focus";
}

TEST_F(FlexGridTest, AClickOnTheCurrentCellRaisesNoCellNotifications) {
    Fill(4, 3);
    Click(1, 1);
    EXPECT_EQ(Joined(), "down1(1,1) up1(1,1) click(1,1)");
}

TEST_F(FlexGridTest, ARightClickLeavesTheCurrentCellAndRaisesNoClick) {
    Fill(4, 3);
    Click(2, 2, Qt::RightButton);
    EXPECT_EQ(Joined(), "down2(1,1) up2(1,1)");
    EXPECT_EQ(grid_->MouseRow(), 2);
}

TEST_F(FlexGridTest, AClickOnAHeadingPicksTheFirstDataCellOnViewOfItsColumn) {
    Fill(4, 3);
    Click(0, 2);
    EXPECT_EQ(grid_->Row(), 1);
    EXPECT_EQ(grid_->Col(), 2);
    EXPECT_EQ(grid_->MouseRow(), 0) << "MouseRow tells the heading";
}

TEST_F(FlexGridTest, MouseCoordinatesAreTwipsFromTheGridsCorner) {
    Fill(4, 3);
    double x = -1, y = -1;
    QObject::connect(grid_->Events(), &ControlEvents::MouseDown, [&](int, int, double px, double py) {
        x = px;
        y = py;
    });
    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 30));
    const QPoint origin = grid_->viewport()->geometry().topLeft();
    EXPECT_DOUBLE_EQ(x, 15.0 * (20 + origin.x()));
    EXPECT_DOUBLE_EQ(y, 15.0 * (30 + origin.y()));
}

TEST_F(FlexGridTest, MouseBeyondTheCellsReadsMinusOne) {
    Fill(2, 2);
    QTest::mouseMove(grid_->viewport(), QPoint(290, 190));
    QApplication::processEvents();
    EXPECT_EQ(grid_->MouseRow(), -1);
    EXPECT_EQ(grid_->MouseCol(), -1);
    QTest::mouseMove(grid_->viewport(), CellCentre(1, 1));
    QApplication::processEvents();
    EXPECT_EQ(grid_->MouseRow(), 1);
}

// ---- keys -----------------------------------------------------------------------------------

TEST_F(FlexGridTest, ArrowKeysMoveTheCellAfterKeyDownWithOneLeaveEnterPair) {
    Fill(4, 3);
    grid_->setFocus();
    QTest::keyClick(grid_, Qt::Key_Down);
    QTest::keyClick(grid_, Qt::Key_Right);
    EXPECT_EQ(Joined(), "key40 leave(1,1) enter(2,1) key39 leave(2,1) enter(2,2)");
}

TEST_F(FlexGridTest, ArrowKeysStopAtTheEdgesAndSkipHiddenRows) {
    Fill(5, 3);
    grid_->SetRowHeight(2, 0);
    grid_->setFocus();
    QTest::keyClick(grid_, Qt::Key_Up);
    EXPECT_EQ(Joined(), "key38") << "nothing above the first data row";
    QTest::keyClick(grid_, Qt::Key_Down);
    EXPECT_EQ(grid_->Row(), 3);
    QTest::keyClick(grid_, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid_->Row(), 4);
    EXPECT_EQ(grid_->Col(), 2);
    QTest::keyClick(grid_, Qt::Key_Home);
    EXPECT_EQ(grid_->Col(), 1);
}

TEST_F(FlexGridTest, AKeyDownHandlerThatClearsTheCodeStopsTheMove) {
    Fill(4, 3);
    QObject::connect(grid_->Events(), &ControlEvents::KeyDown, [](int& code, int) { code = 0; });
    grid_->setFocus();
    QTest::keyClick(grid_, Qt::Key_Down);
    EXPECT_EQ(grid_->Row(), 1);
}

TEST_F(FlexGridTest, KeyboardMovesBringTheCellIntoView) {
    Fill(30, 2);
    grid_->setFocus();
    for (int i = 0; i < 15; ++i) QTest::keyClick(grid_, Qt::Key_Down);
    EXPECT_EQ(grid_->Row(), 16);
    EXPECT_TRUE(grid_->RowIsVisible(16));
    EXPECT_GT(grid_->TopRow(), 1);
    QTest::keyClick(grid_, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid_->Row(), 1);
    EXPECT_EQ(grid_->TopRow(), 1);
}

// ---- scrolling by the user ----------------------------------------------------------------------

TEST_F(FlexGridTest, TheWheelScrollsWholeRowsAndRaisesScroll) {
    Fill(30, 2);
    QWheelEvent wheel(QPointF(50, 50), grid_->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid_->viewport(), &wheel);
    EXPECT_GT(grid_->TopRow(), 1);
    ASSERT_FALSE(log_.empty());
    EXPECT_EQ(log_.back(), "scroll" + std::to_string(grid_->TopRow()));
    const int top = grid_->TopRow();
    EXPECT_EQ(grid_->CellRectPx(top, 1).top(), grid_->CellRectPx(0, 1).bottom() + 1)
        << "the first scrolled row sits right under the headings";
}

// ---- painting ------------------------------------------------------------------------------------

TEST_F(FlexGridTest, PaintsCellColoursBoldTextAndTheAreaBeyond) {
    Fill(3, 3);
    grid_->SetBackColor(0xFFFFFF);
    grid_->SetBackColorBkg(0x00FF00);  // green beyond the cells
    grid_->SetRow(2);
    grid_->SetCol(2);
    grid_->SetCellBackColor(0x0000FF);  // red
    grid_->SetTextMatrix(1, 1, "");
    const QImage image = grid_->grab().toImage();
    auto colourAt = [&](int row, int col) {
        const QRect r = grid_->CellRectPx(row, col);
        return image.pixelColor(r.left() + 1, r.top() + 1);
    };
    EXPECT_EQ(colourAt(2, 2), QColor(255, 0, 0));
    EXPECT_EQ(colourAt(1, 1), QColor(255, 255, 255));
    const QRect last = grid_->CellRectPx(2, 2);
    EXPECT_EQ(image.pixelColor(last.right() + 5, last.top() + 2), QColor(0, 255, 0));
    // Text is drawn: a cell with text has dark pixels, the emptied one none.
    auto darkPixels = [&](int row, int col) {
        const QRect r = grid_->CellRectPx(row, col).adjusted(1, 1, -2, -2);
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) n += image.pixelColor(x, y).lightness() < 100;
        return n;
    };
    EXPECT_GT(darkPixels(1, 2), 0);
    EXPECT_EQ(darkPixels(1, 1), 0);
}

TEST_F(FlexGridTest, TheSelectionIsHighlightedExceptTheCurrentCellUnlessHighLightIsOff) {
    Fill(4, 4);
    grid_->SetBackColor(0xFFFFFF);
    grid_->SetBackColorSel(0xFF0000);  // blue
    grid_->SetRowSel(2);
    grid_->SetColSel(2);
    QImage image = grid_->grab().toImage();
    auto colourAt = [&](const QImage& img, int row, int col) {
        const QRect r = grid_->CellRectPx(row, col);
        return img.pixelColor(r.left() + 1, r.top() + 1);
    };
    EXPECT_EQ(colourAt(image, 2, 2), QColor(0, 0, 255));
    EXPECT_EQ(colourAt(image, 1, 1), QColor(255, 255, 255));
    grid_->SetHighLight(0);
    image = grid_->grab().toImage();
    EXPECT_EQ(colourAt(image, 2, 2), QColor(255, 255, 255));
}

}  // namespace
}  // namespace nuvir::test
