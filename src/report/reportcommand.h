#pragma once
// The Report command of the results page: it checks the template, asks where to write
// the report, builds it from the last run, writes it (whole or not at all), puts it on
// the clipboard as Rich Text and, when the options ask for it, opens it in the viewer.
//
// It reads the run through ReportHost and everything else through the program-wide
// options and application data, the file dialog and the platform's services.
#include <string>

namespace nuvir {

class ReportHost;

// The Report button: the whole command, its errors shown under "Error writing report".
void ReportCommand(ReportHost& host);

// Writes the report offered under `name` (no folder, no extension) and returns the path
// written, or "" when none was (cancelled, the file could not be written, or the merge
// gave nothing). The report reaches the clipboard whenever the merge gave text.
std::string GenerateRtfReport(ReportHost& host, const std::string& name);

// The report on the clipboard as Rich Text only, its bytes unchanged. Never fails
// visibly.
void CopyRtfToClipboard(const std::string& rtf);

// The texts the command shows.
inline constexpr const char* kMissingTemplateTitle = "Missing report template";
inline constexpr const char* kMissingTemplateText =
    "The report template is missing.\r\n\r\nTry closing and restarting the application to recreate it.";
inline constexpr const char* kAutoOpenFailedTitle = "Auto-open of report failed";
inline constexpr const char* kAutoOpenFailedText = "Report couldn't be opened.";
inline constexpr const char* kReportErrorTitle = "Error writing report";
inline constexpr const char* kReportDialogTitle = "Write report as RTF file";

}  // namespace nuvir
