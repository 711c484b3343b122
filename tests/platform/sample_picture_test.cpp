// Draws a sample picture with every primitive into "platform_sample.png" in the
// working folder (the build folder under ctest), for a reviewer to look at.
#include <gtest/gtest.h>

#include <QDir>
#include <QFont>

#include "platform/captionfont.h"
#include "platform/picturebox.h"
#include "platform/windowutilities.h"

namespace nuvir {
namespace {

TEST(SamplePicture, DrawsEveryPrimitiveIntoAPng) {
    ImagePictureBox pic(480, 320);
    pic.SetBackColor(0xFFFFFF);
    QFont f("DejaVu Sans");
    f.setPointSize(9);
    pic.SetFont(f);
    // A y-up plot area: x 0..10, y 0..5 with margins.
    pic.SetScaleLeft(-1.5f);
    pic.SetScaleWidth(12.5f);
    pic.SetScaleTop(6.0f);
    pic.SetScaleHeight(-7.2f);
    pic.SetForeColor(0);
    pic.Line(0, 0, 10, 5, 0, LineShape::Box);
    for (int i = 0; i <= 10; ++i) {
        pic.Line(i, 0, i, -0.15, 0);
        const std::string label = std::to_string(i);
        pic.SetCurrentX(static_cast<float>(i - pic.TextWidth(label) / 2));
        pic.SetCurrentY(-0.2f);
        pic.Print(label);
    }
    for (int j = 0; j <= 5; ++j) {
        pic.Line(0, j, -0.25, j, 0);
        const std::string label = std::to_string(j);
        pic.SetCurrentX(static_cast<float>(-0.3 - pic.TextWidth(label)));
        pic.SetCurrentY(static_cast<float>(j - pic.TextHeight(label) / 2));
        pic.Print(label);
    }
    // A filled area under a curve, closed along y = 0 and flood filled.
    const double ys[] = {1, 2.5, 3.2, 2.8, 4.1, 3.6, 2.2, 1.4};
    pic.PSet(1, ys[0], 0x0000C0);
    for (int i = 1; i < 8; ++i) pic.LineTo(1 + i, ys[i], 0x0000C0);
    pic.LineTo(8, 0, 0x0000C0);
    pic.LineTo(1, 0, 0x0000C0);
    pic.LineTo(1, ys[0], 0x0000C0);
    MUtilities::FloodFillPicture(pic, 4.5f, 1.0f, 0xA0A0FF);
    // Markers, a dotted reference line, bars.
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
    pic.DrawTextRotatedPx(pic.PixelX(6.3), pic.PixelY(1.2), "rotated 45", 45,
                          CaptionFont("MS San Serif", 10, true));
    const QString path = QDir::current().absoluteFilePath(QStringLiteral("platform_sample.png"));
    ASSERT_TRUE(pic.Image().save(path, "PNG"));
    RecordProperty("picture", path.toStdString());
    EXPECT_EQ(pic.Point(4.5, 1.0), 0xA0A0FF);
    EXPECT_EQ(pic.Point(4.5, 4.8), 0xFFFFFF);
}

}  // namespace
}  // namespace nuvir
