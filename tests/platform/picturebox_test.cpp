// The drawing surface: scales, pixel checks under a y-up user scale, text, flood fills,
// the recording surface, and a sample picture with every primitive for a reviewer.
#include <set>

#include <QDir>
#include <QProcess>
#include <QGuiApplication>
#include <QPalette>

#include "platform/captionfont.h"
#include "platform/qtpicturebox.h"
#include "support/recordingpicturebox.h"
#include "platform/windowutilities.h"
#include "platform_fixture.h"

namespace nuvir {
namespace {

constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kRed = 0x0000FF;  // BGR
constexpr Colour kBlue = 0xFF0000;
constexpr Colour kGreen = 0x00FF00;

struct Expected {
    double x, y;
    Colour colour;
};
// Each point's colour on its own, the point named in the failure.
template <class Get>
void ExpectColours(Get at, std::initializer_list<Expected> points) {
    for (const Expected& p : points) EXPECT_EQ(at(p.x, p.y), p.colour) << "at " << p.x << "," << p.y;
}

// 200 x 100 pixels, user scale x 0..200 left to right, y 0..100 bottom to top: x maps
// to pixel x, y to pixel row 100 - y.
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
    void ExpectAt(std::initializer_list<Expected> pixels) const {
        ExpectColours([this](double x, double y) { return At(static_cast<int>(x), static_cast<int>(y)); }, pixels);
    }
    int Count(Colour c) const { return test::CountColour(pic.Image(), c); }
    // Calls f(x, y) for each pixel that is not white.
    template <class F>
    void ForEachInk(F f) const {
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x)
                if (At(x, y) != kWhite) f(x, y);
    }
};

TEST(PictureBox, ColoursConvertAndSystemColoursComeFromThePalette) {
    EXPECT_EQ(ColourToQColor(RGBColour(10, 20, 30)), QColor(10, 20, 30));
    EXPECT_EQ(RGBColour(10, 20, 30), 10 + 20 * 256 + 30 * 65536);
    EXPECT_EQ(QColorToColour(QColor(255, 0, 0)), kRed);
    // A system colour resolves through the palette instead of reading as black.
    EXPECT_EQ(ColourToQColor(static_cast<Colour>(0x8000000Fu)), QGuiApplication::palette().color(QPalette::Button));
}

