#pragma once
// The modal file dialog as a service: the program shows Qt's file dialog, tests put a
// scripted fake in its place (tests/support/fakefiledialog.h). The request says
// everything the dialog has to honour, so the service itself holds no policy.
#include <string>
#include <string_view>

namespace nuvir {

struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    std::string title;
    // Shown to the user, e.g. "RAF Files (*.RAF)".
    std::string filterDescription;
    // The pattern as written, e.g. "*.RAF".
    std::string filterPattern;
    // The same pattern matching without regard to case, e.g. "*.[rR][aA][fF]": names
    // on this platform keep their case, and "x.raf" must show under "*.RAF".
    std::string matchPattern;
    // Folder the dialog opens in ("/" separators) and the text of its name box.
    std::string directory;
    std::string fileName;
    // Appended (after a ".") to a typed name that has no extension; "" for none.
    std::string defaultSuffix;
    // The chosen file must exist (open an existing file).
    bool fileMustExist = false;
    // The folder of the chosen name must exist; the name itself need not.
    bool pathMustExist = false;
    // Ask before replacing an existing file (save).
    bool overwritePrompt = false;
    // No read-only check box; Qt's dialog never has one, kept for completeness.
    bool hideReadOnly = false;
};

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    // Shows the dialog; the chosen full path ("/" separators), or "" when cancelled.
    // May throw; the callers turn any failure into "".
    virtual std::string Show(const FileDialogRequest& request) = 0;
};

// The service in use (the standard one, Qt's file dialog, until another is set).
// Passing nullptr restores the standard one. The caller keeps ownership of what it
// sets. With neither, FileDialogs raises std::logic_error.
FileDialogService& FileDialogs();
void SetFileDialogService(FileDialogService* service);
// Installed at start-up (InstallQtServices, services_qt.h).
void SetStandardFileDialogService(FileDialogService* service);

// A wildcard pattern that matches without regard to case: each ASCII letter becomes a
// "[xX]" set; other characters stay. "*.RAF" gives "*.[rR][aA][fF]", "*.*" stays.
std::string CaseInsensitivePattern(std::string_view pattern);

}  // namespace nuvir
