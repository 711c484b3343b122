// The Report command: dialog, file, clipboard, messages and the viewer, and what the
// office suite shows of reports of real runs.
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

#include "platform/clipboardowner.h"
#include "platform/windowutilities.h"
#include "report/reportcommand.h"
#include "report/reportfields.h"
#include "platform/profile.h"
#include "report/templatefile.h"
#include "report_fixture.h"
#include "results/resultplots.h"
#include "results/simulationinputs.h"
#include "simulation/montecarlo.h"
#include "simulation/programhost.h"

namespace nuvir::test {
namespace {

// A run of 300 trials on an assessment, stored as the Run command stores it.
RunState SimulatedRun(Variant snapshot) {
    snapshot(item::kTrials) = Variant(300);
    RunState run;
    run.RunSnapshot = snapshot;
    ProgramSimulationHost simulationHost;
    CMonteCarlo engine(simulationHost);
    engine.SetCI(ConfidencePercent(snapshot(item::kConfidenceChoice)));
    engine.RunSimulation(BuildSimulationInputs(snapshot, true), 300, 200, 12345.0f);
    StoreEngineResults(run, engine.Results(), 300);
    run.ResultsValid = true;
    return run;
}

class CommandTest : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        host.run = SimulatedRun(DefaultAssessment());
        ASSERT_TRUE(WriteDefaultTemplate());
        CopyRtfBytesToClipboard("{\\rtf1 earlier}");
    }
    std::string Target(const std::string& name = "report.rtf") const { return dir.file(name); }
    // Writes the report and has scripts/check-report.sh check it in the office suite
    // (77: not installed); a PNG of its first page is left in the build folder.
    int WriteAndCheck(const std::string& name, const std::string& checks) {
        dialog.QueueAnswer(Target(name + ".rtf"));
        if (GenerateRtfReport(host, name) != Target(name + ".rtf")) return -1;
        const std::string command = SourceDir() + "/../scripts/check-report.sh " + checks + " --png " + name +
                                    ".png '" + Target(name + ".rtf") + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    FakeReportHost host;
};

TEST_F(CommandTest, TheDialogAsksForAnRtfFileAndACancelChangesNothing) {
    ReportPath = "/nowhere";
    dialog.QueueCancel();
    EXPECT_EQ(GenerateRtfReport(host, "Ant_Lake"), "");
    EXPECT_EQ(ReportPath, "/nowhere");
    EXPECT_EQ(ClipboardRtfBytes(), "{\\rtf1 earlier}");
    const FileDialogRequest& r = dialog.requests.at(0);
    EXPECT_EQ(r.title, "Write report as RTF file");
    EXPECT_EQ(r.filterPattern, "*.RTF");
    EXPECT_EQ(r.fileName, "Ant_Lake.rtf");
    EXPECT_EQ(r.directory, "/nowhere");
    EXPECT_TRUE(r.overwritePrompt);
}

TEST_F(CommandTest, TheReportGoesToTheFileAndAsRtfOnlyToTheClipboard) {
    std::filesystem::create_directory(dir.path() / "reports");
    const std::string target = dir.file("reports/my report.rtf");
    dialog.QueueAnswer(target);
    EXPECT_EQ(GenerateRtfReport(host, "Ant_Lake"), target);
    EXPECT_EQ(ReportPath, dir.file("reports"));
    EXPECT_EQ(CountOf(ReadBytes(target), "\\pngblip"), 7);  // the chain and six plots
    EXPECT_EQ(ClipboardRtfBytes(), ReadBytes(target));
    EXPECT_FALSE(MUtilities::ClipboardHasFormat(clipformat::Text));
}

// The template's bytes pass through as they are, a NUL after the closing brace too.
TEST_F(CommandTest, TheTemplatesBytesPassThrough) {
    const std::string target = Target();
    WriteBytes(GetReportTemplatePath(), std::string("{\\rtf1 Caf\xE9 %ASpecies% \\'e9}\0", 29));
    dialog.QueueAnswer(target);
    ASSERT_EQ(GenerateRtfReport(host, "x"), target);
    EXPECT_EQ(ReadBytes(target), std::string("{\\rtf1 Caf\xE9 New Species \\'e9}\0", 30));
    ExpectLastMessage("");
}

// The default assessment has all costs 0: the total cost is constant, so none of its
// correlations exists; the report says so instead of printing the marker as a number.
TEST_F(CommandTest, TheDefaultAssessmentsCostCorrelationsShowDashes) {
    ReportFieldInputs inputs;
    inputs.criticalCorrelation = Variant(0.1);
    const ReportFields f = BuildReportFields(host.run, inputs);
    for (int row = 21; row <= 28; ++row) EXPECT_FALSE(f(row, field::kSetB).has_value()) << row;
    for (const auto& row : f.text) {
        for (const auto& text : row) EXPECT_LT(text.value_or("").size(), 25u) << text.value_or("");
    }
}

TEST_F(CommandTest, AnExistingReportSurvivesEveryFailure) {
    using profile::FileStage;
    auto failAt = [](FileStage stage, int error) {
        profile::SetFileFaultForTesting([=](FileStage s) { return s == stage ? error : 0; });
    };
    const std::string folder = Target("folder.rtf");
    const std::string tmpl = GetReportTemplatePath();
    auto templateAs = [&](const std::function<void(const std::string&)>& make) {
        std::filesystem::remove(tmpl);
        make(tmpl);
    };
    struct Case {
        const char* name;
        std::function<void()> fail;
        std::string target, message;
        bool onClipboard;
    };
    const Case cases[] = {
        {"write fails", [&] { failAt(FileStage::Write, EIO); }, Target(),
         "Error writing report|" + Target() + ": Input/output error", true},
        {"flush or rename fails", [&] { failAt(FileStage::Commit, ENOSPC); }, Target(),
         "Error writing report|" + Target() + ": No space left on device", true},
        {"target unwritable", [&] { std::filesystem::create_directory(folder); }, folder,
         "NUVIR|Can't write the file at this time, because:\r\n\r\n" + folder +
             ": Is a directory\r\n\r\nThe report will be on the clipboard.",
         true},
        {"template gone", [] { std::filesystem::remove(GetReportTemplatePath()); }, Target(), "", false},
        {"merge fails", [this] { host.run.RunSnapshot(item::kCategoricalImpacts) = Variant(true); }, Target(),
         "Error writing report|Category table not arranged as a 2D array", false},
        // Templates that are no template: each is named, none hangs or fills the memory.
        {"template empty", [&] { templateAs([](const std::string& t) { WriteBytes(t, ""); }); }, Target(),
         "Error writing report|The report template \"" + tmpl + "\" is empty: there is nothing to merge.", false},
        {"template a FIFO", [&] { templateAs([](const std::string& t) { ::mkfifo(t.c_str(), 0600); }); }, Target(),
         "Error writing report|The report template \"" + tmpl + "\" could not be read.\r\n\r\nIt is not a file.",
         false},
        {"template a link to a device",
         [&] { templateAs([](const std::string& t) { std::filesystem::create_symlink("/dev/zero", t); }); }, Target(),
         "Error writing report|The report template \"" + tmpl + "\" could not be read.\r\n\r\nIt is not a file.",
         false},
        {"template too large",
         [&] {
             templateAs(
                 [](const std::string& t) { WriteBytes(t, ""), std::filesystem::resize_file(t, (8 << 20) + 1); });
         },
         Target(), "Error writing report|The report template \"" + tmpl + "\" was not read: it is larger than 8 MB.",
         false},
        {"a template of 2 MB asking for a report of 782 MB",
         [&] {
             host.run.RunSnapshot(item::kCategoricalImpacts) = Variant(false);
             host.run.RunSnapshot(item::kSpecies) = Variant(std::string(4095, 'a'));
             std::string many;
             for (int i = 0; i < 200000; ++i) many += "%ASpecies%";
             templateAs([&](const std::string& t) { WriteBytes(t, many); });
         },
         Target(),
         "Error writing report|The report was not written: merged with the template it would take 782 MB, more than "
         "the 64 MB a report may take.",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(Target(), "old report");
        ASSERT_TRUE(WriteDefaultTemplate());
        CopyRtfBytesToClipboard("{\\rtf1 earlier}");
        services.messageBox.calls.clear();
        c.fail();
        const auto files = std::distance(std::filesystem::directory_iterator(dir.path()), {});
        dialog.QueueAnswer(c.target);
        EXPECT_EQ(GenerateRtfReport(host, "x"), "");
        profile::SetFileFaultForTesting({});
        EXPECT_EQ(ReadBytes(Target()), "old report");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), files);  // no temporary left
        ExpectLastMessage(c.message);
        EXPECT_EQ(ClipboardRtfBytes() != "{\\rtf1 earlier}", c.onClipboard);  // the new report reached it
    }
}

