#include "simulation/sensitivity.h"

#include <algorithm>
#include <span>
#include <vector>

#include "simulation/columnsort.h"
#include "simulation/host.h"
#include "simulation/ranks.h"
#include "simulation/regression.h"
#include "simulation/workers.h"

namespace nuvir {

namespace {

struct Fit {
    std::vector<std::int32_t> regressors;  // the columns fitted, in coefficient order
    std::vector<double> standardised;      // empty when the fit produced none
    std::optional<double> r2;
};

// Whether the column's values are not all alike.
bool HasSpread(std::span<const double> column) {
    return std::any_of(column.begin(), column.end(), [&](double v) { return v != column.front(); });
}

// A quantity without spread in the run (fixed by the analyst, or a column of equal
// ranks) is left out of the fit: next to the constant term it would make the
// cross-product matrix singular and take every other coefficient with it, and
// without the constant it would stand in for one. The fit on the others is the one
// the analyst means. The trials a fit needs still follow from its whole list, so
// that whether it can be made never depends on what was drawn.
Fit FitOutput(const TrialTable& table, bool useConstant, int m, bool outputVaries) {
    const std::span<const std::int32_t> all = m == 0 ? std::span<const std::int32_t>(kRiskRegressors)
                                                     : std::span<const std::int32_t>(kCostRegressors);
    Fit fit;
    const std::int64_t coefficients = static_cast<std::int64_t>(all.size()) + (useConstant ? 1 : 0);
    if (table.trials() - coefficients < 1) {
        fit.regressors.assign(all.begin(), all.end());  // the fit fails on its count
    } else {
        for (const std::int32_t c : all)
            if (HasSpread(table.values(c))) fit.regressors.push_back(c);
        // An output without spread has nothing to explain, and with no input left
        // there is nothing to explain it by: the ratios such a fit gives are noise of
        // the rounding, so it is not made, as its correlations are not.
        if (fit.regressors.empty() || !outputVaries) return fit;
    }
    CRegression regression;
    regression.Initialise();
    regression.SetUseConstant(useConstant);
    regression.LeastSquares(table, fit.regressors, TrialTable::kTotalRisk + m);
    fit.standardised = regression.StandardisedValues();
    fit.r2 = regression.R2Value();
    return fit;
}

// The fits' coefficients into regressionTable (recreated), their R² returned. A
// quantity left out of a fit keeps the no-value marker, as its correlations do.
R2Pair StoreFits(const std::array<Fit, 2>& fits, bool useConstant, SensitivityTable& regressionTable) {
    regressionTable = SensitivityTable();
    R2Pair pair;
    for (int m = 0; m < 2; ++m) {
        const Fit& f = fits[static_cast<std::size_t>(m)];
        // With the constant, element 0 belongs to it and is not a sensitivity.
        const std::size_t offset = useConstant ? 1 : 0;
        if (f.standardised.size() == f.regressors.size() + offset) {
            for (std::size_t k = 0; k < f.regressors.size(); ++k)
                regressionTable(f.regressors[k], m) = f.standardised[k + offset];
        }
        pair[static_cast<std::size_t>(m)] = f.r2;
    }
    return pair;
}

constexpr int kPairs = 2 * kInputColumns;

// The measures; with statistics, the output statistics too, from the sorts that rank
// the outputs. Each step hands its workers one list of tasks, and the sorts share
// their work spaces.
void ComputeMeasures(SimulationResults& results, TrialTable& table, const SimulationHost& host,
                     OutputStatisticsWork* statistics) {
    // A regression measure and a correlation measure on the table as it stands: the
    // two fits and the 26 correlations, as one list of tasks.
    // Whether the outputs vary is decided on the values, for the ranks too.
    const std::array<bool, 2> vary = OutputsVary(table);
    auto measure = [&](SensitivityTable& correlations, SensitivityTable& regression) {
        const bool useConstant = host.RegUseConstant();
        std::array<Fit, 2> fits;
        ParallelFor(2 + kPairs, [&](int task) {
            if (task < 2)
                fits[static_cast<std::size_t>(task)] =
                    FitOutput(table, useConstant, task, vary[static_cast<std::size_t>(task)]);
            else
                CorrelatePair(table, task - 2, correlations, vary);
        });
        return StoreFits(fits, useConstant, regression);
    };
    SensitivityTable pearson, src;
    const R2Pair srcR2 = measure(pearson, src);

    // Spearman: every column replaced by its ranks, which the rank regression needs too.
    ScratchPool pool;
    ParallelFor(TrialTable::kColumns, [&](int c) {
        const ScratchPool::Lease scratch = pool.Take();
        if (statistics && c >= kInputColumns) return statistics->RankedColumn(table, c - kInputColumns, *scratch);
        RankColumn(table.values(c), *scratch);
    });
    if (statistics) statistics->Publish();
    results.r2[0] = srcR2;
    results.regressionTable = src;
    results.sensitivities[2] = src;
    results.sensitivities[1] = pearson;

    SensitivityTable spearman, srrc;
    results.r2[1] = measure(spearman, srrc);
    results.sensitivities[0] = spearman;
    results.regressionTable = srrc;
    results.sensitivities[3] = srrc;
}

}  // namespace

R2Pair RegressionSensitivities(const TrialTable& table, bool useConstant, SensitivityTable& regressionTable) {
    // Each fit starts from a freshly initialised regression, so the two are independent.
    const std::array<bool, 2> vary = OutputsVary(table);
    std::array<Fit, 2> fits;
    ParallelFor(2, [&](int m) {
        fits[static_cast<std::size_t>(m)] = FitOutput(table, useConstant, m, vary[static_cast<std::size_t>(m)]);
    });
    return StoreFits(fits, useConstant, regressionTable);
}

void SimulationResults::ComputeSensitivityMeasures(TrialTable& table, const SimulationHost& host) {
    ComputeMeasures(*this, table, host, nullptr);
}

void SimulationResults::ComputeStatisticsAndMeasures(TrialTable& table, std::int32_t classes, double ci,
                                                     const SimulationHost& host) {
    OutputStatisticsWork statistics(*this, table, classes, ci);
    ComputeMeasures(*this, table, host, &statistics);
}

}  // namespace nuvir
