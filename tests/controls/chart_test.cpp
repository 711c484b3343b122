// CChart on the recording fake (exact calls and scale values with fixed text metrics)
// and on the offscreen surface (pixels), including the failure rule and the guards
// that keep a bad axis option from hanging the program.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/chart.h"
#include "platform/picturebox.h"
#include "platform/qtpicturebox.h"
#include "platform/recordingpicturebox.h"
#include "runtime/convert.h"
#include "runtime/variant.h"

namespace nuvir {
namespace {

constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kBlack = 0;
const Colour kRed = RGBColour(255, 0, 0);
const Colour kBlue = RGBColour(0, 0, 255);

Variant Data(const std::vector<std::vector<double>>& rows) {
    const auto points = static_cast<std::int32_t>(rows[0].size());
    Variant d = Variant::MakeArray(VarType::Double,
                                   {Bounds{0, static_cast<std::int32_t>(rows.size()) - 1}, Bounds{0, points - 1}});
    for (std::size_t v = 0; v < rows.size(); ++v)
        for (std::int32_t j = 0; j < points; ++j) d(static_cast<std::int32_t>(v), j) = rows[v][j];
    return d;
}

Variant Colours(Colour background = kWhite, Colour series = kRed) {
    Variant c = Variant::MakeArray(VarType::Int32, {Bounds{0, 1}});
    c(0) = Variant(static_cast<int>(background));
    c(1) = Variant(static_cast<int>(series));
    return c;
}

// An options array of 11 Empty elements with the given ones set.
Variant Options(std::initializer_list<std::pair<int, Variant>> set) {
    std::vector<Variant> items(11);
    for (const auto& [i, v] : set) items[i] = v;
    return Variant::List(items);
}

double Axis(const CChart& chart, int a, int k) { return CDbl(chart.AxisData()(a, k)); }

struct LineCall {
    double x1, y1, x2, y2;
    std::string colour;
    std::string shape;
};

std::vector<LineCall> Lines(const RecordingPictureBox& pic, const std::string& shape = "") {
    std::vector<LineCall> out;
    for (const auto& c : pic.calls) {
        if (c.rfind("Line ", 0) != 0) continue;
        const auto f = Split(c, " ");
        LineCall l{Val(f[1]), Val(f[2]), Val(f[3]), Val(f[4]), f[5], f.size() > 6 ? f[6] : ""};
        if (l.shape == shape) out.push_back(l);
    }
    return out;
}

std::vector<std::string> Prints(const RecordingPictureBox& pic) {
    std::vector<std::string> out;
    for (const auto& c : pic.calls)
        if (c.rfind("Print ", 0) == 0) out.push_back(c.substr(6));
    return out;
}

// The current point set just before the print of `text` (the first such print).
std::pair<double, double> PrintPosition(const RecordingPictureBox& pic, const std::string& text) {
    double x = 0, y = 0;
    for (const auto& c : pic.calls) {
        if (c.rfind("CurrentX=", 0) == 0) x = Val(c.substr(9));
        if (c.rfind("CurrentY=", 0) == 0) y = Val(c.substr(9));
        if (c == "Print " + text) return {x, y};
    }
    ADD_FAILURE() << "no print of " << text;
    return {x, y};
}

bool OnlyColour(const QImage& image, Colour c) {
    const QRgb want = ColourToQColor(c).rgb();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) | 0xFF000000u) != (want | 0xFF000000u)) return false;
    return true;
}

class ChartOnFake : public ::testing::Test {
protected:
    ChartOnFake() : pic(400, 300) {
        pic.SetTwipsPerPixel(15.0, 15.0);
        chart.SetTarget(&pic);
    }
    // Something on the picture, so clearing it shows.
    void Scribble() {
        pic.SetBackColor(kWhite);
        pic.Line(10, 10, 2000, 2000, kBlue);
        pic.ClearCalls();
    }
    RecordingPictureBox pic;
    CChart chart;
};

// ---- validation and the failure rule --------------------------------------------

