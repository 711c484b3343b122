#include <QPainter>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <sstream>
#include <tuple>

#include "numerics/numerics.h"
#include "platform/profile.h"
#include "support/recordingpicturebox.h"
#include "platform/windowutilities.h"
#include "results/resultplots.h"
#include "results_fixture.h"

namespace nuvir::test {
namespace {

constexpr Colour kRed = 0xFF, kBlack = 0, kWhite = 0xFFFFFF, kGrey = 0xC0C0C0;

Variant Axes(Variant lo, Variant hi, Variant vLine = Variant(), Variant hLine = Variant()) {
    return Variant::List({Variant(), Variant(), Variant(), vLine, lo, hi, Variant(), hLine});
}

// The y ends of the plain segments drawn in a colour.
std::vector<double> SegmentYs(const RecordingPictureBox& pic, Colour colour) {
    std::vector<double> ys;
    for (const auto& call : pic.calls) {
        std::istringstream in(call);
        std::string word, c, shape;
        double x1, y1, x2, y2;
        if ((in >> word >> x1 >> y1 >> x2 >> y2 >> c) && word == "Line" && !(in >> shape) &&
            c == FormatDouble(colour)) {
            ys.insert(ys.end(), {y1, y2});
        }
    }
    return ys;
}

// A run made up by hand: risk limits 0.15..0.25 around 0.2, cost 5.5..6.5 around 6,
// 1000 trials, so that at 95 % with two tails t(0.975, 998) = 1.96234 and the critical
// correlation is t / sqrt(t^2 + 998) = 0.06200.
class PlotsTest : public ResultsTest {
protected:
    void SetUp() override {
        ResultsTest::SetUp();
        run.RunSnapshot = AppData;
        run.RunSnapshot(item::kRegUseConstant) = true;
        run.RunSummary.trials = 1000;
        run.RunFrequencies.classes = 200;
        auto& f = run.RunFrequencies.values;
        for (int k = 0; k < 200; ++k) f.insert(f.end(), {0.1 + 0.001 * k, 10.0 + k % 7});
        for (int k = 0; k < 200; ++k) f.insert(f.end(), {5 + 0.01 * k, 5.0});
        const int risk[] = {2, 3, 4, 5, 0};
        for (int i = 0; i < 5; ++i) {
            run.RunSummary.mean[risk[i]] = 0.05 * (i + 1);
            run.RunSummary.min[risk[i]] = 0.05 * i;
            run.RunSummary.max[risk[i]] = 0.05 * (i + 2);
            run.RunLimits[risk[i]] = {0.05 * (i + 1) - 0.03, 0.05 * (i + 1) + 0.03};
        }
        for (int j = 0; j < 13; ++j) run.RunRankCorrelations[j] = {0.5 - 0.1 * j, 0.3};
        run.PointTotalRisk = 0.2;
        run.RunLimits[0] = {0.15, 0.25};
        run.PointTotalCost = 6.0;
        run.RunLimits[1] = {5.5, 6.5};
        options = AppOptions;
        // The same run on the page, with sensitivity tables of values around the critical
        // correlation and without one.
        rc->State() = run;
        const auto measure = [](double value) {
            Variant m = Variant::MakeArray(VarType::Double, {{0, 12}, {0, 1}});
            for (int j = 0; j < 13; ++j) m(j, 0) = m(j, 1) = value;
            return m;
        };
        Variant spea = measure(0.5);
        const double risks[4] = {0.062, 0.061, -0.063, NumericLimits::LowestDouble};
        for (int j = 0; j < 4; ++j) spea(j, 0) = risks[j];
        spea(9, 1) = NumericLimits::LowestDouble;
        rc->BuildSensitivitySummary(Variant::List({Variant::List({0.9, 0.5}), Variant::List({0.8, Variant()})}),
                                    Variant::List({spea, measure(-0.25), measure(1.0), measure(-1.0)}));
        for (int i : {1, 3}) rc->DrawResultPlot(i);
    }
    FlexGrid& Grid() { return *page.flxShowSensMeasures; }
    RunState run;
    Variant options;
};

TEST_F(PlotsTest, TheHistogramMarksThePointAQuarterHighAndTheLimitsAnEighth) {
    options(opt::kPlotPandIMonteCarlo) = Axes(0, 100);
    ImagePictureBox pic(400, 300);
    pic.SetDrawWidth(3);
    pic.SetFillStyle(4);
    DrawFrequencyPlot(pic, 0, false, run, options);
    EXPECT_EQ(pic.DrawWidth(), 3) << "the pen is left as it was";
    EXPECT_EQ(pic.FillStyle(), 4);
    EXPECT_EQ(pic.Point(0.2, 20), kRed) << "point marker";
    EXPECT_NE(pic.Point(0.2, 28), kRed);
    EXPECT_EQ(pic.Point(0.15, 10), kRed) << "limit marker";
    EXPECT_NE(pic.Point(0.15, 15), kRed);
    EXPECT_EQ(pic.Point(0.12, 5), CLng(options(opt::kColourOval))) << "bars in the Oval colour";
}

// Bars one class wide meet at every width of the picture: along a row that every bar
// reaches, from the first class to the last, no pixel shows the background. Widths
// around a third of the window's at 1920 and 1880 pixels and at 1600 and 800.
TEST_F(PlotsTest, HistogramBarsMeetAtEveryWidth) {
    std::vector<int> widths;
    for (int w = 240; w <= 680; w += 7) widths.push_back(w);
    for (int w : {1254, 1246, 1000, 520}) widths.push_back(w);
    for (int kind : {0, 1}) {
        for (int w : widths) {
            SCOPED_TRACE(testing::Message() << (kind == 0 ? "risk" : "cost") << " at " << w << " px");
            ImagePictureBox pic(w, 300);
            DrawFrequencyPlot(pic, kind, false, run, options);
            const double first = kind == 0 ? 0.1 : 5.0, last = kind == 0 ? 0.1 + 0.199 : 5 + 1.99;
            const int y = pic.PixelY(2.0f);  // every class counts 5 or more
            const QImage img = pic.Image();
            const QRgb back = ColourToQColor(CLng(options(opt::kColourPlotBackground))).rgb();
            int gaps = 0;
            for (int x = pic.PixelX(static_cast<float>(first)); x <= pic.PixelX(static_cast<float>(last)); ++x)
                gaps += img.pixel(x, y) == back;
            EXPECT_EQ(gaps, 0);
            if (w == 1254 || w == 1246) {
                ASSERT_TRUE(img.save(QString("histogram_%1_%2.png").arg(kind).arg(w)));
            }
        }
    }
}

// The point total need not lie among the trials' totals. A marker beyond the X axis
// is left out rather than drawn over the margin, where it can reach the picture's edge.
TEST_F(PlotsTest, AMarkerBeyondTheXAxisStaysInsideThePlotFrame) {
    struct Case {
        const char* name;
        double point;
    };
    const Case cases[] = {{"right of the axis", 0.305}, {"left of the axis", 0.095}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        run.PointTotalRisk = c.point;
        ImagePictureBox pic(400, 300);
        DrawFrequencyPlot(pic, 0, false, run, options);
        const int x = pic.PixelX(c.point);
        ASSERT_GT(x, 0) << "the marker's place lies on the picture";
        ASSERT_LT(x, 399);
        EXPECT_NE(pic.Point(c.point, 1), kRed);
    }
}

// Pixels of a colour in a picture.
int PixelsOf(const QImage& image, Colour colour) {
    const QRgb want = ColourToQColor(colour).rgb() | 0xFF000000u;
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) | 0xFF000000u) == want ? 1 : 0;
    return n;
}