TEST(PictureBox, AnyScaleValueMakesTheModeUserAndAModeSetsTheScale) {
    ImagePictureBox pic(300, 150);
    EXPECT_EQ(pic.ScaleMode(), scale::Twips);
    EXPECT_FLOAT_EQ(pic.ScaleWidth(), 4500.0f);  // 15 twips a pixel
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

TEST(PictureBox, BadValuesAreRefused) {
    ImagePictureBox pic(300, 150);
    EXPECT_EQ(test::ErrorNumber([&] { pic.SetDrawStyle(-1); }), 380) << "True as a line style";
    const std::pair<const char*, std::function<void()>> bad[] = {
        {"scale width 0", [&] { pic.SetScaleWidth(0); }}, {"scale height 0", [&] { pic.SetScaleHeight(0); }},
        {"draw style 7", [&] { pic.SetDrawStyle(7); }},   {"scale mode 8", [&] { pic.SetScaleMode(8); }},
        {"fill style 8", [&] { pic.SetFillStyle(8); }},
    };
    for (const auto& [name, f] : bad) EXPECT_NE(test::ErrorNumber(f), 0) << name;
}

TEST_F(YUpSurface, PointsMapWithYUpAndConversionsAreSigned) {
    EXPECT_EQ(pic.PixelX(0), 0);
    EXPECT_EQ(pic.PixelY(100), 0);
    EXPECT_EQ(pic.PixelY(0), 100);
    EXPECT_EQ(pic.PixelY(25), 75);
    EXPECT_EQ(pic.PixelX(10.4), 10);
    EXPECT_EQ(pic.PixelX(10.6), 11);
    EXPECT_DOUBLE_EQ(pic.ScaleY(10, scale::Pixels, scale::User), -10.0);
    EXPECT_DOUBLE_EQ(pic.ScaleX(10, scale::User, scale::Twips), 150.0);
    EXPECT_DOUBLE_EQ(pic.ScaleY(-10, scale::User, scale::Pixels), 10.0);
    EXPECT_DOUBLE_EQ(pic.YFromPixel(75), 25.0);
}

TEST_F(YUpSurface, BoxesOutlinesFillsAndOnePixelBars) {
    pic.Line(20, 20, 60, 80, kRed, LineShape::Box);  // corners at pixels (20,80) and (60,20)
    for (double x = 20; x <= 60; ++x) ExpectAt({{x, 20, kRed}, {x, 80, kRed}});
    for (double y = 20; y <= 80; ++y) ExpectAt({{20, y, kRed}, {60, y, kRed}});
    EXPECT_EQ(Count(kRed), 2 * 41 + 2 * 59);  // nothing outside, transparent inside
    EXPECT_FLOAT_EQ(pic.CurrentX(), 60.0f);
    EXPECT_FLOAT_EQ(pic.CurrentY(), 80.0f);
    pic.Cls();
    pic.SetFillStyle(fillstyle::Solid);
    pic.SetFillColor(kGreen);
    pic.Line(10, 10, 30, 30, kRed, LineShape::Box);
    EXPECT_EQ(At(20, 80), kGreen);
    EXPECT_EQ(At(10, 80), kRed);
    pic.Line(100, 10, 120, 30, kBlue, LineShape::FilledBox);  // in the line colour
    EXPECT_EQ(Count(kBlue), 21 * 21);
    const double w = pic.ScaleX(1, scale::Pixels, scale::User);
    pic.Line(150 - w / 2, 0, 150 + w / 2, 40, kBlue, LineShape::FilledBox);
    EXPECT_GE(Count(kBlue), 21 * 21 + 40);  // a one-pixel bar fills at least one column
    EXPECT_EQ(At(150, 70), kBlue);
}

TEST_F(YUpSurface, SegmentsDotsWidthsAndTheCurrentPoint) {
    pic.PSet(10, 50, kRed);
    EXPECT_EQ(pic.Point(10, 50), kRed);
    pic.LineTo(110, 50, kBlue);
    for (int x = 11; x <= 110; ++x) EXPECT_EQ(At(x, 50), kBlue) << x;
    ExpectAt({{50, 49, kWhite}, {50, 51, kWhite}});
    pic.LineTo(110, 90);  // ForeColor, upward = towards pixel row 10
    EXPECT_EQ(At(110, 10), 0);
    EXPECT_EQ(pic.Point(-5, 50), -1);
    pic.Cls();
    EXPECT_EQ(At(110, 10), kWhite);
    EXPECT_FLOAT_EQ(pic.CurrentX(), 0.0f);
    EXPECT_FLOAT_EQ(pic.CurrentY(), 0.0f);
    pic.SetDrawStyle(drawstyle::Dot);
    pic.Line(0, 50, 199, 50, kRed);
    EXPECT_GT(Count(kRed), 40);
    EXPECT_LT(Count(kRed), 160) << "dotted lines leave gaps at width one";
    pic.Cls();
    pic.SetDrawWidth(3);
    pic.Line(10, 50, 100, 50, kRed);
    for (int x = 10; x <= 100; ++x) EXPECT_EQ(At(x, 50), kRed) << x << ": wider lines draw solid";
    ExpectAt({{50, 49, kRed}, {50, 51, kRed}});
    pic.SetDrawStyle(drawstyle::Transparent);
    pic.Cls();
    pic.Line(10, 50, 100, 50, kRed);
    EXPECT_EQ(Count(kRed), 0);
}

TEST_F(YUpSurface, CirclesAndEllipses) {
    pic.Circle(50, 50, 20, kRed);
    ExpectAt({{70, 50, kRed}, {50, 30, kRed}, {50, 50, kWhite}});
    EXPECT_FLOAT_EQ(pic.CurrentX(), 50.0f);
    pic.SetFillStyle(fillstyle::Solid);
    pic.SetFillColor(kGreen);
    pic.Circle(150, 50, 20, kRed);
    ExpectAt({{150, 50, kGreen}, {160, 45, kGreen}, {170, 50, kRed}, {150, 25, kWhite}, {175, 50, kWhite}});
    pic.Cls();
    pic.SetFillStyle(fillstyle::Transparent);
    pic.Circle(100, 50, 40, kRed, 0.5);  // 40 px across, 20 px up and down
    ExpectAt({{140, 50, kRed}, {100, 30, kRed}, {100, 70, kRed}, {100, 15, kWhite}});
    pic.Cls();
    pic.Circle(100, 50, 0, kRed);  // radius zero draws nothing visible
    EXPECT_LE(Count(kRed), 1);
}

TEST_F(YUpSurface, TextIsMeasuredWithTheScalesSignAndPrintedBelowRightOfTheCurrentPoint) {
    QFont f("DejaVu Sans");
    f.setPixelSize(14);
    pic.SetFont(f);
    const double w = pic.TextWidth("HHHH"), h = pic.TextHeight("HHHH");
    EXPECT_GT(w, 0.0);
    EXPECT_LT(h, 0.0);
    EXPECT_NEAR(pic.TextHeight("A\r\nB"), 2 * h, 1e-9);
    EXPECT_NEAR(pic.TextWidth("ab\r\nHHHH"), w, 1e-9);
    pic.SetCurrentX(40);
    pic.SetCurrentY(70);  // pixel row 30
    pic.Print("HHHH");
    int inside = 0, outside = 0;
    ForEachInk([&](int x, int y) { ++(x >= 40 && x <= 40 + w && y >= 30 && y <= 30 - h ? inside : outside); });
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
    EXPECT_FLOAT_EQ(pic.CurrentX(), 0.0f);  // the next print goes a line lower, at the left edge
    EXPECT_NEAR(pic.CurrentY(), 70 + h, 1e-4);
    // A rotated text climbs to the upper right of its reference point.
    pic.Cls();
    pic.DrawTextRotatedPx(20, 95, "MMMMMM", 45, f);
    int minY = 1000, maxX = 0;
    ForEachInk([&](int x, int y) { minY = std::min(minY, y), maxX = std::max(maxX, x); });
    EXPECT_LT(minY, 65);
    EXPECT_GT(maxX, 60);
}

TEST_F(YUpSurface, BackColorErasesAndResizingKeepsTheDrawingAndTheScale) {
    pic.Line(0, 0, 10, 10, kRed, LineShape::FilledBox);
    pic.SetBackColor(kGreen);
    EXPECT_EQ(At(5, 95), kGreen);
    pic.Line(0, 100, 10, 90, kRed, LineShape::FilledBox);  // top-left corner
    pic.ResizeClient(300, 200);
    EXPECT_EQ(At(5, 5), kRed);
    EXPECT_EQ(At(250, 150), kGreen);
    EXPECT_EQ(pic.ScaleMode(), scale::User);
    EXPECT_EQ(pic.PixelX(200), 300);
}

TEST(FloodFill, FillsClosedOutlinesWithoutLeaksOrRecursion) {
    ImagePictureBox pic(100, 100);
    pic.SetScaleMode(scale::Pixels);
    pic.SetBackColor(kWhite);
    pic.Line(20, 20, 80, 80, kRed, LineShape::Box);
    pic.Line(0, 99, 99, 0, kRed);  // a one-pixel diagonal from corner to corner
    pic.SetFillStyle(fillstyle::Solid);
    pic.SetFillColor(kBlue);
    pic.FloodFillPx(5, 5);
    EXPECT_EQ(pic.Point(5, 5), kBlue);
    EXPECT_EQ(pic.Point(95, 95), kWhite) << "no leak through the diagonal";
    for (const auto& [x, y] : {std::pair{5, 5}, {-1, 5}, {5, 600}}) pic.FloodFillPx(x, y);  // nothing more
    EXPECT_EQ(pic.Point(95, 95), kWhite);
    // A comb makes a long snake of runs.
    ImagePictureBox big(1200, 900);
    big.SetScaleMode(scale::Pixels);
    big.SetBackColor(kWhite);
    for (int x = 10; x < 1190; x += 4) big.Line(x, (x / 4) % 2 ? 0 : 10, x, (x / 4) % 2 ? 890 : 899, kRed);
    big.SetFillStyle(fillstyle::Solid);
    big.SetFillColor(kGreen);
    big.FloodFillPx(1, 1);
    EXPECT_EQ(big.Point(1195, 895), kGreen);
    EXPECT_EQ(big.Point(12, 400), kGreen);
}

TEST_F(YUpSurface, TheClipAreaKeepsDrawingAndFillsInsideItAndClsClearsAll) {
    pic.SetClipPx(QRect(QPoint(50, 20), QPoint(149, 79)));
    pic.Line(0, 0, 200, 100, kRed);
    pic.Line(100, -50, 120, 500, kBlue, LineShape::FilledBox);
    pic.Circle(50, 50, 10, kGreen);
    pic.SetFillStyle(fillstyle::Solid);
    pic.SetFillColor(kGreen);
    pic.FloodFillPx(148, 21);  // the corner cut off above the diagonal, bounded only by the clip
    pic.FloodFillPx(10, 10);   // outside: nothing
    int outside = 0;
    ForEachInk([&outside](int x, int y) { outside += x < 50 || x > 149 || y < 20 || y > 79; });
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(At(110, 20), kBlue);
    EXPECT_EQ(At(110, 79), kBlue);
    EXPECT_EQ(At(149, 20), kGreen);
    EXPECT_EQ(At(60, 50), kGreen) << "the circle's right half";
    pic.SetClipPx(std::nullopt);
    pic.Line(0, 50, 200, 50, kRed);
    EXPECT_EQ(At(0, 50), kRed);
    pic.SetClipPx(QRect(0, 0, 1, 1));
    pic.Cls();
    EXPECT_EQ(Count(kWhite), 200 * 100);
}

TEST(FloodFill, ThePictureFillRestoresTheDrawingStateInTheStatedOrder) {
    RecordingPictureBox pic(100, 100);
    pic.SetBackColor(kWhite);
    pic.SetScaleWidth(10);
    pic.SetScaleHeight(-10);
    pic.SetScaleLeft(0);
    pic.SetScaleTop(10);
    pic.Line(2, 2, 8, 8, 0, LineShape::Box);
    pic.SetDrawStyle(drawstyle::Dot);
    pic.SetFillStyle(fillstyle::Transparent);
    pic.SetFillColor(kGreen);
    pic.SetCurrentX(1.5f);
    pic.SetCurrentY(9.5f);
    pic.ClearCalls();
    MUtilities::FloodFillPicture(pic, 5, 5, kBlue);
    ExpectColours([&](double x, double y) { return pic.Point(x, y); },
                  {{5, 5, kBlue}, {3, 7, kBlue}, {1, 1, kWhite}, {2, 5, 0}});
    EXPECT_EQ(std::vector<std::string>(pic.calls.end() - 5, pic.calls.end()),
              (std::vector<std::string>{"DrawStyle=2", "FillStyle=1", "FillColor=65280", "CurrentX=1.5",
                                        "CurrentY=9.5"}));
    EXPECT_EQ(pic.Count("FloodFill 50 50 16711680"), 1);
    // A point outside fills nothing; an open outline floods outward.
    ImagePictureBox open(50, 50);
    open.SetScaleMode(scale::Pixels);
    open.SetBackColor(kWhite);
    MUtilities::FloodFillPicture(open, -3, 10, kRed);
    EXPECT_EQ(open.Point(10, 10), kWhite);
    open.Line(10, 10, 40, 10, 0);
    open.LineTo(40, 40, 0);
    open.LineTo(10, 40, 0);  // left side missing
    MUtilities::FloodFillPicture(open, 25, 25, kRed);
    EXPECT_EQ(open.Point(2, 2), kRed);
}

// At a device pixel ratio of 2 the stored image has twice the pixels each way, drawn
// sharp, while sizes, scales, text measures and what is copied out stay as at ratio 1.
TEST(PictureBox, HighDensityScreensGetDevicePixelsWithTheSameScalesAndSizes) {
    ImagePictureBox one(200, 100), two(200, 100);
    two.SetDevicePixelRatio(2.0);
    for (ImagePictureBox* pic : {&one, &two}) {
        pic->SetBackColor(kWhite);
        pic->SetScaleMode(scale::Pixels);
        pic->Line(20, 20, 60, 60, kRed, LineShape::Box);
        pic->Line(10, 80, 190, 80, kBlue);
        pic->SetFillStyle(fillstyle::Solid);
        pic->SetFillColor(kGreen);
        pic->FloodFillPx(40, 40);
    }
    EXPECT_EQ(two.DeviceImage().size(), QSize(400, 200));
    EXPECT_EQ(two.Image().size(), QSize(200, 100)) << "the clipboard and reports take the logical size";
    EXPECT_FLOAT_EQ(two.ScaleWidth(), one.ScaleWidth());
    EXPECT_DOUBLE_EQ(two.TextWidth("Spread"), one.TextWidth("Spread"));
    EXPECT_DOUBLE_EQ(two.TextHeight("Spread"), one.TextHeight("Spread"));
    for (const auto& [x, y] :
         {std::pair{40, 40}, std::pair{20, 40}, std::pair{100, 80}, std::pair{100, 79}, std::pair{5, 5}})
        EXPECT_EQ(two.Point(x, y), one.Point(x, y)) << x << "," << y;
    // A one-pixel line is two device pixels thick, with nothing blurred beside it.
    const QImage& device = two.DeviceImage();
    ExpectColours([&](double x, double y) { return QColorToColour(device.pixelColor(int(x), int(y))); },
                  {{200, 159, kWhite}, {200, 160, kBlue}, {200, 161, kBlue}, {200, 162, kWhite}});
    EXPECT_EQ(test::CountColour(device, kGreen), 4 * 39 * 39);  // the fill in device pixels
}

// Runs the hidden test of the same name in a process whose screen has a scale factor of 2.
// Small text on a screen's picture box is smoothed ("I1=1" stays legible at 7 px); a
// surface made into a one-bit image keeps two colours, as does one that turns it off.
TEST(PictureBox, TextIsSmoothedOnTheScreenOnlyAndFillsStillReachTheirOutlines) {
    QtPictureBox screen;
    ImagePictureBox offscreen(80, 30);
    QtPictureBox report;
    report.SetSmoothText(false);
    struct Case {
        const char* name;
        ImagePictureBox& pic;
        bool greys;
    };
    const Case cases[] = {{"screen", screen, true},
                          {"offscreen surface", offscreen, false},
                          {"report surface", report, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.pic.ResizeClient(80, 30);
        c.pic.SetBackColor(kWhite);
        c.pic.SetScaleMode(scale::Pixels);
        QFont f("DejaVu Sans");
        f.setPixelSize(9);
        c.pic.SetFont(f);
        c.pic.SetForeColor(0);
        c.pic.SetCurrentX(5);
        c.pic.SetCurrentY(5);
        c.pic.Print("I1=1");
        std::set<QRgb> colours;
        const QImage image = c.pic.Image();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y) | 0xFF000000u);
        }
        EXPECT_EQ(colours.size() > 2, c.greys) << colours.size() << " colours";
        // A box drawn and filled after the text is filled up to its outline.
        c.pic.Line(40, 5, 70, 25, 0, LineShape::Box);
        c.pic.SetFillStyle(fillstyle::Solid);
        c.pic.SetFillColor(kRed);
        c.pic.FloodFillPx(55, 15);
        EXPECT_EQ(QColorToColour(c.pic.Image().pixelColor(41, 6)), kRed);
        EXPECT_EQ(QColorToColour(c.pic.Image().pixelColor(69, 24)), kRed);
    }
}

