// Least squares against the certified Longley results, fits worked by hand, the
// failures, and agreement with an independent QR solution.
#include "simulation/regression.h"

#include <Eigen/Dense>
#include <gtest/gtest.h>
#include <random>

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

double D(const Variant& v) { return v.rawDouble(); }
double At(const Variant& arr, int i) { return arr(i).rawDouble(); }

// NIST StRD Longley: y (employment), GNP deflator, GNP, unemployed, armed forces,
// population, year.
const double kLongley[16][7] = {
    {60323, 83.0, 234289, 2356, 1590, 107608, 1947},  {61122, 88.5, 259426, 2325, 1456, 108632, 1948},
    {60171, 88.2, 258054, 3682, 1616, 109773, 1949},  {61187, 89.5, 284599, 3351, 1650, 110929, 1950},
    {63221, 96.2, 328975, 2099, 3099, 112075, 1951},  {63639, 98.1, 346999, 1932, 3594, 113270, 1952},
    {64989, 99.0, 365385, 1870, 3547, 115094, 1953},  {63761, 100.0, 363112, 3578, 3350, 116219, 1954},
    {66019, 101.2, 397469, 2904, 3048, 117388, 1955}, {67857, 104.6, 419180, 2822, 2857, 118734, 1956},
    {68169, 108.4, 442769, 2936, 2798, 120445, 1957}, {66513, 110.8, 444546, 4681, 2637, 121950, 1958},
    {68655, 112.6, 482704, 3813, 2552, 123366, 1959}, {69564, 114.2, 502601, 3931, 2514, 125368, 1960},
    {69331, 115.7, 518173, 4806, 2572, 127852, 1961}, {70551, 116.9, 554894, 4007, 2827, 130081, 1962}};

Columns Longley() {
    Columns d;
    d.x.assign(6, {});
    for (const auto& row : kLongley) {
        d.y.push_back(row[0]);
        for (std::size_t c = 0; c < 6; ++c) d.x[c].push_back(row[c + 1]);
    }
    return d;
}

