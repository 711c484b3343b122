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
const double kSqr12 = std::sqrt(12.0);
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

TEST(UncertaintyModel, ANewEditorAndItsIdentity) {
    UncertaintyModel m;
    EXPECT_DOUBLE_EQ(m.SD(), 1 / std::sqrt(48.0));  // uniform +/- 25 % of 1
    m.SetID(13);
    EXPECT_EQ(m.Name(), "??");
    struct Case { int id; const char* name; QuantityKind kind; };
    const Case cases[] = {{0, "p1", P}, {3, "p4", P}, {4, "I1", I}, {8, "I5", I},
                          {9, "F1", QuantityKind::Cost}, {12, "F4", QuantityKind::Cost}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m.SetID(c.id);
        m.SetID(-1);
        EXPECT_EQ(m.Name(), c.name);
        EXPECT_EQ(m.Kind(), c.kind);
    }
}

TEST(UncertaintyModel, PercentOfTheMeansMagnitudeGivesTheSD) {
    struct Case { const char* name; double mean; int dist; double percent; double sd; };
    const Case cases[] = {
        {"uniform, mean 1", 1, U, 25, 1 / (2 * kSqr12)},  {"normal, mean 1", 1, N, 25, 0.25},
        {"lognormal, mean 4", 4, L, 10, 0.4},             {"beta, mean 0.5", 0.5, B, 20, 0.1},
        {"normal, negative mean", -2, N, 25, 0.5},        {"uniform, negative mean", -2, U, 10, 0.4 / kSqr12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UncertaintyModel m = Model(4, c.mean, c.dist);
        ASSERT_TRUE(m.SetPercent(c.percent));
        EXPECT_TRUE(m.PercentMode());
        EXPECT_NEAR(m.SD(), c.sd, 1e-15);
        EXPECT_NEAR(m.Percent(), c.percent, 1e-12);
        EXPECT_EQ(m.BaseSD(), m.SD());
    }
}

TEST(UncertaintyModel, PercentModeComesAndGoes) {
    UncertaintyModel m = Model(4, 2, N);
    m.SetPercent(25);
    EXPECT_FALSE(m.SetValue(2));  // the same mean changes nothing
    EXPECT_TRUE(m.PercentMode());
    EXPECT_TRUE(m.SetValue(3));
    EXPECT_FALSE(m.PercentMode());
    m.SetPercent(25);
    m.SetSD(0.3);
    EXPECT_FALSE(m.PercentMode());
    EXPECT_EQ(m.BaseSD(), 0.3);
    // Unavailable at mean 0, also through a typed "%".
    m.SetValue(0);
    EXPECT_FALSE(m.SetPercent(25));
    EXPECT_EQ(m.SD(), 0.3);
    EXPECT_TRUE(m.ApplySpreadText("5%", true).valid);
    EXPECT_FALSE(m.PercentMode());
    EXPECT_EQ(m.SD(), 5);
}

TEST(UncertaintyModel, SliderSpansTheBaseOverOneAndAHalf) {
    UncertaintyModel m = Model(4, 2, N);
    m.SetSD(0.2);
    EXPECT_DOUBLE_EQ(m.SliderToSpread(100, true), 0.3);
    EXPECT_DOUBLE_EQ(m.SliderToSpread(-100, true), 0.1333);  // 0.2 / 1.5 to 4 figures
    EXPECT_DOUBLE_EQ(m.SliderToSpread(0, true), 0.2);
    EXPECT_DOUBLE_EQ(m.SliderToSpread(50, false), 0.2449);  // 0.2 x Sqr(1.5) = 0.244949
    // In percent mode the display is a percentage, the SD stays absolute.
    m.SetPercent(25);
    EXPECT_DOUBLE_EQ(m.SliderToSpread(100, true), 37.5);
    EXPECT_DOUBLE_EQ(m.SliderToSpread(100, false), 0.75);
}

TEST(UncertaintyModel, TextsOfTheSpread) {
    UncertaintyModel m = Model(0, 1, U);
    EXPECT_EQ(m.FormatSpread(123456, 4), "123500");
    EXPECT_EQ(m.FormatSpread(12345678, 4), "1.24e07");
    EXPECT_EQ(m.FormatSpread(-0.00001234, 4), "-1.23e-05");
    EXPECT_EQ(m.SummaryText(false), "p1: DT=U, SD=0.144");
    EXPECT_EQ(m.SummaryText(true), "p1: (Categorical)");
    EXPECT_EQ(m.SpreadCaption(), "SD:");
    m.SetPercent(10);
    EXPECT_EQ(m.SpreadCaption(), "Plus/Minus:");
    m.SetDistribution(L);
    EXPECT_EQ(m.SpreadCaption(), "CV:");
    // Drawn widths decide when a measure is given.
    m.SetTextMeasure([](const std::string& s) { return s.find('e') == std::string::npos ? 1.0 : 2.0; });
    EXPECT_EQ(m.FormatSpread(12345678, 4), "12350000");
}

TEST(UncertaintyModel, TypingASpreadAndItsKeys) {
    UncertaintyModel m = Model(4, 2, N);
    struct Step { const char* text; bool valid; bool percent; double sd; };
    const Step steps[] = {
        {"2", true, false, 2},        {"25", true, false, 25},        {"25%", true, true, 0.5},
        {"-1", false, false, 0.5},    {"abc", false, false, 0.5},     {"1e999", false, false, 0.5},
        {" 10 % ", true, true, 0.2},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.text);
        const auto r = m.ApplySpreadText(s.text, true);
        EXPECT_EQ(r.valid, s.valid);
        EXPECT_EQ(r.resetSlider, s.valid);
        EXPECT_EQ(m.PercentMode(), s.percent);
        EXPECT_DOUBLE_EQ(m.SD(), s.sd);
        if (s.valid) {
            EXPECT_DOUBLE_EQ(m.BaseSD(), s.sd);
        }
    }
    // Written by the editor (not typed), the text neither moves the base nor the slider.
    const auto r = m.ApplySpreadText("15%", false);
    EXPECT_TRUE(r.valid);
    EXPECT_FALSE(r.resetSlider);
    EXPECT_DOUBLE_EQ(m.SD(), 0.3);
    EXPECT_DOUBLE_EQ(m.BaseSD(), 0.2);
    // The box's key filter: no space, one "%" and only while the mean is not 0.
    EXPECT_EQ(m.FilterSpreadKey(' ', "2"), 0);
    EXPECT_EQ(m.FilterSpreadKey('%', "25"), '%');
    EXPECT_EQ(m.FilterSpreadKey('%', "25% "), 0);
    EXPECT_EQ(m.FilterSpreadKey('5', "2"), '5');
    m.SetValue(0);
    EXPECT_EQ(m.FilterSpreadKey('%', "25"), 0);
}

