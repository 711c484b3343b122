#include "simulation/sensitivity.h"

#include <span>
#include <vector>

#include "simulation/host.h"
#include "simulation/ranks.h"
#include "simulation/regression.h"
#include "simulation/workers.h"

namespace nuvir {

namespace {

struct Fit {
    std::vector<double> standardised;  // empty when the fit produced none
    std::optional<double> r2;
};

Fit FitOutput(const TrialTable& table, bool useConstant, int m) {
    const std::span<const std::int32_t> regressors =
        m == 0 ? std::span<const std::int32_t>(kRiskRegressors) : std::span<const std::int32_t>(kCostRegressors);
    CRegression regression;
    regression.Initialise();
    regression.SetUseConstant(useConstant);
    regression.LeastSquares(table, regressors, TrialTable::kTotalRisk + m);
    return {regression.StandardisedValues(), regression.R2Value()};
}

}  // namespace

R2Pair RegressionSensitivities(const TrialTable& table, bool useConstant, SensitivityTable& regressionTable) {
    // Each fit starts from a freshly initialised regression, so the two are independent.
    std::array<Fit, 2> fits;
    ParallelFor(2, [&](int m) { fits[static_cast<std::size_t>(m)] = FitOutput(table, useConstant, m); });

    regressionTable = SensitivityTable();
    R2Pair pair;
    for (int m = 0; m < 2; ++m) {
        const Fit& f = fits[static_cast<std::size_t>(m)];
        const std::span<const std::int32_t> regressors =
            m == 0 ? std::span<const std::int32_t>(kRiskRegressors) : std::span<const std::int32_t>(kCostRegressors);
        // With the constant, element 0 belongs to it and is not a sensitivity.
        const std::size_t offset = useConstant ? 1 : 0;
        if (f.standardised.size() == regressors.size() + offset) {
            for (std::size_t k = 0; k < regressors.size(); ++k)
                regressionTable(regressors[k], m) = f.standardised[k + offset];
        }
        pair[static_cast<std::size_t>(m)] = f.r2;
    }
    return pair;
}

R2Pair SimulationResults::RegressionSensitivities(const TrialTable& table, bool useConstant) {
    SensitivityTable t;
    const R2Pair pair = nuvir::RegressionSensitivities(table, useConstant, t);
    regressionTable = t;
    return pair;
}

void SimulationResults::ComputeSensitivityMeasures(TrialTable& table, const SimulationHost& host) {
    // The regression on the values and the Pearson correlations both read the
    // unranked table, so they run side by side; then the ranking, and the Spearman
    // correlations beside the regression on the ranks.
    const bool useConstant = host.RegUseConstant();
    SensitivityTable src;
    R2Pair srcR2;
    SensitivityTable pearson;
    ParallelFor(2, [&](int task) {
        if (task == 0)
            srcR2 = nuvir::RegressionSensitivities(table, useConstant, src);
        else
            pearson = CorrelationSensitivities(table, false);
    });
    r2[0] = srcR2;
    regressionTable = src;
    sensitivities[2] = src;
    sensitivities[1] = pearson;

    // Spearman: every column replaced by its ranks, which the rank regression needs too.
    ParallelFor(TrialTable::kColumns, [&](int c) { RankTransform(table, c); });
    const bool useConstantRanked = host.RegUseConstant();
    SensitivityTable spearman;
    SensitivityTable srrc;
    R2Pair srrcR2;
    ParallelFor(2, [&](int task) {
        if (task == 0)
            spearman = CorrelationSensitivities(table, false);
        else
            srrcR2 = nuvir::RegressionSensitivities(table, useConstantRanked, srrc);
    });
    sensitivities[0] = spearman;
    r2[1] = srrcR2;
    regressionTable = srrc;
    sensitivities[3] = srrc;
}

}  // namespace nuvir
