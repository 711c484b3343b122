#include <QClipboard>
#include <QGuiApplication>

#include <cmath>

#include "platform/clipboardowner.h"
#include "results/simulationinputs.h"
#include "results_fixture.h"

namespace nuvir::test {
namespace {

TEST_F(ResultsTest, ACustomGeneratorIsNamedInTheCaptions) {
    AppData(item::kPrng) = 1;
    ASSERT_TRUE(Run(100));
    EXPECT_EQ(page.labMonte[1]->Caption(), "Cost, Sim Mean, Sim SD, Lower Limit, Upper Limit: [Custom PRNG]");
    AppData(item::kPrng) = 0;
    ASSERT_TRUE(Run(100));
    EXPECT_EQ(page.labMonte[0]->Caption(), "TBR, Sim Mean, Sim SD, Lower Limit, Upper Limit:") << "the latest run's";
}

TEST_F(ResultsTest, AnotherRunKeepsTheDetailsOpenWithItsOwnValues) {
    ASSERT_TRUE(Run(100));
    rc->ShowSensitivityMeasures(0);
    ASSERT_TRUE(Run(200));
    ASSERT_TRUE(page.picShowSensMeasures->Visible());
    EXPECT_EQ(page.flxShowSensMeasures->TextMatrix(5, 3), (*rc->State().SensitivitySummary)[0][4][2]);
}

TEST_F(ResultsTest, AFailedRunKeepsTheLinesAndClosesTheDetails) {
    ASSERT_TRUE(Run(100));
    rc->ShowSensitivityMeasures(0);
    const std::string lines = page.txtMonte[0]->Text();
    EXPECT_FALSE(Run(1));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].title, "Error running Monte Carlo simulation");
    EXPECT_EQ(Messages()[0].text, "Can't do simulation with only (1) trial(s).");
    EXPECT_EQ(page.txtMonte[0]->Text(), lines);
    EXPECT_TRUE(page.cmdButton[0]->isEnabled());
    EXPECT_FALSE(page.picShowSensMeasures->Visible()) << "no stale details panel";
}

TEST_F(ResultsTest, AnEngineErrorIsShownAndThePageGoesOn) {
    struct Case {
        const char* name;
        std::function<void()> edit;
        std::string message;
    };
    const Case cases[] = {
        {"an empty category table under its switch",
         [] {
             AppData(item::kCategoricalImpacts) = true;
             for (int k = 4; k <= 8; ++k) AppData(item::CategoryTable(k)) = Variant();
         },
         "lookup table"},
        {"the largest Double as an impact",
         [] {
             AppData(item::PointValue(item::kI1)) = std::numeric_limits<double>::max();
             AppData(item::Relative(item::kI1))(0) = Variant(std::numeric_limits<double>::max());
         },
         // Its spread is finite (1.797...e308 x 50 / 50 / Sqr(12)), but half the draws pass the range.
         "Overflow in CMonteCarlo.GetAPseudoRandomValue\r\nwith arguments: 1.79769313486232E+308,5.1894930766655E+307,0"},
    };
    const Variant before = AppData;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppData = before;
        c.edit();
        EXPECT_FALSE(Run(100));
        ASSERT_FALSE(Messages().empty());
        EXPECT_NE(Messages().back().text.find(c.message), std::string::npos) << Messages().back().text;
        EXPECT_TRUE(page.cmdButton[0]->isEnabled());
    }
}

// The spread of a relative level near the largest double is finite, as the deviation is
// (expected in long double, whose range takes the product), so the run draws: 10 % of
// 1e308 spans 0.9e308..1.1e308, within the range. What the measures after the draw make
// of such values is theirs to say; the draw no longer fails.
TEST_F(ResultsTest, ARelativeRunOfAnImpactNearTheLargestDoubleDraws) {
    struct Case {
        const char* name;
        double value;
        int level, percent;
    };
    const Case cases[] = {{"1e308 at 10 %", 1e308, 0, 10}, {"1e307 at 70 %", 1e307, 3, 70}};
    const Variant before = AppData;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppData = before;
        AppData(item::kUncertaintyMode) = 0;
        AppData(item::PointValue(item::kI1)) = c.value;
        AppData(item::Relative(item::kI1)) = Variant::List({c.value, 0.0, static_cast<double>(c.level)});
        const long double sd = static_cast<long double>(c.value) * c.percent / 50 / std::sqrt(12.0L);
        EXPECT_DOUBLE_EQ(CDbl(BuildSimulationInputs(AppData, true)(item::kI1, 1)), static_cast<double>(sd));
        services.messageBox.calls.clear();
        Run(100);
        for (const auto& m : Messages()) EXPECT_EQ(m.text.find("GetAPseudoRandomValue"), std::string::npos) << m.text;
    }
}

