// The main window: one layout after a resize, with the chain and the thirteen editors
// redrawn, and one tick of each update timer.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>

#include <filesystem>
#include <memory>

#include "benchapp.h"

#include "appdata/appdata.h"
#include "appdata/appservices.h"
#include "mainwindow/riskmain.h"
#include "mainwindow/windowresults.h"
#include "support/fakeservices.h"

namespace {

// A started window on a temporary settings folder.
struct StartedWindow {
    StartedWindow() {
        BenchApplication();
        folder = std::filesystem::temp_directory_path() / "nuvir-bench-mainwindow";
        std::filesystem::create_directories(folder);
        nuvir::SetAppPath(folder.generic_string());
        nuvir::MainWindowParts parts;
        parts.makeResults = [](nuvir::FRiskMain& w) { return std::make_unique<nuvir::WindowResults>(w); };
        window = std::make_unique<nuvir::FRiskMain>(std::move(parts), folder.generic_string());
        window->Show();
        QElapsedTimer clock;
        clock.start();
        while (nuvir::FirstActivation() && clock.elapsed() < 5000) QApplication::processEvents();
        window->StopUpdateTimers();
    }
    ~StartedWindow() {
        window.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    nuvir::FakeServices services;
    std::filesystem::path folder;
    std::unique_ptr<nuvir::FRiskMain> window;
};

void BM_MainWindowResize(benchmark::State& state) {
    StartedWindow s;
    nuvir::FRiskMain& w = *s.window;
    w.tabMain->SetTab(1);
    w.optUncertain[1]->SetValue(true);
    bool wide = false;
    for (auto _ : state) {
        wide = !wide;
        w.SetWidth(wide ? 13500 : 12000);
        w.FormResize();
    }
}
BENCHMARK(BM_MainWindowResize)->Unit(benchmark::kMillisecond);

void BM_MainWindowTick(benchmark::State& state) {
    StartedWindow s;
    nuvir::FRiskMain& w = *s.window;
    const int index = static_cast<int>(state.range(0));
    w.tabMain->SetTab(index == 2 ? 2 : 0);
    for (auto _ : state) w.TimerTick(index);
}
BENCHMARK(BM_MainWindowTick)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
