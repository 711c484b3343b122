#include "simulation/ranks.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "numerics/numerics.h"
#include "runtime/error.h"
#include "simulation/columnsort.h"
#include "simulation/workers.h"

namespace nuvir {

void RankTransform(TrialTable& table, std::int32_t column) {
    if (column < 0 || column >= TrialTable::kColumns) RaiseSubscriptOutOfRange();
    RankColumn(table.values(column));
}

bool OutputVaries(std::span<const double> column) {
    if (column.empty()) return false;
    const auto [lo, hi] = std::minmax_element(column.begin(), column.end());
    // Up to 32 Double epsilons of the largest magnitude, which is 32 to 64 units in its
    // last place (32 at a power of two, nearly 64 just below the next): a trial's output
    // is a sum of up to five products of up to five factors.
    return *hi - *lo > 32.0 * DBL_EPSILON * std::max(std::fabs(*lo), std::fabs(*hi));
}

std::array<bool, 2> OutputsVary(const TrialTable& table) {
    return {OutputVaries(table.values(TrialTable::kTotalRisk)), OutputVaries(table.values(TrialTable::kTotalCost))};
}

void CorrelatePair(const TrialTable& table, int pair, SensitivityTable& s, const std::array<bool, 2>& outputVaries) {
    const int m = pair / kInputColumns;
    const int j = pair % kInputColumns;
    if (!outputVaries[static_cast<std::size_t>(m)]) return;
    // A column without spread has no correlation and keeps the no-value marker.
    const auto r = ArrayStatistics::Correlation(table.values(TrialTable::kTotalRisk + m), table.values(j));
    if (r) s(j, m) = *r;
}

SensitivityTable CorrelationSensitivities(TrialTable& table, bool ranked) {
    const std::array<bool, 2> vary = OutputsVary(table);
    if (ranked) ParallelFor(TrialTable::kColumns, [&](int c) { RankTransform(table, c); });
    SensitivityTable s;
    ParallelFor(2 * kInputColumns, [&](int pair) { CorrelatePair(table, pair, s, vary); });
    return s;
}

}  // namespace nuvir
