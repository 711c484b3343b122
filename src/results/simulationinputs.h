#pragma once
// The simulation input built from one assessment: per quantity the mean, the spread as
// a standard deviation and the distribution code, wrapped with the category tables of
// categorical impacts and costs when those are on. The run builds it from its snapshot
// with cumulative tables; the report from the same snapshot with the tables as stored.
//
// Everything is read from the data passed in (uncertainty mode, number of levels and
// the categorical switches included), so a batch entry is simulated as it was captured
// and the report shows what the run used.
#include <cstdint>

#include "runtime/variant.h"

namespace nuvir {

// The Double matrix (0 To 12, 0 To 2), or, with categorical impacts or costs on, the
// generic array (0 To 2) of the matrix, the impact tables (4 To 8) or Empty, and the
// cost tables (9 To 12) or Empty. Raises the conversion errors of unreadable items.
Variant BuildSimulationInputs(const Variant& data, bool cumulative);

// The category tables of impacts (which = 42) or costs (43) from items 69..73 or
// 74..77, cumulated when asked; Empty when that kind is off or for another `which`.
Variant BuildCategoryLookupTables(const Variant& data, std::int32_t which, bool cumulative);

// A copy of the table with its columns sorted by value and running sums of the
// probabilities, the last rounded to 4 significant figures; an unallocated Double
// array when the table is not an array.
Variant CumulateCategoryTable(const Variant& table);

}  // namespace nuvir
