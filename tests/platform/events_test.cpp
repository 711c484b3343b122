// The control events as the windows rely on them, driven offscreen as a person would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/form.h"
#include "platform/qtpicturebox.h"
#include "runtime/error.h"

namespace nuvir {
namespace {

// Records events of several controls into one ordered log.
struct Log {
    std::vector<std::string> lines;
    void Watch(Control* c, const std::string& tag) {
        auto* ev = c->Events();
        QObject::connect(ev, &ControlEvents::GotFocus, [this, tag] { lines.push_back(tag + ".GotFocus"); });
        QObject::connect(ev, &ControlEvents::LostFocus, [this, tag] { lines.push_back(tag + ".LostFocus"); });
        QObject::connect(ev, &ControlEvents::Validate, [this, tag](bool&) { lines.push_back(tag + ".Validate"); });
        QObject::connect(ev, &ControlEvents::Change, [this, tag] { lines.push_back(tag + ".Change"); });
        QObject::connect(ev, &ControlEvents::Click, [this, tag] { lines.push_back(tag + ".Click"); });
    }
    int Count(const std::string& line) const { return static_cast<int>(std::count(lines.begin(), lines.end(), line)); }
};

// A shown, active form with two text boxes and a button.
struct FocusForm : ::testing::Test {
    Form form;
    TextBox* a = nullptr;
    TextBox* b = nullptr;
    CommandButton* btn = nullptr;
    Log log;

