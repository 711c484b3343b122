#include "simulation/ranks.h"

#include "numerics/numerics.h"
#include "runtime/error.h"
#include "simulation/columnsort.h"
#include "simulation/workers.h"

namespace nuvir {

void RankTransform(TrialTable& table, std::int32_t column) {
    if (column < 0 || column >= TrialTable::kColumns) RaiseSubscriptOutOfRange();
    RankColumn(table.values(column));
}

void CorrelatePair(const TrialTable& table, int pair, SensitivityTable& s) {
    const int m = pair / kInputColumns;
    const int j = pair % kInputColumns;
    // A column without spread has no correlation and keeps the no-value marker.
    const auto r = ArrayStatistics::Correlation(table.values(TrialTable::kTotalRisk + m), table.values(j));
    if (r) s(j, m) = *r;
}

SensitivityTable CorrelationSensitivities(TrialTable& table, bool ranked) {
    if (ranked) ParallelFor(TrialTable::kColumns, [&](int c) { RankTransform(table, c); });
    SensitivityTable s;
    ParallelFor(2 * kInputColumns, [&](int pair) { CorrelatePair(table, pair, s); });
    return s;
}

}  // namespace nuvir
