// Output statistics, confidence limits, frequency classes, ranks and the four
// sensitivity measures, on tables whose results are worked out by hand or by counting.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <numeric>
#include <span>
#include <string>
#include <thread>

#include "betareference.h"
#include "numerics/numerics.h"
#include "simulation/columnsort.h"
#include "simulation/largearray.h"
#include "simulation/ranks.h"
#include "simulation/sensitivity.h"
#include "simulation/statistics.h"
#include "simulation_fixture.h"
#include "utilities/utilities_rounding.h"

namespace nuvir {
namespace {

using namespace enginetest;

double Centre(const SimulationResults& r, std::int32_t k, int m) {
    return r.frequencies[2 * (static_cast<std::size_t>(k) + static_cast<std::size_t>(r.frequencyClasses) * m)];
}
double Count(const SimulationResults& r, std::int32_t k, int m) {
    return r.frequencies[1 + 2 * (static_cast<std::size_t>(k) + static_cast<std::size_t>(r.frequencyClasses) * m)];
}

// A table of n trials whose total risk and total cost columns hold the given values.
TrialTable TableOf(const std::vector<double>& risk, const std::vector<double>& cost) {
    TrialTable t(static_cast<std::int32_t>(risk.size()), 0);
    for (std::int32_t i = 1; i <= t.trials(); ++i)
        t(i, TrialTable::kTotalRisk) = risk[static_cast<std::size_t>(i - 1)],
             t(i, TrialTable::kTotalCost) = cost[static_cast<std::size_t>(i - 1)];
    return t;
}

// ---- output statistics ----------------------------------------------------------------

// Columns of millions of values, sorted as the statistics take them: the mean and the
// SD within 2 units in the last place of the same figures from sums in quadruple
// precision. Block totals added without their rounding carried, or one running total,
// drift further over so many terms (5 to 8 units here, or dozens to thousands), which a
// thousand trials cannot show.
TEST(OutputStatistics, MillionsOfValuesAgainstTheQuadrupleReference) {
    struct Case {
        const char* name;
        std::size_t n;
        double (*value)(double u);  // u from 0 to 1, in order
    };
    const Case cases[] = {
        {"a million values of 1e9 +- 1", 1'000'000, [](double u) { return 1e9 + (2 * u - 1); }},
        {"two million values from 1 to e^8", 2'000'000, [](double u) { return std::exp(8 * u); }},
        {"four million values of 0.3 +- 0.2, cubed", 4'000'000,
         [](double u) { return 0.3 + 0.2 * (2 * u - 1) * (2 * u - 1) * (2 * u - 1); }},
        {"ten million values of 1e-3 +- 1e-4", 10'000'000, [](double u) { return 1e-3 + 1e-4 * (2 * u - 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<double> v(c.n);
        for (std::size_t i = 0; i < c.n; ++i) v[i] = c.value(static_cast<double>(i) / static_cast<double>(c.n - 1));
        const test::QuadPair q = test::QuadMoments(v, v);
        SimulationResults r;
        r.MeanVariance(v, 0);
        EXPECT_LE(test::Ulps(r.mean[0], q.meanA), 2.0);
        EXPECT_LE(test::Ulps(r.sd[0], q.sdA), 2.0);
    }
}

// Total risk 3, 1, 4, 1.5: sum 9.5, mean 2.375; squared deviations
// 0.390625 + 1.890625 + 2.640625 + 0.765625 = 5.6875, over n - 1 = 3.
// Sorted 1, 1.5, 3, 4: the 0.025 quantile at h = 0.075 is 1 + 0.075 * 0.5 = 1.0375,
// the 0.975 quantile at h = 2.925 is 3 + 0.925 * 1 = 3.925.
TEST(OutputStatistics, HandWorkedConstantAndFailingColumns) {
    SimulationResults r;
    r.ComputeOutputStatistics(TableOf({3, 1, 4, 1.5}, {0, 0, 0, 0}), 3, 95);
    EXPECT_EQ(r.min[0], 1.0);
    EXPECT_EQ(r.max[0], 4.0);
    EXPECT_EQ(r.variance[1], 0.0);
    EXPECT_DOUBLE_EQ(r.mean[0], 2.375);
    EXPECT_DOUBLE_EQ(r.variance[0], 5.6875 / 3.0);
    EXPECT_DOUBLE_EQ(r.limits[0][0], 1.0375);
    EXPECT_DOUBLE_EQ(r.limits[0][1], 3.925);
    // Range 3 gives place -2, width 1 from 1: classes [1,2), [2,3), [3,4); the maximum
    // 4 lies at the end and counts in the last class.
    // Total cost all 0: width 1 from 0 - 1 - 0.5, everything in class 1 centred on 0.
    struct Class {
        int k, m;
        double centre, count;
    };
    for (const Class& c : {Class{0, 0, 1.5, 2}, Class{1, 0, 2.5, 0}, Class{2, 0, 3.5, 2}, Class{1, 1, 0, 4}}) {
        EXPECT_EQ(Centre(r, c.k, c.m), c.centre) << "class " << c.k << " of output " << c.m;
        EXPECT_EQ(Count(r, c.k, c.m), c.count) << "class " << c.k << " of output " << c.m;
    }
    // (centre or count, class, output) at i + 2 * (k + classes * m).
    EXPECT_EQ(r.frequencies[1 + 2 * 2], 2);
    EXPECT_EQ(r.frequencies[0 + 2 * 1], 2.5);
    // Range 4000 from 1239.5: place 1, width 1000, start rounded down to 1239, so the
    // classes end at 5239, below the maximum 5239.5, which counts in the last class.
    r.ComputeOutputStatistics(TableOf({1239.5, 2000, 5239.5}, {0, 0, 0}), 4, 95);
    EXPECT_EQ(r.FrequencyClasses(4, 0).end, 5239.0);
    EXPECT_EQ(Count(r, 0, 0), 2.0);
    EXPECT_EQ(Count(r, 3, 0), 1.0);
    // Min and max carry 15 digits, the limits do not: CI 100 gives the sorted extremes.
    const double x = 0.1 + 0.2, y = 1.0 / 3.0;
    r.ComputeOutputStatistics(TableOf({y, x, x}, {x, x, x}), 5, 100);
    EXPECT_EQ(r.min[0], 0.3);
    EXPECT_EQ(r.max[0], 0.333333333333333);
    EXPECT_EQ(r.limits[0], (std::array<double, 2>{x, y}));
    r.MeanVariance(std::vector<double>{5.0}, 4);
    EXPECT_EQ(r.variance[4], 0.0);  // a single value has no sample variance
    // n copies of 0.1 leave a negative residue in the one-pass formula. Width-1 classes
    // from the value - 100 - 0.5: all in class 100, centred on the value.
    r.ComputeOutputStatistics(TableOf(std::vector<double>(10000, 0.1), std::vector<double>(10000, 0.2)), 200, 95);
    EXPECT_EQ(r.variance[0], 0.0);
    EXPECT_EQ(r.variance[1], 0.0);
    for (int m = 0; m < 2; ++m)
        for (std::int32_t k = 0; k < 200; ++k) EXPECT_EQ(Count(r, k, m), k == 100 ? 10000.0 : 0.0) << k;
    EXPECT_NEAR(Centre(r, 100, 1), 0.2, 1e-12);
    // A failure keeps what was done: total risk is complete, and the minimum of total
    // cost was set before its infinite value overflowed the mean.
    SimulationResults failed;
    EXPECT_EQ(test::ErrorNumber([&] {
                  failed.ComputeOutputStatistics(TableOf({1, 2}, {1, 2}), 0, 95);
              }),
              err::SubscriptRange);
    EXPECT_EQ(failed.min[0], NumericLimits::LargestDouble);
    EXPECT_EQ(test::ErrorNumber([&] {
                  failed.ComputeOutputStatistics(TableOf({1, 2, 3}, {-1, 0, HUGE_VAL}), 10, 95);
              }),
              err::Overflow);
    EXPECT_EQ(failed.mean[0], 2.0);
    EXPECT_EQ(failed.min[1], -1.0);
    EXPECT_EQ(failed.mean[1], kNoValue);
    EXPECT_EQ(failed.min[2], NumericLimits::LargestDouble);
}

// ---- frequency classes --------------------------------------------------------------------

TEST(FrequencyClasses, WorkedExamples) {
    // Range 0.77655 has place -3: start 0.1234, width 0.0777. Nearly equal extremes use
    // width 1 around them.
    ClassDescriptor d = FrequencyClasses(0.12345, 0.9, 10);
    EXPECT_NEAR(d.start, 0.1234, 1e-12);
    EXPECT_NEAR(d.end, 0.1234 + 0.777, 1e-12);
    EXPECT_NEAR(d.width, 0.0777, 1e-12);
    d = FrequencyClasses(1.0, std::nextafter(1.0, 2.0), 7);
    EXPECT_EQ(d.start, -2.5);
    EXPECT_EQ(d.end, 4.5);
    EXPECT_EQ(d.width, 1.0);
    // A first value below the start counts in the first class.
    std::vector<double> centres(3), counts(3, 0.0);
    CountFrequencies(std::vector<double>{0.5, 1.5, 3.5}, ClassDescriptor{1.0, 4.0, 1.0}, centres, counts);
    EXPECT_EQ(counts, (std::vector<double>{2, 0, 1}));
}

// The classes at both ends of the Double range, by hand from the rule: p two below the
// range's decade, the width the range rounded up to 10^p over the classes, the start
// the minimum rounded down to 10^(p - 1), the end the start plus the classes' width.
// Min and max carry digits beyond those places, so that no rounding sits on a bound.
struct ClassRow {
    const char* name;
    double mn, mx;
    double start, width, end;  // NaN: not checked
};
const double kUnchecked = std::nan("");
const ClassRow kClassesAtTheEnds[] = {
    // Range 1.8655e-305, p -307: 1.87e-305 / 200.
    {"1.2345e-305..3.1e-305", 1.2345e-305, 3.1e-305, 1.234e-305, 9.35e-308, 3.104e-305},
    // Range 1.4567e-307, p -309: 1.46e-307 / 200, a subnormal width.
    {"0..1.4567e-307", 0, 1.4567e-307, 0, 7.3e-310, 1.46e-307},
    // Subnormal: 2499 and 6996 units of 2^-1074, 4497 apart (2.2218e-320), p -322:
    // 2.23e-320 / 200 is 22.57 units, stored as 23; the start 1234e-323. The end is 200
    // widths of 23 units on, no decimal.
    {"1.2345e-320..3.4567e-320", 1.2345e-320, 3.4567e-320, 1.234e-320, 1.115e-322, kUnchecked},
    // Range 2.9134e308, beyond the largest Double, p 306: 2.92e308 / 200; the start to
    // 1e305.
    {"-1.2345e308..1.6789e308", -1.2345e308, 1.6789e308, -1.235e308, 1.46e306, 1.685e308},
    // Range 3.5954e308, p 306: 3.6e308 / 200. The start, -1.798e308, and the end,
    // 1.802e308, lie beyond the largest Double: held at the minimum and at it.
    {"the whole Double range", -DBL_MAX, DBL_MAX, -DBL_MAX, 1.8e306, NumericLimits::LargestDouble},
    // Range 2.84001e308, p 306: 2.85e308 / 200 from -1.043e308. The end, 1.807e308, and
    // the middle of the last class, 1.7999e308, lie beyond the largest Double: held at it.
    {"from -1.04232e308 to the largest Double", -1.04232e308, DBL_MAX, -1.043e308, 1.425e306,
     NumericLimits::LargestDouble},
    // Range 1.79516e308, whose rounding up to 1e306 lies beyond the largest Double: the
    // classes of a tenth of it, 1.8e307 / 200, ten times as wide. The start to 1e305, 0;
    // the end, 1.8e308, held at the largest Double.
    {"4.1e303..1.7952e308", 4.1e303, 1.7952e308, 0, 9e305, NumericLimits::LargestDouble},
    // Its mirror image: the start -1.796e308, the end 200 x 9e305 on.
    {"-1.7952e308..-4.1e303", -1.7952e308, -4.1e303, -1.796e308, 9e305, 4e305},
    // Range 9.9765e307, p 305: 9.98e307 / 200. The start to 1e304, -1.7977e308, lies
    // beyond the most negative Double: held at the minimum, the end 9.98e307 on.
    {"-1.79765e308..-8e307", -1.79765e308, -8e307, -1.79765e308, 4.99e305, -7.9965e307},
    // Its mirror image: the start 8e307, the end, 1.798e308, held at the largest Double.
    {"8.00005e307..1.79765e308", 8.00005e307, 1.79765e308, 8e307, 4.99e305, NumericLimits::LargestDouble},
    // Subnormal: 900 and 1148 units of 2^-1074, 248 apart (1.2253e-321), p -323: 1.23e-321
    // is 248.95 units, stored as 249; over 200 classes 1.245 units, whole units up: 2 (1
    // would end the classes at 1100 units). The start, 4.446e-321, is 899.88 units:
    // 900. The end 400 units on.
    {"900..1148 units", 900 * 0x1p-1074, 1148 * 0x1p-1074, 900 * 0x1p-1074, 2 * 0x1p-1074, 1300 * 0x1p-1074},
    // Its mirror image: the start, -5.672e-321, is 1148.04 units below 0: 1148.
    {"-1148..-900 units", -1148 * 0x1p-1074, -900 * 0x1p-1074, -1148 * 0x1p-1074, 2 * 0x1p-1074, -748 * 0x1p-1074},
    // One unit of 2^-1074 apart across a block of the comparison (so not nearly equal):
    // 200 classes would be narrower than the smallest Double. Width 1 around the
    // minimum, as for equal extremes.
    {"neighbouring subnormals", 1023 * 0x1p-1074, 1024 * 0x1p-1074, 1023 * 0x1p-1074 - 100.5, 1,
     1023 * 0x1p-1074 + 99.5},
};

// a within 1e-13 of `scale` of b, or one unit of the smallest Double (the rounding of
// subnormal results).
::testing::AssertionResult Near(double a, double b, double scale) {
    if (std::fabs(a - b) <= 1e-13 * std::fabs(scale) + 0x1p-1074) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a << " is not " << b;
}
::testing::AssertionResult Near(double a, double b) { return Near(a, b, b); }

TEST(FrequencyClasses, AtBothEndsOfTheDoubleRange) {
    for (const ClassRow& c : kClassesAtTheEnds) {
        SCOPED_TRACE(c.name);
        ClassDescriptor d;
        ASSERT_NO_THROW(d = FrequencyClasses(c.mn, c.mx, 200));
        EXPECT_TRUE(Near(d.start, c.start));
        EXPECT_TRUE(Near(d.width, c.width));
        if (!std::isnan(c.end)) {
            EXPECT_TRUE(Near(d.end, c.end));
        }
        // The classes cover the range (an end held at the program's largest Double, a
        // little below DBL_MAX, counts as reaching it).
        EXPECT_LE(d.start, c.mn);
        EXPECT_GE(d.end, std::min(c.mx, NumericLimits::LargestDouble));
    }
}

// Classes whose upper bounds pass the largest Double, by hand: from 1.6e308 in steps of
// 1e307, the bound after class 1 is 1.8e308, beyond it. The largest Double lies in class
// 1 and reaches no later bound; the centres from 1.85e308 on are held at the largest
// Double.
TEST(CountFrequencies, BoundsBeyondTheLargestDoubleAreReachedByNone) {
    std::vector<double> centres(4), counts(4, 0.0);
    CountFrequencies(std::vector<double>{1.65e308, 1.7e308, DBL_MAX}, ClassDescriptor{1.6e308, DBL_MAX, 1e307}, centres,
                     counts);
    EXPECT_EQ(counts, (std::vector<double>{1, 2, 0, 0}));
    EXPECT_DOUBLE_EQ(centres[0], 1.65e308);
    EXPECT_DOUBLE_EQ(centres[1], 1.75e308);
    EXPECT_EQ(centres[2], NumericLimits::LargestDouble);
    EXPECT_EQ(centres[3], NumericLimits::LargestDouble);
}

// Columns at both ends: the extremes of each row above and a value at the middle of
// each of its classes. The statistics against sums and quantiles in quadruple
// precision; the counts against each value's class from the row's start and width
// (every value lies far from a bound).
TEST(OutputStatistics, ResultsOfAnyFiniteSize) {
    for (const ClassRow& c : kClassesAtTheEnds) {
        SCOPED_TRACE(c.name);
        std::vector<double> v{c.mx, c.mn};
        for (int k = 0; k < 200; ++k) {
            const __float128 middle = static_cast<__float128>(c.start) + (k + 0.5) * static_cast<__float128>(c.width);
            if (middle > c.mn && middle < c.mx) v.push_back(static_cast<double>(middle));
        }
        SimulationResults r;
        ASSERT_NO_THROW(r.ComputeOutputStatistics(TableOf(v, v), 200, 95));

        EXPECT_EQ(r.min[0], c.mn == DBL_MAX || c.mn == -DBL_MAX ? Round15(c.mn) : c.mn);
        EXPECT_EQ(r.max[0], c.mx == DBL_MAX ? Round15(c.mx) : c.mx);
        // The mean and SD of values of both signs are as near as the values' scale allows.
        const double scale = std::max(std::fabs(c.mn), std::fabs(c.mx));
        const test::QuadPair q = test::QuadMoments(v, v);
        EXPECT_TRUE(Near(r.mean[0], q.meanA, scale));
        EXPECT_TRUE(Near(r.sd[0], q.sdA, scale));
        std::vector<double> sorted = v;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_TRUE(Near(r.limits[0][0], test::QuadQuantile(sorted, 0.025)));
        EXPECT_TRUE(Near(r.limits[0][1], test::QuadQuantile(sorted, 0.975)));

        std::vector<double> expected(200, 0.0);
        for (const double x : v) {
            const __float128 at = (static_cast<__float128>(x) - c.start) / static_cast<__float128>(c.width);
            const int k = std::clamp(static_cast<int>(static_cast<double>(at)), 0, 199);
            expected[static_cast<std::size_t>(k)] += 1;
        }
        for (int m = 0; m < 2; ++m) {
            for (std::int32_t k = 0; k < 200; ++k) {
                EXPECT_EQ(Count(r, k, m), expected[static_cast<std::size_t>(k)]) << "class " << k;
                EXPECT_TRUE(std::isfinite(Centre(r, k, m))) << "class " << k;
            }
        }
    }
    // Two trials at -1.7e308 and 1.7e308: the limits by hand, -1.7e308 + 0.025 x 3.4e308
    // and its mirror image.
    SimulationResults two;
    ASSERT_NO_THROW(two.ComputeOutputStatistics(TableOf({1.7e308, -1.7e308}, {0, 0}), 200, 95));
    EXPECT_NEAR(two.limits[0][0], -1.615e308, 1e-15 * 1.7e308);
    EXPECT_NEAR(two.limits[0][1], 1.615e308, 1e-15 * 1.7e308);
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

TEST(CountFrequencies, MatchesTheLiteralCountWhereverThatEnds) {
    auto next = Uniforms(99);
    for (int trial = 0; trial < 40; ++trial) {
        const int classes = 1 + trial * 7;
        std::vector<double> v(3000);
        for (auto& x : v) x = (next() - 0.3) * std::pow(10.0, trial % 9 - 4);
        // Values placed on and just beside class bounds stress the rounded comparison.
        std::sort(v.begin(), v.end());
        const ClassDescriptor first = FrequencyClasses(Round15(v.front()), Round15(v.back()), classes);
        double b = first.start;
        for (int k = 0; k < 50 && k < classes; ++k) {
            b += first.width;
            v.insert(v.end(), {b, std::nextafter(b, -1e300), Round15(b)});
        }
        std::sort(v.begin(), v.end());
        const ClassDescriptor d = FrequencyClasses(Round15(v.front()), Round15(v.back()), classes);
        std::vector<double> centres(static_cast<std::size_t>(classes)), counts(static_cast<std::size_t>(classes), 0.0);
        CountFrequencies(v, d, centres, counts);
        EXPECT_EQ(counts, LiteralCounts(v, d, classes)) << "case " << trial;
        EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), 0.0), static_cast<double>(v.size()));
    }
}

TEST(CountFrequencies, WidthsTooSmallToMoveTheBoundEnd) {
    // A million with a spread of 1E-9: extremes 1E-8 apart that are not nearly equal, and
    // a class width of 5E-11 that cannot move a bound near a million.
    const double lo = 1000000.00000011, hi = 1000000.00000012;
    ASSERT_FALSE(MUtilities::NearlyEqual(lo, hi));
    SimulationResults r;  // it used to hang here
    r.ComputeOutputStatistics(TableOf({lo, hi, lo}, {1e16, 1e16, 1e16}), 200, 95);
    double total = 0;
    for (std::size_t i = 1; i < r.frequencies.size(); i += 2) total += r.frequencies[i];
    EXPECT_EQ(total, 6.0);
    EXPECT_LT(r.FrequencyClasses(200, 0).width, 5.8e-11);
}

// ---- ranks and correlations ----------------------------------------------------------------

std::vector<double> Ranked(std::vector<double> v) {
    RankColumn(v);
    return v;
}

// Rank by counting in a sorted copy: 1 + the number of smaller values + half the number
// of other equal ones.
std::vector<double> CountedRanks(const std::vector<double>& v) {
    std::vector<double> sorted = v, r;
    std::sort(sorted.begin(), sorted.end());
    for (const double x : v) {
        const auto [lo, hi] = std::equal_range(sorted.begin(), sorted.end(), x);
        r.push_back(static_cast<double>(lo - sorted.begin()) + static_cast<double>(hi - lo + 1) / 2.0);
    }
    return r;
}

TEST(RankTransform, TiesShareTheMeanPosition) {
    EXPECT_EQ(Ranked({-1.5, 0.0, -0.0, 7}), (std::vector<double>{1, 2.5, 2.5, 4}));
    // The sort splits the range of what it holds into buckets, level by level: columns
    // with negative values, signed zeros, extremes and many ties; values spread over
    // twenty decades; a dense cluster beside a few far outliers (one bucket holds
    // nearly all, so it must split again on its own range); neighbouring doubles;
    // all equal; and sizes on either side of the few keys finished by insertion.
    auto next = Uniforms(7);
    std::vector<double> mixed(3000), spread(5000), cluster(20000), neighbours(4000), equal(1000, 2.5), small(25),
        tiny(24);
    for (auto& x : mixed) {
        const double u = next();
        x = u < 0.3 ? std::floor(u * 40) - 6 : (u < 0.35 ? (u < 0.325 ? 0.0 : -0.0) : (u - 0.6) * 1e5);
    }
    mixed[17] = -1e300, mixed[18] = 1e300, mixed[19] = 5e-324;
    for (auto& x : spread) x = (next() - 0.5) * std::pow(10.0, std::floor(next() * 20) - 10);
    for (auto& x : cluster) x = 1.0 + next() * 1e-12;
    cluster[5] = -1e200, cluster[6] = 1e200, cluster[7] = 3.0;
    for (auto& x : neighbours) x = std::nextafter(1.0, 2.0 * std::floor(next() * 2)) * (next() < 0.5 ? 1 : -1);
    for (auto& x : small) x = std::floor(next() * 10);
    for (auto& x : tiny) x = next();
    ColumnScratch scratch;
    for (auto v : {mixed, spread, cluster, neighbours, equal, small, tiny, cluster}) {
        const std::vector<double> ranks = CountedRanks(v);
        EXPECT_EQ(Ranked(v), ranks) << v.size();
        std::vector<double> expected = v, sorted;
        std::sort(expected.begin(), expected.end());
        // Ranked in a work space used before, which also hands back the sorted values.
        std::vector<double> ranked = v;
        const std::span<const double> fromWork = RankColumn(ranked, scratch);
        sorted.assign(fromWork.begin(), fromWork.end());
        EXPECT_EQ(sorted, expected) << v.size();
        EXPECT_EQ(ranked, ranks) << v.size();
        SortColumn(v);
        EXPECT_EQ(std::signbit(v.front()), std::signbit(expected.front())) << v.size();
        EXPECT_EQ(v, expected) << v.size();
    }
    // NaN equals nothing: each has a rank of its own, beyond the infinities.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(Ranked({nan, 1.0, -std::numeric_limits<double>::infinity(), nan, 1.0}).back(), 2.5);
    const std::vector<double> withNan = Ranked({nan, 1.0, std::numeric_limits<double>::infinity(), nan, 1.0});
    EXPECT_EQ(withNan[1], 1.5);
    EXPECT_EQ(withNan[2], 3);
    EXPECT_EQ(withNan[0] + withNan[3], 9);
    EXPECT_NE(withNan[0], withNan[3]);
    std::vector<double> nanColumn{nan, 1.0, std::numeric_limits<double>::infinity(), nan, 1.0}, ranked = nanColumn;
    const std::span<const double> sorted = RankColumn(ranked, scratch);
    SortColumn(nanColumn);  // where NaN goes is the general quicksort's
    EXPECT_EQ(ranked, withNan);
    EXPECT_EQ(std::memcmp(sorted.data(), nanColumn.data(), sizeof(double) * 5), 0);
}

// Inputs uniform on their own scales; total risk driven by p1 (10 p1 + 0.5 I1 plus a
// little noise), total cost by FC2 (3 FC2 + 0.1 p4 plus noise).
TrialTable DrivenTable(std::int32_t n) {
    auto next = Uniforms(3);
    TrialTable t(n, 0);
    for (std::int32_t i = 1; i <= n; ++i) {
        for (int c = 0; c < 13; ++c) t(i, c) = next() * (c < 4 ? 1.0 : 10.0 + c);
        t(i, TrialTable::kTotalRisk) = 10.0 * t(i, 0) + 0.5 * t(i, 4) + 0.001 * next();
        t(i, TrialTable::kTotalCost) = 3.0 * t(i, 10) + 0.1 * t(i, 3) + 0.001 * next();
        for (int c = TrialTable::kRisk1; c < TrialTable::kColumns; ++c) t(i, c) = next();
    }
    return t;
}

// Large blocks come aligned to 2 MB (where huge pages can back them), small ones from
// the heap; a size beyond any memory raises bad_alloc instead of wrapping around.
TEST(LargeArray, AlignedUsableAndHonestAboutFailure) {
    for (const std::size_t n : {std::size_t{2}, std::size_t{1000}, (std::size_t{2} << 20) / 8, std::size_t{3} << 20}) {
        LargeArray<double> a = MakeLargeArray<double>(n);
        a[0] = 1.5, a[n - 1] = 2.5;
        const auto address = reinterpret_cast<std::uintptr_t>(a.get());
        EXPECT_EQ(a[0], 1.5) << n;
        EXPECT_EQ(a[n - 1], 2.5) << n;
        EXPECT_EQ(address % 16, 0u) << n;
        if (n * 8 >= (2u << 20)) {
            EXPECT_EQ(address % (2u << 20), 0u) << n;  // large blocks on huge pages
        }
    }
    for (const std::size_t n :
         {std::numeric_limits<std::size_t>::max() / 8 - 1, std::numeric_limits<std::size_t>::max() / 4})
        EXPECT_THROW(MakeLargeArray<double>(n), std::bad_alloc) << n;
    // A freed large block leaves the process, whichever thread freed it: the run's
    // worker threads live on, and memory their allocator kept would pile up run after run.
    auto residentMB = [] {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
        return 0.0;
    };
    // Twice 16 MB: after a first block of a size is freed, a general allocator serves
    // the next from memory it keeps.
    const double before = residentMB();
    for (int round = 0; round < 2; ++round) {
        LargeArray<double> big;
        std::thread([&] {
            big = MakeLargeArray<double>(std::size_t{16} << 17);
            std::fill(big.get(), big.get() + (std::size_t{16} << 17), 1.0);
        }).join();
        const double touched = residentMB();
        std::thread([&] { big.reset(); }).join();
        EXPECT_GT(touched - before, 15) << round << ": " << before << " " << touched << " " << residentMB();
        EXPECT_LT(residentMB() - before, 4) << round << ": " << before << " " << touched << " " << residentMB();
    }
}

// Pearson of x = 10..50 with y = 1, 2, 3, 4, 100: Sxy = 2000, Sxx = 1000, Syy = 7610.
// The ranks agree exactly, so Spearman is 1. Input 1 against total cost: ranks 1..5
// against 2, 1, 4, 3, 5 give sum d^2 = 4 and rho = 1 - 6 * 4 / (5 * 24) = 0.8.
TEST(CorrelationSensitivities, HandWorkedAndColumnsWithoutSpread) {
    TrialTable t = DrivenTable(5);
    const double x[] = {10, 20, 30, 40, 50}, y[] = {1, 2, 3, 4, 100}, x1[] = {0.1, 0.2, 0.3, 0.4, 0.5},
                 z[] = {7, 6, 9, 8, 10};
    for (std::int32_t i = 1; i <= 5; ++i) {
        t(i, 0) = x[i - 1], t(i, 1) = x1[i - 1];
        t(i, TrialTable::kTotalRisk) = y[i - 1], t(i, TrialTable::kTotalCost) = z[i - 1];
    }
    EXPECT_NEAR(CorrelationSensitivities(t, false)(0, 0), 2000.0 / std::sqrt(1000.0 * 7610.0), 1e-15);
    const SensitivityTable spearman = CorrelationSensitivities(t, true);
    EXPECT_LT(std::fabs(spearman(0, 0) - 1.0), 1e-15);
    EXPECT_LT(std::fabs(spearman(1, 1) - 0.8), 1e-15);
    // The mean of 10000 copies of 0.1 is not exactly 0.1.
    t = DrivenTable(10000);
    for (std::int32_t i = 1; i <= 10000; ++i) t(i, 2) = 0.1, t(i, TrialTable::kTotalCost) = 3.0;
    for (const bool ranked : {false, true}) {
        const SensitivityTable s = CorrelationSensitivities(t, ranked);
        EXPECT_EQ(s(2, 0), kNoValue) << ranked;
        EXPECT_NE(s(0, 0), kNoValue) << ranked;
        EXPECT_NE(s(12, 0), kNoValue) << ranked;
        for (int j = 0; j < 13; ++j) EXPECT_EQ(s(j, 1), kNoValue) << j;
    }
}

// Regression on the values with the constant (first read of the setting), Pearson on
// the values, Spearman ranks the table, then the rank regression without the constant.
// Each fit leaves the inputs it does not use (costs for risk, impacts for cost) at the
// marker; a failed fit marks only its own output.
TEST(SensitivityMeasures, RunOrderAndWhatEachMeasureSees) {
    const TrialTable raw = DrivenTable(500);
    TrialTable table = raw, copy = raw;
    EngineTestHost host;
    host.regAnswers = {true, false};  // the setting changes between the two reads
    SimulationResults r;
    r.ComputeSensitivityMeasures(table, host);
    EXPECT_EQ(host.regReads, 2u);
    SensitivityTable src, srrc;
    const R2Pair srcR2 = RegressionSensitivities(raw, true, src);
    const SensitivityTable pearson = CorrelationSensitivities(copy, false),
                           spearman = CorrelationSensitivities(copy, true);
    const R2Pair srrcR2 = RegressionSensitivities(copy, false, srrc);
    ASSERT_TRUE(r.sensitivities[0]);
    ASSERT_TRUE(r.sensitivities[1]);
    ASSERT_TRUE(r.sensitivities[2]);
    ASSERT_TRUE(r.sensitivities[3]);
    EXPECT_EQ(*r.sensitivities[0], spearman);
    EXPECT_EQ(*r.sensitivities[1], pearson);
    EXPECT_EQ(*r.sensitivities[2], src);
    EXPECT_EQ(*r.sensitivities[3], srrc);
    EXPECT_EQ(*r.regressionTable, srrc);
    EXPECT_EQ(r.r2[0], srcR2);
    EXPECT_EQ(r.r2[1], srrcR2);
    for (int c = 0; c < TrialTable::kColumns; ++c)  // every column is left ranked
        ASSERT_TRUE(std::equal(table.column(c), table.column(c) + 500, copy.column(c))) << c;
    ASSERT_TRUE(srcR2[0]);
    ASSERT_TRUE(srcR2[1]);
    ASSERT_GT(*srcR2[0], 0.9999);
    ASSERT_GT(*srcR2[1], 0.9999);
    // A run's combined step gives what the statistics and then the measures give, the
    // outputs' ranks coming from the statistics' sorts (with ties: Risk1 in tenths).
    TrialTable tied = raw;
    for (std::int32_t i = 1; i <= 500; ++i) tied(i, TrialTable::kRisk1) = std::floor(tied(i, TrialTable::kRisk1) * 10);
    TrialTable combinedTable = tied;
    SimulationResults apart, combined;
    host.regReads = 0;
    apart.ComputeOutputStatistics(tied, 20, 90);
    apart.ComputeSensitivityMeasures(tied, host);
    host.regReads = 0;
    combined.ComputeStatisticsAndMeasures(combinedTable, 20, 90, host);
    ExpectSameResults(apart, combined);
    for (int c = 0; c < TrialTable::kColumns; ++c)
        ASSERT_EQ(std::memcmp(tied.column(c), combinedTable.column(c), sizeof(double) * 500), 0) << c;
    for (int j = 0; j < 13; ++j) {
        EXPECT_EQ(src(j, 0) == kNoValue, j > 8) << j;
        EXPECT_EQ(src(j, 1) == kNoValue, j > 3 && j < 9) << j;
    }
    EXPECT_GT(src(0, 0), 0.75);
    EXPECT_GT(src(4, 0), 0.5);
    EXPECT_GT(src(10, 1), 0.9);
    EXPECT_LT(std::fabs(src(1, 0)), 1e-3);
    EXPECT_LT(std::fabs(src(9, 1)), 1e-3);
    // Nine regressors and the constant need eleven trials; eight and the constant ten.
    // As the engine hands them out, a failed fit's R^2 is Empty.
    table = DrivenTable(10);
    host.regAnswers = {true};
    r.ComputeSensitivityMeasures(table, host);
    src = *r.sensitivities[2];
    ASSERT_FALSE((*r.r2[0])[0]);
    ASSERT_TRUE((*r.r2[0])[1]);
    for (int j = 0; j < 13; ++j) {
        EXPECT_EQ(src(j, 0), kNoValue) << j;
        EXPECT_EQ(src(j, 1) == kNoValue, j > 3 && j < 9) << j;
    }
    EXPECT_TRUE(r.R2Copy(-1)(0).get()(0).isEmpty());
    EXPECT_EQ(r.R2Copy(1)(1).get().rawDouble(), *(*r.r2[1])[1]);
}

// ---- regression measures with fixed inputs ---------------------------------------------

// Fourteen trials: p1-p4, I1-I5, FC1-FC4, total risk, total cost (the other outputs 0).
// I1 is fixed at 0 throughout; the second set of cases also fixes p3 at 0.4 and FC2 at
// 250. The outputs come from a model-like formula, so the fits are not exact.
const double kFixedInputTrials[14][15] = {
    {0.39, 0.575, 0.414, 0.599, 0, 8.88, 8.32, 6.06, 4.25, 473.2, 185, 246.3, 102, 4.9931, 610.052},
    {0.625, 0.111, 0.721, 0.897, 0, 0.88, 6.02, 0.53, 2.38, 270.5, 398.8, 212.2, 412.9, 0.9901, 555.124},
    {0.507, 0.189, 0.814, 0.601, 0, 1.29, 8.25, 4.24, 1.7, 191.1, 352.8, 290, 214.2, 1.3797, 414.466},
    {0.398, 0.675, 0.847, 0.555, 0, 2.67, 4.73, 9.7, 2.18, 309.6, 464.8, 294.5, 464.6, 3.4975, 679.426},
    {0.115, 0.213, 0.732, 0.132, 0, 9.31, 9.65, 7.59, 8.21, 153.1, 485.1, 105.9, 278.7, 1.1529, 216.478},
    {0.781, 0.415, 0.126, 0.181, 0, 6.63, 7.57, 1.52, 5.23, 358.8, 143.9, 353.3, 172.9, 5.3329, 592.757},
    {0.772, 0.563, 0.796, 0.644, 0, 4.45, 1.1, 5.12, 6.77, 425.7, 121.8, 107, 295.9, 7.3211, 668.608},
    {0.775, 0.296, 0.144, 0.556, 0, 8.18, 2.13, 7.43, 1.04, 324.4, 115.3, 146.7, 345.3, 6.6844, 458.817},
    {0.15, 0.241, 0.713, 0.517, 0, 5.32, 0.37, 3.08, 0.2, 235.9, 284.2, 198.6, 493, 0.9175, 298.416},
    {0.806, 0.533, 0.596, 0.439, 0, 5.95, 4.36, 5.02, 7.21, 409.5, 472.8, 177.5, 184.9, 7.3292, 914.172},
    {0.647, 0.331, 0.402, 0.896, 0, 3.27, 4.55, 3.34, 2.18, 304.3, 400.1, 459.8, 240.8, 3.1447, 682.365},
    {0.263, 0.542, 0.521, 0.838, 0, 7.75, 9.47, 1.45, 9.46, 485.9, 268.5, 316, 394.5, 3.7889, 630.858},
    {0.432, 0.22, 0.807, 0.332, 0, 8, 6.25, 7.92, 6.26, 464.8, 143.6, 389.4, 423.5, 4.1799, 596.325},
    {0.671, 0.715, 0.199, 0.838, 0, 5.32, 8.08, 0.49, 2.08, 250.5, 200.5, 429.6, 467.1, 4.8474, 635.738},
};

// The expected values are an independent ordinary least-squares fit of the same table:
// NumPy's lstsq on the design [1, x...] (or [x...] without the constant) over the
// regressors that vary, R^2 = 1 - SSE / sum (y - mean)^2 (without the constant
// 1 - SSE / sum y^2), the standardised coefficient b s_x / s_y (without the constant
// b sqrt(sum x^2 / sum y^2)); SRRC the same on every column replaced by its ranks
// (ties averaged, a fixed column all (n + 1) / 2). M: left out of the fit.
constexpr double M = kNoValue;
struct FixedInputCase {
    const char* name;
    bool three, constant;
    // SRC risk (p1-p4, I1-I5), SRC cost (p1-p4, FC1-FC4), SRRC risk, SRRC cost.
    std::vector<std::vector<double>> coefficients;
    // R^2: SRC risk, SRC cost, SRRC risk, SRRC cost.
    std::array<double, 4> r2;
};
const FixedInputCase kFixedInputCases[] = {
    {"one fixed (I1), with the constant",
     false,
     true,
     {{0.83044896305424598, 0.37898798948220369, 0.21492657297038936, 0.07556365020285076, M, 0.61100819982594001,
       -0.17069871190022776, 0.072478494770866653, 0.066624500697694322},
      {0.61146423802272165, 0.27849234476166462, 0.10371282712437374, 0.016243856922631139, 0.62465253030704682,
       0.48837668216926583, 0.20047909453812793, 0.064500859624418011},
      {0.94047758170092555, 0.40830823036161562, 0.45921849120304314, 0.17007733353630505, M, 0.7822016959385969,
       -0.060061966180349091, -0.059122434995588447, 0.02278041898822648},
      {0.51068354974285435, 0.461629390902765, 0.20963690491725984, 0.17620509015904703, 0.47909791234603971,
       0.53007538853592373, 0.17728761830891648, 0.07793616133690956}},
     {0.98120958887823917, 0.98767312228994297, 0.96635478446851675, 0.92922928153470308}},
    {"one fixed (I1), without the constant",
     false,
     false,
     {{0.63100516262534234, 0.37335356687168825, -0.28762610242877534, -0.017974454085828841, M, 0.17317989245822038,
       -0.35779089834138245, 0.18205149274510798, 0.30466757007061113},
      {0.28788968862957132, 0.1935777581782864, 0.021456759387136388, 0.042705586428149415, 0.36331638539924671,
       0.16833843171346197, 0.083237618201373639, -0.11130594569533778},
      {0.55805653708551362, 0.33922299354759722, -0.15030935855591404, -0.10963006310857348, M, 0.15882242078823583,
       -0.13518377408930085, 0.1457500468614745, 0.20885616639085094},
      {0.18745917140106694, 0.46260097166950243, 0.047986793563384367, 0.11274141108398203, 0.14698006866086238,
       0.16955692804246059, 0.10141393468302876, -0.19017860967711542}},
     {0.98875419024576183, 0.99045370597137994, 0.9722444460497407, 0.93555369731906679}},
    {"three fixed (I1, p3, FC2), with the constant",
     true,
     true,
     {{0.71040549247930185, 0.34954142004719196, M, 0.071030059358843295, M, 0.42065818378453212, -0.22745750726946223,
       0.16040923088999845, 0.20205848697483006},
      {0.42173510528704244, 0.31117664829156028, M, 0.11465607586393214, 0.38913153131645595, M, 0.13746169003832304,
       -0.033669216800589853},
      {0.74764455903276283, 0.35651866075153738, M, 0.10095913637337878, M, 0.38371018375944665, -0.047206345336430366,
       0.21176519015704667, 0.16998689920547597},
      {0.27849805765324687, 0.49393887733691755, M, 0.17699671959908991, 0.18676252455903181, M, 0.1523122588713049,
       -0.029212381366905044}},
     {0.97616463451436508, 0.785663042334656, 0.93612036830618761, 0.66898769971717864}},
    {"three fixed (I1, p3, FC2), without the constant",
     true,
     false,
     {{0.67454670217970913, 0.44224508151807351, M, -0.20787232592672281, M, 0.30529201022095898, -0.37509334646296866,
       -0.014321513067973217, 0.16453262135086003},
      {0.29817221491752505, 0.20702549991085073, M, 0.085447714916793677, 0.37086269522786353, M, 0.10110765505931453,
       -0.029858808971965779},
      {0.576179646601373, 0.35605209368129687, M, -0.15388310696241858, M, 0.25568525145757875, -0.17218810600037537,
       0.002053944439767752, 0.15725223748259817},
      {0.21660371672158685, 0.48707620797319834, M, 0.15250538511401682, 0.13461436246169792, M, 0.13081662489952686,
       -0.10665528392755227}},
     {0.98171631165138185, 0.9826041783315449, 0.97047099673911152, 0.92278793477344312}},
};

TrialTable FixedInputTable(bool three, std::int32_t rows = 14) {
    TrialTable t(rows, 0);
    for (std::int32_t i = 1; i <= rows; ++i) {
        for (int c = 0; c < 15; ++c) t(i, c) = kFixedInputTrials[i - 1][c];
        if (three) t(i, 2) = 0.4, t(i, 10) = 250;
    }
    return t;
}

// A quantity without spread is left out of the fit: it keeps the marker, every other
// input of the fit gets its coefficient and R^2 is that of the fit without it, for
// the raw and the rank regression, with and without the constant.
TEST(RegressionSensitivities, AFixedInputIsLeftOutOfTheFit) {
    for (const FixedInputCase& c : kFixedInputCases) {
        SCOPED_TRACE(c.name);
        TrialTable table = FixedInputTable(c.three);
        EngineTestHost host;
        host.regAnswers = {c.constant};
        SimulationResults r;
        r.ComputeSensitivityMeasures(table, host);
        ASSERT_TRUE(r.sensitivities[2] && r.sensitivities[3] && r.r2[0] && r.r2[1]);
        for (int k = 0; k < 4; ++k) {
            const SensitivityTable& s = *r.sensitivities[k < 2 ? 2 : 3];
            const int m = k % 2;
            const auto& regressors = m == 0 ? std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}
                                            : std::vector<int>{0, 1, 2, 3, 9, 10, 11, 12};
            for (std::size_t i = 0; i < regressors.size(); ++i) {
                SCOPED_TRACE(testing::Message()
                             << (k < 2 ? "SRC " : "SRRC ") << (m ? "cost" : "risk") << ", input " << regressors[i]);
                const double expected = c.coefficients[static_cast<std::size_t>(k)][i];
                if (expected == M)
                    EXPECT_EQ(s(regressors[i], m), M);
                else
                    EXPECT_NEAR(s(regressors[i], m), expected, 1e-9);
            }
            const auto& r2 = (*r.r2[k < 2 ? 0 : 1])[static_cast<std::size_t>(m)];
            ASSERT_TRUE(r2) << k;
            EXPECT_NEAR(*r2, c.r2[static_cast<std::size_t>(k)], 1e-11) << k;
        }
    }
}

// Risk inputs all fixed while total risk varies: with the constant no input is left to
// fit it on. Cost inputs varying while total cost is 1 give or take a unit in the last
// place (the rounding of sums that are 1 exactly): nothing to explain. Neither fit has
// a coefficient or an R^2, raw or ranked, with or without the constant, and total cost
// no correlation.
TEST(SensitivityMeasures, NoInputLeftOrAnOutputThatDoesNotVaryGiveNoValue) {
    for (const bool constant : {true, false}) {
        SCOPED_TRACE(constant ? "with the constant" : "without the constant");
        TrialTable table(20, 0);
        for (std::int32_t i = 1; i <= 20; ++i) {
            for (int j = 0; j < 9; ++j) table(i, j) = 0.5;
            for (int j = 9; j < 13; ++j) table(i, j) = (i * (j - 6)) % 7;
            table(i, TrialTable::kTotalRisk) = i;
            table(i, TrialTable::kTotalCost) = i % 3 == 0 ? 1.0 : std::nextafter(1.0, i % 3);
        }
        EngineTestHost host;
        host.regAnswers = {constant};
        SimulationResults r;
        r.ComputeSensitivityMeasures(table, host);
        // Only the correlations of the varying costs with the varying total risk exist.
        for (std::size_t k = 0; k < 4; ++k) {
            ASSERT_TRUE(r.sensitivities[k]);
            for (int j = 0; j < 13; ++j)
                for (int m = 0; m < 2; ++m)
                    EXPECT_EQ((*r.sensitivities[k])(j, m) == M, k > 1 || m == 1 || j < 9) << k << " " << j << " " << m;
        }
        for (std::size_t k = 0; k < 2; ++k) {
            ASSERT_TRUE(r.r2[k]);
            EXPECT_FALSE((*r.r2[k])[0]) << k;
            EXPECT_FALSE((*r.r2[k])[1]) << k;
        }
    }
}

// Total risk 2 x4 + x5 + e/2 over 1000 trials, every column moved to mean + scale u
// (u patterns in -1..1): the mean, the SD and Pearson against the same sums in
// quadruple precision; SRC and R^2 of the fit with the constant from those
// correlations (two regressors: beta1 = (r1 - r2 r12) / (1 - r12^2), and R^2 =
// (r1^2 + r2^2 - 2 r1 r2 r12) / (1 - r12^2)). The inputs can lie at `inputs` times
// the output's size: 1e180 apart, columns fitted as they stand whose sums of squares
// lie 1e360 apart.
TEST(SensitivityMeasures, HoldAtEveryScaleAndOffset) {
    const struct Case {
        const char* name;
        double mean, scale;
        double inputs = 1;
    } cases[] = {{"1 +- 1", 1, 1},
                 {"1e6 +- 1", 1e6, 1},
                 {"1e9 +- 1", 1e9, 1},
                 {"1e12 +- 1", 1e12, 1},
                 {"1e-300 scale", 3e-300, 1e-300},
                 {"1e-200 +- 1e-201", 1e-200, 1e-201},
                 {"1e152 scale", 5e152, 1e152},
                 {"1e300 scale", 3e300, 1e300},
                 {"inputs 1e120 +- 1e119, the output 1e-60 +- 1e-61", 1e-60, 1e-61, 1e180},
                 {"inputs 1e-120 +- 1e-121, the output 1e60 +- 1e59", 1e60, 1e59, 1e-180}};
    const std::int32_t n = 1000;
    auto u = [](std::int32_t i, int k) { return static_cast<double>((i * (7919 + 104 * k)) % 2003) / 1001.0 - 1.0; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrialTable t(n, 0);
        for (std::int32_t i = 1; i <= n; ++i) {
            for (int j = 0; j < 13; ++j)
                t(i, j) = j == 4 || j == 5 ? c.inputs * c.mean + c.inputs * c.scale * u(i, j) : 0.5;
            t(i, TrialTable::kTotalRisk) = c.mean + c.scale * (2 * u(i, 4) + u(i, 5) + 0.5 * u(i, 1));
        }
        const std::span<const double> y = t.values(TrialTable::kTotalRisk);
        const test::QuadPair y4 = test::QuadMoments(y, t.values(4)), y5 = test::QuadMoments(y, t.values(5)),
                             x45 = test::QuadMoments(t.values(4), t.values(5));
        SimulationResults r;
        EngineTestHost host;
        host.regAnswers = {true};
        r.ComputeStatisticsAndMeasures(t, 10, 95, host);
        EXPECT_NEAR(r.mean[0], y4.meanA, std::fabs(y4.meanA) * 1e-15);
        EXPECT_NEAR(r.sd[0], y4.sdA, y4.sdA * 1e-13);
        EXPECT_NEAR((*r.sensitivities[1])(4, 0), y4.r, 1e-13);
        EXPECT_NEAR((*r.sensitivities[1])(5, 0), y5.r, 1e-13);
        const double d = 1 - x45.r * x45.r;
        EXPECT_NEAR((*r.sensitivities[2])(4, 0), (y4.r - y5.r * x45.r) / d, 1e-12);
        EXPECT_NEAR((*r.sensitivities[2])(5, 0), (y5.r - y4.r * x45.r) / d, 1e-12);
        ASSERT_TRUE(r.r2[0] && (*r.r2[0])[0]);
        EXPECT_NEAR(*(*r.r2[0])[0], (y4.r * y4.r + y5.r * y5.r - 2 * y4.r * y5.r * x45.r) / d, 1e-12);
    }
}

// Leaving a fixed input out does not lower the trials a fit needs, and a fit on two
// identical columns still fails: all markers and no R^2 for that fit only.
TEST(RegressionSensitivities, TooFewTrialsOrIdenticalColumnsStillFail) {
    struct Case {
        const char* name;
        std::int32_t rows;
        bool constant;
        int copyFrom, copyTo;
        bool riskFails, costFails;
    };
    const Case cases[] = {
        // Nine regressors and the constant need eleven trials, whatever is fixed; the
        // cost fit (eight and the constant) can be made with ten.
        {"ten trials, with the constant", 10, true, -1, -1, true, false},
        {"eleven trials, with the constant", 11, true, -1, -1, false, false},
        {"nine trials, without the constant", 9, false, -1, -1, true, false},
        {"I3 a copy of I2", 14, true, 5, 6, true, false},
        {"FC4 a copy of FC1, without the constant", 14, false, 9, 12, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrialTable table = FixedInputTable(false, c.rows);
        if (c.copyFrom >= 0)
            for (std::int32_t i = 1; i <= c.rows; ++i) table(i, c.copyTo) = table(i, c.copyFrom);
        EngineTestHost host;
        host.regAnswers = {c.constant};
        SimulationResults r;
        r.ComputeSensitivityMeasures(table, host);
        for (int measure : {2, 3}) {
            const SensitivityTable& s = *r.sensitivities[static_cast<std::size_t>(measure)];
            const R2Pair& r2 = *r.r2[static_cast<std::size_t>(measure - 2)];
            EXPECT_EQ(!r2[0], c.riskFails) << measure;
            EXPECT_EQ(!r2[1], c.costFails) << measure;
            for (int j = 0; j < 4; ++j) {
                EXPECT_EQ(s(j, 0) == M, c.riskFails) << measure << " " << j;
                EXPECT_EQ(s(j, 1) == M, c.costFails) << measure << " " << j;
            }
            EXPECT_EQ(s(4, 0), M) << "I1 is fixed";
        }
    }
}

}  // namespace
}  // namespace nuvir
