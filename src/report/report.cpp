// The report object: placeholder names, the merge, the page cut and the appendix.
#include "report/report.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "appdata/appdata.h"
#include "numerics/numerics.h"
#include "platform/profile.h"
#include "report/rtftext.h"
#include "runtime/convert.h"
#include "runtime/patternformats.h"
#include "utilities/formatting.h"
#include "utilities/utilities_arrays.h"

namespace nuvir {

namespace {

constexpr const char* kBaseNames[field::kTextRows] = {
    "Species%", "Location%", "Date%",                    // 0-2
    "p1a%",     "p2a%",      "p3a%",  "p4a%",            // 3-6
    "I1a%",     "I2a%",      "I3a%",  "I4a%",  "I5a%",   // 7-11
    "R1a%",     "R2a%",      "R3a%",  "R4a%",  "R5a%",   // 12-16
    "RTa%",     "Na%",       "Ma%",   "Sa%",             // 17-20
    "p1b%",     "p2b%",      "p3b%",  "p4b%",            // 21-24
    "I1b%",     "I2b%",      "I3b%",  "I4b%",  "I5b%",   // 25-29
    "PRNG%",                                             // 30
    "R1a0%",    "R1a1%",     "R1a2%", "R1a3%", "R1a4%",  // 31-35
    "R2a0%",    "R2a1%",     "R2a2%", "R2a3%", "R2a4%",  // 36-40
    "R3a0%",    "R3a1%",     "R3a2%", "R3a3%", "R3a4%",  // 41-45
    "R4a0%",    "R4a1%",     "R4a2%", "R4a3%", "R4a4%",  // 46-50
    "R5a0%",    "R5a1%",     "R5a2%", "R5a3%", "R5a4%",  // 51-55
    "CI%",      "RR2a%",     "RR2b%",                    // 56-58
    "pic1%",    "pic2%",     "pic3%",                    // 59-61
};

// Set B shows no species, location, date, fifth outcome or total-risk row.
bool SetBHasRow(int row) {
    switch (row) {
        case 0:
        case 1:
        case 2:
        case 11:
        case 16:
        case 29: return false;
        default: return row < 51 || row > 55;
    }
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string AsciiLowered(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

// The placeholders of the template text, found in one walk over it: f(position, length,
// value) for each, ASCII letters matched without regard to case. Every name starts and
// ends with "%" and holds none between, so the text from a "%" to the next one is the
// only name that can start there; when it is none, that next "%" may start one.
template <class F>
void ForEachPlaceholder(std::string_view text, const std::unordered_map<std::string, std::string>& values,
                        std::size_t longestName, F&& f) {
    std::size_t hit = text.find('%');
    while (hit != std::string_view::npos) {
        const std::size_t close = text.find('%', hit + 1);
        if (close == std::string_view::npos) return;
        const std::size_t length = close - hit + 1;
        const auto it = length <= longestName ? values.find(AsciiLowered(text.substr(hit, length))) : values.end();
        if (it == values.end()) {
            hit = close;
            continue;
        }
        f(hit, length, it->second);
        hit = text.find('%', close + 1);
    }
}

// Bytes of binary data that a \binN of the template still expects where before ends,
// and whether the blank that ends the control word is still to come; none (0) when
// before does not end inside one. endsData: before ends just where such data ends.
// byteDue: before ends with a \bin whose count is not positive (and its blank), after
// which a reader such as the office suite takes one byte as data all the same.
// pastCap: the count is beyond kCountCap, and counted as that cap. textFrom: where the
// text after the last binary data starts; suiteFrom: the same, past the byte the suite
// takes after a \bin of no positive count.
struct BinaryTail {
    std::uint64_t missing = 0;
    bool delimiterDue = false;
    bool endsData = false;
    bool byteDue = false;
    bool pastCap = false;
    std::size_t textFrom = 0;
    std::size_t suiteFrom = 0;
};

BinaryTail BinaryDataAtEnd(std::string_view before) {
    // Beyond any report's bound. A larger count, held to one more while its digits are
    // read, is refused as asking for more than the bound.
    constexpr std::uint64_t kCountCap = std::uint64_t{1} << 40;
    const std::size_t size = before.size();
    std::size_t textFrom = 0;
    std::size_t suiteFrom = 0;
    std::size_t i = 0;
    while (i < size) {
        if (before[i] != '\\' || i + 1 == size) {
            ++i;
            continue;
        }
        if (!IsAsciiLetter(before[i + 1])) {
            i += 2;  // a control symbol, "\\" among them
            continue;
        }
        std::size_t end = i + 1;
        while (end < size && IsAsciiLetter(before[end])) ++end;
        const bool bin = before.substr(i + 1, end - i - 1) == "bin";
        const bool negative = end < size && before[end] == '-';
        if (negative) ++end;
        std::uint64_t count = 0;
        while (end < size && IsAsciiDigit(before[end])) {
            count = std::min(count * 10 + static_cast<std::uint64_t>(before[end] - '0'), kCountCap + 1);
            ++end;
        }
        i = end;
        if (!bin) continue;
        if (negative || count == 0) {
            if (end == size) return {.delimiterDue = true, .byteDue = true};
            if (before[end] == ' ' && end + 1 == size) return {.byteDue = true};
            suiteFrom = end + (before[end] == ' ' ? 2 : 1);
            continue;
        }
        const bool pastCap = count > kCountCap;
        if (pastCap) count = kCountCap;
        if (end == size) return {.missing = count, .delimiterDue = true, .pastCap = pastCap};
        if (before[end] == ' ') ++end;
        if (count > size - end) return {.missing = count - (size - end), .pastCap = pastCap};
        i = end + static_cast<std::size_t>(count);
        if (i == size) return {.endsData = true};
        textFrom = suiteFrom = i;
    }
    return {.textFrom = textFrom, .suiteFrom = suiteFrom};
}

// What goes between the template's text and a field so that the field's first
// characters cannot finish what the template left open: after a lone backslash "{x"
// would open a group and "par" spell a control word, a control word would run on into
// the field's letters or digits, a hex escape short of its two digits would take a
// backslash of the field as one, and a \binN would take the field's bytes as binary
// data, its escapes unread. before is the template's text since the last field; every
// field ends with nothing open. The text comes first, then as many zero bytes as a
// \binN still expects; after a \bin that expects none, a blank for the byte some
// readers take all the same, and where they take a backslash of the template, a blank
// for what they and the others leave open after it. pastCap: the template asks for
// more binary data than any report may hold.
struct Closing {
    std::string_view text;
    std::uint64_t zeroBytes = 0;
    bool pastCap = false;
    std::uint64_t fallback = 0;  // "?" given for what a \uN still skips; see FallbackReader
    std::uint64_t Size() const { return text.size() + zeroBytes + fallback; }
};

// What text, after nothing binary, leaves open for the next characters to finish.
std::string_view Unfinished(std::string_view text) {
    const auto oddBackslashesBefore = [&](std::size_t end) {
        std::size_t n = 0;
        while (n < end && text[end - 1 - n] == '\\') ++n;
        return n % 2 == 1;
    };
    const std::size_t size = text.size();
    // The template's backslash then stands for itself.
    if (oddBackslashesBefore(size)) return "\\";
    if (size >= 2 && text[size - 1] == '\'' && oddBackslashesBefore(size - 1)) return "00";
    if (size >= 3 && IsHexDigit(text[size - 1]) && text[size - 2] == '\'' && oddBackslashesBefore(size - 2)) return "0";
    std::size_t letters = size;
    while (letters > 0 && IsAsciiDigit(text[letters - 1])) --letters;
    if (letters > 0 && text[letters - 1] == '-') --letters;
    std::size_t start = letters;
    while (start > 0 && IsAsciiLetter(text[start - 1])) --start;
    // A blank ends a control word and is no text.
    return start < letters && oddBackslashesBefore(start) ? " " : "";
}

Closing Separator(std::string_view before) {
    const BinaryTail binary = BinaryDataAtEnd(before);
    if (binary.endsData) return {};
    if (binary.byteDue) return {binary.delimiterDue ? "  " : " "};
    if (binary.missing > 0) return {binary.delimiterDue ? " " : "", binary.missing, binary.pastCap};
    const std::string_view text = Unfinished(before.substr(binary.textFrom));
    const std::string_view suite = Unfinished(before.substr(binary.suiteFrom));
    if (text == suite) return {text};
    // Where the suite took a backslash as data, the two readings part: a blank ends a
    // control word or, after a lone backslash, makes a control symbol that readers
    // ignore, and is text after nothing open.
    if (text == "\\" || suite == "\\") return {" "};
    return {text.empty() ? suite : text};
}

// How much text the office suite still skips where the RTF read so far ends, read in
// pieces in order. After a \uN it skips the count of fallback characters the last \ucN
// set (1 unless one did) for readers without Unicode, counting a byte of text or a
// \'hh as one and neither a line end, a control word or symbol, nor a \bin and its
// data; a group starts with the count and skip of where it opens and leaves them as
// they were. Readers that count control words too, or end the skip at a brace, skip
// no more. A negative count skips all that follows, which no fallback ends.
class FallbackReader {
public:
    void Read(std::string_view rtf) {
        for (const char c : rtf) ReadByte(c);
    }
    // Zero bytes, the data a \binN still expects; any beyond it are text.
    void ReadZeroBytes(std::uint64_t bytes) {
        if (at_ == At::Data) {
            const std::uint64_t data = std::min(bytes, dataLeft_);
            dataLeft_ -= data;
            bytes -= data;
            if (dataLeft_ == 0) at_ = At::Text;
        }
        if (at_ == At::Text && skip_.owed > 0) {
            const auto taken = std::min(bytes, static_cast<std::uint64_t>(skip_.owed));
            Set({skip_.count, skip_.owed - static_cast<std::int32_t>(taken)});
        }
    }
    // What a fallback character each would end.
    std::uint64_t Owed() const { return skip_.owed > 0 ? static_cast<std::uint64_t>(skip_.owed) : 0; }
    void OwedGiven() {
        if (skip_.owed > 0) Set({skip_.count, 0});
    }

private:
    struct Skip {
        std::int32_t count = 1;
        std::int32_t owed = 0;
    };
    enum class At { Text, Backslash, Word, Number, Hex, Data };

    void Set(Skip next) {
        if (depth_ > 0 && (saved_.empty() || saved_.back().first != depth_)) saved_.emplace_back(depth_, skip_);
        skip_ = next;
    }
    void TextByte() {
        if (skip_.owed > 0) Set({skip_.count, skip_.owed - 1});
    }
    // The suite's number: 1 when there are no digits, 0 when they pass 32 bits.
    std::int64_t Parameter() const {
        if (!digits_) return 1;
        const std::int64_t n = number_ > INT32_MAX ? 0 : static_cast<std::int64_t>(number_);
        return negative_ ? -n : n;
    }
    void EndWord(char delimiter) {
        at_ = At::Text;
        const std::int64_t n = Parameter();
        if (word_ == "uc" && n >= INT16_MIN && n <= INT16_MAX) Set({static_cast<std::int32_t>(n), skip_.owed});
        if (word_ == "u" && n >= INT16_MIN && n <= UINT16_MAX) Set({skip_.count, skip_.count});
        if (word_ == "bin") {
            // The count BinaryDataAtEnd reads, so that the zero bytes given end the data;
            // one byte when it is not positive, which the suite takes all the same.
            at_ = At::Data;
            dataLeft_ = !negative_ && number_ > 0 ? number_ : 1;
        }
        if (delimiter != ' ') ReadByte(delimiter);
    }
    void ReadByte(char c) {
        switch (at_) {
            case At::Data:
                if (--dataLeft_ == 0) at_ = At::Text;
                return;
            case At::Hex:
                if (--hexLeft_ == 0) {
                    at_ = At::Text;
                    TextByte();
                }
                return;
            case At::Backslash:
                if (IsAsciiLetter(c)) {
                    at_ = At::Word;
                    word_.assign(1, c);
                    negative_ = digits_ = false;
                    number_ = 0;
                } else if (c == '\'') {
                    at_ = At::Hex;
                    hexLeft_ = 2;
                } else {
                    at_ = At::Text;
                }
                return;
            case At::Word:
                if (IsAsciiLetter(c)) {
                    if (word_.size() < 4) word_ += c;  // longer than any word looked for
                    return;
                }
                at_ = At::Number;
                if (c == '-') {
                    negative_ = true;
                    return;
                }
                [[fallthrough]];
            case At::Number:
                if (IsAsciiDigit(c)) {
                    digits_ = true;
                    number_ = std::min(number_ * 10 + static_cast<std::uint64_t>(c - '0'), kNumberCap);
                    return;
                }
                EndWord(c);
                return;
            case At::Text: break;
        }
        switch (c) {
            case '\\': at_ = At::Backslash; return;
            case '{': ++depth_; return;
            case '}':
                if (depth_ == 0) return;
                if (!saved_.empty() && saved_.back().first == depth_) {
                    skip_ = saved_.back().second;
                    saved_.pop_back();
                }
                --depth_;
                return;
            case '\r':
            case '\n': return;
            default: TextByte();
        }
    }

    // Past 32 bits and past any \binN a report may hold.
    static constexpr std::uint64_t kNumberCap = std::uint64_t{1} << 41;
    Skip skip_;
    std::uint64_t depth_ = 0;
    // The skip to restore on leaving each depth where it changed, deepest last.
    std::vector<std::pair<std::uint64_t, Skip>> saved_;
    At at_ = At::Text;
    std::string word_;
    bool negative_ = false;
    bool digits_ = false;
    std::uint64_t number_ = 0;
    int hexLeft_ = 0;
    std::uint64_t dataLeft_ = 0;
};

// What goes between the template's text since the last field and the next field: the
// Separator, then a "?" for each fallback character a \uN still skips, with reader
// having read all that went before. A field itself leaves nothing open.
Closing CloseBefore(std::string_view before, FallbackReader& reader) {
    Closing closing = Separator(before);
    reader.Read(before);
    reader.Read(closing.text);
    reader.ReadZeroBytes(closing.zeroBytes);
    closing.fallback = reader.Owed();
    reader.OwedGiven();
    return closing;
}

std::string Megabytes(std::uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20); }

}  // namespace

std::string PlaceholderName(int row, int set) {
    if (row < 0 || row >= field::kTextRows || set < 0 || set > 1) return {};
    if (set == field::kSetB && !SetBHasRow(row)) return {};
    return std::string("%") + (set == field::kSetA ? "A" : "B") + kBaseNames[row];
}

CReport::CReport()
    : hideCosts_(ItemFlag(AppOptions, opt::kHideCosts)), viewerIsWord_(ItemFlag(AppOptions, opt::kViewerIsWord)) {}

void CReport::GenerateReport(const std::string& templatePath) {
    rtf_.clear();
    if (!data_ || !FileFunctions::FileExists(templatePath)) return;
    std::string bytes;
    const profile::Failure failure = profile::ReadWholeFile(templatePath, kMaxTemplateBytes, bytes);
    if (failure == profile::Failure::TooLarge) {
        RaiseComponentError("The report template \"" + templatePath + "\" was not read: it is larger than " +
                            std::to_string(kMaxTemplateBytes >> 20) + " MB.");
    }
    if (failure != profile::Failure::None) {
        RaiseComponentError("The report template \"" + templatePath + "\" could not be read.\r\n\r\n" +
                            profile::FailureText(failure));
    }
    if (bytes.empty())
        RaiseComponentError("The report template \"" + templatePath + "\" is empty: there is nothing to merge.");
    rtf_ = MergeReportTemplate(std::move(bytes));
}

std::string CReport::MergeReportTemplate(std::string rtf) const {
    if (!data_) return rtf;
    if (hideCosts_ && rtf.find(kTemplateLandmark) != std::string::npos) rtf = CutBeforeFirstPage(rtf);
    std::unordered_map<std::string, std::string> values;
    std::size_t longestName = 0;
    for (int set = 0; set < 2; ++set) {
        for (int row = 0; row < field::kTextRows; ++row) {
            const std::string name = PlaceholderName(row, set);
            if (name.empty()) continue;
            const auto& value = data_->text[row][set];
            const bool picture = row >= field::kPicture;
            std::string text = picture ? "" : "--";
            if (value) text = picture ? *value : EscapeRtf(*value);
            values.emplace(AsciiLowered(name), std::move(text));
            longestName = std::max(longestName, name.size());
        }
    }
    const std::string appendix = DoCategoryDataReport();

    // The size first: a template within its bound can still ask for a report that fills
    // the memory (one long species a hundred thousand times).
    std::uint64_t size = rtf.size() + appendix.size();
    bool pastCap = false;
    std::size_t copied = 0;
    FallbackReader sizing;
    ForEachPlaceholder(rtf, values, longestName, [&](std::size_t at, std::size_t length, const std::string& value) {
        const Closing closing = CloseBefore(std::string_view(rtf).substr(copied, at - copied), sizing);
        size += closing.Size() + value.size() - length;
        pastCap = pastCap || closing.pastCap;
        copied = at + length;
    });
    if (pastCap) {
        RaiseComponentError("The report was not written: the template asks for more than the " +
                            Megabytes(kMaxReportBytes) + " MB a report may take.");
    }
    if (size > kMaxReportBytes) {
        RaiseComponentError("The report was not written: merged with the template it would take " + Megabytes(size) +
                            " MB, more than the " + Megabytes(kMaxReportBytes) + " MB a report may take.");
    }

    // Each placeholder of the template is filled once; what it is filled with is never
    // searched again, so a species holding "%ALocation%" is printed as it is.
    std::string merged;
    merged.reserve(static_cast<std::size_t>(size) - appendix.size());
    copied = 0;
    FallbackReader merging;
    ForEachPlaceholder(rtf, values, longestName, [&](std::size_t at, std::size_t length, const std::string& value) {
        const Closing closing = CloseBefore(std::string_view(rtf).substr(copied, at - copied), merging);
        merged.append(rtf, copied, at - copied)
            .append(closing.text)
            .append(static_cast<std::size_t>(closing.zeroBytes), '\0')
            .append(static_cast<std::size_t>(closing.fallback), '?')
            .append(value);
        copied = at + length;
    });
    merged.append(rtf, copied, std::string::npos);
    if (!appendix.empty()) merged = InsertBeforeClosingBrace(merged, appendix);
    return merged;
}

std::string CutBeforeFirstPage(std::string_view rtf) {
    std::size_t lastOpen = std::string_view::npos;
    int depthAtLastOpen = 0;
    int depth = 0;
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '\\') {
            // A control word \page, not the start of a longer one such as \pagebb.
            const std::size_t after = i + 5;
            const bool page = rtf.compare(i + 1, 4, "page") == 0 &&
                              (after >= rtf.size() || !std::isalpha(static_cast<unsigned char>(rtf[after])));
            if (page) {
                if (lastOpen == std::string_view::npos) return std::string(rtf);
                return std::string(rtf.substr(0, lastOpen)) +
                       std::string(static_cast<std::size_t>(std::max(depthAtLastOpen, 0)), '}');
            }
            ++i;  // an escaped character ("\\", "\{", "\}") is text, never a group
        } else if (c == '{') {
            lastOpen = i;
            depthAtLastOpen = depth++;
        } else if (c == '}') {
            --depth;
        }
    }
    return std::string(rtf);
}

