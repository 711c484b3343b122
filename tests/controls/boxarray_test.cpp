// The check-box grid on a real form, offscreen: building and naming the run-time
// controls, the uniqueness rules driven by mouse clicks and Space on the boxes,
// Validate seen before the toggle, the check states, sizing, captions and removal.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QPixmap>
#include <QTest>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "controls/boxarray.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/qtpicturebox.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "runtime/variant.h"

namespace nuvir {
namespace {

Variant Captions(const std::vector<std::string>& texts) {
    std::vector<Variant> items;
    for (const auto& t : texts) items.emplace_back(t);
    return Variant::List(items);
}

// Whether state (i, j) of a states array is True.
bool On(const Variant& states, int i, int j) { return states(i, j).rawBool(); }

Variant Numbered(const std::string& stem, int n) {
    std::vector<std::string> t;
    for (int i = 0; i < n; ++i) t.push_back(stem + CStr(Variant(i)));
    return Captions(t);
}

// One Validate as the handler saw it, with every box's value at that moment.
struct Seen {
    int row, col, value;
    std::vector<std::vector<int>> boxes;
};

// A shown form holding a picture box that the grid is built in, as the page does.
struct GridPage : ::testing::Test {
    Form form;
    QtPictureBox* page = nullptr;
    std::unique_ptr<CBoxArray> grid;
    std::vector<Seen> seen;

    void SetUp() override {
        page = form.Add<QtPictureBox>("picPage");
        page->SetBorderStyle(0);
        page->Move(0, 0, 9000, 6000);
        form.SetWidth(9500);
        form.SetHeight(7000);
        form.Show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }

    CBoxArray& Build(int rows, int cols, int rule, int orientation = 0) {
        grid = std::make_unique<CBoxArray>();
        grid->SetFont({"DejaVu Sans", 10.0, false});
        grid->SetColTextOrientation(orientation);
        grid->SetUniqueness(rule);
        grid->SetBoxXSpacing(600);
        grid->SetBoxYSpacing(320);
        grid->SetColSet(Numbered("Level ", cols));
        grid->SetRowSet(Numbered("Quantity ", rows));
        grid->SetForeColor(0);
        grid->SetBackColor(0xFFFFFF);
        grid->SetContainer(page);
        grid->SetTop(0);
        grid->SetHeight(5500);
        grid->SetLeft(100);
        grid->SetWidth(8000);
        grid->SetAllowEdit(true);
        Watch(*grid);
        QApplication::processEvents();
        return *grid;
    }

    void Watch(CBoxArray& g) {
        QObject::connect(&g, &CBoxArray::Validate, [this, &g](std::int16_t r, std::int16_t c, const Variant& v) {
            Seen s{r, c, CInt(v), Values(g)};
            seen.push_back(s);
        });
    }

    static std::vector<std::vector<int>> Values(const CBoxArray& g) {
        std::vector<std::vector<int>> out;
        for (const auto& row : g.CheckBoxes()) {
            out.emplace_back();
            for (CheckBox* b : row) out.back().push_back(b != nullptr ? b->Value() : -1);
        }
        return out;
    }

