#pragma once
// The engine's result arrays and the summary of the nine output columns of a run:
// smallest and largest value, mean, sample variance, confidence limits, and the
// frequency tables of total risk and total cost.
//
// The results are held typed; the *Copy() functions build the dynamically typed
// arrays of the sensitivity results that the engine hands out (a fresh copy every call).
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "numerics/numerics.h"
#include "runtime/variant.h"
#include "simulation/trialtable.h"

namespace nuvir {

class ColumnScratch;
class SimulationHost;

// Number of output columns summarised (Total_Risk, Total_Cost, Risk1-4, Cost1-3).
inline constexpr int kOutputColumns = TrialTable::kOutputs;
// Number of sampled quantities, the rows of a sensitivity table.
inline constexpr int kInputColumns = TrialTable::kQuantities;

// One sensitivity measure: element (j, m) for input j (0 to 12) and output m
// (0 total risk, 1 total cost). A value that does not exist holds kNoValue.
class SensitivityTable {
public:
    SensitivityTable() { values_.fill(kNoValue); }
    double& operator()(int j, int m) { return values_[static_cast<std::size_t>(m * kInputColumns + j)]; }
    double operator()(int j, int m) const { return values_[static_cast<std::size_t>(m * kInputColumns + j)]; }
    // Double (0 To 12, 0 To 1).
    Variant ToVariant() const;
    friend bool operator==(const SensitivityTable&, const SensitivityTable&) = default;

private:
    std::array<double, 2 * kInputColumns> values_;
};

// R² of the total-risk fit and of the total-cost fit of one regression measure; no
// value when that fit failed.
using R2Pair = std::array<std::optional<double>, 2>;

// A frequency table's classes: the start of the first class, the end of the last and
// the class width.
struct ClassDescriptor {
    double start = 0.0;
    double end = 0.0;
    double width = 0.0;
};

struct SimulationResults {
    // Per output m = 0 to 8. Before a run min holds LargestDouble and the others the
    // no-value marker. The variance is rounded to a Double: 0 or infinite where
    // it lies beyond the Double range (an SD below about 1E-162 or
    // above 1E154); sd holds the standard deviation at every scale.
    std::array<double, kOutputColumns> min{};
    std::array<double, kOutputColumns> max{};
    std::array<double, kOutputColumns> mean{};
    std::array<double, kOutputColumns> variance{};
    std::array<double, kOutputColumns> sd{};
    // (m, 0) lower and (m, 1) upper confidence limit; zeros before a run.
    std::array<std::array<double, 2>, kOutputColumns> limits{};
    // Frequencies (0 To 1, 0 To classes - 1, 0 To 1): element (i, k, m) at
    // frequencies[i + 2 * (k + classes * m)], i = 0 the class centre, 1 the count.
    // Erased (no elements) while frequenciesAllocated is false.
    bool frequenciesAllocated = false;
    std::int32_t frequencyClasses = 0;
    std::vector<double> frequencies;
    // 0 Spearman, 1 Pearson, 2 standardised regression, 3 standardised rank
    // regression; Empty until the run computes them.
    std::array<std::optional<SensitivityTable>, 4> sensitivities;
    // 0 of the regression measure, 1 of the rank regression measure; Empty until set.
    std::array<std::optional<R2Pair>, 2> r2;
    // Working table of the regression measures; erased until the first one runs.
    std::optional<SensitivityTable> regressionTable;

    SimulationResults() { InitialiseResultArrays(); }

    // Creates or resets every result array to its contents before a run.
    void InitialiseResultArrays();

    // Summarises the nine output columns of the table (not changed) in the order
    // m = 0 to 8, with `classes` frequency classes (at least 1, otherwise Subscript out
    // of range) and the confidence level ci in percent. A failure inside a column
    // leaves the columns before it done.
    void ComputeOutputStatistics(const TrialTable& table, std::int32_t classes, double ci);
    // Mean, sample variance and SD (divisor n - 1; 0 for n <= 1) of output m from its
    // sorted vector, from centred sums of the values scaled by a power of two: near
    // full precision for any finite values (see accuratesums.h). A value that is not
    // finite raises Overflow.
    void MeanVariance(std::span<const double> sorted, int m);
    // The classes of output m from min[m] and max[m].
    ClassDescriptor FrequencyClasses(std::int32_t classes, int m) const;

