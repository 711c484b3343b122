#include "utilities/criticalcorrelation.h"

#include <cmath>
#include <string>

#include "numerics/numerics.h"
#include "runtime/convert.h"
#include "utilities/utilities_arrays.h"

namespace nuvir::MKelvaro {

Variant CriticalCorrelation(std::int32_t n, double alpha, std::int32_t tails) {
    using MathFunctions::Max;
    using MathFunctions::Min;
    alpha = Max(Min(alpha, 1.0), 0.0);
    tails = static_cast<std::int32_t>(Max(Min(static_cast<double>(tails), 2.0), 1.0));
    const double q = alpha / tails;
    if (n < 20 || !(q < 0.5)) return Variant();
    double t;
    if (n > 50000)
        t = DistributionFunctions::InverseNormal(1 - q, 0, 1);
    else
        t = DistributionFunctions::InverseStudentT(alpha, n - 2, tails);
    // alpha = 0 asks for certainty: the critical t is infinite and r tends to 1
    // (the formula itself would give infinity over infinity).
    if (std::isinf(t)) return Variant(1.0);
    return Variant(t / std::sqrt(t * t + (n - 2)));
}

bool ArraysEqual(const Variant& a, const Variant& b) {
    if (a.type() != b.type()) return false;
    if (a.isArray() && a.elemKind() != b.elemKind()) return false;
    const int d = MUtilities::ArrayDims(a);
    if (MUtilities::ArrayDims(b) != d || d == 0) return false;
    for (int dim = 1; dim <= d; ++dim) {
        const Bounds ba = a.bounds(dim);
        const Bounds bb = b.bounds(dim);
        if (ba.lower != bb.lower || ba.upper != bb.upper) return false;
    }
    if (d == 1) return MUtilities::JoinArray1D(a, ",") == MUtilities::JoinArray1D(b, ",");
    if (d == 2) return MUtilities::JoinArray2D(a, "\t", "\r") == MUtilities::JoinArray2D(b, "\t", "\r");
    // More dimensions: the same text rule, element by element in storage order.
    const auto& ea = a.elements();
    const auto& eb = b.elements();
    for (std::size_t i = 0; i < ea.size(); ++i)
        if (TextOf(ea[i]) != TextOf(eb[i])) return false;
    return true;
}

}  // namespace nuvir::MKelvaro
