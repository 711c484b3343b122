// The critical correlation and the comparison of arrays.
#include <gtest/gtest.h>

#include <cmath>

#include "appdata/criticalcorrelation.h"
#include "runtime/convert.h"

using namespace nuvir;
using nuvir::MKelvaro::ArraysEqual;
using nuvir::MKelvaro::CriticalCorrelation;

TEST(CriticalCorrelation, PublishedTableValues) {
    // Critical r of a two-tailed test at 0.05 for n = 100 (98 df).
    EXPECT_NEAR(CDbl(CriticalCorrelation(100, 0.05, 2)), 0.19655, 5e-6);
    // n = 20: 0.4438 (two tails, 0.05), 0.3783 (one tail, 0.05), 0.5614 (two tails, 0.01).
    EXPECT_NEAR(CDbl(CriticalCorrelation(20, 0.05, 2)), 0.4438, 5e-5);
    EXPECT_NEAR(CDbl(CriticalCorrelation(20, 0.05, 1)), 0.3783, 5e-5);
    EXPECT_NEAR(CDbl(CriticalCorrelation(20, 0.01, 2)), 0.5614, 5e-5);
    EXPECT_EQ(CriticalCorrelation(20, 0.05, 2).type(), VarType::Double);
}

TEST(CriticalCorrelation, SampleSizeLimits) {
    EXPECT_TRUE(CriticalCorrelation(19, 0.05, 2).isEmpty());
    EXPECT_FALSE(CriticalCorrelation(20, 0.05, 2).isEmpty());
    // Student's t with 49998 df up to 50000, the normal above.
    EXPECT_NEAR(CDbl(CriticalCorrelation(50000, 0.05, 2)), 0.008765276, 1e-8);
    EXPECT_NEAR(CDbl(CriticalCorrelation(50001, 0.05, 2)), 0.008764976, 1e-8);
    const double z = 1.959963984540054;
    EXPECT_NEAR(CDbl(CriticalCorrelation(100000, 0.05, 2)), z / std::sqrt(z * z + 99998), 1e-15);
}

TEST(CriticalCorrelation, ClampingAndEmptyResults) {
    EXPECT_TRUE(CriticalCorrelation(100, 1.0, 1).isEmpty());   // q = 1
    EXPECT_TRUE(CriticalCorrelation(100, 1.0, 2).isEmpty());   // q = 0.5
    EXPECT_TRUE(CriticalCorrelation(100, 1.5, 1).isEmpty());   // alpha taken as 1
    EXPECT_TRUE(CriticalCorrelation(100, NAN, 2).isEmpty());
    EXPECT_EQ(CDbl(CriticalCorrelation(100, 0.05, 0)), CDbl(CriticalCorrelation(100, 0.05, 1)));
    EXPECT_EQ(CDbl(CriticalCorrelation(100, 0.05, 3)), CDbl(CriticalCorrelation(100, 0.05, 2)));
    EXPECT_EQ(CDbl(CriticalCorrelation(100, -0.5, 2)), 1.0);  // alpha 0: certainty
    EXPECT_EQ(CDbl(CriticalCorrelation(60000, 0.0, 2)), 1.0);
}

TEST(ArraysEqual, OneDimension) {
    EXPECT_TRUE(ArraysEqual(Variant::Doubles({1, 2, 3}), Variant::Doubles({1, 2, 3})));
    EXPECT_FALSE(ArraysEqual(Variant::Doubles({1, 2, 3}), Variant::Doubles({1, 2, 4})));
    EXPECT_FALSE(ArraysEqual(Variant::Doubles({1, 2, 3}, 1), Variant::Doubles({1, 2, 3}, 0)));
    EXPECT_FALSE(ArraysEqual(Variant::Doubles({1, 2, 3}), Variant::List({1.0, 2.0, 3.0})));
    EXPECT_TRUE(ArraysEqual(Variant::List({1, "a", Variant(Null)}), Variant::List({1.0, "a", ""})));
    EXPECT_FALSE(ArraysEqual(Variant::List({"a"}), Variant::List({"A"})));
    // Texts agree to 15 significant digits.
    EXPECT_TRUE(ArraysEqual(Variant::Doubles({0.1 + 0.2}), Variant::Doubles({0.3})));
}

TEST(ArraysEqual, TwoDimensions) {
    auto table = [](std::int32_t rows, std::int32_t cols) {
        Variant t = Variant::MakeArray(VarType::Double, {{0, rows - 1}, {0, cols - 1}});
        int v = 0;
        for (std::int32_t i = 0; i < rows; ++i)
            for (std::int32_t j = 0; j < cols; ++j) t(i, j) = ++v;
        return t;
    };
    EXPECT_TRUE(ArraysEqual(table(2, 3), table(2, 3)));
    EXPECT_FALSE(ArraysEqual(table(2, 3), table(3, 2)));
    Variant changed = table(2, 3);
    changed(1, 2) = 0.5;
    EXPECT_FALSE(ArraysEqual(table(2, 3), changed));
}

TEST(ArraysEqual, NonArraysAreNeverEqual) {
    EXPECT_FALSE(ArraysEqual(Variant(1.0), Variant(1.0)));
    EXPECT_FALSE(ArraysEqual(Variant(), Variant()));
    EXPECT_FALSE(ArraysEqual(Variant::Unallocated(VarType::Double), Variant::Unallocated(VarType::Double)));
    EXPECT_FALSE(ArraysEqual(Variant::Doubles({1}), Variant(1.0)));
}
