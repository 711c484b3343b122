#include "simulation/montecarlo.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>
#include <type_traits>

#include "numerics/betaquantile.h"
#include "numerics/numerics.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "runtime/rnd.h"
#include "simulation/clockseeds.h"
#include "simulation/export.h"
#include "simulation/host.h"
#include "simulation/ran1.h"
#include "simulation/runmemory.h"
#include "simulation/workers.h"
#include "utilities/formatting.h"
#include "utilities/utilities_arrays.h"
#include "utilities/utilities_rounding.h"

namespace nuvir {

namespace {

constexpr int kQ = TrialTable::kQuantities;
constexpr int kImpactKind = 42;  // item numbers of the categorical switches
constexpr int kCostKind = 43;
constexpr std::int32_t kLookupCode = 99;

const std::string kInSimulation = ") in array passed to CMonteCarlo.RunSimulation";

// Arithmetic of the conversions: an infinite or undefined result is an error, as it
// would be in the language the formulas come from.
double Finite(double x) {
    if (!std::isfinite(x)) RaiseOverflow();
    return x;
}
double Divide(double a, double b) {
    if (b == 0.0) {
        if (a == 0.0 || std::isnan(a)) RaiseOverflow();
        RaiseDivisionByZero();
    }
    return Finite(a / b);
}
double Log(double x) {
    if (!(x > 0.0)) RaiseInvalidCall();
    return Finite(std::log(x));
}
double Sqr(double x) {
    if (x < 0.0) RaiseInvalidCall();
    return Finite(std::sqrt(x));
}

using Order = std::array<std::int32_t, kQ>;

// The per-trial order of the quantities: their indices sorted by their keys with the
// program's quicksort, whose exchange order decides where equal keys end up.
Order QuickSortOrder(std::int32_t lo, const std::array<float, kQ>& keys) {
    std::array<float, kQ> key = keys;
    Order index{};
    for (int i = 0; i < kQ; ++i) index[static_cast<std::size_t>(i)] = lo + i;
    MUtilities::QuickSortPositions(
        0, kQ - 1, [&](std::int32_t p) { return key[static_cast<std::size_t>(p)]; },
        [&](std::int32_t p, std::int32_t q) {
            std::swap(key[static_cast<std::size_t>(p)], key[static_cast<std::size_t>(q)]);
            std::swap(index[static_cast<std::size_t>(p)], index[static_cast<std::size_t>(q)]);
        });
    return index;
}

// The same order, found faster: when no two keys are equal the ascending order is
// unique, so any sort gives what the quicksort gives; only keys with a tie (a few
// trials in a million) need the quicksort itself.
Order OrderFromKeys(std::int32_t lo, const std::array<float, kQ>& keys) {
    // Each key's place is the number of keys below it; without ties the places are
    // 0 to 12, each once. Counted branch-free over 16 lanes (random keys defeat branch
    // prediction, and the lanes let the compiler use vector compares); the padding
    // lanes hold 2, above every key, and count nothing into the real ones.
    alignas(32) float key[16];
    for (int i = 0; i < 16; ++i) key[i] = i < kQ ? keys[static_cast<std::size_t>(i)] : 2.0f;
    alignas(32) std::int32_t place[16] = {};
    for (int j = 0; j < kQ; ++j) {
        const float kj = key[j];
        for (int i = 0; i < 16; ++i) place[i] += kj < key[i] ? 1 : 0;
    }
    std::uint32_t seen = 0;
    for (int i = 0; i < kQ; ++i) seen |= 1u << place[i];
    if (seen != (1u << kQ) - 1u) return QuickSortOrder(lo, keys);
    Order index{};
    for (int i = 0; i < kQ; ++i) index[static_cast<std::size_t>(place[i])] = lo + i;
    return index;
}

// Between drawing and transforming, a trial's row holds its raw numbers: the thirteen
// draw uniforms in draw order in the quantity columns, and the thirteen permutation
// keys (single precision) packed as bytes into the first output columns, which the
// outputs overwrite afterwards. The run thus needs no memory beyond the table.
constexpr int kKeyColumns = (kQ * static_cast<int>(sizeof(float)) + 7) / 8;
static_assert(kKeyColumns <= TrialTable::kOutputs);

void StoreRaw(TrialTable& table, std::int32_t t, const std::array<float, kQ>& keys,
              const std::array<double, kQ>& uniforms) {
    const std::int32_t c0 = table.firstColumn();
    for (int i = 0; i < kQ; ++i) table(t, c0 + i) = uniforms[static_cast<std::size_t>(i)];
    unsigned char bytes[kKeyColumns * 8] = {};
    std::memcpy(bytes, keys.data(), sizeof(float) * kQ);
    for (int c = 0; c < kKeyColumns; ++c)
        std::memcpy(table.column(c0 + TrialTable::kTotalRisk + c) + (t - 1), bytes + 8 * c, 8);
}

}  // namespace

CMonteCarlo::CMonteCarlo(SimulationHost& host) : host_(host) {}

void CMonteCarlo::SetPRNGToUse(std::int32_t value) {
    prngToUse_ = static_cast<std::int32_t>(MathFunctions::Max(MathFunctions::Min(value, 1.0), 0.0));
}

void CMonteCarlo::SetCI(double value) { ci_ = MathFunctions::Max(MathFunctions::Min(value, 100.0), 0.0); }

// ---- the run ------------------------------------------------------------------------

void CMonteCarlo::RunSimulation(const Variant& inputs, std::int32_t trials, std::int32_t classes, float seed) {
    if (trials < 2) RaiseComponentError("Can't do simulation with only (" + CStr(Variant(trials)) + ") trial(s).");
    exportsFailed_ = false;
    results_.InitialiseResultArrays();
    lookupTables_ = Variant();
    lookupLo_ = 0;
    lookupHi_ = -1;
    lookupCache_ = {};

    const WorkingMatrix m = ValidateSimulationInput(inputs);
    // A run that cannot fit is refused before it starts, not ended by the system half
    // way through with everything unsaved.
    runmemory::CheckRunFits(trials);

    if (seed == 0.0f) {
        SeedFromTimer();
    } else {
        seed_ = std::fabs(seed);
        const double s = seed_;
        // Written so that a seed that is not a number also takes the clock.
        if (!(s > 0.0 && s < 86400.0)) SeedFromTimer();
    }
    InitialisePRNG();

    try {
        // The trial loop writes every cell.
        TrialTable table(trials, 0, TrialTable::Unfilled{});
        FillTrials(table, m);
        ExportTrialData(table, exportPaths_, exportsFailed_, host_);
        results_.ComputeStatisticsAndMeasures(table, classes, ci_, host_);
    } catch (const std::bad_alloc&) {
        RaiseOutOfMemory();
    } catch (const std::length_error&) {
        RaiseOutOfMemory();
    }
}

// ---- input ----------------------------------------------------------------------------

namespace {

using Row = std::array<double, 3>;

// The inputs are a 2-D Double array of thirteen rows and three columns, whatever its
// lower bounds.
void CheckInputShape(const Variant& matrix) {
    if (!matrix.isArray() || matrix.elemKind() != VarType::Double) RaiseTypeMismatch();
    if (matrix.dims() != 2) RaiseComponentError("Invalid array passed to CMonteCarlo.RunSimulation");
    if (matrix.bounds(2).count() != 3)
        RaiseComponentError("Wrong number of columns in array passed to CMonteCarlo.RunSimulation");
    if (matrix.ubound(1) - matrix.lbound(1) != 12)
        RaiseComponentError("Wrong number of rows in array passed to CMonteCarlo.RunSimulation");
}

// The rows by position, each with a spread of at least 0 and a whole distribution code
// from 0 to 3.
CMonteCarlo::WorkingMatrix ReadCheckedRows(const Variant& matrix) {
    CMonteCarlo::WorkingMatrix m{};
    const std::int32_t r0 = matrix.lbound(1), c0 = matrix.lbound(2);
    for (int k = 0; k < kQ; ++k)
        for (int c = 0; c < 3; ++c)
            m[static_cast<std::size_t>(k)][static_cast<std::size_t>(c)] = matrix(r0 + k, c0 + c).rawDouble();

    for (const auto& row : m) {
        if (row[1] < 0.0) RaiseComponentError("Bad SD (" + FormatDouble(row[1]) + kInSimulation);
        const double code = row[2];
        if (!(code >= 0.0 && code <= 3.0 && code == std::floor(code)))
            RaiseComponentError("Bad distribution type (" + FormatDouble(code) + kInSimulation);
    }
    return m;
}

// The first and last row that the two look-up lists (impacts, costs) cover.
void LookupRowRange(const Variant& inputs, std::int32_t& lo, std::int32_t& hi) {
    for (int i = 1; i <= 2; ++i) {
        const Variant& list = inputs(i);
        if (!list.isArray()) continue;
        lo = static_cast<std::int32_t>(MathFunctions::Min(static_cast<double>(lo), list.lbound(1)));
        hi = list.ubound(1);
    }
}

// A lognormal row's mean and spread become the mean and spread of its logarithm.
void ToLognormalParameters(Row& row) {
    const double mean = row[0];
    const double s = row[1];
    if (mean <= 0.0) RaiseComponentError("Bad mean (" + FormatDouble(mean) + kInSimulation + " for LN distribution");
    if (!(s > 0.0)) return;
    const double meanSquared = Finite(mean * mean);
    const double mu = Log(Divide(meanSquared, Sqr(Finite(Finite(s * s) + meanSquared))));
    const double ratio = Divide(s, mean);
    const double sigma = Sqr(Log(Finite(Finite(ratio * ratio) + 1.0)));
    if (Round15(sigma) == 0.0) {
        // A spread so small against the mean that the logarithm's spread rounds to 0:
        // the row would then draw mu, the mean of the logarithm, in every trial. Keep it
        // as the mean with no spread.
        row[1] = 0.0;
    } else {
        row[0] = Round15(mu);
        row[1] = Round15(sigma);
    }
}

// A beta row's mean and spread become its shapes a and b.
void ToBetaShapes(Row& row) {
    const double mean = row[0];
    const double s = row[1];
    if (!(mean > 0.0 && mean < 1.0))
        RaiseComponentError("Bad mean (" + FormatDouble(mean) + kInSimulation + " for B distribution");
    if (!(s > 0.0)) return;
    const double t = Finite(Divide(1.0, mean) - 1.0);
    const double tPlus1 = t + 1.0;
    const double k = Finite(Divide(t, Finite(Finite(s * s) * Finite(tPlus1 * tPlus1))) - 1.0);
    // At the largest spread the mean allows, k is 0 and both shapes would be 0: the
    // quantity would draw 0 in every trial. Beyond it they are negative. Either way the
    // spread is unusable.
    if (k <= 0.0) RaiseComponentError("Bad SD (" + FormatDouble(s) + kInSimulation);
    const double b = Finite(k * Divide(t, tPlus1));
    const double a = Divide(b, t);
    row[0] = Round15(a);
    row[1] = Round15(b);
}

}  // namespace

CMonteCarlo::WorkingMatrix CMonteCarlo::ValidateSimulationInput(const Variant& inputs) {
    const bool wrapped = inputs.isArray() && inputs.elemKind() == VarType::Generic;
    const Variant& matrix = wrapped ? static_cast<const Variant&>(inputs(0)) : inputs;
    CheckInputShape(matrix);
    WorkingMatrix m = ReadCheckedRows(matrix);

    if (wrapped) TakeLookupTables(inputs, m);

    for (int r = 0; r < 4; ++r) {
        double& p = m[static_cast<std::size_t>(r)][0];
        p = MathFunctions::Max(MathFunctions::Min(p, 1.0), 0.0);
    }

    for (auto& row : m) {
        if (row[2] == 2.0) {
            ToLognormalParameters(row);
        } else if (row[2] == 3.0) {
            ToBetaShapes(row);
        }
    }
    return m;
}

// Look-up rows take their tables from the lists after the matrix (impacts, then costs);
// each table is checked against its row's mean and the row is marked as a look-up row.
void CMonteCarlo::TakeLookupTables(const Variant& inputs, WorkingMatrix& m) {
    const std::int32_t lastRow = kQ - 1;
    std::int32_t lo = lastRow + 1;
    std::int32_t hi = 0;
    LookupRowRange(inputs, lo, hi);
    if (lo > lastRow) RaiseComponentError("Unexpected error: Expected look-up tables for impacts and/or costs");
    lookupTables_ = Variant::MakeArray(VarType::Generic, {Bounds{lo, hi}});
    lookupLo_ = lo;
    lookupHi_ = hi;
    for (int i = 1; i <= 2; ++i) {
        const Variant& list = inputs(i);
        if (!list.isArray()) continue;
        for (std::int32_t j = list.lbound(1); j <= list.ubound(1); ++j) {
            lookupTables_(j) = list(j);
            if (j < 0 || j > lastRow) RaiseSubscriptOutOfRange();
            auto& row = m[static_cast<std::size_t>(j)];
            if (!ValidateLookupTable(j, i == 1 ? kImpactKind : kCostKind, row[0])) {
                if (i == 1) RaiseComponentError("Bad discrete lookup table (I" + CStr(Variant(j - 3)) + ")");
                RaiseComponentError("Bad discrete lookup table (FC" + CStr(Variant(j - 8)) + ")");
            }
            row[1] = NumericLimits::LargestDouble;
            row[2] = kLookupCode;
        }
    }
    CacheLookupTables();
}

bool CMonteCarlo::ValidateLookupTable(std::int32_t index, std::int32_t kind, double mean) {
    if (lookupTables_.dims() != 1) return false;
    if (index < lookupTables_.lbound(1) || index > lookupTables_.ubound(1)) return false;
    const Variant& t = lookupTables_(index);
    if (t.dims() != 2 || t.elemKind() != VarType::Double) return false;
    if (!(t.lbound(1) <= 0 && t.ubound(1) >= 1)) return false;
    const std::int32_t n = kind == kImpactKind ? host_.NumImpactCategories() : host_.NumCostCategories();
    if (n < 1 || t.lbound(2) != 0 || t.ubound(2) != n - 1) return false;

    auto at = [&](std::int32_t r, std::int32_t c) { return t(r, c).rawDouble(); };
    for (std::int32_t c = 1; c < n; ++c)
        if (!(at(0, c) >= at(0, c - 1))) return false;
    for (std::int32_t c = 1; c < n; ++c)
        if (!(at(1, c) >= at(1, c - 1))) return false;
    for (std::int32_t c = 0; c < n; ++c)
        if (!(at(1, c) >= 0.0 && at(1, c) <= 1.0)) return false;

    auto increment = [&](std::int32_t c) { return c == 0 ? at(1, 0) : at(1, c) - at(1, c - 1); };
    double sum = increment(0);
    for (std::int32_t c = 1; c < n; ++c) sum += increment(c);
    if (FormatDouble(MUtilities::RoundSigFigs(sum, 4)) != "1") return false;

    double expected = 0.0;
    for (std::int32_t c = 0; c < n; ++c) expected += Round15(Finite(at(0, c) * increment(c)));
    return MKelvaro::FormatSigFigs(expected, 4) == MKelvaro::FormatSigFigs(mean, 4);
}

void CMonteCarlo::CacheLookupTables() {
    lookupCache_ = {};
    if (lookupTables_.dims() != 1) return;
    for (std::int32_t k = std::max(lookupLo_, 0); k <= std::min(lookupHi_, kQ - 1); ++k) {
        const Variant& t = lookupTables_(k);
        if (t.dims() != 2 || t.elemKind() != VarType::Double || t.lbound(1) > 0 || t.ubound(1) < 1) continue;
        LookupTable& cached = lookupCache_[static_cast<std::size_t>(k)];
        cached.valid = true;
        for (std::int32_t c = t.lbound(2); c <= t.ubound(2); ++c) {
            cached.values.push_back(t(0, c).rawDouble());
            cached.cumulative.push_back(t(1, c).rawDouble());
        }
    }
}

// ---- seeding and drawing --------------------------------------------------------------

void CMonteCarlo::SeedFromTimer() {
    ClockReading clock;
    do {
        clock = LocalClock();
    } while (clock.seconds <= 0.0f);
    seed_ = ClockSeeds::Process().Next(clock, prngToUse_);
}

void CMonteCarlo::InitialisePRNG() {
    if (prngToUse_ == 1) {
        // Seed * 100 is exact in double; halves round to even. A seed below 0.005 would
        // give 0, which does not reseed: the run would then not be reproducible from
        // its seed, so the smallest seeds start the sequence of -1.
        const double product = static_cast<double>(seed_) * -100.0;
        std::int32_t idum = static_cast<std::int32_t>(std::nearbyint(product));
        if (idum > -1) idum = -1;
        MUtilities::Ran1(idum);
    } else {
        Rnd(-seed_);
    }
}

namespace {

// One uniform number from two values of the built-in generator, in the order drawn.
inline double CombineUniform(float r1, float r2) {
    double x = static_cast<double>(r2) + static_cast<double>(r1) * 1E-07;
    if (x >= 1.0) x -= 1.0;
    return x;
}

// One uniform number from the custom generator or from two values of the built-in one.
template <bool kCustom>
inline double NextUniformFrom() {
    if constexpr (kCustom) {
        std::int32_t idum = 1;
        const double x = MUtilities::Ran1(idum);
        return x >= 1.0 ? x - 1.0 : x;
    } else {
        const float r1 = Rnd();
        const float r2 = Rnd();
        return CombineUniform(r1, r2);
    }
}

inline double NextUniformFrom(RndPosition& sequence) {
    const float r1 = sequence.Next();
    const float r2 = sequence.Next();
    return CombineUniform(r1, r2);
}

// Built-in values a trial draws when nothing is redrawn: two for each of the thirteen
// keys and the thirteen numbers.
constexpr std::uint64_t kValuesPerTrial = 2 * 2 * kQ;

}  // namespace

double CMonteCarlo::NextUniform() { return prngToUse_ == 1 ? NextUniformFrom<true>() : NextUniformFrom<false>(); }

std::array<std::int32_t, TrialTable::kQuantities> CMonteCarlo::RandomParameterOrder(std::int32_t lo, std::int32_t hi) {
    if (hi - lo + 1 != kQ) RaiseSubscriptOutOfRange();
    std::array<float, kQ> keys{};
    for (auto& key : keys) key = static_cast<float>(NextUniform());
    return OrderFromKeys(lo, keys);
}

double CMonteCarlo::DrawUniform(std::int32_t code) {
    double u = NextUniform();
    if (code != 0)
        while (u == 0.0) u = NextUniform();
    return u;
}

void CMonteCarlo::RaiseDrawError(const std::string& text, double mean, double s, std::int32_t code) {
    const Variant arguments = Variant::List({Variant(mean), Variant(s), Variant(code)});
    RaiseComponentError(
        text + " in CMonteCarlo.GetAPseudoRandomValue\r\nwith arguments: " + MUtilities::JoinArray1D(arguments, ","));
}

double CMonteCarlo::GetAPseudoRandomValue(double mean, double s, std::int32_t code, std::int32_t tableIndex) {
    if (s < 0.0) RaiseComponentError("Invalid SD (" + FormatDouble(s) + ") in CMonteCarlo");
    double u;
    try {
        u = DrawUniform(code);
    } catch (const AppError& e) {
        RaiseDrawError(e.description(), mean, s, code);
    }
    return TransformUniform(u, mean, s, code, tableIndex);
}

double CMonteCarlo::TransformUniform(double u, double mean, double s, std::int32_t code, std::int32_t tableIndex,
                                     const BetaQuantile* beta) const {
    if (s == 0.0) return mean;
    try {
        double x = 0.0;
        switch (code) {
            case 0: x = (u - 0.5) * (std::sqrt(12.0) * s) + mean; break;
            case 1: x = DistributionFunctions::InverseNormal(u, mean, s); break;
            case 2: x = DistributionFunctions::InverseLognormal(u, mean, s); break;
            case 3:
                // Without the run's inverse (a single draw) the value is searched for: the
                // library's everyday inverse is off by several ulp for everyday shapes and
                // by hundreds near a shape of 0.001.
                x = (beta != nullptr ? (*beta)(u) : betaquantile::AccurateInverseBeta(u, mean, s)).value_or(0.0);
                break;
            case kLookupCode:
                if (tableIndex < lookupLo_ || tableIndex > lookupHi_ || lookupTables_.dims() != 1)
                    RaiseComponentError("Unexpected error referencing a non-existent lookup table (" +
                                        CStr(Variant(tableIndex)) + ")");
                x = LookupTableValue(u, tableIndex);
                break;
            default: break;
        }
        return Finite(x);
    } catch (const AppError& e) {
        RaiseDrawError(e.description(), mean, s, code);
    }
}

double CMonteCarlo::LookupTableValue(double u, std::int32_t index) const {
    if (index < 0 || index >= kQ) RaiseSubscriptOutOfRange();
    const LookupTable& t = lookupCache_[static_cast<std::size_t>(index)];
    if (!t.valid) RaiseTypeMismatch();
    for (std::size_t c = 0; c < t.cumulative.size(); ++c)
        if (u <= t.cumulative[c]) return t.values[c];
    return 0.0;
}

// ---- trial outputs ----------------------------------------------------------------------

namespace {

// The outputs of one trial from its quantities q (p1-p4, I1-I5, FC1-FC4), into out by
// output column (0 Total_Risk, 1 Total_Cost, 2-5 Risk1-Risk4, 6-8 Cost1-Cost3).
// Products in the order written, each sum formed from the one before.
inline void TrialRisks(const double* q, double* out) {
    const double p1 = q[0], p2 = q[1], p3 = q[2], p4 = q[3];
    const double i1 = q[4], i2 = q[5], i3 = q[6], i4 = q[7], i5 = q[8];
    const double risk1 = (1.0 - p1) * i1;
    const double risk2 = risk1 + (1.0 - p2) * p1 * i2;
    const double risk3 = risk2 + p2 * p1 * (1.0 - p3) * i3;
    const double risk4 = risk3 + p2 * p1 * p3 * (1.0 - p4) * i4;
    const double total = risk4 + p2 * p1 * p3 * p4 * i5;
    out[2] = Finite(risk1);
    out[3] = Finite(risk2);
    out[4] = Finite(risk3);
    out[5] = Finite(risk4);
    out[0] = Finite(total);
}

// p4 plays no part in the costs.
inline void TrialCosts(const double* q, double* out) {
    const double p1 = q[0], p2 = q[1], p3 = q[2];
    const double fc1 = q[9], fc2 = q[10], fc3 = q[11], fc4 = q[12];
    const double cost1 = fc1;
    const double cost2 = cost1 + fc2 * p1;
    const double cost3 = cost2 + p2 * p1 * fc3;
    const double total = cost3 + p2 * p1 * p3 * fc4;
    out[6] = Finite(cost1);
    out[7] = Finite(cost2);
    out[8] = Finite(cost3);
    out[1] = Finite(total);
}

std::array<double, kQ> RowQuantities(const TrialTable& table, std::int32_t t) {
    std::array<double, kQ> q{};
    for (int k = 0; k < kQ; ++k) q[static_cast<std::size_t>(k)] = table(t, table.firstColumn() + k);
    return q;
}

}  // namespace

void CMonteCarlo::ComputeTrialRisks(TrialTable& table, std::int32_t t) {
    double out[TrialTable::kOutputs];
    TrialRisks(RowQuantities(table, t).data(), out);
    const std::int32_t first = table.lastColumn() - 8;  // the outputs are counted from the last column
    table(t, first) = out[0];
    for (int i = 2; i <= 5; ++i) table(t, first + i) = out[i];
}

void CMonteCarlo::ComputeTrialCosts(TrialTable& table, std::int32_t t) {
    double out[TrialTable::kOutputs];
    TrialCosts(RowQuantities(table, t).data(), out);
    const std::int32_t first = table.lastColumn() - 8;
    table(t, first + 1) = out[1];
    for (int i = 6; i <= 8; ++i) table(t, first + i) = out[i];
}

// ---- the trial loop -----------------------------------------------------------------------
//
// A trial draws the thirteen keys of the random order and one uniform number per
// quantity slot; only the rare draw of exactly 0 needs the order itself (a redraw for
// every code but uniform), and then computes it on the spot. Everything after that
// (the order, the inverse distribution functions, the clamps, the outputs) depends on
// these numbers alone. A failure is the one of the earliest trial, as if the trials
// had run one after the other, and the calling thread yields once per trial.
//
// With the built-in generator, whose sequence can be entered anywhere, the workers
// draw and complete whole blocks of trials, each from its block's place in the
// sequence, while the calling thread yields as they complete (FillTrialsInParallel).
// Otherwise the calling thread yields and draws, and the workers complete blocks of
// drawn trials in trial order within a block; the drawing thread stays at most a block
// ahead of them, completing blocks itself meanwhile, so that its yields last as long as
// the work instead of coming in one burst at the start (TrialDrawer).
//
// The workers read only their own copy of the plan and write only their blocks' rows,
// and what the drawing thread writes all the time sits on cache lines of its own, so
// no line bounces between cores.

struct CMonteCarlo::TrialPlan {
    WorkingMatrix m{};
    std::array<std::int32_t, kQ> codes{};
    std::int32_t lo = 0;                         // first quantity column
    double* base = nullptr;                      // the table's first column
    std::size_t stride = 0;                      // trials per column
    std::array<const BetaQuantile*, kQ> beta{};  // fast inverses of beta rows, or none
};

void CMonteCarlo::TransformSlots(const TrialPlan& plan, const Order& order, const std::array<double, kQ>& uniforms,
                                 int toSlot, std::array<double, kQ>& values) const {
    for (int slot = 0; slot < toSlot; ++slot) {
        const std::int32_t k = order[static_cast<std::size_t>(slot)];
        const std::size_t q = static_cast<std::size_t>(k - plan.lo);
        const auto& row = plan.m[q];
        double v = TransformUniform(uniforms[static_cast<std::size_t>(slot)], row[0], row[1], plan.codes[q],
                                    q < 4 ? -1 : k, plan.beta[q]);
        if (q < 4) v = MathFunctions::Max(MathFunctions::Min(v, 1.0), 0.0);
        values[q] = v;
    }
}

void CMonteCarlo::CompleteTrial(const TrialPlan& plan, std::int32_t t) const {
    const double* row = plan.base + (t - 1);
    std::array<double, kQ> uniforms{};
    std::array<float, kQ> keys{};
    unsigned char bytes[kKeyColumns * 8];
    for (int i = 0; i < kQ; ++i) uniforms[static_cast<std::size_t>(i)] = row[static_cast<std::size_t>(i) * plan.stride];
    for (int c = 0; c < kKeyColumns; ++c)
        std::memcpy(bytes + 8 * c, row + static_cast<std::size_t>(TrialTable::kTotalRisk + c) * plan.stride, 8);
    std::memcpy(keys.data(), bytes, sizeof(float) * kQ);
    CompleteTrial(plan, t, keys, uniforms);
}

void CMonteCarlo::CompleteTrial(const TrialPlan& plan, std::int32_t t, const std::array<float, kQ>& keys,
                                const std::array<double, kQ>& uniforms) const {
    double* row = plan.base + (t - 1);
    std::array<double, kQ> values{};
    TransformSlots(plan, OrderFromKeys(plan.lo, keys), uniforms, kQ, values);
    double out[TrialTable::kOutputs];
    TrialRisks(values.data(), out);
    TrialCosts(values.data(), out);
    for (int i = 0; i < kQ; ++i) row[static_cast<std::size_t>(i) * plan.stride] = values[static_cast<std::size_t>(i)];
    for (int i = 0; i < TrialTable::kOutputs; ++i)
        row[static_cast<std::size_t>(TrialTable::kTotalRisk + i) * plan.stride] = out[i];
}

namespace {

// Trials per block: small enough that short runs still spread over the workers, large
// enough that handing out blocks costs nothing against the work in them.
constexpr std::int32_t kMinBlockTrials = 256;
constexpr std::int32_t kMaxBlockTrials = 4096;
// How often a worker reports how far its block got, and how often the yielding thread
// looks: the window gets its turn while a block is under way, not only between blocks.
constexpr std::int32_t kProgressTrials = 32;
constexpr std::chrono::milliseconds kProgressPoll{1};

// The run's trials in blocks: block b holds trials Start(b) to End(b).
struct TrialBlocks {
    std::int32_t trials;
    std::int32_t size;
    std::int32_t Count() const { return (trials - 1) / size + 1; }
    std::int32_t Start(std::int32_t b) const { return b * size + 1; }
    std::int32_t End(std::int32_t b) const { return std::min(trials, (b + 1) * size); }
};

// Lowers `least` to b unless it already is lower (whichever thread gets there first).
void LowerTo(std::atomic<std::int32_t>& least, std::int32_t b) {
    std::int32_t seen = least.load();
    while (b < seen && !least.compare_exchange_weak(seen, b)) {
    }
}

struct Failure {
    std::int32_t trial = std::numeric_limits<std::int32_t>::max();
    std::exception_ptr error;
};

// What the drawing thread writes for every trial.
struct alignas(64) DrawState {
    std::array<float, kQ> keys{};
    std::array<double, kQ> uniforms{};
    int progress = -2;       // how far the trial got: -2 yield, -1 keys, else the slot
    std::int32_t drawn = 0;  // trials 1 to drawn are drawn
};

// A trial's keys and numbers from its place in the built-in sequence; false when a
// number of 0 fell to a quantity that would redraw it.
bool DrawTrial(RndPosition& sequence, const std::array<std::int32_t, kQ>& codes, std::int32_t lo,
               std::array<float, kQ>& keys, std::array<double, kQ>& uniforms) {
    for (auto& key : keys) key = static_cast<float>(NextUniformFrom(sequence));
    for (int slot = 0; slot < kQ; ++slot) {
        const double u = NextUniformFrom(sequence);
        if (u == 0.0 &&
            codes[static_cast<std::size_t>(OrderFromKeys(lo, keys)[static_cast<std::size_t>(slot)] - lo)] != 0)
            return false;
        uniforms[static_cast<std::size_t>(slot)] = u;
    }
    return true;
}

// How a block of the workers' own drawing ended, written by its worker before it
// reports the block done.
struct BlockEnd {
    std::int32_t failedAt = 0;  // the trial whose draw failed
    std::exception_ptr error;
    std::int32_t redrawAt = 0;  // the trial that had to redraw a number
};

// Draws the trials of block b from their place in the built-in sequence that starts at
// `start`, and completes each by complete(t, keys, uniforms), until one fails or has to
// redraw a number. `reached` follows the block in steps of kProgressTrials.
template <class Complete>
void DrawAndCompleteBlock(const RndPosition& start, const TrialBlocks& split, std::int32_t b,
                          const std::array<std::int32_t, kQ>& codes, std::int32_t lo, BlockEnd& end,
                          std::atomic<std::int32_t>& reached, const Complete& complete) {
    std::array<float, kQ> keys{};
    std::array<double, kQ> uniforms{};
    RndPosition sequence = start;
    sequence.Skip(kValuesPerTrial * static_cast<std::uint64_t>(split.Start(b) - 1));
    for (std::int32_t t = split.Start(b); t <= split.End(b); ++t) {
        if (!DrawTrial(sequence, codes, lo, keys, uniforms)) {
            end.redrawAt = t;
            return;
        }
        try {
            complete(t, keys, uniforms);
        } catch (...) {
            end.failedAt = t;
            end.error = std::current_exception();
            return;
        }
        if ((t - split.Start(b) + 1) % kProgressTrials == 0) reached.store(t, std::memory_order_release);
    }
}

}  // namespace

bool CMonteCarlo::FillTrialsInParallel(const TrialPlan& plan, std::int32_t blockTrials, int workers,
                                       std::int32_t& resumeBlock, std::int32_t& yielded) {
    const auto n = static_cast<std::int32_t>(plan.stride);
    const TrialBlocks split{n, blockTrials};
    const std::int32_t blocks = split.Count();
    const RndPosition start = RndPosition::Current();

    // How each block ended.
    std::vector<BlockEnd> ends(static_cast<std::size_t>(blocks));
    std::vector<char> done(static_cast<std::size_t>(blocks), 0);
    // The last trial of each block completed so far, in steps of kProgressTrials: this
    // thread yields for them while the rest of the block is still being worked on.
    std::vector<std::atomic<std::int32_t>> reached(static_cast<std::size_t>(blocks));
    std::mutex mutex;
    std::condition_variable progress;
    std::atomic<std::int32_t> nextBlock{0};
    // Blocks after one that failed or redrew cannot matter.
    std::atomic<std::int32_t> lastNeeded{blocks};

    auto work = [&] {
        const TrialPlan own = plan;
        auto complete = [&](std::int32_t t, const std::array<float, kQ>& keys, const std::array<double, kQ>& uniforms) {
            CompleteTrial(own, t, keys, uniforms);
        };
        for (;;) {
            const std::int32_t b = nextBlock.fetch_add(1);
            if (b >= blocks) return;
            BlockEnd& end = ends[static_cast<std::size_t>(b)];
            if (b <= lastNeeded.load()) {
                DrawAndCompleteBlock(start, split, b, own.codes, own.lo, end, reached[static_cast<std::size_t>(b)],
                                     complete);
                if (end.failedAt != 0 || end.redrawAt != 0) LowerTo(lastNeeded, b);
            }
            {
                std::lock_guard<std::mutex> lock(mutex);
                done[static_cast<std::size_t>(b)] = 1;
            }
            progress.notify_one();
        }
    };

    // Fewer threads than asked for: the ones started do the work.
    WorkerShares shares(workers, work);
    if (shares.started() == 0) return false;

    // One yield per trial, in trial order, once the trials before it are done; the
    // first block that failed or redrew ends the run here.
    yielded = 0;
    std::exception_ptr failure;
    std::int32_t redrawBlock = -1;
    auto yieldTo = [&](std::int32_t last) {
        while (yielded < last) {
            ++yielded;
            host_.Yield();
        }
    };
    try {
        for (std::int32_t b = 0; b < blocks && !failure; ++b) {
            for (;;) {
                {
                    std::unique_lock<std::mutex> lock(mutex);
                    progress.wait_for(lock, kProgressPoll, [&] { return done[static_cast<std::size_t>(b)] != 0; });
                    if (done[static_cast<std::size_t>(b)] != 0) break;
                }
                yieldTo(reached[static_cast<std::size_t>(b)].load(std::memory_order_acquire));
            }
            const BlockEnd& end = ends[static_cast<std::size_t>(b)];
            if (end.redrawAt != 0) {
                yieldTo(end.redrawAt - 1);
                redrawBlock = b;
                break;
            }
            yieldTo(end.failedAt != 0 ? end.failedAt : split.End(b));
            failure = end.error;
        }
    } catch (...) {
        // A failed yield comes before anything of its trial, and every earlier trial
        // went well.
        failure = std::current_exception();
    }
    nextBlock.store(blocks);  // the blocks not yet taken cannot matter
    shares.Wait();
    if (redrawBlock >= 0 && !failure) {
        // The blocks before it are complete; this thread goes on from its start.
        RndPosition resume = start;
        resume.Skip(kValuesPerTrial * static_cast<std::uint64_t>(split.Start(redrawBlock) - 1));
        resume.MakeCurrent();
        resumeBlock = redrawBlock;
        return false;
    }
    if (failure) std::rethrow_exception(failure);
    RndPosition after = start;
    after.Skip(kValuesPerTrial * static_cast<std::uint64_t>(n));
    after.MakeCurrent();
    return true;
}

std::unique_ptr<BetaQuantile> CMonteCarlo::BetaQuantileFor(double a, double b, std::int32_t trials) {
    // A short run builds only the octaves its draws pay for, the shortest none: their
    // values come from the closed forms where those serve (a tiny shape's, far more
    // accurate there than the search) and from the search elsewhere.
    return std::make_unique<BetaQuantile>(a, b, BetaQuantile::OctavesFor(trials), trials);
}

std::vector<std::unique_ptr<BetaQuantile>> CMonteCarlo::BuildBetaQuantiles(TrialPlan& plan, std::int32_t trials) {
    std::vector<std::unique_ptr<BetaQuantile>> quantiles;
    std::array<int, kQ> which{};
    for (std::size_t k = 0; k < kQ; ++k) {
        which[k] = -1;
        const auto& row = plan.m[k];
        if (plan.codes[k] != 3 || !(row[1] > 0.0) || !(row[0] > 0.0)) continue;
        for (std::size_t j = 0; j < k; ++j)
            if (which[j] >= 0 && plan.m[j][0] == row[0] && plan.m[j][1] == row[1]) which[k] = which[j];
        if (which[k] < 0) {
            which[k] = static_cast<int>(quantiles.size());
            quantiles.push_back(BetaQuantileFor(row[0], row[1], trials));
        }
    }
    // The rounds of every pair's build together, so that the workers share them.
    for (bool more = !quantiles.empty(); more;) {
        std::vector<std::pair<BetaQuantile*, int>> tasks;
        for (auto& q : quantiles)
            for (int t = 0; t < q->Tasks(); ++t) tasks.emplace_back(q.get(), t);
        ParallelFor(static_cast<int>(tasks.size()), [&](int i) {
            tasks[static_cast<std::size_t>(i)].first->BuildTask(tasks[static_cast<std::size_t>(i)].second);
        });
        more = false;
        for (auto& q : quantiles) more = q->NextRound() || more;
    }
    for (std::size_t k = 0; k < kQ; ++k)
        if (which[k] >= 0) plan.beta[k] = quantiles[static_cast<std::size_t>(which[k])].get();
    return quantiles;
}

// ---- drawing on this thread --------------------------------------------------------------

// The trials drawn on this thread, block by block from `firstBlock` in trial order, with
// the yields of trials after `yieldedBefore`; each block is completed once it is drawn,
// by a worker or by this thread. A failure, of a draw or of a completion, is kept until
// the trials before it are done, so that the earliest one is raised.
class CMonteCarlo::TrialDrawer {
public:
    TrialDrawer(CMonteCarlo& engine, TrialTable& table, const TrialPlan& plan, TrialBlocks split,
                std::int32_t firstBlock, std::int32_t yieldedBefore)
        : engine_(engine),
          table_(table),
          plan_(plan),
          split_(split),
          blocks_(split.Count()),
          firstBlock_(firstBlock),
          yieldedBefore_(yieldedBefore),
          failures_(static_cast<std::size_t>(blocks_)),
          firstFailedBlock_(blocks_),
          nextBlock_(firstBlock) {
        state_.drawn = split.Start(firstBlock) - 1;
        published_ = state_.drawn;
    }
    TrialDrawer(const TrialDrawer&) = delete;
    TrialDrawer& operator=(const TrialDrawer&) = delete;

