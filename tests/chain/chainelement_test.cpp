// A stage's arithmetic, links and category operations, worked out by hand.
#include <random>

#include "chain_fixture.h"

namespace nuvir::test {
namespace {

using Stage = ChainTest;

// Four stages linked as the chain links them.
struct Linked {
    CChainElement s[4];
    Linked() {
        for (int i = 1; i < 4; ++i) {
            s[i].SetPrevElement(&s[i - 1]);
            s[i - 1].SetNextElement(&s[i]);
        }
    }
};

TEST_F(Stage, ALoneStageAndFourDefaultStagesHalveTheRisk) {
    CChainElement lone;
    EXPECT_EQ(lone.Risks(), (std::array<double, 2>{0.5, 0.5}));
    EXPECT_EQ(lone.TotalRisk(), 1);
    EXPECT_EQ(lone.TotalCost(), 0);
    Linked c;
    const double stop[] = {0.5, 0.25, 0.125, 0.0625};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(c.s[i].Risks(), (std::array<double, 2>{i < 3 ? 0 : 0.0625, stop[i]})) << i;
    EXPECT_EQ(c.s[3].TotalRisk(), 1.0);
    EXPECT_EQ(c.s[2].TotalRisk(), 0.875) << "an earlier stage never adds its completed risk";
    EXPECT_EQ(c.s[2].CumulativeP(false), 0.125);
    EXPECT_EQ(c.s[0].CumulativeP(true), 1);
    c.s[1].DoUpdates(true);  // no edit box: nothing pending, nothing fails
    EXPECT_EQ(c.s[3].TotalRisk(), 1.0);
}

TEST_F(Stage, RisksAndCostsFollowTheClosedForms) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(0, 1);
    for (int trial = 0; trial < 200; ++trial) {
        Linked c;
        for (auto& s : c.s) {
            const double p = u(rng);
            s.SetPrimaryData({p, 1 - p, 1, 1, 0});
        }
        EXPECT_NEAR(c.s[3].TotalRisk(), 1.0, 1e-15) << "unit impacts and q = 1 - p";
    }
    Linked c;
    const double p[] = {0.9, 0.6, 0.3, 0.2}, q[] = {0.1, 0.4, 0.7, 0.8};
    const double I[] = {2, 3, 5, 7}, F[] = {10, 20, 40, 80};
    for (int i = 0; i < 4; ++i) c.s[i].SetPrimaryData({p[i], q[i], 11, I[i], F[i]});
    EXPECT_NEAR(c.s[3].TotalRisk(), 0.1 * 2 + 0.9 * 0.4 * 3 + 0.54 * 0.7 * 5 + 0.162 * 0.8 * 7 + 0.162 * 0.2 * 11,
                1e-14);
    EXPECT_NEAR(c.s[3].TotalCost(), 10 + 0.9 * 20 + 0.54 * 40 + 0.162 * 80, 1e-13);
}

TEST_F(Stage, PAndQAreClampedEachByItselfAndIdentityIsSetOnce) {
    CChainElement s, next;
    s.SetPrimaryData({1.7, -0.2, 3, 4, 5});
    EXPECT_EQ(s.PrimaryData(), (CChainElement::Values{1, 0, 3, 4, 5}));
    EXPECT_EQ(s.Risks(), (std::array<double, 2>{3, 0}));
    EXPECT_EQ(s.Cost(), 5);
    s.SetNextElement(&next);
    EXPECT_EQ(s.Risks(), (std::array<double, 2>{0, 0})) << "zeroed at once, nothing recalculated";
    s.SetIndex(2);
    s.SetIndex(3);
    s.SetID("Survives");
    s.SetID("Other");
    EXPECT_EQ(s.Index(), 2);
    EXPECT_EQ(s.ID(), "Survives");
}

TEST_F(Stage, CategoryDataLoadsOnlyWhileItsSwitchIsOn) {
    CChainElement s;
    s.SetCategoryData(CChainElement::kI, Variant(7.5), Variant());
    EXPECT_TRUE(s.GetCategoryData(CChainElement::kI).isEmpty());
    AppData(item::kCategoricalImpacts) = Variant(true);
    s.SetCategoryData(CChainElement::kI, Variant(7.5), Variant());
    EXPECT_EQ(Row(s.GetCategoryData(CChainElement::kI), 0), (std::vector<double>{7.5, 7.5, 7.5, 7.5, 7.5}));
    EXPECT_EQ(s.CategoryTable(CChainElement::kI)->Value(), 7.5);
    EXPECT_EQ(s.PrimaryData()[CChainElement::kI], 1) << "the primary value is not changed";
    s.SetCategoryData(CChainElement::kI, Variant(std::int16_t{4}), Variant());
    EXPECT_EQ(s.CategoryTable(CChainElement::kI)->Value(), 4) << "a 16-bit impact is a value too";
    for (int index : {-1, 0, 1, 5}) {
        s.SetCategoryData(index, Variant(2.0), Variant());
        s.CheckCategoryData(index);
        s.SetCategoryDataRestrictive(index);
        EXPECT_TRUE(s.GetCategoryData(index).isEmpty());
    }
}

TEST_F(Stage, CheckingATableKeepsItOnlyWhileItsValueIsThePrimaryValue) {
    AppData(item::kCategoricalImpacts) = Variant(true);
    AppData(item::kNumImpactCategories) = Variant(2);
    CChainElement s;
    s.SetPrimaryData({0.5, 0.5, 3, 1, 0});
    s.SetCategoryData(CChainElement::kI5, Variant(3.0), Table(2, 2, {2, 4, 0.5, 0.5}));
    s.CheckCategoryData(CChainElement::kI5);
    EXPECT_EQ(Row(s.GetCategoryData(CChainElement::kI5), 0), (std::vector<double>{2, 4}));
    s.SetPrimaryData({0.5, 0.5, 3.5, 1, 0});
    s.CheckCategoryData(CChainElement::kI5);
    EXPECT_EQ(Row(s.GetCategoryData(CChainElement::kI5), 0), (std::vector<double>{3.5, 3.5}));
}

TEST_F(Stage, ConformingToTheMasterKeepsTheStagesProbabilities) {
    AppData(item::kCategoricalCosts) = Variant(true);
    AppData(item::kNumCostCategories) = Variant(3);
    AppData(item::kMasterCostCategories) = Table(1, 3, {0, 100, 1000});
    CChainElement s;
    s.SetCategoryData(CChainElement::kF, Variant(0.0), Table(2, 3, {1, 1, 1, 0.5, 0.5, 0}));
    s.SetCategoryDataRestrictive(CChainElement::kF);
    EXPECT_EQ(Row(s.GetCategoryData(CChainElement::kF), 0), (std::vector<double>{0, 100, 1000}));
    EXPECT_EQ(Row(s.GetCategoryData(CChainElement::kF), 1), (std::vector<double>{0.5, 0.5, 0}));
    EXPECT_EQ(s.PrimaryData()[CChainElement::kF], 50);
    EXPECT_EQ(s.Cost(), 50);
}

TEST_F(Stage, WithoutAMasterTheDefaultMasterIsStoredAndUsed) {
    AppData(item::kCategoricalImpacts) = Variant(true);
    CChainElement s;
    s.SetPrimaryData({0.5, 0.5, 1, 6, 0});
    s.SetCategoryDataRestrictive(CChainElement::kI);
    EXPECT_EQ(Row(AppData(item::kMasterImpactCategories), 0), (std::vector<double>{1, 1, 1, 1, 1}));
    EXPECT_DOUBLE_EQ(s.PrimaryData()[CChainElement::kI], 1);
    EXPECT_DOUBLE_EQ(s.Risks()[1], 0.5);
}

TEST_F(Stage, AMasterOfAnotherWidthNeverStoresTheSentinel) {
    AppData(item::kCategoricalImpacts) = Variant(true);
    AppData(item::kNumImpactCategories) = Variant(3);
    AppData(item::kMasterImpactCategories) = Table(1, 4, {10, 20, 30, 40});
    CChainElement s;
    s.SetPrimaryData({0.5, 0.5, 1, 6, 0});
    s.SetCategoryData(CChainElement::kI, Variant(6.0), Variant());
    s.SetCategoryDataRestrictive(CChainElement::kI);
    EXPECT_EQ(s.PrimaryData()[CChainElement::kI], 6);
    EXPECT_EQ(Row(s.GetCategoryData(CChainElement::kI), 0), (std::vector<double>{6, 6, 6}));
    EXPECT_EQ(s.Risks()[1], 3);
}

}  // namespace
}  // namespace nuvir::test
