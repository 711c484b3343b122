#include "simulation/ranks.h"

#include <array>
#include <span>
#include <vector>

#include "numerics/numerics.h"
#include "runtime/error.h"
#include "simulation/columnsort.h"
#include "simulation/workers.h"

namespace nuvir {

namespace {

// A column whose values are all equal has no spread, so no correlation with it exists.
// Tested directly: averaging n copies of a value need not give the value back, which
// would leave a rounding residue that looks like spread.
bool HasNoSpread(std::span<const double> v) {
    for (const double x : v)
        if (!(x == v.front())) return false;
    return true;
}

}  // namespace

void RankValues(std::span<double> values) { RankColumn(values); }

void RankTransform(TrialTable& table, std::int32_t column) {
    if (column < 0 || column >= TrialTable::kColumns) RaiseSubscriptOutOfRange();
    RankValues(std::span<double>(table.column(table.firstColumn() + column),
                                 static_cast<std::size_t>(table.trials())));
}

SensitivityTable CorrelationSensitivities(TrialTable& table, bool ranked) {
    if (ranked) ParallelFor(TrialTable::kColumns, [&](int c) { RankTransform(table, c); });

    const std::size_t n = static_cast<std::size_t>(table.trials());
    auto columnOf = [&](int c) {
        return std::span<const double>(table.column(table.firstColumn() + c), n);
    };
    // Spread of the thirteen inputs and the two outputs, then the 26 correlations.
    std::array<bool, kInputColumns + 2> flat{};
    ParallelFor(kInputColumns + 2, [&](int c) {
        flat[static_cast<std::size_t>(c)] = HasNoSpread(columnOf(c < kInputColumns ? c : TrialTable::kTotalRisk + c - kInputColumns));
    });
    SensitivityTable s;
    ParallelFor(2 * kInputColumns, [&](int task) {
        const int m = task / kInputColumns;
        const int j = task % kInputColumns;
        if (flat[static_cast<std::size_t>(j)] || flat[static_cast<std::size_t>(kInputColumns + m)]) return;
        const auto r = ArrayStatistics::Correlation(columnOf(TrialTable::kTotalRisk + m), columnOf(j));
        if (r) s(j, m) = *r;
    });
    return s;
}

}  // namespace nuvir