    // Each block drawn and then completed, all on this thread.
    void DrawAndComplete();
    // Drawing on this thread while `workers` threads complete the drawn blocks.
    void DrawWhileWorkersComplete(int workers);
    // Raises the failure of the earliest trial, if there was one.
    void RaiseEarliestFailure() const;

private:
    // Trial t's yield, then its keys and numbers into its row; state_.progress says how
    // far it got.
    template <bool kCustom>
    void Draw(std::int32_t t);
    // The trials of block b; false when one failed to draw (kept in drawFailure_).
    bool DrawBlock(std::int32_t b);
    // Completes trials of block b up to `upTo`, from the caller's copy of the plan.
    void CompleteBlock(const TrialPlan& own, std::int32_t b, std::int32_t upTo);
    // The hand-off: the trials drawn so far made visible to the workers, or the end of
    // drawing; taking the next block and completing it once it is drawn (false when
    // none is left); and completing blocks until none is left.
    void Publish();
    void EndDrawing();
    bool CompleteNext(const TrialPlan& own);
    void CompleteRemaining();
    // The failed draw's error, named with its quantity's row when it failed on a number.
    [[noreturn]] void RaiseDrawFailure() const;

    CMonteCarlo& engine_;
    TrialTable& table_;
    const TrialPlan& plan_;
    const TrialBlocks split_;
    const std::int32_t blocks_;
    const std::int32_t firstBlock_;
    const std::int32_t yieldedBefore_;
    DrawState state_;

