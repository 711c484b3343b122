// Dimensions, joins, transpose, exchanges, hexadecimal text and interpolation.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "appdata/utilities_arrays.h"
#include "runtime/convert.h"
#include "runtime/error.h"

using namespace nuvir;
namespace MU = nuvir::MUtilities;

namespace {

Variant Table2x2(Variant a, Variant b, Variant c, Variant d) {
    Variant t = Variant::MakeArray(VarType::Generic, {{0, 1}, {0, 1}});
    t(0, 0) = a;
    t(0, 1) = b;
    t(1, 0) = c;
    t(1, 1) = d;
    return t;
}

}  // namespace

TEST(UtilitiesArrays, ArrayDims) {
    EXPECT_EQ(MU::ArrayDims(Variant(3.5)), 0);
    EXPECT_EQ(MU::ArrayDims(Variant("text")), 0);
    EXPECT_EQ(MU::ArrayDims(Variant()), 0);
    EXPECT_EQ(MU::ArrayDims(Variant::Unallocated()), 0);
    EXPECT_EQ(MU::ArrayDims(Variant::Unallocated(VarType::Double)), 0);
    EXPECT_EQ(MU::ArrayDims(Variant::List({1, 2})), 1);
    EXPECT_EQ(MU::ArrayDims(Variant::MakeArray(VarType::Double, {{0, 1}, {1, 3}})), 2);
    EXPECT_EQ(MU::ArrayDims(Variant::MakeArray(VarType::Generic, {{0, 1}, {1, 3}, {0, 0}})), 3);
}

TEST(UtilitiesArrays, JoinList) {
    EXPECT_EQ(MU::JoinArray1D(Variant::List({1, Variant(Null), 3}), ","), "1,,3");
    EXPECT_EQ(MU::JoinArray1D(Variant::List({Variant(Null)}), ","), "");
    EXPECT_EQ(MU::JoinArray1D(Variant::MakeArray(VarType::Generic, {{0, -1}}), ","), "");
    EXPECT_EQ(MU::JoinArray1D(Variant::Doubles({0.5, 1e-5, 2}), "|"), "0.5|1E-05|2");
    EXPECT_EQ(MU::JoinArray1D(Variant::List({Variant(true), Variant("a b"), Variant()}), "\t"),
              "True\ta b\t");
    // Not exactly one dimension: empty text.
    EXPECT_EQ(MU::JoinArray1D(Variant(5), ","), "");
    EXPECT_EQ(MU::JoinArray1D(Table2x2(1, 2, 3, 4), ","), "");
    // An element without a text form raises its conversion error.
    try {
        MU::JoinArray1D(Variant::List({1, Variant::List({2})}), ",");
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::TypeMismatch);
    }
}

TEST(UtilitiesArrays, JoinTable) {
    EXPECT_EQ(MU::JoinArray2D(Table2x2(1, 2, 3, 4), "\t", "\r"), "1\t2\r3\t4");
    EXPECT_EQ(MU::JoinArray2D(Table2x2(1, Variant(Null), 3.25, "x"), ",", ","), "1,,3.25,x");
    EXPECT_EQ(MU::JoinArray2D(Variant::List({1, 2}), "\t", "\r"), "");
    // A failing entry in row 2: the text so far, with its leading row delimiter.
    EXPECT_EQ(MU::JoinArray2D(Table2x2(1, 2, Variant::List({9}), 4), "\t", "\r"), "ERROR:\r1\t2");
    EXPECT_EQ(MU::JoinArray2D(Table2x2(Variant::List({9}), 2, 3, 4), "\t", "\r"), "ERROR:");
    // Bounds other than 0 and typed tables.
    Variant typed = Variant::MakeArray(VarType::Double, {{1, 2}, {-1, 1}});
    typed(1, -1) = 0.1;
    typed(2, 1) = -7;
    EXPECT_EQ(MU::JoinArray2D(typed, ",", "|"), "0.1,0,0|0,0,-7");
}

