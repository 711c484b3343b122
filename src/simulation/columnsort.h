#pragma once
// Ascending sorts and ranks of whole trial-table columns. A column of a million trials
// is sorted many times per run, so these are radix sorts on the bit patterns of the
// doubles (linear time, no comparisons), using the column's own storage as one of the
// two buffers. Only values matter to the callers: for values that compare equal (0 and
// -0) the order between them is unspecified.
#include <span>

namespace nuvir {

// Sorts the values ascending in place. Data holding NaN goes through the program's
// general quicksort instead, so the order it gives stays the same everywhere.
void SortColumn(std::span<double> values);

// Replaces the values by their ranks 1 to n in place; a run of equal values shares
// the mean of its first and last position. NaN compares equal to nothing and sorts
// beyond the infinities.
void RankColumn(std::span<double> values);

}  // namespace nuvir
