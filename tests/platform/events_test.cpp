// The control events as the windows rely on them, driven offscreen as a person would.
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <map>

#include "formdriver.h"
#include "platform/controls.h"
#include "platform/fakeservices.h"
#include "platform_fixture.h"

namespace nuvir {
namespace {

using test::ErrorNumber;
using Lines = std::vector<std::string>;

// Records events of several controls into one ordered log.
struct Log {
    Lines lines;
    void Watch(Control* c, const std::string& tag) {
        auto* ev = c->Events();
        QObject::connect(ev, &ControlEvents::GotFocus, [this, tag] { lines.push_back(tag + ".GotFocus"); });
        QObject::connect(ev, &ControlEvents::LostFocus, [this, tag] { lines.push_back(tag + ".LostFocus"); });
        QObject::connect(ev, &ControlEvents::Validate, [this, tag](bool&) { lines.push_back(tag + ".Validate"); });
        QObject::connect(ev, &ControlEvents::Click, [this, tag] { lines.push_back(tag + ".Click"); });
    }
    int Count(const std::string& line) const { return static_cast<int>(std::count(lines.begin(), lines.end(), line)); }
};

const Lines kMoved = {"A.Validate", "A.LostFocus", "B.GotFocus"};

// A shown, active form with two text boxes and a button; the focus on the first box.
struct FocusForm : ::testing::Test {
    Form form;
    TextBox* a = form.Add<TextBox>("txtA");
    TextBox* b = form.Add<TextBox>("txtB");
    CommandButton* btn = form.Add<CommandButton>("cmdGo");
    Log log;

