#pragma once
// The report template file: every report is merged from it, and it is created from the
// built-in template when missing, never overwritten, so the analyst's edits last.
#include <string>

namespace nuvir {

inline constexpr const char* kReportTemplateName = "ReportTemplate_v32.rtf";

// The template's path: beside the settings files, in the settings folder.
std::string GetReportTemplatePath();

// Writes the built-in template followed by CR LF when the file is missing, whole or
// not at all. A failure is shown under "Error creating report template". True when
// the file exists afterwards.
bool WriteDefaultTemplate();

}  // namespace nuvir
