#pragma once
// What the batch window needs of the main window: the current assessment as a state
// string, the built-in defaults, the main window's batch mode, and one simulation per
// captured assessment. The main window implements it; tests put a scripted fake in
// its place, so the batch list, its files and the batch run work without a window.
//
// The batch run replaces the program-wide AppData line by line and gives the analyst's
// own assessment back at the end; the host's members all work on that AppData.
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/variant.h"

namespace nuvir {

// Statistics of one output column of a run, in the order the batch CSV writes them.
struct BatchOutputStats {
    double mean = 0;
    double sd = 0;  // -1 where the run left no standard deviation
    double min = 0;
    double max = 0;
    double lowerLimit = 0;
    double upperLimit = 0;
};

// The fifteen values a successful run gives one line of the batch CSV.
struct BatchResult {
    std::int32_t trials = 0;
    double pointTotalRisk = 0;
    BatchOutputStats risk;  // "Total_Risk"
    double pointTotalCost = 0;
    BatchOutputStats cost;  // "Total_Cost"
};

class BatchHost {
public:
    virtual ~BatchHost() = default;
    // AppData as a state string (0), its CSV values (1) or its CSV header (2). May raise.
    virtual std::string SerialiseState(std::int32_t form) = 0;
    // The assessment on screen as a state string, with an edit still open in the
    // window committed first, so a capture never misses the last change. May raise.
    virtual std::string CaptureState() = 0;
    // A new application data array with the built-in defaults (no file is read).
    virtual Variant GetAppDataDefaults() = 0;
    // Enters batch mode: update timers off, results cleared, no drawing, no export
    // dialog, and no command that would change the data or start a run.
    virtual void StartBatch() = 0;
    // Leaves batch mode: results cleared, Run enabled, update timers running.
    virtual void EndBatch() = 0;
    // The main window is running a simulation or writing a report: both yield to the
    // event loop, and a batch command started from there would replace the data or the
    // results under them.
    virtual bool Busy() { return false; }
    // Reads the state string into AppData over what the previous line left, works out
    // the point outcomes and runs the simulation in the line's own uncertainty mode.
    // Nothing when the run failed (the host has shown why).
    virtual std::optional<BatchResult> RunBatchSimulation(const std::string& state) = 0;
};

}  // namespace nuvir
