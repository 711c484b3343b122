// The batch window beside the real main window: File > "&Batch Mode", the main
// window's housekeeping tick, shut-down, and a whole round as a person would do it.
#include "batch_fixture.h"
#include "mainwindow/batchwindowpart.h"
#include "mainwindow/mainwindow_fixture.h"
#include "mainwindow/windowchain.h"
#include "mainwindow/windowresults.h"
#include "platform/multilinetextbox.h"

namespace nuvir::batchtest {
namespace {

// The fields of a CSV line; a quoted field may hold commas and doubled quotes.
std::vector<std::string> CsvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += c;
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// The main window as batch host, noting each entry's run snapshot (its item 37 holds
// the seed the run used).
class RecordingHost : public BatchHost {
public:
    RecordingHost(BatchHost& inner, FRiskMain& main) : inner_(inner), main_(main) {}
    std::string SerialiseState(std::int32_t form) override { return inner_.SerialiseState(form); }
    std::string CaptureState() override { return inner_.CaptureState(); }
    Variant GetAppDataDefaults() override { return inner_.GetAppDataDefaults(); }
    void StartBatch() override { inner_.StartBatch(); }
    void EndBatch() override { inner_.EndBatch(); }
    std::optional<BatchResult> RunBatchSimulation(const std::string& spec) override {
        auto r = inner_.RunBatchSimulation(spec);
        snapshots.push_back(dynamic_cast<WindowResults&>(main_.Results()).Controller().State().RunSnapshot);
        return r;
    }
    std::vector<Variant> snapshots;

private:
    BatchHost& inner_;
    FRiskMain& main_;
};

class MainBatchTest : public test::MainWindowTest {
protected:
    FRiskMain& StartWithBatch() {
        MainWindowParts parts;
        parts.makeBatchWindow = MakeBatchWindow;
        parts.makeResults = [](FRiskMain& w) { return std::make_unique<WindowResults>(w); };
        parts.makeChain = [] { return std::make_unique<WindowChain>(); };
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
    EXPECT_GE(yields, 3);
    EXPECT_TRUE(win->isVisible() && win->isEnabled());
}

TEST_F(MainBatchTest, ThreeAssessmentsRunOnTheEngineAsSingleRunsWithTheirSeedsWould) {
    StartWithBatch();
    const std::string lines[] = {
        "SPECIES=APIS, MELLIFERA;LOCATION=NORTH;N=1000;UM=0;P1=0.4,N,L1;I5=3,U,L3;F1=2,U,L1",
        "SPECIES=RATTUS;N=1200;P2=0.7,U,L4",
        "SPECIES=VESPULA;N=1500;UM=1;P1=0.5,N,0.05;I5=2,LN,0.5;F2=1,U,0.2",
    };
    WriteFile("three.RAB", lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n");
    OpenBatchMode();
    FBatch* batch = Batch();
    auto& part = static_cast<BatchWindowPart&>(*win->BatchForm);
    RecordingHost recorder(part, *win);
    batch->Session().SetHost(&recorder);
    files.QueueAnswer(dir.file("three.RAB"));
    ASSERT_TRUE(Choose(batch->MainMenu(0), batch->FileMenu(0)));
    batch->StateTick();
    files.QueueAnswer(dir.file("three.CSV"));
    QTest::mouseClick(batch->Button(1), Qt::LeftButton);
    ASSERT_EQ(services.messageBox.calls.back().title, "Success running batch file");

    const std::vector<std::string> csv = Split(test::ReadBytes(dir.file("three.CSV")), "\r\n");
    ASSERT_EQ(csv.size(), 5u);  // header, three lines, and nothing after the last CR LF
    EXPECT_EQ(csv[4], "");
    const std::size_t columns = CsvFields(csv[0]).size();
    EXPECT_TRUE(csv[1].starts_with("\"APIS, MELLIFERA\",NORTH,1000,"));
    ASSERT_EQ(recorder.snapshots.size(), 3u);
    auto& controller = dynamic_cast<WindowResults&>(win->Results()).Controller();
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(lines[i]);
        EXPECT_EQ(CsvFields(csv[i + 1]).size(), columns);
        // The same assessment run once on its own with the seed the batch used.
        Variant data = recorder.snapshots[static_cast<std::size_t>(i)];
        const float seed = CSng(data(item::kPrngSeed));
        controller.State().BatchMode = true;
        ASSERT_TRUE(controller.RunSimulationAndShowResults(data, seed));
        const RunState& s = controller.State();
        const auto stats = [&s](std::size_t m) {
            return BatchOutputStats{s.RunSummary.mean[m], s.RunSummary.sd[m], s.RunSummary.min[m],
                                    s.RunSummary.max[m], s.RunLimits[m][0], s.RunLimits[m][1]};
        };
        const BatchResult single{s.RunSummary.trials, s.PointTotalRisk, stats(0), s.PointTotalCost, stats(1)};
        EXPECT_TRUE(csv[i + 1].ends_with(BatchResultFields(single))) << csv[i + 1];
    }
    // Each entry ran in its own uncertainty mode, not the window's.
    EXPECT_EQ(CLng(recorder.snapshots[1](item::kUncertaintyMode)), 0);
    EXPECT_EQ(CLng(recorder.snapshots[2](item::kUncertaintyMode)), 1);
    EXPECT_EQ(CStr(AppData(item::kSpecies)), "New Species");
}

TEST_F(MainBatchTest, CaptureTakesInAChainEditThatWasNotCommitted) {
    StartWithBatch();
    OpenBatchMode();
    FBatch* batch = Batch();
    ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));  // Record
    // p3 typed into the diagram's edit box, without Enter, Tab or a click elsewhere in
    // the main window.
    auto& chain = dynamic_cast<WindowChain&>(win->Chain()).Chain();
    QtPictureBox* pic = win->picChainContainer;
    const CChainElement::Box b = chain.Element(3)->PartBox(CChainElement::kPartP);
    QTest::mouseClick(pic, Qt::LeftButton, {}, QPoint(pic->PixelX((b[0] + b[2]) / 2), pic->PixelY((b[1] + b[3]) / 2)));
    test::Settle();
    ASSERT_TRUE(win->txtChainEditBox->Visible());
    QTest::keyClicks(win->txtChainEditBox, "0.2");
    QTest::mouseClick(batch->Button(0), Qt::LeftButton);
    EXPECT_NE(batch->Session().List().Text().find(";P3=0.2,U,L2;"), std::string::npos)
        << batch->Session().List().Text();
}

TEST_F(MainBatchTest, PictureBesideTheMainWindow) {
    StartWithBatch();
    OpenBatchMode();
    FBatch* batch = Batch();
    ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));
    TypeSpecies("Rattus rattus");
    QTest::mouseClick(batch->Button(0), Qt::LeftButton);
    batch->StateTick();
    test::Settle();
    SaveWindowsPicture({win.get(), batch}, "batch_beside_main.png");
}

}  // namespace
}  // namespace nuvir::batchtest
