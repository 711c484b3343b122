// The multi-line text box: CR LF text in and out, Change from code and typing.
#include <gtest/gtest.h>

#include <QTest>

#include "platform/form.h"
#include "platform/multilinetextbox.h"

namespace nuvir {
namespace {

TEST(MultiLineTextBox, KeepsCrLfLinesAndRaisesChangeFromCodeAndTyping) {
    Form form;
    auto* box = form.Add<MultiLineTextBox>("txtList");
    int changes = 0;
    QObject::connect(box->Events(), &ControlEvents::Change, [&] { ++changes; });
    box->SetText("a\r\nb\nc\rd");
    EXPECT_EQ(box->Text(), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(changes, 1);
    box->SetText("a\r\nb\r\nc\r\nd");  // the same text
    EXPECT_EQ(changes, 1);

    box->moveCursor(QTextCursor::End);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClicks(box, "e");
    EXPECT_EQ(box->Text(), "a\r\nb\r\nc\r\nd\r\ne");
    EXPECT_EQ(changes, 3);
    box->SetLocked(true);
    QTest::keyClicks(box, "f");
    EXPECT_EQ(box->Text(), "a\r\nb\r\nc\r\nd\r\ne");
}

}  // namespace
}  // namespace nuvir
