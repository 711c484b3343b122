#include "results/runstate.h"

#include <cmath>

#include "appdata/appdata.h"
#include "numerics/numerics.h"
#include "simulation/statistics.h"

namespace nuvir {

namespace {
Variant Column(const std::array<double, outcol::kCount>& values) {
    return Variant::Doubles(std::vector<double>(values.begin(), values.end()));
}

template <std::size_t N>
Variant Table(const std::array<std::array<double, 2>, N>& values) {
    Variant t = Variant::MakeArray(VarType::Double, {{0, static_cast<std::int32_t>(N) - 1}, {0, 1}});
    for (std::size_t i = 0; i < N; ++i) {
        for (int j = 0; j < 2; ++j) t(static_cast<std::int32_t>(i), j) = values[i][j];
    }
    return t;
}
}  // namespace

Variant RunState::RunSummaryVariant() const {
    return Variant::List({Variant(static_cast<int>(RunSummary.trials)), Column(RunSummary.mean),
                          Column(RunSummary.sd), Column(RunSummary.min), Column(RunSummary.max)});
}

Variant RunState::RunLimitsVariant() const { return Table(RunLimits); }

Variant RunState::RunRankCorrelationsVariant() const { return Table(RunRankCorrelations); }

Variant RunState::RunFrequenciesVariant() const {
    const std::int32_t classes = RunFrequencies.classes;
    Variant f = Variant::MakeArray(VarType::Double, {{0, 1}, {0, classes - 1}, {0, 1}});
    for (int m = 0; m < 2; ++m) {
        for (std::int32_t k = 0; k < classes; ++k) {
            f(0, k, m) = RunFrequencies.Midpoint(k, m);
            f(1, k, m) = RunFrequencies.Count(k, m);
        }
    }
    return f;
}

void StoreEngineResults(RunState& run, const SimulationResults& r, std::int32_t trials) {
    RunSummaryData summary;
    summary.trials = trials;
    for (std::size_t k = 0; k < outcol::kCount; ++k) {
        summary.mean[k] = r.mean[k];
        summary.sd[k] = r.variance[k] >= 0.0 ? std::sqrt(r.variance[k]) : -1.0;
        summary.min[k] = r.min[k];
        summary.max[k] = r.max[k];
        run.RunLimits[k] = r.limits[k];
    }
    run.RunSummary = summary;
    run.RunFrequencies.classes = r.frequencyClasses;
    run.RunFrequencies.values = r.frequencies;
    for (int j = 0; j < item::kQuantities; ++j) {
        for (int m = 0; m < 2; ++m) {
            run.RunRankCorrelations[static_cast<std::size_t>(j)][static_cast<std::size_t>(m)] =
                r.sensitivities[0] ? (*r.sensitivities[0])(j, m) : kNoValue;
        }
    }
    run.HaveRunResults = true;
}

}  // namespace nuvir
