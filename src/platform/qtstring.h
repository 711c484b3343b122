#pragma once
// The program's texts (UTF-8 in std::string) as Qt's strings: the one conversion the
// widget layer uses, and the line-end form of it for texts shown on several lines.
#include <QString>

#include <string>

namespace nuvir {

inline QString QtText(const std::string& text) { return QString::fromStdString(text); }

// The program's line ends (CR LF, a lone CR or LF) as Qt's line breaks (LF).
inline QString QtLines(const std::string& text) {
    QString lines = QtText(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}

}  // namespace nuvir
