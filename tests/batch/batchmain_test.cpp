// The batch window beside the real main window: File > "&Batch Mode", the main
// window's housekeeping tick, shut-down, and a whole round as a person would do it.
#include "batch_fixture.h"
#include "mainwindow/batchwindowpart.h"
#include "mainwindow/mainwindow_fixture.h"
#include "platform/multilinetextbox.h"

namespace nuvir::batchtest {
namespace {

class MainBatchTest : public test::MainWindowTest {
protected:
    FRiskMain& StartWithBatch() {
        MainWindowParts parts;
        parts.makeBatchWindow = MakeBatchWindow;
        FRiskMain& w = Start(std::move(parts));
        w.SetLeft(1500);
        w.SetTop(1200);
        return w;
    }
    FBatch* Batch() {
        return win->BatchForm ? &static_cast<BatchWindowPart&>(*win->BatchForm).Form() : nullptr;
    }
    void OpenBatchMode() {
        win->mnuFile[7]->Trigger();
        test::Settle();
    }
    void TypeSpecies(const std::string& name) {
        // Into the main window, a click into the species box, the old name selected.
        QApplication::setActiveWindow(win.get());
        TextBox* box = win->txtTextBox[0];
        QTest::mouseClick(box, Qt::LeftButton);
        box->selectAll();
        QTest::keyClicks(box, QString::fromStdString(name));
    }
};

TEST_F(MainBatchTest, BatchModeOpensOneWindowCentredOverTheMainWindow) {
    StartWithBatch();
    OpenBatchMode();
    FBatch* batch = Batch();
    ASSERT_NE(batch, nullptr);
    EXPECT_TRUE(batch->isVisible());
    EXPECT_NEAR(batch->Left(), win->Left() + (win->Width() - batch->Width()) / 2, 30);
    EXPECT_NEAR(batch->Top(), win->Top() + (win->Height() - batch->Height()) / 2, 30);
    OpenBatchMode();
    EXPECT_EQ(Batch(), batch);
}

TEST_F(MainBatchTest, TheHousekeepingTickHidesItWithTheMainWindowAndReleasesItOnceClosed) {
    StartWithBatch();
    OpenBatchMode();
    FBatch* batch = Batch();
    win->showMinimized();
    win->TimerTick(0);
    EXPECT_FALSE(batch->isVisible());
    win->showNormal();
    win->TimerTick(0);
    EXPECT_TRUE(batch->isVisible());

    batch->close();  // nothing changed: no question
    EXPECT_TRUE(services.messageBox.calls.empty());
    win->TimerTick(0);
    EXPECT_EQ(win->BatchForm, nullptr);
}

TEST_F(MainBatchTest, ARefusedCloseAtShutDownKeepsBothWindows) {
    StartWithBatch();
    OpenBatchMode();
    Batch()->ListBox()->SetText("SPECIES=A\r\n");
    services.messageBox.QueueAnswer(mb::Yes);
    files.QueueCancel();
    win->close();
    EXPECT_TRUE(win->isVisible());
    ASSERT_NE(Batch(), nullptr);
    EXPECT_TRUE(Batch()->isVisible());

    services.messageBox.QueueAnswer(mb::No);
    win->close();
    EXPECT_FALSE(win->isVisible());
}

TEST_F(MainBatchTest, AWholeRoundCaptureSaveRunAndTheCsv) {
    StartWithBatch();
    OpenBatchMode();
    FBatch* batch = Batch();
    ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));  // Record
    for (const char* species : {"Apis, mellifera", "Rattus rattus", "Vespula"}) {
        TypeSpecies(species);
        QTest::mouseClick(batch->Button(0), Qt::LeftButton);
    }
    batch->StateTick();
    EXPECT_EQ(batch->BatchLabel(1)->Caption(), "3");
    ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));  // Stop Recording
    batch->StateTick();

    files.QueueAnswer(dir.file("round.RAB"));
    ASSERT_TRUE(Choose(batch->MainMenu(0), batch->FileMenu(1)));
    const std::string list = test::ReadBytes(dir.file("round.RAB"));
    EXPECT_TRUE(list.starts_with("SPECIES=APIS, MELLIFERA;")) << list;
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 3);

    TypeSpecies("Analyst's own");
    files.QueueAnswer(dir.file("round.CSV"));
    QTest::mouseClick(batch->Button(1), Qt::LeftButton);
    const std::string csv = test::ReadBytes(dir.file("round.CSV"));
    EXPECT_TRUE(csv.starts_with("SPECIES,LOCATION,N,")) << csv;
    EXPECT_EQ(services.messageBox.calls.back().title, "Success running batch file");
    // The analyst's own assessment and the main window come back.
    EXPECT_EQ(CStr(AppData(item::kSpecies)), "Analyst's own");
    EXPECT_TRUE(win->isEnabled());
    EXPECT_TRUE(win->tmrUpdate[0]->Running());
    EXPECT_TRUE(win->cmdButton[0]->Enabled());
}

TEST_F(MainBatchTest, TheMainWindowCannotCloseOrRestartItsTimersDuringABatchRun) {
    StartWithBatch();
    OpenBatchMode();
    FBatch* batch = Batch();
    batch->ListBox()->SetText("SPECIES=A\r\nSPECIES=B\r\n");
    batch->StateTick();
    int yields = 0;
    services.yield.onYield = [&] {
        ++yields;
        win->close();
        EXPECT_TRUE(win->isVisible());
        EXPECT_FALSE(win->isEnabled());
        EXPECT_FALSE(win->tmrUpdate[0]->Running() || win->tmrUpdate[1]->Running());
    };
    files.QueueAnswer(dir.file("during.CSV"));
    QTest::mouseClick(batch->Button(1), Qt::LeftButton);
    services.yield.onYield = nullptr;
    EXPECT_EQ(yields, 3);
    EXPECT_TRUE(win->isVisible() && win->isEnabled());
}

TEST_F(MainBatchTest, PictureBesideTheMainWindow) {
    StartWithBatch();
    OpenBatchMode();
    FBatch* batch = Batch();
    batch->ListBox()->SetText("SPECIES=RATTUS RATTUS;LOCATION=NORTH ISLAND;N=5000\r\n");
    ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));
    batch->StateTick();
    test::Settle();
    SaveWindowsPicture({win.get(), batch}, "batch_beside_main.png");
}

}  // namespace
}  // namespace nuvir::batchtest
