// The per-run inverse beta against Boost's accurate (default-policy) inverse.
#include <gtest/gtest.h>

#include <boost/math/distributions/beta.hpp>

#include <algorithm>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "numerics/betaquantile.h"

namespace nuvir {
namespace {

struct Shape { double a, b; };
// U- and J-shaped, a or b below 1, both near 200, means near 0 and near 1, and the
// engine benchmark's shapes.
const Shape kShapes[] = {{0.19, 0.19}, {0.19, 204}, {204, 0.19}, {0.5, 3},  {0.7, 0.3},
                         {200, 210},   {51, 204},   {2, 150},    {150, 2},  {0.25, 40},
                         {13.8, 9.2},  {2.625, 2.625}, {3.87, 5.8}, {1, 1}};

double Ulps(double got, double expected) {
    return std::fabs(got - expected) / std::ldexp(1.0, std::ilogb(expected) - 52);
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
    for (const auto& [draws, octaves] : {std::pair{0.0, 0}, {511.0, 0}, {512.0, 1}, {10000.0, 5}, {16384.0, 6},
                                         {1e6, 11}, {1e7, 15}, {1e9, 15}})
        EXPECT_EQ(BetaQuantile::OctavesFor(draws), octaves) << draws;
    EXPECT_FALSE(BetaQuantile(2, 3, 0).Finish());  // nothing built serves nothing
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
            // Every octave, and a short run's few around the median (the search beyond).
            BetaQuantile q(shape.a, shape.b), backward(shape.a, shape.b), few(shape.a, shape.b, 3);
            q.BuildAll();
            few.BuildAll();
            for (int t = q.Tasks() - 1; t >= 0; --t) backward.BuildTask(t);
            // Usable, exact at the ends, without a value outside [0, 1], and the same
            // whatever the order of the build's steps.
            sound[s] = backward.Finish() && q.Usable() && few.Usable() && *q(0.0) == 0.0 && *q(1.0) == 1.0 &&
                       !q(-0.1) && !q(std::nan(""));
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
                worst[s] = std::max(worst[s], got && *got == *backward(u) ? Ulps(*got, expected) : 1e9);
                worst[s] = std::max(worst[s], fromFew ? Ulps(*fromFew, expected) : 1e9);
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

}  // namespace
}  // namespace nuvir
