// The four-stage chain, its exchange with the application data and the point outcomes
// computed without a chain.
#include <cmath>
#include <random>

#include "chain_fixture.h"

namespace nuvir::test {
namespace {

using Chain = ChainTest;

// A fresh chain finds its stages by name; the chain writes no category tables while
// nothing is categorical.
TEST_F(Chain, EveryItemGoesInAndComesBackWithItsOutcomes) {
    CChain chain;
    EXPECT_EQ(chain.ChainElements("spreads")->Index(), 4);
    EXPECT_EQ(chain.ChainElements("Nowhere"), nullptr);
    Variant data = AppData;
    for (int i = 47; i <= 50; ++i) data(i) = Variant(0.25 * (i - 46));              // p = 0.25..1
    for (int i = 51; i <= 55; ++i) data(i) = Variant(double(i - 50));               // I1..I5 = 1..5
    for (int i = 56; i <= 59; ++i) data(i) = Variant(std::int16_t(10 * (i - 55)));  // F = 10..40
    for (int i = 69; i <= 77; ++i) AppData(i) = Variant(1.0);
    chain.SetData(data);
    const Variant d = chain.GetData();
    EXPECT_EQ(d.lbound(1), 47);
    EXPECT_EQ(d.ubound(1), 68);
    for (int i = 47; i <= 59; ++i) EXPECT_EQ(N(d(i)), N(data(i))) << i;
    for (int i = 69; i <= 77; ++i) EXPECT_TRUE(AppData(i).get().isEmpty()) << i;
    // By hand: R = I_k (1 - p_k) times the earlier p; E = F_k times the earlier p.
    const double outcomes[] = {0.75, 2 * 0.25 * 0.5, 3 * 0.125 * 0.25, 0, 5 * 0.09375, 10, 5, 3.75, 3.75};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(N(d(60 + i)), outcomes[i]) << 60 + i;
    // p is clamped and q set to its complement; only the last stage keeps I5; a text
    // that is no number loads as zero.
    data(47) = Variant(1.4);
    data(48) = Variant(-3.0);
    data(51) = Variant("lots");
    data(56) = Variant("12");
    chain.SetData(data);
    const CChainElement::Values first = chain.Element(1)->PrimaryData();
    EXPECT_EQ(first[CChainElement::kQ], 0.0);
    EXPECT_EQ(first[CChainElement::kI], 0.0);
    EXPECT_EQ(first[CChainElement::kF], 12.0);
    EXPECT_EQ(chain.Element(2)->PrimaryData()[CChainElement::kQ], 1);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(chain.Element(k)->PrimaryData()[CChainElement::kI5], 0) << k;
}

TEST_F(Chain, CategoryTablesLoadPlainOrConformedToTheMasters) {
    AppData(item::kCategoricalCosts) = Variant(true);
    AppData(item::kNumCostCategories) = Variant(2);
    AppData(item::kMasterCostCategories) = Table(1, 2, {100, 300});
    Variant data = AppData;
    data(item::CategoryTable(9)) = Table(2, 2, {10, 30, 0.25, 0.75});  // F1's table
    AppData(item::kConformCategories) = Variant(false);
    CChain plain;
    plain.SetData(data);
    plain.GetData();
    EXPECT_EQ(Row(AppData(74), 0), (std::vector<double>{10, 30}));
    EXPECT_EQ(Row(AppData(75), 0), (std::vector<double>{0, 0}));
    EXPECT_TRUE(AppData(69).get().isEmpty()) << "impacts are not categorical";
    EXPECT_EQ(plain.Element(1)->PrimaryData()[CChainElement::kF], 0) << "loading a table keeps F";
    AppData(item::kConformCategories) = Variant(true);
    CChain conformed;
    conformed.SetData(data);
    EXPECT_EQ(conformed.Element(2)->PrimaryData()[CChainElement::kF], 200);
    EXPECT_EQ(N(conformed.GetData()(65)), 250);
}

TEST_F(Chain, OutcomeRisksReadEachItemsLeadingNumber) {
    for (int i = 56; i <= 59; ++i) AppData(i) = Variant(1.0);
    struct Case {
        const char* name;
        Variant p1;
        double want[9];
    };
    const Case cases[] = {
        {"a text starting with a number",
         Variant("0.25abc"),
         {0.75, 0.125, 0.0625, 0.03125, 0.03125, 1, 0.25, 0.125, 0.0625}},
        {"a text without one", Variant("abc"), {1, 0, 0, 0, 0, 1, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppData(47) = c.p1;
        const Variant r = MKelvaro::CalculateOutcomeRisks(AppData);
        ASSERT_EQ(r.lbound(1), 60);
        ASSERT_EQ(r.ubound(1), 68);
        for (int i = 0; i < 9; ++i) EXPECT_EQ(N(r(60 + i)), c.want[i]) << 60 + i;
    }
}

// Random point values with at most 15 significant digits: the chain gives the outcome
// function's figures (the engine's trial formulas are held to the same function in the
// engine's tests).
TEST_F(Chain, OutcomesAgreeWithTheOutcomeFunction) {
    std::mt19937_64 rng(4102);
    std::uniform_real_distribution<double> prob(0, 1), value(-1e4, 1e4);
    CChain chain;
    for (int trial = 0; trial < 10000; ++trial) {
        for (int k = 0; k < 13; ++k) AppData(47 + k) = Variant(Val(FormatDouble(k < 4 ? prob(rng) : value(rng))));
        if (trial % 10 == 0) AppData(47 + trial / 10 % 4) = Variant(trial % 20 == 0 ? 0.0 : 1.0);  // edge probabilities
        const Variant outcome = MKelvaro::CalculateOutcomeRisks(AppData);
        chain.SetData(AppData);
        const Variant fromChain = chain.GetData();
        for (int i = 60; i <= 68; ++i) {
            const double o = N(outcome(i));
            ASSERT_LE(std::fabs(o - N(fromChain(i))), 1e-14 * std::fabs(o)) << "trial " << trial << " item " << i;
        }
    }
}

}  // namespace
}  // namespace nuvir::test
