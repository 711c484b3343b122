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

// x with I_x(a, b) = u, solved to 50 digits (mpmath's betainc, its residual below
// 1e-45) and given to 25: shapes just above 5e-4 with b other than 1, where the
// long-double search was up to 7 ulp off (its error times 1 / a), at draws of short runs;
// and two shapes near 0.001 around u = 1/2, where both closed forms leave the value to
// the search at every run length.
struct BetaRow {
    double a, b, u;
    long double x;
};
inline constexpr BetaRow kBetaRows[] = {
    {0.0006, 0.3, 0.8413909404588689, 1.842688809318976092032778e-124L},
    {0.0006, 0.3, 0.7690859419183607, 1.687282427131424258672407e-189L},
    {0.0006, 0.3, 0.7520277397751596, 9.82125676330081972206851e-206L},
    {0.0006, 0.3, 0.8890849626681436, 1.494540755232495174186473e-84L},
    {0.0006, 0.3, 0.7328092295488905, 1.794528480465409509908407e-224L},
    {0.0006, 0.3, 0.6986280864961496, 4.776777421879818614189707e-259L},
    {0.0006, 0.3, 0.99, 9.871659727880806502555072e-7L},
    {0.0006, 0.3, 0.9999999, 9.999999999999953679687647e-1L},
    {0.00055, 3.0, 0.6781158877734008, 4.251689395936820973728163e-308L},
    {0.00055, 3.0, 0.700128948874864, 7.148683260797737952553661e-283L},
    {0.00055, 3.0, 0.99, 2.586411938427849211231412e-9L},
    {0.000501, 0.000501, 0.4991063759430085, 2.734891048843448615166431e-2L},
    {0.000501, 0.000501, 0.49718882695575867, 1.294565234527874296704858e-5L},
    {0.000501, 0.000501, 0.4979062619978992, 2.301365011352428233855628e-4L},
    {0.000501, 0.000501, 0.49564225187833055, 2.57900971523970351552839e-8L},
    {0.000501, 0.000501, 0.49256802692869417, 1.042396106106345142343571e-13L},
    {0.0006, 0.0006, 0.49564225187833055, 4.607161371508877632323135e-7L},
    {0.0006, 0.0006, 0.4979062619978992, 9.15828623739464093239616e-4L},
    {0.0006, 0.0006, 0.49417979171443027, 3.34606620558710282354721e-9L},
    {0.0006, 0.0006, 0.49830456448585514, 3.463393336980186485410959e-3L},
    {0.0009, 0.0009, 0.49596074229891324, 1.216720150023463832271164e-4L},
    {0.0009, 0.0009, 0.4956262559024701, 5.749991600387435413548898e-5L},
    {0.0009, 0.0009, 0.49772544223183723, 6.258280224024087203939389e-3L},
    {0.001, 20.0, 0.5, 2.688973149030022720115893e-303L},
    {0.001, 20.0, 0.99, 1.24390433396647669220706e-6L},
};

// Ulps of the double nearest to x by which got is off x itself.
inline double UlpsOff(double got, long double x) {
    const double nearest = static_cast<double>(x);
    const double tiny = std::numeric_limits<double>::denorm_min();
    const double ulp = nearest == 0.0 ? tiny : std::max(std::ldexp(1.0, std::ilogb(nearest) - 52), tiny);
    return static_cast<double>(std::fabs(static_cast<long double>(got) - x)) / ulp;
}

}  // namespace nuvir::test
