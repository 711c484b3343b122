// The matrix object, inverse distributions and densities against published values and
// Boost's default (long double) policy, and the small numeric services.
#include <gtest/gtest.h>

#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <numbers>

#include "numerics/matrix.h"
#include "numerics/numerics.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "testsupport.h"

namespace nuvir {
namespace {

namespace DF = DistributionFunctions;

Matrix FromRows(std::initializer_list<std::initializer_list<double>> rows) {
    Matrix m(static_cast<std::int32_t>(rows.size()), static_cast<std::int32_t>(rows.begin()->size()));
    std::int32_t i = 0;
    for (const auto& row : rows) {
        std::int32_t j = 0;
        for (double v : row) m.SetElement(i, j++, v);
        ++i;
    }
    return m;
}

void ExpectElements(const Matrix& m, std::initializer_list<std::initializer_list<double>> rows, double relative = 0) {
    ASSERT_EQ(m.Rows(), static_cast<std::int32_t>(rows.size()));
    std::int32_t i = 0;
    for (const auto& row : rows) {
        std::int32_t j = 0;
        for (double v : row) EXPECT_NEAR(m.Element(i, j++), v, relative * std::fabs(v)) << i << "," << j - 1;
        ++i;
    }
}

// ---- the matrix ------------------------------------------------------------------------

TEST(Matrix, ShapesAndIndexesAreChecked) {
    Matrix m(2, 2);  // a new matrix holds zeros
    ExpectElements(m, {{0, 0}, {0, 0}});
    m.SetElement(1, 0, 7.5);
    ExpectElements(m, {{0, 0}, {7.5, 0}});
    EXPECT_EQ(test::ErrorNumber([] { Matrix(-1, 2); }), 255);
    for (auto [r, c] : {std::pair{2, 0}, {0, 2}, {-1, 0}, {0, -1}}) {
        EXPECT_EQ(test::ErrorText([&] { (void)m.Element(r, c); }), "Matrix index out of range");
        EXPECT_EQ(test::ErrorNumber([&] { m.SetElement(r, c, 1.0); }), 255);
    }
}

TEST(Matrix, ArithmeticLeavesItsSourceAlone) {
    const Matrix a = FromRows({{1, 2, 3}, {4, 5, 6}});
    ExpectElements(a.Product(FromRows({{7, 8}, {9, 10}, {11, 12}})), {{58, 64}, {139, 154}});
    ExpectElements(a.Transpose(), {{1, 4}, {2, 5}, {3, 6}});
    ExpectElements(a.Times(-0.5), {{-0.5, -1, -1.5}, {-2, -2.5, -3}});
    Matrix c = a.Copy();
    c.SetElement(0, 0, 100.0);
    ExpectElements(a, {{1, 2, 3}, {4, 5, 6}});
    EXPECT_EQ(test::ErrorText([&] { (void)a.Product(a); }), "Matrix dimensions do not agree");
}

TEST(Matrix, InversesByHandAndOfHilbertFour) {
    // [[4, 7], [2, 6]] has determinant 10 and inverse [[0.6, -0.7], [-0.2, 0.4]].
    ExpectElements(FromRows({{4, 7}, {2, 6}}).Inverse(), {{0.6, -0.7}, {-0.2, 0.4}}, 1e-15);
    // Units alone must not make a matrix singular: [[2E150, 1E150], [1E-150, 3E-150]] has
    // determinant 5 and inverse [[6E-151, -2E149], [-2E-151, 4E149]].
    ExpectElements(FromRows({{1e-200, 0}, {0, 1e200}}).Inverse(), {{1e200, 0}, {0, 1e-200}}, 1e-15);
    ExpectElements(FromRows({{2e150, 1e150}, {1e-150, 3e-150}}).Inverse(), {{6e-151, -2e149}, {-2e-151, 4e149}}, 1e-15);
    // The elements 1/3, 1/5, ... are rounded, so the inverse of the stored matrix differs
    // from the exact integer one by about cond(H4) x 1E-16 = 1.5E-12 relative.
    Matrix h(4, 4);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) h.SetElement(i, j, 1.0 / (i + j + 1));
    ExpectElements(
        h.Inverse(),
        {{16, -120, 240, -140}, {-120, 1200, -2700, 1680}, {240, -2700, 6480, -4200}, {-140, 1680, -4200, 2800}},
        1e-10);
}

TEST(Matrix, SingularAndIllConditionedMatricesRaise) {
    const double d = std::nextafter(1.0, 2.0);  // rows a few units apart in the last place
    for (const Matrix& m : {FromRows({{1, 2}, {2, 4}}), FromRows({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}),
                            FromRows({{0, 0}, {0, 1}}), FromRows({{1, 0}, {1, 0}}), FromRows({{1, 1}, {1, d}})})
        EXPECT_EQ(test::ErrorText([&] { (void)m.Inverse(); }), "Matrix is singular");
    EXPECT_EQ(test::ErrorText([] { (void)Matrix(2, 3).Inverse(); }), "Matrix is not square");
    EXPECT_EQ(test::ErrorNumber([] { (void)FromRows({{1, 0}, {0, INFINITY}}).Inverse(); }), 255);
    // 1 + 1E-10: reciprocal condition about 2.5E-11, well above the Double floor.
    const double e = 1.0 + 1e-10, delta = e - 1.0;
    const Matrix a = FromRows({{1, 1}, {1, e}});
    ExpectElements(a.Inverse(), {{e / delta, -1.0 / delta}, {-1.0 / delta, 1.0 / delta}}, 1e-6);
    // A caller that knows its elements carry more rounding asks for more.
    EXPECT_EQ(test::ErrorText([&] { (void)a.Inverse(1e-9); }), "Matrix is singular");
}

// ---- distributions ----------------------------------------------------------------------

TEST(Distributions, PublishedAndHandWorkedValues) {
    const double z975 = 1.959963984540054, invSqrt2Pi = 1.0 / std::sqrt(2 * std::numbers::pi);
    const struct {
        const char* name;
        double got, expected, tolerance;
    } cases[] = {
        {"normal 0.975", DF::InverseNormal(0.975, 0, 1), z975, 1e-14},
        {"normal 0.95", DF::InverseNormal(0.95, 0, 1), 1.6448536269514722, 1e-14},
        {"normal 0.025, mean 10, sd 2", DF::InverseNormal(0.025, 10, 2), 10 - 2 * z975, 1e-13},
        {"lognormal median", DF::InverseLognormal(0.5, 1.3, 0.4), std::exp(1.3), 1e-14},
        {"lognormal 0.975", DF::InverseLognormal(0.975, 0.5, 0.3), std::exp(0.5 + 0.3 * z975), 1e-13},
        {"beta(2, 2): F(0.2) = 3 0.04 - 2 0.008 = 0.104", *DF::InverseBeta(0.104, 2, 2), 0.2, 1e-13},
        {"beta(1, 1) is uniform", *DF::InverseBeta(0.37, 1, 1), 0.37, 1e-15},
        {"beta(a, 1): F(x) = x^a", *DF::InverseBeta(0.25, 2, 1), 0.5, 1e-14},
        // x^a / (a B(a, b)) = u with B(0.5, 3) = 16/15: the double-only root finding gives up
        // here and the long double one answers.
        {"beta far in the lower tail", *DF::InverseBeta(1e-8, 0.5, 3), std::pow(1e-8 * 0.5 * 16 / 15, 2), 1e-22},
        {"t 98 df, two tails", DF::InverseStudentT(0.05, 98, 2), 1.9844675, 1e-7},
        {"t 98 df, one tail", DF::InverseStudentT(0.05, 98, 1), 1.660551, 1e-6},
        {"t 10 df", DF::InverseStudentT(0.05, 10, 2), 2.228139, 1e-6},
        {"t 1 df at 0.01", DF::InverseStudentT(0.01, 1, 2), 63.656741, 1e-5},
        {"normal density", *DF::NormalDensity(5, 3, 2), std::exp(-0.5) * invSqrt2Pi / 2, 1e-16},
        // Spreads whose squares leave the Doubles: one spread from the mean, e^-0.5 /
        // (sd sqrt(2 pi)), and two spreads, e^-2 / (sd sqrt(2 pi)).
        {"normal density of a mean of 1e300", *DF::NormalDensity(1.1e300, 1e300, 1e299) / 3.9894228040143268e-300,
         0.60653065971263342, 1e-14},
        {"normal density of a spread of 1e-200", *DF::NormalDensity(1.2e-200, 1e-200, 1e-201) / 3.9894228040143268e200,
         0.1353352832366127, 1e-14},
        {"lognormal density", *DF::LognormalDensity(std::exp(1.0), 0, 1), std::exp(-0.5) * invSqrt2Pi / std::exp(1.0),
         1e-16},
        {"beta density 6 x (1 - x)", *DF::BetaDensity(0.25, 2, 2), 1.125, 1e-15},
        {"beta density at its end", *DF::BetaDensity(0.0, 1, 1), 1.0, 1e-15},
    };
    for (const auto& c : cases) EXPECT_NEAR(c.got, c.expected, c.tolerance) << c.name;
}

TEST(Distributions, DomainEnds) {
    const std::pair<double, double> ends[] = {{DF::InverseNormal(0.0, 0, 1), -INFINITY},
                                              {DF::InverseNormal(1.0, 0, 1), INFINITY},
                                              {DF::InverseLognormal(0.0, 0, 1), 0},
                                              {DF::InverseLognormal(1.0, 0, 1), INFINITY},
                                              {*DF::InverseBeta(1.0, 2, 0.5), 1},
                                              {*DF::InverseBeta(0.0, 2, 3), 0},
                                              {DF::InverseStudentT(0.0, 98, 2), INFINITY},
                                              {*DF::LognormalDensity(0, 0, 1), 0},
                                              {*DF::BetaDensity(1.5, 2, 2), 0}};
    for (const auto& [got, expected] : ends) EXPECT_EQ(got, expected);
    for (const auto& f : std::vector<std::function<void()>>{
             [] { DF::InverseNormal(1.5, 0, 1); }, [] { DF::InverseNormal(-0.1, 0, 1); },
             [] { DF::InverseNormal(0.5, 0, 0); }, [] { DF::InverseNormal(NAN, 0, 1); },
             [] { DF::InverseLognormal(0.5, 0, -1); }, [] { DF::InverseStudentT(0.05, 98, 3); },
             [] { DF::InverseStudentT(0.05, 0, 2); }, [] { DF::InverseStudentT(-0.05, 10, 1); }})
        EXPECT_EQ(test::ErrorNumber(f), 255);
    for (const auto& none : {DF::InverseBeta(0.5, 0, 2), DF::InverseBeta(0.5, 2, -1), DF::InverseBeta(1.5, 2, 2),
                             DF::InverseBeta(NAN, 2, 2), DF::NormalDensity(0, 0, 0), DF::LognormalDensity(1, 0, 0),
                             DF::BetaDensity(0.5, 0, 1), DF::BetaDensity(0.0, 0.5, 2), DF::BetaDensity(NAN, 2, 2)})
        EXPECT_FALSE(none);
}

// The double-only policy must keep close to what Boost gives with its default policy,
// which evaluates in long double.
TEST(Distributions, AgreeWithBoostDefaultPolicy) {
    namespace bm = boost::math;
    const auto relDiff = [](double a, double b) {
        return a == b ? 0.0 : std::fabs(a - b) / std::max(std::fabs(a), std::fabs(b));
    };
    std::vector<double> us{1e-12, 1e-8, 1e-5, 1 - 1e-5, 1 - 1e-8};
    for (int i = 1; i < 1000; ++i) us.push_back(i / 1000.0);
    for (const double u : us) {
        EXPECT_LT(relDiff(DF::InverseNormal(u, 0, 0.7), bm::quantile(bm::normal(0, 0.7), u)), 1e-14) << u;
        EXPECT_LT(relDiff(*DF::BetaDensity(u, 2.5, 4.0), bm::pdf(bm::beta_distribution<>(2.5, 4.0), u)), 1e-14) << u;
        const double inner = std::clamp(u, 1e-5, 1 - 1e-5), lower = std::min(u, 1 - u);  // beta inside, t one-tailed
        for (double a : {0.5, 2.0, 7.3})
            for (double b : {0.8, 3.0, 25.0})
                EXPECT_LT(relDiff(*DF::InverseBeta(inner, a, b), bm::quantile(bm::beta_distribution<>(a, b), inner)),
                          1e-13)
                    << u;
        for (double df : {1.0, 5.0, 18.0, 98.0, 49998.0})
            EXPECT_LT(relDiff(DF::InverseStudentT(lower, df, 1),
                              bm::quantile(bm::complement(bm::students_t(df), lower))),
                      1e-13)
                << u;
    }
}

// ---- small services -----------------------------------------------------------------------

TEST(NumericServices, MinAndMaxClampAndGiveTheWinnersType) {
    EXPECT_EQ(MathFunctions::Max(MathFunctions::Min(1.7, 1.0), 0.0), 1.0);  // clamping as the callers write it
    EXPECT_EQ(MathFunctions::Max(MathFunctions::Min(-0.2, 1.0), 0.0), 0.0);
    EXPECT_TRUE(std::isnan(MathFunctions::Max(MathFunctions::Min(NAN, 1.0), 0.0)));
    EXPECT_EQ(MathFunctions::Max(Variant(std::int16_t{3}), Variant(2.5)).type(), VarType::Int16);
    EXPECT_EQ(MathFunctions::Min(Variant(std::int16_t{3}), Variant(2.5)).type(), VarType::Double);
    EXPECT_EQ(MathFunctions::Max(Variant(2), Variant(2.0)).type(), VarType::Int32);  // a tie gives the first argument
    EXPECT_EQ(CDbl(MathFunctions::Max(Variant(), Variant(-1))), 0.0);                // Empty counts as 0
}

TEST(NumericServices, ArrayExtremesOfNothingAreTheFarLimits) {
    const std::vector<double> v{3, -2.5, 7, 0};
    EXPECT_EQ(MathFunctions::ArrayMin(v), -2.5);
    EXPECT_EQ(MathFunctions::ArrayMax(v), 7.0);
    EXPECT_EQ(MathFunctions::ArrayMin(std::vector<double>{}), NumericLimits::LargestDouble);
    EXPECT_EQ(MathFunctions::ArrayMax(std::vector<double>{}), NumericLimits::MostNegativeDouble);
}

TEST(NumericServices, TheLimitsSurviveTheirText) {
    EXPECT_EQ(FormatDouble(kNoValue), "-1.79769313486231E+308");
    EXPECT_EQ(Val(FormatDouble(kNoValue)), kNoValue);
    EXPECT_EQ(Val(FormatDouble(NumericLimits::LargestDouble)), NumericLimits::LargestDouble);
}

TEST(NumericServices, FileExistsOnlyForAFile) {
    test::TempDir dir;
    const std::string file = dir.file("Template \xC3\xA9.rtf");
    test::WriteBytes(file, "x");
    EXPECT_TRUE(FileFunctions::FileExists(file));
    EXPECT_FALSE(FileFunctions::FileExists(dir.str()));
    EXPECT_FALSE(FileFunctions::FileExists(""));
}

TEST(NumericServices, SignIsOneMinusOneOrZero) {
    EXPECT_EQ(AuxFunctions::Sign(0.3f), 1);
    EXPECT_EQ(AuxFunctions::Sign(-0.01f), -1);
    EXPECT_EQ(AuxFunctions::Sign(0.0f), 0);
}

TEST(NumericServices, CorrelationByHandAndAgainstLongDouble) {
    using ArrayStatistics::Correlation;
    using V = std::vector<double>;
    EXPECT_DOUBLE_EQ(*Correlation(V{1, 2, 3}, V{3, 2, 1}), -1.0);
    EXPECT_NEAR(*Correlation(V{1, 2, 3, 4}, V{1, 3, 2, 4}), 0.8, 1e-15);  // centred sums 4 / sqrt(5 * 5)
    EXPECT_NEAR(*Correlation(V{1e9 + 1, 1e9 + 2, 1e9 + 3, 1e9 + 4}, V{1, 3, 2, 4}), 0.8, 1e-12);
    // No spread (the mean of many copies of 0.1 is not exactly 0.1), unequal lengths, NaN.
    V tenths(10000, 0.1), spread(10000);
    for (std::size_t i = 0; i < spread.size(); ++i) spread[i] = static_cast<double>(i % 17);
    // Infinite values.
    for (const auto& [x, y] : {std::pair{V{5, 5, 5}, V{1, 2, 3}},
                               {tenths, spread},
                               {spread, tenths},
                               {V{1, 2, 3}, V{1, 2}},
                               {V{1}, V{1}},
                               {V{1, NAN, 3}, V{1, 2, 3}},
                               {V{1, 2, 3, 4, 5}, V{1, 2, 3, 4, INFINITY}}})
        EXPECT_FALSE(Correlation(x, y));
    // Finite values whose running sum overflows: 1.5E308 (1, -1, 1, 1, -1) has the
    // centred values 1.5E308 (0.8, -1.2, 0.8, 0.8, -1.2), and with 1 to 5 the centred
    // sums -2, 4.8 and 10 (in units): -2 / sqrt(48) = -1 / (2 sqrt(3)).
    EXPECT_NEAR(*Correlation(V{1.5e308, -1.5e308, 1.5e308, 1.5e308, -1.5e308}, V{1, 2, 3, 4, 5}), -0.5 / std::sqrt(3.0),
                1e-15);
    // Lengths that leave 0 to 3 values beyond the sums' four parts, against the same
    // sums in long double, one after the other.
    for (const std::size_t n : {10000u, 10001u, 10002u, 10003u}) {
        V x(n), y(n);
        for (std::size_t i = 0; i < n; ++i) x[i] = std::sin(0.1 * i) + 3, y[i] = x[i] * 0.5 + std::cos(0.37 * i);
        long double mx = 0, my = 0, sxx = 0, syy = 0, sxy = 0;
        for (std::size_t i = 0; i < n; ++i) mx += x[i], my += y[i];
        mx /= n, my /= n;
        for (std::size_t i = 0; i < n; ++i)
            sxx += (x[i] - mx) * (x[i] - mx), syy += (y[i] - my) * (y[i] - my), sxy += (x[i] - mx) * (y[i] - my);
        EXPECT_NEAR(*Correlation(x, y), static_cast<double>(sxy / std::sqrt(sxx * syy)), 1e-14) << n;
    }
}

TEST(NumericServices, QuantileInterpolatesRisesAndRefusesNothingOrABadP) {
    using ArrayStatistics::Quantile;
    using V = std::vector<double>;
    const V s{1, 2, 3, 4};
    for (const auto& [p, q] : {std::pair{0.0, 1.0}, {1.0, 4.0}, {0.5, 2.5}, {1.0 / 3.0, 2.0}, {0.05, 1.15}})
        EXPECT_DOUBLE_EQ(Quantile(p, s), q) << p;
    EXPECT_EQ(Quantile(0.3, V{7}), 7.0);
    for (const auto& [p, v] : {std::pair{0.5, V{}}, {1.01, s}, {NAN, s}}) EXPECT_THROW(Quantile(p, v), AppError) << p;
    V roots;
    for (int i = 0; i < 101; ++i) roots.push_back(std::sqrt(static_cast<double>(i)) * 3.7 - 5);
    for (int i = 1; i <= 1000; ++i) ASSERT_GE(Quantile(i / 1000.0, roots), Quantile((i - 1) / 1000.0, roots)) << i;
}

// Neighbours further apart than the largest Double: the quantile still lies between
// them. By hand: -1.7e308 + p 3.4e308.
TEST(NumericServices, QuantileBetweenNeighboursFurtherApartThanTheLargestDouble) {
    using ArrayStatistics::Quantile;
    const struct {
        const char* name;
        std::vector<double> sorted;
        double p, q;
    } cases[] = {
        {"the 95 % lower limit of two", {-1.7e308, 1.7e308}, 0.025, -1.615e308},
        {"the 95 % upper limit of two", {-1.7e308, 1.7e308}, 0.975, 1.615e308},
        {"the middle of three", {-1.7e308, 1.7e308, 1.75e308}, 0.25, 0},
        {"the whole Double range", {-DBL_MAX, DBL_MAX}, 0.75, DBL_MAX / 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(Quantile(c.p, c.sorted), c.q, 1e-15 * 1.7e308);
    }
}

}  // namespace
}  // namespace nuvir
