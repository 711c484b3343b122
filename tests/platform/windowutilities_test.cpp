// Clipboard round trips, pasting, control geometry and the picture flood fill.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>

#include "platform/controls.h"
#include "platform/form.h"
#include "platform/qtpicturebox.h"
#include "platform/recordingpicturebox.h"
#include "platform/screen.h"
#include "platform/windowutilities.h"
#include "runtime/variant.h"

namespace nuvir {
namespace {

using namespace MUtilities;

TEST(Clipboard, TextRoundTrip) {
    CopyToClipboard(Variant("alpha\tbeta\r\n1\t2"), clipformat::Text);
    EXPECT_TRUE(ClipboardHasFormat(clipformat::Text));
    EXPECT_FALSE(ClipboardHasFormat(clipformat::RTF));
    EXPECT_EQ(ClipboardText(), "alpha\tbeta\r\n1\t2");
}

TEST(Clipboard, RichTextIsOfferedAlsoAsPlainText) {
    const std::string rtf = "{\\rtf1\\ansi caf\xC3\xA9}";
    CopyToClipboard(Variant(rtf), clipformat::RTF);
    EXPECT_TRUE(ClipboardHasFormat(clipformat::RTF));
    EXPECT_TRUE(ClipboardHasFormat(clipformat::Text));
    EXPECT_EQ(ClipboardText(), rtf);
    const QMimeData* md = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(md, nullptr);
    // Rich Text travels as 8-bit text in the Windows code page.
    EXPECT_EQ(md->data(QStringLiteral("text/rtf")).toStdString(), "{\\rtf1\\ansi caf\xE9}");
    EXPECT_TRUE(md->hasFormat(QStringLiteral("text/richtext")));
}

TEST(Clipboard, TextWithAPictureFormatOrANumberLeavesItEmpty) {
    CopyToClipboard(Variant("before"), clipformat::Text);
    CopyToClipboard(Variant("text"), clipformat::Bitmap);
    EXPECT_FALSE(ClipboardHasFormat(clipformat::Text));
    EXPECT_EQ(ClipboardText(), "");
    CopyToClipboard(Variant("before"), clipformat::Text);
    CopyToClipboard(Variant(12.5), clipformat::Text);
    EXPECT_FALSE(ClipboardHasFormat(clipformat::Text));
}

TEST(Clipboard, PictureRoundTrip) {
    ImagePictureBox pic(40, 30);
    pic.SetScaleMode(scale::Pixels);
    pic.SetBackColor(0xFFFFFF);
    pic.Line(5, 5, 20, 20, 0x0000FF, LineShape::FilledBox);
    CopyToClipboard(pic.Image(), clipformat::Bitmap);
    ASSERT_TRUE(ClipboardHasFormat(clipformat::Bitmap));
    const QImage back = QGuiApplication::clipboard()->image();
    ASSERT_EQ(back.size(), QSize(40, 30));
    EXPECT_EQ(QColor(back.pixel(10, 10)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(back.pixel(30, 25)), QColor(255, 255, 255));
    CopyToClipboard(pic.Image(), clipformat::Text);  // not a picture format
    EXPECT_FALSE(ClipboardHasFormat(clipformat::Bitmap));
}

TEST(Clipboard, ClearingLeavesNothingAndReadersCopeWithIt) {
    CopyToClipboard(Variant("x"), clipformat::Text);
    EXPECT_TRUE(ClearClipboard());
    EXPECT_FALSE(ClipboardHasFormat(clipformat::Text));
    EXPECT_FALSE(ClipboardHasFormat(clipformat::RTF));
    EXPECT_FALSE(ClipboardHasFormat(clipformat::Bitmap));
    EXPECT_EQ(ClipboardText(), "");
}

TEST(Paste, ReplacesTheSelectionAndPutsTheCaretAfterIt) {
    Form form;
    auto* box = form.Add<TextBox>("txtValue");
    int changes = 0;
    QObject::connect(box->Events(), &ControlEvents::Change, [&] { ++changes; });
    box->SetText("012345");
    box->SetSelStart(2);
    box->SetSelLength(2);
    CopyToClipboard(Variant("abc"), clipformat::Text);
    changes = 0;
    PasteIntoTextBox(box);
    EXPECT_EQ(box->Text(), "01abc45");
    EXPECT_EQ(box->SelStart(), 5);
    EXPECT_EQ(box->SelLength(), 0);
    EXPECT_EQ(changes, 1);
}

TEST(Paste, TheGridEditorEndsWithEverythingSelected) {
    Form form;
    auto* box = form.Add<TextBox>("txtFlexEditBox1");
    box->SetText("012345");
    box->SetSelStart(2);
    box->SetSelLength(2);
    CopyToClipboard(Variant("abc"), clipformat::Text);
    PasteIntoTextBox(box);
    EXPECT_EQ(box->Text(), "01abc45");
    EXPECT_EQ(box->SelStart(), 0);
    EXPECT_EQ(box->SelLength(), 7);
}

TEST(Paste, NothingWithoutClipboardTextOrIntoAnotherKind) {
    Form form;
    auto* box = form.Add<TextBox>("txtValue");
    auto* lab = form.Add<Label>("labValue");
    box->SetText("keep");
    ClearClipboard();
    PasteIntoTextBox(box);
    EXPECT_EQ(box->Text(), "keep");
    CopyToClipboard(Variant("abc"), clipformat::Text);
    PasteIntoTextBox(lab);
    PasteIntoTextBox(nullptr);
    EXPECT_EQ(lab->Caption(), "");
}

struct Metrics : ::testing::Test {
    ScreenMetrics m;
    void SetUp() override {
        m.twipsPerPixelX = m.twipsPerPixelY = 15;
        m.frameXPx = m.frameYPx = 4;
        m.captionHeightPx = 19;
        m.dlgFrameXPx = m.dlgFrameYPx = 3;
        m.vScrollWidthPx = 17;
        SetScreenMetrics(&m);
    }
    void TearDown() override { SetScreenMetrics(nullptr); }
};

TEST_F(Metrics, AControlOnTheFormGivesItsOwnPositionInsideTheForm) {
    Form form;
    auto* box = form.Add<TextBox>("txtA");
    box->Move(600, 450, 1200, 300);
    const auto r = GetControlScreenRect(*box, true);
    EXPECT_DOUBLE_EQ(r[0], 600);
    EXPECT_DOUBLE_EQ(r[1], 450);
    EXPECT_DOUBLE_EQ(r[2], 1200);
    EXPECT_DOUBLE_EQ(r[3], 300);
    // On the screen, before the form is shown: its Left/Top plus frame and two captions.
    form.SetLeft(1500);
    form.SetTop(3000);
    const auto s = GetControlScreenRect(*box);
    EXPECT_DOUBLE_EQ(s[0], 600 + 1500 + 4 * 15);
    EXPECT_DOUBLE_EQ(s[1], 450 + 3000 + 2 * 19 * 15);
}

TEST_F(Metrics, PositionsInsidePictureBoxesAndFramesAddUp) {
    Form form;
    auto* frame = form.Add<Frame>("fraOuter");
    frame->Move(300, 600, 6000, 4500);
    auto* pic = form.Add<QtPictureBox>("picPlot", -1, frame);
    pic->Move(150, 300, 3000, 3000);
    pic->SetScaleMode(scale::Pixels);
    auto* box = form.Add<TextBox>("txtIn", -1, pic);
    box->Move(10, 20, 50, 16);  // pixels of the picture
    const auto r = GetControlScreenRect(*box, true);
    EXPECT_DOUBLE_EQ(r[0], 300 + 150 + 10 * 15);
    EXPECT_DOUBLE_EQ(r[1], 600 + 300 + 20 * 15);
    EXPECT_DOUBLE_EQ(r[2], 50);  // in the container's units
    // Under a y-up scale the distance from the top counts as a magnitude.
    pic->SetScaleHeight(-100);
    pic->SetScaleTop(100);
    pic->SetScaleWidth(100);
    pic->SetScaleLeft(0);
    auto* box2 = form.Add<TextBox>("txtUp", -1, pic);
    box2->Move(10, 80, 20, 10);
    const double clientH = pic->ClientHeightPx();
    const auto u = GetControlScreenRect(*box2, true);
    EXPECT_NEAR(u[1], 600 + 300 + 20 * clientH / 100 * 15, 1e-6);
    EXPECT_GT(box2->geometry().top(), 0);  // placed with its top edge at y = 80
}

TEST_F(Metrics, AShownFormUsesItsRealClientOrigin) {
    Form form;
    auto* box = form.Add<TextBox>("txtA");
    box->Move(600, 450, 1200, 300);
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QPoint origin = form.ChildHost()->mapToGlobal(QPoint(0, 0));
    const auto s = GetControlScreenRect(*box);
    EXPECT_DOUBLE_EQ(s[0], 600 + origin.x() * 15.0);
    EXPECT_DOUBLE_EQ(s[1], 450 + origin.y() * 15.0);
}

TEST(FloodFillPictureTest, FillsInsideAYUpOutlineAndRestoresTheDrawingState) {
    RecordingPictureBox pic(100, 100);
    pic.SetBackColor(0xFFFFFF);
    pic.SetScaleWidth(10);
    pic.SetScaleHeight(-10);
    pic.SetScaleLeft(0);
    pic.SetScaleTop(10);
    pic.Line(2, 2, 8, 8, 0, LineShape::Box);
    pic.SetDrawStyle(drawstyle::Dot);
    pic.SetFillStyle(fillstyle::Transparent);
    pic.SetFillColor(0x00FF00);
    pic.SetCurrentX(1.5f);
    pic.SetCurrentY(9.5f);
    pic.ClearCalls();
    FloodFillPicture(pic, 5, 5, 0xFF0000);
    EXPECT_EQ(pic.Point(5, 5), 0xFF0000);
    EXPECT_EQ(pic.Point(3, 7), 0xFF0000);
    EXPECT_EQ(pic.Point(1, 1), 0xFFFFFF);
    EXPECT_EQ(pic.Point(9, 9), 0xFFFFFF);
    EXPECT_EQ(pic.Point(2, 5), 0);
    EXPECT_EQ(pic.DrawStyle(), drawstyle::Dot);
    EXPECT_EQ(pic.FillStyle(), fillstyle::Transparent);
    EXPECT_EQ(pic.FillColor(), 0x00FF00);
    EXPECT_FLOAT_EQ(pic.CurrentX(), 1.5f);
    EXPECT_FLOAT_EQ(pic.CurrentY(), 9.5f);
    // The state is put back in the stated order.
    const std::vector<std::string> tail(pic.calls.end() - 5, pic.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"DrawStyle=2", "FillStyle=1", "FillColor=65280", "CurrentX=1.5",
                                              "CurrentY=9.5"}));
    EXPECT_EQ(pic.Count("FloodFill 50 50 16711680"), 1);
}

TEST(FloodFillPictureTest, APointOutsideFillsNothingAndAnOpenOutlineFloodsOutward) {
    ImagePictureBox pic(50, 50);
    pic.SetScaleMode(scale::Pixels);
    pic.SetBackColor(0xFFFFFF);
    FloodFillPicture(pic, -3, 10, 0x0000FF);
    FloodFillPicture(pic, 10, 80, 0x0000FF);
    EXPECT_EQ(pic.Point(10, 10), 0xFFFFFF);
    pic.Line(10, 10, 40, 10, 0);
    pic.LineTo(40, 40, 0);
    pic.LineTo(10, 40, 0);  // left side missing
    FloodFillPicture(pic, 25, 25, 0x0000FF);
    EXPECT_EQ(pic.Point(2, 2), 0x0000FF);
    EXPECT_EQ(pic.Point(45, 45), 0x0000FF);
}

}  // namespace
}  // namespace nuvir
