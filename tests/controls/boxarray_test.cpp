// The check-box grid on a real form, offscreen: the uniqueness rules driven by mouse
// clicks and Space with Validate seen before the toggle, the check states, building,
// naming and removing the run-time controls, the captions; and its caption layer.
#include <QDir>
#include <QKeyEvent>

#include "controls/boxarray.h"
#include "controls/boxarray_captions.h"
#include "controls_fixture.h"
#include "platform/qtpicturebox.h"

namespace nuvir {
namespace {

using test::Ink;

using Values = std::vector<std::vector<int>>;

Variant Captions(const std::vector<std::string>& texts) {
    return Variant::List(std::vector<Variant>(texts.begin(), texts.end()));
}
Variant Numbered(const std::string& stem, int n) {
    std::vector<std::string> t;
    for (int i = 0; i < n; ++i) t.push_back(stem + CStr(Variant(i)));
    return Captions(t);
}
// Boolean states as 0 and 1, row by row.
Values States(const Variant& a) {
    Values out(static_cast<std::size_t>(a.ubound(1) + 1));
    for (int i = 0; i <= a.ubound(1); ++i)
        for (int j = 0; j <= a.ubound(2); ++j) out[static_cast<std::size_t>(i)].push_back(a(i, j).rawBool() ? 1 : 0);
    return out;
}

// A shown form holding a picture box that the grid is built in, as the page does; each
// Validate logs its value and how many boxes were checked at that moment.
struct GridPage : ::testing::Test {
    Form form;
    QtPictureBox* page = form.Add<QtPictureBox>("picPage");
    std::unique_ptr<CBoxArray> grid;
    std::string log;

