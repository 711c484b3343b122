// Whole runs: the trial count, the seed, reproducibility, the alignment of draws, the
// properties and results, failures, and the trial loop on worker threads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "montecarlo_testsupport.h"
#include "numerics/numerics.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "runtime/rnd.h"
#include "simulation/ran1.h"
#include "simulation/workers.h"
#include "testsupport.h"

namespace nuvir {
namespace {

using Access = CMonteCarloTestAccess;
using enginetest::Matrix;
using enginetest::MixedRows;
using enginetest::Rows;
using enginetest::UniformRows;

// The worker count is process-wide: every test leaves it as it found it.
class WorkerThreads {
public:
    explicit WorkerThreads(int n) : saved_(SimulationWorkerThreads()) { SetSimulationWorkerThreads(n); }
    ~WorkerThreads() { SetSimulationWorkerThreads(saved_); }

private:
    int saved_;
};

// The cells of a CSV export, line by line.
std::vector<std::vector<std::string>> ReadCsv(const std::string& path) {
    const std::string bytes = test::ReadBytes(path);
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : Split(bytes, "\r\n")) {
        if (line.empty()) continue;
        rows.push_back(Split(line, ","));
    }
    return rows;
}

void ExpectSameResults(const SimulationResults& a, const SimulationResults& b) {
    EXPECT_EQ(a.min, b.min);
    EXPECT_EQ(a.max, b.max);
    EXPECT_EQ(a.mean, b.mean);
    EXPECT_EQ(a.variance, b.variance);
    EXPECT_EQ(a.limits, b.limits);
    EXPECT_EQ(a.frequencies, b.frequencies);
    EXPECT_EQ(a.sensitivities, b.sensitivities);
    EXPECT_EQ(a.r2, b.r2);
}

// ---- trial count and seed ------------------------------------------------------------

TEST(MonteCarloRun, FewerThanTwoTrialsEndTheRunBeforeAnythingElse) {
    test::TempDir dir;
    for (const std::int32_t trials : {1, 0, -5}) {
        EngineTestHost host;
        CMonteCarlo mc(host);
        mc.SetExportPaths(dir.file("out.csv"));
        try {
            mc.RunSimulation(Matrix(UniformRows()), trials, 200, 0.0f);
            FAIL() << "no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), 255);
            EXPECT_EQ(e.description(), "Can't do simulation with only (" + CStr(Variant(trials)) + ") trial(s).");
        }
        EXPECT_EQ(host.yields, 0);
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.csv")));
        EXPECT_EQ(mc.Seed(), 0.0f);
        EXPECT_EQ(mc.Results().mean[0], kNoValue);
    }
}

TEST(MonteCarloRun, SeedIsTakenByMagnitudeBelowOneDayElseFromTheClock) {
    struct Case {
        float given;
        float used;  // 0: from the clock
    };
    for (const auto& c : {Case{-12.5f, 12.5f}, Case{86399.99f, 86399.99f}, Case{3.0f, 3.0f}, Case{0.0f, 0.0f},
                          Case{86400.0f, 0.0f}, Case{-86400.0f, 0.0f}, Case{1e9f, 0.0f},
                          Case{std::numeric_limits<float>::quiet_NaN(), 0.0f}}) {
        EngineTestHost host;
        CMonteCarlo mc(host);
        const float before = Timer();
        mc.RunSimulation(Matrix(UniformRows()), 20, 10, c.given);
        const float after = Timer();
        if (c.used != 0.0f) {
            EXPECT_EQ(mc.Seed(), c.used) << c.given;
        } else if (after >= before) {
            EXPECT_GE(mc.Seed(), before) << c.given;
            EXPECT_LE(mc.Seed(), after) << c.given;
        }
        EXPECT_GT(mc.Seed(), 0.0f);
    }
}

TEST(MonteCarloRun, EveryTrialYieldsOnce) {
    EngineTestHost host;
    CMonteCarlo mc(host);
    mc.RunSimulation(Matrix(MixedRows()), 9000, 200, 2.0f);
    EXPECT_EQ(host.yields, 9000);
}

// ---- reproducibility ---------------------------------------------------------------------

TEST(MonteCarloRun, SameSeedGivesTheSameRunWithEitherGenerator) {
    test::TempDir dir;
    for (const std::int32_t prng : {0, 1}) {
        EngineTestHost host;
        CMonteCarlo a(host), b(host);
        a.SetPRNGToUse(prng);
        b.SetPRNGToUse(prng);
        a.SetExportPaths(dir.file("a.csv"));
        b.SetExportPaths(dir.file("b.csv"));
        a.RunSimulation(Matrix(MixedRows()), 3000, 200, 1234.5f);
        Rnd(-99.0f);  // other use of the generators in between
        std::int32_t idum = -99;
        MUtilities::Ran1(idum);
        b.RunSimulation(Matrix(MixedRows()), 3000, 200, 1234.5f);
        ExpectSameResults(a.Results(), b.Results());
        EXPECT_EQ(test::ReadBytes(dir.file("a.csv")), test::ReadBytes(dir.file("b.csv")));
        // A second run of the same object repeats it.
        const SimulationResults first = a.Results();
        a.RunSimulation(Matrix(MixedRows()), 3000, 200, 1234.5f);
        ExpectSameResults(first, a.Results());
        // Another seed gives another run.
        b.RunSimulation(Matrix(MixedRows()), 3000, 200, 1234.75f);
        EXPECT_NE(first.mean, b.Results().mean);
    }
}

TEST(MonteCarloRun, GeneratorsGiveDifferentRuns) {
    EngineTestHost host;
    CMonteCarlo a(host), b(host);
    b.SetPRNGToUse(1);
    a.RunSimulation(Matrix(MixedRows()), 500, 200, 77.0f);
    b.RunSimulation(Matrix(MixedRows()), 500, 200, 77.0f);
    EXPECT_NE(a.Results().mean, b.Results().mean);
}

// A quantity whose spread becomes 0 still takes its number, so every other quantity
// receives exactly the numbers it had.
TEST(MonteCarloRun, SpreadZeroLeavesEveryOtherQuantityUnchanged) {
    test::TempDir dir;
    for (const std::int32_t prng : {0, 1}) {
        for (const int changed : {0, 4, 6, 12}) {
            EngineTestHost host;
            CMonteCarlo a(host), b(host);
            a.SetPRNGToUse(prng);
            b.SetPRNGToUse(prng);
            a.SetExportPaths(dir.file("a.csv"));
            b.SetExportPaths(dir.file("b.csv"));
            Rows rows = MixedRows();
            a.RunSimulation(Matrix(rows), 2000, 200, 555.0f);
            rows[static_cast<std::size_t>(changed)][1] = 0.0;
            b.RunSimulation(Matrix(rows), 2000, 200, 555.0f);
            const auto ca = ReadCsv(dir.file("a.csv"));
            const auto cb = ReadCsv(dir.file("b.csv"));
            ASSERT_EQ(ca.size(), 2001u);
            ASSERT_EQ(cb.size(), 2001u);
            const std::string mean = FormatDouble(MixedRows()[static_cast<std::size_t>(changed)][0]);
            for (std::size_t t = 1; t < ca.size(); ++t) {
                for (int k = 0; k < 13; ++k) {
                    if (k == changed)
                        ASSERT_EQ(cb[t][static_cast<std::size_t>(k)], mean) << t;
                    else
                        ASSERT_EQ(ca[t][static_cast<std::size_t>(k)], cb[t][static_cast<std::size_t>(k)]) << t << " " << k;
                }
            }
        }
    }
}

TEST(MonteCarloRun, ProbabilitiesAreClampedAndOtherQuantitiesNot) {
    test::TempDir dir;
    EngineTestHost host;
    CMonteCarlo mc(host);
    mc.SetExportPaths(dir.file("t.csv"));
    Rows rows = UniformRows();
    rows[0] = {0.5, 2.0, 1};   // normal p with a wide spread
    rows[4] = {0.0, 1.0, 1};   // normal impact around 0
    rows[10] = {0.0, 1.0, 0};  // uniform cost around 0
    mc.RunSimulation(Matrix(rows), 2000, 200, 8.0f);
    const auto csv = ReadCsv(dir.file("t.csv"));
    int zeros = 0, ones = 0, negativeImpacts = 0, negativeCosts = 0;
    for (std::size_t t = 1; t < csv.size(); ++t) {
        const double p1 = Val(csv[t][0]);
        ASSERT_GE(p1, 0.0);
        ASSERT_LE(p1, 1.0);
        zeros += p1 == 0.0;
        ones += p1 == 1.0;
        negativeImpacts += Val(csv[t][4]) < 0.0;
        negativeCosts += Val(csv[t][10]) < 0.0;
    }
    EXPECT_GT(zeros, 200);
    EXPECT_GT(ones, 200);
    EXPECT_GT(negativeImpacts, 500);
    EXPECT_GT(negativeCosts, 500);
}

TEST(MonteCarloRun, LognormalWithNegligibleSpreadDrawsItsMean) {
    EngineTestHost host;
    CMonteCarlo mc(host);
    Rows rows = UniformRows();
    rows[9] = {1e6, 0.001, 2};
    mc.RunSimulation(Matrix(rows), 100, 200, 4.0f);
    // Cost1 (output 6) is FC1 itself.
    EXPECT_EQ(mc.Results().min[6], 1e6);
    EXPECT_EQ(mc.Results().max[6], 1e6);
}

TEST(MonteCarloRun, TinyCustomSeedIsReproducible) {
    EngineTestHost host;
    CMonteCarlo a(host), b(host);
    a.SetPRNGToUse(1);
    b.SetPRNGToUse(1);
    a.RunSimulation(Matrix(MixedRows()), 500, 200, 0.001f);
    EXPECT_EQ(a.Seed(), 0.001f);
    b.RunSimulation(Matrix(MixedRows()), 500, 200, 0.002f);
    ExpectSameResults(a.Results(), b.Results());  // both seed the sequence of -1
}

// ---- a whole run against an independent reference -------------------------------------

// With the custom generator and only uniform and look-up quantities a run is fixed bit
// for bit by the documented algorithms. This file was worked out by a separate program
// written from those descriptions alone (ran1 with its constants, the seed times -100,
// thirteen single-precision keys sorted by the exchange quicksort, then one number per
// quantity in that order, p1 to p4 clamped, the outputs left to right): any change to
// the order of draws, the clamps, the transforms or the formulas shows here.
const char* kGoldenRun =
    "p1,p2,p3,p4,I1,I2,I3,I4,I5,FC1,FC2,FC3,FC4,Total_Risk,Total_Cost,Risk1,Risk2,Risk3,Risk4,Cost1,Cost2,Cost3\r\n"
    "0.506824313924474,0.694392812810824,0.781520156057107,0.7,6.09453334120816,3,30.6030207049479,12.8351946498437,60.2520351972639,105.525506976517,166.421747640763,3,315.022761762624,18.4828969400688,277.573153925489,3.0056756618605,3.47034312079313,5.8234319997051,6.88250660745731,105.525506976517,189.872095046659,190.9279005295\r\n"
    "0.436041740849653,0.712920487996688,0.599617905519919,0.7,5.63229871261652,3,25.971601903725,64.4348144910522,38.6090772850772,100.431729618403,152.181849208707,3,337.720362395335,15.4253115511683,230.672720616746,3.17638137698195,3.55191732751053,6.78444718527029,10.3876241373873,100.431729618403,166.789368073087,167.721957345107\r\n"
    "0.702175451869022,0.551182277245548,0.14201013410609,0.7,10.9316931111911,3,22.771955455474,13.3886913305494,49.3795040352291,94.9548895003127,186.158687010214,3,476.575170893433,13.8834882516676,253.025415305168,3.25572656114701,4.20117292299281,11.7629413104064,11.9837009156015,94.9548895003127,225.670949671054,226.832029664815\r\n"
    "0.712954666725448,0.800978027708884,0,0.7,7.27110389931748,3,22.8470447502007,51.9959688361467,33.8997915110198,94.0893706411209,131.913761043266,3,414.084200104652,15.5598741168287,189.851085250622,2.08713644205349,2.51281737383105,15.5598741168287,15.5598741168287,94.0893706411209,188.137902182223,189.851085250622\r\n"
    "0.646864144740939,0.774063427999463,0.376104732364506,0.7,13.8484664206884,3,35.0761700081323,8.05728630336514,56.8259215833622,89.3735037320788,236.456258024519,1,370.324028332264,24.2326524342993,312.569031783658,4.89039003349617,5.32884083573465,16.2863914621496,16.741597985081,89.3735037320788,242.328578847752,242.82929272508\r\n"
    "0.667503977534014,0.266809755845852,0.354076093935062,0.7,7.93724396835384,3,29.3576209184765,56.5786276276189,66.3604708125567,97.6776711536603,266.5845976063,1,372.197832157788,11.4841538599779,299.272745133419,2.63910204881979,4.10732426160588,7.48453203360823,8.55488208108597,97.6776711536603,275.62395040517,275.802046978442\r\n";

TEST(MonteCarloRun, CustomGeneratorRunMatchesAnIndependentReference) {
    Rows rows = {{{0.6, 0.1, 0},
                  {0.5, 0.2, 0},
                  {0.45, 0.3, 0},
                  {0.7, 0.0, 0},
                  {10, 3, 0},
                  {2.3, 0.1, 0},
                  {30, 6, 0},
                  {40, 20, 0},
                  {50, 10, 0},
                  {100, 10, 0},
                  {200, 40, 0},
                  {2.3, 0.5, 0},
                  {400, 50, 0}}};
    const Variant table = enginetest::CumulativeTable({1, 2, 3}, {0.2, 0.5, 1});
    const Variant inputs = enginetest::Wrapped(Matrix(rows), enginetest::TableList(5, {table}),
                                               enginetest::TableList(11, {table}));
    for (const int workers : {1, 8}) {
        WorkerThreads threads(workers);
        test::TempDir dir;
        EngineTestHost host;
        CMonteCarlo mc(host);
        mc.SetPRNGToUse(1);
        mc.SetExportPaths(dir.file("run.csv"));
        mc.RunSimulation(inputs, 6, 200, 12.34f);
        EXPECT_EQ(test::ReadBytes(dir.file("run.csv")), kGoldenRun) << workers;
        // Extremes rounded to 15 digits, mean and variance from one-pass sums.
        const SimulationResults& r = mc.Results();
        EXPECT_EQ(r.min[0], 11.4841538599779);
        EXPECT_EQ(r.max[0], 24.2326524342993);
        EXPECT_EQ(r.mean[0], 16.51139619233508);
        EXPECT_EQ(r.variance[0], 19.553730574641484);
        EXPECT_EQ(r.min[1], 189.851085250622);
        EXPECT_EQ(r.max[1], 312.569031783658);
        EXPECT_EQ(r.mean[1], 260.4940253358504);
        EXPECT_EQ(r.variance[1], 2088.56147477685);
    }
}

// ---- properties and results -----------------------------------------------------------

TEST(MonteCarloProperties, StartValuesAndClamps) {
    EngineTestHost host;
    CMonteCarlo mc(host);
    EXPECT_EQ(mc.PRNGToUse(), 0);
    EXPECT_EQ(mc.CI(), 95.0);
    EXPECT_EQ(mc.ExportPaths(), "");
    EXPECT_EQ(mc.Seed(), 0.0f);
    mc.SetPRNGToUse(7);
    EXPECT_EQ(mc.PRNGToUse(), 1);
    mc.SetPRNGToUse(-3);
    EXPECT_EQ(mc.PRNGToUse(), 0);
    mc.SetCI(120);
    EXPECT_EQ(mc.CI(), 100.0);
    mc.SetCI(-1);
    EXPECT_EQ(mc.CI(), 0.0);
    mc.SetCI(99.5);
    EXPECT_EQ(mc.CI(), 99.5);
    mc.SetExportPaths("a.csv|b.txt");
    EXPECT_EQ(mc.ExportPaths(), "a.csv|b.txt");
}

TEST(MonteCarloProperties, ResultsAreCopiesByIndex) {
    EngineTestHost host;
    CMonteCarlo mc(host);
    // Before any run.
    EXPECT_EQ(mc.Mean()(0).get().rawDouble(), kNoValue);
    EXPECT_TRUE(mc.Sensitivities(0).isEmpty());
    mc.RunSimulation(Matrix(MixedRows()), 1000, 200, 9.0f);
    const Variant all = mc.Sensitivities(-1);
    ASSERT_EQ(all.dims(), 1);
    EXPECT_EQ(all.bounds(1).count(), 4);
    for (int i = 0; i < 4; ++i) {
        const Variant one = mc.Sensitivities(i);
        ASSERT_EQ(one.dims(), 2) << i;
        ASSERT_TRUE(mc.Results().sensitivities[static_cast<std::size_t>(i)].has_value());
        const SensitivityTable& typed = *mc.Results().sensitivities[static_cast<std::size_t>(i)];
        for (int j = 0; j < 13; ++j)
            for (int m = 0; m < 2; ++m) {
                EXPECT_EQ(one(j, m).rawDouble(), typed(j, m)) << i;
                EXPECT_EQ(all(i)(j, m).rawDouble(), typed(j, m)) << i;
            }
    }
    for (const std::int32_t bad : {4, -2}) {
        try {
            mc.Sensitivities(bad);
            FAIL() << bad;
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), err::SubscriptRange);
        }
    }
    EXPECT_TRUE(mc.R2(5).isEmpty());
    EXPECT_TRUE(mc.R2(-2).isEmpty());
    EXPECT_EQ(mc.R2(-1).bounds(1).count(), 2);
    // A copy: changing it leaves the engine's results.
    Variant mean = mc.Mean();
    const double before = mean(0).get().rawDouble();
    mean(0) = Variant(-1.0);
    EXPECT_EQ(mc.Mean()(0).get().rawDouble(), before);
    EXPECT_EQ(mc.Min().bounds(1).count(), 9);
    EXPECT_EQ(mc.Limits().dims(), 2);
    EXPECT_EQ(mc.Frequencies().dims(), 3);
}