    CheckBox* At(int r, int c) const { return grid->CheckBoxes()[r][c]; }
    // A point on the box's indicator, where a click toggles it.
    static QPoint OnBox(CheckBox* b) { return QPoint(6, b->height() / 2); }
    void Click(int r, int c) {
        QTest::mouseClick(At(r, c), Qt::LeftButton, {}, OnBox(At(r, c)));
        QApplication::processEvents();
    }
    void Space(int r, int c) {
        QTest::keyClick(At(r, c), Qt::Key_Space);
        QApplication::processEvents();
    }
    int Checked() const {
        int n = 0;
        for (const auto& row : Values(*grid))
            for (int v : row) n += v == 1;
        return n;
    }
};

// ---- construction and naming ------------------------------------------------------------

TEST(BoxArrayConfigured, ANewGridHoldsTwoByThreeFalseStatesAndNoControls) {
    CBoxArray g;
    const Variant a = g.CheckArray();
    ASSERT_EQ(a.dims(), 2);
    EXPECT_EQ(a.lbound(1), 0);
    EXPECT_EQ(a.ubound(1), 1);
    EXPECT_EQ(a.lbound(2), 0);
    EXPECT_EQ(a.ubound(2), 2);
    for (int i = 0; i <= 1; ++i)
        for (int j = 0; j <= 2; ++j) {
            EXPECT_EQ(a(i, j).type(), VarType::Boolean);
            EXPECT_FALSE(On(a, i, j));
        }
    EXPECT_EQ(g.Cols(), -1);
    EXPECT_EQ(g.Container(), nullptr);
    EXPECT_TRUE(g.CheckBoxes().empty());
    EXPECT_EQ(g.TabIndex(), -1);
    EXPECT_EQ(g.Uniqueness(), 1);
    EXPECT_EQ(g.ColTextOrientation(), 45);
    EXPECT_EQ(g.BoxXSpacing(), 300);
    EXPECT_EQ(g.BoxYSpacing(), 300);
    EXPECT_EQ(g.Width(), 4000);
    EXPECT_EQ(g.Height(), 4000);
    EXPECT_EQ(g.BackColor(), 0xFFFFFF);
    EXPECT_EQ(g.ForeColor(), 0);
    EXPECT_FALSE(g.AllowEdit());
    EXPECT_FALSE(g.IsData());
    EXPECT_FALSE(g.IsDirty());
    EXPECT_EQ(CStr(g.RowSet()(1)), "Row 1");
    EXPECT_EQ(CStr(g.ColSet()(2)), "Column 2");
    // Removing what was never built does nothing.
    g.SetContainer(nullptr);
    EXPECT_EQ(g.Cols(), -1);
}

TEST(BoxArrayConfigured, CaptionsSizeTheStatesAndASecondRowSetKeepsThem) {
    CBoxArray g;
    g.SetColSet(Numbered("c", 4));
    EXPECT_EQ(g.CheckArray().ubound(1), 1);
    EXPECT_EQ(g.CheckArray().ubound(2), 3);
    g.SetRowSet(Numbered("r", 13));
    EXPECT_EQ(g.CheckArray().ubound(1), 12);
    Variant a = g.CheckArray();
    a(3, 2) = Variant(true);
    g.SetCheckArray(a);
    // A later row set, here before building, only replaces the texts.
    g.SetRowSet(Numbered("row ", 13));
    EXPECT_EQ(CStr(g.RowSet()(0)), "row 0");
    EXPECT_TRUE(On(g.CheckArray(), 3, 2));
    // Clearing before building clears the states only.
    g.Clear();
    EXPECT_FALSE(On(g.CheckArray(), 3, 2));
    // Column captions always reshape and clear.
    a = g.CheckArray();
    a(0, 0) = Variant(true);
    g.SetCheckArray(a);
    g.SetColSet(Numbered("c", 5));
    EXPECT_EQ(g.CheckArray().ubound(2), 4);
    EXPECT_FALSE(On(g.CheckArray(), 0, 0));
}

TEST_F(GridPage, BuildingNamesTheSurfaceAndEveryBoxAfterTheGridsNumber) {
    CBoxArray& g = Build(13, 4, 2);
    QtPictureBox* surface = g.Container();
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->Name(), "chkArray1");
    EXPECT_EQ(form.Find("chkArray1"), surface);
    EXPECT_EQ(surface->Container(), page);
    EXPECT_EQ(g.Cols(), 4);
    const auto boxes = g.CheckBoxes();
    ASSERT_EQ(boxes.size(), 13u);
    int count = 0;
    for (int i = 0; i < 13; ++i) {
        ASSERT_EQ(boxes[i].size(), 4u);
        for (int j = 0; j < 4; ++j) {
            const std::string name = "chkArray1_" + CStr(Variant(i)) + "_" + CStr(Variant(j));
            EXPECT_EQ(form.Find(name), boxes[i][j]) << name;
            EXPECT_EQ(boxes[i][j]->Container(), surface);
            EXPECT_EQ(boxes[i][j]->Caption(), "");
            EXPECT_TRUE(boxes[i][j]->isVisible());
            ++count;
        }
    }
    EXPECT_EQ(count, 52);
    EXPECT_NE(form.Find("chkArray1_12_3"), nullptr);
    EXPECT_EQ(form.Find("chkArray1_13_0"), nullptr);

