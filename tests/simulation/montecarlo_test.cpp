// The engine: its generators, the order and transform of draws, the trial outputs,
// the check of its input, whole runs, and the trial loop on worker threads.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <latch>
#include <limits>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "appdata/appdata.h"
#include "betareference.h"
#include "numerics/numerics.h"
#include "support/fakeservices.h"
#include "runtime/convert.h"
#include "runtime/rnd.h"
#include "simulation/clockseeds.h"
#include "simulation/programhost.h"
#include "simulation/ran1.h"
#include "simulation/runmemory.h"
#include "simulation/workers.h"
#include "simulation_fixture.h"
#include "testsupport.h"

namespace nuvir {
namespace {

using namespace enginetest;
using Access = CMonteCarloTestAccess;
using MUtilities::Ran1;
using MUtilities::ran1_detail::State;

// The first n values of the custom generator from the given seed.
std::vector<double> Ran1Draws(std::int32_t idum, int n) {
    std::vector<double> out;
    while (static_cast<int>(out.size()) < n) out.push_back(Ran1(idum));
    return out;
}

// ---- the custom generator ---------------------------------------------------------------

// Worked out from the generator's definition, independently of this code (Python, exact
// integers and IEEE doubles). Seeding with -1: ix1 = 54774, then 63107 (= ix2), then
// 212260 (= ix3), then 97 table entries (ix1 + ix2 * RM2) * RM1 and the draws below.
const std::vector<double> kRan1Reference{0x1.8f674dd313924p-2, 0x1.5e830f47b0945p-3, 0x1.48e68b13729c6p-1,
                                         0x1.bcda33783efc0p-1, 0x1.5d5240fd1b905p-3, 0x1.62ffc9a34189ep-1};

TEST(Ran1, ReferenceSequence) { EXPECT_EQ(Ran1Draws(-1, 6), kRan1Reference); }

// 0 repeats the last value; other positive values draw on without reseeding.
TEST(Ran1, ZeroRepeatsAndPositiveArgumentsDrawOn) {
    std::int32_t idum = -1, zero = 0, seven = 7;
    const double first = (Ran1(idum), Ran1(idum));
    EXPECT_EQ(first, kRan1Reference[1]);
    EXPECT_EQ(Ran1(zero), kRan1Reference[1]);
    EXPECT_EQ(Ran1(seven), kRan1Reference[2]);
    EXPECT_EQ(zero, 0);
    EXPECT_EQ(seven, 7);
}

// The largest combination of generators 1 and 2 lies above 1: it comes out as 1; a seed
// too negative overflows and leaves the state alone.
TEST(Ran1, ExtremesComeOutAsOneOrOverflow) {
    std::int32_t idum = -1;
    Ran1(idum);
    for (std::size_t j = 1; j <= 97; ++j) State().r[j] = (259199.0 + 134455.0 * 7.4373773E-06) * 3.8580247E-06;
    EXPECT_EQ(Ran1(idum), 1.0);
    idum = -2147428874;  // the most negative seed that still works
    EXPECT_NO_THROW(Ran1(idum));
    const auto before = State();
    idum = -2147428875;
    EXPECT_EQ(test::ErrorText([&] { Ran1(idum); }), "Overflow");
    EXPECT_EQ(State().r, before.r);
}

// ---- the engine's uniform numbers and the order of the quantities ---------------------

TEST(MonteCarloUniforms, EachGeneratorSeedsAsDocumented) {
    // Built in, from an independent implementation: after a reseed with -12.5, values
    // v1, v2, ... give the numbers v2 + v1 * 1E-07, v4 + v3 * 1E-07.
    Engine builtIn(0, 12.5f);
    EXPECT_EQ(Access::NextUniform(builtIn.mc), 0.5522989058721482);
    EXPECT_EQ(Access::NextUniform(builtIn.mc), 0.6948139771136284);
    // Custom: seeded with seed * -100, halves to the even neighbour; a seed below 0.005
    // would give idum 0, which does not reseed, so it seeds like -1.
    for (const auto& [seed, idum] : {std::pair{0.125f, -12}, {0.375f, -38}, {86399.5f, -8639950}, {0.001f, -1}}) {
        const std::vector<double> expected = Ran1Draws(idum, 4);
        Ran1Draws(-77, 3);  // some other sequence in progress
        Engine custom(1, seed);
        for (int i = 1; i < 4; ++i)
            EXPECT_EQ(Access::NextUniform(custom.mc), expected[static_cast<std::size_t>(i)]) << seed;
    }
    Engine custom(1, 3.0f);
    for (std::size_t j = 1; j <= 97; ++j) State().r[j] = 1.5;  // a custom value of exactly one becomes zero
    EXPECT_EQ(Access::NextUniform(custom.mc), 0.0);
}

// The quicksort as its definition states it, recursively.
void ReferenceQuickSort(std::vector<float>& key, std::vector<std::int32_t>& item, int low, int high) {
    if (high <= low) return;
    auto exchange = [&](int p, int q) { std::swap(key.at(p), key.at(q)), std::swap(item.at(p), item.at(q)); };
    int i = low - 1, k = high;
    do {
        while (key.at(++i) < key.at(high)) {
        }
        while (--k > low && key.at(k) > key.at(high)) {
        }
        exchange(i, k);
    } while (k > i);
    exchange(i, k), exchange(i, high);
    ReferenceQuickSort(key, item, low, i - 1);
    ReferenceQuickSort(key, item, i + 1, high);
}

TEST(MonteCarloOrder, IsAPermutationSortedByKeysWithTiesAsTheQuicksortLeavesThem) {
    Engine s(1, 17.0f);
    int trialsWithTies = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        // After the first thousand orders most table entries hold one of three values.
        if (trial >= 1000)
            for (std::size_t j = 1; j <= 97; ++j)
                if ((j + static_cast<std::size_t>(trial)) % 4 != 0)
                    State().r[j] = 0.25 * static_cast<double>(j % 3 + 1);
        const auto saved = State();
        std::vector<float> sortedKeys;
        std::vector<std::int32_t> expected;
        for (int i = 0; i < 13; ++i)
            sortedKeys.push_back(static_cast<float>(Access::NextUniform(s.mc))), expected.push_back(i);
        State() = saved;
        ReferenceQuickSort(sortedKeys, expected, 0, 12);
        trialsWithTies += std::adjacent_find(sortedKeys.begin(), sortedKeys.end()) != sortedKeys.end();
        const auto order = Access::RandomParameterOrder(s.mc);
        ASSERT_EQ(std::vector<std::int32_t>(order.begin(), order.end()), expected) << trial;
    }
    EXPECT_GT(trialsWithTies, 1000);
}

// ---- draws ---------------------------------------------------------------------------------

// A look-up draw gives the first value whose cumulative probability reaches the number.
TEST(MonteCarloDraw, EachCodeTurnsTheNumberIntoItsValueOrNamesItsFailure) {
    Engine s(1, 5.0f);
    const Rows rows = WithRow(WithRow(UniformRows(), 4, 2.3, 0.1, 0), 5, 2.29988, 0.1, 0);
    const Variant impacts = Variant::List({GoodTable(), CumulativeTable({1, 2, 3}, {0.2, 0.5, 0.99996})}, 4);
    Access::Validate(s.mc, Variant::List({Matrix(rows), impacts, Variant()}));
    const double big = NumericLimits::LargestDouble;
    const std::string normalFailure = test::ErrorText([] { DistributionFunctions::InverseNormal(1.5, 3.0, 2.0); });
    const std::string where = " in CMonteCarlo.GetAPseudoRandomValue\r\nwith arguments: ";
    const struct {
        const char* name;
        double u, mean, sd;
        std::int32_t code, table;
        double expected, tolerance;
        std::string failure;
    } cases[] = {
        {"normal: 3 + 2 * 0.8416212335729143", 0.8, 3, 2, 1, 4, 4.683242467145829, 1e-14, ""},
        {"lognormal: Exp(0.5 + 0.25 * 0.8416212335729143)", 0.8, 0.5, 0.25, 2, 4, 2.034815819465056, 1e-14, ""},
        {"beta(12, 12), by bisection on its binomial sum", 0.8, 12, 12, 3, 4, 0.5861447126222542, 1e-12, ""},
        {"beta without a value", 0.8, -1, 2, 3, 4, 0, 0, ""},
        {"code 4", 0.8, 3, 2, 4, 4, 0, 0, ""},
        {"look-up at a cumulative probability", 0.2, 2.3, big, 99, 4, 1, 0, ""},
        {"look-up just above it", std::nextafter(0.2, 1.0), 2.3, big, 99, 4, 2, 0, ""},
        {"look-up beyond the last probability", 0.99999, 2.3, big, 99, 5, 0, 0, ""},
        {"normal of 1.5", 1.5, 3, 2, 1, -1, 0, 0, normalFailure + where + "3,2,1"},
        {"no such table", 0.5, 5, big, 99, 7, 0, 0,
         "Unexpected error referencing a non-existent lookup table (7)" + where + "5,1.79769313486231E+308,99"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        double got = 0;
        EXPECT_EQ(test::ErrorText([&] { got = Access::Transform(s.mc, c.u, c.mean, c.sd, c.code, c.table); }),
                  c.failure);
        EXPECT_NEAR(got, c.expected, c.tolerance);
    }
    // A number of 0 is drawn again, except for the uniform, whose lower end it gives.
    for (std::size_t j = 1; j <= 97; ++j) State().r[j] = 0.0;
    EXPECT_EQ(Access::Draw(s.mc, 10.0, 1.0, 0, 5), 10.0 - std::sqrt(3.0));
    for (const std::int32_t code : {1, 2, 3}) {
        const auto saved = State();
        const double got = Access::Draw(s.mc, 0.4, 0.5, code, 4);
        State() = saved;
        std::int32_t one = 1, draws = 0;
        double u = 0.0;
        for (; u == 0.0; ++draws) u = Ran1(one);
        EXPECT_GT(draws, 1) << code;
        EXPECT_EQ(got, Access::Transform(s.mc, u, 0.4, 0.5, code, 4)) << code;
    }
}

// ---- the nine outputs of a trial ---------------------------------------------------------

// Total risk, total cost, Risk1-4, Cost1-3.
std::array<double, 9> Outputs(const std::array<double, 13>& q) {
    TrialTable table(1, 0);
    for (int k = 0; k < 13; ++k) table(1, k) = q[static_cast<std::size_t>(k)];
    CMonteCarlo::ComputeTrialRisks(table, 1);
    CMonteCarlo::ComputeTrialCosts(table, 1);
    std::array<double, 9> out{};
    for (int i = 0; i < 9; ++i) out[static_cast<std::size_t>(i)] = table(1, TrialTable::kTotalRisk + i);
    return out;
}

TEST(MonteCarloTrialOutputs, HandWorkedTrials) {
    // Halves: risks 1/2, 3/4, ...; costs FC1 + FC2 p1 + FC3 p1 p2 + FC4 p1 p2 p3.
    EXPECT_EQ(Outputs({0.5, 0.5, 0.5, 0.5, 1, 1, 1, 1, 1, 1, 1, 1, 1}),
              (std::array<double, 9>{1, 1.875, 0.5, 0.75, 0.875, 0.9375, 1, 1.5, 1.75}));
    // Products left to right: ((p2 p1)(1 - p3)) I3 = 0.08399999999999999; the chain's
    // order would give ...02.
    const double i3 = 0.08399999999999999;
    EXPECT_EQ(Outputs({0.1, 0.7, 0.6, 0.0, 0, 0, 3.0, 0, 0, 0, 0, 0, 0}),
              (std::array<double, 9>{i3, 0, 0, 0, i3, i3, 0, 0, 0}));
    // Risks are weighted means of the impacts and stay in range; costs add up and overflow.
    EXPECT_EQ(test::ErrorNumber([] { Outputs({1, 1, 1, 1, 0, 0, 0, 0, 0, 1e308, 1e308, 0, 0}); }), err::Overflow);
    EXPECT_NO_THROW(Outputs({1, 1, 1, 1, 0, 0, 0, 0, 0, 1e308, 0, 0, 7e307}));
}

// Random point values with at most 15 significant digits: the trial formulas' running
// sums agree with the outcome function's items, relative to the sum of the items'
// magnitudes, as signed impacts may cancel.
TEST(MonteCarloTrialOutputs, AgreeWithTheOutcomeFunction) {
    std::mt19937_64 rng(4102);
    std::uniform_real_distribution<double> prob(0, 1), value(-1e4, 1e4);
    Variant items = Variant::MakeArray(VarType::Generic, {Bounds{47, 59}});
    for (int trial = 0; trial < 10000; ++trial) {
        std::array<double, 13> q{};
        for (std::size_t k = 0; k < 13; ++k) q[k] = Val(FormatDouble(k < 4 ? prob(rng) : value(rng)));
        if (trial % 10 == 0)
            q[static_cast<std::size_t>(trial / 10 % 4)] = trial % 20 == 0 ? 0.0 : 1.0;  // edge probabilities
        for (int k = 0; k < 13; ++k) items(47 + k) = Variant(q[static_cast<std::size_t>(k)]);
        const Variant outcome = MKelvaro::CalculateOutcomeRisks(items);
        const std::array<double, 9> out = Outputs(q);
        double sum[2] = {0, 0}, magnitude[2] = {0, 0};
        for (int i = 60; i <= 68; ++i) {
            const double o = outcome(i).numberValue();
            const int kind = i <= 64 ? 0 : 1;
            sum[kind] += o;
            magnitude[kind] += std::fabs(o);
            // Outputs holds the totals first, then each item's running sum.
            const int at = kind == 0 ? (i < 64 ? 2 + i - 60 : 0) : (i < 68 ? 6 + i - 65 : 1);
            ASSERT_LE(std::fabs(sum[kind] - out[static_cast<std::size_t>(at)]), 1e-14 * magnitude[kind])
                << "trial " << trial << " running sum to item " << i;
        }
    }
}

// ---- the check and conversion of the input -------------------------------------------

// A run whose impacts and costs come from tables, I3's table and mean given; costs of
// two categories when only the costs' table is given.
Variant LookupInput(const Variant& i3, double mean, const Variant& costTable = Variant()) {
    Rows rows = UniformRows();
    for (std::size_t k = 4; k < 13; ++k) rows[k] = {k < 9 || costTable.isEmpty() ? 2.3 : 2.0, 0.1, 2};
    rows[6][0] = mean;
    const Variant costs = costTable.isEmpty() ? Variant()
                                              : Variant::List({costTable, costTable, costTable, costTable}, 9);
    return Variant::List(
        {Matrix(rows), Variant::List({GoodTable(), GoodTable(), i3, GoodTable(), GoodTable()}, 4), costs});
}

// Fewer than two trials end the run before anything else; a bad input before seeding,
// drawing or exporting. A look-up table must have two rows or more, columns from 0, as
// many as the host has categories of its kind, rising values, probabilities reaching 1
// within 4 figures, and the row's mean as its expected value to 4 figures.
TEST(MonteCarloValidation, EachInputIsCheckedAndABadOneEndsTheRunWithItsText) {
    const Rows ok = UniformRows();
    constexpr std::int32_t kTooMany = std::numeric_limits<std::int32_t>::max();
    const std::string tail = ") in array passed to CMonteCarlo.RunSimulation", badI3 = "Bad discrete lookup table (I3)";
    Variant threeRows = Variant::MakeArray(VarType::Double, {Bounds{0, 2}, Bounds{0, 2}});
    Variant oneBased = Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{1, 3}});
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c) threeRows(r, c) = oneBased(r, c + 1) = GoodTable()(r, c);
    const Variant twoColumns = CumulativeTable({1, 3}, {0.5, 1});  // expected value 2
    const struct {
        const char* name;
        Variant inputs;
        std::string text;
        int number = 255;
        std::int32_t trials = 10;
        int costCategories = 3;
    } cases[] = {
        {"one trial, and a bad input", Variant(1.5), "Can't do simulation with only (1) trial(s).", 255, 1},
        {"one dimension", Variant::Doubles(std::vector<double>(39, 0.0)),
         "Invalid array passed to CMonteCarlo.RunSimulation"},
        {"13 x 4", Variant::MakeArray(VarType::Double, {Bounds{0, 12}, Bounds{0, 3}}),
         "Wrong number of columns in array passed to CMonteCarlo.RunSimulation"},
        {"12 x 3", Variant::MakeArray(VarType::Double, {Bounds{0, 11}, Bounds{0, 2}}),
         "Wrong number of rows in array passed to CMonteCarlo.RunSimulation"},
        {"code 2.5", Matrix(WithRow(ok, 5, 1, 0.1, 2.5)), "Bad distribution type (2.5" + tail},
        {"spread before code", Matrix(WithRow(ok, 3, 0.5, -1, 7)), "Bad SD (-1" + tail},
        {"lognormal mean 0, spread 0", Matrix(WithRow(ok, 4, 0, 0, 2)), "Bad mean (0" + tail + " for LN distribution"},
        {"p mean 1.3 clamped, then beta", Matrix(WithRow(ok, 2, 1.3, 0.1, 3)),
         "Bad mean (1" + tail + " for B distribution"},
        // Mean 0.3 and spread Sqr(0.21) give k = 0 exactly, which would draw 0 in every trial.
        {"beta spread exactly at its largest", Matrix(WithRow(ok, 0, 0.3, std::sqrt(0.21), 3)),
         "Bad SD (" + FormatDouble(std::sqrt(0.21)) + tail},
        {"wrapped, no tables", Variant::List({Matrix(ok), Variant(), Variant()}),
         "Unexpected error: Expected look-up tables for impacts and/or costs"},
        {"whole numbers", Variant::MakeArray(VarType::Int32, {Bounds{0, 12}, Bounds{0, 2}}), "Type mismatch",
         err::TypeMismatch},
        // The square of the spread overflows, or underflows to 0 under a division.
        {"lognormal spread squared", Matrix(WithRow(ok, 4, 1e200, 1e200, 2)), "Overflow", err::Overflow},
        {"beta spread squared", Matrix(WithRow(ok, 0, 0.5, 1e-170, 3)), "Division by zero", err::DivisionByZero},
        {"table: equal neighbours", LookupInput(CumulativeTable({1, 1, 3}, {0.2, 0.5, 1}), 2.0), ""},
        {"table: more rows than two", LookupInput(threeRows, 2.3), ""},
        {"table: empty entry", LookupInput(Variant(), 2.3), badI3},
        {"table: columns not from 0", LookupInput(oneBased, 2.3), badI3},
        {"table: values decrease", LookupInput(CumulativeTable({1, 3, 2}, {0.2, 0.5, 1}), 2.2), badI3},
        {"table: sum short of 1 in 4 figures", LookupInput(CumulativeTable({1, 2, 3}, {0.2, 0.5, 0.9995}), 2.3), badI3},
        {"table: mean off in the 4th figure", LookupInput(GoodTable(), 2.301), badI3},
        {"cost tables of two categories", LookupInput(GoodTable(), 2.3, twoColumns), "", 255, 10, 2},
        {"cost tables of two of three categories", LookupInput(GoodTable(), 2.3, twoColumns),
         "Bad discrete lookup table (FC1)"},
        {"a table too large for memory", Matrix(ok), "Out of memory", 7, kTooMany},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EngineTestHost host;
        host.costCategories = c.costCategories;
        CMonteCarlo mc(host);
        mc.SetExportPaths(c.text.empty() ? "" : dir.file("out.csv"));
        try {
            mc.RunSimulation(c.inputs, c.trials, 20, 1.0f);
            EXPECT_EQ(c.text, "");
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), c.number) << e.description();
            EXPECT_EQ(e.description(), c.text) << e.description();
        }
        if (c.text.empty()) continue;
        EXPECT_EQ(host.yields, 0);
        EXPECT_EQ(mc.Seed(), 0.0f);
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.csv")));
    }
}