    // The four measures in the run's order: regression on the values, Pearson,
    // Spearman (which ranks every column of the table in place), regression on the
    // ranks. RegUseConstant is read from the host before each regression measure.
    // Independent columns and fits run on the worker threads (see workers.h).
    void ComputeSensitivityMeasures(TrialTable& table, const SimulationHost& host);
    // ComputeOutputStatistics, then ComputeSensitivityMeasures, as a run needs them,
    // with less work: the sorts of the statistics also give the outputs' ranks. A
    // failing statistic ends it before any measure is stored (the table may then be
    // partly ranked).
    void ComputeStatisticsAndMeasures(TrialTable& table, std::int32_t classes, double ci, const SimulationHost& host);

    // ---- copies as the engine's properties return them -------------------------
    // index -1: the generic array (0 To 3) of the four measures (each Empty or a
    // Double (0 To 12, 0 To 1)); 0 to 3: that measure; any other index raises
    // Subscript out of range.
    Variant SensitivitiesCopy(std::int32_t index) const;
    // index -1: the generic array (0 To 1) of both pairs; 0 or 1: that pair (Empty, or
    // a generic array (0 To 1) of a Double or Empty each); any other index: Empty.
    Variant R2Copy(std::int32_t index) const;
};

// ---- pieces of the statistics, usable on their own ------------------------------

// The output statistics in steps, so that their columns can share the workers with
// other work.
class OutputStatisticsWork {
public:
    // Checks the class count and the table's trials and allocates the frequencies,
    // raising as ComputeOutputStatistics does.
    OutputStatisticsWork(SimulationResults& results, const TrialTable& table, std::int32_t classes, double ci);
    ~OutputStatisticsWork();
    OutputStatisticsWork(const OutputStatisticsWork&) = delete;
    OutputStatisticsWork& operator=(const OutputStatisticsWork&) = delete;
    // Summarises output m of the table, on any thread, from a sorted copy of its column.
    void Column(const TrialTable& table, int m);
    // The same from the sort that also replaces the column by its ranks, in the given
    // work space.
    void RankedColumn(TrialTable& table, int m, ColumnScratch& scratch);
    // Hands the columns over in order, up to and including what a failing one
    // finished, and raises that failure.
    void Publish();

private:
    struct Columns;
    SimulationResults& results_;
    std::int32_t classes_;
    double ci_;
    std::unique_ptr<Columns> columns_;
};

// Column `column` of the table (counted from its first column), trial 1 first.
std::vector<double> ExtractColumn(const TrialTable& table, std::int32_t column);

// x written in its general 15-significant-digit text and read back.
double Round15(double x);

// The classes from mn and mx: width 1 centred on mn when the two are nearly equal,
// otherwise a width of a short decimal over the range. Extremes further apart than the
// largest Double, or whose range rounds up beyond it, get the classes of a tenth of the
// range, ten times as wide; a start beyond the range is held at mn and an end beyond
// it at the largest Double. Subnormal widths are whole units of the smallest Double,
// rounded up so that the classes cover the range; classes narrower than half a unit
// (subnormal extremes a few units apart) count as nearly equal.
ClassDescriptor FrequencyClasses(double mn, double mx, std::int32_t classes);

// Counts the ascending values into classes 0 to counts.size() - 1 of d (adding to
// counts) and writes the class centres (centres.size() == counts.size()). Values at or
// beyond the end go to the last class; a value that compares equal to a class bound
// at 15 significant digits goes to the class above it. Always terminates, also when
// the width is too small to move the bound. Bounds beyond the Double range are reached
// by no value, and centres beyond it are held at the largest Double.
void CountFrequencies(std::span<const double> sorted, const ClassDescriptor& d, std::span<double> centres,
                      std::span<double> counts);

}  // namespace nuvir
