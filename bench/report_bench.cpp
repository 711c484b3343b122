// One report of a 10^5-trial run of the default assessment: the field table, the six
// plots drawn and encoded as pictures, the merge into the built-in template, the file
// written and the clipboard filled (the file dialog answered at once).
#include <benchmark/benchmark.h>

#include <QApplication>

#include <filesystem>

#include "appdata/appservices.h"
#include "benchapp.h"
#include "support/fakefiledialog.h"
#include "support/fakeservices.h"
#include "platform/picturebox.h"
#include "report/reportcommand.h"
#include "report/reporthost.h"
#include "report/templatefile.h"
#include "results/resultplots.h"
#include "results/runstate.h"
#include "results/simulationinputs.h"
#include "runtime/convert.h"
#include "simulation/montecarlo.h"
#include "simulation/programhost.h"

namespace {

using namespace nuvir;

// The run as the Run command stores it, for what the report reads.
RunState StoredRun(const Variant& data) {
    RunState run;
    run.RunSnapshot = data;
    ProgramSimulationHost host;
    CMonteCarlo engine(host);
    const std::int32_t trials = CLng(data(item::kTrials));
    engine.RunSimulation(BuildSimulationInputs(data, true), trials, 200, 4711.0f);
    StoreEngineResults(run, engine.Results(), trials);
    run.ResultsValid = true;
    return run;
}

class BenchReportHost : public ReportHost {
public:
    const RunState& Run() const override { return run; }
    std::string DefaultStateFileName() override { return "Bench"; }
    ImagePictureBox& HiddenPicture() override { return picture; }
    std::string ConfidenceText(int) override { return "95 %"; }
    RunState run;
    ImagePictureBox picture{299, 209};
};

void BM_ReportOfA100000TrialRun(benchmark::State& state) {
    BenchApplication();
    const auto folder = std::filesystem::temp_directory_path() / "nuvir-report-bench";
    std::filesystem::create_directories(folder);
    SetAppPath(folder.generic_string());
    LoadDefaultData();
    AppData(item::kTrials) = Variant(100000);
    MKelvaro::StoreOutcomeRisks(AppData);
    FakeServices services;
    FakeFileDialog dialog;
    SetFileDialogService(&dialog);
    WriteDefaultTemplate();
    BenchReportHost host;
    host.run = StoredRun(AppData);
    const std::string target = (folder / "bench.rtf").generic_string();
    for (auto _ : state) {
        dialog.QueueAnswer(target);
        benchmark::DoNotOptimize(GenerateRtfReport(host, "Bench"));
    }
    SetFileDialogService(nullptr);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ReportOfA100000TrialRun)->Unit(benchmark::kMillisecond);

}  // namespace
