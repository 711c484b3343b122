// Escaping and the appendix's tables.
#include "report/rtftext.h"

#include <QString>

#include <vector>

#include "runtime/convert.h"

namespace nuvir {

std::string EscapeRtf(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 8);
    // Control characters are blanks, as the batch CSV and the state strings write them:
    // dropped, they ran words together; a C1 character is no glyph anyone typed. A line
    // or paragraph separator is one too, as the batch list holds it: a word processor
    // breaks the line there or shows nothing.
    const std::string blanked = BlankLineSeparators(BlankControls(utf8));
    // UTF-16 units are what \u counts, so a character beyond U+FFFF comes out as its
    // surrogate pair without further work.
    const QString text = QString::fromUtf8(blanked.data(), static_cast<qsizetype>(blanked.size()));
    for (const QChar ch : text) {
        const char16_t unit = ch.unicode();
        switch (unit) {
            case u'\\': out += "\\\\"; continue;
            case u'{': out += "\\{"; continue;
            case u'}': out += "\\}"; continue;
            default: break;
        }
        if (unit < 0x80) {
            out += static_cast<char>(unit);
            continue;
        }
        out += "\\u";
        out += FormatDouble(static_cast<std::int16_t>(unit));
        out += '?';
    }
    return out;
}

namespace {

// The entries of a comma-separated list for columns 0 .. count - 1; missing ones empty.
std::vector<std::string> ListEntries(std::string_view list, std::size_t count) {
    std::vector<std::string> entries = Split(list, ",");
    entries.resize(count);
    return entries;
}

}  // namespace

std::string RtfTable(const Variant& data, std::int32_t x, std::int32_t y, std::int32_t fontSize,
                     std::string_view headers, std::string_view widths, std::string_view alignments) {
    const Bounds rows = data.bounds(1);
    const Bounds columns = data.bounds(2);
    const auto count = static_cast<std::size_t>(columns.count());
    const std::vector<std::string> headings = ListEntries(headers, count);
    const std::vector<std::string> widthTexts = ListEntries(widths, count);
    const std::vector<std::string> alignTexts = ListEntries(alignments, count);

    std::vector<std::string> edges(count);
    std::vector<const char*> aligns(count);
    double sum = 0;
    for (std::size_t c = 0; c < count; ++c) {
        sum += IsNumericText(widthTexts[c]) ? CDbl(Variant(widthTexts[c])) : 1000.0;
        edges[c] = FormatDouble(RoundHalfEven(sum));
        const std::string a = Trim(alignTexts[c]);
        aligns[c] = a == "^" ? "\\pard\\qc" : a == ">" ? "\\pard\\qr" : "\\pard\\ql";
    }
    const std::string size = "{\\fs" + FormatDouble(2.0 * fontSize) + " ";
    const std::string position = x >= 0 || y >= 0 ? " \\tphmrg\\tposx" + FormatDouble(x) + "\\tposy" + FormatDouble(y)
                                                  : std::string();

    std::string out = "{";
    auto row = [&](bool heading, auto&& cellText) {
        out += "\\trowd \\trgaph0\\trleft-0";
        out += position;
        for (std::size_t c = 0; c < count; ++c) {
            if (heading) out += "\\clbrdrb\\brdrs\\brdrw10";
            out += "\\clvertalc\\cellx";
            out += edges[c];
            out += "\r\n";
        }
        for (std::size_t c = 0; c < count; ++c) {
            out += aligns[c];
            out += "\\intbl";
            out += size;
            out += EscapeRtf(cellText(c));
            out += "\\cell}\r\n";
        }
        out += "\\intbl";
        out += size;
        out += "\\row}\r\n";
    };
    row(true, [&](std::size_t c) { return Trim(headings[c]).empty() ? std::string() : headings[c]; });
    for (std::int32_t r = rows.lower; r <= rows.upper; ++r) {
        row(false, [&](std::size_t c) { return TextOf(data(r, columns.lower + static_cast<std::int32_t>(c))); });
    }
    out += "}";
    return out;
}

}  // namespace nuvir
