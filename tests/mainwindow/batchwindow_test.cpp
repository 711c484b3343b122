// The batch window driven as a person would, offscreen, beside the real main window and
// its engine: one round of recording, saving and running.
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextLayout>
#include <QStyleOptionButton>
#include <QTimer>
#include <QWindow>

#include <filesystem>
#include <functional>

#include "batch/batchwindow.h"
#include "dialogs/optionsdialog.h"
#include "formdriver.h"
#include "mainwindow/batchwindowpart.h"
#include "mainwindow_fixture.h"
#include "mainwindow/windowchain.h"
#include "mainwindow/windowresults.h"
#include "platform/multilinetextbox.h"

namespace nuvir {
namespace {

using test::Click;
// A menu entry chosen as a person would: only through enabled menus.
bool Choose(MenuItem* parent, MenuItem* entry) {
    if ((parent != nullptr && !parent->Enabled()) || !entry->Enabled()) return false;
    entry->Trigger();
    return true;
}

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

using MainBatchTest = test::MainWindowTest;

// One round of a batch window beside the real main window: three.RAB opened, then
// Record with p3 typed into the diagram's edit box and captured.
class BatchRound : public MainBatchTest {
protected:
    static constexpr const char* kThree =
        "SPECIES=APIS, MELLIFERA;LOCATION=NORTH;N=1000;UM=0;P1=0.4,N,L1;I5=3,U,L3;F1=2,U,L1\r\n"
        "SPECIES=RATTUS;N=1200;P2=0.7,U,L4\r\n"
        "SPECIES=VESPULA;N=1500;UM=1;P1=0.5,N,0.05;I5=2,LN,0.5;F2=1,U,0.2\r\n";
    void SetUp() override {
        MainBatchTest::SetUp();
        WriteFile("three.RAB", kThree);
        MainWindowParts parts;
        parts.makeBatchWindow = [this](FRiskMain& main) {
            auto part = std::make_unique<RecordingPart>(main);
            recorder = part.get();
            return std::unique_ptr<BatchFormPort>(std::move(part));
        };
        parts.makeResults = [](FRiskMain& w) { return std::make_unique<WindowResults>(w); };
        parts.makeChain = [] { return std::make_unique<WindowChain>(); };
        parts.showOptions = [](FRiskMain& owner, double plotType) {
            FOptions dialog(&owner);
            dialog.PlotType = plotType;
            dialog.ShowModal();
            return OptionsOutcome{dialog.PlotType, dialog.OptionsChanged};
        };
        Start(std::move(parts)).Move(1500, 1200);
        batch = OpenBatchWindow();
        ASSERT_NE(batch, nullptr);
        normal = batch->size();
    }
    FBatch* OpenBatchWindow() {
        win->mnuFile[7]->Trigger();  // File > "&Batch Mode"
        test::Settle();
        return win->BatchForm ? &recorder->Form() : nullptr;
    }
    // p3 typed into the diagram's edit box, without Enter, Tab or a click elsewhere in
    // the main window, is in the capture.
    void Record() {
        files.QueueAnswer(dir.file("three.RAB"));
        ASSERT_TRUE(Choose(batch->MainMenu(0), batch->FileMenu(0)));
        ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));
        ClickOnDiagram(3, CChainElement::kPartP);
        ASSERT_TRUE(win->txtChainEditBox->Visible());
        QTest::keyClicks(win->txtChainEditBox, "0.2");
        Click(batch->Button(0));
        batch->StateTick();
    }
    void RecordAndStop() {
        Record();
        ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));  // Stop Recording
    }
    RecordingPart* recorder = nullptr;
    FBatch* batch = nullptr;
    QSize normal;
};

