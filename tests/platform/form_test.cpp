// Forms: the controls collection, tab order, geometry in twips, closing routes, tab
// pages, form colours and the caption font.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QTabBar>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>
#include <QTimer>

#include "platform/captionfont.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/formcolours.h"
#include "platform/qtpicturebox.h"
#include "platform/screen.h"
#include "runtime/error.h"

namespace nuvir {
namespace {

int ErrorNumber(const std::function<void()>& f) {
    try {
        f();
    } catch (const AppError& e) {
        return e.number();
    }
    return 0;
}

TEST(ControlsCollection, AddFindEnumerateAndRemoveByName) {
    Form form;
    auto* pic = form.AddByType("Std.PictureBox", "chkArray1");
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->TypeName(), "PictureBox");
    EXPECT_FALSE(pic->Visible());  // run-time additions start hidden
    auto* box = form.AddByType("CheckBox", "chkArray1_0_0", pic);
    EXPECT_EQ(box->Container(), pic);
    EXPECT_EQ(box->Parent(), &form);
    EXPECT_EQ(form.Find("CHKARRAY1_0_0"), box);
    EXPECT_EQ(form.Find("chkArray2"), nullptr);
    EXPECT_EQ(form.Controls().size(), 2u);
    EXPECT_EQ(form.Controls()[0], pic);
    EXPECT_EQ(ErrorNumber([&] { form.AddByType("CheckBox", "chkarray1"); }), 727);
    EXPECT_EQ(ErrorNumber([&] { form.AddByType("Std.NoSuchThing", "x"); }), 711);
    EXPECT_EQ(ErrorNumber([&] { form.Remove("nothere"); }), 730);
    // Removing the surface removes what is inside it; the names are free again.
    form.Remove("chkArray1");
    EXPECT_EQ(form.Find("chkArray1"), nullptr);
    EXPECT_EQ(form.Find("chkArray1_0_0"), nullptr);
    EXPECT_TRUE(form.Controls().empty());
    EXPECT_NE(form.AddByType("PictureBox", "chkArray1"), nullptr);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(ControlsCollection, RegisteredKindsCanBeAddedByName) {
    Form::RegisterControlType("TestGrid", [] { return new Label(); });
    Form form;
    Control* c = form.AddByType("TestLib.TestGrid", "flxFlexEdit1");
    ASSERT_NE(c, nullptr);
    EXPECT_NE(dynamic_cast<Label*>(c), nullptr);
}

TEST(ControlsCollection, TagAndControlArrays) {
    Form form;
    auto* t0 = form.Add<TextBox>("txtTextBox", 0);
    auto* t2 = form.Add<TextBox>("txtTextBox", 2);
    auto* t1 = form.Add<TextBox>("txtTextBox", 1);
    t1->SetTag("1");
    EXPECT_EQ(form.FindAs<TextBox>("txtTextBox", 1)->Tag(), "1");
    EXPECT_EQ(form.Find("txtTextBox"), nullptr);
    const auto arr = form.ControlArray("txtTextBox");
    ASSERT_EQ(arr.size(), 3u);
    EXPECT_EQ(arr[0], t0);
    EXPECT_EQ(arr[1], t1);
    EXPECT_EQ(arr[2], t2);
    EXPECT_EQ(t2->Index(), 2);
}

TEST(TabOrder, IndicesRenumberAndTheFocusChainFollows) {
    Form form;
    auto* a = form.Add<TextBox>("txtA");
    auto* b = form.Add<TextBox>("txtB");
    auto* c = form.Add<TextBox>("txtC");
    EXPECT_EQ(a->TabIndex(), 0);
    EXPECT_EQ(c->TabIndex(), 2);
    c->SetTabIndex(0);
    EXPECT_EQ(c->TabIndex(), 0);
    EXPECT_EQ(a->TabIndex(), 1);
    EXPECT_EQ(b->TabIndex(), 2);
    a->SetTabIndex(99);  // past the end: last
    EXPECT_EQ(a->TabIndex(), 2);
    a->Move(100, 100, 1000, 300);
    b->Move(100, 500, 1000, 300);
    c->Move(100, 900, 1000, 300);
    form.Show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    c->SetFocus();
    QTest::keyClick(c, Qt::Key_Tab);
    EXPECT_TRUE(b->hasFocus());
    QTest::keyClick(b, Qt::Key_Tab);
    EXPECT_TRUE(a->hasFocus());
    b->SetTabStop(false);
    c->SetFocus();
    QTest::keyClick(c, Qt::Key_Tab);
    EXPECT_TRUE(a->hasFocus());
    b->SetVisible(false);
    EXPECT_EQ(ErrorNumber([&] { b->SetFocus(); }), 5);
}

TEST(Geometry, TwipsOnFormsAndWhatWasAssignedReadsBack) {
    Form form;
    auto* t = form.Add<TextBox>("txtA");
    t->Move(1500, 300, 4000, 285);
    EXPECT_EQ(t->geometry(), QRect(100, 20, 267, 19));
    EXPECT_DOUBLE_EQ(t->Width(), 4000);  // not the pixel-rounded 4005
    EXPECT_DOUBLE_EQ(t->Left(), 1500);
    t->move(50, 20);  // moved by other means: read from the pixels
    EXPECT_DOUBLE_EQ(t->Left(), 750);
    EXPECT_EQ(ErrorNumber([&] { t->SetWidth(-1); }), 380);
}

TEST(Geometry, ChildrenOfAPictureBoxUseItsScale) {
    Form form;
    auto* pic = form.Add<QtPictureBox>("picChain");
    pic->SetBorderStyle(0);
    pic->Move(0, 0, 3000, 3000);  // 200 x 200 pixels
    pic->SetScaleLeft(0);
    pic->SetScaleTop(100);
    pic->SetScaleWidth(100);
    pic->SetScaleHeight(-100);
    auto* edit = form.Add<TextBox>("txtEdit", -1, pic);
    edit->Move(10, 80, 30, 10);  // top edge at y = 80 of a y-up scale
    EXPECT_EQ(edit->geometry(), QRect(20, 40, 60, 20));
    EXPECT_DOUBLE_EQ(edit->Top(), 80);
    EXPECT_DOUBLE_EQ(edit->Height(), 10);
}

TEST(Geometry, APictureBoxInTwipsUsesTheScreensTwipsPerPixel) {
    ScreenMetrics m;
    m.twipsPerPixelX = m.twipsPerPixelY = 12.0;  // 120 dpi
    SetScreenMetrics(&m);
    {
        Form form;
        auto* pic = form.Add<QtPictureBox>("picHost");
        pic->SetBorderStyle(0);
        pic->Move(0, 0, 2400, 1200);
        ASSERT_EQ(pic->size(), QSize(200, 100));
        pic->SetScaleMode(scale::Twips);
        EXPECT_FLOAT_EQ(pic->ScaleWidth(), 2400.0f);
        EXPECT_FLOAT_EQ(pic->ScaleHeight(), 1200.0f);
        EXPECT_DOUBLE_EQ(pic->ScaleX(1, scale::Pixels, scale::Twips), 12.0);
        auto* inPic = form.Add<TextBox>("txtInPic", -1, pic);
        auto* onForm = form.Add<TextBox>("txtOnForm");
        inPic->Move(1200, 600, 600, 240);
        onForm->Move(1200, 600, 600, 240);
        EXPECT_EQ(inPic->geometry(), onForm->geometry());
        EXPECT_EQ(inPic->geometry(), QRect(100, 50, 50, 20));
    }
    SetScreenMetrics(nullptr);
}

TEST(Geometry, FormSizesAreOuterSizesWithTheFixedFrameMetrics) {
    ScreenMetrics m;
    m.dlgFrameXPx = m.dlgFrameYPx = 3;
    m.captionHeightPx = 19;
    SetScreenMetrics(&m);
    {
        Form form;
        form.SetBorderStyle(borderstyle::FixedDialog);
        form.SetWidth(2265);   // 151 px
        form.SetHeight(2400);  // 160 px
        EXPECT_EQ(form.width(), 151 - 6);
        EXPECT_EQ(form.height(), 160 - 6 - 19);
        EXPECT_DOUBLE_EQ(form.Width(), 2265);
        EXPECT_DOUBLE_EQ(form.Height(), 2400);
        EXPECT_DOUBLE_EQ(form.ScaleWidth(), (151 - 6) * 15.0);
        form.SetWidth(0);
        form.SetHeight(0);
        EXPECT_GE(form.width(), 0);
        form.SetLeft(3000);
        EXPECT_DOUBLE_EQ(form.Left(), 3000);
        EXPECT_EQ(form.x(), 200);
    }
    SetScreenMetrics(nullptr);
    EXPECT_EQ(GetSystemMetrics(sm::CxVScroll), QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    EXPECT_EQ(Screen().widthPx, 800);  // the offscreen screen
    EXPECT_DOUBLE_EQ(Screen().twipsPerPixelX, 15.0);
}

TEST(FormLifeCycle, TheCloseBoxAndTheProgramGiveDifferentReasons) {
    Form form;
    std::vector<int> reasons;
    int loads = 0;
    QObject::connect(&form, &Form::LoadEvent, [&] { ++loads; });
    QObject::connect(&form, &Form::QueryUnload, [&](bool&, int reason) { reasons.push_back(reason); });
    form.Show();
    EXPECT_EQ(loads, 1);
    form.Show();
    EXPECT_EQ(loads, 1);
    // The close box: a spontaneous close event.
    QCloseEvent close;
    QSpontaneKeyEvent::setSpontaneous(&close);
    QApplication::instance()->notify(&form, &close);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.IsLoaded());
    form.Show();
    EXPECT_EQ(loads, 2);
    EXPECT_TRUE(form.Unload());
    EXPECT_EQ(reasons, (std::vector<int>{unloadreason::ControlMenu, unloadreason::FormCode}));
}

TEST(FormLifeCycle, QueryUnloadCanRefuseAndShowModalReturnsAfterUnload) {
    Form form;
    bool refuse = true;
    QObject::connect(&form, &Form::QueryUnload, [&](bool& cancel, int) { cancel = refuse; });
    auto* cancelButton = form.Add<CommandButton>("cmdButton", 0);
    cancelButton->SetCancel(true);
    cancelButton->SetLeft(-1000);
    QObject::connect(cancelButton->Events(), &ControlEvents::Click, [&] { form.Unload(); });
    auto* box = form.Add<TextBox>("txtA");
    box->Move(100, 100, 1000, 300);
    int step = 0;
    QTimer::singleShot(0, [&] {
        ++step;
        QApplication::setActiveWindow(&form);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Escape);  // refused
        EXPECT_TRUE(form.isVisible());
        refuse = false;
        QTest::keyClick(box, Qt::Key_Escape);
    });
    form.ShowModal();
    EXPECT_EQ(step, 1);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.isModal());
}

