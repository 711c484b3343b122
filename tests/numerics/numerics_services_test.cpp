// Minimum and maximum, the limits, the file test, correlation, quantile and sign.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numerics/numerics.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "testsupport.h"

using namespace nuvir;

TEST(NumericsMinMax, TwoNumbers) {
    EXPECT_EQ(MathFunctions::Max(2.0, 3.0), 3.0);
    EXPECT_EQ(MathFunctions::Min(2.0, 3.0), 2.0);
    EXPECT_EQ(MathFunctions::Max(-1.0, -4.0), -1.0);
    // Clamping as the callers write it.
    EXPECT_EQ(MathFunctions::Max(MathFunctions::Min(1.7, 1.0), 0.0), 1.0);
    EXPECT_EQ(MathFunctions::Max(MathFunctions::Min(-0.2, 1.0), 0.0), 0.0);
    EXPECT_TRUE(std::isnan(MathFunctions::Max(MathFunctions::Min(NAN, 1.0), 0.0)));
}

TEST(NumericsMinMax, MixedKindsKeepTheChosenArgument) {
    const Variant i16(std::int16_t{3});
    const Variant d(2.5);
    Variant mx = MathFunctions::Max(i16, d);
    EXPECT_EQ(mx.type(), VarType::Int16);
    EXPECT_EQ(CDbl(mx), 3.0);
    Variant mn = MathFunctions::Min(i16, d);
    EXPECT_EQ(mn.type(), VarType::Double);
    EXPECT_EQ(CDbl(mn), 2.5);
    // A tie gives the first argument.
    EXPECT_EQ(MathFunctions::Max(Variant(2), Variant(2.0)).type(), VarType::Int32);
    EXPECT_EQ(MathFunctions::Min(Variant(2.0), Variant(2)).type(), VarType::Double);
    EXPECT_EQ(CDbl(MathFunctions::Max(Variant(), Variant(-1))), 0.0);  // Empty counts as 0
}

TEST(NumericsMinMax, Arrays) {
    const std::vector<double> v{3, -2.5, 7, 0};
    EXPECT_EQ(MathFunctions::ArrayMin(v), -2.5);
    EXPECT_EQ(MathFunctions::ArrayMax(v), 7.0);
    EXPECT_EQ(MathFunctions::ArrayMin(std::vector<double>{}), NumericLimits::LargestDouble);
    EXPECT_EQ(MathFunctions::ArrayMax(std::vector<double>{}), NumericLimits::MostNegativeDouble);
    EXPECT_EQ(MathFunctions::ArrayMin(Variant::Doubles(v, 1)), -2.5);
    EXPECT_EQ(MathFunctions::ArrayMax(Variant::Doubles(v, 1)), 7.0);
    EXPECT_THROW(MathFunctions::ArrayMax(Variant(1.0)), AppError);
}

TEST(NumericsLimits, MarkerAndLimits) {
    EXPECT_EQ(kNoValue, NumericLimits::MostNegativeDouble);
    EXPECT_EQ(NumericLimits::LowestDouble, NumericLimits::MostNegativeDouble);
    EXPECT_LT(NumericLimits::MostNegativeDouble, -1e308);
    EXPECT_GT(NumericLimits::LargestDouble, 1e308);
    EXPECT_LE(NumericLimits::MostNegativeSingle, -3.4e38f);
    EXPECT_GE(NumericLimits::LargestSingle, 3.4e38f);
    EXPECT_TRUE(NumericLimits::UnsetLong < 0 || NumericLimits::UnsetLong > 12);
    // The marker survives the program's 15-digit text form.
    EXPECT_EQ(FormatDouble(kNoValue), "-1.79769313486231E+308");
    EXPECT_EQ(Val(FormatDouble(kNoValue)), kNoValue);
    EXPECT_EQ(Val(FormatDouble(NumericLimits::LargestDouble)), NumericLimits::LargestDouble);
}

TEST(NumericsFiles, FileExists) {
    test::TempDir dir;
    const std::string file = dir.file("Template \xC3\xA9.rtf");
    EXPECT_FALSE(FileFunctions::FileExists(file));
    test::WriteBytes(file, "x");
    EXPECT_TRUE(FileFunctions::FileExists(file));
    EXPECT_FALSE(FileFunctions::FileExists(dir.str()));
    EXPECT_FALSE(FileFunctions::FileExists(""));
    EXPECT_FALSE(FileFunctions::FileExists(dir.file("missing/deeper/file.txt")));
}