    // A second grid on the same form takes the next number.
    CBoxArray second;
    second.SetColTextOrientation(0);
    second.SetContainer(page);
    ASSERT_NE(second.Container(), nullptr);
    EXPECT_EQ(second.Container()->Name(), "chkArray2");
    EXPECT_NE(form.Find("chkArray2_1_2"), nullptr);
}

TEST_F(GridPage, TheSurfaceTakesTheGridsPlaceColoursAndEnabling) {
    CBoxArray& g = Build(3, 4, 2);
    QtPictureBox* s = g.Container();
    EXPECT_EQ(s->Left(), 100);
    EXPECT_EQ(s->Top(), 0);
    EXPECT_EQ(s->Width(), 8000);
    EXPECT_EQ(s->Height(), 5500);
    EXPECT_EQ(s->BackColor(), 0xFFFFFF);
    EXPECT_EQ(s->ForeColor(), 0);
    EXPECT_TRUE(s->AutoRedraw());
    EXPECT_EQ(At(1, 2)->BackColor(), 0xFFFFFF);
    EXPECT_TRUE(s->isEnabled());
    g.SetAllowEdit(false);
    EXPECT_FALSE(s->isEnabled());
    EXPECT_FALSE(At(0, 0)->isEnabled());
    g.SetAllowEdit(true);
    EXPECT_TRUE(At(0, 0)->isEnabled());
}

TEST_F(GridPage, BoxesSitOnTheGridOfSpacingsRightOfTheRowCaptionsAndBelowTheColumnCaptions) {
    for (int angle : {0, 45}) {
        CBoxArray g;
        g.SetFont({"DejaVu Sans", 10.0, false});
        g.SetColTextOrientation(angle);
        g.SetBoxXSpacing(600);
        g.SetBoxYSpacing(320);
        g.SetColSet(Captions({"Low", "Medium", "A long high"}));
        g.SetRowSet(Captions({"p1:", "I5: 0.000E-00", "F4:"}));
        g.SetWidth(7000);
        g.SetHeight(4000);
        g.SetContainer(page);
        QtPictureBox* s = g.Container();
        ASSERT_NE(s, nullptr);
        const BoxArrayFont font{"DejaVu Sans", 10.0, false};
        const TextExtents rows = MBoxArray::MeasureCaptions(*s, 7000, 4000, font, g.RowSet(), 0.0);
        const TextExtents cols = MBoxArray::MeasureCaptions(*s, 7000, 4000, font, g.ColSet(), angle);
        ASSERT_GT(rows.Width, 0.0);
        ASSERT_GT(cols.Width, rows.Width / 2);
        const double a = angle * 3.141593 / 180.0;
        const double originX = RoundHalfEven(rows.Width + 500);
        const double originY = RoundHalfEven(cols.Width * std::sin(a) + cols.Height * std::cos(a) + 500);
        const auto boxes = g.CheckBoxes();
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                EXPECT_DOUBLE_EQ(boxes[i][j]->Left(), originX + j * 600 + 50) << angle;
                EXPECT_DOUBLE_EQ(boxes[i][j]->Top(), originY + i * 320) << angle;
                EXPECT_DOUBLE_EQ(boxes[i][j]->Width(), 600.0);
                EXPECT_NEAR(boxes[i][j]->Height(), rows.Height, 15.0);
            }
        // Turned captions need more room above the boxes than level ones.
        if (angle == 45) {
            EXPECT_GT(originY, cols.Height + 500 + 200);
        }
    }
}

TEST_F(GridPage, TabIndicesFollowTheFirstRowByRowOrAreLeftAlone) {
    for (int k = 0; k < 12; ++k) form.Add<TextBox>("txtOther" + CStr(Variant(k)));
    grid = std::make_unique<CBoxArray>();
    grid->SetColTextOrientation(0);
    grid->SetTabIndex(10);
    grid->SetContainer(page);
    int expected = 10;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(At(i, j)->TabIndex(), expected++);

    CBoxArray untouched;
    untouched.SetColTextOrientation(0);
    untouched.SetContainer(page);
    const auto boxes = untouched.CheckBoxes();
    // Default order: in creation order after everything created before them.
    const int first = boxes[0][0]->TabIndex();
    EXPECT_EQ(first, static_cast<int>(form.Controls().size()) - 6);
    int k = 0;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(boxes[i][j]->TabIndex(), first + k++);
}

// ---- click rules, by mouse and Space ---------------------------------------------------------

TEST_F(GridPage, RuleTwoKeepsOneCheckPerRowThatAClickCannotClear) {
    CBoxArray& g = Build(3, 4, 2);
    Click(0, 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].row, 0);
    EXPECT_EQ(seen[0].col, 1);
    EXPECT_EQ(seen[0].value, 0);
    EXPECT_EQ(seen[0].boxes[0][1], 0);  // the handler runs before the toggle
    EXPECT_EQ(At(0, 1)->Value(), 1);
    EXPECT_TRUE(g.IsDirty());
    EXPECT_TRUE(g.IsData());

    Click(0, 3);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].value, 0);
    EXPECT_EQ(seen[1].boxes[0][1], 0);  // the rule has cleared the other one already
    EXPECT_EQ(seen[1].boxes[0][3], 0);
    EXPECT_EQ(At(0, 1)->Value(), 0);
    EXPECT_EQ(At(0, 3)->Value(), 1);

    // Clicking the checked box leaves it checked, and still reports 0.
    Click(0, 3);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].value, 0);
    EXPECT_EQ(seen[2].boxes[0][3], 0);
    EXPECT_EQ(At(0, 3)->Value(), 1);
    EXPECT_EQ(Checked(), 1);

    // Other rows are free of each other.
    Click(2, 0);
    EXPECT_EQ(At(2, 0)->Value(), 1);
    EXPECT_EQ(At(0, 3)->Value(), 1);
    const Variant a = g.CheckArray();
    EXPECT_TRUE(On(a, 0, 3));
    EXPECT_TRUE(On(a, 2, 0));
    EXPECT_FALSE(On(a, 0, 1));
}