TEST_F(ChartOnFake, MisshapenDataFailsAndClearsThePicture) {
    Variant colours = Colours();
    Scribble();
    EXPECT_TRUE(chart.DrawLineGraph(Variant::Doubles({1, 2, 3}), colours, true, false));
    EXPECT_TRUE(OnlyColour(pic.Image(), kWhite));
    EXPECT_EQ(pic.calls.back(), "Cls");

    Scribble();
    EXPECT_TRUE(chart.DrawLineGraph(Data({{1, 2, 3}}), colours, true, false));  // one variable
    EXPECT_TRUE(OnlyColour(pic.Image(), kWhite));

    Scribble();
    Variant flat = Variant::MakeArray(VarType::Int32, {Bounds{0, 1}, Bounds{0, 1}});
    EXPECT_TRUE(chart.DrawVBarGraph(Data({{1, 2}, {3, 4}}), flat, true));
    EXPECT_TRUE(OnlyColour(pic.Image(), kWhite));

    Scribble();
    EXPECT_TRUE(chart.DrawVBarGraph(Data({{1, 2}, {3, std::nan("")}}), colours, true));
    EXPECT_TRUE(OnlyColour(pic.Image(), kWhite));

    Variant noPoints = Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{0, -1}});
    EXPECT_TRUE(chart.DrawLineGraph(noPoints, colours, true, false));
    // Text where a number belongs is an error like any other.
    Variant text = Variant::MakeArray(VarType::Generic, {Bounds{0, 1}, Bounds{0, 1}});
    text(0, 0) = Variant(1);
    text(0, 1) = Variant(2);
    text(1, 0) = Variant("high");
    text(1, 1) = Variant(3);
    EXPECT_TRUE(chart.DrawLineGraph(text, colours, true, false));
}

TEST_F(ChartOnFake, ColoursAreResizedInTheCallersArrayEvenWhenDrawingFails) {
    Variant few = Variant::MakeArray(VarType::Int32, {Bounds{0, 0}});
    few(0) = Variant(static_cast<int>(kWhite));
    EXPECT_FALSE(chart.DrawLineGraph(Data({{0, 1}, {0, 1}, {5, 6}}), few, true, false));
    EXPECT_EQ(few.ubound(1), 2);
    EXPECT_EQ(CLng(few(0)), kWhite);
    EXPECT_EQ(CLng(few(2)), 0);

    Variant many = Variant::MakeArray(VarType::Int32, {Bounds{0, 4}});
    // The True in element 0 is not a line style, so this graph fails.
    EXPECT_TRUE(chart.DrawLineGraph(Data({{0, 1}, {0, 1}}), many, true, false, Variant(),
                                    Options({{0, Variant(true)}})));
    EXPECT_EQ(many.ubound(1), 1);
    EXPECT_TRUE(OnlyColour(pic.Image(), 0));  // cleared to the background, element 0 = black
}

TEST_F(ChartOnFake, EqualCallerLimitsFailInsideTheChart) {
    Variant colours = Colours();
    Scribble();
    EXPECT_TRUE(chart.DrawLineGraph(Data({{0, 1}, {0, 1}}), colours, true, false, Variant(),
                                    Options({{3, Variant(3.0)}, {4, Variant(3.0)}})));
    EXPECT_TRUE(OnlyColour(pic.Image(), kWhite));
    EXPECT_TRUE(chart.DrawVBarGraph(Data({{0, 1}, {0, 1}}), colours, true, Variant(),
                                    Options({{6, Variant(2)}, {7, Variant("2")}})));
}

TEST_F(ChartOnFake, DrawingWithoutATargetIsAProgrammingError) {
    CChart loose;
    Variant colours = Colours();
    EXPECT_THROW(loose.DrawLineGraph(Data({{0, 1}, {0, 1}}), colours, true, false), std::logic_error);
    EXPECT_EQ(loose.AxisData().dims(), 0);
}

TEST(ChartPicture, APictureTooSmallForItsLabelsFails) {
    ImagePictureBox tiny(1, 1);
    CChart chart;
    chart.SetTarget(&tiny);
    Variant colours = Colours();
    EXPECT_TRUE(chart.DrawLineGraph(Data({{0, 1}, {0, 1}}), colours, true, false));
    ImagePictureBox narrow(40, 300);
    chart.SetTarget(&narrow);
    EXPECT_TRUE(chart.DrawVBarGraph(Data({{0, 1}, {0, 1}}), colours, true));
}

// ---- the hang guards ---------------------------------------------------------------

TEST_F(ChartOnFake, TickCountsBelowTwoLeaveTheAutomaticStep) {
    Variant colours = Colours();
    for (int count : {1, 0, -4}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(chart.DrawLineGraph(Data({{0, 1}, {0, 1}}), colours, true, false, Variant(),
                                         Options({{5, Variant(count)}, {8, Variant(count)}})))
            << count;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_DOUBLE_EQ(Axis(chart, 0, 4), 0.25);
        EXPECT_DOUBLE_EQ(Axis(chart, 1, 4), 0.5);
    }
}

