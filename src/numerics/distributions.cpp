// The distribution functions. This is the only file that includes Boost.Math: each
// translation unit with it costs seconds and hundreds of megabytes to compile.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>

#include <boost/math/distributions/beta.hpp>
#include <boost/math/special_functions/beta.hpp>
#include <boost/math/distributions/lognormal.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <boost/math/policies/policy.hpp>

#include "numerics/betaquantile.h"
#include "numerics/numerics.h"
#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir {

namespace {

namespace bm = boost::math;
namespace pol = boost::math::policies;

// Double stays double: promoting to long double made the inverse beta about 17 times
// slower for accuracy the callers cannot use. Every domain problem throws, so one
// handler per function maps it to "no value" or our own error.
using Policy = pol::policy<pol::promote_double<false>, pol::promote_float<false>,
                           pol::domain_error<pol::throw_on_error>, pol::pole_error<pol::throw_on_error>,
                           pol::overflow_error<pol::throw_on_error>, pol::evaluation_error<pol::throw_on_error>,
                           pol::underflow_error<pol::ignore_error>, pol::denorm_error<pol::ignore_error>>;

using Normal = bm::normal_distribution<double, Policy>;
using Lognormal = bm::lognormal_distribution<double, Policy>;
using Beta = bm::beta_distribution<double, Policy>;
using StudentT = bm::students_t_distribution<double, Policy>;
// Boost's default policy (long double inside): the slow second attempt where the
// root finding in double gives up, as it does for small shapes far in a tail.
using PreciseBeta = bm::beta_distribution<double, pol::policy<>>;

constexpr double kInf = std::numeric_limits<double>::infinity();

[[noreturn]] void Fail(const char* function, const char* problem) {
    RaiseComponentError(std::string("Invalid argument passed to DistributionFunctions.") + function + ": " + problem);
}

bool InUnitInterval(double u) { return u >= 0.0 && u <= 1.0; }

}  // namespace