TEST(UncertaintyModel, MeanTexts) {
    struct Case { const char* text; bool probability; bool impact; };
    const Case cases[] = {{"1.5", false, true},  {"0", true, true},      {"1", true, true},
                          {"-0.1", false, true}, {"nan", false, false}, {"1,5", false, false},
                          {"&H10", false, false}, {"1e999", false, false}};
    const UncertaintyModel p = Model(0, 0.5, 0);
    const UncertaintyModel i = Model(4, 1, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(p.ValidateMeanText(c.text), c.probability);
        EXPECT_EQ(i.ValidateMeanText(c.text), c.impact);
    }
}

TEST(UncertaintyModel, SliderLeavesTheAxesWhereTheyAre) {
    UncertaintyModel m = Model(4, 10, N);
    m.SetSD(2);
    EXPECT_TRUE(m.RangeStale());
    m.RefreshRange(false);
    EXPECT_FALSE(m.RangeStale());
    EXPECT_DOUBLE_EQ(m.Range().xMax, 19);  // 10 + 3 x (2 x 1.5), the slider's wide end
    m.ApplySpreadText("2.4", false);  // what a slider move writes
    EXPECT_FALSE(m.RangeStale());
    m.ApplySpreadText("3", true);  // typed
    EXPECT_TRUE(m.RangeStale());
}

