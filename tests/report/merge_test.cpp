// The placeholder merge, the page cut, the appendix and its tables, and escaping.
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "report/rtftext.h"
#include "report_fixture.h"

namespace nuvir::test {
namespace {

// A report object with data and no options of its own.
CReport Report(const ReportFields& fields, bool hideCosts = false, bool word = false) {
    CReport r;
    r.SetData(fields);
    r.SetHideCosts(hideCosts);
    r.SetViewerIsWord(word);
    return r;
}

Variant TablesFrom(int lower, std::vector<Variant> tables) { return Variant::List(std::move(tables), lower); }

TEST_F(ReportTest, TheMergeFillsEachPlaceholderAndHiddenCostsCutTheCompanysTemplate) {
    ReportFields fields;
    fields(field::kSpecies, field::kSetA) = "Ant } C:\\temp %ALocation%";
    fields(field::kLocation, field::kSetA) = "";
    fields(field::kProbability, field::kSetB) = "0.5";
    fields(field::kPicture, field::kSetA) = "{\\*\\shppict{\\pict\\pngblip 00}}";
    const std::string info = "{\\rtf1 {\\info{\\*\\company Tarnwick Software Systems Inc.}}";
    ExpectEach({{"empty fields show dashes, pictures nothing", "{%ARR2b%|%Bpic3%|%AI5A%}", "{--||--}"},
                {"empty text stays empty, set B has no species", "{%ALocation%%BSpecies%}", "{%BSpecies%}"},
                {"text escaped, a placeholder in it kept as text", "{%aspecies%}", "{Ant \\} C:\\\\temp %ALocation%}"},
                {"a picture goes in as it is", "{%Apic1%}", "{{\\*\\shppict{\\pict\\pngblip 00}}}"},
                {"no placeholder: unchanged", "{\\rtf1 {\\b 100% sure}\\par caf\xE9}",
                 "{\\rtf1 {\\b 100% sure}\\par caf\xE9}"},
                {"shown costs stay", info + "a{\\page }%Bp1a%}", info + "a{\\page }0.5}"}},
               [&](const std::string& in) { return Report(fields).MergeReportTemplate(in); });
    ExpectEach({{"hidden costs cut the company's template", info + "a%Ap1a%{\\page }%Bp1a%}", info + "a--}"},
                {"and no other", "{\\rtf1 a%Ap1a%{\\page }%Bp1a%}", "{\\rtf1 a--{\\page }0.5}"}},
               [&](const std::string& in) { return Report(fields, true).MergeReportTemplate(in); });
    // The categorical cost tables stay in the appendix of the cut report.
    fields.categoryTables[1] = TablesFrom(9, {Table(2, 1, {7, 1})});
    const std::string merged = Report(fields, true).MergeReportTemplate(CReport::DefaultTemplate());
    EXPECT_EQ(CountOf(merged, "{\\fs16 FC1\\cell}"), 1);
    EXPECT_EQ(CountOf(merged, "Management Costs"), 0);
}

// Each placeholder of the template is filled once: a field's text is never searched.
TEST_F(ReportTest, TextFilledInIsNeverSearchedForPlaceholders) {
    struct Case {
        const char* name;
        std::string species, location, templ, merged;
    };
    const Case cases[] = {
        {"a species holding the location's placeholder", "%ALocation%", "Lake", "{%ASpecies% at %ALocation%}",
         "{%ALocation% at Lake}"},
        {"a location holding the species' placeholder", "Ant", "%aspecies%", "{%ASpecies% at %ALocation%}",
         "{Ant at %aspecies%}"},
        {"a species holding a placeholder of set B", "%Bp1a%", "Lake", "{%ASpecies%|%Bp1a%}", "{%Bp1a%|0.5}"},
        {"a species that with the text after it spells a placeholder", "%A", "Lake", "{%ASpecies%Location%}",
         "{%ALocation%}"},
        {"a percent sign before a placeholder", "Ant", "Lake", "{100% %ASpecies%}", "{100% Ant}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReportFields fields;
        fields(field::kSpecies, field::kSetA) = c.species;
        fields(field::kLocation, field::kSetA) = c.location;
        fields(field::kProbability, field::kSetB) = "0.5";
        EXPECT_EQ(Report(fields).MergeReportTemplate(c.templ), c.merged);
    }
}

// Groups and control words of RTF text, as a reader counts them: "" when the groups
// balance, never close below the start, no control word has letters or digits in
// [from, to) other than the \u that escaping writes, the binary data of a \binN
// takes nothing of [from, to) but zero bytes, nor the byte that the office suite takes
// after a \bin of no positive count anything but a blank, and the fallback a \uN
// before from skips (as the suite counts it) takes nothing there but "?"; else what
// went wrong.
std::string RtfFault(const std::string& rtf, std::size_t from, std::size_t to) {
    int depth = 0;
    struct Skip {
        long long count = 1, owed = 0;
        std::size_t at = 0;
    };
    std::vector<Skip> skips(1);  // one a group, each starting as where it opens
    const auto text = [&](std::size_t k) {
        Skip& s = skips.back();
        if (s.owed == 0) return std::string();
        if (s.owed > 0) --s.owed;
        const bool taken = s.at < from && k >= from && k < to && rtf[k] != '?';
        return taken ? "the fallback of \\u at " + std::to_string(s.at) + " takes " + std::to_string(k) : "";
    };
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '{') skips.push_back(skips.back());
        if (rtf[i] == '}' && skips.size() > 1) skips.pop_back();
        if (rtf[i] == '{') ++depth;
        if (rtf[i] == '}' && --depth < 0) return "a group closed at " + std::to_string(i);
        const bool plain = rtf[i] != '{' && rtf[i] != '}' && rtf[i] != '\r' && rtf[i] != '\n';
        if (const std::string fault = plain && rtf[i] != '\\' ? text(i) : ""; !fault.empty()) return fault;
        if (rtf[i] != '\\' || i + 1 == rtf.size()) continue;
        if (rtf[i + 1] == '\'') {
            if (const std::string fault = text(i); !fault.empty()) return fault;
            i += 3;  // \'hh, whatever the two characters are
            continue;
        }
        std::size_t end = i + 1;
        while (end < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[end]))) ++end;
        if (end == i + 1) {
            ++i;  // a control symbol
            continue;
        }
        const std::string word = rtf.substr(i + 1, end - i - 1);
        if (end < rtf.size() && rtf[end] == '-') ++end;
        const std::size_t digits = end;
        while (end < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[end]))) ++end;
        const bool escaping = i >= from && word == "u";
        if (end > from && i + 1 < to && !escaping) return "control word \\" + word + " at " + std::to_string(i);
        // The suite's number: 1 without digits, 0 past 32 bits.
        long long n = end == digits ? 1 : end - digits > 10 ? 0 : std::stoll(rtf.substr(digits, end - digits));
        n = (n > INT32_MAX ? 0 : n) * (rtf[digits - 1] == '-' ? -1 : 1);
        if (word == "uc" && n >= INT16_MIN && n <= INT16_MAX) skips.back().count = n;
        if (word == "u" && n >= INT16_MIN && n <= UINT16_MAX)
            skips.back() = {skips.back().count, skips.back().count, i};
        const bool positive = rtf.find_first_not_of('0', digits) < end && rtf[digits - 1] != '-';
        if (end < rtf.size() && rtf[end] == ' ') ++end;
        if (word == "bin") {
            if (!positive) {
                if (end >= from && end < to && rtf[end] != ' ') return "the byte after \\bin at " + std::to_string(i);
                end = std::min(end + 1, rtf.size());
            } else {
                const std::size_t data = std::min(end + std::stoul(rtf.substr(digits, end - digits)), rtf.size());
                for (std::size_t k = std::max(end, from); k < std::min(data, to); ++k) {
                    if (rtf[k] != '\0') return "binary data takes the field's byte at " + std::to_string(k);
                }
                end = data;
            }
        }
        i = end - 1;
    }
    return depth == 0 ? "" : std::to_string(depth) + " groups open at the end";
}

