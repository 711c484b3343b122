// The editor's rules without controls: spread conversions, the slider, typed texts and
// the key filter; the plot's axes, curves, cut and moments against Boost and by hand.
#include <gtest/gtest.h>

#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/lognormal.hpp>
#include <boost/math/distributions/normal.hpp>

#include <algorithm>
#include <cmath>
#include <string>

#include "uncertainty/plotcurves.h"
#include "uncertainty/uncertaintymodel.h"

namespace nuvir {
namespace {

namespace bm = boost::math;
constexpr auto P = QuantityKind::Probability;
constexpr auto I = QuantityKind::Impact;
constexpr int U = distribution::Uniform, N = distribution::Normal, L = distribution::LogNormal, B = distribution::Beta;

UncertaintyModel Model(int id, double mean, int distribution) {
    UncertaintyModel m;
    m.SetID(id);
    m.SetValue(mean);
    m.SetDistribution(distribution);
    return m;
}

// The model's axes and curve for a quantity.
CurveData Drawn(int id, double mean, int dist, double sd, PlotRange* range = nullptr) {
    UncertaintyModel m = Model(id, mean, dist);
    m.SetSD(sd);
    m.RefreshRange(false);
    if (range) *range = m.Range();
    return m.BuildCurve();
}

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

TEST(UncertaintyModel, PercentOfTheMeansMagnitudeGivesTheSD) {
    struct Case {
        const char* name;
        double mean;
        int dist;
        double percent;
        double sd;
    };
    const Case cases[] = {
        {"uniform, mean 1", 1, U, 25, 1 / (2 * kSqr12)},
        {"normal, mean 1", 1, N, 25, 0.25},
        {"lognormal, mean 4", 4, L, 10, 0.4},
        {"beta, mean 0.5", 0.5, B, 20, 0.1},
        {"normal, negative mean", -2, N, 25, 0.5},
        {"uniform, negative mean", -2, U, 10, 0.4 / kSqr12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UncertaintyModel m = Model(4, c.mean, c.dist);
        ASSERT_TRUE(m.SetPercent(c.percent));
        EXPECT_NEAR(m.SD(), c.sd, 1e-15);
    }
}

// One editor of mean 2 taken through typed and written spreads, new means, a
// percentage and an absolute SD: what each step reports, percent mode, whether the
// axes must be worked out again, the SD and the slider's base.
TEST(UncertaintyModel, PercentModeTypedTextsAndStaleAxes) {
    enum Op { Typed, Written, Mean, Sd, Pct };
    struct Step {
        const char* name;
        Op op;
        const char* text;
        double x;
        bool ok, percent, stale;
        double sd, base;
    };
    const Step steps[] = {
        {"typed 25%", Typed, "25%", 0, true, true, true, 0.5, 0.5},
        {"typed -1", Typed, "-1", 0, false, false, false, 0.5, 0.5},
        {"typed with spaces", Typed, " 10 % ", 0, true, true, true, 0.2, 0.2},
        {"written by the slider", Written, "15%", 0, true, true, false, 0.3, 0.2},
        {"the same mean", Mean, "", 2, false, true, false, 0.3, 0.2},
        {"a new mean", Mean, "", 3, true, false, true, 0.3, 0.2},
        {"a percentage", Pct, "", 25, true, true, true, 0.75, 0.75},
        {"an absolute SD (reports nothing)", Sd, "", 0.3, false, false, true, 0.3, 0.3},
        {"mean 0", Mean, "", 0, true, false, true, 0.3, 0.3},
        {"no percentage at mean 0", Pct, "", 25, false, false, false, 0.3, 0.3},
        {"a typed % at mean 0", Typed, "5%", 0, true, false, true, 5, 5},
    };
    UncertaintyModel m = Model(4, 2, N);
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        UncertaintyModel::SpreadResult r;
        switch (s.op) {
            case Mean: r.valid = m.SetValue(s.x); break;
            case Pct: r.valid = m.SetPercent(s.x); break;
            case Sd: m.SetSD(s.x); break;
            default: r = m.ApplySpreadText(s.text, s.op == Typed); break;
        }
        EXPECT_EQ(r.valid, s.ok);
        EXPECT_EQ(r.resetSlider, s.ok && s.op == Typed);
        EXPECT_EQ(m.PercentMode(), s.percent);
        EXPECT_EQ(m.RangeStale(), s.stale);
        EXPECT_DOUBLE_EQ(m.SD(), s.sd);
        EXPECT_DOUBLE_EQ(m.BaseSD(), s.base);
        m.RefreshRange(false);
    }
    EXPECT_DOUBLE_EQ(m.Range().xMax, 22.5);     // 0 + 3 x (5 x 1.5), the slider's wide end
    EXPECT_EQ(m.FilterSpreadKey('%', "5"), 0);  // no "%" at mean 0
}

TEST(UncertaintyModel, SliderSpansTheBaseOverOneAndAHalf) {
    UncertaintyModel m = Model(4, 2, N);
    m.SetSD(0.2);
    EXPECT_DOUBLE_EQ(m.SliderToSpread(-100, true), 0.1333);  // 0.2 / 1.5 to 4 figures
    EXPECT_DOUBLE_EQ(m.SliderToSpread(50, false), 0.2449);   // 0.2 x Sqr(1.5) = 0.244949
    // In percent mode the display is a percentage, the SD stays absolute.
    m.SetPercent(25);
    EXPECT_DOUBLE_EQ(m.SliderToSpread(100, true), 37.5);
    EXPECT_DOUBLE_EQ(m.SliderToSpread(100, false), 0.75);
}

TEST(UncertaintyModel, TextsOfTheSpread) {
    UncertaintyModel m = Model(12, 1, U);
    EXPECT_EQ(m.FormatSpread(123456, 4), "123500");
    EXPECT_EQ(m.FormatSpread(12345678, 4), "1.24e07");
    EXPECT_EQ(m.SummaryText(false), "F4: DT=U, SD=0.144");
    m.SetPercent(10);
    EXPECT_EQ(m.SpreadCaption(), "Plus/Minus:");
    // Drawn widths decide when a measure is given.
    m.SetTextMeasure([](const std::string& s) { return s.find('e') == std::string::npos ? 1.0 : 2.0; });
    EXPECT_EQ(m.FormatSpread(12345678, 4), "12350000");
}

// A code from a hand-edited file that names no distribution: shown as unknown with the
// data's spread and no curve, until a distribution is chosen.
TEST(UncertaintyModel, ACodeThatNamesNoDistributionIsShownInvalidUntilOneIsChosen) {
    struct Case {
        const char* name;
        double code;
    };
    const Case cases[] = {{"beyond 32 bits", 1e10},
                          {"the deleted comma", 144337567297406.0},
                          {"negative", -1e10},
                          {"between codes", 2.5},
                          {"past beta", 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UncertaintyModel m = Model(4, 1, N);
        m.SetInvalidDistribution(c.code);
        m.SetSD(0.1);
        m.RefreshRange(false);
        EXPECT_FALSE(m.DistributionValid());
        EXPECT_EQ(m.InvalidCode(), c.code);
        EXPECT_EQ(m.SummaryText(false), "I1: DT=?, SD=0.1");
        EXPECT_TRUE(m.BuildCurve().curve.empty());
        ASSERT_TRUE(m.SetDistribution(L));
        EXPECT_TRUE(m.DistributionValid());
        EXPECT_EQ(m.SummaryText(false), "I1: DT=LN, SD=0.1");
        m.RefreshRange(false);
        EXPECT_FALSE(m.BuildCurve().curve.empty());
    }
}

TEST(PlotRange, AxesForTheSlidersEnds) {
    struct Case {
        const char* name;
        QuantityKind kind;
        int dist;
        double m;
        double xMin, xMax, yMax;
    };
    const double lo = 4.0 / 3, hi = 3;  // the spreads at the slider's ends for base 2
    const Case cases[] = {
        {"probability", P, N, 0.3, -0.5, 1.5, NormalPeak(0.3, lo)},
        {"uniform impact", I, U, 10, 1, 19, 1 / (lo * kSqr12)},
        {"lognormal impact", I, L, 10, 0, 19, std::max(LogNormalPeak(10, lo), LogNormalPeak(10, hi))},
        {"lognormal, mean -1", I, L, -1, -10, 8, NormalPeak(-1, lo)},
        {"beta cost, mean 2", QuantityKind::Cost, B, 2, -7, 11, NormalPeak(2, lo)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PlotRange r = ComputePlotRange(c.kind, c.dist, c.m, lo, hi, 2, 0);
        EXPECT_DOUBLE_EQ(r.xMin, c.xMin);
        EXPECT_DOUBLE_EQ(r.xMax, c.xMax);
        EXPECT_NEAR(r.yMax, c.yMax, 1e-12 * c.yMax);
    }
    // A narrowest spread of 0 counts as 1.
    EXPECT_NEAR(ComputePlotRange(I, U, 5, 0, 0, 0, 0).yMax, 1 / kSqr12, 1e-15);
    // A beta's top is the highest grid point of its narrowest curve.
    const double low = 0.1 / 1.5, k = 0.3 * 0.7 / (low * low) - 1;
    const bm::beta_distribution<> beta(k * 0.3, k * 0.7);
    double top = 0;
    for (int i = 51; i < 150; ++i) top = std::max(top, bm::pdf(beta, -0.5 + i / 100.0));  // the grid points in (0, 1)
    EXPECT_NEAR(ComputePlotRange(P, B, 0.3, low, 0.15, 0.1, 0).yMax, top, 1e-10 * top);
}

TEST(PlotCurves, DensitiesAgreeWithBoostAndTheirMomentsWithTheSettings) {
    struct Case {
        const char* name;
        int id;
        double m;
        int dist;
        double sd;
        double tolMean, tolSd;
    };
    const Case cases[] = {
        {"normal impact", 4, 10, N, 2, 1e-3, 0.01},
        {"lognormal impact", 4, 10, L, 2, 0.01, 0.03},
        {"beta probability", 0, 0.3, B, 0.1, 2e-3, 2e-3},
        {"uniform cost", 9, 5, U, 1, 1e-12, 1e-12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CurveData d = Drawn(c.id, c.m, c.dist, c.sd);
        ASSERT_TRUE(d.stats.mean);
        ASSERT_TRUE(d.stats.sd);
        EXPECT_NEAR(*d.stats.mean, c.m, c.tolMean);
        EXPECT_NEAR(*d.stats.sd, c.sd, c.tolSd);
        if (c.dist == U) continue;
        for (std::size_t i = 0; i < d.curve.size(); i += 37) {
            const double x = d.curve.x[i];
            const double k = c.m * (1 - c.m) / (c.sd * c.sd) - 1;
            double expected = 0;
            if (c.dist == N) expected = bm::pdf(bm::normal(c.m, c.sd), x);
            if (c.dist == L && x > 0) expected = bm::pdf(LogNormal(c.m, c.sd), x);
            if (c.dist == B && x > 0 && x < 1) expected = bm::pdf(bm::beta_distribution<>(k * c.m, k * (1 - c.m)), x);
            EXPECT_NEAR(d.curve.y[i], expected, 1e-10 * std::max(1.0, expected)) << "x = " << x;
        }
    }
}

TEST(PlotCurves, ProbabilityCurvesAreCutAtZeroAndOne) {
    const CurveData d = Drawn(0, 0.9, N, 0.2);
    ASSERT_GT(d.curve.size(), 2u);
    EXPECT_EQ(d.curve.x.front(), 0.0);
    EXPECT_EQ(d.curve.x.back(), 1.0);
    // The end point lies on the chord between its grid neighbours.
    EXPECT_NEAR(d.curve.y.back(), bm::pdf(bm::normal(0.9, 0.2), 1), 1e-4);
    // A uniform cut at one keeps its height; its moments are those of what is drawn.
    const CurveData u = Drawn(0, 0.95, U, 0.1);
    const double half = kSqr12 * 0.1 / 2;
    ASSERT_EQ(u.curve.size(), 4u);
    EXPECT_DOUBLE_EQ(u.curve.y[1], 0.5 / half);
    EXPECT_DOUBLE_EQ(*u.stats.sd, (1 - (0.95 - half)) / kSqr12);
    EXPECT_DOUBLE_EQ(*u.stats.mean, (1 + 0.95 - half) / 2);
}

// A zero spread draws a spike up to the top of the plot; some settings draw no curve,
// a beta too wide for its mean a flat one. None of them has moments.
TEST(PlotCurves, SpikesAndMissingCurvesHaveNoStatistics) {
    enum Shape { Spike, None, Flat };
    struct Case {
        const char* name;
        int id;
        double m;
        int dist;
        double sd;
        Shape shape;
    };
    const Case cases[] = {
        {"normal p at 1: a cut starting at one keeps what stands at one", 0, 1, N, 0, Spike},
        {"lognormal p at 1", 0, 1, L, 0, Spike},
        {"uniform p at 0.5", 0, 0.5, U, 0, Spike},
        {"beta p at 0.5", 0, 0.5, B, 0, Spike},
        {"lognormal impact", 4, 3, L, 0, Spike},
        {"normal p at 0", 0, 0, N, 0, Spike},
        {"lognormal, mean -1", 4, -1, L, 1, None},
        {"beta cost, mean 2", 9, 2, B, 0.1, None},
        {"beta too wide", 0, 0.5, B, 0.6, Flat},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotRange r;
        const CurveData d = Drawn(c.id, c.m, c.dist, c.sd, &r);
        EXPECT_FALSE(d.stats.mean);
        EXPECT_EQ(d.curve.empty(), c.shape == None);
        if (c.shape == Flat) {
            EXPECT_TRUE(std::all_of(d.curve.y.begin(), d.curve.y.end(), [](double y) { return y == 0; }));
        }
        if (c.shape != Spike) continue;
        EXPECT_EQ(d.curve.x, (std::vector<double>{c.m, c.m}));
        EXPECT_EQ(d.curve.y, (std::vector<double>{0, r.yMax}));
    }
}

}  // namespace
}  // namespace nuvir
