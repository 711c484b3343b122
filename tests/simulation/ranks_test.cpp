// Rank transform with ties and the Pearson and Spearman tables, against values worked
// out by hand or by plain counting.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "numerics/numerics.h"
#include "simulation/columnsort.h"
#include "simulation/ranks.h"
#include "simulation/trialtable.h"
#include "simulation/workers.h"

namespace nuvir {
namespace {

std::vector<double> Ranked(std::vector<double> v) {
    RankValues(v);
    return v;
}

// Rank by counting: 1 + the number of smaller values + half the number of other
// equal ones.
std::vector<double> CountedRanks(const std::vector<double>& v) {
    std::vector<double> r(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
        double less = 0, equal = 0;
        for (const double y : v) {
            if (y < v[i]) ++less;
            if (y == v[i]) ++equal;
        }
        r[i] = less + (equal + 1.0) / 2.0;
    }
    return r;
}

std::uint64_t g_state = 7;
double Next() {
    g_state = g_state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(g_state >> 11) / 9007199254740992.0;
}

// A table of n trials, every column filled from a simple generator; column c gets
// values on its own scale, some with ties.
TrialTable FilledTable(std::int32_t n) {
    TrialTable t(n, 0);
    for (int c = 0; c < TrialTable::kColumns; ++c)
        for (std::int32_t i = 1; i <= n; ++i)
            t(i, c) = c % 5 == 4 ? std::floor(Next() * 10.0) : (Next() - 0.5) * (c + 1);
    for (std::int32_t i = 1; i <= n; ++i) {
        t(i, TrialTable::kTotalRisk) = 3.0 * t(i, 0) + t(i, 4) * 0.1 + Next() * 0.01;
        t(i, TrialTable::kTotalCost) = t(i, 9) - 2.0 * t(i, 1) + Next();
    }
    return t;
}

TEST(RankTransform, TiesShareTheMeanPosition) {
    EXPECT_EQ(Ranked({5, 3, 5, 1}), (std::vector<double>{3.5, 2, 3.5, 1}));
    EXPECT_EQ(Ranked({1, 2, 3, 3, 3}), (std::vector<double>{1, 2, 4, 4, 4}));
    EXPECT_EQ(Ranked({2, 2, 1, 9}), (std::vector<double>{2.5, 2.5, 1, 4}));
    EXPECT_EQ(Ranked({-1.5, 0.0, -0.0, 7}), (std::vector<double>{1, 2.5, 2.5, 4}));
    EXPECT_EQ(Ranked({4}), (std::vector<double>{1}));
}

TEST(RankTransform, ConstantColumnRanksToTheMiddle) {
    EXPECT_EQ(Ranked(std::vector<double>(6, 0.7)), std::vector<double>(6, 3.5));
    EXPECT_EQ(Ranked(std::vector<double>(1001, -2)), std::vector<double>(1001, 501));
}

TEST(RankTransform, LongColumnsMatchCountedRanks) {
    // Long enough for the radix sort, with negative values, signed zeros and many ties.
    std::vector<double> v(3000);
    for (auto& x : v) {
        const double u = Next();
        x = u < 0.3 ? std::floor(u * 40) - 6 : (u < 0.35 ? (u < 0.325 ? 0.0 : -0.0) : (u - 0.6) * 1e5);
    }
    v[17] = -1e300;
    v[18] = 1e300;
    v[19] = 5e-324;
    EXPECT_EQ(Ranked(v), CountedRanks(v));
}

TEST(RankTransform, ColumnsWhereMostDigitsAgree) {
    // Whole numbers differ only in their top two bytes, numbers 1 + k/16 only in one:
    // the sort then skips all other passes, ending in either of its two buffers.
    std::vector<double> whole(1000), sixteenths(1000);
    for (std::size_t i = 0; i < whole.size(); ++i) {
        whole[i] = std::floor(Next() * 10.0);
        sixteenths[i] = 1.0 + std::floor(Next() * 16.0) / 16.0;
    }
    EXPECT_EQ(Ranked(whole), CountedRanks(whole));
    EXPECT_EQ(Ranked(sixteenths), CountedRanks(sixteenths));
    for (auto v : {whole, sixteenths}) {
        std::vector<double> expected = v;
        std::sort(expected.begin(), expected.end());
        SortColumn(v);
        EXPECT_EQ(v, expected);
    }
}

TEST(RankTransform, RankingTwiceChangesNothing) {
    std::vector<double> v(700);
    for (auto& x : v) x = std::floor(Next() * 50);
    const std::vector<double> once = Ranked(v);
    EXPECT_EQ(Ranked(once), once);
}

TEST(RankTransform, WorksOnOneTableColumnInPlace) {
    TrialTable t(4, 0);
    const double values[] = {5, 3, 5, 1};
    for (std::int32_t i = 1; i <= 4; ++i) {
        t(i, 7) = values[i - 1];
        t(i, 8) = 42;
    }
    RankTransform(t, 7);
    EXPECT_EQ(t(1, 7), 3.5);
    EXPECT_EQ(t(2, 7), 2.0);
    EXPECT_EQ(t(4, 7), 1.0);
    EXPECT_EQ(t(1, 8), 42.0);  // the neighbour untouched
}

TEST(ColumnSort, SortsLikeAComparisonSort) {
    std::vector<double> v(5000);
    for (auto& x : v) x = (Next() - 0.5) * std::pow(10.0, std::floor(Next() * 20) - 10);
    v[3] = -0.0;
    v[4] = 0.0;
    std::vector<double> expected = v;
    std::sort(expected.begin(), expected.end());
    std::vector<double> sorted = v;
    SortColumn(sorted);
    for (std::size_t i = 0; i < v.size(); ++i) EXPECT_EQ(sorted[i], expected[i]) << i;
}

// Pearson of x = 10, 20, 30, 40, 50 with y = 1, 2, 3, 4, 100: centred x -20..20,
// centred y -21, -20, -19, -18, 78; Sxy = 420 + 200 + 0 - 180 + 1560 = 2000,
// Sxx = 1000, Syy = 441 + 400 + 361 + 324 + 6084 = 7610. The ranks agree exactly, so
// Spearman is 1.
TEST(CorrelationSensitivities, HandWorkedPearsonAndSpearman) {
    TrialTable t(5, 0);
    const double x[] = {10, 20, 30, 40, 50};
    const double y[] = {1, 2, 3, 4, 100};
    // Input 1 against total cost: ranks 1..5 against 2, 1, 4, 3, 5 give
    // sum d^2 = 4 and rho = 1 - 6 * 4 / (5 * 24) = 0.8.
    const double x1[] = {0.1, 0.2, 0.3, 0.4, 0.5};
    const double z[] = {7, 6, 9, 8, 10};
    for (std::int32_t i = 1; i <= 5; ++i) {
        t(i, 0) = x[i - 1];
        t(i, 1) = x1[i - 1];
        t(i, TrialTable::kTotalRisk) = y[i - 1];
        t(i, TrialTable::kTotalCost) = z[i - 1];
        for (int c = 2; c < 13; ++c) t(i, c) = (i * c) % 7;  // some spread
    }
    const SensitivityTable pearson = CorrelationSensitivities(t, false);
    EXPECT_NEAR(pearson(0, 0), 2000.0 / std::sqrt(1000.0 * 7610.0), 1e-15);
    EXPECT_EQ(t(5, TrialTable::kTotalRisk), 100.0);  // not ranked
    const SensitivityTable spearman = CorrelationSensitivities(t, true);
    EXPECT_NEAR(spearman(0, 0), 1.0, 1e-15);
    EXPECT_NEAR(spearman(1, 1), 0.8, 1e-15);
    EXPECT_EQ(t(5, TrialTable::kTotalRisk), 5.0);  // ranked now
}

TEST(CorrelationSensitivities, SpearmanWithoutTiesIsTheClassicalFormula) {
    const std::int32_t n = 400;
    TrialTable t(n, 0);
    std::vector<double> rx(static_cast<std::size_t>(n)), ry(static_cast<std::size_t>(n));
    for (int c = 0; c < TrialTable::kColumns; ++c)
        for (std::int32_t i = 1; i <= n; ++i) t(i, c) = Next() + c;
    for (std::int32_t i = 1; i <= n; ++i) t(i, TrialTable::kTotalRisk) = t(i, 3) + 0.3 * Next();
    for (std::int32_t i = 1; i <= n; ++i) {
        rx[static_cast<std::size_t>(i - 1)] = t(i, 3);
        ry[static_cast<std::size_t>(i - 1)] = t(i, TrialTable::kTotalRisk);
    }
    rx = CountedRanks(rx);
    ry = CountedRanks(ry);
    double d2 = 0;
    for (std::size_t i = 0; i < rx.size(); ++i) d2 += (rx[i] - ry[i]) * (rx[i] - ry[i]);
    const double dn = n;
    const double rho = 1.0 - 6.0 * d2 / (dn * (dn * dn - 1.0));
    const SensitivityTable s = CorrelationSensitivities(t, true);
    EXPECT_NEAR(s(3, 0), rho, 1e-13);
    EXPECT_GT(s(3, 0), 0.5);
}

TEST(CorrelationSensitivities, ColumnsWithoutSpreadGiveTheMarker) {
    const std::int32_t n = 10000;
    TrialTable t(n, 0);
    for (std::int32_t i = 1; i <= n; ++i) {
        for (int c = 0; c < TrialTable::kColumns; ++c) t(i, c) = Next();
        t(i, 2) = 0.1;  // the mean of 10000 copies of 0.1 is not exactly 0.1
        t(i, TrialTable::kTotalCost) = 3.0;
    }
    for (const bool ranked : {false, true}) {
        TrialTable copy = t;
        const SensitivityTable s = CorrelationSensitivities(copy, ranked);
        EXPECT_EQ(s(2, 0), kNoValue);
        for (int j = 0; j < 13; ++j) EXPECT_EQ(s(j, 1), kNoValue) << j;
        EXPECT_NE(s(0, 0), kNoValue);
        // Every input is correlated with total risk, cost inputs included.
        EXPECT_NE(s(12, 0), kNoValue);
        EXPECT_LT(std::fabs(s(12, 0)), 0.1);
    }
}

TEST(CorrelationSensitivities, RankedLeavesEveryColumnRanked) {
    TrialTable t = FilledTable(300);
    TrialTable expected = t;
    for (int c = 0; c < TrialTable::kColumns; ++c) {
        std::vector<double> v(expected.column(c), expected.column(c) + 300);
        v = CountedRanks(v);
        std::copy(v.begin(), v.end(), expected.column(c));
    }
    CorrelationSensitivities(t, true);
    for (int c = 0; c < TrialTable::kColumns; ++c)
        for (std::int32_t i = 1; i <= 300; ++i) ASSERT_EQ(t(i, c), expected(i, c)) << c << "," << i;
    // Ranking the ranks changes nothing, nor the correlations.
    TrialTable again = t;
    const SensitivityTable s1 = CorrelationSensitivities(again, false);
    const SensitivityTable s2 = CorrelationSensitivities(again, true);
    EXPECT_EQ(s1, s2);
    for (int c = 0; c < TrialTable::kColumns; ++c)
        for (std::int32_t i = 1; i <= 300; ++i) ASSERT_EQ(again(i, c), t(i, c));
}

TEST(CorrelationSensitivities, SameBitsOnOneThreadAndOnMany) {
    const TrialTable base = FilledTable(20000);
    TrialTable a = base, b = base;
    SetSimulationWorkerThreads(1);
    const SensitivityTable pa = CorrelationSensitivities(a, false);
    const SensitivityTable sa = CorrelationSensitivities(a, true);
    SetSimulationWorkerThreads(8);
    const SensitivityTable pb = CorrelationSensitivities(b, false);
    const SensitivityTable sb = CorrelationSensitivities(b, true);
    SetSimulationWorkerThreads(0);
    for (int m = 0; m < 2; ++m)
        for (int j = 0; j < 13; ++j) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(pa(j, m)), std::bit_cast<std::uint64_t>(pb(j, m)));
            EXPECT_EQ(std::bit_cast<std::uint64_t>(sa(j, m)), std::bit_cast<std::uint64_t>(sb(j, m)));
        }
    for (int c = 0; c < TrialTable::kColumns; ++c)
        ASSERT_TRUE(std::equal(a.column(c), a.column(c) + 20000, b.column(c)));
}

TEST(CorrelationSensitivities, TableCopiesAsADoubleArray) {
    SensitivityTable s;
    s(4, 1) = 0.25;
    const Variant v = s.ToVariant();
    ASSERT_EQ(v.dims(), 2);
    EXPECT_EQ(v.lbound(1), 0);
    EXPECT_EQ(v.ubound(1), 12);
    EXPECT_EQ(v.ubound(2), 1);
    EXPECT_EQ(v.elemKind(), VarType::Double);
    EXPECT_EQ(v(4, 1).rawDouble(), 0.25);
    EXPECT_EQ(v(4, 0).rawDouble(), kNoValue);
}

}  // namespace
}  // namespace nuvir
