// The batch window driven as a person would, offscreen, beside the real main window and
// its engine.
#include "batch_fixture.h"
#include "mainwindow/batchwindowpart.h"
#include "mainwindow/mainwindow_fixture.h"
#include "mainwindow/windowchain.h"
#include "mainwindow/windowresults.h"

namespace nuvir::batchtest {
namespace {

void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

// The main window's own batch part, noting each entry's run snapshot (its item 37 holds
// the seed the run used).
class RecordingPart : public BatchWindowPart {
public:
    explicit RecordingPart(FRiskMain& main) : BatchWindowPart(main), main_(main) {}
    std::optional<BatchResult> RunBatchSimulation(const std::string& spec) override {
        auto r = BatchWindowPart::RunBatchSimulation(spec);
        snapshots.push_back(dynamic_cast<WindowResults&>(main_.Results()).Controller().State().RunSnapshot);
        return r;
    }
    std::vector<Variant> snapshots;

private:
    FRiskMain& main_;
};

class MainBatchTest : public test::MainWindowTest {
protected:
    FBatch* StartWithBatchWindow() {
        MainWindowParts parts;
        parts.makeBatchWindow = [this](FRiskMain& main) {
            auto part = std::make_unique<RecordingPart>(main);
            recorder = part.get();
            return std::unique_ptr<BatchFormPort>(std::move(part));
        };
        parts.makeResults = [](FRiskMain& w) { return std::make_unique<WindowResults>(w); };
        parts.makeChain = [] { return std::make_unique<WindowChain>(); };
        Start(std::move(parts)).Move(1500, 1200);
        return OpenBatchWindow();
    }
    FBatch* OpenBatchWindow() {
        win->mnuFile[7]->Trigger();  // File > "&Batch Mode"
        test::Settle();
        return win->BatchForm ? &recorder->Form() : nullptr;
    }
    void TypeSpecies(const std::string& name) {  // a click into the box, the old name selected
        QApplication::setActiveWindow(win.get());
        Click(win->txtTextBox[0]);
        win->txtTextBox[0]->selectAll();
        QTest::keyClicks(win->txtTextBox[0], QString::fromStdString(name));
    }
    RecordingPart* recorder = nullptr;
};

TEST_F(MainBatchTest, OneTopmostWindowTakesTypedLinesShowsBoxesOutOfTheWayAndCanHoldTheClose) {
    FBatch* batch = StartWithBatchWindow();
    ASSERT_NE(batch, nullptr);
    EXPECT_TRUE(batch->windowFlags().testFlags(Qt::Tool | Qt::WindowStaysOnTopHint));
    EXPECT_NEAR(batch->Left(), win->Left() + (win->Width() - batch->Width()) / 2, 30);
    EXPECT_NEAR(batch->Top(), win->Top() + (win->Height() - batch->Height()) / 2, 30);
    // The counter follows its caption, which this platform's font makes wider.
    EXPECT_EQ(batch->BatchLabel(1)->Left(), batch->BatchLabel(0)->Left() + batch->BatchLabel(0)->Width() + 60);
    EXPECT_EQ(OpenBatchWindow(), batch);
    batch->close();  // nothing changed: no question, and the housekeeping tick releases it
    win->TimerTick(0);
    EXPECT_TRUE(services.messageBox.calls.empty());
    EXPECT_EQ(win->BatchForm, nullptr);

    batch = OpenBatchWindow();
    batch->ListBox()->setFocus();
    QTest::keyClicks(batch->ListBox(), "S1");
    QTest::keyClick(batch->ListBox(), Qt::Key_Return);
    QTest::keyClicks(batch->ListBox(), "S2");
    QTest::keyClick(batch->ListBox(), Qt::Key_Escape);  // no way out of the window
    EXPECT_EQ(batch->Session().List().Text(), "S1\r\nS2");
    batch->StateTick();
    EXPECT_TRUE(batch->isVisible() && batch->Button(1)->Enabled());
    struct Inspecting : MessageBoxService {
        FBatch* w = nullptr;
        bool outOfTheWay = false;
        int Show(const std::string&, int, const std::string&) override {
            return outOfTheWay = w->isMinimized() && !w->StateTimer()->Running(), mb::OK;
        }
    } box;
    box.w = batch;
    {
        ScopedServices scope(ServiceSet{&box});
        EXPECT_TRUE(batch->Session().BatchMessage("Hello", mb::OKOnly, "Title") && box.outOfTheWay);
        EXPECT_TRUE(!batch->isMinimized() && batch->StateTimer()->Running());
    }
    // A close refused at shut-down keeps both windows.
    services.messageBox.QueueAnswer(mb::Yes);  // then the save dialog cancelled
    win->close();
    EXPECT_TRUE(win->isVisible() && win->BatchForm != nullptr && batch->isVisible());
    services.messageBox.QueueAnswer(mb::No);
    win->close();
    EXPECT_FALSE(win->isVisible());
}

TEST_F(MainBatchTest, AWholeRoundRecordedInAStripOnTheMainWindowsTopEdgeTakesInAnUncommittedChainEdit) {
    FBatch* batch = StartWithBatchWindow();
    const QSize normal = batch->size();
    ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));  // Record
    EXPECT_EQ(batch->MainMenu(1)->Caption(), "Stop Recording");
    EXPECT_GE(batch->ScaleHeight(), 60 + 255);  // the strip holds its menu bar and buttons
    // p3 typed into the diagram's edit box, without Enter, Tab or a click elsewhere in
    // the main window.
    auto& chain = dynamic_cast<WindowChain&>(win->Chain()).Chain();
    QtPictureBox* pic = win->picChainContainer;
    const auto b = chain.Element(3)->PartBox(CChainElement::kPartP);
    QTest::mouseClick(pic, Qt::LeftButton, {}, QPoint(pic->PixelX((b[0] + b[2]) / 2), pic->PixelY((b[1] + b[3]) / 2)));
    test::Settle();
    ASSERT_TRUE(win->txtChainEditBox->Visible());
    QTest::keyClicks(win->txtChainEditBox, "0.2");
    Click(batch->Button(0));
    for (const char* species : {"Apis, mellifera", "Rattus rattus", "Vespula"}) {
        TypeSpecies(species);
        Click(batch->Button(0));
    }
    batch->StateTick();
    EXPECT_NEAR(batch->Left(), win->Left() + win->Width() - 4770 - 1500, 15);
    EXPECT_NEAR(batch->Top(), win->Top(), 15);
    EXPECT_FALSE(batch->MainMenu(0)->Enabled() || batch->Button(1)->Visible());
    EXPECT_EQ(batch->BatchLabel(1)->Caption(), "4");
    test::Settle();
    SaveWindowsPicture({win.get(), batch}, "batch_beside_main.png");
    batch->setFixedSize(300, 200);  // back to the first size, whatever was done since
    ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));  // Stop Recording
    EXPECT_EQ(batch->size(), normal);
    files.QueueAnswer(dir.file("round.RAB"));
    ASSERT_TRUE(Choose(batch->MainMenu(0), batch->FileMenu(1)));
    const std::vector<std::string> list = Split(test::ReadBytes(dir.file("round.RAB")), "\r\n");
    ASSERT_EQ(list.size(), 5u) << list[0];
    EXPECT_NE(list[0].find(";P3=0.2,U,L2;"), std::string::npos) << list[0];
    EXPECT_TRUE(list[1].starts_with("SPECIES=APIS, MELLIFERA;")) << list[1];
}

