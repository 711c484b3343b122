// The two regression measures and the whole sensitivity step of a run: which inputs
// each fit uses, where markers go, and that one input that drives an output stands out.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "numerics/numerics.h"
#include "simulation/host.h"
#include "simulation/ranks.h"
#include "simulation/sensitivity.h"
#include "simulation/statistics.h"
#include "simulation/trialtable.h"
#include "simulation/workers.h"

namespace nuvir {
namespace {

class SettingsHost : public SimulationHost {
public:
    bool RegUseConstant() const override {
        const bool v = answers.empty() ? true : answers[std::min(calls, answers.size() - 1)];
        ++calls;
        return v;
    }
    int NumImpactCategories() const override { return 0; }
    int NumCostCategories() const override { return 0; }
    bool HideManagementCosts() const override { return false; }
    void ShowMessage(const std::string&, const std::string&) override {}
    std::vector<bool> answers;  // successive answers of RegUseConstant
    mutable std::size_t calls = 0;
};

struct Lcg {
    std::uint64_t s;
    double operator()() {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(s >> 11) / 9007199254740992.0;
    }
};

// Inputs uniform on their own scales; total risk driven by p1 (10 p1 + 0.5 I1 plus a
// little noise), total cost by FC2 (3 FC2 + 0.1 p4 plus noise).
TrialTable DrivenTable(std::int32_t n, std::uint64_t seed = 3) {
    Lcg next{seed};
    TrialTable t(n, 0);
    for (std::int32_t i = 1; i <= n; ++i) {
        for (int c = 0; c < 13; ++c) t(i, c) = next() * (c < 4 ? 1.0 : 10.0 + c);
        t(i, TrialTable::kTotalRisk) = 10.0 * t(i, 0) + 0.5 * t(i, 4) + 0.001 * next();
        t(i, TrialTable::kTotalCost) = 3.0 * t(i, 10) + 0.1 * t(i, 3) + 0.001 * next();
        for (int c = TrialTable::kRisk1; c < TrialTable::kColumns; ++c) t(i, c) = next();
    }
    return t;
}

// Sample standard deviation of a column, two passes.
double Sd(const TrialTable& t, int c) {
    double mean = 0;
    for (std::int32_t i = 1; i <= t.trials(); ++i) mean += t(i, c);
    mean /= t.trials();
    double ss = 0;
    for (std::int32_t i = 1; i <= t.trials(); ++i) ss += (t(i, c) - mean) * (t(i, c) - mean);
    return std::sqrt(ss / (t.trials() - 1));
}

double RootSumSquares(const TrialTable& t, int c) {
    double ss = 0;
    for (std::int32_t i = 1; i <= t.trials(); ++i) ss += t(i, c) * t(i, c);
    return std::sqrt(ss);
}

bool IsRiskInput(int j) { return j <= 8; }
bool IsCostInput(int j) { return j <= 3 || j >= 9; }

TEST(RegressionSensitivities, DominantInputWithTheConstant) {
    const TrialTable t = DrivenTable(300);
    SensitivityTable s;
    const R2Pair r2 = RegressionSensitivities(t, true, s);
    ASSERT_TRUE(r2[0].has_value());
    ASSERT_TRUE(r2[1].has_value());
    EXPECT_GT(*r2[0], 0.9999);
    EXPECT_GT(*r2[1], 0.9999);
    // A standardised coefficient is the slope times sd(x) / sd(y).
    const double sdRisk = Sd(t, TrialTable::kTotalRisk);
    EXPECT_NEAR(s(0, 0), 10.0 * Sd(t, 0) / sdRisk, 1e-3);
    EXPECT_NEAR(s(4, 0), 0.5 * Sd(t, 4) / sdRisk, 1e-3);
    EXPECT_GT(s(0, 0), 0.8);
    for (int j = 1; j <= 8; ++j) {
        if (j == 4) continue;
        EXPECT_LT(std::fabs(s(j, 0)), 1e-3) << j;
    }
    const double sdCost = Sd(t, TrialTable::kTotalCost);
    EXPECT_NEAR(s(10, 1), 3.0 * Sd(t, 10) / sdCost, 1e-3);
    EXPECT_NEAR(s(3, 1), 0.1 * Sd(t, 3) / sdCost, 1e-3);
    // Each fit leaves the inputs it does not use at the marker.
    for (int j = 0; j < 13; ++j) {
        EXPECT_EQ(s(j, 0) == kNoValue, !IsRiskInput(j)) << j;
        EXPECT_EQ(s(j, 1) == kNoValue, !IsCostInput(j)) << j;
    }
}

TEST(RegressionSensitivities, WithoutTheConstantTheScaleIsUncentred) {
    // Without a constant the coefficient is scaled by the root sums of squares.
    const TrialTable t = DrivenTable(300, 11);
    SensitivityTable s;
    const R2Pair r2 = RegressionSensitivities(t, false, s);
    ASSERT_TRUE(r2[0].has_value());
    EXPECT_GT(*r2[0], 0.9999);
    EXPECT_NEAR(s(0, 0), 10.0 * RootSumSquares(t, 0) / RootSumSquares(t, TrialTable::kTotalRisk), 1e-3);
    EXPECT_NEAR(s(4, 0), 0.5 * RootSumSquares(t, 4) / RootSumSquares(t, TrialTable::kTotalRisk), 1e-3);
    EXPECT_NEAR(s(10, 1), 3.0 * RootSumSquares(t, 10) / RootSumSquares(t, TrialTable::kTotalCost), 1e-3);
    for (int j = 9; j <= 12; ++j) EXPECT_EQ(s(j, 0), kNoValue);
    for (int j = 4; j <= 8; ++j) EXPECT_EQ(s(j, 1), kNoValue);
}

TEST(RegressionSensitivities, TenTrialsAreTooFewForTheRiskFitWithTheConstant) {
    // Nine regressors and the constant need eleven trials; eight and the constant ten.
    const TrialTable t = DrivenTable(10);
    SensitivityTable s;
    const R2Pair r2 = RegressionSensitivities(t, true, s);
    EXPECT_FALSE(r2[0].has_value());
    for (int j = 0; j < 13; ++j) EXPECT_EQ(s(j, 0), kNoValue) << j;
    ASSERT_TRUE(r2[1].has_value());
    for (int j = 0; j < 13; ++j) EXPECT_EQ(s(j, 1) == kNoValue, !IsCostInput(j)) << j;
    // Without the constant both fit.
    const R2Pair r2Plain = RegressionSensitivities(t, false, s);
    EXPECT_TRUE(r2Plain[0].has_value());
    EXPECT_TRUE(r2Plain[1].has_value());
    EXPECT_NE(s(0, 0), kNoValue);
}

TEST(RegressionSensitivities, ConstantRegressorFailsOnlyItsFit) {
    // I2 sampled without spread: with the constant term the risk fit is singular.
    TrialTable t = DrivenTable(100);
    for (std::int32_t i = 1; i <= 100; ++i) t(i, 5) = 7.0;
    SensitivityTable s;
    const R2Pair r2 = RegressionSensitivities(t, true, s);
    EXPECT_FALSE(r2[0].has_value());
    for (int j = 0; j < 13; ++j) EXPECT_EQ(s(j, 0), kNoValue) << j;
    EXPECT_TRUE(r2[1].has_value());
    EXPECT_GT(s(10, 1), 0.9);
}

TEST(SensitivityMeasures, RunOrderAndWhatEachMeasureSees) {
    const TrialTable raw = DrivenTable(500, 5);
    TrialTable table = raw;
    SettingsHost host;
    host.answers = {true, false};  // the setting changes between the two reads
    SimulationResults r;
    r.ComputeSensitivityMeasures(table, host);
    EXPECT_EQ(host.calls, 2u);

    // Regression on the values, with the constant (first read).
    SensitivityTable expectedSrc;
    const R2Pair srcR2 = RegressionSensitivities(raw, true, expectedSrc);
    // Pearson on the values.
    TrialTable copy = raw;
    const SensitivityTable expectedPearson = CorrelationSensitivities(copy, false);
    // Spearman ranks the copy; the rank regression without the constant (second read).
    const SensitivityTable expectedSpearman = CorrelationSensitivities(copy, true);
    SensitivityTable expectedSrrc;
    const R2Pair srrcR2 = RegressionSensitivities(copy, false, expectedSrrc);

    ASSERT_TRUE(r.sensitivities[0] && r.sensitivities[1] && r.sensitivities[2] && r.sensitivities[3]);
    EXPECT_EQ(*r.sensitivities[2], expectedSrc);
    EXPECT_EQ(*r.sensitivities[1], expectedPearson);
    EXPECT_EQ(*r.sensitivities[0], expectedSpearman);
    EXPECT_EQ(*r.sensitivities[3], expectedSrrc);
    EXPECT_EQ(*r.regressionTable, expectedSrrc);
    EXPECT_EQ(r.r2[0], srcR2);
    EXPECT_EQ(r.r2[1], srrcR2);
    // The table is left ranked.
    for (int c = 0; c < TrialTable::kColumns; ++c)
        ASSERT_TRUE(std::equal(table.column(c), table.column(c) + 500, copy.column(c))) << c;
    // p1 drives total risk in every measure: the largest of the risk inputs.
    for (std::size_t k = 0; k < 4; ++k) {
        const SensitivityTable& m = *r.sensitivities[k];
        EXPECT_GT(m(0, 0), 0.5) << k;
        for (int j = 1; j <= 8; ++j) EXPECT_GT(m(0, 0), std::fabs(m(j, 0))) << k << "," << j;
    }
    // The fits differ: the constant's element is not among the stored ones.
    EXPECT_NE((*r.sensitivities[2])(0, 0), (*r.sensitivities[3])(0, 0));
}

TEST(SensitivityMeasures, SameBitsOnOneThreadAndOnMany) {
    const TrialTable raw = DrivenTable(30000, 9);
    SettingsHost host;
    TrialTable a = raw, b = raw;
    SimulationResults one, many;
    SetSimulationWorkerThreads(1);
    one.ComputeSensitivityMeasures(a, host);
    SetSimulationWorkerThreads(8);
    many.ComputeSensitivityMeasures(b, host);
    SetSimulationWorkerThreads(0);
    for (std::size_t k = 0; k < 4; ++k)
        for (int m = 0; m < 2; ++m)
            for (int j = 0; j < 13; ++j)
                EXPECT_EQ(std::bit_cast<std::uint64_t>((*one.sensitivities[k])(j, m)),
                          std::bit_cast<std::uint64_t>((*many.sensitivities[k])(j, m)));
    for (std::size_t k = 0; k < 2; ++k)
        for (std::size_t m = 0; m < 2; ++m)
            EXPECT_EQ(std::bit_cast<std::uint64_t>(*(*one.r2[k])[m]), std::bit_cast<std::uint64_t>(*(*many.r2[k])[m]));
}

TEST(SensitivityMeasures, CopiesAsTheEngineHandsThemOut) {
    TrialTable table = DrivenTable(10);
    SettingsHost host;  // with the constant: the risk fits fail
    SimulationResults r;
    r.ComputeSensitivityMeasures(table, host);
    const Variant pairs = r.R2Copy(-1);
    ASSERT_EQ(pairs.ubound(), 1);
    for (int k = 0; k < 2; ++k) {
        const Variant& pair = pairs(k);
        ASSERT_TRUE(pair.isArray());
        EXPECT_EQ(pair.ubound(), 1);
        EXPECT_TRUE(pair(0).isEmpty());
        EXPECT_EQ(pair(1).type(), VarType::Double);
    }
    EXPECT_TRUE(r.R2Copy(2).isEmpty());
    EXPECT_TRUE(r.R2Copy(-2).isEmpty());
    const Variant srrcPair = r.R2Copy(1);
    EXPECT_EQ(srrcPair(1).rawDouble(), *(*r.r2[1])[1]);
    const Variant src = r.SensitivitiesCopy(2);
    EXPECT_EQ(src(0, 0).rawDouble(), kNoValue);
    EXPECT_EQ(src(10, 1).rawDouble(), (*r.sensitivities[2])(10, 1));
    const Variant all = r.SensitivitiesCopy(-1);
    ASSERT_EQ(all.ubound(), 3);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(all(k).dims(), 2);
}

}  // namespace
}  // namespace nuvir
