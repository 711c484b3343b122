#pragma once
// The program's numeric services: minimum and maximum, the numeric limits and the
// "no value" marker, a file-exists test, inverse distribution functions and densities,
// correlation and quantiles of arrays. The groups are namespaces named after the
// program-wide objects the rest of the code reaches them through
// (MathFunctions::Max, NumericLimits::LowestDouble, DistributionFunctions::InverseBeta).
//
// "No value" results are std::optional. Min and Max also take dynamically typed
// numbers, for callers that hold them.
//
// Failures: the inverse normal, lognormal and Student t and the quantile raise
// AppError 255 (RaiseComponentError) for arguments outside their domain; the inverse
// beta, the densities and the correlation return no value instead. Min, Max and the
// constants never raise.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "runtime/variant.h"

namespace nuvir {

// ---- NumericLimits -----------------------------------------------------------
// The two Double limits are the largest magnitudes whose 15-significant-digit text
// ("1.79769313486231E+308") reads back to the same value, so a marker that ends up in
// a settings or export text survives the round trip instead of overflowing.
namespace NumericLimits {
inline constexpr double LargestDouble = 1.79769313486231e308;
// Below every value the program handles: the start of a maximum search and the
// engine's "no value" marker.
inline constexpr double MostNegativeDouble = -1.79769313486231e308;
// The same value under the name the drawing code uses: there is one marker.
inline constexpr double LowestDouble = MostNegativeDouble;
inline constexpr float LargestSingle = 3.402823466e38f;
inline constexpr float MostNegativeSingle = -3.402823466e38f;
// The quantity number of an editor that has not been given one (outside 0 to 12).
inline constexpr std::int32_t UnsetLong = -2147483647 - 1;
}  // namespace NumericLimits

// The "no value" marker of the engine's results.
inline constexpr double kNoValue = NumericLimits::LowestDouble;

// ---- MathFunctions -----------------------------------------------------------
namespace MathFunctions {
// The larger / smaller of two numbers; on a tie, or when the comparison has no
// result (NaN), the first argument.
inline double Max(double a, double b) { return b > a ? b : a; }
inline double Min(double a, double b) { return b < a ? b : a; }
// The same on dynamically typed numbers, compared as CDbl converts them (any number
// kind, Empty counts as 0): the chosen argument is returned unchanged, keeping its
// kind. Non-numeric text and Null raise as CDbl does.
Variant Max(const Variant& a, const Variant& b);
Variant Min(const Variant& a, const Variant& b);
// Smallest / largest element; an empty array gives LargestDouble / MostNegativeDouble
// (the start values of the searches). NaN elements are skipped.
double ArrayMin(std::span<const double> values);
double ArrayMax(std::span<const double> values);
}  // namespace MathFunctions

// ---- FileFunctions -----------------------------------------------------------
namespace FileFunctions {
// True when something other than a folder exists at the path (UTF-8, "/" separators).
// Never raises: an empty or unreadable path gives False.
bool FileExists(const std::string& path);
}  // namespace FileFunctions

// ---- DistributionFunctions ---------------------------------------------------
// Computed in double precision throughout (no promotion to long double): relative
// accuracy a few units of 1e-15 for the normal and lognormal, about 1e-13 for the
// beta and Student t inverses.
namespace DistributionFunctions {
// x with P(X <= x) = u for the normal distribution. u outside 0..1 or sd <= 0 raises;
// u = 0 and u = 1 give -infinity and +infinity.
double InverseNormal(double u, double mean, double sd);
// The same for the lognormal with mu and sigma the mean and standard deviation of the
// logarithm. u = 0 gives 0, u = 1 +infinity; sigma <= 0 or u outside 0..1 raises.
double InverseLognormal(double u, double mu, double sigma);
// The same for the beta distribution with shapes a, b > 0 (u = 0 gives 0, u = 1 gives
// 1); no value for invalid arguments (u outside 0..1, a or b not positive, NaN) and
// where no root can be found (u within about 1e-12 of an end for small shapes).
std::optional<double> InverseBeta(double u, double a, double b);
// The positive t that Student's t with df degrees of freedom exceeds with probability
// q = alpha / tails (tails 1 or 2). q = 0 gives +infinity. q outside 0..1, df <= 0 or
// another tails raises.
double InverseStudentT(double alpha, double df, std::int32_t tails);

// Densities; no value where the density is not defined (invalid parameters, an
// infinite density at an end of the beta's support). Outside the support the density
// is 0 (lognormal x <= 0, beta x outside 0..1).
std::optional<double> NormalDensity(double x, double mean, double sd);
std::optional<double> LognormalDensity(double x, double mu, double sigma);
std::optional<double> BetaDensity(double x, double a, double b);
}  // namespace DistributionFunctions

// ---- ArrayStatistics ---------------------------------------------------------
namespace ArrayStatistics {
// Pearson product-moment correlation; no value when the lengths differ, there are
// fewer than two pairs, either array has zero variance or a value is not finite.
std::optional<double> Correlation(std::span<const double> a, std::span<const double> b);
// The p-quantile of an ascending array, 0 <= p <= 1: linear interpolation between the
// elements at positions floor(h) and floor(h) + 1 with h = (n - 1) p, so p = 0 gives
// the first and p = 1 the last element, also between neighbours further apart than the
// largest Double. An empty array or p outside 0..1 raises.
double Quantile(double p, std::span<const double> sorted);
}  // namespace ArrayStatistics

// ---- AuxFunctions ------------------------------------------------------------
namespace AuxFunctions {
// The sign of x: -1, 0 or 1 (0 for NaN). The bar hit test multiplies the distance
// between a bar's value and the mouse by the sign of the mouse position, so the test
// is non-negative exactly while the mouse lies between the zero line and the bar's end.
inline int Sign(float x) { return x > 0.0f ? 1 : (x < 0.0f ? -1 : 0); }
}  // namespace AuxFunctions

}  // namespace nuvir