TEST(FormLifeCycle, AFormThatUnloadsItselfInLoadIsNotShown) {
    Form form;
    QObject::connect(&form, &Form::LoadEvent, [&] { form.Unload(); });
    bool waited = false;
    QTimer::singleShot(100, &form, [&] {
        waited = true;
        form.Unload();
    });
    form.ShowModal();
    EXPECT_FALSE(waited);  // returned at once instead of waiting on a form nobody loaded
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.isModal());
    form.Show();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.IsLoaded());
}

TEST(FormLifeCycle, MinimisingAModalFormDoesNotEndItsShowing) {
    Form form;
    bool stillWaiting = false;
    QTimer::singleShot(20, &form, [&] { form.showMinimized(); });
    QTimer::singleShot(200, &form, [&] {
        stillWaiting = true;
        form.Unload();
    });
    form.ShowModal();
    EXPECT_TRUE(stillWaiting);  // returned only on the unload, not on the minimise
    EXPECT_FALSE(form.isVisible());
}

TEST(TabPages, ChildrenShowOnlyOnTheirTabAndTabChangesClick) {
    Form form;
    auto* tabs = form.Add<TabControl>("tabMain");
    tabs->Move(0, 0, 6000, 4000);
    auto* onFirst = form.Add<Label>("labFirst", -1, tabs);
    tabs->SetTab(1);
    auto* onSecond = form.Add<Label>("labSecond", -1, tabs);
    tabs->SetTab(0);
    form.Show();
    EXPECT_TRUE(onFirst->isVisible());
    EXPECT_FALSE(onSecond->isVisible());
    EXPECT_TRUE(onSecond->Visible());  // the property is unchanged
    std::vector<int> previous;
    QObject::connect(tabs->Events(), &ControlEvents::Click, [&] { previous.push_back(tabs->PreviousTab()); });
    tabs->SetTab(1);
    tabs->SetTab(1);
    EXPECT_EQ(previous, (std::vector<int>{0}));
    EXPECT_FALSE(onFirst->isVisible());
    EXPECT_TRUE(onSecond->isVisible());
    tabs->Bar()->setCurrentIndex(2);  // as a click on the third tab
    EXPECT_EQ(previous, (std::vector<int>{0, 1}));
    EXPECT_EQ(tabs->Tab(), 2);
    tabs->SetTabCaption(0, "Data");
    EXPECT_EQ(tabs->TabCaption(0), "Data");
}

