// What the window keeps and lets go of: a value typed on the diagram reaches the data
// before a command acts, results go when the inputs they came from change, and the
// housekeeping timer keeps the Edit menu true.
#include <QMenu>

#include "appdata/ini.h"
#include "chain/chain.h"
#include "mainwindow_fixture.h"

namespace nuvir::test {
namespace {

// Results that note each clearing (true: all of them).
class ClearingResults : public NoResults {
public:
    void ClearResults(bool all) override {
        NoResults::ClearResults(all);
        clears.push_back(all);
    }
    std::vector<bool> clears;
};

using Keeping = MainWindowTest;

// A press on the page's background, away from every control on it, as a person would.
void ClickOnPage(FRiskMain& w) {
    QtPictureBox* page = w.picContainer[0];
    QPoint at(page->width() - 2, page->height() - 2);
    while (at.y() > 0 && page->childAt(at) != nullptr) at.ry() -= 10;
    ASSERT_EQ(page->childAt(at), nullptr);
    QTest::mouseClick(page, Qt::LeftButton, {}, at);
}

// p3 typed on the diagram, the timers stopped so that only the window's own handling can
// carry it into the data: the command acts with the box still open, or after the box
// stored the value and closed (a click on the page, Enter).
TEST_F(Keeping, ACommandTakesTheValueBeingTypedOnTheDiagram) {
    FRiskMain& w = Start();
    const std::string saved = dir.file("typed.raf");
    const auto inData = [&] { return Item(item::PointValue(2)); };
    const auto inFile = [&] { return CDbl(LoadAppData(saved)(item::PointValue(2))); };
    const auto save = [&] { w.mnuFile[2]->Trigger(); };
    struct Case {
        const char* name;
        const char* typed;
        std::function<void()> command;
        std::function<double()> taken;
    };
    const Case cases[] = {
        {"File > Save Plot Options", "0.1", [&] { w.mnuFile[5]->Trigger(); }, inData},
        {"Help > Risk Assessment Help", "0.2", [&] { w.mnuHelp[0]->Trigger(); }, inData},
        {"opening the Options menu", "0.3", [&] { Q_EMIT w.mnuMain[2]->Menu()->aboutToShow(); }, inData},
        {"a click on the page", "0.4", [&] { ClickOnPage(w); }, inData},
        {"a click on the page, then File > Save", "0.5",
         [&] {
             ClickOnPage(w);
             files.QueueAnswer(saved);
             save();
         },
         inFile},
        // Saved again under the name the row before chose.
        {"Enter, then File > Save", "0.6",
         [&] {
             QTest::keyClick(w.txtChainEditBox, Qt::Key_Return);
             save();
         },
         inFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w.StopUpdateTimers();
        ClickOnDiagram(3, CChainElement::kPartP);
        ASSERT_TRUE(w.txtChainEditBox->Visible());
        QTest::keyClicks(w.txtChainEditBox, c.typed);
        c.command();
        EXPECT_EQ(c.taken(), Val(c.typed));
        EXPECT_FALSE(w.txtChainEditBox->Visible());
        Settle();
    }
}

// Results stand for the inputs of their run: switching categories or replacing the
// assessment (even a cancelled Open) clears them all; saving keeps them.
TEST_F(Keeping, ResultsGoWhenTheirInputsChange) {
    WriteFile("other.raf", "[App Defaults]\r\nSpecies=Other\r\n");
    MainWindowParts parts;
    ClearingResults* results = nullptr;
    parts.makeResults = Capture<ResultsPort>(results);
    FRiskMain& w = Start(std::move(parts));
    struct Case {
        const char* name;
        std::function<void()> command;
        bool clears;
    };
    const Case cases[] = {
        {"Categorical Impacts", [&] { w.mnuOptions[3]->Trigger(); }, true},
        {"Categorical Costs", [&] { w.mnuOptions[4]->Trigger(); }, true},
        {"File > New", [&] { w.mnuFile[0]->Trigger(); }, true},
        {"File > Open",
         [&] {
             files.QueueAnswer(dir.file("other.raf"));
             w.mnuFile[1]->Trigger();
         },
         true},
        {"File > Open cancelled",
         [&] {
             files.QueueCancel();
             w.mnuFile[1]->Trigger();
         },
         true},
        {"File > Save Plot Options", [&] { w.mnuFile[5]->Trigger(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        results->clears.clear();
        c.command();
        EXPECT_EQ(results->clears, c.clears ? std::vector<bool>{true} : std::vector<bool>{});
    }
}

// With stage tables held to the master tables (the default), switching categorical
// impacts on gives every stage's impact table the master's values.
TEST_F(Keeping, CategoricalImpactsTakeTheMastersValues) {
    FRiskMain& w = Start();
    ASSERT_TRUE(ItemFlag(AppData, item::kConformCategories));
    const int n = static_cast<int>(Item(item::kNumImpactCategories));
    Variant master = Variant::MakeArray(VarType::Double, {Bounds{0, 0}, Bounds{0, n - 1}});
    for (int j = 0; j < n; ++j) master(0, j) = Variant(10.0 * (j + 1));
    AppData(item::kMasterImpactCategories) = master;
    w.mnuOptions[3]->Trigger();
    auto& chain = dynamic_cast<WindowChain&>(w.Chain()).Chain();
    for (int k = 1; k <= 4; ++k) {
        const Variant table = chain.Element(k)->GetCategoryData(CChainElement::kI);
        ASSERT_TRUE(table.isArray()) << k;
        for (int j = 0; j < n; ++j) EXPECT_EQ(CDbl(table(0, j)), 10.0 * (j + 1)) << "stage " << k << " category " << j;
    }
}

// The timer, not a command, keeps Copy and Cut in step with the selection.
TEST_F(Keeping, TheHousekeepingTimerFollowsTheSelection) {
    FRiskMain& w = Start();
    TextBox* species = w.txtTextBox[0];
    species->SetFocus();
    struct Case {
        const char* name;
        int selected;
        bool copy;
    };
    for (const Case& c : {Case{"three letters selected", 3, true}, Case{"nothing selected", 0, false}}) {
        SCOPED_TRACE(c.name);
        species->SetSelStart(0);
        species->SetSelLength(c.selected);
        // Two ticks of the housekeeping timer, however late a busy machine brings them
        // (40 s at most: a hang guard).
        int ticks = 0;
        const auto counting = QObject::connect(w.tmrUpdate[0]->Events(), &ControlEvents::Timer, [&] { ++ticks; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 2; }, 40000));
        QObject::disconnect(counting);
        EXPECT_EQ(w.mnuEdit[0]->Enabled(), c.copy);
        EXPECT_EQ(w.mnuEdit[1]->Enabled(), c.copy);
    }
}

}  // namespace
}  // namespace nuvir::test
