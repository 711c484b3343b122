// Output statistics, confidence limits and frequency classes on small tables whose
// results are worked out by hand.
#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <numeric>
#include <vector>

#include "appdata/utilities_rounding.h"
#include "numerics/numerics.h"
#include "runtime/error.h"
#include "simulation/statistics.h"
#include "simulation/trialtable.h"
#include "simulation/workers.h"

namespace nuvir {
namespace {

// A table of n trials whose total risk and total cost columns hold the given values
// (the other columns zero).
TrialTable TableOf(const std::vector<double>& risk, const std::vector<double>& cost) {
    TrialTable t(static_cast<std::int32_t>(risk.size()), 0);
    for (std::size_t i = 0; i < risk.size(); ++i) {
        t(static_cast<std::int32_t>(i + 1), TrialTable::kTotalRisk) = risk[i];
        t(static_cast<std::int32_t>(i + 1), TrialTable::kTotalCost) = cost[i];
    }
    return t;
}

double Centre(const SimulationResults& r, std::int32_t k, int m) {
    return r.frequencies[2 * (static_cast<std::size_t>(k) + static_cast<std::size_t>(r.frequencyClasses) * m)];
}
double Count(const SimulationResults& r, std::int32_t k, int m) {
    return r.frequencies[1 + 2 * (static_cast<std::size_t>(k) + static_cast<std::size_t>(r.frequencyClasses) * m)];
}

// Runs f on another thread; a hang fails the test run instead of blocking it.
template <class F>
void WithinSeconds(int seconds, F f) {
    auto fut = std::async(std::launch::async, f);
    if (fut.wait_for(std::chrono::seconds(seconds)) != std::future_status::ready) {
        ADD_FAILURE() << "did not finish within " << seconds << " s";
        std::_Exit(1);
    }
    fut.get();
}

// The frequency count exactly as written: 15-digit rounding of both sides for every
// value and the advance loop without any early exit (only for data where it ends).
std::vector<double> LiteralCounts(const std::vector<double>& sorted, const ClassDescriptor& d, int classes) {
    std::vector<double> counts(static_cast<std::size_t>(classes), 0.0);
    double bound = d.start;
    int k = -1;
    for (const double x : sorted) {
        if (Round15(bound) <= Round15(x)) {
            do {
                bound += d.width;
                if (k < classes - 1) ++k;
            } while (!(x < bound));
        }
        counts.at(static_cast<std::size_t>(k)) += 1.0;
    }
    return counts;
}

TEST(StatisticsResults, BeforeARunHoldTheStartValues) {
    SimulationResults r;
    for (int m = 0; m < kOutputColumns; ++m) {
        EXPECT_EQ(r.min[m], NumericLimits::LargestDouble);
        EXPECT_EQ(r.max[m], kNoValue);
        EXPECT_EQ(r.mean[m], kNoValue);
        EXPECT_EQ(r.variance[m], kNoValue);
        EXPECT_EQ(r.limits[m][0], 0.0);
        EXPECT_EQ(r.limits[m][1], 0.0);
    }
    const Variant f = r.FrequenciesCopy();
    EXPECT_TRUE(f.isArray());
    EXPECT_EQ(f.dims(), 0);
    EXPECT_EQ(f.elementCount(), 0u);
    const Variant mins = r.MinCopy();
    EXPECT_EQ(mins.lbound(), 0);
    EXPECT_EQ(mins.ubound(), 8);
    EXPECT_EQ(mins(3).rawDouble(), NumericLimits::LargestDouble);
    const Variant limits = r.LimitsCopy();
    EXPECT_EQ(limits.dims(), 2);
    EXPECT_EQ(limits.ubound(1), 8);
    EXPECT_EQ(limits.ubound(2), 1);
    const Variant all = r.SensitivitiesCopy(-1);
    ASSERT_EQ(all.ubound(), 3);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(all(i).isEmpty());
    EXPECT_TRUE(r.SensitivitiesCopy(2).isEmpty());
    EXPECT_TRUE(r.R2Copy(0).isEmpty());
    EXPECT_TRUE(r.R2Copy(5).isEmpty());
    const Variant pairs = r.R2Copy(-1);
    ASSERT_EQ(pairs.ubound(), 1);
    EXPECT_TRUE(pairs(0).isEmpty());
    EXPECT_TRUE(pairs(1).isEmpty());
}

TEST(StatisticsResults, SensitivityIndexOutsideTheFourIsASubscriptError) {
    SimulationResults r;
    try {
        r.SensitivitiesCopy(4);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::SubscriptRange);
    }
    EXPECT_THROW(r.SensitivitiesCopy(-2), AppError);
}

TEST(StatisticsResults, ResetClearsAFormerRun) {
    SimulationResults r;
    const TrialTable t = TableOf({1, 2, 3}, {4, 5, 6});
    r.ComputeOutputStatistics(t, 10, 95);
    r.sensitivities[1] = SensitivityTable();
    r.r2[0] = R2Pair{0.5, std::nullopt};
    r.InitialiseResultArrays();
    EXPECT_EQ(r.min[0], NumericLimits::LargestDouble);
    EXPECT_EQ(r.mean[1], kNoValue);
    EXPECT_FALSE(r.frequenciesAllocated);
    EXPECT_FALSE(r.sensitivities[1].has_value());
    EXPECT_FALSE(r.r2[0].has_value());
}

// Total risk 3, 1, 4, 1.5: sum 9.5, mean 2.375; squared deviations
// 0.390625 + 1.890625 + 2.640625 + 0.765625 = 5.6875, over n - 1 = 3.
// Sorted 1, 1.5, 3, 4: the 0.025 quantile at h = 0.075 is 1 + 0.075 * 0.5 = 1.0375,
// the 0.975 quantile at h = 2.925 is 3 + 0.925 * 1 = 3.925.
TEST(OutputStatistics, HandWorkedColumn) {
    SimulationResults r;
    const TrialTable t = TableOf({3, 1, 4, 1.5}, {0, 0, 0, 0});
    r.ComputeOutputStatistics(t, 3, 95);
    EXPECT_EQ(r.min[0], 1.0);
    EXPECT_EQ(r.max[0], 4.0);
    EXPECT_DOUBLE_EQ(r.mean[0], 2.375);
    EXPECT_DOUBLE_EQ(r.variance[0], 5.6875 / 3.0);
    EXPECT_DOUBLE_EQ(r.limits[0][0], 1.0375);
    EXPECT_DOUBLE_EQ(r.limits[0][1], 3.925);
    // Range 3 gives place -2, width 3 / 3 = 1 from 1: classes [1,2), [2,3), [3,4);
    // the maximum 4 lies at the end and counts in the last class.
    EXPECT_DOUBLE_EQ(Count(r, 0, 0), 2.0);
    EXPECT_DOUBLE_EQ(Count(r, 1, 0), 0.0);
    EXPECT_DOUBLE_EQ(Count(r, 2, 0), 2.0);
    EXPECT_DOUBLE_EQ(Centre(r, 0, 0), 1.5);
    EXPECT_DOUBLE_EQ(Centre(r, 1, 0), 2.5);
    EXPECT_DOUBLE_EQ(Centre(r, 2, 0), 3.5);
    // Total cost all 0: width 1 from 0 - 1 - 0.5, everything in class 1 centred on 0.
    EXPECT_DOUBLE_EQ(Count(r, 1, 1), 4.0);
    EXPECT_DOUBLE_EQ(Centre(r, 1, 1), 0.0);
    EXPECT_EQ(r.variance[1], 0.0);
    // Outputs 2 to 8 are zero columns.
    for (int m = 2; m < kOutputColumns; ++m) {
        EXPECT_EQ(r.min[m], 0.0);
        EXPECT_EQ(r.max[m], 0.0);
        EXPECT_EQ(r.mean[m], 0.0);
    }
    const Variant f = r.FrequenciesCopy();
    ASSERT_EQ(f.dims(), 3);
    EXPECT_EQ(f.ubound(1), 1);
    EXPECT_EQ(f.ubound(2), 2);
    EXPECT_EQ(f.ubound(3), 1);
    EXPECT_DOUBLE_EQ(f(1, 2, 0).rawDouble(), 2.0);
    EXPECT_DOUBLE_EQ(f(0, 1, 0).rawDouble(), 2.5);
}

TEST(OutputStatistics, TwoTrialsGiveTheTwoPointVariance) {
    SimulationResults r;
    r.ComputeOutputStatistics(TableOf({2, 5}, {1, 1}), 200, 95);
    EXPECT_DOUBLE_EQ(r.mean[0], 3.5);
    EXPECT_DOUBLE_EQ(r.variance[0], 4.5);  // (1.5^2 + 1.5^2) / 1
}

TEST(OutputStatistics, ConstantColumnHasOneClassAndNoNegativeVariance) {
    // n copies of 0.1 leave a negative residue in the one-pass formula.
    const std::vector<double> risk(10000, 0.1);
    SimulationResults r;
    r.ComputeOutputStatistics(TableOf(risk, std::vector<double>(10000, 0.2)), 200, 95);
    EXPECT_EQ(r.variance[0], 0.0);
    EXPECT_EQ(r.variance[1], 0.0);
    // 0.2 in width-1 classes from 0.2 - 100 - 0.5: all in class 100, centred on 0.2.
    for (std::int32_t k = 0; k < 200; ++k) EXPECT_EQ(Count(r, k, 1), k == 100 ? 10000.0 : 0.0) << k;
    EXPECT_NEAR(Centre(r, 100, 1), 0.2, 1e-12);
    for (std::int32_t k = 0; k < 200; ++k) EXPECT_EQ(Count(r, k, 0), k == 100 ? 10000.0 : 0.0) << k;
}

TEST(OutputStatistics, MinAndMaxCarryFifteenDigitsButTheLimitsDoNot) {
    const double x = 0.1 + 0.2;  // 0.30000000000000004
    const double y = 1.0 / 3.0;
    SimulationResults r;
    r.ComputeOutputStatistics(TableOf({y, x, x}, {x, x, x}), 5, 100);
    EXPECT_EQ(r.min[0], 0.3);
    EXPECT_EQ(r.max[0], 0.333333333333333);
    // CI 100 asks for the 0 and 1 quantiles: the sorted extremes themselves.
    EXPECT_EQ(r.limits[0][0], x);
    EXPECT_EQ(r.limits[0][1], y);
}

TEST(OutputStatistics, MeanVarianceAndLimitsOnTheirOwn) {
    SimulationResults r;
    const std::vector<double> one = {5.0};
    r.MeanVariance(one, 4);
    EXPECT_EQ(r.mean[4], 5.0);
    EXPECT_EQ(r.variance[4], 0.0);  // a single value has no sample variance
    const std::vector<double> sorted = {-2, 0, 1, 9};
    r.MeanVariance(sorted, 7);
    EXPECT_EQ(r.mean[7], 2.0);
    EXPECT_DOUBLE_EQ(r.variance[7], (16.0 + 4.0 + 1.0 + 49.0) / 3.0);
    r.ConfidenceLimits(sorted, 7, 50);  // quantiles 0.25 and 0.75: h = 0.75 and 2.25
    EXPECT_DOUBLE_EQ(r.limits[7][0], -0.5);
    EXPECT_DOUBLE_EQ(r.limits[7][1], 3.0);
    EXPECT_EQ(r.mean[0], kNoValue);  // other outputs untouched
    const std::vector<double> huge = {1e300, 1e300};
    EXPECT_THROW(r.MeanVariance(huge, 1), AppError);
}

TEST(OutputStatistics, CiZeroPutsBothLimitsAtTheMedian) {
    SimulationResults r;
    r.ComputeOutputStatistics(TableOf({5, 1, 4, 2, 3}, {0, 0, 0, 0, 0}), 10, 0);
    EXPECT_EQ(r.limits[0][0], 3.0);
    EXPECT_EQ(r.limits[0][1], 3.0);
    r.ComputeOutputStatistics(TableOf({5, 1, 4, 2, 3}, {0, 0, 0, 0, 0}), 10, 90);
    EXPECT_DOUBLE_EQ(r.limits[0][0], 1.2);  // h = 0.2
    EXPECT_DOUBLE_EQ(r.limits[0][1], 4.8);  // h = 3.8
}

TEST(OutputStatistics, OneClassTakesEveryTrial) {
    SimulationResults r;
    r.ComputeOutputStatistics(TableOf({0.5, -3, 8, 2, 2}, {9, 1, 1, 4, 100}), 1, 95);
    EXPECT_EQ(Count(r, 0, 0), 5.0);
    EXPECT_EQ(Count(r, 0, 1), 5.0);
}

TEST(OutputStatistics, FewerThanOneClassIsASubscriptError) {
    SimulationResults r;
    try {
        r.ComputeOutputStatistics(TableOf({1, 2}, {1, 2}), 0, 95);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::SubscriptRange);
    }
    EXPECT_EQ(r.min[0], NumericLimits::LargestDouble);
}

