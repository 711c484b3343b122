// Axis arithmetic of the chart: automatic ranges, tick steps and their guards, tick
// label texts and the plot margins, all without a drawing surface.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "controls/chart_axes.h"
#include "numerics/numerics.h"
#include "runtime/error.h"

namespace nuvir::chart {
namespace {

namespace ax = axis;

double Length(const std::string& s) { return static_cast<double>(s.size()); }

TEST(ChartNiceAxisRange, ZeroToOneGivesQuarterStepsOnXAndHalfStepsOnY) {
    const AxisRow x = NiceAxisRange(0.0, 1.0, ax::kX);
    EXPECT_DOUBLE_EQ(x[ax::kMin], 0.0);
    EXPECT_DOUBLE_EQ(x[ax::kMax], 1.0);
    EXPECT_DOUBLE_EQ(x[ax::kLow], 0.0);
    EXPECT_DOUBLE_EQ(x[ax::kHigh], 1.0);
    EXPECT_DOUBLE_EQ(x[ax::kStep], 0.25);
    EXPECT_EQ(x[ax::kExponent], -1.0);
    const AxisRow y = NiceAxisRange(0.0, 1.0, ax::kY);
    EXPECT_DOUBLE_EQ(y[ax::kStep], 0.5);
    // Any axis but X counts as a Y-like axis.
    EXPECT_DOUBLE_EQ(NiceAxisRange(0.0, 1.0, ax::kThird)[ax::kStep], 0.5);
}

TEST(ChartNiceAxisRange, EqualValuesWidenByOneUnitOfTheirExponent) {
    const AxisRow zeros = NiceAxisRange(0.0, 0.0, ax::kY);
    EXPECT_DOUBLE_EQ(zeros[ax::kLow], -1.0);
    EXPECT_DOUBLE_EQ(zeros[ax::kHigh], 1.0);
    EXPECT_EQ(zeros[ax::kExponent], 0.0);
    EXPECT_DOUBLE_EQ(zeros[ax::kStep], 1.0);

    const AxisRow fives = NiceAxisRange(5.0, 5.0, ax::kX);
    EXPECT_DOUBLE_EQ(fives[ax::kLow], 4.0);
    EXPECT_DOUBLE_EQ(fives[ax::kHigh], 6.0);
    EXPECT_EQ(fives[ax::kExponent], 0.0);
    EXPECT_DOUBLE_EQ(fives[ax::kStep], 0.5);

    const AxisRow negative = NiceAxisRange(-250.0, -250.0, ax::kY);
    EXPECT_EQ(negative[ax::kExponent], 2.0);
    EXPECT_DOUBLE_EQ(negative[ax::kLow], -400.0);
    EXPECT_DOUBLE_EQ(negative[ax::kHigh], -200.0);
}

TEST(ChartNiceAxisRange, SmallFractionsRoundToHundredths) {
    const AxisRow r = NiceAxisRange(0.013, 0.087, ax::kX);
    EXPECT_EQ(r[ax::kExponent], -2.0);
    EXPECT_NEAR(r[ax::kLow], 0.01, 1e-15);
    EXPECT_NEAR(r[ax::kHigh], 0.09, 1e-15);
    EXPECT_NEAR(r[ax::kStep], 0.02, 1e-15);
}

TEST(ChartNiceAxisRange, NegativeOnlyAndMixedSigns) {
    const AxisRow neg = NiceAxisRange(-87.0, -13.0, ax::kX);
    EXPECT_EQ(neg[ax::kExponent], 1.0);
    EXPECT_DOUBLE_EQ(neg[ax::kLow], -90.0);
    EXPECT_DOUBLE_EQ(neg[ax::kHigh], -10.0);
    EXPECT_DOUBLE_EQ(neg[ax::kStep], 20.0);

    // 12 is just above a power of ten, so the exponent drops to 0.
    const AxisRow mixed = NiceAxisRange(-3.2, 12.0, ax::kY);
    EXPECT_EQ(mixed[ax::kExponent], 0.0);
    EXPECT_DOUBLE_EQ(mixed[ax::kLow], -4.0);
    EXPECT_DOUBLE_EQ(mixed[ax::kHigh], 12.0);
    EXPECT_DOUBLE_EQ(mixed[ax::kStep], 8.0);

    const AxisRow thousands = NiceAxisRange(0.0, 1500.0, ax::kX);
    EXPECT_EQ(thousands[ax::kExponent], 2.0);
    EXPECT_DOUBLE_EQ(thousands[ax::kHigh], 1500.0);
    EXPECT_DOUBLE_EQ(thousands[ax::kStep], 375.0);
}

TEST(ChartColumnMinMax, StrictMinimumAndMaximumWithStartValues) {
    const std::vector<double> v{3.0, -2.0, 7.0, 7.0};
    const AxisRow r = ColumnMinMax(v);
    EXPECT_DOUBLE_EQ(r[ax::kMin], -2.0);
    EXPECT_DOUBLE_EQ(r[ax::kMax], 7.0);
    for (int k = 2; k < 6; ++k) EXPECT_EQ(r[k], 0.0);

    const AxisRow none = ColumnMinMax({});
    EXPECT_EQ(none[ax::kMin], NumericLimits::LargestDouble);
    EXPECT_EQ(none[ax::kMax], NumericLimits::LowestDouble);
}

TEST(ChartTickLabels, FixedFormByExponent) {
    EXPECT_EQ(FixedTickText(0.25, -2), ".25");
    EXPECT_EQ(FixedTickText(1.25, -2), "1.25");
    EXPECT_EQ(FixedTickText(-0.25, -2), "-.25");
    EXPECT_EQ(FixedTickText(0.0, -2), ".00");
    EXPECT_EQ(FixedTickText(0.0, -1), "0");
    EXPECT_EQ(FixedTickText(0.04, -1), "0");
    EXPECT_EQ(FixedTickText(0.25, -1), ".3");  // halves away from zero
    EXPECT_EQ(FixedTickText(0.5, 0), "0.5");
    EXPECT_EQ(FixedTickText(12.0, 1), "12.0");
    EXPECT_EQ(FixedTickText(1500.0, 3), "1500");
    EXPECT_EQ(FixedTickText(-2.5, 2), "-3");
    // Rounding dust below zero reads as zero, never "-0.0".
    EXPECT_EQ(FixedTickText(-1e-17, 0), "0.0");
    EXPECT_EQ(FixedTickText(-0.001, -2), ".00");
}

TEST(ChartTickLabels, ScientificFormHasOneDecimalAndBareExponent) {
    EXPECT_EQ(ScientificTickText(1500.0), "1.5e3");
    EXPECT_EQ(ScientificTickText(0.25), "2.5e-1");
    EXPECT_EQ(ScientificTickText(0.0), "0.0e0");
    EXPECT_EQ(ScientificTickText(-0.000125), "-1.3e-4");
    EXPECT_EQ(ScientificTickText(99.96), "1.0e2");
    EXPECT_EQ(ScientificTickText(2.0e15), "2.0e15");
}

TEST(ChartTickLabels, NarrowerFormWinsAndTiesGoToFixed) {
    EXPECT_EQ(FormatTickLabel(0.25, -2, Length), ".25");
    EXPECT_EQ(FormatTickLabel(0.0, -1, Length), "0");
    EXPECT_EQ(FormatTickLabel(0.0, -2, Length), ".00");
    EXPECT_EQ(FormatTickLabel(1500.0, 3, Length), "1500");     // 4 against 5
    EXPECT_EQ(FormatTickLabel(150000.0, 5, Length), "1.5e5");  // 6 against 5
    EXPECT_EQ(FormatTickLabel(0.00025, -5, Length), ".00025");  // as wide as "2.5e-4": a tie
    auto sameWidth = [](const std::string&) { return 10.0; };
    EXPECT_EQ(FormatTickLabel(150000.0, 5, sameWidth), "150000");
}

TEST(ChartTickGuards, ReasonableStepsPassUnchanged) {
    EXPECT_DOUBLE_EQ(GuardedTickStep(0.0, 1.0, 0.25, ax::kX, false), 0.25);
    EXPECT_DOUBLE_EQ(GuardedTickStep(0.0, 1000.0, 1.0, ax::kY, false), 1.0);  // exactly the cap
}

TEST(ChartTickGuards, LimitsFarWiderThanTheStepGetACoarserStep) {
    // Automatic X step 0.25 with a caller maximum of a million.
    const double step = GuardedTickStep(0.0, 1.0e6, 0.25, ax::kX, false);
    EXPECT_DOUBLE_EQ(step, 250000.0);
    EXPECT_EQ(TickCount(0.0, 1.0e6, step), 5);

    // Far from zero the automatic step of a narrow range is wider than the range
    // itself; quarters of the range are used instead.
    const double narrow = GuardedTickStep(1000.0, 1000.001, 1e-9, ax::kX, false);
    EXPECT_NEAR(narrow, 0.00025, 1e-12);
    EXPECT_EQ(TickCount(1000.0, 1000.001, narrow), 5);

    // Label positions need whole steps.
    const double labels = GuardedTickStep(1.0, 5001.0, 1.0, ax::kX, true);
    EXPECT_EQ(labels, std::floor(labels));
    EXPECT_LE((5000.0) / labels, kMaxTicks);
}

TEST(ChartTickGuards, UnusableStepsRaise) {
    auto raises255 = [](double low, double high, double step) {
        try {
            GuardedTickStep(low, high, step, ax::kY, false);
        } catch (const AppError& e) {
            return e.number() == 255;
        }
        return false;
    };
    EXPECT_TRUE(raises255(0.0, 1.0, 0.0));
    EXPECT_TRUE(raises255(0.0, 1.0, -0.5));
    EXPECT_TRUE(raises255(0.0, 1.0, std::nan("")));
    EXPECT_TRUE(raises255(0.0, std::numeric_limits<double>::infinity(), 1.0));
}

TEST(ChartTickGuards, TickCountIncludesBothEndsDespiteRoundingAndIsCapped) {
    EXPECT_EQ(TickCount(0.0, 1.0, 0.25), 5);
    // 0.3 / 0.1 is just below 3 in binary; the last tick is still drawn.
    EXPECT_EQ(TickCount(0.0, 0.3, 0.1), 4);
    EXPECT_EQ(TickCount(0.0, 0.95, 0.25), 4);
    EXPECT_EQ(TickCount(0.0, 1.0e9, 1.0), kMaxTicks + 1);
    EXPECT_EQ(TickCount(0.0, std::numeric_limits<double>::infinity(), 1.0), kMaxTicks + 1);
    EXPECT_EQ(TickPosition(-0.3, 0.1, 3), 0.0);
    EXPECT_DOUBLE_EQ(TickPosition(-0.3, 0.1, 5), 0.2);
}

TEST(ChartMargins, RoomForLabelsAndTitles) {
    auto width = [](const std::string& s) { return 10.0 * static_cast<double>(s.size()); };
    auto height = [](const std::string&) { return 20.0; };
    const PlotMargins plain = ComputeMargins(width, height, 1000.0, 500.0, "", "");
    EXPECT_DOUBLE_EQ(plain.left, 0.08 + 0.025);
    EXPECT_DOUBLE_EQ(plain.right, 0.03);
    EXPECT_DOUBLE_EQ(plain.bottom, 0.04 + 0.025);
    EXPECT_DOUBLE_EQ(plain.top, 0.06);

    const PlotMargins titled = ComputeMargins(width, height, 1000.0, 500.0, "Risk", "Frequency");
    EXPECT_DOUBLE_EQ(titled.bottom, (1.2 * 20.0 + 20.0) / 500.0 + 0.025);
    EXPECT_DOUBLE_EQ(titled.top, 0.08);
    // A Y title alone still grows the top margin.
    EXPECT_DOUBLE_EQ(ComputeMargins(width, height, 1000.0, 500.0, "", "Y").top, 0.08);
}

}  // namespace
}  // namespace nuvir::chart
