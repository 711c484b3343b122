// The Monte Carlo engine end to end: whole runs (trial loop, statistics, frequency
// classes, Pearson and Spearman, both regression measures) at 10^4, 10^5 and 10^6
// trials, the trial loop alone, the statistics step alone (and only its sums) and a run
// with a CSV export. Reports trials per second
// and the peak resident memory of each case, and for runs and trial loops the wait
// before the first yield and the longest time without one (the trial loop's includes
// the time from its last yield to its end).
//
// The input mixes every kind of draw (see MixedInput). Worker threads: SimulationWorkerThreads() (all hardware
// threads unless NUVIR_BENCH_WORKERS says otherwise).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "runtime/variant.h"
#include "simulation/columnsort.h"
#include "simulation/host.h"
#include "simulation/montecarlo.h"
#include "simulation/ranks.h"
#include "simulation/sensitivity.h"
#include "simulation/statistics.h"
#include "simulation/workers.h"

namespace nuvir {

// The door the engine's tests use to reach its private steps; here only the trial loop.
class CMonteCarloTestAccess {
public:
    static TrialTable Trials(CMonteCarlo& mc, const Variant& inputs, std::int32_t trials, float seed) {
        const CMonteCarlo::WorkingMatrix m = mc.ValidateSimulationInput(inputs);
        mc.seed_ = seed;
        mc.InitialisePRNG();
        TrialTable table(trials, 0);
        mc.FillTrials(table, m);
        return table;
    }
    static void TrialLoop(CMonteCarlo& mc, const Variant& inputs, std::int32_t trials, float seed) {
        const TrialTable table = Trials(mc, inputs, trials, seed);
        benchmark::DoNotOptimize(table.column(TrialTable::kTotalRisk));
    }
};

namespace {

// Yields as the program's host would: only when 10 ms have passed since the last yield.
// Also times the engine's calls: the wait from the start of a run to its first yield,
// and the longest time between two yields (that wait included), the worst of all runs.
class BenchHost : public SimulationHost {
public:
    void Yield() override {
        const auto now = std::chrono::steady_clock::now();
        const double gap = std::chrono::duration<double, std::milli>(now - previous_).count();
        if (yields_ == 0) firstWait_ = std::max(firstWait_, gap);
        longestGap_ = std::max(longestGap_, gap);
        previous_ = now;
        ++yields_;
        if (now - last_ >= std::chrono::milliseconds(10)) last_ = now;
    }
    void StartRun() {
        previous_ = std::chrono::steady_clock::now();
        yields_ = 0;
    }
    // The end of the trial loop: the time since the last yield is a gap too (a whole
    // run's statistics after the loop do not yield).
    void EndLoop() {
        const auto now = std::chrono::steady_clock::now();
        longestGap_ = std::max(longestGap_, std::chrono::duration<double, std::milli>(now - previous_).count());
    }
    void Report(benchmark::State& state) const {
        state.counters["first_yield_ms"] = firstWait_;
        state.counters["longest_gap_ms"] = longestGap_;
    }
    bool RegUseConstant() const override { return useConstant; }
    int NumImpactCategories() const override { return 3; }
    int NumCostCategories() const override { return 3; }
    bool HideManagementCosts() const override { return false; }
    void ShowMessage(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "export failed: %s\n", text.c_str());
    }