TEST(FormColours, LabelsOnATabTakeItsColourOthersTheMainWindows) {
    Form mainForm;
    mainForm.SetBackColor(0x336699);
    SetMainForm(&mainForm);
    Form about;
    auto* tabs = about.Add<TabControl>("tabInfo");
    tabs->SetBackColor(0x00AA00);
    auto* tabLabel = about.Add<Label>("labOnTab", -1, tabs);
    auto* frame = about.Add<Frame>("fraBox");
    auto* frameLabel = about.Add<Label>("labInFrame", -1, frame);
    auto* text = about.Add<TextBox>("txtName");
    auto* button = about.Add<CommandButton>("cmdOK");
    auto* pic = about.Add<QtPictureBox>("picLogo");
    const Colour textBefore = text->BackColor();
    const Colour frameBefore = frame->BackColor();
    MKelvaro::ApplyFormColours(about);
    EXPECT_EQ(about.BackColor(), 0x336699);
    EXPECT_EQ(tabLabel->BackColor(), 0x00AA00);
    EXPECT_EQ(frameLabel->BackColor(), 0x336699);
    EXPECT_EQ(button->BackColor(), 0x336699);
    EXPECT_EQ(pic->BackColor(), 0x336699);
    EXPECT_EQ(QColorToColour(QColor(pic->Image().pixel(0, 0))), 0x336699);
    EXPECT_EQ(text->BackColor(), textBefore);
    EXPECT_EQ(frame->BackColor(), frameBefore);
    EXPECT_EQ(frameLabel->palette().color(QPalette::Window), ColourToQColor(0x336699));
    // The form's colour does not spread into controls that keep their own.
    EXPECT_NE(frame->palette().color(QPalette::Window), ColourToQColor(0x336699));
    EXPECT_NE(text->palette().color(QPalette::Base), ColourToQColor(0x336699));
    SetMainForm(nullptr);
    EXPECT_EQ(ErrorNumber([&] { MKelvaro::ApplyFormColours(about); }), 91);
}