// ---- failures -----------------------------------------------------------------------------

TEST(MonteCarloRun, AFailedExportIsReportedOnceAndTheRunGoesOn) {
    test::TempDir dir;
    EngineTestHost host;
    CMonteCarlo mc(host);
    mc.SetExportPaths(dir.file("missing/a.csv") + "|" + dir.file("b.csv"));
    mc.RunSimulation(Matrix(MixedRows()), 500, 200, 6.0f);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, "Export(s) discontinued because of an error");
    EXPECT_FALSE(std::filesystem::exists(dir.file("b.csv")));
    EXPECT_NE(mc.Results().mean[0], kNoValue);
}

TEST(MonteCarloRun, ATableTooLargeForMemoryIsAnError) {
    std::ifstream policy("/proc/sys/vm/overcommit_memory");
    int mode = -1;
    policy >> mode;
    if (mode == 1) GTEST_SKIP() << "the system grants any allocation";
    EngineTestHost host;
    CMonteCarlo mc(host);
    try {
        mc.RunSimulation(Matrix(UniformRows()), std::numeric_limits<std::int32_t>::max(), 200, 1.0f);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 7);
        EXPECT_EQ(e.description(), "Out of memory");
    }
    EXPECT_EQ(host.yields, 0);
}

// ---- the trial loop on worker threads ---------------------------------------------------

