#pragma once
// The About box: the program's legal notice, name and version, how to cite it, and
// its terms of use, composed afresh each time it opens from the placeholders of its
// design captions ("%c" notice, "%v" name and version, "%x" citation, "~" a line
// break), placed against the main window, with one OK button.
#include <array>
#include <string>

#include "platform/controls.h"
#include "platform/form.h"
#include "platform/qtpicturebox.h"

namespace nuvir {

// The program's version information, kept in one place.
namespace versioninfo {
inline constexpr const char* kProductName = "NUVIR";
inline constexpr int kMajor = 3;
inline constexpr int kMinor = 2;
inline constexpr int kRevision = 2;
extern const char* const kLegalCopyright;
extern const char* const kComments;
extern const char* const kCitation;
}  // namespace versioninfo

// Every "~" of a caption as a line break (CR LF).
std::string ExpandLineBreaks(const std::string& text);

class FAbout : public Form {
    Q_OBJECT
public:
    explicit FAbout(QWidget* owner = nullptr);

    // The window the box is placed against; the main window when none is set.
    Form* OwnerForm = nullptr;

    QtPictureBox* Picture1 = nullptr;
    std::array<Label*, 3> Label1{};
    CommandButton* Command1 = nullptr;

    void FormLoad();
};

}  // namespace nuvir