TEST_F(BatchRound, ABatchLineRunsTheValuesItsOutputRowShowsHeldAsAnOpenedFileHoldsThem) {
    FRiskMain& w = *win;
    AppData = w.GetAppDataDefaults();
    w.StartBatch();
    struct Case {
        const char* name;
        const char* line;
        int id;
        double simulated;
    };
    const Case cases[] = {
        {"a probability above 1", "N=1000;UM=0;P1=7,U,L1", item::kP1, 1.0},
        {"absolute, then relative without I1", "N=1000;UM=1;I1=5,N,0.1", item::kI1, 5.0},
        {"the value the line before left", "N=1000;UM=0;P2=0.5,U,L1", item::kI1, 5.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(w.RunBatchSimulation(c.line));
        const Variant& run = dynamic_cast<WindowResults&>(w.Results()).Controller().State().RunSnapshot;
        const bool absolute = CLng(run(item::kUncertaintyMode)) == 1;
        EXPECT_EQ(CDbl(run(absolute ? item::Absolute(c.id) : item::Relative(c.id))(0)), c.simulated);
        // The output row writes the point value.
        EXPECT_EQ(CDbl(AppData(item::PointValue(c.id))), c.simulated);
    }
    w.EndBatch();
}

// A line whose name no file could keep whole fails as a line whose run fails: said,
// and not run; a name that fits runs.
TEST_F(BatchRound, ALineWithANameLongerThanAFileKeepsFailsAsALine) {
    FRiskMain& w = *win;
    AppData = w.GetAppDataDefaults();
    w.StartBatch();
    struct Case {
        const char* name;
        std::string line;
        bool runs;
        std::string message;
    };
    const Case cases[] = {
        {"a species of 4096 characters", "SPECIES=" + std::string(4096, 's') + ";N=1000", false,
         "Error reading batch spec|The line was not run: a species name of 4096 characters is longer than the 4095 a "
         "name can have."},
        {"a species of 4095 characters", "SPECIES=" + std::string(4095, 's') + ";N=1000", true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services.messageBox.calls.clear();
        EXPECT_EQ(w.RunBatchSimulation(c.line).has_value(), c.runs);
        if (c.message.empty()) {
            EXPECT_TRUE(services.messageBox.calls.empty());
        } else {
            ASSERT_EQ(services.messageBox.calls.size(), 1u);
            EXPECT_EQ(services.messageBox.calls[0].title + "|" + services.messageBox.calls[0].text, c.message);
        }
    }
    w.EndBatch();
}

// ASCII text as UTF-16 little-endian code units after the mark: each byte beside a zero.
std::string Utf16LE(std::string_view ascii) {
    std::string out = "\xFF\xFE";
    for (const char c : ascii) out += std::string{c, '\0'};
    return out;
}

// A list saved in UTF-16 opens as its own lines and runs them, a control character in a
// name a blank in the CSV; a file marked as UTF-16 that is none is refused by name,
// leaving nothing to run.
TEST_F(BatchRound, AUtf16ListRunsItsOwnLinesAndABrokenOneNothing) {
    WriteFile("u16.RAB", Utf16LE("SPECIES=U16A;N=2000;I1=5\r\nSPECIES=U\x01"
                                 "B;N=3000\r\n"));
    files.QueueAnswer(dir.file("u16.RAB"));
    ASSERT_TRUE(Choose(batch->MainMenu(0), batch->FileMenu(0)));
    batch->StateTick();
    files.QueueAnswer(dir.file("u16.CSV"));
    Click(batch->Button(1));
    ASSERT_EQ(services.messageBox.calls.back().title, "Success running batch file");
    const std::vector<std::string> csv = Split(test::ReadBytes(dir.file("u16.CSV")), "\r\n");
    ASSERT_EQ(csv.size(), 4u) << "a header and two lines";
    EXPECT_TRUE(csv[1].starts_with("U16A,New Location,2000,")) << csv[1];
    EXPECT_TRUE(csv[2].starts_with("U B,New Location,3000,")) << csv[2];

    WriteFile("bad.RAB", Utf16LE("SPECIES=A\r\n") + "B");
    files.QueueAnswer(dir.file("bad.RAB"));
    ASSERT_TRUE(Choose(batch->MainMenu(0), batch->FileMenu(0)));
    EXPECT_EQ(services.messageBox.calls.back().title, "Error opening batch file");
    EXPECT_EQ(services.messageBox.calls.back().text, "The batch file \"" + dir.file("bad.RAB") +
                                                         "\" was not read: it begins with a UTF-16 byte-order "
                                                         "mark, but what follows is no UTF-16 text.");
    batch->StateTick();
    const std::size_t asked = files.requests.size();
    Click(batch->Button(1));
    EXPECT_EQ(files.requests.size(), asked) << "Run is off: no output is asked for";
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad.CSV")));
}

// An assessment whose names hold a line separator (U+2028, UTF-8 E2 80 A8), a
// paragraph separator (U+2029, E2 80 A9), U+FDD1 (EF B7 91) and a no-break space (U+00A0,
// C2 A0), captured twice: the list shows two lines, an edit keeps them two with the last
// two characters as they were, and the run writes two rows with the names whole.
TEST_F(BatchRound, NamesHoldingLineSeparatorsStayOnTheirLineInTheListAndTheRun) {
    WriteFile(
        "sep.raf",
        "[App Defaults]\r\nSpecies=Apis\xE2\x80\xA8mellifera\r\nLocation=North\xE2\x80\xA9Pond\xEF\xB7\x91\xC2\xA0"
        "Bay\r\n");
    Open("sep.raf");
    ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));  // Record
    Click(batch->Button(0));
    Click(batch->Button(0));
    ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));  // Stop Recording
    batch->StateTick();
    test::Settle();
    const auto visibleLines = [this] {
        int lines = 0;
        for (QTextBlock b = batch->ListBox()->document()->begin(); b.isValid(); b = b.next()) {
            if (!b.text().isEmpty()) lines += b.layout()->lineCount();
        }
        return lines;
    };
    EXPECT_EQ(visibleLines(), 2);
    ASSERT_TRUE(batch->grab().save("batch_separators_in_names.png"));
    // A blank typed before the first line, as a person would.
    batch->ListBox()->setFocus();
    QTest::keyClick(batch->ListBox(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(batch->ListBox(), Qt::Key_Space);
    batch->StateTick();
    EXPECT_EQ(visibleLines(), 2);
    const std::string line =
        "SPECIES=APIS MELLIFERA;LOCATION=NORTH POND\xEF\xB7\x91\xC2\xA0"
        "BAY;";
    const std::vector<std::string> lines = Split(batch->Session().List().Text(), "\r\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].starts_with(" " + line)) << lines[0];
    EXPECT_TRUE(lines[1].starts_with(line)) << lines[1];
    files.QueueAnswer(dir.file("sep.CSV"));
    Click(batch->Button(1));
    ASSERT_EQ(services.messageBox.calls.back().title, "Success running batch file");
    const std::vector<std::string> csv = Split(test::ReadBytes(dir.file("sep.CSV")), "\r\n");
    ASSERT_EQ(csv.size(), 4u) << "a header and two lines";
    const std::string row =
        "APIS MELLIFERA,NORTH POND\xEF\xB7\x91\xC2\xA0"
        "BAY,";
    EXPECT_TRUE(csv[1].starts_with(row)) << csv[1];
    EXPECT_TRUE(csv[2].starts_with(row)) << csv[2];
}

// Two assessments pasted into the list, dropped on it or typed into it, with a line
// separator (U+2028), a paragraph separator (U+2029), U+FDD0 (UTF-8 EF B7 90) and a
// no-break space (U+00A0, C2 A0) in their names: each is one line of the list, its
// separators blanks and the rest as it came, the caret just after them (the list shown
// again at each key typed), after a key typed too, and the run writes one row for each.
TEST_F(BatchRound, PastedOrDroppedAssessmentsAreALineEachInTheListAndTheRun) {
    const QString text = QStringLiteral("SPECIES=L\u2028M\u2029N;N=1000\r\nSPECIES=A\uFDD0B\u00A0C;N=1200\r\n");
    const std::string first = "SPECIES=L M N;N=1000", second =
                                                          "SPECIES=A\xEF\xB7\x90"
                                                          "B\xC2\xA0"
                                                          "C;N=1200";
    struct Case {
        const char* name;
        std::function<void()> insert;
    };
    const Case cases[] = {
        {"paste", [&] { test::PasteText(*batch->ListBox(), text); }},
        {"drop", [&] { test::DropText(batch->ListBox()->viewport(), text); }},
        {"typed",
         [&] {
             const QString keys = QString(text).remove(u'\r');
             for (const QChar key : keys) {
                 test::TypeChars(batch->ListBox(), key);
                 batch->StateTick();
             }
         }},
        {"committed by an input method", [&] { test::CommitText(batch->ListBox(), text); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        batch->Session().ClearBatch(false);
        batch->StateTick();
        batch->ListBox()->setFocus();
        c.insert();
        batch->StateTick();
        EXPECT_EQ(batch->Session().List().Text(), first + "\r\n" + second + "\r\n");
        EXPECT_EQ(batch->ListBox()->textCursor().position(), text.size() - 2) << "each CR LF one position";
        QTest::keyClick(batch->ListBox(), Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(batch->ListBox(), Qt::Key_Space);
        batch->StateTick();
        EXPECT_EQ(batch->Session().List().Text(), " " + first + "\r\n" + second + "\r\n");
        files.QueueAnswer(dir.file("pasted.CSV"));
        Click(batch->Button(1));
        ASSERT_EQ(services.messageBox.calls.back().title, "Success running batch file");
        const std::vector<std::string> csv = Split(test::ReadBytes(dir.file("pasted.CSV")), "\r\n");
        ASSERT_EQ(csv.size(), 4u) << "a header and two lines";
        EXPECT_TRUE(csv[1].starts_with("L M N,New Location,1000,")) << csv[1];
        EXPECT_TRUE(
            csv[2].starts_with("A\xEF\xB7\x90"
                               "B\xC2\xA0"
                               "C,New Location,1200,"))
            << csv[2];
    }
}

// Separators typed into a line of a list scrolled to its end, the list shown again at
// each key, become blanks where they are typed: the caret stays after them and the view
// where it was.
TEST_F(BatchRound, SeparatorsTypedIntoAScrolledListLeaveTheCaretAndTheViewWhereTheyWere) {
    MultiLineTextBox& box = *batch->ListBox();
    box.setFocus();
    test::PasteText(box, QString(QStringLiteral("SPECIES=S\n")).repeated(60));
    batch->StateTick();
    QTextCursor at(box.document()->findBlockByNumber(50));
    at.movePosition(QTextCursor::EndOfBlock);
    box.setTextCursor(at);
    const int caret = at.position();
    QScrollBar& bar = *box.verticalScrollBar();
    bar.setValue(bar.maximum());
    const int scrolled = bar.value();
    ASSERT_GT(scrolled, 0);
    ASSERT_TRUE(box.viewport()->rect().contains(box.cursorRect())) << "line 51 in view";
    const QString typed = QStringLiteral(";LOCATION=P\u2028Q\u2029R;N=2000");
    for (const QChar key : typed) {
        test::TypeChars(&box, key);
        batch->StateTick();
    }
    EXPECT_EQ(box.textCursor().position(), caret + typed.size());
    EXPECT_EQ(bar.value(), scrolled);
    const std::vector<std::string> listed = Split(batch->Session().List().Text(), "\r\n");
    ASSERT_EQ(listed.size(), 61u);
    EXPECT_EQ(listed[49], "SPECIES=S");
    EXPECT_EQ(listed[50], "SPECIES=S;LOCATION=P Q R;N=2000");
}

TEST_F(BatchRound, TheWindowIsMadeOnceAndReleasedWhenClosed) {
    EXPECT_EQ(OpenBatchWindow(), batch);
    batch->close();  // nothing changed: no question, and the housekeeping tick releases it
    win->TimerTick(0);
    EXPECT_TRUE(services.messageBox.calls.empty());
    EXPECT_EQ(win->BatchForm, nullptr);
}

TEST_F(BatchRound, TheWindowOpensCentredOverTheMainWindowAndHidesWithIt) {
    EXPECT_NEAR(batch->Left() + batch->Width() / 2, win->Left() + win->Width() / 2, 15);
    EXPECT_NEAR(batch->Top() + batch->Height() / 2, win->Top() + win->Height() / 2, 15);
    win->setWindowState(Qt::WindowMinimized);
    win->TimerTick(0);
    EXPECT_FALSE(batch->isVisible());
    win->setWindowState(Qt::WindowNoState);
    win->TimerTick(0);
    EXPECT_TRUE(batch->isVisible());
}

TEST_F(BatchRound, RecordingPutsTheWindowInAStripOnTheMainWindowsTopEdge) {
    Record();
    EXPECT_NEAR(batch->Left(), win->Left() + win->Width() - 4770 - 1500, 15);
    EXPECT_NEAR(batch->Top(), win->Top(), 15);
    EXPECT_FALSE(batch->MainMenu(0)->Enabled());
    EXPECT_FALSE(batch->Button(1)->Visible());
    test::Settle();
    // The strip over the main window as they stand (the offscreen platform draws no frames).
    QImage image = win->grab().toImage();
    QPainter(&image).drawImage(batch->pos() - win->pos(), batch->grab().toImage());
    ASSERT_TRUE(image.save("batch_beside_main.png"));
    batch->setFixedSize(300, 200);                     // back to the first size, whatever was done since
    ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));  // Stop Recording
    EXPECT_EQ(batch->size(), normal);
}

TEST_F(BatchRound, ACaptureTakesTheValueBeingTypedOnTheDiagram) {
    RecordAndStop();
    EXPECT_EQ(batch->BatchLabel(1)->Caption(), "4");
    const std::string list = batch->Session().List().Text();
    EXPECT_TRUE(list.starts_with(kThree)) << list;
    EXPECT_NE(list.find(";P3=0.2,U,L2;"), std::string::npos) << list;
    files.QueueAnswer(dir.file("round.RAB"));
    ASSERT_TRUE(Choose(batch->MainMenu(0), batch->FileMenu(1)));
    EXPECT_EQ(test::ReadBytes(dir.file("round.RAB")), list);
}

// A box the batch window shows puts it out of the way, its timer stopped, till answered:
// hidden, not minimised (a window manager takes the main window down with a minimised
// window it owns), and the housekeeping tick leaves it hidden meanwhile.
TEST_F(BatchRound, AMessageBoxPutsTheWindowOutOfTheWayTillAnswered) {
    struct Inspecting : MessageBoxService {
        FBatch* w = nullptr;
        FRiskMain* main = nullptr;
        bool shown = true, minimised = true, timerRunning = true, mainMinimised = true;
        int Show(const std::string&, int, const std::string&) override {
            main->TimerTick(0);
            shown = w->isVisible();
            minimised = w->isMinimized();
            mainMinimised = main->isMinimized();
            timerRunning = w->StateTimer()->Running();
            return mb::OK;
        }
    } box;
    box.w = batch;
    box.main = win.get();
    ScopedServices scope(ServiceSet{&box});
    EXPECT_TRUE(batch->Session().BatchMessage("Hello", mb::OKOnly, "Title"));
    EXPECT_FALSE(box.shown);
    EXPECT_FALSE(box.minimised);
    EXPECT_FALSE(box.mainMinimised);
    EXPECT_FALSE(box.timerRunning);
    EXPECT_TRUE(batch->isVisible());
    EXPECT_FALSE(batch->isMinimized());
    EXPECT_TRUE(batch->StateTimer()->Running());
}

// A window manager activates the window again as its menu closes, after Exit has closed
// it: the main window still releases it at its next tick.
TEST_F(BatchRound, AnActivationAfterExitLeavesTheWindowClosed) {
    ASSERT_TRUE(Choose(batch->MainMenu(0), batch->FileMenu(3)));  // File > Exit, nothing to save
    EXPECT_FALSE(batch->isVisible());
    Q_EMIT batch->Activate();
    win->TimerTick(0);
    EXPECT_EQ(win->BatchForm, nullptr);
}

// Recording, the list is out of sight and takes no keys; in the full window Tab moves on.
TEST_F(BatchRound, TheListTakesNoKeysWhileRecordingAndTabMovesOn) {
    EXPECT_TRUE(batch->ListBox()->tabChangesFocus());
    batch->ListBox()->setFocus();
    ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));  // Record
    EXPECT_FALSE(batch->ListBox()->isVisible());
    EXPECT_FALSE(batch->ListBox()->hasFocus());
    EXPECT_EQ(batch->focusWidget(), batch->Button(0));
    ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));  // Stop Recording
    EXPECT_TRUE(batch->ListBox()->isVisible());
}