TEST_F(CommandTest, TheViewerGetsThePathAsOneArgumentWhenAsked) {
    const std::string viewer = dir.file("viewer");
    WriteBytes(viewer, "");
    const std::string target = Target("a report with blanks.rtf");
    using Started = decltype(services.viewer.started);
    struct Case {
        const char* name;
        std::string program;
        bool open, starts, started;
    };
    const Case cases[] = {
        {"opened", viewer, true, true, true},
        {"the start fails", viewer, true, false, true},
        {"auto-open off", viewer, false, true, false},
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
        EXPECT_EQ(services.viewer.started, (c.started ? Started{{viewer, target}} : Started{}));
        ExpectLastMessage(c.started && !c.starts ? "Auto-open of report failed|Report couldn't be opened." : "");
    }
}

TEST_F(CommandTest, WithoutAnAssessmentNameTheReportHasANameOfItsOwn) {
    host.name = "";
    dialog.QueueCancel();
    ReportCommand(host);
    EXPECT_EQ(dialog.requests.back().fileName, "Risk_Report.rtf");
}

TEST_F(CommandTest, WithoutATemplateTheCommandStopsBeforeAskingForAFile) {
    std::filesystem::remove(GetReportTemplatePath());
    ReportCommand(host);
    EXPECT_TRUE(dialog.requests.empty());
    ExpectLastMessage(
        "Missing report template|The report template is missing.\r\n\r\n"
        "Try closing and restarting the application to recreate it.");
}

