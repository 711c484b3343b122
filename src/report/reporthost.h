#pragma once
// What the report needs of the main window, and nothing more: the window implements
// this interface (its results, its hidden picture box, its confidence list and the
// assessment's name) and tests give a fake. The report reaches messages, the file
// dialog, the clipboard and the viewer through the platform's services.
#include <string>

namespace nuvir {

class ImagePictureBox;
struct RunState;

class ReportHost {
public:
    virtual ~ReportHost() = default;
    // The results of the last run, which the report shows.
    virtual const RunState& Run() const = 0;
    // The name offered for the report file (species and location), "" for none.
    virtual std::string DefaultStateFileName() = 0;
    // The invisible picture box the plots are drawn on, one after another, for the
    // report's pictures; the screen plots' font and size.
    virtual ImagePictureBox& HiddenPicture() = 0;
    // The confidence list's text at an index ("95 %"); "" outside the list.
    virtual std::string ConfidenceText(int index) = 0;
};

}  // namespace nuvir
