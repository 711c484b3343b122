// The check-box grid on a real form, offscreen: building and naming the run-time
// controls, the uniqueness rules driven by mouse clicks and Space, Validate seen before
// the toggle, the check states, sizing, captions and removal; and its caption layer.
#include <QDir>
#include <QKeyEvent>

#include <cmath>

#include "controls/boxarray.h"
#include "controls/boxarray_captions.h"
#include "controls_fixture.h"
#include "platform/qtpicturebox.h"

namespace nuvir {
namespace {

using MBoxArray::DrawRotatedText;
using MBoxArray::MakeCaptionFont;
using MBoxArray::MeasureCaptions;
using Values = std::vector<std::vector<int>>;

const BoxArrayFont kPlain{"DejaVu Sans", 10.0, false};

Variant Captions(const std::vector<std::string>& texts) { return Variant::List(std::vector<Variant>(texts.begin(), texts.end())); }
Variant Numbered(const std::string& stem, int n) {
    std::vector<std::string> t;
    for (int i = 0; i < n; ++i) t.push_back(stem + CStr(Variant(i)));
    return Captions(t);
}
bool On(const Variant& states, int i, int j) { return states(i, j).rawBool(); }

// The bounding box of the pixels in the area that differ from the image's corner.
QRect Ink(const QImage& img, QRect area = {}) {
    if (area.isNull()) area = img.rect();
    const QRgb back = img.pixel(0, 0) | 0xFF000000u;
    QRect box;
    for (int y = std::max(0, area.top()); y <= std::min(img.height() - 1, area.bottom()); ++y)
        for (int x = std::max(0, area.left()); x <= std::min(img.width() - 1, area.right()); ++x)
            if ((img.pixel(x, y) | 0xFF000000u) != back) box = box.united(QRect(x, y, 1, 1));
    return box;
}

// A shown form holding a picture box that the grid is built in, as the page does; each
// Validate is recorded with every box's value at that moment.
struct GridPage : ::testing::Test {
    struct Seen {
        int row, col, value;
        Values boxes;
    };
    Form form;
    QtPictureBox* page = form.Add<QtPictureBox>("picPage");
    std::unique_ptr<CBoxArray> grid;
    std::vector<Seen> seen;