// Whatever the template holds just before a placeholder, a species cannot open or
// close a group or spell a control word, and the template's own text stays.
TEST_F(ReportTest, NoSpeciesCanFinishWhatTheTemplateLeftOpenBeforeIt) {
    struct Around {
        const char* name;
        std::string before, after;
    };
    const Around arounds[] = {
        {"nothing", "{\\rtf1 ", "}"},
        {"a backslash", "{\\rtf1 \\", "}"},
        {"two backslashes", "{\\rtf1 \\\\", "}"},
        {"three backslashes", "{\\rtf1 \\\\\\", "}"},
        {"an open brace", "{\\rtf1 {", "}}"},
        {"a close brace", "{\\rtf1 {b}", "}"},
        {"a control word", "{\\rtf1 \\b", "}"},
        {"a control word and number", "{\\rtf1 \\fs-24", "}"},
        {"a hex escape begun", "{\\rtf1 \\'", "}"},
        {"a hex escape's first digit", "{\\rtf1 \\'4", "}"},
        {"binary data announced", "{\\rtf1 \\bin5", "}"},
        {"binary data announced and its blank", "{\\rtf1 \\bin5 ", "}"},
        {"binary data begun", "{\\rtf1 \\bin5 ab", "}"},
        {"binary data ending in a backslash", "{\\rtf1 \\bin1 \\", "}"},
        {"binary data given whole before", "{\\rtf1 \\bin2 ab\\b", "}"},
        {"no binary data", "{\\rtf1 \\bin0", "}"},
        {"no binary data and its blank", "{\\rtf1 \\bin0 ", "}"},
        {"binary data of no count", "{\\rtf1 \\bin", "}"},
        {"binary data of a negative count", "{\\rtf1 \\bin-5", "}"},
        {"binary data of count minus zero and its blank", "{\\rtf1 \\bin-0 ", "}"},
        {"a backslash after no binary data", "{\\rtf1 \\bin0\\", "}"},
        {"a backslash after binary data of no count", "{\\rtf1 \\bin\\", "}"},
        {"a backslash after binary data of a negative count", "{\\rtf1 \\bin-3\\", "}"},
        {"a backslash after no binary data and its blank", "{\\rtf1 \\bin0 \\", "}"},
        {"two backslashes after no binary data", "{\\rtf1 \\bin0\\\\", "}"},
        {"a backslash after binary data ending in one", "{\\rtf1 \\bin1 \\\\", "}"},
        {"a Unicode character", "{\\rtf1 \\u8212", "}"},
        {"a Unicode character and its blank", "{\\rtf1 \\u8212 ", "}"},
        {"a Unicode character, then no binary data", "{\\rtf1 \\u8212\\bin0", "}"},
        {"a Unicode character, then a control word", "{\\rtf1 \\u8212\\b ", "}"},
        {"two fallback characters, one given", "{\\rtf1 \\uc2\\u8212 ?", "}"},
        {"three fallback characters, one given, a group opened", "{\\rtf1 \\uc3\\u8212 ?{", "}}"},
        {"no fallback set in a group closed before", "{\\rtf1 {\\uc0}\\u8212 ", "}"},
    };
    const char* species[] = {"{x",       "}",   "\\", "\\par", "par",
                             "{\\*\\x}", "\\'", "a{", "7b}",   "\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80",
                             ""};
    for (const Around& a : arounds) {
        for (const char* s : species) {
            SCOPED_TRACE(std::string(a.name) + ", species " + s);
            ReportFields fields;
            fields(field::kSpecies, field::kSetA) = s;
            const std::string merged = Report(fields).MergeReportTemplate(a.before + "%ASpecies%" + a.after);
            ASSERT_EQ(merged.substr(0, a.before.size()), a.before);
            ASSERT_EQ(merged.substr(merged.size() - a.after.size()), a.after);
            EXPECT_EQ(RtfFault(merged, a.before.size(), merged.size() - a.after.size()), "");
        }
    }
    // What each shows, by hand: the lone backslash as itself, then the species.
    ReportFields fields;
    fields(field::kSpecies, field::kSetA) = "{x";
    fields(field::kLocation, field::kSetA) = "old";
    ExpectEach({{"the reported template", "{\\rtf1 \\%ASpecies%}", "{\\rtf1 \\\\\\{x}"},
                {"a control word ended by a blank", "{\\b%ALocation%}", "{\\b old}"},
                {"a hex escape completed", "{\\'%ALocation%\\'e%ASpecies%}", "{\\'00old\\'e0\\{x}"},
                {"binary data given as zero bytes", "{\\bin3%ALocation%}", std::string("{\\bin3 \0\0\0old}", 14)},
                {"binary data begun, the rest given", "{\\bin3 a%ALocation%}", std::string("{\\bin3 a\0\0old}", 14)},
                {"binary data given whole by the template", "{\\bin1 \\%ASpecies%}", "{\\bin1 \\\\{x}"},
                {"no binary data: a blank for the byte taken", "{\\bin0%ALocation%}", "{\\bin0  old}"},
                {"the same after the template's blank", "{\\bin-5 %ALocation%}", "{\\bin-5  old}"},
                {"text between the \\bin and the field", "{\\bin0 a%ALocation%}", "{\\bin0 aold}"},
                {"a blank after the backslash taken", "{\\bin0\\%ALocation%}", "{\\bin0\\ old}"},
                {"a blank after the \\\\ read as a lone one", "{\\bin0\\\\%ALocation%}", "{\\bin0\\\\ old}"},
                {"a lone backslash after binary data", "{\\bin1 \\\\%ALocation%}", "{\\bin1 \\\\\\old}"},
                {"the fallback a \\u skips", "{\\u8212%ALocation%}", "{\\u8212 ?old}"},
                {"the same after no binary data", "{\\u8212\\bin0%ALocation%}", "{\\u8212\\bin0  ?old}"},
                {"the one of two not given", "{\\uc2\\u8212 ?%ALocation%}", "{\\uc2\\u8212 ??old}"},
                {"a \\uc0 closed with its group", "{{\\uc0}\\u8212 %ALocation%}", "{{\\uc0}\\u8212 ?old}"},
                {"none after \\uc0", "{\\uc0\\u8212 %ALocation%}", "{\\uc0\\u8212 old}"},
                {"none after a group that skips", "{\\uc2{\\u8212 }%ALocation%}", "{\\uc2{\\u8212 }old}"},
                {"a hex escape is a fallback", "{\\u8212\\'%ALocation%}", "{\\u8212\\'00old}"}},
               [&](const std::string& in) { return Report(fields).MergeReportTemplate(in); });
}

