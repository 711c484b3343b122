#include "results_fixture.h"

namespace nuvir::test {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "text ends without CR LF";
    return lines;
}

TEST_F(ResultsTest, RunOfTheDefaultAssessmentAppendsFiveFieldLinesThatAccumulate) {
    ASSERT_TRUE(Run());
    ASSERT_TRUE(Run());
    for (int box = 0; box < 2; ++box) {
        SCOPED_TRACE(box);
        const auto lines = Lines(page.txtMonte[box]->Text());
        ASSERT_EQ(lines.size(), 2u);
        for (const auto& line : lines) EXPECT_EQ(Split(line, "\t").size(), 5u) << line;
        EXPECT_TRUE(page.txtMonte[box]->Visible() == (box == 0));
    }
    EXPECT_FALSE(rc->State().MixedResults);
    EXPECT_TRUE(page.cmdButton[0]->isEnabled());
    EXPECT_TRUE(page.cmdButton[3]->Visible());
    EXPECT_TRUE(services.messageBox.calls.empty());
    // The risk line's first field is the point total of the default chain.
    const double point = CDbl(AppData(60)) + CDbl(AppData(61)) + CDbl(AppData(62)) + CDbl(AppData(63)) + CDbl(AppData(64));
    EXPECT_EQ(Split(Lines(page.txtMonte[0]->Text())[0], "\t")[0], MKelvaro::FormatSigFigs(point, 4));
}

}  // namespace
}  // namespace nuvir::test