    // Failures of completing, by block; firstFailedBlock_ is the earliest block with one.
    std::vector<Failure> failures_;
    std::atomic<std::int32_t> firstFailedBlock_;
    // Where drawing stopped, when it failed.
    std::optional<Failure> drawFailure_;
    int drawFailureProgress_ = -2;
    std::array<float, kQ> failedKeys_{};
    std::array<double, kQ> failedUniforms_{};

    std::mutex mutex_;
    std::condition_variable ready_;
    std::atomic<std::int32_t> published_{0};  // drawn trials the workers may use
    std::atomic<bool> drawingEnded_{false};
    std::atomic<std::int32_t> nextBlock_;
};

template <bool kCustom>
void CMonteCarlo::TrialDrawer::Draw(std::int32_t t) {
    state_.progress = -2;
    if (t > yieldedBefore_) engine_.host_.Yield();
    state_.progress = -1;
    for (auto& key : state_.keys) key = static_cast<float>(NextUniformFrom<kCustom>());
    std::optional<Order> order;
    for (int slot = 0; slot < kQ; ++slot) {
        state_.progress = slot;
        double u = NextUniformFrom<kCustom>();
        if (u == 0.0) {
            if (!order) order = OrderFromKeys(plan_.lo, state_.keys);
            const std::int32_t k = (*order)[static_cast<std::size_t>(slot)];
            if (plan_.codes[static_cast<std::size_t>(k - plan_.lo)] != 0)
                while (u == 0.0) u = NextUniformFrom<kCustom>();
        }
        state_.uniforms[static_cast<std::size_t>(slot)] = u;
    }
    StoreRaw(table_, t, state_.keys, state_.uniforms);
}

bool CMonteCarlo::TrialDrawer::DrawBlock(std::int32_t b) {
    for (std::int32_t t = split_.Start(b); t <= split_.End(b); ++t) {
        try {
            if (engine_.prngToUse_ == 1)
                Draw<true>(t);
            else
                Draw<false>(t);
        } catch (...) {
            drawFailure_ = Failure{t, std::current_exception()};
            drawFailureProgress_ = state_.progress;
            failedKeys_ = state_.keys;
            failedUniforms_ = state_.uniforms;
            return false;
        }
        state_.drawn = t;
    }
    return true;
}

void CMonteCarlo::TrialDrawer::CompleteBlock(const TrialPlan& own, std::int32_t b, std::int32_t upTo) {
    for (std::int32_t t = split_.Start(b); t <= upTo; ++t) {
        try {
            engine_.CompleteTrial(own, t);
        } catch (...) {
            failures_[static_cast<std::size_t>(b)] = {t, std::current_exception()};
            LowerTo(firstFailedBlock_, b);
            return;
        }
    }
}

void CMonteCarlo::TrialDrawer::DrawAndComplete() {
    for (std::int32_t b = firstBlock_; b < blocks_; ++b) {
        const bool ok = DrawBlock(b);
        CompleteBlock(plan_, b, state_.drawn);
        if (!ok || firstFailedBlock_.load() < blocks_) break;
    }
}

void CMonteCarlo::TrialDrawer::Publish() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        published_ = state_.drawn;
    }
    ready_.notify_all();
}

