#pragma once
// Rank transform of trial-table columns and the two correlation measures (Pearson on
// the values, Spearman on the ranks) of the thirteen inputs with total risk and total
// cost.
#include <array>
#include <cstdint>
#include <span>

#include "simulation/statistics.h"
#include "simulation/trialtable.h"

namespace nuvir {

// Replaces the values of column `column` of the table (counted from its first column)
// by their ranks 1 to n (RankColumn): tied values share the mean of the positions they
// occupy (5, 3, 5, 1 gives 3.5, 2, 3.5, 1).
void RankTransform(TrialTable& table, std::int32_t column);

// Correlation of every input j (0 to 12) with output m (total risk, total cost): the
// output as the first array, the input as the second; kNoValue where it does not exist
// (a column without spread, an output that does not vary). With ranked, first replaces all 22 columns of the table
// by their ranks; the table stays ranked afterwards.
SensitivityTable CorrelationSensitivities(TrialTable& table, bool ranked);
// One of those 26 correlations, into s: input pair % 13 with output pair / 13; none
// for an output whose element of `outputVaries` is false.
void CorrelatePair(const TrialTable& table, int pair, SensitivityTable& s, const std::array<bool, 2>& outputVaries);

// Whether the values of an output column differ by more than the rounding of the
// sums and products that make a trial's output: an output that is the same in every
// trial in exact arithmetic (the risks of impacts that are all 1 add up to 1) comes
// out a few units in the last place apart, and that noise, or its ranks, correlates
// and fits by chance. The two outputs of a table, decided before it is ranked.
bool OutputVaries(std::span<const double> column);
std::array<bool, 2> OutputsVary(const TrialTable& table);

}  // namespace nuvir
