// The per-run inverse beta against Boost's accurate (default-policy) inverse.
#include <gtest/gtest.h>

#include <boost/math/distributions/beta.hpp>
#include <boost/multiprecision/float128.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "betareference.h"
#include "numerics/betaquantile.h"
#include "numerics/numerics.h"

namespace nuvir {
namespace {

// whole: every octave of a full build is served by its polynomials or the closed forms
// (with b in the thousands the far upper tail's are left to the library, and with a
// shape below 5e-4 whatever the closed forms leave).
struct Shape {
    double a, b;
    bool whole = true;
};
// U- and J-shaped, a or b below 1, both near 200, means near 0 and near 1, the engine
// benchmark's shapes, and shapes near 0.01, whose quantiles span hundreds of binary
// orders and fall below the smallest double. Then the tiniest shapes, where Q moves by
// 1 / a times any relative error in its formula: a near 1e-4 (p1 with mean 0.0002 and
// SD 0.01155 gives a = 9.97844867974739E-05, b = 0.498822649500572), 2e-6, 1e-8 and
// 1e-12, both shapes tiny, and a tiny a with a b near 0.
const Shape kShapes[] = {{0.19, 0.19},
                         {0.19, 204},
                         {204, 0.19},
                         {0.5, 3},
                         {0.7, 0.3},
                         {200, 210},
                         {51, 204},
                         {2, 150},
                         {150, 2},
                         {0.25, 40},
                         {13.8, 9.2},
                         {2.625, 2.625},
                         {3.87, 5.8},
                         {1, 1},
                         {0.010018, 1.0019},
                         {2, 9998.02, false},
                         {0.0206, 0.0206},
                         {1.0217, 0.01032},
                         {0.00899, 8.981},
                         {0.0192, 0.9408},
                         {9.97844867974739e-05, 0.498822649500572, false},
                         {1e-4, 0.5, false},
                         {2e-6, 0.5, false},
                         {2e-6, 3, false},
                         {0.0002, 0.9, false},
                         {1e-8, 0.5},
                         {1e-12, 0.3},
                         {1e-5, 1e-5, false},
                         {1e-6, 1e-6, false},
                         {1e-3, 1e-8}};

using test::Ulps;

// Ulps off the accurate inverse. For the tiniest shapes the library's double inverse,
// which works in long double, is itself off by up to 1 / a times its rounding (1,400
// ulp at a = b = 1e-6, checked against a 60-digit solution); where it and `got` are
// more than 2 ulp apart, the same inverse in quadruple precision decides.
double UlpsOffAccurate(double got, double u, double a, double b, double expected) {
    const double off = Ulps(got, expected);
    if (off <= 2.0) return off;
    using boost::multiprecision::float128;
    try {
        const float128 x = boost::math::quantile(boost::math::beta_distribution<float128>(a, b), float128(u));
        return Ulps(got, static_cast<double>(x));
    } catch (const std::exception&) {
        return off;
    }
}

// The probabilities a shape is checked at: uniform, log-uniform toward either tail,
// and the ends of the promised range.
std::vector<double> Probabilities(unsigned seed, int n) {
    std::mt19937_64 g(seed);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::vector<double> u = {std::ldexp(1.0, -48), 1e-12, 1 - 1e-12, 1 - std::ldexp(1.0, -48), 0.5};
    while (static_cast<int>(u.size()) < n) {
        const double r = uniform(g);
        const double tail = std::ldexp(1.0, -static_cast<int>(uniform(g) * 47) - 2) * (1 + uniform(g));
        const std::size_t kind = u.size() % 4;
        u.push_back(kind == 0 ? tail : kind == 1 ? 1 - tail : r);
    }
    return u;
}

// A run of n draws builds the octaves that receive at least 128 draws: octave k of
// either half holds u from 2^-(k+2) to 2^-(k+1).
TEST(BetaQuantile, AShortRunBuildsOnlyTheOctavesThatPay) {
    for (const auto& [draws, octaves] :
         {std::pair{0.0, 0}, {511.0, 0}, {512.0, 1}, {10000.0, 5}, {16384.0, 6}, {1e6, 11}, {1e7, 15}, {1e9, 15}})
        EXPECT_EQ(BetaQuantile::OctavesFor(draws), octaves) << draws;
    BetaQuantile none(2, 3, 0);
    none.BuildAll();
    EXPECT_FALSE(none.Usable());  // nothing built serves nothing
}

// Where Q or 1 - Q is tiny the closed forms serve, so a shape near 0.01 builds about as
// many parts as an everyday one instead of hundreds per octave (whose values would fall
// below the smallest double and fail their check); an everyday shape builds as before.
TEST(BetaQuantile, SkewedShapesBuildOnlyThePartsTheClosedFormsLeave) {
    struct Case {
        const char* name;
        double a, b, draws;
        int mostParts;
    };
    const Case cases[] = {
        {"a = 0.01, b = 1 (Q below 2^-29 up to u = 0.8)", 0.010018, 1.0019, 1e4, 48},
        {"a = b = 0.02", 0.0206, 0.0206, 1e4, 96},
        {"a = 1, b = 0.01", 1.0217, 0.01032, 1e4, 40},
        {"a = 0.009, every octave (Q below the smallest double from u = 2^-11)", 0.00899, 8.981, 1e300, 96},
        {"a = 0.019, b = 0.94, every octave", 0.0192, 0.9408, 1e300, 96},
        {"everyday shape: two parts an octave", 13.8, 9.2, 1e4, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BetaQuantile q(c.a, c.b, BetaQuantile::OctavesFor(c.draws), c.draws);
        q.BuildAll();
        EXPECT_TRUE(q.Usable());
        EXPECT_LE(q.PartsBuilt(), c.mostParts);
    }
}

TEST(BetaQuantile, WithinFourUlpOfTheAccurateInverseForEveryShapeAndBuildOrder) {
    constexpr int kValues = 100000;
    const int n = static_cast<int>(std::size(kShapes));
    std::vector<double> worst(n, 0.0);
    std::vector<int> sound(n, 0), checked(n, 0);
    std::vector<std::thread> pool;
    for (int s = 0; s < n; ++s) {
        pool.emplace_back([&, s] {
            const Shape shape = kShapes[s];
            // Every octave, and a short run's: the few around the median that pay (the
            // search beyond and where they do not).
            BetaQuantile q(shape.a, shape.b), backward(shape.a, shape.b), few(shape.a, shape.b, 5, 1e4);
            q.BuildAll();
            few.BuildAll();
            do {
                for (int t = backward.Tasks() - 1; t >= 0; --t) backward.BuildTask(t);
            } while (backward.NextRound());
            // Usable, exact at the ends, without a value outside [0, 1], and the same
            // whatever the order of the build's steps.
            sound[s] = backward.Usable() == shape.whole && q.Usable() == shape.whole && *q(0.0) == 0.0 &&
                       *q(1.0) == 1.0 && !q(-0.1) && !q(std::nan(""));
            const boost::math::beta_distribution<double> accurate(shape.a, shape.b);
            for (const double u : Probabilities(static_cast<unsigned>(s), kValues + kValues / 8)) {
                double expected = 0;
                try {
                    expected = boost::math::quantile(accurate, u);
                } catch (const std::exception&) {
                    // Far in a tail the library's own search can give up.
                    continue;
                }
                ++checked[s];
                const auto got = q(u), fromFew = few(u);
                worst[s] = std::max(worst[s], got && *got == *backward(u)
                                                  ? UlpsOffAccurate(*got, u, shape.a, shape.b, expected)
                                                  : 1e9);
                worst[s] = std::max(worst[s], fromFew ? UlpsOffAccurate(*fromFew, u, shape.a, shape.b, expected) : 1e9);
            }
        });
    }
    for (auto& t : pool) t.join();
    for (int s = 0; s < n; ++s) {
        SCOPED_TRACE(testing::Message() << "a = " << kShapes[s].a << ", b = " << kShapes[s].b);
        EXPECT_TRUE(sound[s]);
        EXPECT_LE(worst[s], 4.0);
        EXPECT_GE(checked[s], kValues);
    }
}

// p1 with mean 0.0002 and SD 0.01155: k = m (1 - m) / SD^2 - 1, a = m k and b = (1 - m) k
// (to 15 digits, as the run keeps them). A run of 3000 trials builds what pays for
// its draws; every draw is within 4 ulp of the inverse in quadruple precision (most
// lie below the smallest double, where 0 is exact).
TEST(BetaQuantile, ARunOfATinyMeanDrawsWithinFourUlp) {
    const double a = 9.97844867974739e-05, b = 0.498822649500572;
    constexpr int kTrials = 3000;
    BetaQuantile q(a, b, BetaQuantile::OctavesFor(kTrials), kTrials);
    q.BuildAll();
    std::mt19937_64 g(49);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    using boost::multiprecision::float128;
    const boost::math::beta_distribution<float128> accurate(a, b);
    int over = 0, nonZero = 0;
    double worst = 0;
    for (int i = 0; i < kTrials; ++i) {
        const double u = uniform(g);
        const double expected = static_cast<double>(boost::math::quantile(accurate, float128(u)));
        const auto got = q(u);
        ASSERT_TRUE(got) << u;
        const double off = Ulps(*got, expected);
        worst = std::max(worst, off);
        over += off > 4.0;
        nonZero += expected > 0.0;
    }
    EXPECT_EQ(over, 0) << "worst " << worst;
    EXPECT_GT(nonZero, 150) << "the draws reach the values above 0";
}

// Whatever the run's length (none, some or all of the octaves built), and for the search
// alone, each draw of the 50-digit rows is within 4 ulp.
TEST(BetaQuantile, WithinFourUlpOfTheFiftyDigitRowsAtEveryRunLength) {
    for (const test::BetaRow& row : test::kBetaRows) {
        SCOPED_TRACE(testing::Message() << "a = " << row.a << ", b = " << row.b << ", u = " << row.u);
        const auto searched = betaquantile::AccurateInverseBeta(row.u, row.a, row.b);
        ASSERT_TRUE(searched);
        EXPECT_LE(test::UlpsOff(*searched, row.x), 4.0);
        for (const double trials : {2.0, 300.0, 511.0, 512.0, 1e4, 1e6, 1e300}) {
            SCOPED_TRACE(trials);
            BetaQuantile q(row.a, row.b, BetaQuantile::OctavesFor(trials), trials);
            q.BuildAll();
            const auto got = q(row.u);
            ASSERT_TRUE(got);
            EXPECT_LE(test::UlpsOff(*got, row.x), 4.0);
        }
    }
}

// The library's inverse, whose everyday method is wrong in most digits for the tiniest
// shapes, stays within 4 ulp of the inverse in quadruple precision for them.
TEST(BetaQuantile, TheLibrarysInverseForTheTiniestShapes) {
    for (const auto& [a, b] : {std::pair{9.97844867974739e-05, 0.498822649500572}, {1e-5, 1e-5}, {2e-6, 3.0}}) {
        SCOPED_TRACE(testing::Message() << "a = " << a << ", b = " << b);
        const auto inverse = [a = a, b = b](double u) { return DistributionFunctions::InverseBeta(u, a, b); };
        EXPECT_LE(test::WorstUlpsOffQuadruple(inverse, a, b, 500, 7), 4.0);
    }
}

}  // namespace
}  // namespace nuvir
