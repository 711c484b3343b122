// The Report command: dialog, file, clipboard, messages and the viewer.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <filesystem>
#include <functional>

#include "platform/clipboardowner.h"
#include "report/reportcommand.h"
#include "report/reportfile.h"
#include "report/templatefile.h"
#include "report_fixture.h"

namespace nuvir::test {
namespace {

class CommandTest : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        if (!run) {
            Variant data = DefaultAssessment();
            data(item::kTrials) = Variant(300);
            run = std::make_unique<RunState>(SimulatedRun(data));
        }
        host.run = *run;
        ASSERT_TRUE(WriteDefaultTemplate());
        CopyRtfBytesToClipboard("{\\rtf1 earlier}");
    }
    static void TearDownTestSuite() { run.reset(); }
    std::string Target(const std::string& name = "report.rtf") const { return dir.file(name); }
    const FakeMessageBox::Call* Message() const {
        return services.messageBox.calls.empty() ? nullptr : &services.messageBox.calls.back();
    }
    // Writes the report of the host's run and has the office suite check it (77: no
    // office suite); a PNG of its first page is left in the build folder.
    int WriteAndCheck(const std::string& name, const std::string& checks) {
        dialog.QueueAnswer(Target(name + ".rtf"));
        if (GenerateRtfReport(host, name) != Target(name + ".rtf")) return -1;
        return CheckReport(checks + " --png " + Quoted(name + ".png") + " " + Quoted(Target(name + ".rtf")));
    }
    static std::unique_ptr<RunState> run;
    FakeReportHost host;
};
std::unique_ptr<RunState> CommandTest::run;

TEST_F(CommandTest, CancellingTouchesNothing) {
    ReportPath = "/nowhere";
    dialog.QueueCancel();
    EXPECT_EQ(GenerateRtfReport(host, "Ant_Lake"), "");
    EXPECT_EQ(ReportPath, "/nowhere");
    EXPECT_EQ(ClipboardRtfBytes(), "{\\rtf1 earlier}");
    EXPECT_TRUE(services.messageBox.calls.empty());
    ASSERT_EQ(dialog.requests.size(), 1u);
    const FileDialogRequest& r = dialog.requests[0];
    EXPECT_EQ(std::tie(r.title, r.filterPattern, r.fileName, r.directory),
              std::make_tuple("Write report as RTF file", "*.RTF", "Ant_Lake.rtf", "/nowhere"));
    EXPECT_TRUE(r.overwritePrompt);
    host.name = "";
    dialog.QueueCancel();
    ReportCommand(host);
    EXPECT_EQ(dialog.requests.back().fileName, "Risk_Report.rtf");
}

TEST_F(CommandTest, TheReportGoesToTheFileAndAsRtfOnlyToTheClipboard) {
    std::filesystem::create_directory(dir.path() / "reports");
    const std::string target = dir.file("reports/my report.rtf");
    dialog.QueueAnswer(target);
    EXPECT_EQ(GenerateRtfReport(host, "Ant_Lake"), target);
    EXPECT_EQ(ReportPath, dir.file("reports"));
    EXPECT_TRUE(services.messageBox.calls.empty());
    const std::string bytes = ReadBytes(target);
    EXPECT_EQ(bytes.substr(bytes.size() - 3), "}\r\n");  // as the template file ends
    EXPECT_EQ(CountOf(bytes, "\\pngblip"), 7);           // the chain and six plots
    EXPECT_TRUE(ClipboardRtfBytes() == bytes);
    QStringList formats = QGuiApplication::clipboard()->mimeData()->formats();
    formats.sort();
    EXPECT_EQ(formats, (QStringList{"application/rtf", "text/richtext", "text/rtf"}));

    WriteBytes(GetReportTemplatePath(), "{\\rtf1 Caf\xE9 %ASpecies% \\'e9}");
    dialog.QueueAnswer(Target());
    ASSERT_EQ(GenerateRtfReport(host, "x"), Target());
    EXPECT_EQ(ReadBytes(Target()), "{\\rtf1 Caf\xE9 New Species \\'e9}");
    EXPECT_EQ(ClipboardRtfBytes(), "{\\rtf1 Caf\xE9 New Species \\'e9}");
}

TEST_F(CommandTest, AnExistingReportSurvivesEveryFailure) {
    struct Case {
        const char* name;
        std::function<void()> fail;
        const char* message;  // part of the "Error writing report" text, or none
        bool onClipboard;     // the new report reached the clipboard
    };
    const Case cases[] = {
        {"write fails", [] { SetFileFaultForTesting([](FileStage s) { return s == FileStage::Write ? EIO : 0; }); },
         "Input/output error", true},
        {"flush or rename fails", [] { SetFileFaultForTesting([](FileStage s) { return s == FileStage::Commit ? ENOSPC : 0; }); },
         "No space left on device", true},
        {"merge fails", [this] { host.run.RunSnapshot(item::kCategoricalImpacts) = Variant(true); },
         "Category table", false},
        {"template gone", [] { std::filesystem::remove(GetReportTemplatePath()); }, nullptr, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(Target(), "old report");
        CopyRtfBytesToClipboard("{\\rtf1 earlier}");
        services.messageBox.calls.clear();
        c.fail();
        dialog.QueueAnswer(Target());
        EXPECT_EQ(GenerateRtfReport(host, "x"), "");
        SetFileFaultForTesting({});
        EXPECT_EQ(ReadBytes(Target()), "old report");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), c.message ? 2 : 1);
        ASSERT_EQ(services.messageBox.calls.size(), c.message ? 1u : 0u);
        if (c.message) {
            EXPECT_EQ(Message()->title, "Error writing report");
            EXPECT_NE(Message()->text.find(c.message), std::string::npos);
        }
        EXPECT_EQ(ClipboardRtfBytes() != "{\\rtf1 earlier}", c.onClipboard);
    }
    // The command itself stops at a missing template before asking for a file.
    services.messageBox.calls.clear();
    ReportCommand(host);
    ASSERT_NE(Message(), nullptr);
    EXPECT_EQ(Message()->title, "Missing report template");
    EXPECT_EQ(Message()->text,
              "The report template is missing.\r\n\r\nTry closing and restarting the application to recreate it.");
}

