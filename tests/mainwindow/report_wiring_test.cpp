// The Report button of the window: the report of the run on show, written where the
// analyst chose, from the template the start-up wrote.
#include "mainwindow/windowresults.h"
#include "mainwindow_fixture.h"
#include "platform/clipboardowner.h"
#include "report/rtfviewer.h"

namespace nuvir::test {
namespace {

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

TEST_F(MainWindowTest, ReportWritesTheRunOnShow) {
    MainWindowParts parts;
    parts.makeResults = [](FRiskMain& w) { return std::make_unique<WindowResults>(w); };
    parts.findRtfViewer = [] { return FindRtfViewer(); };
    FRiskMain& w = Start(std::move(parts));
    EXPECT_EQ(TextOf(AppOptions(opt::kReportViewer)), "") << "no association on this machine";
    w.tabMain->SetTab(2);
    Settle();
    w.cmdButton[0]->click();
    w.TimerTick(2);
    ASSERT_TRUE(w.cmdButton[1]->isEnabled());

    const std::string target = dir.file("report.rtf");
    files.QueueAnswer(target);
    w.cmdButton[1]->click();
    EXPECT_TRUE(services.messageBox.calls.empty());
    ASSERT_EQ(files.requests.size(), 1u);
    EXPECT_EQ(files.requests[0].fileName, "New_Specie_New_Locati.rtf");
    const std::string report = ReadBytes(target);
    EXPECT_EQ(Count(report, "\\pngblip"), 7);
    EXPECT_EQ(Count(report, "Plot not available"), 0);
    EXPECT_EQ(Count(report, "(CI = 95 %)"), 2);
    EXPECT_EQ(Count(report, "New Species"), 1);
    EXPECT_TRUE(ClipboardRtfBytes() == report);
    EXPECT_FALSE(w.Results().Busy());
}

}  // namespace
}  // namespace nuvir::test
