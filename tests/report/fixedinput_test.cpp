// The report of a run with a fixed input carries the R^2 of the fits made without it.
#include <cmath>

#include "report/reportfields.h"
#include "results/results_fixture.h"

namespace nuvir::test {
namespace {

class FixedInputReportTest : public ResultsTest {};

// R^2 of an independent least-squares fit (NumPy's lstsq) of the trials this run
// exports to CSV, over the inputs that vary (all but I1): with the constant
// 1 - SSE / sum (y - mean)^2, without it 1 - SSE / sum y^2; ranked: the same on average
// ranks. Rows 57 (raw) and 58 (ranked); set A the risk, set B the cost.
TEST_F(FixedInputReportTest, TheR2RowsAreThoseOfTheFitsWithoutTheFixedInput) {
    struct Case {
        const char* name;
        bool constant;
        double riskRaw, riskRanked, costRaw, costRanked;
    };
    const Case cases[] = {
        {"with the constant", true, 0.950834, 0.948314, 0.948116, 0.945393},
        {"without the constant", false, 0.985850, 0.974390, 0.993734, 0.949233},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(RunWithI1Fixed(c.constant));
        const ReportFields f =
            BuildReportFields(rc->State(), {Variant(0.062), true, "07-Dec-2026", [](int) { return "95 %"; }});
        const struct {
            int row, set;
            double value;
        } rows[] = {{field::kRawR2, field::kSetA, c.riskRaw},
                    {field::kRankedR2, field::kSetA, c.riskRanked},
                    {field::kRawR2, field::kSetB, c.costRaw},
                    {field::kRankedR2, field::kSetB, c.costRanked}};
        for (const auto& r : rows) {
            SCOPED_TRACE(testing::Message() << "row " << r.row << " of set " << r.set);
            ASSERT_TRUE(f(r.row, r.set));
            // Three decimals, within rounding of the value.
            EXPECT_EQ(f(r.row, r.set)->size(), 5u) << *f(r.row, r.set);
            EXPECT_LE(std::fabs(Val(*f(r.row, r.set)) - r.value), 0.0005 + 1e-12) << *f(r.row, r.set);
        }
    }
}

}  // namespace
}  // namespace nuvir::test
