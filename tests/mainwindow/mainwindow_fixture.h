#pragma once
// A main window on a temporary program folder, with scripted dialogs and services,
// started as the program starts it and driven as a person would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <memory>
#include <string>

#include "appdata/appdata.h"
#include "appdata/appservices.h"
#include "mainwindow/riskmain.h"
#include "platform/fakefiledialog.h"
#include "platform/fakeservices.h"
#include "platform/filedialog.h"
#include "platform/screen.h"
#include "runtime/convert.h"
#include "testsupport.h"

namespace nuvir::test {

// Lets queued events (the coalesced resize, deferred deletes) run.
inline void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetAppFacts(AppFacts{dir.str(), "nuvir", 3, 2});
        SetScreenMetrics(&metrics);
        SetFileDialogService(&files);
        AppData = Variant();
        AppOptions = Variant();
    }
    void TearDown() override {
        win.reset();
        Settle();
        SetFileDialogService(nullptr);
        SetScreenMetrics(nullptr);
        AppData = Variant();
        AppOptions = Variant();
    }

    // Shows the window and waits for its start-up to finish.
    FRiskMain& Start(MainWindowParts parts = {}) {
        win = std::make_unique<FRiskMain>(std::move(parts), dir.str());
        win->Show();
        QElapsedTimer clock;
        clock.start();
        while (win->FirstActivation && clock.elapsed() < 5000) QApplication::processEvents();
        EXPECT_FALSE(win->FirstActivation);
        Settle();
        return *win;
    }

    // Writes a picture of the window into the build folder for a person to look at.
    void SavePicture(const std::string& name) {
        Settle();
        win->grab().save(QString::fromStdString("mainwindow_" + name + ".png"));
    }

    void WriteFile(const std::string& name, const std::string& text) { WriteBytes(dir.file(name), text); }

    double Item(int i) const { return CDbl(AppData(i)); }
    double Record(int i, int e) const { return CDbl(AppData(i)(e)); }

    TempDir dir;
    ScreenMetrics metrics;
    FakeServices services;
    FakeFileDialog files;
    std::unique_ptr<FRiskMain> win;
};

}  // namespace nuvir::test
