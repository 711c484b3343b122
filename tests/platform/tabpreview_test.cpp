// Tab through the form's key preview once the form has no tab stops left, the Shift
// state that comes with it, and SetFocus from inside a control's own Validate.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <vector>

#include "platform/controls.h"
#include "platform/form.h"

namespace nuvir {
namespace {

struct TabForm : ::testing::Test {
    Form form;
    TextBox* a = nullptr;
    TextBox* b = nullptr;
    std::vector<int> formKeys, boxKeys;

    void SetUp() override {
        a = form.Add<TextBox>("txtA");
        b = form.Add<TextBox>("txtB");
        a->Move(120, 120, 1500, 300);
        b->Move(120, 600, 1500, 300);
        form.SetWidth(4000);
        form.SetHeight(3000);
        form.SetKeyPreview(true);
        form.Show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        a->SetFocus();
        QApplication::processEvents();
        QObject::connect(form.Events(), &ControlEvents::KeyPress, [this](int& k) { formKeys.push_back(k); });
        QObject::connect(a->Events(), &ControlEvents::KeyPress, [this](int& k) { boxKeys.push_back(k); });
    }
};

TEST_F(TabForm, WhileAnotherControlTakesTabTheKeyMovesTheFocusUnreported) {
    QTest::keyClick(a, Qt::Key_Tab);
    EXPECT_TRUE(b->hasFocus());
    EXPECT_TRUE(formKeys.empty());
}

TEST_F(TabForm, WithoutTabStopsTheFormSeesTabOnceAndTheFocusStays) {
    b->SetTabStop(false);
    QTest::keyClick(a, Qt::Key_Tab);
    EXPECT_EQ(formKeys, std::vector<int>{9});
    EXPECT_EQ(boxKeys, std::vector<int>{9});
    EXPECT_FALSE(ShiftKeyHeld());
    EXPECT_TRUE(a->hasFocus());
    EXPECT_EQ(a->Text(), "") << "no tab character is typed";
}

TEST_F(TabForm, ShiftTabArrivesWithShiftHeldInEitherForm) {
    b->SetTabStop(false);
    QTest::keyClick(a, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(ShiftKeyHeld());
    QTest::keyClick(a, Qt::Key_A);
    EXPECT_FALSE(ShiftKeyHeld());
    QTest::keyClick(a, Qt::Key_Backtab);
    EXPECT_TRUE(ShiftKeyHeld());
    EXPECT_EQ(formKeys.size(), 3u);
    EXPECT_TRUE(a->hasFocus());
}

TEST_F(TabForm, TheFormDiscardingTabKeepsItFromTheControl) {
    b->SetTabStop(false);
    QObject::connect(form.Events(), &ControlEvents::KeyPress, [](int& k) {
        if (k == 9) k = 0;
    });
    QTest::keyClick(a, Qt::Key_Tab);
    EXPECT_TRUE(boxKeys.empty());
    EXPECT_TRUE(a->hasFocus());
}

TEST_F(TabForm, SetFocusFromInsideItsOwnValidateLetsTheFocusMoveOn) {
    int validates = 0;
    QObject::connect(a->Events(), &ControlEvents::Validate, [&](bool&) {
        ++validates;
        a->SetFocus();
    });
    b->SetFocus();
    QApplication::processEvents();
    EXPECT_TRUE(b->hasFocus());
    EXPECT_EQ(validates, 1);
    a->SetFocus();  // outside a Validate it works as ever
    EXPECT_TRUE(a->hasFocus());
}

}  // namespace
}  // namespace nuvir