void CMonteCarlo::TrialDrawer::EndDrawing() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        drawingEnded_ = true;
    }
    ready_.notify_all();
}

bool CMonteCarlo::TrialDrawer::CompleteNext(const TrialPlan& own) {
    const std::int32_t b = nextBlock_.fetch_add(1);
    if (b >= blocks_) return false;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [&] { return published_.load() >= split_.End(b) || drawingEnded_.load(); });
    }
    // Blocks after a failed one cannot matter; blocks before it can still hold an
    // earlier failure.
    if (b > firstFailedBlock_.load()) return true;
    const std::int32_t upTo = std::min(split_.End(b), published_.load());
    if (upTo >= split_.Start(b)) CompleteBlock(own, b, upTo);
    return true;
}

void CMonteCarlo::TrialDrawer::CompleteRemaining() {
    const TrialPlan own = plan_;
    while (CompleteNext(own)) {
    }
}

void CMonteCarlo::TrialDrawer::DrawWhileWorkersComplete(int workers) {
    // Fewer threads than asked for: the ones started and this one do the work.
    WorkerShares shares(workers, [this] { CompleteRemaining(); });
    try {
        for (std::int32_t b = firstBlock_; b < blocks_; ++b) {
            const bool ok = DrawBlock(b);
            Publish();
            if (!ok || firstFailedBlock_.load() < b) break;
            // Drawing is cheap and yields with every trial: kept close to the
            // completing, the yields last as long as the work. A drawn block waiting
            // for each worker, and one more, keeps them from waiting for this thread
            // while it completes one.
            while (b + 1 - std::min(nextBlock_.load(), blocks_) > workers + 1 && CompleteNext(plan_)) {
            }
        }
    } catch (...) {
        EndDrawing();
        shares.Wait();
        throw;
    }
    EndDrawing();
    CompleteRemaining();
    shares.Wait();
}