TEST(RegressionFits, CertifiedAndWorkedByHand) {
    // What each case expects: coefficients, their standard errors, R^2, adjusted R^2, the
    // standard error of the estimate, the ANOVA sums and the standardised coefficients
    // (NaN: not checked), each within a relative tolerance.
    const double nan = std::nan("");
    const struct {
        const char* name;
        Columns d;
        bool constant;
        std::vector<double> b, se;
        double r2, r2adj, sd;
        std::array<double, 3> anova;
        std::vector<double> beta;
        double tolerance = 1e-12;
    } cases[] = {
        // NIST StRD certified values (constant first); the same figures follow from solving
        // the normal equations of these rows in exact rational arithmetic, as do the
        // standardised coefficients b_i s_x / s_y (the constant unscaled) and the centred
        // regression sum of squares.
        {"Longley", Longley(), true,
         {-3482258.63459582, 15.0618722713733, -0.358191792925910e-01, -2.02022980381683, -1.03322686717359,
          -0.511041056535807e-01, 1829.15146461355},
         {890420.383607373, 84.9149257747669, 0.334910077722432e-01, 0.488399681651699, 0.214274163161675,
          0.226073200069370, 455.478499142212},
         0.995479004577296, 1.0 - (1.0 - 0.995479004577296) * 15.0 / 9.0, 304.854073561965,
         {184172401.944494, 836424.055505915, 68445976650}, {-3482258.63459582, 0.0462820226709081, -1.01374634871452,
          -0.537542577639366, -0.204740692344252, -0.101221113945851, 2.47966438294683}, 1e-7},
        // Sxx = 10, Sxy = 6, Syy = 6: slope 0.6, intercept 2.2, SSE = 2.4, s^2 = 0.8.
        {"x = 1..5, y = 2 4 5 4 5", {{{1, 2, 3, 4, 5}}, {2, 4, 5, 4, 5}}, true, {2.2, 0.6}, {std::sqrt(0.88), std::sqrt(0.08)},
         0.6, 1.0 - 0.4 * 4.0 / 3.0, std::sqrt(0.8), {3.6, 2.4, 86}, {2.2, 6.0 / std::sqrt(60.0)}},
        // Through the origin: Sum x^2 = 14, Sum xy = 16, Sum y^2 = 19, b = 8/7, SSR = 128/7,
        // SSE = 5/7, uncentred R^2 = 128/133, s^2 = 5/14.
        {"origin, x = 1 2 3, y = 1 3 3", {{{1, 2, 3}}, {1, 3, 3}}, false, {8.0 / 7.0}, {std::sqrt(5.0 / 14.0 / 14.0)},
         128.0 / 133.0, 1.0 - 5.0 / 133.0, std::sqrt(5.0 / 14.0), {128.0 / 7.0, 5.0 / 7.0, 19}, {8.0 / 7.0 * std::sqrt(14.0 / 19.0)}},
        // X'X = [[3, 3], [3, 6]], X'y = [11, 15]: b = [7/3, 4/3], SSR = 137/3, Sum y^2 = 46, s^2 = 1/6.
        {"two regressors, origin", {{{1, 0, 1, 1}, {0, 1, 1, 2}}, {2, 1, 4, 5}}, false, {7.0 / 3.0, 4.0 / 3.0},
         {std::sqrt(6.0 / 9.0 / 6.0), std::sqrt(3.0 / 9.0 / 6.0)}, (137.0 / 3.0) / 46.0, nan, nan, {nan, nan, 46},
         {7.0 / 3.0 * std::sqrt(3.0 / 46.0), 4.0 / 3.0 * std::sqrt(6.0 / 46.0)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto expectNear = [&](double got, double expected) {
            if (!std::isnan(expected)) {
                EXPECT_NEAR(got, expected, c.tolerance * std::fabs(expected));
            }
        };
        CRegression reg;
        Fit(reg, c.d, c.constant);
        ASSERT_EQ(reg.ErrorText(), "");
        for (std::size_t i = 0; i < c.b.size(); ++i) {
            expectNear(At(reg.Coefficients(), static_cast<int>(i)), c.b[i]);
            expectNear(At(reg.CoefficientsStdErr(), static_cast<int>(i)), c.se[i]);
            expectNear(At(reg.StandardisedCoefficients(), static_cast<int>(i)), c.beta[i]);
        }
        expectNear(D(reg.R2()), c.r2);
        expectNear(D(reg.R2Adjusted()), c.r2adj);
        expectNear(D(reg.StdErrEstimate()), c.sd);
        for (int i = 0; i < 3; ++i) expectNear(At(reg.ANOVA(), i), c.anova[static_cast<std::size_t>(i)]);
    }
    CRegression reg;
    Fit(reg, cases[1].d, true);
    EXPECT_EQ(D(reg.MeanY()), 4.0);
    EXPECT_EQ(At(reg.MeanX(), 0), 3.0);
}

// ---- failures ---------------------------------------------------------------------------

TEST(RegressionFailure, TooFewObservationsBadArgumentsAndSingularFits) {
    CRegression reg;
    const Columns three{{{1, 2, 3}, {2, 1, 7}}, {1, 2, 4}};  // N = 3, P = 3 with the constant
    Fit(reg, three, true);
    EXPECT_EQ(reg.ErrorText(), "Insufficient n");
    EXPECT_TRUE(reg.Coefficients().isEmpty() && reg.R2().isEmpty() && reg.MeanY().isEmpty());
    // The text survives a later good fit until Initialise.
    const Columns line{{{1, 2, 3, 4, 5}}, {2, 4, 5, 4, 5}};
    reg.LeastSquares(std::vector<const double*>{line.x[0].data()}, line.y.data(), line.rows());
    EXPECT_TRUE(!reg.R2().isEmpty() && reg.ErrorText() == "Insufficient n");
    Fit(reg, three, false);  // one degree of freedom left: it fits
    EXPECT_EQ(reg.ErrorText(), "");
    reg.LeastSquares(Variant(1.0), Variant::List({Variant(0)}), 1);  // bad arguments are absorbed into the text
    EXPECT_EQ(reg.ErrorText(), "Type mismatch");
    // A copy of a regressor, a zero column (costs all 0): singular, with or without the constant.
    std::mt19937_64 g(7);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    Columns copy{{{}, {}, {}}, {}};
    for (int r = 0; r < 200; ++r) {
        const double a = u(g), b = u(g);
        copy.x[0].push_back(a), copy.x[1].push_back(b), copy.x[2].push_back(a), copy.y.push_back(1.0 + 2.0 * a + 3.0 * b + 0.1 * u(g));
    }
    const Columns zero{{{0.1, 0.5, 0.2, 0.9, 0.4}, {0, 0, 0, 0, 0}}, {1, 2, 3, 4, 6}};
    for (const bool constant : {true, false}) {
        for (const Columns* d : std::array<const Columns*, 2>{&copy, &zero}) {
            Fit(reg, *d, constant);
            EXPECT_EQ(reg.ErrorText(), "Matrix is singular") << constant;
            EXPECT_TRUE(reg.Coefficients().isEmpty() && reg.StandardisedCoefficients().isEmpty() && reg.R2().isEmpty());
        }
    }
    // A quantity sampled with zero spread is a constant column; next to the constant term
    // the cross-product matrix is singular up to the rounding of its sums, which grows with N.
    for (const std::int32_t n : {12, 10000, 300000}) {
        for (const double c : {0.1, 0.7, 1234.567, 1.0 / 3.0}) {
            Columns d{{{}, {}, {}}, {}};
            for (std::int32_t r = 0; r < n; ++r) {
                const double a = u(g), b = u(g);
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
    // y = 0.3 x1 + 0.7 x2 to the last bit: the residual sum of squares is a difference of
    // two nearly equal sums and comes out on either side of zero. A negative one counts
    // as 0; the fit succeeds with R^2 near 1.
    std::mt19937_64 g(3);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    int negative = 0;
    for (int trial = 0; trial < 60; ++trial) {
        const bool constant = trial % 2 == 0;
        Columns d{{{}, {}}, {}};
        for (int r = 0; r < 50; ++r) {
            const double a = u(g), b = u(g);
            d.x[0].push_back(a), d.x[1].push_back(b), d.y.push_back((constant ? 0.1 : 0.0) + 0.3 * a + 0.7 * b);
        }
        CRegression reg;
        Fit(reg, d, constant);
        ASSERT_EQ(reg.ErrorText(), "") << trial;
        EXPECT_NEAR(D(reg.R2()), 1.0, 1e-12);
        EXPECT_LT(D(reg.StdErrEstimate()), 1e-6);
        EXPECT_NEAR(At(reg.Coefficients(), constant ? 1 : 0), 0.3, 1e-12);
        EXPECT_GE(At(reg.ANOVA(), 1), 0.0);
        negative += !constant && At(reg.ANOVA(), 2) - At(reg.ANOVA(), 0) < 0;  // the stored SSR is uncentred here
    }
    EXPECT_GT(negative, 0) << "no case exercised a negative difference";
}

// Least squares by Householder QR in long double on the design matrix itself.
std::vector<double> QrReference(const Columns& d, bool constant) {
    using ML = Eigen::Matrix<long double, Eigen::Dynamic, Eigen::Dynamic>;
    using VL = Eigen::Matrix<long double, Eigen::Dynamic, 1>;
    const int n = d.rows(), k = static_cast<int>(d.x.size()), p = k + (constant ? 1 : 0);
    ML x = ML::Ones(n, p);
    VL y(n);
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < k; ++c) x(r, c + p - k) = d.x[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)];
        y(r) = d.y[static_cast<std::size_t>(r)];
    }
    const VL b = x.householderQr().solve(y);
    return std::vector<double>(b.data(), b.data() + p);
}

// 9 regressors (the engine's case), also through the trial table and a Variant table,
// which give the same sums; and 17, beyond the unrolled sizes.
TEST(RegressionEntryPoints, AgreeWithEachOtherAndWithQr) {
    std::mt19937_64 g(9);
    std::normal_distribution<double> nd(0.0, 1.0);
    for (const std::size_t k : {9u, 17u}) {
        Columns d{std::vector<std::vector<double>>(k), {}};
        for (int r = 0; r < 2000; ++r) {
            double y = 5.0;
            for (std::size_t c = 0; c < k; ++c) y += (static_cast<double>(c % 4) - 1.5) * d.x[c].emplace_back(10.0 + static_cast<double>(c + 1) * nd(g));
            d.y.push_back(y + nd(g));
        }
        TrialTable table(d.rows(), 0);
        Variant data = Variant::MakeArray(VarType::Double, {Bounds{1, d.rows()}, Bounds{0, 9}});
        Variant list = Variant::MakeArray(VarType::Int32, {Bounds{0, 8}});
        for (int c = 0; c < 9; ++c) list(c) = c;
        for (std::int32_t t = 1; k == 9 && t <= d.rows(); ++t) {
            const auto r = static_cast<std::size_t>(t - 1);
            for (int c = 0; c < 9; ++c) data(t, c) = table(t, c) = d.x[static_cast<std::size_t>(c)][r];
            data(t, 9) = table(t, TrialTable::kTotalRisk) = d.y[r];
        }
        for (const bool constant : {true, false}) {
            CRegression reg, a, v;
            Fit(reg, d, constant);
            ASSERT_EQ(reg.ErrorText(), "");
            const std::vector<double> ref = QrReference(d, constant), b = reg.CoefficientValues();
            ASSERT_EQ(b.size(), ref.size());
            for (std::size_t i = 0; i < b.size(); ++i)
                EXPECT_NEAR(b[i], ref[i], 1e-9 * std::max(1.0, std::fabs(ref[i]))) << k << " " << i;
            if (k != 9) continue;
            a.SetUseConstant(constant), v.SetUseConstant(constant);
            a.LeastSquares(table, std::vector<std::int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}, TrialTable::kTotalRisk);
            v.LeastSquares(data, list, 9);
            EXPECT_TRUE(a.CoefficientValues() == b && v.CoefficientValues() == b && a.R2Value() == reg.R2Value());
            EXPECT_EQ(a.StandardisedValues(), v.StandardisedValues());
        }
    }
}

}  // namespace
}  // namespace nuvir