namespace DistributionFunctions {

double InverseNormal(double u, double mean, double sd) {
    if (!InUnitInterval(u)) Fail("InverseNormal", "probability outside 0 to 1");
    if (!(sd > 0.0) || !std::isfinite(sd) || !std::isfinite(mean))
        Fail("InverseNormal", "standard deviation not positive");
    if (u == 0.0) return -kInf;
    if (u == 1.0) return kInf;
    try {
        return bm::quantile(Normal(mean, sd), u);
    } catch (const std::exception& e) {
        Fail("InverseNormal", e.what());
    }
}

double InverseLognormal(double u, double mu, double sigma) {
    if (!InUnitInterval(u)) Fail("InverseLognormal", "probability outside 0 to 1");
    if (!(sigma > 0.0) || !std::isfinite(sigma) || !std::isfinite(mu)) Fail("InverseLognormal", "sigma not positive");
    if (u == 0.0) return 0.0;
    if (u == 1.0) return kInf;
    try {
        return bm::quantile(Lognormal(mu, sigma), u);
    } catch (const std::exception& e) {
        Fail("InverseLognormal", e.what());
    }
}

std::optional<double> InverseBeta(double u, double a, double b) {
    if (!InUnitInterval(u) || !(a > 0.0) || !(b > 0.0) || !std::isfinite(a) || !std::isfinite(b)) return std::nullopt;
    if (u == 0.0) return 0.0;
    if (u == 1.0) return 1.0;
    // The everyday inverse is wrong in most digits for the tiniest shapes.
    if (std::min(a, b) < betaquantile::kTinyShape)
        if (const auto x = betaquantile::TinyShapeInverse(u, a, b)) return x;
    try {
        return bm::quantile(Beta(a, b), u);
    } catch (const std::exception&) {
    }
    return betaquantile::PreciseInverseBeta(u, a, b);
}

double InverseStudentT(double alpha, double df, std::int32_t tails) {
    if (tails != 1 && tails != 2) Fail("InverseStudentT", "tails must be 1 or 2");
    if (!(df > 0.0)) Fail("InverseStudentT", "degrees of freedom not positive");
    const double q = alpha / tails;
    if (!InUnitInterval(q)) Fail("InverseStudentT", "probability outside 0 to 1");
    if (q == 0.0) return kInf;
    if (q == 1.0) return -kInf;
    try {
        return bm::quantile(bm::complement(StudentT(df), q));
    } catch (const std::exception& e) {
        Fail("InverseStudentT", e.what());
    }
}

std::optional<double> NormalDensity(double x, double mean, double sd) {
    if (!(sd > 0.0) || !std::isfinite(sd) || !std::isfinite(mean) || std::isnan(x)) return std::nullopt;
    if (std::isinf(x)) return 0.0;
    // The library squares the distance and the spread, which overflow (a mean of 1e300)
    // or vanish (a spread of 1e-200) to NaN long before the density does: there the
    // distance goes in spreads first.
    constexpr double kSquareSafe = 1e150;
    const double distance = std::fabs(x - mean);
    if (!(distance < kSquareSafe) || !(sd < kSquareSafe) || !(sd > 1.0 / kSquareSafe)) {
        const double z = distance / sd;
        return std::exp(-0.5 * z * z) / (sd * std::sqrt(2.0 * std::numbers::pi));
    }
    try {
        return bm::pdf(Normal(mean, sd), x);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<double> LognormalDensity(double x, double mu, double sigma) {
    if (!(sigma > 0.0) || !std::isfinite(sigma) || !std::isfinite(mu) || std::isnan(x)) return std::nullopt;
    if (x <= 0.0 || std::isinf(x)) return 0.0;
    try {
        return bm::pdf(Lognormal(mu, sigma), x);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<double> BetaDensity(double x, double a, double b) {
    if (!(a > 0.0) || !(b > 0.0) || !std::isfinite(a) || !std::isfinite(b) || std::isnan(x)) return std::nullopt;
    if (x < 0.0 || x > 1.0) return 0.0;
    try {
        const double d = bm::pdf(Beta(a, b), x);
        if (!std::isfinite(d)) return std::nullopt;
        return d;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace DistributionFunctions

namespace betaquantile {

std::optional<double> PreciseInverseBeta(double u, double a, double b) {
    try {
        return bm::quantile(PreciseBeta(a, b), u);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<long double> LogBeta(double a, double b) {
    try {
        const long double beta = bm::beta(static_cast<long double>(a), static_cast<long double>(b));
        if (!(beta > 0.0L) || !std::isfinite(beta)) return std::nullopt;
        return std::log(beta);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<long double> Solve(double a, double b, double p, bool upper, double start) {
    const auto startIn = [&](const auto& distribution) {
        return upper ? bm::quantile(bm::complement(distribution, p)) : bm::quantile(distribution, p);
    };
    if (!(start > 0.0 && start < 1.0)) {
        try {
            start = startIn(Beta(a, b));
        } catch (const std::exception&) {
            try {
                start = startIn(PreciseBeta(a, b));
            } catch (const std::exception&) {
                return std::nullopt;
            }
        }
    }
    if (!(start > 0.0 && start < 1.0)) return std::nullopt;
    // Newton steps on the long-double distribution function. The double start is
    // mostly a few dozen ulp off, so after one step the error is of the order of its
    // square, far below a double's last bit, and what is left is the long-double
    // function's own; the density only scales that small correction, so double
    // precision serves for it. Far in a tail of a large shape the start can be off in
    // its eighth digit: a step that large is followed by another.
    const long double la = a, lb = b, lp = p;
    long double x = start;
    try {
        for (int step = 0; step < 4; ++step) {
            const long double f = upper ? bm::ibetac(la, lb, x) : bm::ibeta(la, lb, x);
            const double d = bm::ibeta_derivative(a, b, static_cast<double>(x), Policy());
            if (!(d > 0.0)) return std::nullopt;
            const long double next = x + (upper ? (f - lp) : (lp - f)) / d;
            if (!(next > 0.0L && next < 1.0L)) return std::nullopt;
            const bool small = std::fabs(next - x) <= std::ldexp(next, -32);
            x = next;
            if (small) break;
        }
        return x;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace betaquantile

}  // namespace nuvir
