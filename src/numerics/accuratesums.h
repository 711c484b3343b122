#pragma once
// Sums over long columns that keep near full precision at any scale, for the run's
// statistics, correlations and least-squares cross products.
//
// Two hazards meet there. A plain running sum of a million terms can lose six of its
// sixteen digits, and the one-pass variance (sum of squares minus the squared sum
// over n) cancels away every digit of a column like 1E9 +- 1. And squares leave the
// Double range: values of 1E155 overflow, deviations of 1E-170 vanish. So callers
// centre first (two passes: the mean, then sums of deviations from it), scale a
// column whose squares could leave the range by a power of two (exact, so the sums
// are those of the unscaled values) that brings its largest magnitude to about 1, and
// add with BlockedSums: plain additions in two interleaved lanes over short blocks,
// and the block totals added with their rounding errors carried (Neumaier), so the
// error is that of a 64-term sum whatever the column's length.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <type_traits>

namespace nuvir {

// A running total that carries the rounding error of each addition.
struct CompensatedSum {
    double sum = 0.0;
    double carry = 0.0;
    void Add(double x) {
        const double t = sum + x;
        carry += std::fabs(sum) >= std::fabs(x) ? (sum - t) + x : (x - t) + sum;
        sum = t;
    }
    double Value() const { return sum + carry; }
};

// The exponent e for which x * 2^-e of the largest magnitude lies in [0.5, 1), or 0
// (no scaling) while the largest magnitude lies between 2^-400 and 2^400: there the
// squares of the deviations, and their sums over 2^31 terms, stay normal Doubles
// anyway, and the scaling, being exact, would change nothing but the time. 0 also for 0
// and for values that are not finite (nothing to scale). Held where 2^-e and 2^e both
// stay Doubles.
inline int ScaleExponent(double largestMagnitude) {
    if (!(largestMagnitude > 0.0) || !std::isfinite(largestMagnitude)) return 0;
    const int e = std::ilogb(largestMagnitude) + 1;
    if (e > -400 && e <= 400) return 0;
    return std::clamp(e, -1021, 1023);
}

// f(std::true_type{}) for a scaled column, else f(std::false_type{}): compiled twice, so
// that an unscaled column (the usual case) skips the multiplications by 1.
template <class F>
auto WithScaling(bool scaled, F f) {
    return scaled ? f(std::true_type{}) : f(std::false_type{});
}

// K sums over the elements 0 to n - 1: terms(i) returns element i's K terms. Within a
// block of 128 elements the terms go into two lanes, the even and the odd elements,
// which keeps two chains of additions running side by side and up to a dozen sums in
// registers; the block totals are then added with their rounding carried.
template <std::size_t K, class Terms>
std::array<double, K> BlockedSums(std::size_t n, Terms terms) {
    constexpr std::size_t kBlock = 128;
    std::array<CompensatedSum, K> total{};
    for (std::size_t start = 0; start < n; start += kBlock) {
        const std::size_t end = std::min(n, start + kBlock);
        std::array<double, K> even{}, odd{};
        std::size_t i = start;
        for (; i + 2 <= end; i += 2) {
            const std::array<double, K> t0 = terms(i), t1 = terms(i + 1);
#pragma GCC unroll 16
            for (std::size_t k = 0; k < K; ++k) even[k] += t0[k], odd[k] += t1[k];
        }
        if (i < end) {
            const std::array<double, K> t = terms(i);
#pragma GCC unroll 16
            for (std::size_t k = 0; k < K; ++k) even[k] += t[k];
        }
#pragma GCC unroll 16
        for (std::size_t k = 0; k < K; ++k) total[k].Add(even[k] + odd[k]);
    }
    std::array<double, K> out{};
    for (std::size_t k = 0; k < K; ++k) out[k] = total[k].Value();
    return out;
}

}  // namespace nuvir
