#include "results/simulationinputs.h"

#include <algorithm>

#include "appdata/appdata.h"
#include "runtime/convert.h"
#include "utilities/utilities_arrays.h"
#include "utilities/utilities_rounding.h"

namespace nuvir {

namespace {

bool SwitchOn(const Variant& data, std::int32_t which) {
    const Variant& v = data(which);
    return !v.isEmpty() && CBool(v);
}

}  // namespace

Variant BuildSimulationInputs(const Variant& data, bool cumulative) {
    Variant m = Variant::MakeArray(VarType::Double, {{0, item::kQuantities - 1}, {0, 2}});
    const bool absolute = CLng(data(item::kUncertaintyMode)) == 1;
    if (absolute) {
        for (int j = 0; j < item::kQuantities; ++j) {
            const Variant& r = data(item::Absolute(j));
            m(j, 0) = CDbl(r(0));
            m(j, 1) = CDbl(r(2));
            m(j, 2) = CDbl(r(1));
        }
    } else {
        const int top = GetNumRelUncLevels(data) == 4 ? 3 : 4;
        for (int j = 0; j < item::kQuantities; ++j) {
            const Variant& r = data(item::Relative(j));
            const double value = CDbl(r(0));
            // A level read from a hand-edited file may be negative; below 0 it would
            // read the number of levels or the trials as a percentage.
            const double level = std::clamp(RoundHalfEven(CDbl(r(2))), 0.0, static_cast<double>(top));
            const double percent = CDbl(data(item::kLevel0 + static_cast<int>(level)));
            m(j, 0) = value;
            m(j, 1) = UniformSpreadSD(value, percent);
            m(j, 2) = 0.0;
        }
    }
    if (!SwitchOn(data, item::kCategoricalImpacts) && !SwitchOn(data, item::kCategoricalCosts)) return m;
    return Variant::List({m, BuildCategoryLookupTables(data, item::kCategoricalImpacts, cumulative),
                          BuildCategoryLookupTables(data, item::kCategoricalCosts, cumulative)});
}

Variant BuildCategoryLookupTables(const Variant& data, std::int32_t which, bool cumulative) {
    int first = 0;
    int last = 0;
    if (which == item::kCategoricalImpacts) {
        first = item::kI1;
        last = item::I(5);
    } else if (which == item::kCategoricalCosts) {
        first = item::kF1;
        last = item::F(4);
    } else {
        return Variant();
    }
    if (!SwitchOn(data, which)) return Variant();
    Variant tables = Variant::MakeArray(VarType::Generic, {{first, last}});
    for (int k = first; k <= last; ++k) {
        const Variant& t = data(item::CategoryTable(k));
        tables(k) = cumulative ? CumulateCategoryTable(t) : t;
    }
    return tables;
}

Variant CumulateCategoryTable(const Variant& table) {
    if (!table.isArray()) return Variant::Unallocated(VarType::Double);
    const Bounds rows = table.bounds(1);
    const Bounds cols = table.bounds(2);
    Variant t = Variant::MakeArray(VarType::Double, {rows, cols});
    for (std::int32_t i = rows.lower; i <= rows.upper; ++i) {
        for (std::int32_t c = cols.lower; c <= cols.upper; ++c) t(i, c) = CDbl(table(i, c));
    }
    MUtilities::QuickSortColumnsByRow(t, rows.lower, cols.lower, cols.upper);
    const std::int32_t p = rows.lower + 1;
    for (std::int32_t c = cols.lower + 1; c <= cols.upper; ++c) {
        t(p, c) = CDbl(t(p, c - 1)) + CDbl(t(p, c));
    }
    if (cols.count() > 0) t(p, cols.upper) = MUtilities::RoundSigFigs(CDbl(t(p, cols.upper)), 4);
    return t;
}

}  // namespace nuvir
