// Inverse distributions and densities: published values, hand-worked values, the
// domain ends, and the accuracy kept against Boost's default (long double) policy.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/lognormal.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>

#include "numerics/numerics.h"
#include "runtime/convert.h"
#include "runtime/error.h"

using namespace nuvir;
namespace DF = nuvir::DistributionFunctions;

namespace {

double RelDiff(double a, double b) {
    if (a == b) return 0.0;
    return std::fabs(a - b) / std::max(std::fabs(a), std::fabs(b));
}

int ErrorNumberOf(auto&& f) {
    try {
        f();
    } catch (const AppError& e) {
        return e.number();
    }
    return 0;
}

}  // namespace

TEST(NumericsInverse, NormalMatchesPublishedQuantiles) {
    EXPECT_NEAR(DF::InverseNormal(0.975, 0, 1), 1.959963984540054, 1e-14);
    EXPECT_NEAR(DF::InverseNormal(0.95, 0, 1), 1.6448536269514722, 1e-14);
    EXPECT_NEAR(DF::InverseNormal(0.025, 0, 1), -1.959963984540054, 1e-14);
    EXPECT_DOUBLE_EQ(DF::InverseNormal(0.5, 3, 2), 3.0);
    // Location and scale: mean + sd z.
    EXPECT_NEAR(DF::InverseNormal(0.975, 10, 2), 10 + 2 * 1.959963984540054, 1e-13);
}

TEST(NumericsInverse, NormalDomainEnds) {
    EXPECT_EQ(DF::InverseNormal(0.0, 0, 1), -INFINITY);
    EXPECT_EQ(DF::InverseNormal(1.0, 0, 1), INFINITY);
    EXPECT_EQ(ErrorNumberOf([] { DF::InverseNormal(1.5, 0, 1); }), 255);
    EXPECT_EQ(ErrorNumberOf([] { DF::InverseNormal(-0.1, 0, 1); }), 255);
    EXPECT_EQ(ErrorNumberOf([] { DF::InverseNormal(0.5, 0, 0); }), 255);
    EXPECT_EQ(ErrorNumberOf([] { DF::InverseNormal(NAN, 0, 1); }), 255);
}

TEST(NumericsInverse, LognormalMedianIsExpOfMu) {
    EXPECT_NEAR(DF::InverseLognormal(0.5, 1.3, 0.4), std::exp(1.3), 1e-14);
    EXPECT_NEAR(DF::InverseLognormal(0.5, 0, 2), 1.0, 1e-15);
    // exp(mu + sigma z(0.975))
    EXPECT_NEAR(DF::InverseLognormal(0.975, 0.5, 0.3), std::exp(0.5 + 0.3 * 1.959963984540054), 1e-13);
    EXPECT_EQ(DF::InverseLognormal(0.0, 0, 1), 0.0);
    EXPECT_EQ(DF::InverseLognormal(1.0, 0, 1), INFINITY);
    EXPECT_EQ(ErrorNumberOf([] { DF::InverseLognormal(0.5, 0, -1); }), 255);
}

TEST(NumericsInverse, BetaValuesAndNullCases) {
    EXPECT_NEAR(*DF::InverseBeta(0.5, 2, 2), 0.5, 1e-15);
    // Beta(2, 2) has F(x) = 3x^2 - 2x^3: F(0.2) = 0.104.
    EXPECT_NEAR(*DF::InverseBeta(0.104, 2, 2), 0.2, 1e-13);
    // Beta(1, 1) is uniform.
    EXPECT_NEAR(*DF::InverseBeta(0.37, 1, 1), 0.37, 1e-15);
    // Beta(a, 1) has F(x) = x^a.
    EXPECT_NEAR(*DF::InverseBeta(0.25, 2, 1), 0.5, 1e-14);
    // Far in the lower tail x^a / (a B(a, b)) = u, with B(0.5, 3) = 16/15; the
    // double-only root finding gives up here and the long double one answers.
    EXPECT_NEAR(*DF::InverseBeta(1e-8, 0.5, 3), std::pow(1e-8 * 0.5 * 16 / 15, 2), 1e-22);
    EXPECT_EQ(*DF::InverseBeta(1.0, 2, 0.5), 1.0);
    EXPECT_EQ(*DF::InverseBeta(0.0, 2, 3), 0.0);
    EXPECT_EQ(*DF::InverseBeta(1.0, 2, 3), 1.0);
    EXPECT_FALSE(DF::InverseBeta(0.5, 0, 2));
    EXPECT_FALSE(DF::InverseBeta(0.5, 2, -1));
    EXPECT_FALSE(DF::InverseBeta(1.5, 2, 2));
    EXPECT_FALSE(DF::InverseBeta(NAN, 2, 2));
    EXPECT_TRUE(DF::InverseBeta(Variant(0.5), Variant(0), Variant(2)).isNull());
    EXPECT_DOUBLE_EQ(CDbl(DF::InverseBeta(Variant(0.5), Variant(std::int16_t{2}), Variant(2.0))), 0.5);
}

