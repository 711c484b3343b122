#pragma once
// Shared ground of the uncertainty editor tests: the program-wide arrays at their
// defaults, and a shown form with the two host picture boxes of the window's
// absolute-uncertainty page.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <string>

#include "appdata/appdata.h"
#include "appdata/options.h"
#include "runtime/convert.h"
#include "platform/form.h"
#include "platform/qtpicturebox.h"
#include "defaultdata.h"

namespace nuvir::test {

// The defaults, and a way to set one absolute-uncertainty record.
struct DefaultData : DefaultDataTest {
    static void SetRecord(int id, double mean, int distribution, double sd) {
        AppData(item::Absolute(id)) = Variant::Doubles({mean, static_cast<double>(distribution), sd});
    }
};

// A shown form holding host boxes of the given sizes (twips).
struct HostForm : DefaultData {
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
        form.Show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
};

}  // namespace nuvir::test