// Look-up tables for I2 and FC3 on top of the mixed input.
Variant MixedInputWithTables() {
    Rows rows = MixedRows();
    rows[5][0] = 2.3;
    rows[11][0] = 2.3;
    const Variant table = enginetest::CumulativeTable({1, 2, 3}, {0.2, 0.5, 1});
    const Variant impacts = enginetest::TableList(5, {table});
    const Variant costs = enginetest::TableList(11, {table});
    return enginetest::Wrapped(Matrix(rows), impacts, costs);
}

// The trial loop as its definition states it: each trial's order, then each draw.
void ReferenceTrials(CMonteCarlo& mc, TrialTable& table, const CMonteCarloTestAccess::WorkingMatrix& m,
                     EngineTestHost& host) {
    for (std::int32_t t = 1; t <= table.trials(); ++t) {
        host.Yield();
        for (const std::int32_t k : Access::RandomParameterOrder(mc)) {
            const auto& row = m[static_cast<std::size_t>(k)];
            double v = Access::GetAPseudoRandomValue(mc, row[0], row[1], static_cast<std::int32_t>(row[2]),
                                                     k < 4 ? -1 : k);
            if (k < 4) v = std::max(std::min(v, 1.0), 0.0);
            table(t, k) = v;
        }
        CMonteCarlo::ComputeTrialRisks(table, t);
        CMonteCarlo::ComputeTrialCosts(table, t);
    }
}

