// Pixel checks of the drawing surface under a y-up user scale.
#include <gtest/gtest.h>

#include <QFont>
#include <QGuiApplication>
#include <QPalette>

#include "platform/picturebox.h"
#include "platform/recordingpicturebox.h"
#include "runtime/error.h"

namespace nuvir {
namespace {

constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kRed = 0x0000FF;   // BGR
constexpr Colour kBlue = 0xFF0000;  // BGR
constexpr Colour kGreen = 0x00FF00;

// How many pixels of `img` have colour `c`.
int CountColour(const QImage& img, Colour c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (QColorToColour(QColor(img.pixel(x, y))) == c) ++n;
    return n;
}

// 200 x 100 pixels, user scale x 0..200 left to right, y 0..100 bottom to top:
// x maps to pixel x, y maps to pixel row 100 - y.
struct YUpSurface : ::testing::Test {
    ImagePictureBox pic{200, 100};
    void SetUp() override {
        pic.SetBackColor(kWhite);
        pic.SetForeColor(0);
        pic.SetScaleWidth(200);
        pic.SetScaleHeight(-100);
        pic.SetScaleLeft(0);
        pic.SetScaleTop(100);
    }
    Colour At(int px, int py) const { return QColorToColour(QColor(pic.Image().pixel(px, py))); }
    int CountColour(Colour c) const { return nuvir::CountColour(pic.Image(), c); }
};

TEST(Colours, BgrLongsMapToQtColoursAndBack) {
    const QColor q = ColourToQColor(RGBColour(10, 20, 30));
    EXPECT_EQ(q.red(), 10);
    EXPECT_EQ(q.green(), 20);
    EXPECT_EQ(q.blue(), 30);
    EXPECT_EQ(RGBColour(10, 20, 30), 10 + 20 * 256 + 30 * 65536);
    EXPECT_EQ(QColorToColour(QColor(255, 0, 0)), kRed);
    EXPECT_EQ(QColorToColour(QColor(0, 0, 255)), kBlue);
    // A system colour resolves through the palette instead of reading as black.
    const QColor face = ColourToQColor(static_cast<Colour>(0x8000000Fu));
    EXPECT_EQ(face, QGuiApplication::palette().color(QPalette::Button));
}

TEST(Scale, SettingAnyScaleValueMakesTheModeUser) {
    ImagePictureBox pic(300, 150);
    EXPECT_EQ(pic.ScaleMode(), scale::Twips);
    EXPECT_FLOAT_EQ(pic.ScaleWidth(), 4500.0f);  // 15 twips a pixel
    EXPECT_FLOAT_EQ(pic.ScaleHeight(), 2250.0f);
    pic.SetScaleLeft(0);
    EXPECT_EQ(pic.ScaleMode(), scale::User);
    pic.SetScaleMode(scale::Pixels);
    EXPECT_FLOAT_EQ(pic.ScaleWidth(), 300.0f);
    pic.SetScaleHeight(-10);
    EXPECT_EQ(pic.ScaleMode(), scale::User);
    pic.SetScaleMode(scale::Twips);
    EXPECT_FLOAT_EQ(pic.ScaleHeight(), 2250.0f);
    EXPECT_FLOAT_EQ(pic.ScaleTop(), 0.0f);
}

TEST(Scale, ZeroSizeAndBadStylesRaise) {
    ImagePictureBox pic(50, 50);
    EXPECT_THROW(pic.SetScaleWidth(0), AppError);
    EXPECT_THROW(pic.SetScaleHeight(0), AppError);
    EXPECT_THROW(pic.SetDrawStyle(-1), AppError);  // True as a line style
    EXPECT_THROW(pic.SetDrawStyle(7), AppError);
    try {
        pic.SetDrawStyle(-1);
        ADD_FAILURE() << "SetDrawStyle(-1) raised nothing";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 380);
    }
    pic.SetDrawStyle(6);
    EXPECT_EQ(pic.DrawStyle(), 6);
    EXPECT_THROW(pic.SetScaleMode(8), AppError);
    EXPECT_THROW(pic.SetFillStyle(8), AppError);
}

TEST_F(YUpSurface, PointsMapWithYUpAndConversionsAreSigned) {
    EXPECT_EQ(pic.PixelX(0), 0);
    EXPECT_EQ(pic.PixelY(100), 0);
    EXPECT_EQ(pic.PixelY(0), 100);
    EXPECT_EQ(pic.PixelY(25), 75);
    EXPECT_EQ(pic.PixelX(10.4), 10);  // nearest pixel
    EXPECT_EQ(pic.PixelX(10.6), 11);
    EXPECT_DOUBLE_EQ(pic.ScaleY(10, scale::Pixels, scale::User), -10.0);
    EXPECT_DOUBLE_EQ(pic.ScaleX(10, scale::Pixels, scale::User), 10.0);
    EXPECT_DOUBLE_EQ(pic.ScaleX(10, scale::User, scale::Twips), 150.0);
    EXPECT_DOUBLE_EQ(pic.ScaleY(-10, scale::User, scale::Pixels), 10.0);
    EXPECT_DOUBLE_EQ(pic.YFromPixel(75), 25.0);
}

TEST_F(YUpSurface, BoxOutlineLiesOnTheExpectedRowsAndColumns) {
    pic.Line(20, 20, 60, 80, kRed, LineShape::Box);
    // Corners (20,20) -> pixel (20,80); (60,80) -> pixel (60,20).
    for (int x = 20; x <= 60; ++x) {
        EXPECT_EQ(At(x, 20), kRed) << x;
        EXPECT_EQ(At(x, 80), kRed) << x;
    }
    for (int y = 20; y <= 80; ++y) {
        EXPECT_EQ(At(20, y), kRed) << y;
        EXPECT_EQ(At(60, y), kRed) << y;
    }
    EXPECT_EQ(At(40, 50), kWhite);  // transparent fill by default
    EXPECT_EQ(At(19, 50), kWhite);
    EXPECT_EQ(At(61, 50), kWhite);
    EXPECT_EQ(At(40, 19), kWhite);
    EXPECT_EQ(At(40, 81), kWhite);
    EXPECT_EQ(CountColour(kRed), 2 * 41 + 2 * 59);
    EXPECT_FLOAT_EQ(pic.CurrentX(), 60.0f);
    EXPECT_FLOAT_EQ(pic.CurrentY(), 80.0f);
}

TEST_F(YUpSurface, BoxFillUsesFillStyleAndFilledBoxUsesTheLineColour) {
    pic.SetFillStyle(fillstyle::Solid);
    pic.SetFillColor(kGreen);
    pic.Line(10, 10, 30, 30, kRed, LineShape::Box);
    EXPECT_EQ(At(20, 80), kGreen);
    EXPECT_EQ(At(10, 80), kRed);
    pic.Line(100, 10, 120, 30, kBlue, LineShape::FilledBox);
    EXPECT_EQ(At(100, 90), kBlue);
    EXPECT_EQ(At(110, 80), kBlue);
    EXPECT_EQ(At(120, 70), kBlue);
    EXPECT_EQ(At(121, 80), kWhite);
    EXPECT_EQ(CountColour(kBlue), 21 * 21);
}

TEST_F(YUpSurface, OnePixelBarFillsAtLeastOneColumn) {
    const double w = pic.ScaleX(1, scale::Pixels, scale::User);
    pic.Line(50 - w / 2, 0, 50 + w / 2, 40, kBlue, LineShape::FilledBox);
    EXPECT_GE(CountColour(kBlue), 40);
    EXPECT_EQ(At(50, 70), kBlue);
}

TEST_F(YUpSurface, SegmentsAndTheCurrentPoint) {
    pic.PSet(10, 50, kRed);
    EXPECT_EQ(At(10, 50), kRed);
    EXPECT_EQ(pic.Point(10, 50), kRed);
    pic.LineTo(110, 50, kBlue);
    for (int x = 11; x <= 110; ++x) EXPECT_EQ(At(x, 50), kBlue) << x;
    EXPECT_EQ(At(50, 49), kWhite);
    EXPECT_EQ(At(50, 51), kWhite);
    EXPECT_FLOAT_EQ(pic.CurrentX(), 110.0f);
    pic.LineTo(110, 90);  // ForeColor, upward = towards pixel row 10
    EXPECT_EQ(At(110, 10), 0);
    EXPECT_EQ(pic.Point(-5, 50), -1);
    pic.Cls();
    EXPECT_EQ(At(110, 10), kWhite);
    EXPECT_FLOAT_EQ(pic.CurrentX(), 0.0f);
    EXPECT_FLOAT_EQ(pic.CurrentY(), 0.0f);
}

TEST_F(YUpSurface, DottedLinesLeaveGapsAtWidthOneAndDrawSolidWhenWider) {
    pic.SetDrawStyle(drawstyle::Dot);
    pic.Line(0, 50, 199, 50, kRed);
    const int dotted = CountColour(kRed);
    EXPECT_GT(dotted, 40);
    EXPECT_LT(dotted, 160);
    pic.Cls();
    pic.SetDrawWidth(3);
    pic.Line(10, 50, 100, 50, kRed);
    for (int x = 10; x <= 100; ++x) EXPECT_EQ(At(x, 50), kRed) << x;
    EXPECT_EQ(At(50, 49), kRed);
    EXPECT_EQ(At(50, 51), kRed);
    pic.SetDrawStyle(drawstyle::Transparent);
    pic.Cls();
    pic.Line(10, 50, 100, 50, kRed);
    EXPECT_EQ(CountColour(kRed), 0);
}

TEST_F(YUpSurface, FilledCircleInsideAndOutlineCircle) {
    pic.Circle(50, 50, 20, kRed);
    EXPECT_EQ(At(70, 50), kRed);  // rim, right
    EXPECT_EQ(At(50, 30), kRed);  // rim, top
    EXPECT_EQ(At(50, 50), kWhite);
    EXPECT_FLOAT_EQ(pic.CurrentX(), 50.0f);
    pic.SetFillStyle(fillstyle::Solid);
    pic.SetFillColor(kGreen);
    pic.Circle(150, 50, 20, kRed);
    EXPECT_EQ(At(150, 50), kGreen);
    EXPECT_EQ(At(160, 45), kGreen);
    EXPECT_EQ(At(170, 50), kRed);
    EXPECT_EQ(At(150, 25), kWhite);
    EXPECT_EQ(At(175, 50), kWhite);
}

TEST_F(YUpSurface, EllipseAspectGivesTheVerticalRadius) {
    pic.Circle(100, 50, 40, kRed, 0.5);  // 40 px across, 20 px up and down
    EXPECT_EQ(At(140, 50), kRed);
    EXPECT_EQ(At(100, 30), kRed);
    EXPECT_EQ(At(100, 70), kRed);
    EXPECT_EQ(At(100, 15), kWhite);
    pic.Cls();
    pic.Circle(100, 50, 0, kRed);  // radius zero draws nothing visible
    EXPECT_LE(CountColour(kRed), 1);
}

TEST_F(YUpSurface, TextHeightTakesTheSignOfTheScale) {
    const double w = pic.TextWidth("Hello");
    const double h = pic.TextHeight("Hello");
    EXPECT_GT(w, 0.0);
    EXPECT_LT(h, 0.0);
    EXPECT_NEAR(pic.TextHeight("A\r\nB"), 2 * h, 1e-9);
    EXPECT_NEAR(pic.TextWidth("ab\r\nabcdef"), pic.TextWidth("abcdef"), 1e-9);
    ImagePictureBox down(200, 100);
    down.SetScaleMode(scale::Pixels);
    EXPECT_GT(down.TextHeight("Hello"), 0.0);
    EXPECT_NEAR(down.TextHeight("Hello"), -h, 1e-9);  // 1 unit = 1 pixel in both
}

TEST_F(YUpSurface, PrintedTextLiesBelowAndRightOfTheCurrentPoint) {
    QFont f("DejaVu Sans");
    f.setPixelSize(14);
    pic.SetFont(f);
    pic.SetCurrentX(40);
    pic.SetCurrentY(70);  // pixel row 30
    const double w = pic.TextWidth("HHHH");
    const double h = pic.TextHeight("HHHH");
    pic.Print("HHHH");
    const QImage img = pic.Image();
    int inside = 0, outside = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (QColorToColour(QColor(img.pixel(x, y))) == kWhite) continue;
            const bool in = x >= 40 && x <= 40 + w && y >= 30 && y <= 30 - h;
            (in ? inside : outside)++;
        }
    }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
    // The next print goes a line lower, back at the left edge.
    EXPECT_FLOAT_EQ(pic.CurrentX(), 0.0f);
    EXPECT_NEAR(pic.CurrentY(), 70 + h, 1e-4);
}

