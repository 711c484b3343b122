#include "platform/multilinetextbox.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "platform/handlerguard.h"
#include "platform/qtstring.h"

namespace nuvir {

namespace {

// The character format property of a stand-in: the character it stands for.
constexpr int kStandsFor = QTextFormat::UserProperty + 1;
constexpr QChar kStandIn(0xFFFD);

// Characters Qt's editors take as the end of a line wherever they stand.
bool EndsAQtLine(QChar c) { return c == QChar::ParagraphSeparator || c == QChar(0xFDD0) || c == QChar(0xFDD1); }

// Text as the view holds it: lines broken by LF, a stand-in for each character that would
// break one, and where they stand (a position in the text is one in what it becomes).
struct Shown {
    QString text;
    std::vector<std::pair<int, QChar>> standIns;
};

Shown ShownText(QString lines) {
    Shown shown;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!EndsAQtLine(lines[i])) continue;
        shown.standIns.emplace_back(static_cast<int>(i), lines[i]);
        lines[i] = kStandIn;
    }
    shown.text = std::move(lines);
    return shown;
}

// The stand-ins of text inserted at `at` carry the characters they stand for.
void MarkStandIns(QTextDocument* document, int at, const Shown& shown) {
    QTextCursor cursor(document);
    for (const auto& [position, character] : shown.standIns) {
        cursor.setPosition(at + position);
        cursor.setPosition(at + position + 1, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setProperty(kStandsFor, static_cast<int>(character.unicode()));
        cursor.mergeCharFormat(format);
    }
}

// The format text typed at the cursor takes, but never that of a stand-in beside it.
QTextCharFormat PlainFormat(const QTextCursor& cursor) {
    QTextCharFormat format = cursor.charFormat();
    format.clearProperty(QTextFormat::ObjectType);
    format.clearProperty(kStandsFor);
    return format;
}

// Inserts text at the cursor as the box takes it in: one edit, the stand-ins marked
// before the text is read, and one step to undo.
void InsertAsShown(QTextCursor& cursor, QString lines) {
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lines.replace(QChar::LineSeparator, QLatin1Char(' '));
    lines.replace(QChar::ParagraphSeparator, QLatin1Char(' '));
    const Shown shown = ShownText(std::move(lines));
    cursor.beginEditBlock();
    const int at = cursor.selectionStart();
    cursor.insertText(shown.text, PlainFormat(cursor));
    MarkStandIns(cursor.document(), at, shown);
    cursor.endEditBlock();
}

// Qt's own insert of text at the cursor would break a line where the text means none,
// or give the text the format of a stand-in beside it.
bool NeedsOwnInsert(const QTextCursor& cursor, const QString& text) {
    return cursor.charFormat().hasProperty(kStandsFor) ||
           std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c == QChar::LineSeparator || EndsAQtLine(c); });
}

// The text a key types, as Qt's editor tells typing from other keys; a character Qt
// would end a line at is typed too, where Qt drops U+FDD0 and U+FDD1 (no printing
// characters). Empty for a key that types nothing.
QString TypedText(const QKeyEvent& e) {
    // Qt's editor types a line separator for Shift+Enter.
    if (e.matches(QKeySequence::InsertLineSeparator)) return QString(QChar::LineSeparator);
    QString text = e.text();
    if (text.isEmpty()) return {};
    const QChar c = text.front();
    if (c.category() == QChar::Other_Format) return text;
    if (e.modifiers() == Qt::ControlModifier || e.modifiers() == (Qt::ShiftModifier | Qt::ControlModifier)) return {};
    const bool pair = c.isHighSurrogate() && text.size() > 1 && text[1].isLowSurrogate();
    if (c.isPrint() || c.category() == QChar::Other_PrivateUse || pair || c == u'\t' || EndsAQtLine(c)) return text;
    return {};
}

bool HoldsWhatQtConverts(const QString& text) {
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c == kStandIn || c == QChar::LineSeparator || c == QChar::Nbsp; });
}

}  // namespace

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

QString MultiLineTextBox::HeldText(int from, int to, const QString& lineEnd) const {
    QString text;
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = std::max(from, fragment.position());
            const int end = std::min(to, fragment.position() + fragment.length());
            if (start >= end) continue;
            QString part = fragment.text().mid(start - fragment.position(), end - start);
            const QTextCharFormat format = fragment.charFormat();
            if (format.hasProperty(kStandsFor)) {
                part.replace(kStandIn, QChar(static_cast<char16_t>(format.intProperty(kStandsFor))));
            }
            text += part;
        }
        const int lineEndAt = block.position() + block.length() - 1;
        if (lineEndAt >= from && lineEndAt < to && block.next().isValid()) text += lineEnd;
    }
    return text;
}