bool SameBits(const TrialTable& a, const TrialTable& b) {
    for (int c = 0; c < TrialTable::kColumns; ++c)
        if (std::memcmp(a.column(c), b.column(c), sizeof(double) * static_cast<std::size_t>(a.trials())) != 0)
            return false;
    return true;
}

TEST(MonteCarloTrialLoop, AnyNumberOfWorkersGivesTheTableOfTheOneByOneLoop) {
    const std::int32_t n = 3 * 4096 + 17;
    for (const std::int32_t prng : {0, 1}) {
        EngineTestHost host;
        CMonteCarlo mc(host);
        mc.SetPRNGToUse(prng);
        const auto m = Access::Validate(mc, MixedInputWithTables());
        Access::SetSeed(mc, 4242.25f);
        Access::InitialisePRNG(mc);
        TrialTable reference(n, 0);
        ReferenceTrials(mc, reference, m, host);
        for (const int workers : {1, 2, 8}) {
            WorkerThreads threads(workers);
            Access::InitialisePRNG(mc);
            TrialTable table(n, 0);
            host.yields = 0;
            Access::FillTrials(mc, table, m);
            EXPECT_TRUE(SameBits(reference, table)) << prng << " " << workers;
            EXPECT_EQ(host.yields, n);
        }
    }
}