TEST_F(YUpSurface, BackColorErasesAndResizingKeepsTheDrawing) {
    pic.Line(0, 0, 10, 10, kRed, LineShape::FilledBox);
    pic.SetBackColor(kGreen);
    EXPECT_EQ(At(5, 95), kGreen);
    pic.Line(0, 100, 10, 90, kRed, LineShape::FilledBox);  // top-left corner
    pic.ResizeClient(300, 200);
    EXPECT_EQ(At(5, 5), kRed);
    EXPECT_EQ(At(250, 150), kGreen);
    // The user scale keeps its values over the new size.
    EXPECT_EQ(pic.ScaleMode(), scale::User);
    EXPECT_EQ(pic.PixelX(200), 300);
}

TEST(FloodFill, FillsAClosedOutlineAndLeavesTheOutside) {
    ImagePictureBox pic(100, 100);
    pic.SetScaleMode(scale::Pixels);
    pic.SetBackColor(kWhite);
    pic.Line(20, 20, 80, 80, kRed, LineShape::Box);
    pic.SetFillStyle(fillstyle::Solid);
    pic.SetFillColor(kBlue);
    pic.FloodFillPx(50, 50);
    EXPECT_EQ(CountColour(pic.Image(), kBlue), 59 * 59);
    EXPECT_EQ(pic.Point(10, 10), kWhite);
    EXPECT_EQ(pic.Point(20, 50), kRed);
}

