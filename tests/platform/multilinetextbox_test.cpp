// The multi-line text box, unlocked: typing becomes its CR LF text and raises Change.
#include <gtest/gtest.h>

#include <QTest>

#include "platform/form.h"
#include "platform/multilinetextbox.h"

namespace nuvir {
namespace {

TEST(MultiLineTextBox, TypingBecomesTheTextWithCrLfLines) {
    Form form;
    auto* box = form.Add<MultiLineTextBox>("txtList");
    box->SetLocked(false);
    int changes = 0;
    QObject::connect(box->Events(), &ControlEvents::Change, [&] { ++changes; });
    box->SetText("a\r\nb");
    EXPECT_EQ(changes, 1);

    box->moveCursor(QTextCursor::End);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClicks(box, "c");
    EXPECT_EQ(box->Text(), "a\r\nb\r\nc");
    EXPECT_EQ(changes, 3);
    box->SetText("a\r\nb\r\nc");  // what it already holds: no change
    EXPECT_EQ(changes, 3);

    box->SetLocked(true);
    QTest::keyClicks(box, "d");
    EXPECT_EQ(box->Text(), "a\r\nb\r\nc");
}

}  // namespace
}  // namespace nuvir
