#pragma once
// The Monte Carlo engine: one object per run. The caller sets the generator choice,
// the confidence level and the export paths, calls RunSimulation once, then reads the
// seed used and the result arrays.
//
// The engine reaches the outside only through the SimulationHost given to the
// constructor: it yields once per trial, reads the regression and category settings
// and shows the message box of a failed export. The program's host
// (ProgramSimulationHost, in this library) reads the program-wide settings and yields
// through the platform's yield service, which the program fills with Qt's event loop
// (throttled by time: Yield is called once per trial and returns at once unless some
// milliseconds have passed); tests drive the engine with a scripted host. This library
// links Qt Core (through the platform core and the application data) but not Qt
// Widgets, which configure checks.
//
// The host's Yield lets window events run in the middle of a run: nothing may start
// another run or touch this object from them. Yield is called on the calling thread
// only.
//
// Speed: the trials' uniform numbers come in the one order that reproduces a run from
// its seed. With the built-in generator, whose sequence can be entered anywhere, the
// worker threads (SimulationWorkerThreads()) draw them, each block of trials from its
// own place in the sequence, while the calling thread yields (given more than one
// thread and one block; else the calling thread does all the work); with the custom
// generator, or from a draw of 0 that has to be redrawn on, the calling thread draws
// them and yields while the workers turn the drawn blocks into values. Turning numbers
// into values (the per-trial random order, the inverse distribution functions) and the
// trial outputs are pure functions of those numbers. The table comes out bit-identical
// for any number of workers.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/variant.h"
#include "simulation/statistics.h"
#include "simulation/trialtable.h"

namespace nuvir {

class BetaQuantile;
class SimulationHost;

class CMonteCarlo {
public:
    // The host must outlive the object.
    explicit CMonteCarlo(SimulationHost& host);
    CMonteCarlo(const CMonteCarlo&) = delete;
    CMonteCarlo& operator=(const CMonteCarlo&) = delete;

    // One run. inputs: the 13 x 3 Double matrix (mean, spread, distribution code per
    // quantity), or a generic array (0 To 2) holding that matrix, the impact look-up
    // tables (indices 4 to 8) or a non-array, and the cost look-up tables (9 to 12)
    // or a non-array. The matrix is read by position: its first row is p1 and its
    // first column the mean, whatever its lower bounds. seed: 0 seeds from the clock
    // (ClockSeeds: seeds that run ahead of the clock move on, past midnight too), any
    // other value through its magnitude when that is below 86400. Raises AppError
    // (255 with the engine's own texts, or the runtime's errors).
    void RunSimulation(const Variant& inputs, std::int32_t trials, std::int32_t classes, float seed);

    // 1: the custom generator (MUtilities::Ran1); 0: the built-in generator (Rnd).
    std::int32_t PRNGToUse() const { return prngToUse_; }
    void SetPRNGToUse(std::int32_t value);  // clamped to 0..1
    // Confidence level in percent.
    double CI() const { return ci_; }
    void SetCI(double value);  // clamped to 0..100
    // Export files joined by "|"; empty for none.
    const std::string& ExportPaths() const { return exportPaths_; }
    void SetExportPaths(const std::string& paths) { exportPaths_ = paths; }
    // The seed used by the last run (0 before a run).
    float Seed() const { return seed_; }

    // Copies of the sensitivity results (see SimulationResults).
    // -1: all four measures; 0 Spearman, 1 Pearson, 2 SRC, 3 SRRC; other indices raise
    // Subscript out of range.
    Variant Sensitivities(std::int32_t index) const { return results_.SensitivitiesCopy(index); }
    // -1: both pairs; 0 or 1: one pair; any other index: Empty.
    Variant R2(std::int32_t index) const { return results_.R2Copy(index); }
    // The same results, typed.
    const SimulationResults& Results() const { return results_; }

    // The engine's working copy of the input: per quantity the mean, the spread and the
    // code, converted for drawing (probabilities clamped, lognormal rows as mu and
    // sigma, beta rows as the shapes a and b, look-up rows with code 99).
    using WorkingMatrix = std::array<std::array<double, 3>, TrialTable::kQuantities>;

    // The trial outputs of row t from its thirteen quantities: Risk1-Risk4 and
    // Total_Risk, then Cost1-Cost3 and Total_Cost. An infinite or undefined output
    // raises Overflow.
    static void ComputeTrialRisks(TrialTable& table, std::int32_t t);
    static void ComputeTrialCosts(TrialTable& table, std::int32_t t);

private:
    friend class CMonteCarloTestAccess;

