// Pieces of the platform the results page brought: appending to a multi-line text box,
// the popup menu seam, the mouse pointer, the owned-clipboard clear and the handler
// guard.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <QTextBlock>

#include <string>

#include "platform/clipboardowner.h"
#include "platform/controls.h"
#include "support/fakeservices.h"
#include "platform/form.h"
#include "platform/handlerguard.h"
#include "platform/mousepointer.h"
#include "platform/multilinetextbox.h"
#include "support/fakepopupmenu.h"
#include "platform/screen.h"
#include "platform/windowutilities.h"
#include "runtime/error.h"

namespace nuvir {
namespace {

// Appended and typed lines alike become CR LF text; only real changes raise Change.
TEST(ResultsPlatform, AppendedAndTypedLinesKeepCrLfAndTabsInTheText) {
    Form form;
    auto* box = form.Add<MultiLineTextBox>("txtMonte");
    int changes = 0;
    QObject::connect(box->Events(), &ControlEvents::Change, [&] { ++changes; });
    box->AppendText("1\t2\r\n");
    box->AppendText("3\t4\r\n");
    EXPECT_EQ(box->Text(), "1\t2\r\n3\t4\r\n");
    EXPECT_EQ(box->toPlainText().toStdString(), "1\t2\n3\t4\n");
    EXPECT_EQ(changes, 2);
    box->selectAll();
    EXPECT_EQ(box->SelText(), "1\t2\r\n3\t4\r\n");
    box->SetLocked(false);
    box->SetText("a\r\nb");
    box->moveCursor(QTextCursor::End);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClicks(box, "c");
    EXPECT_EQ(box->Text(), "a\r\nb\r\nc");
    box->SetText("a\r\nb\r\nc");  // what it already holds: no change
    EXPECT_EQ(changes, 5);
    box->SetLocked(true);
    QTest::keyClicks(box, "d");
    EXPECT_EQ(box->Text(), "a\r\nb\r\nc");
}

// A box three lines high after five appended lines shows lines 3 to 5, the newest at
// the bottom; Ctrl+Home still brings the first back.
TEST(ResultsPlatform, AppendingShowsTheLatestLinesWithTheNewestAtTheBottom) {
    Form form;
    auto* box = form.Add<MultiLineTextBox>("txtMonte");
    const int line = box->fontMetrics().lineSpacing();
    const int height = 2 * box->frameWidth() + 3 * line + line / 2;
    box->Move(0, 0, PxToTwipsX(300), PxToTwipsY(height));
    form.show();
    QCoreApplication::processEvents();
    for (int k = 1; k <= 5; ++k) box->AppendText("line " + std::to_string(k) + "\r\n");
    const auto lineAt = [&](int y) { return box->cursorForPosition(QPoint(4, y)).block().text().toStdString(); };
    EXPECT_EQ(lineAt(line / 2), "line 3");
    EXPECT_EQ(lineAt(3 * line - line / 2), "line 5");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(lineAt(line / 2), "line 1");
}

TEST(ResultsPlatform, TheScriptedPopupRecordsTheMenuAndChoosesAnEntry) {
    Form form;
    MenuItem* popup = form.AddMenu("mnuMain", "Popup", nullptr, 4);
    MenuItem* show = form.AddMenu("mnuItem", "Show", popup, 0);
    form.AddMenu("mnuItem", "-", popup, 1);
    MenuItem* copy = form.AddMenu("mnuItem", "Copy", popup, 2);
    int shown = 0, copied = 0;
    QObject::connect(show->Events(), &ControlEvents::Click, [&] { ++shown; });
    QObject::connect(copy->Events(), &ControlEvents::Click, [&] { ++copied; });
    copy->SetEnabled(false);

    FakePopupMenu fake;
    fake.QueueChoice(2);  // disabled: nothing happens
    fake.QueueChoice(0);
    PopupMenu(*popup);
    PopupMenu(*popup);
    PopupMenu(*popup);  // nothing queued: dismissed
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(copied, 0);
    ASSERT_EQ(fake.shown.size(), 3u);
    ASSERT_EQ(fake.shown[0].size(), 3u);
    EXPECT_EQ(fake.shown[0][0].caption, "Show");
    EXPECT_EQ(fake.shown[0][1].caption, "-");
    EXPECT_FALSE(fake.shown[0][2].enabled);
}

TEST(ResultsPlatform, TheHourglassIsSetNotStacked) {
    SetScreenMousePointer(mousepointer::Hourglass);
    SetScreenMousePointer(mousepointer::Hourglass);
    EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
    SetScreenMousePointer(mousepointer::Default);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "one default undoes both";
}

TEST(ResultsPlatform, OnlyTheProgramsOwnClipboardIsCleared) {
    QGuiApplication::clipboard()->setText("someone else's");
    SetClipboardOwnerQuery([] { return false; });
    EXPECT_FALSE(ClearOwnedClipboard());
    EXPECT_EQ(MUtilities::ClipboardText(), "someone else's");
    SetClipboardOwnerQuery([] { return true; });
    EXPECT_TRUE(ClearOwnedClipboard());
    EXPECT_EQ(MUtilities::ClipboardText(), "");
    SetClipboardOwnerQuery({});
}

TEST(ResultsPlatform, TheGuardShowsOrSwallowsAndNeverThrows) {
    FakeServices services;
    EXPECT_TRUE(RunGuarded(GuardPolicy::ShowMessage, "T", [] {}));
    EXPECT_FALSE(RunGuarded(GuardPolicy::Swallow, "T", [] { throw std::runtime_error("x"); }));
    EXPECT_TRUE(services.messageBox.calls.empty());
    EXPECT_FALSE(RunGuarded(GuardPolicy::ShowMessage, "Error running Monte Carlo simulation",
                            [] { RaiseComponentError("Invalid array passed to CMonteCarlo.RunSimulation"); }));
    ASSERT_EQ(services.messageBox.calls.size(), 1u);
    EXPECT_EQ(services.messageBox.calls[0].text, "Invalid array passed to CMonteCarlo.RunSimulation");
    EXPECT_EQ(services.messageBox.calls[0].title, "Error running Monte Carlo simulation");
    EXPECT_EQ(services.messageBox.calls[0].style, mb::OKOnly);
}

}  // namespace
}  // namespace nuvir