// The run with every risk value (histogram classes, point total, statistics and limits
// of the risk columns) multiplied by `by`.
RunState RiskTimes(RunState run, double by) {
    for (int k = 0; k < run.RunFrequencies.classes; ++k)
        run.RunFrequencies.values[static_cast<std::size_t>(2 * k)] *= by;
    for (int c : {0, 2, 3, 4, 5}) {
        run.RunSummary.mean[c] *= by, run.RunSummary.min[c] *= by, run.RunSummary.max[c] *= by;
        run.RunLimits[c] = {run.RunLimits[c][0] * by, run.RunLimits[c][1] * by};
    }
    run.PointTotalRisk *= by;
    return run;
}

// Finite results beyond what a Single holds (absolute I1 = 1e39 gives totals above
// 3.4e38) draw their histogram, markers and cumulative lines as the same run scaled
// down does: the bars' colour, the red of the markers and limits, within a tenth.
TEST_F(PlotsTest, HugeAndTinyResultsDrawLikeTheRunScaledDown) {
    // Values clear of the axes' rounding places, so that every scaled run rounds its
    // axes alike (9.9999999999999998e37, 0.1 x 1e39, would round down to 0).
    for (int k = 0; k < 200; ++k) run.RunFrequencies.values[static_cast<std::size_t>(2 * k)] = 0.105 + 0.001 * k;
    const int risk[] = {2, 3, 4, 5, 0};
    for (int i = 0; i < 5; ++i) {
        run.RunSummary.min[risk[i]] = 0.05 * i + 0.005;
        run.RunSummary.max[risk[i]] = 0.05 * (i + 2) - 0.005;
    }
    const Colour bars = CLng(options(opt::kColourOval));
    const auto draw = [&](const RunState& r, bool cumulative, bool report, const std::string& file) {
        ImagePictureBox pic(400, 300);
        const bool drawn = cumulative ? DrawCumulativePlot(pic, 0, report, r, options)
                                      : DrawFrequencyPlot(pic, 0, report, r, options);
        if (!file.empty()) SavePicture(pic.Image(), file);
        return drawn ? pic.Image() : QImage();
    };
    const QImage plainBars = draw(run, false, false, ""), plainLines = draw(run, true, false, "");
    ASSERT_GT(PixelsOf(plainBars, bars), 5000);
    ASSERT_GT(PixelsOf(plainBars, kRed), 50);
    ASSERT_GT(PixelsOf(plainLines, bars), 300);
    ASSERT_GT(PixelsOf(plainLines, kRed), 300);
    const struct {
        const char* name;
        double by;
    } cases[] = {{"1e39", 1e39}, {"1e300", 1e300}, {"1e-39", 1e-39}, {"1e-200", 1e-200}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RunState scaled = RiskTimes(run, c.by);
        const std::string stem = "plots_risk_times_" + FormatDouble(c.by);
        const QImage histogram = draw(scaled, false, false, stem + "_frequency.png");
        const QImage cumulative = draw(scaled, true, false, stem + "_cumulative.png");
        draw(scaled, false, true, stem + "_frequency_report.png");
        ASSERT_FALSE(histogram.isNull());
        ASSERT_FALSE(cumulative.isNull());
        for (const auto& [image, plain, colour] :
             {std::tuple{&histogram, &plainBars, bars}, std::tuple{&histogram, &plainBars, kRed},
              std::tuple{&cumulative, &plainLines, bars}, std::tuple{&cumulative, &plainLines, kRed}}) {
            const int want = PixelsOf(*plain, colour);
            EXPECT_NEAR(PixelsOf(*image, colour), want, want / 10) << "colour " << colour;
        }
    }
}

