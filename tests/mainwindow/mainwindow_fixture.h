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
#include "platform/fakefiledialog.h"
#include "platform/fakeservices.h"
#include "platform/filedialog.h"
#include "platform/screen.h"
#include "runtime/convert.h"
#include "testsupport.h"

namespace nuvir::test {

// A chain of a chosen shape that counts its drawings.
class FakeChain : public NoChain {
public:
    explicit FakeChain(std::array<double, 4> size) : size_(size) {}
    std::array<double, 4> Measure() override { return size_; }
    void Render() override { ++renders; }
    void CommitEdit(const std::string& key) override { commits.push_back(key); }
    int renders = 0;
    std::vector<std::string> commits;

private:
    std::array<double, 4> size_;
};

// Editors that behave as the real ones do when refilled: a distribution that differs
// from the one shown re-renders the editor and reports a change, and writing the
// change back stores the spread the editor showed before.
class FakeEditors : public NoUncertainty {
public:
    void Render() override {
        ++renders;
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
        AppData(22 + id)(1) = Variant(distribution[id]);
        AppData(22 + id)(2) = Variant(sd[id]);
        ++writes;
    }
    std::array<double, 13> distribution{};
    std::array<double, 13> sd{};
    int renders = 0;
    int writes = 0;
};

// Results that count the copies of their sensitivity table.
class FakeResults : public NoResults {
public:
    void CopySensitivityTable() override { ++tableCopies; }
    int tableCopies = 0;
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