TEST(FloodFill, DoesNotLeakThroughADiagonalLineAndStopsOnEqualColours) {
    ImagePictureBox pic(60, 60);
    pic.SetScaleMode(scale::Pixels);
    pic.SetBackColor(kWhite);
    pic.Line(0, 59, 59, 0, kRed);  // one-pixel diagonal from corner to corner
    pic.SetFillStyle(fillstyle::Solid);
    pic.SetFillColor(kBlue);
    pic.FloodFillPx(5, 5);
    EXPECT_EQ(pic.Point(5, 5), kBlue);
    EXPECT_EQ(pic.Point(55, 55), kWhite);
    pic.FloodFillPx(5, 5);  // seed already has the fill colour: returns
    pic.FloodFillPx(-1, 5);
    pic.FloodFillPx(5, 600);
    EXPECT_EQ(pic.Point(55, 55), kWhite);
}

TEST(FloodFill, LargeRegionsNeedNoRecursion) {
    ImagePictureBox pic(1200, 900);
    pic.SetScaleMode(scale::Pixels);
    pic.SetBackColor(kWhite);
    // A comb makes a long snake of runs.
    for (int x = 10; x < 1190; x += 4) pic.Line(x, (x / 4) % 2 ? 0 : 10, x, (x / 4) % 2 ? 890 : 899, kRed);
    pic.SetFillStyle(fillstyle::Solid);
    pic.SetFillColor(kGreen);
    pic.FloodFillPx(1, 1);
    EXPECT_EQ(pic.Point(1195, 895), kGreen);
    EXPECT_EQ(pic.Point(12, 400), kGreen);
}