TEST(MonteCarloTrialLoop, WholeRunsAgreeForAnyNumberOfWorkers) {
    SimulationResults one;
    {
        WorkerThreads threads(1);
        EngineTestHost host;
        CMonteCarlo mc(host);
        mc.RunSimulation(MixedInputWithTables(), 20000, 200, 31.0f);
        one = mc.Results();
    }
    for (const int workers : {2, 8}) {
        WorkerThreads threads(workers);
        EngineTestHost host;
        CMonteCarlo mc(host);
        mc.RunSimulation(MixedInputWithTables(), 20000, 200, 31.0f);
        ExpectSameResults(one, mc.Results());
    }
}

// Validation lets no negative spread through; should one reach the loop, it ends the
// run at its first draw, after the draws before it in that trial.
TEST(MonteCarloTrialLoop, NegativeSpreadEndsTheRunAtItsFirstDraw) {
    for (const int workers : {1, 8}) {
        WorkerThreads threads(workers);
        EngineTestHost host;
        CMonteCarlo mc(host);
        auto m = Access::Validate(mc, Matrix(MixedRows()));
        m[7][1] = -1.5;
        Access::SetSeed(mc, 2.0f);
        Access::InitialisePRNG(mc);
        TrialTable table(20000, 0);
        try {
            Access::FillTrials(mc, table, m);
            ADD_FAILURE() << "no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.description(), "Invalid SD (-1.5) in CMonteCarlo");
        }
        EXPECT_EQ(host.yields, 1);
    }
}