TEST_F(ChartOnFake, CallerLimitsFarWiderThanTheStepDrawFewTicks) {
    Variant colours = Colours();
    // Automatic X step 0.25 with a caller X maximum of a million.
    EXPECT_FALSE(chart.DrawLineGraph(Data({{0, 1}, {0, 1}}), colours, true, false, Variant(),
                                     Options({{7, Variant(1.0e6)}})));
    EXPECT_DOUBLE_EQ(Axis(chart, 0, 3), 1.0e6);
    EXPECT_DOUBLE_EQ(Axis(chart, 0, 4), 250000.0);
    EXPECT_EQ(Axis(chart, 0, 5), 5.0);

    // A huge caller tick count is capped the same way.
    pic.ClearCalls();
    EXPECT_FALSE(chart.DrawVBarGraph(Data({{0, 1}, {0, 1}}), colours, true, Variant(),
                                     Options({{5, Variant(2000000000)}})));
    EXPECT_LE(Prints(pic).size(), static_cast<std::size_t>(2 * chart::kMaxTicks));
    EXPECT_GT(Axis(chart, 1, 4), (Axis(chart, 1, 3) - Axis(chart, 1, 2)) / chart::kMaxTicks);
}

// ---- axes, scale and labels ----------------------------------------------------------

TEST_F(ChartOnFake, AxesPrepareThePictureAndSetAYUpScale) {
    Variant colours = Colours();
    EXPECT_FALSE(chart.DrawLineGraph(Data({{0, 0.5, 1}, {0, 1, 0.25}}), colours, true, false));
    // After the line style is reset: the set-up, then the four scale values in order.
    std::vector<std::string> head(pic.calls.begin() + 1, pic.calls.begin() + 11);
    for (std::size_t i = 6; i < head.size(); ++i) head[i] = head[i].substr(0, head[i].find('='));
    EXPECT_EQ(head, (std::vector<std::string>{"AutoRedraw=True", "BackColor=16777215", "ForeColor=0", "DrawMode=13",
                                              "Cls", "ScaleMode=1", "ScaleWidth", "ScaleHeight", "ScaleLeft",
                                              "ScaleTop"}));

    // Margins with 7-pixel characters and 13-pixel lines on 400 x 300 pixels.
    const double left = 56.0 / 400.0 + 0.025, right = 21.0 / 400.0;
    const double bottom = 13.0 / 300.0 + 0.025, top = 1.5 * 13.0 / 300.0;
    EXPECT_NEAR(pic.ScaleWidth(), 1.0 / (1.0 - left - right), 1e-5);
    EXPECT_NEAR(pic.ScaleHeight(), -1.0 / (1.0 - top - bottom), 1e-5);
    EXPECT_NEAR(pic.ScaleLeft(), -pic.ScaleWidth() * left, 1e-5);
    EXPECT_NEAR(pic.ScaleTop(), 1.0 - pic.ScaleHeight() * top, 1e-5);
    // The plot area's corners land where the margins put them.
    EXPECT_EQ(pic.PixelX(0.0), 66);
    EXPECT_EQ(pic.PixelY(1.0), 20);

    const double a[6] = {0, 1, 0, 1, 0.25, -1};
    for (int k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(Axis(chart, 0, k), a[k]) << k;
    EXPECT_DOUBLE_EQ(Axis(chart, 1, 4), 0.5);
    EXPECT_DOUBLE_EQ(Axis(chart, 1, 0), 0.0);
    EXPECT_DOUBLE_EQ(Axis(chart, 1, 1), 1.0);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(Axis(chart, 2, k), 0.0);  // no third variable
}

TEST_F(ChartOnFake, TicksAndLabelsAlternateOnXAndCoverEveryYTick) {
    Variant colours = Colours();
    EXPECT_FALSE(chart.DrawLineGraph(Data({{0, 1}, {0, 1}}), colours, true, false));
    EXPECT_EQ(Prints(pic), (std::vector<std::string>{"0", ".5", "1.0", "0", ".5", "1.0"}));

    // Five X ticks pointing down from Y = 0, three Y ticks pointing left from X = 0.
    const double tickX = 0.025 * pic.ScaleHeight();
    const double tickY = 0.025 * pic.ScaleWidth();
    int xTicks = 0, yTicks = 0;
    for (const LineCall& l : Lines(pic)) {
        if (l.x1 == l.x2 && l.y1 == 0.0 && std::abs(l.y2 - tickX) < 1e-6) ++xTicks;
        if (l.y1 == l.y2 && l.x1 == 0.0 && std::abs(l.x2 + tickY) < 1e-6) ++yTicks;
    }
    EXPECT_EQ(xTicks, 5);
    EXPECT_EQ(yTicks, 3);

    // The X label centred under its tick, the Y label right-aligned and centred.
    const double charW = 7.0 * pic.ScaleWidth() / 400.0;
    const double lineH = 13.0 * pic.ScaleHeight() / 300.0;
    const auto [xx, xy] = PrintPosition(pic, ".5");
    EXPECT_NEAR(xx, 0.5 - charW, 1e-6);
    EXPECT_NEAR(xy, tickX, 1e-6);
    std::vector<std::pair<double, double>> at;
    double cx = 0, cy = 0;
    for (const auto& c : pic.calls) {
        if (c.rfind("CurrentX=", 0) == 0) cx = Val(c.substr(9));
        if (c.rfind("CurrentY=", 0) == 0) cy = Val(c.substr(9));
        if (c == "Print 1.0") at.emplace_back(cx, cy);
    }
    ASSERT_EQ(at.size(), 2u);
    EXPECT_NEAR(at[1].first, -tickY - 3 * charW, 1e-6);
    EXPECT_NEAR(at[1].second, 1.0 - lineH / 2.0, 1e-6);
    // The frame is the last thing drawn, in width 1.
    EXPECT_EQ(pic.calls[pic.calls.size() - 2], "DrawWidth=1");
    EXPECT_EQ(Lines(pic, "Box").size(), 2u);  // with the axes and after the series
}

TEST_F(ChartOnFake, TitlesNeedAnXTitle) {
    Variant colours = Colours();
    EXPECT_FALSE(chart.DrawLineGraph(Data({{0, 1}, {0, 1}}), colours, true, false, Variant::List({"", "Frequency"})));
    const std::vector<std::string> untitled = Prints(pic);
    EXPECT_EQ(std::count(untitled.begin(), untitled.end(), "Frequency"), 0);
    // The top margin still grew for the Y title.
    EXPECT_NEAR(pic.ScaleTop(), 1.0 - pic.ScaleHeight() * (2.0 * 13.0 / 300.0), 1e-5);

    pic.ClearCalls();
    EXPECT_FALSE(chart.DrawLineGraph(Data({{0, 1}, {0, 1}}), colours, true, false,
                                     Variant::List({" ", "Frequency", "unused"})));
    const std::vector<std::string> titled = Prints(pic);
    ASSERT_GE(titled.size(), 2u);
    EXPECT_EQ(titled[titled.size() - 2], " ");
    EXPECT_EQ(titled.back(), "Frequency");
    const auto [yx, yy] = PrintPosition(pic, "Frequency");
    EXPECT_NEAR(yx, 0.0, 1e-6);
    EXPECT_NEAR(yy, 1.0 - 13.0 * pic.ScaleHeight() / 300.0, 1e-6);
}

TEST_F(ChartOnFake, CallerLimitsAreSwappedAndTickCountsSetTheStep) {
    Variant colours = Colours();
    EXPECT_FALSE(chart.DrawVBarGraph(Data({{1, 2, 3}, {2, 4, 3}}), colours, true, Variant(),
                                     Options({{3, Variant(10)}, {4, Variant(0)}, {5, Variant(5)},
                                              {6, Variant("4")}, {7, Variant(0.0)}})));
    EXPECT_DOUBLE_EQ(Axis(chart, 1, 2), 0.0);
    EXPECT_DOUBLE_EQ(Axis(chart, 1, 3), 10.0);
    EXPECT_DOUBLE_EQ(Axis(chart, 1, 4), 2.5);
    EXPECT_EQ(Axis(chart, 1, 5), 0.0);  // exponent of 0..10
    EXPECT_DOUBLE_EQ(Axis(chart, 0, 2), 0.0);
    EXPECT_DOUBLE_EQ(Axis(chart, 0, 3), 4.0);
    // The X limits came from the caller, the tick count did not: automatic step kept.
    EXPECT_DOUBLE_EQ(Axis(chart, 0, 4), 0.5);
    // Data minimum and maximum stay the measured ones.
    EXPECT_DOUBLE_EQ(Axis(chart, 1, 0), 2.0);
    EXPECT_DOUBLE_EQ(Axis(chart, 1, 1), 4.0);
}

TEST_F(ChartOnFake, LabelArrayLabelsEveryTickAndIgnoresTheXTickCount) {
    Variant colours = Colours();
    std::vector<Variant> names;
    for (char c = 'a'; c <= 'i'; ++c) names.emplace_back(std::string(1, c));
    const Variant labels = Variant::List(names, 1);
    EXPECT_FALSE(chart.DrawLineGraph(Data({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 4, 9, 16, 25, 36, 49, 64, 81}}), colours,
                                     true, false, Variant(), Options({{8, Variant(3)}}), labels));
    const std::vector<std::string> p = Prints(pic);
    ASSERT_GE(p.size(), 9u);
    EXPECT_EQ(std::vector<std::string>(p.begin(), p.begin() + 9),
              (std::vector<std::string>{"a", "b", "c", "d", "e", "f", "g", "h", "i"}));
    EXPECT_DOUBLE_EQ(Axis(chart, 0, 2), 1.0);
    EXPECT_DOUBLE_EQ(Axis(chart, 0, 3), 9.0);
    EXPECT_DOUBLE_EQ(Axis(chart, 0, 4), 1.0);

    // Caller X limits beyond the labels leave the outer ticks without text.
    pic.ClearCalls();
    EXPECT_FALSE(chart.DrawLineGraph(Data({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 4, 9, 16, 25, 36, 49, 64, 81}}), colours,
                                     true, false, Variant(), Options({{6, Variant(-1)}, {7, Variant(11)}}), labels));
    const std::vector<std::string> wide = Prints(pic);
    EXPECT_EQ(std::vector<std::string>(wide.begin(), wide.begin() + 13),
              (std::vector<std::string>{"", "", "a", "b", "c", "d", "e", "f", "g", "h", "i", "", ""}));
}