TEST(RotatedText, DrawsAboveTheReferencePointAtFortyFiveDegrees) {
    ImagePictureBox pic(200, 200);
    pic.SetBackColor(kWhite);
    pic.SetForeColor(0);
    QFont f("DejaVu Sans");
    f.setPixelSize(14);
    pic.DrawTextRotatedPx(20, 180, "MMMMMM", 45, f);
    const QImage img = pic.Image();
    int minY = 1000, maxX = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            if (QColor(img.pixel(x, y)) != QColor(Qt::white)) {
                minY = std::min(minY, y);
                maxX = std::max(maxX, x);
            }
    // Counter-clockwise: the text climbs to the upper right.
    EXPECT_LT(minY, 150);
    EXPECT_GT(maxX, 60);
    const QSizeF size = pic.MeasureTextPx("MMMMMM", f);
    EXPECT_GT(size.width(), 50);
    EXPECT_GE(size.height(), 14);
}

TEST(RecordingSurface, LogsCallsAndMeasuresWithFixedMetrics) {
    RecordingPictureBox pic(140, 130);
    pic.SetScaleMode(scale::Pixels);
    EXPECT_DOUBLE_EQ(pic.TextWidth("abc"), 21.0);
    EXPECT_DOUBLE_EQ(pic.TextHeight("abc"), 13.0);
    pic.SetScaleHeight(-13);
    EXPECT_DOUBLE_EQ(pic.TextHeight("x"), -1.3);
    pic.ClearCalls();
    pic.Line(1, 2, 3, 4, 255, LineShape::Box);
    pic.PSet(1.5, 2);
    pic.SetDrawStyle(2);
    EXPECT_THROW(pic.SetDrawStyle(-1), AppError);
    ASSERT_EQ(pic.calls.size(), 4u);
    EXPECT_EQ(pic.calls[0], "Line 1 2 3 4 255 Box");
    EXPECT_EQ(pic.calls[1], "PSet 1.5 2 default");
    EXPECT_EQ(pic.calls[2], "DrawStyle=2");
    EXPECT_EQ(pic.Count("DrawStyle="), 2);
    EXPECT_EQ(pic.DrawStyle(), 2);
}

}  // namespace
}  // namespace nuvir
