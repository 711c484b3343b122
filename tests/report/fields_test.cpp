// The field table of a report, from a canned run, and the plots as pictures.
#include <QBuffer>

#include "numerics/numerics.h"
#include "report/reportfields.h"
#include "report_fixture.h"

namespace nuvir::test {
namespace {

Variant Record(double mean, int code, double sd) { return Variant::Doubles({mean, static_cast<double>(code), sd}); }

// An assessment in absolute mode with values whose texts can be told apart, and a run
// whose statistics are set by hand.
class FieldsTest : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        Variant s = DefaultAssessment();
        s(item::kSpecies) = Variant("Ant");
        s(item::kLocation) = Variant("Lake");
        s(item::kUncertaintyMode) = Variant(1);
        for (int q = 0; q < 4; ++q) s(item::Absolute(q)) = Record(0.5, 0, 0.1443);
        for (int q = 4; q < 8; ++q) s(item::Absolute(q)) = Record(1000, 1, 250);
        s(item::Absolute(8)) = Record(123456, 2, 0.5);
        for (int q = 9; q < 13; ++q) s(item::Absolute(q)) = Record(50, 3, 5);
        const double points[9] = {0.1, 0.2, 0.05, 0.0125, 0.001, 10, 5, 2.5, 1.25};
        for (int k = 0; k < 9; ++k) s(item::kOutcomeRisk + k) = Variant(points[k]);
        s(item::kTrials) = Variant(1000);
        s(item::kPrng) = Variant(0);
        s(item::kRegUseConstant) = Variant(true);
        s(item::kConfidenceChoice) = Variant(1);
        run.RunSnapshot = s;
        run.HaveRunResults = true;
        run.RunSummary.trials = 1000;
        run.RunSummary.mean = {0.36351234, 18.7512, 0.1, 0.3, 0.35, 0.36, 10, 15, 17.5};
        run.RunSummary.sd = {0.0123456, 1.23456, 0, 0, 0, 0, 0, 0, 0};
        run.RunSummary.min = {0.2, 12, 0, 0, 0, 0, 0, 0, 0};
        run.RunSummary.max = {0.5, 25, 1000, 0, 0, 0, 0, 0, 0};
        run.RunLimits[outcol::kRisk1] = {0.05, 0.15};
        run.RunLimits[outcol::kTotalCost] = {15.25, 22.75};
        for (auto& r : run.RunRankCorrelations) r = {0.0, kNoValue};
        run.RunRankCorrelations[0] = {0.1234, -0.2};
        run.RunRankCorrelations[1] = {0.05, 0.0};
        run.RunRankCorrelations[8] = {kNoValue, 0.0};
        run.SensitivitySummary = std::array<SensitivityTableText, 2>{
            SensitivityTableText{{"  Raw R2=", "0.987", "", "", ""}, {"Ranks R2=", "  .", "", "", ""}},
            SensitivityTableText{{"  Raw R2=", "0.500", "", "", ""}, {"Ranks R2=", "0.250", "", "", ""}}};
        inputs.criticalCorrelation = Variant(0.05);
        inputs.twoTails = false;
        inputs.today = "06-Dec-2026";
        inputs.confidenceText = [](int i) { return i == 1 ? std::string("95 %") : std::string("?"); };
        // The live regression choice differs from the run's: the run's is reported.
        AppData(item::kRegUseConstant) = Variant(false);
    }
    RunState run;
    ReportFieldInputs inputs;
};

constexpr int A = field::kSetA;
constexpr int B = field::kSetB;

