// What the results page shows of one run, against values worked out from the run's own
// exported trial table: the result lines of both outputs, the series of the six plots
// and the rank correlations of the details table. The model gives every stage and both
// outputs values of their own (onerun.h), so a number from the wrong stage, the wrong
// output or the wrong end of a series fails here.
#include <memory>

#include "numerics/numerics.h"
#include "platform/flexgrid.h"
#include "support/recordingpicturebox.h"
#include "results/resultplots.h"
#include "onerun_fixture.h"

namespace nuvir::test {
namespace {

constexpr Colour kRed = 0xFF, kBlack = 0, kWhite = 0xFFFFFF;

// One logged drawing call: its word, its numbers, its colour and its shape.
struct Drawn {
    std::string word;
    std::vector<double> at;
    std::string colour;
    std::string shape;
};

std::vector<Drawn> DrawnCalls(const RecordingPictureBox& pic) {
    std::vector<Drawn> out;
    for (const std::string& call : pic.calls) {
        const auto words = SplitText(call, ' ');
        Drawn d{words[0], {}, {}, {}};
        const std::size_t numbers = d.word == "Line" ? 4 : d.word == "PSet" ? 2 : 0;
        if (numbers == 0 || words.size() < numbers + 2) continue;
        for (std::size_t i = 1; i <= numbers; ++i) d.at.push_back(ParseNumber(words[i]));
        d.colour = words[numbers + 1];
        if (words.size() > numbers + 2) d.shape = words[numbers + 2];
        out.push_back(d);
    }
    return out;
}

std::string ColourText(Colour c) { return std::to_string(c); }

struct Bar {
    double x, base, top;
};
// The filled boxes drawn in a colour, as bars: centre, base and top.
std::vector<Bar> Bars(const RecordingPictureBox& pic, Colour colour) {
    std::vector<Bar> bars;
    for (const Drawn& d : DrawnCalls(pic)) {
        if (d.word == "Line" && d.shape == "FilledBox" && d.colour == ColourText(colour)) {
            bars.push_back({(d.at[0] + d.at[2]) / 2, d.at[1], d.at[3]});
        }
    }
    return bars;
}

struct Series {
    std::string colour;
    std::vector<std::pair<double, double>> points;
};
// The line graphs: each starts with a dot and goes on with segments in its colour from
// the last point (a dot on the last point does not break it).
std::vector<Series> LineSeries(const RecordingPictureBox& pic) {
    std::vector<Series> out;
    for (const Drawn& d : DrawnCalls(pic)) {
        if (d.word == "PSet") {
            // A graph with markers sets a dot on each of its points again.
            const bool again = !out.empty() && out.back().colour == d.colour &&
                               out.back().points.back() == std::pair<double, double>(d.at[0], d.at[1]);
            if (!again) out.push_back({d.colour, {{d.at[0], d.at[1]}}});
        } else if (d.word == "Line" && d.shape.empty() && !out.empty() && d.colour == out.back().colour) {
            const auto& last = out.back().points.back();
            if (std::fabs(d.at[0] - last.first) < 1e-6 &&
                std::fabs(d.at[1] - last.second) < 1e-6 * (1 + std::fabs(last.second))) {
                out.back().points.emplace_back(d.at[2], d.at[3]);
            }
        }
    }
    return out;
}

// The histogram's three markers as (x, base, top): red segments on screen; in the
// report, black outlines over white boxes (x their centre).
std::vector<Bar> Markers(const RecordingPictureBox& pic, bool report) {
    std::vector<Bar> out;
    for (const Drawn& d : DrawnCalls(pic)) {
        if (d.word != "Line") continue;
        if (!report && d.shape.empty() && d.colour == ColourText(kRed)) {
            EXPECT_EQ(d.at[0], d.at[2]) << "a vertical line";
            out.push_back({d.at[0], d.at[1], d.at[3]});
        }
        if (report && d.shape == "Box" && d.colour == ColourText(kBlack))
            out.push_back({(d.at[0] + d.at[2]) / 2, d.at[1], d.at[3]});
    }
    // The chart's frames come first.
    if (report && out.size() > 3) out.erase(out.begin(), out.end() - 3);
    return out;
}

// Drawn in single precision.
::testing::AssertionResult Near(double drawn, double expected, double scale) {
    if (std::fabs(drawn - expected) <= 2e-6 * std::max(1.0, std::fabs(scale))) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "drawn " << drawn << ", expected " << expected;
}

TEST_F(OneRunTest, EachResultLineShowsItsOutputsPointTotalMeanSdAndLimits) {
    struct Case {
        const char* name;
        int box;
        int output;
        double point;
    };
    const Case cases[] = {{"risk line", 0, 0, kPointTotalRisk}, {"cost line", 1, 1, kPointTotalCost}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = page.txtMonte[c.box]->Text();
        ASSERT_GE(text.size(), 2u);
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        const auto fields = SplitText(text.substr(0, text.size() - 2), '\t');
        ASSERT_EQ(fields.size(), 5u) << text;
        EXPECT_TRUE(ShownTo4Figures(fields[0], c.point)) << "point total";
        EXPECT_TRUE(ShownTo4Figures(fields[1], trials->Mean(c.output))) << "mean";
        EXPECT_TRUE(ShownTo4Figures(fields[2], trials->Sd(c.output))) << "standard deviation";
        EXPECT_TRUE(ShownTo4Figures(fields[3], trials->LowerLimit(c.output))) << "lower limit";
        EXPECT_TRUE(ShownTo4Figures(fields[4], trials->UpperLimit(c.output))) << "upper limit";
    }
}

// On the page and in the report's black and white.
TEST_F(OneRunTest, EachHistogramHasItsOutputsClassesAndMarkers) {
    struct Case {
        const char* name;
        int kind;
        int output;
        bool report;
        Colour bars;
        double point;
    };
    const Case cases[] = {{"risk", 0, 0, false, Option(opt::kColourOval), kPointTotalRisk},
                          {"cost", 1, 1, false, Option(opt::kColourFixedCost), kPointTotalCost},
                          {"risk, report", 0, 0, true, kBlack, kPointTotalRisk},
                          {"cost, report", 1, 1, true, kBlack, kPointTotalCost}};
    ASSERT_NE(Option(opt::kColourOval), Option(opt::kColourFixedCost));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingPictureBox pic(600, 400);
        DrawFrequencyPlot(pic, c.kind, c.report, rc->State(), AppOptions);
        const auto expected = trials->Frequencies(c.output, 200);
        const auto bars = Bars(pic, c.bars);
        ASSERT_EQ(bars.size(), 200u);
        int total = 0;
        for (int k = 0; k < 200; ++k) {
            SCOPED_TRACE(k);
            EXPECT_TRUE(Near(bars[k].x, expected.Midpoint(k), expected.Midpoint(k))) << "class centre";
            if (expected.sure[k]) {
                EXPECT_EQ(bars[k].top, expected.counts[k]) << "class count";
            }
            total += static_cast<int>(bars[k].top);
        }
        EXPECT_EQ(total, 1000);
        // From y = 0: the point total a quarter of the axis high, the limits an eighth.
        const auto marks = Markers(pic, c.report);
        ASSERT_EQ(marks.size(), 3u);
        const double at[3] = {c.point, trials->LowerLimit(c.output), trials->UpperLimit(c.output)};
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            EXPECT_TRUE(Near(marks[i].x, at[i], at[i]));
            EXPECT_EQ(marks[i].base, 0);
        }
        EXPECT_TRUE(Near(marks[0].top, 2 * marks[1].top, marks[0].top)) << "the point marker is twice as tall";
        EXPECT_TRUE(Near(marks[1].top, marks[2].top, marks[1].top));
    }
}

