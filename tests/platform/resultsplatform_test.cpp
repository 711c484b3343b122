// Pieces of the platform the results page brought: appending to a multi-line text box,
// the popup menu seam, the mouse pointer, the owned-clipboard clear and the handler
// guard.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <QTextBlock>

#include <functional>
#include <string>

#include "formdriver.h"
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

// A text set or appended by code reads back as it was after an edit, its lines as the view's: Qt's
// plain text would make a line separator a line end and a no-break space a blank, and
// its editor ends a line at a paragraph separator and at U+FDD0 and U+FDD1. By hand:
// U+00A0 is UTF-8 C2 A0, U+2028 E2 80 A8, U+2029 E2 80 A9, U+FDD0 EF B7 90, U+FDD1
// EF B7 91, U+FFFD EF BF BD.
TEST(ResultsPlatform, ATextSetOrAppendedReadsBackAsItWasAfterAnEdit) {
    struct Case {
        const char* name;
        std::string text;
        int lines;  // the view's, the empty one after the last line end among them
    };
    const Case cases[] = {
        {"no-break space",
         "A\xC2\xA0"
         "B\r\nC\r\n",
         3},
        {"line separator",
         "A\xE2\x80\xA8"
         "B\r\n",
         2},
        {"paragraph separator",
         "A\xE2\x80\xA9"
         "B\r\n",
         2},
        {"U+FDD0 and U+FDD1",
         "A\xEF\xB7\x90"
         "B\xEF\xB7\x91"
         "C\r\n",
         2},
        {"U+FFFD beside what stands in", "\xEF\xBF\xBD\xEF\xB7\x90\xEF\xBF\xBD\r\n", 2},
        {"typed just after U+FDD0", "A\xEF\xB7\x90", 1},
    };
    for (const auto& c : cases) {
        for (const bool appended : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (appended ? ", appended" : ", set"));
            Form form;
            auto* box = form.Add<MultiLineTextBox>("txtBatch");
            box->SetLocked(false);
            if (appended) {
                box->AppendText(c.text);
            } else {
                box->SetText(c.text);
            }
            EXPECT_EQ(box->document()->blockCount(), c.lines);
            box->moveCursor(QTextCursor::End);
            QTest::keyClicks(box, "x");
            EXPECT_EQ(box->Text(), c.text + "x");
            box->selectAll();
            EXPECT_EQ(box->SelText(), c.text + "x");
            box->copy();
            std::string copied = c.text + "x";  // with Qt's line ends
            std::erase(copied, '\r');
            EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), copied);
        }
    }
}

// Pasted, dropped or typed, a line or paragraph separator is a blank and the rest stays
// as it is: the lines are those the text's line ends (CR LF, CR, LF; Enter typed) make,
// the caret just after the text, and after an undo and a redo of one edit too.
TEST(ResultsPlatform, PastedAndDroppedTextBreaksLinesOnlyAtLineEnds) {
    const QString text = QStringLiteral("L\u2028M\u2029N\r\nA\uFDD0B\u00A0C\uFDD1\rD\n");
    const std::string expected =
        "L M N\r\nA\xEF\xB7\x90"
        "B\xC2\xA0"
        "C\xEF\xB7\x91\r\nD\r\n";
    struct Case {
        const char* name;
        std::function<void(MultiLineTextBox&)> insert;
        bool oneEdit = true;
    };
    const Case cases[] = {
        {"paste", [&](MultiLineTextBox& box) { test::PasteText(box, text); }},
        {"drop", [&](MultiLineTextBox& box) { test::DropText(box.viewport(), text); }},
        {"typed", [&](MultiLineTextBox& box) { test::TypeChars(&box, text); }, false},
        {"typed, Shift+Enter for the line separator",
         [&](MultiLineTextBox& box) {
             const QStringList parts = text.split(QChar::LineSeparator);
             test::TypeChars(&box, parts[0]);
             QTest::keyClick(&box, Qt::Key_Return, Qt::ShiftModifier);
             test::TypeChars(&box, parts[1]);
         },
         false},
        {"committed by an input method", [&](MultiLineTextBox& box) { test::CommitText(&box, text); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Form form;
        auto* box = form.Add<MultiLineTextBox>("txtBatch");
        box->SetLocked(false);
        c.insert(*box);
        EXPECT_EQ(box->Text(), expected);
        EXPECT_EQ(box->textCursor().position(), text.size() - 1) << "just after it, CR LF one position";
        EXPECT_EQ(box->document()->blockCount(), 4);
        if (!c.oneEdit) continue;
        box->undo();
        EXPECT_EQ(box->Text(), "");
        box->redo();
        EXPECT_EQ(box->Text(), expected);
    }
}

// Text appended, pasted or typed just after U+FDD0 (shown by a stand-in), or at the start
// of a line that begins with one, is not read as that stand-in's: a U+FFFD of its own (EF
// BF BD) reads back as U+FFFD after an edit.
TEST(ResultsPlatform, TextAddedJustAfterAStandInKeepsItsOwnCharacters) {
    const std::string standIn = "\xEF\xB7\x90";
    const std::string added =
        "\xEF\xBF\xBD"
        "B";
    struct Case {
        const char* name;
        std::function<void(MultiLineTextBox&)> insert;
        bool atLineStart = false;
    };
    const QString typed = QString::fromStdString(added);
    const Case cases[] = {
        {"appended", [&](MultiLineTextBox& box) { box.AppendText(added); }},
        {"pasted", [&](MultiLineTextBox& box) { test::PasteText(box, typed); }},
        {"typed", [&](MultiLineTextBox& box) { test::TypeChars(&box, typed); }},
        {"committed by an input method", [&](MultiLineTextBox& box) { test::CommitText(&box, typed); }},
        {"typed at the line's start", [&](MultiLineTextBox& box) { test::TypeChars(&box, typed); }, true},
        {"committed at the line's start", [&](MultiLineTextBox& box) { test::CommitText(&box, typed); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Form form;
        auto* box = form.Add<MultiLineTextBox>("txtBatch");
        box->SetLocked(false);
        const std::string before = c.atLineStart ? standIn + "A" : "A" + standIn;
        box->SetText(before);
        box->moveCursor(c.atLineStart ? QTextCursor::Start : QTextCursor::End);
        c.insert(*box);
        box->moveCursor(QTextCursor::End);
        QTest::keyClicks(box, "x");
        EXPECT_EQ(box->Text(), (c.atLineStart ? added + before : before + added) + "x");
    }
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
