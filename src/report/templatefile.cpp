// The template file's place and creation.
#include "report/templatefile.h"

#include "appdata/options.h"
#include "appdata/paths.h"
#include "numerics/numerics.h"
#include "platform/services.h"
#include "report/report.h"
#include "platform/profile.h"

namespace nuvir {

std::string GetReportTemplatePath() {
    // The settings folder is wherever the options file lives.
    return MUtilities::AddBackslash(MUtilities::GetPathPart(GetOptionsIniFileName())) + kReportTemplateName;
}

bool WriteDefaultTemplate() {
    const std::string path = GetReportTemplatePath();
    if (FileFunctions::FileExists(path)) return true;
    profile::AtomicFile file(path);
    if (file.Open() && file.Write(CReport::DefaultTemplate()) && file.Write("\r\n") && file.Commit()) return true;
    MsgBox(file.Error(), mb::OKOnly, "Error creating report template");
    return false;
}

}  // namespace nuvir