// How a run under an address-space cap ended, as the child process that ran it exits
// (a run has started once it took its seed).
enum CappedRun { kRan = 0, kRefusedBeforeStart = 10, kOutOfMemoryAfterStart = 11, kOtherError = 12 };

// Lets this process's address space grow by `capMB` more than it holds now.
void CapAddressSpaceGrowth(std::uint64_t capMB) {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    const rlimit cap{pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)) + (capMB << 20), RLIM_INFINITY};
    setrlimit(RLIMIT_AS, &cap);
}

// Runs `trials` in a child process whose address space may grow by `capMB` more.
int RunUnderAddressCap(std::int32_t trials, std::uint64_t capMB) {
    const pid_t child = fork();
    if (child == 0) {
        SetSimulationWorkerThreads(1);  // the parent's pool threads are not in the child
        CapAddressSpaceGrowth(capMB);
        EngineTestHost host;
        CMonteCarlo mc(host);
        int code = kRan;
        try {
            mc.RunSimulation(Matrix(UniformRows()), trials, 20, 1.0f);
        } catch (const AppError& e) {
            const bool started = host.yields > 0 || mc.Seed() != 0.0f;
            code = e.number() != err::OutOfMemory ? kOtherError
                   : started                      ? kOutOfMemoryAfterStart
                                                  : kRefusedBeforeStart;
        } catch (...) {
            code = kOtherError;
        }
        _exit(code);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// A run whose table and work space cannot fit is refused before a trial is drawn, so
// the system never ends the program half way; one that fits runs.
TEST(MonteCarloMemory, ARunThatCannotFitIsRefusedBeforeItStartsAndOneThatFitsRuns) {
    if (test::kAddressSanitizer) GTEST_SKIP() << "the address-space cap cannot hold a sanitizer's shadow memory";
    struct Case {
        const char* name;
        std::int32_t trials;
        std::uint64_t capMB;
        int ended;
    };
    const Case cases[] = {
        {"ten million trials in 1 GB", 10'000'000, 1024, kRefusedBeforeStart},
        {"a million trials in 1 GB", 1'000'000, 1024, kRan},
        {"100,000 trials in 1 GB", 100'000, 1024, kRan},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunUnderAddressCap(c.trials, c.capMB), c.ended);
    }
    // The room is the smallest known limit; an unknown one does not count.
    using runmemory::Limits;
    EXPECT_EQ(runmemory::Room(Limits{1000, std::nullopt, 300}), 300u);
    EXPECT_EQ(runmemory::Room(Limits{}), std::nullopt);
    EXPECT_EQ(runmemory::MemAvailableBytes("MemTotal: 9 kB\nMemFree: 5 kB\nMemAvailable:    1048576 kB\n"), 1ull << 30);
    EXPECT_LE(runmemory::RunBytes(100'000, 64), 1ull << 30);
}

// Threads of this process now: the pool's, and the test's own.
int ThreadsInProcess() {
    namespace fs = std::filesystem;
    return static_cast<int>(std::distance(fs::directory_iterator("/proc/self/task"), fs::directory_iterator{}));
}

// A worker count far beyond the processors is held to them: a run of 100,000 trials with
// NUVIR_WORKERS=100000 runs (the memory check counted 100,000 threads and refused it with
// Out of memory), starts no more threads than the processors, and the check counts those.
TEST(MonteCarloMemory, AWorkerCountBeyondTheProcessorsIsHeldToThem) {
    cpu_set_t set;
    CPU_ZERO(&set);
    ASSERT_EQ(sched_getaffinity(0, sizeof(set), &set), 0);
    const int processors = CPU_COUNT(&set);
    const char* saved = std::getenv("NUVIR_WORKERS");
    const std::string savedValue = saved != nullptr ? saved : "";
    ::setenv("NUVIR_WORKERS", "100000", 1);
    {
        WorkerThreads threads(0);  // the environment's count
        EXPECT_EQ(SimulationWorkerThreads(), processors);
        EXPECT_EQ(runmemory::RunBytes(100'000, SimulationWorkerThreads()), runmemory::RunBytes(100'000, processors));
        const int before = ThreadsInProcess();
        EngineTestHost host;
        CMonteCarlo mc(host);
        EXPECT_EQ(test::ErrorText([&] { mc.RunSimulation(Matrix(UniformRows()), 100'000, 20, 1.0f); }), "");
        EXPECT_LE(ThreadsInProcess() - before, processors);
    }
    // However many are counted, no more sort or rank a column at once than there are columns.
    EXPECT_EQ(runmemory::RunBytes(100'000, 100'000), runmemory::RunBytes(100'000, TrialTable::kColumns));
    if (saved != nullptr)
        ::setenv("NUVIR_WORKERS", savedValue.c_str(), 1);
    else
        ::unsetenv("NUVIR_WORKERS");
}

// The pool's return hook of the test below: a thread that ran a job of its first step
// waits there until the gate opens.
std::mutex g_gateMutex;
std::condition_variable g_gateOpened;
// Each opening of the gate is a new one, so a thread let through by the last test that
// has not yet woken is not held by the next.
int g_gateOpenings = 0;
int g_held = 0;
std::condition_variable g_heldChanged;
thread_local bool t_ranFirstStep = false;

void HoldFirstStepThreads() {
    if (!std::exchange(t_ranFirstStep, false)) return;
    std::unique_lock<std::mutex> lock(g_gateMutex);
    const int shut = g_gateOpenings;
    ++g_held;
    g_heldChanged.notify_all();
    g_gateOpened.wait(lock, [shut] { return g_gateOpenings != shut; });
}

// Steps that follow each other at once (a short run's sorts, ranks and fits) reuse the
// threads of the step before: a thread that has said it is done counts as one that will
// take the next step's work, even before it is back to wait for it, so no step starts
// threads beyond the workers it asked for, however the threads are scheduled. Every
// thread of the first step is held on its way back while the second hands out its
// shares: the slowest scheduling there is. The first step has more shares than the
// process has threads, each waiting until all run at once, so that it takes every
// thread of the pool and none is left waiting.
TEST(WorkerPool, StepsInQuickSuccessionStartNoThreadsBeyondTheirWorkers) {
    struct Hook {
        Hook() {
            g_held = 0;
            SetPoolReturnHook(HoldFirstStepThreads);
        }
        ~Hook() {
            Open();
            SetPoolReturnHook(nullptr);
        }
        static void Open() {
            {
                std::lock_guard<std::mutex> lock(g_gateMutex);
                ++g_gateOpenings;
            }
            g_gateOpened.notify_all();
        }
    } hook;
    const int shares = ThreadsInProcess() + 4;
    std::latch all(shares);
    WorkerShares first(shares, [&] {
        t_ranFirstStep = true;
        all.arrive_and_wait();
    });
    for (int i = first.started(); i < shares; ++i) all.count_down();  // none that could not start
    first.Wait();
    ASSERT_EQ(first.started(), shares);
    {
        // Every thread of the first step at the gate, or the second step would not see
        // the slowest scheduling. The bound only ends a run whose hook never holds one.
        std::unique_lock<std::mutex> lock(g_gateMutex);
        ASSERT_TRUE(g_heldChanged.wait_for(lock, std::chrono::seconds(100), [&] { return g_held == shares; }))
            << g_held << " of the first step's " << shares << " threads were held on their way back";
    }
    const int threads = ThreadsInProcess();
    std::atomic<int> ran{0};
    WorkerShares second(shares, [&] { ran.fetch_add(1, std::memory_order_relaxed); });
    const int started = ThreadsInProcess() - threads;
    Hook::Open();
    second.Wait();
    EXPECT_EQ(ran.load(), shares);
    EXPECT_EQ(started, 0) << "threads started beyond the steps' workers";
}

// Each worker sorts or ranks a column at a time beside the table: the estimate grows by
// two Doubles a trial with every worker up to the 22 columns there are, on a machine
// with more processors than this one too. A million trials: the table 22 x 8 = 176
// bytes a trial, each worker 16 more, and 32 MB (33,554,432 bytes) for the rest.
TEST(MonteCarloMemory, TheEstimateGrowsWithEveryWorkerUpToTheColumns) {
    struct Case {
        const char* name;
        int workers;
        std::uint64_t bytes;
    };
    const Case cases[] = {
        {"none counts as one", 0, 192'000'000 + 33'554'432},
        {"one", 1, 192'000'000 + 33'554'432},
        {"two", 2, 208'000'000 + 33'554'432},
        {"eight", 8, 304'000'000 + 33'554'432},
        {"sixteen", 16, 432'000'000 + 33'554'432},
        {"twenty-one", 21, 512'000'000 + 33'554'432},
        {"twenty-two, one a column", 22, 528'000'000 + 33'554'432},
        {"a hundred, no more at once than the columns", 100, 528'000'000 + 33'554'432},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(runmemory::RunBytes(1'000'000, c.workers), c.bytes);
    }
}

// The count a machine with more processors would set: a run of a million trials that
// one worker could make in 400 MB (226 MB above) but 22 could not (562 MB) is refused
// with them before it starts.
TEST(MonteCarloMemory, ARunThatFitsFewerWorkersIsRefusedWithMore) {
    if (test::kAddressSanitizer) GTEST_SKIP() << "the address-space cap cannot hold a sanitizer's shadow memory";
    struct Case {
        const char* name;
        int workers;
        bool refused;
    };
    const Case cases[] = {
        {"one worker", 1, false},
        {"twenty-two workers", 22, true},
        {"more workers than columns", 64, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int code = test::ExitCodeInChild([&] {
            SetSimulationWorkerThreads(c.workers);
            CapAddressSpaceGrowth(400);
            return test::ErrorNumber([] { runmemory::CheckRunFits(1'000'000); }) == err::OutOfMemory ? 1 : 0;
        });
        EXPECT_EQ(code, c.refused ? 1 : 0);
    }
}

// A reading of a clock on UTC (the day since 1970 and the seconds since its midnight):
// its UTC moment is its local time.
struct UtcReading {
    std::int64_t day;
    float seconds;
};
ClockReading OnUtc(const UtcReading& r) {
    return {r.day, r.seconds,
            std::llround((static_cast<double>(r.day) * 86400.0 + static_cast<double>(r.seconds)) * 1e9)};
}

// At a clock that does not move, each run's seed is the next one its generator tells
// apart from the last: the next Single for the built-in generator (seeded from the
// seed's bits), the next hundredth for the custom one (seeded from the seed times 100,
// rounded). A clock that has moved past the last seed gives itself, and so does one set
// back unless it gives the last seed again. Seeds past the end of the day go on from
// the smallest one until the clock, past midnight too, passes them.
TEST(ClockSeeds, AClockThatDoesNotMoveGivesTheNextSeedTheGeneratorTellsApart) {
    struct Case {
        const char* name;
        std::int32_t prng;
        std::vector<UtcReading> clocks;
        std::vector<float> seeds;
    };
    const float tiny = std::numeric_limits<float>::denorm_min();
    const float end = 86399.9921875f;  // the day's last Single
    const Case cases[] = {
        {"built-in, steps of 2^-8 s",
         0,
         {{9, 50000}, {9, 50000}, {9, 50000}},
         {50000, 50000.00390625f, 50000.0078125f}},
        {"custom: 50000.0039 is 5000000 hundredths too",
         1,
         {{9, 50000}, {9, 50000}, {9, 50000}},
         {50000, 50000.0078125f, 50000.015625f}},
        // 100.004997 (times 100 10000.4997) still rounds to 10000.
        {"custom, steps of 2^-17 s", 1, {{9, 100}, {9, 100}}, {100, 100.0050048828125f}},
        {"the clock moves, but not past the seeds",
         0,
         {{9, 50000}, {9, 50000}, {9, 50000.00390625f}, {9, 50000.5f}},
         {50000, 50000.00390625f, 50000.0078125f, 50000.5f}},
        {"the last step of the day, then midnight", 0, {{9, end}, {9, end}, {10, 0.25f}}, {end, tiny, 0.25f}},
        // The smallest Singles of 2 and 3 hundredths (times 100 rounded, halves to even).
        {"custom: seeds past midnight before the clock, which follows",
         1,
         {{9, end}, {9, end}, {9, end}, {10, 0.0078125f}, {10, 0.25f}},
         {end, tiny, 0.015000000596046448f, 0.02500000037252903f, 0.25f}},
        {"the clock set back", 0, {{9, 300}, {9, 200}}, {300, 200}},
        {"the clock set back a day", 0, {{9, 300}, {8, 400}}, {300, 400}},
        {"the clock set back once the seeds have passed midnight",
         0,
         {{9, end}, {9, end}, {9, 3600}},
         {end, tiny, 3600}},
        {"custom, the clock set back within the hundredth",
         1,
         {{9, 100.004f}, {9, 100.002f}},
         {100.004f, 100.0050048828125f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClockSeeds seeds;
        std::vector<float> got;
        for (const UtcReading& clock : c.clocks) got.push_back(seeds.Next(OnUtc(clock), c.prng));
        EXPECT_EQ(got, c.seeds);
    }
}

// What tells two seeds apart for a generator: the built-in one is seeded from the
// seed's bits, the custom one from the seed times 100 to the nearest whole number (at
// least 1).
double GeneratorKey(float seed, std::int32_t prng) {
    return prng == 1 ? std::max(1.0, std::nearbyint(static_cast<double>(seed) * 100.0)) : static_cast<double>(seed);
}

// The seeds of runs at the clock's readings, one after another: how many repeat a seed
// the generator had before, and how many lie outside 0 to 86400 (a run given one of
// those back does not repeat itself).
struct SeedTally {
    int repeated = 0, outside = 0;
};
SeedTally TallySeeds(const std::vector<ClockReading>& clocks, std::int32_t prng) {
    ClockSeeds seeds;
    std::set<double> keys;
    SeedTally tally;
    for (const ClockReading& clock : clocks) {
        const float seed = seeds.Next(clock, prng);
        tally.repeated += keys.insert(GeneratorKey(seed, prng)).second ? 0 : 1;
        tally.outside += seed > 0.0f && seed < 86400.0f ? 0 : 1;
    }
    return tally;
}

// The clock as Timer() and the day read it at t seconds after the midnight that starts
// day 0, on UTC: the time of day rounded to a Single, never up to the next midnight.
ClockReading ClockAt(double t) {
    const double day = std::floor(t / 86400.0);
    const float seconds = std::min(static_cast<float>(t - day * 86400.0), 86399.9921875f);
    return {static_cast<std::int64_t>(day), seconds, std::llround(t * 1e9)};
}

// Runs that follow each other faster than the clock's steps near the end of the day:
// every seed is one its generator has not had before (the seeds passed midnight ahead
// of the clock and went on from the smallest; then the next run at the same reading
// took that reading itself, given two runs before), and each lies above 0 and below
// 86400, so that a run given it back repeats itself.
TEST(ClockSeeds, RunsAheadOfTheClockIntoMidnightRepeatNoSeed) {
    struct Case {
        const char* name;
        double start, step;  // seconds after day 0's midnight
        int runs;
    };
    const Case cases[] = {
        {"1000 runs in the last tick of the day", 86399.99, 0, 1000},
        {"1000 runs 2 ms apart, 7 s before midnight", 86393, 0.002, 1000},
        {"5000 runs 2 ms apart: the clock passes midnight too", 86393, 0.002, 5000},
        {"a minute of runs 2 ms apart, the last of the day and the first", 86370, 0.002, 30000},
    };
    for (const std::int32_t prng : {0, 1}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << (prng == 1 ? ", custom" : ", built-in"));
            std::vector<ClockReading> clocks;
            for (int i = 0; i < c.runs; ++i) {
                const ClockReading clock = ClockAt(c.start + c.step * i);
                if (clock.seconds != 0.0f) clocks.push_back(clock);  // at 0 the engine reads the clock again
            }
            const SeedTally tally = TallySeeds(clocks, prng);
            EXPECT_EQ(tally.repeated, 0);
            EXPECT_EQ(tally.outside, 0);
        }
    }
}

// Runs further apart than the clock's steps take the clock's reading itself, as ever,
// across midnight too.
TEST(ClockSeeds, RunsSlowerThanTheClockTakeItsReadings) {
    for (const std::int32_t prng : {0, 1}) {
        SCOPED_TRACE(prng == 1 ? "custom" : "built-in");
        ClockSeeds seeds;
        for (int i = 0; i < 1000; ++i) {
            const ClockReading clock = ClockAt(86395.001 + 0.02 * i);
            ASSERT_EQ(seeds.Next(clock, prng), clock.seconds) << i;
        }
    }
}

// New York's zone by its rule, which needs no zone files: five hours behind UTC, four
// from 02:00 on the second Sunday of March to 02:00 on the first Sunday of November.
constexpr const char* kNewYork = "EST5EDT,M3.2.0,M11.1.0";
// 2024-11-03 00:00 UTC, in nanoseconds. Daylight saving time ended at 06:00 UTC that
// day: New York's clocks went from 02:00 EDT back to 01:00 EST.
constexpr std::int64_t kNovember3 = 1'730'592'000LL * 1'000'000'000LL;
constexpr std::int64_t kHourNs = 3600LL * 1'000'000'000LL;

// Runs through the end of daylight saving time, when the local clock reads the hour
// from 01:00 a second time: every seed is one its generator has not had before, and
// lies above 0 and below 86400.
TEST(ClockSeeds, RunsThroughTheEndOfDaylightSavingTimeRepeatNoSeed) {
    struct Case {
        const char* name;
        std::int64_t start, end, step;  // UTC, nanoseconds after kNovember3
    };
    const Case cases[] = {
        {"every second from 00:30 EDT to 02:30 EST", 4 * kHourNs + kHourNs / 2, 7 * kHourNs + kHourNs / 2,
         1'000'000'000},
        {"every 5 ms from 00:59:59 EDT to 01:00:01 EST", 5 * kHourNs - 1'000'000'000, 6 * kHourNs + 1'000'000'000,
         5'000'000},
    };
    const test::ScopedZone zone(kNewYork);
    for (const std::int32_t prng : {0, 1}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << (prng == 1 ? ", custom" : ", built-in"));
            std::vector<ClockReading> clocks;
            for (std::int64_t t = c.start; t <= c.end; t += c.step) clocks.push_back(LocalClockAt(kNovember3 + t));
            // The walk passes the one moment the local clock goes back.
            const auto localTime = [](const ClockReading& r) { return std::pair{r.day, r.seconds}; };
            int clockBack = 0;
            for (std::size_t i = 1; i < clocks.size(); ++i)
                clockBack += localTime(clocks[i]) < localTime(clocks[i - 1]);
            EXPECT_EQ(clockBack, 1);
            const SeedTally tally = TallySeeds(clocks, prng);
            EXPECT_EQ(tally.repeated, 0);
            EXPECT_EQ(tally.outside, 0);
        }
    }
}

// In New York around the end of daylight saving time: the hour read again goes on
// after the last seed (the next Single, 2^-11 s on at 7199.5 s; the next hundredth for
// the custom generator); a clock set back (its UTC moment earlier) still starts afresh.
TEST(ClockSeeds, TheHourReadAgainMovesOnAClockSetBackStartsAfresh) {
    struct Case {
        const char* name;
        std::int32_t prng;
        std::vector<std::int64_t> clocks;  // UTC, nanoseconds after kNovember3
        std::vector<float> seeds;
    };
    const std::int64_t s = 1'000'000'000;
    const std::int64_t lastHalfSecondOfEdt = 6 * kHourNs - s / 2;   // 01:59:59.5 EDT
    const std::int64_t firstHalfSecondOfEst = 6 * kHourNs + s / 2;  // 01:00:00.5 EST
    const Case cases[] = {
        {"01:59:59.5 EDT, then 01:00:00.5 EST",
         0,
         {lastHalfSecondOfEdt, firstHalfSecondOfEst},
         {7199.5f, 7199.50048828125f}},
        // 7199.5049 is 719950.49 hundredths, 7199.5054 719950.54.
        {"custom: 01:59:59.5 EDT, then 01:00:00.5 EST",
         1,
         {lastHalfSecondOfEdt, firstHalfSecondOfEst},
         {7199.5f, 7199.50537109375f}},
        {"01:00:00.5 EST, then the clock set back to 01:50 EDT",
         0,
         {lastHalfSecondOfEdt, firstHalfSecondOfEst, 5 * kHourNs + 50 * 60 * s},
         {7199.5f, 7199.50048828125f, 6600.0f}},
        {"01:40 EST, then the clock set back to 01:20 EST",
         0,
         {6 * kHourNs + 40 * 60 * s, 6 * kHourNs + 20 * 60 * s},
         {6000.0f, 4800.0f}},
    };
    const test::ScopedZone zone(kNewYork);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClockSeeds seeds;
        std::vector<float> got;
        for (const std::int64_t t : c.clocks) got.push_back(seeds.Next(LocalClockAt(kNovember3 + t), c.prng));
        EXPECT_EQ(got, c.seeds);
    }
}

TEST(MonteCarloValidation, WorkingMatrixRows) {
    Rows rows = UniformRows();
    // p clamped to 1 and 0; beta shapes mean k, (1 - mean) k with k = 24; spread 0 keeps
    // mean and spread unconverted; lognormal Log(1 / Sqr(2)), Sqr(Log(2)) to 15 digits;
    // impacts not clamped; beta with k = 20. Sigma of FC1 would round to 0 and draw mu
    // (13.8) in every trial: the mean is kept, spread 0.
    rows[0] = {1.3, 0.2, 1}, rows[1] = {-0.2, 0.2, 0}, rows[2] = {0.5, 0.1, 3}, rows[3] = {0.25, 0, 3},
    rows[4] = {1, 1, 2};
    rows[5] = {-7, 0.5, 1}, rows[6] = {5, 0, 2}, rows[7] = {0.3, 0.1, 3}, rows[9] = {1e6, 0.001, 2};
    const std::array<double, 3> expected[] = {
        {1, 0.2, 1},  {0, 0.2, 0}, {12, 12, 3}, {0.25, 0, 3}, {-0.346573590279973, 0.832554611157698, 2},
        {-7, 0.5, 1}, {5, 0, 2},   {6, 14, 3},  {1, 0.1, 0},  {1e6, 0, 2}};
    Engine a, b;
    const auto m = Access::Validate(a.mc, Matrix(rows));
    for (std::size_t k = 0; k < std::size(expected); ++k) EXPECT_EQ(m[k], expected[k]) << "row " << k;
    EXPECT_EQ(Access::Validate(b.mc, Matrix(rows, 1, 1)), m);  // read by position whatever the lower bounds
    // The run with that lognormal draws its mean: Cost1 (output 6) is FC1 itself.
    a.mc.RunSimulation(Matrix(WithRow(UniformRows(), 9, 1e6, 0.001, 2)), 100, 200, 4.0f);
    EXPECT_EQ(a.mc.Results().min[6], 1e6);
    EXPECT_EQ(a.mc.Results().max[6], 1e6);
}

// ---- whole runs ---------------------------------------------------------------------------

// Look-up rows, and I5 with spread 0 that must still take its number.
Variant MixedInputWithTables() {
    Rows rows = MixedRows();
    rows[5][0] = rows[11][0] = 2.3;
    rows[8][1] = 0.0;
    return Variant::List({Matrix(rows), Variant::List({GoodTable()}, 5), Variant::List({GoodTable()}, 11)});
}

// Each run's export fails, is reported once, and the run goes on.
TEST(MonteCarloRun, SeedIsTakenByMagnitudeBelowOneDayElseFromTheClock) {
    test::TempDir dir;
    // Given and used; used 0: from the clock.
    for (const auto& [given, used] : {std::pair{-12.5f, 12.5f},
                                      {86399.99f, 86399.99f},
                                      {-86400.0f, 0.0f},
                                      {std::numeric_limits<float>::quiet_NaN(), 0.0f}}) {
        Engine e;
        e.mc.SetExportPaths(dir.file("missing/a.csv") + "|" + dir.file("b.csv"));
        const float before = Timer();
        e.mc.RunSimulation(Matrix(UniformRows()), 20, 10, given);
        const float after = Timer();
        if (used != 0.0f) {
            EXPECT_EQ(e.mc.Seed(), used) << given;
        } else if (after >= before) {  // the clock did not pass midnight
            // A run in the tick of the one before takes the next seed the clock has not given.
            EXPECT_GE(e.mc.Seed(), before) << given;
            EXPECT_LE(e.mc.Seed(), std::nextafter(after, 86400.0f)) << given;
        }
        EXPECT_EQ(e.host.messages.size(), 1u);
        EXPECT_FALSE(std::filesystem::exists(dir.file("b.csv")));
        EXPECT_NE(e.mc.Results().mean[0], kNoValue);
    }
}

// Long enough for the beta rows' own inverses; the statistics and measures after the
// trials also split their work over the workers.
TEST(MonteCarloRun, ASeedRepeatsItsRunWhateverTheWorkersAndOtherDraws) {
    test::TempDir dir;
    for (const std::int32_t prng : {0, 1}) {
        SCOPED_TRACE(prng);
        Engine e(prng);
        e.mc.SetExportPaths(dir.file("run.csv") + "|" + dir.file("run.sam"));
        SimulationResults first;
        std::string firstFiles;
        for (const int workers : {1, 8}) {
            WorkerThreads threads(workers);
            Rnd(-99.0f);  // other use of the generators in between
            std::int32_t idum = -99;
            Ran1(idum);
            e.mc.RunSimulation(MixedInputWithTables(), 20000, 200, 1234.5f);
            const std::string files = test::ReadBytes(dir.file("run.csv")) + test::ReadBytes(dir.file("run.sam"));
            if (workers == 1) first = e.mc.Results(), firstFiles = files;
            ExpectSameResults(first, e.mc.Results());
            EXPECT_EQ(files, firstFiles);
        }
        // Every trial's line, in blocks: a heading and the trials, then 11 lines of SAM heading.
        EXPECT_EQ(std::count(firstFiles.begin(), firstFiles.end(), '\n'), 1 + 20000 + 11 + 20000);
    }
}

// With the custom generator and only uniform and look-up quantities a run is fixed bit
// for bit by the documented algorithms. This file was worked out by a separate program
// written from those descriptions alone (ran1 with its constants, the seed times -100,
// thirteen single-precision keys sorted by the exchange quicksort, then one number per
// quantity in that order, p1 to p4 clamped, the outputs left to right).
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
    const Variant inputs =
        Variant::List({Matrix(rows), Variant::List({GoodTable()}, 5), Variant::List({GoodTable()}, 11)});
    test::TempDir dir;
    Engine e(1);
    e.mc.SetExportPaths(dir.file("run.csv"));
    e.mc.RunSimulation(inputs, 6, 200, 12.34f);
    EXPECT_EQ(test::ReadBytes(dir.file("run.csv")), kGoldenRun);
    // Extremes rounded to 15 digits; mean and variance within 4 units in the last place
    // of exact rational sums of the six trial values (to 17 digits: 11.484153859977905
    // ... 24.232652434299268 and 189.85108525062194 ... 312.56903178365809), rounded
    // once. One-pass sums miss the variances by 8 and 20 units.
    const SimulationResults& r = e.mc.Results();
    EXPECT_EQ(r.min[0], 11.4841538599779);
    EXPECT_EQ(r.max[0], 24.2326524342993);
    EXPECT_DOUBLE_EQ(r.mean[0], 16.511396192335084);
    EXPECT_DOUBLE_EQ(r.variance[0], 19.553730574641456);
    EXPECT_EQ(r.min[1], 189.851085250622);
    EXPECT_EQ(r.max[1], 312.569031783658);
    EXPECT_DOUBLE_EQ(r.mean[1], 260.4940253358504);
    EXPECT_DOUBLE_EQ(r.variance[1], 2088.561474776841);
}

// ---- the trial loop on worker threads -----------------------------------------------------

// The trial loop as its definition states it: each trial's order, then each draw; the
// beta rows through the inverse a run of that length builds for them.
void ReferenceTrials(CMonteCarlo& mc, TrialTable& table, const Access::WorkingMatrix& m, EngineTestHost& host) {
    std::array<std::unique_ptr<BetaQuantile>, 13> beta;
    const int octaves = BetaQuantile::OctavesFor(table.trials());
    for (std::size_t k = 0; k < 13; ++k) {
        if (m[k][2] != 3 || !(m[k][1] > 0) || !(m[k][0] > 0) || octaves == 0) continue;
        beta[k] = std::make_unique<BetaQuantile>(m[k][0], m[k][1], octaves, table.trials());
        beta[k]->BuildAll();
    }
    for (std::int32_t t = 1; t <= table.trials(); ++t) {
        host.Yield();
        for (const std::int32_t k : Access::RandomParameterOrder(mc)) {
            const auto& row = m[static_cast<std::size_t>(k)];
            double v = Access::Draw(mc, row[0], row[1], static_cast<std::int32_t>(row[2]), k < 4 ? -1 : k,
                                    beta[static_cast<std::size_t>(k)].get());
            table(t, k) = k < 4 ? std::max(std::min(v, 1.0), 0.0) : v;
        }
        CMonteCarlo::ComputeTrialRisks(table, t);
        CMonteCarlo::ComputeTrialCosts(table, t);
    }
}

// A failure ends the run as the earliest failing draw of that loop does: I1 uniform
// with its upper end just beyond the largest Double overflows about one trial in ten
// thousand, first at trial 20973 from seed 105. Validation lets no negative spread
// through; should one reach the loop, it ends the run at its first draw. The workers
// draw the built-in generator's trials each from its own place in the sequence; a
// number of 0, redrawn, moves every later trial's place: the last row starts from a
// place whose state makes the 5001st trial's fifth number 0 (two outputs of 0 in a
// row; no quantity is uniform, so it is redrawn).
TEST(MonteCarloTrialLoop, AnyNumberOfWorkersGivesTheTableOrFailureOfTheOneByOneLoop) {
    const Rows overflowing =
        WithRow(UniformRows(), 4, std::numeric_limits<double>::max() - 0.9998e304, 1e304 / std::sqrt(3.0), 0);
    Rows noUniform = MixedRows();
    for (const std::size_t k : {3, 8, 11}) noUniform[k][2] = 1;
    for (const auto& [inputs, prng, seed, n, badI4Spread, zeroAt] :
         {std::tuple{MixedInputWithTables(), 0, 4242.25f, 3 * 4096 + 17, 0.0, 0},
          {MixedInputWithTables(), 1, 4242.25f, 3 * 4096 + 17, 0.0, 0},
          {Matrix(overflowing), 0, 105.0f, 40000, 0.0, 0},
          {Matrix(MixedRows()), 1, 2.0f, 20000, -1.5, 0},
          {Matrix(noUniform), 0, 7.0f, 12000, 0.0, 5001}}) {
        EngineTestHost host;
        CMonteCarlo mc(host);
        mc.SetPRNGToUse(prng);
        auto m = Access::Validate(mc, inputs);
        if (badI4Spread < 0) m[7][1] = badI4Spread;
        const std::int32_t placeZeroAt = zeroAt;
        auto start = [&] {
            Access::Seed(mc, seed);
            if (placeZeroAt == 0) return;
            RndPosition zero = RndPosition::FromState(0, 1);  // states below 2^27 give 0
            zero.Skip(0ULL - (52ULL * (placeZeroAt - 1) + 2 * 13 + 2 * 4));
            zero.MakeCurrent();
        };
        start();
        TrialTable reference(n, 0);
        const std::string failure = test::ErrorText([&] { ReferenceTrials(mc, reference, m, host); });
        const bool late = host.yields > 4096 &&
                          failure.starts_with("Overflow in CMonteCarlo.GetAPseudoRandomValue\r\nwith arguments: ");
        ASSERT_EQ(late, seed == 105.0f);
        EXPECT_EQ(failure == "Invalid SD (-1.5) in CMonteCarlo", badI4Spread < 0 && host.yields == 1);
        const RndPosition after = RndPosition::Current();
        for (const int workers : {1, 2, 8}) {
            SCOPED_TRACE(std::to_string(prng * 100 + workers) + " zero at " + std::to_string(placeZeroAt));
            WorkerThreads threads(workers);
            start();
            TrialTable table(n, 0);
            host.yields = 0;
            EXPECT_EQ(test::ErrorText([&] { Access::FillTrials(mc, table, m); }), failure);
            if (!failure.empty()) continue;
            for (int c = 0; c < TrialTable::kColumns; ++c)
                ASSERT_EQ(std::memcmp(reference.column(c), table.column(c), sizeof(double) * n), 0) << c;
            // The sequence goes on where the loop left it; one yield per trial, a redraw's
            // second pass included.
            if (prng != 1) {
                EXPECT_EQ(RndPosition::Current(), after);
            }
            EXPECT_EQ(host.yields, n);
        }
    }
}

// A yield that fails ends the run at its trial, whatever the generator and the workers:
// the error comes out as raised, and no later trial yields. The failing trial is the
// first, one early, one in the middle of the run and the last.
TEST(MonteCarloTrialLoop, AFailedYieldEndsTheRunAtItsTrial) {
    struct FailingHost : EngineTestHost {
        void Yield() override {
            if (++yields == failAt) RaiseOverflow();
        }
        int failAt = 0;
    };
    for (const std::int32_t prng : {0, 1}) {
        for (const int failAt : {1, 300, 5000, 3 * 4096 + 17}) {
            for (const int workers : {1, 2, 8}) {
                SCOPED_TRACE(std::to_string(prng) + " " + std::to_string(failAt) + " " + std::to_string(workers));
                WorkerThreads threads(workers);
                FailingHost host;
                host.failAt = failAt;
                CMonteCarlo mc(host);
                mc.SetPRNGToUse(prng);
                const auto m = Access::Validate(mc, MixedInputWithTables());
                Access::Seed(mc, 4242.25f);
                TrialTable table(3 * 4096 + 17, 0);
                EXPECT_EQ(test::ErrorText([&] { Access::FillTrials(mc, table, m); }), "Overflow");
                EXPECT_EQ(host.yields, failAt);
            }
        }
    }
}

// The processor time the test's threads have used so far: the work done, however much
// else the machine runs meanwhile.
std::chrono::nanoseconds WorkDone() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

// The window gets its turn all through the trial loop, not in one burst while the
// drawing runs ahead of the workers (as the custom generator's did), nor only once the
// first block of trials is done: on two threads the last of the yields, one per trial,
// comes in the second half of the loop's work, and in a run of three blocks of trials
// the first comes in its first third. Every quantity beta, in runs short enough that many
// draws take the search: the work lies in completing trials, not in drawing them. The
// loop is measured in processor time, which a busy machine does not stretch; each case
// still has five tries, and a loop that yields in a burst fails every one.
TEST(MonteCarloTrialLoop, YieldsLastAsLongAsTheLoop) {
    struct TimingHost : EngineTestHost {
        void Yield() override {
            last = WorkDone();
            if (yields++ == 0) first = last;
        }
        std::chrono::nanoseconds first{}, last{};
    };
    struct Case {
        const char* name;
        std::int32_t prng, n;
        bool firstEarly;
    };  // firstEarly: the first yield checked too
    Rows rows{};
    rows.fill({0.4, 0.15, 3});
    WorkerThreads threads(2);
    for (const Case& c : {Case{"custom generator", 1, 4000, false}, Case{"built-in generator", 0, 4000, false},
                          Case{"built-in generator, three blocks", 0, 600, true}}) {
        SCOPED_TRACE(c.name);
        bool lastLate = false, firstEarly = !c.firstEarly;
        for (int attempt = 0; attempt < 5 && !(lastLate && firstEarly); ++attempt) {
            TimingHost host;
            CMonteCarlo mc(host);
            mc.SetPRNGToUse(c.prng);
            const auto m = Access::Validate(mc, Matrix(rows));
            Access::Seed(mc, 31.5f);
            TrialTable table(c.n, 0);
            const auto start = WorkDone();
            Access::FillTrials(mc, table, m);
            const auto end = WorkDone();
            EXPECT_EQ(host.yields, c.n);
            lastLate = lastLate || (host.last - start) * 2 > end - start;
            firstEarly = firstEarly || (host.first - start) * 3 < end - start;
        }
        EXPECT_TRUE(lastLate) << "the last yield in the loop's second half";
        EXPECT_TRUE(firstEarly) << "the first yield in the loop's first third";
    }
}

// The pool's threads stay between calls: shares run side by side, a failure comes back
// from Wait, and a ParallelFor inside a task runs on that task's thread instead of
// waiting for threads that are all busy.
TEST(Workers, SharesRunTogether) {
    std::atomic<int> ran{0}, together{0}, most{0};
    {
        // Each share waits until two have been running at once, however slowly a busy
        // machine starts them; shares taken one after another would wait out the
        // deadline instead, a hang guard of 100 s.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(100);
        WorkerShares shares(4, [&] {
            const int now = ++together;
            for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
            }
            while (most < 2 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
            --together;
            ++ran;
        });
        shares.Wait();
        EXPECT_EQ(shares.started(), 4) << most;
        EXPECT_EQ(ran, 4) << most;
        EXPECT_GT(most, 1) << most;
    }
}

TEST(Workers, AFailedShareIsReportedByWait) {
    WorkerShares failing(2, [] { RaiseOverflow(); });
    EXPECT_EQ(test::ErrorNumber([&] { failing.Wait(); }), err::Overflow);
}

TEST(Workers, NestedLoopsFinish) {
    WorkerThreads threads(8);
    std::vector<int> sums(8, 0);
    ParallelFor(8, [&](int i) { ParallelFor(100, [&](int k) { sums[static_cast<std::size_t>(i)] += k; }); });
    EXPECT_EQ(std::count(sums.begin(), sums.end(), 4950), 8);
}

// ---- the program's host --------------------------------------------------------------------

// The settings are read through the runtime's conversions as they are; only the pace
// of yielding is the host's own.
TEST(ProgramHost, YieldsAtMostOncePerInterval) {
    FakeServices services;
    ProgramSimulationHost host;
    const auto start = std::chrono::steady_clock::now();
    host.Yield();
    EXPECT_EQ(services.yield.count, 1) << "the first call lets events through at once";
    for (int i = 0; i < 10000; ++i) host.Yield();
    // A busy machine may stop the loop for longer than an interval, which then allows
    // one more.
    const auto intervals = (std::chrono::steady_clock::now() - start) / ProgramSimulationHost::kYieldInterval;
    EXPECT_LE(services.yield.count, 1 + intervals);
    const int before = services.yield.count;
    std::this_thread::sleep_for(ProgramSimulationHost::kYieldInterval + std::chrono::milliseconds(5));
    host.Yield();
    EXPECT_EQ(services.yield.count, before + 1);
}

}  // namespace
}  // namespace nuvir

namespace nuvir {
namespace {

// A short run builds no part of its beta inverse, and draws value by value; they must
// be as accurate as a long run's. The reference is the library's inverse in quadruple
// precision, and the 50-digit rows; the double-precision library inverse is off by 11
// ulp at (0.5, 3), 119 at (0.01, 1) and more at (6e-4, 1).
TEST(ShortRunBetaDraws, AreWithinFourUlpOfTheAccurateInverse) {
    Engine s(1, 5.0f);
    const std::pair<double, double> shapes[] = {{6e-4, 1.0}, {6e-4, 0.3}, {0.01, 1.0},
                                                {0.5, 3.0},  {2.0, 5.0},  {3.0, 0.02}};
    for (const auto& [a, b] : shapes) {
        SCOPED_TRACE(testing::Message() << "a = " << a << ", b = " << b);
        const auto draw = [&, a = a, b = b](double u) {
            return std::optional<double>(CMonteCarloTestAccess::TransformInRun(s.mc, u, a, b, 300));
        };
        EXPECT_LE(test::WorstUlpsOffQuadruple(draw, a, b, 300, 11), 4.0);
    }
    for (const test::BetaRow& row : test::kBetaRows) {
        SCOPED_TRACE(testing::Message() << "a = " << row.a << ", b = " << row.b << ", u = " << row.u);
        EXPECT_LE(test::UlpsOff(CMonteCarloTestAccess::TransformInRun(s.mc, row.u, row.a, row.b, 300), row.x), 4.0);
    }
}

}  // namespace
}  // namespace nuvir