TEST_F(GridPage, SpaceOnABoxRunsTheSameLogicOncePerToggle) {
    CBoxArray& g = Build(3, 4, 2);
    Space(1, 0);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].row, 1);
    EXPECT_EQ(seen[0].col, 0);
    EXPECT_EQ(seen[0].boxes[1][0], 0);
    EXPECT_EQ(At(1, 0)->Value(), 1);
    Space(1, 2);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(At(1, 0)->Value(), 0);
    EXPECT_EQ(At(1, 2)->Value(), 1);
    Space(1, 2);
    EXPECT_EQ(At(1, 2)->Value(), 1);
    EXPECT_TRUE(On(g.CheckArray(), 1, 2));

    // A held Space repeats key presses but toggles once, on its release.
    CheckBox* b = At(2, 3);
    QTest::keyPress(b, Qt::Key_Space);
    for (int k = 0; k < 3; ++k) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
        QApplication::sendEvent(b, &repeat);
    }
    EXPECT_EQ(seen.size(), 3u);
    QTest::keyRelease(b, Qt::Key_Space);
    QApplication::processEvents();
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_EQ(b->Value(), 1);
}

TEST_F(GridPage, RuleOneKeepsAtMostOneCheckPerColumnAndCanEmptyIt) {
    CBoxArray& g = Build(3, 3, 1);
    Click(0, 1);
    Click(2, 1);
    EXPECT_EQ(At(0, 1)->Value(), 0);
    EXPECT_EQ(At(2, 1)->Value(), 1);
    EXPECT_EQ(seen.back().boxes[0][1], 0);
    Click(2, 2);  // another column is not touched
    EXPECT_EQ(At(2, 1)->Value(), 1);
    EXPECT_EQ(Checked(), 2);
    Click(2, 2);
    Click(2, 1);  // clearing the only check of its column
    EXPECT_EQ(seen.back().value, 1);
    EXPECT_EQ(At(2, 1)->Value(), 0);
    EXPECT_EQ(Checked(), 0);
    EXPECT_FALSE(g.IsData());
}

TEST_F(GridPage, RuleThreeKeepsOneCheckInTheWholeGrid) {
    CBoxArray& g = Build(3, 3, 3);
    Click(0, 0);
    Click(2, 2);
    Space(1, 1);
    EXPECT_EQ(Checked(), 1);
    EXPECT_EQ(At(1, 1)->Value(), 1);
    Click(1, 1);
    EXPECT_EQ(Checked(), 0);
    EXPECT_FALSE(g.IsData());
}

TEST_F(GridPage, RuleZeroLeavesTheChecksFree) {
    CBoxArray& g = Build(2, 3, 0);
    EXPECT_FALSE(g.IsData());
    Click(0, 0);
    EXPECT_TRUE(g.IsData());
    Click(0, 1);
    Click(1, 1);
    EXPECT_EQ(Checked(), 3);
    Click(0, 0);
    EXPECT_EQ(seen.back().value, 1);
    EXPECT_EQ(Checked(), 2);
    EXPECT_TRUE(g.IsData());
}

// ---- input that is not a click ---------------------------------------------------------------

TEST_F(GridPage, APressDraggedOffTheBoxChangesNothing) {
    CBoxArray& g = Build(2, 4, 2);
    Click(0, 2);
    seen.clear();
    g.SetIsDirty(false);
    CheckBox* b = At(0, 2);
    QTest::mousePress(b, Qt::LeftButton, {}, OnBox(b));
    QTest::mouseMove(b, QPoint(b->width() + 40, b->height() + 40));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(b->width() + 40, b->height() + 40));
    QApplication::processEvents();
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(b->Value(), 1);  // the row keeps its check
    EXPECT_FALSE(g.IsDirty());
    EXPECT_TRUE(On(g.CheckArray(), 0, 2));

    // A release whose press began on another box does not click this one.
    QTest::mousePress(At(1, 0), Qt::LeftButton, {}, OnBox(At(1, 0)));
    QTest::mouseRelease(At(1, 1), Qt::LeftButton, {}, OnBox(At(1, 1)));
    QApplication::processEvents();
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(At(1, 1)->Value(), 0);
}