TEST(PictureBox, AShownPictureBoxTakesItsScreensDensity) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_SCALE_FACTOR", "2");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=ScaledScreen.DISABLED_PictureBoxDrawsInDevicePixels",
                 "--gtest_also_run_disabled_tests"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromUtf8(child.readAllStandardOutput());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}

TEST(ScaledScreen, DISABLED_PictureBoxDrawsInDevicePixels) {
    ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
    Form form;
    auto* box = form.Add<QtPictureBox>("picPlot");
    box->SetBorderStyle(0);
    box->Move(0, 0, 3000, 1500);  // 200 x 100 pixels
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(box->DeviceImage().size(), QSize(400, 200));
    box->SetBackColor(kWhite);
    box->SetScaleMode(scale::Pixels);
    box->Line(10, 50, 190, 50, kRed);
    const QImage shown = box->grab().toImage();
    EXPECT_EQ(QColorToColour(shown.pixelColor(100, 100)), kRed);
    EXPECT_EQ(QColorToColour(shown.pixelColor(100, 99)), kWhite) << "sharp: no pixel between line and background";
    EXPECT_EQ(box->Image().size(), QSize(200, 100));
}

// Every primitive into "platform_sample.png" in the working folder (the build folder
// under ctest), for a reviewer to look at.
TEST(PictureBox, SamplePictureWithEveryPrimitive) {
    ImagePictureBox pic(480, 320);
    pic.SetBackColor(0xFFFFFF);
    QFont f("DejaVu Sans");
    f.setPointSize(9);
    pic.SetFont(f);
    pic.SetScaleLeft(-1.5f);  // a y-up plot area: x 0..10, y 0..5 with margins
    pic.SetScaleWidth(12.5f);
    pic.SetScaleTop(6.0f);
    pic.SetScaleHeight(-7.2f);
    pic.Line(0, 0, 10, 5, 0, LineShape::Box);
    for (int i = 0; i <= 10; ++i) {
        pic.Line(i, 0, i, -0.15, 0);
        pic.SetCurrentX(static_cast<float>(i - pic.TextWidth(std::to_string(i)) / 2));
        pic.SetCurrentY(-0.2f);
        pic.Print(std::to_string(i));
    }
    const double ys[] = {1, 2.5, 3.2, 2.8, 4.1, 3.6, 2.2, 1.4};
    pic.PSet(1, ys[0], 0x0000C0);
    for (int i = 1; i < 8; ++i) pic.LineTo(1 + i, ys[i], 0x0000C0);
    pic.LineTo(8, 0, 0x0000C0);
    pic.LineTo(1, 0, 0x0000C0);
    pic.LineTo(1, ys[0], 0x0000C0);
    MUtilities::FloodFillPicture(pic, 4.5f, 1.0f, 0xA0A0FF);  // the area under the curve
    pic.SetFillStyle(fillstyle::Solid);
    pic.SetFillColor(0x00A000);
    for (int i = 0; i < 8; ++i) pic.Circle(1 + i, ys[i], 0.12, 0x006000);
    pic.SetFillStyle(fillstyle::Transparent);
    pic.SetDrawStyle(drawstyle::Dot);
    pic.Line(0.2, 4.5, 9.8, 4.5, 0);
    pic.SetDrawStyle(drawstyle::Solid);
    pic.Line(9, 0, 9.4, 3.3, 0xC06000, LineShape::FilledBox);
    pic.Circle(5, 5.5, 1.2, 0x800080, 0.3);
    pic.SetCurrentX(0);
    pic.SetCurrentY(5.9f);
    pic.Print("Sample: y-up scale, text, lines, boxes, circles, fill");
    pic.SetForeColor(0x804000);
    pic.DrawTextRotatedPx(pic.PixelX(6.3), pic.PixelY(1.2), "rotated 45", 45, CaptionFont("MS San Serif", 10, true));
    ASSERT_TRUE(pic.Image().save(QDir::current().absoluteFilePath(QStringLiteral("platform_sample.png")), "PNG"));
    EXPECT_EQ(pic.Point(4.5, 1.0), 0xA0A0FF);
    EXPECT_EQ(pic.Point(4.5, 4.8), 0xFFFFFF);
}

}  // namespace
}  // namespace nuvir