TEST_F(ChartOnFake, BarGraphWithElementZeroTrueHasNoXTicksButKeepsItsTitle) {
    Variant colours = Colours();
    EXPECT_FALSE(chart.DrawVBarGraph(Data({{0, 1}, {0, 1}}), colours, true, Variant::List({"Risk", "Count"}),
                                     Options({{0, Variant(true)}})));
    // Only the three Y labels and the two titles.
    EXPECT_EQ(Prints(pic), (std::vector<std::string>{"0", ".5", "1.0", "Risk", "Count"}));
    for (const LineCall& l : Lines(pic)) EXPECT_FALSE(l.x1 == l.x2 && l.y1 == 0.0 && l.y2 < 0.0);
}

TEST_F(ChartOnFake, LaterCallsWithoutAxesReuseTheScaleAndAxisTable) {
    Variant colours = Colours();
    EXPECT_FALSE(chart.DrawLineGraph(Data({{0, 10}, {0, 5}}), colours, true, false));
    std::vector<double> before;
    for (int a = 0; a < 3; ++a)
        for (int k = 0; k < 6; ++k) before.push_back(Axis(chart, a, k));
    const float width = pic.ScaleWidth();
    pic.ClearCalls();
    Variant other = Colours(kWhite, kBlue);
    EXPECT_FALSE(chart.DrawLineGraph(Data({{0, 10}, {5, 0}}), other, false, false, Variant(), Variant(), Variant(),
                                     true));
    EXPECT_EQ(pic.Count("Cls"), 0);
    EXPECT_EQ(pic.Count("Scale"), 0);
    EXPECT_EQ(pic.Count("Print"), 0);
    EXPECT_EQ(pic.ScaleWidth(), width);
    std::vector<double> after;
    for (int a = 0; a < 3; ++a)
        for (int k = 0; k < 6; ++k) after.push_back(Axis(chart, a, k));
    EXPECT_EQ(after, before);

    // Without any earlier axes there is no frame to draw into.
    CChart fresh;
    fresh.SetTarget(&pic);
    EXPECT_TRUE(fresh.DrawVBarGraph(Data({{0, 10}, {5, 0}}), other, false));
}