TEST_F(FieldsTest, EveryFormAgainstTheTable) {
    const ReportFields f = BuildReportFields(run, inputs);
    struct Case { const char* name; int row, set; std::optional<std::string> text; };
    const Case cases[] = {
        {"species as stored", 0, A, "Ant"},
        {"date given", 2, A, "06-Dec-2026"},
        {"probability form", 3, A, "0.50  (0.1443,U)"},
        {"impact form", 7, A, "1000  (250,N)"},
        {"impact mean to four figures", 11, A, "123500  (0.5,LN)"},
        {"fixed cost form", 10, B, "50  (5,B)"},
        {"point risk", 15, A, "0.0125"},
        {"point risk total", 17, A, "0.3635"},
        {"trials", 18, B, "1000"},
        {"risk SD", 20, A, "0.01235"},
        {"cost SD", 20, B, "1.235"},
        {"significant correlation starred", 21, A, "0.123*"},
        {"three-decimal text equal to r_c is not starred", 22, A, "0.050 "},
        {"uncomputed correlation", 29, A, std::nullopt},
        {"negative significant correlation", 21, B, "-0.200*"},
        {"zero correlation", 22, B, "0.000 "},
        {"generator text from the run", 30, A, "VB,Const=Y,Tails=1"},
        {"Risk1 maximum", 33, A, "1000"},
        {"Risk1 lower limit", 34, A, "0.05"},
        {"total risk mean in row S5", 51, A, "0.3635"},
        {"total cost upper limit in row S4", 50, B, "22.75"},
        {"confidence text", 56, B, "95 %"},
        {"raw R2", 57, A, "0.987"},
        {"missing ranked R2", 58, A, std::nullopt},
        {"no pictures yet", 59, A, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(f(c.row, c.set), c.text);
    }
    for (int row : {0, 1, 2, 11, 16, 29, 51, 52, 53, 54, 55}) EXPECT_FALSE(f(row, B).has_value()) << row;
    EXPECT_FALSE(f.categoryTables[0].isArray());
    EXPECT_FALSE(f.categoryTables[1].isArray());
}

TEST_F(FieldsTest, NoCriticalCorrelationClaimsNoSignificance) {
    inputs.criticalCorrelation = Variant();
    const ReportFields f = BuildReportFields(run, inputs);
    EXPECT_EQ(f(21, A), "0.123 ");
    EXPECT_EQ(f(21, B), "-0.200 ");
}

TEST_F(FieldsTest, CategoricalImpactsAreMarkedAndListed) {
    run.RunSnapshot(item::kCategoricalImpacts) = Variant(true);
    for (int k = 69; k <= 73; ++k) run.RunSnapshot(k) = CategoryTable({2, 4}, {0.25, 0.75});
    const ReportFields f = BuildReportFields(run, inputs);
    EXPECT_EQ(f(7, A), "1000  (*)");
    EXPECT_EQ(f(10, B), "50  (5,B)");
    EXPECT_EQ(std::make_pair(f.categoryTables[0].lbound(), f.categoryTables[0].ubound()), std::make_pair(4, 8));
    EXPECT_FALSE(f.categoryTables[1].isArray());
    run.HaveRunResults = false;
    EXPECT_THROW(BuildReportFields(run, inputs), AppError);
}

// The default assessment has all costs 0: the total cost is constant, so none of its
// correlations exists; the report says so instead of printing the marker as a number.
TEST_F(ReportTest, TheDefaultAssessmentsCostCorrelationsShowDashes) {
    Variant data = DefaultAssessment();
    data(item::kTrials) = Variant(200);
    const RunState run = SimulatedRun(data);
    ReportFieldInputs inputs;
    inputs.criticalCorrelation = Variant(0.1);
    const ReportFields f = BuildReportFields(run, inputs);
    for (int row = 21; row <= 28; ++row) EXPECT_FALSE(f(row, B).has_value()) << row;
    for (int row = 0; row < field::kTextRows; ++row) {
        for (int set : {A, B}) {
            if (f(row, set)) {
                EXPECT_LT(f(row, set)->size(), 25u) << row << " " << set;
            }
        }
    }
}

TEST(PictureToRtf, AOneBitPngWithItsGoalSizeInTwips) {
    EXPECT_EQ(PictureToRtf(QImage(), 15, 15), "Plot not available");
    QImage image(299, 209, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int x = 0; x < 299; ++x) image.setPixel(x, (x * 7) % 209, qRgb(0, 0, 0));
    image.setPixel(5, 5, qRgb(100, 100, 100));  // dark grey: black after the threshold
    image.setPixel(6, 5, qRgb(200, 200, 200));  // light grey: white
    const std::string text = PictureToRtf(image, 15, 15);
    const std::string head = "{\\*\\shppict{\\pict\\pngblip\\picw299\\pich209\\picwgoal4485\\pichgoal3135 ";
    ASSERT_EQ(text.rfind(head, 0), 0u);
    ASSERT_EQ(text.substr(text.size() - 2), "}}");
    const std::string hex = text.substr(head.size(), text.size() - head.size() - 2);
    const QImage back = QImage::fromData(QByteArray::fromHex(QByteArray::fromStdString(hex)), "PNG");
    ASSERT_EQ(back.size(), image.size());
    EXPECT_EQ(back.depth(), 1);
    for (int y = 0; y < 209; ++y) {
        for (int x = 0; x < 299; ++x) ASSERT_EQ(qGray(back.pixel(x, y)) < 128, qGray(image.pixel(x, y)) < 128) << x << "," << y;
    }
    EXPECT_NE(PictureToRtf(image, 12, 10).find("\\picwgoal3588\\pichgoal2090 "), std::string::npos);
}

}  // namespace
}  // namespace nuvir::test
