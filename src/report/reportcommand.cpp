// The Report command and the writing of the report file.
#include "report/reportcommand.h"

#include <QDate>

#include "appdata/appdata.h"
#include "appdata/paths.h"
#include "numerics/numerics.h"
#include "platform/clipboardowner.h"
#include "platform/handlerguard.h"
#include "platform/mousepointer.h"
#include "platform/services.h"
#include "platform/windowutilities.h"
#include "report/report.h"
#include "report/reportfields.h"
#include "platform/profile.h"
#include "report/reporthost.h"
#include "report/templatefile.h"
#include "results/resultplots.h"
#include "runtime/convert.h"
#include "runtime/patternformats.h"

namespace nuvir {

namespace {

std::string Today() {
    const QDate d = QDate::currentDate();
    return FormatDateDMY(d.year(), d.month(), d.day());
}

}  // namespace

void CopyRtfToClipboard(const std::string& rtf) {
    if (!MUtilities::ClearClipboard()) return;
    CopyRtfBytesToClipboard(rtf);
}

std::string GenerateRtfReport(ReportHost& host, const std::string& name) {
    const RunState& run = host.Run();
    const bool twoTails = ItemFlag(AppData, item::kRhoTwoTails);
    const Variant critical = RunCriticalCorrelation(run, twoTails);

    const std::string chosen = MUtilities::ShowFileDialog(MUtilities::filemode::kSave, kReportDialogTitle, "*.RTF",
                                                          MUtilities::AddBackslash(ReportPath) + name + ".rtf");
    if (chosen.empty()) return {};
    SetScreenMousePointer(mousepointer::Hourglass);
    DoEvents();
    ReportPath = MUtilities::GetPathPart(chosen);

    // The report goes to a file beside the chosen one, which replaces it only once the
    // whole report is written: an existing report survives any failure below.
    profile::AtomicFile file(chosen);
    bool fileOpen = file.Open();
    if (!fileOpen) {
        MsgBox("Can't write the file at this time, because:\r\n\r\n" + file.Error() +
                   "\r\n\r\nThe report will be on the clipboard.",
               mb::OKOnly, "");
        DoEvents();
    }

    std::string result;
    RunGuarded(GuardPolicy::ShowMessage, kReportErrorTitle, [&] {
        ReportFieldInputs inputs;
        inputs.criticalCorrelation = critical;
        inputs.twoTails = twoTails;
        inputs.today = Today();
        inputs.confidenceText = [&](int index) { return host.ConfidenceText(index); };
        ReportFields fields = BuildReportFields(run, inputs);
        AddReportPictures(fields, run, host.HiddenPicture());
        CReport report;
        report.SetData(std::move(fields));
        report.GenerateReport(GetReportTemplatePath());
        const std::string& rtf = report.RTF();
        if (rtf.empty()) return;
        // On the clipboard first, so a file that cannot be written loses nothing.
        CopyRtfToClipboard(rtf);
        if (!fileOpen) return;
        if (!file.Write(rtf) || !file.Commit()) RaiseComponentError(file.Error());
        result = chosen;
    });
    SetScreenMousePointer(mousepointer::Default);
    return result;
}

void ReportCommand(ReportHost& host) {
    RunGuarded(GuardPolicy::ShowMessage, kReportErrorTitle, [&] {
        SetScreenMousePointer(mousepointer::Default);
        DoEvents();
        if (!FileFunctions::FileExists(GetReportTemplatePath())) {
            MsgBox(kMissingTemplateText, mb::OKOnly, kMissingTemplateTitle);
            return;
        }
        std::string name = host.DefaultStateFileName();
        if (name.empty()) name = "Risk_Report";
        const std::string path = GenerateRtfReport(host, name);
        if (path.empty()) return;
        std::string viewer;
        TryStep([&] { viewer = TextOf(AppOptions(opt::kReportViewer)); });
        if (viewer.empty() || !FileFunctions::FileExists(viewer) || !ItemFlag(AppOptions, opt::kOpenReport)) return;
        if (!Viewer().StartProgram(viewer, path)) MsgBox(kAutoOpenFailedText, mb::OKOnly, kAutoOpenFailedTitle);
    });
    SetScreenMousePointer(mousepointer::Default);
}

}  // namespace nuvir