    // One category look-up table in cumulative form, as the draws read it.
    struct LookupTable {
        bool valid = false;  // a two-dimensional Double array with rows 0 and 1
        std::vector<double> values;
        std::vector<double> cumulative;
    };

    WorkingMatrix ValidateSimulationInput(const Variant& inputs);
    void TakeLookupTables(const Variant& inputs, WorkingMatrix& m);
    bool ValidateLookupTable(std::int32_t index, std::int32_t kind, double mean);
    void CacheLookupTables();

    void SeedFromTimer();
    void InitialisePRNG();
    double NextUniform();
    std::array<std::int32_t, TrialTable::kQuantities> RandomParameterOrder(std::int32_t lo, std::int32_t hi);
    double GetAPseudoRandomValue(double mean, double s, std::int32_t code, std::int32_t tableIndex);
    double LookupTableValue(double u, std::int32_t index) const;

    // The pieces of a draw: the uniform number (redrawn while 0 except for code 0) and
    // its value, a pure function of u and the row. TransformUniform raises the
    // wrapped draw error.
    double DrawUniform(std::int32_t code);
    // `beta`, when given, is the inverse of the row's beta distribution.
    double TransformUniform(double u, double mean, double s, std::int32_t code, std::int32_t tableIndex,
                            const BetaQuantile* beta = nullptr) const;
    [[noreturn]] static void RaiseDrawError(const std::string& text, double mean, double s, std::int32_t code);

    // Step 8 of the run: every trial of the table, yielding once per trial.
    void FillTrials(TrialTable& table, const WorkingMatrix& m);
    // What turning a trial's drawn numbers into its row needs; each worker thread works
    // from its own copy.
    struct TrialPlan;
    // The table's plan, without fast beta inverses.
    static TrialPlan PlanTrials(TrialTable& table, const WorkingMatrix& m);
    // The trials one after the other on this thread, each value drawn just before it
    // is transformed.
    void FillTrialsOneByOne(TrialTable& table, const TrialPlan& plan);
    // The inverse of a beta row for a run of that many trials, not yet built: as much
    // of it as the run pays for.
    static std::unique_ptr<BetaQuantile> BetaQuantileFor(double a, double b, std::int32_t trials);
    // The inverses of the beta rows, one per distinct shape pair, built in parallel and
    // pointed to by the plan, which must not outlive them.
    static std::vector<std::unique_ptr<BetaQuantile>> BuildBetaQuantiles(TrialPlan& plan, std::int32_t trials);
    // The values of the first toSlot quantities in the trial's order, by quantity.
    void TransformSlots(const TrialPlan& plan, const std::array<std::int32_t, TrialTable::kQuantities>& order,
                        const std::array<double, TrialTable::kQuantities>& uniforms, int toSlot,
                        std::array<double, TrialTable::kQuantities>& values) const;
    // Trial t's row from its drawn numbers: quantities and outputs. The first form
    // reads the numbers from the row, where the drawing thread left them.
    void CompleteTrial(const TrialPlan& plan, std::int32_t t) const;
    void CompleteTrial(const TrialPlan& plan, std::int32_t t, const std::array<float, TrialTable::kQuantities>& keys,
                       const std::array<double, TrialTable::kQuantities>& uniforms) const;
    // The built-in generator's trials, drawn and completed by the workers, each block
    // of trials from its own place in the sequence, while this thread yields as they
    // complete. False when a number had to be redrawn: that moves the place of every
    // later trial, so the caller draws them on this thread instead, from `resumeBlock`,
    // with the generator at its start; `yielded` trials have had their yield.
    bool FillTrialsInParallel(const TrialPlan& plan, std::int32_t blockTrials, int workers, std::int32_t& resumeBlock,
                              std::int32_t& yielded);
    // The trials drawn on this thread, in trial order, and completed by the workers
    // (the custom generator, or the built-in one from a redraw on).
    class TrialDrawer;

    SimulationHost& host_;
    std::int32_t prngToUse_ = 0;
    double ci_ = 95.0;
    std::string exportPaths_;
    bool exportsFailed_ = false;
    float seed_ = 0.0f;
    // Empty, or the generic array lo To hi of the look-up tables by quantity index.
    Variant lookupTables_;
    std::int32_t lookupLo_ = 0;
    std::int32_t lookupHi_ = -1;
    std::array<LookupTable, TrialTable::kQuantities> lookupCache_;
    SimulationResults results_;
};

}  // namespace nuvir
