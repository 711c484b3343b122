#pragma once
// Ascending sorts of whole trial-table columns. A column of a million trials is
// sorted many times per run, so these are radix sorts on the bit patterns of the
// doubles (linear time, no comparisons). Only the values matter to the callers: for
// values that compare equal (0 and -0) the order between them is unspecified.
#include <cstdint>
#include <span>
#include <vector>

namespace nuvir {

// Sorts the values ascending in place. Data holding NaN goes through the program's
// general quicksort instead, so the order it gives stays the same everywhere.
void SortColumn(std::span<double> values);

// The values ascending in sorted, and in order the position (0-based) each came from.
// Equal values keep their original order; NaN sorts beyond the infinities.
void SortColumnWithPositions(std::span<const double> values, std::vector<double>& sorted,
                             std::vector<std::uint32_t>& order);

}  // namespace nuvir