// ---- series, markers, bars and reference lines -------------------------------------

TEST_F(ChartOnFake, MarkersFollowElementsOneAndTwo) {
    Variant colours = Colours();
    const Variant data = Data({{0, 1, 2}, {1, 3, 2}});
    EXPECT_FALSE(chart.DrawLineGraph(data, colours, true, false));
    EXPECT_EQ(pic.Count("Circle"), 0);

    pic.ClearCalls();
    EXPECT_FALSE(chart.DrawLineGraph(data, colours, true, false, Variant(), Variant::List({Variant()})));
    EXPECT_EQ(pic.Count("Circle"), 3);
    EXPECT_EQ(pic.Count("Circle 2 2 0 "), 1);  // radius 0 at the last point

    pic.ClearCalls();
    EXPECT_FALSE(chart.DrawLineGraph(data, colours, true, false, Variant(), Options({{1, Variant(7)}})));
    EXPECT_EQ(pic.Count("Circle"), 0);
}

TEST_F(ChartOnFake, DottedSeriesKeepsSolidFilledMarkers) {
    Variant colours = Colours();
    EXPECT_FALSE(chart.DrawLineGraph(Data({{0, 1, 2}, {1, 3, 2}}), colours, true, false, Variant(),
                                     Options({{0, Variant(2)}, {1, Variant(1)}, {2, Variant(5)}})));
    // From the first point of the series to the end of the last marker.
    auto first = std::find_if(pic.calls.begin(), pic.calls.end(),
                              [](const std::string& c) { return c.rfind("PSet 0 1 ", 0) == 0; });
    ASSERT_NE(first, pic.calls.end());
    std::vector<std::string> seq;
    for (auto it = first; it != pic.calls.end(); ++it) {
        const std::string& c = *it;
        if (c.rfind("DrawStyle=", 0) == 0 || c.rfind("Circle", 0) == 0 || c.rfind("FillStyle=", 0) == 0)
            seq.push_back(c.substr(0, c.find(' ')));
        else if (c.rfind("Line", 0) == 0)
            seq.push_back(c.find(" Box") == std::string::npos ? "Line" : "Frame");
    }
    const std::vector<std::string> marker{"FillStyle=0", "Circle", "FillStyle=1"};
    std::vector<std::string> expected{"DrawStyle=0"};
    expected.insert(expected.end(), marker.begin(), marker.end());
    expected.push_back("DrawStyle=2");
    for (int j = 1; j <= 2; ++j) {
        expected.insert(expected.end(), {"DrawStyle=2", "Line", "DrawStyle=0"});
        expected.insert(expected.end(), marker.begin(), marker.end());
    }
    expected.push_back("Frame");
    EXPECT_EQ(seq, expected);
    EXPECT_EQ(pic.DrawStyle(), drawstyle::Solid);
    EXPECT_EQ(pic.FillStyle(), fillstyle::Transparent);
    EXPECT_EQ(pic.Count("FillColor=" + FormatDouble(kRed)), 3);
}