// The strip's Capture caption keeps at least 3 px free each side inside its button.
TEST_F(BatchRound, TheCaptureCaptionKeepsAMarginInsideItsButton) {
    ASSERT_TRUE(Choose(nullptr, batch->MainMenu(1)));  // Record
    test::Settle();
    CommandButton* capture = batch->Button(0);
    QStyleOptionButton opt;
    opt.initFrom(capture);
    opt.text = capture->text();
    const QRect room = capture->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, capture);
    const int text = capture->fontMetrics().size(Qt::TextShowMnemonic, capture->text()).width();
    EXPECT_GE(room.width() - text, 2 * 3) << "room " << room.width() << " px for " << text << " px of text";
}

TEST_F(BatchRound, ACloseRefusedAtShutDownKeepsBothWindows) {
    RecordAndStop();
    services.messageBox.QueueAnswer(mb::Yes);  // then the save dialog cancelled
    win->close();
    EXPECT_TRUE(win->isVisible());
    EXPECT_NE(win->BatchForm, nullptr);
    EXPECT_TRUE(batch->isVisible());
    EXPECT_TRUE(win->tmrUpdate[0]->Running());
    const std::size_t listed = batch->Session().List().Text().size();
    batch->Session().Capture();
    EXPECT_GT(batch->Session().List().Text().size(), listed) << "still linked to the main window";
}

