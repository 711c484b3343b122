#include "platform/multilinetextbox.h"

#include <algorithm>

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "platform/qtstring.h"

namespace nuvir {

MultiLineTextBox::MultiLineTextBox() : Control("TextBox") {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    SetLocked(true);
    SetTabStops();
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!settingText_) TakeTypedText();
    });
}

void MultiLineTextBox::SetTabStops() {
    const QFontMetrics fm = fontMetrics();
    // The widest field a result line holds: four significant figures, signed, with an
    // exponent, and a space after it.
    const int widestField = fm.horizontalAdvance(QStringLiteral("-0.0001234 "));
    setTabStopDistance(std::max(8 * fm.averageCharWidth(), widestField));
}

void MultiLineTextBox::changeEvent(QEvent* e) {
    QPlainTextEdit::changeEvent(e);
    if (e->type() == QEvent::FontChange) SetTabStops();
}

void MultiLineTextBox::SetLocked(bool on) {
    setReadOnly(on);
    if (on) setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void MultiLineTextBox::TakeTypedText() {
    QString s = toPlainText();
    s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    std::string typed = s.toStdString();
    if (typed == text_) return;
    text_ = std::move(typed);
    Q_EMIT Events()->Change();
}

void MultiLineTextBox::SetText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    settingText_ = true;
    setPlainText(QtLines(text_));
    settingText_ = false;
    Q_EMIT Events()->Change();
}

void MultiLineTextBox::AppendText(const std::string& more) {
    if (more.empty()) return;
    text_ += more;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    settingText_ = true;
    cursor.insertText(QtLines(more));
    settingText_ = false;
    ShowLastLines();
    Q_EMIT Events()->Change();
}

void MultiLineTextBox::ShowLastLines() {
    // The text ends with a line end, so its last block is empty: the newest written
    // line is the one before it.
    QTextBlock last = document()->lastBlock();
    if (last.text().isEmpty() && last.previous().isValid()) last = last.previous();
    const int lineHeight = std::max(1, fontMetrics().lineSpacing());
    // A box not yet shown has not laid out its viewport: its frame's inside stands in.
    const int height = viewport()->height() > 0 ? viewport()->height() : contentsRect().height();
    const int shown = std::max(1, height / lineHeight);
    verticalScrollBar()->setValue(std::max(0, last.blockNumber() + 1 - shown));
}

std::string MultiLineTextBox::SelText() const {
    QString s = textCursor().selectedText();
    s.replace(QChar(0x2029), QStringLiteral("\r\n"));
    return s.toStdString();
}

}  // namespace nuvir