TEST_F(ChartOnFake, BarsStandOnTheClampedBase) {
    Variant colours = Colours();
    const Variant data = Data({{1, 2, 3}, {2, 4, 3}});
    // Element 2 Empty: base 0, inside the caller's Y axis 0..4.
    EXPECT_FALSE(chart.DrawVBarGraph(data, colours, true, Variant(),
                                     Options({{1, Variant(10)}, {3, Variant(0)}, {4, Variant(4)}})));
    std::vector<LineCall> bars = Lines(pic, "FilledBox");
    ASSERT_EQ(bars.size(), 3u);
    const double w = pic.ScaleX(10, scale::Pixels, scale::User);
    EXPECT_NEAR(bars[1].x1, 2.0 - w / 2.0, 1e-6);
    EXPECT_NEAR(bars[1].x2, 2.0 + w / 2.0, 1e-6);
    EXPECT_EQ(bars[1].y1, 0.0);
    EXPECT_EQ(bars[1].y2, 4.0);
    EXPECT_EQ(pic.FillColor(), kRed);

    auto baseWith = [&](const Variant& element2) {
        pic.ClearCalls();
        EXPECT_FALSE(chart.DrawVBarGraph(data, colours, true, Variant(),
                                         Options({{2, element2}, {3, Variant(1)}, {4, Variant(4)}})));
        return Lines(pic, "FilledBox").at(0).y1;
    };
    EXPECT_EQ(baseWith(Variant(-5)), 1.0);    // below the axis: on its low end
    EXPECT_EQ(baseWith(Variant(10)), 4.0);    // above: hanging from the high end
    EXPECT_EQ(baseWith(Variant(2.5)), 2.5);
    EXPECT_EQ(baseWith(Variant("x")), 1.0);   // no usable base: the low end

    // Without options: one pixel wide, on the low end of the automatic axis.
    pic.ClearCalls();
    EXPECT_FALSE(chart.DrawVBarGraph(data, colours, true));
    bars = Lines(pic, "FilledBox");
    EXPECT_NEAR(bars[0].x2 - bars[0].x1, pic.ScaleX(1, scale::Pixels, scale::User), 1e-6);
    EXPECT_EQ(bars[0].y1, Axis(chart, 1, 2));
}

