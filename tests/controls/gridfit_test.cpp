// Fitting an editable grid to its table and reading it back as numbers.
#include "flexedit_fixture.h"

#include <QScrollBar>

#include "controls/gridfit.h"

namespace nuvir::test {
namespace {

using MKelvaro::FitGridToContents;
using MKelvaro::GetGridAsDoubles;
using MKelvaro::GridFitMetrics;

class GridFitTest : public FlexEditTest {};

Variant Headings(std::initializer_list<const char*> names) {
    std::vector<Variant> v;
    for (const char* n : names) v.emplace_back(n);
    return Variant::List(v);
}

// ---- the arithmetic, with the system's example metrics --------------------------------------

TEST_F(GridFitTest, FittingTwoColumnsAndFiveRowsGivesTheExampleSizes) {
    edit_->PutArray(Table({{"1", "2"}, {"3", "4"}, {"5", "6"}, {"7", "8"}}));
    ASSERT_EQ(grid_->Rows(), 5);
    GridFitMetrics m;  // 15 twips, scroll bar 17, frames 4, dialog frames 3, caption 19
    const Variant size = FitGridToContents(edit_.get(), Headings({"Value", "P"}), m);
    EXPECT_DOUBLE_EQ(grid_->Width(), 2175);
    EXPECT_DOUBLE_EQ(grid_->Height(), 5 * 240 + 120);
    ASSERT_EQ(size.dims(), 1);
    EXPECT_EQ(size.elemKind(), VarType::Double);
    EXPECT_DOUBLE_EQ(size(0).numberValue(), 2175 + 90);
    EXPECT_DOUBLE_EQ(size(1).numberValue(), 5 * 240 + 120 + 375);
}

TEST_F(GridFitTest, FittingCentresEveryColumnWidensTheFirstAndPlacesTheGridAtTheCorner) {
    edit_->PutArray(Table({{"1", "2", "3"}}));
    grid_->Move(600, 600, 100, 100);
    FitGridToContents(edit_.get(), Variant());
    EXPECT_EQ(grid_->ColWidth(0), 1000);
    EXPECT_EQ(grid_->ColWidth(1), 800);
    EXPECT_EQ(grid_->ColWidth(2), 800);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(grid_->ColAlignment(c), flexalign::CenterCenter);
    EXPECT_DOUBLE_EQ(grid_->Left(), 0);
    EXPECT_DOUBLE_EQ(grid_->Top(), 0);
    EXPECT_EQ(grid_->FocusRect(), 1);
    EXPECT_EQ(grid_->Rows(), 2);
    EXPECT_EQ(grid_->Cols(), 3);
}

TEST_F(GridFitTest, SurplusHeadingsAreDroppedAndAnythingButAListLeavesTheRowBlank) {
    edit_->PutArray(Table({{"1", "2"}}));
    FitGridToContents(edit_.get(), Headings({"Impact", "P (0-1)", "extra"}));
    EXPECT_EQ(grid_->TextMatrix(0, 0), "Impact");
    EXPECT_EQ(grid_->TextMatrix(0, 1), "P (0-1)");
    FitGridToContents(edit_.get(), Table({{"a", "b"}}));
    EXPECT_EQ(grid_->TextMatrix(0, 0), "");
    EXPECT_EQ(grid_->TextMatrix(0, 1), "");
    FitGridToContents(edit_.get(), Headings({"Cost"}));
    EXPECT_EQ(grid_->TextMatrix(0, 0), "Cost");
    EXPECT_EQ(grid_->TextMatrix(0, 1), "") << "a short list leaves the rest blank";
}

TEST_F(GridFitTest, NoGridFitsToNothing) {
    const Variant none = FitGridToContents(nullptr, Variant());
    EXPECT_DOUBLE_EQ(none(0).numberValue(), 0);
    EXPECT_DOUBLE_EQ(none(1).numberValue(), 0);
    CFlexEditA unhosted;
    const Variant alsoNone = FitGridToContents(&unhosted, Headings({"x"}));
    EXPECT_DOUBLE_EQ(alsoNone(0).numberValue(), 0);
}

// ---- with the real widget's metrics --------------------------------------------------------------

TEST_F(GridFitTest, AFittedGridShowsItsWholeTableWithoutScrollBars) {
    edit_->PutArray(Table({{"1", "2", "3"}, {"4", "5", "6"}, {"7", "8", "9"}, {"10", "11", "12"},
                           {"13", "14", "15"}, {"16", "17", "18"}}));
    FitGridToContents(edit_.get(), Headings({"a", "b", "c"}));
    QApplication::processEvents();
    EXPECT_FALSE(grid_->verticalScrollBar()->isVisible());
    EXPECT_FALSE(grid_->horizontalScrollBar()->isVisible());
    const QRect inside = grid_->viewport()->geometry();
    for (int r = 0; r < grid_->Rows(); ++r) {
        for (int c = 0; c < grid_->Cols(); ++c) {
            const QRect cell = grid_->CellRectPx(r, c);
            ASSERT_FALSE(cell.isEmpty()) << r << "," << c;
            EXPECT_TRUE(inside.contains(cell)) << r << "," << c;
        }
    }
    EXPECT_EQ(grid_->CellRectPx(6, 0).bottom(), inside.bottom()) << "no spare row below the table";
}

// ---- numbers ------------------------------------------------------------------------------------------

TEST_F(GridFitTest, CellsAreReadByTheirLeadingNumber) {
    edit_->PutArray(Table({{"1.5", " 2 ", "3,5", "abc", ""}, {"1e3", "1D2", "1 2", "&H10", "-.5x"}}));
    const Variant d = GetGridAsDoubles(edit_.get());
    ASSERT_EQ(d.dims(), 2);
    EXPECT_EQ(d.elemKind(), VarType::Double);
    EXPECT_EQ(Rows(d), "1.5|2|3|0|0/1000|100|12|16|-0.5");
}

TEST_F(GridFitTest, ANumberBeyondTheDoubleRangeReadsAsZero) {
    edit_->PutArray(Table({{"1e999", "7"}}));
    EXPECT_EQ(Rows(GetGridAsDoubles(edit_.get())), "0|7");
}

TEST_F(GridFitTest, WithoutATableTheNumbersAreAnArrayWithoutBounds) {
    const Variant d = GetGridAsDoubles(edit_.get());
    EXPECT_TRUE(d.isArray());
    EXPECT_EQ(d.dims(), 0);
    EXPECT_EQ(d.elemKind(), VarType::Double);
    EXPECT_EQ(GetGridAsDoubles(nullptr).dims(), 0);
}

TEST_F(GridFitTest, NumbersKeepTheSnapshotsShapeWithHiddenRowsLeftOut) {
    edit_->PutArray(Table({{"1", "2"}, {"3", "4"}, {"5", "6"}}));
    grid_->SetRowHeight(2, 0);
    edit_->SetDirty();
    const Variant d = GetGridAsDoubles(edit_.get());
    EXPECT_EQ(d.ubound(1), 1);
    EXPECT_EQ(d.ubound(2), 1);
    EXPECT_EQ(Rows(d), "1|2/5|6");
}

}  // namespace
}  // namespace nuvir::test
