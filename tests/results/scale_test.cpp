// Results far from 1 and results with a small spread about a large mean: the result
// line shows the SD of the exported trials, worked out here in quadruple precision
// (two passes), and a run near the top of the Double range ends in results, not in
// "Overflow".
#include <cmath>

#include "onerun.h"
#include "results_fixture.h"

namespace nuvir::test {
namespace {

class ScaleTest : public ResultsTest {};

TEST_F(ScaleTest, TheResultLineShowsTheSdOfTheTrialsAtAnyScale) {
    struct Case {
        const char* name;
        int quantity;  // drawn from a normal distribution; p1-p4 fixed
        double mean, sd;
        int output;  // 0 total risk, 1 total cost
    };
    // F1 alone makes the total cost, and with p1 fixed at 0.5 and the other impacts 0,
    // half of I1 the total risk.
    const Case cases[] = {
        {"F1 1e6 +- 1", 9, 1e6, 1, 1},
        {"F1 1e7 +- 1", 9, 1e7, 1, 1},
        {"F1 1e8 +- 1", 9, 1e8, 1, 1},
        {"F1 1e9 +- 1", 9, 1e9, 1, 1},
        {"F1 1e9 +- 100", 9, 1e9, 100, 1},
        {"I1 1e-200 +- 1e-201", 4, 1e-200, 1e-201, 0},
        {"I1 1e152 +- 1e151", 4, 1e152, 1e151, 0},
        {"I1 1e300 +- 1e299", 4, 1e300, 1e299, 0},
    };
    AppOptions(opt::kExportFormats) = Variant::List({true, false, false});
    host.exportPaths = dir.file("trials.csv");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppData(item::kUncertaintyMode) = 1;
        for (int j = 0; j < 13; ++j) AppData(item::Absolute(j)) = Variant::Doubles({j < 4 ? 0.5 : 0.0, 0, 0});
        AppData(item::Absolute(c.quantity)) = Variant::Doubles({c.mean, 1, c.sd});
        rc->runSeed = 2718.0f;
        ASSERT_TRUE(Run(100000)) << (Messages().empty() ? "" : Messages().back().text);
        EXPECT_TRUE(Messages().empty());
        const TrialTableStatistics trials(ReadBytes(host.exportPaths));
        ASSERT_EQ(trials.Trials(), 100000u);
        // The last line of the output's result box: point, mean, SD, lower, upper.
        std::string text = page.txtMonte[c.output]->Text();
        text = text.substr(0, text.size() - 2);
        const auto fields = SplitText(text.substr(text.rfind('\n') + 1), '\t');
        ASSERT_EQ(fields.size(), 5u) << text;
        const std::vector<double> output = trials.Output(c.output);
        const double sd = QuadMoments(output, output).sdA;
        EXPECT_TRUE(ShownTo4Figures(fields[2], sd)) << "shown " << fields[2];
        // The CSV's 15 digits leave the reference this close.
        EXPECT_NEAR(rc->State().RunSummary.sd[static_cast<std::size_t>(c.output)], sd, sd * 1e-6);
    }
}

}  // namespace
}  // namespace nuvir::test
