// Start-up, the update timers, the layout of the pages, the tab order and shut-down.
#include "mainwindow_fixture.h"

#include <QTabBar>

#include "appdata/ini.h"
#include "appdata/options.h"
#include "controls/boxarray.h"
#include "mainwindow/settingsfolder.h"
#include "platform/controls.h"

namespace nuvir::test {
namespace {

TEST_F(MainWindowTest, StartsWithDefaultsWhenNoSettingsFilesExist) {
    FRiskMain& w = Start();
    EXPECT_EQ(w.Caption(), "NUVIR");
    EXPECT_EQ(CStr(AppData(item::kSpecies)), "New Species");
    EXPECT_EQ(Item(item::kTrials), 1000);
    for (const std::string* folder : {&ReportPath, &SavePath, &BatchPath, &ExportPath}) EXPECT_EQ(*folder, dir.str());
    EXPECT_EQ(w.tmrUpdate[0]->Interval(), 200);
    EXPECT_TRUE(w.tmrUpdate[0]->Running());
    EXPECT_EQ(w.tmrUpdate[1]->Interval(), 500);
    EXPECT_FALSE(w.tmrUpdate[1]->Running());
    EXPECT_EQ(w.tmrUpdate[2]->Interval(), 200);
    EXPECT_FALSE(w.tmrUpdate[2]->Running());
    EXPECT_TRUE(w.picContainer[0]->Visible());
    EXPECT_EQ(w.txtTextBox[0]->Text(), "New Species");
    EXPECT_EQ(w.txtTextBox[2]->Text(), "1000");
    EXPECT_EQ(w.cboConfidence->Text(), "95 %");
    // A second activation (a dialog closed over the window) starts nothing again.
    const double tabWidth = w.TabWidth;
    AppData(item::kSpecies) = Variant("Kept");
    w.FormActivate();
    EXPECT_EQ(CStr(AppData(item::kSpecies)), "Kept");
    EXPECT_EQ(w.TabWidth, tabWidth);
}

TEST_F(MainWindowTest, EachPageAtTheStartUpSizeIsWrittenForReview) {
    FRiskMain& w = Start();
    SavePicture("ps_and_qs");
    w.tabMain->SetTab(1);
    SavePicture("uncertainty_relative");
    w.optUncertain[1]->SetValue(true);
    SavePicture("uncertainty_absolute");
    w.tabMain->SetTab(2);
    SavePicture("monte_carlo");
    EXPECT_TRUE(w.picContainer[2]->isVisible());
    EXPECT_FALSE(w.picContainer[1]->isVisible());
}

TEST_F(MainWindowTest, TimersFollowThePageShownWithinOneTick) {
    FRiskMain& w = Start();
    struct Case {
        const char* name;
        int page;
        bool chainSync, resultsCheck;
    };
    const Case cases[] = {
        {"Ps and Qs", 0, true, false},
        {"Uncertainty", 1, false, false},
        {"Monte Carlo", 2, false, true},
        {"back to Ps and Qs", 0, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        w.tabMain->SetTab(c.page);
        w.TimerTick(0);
        EXPECT_EQ(w.tmrUpdate[1]->Running(), c.chainSync);
        EXPECT_EQ(w.tmrUpdate[2]->Running(), c.resultsCheck);
    }
}

TEST_F(MainWindowTest, ChainSynchronisationFiresEvery500MsWhileHousekeepingRuns) {
    MainWindowParts parts;
    auto* chain = new FakeChain({0, 1000, 3000, 0});
    parts.makeChain = [chain] { return std::unique_ptr<ChainPort>(chain); };
    FRiskMain& w = Start(std::move(parts));
    int syncs = 0;
    QObject::connect(w.tmrUpdate[1]->Events(), &ControlEvents::Timer, [&] { ++syncs; });
    QTest::qWait(2100);
    // Housekeeping re-enables the 500 ms timer every 200 ms; it must keep counting.
    EXPECT_GE(syncs, 3);
    EXPECT_LE(syncs, 5);
}

TEST_F(MainWindowTest, CaptionShowsTheFileNameWithoutItsFolder) {
    FRiskMain& w = Start();
    w.StateFileName = "/x/y/a.raf";
    w.TimerTick(0);
    EXPECT_EQ(w.Caption(), "NUVIR [a.raf]");
    w.StateFileName.clear();
    w.TimerTick(0);
    EXPECT_EQ(w.Caption(), "NUVIR");
}

TEST_F(MainWindowTest, ShrinkingKeepsTheStartUpSizeAndEnlargingGrowsThePages) {
    FRiskMain& w = Start();
    const double tabW = w.tabMain->Width(), tabH = w.tabMain->Height();
    const double pageW = w.picContainer[1]->Width(), subW = w.tabAbsolute->Width();
    w.SetWidth(9000);
    w.SetHeight(7000);
    Settle();
    EXPECT_EQ(w.tabMain->Width(), tabW);
    EXPECT_EQ(w.tabMain->Height(), tabH);
    w.SetWidth(12000 + 1500);
    w.SetHeight(9000 + 900);
    Settle();
    EXPECT_NEAR(w.tabMain->Width(), tabW + 1500, 15);
    EXPECT_NEAR(w.tabMain->Height(), tabH + 900, 15);
    EXPECT_NEAR(w.picContainer[1]->Width(), pageW + 1500, 15);
    EXPECT_NEAR(w.tabAbsolute->Width(), subW + 1500, 15);
    EXPECT_NEAR(w.tabSimulationGraphs->Width(), w.picContainer[2]->Width(), 1);
}

TEST_F(MainWindowTest, AMinimisedWindowLaysNothingOut) {
    FRiskMain& w = Start();
    const int before = w.LayoutCount();
    w.setWindowState(Qt::WindowMinimized);
    w.FormResize();
    EXPECT_EQ(w.LayoutCount(), before);
    w.setWindowState(Qt::WindowNoState);
    w.FormResize();
    EXPECT_EQ(w.LayoutCount(), before + 1);
}

TEST_F(MainWindowTest, TheChainFitsItsShapeIntoWideAndTallAreas) {
    MainWindowParts parts;
    FakeChain* chain = nullptr;
    // 3000 wide, 1000 high: aspect 1/3.
    parts.makeChain = [&chain] {
        auto c = std::make_unique<FakeChain>(std::array<double, 4>{0, 1000, 3000, 0});
        chain = c.get();
        return std::unique_ptr<ChainPort>(std::move(c));
    };
    FRiskMain& w = Start(std::move(parts));
    QtPictureBox* pic = w.picChainContainer;
    Control* page = pic->Container();
    // The page is 11640 x about 7600: wider than the chain's shape allows, so the width
    // decides (W = 11640 - 60 - 60 = 11520 gives 3840 high).
    w.FitChainToContainer();
    EXPECT_NEAR(pic->Width(), page->Width() - 120, 15);
    EXPECT_NEAR(chain->ScaleFactor(), 0.98 * (page->Width() - 120) / 3 / 1000, 0.01);
    EXPECT_NEAR(pic->Height(), page->Height() - pic->Top(), 15);
    // A flat chain (10 wide for 1 high) in the same page: the height decides.
    w.ChainSize = {0, 1000, 30000, 0};
    w.FitChainToContainer();
    const double h = page->Height() - pic->Top() - 60;
    EXPECT_NEAR(chain->ScaleFactor(), 0.98 * (page->Width() - 120) / 30 / 1000, 0.01);
    w.ChainSize = {0, 10000, 1000, 0};
    w.FitChainToContainer();
    EXPECT_NEAR(pic->Width(), h / 10, 15);
    EXPECT_NEAR(chain->ScaleFactor(), 0.98 * h / 10000, 0.001);
    EXPECT_NEAR(pic->Height(), page->Height() - pic->Top(), 15);
    EXPECT_GT(chain->renders, 0);
}

TEST_F(MainWindowTest, HidingCostsSwitchesTheCostTabsAwayAndShowingThemEnablesThem) {
    FRiskMain& w = Start();
    w.tabAbsolute->SetTab(1);
    w.tabSimulationGraphs->SetTab(1);
    AppOptions(opt::kHideCosts) = Variant(true);
    w.TimerTick(0);
    for (TabControl* tab : {w.tabAbsolute, w.tabSimulationGraphs}) {
        EXPECT_EQ(tab->Tab(), 0);
        EXPECT_FALSE(tab->TabEnabled(1));
    }
    EXPECT_TRUE(w.picAbsoluteContainer[0]->Visible());
    EXPECT_EQ(w.CheckboxArray()->CheckBoxes()[9][0]->isVisibleTo(w.picUncertainContainer[0]), false);
    AppOptions(opt::kHideCosts) = Variant(false);
    w.TimerTick(0);
    for (TabControl* tab : {w.tabAbsolute, w.tabSimulationGraphs}) {
        EXPECT_EQ(tab->Tab(), 0);
        EXPECT_TRUE(tab->TabEnabled(1));
    }
}

TEST_F(MainWindowTest, CostsHiddenInTheSettingsAreHiddenAfterTheFirstTick) {
    WriteFile("nuvirOptions.ini", "[Appearance]\r\nHide Management Options=True\r\n");
    FRiskMain& w = Start();
    EXPECT_TRUE(w.mnuOptions[1]->Checked());
    w.TimerTick(0);
    EXPECT_FALSE(w.tabAbsolute->TabEnabled(1));
    EXPECT_FALSE(w.tabSimulationGraphs->TabEnabled(1));
}

TEST_F(MainWindowTest, TabIndexesFollowThePageAndTheUncertaintyView) {
    FRiskMain& w = Start();
    auto index = [&](const std::string& name) { return w.Find(name)->TabIndex(); };
    w.SetPageTabOrder(0);
    EXPECT_EQ(w.tabMain->TabIndex(), 0);
    EXPECT_EQ(w.txtTextBox[0]->TabIndex(), 1);
    EXPECT_EQ(w.txtTextBox[1]->TabIndex(), 2);
    EXPECT_FALSE(w.txtTextBox[2]->TabStop());

    w.SetPageTabOrder(1);  // relative view, four levels
    EXPECT_EQ(w.cmdButton[2]->TabIndex(), 1);
    EXPECT_EQ(index("chkArray1_0_0"), 2);
    EXPECT_EQ(index("chkArray1_3_2"), 2 + 4 * 3 + 2);
    EXPECT_EQ(index("chkArray1_12_3"), 53);
    EXPECT_EQ(w.vscRelUnc[0]->TabIndex(), 54);
    EXPECT_EQ(w.vscRelUnc[3]->TabIndex(), 57);

    w.updNumLevels->SetValue(5);
    w.SetPageTabOrder(1);
    EXPECT_EQ(index("chkArray1_3_2"), 2 + 5 * 3 + 2);
    EXPECT_EQ(index("chkArray1_12_4"), 66);
    EXPECT_EQ(w.vscRelUnc[0]->TabIndex(), 67);
    EXPECT_EQ(w.vscRelUnc[4]->TabIndex(), 71);

    w.SetPageTabOrder(2);
    const Control* order[] = {w.tabMain, w.txtTextBox[2], w.cboConfidence, w.cmdButton[0],
                              w.cmdButton[1], w.tabSimulationGraphs, w.cmdButton[3]};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(order[i]->TabIndex(), i);
        EXPECT_TRUE(order[i]->TabStop());
    }
    // The absolute view: the editors of p1..I5, then of F1..F4, three controls each.
    w.tabMain->SetTab(1);
    w.optUncertain[1]->SetValue(true);
    EXPECT_EQ(w.tabAbsolute->TabIndex(), 1);
    EXPECT_EQ(index("uncElemCboDt1"), 2);
    EXPECT_EQ(index("uncElemSlider9"), 28);
    w.tabAbsolute->SetTab(1);
    EXPECT_EQ(index("uncElemCboDt10"), 2);
    EXPECT_EQ(index("uncElemSlider13"), 13);
    EXPECT_NE(w.DumpTabStops().find("tabAbsolute//True/1\n"), std::string::npos);

    w.SetPageTabOrder(7);
    EXPECT_TRUE(w.tabMain->TabStop());
    EXPECT_FALSE(w.txtTextBox[0]->TabStop());
    EXPECT_FALSE(w.cmdButton[0]->TabStop());
}

TEST_F(MainWindowTest, TabWalksOnlyTheMonteCarloPageInItsOrder) {
    FRiskMain& w = Start();
    w.activateWindow();
    w.tabMain->SetTab(2);
    Settle();
    w.txtTextBox[2]->SetFocus();
    Settle();
    // Report waits for a run.
    const QWidget* expected[] = {w.cboConfidence, w.cmdButton[0], w.tabSimulationGraphs->Bar(),
                                 w.cmdButton[3], w.tabMain->Bar(), w.txtTextBox[2]};
    for (const QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        Settle();
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
}

TEST_F(MainWindowTest, ShutDownWritesBothSettingsFilesWithTheFoldersInOrder) {
    FRiskMain& w = Start();
    ReportPath = "/r";
    SavePath = "/s";
    BatchPath = "/b";
    ExportPath = "/e";
    AppData(item::kSpecies) = Variant("Zebra mussel");
    EXPECT_TRUE(w.Unload());
    const std::string program = ReadBytes(dir.file("nuvir.ini"));
    EXPECT_NE(program.find("Zebra mussel"), std::string::npos);
    EXPECT_NE(program.find("Reg Use Constant=False"), std::string::npos);
    EXPECT_NE(program.find("Rho Two Tails=True"), std::string::npos);
    const std::string options = ReadBytes(dir.file("nuvirOptions.ini"));
    const auto report = options.find("Report Path=/r"), save = options.find("Save Path=/s");
    const auto batch = options.find("Batch Path=/b"), exportPath = options.find("Export Path=/e");
    ASSERT_NE(report, std::string::npos);
    ASSERT_NE(exportPath, std::string::npos);
    EXPECT_LT(report, save);
    EXPECT_LT(save, batch);
    EXPECT_LT(batch, exportPath);
    EXPECT_TRUE(services.messageBox.calls.empty());
}

TEST_F(MainWindowTest, AnUnwritableSettingsFolderShutsDownQuietly) {
    SetAppPath(dir.str() + "/no/such/folder");
    FRiskMain& w = Start();
    EXPECT_TRUE(w.Unload());
    EXPECT_TRUE(services.messageBox.calls.empty());
}

TEST(SettingsFolder, AProgramFolderThatRefusesFilesSendsTheSettingsToTheConfigurationFolder) {
    auto refuse = [](const std::string&) { return false; };
    auto accept = [](const std::string&) { return true; };
    struct Case {
        const char* name;
        std::string xdg;
        bool writable;
        std::string settings, documents;
    };
    const Case cases[] = {
        {"writable program folder", "", true, "/opt/nuvir", "/opt/nuvir"},
        {"read-only, XDG set", "/cfg", false, "/cfg/nuvir", "/home/ann"},
        {"read-only, XDG unset", "", false, "/home/ann/.config/nuvir", "/home/ann"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramFolders f = ChooseProgramFolders("/opt/nuvir", c.xdg, "/home/ann", c.writable ? accept : refuse);
        EXPECT_EQ(f.settings, c.settings);
        EXPECT_EQ(f.documents, c.documents);
    }
    TempDir d;
    EXPECT_TRUE(FolderAcceptsFiles(d.str()));
    EXPECT_FALSE(FolderAcceptsFiles(d.str() + "/missing"));
}

}  // namespace
}  // namespace nuvir::test
