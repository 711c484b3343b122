// The plot's axes, curves, cut and moments against Boost's densities and by hand.
#include <gtest/gtest.h>

#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/lognormal.hpp>
#include <boost/math/distributions/normal.hpp>

#include <algorithm>
#include <cmath>

#include "uncertainty/plotcurves.h"
#include "uncertainty/uncertaintymodel.h"

namespace nuvir {
namespace {

namespace bm = boost::math;
const double kSqr12 = std::sqrt(12.0);
constexpr auto P = QuantityKind::Probability;
constexpr auto I = QuantityKind::Impact;

double NormalPeak(double m, double s) { return bm::pdf(bm::normal(m, s), m); }

// Lognormal parameters for mean m and standard deviation s, worked from the moments.
bm::lognormal LogNormal(double m, double s) {
    const double sigma2 = std::log(1 + (s / m) * (s / m));
    return bm::lognormal(std::log(m) - sigma2 / 2, std::sqrt(sigma2));
}
double LogNormalPeak(double m, double s) {
    const auto d = LogNormal(m, s);
    return bm::pdf(d, std::exp(d.location() - d.scale() * d.scale()));
}

// The model's axes and curve for a quantity.
CurveData Drawn(int id, double mean, int dist, double sd, PlotRange* range = nullptr) {
    UncertaintyModel m;
    m.SetID(id);
    m.SetValue(mean);
    m.SetDistribution(dist);
    m.SetSD(sd);
    m.RefreshRange(false);
    if (range) *range = m.Range();
    return m.BuildCurve();
}

TEST(PlotRange, AxesForTheSlidersEnds) {
    struct Case { const char* name; QuantityKind kind; int dist; double m; double xMin, xMax, yMax; };
    const double lo = 4.0 / 3, hi = 3;  // the spreads at the slider's ends for base 2
    const Case cases[] = {
        {"probability", P, distribution::Normal, 0.3, -0.5, 1.5, NormalPeak(0.3, lo)},
        {"uniform impact", I, distribution::Uniform, 10, 1, 19, 1 / (lo * kSqr12)},
        {"normal impact", I, distribution::Normal, 10, 1, 19, NormalPeak(10, lo)},
        {"lognormal impact", I, distribution::LogNormal, 10, 0, 19,
         std::max(LogNormalPeak(10, lo), LogNormalPeak(10, hi))},
        {"lognormal, mean -1", I, distribution::LogNormal, -1, -10, 8, NormalPeak(-1, lo)},
        {"beta cost, mean 2", QuantityKind::Cost, distribution::Beta, 2, -7, 11, NormalPeak(2, lo)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PlotRange r = ComputePlotRange(c.kind, c.dist, c.m, lo, hi, 2, 0);
        EXPECT_DOUBLE_EQ(r.xMin, c.xMin);
        EXPECT_DOUBLE_EQ(r.xMax, c.xMax);
        EXPECT_NEAR(r.yMax, c.yMax, 1e-12 * c.yMax);
    }
    // A narrowest spread of 0 counts as 1.
    EXPECT_NEAR(ComputePlotRange(I, distribution::Uniform, 5, 0, 0, 0, 0).yMax, 1 / kSqr12, 1e-15);
}

TEST(PlotRange, BetaTopIsTheHighestPointOfTheNarrowestCurve) {
    const double lo = 0.1 / 1.5;
    const PlotRange r = ComputePlotRange(P, distribution::Beta, 0.3, lo, 0.15, 0.1, 0);
    const double k = 0.3 * 0.7 / (lo * lo) - 1;
    const bm::beta_distribution<> d(k * 0.3, k * 0.7);
    double top = 0;
    for (int i = 0; i < kCurvePoints; ++i) {
        const double x = -0.5 + i / 200.0 * 2;
        if (x > 0 && x < 1) top = std::max(top, bm::pdf(d, x));
    }
    EXPECT_NEAR(r.yMax, top, 1e-10 * top);
}

TEST(PlotCurves, DensitiesAgreeWithBoostAndTheirMomentsWithTheSettings) {
    struct Case { const char* name; int id; double m; int dist; double sd; double tolMean, tolSd; };
    const Case cases[] = {
        {"normal impact", 4, 10, distribution::Normal, 2, 1e-3, 0.01},
        {"lognormal impact", 4, 10, distribution::LogNormal, 2, 0.01, 0.03},
        {"beta probability", 0, 0.3, distribution::Beta, 0.1, 2e-3, 2e-3},
        {"uniform cost", 9, 5, distribution::Uniform, 1, 1e-12, 1e-12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotRange r;
        const CurveData d = Drawn(c.id, c.m, c.dist, c.sd, &r);
        ASSERT_TRUE(d.stats.mean && d.stats.sd);
        EXPECT_NEAR(*d.stats.mean, c.m, c.tolMean);
        EXPECT_NEAR(*d.stats.sd, c.sd, c.tolSd);
        if (c.dist == distribution::Uniform) {
            EXPECT_EQ(d.curve.size(), 4u);
            EXPECT_NEAR(d.curve.y[1], 0.5 / std::sqrt(3.0), 1e-15);
            continue;
        }
        for (std::size_t i = 0; i < d.curve.size(); i += 37) {
            const double x = d.curve.x[i];
            double expected = 0;
            if (c.dist == distribution::Normal) expected = bm::pdf(bm::normal(c.m, c.sd), x);
            if (c.dist == distribution::LogNormal && x > 0) expected = bm::pdf(LogNormal(c.m, c.sd), x);
            const double k = c.m * (1 - c.m) / (c.sd * c.sd) - 1;
            if (c.dist == distribution::Beta && x > 0 && x < 1)
                expected = bm::pdf(bm::beta_distribution<>(k * c.m, k * (1 - c.m)), x);
            EXPECT_NEAR(d.curve.y[i], expected, 1e-10 * std::max(1.0, expected)) << "x = " << x;
        }
    }
}

TEST(PlotCurves, ProbabilityCurveIsCutAtZeroAndOne) {
    const CurveData d = Drawn(0, 0.9, distribution::Normal, 0.2);
    ASSERT_GT(d.curve.size(), 2u);
    EXPECT_EQ(d.curve.x.front(), 0.0);
    EXPECT_EQ(d.curve.x.back(), 1.0);
    const bm::normal n(0.9, 0.2);
    // The end point lies on the chord between its grid neighbours.
    EXPECT_NEAR(d.curve.y.back(), bm::pdf(n, 1), 1e-4);
    EXPECT_NEAR(d.curve.y.front(), bm::pdf(n, 0), 1e-4);
    ASSERT_TRUE(d.stats.mean);
    EXPECT_LT(*d.stats.mean, 0.9);
}

TEST(PlotCurves, UniformProbabilityCutAtOneKeepsItsHeight) {
    const CurveData d = Drawn(0, 0.95, distribution::Uniform, 0.1);
    const double half = kSqr12 * 0.1 / 2;
    ASSERT_EQ(d.curve.size(), 4u);
    EXPECT_DOUBLE_EQ(d.curve.x[0], 0.95 - half);
    EXPECT_EQ(d.curve.x[3], 1.0);
    EXPECT_DOUBLE_EQ(d.curve.y[1], 0.5 / half);
    EXPECT_DOUBLE_EQ(*d.stats.sd, (1 - (0.95 - half)) / kSqr12);
    EXPECT_DOUBLE_EQ(*d.stats.mean, (1 + 0.95 - half) / 2);
}

TEST(PlotCurves, ZeroSpreadDrawsASpikeWithoutStatistics) {
    struct Case { const char* name; int id; double m; int dist; };
    const Case cases[] = {
        {"normal p at 1", 0, 1, distribution::Normal},      {"lognormal p at 1", 0, 1, distribution::LogNormal},
        {"uniform p at 0.5", 0, 0.5, distribution::Uniform}, {"beta p at 0.5", 0, 0.5, distribution::Beta},
        {"lognormal impact", 4, 3, distribution::LogNormal}, {"normal p at 0", 0, 0, distribution::Normal},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotRange r;
        const CurveData d = Drawn(c.id, c.m, c.dist, 0, &r);
        ASSERT_EQ(d.curve.size(), 2u);
        EXPECT_EQ(d.curve.x[0], c.m);
        EXPECT_EQ(d.curve.x[1], c.m);
        EXPECT_EQ(d.curve.y[1], r.yMax);
        EXPECT_FALSE(d.stats.mean);
    }
}

TEST(PlotCurves, ACutStartingAtOneKeepsOnlyWhatStandsAtOne) {
    EXPECT_EQ(ClipCurveToUnitRange(SpikeCurve(1, 4)).y, (std::vector<double>{0, 4}));
    EXPECT_TRUE(ClipCurveToUnitRange(SpikeCurve(1.2, 4)).empty());
}

TEST(PlotCurves, NoCurveWhereTheParametersGiveNone) {
    EXPECT_TRUE(Drawn(4, -1, distribution::LogNormal, 1).curve.empty());
    EXPECT_TRUE(Drawn(9, 2, distribution::Beta, 0.1).curve.empty());
    // Too wide for a beta: alpha and beta are not positive, every density counts as 0.
    const CurveData flat = Drawn(0, 0.5, distribution::Beta, 0.6);
    ASSERT_FALSE(flat.curve.empty());
    EXPECT_TRUE(std::all_of(flat.curve.y.begin(), flat.curve.y.end(), [](double y) { return y == 0; }));
    EXPECT_FALSE(flat.stats.mean);
}

TEST(PlotCurves, TrapeziumMomentsOfATriangle) {
    const Curve triangle{{0, 1, 2}, {0, 1, 0}};
    const CurveStats s = CurveMoments(triangle, false);
    EXPECT_DOUBLE_EQ(*s.mean, 1);
    EXPECT_DOUBLE_EQ(*s.sd, 0.5);  // midpoints 0.5 and 1.5, each half the area
    EXPECT_DOUBLE_EQ(*CurveMoments(triangle, true).sd, 2 / kSqr12);
    EXPECT_FALSE(CurveMoments(Curve{{0, 1}, {0, 0}}, false).mean);
}

}  // namespace
}  // namespace nuvir
