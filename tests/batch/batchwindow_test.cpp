// The batch window driven as a person would, offscreen, with the state timer's tick
// called directly.
#include <QTest>

#include "batch_fixture.h"
#include "platform/controls.h"
#include "platform/multilinetextbox.h"
#include "platform/screen.h"

namespace nuvir::batchtest {
namespace {

void Click(CommandButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

TEST_F(BatchWindowTest, ANewWindowFloatsOverTheMainWindowWithRunAndClearDisabled) {
    EXPECT_TRUE(batch->windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(batch->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(batch->Caption(), "     NUVIR Batch Module");
    EXPECT_NEAR(batch->ScaleWidth(), 8490, 15);
    EXPECT_NEAR(batch->ScaleHeight(), 6405, 15);
    EXPECT_EQ(batch->HelpContextID(), 25);
    EXPECT_TRUE(batch->StateTimer()->Running());
    EXPECT_EQ(batch->StateTimer()->Interval(), 300);
    EXPECT_FALSE(batch->Button(0)->Visible());
    EXPECT_TRUE(batch->Button(1)->Visible() && batch->Button(2)->Visible());
    EXPECT_FALSE(batch->Button(1)->Enabled() || batch->Button(2)->Enabled());
    EXPECT_FALSE(batch->BatchLabel(0)->Visible() || batch->BatchLabel(1)->Visible());
    EXPECT_EQ(batch->Button(2)->Left(), 1455);
    EXPECT_EQ(batch->BatchLabel(0)->Left(), 2310);
    // The counter follows its caption, which this platform's font makes wider.
    EXPECT_EQ(batch->BatchLabel(1)->Left(), 2310 + batch->BatchLabel(0)->Width() + 60);
    EXPECT_GE(batch->BatchLabel(1)->Left(), 3585);

    // Centred over the main window at the first tick.
    batch->StateTick();
    EXPECT_NEAR(batch->Left(), 1500 + (12000 - batch->Width()) / 2, 15);
    EXPECT_NEAR(batch->Top(), 1200 + (9000 - batch->Height()) / 2, 15);
}

TEST_F(BatchWindowTest, RecordingCapturesIntoAStripOnTheMainWindowsTopEdge) {
    const double normalWidth = batch->Width();
    const double normalHeight = batch->Height();
    ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));
    EXPECT_EQ(batch->MainMenu(1)->Caption(), "Stop Recording");
    EXPECT_EQ(batch->Width(), 4770);
    EXPECT_LT(batch->Height(), 1500);
    // The strip holds its menu bar and the button row.
    EXPECT_GE(batch->ScaleHeight(), 60 + 255);

    main.SetLeft(3000);
    main.SetTop(600);
    batch->StateTick();
    EXPECT_NEAR(batch->Left(), 3000 + 12000 - 4770 - 1500, 15);
    EXPECT_NEAR(batch->Top(), 600, 15);
    EXPECT_FALSE(batch->MainMenu(0)->Enabled());
    EXPECT_TRUE(batch->Button(0)->Visible());
    EXPECT_FALSE(batch->Button(1)->Visible() || batch->Button(2)->Visible());

    Click(batch->Button(0));
    Click(batch->Button(0));
    batch->StateTick();
    EXPECT_TRUE(batch->BatchLabel(1)->Visible());
    EXPECT_EQ(batch->BatchLabel(1)->Caption(), "2");
    EXPECT_EQ(batch->ListBox()->Text(), "SPECIES=A;N=1000\r\nSPECIES=A;N=1000\r\n");

    // Back to the size of the first activation, whatever was done to the size since.
    batch->setFixedSize(300, 200);
    ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));
    EXPECT_EQ(batch->Width(), normalWidth);
    EXPECT_EQ(batch->Height(), normalHeight);
    batch->StateTick();
    EXPECT_TRUE(batch->MainMenu(0)->Enabled() && batch->FileMenu(1)->Enabled());
    EXPECT_TRUE(batch->Button(1)->Enabled() && batch->Button(2)->Enabled());
}

TEST_F(BatchWindowTest, AMessageBoxShowsWithTheWindowMinimisedAndItsTimerStopped) {
    struct Inspecting : MessageBoxService {
        FBatch* window = nullptr;
        bool minimised = false;
        bool timerRunning = true;
        int Show(const std::string&, int, const std::string&) override {
            minimised = window->isMinimized();
            timerRunning = window->StateTimer()->Running();
            return mb::OK;
        }
    } box;
    box.window = batch.get();
    ScopedServices scope(ServiceSet{&box});
    EXPECT_TRUE(batch->Session().BatchMessage("Hello", mb::OKOnly, "Title"));
    EXPECT_TRUE(box.minimised);
    EXPECT_FALSE(box.timerRunning);
    EXPECT_FALSE(batch->isMinimized());
    EXPECT_TRUE(batch->StateTimer()->Running());
}

TEST_F(BatchWindowTest, TypedLinesJoinTheListWithCrLf) {
    batch->ListBox()->setFocus();
    QTest::keyClicks(batch->ListBox(), "S1");
    QTest::keyClick(batch->ListBox(), Qt::Key_Return);
    QTest::keyClicks(batch->ListBox(), "S2");
    EXPECT_EQ(batch->Session().List().Text(), "S1\r\nS2");
    batch->StateTick();
    EXPECT_TRUE(batch->FileMenu(1)->Enabled());
    EXPECT_TRUE(batch->Button(1)->Enabled());
    // Esc is no way out of the batch window.
    QTest::keyClick(batch->ListBox(), Qt::Key_Escape);
    EXPECT_TRUE(batch->isVisible());
}

TEST_F(BatchWindowTest, DuringARunTheMenusAndButtonsAreOff) {
    batch->ListBox()->SetText("S1\r\nS2\r\n");
    batch->StateTick();
    int checks = 0;
    services.yield.onYield = [&] {
        ++checks;
        EXPECT_FALSE(batch->MainMenu(0)->Enabled() || batch->MainMenu(1)->Enabled());
        EXPECT_FALSE(batch->Button(1)->Enabled() || batch->Button(2)->Enabled());
        EXPECT_TRUE(batch->ListBox()->Locked());
        EXPECT_FALSE(batch->StateTimer()->Running());
        EXPECT_EQ(batch->BatchLabel(0)->Caption(), "Spec Being Run:");
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    };
    dialog.QueueAnswer(dir.file("out.CSV"));
    Click(batch->Button(1));
    EXPECT_EQ(checks, 3);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(batch->MainMenu(0)->Enabled() && batch->MainMenu(1)->Enabled());
    EXPECT_TRUE(batch->StateTimer()->Running());
    EXPECT_FALSE(batch->ListBox()->Locked());
    EXPECT_EQ(batch->BatchLabel(0)->Caption(), "Captured Specs:");
    EXPECT_EQ(batch->BatchLabel(1)->Caption(), "2");
}

TEST_F(BatchWindowTest, ClosingWithAChangedListAsksFirst) {
    batch->ListBox()->SetText("S1\r\n");
    services.messageBox.QueueAnswer(mb::Yes);
    dialog.QueueCancel();
    batch->close();
    EXPECT_TRUE(batch->isVisible());
    EXPECT_FALSE(batch->CloseRequested());
    services.messageBox.QueueAnswer(mb::No);
    ASSERT_TRUE(Choose(batch->MainMenu(0), batch->FileMenu(3)));  // E&xit
    EXPECT_FALSE(batch->isVisible());
    EXPECT_TRUE(batch->CloseRequested());
}

}  // namespace
}  // namespace nuvir::batchtest