TEST(OutputStatistics, OverflowingSumsEndTheStepKeepingEarlierColumns) {
    // Total cost squares overflow; total risk before it is complete, and the
    // extremes of total cost were set before its sums.
    SimulationResults r;
    try {
        r.ComputeOutputStatistics(TableOf({1, 2, 3}, {1e200, 2e200, 3e200}), 10, 95);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::Overflow);
    }
    EXPECT_EQ(r.mean[0], 2.0);
    EXPECT_EQ(r.max[1], 3e200);
    EXPECT_EQ(r.mean[1], kNoValue);
    EXPECT_EQ(r.min[2], NumericLimits::LargestDouble);
}

TEST(OutputStatistics, CountsAddUpAndDoNotDependOnWorkers) {
    std::vector<double> risk(50000), cost(50000);
    std::uint64_t s = 12345;
    for (std::size_t i = 0; i < risk.size(); ++i) {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        risk[i] = static_cast<double>(s >> 11) / 9007199254740992.0;
        cost[i] = 1000.0 * risk[i] * risk[i] + static_cast<double>(i % 7);
    }
    TrialTable t = TableOf(risk, cost);
    for (std::int32_t i = 1; i <= t.trials(); ++i)
        for (int c = TrialTable::kRisk1; c < TrialTable::kColumns; ++c) t(i, c) = risk[static_cast<std::size_t>(i - 1)] * c;
    SetSimulationWorkerThreads(1);
    SimulationResults one;
    one.ComputeOutputStatistics(t, 200, 95);
    SetSimulationWorkerThreads(8);
    SimulationResults many;
    many.ComputeOutputStatistics(t, 200, 95);
    SetSimulationWorkerThreads(0);
    for (int m = 0; m < 2; ++m) {
        double total = 0;
        for (std::int32_t k = 0; k < 200; ++k) total += Count(one, k, m);
        EXPECT_EQ(total, 50000.0);
    }
    auto bits = [](double x) { return std::bit_cast<std::uint64_t>(x); };
    for (int m = 0; m < kOutputColumns; ++m) {
        EXPECT_EQ(bits(one.min[m]), bits(many.min[m]));
        EXPECT_EQ(bits(one.max[m]), bits(many.max[m]));
        EXPECT_EQ(bits(one.mean[m]), bits(many.mean[m]));
        EXPECT_EQ(bits(one.variance[m]), bits(many.variance[m]));
        EXPECT_EQ(bits(one.limits[m][0]), bits(many.limits[m][0]));
        EXPECT_EQ(bits(one.limits[m][1]), bits(many.limits[m][1]));
    }
    EXPECT_EQ(one.frequencies, many.frequencies);
}