// During the run nothing changes the list, and neither window closes or restarts its
// timers; afterwards each line matches the same assessment run on its own.
TEST_F(BatchRound, TheRunLocksBothWindowsAndEachLineIsASingleRunsResult) {
    RecordAndStop();
    const std::string list = batch->Session().List().Text();
    const std::string before = win->SerialiseState(0);
    int yields = 0;
    services.yield.onYield = [&] {
        ++yields;
        BatchSession& session = batch->Session();
        session.Capture();
        session.ClearBatch(false);
        session.ListEdited("X\r\n");
        EXPECT_FALSE(session.RunBatch());
        win->close();
        EXPECT_TRUE(win->isVisible());
        EXPECT_FALSE(win->isEnabled());
        EXPECT_TRUE(batch->ListBox()->Locked());
        EXPECT_FALSE(win->tmrUpdate[0]->Running());
        EXPECT_FALSE(batch->StateTimer()->Running());
        EXPECT_FALSE(batch->MainMenu(0)->Enabled());
    };
    files.QueueAnswer(dir.file("round.CSV"));
    Click(batch->Button(1));
    services.yield.onYield = nullptr;
    EXPECT_GE(yields, 4);
    ASSERT_EQ(services.messageBox.calls.back().title, "Success running batch file");
    EXPECT_EQ(batch->Session().List().Text(), list);
    EXPECT_TRUE(batch->MainMenu(0)->Enabled());
    EXPECT_TRUE(batch->StateTimer()->Running());
    EXPECT_FALSE(batch->ListBox()->Locked());

    // The file's layout is the batch tests' business; here each line's numbers.
    const std::vector<std::string> csv = Split(test::ReadBytes(dir.file("round.CSV")), "\r\n");
    ASSERT_EQ(csv.size(), 6u) << "a header and four lines";
    // The analyst's own assessment and the main window come back.
    EXPECT_EQ(win->SerialiseState(0), before);
    EXPECT_TRUE(win->isVisible());
    EXPECT_TRUE(win->isEnabled());
    EXPECT_TRUE(win->tmrUpdate[0]->Running());
    EXPECT_TRUE(win->cmdButton[0]->Enabled());
    ASSERT_EQ(recorder->snapshots.size(), 4u);
    auto& controller = dynamic_cast<WindowResults&>(win->Results()).Controller();
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(csv[i + 1]);
        // The same assessment run once on its own with the seed the batch used.
        controller.State().BatchMode = true;
        Variant data = recorder->snapshots[i];
        ASSERT_TRUE(controller.RunSimulationAndShowResults(data, CSng(data(item::kPrngSeed))));
        const RunState& s = controller.State();
        const auto stats = [&s](std::size_t m) {
            return BatchOutputStats{s.RunSummary.mean[m], s.RunSummary.sd[m], s.RunSummary.min[m],
                                    s.RunSummary.max[m],  s.RunLimits[m][0],  s.RunLimits[m][1]};
        };
        const BatchResult single{s.RunSummary.trials, s.PointTotalRisk, stats(0), s.PointTotalCost, stats(1)};
        EXPECT_TRUE(csv[i + 1].ends_with(BatchResultFields(single)));
    }
    // Each entry ran in its own uncertainty mode, not the window's.
    EXPECT_EQ(CLng(recorder->snapshots[1](item::kUncertaintyMode)), 0);
    EXPECT_EQ(CLng(recorder->snapshots[2](item::kUncertaintyMode)), 1);
}