TEST(PlotRange, AxesForTheSlidersEnds) {
    struct Case { const char* name; QuantityKind kind; int dist; double m; double xMin, xMax, yMax; };
    const double lo = 4.0 / 3, hi = 3;  // the spreads at the slider's ends for base 2
    const Case cases[] = {
        {"probability", P, N, 0.3, -0.5, 1.5, NormalPeak(0.3, lo)},
        {"uniform impact", I, U, 10, 1, 19, 1 / (lo * kSqr12)},
        {"normal impact", I, N, 10, 1, 19, NormalPeak(10, lo)},
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
}

TEST(PlotRange, BetaTopIsTheHighestPointOfTheNarrowestCurve) {
    const double lo = 0.1 / 1.5;
    const PlotRange r = ComputePlotRange(P, B, 0.3, lo, 0.15, 0.1, 0);
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
        {"normal impact", 4, 10, N, 2, 1e-3, 0.01},   {"lognormal impact", 4, 10, L, 2, 0.01, 0.03},
        {"beta probability", 0, 0.3, B, 0.1, 2e-3, 2e-3}, {"uniform cost", 9, 5, U, 1, 1e-12, 1e-12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CurveData d = Drawn(c.id, c.m, c.dist, c.sd);
        ASSERT_TRUE(d.stats.mean && d.stats.sd);
        EXPECT_NEAR(*d.stats.mean, c.m, c.tolMean);
        EXPECT_NEAR(*d.stats.sd, c.sd, c.tolSd);
        if (c.dist == U) {
            EXPECT_EQ(d.curve.size(), 4u);
            EXPECT_NEAR(d.curve.y[1], 0.5 / std::sqrt(3.0), 1e-15);
            continue;
        }
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
    EXPECT_NEAR(d.curve.y.front(), bm::pdf(bm::normal(0.9, 0.2), 0), 1e-4);
    EXPECT_LT(d.stats.mean.value_or(1), 0.9);
    // A uniform cut at one keeps its height.
    const CurveData u = Drawn(0, 0.95, U, 0.1);
    const double half = kSqr12 * 0.1 / 2;
    ASSERT_EQ(u.curve.size(), 4u);
    EXPECT_DOUBLE_EQ(u.curve.x[0], 0.95 - half);
    EXPECT_EQ(u.curve.x[3], 1.0);
    EXPECT_DOUBLE_EQ(u.curve.y[1], 0.5 / half);
    EXPECT_DOUBLE_EQ(*u.stats.sd, (1 - (0.95 - half)) / kSqr12);
    EXPECT_DOUBLE_EQ(*u.stats.mean, (1 + 0.95 - half) / 2);
}

TEST(PlotCurves, ZeroSpreadDrawsASpikeWithoutStatistics) {
    struct Case { const char* name; int id; double m; int dist; };
    const Case cases[] = {{"normal p at 1", 0, 1, N},  {"lognormal p at 1", 0, 1, L}, {"uniform p at 0.5", 0, 0.5, U},
                          {"beta p at 0.5", 0, 0.5, B}, {"lognormal impact", 4, 3, L}, {"normal p at 0", 0, 0, N}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotRange r;
        const CurveData d = Drawn(c.id, c.m, c.dist, 0, &r);
        ASSERT_EQ(d.curve.size(), 2u);
        EXPECT_EQ(d.curve.x, (std::vector<double>{c.m, c.m}));
        EXPECT_EQ(d.curve.y[1], r.yMax);
        EXPECT_FALSE(d.stats.mean);
    }
}

TEST(PlotCurves, ACutStartingAtOneKeepsOnlyWhatStandsAtOne) {
    EXPECT_EQ(ClipCurveToUnitRange(SpikeCurve(1, 4)).y, (std::vector<double>{0, 4}));
    EXPECT_TRUE(ClipCurveToUnitRange(SpikeCurve(1.2, 4)).empty());
}

TEST(PlotCurves, NoCurveWhereTheParametersGiveNone) {
    EXPECT_TRUE(Drawn(4, -1, L, 1).curve.empty());
    EXPECT_TRUE(Drawn(9, 2, B, 0.1).curve.empty());
    // Too wide for a beta: alpha and beta are not positive, every density counts as 0.
    const CurveData flat = Drawn(0, 0.5, B, 0.6);
    ASSERT_FALSE(flat.curve.empty());
    EXPECT_TRUE(std::all_of(flat.curve.y.begin(), flat.curve.y.end(), [](double y) { return y == 0; }));
    EXPECT_FALSE(flat.stats.mean);
}

TEST(PlotCurves, TrapeziumMomentsOfATriangle) {
    const Curve triangle{{0, 1, 2}, {0, 1, 0}};
    EXPECT_DOUBLE_EQ(*CurveMoments(triangle, false).mean, 1);
    EXPECT_DOUBLE_EQ(*CurveMoments(triangle, false).sd, 0.5);  // midpoints 0.5 and 1.5, each half the area
    EXPECT_DOUBLE_EQ(*CurveMoments(triangle, true).sd, 2 / kSqr12);
    EXPECT_FALSE(CurveMoments(Curve{{0, 1}, {0, 0}}, false).mean);
}

}  // namespace
}  // namespace nuvir