// ---- class descriptors ---------------------------------------------------------------

TEST(FrequencyClasses, WorkedExamples) {
    const ClassDescriptor a = FrequencyClasses(2, 7, 200);
    EXPECT_DOUBLE_EQ(a.start, 2.0);
    EXPECT_DOUBLE_EQ(a.end, 7.0);
    EXPECT_DOUBLE_EQ(a.width, 0.025);
    const ClassDescriptor b = FrequencyClasses(12.3, 987.6, 200);
    EXPECT_DOUBLE_EQ(b.start, 12.3);
    EXPECT_DOUBLE_EQ(b.end, 988.3);
    EXPECT_DOUBLE_EQ(b.width, 4.88);
    const ClassDescriptor c = FrequencyClasses(0.2, 0.2, 200);
    EXPECT_DOUBLE_EQ(c.start, -100.3);
    EXPECT_DOUBLE_EQ(c.end, 99.7);
    EXPECT_EQ(c.width, 1.0);
    // Range 0.77655 has place -3: width 0.777 / 10, start down to 0.1234.
    const ClassDescriptor d = FrequencyClasses(0.12345, 0.9, 10);
    EXPECT_DOUBLE_EQ(d.width, 0.0777);
    EXPECT_DOUBLE_EQ(d.start, 0.1234);
}

