#pragma once
// Text that the report puts into RTF: values escaped so that no analyst's text can end
// a group or start a control word, and small tables in the form the categorical
// appendix uses.
//
// Everything produced here is plain ASCII, so a report is the template's own bytes plus
// ASCII and never needs re-encoding.
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/variant.h"

namespace nuvir {

// UTF-8 text as RTF text: "\" "{" "}" escaped with a backslash, each control character
// (C0, tab, CR and LF among them, DEL and C1: BlankControls) and each line or paragraph
// separator (U+2028, U+2029) a blank, so a value is one line, and every character above
// U+007F as "\uN?" with N the signed 16-bit UTF-16 unit (two of them for characters
// beyond U+FFFF). The template declares \uc1, so "?" is the one character a reader
// without Unicode shows instead.
std::string EscapeRtf(std::string_view utf8);

// An RTF table of a two-dimensional array (first index the row, second the column) with
// one heading row above it. headers, widths and alignments are comma-separated lists,
// one entry per column: a blank heading is left empty, a width that is not a number is
// 1000 twips, an alignment other than "<", "^" or ">" is left. Cells of fontSize
// points. The table is placed at (x, y) twips when either is 0 or more, and flows with
// the text when both are negative. Cell texts are escaped.
std::string RtfTable(const Variant& data, std::int32_t x, std::int32_t y, std::int32_t fontSize,
                     std::string_view headers, std::string_view widths, std::string_view alignments);

}  // namespace nuvir
