#pragma once
// Shared ground of the uncertainty editor tests: the program-wide arrays at their
// defaults, and a shown form with the two host picture boxes of the window's
// absolute-uncertainty page.
#include <gtest/gtest.h>

#include "defaultdata.h"
#include "formdriver.h"
#include "platform/qtpicturebox.h"
#include "runtime/convert.h"

namespace nuvir::test {

// One absolute-uncertainty record.
inline void SetRecord(int id, double mean, int distribution, double sd) {
    AppData(item::Absolute(id)) = Variant::Doubles({mean, static_cast<double>(distribution), sd});
}

// A category table (values; probabilities) of equally likely values.
inline Variant Categories(const std::vector<double>& values) {
    const int n = static_cast<int>(values.size());
    Variant table = Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{0, n - 1}});
    for (int c = 0; c < n; ++c) {
        table(0, c) = Variant(values[static_cast<std::size_t>(c)]);
        table(1, c) = Variant(1.0 / n);
    }
    return table;
}

// A shown form holding host boxes of the given sizes (twips).
struct HostForm : DefaultDataTest {
    Form form;
    QtPictureBox* first = nullptr;
    QtPictureBox* last = nullptr;

    void Show(double width = 11400, double height = 7000) {
        first = form.Add<QtPictureBox>("picAbsoluteContainer", 0);
        last = form.Add<QtPictureBox>("picAbsoluteContainer", 1);
        first->Move(0, 0, width, height);
        last->Move(width, 0, width, height);
        form.SetWidth(2 * width + 300);
        form.SetHeight(height + 600);
        ShowActive(form);
    }
};

}  // namespace nuvir::test