TEST_F(GridPage, RightClicksMovesAndPressesWithoutReleaseRunNothing) {
    Build(2, 2, 2);
    CheckBox* b = At(1, 1);
    QTest::mouseClick(b, Qt::RightButton, {}, OnBox(b));
    QTest::mouseMove(b, OnBox(b));
    QTest::mousePress(b, Qt::LeftButton, {}, OnBox(b));
    QApplication::processEvents();
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(b->Value(), 0);
    QTest::mouseRelease(b, Qt::LeftButton, {}, OnBox(b));
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(GridPage, WithoutAllowEditTheBoxesTakeNoClicks) {
    CBoxArray& g = Build(2, 3, 2);
    g.SetAllowEdit(false);
    Click(0, 0);
    Space(0, 1);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(Checked(), 0);
    EXPECT_FALSE(g.IsDirty());
}

TEST_F(GridPage, WithoutAllowEditACallStillAppliesTheRuleAndIsDataButReportsNothing) {
    CBoxArray& g = Build(2, 3, 2);
    Click(1, 0);
    EXPECT_TRUE(On(g.CheckArray(), 1, 0));
    seen.clear();
    g.SetIsDirty(false);
    g.SetAllowEdit(false);
    g.CheckClick(At(1, 2));
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(g.IsDirty());
    EXPECT_EQ(At(1, 0)->Value(), 0);  // the rule ran
    EXPECT_TRUE(g.IsData());          // (1, 2) is about to be checked
    // Nothing reported, so the stored states are still the last ones read.
    EXPECT_TRUE(On(g.CheckArray(), 1, 0));
}

TEST_F(GridPage, ABoxOfAnotherGridIsRefusedBeforeAnythingChanges) {
    CBoxArray& g = Build(2, 3, 3);
    Click(0, 0);
    CBoxArray other;
    other.SetColTextOrientation(0);
    other.SetContainer(page);
    try {
        g.CheckClick(other.CheckBoxes()[0][1]);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::InvalidCall);
    }
    EXPECT_EQ(At(0, 0)->Value(), 1);
    EXPECT_EQ(seen.size(), 1u);
}

// ---- states set by code -------------------------------------------------------------------------

TEST_F(GridPage, StatesSetInCodeShowWithoutRunningTheClickLogic) {
    CBoxArray& g = Build(3, 4, 2);
    Variant a = g.CheckArray();
    a(0, 1) = Variant(true);
    a(0, 2) = Variant(true);  // two in a row: code is not held to the rule
    a(2, 3) = Variant(1);
    g.SetCheckArray(a);
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(g.IsDirty());
    EXPECT_TRUE(g.IsData());
    EXPECT_EQ(At(0, 1)->Value(), 1);
    EXPECT_EQ(At(0, 2)->Value(), 1);
    EXPECT_EQ(At(2, 3)->Value(), 1);
    EXPECT_EQ(Checked(), 3);

    // A box set directly by code runs nothing either.
    At(1, 1)->SetValue(1);
    EXPECT_TRUE(seen.empty());

    g.Clear();
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(Checked(), 0);
    EXPECT_FALSE(g.IsData());

    // Null and zero count as unchecked.
    Variant b = Variant::MakeArray(VarType::Generic, {Bounds{0, 2}, Bounds{0, 3}});
    b(0, 0) = Variant(Null);
    b(1, 1) = Variant(0.0);
    b(2, 2) = Variant(-0.5);
    g.SetCheckArray(b);
    EXPECT_EQ(At(0, 0)->Value(), 0);
    EXPECT_EQ(At(1, 1)->Value(), 0);
    EXPECT_EQ(At(2, 2)->Value(), 1);
}

TEST_F(GridPage, StatesOfAnotherShapeAreIgnored) {
    CBoxArray& g = Build(2, 3, 0);
    Variant good = g.CheckArray();
    good(1, 1) = Variant(true);
    g.SetCheckArray(good);

    Variant shifted = Variant::MakeArray(VarType::Boolean, {Bounds{1, 2}, Bounds{1, 3}});
    shifted(1, 1) = Variant(true);
    shifted(2, 3) = Variant(true);
    g.SetCheckArray(shifted);
    g.SetCheckArray(Variant::MakeArray(VarType::Boolean, {Bounds{0, 1}, Bounds{0, 3}}));
    g.SetCheckArray(Variant::MakeArray(VarType::Boolean, {Bounds{0, 5}}));
    g.SetCheckArray(Variant(true));
    g.SetCheckArray(Variant::Unallocated(VarType::Boolean));

    const Variant a = g.CheckArray();
    EXPECT_EQ(a.ubound(1), 1);
    EXPECT_EQ(a.ubound(2), 2);
    EXPECT_TRUE(On(a, 1, 1));
    EXPECT_EQ(Checked(), 1);
    EXPECT_EQ(At(1, 1)->Value(), 1);
}

