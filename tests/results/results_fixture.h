#pragma once
// Shared set-up of the results tests: a throwaway form with the controls of the
// results page, a fake main window host, scripted services, the program folder in a
// temporary folder and the default assessment as the application data.
#include <gtest/gtest.h>

#include <QImage>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "appdata/appdata.h"
#include "appdata/appservices.h"
#include "appdata/formatting.h"
#include "appdata/options.h"
#include "platform/controls.h"
#include "platform/fakeservices.h"
#include "platform/flexgrid.h"
#include "platform/form.h"
#include "platform/multilinetextbox.h"
#include "platform/popupmenu.h"
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
    std::string AskExportNames(std::string& baseName) override {
        exportAsked.push_back(baseName);
        baseName = "Ant_Here";
        return "";
    }
    bool EditPlotOptions(int plotType, double, double) override {
        editedTypes.push_back(plotType);
        if (onEditOptions) onEditOptions(plotType);
        return optionsChange;
    }
    void CloseMainWindow() override { ++closeCalls; }

    int mainPage = kMonteCarloPage, closeCalls = 0;
    std::vector<std::string> exportAsked;
    std::vector<int> editedTypes;
    bool optionsChange = false;
    std::function<void(int)> onEditOptions;
    std::function<void()> onReport = [] {};
};

class ResultsTest : public ::testing::Test {
protected:
    ResultsTest() {
        SetAppPath(dir.str());
        AppData = GetAppDataDefaults(false, Variant());
        MKelvaro::StoreOutcomeRisks(AppData);
        AppOptions = GetAppOptionsDefaults();
        BuildPage();
        rc = std::make_unique<ResultsController>(host, page);
        rc->ConnectPageEvents();
        rc->ArrangeResultPlots();
        rc->ClearResults(true);
    }
    ~ResultsTest() override {
        rc.reset();
        AppData = Variant();
        AppOptions = Variant();
    }

    void BuildPage() {
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
            auto* lab = page.labPicMonte[i] = form.Add<Label>("labPicMonte", i, tab);
            auto* pic = page.picMonte[i] = form.Add<QtPictureBox>("picMonte", i, tab);
            lab->SetCaption(i < 4 ? (i % 2 ? "Sensitivity Results:" : "Monte Carlo Results:") : "Cumulative:");
            lab->Move(240, 480, 2000, 255);
            pic->Move(240, 780, 3000, 3000);
            tab->SetControlTab(lab, (i == 2 || i == 3 || i == 5) ? 1 : 0);
            tab->SetControlTab(pic, (i == 2 || i == 3 || i == 5) ? 1 : 0);
        }
        page.labPicMonte[10] = form.Add<Label>("labPicMonte", 10);
        page.picShowSensMeasures = form.Add<QtPictureBox>("picShowSensMeasures");
        page.picShowSensMeasures->SetVisible(false);
        page.flxShowSensMeasures = form.Add<FlexGrid>("flxShowSensMeasures", -1, page.picShowSensMeasures);
        page.mnuSensPlotPopup = form.AddMenu("mnuMain", "Sens Plot Popup", nullptr, 4);
        const char* const items[3] = {"Show Details", "-", "Copy"};
        for (int i = 0; i < 3; ++i) page.mnuSensPlot[i] = form.AddMenu("mnuSensPlot", items[i], page.mnuSensPlotPopup, i);
    }

    // Runs the application data through the Run button with a given number of trials.
    bool Run(int trials = 1000) {
        AppData(item::kTrials) = trials;
        page.cmdButton[0]->click();
        return rc->State().ResultsValid;
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