    bool useConstant = false;

private:
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point previous_ = last_;
    std::int64_t yields_ = 0;
    double firstWait_ = 0.0, longestGap_ = 0.0;
};

// Profile 0: beta p1-p3 (shapes 13.8/9.2, 2.625/2.625, 3.87/5.8), uniform p4, lognormal
// I1-I4, uniform I5, normal FC1-FC4. Profile 1: the same with normal p1-p3, to show
// the engine without the inverse beta. Profile 2: beta p1-p4, lognormal I1-I5, normal
// FC1-FC4. Profile 3 ("model A"): beta p1-p4 of everyday shapes (a and b from 3.5 to 31),
// and every other kind. Profile 4 ("model C"): its beta rows skewed: a = 0.01 with b = 1,
// a = 2 with b = 9998, a = b = 0.02 and a = 1 with b = 0.01. Profile 5: model A with
// only p1 at a = 0.01, b = 1. Profile 6: model A with p1 at mean 0.002 and SD 0.039
// (a = 6.2e-4, b = 0.31).
Variant MixedInput(int profile = 0) {
    double rows[13][3] = {{0.6, 0.1, 3}, {0.5, 0.2, 3}, {0.4, 0.15, 3}, {0.7, 0.1, 0}, {10, 3, 2},
                          {20, 5, 2},    {30, 6, 2},    {40, 20, 2},    {50, 10, 0},   {100, 10, 1},
                          {200, 40, 1},  {300, 10, 1},  {400, 50, 1}};
    if (profile >= 3) {
        const double modelA[13][3] = {{0.9, 0.05, 3}, {0.6, 0.15, 3}, {0.3, 0.10, 3}, {0.75, 0.08, 3}, {10, 3, 2},
                                      {20, 8, 2},     {50, 10, 2},    {80, 15, 1},    {200, 40, 0},    {100, 10, 1},
                                      {50, 20, 1},    {30, 5, 0},     {40, 10, 2}};
        std::copy(&modelA[0][0], &modelA[0][0] + 39, &rows[0][0]);
    }
    if (profile == 4) {
        const double skewed[4][2] = {{0.0099, 0.0698}, {0.0002, 0.0001414}, {0.5, 0.49}, {0.99, 0.0698}};
        for (int r = 0; r < 4; ++r) rows[r][0] = skewed[r][0], rows[r][1] = skewed[r][1];
    }
    if (profile == 5) rows[0][0] = 0.0099, rows[0][1] = 0.0698;
    if (profile == 6) rows[0][0] = 0.002, rows[0][1] = 0.039;
    if (profile == 1)
        for (int r = 0; r < 3; ++r) rows[r][2] = 1;
    if (profile == 2) {
        rows[3][2] = 3;
        rows[8][2] = 2;
    }
    Variant m = Variant::MakeArray(VarType::Double, {Bounds{0, 12}, Bounds{0, 2}});
    for (int r = 0; r < 13; ++r)
        for (int c = 0; c < 3; ++c) m(r, c) = Variant(rows[r][c]);
    return m;
}

// Peak resident memory since the last reset, in MB (Linux).
void ResetPeakMemory() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}
double PeakMemoryMB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return 0.0;
}

void ConfigureWorkers() {
    if (const char* w = std::getenv("NUVIR_BENCH_WORKERS")) SetSimulationWorkerThreads(std::atoi(w));
}

void Report(benchmark::State& state, std::int64_t trials) {
    state.counters["trials/s"] =
        benchmark::Counter(static_cast<double>(trials), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_MB"] = PeakMemoryMB();
    state.counters["workers"] = SimulationWorkerThreads();
}

void BM_WholeRun(benchmark::State& state) {
    ConfigureWorkers();
    const auto trials = static_cast<std::int32_t>(state.range(0));
    const std::int32_t prng = static_cast<std::int32_t>(state.range(1));
    const Variant inputs = MixedInput(static_cast<int>(state.range(2)));
    BenchHost host;
    ResetPeakMemory();
    for (auto _ : state) {
        CMonteCarlo mc(host);
        mc.SetPRNGToUse(prng);
        host.StartRun();
        mc.RunSimulation(inputs, trials, 200, 12345.5f);
        benchmark::DoNotOptimize(mc.Results().mean[0]);
    }
    Report(state, trials);
    host.Report(state);
}

void BM_TrialLoop(benchmark::State& state) {
    ConfigureWorkers();
    const auto trials = static_cast<std::int32_t>(state.range(0));
    const Variant inputs = MixedInput(static_cast<int>(state.range(2)));
    BenchHost host;
    ResetPeakMemory();
    for (auto _ : state) {
        CMonteCarlo mc(host);
        mc.SetPRNGToUse(static_cast<std::int32_t>(state.range(1)));
        host.StartRun();
        CMonteCarloTestAccess::TrialLoop(mc, inputs, trials, 12345.5f);
        host.EndLoop();
    }
    Report(state, trials);
    host.Report(state);
}

// The statistics step of a run alone, on the trials of profile 0: the output
// statistics and the four measures (the sorts and ranks included), with the constant
// term (1) or without (0). The table is copied back before each pass, outside the
// timing, since the measures rank it in place.
void BM_Statistics(benchmark::State& state) {
    ConfigureWorkers();
    const auto trials = static_cast<std::int32_t>(state.range(0));
    BenchHost host;
    host.useConstant = state.range(1) != 0;
    CMonteCarlo mc(host);
    const TrialTable source = CMonteCarloTestAccess::Trials(mc, MixedInput(), trials, 12345.5f);
    std::optional<TrialTable> table;
    for (auto _ : state) {
        state.PauseTiming();
        table.emplace(source);
        SimulationResults results;
        state.ResumeTiming();
        results.ComputeStatisticsAndMeasures(*table, 200, 95.0, host);
        benchmark::DoNotOptimize(results.variance[0]);
    }
    Report(state, trials);
}

// Only the sums of that step, on the same trials: mean and variance of the nine sorted
// outputs, the Pearson correlations and both regressions on the values, without the
// sorts and ranks that dominate the step.
void BM_StatisticsSums(benchmark::State& state) {
    ConfigureWorkers();
    const auto trials = static_cast<std::int32_t>(state.range(0));
    BenchHost host;
    CMonteCarlo mc(host);
    TrialTable table = CMonteCarloTestAccess::Trials(mc, MixedInput(), trials, 12345.5f);
    std::vector<std::vector<double>> sorted;
    for (int m = 0; m < TrialTable::kOutputs; ++m) {
        sorted.push_back(ExtractColumn(table, TrialTable::kTotalRisk + m));
        SortColumn(sorted.back());
    }
    for (auto _ : state) {
        SimulationResults results;
        ParallelFor(TrialTable::kOutputs, [&](int m) { results.MeanVariance(sorted[static_cast<std::size_t>(m)], m); });
        benchmark::DoNotOptimize(CorrelationSensitivities(table, false));
        SensitivityTable coefficients;
        benchmark::DoNotOptimize(RegressionSensitivities(table, state.range(1) != 0, coefficients));
    }
    Report(state, trials);
}

void BM_WholeRunWithCsvExport(benchmark::State& state) {
    ConfigureWorkers();
    const auto trials = static_cast<std::int32_t>(state.range(0));
    const Variant inputs = MixedInput();
    const auto dir = std::filesystem::temp_directory_path() / "nuvir-engine-bench";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "trials.csv").generic_string();
    BenchHost host;
    ResetPeakMemory();
    for (auto _ : state) {
        CMonteCarlo mc(host);
        mc.SetExportPaths(path);
        mc.RunSimulation(inputs, trials, 200, 12345.5f);
    }
    Report(state, trials);
    state.counters["csv_MB"] = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
    std::filesystem::remove_all(dir);
}