    void SetUp() override {
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
        grid->SetContainer(page);
        grid->SetTop(0);
        grid->SetHeight(5500);
        grid->SetLeft(100);
        grid->SetWidth(8000);
        grid->SetAllowEdit(true);
        QObject::connect(grid.get(), &CBoxArray::Validate, [this](std::int16_t r, std::int16_t c, const Variant& v) {
            seen.push_back({r, c, CInt(v), Boxes()});
        });
        QApplication::processEvents();
        return *grid;
    }
    Values Boxes() const {
        Values out;
        for (const auto& row : grid->CheckBoxes()) {
            out.emplace_back();
            for (CheckBox* b : row) out.back().push_back(b != nullptr ? b->Value() : -1);
        }
        return out;
    }
    CheckBox* At(int r, int c) const { return grid->CheckBoxes()[r][c]; }
    static QPoint OnBox(CheckBox* b) { return QPoint(6, b->height() / 2); }  // on the indicator
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
        for (const auto& row : Boxes()) n += static_cast<int>(std::count(row.begin(), row.end(), 1));
        return n;
    }
};

// ---- configuration and building ----------------------------------------------------------

TEST(BoxArrayConfigured, StatesFollowTheCaptionsBeforeBuilding) {
    CBoxArray g;
    Variant a = g.CheckArray();  // two by three False states at first
    ASSERT_EQ(a.ubound(1) * 10 + a.ubound(2), 12);
    EXPECT_EQ(a(1, 2).get().type(), VarType::Boolean);
    EXPECT_EQ(CStr(g.RowSet()(1)) + "|" + CStr(g.ColSet()(2)), "Row 1|Column 2");
    g.SetContainer(nullptr);  // removing what was never built does nothing
    EXPECT_EQ(g.Cols(), -1);
    g.SetColSet(Numbered("c", 4));
    g.SetRowSet(Numbered("r", 13));
    EXPECT_EQ(g.CheckArray().ubound(1) * 10 + g.CheckArray().ubound(2), 123);
    a = g.CheckArray();
    a(3, 2) = Variant(true);
    g.SetCheckArray(a);
    g.SetRowSet(Numbered("row ", 13));  // a later row set only replaces the texts
    EXPECT_EQ(CStr(g.RowSet()(0)), "row 0");
    EXPECT_TRUE(On(g.CheckArray(), 3, 2));
    g.Clear();
    EXPECT_FALSE(On(g.CheckArray(), 3, 2));
    a = g.CheckArray();
    a(0, 0) = Variant(true);
    g.SetCheckArray(a);
    g.SetColSet(Numbered("c", 5));  // column captions always reshape and clear
    EXPECT_EQ(g.CheckArray().ubound(2), 4);
    EXPECT_FALSE(On(g.CheckArray(), 0, 0));
}

TEST_F(GridPage, BuildingNamesTheSurfaceAndEveryBoxAfterTheGridsNumber) {
    CBoxArray& g = Build(13, 4, 2);
    QtPictureBox* s = g.Container();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(form.Find("chkArray1"), s);
    EXPECT_EQ(s->Container(), page);
    EXPECT_EQ(g.Cols(), 4);
    ASSERT_EQ(g.CheckBoxes().size(), 13u);
    for (int i = 0; i < 13; ++i)
        for (int j = 0; j < 4; ++j) {
            CheckBox* b = g.CheckBoxes()[i][j];
            EXPECT_EQ(form.Find("chkArray1_" + CStr(Variant(i)) + "_" + CStr(Variant(j))), b);
            EXPECT_TRUE(b->Container() == s && b->Caption().empty() && b->isVisible());
        }
    EXPECT_EQ(form.Find("chkArray1_13_0"), nullptr);
    // The surface takes the grid's place, colours and enabling.
    EXPECT_EQ((std::vector<double>{s->Left(), s->Top(), s->Width(), s->Height()}), (std::vector<double>{100, 0, 8000, 5500}));
    EXPECT_TRUE(s->AutoRedraw());
    EXPECT_EQ(At(1, 2)->BackColor(), 0xFFFFFF);
    g.SetAllowEdit(false);
    EXPECT_FALSE(s->isEnabled() || At(0, 0)->isEnabled());
    g.SetAllowEdit(true);
    EXPECT_TRUE(At(0, 0)->isEnabled());
    // A second grid on the same form takes the next number, with default tab order
    // after everything created before it.
    CBoxArray second;
    second.SetColTextOrientation(0);
    second.SetContainer(page);
    EXPECT_EQ(second.Container()->Name(), "chkArray2");
    const auto boxes = second.CheckBoxes();
    EXPECT_EQ(boxes[0][0]->TabIndex(), static_cast<int>(form.Controls().size()) - 6);
    EXPECT_EQ(boxes[1][2]->TabIndex(), boxes[0][0]->TabIndex() + 5);
}

TEST_F(GridPage, TabIndicesFollowTheFirstRowByRow) {
    for (int k = 0; k < 12; ++k) form.Add<TextBox>("txtOther" + CStr(Variant(k)));
    grid = std::make_unique<CBoxArray>();
    grid->SetColTextOrientation(0);
    grid->SetTabIndex(10);
    grid->SetContainer(page);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(At(i, j)->TabIndex(), 10 + 3 * i + j);
}

// ---- the rules, by mouse and Space -----------------------------------------------------------

TEST_F(GridPage, RuleTwoKeepsOneCheckPerRowThatAClickCannotClear) {
    CBoxArray& g = Build(3, 4, 2);
    Click(0, 1);
    Click(0, 3);
    Click(0, 3);  // the checked box stays checked and still reports 0
    Click(2, 0);  // other rows are free of each other
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].row * 10 + seen[0].col, 1);
    EXPECT_EQ(seen[0].boxes[0][1], 0);  // the handler runs before the toggle
    EXPECT_EQ(seen[1].boxes[0][1] + seen[1].boxes[0][3], 0);  // the rule has cleared the other one already
    for (const Seen& s : seen) EXPECT_EQ(s.value, 0);
    EXPECT_EQ(Boxes(), (Values{{0, 0, 0, 1}, {0, 0, 0, 0}, {1, 0, 0, 0}}));
    EXPECT_TRUE(g.IsDirty() && g.IsData());
    const Variant a = g.CheckArray();
    EXPECT_TRUE(On(a, 0, 3) && On(a, 2, 0) && !On(a, 0, 1));
}

