#pragma once
// A read-only text of several lines for the dialogs: the program's text keeps CR LF
// line ends (as the rules build it), the box shows them as line breaks.
#include <QPlainTextEdit>

#include <string>

#include "platform/control.h"

namespace nuvir {

class MemoBox : public QPlainTextEdit, public Control {
    Q_OBJECT
public:
    MemoBox();
    QWidget* Widget() override { return this; }
    QObject* Object() override { return this; }

    // The text as it was given, CR LF and all.
    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);

private:
    std::string text_;
};

}  // namespace nuvir