void CMonteCarlo::TrialDrawer::RaiseEarliestFailure() const {
    // The earliest failure wins, as in a loop that ran the trials one after another.
    std::optional<Failure> earliest;
    if (const std::int32_t b = firstFailedBlock_.load(); b < blocks_) earliest = failures_[static_cast<std::size_t>(b)];
    if (drawFailure_ && (!earliest || drawFailure_->trial <= earliest->trial)) RaiseDrawFailure();
    if (earliest) std::rethrow_exception(earliest->error);
}

void CMonteCarlo::TrialDrawer::RaiseDrawFailure() const {
    if (drawFailureProgress_ >= 0) {
        const std::int32_t lo = plan_.lo;
        const Order order = OrderFromKeys(lo, failedKeys_);
        // The failed trial's own work before the failing draw comes first.
        std::array<double, kQ> values{};
        engine_.TransformSlots(plan_, order, failedUniforms_, drawFailureProgress_, values);
        const std::int32_t k = order[static_cast<std::size_t>(drawFailureProgress_)];
        const auto& row = plan_.m[static_cast<std::size_t>(k - lo)];
        try {
            std::rethrow_exception(drawFailure_->error);
        } catch (const AppError& e) {
            RaiseDrawError(e.description(), row[0], row[1], plan_.codes[static_cast<std::size_t>(k - lo)]);
        }
    }
    std::rethrow_exception(drawFailure_->error);
}