// Ranking and sorting columns as the run does: `columns` columns of `trials` lognormal
// values at once, one column per worker task.
void ColumnsBench(benchmark::State& state, void (*op)(std::span<double>)) {
    ConfigureWorkers();
    const auto trials = static_cast<std::size_t>(state.range(0));
    const int columns = static_cast<int>(state.range(1));
    std::mt19937_64 gen(7);
    std::lognormal_distribution<double> draw(0.0, 1.0);
    std::vector<double> source(trials);
    for (auto& x : source) x = draw(gen);
    std::vector<std::vector<double>> work(static_cast<std::size_t>(columns));
    for (auto _ : state) {
        state.PauseTiming();
        for (auto& w : work) w = source;
        state.ResumeTiming();
        ParallelFor(columns, [&](int c) { op(work[static_cast<std::size_t>(c)]); });
    }
    state.counters["values/s"] =
        benchmark::Counter(static_cast<double>(trials) * columns, benchmark::Counter::kIsIterationInvariantRate);
}
void BM_RankColumns(benchmark::State& state) { ColumnsBench(state, RankColumn); }
void BM_SortColumns(benchmark::State& state) { ColumnsBench(state, SortColumn); }
BENCHMARK(BM_RankColumns)
    ->Args({1000000, 1})
    ->Args({1000000, 22})
    ->Args({100000, 22})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_SortColumns)
    ->Args({1000000, 1})
    ->Args({1000000, 9})
    ->Args({100000, 9})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(BM_TrialLoop)
    ->ArgNames({"trials", "custom", "profile"})
    ->ArgsProduct({{10000, 100000, 1000000}, {0, 1}, {0, 3, 4}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_WholeRun)
    ->ArgNames({"trials", "custom", "profile"})
    ->Args({10000, 0, 0})
    ->Args({100000, 0, 0})
    ->Args({1000000, 0, 0})
    ->Args({1000000, 1, 0})
    ->Args({100000, 0, 1})
    ->Args({1000000, 0, 1})
    ->Args({100000, 0, 2})
    ->Args({1000000, 0, 2})
    ->ArgsProduct({{10000, 100000}, {0, 1}, {3, 4, 5}})
    ->Args({1000000, 0, 3})
    ->Args({1000000, 1, 3})
    ->Args({1000000, 0, 4})
    ->Args({1000000, 1, 4})
    ->ArgsProduct({{300}, {0, 1}, {3, 4, 6}})
    ->Args({10000, 0, 6})
    ->Args({1000000, 0, 6})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Statistics)
    ->ArgNames({"trials", "constant"})
    ->ArgsProduct({{1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_StatisticsSums)
    ->ArgNames({"trials", "constant"})
    ->ArgsProduct({{1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_WholeRunWithCsvExport)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace nuvir
