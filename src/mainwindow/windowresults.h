#pragma once
// The results display of the main window: the results page's controller on the
// window's own controls, as the window's ResultsPort, and the window as the
// controller's host (its pages, the export naming and plot options dialogs, closing).
#include <functional>
#include <memory>
#include <string>

#include "mainwindow/mainports.h"
#include "results/resultscontroller.h"
#include "results/resultshost.h"

namespace nuvir {

class FRiskMain;

class WindowResults : public ResultsPort, public ResultsHost {
public:
    explicit WindowResults(FRiskMain& window);

    ResultsController& Controller() { return *controller_; }

    // The Report command (the report subsystem's, set by the constructor).
    std::function<void()> runReport;

    // ---- ResultsPort ------------------------------------------------------------------
    bool ResultsValid() const override { return controller_->State().ResultsValid; }
    bool BatchMode() const override { return controller_->State().BatchMode; }
    void SetBatchMode(bool on) override { controller_->State().BatchMode = on; }
    int EditedPlotType() const override { return controller_->State().EditedPlotType; }
    void SetEditedPlotType(int type) override { controller_->State().EditedPlotType = type; }
    void ClearResults(bool all) override { controller_->ClearResults(all); }
    void ResultsStateTick() override { controller_->ResultsStateTick(); }
    void ArrangeResultPlots() override { controller_->ArrangeResultPlots(); }
    void RefreshSensitivityDetails() override { controller_->RefreshSensitivityDetails(); }
    void CopySensitivityTable() override { controller_->CopySensitivityTable(); }
    void RedrawAfterOptionsChange() override { controller_->RedrawAfterOptionsChange(); }
    void SavePlotOptionsToIni() override { controller_->SavePlotOptionsToIni(); }
    std::optional<BatchResult> RunBatchEntry() override;
    bool Busy() const override { return controller_->IsBusy(); }
    bool RequestClose() override { return controller_->RequestClose(); }

    // ---- ResultsHost ------------------------------------------------------------------
    int ShownMainPage() const override;
    void CopyRelativeToAbsolute() override;
    void RunReport() override;
    std::string AskExportNames(std::string& baseName) override;
    bool EditPlotOptions(int plotType, double screenLeftTwips, double screenTopTwips) override;
    void CloseMainWindow() override;

private:
    FRiskMain& window_;
    std::unique_ptr<ResultsController> controller_;
};

}  // namespace nuvir
