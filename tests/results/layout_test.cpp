#include <filesystem>

#include "appdata/options.h"
#include "platform/profile.h"
#include "results_fixture.h"

namespace nuvir::test {
namespace {

class LayoutTest : public ResultsTest {};

TEST_F(LayoutTest, ThreeColumnsOnEachSubTabFromTheContainerWidth) {
    page.tabSimulationGraphs->Move(0, 2400, 8000, 5400);
    rc->ArrangeResultPlots();
    const double w = (8000.0 - 680) / 3;
    const double lefts[6] = {240, 240 + w + 100, 240, 240 + w + 100, 240 + 2 * (w + 100), 240 + 2 * (w + 100)};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(page.labPicMonte[i]->Left(), lefts[i], 1);
        EXPECT_NEAR(page.picMonte[i]->Left(), lefts[i], 1);
        EXPECT_NEAR(page.picMonte[i]->Width(), w, 15);
        EXPECT_NEAR(page.picMonte[i]->Height(), 5400 - 780 - 60, 15);
        EXPECT_NE(page.picMonte[i]->ScaleMode(), scale::User) << "no results: laid out, not drawn";
    }
}

TEST_F(LayoutTest, ATinyWindowGivesNoErrorAndRedrawsWhatItCan) {
    ASSERT_TRUE(Run(100));
    page.tabSimulationGraphs->Move(0, 2400, 500, 300);
    EXPECT_NO_THROW(rc->ArrangeResultPlots());
    for (QtPictureBox* pic : page.picMonte) {
        EXPECT_GE(pic->Width(), 1);
        EXPECT_GE(pic->Height(), 1);
    }
    EXPECT_TRUE(services.messageBox.calls.empty()) << "no message per resize";
    page.tabSimulationGraphs->Move(0, 2400, 11800, 5400);
    rc->ArrangeResultPlots();
    EXPECT_EQ(page.picMonte[4]->ScaleMode(), scale::User) << "redrawn with the results";
}

std::string PlotKey(const TempDir& dir, const char* key) {
    return profile::GetString(GetOptionsIniFileName(), "Plot Options", key);
    (void)dir;
}

TEST_F(LayoutTest, SavingPlotOptionsWritesAutoForAutomaticAndNumbersAsTheyAre) {
    AppOptions(opt::kPlotPandISensitivity) =
        Variant::List({Variant(), Variant(), Variant(), Variant(), -0.5, 0.5, Variant(), Variant()});
    AppOptions(opt::kPlotPandICumulative) = Variant::List({1e-05, "x", 3, 2, 1, 0, 5, 7, 9, 9});
    AppOptions(opt::kPlotCostsMonteCarlo) = Variant::List({0.25, Variant(), 4, "", Variant()}, 1);
    rc->SavePlotOptionsToIni();
    struct Case {
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"PandI Monte Carlo", "Auto,Auto,Auto,,Auto,Auto,Auto,"},
        {"PandI Sensitivity", "Auto,Auto,Auto,,-0.5,0.5,Auto,"},
        {"PandI Cumulative", "1E-05,Auto,3,2,1,0,5,7"},
        {"Costs Monte Carlo", "0.25,Auto,4,,Auto,Auto,Auto,"},
        {"Costs Sensitivity", "Auto,Auto,Auto,,Auto,Auto,Auto,"},
        {"Costs Cumulative", "Auto,Auto,Auto,,Auto,Auto,Auto,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(PlotKey(dir, c.key), c.value);
    }
    EXPECT_EQ(AppOptions(opt::kPlotPandIMonteCarlo).get().ubound(), 7);
    EXPECT_EQ(TextOf(AppOptions(opt::kPlotPandIMonteCarlo).get()(0)), "Auto");
    EXPECT_TRUE(services.messageBox.calls.empty());
}

TEST_F(LayoutTest, AReadOnlyOptionsFileIsLeftAsItWasSilently) {
    const std::string file = GetOptionsIniFileName();
    WriteBytes(file, "[Plot Options]\r\nPandI Monte Carlo=1,2,3,4,5,6,7,8\r\n");
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    EXPECT_NO_THROW(rc->SavePlotOptionsToIni());
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    EXPECT_EQ(ReadBytes(file), "[Plot Options]\r\nPandI Monte Carlo=1,2,3,4,5,6,7,8\r\n");
    EXPECT_TRUE(services.messageBox.calls.empty());
}

TEST_F(LayoutTest, AChangedPlotOptionRedrawsOnlyTheEditedPlot) {
    ASSERT_TRUE(Run(500));
    std::vector<QImage> before;
    for (QtPictureBox* pic : page.picMonte) before.push_back(pic->Image());

    rc->picMonte_DblClick(3);
    EXPECT_EQ(host.editedTypes, std::vector<int>{4});
    for (int i = 0; i < 6; ++i) EXPECT_EQ(page.picMonte[i]->Image(), before[i]) << "no change: nothing redrawn";

    host.optionsChange = true;
    host.onEditOptions = [](int type) {
        AppOptions(opt::kPlotOptions + type) =
            Variant::List({Variant(), Variant(), Variant(), Variant(), -0.5, 0.5, Variant(), Variant()});
    };
    rc->picMonte_DblClick(3);
    EXPECT_EQ(rc->State().EditedPlotType, 4);
    for (int i = 0; i < 6; ++i) {
        if (i == 3) {
            EXPECT_NE(page.picMonte[i]->Image(), before[i]);
        } else {
            EXPECT_EQ(page.picMonte[i]->Image(), before[i]) << i;
        }
    }
    SavePicture(page.picMonte[3]->Image(), "results_sensitivity_cost_fixed_axis.png");
}

TEST_F(LayoutTest, AChangeBeforeAnyRunIsStoredButDrawsNothing) {
    host.optionsChange = true;
    rc->picMonte_DblClick(4);
    EXPECT_EQ(host.editedTypes, std::vector<int>{2});
    EXPECT_NE(page.picMonte[4]->ScaleMode(), scale::User);
}

// The results page as the analyst sees it after a run, with the details panel open.
TEST_F(LayoutTest, TheResultsPageAfterARun) {
    form.show();
    rc->ArrangeResultPlots();
    ASSERT_TRUE(Run(2000));
    ASSERT_TRUE(Run(2000));
    popups.QueueChoice(0);
    rc->picMonte_MouseUp(1, 2, 0, 1, 0.5);
    rc->picMonte_MouseMove(1, 0, 0, 4, 0.2);
    SavePicture(form.grab().toImage(), "results_page.png");
    EXPECT_TRUE(page.picShowSensMeasures->Visible());
}

}  // namespace
}  // namespace nuvir::test
