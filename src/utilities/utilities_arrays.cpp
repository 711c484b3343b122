#include "utilities/utilities_arrays.h"

#include <cmath>
#include <exception>
#include <utility>

#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir::MUtilities {

namespace {

// A Variant key in the sorts: numbers compare numerically; a comparison without a
// result (Null) is false. Doubles, the common case, skip the general comparison.
struct VariantKey {
    const Variant* v;
    bool operator<(const VariantKey& other) const {
        if (v->type() == VarType::Double && other.v->type() == VarType::Double)
            return v->rawDouble() < other.v->rawDouble();
        const auto c = VarCompare(*v, *other.v);
        return c && *c < 0;
    }
};

void CheckRange(std::int32_t low, std::int32_t high, const Bounds& b) {
    if (low < b.lower || high > b.upper) RaiseSubscriptOutOfRange();
}

void CheckIndex(std::int32_t i, const Bounds& b) {
    if (i < b.lower || i > b.upper) RaiseSubscriptOutOfRange();
}

// The contiguous element storage of an array: the first index varies fastest.
Variant* Storage(Variant& array) { return array.mutableElements().data(); }

// A two-dimensional array's elements by (row, column), stored with the row varying
// fastest, for the sorts that move whole rows or columns.
struct TableView {
    explicit TableView(Variant& array) : rows(array.bounds(1)), cols(array.bounds(2)), data(Storage(array)) {}
    Variant& operator()(std::int32_t r, std::int32_t c) const {
        return data[static_cast<std::size_t>(r - rows.lower) +
                    static_cast<std::size_t>(c - cols.lower) * static_cast<std::size_t>(rows.count())];
    }
    Bounds rows, cols;
    Variant* data;
};

void SwapElements(Variant& a, Variant& b) noexcept {
    if (&a != &b) std::swap(a, b);
}

void AppendJoined(std::string& out, const std::vector<Variant>& elements, std::string_view delimiter) {
    bool first = true;
    for (const Variant& e : elements) {
        if (!first) out.append(delimiter);
        first = false;
        out.append(TextOf(e));
    }
}

}  // namespace

std::int16_t ArrayDims(const Variant& value) noexcept { return static_cast<std::int16_t>(value.dims()); }

std::string JoinArray1D(const Variant& array, std::string_view delimiter) {
    std::string out;
    if (ArrayDims(array) != 1) return out;
    const auto& elements = array.elements();
    out.reserve(elements.size() * 8);
    AppendJoined(out, elements, delimiter);
    return out;
}

std::string JoinArray2D(const Variant& array, std::string_view columnDelimiter, std::string_view rowDelimiter) {
    std::string out;
    if (ArrayDims(array) != 2) return out;
    try {
        const Bounds rows = array.bounds(1);
        const Bounds cols = array.bounds(2);
        std::vector<Variant> work(static_cast<std::size_t>(cols.count()));
        std::string line;
        for (std::int32_t r = rows.lower; r <= rows.upper; ++r) {
            for (std::int32_t c = cols.lower; c <= cols.upper; ++c)
                work[static_cast<std::size_t>(c - cols.lower)] = array(r, c);
            // Joined in full before it is appended, so a failing row adds nothing.
            line.clear();
            AppendJoined(line, work, columnDelimiter);
            out.append(rowDelimiter);
            out.append(line);
        }
    } catch (const std::exception&) {
        return "ERROR:" + out;
    }
    if (out.size() >= rowDelimiter.size()) out.erase(0, rowDelimiter.size());
    return out;
}

Variant TransposeArray(const Variant& value) {
    if (ArrayDims(value) != 2) return value;
    const Bounds rows = value.bounds(1);
    const Bounds cols = value.bounds(2);
    Variant result = Variant::MakeArray(VarType::Generic, {cols, rows});
    for (std::int32_t i = rows.lower; i <= rows.upper; ++i)
        for (std::int32_t j = cols.lower; j <= cols.upper; ++j) result(j, i) = value(i, j);
    return result;
}