TEST_F(GridPage, SpaceRunsTheSameLogicOncePerToggleEvenWhenHeld) {
    CBoxArray& g = Build(3, 4, 2);
    Space(1, 0);
    Space(1, 2);
    Space(1, 2);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].row * 10 + seen[0].col + seen[0].boxes[1][0], 10);
    EXPECT_EQ(Boxes()[1], (std::vector<int>{0, 0, 1, 0}));
    EXPECT_TRUE(On(g.CheckArray(), 1, 2));
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

TEST_F(GridPage, RulesOneThreeAndZero) {
    // One: at most one check per column, which a click can clear.
    CBoxArray* g = &Build(3, 3, 1);
    Click(0, 1);
    Click(2, 1);
    Click(2, 2);
    EXPECT_EQ(seen.back().boxes[0][1], 0);
    EXPECT_EQ(Boxes(), (Values{{0, 0, 0}, {0, 0, 0}, {0, 1, 1}}));
    Click(2, 2);
    Click(2, 1);
    EXPECT_EQ(seen.back().value, 1);
    EXPECT_EQ(Checked(), 0);
    EXPECT_FALSE(g->IsData());
    // Three: one check in the whole grid.
    g = &Build(3, 3, 3);
    Click(0, 0);
    Click(2, 2);
    Space(1, 1);
    EXPECT_EQ(Boxes(), (Values{{0, 0, 0}, {0, 1, 0}, {0, 0, 0}}));
    Click(1, 1);
    EXPECT_FALSE(g->IsData());
    // Zero: the checks are free.
    g = &Build(2, 3, 0);
    Click(0, 0);
    Click(0, 1);
    Click(1, 1);
    Click(0, 0);
    EXPECT_EQ(seen.back().value, 1);
    EXPECT_EQ(Boxes(), (Values{{0, 1, 0}, {0, 1, 0}}));
    EXPECT_TRUE(g->IsData());
}

TEST_F(GridPage, InputThatIsNoClickChangesNothing) {
    CBoxArray& g = Build(2, 4, 2);
    Click(0, 2);
    seen.clear();
    g.SetIsDirty(false);
    CheckBox* b = At(0, 2);
    const QPoint off(b->width() + 40, b->height() + 40);
    QTest::mousePress(b, Qt::LeftButton, {}, OnBox(b));  // dragged off the box
    QTest::mouseMove(b, off);
    QTest::mouseRelease(b, Qt::LeftButton, {}, off);
    QTest::mousePress(At(1, 0), Qt::LeftButton, {}, OnBox(At(1, 0)));  // released on another box
    QTest::mouseRelease(At(1, 1), Qt::LeftButton, {}, OnBox(At(1, 1)));
    QTest::mouseClick(At(1, 1), Qt::RightButton, {}, OnBox(At(1, 1)));
    QTest::mousePress(At(1, 1), Qt::LeftButton, {}, OnBox(At(1, 1)));  // pressed, not yet released
    QApplication::processEvents();
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(Boxes(), (Values{{0, 0, 1, 0}, {0, 0, 0, 0}}));
    EXPECT_FALSE(g.IsDirty());
    QTest::mouseRelease(At(1, 1), Qt::LeftButton, {}, OnBox(At(1, 1)));
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_TRUE(On(g.CheckArray(), 1, 1));
    // Without AllowEdit the boxes take no clicks; a call still applies the rule and
    // IsData but reports nothing, so the stored states stay the last ones read.
    seen.clear();
    g.SetIsDirty(false);
    g.SetAllowEdit(false);
    Click(0, 0);
    Space(0, 1);
    g.CheckClick(At(1, 3));
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(g.IsDirty());
    EXPECT_EQ(At(1, 1)->Value(), 0);  // the rule ran
    EXPECT_TRUE(g.IsData());
    EXPECT_TRUE(On(g.CheckArray(), 1, 1));
    // A box of another grid is refused before anything changes.
    CBoxArray other;
    other.SetColTextOrientation(0);
    other.SetContainer(page);
    EXPECT_EQ(test::ErrorNumber([&] { g.CheckClick(other.CheckBoxes()[0][1]); }), err::InvalidCall);
    EXPECT_EQ(At(0, 2)->Value(), 1);
}