TEST(FrequencyClasses, NearlyEqualExtremesUseWidthOne) {
    const double x = 1.0;
    const double y = std::nextafter(1.0, 2.0);
    ASSERT_TRUE(MUtilities::NearlyEqual(y, x));
    const ClassDescriptor d = FrequencyClasses(x, y, 7);
    EXPECT_EQ(d.width, 1.0);
    EXPECT_EQ(d.start, 1.0 - 3.0 - 0.5);
}

TEST(FrequencyClasses, RangeBeyondDoublesOverflows) {
    try {
        FrequencyClasses(-1e308, 1e308, 200);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::Overflow);
    }
}

// ---- counting ----------------------------------------------------------------------

TEST(CountFrequencies, MaximumBeyondTheLastClassCountsInIt) {
    // Range 4000 from 1239.5: place 1, width 1000, start rounded down to 1239, so the
    // classes end at 5239, below the maximum 5239.5.
    SimulationResults r;
    r.ComputeOutputStatistics(TableOf({1239.5, 2000, 5239.5}, {0, 0, 0}), 4, 95);
    const ClassDescriptor d = r.FrequencyClasses(4, 0);
    EXPECT_EQ(d.start, 1239.0);
    EXPECT_EQ(d.end, 5239.0);
    EXPECT_EQ(Count(r, 0, 0), 2.0);
    EXPECT_EQ(Count(r, 3, 0), 1.0);
}

