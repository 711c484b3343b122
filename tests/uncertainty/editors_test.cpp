// One editor and the set of thirteen on a shown form, driven as the analyst would:
// typing into the spread box, clicking the slider, the faces and the layout over the
// two host boxes, loading from and writing to the absolute records.
#include <QSignalSpy>

#include <cmath>

#include "platform/controls.h"
#include "uncertainty/uncertaintyelements.h"
#include "uncertainty_fixture.h"

namespace nuvir::test {
namespace {

enum { kLabDt, kLabMn, kLabCv, kLabPl, kTxtMn, kTxtCv, kCboDt, kSlider, kPlot };

template <class T>
T* Part(CUncertaintyElement& e, int index) {
    return dynamic_cast<T*>(e.ControlAt(index));
}

struct Editor : HostForm {
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
        return Part<T>(element, index);
    }
    void TypeIntoSpread(const char* keys) {
        Click(At<TextBox>(kTxtCv));
        Retype(keys);
    }
};

TEST_F(Editor, TypingAPercentageGivesTheSDOneEventPerChange) {
    Make(4, 2, distribution::Normal, 0.3);
    QSignalSpy changed(&element, &CUncertaintyElement::DataChanged);
    TypeIntoSpread("25%");
    EXPECT_EQ(changed.count(), 3);  // "2", "25", "25%"
    EXPECT_EQ(changed.at(0).at(0).toInt(), 4);
    EXPECT_DOUBLE_EQ(element.SD(), 0.5);
    EXPECT_EQ(At<Label>(kLabCv)->Caption(), "CV:");
    EXPECT_EQ(At<ScrollBar>(kSlider)->Value(), 0);
    EXPECT_EQ(At<Label>(kLabPl)->Caption(), "I1: DT=N, SD=0.5");
    // The form's key filter: a space and a second "%" never reach the box.
    Type(" %");
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
    TypeIntoSpread("0.05");
    element.Render();
    EXPECT_EQ(element.Value(), 0.125);
}

TEST_F(Editor, ASecondEditorTakesTheNextFreeNamesAndAnImpactListsNoBeta) {
    Make(0, 0.5, distribution::Normal, 0.1);
    CUncertaintyElement second;
    second.SetID(5);
    second.SetHost(first);
    second.Render();
    EXPECT_EQ(element.ControlName(kTxtMn), "uncElemTxtMn1");
    EXPECT_EQ(second.ControlName(kTxtMn), "uncElemTxtMn2");
    EXPECT_EQ(At<ComboBox>(kCboDt)->ListCount(), 4);
    EXPECT_EQ(Part<ComboBox>(second, kCboDt)->ListCount(), 3);
}

TEST_F(Editor, NoHostRemovesTheControlsAndKeepsTheValues) {
    Make(4, 3, distribution::Normal, 0.4);
    const std::string name = element.ControlName(kTxtCv);
    element.SetHost(nullptr);
    EXPECT_EQ(form.Find(name), nullptr);
    EXPECT_EQ(element.Value(), 3);
    EXPECT_EQ(element.SD(), 0.4);
    // The rectangle is clamped into a host only while there is one.
    struct Step { bool host; double top, kept; };
    for (const Step& s : {Step{false, 99999, 99999}, Step{false, -50, 0}, Step{true, 99999, 2800}}) {
        if (s.host) element.SetHost(first);
        element.SetTop(s.top);
        EXPECT_EQ(element.Top(), s.kept) << s.top;
    }
}

TEST_F(Editor, CategoricalFaceShowsTheMeanAndTheTable) {
    AppData(item::kCategoricalImpacts) = Variant(true);
    Make(4, 1, 0, 0.1);
    const Variant table = Categories({1, 2, 3});
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

struct Set : HostForm {
    CUncertaintyElements set;
    void Make(double width = 11400, double height = 7000) {
        Show(width, height);
        set.SetHost({first, last});
        set.Render();
    }
    CUncertaintyElement& E(int i) { return *set.UncertaintyElement(i); }
    int Drawings() {
        int n = 0;
        for (int i = 0; i < 13; ++i) n += E(i).PlotDrawings();
        return n;
    }
};

TEST_F(Set, ThirteenEditorsFillTheBoxesRowByRow) {
    Make();
    const double places[][3] = {{0, 100, 100}, {1, 3900, 100}, {3, 100, 2400}, {8, 7700, 4700}, {9, 100, 100}, {12, 100, 2400}};
    for (const auto& p : places) {
        EXPECT_EQ(E(static_cast<int>(p[0])).Left(), p[1]) << p[0];
        EXPECT_EQ(E(static_cast<int>(p[0])).Top(), p[2]) << p[0];
    }
    EXPECT_EQ(E(9).Host(), last);
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
    set.UpdateAppData(3);
    for (int i = 0; i < 13; ++i) EXPECT_EQ(CDbl(AppData(item::Absolute(i))(2)) == 0.25, i == 3) << i;
    set.UpdateAppData(-1);
    for (int i = 0; i < 13; ++i) EXPECT_EQ(CDbl(AppData(item::Absolute(i))(2)), 0.25) << i;
}

TEST_F(Set, SetDataGivesImpactsTheirTablesWhenCategoricalAndDrawsNothingTwice) {
    Make();
    AppData(item::kCategoricalImpacts) = Variant(true);
    for (int id = 4; id <= 12; ++id) AppData(item::CategoryTable(id)) = Categories({2, 4});
    SetRecord(0, 0.75, 0, 0.1);
    set.SetData();
    for (int id = 4; id <= 12; ++id) EXPECT_EQ(E(id).CategoryData().isArray(), id <= 8) << id;
    EXPECT_EQ(E(0).Value(), 0.75);
    const int drawings = Drawings();
    set.SetData();
    EXPECT_EQ(Drawings(), drawings);
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
}

TEST_F(Set, PictureOfTheDefaultAssessment) {
    Make();
    SetRecord(1, 0.9, 1, 0.2);
    SetRecord(2, 0.3, 3, 0.1);
    SetRecord(5, 10, 2, 3);
    SetRecord(10, 5, 1, 0);
    set.Render();
    Picture(form, "uncertainty_editors.png");
    // Each plot shows its curve in the kind's colour.
    for (int i : {0, 1, 2, 4, 5, 9}) {
        const Colour kind = CLng(AppOptions(i < 4 ? opt::kColourPBox : i < 9 ? opt::kColourIBox : opt::kColourFixedCost));
        const QImage img = Part<QtPictureBox>(E(i), kPlot)->Image();
        int hits = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) hits += img.pixel(x, y) == ColourToQColor(kind).rgb();
        EXPECT_GT(hits, 50) << i;
    }
}

}  // namespace
}  // namespace nuvir::test