// ---- states set by code ------------------------------------------------------------------------

TEST_F(GridPage, StatesSetInCodeShowWithoutRunningTheClickLogic) {
    CBoxArray& g = Build(3, 4, 2);
    Variant a = g.CheckArray();
    a(0, 1) = Variant(true);
    a(0, 2) = Variant(true);  // two in a row: code is not held to the rule
    a(2, 3) = Variant(1);
    g.SetCheckArray(a);
    At(1, 1)->SetValue(1);  // a box set directly by code runs nothing either
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(g.IsDirty());
    EXPECT_TRUE(g.IsData());
    EXPECT_EQ(Boxes(), (Values{{0, 1, 1, 0}, {0, 1, 0, 0}, {0, 0, 0, 1}}));
    g.Clear();
    EXPECT_EQ(Checked(), 0);
    EXPECT_FALSE(g.IsData());
    Variant b = Variant::MakeArray(VarType::Generic, {Bounds{0, 2}, Bounds{0, 3}});
    b(0, 0) = Variant(Null);  // Null and zero count as unchecked
    b(1, 1) = Variant(0.0);
    b(2, 2) = Variant(-0.5);
    g.SetCheckArray(b);
    EXPECT_EQ(Boxes(), (Values{{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 1, 0}}));
    // States of another shape are ignored.
    Variant shifted = Variant::MakeArray(VarType::Boolean, {Bounds{1, 3}, Bounds{1, 4}});
    shifted(1, 1) = Variant(true);
    for (const Variant& v : {shifted, Variant::MakeArray(VarType::Boolean, {Bounds{0, 1}, Bounds{0, 3}}),
                             Variant::MakeArray(VarType::Boolean, {Bounds{0, 5}}), Variant(true), Variant::Unallocated(VarType::Boolean)})
        g.SetCheckArray(v);
    EXPECT_EQ(g.CheckArray().ubound(1) * 10 + g.CheckArray().ubound(2), 23);
    EXPECT_EQ(Checked(), 1);
}

TEST_F(GridPage, ReadingAfterAClickGivesThePostToggleStatesAndOtherwiseTheStoredOnes) {
    CBoxArray& g = Build(2, 3, 2);
    Click(1, 1);
    Click(1, 2);
    EXPECT_TRUE(!On(g.CheckArray(), 1, 1) && On(g.CheckArray(), 1, 2));
    At(0, 0)->SetValue(1);
    EXPECT_FALSE(On(g.CheckArray(), 0, 0));  // without a click since that read, the boxes are not read again
    Click(1, 0);
    const Variant a = g.CheckArray();  // the next click reads them all
    EXPECT_TRUE(On(a, 0, 0) && On(a, 1, 0) && !On(a, 1, 2));
    // Rows hide and show one at a time; others are ignored.
    g.SetRowVisibility(1, false);
    g.SetRowVisibility(3, false);
    g.SetRowVisibility(-1, false);
    EXPECT_TRUE(!At(1, 0)->isVisible() && !At(1, 1)->isVisible() && At(0, 0)->isVisible());
    g.SetRowVisibility(1, true);
    EXPECT_TRUE(At(1, 1)->isVisible());
    CBoxArray().SetRowVisibility(0, false);  // no boxes: nothing happens
}

TEST_F(GridPage, StatesStoredBeforeBuildingShowOnceBuilt) {
    grid = std::make_unique<CBoxArray>();
    grid->SetColTextOrientation(0);
    grid->SetColSet(Numbered("L", 4));
    grid->SetRowSet(Numbered("Q", 3));
    Variant a = grid->CheckArray();
    a(2, 3) = Variant(true);
    grid->SetCheckArray(a);
    EXPECT_FALSE(grid->IsData());  // nothing shown yet
    grid->SetContainer(page);
    EXPECT_EQ(Checked(), 1);
    EXPECT_EQ(At(2, 3)->Value(), 1);
    EXPECT_TRUE(grid->IsData());
    // Captions recounted after building leave the boxes as built; states without a box are stored only.
    grid->SetColSet(Numbered("Level ", 5));
    EXPECT_EQ(grid->Cols(), 4);
    a = grid->CheckArray();
    a(0, 4) = Variant(true);
    grid->SetCheckArray(a);
    EXPECT_TRUE(On(grid->CheckArray(), 0, 4));
}

