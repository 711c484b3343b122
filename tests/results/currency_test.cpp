#include <QApplication>
#include <QTest>
#include <QClipboard>

#include "appdata/criticalcorrelation.h"
#include "platform/clipboardowner.h"
#include "platform/handlerguard.h"
#include "results_fixture.h"

namespace nuvir::test {
namespace {

class CurrencyTest : public ResultsTest {
protected:
    // Results current for the live data.
    void RunOnce() {
        ASSERT_TRUE(Run(100));
        rc->ResultsStateTick();
        ASSERT_TRUE(page.cmdButton[1]->isEnabled());
    }
};

TEST_F(CurrencyTest, WithoutASnapshotTheCheckChangesNothing) {
    rc->State().RunSnapshot = Variant();
    AppData(item::kSpecies) = "x";
    rc->ResultsStateTick();
    EXPECT_FALSE(rc->State().DataChangedSinceRun);
    EXPECT_FALSE(page.labPicMonte[10]->Visible());
}

TEST_F(CurrencyTest, EditsThatCountAndEditsThatDoNot) {
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
        {"uncertainty mode", 0, [](Variant& d) { d(item::kUncertaintyMode) = 1; }, true},
        {"an absolute SD, absolute mode", 1, [](Variant& d) { d(item::Absolute(3))(2) = 0.7; }, true},
        {"a category table alone", 0, [](Variant& d) { d(item::CategoryTable(4)) = Variant(); }, false},
        {"the number of levels alone", 0, [](Variant& d) { d(item::kNumRelUncLevels) = 4; }, false},
        {"trials Int16 1000 against Int32 1000", 0,
         [](Variant& d) { d(item::kTrials) = static_cast<std::int16_t>(100); }, false},
        {"a record cut to two elements", 0, [](Variant& d) { d(item::Relative(2)) = Variant::List({0.5, 0}); }, true},
        {"a Null trials item", 0, [](Variant& d) { d(item::kTrials) = Variant(Null); }, true},
        {"an array where a scalar belongs", 0, [](Variant& d) { d(item::kLocation) = Variant::List({1}); }, true},
    };
    AppData(item::kSpecies) = "New Species";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppData(item::kUncertaintyMode) = c.mode;
        RunOnce();
        const Variant before = AppData;
        c.edit(AppData);
        rc->ResultsStateTick();
        EXPECT_EQ(rc->State().DataChangedSinceRun, c.changed);
        EXPECT_EQ(page.cmdButton[1]->isEnabled(), !c.changed);
        EXPECT_EQ(page.labPicMonte[10]->Visible(), c.changed);
        if (c.changed) {
            EXPECT_EQ(page.labPicMonte[10]->Caption(), "**** Data has changed! ****");
            EXPECT_EQ(page.labPicMonte[10]->BackColor(), 0xFFFF);
        }
        AppData = before;
        rc->ResultsStateTick();
        EXPECT_FALSE(rc->State().DataChangedSinceRun) << "undoing the edit makes the results current again";
    }
}

TEST_F(CurrencyTest, APartialClearKeepsLinesAndSnapshotAFullClearTakesTheLiveData) {
    RunOnce();
    QGuiApplication::clipboard()->setText("report");
    const Variant snapshot = rc->State().RunSnapshot;
    rc->ClearResults(false);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "");
    EXPECT_FALSE(page.txtMonte[0]->Text().empty());
    EXPECT_EQ(CSng(rc->State().RunSnapshot(item::kPrngSeed)), CSng(snapshot(item::kPrngSeed)));
    EXPECT_EQ(page.picMonte[0]->Image().pixel(5, 5), page.picMonte[0]->Image().pixel(50, 50)) << "plots cleared";
    EXPECT_FALSE(rc->State().ResultsValid);

    AppData(item::kSpecies) = "Edited";
    rc->ClearResults(true);
    rc->ResultsStateTick();
    EXPECT_FALSE(rc->State().DataChangedSinceRun);
    EXPECT_EQ(page.txtMonte[0]->Text(), "");
    EXPECT_FALSE(page.txtMonte[0]->Visible());
    EXPECT_FALSE(page.labMonte[0]->Visible());
    AppData(item::kSpecies) = "Edited again";
    rc->ResultsStateTick();
    EXPECT_TRUE(rc->State().DataChangedSinceRun);
    EXPECT_FALSE(page.labPicMonte[10]->Visible()) << "no valid results: no banner";
}

TEST_F(CurrencyTest, AClearLeavesWhatAnotherProgramPutOnTheClipboard) {
    QGuiApplication::clipboard()->setText("copied elsewhere");
    SetClipboardOwnerQuery([] { return false; });
    rc->ClearResults(false);
    SetClipboardOwnerQuery({});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "copied elsewhere");
}

TEST_F(CurrencyTest, AnErrorInATimerHandlerDoesNotEndTheProgram) {
    Timer timer;
    timer.SetInterval(1);
    int ticks = 0;
    QObject::connect(timer.Events(), &ControlEvents::Timer, &timer, [&] {
        ++ticks;
        RunGuarded(GuardPolicy::Swallow, {}, [] { RaiseComponentError("tick failed"); });
    });
    timer.SetEnabled(true);
    for (int i = 0; i < 50 && ticks < 2; ++i) QTest::qWait(5);
    timer.SetEnabled(false);
    EXPECT_GE(ticks, 2) << "the timer went on after a failing tick";
    EXPECT_TRUE(services.messageBox.calls.empty());
    EXPECT_FALSE(RunGuarded(GuardPolicy::ShowMessage, "A command", [] { RaiseComponentError("went wrong"); }));
    ASSERT_EQ(services.messageBox.calls.size(), 1u);
    EXPECT_EQ(services.messageBox.calls[0].text, "went wrong");
    EXPECT_EQ(services.messageBox.calls[0].title, "A command");
}

}  // namespace
}  // namespace nuvir::test