TEST(FormColours, TheTextWidthMeasureFollowsThePictureScale) {
    ImagePictureBox pic(200, 100);
    pic.SetScaleMode(scale::Pixels);
    auto measure = MKelvaro::PictureTextWidth(pic);
    const double px = measure("1.234e08");
    EXPECT_GT(px, 0);
    EXPECT_DOUBLE_EQ(px, static_cast<float>(pic.TextWidth("1.234e08")));
    pic.SetScaleWidth(20);  // 10 pixels a unit
    EXPECT_NEAR(measure("1.234e08"), px / 10, 1e-4);
}

TEST(CaptionFont, CellHeightsFromPointSizes) {
    EXPECT_EQ(CaptionCellHeightPx(10), 15);
    EXPECT_EQ(CaptionCellHeightPx(12), 18);
    EXPECT_EQ(CaptionCellHeightPx(8.25), 12);
    EXPECT_EQ(CaptionCellHeightPx(9), 14);  // 13.5: halves to even
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(3780);
    device.setDotsPerMeterY(3780);
    for (double points : {10.0, 12.0, 16.0}) {
        const QFont f = CaptionFont("MS San Serif", points, true);
        EXPECT_EQ(QFontMetrics(f, &device).height(), CaptionCellHeightPx(points)) << points;
        EXPECT_EQ(f.weight(), QFont::DemiBold);
    }
    // Where the face has no size of that cell, the next smaller one.
    const int h = QFontMetrics(CaptionFont("MS San Serif", 8.25, false), &device).height();
    EXPECT_LE(h, 12);
    EXPECT_GE(h, 10);
    EXPECT_EQ(CaptionFont("MS San Serif", 10, false).weight(), QFont::Normal);
}

}  // namespace
}  // namespace nuvir
