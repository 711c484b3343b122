#pragma once
// A text box of many lines with a vertical scroll bar, for texts that grow by
// appending (the result lines of a run, logs). The text is kept as the program wrote
// it, CR LF and TAB included: Qt's editors turn CR LF into their own paragraph marks,
// so the widget only shows the text while the model string stays exact. Appending
// adds to the shown text instead of setting it again, so a long run history costs
// nothing per line.
//
// Unlocked, the box can be typed into: what the person types becomes the text, its
// lines joined by CR LF, and raises Change like a change by code. The text is read from
// the view's lines as they stand, without Qt's conversions of its plain text (a line
// separator to a line end, a no-break space to a blank). A paragraph separator and
// U+FDD0, U+FDD1 (Qt's frame marks) end a line in Qt's editors whatever the text means
// by them, so the view shows each as U+FFFD and gives the character back. A line or
// paragraph separator pasted, dropped or typed becomes a blank: the box breaks lines only
// at line ends (CR, LF, CR LF).
#include <QPlainTextEdit>

#include <string>

#include "platform/control.h"

namespace nuvir {

class MultiLineTextBox : public QPlainTextEdit, public Control {
    Q_OBJECT
public:
    MultiLineTextBox();
    QWidget* Widget() override { return this; }
    QObject* Object() override { return this; }

    // The text exactly as set and appended.
    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);
    // Adds to the end of the text (and of what is shown) and shows as many of the
    // last lines as fit, the last at the bottom; Change is raised.
    void AppendText(const std::string& more);
    // The selected part of the shown text with line ends as CR LF ("" when none).
    std::string SelText() const;
    bool Locked() const { return isReadOnly(); }
    // A locked box still takes the keys that move through it (Ctrl+Home, the arrows).
    void SetLocked(bool on);

protected:
    void changeEvent(QEvent* e) override;
    // Pastes and drops: the text as the rule above takes it.
    void insertFromMimeData(const QMimeData* source) override;
    // Typed text (Shift+Enter types a line separator, as in Qt's editors) and an input
    // method's commit go in as pasted text where Qt's own insert would break a line or
    // give them the format of a stand-in beside the caret; the rest, Enter and the
    // shortcuts included, is Qt's.
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    // Copies and drags: the selected text as it stands where Qt would convert it.
    QMimeData* createMimeDataFromSelection() const override;

private:
    // The text between two positions of the view, each stand-in given back as the
    // character it stands for and each line end as lineEnd.
    QString HeldText(int from, int to, const QString& lineEnd) const;
    void TakeTypedText();
    // Tab stops every 8 average character widths, or wider where a number field of
    // the result lines would not fit in one: each field starts in the same column.
    void SetTabStops();
    // Scrolls so that the last written line stands at the bottom of the box.
    void ShowLastLines();

    std::string text_;
    bool settingText_ = false;
};

}  // namespace nuvir
