#pragma once
// Shared set-up of the batch tests: a scripted main window, a scripted batch window
// port, the fake file dialog and message services, and a temporary folder that stands
// for the program's folder and holds the files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "appdata/appdata.h"
#include "appdata/appservices.h"
#include "appdata/statestring.h"
#include "batch/batchhost.h"
#include "batch/batchsession.h"
#include "platform/fakefiledialog.h"
#include "platform/fakeservices.h"
#include "runtime/variant.h"

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
class FakePort : public BatchWindowPort {
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
        ASSERT_TRUE(dir.isValid());
        SetAppPath(Folder());
        BatchPath.clear();
        SetFileDialogService(&dialog);
        AppData = GetAppDataDefaults(true, Variant());
        AppData(item::kSpecies) = Variant("Analyst's own");
        session.SetHost(&host);
        session.InitialiseBatchWindow();
    }
    void TearDown() override { SetFileDialogService(nullptr); }

    std::string Folder() const { return dir.path().toStdString(); }
    std::string Path(const std::string& name) const { return Folder() + "/" + name; }
    static std::string ReadBytes(const std::string& path) {
        QFile f(QString::fromStdString(path));
        if (!f.open(QIODevice::ReadOnly)) return "<missing>";
        return f.readAll().toStdString();
    }
    static void WriteBytes(const std::string& path, const std::string& bytes) {
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    // The titles of the message boxes shown so far.
    std::vector<std::string> Titles() const {
        std::vector<std::string> t;
        for (const auto& c : services.messageBox.calls) t.push_back(c.title);
        return t;
    }

    QTemporaryDir dir;
    FakeServices services;
    FakeFileDialog dialog;
    FakeHost host;
    FakePort port;
    BatchSession session{&port};
};

}  // namespace nuvir::batchtest
