// Least squares against the certified Longley results and a fit worked by hand, the
// failures and exactly linear data, through each entry point.
#include "simulation/regression.h"

#include <gtest/gtest.h>

#include "simulation_fixture.h"

namespace nuvir {
namespace {

// Columns of observations, fitted through the raw-column overload.
struct Columns {
    std::vector<std::vector<double>> x;
    std::vector<double> y;
    std::int32_t rows() const { return static_cast<std::int32_t>(y.size()); }
};

void Fit(CRegression& reg, const Columns& d, bool constant) {
    reg.Initialise();
    reg.SetUseConstant(constant);
    std::vector<const double*> ptrs;
    for (const auto& c : d.x) ptrs.push_back(c.data());
    reg.LeastSquares(ptrs, d.y.data(), d.rows());
}

double At(const Variant& arr, int i) { return arr(i).rawDouble(); }

// NIST StRD Longley: GNP deflator, GNP, unemployed, armed forces, population, year;
// employment is the dependent.
const Columns kLongley{
    {{83.0, 88.5, 88.2, 89.5, 96.2, 98.1, 99.0, 100.0, 101.2, 104.6, 108.4, 110.8, 112.6, 114.2, 115.7, 116.9},
     {234289, 259426, 258054, 284599, 328975, 346999, 365385, 363112, 397469, 419180, 442769, 444546, 482704, 502601,
      518173, 554894},
     {2356, 2325, 3682, 3351, 2099, 1932, 1870, 3578, 2904, 2822, 2936, 4681, 3813, 3931, 4806, 4007},
     {1590, 1456, 1616, 1650, 3099, 3594, 3547, 3350, 3048, 2857, 2798, 2637, 2552, 2514, 2572, 2827},
     {107608, 108632, 109773, 110929, 112075, 113270, 115094, 116219, 117388, 118734, 120445, 121950, 123366, 125368,
      127852, 130081},
     {1947, 1948, 1949, 1950, 1951, 1952, 1953, 1954, 1955, 1956, 1957, 1958, 1959, 1960, 1961, 1962}},
    {60323, 61122, 60171, 61187, 63221, 63639, 64989, 63761, 66019, 67857, 68169, 66513, 68655, 69564, 69331, 70551}};

TEST(RegressionFits, CertifiedAndWorkedByHand) {
    // Coefficients, their standard errors, the standardised coefficients, then R^2,
    // adjusted R^2, the standard error of the estimate and the ANOVA sums, each within a
    // relative tolerance.
    const struct {
        const char* name;
        Columns d;
        bool constant;
        std::vector<double> b, se, beta, fit;
        double tolerance;
    } cases[] = {
        // NIST StRD certified values (constant first); the same figures follow from solving
        // the normal equations of these rows in exact rational arithmetic, as do the
        // standardised coefficients b_i s_x / s_y (the constant unscaled) and the centred
        // regression sum of squares.
        {"Longley",
         kLongley,
         true,
         {-3482258.63459582, 15.0618722713733, -0.358191792925910e-01, -2.02022980381683, -1.03322686717359,
          -0.511041056535807e-01, 1829.15146461355},
         {890420.383607373, 84.9149257747669, 0.334910077722432e-01, 0.488399681651699, 0.214274163161675,
          0.226073200069370, 455.478499142212},
         {-3482258.63459582, 0.0462820226709081, -1.01374634871452, -0.537542577639366, -0.204740692344252,
          -0.101221113945851, 2.47966438294683},
         {0.995479004577296, 1.0 - (1.0 - 0.995479004577296) * 15.0 / 9.0, 304.854073561965, 184172401.944494,
          836424.055505915, 68445976650},
         1e-7},
        // Through the origin: Sum x^2 = 14, Sum xy = 16, Sum y^2 = 19, b = 8/7, SSR = 128/7,
        // SSE = 5/7, uncentred R^2 = 128/133, s^2 = 5/14.
        {"origin, x = 1 2 3, y = 1 3 3",
         {{{1, 2, 3}}, {1, 3, 3}},
         false,
         {8.0 / 7.0},
         {std::sqrt(5.0 / 14.0 / 14.0)},
         {8.0 / 7.0 * std::sqrt(14.0 / 19.0)},
         {128.0 / 133.0, 1.0 - 5.0 / 133.0, std::sqrt(5.0 / 14.0), 128.0 / 7.0, 5.0 / 7.0, 19},
         1e-12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CRegression reg;
        Fit(reg, c.d, c.constant);
        ASSERT_EQ(reg.ErrorText(), "");
        std::vector<double> got;
        for (const Variant& v : {reg.Coefficients(), reg.CoefficientsStdErr(), reg.StandardisedCoefficients()})
            for (std::size_t i = 0; i < c.b.size(); ++i) got.push_back(At(v, static_cast<int>(i)));
        for (const Variant& v : {reg.R2(), reg.R2Adjusted(), reg.StdErrEstimate()}) got.push_back(v.rawDouble());
        for (int i = 0; i < 3; ++i) got.push_back(At(reg.ANOVA(), i));
        std::vector<double> expected = c.b;
        for (const auto* part : {&c.se, &c.beta, &c.fit}) expected.insert(expected.end(), part->begin(), part->end());
        ASSERT_EQ(got.size(), expected.size());
        if (c.constant) {
            EXPECT_EQ(reg.MeanY().rawDouble(), 65317.0);
            EXPECT_EQ(At(reg.MeanX(), 5), 1954.5);
        }
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_NEAR(got[i], expected[i], c.tolerance * std::fabs(expected[i])) << i;
        // The trial table and a Variant table give the same sums, and so the same fit.
        const std::int32_t n = c.d.rows(), k = static_cast<std::int32_t>(c.d.x.size());
        TrialTable table(n, 0);
        Variant data = Variant::MakeArray(VarType::Double, {Bounds{1, n}, Bounds{0, k}});
        std::vector<std::int32_t> columns;
        for (std::int32_t j = 0; j <= k; ++j) {
            const auto& column = j < k ? c.d.x[static_cast<std::size_t>(j)] : c.d.y;
            if (j < k) columns.push_back(j);
            for (std::int32_t t = 1; t <= n; ++t)
                data(t, j) = table(t, j < k ? j : TrialTable::kTotalRisk) = column[static_cast<std::size_t>(t - 1)];
        }
        CRegression a, v;
        a.SetUseConstant(c.constant), v.SetUseConstant(c.constant);
        a.LeastSquares(table, columns, TrialTable::kTotalRisk);
        v.LeastSquares(data, Variant::Doubles(std::vector<double>(columns.begin(), columns.end())), k);
        EXPECT_EQ(a.CoefficientValues(), reg.CoefficientValues());
        EXPECT_EQ(v.CoefficientValues(), reg.CoefficientValues());
        EXPECT_EQ(a.R2Value(), reg.R2Value());
        EXPECT_EQ(v.StandardisedValues(), reg.StandardisedValues());
    }
}

// ---- results far from 1 in the data's units ----------------------------------------------

// A fit on regressors near 1e-200 is the fit at 1 with the slopes and their standard
// errors 1e200 times as large, finite Doubles; likewise x near 1e-100 or 1e100 with y
// near 1e60 or 1e-60, columns within the range that is fitted as it stands, whose
// s^2 times the inverse of the cross products (1e120 x 1e200) and sums of squares'
// quotient (5e-200 / 8.75e120) lie beyond the Double range. By hand at 1:
//   x = 1 2 3 4, y = 1 3 2 5 with the constant: mean x 2.5, mean y 2.75, Sxx 5, Sxy 5.5,
//   Syy 8.75; slope 1.1, constant 0; SSE = 8.75 - 1.1 x 5.5 = 2.7, s^2 = 2.7 / 2 = 1.35;
//   SE(slope) = sqrt(1.35 / 5), SE(constant) = sqrt(1.35 (1 / 4 + 2.5^2 / 5)),
//   standardised slope 5.5 / sqrt(5 x 8.75).
//   x = 1 2 3, y = 1 3 3 through the origin: slope 8/7, SE sqrt(5/14 / 14),
//   standardised slope 8/7 sqrt(14 / 19) (above).
// The slopes and their standard errors scale by y's factor over x's, the constant and
// its standard error by y's; the standardised slope does not.
TEST(RegressionFits, StandardErrorsOfRegressorsFarFrom1) {
    const double withConstant = 5.5 / std::sqrt(5 * 8.75), throughOrigin = 8.0 / 7.0 * std::sqrt(14.0 / 19.0);
    const struct {
        const char* name;
        std::vector<double> x, y;
        double xScale, yScale;
        bool constant;
        std::vector<double> b, se;
        double standardised;
    } cases[] = {
        {"with the constant",
         {1, 2, 3, 4},
         {1, 3, 2, 5},
         1e-200,
         1,
         true,
         {0, 1.1e200},
         {std::sqrt(2.025), std::sqrt(0.27) * 1e200},
         withConstant},
        {"through the origin",
         {1, 2, 3},
         {1, 3, 3},
         1e-200,
         1,
         false,
         {8.0 / 7.0 * 1e200},
         {std::sqrt(5.0 / 14.0 / 14.0) * 1e200},
         throughOrigin},
        // SE(slope) 5.196e159.
        {"x near 1e-100, y near 1e60, with the constant",
         {1, 2, 3, 4},
         {1, 3, 2, 5},
         1e-100,
         1e60,
         true,
         {0, 1.1e160},
         {std::sqrt(2.025) * 1e60, std::sqrt(0.27) * 1e160},
         withConstant},
        {"x near 1e100, y near 1e-60, with the constant",
         {1, 2, 3, 4},
         {1, 3, 2, 5},
         1e100,
         1e-60,
         true,
         {0, 1.1e-160},
         {std::sqrt(2.025) * 1e-60, std::sqrt(0.27) * 1e-160},
         withConstant},
        {"x near 1e-100, y near 1e60, through the origin",
         {1, 2, 3},
         {1, 3, 3},
         1e-100,
         1e60,
         false,
         {8.0 / 7.0 * 1e160},
         {std::sqrt(5.0 / 14.0 / 14.0) * 1e160},
         throughOrigin},
        {"x near 1e100, y near 1e-60, through the origin",
         {1, 2, 3},
         {1, 3, 3},
         1e100,
         1e-60,
         false,
         {8.0 / 7.0 * 1e-160},
         {std::sqrt(5.0 / 14.0 / 14.0) * 1e-160},
         throughOrigin},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Columns d{{{}}, {}};
        for (double x : c.x) d.x[0].push_back(x * c.xScale);
        for (double y : c.y) d.y.push_back(y * c.yScale);
        CRegression reg;
        Fit(reg, d, c.constant);
        ASSERT_EQ(reg.ErrorText(), "");
        const Variant b = reg.Coefficients(), se = reg.CoefficientsStdErr();
        ASSERT_EQ(se.ubound() + 1, static_cast<std::int32_t>(c.se.size()));
        for (std::size_t i = 0; i < c.se.size(); ++i) {
            EXPECT_NEAR(At(b, static_cast<int>(i)), c.b[i], 1e-12 * std::max(std::fabs(c.b[i]), c.yScale)) << i;
            EXPECT_NEAR(At(se, static_cast<int>(i)), c.se[i], 1e-12 * c.se[i]) << i;
        }
        const std::vector<double> standardised = reg.StandardisedValues();
        ASSERT_EQ(standardised.size(), c.b.size());
        EXPECT_NEAR(standardised.back(), c.standardised, 1e-12);
    }
}

// Data whose fit with the constant has a constant beyond the Double range: R^2, the
// standardised slope and the standard errors are finite and stand; the constant is
// held as minus infinity. By hand, in units of 1e308: x = 0.96 .. 1.00 (deviations
// -0.02 .. 0.02, Sxx 0.001), y = x - 2 + e with e = 0.001 (1, -2, 0, 2, -1), which
// neither the constant nor x explains: slope 1, constant -1.02 - 0.98 = -2, SSE = Sum
// e^2 = 1e-5, Syy 0.00101, R^2 = 100/101, standardised slope sqrt(100/101), s^2 = 1e-5
// / 3, SE(slope) = sqrt(s^2 / 0.001), SE(constant) = sqrt(s^2 (1/5 + 0.98^2 / 0.001)).
// The sums of squares in the units of y squared overflow last.
TEST(RegressionFits, AConstantBeyondTheDoubleRange) {
    const std::vector<double> x{0.96, 0.97, 0.98, 0.99, 1.00}, e{1, -2, 0, 2, -1};
    Columns d{{x}, {}};
    for (std::size_t i = 0; i < x.size(); ++i) d.y.push_back(1e308 * (x[i] - 2 + 0.001 * e[i]));
    CRegression reg;
    Fit(reg, d, true);
    EXPECT_EQ(reg.ErrorText(), "Overflow");
    ASSERT_FALSE(reg.R2().isEmpty());
    EXPECT_NEAR(reg.R2().rawDouble(), 100.0 / 101.0, 1e-10);
    EXPECT_NEAR(reg.R2Adjusted().rawDouble(), 1.0 - 1.0 / 101.0 * 4.0 / 3.0, 1e-10);
    const std::vector<double> standardised = reg.StandardisedValues();
    ASSERT_EQ(standardised.size(), 2u);
    EXPECT_NEAR(standardised[1], std::sqrt(100.0 / 101.0), 1e-10);
    const std::vector<double> b = reg.CoefficientValues();
    EXPECT_EQ(b[0], -HUGE_VAL);
    EXPECT_NEAR(b[1], 1e308, 1e298);
    const double s2 = 1e-5 / 3;
    const Variant se = reg.CoefficientsStdErr();
    ASSERT_FALSE(se.isEmpty());
    EXPECT_NEAR(At(se, 0), std::sqrt(s2 * (0.2 + 0.98 * 0.98 / 0.001)) * 1e308, 1e-10 * 5.66e306);
    EXPECT_NEAR(At(se, 1), std::sqrt(s2 / 0.001) * 1e308, 1e-10 * 5.77e306);
}

// ---- failures ---------------------------------------------------------------------------

TEST(RegressionFailure, TooFewObservationsBadArgumentsAndSingularFits) {
    CRegression reg;
    const Columns three{{{1, 2, 3}, {2, 1, 7}}, {1, 2, 4}};  // N = 3, P = 3 with the constant
    Fit(reg, three, true);
    EXPECT_EQ(reg.ErrorText(), "Insufficient n");
    EXPECT_TRUE(reg.Coefficients().isEmpty());
    EXPECT_TRUE(reg.R2().isEmpty());
    EXPECT_TRUE(reg.MeanY().isEmpty());
    // The text survives a later good fit until Initialise.
    reg.LeastSquares(std::vector<const double*>{three.x[0].data()}, three.y.data(), three.rows());
    EXPECT_FALSE(reg.R2().isEmpty());
    EXPECT_EQ(reg.ErrorText(), "Insufficient n");
    reg.SetErrorText("the caller's");  // a text the caller sets is kept the same way
    reg.LeastSquares(std::vector<const double*>{three.x[0].data()}, three.y.data(), three.rows());
    EXPECT_EQ(reg.ErrorText(), "the caller's");
    Fit(reg, three, false);  // one degree of freedom left: it fits
    EXPECT_EQ(reg.ErrorText(), "");
    reg.LeastSquares(Variant(1.0), Variant::List({Variant(0)}), 1);  // bad arguments are absorbed into the text
    EXPECT_EQ(reg.ErrorText(), "Type mismatch");
    // A zero column (costs all 0): singular, with or without the constant.
    for (const bool constant : {true, false}) {
        Fit(reg, Columns{{{0.1, 0.5, 0.2, 0.9, 0.4}, {0, 0, 0, 0, 0}}, {1, 2, 3, 4, 6}}, constant);
        EXPECT_EQ(reg.ErrorText(), "Matrix is singular") << constant;
        EXPECT_TRUE(reg.Coefficients().isEmpty());
        EXPECT_TRUE(reg.StandardisedCoefficients().isEmpty());
        EXPECT_TRUE(reg.R2().isEmpty());
    }
    // A quantity sampled with zero spread is a constant column; next to the constant term
    // the cross-product matrix is singular up to the rounding of its sums, which grows with N.
    auto next = enginetest::Uniforms(7);
    for (const std::int32_t n : {12, 10000, 300000}) {
        for (const double c : {0.1, 0.7, 1234.567, 1.0 / 3.0}) {
            Columns d{{{}, {}, {}}, {}};
            for (std::int32_t r = 0; r < n; ++r) {
                const double a = next(), b = next();
                d.x[0].push_back(a), d.x[1].push_back(c), d.x[2].push_back(b * 100.0), d.y.push_back(a + b + c);
            }
            Fit(reg, d, true);
            EXPECT_EQ(reg.ErrorText(), "Matrix is singular") << "n " << n << " c " << c;
        }
    }
    Fit(reg, Columns{{{1, 2, 3, 4}}, {0, 0, 0, 0}}, false);  // all-zero dependent: R^2 would be 0 / 0
    EXPECT_EQ(reg.ErrorText(), "Overflow");
    EXPECT_TRUE(reg.R2().isEmpty());
}

TEST(RegressionExact, ExactlyLinearDataFit) {
    // y = 0.3 x1 + 0.7 x2 (+ 0.01 x3 + 0.02 x4 ... beyond the unrolled sizes) to the last
    // bit: the residual sum of squares is a difference of two nearly equal sums and comes
    // out on either side of zero. A negative one counts as 0; the fit succeeds with R^2
    // near 1 and the coefficients of the data.
    auto next = enginetest::Uniforms(3);
    int negative = 0;
    for (int trial = 0; trial < 60; ++trial) {
        const bool constant = trial % 2 == 0;
        const std::size_t k = trial % 3 == 2 ? 17 : 2;
        Columns d{std::vector<std::vector<double>>(k), {}};
        for (int r = 0; r < 50; ++r) {
            double y = constant ? 0.1 : 0.0;
            for (std::size_t c = 0; c < k; ++c) y += (c < 2 ? 0.3 + 0.4 * c : 0.01 * c) * d.x[c].emplace_back(next());
            d.y.push_back(y);
        }
        CRegression reg;
        Fit(reg, d, constant);
        ASSERT_EQ(reg.ErrorText(), "") << trial;
        EXPECT_LT(std::fabs(reg.R2().rawDouble() - 1.0), 1e-12) << trial;
        EXPECT_LT(reg.StdErrEstimate().rawDouble(), 1e-6) << trial;
        const std::vector<double> b = reg.CoefficientValues();
        for (std::size_t c = 0; c < k; ++c)
            EXPECT_NEAR(b[c + (constant ? 1 : 0)], c < 2 ? 0.3 + 0.4 * c : 0.01 * c, 1e-9) << trial;
        const double residual = At(reg.ANOVA(), 1);
        EXPECT_GE(residual, 0.0) << residual;
        EXPECT_LT(residual, 1e-9) << residual;
        negative += !constant && At(reg.ANOVA(), 2) - At(reg.ANOVA(), 0) < 0;  // the stored SSR is uncentred here
    }
    EXPECT_GT(negative, 0) << "no case exercised a negative difference";
}

}  // namespace
}  // namespace nuvir
