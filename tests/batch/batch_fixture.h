#pragma once
// Shared set-up of the batch tests: a scripted main window, a scripted batch window
// port, the fake file dialog and message services, and a temporary folder that stands
// for the program's folder and holds the files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "appdata/appdata.h"
#include "appdata/appservices.h"
#include "appdata/statestring.h"
#include "batch/batchhost.h"
#include "batch/batchsession.h"
#include "batch/batchwindow.h"
#include "platform/form.h"
#include "platform/fakefiledialog.h"
#include "platform/controls.h"
#include "platform/fakeservices.h"
#include "runtime/variant.h"
#include "testsupport.h"

namespace nuvir::batchtest {

// The main window as a script: every spec runs, unless listed in failing, and gives
// `result`; forms 1 and 2 of the state name the spec last run.
class FakeHost : public BatchHost {
public:
    std::string SerialiseState(std::int32_t form) override {
        if (form == 2) return "SPEC,KEY";
        if (form == 1) return lastSpec + ",v";
        return captureText;
    }
    std::string CaptureState() override {
        if (!captureError.empty()) throw std::runtime_error(captureError);
        return captureText;
    }
    Variant GetAppDataDefaults() override { return nuvir::GetAppDataDefaults(true, Variant()); }
    void StartBatch() override {
        batchMode = true;
        ++starts;
        dataAtStart = nuvir::SerialiseState(AppData, 0);
    }
    void EndBatch() override {
        batchMode = false;
        ++ends;
    }
    std::optional<BatchResult> RunBatchSimulation(const std::string& spec) override {
        lastSpec = spec;
        ran.push_back(spec);
        if (onRun) onRun(spec);
        if (failing.count(spec) != 0) {
            MsgBox("Run failed", 0, "Error running Monte Carlo simulation");
            return std::nullopt;
        }
        return result;
    }

    std::string captureText = "SPECIES=A;N=1000";
    std::string captureError;
    std::map<std::string, int> failing;
    BatchResult result;
    std::function<void(const std::string&)> onRun;
    std::vector<std::string> ran;
    std::string lastSpec;
    std::string dataAtStart;
    bool batchMode = false;
    int starts = 0;
    int ends = 0;
};

// The batch window as a script: counts what the session asks of it and notes whether
// the window was out of the way (minimised) while a box showed.
class FakePort : public BatchView {
public:
    int AroundMessage(const std::function<int()>& showBox) override {
        minimised = true;
        timerOnDuringBox.push_back(timerOn);
        const int answer = showBox();
        minimised = false;
        return answer;
    }
    void SetStateTimer(bool on) override { timerOn = on; }
    void SetBusyCursor(bool on) override { busy = on; }
    void ShowState() override { ++shows; }

    bool minimised = false;
    bool timerOn = false;
    bool busy = false;
    int shows = 0;
    std::vector<bool> timerOnDuringBox;
};

class BatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetAppPath(Folder());
        BatchPath.clear();
        SetFileDialogService(&dialog);
        AppData = GetAppDataDefaults(true, Variant());
        AppData(item::kSpecies) = Variant("Analyst's own");
        session.SetHost(&host);
        session.InitialiseBatchWindow();
    }
    void TearDown() override { SetFileDialogService(nullptr); }

    std::string Folder() const { return dir.str(); }
    std::string Path(const std::string& name) const { return dir.file(name); }
    // The file's bytes, "<missing>" when there is no such file.
    static std::string ReadBytes(const std::string& path) {
        return std::filesystem::exists(path) ? test::ReadBytes(path) : "<missing>";
    }
    static void WriteBytes(const std::string& path, const std::string& bytes) { test::WriteBytes(path, bytes); }
    // The titles of the message boxes shown so far.
    std::vector<std::string> Titles() const {
        std::vector<std::string> t;
        for (const auto& c : services.messageBox.calls) t.push_back(c.title);
        return t;
    }

    test::TempDir dir;
    FakeServices services;
    FakeFileDialog dialog;
    FakeHost host;
    FakePort port;
    BatchSession session{&port};
};

// A menu entry chosen as a person would: only through enabled menus.
inline bool Choose(MenuItem* parent, MenuItem* entry) {
    if ((parent != nullptr && !parent->Enabled()) || !entry->Enabled()) return false;
    entry->Trigger();
    return true;
}

// Windows as they stand on the screen, each under a drawn title bar (the offscreen
// platform has no window decorations), saved as a picture into the build folder.
inline void SaveWindowsPicture(const std::vector<QWidget*>& windows, const std::string& name) {
    constexpr int kTitle = 22;
    QRect area;
    for (QWidget* w : windows) area = area.united(w->geometry());
    area.adjust(-10, -10 - kTitle, 10, 10);
    QImage image(area.size(), QImage::Format_RGB32);
    image.fill(QColor(0x30, 0x50, 0x70));
    QPainter p(&image);
    for (QWidget* w : windows) {
        const QPoint at = w->pos() - area.topLeft();
        const QRect bar(at.x(), at.y() - kTitle, w->width(), kTitle);
        p.fillRect(bar, QColor(0x1c, 0x3d, 0x8c));
        p.setPen(Qt::white);
        p.drawText(bar.adjusted(6, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, w->windowTitle());
        p.drawImage(at, w->grab().toImage());
    }
    p.end();
    ASSERT_TRUE(image.save(QString::fromStdString(name)));
}

// A batch window over a stand-in main window placed at (1500, 1200) twips, with the
// same scripted host, dialog and message services.
class BatchWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetAppPath(dir.str());
        BatchPath.clear();
        SetFileDialogService(&dialog);
        AppData = GetAppDataDefaults(true, Variant());
        main.SetCaption("NUVIR");
        main.SetLeft(1500);
        main.SetTop(1200);
        main.SetWidth(12000);
        main.SetHeight(9000);
        main.Show();
        batch = std::make_unique<FBatch>(&main);
        batch->Show();
        batch->SetMainWindow(&host, &main);
        QApplication::processEvents();
    }
    void TearDown() override {
        batch.reset();
        SetFileDialogService(nullptr);
    }
    test::TempDir dir;
    FakeServices services;
    FakeFileDialog dialog;
    FakeHost host;
    Form main;
    std::unique_ptr<FBatch> batch;
};

}  // namespace nuvir::batchtest
