#include "mainwindow/windowresults.h"

#include <QMetaObject>

#include "dialogs/exportname.h"
#include "dialogs/plotoptions.h"
#include "mainwindow/riskmain.h"
#include "mainwindow/windowreport.h"

namespace nuvir {

WindowResults::WindowResults(FRiskMain& window) : window_(window) {
    ResultsPage page;
    page.cmdButton = window.cmdButton;
    page.txtMonte = window.txtMonte;
    page.labMonte = window.labMonte;
    page.picMonte = window.picMonte;
    page.labPicMonte = window.labPicMonte;
    page.tabSimulationGraphs = window.tabSimulationGraphs;
    page.picShowSensMeasures = window.picShowSensMeasures;
    page.flxShowSensMeasures = window.flxShowSensMeasures;
    page.mnuSensPlotPopup = window.mnuMain[4];
    page.mnuSensPlot = window.mnuSensPlot;
    controller_ = std::make_unique<ResultsController>(*this, page);
    controller_->ConnectPageEvents();
    runReport = [this] { WindowReport(window_, *controller_).RunReport(); };
}

std::optional<BatchResult> WindowResults::RunBatchEntry() {
    controller_->ClearResults(true);
    if (!controller_->SimulateAppData()) return std::nullopt;
    const RunState& s = controller_->State();
    const auto stats = [&s](int m) {
        const auto k = static_cast<std::size_t>(m);
        return BatchOutputStats{s.RunSummary.mean[k], s.RunSummary.sd[k], s.RunSummary.min[k],
                                s.RunSummary.max[k],  s.RunLimits[k][0],  s.RunLimits[k][1]};
    };
    BatchResult r;
    r.trials = s.RunSummary.trials;
    r.pointTotalRisk = s.PointTotalRisk;
    r.risk = stats(outcol::kTotalRisk);
    r.pointTotalCost = s.PointTotalCost;
    r.cost = stats(outcol::kTotalCost);
    return r;
}

int WindowResults::ShownMainPage() const { return window_.tabMain != nullptr ? window_.tabMain->Tab() : -1; }

void WindowResults::CopyRelativeToAbsolute() { window_.CopyRelativeToAbsolute(); }

void WindowResults::RunReport() {
    if (runReport) runReport();
}

std::string WindowResults::AskExportNames(std::string& baseName) {
    FExportName dialog;
    dialog.BaseName = baseName;
    dialog.ShowModal();
    baseName = dialog.BaseName;
    return dialog.TargetPaths;
}

bool WindowResults::EditPlotOptions(int plotType, double screenLeftTwips, double screenTopTwips) {
    FPlotOptions dialog;
    dialog.PlotType = plotType;
    dialog.SetLeft(screenLeftTwips);
    dialog.SetTop(screenTopTwips);
    dialog.OptionsChanged = false;
    dialog.ShowModal();
    return dialog.OptionsChanged;
}

void WindowResults::CloseMainWindow() {
    // After the handler that ran the operation has returned.
    QMetaObject::invokeMethod(
        &window_, [w = &window_] { w->close(); }, Qt::QueuedConnection);
}

}  // namespace nuvir
