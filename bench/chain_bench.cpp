// The chain diagram: one full render of the default chain on a picture of the size the
// main window gives it, flood fills and labels included.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>

#include "benchapp.h"

#include "chain/chain.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/picturebox.h"
#include "platform/qtpicturebox.h"

namespace {

void BM_ChainRender(benchmark::State& state) {
    BenchApplication();
    LoadDefaultData();
    nuvir::ImagePictureBox pic(1200, 700);
    nuvir::CChain chain;
    chain.SetHost(&pic);
    chain.Measure();
    chain.SetScaleFactor(5);
    chain.SetData(nuvir::AppData);
    for (auto _ : state) chain.Render();
}
BENCHMARK(BM_ChainRender)->Unit(benchmark::kMillisecond);

// Enter in the edit box open over p2: the check, the store, the recalculation of stages
// 2 to 4, their redraw with flood fills and labels, the totals, and the redraws that the
// box's validation runs as the focus moves to the picture.
void BM_ChainEnterCommit(benchmark::State& state) {
    BenchApplication();
    LoadDefaultData();
    nuvir::Form form;
    auto* pic = form.Add<nuvir::QtPictureBox>("picChainContainer");
    pic->SetBorderStyle(0);
    pic->Move(0, 0, 18000, 10500);  // 1200 x 700 pixels
    auto* box = form.Add<nuvir::TextBox>("txtChainEditBox", -1, pic);
    box->Move(0, 0, 900, 315);
    box->SetVisible(false);
    form.SetWidth(18500);
    form.SetHeight(11500);
    form.Show();
    QApplication::setActiveWindow(&form);
    nuvir::CChain chain;
    chain.SetHost(pic);
    chain.SetEditBox(box);
    chain.Measure();
    chain.SetScaleFactor(5);
    chain.SetData(nuvir::AppData);
    chain.Render();
    bool flip = false;
    for (auto _ : state) {
        state.PauseTiming();
        chain.Element(2)->DisplayTextBox(nuvir::CChainElement::kPartP);
        box->SetText((flip = !flip) ? "0.3" : "0.4");
        state.ResumeTiming();
        QTest::keyClick(box, Qt::Key_Return);
    }
}
BENCHMARK(BM_ChainEnterCommit)->Unit(benchmark::kMillisecond);

}  // namespace