// How a modal window showed, noted as it shows; then it is closed.
struct ModalSeen {
    bool shown = false, onTop = false;
    QWindow* owner = nullptr;
    QRect frame;
    QImage picture;
};
ModalSeen WhenModalShows(const std::function<void()>& open) {
    ModalSeen seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) return;
        poll.stop();
        seen = {true, modal->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
                modal->windowHandle() ? modal->windowHandle()->transientParent() : nullptr, modal->frameGeometry(),
                modal->grab().toImage()};
        modal->close();
    });
    poll.start(20);
    open();
    return seen;
}

// With the batch window open (it stays on top), every dialog and message box of the
// main window shows above it, owned by the window it belongs to: centred over it, or
// where it belongs (plot options over their plot). The batch window cannot be
// minimised away: it has no minimise button, and Batch Mode brings it back.
TEST_F(BatchRound, DialogsAndMessagesShowAboveTheBatchWindowOverTheWindowTheyBelongTo) {
    FRiskMain& w = *win;
    FBatch& batch = *this->batch;
    ASSERT_TRUE(batch.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(batch.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_EQ(batch.windowHandle()->transientParent(), w.windowHandle()) << "it goes with the main window";
    batch.showMinimized();
    test::Settle();
    w.mnuFile[7]->Trigger();
    test::Settle();
    EXPECT_FALSE(batch.isMinimized()) << "Batch Mode brings it back";
    EXPECT_TRUE(batch.isVisible());

    w.tabMain->SetTab(2);
    AppData(item::kTrials) = 1000;
    w.cmdButton[0]->click();  // a run, for a plot to double-click
    ASSERT_EQ(w.picMonte[0]->ScaleMode(), scale::User);
    const QRect main = w.frameGeometry();
    const QRect plot(w.picMonte[0]->mapToGlobal(QPoint(0, 0)), w.picMonte[0]->size());
    enum Where { kAnywhere, kCentred, kOverThePlot };
    struct Case {
        const char* name;
        std::function<void()> open;
        Where where;
        const char* picture;
    };
    const Case cases[] = {
        {"Help > About", [&] { w.mnuHelp[1]->Trigger(); }, kAnywhere, "about"},
        {"Options > Manage", [&] { w.mnuOptions[6]->Trigger(); }, kCentred, "options"},
        {"a message box",
         [&] {
             ScopedServices qt(ServiceSet{});  // the program's own boxes, help included
             w.mnuHelp[0]->Trigger();
         },
         kCentred, "message"},
        {"the export naming dialog",
         [&] {
             AppOptions(opt::kExportFormats) = Variant::List({true, false, false});
             w.cmdButton[0]->click();
             AppOptions(opt::kExportFormats) = Variant::List({false, false, false});
         },
         kCentred, "export_names"},
        {"the plot options", [&] { QTest::mouseDClick(w.picMonte[0], Qt::LeftButton); }, kOverThePlot, "plot_options"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ModalSeen seen = WhenModalShows(c.open);
        ASSERT_TRUE(seen.shown);
        EXPECT_TRUE(seen.onTop) << "above the batch window";
        EXPECT_EQ(seen.owner, w.windowHandle());
        const QPoint expected = c.where == kCentred       ? main.center() - seen.frame.center() + seen.frame.topLeft()
                                : c.where == kOverThePlot ? plot.topLeft()
                                                          : seen.frame.topLeft();
        EXPECT_NEAR(seen.frame.left(), expected.x(), 1);
        EXPECT_NEAR(seen.frame.top(), expected.y(), 1);
        // The windows as they stand, the dialog last (the offscreen platform draws no frames).
        QImage image = w.grab().toImage();
        QPainter painter(&image);
        painter.drawImage(batch.pos() - w.pos(), batch.grab().toImage());
        painter.drawImage(seen.frame.topLeft() - w.pos(), seen.picture);
        painter.end();
        EXPECT_TRUE(image.save(QString::fromStdString(std::string("modal_over_batch_") + c.picture + ".png")));
    }
    // Nothing waits unseen behind the batch window once it has gone.
    w.BatchForm->SetParent(nullptr);
    w.BatchForm->Unload();
    w.BatchForm.reset();
    test::Settle();
    EXPECT_FALSE(WhenModalShows([&] { w.mnuHelp[1]->Trigger(); }).onTop);
}

// The session refuses the paste (the batch tests check its list and message); the box
// shows the list as it stays.
TEST_F(MainBatchTest, APasteBeyondTheListsLimitLeavesTheBoxAsItWas) {
    FBatch batch;
    batch.show();
    test::Settle();
    batch.ListBox()->setFocus();
    batch.ListBox()->insertPlainText(QStringLiteral("S1\n"));
    batch.ListBox()->insertPlainText(QString(70000, QLatin1Char('x')));
    EXPECT_EQ(batch.ListBox()->toPlainText().toStdString(), "S1\n");
}

// A run of the main window and a batch run both yield to the event loop: neither lets
// the other's commands start meanwhile.
TEST_F(BatchRound, ARunAndABatchRunWaitForEachOther) {
    FRiskMain& w = *win;
    FBatch& batch = *this->batch;
    WriteFile("one.RAB", "SPECIES=RATTUS;N=1000\r\n");
    files.QueueAnswer(dir.file("one.RAB"));
    ASSERT_TRUE(Choose(batch.MainMenu(0), batch.FileMenu(0)));
    // A blank line typed at the end: the list has changed, so Save is on.
    Click(batch.ListBox());
    QTest::keyClick(batch.ListBox(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(batch.ListBox(), Qt::Key_Return);
    batch.StateTick();
    ASSERT_TRUE(batch.FileMenu(1)->Enabled());
    const std::string list = batch.Session().List().Text();
    w.tabMain->SetTab(2);
    test::Settle();

    struct Case {
        const char* name;
        bool recording;
        std::function<void()> command;
    };
    const Case cases[] = {
        {"Run", false, [&] { Click(batch.Button(1)); }},
        {"Clear", false, [&] { Click(batch.Button(2)); }},
        {"Open", false, [&] { Choose(batch.MainMenu(0), batch.FileMenu(0)); }},
        {"Save", false, [&] { Choose(batch.MainMenu(0), batch.FileMenu(1)); }},
        {"Capture", true, [&] { Click(batch.Button(0)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.recording) {
            ASSERT_TRUE(Choose(nullptr, batch.MainMenu(1)));
        }
        const std::size_t dialogs = files.requests.size();
        const std::size_t boxes = services.messageBox.calls.size();
        int tried = 0;
        services.yield.onYield = [&] {
            if (!w.Results().Busy() || tried++ > 0) return;
            c.command();
            // The next tick of the batch window turns its commands off till the run ends.
            batch.StateTick();
            EXPECT_FALSE(batch.Button(0)->Enabled());
            EXPECT_FALSE(batch.Button(1)->Enabled());
            EXPECT_FALSE(batch.MainMenu(0)->Enabled());
        };
        w.cmdButton[0]->click();
        services.yield.onYield = nullptr;
        EXPECT_GT(tried, 0);
        EXPECT_EQ(files.requests.size(), dialogs) << "no dialog of the command";
        ASSERT_EQ(services.messageBox.calls.size(), boxes + 1);
        EXPECT_EQ(services.messageBox.calls.back().text, BatchSession::kMainWindowBusy);
        EXPECT_EQ(batch.Session().List().Text(), list);
        w.TimerTick(2);
        EXPECT_TRUE(w.cmdButton[1]->isEnabled()) << "the run's results are current";
        EXPECT_FALSE(w.labPicMonte[10]->Visible());
        if (c.recording) {
            ASSERT_TRUE(Choose(nullptr, batch.MainMenu(1)));
        }
        batch.StateTick();
        EXPECT_TRUE(batch.Button(1)->Enabled()) << "on again after the run";
    }

    // The main window's commands during a batch run: the window is disabled, and its
    // menu commands wait all the same.
    const int tab = w.tabMain->Tab();
    const std::size_t dialogs = files.requests.size();
    int tried = 0;
    services.yield.onYield = [&] {
        if (!batch.Session().Running() || tried++ > 0) return;
        EXPECT_FALSE(w.isEnabled());
        w.mnuFile[0]->Trigger();     // New
        w.mnuFile[1]->Trigger();     // Open
        w.mnuOptions[3]->Trigger();  // Categorical Impacts
    };
    files.QueueAnswer(dir.file("one.CSV"));
    Click(batch.Button(1));
    services.yield.onYield = nullptr;
    EXPECT_GT(tried, 0);
    EXPECT_EQ(services.messageBox.calls.back().title, "Success running batch file");
    EXPECT_EQ(files.requests.size(), dialogs + 1) << "only the batch's own dialog";
    EXPECT_EQ(w.tabMain->Tab(), tab) << "New did not run";
    EXPECT_FALSE(w.mnuOptions[3]->Checked());
    EXPECT_EQ(Split(test::ReadBytes(dir.file("one.CSV")), "\r\n").size(), 3u) << "a header and one line";
}

}  // namespace
}  // namespace nuvir
