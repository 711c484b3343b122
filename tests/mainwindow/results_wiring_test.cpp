// The results display in the window: Run from the "Monte Carlo" page, the result lines
// and plots, the report of the run on show, and the commands that wait while a run is
// in progress.
#include "mainwindow_fixture.h"
#include "platform/clipboardowner.h"
#include "platform/multilinetextbox.h"

namespace nuvir::test {
namespace {

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

TEST_F(MainWindowTest, RunFromTheMonteCarloPageShowsLinesAndPlotsAndReportWritesThem) {
    FRiskMain& w = Start(WithResults());
    EXPECT_EQ(TextOf(AppOptions(opt::kReportViewer)), "") << "no association on this machine";
    w.tabMain->SetTab(2);
    Settle();
    w.cmdButton[0]->click();
    EXPECT_TRUE(services.messageBox.calls.empty());
    EXPECT_EQ(std::count(w.txtMonte[0]->Text().begin(), w.txtMonte[0]->Text().end(), '\t'), 4);
    EXPECT_EQ(w.picMonte[0]->ScaleMode(), scale::User) << "the histogram was drawn";
    w.TimerTick(2);
    EXPECT_TRUE(w.cmdButton[1]->isEnabled());
    EXPECT_FALSE(w.labPicMonte[10]->Visible());
    SavePicture("results_after_run");

    const std::string target = dir.file("report.rtf");
    files.QueueAnswer(target);
    w.cmdButton[1]->click();
    EXPECT_TRUE(services.messageBox.calls.empty());
    ASSERT_EQ(files.requests.size(), 1u);
    EXPECT_EQ(files.requests[0].fileName, "New_Specie_New_Locati.rtf");
    const std::string report = ReadBytes(target);
    EXPECT_EQ(Count(report, "\\pngblip"), 7);
    EXPECT_EQ(Count(report, "Plot not available"), 0);
    EXPECT_EQ(Count(report, "(CI = 95 %)"), 2);
    EXPECT_EQ(Count(report, "New Species"), 1);
    EXPECT_TRUE(ClipboardRtfBytes() == report);

    // The results-state timer follows the data: changed, then changed back.
    AppData(item::kSpecies) = Variant("Changed");
    w.TimerTick(2);
    EXPECT_TRUE(w.labPicMonte[10]->Visible());
    EXPECT_EQ(w.labPicMonte[10]->Caption(), "**** Data has changed! ****");
    EXPECT_FALSE(w.cmdButton[1]->Enabled());
    AppData(item::kSpecies) = Variant("New Species");
    w.TimerTick(2);
    EXPECT_FALSE(w.labPicMonte[10]->Visible());
    EXPECT_TRUE(w.cmdButton[1]->Enabled());
}

TEST_F(MainWindowTest, FileNewDuringARunWaitsAndTheCloseIsDeferred) {
    FRiskMain& w = Start(WithResults());
    w.tabMain->SetTab(2);
    AppData(item::kTrials) = 2000;
    int tried = 0;
    services.yield.onYield = [&] {
        if (!w.Results().Busy()) return;
        ++tried;
        w.FileNew();
        EXPECT_FALSE(w.FormQueryUnload()) << "the close waits for the run";
    };
    w.cmdButton[0]->click();
    services.yield.onYield = nullptr;
    EXPECT_GT(tried, 0);
    EXPECT_EQ(Item(item::kTrials), 2000) << "New did nothing during the run";
    EXPECT_TRUE(w.Results().ResultsValid());
}

}  // namespace
}  // namespace nuvir::test
