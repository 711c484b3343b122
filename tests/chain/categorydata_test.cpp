// The category table: default shape, normalisation, loading and the table dialog.
#include "chain_fixture.h"

namespace nuvir::test {
namespace {

using CategoryTable = ChainTest;

TEST_F(CategoryTable, DefaultsFollowTheCategoryCountOfTheirKind) {
    CCategoryData impact, cost;
    cost.SetObjectType(CCategoryData::kCost);
    const Variant d = impact.DefaultArray();
    EXPECT_EQ(Row(d, 0), (std::vector<double>{1, 1, 1, 1, 1}));
    EXPECT_EQ(Row(d, 1), (std::vector<double>{0.2, 0.2, 0.2, 0.2, 0.2}));
    EXPECT_FALSE(impact.HasData());
    EXPECT_EQ(impact.Value(), 1.0);
    EXPECT_TRUE(impact.HasData()) << "reading Value creates the default table";
    EXPECT_EQ(cost.Value(), 0.0);

    AppData(item::kNumCostCategories) = Variant(3);
    EXPECT_EQ(Row(cost.DefaultArray(), 0), (std::vector<double>{0, 0, 0}));
}

TEST_F(CategoryTable, ACountOutsideOneToFiveIsKeptWithinIt) {
    CCategoryData t;
    AppData(item::kNumImpactCategories) = Variant(0);
    EXPECT_EQ(Row(t.DefaultArray(), 1), (std::vector<double>{1}));
    AppData(item::kNumImpactCategories) = Variant(9);
    EXPECT_EQ(t.DefaultArray().ubound(2), 4);
}

TEST_F(CategoryTable, SettingTheKindDiscardsTheDataAndStoresOnlyZeroOrOne) {
    CCategoryData t;
    t.SetObjectType(CCategoryData::kCost);
    EXPECT_EQ(t.Value(), 0.0);
    t.SetObjectType(7);
    EXPECT_EQ(t.ObjectType(), 0);
    EXPECT_FALSE(t.HasData());
    EXPECT_TRUE(t.ValueArray().isEmpty());
}

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
        {"probabilities above one count as one", {1, 2, 4}, {1, 1, 2}, {1, 2, 4}, {0.333333, 0.333333, 0.333333},
         2.333331},
        {"all zero become uniform", {3, 3, 3}, {0, 0, 0}, {3, 3, 3}, {0.333333, 0.333333, 0.333333}, 2.999997},
        {"values keep four figures", {123456, 1.234567e-7, -0.00987654}, {1, 0, 0},
         {123500, 1.235e-7, -0.009877}, {1, 0, 0}, 123500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCategoryData t;
        t.SetData(Table(2, 3, {c.values[0], c.values[1], c.values[2], c.probs[0], c.probs[1], c.probs[2]}), 1);
        EXPECT_EQ(Row(t.ValueArray(), 0), c.wantValues);
        EXPECT_EQ(Row(t.ValueArray(), 1), c.wantProbs);
        EXPECT_DOUBLE_EQ(t.Value(), c.value);
    }
}

TEST_F(CategoryTable, ATableOfAnotherShapeOrKindLeavesTheResetTable) {
    CCategoryData t;
    Variant generic = Variant::MakeArray(VarType::Generic, {Bounds{0, 1}, Bounds{0, 4}});
    Variant oneRow = Variant::MakeArray(VarType::Double, {Bounds{0, 9}});
    const Variant tables[] = {Table(2, 4, {1, 2, 3, 4, 1, 1, 1, 1}), generic, oneRow, Variant(3.0)};
    for (const Variant& table : tables) {
        t.SetData(table, 7.5);
        EXPECT_EQ(Row(t.ValueArray(), 0), (std::vector<double>{7.5, 7.5, 7.5, 7.5, 7.5}));
        EXPECT_EQ(Row(t.ValueArray(), 1), (std::vector<double>{0.2, 0.2, 0.2, 0.2, 0.2}));
        EXPECT_EQ(t.Value(), 7.5);
    }
}

TEST_F(CategoryTable, TheDialogSeesTextsAndHeadingsAndItsTableIsConformedToN) {
    AppData(item::kNumCostCategories) = Variant(3);
    CCategoryData t;
    t.SetObjectType(CCategoryData::kCost);
    t.SetData(Table(2, 3, {100, 2000, 0.5, 0.5, 0.5, 1}), 0);
    ScriptedTableEditor editor;
    const Variant rect = Variant::Doubles({10, 20, 30, 40});

    editor.answer = Table(2, 4, {1, 2, 3, 4, 0.2, 0.2, 0.4, 0.9});  // one row too many
    t.ShowTable(rect, &editor);
    EXPECT_EQ(S(editor.shown(0, 0)), "100");
    EXPECT_EQ(S(editor.shown(1, 2)), "0.5");
    EXPECT_EQ(S(editor.shownHeadings(0)), "Cost");
    EXPECT_EQ(S(editor.shownHeadings(1)), "P (0-1)");
    EXPECT_EQ(N(editor.shownRect(3)), 40);
    EXPECT_EQ(Row(t.ValueArray(), 0), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(Row(t.ValueArray(), 1), (std::vector<double>{0.25, 0.25, 0.5}));

    editor.answer = Table(2, 2, {8, 4, 0.1, 0.3});  // one row short: value 0, probability 0
    t.ShowTable(rect, &editor);
    EXPECT_EQ(Row(t.ValueArray(), 0), (std::vector<double>{8, 4, 0}));
    EXPECT_EQ(Row(t.ValueArray(), 1), (std::vector<double>{0.25, 0.75, 0}));
}

TEST_F(CategoryTable, ACancelledOrMisshapenAnswerLeavesTheTable) {
    CCategoryData t;
    t.SetData(Variant(), 2);
    ScriptedTableEditor editor;
    const std::optional<Variant> answers[] = {std::nullopt, Table(3, 5, {}), Table(1, 5, {})};
    for (const auto& answer : answers) {
        editor.answer = answer;
        t.ShowTable(Variant::Doubles({0, 0, 0, 0}), &editor);
        EXPECT_EQ(Row(t.ValueArray(), 0), (std::vector<double>{2, 2, 2, 2, 2}));
    }
    EXPECT_EQ(editor.calls, 3);
}

}  // namespace
}  // namespace nuvir::test
