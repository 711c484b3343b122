#include <QClipboard>
#include <QGuiApplication>

#include "numerics/numerics.h"
#include "platform/windowutilities.h"
#include "results_fixture.h"

namespace nuvir::test {
namespace {

// A measure array (0 To 12, 0 To 1) holding one value throughout.
Variant Measure(double value) {
    Variant m = Variant::MakeArray(VarType::Double, {{0, 12}, {0, 1}});
    for (int j = 0; j < 13; ++j) m(j, 0) = m(j, 1) = value;
    return m;
}

class SensitivityTest : public ResultsTest {
protected:
    SensitivityTest() {
        RunState& s = rc->State();
        s.RunSnapshot = AppData;
        s.RunSnapshot(item::kConfidenceChoice) = 1;
        s.RunSnapshot(item::kRegUseConstant) = true;
        s.RunSummary.trials = 1000;  // 95 %, two tails: crit 0.06200
        AppData(item::kRhoTwoTails) = true;
        for (int j = 0; j < 13; ++j) s.RunRankCorrelations[j] = {0.3, 0.3};
        Variant spea = Measure(0.5);
        const double risks[4] = {0.062, 0.061, -0.063, NumericLimits::LowestDouble};
        for (int j = 0; j < 4; ++j) spea(j, 0) = risks[j];
        spea(9, 1) = NumericLimits::LowestDouble;
        rc->BuildSensitivitySummary(Variant::List({Variant::List({0.9, 0.5}), Variant::List({0.8, Variant()})}),
                                    Variant::List({spea, Measure(-0.25), Measure(1.0), Measure(-1.0)}));
        // A drawn plot leaves its picture in a user scale.
        for (int i : {1, 3}) rc->DrawResultPlot(i);
    }
    FlexGrid& Grid() { return *page.flxShowSensMeasures; }
    std::string Row(int gridRow) {
        std::string s;
        for (int c = 1; c <= 5; ++c) s += (c > 1 ? "|" : "") + Grid().TextMatrix(gridRow, c);
        return s;
    }
};

TEST_F(SensitivityTest, TheRiskTableWithItsStarsAndPlace) {
    rc->ShowSensitivityMeasures(0);
    ASSERT_TRUE(page.picShowSensMeasures->Visible());
    struct Case { const char* name; int row; const char* text; };
    const Case cases[] = {
        {"raw R2 and constant", 1, "  Raw R2=|0.900|||Const=Y"},
        {"rank R2 and tails", 2, "Ranks R2=|0.800|||Tails=2"},
        {"headings", 4, "  |  SPEA|  PEAR|   SRC|  SRRC"},
        {"above crit: starred", 5, "p1|  .062*| -.250| 1.000|-1.000"},
        {"below crit: a blank", 6, "p2|  .061 | -.250| 1.000|-1.000"},
        {"negative beyond -crit: starred", 7, "p3| -.063*| -.250| 1.000|-1.000"},
        {"no value: never starred", 8, "p4|    .  | -.250| 1.000|-1.000"},
        {"last input", 13, "I5|  .500*| -.250| 1.000|-1.000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Row(c.row), c.text);
    }
    // The panel's lower left corner sits 300 twips left of the plot's upper left one.
    const auto plot = MUtilities::GetControlScreenRect(*page.picMonte[1], true);
    const auto panel = MUtilities::GetControlScreenRect(*page.picShowSensMeasures, true);
    EXPECT_NEAR(panel[0], plot[0] - 300, 15);
    EXPECT_NEAR(panel[1] + page.picShowSensMeasures->Height(), plot[1], 15);
    rc->State().RunSummary.trials = 19;
    rc->ShowSensitivityMeasures(0);
    EXPECT_EQ(Grid().TextMatrix(5, 2), "  .062") << "fewer than twenty trials star nothing";
}

TEST_F(SensitivityTest, TheCostTableAndItsCopiedText) {
    rc->ShowSensitivityMeasures(1);
    rc->CopySensitivityTable();
    std::string expected = "  Raw R2=\t0.500\t\t\tConst=Y\r\nRanks R2=\t  .\t\t\tTails=2\r\n\t\t\t\t\r\n"
                           "   \t  SPEA\t  PEAR\t   SRC\t  SRRC";
    for (const std::string name : {"p1 ", "p2 ", "p3 ", "p4 ", "FC1", "FC2", "FC3", "FC4"}) {
        expected += "\r\n" + name + (name == "FC1" ? "\t    .  " : "\t  .500*") + "\t -.250\t 1.000\t-1.000";
    }
    EXPECT_EQ(MUtilities::ClipboardText(), expected);
}

TEST_F(SensitivityTest, ThePopupOffersWhatTheStateAllows) {
    page.picMonte[1]->SetScaleMode(scale::Twips);
    rc->picMonte_MouseUp(1, 2, 0, 1, 1);
    EXPECT_TRUE(popups.shown.empty()) << "nothing drawn yet: no popup";
    rc->DrawResultPlot(1);
    popups.QueueChoice(0);
    rc->picMonte_MouseUp(3, 2, 0, 1, 0.5);
    ASSERT_EQ(popups.shown.size(), 1u);
    EXPECT_TRUE(popups.shown[0][0].caption == "Show Details" && !popups.shown[0][2].visible) << "Copy with the panel";
    EXPECT_EQ(Grid().Rows(), 14) << "the cost table of plot 3";
    popups.QueueChoice(2);
    rc->picMonte_MouseUp(3, 2, 0, 1, 0.5);
    EXPECT_TRUE(popups.shown[1][0].caption == "Hide Details" && popups.shown[1][2].visible);
    EXPECT_EQ(MUtilities::ClipboardText().substr(0, 9), "  Raw R2=");
    popups.QueueChoice(0);
    rc->picMonte_MouseUp(1, 2, 0, 1, 0.5);
    EXPECT_FALSE(page.picShowSensMeasures->Visible());
    rc->ClearResults(false);
    rc->DrawResultPlot(1);
    rc->picMonte_MouseUp(1, 2, 0, 1, 0.5);
    EXPECT_FALSE(popups.shown.back()[0].enabled) << "after a clear there is nothing to show";
}

TEST_F(SensitivityTest, TheSubTabSwitchShowsItsPlotsAndRefillsThePanel) {
    rc->ShowSensitivityMeasures(0);
    page.tabSimulationGraphs->SetTab(1);
    EXPECT_EQ(Grid().Rows(), 14);
    EXPECT_TRUE(page.txtMonte[1]->Visible() && !page.txtMonte[0]->Visible());
    for (int i = 0; i < 6; ++i) EXPECT_EQ(page.picMonte[i]->Visible(), i == 2 || i == 3 || i == 5) << i;
    EXPECT_TRUE(page.labPicMonte[5]->Visible() && !page.labPicMonte[4]->Visible());
    host.mainPage = 0;
    rc->RefreshSensitivityDetails();
    EXPECT_FALSE(page.picShowSensMeasures->Visible()) << "another main page hides it";
}

TEST_F(SensitivityTest, TheBarUnderTheMouseMarksItsRow) {
    rc->ShowSensitivityMeasures(0);
    struct Case { const char* name; int pic; double x, y; int marked; };  // the grid row marked, -1 none
    const Case cases[] = {
        {"0.29 from the bar centre", 1, 2.29, 0.1, 7}, {"0.31 from it: between bars", 1, 2.31, 0.1, -1},
        {"the mouse above the bar's end", 1, 2, 0.5, -1}, {"within 0.05 above the end", 1, 2, 0.34, 7},
        {"y exactly 0", 1, 2, 0, 7}, {"left of the first bar", 1, -0.9, 0.1, -1},
        {"position 9 is past the table", 1, 9, 0.1, -1}, {"the cost plot's FC2", 3, 5, 0.1, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.pic == 3) rc->ShowSensitivityMeasures(1);
        rc->picMonte_MouseMove(c.pic, 0, 0, c.x, c.y);
        for (int r = 0; r < Grid().Rows(); ++r) EXPECT_EQ(Grid().TextMatrix(r, 0), r == c.marked ? ">" : "") << r;
    }
    EXPECT_EQ(Grid().TextMatrix(10, 1), "FC2");
    page.picShowSensMeasures->SetVisible(false);
    rc->picMonte_MouseMove(3, 0, 0, 4, 0.1);
    EXPECT_EQ(Grid().TextMatrix(9, 0), "") << "panel hidden: nothing marked";
}

}  // namespace
}  // namespace nuvir::test