TEST_F(GridPage, StatesStoredBeforeBuildingShowOnceBuilt) {
    grid = std::make_unique<CBoxArray>();
    grid->SetColTextOrientation(0);
    grid->SetUniqueness(2);
    grid->SetColSet(Numbered("L", 4));
    grid->SetRowSet(Numbered("Q", 3));
    Variant a = grid->CheckArray();
    a(2, 3) = Variant(true);
    grid->SetCheckArray(a);
    EXPECT_FALSE(grid->IsData());  // nothing shown yet
    grid->SetContainer(page);
    EXPECT_EQ(At(2, 3)->Value(), 1);
    EXPECT_EQ(Checked(), 1);
    EXPECT_TRUE(grid->IsData());
}

TEST_F(GridPage, ReadingAfterAClickGivesThePostToggleStatesAndOtherwiseTheStoredOnes) {
    CBoxArray& g = Build(2, 3, 2);
    Click(1, 1);
    Click(1, 2);
    Variant a = g.CheckArray();
    EXPECT_FALSE(On(a, 1, 1));
    EXPECT_TRUE(On(a, 1, 2));
    // Without a click since that read, the boxes are not read again.
    At(0, 0)->SetValue(1);
    EXPECT_FALSE(On(g.CheckArray(), 0, 0));
    // The next click reads them all.
    Click(1, 0);
    a = g.CheckArray();
    EXPECT_TRUE(On(a, 0, 0));
    EXPECT_TRUE(On(a, 1, 0));
    EXPECT_FALSE(On(a, 1, 2));
}

TEST_F(GridPage, RowVisibilityHidesAndShowsOneRowAndIgnoresOthers) {
    CBoxArray& g = Build(3, 2, 2);
    g.SetRowVisibility(1, false);
    EXPECT_FALSE(At(1, 0)->isVisible());
    EXPECT_FALSE(At(1, 1)->isVisible());
    EXPECT_TRUE(At(0, 0)->isVisible());
    EXPECT_TRUE(At(2, 1)->isVisible());
    g.SetRowVisibility(3, false);
    g.SetRowVisibility(-1, false);
    EXPECT_TRUE(At(2, 0)->isVisible());
    g.SetRowVisibility(1, true);
    EXPECT_TRUE(At(1, 1)->isVisible());
    CBoxArray unbuilt;
    unbuilt.SetRowVisibility(0, false);  // no boxes: nothing happens
}

// ---- size, captions and removal ----------------------------------------------------------------

// Whether any pixel of the surface's drawing differs from its background.
bool HasInk(const QImage& img, const QRect& area) {
    const QRgb back = img.pixel(0, 0) | 0xFF000000u;
    for (int y = std::max(0, area.top()); y <= std::min(img.height() - 1, area.bottom()); ++y)
        for (int x = std::max(0, area.left()); x <= std::min(img.width() - 1, area.right()); ++x)
            if ((img.pixel(x, y) | 0xFF000000u) != back) return true;
    return false;
}

TEST_F(GridPage, ANewWidthOrHeightRedrawsTheCaptionsAndTheSameOneDoesNot) {
    CBoxArray& g = Build(2, 3, 2);
    QtPictureBox* s = g.Container();
    auto mark = [&] { s->Line(6000, 4000, 6050, 4050, 0x0000FF, LineShape::FilledBox); };
    auto marked = [&] { return (s->Point(6020, 4020) & 0xFFFFFF) == 0x0000FF; };
    mark();
    ASSERT_TRUE(marked());
    g.SetWidth(8000);
    g.SetHeight(5500);
    EXPECT_TRUE(marked());
    g.SetWidth(8400);
    EXPECT_FALSE(marked());
    EXPECT_EQ(s->Width(), 8400);
    EXPECT_TRUE(HasInk(s->Image(), s->Image().rect()));  // the captions are back
    mark();
    g.SetHeight(5600);
    EXPECT_FALSE(marked());
    // A new size redraws the captions only: the boxes stay where they were.
    const double top = At(1, 1)->Top();
    g.SetHeight(5000);
    EXPECT_EQ(At(1, 1)->Top(), top);
}

