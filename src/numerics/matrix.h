#pragma once
// A small dense matrix of Doubles for the least-squares fits: element access,
// inverse, product, transpose, scaling and copy. Operations that give a matrix return a new one and leave the
// matrix they are called on unchanged. Indices are zero-based; a one-column matrix
// is a column vector.
//
// The elements go in and come out as Doubles, but are held in an Eigen matrix of
// quadruple-precision scalars (see quad.h for why).
//
// Failures raise AppError 255 with a text: a singular or ill-conditioned matrix,
// non-matching dimensions, an index outside the matrix.
#include <Eigen/Core>
#include <cstdint>

#include "numerics/quad.h"

namespace nuvir {

class Matrix {
public:
    Matrix() = default;  // 0 x 0
    // Every element 0.
    Matrix(std::int32_t rows, std::int32_t columns);

    double Element(std::int32_t row, std::int32_t column) const;
    void SetElement(std::int32_t row, std::int32_t column, double value);
    std::int32_t Rows() const { return rows_; }

    // The inverse. Raises "Matrix is singular" when the matrix, with its rows and
    // columns scaled to a largest element of about 1, has a reciprocal condition
    // number (1-norm) below minReciprocalCondition or below rows x the Double
    // epsilon, whichever is larger: such a matrix is singular within the rounding of
    // its own elements, and its inverse would be noise.
    Matrix Inverse(double minReciprocalCondition = 0.0) const;
    // This matrix times other.
    Matrix Product(const Matrix& other) const;
    Matrix Transpose() const;
    // Every element times the scalar.
    Matrix Times(double scalar) const;
    Matrix Copy() const { return *this; }

    using Wide = Quad;
    using Storage = Eigen::Matrix<Quad, Eigen::Dynamic, Eigen::Dynamic>;

private:
    explicit Matrix(Storage m);
    void CheckIndex(std::int32_t row, std::int32_t column) const;

    std::int32_t rows_ = 0;
    std::int32_t columns_ = 0;
    Storage m_;
};

}  // namespace nuvir