TEST_F(MainBatchTest, ThreeAssessmentsRunLockedAgainstChangeAsSingleRunsWithTheirSeedsWould) {
    const std::string lines[] = {
        "SPECIES=APIS, MELLIFERA;LOCATION=NORTH;N=1000;UM=0;P1=0.4,N,L1;I5=3,U,L3;F1=2,U,L1",
        "SPECIES=RATTUS;N=1200;P2=0.7,U,L4",
        "SPECIES=VESPULA;N=1500;UM=1;P1=0.5,N,0.05;I5=2,LN,0.5;F2=1,U,0.2",
    };
    WriteFile("three.RAB", lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n");
    FBatch* batch = StartWithBatchWindow();
    files.QueueAnswer(dir.file("three.RAB"));
    ASSERT_TRUE(Choose(batch->MainMenu(0), batch->FileMenu(0)));
    batch->StateTick();
    TypeSpecies("Analyst's own");
    const std::string list = batch->Session().List().Text();
    // During the run nothing changes the list, and neither window closes or restarts its timers.
    int yields = 0;
    services.yield.onYield = [&] {
        ++yields;
        BatchSession& session = batch->Session();
        session.Capture();
        session.ClearBatch(false);
        session.ListEdited("X\r\n");
        EXPECT_FALSE(session.RunBatch());
        win->close();
        EXPECT_TRUE(win->isVisible() && !win->isEnabled());
        EXPECT_FALSE(win->tmrUpdate[0]->Running() || win->tmrUpdate[1]->Running());
        EXPECT_FALSE(batch->MainMenu(0)->Enabled() || batch->MainMenu(1)->Enabled() || batch->Button(1)->Enabled());
        EXPECT_FALSE(batch->Button(0)->Enabled() || batch->Button(2)->Enabled() || batch->StateTimer()->Running());
        EXPECT_TRUE(batch->ListBox()->Locked());
        EXPECT_EQ(batch->BatchLabel(0)->Caption(), "Spec Being Run:");
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    };
    files.QueueAnswer(dir.file("three.CSV"));
    Click(batch->Button(1));
    services.yield.onYield = nullptr;
    EXPECT_GE(yields, 4);
    ASSERT_EQ(services.messageBox.calls.back().title, "Success running batch file");
    EXPECT_EQ(batch->Session().List().Text(), list);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(batch->MainMenu(0)->Enabled() && batch->StateTimer()->Running() && !batch->ListBox()->Locked());
    EXPECT_EQ(batch->BatchLabel(0)->Caption(), "Captured Specs:");

    const std::vector<std::string> csv = Split(test::ReadBytes(dir.file("three.CSV")), "\r\n");
    ASSERT_TRUE(csv.size() == 5 && csv[4].empty());  // header, three lines, nothing after the last CR LF
    const auto fields = [](const std::string& line) {  // a quoted field may hold commas
        int n = 1;
        bool quoted = false;
        for (char c : line) quoted ^= c == '"', n += c == ',' && !quoted;
        return n;
    };
    EXPECT_TRUE(csv[0].starts_with("SPECIES,LOCATION,N,") && csv[1].starts_with("\"APIS, MELLIFERA\",NORTH,1000,"));
    // The analyst's own assessment and the main window come back.
    EXPECT_EQ(CStr(AppData(item::kSpecies)), "Analyst's own");
    EXPECT_TRUE(win->isVisible() && win->isEnabled() && win->tmrUpdate[0]->Running() && win->cmdButton[0]->Enabled());
    ASSERT_EQ(recorder->snapshots.size(), 3u);
    auto& controller = dynamic_cast<WindowResults&>(win->Results()).Controller();
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(lines[i]);
        EXPECT_EQ(fields(csv[i + 1]), fields(csv[0]));
        // The same assessment run once on its own with the seed the batch used.
        controller.State().BatchMode = true;
        Variant data = recorder->snapshots[i];
        ASSERT_TRUE(controller.RunSimulationAndShowResults(data, CSng(data(item::kPrngSeed))));
        const RunState& s = controller.State();
        const auto stats = [&s](std::size_t m) {
            return BatchOutputStats{s.RunSummary.mean[m], s.RunSummary.sd[m], s.RunSummary.min[m],
                                    s.RunSummary.max[m], s.RunLimits[m][0], s.RunLimits[m][1]};
        };
        const BatchResult single{s.RunSummary.trials, s.PointTotalRisk, stats(0), s.PointTotalCost, stats(1)};
        EXPECT_TRUE(csv[i + 1].ends_with(BatchResultFields(single))) << csv[i + 1];
    }
    // Each entry ran in its own uncertainty mode, not the window's.
    EXPECT_EQ(CLng(recorder->snapshots[1](item::kUncertaintyMode)), 0);
    EXPECT_EQ(CLng(recorder->snapshots[2](item::kUncertaintyMode)), 1);
}

}  // namespace
}  // namespace nuvir::batchtest
