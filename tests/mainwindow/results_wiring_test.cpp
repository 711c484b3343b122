// The results display in the window: Run from the "Monte Carlo" page, the result lines
// and plots, and the commands that wait while a run is in progress.
#include "mainwindow/windowresults.h"
#include "mainwindow_fixture.h"
#include "platform/multilinetextbox.h"

namespace nuvir::test {
namespace {

MainWindowParts WithResults() {
    MainWindowParts parts;
    parts.makeResults = [](FRiskMain& w) { return std::make_unique<WindowResults>(w); };
    return parts;
}

TEST_F(MainWindowTest, RunFromTheMonteCarloPageShowsLinesAndPlots) {
    FRiskMain& w = Start(WithResults());
    w.tabMain->SetTab(2);
    Settle();
    w.cmdButton[0]->click();
    EXPECT_TRUE(services.messageBox.calls.empty());
    EXPECT_TRUE(w.Results().ResultsValid());
    EXPECT_EQ(std::count(w.txtMonte[0]->Text().begin(), w.txtMonte[0]->Text().end(), '\t'), 4);
    EXPECT_EQ(w.picMonte[0]->ScaleMode(), scale::User) << "the histogram was drawn";
    w.TimerTick(2);
    EXPECT_TRUE(w.cmdButton[1]->isEnabled());
    EXPECT_FALSE(w.labPicMonte[10]->Visible());
    SavePicture("results_after_run");
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
    const std::string species = TextOf(AppData(item::kSpecies));
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
    EXPECT_EQ(TextOf(AppData(item::kSpecies)), species) << "New did nothing during the run";
    EXPECT_TRUE(w.Results().ResultsValid());
}

}  // namespace
}  // namespace nuvir::test
