#pragma once
// A text box of many lines with both scroll bars (lines are not wrapped). Its text
// uses CR LF between lines, whatever the widget keeps inside; Change is raised on
// every change of the text, by typing or by code (not when code sets the same text).
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

    // Lines joined by CR LF.
    std::string Text() const;
    // Any of CR LF, LF or a lone CR ends a line.
    void SetText(const std::string& text);
    bool Locked() const { return isReadOnly(); }
    void SetLocked(bool on) { setReadOnly(on); }
};

}  // namespace nuvir