TEST_F(ResultsTest, ARunAfterAFailedOneIsNotMixed) {
    ASSERT_TRUE(Run(100));
    EXPECT_FALSE(Run(1));
    ASSERT_TRUE(Run(100));
    EXPECT_FALSE(rc->State().MixedResults);
}

TEST_F(ResultsTest, EachRunAppendsALineOfFiveFieldsTheFirstThePointTotal) {
    ASSERT_TRUE(Run(100));
    ASSERT_TRUE(Run(100));
    ASSERT_TRUE(Run(100));
    const auto rows = Split(page.txtMonte[1]->Text(), "\r\n");
    ASSERT_EQ(rows.size(), 4u) << "each line ends in CR LF";
    EXPECT_EQ(Split(rows[1], "\t").size(), 5u) << rows[1];
    EXPECT_TRUE(page.txtMonte[0]->Visible());
    EXPECT_FALSE(page.txtMonte[1]->Visible());
    double point = 0;
    for (int i = 60; i <= 64; ++i) point += CDbl(AppData(i));
    EXPECT_EQ(Split(page.txtMonte[0]->Text(), "\t")[0], MKelvaro::FormatSigFigs(point, 4)) << "the chain's point total";
}

// The banner follows the data both ways while the boxes stay mixed.
TEST_F(ResultsTest, ARunOnChangedValidResultsMarksThemMixed) {
    ASSERT_TRUE(Run(100));
    AppData(item::kSpecies) = "Another";
    rc->ResultsStateTick();
    ASSERT_TRUE(Run(100));
    rc->ResultsStateTick();
    EXPECT_TRUE(rc->State().MixedResults);
    EXPECT_TRUE(page.labPicMonte[10]->Visible());
    EXPECT_EQ(page.labPicMonte[10]->Caption(), "Results box contains mixed results -->");
    const Variant current = AppData;
    struct Case {
        const char* name;
        bool edited;
        const char* caption;
        bool report;
    };
    const Case cases[] = {{"edited", true, "**** Data has changed! ****", false},
                          {"edit undone", false, "Results box contains mixed results -->", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppData(item::kSpecies) = c.edited ? "Edited" : CStr(current(item::kSpecies));
        rc->ResultsStateTick();
        EXPECT_TRUE(page.labPicMonte[10]->Visible());
        EXPECT_EQ(page.labPicMonte[10]->Caption(), c.caption);
        EXPECT_EQ(page.cmdButton[1]->isEnabled(), c.report);
    }
}

// The same assessment run at 90, 95 and 99 %: each wider interval holds the narrower.
TEST_F(ResultsTest, TheConfidenceChosenSetsTheLimitsOfTheRun) {
    struct Case {
        const char* name;
        int choice;
    };
    const Case cases[] = {{"90 %", 0}, {"95 %", 1}, {"99 %", 2}};
    std::array<double, 2> previous{};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppData(item::kConfidenceChoice) = c.choice;
        ASSERT_TRUE(Run(20000));
        const std::array<double, 2> limits = rc->State().RunLimits[0];
        if (c.choice > 0) {
            EXPECT_LT(limits[0], previous[0]);
            EXPECT_GT(limits[1], previous[1]);
        }
        previous = limits;
    }
}

