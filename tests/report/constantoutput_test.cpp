// An output that is the same in every trial has nothing to explain: no measure and no
// R^2 for it, in the details panel, the run state or the report's R^2 rows.
#include <functional>

#include "numerics/numerics.h"
#include "report/reportfields.h"
#include "results/results_fixture.h"

namespace nuvir::test {
namespace {

class ConstantOutputTest : public ResultsTest {};

TEST_F(ConstantOutputTest, HasNoSensitivityAndNoR2Anywhere) {
    struct Case {
        const char* name;
        std::function<void()> setUp;
        int output;  // 0 total risk (set A, the risk tab), 1 total cost (set B, the cost tab)
    };
    const Case cases[] = {
        // Relative mode with every management cost 0: the total cost is 0 in every trial.
        {"the default assessment's management costs", [] {}, 1},
        // The chain's default impact tables (each of the five categories 1, with
        // probability 1/5) give a total risk of 1 in every trial.
        {"categorical impacts with the default tables",
         [] {
             AppData(item::kCategoricalImpacts) = true;
             for (int k = 4; k <= 8; ++k)
                 AppData(item::CategoryTable(k)) = Table(2, 5, {1, 1, 1, 1, 1, 0.2, 0.2, 0.2, 0.2, 0.2});
         },
         0},
        // p1-p4 and I1-I5 drawn with no spread, fitted with the constant term.
        {"the constant term and every risk input fixed",
         [] {
             AppData(item::kUncertaintyMode) = 1;
             AppData(item::kRegUseConstant) = true;
             for (int j = 0; j <= 8; ++j) AppData(item::Absolute(j)) = Variant::Doubles({j < 4 ? 0.5 : 2.0, 0, 0});
         },
         0},
    };
    const int plot[2] = {1, 3};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppData = GetAppDataDefaults(true, Variant());
        c.setUp();
        MKelvaro::StoreOutcomeRisks(AppData);
        ASSERT_TRUE(Run(1000)) << (Messages().empty() ? "" : Messages().back().text);
        // Show Details on the output's sensitivity plot, on its own tab.
        page.tabSimulationGraphs->SetTab(c.output);
        popups.QueueChoice(0);
        rc->picMonte_MouseUp(plot[c.output], 2, 0, 1, 0.5);
        ASSERT_TRUE(page.picShowSensMeasures->Visible());
        const FlexGrid& grid = *page.flxShowSensMeasures;
        // Grid row r + 1 shows table row r: the two R^2 rows, a gap, the headings,
        // then p1-p4 and the impacts or costs; SPEA carries a blank where a star goes.
        EXPECT_EQ(grid.TextMatrix(1, 2), "  .") << "raw R2";
        EXPECT_EQ(grid.TextMatrix(2, 2), "  .") << "ranked R2";
        const int inputs = c.output == 0 ? 9 : 8;
        for (int row = 5; row < 5 + inputs; ++row) {
            for (int column = 2; column <= 5; ++column)
                EXPECT_EQ(grid.TextMatrix(row, column), column == 2 ? "    .  " : "    . ")
                    << grid.TextMatrix(row, 1) << " column " << column;
        }
        const RunState& run = rc->State();
        const SensitivityTableText& table = (*run.SensitivitySummary)[static_cast<std::size_t>(c.output)];
        EXPECT_EQ(table[0][1], "  .");
        EXPECT_EQ(table[1][1], "  .");
        for (int j = 0; j < 13; ++j)
            EXPECT_EQ(run.RunRankCorrelations[static_cast<std::size_t>(j)][static_cast<std::size_t>(c.output)],
                      kNoValue);
        const ReportFields f =
            BuildReportFields(run, {Variant(0.062), true, "07-Dec-2026", [](int) { return "95 %"; }});
        EXPECT_FALSE(f(field::kRawR2, c.output)) << *f(field::kRawR2, c.output);
        EXPECT_FALSE(f(field::kRankedR2, c.output)) << *f(field::kRankedR2, c.output);
        popups.QueueChoice(0);  // Hide Details
        rc->picMonte_MouseUp(plot[c.output], 2, 0, 1, 0.5);
    }
}

}  // namespace
}  // namespace nuvir::test