// I1 uniform with its upper end just beyond the largest Double: about one trial in
// ten thousand overflows.
Rows RareOverflowRows() {
    Rows rows = UniformRows();
    const double halfWidth = 1e304;  // Sqr(3) * s
    rows[4] = {std::numeric_limits<double>::max() - 0.9998e304, halfWidth / std::sqrt(3.0), 0};
    return rows;
}

TEST(MonteCarloTrialLoop, TheEarliestFailureWinsWhateverTheWorkers) {
    const std::int32_t n = 40000;
    EngineTestHost host;
    CMonteCarlo mc(host);
    const auto m = Access::Validate(mc, Matrix(RareOverflowRows()));
    Access::SetSeed(mc, 105.0f);  // first overflow at trial 20973
    Access::InitialisePRNG(mc);
    TrialTable reference(n, 0);
    std::string expected;
    try {
        ReferenceTrials(mc, reference, m, host);
    } catch (const AppError& e) {
        expected = e.description();
    }
    const int failingTrial = host.yields;
    ASSERT_GT(failingTrial, 4096) << "the seed should put the first overflow well into the run";
    ASSERT_LT(failingTrial, n);
    EXPECT_EQ(expected.rfind("Overflow in CMonteCarlo.GetAPseudoRandomValue\r\nwith arguments: ", 0), 0u) << expected;

    for (const int workers : {1, 3, 8}) {
        WorkerThreads threads(workers);
        // The overflow alone.
        Access::InitialisePRNG(mc);
        TrialTable table(n, 0);
        host.onYield = nullptr;
        try {
            Access::FillTrials(mc, table, m);
            ADD_FAILURE() << "no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.description(), expected) << workers;
        }
        // A failure of the host's yield in that trial comes before its draws; one in the
        // next trial comes after the overflow.
        for (const int yieldFailure : {failingTrial, failingTrial + 1}) {
            Access::InitialisePRNG(mc);
            host.yields = 0;
            host.onYield = [&](int count) {
                if (count == yieldFailure) throw AppError(255, "yield failed");
            };
            try {
                Access::FillTrials(mc, table, m);
                ADD_FAILURE() << "no error";
            } catch (const AppError& e) {
                EXPECT_EQ(e.description(), yieldFailure == failingTrial ? "yield failed" : expected)
                    << workers << " " << yieldFailure;
            }
            EXPECT_LE(host.yields, yieldFailure);
        }
        host.onYield = nullptr;
    }
}

}  // namespace
}  // namespace nuvir
