#pragma once
// Shared ground of the uncertainty editor tests: the program-wide arrays at their
// defaults, and the thirteen editors on a shown form over the two host picture boxes
// of the window's absolute-uncertainty page.
#include <gtest/gtest.h>

#include "defaultdata.h"
#include "formdriver.h"
#include "platform/qtpicturebox.h"
#include "runtime/convert.h"
#include "uncertainty/uncertaintyelements.h"

namespace nuvir::test {

// One absolute-uncertainty record.
inline void SetRecord(int id, double mean, int distribution, double sd) {
    AppData(item::Absolute(id)) = Variant::Doubles({mean, static_cast<double>(distribution), sd});
}

struct Editors : DefaultDataTest {
    Form form;
    QtPictureBox* first = nullptr;
    QtPictureBox* last = nullptr;
    CUncertaintyElements set;

    // Two host boxes of the given size (twips) side by side, the set rendered over them.
    void Make(double width = 11400, double height = 7000) {
        first = form.Add<QtPictureBox>("picAbsoluteContainer", 0);
        last = form.Add<QtPictureBox>("picAbsoluteContainer", 1);
        first->Move(0, 0, width, height);
        last->Move(width, 0, width, height);
        form.SetWidth(2 * width + 300);
        form.SetHeight(height + 600);
        ShowActive(form);
        set.SetHost({first, last});
        set.Render();
    }
    CUncertaintyElement& E(int i) { return *set.UncertaintyElement(i); }
};

}  // namespace nuvir::test
