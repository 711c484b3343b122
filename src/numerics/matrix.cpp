#include "numerics/matrix.h"

#include <cfloat>
#include <cmath>
#include <utility>

#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir {

namespace {

using Wide = Matrix::Wide;

Wide Abs(Wide x) { return x < 0 ? -x : x; }
bool IsFinite(Wide x) { return x - x == 0; }  // false for infinities and NaN

[[noreturn]] void RaiseSingular() { RaiseComponentError("Matrix is singular"); }

// Column-major n x n work matrix.
struct Square {
    explicit Square(std::int32_t n) : n(n), v(static_cast<std::size_t>(n) * static_cast<std::size_t>(n), Wide(0)) {}
    Wide& operator()(std::int32_t i, std::int32_t j) { return v[static_cast<std::size_t>(j) * n + i]; }
    Wide operator()(std::int32_t i, std::int32_t j) const { return v[static_cast<std::size_t>(j) * n + i]; }
    // Largest absolute column sum.
    Wide Norm1() const {
        Wide best = 0;
        for (std::int32_t j = 0; j < n; ++j) {
            Wide s = 0;
            for (std::int32_t i = 0; i < n; ++i) s += Abs((*this)(i, j));
            if (s > best) best = s;
        }
        return best;
    }
    std::int32_t n;
    std::vector<Wide> v;
};

// Gauss-Jordan elimination with full pivoting: the largest remaining element is
// the pivot, so the order of the unknowns is chosen by the values, not by the order
// the caller happened to list them. Returns false when a pivot is exactly zero.
bool InvertInPlace(Square& a, Square& inv) {
    const std::int32_t n = a.n;
    std::vector<std::int32_t> colSwap(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i) inv(i, i) = 1;
    for (std::int32_t k = 0; k < n; ++k) {
        std::int32_t pr = k, pc = k;
        Wide best = -1;
        for (std::int32_t j = k; j < n; ++j)
            for (std::int32_t i = k; i < n; ++i)
                if (Abs(a(i, j)) > best) {
                    best = Abs(a(i, j));
                    pr = i;
                    pc = j;
                }
        if (!(best > 0)) return false;
        if (pr != k)
            for (std::int32_t j = 0; j < n; ++j) {
                std::swap(a(k, j), a(pr, j));
                std::swap(inv(k, j), inv(pr, j));
            }
        colSwap[static_cast<std::size_t>(k)] = pc;
        if (pc != k)
            for (std::int32_t i = 0; i < n; ++i) std::swap(a(i, k), a(i, pc));
        const Wide pivot = a(k, k);
        for (std::int32_t j = 0; j < n; ++j) {
            a(k, j) /= pivot;
            inv(k, j) /= pivot;
        }
        for (std::int32_t i = 0; i < n; ++i) {
            if (i == k) continue;
            const Wide f = a(i, k);
            if (f == 0) continue;
            for (std::int32_t j = 0; j < n; ++j) {
                a(i, j) -= f * a(k, j);
                inv(i, j) -= f * inv(k, j);
            }
        }
    }
    // The column swaps permuted the unknowns, which are the rows of the inverse.
    for (std::int32_t k = n - 1; k >= 0; --k) {
        const std::int32_t pc = colSwap[static_cast<std::size_t>(k)];
        if (pc != k)
            for (std::int32_t j = 0; j < n; ++j) std::swap(inv(k, j), inv(pc, j));
    }
    return true;
}

}  // namespace

Matrix::Matrix(std::int32_t rows, std::int32_t columns) { Dimension(rows, columns); }

void Matrix::Dimension(std::int32_t rows, std::int32_t columns) {
    if (rows < 0 || columns < 0) RaiseComponentError("Invalid matrix dimensions");
    rows_ = rows;
    columns_ = columns;
    data_.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns), Wide(0));
}

void Matrix::LoadArray(const Variant& values) {
    if (!values.isArray()) RaiseComponentError("Invalid array passed to Matrix.LoadArray");
    const int dims = values.dims();
    if (dims != 1 && dims != 2) RaiseComponentError("Invalid array passed to Matrix.LoadArray");
    const Bounds b1 = values.bounds(1);
    const Bounds b2 = dims == 2 ? values.bounds(2) : Bounds{0, 0};
    const auto& elems = values.elements();  // first index fastest: column by column, as here
    std::vector<Wide> data(elems.size());
    for (std::size_t k = 0; k < elems.size(); ++k) {
        const Variant& e = elems[k];
        data[k] = e.type() == VarType::Double ? e.rawDouble() : CDbl(e);
    }
    rows_ = b1.count();
    columns_ = b2.count();
    data_ = std::move(data);
}

