#pragma once
// The run state: what the last simulation run left behind for everything that shows
// or hands on its results (the result lines and plots, the sensitivity table, the
// report, the batch run). Only the run writes the results; a clear marks them invalid.
//
// The results are typed copies of the engine's arrays.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/variant.h"

namespace nuvir {

struct SimulationResults;

// Output columns of the engine, in the order of the trial table.
namespace outcol {
inline constexpr int kTotalRisk = 0;
inline constexpr int kTotalCost = 1;
inline constexpr int kRisk1 = 2;  // Risk1..Risk4: 2..5
inline constexpr int kCost1 = 6;  // Cost1..Cost3: 6..8
inline constexpr int kCount = 9;
}  // namespace outcol

// The statistics of a run, per output column.
struct RunSummaryData {
    std::int32_t trials = 0;
    std::array<double, outcol::kCount> mean{};
    // The standard deviation, or -1 where the engine computed none.
    std::array<double, outcol::kCount> sd{};
    std::array<double, outcol::kCount> min{};
    std::array<double, outcol::kCount> max{};
};

// The frequency tables of total risk (output 0) and total cost (output 1).
struct RunFrequencyData {
    std::int32_t classes = 0;
    // (i, k, m) at values[i + 2 * (k + classes * m)]: i 0 the class midpoint, 1 the count.
    std::vector<double> values;
    double Midpoint(std::int32_t k, int output) const { return values[2 * (k + classes * output)]; }
    double Count(std::int32_t k, int output) const { return values[1 + 2 * (k + classes * output)]; }
};

// One sensitivity table as the details panel shows it: rows of five texts.
using SensitivityTableText = std::vector<std::array<std::string, 5>>;

struct RunState {
    // The application data the results belong to (the run writes its seed into item
    // 37); Empty before the first run or clear.
    Variant RunSnapshot;
    double PointTotalRisk = 0.0;
    double PointTotalCost = 0.0;
    RunSummaryData RunSummary;
    RunFrequencyData RunFrequencies;
    // Spearman rank correlation of input j (0..12) with total risk [j][0] and total
    // cost [j][1]; the engine's no-value marker where it computed none.
    std::array<std::array<double, 2>, 13> RunRankCorrelations{};
    // Lower [m][0] and upper [m][1] confidence limit of output m.
    std::array<std::array<double, 2>, outcol::kCount> RunLimits{};
    // True once a run has stored results (they may have been cleared since).
    bool HaveRunResults = false;

    bool ResultsValid = false;
    bool MixedResults = false;
    bool DataChangedSinceRun = false;
    bool BatchMode = false;
    std::string ExportBaseName;
    // The two tables (risk, cost) of the last interactive run; nothing after a clear.
    std::optional<std::array<SensitivityTableText, 2>> SensitivitySummary;
    // X and Y of the last right click on a sensitivity plot, and that plot's index.
    std::array<float, 3> SensPopupSource{};
    // The plot type last given to the plot options dialog.
    std::int32_t EditedPlotType = 0;

    // A run or a report is in progress: the commands that would replace the data or
    // the results wait (are ignored) until it returns.
    bool Busy = false;
    // The window was asked to close while busy; it closes when the operation returns.
    bool CloseRequested = false;
};

// Copies the engine's results of a run of `trials` trials into the run state: the
// summary, the confidence limits, the frequency tables and the rank correlations
// (the no-value marker where the engine computed none); marks the run as having results.
void StoreEngineResults(RunState& run, const SimulationResults& results, std::int32_t trials);

}  // namespace nuvir