// What the office suite shows of the report of a real run of categorical impacts, a
// hostile species among the texts; each impact is its table's expected value,
// 1 x 0.5 + 2 x 0.25 + 4 x 0.25 = 2.
TEST_F(CommandTest, AReportOfARealRunInTheOfficeSuite) {
    Variant data = DefaultAssessment();
    data(item::kSpecies) = Variant("Ant } {x} C:\\tmp\\ caf\xC3\xA9");
    data(item::kCategoricalImpacts) = Variant(true);
    data(item::kNumImpactCategories) = Variant(3);
    AppData(item::kNumImpactCategories) = Variant(3);
    for (int q = item::kI1; q < item::kI1 + 5; ++q) {
        data(item::Relative(q)) = Variant::Doubles({2, 0, 2});
        data(item::PointValue(q)) = Variant(2.0);
        data(item::CategoryTable(q)) = Table(2, 3, {1, 2, 4, 0.5, 0.25, 0.25});
    }
    MKelvaro::StoreOutcomeRisks(data);
    host.run = SimulatedRun(data);
    const int status = WriteAndCheck("report_categorical",
                                     "--pages 3 --images 7 --text 'Ant } {x} C:\\tmp\\ caf\xC3\xA9' --text S5 "
                                     "--text 'Cumulative Risk (CI = 95 %)' --text 'VB,Const=N,Tails=2' "
                                     "--text 'p1 = 0.50 (0.1443,U)' --text 'Categorical Impact Data' --text I5 "
                                     "--text 'P(0-1)' --text 0.25 --text '(*)' --no-text %A --no-text %B");
    if (status == 77) GTEST_SKIP() << "the office suite is not installed";
    EXPECT_EQ(status, 0);
    AppOptions(opt::kHideCosts) = Variant(true);
    EXPECT_EQ(WriteAndCheck("report_hidden_costs", "--pages 2 --images 4 --no-text 'Management Costs'"), 0);
}

// A hand-edited template that announces binary data right before the species: the
// office suite shows the whole name and the text after it, where the name's "\}" read
// as data would have closed the document. It takes one byte after a \bin whose count is
// not positive too, so a name beginning with "}" would have ended it after "S=[", and a
// backslash there would have left the one after it to take the name as a word. After
// a \uN it skips as many characters as \ucN says (1 unless set), the fallback that a
// template typed by hand may leave out: the name's first letters.
TEST_F(CommandTest, BinaryDataATemplateAnnouncesBeforeAFieldNeverTakesTheName) {
    struct Case {
        const char* name;
        std::string species, announced, shown;
    };
    const std::string dash = "\xE2\x80\x94";
    const Case cases[] = {
        {"two bytes", "a}rest", "\\bin2 ", ""},
        {"none", "}rest", "\\bin0", ""},
        {"none and a blank", "}rest", "\\bin0 ", ""},
        {"no count", "}rest", "\\bin", ""},
        {"minus five", "}rest", "\\bin-5", ""},
        {"minus zero and a blank", "}rest", "\\bin-0 ", ""},
        {"none, then a backslash", "Rattus", "\\bin0\\", " "},
        {"no count, then a backslash", "Rattus", "\\bin\\", " "},
        {"minus three, then a backslash", "Rattus", "\\bin-3\\", " "},
        {"none, then an escaped backslash", "Rattus", "\\bin0\\\\", ""},
        {"a dash, no fallback", "Rattus", "\\u8212 ", dash},
        {"a dash, then no binary data", "Rattus", "\\u8212\\bin0", dash},
        {"a dash, one fallback of two", "Rattus", "\\uc2\\u8212 ?", dash},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.run.RunSnapshot(item::kSpecies) = Variant(c.species);
        WriteBytes(GetReportTemplatePath(), "{\\rtf1\\ansi S=[" + c.announced + "%ASpecies%] the end\\par}");
        const int status =
            WriteAndCheck("report_binary_before_species", "--pages 1 --text 'S=[" + c.shown + c.species + "] the end'");
        if (status == 77) GTEST_SKIP() << "the office suite is not installed";
        EXPECT_EQ(status, 0);
    }
}

}  // namespace
}  // namespace nuvir::test
