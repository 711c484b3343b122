// The placeholder merge, the page cut, the appendix and its tables, and escaping.
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

TEST_F(ReportTest, ValuesDashesEscapesPicturesAndTheCostsPage) {
    ReportFields fields;
    fields(field::kSpecies, field::kSetA) = "Ant } C:\\temp %ALocation%";
    fields(field::kLocation, field::kSetA) = "";
    fields(field::kProbability, field::kSetB) = "0.5";
    fields(field::kPicture, field::kSetA) = "{\\*\\shppict{\\pict\\pngblip 00}}";
    const std::string info = "{\\rtf1 {\\info{\\*\\company Tarnwick Software Systems Inc.}}";
    struct Case { const char* name; std::string in, out; bool hideCosts = false; };
    const Case cases[] = {
        {"empty fields show dashes, pictures nothing", "{%ARR2b%|%Bpic3%|%AI5A%}", "{--||--}"},
        {"empty text stays empty", "{%ALocation%}", "{}"},
        {"set B has no species", "{%BSpecies%}", "{%BSpecies%}"},
        {"text escaped, a later placeholder in it replaced too", "{%aspecies%}", "{Ant \\} C:\\\\temp }"},
        {"a picture goes in as it is", "{%Apic1%}", "{{\\*\\shppict{\\pict\\pngblip 00}}}"},
        {"no placeholder: unchanged", "{\\rtf1 {\\b 100% sure}\\par caf\xE9}", "{\\rtf1 {\\b 100% sure}\\par caf\xE9}"},
        {"hidden costs cut the company's template", info + "a%Ap1a%{\\page }%Bp1a%}", info + "a--}", true},
        {"and no other", "{\\rtf1 a%Ap1a%{\\page }%Bp1a%}", "{\\rtf1 a--{\\page }0.5}", true},
        {"shown costs stay", info + "a{\\page }%Bp1a%}", info + "a{\\page }0.5}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Report(fields, c.hideCosts).MergeReportTemplate(c.in), c.out);
    }
    // The categorical cost tables stay in the appendix of the cut report.
    fields.categoryTables[1] = TablesFrom(9, {CategoryTable({7}, {1})});
    const std::string merged = Report(fields, true).MergeReportTemplate(CReport::DefaultTemplate());
    EXPECT_EQ(CountOf(merged, "{\\fs16 FC1\\cell}"), 1);
    EXPECT_EQ(CountOf(merged, "Management Costs"), 0);
}

TEST(PageCut, CutsAtTheGroupOfTheFirstWholePageControlWord) {
    struct Case { const char* name; std::string in; std::string out; };
    const Case cases[] = {
        {"page group at depth 1", "{\\rtf1 a\\par {\\insrsid1 \\page }b}", "{\\rtf1 a\\par }"},
        {"\\pagebb earlier is no page break", "{\\rtf1 {\\pard\\pagebb x\\par}{\\b y}{\\page }z}",
         "{\\rtf1 {\\pard\\pagebb x\\par}{\\b y}}"},
        {"a cut at depth 2 closes two groups", "{\\rtf1 {\\sect a{\\page } b} c}", "{\\rtf1 {\\sect a}}"},
        {"escaped braces and backslashes are text", "{\\rtf1 a\\{ \\\\page b{\\page }}", "{\\rtf1 a\\{ \\\\page b}"},
        {"\\page with a parameter", "{\\rtf1 x{\\page1 }y}", "{\\rtf1 x}"},
        {"no page break", "{\\rtf1 \\pagebb x}", "{\\rtf1 \\pagebb x}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CutBeforeFirstPage(c.in), c.out);
    }
}

// The appendix byte for byte as the table layout gives it, and where it goes.
TEST_F(ReportTest, TheAppendixListsEveryTableBeforeTheClosingBrace) {
    ReportFields fields;
    fields.categoryTables[0] = Variant("not categorical");
    fields.categoryTables[1] = TablesFrom(9, {CategoryTable({2.5}, {1})});
    const std::string appendix = Report(fields).DoCategoryDataReport();
    ASSERT_EQ(appendix, "{\\page }\\qc {\\fs28\\ul Appendix:  Biological Risk Assessment Report (cont\\rquote d)}"
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
    struct Case { const char* name; std::string tail; bool inserted; };
    const Case cases[] = {
        {"closing brace last", "", true},
        {"20 blanks, a tab and CR LF after it", std::string(20, ' ') + "\t\r\n", true},
        {"20 NULs", std::string(20, '\0'), true},
        {"ten characters of other text", "0123456789", true},
        {"eleven characters of other text", "0123456789A", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string merged = Report(fields).MergeReportTemplate("{\\rtf1 x}" + c.tail);
        EXPECT_EQ(merged, c.inserted ? "{\\rtf1 x" + appendix + "}" + c.tail : "{\\rtf1 x}" + c.tail);
    }
    // Every table listed, values rounded to four figures, probabilities to six decimals.
    fields.categoryTables[1] = Variant();
    fields.categoryTables[0] = TablesFrom(4, {CategoryTable({1, 2}, {0.5, 0.5}), CategoryTable({3}, {1}),
                                              CategoryTable({123456.7, 0.0000123456}, {0.1234567, 0.8765433}),
                                              CategoryTable({4}, {1}), CategoryTable({5}, {1})});
    const std::string text = Report(fields).DoCategoryDataReport();
    for (const char* cell : {"I1", "I2", "I3", "I4", "I5", "123500", "1.235E-05", "0.123457", "0.876543"}) {
        EXPECT_EQ(CountOf(text, std::string("{\\fs16 ") + cell + "\\cell}"), 1) << cell;
    }
    EXPECT_EQ(CountOf(text, "Categorical Impact Data") + 2 * CountOf(text, "Categorical Cost Data"), 1);
    EXPECT_EQ(Report(ReportFields{}).DoCategoryDataReport(), "");
    // Positioned for the word processor: headings and tables side by side.
    fields.categoryTables[1] = TablesFrom(9, {CategoryTable({3}, {1})});
    const std::string positioned = Report(fields, false, true).DoCategoryDataReport();
    EXPECT_THAT(positioned, HasSubstr("\\ql \\pard \\posx0 \\posy2000 {\\fs24\\ul Categorical Impact Data} \\par\\par {"));
    EXPECT_EQ(CountOf(positioned, "\\trowd \\trgaph0\\trleft-0 \\tphmrg\\tposx1900\\tposy2600\\c"), 2);
    EXPECT_THAT(positioned, HasSubstr("\\posx0 \\posy5100 {\\fs24\\ul Categorical Cost Data}"));
    EXPECT_EQ(CountOf(positioned, "\\tposx0\\tposy5700"), 2);
}

TEST(EscapeRtf, EveryCharacterClassComesOutAsAsciiRtf) {
    struct Case { const char* name; std::string in; std::string out; };
    const Case cases[] = {
        {"tab", "a\tb", "a\\tab b"},
        {"CR and LF", "a\r\nb\nc", "a  b c"},
        {"other controls dropped", std::string("a\x01" "b\x7f" "c\x1f", 6), "abc"},
        {"unit above 0x7FFF is negative", "\xEF\xBF\xBD", "\\u-3?"},
        {"beyond U+FFFF: surrogate pair", "\xF0\x9F\x98\x80", "\\u-10179?\\u-8704?"},
        {"hostile species", "Ant } {x} C:\\temp \xC3\xA9 \xE2\x82\xAC", "Ant \\} \\{x\\} C:\\\\temp \\u233? \\u8364?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EscapeRtf(c.in), c.out);
    }
}

TEST(RtfTable, MissingOrOddListEntriesFallBackToTheirDefaults) {
    Variant data = Variant::MakeArray(VarType::Generic, {Bounds{1, 1}, Bounds{1, 4}});
    data(1, 1) = Variant("{a}");
    data(1, 2) = Variant(0.5);
    const std::string text = RtfTable(data, -1, 0, 10, "First, ,Third", "abc,500.5,0.5", "?,^,>,");
    // Edges: 1000 for "abc", then 1500.5 rounds to the even 1500, then 1501, then 2501.
    for (const char* edge : {"\\cellx1000\r\n", "\\cellx1500\r\n", "\\cellx1501\r\n", "\\cellx2501\r\n"}) {
        EXPECT_EQ(CountOf(text, edge), 2) << edge;
    }
    EXPECT_THAT(text, HasSubstr("\\pard\\ql\\intbl{\\fs20 First\\cell}\r\n\\pard\\qc\\intbl{\\fs20 \\cell}\r\n"
                                "\\pard\\qr\\intbl{\\fs20 Third\\cell}\r\n\\pard\\ql\\intbl{\\fs20 \\cell}\r\n"));
    EXPECT_THAT(text, HasSubstr("\\pard\\ql\\intbl{\\fs20 \\{a\\}\\cell}\r\n\\pard\\qc\\intbl{\\fs20 0.5\\cell}\r\n"));
    // Only one of the two coordinates set is enough to place it.
    EXPECT_EQ(CountOf(text, "\\trleft-0 \\tphmrg\\tposx-1\\tposy0\\c"), 2);
}

}  // namespace
}  // namespace nuvir::test
