#pragma once
// Helpers on arrays held in Variants: number of dimensions, joining into delimited
// text, transposing, the three in-place quicksorts with their exchanges, a padded
// hexadecimal text and linear interpolation.
//
// The quicksort's order of exchanges is part of its contract: the simulation's random
// order of the quantities and the order of equal keys depend on it. Every sort here,
// on Variant arrays and on plain doubles alike, runs through QuickSortPositions.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/variant.h"

namespace nuvir::MUtilities {

// Number of dimensions of a value; 0 for a scalar or an array never given bounds.
// Never raises.
std::int16_t ArrayDims(const Variant& value) noexcept;

// The elements of a one-dimensional array as text (Null gives ""), the delimiter
// between them. Anything but a one-dimensional array gives "". An element with no text
// form raises its conversion error.
std::string JoinArray1D(const Variant& array, std::string_view delimiter);
// The rows of a two-dimensional array joined by rowDelimiter, the entries of a row by
// columnDelimiter. Anything but a two-dimensional array gives "". Never raises: on an
// error the result is "ERROR:" followed by the text built so far, which still starts
// with a row delimiter.
std::string JoinArray2D(const Variant& array, std::string_view columnDelimiter, std::string_view rowDelimiter);

// A new two-dimensional array of generic values with result(j, i) = value(i, j) and the
// bounds of the two dimensions exchanged; any other value comes back as a copy.
Variant TransposeArray(const Variant& value);

// ---- the quicksort -------------------------------------------------------------
// Sorts positions low to high in ascending order of key(p), exchanging positions with
// swap(p, q) (also called with p == q). The pivot is the key at high, read afresh at
// every comparison; keys equal to the pivot stop both scans, so runs of equal keys
// split evenly. A comparison with no result (NaN, Null) counts as false. The lower
// part is finished before the upper part, exactly as the recursive form would, but the
// pending ranges live on a heap stack so ordered input cannot exhaust the call stack.
// key(p) must return something with operator<. Returns the largest number of pending
// ranges held at once (0 when high <= low).
template <class Key, class Swap>
std::size_t QuickSortPositions(std::int32_t low, std::int32_t high, Key&& key, Swap&& swap) {
    if (high <= low) return 0;
    struct Range {
        std::int32_t low;
        std::int32_t high;
    };
    std::vector<Range> pending;
    pending.reserve(32);
    pending.push_back({low, high});
    std::size_t peak = 1;
    while (!pending.empty()) {
        const Range r = pending.back();
        pending.pop_back();
        std::int32_t i = r.low - 1;
        std::int32_t k = r.high;
        do {
            do {
                ++i;
            } while (key(i) < key(r.high));
            do {
                --k;
            } while (k > r.low && key(r.high) < key(k));
            swap(i, k);
        } while (k > i);
        swap(i, k);  // undoes the last exchange of the loop
        swap(i, r.high);
        // Popped last-in first-out: the lower part (and all its parts) runs first.
        // Ranges of fewer than two positions would do nothing and are not kept.
        if (i + 1 < r.high) pending.push_back({i + 1, r.high});
        if (r.low < i - 1) pending.push_back({r.low, i - 1});
        peak = std::max(peak, pending.size());
    }
    return peak;
}

// Sorts the elements low to high of a one-dimensional array (indices as the array's
// bounds give them). Not one dimension, or high <= low: nothing happens. An index range
// outside the bounds raises Subscript out of range.
void QuickSort1D(Variant& array, std::int32_t low, std::int32_t high);
// The same algorithm on plain doubles, positions counted from 0.
std::size_t QuickSort1D(std::span<double> values, std::int32_t low, std::int32_t high);
// Reorders columns low to high of a two-dimensional array by their entries in keyRow.
void QuickSortColumnsByRow(Variant& array, std::int32_t keyRow, std::int32_t low, std::int32_t high);
// Reorders rows low to high of a two-dimensional array by their entries in keyColumn.
void QuickSortRowsByColumn(Variant& array, std::int32_t keyColumn, std::int32_t low, std::int32_t high);

// Ascending sort of plain doubles where the order of equal values cannot matter (the
// values themselves are the result): a standard O(n log n) sort, except that data
// holding NaN goes through QuickSort1D so the result stays what that sort gives.
void SortDoubles(std::span<double> values);

// ---- other helpers ---------------------------------------------------------------
// Upper-case hexadecimal text of a Byte, Int16 or Int32 value (two's complement for
// negative values), with "0"s in front up to the width limited to 0..8 when shorter
// than the width; never cut. Any other kind gives "".
std::string HexPad(const Variant& value, std::int16_t width);

// Linear interpolation (or extrapolation) through (x0, y0) and (x1, y1); the mean of y0
// and y1 when x0 = x1. A finite input giving an infinite result raises Overflow.
double Interpolate(double x, double x0, double y0, double x1, double y1);

}  // namespace nuvir::MUtilities