TEST_F(CommandTest, AnUnwritableTargetLeavesTheReportOnTheClipboard) {
    std::filesystem::create_directory(Target("folder.rtf"));
    dialog.QueueAnswer(Target("folder.rtf"));
    EXPECT_EQ(GenerateRtfReport(host, "x"), "");
    ASSERT_EQ(services.messageBox.calls.size(), 1u);
    const std::string& text = Message()->text;
    EXPECT_EQ(text.rfind("Can't write the file at this time, because:\r\n\r\n", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 40), "\r\n\r\nThe report will be on the clipboard.");
    EXPECT_EQ(ClipboardRtfBytes().rfind("{\\rtf1\\ansi", 0), 0u);
}

TEST_F(CommandTest, TheViewerGetsThePathAsOneArgumentWhenAsked) {
    const std::string viewer = dir.file("viewer");
    WriteBytes(viewer, "");
    const std::string target = Target("a report with blanks.rtf");
    struct Case { const char* name; std::string program; bool open, starts, started; };
    const Case cases[] = {
        {"opened", viewer, true, true, true},
        {"the start fails", viewer, true, false, true},
        {"auto-open off", viewer, false, true, false},
        {"no viewer", "", true, true, false},
        {"viewer gone", dir.file("gone"), true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services.viewer.started.clear();
        services.messageBox.calls.clear();
        services.viewer.startSucceeds = c.starts;
        AppOptions(opt::kReportViewer) = Variant(c.program);
        AppOptions(opt::kOpenReport) = Variant(c.open);
        dialog.QueueAnswer(target);
        ReportCommand(host);
        EXPECT_TRUE(std::filesystem::exists(target));
        EXPECT_EQ(services.viewer.started, (c.started ? std::vector{std::make_pair(viewer, target)}
                                                      : decltype(services.viewer.started){}));
        ASSERT_EQ(services.messageBox.calls.size(), c.started && !c.starts ? 1u : 0u);
        if (Message()) {
            EXPECT_EQ(std::tie(Message()->title, Message()->text),
                      std::make_tuple("Auto-open of report failed", "Report couldn't be opened."));
        }
    }
}

// What the office suite shows of reports of real runs, a hostile species among them.
TEST_F(CommandTest, TheDefaultAssessmentsReport) {
    const std::string species = "Ant } {x} C:\\tmp\\ caf\xC3\xA9";
    host.run.RunSnapshot(item::kSpecies) = Variant(species);
    int status = WriteAndCheck("report_default", "--pages 2 --images 7 --text " + Quoted(species) +
                                                     " --text 'Cumulative Risk (CI = 95 %)' --text 'VB,Const=N,Tails=2' "
                                                     "--text 'p1 = 0.50 (0.1443,U)' --text S5 --no-text %A --no-text %B");
    if (status == 77) GTEST_SKIP() << "the office suite is not installed";
    EXPECT_EQ(status, 0);
    AppOptions(opt::kHideCosts) = Variant(true);
    EXPECT_EQ(WriteAndCheck("report_hidden_costs", "--pages 1 --images 4 --no-text 'Management Costs'"), 0);
}

TEST_F(CommandTest, CategoricalImpactsAddTheAppendix) {
    Variant data = DefaultAssessment();
    data(item::kTrials) = Variant(300);
    data(item::kCategoricalImpacts) = Variant(true);
    data(item::kNumImpactCategories) = Variant(3);
    AppData(item::kNumImpactCategories) = Variant(3);
    // Each impact is its table's expected value, 1 x 0.5 + 2 x 0.25 + 4 x 0.25 = 2.
    for (int q = item::kI1; q < item::kI1 + 5; ++q) {
        data(item::Relative(q)) = Variant::Doubles({2, 0, 2});
        data(item::PointValue(q)) = Variant(2.0);
        data(item::CategoryTable(q)) = CategoryTable({1, 2, 4}, {0.5, 0.25, 0.25});
    }
    MKelvaro::StoreOutcomeRisks(data);
    host.run = SimulatedRun(data);
    const int status = WriteAndCheck("report_categorical", "--pages 3 --images 7 --text 'Categorical Impact Data' "
                                                           "--text I5 --text 'P(0-1)' --text 0.25 --text '(*)'");
    if (status == 77) GTEST_SKIP() << "the office suite is not installed";
    EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace nuvir::test
