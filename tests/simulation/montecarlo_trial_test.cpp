// The nine outputs of a trial from its thirteen quantities.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "appdata/appdata.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "simulation/montecarlo.h"
#include "simulation/trialtable.h"

namespace nuvir {
namespace {

struct Outputs {
    double risk[4], totalRisk, cost[3], totalCost;
};

// One trial with p1-p4, I1-I5 and FC1-FC4 (in that order) through both formulas.
Outputs Evaluate(const std::array<double, 13>& q) {
    TrialTable table(1, 0);
    for (int k = 0; k < 13; ++k) table(1, k) = q[static_cast<std::size_t>(k)];
    CMonteCarlo::ComputeTrialRisks(table, 1);
    CMonteCarlo::ComputeTrialCosts(table, 1);
    Outputs o{};
    for (int i = 0; i < 4; ++i) o.risk[i] = table(1, TrialTable::kRisk1 + i);
    o.totalRisk = table(1, TrialTable::kTotalRisk);
    for (int i = 0; i < 3; ++i) o.cost[i] = table(1, TrialTable::kCost1 + i);
    o.totalCost = table(1, TrialTable::kTotalCost);
    return o;
}

TEST(MonteCarloTrialOutputs, HalvesGiveTheHalvingSeries) {
    const Outputs o = Evaluate({0.5, 0.5, 0.5, 0.5, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    EXPECT_EQ(o.risk[0], 0.5);
    EXPECT_EQ(o.risk[1], 0.75);
    EXPECT_EQ(o.risk[2], 0.875);
    EXPECT_EQ(o.risk[3], 0.9375);
    EXPECT_EQ(o.totalRisk, 1.0);
    // Costs: FC1 + FC2 p1 + FC3 p1 p2 + FC4 p1 p2 p3.
    EXPECT_EQ(o.cost[0], 1.0);
    EXPECT_EQ(o.cost[1], 1.5);
    EXPECT_EQ(o.cost[2], 1.75);
    EXPECT_EQ(o.totalCost, 1.875);
}

TEST(MonteCarloTrialOutputs, NoArrivalLeavesOnlyTheFirstImpactAndCost) {
    const Outputs o = Evaluate({0, 0.3, 0.6, 0.9, 7, 11, 13, 17, 19, 2, 3, 5, 8});
    for (const double r : o.risk) EXPECT_EQ(r, 7.0);
    EXPECT_EQ(o.totalRisk, 7.0);
    for (const double c : o.cost) EXPECT_EQ(c, 2.0);
    EXPECT_EQ(o.totalCost, 2.0);
}

TEST(MonteCarloTrialOutputs, CertainInvasionLeavesOnlyTheLastImpactAndAllCosts) {
    const Outputs o = Evaluate({1, 1, 1, 1, 7, 11, 13, 17, 19, 2, 3, 5, 8});
    for (const double r : o.risk) EXPECT_EQ(r, 0.0);
    EXPECT_EQ(o.totalRisk, 19.0);
    EXPECT_EQ(o.cost[0], 2.0);
    EXPECT_EQ(o.cost[1], 5.0);
    EXPECT_EQ(o.cost[2], 10.0);
    EXPECT_EQ(o.totalCost, 18.0);
}

TEST(MonteCarloTrialOutputs, FourthProbabilityChangesNoCost) {
    std::array<double, 13> q = {0.3, 0.4, 0.7, 0.1, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const Outputs a = Evaluate(q);
    q[3] = 0.95;
    const Outputs b = Evaluate(q);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(a.cost[i], b.cost[i]);
    EXPECT_EQ(a.totalCost, b.totalCost);
    EXPECT_NE(a.totalRisk, b.totalRisk);
}

TEST(MonteCarloTrialOutputs, ProductsAreFormedLeftToRightInTheWrittenOrder) {
    // For these values ((p2 p1)(1 - p3)) I3 = 0.08399999999999999, while the chain's
    // order I3 p1 p2 (1 - p3) gives 0.08400000000000002 and p2 (p1 ((1 - p3) I3))
    // gives 0.084.
    const Outputs o = Evaluate({0.1, 0.7, 0.6, 0.0, 0, 0, 3.0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(o.risk[2], 0.08399999999999999);
    EXPECT_EQ(o.risk[2] - o.risk[1], 0.08399999999999999);
}

TEST(MonteCarloTrialOutputs, AnOutputBeyondTheDoubleRangeRaisesOverflow) {
    // The risks are weighted means of the impacts and stay in range; costs add up.
    try {
        Evaluate({1, 1, 1, 1, 0, 0, 0, 0, 0, 1e308, 1e308, 0, 0});
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::Overflow);
        EXPECT_EQ(e.description(), "Overflow");
    }
    EXPECT_THROW(Evaluate({1, 1, 1, 1, 0, 0, 0, 0, 0, 1e308, 0, 0, 1e308}), AppError);
    EXPECT_NO_THROW(Evaluate({1, 1, 1, 1, 0, 0, 0, 0, 0, 1e308, 0, 0, 7e307}));
}

// The point outcomes the chain computes into items 60 to 68 of the application data,
// in their own order: the trial outputs are their running sums, equal but for the
// last bits.
TEST(MonteCarloTrialOutputs, AgreeWithThePointOutcomesOfTheChain) {
    std::mt19937_64 rng(20240611);
    std::uniform_real_distribution<double> prob(0.0, 1.0), value(-1000.0, 1000.0);
    for (int trial = 0; trial < 10000; ++trial) {
        std::array<double, 13> q{};
        // Drawn with 15 significant digits: the point outcomes read their items through
        // that text form.
        for (int k = 0; k < 13; ++k)
            q[static_cast<std::size_t>(k)] = Val(FormatDouble(k < 4 ? prob(rng) : value(rng)));
        Variant data = Variant::MakeArray(VarType::Generic, {{0, 79}});
        for (int k = 0; k < 13; ++k) data(47 + k) = q[static_cast<std::size_t>(k)];
        MKelvaro::StoreOutcomeRisks(data);
        double item[9];
        for (int i = 0; i < 9; ++i) item[i] = CDbl(data(60 + i));
        const Outputs o = Evaluate(q);
        double running = 0.0, scale = 0.0;
        for (int i = 0; i < 5; ++i) {
            running += item[i];
            scale += std::fabs(item[i]);
            const double got = i < 4 ? o.risk[i] : o.totalRisk;
            ASSERT_NEAR(got, running, 8 * scale * 0x1p-52) << trial << " risk " << i;
        }
        running = 0.0;
        scale = 0.0;
        for (int i = 0; i < 4; ++i) {
            running += item[5 + i];
            scale += std::fabs(item[5 + i]);
            const double got = i < 3 ? o.cost[i] : o.totalCost;
            ASSERT_NEAR(got, running, 8 * scale * 0x1p-52) << trial << " cost " << i;
        }
    }
}

}  // namespace
}  // namespace nuvir
