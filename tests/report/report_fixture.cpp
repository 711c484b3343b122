// The simulated run of the report tests.
#include <cmath>

#include "report_fixture.h"
#include "results/resultplots.h"
#include "results/simulationinputs.h"
#include "simulation/montecarlo.h"
#include "simulation/programhost.h"

namespace nuvir::test {

RunState SimulatedRun(const Variant& snapshot, float seed) {
    RunState run;
    run.RunSnapshot = snapshot;
    ProgramSimulationHost host;
    CMonteCarlo engine(host);
    engine.SetPRNGToUse(CLng(snapshot(item::kPrng)));
    engine.SetCI(ConfidencePercent(snapshot(item::kConfidenceChoice)));
    const std::int32_t trials = CLng(snapshot(item::kTrials));
    engine.RunSimulation(BuildSimulationInputs(snapshot, true), trials, 200, seed);
    const SimulationResults& r = engine.Results();
    run.RunSummary.trials = trials;
    for (std::size_t k = 0; k < outcol::kCount; ++k) {
        run.RunSummary.mean[k] = r.mean[k];
        run.RunSummary.sd[k] = r.variance[k] >= 0 ? std::sqrt(r.variance[k]) : -1.0;
        run.RunSummary.min[k] = r.min[k];
        run.RunSummary.max[k] = r.max[k];
        run.RunLimits[k] = r.limits[k];
    }
    run.RunFrequencies.classes = r.frequencyClasses;
    run.RunFrequencies.values = r.frequencies;
    for (int j = 0; j < item::kQuantities; ++j) {
        for (int m = 0; m < 2; ++m) {
            run.RunRankCorrelations[static_cast<std::size_t>(j)][static_cast<std::size_t>(m)] =
                r.sensitivities[0] ? (*r.sensitivities[0])(j, m) : kNoValue;
        }
    }
    const Variant r2 = engine.R2(-1);
    std::array<SensitivityTableText, 2> summary;
    for (int k = 0; k < 2; ++k) {
        for (int which = 0; which < 2; ++which) {
            const Variant& pair = r2(r2.lbound() + which);
            const Variant v = pair.isArray() ? pair(pair.lbound() + k) : Variant();
            summary[static_cast<std::size_t>(k)].push_back({"", v.isEmpty() ? "  ." : FormatFixed(CDbl(v), 3), "", "", ""});
        }
    }
    run.SensitivitySummary = summary;
    run.HaveRunResults = true;
    run.ResultsValid = true;
    return run;
}

}  // namespace nuvir::test
