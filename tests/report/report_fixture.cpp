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
    StoreEngineResults(run, engine.Results(), trials);
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
    run.ResultsValid = true;
    return run;
}

}  // namespace nuvir::test
