// The field table of a report from a canned run, and the plots as pictures.
#include <QImage>

#include <cmath>
#include <limits>

#include "numerics/numerics.h"
#include "report/reportfields.h"
#include "report_fixture.h"

namespace nuvir::test {
namespace {

Variant Record(double mean, int code, double sd) { return Variant::Doubles({mean, static_cast<double>(code), sd}); }

struct Case {
    const char* name;
    int row, set;
    std::optional<std::string> text;
};
void ExpectFields(const ReportFields& f, const std::vector<Case>& cases) {
    for (const auto& c : cases) EXPECT_EQ(f(c.row, c.set), c.text) << c.name;
}

// An assessment in absolute mode with values whose texts can be told apart, and a run
// whose statistics are set by hand.
TEST_F(ReportTest, EveryFieldFormAgainstTheTable) {
    Variant s = DefaultAssessment();
    s(item::kUncertaintyMode) = Variant(1);
    for (int q = 0; q < 13; ++q) {
        s(item::Absolute(q)) = q < 4    ? Record(0.5, 0, 0.1443)
                               : q < 8  ? Record(1000, 1, 250)
                               : q == 8 ? Record(123456, 2, 0.5)
                                        : Record(50, 3, 5);
    }
    s(item::kRegUseConstant) = Variant(true);
    AppData(item::kRegUseConstant) = Variant(false);  // the run's choice is reported, not the live one
    RunState run;
    run.RunSnapshot = s;
    run.HaveRunResults = true;
    run.RunSummary.trials = 1000;
    run.RunSummary.mean = {0.36351234, 18.7512, 0.1, 0.3, 0.35, 0.36, 10, 15, 17.5};
    for (auto& r : run.RunRankCorrelations) r = {0.0, kNoValue};
    run.RunRankCorrelations[0] = {0.1234, -0.2};
    run.RunRankCorrelations[1] = {0.05, 0.0};
    run.RunRankCorrelations[8] = {kNoValue, 0.0};
    run.SensitivitySummary = std::array<SensitivityTableText, 2>{
        SensitivityTableText{{"  Raw R2=", "0.987", "", "", ""}, {"Ranks R2=", "  .", "", "", ""}},
        SensitivityTableText{{"  Raw R2=", "0.500", "", "", ""}, {"Ranks R2=", "0.250", "", "", ""}}};
    ReportFieldInputs inputs{Variant(0.05), false, "06-Dec-2026", [](int i) { return i == 1 ? "95 %" : "?"; }};
    constexpr int A = field::kSetA, B = field::kSetB;
    ReportFields f = BuildReportFields(run, inputs);
    const Case cases[] = {
        {"probability form", 3, A, "0.50  (0.1443,U)"},
        {"impact mean to four figures", 11, A, "123500  (0.5,LN)"},
        {"significant correlation starred", 21, A, "0.123*"},
        {"three-decimal text equal to r_c is not starred", 22, A, "0.050 "},
        {"uncomputed correlation", 29, A, std::nullopt},
        {"negative significant correlation", 21, B, "-0.200*"},
        {"generator text from the run", 30, A, "VB,Const=Y,Tails=1"},
        {"total risk mean in row S5", 51, A, "0.3635"},
        {"confidence text", 56, B, "95 %"},
        {"missing ranked R2", 58, A, std::nullopt},
    };
    const std::vector<Case> plain(std::begin(cases), std::end(cases));
    ExpectFields(f, plain);
    // With no critical correlation there is no significance to claim; categorical
    // impacts are marked and listed, the costs stay as they are.
    inputs.criticalCorrelation = Variant();
    run.RunSnapshot(item::kCategoricalImpacts) = Variant(true);
    for (int k = 69; k <= 73; ++k) run.RunSnapshot(k) = Table(2, 2, {2, 4, 0.25, 0.75});
    f = BuildReportFields(run, inputs);
    ExpectFields(f, {{"no critical correlation: not starred", 21, A, "0.123 "},
                     {"no critical correlation: negative not starred", 21, B, "-0.200 "},
                     {"categorical impact marked", 7, A, "1000  (*)"},
                     {"cost unchanged", 10, B, "50  (5,B)"}});
    EXPECT_EQ(f.categoryTables[0].lbound(), 4);
    EXPECT_EQ(f.categoryTables[0].ubound(), 8);
    EXPECT_FALSE(f.categoryTables[1].isArray());
    run.HaveRunResults = false;
    EXPECT_THROW(BuildReportFields(run, inputs), AppError);
}

TEST(PictureToRtf, AOneBitPngWithItsGoalSizeInTwips) {
    EXPECT_EQ(PictureToRtf(QImage(), 15, 15), "Plot not available");
    QImage image(299, 209, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(5, 5, qRgb(100, 100, 100));  // dark grey: black after the threshold
    image.setPixel(6, 5, qRgb(200, 200, 200));  // light grey: white
    const std::string text = PictureToRtf(image, 12, 10);
    const std::string head = "{\\*\\shppict{\\pict\\pngblip\\picw299\\pich209\\picwgoal3588\\pichgoal2090 ";
    ASSERT_EQ(text.rfind(head, 0), 0u);
    const std::string hex = text.substr(head.size(), text.size() - head.size() - 2);
    const QImage back = QImage::fromData(QByteArray::fromHex(QByteArray::fromStdString(hex)), "PNG");
    EXPECT_EQ(back.depth(), 1);
    EXPECT_EQ(qGray(back.pixel(5, 5)), 0);
    EXPECT_EQ(qGray(back.pixel(6, 5)), 255);
    EXPECT_EQ(text.substr(text.size() - 2), "}}");
}

// A run of the assessment made up by hand (risk totals 0.1..0.3, costs 5..7, 1000
// trials, cumulative risks 0.005..0.295 and costs 0.15..4.85) with its risk and cost
// values multiplied by `by`.
RunState ScaledRun(double by, const Variant& snapshot) {
    RunState run;
    run.RunSnapshot = snapshot;
    run.HaveRunResults = true;
    run.RunSummary.trials = 1000;
    run.RunFrequencies.classes = 200;
    auto& f = run.RunFrequencies.values;
    // Values clear of the axes' rounding places, so that every scaled run rounds its
    // axes alike.
    for (int k = 0; k < 200; ++k) f.insert(f.end(), {(0.105 + 0.001 * k) * by, 10.0 + k % 7});
    for (int k = 0; k < 200; ++k) f.insert(f.end(), {(5.05 + 0.01 * k) * by, 5.0});
    const int risk[] = {2, 3, 4, 5, 0}, cost[] = {6, 7, 8, 1};
    for (int i = 0; i < 5; ++i) {
        const int c = risk[i];
        run.RunSummary.mean[c] = 0.05 * (i + 1) * by;
        run.RunSummary.min[c] = (0.05 * (i + 1) - 0.045) * by;
        run.RunSummary.max[c] = (0.05 * (i + 1) + 0.045) * by;
        run.RunLimits[c] = {(0.05 * (i + 1) - 0.02) * by, (0.05 * (i + 1) + 0.02) * by};
    }
    for (int i = 0; i < 4; ++i) {
        const int c = cost[i];
        run.RunSummary.mean[c] = (i + 1.0) * by;
        run.RunSummary.min[c] = (i + 0.15) * by;
        run.RunSummary.max[c] = (i + 1.85) * by;
        run.RunLimits[c] = {(i + 0.6) * by, (i + 1.4) * by};
    }
    for (int j = 0; j < 13; ++j) run.RunRankCorrelations[j] = {0.5 - 0.1 * j, 0.3};
    run.PointTotalRisk = 0.2 * by;
    run.PointTotalCost = 6.0 * by;
    return run;
}

// Black pixels of an RTF picture group; -1 for anything else.
int InkOfRtfPicture(const std::string& text) {
    const std::size_t blank = text.find(' ');
    if (text.rfind("{\\*\\shppict", 0) != 0 || blank == std::string::npos) return -1;
    const std::string hex = text.substr(blank + 1, text.size() - blank - 3);
    const QImage image = QImage::fromData(QByteArray::fromHex(QByteArray::fromStdString(hex)), "PNG");
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ink += qGray(image.pixel(x, y)) == 0 ? 1 : 0;
    return ink;
}

// Finite results draw into the report as the same run scaled down does (within a tenth
// of its black pixels: the tick labels differ); a plot that truly cannot be drawn (its
// values are not numbers) says so in words instead of leaving white space.
TEST_F(ReportTest, EveryFiniteResultHasItsPictureAndAnUndrawablePlotSaysSo) {
    ImagePictureBox picture(299, 209);
    const auto pictures = [&](const RunState& run) {
        ReportFields f;
        AddReportPictures(f, run, picture);
        return f;
    };
    const ReportFields plain = pictures(ScaledRun(1.0, DefaultAssessment()));
    const std::string kNone = "Plot not available";
    const struct {
        const char* name;
        double by;
        bool drawable;
    } cases[] = {
        {"absolute I1 = 1e39: totals near 1e39", 1e39, true},
        {"totals near 1e300", 1e300, true},
        {"totals near 1e-39", 1e-39, true},
        {"results that are not numbers", std::nan(""), false},
        {"infinite results", std::numeric_limits<double>::infinity(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ReportFields f = pictures(ScaledRun(c.by, DefaultAssessment()));
        for (int set : {field::kSetA, field::kSetB}) {
            for (int row : {field::kPicture, field::kPicture + 2}) {
                SCOPED_TRACE(row);
                const std::string text = *f(row, set);
                const int ink = InkOfRtfPicture(*plain(row, set));
                ASSERT_GT(ink, 1000);
                if (c.drawable) {
                    EXPECT_NEAR(InkOfRtfPicture(text), ink, ink / 10);
                } else {
                    EXPECT_EQ(text, kNone);
                }
            }
            EXPECT_NE(*f(field::kPicture + 1, set), kNone) << "the sensitivity bars hold no results' values";
        }
    }
}

}  // namespace
}  // namespace nuvir::test
