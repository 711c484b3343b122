#include <gtest/gtest.h>

#include "runtime/convert.h"
#include "runtime/variant.h"

namespace nuvir {
namespace {

TEST(VariantArrays, BoundsPerDimensionElementAccessAndEmptyStates) {
    Variant a = Variant::MakeArray(VarType::Double, {{0, 1}, {1, 3}});
    EXPECT_EQ(a.dims(), 2);
    EXPECT_EQ(a.lbound(1), 0);
    EXPECT_EQ(a.ubound(1), 1);
    EXPECT_EQ(a.lbound(2), 1);
    EXPECT_EQ(a.ubound(2), 3);
    EXPECT_EQ(a.elementCount(), 6u);
    EXPECT_EQ(a(1, 3).type(), VarType::Double);  // default element of the kind
    a(1, 3) = 2.5;
    a(0, 1) = "7";  // converted to the element kind
    EXPECT_EQ(a(0, 1).type(), VarType::Double);
    EXPECT_DOUBLE_EQ(CDbl(a(0, 1)), 7.0);
    EXPECT_DOUBLE_EQ(CDbl(a(1, 3)), 2.5);
    EXPECT_THROW(a(2, 1), AppError);
    EXPECT_THROW(a(0, 0), AppError);
    EXPECT_THROW(a(0), AppError);
    EXPECT_THROW(a.ubound(3), AppError);
    EXPECT_THROW(a(0, 1) = "abc", AppError);
    Variant u = Variant::Unallocated(VarType::Double);
    EXPECT_TRUE(u.isArray());
    EXPECT_EQ(u.dims(), 0);
    EXPECT_THROW(u.ubound(1), AppError);
    Variant z = Variant::MakeArray(VarType::Generic, {{0, -1}});
    EXPECT_EQ(z.dims(), 1);
    EXPECT_EQ(z.elementCount(), 0u);
    EXPECT_EQ(Variant(3.0).dims(), 0);
}

TEST(VariantArrays, AssignmentCopiesAndArraysNest) {
    Variant inner = Variant::List({1, 2, 3});
    Variant outer = Variant::MakeArray(VarType::Generic, {{0, 1}});
    outer(0) = inner;
    inner(0) = 99;
    EXPECT_EQ(CLng(outer(0)(0)), 1);  // the stored copy does not follow the original
    outer(0)(2) = 30;                 // a nested element written in place
    EXPECT_EQ(CLng(outer(0)(2)), 30);
    Variant copy = outer;
    copy(0)(1) = -5;
    EXPECT_EQ(CLng(outer(0)(1)), 2);
    // An element may be assigned from its own container.
    outer = outer(0).get();
    EXPECT_EQ(outer.elementCount(), 3u);
}

TEST(VariantArrays, RedimPreserveKeepsContents) {
    Variant a = Variant::MakeArray(VarType::Int32, {{1, 2}, {1, 2}});
    a(1, 1) = 11;
    a(2, 2) = 22;
    a.redimPreserve(4);
    EXPECT_EQ(a.ubound(2), 4);
    EXPECT_EQ(CLng(a(1, 1)), 11);
    EXPECT_EQ(CLng(a(2, 2)), 22);
    EXPECT_EQ(CLng(a(2, 4)), 0);
    a.redim({{0, 0}});
    EXPECT_EQ(a.elemKind(), VarType::Int32);
    EXPECT_EQ(a.dims(), 1);
}

TEST(VariantCompare, RulesOfTheDynamicValue) {
    EXPECT_TRUE(VarEquals(Variant(static_cast<std::int16_t>(2)), Variant(2.0)));
    EXPECT_TRUE(VarEquals(Variant(), Variant(0)));
    EXPECT_TRUE(VarEquals(Variant(), Variant("")));
    EXPECT_FALSE(VarEquals(Variant(), Variant("0")));
    EXPECT_FALSE(VarEquals(Variant("a"), Variant("A")));
    EXPECT_FALSE(VarEquals(Variant(1), Variant("1")));
    EXPECT_FALSE(VarEquals(Variant(Null), Variant(Null)));
    EXPECT_TRUE(VarEquals(Variant(true), Variant(-1)));
    EXPECT_EQ(VarCompare(Variant(5), Variant("a")), -1);
    EXPECT_EQ(VarCompare(Variant(2.5), Variant(1)), 1);
    EXPECT_FALSE(VarCompare(Variant(Null), Variant(1)).has_value());
    EXPECT_THROW(VarEquals(Variant::List({1}), Variant::List({1})), AppError);
}

TEST(VariantErrors, TryStepSwallowsAFailedStep) {
    int done = 0;
    EXPECT_FALSE(TryStep([&] {
        ++done;
        CInt(Variant(1e9));
        ++done;
    }));
    EXPECT_EQ(done, 1);
    EXPECT_TRUE(TryStep([&] { ++done; }));
    try {
        RaiseComponentError("Invalid array passed to CMonteCarlo.RunSimulation");
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 255);
        EXPECT_EQ(std::string(e.what()), "Invalid array passed to CMonteCarlo.RunSimulation");
    }
}

}  // namespace
}  // namespace nuvir
