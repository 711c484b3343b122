#pragma once
// A main window on a temporary program folder, with scripted dialogs and services,
// started as the program starts it and driven as a person would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <array>
#include <memory>
#include <vector>
#include <string>

#include "appdata/appdata.h"
#include "appdata/appservices.h"
#include "mainwindow/riskmain.h"
#include "mainwindow/windowchain.h"
#include "mainwindow/windowresults.h"
#include "support/fakefiledialog.h"
#include "support/fakeservices.h"
#include "platform/filedialog.h"
#include "platform/screen.h"
#include "report/rtfviewer.h"
#include "runtime/convert.h"
#include "formdriver.h"
#include "testsupport.h"

namespace nuvir::test {

// Editors that behave as the real ones do when refilled: a distribution that differs
// from the one shown re-renders the editor and reports a change, and writing the
// change back stores the spread the editor showed before.
class FakeEditors : public NoUncertainty {
public:
    void Render() override {
        for (int id = 0; id < 13; ++id) {
            const double code = CDbl(AppData(22 + id)(1));
            if (code != distribution[id]) {
                distribution[id] = code;
                if (DataChanged) DataChanged(id);
            }
            sd[id] = CDbl(AppData(22 + id)(2));
        }
    }
    void UpdateAppData(int id) override {
        AppData(22 + id)(2) = Variant(sd[id]);
        ++writes;
    }
    std::array<double, 13> distribution{};
    std::array<double, 13> sd{};
    int writes = 0;
};

// Results that count the copies of their sensitivity table and their redraws.
class FakeResults : public NoResults {
public:
    void CopySensitivityTable() override { ++tableCopies; }
    void RedrawAfterOptionsChange() override { ++redraws; }
    int tableCopies = 0;
    int redraws = 0;
};

// A part factory that makes a T and hands out its address, for the test to reach it.
template <class Port, class T>
auto Capture(T*& made) {
    return [&made](auto&&...) {
        auto part = std::make_unique<T>();
        made = part.get();
        return std::unique_ptr<Port>(std::move(part));
    };
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

    // Shows the window and waits for its start-up to finish (100 s at most: a hang
    // guard, as it takes a fraction of a second).
    FRiskMain& Start(MainWindowParts parts = {}) {
        win = std::make_unique<FRiskMain>(std::move(parts), dir.str());
        win->Show();
        QElapsedTimer clock;
        clock.start();
        while (FirstActivation() && clock.elapsed() < 100000) QApplication::processEvents();
        EXPECT_FALSE(FirstActivation());
        Settle();
        return *win;
    }

    // Writes a picture of the window into the build folder for a person to look at.
    void SavePicture(const std::string& name) {
        Settle();
        win->grab().save(QString::fromStdString("mainwindow_" + name + ".png"));
    }

    void WriteFile(const std::string& name, const std::string& text) { WriteBytes(dir.file(name), text); }

    // Types over a box's text as a person would; Type then leaves it with Tab.
    void Enter(TextBox* box, const std::string& text) {
        box->SetFocus();
        Settle();
        box->selectAll();
        QTest::keyClicks(box, QString::fromStdString(text));
    }
    void Type(TextBox* box, const std::string& text) {
        Enter(box, text);
        QTest::keyClick(box, Qt::Key_Tab);
        Settle();
    }

    // File > Open answered with a file of the temporary folder.
    void Open(const std::string& name) {
        files.QueueAnswer(dir.file(name));
        win->FileMenuClick(1);
    }

    // A click in the middle of one part of one stage on the diagram.
    void ClickOnDiagram(int stage, int part) {
        QtPictureBox* pic = win->picChainContainer;
        const auto b = dynamic_cast<WindowChain&>(win->Chain()).Chain().Element(stage)->PartBox(part);
        QTest::mouseClick(pic, Qt::LeftButton, {},
                          QPoint(pic->PixelX((b[0] + b[2]) / 2), pic->PixelY((b[1] + b[3]) / 2)));
        Settle();
    }

    // Edit's Copy, Cut and Paste, each on its own.
    void ExpectEditMenu(bool copy, bool cut, bool paste) const {
        EXPECT_EQ(win->mnuEdit[0]->Enabled(), copy) << "Copy";
        EXPECT_EQ(win->mnuEdit[1]->Enabled(), cut) << "Cut";
        EXPECT_EQ(win->mnuEdit[2]->Enabled(), paste) << "Paste";
    }

    double Item(int i) const { return CDbl(AppData(i)); }
    std::string Text(int i) const { return CStr(AppData(i)); }
    double Record(int i, int e) const { return CDbl(AppData(i)(e)); }

    TempDir dir;
    ScreenMetrics metrics;
    FakeServices services;
    FakeFileDialog files;
    std::unique_ptr<FRiskMain> win;
};

}  // namespace nuvir::test
