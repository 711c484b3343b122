#pragma once
// The reference of the tests that hold a double inverse beta to a few ulp: the library's
// inverse in quadruple precision, and the distance in ulp they measure by. The library's
// own double inverse cannot serve: for the tiniest shapes it is off by hundreds of ulp.
// Needs the GNU dialect (CXX_EXTENSIONS) for the quadruple type.
#include <boost/math/distributions/beta.hpp>
#include <boost/multiprecision/float128.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <random>

namespace nuvir::test {

// A subnormal's ulp is the smallest subnormal, and so is 0's (whose binary exponent
// ilogb gives as INT_MIN).
inline double Ulps(double got, double expected) {
    const double tiny = std::numeric_limits<double>::denorm_min();
    const double ulp = expected == 0.0 ? tiny : std::max(std::ldexp(1.0, std::ilogb(expected) - 52), tiny);
    return std::fabs(got - expected) / ulp;
}

// The most ulp by which inverse(u), an optional double, is off the quadruple-precision
// inverse of Beta(a, b) over `draws` uniform numbers from `seed`; infinite where it
// gives no value.
template <class Inverse>
double WorstUlpsOffQuadruple(Inverse inverse, double a, double b, int draws, unsigned seed) {
    using boost::multiprecision::float128;
    const boost::math::beta_distribution<float128> accurate(a, b);
    std::mt19937_64 g(seed);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    double worst = 0;
    for (int i = 0; i < draws; ++i) {
        const double u = uniform(g);
        const std::optional<double> got = inverse(u);
        if (!got) return std::numeric_limits<double>::infinity();
        worst = std::max(worst, Ulps(*got, static_cast<double>(boost::math::quantile(accurate, float128(u)))));
    }
    return worst;
}

}  // namespace nuvir::test