Variant Matrix::CopyToArray() const {
    Variant out = Variant::MakeArray(VarType::Double, {Bounds{0, rows_ - 1}, Bounds{0, columns_ - 1}});
    for (std::int32_t i = 0; i < rows_; ++i)
        for (std::int32_t j = 0; j < columns_; ++j) out(i, j) = static_cast<double>(at(i, j));
    return out;
}

void Matrix::CheckIndex(std::int32_t row, std::int32_t column) const {
    if (row < 0 || column < 0 || row >= rows_ || column >= columns_) RaiseComponentError("Matrix index out of range");
}

double Matrix::Element(std::int32_t row, std::int32_t column) const {
    CheckIndex(row, column);
    return static_cast<double>(at(row, column));
}

void Matrix::SetElement(std::int32_t row, std::int32_t column, double value) {
    CheckIndex(row, column);
    at(row, column) = value;
}

Matrix Matrix::Inverse(double minReciprocalCondition) const {
    if (rows_ != columns_) RaiseComponentError("Matrix is not square");
    const std::int32_t n = rows_;
    if (n == 0) return Matrix();
    for (Wide x : data_)
        if (!IsFinite(x)) RaiseComponentError("Matrix has an element that is not a finite number");

    // Equilibrate rows, then columns, so that the condition test sees the matrix
    // independent of the units of its rows and columns (cross products of a year
    // column and of a probability differ by 1E7).
    Square s(n);
    std::vector<Wide> r(static_cast<std::size_t>(n)), c(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i) {
        Wide largest = 0;
        for (std::int32_t j = 0; j < n; ++j) largest = std::max(largest, Abs(at(i, j)));
        if (largest == 0) RaiseSingular();
        r[static_cast<std::size_t>(i)] = 1 / largest;
        for (std::int32_t j = 0; j < n; ++j) s(i, j) = at(i, j) * r[static_cast<std::size_t>(i)];
    }
    for (std::int32_t j = 0; j < n; ++j) {
        Wide largest = 0;
        for (std::int32_t i = 0; i < n; ++i) largest = std::max(largest, Abs(s(i, j)));
        if (largest == 0) RaiseSingular();
        c[static_cast<std::size_t>(j)] = 1 / largest;
        for (std::int32_t i = 0; i < n; ++i) s(i, j) *= c[static_cast<std::size_t>(j)];
    }

    const Wide norm = s.Norm1();
    Square si(n);
    if (!InvertInPlace(s, si)) RaiseSingular();
    const Wide inverseNorm = si.Norm1();
    if (!IsFinite(inverseNorm)) RaiseSingular();
    const double rcond = static_cast<double>(1 / (norm * inverseNorm));
    const double tolerance = std::fmax(static_cast<double>(n) * DBL_EPSILON, minReciprocalCondition);
    if (!(rcond >= tolerance)) RaiseSingular();

    // s = R A C, so A^-1 = C s^-1 R.
    Matrix out(n, n);
    for (std::int32_t j = 0; j < n; ++j)
        for (std::int32_t i = 0; i < n; ++i)
            out.at(i, j) = c[static_cast<std::size_t>(i)] * si(i, j) * r[static_cast<std::size_t>(j)];
    return out;
}

Matrix Matrix::Product(const Matrix& other) const {
    if (columns_ != other.rows_) RaiseComponentError("Matrix dimensions do not agree");
    Matrix out(rows_, other.columns_);
    for (std::int32_t j = 0; j < other.columns_; ++j)
        for (std::int32_t i = 0; i < rows_; ++i) {
            Wide sum = 0;
            for (std::int32_t k = 0; k < columns_; ++k) sum += at(i, k) * other.at(k, j);
            out.at(i, j) = sum;
        }
    return out;
}

Matrix Matrix::Transpose() const {
    Matrix out(columns_, rows_);
    for (std::int32_t j = 0; j < columns_; ++j)
        for (std::int32_t i = 0; i < rows_; ++i) out.at(j, i) = at(i, j);
    return out;
}

Matrix Matrix::Times(double scalar) const {
    Matrix out = *this;
    for (Wide& x : out.data_) x *= scalar;
    return out;
}

}  // namespace nuvir