// ---- size, captions and removal ------------------------------------------------------------------

TEST_F(GridPage, ANewSizeOrRowSetRedrawsTheCaptionsOnly) {
    CBoxArray& g = Build(2, 3, 2);
    QtPictureBox* s = g.Container();
    auto mark = [&] { s->Line(6000, 4000, 6050, 4050, 0x0000FF, LineShape::FilledBox); };
    auto marked = [&] { return (s->Point(6020, 4020) & 0xFFFFFF) == 0x0000FF; };
    mark();
    g.SetWidth(8000);
    g.SetHeight(5500);
    EXPECT_TRUE(marked()) << "the same size does not redraw";
    g.SetWidth(8400);
    EXPECT_FALSE(marked());
    EXPECT_FALSE(Ink(s->Image()).isNull());  // the captions are back
    mark();
    const double top = At(1, 1)->Top();
    g.SetHeight(5000);
    EXPECT_FALSE(marked());
    EXPECT_EQ(At(1, 1)->Top(), top) << "the boxes stay where they were";
    Click(1, 1);
    const QImage before = s->Image();
    CheckBox* box = At(1, 1);
    g.SetRowSet(Captions({"First row:", "Second row, much longer:"}));
    EXPECT_NE(s->Image(), before);
    EXPECT_EQ(At(1, 1), box);
    EXPECT_TRUE(box->Value() == 1 && On(g.CheckArray(), 1, 1));
}

TEST_F(GridPage, CaptionsLieAboveAndLeftOfTheBoxesEvenWhileThePageIsHidden) {
    page->SetVisible(false);  // the page builds its grid while hidden and shows it afterwards
    grid = std::make_unique<CBoxArray>();
    grid->SetFont({"DejaVu Sans", 10.0, true});
    grid->SetColTextOrientation(45);
    grid->SetUniqueness(2);
    grid->SetBoxXSpacing(450);
    grid->SetBoxYSpacing(320);
    grid->SetColSet(Captions({"Very low", "Low", "Medium", "High", "Very high"}));
    grid->SetRowSet(Captions({"p1:", "p2:", "I1:", "I5: 0.000E-00", "F1:"}));
    grid->SetWidth(6000);
    grid->SetHeight(4500);
    grid->SetContainer(page);
    grid->SetAllowEdit(true);
    QtPictureBox* s = grid->Container();
    const QImage img = s->Image();
    EXPECT_EQ(img.size(), s->contentsRect().size());
    page->SetVisible(true);
    QApplication::processEvents();
    EXPECT_EQ(s->Image(), img) << "showing changes nothing";
    const QPoint in = s->contentsRect().topLeft();  // the drawing is the inside of the border
    const int boxLeft = At(0, 0)->x() - in.x(), boxTop = At(0, 0)->y() - in.y();
    const int lastRight = At(0, 4)->geometry().right() - in.x(), lastBottom = At(4, 0)->geometry().bottom() - in.y();
    // Turned column captions in a band over the columns, taller than a line, ending a
    // little above the boxes; none left of the first caption's start.
    const QRect columnInk = Ink(img, QRect(boxLeft - 8, 0, img.width(), boxTop));
    EXPECT_FALSE(columnInk.isNull());
    EXPECT_GT(boxTop - columnInk.top(), 40);
    EXPECT_LT(columnInk.bottom(), boxTop - 2);
    EXPECT_LT(columnInk.left(), lastRight);
    EXPECT_TRUE(Ink(img, QRect(0, 0, boxLeft - 8, boxTop - 20)).isNull());
    // Row captions left of the boxes, from the first row to the last, ending before them.
    const QRect rowInk = Ink(img, QRect(0, boxTop, boxLeft - 1, lastBottom - boxTop));
    EXPECT_LT(rowInk.top(), boxTop + 15);
    EXPECT_GT(rowInk.bottom(), At(4, 0)->y() - in.y());
    EXPECT_LT(rowInk.right(), boxLeft - 20);
    EXPECT_TRUE(Ink(img, QRect(0, lastBottom + 20, img.width(), img.height())).isNull());
    // The grid as a reviewer sees it, boxes and all, with a click made on it.
    Click(3, 2);
    EXPECT_EQ(At(3, 2)->Value(), 1);
    ASSERT_TRUE(s->grab().save(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("boxarray_grid.png")));
}