TEST_F(ChartOnFake, ReferenceLinesSpanThePlotLessTwoPercent) {
    Variant colours = Colours();
    EXPECT_FALSE(chart.DrawLineGraph(Data({{0, 1}, {0, 1}}), colours, true, false, Variant(),
                                     Options({{9, Variant(0.5)}, {10, Variant("0.25")}})));
    bool horizontal = false, vertical = false;
    for (const LineCall& l : Lines(pic)) {
        if (l.colour != "0") continue;
        if (std::abs(l.y1 - 0.5) < 1e-7 && std::abs(l.y2 - 0.5) < 1e-7 && std::abs(l.x1 - 0.02) < 1e-7 &&
            std::abs(l.x2 - 0.98) < 1e-7)
            horizontal = true;
        if (std::abs(l.x1 - 0.25) < 1e-7 && std::abs(l.x2 - 0.25) < 1e-7 && std::abs(l.y1 - 0.02) < 1e-7 &&
            std::abs(l.y2 - 0.98) < 1e-7)
            vertical = true;
    }
    EXPECT_TRUE(horizontal);
    EXPECT_TRUE(vertical);
}

TEST_F(ChartOnFake, SeriesBeyondSixteenBitIndicesDraw) {
    std::vector<double> xs, ys;
    for (int j = 0; j < 40000; ++j) {
        xs.push_back(j);
        ys.push_back(j % 100);
    }
    Variant colours = Colours();
    EXPECT_FALSE(chart.DrawLineGraph(Data({xs, ys}), colours, true, false));
    EXPECT_EQ(pic.Count("Line"), 39999 + 2 + 5 + 3);  // segments, two frames, X and Y ticks
}

// ---- pixels on the offscreen surface ------------------------------------------------

class ChartOnImage : public ::testing::Test {
protected:
    ChartOnImage() : pic(400, 300) { chart.SetTarget(&pic); }
    ImagePictureBox pic;
    CChart chart;
};

TEST_F(ChartOnImage, BarsFrameAndReferenceLineWhereTheyBelong) {
    Variant colours = Colours();
    EXPECT_FALSE(chart.DrawVBarGraph(Data({{1, 2, 3}, {2, 4, 3}}), colours, true, Variant(),
                                     Options({{1, Variant(20)}, {3, Variant(0)}, {4, Variant(5)}, {6, Variant(0)},
                                              {7, Variant(4)}, {9, Variant(4.5)}})));
    EXPECT_EQ(pic.Point(2.0, 3.5), kRed);    // inside the middle bar
    EXPECT_EQ(pic.Point(1.0, 1.0), kRed);
    EXPECT_EQ(pic.Point(1.0, 3.0), kWhite);  // above the first bar
    EXPECT_EQ(pic.Point(1.5, 1.0), kWhite);  // between bars
    EXPECT_EQ(pic.Point(2.0, 4.5), kBlack);  // the reference line
    EXPECT_EQ(pic.Point(0.05, 4.5), kWhite); // short of its inset end
    // The frame: left and top edges of the plot area.
    EXPECT_EQ(pic.Point(0.0, 2.5), kBlack);
    EXPECT_EQ(pic.Point(2.5, 5.0), kBlack);
    // Outside the plot area, above the frame, is background.
    EXPECT_EQ(pic.Point(2.5, 5.0 - 10 * pic.ScaleY(1, scale::Pixels, scale::User)), kWhite);
}

TEST_F(ChartOnImage, FilledAreaIsInsideTheCurveOnly) {
    Variant colours = Colours(kWhite, kBlue);
    EXPECT_FALSE(chart.DrawLineGraph(Data({{0, 1, 2, 3, 4}, {0, 2, 4, 2, 0}}), colours, true, true));
    EXPECT_EQ(pic.Point(2.0, 1.0), kBlue);
    EXPECT_EQ(pic.Point(2.0, 3.5), kBlue);
    EXPECT_EQ(pic.Point(0.4, 3.0), kWhite);  // above the rising edge
    EXPECT_EQ(pic.Point(3.6, 3.0), kWhite);
    // The Y axis took in the zero line the outline closes along.
    EXPECT_EQ(Axis(chart, 1, 2), 0.0);

    // A zigzag whose seed falls outside its outline is drawn without a fill.
    EXPECT_FALSE(chart.DrawLineGraph(Data({{0, 1, 2, 3}, {3, -3, 2, -2}}), colours, true, true));
    EXPECT_EQ(pic.Point(0.5, 1.0), kWhite);
}

TEST_F(ChartOnImage, FailureLeavesOnlyTheBackground) {
    Variant colours = Colours(RGBColour(200, 230, 255), kRed);
    EXPECT_FALSE(chart.DrawVBarGraph(Data({{1, 2}, {1, 2}}), colours, true));
    EXPECT_FALSE(OnlyColour(pic.Image(), RGBColour(200, 230, 255)));
    EXPECT_TRUE(chart.DrawLineGraph(Data({{1, 2}, {1, 2}}), colours, true, false, Variant(),
                                    Options({{0, Variant(9)}})));
    EXPECT_TRUE(OnlyColour(pic.Image(), RGBColour(200, 230, 255)));
}

