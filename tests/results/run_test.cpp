#include <QClipboard>
#include <QGuiApplication>

#include "platform/clipboardowner.h"
#include "results_fixture.h"

namespace nuvir::test {
namespace {

TEST_F(ResultsTest, RunsAppendFiveFieldLinesAndARunOnChangedDataMarksThemMixed) {
    AppData(item::kPrng) = 1;
    ASSERT_TRUE(Run());
    EXPECT_EQ(page.labMonte[1]->Caption(), "Cost, Sim Mean, Sim SD, Lower Limit, Upper Limit: [Custom PRNG]");
    EXPECT_FALSE(rc->State().MixedResults);
    AppData(item::kPrng) = 0;
    rc->ResultsStateTick();
    ASSERT_TRUE(Run());
    EXPECT_EQ(page.labMonte[0]->Caption(), "TBR, Sim Mean, Sim SD, Lower Limit, Upper Limit:") << "the latest run's";
    for (int box = 0; box < 2; ++box) {
        SCOPED_TRACE(box);
        const auto lines = Split(page.txtMonte[box]->Text(), "\r\n");
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[2], "") << "each line ends in CR LF";
        for (int i = 0; i < 2; ++i) EXPECT_EQ(Split(lines[i], "\t").size(), 5u) << lines[i];
        EXPECT_EQ(page.txtMonte[box]->Visible(), box == 0);
    }
    EXPECT_TRUE(page.cmdButton[0]->isEnabled() && page.cmdButton[3]->Visible());
    EXPECT_TRUE(Messages().empty());
    double point = 0;
    for (int i = 60; i <= 64; ++i) point += CDbl(AppData(i));
    EXPECT_EQ(Split(page.txtMonte[0]->Text(), "\t")[0], MKelvaro::FormatSigFigs(point, 4)) << "the chain's point total";
    rc->ResultsStateTick();
    EXPECT_TRUE(rc->State().MixedResults && page.labPicMonte[10]->Visible());
    EXPECT_EQ(page.labPicMonte[10]->Caption(), "Results box contains mixed results -->");
}

TEST_F(ResultsTest, TheStoredSeedReproducesTheRunSummary) {
    ASSERT_TRUE(Run());
    const RunState first = rc->State();
    const float seed = CSng(first.RunSnapshot(item::kPrngSeed));
    EXPECT_NE(seed, 0.0f);
    Variant again = first.RunSnapshot;
    ASSERT_TRUE(rc->RunSimulationAndShowResults(again, seed));
    const auto &s = rc->State().RunSummary, &f = first.RunSummary;
    EXPECT_TRUE(s.mean == f.mean && s.sd == f.sd && s.min == f.min && s.max == f.max);
    EXPECT_EQ(rc->State().RunLimits, first.RunLimits);
    EXPECT_TRUE(VarEquals(AppData(item::kPrngSeed), Variant()) || CSng(AppData(item::kPrngSeed)) != seed)
        << "the live data does not receive the seed";
}

TEST_F(ResultsTest, TheExportDialogIsShownOnceOrNeverAndABatchRunShowsNothing) {
    struct Case { const char* name; Variant flags; bool batch; int shown; };
    const Case cases[] = {{"batch mode", Variant::List({true, true, true}), true, 0},
                          {"no format chosen", Variant::List({false, false, false}), false, 0},
                          {"formats item not an array", Variant(), false, 0},
                          {"two formats chosen", Variant::List({true, false, true}), false, 1}};
    AppData(item::kTrials) = 100;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.exportAsked.clear();
        AppOptions(opt::kExportFormats) = c.flags;
        rc->State().BatchMode = c.batch;
        EXPECT_TRUE(rc->SimulateAppData());
        EXPECT_EQ(static_cast<int>(host.exportAsked.size()), c.shown);
        EXPECT_EQ(page.txtMonte[0]->Text().empty(), c.batch);
        EXPECT_EQ(page.cmdButton[0]->isEnabled(), !c.batch) << "the batch side enables Run again";
        EXPECT_EQ(rc->State().SensitivitySummary.has_value(), !c.batch);
    }
    // Skipping the export keeps the name the dialog gave back for the next run.
    EXPECT_TRUE(rc->SimulateAppData());
    EXPECT_EQ(host.exportAsked, (std::vector<std::string>{"", "Ant_Here"}));
}

TEST_F(ResultsTest, AFailedRunShowsItsMessageKeepsTheLinesAndMarksNothingMixed) {
    ASSERT_TRUE(Run(100));
    rc->ShowSensitivityMeasures(0);
    AppData(item::kSpecies) = "Another";
    rc->ResultsStateTick();
    const std::string lines = page.txtMonte[0]->Text();
    EXPECT_FALSE(Run(1));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].title == "Error running Monte Carlo simulation" && Messages()[0].style == mb::OKOnly);
    EXPECT_EQ(Messages()[0].text, "Can't do simulation with only (1) trial(s).");
    EXPECT_EQ(page.txtMonte[0]->Text(), lines);
    EXPECT_TRUE(page.cmdButton[0]->isEnabled());
    EXPECT_FALSE(page.picShowSensMeasures->Visible()) << "no stale details panel";
    ASSERT_TRUE(Run(100));
    EXPECT_FALSE(rc->State().MixedResults) << "the previous run failed: the results were not valid";
}