    void SetUp() override {
        a = form.Add<TextBox>("txtA");
        b = form.Add<TextBox>("txtB");
        btn = form.Add<CommandButton>("cmdGo");
        a->Move(120, 120, 1500, 300);
        b->Move(120, 600, 1500, 300);
        btn->Move(120, 1100, 1500, 400);
        form.SetWidth(4000);
        form.SetHeight(3000);
        form.Show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        a->SetFocus();
        QApplication::processEvents();
        ASSERT_TRUE(a->hasFocus());
        log.Watch(a, "A");
        log.Watch(b, "B");
    }
};

TEST(TextBoxEvents, SettingTextInCodeRaisesChangeOncePerChange) {
    Form form;
    auto* t = form.Add<TextBox>("txtName");
    int changes = 0;
    QObject::connect(t->Events(), &ControlEvents::Change, [&] { ++changes; });
    t->SetText("abc");
    EXPECT_EQ(changes, 1);
    t->SetText("abc");
    EXPECT_EQ(changes, 1);
    t->SetText("1\r\n2");
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(t->Text(), "1\r\n2");  // CR LF kept as characters
}

TEST(TextBoxEvents, ADoubleClickOnALockedBoxRaisesDblClick) {
    Form form;
    auto* t = form.Add<TextBox>("txtEdit");
    t->Move(100, 100, 1500, 300);
    t->SetText("0.25");
    t->SetLocked(true);  // a categorical value: typing is refused, a double click opens its table
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    int dbl = 0;
    QObject::connect(t->Events(), &ControlEvents::DblClick, [&] { ++dbl; });
    QTest::mouseDClick(t, Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
    EXPECT_EQ(dbl, 1);
    EXPECT_EQ(t->Text(), "0.25");
}

TEST_F(FocusForm, TabValidatesThenLosesFocusThenTheNextGetsIt) {
    QTest::keyClick(a, Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_TRUE(b->hasFocus());
    ASSERT_EQ(log.lines, (std::vector<std::string>{"A.Validate", "A.LostFocus", "B.GotFocus"}));
    EXPECT_EQ(LastFocusReason(), Qt::TabFocusReason);
}

TEST_F(FocusForm, CancelledValidateKeepsTheFocusWithoutFocusEvents) {
    bool refuse = true;
    QObject::connect(a->Events(), &ControlEvents::Validate, [&](bool& cancel) { cancel = refuse; });
    QTest::keyClick(a, Qt::Key_Tab);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(a->hasFocus());
    EXPECT_EQ(log.lines, (std::vector<std::string>{"A.Validate"}));
    refuse = false;
    QTest::mouseClick(b, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(b->hasFocus());
    EXPECT_EQ(log.Count("A.Validate"), 2);
    EXPECT_EQ(log.Count("B.GotFocus"), 1);
}

TEST_F(FocusForm, AValidateHandlerThatTakesTheFocusBackLeavesNoRevertBehind) {
    bool refuse = true;
    QObject::connect(a->Events(), &ControlEvents::Validate, [&](bool& cancel) {
        cancel = refuse;
        if (refuse) a->SetFocus();
    });
    QTest::keyClick(a, Qt::Key_Tab);
    QTest::qWait(20);
    EXPECT_TRUE(a->hasFocus());
    EXPECT_EQ(log.Count("B.GotFocus"), 0);
    EXPECT_EQ(log.Count("B.LostFocus"), 0);
    refuse = false;
    QTest::keyClick(a, Qt::Key_Tab);
    QTest::qWait(20);
    EXPECT_TRUE(b->hasFocus());  // and stays there
    EXPECT_EQ(log.Count("B.GotFocus"), 1);
}

TEST_F(FocusForm, OpeningAMenuNeitherValidatesNorMovesTheFocus) {
    MenuItem* file = form.AddMenu("mnuFile", "&File");
    form.AddMenu("mnuOpen", "&Open", file);
    QMenu* menu = file->Menu();
    menu->popup(form.mapToGlobal(QPoint(10, 10)));
    QApplication::processEvents();
    ASSERT_TRUE(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_Escape);
    QApplication::processEvents();
    menu->hide();
    QApplication::processEvents();
    EXPECT_EQ(log.Count("A.Validate"), 0);
    EXPECT_EQ(log.Count("A.LostFocus"), 0);
    EXPECT_TRUE(a->hasFocus());
}

TEST_F(FocusForm, EnteringTheMenuBarWithAltNeitherValidatesNorLosesTheFocus) {
    MenuItem* file = form.AddMenu("mnuFile", "&File");
    form.AddMenu("mnuOpen", "&Open", file);
    QApplication::processEvents();
    QTest::keyPress(a, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(a, Qt::Key_Alt);
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), form.MenuBar());  // the bar is in keyboard mode
    QTest::keyClick(form.MenuBar(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(a->hasFocus());
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();
    // A real move afterwards still validates.
    QTest::keyClick(a, Qt::Key_Tab);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"A.Validate", "A.LostFocus", "B.GotFocus"}));
}

TEST_F(FocusForm, DeactivatingTheWindowLosesFocusWithoutValidate) {
    Form other;
    auto* t = other.Add<TextBox>("txtOther");
    t->Move(100, 100, 1000, 300);
    other.Show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QApplication::processEvents();
    EXPECT_EQ(log.Count("A.Validate"), 0);
    EXPECT_EQ(log.Count("A.LostFocus"), 1);
    // Back again: the control gets the focus back, still without Validate.
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QApplication::processEvents();
    EXPECT_EQ(log.Count("A.GotFocus"), 1);
    EXPECT_EQ(log.Count("A.Validate"), 0);
    EXPECT_EQ(form.ActiveControl(), a);
}

// A Validate handler that complains in a message box: the box takes the activation
// from the form while the focus is on its way to the other control.
struct ComplainingValidate : FocusForm {
    void Complain(bool refuse) {
        QObject::connect(a->Events(), &ControlEvents::Validate, [this, refuse](bool& cancel) {
            cancel = refuse;
            QTimer::singleShot(30, [] {
                if (QWidget* box = QApplication::activeModalWidget()) box->close();
            });
            QMessageBox box;
            box.setText("The value is not valid.");
            box.exec();
        });
        QTest::keyClick(a, Qt::Key_Tab);
        QApplication::processEvents();
        // The window manager gives the activation back when the box closes.
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        QTest::qWait(20);
    }
};

TEST_F(ComplainingValidate, ARefusalKeepsTheFocusAndTheOtherControlSeesNothing) {
    Complain(true);
    EXPECT_TRUE(a->hasFocus());
    EXPECT_EQ(log.lines, (std::vector<std::string>{"A.Validate"}));
}

TEST_F(ComplainingValidate, AnAcceptanceMovesTheFocusWithOneLostAndOneGot) {
    Complain(false);
    EXPECT_TRUE(b->hasFocus());
    EXPECT_EQ(log.lines, (std::vector<std::string>{"A.Validate", "A.LostFocus", "B.GotFocus"}));
}

TEST_F(FocusForm, ValidateIsSkippedWhenTheTargetDoesNotCauseValidation) {
    b->SetCausesValidation(false);
    b->SetFocus();
    QApplication::processEvents();
    EXPECT_EQ(log.lines, (std::vector<std::string>{"A.LostFocus", "B.GotFocus"}));
}

TEST_F(FocusForm, ActiveControlNamesTheNewControlDuringLostFocus) {
    std::string seen;
    QObject::connect(a->Events(), &ControlEvents::LostFocus, [&] {
        Control* c = form.ActiveControl();
        seen = c ? c->Name() : "";
    });
    QTest::keyClick(a, Qt::Key_Tab);
    EXPECT_EQ(seen, "txtB");
}

TEST_F(FocusForm, KeyDownConsumedStillTypesTheCharacter) {
    std::vector<int> codes;
    QObject::connect(a->Events(), &ControlEvents::KeyDown, [&](int& code, int) {
        codes.push_back(code);
        code = 0;
    });
    QTest::keyClicks(a, "ab");
    EXPECT_EQ(a->Text(), "ab");
    EXPECT_EQ(codes, (std::vector<int>{'A', 'B'}));
}

TEST_F(FocusForm, KeyPressCanDropOrReplaceTheCharacter) {
    QObject::connect(a->Events(), &ControlEvents::KeyPress, [&](int& ascii) {
        if (ascii == 'x') ascii = 0;
        if (ascii == 'y') ascii = 'Z';
        if (ascii == 13) ascii = 0;
    });
    QTest::keyClicks(a, "axyb");
    QTest::keyClick(a, Qt::Key_Return);
    EXPECT_EQ(a->Text(), "aZb");
}

TEST_F(FocusForm, ConsumedArrowKeyDoesNotMoveTheCaret) {
    a->SetText("hello");
    a->SetSelStart(2);
    QObject::connect(a->Events(), &ControlEvents::KeyDown, [&](int& code, int) {
        if (code == vk::Left) code = 0;
    });
    QTest::keyClick(a, Qt::Key_Left);
    EXPECT_EQ(a->SelStart(), 2);
    QTest::keyClick(a, Qt::Key_Right);
    EXPECT_EQ(a->SelStart(), 3);
}

TEST_F(FocusForm, KeyPreviewLetsTheFormSeeAndDiscardKeysFirst) {
    std::vector<std::string> order;
    form.SetKeyPreview(true);
    QObject::connect(form.Events(), &ControlEvents::KeyPress, [&](int& ascii) {
        order.push_back("form");
        if (ascii == 'q') ascii = 0;
    });
    QObject::connect(a->Events(), &ControlEvents::KeyPress, [&](int&) { order.push_back("box"); });
    int shiftSeen = -1;
    QObject::connect(form.Events(), &ControlEvents::KeyDown, [&](int&, int shift) { shiftSeen = shift; });
    QTest::keyClicks(a, "pq");
    EXPECT_EQ(a->Text(), "p");
    EXPECT_EQ(order, (std::vector<std::string>{"form", "box", "form"}));
    QTest::keyClick(a, Qt::Key_Apostrophe, Qt::ControlModifier);
    EXPECT_EQ(shiftSeen, shiftstate::Ctrl);
}

TEST_F(FocusForm, EscapeClicksTheCancelButtonAndEnterOnlyTheDefault) {
    int clicks = 0;
    QObject::connect(btn->Events(), &ControlEvents::Click, [&] { ++clicks; });
    QTest::keyClick(a, Qt::Key_Return);
    EXPECT_EQ(clicks, 0);  // not the default button
    btn->SetDefault(true);
    QTest::keyClick(a, Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    btn->SetDefault(false);
    btn->SetCancel(true);
    btn->SetLeft(-1000);  // out of sight, still the cancel button
    QTest::keyClick(a, Qt::Key_Escape);
    EXPECT_EQ(clicks, 2);
}

TEST_F(FocusForm, EnterOnAFocusedButtonPressesThatButtonNotTheDefault) {
    auto* other = form.Add<CommandButton>("cmdOther");
    other->SetVisible(true);
    int defaultClicks = 0, otherClicks = 0;
    QObject::connect(btn->Events(), &ControlEvents::Click, [&] { ++defaultClicks; });
    QObject::connect(other->Events(), &ControlEvents::Click, [&] { ++otherClicks; });
    btn->SetDefault(true);
    other->SetFocus();
    QTest::keyClick(other, Qt::Key_Return);
    EXPECT_EQ(otherClicks, 1);
    EXPECT_EQ(defaultClicks, 0);
}

TEST(CheckBoxEvents, CodeRaisesClickButNotTheToggleHook) {
    Form form;
    auto* box = form.Add<CheckBox>("chkA");
    int clicks = 0, hooks = 0;
    QObject::connect(box->Events(), &ControlEvents::Click, [&] { ++clicks; });
    QObject::connect(box, &CheckBox::BeforeToggle, [&] { ++hooks; });
    box->SetValue(1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(hooks, 0);
    box->SetValue(1);
    EXPECT_EQ(clicks, 1);
    box->SetValue(2);
    EXPECT_EQ(box->Value(), 2);
    EXPECT_THROW(box->SetValue(3), AppError);
}

TEST(CheckBoxEvents, UserToggleRunsTheHookFirstWithTheOldValue) {
    Form form;
    auto* box = form.Add<CheckBox>("chkA");
    box->Move(100, 100, 300, 300);
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    std::vector<std::string> order;
    QObject::connect(box, &CheckBox::BeforeToggle, [&] { order.push_back("hook" + std::to_string(box->Value())); });
    QObject::connect(box->Events(), &ControlEvents::Click, [&] { order.push_back("click" + std::to_string(box->Value())); });
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    EXPECT_EQ(order, (std::vector<std::string>{"hook0", "click1"}));
    // The hook may pre-set the value: clearing a checked box makes its toggle re-check it.
    order.clear();
    QObject::disconnect(box, &CheckBox::BeforeToggle, nullptr, nullptr);
    QObject::connect(box, &CheckBox::BeforeToggle, [&] {
        if (box->Value() == 1) box->SetValue(0);
    });
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    EXPECT_EQ(box->Value(), 1);
    // Space toggles on release, once.
    box->setFocus();
    int hooks = 0;
    QObject::connect(box, &CheckBox::BeforeToggle, [&] { ++hooks; });
    QTest::keyPress(box, Qt::Key_Space);
    EXPECT_EQ(hooks, 0);
    QTest::keyRelease(box, Qt::Key_Space);
    EXPECT_EQ(hooks, 1);
}

TEST(OptionButtonEvents, SettingOneInCodeClicksItAndClearsTheOthers) {
    Form form;
    auto* o0 = form.Add<OptionButton>("optMode", 0);
    auto* o1 = form.Add<OptionButton>("optMode", 1);
    Log log;
    log.Watch(o0, "O0");
    log.Watch(o1, "O1");
    o0->SetValue(true);
    o1->SetValue(true);
    EXPECT_FALSE(o0->Value());
    EXPECT_TRUE(o1->Value());
    EXPECT_EQ(log.lines, (std::vector<std::string>{"O0.Click", "O1.Click"}));
    o1->SetValue(false);
    EXPECT_FALSE(o1->Value());
    EXPECT_EQ(form.ControlArray("OPTMODE").size(), 2u);
}

TEST(ComboBoxEvents, FillingLeavesNoSelectionAndCodeSelectionClicks) {
    Form form;
    auto* combo = form.Add<ComboBox>("cboType");
    int clicks = 0;
    QObject::connect(combo->Events(), &ControlEvents::Click, [&] { ++clicks; });
    combo->AddItem("Line");
    combo->AddItem("Bar");
    EXPECT_EQ(combo->ListIndex(), -1);
    EXPECT_EQ(clicks, 0);
    combo->SetListIndex(0);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(combo->Text(), "Line");
    combo->AddItem("First", 0);
    EXPECT_EQ(combo->ListIndex(), 1);  // still "Line"
    EXPECT_EQ(combo->NewIndex(), 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_THROW(combo->SetListIndex(9), AppError);
    combo->Clear();
    EXPECT_EQ(combo->ListIndex(), -1);
    EXPECT_EQ(clicks, 1);
}

TEST(ComboBoxEvents, AnEditableComboRaisesChangeForItsText) {
    Form form;
    auto* combo = form.Add<ComboBox>("cboName");
    combo->SetStyle(0);
    combo->SetStyle(0);
    int changes = 0, clicks = 0;
    QObject::connect(combo->Events(), &ControlEvents::Change, [&] { ++changes; });
    QObject::connect(combo->Events(), &ControlEvents::Click, [&] { ++clicks; });
    combo->AddItem("alpha");
    EXPECT_EQ(combo->ListIndex(), -1);
    combo->SetText("typed");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(combo->Text(), "typed");
    EXPECT_EQ(clicks, 0);
}

TEST(ScrollAndUpDownEvents, CodeChangesRaiseChangeOnlyOnARealChange) {
    Form form;
    auto* bar = form.Add<ScrollBar>("vscLevel");
    auto* ud = form.Add<UpDown>("updLevels");
    int barChanges = 0, udChanges = 0;
    QObject::connect(bar->Events(), &ControlEvents::Change, [&] { ++barChanges; });
    QObject::connect(ud->Events(), &ControlEvents::Change, [&] { ++udChanges; });
    bar->SetMin(0);
    bar->SetMax(100);
    bar->SetValue(40);
    bar->SetValue(40);
    EXPECT_EQ(barChanges, 1);
    EXPECT_THROW(bar->SetValue(101), AppError);
    EXPECT_EQ(bar->focusPolicy(), Qt::StrongFocus);
    bar->SetMin(100);  // reversed: 100 at the top
    bar->SetMax(0);
    bar->SetValue(10);
    EXPECT_EQ(bar->Value(), 10);
    ud->SetMin(1);
    ud->SetMax(5);
    ud->SetValue(3);
    ud->Step(+1);
    ud->Step(+1);
    ud->Step(+1);
    EXPECT_EQ(ud->Value(), 5);
    EXPECT_EQ(udChanges, 3);
    EXPECT_THROW(ud->SetValue(9), AppError);
}

TEST(LabelEvents, CaptionChangeRaisesChangeAndAccessKeysAreNotShown) {
    Form form;
    auto* lab = form.Add<Label>("labLevel");
    int changes = 0;
    QObject::connect(lab->Events(), &ControlEvents::Change, [&] { ++changes; });
    lab->SetCaption("50%");
    lab->SetCaption("50%");
    EXPECT_EQ(changes, 1);
    lab->SetCaption("&Risks && costs");
    EXPECT_EQ(lab->text().toStdString(), "Risks & costs");
    EXPECT_EQ(lab->Caption(), "&Risks && costs");
}

TEST(MenuEvents, ACheckedEntryDoesNotToggleItself) {
    Form form;
    MenuItem* view = form.AddMenu("mnuView", "&View");
    MenuItem* grid = form.AddMenu("mnuGrid", "&Grid", view);
    grid->SetChecked(true);
    bool seen = false;
    QObject::connect(grid->Events(), &ControlEvents::Click, [&] { seen = grid->Checked(); });
    grid->Trigger();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(grid->Checked());
    EXPECT_TRUE(grid->Action()->isChecked());
    // The handler inverts the mark itself, as the windows do.
    QObject::disconnect(grid->Events(), &ControlEvents::Click, nullptr, nullptr);
    QObject::connect(grid->Events(), &ControlEvents::Click, [&] { grid->SetChecked(!grid->Checked()); });
    grid->Trigger();
    EXPECT_FALSE(grid->Checked());
    EXPECT_FALSE(grid->Action()->isChecked());
    grid->SetEnabled(false);
    grid->Trigger();
    EXPECT_FALSE(grid->Checked());
    MenuItem* record = form.AddMenu("mnuRecord", "&Record");  // a command on the bar itself
    int records = 0;
    QObject::connect(record->Events(), &ControlEvents::Click, [&] { ++records; });
    record->Trigger();
    EXPECT_EQ(records, 1);
}

// A timer on a form, with the milliseconds from the start of the test to its first
// Timer event (-1 until it fires).
struct TimerEvents : ::testing::Test {
    Form form;
    Timer* t = form.Add<Timer>("tmrTick");
    QElapsedTimer clock;
    qint64 firstAt = -1;
    void SetUp() override {
        QObject::connect(t->Events(), &ControlEvents::Timer, [this] {
            if (firstAt < 0) firstAt = clock.elapsed();
        });
        clock.start();
    }
};

TEST_F(TimerEvents, EnablingARunningTimerDoesNotRestartIt) {
    t->SetInterval(300);
    EXPECT_TRUE(t->Running());
    QTest::qWait(200);
    t->SetEnabled(true);
    t->SetInterval(300);
    QTRY_VERIFY_WITH_TIMEOUT(firstAt >= 0, 2000);
    EXPECT_LT(firstAt, 450);  // a restart would fire at 500 at the earliest
    t->SetEnabled(false);
    EXPECT_FALSE(t->Running());
    t->SetEnabled(true);
    t->SetInterval(0);
    EXPECT_FALSE(t->Running());
}

TEST_F(TimerEvents, ANewIntervalRestartsTheCount) {
    t->SetInterval(300);
    QTest::qWait(200);
    t->SetInterval(310);
    QTRY_VERIFY_WITH_TIMEOUT(firstAt >= 0, 2000);
    EXPECT_GE(firstAt, 490);
}

}  // namespace
}  // namespace nuvir