TEST_F(GridPage, RemovalTakesTheControlsAwayAndAFreshGridTakesTheFreedName) {
    CBoxArray& g = Build(3, 4, 2);
    CBoxArray other;
    other.SetColTextOrientation(0);
    other.SetAllowEdit(true);
    other.SetContainer(page);
    const QPointer<CheckBox> box = At(1, 1);
    const QPointer<QtPictureBox> surface = g.Container();
    Click(1, 1);
    g.SetContainer(nullptr);
    EXPECT_EQ(g.Container(), nullptr);
    EXPECT_EQ(form.Find("chkArray1"), nullptr);
    EXPECT_EQ(form.Find("chkArray1_2_3"), nullptr);
    for (const auto& row : g.CheckBoxes()) EXPECT_EQ(row, std::vector<CheckBox*>(4, nullptr));
    EXPECT_TRUE(On(g.CheckArray(), 1, 1)) << "the states remain";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull() && surface.isNull());
    g.SetContainer(page);  // assigning a container again builds nothing; removing again is harmless
    EXPECT_EQ(g.Container(), nullptr);
    g.SetContainer(nullptr);
    // The other grid still works.
    seen.clear();
    int reports = 0;
    QObject::connect(&other, &CBoxArray::Validate, [&](std::int16_t, std::int16_t, const Variant&) { ++reports; });
    QTest::mouseClick(other.CheckBoxes()[0][2], Qt::LeftButton, {}, OnBox(other.CheckBoxes()[0][2]));
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(seen.empty());
    // The owner's way to change the number of levels: remove, release, build anew.
    grid.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    CBoxArray& fresh = Build(13, 5, 2);
    EXPECT_EQ(fresh.Container()->Name(), "chkArray1");
    EXPECT_EQ(fresh.CheckArray().ubound(1) * 10 + fresh.CheckArray().ubound(2), 124);
    EXPECT_NE(form.Find("chkArray1_12_4"), nullptr);
    Click(4, 4);
    Click(4, 1);
    EXPECT_EQ(seen.back().row * 10 + seen.back().col, 41);
    EXPECT_EQ(Checked(), 1);
    grid.reset();  // ending a built grid removes its controls
    EXPECT_EQ(form.Find("chkArray1_0_0"), nullptr);
}

TEST(BoxArrayHost, AGridOutlivingItsFormEndsQuietly) {
    auto form = std::make_unique<Form>();
    CBoxArray g;
    g.SetColTextOrientation(0);
    g.SetContainer(form.get());
    ASSERT_NE(g.Container(), nullptr);
    form.reset();
    EXPECT_EQ(g.Container(), nullptr);
    g.SetContainer(nullptr);
    EXPECT_EQ(g.Cols(), 3);
}

// ---- the caption layer ---------------------------------------------------------------------------

// A white offscreen surface with black text; sizes in twips at 15 twips a pixel.
struct Surface {
    ImagePictureBox pic;
    Surface(int w, int h) : pic(w, h) {
        pic.SetBackColor(0xFFFFFF);
        pic.SetForeColor(0);
        pic.Cls();
    }
    double W() const { return pic.ClientWidthPx() * 15.0; }
    double H() const { return pic.ClientHeightPx() * 15.0; }
    auto Draw(const std::string& text, double x, double y, double angle, bool measureOnly = false,
                                    const BoxArrayFont& font = kPlain) {
        return DrawRotatedText(pic, W(), H(), font, text, x, y, angle, measureOnly);
    }
};

