// Start-up, the update timers and shut-down.
#include "mainwindow_fixture.h"

#include "appdata/ini.h"
#include "appdata/options.h"

namespace nuvir::test {
namespace {

TEST_F(MainWindowTest, StartsWithDefaultsWhenNoSettingsFilesExist) {
    FRiskMain& w = Start();
    EXPECT_EQ(w.Caption(), "NUVIR");
    EXPECT_EQ(CStr(AppData(item::kSpecies)), "New Species");
    EXPECT_EQ(Item(item::kTrials), 1000);
    EXPECT_EQ(ReportPath, dir.str());
    EXPECT_EQ(SavePath, dir.str());
    EXPECT_EQ(BatchPath, dir.str());
    EXPECT_EQ(ExportPath, dir.str());
    EXPECT_EQ(w.tmrUpdate[0]->Interval(), 200);
    EXPECT_TRUE(w.tmrUpdate[0]->Running());
    EXPECT_EQ(w.tmrUpdate[1]->Interval(), 500);
    EXPECT_FALSE(w.tmrUpdate[1]->Running());
    EXPECT_EQ(w.tmrUpdate[2]->Interval(), 200);
    EXPECT_FALSE(w.tmrUpdate[2]->Running());
    EXPECT_TRUE(w.picContainer[0]->Visible());
    EXPECT_EQ(w.txtTextBox[0]->Text(), "New Species");
    EXPECT_EQ(w.tabMain->Tab(), 0);
    for (const char* page : {"ps_and_qs", "uncertainty", "monte_carlo"}) {
        SavePicture(page);
        if (w.tabMain->Tab() < 2) w.tabMain->SetTab(w.tabMain->Tab() + 1);
    }
    w.tabMain->SetTab(1);
    w.optUncertain[1]->SetValue(true);
    SavePicture("uncertainty_absolute");
}

}  // namespace
}  // namespace nuvir::test