TEST_F(OneRunTest, EachCumulativePlotHasItsStagesMeansLimitsAndExtremes) {
    // Trial table outputs: 0 Total_Risk, 1 Total_Cost, 2..5 Risk1..Risk4, 6..8 Cost1..Cost3.
    struct Case {
        const char* name;
        int kind;
        std::vector<int> outputs;
        bool report;
        Colour axes, mean, limits;
    };
    const Colour background = Option(opt::kColourPlotBackground);
    const Case cases[] = {
        {"risk", 0, {2, 3, 4, 5, 0}, false, background, Option(opt::kColourOval), kRed},
        {"cost", 1, {6, 7, 8, 1}, false, background, Option(opt::kColourFixedCost), kRed},
        {"risk, report", 0, {2, 3, 4, 5, 0}, true, kWhite, kBlack, kBlack},
        {"cost, report", 1, {6, 7, 8, 1}, true, kWhite, kBlack, kBlack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingPictureBox pic(600, 400);
        DrawCumulativePlot(pic, c.kind, c.report, rc->State(), AppOptions);
        const auto series = LineSeries(pic);
        // The axes' invisible graph, the mean, lower and upper limits, minima, maxima, the mean again.
        ASSERT_EQ(series.size(), 7u);
        std::vector<double> means, lows, highs, mins, maxs;
        for (int m : c.outputs) {
            means.push_back(trials->Mean(m));
            lows.push_back(trials->LowerLimit(m));
            highs.push_back(trials->UpperLimit(m));
            mins.push_back(trials->Min(m));
            maxs.push_back(trials->Max(m));
        }
        const double lo = *std::min_element(mins.begin(), mins.end());
        const double hi = *std::max_element(maxs.begin(), maxs.end());
        std::vector<double> range(c.outputs.size(), lo);
        range.back() = hi;
        struct Line {
            const char* name;
            std::size_t index;
            const std::vector<double>* y;
            Colour colour;
        };
        const Line lines[] = {{"axis range", 0, &range, c.axes},    {"means", 1, &means, c.mean},
                              {"lower limits", 2, &lows, c.limits}, {"upper limits", 3, &highs, c.limits},
                              {"minima", 4, &mins, c.limits},       {"maxima", 5, &maxs, c.limits},
                              {"means on top", 6, &means, c.mean}};
        for (const Line& l : lines) {
            SCOPED_TRACE(l.name);
            const Series& s = series[l.index];
            EXPECT_EQ(s.colour, ColourText(l.colour));
            ASSERT_EQ(s.points.size(), c.outputs.size());
            for (std::size_t i = 0; i < s.points.size(); ++i) {
                SCOPED_TRACE(i);
                EXPECT_EQ(s.points[i].first, static_cast<double>(i)) << "stage " << i + 1 << " at x = " << i;
                EXPECT_TRUE(Near(s.points[i].second, (*l.y)[i], hi));
            }
        }
    }
}

TEST_F(OneRunTest, EachSensitivityPlotHasItsInputsRankCorrelationsWithItsOutput) {
    // Inputs: 0..3 p1..p4, 4..8 I1..I5, 9..12 F1..F4; cost bars of F1..F4 stand at 4..7.
    struct Case {
        const char* name;
        int kind;
        int output;
        std::vector<int> second;
        bool report;
        Colour pColour, secondColour;
        int shift;
    };
    const Colour pBox = Option(opt::kColourPBox);
    const Case cases[] = {
        {"risk", 0, 0, {4, 5, 6, 7, 8}, false, pBox, Option(opt::kColourIBox), 0},
        {"cost", 1, 1, {9, 10, 11, 12}, false, pBox, Option(opt::kColourFixedCost), 5},
        {"risk, report", 0, 0, {4, 5, 6, 7, 8}, true, kBlack, kBlack, 0},
        {"cost, report", 1, 1, {9, 10, 11, 12}, true, kBlack, kBlack, 5},
    };
    ASSERT_NE(Option(opt::kColourPBox), Option(opt::kColourIBox));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingPictureBox pic(600, 400);
        DrawSensitivityPlot(pic, c.kind, c.report, rc->State(), AppOptions, true);
        auto pBars = Bars(pic, c.pColour);
        // In the report both groups are black: the p bars come first.
        if (c.report) pBars.resize(std::min<std::size_t>(pBars.size(), 4));
        ASSERT_EQ(pBars.size(), 4u);
        for (int j = 0; j < 4; ++j) {
            SCOPED_TRACE(j);
            EXPECT_TRUE(Near(pBars[j].x, j, 1));
            EXPECT_EQ(pBars[j].base, 0);
            EXPECT_TRUE(Near(pBars[j].top, trials->Spearman(j, c.output), 1));
        }
        // The group is drawn last: on the default grey background the white zone before it
        // shares the fixed-cost colour.
        auto others = Bars(pic, c.secondColour);
        ASSERT_GE(others.size(), c.second.size());
        others.erase(others.begin(), others.end() - static_cast<std::ptrdiff_t>(c.second.size()));
        for (std::size_t i = 0; i < c.second.size(); ++i) {
            const int j = c.second[i];
            SCOPED_TRACE(j);
            EXPECT_TRUE(Near(others[i].x, j - c.shift, 1));
            EXPECT_EQ(others[i].base, 0);
            EXPECT_TRUE(Near(others[i].top, trials->Spearman(j, c.output), 1));
        }
    }
}