TEST_F(GridPage, ASecondRowSetRelabelsTheRowsWithoutTouchingStatesOrBoxes) {
    CBoxArray& g = Build(2, 3, 2);
    Click(1, 1);
    QtPictureBox* s = g.Container();
    const QImage before = s->Image();
    CheckBox* box = At(1, 1);
    g.SetRowSet(Captions({"First row:", "Second row, much longer:"}));
    EXPECT_NE(s->Image(), before);
    EXPECT_EQ(At(1, 1), box);
    EXPECT_EQ(box->Value(), 1);
    EXPECT_TRUE(On(g.CheckArray(), 1, 1));
    EXPECT_EQ(CStr(g.RowSet()(1)), "Second row, much longer:");
}

TEST_F(GridPage, RotatedCaptionsLieInTheBandAboveTheBoxesAndRowCaptionsLeftOfThem) {
    // The columns turned 45 degrees above the boxes, the rows level at the left.
    grid = std::make_unique<CBoxArray>();
    grid->SetFont({"DejaVu Sans", 10.0, true});
    grid->SetColTextOrientation(45);
    grid->SetUniqueness(2);
    grid->SetBoxXSpacing(450);
    grid->SetBoxYSpacing(320);
    grid->SetColSet(Captions({"Very low", "Low", "Medium", "High", "Very high"}));
    grid->SetRowSet(Captions({"p1:", "p2:", "I1:", "I5: 0.000E-00", "F1:"}));
    grid->SetBackColor(0xFFFFFF);
    grid->SetForeColor(0);
    grid->SetWidth(6000);
    grid->SetHeight(4500);
    grid->SetContainer(page);
    grid->SetAllowEdit(true);
    Watch(*grid);
    QApplication::processEvents();
    QtPictureBox* s = grid->Container();
    const QImage img = s->Image();
    // Box positions in the drawing's pixels (the drawing is the inside of the border).
    const QPoint in = s->contentsRect().topLeft();
    const int boxLeft = At(0, 0)->x() - in.x();
    const int boxTop = At(0, 0)->y() - in.y();
    const int lastRight = At(0, 4)->geometry().right() - in.x();
    const int lastBottom = At(4, 0)->geometry().bottom() - in.y();

    // Column captions: ink above the first box row, over the columns, none left of the
    // first caption's start.
    EXPECT_TRUE(HasInk(img, QRect(boxLeft, 0, lastRight - boxLeft + 40, boxTop)));
    EXPECT_FALSE(HasInk(img, QRect(0, 0, boxLeft - 8, boxTop - 20)));
    // Turned, so the band is taller than one line of text.
    int topInk = boxTop;
    for (int y = 0; y < boxTop && topInk == boxTop; ++y)
        if (HasInk(img, QRect(boxLeft - 8, y, img.width(), 1))) topInk = y;
    EXPECT_GT(boxTop - topInk, 40);
    // The turned captions end a little above the boxes.
    EXPECT_FALSE(HasInk(img, QRect(boxLeft, boxTop - 2, img.width(), 2)));
    // Row captions: left of the boxes, from the first row down to the last.
    EXPECT_TRUE(HasInk(img, QRect(0, boxTop, boxLeft - 1, 15)));
    EXPECT_TRUE(HasInk(img, QRect(0, At(4, 0)->y() - in.y(), boxLeft - 1, 15)));
    EXPECT_FALSE(HasInk(img, QRect(0, lastBottom + 20, img.width(), img.height())));
    // The widest row caption ends left of the boxes.
    EXPECT_FALSE(HasInk(img, QRect(boxLeft - 20, boxTop, 20, lastBottom - boxTop)));

    // The grid as a reviewer sees it, boxes and all, with a click made on it.
    Click(3, 2);
    EXPECT_EQ(At(3, 2)->Value(), 1);
    const QString path = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("boxarray_grid.png");
    ASSERT_TRUE(s->grab().save(path));
}

TEST_F(GridPage, CaptionsAreDrawnToScaleWhileThePageIsHidden) {
    // The page builds its grid while hidden and shows it afterwards.
    page->SetVisible(false);
    CBoxArray& g = Build(3, 4, 2);
    QtPictureBox* s = g.Container();
    const QImage hidden = s->Image();
    EXPECT_EQ(hidden.size(), s->contentsRect().size());
    EXPECT_TRUE(HasInk(hidden, hidden.rect()));
    page->SetVisible(true);
    QApplication::processEvents();
    EXPECT_EQ(s->Image(), hidden);  // showing changes nothing
}