TEST(CountFrequencies, ValueEqualToABoundAtFifteenDigitsGoesUp) {
    // The bound after one step is 0.1 + 0.2 = 0.30000000000000004; 0.3 lies below it
    // but rounds equal, so it opens class 1.
    const ClassDescriptor d{0.1, 0.1 + 0.2 * 3, 0.2};
    std::vector<double> centres(3), counts(3, 0.0);
    const std::vector<double> sorted = {0.1, 0.3};
    ASSERT_LT(0.3, 0.1 + 0.2);
    CountFrequencies(sorted, d, centres, counts);
    EXPECT_EQ(counts, (std::vector<double>{1, 1, 0}));
    EXPECT_DOUBLE_EQ(centres[0], 0.2);
    EXPECT_DOUBLE_EQ(centres[2], 0.6);
}

TEST(CountFrequencies, FirstValueBelowTheStartCountsInTheFirstClass) {
    const ClassDescriptor d{1.0, 4.0, 1.0};
    std::vector<double> centres(3), counts(3, 0.0);
    CountFrequencies(std::vector<double>{0.5, 1.5, 3.5}, d, centres, counts);
    EXPECT_EQ(counts, (std::vector<double>{2, 0, 1}));
}

TEST(CountFrequencies, MatchesTheLiteralCountWhereverThatEnds) {
    std::uint64_t s = 99;
    auto next = [&] {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(s >> 11) / 9007199254740992.0;
    };
    for (int trial = 0; trial < 40; ++trial) {
        const int classes = 1 + trial * 7;
        std::vector<double> v(3000);
        const double scale = std::pow(10.0, trial % 9 - 4);
        for (auto& x : v) x = (next() - 0.3) * scale;
        // Values placed on and just beside class bounds stress the rounded comparison.
        const ClassDescriptor d0 = FrequencyClasses(Round15(*std::min_element(v.begin(), v.end())),
                                                    Round15(*std::max_element(v.begin(), v.end())), classes);
        double b = d0.start;
        for (int k = 0; k < 50 && k < classes; ++k) {
            b += d0.width;
            v.push_back(b);
            v.push_back(std::nextafter(b, -1e300));
            v.push_back(Round15(b));
        }
        std::sort(v.begin(), v.end());
        const ClassDescriptor d = FrequencyClasses(Round15(v.front()), Round15(v.back()), classes);
        std::vector<double> centres(static_cast<std::size_t>(classes)), counts(static_cast<std::size_t>(classes), 0.0);
        CountFrequencies(v, d, centres, counts);
        EXPECT_EQ(counts, LiteralCounts(v, d, classes)) << "case " << trial;
        EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), 0.0), static_cast<double>(v.size()));
    }
}

