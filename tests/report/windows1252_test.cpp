// An analyst's report template, saved by a word processor, is Windows-1252 RTF (it
// declares \ansicpg1252): every byte of the upper half is its character there, so the
// merge must hand each byte to the report, and to the clipboard, as it stands.
#include "platform/clipboardowner.h"
#include "report/reportcommand.h"
#include "report_fixture.h"
#include "windows1252.h"

namespace nuvir::test {
namespace {

class TemplateBytes : public ReportTest {};

TEST_F(TemplateBytes, EveryUpperByteOfATemplateReachesTheReportAndTheClipboardAsItStands) {
    std::string text = "{\\rtf1\\ansi\\ansicpg1252\\uc1\r\n";
    for (int b = 0x80; b <= 0xFF; ++b) text += std::string(1, char(b)) + "%aspecies%" + char(b) + "%BNa%\\par\r\n";
    text += "}";
    const std::string path = dir.file("edited.rtf");
    WriteBytes(path, text);
    ReportFields fields;
    fields(field::kSpecies, field::kSetA) = "Vespa";
    fields(field::kTrials, field::kSetB) = "1000";
    CReport report;
    report.SetData(fields);
    report.GenerateReport(path);
    const std::string& rtf = report.RTF();
    std::size_t at = rtf.find("\r\n") + 2;
    for (int b = 0x80; b <= 0xFF; ++b) {
        SCOPED_TRACE(ByteName(static_cast<unsigned char>(b)));
        const std::string line = std::string(1, char(b)) + "Vespa" + char(b) + "1000\\par\r\n";
        EXPECT_EQ(rtf.compare(at, line.size(), line), 0) << rtf.substr(at, line.size());
        at += line.size();
    }
    EXPECT_EQ(rtf.substr(at), "}");
    CopyRtfToClipboard(rtf);
    EXPECT_EQ(ClipboardRtfBytes(), rtf);
}

}  // namespace
}  // namespace nuvir::test