TEST(NumericsInverse, StudentTMatchesPublishedTable) {
    EXPECT_NEAR(DF::InverseStudentT(0.05, 98, 2), 1.9844675, 1e-7);
    EXPECT_NEAR(DF::InverseStudentT(0.05, 98, 1), 1.660551, 1e-6);
    EXPECT_NEAR(DF::InverseStudentT(0.05, 10, 2), 2.228139, 1e-6);
    EXPECT_NEAR(DF::InverseStudentT(0.01, 1, 2), 63.656741, 1e-5);
    EXPECT_EQ(DF::InverseStudentT(0.0, 98, 2), INFINITY);
    EXPECT_EQ(ErrorNumberOf([] { DF::InverseStudentT(0.05, 98, 3); }), 255);
    EXPECT_EQ(ErrorNumberOf([] { DF::InverseStudentT(0.05, 0, 2); }), 255);
    EXPECT_EQ(ErrorNumberOf([] { DF::InverseStudentT(-0.05, 10, 1); }), 255);
    EXPECT_NEAR(CDbl(DF::InverseStudentT(Variant(0.05), Variant(98), Variant(std::int16_t{2}))),
                1.9844675, 1e-7);
}

TEST(NumericsDensity, StandardDensities) {
    const double inv_sqrt_2pi = 1.0 / std::sqrt(2 * std::numbers::pi);
    EXPECT_NEAR(*DF::NormalDensity(0, 0, 1), inv_sqrt_2pi, 1e-16);
    EXPECT_NEAR(*DF::NormalDensity(5, 3, 2), std::exp(-0.5) * inv_sqrt_2pi / 2, 1e-16);
    EXPECT_NEAR(*DF::LognormalDensity(1, 0, 1), inv_sqrt_2pi, 1e-16);
    EXPECT_NEAR(*DF::LognormalDensity(std::exp(1.0), 0, 1),
                std::exp(-0.5) * inv_sqrt_2pi / std::exp(1.0), 1e-16);
    EXPECT_EQ(*DF::LognormalDensity(0, 0, 1), 0.0);
    EXPECT_EQ(*DF::LognormalDensity(-1, 0, 1), 0.0);
    EXPECT_NEAR(*DF::BetaDensity(0.5, 2, 2), 1.5, 1e-15);     // 6 x (1 - x)
    EXPECT_NEAR(*DF::BetaDensity(0.25, 2, 2), 1.125, 1e-15);
    EXPECT_NEAR(*DF::BetaDensity(0.0, 1, 1), 1.0, 1e-15);
    EXPECT_EQ(*DF::BetaDensity(1.5, 2, 2), 0.0);
    EXPECT_EQ(*DF::BetaDensity(-0.1, 2, 2), 0.0);
}

TEST(NumericsDensity, UndefinedDensitiesHaveNoValue) {
    EXPECT_FALSE(DF::NormalDensity(0, 0, 0));
    EXPECT_FALSE(DF::NormalDensity(0, 0, -1));
    EXPECT_FALSE(DF::LognormalDensity(1, 0, 0));
    EXPECT_FALSE(DF::BetaDensity(0.5, 0, 1));
    EXPECT_FALSE(DF::BetaDensity(0.0, 0.5, 2));  // infinite at the end
    EXPECT_FALSE(DF::BetaDensity(NAN, 2, 2));
    EXPECT_TRUE(DF::NormalDensity(Variant(0), Variant(0), Variant(0)).isNull());
    EXPECT_NEAR(CDbl(DF::BetaDensity(Variant(0.5), Variant(2), Variant(2))), 1.5, 1e-15);
}

// The double-only policy must keep close to what Boost gives with its default policy,
// which evaluates in long double.
TEST(NumericsAccuracy, AgreesWithBoostDefaultPolicy) {
    namespace bm = boost::math;
    double worstNormal = 0, worstLognormal = 0, worstBeta = 0, worstT = 0, worstPdf = 0;
    std::vector<double> us{1e-12, 1e-8, 1e-5, 1 - 1e-5, 1 - 1e-8};
    for (int i = 1; i < 1000; ++i) us.push_back(i / 1000.0);
    for (const double u : us) {
        worstNormal = std::max(worstNormal,
                               RelDiff(DF::InverseNormal(u, 0, 0.7), bm::quantile(bm::normal(0, 0.7), u)));
        worstLognormal = std::max(worstLognormal, RelDiff(DF::InverseLognormal(u, -0.3, 0.9),
                                                          bm::quantile(bm::lognormal(-0.3, 0.9), u)));
        for (double a : {0.5, 2.0, 7.3})
            for (double b : {0.8, 3.0, 25.0})
                if (u >= 1e-5 && u <= 1 - 1e-5)
                    worstBeta = std::max(worstBeta, RelDiff(*DF::InverseBeta(u, a, b),
                                                        bm::quantile(bm::beta_distribution<>(a, b), u)));
        worstPdf = std::max(worstPdf, RelDiff(*DF::BetaDensity(u, 2.5, 4.0),
                                              bm::pdf(bm::beta_distribution<>(2.5, 4.0), u)));
        if (u < 0.5)
            for (double df : {1.0, 5.0, 18.0, 98.0, 49998.0})
                worstT = std::max(worstT, RelDiff(DF::InverseStudentT(u, df, 1),
                                                  bm::quantile(bm::complement(bm::students_t(df), u))));
    }
    EXPECT_LT(worstNormal, 1e-14);
    EXPECT_LT(worstLognormal, 1e-14);
    EXPECT_LT(worstBeta, 1e-13);
    EXPECT_LT(worstT, 1e-13);
    EXPECT_LT(worstPdf, 1e-14);
    std::printf("worst relative differences: normal %.2e lognormal %.2e beta %.2e t %.2e beta pdf %.2e\n",
                worstNormal, worstLognormal, worstBeta, worstT, worstPdf);
}
