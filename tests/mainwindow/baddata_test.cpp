// Hand-made data that must not spread or pass unseen, through the real main window and
// its engine: a batch line that fails, and a distribution code no editor has.
#include <limits>

#include "batch/batchsession.h"
#include "mainwindow/windowresults.h"
#include "mainwindow/windowuncertainty.h"
#include "mainwindow_fixture.h"
#include "platform/controls.h"
#include "uncertainty/uncertaintyelements.h"

namespace nuvir {
namespace {

using test::MainWindowTest;

// The batch window's view of the main window, without the window.
class MainHost : public BatchHost {
public:
    explicit MainHost(FRiskMain& w) : w_(w) {}
    std::string SerialiseState(std::int32_t form) override { return w_.SerialiseState(form); }
    std::string CaptureState() override { return w_.SerialiseState(0); }
    Variant GetAppDataDefaults() override { return w_.GetAppDataDefaults(); }
    void StartBatch() override { w_.StartBatch(); }
    void EndBatch() override { w_.EndBatch(); }
    std::optional<BatchResult> RunBatchSimulation(const std::string& state) override {
        return w_.RunBatchSimulation(state);
    }

private:
    FRiskMain& w_;
};

class BadDataTest : public MainWindowTest {
protected:
    FRiskMain& StartWithEngine() {
        MainWindowParts parts;
        parts.makeResults = [](FRiskMain& w) { return std::make_unique<WindowResults>(w); };
        return Start(std::move(parts));
    }
    CUncertaintyElement& Editor(int id) {
        return *dynamic_cast<WindowUncertainty&>(win->UncertaintyElements()).Elements().UncertaintyElement(id);
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const auto& c : services.messageBox.calls) t.push_back(c.text);
        return t;
    }
};

// ---- a batch line that fails ---------------------------------------------------------------

TEST_F(BadDataTest, ABatchLineThatFailsLeavesTheLinesAfterItToRunAsWritten) {
    FRiskMain& w = StartWithEngine();
    MainHost host(w);
    BatchSession session;
    session.SetHost(&host);
    session.InitialiseBatchWindow();
    const std::string bad = "SPECIES=BAD;CATI=TRUE;NUMI=3;ICAT1=1|2|3|0.2|0.3|0.5;NUMI=5";
    std::string eleven;
    for (int i = 1; i <= 11; ++i) eleven += "SPECIES=C" + std::to_string(i) + ";N=1000\r\n";
    struct Case {
        const char* name;
        std::string list;
        std::size_t dataLines;
        std::string failure, end;
        std::string failureTitle = "Error running Monte Carlo simulation";
    };
    const Case cases[] = {
        {"a category table wider than its count, then eleven plain lines", bad + "\r\n" + eleven, 11,
         "Bad discrete lookup table (I1)", "1 of its 12 lines failed: line 1 (\"" + bad + "\")."},
        {"the largest Double, then a plain line",
         "SPECIES=TOP;UM=1;I1=1.7976931348623157E308,N,1E307\r\nSPECIES=D;N=1000\r\n", 1, "Overflow",
         "1 of its 2 lines failed: line 1 (\"SPECIES=TOP;UM=1;I1=1.7976931348623157E308,N,1E307\")."},
        // Named by its own text, not by the species in force ("New Species").
        {"a species of 5000 characters, then a plain line",
         "SPECIES=" + std::string(5000, 'x') + ";N=2000\r\nSPECIES=D;N=1000\r\n", 1,
         "a species name of 5000 characters",
         "1 of its 2 lines failed: line 1 (\"SPECIES=" + std::string(52, 'x') + "\xE2\x80\xA6\").",
         "Error reading batch spec"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services.messageBox.calls.clear();
        session.ListEdited(c.list);
        files.QueueAnswer(dir.file("out.CSV"));
        EXPECT_TRUE(session.RunBatch());
        const std::vector<std::string> csv = Split(test::ReadBytes(dir.file("out.CSV")), "\r\n");
        ASSERT_EQ(csv.size(), c.dataLines + 2) << "the header, the lines that ran, and the end";
        EXPECT_TRUE(csv[1].starts_with(c.dataLines == 11 ? "C1," : "D,")) << csv[1];
        ASSERT_EQ(services.messageBox.calls.size(), 2u);
        EXPECT_EQ(services.messageBox.calls[0].title, c.failureTitle);
        EXPECT_NE(services.messageBox.calls[0].text.find(c.failure), std::string::npos)
            << services.messageBox.calls[0].text;
        EXPECT_EQ(services.messageBox.calls[1].title, "Error running batch file");
        EXPECT_NE(services.messageBox.calls[1].text.find(c.end), std::string::npos)
            << services.messageBox.calls[1].text;
    }
}

// ---- a distribution code that names no distribution ----------------------------------------

TEST_F(BadDataTest, ADistributionCodeNoEditorHasIsNamedOnceShownInvalidAndRefusedPlainly) {
    struct Case {
        const char* name;
        const char* settings;  // the file read at start-up
        const char* opened;    // then opened with File > Open, when set
        const char* file;
        int id;
        const char* named;
        const char* code;
        double sd;
    };
    const Case cases[] = {
        {"beyond 32 bits, opened", "other.ini", "wide.raf",
         "[App Defaults]\r\nUncertainty Module=1\r\n[Absolute Uncertainty]\r\nI1=1,1e10,0.1\r\n", item::kI1,
         "I1 (10000000000)", "10000000000", 0.1},
        {"a record whose comma was deleted, at start-up", "nuvir.ini", nullptr,
         "[App Defaults]\r\nUncertainty Module=1\r\n[Absolute Uncertainty]\r\np4=0.5,0144337567297406\r\n",
         item::kP1 + 3, "p4 (144337567297406)", "144337567297406", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(c.settings, c.file);
        FRiskMain& w = StartWithEngine();
        if (c.opened) {
            WriteFile(c.opened, c.file);
            Open(c.opened);
        }
        // One message naming the key and the value.
        ASSERT_EQ(services.messageBox.calls.size(), 1u) << testing::PrintToString(Texts());
        EXPECT_EQ(services.messageBox.calls[0].text,
                  std::string("The distribution code of ") + c.named +
                      " names no distribution. Its editor shows it as invalid until a distribution is chosen there; "
                      "until then a run with absolute uncertainty stops at it.");
        EXPECT_EQ(services.messageBox.calls[0].title, "NUVIR");

        // The editor shows the data's spread, and its code as invalid; no curve.
        w.tabMain->SetTab(1);
        test::Settle();
        CUncertaintyElement& e = Editor(c.id);
        EXPECT_FALSE(e.DistributionValid());
        EXPECT_EQ(e.SD(), c.sd);
        auto* combo = dynamic_cast<ComboBox*>(e.ControlAt(6));
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->ListIndex(), -1);
        EXPECT_EQ(combo->placeholderText().toStdString(), "Invalid");
        EXPECT_EQ(combo->toolTip().toStdString(), std::string("The code ") + c.code + " names no distribution.");
        EXPECT_EQ(combo->palette().color(QPalette::Button), QColor(Qt::red));
        const std::string summary = dynamic_cast<Label*>(e.ControlAt(3))->Caption();
        EXPECT_TRUE(summary.find(": DT=?, SD=") != std::string::npos) << summary;
        SavePicture(std::string("invalid_code_") + (c.opened ? "opened" : "startup"));

        // Moving the slider writes the spread, never a code the data do not hold.
        const Variant code = AppData(item::Absolute(c.id))(1);
        auto* slider = dynamic_cast<ScrollBar*>(e.ControlAt(7));
        slider->SetValue(50);
        EXPECT_EQ(CDbl(AppData(item::Absolute(c.id))(1)), CDbl(code));

        // The state string writes it as an unknown code; Capture refuses it by name.
        std::string state;
        EXPECT_NO_THROW(state = w.SerialiseState(0));
        EXPECT_NE(state.find(",?,"), std::string::npos) << state;
        MainHost host(w);
        BatchSession session;
        session.SetHost(&host);
        session.InitialiseBatchWindow();
        session.Capture();
        EXPECT_EQ(session.List().Text(), "");
        EXPECT_EQ(services.messageBox.calls.back().text,
                  std::string("The assessment was not captured: the distribution "
                              "code of ") +
                      c.named + " names no distribution.\r\n\r\nChoose one in its editor first.");

        // Run names the value, as the engine does.
        w.tabMain->SetTab(2);
        test::Settle();
        w.cmdButton[0]->click();
        test::Settle();
        EXPECT_EQ(services.messageBox.calls.back().title, "Error running Monte Carlo simulation");
        EXPECT_NE(services.messageBox.calls.back().text.find(std::string("Bad distribution type (") + c.code + ")"),
                  std::string::npos)
            << services.messageBox.calls.back().text;

        // A distribution chosen in the editor is valid again, and the data take it.
        w.tabMain->SetTab(1);
        test::Settle();
        combo->setCurrentIndex(1);  // as a pick from its list does
        test::Settle();
        EXPECT_TRUE(e.DistributionValid());
        EXPECT_EQ(CDbl(AppData(item::Absolute(c.id))(1)), 1.0);
        EXPECT_NE(combo->palette().color(QPalette::Button), QColor(Qt::red));
        EXPECT_EQ(combo->toolTip().toStdString(), "");
        services.messageBox.calls.clear();
        session.Capture();
        EXPECT_NE(session.List().Text(), "");

        EXPECT_TRUE(w.Unload());
        win.reset();
        services.messageBox.calls.clear();
        std::filesystem::remove(dir.file("nuvir.ini"));
    }
}

}  // namespace
}  // namespace nuvir