    void SetUp() override {
        a->Move(120, 120, 1500, 300);
        b->Move(120, 600, 1500, 300);
        btn->Move(120, 1100, 1500, 400);
        form.SetWidth(4000);
        form.SetHeight(3000);
        test::ShowActive(form);
        a->SetFocus();
        QApplication::processEvents();
        ASSERT_TRUE(a->hasFocus());
        log.Watch(a, "A");
        log.Watch(b, "B");
    }
    void Tab() {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::qWait(20);
    }
};

TEST_F(FocusForm, TabValidatesThenLosesFocusThenTheNextGetsIt) {
    std::string activeDuringLostFocus;
    QObject::connect(a->Events(), &ControlEvents::LostFocus, [&] { activeDuringLostFocus = form.ActiveControl()->Name(); });
    Tab();
    EXPECT_EQ(log.lines, kMoved);
    EXPECT_EQ(LastFocusReason(), Qt::TabFocusReason);
    EXPECT_EQ(activeDuringLostFocus, "txtB");  // ActiveControl names the new control
    // Validate is skipped when the target does not cause validation.
    log.lines.clear();
    a->SetCausesValidation(false);
    a->SetFocus();
    QApplication::processEvents();
    EXPECT_EQ(log.lines, (Lines{"B.LostFocus", "A.GotFocus"}));
}

// A handler that refuses and takes the focus back leaves no revert behind; once it
// accepts, its SetFocus on the control it is leaving lets the move complete.
TEST_F(FocusForm, ACancelledValidateKeepsTheFocusWithoutFocusEvents) {
    bool refuse = true;
    QObject::connect(a->Events(), &ControlEvents::Validate, [&](bool& cancel) {
        cancel = refuse;
        a->SetFocus();
    });
    Tab();
    EXPECT_TRUE(a->hasFocus());
    EXPECT_EQ(log.lines, (Lines{"A.Validate"}));
    refuse = false;
    QTest::mouseClick(b, Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_TRUE(b->hasFocus());  // and stays there
    EXPECT_EQ(log.Count("A.Validate") * 10 + log.Count("B.GotFocus"), 21);
}

TEST_F(FocusForm, MenusAndOtherWindowsNeitherValidateNorMoveTheFocus) {
    MenuItem* file = form.AddMenu("mnuFile", "&File");
    form.AddMenu("mnuOpen", "&Open", file);
    QMenu* menu = file->Menu();
    menu->popup(form.mapToGlobal(QPoint(10, 10)));
    QApplication::processEvents();
    ASSERT_TRUE(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_Escape);
    menu->hide();
    QApplication::processEvents();
    // Entering the menu bar with Alt.
    QTest::keyPress(a, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(a, Qt::Key_Alt);
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), form.MenuBar());  // the bar is in keyboard mode
    QTest::keyClick(form.MenuBar(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(a->hasFocus());
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();
    // Another window taking the activation and giving it back.
    Form other;
    other.Add<TextBox>("txtOther")->Move(100, 100, 1000, 300);
    test::ShowActive(other);
    QApplication::processEvents();
    EXPECT_EQ(log.lines, (Lines{"A.LostFocus"}));
    test::ShowActive(form);
    QApplication::processEvents();
    EXPECT_EQ(log.lines, (Lines{"A.LostFocus", "A.GotFocus"}));
    EXPECT_EQ(form.ActiveControl(), a);
    log.lines.clear();
    Tab();  // a real move afterwards still validates
    EXPECT_EQ(log.lines, kMoved);
}

// A Validate handler that complains in a message box: the box takes the activation from
// the form while the focus is on its way to the other control.
TEST_F(FocusForm, AValidateThatComplainsInAMessageBox) {
    for (const bool refuse : {true, false}) {
        SCOPED_TRACE(refuse);
        log.lines.clear();
        const auto connection = QObject::connect(a->Events(), &ControlEvents::Validate, [&](bool& cancel) {
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
        QApplication::setActiveWindow(&form);  // the window manager gives the activation back
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        QTest::qWait(20);
        EXPECT_EQ((refuse ? a : b)->hasFocus(), true);
        EXPECT_EQ(log.lines, refuse ? Lines{"A.Validate"} : kMoved);
        QObject::disconnect(connection);
    }
}

TEST_F(FocusForm, KeyDownKeyPressKeyPreviewAndTabWithoutTabStops) {
    std::vector<int> codes;
    QObject::connect(a->Events(), &ControlEvents::KeyDown, [&](int& code, int) {
        codes.push_back(code);
        if (code != vk::Right) code = 0;  // consumed: still types, but an arrow does not move the caret
    });
    QObject::connect(a->Events(), &ControlEvents::KeyPress, [&](int& ascii) {
        if (ascii == 'x' || ascii == 13) ascii = 0;
        if (ascii == 'y') ascii = 'Z';
    });
    QTest::keyClicks(a, "axyb");
    QTest::keyClick(a, Qt::Key_Return);
    EXPECT_EQ(a->Text(), "aZb");
    EXPECT_EQ(codes, (std::vector<int>{'A', 'X', 'Y', 'B', 13}));
    a->SetSelStart(2);
    QTest::keyClick(a, Qt::Key_Left);
    EXPECT_EQ(a->SelStart(), 2);
    QTest::keyClick(a, Qt::Key_Right);
    EXPECT_EQ(a->SelStart(), 3);
    // The form sees keys first and may discard them.
    std::vector<std::string> order;
    form.SetKeyPreview(true);
    bool discardTab = false;
    QObject::connect(form.Events(), &ControlEvents::KeyPress, [&](int& ascii) {
        order.push_back("form");
        if (ascii == 'q' || (ascii == 9 && discardTab)) ascii = 0;
    });
    QObject::connect(b->Events(), &ControlEvents::KeyPress, [&](int&) { order.push_back("box"); });
    int shiftSeen = -1;
    QObject::connect(form.Events(), &ControlEvents::KeyDown, [&](int&, int shift) { shiftSeen = shift; });
    b->SetFocus();
    QTest::keyClicks(b, "pq");
    EXPECT_EQ(b->Text(), "p");
    EXPECT_EQ(order, (std::vector<std::string>{"form", "box", "form"}));
    QTest::keyClick(b, Qt::Key_Apostrophe, Qt::ControlModifier);
    EXPECT_EQ(shiftSeen, shiftstate::Ctrl);
    // Tab moves the focus unreported while another control takes it by Tab; when none
    // does, it comes as character 9, form first, and the focus stays.
    order.clear();
    Tab();
    EXPECT_TRUE(order.empty());
    b->SetFocus();
    a->SetTabStop(false);
    btn->SetTabStop(false);
    QTest::keyClick(b, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(ShiftKeyHeld());
    QTest::keyClick(b, Qt::Key_Tab);
    EXPECT_FALSE(ShiftKeyHeld());
    QTest::keyClick(b, Qt::Key_Backtab);
    EXPECT_TRUE(ShiftKeyHeld());
    discardTab = true;  // the form discarding it keeps it from the control
    QTest::keyClick(b, Qt::Key_Tab);
    EXPECT_EQ(order, (std::vector<std::string>{"form", "box", "form", "box", "form", "box", "form"}));
    EXPECT_TRUE(b->hasFocus());
    EXPECT_EQ(b->Text().find('\t'), std::string::npos) << "no tab character is typed";
}

TEST_F(FocusForm, EscapeClicksTheCancelButtonAndEnterOnlyTheDefaultOrTheFocusedOne) {
    int clicks = 0, otherClicks = 0;
    QObject::connect(btn->Events(), &ControlEvents::Click, [&] { ++clicks; });
    QTest::keyClick(a, Qt::Key_Return);
    EXPECT_EQ(clicks, 0);  // not the default button
    btn->SetDefault(true);
    QTest::keyClick(a, Qt::Key_Return);
    auto* other = form.Add<CommandButton>("cmdOther");
    other->SetVisible(true);
    QObject::connect(other->Events(), &ControlEvents::Click, [&] { ++otherClicks; });
    other->SetFocus();
    QTest::keyClick(other, Qt::Key_Return);  // a focused button, not the default
    btn->SetDefault(false);
    btn->SetCancel(true);
    btn->SetLeft(-1000);  // out of sight, still the cancel button
    QTest::keyClick(a, Qt::Key_Escape);
    EXPECT_EQ(clicks * 10 + otherClicks, 21);
}

TEST_F(FocusForm, TabIndicesRenumberAndTheFocusChainFollows) {
    btn->SetTabIndex(0);
    EXPECT_EQ(btn->TabIndex() * 100 + a->TabIndex() * 10 + b->TabIndex(), 12);
    a->SetTabIndex(99);  // past the end: last
    btn->SetFocus();
    Tab();
    EXPECT_TRUE(b->hasFocus());
    Tab();
    EXPECT_TRUE(a->hasFocus());
    b->SetTabStop(false);
    btn->SetFocus();
    Tab();
    EXPECT_TRUE(a->hasFocus());
    b->SetVisible(false);
    EXPECT_EQ(ErrorNumber([&] { b->SetFocus(); }), 5);
}

TEST_F(FocusForm, F1OpensHelpAtTheFormsContext) {
    FakeServices fakes;
    SetHelpFile("/opt/nuvir/PKelvaro3.hlp");
    form.SetHelpContextID(31);
    QTest::keyClick(a, Qt::Key_F1);
    ASSERT_EQ(fakes.help.calls.size(), 1u);
    EXPECT_EQ(fakes.help.calls[0].file, "/opt/nuvir/PKelvaro3.hlp");
    EXPECT_EQ(fakes.help.calls[0].context, 31);
    SetHelpFile("");
}

TEST(ControlEvents, CodeChangesRaiseChangeOrClickOnlyOnARealChange) {
    Form form;
    auto* t = form.Add<TextBox>("txtName");
    auto* bar = form.Add<ScrollBar>("vscLevel");
    auto* ud = form.Add<UpDown>("updLevels");
    auto* lab = form.Add<Label>("labLevel");
    auto* box = form.Add<CheckBox>("chkA");
    std::map<std::string, int> counts;
    for (Control* c : std::initializer_list<Control*>{t, bar, ud, lab, box}) {
        QObject::connect(c->Events(), &ControlEvents::Change, [&counts, c] { ++counts[c->Name() + ".Change"]; });
        QObject::connect(c->Events(), &ControlEvents::Click, [&counts, c] { ++counts[c->Name() + ".Click"]; });
    }
    int hooks = 0;
    QObject::connect(box, &CheckBox::BeforeToggle, [&] { ++hooks; });
    t->SetText("abc");
    t->SetText("abc");
    t->SetText("1\r\n2");
    EXPECT_EQ(t->Text(), "1\r\n2");  // CR LF kept as characters
    bar->SetMin(0);
    bar->SetMax(100);
    bar->SetValue(40);
    bar->SetValue(40);
    EXPECT_EQ(counts["vscLevel.Change"], 1);
    EXPECT_EQ(ErrorNumber([&] { bar->SetValue(101); }), 380);
    EXPECT_EQ(bar->focusPolicy(), Qt::StrongFocus);
    bar->SetMin(100);  // reversed: 100 at the top
    bar->SetMax(0);
    bar->SetValue(10);
    EXPECT_EQ(bar->Value(), 10);
    ud->SetMin(1);
    ud->SetMax(5);
    ud->SetValue(3);
    for (int i = 0; i < 3; ++i) ud->Step(+1);
    EXPECT_EQ(ud->Value(), 5);
    EXPECT_NE(ErrorNumber([&] { ud->SetValue(9); }), 0);
    lab->SetCaption("50%");
    lab->SetCaption("50%");
    lab->SetCaption("&Risks && costs");  // access keys are not shown
    EXPECT_EQ(lab->text().toStdString(), "Risks & costs");
    box->SetValue(1);  // code raises Click but not the toggle hook
    box->SetValue(1);
    box->SetValue(2);
    EXPECT_NE(ErrorNumber([&] { box->SetValue(3); }), 0);
    EXPECT_EQ(hooks, 0);
    counts.erase("vscLevel.Change");
    EXPECT_EQ(counts, (std::map<std::string, int>{{"txtName.Change", 2}, {"updLevels.Change", 3},
                                                  {"labLevel.Change", 2}, {"chkA.Click", 2}}));
}

TEST(ControlEvents, ListsOptionsAndMenus) {
    Form form;
    auto* combo = form.Add<ComboBox>("cboType");
    int clicks = 0, changes = 0;
    QObject::connect(combo->Events(), &ControlEvents::Click, [&] { ++clicks; });
    QObject::connect(combo->Events(), &ControlEvents::Change, [&] { ++changes; });
    combo->AddItem("Line");
    combo->AddItem("Bar");
    EXPECT_EQ(combo->ListIndex(), -1);  // filling leaves no selection
    combo->SetListIndex(0);
    EXPECT_EQ(combo->Text(), "Line");
    combo->AddItem("First", 0);
    EXPECT_EQ(combo->ListIndex() * 10 + combo->NewIndex(), 10);  // still "Line"
    EXPECT_NE(ErrorNumber([&] { combo->SetListIndex(9); }), 0);
    combo->Clear();
    EXPECT_EQ(combo->ListIndex(), -1);
    combo->SetStyle(0);  // editable: Change for its text
    combo->AddItem("alpha");
    combo->SetText("typed");
    EXPECT_EQ(combo->Text(), "typed");
    EXPECT_EQ(clicks * 10 + changes, 11);
    auto* o0 = form.Add<OptionButton>("optMode", 0);
    auto* o1 = form.Add<OptionButton>("optMode", 1);
    Log log;
    log.Watch(o0, "O0");
    log.Watch(o1, "O1");
    o0->SetValue(true);
    o1->SetValue(true);  // clicks it and clears the others
    EXPECT_FALSE(o0->Value());
    EXPECT_EQ(log.lines, (Lines{"O0.Click", "O1.Click"}));
    // A checked entry does not toggle itself; the handler inverts the mark, as the windows do.
    MenuItem* grid = form.AddMenu("mnuGrid", "&Grid", form.AddMenu("mnuView", "&View"));
    grid->SetChecked(true);
    QObject::connect(grid->Events(), &ControlEvents::Click, [&] { grid->SetChecked(!grid->Checked()); });
    grid->Trigger();
    EXPECT_FALSE(grid->Checked() || grid->Action()->isChecked());
    grid->SetEnabled(false);
    grid->Trigger();
    EXPECT_FALSE(grid->Checked());
    MenuItem* record = form.AddMenu("mnuRecord", "&Record");  // a command on the bar itself
    int records = 0;
    QObject::connect(record->Events(), &ControlEvents::Click, [&] { ++records; });
    record->Trigger();
    EXPECT_EQ(records, 1);
}

TEST(ControlEvents, MouseAndKeysOnBoxes) {
    Form form;
    auto* t = form.Add<TextBox>("txtEdit");
    auto* box = form.Add<CheckBox>("chkA");
    t->Move(100, 100, 1500, 300);
    box->Move(100, 600, 300, 300);
    t->SetText("0.25");
    t->SetLocked(true);  // a categorical value: typing is refused, a double click opens its table
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    int dbl = 0;
    QObject::connect(t->Events(), &ControlEvents::DblClick, [&] { ++dbl; });
    QTest::mouseDClick(t, Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
    EXPECT_EQ(dbl, 1);
    EXPECT_EQ(t->Text(), "0.25");
    // A user's toggle runs the hook first, with the old value.
    Lines order;
    const auto hook = QObject::connect(box, &CheckBox::BeforeToggle, [&] { order.push_back("hook" + std::to_string(box->Value())); });
    QObject::connect(box->Events(), &ControlEvents::Click, [&] { order.push_back("click" + std::to_string(box->Value())); });
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    EXPECT_EQ(order, (Lines{"hook0", "click1"}));
    // The hook may pre-set the value: clearing a checked box makes its toggle re-check it.
    QObject::disconnect(hook);
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

TEST(TimerEvents, EnablingARunningTimerDoesNotRestartItButANewIntervalDoes) {
    for (const int second : {300, 310}) {
        SCOPED_TRACE(second);
        Form form;
        Timer* t = form.Add<Timer>("tmrTick");
        QElapsedTimer clock;
        qint64 firstAt = -1;
        QObject::connect(t->Events(), &ControlEvents::Timer, [&] {
            if (firstAt < 0) firstAt = clock.elapsed();
        });
        clock.start();
        t->SetInterval(300);
        QTest::qWait(200);
        t->SetEnabled(true);
        t->SetInterval(second);
        QTRY_VERIFY_WITH_TIMEOUT(firstAt >= 0, 2000);
        if (second == 300) {
            EXPECT_LT(firstAt, 450);  // a restart would fire at 500 at the earliest
        } else {
            EXPECT_GE(firstAt, 490);
        }
        t->SetEnabled(false);
        EXPECT_FALSE(t->Running());
        t->SetEnabled(true);
        t->SetInterval(0);
        EXPECT_FALSE(t->Running());
    }
}

}  // namespace
}  // namespace nuvir
