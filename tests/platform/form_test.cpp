// Forms: the controls collection, tab order, geometry in twips, closing routes, tab
// pages, form colours and the caption font.
#include <QFontMetrics>
#include <QTabBar>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest/qtestspontaneevent.h>

#include "platform/captionfont.h"
#include "platform/controls.h"
#include "platform/formcolours.h"
#include "platform/qtpicturebox.h"
#include "platform_fixture.h"

namespace nuvir {
namespace {

using test::ErrorNumber;
using test::ScopedMetrics;

TEST(ControlsCollection, ControlsAreAddedByKindAndFoundByNameInAnyCase) {
    Form form;
    auto* pic = form.AddByType("Std.PictureBox", "chkArray1");
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->TypeName(), "PictureBox");
    EXPECT_FALSE(pic->Visible());  // run-time additions start hidden
    auto* box = form.AddByType("CheckBox", "chkArray1_0_0", pic);
    EXPECT_EQ(box->Container(), pic);
    EXPECT_EQ(box->Parent(), &form);
    EXPECT_EQ(form.Find("CHKARRAY1_0_0"), box);
    EXPECT_EQ(form.Controls(), (std::vector<Control*>{pic, box}));
    const struct {
        const char* name;
        std::function<void()> f;
        int error;
    } bad[] = {
        {"a name taken, in other case", [&] { form.AddByType("CheckBox", "chkarray1"); }, 727},
        {"an unknown kind", [&] { form.AddByType("Std.NoSuchThing", "x"); }, 711},
        {"removing what is not there", [&] { form.Remove("nothere"); }, 730},
    };
    for (const auto& c : bad) EXPECT_EQ(ErrorNumber(c.f), c.error) << c.name;
}

TEST(ControlsCollection, RemovingASurfaceRemovesWhatIsInsideAndFreesTheNames) {
    Form form;
    form.AddByType("PictureBox", "chkArray1");
    form.AddByType("CheckBox", "chkArray1_0_0", form.Find("chkArray1"));
    form.Remove("chkArray1");
    EXPECT_EQ(form.Find("chkArray1_0_0"), nullptr);
    EXPECT_TRUE(form.Controls().empty());
    EXPECT_NE(form.AddByType("PictureBox", "chkArray1"), nullptr);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(ControlsCollection, ARegisteredKindIsMadeByItsName) {
    Form form;
    Form::RegisterControlType("TestGrid", [] { return new Label(); });
    EXPECT_NE(dynamic_cast<Label*>(form.AddByType("TestLib.TestGrid", "flxFlexEdit1")), nullptr);
}

TEST(ControlsCollection, ControlArraysAreFoundByIndexInIndexOrder) {
    Form form;
    auto* t0 = form.Add<TextBox>("txtTextBox", 0);
    auto* t2 = form.Add<TextBox>("txtTextBox", 2);
    auto* t1 = form.Add<TextBox>("txtTextBox", 1);
    t1->SetTag("1");
    EXPECT_EQ(form.FindAs<TextBox>("txtTextBox", 1)->Tag(), "1");
    EXPECT_EQ(form.Find("txtTextBox"), nullptr);
    EXPECT_EQ(form.ControlArray("txtTextBox"), (std::vector<Control*>{t0, t1, t2}));
}

TEST(Geometry, TwipsOnFormsAndInPictureBoxScales) {
    Form form;
    auto* t = form.Add<TextBox>("txtA");
    t->Move(1500, 300, 4000, 285);
    EXPECT_EQ(t->geometry(), QRect(100, 20, 267, 19));
    EXPECT_DOUBLE_EQ(t->Width(), 4000);  // what was assigned, not the pixel-rounded 4005
    t->move(50, 20);                     // moved by other means: read from the pixels
    EXPECT_DOUBLE_EQ(t->Left(), 750);
    EXPECT_EQ(ErrorNumber([&] { t->SetWidth(-1); }), 380);
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
}

TEST(Geometry, ThePicturesTwipsAndTheFormsOuterSizeFollowTheScreenMetrics) {
    ScreenMetrics m;
    m.twipsPerPixelX = m.twipsPerPixelY = 12.0;  // 120 dpi; frames of 3 pixels, captions of 19
    ScopedMetrics scoped(m);
    Form form;
    auto* pic = form.Add<QtPictureBox>("picHost");
    pic->SetBorderStyle(0);
    pic->Move(0, 0, 2400, 1200);
    ASSERT_EQ(pic->size(), QSize(200, 100));
    pic->SetScaleMode(scale::Twips);
    EXPECT_FLOAT_EQ(pic->ScaleWidth(), 2400.0f);
    auto* inPic = form.Add<TextBox>("txtInPic", -1, pic);
    inPic->Move(1200, 600, 600, 240);
    EXPECT_EQ(inPic->geometry(), QRect(100, 50, 50, 20));
    form.SetBorderStyle(borderstyle::FixedDialog);
    form.SetWidth(151 * 12.0);
    form.SetHeight(160 * 12.0);
    EXPECT_EQ(form.size(), QSize(151 - 6, 160 - 6 - 19));
    EXPECT_DOUBLE_EQ(form.ScaleWidth(), (151 - 6) * 12.0);
    form.SetWidth(0);
    EXPECT_EQ(form.width(), 0);
    form.SetLeft(3000);
    EXPECT_EQ(form.x(), 250);
}

TEST(FormLifeCycle, TheCloseBoxAndTheProgramGiveDifferentReasons) {
    Form form;
    std::vector<int> reasons;
    int loads = 0;
    QObject::connect(&form, &Form::LoadEvent, [&] { ++loads; });
    QObject::connect(&form, &Form::QueryUnload, [&](bool&, int reason) { reasons.push_back(reason); });
    form.Show();
    form.Show();
    EXPECT_EQ(loads, 1);
    QCloseEvent close;  // the close box: a spontaneous close event
    QSpontaneKeyEvent::setSpontaneous(&close);
    QApplication::instance()->notify(&form, &close);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.IsLoaded());
    form.Show();
    EXPECT_EQ(loads, 2);
    EXPECT_TRUE(form.Unload());
    EXPECT_EQ(reasons, (std::vector<int>{unloadreason::ControlMenu, unloadreason::FormCode}));
}

TEST(FormLifeCycle, ShowModalReturnsOnlyOnceQueryUnloadLetsTheFormGo) {
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

TEST(FormLifeCycle, SelfUnloadingInLoadDoesNotConfuseShowModal) {
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

TEST(FormLifeCycle, BorderStylesReachTheWindow) {
    Form form;
    form.SetCaption("F");  // short enough that the title bar never widens the window
    form.SetBorderStyle(borderstyle::FixedDialog);
    form.SetWidth(3000);
    form.SetHeight(2000);
    form.Show();
    // A fixed dialog: no resizing by the user, no minimise or maximise button.
    const QSize size = form.size();
    EXPECT_EQ(form.windowType(), Qt::Dialog);
    EXPECT_EQ(form.minimumSize(), size);
    EXPECT_EQ(form.maximumSize(), size);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    form.resize(size + QSize(100, 100));  // as a drag on its frame would
    EXPECT_EQ(form.size(), size);
    form.SetWidth(4500);  // the program still sizes it
    EXPECT_EQ(form.width(), size.width() + 100);
    form.SetBorderStyle(borderstyle::FixedToolWindow);
    EXPECT_EQ(form.windowType(), Qt::Tool);
    form.SetBorderStyle(borderstyle::Sizable);
    form.resize(size);
    EXPECT_EQ(form.size(), size);
    EXPECT_TRUE(form.isVisible());
}

TEST(FormLifeCycle, AMinimisedModalFormComesBack) {
    Form form;
    // Minimised while modal, by whatever route, it is shown again at once, and
    // ShowModal returns only on the unload.
    // The form is watched from the minimise on, not from a fixed time, so that a loaded
    // machine that runs both timers in one turn of the event loop cannot fail it.
    bool cameBack = false;
    QTimer::singleShot(20, &form, [&] {
        form.showMinimized();
        auto* watch = new QTimer(&form);
        QElapsedTimer waited;
        waited.start();
        QObject::connect(watch, &QTimer::timeout, &form, [&form, &cameBack, watch, waited] {
            cameBack = !form.isMinimized() && form.isVisible();
            if (!cameBack && waited.elapsed() < 5000) return;
            watch->stop();
            form.Unload();
        });
        watch->start(10);
    });
    form.ShowModal();
    EXPECT_TRUE(cameBack);
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
    EXPECT_FALSE(onFirst->isVisible());
    EXPECT_TRUE(onSecond->isVisible());
    tabs->Bar()->setCurrentIndex(2);  // as a click on the third tab
    EXPECT_EQ(previous, (std::vector<int>{0, 1}));
    EXPECT_EQ(tabs->Tab(), 2);
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
    const Colour textBefore = text->BackColor(), frameBefore = frame->BackColor();
    MKelvaro::ApplyFormColours(about);
    const Colour main = 0x336699;
    const struct {
        const char* name;
        Colour colour, expected;
    } cases[] = {
        {"the form", about.BackColor(), main},
        {"a label on a tab: the tab's", tabLabel->BackColor(), 0x00AA00},
        {"a label in a frame", frameLabel->BackColor(), main},
        {"a button", button->BackColor(), main},
        {"a picture", pic->BackColor(), main},
        {"a picture's pixels", QColorToColour(QColor(pic->Image().pixel(0, 0))), main},
        {"a text box keeps its own", text->BackColor(), textBefore},
        {"a frame keeps its own", frame->BackColor(), frameBefore},
    };
    for (const auto& c : cases) EXPECT_EQ(c.colour, c.expected) << c.name;
    EXPECT_EQ(frameLabel->palette().color(QPalette::Window), ColourToQColor(main));
    // The form's colour does not spread into controls that keep their own.
    EXPECT_NE(frame->palette().color(QPalette::Window), ColourToQColor(main));
    EXPECT_NE(text->palette().color(QPalette::Base), ColourToQColor(main));
    SetMainForm(nullptr);
    EXPECT_EQ(ErrorNumber([&] { MKelvaro::ApplyFormColours(about); }), 91);
}

TEST(FormColours, TheTextWidthMeasureFollowsThePicturesScale) {
    ImagePictureBox measured(200, 100);
    measured.SetScaleMode(scale::Pixels);
    auto measure = MKelvaro::PictureTextWidth(measured);
    const double px = measure("1.234e08");
    EXPECT_DOUBLE_EQ(px, static_cast<float>(measured.TextWidth("1.234e08")));
    measured.SetScaleWidth(20);  // 10 pixels a unit
    EXPECT_NEAR(measure("1.234e08"), px / 10, 1e-4);
}

TEST(CaptionFont, CellHeightsFromPointSizes) {
    const std::pair<double, int> cells[] = {{10, 15}, {12, 18}, {8.25, 12}, {9, 14}};  // 13.5: halves to even
    for (const auto& [points, px] : cells) EXPECT_EQ(CaptionCellHeightPx(points), px) << points;
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
    EXPECT_GE(h, 10);
    EXPECT_LE(h, 12);
    EXPECT_EQ(CaptionFont("MS San Serif", 10, false).weight(), QFont::Normal);
}

}  // namespace
}  // namespace nuvir