// Axis options that pass min < max but that no drawing could divide into ticks are
// held to a range it can: the plot draws its frame and what falls within it.
TEST_F(PlotsTest, AxisRangesTheDrawingCannotShowAreHeld) {
    const Variant wideX =
        Variant::List({-1e308, 1e308, Variant(), Variant(), Variant(), Variant(), Variant(), Variant()});
    const struct {
        const char* name;
        int item;
        Variant axes;
        std::string file;
        bool seriesShows;  // in the Oval colour: some results lie within the held range
    } cases[] = {
        {"-1e308..1e308 typed for the histogram's X axis", opt::kPlotPandIMonteCarlo, wideX,
         "plots_x_range_1e308_typed.png", true},
        {"-1e308..1e308 typed for the cumulative Y axis", opt::kPlotPandICumulative, Axes(-1e308, 1e308),
         "plots_y_range_1e308_typed.png", true},
        {"-1e308..1e308 typed for the sensitivity Y axis", opt::kPlotPandISensitivity, Axes(-1e308, 1e308),
         "plots_sensitivity_y_range_1e308_typed.png", false},
        {"0..1e-320 from the options file, histogram Y", opt::kPlotPandIMonteCarlo, Axes(0, 1e-320),
         "plots_y_range_1e-320.png", true},
        {"0..1e-320 from the options file, cumulative Y", opt::kPlotPandICumulative, Axes(0, 1e-320),
         "plots_cumulative_y_range_1e-320.png", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        options(c.item) = c.axes;
        ImagePictureBox pic(400, 300);
        pic.SetBackColor(kWhite);
        const bool drawn = c.item == opt::kPlotPandICumulative ? DrawCumulativePlot(pic, 0, false, run, options)
                           : c.item == opt::kPlotPandISensitivity
                               ? DrawSensitivityPlot(pic, 0, false, run, options, true)
                               : DrawFrequencyPlot(pic, 0, false, run, options);
        EXPECT_TRUE(drawn);
        SavePicture(pic.Image(), c.file);
        EXPECT_EQ(pic.ScaleMode(), scale::User) << "axes drawn";
        EXPECT_GT(PixelsOf(pic.Image(), kBlack), 400) << "frame, ticks and labels";
        if (c.seriesShows) {
            EXPECT_GT(PixelsOf(pic.Image(), CLng(options(opt::kColourOval))), 0) << "the series shows";
        }
        options = AppOptions;
    }
}

TEST_F(PlotsTest, TheReportsHistogramHasBlackBarsOnWhiteAndAWideOutline) {
    options(opt::kPlotPandIMonteCarlo) = Axes(0, 100);
    ImagePictureBox report(400, 300);
    DrawFrequencyPlot(report, 0, true, run, options);
    EXPECT_EQ(report.Point(0.12, 80), kWhite);
    EXPECT_EQ(report.Point(0.12, 5), kBlack);
    EXPECT_EQ(report.Point(0.2 - report.ScaleX(5, scale::Pixels, scale::User), 10), kBlack) << "outline 10 pixels wide";
}

TEST_F(PlotsTest, AutoInTheAxisOptionsReadsAsAutomatic) {
    ImagePictureBox empty(400, 300), autoText(400, 300);
    DrawFrequencyPlot(empty, 0, false, run, options);
    options(opt::kPlotPandIMonteCarlo) = Variant::List({"Auto", "Auto", "Auto", "", "Auto", "Auto", "Auto", ""});
    DrawFrequencyPlot(autoText, 0, false, run, options);
    EXPECT_EQ(empty.Image(), autoText.Image());
    EXPECT_EQ(autoText.Point(0.2, 0.5), kRed) << "markers start at the x axis, y = 0";
}

TEST_F(PlotsTest, AxisLinesStandAtTheirOptions) {
    options(opt::kPlotPandIMonteCarlo) = Axes(0, 100, 0.18, 50);
    ImagePictureBox lines(400, 300);
    DrawFrequencyPlot(lines, 0, false, run, options);
    EXPECT_EQ(lines.Point(0.18, 70), kBlack) << "the line at x";
    EXPECT_EQ(lines.Point(0.28, 50), kBlack) << "the line at y";
}

TEST_F(PlotsTest, AFailedChartHasNoMarkers) {
    run.RunFrequencies = {};
    RecordingPictureBox failed;
    DrawFrequencyPlot(failed, 0, false, run, options);
    EXPECT_EQ(failed.Count("Line"), 0);
}

TEST_F(PlotsTest, CumulativeLimitsAreClampedIntoTheAxisTheMeansAreNot) {
    options(opt::kPlotPandICumulative) = Axes(0, 0.2);
    RecordingPictureBox pic(400, 300);
    DrawCumulativePlot(pic, 0, false, run, options);
    const auto red = SegmentYs(pic, kRed), mean = SegmentYs(pic, CLng(options(opt::kColourOval)));
    ASSERT_FALSE(red.empty());
    ASSERT_FALSE(mean.empty());
    // The chart draws in single precision.
    EXPECT_LE(*std::max_element(red.begin(), red.end()), 0.2 + 1e-6);
    EXPECT_GT(*std::max_element(mean.begin(), mean.end()), 0.2) << "the mean of R1..R5 is 0.25";
    EXPECT_EQ(pic.Count("Print R1..R2    "), 1) << "labels keep their four blanks";
}

TEST_F(PlotsTest, TheSignificanceZoneOf1000TrialsAt95PercentTwoTails) {
    run.RunRankCorrelations[2][0] = NumericLimits::LowestDouble;
    ImagePictureBox pic(400, 900);
    options(opt::kColourPlotBackground) = static_cast<int>(kWhite);
    DrawSensitivityPlot(pic, 0, false, run, options, true);
    EXPECT_EQ(pic.Point(-0.5, 0.058), kGrey);
    EXPECT_EQ(pic.Point(-0.5, -0.058), kGrey);
    EXPECT_NE(pic.Point(-0.5, 0.066), kGrey);
    EXPECT_EQ(pic.Point(8.6, 0.03), kGrey) << "the zone spans -0.75..8.75";
    EXPECT_EQ(pic.Point(0, 0.25), CLng(options(opt::kColourPBox)));
    EXPECT_NE(pic.Point(2, 0.1), CLng(options(opt::kColourPBox))) << "no value draws as a 0 bar";
    EXPECT_EQ(pic.Point(4, 0.08), CLng(options(opt::kColourIBox)));
    options(opt::kColourPlotBackground) = static_cast<int>(kGrey);
    DrawSensitivityPlot(pic, 0, false, run, options, true);
    EXPECT_EQ(pic.Point(-0.5, 0.03), kWhite) << "on a grey background the zone is white";
    run.RunSummary.trials = 19;
    DrawSensitivityPlot(pic, 0, false, run, options, true);
    EXPECT_EQ(pic.Point(-0.5, 0.03), kGrey) << "19 trials: no zone, the grey background shows";
}

// Nine bar labels on a narrow plot: a regular step keeps the first and the last and
// no label runs into the next; a wide plot shows all nine.
TEST_F(PlotsTest, BarLabelsThatWouldRunIntoEachOtherAreLeftOutAtARegularStep) {
    for (const auto& [width, expected] : {std::pair<int, std::size_t>{150, 3}, std::pair<int, std::size_t>{600, 9}}) {
        SCOPED_TRACE(width);
        RecordingPictureBox plot(width, 300);
        DrawSensitivityPlot(plot, 0, false, run, options, true);
        std::vector<std::pair<std::string, double>> bars;
        double x = 0;
        for (const std::string& c : plot.calls) {
            if (c.rfind("CurrentX=", 0) == 0) x = Val(c.substr(9));
            if (c.rfind("Print p", 0) == 0 || c.rfind("Print I", 0) == 0) bars.emplace_back(c.substr(6), x);
        }
        ASSERT_EQ(bars.size(), expected);
        EXPECT_EQ(bars.front().first, "p1");
        EXPECT_EQ(bars.back().first, "I5");
        for (std::size_t i = 1; i < bars.size(); ++i) {
            EXPECT_LT(bars[i - 1].second + plot.TextWidth(bars[i - 1].first), bars[i].second) << bars[i].first;
        }
    }
}

TEST_F(PlotsTest, TheReportOutlinesTheZoneDotted) {
    RecordingPictureBox report(400, 600);
    DrawSensitivityPlot(report, 0, true, run, options, true);
    const auto end = report.calls.end();
    const auto dotted = std::find(report.calls.begin(), end, "DrawStyle=2");
    const auto box = std::find_if(dotted, end, [](const auto& c) { return c.find(" Box") != c.npos; });
    ASSERT_NE(box, end) << "the report outlines the zone dotted";
    EXPECT_EQ(box->rfind("Line -0.75 -0.06", 0), 0u) << *box;
    EXPECT_NE(std::find(box, end, "DrawStyle=0"), end) << "the next chart call draws solid";
}

// Where a person would rather look: the page after two runs with the details panel
// open, and the six plots of the run in both styles. Before a run a changed option is
// only stored; a tiny window gives no error; three equal columns fill the width.
TEST_F(ResultsTest, ThePageAndTheSixPlotsOfARealRunInBothStyles) {
    host.onEditOptions = [](int type) {
        AppOptions(opt::kPlotOptions + type) = Axes(-0.5, 0.5);
        return true;
    };
    rc->picMonte_DblClick(4);
    EXPECT_NE(page.picMonte[4]->ScaleMode(), scale::User) << "before any run: stored, nothing drawn";
    ASSERT_TRUE(Run(2000));
    page.tabSimulationGraphs->Move(0, 2400, 500, 300);
    EXPECT_NO_THROW(rc->ArrangeResultPlots());
    for (QtPictureBox* pic : page.picMonte) {
        EXPECT_GE(pic->Width(), 1);
        EXPECT_GE(pic->Height(), 1);
    }
    page.tabSimulationGraphs->Move(0, 2400, 8000, 5400);
    rc->ArrangeResultPlots();
    const auto& pic = page.picMonte;
    const auto right = [&](int i) { return pic[i]->Left() + pic[i]->Width(); };
    EXPECT_LT(right(0), pic[1]->Left()) << "three columns";
    EXPECT_LT(right(1), pic[4]->Left());
    EXPECT_NEAR(right(5), 8000 - 240, 15) << "equal columns fill the width";
    page.tabSimulationGraphs->Move(0, 2400, 11800, 5400);
    rc->ArrangeResultPlots();
    EXPECT_EQ(page.picMonte[4]->ScaleMode(), scale::User) << "redrawn with the results";
    const QImage before = page.picMonte[1]->Image();
    rc->picMonte_DblClick(1);
    EXPECT_EQ(host.editedTypes, (std::vector<int>{2, 1})) << "the plot types of pictures 4 and 1";
    EXPECT_NE(page.picMonte[1]->Image(), before);
    SavePicture(page.picMonte[1]->Image(), "results_sensitivity_fixed_axis.png");
    AppOptions = GetAppOptionsDefaults();
    form.show();
    ASSERT_TRUE(Run(2000));
    EXPECT_TRUE(Messages().empty()) << "constant costs draw without failure, no message per resize";
    ChooseFromPopup(0);
    rc->picMonte_MouseMove(1, 0, 0, 4, 0.2);
    EXPECT_TRUE(page.picShowSensMeasures->Visible());
    SavePicture(form.grab().toImage(), "results_page.png");
    for (bool report : {false, true}) {
        QImage sheet(3 * 420, 2 * 320, QImage::Format_RGB32);
        sheet.fill(Qt::darkGray);
        QPainter painter(&sheet);
        for (int i = 0; i < 6; ++i) {
            ImagePictureBox pic(400, 300);
            pic.SetBackColor(0xFFFFFF);
            if (i == 0 || i == 2) rc->DrawFrequencyPlot(pic, i / 2, report);
            if (i == 1 || i == 3) rc->DrawSensitivityPlot(pic, i / 2, report);
            if (i >= 4) rc->DrawCumulativePlot(pic, i - 4, report);
            EXPECT_EQ(pic.ScaleMode(), scale::User) << "plot " << i << " drew axes";
            painter.drawImage(10 + 420 * (i % 3), 10 + 320 * (i / 3), pic.Image());
        }
        painter.end();
        SavePicture(sheet, report ? "results_plots_report.png" : "results_plots_screen.png");
    }
}

TEST_F(ResultsTest, SavingPlotOptionsWritesAutoForAutomatic) {
    AppOptions(opt::kPlotPandISensitivity) = Axes(-0.5, 0.5);
    AppOptions(opt::kPlotPandICumulative) = Variant::List({1e-05, "x", 3, 2, 1, 0, 5, 7, 9, 9});
    rc->SavePlotOptionsToIni();
    const std::pair<const char*, const char*> cases[] = {
        {"PandI Sensitivity", "Auto,Auto,Auto,,-0.5,0.5,Auto,"},
        {"PandI Cumulative", "1E-05,Auto,3,2,1,0,5,7"},
    };
    for (const auto& [key, value] : cases) {
        SCOPED_TRACE(key);
        EXPECT_EQ(profile::GetString(GetOptionsIniFileName(), "Plot Options", key), value);
    }
    EXPECT_EQ(TextOf(AppOptions(opt::kPlotPandIMonteCarlo).get()(0)), "Auto") << "the options take the saved form";
}

// Save Plot Options is a command the analyst chose: a file that refuses it is named
// with its cause, and keeps every byte. The file takes the six keys in one write, so a
// limit that the first keys would pass leaves none of them behind either.
TEST_F(ResultsTest, SavingPlotOptionsThatTheFileRefusesSaysWhyAndKeepsTheFile) {
    const std::string file = GetOptionsIniFileName();
    const std::string padding = "[Padding]\r\nk=" + std::string(800, '0') + "\r\n";
    const std::string old = "[Plot Options]\r\nPandI Monte Carlo=1,2,3,4,5,6,7,8\r\n" + padding;
    // The six keys all automatic: the first line grows by 16 bytes to 51, and five lines
    // of 51 or 50 bytes (the key, "=Auto,Auto,Auto,,Auto,Auto,Auto," and CR LF) follow.
    const std::size_t full = old.size() + 16 + 51 + 50 + 51 + 51 + 50;
    struct Case {
        const char* name;
        bool readOnly;
        int injected;       // an errno for every write to fail with, or 0
        std::size_t limit;  // a file-size limit, or 0
        const char* cause;
    };
    const Case cases[] = {
        {"read-only", true, 0, 0, "The file is read-only."},
        {"a full disk", false, ENOSPC, 0, "The disk is full."},
        {"the file-size limit, room for four keys", false, 0, full - 101, "File too large."},
        {"the file-size limit, one byte short", false, 0, full - 1, "File too large."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        services.messageBox.calls.clear();
        WriteBytes(file, old);
        if (c.readOnly) std::filesystem::permissions(file, std::filesystem::perms::owner_read);
        if (c.injected)
            profile::SetFileFaultForTesting(
                [&c](profile::FileStage s) { return s == profile::FileStage::Write ? c.injected : 0; });
        {
            std::optional<FileSizeLimit> limit;
            if (c.limit) limit.emplace(c.limit);
            EXPECT_NO_THROW(rc->SavePlotOptionsToIni());
        }
        profile::SetFileFaultForTesting({});
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
        EXPECT_EQ(ReadBytes(file), old);
        ASSERT_EQ(Messages().size(), 1u);
        EXPECT_EQ(Messages()[0].title, "Error saving plot options");
        EXPECT_EQ(Messages()[0].text,
                  "The file \"" + file + "\" could not be written: " + c.cause + "\r\n\r\nPlease try again.");
    }
    // With room for it, the same save writes all six keys and says nothing.
    services.messageBox.calls.clear();
    WriteBytes(file, old);
    {
        const FileSizeLimit limit(full);
        rc->SavePlotOptionsToIni();
    }
    EXPECT_TRUE(Messages().empty());
    std::string expected = "[Plot Options]\r\n";
    for (const char* key : {"PandI Monte Carlo", "PandI Sensitivity", "PandI Cumulative", "Costs Monte Carlo",
                            "Costs Sensitivity", "Costs Cumulative"})
        expected += std::string(key) + "=Auto,Auto,Auto,,Auto,Auto,Auto,\r\n";
    EXPECT_EQ(ReadBytes(file), expected + padding);
}

TEST_F(PlotsTest, ThePopupOffersShowOrHideAndCopyOnlyWithThePanel) {
    page.picMonte[1]->SetScaleMode(scale::Twips);
    rc->picMonte_MouseUp(1, 2, 0, 1, 1);
    EXPECT_TRUE(popups.shown.empty()) << "nothing drawn yet: no popup";
    rc->DrawResultPlot(1);
    ChooseFromPopup(0);
    ChooseFromPopup(0);
    ASSERT_EQ(popups.shown.size(), 2u);
    EXPECT_EQ(popups.shown[0][0].caption, "Show Details");
    EXPECT_FALSE(popups.shown[0][2].visible) << "Copy with the panel only";
    EXPECT_EQ(popups.shown[1][0].caption, "Hide Details");
    EXPECT_TRUE(popups.shown[1][2].visible);
    EXPECT_FALSE(page.picShowSensMeasures->Visible()) << "Hide Details";
}

// Starred beyond the critical correlation 0.06200 either way; never without a value.
TEST_F(PlotsTest, CopyPutsTheTableWithItsStarsOnTheClipboard) {
    ChooseFromPopup(0);
    ChooseFromPopup(2);
    std::string risk =
        "  Raw R2=\t0.900\t\t\tConst=Y\r\nRanks R2=\t0.800\t\t\tTails=2\r\n\t\t\t\t\r\n"
        "  \t  SPEA\t  PEAR\t   SRC\t  SRRC\r\np1\t  .062*\t -.250\t 1.000\t-1.000\r\n"
        "p2\t  .061 \t -.250\t 1.000\t-1.000\r\np3\t -.063*\t -.250\t 1.000\t-1.000\r\n"
        "p4\t    .  \t -.250\t 1.000\t-1.000";
    for (const std::string name : {"I1", "I2", "I3", "I4", "I5"}) {
        risk += "\r\n" + name + "\t  .500*\t -.250\t 1.000\t-1.000";
    }
    EXPECT_EQ(MUtilities::ClipboardText(), risk);
}

TEST_F(PlotsTest, TheCostTabShowsAndCopiesTheCostTable) {
    rc->ShowSensitivityMeasures(0);
    page.tabSimulationGraphs->SetTab(1);
    EXPECT_TRUE(page.txtMonte[1]->Visible());
    EXPECT_FALSE(page.txtMonte[0]->Visible());
    rc->CopySensitivityTable();
    EXPECT_EQ(MUtilities::ClipboardText().substr(0, 25), "  Raw R2=\t0.500\t\t\tConst=Y");
    EXPECT_EQ(Grid().TextMatrix(9, 1), "FC1");
}

TEST_F(PlotsTest, FewerThanTwentyTrialsStarNothing) {
    rc->State().RunSummary.trials = 19;
    rc->ShowSensitivityMeasures(0);
    EXPECT_EQ(Grid().TextMatrix(5, 2), "  .062");
}

TEST_F(PlotsTest, AnotherMainPageHidesThePanel) {
    rc->ShowSensitivityMeasures(1);
    host.mainPage = 0;
    rc->RefreshSensitivityDetails();
    EXPECT_FALSE(page.picShowSensMeasures->Visible());
}

TEST_F(PlotsTest, AfterAClearThePopupHasNothingToShow) {
    rc->ClearResults(false);
    rc->DrawResultPlot(1);
    rc->picMonte_MouseUp(1, 2, 0, 1, 0.5);
    ASSERT_FALSE(popups.shown.empty());
    EXPECT_FALSE(popups.shown.back()[0].enabled);
}

TEST_F(PlotsTest, TheBarUnderTheMouseMarksItsRow) {
    rc->ShowSensitivityMeasures(0);
    struct Case {
        const char* name;
        int pic;
        double x, y;
        int marked;
    };  // the grid row marked, -1 none
    const Case cases[] = {
        {"0.29 from the bar centre", 1, 2.29, 0.1, 7},    {"0.31 from it: between bars", 1, 2.31, 0.1, -1},
        {"the mouse above the bar's end", 1, 2, 0.5, -1}, {"within 0.05 above the end", 1, 2, 0.34, 7},
        {"position 9 is past the table", 1, 9, -0.1, -1}, {"the cost plot's FC2", 3, 5, 0.1, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.pic == 3) rc->ShowSensitivityMeasures(1);
        rc->picMonte_MouseMove(c.pic, 0, 0, c.x, c.y);
        for (int r = 0; r < Grid().Rows(); ++r) EXPECT_EQ(Grid().TextMatrix(r, 0), r == c.marked ? ">" : "") << r;
    }
    page.picShowSensMeasures->SetVisible(false);
    rc->picMonte_MouseMove(3, 0, 0, 4, 0.1);
    EXPECT_EQ(Grid().TextMatrix(9, 0), "") << "panel hidden: nothing marked";
}

}  // namespace
}  // namespace nuvir::test
