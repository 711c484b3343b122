#include "simulation/regression.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <new>
#include <stdexcept>
#include <utility>

#include "numerics/accuratesums.h"
#include "numerics/matrix.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "simulation/trialtable.h"

namespace nuvir {

// The cross products of the rows as the fit sees them. The augmented row is
// (1, z_0 .. z_{k-1}, w): each column scaled by a power of two from its largest
// magnitude, z_c = x_c 2^-e_c - shift_c, and w likewise from y; with the constant the
// shift is near the column's scaled mean, so that the sums are nearly centred. `tri` holds the
// lower triangle of the row's cross-product matrix, element (i, j), j <= i, at
// i (i + 1) / 2 + j: the sums of the z and w (their products with the 1), their
// cross products and the sum of w squared.
struct CRegression::Sums {
    std::int32_t n = 0;
    int k = 0;  // regressors
    std::vector<double> tri;
    // Per column, the regressors then y: the exponent e and the shift.
    std::vector<int> exponent;
    std::vector<double> shift;

    int m() const { return k + 2; }
    double at(int i, int j) const { return tri[static_cast<std::size_t>(i * (i + 1) / 2 + j)]; }
};

namespace {

// Rows go in blocks small enough that their scaled columns stay in the first cache
// level; each block's sums are plain, and are added to the totals with their
// rounding carried (see accuratesums.h).
constexpr int kBlock = 256;

// How each data column becomes a column of the fit: z = x * scale - shift.
struct ColumnForm {
    const double* const* cols;
    const double* scale;
    const double* shift;
};

// Columns 1 to M - 1 of the augmented row for rows r0 to r0 + nb - 1 into z.
void FormBlock(const ColumnForm& form, int M, std::int64_t r0, int nb, double* z) {
    for (int c = 0; c < M - 1; ++c) {
        const double* x = form.cols[c] + r0;
        const double sc = form.scale[c], sh = form.shift[c];
        double* out = z + static_cast<std::ptrdiff_t>(c) * kBlock;
        for (int r = 0; r < nb; ++r) out[r] = x[r] * sc - sh;
    }
}

// Row I of the triangle over one block: its I + 1 sums kept in registers while it
// walks the rows, reading each column contiguously.
template <int I>
inline void TriangleRow(const double* z, int nb, CompensatedSum* tri) {
    constexpr int off = I * (I + 1) / 2;
    double a[I + 1] = {};
    const double* zi = z + (I - 1) * kBlock;
    for (int r = 0; r < nb; ++r) {
        const double v = zi[r];
        a[0] += v;  // z_I times the 1
#pragma GCC unroll 32
        for (int j = 1; j <= I; ++j) a[j] += v * z[(j - 1) * kBlock + r];
    }
#pragma GCC unroll 32
    for (int j = 0; j <= I; ++j) tri[off + j].Add(a[j]);
}

template <int... Is>
inline void TriangleRows(const double* z, int nb, CompensatedSum* tri, std::integer_sequence<int, Is...>) {
    (TriangleRow<Is + 1>(z, nb, tri), ...);
}

template <int M>
void CrossProductsFixed(const ColumnForm& form, std::int64_t rows, CompensatedSum* tri) {
    std::vector<double> z(static_cast<std::size_t>(M - 1) * kBlock);
    for (std::int64_t r0 = 0; r0 < rows; r0 += kBlock) {
        const int nb = static_cast<int>(std::min<std::int64_t>(kBlock, rows - r0));
        FormBlock(form, M, r0, nb, z.data());
        TriangleRows(z.data(), nb, tri, std::make_integer_sequence<int, M - 1>{});
    }
}

void CrossProductsAny(const ColumnForm& form, int M, std::int64_t rows, CompensatedSum* tri) {
    const std::size_t T = static_cast<std::size_t>(M) * (M + 1) / 2;
    std::vector<double> z(static_cast<std::size_t>(M - 1) * kBlock);
    std::vector<double> acc(T);
    for (std::int64_t r0 = 0; r0 < rows; r0 += kBlock) {
        const int nb = static_cast<int>(std::min<std::int64_t>(kBlock, rows - r0));
        FormBlock(form, M, r0, nb, z.data());
        std::fill(acc.begin(), acc.end(), 0.0);
        for (int r = 0; r < nb; ++r) {
            std::size_t k = 1;
            for (int i = 1; i < M; ++i) {
                const double zi = z[static_cast<std::size_t>(i - 1) * kBlock + static_cast<std::size_t>(r)];
                acc[k++] += zi;
                for (int j = 1; j <= i; ++j)
                    acc[k++] += zi * z[static_cast<std::size_t>(j - 1) * kBlock + static_cast<std::size_t>(r)];
            }
        }
        for (std::size_t t = 1; t < T; ++t) tri[t].Add(acc[t]);
    }
}

template <int M>
bool TryFixed(int m, const ColumnForm& form, std::int64_t rows, CompensatedSum* tri) {
    if (m != M) return false;
    CrossProductsFixed<M>(form, rows, tri);
    return true;
}

template <int... Ms>
void CrossProducts(const ColumnForm& form, int m, std::int64_t rows, CompensatedSum* tri,
                   std::integer_sequence<int, Ms...>) {
    if (!(TryFixed<Ms + 2>(m, form, rows, tri) || ...)) CrossProductsAny(form, m, rows, tri);
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

// Whether a result lies outside the normal Doubles although the factor it was formed
// from is not 0: an overflow or an underflow on the way.
bool LeftTheRange(double result, double factor) {
    return !std::isfinite(result) || (result == 0 ? factor != 0 : std::fabs(result) < DBL_MIN);
}

// x as mantissa * 4^half, the mantissa in [0.5, 2): its root is the mantissa's root
// times 2^half, exactly.
struct EvenSplit {
    double mantissa;
    int half;
};
EvenSplit SplitEven(double x) {
    int e = 0;
    double m = std::frexp(x, &e);
    if (e % 2 != 0) {
        m *= 2.0;
        --e;
    }
    return {m, e / 2};
}

// b times the root of sxx / sww: a standardised coefficient from the fit's
// coefficient, the regressor's sum of squares and y's. The quotient comes first where
// it is a normal Double, as ever. Columns that are not scaled (within 2^400 of 1) can
// have spreads so far apart that the quotient leaves the range (an input's spread
// 1E154 times the output's, or below 1E-154 of it) where the coefficient does not:
// the root is then taken of the mantissas' quotient and the powers of two halved.
double Standardised(double b, double sxx, double sww) {
    const bool beyond = LeftTheRange(sxx / sww, sxx);
    if (!(beyond && sxx > 0 && sww > 0 && std::isfinite(sxx) && std::isfinite(sww))) {
        return Finite(b * Sqrt(Divide(sxx, sww)));
    }
    const EvenSplit x = SplitEven(sxx), w = SplitEven(sww);
    return Finite(std::ldexp(b * std::sqrt(x.mantissa / w.mantissa), x.half - w.half));
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
    covarianceExponent_.clear();
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
    std::vector<const double*> cols(x.begin(), x.end());
    cols.push_back(y);
    const std::size_t rows = static_cast<std::size_t>(n_);
    const double n = static_cast<double>(n_);
    // Each column's scale and shift from its first rows (the mean of a short sample is
    // near enough the column's: the centred sums correct the difference), so that the
    // cross products take one pass. The sample's mean starts from its first value, so
    // that a column of equal values is centred to exactly 0, and next to the constant
    // the cross-product matrix is then exactly singular. A column whose later values
    // dwarf the sample's could leave the Double range: then the scales are taken from
    // every row.
    std::vector<double> scale(cols.size()), shift(cols.size());
    std::vector<CompensatedSum> tri;
    for (std::size_t sample = std::min<std::size_t>(rows, 256);; sample = rows) {
        s.exponent.clear();
        for (std::size_t c = 0; c < cols.size(); ++c) {
            const double* col = cols[c];
            double largest = 0.0, offset = 0.0;
            for (std::size_t r = 0; r < sample; ++r) {
                largest = std::max(largest, std::fabs(col[r]));
                offset += col[r] - col[0];
            }
            const int e = ScaleExponent(largest);
            scale[c] = std::ldexp(1.0, -e);
            const double mean = (col[0] + offset / static_cast<double>(sample)) * scale[c];
            shift[c] = useConstant_ && std::isfinite(mean) ? mean : 0.0;
            s.exponent.push_back(e);
        }
        tri.assign(static_cast<std::size_t>(m) * (m + 1) / 2, CompensatedSum{});
        CrossProducts(ColumnForm{cols.data(), scale.data(), shift.data()}, m, n_, tri.data(),
                      std::make_integer_sequence<int, 11>{});
        const bool finite =
            std::all_of(tri.begin(), tri.end(), [](const CompensatedSum& t) { return std::isfinite(t.Value()); });
        if (finite || sample == rows) break;
    }
    s.shift = shift;
    s.tri.resize(tri.size());
    for (std::size_t t = 0; t < tri.size(); ++t) s.tri[t] = Finite(tri[t].Value());
    s.tri[0] = n;  // the sum of N ones
    Fit(s);
}

void CRegression::Fit(const Sums& s) {
    const int k = s.k;
    const int yi = k + 1;  // index of w in the augmented row
    const std::int32_t P = p_;
    const double n = static_cast<double>(s.n);
    const int off = useConstant_ ? 0 : 1;  // augmented index of design column 0
    const int ey = s.exponent[static_cast<std::size_t>(k)];

    // The means: the shift and the mean of the shifted values.
    auto scaledMean = [&](int c) { return s.shift[static_cast<std::size_t>(c)] + s.at(c + 1, 0) / n; };
    std::vector<double> mx(static_cast<std::size_t>(k));
    for (int c = 0; c < k; ++c)
        mx[static_cast<std::size_t>(c)] = std::ldexp(scaledMean(c), s.exponent[static_cast<std::size_t>(c)]);
    meanY_ = std::ldexp(scaledMean(k), ey);
    meanX_ = mx;

    // The fit of w on the z (and the constant), whose figures lie near 1 at any scale.
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
    const Matrix bw = inverse.Product(*xy_);

    // Back to the data's units: b = R bw + the shifts' part of the constant, with R
    // taking each z back to its x and w to y (powers of two, and with the constant
    // the shifts of the z). Row i of R is held divided by its power of two 2^e_i (so
    // slopes have a 1, the constant 1 and minus the shifts) and multiplied by it last:
    // a coefficient or standard error far from 1 (x near 1E-200 with y near 1, a
    // constant beyond the Double range) leaves the range on no step but the last,
    // and one that lies beyond it is held as an infinity of its sign.
    Matrix r(P, P);
    std::vector<int> rowExponent(static_cast<std::size_t>(P));
    for (int i = 0; i < P; ++i) {
        const int c = i + off;  // 0 the constant, c the regressor c - 1
        r.SetElement(i, i, 1.0);
        rowExponent[static_cast<std::size_t>(i)] = c == 0 ? ey : ey - s.exponent[static_cast<std::size_t>(c - 1)];
    }
    if (useConstant_) {
        for (int i = 1; i < P; ++i) r.SetElement(0, i, -s.shift[static_cast<std::size_t>(i - 1)]);
    }
    const Matrix scaledB = r.Product(bw);
    auto b = std::make_unique<Matrix>(P, 1);
    for (int i = 0; i < P; ++i) {
        double e = scaledB.Element(i, 0);
        if (useConstant_ && i == 0) e += s.shift[static_cast<std::size_t>(k)];
        b->SetElement(i, 0, std::ldexp(e, rowExponent[static_cast<std::size_t>(i)]));
    }
    b_ = std::move(b);

    bxy_ = std::make_unique<Matrix>(bw.Transpose().Product(*xy_));
    double ssr = Finite(bxy_->Element(0, 0));
    const double sumWW = s.at(yi, yi);
    // A near-perfect fit can leave the difference of two nearly equal sums of
    // squares a little below zero; it is a residual sum of squares, so 0.
    const double sse = std::max(0.0, sumWW - ssr);
    const double dfResidual = static_cast<double>(s.n - P);
    const double s2 = sse / dfResidual;

    // R^2 and the standardised coefficients do not depend on the scales or shifts.
    // With the constant, the sums of w about its mean (near 0 when centred).
    const double meanW = s.at(yi, 0) / n;
    const double sumWWCentred = sumWW - n * (meanW * meanW);
    double r2;
    if (useConstant_) {
        ssr = ssr - n * (meanW * meanW);
        r2 = Divide(ssr, sumWWCentred);
    } else {
        r2 = Divide(ssr, sumWW);
    }
    r2_ = r2;
    r2Adjusted_ = Finite(1.0 - (1.0 - r2) * static_cast<double>(s.n - 1) / dfResidual);

    // Built aside and stored only when complete, so a failure part way leaves none.
    auto st = std::make_unique<Matrix>(b_->Copy());
    if (useConstant_) {
        for (int i = 1; i < P; ++i) {
            const double m = s.at(i, 0) / n;
            st->SetElement(i, 0, Standardised(bw.Element(i, 0), xx_->Element(i, i) - n * (m * m), sumWWCentred));
        }
    } else {
        for (int i = 0; i < P; ++i) st->SetElement(i, 0, Standardised(bw.Element(i, 0), xx_->Element(i, i), sumWW));
    }
    standardised_ = std::move(st);

    // The covariance of the coefficients with R's rows as held: element (i, i) is the
    // variance of coefficient i over 2^(2 e_i). s^2 is in the units of w squared and
    // the inverse in those of the z: for columns that are not scaled (x near 1E-100
    // with y near 1E60) their product can leave the Double range where the variance
    // does not. Then the product is formed with s^2's mantissa, and s^2's even power of
    // two goes into the e_i.
    const auto covariance = [&](double factor) {
        return std::make_unique<Matrix>(r.Product(inverse.Times(factor)).Product(r.Transpose()));
    };
    covariance_ = covariance(s2);
    bool left = false;
    for (int i = 0; i < P; ++i) left = left || LeftTheRange(covariance_->Element(i, i), s2);
    if (left) {
        const EvenSplit split = SplitEven(s2);
        covariance_ = covariance(split.mantissa);
        for (int& e : rowExponent) e += split.half;
    }
    covarianceExponent_ = std::move(rowExponent);

    // Last, what is in the units of y squared: beyond the Double range for results
    // beyond about 1E154 (or below 1E-162), where they end the fit with Overflow (or
    // come out 0), the results above kept.
    auto squared = [&](double w) { return Finite(std::ldexp(w, 2 * ey)); };
    stdErrEstimate_ = Finite(std::ldexp(Sqrt(s2), ey));
    sse_ = squared(sse);
    ssr_ = squared(ssr);
    const double yMean = *meanY_;
    sumYY_ = useConstant_ ? Finite(squared(sumWWCentred) + n * (yMean * yMean)) : squared(sumWW);
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
        se[static_cast<std::size_t>(i)] =
            std::ldexp(Sqrt(covariance_->Element(i, i)), covarianceExponent_[static_cast<std::size_t>(i)]);
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
