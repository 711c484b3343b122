#pragma once
// What the engine's tests share: a scripted host, input builders, a door to the
// engine's private steps, and small helpers for workers and tables.
#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "numerics/betaquantile.h"
#include "runtime/error.h"
#include "runtime/variant.h"
#include "simulation/host.h"
#include "simulation/montecarlo.h"
#include "simulation/statistics.h"
#include "simulation/trialtable.h"
#include "simulation/workers.h"
#include "testsupport.h"

namespace nuvir {

// Counts yields, records message boxes as "title: text", and answers the settings it is given.
class EngineTestHost : public SimulationHost {
public:
    void Yield() override { ++yields; }
    // Successive answers; the last one repeats.
    bool RegUseConstant() const override { return regAnswers[std::min(regReads++, regAnswers.size() - 1)]; }
    int NumImpactCategories() const override { return 3; }
    int NumCostCategories() const override { return costCategories; }
    bool HideManagementCosts() const override { return hideCosts; }
    void ShowMessage(const std::string& text, const std::string& title) override {
        messages.push_back(title + ": " + text);
    }

    int yields = 0, costCategories = 3;
    bool hideCosts = false;
    std::vector<bool> regAnswers{false};
    mutable std::size_t regReads = 0;
    std::vector<std::string> messages;
};

class CMonteCarloTestAccess {
public:
    using WorkingMatrix = CMonteCarlo::WorkingMatrix;
    static WorkingMatrix Validate(CMonteCarlo& mc, const Variant& inputs) { return mc.ValidateSimulationInput(inputs); }
    static void Seed(CMonteCarlo& mc, float seed) {
        mc.seed_ = seed;
        mc.InitialisePRNG();
    }
    static double NextUniform(CMonteCarlo& mc) { return mc.NextUniform(); }
    static std::array<std::int32_t, 13> RandomParameterOrder(CMonteCarlo& mc) { return mc.RandomParameterOrder(0, 12); }
    static double Draw(CMonteCarlo& mc, double mean, double s, std::int32_t code, std::int32_t table) {
        return mc.GetAPseudoRandomValue(mean, s, code, table);
    }
    // A draw whose beta row uses the given inverse, as a run's trials do.
    static double Draw(CMonteCarlo& mc, double mean, double s, std::int32_t code, std::int32_t table,
                       const BetaQuantile* beta) {
        if (!beta) return Draw(mc, mean, s, code, table);
        return mc.TransformUniform(mc.DrawUniform(code), mean, s, code, table, beta);
    }
    static double Transform(const CMonteCarlo& mc, double u, double mean, double s, std::int32_t code,
                            std::int32_t table) {
        return mc.TransformUniform(u, mean, s, code, table);
    }
    // The value of a beta row with shapes a and b at u, from the inverse a run of that
    // many trials uses.
    static double TransformInRun(const CMonteCarlo& mc, double u, double a, double b, std::int32_t trials) {
        const auto beta = CMonteCarlo::BetaQuantileFor(a, b, trials);
        if (beta) beta->BuildAll();
        return mc.TransformUniform(u, a, b, 3, 0, beta.get());
    }
    static void FillTrials(CMonteCarlo& mc, TrialTable& table, const WorkingMatrix& m) { mc.FillTrials(table, m); }
};

namespace enginetest {

// Two sets of results agree in every figure a run hands out.
inline void ExpectSameResults(const SimulationResults& a, const SimulationResults& b) {
    EXPECT_EQ(a.min, b.min);
    EXPECT_EQ(a.max, b.max);
    EXPECT_EQ(a.mean, b.mean);
    EXPECT_EQ(a.variance, b.variance);
    EXPECT_EQ(a.limits, b.limits);
    EXPECT_EQ(a.frequencies, b.frequencies);
    EXPECT_EQ(a.sensitivities, b.sensitivities);
    EXPECT_EQ(a.r2, b.r2);
    EXPECT_EQ(a.regressionTable, b.regressionTable);
}

// An engine on a scripted host with the given generator, seeded when a seed is given.
struct Engine {
    explicit Engine(std::int32_t prng = 0, float seed = 0.0f) {
        mc.SetPRNGToUse(prng);
        if (seed != 0.0f) CMonteCarloTestAccess::Seed(mc, seed);
    }
    EngineTestHost host;
    CMonteCarlo mc{host};
};

// The worker count is process-wide: every test leaves it as it found it.
class WorkerThreads {
public:
    explicit WorkerThreads(int n) : saved_(SimulationWorkerThreads()) { SetSimulationWorkerThreads(n); }
    ~WorkerThreads() { SetSimulationWorkerThreads(saved_); }

private:
    int saved_;
};

// A reproducible stream of doubles in [0, 1), independent of the code under test.
inline std::function<double()> Uniforms(std::uint64_t seed) {
    return [g = std::mt19937_64(seed)]() mutable { return std::uniform_real_distribution<double>(0.0, 1.0)(g); };
}

using Rows = std::array<std::array<double, 3>, 13>;

// A Double matrix of the rows, with the given lower bounds.
inline Variant Matrix(const Rows& rows, std::int32_t rowLower = 0, std::int32_t columnLower = 0) {
    Variant m =
        Variant::MakeArray(VarType::Double, {Bounds{rowLower, rowLower + 12}, Bounds{columnLower, columnLower + 2}});
    for (std::size_t r = 0; r < 13; ++r)
        for (std::size_t c = 0; c < 3; ++c)
            m(rowLower + static_cast<int>(r), columnLower + static_cast<int>(c)) = Variant(rows[r][c]);
    return m;
}

// Every quantity uniform: p 0.5, impacts 1, costs 0, spread 0.1.
inline Rows UniformRows() {
    Rows rows{};
    for (std::size_t k = 0; k < 13; ++k) rows[k] = {k < 4 ? 0.5 : (k < 9 ? 1.0 : 0.0), 0.1, 0.0};
    return rows;
}

inline Rows WithRow(Rows rows, std::size_t k, double mean, double s, double code) {
    rows[k] = {mean, s, code};
    return rows;
}

// p1-p4 beta, I1-I5 lognormal, FC1-FC4 normal, with some uniform ones mixed in.
inline Rows MixedRows() {
    return Rows{{{0.6, 0.1, 3},
                 {0.5, 0.2, 3},
                 {0.4, 0.15, 1},
                 {0.7, 0.1, 0},
                 {10, 3, 2},
                 {20, 5, 2},
                 {30, 6, 2},
                 {40, 20, 2},
                 {50, 10, 0},
                 {100, 10, 1},
                 {200, 40, 1},
                 {300, 10, 0},
                 {400, 50, 1}}};
}

// A category table in cumulative form: Double (0 To 1, 0 To n - 1).
inline Variant CumulativeTable(const std::vector<double>& values, const std::vector<double>& cumulative) {
    const auto n = static_cast<std::int32_t>(values.size());
    Variant t = Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{0, n - 1}});
    for (std::int32_t c = 0; c < n; ++c)
        t(0, c) = Variant(values[static_cast<std::size_t>(c)]),
             t(1, c) = Variant(cumulative[static_cast<std::size_t>(c)]);
    return t;
}
inline Variant GoodTable() { return CumulativeTable({1, 2, 3}, {0.2, 0.5, 1}); }  // expected value 2.3

}  // namespace enginetest
}  // namespace nuvir