TEST(NumericsCorrelation, Values) {
    using ArrayStatistics::Correlation;
    EXPECT_DOUBLE_EQ(*Correlation(std::vector<double>{1, 2, 3}, std::vector<double>{2, 4, 6}), 1.0);
    EXPECT_DOUBLE_EQ(*Correlation(std::vector<double>{1, 2, 3}, std::vector<double>{3, 2, 1}), -1.0);
    // Worked by hand: centred sums 4 / sqrt(5 * 5).
    EXPECT_NEAR(*Correlation(std::vector<double>{1, 2, 3, 4}, std::vector<double>{1, 3, 2, 4}), 0.8, 1e-15);
    // Far from zero the centred form keeps its accuracy.
    EXPECT_NEAR(*Correlation(std::vector<double>{1e9 + 1, 1e9 + 2, 1e9 + 3, 1e9 + 4},
                             std::vector<double>{1, 3, 2, 4}),
                0.8, 1e-12);
}

TEST(NumericsCorrelation, UndefinedIsNull) {
    using ArrayStatistics::Correlation;
    EXPECT_FALSE(Correlation(std::vector<double>{5, 5, 5}, std::vector<double>{1, 2, 3}));
    EXPECT_FALSE(Correlation(std::vector<double>{1, 2, 3}, std::vector<double>{0, 0, 0}));
    // The mean of many copies of 0.1 is not exactly 0.1: no spread all the same.
    std::vector<double> tenths(10000, 0.1), spread(10000);
    for (std::size_t i = 0; i < spread.size(); ++i) spread[i] = static_cast<double>(i % 17);
    EXPECT_FALSE(Correlation(tenths, spread));
    EXPECT_FALSE(Correlation(spread, tenths));
    EXPECT_FALSE(Correlation(std::vector<double>{1, 2, 3}, std::vector<double>{1, 2}));
    EXPECT_FALSE(Correlation(std::vector<double>{1}, std::vector<double>{1}));
    EXPECT_FALSE(Correlation(std::vector<double>{1, NAN, 3}, std::vector<double>{1, 2, 3}));
    EXPECT_TRUE(Correlation(Variant::Doubles({5, 5, 5}), Variant::Doubles({1, 2, 3})).isNull());
    EXPECT_TRUE(Correlation(Variant(1.0), Variant::Doubles({1, 2, 3})).isNull());
    EXPECT_DOUBLE_EQ(CDbl(Correlation(Variant::Doubles({1, 2, 3}), Variant::Doubles({2, 4, 6}))), 1.0);
}

TEST(NumericsQuantile, EndpointsAndInterpolation) {
    using ArrayStatistics::Quantile;
    const std::vector<double> s{1, 2, 3, 4};
    EXPECT_EQ(Quantile(0.0, s), 1.0);
    EXPECT_EQ(Quantile(1.0, s), 4.0);
    EXPECT_DOUBLE_EQ(Quantile(0.5, s), 2.5);       // h = 1.5
    EXPECT_DOUBLE_EQ(Quantile(1.0 / 3.0, s), 2.0);  // h = 1
    EXPECT_DOUBLE_EQ(Quantile(0.05, s), 1.15);     // h = 0.15
    EXPECT_EQ(Quantile(0.3, std::vector<double>{7}), 7.0);
    EXPECT_EQ(Quantile(0.025, Variant::Doubles(s, 1)), Quantile(0.025, s));
    EXPECT_THROW(Quantile(0.5, std::vector<double>{}), AppError);
    EXPECT_THROW(Quantile(1.01, s), AppError);
    EXPECT_THROW(Quantile(NAN, s), AppError);
}

TEST(NumericsQuantile, MonotoneInP) {
    std::vector<double> s;
    for (int i = 0; i < 101; ++i) s.push_back(std::sqrt(static_cast<double>(i)) * 3.7 - 5);
    double last = -INFINITY;
    for (int i = 0; i <= 1000; ++i) {
        const double q = ArrayStatistics::Quantile(i / 1000.0, s);
        EXPECT_GE(q, last) << i;
        last = q;
    }
    EXPECT_EQ(last, s.back());
}

TEST(NumericsAux, SignDecidesTheBarHitTest) {
    EXPECT_EQ(AuxFunctions::Sign(0.3f), 1);
    EXPECT_EQ(AuxFunctions::Sign(-0.01f), -1);
    EXPECT_EQ(AuxFunctions::Sign(0.0f), 0);
    // (v - Y) * g(Y) >= -0.05 holds inside a bar and fails beyond its end, for bars
    // on either side of the zero line.
    auto hit = [](double v, float y) { return (v - y) * AuxFunctions::Sign(y) >= -0.05; };
    EXPECT_TRUE(hit(0.4, 0.2f));
    EXPECT_FALSE(hit(0.4, 0.5f));
    EXPECT_TRUE(hit(-0.4, -0.2f));
    EXPECT_FALSE(hit(-0.4, -0.5f));
    EXPECT_FALSE(hit(0.4, -0.2f));
}