// The seed a run drew from the clock is kept with the run's data, so that the run can
// be repeated; the assessment itself is not changed by running it.
TEST_F(ResultsTest, TheSeedOfARunGoesIntoItsSnapshotOnly) {
    AppData(item::kPrngSeed) = 0;
    ASSERT_TRUE(Run(100));
    EXPECT_NE(CDbl(rc->State().RunSnapshot(item::kPrngSeed)), 0);
    EXPECT_EQ(CDbl(AppData(item::kPrngSeed)), 0);
    rc->ResultsStateTick();
    EXPECT_FALSE(rc->State().DataChangedSinceRun);
}

TEST_F(ResultsTest, TheExportDialogIsShownOnlyWhenAFormatIsChosenOutsideABatch) {
    struct Case {
        const char* name;
        Variant flags;
        bool batch;
        int shown;
    };
    const Case cases[] = {{"batch mode", Variant::List({true, true, true}), true, 0},
                          {"no format chosen", Variant::List({false, false, false}), false, 0},
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

// A run and a report both yield to the event loop: what a person or the window does
// meanwhile must not clear the results being written nor close the window under them.
class MeanwhileTest : public ResultsTest {
protected:
    void SetUp() override {
        ResultsTest::SetUp();
        other = AppData;
        other(item::kSpecies) = "Loaded meanwhile";
    }
    void Act() {
        ++meanwhile;
        for (int b : {0, 1, 3}) EXPECT_FALSE(page.cmdButton[b]->isEnabled()) << b;
        EXPECT_FALSE(rc->RequestClose());
        rc->cmdButton_Click(3);  // Clear
        rc->ClearResults(true);  // File Open's full clear
        AppData = other;         // and its data
    }
    Variant other;
    int meanwhile = 0;
};

TEST_F(MeanwhileTest, WhatIsDoneDuringARunWaitsForIt) {
    services.yield.onYield = [&] {
        if (rc->IsBusy()) Act();
    };
    ASSERT_TRUE(Run(1000));
    services.yield.onYield = nullptr;
    EXPECT_GT(meanwhile, 0);
    EXPECT_FALSE(page.txtMonte[0]->Text().empty()) << "the run's lines survived";
    EXPECT_EQ(host.closeCalls, 1) << "closed once the run returned";
    rc->ResultsStateTick();
    EXPECT_TRUE(rc->State().DataChangedSinceRun);
    EXPECT_FALSE(page.cmdButton[1]->isEnabled()) << "no report for foreign data";
}

TEST_F(MeanwhileTest, WhatIsDoneDuringAReportWaitsForIt) {
    ASSERT_TRUE(Run(100));
    host.onReport = [&] { Act(); };
    page.cmdButton[1]->click();
    EXPECT_EQ(meanwhile, 1);
    EXPECT_TRUE(rc->State().ResultsValid);
    EXPECT_EQ(host.closeCalls, 1);
    EXPECT_TRUE(page.cmdButton[0]->isEnabled());
    EXPECT_TRUE(rc->RequestClose()) << "idle: the window may close at once";
}

TEST_F(ResultsTest, OnlyEditsOfWhatTheRunUsesMarkTheResultsChanged) {
    struct Case {
        const char* name;
        int mode;
        std::function<void(Variant&)> edit;
        bool changed;
    };
    const Case cases[] = {
        {"species case", 0, [](Variant& d) { d(item::kSpecies) = "new species"; }, true},
        {"level percentage, relative mode", 0, [](Variant& d) { d(item::kLevel0 + 1) = 33; }, true},
        {"level percentage, absolute mode", 1, [](Variant& d) { d(item::kLevel0 + 1) = 33; }, false},
        {"a category table alone", 0, [](Variant& d) { d(item::CategoryTable(4)) = Variant(); }, false},
        {"the number of levels alone", 0, [](Variant& d) { d(item::kNumRelUncLevels) = 4; }, false},
        {"trials Int16 100 against Int32 100", 0, [](Variant& d) { d(item::kTrials) = std::int16_t{100}; }, false},
        {"a record cut to two elements", 0,
         [](Variant& d) {
             d(item::Relative(2)) = Variant::List({0.5, 0});
         },
         true},
        {"a Null trials item", 0, [](Variant& d) { d(item::kTrials) = Variant(Null); }, true},
        {"an array where a scalar belongs", 0, [](Variant& d) { d(item::kLocation) = Variant::List({1}); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppData(item::kUncertaintyMode) = c.mode;
        ASSERT_TRUE(Run(100));
        const Variant before = AppData;
        c.edit(AppData);
        rc->ResultsStateTick();
        EXPECT_EQ(page.cmdButton[1]->isEnabled(), !c.changed);
        const Label& status = *page.labPicMonte[10];
        EXPECT_EQ(status.Visible() ? status.Caption() : "", c.changed ? "**** Data has changed! ****" : "");
        AppData = before;
        rc->ResultsStateTick();
        EXPECT_FALSE(rc->State().DataChangedSinceRun) << "current again";
        EXPECT_FALSE(page.labPicMonte[10]->Visible());
    }
}

TEST_F(ResultsTest, APartialClearKeepsOnlyTheLines) {
    ASSERT_TRUE(Run(100));
    QGuiApplication::clipboard()->setText("report");
    rc->ClearResults(false);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
    EXPECT_FALSE(page.txtMonte[0]->Text().empty()) << "lines kept";
    EXPECT_EQ(page.picMonte[0]->Image().pixel(5, 5), page.picMonte[0]->Image().pixel(50, 50)) << "plots cleared";
}

TEST_F(ResultsTest, AClearLeavesAnotherProgramsClipboard) {
    QGuiApplication::clipboard()->setText("copied elsewhere");
    SetClipboardOwnerQuery([] { return false; });
    rc->ClearResults(false);
    SetClipboardOwnerQuery({});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "copied elsewhere");
}

TEST_F(ResultsTest, AFullClearEmptiesThePageAndTakesTheLiveData) {
    ASSERT_TRUE(Run(100));
    AppData(item::kSpecies) = "Edited";
    page.cmdButton[3]->click();
    rc->ResultsStateTick();
    EXPECT_FALSE(rc->State().DataChangedSinceRun) << "the full clear took the live data";
    EXPECT_TRUE(page.txtMonte[0]->Text().empty());
    EXPECT_FALSE(page.txtMonte[0]->Visible());
    EXPECT_FALSE(page.cmdButton[3]->Visible());
    AppData(item::kSpecies) = "Edited again";
    rc->ResultsStateTick();
    EXPECT_TRUE(rc->State().DataChangedSinceRun);
    EXPECT_FALSE(page.labPicMonte[10]->Visible()) << "no valid results";
    EXPECT_FALSE(page.cmdButton[1]->isEnabled());
}

// I1 fixed at 0 (both its categories 0) does not vary in the run: no measure
// gives it a sensitivity, with or without the constant term, and I2 keeps its own in
// every measure, the fits being made without I1.
TEST_F(ResultsTest, AQuantityWithoutSpreadHasNoSensitivityInAnyMeasure) {
    AppData(item::kCategoricalImpacts) = true;
    AppData(item::kNumImpactCategories) = 2;
    for (int k = 4; k <= 8; ++k) {
        const double mean = k == 4 ? 0 : 2;
        AppData(item::CategoryTable(k)) = Table(2, 2, {mean - (k - 4), mean + (k - 4), 0.5, 0.5});
        AppData(item::Relative(k))(0) = AppData(item::Absolute(k))(0) = mean;
    }
    const std::string none = "    . ";
    constexpr int kI1 = 9, kI2 = 10, kSpea = 2, kPear = 3, kSrc = 4, kSrrc = 5;  // grid rows and columns
    struct Case {
        const char* name;
        bool constant;
    };
    for (const Case& c : {Case{"without the constant", false}, Case{"with the constant", true}}) {
        SCOPED_TRACE(c.name);
        AppData(item::kRegUseConstant) = c.constant;
        ASSERT_TRUE(Run(1000));
        ChooseFromPopup(0);  // Show Details
        ASSERT_TRUE(page.picShowSensMeasures->Visible());
        const FlexGrid& grid = *page.flxShowSensMeasures;
        ASSERT_EQ(grid.TextMatrix(kI1, 1), "I1");
        EXPECT_EQ(grid.TextMatrix(kI1, kSpea), none + " ");
        for (int measure : {kPear, kSrc, kSrrc}) EXPECT_EQ(grid.TextMatrix(kI1, measure), none) << "column " << measure;
        EXPECT_NE(grid.TextMatrix(kI2, kSpea), none + " ");
        for (int measure : {kPear, kSrc, kSrrc}) EXPECT_NE(grid.TextMatrix(kI2, measure), none) << "column " << measure;
        ChooseFromPopup(0);  // Hide Details
    }
}

// With I1 fixed the regression measures are those of the fits without it. The expected
// values are an independent least-squares fit (NumPy's lstsq) of the trials this run
// exports to CSV (15 significant digits): design [1, x...] or [x...] over the inputs
// that vary, standardised b s_x / s_y (without the constant b sqrt(sum x^2 / sum y^2)),
// R^2 = 1 - SSE / sum (y - mean)^2 (without the constant 1 - SSE / sum y^2); SRRC the
// same on average ranks. The page's details grid shows them to three decimals.
struct FixedI1Fit {
    // SRC and SRRC of p1-p4 and I2-I5 (risk) or FC1-FC4 (cost), then R^2 raw and ranked.
    std::array<double, 8> src, srrc;
    double r2Raw, r2Ranked;
};
struct FixedI1Case {
    const char* name;
    bool constant;
    FixedI1Fit risk, cost;
};
const FixedI1Case kFixedI1Cases[] = {
    {"with the constant",
     true,
     {{0.823652, 0.002105, -0.009824, 0.008905, 0.435785, 0.221108, 0.101874, 0.097107},
      {0.838173, -0.003040, -0.000096, 0.012672, 0.418817, 0.201833, 0.107187, 0.089731},
      0.950834,
      0.948314},
     {{0.769349, 0.446069, 0.165475, -0.009268, 0.058330, 0.220998, 0.262512, 0.244593},
      {0.796271, 0.414676, 0.161651, 0.005941, 0.067051, 0.217724, 0.248515, 0.218503},
      0.948116,
      0.945393}},
    {"without the constant",
     false,
     {{0.856164, -0.125004, -0.144338, -0.105684, 0.387709, 0.143023, -0.014858, -0.004054},
      {0.761877, -0.087338, -0.087096, -0.066104, 0.341927, 0.128327, 0.021090, 0.012775},
      0.985850,
      0.974390},
     {{0.654808, 0.359671, 0.106881, -0.039095, -0.607670, 0.230907, 0.195828, 0.132323},
      {0.652019, 0.276882, 0.022402, -0.117213, -0.062224, 0.086426, 0.121729, 0.063763},
      0.993734,
      0.949233}},
};

TEST_F(ResultsTest, WithI1FixedTheDetailsShowTheFitsWithoutIt) {
    // A three-decimal text within rounding of the value.
    auto shows = [](const std::string& text, double value) { return std::fabs(Val(text) - value) <= 0.0005 + 1e-12; };
    constexpr int kSrc = 4, kSrrc = 5;  // grid columns
    for (const FixedI1Case& c : kFixedI1Cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(RunWithI1Fixed(c.constant));
        for (int out = 0; out < 2; ++out) {
            SCOPED_TRACE(out ? "cost" : "risk");
            const FixedI1Fit& fit = out ? c.cost : c.risk;
            rc->ShowSensitivityMeasures(out);
            const FlexGrid& grid = *page.flxShowSensMeasures;
            EXPECT_TRUE(shows(grid.TextMatrix(1, 2), fit.r2Raw)) << grid.TextMatrix(1, 2);
            EXPECT_TRUE(shows(grid.TextMatrix(2, 2), fit.r2Ranked)) << grid.TextMatrix(2, 2);
            // Grid rows 5 to 8 are p1-p4; on the risk page row 9 is I1, rows 10 to 13 I2-I5.
            for (int k = 0; k < 8; ++k) {
                const int row = k < 4 || out == 1 ? 5 + k : 6 + k;
                SCOPED_TRACE(grid.TextMatrix(row, 1));
                EXPECT_TRUE(shows(grid.TextMatrix(row, kSrc), fit.src[static_cast<std::size_t>(k)]))
                    << grid.TextMatrix(row, kSrc);
                EXPECT_TRUE(shows(grid.TextMatrix(row, kSrrc), fit.srrc[static_cast<std::size_t>(k)]))
                    << grid.TextMatrix(row, kSrrc);
            }
            if (out == 0) {
                ASSERT_EQ(grid.TextMatrix(9, 1), "I1");
                EXPECT_EQ(grid.TextMatrix(9, kSrc), "    . ");
                EXPECT_EQ(grid.TextMatrix(9, kSrrc), "    . ");
            }
            SavePicture(page.picShowSensMeasures->grab().toImage(), std::string("results_details_i1_fixed_") +
                                                                        (c.constant ? "const_" : "") +
                                                                        (out ? "cost" : "risk") + ".png");
        }
    }
}

TEST_F(ResultsTest, InputRowsOfBothBranches) {
    struct Case {
        const char* name;
        int mode, levels;
        double a, b, c, mean, sd, code;
    };
    const double r12 = std::sqrt(12.0);
    Variant d = AppData;
    for (int level = 0; level < 5; ++level) d(item::kLevel0 + level) = 10 + 20 * level;
    const Case cases[] = {
        {"relative, level 1 at 30 %, lognormal code ignored", 0, 5, 0.5, 2, 1, 0.5, 0.5 * 30 / 50 / r12, 0},
        {"relative, four levels read level 4 as level 3", 0, 4, 2, 0, 4, 2, 2 * 70.0 / 50 / r12, 0},
        {"relative, negative value gives a positive spread", 0, 5, -4, 0, 2, -4, 4 * 50.0 / 50 / r12, 0},
        {"relative, level -1 reads level 0 (not the number of levels)", 0, 5, 1, 0, -1, 1, 10.0 / 50 / r12, 0},
        {"relative, level -7 reads level 0 (no subscript error)", 0, 5, 1, 0, -7, 1, 10.0 / 50 / r12, 0},
        {"absolute in the data given, not the live data: (mean, code, SD)", 1, 5, 0.5, 1, 0.1, 0.5, 0.1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        d(item::kUncertaintyMode) = c.mode;
        d(item::kNumRelUncLevels) = c.levels;
        d(c.mode == 1 ? item::Absolute(5) : item::Relative(5)) = Variant::List({c.a, c.b, c.c});
        const Variant m = BuildSimulationInputs(d, true);
        EXPECT_DOUBLE_EQ(CDbl(m(5, 0)), c.mean);
        EXPECT_NEAR(CDbl(m(5, 1)), c.sd, 1e-15);
        EXPECT_EQ(CDbl(m(5, 2)), c.code);
    }
}

TEST_F(ResultsTest, TheCategoryTablesTheSwitchesAdd) {
    Variant d = AppData;
    for (int k = 4; k <= 12; ++k) d(item::CategoryTable(k)) = Table(2, 3, {3, 1, 2, 0.5, 0.2, 0.3});
    EXPECT_EQ(BuildSimulationInputs(d, true).dims(), 2) << "no switch: the bare matrix";
    d(item::kCategoricalImpacts) = true;
    const Variant w = BuildSimulationInputs(d, true);
    ASSERT_EQ(w.dims(), 1);
    EXPECT_EQ(w(0).dims(), 2) << "the matrix";
    EXPECT_EQ(w(1).lbound(), 4) << "the impact tables";
    EXPECT_EQ(w(1).ubound(), 8);
    EXPECT_TRUE(w(2).isEmpty()) << "no cost tables";
    const Variant& c = w(1)(4);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(CDbl(c(0, i)), i + 1) << "sorted by value";
    EXPECT_NEAR(CDbl(c(1, 0)), 0.2, 1e-15) << "cumulated";
    EXPECT_NEAR(CDbl(c(1, 1)), 0.5, 1e-15);
    EXPECT_EQ(CDbl(c(1, 2)), 1.0) << "the last sum is rounded to exactly 1";
    EXPECT_EQ(CDbl(BuildSimulationInputs(d, false)(1)(4)(0, 0)), 3) << "plain tables as stored";
    EXPECT_NEAR(CDbl(CumulateCategoryTable(Table(2, 1, {7, 0.333333}))(1, 0)), 0.3333, 1e-12);
}

}  // namespace
}  // namespace nuvir::test
