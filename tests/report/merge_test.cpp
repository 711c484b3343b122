// The placeholder merge, the page cut and the appendix.
#include "report_fixture.h"

namespace nuvir::test {
namespace {

// A report object with data and no options of its own.
CReport Report(const ReportFields& fields, bool hideCosts = false) {
    CReport r;
    r.SetData(fields);
    r.SetHideCosts(hideCosts);
    r.SetViewerIsWord(false);
    return r;
}

TEST_F(ReportTest, EveryPlaceholderIsReplacedWithoutRegardToCase) {
    ReportFields fields;
    std::string templ = "{\\rtf1 ";
    std::string expected = "{\\rtf1 ";
    for (int set = 0; set < 2; ++set) {
        for (int row = 0; row < field::kTextRows; ++row) {
            std::string name = PlaceholderName(row, set);
            if (name.empty()) continue;
            const std::string value = "v" + std::string(1, static_cast<char>('a' + set)) + FormatDouble(row);
            fields(row, set) = value;
            // Alternate lower and upper case spellings.
            for (char& c : name) c = row % 2 ? static_cast<char>(std::tolower(c)) : static_cast<char>(std::toupper(c));
            templ += name + "|";
            expected += value + "|";
        }
    }
    EXPECT_EQ(Report(fields).MergeReportTemplate(templ + "}"), expected + "}");
}

TEST_F(ReportTest, ValuesDashesEscapesAndPictures) {
    ReportFields fields;
    fields(field::kSpecies, field::kSetA) = "Ant } C:\\temp %ALocation%";
    fields(field::kLocation, field::kSetA) = "";
    fields(field::kPicture, field::kSetA) = "{\\*\\shppict{\\pict\\pngblip 00}}";
    struct Case { const char* name; std::string in, out; };
    const Case cases[] = {
        {"empty fields show dashes, pictures nothing", "{%ARR2b%|%Bpic3%|%AI5A%}", "{--||--}"},
        {"empty text stays empty", "{%ALocation%}", "{}"},
        {"set B has no species", "{%BSpecies%}", "{%BSpecies%}"},
        {"text escaped, a later placeholder in it replaced too", "{%aspecies%}", "{Ant \\} C:\\\\temp }"},
        {"a picture goes in as it is", "{%Apic1%}", "{{\\*\\shppict{\\pict\\pngblip 00}}}"},
        {"no placeholder: unchanged", "{\\rtf1 {\\b 100% sure}\\par caf\xE9}", "{\\rtf1 {\\b 100% sure}\\par caf\xE9}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Report(fields).MergeReportTemplate(c.in), c.out);
    }
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

TEST_F(ReportTest, HidingCostsCutsOnlyATemplateWithTheCompanyLine) {
    ReportFields fields;
    fields(field::kProbability, field::kSetB) = "0.5";
    const std::string info = "{\\info{\\*\\company Tarnwick Software Systems Inc.}}";
    const std::string tail = "a%Ap1a%{\\page }%Bp1a%}";
    EXPECT_EQ(Report(fields, true).MergeReportTemplate("{\\rtf1 " + info + tail), "{\\rtf1 " + info + "a--}");
    EXPECT_EQ(Report(fields, true).MergeReportTemplate("{\\rtf1 " + tail), "{\\rtf1 a--{\\page }0.5}");
    EXPECT_EQ(Report(fields, false).MergeReportTemplate("{\\rtf1 " + info + tail),
              "{\\rtf1 " + info + "a--{\\page }0.5}");
    // The categorical cost tables stay in the appendix of the cut report.
    fields.categoryTables[1] = TablesFrom(9, {CategoryTable({7}, {1})});
    const std::string merged = Report(fields, true).MergeReportTemplate(CReport::DefaultTemplate());
    EXPECT_EQ(CountOf(merged, "{\\fs16 FC1\\cell}"), 1);
    EXPECT_EQ(CountOf(merged, "Management Costs"), 0);
}

TEST_F(ReportTest, TheAppendixGoesBeforeTheClosingBracePastTrailingPadding) {
    ReportFields fields;
    fields.categoryTables[0] = Variant("not categorical");
    fields.categoryTables[1] = TablesFrom(9, {CategoryTable({2.5}, {1})});
    const std::string appendix = Report(fields).DoCategoryDataReport();
    ASSERT_EQ(appendix, "{\\page }\\qc {\\fs28\\ul Appendix:  Biological Risk Assessment Report (cont\\rquote d)}"
                        "{\\fs28\\ul\\par } \\par\\ql {\\fs22\\ul Categorical Cost Data}\\par\\par" +
                            OneCategoryTable("FC1"));
    struct Case { const char* name; std::string tail; bool inserted; };
    const Case cases[] = {
        {"closing brace last", "", true},
        {"CR LF after it", "\r\n", true},
        {"20 blanks", std::string(20, ' '), true},
        {"20 NULs", std::string(20, '\0'), true},
        {"ten characters of other text", "0123456789", true},
        {"eleven characters of other text", "0123456789A", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string merged = Report(fields).MergeReportTemplate("{\\rtf1 x}" + c.tail);
        EXPECT_EQ(merged, c.inserted ? "{\\rtf1 x" + appendix + "}" + c.tail : "{\\rtf1 x}" + c.tail);
    }
}

TEST_F(ReportTest, AppendixListsEveryTableWithRoundedValues) {
    ReportFields fields;
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
    CReport placed = Report(fields);
    placed.SetViewerIsWord(true);
    const std::string positioned = placed.DoCategoryDataReport();
    EXPECT_NE(positioned.find("\\ql \\pard \\posx0 \\posy2000 {\\fs24\\ul Categorical Impact Data} \\par\\par {"),
              std::string::npos);
    EXPECT_EQ(CountOf(positioned, "\\tposx1900\\tposy2600"), 2);
    EXPECT_NE(positioned.find("\\posx0 \\posy5100 {\\fs24\\ul Categorical Cost Data}"), std::string::npos);
    EXPECT_EQ(CountOf(positioned, "\\tposx0\\tposy5700"), 2);
}

// The template file is read as bytes, a trailing NUL and a Windows-1252 letter included.
TEST_F(ReportTest, GenerateReportNeedsDataAndAnExistingTemplate) {
    const std::string path = dir.file("t.rtf");
    CReport report;
    report.SetData(ReportFields{});
    report.GenerateReport(path);
    EXPECT_EQ(report.RTF(), "");
    WriteBytes(path, std::string("{\\rtf1 \xE9%ADate%}\0", 17));
    report.GenerateReport(path);
    EXPECT_EQ(report.RTF(), std::string("{\\rtf1 \xE9--}\0", 12));
}

}  // namespace
}  // namespace nuvir::test
