// The thirteen uncertainty editors: a full Render of the set (layout, loading and
// thirteen plots; the window does this on every assessment, options or layout
// change) and a SetData with unchanged data (the chain sync does this every 500 ms,
// so it must redraw nothing). Runs on the offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <memory>

#include "benchapp.h"
#include "platform/form.h"
#include "platform/qtpicturebox.h"
#include "uncertainty/uncertaintyelements.h"

namespace nuvir {
namespace {

// The window's absolute-uncertainty page at start-up size, with the set on it.
struct Page {
    Form form;
    CUncertaintyElements set;
    Page() {
        LoadDefaultData();
        auto* first = form.Add<QtPictureBox>("picAbsoluteContainer", 0);
        auto* last = form.Add<QtPictureBox>("picAbsoluteContainer", 1);
        first->Move(0, 0, 11400, 7000);
        last->Move(11400, 0, 11400, 7000);
        form.SetWidth(23000);
        form.SetHeight(7600);
        form.Show();
        set.SetHost({first, last});
        set.Render();
    }
};

void BM_UncertaintyRender(benchmark::State& state) {
    BenchApplication();
    Page page;
    for (auto _ : state) page.set.Render();
}
BENCHMARK(BM_UncertaintyRender)->Unit(benchmark::kMillisecond);

void BM_UncertaintySetDataUnchanged(benchmark::State& state) {
    BenchApplication();
    Page page;
    for (auto _ : state) page.set.SetData();
}
BENCHMARK(BM_UncertaintySetDataUnchanged)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace nuvir