TEST(CountFrequencies, WidthBelowHalfAnUlpOfTheBoundEnds) {
    // A million with a spread of 1E-9: extremes 1E-8 apart on either side of a
    // 1024-unit block of the bit pattern are not nearly equal, and the class width of
    // 5E-11 cannot move a bound near a million.
    double lo = 0, hi = 0;
    for (int k = 0; k < 20000; ++k) {
        const double a = Round15(1e6 + k * 1e-8);
        const double b = Round15(1e6 + (k + 1) * 1e-8);
        if (!MUtilities::NearlyEqual(b, a)) {
            lo = a;
            hi = b;
            break;
        }
    }
    ASSERT_NE(lo, 0.0);
    std::vector<double> risk(1000), cost(1000, 0.0);
    for (std::size_t i = 0; i < risk.size(); ++i) risk[i] = i % 2 ? hi : lo;
    WithinSeconds(10, [&] {
        SimulationResults r;
        r.ComputeOutputStatistics(TableOf(risk, cost), 200, 95);
        double total = 0;
        for (std::int32_t k = 0; k < 200; ++k) total += Count(r, k, 0);
        EXPECT_EQ(total, 1000.0);
        EXPECT_LT(r.FrequencyClasses(200, 0).width, 5.8e-11);
    });
}

TEST(CountFrequencies, ConstantColumnAtTenToTheSixteenEnds) {
    WithinSeconds(10, [&] {
        SimulationResults r;
        r.ComputeOutputStatistics(TableOf(std::vector<double>(500, 1e16), std::vector<double>(500, 1e16)), 200, 95);
        double total = 0;
        for (std::int32_t k = 0; k < 200; ++k) total += Count(r, k, 1);
        EXPECT_EQ(total, 500.0);
        EXPECT_EQ(r.variance[1], 0.0);
    });
}

TEST(ExtractColumn, CopiesOneColumnInTrialOrder) {
    TrialTable t(3, 0);
    for (std::int32_t i = 1; i <= 3; ++i) t(i, 5) = i * 1.5;
    EXPECT_EQ(ExtractColumn(t, 5), (std::vector<double>{1.5, 3.0, 4.5}));
    EXPECT_THROW(ExtractColumn(t, 22), AppError);
}

}  // namespace
}  // namespace nuvir
