#include "simulation/regression.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <new>
#include <stdexcept>
#include <utility>

#include "numerics/matrix.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "simulation/trialtable.h"

namespace nuvir {

// Sums of one pass over the rows. The augmented row is (1, x_0 .. x_{k-1}, y); `tri`
// holds the lower triangle of its cross-product matrix, element (i, j), j <= i, at
// i (i + 1) / 2 + j. It carries X'X and X'y with or without the constant, the sums of
// the regressors and of y (their products with the 1) and the sum of y squared.
struct CRegression::Sums {
    std::int32_t n = 0;
    int k = 0;  // regressors
    std::vector<double> tri;

    int m() const { return k + 2; }
    double at(int i, int j) const { return tri[static_cast<std::size_t>(i * (i + 1) / 2 + j)]; }
};

namespace {

// Every element is a plain sum in row order, exactly as one pass per element would
// form it; only the loop nest differs. The rows go in blocks that stay in the first
// cache level; within a block, row I of the triangle keeps its I + 1 running sums in
// registers while it walks the rows, reading each column contiguously.
template <int I>
inline void TriangleRow(const double* const* cols, std::int64_t r0, int nb, double* tri) {
    constexpr int off = I * (I + 1) / 2;
    double a[I + 1];
#pragma GCC unroll 32
    for (int j = 0; j <= I; ++j) a[j] = tri[off + j];
    const double* zi = cols[I - 1] + r0;
    for (int r = 0; r < nb; ++r) {
        const double v = zi[r];
        a[0] += v;  // z_I times the 1
#pragma GCC unroll 32
        for (int j = 1; j <= I; ++j) a[j] += v * cols[j - 1][r0 + r];
    }
#pragma GCC unroll 32
    for (int j = 0; j <= I; ++j) tri[off + j] = a[j];
}

template <int... Is>
inline void TriangleRows(const double* const* cols, std::int64_t r0, int nb, double* tri,
                         std::integer_sequence<int, Is...>) {
    (TriangleRow<Is + 1>(cols, r0, nb, tri), ...);
}

template <int M>
void CrossProductsFixed(const double* const* cols, std::int64_t rows, double* tri) {
    constexpr int kBlock = 512;
    for (std::int64_t r0 = 0; r0 < rows; r0 += kBlock) {
        const int nb = static_cast<int>(std::min<std::int64_t>(kBlock, rows - r0));
        TriangleRows(cols, r0, nb, tri, std::make_integer_sequence<int, M - 1>{});
    }
}

void CrossProductsAny(const double* const* cols, int M, std::int64_t rows, double* tri) {
    const std::size_t T = static_cast<std::size_t>(M) * (M + 1) / 2;
    std::vector<double> acc(T, 0.0);
    std::vector<double> z(static_cast<std::size_t>(M), 1.0);
    for (std::int64_t r = 0; r < rows; ++r) {
        for (int c = 1; c < M; ++c) z[c] = cols[c - 1][r];
        std::size_t k = 1;
        for (int i = 1; i < M; ++i) {
            acc[k++] += z[i];
            for (int j = 1; j <= i; ++j) acc[k++] += z[i] * z[j];
        }
    }
    for (std::size_t t = 1; t < T; ++t) tri[t] = acc[t];
}

template <int M>
bool TryFixed(int m, const double* const* cols, std::int64_t rows, double* tri) {
    if (m != M) return false;
    CrossProductsFixed<M>(cols, rows, tri);
    return true;
}

template <int... Ms>
void CrossProducts(const double* const* cols, int m, std::int64_t rows, double* tri,
                   std::integer_sequence<int, Ms...>) {
    if (!(TryFixed<Ms + 2>(m, cols, rows, tri) || ...)) CrossProductsAny(cols, m, rows, tri);
}

// a / b with the failures of the language's division: 0 / 0 overflows, x / 0 is a
// division by zero, and a result beyond the Double range overflows.
double Divide(double a, double b) {
    if (b == 0) {
        if (a == 0 || std::isnan(a)) RaiseOverflow();
        RaiseDivisionByZero();
    }
    const double q = a / b;
    if (!std::isfinite(q)) RaiseOverflow();
    return q;
}

double Sqrt(double x) {
    if (x < 0 || std::isnan(x)) RaiseInvalidCall();
    return std::sqrt(x);
}

double Finite(double x) {
    if (!std::isfinite(x)) RaiseOverflow();
    return x;
}

std::vector<double> ColumnValues(const Matrix& m) {
    std::vector<double> out(static_cast<std::size_t>(m.Rows()));
    for (std::int32_t i = 0; i < m.Rows(); ++i) out[static_cast<std::size_t>(i)] = m.Element(i, 0);
    return out;
}

}  // namespace

CRegression::CRegression() { Initialise(); }
CRegression::~CRegression() = default;

void CRegression::Initialise() {
    xx_.reset();
    xy_.reset();
    b_.reset();
    standardised_.reset();
    bxy_.reset();
    covariance_.reset();
    n_ = 0;
    p_ = 0;
    meanX_.reset();
    meanY_.reset();
    r2_.reset();
    r2Adjusted_.reset();
    sumYY_.reset();
    ssr_.reset();
    sse_.reset();
    stdErrEstimate_.reset();
    errorText_.clear();
    useConstant_ = true;
}

void CRegression::Absorb(const std::string& text) { errorText_ = text; }

template <class F>
void CRegression::Guard(F&& body) {
    try {
        body();
    } catch (const AppError& e) {
        Absorb(e.description());
    } catch (const std::bad_alloc&) {
        Absorb("Out of memory");
    } catch (const std::exception& e) {
        Absorb(e.what());
    }
}

void CRegression::Begin(std::int32_t rows, std::int64_t regressors) {
    n_ = rows;
    const std::int64_t p = regressors + (useConstant_ ? 1 : 0);
    p_ = static_cast<std::int32_t>(std::min<std::int64_t>(p, INT32_MAX));
    if (static_cast<std::int64_t>(n_) - p < 1 || p < 1) RaiseComponentError("Insufficient n");
    // The sums start at zero; they stay so if the pass over the rows fails.
    sumYY_ = 0.0;
    meanY_ = 0.0;
    meanX_ = std::vector<double>(static_cast<std::size_t>(regressors), 0.0);
}

void CRegression::Run(std::span<const double* const> x, const double* y) {
    Sums s;
    s.n = n_;
    s.k = static_cast<int>(x.size());
    const int m = s.m();
    s.tri.assign(static_cast<std::size_t>(m) * (m + 1) / 2, 0.0);
    std::vector<const double*> cols(x.begin(), x.end());
    cols.push_back(y);
    CrossProducts(cols.data(), m, n_, s.tri.data(), std::make_integer_sequence<int, 11>{});
    s.tri[0] = static_cast<double>(n_);  // the sum of N ones
    for (double v : s.tri)
        if (!std::isfinite(v)) RaiseOverflow();
    Fit(s);
}

void CRegression::Fit(const Sums& s) {
    const int k = s.k;
    const int yi = k + 1;  // index of y in the augmented row
    const std::int32_t P = p_;
    const double n = static_cast<double>(s.n);
    const int off = useConstant_ ? 0 : 1;  // augmented index of design column 0

    sumYY_ = s.at(yi, yi);
    std::vector<double> mx(static_cast<std::size_t>(k));
    for (int c = 0; c < k; ++c) mx[static_cast<std::size_t>(c)] = s.at(c + 1, 0) / n;
    meanY_ = s.at(yi, 0) / n;
    meanX_ = mx;
    const double sumYY = *sumYY_;
    const double meanY = *meanY_;

    auto a = std::make_unique<Matrix>(P, P);
    auto v = std::make_unique<Matrix>(P, 1);
    for (int i = 0; i < P; ++i) {
        for (int j = 0; j <= i; ++j) {
            const double e = s.at(i + off, j + off);
            a->SetElement(i, j, e);
            a->SetElement(j, i, e);
        }
        v->SetElement(i, 0, s.at(yi, i + off));
    }
    xx_ = std::move(a);
    xy_ = std::move(v);

    // A cross-product matrix closer to singular than the rounding of its N-term sums
    // gives coefficients that are noise: a regressor without spread next to the
    // constant, or one that copies another.
    const Matrix inverse = xx_->Inverse(static_cast<double>(s.n) * DBL_EPSILON);
    auto b = std::make_unique<Matrix>(inverse.Product(*xy_));
    for (int i = 0; i < P; ++i) Finite(b->Element(i, 0));
    b_ = std::move(b);

    bxy_ = std::make_unique<Matrix>(b_->Transpose().Product(*xy_));
    double ssr = Finite(bxy_->Element(0, 0));
    ssr_ = ssr;
    // A near-perfect fit can leave the difference of two nearly equal sums of
    // squares a little below zero; it is a residual sum of squares, so 0.
    const double sse = std::max(0.0, sumYY - ssr);
    sse_ = sse;

    const double dfResidual = static_cast<double>(s.n - P);
    const double s2 = sse / dfResidual;
    stdErrEstimate_ = Sqrt(s2);
    covariance_ = std::make_unique<Matrix>(inverse.Times(s2));

    double r2;
    if (useConstant_) {
        ssr = ssr - n * (meanY * meanY);
        ssr_ = ssr;
        r2 = Divide(ssr, sumYY - n * (meanY * meanY));
    } else {
        r2 = Divide(ssr, sumYY);
    }
    r2_ = r2;
    r2Adjusted_ = Finite(1.0 - (1.0 - r2) * static_cast<double>(s.n - 1) / dfResidual);

    // Built aside and stored only when complete, so a failure part way leaves none.
    auto st = std::make_unique<Matrix>(b_->Copy());
    if (useConstant_) {
        const double syyCentred = sumYY - n * (meanY * meanY);
        for (int i = 1; i < P; ++i) {
            const double m = mx[static_cast<std::size_t>(i - 1)];
            const double q = Divide(xx_->Element(i, i) - n * (m * m), syyCentred);
            st->SetElement(i, 0, Finite(b_->Element(i, 0) * Sqrt(q)));
        }
    } else {
        for (int i = 0; i < P; ++i) {
            const double q = Divide(xx_->Element(i, i), sumYY);
            st->SetElement(i, 0, Finite(b_->Element(i, 0) * Sqrt(q)));
        }
    }
    standardised_ = std::move(st);
}

void CRegression::LeastSquares(const Variant& data, const Variant& regressors, std::int32_t dependent) {
    Guard([&] {
        if (!data.isArray() || !regressors.isArray()) RaiseTypeMismatch();
        if (data.dims() != 2 || regressors.dims() != 1) RaiseSubscriptOutOfRange();
        const Bounds rows = data.bounds(1);
        const Bounds columns = data.bounds(2);
        const Bounds list = regressors.bounds(1);
        Begin(rows.count(), list.count());

        const auto& elems = data.elements();  // first index fastest: column by column
        const std::size_t n = static_cast<std::size_t>(rows.count());
        auto column = [&](std::int32_t c) {
            if (c < columns.lower || c > columns.upper) RaiseSubscriptOutOfRange();
            std::vector<double> out(n);
            const std::size_t base = static_cast<std::size_t>(c - columns.lower) * n;
            for (std::size_t r = 0; r < n; ++r) {
                const Variant& e = elems[base + r];
                out[r] = e.type() == VarType::Double ? e.rawDouble() : CDbl(e);
            }
            return out;
        };
        std::vector<std::vector<double>> x;
        x.reserve(static_cast<std::size_t>(list.count()));
        for (std::int32_t i = list.lower; i <= list.upper; ++i) x.push_back(column(CLng(regressors(i))));
        const std::vector<double> y = column(dependent);
        std::vector<const double*> ptrs;
        ptrs.reserve(x.size());
        for (const auto& c : x) ptrs.push_back(c.data());
        Run(ptrs, y.data());
    });
}

void CRegression::LeastSquares(const TrialTable& table, std::span<const std::int32_t> regressors,
                               std::int32_t dependent) {
    Guard([&] {
        Begin(table.trials(), static_cast<std::int64_t>(regressors.size()));
        auto column = [&](std::int32_t c) {
            if (c < table.firstColumn() || c > table.lastColumn()) RaiseSubscriptOutOfRange();
            return table.column(c);
        };
        std::vector<const double*> ptrs;
        ptrs.reserve(regressors.size());
        for (std::int32_t c : regressors) ptrs.push_back(column(c));
        const double* y = column(dependent);
        Run(ptrs, y);
    });
}

void CRegression::LeastSquares(std::span<const double* const> regressorColumns, const double* dependentColumn,
                               std::int32_t rows) {
    Guard([&] {
        Begin(std::max<std::int32_t>(rows, 0), static_cast<std::int64_t>(regressorColumns.size()));
        if (dependentColumn == nullptr) RaiseInvalidCall();
        for (const double* c : regressorColumns)
            if (c == nullptr) RaiseInvalidCall();
        Run(regressorColumns, dependentColumn);
    });
}

// ---- results ------------------------------------------------------------------

namespace {
Variant Opt(const std::optional<double>& v) { return v ? Variant(*v) : Variant(); }
}  // namespace

Variant CRegression::R2() const { return Opt(r2_); }
Variant CRegression::R2Adjusted() const { return Opt(r2Adjusted_); }
Variant CRegression::StdErrEstimate() const { return Opt(stdErrEstimate_); }
Variant CRegression::MeanY() const { return Opt(meanY_); }
Variant CRegression::MeanX() const { return meanX_ ? Variant::Doubles(*meanX_) : Variant(); }

Variant CRegression::Coefficients() const { return b_ ? Variant::Doubles(ColumnValues(*b_)) : Variant(); }

Variant CRegression::CoefficientsStdErr() const {
    if (!covariance_) return Variant();
    std::vector<double> se(static_cast<std::size_t>(covariance_->Rows()));
    for (std::int32_t i = 0; i < covariance_->Rows(); ++i)
        se[static_cast<std::size_t>(i)] = Sqrt(covariance_->Element(i, i));
    return Variant::Doubles(se);
}

Variant CRegression::StandardisedCoefficients() const {
    return standardised_ ? Variant::Doubles(ColumnValues(*standardised_)) : Variant();
}

Variant CRegression::ANOVA() const {
    return Variant::Doubles({ssr_.value_or(0.0), sse_.value_or(0.0), sumYY_.value_or(0.0)});
}

std::vector<double> CRegression::CoefficientValues() const { return b_ ? ColumnValues(*b_) : std::vector<double>{}; }

std::vector<double> CRegression::StandardisedValues() const {
    return standardised_ ? ColumnValues(*standardised_) : std::vector<double>{};
}

}  // namespace nuvir
