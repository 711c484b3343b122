#include <QPainter>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "numerics/numerics.h"
#include "platform/recordingpicturebox.h"
#include "results/resultplots.h"
#include "results_fixture.h"

namespace nuvir::test {
namespace {

constexpr Colour kRed = 0xFF;
constexpr Colour kBlack = 0;
constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kGrey = 0xC0C0C0;

class PlotsTest : public ResultsTest {
protected:
    PlotsTest() {
        run.RunSnapshot = AppData;
        run.RunSnapshot(item::kConfidenceChoice) = 1;
        run.RunSummary.trials = 1000;
        run.RunFrequencies.classes = 200;
        run.RunFrequencies.values.resize(800);
        for (int k = 0; k < 200; ++k) {
            run.RunFrequencies.values[2 * k] = 0.1 + 0.001 * k;
            run.RunFrequencies.values[2 * k + 1] = 10 + k % 7;
            run.RunFrequencies.values[2 * (k + 200)] = 5 + 0.01 * k;
            run.RunFrequencies.values[2 * (k + 200) + 1] = 5;
        }
        const int risk[] = {2, 3, 4, 5, 0};
        for (int i = 0; i < 5; ++i) {
            const int c = risk[i];
            run.RunSummary.mean[c] = 0.05 * (i + 1);
            run.RunSummary.min[c] = 0.05 * i;
            run.RunSummary.max[c] = 0.05 * (i + 2);
            run.RunLimits[c] = {0.05 * (i + 1) - 0.03, 0.05 * (i + 1) + 0.03};
        }
        for (int j = 0; j < 13; ++j) run.RunRankCorrelations[j] = {0.5 - 0.1 * j, 0.3};
        run.PointTotalRisk = 0.2;
        run.RunLimits[0] = {0.15, 0.25};
        run.PointTotalCost = 6.0;
        run.RunLimits[1] = {5.5, 6.5};
        options = AppOptions;
    }
    // Fixed axes make marker heights exact: y from 0 to 100.
    void FixYAxis(int item, double lo, double hi) {
        options(item) = Variant::List({Variant(), Variant(), Variant(), Variant(), lo, hi, Variant(), Variant()});
    }
    RunState run;
    Variant options;
};

TEST_F(PlotsTest, ScreenHistogramMarksThePointAndTheLimitsInRedFromZero) {
    FixYAxis(opt::kPlotPandIMonteCarlo, 0, 100);
    ImagePictureBox pic(400, 300);
    pic.SetDrawWidth(3);
    pic.SetFillStyle(4);
    DrawFrequencyPlot(pic, 0, false, run, options);
    EXPECT_EQ(pic.DrawWidth(), 3);
    EXPECT_EQ(pic.FillStyle(), 4);
    EXPECT_EQ(pic.Point(0.2, 20), kRed);
    EXPECT_NE(pic.Point(0.2, 28), kRed) << "the point marker is a quarter of the axis high";
    EXPECT_EQ(pic.Point(0.15, 10), kRed);
    EXPECT_NE(pic.Point(0.15, 15), kRed) << "a limit marker is an eighth high";
    EXPECT_EQ(pic.Point(0.25, 10), kRed);
    EXPECT_EQ(pic.Point(0.12, 5), CLng(options(opt::kColourOval))) << "bars in the Oval colour";
    EXPECT_EQ(pic.Point(0.12, 80), CLng(options(opt::kColourPlotBackground)));

    ImagePictureBox cost(400, 300);
    FixYAxis(opt::kPlotCostsMonteCarlo, 0, 100);
    DrawFrequencyPlot(cost, 1, false, run, options);
    EXPECT_EQ(cost.Point(5.2, 2), CLng(options(opt::kColourFixedCost)));
    EXPECT_EQ(cost.Point(6.0, 20), kRed);
}

TEST_F(PlotsTest, ReportHistogramHatchesWhiteBlankedBoxesOnWhite) {
    FixYAxis(opt::kPlotPandIMonteCarlo, 0, 100);
    ImagePictureBox pic(400, 300);
    DrawFrequencyPlot(pic, 0, true, run, options);
    EXPECT_EQ(pic.Point(0.12, 80), kWhite);
    EXPECT_EQ(pic.Point(0.12, 5), kBlack) << "black bars";
    int black = 0, white = 0;
    const int cx = pic.PixelX(0.2);
    for (int px = cx - 3; px <= cx + 3; ++px) {
        for (int py = pic.PixelY(22); py <= pic.PixelY(3); ++py) {
            const QRgb c = pic.Image().pixel(px, py) & 0xFFFFFF;
            (c == 0 ? black : white) += 1;
        }
    }
    EXPECT_GT(black, 0) << "the hatch";
    EXPECT_GT(white, 0) << "the bars blanked inside the box";
    EXPECT_EQ(pic.Point(0.2 - pic.ScaleX(5, scale::Pixels, scale::User), 10), kBlack) << "outline 10 pixels wide";
    EXPECT_EQ(pic.Point(0.2 - pic.ScaleX(7, scale::Pixels, scale::User), 10), kBlack) << "a bar beside the box";
}

TEST_F(PlotsTest, AutoTextInTheOptionsReadsAsAutomaticAndTheFrequencyAxisStartsAtZero) {
    ImagePictureBox empty(400, 300), autoText(400, 300);
    DrawFrequencyPlot(empty, 0, false, run, options);
    options(opt::kPlotPandIMonteCarlo) = Variant::List({"Auto", "Auto", "Auto", "", "Auto", "Auto", "Auto", ""});
    DrawFrequencyPlot(autoText, 0, false, run, options);
    EXPECT_EQ(empty.Image(), autoText.Image());
    EXPECT_EQ(autoText.Point(0.2, 0.5), kRed) << "markers start at the x axis, y = 0";
}

TEST_F(PlotsTest, ReferenceLinesFromThePlotOptions) {
    options(opt::kPlotPandIMonteCarlo) = Variant::List({Variant(), Variant(), Variant(), 0.18, 0, 100, Variant(), 50});
    ImagePictureBox pic(400, 300);
    DrawFrequencyPlot(pic, 0, false, run, options);
    EXPECT_EQ(pic.Point(0.18, 70), kBlack) << "vertical at a risk value";
    EXPECT_EQ(pic.Point(0.28, 50), kBlack) << "horizontal at a frequency";
}

TEST_F(PlotsTest, AFailedChartDrawsNoMarkersAndLeavesThePenAlone) {
    run.RunFrequencies.classes = 0;
    run.RunFrequencies.values.clear();
    RecordingPictureBox pic;
    pic.SetDrawWidth(3);
    pic.ClearCalls();
    DrawFrequencyPlot(pic, 0, false, run, options);
    EXPECT_EQ(pic.DrawWidth(), 3);
    EXPECT_EQ(pic.Count("Line"), 0);
}

// The y ends of the segments drawn in a colour.
std::vector<double> SegmentYs(const RecordingPictureBox& pic, Colour colour) {
    std::vector<double> ys;
    for (const auto& call : pic.calls) {
        std::istringstream in(call);
        std::string word;
        double x1, y1, x2, y2;
        std::string c;
        if (!(in >> word >> x1 >> y1 >> x2 >> y2 >> c) || word != "Line") continue;
        std::string shape;
        if (in >> shape) continue;
        if (c == FormatDouble(colour)) {
            ys.push_back(y1);
            ys.push_back(y2);
        }
    }
    return ys;
}

TEST_F(PlotsTest, CumulativeLimitsAreClampedIntoTheAxisTheMeansAreNot) {
    FixYAxis(opt::kPlotPandICumulative, 0, 0.2);
    RecordingPictureBox pic(400, 300);
    DrawCumulativePlot(pic, 0, false, run, options);
    const auto red = SegmentYs(pic, kRed);
    ASSERT_FALSE(red.empty());
    // The chart draws in single precision.
    for (double y : red) EXPECT_LE(y, 0.2 + 1e-6);
    EXPECT_GE(std::count_if(red.begin(), red.end(), [](double y) { return std::fabs(y - 0.2) < 1e-6; }), 4)
        << "upper limits and maxima run flat along the top";
    const auto mean = SegmentYs(pic, CLng(options(opt::kColourOval)));
    ASSERT_FALSE(mean.empty());
    EXPECT_GT(*std::max_element(mean.begin(), mean.end()), 0.2) << "the mean of R1..R5 is 0.25";
    EXPECT_GE(pic.Count("DrawStyle=2"), 2) << "minima and maxima dotted";
    EXPECT_EQ(pic.Count("Print R1..R2    "), 1) << "labels keep their four blanks";
    EXPECT_EQ(pic.Count("Print R1..R2"), pic.Count("Print R1..R2    "));
}

TEST_F(PlotsTest, CumulativeReportIsBlackOnWhite) {
    RecordingPictureBox pic(400, 300);
    DrawCumulativePlot(pic, 1, true, run, options);
    EXPECT_TRUE(SegmentYs(pic, kRed).empty());
    EXPECT_FALSE(SegmentYs(pic, kBlack).empty());
    EXPECT_EQ(pic.Count("Print C1..C4    "), 1);
    EXPECT_EQ(pic.Count("Print R1"), 0);
}

TEST_F(PlotsTest, TheSignificanceZoneOf1000TrialsAt95PercentTwoTails) {
    // t(0.975, 998) = 1.96234, so r = t / sqrt(t^2 + 998) = 0.06200.
    ImagePictureBox pic(400, 900);
    options(opt::kColourPlotBackground) = static_cast<int>(kWhite);
    DrawSensitivityPlot(pic, 0, false, run, options, true);
    EXPECT_EQ(pic.Point(-0.5, 0.058), kGrey);
    EXPECT_EQ(pic.Point(-0.5, -0.058), kGrey);
    EXPECT_NE(pic.Point(-0.5, 0.066), kGrey);
    EXPECT_EQ(pic.Point(8.6, 0.03), kGrey) << "the zone spans -0.75..8.75";

    options(opt::kColourPlotBackground) = static_cast<int>(kGrey);
    DrawSensitivityPlot(pic, 0, false, run, options, true);
    EXPECT_EQ(pic.Point(-0.5, 0.03), kWhite) << "on a grey background the zone is white";

    run.RunSummary.trials = 19;
    DrawSensitivityPlot(pic, 0, false, run, options, true);
    EXPECT_EQ(pic.Point(-0.5, 0.03), kGrey) << "19 trials: no zone, the grey background shows";
    EXPECT_EQ(pic.Point(0, 0.25), CLng(options(opt::kColourPBox))) << "bars still drawn";
}

TEST_F(PlotsTest, SensitivityBarsLabelsAndTheNoValueMarker) {
    run.RunRankCorrelations[2][0] = NumericLimits::LowestDouble;
    ImagePictureBox pic(400, 600);
    DrawSensitivityPlot(pic, 0, false, run, options, true);
    EXPECT_EQ(pic.Point(0, 0.25), CLng(options(opt::kColourPBox)));
    EXPECT_NE(pic.Point(2, 0.02), CLng(options(opt::kColourPBox))) << "no value draws as a 0 bar";
    EXPECT_EQ(pic.Point(4, 0.05), CLng(options(opt::kColourIBox)));
    EXPECT_EQ(pic.Point(7.5, 0), kBlack) << "zero line";

    RecordingPictureBox cost(400, 600);
    DrawSensitivityPlot(cost, 1, false, run, options, true);
    for (const char* label : {"Print p1", "Print p4", "Print F1", "Print F4"}) EXPECT_EQ(cost.Count(label), 1) << label;
    EXPECT_EQ(cost.Count("Print I"), 0);
}

TEST_F(PlotsTest, SensitivityReportOutlinesTheZoneDotted) {
    RecordingPictureBox pic(400, 600);
    DrawSensitivityPlot(pic, 0, true, run, options, true);
    const auto dotted = std::find(pic.calls.begin(), pic.calls.end(), "DrawStyle=2");
    ASSERT_NE(dotted, pic.calls.end());
    const auto box = std::find_if(dotted, pic.calls.end(), [](const std::string& c) { return c.find(" Box") != std::string::npos; });
    ASSERT_NE(box, pic.calls.end());
    EXPECT_EQ(box->rfind("Line -0.75 -0.06", 0), 0u) << *box;
    EXPECT_NE(std::find(box, pic.calls.end(), "DrawStyle=0"), pic.calls.end()) << "the next chart call draws solid";
    EXPECT_TRUE(SegmentYs(pic, kRed).empty());
}

// Where a person would rather look: the six plots of a real run in both styles.
TEST_F(PlotsTest, SixPlotsOfARealRunInBothStyles) {
    ASSERT_TRUE(Run(2000));
    EXPECT_TRUE(services.messageBox.calls.empty()) << "constant costs draw without failure";
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

}  // namespace
}  // namespace nuvir::test
