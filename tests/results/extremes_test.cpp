// Runs whose results lie at either end of the Double range, through the Run button:
// total risks near 1e-305, total risks from about -1.4e308 to 1.5e308 (further apart
// than the largest Double), from 1e304 to 1.797e308 and from -1.7977e308 up, a fit whose
// constant lies beyond it, and one whose inputs' spreads lie 1e180 apart. Each ends in
// results, lines, plots and sensitivity measures, against references worked out here
// from the run's exported trials.
#include <QImage>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "onerun.h"
#include "platform/windowutilities.h"
#include "results/resultplots.h"
#include "results_fixture.h"

namespace nuvir::test {
namespace {

constexpr QRgb kRedPixel = 0xFFFF0000;

class ExtremesTest : public ResultsTest {
protected:
    // Relative mode as the defaults have it, with I1 to I5 at `impact`.
    static void AllImpactsAt(double impact) {
        for (int j = item::kI1; j <= item::I(5); ++j) {
            AppData(item::Relative(j))(0) = impact;
            AppData(item::PointValue(j)) = impact;
        }
        MKelvaro::StoreOutcomeRisks(AppData);
    }
    // Absolute mode: every quantity fixed (p 1, impacts and costs 0) but those given.
    static void AbsoluteWith(const std::vector<std::pair<int, std::array<double, 3>>>& drawn) {
        AppData(item::kUncertaintyMode) = 1;
        for (int j = 0; j < 13; ++j) AppData(item::Absolute(j)) = Variant::Doubles({j < 4 ? 1.0 : 0.0, 0, 0});
        for (const auto& [j, record] : drawn)
            AppData(item::Absolute(j)) = Variant::Doubles({record[0], record[1], record[2]});
    }
    // The point values of p1 to p4 at 1 and of I5 at `total`: the point total.
    static void PointTotalAt(double total) {
        for (int k = 1; k <= 4; ++k) AppData(item::PointValue(item::P(k))) = 1.0;
        AppData(item::PointValue(item::I(5))) = total;
        MKelvaro::StoreOutcomeRisks(AppData);
    }
    // The run with its trials exported, read back.
    TrialTableStatistics ExportedRun(int trials) {
        AppOptions(opt::kExportFormats) = Variant::List({true, false, false});
        host.exportPaths = dir.file("trials.csv");
        rc->runSeed = 2718.0f;
        EXPECT_TRUE(Run(trials)) << (Messages().empty() ? "" : Messages().back().text);
        EXPECT_TRUE(Messages().empty());
        return TrialTableStatistics(ReadBytes(host.exportPaths));
    }
    // The fields of the last line of an output's result box: point, mean, SD, limits.
    std::vector<std::string> ResultLine(int output) const {
        std::string text = page.txtMonte[static_cast<std::size_t>(output)]->Text();
        text = text.substr(0, text.size() - 2);
        return SplitText(text.substr(text.rfind('\n') + 1), '\t');
    }
};

// The pixel columns of the picture that hold the colour, in runs of neighbours: first
// and last column of each run.
std::vector<std::pair<int, int>> ColumnRuns(const QImage& image, QRgb colour) {
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < image.width(); ++x) {
        bool found = false;
        for (int y = 0; y < image.height() && !found; ++y) found = (image.pixel(x, y) | 0xFF000000u) == colour;
        if (!found) continue;
        if (!runs.empty() && runs.back().second == x - 1)
            runs.back().second = x;
        else
            runs.emplace_back(x, x);
    }
    return runs;
}

// A measure as the details table shows it (" -.512", "  .5", "1.000"), or NaN.
double ShownMeasure(std::string cell) {
    cell.erase(0, cell.find_first_not_of(' '));
    const bool negative = !cell.empty() && cell[0] == '-';
    if (negative) cell.erase(0, 1);
    if (!cell.empty() && cell[0] == '.') cell.insert(0, "0");
    return (negative ? -1 : 1) * ParseNumber(cell);
}

// The sample mean, SD and 95 % limits of the exported total risk, in quadruple
// precision (the trials' 15 figures are all the reference has).
struct Reference {
    double mean, sd, lower, upper;
};
Reference ReferenceOf(const TrialTableStatistics& trials) {
    std::vector<double> v = trials.Output(0);
    const QuadPair q = QuadMoments(v, v);
    std::sort(v.begin(), v.end());
    return {q.meanA, q.sdA, QuadQuantile(v, 0.025), QuadQuantile(v, 0.975)};
}

TEST_F(ExtremesTest, RunsAtBothEndsShowTheirLinesAndPlots) {
    struct Case {
        const char* name;
        const char* picture;
        std::function<void()> model;
        // The total risks reach what the case stands for.
        std::function<bool(double min, double max)> reached;
        int trials = 1000;
    };
    const Case cases[] = {
        {"I1 to I5 of 1e-305 in relative mode", "extremes_1e-305", [] { AllImpactsAt(1e-305); },
         [](double min, double max) { return min > 0 && max < 1e-304; }},
        // p1 to p4 at 1: the total risk is I5, normal about 0 with an SD of 4.5e307.
        {"total risk from about -1.4e308 to 1.5e308", "extremes_1.5e308",
         [] {
             AbsoluteWith({{item::I(5), {0, 1, 4.5e307}}});
         },
         [](double min, double max) { return !std::isfinite(max - min); }},
        // I5 uniform from 8.5e303 to 1.7969e308: the range of 10,000 trials lies above
        // 1.79e308, and rounded up to 1e306 beyond the largest Double.
        {"total risk from about 1e304 to 1.797e308", "extremes_1.797e308",
         [] {
             AbsoluteWith({{item::I(5), {8.985e307, 0, 5.187e307}}});
             PointTotalAt(8.985e307);
         },
         [](double min, double max) { return max - min > 1.79e308; }, 10000},
        // I5 uniform from -1.79768e308 to -1.69568e308: the least of 10,000 trials lies
        // below -1.7976e308, within 1e304 (the place its classes start at) of the most
        // negative Double.
        {"total risk from about -1.7977e308 to -1.696e308", "extremes_-1.797e308",
         [] {
             AbsoluteWith({{item::I(5), {-1.74668e308, 0, 2.9445e306}}});
             PointTotalAt(-1.74668e308);
         },
         [](double min, double) { return min < -1.7976e308; }, 10000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppData = GetAppDataDefaults(true, Variant());
        c.model();
        const TrialTableStatistics trials = ExportedRun(c.trials);
        ASSERT_EQ(trials.Trials(), static_cast<std::size_t>(c.trials));
        EXPECT_TRUE(c.reached(trials.Min(0), trials.Max(0)));
        const Reference ref = ReferenceOf(trials);
        const std::vector<std::string> line = ResultLine(0);
        ASSERT_EQ(line.size(), 5u);
        EXPECT_TRUE(ShownTo4Figures(line[1], ref.mean));
        EXPECT_TRUE(ShownTo4Figures(line[2], ref.sd));
        EXPECT_TRUE(ShownTo4Figures(line[3], ref.lower));
        EXPECT_TRUE(ShownTo4Figures(line[4], ref.upper));

        // The histogram shows its three marks apart (lower limit, point, upper limit) and
        // its bars reach beyond the limits on either side.
        ImagePictureBox pic(400, 300);
        ASSERT_TRUE(DrawFrequencyPlot(pic, 0, false, rc->State()));
        const QImage image = pic.Image();
        const auto marks = ColumnRuns(image, kRedPixel);
        const auto bars = ColumnRuns(image, ColourToQColor(CLng(AppOptions(opt::kColourOval))).rgb());
        ASSERT_EQ(marks.size(), 3u);
        ASSERT_FALSE(bars.empty());
        EXPECT_LT(bars.front().first, marks.front().first);
        EXPECT_GT(bars.back().second, marks.back().second);
        for (int i = 0; i < 6; ++i)
            SavePicture(page.picMonte[static_cast<std::size_t>(i)]->Image(),
                        std::string(c.picture) + "_" + std::to_string(i) + ".png");
    }
}

// Impacts near 1.7e308 fitted with the constant: the constant lies beyond the Double
// range, the measures and R^2 do not. The reference is the test's own fit (normal
// equations, Gauss-Jordan) of the same run with I5 2^1000 times smaller, whose trials
// are those of this one scaled exactly (a power of two), as are R^2 and the ranks.
TEST_F(ExtremesTest, AFitWhoseConstantLiesBeyondTheRangeShowsItsMeasures) {
    const auto model = [](double scale) {
        std::vector<std::pair<int, std::array<double, 3>>> drawn;
        for (int j = 0; j < 4; ++j) drawn.push_back({j, {0.9, 0, 0.05}});
        drawn.push_back({item::I(5), {1.7e308 * scale, 0, 1e306 * scale}});
        AbsoluteWith(drawn);
        AppData(item::kRegUseConstant) = true;
    };
    model(0x1p-1000);
    const TrialTableStatistics scaled = ExportedRun(1000);
    const std::vector<int> inputs{0, 1, 2, 3, 8};
    const double raw = scaled.R2(0, inputs, true, false), ranked = scaled.R2(0, inputs, true, true);

    model(1.0);
    const TrialTableStatistics trials = ExportedRun(1000);
    ASSERT_GT(trials.Max(0), 1e308);
    ASSERT_TRUE(rc->State().SensitivitySummary);
    const SensitivityTableText& table = (*rc->State().SensitivitySummary)[0];
    EXPECT_NEAR(ParseNumber(table[0][1]), raw, 0.0005 + 1e-9) << table[0][1];
    EXPECT_NEAR(ParseNumber(table[1][1]), ranked, 0.0005 + 1e-9) << table[1][1];
    // Rows of p1 to p4 and I5 (after the R^2 rows, a gap and the headings): SRC and
    // SRRC are numbers; the fixed I1 to I4 have none.
    for (const int j : inputs) {
        const auto& row = table[static_cast<std::size_t>(4 + j)];
        SCOPED_TRACE(row[0]);
        for (int column = 3; column <= 4; ++column) {
            const std::string& cell = row[static_cast<std::size_t>(column)];
            EXPECT_TRUE(std::isfinite(ShownMeasure(cell))) << cell;
        }
    }
    EXPECT_EQ(table[4 + 4][3], "    . ");
}

// Inputs whose spreads lie 1e180 apart, columns that are fitted as they stand: p1 1e-80
// +- 1e-81 (uniform), p2 fixed at 1e-80 and I5 1e100 +- 1e99, so that the total risk,
// p1 p2 I5, lies near 1e-60, and I5's sum of squares over its 1e318 times. Fitted with
// and without the constant, R^2 and the SRC of p1 and I5 (about 0.5 each) are those of
// the test's own fit on the exported trials, each column scaled by a power of two.
TEST_F(ExtremesTest, InputsWhoseSpreadsLieFarApartShowTheirSrc) {
    const std::vector<int> inputs{0, 8};
    for (const bool constant : {true, false}) {
        SCOPED_TRACE(constant ? "with the constant" : "without the constant");
        AppData = GetAppDataDefaults(true, Variant());
        AbsoluteWith({{0, {1e-80, 0, 1e-81}}, {1, {1e-80, 0, 0}}, {item::I(5), {1e100, 0, 1e99}}});
        AppData(item::kRegUseConstant) = constant;
        const TrialTableStatistics trials = ExportedRun(1000);
        ASSERT_GT(trials.Min(0), 0);
        ASSERT_LT(trials.Max(0), 1e-59);
        const std::vector<double> src = trials.Standardised(0, inputs, constant);
        ASSERT_TRUE(rc->State().SensitivitySummary);
        const SensitivityTableText& table = (*rc->State().SensitivitySummary)[0];
        EXPECT_NEAR(ParseNumber(table[0][1]), trials.R2(0, inputs, constant, false), 0.0005 + 1e-9) << table[0][1];
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            const auto& row = table[static_cast<std::size_t>(4 + inputs[i])];
            SCOPED_TRACE(row[0]);
            EXPECT_NEAR(ShownMeasure(row[3]), src[i], 0.0005 + 1e-9) << row[3];
        }
    }
}

}  // namespace
}  // namespace nuvir::test
