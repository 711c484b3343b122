// One editor and the set of thirteen on a shown form, driven as the analyst would:
// typing into the spread box, clicking the slider, the faces and the layout over the
// two host boxes, loading from and writing to the absolute records.
#include <QSignalSpy>

#include <cmath>

#include "platform/controls.h"
#include "uncertainty/uncertaintyelements.h"
#include "uncertainty_fixture.h"

namespace nuvir {
namespace {

enum { kLabDt, kLabMn, kLabCv, kLabPl, kTxtMn, kTxtCv, kCboDt, kSlider, kPlot };

struct Editor : test::HostForm {
    CUncertaintyElement element;

    void Make(int id, double mean, int distribution, double sd) {
        Show(3700, 2800);
        element.SetID(id);
        element.SetHost(first);
        element.SetWidth(3700);
        element.SetHeight(2800);
        element.SetValue(mean);
        element.SetDistribution(distribution);
        element.SetSD(sd);
        element.Render();
    }
    template <class T>
    T* At(int index) {
        return dynamic_cast<T*>(element.ControlAt(index));
    }
    void TypeIntoSpread(const char* keys) {
        auto* box = At<TextBox>(kTxtCv);
        QTest::mouseClick(box, Qt::LeftButton);
        box->selectAll();
        QTest::keyClicks(box, keys);
    }
};

TEST_F(Editor, TypingAPercentageGivesTheSDOneEventPerChange) {
    Make(4, 2, distribution::Normal, 0.3);
    QSignalSpy changed(&element, &CUncertaintyElement::DataChanged);
    TypeIntoSpread("25%");
    EXPECT_EQ(changed.count(), 3);  // "2", "25", "25%"
    EXPECT_EQ(changed.at(0).at(0).toInt(), 4);
    EXPECT_TRUE(element.Model().PercentMode());
    EXPECT_DOUBLE_EQ(element.SD(), 0.5);
    EXPECT_DOUBLE_EQ(element.Percent(), 25);
    EXPECT_EQ(At<Label>(kLabCv)->Caption(), "CV:");
    EXPECT_EQ(At<ScrollBar>(kSlider)->Value(), 0);
    EXPECT_EQ(At<Label>(kLabPl)->Caption(), "I1: DT=N, SD=0.5");
    // The form's key filter: a space and a second "%" never reach the box.
    QTest::keyClicks(At<TextBox>(kTxtCv), " %");
    EXPECT_EQ(At<TextBox>(kTxtCv)->Text(), "25%");
    // An invalid spread: the error colour, the SD kept, no event.
    TypeIntoSpread("-1");
    EXPECT_EQ(At<TextBox>(kTxtCv)->BackColor(), 0xFF);
    EXPECT_DOUBLE_EQ(element.SD(), 0.5);
    EXPECT_EQ(changed.count(), 3);
}

TEST_F(Editor, ClickingTheSliderTakesTheFocusAndKeepsItsSpread) {
    Make(4, 2, distribution::Normal, 0.3);
    TypeIntoSpread("0.2");
    QSignalSpy changed(&element, &CUncertaintyElement::DataChanged);
    auto* slider = At<ScrollBar>(kSlider);
    // A click below the thumb steps a page (5) towards the wider end.
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(slider->width() / 2, slider->height() - 25));
    EXPECT_TRUE(slider->hasFocus());
    EXPECT_EQ(slider->Value(), 5);
    EXPECT_DOUBLE_EQ(element.SD(), 0.2041);  // 0.2 x 1.5^0.05 to four figures
    EXPECT_EQ(At<TextBox>(kTxtCv)->Text(), "0.2041");
    EXPECT_EQ(changed.count(), 1);
    // The base did not move, so the next step goes on from it.
    slider->SetValue(100);
    EXPECT_DOUBLE_EQ(element.SD(), 0.3);
}

TEST_F(Editor, TheMeanBoxRoundsOnlyWhatItShows) {
    Make(0, 0.5, distribution::Normal, 0.1);
    element.SetValue(0.125);
    EXPECT_EQ(At<TextBox>(kTxtMn)->Text(), "0.13");
    EXPECT_EQ(element.Value(), 0.125);
    TypeIntoSpread("0.05");
    element.Render();
    EXPECT_EQ(element.Value(), 0.125);
    EXPECT_TRUE(At<TextBox>(kTxtMn)->Locked());
}

TEST_F(Editor, LayoutOfAnElement3700Wide) {
    Make(0, 0.5, distribution::Normal, 0.1);
    const double columns[][3] = {{kLabDt, 0, 1000}, {kSlider, 1100, 200}, {kLabPl, 1400, 2300}};
    for (const auto& c : columns) {
        EXPECT_EQ(element.ControlAt(static_cast<int>(c[0]))->Left(), c[1]) << c[0];
        EXPECT_EQ(element.ControlAt(static_cast<int>(c[0]))->Width(), c[2]) << c[0];
    }
    EXPECT_EQ(At<ComboBox>(kCboDt)->Width(), 1300);
    EXPECT_EQ(At<ScrollBar>(kSlider)->Top(), At<Label>(kLabMn)->Top());
    element.Render();
    EXPECT_EQ(At<ComboBox>(kCboDt)->ListCount(), 4);
    // A second editor on the form takes the next free names and lists three kinds.
    CUncertaintyElement second;
    second.SetID(5);
    second.SetHost(first);
    second.Render();
    EXPECT_EQ(element.ControlName(kTxtMn), "uncElemTxtMn1");
    EXPECT_EQ(second.ControlName(kTxtMn), "uncElemTxtMn2");
    EXPECT_EQ(dynamic_cast<ComboBox*>(second.ControlAt(kCboDt))->ListCount(), 3);
}

TEST_F(Editor, NoHostRemovesTheControlsAndKeepsTheValues) {
    Make(4, 3, distribution::Normal, 0.4);
    const std::string name = element.ControlName(kTxtCv);
    element.SetHost(nullptr);
    EXPECT_EQ(form.Find(name), nullptr);
    EXPECT_EQ(element.ControlAt(kTxtCv), nullptr);
    EXPECT_EQ(element.Value(), 3);
    EXPECT_EQ(element.SD(), 0.4);
    // The rectangle is clamped into a host only while there is one.
    element.SetTop(99999);
    EXPECT_EQ(element.Top(), 99999);
    element.SetTop(-50);
    EXPECT_EQ(element.Top(), 0);
    element.SetHost(first);
    element.SetTop(99999);
    EXPECT_EQ(element.Top(), 2800);
}

TEST_F(Editor, CategoricalFaceShowsTheMeanAndTheTable) {
    AppData(item::kCategoricalImpacts) = Variant(true);
    Make(4, 1, 0, 0.1);
    Variant table = Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{0, 2}});
    for (int c = 0; c < 3; ++c) {
        table(0, c) = Variant(c + 1.0);
        table(1, c) = Variant(1 / 3.0);
    }
    const int before = element.PlotDrawings();
    element.SetCategoryData(table);
    element.SetCategoryData(table);
    EXPECT_EQ(element.PlotDrawings(), before + 1);
    for (int i : {kLabDt, kCboDt, kLabCv, kTxtCv, kSlider}) EXPECT_FALSE(element.ControlAt(i)->Visible()) << i;
    for (int i : {kLabMn, kTxtMn, kLabPl, kPlot}) EXPECT_TRUE(element.ControlAt(i)->Visible()) << i;
    EXPECT_EQ(At<Label>(kLabPl)->Caption(), "I1: (Categorical)");
    // Refused on a probability, and on an impact while categories are off.
    for (int id : {0, 5}) {
        AppData(item::kCategoricalImpacts) = Variant(id == 0);
        CUncertaintyElement other;
        other.SetID(id);
        other.SetCategoryData(table);
        EXPECT_TRUE(other.CategoryData().isEmpty()) << id;
    }
}

