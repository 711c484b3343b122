// The thirteen editors on a shown form, driven as the analyst would: typing into the
// spread box, clicking the slider, the faces and the layout over the two host boxes,
// loading from and writing to the absolute records.
#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>

#include <algorithm>
#include <array>

#include <cmath>

#include "chain/categorydata.h"
#include "platform/controls.h"
#include "platform/flexgrid.h"
#include "uncertainty_fixture.h"

namespace nuvir::test {
namespace {

enum { kLabDt, kLabMn, kLabCv, kLabPl, kTxtMn, kTxtCv, kCboDt, kSlider, kPlot };
constexpr int N = distribution::Normal;

template <class T>
T* Part(CUncertaintyElement& e, int index) {
    return dynamic_cast<T*>(e.ControlAt(index));
}

void TypeIntoSpread(CUncertaintyElement& e, const char* keys) {
    Click(Part<TextBox>(e, kTxtCv));
    Retype(keys);
}

TEST_F(Editors, TypingAPercentageGivesTheSDOneEventPerChange) {
    SetRecord(4, 2, N, 0.3);
    Make();
    CUncertaintyElement& e = E(4);
    QSignalSpy changed(&e, &CUncertaintyElement::DataChanged);
    TypeIntoSpread(e, "25%");
    EXPECT_EQ(changed.count(), 3);  // "2", "25", "25%"
    EXPECT_DOUBLE_EQ(e.SD(), 0.5);
    EXPECT_EQ(Part<Label>(e, kLabCv)->Caption(), "CV:");
    EXPECT_EQ(Part<Label>(e, kLabPl)->Caption(), "I1: DT=N, SD=0.5");
    // The form's key filter: a space and a second "%" never reach the box.
    Type(" %");
    EXPECT_EQ(Part<TextBox>(e, kTxtCv)->Text(), "25%");
    // An invalid spread: the error colour, the SD kept, no event.
    TypeIntoSpread(e, "-1");
    EXPECT_EQ(Part<TextBox>(e, kTxtCv)->BackColor(), 0xFF);
    EXPECT_DOUBLE_EQ(e.SD(), 0.5);
    EXPECT_EQ(changed.count(), 3);
}

// While rendering is suppressed a typed spread redraws nothing; a redraw of the element
// leaves the flag as it found it.
TEST_F(Editors, SuppressedRenderingKeepsThePlotUntilTheNextRedraw) {
    Make();
    CUncertaintyElement& e = E(4);
    EXPECT_FALSE(e.SuppressRendering());
    e.SetSuppressRendering(true);
    const int drawings = e.PlotDrawings();
    TypeIntoSpread(e, "0.2");
    EXPECT_EQ(e.PlotDrawings(), drawings);
    e.Render();
    EXPECT_TRUE(e.SuppressRendering());
    EXPECT_GT(e.PlotDrawings(), drawings);
    e.SetSuppressRendering(false);
    e.Render();
    EXPECT_FALSE(e.SuppressRendering());
}

TEST_F(Editors, ClickingTheSliderTakesTheFocusAndKeepsItsSpread) {
    Make();
    CUncertaintyElement& e = E(4);
    TypeIntoSpread(e, "0.2");
    QSignalSpy changed(&e, &CUncertaintyElement::DataChanged);
    auto* slider = Part<ScrollBar>(e, kSlider);
    // A click below the thumb steps a page (5) towards the wider end.
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(slider->width() / 2, slider->height() - 25));
    EXPECT_TRUE(slider->hasFocus());
    EXPECT_EQ(slider->Value(), 5);
    EXPECT_DOUBLE_EQ(e.SD(), 0.2041);  // 0.2 x 1.5^0.05 to four figures
    EXPECT_EQ(changed.count(), 1);
    // The base did not move, so the next step goes on from it.
    slider->SetValue(100);
    EXPECT_DOUBLE_EQ(e.SD(), 0.3);
}

// After a redraw the spread box shows the narrower of the plain and the exponent form
// (here "e-04" is narrower than "00"), and the SD is that text's value.
TEST_F(Editors, ARedrawShowsTheSpreadInItsNarrowerForm) {
    SetRecord(4, 2, N, 0.3);
    Make();
    CUncertaintyElement& e = E(4);
    auto* plot = Part<QtPictureBox>(e, kPlot);
    ASSERT_LT(plot->MeasureTextPx("1.24e-04", plot->Font()).width(),
              plot->MeasureTextPx("0.000124", plot->Font()).width());
    struct Case {
        const char* name;
        const char* typed;
        const char* shown;
        double sd;
    };
    const Case cases[] = {{"small SD", "0.000124", "1.24e-04", 0.000124},
                          {"plain SD", "0.25", "0.25", 0.25},
                          {"percentage", "12.5%", "12.5%", 0.25}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TypeIntoSpread(e, c.typed);
        EXPECT_EQ(Part<TextBox>(e, kTxtCv)->Text(), c.typed) << "typing is left alone";
        e.Render();
        EXPECT_EQ(Part<TextBox>(e, kTxtCv)->Text(), c.shown);
        EXPECT_DOUBLE_EQ(e.SD(), c.sd);
    }
}

TEST_F(Editors, TheMeanBoxRoundsOnlyWhatItShows) {
    Make();
    CUncertaintyElement& e = E(0);
    e.SetValue(0.125);
    EXPECT_EQ(Part<TextBox>(e, kTxtMn)->Text(), "0.13");
    e.Render();
    EXPECT_EQ(e.Value(), 0.125);
}

TEST_F(Editors, NoHostRemovesTheControls) {
    Make();
    CUncertaintyElement& e = E(4);
    const std::string name = e.ControlName(kTxtCv);
    e.SetHost(nullptr);
    EXPECT_EQ(form.Find(name), nullptr);
    // The rectangle is clamped into a host only while there is one.
    struct Step {
        bool host;
        double top, kept;
    };
    for (const Step& s : {Step{false, 99999, 99999}, Step{false, -50, 0}, Step{true, 99999, 7000}}) {
        if (s.host) e.SetHost(first);
        e.SetTop(s.top);
        EXPECT_EQ(e.Top(), s.kept) << s.top;
    }
}

TEST_F(Editors, CategoricalFaceShowsTheMeanAndTheTable) {
    Make();
    CUncertaintyElement& e = E(4);
    AppData(item::kCategoricalImpacts) = Variant(true);
    const Variant table = CCategoryData().DefaultArray();
    e.SetCategoryData(table);
    for (int i : {kLabDt, kCboDt, kLabCv, kTxtCv, kSlider}) EXPECT_FALSE(e.ControlAt(i)->Visible()) << i;
    for (int i : {kLabMn, kTxtMn, kLabPl, kPlot}) EXPECT_TRUE(e.ControlAt(i)->Visible()) << i;
    EXPECT_EQ(Part<Label>(e, kLabPl)->Caption(), "I1: (Categorical)");
    // The table covers the plot in the colour of the quantity's kind.
    AppData(item::kCategoricalCosts) = Variant(true);
    struct Case {
        const char* name;
        int id, colour;
    };
    for (const Case& c : {Case{"impact", 4, opt::kColourIBox}, Case{"cost", 9, opt::kColourFixedCost}}) {
        SCOPED_TRACE(c.name);
        AppOptions(c.colour) = Variant(0x123456);
        E(c.id).SetCategoryData(table);
        E(c.id).Render();
        const auto* plot = Part<QtPictureBox>(E(c.id), kPlot);
        const auto* grid = plot->findChild<FlexGrid*>();
        ASSERT_NE(grid, nullptr);
        EXPECT_TRUE(grid->isVisible());
        EXPECT_EQ(grid->width(), plot->ClientWidthPx());
        EXPECT_EQ(grid->height(), plot->ClientHeightPx());
        EXPECT_EQ(grid->BackColor(), 0x123456);
    }
    // Hidden, it is laid out again but keeps its face.
    e.SetVisible(false);
    AppData(item::kCategoricalImpacts) = Variant(false);
    e.SetWidth(3000);
    e.Render();
    EXPECT_FALSE(Part<Label>(e, kLabPl)->Visible());
    EXPECT_EQ(Part<Label>(e, kLabPl)->Width(), 1600);
    EXPECT_EQ(Part<Label>(e, kLabPl)->Caption(), "I1: (Categorical)");
    // Refused on a probability (and, in the set's loading, on a cost while categories are off).
    AppData(item::kCategoricalImpacts) = Variant(true);
    E(0).SetCategoryData(table);
    EXPECT_TRUE(E(0).CategoryData().isEmpty());
}

// Where a colour lies on a plot: the columns (pixel x) that hold it in rows y0..y1.
constexpr Colour kRed = 0x0000FF, kBlue = 0xFF0000;

std::vector<int> Columns(const QImage& img, Colour colour, int y0, int y1) {
    std::vector<int> out;
    for (int x = 0; x < img.width(); ++x)
        for (int y = std::max(0, y0); y <= std::min(img.height() - 1, y1); ++y)
            if (img.pixel(x, y) == ColourToQColor(colour).rgb()) {
                out.push_back(x);
                break;
            }
    return out;
}

// p2 normal with mean 0.9 and SD 0.2, its curve cut at 1: a red mark at the mean typed,
// a blue dot at the mean of the cut curve (that of the normal cut to [0, 1]: 0.9 - 0.2
// (phi(0.5) - phi(-4.5)) / (Phi(0.5) - Phi(-4.5)) = 0.798), short blue ticks at 0 and 1.
TEST_F(Editors, ThePlotMarksTheTypedMeanTheDrawnMeanAndTheEndsOfAProbability) {
    SetRecord(1, 0.9, N, 0.2);
    Make();
    auto* plot = Part<QtPictureBox>(E(1), kPlot);
    const QImage img = plot->Image();
    img.save(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("uncertainty_plot_marks.png"));
    const int bottom = plot->PixelY(0);
    const std::vector<int> red = Columns(img, kRed, 0, bottom);
    ASSERT_FALSE(red.empty()) << "the mark of the mean typed";
    EXPECT_NEAR(red.front(), plot->PixelX(0.9), 1);
    EXPECT_NEAR(red.back(), plot->PixelX(0.9), 1);
    // The mark is q high; the dot stands at 0.7 q, the ticks reach q / 4.
    int markTop = bottom;
    while (markTop > 0 && img.pixel(red.front(), markTop - 1) == ColourToQColor(kRed).rgb()) --markTop;
    const int tickTop = bottom - (bottom - markTop) * 45 / 100;
    ASSERT_GT(bottom - markTop, 20);
    const std::vector<int> dot = Columns(img, kBlue, 0, tickTop);
    ASSERT_FALSE(dot.empty()) << "the dot of the drawn mean";
    EXPECT_NEAR((dot.front() + dot.back()) / 2.0, plot->PixelX(0.798), 1.5);
    const std::vector<int> ticks = Columns(img, kBlue, tickTop, bottom);
    for (double x : {0.0, 1.0}) {
        SCOPED_TRACE(x);
        EXPECT_TRUE(std::any_of(ticks.begin(), ticks.end(), [&](int c) { return std::abs(c - plot->PixelX(x)) <= 1; }));
    }
}

// An impact at any finite size draws as an everyday one does (absolute I1 = 1e39 among
// them): the curve in the kind's colour, the red mark of the mean and the blue dot,
// counted as the columns that hold each colour, near those of a mean of 1.
TEST_F(Editors, HugeAndTinyImpactsDrawTheirCurvesAsAMeanOfOneDoes) {
    const Colour kind = CLng(AppOptions(opt::kColourIBox));
    const auto columns = [&](double mean) {
        SetRecord(4, mean, N, mean / 10);
        set.Render();
        const QImage img = Part<QtPictureBox>(E(4), kPlot)->Image();
        img.save(QDir(QCoreApplication::applicationDirPath())
                     .absoluteFilePath(QString::fromStdString("uncertainty_plot_i1_" + FormatDouble(mean) + ".png")));
        return std::array<std::size_t, 3>{Columns(img, kind, 0, img.height()).size(),
                                          Columns(img, kRed, 0, img.height()).size(),
                                          Columns(img, kBlue, 0, img.height()).size()};
    };
    Make();
    const auto everyday = columns(1.0);
    ASSERT_GT(everyday[0], 20u);
    ASSERT_GT(everyday[1], 0u);
    ASSERT_GT(everyday[2], 2u);
    for (double mean : {1e39, 1e300, 1e-39, 1e-200}) {
        SCOPED_TRACE(mean);
        const auto got = columns(mean);
        // Within a fifth: labels such as 6.0e-300 are wider and leave the plot narrower.
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_NEAR(static_cast<double>(got[i]), static_cast<double>(everyday[i]), everyday[i] / 5.0 + 1) << i;
    }
}

TEST(ElementLayout, ColumnsRowsAndSizes) {
    struct Case {
        const char* name;
        double w, h;
        int columns, rows;
        double width, height;
    };
    const Case cases[] = {
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

TEST_F(Editors, PictureOfTheDefaultAssessmentRowByRow) {
    Make();
    const double places[][3] = {{0, 100, 100},   {1, 3900, 100}, {3, 100, 2400},
                                {8, 7700, 4700}, {9, 100, 100},  {12, 100, 2400}};
    for (const auto& p : places) {
        EXPECT_EQ(E(static_cast<int>(p[0])).Left(), p[1]) << p[0];
        EXPECT_EQ(E(static_cast<int>(p[0])).Top(), p[2]) << p[0];
    }
    EXPECT_EQ(E(9).Host(), last);
    EXPECT_NEAR(E(4).SD(), 1 / std::sqrt(48.0), 1e-4);        // loaded from the new assessment's records
    EXPECT_EQ(Part<ComboBox>(E(0), kCboDt)->ListCount(), 4);  // only a probability may be a beta
    EXPECT_EQ(Part<ComboBox>(E(4), kCboDt)->ListCount(), 3);
    SetRecord(1, 0.9, 1, 0.2);
    SetRecord(2, 0.3, 3, 0.1);
    SetRecord(5, 10, 2, 3);
    SetRecord(10, 5, 1, 0);
    set.Render();
    Picture(form, "uncertainty_editors.png");
    // Each plot shows its curve in the kind's colour.
    for (int i : {0, 1, 2, 4, 5, 9}) {
        const Colour kind = CLng(AppOptions(i < 4   ? opt::kColourPBox
                                            : i < 9 ? opt::kColourIBox
                                                    : opt::kColourFixedCost));
        const QImage img = Part<QtPictureBox>(E(i), kPlot)->Image();
        EXPECT_GT(Columns(img, kind, 0, img.height()).size(), 20u) << i;
    }
    // A wider box keeps the three columns and widens the editors.
    first->SetWidth(15000);
    set.Render();
    EXPECT_DOUBLE_EQ(E(0).Width(), (15000 - 400) / 3.0);
}

TEST_F(Editors, SetDataReadsMeansAndTablesAndDrawsOnlyWhatChanged) {
    Make();
    AppData(item::kCategoricalImpacts) = Variant(true);
    for (int id = 4; id <= 12; ++id) AppData(item::CategoryTable(id)) = CCategoryData().DefaultArray();
    SetRecord(0, 0.75, 0, 0.1);
    set.SetData();
    for (int id = 4; id <= 12; ++id) EXPECT_EQ(E(id).CategoryData().isArray(), id <= 8) << id;
    EXPECT_EQ(E(0).Value(), 0.75);
    // The same data again draws nothing.
    int drawings = 0;
    for (int i = 0; i < 13; ++i) drawings += E(i).PlotDrawings();
    set.SetData();
    for (int i = 0; i < 13; ++i) drawings -= E(i).PlotDrawings();
    EXPECT_EQ(drawings, 0);
}

TEST_F(Editors, UpdateAppDataWritesOneOrAll) {
    Make();
    for (int i = 0; i < 13; ++i) E(i).SetSD(0.25);
    set.UpdateAppData(3);
    for (int i = 0; i < 13; ++i) EXPECT_EQ(CDbl(AppData(item::Absolute(i))(2)) == 0.25, i == 3) << i;
    set.UpdateAppData(-1);
    for (int i = 0; i < 13; ++i) EXPECT_EQ(CDbl(AppData(item::Absolute(i))(2)), 0.25) << i;
}

TEST_F(Editors, AFilesSDSurvivesOpeningIt) {
    Make();
    // The window writes a record back on every change relayed with its editor's ID.
    std::vector<int> relayed;
    QObject::connect(&set, &CUncertaintyElements::DataChanged,
                     [&](int id) { relayed.push_back(id), set.UpdateAppData(id); });
    E(7).SetDistribution(1);
    SetRecord(5, 3, 1, 0.25);  // shown: uniform, the default SD
    set.Render();
    EXPECT_EQ(relayed, std::vector<int>{7});
    EXPECT_EQ(CDbl(AppData(item::Absolute(5))(2)), 0.25);
    EXPECT_EQ(E(5).Distribution(), 1);
}

}  // namespace
}  // namespace nuvir::test
