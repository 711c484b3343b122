// The results page: a run of 10^6 trials started from the page (the work around the
// engine, and the longest time the window goes without handling its events), and the
// six result plots drawn on a picture of the page's plot size.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "benchapp.h"
#include "platform/controls.h"
#include "platform/flexgrid.h"
#include "platform/form.h"
#include "platform/multilinetextbox.h"
#include "platform/qtpicturebox.h"
#include "platform/services.h"
#include "results/resultplots.h"
#include "results/resultscontroller.h"
#include "results/simulationinputs.h"
#include "simulation/host.h"
#include "simulation/montecarlo.h"
#include "simulation/programhost.h"

namespace {

using Clock = std::chrono::steady_clock;

// Lets the events through as the program does, and keeps the gaps between two visits
// of the event loop.
class TimedYield : public nuvir::YieldService {
public:
    void Yield() override {
        const auto now = Clock::now();
        if (last_ != Clock::time_point{}) gaps.push_back(now - last_);
        QCoreApplication::processEvents();
        last_ = Clock::now();
    }
    void Reset() {
        last_ = {};
        gaps.clear();
    }
    // The first gap runs from the page's own yield before the engine starts to the
    // first trial; the others lie inside the trial loop.
    Clock::duration LongestInTrialLoop() const {
        return gaps.size() < 2 ? Clock::duration{} : *std::max_element(gaps.begin() + 1, gaps.end());
    }
    std::vector<Clock::duration> gaps;

private:
    Clock::time_point last_{};
};

class NoHost : public nuvir::ResultsHost {
public:
    int ShownMainPage() const override { return kMonteCarloPage; }
    void CopyRelativeToAbsolute() override {}
    void RunReport() override {}
    std::string AskExportNames(std::string&) override { return {}; }
    bool EditPlotOptions(int, double, double) override { return false; }
    void CloseMainWindow() override {}
};

struct Page {
    Page() {
        using namespace nuvir;
        form.Move(0, 0, 12000, 9000);
        for (int i = 0; i < 4; ++i) page.cmdButton[i] = form.Add<CommandButton>("cmdButton", i);
        for (int i = 0; i < 2; ++i) {
            page.txtMonte[i] = form.Add<MultiLineTextBox>("txtMonte", i);
            page.labMonte[i] = form.Add<Label>("labMonte", i);
        }
        page.tabSimulationGraphs = form.Add<TabControl>("tabSimulationGraphs");
        page.tabSimulationGraphs->SetTabs(2);
        page.tabSimulationGraphs->Move(0, 2400, 11640, 6380);
        for (int i = 0; i < 6; ++i) {
            page.labPicMonte[i] = form.Add<Label>("labPicMonte", i, page.tabSimulationGraphs);
            page.picMonte[i] = form.Add<QtPictureBox>("picMonte", i, page.tabSimulationGraphs);
            page.picMonte[i]->Move(240, 760, 3740, 5500);
        }
        page.labPicMonte[10] = form.Add<Label>("labPicMonte", 10);
        page.picShowSensMeasures = form.Add<QtPictureBox>("picShowSensMeasures");
        page.flxShowSensMeasures = form.Add<FlexGrid>("flxShowSensMeasures", -1, page.picShowSensMeasures);
        page.mnuSensPlotPopup = form.AddMenu("mnuMain", "Sens Plot Popup", nullptr, 4);
        for (int i = 0; i < 3; ++i)
            page.mnuSensPlot[i] = form.AddMenu("mnuSensPlot", i == 1 ? "-" : "x", page.mnuSensPlotPopup, i);
        controller = std::make_unique<ResultsController>(host, page);
        controller->ArrangeResultPlots();
    }
    nuvir::Form form;
    nuvir::ResultsPage page;
    NoHost host;
    std::unique_ptr<nuvir::ResultsController> controller;
};

void ResetData(int trials) {
    LoadDefaultData();
    nuvir::MKelvaro::StoreOutcomeRisks(nuvir::AppData);
    nuvir::AppData(nuvir::item::kTrials) = trials;
}

// A run of 10^6 trials from the page against the engine alone on the same input and
// seed: the difference is the page's own work (snapshot, matrix, statistics copied,
// six plots, result lines, sensitivity table).
void BM_RunFromPage(benchmark::State& state) {
    BenchApplication();
    const int trials = static_cast<int>(state.range(0));
    ResetData(trials);
    TimedYield yield;
    nuvir::ServiceSet set;
    set.yield = &yield;
    nuvir::ScopedServices scope(set);
    Page page;
    double pageSeconds = 0, engineSeconds = 0;
    for (auto _ : state) {
        yield.Reset();
        const auto t0 = Clock::now();
        page.controller->State().RunSnapshot = nuvir::AppData;
        nuvir::Variant data = nuvir::AppData;
        const bool ok = page.controller->RunSimulationAndShowResults(data, 12345.0f);
        const auto t1 = Clock::now();
        const double longest = std::chrono::duration<double, std::milli>(yield.LongestInTrialLoop()).count();
        const double first = yield.gaps.empty() ? 0.0
                                                : std::chrono::duration<double, std::milli>(yield.gaps[0]).count();
        const auto yields = static_cast<double>(yield.gaps.size() + 1);
        nuvir::ProgramSimulationHost host;
        nuvir::CMonteCarlo engine(host);
        engine.RunSimulation(nuvir::BuildSimulationInputs(nuvir::AppData, true), trials, 200, 12345.0f);
        const auto t2 = Clock::now();
        benchmark::DoNotOptimize(ok);
        pageSeconds = std::chrono::duration<double>(t1 - t0).count();
        engineSeconds = std::chrono::duration<double>(t2 - t1).count();
        state.counters["trial_loop_longest_gap_ms"] = longest;
        state.counters["gap_before_first_trial_ms"] = first;
        state.counters["yields"] = yields;
    }
    state.counters["page_run_ms"] = pageSeconds * 1e3;
    state.counters["engine_ms"] = engineSeconds * 1e3;
    state.counters["overhead_ms"] = (pageSeconds - engineSeconds) * 1e3;
}
BENCHMARK(BM_RunFromPage)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The plots of a 20000-trial run on a plot of the page's size (about 250 x 365 pixels).
void BM_ResultPlot(benchmark::State& state) {
    BenchApplication();
    ResetData(20000);
    Page page;
    page.controller->SimulateAppData();
    const nuvir::RunState& run = page.controller->State();
    const int plot = static_cast<int>(state.range(0));
    const bool report = state.range(1) != 0;
    nuvir::ImagePictureBox pic(report ? 299 : 250, report ? 209 : 365);
    for (auto _ : state) {
        switch (plot) {
            case 0: nuvir::DrawFrequencyPlot(pic, 0, report, run); break;
            case 1: nuvir::DrawSensitivityPlot(pic, 0, report, run); break;
            default: nuvir::DrawCumulativePlot(pic, 0, report, run); break;
        }
    }
    state.SetLabel(std::string(plot == 0   ? "frequency"
                               : plot == 1 ? "sensitivity"
                                           : "cumulative") +
                   (report ? ", report" : ", screen"));
}
BENCHMARK(BM_ResultPlot)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMicrosecond);

}  // namespace
