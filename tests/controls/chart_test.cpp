// The chart: axis arithmetic and tick labels without a surface; the filled
// area's geometry; then CChart on the recording fake (the options as read, exact calls
// and scale values with text metrics of 7 x 13 pixels) and on the offscreen surface
// (pixels and sample pictures), including the failure rule and the guards that keep a
// bad option from hanging it.
#include <QCoreApplication>
#include <QImage>

#include <cmath>
#include <filesystem>

#include "controls/chart.h"
#include "controls_fixture.h"
#include "support/recordingpicturebox.h"

namespace nuvir {
namespace {

using namespace chart;
namespace ax = chart::axis;

constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kBlack = 0;
const Colour kRed = RGBColour(255, 0, 0);
const Colour kBlue = RGBColour(0, 0, 255);

double Length(const std::string& s) { return static_cast<double>(s.size()); }

Variant Data(const std::vector<std::vector<double>>& rows) {
    const auto points = static_cast<std::int32_t>(rows[0].size());
    Variant d = Variant::MakeArray(VarType::Double,
                                   {Bounds{0, static_cast<std::int32_t>(rows.size()) - 1}, Bounds{0, points - 1}});
    for (std::size_t v = 0; v < rows.size(); ++v)
        for (std::int32_t j = 0; j < points; ++j)
            d(static_cast<std::int32_t>(v), j) = rows[v][static_cast<std::size_t>(j)];
    return d;
}
ChartData Series(const std::vector<double>& xs, const std::vector<double>& ys) {
    ChartData d(2, static_cast<std::int32_t>(xs.size()));
    for (std::int32_t j = 0; j < d.points; ++j)
        d.at(0, j) = xs[static_cast<std::size_t>(j)], d.at(1, j) = ys[static_cast<std::size_t>(j)];
    return d;
}
Variant Colours(Colour background = kWhite, Colour series = kRed) {
    Variant c = Variant::MakeArray(VarType::Int32, {Bounds{0, 1}});
    c(0) = Variant(static_cast<int>(background));
    c(1) = Variant(static_cast<int>(series));
    return c;
}
// An options array of 11 Empty elements with the given ones set.
Variant Options(std::initializer_list<std::pair<int, Variant>> set, std::size_t size = 11) {
    std::vector<Variant> items(size);
    for (const auto& [i, v] : set) items[static_cast<std::size_t>(i)] = v;
    return Variant::List(items);
}

// ---- axis arithmetic -----------------------------------------------------------------------

TEST(ChartAxes, NiceRanges) {
    const struct {
        const char* name;
        double min, max;
        int axis;
        double low, high, step, exponent;
    } cases[] = {
        {"0..1 on X: quarter steps", 0, 1, ax::kX, 0, 1, 0.25, -1},
        {"0..1 on Y: half steps", 0, 1, ax::kY, 0, 1, 0.5, -1},
        {"equal zeros widen by one unit", 0, 0, ax::kY, -1, 1, 1, 0},
        {"equal negatives", -250, -250, ax::kY, -400, -200, 100, 2},
        {"small fractions to hundredths", 0.013, 0.087, ax::kX, 0.01, 0.09, 0.02, -2},
        {"12 just above a power of ten", -3.2, 12, ax::kY, -4, 12, 8, 0},
        {"thousands", 0, 1500, ax::kX, 0, 1500, 375, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const AxisRow r = NiceAxisRange(c.min, c.max, c.axis);
        EXPECT_EQ(r[ax::kLow], c.low);
        EXPECT_EQ(r[ax::kHigh], c.high);
        EXPECT_EQ(r[ax::kStep], c.step);
        EXPECT_EQ(r[ax::kExponent], c.exponent);
    }
}

TEST(ChartAxes, LabelsThatRunIntoEachOtherAreLeftOutAtARegularStepKeepingFirstAndLast) {
    const struct {
        const char* name;
        std::vector<double> starts, ends;
        std::vector<bool> shown;
    } cases[] = {
        {"all fit", {0, 1, 2}, {0.5, 1.5, 2.5}, {true, true, true}},
        {"five: every second", {0, 1, 2, 3, 4}, {1.5, 2.5, 3.5, 4.5, 5.5}, {true, false, true, false, true}},
        {"four: the one before the last would meet it", {0, 1, 2, 3}, {1.5, 2.5, 3.5, 4.5}, {true, false, false, true}},
        {"nine: every third and the last",
         {0, 1, 2, 3, 4, 5, 6, 7, 8},
         {2.5, 3.5, 4.5, 5.5, 6.5, 7.5, 8.5, 9.5, 10.5},
         {true, false, false, true, false, false, false, false, true}},
        {"an empty label meets nothing", {0, 0.5, 1}, {0.9, 0.5, 1.9}, {true, true, true}},
        {"the gap counts", {0, 1}, {0.95, 1.95}, {true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(nuvir::chart::LabelsThatFit(c.starts, c.ends, 0.1), c.shown);
    }
}

TEST(ChartAxes, TickLabelTexts) {
    const std::pair<std::string, std::string> cases[] = {
        {FixedTickText(-0.25, -2), "-.25"},
        {FixedTickText(0.25, -1), ".3"},
        {FixedTickText(12.0, 1), "12.0"},
        {FixedTickText(-2.5, 2), "-3"},
        {FixedTickText(-1e-17, 0), "0.0"},
        {FixedTickText(-0.001, -2), ".00"},  // never "-0.0"
        {ScientificTickText(0.0), "0.0e0"},
        {ScientificTickText(-0.000125), "-1.3e-4"},
        {ScientificTickText(99.96), "1.0e2"},
        {FormatTickLabel(0.25, -2, Length), ".25"},
        {FormatTickLabel(1500.0, 3, Length), "1500"},  // 4 against 5
        {FormatTickLabel(150000.0, 5, Length), "1.5e5"},
        {FormatTickLabel(0.00025, -5, Length), ".00025"},  // ties to fixed
        {FormatTickLabel(150000.0, 5, [](const std::string&) { return 10.0; }), "150000"}};
    for (const auto& [got, expected] : cases) EXPECT_EQ(got, expected);
}

// A caller's tick count can put ticks where the exponent's decimals cannot show them:
// the whole axis then takes the fewest decimals, or the scientific form, that show every
// tick exactly.
TEST(ChartAxes, EveryTickLabelShowsItsTicksValue) {
    const struct {
        const char* name;
        std::vector<double> ticks;
        int p;
        std::vector<std::string> labels;
    } cases[] = {
        {"exact already: the exponent's forms stay", {0, 0.5, 1}, -1, {"0", ".5", "1.0"}},
        {"four ticks on 0 to 1.05", {0, 0.35, 0.7, 0.35 * 3}, -1, {".00", ".35", ".70", "1.05"}},
        {"step 0.05 under one decimal", {0, 0.05, 0.1}, 0, {"0.00", "0.05", "0.10"}},
        {"step 0.000075", {0, 0.000075, 0.000075 * 2, 0.000075 * 3}, -4, {".000000", ".000075", ".000150", ".000225"}},
        {"narrower in the scientific form", {0, 1.25e-9, 2.5e-9}, -9, {"0.00e0", "1.25e-9", "2.50e-9"}},
        {"-0.6 by 0.275 to 0.5: no dust",
         {TickPosition(-0.6, 0.275, 0), TickPosition(-0.6, 0.275, 1), TickPosition(-0.6, 0.275, 2),
          TickPosition(-0.6, 0.275, 3), TickPosition(-0.6, 0.275, 4)},
         -1,
         {"-.600", "-.325", "-.050", ".225", ".500"}},
        // Two figures would round the first or last tick past the largest Double
        // (-1.8e308, 1.8e308): the scientific form with the five decimals of the ticks.
        {"from -1.79736e308 by 5e306",
         {-1.79736e308, -1.74736e308, -1.69736e308},
         308,
         {"-1.79736e308", "-1.74736e308", "-1.69736e308"}},
        {"up to 1.79736e308 by 5e306",
         {1.69736e308, 1.74736e308, 1.79736e308},
         308,
         {"1.69736e308", "1.74736e308", "1.79736e308"}},
    };
    for (const auto& c : cases) EXPECT_EQ(AxisTickLabels(c.ticks, c.p, Length), c.labels) << c.name;
}

// What the axis table rows of the chart leave to the step guard: a step that is no
// step, and counts of ticks that keep both ends despite rounding and are capped.
TEST(ChartAxes, TickGuards) {
    for (const auto& [high, step] : {std::pair{1.0, 0.0}, std::pair{1.0, -0.5}, std::pair{1.0, std::nan("")},
                                     std::pair{std::numeric_limits<double>::infinity(), 1.0}})
        EXPECT_EQ(test::ErrorNumber([&] { GuardedTickStep(0.0, high, step, ax::kY, false); }), 255);
    const double labels = GuardedTickStep(1.0, 5001.0, 1.0, ax::kX, true);  // label positions need whole steps
    EXPECT_EQ(labels, std::floor(labels));
    EXPECT_LE(5000.0 / labels, kMaxTicks);
    EXPECT_EQ(TickCount(0, 0.3, 0.1), 4);
    EXPECT_EQ(TickCount(0, 0.95, 0.25), 4);
    EXPECT_EQ(TickCount(0, std::numeric_limits<double>::infinity(), 1), kMaxTicks + 1);
    EXPECT_EQ(TickPosition(-0.3, 0.1, 3), 0.0);
}

// Ranges that pass min < max but that no tick step could divide are held; every other
// range stays. The limits by hand: 8e307 either side (a round number under half of the
// largest Double, 8.99e307), and the smallest width, 1e-300.
TEST(ChartAxes, RangesTheDrawingCannotShowAreHeld) {
    const struct {
        const char* name;
        double low, high, heldLow, heldHigh;
    } cases[] = {
        {"-1e308..1e308 typed in the plot dialog", -1e308, 1e308, -8e307, 8e307},
        {"the whole Double range", -1.79769313486231e308, 1.79769313486231e308, -8e307, 8e307},
        {"only the far end is brought in", -1e307, 1.79e308, -1e307, 8e307},
        {"ends 1.7e308 apart stay", -8.5e307, 8.5e307, -8.5e307, 8.5e307},
        {"0..1e-320 from the options file", 0, 1e-320, 0, 1e-300},
        {"a subnormal range below zero", -1e-320, -5e-321, -1e-320, -1e-320 + 1e-300},
        {"an everyday range stays", 0, 1, 0, 1},
        {"huge values of one sign stay", 1e39, 1.79e308, 1e39, 1.79e308},
        {"the smallest width stays", 0, 1e-300, 0, 1e-300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto [low, high] = HeldAxisRange(c.low, c.high);
        EXPECT_DOUBLE_EQ(low, c.heldLow);
        EXPECT_DOUBLE_EQ(high, c.heldHigh);
        EXPECT_TRUE(std::isfinite(high - low));
    }
}

// Automatic axes for data no Single holds: both ends finite and around the data, the
// step finite; ends that would round past the largest Double round to the next finer
// place; tiny data round to places of 1e-307 at the finest.
TEST(ChartAxes, NiceRangesOfHugeAndTinyData) {
    const struct {
        const char* name;
        double min, max, low, high;
    } cases[] = {
        {"1e39 results to whole 1e38s", 9.6e38, 1.04e39, 9e38, 1.1e39},
        {"up to the largest Double", 0, 1.79769313486231e308, 0, 1.79769313486231e308},
        {"both signs near the largest Double", -1.7e308, 1.7e308, -1.7e308, 1.7e308},
        {"further apart than the largest Double, to whole 1e307s", -1.2345e308, 1.6789e308, -1.3e308, 1.7e308},
        {"1e-305 results to whole 1e-305s", 1.2e-305, 2.9e-305, 1e-305, 3e-305},
        {"subnormal results", 1e-320, 2e-320, 0, 1e-307},
        {"equal subnormal results", 1e-320, 1e-320, -1e-307, 1e-307},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AxisRow r{};
        ASSERT_NO_THROW(r = NiceAxisRange(c.min, c.max, ax::kY));
        EXPECT_DOUBLE_EQ(r[ax::kLow], c.low);
        EXPECT_DOUBLE_EQ(r[ax::kHigh], c.high);
        EXPECT_TRUE(std::isfinite(r[ax::kStep]) && r[ax::kStep] > 0);
    }
}

// An axis reaches the Single scale as it stands when Singles hold it; otherwise scaled
// by a power of two (and moved to start at zero where it lies far from zero), so that
// its ends are Singles one to two units apart and its middle maps between them.
TEST(ChartAxes, SurfaceMapsKeepEveryAxisWithinSingles) {
    const struct {
        const char* name;
        double low, high;
        bool asItStands;
    } cases[] = {
        {"0..1", 0, 1, true},
        {"a probability's -0.5..1.5", -0.5, 1.5, true},
        {"a million", 0, 1e6, true},
        {"thousandths", 0.001, 0.002, true},
        {"1e39 results", 9.6e38, 1.04e39, false},
        {"the held -1e308..1e308", -8e307, 8e307, false},
        {"the held 0..1e-300", 0, 1e-300, false},
        {"a narrow range far from zero", 1e6, 1e6 + 1e-3, false},
        {"densities of a huge spread", 0, 4e-38, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SurfaceMap map = SurfaceMapFor(c.low, c.high);
        const double low = map.ToSurface(c.low), high = map.ToSurface(c.high);
        const double middle = map.ToSurface(c.low / 2 + c.high / 2);
        if (c.asItStands) {
            EXPECT_EQ(low, c.low);
            EXPECT_EQ(high, c.high);
            continue;
        }
        EXPECT_EQ(std::exp2(std::round(std::log2(map.unit))), map.unit) << "a power of two";
        EXPECT_GE(high - low, 1.0);
        EXPECT_LT(high - low, 2.0);
        EXPECT_LE(std::fabs(low), 2048.0);
        EXPECT_LE(std::fabs(high), 2048.0);
        EXPECT_LT(static_cast<float>(low), static_cast<float>(middle));
        EXPECT_LT(static_cast<float>(middle), static_cast<float>(high));
    }
    // Ends further apart than the largest Double: the power of two of half the width,
    // 1.5e308, is 2^1023, about zero.
    const SurfaceMap wide = SurfaceMapFor(-1.3e308, 1.7e308);
    EXPECT_EQ(wide.unit, 0x1p1023);
    EXPECT_EQ(wide.origin, 0.0);
    EXPECT_EQ(wide.ToSurface(1.7e308), 1.7e308 / 0x1p1023);
    EXPECT_EQ(SurfaceMapFor(0, 1).ToSurface(1e300), SurfaceMap::kFar) << "far beyond, still a Single";
    EXPECT_EQ(SurfaceMapFor(0, 1e-300).ToSurface(-1e300), -SurfaceMap::kFar) << "an overflowing division";
}

// ---- the filled area and the options array ----------------------------------------------------

TEST(ChartGeometry, OutlinesSeedsAndPointsInside) {
    const ChartData c = CloseAreaOutline(Series({1, 2, 3}, {5, 6, 7}));  // two points added on the zero line
    EXPECT_EQ(c.points, 5);
    EXPECT_EQ(c.X(3), 3);
    EXPECT_EQ(c.Y(3), 0);
    EXPECT_EQ(c.X(4), 1);
    EXPECT_EQ(c.Y(4), 0);
    const std::vector<ChartPoint> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    // Horizontal edges never count as crossings; a vertical edge through the point does,
    // so the right edge is inside and the left one, crossed twice, outside.
    const std::pair<ChartPoint, bool> points[] = {{{5, 5}, true},  {{15, 5}, false}, {{5, 11}, false},
                                                  {{5, 0}, false}, {{10, 5}, true},  {{0, 5}, false}};
    for (const auto& [p, inside] : points) EXPECT_EQ(PointInPolygon(square, p), inside) << p.X << "," << p.Y;
    EXPECT_FALSE(PointInPolygon(std::vector<ChartPoint>{{0, 0}, {10, 10}}, {5, 5}));
    // Halfway under the highest midpoint, the first of equals; a zigzag's may lie outside.
    auto seed = FillSeedPoint(CloseAreaOutline(Series({0, 1, 2, 3, 4}, {0, 2, 4, 2, 0})));
    EXPECT_DOUBLE_EQ(seed.value().X, 1.5);
    EXPECT_DOUBLE_EQ(seed->Y, 1.5);
    // Long series skip their end segments: the highest one is among the first five.
    std::vector<double> xs, ys;
    for (int j = 0; j < 12; ++j) xs.push_back(j), ys.push_back(j == 1 ? 100.0 : (j == 7 ? 10.0 : 1.0));
    seed = FillSeedPoint(CloseAreaOutline(Series(xs, ys)));
    EXPECT_DOUBLE_EQ(seed->X, 6.5);
    EXPECT_DOUBLE_EQ(seed->Y, 5.5 / 2.0);
    EXPECT_FALSE(FillSeedPoint(Series({0, 1}, {1, 1})));
    EXPECT_TRUE(DataToPoints(Series({0, 1}, {1, 1})).empty());
}

// ---- CChart on the recording fake ----------------------------------------------------------------

struct LineCall {
    double x1, y1, x2, y2;
    std::string colour, shape;
};

class ChartOnFake : public ::testing::Test {
protected:
    ChartOnFake() { chart.SetTarget(&pic); }
    double Axis(int a, int k) const { return CDbl(chart.AxisData()(a, k)); }
    std::vector<LineCall> Lines(const std::string& shape = "") const {
        std::vector<LineCall> out;
        for (const auto& c : pic.calls) {
            const auto f = Split(c, " ");
            if (f[0] == "Line" && (f.size() > 6 ? f[6] : "") == shape)
                out.push_back({Val(f[1]), Val(f[2]), Val(f[3]), Val(f[4]), f[5], shape});
        }
        return out;
    }
    std::vector<std::string> Prints() const {
        std::vector<std::string> out;
        for (const auto& [text, x, y] : PrintsAt()) out.push_back(text);
        return out;
    }
    // Each print with the current point it was printed at.
    std::vector<std::tuple<std::string, double, double>> PrintsAt() const {
        std::vector<std::tuple<std::string, double, double>> at;
        double x = 0, y = 0;
        for (const auto& c : pic.calls) {
            if (c.rfind("CurrentX=", 0) == 0) x = Val(c.substr(9));
            if (c.rfind("CurrentY=", 0) == 0) y = Val(c.substr(9));
            if (c.rfind("Print ", 0) == 0) at.emplace_back(c.substr(6), x, y);
        }
        return at;
    }
    std::pair<double, double> PrintedAt(const std::string& text, int k = 0) const {
        for (const auto& [t, x, y] : PrintsAt())
            if (t == text && k-- == 0) return {x, y};
        return {NAN, NAN};
    }
    // Draws on a cleared call list; true when drawing failed.
    bool Line(const Variant& data, const Variant& titles = Variant(), const Variant& options = Variant(),
              const Variant& labels = Variant()) {
        pic.ClearCalls();
        return chart.DrawLineGraph(data, colours, true, false, titles, options, labels);
    }
    bool Bars(const Variant& data, const Variant& titles = Variant(), const Variant& options = Variant()) {
        pic.ClearCalls();
        return chart.DrawVBarGraph(data, colours, true, titles, options);
    }
    RecordingPictureBox pic{400, 300};
    CChart chart;
    Variant colours = Colours();
};

TEST_F(ChartOnFake, EveryFailureClearsThePicture) {
    Variant text = Variant::MakeArray(VarType::Generic, {Bounds{0, 1}, Bounds{0, 1}});
    text(0, 0) = Variant(1), text(0, 1) = Variant(2), text(1, 0) = Variant("high"), text(1, 1) = Variant(3);
    Variant flat = Variant::MakeArray(VarType::Int32, {Bounds{0, 1}, Bounds{0, 1}});
    const std::pair<const char*, std::function<bool()>> cases[] = {
        {"one dimension",
         [&] {
             return chart.DrawLineGraph(Variant::Doubles({1, 2, 3}), colours, true, false);
         }},
        {"one variable",
         [&] {
             return chart.DrawLineGraph(Data({{1, 2, 3}}), colours, true, false);
         }},
        {"colours of two dimensions",
         [&] {
             return chart.DrawVBarGraph(Data({{1, 2}, {3, 4}}), flat, true);
         }},
        {"NaN",
         [&] {
             return chart.DrawVBarGraph(Data({{1, 2}, {3, std::nan("")}}), colours, true);
         }},
        {"no points",
         [&] {
             return chart.DrawLineGraph(Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{0, -1}}), colours,
                                        true, false);
         }},
        {"text where a number belongs", [&] { return chart.DrawLineGraph(text, colours, true, false); }},
        {"equal caller limits",
         [&] {
             return chart.DrawLineGraph(Data({{0, 1}, {0, 1}}), colours, true, false, Variant(),
                                        Options({{3, Variant(3.0)}, {4, Variant(3.0)}}));
         }},
        {"equal caller X limits",
         [&] {
             return chart.DrawVBarGraph(Data({{0, 1}, {0, 1}}), colours, true, Variant(),
                                        Options({{6, Variant(2)}, {7, Variant("2")}}));
         }},
        {"no line style",
         [&] {
             return chart.DrawLineGraph(Data({{0, 1}, {0, 1}}), colours, true, false, Variant(),
                                        Options({{0, Variant(9)}}));
         }},
        {"no earlier axes to draw into",
         [&] {
             CChart fresh;
             fresh.SetTarget(&pic);
             return fresh.DrawVBarGraph(Data({{0, 10}, {5, 0}}), colours, false);
         }},
    };
    for (const auto& [name, draw] : cases) {
        SCOPED_TRACE(name);
        pic.SetBackColor(kWhite);
        pic.Line(10, 10, 2000, 2000, kBlue);
        EXPECT_TRUE(draw());
        EXPECT_TRUE(test::Ink(pic.Image()).isNull());
        EXPECT_EQ((pic.Image().pixel(0, 0) & 0xFFFFFFu), kWhite);
    }
    // Colours are resized in the caller's array even when drawing fails; the True in
    // element 0 is no line style, so that graph fails to the background, element 0 black.
    Variant few = Variant::MakeArray(VarType::Int32, {Bounds{0, 0}});
    few(0) = Variant(static_cast<int>(kWhite));
    EXPECT_FALSE(chart.DrawLineGraph(Data({{0, 1}, {0, 1}, {5, 6}}), few, true, false));
    EXPECT_EQ(few.ubound(1), 2);
    EXPECT_EQ(CLng(few(2)), 0);
    Variant many = Variant::MakeArray(VarType::Int32, {Bounds{0, 4}});
    EXPECT_TRUE(
        chart.DrawLineGraph(Data({{0, 1}, {0, 1}}), many, true, false, Variant(), Options({{0, Variant(true)}})));
    EXPECT_EQ(many.ubound(1), 1);
    EXPECT_TRUE(test::Ink(pic.Image()).isNull());
    EXPECT_EQ((pic.Image().pixel(0, 0) & 0xFFFFFFu), kBlack);
    // Too small a picture for its labels fails; no target is a programming error.
    ImagePictureBox tiny(1, 1), narrow(40, 300);
    CChart loose;
    EXPECT_THROW(loose.DrawLineGraph(Data({{0, 1}, {0, 1}}), colours, true, false), std::logic_error);
    loose.SetTarget(&tiny);
    EXPECT_TRUE(loose.DrawLineGraph(Data({{0, 1}, {0, 1}}), colours, true, false));
    loose.SetTarget(&narrow);
    EXPECT_TRUE(loose.DrawVBarGraph(Data({{0, 1}, {0, 1}}), colours, true));
}

// Caller limits are swapped when reversed; tick counts set the step, but one below two
// stays automatic and neither a tiny step nor a huge count draws thousands of ticks (or
// hangs the chart, which the test runner's timeout catches).
TEST_F(ChartOnFake, TheAxisTableFollowsTheOptions) {
    const struct {
        const char* name;
        Variant options;
        std::vector<double> x, y;  // low, high, step
    } cases[] = {
        {"options that are no array are none", Variant(3.0), {0, 1, 0.25}, {0, 1, 0.5}},
        {"Y 10..0 in five ticks, X from 4 to 0 in the automatic step",
         Options({{3, Variant(10)}, {4, Variant(0)}, {5, Variant(5)}, {6, Variant("4")}, {7, Variant(0.0)}}),
         {0, 4, 0.25},
         {0, 10, 2.5}},
        {"tick counts 1 and -4", Options({{5, Variant(1)}, {8, Variant(-4)}}), {0, 1, 0.25}, {0, 1, 0.5}},
        {"tick counts 0, no number, fourteen elements",
         Options({{5, Variant(0)}, {8, Variant(0)}, {3, Variant("abc")}}, 14),
         {0, 1, 0.25},
         {0, 1, 0.5}},
        {"X up to a million", Options({{7, Variant(1.0e6)}}), {0, 1.0e6, 250000}, {0, 1, 0.5}},
        {"two billion Y ticks", Options({{5, Variant(2000000000)}}), {0, 1, 0.25}, {0, 1, 0.5}},
        // Held to 8e307 each side, in the automatic step of the held range (a quarter on
        // X, a half on Y) or in the caller's ticks.
        {"X -1e308..1e308 typed",
         Options({{6, Variant(-1e308)}, {7, Variant(1e308)}}),
         {-8e307, 8e307, 4e307},
         {0, 1, 0.5}},
        {"Y -1e308..1e308 typed",
         Options({{3, Variant(-1e308)}, {4, Variant(1e308)}}),
         {0, 1, 0.25},
         {-8e307, 8e307, 8e307}},
        {"Y -1e308..1e308 in five ticks",
         Options({{3, Variant(-1e308)}, {4, Variant(1e308)}, {5, Variant(5)}}),
         {0, 1, 0.25},
         {-8e307, 8e307, 4e307}},
        {"Y 0..1e-320 from the options file",
         Options({{3, Variant(0.0)}, {4, Variant(1e-320)}}),
         {0, 1, 0.25},
         {0, 1e-300, 5e-301}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(Bars(Data({{0, 1}, {0, 1}}), Variant(), c.options));
        EXPECT_DOUBLE_EQ(Axis(0, 2), c.x[0]);
        EXPECT_DOUBLE_EQ(Axis(0, 3), c.x[1]);
        EXPECT_DOUBLE_EQ(Axis(0, 4), c.x[2]);
        EXPECT_DOUBLE_EQ(Axis(1, 2), c.y[0]);
        EXPECT_DOUBLE_EQ(Axis(1, 3), c.y[1]);
        EXPECT_DOUBLE_EQ(Axis(1, 4), c.y[2]);
        EXPECT_LE(Prints().size(), 30u);
        // One line a tick, from low to high in steps, on each axis.
        const auto ticks = [](const std::vector<double>& a) { return std::lround((a[1] - a[0]) / a[2]) + 1; };
        EXPECT_EQ(static_cast<long>(Lines().size()), ticks(c.x) + ticks(c.y));
    }
}

// Data further apart than the largest Double (a run's total risk from -1.2345e308 to
// 1.6789e308) get an automatic axis that covers them, not one held to 8e307 as typed
// ends are: by hand, ends to whole 1e307s (1e308s would pass the largest Double), a
// quarter of the 3e308 as the step, numbers at every second of the five ticks; the
// surface unit 2^1023, the power of two of half the width. A reference line spans 2 %
// to 98 % of the axis, from -1.3e308 + 6e306 to 1.7e308 - 6e306.
TEST_F(ChartOnFake, AnAutomaticAxisCoversDataFurtherApartThanTheLargestDouble) {
    EXPECT_FALSE(Bars(Data({{-1.2345e308, 0.5e308, 1.6789e308}, {1, 3, 2}}), Variant(), Options({{9, Variant(2)}})));
    EXPECT_DOUBLE_EQ(Axis(0, 2), -1.3e308);
    EXPECT_DOUBLE_EQ(Axis(0, 3), 1.7e308);
    EXPECT_DOUBLE_EQ(Axis(0, 4), 7.5e307);
    const std::vector<std::string> prints = Prints();
    ASSERT_GE(prints.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(prints.begin(), prints.begin() + 3),
              (std::vector<std::string>{"-1.3e308", "2.0e307", "1.7e308"}));
    const std::vector<LineCall> bars = Lines("FilledBox");
    ASSERT_EQ(bars.size(), 3u);
    const double centres[3] = {-1.2345e308, 0.5e308, 1.6789e308};
    for (int i = 0; i < 3; ++i) EXPECT_NEAR((bars[i].x1 + bars[i].x2) / 2, centres[i] / 0x1p1023, 1e-6) << i;
    int reference = 0;
    for (const LineCall& l : Lines())
        reference += l.colour == "0" && l.y1 == 2 && l.y2 == 2 &&
                     std::abs(l.x1 - (-1.3e308 + 6e306) / 0x1p1023) < 1e-6 &&
                     std::abs(l.x2 - (1.7e308 - 6e306) / 0x1p1023) < 1e-6;
    EXPECT_EQ(reference, 1);
}

TEST_F(ChartOnFake, AxesSetAYUpScaleWithTicksAndLabels) {
    EXPECT_FALSE(Line(Data({{0, 0.5, 1}, {0, 1, 0.25}})));
    // Margins with 7-pixel characters and 13-pixel lines on 400 x 300 pixels; below the
    // X labels a fifth of a line more, their gap to the ticks.
    const double left = 56.0 / 400.0 + 0.025, right = 21.0 / 400.0, bottom = 1.2 * 13.0 / 300.0 + 0.025,
                 top = 1.5 * 13.0 / 300.0;
    EXPECT_NEAR(pic.ScaleWidth(), 1.0 / (1.0 - left - right), 1e-5);
    EXPECT_NEAR(pic.ScaleHeight(), -1.0 / (1.0 - top - bottom), 1e-5);
    EXPECT_NEAR(pic.ScaleLeft(), -pic.ScaleWidth() * left, 1e-5);
    EXPECT_NEAR(pic.ScaleTop(), 1.0 - pic.ScaleHeight() * top, 1e-5);
    // Labels alternate on X and cover every Y tick. The X label centred under its tick
    // pointing down from Y = 0, a fifth of a line below its end, the Y label
    // right-aligned half a blank left of its tick pointing left from X = 0.
    EXPECT_EQ(Prints(), (std::vector<std::string>{"0", ".5", "1.0", "0", ".5", "1.0"}));
    const double tickX = 0.025 * pic.ScaleHeight(), tickY = 0.025 * pic.ScaleWidth();
    const double charW = 7.0 * pic.ScaleWidth() / 400.0, lineH = 13.0 * pic.ScaleHeight() / 300.0;
    EXPECT_NEAR(PrintedAt(".5").first, 0.5 - charW, 1e-6);
    EXPECT_NEAR(PrintedAt(".5").second, tickX + 0.2 * lineH, 1e-6);
    EXPECT_NEAR(PrintedAt("1.0", 1).first, -tickY - 3.5 * charW, 1e-6);
    EXPECT_NEAR(PrintedAt("1.0", 1).second, 1.0 - lineH / 2.0, 1e-6);
    // The frame is the last thing drawn, in width 1, with the axes and after the series.
    EXPECT_EQ(pic.calls[pic.calls.size() - 2], "DrawWidth=1");
    EXPECT_EQ(Lines("Box").size(), 2u);
    // Titles need an X title; the top margin grows for a Y title all the same.
    EXPECT_FALSE(Line(Data({{0, 1}, {0, 1}}), Variant::List({"", "Frequency"})));
    EXPECT_EQ(pic.Count("Print Frequency"), 0);
    EXPECT_LT(std::abs(pic.ScaleTop() - (1.0 - pic.ScaleHeight() * 26.0 / 300.0)), 1e-5);
    EXPECT_FALSE(Line(Data({{0, 1}, {0, 1}}), Variant::List({" ", "Frequency", "unused"})));
    EXPECT_EQ(Prints().back(), "Frequency");
    EXPECT_NEAR(PrintedAt("Frequency").first, 0.0, 1e-6);
    EXPECT_NEAR(PrintedAt("Frequency").second, 1.0 - 13.0 * pic.ScaleHeight() / 300.0, 1e-6);
}

TEST_F(ChartOnFake, LabelArraysLabelEveryTickAndLaterCallsReuseTheAxes) {
    const Variant labels = Variant::List({"a", "b", "c", "d", "e", "f", "g", "h", "i"}, 1);
    const Variant squares = Data({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 4, 9, 16, 25, 36, 49, 64, 81}});
    EXPECT_FALSE(Line(squares, Variant(), Options({{8, Variant(3)}}), labels));
    std::vector<std::string> p = Prints();
    EXPECT_EQ(std::vector<std::string>(p.begin(), p.begin() + 9),
              (std::vector<std::string>{"a", "b", "c", "d", "e", "f", "g", "h", "i"}));  // the X tick count ignored
    // Caller X limits beyond the labels leave the outer ticks without text.
    EXPECT_FALSE(Line(squares, Variant(), Options({{6, Variant(-1)}, {7, Variant(11)}}), labels));
    p = Prints();
    EXPECT_EQ(std::vector<std::string>(p.begin(), p.begin() + 13),
              (std::vector<std::string>{"", "", "a", "b", "c", "d", "e", "f", "g", "h", "i", "", ""}));
    // Without axes a later call keeps scale and axis table: no clearing, scaling or printing.
    const std::string before = test::Rows(chart.AxisData());
    pic.ClearCalls();
    EXPECT_FALSE(
        chart.DrawLineGraph(Data({{0, 10}, {5, 0}}), colours, false, false, Variant(), Variant(), Variant(), true));
    EXPECT_EQ(pic.Count("Cls") + pic.Count("Scale") + pic.Count("Print"), 0);
    EXPECT_EQ(test::Rows(chart.AxisData()), before);
    // A long last X label keeps its end inside the picture; every label keeps its start.
    for (const Variant& titles : {Variant(), Variant::List({" ", "Mean risk"})}) {
        EXPECT_FALSE(Line(Data({{0, 1, 2, 3}, {0.9, 0.6, 0.45, 123456.5}}), titles, Variant(),
                          Variant::List({"Arrive", "Survive", "Establish", "Spread"})));
        EXPECT_LE(PrintedAt("Spread").first + pic.TextWidth("Spread"), pic.ScaleLeft() + pic.ScaleWidth());
        for (const auto& [text, x, y] : PrintsAt()) EXPECT_GE(x, pic.ScaleLeft()) << text;
    }
    // Too narrow for its label texts, a picture shows them at a regular step, the first
    // and the last kept, and no printed label reaches the next.
    pic.ResizeClient(230, 300);
    const Variant stages = Variant::List({"R1", "R1..R2    ", "R1..R3    ", "R1..R4    ", "R1..R5    "});
    EXPECT_FALSE(Line(Data({{0, 1, 2, 3, 4}, {1, 2, 3, 4, 5}}), Variant(), Variant(), stages));
    const auto printed = PrintsAt();
    EXPECT_EQ(std::get<0>(printed[0]), "R1");
    EXPECT_EQ(std::get<0>(printed[1]), "R1..R3    ");
    EXPECT_EQ(std::get<0>(printed[2]), "R1..R5    ");
    for (std::size_t i = 1; i < 3; ++i) {
        const std::string before = std::get<0>(printed[i - 1]);
        EXPECT_LT(std::get<1>(printed[i - 1]) + pic.TextWidth(before.substr(0, before.find_last_not_of(' ') + 1)),
                  std::get<1>(printed[i]));
    }
    pic.ResizeClient(400, 300);
    // A caller's tick count of 4 on 0 to 1.05 axes: every label shows its tick's value.
    EXPECT_FALSE(Line(Data({{0, 0.35, 0.7, 1.05}, {0, 0.5, 1, 0.75}}), Variant(),
                      Options({{3, Variant(0)},
                               {4, Variant(1.05)},
                               {5, Variant(4)},
                               {6, Variant(0)},
                               {7, Variant(1.05)},
                               {8, Variant(4)}})));
    EXPECT_EQ(Prints(), (std::vector<std::string>{"0", ".7", ".00", ".35", ".70", "1.05"}));
}

TEST_F(ChartOnFake, MarkersFollowElementsOneAndTwoAndDottedSeriesKeepSolidMarkers) {
    const Variant data = Data({{0, 1, 2}, {1, 3, 2}});
    // None, three with radius 0 at the last point, none for an unknown marker.
    const std::tuple<Variant, int, int> cases[] = {{Variant(), 0, 0},
                                                   {Variant::List({Variant()}), 3, 1},
                                                   {Options({{1, Variant(7)}}), 0, 0}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& [options, circles, last] = cases[i];
        EXPECT_FALSE(Line(data, Variant(), options));
        EXPECT_EQ(pic.Count("Circle"), circles) << "case " << i;
        EXPECT_EQ(pic.Count("Circle 2 2 0 "), last) << "case " << i;
    }
    EXPECT_FALSE(Line(data, Variant(), Options({{0, Variant(2)}, {1, Variant(1)}, {2, Variant(5)}})));
    // Each filled circle solid, each segment dotted, from the series' first point on.
    std::string seq, style, fill;
    bool series = false;
    for (const std::string& c : pic.calls) {
        series = series || c.rfind("PSet 0 1 ", 0) == 0;
        if (c.rfind("DrawStyle=", 0) == 0) style = c.substr(10);
        if (c.rfind("FillStyle=", 0) == 0) fill = c.substr(10);
        if (series && c.rfind("Circle", 0) == 0) seq += "circle" + style + "/" + fill + " ";
        if (series && c.rfind("Line", 0) == 0 && c.find(" Box") == std::string::npos) seq += "line" + style + " ";
    }
    EXPECT_EQ(seq, "circle0/0 line2 circle0/0 line2 circle0/0 ");
    EXPECT_EQ(pic.DrawStyle(), drawstyle::Solid);
    EXPECT_EQ(pic.FillStyle(), fillstyle::Transparent);
    EXPECT_EQ(pic.Count("FillColor=" + FormatDouble(kRed)), 3);
}

TEST_F(ChartOnFake, BarsStandOnTheClampedBaseAndReferenceLinesSpanThePlotLessTwoPercent) {
    const Variant data = Data({{1, 2, 3}, {2, 4, 3}});
    const std::tuple<Variant, double, double> cases[] = {// width 10 pixels, base clamped to the axis 1..4
                                                         {Variant(), 10, 1.0},
                                                         {Variant(-5), 10, 1.0},
                                                         {Variant(10), 10, 4.0},
                                                         {Variant(2.5), 10, 2.5},
                                                         {Variant("x"), 10, 1.0}};
    for (const auto& [base, width, y1] : cases) {
        EXPECT_FALSE(
            Bars(data, Variant(), Options({{1, Variant(width)}, {2, base}, {3, Variant(1)}, {4, Variant(4)}})));
        const std::vector<LineCall> bars = Lines("FilledBox");
        ASSERT_EQ(bars.size(), 3u) << TextOf(base);
        EXPECT_NEAR(bars[1].x2 - bars[1].x1, pic.ScaleX(width, scale::Pixels, scale::User), 1e-6);
        EXPECT_NEAR(bars[1].x1 + bars[1].x2, 4.0, 1e-6);
        EXPECT_EQ(bars[1].y1, y1) << TextOf(base);
        EXPECT_EQ(bars[1].y2, 4) << TextOf(base);
    }
    // With element 0 True (-1) a bar graph has no X ticks but keeps its titles.
    EXPECT_FALSE(Bars(Data({{0, 1}, {0, 1}}), Variant::List({"Risk", "Count"}), Options({{0, Variant(-1)}})));
    EXPECT_EQ(Prints(), (std::vector<std::string>{"0", ".5", "1.0", "Risk", "Count"}));
    // Reference lines in black, from 2 % to 98 % of the plot; a series beyond sixteen-bit indices draws.
    EXPECT_FALSE(Line(Data({{0, 1}, {0, 1}}), Variant(), Options({{9, Variant(0.5)}, {10, Variant("0.25")}})));
    auto near = [](double a, double b) { return std::abs(a - b) < 1e-7; };
    int found = 0;
    for (const LineCall& l : Lines()) {
        if (l.colour != "0") continue;
        found += near(l.y1, 0.5) && near(l.y2, 0.5) && near(l.x1, 0.02) && near(l.x2, 0.98);
        found += 10 * (near(l.x1, 0.25) && near(l.x2, 0.25) && near(l.y1, 0.02) && near(l.y2, 0.98));
    }
    EXPECT_EQ(found, 11);
    std::vector<double> xs, ys;
    for (int j = 0; j < 40000; ++j) xs.push_back(j), ys.push_back(j % 100);
    EXPECT_FALSE(Line(Data({xs, ys})));
    EXPECT_EQ(pic.Count("Line"), 39999 + 2 + 5 + 3);  // segments, two frames, X and Y ticks
}

// ---- pixels ------------------------------------------------------------------------------------

// Sample charts for a reviewer, written beside the test program, and checked where
// bars, area, frame and reference line belong.
TEST(ChartOnImage, SamplesShowBarsAreasFrameAndReferenceLineWhereTheyBelong) {
    const std::filesystem::path dir = std::filesystem::current_path() / "chart_samples";
    std::filesystem::create_directories(dir);
    std::vector<double> xs, ys;
    for (int j = 0; j <= 40; ++j) xs.push_back(j * 0.05), ys.push_back(std::exp(-(j - 18) * (j - 18) / 60.0) * 0.8);
    using Point = std::tuple<double, double, Colour>;
    const struct {
        const char* file;
        bool bars, fill;
        Variant data, titles, options, labels;
        Colour back, series;
        std::vector<Point> points;
        bool reachesFrame = false;  // the series runs into the frame at the top and the bottom
    } samples[] = {
        {"bars_checked.png",
         true,
         false,
         Data({{1, 2, 3}, {2, 4, 3}}),
         Variant(),
         Options(
             {{1, Variant(20)}, {3, Variant(0)}, {4, Variant(5)}, {6, Variant(0)}, {7, Variant(4)}, {9, Variant(4.5)}}),
         Variant(),
         kWhite,
         kRed,
         // Inside the bars, above the first, between bars, the reference line and short of
         // its inset end, the frame's left and top edges.
         {{2.0, 3.5, kRed},
          {1.0, 1.0, kRed},
          {1.0, 3.0, kWhite},
          {1.5, 1.0, kWhite},
          {2.0, 4.5, kBlack},
          {0.05, 4.5, kWhite},
          {0.0, 2.5, kBlack},
          {2.5, 5.0, kBlack}}},
        {"area_checked.png",
         false,
         true,
         Data({{0, 1, 2, 3, 4}, {0, 2, 4, 2, 0}}),
         Variant(),
         Variant(),
         Variant(),
         kWhite,
         kBlue,
         {{2.0, 1.0, kBlue}, {2.0, 3.5, kBlue}, {0.4, 3.0, kWhite}, {3.6, 3.0, kWhite}}},
        {"zigzag_unfilled.png",
         false,
         true,
         Data({{0, 1, 2, 3}, {3, -3, 2, -2}}),
         Variant(),
         Variant(),
         Variant(),
         kWhite,
         kBlue,
         {{0.5, 1.0, kWhite}}},
        {"line_filled.png",
         false,
         true,
         Data({xs, ys}),
         Variant::List({"Total risk", "Density"}),
         Options({{1, Variant(1)}, {2, Variant(2)}, {10, Variant(0.9)}}),
         Variant(),
         kWhite,
         RGBColour(120, 170, 230),
         {}},
        {"labelled_dotted.png",
         false,
         false,
         Data({{0, 1, 2, 3}, {0.9, 0.6, 0.45, 0.2}}),
         Variant::List({" ", "Mean risk"}),
         Options({{0, Variant(2)}, {1, Variant(1)}, {2, Variant(5)}, {3, Variant(0)}}),
         Variant::List({"Arrive", "Survive", "Establish", "Spread"}),
         kWhite,
         RGBColour(30, 120, 30),
         {}},
        {"negative_bars.png",
         true,
         false,
         Data({{-0.6, -0.3, 0.0, 0.3, 0.6}, {-0.42, 0.13, 0.87, -0.05, 0.31}}),
         Variant::List({"Input", "Correlation"}),
         Options({{1, Variant(40)}, {2, Variant(0)}, {10, Variant(0)}}),
         Variant(),
         kWhite,
         RGBColour(90, 90, 200),
         {}},
        // A fixed Y axis of 1 to 5 with bars from a base of 3 up to 9 and down to -7: both
        // stop at the frame; the bar within the axis hangs from the base as ever.
        {"bars_beyond_fixed_axis.png",
         true,
         false,
         Data({{1, 2, 3}, {9, 2, -7}}),
         Variant::List({"Input", "Correlation"}),
         Options(
             {{1, Variant(30)}, {2, Variant(3)}, {3, Variant(1)}, {4, Variant(5)}, {6, Variant(0)}, {7, Variant(4)}}),
         Variant(),
         kWhite,
         kRed,
         {{1.0, 4.0, kRed}, {3.0, 2.0, kRed}, {1.0, 2.5, kWhite}, {2.0, 2.5, kRed}, {2.0, 1.5, kWhite}},
         true},
        // An area three times the axis: its fill still starts inside the frame.
        {"area_beyond_fixed_axis.png",
         false,
         true,
         Data({{0, 1, 2, 3, 4}, {0, 9, 9, 9, 0}}),
         Variant(),
         Options({{3, Variant(0)}, {4, Variant(3)}}),
         Variant(),
         kWhite,
         kBlue,
         {{2.0, 1.5, kBlue}, {0.1, 2.5, kWhite}},
         true},
        {"ticks_4_on_0_to_1.05.png",
         false,
         false,
         Data({{0, 0.35, 0.7, 1.05}, {0.02, 0.4, 0.9, 0.75}}),
         Variant::List({"Probability", "Risk"}),
         Options({{5, Variant(4)},
                  {8, Variant(4)},
                  {3, Variant(0)},
                  {4, Variant(1.05)},
                  {6, Variant(0)},
                  {7, Variant(1.05)}}),
         Variant(),
         kWhite,
         kBlue,
         {}},
    };
    for (const auto& s : samples) {
        SCOPED_TRACE(s.file);
        ImagePictureBox pic(480, 320);
        CChart chart;
        chart.SetTarget(&pic);
        Variant colours = Colours(s.back, s.series);
        EXPECT_FALSE(s.bars ? chart.DrawVBarGraph(s.data, colours, true, s.titles, s.options)
                            : chart.DrawLineGraph(s.data, colours, true, s.fill, s.titles, s.options, s.labels));
        for (const auto& [x, y, c] : s.points) EXPECT_EQ(pic.Point(x, y), c) << x << "," << y;
        // Nothing of the series lies outside the frame.
        const Variant axes = chart.AxisData();
        const QRect frame(QPoint(pic.PixelX(CSng(axes(0, ax::kLow))), pic.PixelY(CSng(axes(1, ax::kHigh)))),
                          QPoint(pic.PixelX(CSng(axes(0, ax::kHigh))), pic.PixelY(CSng(axes(1, ax::kLow)))));
        const QImage img = pic.Image();
        const QRgb series = ColourToQColor(s.series).rgb() | 0xFF000000u;
        QRect drawn;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if ((img.pixel(x, y) | 0xFF000000u) == series) drawn |= QRect(x, y, 1, 1);
        EXPECT_TRUE(frame.contains(drawn))
            << "frame " << frame.left() << "," << frame.top() << " " << frame.right() << "," << frame.bottom()
            << ", series " << drawn.left() << "," << drawn.top() << " " << drawn.right() << "," << drawn.bottom();
        if (s.reachesFrame) {
            EXPECT_EQ(drawn.top(), frame.top() + 1);
            EXPECT_EQ(drawn.bottom(), frame.bottom() - 1);
        }
        EXPECT_TRUE(pic.Image().save(QString::fromStdString((dir / s.file).string()), "PNG"));
    }
}

// A tick label stands clear of its tick: the pixel row under an X tick's end and the
// pixel column left of a Y tick's end hold no ink near the tick, on number axes and
// label axes, for line and bar graphs.
TEST(ChartOnImage, TickLabelsNeverTouchTheirTicks) {
    const struct {
        const char* name;
        bool bars;
        Variant data, titles, labels;
        int width, height;
    } charts[] = {
        {"numbers", false, Data({{0, 0.35, 0.7, 1.05}, {0.02, 0.4, 0.9, 0.75}}), Variant::List({"Probability", "Risk"}),
         Variant(), 480, 320},
        {"label texts", false, Data({{0, 1, 2, 3}, {0.9, 0.6, 0.45, 0.2}}), Variant::List({" ", "Mean risk"}),
         Variant::List({"Arrive", "Survive", "Establish", "Spread"}), 480, 320},
        {"bars, small", true, Data({{1, 2, 3}, {2, 4, 3}}), Variant::List({"Total Biological Risk", "Frequency"}),
         Variant(), 240, 180},
    };
    for (const auto& c : charts) {
        SCOPED_TRACE(c.name);
        ImagePictureBox pic(c.width, c.height);
        CChart chart;
        chart.SetTarget(&pic);
        Variant colours = Colours(kWhite, kBlue);
        ASSERT_FALSE(c.bars ? chart.DrawVBarGraph(c.data, colours, true, c.titles, Variant())
                            : chart.DrawLineGraph(c.data, colours, true, false, c.titles, Variant(), c.labels));
        const Variant axes = chart.AxisData();
        const QImage img = pic.Image();
        const auto ink = [&](int x, int y) { return img.valid(x, y) && qGray(img.pixel(x, y)) < 200; };
        const double xLow = CDbl(axes(0, ax::kLow)), yLow = CDbl(axes(1, ax::kLow));
        const int belowX = pic.PixelY(static_cast<float>(yLow + 0.025 * pic.ScaleHeight())) + 1;
        int labelled = 0;
        for (double t = xLow; t <= CDbl(axes(0, ax::kHigh)) + 1e-9; t += CDbl(axes(0, ax::kStep))) {
            const int px = pic.PixelX(static_cast<float>(t));
            for (int x = px - 20; x <= px + 20; ++x)
                EXPECT_FALSE(ink(x, belowX)) << "under the X tick at " << t << ", x " << x;
            for (int y = belowX; y < belowX + 20; ++y) labelled += ink(px, y);
        }
        EXPECT_GT(labelled, 0) << "the X labels were drawn under their ticks";
        const int leftOfY = pic.PixelX(static_cast<float>(xLow - 0.025 * pic.ScaleWidth())) - 1;
        for (double t = yLow; t <= CDbl(axes(1, ax::kHigh)) + 1e-9; t += CDbl(axes(1, ax::kStep))) {
            const int py = pic.PixelY(static_cast<float>(t));
            for (int y = py - 6; y <= py + 6; ++y)
                EXPECT_FALSE(ink(leftOfY, y)) << "left of the Y tick at " << t << ", y " << y;
        }
        ASSERT_TRUE(
            img.save(QCoreApplication::applicationDirPath() + "/chart_ticks_" + QString::number(&c - charts) + ".png"));
    }
}

// Values no Single holds draw as their scaled-down copies do: the same bars (huge X,
// as a histogram of huge results) and the same filled area (huge Y, as cumulative
// means), counted in the series colour inside the plot frame. Subnormal data lie
// within the smallest axis width, so they stand at its zero: the bars show as one, the
// area lies on the zero line under the frame, and neither graph fails.
TEST(ChartOnImage, ValuesBeyondSinglesDrawLikeTheirScaledDownCopies) {
    const std::filesystem::path dir = std::filesystem::current_path() / "chart_samples";
    std::filesystem::create_directories(dir);
    std::vector<double> xs, ys;
    for (int j = 0; j <= 40; ++j)
        xs.push_back(j * 0.05), ys.push_back(std::exp(-(j - 18) * (j - 18) / 60.0) * 0.8 + 0.1);
    const auto scaled = [](std::vector<double> v, double by) {
        for (double& e : v) e *= by;
        return v;
    };
    // Pixels of the series colour within the frame of the chart's last axes.
    const auto seriesPixels = [](const ImagePictureBox& pic, const CChart& chart, Colour colour) {
        const Variant a = chart.AxisData();
        const QRect frame(QPoint(pic.PixelX(chart.SurfaceX(CDbl(a(0, ax::kLow)))),
                                 pic.PixelY(chart.SurfaceY(CDbl(a(1, ax::kHigh))))),
                          QPoint(pic.PixelX(chart.SurfaceX(CDbl(a(0, ax::kHigh)))),
                                 pic.PixelY(chart.SurfaceY(CDbl(a(1, ax::kLow))))));
        const QImage img = pic.Image();
        const QRgb want = ColourToQColor(colour).rgb() | 0xFF000000u;
        int n = 0;
        for (int y = frame.top(); y <= frame.bottom(); ++y)
            for (int x = frame.left(); x <= frame.right(); ++x)
                if (img.valid(x, y) && (img.pixel(x, y) | 0xFF000000u) == want) ++n;
        return n;
    };
    const auto draw = [&](bool bars, double by, const std::string& file) {
        ImagePictureBox pic(480, 320);
        CChart chart;
        chart.SetTarget(&pic);
        Variant colours = Colours(kWhite, kBlue);
        const bool failed =
            bars ? chart.DrawVBarGraph(Data({scaled(xs, by), ys}), colours, true, Variant(), Options({{1, Variant(6)}}))
                 : chart.DrawLineGraph(Data({xs, scaled(ys, by)}), colours, true, true);
        if (!file.empty()) pic.Image().save(QString::fromStdString((dir / file).string()), "PNG");
        return failed ? -1 : seriesPixels(pic, chart, kBlue);
    };
    const int plainBars = draw(true, 1.0, ""), plainArea = draw(false, 1.0, "");
    ASSERT_GT(plainBars, 500);
    ASSERT_GT(plainArea, 5000);
    const struct {
        const char* name;
        double by;
        bool likeTheCopy;
        const char* stem;
    } cases[] = {
        {"1e39, above the largest Single", 1e39, true, "scaled_1e39"},
        {"1e300", 1e300, true, "scaled_1e300"},
        {"near the largest Double", 1e307, true, "scaled_1e307"},
        {"1e-39, below the smallest normal Single", 1e-39, true, "scaled_1e-39"},
        {"1e-200", 1e-200, true, "scaled_1e-200"},
        {"1e-320, subnormal", 1e-320, false, "scaled_1e-320"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string stem = c.stem;
        const int bars = draw(true, c.by, stem + "_bars.png"), area = draw(false, c.by, stem + "_area.png");
        if (c.likeTheCopy) {
            EXPECT_NEAR(bars, plainBars, plainBars / 20);
            EXPECT_NEAR(area, plainArea, plainArea / 20);
        } else {
            EXPECT_GT(bars, 0);
            EXPECT_GE(area, 0);
        }
    }
}

}  // namespace
}  // namespace nuvir
