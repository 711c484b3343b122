// The built-in template, its file, and what the office suite makes of it.
#include <QImage>

#include "report/reportfile.h"
#include "report/templatefile.h"
#include "report_fixture.h"

namespace nuvir::test {
namespace {

const std::string& Template() { return CReport::DefaultTemplate(); }

// Plain ASCII with CR LF line ends; each placeholder once, set B's after the page break.
TEST(DefaultTemplate, EachPlaceholderOnceOnItsPage) {
    const std::string& t = Template();
    EXPECT_EQ(t.rfind("{\\rtf1\\ansi\\ansicpg1252\\uc1", 0), 0u);
    for (std::size_t i = 0; i < t.size(); ++i) {
        const auto c = static_cast<unsigned char>(t[i]);
        ASSERT_TRUE(c >= 0x20 ? c < 0x80 : (c == '\r' && t[i + 1] == '\n') || (c == '\n' && t[i - 1] == '\r')) << i;
    }
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
    const std::size_t start = t.find("\\pngblip ") + 9;
    std::string hex;
    for (std::size_t i = start; t[i] != '}'; ++i) {
        if (std::isxdigit(static_cast<unsigned char>(t[i]))) hex += t[i];
    }
    const QImage chain = QImage::fromData(QByteArray::fromHex(QByteArray::fromStdString(hex)), "PNG");
    EXPECT_EQ(std::make_tuple(chain.width(), chain.height(), chain.depth()), std::make_tuple(760, 346, 1));
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

}  // namespace
}  // namespace nuvir::test