TEST_F(GridPage, CaptionsRecountedAfterBuildingLeaveTheBoxesAsBuilt) {
    CBoxArray& g = Build(2, 3, 2);
    g.SetColSet(Numbered("Level ", 5));  // the owner's duty is to build anew instead
    EXPECT_EQ(g.Cols(), 3);
    EXPECT_EQ(g.CheckArray().ubound(2), 4);
    Click(1, 2);
    const Variant a = g.CheckArray();
    EXPECT_TRUE(On(a, 1, 2));
    EXPECT_FALSE(On(a, 1, 4));
    Variant b = g.CheckArray();
    b(0, 4) = Variant(true);
    g.SetCheckArray(b);  // no box (0, 4): stored only
    EXPECT_TRUE(On(g.CheckArray(), 0, 4));
}

TEST_F(GridPage, RemovalTakesTheControlsAwayAndNothingIsBuiltAgain) {
    CBoxArray& g = Build(3, 4, 2);
    CBoxArray other;
    other.SetColTextOrientation(0);
    other.SetUniqueness(2);
    other.SetAllowEdit(true);
    other.SetContainer(page);
    const QPointer<CheckBox> box = At(1, 1);
    const QPointer<QtPictureBox> surface = g.Container();
    Click(1, 1);
    g.SetContainer(nullptr);
    EXPECT_EQ(g.Container(), nullptr);
    EXPECT_EQ(form.Find("chkArray1"), nullptr);
    EXPECT_EQ(form.Find("chkArray1_1_1"), nullptr);
    EXPECT_EQ(form.Find("chkArray1_2_3"), nullptr);
    EXPECT_EQ(g.Cols(), 4);
    const auto boxes = g.CheckBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& row : boxes)
        for (CheckBox* b : row) EXPECT_EQ(b, nullptr);
    // The states remain.
    EXPECT_TRUE(On(g.CheckArray(), 1, 1));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull());
    EXPECT_TRUE(surface.isNull());

    // Assigning a container again builds nothing; removing again is harmless.
    g.SetContainer(page);
    EXPECT_EQ(g.Container(), nullptr);
    EXPECT_EQ(form.Find("chkArray1"), nullptr);
    g.SetContainer(nullptr);
    g.Clear();
    EXPECT_FALSE(On(g.CheckArray(), 1, 1));

    // The other grid still works.
    ASSERT_NE(form.Find("chkArray2_0_0"), nullptr);
    seen.clear();
    CheckBox* mine = other.CheckBoxes()[0][2];
    int reports = 0;
    QObject::connect(&other, &CBoxArray::Validate, [&](std::int16_t, std::int16_t, const Variant&) { ++reports; });
    QTest::mouseClick(mine, Qt::LeftButton, {}, OnBox(mine));
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(mine->Value(), 1);
}

TEST_F(GridPage, AGridOfAnotherShapeIsBuiltAfreshUnderTheFreedName) {
    Build(13, 4, 2);
    Click(4, 3);
    // The owner's way to change the number of levels: remove, release, build anew.
    grid->SetContainer(nullptr);
    grid.reset();
    seen.clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    CBoxArray& g = Build(13, 5, 2);
    EXPECT_EQ(g.Container()->Name(), "chkArray1");
    EXPECT_EQ(g.Cols(), 5);
    EXPECT_EQ(g.CheckArray().ubound(1), 12);
    EXPECT_EQ(g.CheckArray().ubound(2), 4);
    EXPECT_NE(form.Find("chkArray1_12_4"), nullptr);
    EXPECT_EQ(Checked(), 0);
    Click(4, 4);
    Click(4, 1);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].row, 4);
    EXPECT_EQ(seen[1].col, 1);
    EXPECT_EQ(Checked(), 1);
    EXPECT_TRUE(On(g.CheckArray(), 4, 1));
}

TEST_F(GridPage, EndingABuiltGridRemovesItsControls) {
    Build(2, 2, 2);
    grid.reset();
    EXPECT_EQ(form.Find("chkArray1"), nullptr);
    EXPECT_EQ(form.Find("chkArray1_0_0"), nullptr);
}

TEST(BoxArrayHost, AGridOutlivingItsFormEndsQuietly) {
    auto form = std::make_unique<Form>();
    CBoxArray g;
    g.SetColTextOrientation(0);
    g.SetContainer(form.get());
    ASSERT_NE(g.Container(), nullptr);
    EXPECT_EQ(g.Container()->Container(), form.get());
    form.reset();
    EXPECT_EQ(g.Container(), nullptr);
    g.SetContainer(nullptr);
    EXPECT_EQ(g.Cols(), 3);
}

}  // namespace
}  // namespace nuvir
