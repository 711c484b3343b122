#include "utilities/utilities_rounding.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "runtime/error.h"

namespace nuvir::MUtilities {

namespace {

// A finite x whose scaled value t is no longer finite: the product overflowed.
void CheckScaled(double x, double t) {
    if (std::isfinite(x) && !std::isfinite(t)) RaiseOverflow();
}

// The division by the factor: a factor that underflowed to 0 leaves 0 / 0, which the
// runtime reports as Overflow; a number never comes back as NaN.
double Unscaled(double x, double t, double f) {
    const double r = t / f;
    if (!std::isnan(x) && !std::isfinite(r)) RaiseOverflow();
    return r;
}

// The factor 10^-n of place n in two parts, applied one after the other: the factor
// and 1, or for places finer than 1e-308 (which tiny and subnormal values have), whose
// factor lies beyond the Double range, 1e300 and the rest.
struct PlaceFactor {
    double first;
    double rest;
};

PlaceFactor FactorOf(std::int16_t n) {
    const double f = std::pow(10.0, -static_cast<double>(n));
    if (!std::isinf(f)) return {f, 1.0};
    return {1e300, std::pow(10.0, -static_cast<double>(n) - 300.0)};
}

double ScaledBy(double x, const PlaceFactor& p) {
    const double t = p.first * x * p.rest;
    CheckScaled(x, t);
    return t;
}

double UnscaledBy(double x, double t, const PlaceFactor& p) { return Unscaled(x, t / p.rest, p.first); }

}  // namespace

double RoundToPlace(double x, std::int16_t n) {
    const PlaceFactor f = FactorOf(n);
    const double t = ScaledBy(x, f);
    return UnscaledBy(x, std::floor(t + 0.5), f);
}

double RoundDownToPlace(double x, std::int16_t n) {
    const PlaceFactor f = FactorOf(n);
    double t = ScaledBy(x, f);
    if (std::floor(t) < t) t = std::floor(t);
    return UnscaledBy(x, t, f);
}

double RoundUpToPlace(double x, std::int16_t n) {
    const PlaceFactor f = FactorOf(n);
    double t = ScaledBy(x, f);
    if (std::floor(t) < t) t = std::floor(t) + 1;
    return UnscaledBy(x, t, f);
}

double RoundSigFigs(double x, std::int32_t d) {
    // Infinity and NaN have no figures to round.
    if (d > 15 || d < 1 || x == 0 || !std::isfinite(x)) return x;
    // Below 1e-300 the power of ten of the decade is subnormal or 0 and keeps few of its
    // figures (1e-320 came out as 9.980e-321, 4.9e-324 as 0): the figures are rounded on
    // the value scaled into the normal range, whose product errs far below them.
    constexpr double kTinyScale = 1e300;
    if (std::fabs(x) < 1 / kTinyScale) return RoundSigFigs(x * kTinyScale, d) / kTinyScale;
    // The decade from two natural logarithms, kept as it is: callers format the
    // result to fewer digits than the last-digit error this can leave.
    const double e = std::log(std::fabs(x)) / std::log(10.0);
    const double ip = std::floor(e);
    const double m = std::pow(10.0, e - ip);
    double r = RoundToPlace(m, static_cast<std::int16_t>(1 - d));
    r = std::pow(10.0, ip) * r;
    // The largest numbers can round up beyond the Double range.
    if (!std::isfinite(r)) RaiseOverflow();
    return r * (x < 0 ? -1.0 : 1.0);
}

bool NearlyEqual(double x, double y) {
    if (x == y) return true;
    // The two patterns must agree in every bit from bit 10 up.
    constexpr std::uint64_t kIgnored = 0x3FF;
    return (std::bit_cast<std::uint64_t>(x) | kIgnored) == (std::bit_cast<std::uint64_t>(y) | kIgnored);
}

}  // namespace nuvir::MUtilities