TEST_F(Editor, AnInvisibleEditorIsLaidOutButStaysHidden) {
    Make(4, 1, 0, 0.1);
    const std::string summary = At<Label>(kLabPl)->Caption();
    element.SetVisible(false);
    AppData(item::kCategoricalImpacts) = Variant(true);
    element.SetWidth(3000);
    element.Render();
    EXPECT_FALSE(At<Label>(kLabPl)->Visible());
    EXPECT_EQ(At<Label>(kLabPl)->Width(), 1600);
    EXPECT_EQ(At<Label>(kLabPl)->Caption(), summary);
}

TEST(ElementLayout, ColumnsRowsAndSizes) {
    struct Case { const char* name; double w, h; int columns, rows; double width, height; };
    const Case cases[] = {
        {"start-up page", 11400, 7000, 3, 3, 3700, 2200},
        {"narrower page", 9000, 7000, 2, 4, 4350, 1625},
        {"too narrow for one column", 3000, 7000, 1, 9, 3700, 6000.0 / 9},
        {"wider than nine columns", 40000, 3000, 9, 1, (40000 - 1000) / 9.0, 2800},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ElementLayout l = ComputeElementLayout(LayoutColumns(c.w), c.w, c.h);
        EXPECT_EQ(l.columns, c.columns);
        EXPECT_EQ(l.rows, c.rows);
        EXPECT_DOUBLE_EQ(l.width, c.width);
        EXPECT_DOUBLE_EQ(l.height, c.height);
    }
}

struct Set : test::HostForm {
    CUncertaintyElements set;
    void Make(double width = 11400, double height = 7000) {
        Show(width, height);
        set.SetHost({first, last});
        set.Render();
    }
    CUncertaintyElement& E(int i) { return *set.UncertaintyElement(i); }
};