void MultiLineTextBox::TakeTypedText() {
    std::string typed = HeldText(0, document()->characterCount() - 1, QStringLiteral("\r\n")).toStdString();
    if (typed == text_) return;
    text_ = std::move(typed);
    Q_EMIT Events()->Change();
}

void MultiLineTextBox::SetText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    const Shown shown = ShownText(QtLines(text_));
    settingText_ = true;
    setPlainText(shown.text);
    if (!shown.standIns.empty()) {
        // Set, as setPlainText sets its text: not an edit to undo.
        const bool undo = document()->isUndoRedoEnabled();
        document()->setUndoRedoEnabled(false);
        MarkStandIns(document(), 0, shown);
        document()->setUndoRedoEnabled(undo);
    }
    settingText_ = false;
    Q_EMIT Events()->Change();
}

void MultiLineTextBox::AppendText(const std::string& more) {
    if (more.empty()) return;
    text_ += more;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const Shown shown = ShownText(QtLines(more));
    settingText_ = true;
    cursor.beginEditBlock();
    const int at = cursor.position();
    cursor.insertText(shown.text, PlainFormat(cursor));
    MarkStandIns(document(), at, shown);
    cursor.endEditBlock();
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
    const QTextCursor cursor = textCursor();
    return HeldText(cursor.selectionStart(), cursor.selectionEnd(), QStringLiteral("\r\n")).toStdString();
}

void MultiLineTextBox::insertFromMimeData(const QMimeData* source) {
    RunGuarded(GuardPolicy::ShowMessage, {}, "Inserting text", [&] {
        QString lines = source->text();
        if (lines.isNull()) return;
        QTextCursor cursor = textCursor();
        InsertAsShown(cursor, std::move(lines));
        setTextCursor(cursor);
    });
}

void MultiLineTextBox::keyPressEvent(QKeyEvent* e) {
    RunGuarded(GuardPolicy::ShowMessage, {}, "Typing text", [&] {
        const QString typed = (textInteractionFlags() & Qt::TextEditable) ? TypedText(*e) : QString();
        QTextCursor cursor = textCursor();
        if (typed.isEmpty() || !NeedsOwnInsert(cursor, typed)) {
            QPlainTextEdit::keyPressEvent(e);
            return;
        }
        InsertAsShown(cursor, typed);
        setTextCursor(cursor);
        e->accept();
    });
}

void MultiLineTextBox::inputMethodEvent(QInputMethodEvent* e) {
    RunGuarded(GuardPolicy::ShowMessage, {}, "Typing text", [&] {
        if (!(textInteractionFlags() & Qt::TextEditable) || e->commitString().isEmpty()) {
            QPlainTextEdit::inputMethodEvent(e);
            return;
        }
        // As Qt takes a commit: the selection goes, then the commit replaces what the
        // event names beside the caret; all of it one step to undo.
        QTextCursor cursor = textCursor();
        cursor.beginEditBlock();
        cursor.removeSelectedText();
        QTextCursor at = cursor;
        at.setPosition(cursor.position() + e->replacementStart());
        at.setPosition(at.position() + e->replacementLength(), QTextCursor::KeepAnchor);
        if (NeedsOwnInsert(at, e->commitString())) {
            InsertAsShown(at, e->commitString());
            // What the input method is still composing stays Qt's to show.
            QInputMethodEvent rest(e->preeditString(), e->attributes());
            QPlainTextEdit::inputMethodEvent(&rest);
            ensureCursorVisible();
        } else {
            QPlainTextEdit::inputMethodEvent(e);
        }
        cursor.endEditBlock();
    });
}

QMimeData* MultiLineTextBox::createMimeDataFromSelection() const {
    QMimeData* data = nullptr;
    RunGuarded(GuardPolicy::ShowMessage, {}, "Copying text", [&] {
        const QTextCursor cursor = textCursor();
        // Qt's own copy gives a stand-in as it shows, a line separator as a line end and
        // a no-break space as a blank; a selection without them keeps Qt's copy whole.
        if (!HoldsWhatQtConverts(cursor.selectedText())) {
            data = QPlainTextEdit::createMimeDataFromSelection();
            return;
        }
        auto exact = std::make_unique<QMimeData>();
        exact->setText(HeldText(cursor.selectionStart(), cursor.selectionEnd(), QStringLiteral("\n")));
        data = exact.release();
    });
    return data != nullptr ? data : new QMimeData;
}

}  // namespace nuvir