void QuickSort1D(Variant& array, std::int32_t low, std::int32_t high) {
    if (ArrayDims(array) != 1 || high <= low) return;
    const Bounds b = array.bounds(1);
    CheckRange(low, high, b);
    Variant* base = Storage(array) - b.lower;
    QuickSortPositions(
        low, high, [base](std::int32_t p) { return VariantKey{base + p}; },
        [base](std::int32_t p, std::int32_t q) { SwapElements(base[p], base[q]); });
}

std::size_t QuickSort1D(std::span<double> values, std::int32_t low, std::int32_t high) {
    if (high <= low) return 0;
    if (low < 0 || static_cast<std::size_t>(high) >= values.size()) RaiseSubscriptOutOfRange();
    double* v = values.data();
    return QuickSortPositions(
        low, high, [v](std::int32_t p) { return v[p]; },
        [v](std::int32_t p, std::int32_t q) { std::swap(v[p], v[q]); });
}

namespace {

// Reorders lines low to high of a two-dimensional array, whole, by their entries at
// `key`: the rows by a column when `rows`, else the columns by a row.
void QuickSortLines(Variant& array, bool rows, std::int32_t key, std::int32_t low, std::int32_t high) {
    if (ArrayDims(array) != 2 || high <= low) return;
    const TableView at(array);
    const Bounds lines = rows ? at.rows : at.cols;
    const Bounds across = rows ? at.cols : at.rows;
    CheckIndex(key, across);
    CheckRange(low, high, lines);
    auto cell = [&](std::int32_t line, std::int32_t k) -> Variant& { return rows ? at(line, k) : at(k, line); };
    QuickSortPositions(
        low, high, [&](std::int32_t line) { return VariantKey{&cell(line, key)}; },
        [&](std::int32_t p, std::int32_t q) {
            if (p == q) return;
            for (std::int32_t k = across.lower; k <= across.upper; ++k) SwapElements(cell(p, k), cell(q, k));
        });
}

}  // namespace

void QuickSortColumnsByRow(Variant& array, std::int32_t keyRow, std::int32_t low, std::int32_t high) {
    QuickSortLines(array, false, keyRow, low, high);
}

void QuickSortRowsByColumn(Variant& array, std::int32_t keyColumn, std::int32_t low, std::int32_t high) {
    QuickSortLines(array, true, keyColumn, low, high);
}

void SortDoubles(std::span<double> values) {
    for (double v : values) {
        if (std::isnan(v)) {
            QuickSort1D(values, 0, static_cast<std::int32_t>(values.size()) - 1);
            return;
        }
    }
    std::sort(values.begin(), values.end());
}

std::string HexPad(const Variant& value, std::int16_t width) {
    std::uint32_t bits = 0;
    switch (value.type()) {
        case VarType::Byte: bits = CByte(value); break;
        case VarType::Int16: bits = static_cast<std::uint16_t>(CInt(value)); break;
        case VarType::Int32: bits = static_cast<std::uint32_t>(CLng(value)); break;
        default: return {};
    }
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    do {
        hex.insert(hex.begin(), kDigits[bits & 0xFu]);
        bits >>= 4;
    } while (bits != 0);
    const int effective = std::clamp<int>(width, 0, 8);
    if (static_cast<int>(hex.size()) < width && static_cast<int>(hex.size()) < effective)
        hex.insert(0, static_cast<std::size_t>(effective) - hex.size(), '0');
    return hex;
}

double Interpolate(double x, double x0, double y0, double x1, double y1) {
    double result;
    if (x1 == x0)
        result = (y0 + y1) / 2;
    else
        result = (x - x0) / (x1 - x0) * (y1 - y0) + y0;
    if (!std::isfinite(result) && std::isfinite(x) && std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) &&
        std::isfinite(y1))
        RaiseOverflow();
    return result;
}

}  // namespace nuvir::MUtilities
