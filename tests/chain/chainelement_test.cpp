// A category table and a stage: arithmetic, links and category operations, worked out by hand.
#include "chain_fixture.h"

namespace nuvir::test {
namespace {

using CategoryTable = ChainTest;
using Stage = ChainTest;

TEST_F(CategoryTable, NormalisationClampsScalesAndRounds) {
    AppData(item::kNumImpactCategories) = Variant(3);
    struct Case {
        const char* name;
        std::vector<double> values, probs, wantValues, wantProbs;
        double value;
    };
    const Case cases[] = {
        {"out of range probabilities clamp", {10, 20, 30}, {2, -1, 0}, {10, 20, 30}, {1, 0, 0}, 10},
        {"probabilities scale to one", {1, 2, 4}, {0.5, 0.5, 1}, {1, 2, 4}, {0.25, 0.25, 0.5}, 2.75},
        // Clamping comes before scaling: a 2 counts as 1.
        {"above one counts as one", {1, 2, 4}, {1, 1, 2}, {1, 2, 4}, {0.333333, 0.333333, 0.333333}, 2.333331},
        {"all zero become uniform", {3, 3, 3}, {0, 0, 0}, {3, 3, 3}, {0.333333, 0.333333, 0.333333}, 2.999997},
        {"values keep four figures",
         {123456, 1.234567e-7, -0.00987654},
         {1, 0, 0},
         {123500, 1.235e-7, -0.009877},
         {1, 0, 0},
         123500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCategoryData t;
        t.SetData(Table(2, 3, {c.values[0], c.values[1], c.values[2], c.probs[0], c.probs[1], c.probs[2]}), 1);
        EXPECT_EQ(Row(t.ValueArray(), 0), c.wantValues);
        EXPECT_EQ(Row(t.ValueArray(), 1), c.wantProbs);
        EXPECT_DOUBLE_EQ(t.Value(), c.value);
    }
    // A category count outside one to five is kept within it.
    AppData(item::kNumImpactCategories) = Variant(0);
    EXPECT_EQ(Row(CCategoryData().DefaultArray(), 1), (std::vector<double>{1}));
    AppData(item::kNumImpactCategories) = Variant(9);
    EXPECT_EQ(CCategoryData().DefaultArray().ubound(2), 4);
}

TEST_F(CategoryTable, ATableOfAnotherShapeOrKindLeavesTheResetTable) {
    const Variant tables[] = {Table(2, 4, {1, 2, 3, 4, 1, 1, 1, 1}),
                              Variant::MakeArray(VarType::Generic, {Bounds{0, 1}, Bounds{0, 4}}),
                              Variant::MakeArray(VarType::Double, {Bounds{0, 9}}), Variant(3.0)};
    for (const Variant& table : tables) {
        CCategoryData t;
        t.SetData(table, 7.5);
        EXPECT_EQ(Row(t.ValueArray(), 0), std::vector<double>(5, 7.5));
        EXPECT_EQ(Row(t.ValueArray(), 1), std::vector<double>(5, 0.2));
    }
}

TEST_F(CategoryTable, TheDialogSeesTextsAndHeadingsAndOnlyAWellShapedAnswerIsTaken) {
    AppData(item::kNumCostCategories) = Variant(3);
    CCategoryData t;
    t.SetObjectType(CCategoryData::kCost);
    t.SetData(Table(2, 3, {100, 2000, 0.5, 0.5, 0.5, 1}), 0);
    ScriptedTableEditor editor;
    const Variant rect = Variant::Doubles({10, 20, 30, 40});
    editor.answer = Table(2, 4, {1, 2, 3, 4, 0.2, 0.2, 0.4, 0.9});  // one row too many
    t.ShowTable(rect, &editor);
    EXPECT_EQ(TextOf(editor.shown(0, 0)), "100");
    EXPECT_EQ(TextOf(editor.shown(1, 2)), "0.5");
    EXPECT_EQ(TextOf(editor.shownHeadings(0)), "Cost");
    EXPECT_EQ(TextOf(editor.shownHeadings(1)), "P (0-1)");
    editor.answer = Table(2, 2, {8, 4, 0.1, 0.3});  // one row short: value 0, probability 0
    t.ShowTable(rect, &editor);
    EXPECT_EQ(Row(t.ValueArray(), 0), (std::vector<double>{8, 4, 0}));
    EXPECT_EQ(Row(t.ValueArray(), 1), (std::vector<double>{0.25, 0.75, 0}));
    for (const auto& answer :
         {std::optional<Variant>(), std::optional(Table(3, 5, {})), std::optional(Table(1, 5, {}))}) {
        editor.answer = answer;  // cancelled, then misshapen
        t.ShowTable(rect, &editor);
        EXPECT_EQ(Row(t.ValueArray(), 0), (std::vector<double>{8, 4, 0}));
    }
}

// A lone stage counts its whole risk; p and q are clamped each by itself, and a link to
// a next stage zeroes the completed risk at once.
TEST_F(Stage, PAndQAreClampedEachByItself) {
    CChainElement s;
    EXPECT_EQ(s.Risks(), (std::array<double, 2>{0.5, 0.5}));
    EXPECT_EQ(s.TotalRisk(), 1.0);
    s.SetPrimaryData({1.7, -0.2, 3, 4, 5});
    EXPECT_EQ(s.PrimaryData(), (CChainElement::Values{1, 0, 3, 4, 5}));
    EXPECT_EQ(s.Risks(), (std::array<double, 2>{3, 0}));
    EXPECT_EQ(s.Cost(), 5);
}

TEST_F(Stage, ALinkToANextStageZeroesTheCompletedRisk) {
    CChainElement s, next;
    s.SetPrimaryData({1, 0, 3, 4, 5});
    s.SetNextElement(&next);
    EXPECT_EQ(s.Risks(), (std::array<double, 2>{0, 0})) << "zeroed at once, nothing recalculated";
    CChainElement a, b;
    b.SetPrevElement(&a);
    a.SetNextElement(&b);
    EXPECT_EQ(a.TotalRisk(), 0.5) << "an earlier stage never adds its completed risk";
    EXPECT_EQ(b.TotalRisk(), 1.0);
    a.DoUpdates(true);  // no edit box: nothing pending, nothing fails
    EXPECT_EQ(b.TotalRisk(), 1.0);
}

TEST_F(Stage, CategoryDataLoadsOnlyWhileItsSwitchIsOnAndStaysWhileItsValueIsThePrimaryValue) {
    CChainElement s;
    s.SetCategoryData(CChainElement::kI, Variant(7.5), Variant());
    EXPECT_TRUE(s.GetCategoryData(CChainElement::kI).isEmpty());
    AppData(item::kCategoricalImpacts) = Variant(true);
    s.SetCategoryData(CChainElement::kI, Variant(7.5), Variant());
    EXPECT_EQ(Row(s.GetCategoryData(CChainElement::kI), 0), std::vector<double>(5, 7.5));
    EXPECT_EQ(s.PrimaryData()[CChainElement::kI], 1) << "the primary value is not changed";
    s.SetCategoryData(CChainElement::kI, Variant(std::int16_t{4}), Variant());
    EXPECT_EQ(s.CategoryTable(CChainElement::kI)->Value(), 4) << "a 16-bit impact is a value too";
    for (int index : {-1, 0, 1, 5}) {
        s.SetCategoryData(index, Variant(2.0), Variant());
        s.CheckCategoryData(index);
        s.SetCategoryDataRestrictive(index);
        EXPECT_TRUE(s.GetCategoryData(index).isEmpty());
    }
    AppData(item::kNumImpactCategories) = Variant(2);
    s.SetPrimaryData({0.5, 0.5, 3, 1, 0});
    s.SetCategoryData(CChainElement::kI5, Variant(3.0), Table(2, 2, {2, 4, 0.5, 0.5}));
    s.CheckCategoryData(CChainElement::kI5);
    EXPECT_EQ(Row(s.GetCategoryData(CChainElement::kI5), 0), (std::vector<double>{2, 4}));
    s.SetPrimaryData({0.5, 0.5, 3.5, 1, 0});
    s.CheckCategoryData(CChainElement::kI5);
    EXPECT_EQ(Row(s.GetCategoryData(CChainElement::kI5), 0), (std::vector<double>{3.5, 3.5}));
}

// Without a master the default master is stored and used; a master of another width
// never stores the sentinel.
TEST_F(Stage, AMasterOfAnotherWidthNeverStoresTheSentinel) {
    AppData(item::kCategoricalImpacts) = Variant(true);
    CChainElement s;
    s.SetPrimaryData({0.5, 0.5, 1, 6, 0});
    s.SetCategoryDataRestrictive(CChainElement::kI);
    EXPECT_EQ(Row(AppData(item::kMasterImpactCategories), 0), std::vector<double>(5, 1));
    EXPECT_DOUBLE_EQ(s.Risks()[1], 0.5);
    AppData(item::kNumImpactCategories) = Variant(3);
    AppData(item::kMasterImpactCategories) = Table(1, 4, {10, 20, 30, 40});
    s.SetPrimaryData({0.5, 0.5, 1, 6, 0});
    s.SetCategoryData(CChainElement::kI, Variant(6.0), Variant());
    s.SetCategoryDataRestrictive(CChainElement::kI);
    EXPECT_EQ(Row(s.GetCategoryData(CChainElement::kI), 0), (std::vector<double>{6, 6, 6}));
    EXPECT_EQ(s.Risks()[1], 3);
}

}  // namespace
}  // namespace nuvir::test
