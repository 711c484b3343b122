#pragma once
// Writing the trial table of a run to the export files: CSV (comma-separated with a
// header line), TXT (the same with tabs) and SAM (the sampled inputs with count and
// name lines, as a risk file and a "_Costs" file). Every line ends in CR LF.
//
// A writer that fails sets exportsFailed, shows the failure's text in a message box
// titled kExportFailedTitle, lets window events run once, and returns normally; the
// run goes on and the remaining exports of the run are skipped.
#include <string>

#include "simulation/trialtable.h"

namespace nuvir {

class SimulationHost;

inline constexpr const char* kExportFailedTitle = "Export(s) discontinued because of an error";

// Writes the table to every path of exportPaths (joined by "|"; empty for none), in
// order, choosing the format by the path's extension: CSV, TXT or SAM in any case;
// any other extension is passed over. Paths after a failure are skipped.
void ExportTrialData(const TrialTable& table, const std::string& exportPaths, bool& exportsFailed,
                     SimulationHost& host);
// The header line and one line per trial, the 22 values joined by delimiter. An empty
// path writes nothing.
void WriteDelimitedTrials(const TrialTable& table, const std::string& path, const std::string& delimiter,
                          bool& exportsFailed, SimulationHost& host);
// The risk file at path, then, unless the host hides management costs, the cost file
// at the path with "_Costs" before its extension.
void WriteSamTrials(const TrialTable& table, const std::string& path, bool& exportsFailed, SimulationHost& host);

}  // namespace nuvir
