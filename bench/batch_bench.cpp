// The batch run: a list of 20 assessments at 10^4 trials each run into a CSV, with the
// time spent outside the engine per entry (reading the state string, the point
// outcomes, the CSV lines, the yields) as a counter; and opening a batch file of
// 65536 characters in short lines.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>

#include "appdata/appdata.h"
#include "appdata/statestring.h"
#include "batch/batchsession.h"
#include "support/fakefiledialog.h"
#include "support/fakeservices.h"
#include "runtime/convert.h"
#include "simulation/host.h"
#include "simulation/montecarlo.h"

namespace nuvir {
namespace {

using Clock = std::chrono::steady_clock;

class QuietSimulationHost : public SimulationHost {
public:
    void Yield() override {}
    bool RegUseConstant() const override { return false; }
    int NumImpactCategories() const override { return 5; }
    int NumCostCategories() const override { return 5; }
    bool HideManagementCosts() const override { return false; }
    void ShowMessage(const std::string&, const std::string&) override {}
};

// Runs each entry on the engine directly: uniform spreads of 30 % about the point
// values. The engine's own time is summed apart.
class EngineBatchHost : public BatchHost {
public:
    std::string SerialiseState(std::int32_t form) override { return nuvir::SerialiseState(AppData, form); }
    std::string CaptureState() override { return nuvir::SerialiseState(AppData, 0); }
    Variant GetAppDataDefaults() override { return nuvir::GetAppDataDefaults(true, Variant()); }
    void StartBatch() override {}
    void EndBatch() override {}
    std::optional<BatchResult> RunBatchSimulation(const std::string& spec) override {
        DeserialiseState(spec);
        MKelvaro::StoreOutcomeRisks(AppData);
        Variant m = Variant::MakeArray(VarType::Double, {Bounds{0, 12}, Bounds{0, 2}});
        for (int j = 0; j < item::kQuantities; ++j) {
            const double mean = CDbl(AppData(item::PointValue(j)));
            m(j, 0) = Variant(mean);
            m(j, 1) = Variant(std::fabs(mean * 30 / 50) / std::sqrt(12.0));
            m(j, 2) = Variant(0.0);
        }
        const auto start = Clock::now();
        CMonteCarlo mc(simulationHost_);
        mc.RunSimulation(m, CLng(AppData(item::kTrials)), 200, 0.0f);
        engine += Clock::now() - start;
        const SimulationResults& r = mc.Results();
        const auto stats = [&r](int c) {
            return BatchOutputStats{r.mean[c], r.sd[c], r.min[c], r.max[c], r.limits[c][0], r.limits[c][1]};
        };
        return BatchResult{CLng(AppData(item::kTrials)), 0.5, stats(0), 1.5, stats(1)};
    }

    Clock::duration engine{};

private:
    QuietSimulationHost simulationHost_;
};

std::string Folder() {
    const auto dir = std::filesystem::temp_directory_path() / "nuvir-batch-bench";
    std::filesystem::create_directories(dir);
    return dir.generic_string();
}

void BM_BatchRun20At10000Trials(benchmark::State& state) {
    FakeServices services;
    FakeFileDialog dialog;
    SetFileDialogService(&dialog);
    AppData = GetAppDataDefaults(true, Variant());
    EngineBatchHost host;
    BatchSession session;
    session.SetHost(&host);
    std::string list;
    for (int i = 0; i < 20; ++i) {
        const auto n = [](int x) { return CStr(Variant(x)); };
        list += "SPECIES=SPECIES " + n(i) + ";N=10000;UM=0;P1=0." + n(i % 9 + 1) + ",U,L2;I5=" + n(i + 1) +
                ",U,L3;F1=" + n(i) + ",U,L1\r\n";
    }
    session.List().SetText(list);
    const std::string out = Folder() + "/out.CSV";
    Clock::duration total{};
    for (auto _ : state) {
        dialog.QueueAnswer(out);
        const auto start = Clock::now();
        benchmark::DoNotOptimize(session.RunBatch());
        total += Clock::now() - start;
    }
    SetFileDialogService(nullptr);
    const double entries = 20.0 * static_cast<double>(state.iterations());
    state.counters["overhead_ms/entry"] =
        std::chrono::duration<double, std::milli>(total - host.engine).count() / entries;
    state.counters["engine_ms/entry"] = std::chrono::duration<double, std::milli>(host.engine).count() / entries;
}
BENCHMARK(BM_BatchRun20At10000Trials)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenBatchFileOf65536Characters(benchmark::State& state) {
    FakeServices services;
    FakeFileDialog dialog;
    SetFileDialogService(&dialog);
    const std::string path = Folder() + "/short.RAB";
    {
        std::string text;
        const std::string line = "SPECIES=S;N=1000;P1=0.5,U,L2";  // 28 + CR LF
        while (text.size() + line.size() + 2 <= BatchList::kMaxChars) text += line + "\r\n";
        text.resize(BatchList::kMaxChars, 'x');
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    BatchSession session;
    for (auto _ : state) {
        dialog.QueueAnswer(path);
        benchmark::DoNotOptimize(session.OpenBatchFile());
    }
    SetFileDialogService(nullptr);
    state.counters["lines"] = session.List().Counter();
}
BENCHMARK(BM_OpenBatchFileOf65536Characters)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace nuvir
