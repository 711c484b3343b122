#include "numerics/matrix.h"

#include <cmath>
#include <gtest/gtest.h>

#include "runtime/error.h"
#include "runtime/variant.h"

namespace nuvir {
namespace {

Matrix FromRows(std::initializer_list<std::initializer_list<double>> rows) {
    const auto r = static_cast<std::int32_t>(rows.size());
    const auto c = static_cast<std::int32_t>(rows.begin()->size());
    Matrix m(r, c);
    std::int32_t i = 0;
    for (const auto& row : rows) {
        std::int32_t j = 0;
        for (double v : row) m.SetElement(i, j++, v);
        ++i;
    }
    return m;
}

// Runs f and returns the AppError it raises; fails the test when it raises none.
template <class F>
AppError Raised(F&& f) {
    try {
        f();
    } catch (const AppError& e) {
        return e;
    }
    ADD_FAILURE() << "no error raised";
    return AppError(0, "");
}

TEST(MatrixShape, DimensionGivesZeros) {
    Matrix m;
    EXPECT_EQ(m.Rows(), 0);
    m.Dimension(3, 2);
    EXPECT_EQ(m.Rows(), 3);
    EXPECT_EQ(m.Columns(), 2);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j) EXPECT_EQ(m.Element(i, j), 0.0);
    m.SetElement(2, 1, 7.5);
    EXPECT_EQ(m.Element(2, 1), 7.5);
    m.Dimension(2, 2);  // redimensioning starts again from zeros
    EXPECT_EQ(m.Element(1, 1), 0.0);
    const AppError e = Raised([] { Matrix(-1, 2); });
    EXPECT_EQ(e.number(), 255);
}

TEST(MatrixShape, ElementOutsideRaises) {
    Matrix m(2, 3);
    for (auto [r, c] : {std::pair{2, 0}, {0, 3}, {-1, 0}, {0, -1}}) {
        const AppError e = Raised([&] { (void)m.Element(r, c); });
        EXPECT_EQ(e.number(), 255);
        EXPECT_EQ(e.description(), "Matrix index out of range");
        EXPECT_EQ(Raised([&] { m.SetElement(r, c, 1.0); }).number(), 255);
    }
}

TEST(MatrixLoad, TwoDimensionalArrayWithAnyBounds) {
    Variant a = Variant::MakeArray(VarType::Double, {Bounds{1, 2}, Bounds{5, 7}});
    for (int i = 1; i <= 2; ++i)
        for (int j = 5; j <= 7; ++j) a(i, j) = 10.0 * i + j;
    Matrix m;
    m.LoadArray(a);
    ASSERT_EQ(m.Rows(), 2);
    ASSERT_EQ(m.Columns(), 3);
    EXPECT_EQ(m.Element(0, 0), 15.0);
    EXPECT_EQ(m.Element(1, 2), 27.0);
    EXPECT_EQ(m.Element(0, 2), 17.0);

    const Variant out = m.CopyToArray();
    ASSERT_EQ(out.dims(), 2);
    EXPECT_EQ(out.lbound(1), 0);
    EXPECT_EQ(out.ubound(1), 1);
    EXPECT_EQ(out.lbound(2), 0);
    EXPECT_EQ(out.ubound(2), 2);
    EXPECT_EQ(out.elemKind(), VarType::Double);
    EXPECT_EQ(out(1, 0).rawDouble(), 25.0);
    EXPECT_EQ(out(0, 1).rawDouble(), 16.0);
}

TEST(MatrixLoad, OneDimensionalArrayIsAColumn) {
    Matrix m;
    m.LoadArray(Variant::Doubles({1.5, -2.0, 3.25}, 4));
    ASSERT_EQ(m.Rows(), 3);
    ASSERT_EQ(m.Columns(), 1);
    EXPECT_EQ(m.Element(0, 0), 1.5);
    EXPECT_EQ(m.Element(2, 0), 3.25);
    // Generic elements are converted as numbers.
    m.LoadArray(Variant::List({Variant(2), Variant(0.5)}));
    EXPECT_EQ(m.Element(0, 0), 2.0);
    EXPECT_EQ(m.Element(1, 0), 0.5);
}

TEST(MatrixLoad, NonArrayRaises) {
    Matrix m;
    EXPECT_EQ(Raised([&] { m.LoadArray(Variant(3.0)); }).number(), 255);
    EXPECT_EQ(Raised([&] { m.LoadArray(Variant::MakeArray(VarType::Double, {{0, 1}, {0, 1}, {0, 1}})); }).number(),
              255);
}

TEST(MatrixArithmetic, ProductTransposeTimesCopy) {
    const Matrix a = FromRows({{1, 2, 3}, {4, 5, 6}});
    const Matrix b = FromRows({{7, 8}, {9, 10}, {11, 12}});
    const Matrix ab = a.Product(b);
    ASSERT_EQ(ab.Rows(), 2);
    ASSERT_EQ(ab.Columns(), 2);
    EXPECT_EQ(ab.Element(0, 0), 58.0);
    EXPECT_EQ(ab.Element(0, 1), 64.0);
    EXPECT_EQ(ab.Element(1, 0), 139.0);
    EXPECT_EQ(ab.Element(1, 1), 154.0);

    const Matrix t = a.Transpose();
    ASSERT_EQ(t.Rows(), 3);
    EXPECT_EQ(t.Element(2, 1), 6.0);
    EXPECT_EQ(a.Rows(), 2);  // the source is unchanged

    const Matrix h = a.Times(-0.5);
    EXPECT_EQ(h.Element(1, 2), -3.0);
    EXPECT_EQ(a.Element(1, 2), 6.0);

    Matrix c = a.Copy();
    c.SetElement(0, 0, 100.0);
    EXPECT_EQ(a.Element(0, 0), 1.0);
    EXPECT_EQ(c.Element(0, 0), 100.0);

    const AppError e = Raised([&] { (void)a.Product(a); });
    EXPECT_EQ(e.number(), 255);
    EXPECT_EQ(e.description(), "Matrix dimensions do not agree");
}

TEST(MatrixInverse, SmallMatrixByHand) {
    // [[4, 7], [2, 6]] has determinant 10 and inverse [[0.6, -0.7], [-0.2, 0.4]].
    const Matrix a = FromRows({{4, 7}, {2, 6}});
    const Matrix inv = a.Inverse();
    EXPECT_DOUBLE_EQ(inv.Element(0, 0), 0.6);
    EXPECT_DOUBLE_EQ(inv.Element(0, 1), -0.7);
    EXPECT_DOUBLE_EQ(inv.Element(1, 0), -0.2);
    EXPECT_DOUBLE_EQ(inv.Element(1, 1), 0.4);
    EXPECT_EQ(a.Element(0, 0), 4.0);
}

TEST(MatrixInverse, HilbertFourHasTheKnownIntegerInverse) {
    Matrix h(4, 4);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) h.SetElement(i, j, 1.0 / (i + j + 1));
    const double expected[4][4] = {
        {16, -120, 240, -140}, {-120, 1200, -2700, 1680}, {240, -2700, 6480, -4200}, {-140, 1680, -4200, 2800}};
    const Matrix inv = h.Inverse();
    // The elements 1/3, 1/5, ... are rounded, so the inverse of the stored matrix
    // differs from the exact one by about cond(H4) x 1E-16 = 1.5E-12 relative.
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(inv.Element(i, j), expected[i][j], 1e-10 * std::fabs(expected[i][j])) << i << "," << j;
}