TEST_F(ResultsTest, ClearOrAnotherFileDuringARunsYieldLeavesNoReportForForeignData) {
    Variant other = AppData;
    other(item::kSpecies) = "Loaded meanwhile";
    int duringRun = 0;
    services.yield.onYield = [&] {
        if (!rc->IsBusy()) return;
        ++duringRun;
        rc->cmdButton_Click(3);  // Clear waits
        rc->ClearResults(true);  // File Open's full clear
        AppData = other;         // and its data
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

TEST_F(ResultsTest, DuringAReportTheCommandsWaitAndACloseIsDeferred) {
    ASSERT_TRUE(Run(100));
    rc->ResultsStateTick();
    bool checked = false;
    host.onReport = [&] {
        checked = true;
        for (int b : {0, 1, 3}) EXPECT_FALSE(page.cmdButton[b]->isEnabled()) << b;
        EXPECT_FALSE(rc->RequestClose());
        rc->ClearResults(true);
        EXPECT_TRUE(rc->State().ResultsValid) << "File New's clear waits";
    };
    page.cmdButton[1]->click();
    EXPECT_TRUE(checked);
    EXPECT_EQ(host.closeCalls, 1);
    EXPECT_TRUE(page.cmdButton[0]->isEnabled());
}

TEST_F(ResultsTest, EditsThatCountAndEditsThatDoNot) {
    rc->State().RunSnapshot = Variant();
    AppData(item::kSpecies) = "New Species";
    rc->ResultsStateTick();
    EXPECT_FALSE(rc->State().DataChangedSinceRun) << "without a snapshot the check changes nothing";
    using Edit = std::function<void(Variant&)>;
    struct Case { const char* name; int mode; Edit edit; bool changed; };
    const Case cases[] = {
        {"species case", 0, [](Variant& d) { d(item::kSpecies) = "new species"; }, true},
        {"level percentage, relative mode", 0, [](Variant& d) { d(item::kLevel0 + 1) = 33; }, true},
        {"level percentage, absolute mode", 1, [](Variant& d) { d(item::kLevel0 + 1) = 33; }, false},
        {"uncertainty mode", 0, [](Variant& d) { d(item::kUncertaintyMode) = 1; }, true},
        {"an absolute SD, absolute mode", 1, [](Variant& d) { d(item::Absolute(3))(2) = 0.7; }, true},
        {"a category table alone", 0, [](Variant& d) { d(item::CategoryTable(4)) = Variant(); }, false},
        {"the number of levels alone", 0, [](Variant& d) { d(item::kNumRelUncLevels) = 4; }, false},
        {"trials Int16 100 against Int32 100", 0, [](Variant& d) { d(item::kTrials) = std::int16_t{100}; }, false},
        {"a record cut to two elements", 0, [](Variant& d) { d(item::Relative(2)) = Variant::List({0.5, 0}); }, true},
        {"a Null trials item", 0, [](Variant& d) { d(item::kTrials) = Variant(Null); }, true},
        {"an array where a scalar belongs", 0, [](Variant& d) { d(item::kLocation) = Variant::List({1}); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppData(item::kUncertaintyMode) = c.mode;
        ASSERT_TRUE(Run(100));
        rc->ResultsStateTick();
        const Variant before = AppData;
        c.edit(AppData);
        rc->ResultsStateTick();
        EXPECT_EQ(rc->State().DataChangedSinceRun, c.changed);
        EXPECT_EQ(page.cmdButton[1]->isEnabled(), !c.changed);
        EXPECT_EQ(page.labPicMonte[10]->Visible(), c.changed);
        if (c.changed) {
            EXPECT_EQ(page.labPicMonte[10]->Caption(), "**** Data has changed! ****");
        }
        AppData = before;
        rc->ResultsStateTick();
        EXPECT_FALSE(rc->State().DataChangedSinceRun) << "undoing the edit makes the results current again";
    }
}

TEST_F(ResultsTest, APartialClearKeepsLinesAndSnapshotAFullClearTakesTheLiveData) {
    ASSERT_TRUE(Run(100));
    QGuiApplication::clipboard()->setText("report");
    const float seed = CSng(rc->State().RunSnapshot(item::kPrngSeed));
    rc->ClearResults(false);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "") << "the program's own clipboard";
    EXPECT_FALSE(page.txtMonte[0]->Text().empty()) << "lines kept";
    EXPECT_EQ(CSng(rc->State().RunSnapshot(item::kPrngSeed)), seed) << "snapshot kept";
    EXPECT_EQ(page.picMonte[0]->Image().pixel(5, 5), page.picMonte[0]->Image().pixel(50, 50)) << "plots cleared";
    EXPECT_FALSE(rc->State().ResultsValid);
    QGuiApplication::clipboard()->setText("copied elsewhere");
    SetClipboardOwnerQuery([] { return false; });
    rc->ClearResults(false);
    SetClipboardOwnerQuery({});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "copied elsewhere");

    AppData(item::kSpecies) = "Edited";
    page.cmdButton[3]->click();
    rc->ResultsStateTick();
    EXPECT_FALSE(rc->State().DataChangedSinceRun) << "the full clear took the live data";
    EXPECT_TRUE(page.txtMonte[0]->Text().empty() && !page.txtMonte[0]->Visible() && !page.labMonte[0]->Visible());
    EXPECT_FALSE(page.cmdButton[3]->Visible());
    AppData(item::kSpecies) = "Edited again";
    rc->ResultsStateTick();
    EXPECT_TRUE(rc->State().DataChangedSinceRun);
    EXPECT_FALSE(page.labPicMonte[10]->Visible() || page.cmdButton[1]->isEnabled()) << "no valid results";
}

}  // namespace
}  // namespace nuvir::test