    void SetUp() override {
        page->Move(0, 0, 9000, 6000);
        form.resize(630, 460);
        form.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    CBoxArray& Build(int rows, int cols, int rule) {
        grid = std::make_unique<CBoxArray>();
        grid->SetUniqueness(rule);
        grid->SetColSet(Numbered("Level ", cols));
        grid->SetRowSet(Numbered("Quantity ", rows));
        grid->SetContainer(page);
        grid->SetAllowEdit(true);
        log.clear();
        QObject::connect(grid.get(), &CBoxArray::Validate, [this](std::int16_t, std::int16_t, const Variant& v) {
            log += CStr(v) + "@" + CStr(Variant(Checked())) + " ";
        });
        return *grid;
    }
    Values Boxes() const {
        Values out;
        for (const auto& row : grid->CheckBoxes()) {
            out.emplace_back();
            for (CheckBox* b : row) out.back().push_back(b->Value());
        }
        return out;
    }
    int Checked() const {
        int n = 0;
        for (const auto& row : Boxes()) n += static_cast<int>(std::count(row.begin(), row.end(), 1));
        return n;
    }
    CheckBox* At(int r, int c) const { return grid->CheckBoxes()[r][c]; }
    void Click(int r, int c, bool space = false) {
        space ? QTest::keyClick(At(r, c), Qt::Key_Space)
              : QTest::mouseClick(At(r, c), Qt::LeftButton, {}, QPoint(6, At(r, c)->height() / 2));
    }
};

// Validate sees the boxes before the toggle and after the rule.
TEST_F(GridPage, TheRulesByMouseAndSpace) {
    struct Step {
        int r, c;
        bool space = false;
    };
    const struct {
        const char* name;
        int rows, cols, rule;
        std::vector<Step> steps;
        std::string log;
        Values boxes;
    } cases[] = {
        {"two: one per row that a click cannot clear",
         3,
         4,
         2,
         {{0, 1}, {0, 3}, {0, 3}, {2, 0}, {1, 0, true}, {1, 2, true}, {1, 2, true}},
         "0@0 0@0 0@0 0@1 0@2 0@2 0@2 ",
         {{0, 0, 0, 1}, {0, 0, 1, 0}, {1, 0, 0, 0}}},
        {"one: at most one per column, clearable",
         3,
         3,
         1,
         {{0, 1}, {2, 1}, {2, 2}, {2, 2}, {2, 1}},
         "0@0 0@0 0@1 1@2 1@1 ",
         Values(3, {0, 0, 0})},
        {"three: one in the grid",
         3,
         3,
         3,
         {{0, 0}, {2, 2}, {1, 1, true}, {1, 1}},
         "0@0 0@0 0@0 1@1 ",
         Values(3, {0, 0, 0})},
        {"zero: free", 2, 3, 0, {{0, 0}, {0, 1}, {1, 1}, {0, 0}}, "0@0 0@1 0@2 1@3 ", {{0, 1, 0}, {0, 1, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CBoxArray& g = Build(c.rows, c.cols, c.rule);
        for (const Step& s : c.steps) Click(s.r, s.c, s.space);
        EXPECT_EQ(log, c.log);
        EXPECT_EQ(Boxes(), c.boxes);
        EXPECT_EQ(States(g.CheckArray()), c.boxes);
        EXPECT_EQ(g.IsData(), (Checked() > 0));
        EXPECT_TRUE(g.IsDirty());
    }
    // A held Space toggles once, on its release.
    QTest::keyPress(At(1, 2), Qt::Key_Space);
    for (int k = 0; k < 3; ++k) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
        QApplication::sendEvent(At(1, 2), &repeat);
    }
    QTest::keyRelease(At(1, 2), Qt::Key_Space);
    EXPECT_EQ(log, "0@0 0@1 0@2 1@3 0@2 ");
    // Without AllowEdit the boxes take no clicks; a call still applies the rule and
    // IsData but reports nothing, so the stored states stay the last ones read.
    CBoxArray& g = Build(2, 4, 2);
    Click(0, 2);
    Click(1, 1);
    EXPECT_EQ(States(g.CheckArray()), (Values{{0, 0, 1, 0}, {0, 1, 0, 0}}));
    g.SetIsDirty(false);
    g.SetAllowEdit(false);
    Click(0, 0);
    Click(0, 1, true);
    g.CheckClick(At(1, 3));
    EXPECT_EQ(log, "0@0 0@1 ");
    EXPECT_FALSE(g.IsDirty());
    EXPECT_TRUE(g.IsData());
    EXPECT_EQ(Boxes(), (Values{{0, 0, 1, 0}, {0, 0, 0, 0}}));
    EXPECT_EQ(States(g.CheckArray()), (Values{{0, 0, 1, 0}, {0, 1, 0, 0}}));
    // A box of another grid is refused before anything changes.
    CBoxArray other;
    other.SetContainer(page);
    EXPECT_EQ(test::ErrorNumber([&] { g.CheckClick(other.CheckBoxes()[0][1]); }), err::InvalidCall);
    EXPECT_EQ(At(0, 2)->Value(), 1);
}

TEST_F(GridPage, StatesFollowTheCaptionsAndCodeSetsThemWithoutTheClickLogic) {
    grid = std::make_unique<CBoxArray>();
    CBoxArray& g = *grid;
    EXPECT_EQ(States(g.CheckArray()), Values(2, std::vector<int>(3)));  // two by three False states at first
    g.SetColSet(Numbered("c", 4));
    g.SetRowSet(Numbered("r", 3));
    Variant a = g.CheckArray();
    a(0, 1) = a(0, 2) = Variant(true);  // two in a row: code is not held to the rule
    g.SetCheckArray(a);
    g.SetRowSet(Numbered("row ", 3));  // a later row set only replaces the texts
    EXPECT_FALSE(g.IsData());          // nothing shown yet
    g.SetContainer(page);
    g.SetAllowEdit(true);
    At(1, 1)->SetValue(1);  // a box set directly by code runs nothing either
    EXPECT_FALSE(g.IsDirty());
    EXPECT_TRUE(g.IsData());
    EXPECT_EQ(States(g.CheckArray()), (Values{{0, 1, 1, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}));  // no click since: not read
    Click(2, 0);
    EXPECT_EQ(States(g.CheckArray()), (Values{{0, 1, 1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}}));  // the click reads them all
    Variant b = Variant::MakeArray(VarType::Generic, {Bounds{0, 2}, Bounds{0, 3}});
    b(0, 0) = Variant(Null);  // Null and zero count as unchecked
    b(1, 1) = Variant(0.0);
    b(2, 2) = Variant(-0.5);
    g.SetCheckArray(b);
    for (const Variant& v : {Variant::MakeArray(VarType::Boolean, {Bounds{1, 3}, Bounds{1, 4}}),
                             Variant::MakeArray(VarType::Boolean, {Bounds{0, 5}}), Variant(true)})
        g.SetCheckArray(v);  // states of another shape are ignored
    EXPECT_EQ(Boxes(), (Values{{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 1, 0}}));
    g.Clear();
    EXPECT_EQ(Checked(), 0);
    EXPECT_FALSE(g.IsData());
    g.SetIsData(true);  // the owner's word holds until states are next written into the boxes
    EXPECT_TRUE(g.IsData());
    g.Clear();
    EXPECT_FALSE(g.IsData());
    // Column captions always reshape and clear the states, but leave the boxes as built;
    // states without a box are stored only.
    g.SetColSet(Numbered("c", 5));
    a = g.CheckArray();
    a(0, 4) = Variant(true);
    g.SetCheckArray(a);
    EXPECT_EQ(States(g.CheckArray())[0], (std::vector<int>{0, 0, 0, 0, 1}));
    EXPECT_EQ(g.Cols(), 4);
    EXPECT_EQ(Checked(), 0);
    // Rows hide and show one at a time; others are ignored.
    for (int row : {1, 3, -1}) g.SetRowVisibility(row, false);
    EXPECT_FALSE(At(1, 0)->isVisible());
    EXPECT_FALSE(At(1, 3)->isVisible());
    EXPECT_TRUE(At(0, 0)->isVisible());
}

TEST_F(GridPage, BuildingAndRemovalNameTheControlsAfterTheGridsNumber) {
    CBoxArray& g = Build(13, 4, 2);
    QtPictureBox* s = g.Container();
    EXPECT_EQ(form.Find("chkArray1"), s);
    EXPECT_EQ(s->Container(), page);
    EXPECT_EQ(form.Find("chkArray1_13_0"), nullptr);
    for (int i = 0; i < 13; ++i)
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(form.Find("chkArray1_" + CStr(Variant(i)) + "_" + CStr(Variant(j))), At(i, j)) << i << "," << j;
            EXPECT_EQ(At(i, j)->Container(), s) << i << "," << j;
        }
    // A second grid takes the next number; its boxes follow the given tab index row by row.
    CBoxArray second;
    second.SetTabIndex(10);
    second.SetContainer(page);
    EXPECT_EQ(second.Container()->Name(), "chkArray2");
    EXPECT_EQ(second.CheckBoxes()[1][2]->TabIndex(), 15);
    // Every box, row by row: 10 + row x columns + column.
    const auto& boxes = second.CheckBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (std::size_t r = 0; r < boxes.size(); ++r) {
        ASSERT_EQ(boxes[r].size(), 3u);
        for (std::size_t c = 0; c < boxes[r].size(); ++c) {
            EXPECT_EQ(boxes[r][c]->TabIndex(), static_cast<int>(10 + 3 * r + c)) << r << "," << c;
            EXPECT_TRUE(boxes[r][c]->TabStop()) << r << "," << c;
        }
    }
    const QPointer<CheckBox> box = At(1, 1);
    Click(1, 1);
    g.SetContainer(nullptr);
    EXPECT_EQ(g.Container(), nullptr);
    EXPECT_EQ(form.Find("chkArray1"), nullptr);
    EXPECT_EQ(form.Find("chkArray1_2_3"), nullptr);
    EXPECT_EQ(g.CheckBoxes()[2], std::vector<CheckBox*>(4, nullptr));
    EXPECT_EQ(States(g.CheckArray())[1][1], 1) << "the states remain";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull());
    g.SetContainer(page);  // assigning a container again builds nothing
    EXPECT_EQ(g.Container(), nullptr);
    // The owner's way to change the number of levels: remove, release, build anew.
    grid.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Build(13, 5, 2).Container()->Name(), "chkArray1");
    grid.reset();  // ending a built grid removes its controls
    EXPECT_EQ(form.Find("chkArray1_0_0"), nullptr);
    EXPECT_NE(form.Find("chkArray2_0_0"), nullptr);
    // A grid outliving its form ends quietly.
    auto host = std::make_unique<Form>();
    CBoxArray orphan;
    orphan.SetContainer(host.get());
    host.reset();
    EXPECT_EQ(orphan.Container(), nullptr);
}

TEST_F(GridPage, CaptionsLieAboveAndLeftOfTheBoxesAndFollowTheSize) {
    page->SetVisible(false);  // the page builds its grid while hidden and shows it afterwards
    grid = std::make_unique<CBoxArray>();
    grid->SetFont({"DejaVu Sans", 10.0, true});
    grid->SetBoxXSpacing(450);
    grid->SetColSet(Captions({"Very low", "Low", "Medium", "High", "Very high"}));
    grid->SetRowSet(Captions({"p1:", "p2:", "I1:", "I5: 0.000E-00", "F1:"}));
    grid->SetWidth(6000);
    grid->SetHeight(4500);
    grid->SetContainer(page);
    QtPictureBox* s = grid->Container();
    const QImage img = s->Image();
    page->SetVisible(true);
    QApplication::processEvents();
    EXPECT_EQ(s->Image(), img) << "showing changes nothing";
    const QPoint in = s->contentsRect().topLeft();  // the drawing is the inside of the border
    const int boxLeft = At(0, 0)->x() - in.x(), boxTop = At(0, 0)->y() - in.y(),
              lastBottom = At(4, 0)->geometry().bottom() - in.y();
    // Turned column captions in a band over the columns, taller than a line, ending a
    // little above the boxes; row captions left of the boxes, from the first row to the last.
    const QRect columnInk = Ink(img, QRect(boxLeft - 8, 0, img.width(), boxTop));
    EXPECT_GT(boxTop - columnInk.top(), 40);
    EXPECT_LT(columnInk.bottom(), boxTop - 2);
    const QRect rowInk = Ink(img, QRect(0, boxTop, boxLeft - 1, lastBottom - boxTop));
    EXPECT_LT(rowInk.top(), boxTop + 15);
    EXPECT_GT(rowInk.bottom(), At(4, 0)->y() - in.y());
    EXPECT_LT(rowInk.right(), boxLeft - 20);
    EXPECT_TRUE(Ink(img, QRect(0, 0, boxLeft - 8, boxTop - 20)).isNull());
    EXPECT_TRUE(Ink(img, QRect(0, lastBottom + 20, img.width(), img.height())).isNull());
    At(3, 2)->SetValue(1);  // the grid as a reviewer sees it, with a box checked
    ASSERT_TRUE(s->grab().save(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("boxarray_grid.png")));
    // A new size or row set redraws the captions; the boxes stay where they were.
    for (auto [width, height, redrawn] :
         {std::tuple{6000, 4500, false}, std::tuple{6400, 4500, true}, std::tuple{6400, 4000, true}}) {
        s->Line(5000, 3500, 5050, 3550, 0x0000FF, LineShape::FilledBox);
        grid->SetWidth(width);
        grid->SetHeight(height);
        EXPECT_EQ((s->Point(5020, 3520) & 0xFFFFFF) != 0x0000FF, redrawn) << width << "x" << height;
    }
    EXPECT_EQ(At(0, 0)->pos(), in + QPoint(boxLeft, boxTop)) << "the boxes stay where they were";
    const QImage before = s->Image();
    grid->SetRowSet(Captions({"First row:", "Second row, much longer:"}));
    EXPECT_NE(s->Image(), before);
}

// The cell heights come from the platform's caption font, whose table tests them.
TEST(CaptionLayer, FontsLinesAndAngles) {
    const auto f10 = MBoxArray::MakeCaptionFont({"DejaVu Sans", 10.0, false}, 0.0);
    const auto f12 = MBoxArray::MakeCaptionFont({"DejaVu Sans", 12.0, true}, 45.0);
    EXPECT_EQ(f10->CellHeightPx, 15);
    EXPECT_EQ(f12->Weight, 600);
    EXPECT_EQ(f10->Weight, 400) << "the normal weight, not a thin face";
    // Surfaces of 15 twips a pixel. Measuring draws nothing; a size too small for a pixel
    // makes no font and measures nothing; a face name of any length is accepted.
    ImagePictureBox s(300, 100), up(200, 200), slant(200, 200), flat(200, 200);
    auto draw = [](ImagePictureBox& p, const std::string& text, double angle, bool measureOnly = true,
                   BoxArrayFont font = {"DejaVu Sans", 10.0, false}) {
        return MBoxArray::DrawRotatedText(p, p.ClientWidthPx() * 15.0, p.ClientHeightPx() * 15.0, font, text, 1500,
                                          2250, angle, measureOnly);
    };
    auto measure = [&s](const Variant& captions, double size = 10.0) {
        return MBoxArray::MeasureCaptions(s, 300 * 15.0, 100 * 15.0, {"DejaVu Sans", size, false}, captions, 0.0);
    };
    const auto e = draw(s, "Certainty\r\nHigh", 0);
    EXPECT_NEAR(e->Width, s.MeasureTextPx("Certainty", f10->Font).width() * 15.0, 7.5);  // whole pixels
    EXPECT_NEAR(e->Height, 2 * 15 * 15.0, 1e-9);
    EXPECT_TRUE(Ink(s.Image()).isNull());
    EXPECT_FALSE(draw(s, "Text", 0, false, {"DejaVu Sans", 0.0, false}));
    EXPECT_EQ(measure(Captions({"A", "BB"}), 0.0).Width, 0.0);
    EXPECT_GT(draw(s, "Text", 0, true, {"A face name far longer than thirty-one bytes", 10.0, false})->Width, 0.0);
    EXPECT_NEAR(draw(s, "Certainty\nHigh", 0)->Height, 15 * 15.0, 1e-9) << "a lone LF does not break";
    // Width and height of a set may come from different captions; no list gives nothing.
    const TextExtents set = measure(Captions({"Much wider caption", "a\r\nb\r\nc", "mid"}));
    EXPECT_DOUBLE_EQ(set.Width, draw(s, "Much wider caption", 0)->Width);
    EXPECT_DOUBLE_EQ(set.Height, 3 * 15 * 15.0);
    EXPECT_EQ(measure(Variant("Solo")).Width, 0.0);
    // Turned counter-clockwise from the point: at 90 degrees the line goes up, its cell
    // to the right; at 45 it climbs right; flat, the first line's corner is the point.
    for (auto [p, angle] : {std::pair{&up, 90}, std::pair{&slant, 45}, std::pair{&flat, 0}})
        draw(*p, "Certainty", angle, false);
    const QRect u = Ink(up.Image()), d = Ink(slant.Image()), w = Ink(flat.Image());
    EXPECT_GE(w.left(), 100);
    EXPECT_GE(w.top(), 150);
    EXPECT_LT(w.top(), 165);
    EXPECT_LE(u.bottom(), 150);
    EXPECT_GE(u.left(), 100);
    EXPECT_LE(u.right(), 115);
    EXPECT_LE(std::abs(u.height() - w.width()), 2);
    EXPECT_LT(d.top(), 150 - w.width() / 2);
    EXPECT_GT(d.right(), 100 + w.width() / 2);
}

}  // namespace
}  // namespace nuvir