TEST(CaptionLayer, FontsFromASizeAndAnAngle) {
    const auto f10 = MakeCaptionFont({"DejaVu Sans", 10.0, false}, 0.0);
    const auto f12 = MakeCaptionFont({"DejaVu Sans", 12.0, true}, 45.0);
    const auto f825 = MakeCaptionFont({"DejaVu Sans", 8.25, false}, 89.99);
    ASSERT_TRUE(f10 && f12 && f825);
    EXPECT_EQ((std::vector<int>{f10->CellHeightPx, f12->CellHeightPx, f825->CellHeightPx}), (std::vector<int>{15, 18, 12}));
    EXPECT_EQ((std::vector<int>{f10->Escapement, f12->Escapement, f825->Escapement}), (std::vector<int>{0, 450, 899}));  // tenths, down
    EXPECT_EQ(f12->Weight * 1000 + f10->Weight, 600400);  // the normal weight, not a thin face
    EXPECT_TRUE(f12->Font.bold());
    Surface s(100, 50);
    // A size too small for a pixel makes no font and draws or measures nothing.
    EXPECT_FALSE(MakeCaptionFont({"DejaVu Sans", 0.0, false}, 0.0));
    EXPECT_FALSE(s.Draw("Text", 0, 0, 0, false, {"DejaVu Sans", 0.0, false}));
    EXPECT_TRUE(Ink(s.pic.Image()).isNull());
    EXPECT_EQ(MeasureCaptions(s.pic, s.W(), s.H(), {"DejaVu Sans", 0.0, false}, Captions({"A", "BB"}), 0.0).Width, 0.0);
    // A face name of any length is accepted.
    EXPECT_GT(s.Draw("Text", 0, 0, 0, false, {"A face name far longer than thirty-one bytes", 10.0, false})->Width, 0.0);
}

TEST(CaptionLayer, LinesMeasureTheWiderWidthAndTheSumOfHeights) {
    Surface s(300, 100);
    const QFont font = MakeCaptionFont(kPlain, 0.0)->Font;
    const double w1 = s.pic.MeasureTextPx("Certainty", font).width();
    const auto e = s.Draw("Certainty\r\nHigh", 0, 0, 0, true);
    EXPECT_NEAR(e->Width, w1 * 15.0, 7.5);  // whole pixels
    EXPECT_NEAR(e->Height, 2 * 15 * 15.0, 1e-9);
    EXPECT_TRUE(Ink(s.pic.Image()).isNull()) << "measuring draws nothing";
    EXPECT_NEAR(s.Draw("Certainty\nHigh", 0, 0, 0, true)->Height, 15 * 15.0, 1e-9) << "a lone LF does not break";
    EXPECT_EQ(s.Draw("", 0, 0, 0, true)->Width, 0.0);
    // Width and height of a set may come from different captions; no list gives nothing.
    const TextExtents set = MeasureCaptions(s.pic, s.W(), s.H(), kPlain, Captions({"Much wider caption", "a\r\nb\r\nc", "mid"}), 0.0);
    EXPECT_DOUBLE_EQ(set.Width, s.Draw("Much wider caption", 0, 0, 0, true)->Width);
    EXPECT_DOUBLE_EQ(set.Height, s.Draw("a\r\nb\r\nc", 0, 0, 0, true)->Height);
    EXPECT_EQ(MeasureCaptions(s.pic, s.W(), s.H(), kPlain, Variant::List({}), 0.0).Height, 0.0);
    EXPECT_EQ(MeasureCaptions(s.pic, s.W(), s.H(), kPlain, Variant("Solo"), 0.0).Width, 0.0);
    // A surface without a size measures at the screen's factor.
    EXPECT_NEAR(DrawRotatedText(s.pic, 0, 0, kPlain, "Wide", 0, 0, 0, true)->Height, 15 * 15.0, 1e-9);
}

TEST(CaptionLayer, TurnedCounterClockwiseFromTheReferencePoint) {
    // At 90 degrees the line goes up from the point, its cell to the right; at 45 it climbs right.
    Surface up(200, 200), slant(200, 200), flat(200, 200);
    for (auto [surface, angle] : {std::pair{&up, 90}, std::pair{&slant, 45}, std::pair{&flat, 0}}) surface->Draw("Certainty", 1500, 2250, angle);
    const QRect u = Ink(up.pic.Image()), d = Ink(slant.pic.Image()), w = Ink(flat.pic.Image());
    EXPECT_TRUE(w.left() >= 100 && w.top() >= 150 && w.top() < 165);  // the first line's corner is the point
    EXPECT_TRUE(u.bottom() <= 150 && u.left() >= 100 && u.right() <= 115);
    EXPECT_NEAR(u.height(), w.width(), 2);
    EXPECT_TRUE(d.top() < 150 - w.width() / 2 && d.right() > 100 + w.width() / 2);
}

}  // namespace
}  // namespace nuvir