TEST(MatrixInverse, BadlyScaledButWellConditioned) {
    // Units alone must not make a matrix singular.
    const Matrix a = FromRows({{1e-200, 0}, {0, 1e200}});
    const Matrix inv = a.Inverse();
    EXPECT_DOUBLE_EQ(inv.Element(0, 0), 1e200);
    EXPECT_DOUBLE_EQ(inv.Element(1, 1), 1e-200);
    // Rows in very different units: [[2E150, 1E150], [1E-150, 3E-150]] has
    // determinant 5 and inverse [[6E-151, -2E149], [-2E-151, 4E149]].
    const Matrix b = FromRows({{2e150, 1e150}, {1e-150, 3e-150}});
    const Matrix bi = b.Inverse();
    EXPECT_DOUBLE_EQ(bi.Element(0, 0), 6e-151);
    EXPECT_DOUBLE_EQ(bi.Element(0, 1), -2e149);
    EXPECT_DOUBLE_EQ(bi.Element(1, 0), -2e-151);
    EXPECT_DOUBLE_EQ(bi.Element(1, 1), 4e149);
}

TEST(MatrixInverse, SingularMatricesRaise) {
    for (const Matrix& m : {FromRows({{1, 2}, {2, 4}}), FromRows({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}),
                            FromRows({{0, 0}, {0, 1}}), FromRows({{1, 0}, {1, 0}})}) {
        const AppError e = Raised([&] { (void)m.Inverse(); });
        EXPECT_EQ(e.number(), 255);
        EXPECT_EQ(e.description(), "Matrix is singular");
    }
    const AppError e = Raised([] { (void)Matrix(2, 3).Inverse(); });
    EXPECT_EQ(e.number(), 255);
    EXPECT_EQ(e.description(), "Matrix is not square");
}

TEST(MatrixInverse, IllConditionedRaisesAtTheTolerance) {
    // Rows that differ by a few units in the last place are singular to Double
    // precision even though elimination finds a non-zero pivot.
    const double d = std::nextafter(1.0, 2.0);
    EXPECT_EQ(Raised([&] { (void)FromRows({{1, 1}, {1, d}}).Inverse(); }).description(), "Matrix is singular");

    // 1 + 1E-10: reciprocal condition about 2.5E-11, well above the Double floor.
    const double e = 1.0 + 1e-10;
    const double delta = e - 1.0;  // exact
    const Matrix a = FromRows({{1, 1}, {1, e}});
    const Matrix inv = a.Inverse();
    EXPECT_NEAR(inv.Element(0, 0), e / delta, 1e-6 * (e / delta));
    EXPECT_NEAR(inv.Element(0, 1), -1.0 / delta, 1e-6 / delta);
    EXPECT_NEAR(inv.Element(1, 1), 1.0 / delta, 1e-6 / delta);
    // A caller that knows its elements carry more rounding asks for more.
    EXPECT_EQ(Raised([&] { (void)a.Inverse(1e-9); }).description(), "Matrix is singular");
}

TEST(MatrixInverse, NonFiniteElementRaises) {
    const Matrix a = FromRows({{1, 0}, {0, INFINITY}});
    EXPECT_EQ(Raised([&] { (void)a.Inverse(); }).number(), 255);
}

}  // namespace
}  // namespace nuvir
