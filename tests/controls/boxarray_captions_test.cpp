// The caption layer of the check-box grid on an offscreen surface: the font made from
// a size and an angle, multi-line texts, scaling by the surface's size, turning, and
// measuring sets of captions.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QRect>

#include <cmath>
#include <string>

#include "controls/boxarray_captions.h"
#include "platform/picturebox.h"
#include "runtime/variant.h"

namespace nuvir {
namespace {

using MBoxArray::DrawRotatedText;
using MBoxArray::MakeCaptionFont;
using MBoxArray::MeasureCaptions;

const BoxArrayFont kPlain{"DejaVu Sans", 10.0, false};

// A white offscreen surface with black text.
struct Surface {
    ImagePictureBox pic;
    Surface(int w, int h) : pic(w, h) {
        pic.SetBackColor(0xFFFFFF);
        pic.SetForeColor(0);
        pic.Cls();
    }
    // Outer size in twips at 15 twips per pixel.
    double W() const { return pic.ClientWidthPx() * 15.0; }
    double H() const { return pic.ClientHeightPx() * 15.0; }
};

// Bounding box of the pixels that are not white; null when there are none.
QRect Ink(const QImage& img) {
    QRect box;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if ((img.pixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu) box = box.united(QRect(x, y, 1, 1));
        }
    }
    return box;
}

// Ink of `a` that `b` does not have.
QRect InkNotIn(const QImage& a, const QImage& b) {
    QRect box;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const bool inkA = (a.pixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu;
            const bool inkB = (b.pixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu;
            if (inkA && !inkB) box = box.united(QRect(x, y, 1, 1));
        }
    }
    return box;
}

TEST(CaptionFont, CellHeightEscapementAndWeightFollowSizeAngleAndBoldness) {
    const auto f10 = MakeCaptionFont({"DejaVu Sans", 10.0, false}, 0.0);
    const auto f12 = MakeCaptionFont({"DejaVu Sans", 12.0, true}, 45.0);
    const auto f825 = MakeCaptionFont({"DejaVu Sans", 8.25, false}, 89.99);
    ASSERT_TRUE(f10 && f12 && f825);
    EXPECT_EQ(f10->CellHeightPx, 15);
    EXPECT_EQ(f12->CellHeightPx, 18);
    EXPECT_EQ(f825->CellHeightPx, 12);
    EXPECT_EQ(f10->Escapement, 0);
    EXPECT_EQ(f12->Escapement, 450);
    EXPECT_EQ(f825->Escapement, 899);  // tenths, rounded down
    EXPECT_EQ(f12->Weight, 600);
    EXPECT_EQ(f10->Weight, 400);  // the normal weight, not a thin face
    EXPECT_TRUE(f12->Font.bold());
    EXPECT_EQ(f10->Font.weight(), QFont::Normal);
}

TEST(CaptionFont, OneLineIsOneCellHighOnTheSurface) {
    Surface s(50, 50);
    for (double size : {8.25, 10.0, 12.0}) {
        const BoxArrayFont font{"DejaVu Sans", size, false};
        const auto f = MakeCaptionFont(font, 0.0);
        const auto e = DrawRotatedText(s.pic, s.W(), s.H(), font, "Xg", 0, 0, 0, true);
        ASSERT_TRUE(f && e);
        // The cell, or the nearest smaller one where the face has no exact size.
        EXPECT_LE(e->Height, f->CellHeightPx * 15.0) << size;
        EXPECT_GE(e->Height, (f->CellHeightPx - 1) * 15.0) << size;
    }
}

TEST(CaptionFont, ASizeTooSmallForAPixelMakesNoFontAndMeasuresNothing) {
    EXPECT_FALSE(MakeCaptionFont({"DejaVu Sans", 0.0, false}, 0.0));
    Surface s(100, 40);
    EXPECT_FALSE(DrawRotatedText(s.pic, s.W(), s.H(), {"DejaVu Sans", 0.0, false}, "Text", 0, 0, 0, false));
    EXPECT_TRUE(Ink(s.pic.Image()).isNull());
    const TextExtents e = MeasureCaptions(s.pic, s.W(), s.H(), {"DejaVu Sans", 0.0, false},
                                          Variant::List({Variant("A"), Variant("BB")}), 0.0);
    EXPECT_EQ(e.Width, 0.0);
    EXPECT_EQ(e.Height, 0.0);
}

TEST(CaptionFont, AFaceNameOfAnyLengthIsAccepted) {
    Surface s(100, 40);
    const BoxArrayFont longName{"A face name far longer than thirty-one bytes", 10.0, false};
    const auto e = DrawRotatedText(s.pic, s.W(), s.H(), longName, "Text", 0, 0, 0, false);
    ASSERT_TRUE(e);
    EXPECT_GT(e->Width, 0.0);
    EXPECT_FALSE(Ink(s.pic.Image()).isNull());
}

TEST(RotatedText, TwoLinesMeasureTheWiderWidthAndTheSumOfHeights) {
    Surface s(300, 100);
    const auto f = MakeCaptionFont(kPlain, 0.0);
    const double w1 = s.pic.MeasureTextPx("Certainty", f->Font).width();
    const double w2 = s.pic.MeasureTextPx("High", f->Font).width();
    ASSERT_GT(w1, w2);
    const auto e = DrawRotatedText(s.pic, s.W(), s.H(), kPlain, "Certainty\r\nHigh", 0, 0, 0, true);
    ASSERT_TRUE(e);
    EXPECT_NEAR(e->Width, w1 * 15.0, 7.5);  // whole pixels
    EXPECT_NEAR(e->Height, 2 * 15 * 15.0, 1e-9);
    // Measuring draws nothing.
    EXPECT_TRUE(Ink(s.pic.Image()).isNull());
    // A text without CR LF is one line; a lone LF does not break it.
    const auto one = DrawRotatedText(s.pic, s.W(), s.H(), kPlain, "Certainty\nHigh", 0, 0, 0, true);
    EXPECT_NEAR(one->Height, 15 * 15.0, 1e-9);
    const auto empty = DrawRotatedText(s.pic, s.W(), s.H(), kPlain, "", 0, 0, 0, true);
    EXPECT_EQ(empty->Width, 0.0);
    EXPECT_NEAR(empty->Height, 15 * 15.0, 1e-9);
}

TEST(RotatedText, TheSecondLineStartsOneLineHeightBelowTheFirst) {
    Surface both(300, 100), first(300, 100), alone(300, 100);
    const double x = 20 * 15.0, y = 10 * 15.0;
    const auto e = DrawRotatedText(both.pic, both.W(), both.H(), kPlain, "Certainty\r\nHigh", x, y, 0, false);
    DrawRotatedText(first.pic, first.W(), first.H(), kPlain, "Certainty", x, y, 0, false);
    DrawRotatedText(alone.pic, alone.W(), alone.H(), kPlain, "High", x, y, 0, false);
    ASSERT_TRUE(e);
    // Extents are the same whether drawn or measured.
    EXPECT_NEAR(e->Height, 2 * 15 * 15.0, 1e-9);
    const QRect second = InkNotIn(both.pic.Image(), first.pic.Image());
    const QRect high = Ink(alone.pic.Image());
    ASSERT_FALSE(second.isNull());
    ASSERT_FALSE(high.isNull());
    EXPECT_EQ(second.top() - high.top(), 15);
    EXPECT_EQ(second.left(), high.left());  // straight down, same start
    // The first line's top-left corner is the reference point.
    EXPECT_GE(Ink(first.pic.Image()).left(), 20);
    EXPECT_GE(Ink(first.pic.Image()).top(), 10);
    EXPECT_LT(Ink(first.pic.Image()).top(), 10 + 15);
}

TEST(RotatedText, PositionsAndExtentsScaleByClientPixelsOverOuterTwips) {
    // 200 x 100 client pixels standing for 6000 x 3000 twips: 30 twips a pixel.
    Surface s(200, 100);
    const auto e = DrawRotatedText(s.pic, 6000, 3000, kPlain, "Wide", 600, 300, 0, false);
    const auto f = MakeCaptionFont(kPlain, 0.0);
    ASSERT_TRUE(e);
    EXPECT_NEAR(e->Width, s.pic.MeasureTextPx("Wide", f->Font).width() * 30.0, 15.0);
    EXPECT_NEAR(e->Height, 15 * 30.0, 1e-9);
    const QRect ink = Ink(s.pic.Image());
    EXPECT_GE(ink.left(), 20);
    EXPECT_LT(ink.left(), 20 + 4);
    EXPECT_GE(ink.top(), 10);
    EXPECT_LT(ink.bottom(), 10 + 15);
}

TEST(RotatedText, ASurfaceWithoutASizeMeasuresAtTheScreensFactor) {
    Surface s(200, 100);
    const auto e = DrawRotatedText(s.pic, 0, 0, kPlain, "Wide", 0, 0, 0, true);
    ASSERT_TRUE(e);
    EXPECT_TRUE(std::isfinite(e->Width));
    EXPECT_NEAR(e->Height, 15 * 15.0, 1e-9);
}

TEST(RotatedText, TurnedTextRunsCounterClockwiseFromItsReferencePoint) {
    Surface flat(200, 200), up(200, 200), slant(200, 200);
    const double x = 100 * 15.0, y = 150 * 15.0;
    DrawRotatedText(flat.pic, flat.W(), flat.H(), kPlain, "Certainty", x, y, 0, false);
    DrawRotatedText(up.pic, up.W(), up.H(), kPlain, "Certainty", x, y, 90, false);
    DrawRotatedText(slant.pic, slant.W(), slant.H(), kPlain, "Certainty", x, y, 45, false);
    const QRect f = Ink(flat.pic.Image());
    const QRect u = Ink(up.pic.Image());
    const QRect d = Ink(slant.pic.Image());
    // At 90 degrees the line goes up from the point, its cell to the right of it.
    EXPECT_LE(u.bottom(), 150);
    EXPECT_GE(u.left(), 100);
    EXPECT_LE(u.right(), 100 + 15);
    EXPECT_NEAR(u.height(), f.width(), 2);
    // At 45 degrees it climbs to the right.
    EXPECT_LT(d.top(), 150 - f.width() / 2);
    EXPECT_GT(d.right(), 100 + f.width() / 2);
}

TEST(MeasureCaptions, WidthAndHeightMayComeFromDifferentCaptions) {
    Surface s(300, 100);
    const Variant caps = Variant::List({Variant("Much wider caption"), Variant("a\r\nb\r\nc"), Variant("mid")});
    const TextExtents e = MeasureCaptions(s.pic, s.W(), s.H(), kPlain, caps, 0.0);
    const auto wide = DrawRotatedText(s.pic, s.W(), s.H(), kPlain, "Much wider caption", 0, 0, 0, true);
    const auto tall = DrawRotatedText(s.pic, s.W(), s.H(), kPlain, "a\r\nb\r\nc", 0, 0, 0, true);
    EXPECT_DOUBLE_EQ(e.Width, wide->Width);
    EXPECT_DOUBLE_EQ(e.Height, tall->Height);
    EXPECT_GT(e.Height, wide->Height);
    EXPECT_TRUE(Ink(s.pic.Image()).isNull());
}

TEST(MeasureCaptions, AnEmptyListOrNoListGivesNothing) {
    Surface s(100, 100);
    const TextExtents none = MeasureCaptions(s.pic, s.W(), s.H(), kPlain, Variant::List({}), 0.0);
    EXPECT_EQ(none.Width, 0.0);
    EXPECT_EQ(none.Height, 0.0);
    const TextExtents scalar = MeasureCaptions(s.pic, s.W(), s.H(), kPlain, Variant("Solo"), 0.0);
    EXPECT_EQ(scalar.Width, 0.0);
    EXPECT_EQ(scalar.Height, 0.0);
}

}  // namespace
}  // namespace nuvir