namespace nuvir::test {
namespace {

Variant ExportFlags(bool csv, bool sam, bool txt) { return Variant::List({csv, sam, txt}); }

TEST_F(ResultsTest, TheStoredSeedReproducesTheRunSummary) {
    ASSERT_TRUE(Run());
    const RunState first = rc->State();
    const float seed = CSng(first.RunSnapshot(item::kPrngSeed));
    EXPECT_NE(seed, 0.0f);
    Variant again = first.RunSnapshot;
    ASSERT_TRUE(rc->RunSimulationAndShowResults(again, seed));
    const auto& s = rc->State().RunSummary;
    EXPECT_EQ(s.trials, first.RunSummary.trials);
    EXPECT_EQ(s.mean, first.RunSummary.mean);
    EXPECT_EQ(s.sd, first.RunSummary.sd);
    EXPECT_EQ(s.min, first.RunSummary.min);
    EXPECT_EQ(s.max, first.RunSummary.max);
    EXPECT_EQ(rc->State().RunLimits, first.RunLimits);
    // The live data does not receive the seed.
    EXPECT_TRUE(VarEquals(AppData(item::kPrngSeed), Variant()) || CSng(AppData(item::kPrngSeed)) != seed);
}

TEST_F(ResultsTest, OneTrialGivesTheEnginesMessageUnderTheRunsTitleAndKeepsWhatWasThere) {
    ASSERT_TRUE(Run());
    const RunSummaryData before = rc->State().RunSummary;
    const std::string lines = page.txtMonte[0]->Text();
    EXPECT_FALSE(Run(1));
    ASSERT_EQ(services.messageBox.calls.size(), 1u);
    EXPECT_EQ(services.messageBox.calls[0].title, "Error running Monte Carlo simulation");
    EXPECT_EQ(services.messageBox.calls[0].text, "Can't do simulation with only (1) trial(s).");
    EXPECT_EQ(services.messageBox.calls[0].style, mb::OKOnly);
    EXPECT_TRUE(page.cmdButton[0]->isEnabled());
    rc->ResultsStateTick();
    EXPECT_FALSE(page.cmdButton[1]->isEnabled());
    EXPECT_EQ(page.txtMonte[0]->Text(), lines);
    EXPECT_EQ(rc->State().RunSummary.mean, before.mean);
}

TEST_F(ResultsTest, TheExportDialogIsShownOnceOrNever) {
    struct Case {
        const char* name;
        Variant flags;
        bool batch;
        int shown;
    };
    const Case cases[] = {
        {"no format chosen", ExportFlags(false, false, false), false, 0},
        {"two formats chosen", ExportFlags(true, false, true), false, 1},
        {"formats item not an array", Variant(), false, 0},
        {"batch mode", ExportFlags(true, true, true), true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.exportAsked.clear();
        AppOptions(opt::kExportFormats) = c.flags;
        rc->State().BatchMode = c.batch;
        AppData(item::kTrials) = 100;
        EXPECT_TRUE(rc->SimulateAppData());
        EXPECT_EQ(static_cast<int>(host.exportAsked.size()), c.shown);
    }
}

TEST_F(ResultsTest, SkipExportKeepsTheBaseNameTheDialogGaveBack) {
    AppOptions(opt::kExportFormats) = ExportFlags(true, false, false);
    host.exportPaths = "";
    host.exportBaseOut = "Ant_Here";
    ASSERT_TRUE(Run(100));
    EXPECT_EQ(rc->State().ExportBaseName, "Ant_Here");
    ASSERT_TRUE(Run(100));
    ASSERT_EQ(host.exportAsked.size(), 2u);
    EXPECT_EQ(host.exportAsked[1], "Ant_Here");
}

TEST_F(ResultsTest, TheHeadingsCarryTheGeneratorOfTheLatestRunOnly) {
    AppData(item::kPrng) = 1;
    ASSERT_TRUE(Run(100));
    EXPECT_EQ(page.labMonte[0]->Caption(), "TBR, Sim Mean, Sim SD, Lower Limit, Upper Limit: [Custom PRNG]");
    EXPECT_EQ(page.labMonte[1]->Caption(), "Cost, Sim Mean, Sim SD, Lower Limit, Upper Limit: [Custom PRNG]");
    AppData(item::kPrng) = 0;
    ASSERT_TRUE(Run(100));
    EXPECT_EQ(page.labMonte[0]->Caption(), "TBR, Sim Mean, Sim SD, Lower Limit, Upper Limit:");
}

TEST_F(ResultsTest, ARunAfterADataChangeMarksTheBoxesMixedButAFailedOneDoesNot) {
    ASSERT_TRUE(Run(100));
    AppData(item::kSpecies) = "Another";
    rc->ResultsStateTick();
    EXPECT_FALSE(Run(1));
    EXPECT_FALSE(rc->State().MixedResults) << "no line was added";
    ASSERT_TRUE(Run(100));
    EXPECT_FALSE(rc->State().MixedResults) << "the previous run failed: the results were not valid";
    AppData(item::kSpecies) = "Third";
    rc->ResultsStateTick();
    ASSERT_TRUE(Run(100));
    EXPECT_TRUE(rc->State().MixedResults);
    rc->ResultsStateTick();
    EXPECT_TRUE(page.labPicMonte[10]->Visible());
    EXPECT_EQ(page.labPicMonte[10]->Caption(), "Results box contains mixed results -->");
}

TEST_F(ResultsTest, BatchModeStoresTheResultsAndShowsNothing) {
    rc->State().BatchMode = true;
    AppData(item::kTrials) = 100;
    EXPECT_TRUE(rc->SimulateAppData());
    EXPECT_EQ(page.txtMonte[0]->Text(), "");
    EXPECT_FALSE(page.cmdButton[0]->isEnabled()) << "the batch side enables Run again";
    EXPECT_EQ(rc->State().RunSummary.trials, 100);
    EXPECT_NE(CSng(rc->State().RunSnapshot(item::kPrngSeed)), 0.0f);
    EXPECT_FALSE(rc->State().SensitivitySummary.has_value());
    EXPECT_EQ(page.picMonte[0]->ScaleMode(), scale::Twips) << "nothing was drawn";
}

TEST_F(ResultsTest, ClearOrAnotherFileDuringARunsYieldLeavesNoReportForForeignData) {
    const Variant other = [] {
        Variant d = AppData;
        d(item::kSpecies) = "Loaded meanwhile";
        return d;
    }();
    int duringRun = 0;
    services.yield.onYield = [&] {
        if (!rc->IsBusy()) return;
        ++duringRun;
        page.cmdButton[3]->click();  // Clear: disabled, so nothing happens
        rc->cmdButton_Click(3);      // even sent directly, it waits
        rc->ClearResults(true);      // File Open's full clear
        AppData = other;             // and its data
    };
    ASSERT_TRUE(Run(1000));
    services.yield.onYield = nullptr;
    EXPECT_GT(duringRun, 0);
    EXPECT_FALSE(page.txtMonte[0]->Text().empty()) << "the run's lines survived";
    rc->ResultsStateTick();
    EXPECT_TRUE(rc->State().DataChangedSinceRun);
    EXPECT_FALSE(page.cmdButton[1]->isEnabled());
}

TEST_F(ResultsTest, ACloseDuringARunWaitsUntilTheRunHasReturned) {
    services.yield.onYield = [&] {
        if (rc->IsBusy()) {
            EXPECT_FALSE(rc->RequestClose());
        }
    };
    ASSERT_TRUE(Run(1000));
    EXPECT_EQ(host.closeCalls, 1);
    EXPECT_TRUE(rc->RequestClose()) << "idle: the window may close at once";
}

TEST_F(ResultsTest, TheButtonsRouteToTheirCommands) {
    page.cmdButton[1]->click();
    rc->cmdButton_Click(2);
    EXPECT_EQ(host.copyCalls, 1);
    ASSERT_TRUE(Run(100));
    rc->ResultsStateTick();
    page.cmdButton[1]->click();
    EXPECT_EQ(host.reportCalls, 1);
    page.cmdButton[3]->click();
    EXPECT_EQ(page.txtMonte[0]->Text(), "");
    EXPECT_FALSE(page.cmdButton[3]->Visible());
}

}  // namespace
}  // namespace nuvir::test

namespace nuvir::test {
namespace {

TEST_F(ResultsTest, DuringAReportTheCommandsWaitAndACloseIsDeferred) {
    ASSERT_TRUE(Run(100));
    rc->ResultsStateTick();
    bool checked = false;
    host.onReport = [&] {
        checked = true;
        EXPECT_FALSE(page.cmdButton[0]->isEnabled());
        EXPECT_FALSE(page.cmdButton[1]->isEnabled());
        EXPECT_FALSE(page.cmdButton[3]->isEnabled());
        EXPECT_FALSE(rc->RequestClose());
        rc->ClearResults(true);
        EXPECT_TRUE(rc->State().ResultsValid) << "File New's clear waits";
    };
    page.cmdButton[1]->click();
    EXPECT_TRUE(checked);
    EXPECT_EQ(host.closeCalls, 1);
    EXPECT_TRUE(page.cmdButton[0]->isEnabled());
}

}  // namespace
}  // namespace nuvir::test
