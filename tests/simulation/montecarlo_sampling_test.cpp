// Seeding, uniform numbers, the per-trial order of the quantities and the draws.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "montecarlo_testsupport.h"
#include "numerics/numerics.h"
#include "runtime/error.h"
#include "runtime/rnd.h"
#include "simulation/ran1.h"

namespace nuvir {
namespace {

using Access = CMonteCarloTestAccess;
using MUtilities::Ran1;
using MUtilities::ran1_detail::State;

std::vector<double> Ran1After(std::int32_t seed, int n) {
    std::int32_t idum = seed;
    Ran1(idum);  // the seeding draw, discarded as the engine does
    std::vector<double> out;
    for (int i = 0; i < n; ++i) out.push_back(Ran1(idum));
    return out;
}

std::string ErrorText(const std::function<void()>& f) {
    try {
        f();
    } catch (const AppError& e) {
        return e.description();
    }
    return "";
}

// ---- seeding and uniform numbers -----------------------------------------------------

TEST(MonteCarloUniforms, BuiltInTakesTwoValuesPerNumberSecondPlusFirstScaledDown) {
    EngineTestHost host;
    CMonteCarlo mc(host);
    Access::SetSeed(mc, 12.5f);
    Access::InitialisePRNG(mc);
    // From an independent implementation of the built-in generator: after a reseed
    // with -12.5, values v1, v2, ... give the numbers v2 + v1 * 1E-07, v4 + v3 * 1E-07.
    EXPECT_EQ(Access::NextUniform(mc), 0.5522989058721482);
    EXPECT_EQ(Access::NextUniform(mc), 0.6948139771136284);
    const float next = Rnd();
    Rnd(-12.5f);
    for (int i = 0; i < 4; ++i) Rnd();
    EXPECT_EQ(next, Rnd());  // two numbers took four values
}

TEST(MonteCarloUniforms, CustomGeneratorIsSeededWithSeedTimesMinus100) {
    struct Case {
        float seed;
        std::int32_t idum;
    };
    // 0.125 and 0.375 give the halves -12.5 and -37.5, which go to the even neighbour.
    for (const auto& c : {Case{0.25f, -25}, Case{0.5f, -50}, Case{0.125f, -12}, Case{0.375f, -38},
                          Case{86399.5f, -8639950}}) {
        const std::vector<double> expected = Ran1After(c.idum, 5);
        EngineTestHost host;
        CMonteCarlo mc(host);
        mc.SetPRNGToUse(1);
        Access::SetSeed(mc, c.seed);
        Access::InitialisePRNG(mc);
        for (const double e : expected) EXPECT_EQ(Access::NextUniform(mc), e) << c.seed;
    }
}

// A seed below 0.005 would give idum 0, which does not reseed; it seeds like -1.
TEST(MonteCarloUniforms, TinyCustomSeedStillReseeds) {
    const std::vector<double> expected = Ran1After(-1, 5);
    EngineTestHost host;
    CMonteCarlo mc(host);
    mc.SetPRNGToUse(1);
    Ran1After(-77, 3);  // some other sequence in progress
    Access::SetSeed(mc, 0.001f);
    Access::InitialisePRNG(mc);
    for (const double e : expected) EXPECT_EQ(Access::NextUniform(mc), e);
}

TEST(MonteCarloUniforms, ACustomValueOfExactlyOneBecomesZero) {
    EngineTestHost host;
    CMonteCarlo mc(host);
    mc.SetPRNGToUse(1);
    Access::SetSeed(mc, 3.0f);
    Access::InitialisePRNG(mc);
    for (std::size_t j = 1; j <= 97; ++j) State().r[j] = 1.5;  // every entry clamps to 1
    EXPECT_EQ(Access::NextUniform(mc), 0.0);
}

TEST(MonteCarloUniforms, ClockSeedIsTheTimeOfDay) {
    EngineTestHost host;
    CMonteCarlo mc(host);
    const float before = Timer();
    Access::SeedFromTimer(mc);
    const float after = Timer();
    EXPECT_GT(mc.Seed(), 0.0f);
    EXPECT_LT(mc.Seed(), 86400.0f);
    if (after >= before) {  // not across midnight
        EXPECT_GE(mc.Seed(), before);
        EXPECT_LE(mc.Seed(), after);
    }
}

// ---- the order of the quantities -----------------------------------------------------

// The quicksort as its definition states it, recursively.
void ReferenceQuickSort(std::vector<float>& key, std::vector<std::int32_t>& item, int low, int high) {
    if (high <= low) return;
    auto exchange = [&](int p, int q) {
        std::swap(key[static_cast<std::size_t>(p)], key[static_cast<std::size_t>(q)]);
        std::swap(item[static_cast<std::size_t>(p)], item[static_cast<std::size_t>(q)]);
    };
    auto at = [&](int p) { return key[static_cast<std::size_t>(p)]; };
    int i = low - 1, k = high;
    do {
        do ++i;
        while (at(i) < at(high));
        do --k;
        while (k > low && at(k) > at(high));
        exchange(i, k);
    } while (k > i);
    exchange(i, k);
    exchange(i, high);
    ReferenceQuickSort(key, item, low, i - 1);
    ReferenceQuickSort(key, item, i + 1, high);
}

TEST(MonteCarloOrder, ReferenceSortGivesTheDocumentedTieOrders) {
    std::vector<float> keys = {2, 1, 2, 1};
    std::vector<std::int32_t> items = {0, 1, 2, 3};  // A, B, C, D
    ReferenceQuickSort(keys, items, 0, 3);
    EXPECT_EQ(items, (std::vector<std::int32_t>{1, 3, 0, 2}));  // B, D, A, C
    keys = {5, 5, 5};
    items = {0, 1, 2};
    ReferenceQuickSort(keys, items, 0, 2);
    EXPECT_EQ(items, (std::vector<std::int32_t>{1, 2, 0}));  // B, C, A
}

TEST(MonteCarloOrder, IsAPermutationSortedByKeysWithTiesAsTheQuicksortLeavesThem) {
    EngineTestHost host;
    CMonteCarlo mc(host);
    mc.SetPRNGToUse(1);
    Access::SetSeed(mc, 17.0f);
    Access::InitialisePRNG(mc);
    const float tieValues[3] = {0.25f, 0.5f, 0.75f};
    int trialsWithTies = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        // After the first thousand orders, most table entries hold one of three values,
        // so most orders have ties.
        if (trial >= 1000)
            for (std::size_t j = 1; j <= 97; ++j)
                if ((j + static_cast<std::size_t>(trial)) % 4 != 0) State().r[j] = tieValues[j % 3];
        const auto saved = State();
        std::vector<float> keys;
        for (int i = 0; i < 13; ++i) keys.push_back(static_cast<float>(Access::NextUniform(mc)));
        State() = saved;
        std::vector<std::int32_t> expected(13);
        for (int i = 0; i < 13; ++i) expected[static_cast<std::size_t>(i)] = i;
        std::vector<float> sortedKeys = keys;
        ReferenceQuickSort(sortedKeys, expected, 0, 12);
        bool tie = false;
        for (std::size_t i = 1; i < 13; ++i) tie = tie || sortedKeys[i] == sortedKeys[i - 1];
        if (tie) ++trialsWithTies;

        const auto order = Access::RandomParameterOrder(mc);
        ASSERT_EQ(std::vector<std::int32_t>(order.begin(), order.end()), expected) << trial;
    }
    EXPECT_GT(trialsWithTies, 1000);
    EXPECT_LT(trialsWithTies, 2100);
}

// ---- draws -----------------------------------------------------------------------------

class MonteCarloDraw : public ::testing::Test {
protected:
    void SetUp() override {
        mc.SetPRNGToUse(1);
        Access::SetSeed(mc, 5.0f);
        Access::InitialisePRNG(mc);
    }
    EngineTestHost host;
    CMonteCarlo mc{host};
};

TEST_F(MonteCarloDraw, ZeroIsDrawnAgainExceptForTheUniform) {
    for (std::size_t j = 1; j <= 97; ++j) State().r[j] = 0.0;
    // Uniform: u = 0 stands and gives the lower end, mean - Sqr(3) sd.
    EXPECT_EQ(Access::GetAPseudoRandomValue(mc, 10.0, 1.0, 0, 5), 10.0 - std::sqrt(3.0));
    for (const std::int32_t code : {1, 2, 3}) {
        const auto saved = State();
        const double got = Access::GetAPseudoRandomValue(mc, 0.4, 0.5, code, 5);
        State() = saved;
        std::int32_t one = 1;
        int draws = 0;
        double u = 0.0;
        while (u == 0.0) {
            u = Ran1(one);
            ++draws;
        }
        EXPECT_GT(draws, 1) << code;  // at least one 0 was passed over
        EXPECT_EQ(got, Access::Transform(mc, u, 0.4, 0.5, code, 5)) << code;
    }
}

TEST_F(MonteCarloDraw, SpreadZeroGivesTheMeanAndStillTakesItsNumber) {
    for (const std::int32_t code : {0, 1, 2, 3, 99, 5}) {
        const std::vector<double> next = [&] {
            const auto saved = State();
            std::int32_t one = 1;
            std::vector<double> v = {Ran1(one), Ran1(one)};
            State() = saved;
            return v;
        }();
        EXPECT_EQ(Access::GetAPseudoRandomValue(mc, 0.37, 0.0, code, 7), 0.37) << code;
        EXPECT_EQ(Access::NextUniform(mc), next[1]) << code;
    }
}

TEST_F(MonteCarloDraw, EachCodeTurnsTheNumberIntoItsValue) {
    const double u = 0.8;
    // Uniform with mean 10 and sd 2 spans 10 -/+ 2 Sqr(3); a quarter of the way up is 10 - Sqr(3).
    EXPECT_EQ(Access::Transform(mc, 0.25, 10.0, 2.0, 0, -1), 10.0 - std::sqrt(3.0));
    EXPECT_EQ(Access::Transform(mc, u, 3.0, 2.0, 1, -1), DistributionFunctions::InverseNormal(u, 3.0, 2.0));
    EXPECT_EQ(Access::Transform(mc, u, 0.5, 0.25, 2, 4), DistributionFunctions::InverseLognormal(u, 0.5, 0.25));
    EXPECT_EQ(Access::Transform(mc, u, 12.0, 12.0, 3, -1), *DistributionFunctions::InverseBeta(u, 12.0, 12.0));
    // Normal at 0.8 with mean 3 and sd 2: 3 + 2 * 0.8416212335729143.
    EXPECT_NEAR(Access::Transform(mc, u, 3.0, 2.0, 1, -1), 4.683242467145829, 1e-14);
    // Lognormal with mu 0.5 and sigma 0.25: Exp(0.5 + 0.25 * 0.8416212335729143).
    EXPECT_NEAR(Access::Transform(mc, u, 0.5, 0.25, 2, 4), 2.034815819465056, 1e-14);
    // Beta(12, 12) at 0.8, found by bisection on its binomial-sum distribution function.
    EXPECT_NEAR(Access::Transform(mc, u, 12.0, 12.0, 3, -1), 0.5861447126222542, 1e-12);
    // A beta without a value gives 0; codes beyond the known ones give 0.
    EXPECT_EQ(Access::Transform(mc, u, -1.0, 2.0, 3, -1), 0.0);
    for (const std::int32_t code : {4, 5, 98, 100, -1}) EXPECT_EQ(Access::Transform(mc, u, 3.0, 2.0, code, 6), 0.0) << code;
}

TEST_F(MonteCarloDraw, NegativeSpreadRaisesBeforeDrawing) {
    const auto saved = State();
    EXPECT_EQ(ErrorText([&] { Access::GetAPseudoRandomValue(mc, 1.0, -2.5, 3, 4); }), "Invalid SD (-2.5) in CMonteCarlo");
    EXPECT_EQ(State().ix1, saved.ix1);
    EXPECT_EQ(State().r, saved.r);
}

TEST_F(MonteCarloDraw, FailuresInsideADrawNameTheDrawAndItsArguments) {
    std::string libraryText;
    try {
        DistributionFunctions::InverseNormal(1.5, 3.0, 2.0);
    } catch (const AppError& e) {
        libraryText = e.description();
    }
    ASSERT_FALSE(libraryText.empty());
    EXPECT_EQ(ErrorText([&] { Access::Transform(mc, 1.5, 3.0, 2.0, 1, -1); }),
              libraryText + " in CMonteCarlo.GetAPseudoRandomValue\r\nwith arguments: 3,2,1");
    EXPECT_EQ(ErrorText([&] { Access::Transform(mc, 0.9, 1e308, 1e308, 0, 5); }),
              "Overflow in CMonteCarlo.GetAPseudoRandomValue\r\nwith arguments: 1E+308,1E+308,0");
    EXPECT_EQ(ErrorText([&] { Access::Transform(mc, 0.5, 5.0, NumericLimits::LargestDouble, 99, 7); }),
              "Unexpected error referencing a non-existent lookup table (7) in "
              "CMonteCarlo.GetAPseudoRandomValue\r\nwith arguments: 5,1.79769313486231E+308,99");
}

TEST(MonteCarloLookupDraw, FirstCumulativeProbabilityAtOrAboveTheNumberGivesTheValue) {
    EngineTestHost host;
    CMonteCarlo mc(host);
    enginetest::Rows rows = enginetest::UniformRows();
    rows[4] = {2.3, 0.1, 0};
    rows[5] = {2.29988, 0.1, 0};
    const Variant impacts = enginetest::TableList(
        4, {enginetest::CumulativeTable({1, 2, 3}, {0.2, 0.5, 1}),
            enginetest::CumulativeTable({1, 2, 3}, {0.2, 0.5, 0.99996})});
    Access::Validate(mc, enginetest::Wrapped(enginetest::Matrix(rows), impacts, Variant()));
    EXPECT_EQ(Access::LookupTableValue(mc, 0.2, 4), 1.0);
    EXPECT_EQ(Access::LookupTableValue(mc, std::nextafter(0.2, 1.0), 4), 2.0);
    EXPECT_EQ(Access::LookupTableValue(mc, 0.9, 4), 3.0);
    EXPECT_EQ(Access::LookupTableValue(mc, 0.99999, 5), 0.0);  // beyond the last probability
    // Through a draw: the look-up row's spread is the largest Double, code 99.
    EXPECT_EQ(Access::Transform(mc, 0.35, 2.3, NumericLimits::LargestDouble, 99, 4), 2.0);
}

}  // namespace
}  // namespace nuvir