// ---- the whole loop -----------------------------------------------------------------------

CMonteCarlo::TrialPlan CMonteCarlo::PlanTrials(TrialTable& table, const WorkingMatrix& m) {
    TrialPlan plan;
    plan.m = m;
    plan.lo = table.firstColumn();
    plan.base = table.column(table.firstColumn());
    plan.stride = static_cast<std::size_t>(table.trials());
    for (std::size_t k = 0; k < kQ; ++k) plan.codes[k] = static_cast<std::int32_t>(std::nearbyint(m[k][2]));
    return plan;
}

void CMonteCarlo::FillTrialsOneByOne(TrialTable& table, const TrialPlan& plan) {
    const std::int32_t lo = plan.lo;
    const std::int32_t hi = table.lastColumn() - TrialTable::kOutputs;
    for (std::int32_t t = 1; t <= table.trials(); ++t) {
        host_.Yield();
        const Order order = RandomParameterOrder(lo, hi);
        for (const std::int32_t k : order) {
            const std::size_t q = static_cast<std::size_t>(k - lo);
            double v = GetAPseudoRandomValue(plan.m[q][0], plan.m[q][1], plan.codes[q], q < 4 ? -1 : k);
            if (q < 4) v = MathFunctions::Max(MathFunctions::Min(v, 1.0), 0.0);
            table(t, k) = v;
        }
        ComputeTrialRisks(table, t);
        ComputeTrialCosts(table, t);
    }
}