// A template within its 8 MB can ask for a report of gigabytes: refused before it is
// built, the bound named. Sizes by hand: n copies of a species of k letters, in MB of
// 2^20 bytes rounded up.
TEST_F(ReportTest, AReportBeyondItsBoundIsRefusedBeforeItIsBuilt) {
    struct Case {
        const char* name;
        std::size_t copies, letters;
        std::string tail, error;
    };
    const Case cases[] = {
        {"200,000 species of 4,095 characters: 819,000,000 bytes", 200000, 4095, "",
         "The report was not written: merged with the template it would take 782 MB, more than the 64 MB a report may "
         "take."},
        {"200,000 species of 32,767 characters: 6,553,400,000 bytes", 200000, 32767, "",
         "The report was not written: merged with the template it would take 6250 MB, more than the 64 MB a report may "
         "take."},
        {"one byte over 64 MB", 32768, 2048, "x",
         "The report was not written: merged with the template it would take 65 MB, more than the 64 MB a report may "
         "take."},
        {"64 MB exactly", 32768, 2048, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReportFields fields;
        fields(field::kSpecies, field::kSetA) = std::string(c.letters, 'a');
        std::string templ;
        for (std::size_t i = 0; i < c.copies; ++i) templ += "%ASpecies%";
        templ += c.tail;
        const CReport report = Report(fields);
        std::size_t size = 0;
        EXPECT_EQ(ErrorText([&] { size = report.MergeReportTemplate(templ).size(); }), c.error);
        EXPECT_EQ(size, c.error.empty() ? std::size_t{64} << 20 : 0u);
    }
    // The zero bytes a \binN is given count too: the template's bytes less the
    // placeholder's 10, the count, and the species' one byte. Past 2^40 the count is
    // not added up: the template asks for more than the bound, whatever its digits.
    ReportFields fields;
    fields(field::kSpecies, field::kSetA) = "a";
    const std::string moreThanTheBound =
        "The report was not written: the template asks for more than the 64 MB a report may take.";
    ExpectEach({{"2^26 bytes: 25 - 10 + 2^26 + 1", "{\\bin67108864 %ASpecies%}",
                 "The report was not written: merged with the template it would take 65 MB, more than the 64 MB a "
                 "report may take."},
                {"2^40 bytes: 30 - 10 + 2^40 + 1", "{\\bin1099511627776 %ASpecies%}",
                 "The report was not written: merged with the template it would take 1048577 MB, more than the 64 MB "
                 "a report may take."},
                {"2^40 + 1 bytes", "{\\bin1099511627777 %ASpecies%}", moreThanTheBound},
                {"10^30 bytes, 3 of them given", "{\\bin1000000000000000000000000000000 abc%ASpecies%}",
                 moreThanTheBound}},
               [&](const std::string& templ) { return ErrorText([&] { Report(fields).MergeReportTemplate(templ); }); });
}

TEST(PageCut, CutsAtTheGroupOfTheFirstWholePageControlWord) {
    ExpectEach({{"page group at depth 1", "{\\rtf1 a\\par {\\insrsid1 \\page }b}", "{\\rtf1 a\\par }"},
                {"\\pagebb earlier is no page break", "{\\rtf1 {\\pard\\pagebb x\\par}{\\b y}{\\page }z}",
                 "{\\rtf1 {\\pard\\pagebb x\\par}{\\b y}}"},
                {"a cut at depth 2 closes two groups", "{\\rtf1 {\\sect a{\\page } b} c}", "{\\rtf1 {\\sect a}}"},
                {"escaped braces and backslashes are text", "{\\rtf1 a\\{ \\\\page b{\\page }}",
                 "{\\rtf1 a\\{ \\\\page b}"},
                {"no page break", "{\\rtf1 \\pagebb x}", "{\\rtf1 \\pagebb x}"}},
               CutBeforeFirstPage);
}

// The appendix byte for byte as the table layout gives it, and where it goes.
TEST_F(ReportTest, TheAppendixListsEveryTableBeforeTheClosingBrace) {
    ReportFields fields;
    fields.categoryTables[0] = Variant("not categorical");
    fields.categoryTables[1] = TablesFrom(9, {Table(2, 1, {2.5, 1})});
    const std::string appendix = Report(fields).DoCategoryDataReport();
    ASSERT_EQ(appendix,
              "{\\page }\\qc {\\fs28\\ul Appendix:  Biological Risk Assessment Report (cont\\rquote d)}"
              "{\\fs28\\ul\\par } \\par\\ql {\\fs22\\ul Categorical Cost Data}\\par\\par"
              "{\\trowd \\trgaph0\\trleft-0\\clbrdrb\\brdrs\\brdrw10\\clvertalc\\cellx960\r\n"
              "\\clbrdrb\\brdrs\\brdrw10\\clvertalc\\cellx1720\r\n"
              "\\pard\\ql\\intbl{\\fs16 FC1\\cell}\r\n"
              "\\pard\\ql\\intbl{\\fs16 P(0-1)\\cell}\r\n"
              "\\intbl{\\fs16 \\row}\r\n"
              "\\trowd \\trgaph0\\trleft-0\\clvertalc\\cellx960\r\n"
              "\\clvertalc\\cellx1720\r\n"
              "\\pard\\ql\\intbl{\\fs16 2.5\\cell}\r\n"
              "\\pard\\ql\\intbl{\\fs16 1.0\\cell}\r\n"
              "\\intbl{\\fs16 \\row}\r\n"
              "}");
    ExpectEach({{"20 blanks, a tab and CR LF after it", std::string(20, ' ') + "\t\r\n", "in"},
                {"ten characters of other text", "0123456789", "in"},
                {"eleven characters of other text", "0123456789A", "out"}},
               [&](const std::string& tail) {
                   const std::string merged = Report(fields).MergeReportTemplate("{\\rtf1 x}" + tail);
                   return merged == "{\\rtf1 x" + appendix + "}" + tail ? "in"
                          : merged == "{\\rtf1 x}" + tail               ? "out"
                                                                        : merged;
               });
    // Every table listed, values rounded to four figures, probabilities to six decimals.
    fields.categoryTables[1] = Variant();
    fields.categoryTables[0] = TablesFrom(4, {Table(2, 2, {1, 2, 0.5, 0.5}), Table(2, 1, {3, 1}),
                                              Table(2, 2, {123456.7, 0.0000123456, 0.1234567, 0.8765433}),
                                              Table(2, 1, {4, 1}), Table(2, 1, {5, 1})});
    const std::string text = Report(fields).DoCategoryDataReport();
    for (const char* cell : {"I1", "I2", "I3", "I4", "I5", "123500", "1.235E-05", "0.123457", "0.876543"}) {
        EXPECT_EQ(CountOf(text, std::string("{\\fs16 ") + cell + "\\cell}"), 1) << cell;
    }
    EXPECT_EQ(CountOf(text, "Categorical Impact Data"), 1);
    EXPECT_EQ(CountOf(text, "Categorical Cost Data"), 0);
    EXPECT_EQ(Report(ReportFields{}).DoCategoryDataReport(), "");
}

// Positioned for the word processor: headings and tables side by side.
TEST_F(ReportTest, ForTheWordProcessorTheAppendixIsPositioned) {
    ReportFields fields;
    fields.categoryTables[0] = TablesFrom(4, {Table(2, 2, {1, 2, 0.5, 0.5}), Table(2, 1, {3, 1}),
                                              Table(2, 2, {123456.7, 0.0000123456, 0.1234567, 0.8765433}),
                                              Table(2, 1, {4, 1}), Table(2, 1, {5, 1})});
    fields.categoryTables[1] = TablesFrom(9, {Table(2, 1, {3, 1})});
    const std::string positioned = Report(fields, false, true).DoCategoryDataReport();
    EXPECT_THAT(positioned,
                HasSubstr("\\ql \\pard \\posx0 \\posy2000 {\\fs24\\ul Categorical Impact Data} \\par\\par {"));
    EXPECT_THAT(positioned, HasSubstr("\\posx0 \\posy5100 {\\fs24\\ul Categorical Cost Data}"));
    EXPECT_EQ(CountOf(positioned, "\\tposx1900\\tposy2600\\c"), 2);
    EXPECT_EQ(CountOf(positioned, "\\tposx0\\tposy5700"), 2);
}

TEST(EscapeRtf, EveryCharacterClassComesOutAsAsciiRtf) {
    // Control characters and separators are blanks, as in the batch CSV: none runs words
    // together or breaks a value's line.
    ExpectEach({{"tab", "a\tb", "a b"},
                {"CR and LF", "a\r\nb\nc", "a  b c"},
                {"NUL, C0, DEL",
                 std::string("a\0b\x01"
                             "c\x7f"
                             "d\x1f",
                             8),
                 "a b c d "},
                {"C1, U+0085 among them",
                 "a\xC2\x80"
                 "b\xC2\x85"
                 "c\xC2\x9F"
                 "d\xC2\xA0",
                 "a b c d\\u160?"},
                // U+2028 is UTF-8 E2 80 A8, U+2029 E2 80 A9; U+202A (E2 80 AA) is no separator.
                {"line and paragraph separators",
                 "a\xE2\x80\xA8"
                 "b\xE2\x80\xA9"
                 "c\xE2\x80\xAA"
                 "d",
                 "a b c\\u8234?d"},
                {"unit above 0x7FFF is negative", "\xEF\xBF\xBD", "\\u-3?"},
                {"beyond U+FFFF: surrogate pair", "\xF0\x9F\x98\x80", "\\u-10179?\\u-8704?"},
                {"hostile species", "Ant } {x} C:\\temp \xC3\xA9 \xE2\x82\xAC",
                 "Ant \\} \\{x\\} C:\\\\temp \\u233? \\u8364?"}},
               EscapeRtf);
}

}  // namespace
}  // namespace nuvir::test
