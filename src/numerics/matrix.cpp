#include "numerics/matrix.h"

#include <Eigen/LU>
#include <cfloat>
#include <cmath>
#include <utility>

#include "runtime/error.h"

namespace nuvir {

namespace {

using Storage = Matrix::Storage;

[[noreturn]] void RaiseSingular() { RaiseComponentError("Matrix is singular"); }

// Largest absolute column sum.
Quad Norm1(const Storage& m) {
    Quad best = 0;
    for (Eigen::Index j = 0; j < m.cols(); ++j) {
        Quad s = m.col(j).cwiseAbs().sum();
        if (s > best) best = s;
    }
    return best;
}

}  // namespace

Matrix::Matrix(std::int32_t rows, std::int32_t columns) : rows_(rows), columns_(columns) {
    if (rows < 0 || columns < 0) RaiseComponentError("Invalid matrix dimensions");
    m_ = Storage::Zero(rows, columns);
}

Matrix::Matrix(Storage m)
    : rows_(static_cast<std::int32_t>(m.rows())), columns_(static_cast<std::int32_t>(m.cols())), m_(std::move(m)) {}

void Matrix::CheckIndex(std::int32_t row, std::int32_t column) const {
    if (row < 0 || column < 0 || row >= rows_ || column >= columns_) RaiseComponentError("Matrix index out of range");
}

double Matrix::Element(std::int32_t row, std::int32_t column) const {
    CheckIndex(row, column);
    return static_cast<double>(m_(row, column));
}

void Matrix::SetElement(std::int32_t row, std::int32_t column, double value) {
    CheckIndex(row, column);
    m_(row, column) = value;
}

Matrix Matrix::Inverse(double minReciprocalCondition) const {
    if (rows_ != columns_) RaiseComponentError("Matrix is not square");
    const std::int32_t n = rows_;
    if (n == 0) return Matrix();
    for (Eigen::Index k = 0; k < m_.size(); ++k)
        if (!isfinite(m_.data()[k])) RaiseComponentError("Matrix has an element that is not a finite number");

    // Equilibrate rows, then columns, so that the condition test sees the matrix
    // independent of the units of its rows and columns (cross products of a year
    // column and of a probability differ by 1E7).
    Eigen::Matrix<Quad, Eigen::Dynamic, 1> r(n), c(n);
    Storage s = m_;
    for (std::int32_t i = 0; i < n; ++i) {
        const Quad largest = s.row(i).cwiseAbs().maxCoeff();
        if (largest == Quad(0)) RaiseSingular();
        r(i) = Quad(1) / largest;
        s.row(i) *= r(i);
    }
    for (std::int32_t j = 0; j < n; ++j) {
        const Quad largest = s.col(j).cwiseAbs().maxCoeff();
        if (largest == Quad(0)) RaiseSingular();
        c(j) = Quad(1) / largest;
        s.col(j) *= c(j);
    }

    // Full pivoting: the order of the unknowns is chosen by the values, not by the
    // order the caller happened to list them. Only an exactly zero pivot counts as
    // rank loss here; near-singularity is the condition test's business.
    Eigen::FullPivLU<Storage> lu(s);
    lu.setThreshold(Quad(0));
    if (!lu.isInvertible()) RaiseSingular();
    const Storage si = lu.inverse();
    const Quad inverseNorm = Norm1(si);
    if (!isfinite(inverseNorm)) RaiseSingular();
    const double rcond = static_cast<double>(Quad(1) / (Norm1(s) * inverseNorm));
    const double tolerance = std::fmax(static_cast<double>(n) * DBL_EPSILON, minReciprocalCondition);
    if (!(rcond >= tolerance)) RaiseSingular();

    // s = R A C, so A^-1 = C s^-1 R.
    return Matrix(Storage(c.asDiagonal() * si * r.asDiagonal()));
}

Matrix Matrix::Product(const Matrix& other) const {
    if (columns_ != other.rows_) RaiseComponentError("Matrix dimensions do not agree");
    return Matrix(Storage(m_ * other.m_));
}

Matrix Matrix::Transpose() const { return Matrix(Storage(m_.transpose())); }

Matrix Matrix::Times(double scalar) const { return Matrix(Storage(m_ * Quad(scalar))); }

}  // namespace nuvir