void CMonteCarlo::FillTrials(TrialTable& table, const WorkingMatrix& m) {
    TrialPlan plan = PlanTrials(table, m);
    if (std::any_of(m.begin(), m.end(), [](const auto& row) { return row[1] < 0.0; })) {
        // A negative spread ends the run at its first draw, which must come after the
        // earlier draws of that trial: the plain one-after-the-other loop keeps that.
        FillTrialsOneByOne(table, plan);
        return;
    }

    const std::int32_t n = table.trials();
    const auto betaQuantiles = BuildBetaQuantiles(plan, n);
    const int threads = std::max(SimulationWorkerThreads(), 1);
    const std::int32_t blockTrials = std::clamp(n / (8 * threads), kMinBlockTrials, kMaxBlockTrials);
    const TrialBlocks split{n, blockTrials};
    const std::int32_t blocks = split.Count();
    // The built-in generator can start each block of trials at its own place in the
    // sequence, so the workers draw too; the custom generator's table of earlier values
    // makes its sequence one that only this thread can draw. When the workers' drawing
    // stops at a redraw, this thread draws from that block on; the trials up to
    // yieldedBefore have had their yield.
    std::int32_t firstBlock = 0, yieldedBefore = 0;
    if (prngToUse_ != 1 && threads > 1 && blocks > 1 &&
        FillTrialsInParallel(plan, blockTrials, std::min(threads, blocks), firstBlock, yieldedBefore))
        return;
    TrialDrawer drawer(*this, table, plan, split, firstBlock, yieldedBefore);
    const int workers = std::min(threads - 1, blocks - firstBlock - 1);
    if (workers <= 0)
        drawer.DrawAndComplete();
    else
        drawer.DrawWhileWorkersComplete(workers);
    drawer.RaiseEarliestFailure();
}

}  // namespace nuvir
