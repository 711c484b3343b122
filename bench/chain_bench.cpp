// The chain diagram: one full render of the default chain on a picture of the size the
// main window gives it, flood fills and labels included.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "appdata/appdata.h"
#include "appdata/options.h"
#include "chain/chain.h"
#include "platform/picturebox.h"

namespace {

// Fonts and images need the application object; the offscreen platform needs no screen.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "nuvir_bench";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
}

void BM_ChainRender(benchmark::State& state) {
    EnsureApplication();
    nuvir::AppData = nuvir::GetAppDataDefaults(true, nuvir::Variant());
    nuvir::AppOptions = nuvir::GetAppOptionsDefaults();
    nuvir::ImagePictureBox pic(1200, 700);
    nuvir::CChain chain;
    chain.SetHost(&pic);
    chain.Measure();
    chain.SetScaleFactor(5);
    chain.SetData(nuvir::AppData);
    for (auto _ : state) chain.Render();
}
BENCHMARK(BM_ChainRender)->Unit(benchmark::kMillisecond);

}  // namespace