// The widget that shows a picture on a form draws the same chart and shows it.
TEST(ChartOnWidget, TheShownPictureHasTheBarsAndFrame) {
    QtPictureBox box;
    box.resize(400, 300);
    box.SetBorderStyle(0);
    ASSERT_EQ(box.ClientWidthPx(), 400);
    CChart chart;
    chart.SetTarget(&box);
    Variant colours = Colours();
    EXPECT_FALSE(chart.DrawVBarGraph(Data({{1, 2, 3}, {2, 4, 3}}), colours, true, Variant(),
                                     Options({{1, Variant(20)}, {3, Variant(0)}, {6, Variant(0)}, {7, Variant(4)}})));
    const QImage shown = box.grab().toImage();
    auto shownAt = [&](double x, double y) {
        return QColorToColour(QColor(shown.pixel(box.PixelX(x), box.PixelY(y))));
    };
    EXPECT_EQ(shownAt(2.0, 3.5), kRed);
    EXPECT_EQ(shownAt(1.0, 3.0), kWhite);
    EXPECT_EQ(shownAt(0.0, 2.5), kBlack);
    EXPECT_EQ(shownAt(2.0, 3.5), box.Point(2.0, 3.5));
}

// Sample charts for a reviewer, written beside the test program.
TEST(ChartSamples, WritePngFiles) {
    const std::filesystem::path dir = std::filesystem::current_path() / "chart_samples";
    std::filesystem::create_directories(dir);
    auto sample = [&](const std::string& name, const std::function<void(CChart&)>& draw) {
        ImagePictureBox pic(480, 320);
        CChart chart;
        chart.SetTarget(&pic);
        draw(chart);
        EXPECT_TRUE(pic.Image().save(QString::fromStdString((dir / name).string()), "PNG")) << name;
    };

    std::vector<double> xs, ys;
    for (int j = 0; j <= 40; ++j) {
        xs.push_back(j * 0.05);
        ys.push_back(std::exp(-(j - 18) * (j - 18) / 60.0) * 0.8);
    }
    sample("line_filled.png", [&](CChart& chart) {
        Variant area = Colours(kWhite, RGBColour(120, 170, 230));
        EXPECT_FALSE(chart.DrawLineGraph(Data({xs, ys}), area, true, true, Variant::List({"Total risk", "Density"})));
        Variant line = Colours(kWhite, kBlue);
        EXPECT_FALSE(chart.DrawLineGraph(Data({xs, ys}), line, false, false, Variant(),
                                         Options({{1, Variant(1)}, {2, Variant(2)}, {10, Variant(0.9)}})));
    });
    sample("bars.png", [&](CChart& chart) {
        Variant colours = Colours(RGBColour(255, 255, 230), RGBColour(200, 60, 60));
        EXPECT_FALSE(chart.DrawVBarGraph(Data({{0.1, 0.2, 0.3, 0.4, 0.5, 0.6}, {3, 11, 25, 17, 6, 1}}), colours, true,
                                         Variant::List({"Total cost", "Trials"}),
                                         Options({{1, Variant(30)}, {3, Variant(0)}, {9, Variant(20)}})));
    });
    sample("labelled_dotted.png", [&](CChart& chart) {
        Variant colours = Colours(kWhite, RGBColour(30, 120, 30));
        const Variant labels = Variant::List({"Arrive", "Survive", "Establish", "Spread"});
        EXPECT_FALSE(chart.DrawLineGraph(Data({{0, 1, 2, 3}, {0.9, 0.6, 0.45, 0.2}}), colours, true, false,
                                         Variant::List({" ", "Mean risk"}),
                                         Options({{0, Variant(2)}, {1, Variant(1)}, {2, Variant(5)}, {3, Variant(0)}}),
                                         labels));
    });
    sample("negative_bars.png", [&](CChart& chart) {
        Variant colours = Colours(kWhite, RGBColour(90, 90, 200));
        EXPECT_FALSE(chart.DrawVBarGraph(Data({{-0.6, -0.3, 0.0, 0.3, 0.6}, {-0.42, 0.13, 0.87, -0.05, 0.31}}),
                                         colours, true, Variant::List({"Input", "Correlation"}),
                                         Options({{1, Variant(40)}, {2, Variant(0)}, {10, Variant(0)}})));
    });
    EXPECT_TRUE(std::filesystem::exists(dir / "bars.png"));
}

}  // namespace
}  // namespace nuvir
