// The built-in template, its file, and what the office suite makes of it.
#include <QImage>

#include "report/reportfile.h"
#include "report/templatefile.h"
#include "report_fixture.h"

namespace nuvir::test {
namespace {

const std::string& Template() { return CReport::DefaultTemplate(); }

TEST(DefaultTemplate, ShapeOfTheText) {
    const std::string& t = Template();
    EXPECT_EQ(t.rfind("{\\rtf1\\ansi\\ansicpg1252\\uc1", 0), 0u);
    EXPECT_EQ(t.back(), '}');
    EXPECT_EQ(t.find("~NL~"), std::string::npos);
    for (std::size_t i = 0; i < t.size(); ++i) {
        const auto c = static_cast<unsigned char>(t[i]);
        ASSERT_TRUE(c < 0x80 && (c >= 0x20 || c == '\r' || c == '\n')) << "byte " << i;
        if (c == '\r') {
            ASSERT_EQ(t[i + 1], '\n') << "byte " << i;
        }
        if (c == '\n') {
            ASSERT_EQ(t[i - 1], '\r') << "byte " << i;
        }
    }
    // Groups balance, and only the last brace closes the document.
    int depth = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\\') {
            ++i;
        } else if (t[i] == '{') {
            ++depth;
        } else if (t[i] == '}' && --depth == 0) {
            EXPECT_EQ(i, t.size() - 1);
        }
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(CountOf(t, "\\jexpand\\viewkind1"), 1);
}

TEST(DefaultTemplate, EachPlaceholderOnceOnItsPage) {
    const std::string& t = Template();
    ASSERT_EQ(CountOf(t, "\\page"), 1);
    EXPECT_EQ(CountOf(t, "{\\insrsid6162057 \\page }"), 1);
    EXPECT_EQ(CountOf(t, std::string(kTemplateLandmark)), 1);
    const std::size_t page = t.find("\\page");
    int total = 0;
    for (int set = 0; set < 2; ++set) {
        for (int row = 0; row < field::kTextRows; ++row) {
            const std::string name = PlaceholderName(row, set);
            if (name.empty()) continue;
            ++total;
            EXPECT_EQ(CountOf(t, name), 1) << name;
            EXPECT_EQ(t.find(name) < page, set == field::kSetA) << name;
        }
    }
    EXPECT_EQ(total, 113);
    EXPECT_EQ(CountOf(t, "%"), 2 * 113);
}

TEST(DefaultTemplate, TheChainPictureIsAOneBitPngOf760By346) {
    const std::string& t = Template();
    const std::size_t start = t.find("\\pngblip ");
    ASSERT_NE(start, std::string::npos);
    const std::size_t end = t.find('}', start);
    std::string hex;
    for (std::size_t i = start + 9; i < end; ++i) {
        if (std::isxdigit(static_cast<unsigned char>(t[i]))) hex += t[i];
    }
    const QImage picture = QImage::fromData(QByteArray::fromHex(QByteArray::fromStdString(hex)), "PNG");
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.width(), 760);
    EXPECT_EQ(picture.height(), 346);
    EXPECT_EQ(picture.depth(), 1);
}

TEST_F(ReportTest, MergedWithEmptyFieldsEveryValueShowsDashes) {
    CReport report;
    report.SetData(ReportFields{});
    report.SetHideCosts(false);
    const std::string merged = report.MergeReportTemplate(Template());
    EXPECT_EQ(merged.find('%'), std::string::npos);
    EXPECT_EQ(CountOf(merged, "p1 =   --"), 4);
    EXPECT_EQ(CountOf(merged, "CI = --)"), 2);
    EXPECT_EQ(CountOf(merged, "\\qr \\intbl\\f0\\fs16 {--}\\cell"), 45);
}

TEST_F(ReportTest, HidingCostsEndsTheReportAfterTheFirstPage) {
    CReport report;
    report.SetData(ReportFields{});
    report.SetHideCosts(true);
    const std::string merged = report.MergeReportTemplate(Template());
    const std::string page1 = Template().substr(0, Template().find("{\\insrsid6162057 \\page }"));
    CReport uncut;
    uncut.SetData(ReportFields{});
    uncut.SetHideCosts(false);
    EXPECT_TRUE(merged == uncut.MergeReportTemplate(page1) + "}");
    const std::string end = "{\\par }\r\n\\pard\\plain \\qc \\f0\\fs20 }";
    EXPECT_EQ(merged.substr(merged.size() - end.size()), end);
}

TEST_F(ReportTest, AMissingTemplateIsWrittenInTheSettingsFolderAndNeverReplaced) {
    EXPECT_EQ(GetReportTemplatePath(), dir.file("ReportTemplate_v32.rtf"));
    ASSERT_TRUE(WriteDefaultTemplate());
    EXPECT_EQ(ReadBytes(GetReportTemplatePath()), Template() + "\r\n");
    WriteBytes(GetReportTemplatePath(), "{\\rtf1 mine}");
    EXPECT_TRUE(WriteDefaultTemplate());
    EXPECT_EQ(ReadBytes(GetReportTemplatePath()), "{\\rtf1 mine}");
    EXPECT_TRUE(services.messageBox.calls.empty());
}

TEST_F(ReportTest, AFailedTemplateWriteLeavesNoFile) {
    for (FileStage stage : {FileStage::Open, FileStage::Write, FileStage::Commit}) {
        SCOPED_TRACE(static_cast<int>(stage));
        services.messageBox.calls.clear();
        SetFileFaultForTesting([stage](FileStage s) { return s == stage ? ENOSPC : 0; });
        EXPECT_FALSE(WriteDefaultTemplate());
        SetFileFaultForTesting({});
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
        ASSERT_EQ(services.messageBox.calls.size(), 1u);
        EXPECT_EQ(services.messageBox.calls[0].title, "Error creating report template");
        EXPECT_NE(services.messageBox.calls[0].text.find("No space left on device"), std::string::npos);
    }
}

TEST_F(ReportTest, AnUnwritableSettingsFolderIsReported) {
    SetAppFacts(AppFacts{dir.file("no such folder"), "nuvir"});
    EXPECT_FALSE(WriteDefaultTemplate());
    ASSERT_EQ(services.messageBox.calls.size(), 1u);
    EXPECT_EQ(services.messageBox.calls[0].title, "Error creating report template");
}

// The office suite's view of the merged template, with a hostile species.
TEST_F(ReportTest, TheOfficeSuiteShowsTwoPagesOrOneWithCostsHidden) {
    ReportFields fields;
    const std::string species = "Ant } {x} C:\\temp \xC3\xA9 \xE2\x82\xAC";
    fields(field::kSpecies, field::kSetA) = species;
    for (bool hide : {false, true}) {
        CReport report;
        report.SetData(fields);
        report.SetHideCosts(hide);
        const std::string name = hide ? "template_hidden_costs" : "template_empty";
        WriteBytes(dir.file(name + ".rtf"), report.MergeReportTemplate(Template()));
        const std::string checks = hide ? "--pages 1 --no-text 'Management Costs'"
                                        : "--pages 2 --text 'Calculated Risks' --text 'Management Costs'";
        const int status = CheckReport(checks + " --images 1 --text " + Quoted(species) +
                                       " --text Probabilities --text 'Cumulative Risk (CI = --)' --text S1 --text S5"
                                       " --no-text %A --no-text %B --png " + Quoted(name + ".png") + " " +
                                       Quoted(dir.file(name + ".rtf")));
        if (status == 77) GTEST_SKIP() << "the office suite is not installed";
        EXPECT_EQ(status, 0) << name;
    }
}

}  // namespace
}  // namespace nuvir::test
