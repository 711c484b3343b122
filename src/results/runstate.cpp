#include "results/runstate.h"

#include <cmath>

#include "appdata/appdata.h"
#include "numerics/numerics.h"
#include "simulation/statistics.h"

namespace nuvir {

void StoreEngineResults(RunState& run, const SimulationResults& r, std::int32_t trials) {
    RunSummaryData summary;
    summary.trials = trials;
    for (std::size_t k = 0; k < outcol::kCount; ++k) {
        summary.mean[k] = r.mean[k];
        summary.sd[k] = r.sd[k] >= 0.0 ? r.sd[k] : -1.0;
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
