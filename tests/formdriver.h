#pragma once
// Driving a shown window as a person would: keys go to the widget with the focus, as a
// keyboard's do; clicks with the left button; a picture of the window into the build
// folder for a person to look at.
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/form.h"

namespace nuvir::test {

// Shows the form (modeless, so the test goes on) and makes it the active window.
inline void ShowActive(Form& form) {
    form.Show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
}
inline QWidget* Focus() { return QApplication::focusWidget(); }
// Lets queued events (the coalesced resize, deferred deletes, a zero timer a handler
// started) run: what was queued is done after it, however busy the machine.
inline void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}
inline void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(Focus(), key, mods); }
inline void Type(const char* text) { QTest::keyClicks(Focus(), QString::fromUtf8(text)); }
// Selects all of the focused box's text and types over it.
inline void Retype(const char* text) {
    Key(Qt::Key_A, Qt::ControlModifier);
    Type(text);
}
inline void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
// Pastes text into a box through the clipboard, as Ctrl+V would.
inline void PasteText(QPlainTextEdit& box, const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    box.paste();
}
// Types text as a keyboard holding each of its characters would (as `xdotool type` does):
// a key for each character, its text the character, and Enter for each line end.
inline void TypeChars(QWidget* w, const QString& text) {
    const QString keys = QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const QChar c : keys) {
        if (c == u'\r' || c == u'\n') {
            QTest::keyClick(w, Qt::Key_Return);
        } else {
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
        }
    }
}
// Commits text to a widget as an input method would.
inline void CommitText(QWidget* w, const QString& text) {
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QCoreApplication::sendEvent(w, &commit);
}
// Drops text on a widget as another program would: its drag comes in before it drops.
inline void DropText(QWidget* target, const QString& text) {
    QMimeData data;
    data.setText(text);
    QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}
inline void Picture(QWidget& w, const char* name) {
    QApplication::processEvents();
    ASSERT_TRUE(w.grab().save(QCoreApplication::applicationDirPath() + "/" + name));
}

}  // namespace nuvir::test