TEST(UtilitiesArrays, Transpose) {
    Variant t = Variant::MakeArray(VarType::Double, {{0, 1}, {1, 3}});
    for (std::int32_t i = 0; i <= 1; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) t(i, j) = 10 * i + j;
    const Variant r = MU::TransposeArray(t);
    ASSERT_EQ(r.dims(), 2);
    EXPECT_EQ(r.elemKind(), VarType::Generic);
    EXPECT_EQ(r.lbound(1), 1);
    EXPECT_EQ(r.ubound(1), 3);
    EXPECT_EQ(r.lbound(2), 0);
    EXPECT_EQ(r.ubound(2), 1);
    for (std::int32_t i = 0; i <= 1; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) EXPECT_EQ(CDbl(r(j, i)), 10.0 * i + j);
    EXPECT_EQ(t(1, 3).get().type(), VarType::Double);  // input untouched

    const Variant list = Variant::List({1, 2});
    const Variant same = MU::TransposeArray(list);
    EXPECT_EQ(same.dims(), 1);
    EXPECT_EQ(MU::JoinArray1D(same, ","), "1,2");
    EXPECT_EQ(CStr(MU::TransposeArray(Variant("x"))), "x");
    EXPECT_EQ(MU::TransposeArray(Variant::Unallocated()).dims(), 0);
}

TEST(UtilitiesArrays, SwapVariantsConvertsIntoTypedElements) {
    Variant a(1), b("two");
    MU::SwapVariants(a, b);
    EXPECT_EQ(CStr(a), "two");
    EXPECT_EQ(CStr(b), "1");
    MU::SwapVariants(a, a);
    EXPECT_EQ(CStr(a), "two");

    Variant doubles = Variant::Doubles({1.5});
    Variant ints = Variant::MakeArray(VarType::Int16, {{0, 0}});
    ints(0) = 2;
    MU::SwapVariants(doubles(0), ints(0));
    EXPECT_EQ(doubles(0).type(), VarType::Double);
    EXPECT_EQ(CDbl(doubles(0)), 2.0);
    EXPECT_EQ(ints(0).type(), VarType::Int16);
    EXPECT_EQ(CDbl(ints(0)), 2.0);  // 1.5 rounds half to even
}

TEST(UtilitiesArrays, SwapColsAndRows) {
    Variant t = Variant::MakeArray(VarType::Generic, {{1, 2}, {0, 2}});
    for (std::int32_t i = 1; i <= 2; ++i)
        for (std::int32_t j = 0; j <= 2; ++j) t(i, j) = 10 * i + j;
    MU::SwapCols(t, 0, 2);
    EXPECT_EQ(MU::JoinArray2D(t, ",", "|"), "12,11,10|22,21,20");
    MU::SwapRows(t, 1, 2);
    EXPECT_EQ(MU::JoinArray2D(t, ",", "|"), "22,21,20|12,11,10");
    MU::SwapRows(t, 1, 1);
    EXPECT_EQ(MU::JoinArray2D(t, ",", "|"), "22,21,20|12,11,10");
    EXPECT_THROW(MU::SwapCols(t, 0, 3), AppError);
    EXPECT_THROW(MU::SwapRows(t, 0, 1), AppError);
}

TEST(UtilitiesArrays, HexPad) {
    EXPECT_EQ(MU::HexPad(Variant(255), 6), "0000FF");
    EXPECT_EQ(MU::HexPad(Variant(255), 10), "000000FF");
    EXPECT_EQ(MU::HexPad(Variant(255), 1), "FF");
    EXPECT_EQ(MU::HexPad(Variant(std::int16_t{-1}), 2), "FFFF");
    EXPECT_EQ(MU::HexPad(Variant(-1), 0), "FFFFFFFF");
    EXPECT_EQ(MU::HexPad(Variant(std::uint8_t{10}), 4), "000A");
    EXPECT_EQ(MU::HexPad(Variant(0), 0), "0");
    EXPECT_EQ(MU::HexPad(Variant(0x1234AB), 6), "1234AB");
    EXPECT_EQ(MU::HexPad(Variant(5), -3), "5");
    EXPECT_EQ(MU::HexPad(Variant(255.0), 6), "");
    EXPECT_EQ(MU::HexPad(Variant("255"), 6), "");
    EXPECT_EQ(MU::HexPad(Variant(true), 6), "");
    EXPECT_EQ(MU::HexPad(Variant(), 6), "");
}

TEST(UtilitiesArrays, Interpolate) {
    EXPECT_DOUBLE_EQ(MU::Interpolate(1.5, 1, 10, 2, 20), 15.0);
    EXPECT_DOUBLE_EQ(MU::Interpolate(3, 1, 10, 2, 20), 30.0);    // extrapolates
    EXPECT_DOUBLE_EQ(MU::Interpolate(0, 1, 10, 2, 20), 0.0);
    EXPECT_DOUBLE_EQ(MU::Interpolate(99, 4, 1, 4, 2), 1.5);      // x0 = x1: the mean
    EXPECT_DOUBLE_EQ(MU::Interpolate(-5, 4, 1, 4, 2), 1.5);
    try {
        MU::Interpolate(1e308, 0, 0, 1e-10, 1e308);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::Overflow);
    }
}