std::string InsertBeforeClosingBrace(std::string_view rtf, std::string_view appendix) {
    std::size_t end = rtf.size();
    while (end > 0 && (rtf[end - 1] == ' ' || rtf[end - 1] == '\t' || rtf[end - 1] == '\r' || rtf[end - 1] == '\n' ||
                       rtf[end - 1] == '\0')) {
        --end;
    }
    // The closing brace itself, or one a few characters before the end (an editor's
    // stray text after it).
    const std::size_t first = end > 11 ? end - 11 : 0;
    for (std::size_t p = end; p > first; --p) {
        if (rtf[p - 1] == '}') {
            std::string out;
            out.reserve(rtf.size() + appendix.size());
            out.append(rtf.substr(0, p - 1)).append(appendix).append(rtf.substr(p - 1));
            return out;
        }
    }
    return std::string(rtf);
}

std::string CReport::DoCategoryDataReport() const {
    std::string out;
    if (!data_) return out;
    std::int32_t top = 1000;
    std::int32_t left = 0;
    for (int kind = 0; kind < 2; ++kind) {
        const Variant& tables = data_->categoryTables[kind];
        if (!tables.isArray()) continue;
        if (tables.dims() != 1) RaiseComponentError("Category tables not arranged as a 1D array");
        if (out.empty()) {
            out =
                "{\\page }\\qc {\\fs28\\ul Appendix:  Biological Risk Assessment Report (cont\\rquote d)}"
                "{\\fs28\\ul\\par }";
        }
        const std::string word = kind == 0 ? "Impact" : "Cost";
        const std::string prefix = kind == 0 ? "I" : "FC";
        if (viewerIsWord_) {
            top += 1000;
            left = 0;
            out += "\\ql \\pard \\posx" + FormatDouble(left) + " \\posy" + FormatDouble(top) +
                   " {\\fs24\\ul Categorical " + word + " Data} \\par";
            top += 600;
        } else {
            out += " \\par\\ql {\\fs22\\ul Categorical " + word + " Data}\\par";
        }
        const std::int32_t lower = tables.lbound(1);
        for (std::int32_t index = lower; index <= tables.ubound(1); ++index) {
            if (tables(index).dims() != 2) RaiseComponentError("Category table not arranged as a 2D array");
            Variant rows = MUtilities::TransposeArray(tables(index));
            const std::int32_t valueColumn = rows.lbound(2);
            for (std::int32_t r = rows.lbound(1); r <= rows.ubound(1); ++r) {
                rows(r, valueColumn) = Variant(MKelvaro::FormatSigFigs(CDbl(rows(r, valueColumn)), 4));
                rows(r, valueColumn + 1) = Variant(FormatUpToSixDecimals(CDbl(rows(r, valueColumn + 1))));
            }
            const std::string headers = prefix + FormatDouble(index - lower + 1) + ",P(0-1),  ";
            if (viewerIsWord_) {
                out += "\\par " + RtfTable(rows, left, top, 8, headers, "960,760", "<,<");
                left += 1900;
            } else {
                out += "\\par" + RtfTable(rows, -1, -1, 8, headers, "960,760", "<,<");
            }
        }
        if (viewerIsWord_) top += 1500;
    }
    return out;
}

}  // namespace nuvir