// The details panel as shown for each sub-tab: each input's rank correlation with the
// tab's output, starred when significant, and the R² of the output's fits on its own
// inputs, on the values and on their ranks, with or without the constant as the run had
// it. The table fills the grid from row 1 and column 1; inputs from row 5.
TEST_F(OneRunTest, TheDetailsPanelShowsEachOutputsOwnMeasures) {
    // 1000 trials at 95 % with two tails: t(0.975, 998) = 1.962344 and the critical
    // correlation t / sqrt(t^2 + 998) = 0.0619968.
    ASSERT_TRUE(CBool(AppData(item::kRhoTwoTails)));
    constexpr double kCritical = 0.0619968;
    const bool constant = CBool(rc->State().RunSnapshot(item::kRegUseConstant));
    struct Case {
        const char* name;
        int page;
        int output;
        std::vector<int> inputs;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"risk", 0, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8}, {"p1", "p2", "p3", "p4", "I1", "I2", "I3", "I4", "I5"}},
        {"cost", 1, 1, {0, 1, 2, 3, 9, 10, 11, 12}, {"p1 ", "p2 ", "p3 ", "p4 ", "FC1", "FC2", "FC3", "FC4"}},
    };
    const FlexGrid& grid = *page.flxShowSensMeasures;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rc->ShowSensitivityMeasures(c.page);
        ASSERT_EQ(grid.Rows(), static_cast<int>(c.inputs.size()) + 4 + 2);
        EXPECT_NEAR(ParseNumber(grid.TextMatrix(1, 2)), trials->R2(c.output, c.inputs, constant, false), 0.0005 + 1e-12)
            << "raw R2";
        EXPECT_NEAR(ParseNumber(grid.TextMatrix(2, 2)), trials->R2(c.output, c.inputs, constant, true), 0.0005 + 1e-12)
            << "ranks' R2";
        for (std::size_t i = 0; i < c.inputs.size(); ++i) {
            const int row = 5 + static_cast<int>(i);
            SCOPED_TRACE(c.names[i]);
            EXPECT_EQ(grid.TextMatrix(row, 1), c.names[i]);
            const std::string cell = grid.TextMatrix(row, 2);
            ASSERT_FALSE(cell.empty());
            const double shown = ParseNumber(cell.substr(0, cell.size() - 1));
            EXPECT_NEAR(shown, trials->Spearman(c.inputs[i], c.output), 0.0005 + 1e-12) << cell;
            EXPECT_EQ(cell.back(), std::fabs(shown) > kCritical ? '*' : ' ') << cell;
        }
    }
}

// The page's six plots are the plot routines' drawings of the right output: drawn
// again with the kind each picture belongs to, each looks the same.
TEST_F(OneRunTest, EachPlotOfThePageIsDrawnForItsOwnOutput) {
    using Draw = bool (*)(PictureBox&, int, bool, const RunState&);
    struct Case {
        const char* name;
        int pic;
        Draw draw;
        int kind;
    };
    const Case cases[] = {
        {"risk histogram", 0, DrawFrequencyPlot, 0},    {"risk sensitivity", 1, DrawSensitivityPlot, 0},
        {"cost histogram", 2, DrawFrequencyPlot, 1},    {"cost sensitivity", 3, DrawSensitivityPlot, 1},
        {"cumulative risks", 4, DrawCumulativePlot, 0}, {"cumulative costs", 5, DrawCumulativePlot, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QtPictureBox& pic = *page.picMonte[c.pic];
        const QImage shown = pic.Image();
        c.draw(pic, c.kind, false, rc->State());
        EXPECT_EQ(pic.Image(), shown);
        SavePicture(shown, std::string("results_onerun_") + std::to_string(c.pic) + ".png");
    }
}

}  // namespace
}  // namespace nuvir::test
