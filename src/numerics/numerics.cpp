// Minimum and maximum, the file test and the array statistics. The distribution
// functions live in distributions.cpp.
#include "numerics/numerics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "numerics/accuratesums.h"
#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir {

namespace MathFunctions {

Variant Max(const Variant& a, const Variant& b) { return CDbl(b) > CDbl(a) ? b : a; }

Variant Min(const Variant& a, const Variant& b) { return CDbl(b) < CDbl(a) ? b : a; }

double ArrayMin(std::span<const double> values) {
    double m = NumericLimits::LargestDouble;
    for (double v : values)
        if (v < m) m = v;
    return m;
}

double ArrayMax(std::span<const double> values) {
    double m = NumericLimits::MostNegativeDouble;
    for (double v : values)
        if (v > m) m = v;
    return m;
}

}  // namespace MathFunctions

namespace FileFunctions {

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    const std::filesystem::path p(std::u8string(path.begin(), path.end()));
    const auto status = std::filesystem::status(p, ec);
    if (ec) return false;
    return std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

}  // namespace FileFunctions

namespace ArrayStatistics {

std::optional<double> Correlation(std::span<const double> a, std::span<const double> b) {
    const std::size_t n = a.size();
    if (n != b.size() || n < 2) return std::nullopt;
    // Two passes: the means first, then the centred sums, which keeps the result
    // accurate for data far from zero. The centred sums are of the columns scaled by
    // a power of two from their largest magnitudes, so that they cannot leave the
    // Double range, and are added in blocks (see accuratesums.h); their sums of the
    // deviations correct the rounding of the means. The first pass keeps its sums in
    // four parts over every fourth element, added at the end: four chains of additions
    // run side by side, where one chain waits for each addition before the next.
    constexpr std::size_t kLanes = 4;
    using Lanes = std::array<double, kLanes>;
    const std::size_t whole = n - n % kLanes;
    Lanes sa{}, sb{}, la{}, lb{};
    bool aVaries = false, bVaries = false;
    auto add = [&](std::size_t l, std::size_t i) {
        sa[l] += a[i];
        sb[l] += b[i];
        la[l] = std::fabs(a[i]) > la[l] ? std::fabs(a[i]) : la[l];
        lb[l] = std::fabs(b[i]) > lb[l] ? std::fabs(b[i]) : lb[l];
        aVaries |= a[i] != a[0];
        bVaries |= b[i] != b[0];
    };
    for (std::size_t i = 0; i < whole; i += kLanes)
#pragma GCC unroll 4
        for (std::size_t l = 0; l < kLanes; ++l) add(l, i + l);
    for (std::size_t i = whole; i < n; ++i) add(0, i);
    auto total = [](const Lanes& x) { return (x[0] + x[1]) + (x[2] + x[3]); };
    auto largest = [](const Lanes& x) { return std::max(std::max(x[0], x[1]), std::max(x[2], x[3])); };
    const double dn = static_cast<double>(n);
    const double scaleA = std::ldexp(1.0, -ScaleExponent(largest(la)));
    const double scaleB = std::ldexp(1.0, -ScaleExponent(largest(lb)));
    double ma = total(sa) / dn * scaleA, mb = total(sb) / dn * scaleB;
    // A value that is not finite makes its sum not finite; only then is it looked for.
    if (!std::isfinite(ma) || !std::isfinite(mb)) {
        for (std::size_t i = 0; i < n; ++i)
            if (!std::isfinite(a[i]) || !std::isfinite(b[i])) return std::nullopt;
        // Finite values whose sum overflows: the means at the scale.
        const auto [scaledA, scaledB] = BlockedSums<2>(n, [&](std::size_t i) {
            return std::array{a[i] * scaleA, b[i] * scaleB};
        });
        ma = scaledA / dn, mb = scaledB / dn;
    }
    // A column without spread has no correlation; its centred sum of squares is not
    // always exactly 0, since the rounded mean of equal values can differ from them.
    if (!aVaries || !bVaries) return std::nullopt;
    auto centred = [&](auto scaled) {
        return BlockedSums<5>(n, [&](std::size_t i) {
            const double da = (scaled ? a[i] * scaleA : a[i]) - ma;
            const double db = (scaled ? b[i] * scaleB : b[i]) - mb;
            return std::array{da, db, da * da, db * db, da * db};
        });
    };
    const auto [sumA, sumB, sumAA, sumBB, sumAB] = WithScaling(scaleA != 1.0 || scaleB != 1.0, centred);
    const double saa = sumAA - sumA * sumA / dn, sbb = sumBB - sumB * sumB / dn, sab = sumAB - sumA * sumB / dn;
    if (!(saa > 0.0) || !(sbb > 0.0)) return std::nullopt;
    double r = sab / (std::sqrt(saa) * std::sqrt(sbb));
    // Rounding may carry a perfect correlation a unit past 1.
    if (r > 1.0) r = 1.0;
    if (r < -1.0) r = -1.0;
    return r;
}

double Quantile(double p, std::span<const double> sorted) {
    const std::size_t n = sorted.size();
    if (n == 0) RaiseComponentError("Empty array passed to ArrayStatistics.Quantile");
    if (!(p >= 0.0 && p <= 1.0)) RaiseComponentError("Probability outside 0 to 1 passed to ArrayStatistics.Quantile");
    const double h = static_cast<double>(n - 1) * p;
    const double fl = std::floor(h);
    const std::size_t lo = static_cast<std::size_t>(fl);
    if (lo >= n - 1) return sorted[n - 1];
    const double f = h - fl;
    if (f == 0.0) return sorted[lo];
    const double a = sorted[lo], b = sorted[lo + 1];
    const double gap = b - a;
    if (std::isfinite(gap)) return a + f * gap;
    // Neighbours further apart than the largest Double (one near -1E308, the other near
    // 1E308): the weighted sum, whose terms and total lie within the range.
    return (1.0 - f) * a + f * b;
}

}  // namespace ArrayStatistics

}  // namespace nuvir
