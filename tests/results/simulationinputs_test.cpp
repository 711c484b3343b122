#include <cmath>

#include "results/simulationinputs.h"
#include "results_fixture.h"

namespace nuvir::test {
namespace {

Variant Record(double a, double b, double c) { return Variant::List({a, b, c}); }

Variant Table2(const std::vector<double>& values, const std::vector<double>& probabilities) {
    const int n = static_cast<int>(values.size());
    Variant t = Variant::MakeArray(VarType::Double, {{0, 1}, {0, n - 1}});
    for (int i = 0; i < n; ++i) t(0, i) = values[i], t(1, i) = probabilities[i];
    return t;
}

TEST_F(ResultsTest, RowsOfTheRelativeAndAbsoluteBranches) {
    struct Case { const char* name; int mode; int levels; Variant record; double mean, sd, code; };
    const double r12 = std::sqrt(12.0);
    AppData(item::kUncertaintyMode) = 0;
    Variant d = AppData;
    for (int level = 0; level < 5; ++level) d(item::kLevel0 + level) = 10 + 20 * level;
    const Case cases[] = {
        {"relative, level 1 at 30 %, lognormal code ignored", 0, 5, Record(0.5, 2, 1), 0.5, 0.5 * 30 / 50 / r12, 0},
        {"relative, four levels read level 4 as level 3", 0, 4, Record(2, 0, 4), 2, 2 * 70.0 / 50 / r12, 0},
        {"relative, five levels keep level 4", 0, 5, Record(2, 0, 4), 2, 2 * 90.0 / 50 / r12, 0},
        {"relative, negative value gives a positive spread", 0, 5, Record(-4, 0, 2), -4, 4 * 50.0 / 50 / r12, 0},
        {"relative, zero value has no spread", 0, 5, Record(0, 0, 3), 0, 0, 0},
        {"relative, level -1 reads level 0 (not the number of levels)", 0, 5, Record(1, 0, -1), 1, 10.0 / 50 / r12, 0},
        {"relative, level -7 reads level 0 (no subscript error)", 0, 5, Record(1, 0, -7), 1, 10.0 / 50 / r12, 0},
        {"absolute in the data given: (mean, code, SD) read as (mean, SD, code)", 1, 5, Record(0.5, 1, 0.1), 0.5, 0.1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        d(item::kUncertaintyMode) = c.mode;
        d(item::kNumRelUncLevels) = c.levels;
        d(c.mode == 1 ? item::Absolute(5) : item::Relative(5)) = c.record;
        const Variant m = BuildSimulationInputs(d, true);
        ASSERT_EQ(m.dims(), 2);
        EXPECT_DOUBLE_EQ(CDbl(m(5, 0)), c.mean);
        EXPECT_NEAR(CDbl(m(5, 1)), c.sd, 1e-15);
        EXPECT_EQ(CDbl(m(5, 2)), c.code);
    }
}

TEST_F(ResultsTest, CategoricalSwitchesWrapTheMatrixWithCumulatedTables) {
    Variant d = AppData;
    for (int k = 4; k <= 12; ++k) d(item::CategoryTable(k)) = Table2({3, 1, 2}, {0.5, 0.2, 0.3});
    d(item::kCategoricalImpacts) = false;
    d(item::kCategoricalCosts) = false;
    EXPECT_EQ(BuildSimulationInputs(d, true).dims(), 2) << "no switch: the bare matrix";
    d(item::kCategoricalImpacts) = true;
    const Variant w = BuildSimulationInputs(d, true);
    ASSERT_EQ(w.dims(), 1);
    EXPECT_TRUE(w(0).dims() == 2 && w(1).lbound() == 4 && w(1).ubound() == 8 && w(2).isEmpty());
    const Variant& c = w(1)(4);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(CDbl(c(0, i)), i + 1) << "sorted by value";
    EXPECT_NEAR(CDbl(c(1, 0)), 0.2, 1e-15);
    EXPECT_NEAR(CDbl(c(1, 1)), 0.5, 1e-15);
    EXPECT_EQ(CDbl(c(1, 2)), 1.0) << "the last sum is rounded to exactly 1";
    EXPECT_EQ(CDbl(BuildSimulationInputs(d, false)(1)(4)(0, 0)), 3) << "plain tables as stored";
    EXPECT_NEAR(CDbl(CumulateCategoryTable(Table2({7}, {0.333333}))(1, 0)), 0.3333, 1e-12);
    EXPECT_TRUE(CumulateCategoryTable(Variant()).isArray());
}

TEST_F(ResultsTest, AnEmptyTableUnderASwitchIsRefusedByTheEngineInTheRunsMessage) {
    AppData(item::kCategoricalImpacts) = true;
    for (int k = 4; k <= 8; ++k) AppData(item::CategoryTable(k)) = Variant();
    EXPECT_FALSE(Run());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].title, "Error running Monte Carlo simulation");
    EXPECT_NE(Messages()[0].text.find("lookup table"), std::string::npos) << Messages()[0].text;
}

}  // namespace
}  // namespace nuvir::test