TEST_F(Set, ThirteenEditorsFillTheBoxesRowByRow) {
    Make();
    const double places[][3] = {{0, 100, 100}, {1, 3900, 100}, {3, 100, 2400}, {8, 7700, 4700}, {9, 100, 100}, {12, 100, 2400}};
    for (const auto& p : places) {
        EXPECT_EQ(E(static_cast<int>(p[0])).Left(), p[1]) << p[0];
        EXPECT_EQ(E(static_cast<int>(p[0])).Top(), p[2]) << p[0];
    }
    EXPECT_EQ(E(9).Host(), last);
    EXPECT_EQ(set.UncertaintyElement(13), nullptr);
    EXPECT_EQ(E(4).Value(), 1);  // loaded from the new assessment's records
    EXPECT_NEAR(E(4).SD(), 1 / std::sqrt(48.0), 1e-4);
}

TEST_F(Set, AWiderBoxKeepsTheColumnsAndWidensTheEditors) {
    Make(9000, 7000);
    EXPECT_EQ(E(2).Top(), 1825);  // a new row of two
    first->SetWidth(15000);
    set.Render();
    EXPECT_EQ(set.Columns(), 2);
    EXPECT_DOUBLE_EQ(E(0).Width(), (15000 - 300) / 2.0);
}

TEST_F(Set, UpdateAppDataWritesOneAllOrNothing) {
    Make();
    for (int i = 0; i < 13; ++i) E(i).SetSD(0.25);
    set.UpdateAppData(13);
    EXPECT_NE(CDbl(AppData(item::Absolute(3))(2)), 0.25);
    set.UpdateAppData(3);
    EXPECT_EQ(CDbl(AppData(item::Absolute(3))(2)), 0.25);
    EXPECT_NE(CDbl(AppData(item::Absolute(4))(2)), 0.25);
    set.UpdateAppData(-1);
    for (int i = 0; i < 13; ++i) EXPECT_EQ(CDbl(AppData(item::Absolute(i))(2)), 0.25) << i;
}

TEST_F(Set, SetDataGivesImpactsTheirTablesWhenCategorical) {
    Make();
    AppData(item::kCategoricalImpacts) = Variant(true);
    Variant table = Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{0, 1}});
    table(0, 0) = Variant(2.0);
    table(0, 1) = Variant(4.0);
    table(1, 0) = Variant(0.5);
    table(1, 1) = Variant(0.5);
    for (int id = 4; id <= 12; ++id) AppData(item::CategoryTable(id)) = table;
    SetRecord(0, 0.75, 0, 0.1);
    set.SetData();
    for (int id = 4; id <= 8; ++id) EXPECT_TRUE(E(id).CategoryData().isArray()) << id;
    for (int id = 9; id <= 12; ++id) EXPECT_TRUE(E(id).CategoryData().isEmpty()) << id;
    EXPECT_EQ(E(0).Value(), 0.75);
    // The same data again draws nothing.
    int drawings = 0;
    for (int i = 0; i < 13; ++i) drawings += E(i).PlotDrawings();
    set.SetData();
    for (int i = 0; i < 13; ++i) drawings -= E(i).PlotDrawings();
    EXPECT_EQ(drawings, 0);
}

TEST_F(Set, AFilesSDSurvivesOpeningIt) {
    Make();
    // The window writes a record back on every change relayed with its editor's ID.
    std::vector<int> relayed;
    QObject::connect(&set, &CUncertaintyElements::DataChanged, [&](int id) { relayed.push_back(id), set.UpdateAppData(id); });
    E(7).SetDistribution(1);
    EXPECT_EQ(relayed, std::vector<int>{7});
    SetRecord(5, 3, 1, 0.25);  // shown: uniform, the default SD
    set.Render();
    EXPECT_EQ(CDbl(AppData(item::Absolute(5))(2)), 0.25);
    EXPECT_EQ(CDbl(AppData(item::Absolute(5))(1)), 1);
    EXPECT_EQ(E(5).SD(), 0.25);
    EXPECT_EQ(E(5).Distribution(), 1);
    EXPECT_EQ(E(5).Value(), 3);
}

TEST_F(Set, PictureOfTheDefaultAssessment) {
    Make();
    SetRecord(1, 0.9, 1, 0.2);
    SetRecord(2, 0.3, 3, 0.1);
    SetRecord(5, 10, 2, 3);
    SetRecord(10, 5, 1, 0);
    set.Render();
    ASSERT_TRUE(form.grab().toImage().save(QStringLiteral("uncertainty_editors.png")));
    // Each plot shows its curve in the kind's colour.
    for (int i : {0, 1, 2, 4, 5, 9}) {
        const Colour kind = CLng(AppOptions(i < 4 ? opt::kColourPBox : i < 9 ? opt::kColourIBox : opt::kColourFixedCost));
        const QImage img = dynamic_cast<QtPictureBox*>(E(i).ControlAt(kPlot))->Image();
        int hits = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) hits += img.pixel(x, y) == ColourToQColor(kind).rgb();
        EXPECT_GT(hits, 50) << i;
    }
}

}  // namespace
}  // namespace nuvir
