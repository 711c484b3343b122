#pragma once
// Shared set-up of the results tests: a throwaway form with the controls of the
// results page, a fake main window host, scripted services, the program folder in a
// temporary folder and the default assessment as the application data.
#include "appdata/appservices.h"
#include "utilities/formatting.h"
#include "defaultdata.h"
#include "platform/controls.h"
#include "support/fakeservices.h"
#include "platform/flexgrid.h"
#include "platform/form.h"
#include "platform/multilinetextbox.h"
#include "support/fakepopupmenu.h"
#include "platform/qtpicturebox.h"
#include "results/resultscontroller.h"
#include "runtime/convert.h"
#include "testsupport.h"

namespace nuvir::test {

class FakeResultsHost : public ResultsHost {
public:
    int ShownMainPage() const override { return mainPage; }
    void CopyRelativeToAbsolute() override {}
    void RunReport() override { onReport(); }
    // Shows the name it was given and gives another back.
    std::string AskExportNames(std::string& baseName) override {
        exportAsked.push_back(std::exchange(baseName, "Ant_Here"));
        return exportPaths;
    }
    bool EditPlotOptions(int plotType, double, double) override {
        editedTypes.push_back(plotType);
        return onEditOptions(plotType);
    }
    void CloseMainWindow() override { ++closeCalls; }

    int mainPage = kMonteCarloPage, closeCalls = 0;
    std::vector<std::string> exportAsked;
    // The target paths the dialog hands back: none, its "Skip Export".
    std::string exportPaths;
    std::vector<int> editedTypes;
    std::function<bool(int)> onEditOptions = [](int) { return false; };
    std::function<void()> onReport = [] {};
};

class ResultsTest : public DefaultDataTest {
protected:
    void SetUp() override {
        DefaultDataTest::SetUp();
        SetAppPath(dir.str());
        MKelvaro::StoreOutcomeRisks(AppData);
        form.Move(0, 0, 12000, 9000);
        for (int i = 0; i < 4; ++i) page.cmdButton[i] = form.Add<CommandButton>("cmdButton", i);
        for (int i = 0; i < 2; ++i) {
            (page.txtMonte[i] = form.Add<MultiLineTextBox>("txtMonte", i))->Move(240, 600, 8000, 1200);
            (page.labMonte[i] = form.Add<Label>("labMonte", i))->Move(240, 300, 8000, 255);
            const std::string output = i ? "Cost" : "TBR";
            page.labMonte[i]->SetCaption(output + ", Sim Mean, Sim SD, Lower Limit, Upper Limit:");
        }
        auto* tab = page.tabSimulationGraphs = form.Add<TabControl>("tabSimulationGraphs");
        tab->SetTabs(2);
        tab->Move(0, 2400, 11800, 5400);
        for (int i = 0; i < 6; ++i) {
            (page.labPicMonte[i] = form.Add<Label>("labPicMonte", i, tab))->Move(240, 480, 2000, 255);
            (page.picMonte[i] = form.Add<QtPictureBox>("picMonte", i, tab))->Move(240, 780, 3000, 3000);
            page.labPicMonte[i]->SetCaption(i > 3 ? "Cumulative:" : i % 2 ? "Sensitivity:" : "Monte Carlo:");
            tab->SetControlTab(page.labPicMonte[i], (i == 2 || i == 3 || i == 5) ? 1 : 0);
            tab->SetControlTab(page.picMonte[i], (i == 2 || i == 3 || i == 5) ? 1 : 0);
        }
        page.labPicMonte[10] = form.Add<Label>("labPicMonte", 10);
        page.picShowSensMeasures = form.Add<QtPictureBox>("picShowSensMeasures");
        page.picShowSensMeasures->SetVisible(false);
        page.flxShowSensMeasures = form.Add<FlexGrid>("flxShowSensMeasures", -1, page.picShowSensMeasures);
        page.mnuSensPlotPopup = form.AddMenu("mnuMain", "Sens Plot Popup", nullptr, 4);
        const char* const items[3] = {"Show Details", "-", "Copy"};
        for (int i = 0; i < 3; ++i) {
            page.mnuSensPlot[i] = form.AddMenu("mnuSensPlot", items[i], page.mnuSensPlotPopup, i);
        }
        rc = std::make_unique<ResultsController>(host, page);
        rc->ConnectPageEvents();
        rc->ArrangeResultPlots();
        rc->ClearResults(true);
    }

    // Runs the application data through the Run button with a given number of trials.
    bool Run(int trials = 1000) {
        AppData(item::kTrials) = trials;
        page.cmdButton[0]->click();
        return rc->State().ResultsValid;
    }
    // The default assessment with I1 at 0, which in relative mode leaves it without
    // spread, and costs of 100 to 400 at levels 0 to 3, run with the custom generator
    // from seed 4949: only uniform draws, so the 1000 trials repeat bit for bit.
    bool RunWithI1Fixed(bool constant) {
        AppData(item::Relative(item::kI1))(0) = 0.0;
        AppData(item::PointValue(item::kI1)) = 0.0;
        for (int k = 9; k <= 12; ++k) {
            AppData(item::Relative(k)) = Variant::List({Variant(100.0 * (k - 8)), Variant(0), Variant(k - 9)});
            AppData(item::PointValue(k)) = 100.0 * (k - 8);
        }
        MKelvaro::StoreOutcomeRisks(AppData);
        AppData(item::kPrng) = 1;
        AppData(item::kRegUseConstant) = constant;
        rc->runSeed = 4949;
        return Run(1000);
    }
    // A right click on the risk sensitivity plot, its popup answered with one entry.
    void ChooseFromPopup(int entry) {
        popups.QueueChoice(entry);
        rc->picMonte_MouseUp(1, 2, 0, 1, 0.5);
    }
    const std::vector<FakeMessageBox::Call>& Messages() const { return services.messageBox.calls; }
    // Where a person would rather look: the picture into the build folder.
    static void SavePicture(const QImage& image, const std::string& name) { image.save(QString::fromStdString(name)); }

    TempDir dir;
    FakeServices services;
    FakePopupMenu popups;
    FakeResultsHost host;
    Form form;
    ResultsPage page;
    std::unique_ptr<ResultsController> rc;
};

}  // namespace nuvir::test
