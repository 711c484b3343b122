// One editor on a shown form, driven as the analyst would: typing into the spread
// box, clicking the slider, and the faces it shows.
#include <QSignalSpy>

#include "platform/controls.h"
#include "uncertainty/uncertaintyelement.h"
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
    EXPECT_EQ(At<Label>(kLabDt)->Left(), 0);
    EXPECT_EQ(At<Label>(kLabDt)->Width(), 1000);
    EXPECT_EQ(At<ScrollBar>(kSlider)->Left(), 1100);
    EXPECT_EQ(At<ScrollBar>(kSlider)->Width(), 200);
    EXPECT_EQ(At<Label>(kLabPl)->Left(), 1400);
    EXPECT_EQ(At<Label>(kLabPl)->Width(), 2300);
    EXPECT_EQ(At<ComboBox>(kCboDt)->Width(), 1300);
    EXPECT_EQ(At<ScrollBar>(kSlider)->Top(), At<Label>(kLabMn)->Top());
    EXPECT_EQ(At<ComboBox>(kCboDt)->ListCount(), 4);
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
    // Refused on a probability, and while categories are off.
    CUncertaintyElement p;
    p.SetID(0);
    p.SetCategoryData(table);
    EXPECT_TRUE(p.CategoryData().isEmpty());
    AppData(item::kCategoricalImpacts) = Variant(false);
    CUncertaintyElement off;
    off.SetID(5);
    off.SetCategoryData(table);
    EXPECT_TRUE(off.CategoryData().isEmpty());
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

}  // namespace
}  // namespace nuvir
