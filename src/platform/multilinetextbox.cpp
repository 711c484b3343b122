#include "platform/multilinetextbox.h"

namespace nuvir {

MultiLineTextBox::MultiLineTextBox() : Control("TextBox") {
    SetDefaultColours(static_cast<Colour>(0x80000005u), static_cast<Colour>(0x80000008u));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { Q_EMIT Events()->Change(); });
}

std::string MultiLineTextBox::Text() const {
    QString t = toPlainText();
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return t.toStdString();
}

void MultiLineTextBox::SetText(const std::string& text) {
    QString t = QString::fromStdString(text);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (t == toPlainText()) return;
    setPlainText(t);
}

}  // namespace nuvir
