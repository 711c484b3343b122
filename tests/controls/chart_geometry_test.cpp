// The filled-area geometry of the chart and the reading of its options array.
#include <gtest/gtest.h>

#include <vector>

#include "controls/chart_geometry.h"
#include "controls/chart_options.h"
#include "runtime/variant.h"

namespace nuvir::chart {
namespace {

ChartData Series(const std::vector<double>& xs, const std::vector<double>& ys) {
    ChartData d(2, static_cast<std::int32_t>(xs.size()));
    for (std::size_t j = 0; j < xs.size(); ++j) {
        d.at(0, static_cast<std::int32_t>(j)) = xs[j];
        d.at(1, static_cast<std::int32_t>(j)) = ys[j];
    }
    return d;
}

TEST(ChartOutline, ClosingAddsTheTwoPointsOnTheZeroLine) {
    ChartData d(3, 3);
    for (int j = 0; j < 3; ++j) {
        d.at(0, j) = 1.0 + j;
        d.at(1, j) = 5.0 + j;
        d.at(2, j) = 9.0;
    }
    const ChartData c = CloseAreaOutline(d);
    ASSERT_EQ(c.points, 5);
    ASSERT_EQ(c.variables, 3);
    EXPECT_EQ(c.X(2), 3.0);
    EXPECT_EQ(c.Y(2), 7.0);
    EXPECT_EQ(c.X(3), 3.0);
    EXPECT_EQ(c.Y(3), 0.0);
    EXPECT_EQ(c.at(2, 3), 0.0);
    EXPECT_EQ(c.X(4), 1.0);
    EXPECT_EQ(c.Y(4), 0.0);
    EXPECT_EQ(c.at(2, 4), 0.0);
    EXPECT_EQ(c.at(2, 0), 9.0);
}

TEST(ChartOutline, PointInPolygonOnASquare) {
    const std::vector<ChartPoint> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    EXPECT_TRUE(PointInPolygon(square, {5, 5}));
    EXPECT_FALSE(PointInPolygon(square, {15, 5}));
    EXPECT_FALSE(PointInPolygon(square, {-1, 5}));
    EXPECT_FALSE(PointInPolygon(square, {5, 11}));
    // Horizontal edges never count as crossings: the bottom edge is outside.
    EXPECT_FALSE(PointInPolygon(square, {5, 0}));
    // A vertical edge through the point counts: the right edge is inside, the left
    // edge is crossed twice and so outside.
    EXPECT_TRUE(PointInPolygon(square, {10, 5}));
    EXPECT_FALSE(PointInPolygon(square, {0, 5}));
    // Fewer than three points enclose nothing.
    const std::vector<ChartPoint> two{{0, 0}, {10, 10}};
    EXPECT_FALSE(PointInPolygon(two, {5, 5}));
}

TEST(ChartOutline, SeedHalfwayUnderTheHighestMidpoint) {
    const ChartData closed = CloseAreaOutline(Series({0, 1, 2, 3, 4}, {0, 2, 4, 2, 0}));
    const auto seed = FillSeedPoint(closed);
    ASSERT_TRUE(seed.has_value());
    // Two midpoints share the top height 3; the first one wins.
    EXPECT_DOUBLE_EQ(seed->X, 1.5);
    EXPECT_DOUBLE_EQ(seed->Y, 1.5);
}

TEST(ChartOutline, LongSeriesSkipTheirEndSegments) {
    // The highest segment lies among the first five, so it is not the seed.
    std::vector<double> xs, ys;
    for (int j = 0; j < 12; ++j) {
        xs.push_back(j);
        ys.push_back(j == 1 ? 100.0 : (j == 7 ? 10.0 : 1.0));
    }
    const ChartData closed = CloseAreaOutline(Series(xs, ys));
    ASSERT_EQ(closed.points, 14);
    const auto seed = FillSeedPoint(closed);
    ASSERT_TRUE(seed.has_value());
    EXPECT_DOUBLE_EQ(seed->X, 6.5);
    EXPECT_DOUBLE_EQ(seed->Y, 5.5 / 2.0);
}

TEST(ChartOutline, NoSeedForShortSeriesOrAPointOutside) {
    EXPECT_FALSE(FillSeedPoint(Series({0, 1}, {1, 1})).has_value());
    EXPECT_TRUE(DataToPoints(Series({0, 1}, {1, 1})).empty());
    // A zigzag whose highest midpoint halves onto a spot outside the outline.
    const ChartData zigzag = CloseAreaOutline(Series({0, 1, 2, 3}, {3, -3, 2, -2}));
    EXPECT_FALSE(FillSeedPoint(zigzag).has_value());
}

Variant Options(std::vector<Variant> items) { return Variant::List(items); }

TEST(ChartOptionsReading, ShortArraysReadAsPaddedWithEmpty) {
    const ChartOptions o(Options({Variant(), Variant(1)}));
    ASSERT_TRUE(o.Present());
    EXPECT_TRUE(o.Element(10).isEmpty());
    // Elements 0 to 2: Empty reads as 0.
    EXPECT_EQ(o.Setting(0), 0.0);
    EXPECT_EQ(o.Setting(1), 1.0);
    EXPECT_EQ(o.Setting(2), 0.0);
    // Elements 3 to 10: Empty is absent.
    EXPECT_FALSE(o.AxisValue(3).has_value());
    EXPECT_FALSE(o.ReferencePosition(9).has_value());
}

TEST(ChartOptionsReading, NoArrayMeansNoSettings) {
    const ChartOptions none{Variant()};
    EXPECT_FALSE(none.Present());
    EXPECT_FALSE(none.Setting(0).has_value());
    EXPECT_FALSE(none.IsTrue(0));
    EXPECT_FALSE(ChartOptions(Variant(3.0)).Present());
}

TEST(ChartOptionsReading, NumericTextCountsAndOtherTextIsIgnored) {
    std::vector<Variant> items(11);
    items[0] = Variant("dotted");
    items[1] = Variant(" 2 ");
    items[3] = Variant("10");
    items[4] = Variant("abc");
    items[9] = Variant("0.5");
    items[10] = Variant(2.25);
    const ChartOptions o(Options(items));
    EXPECT_FALSE(o.Setting(0).has_value());
    EXPECT_EQ(o.Setting(1), 2.0);
    EXPECT_EQ(o.AxisValue(3), 10.0);
    EXPECT_FALSE(o.AxisValue(4).has_value());
    EXPECT_EQ(o.ReferencePosition(9), 0.5);
    EXPECT_EQ(o.ReferencePosition(10), 2.25);
}

TEST(ChartOptionsReading, TrueIsMinusOneAndTickCountsBelowTwoAreAutomatic) {
    std::vector<Variant> items(11);
    items[0] = Variant(true);
    items[5] = Variant(0);
    items[8] = Variant(1);
    const ChartOptions o(Options(items));
    EXPECT_TRUE(o.IsTrue(0));
    EXPECT_EQ(o.Setting(0), -1.0);
    EXPECT_FALSE(o.TickCount(5).has_value());
    EXPECT_FALSE(o.TickCount(8).has_value());

    items[0] = Variant(-1);
    items[5] = Variant(-3);
    items[8] = Variant(5);
    const ChartOptions p(Options(items));
    EXPECT_TRUE(p.IsTrue(0));
    EXPECT_FALSE(p.TickCount(5).has_value());
    EXPECT_EQ(p.TickCount(8), 5);
}

TEST(ChartOptionsReading, ElementsPastTenAreDropped) {
    std::vector<Variant> items(14, Variant(1));
    const ChartOptions o(Options(items));
    EXPECT_EQ(o.Setting(2), 1.0);
    EXPECT_ANY_THROW(o.Element(11));
}

}  // namespace
}  // namespace nuvir::chart
