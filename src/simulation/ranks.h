#pragma once
// Rank transform of trial-table columns and the two correlation measures (Pearson on
// the values, Spearman on the ranks) of the thirteen inputs with total risk and total
// cost.
#include <cstdint>

#include "simulation/statistics.h"
#include "simulation/trialtable.h"

namespace nuvir {

// Replaces the values of column `column` of the table (counted from its first column)
// by their ranks 1 to n (RankColumn): tied values share the mean of the positions they
// occupy (5, 3, 5, 1 gives 3.5, 2, 3.5, 1).
void RankTransform(TrialTable& table, std::int32_t column);

// Correlation of every input j (0 to 12) with output m (total risk, total cost): the
// output as the first array, the input as the second; kNoValue where it does not exist
// (a column without spread). With ranked, first replaces all 22 columns of the table
// by their ranks; the table stays ranked afterwards.
SensitivityTable CorrelationSensitivities(TrialTable& table, bool ranked);
// One of those 26 correlations, into s: input pair % 13 with output pair / 13.
void CorrelatePair(const TrialTable& table, int pair, SensitivityTable& s);

}  // namespace nuvir
