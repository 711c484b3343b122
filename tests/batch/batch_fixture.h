#pragma once
// Shared set-up of the batch session tests: a scripted main window and batch window
// port, the fake file dialog and message services, and a temporary folder standing for
// the program's folder.
#include <gtest/gtest.h>

#include <set>

#include "appdata/appdata.h"
#include "appdata/appservices.h"
#include "appdata/statestring.h"
#include "batch/batchsession.h"
#include "support/fakefiledialog.h"
#include "support/fakeservices.h"
#include "testsupport.h"

namespace nuvir::batchtest {

// The main window as a script: every assessment runs and gives `result` unless listed in
// failing ("BROKEN" raises); forms 1 and 2 of the state name the assessment last run.
class FakeHost : public BatchHost {
public:
    std::string SerialiseState(std::int32_t form) override {
        return form == 2 ? "SPEC,KEY" : form == 1 ? lastSpec + ",v" : captureText;
    }
    std::string CaptureState() override {
        if (!captureError.empty()) throw std::runtime_error(captureError);
        return captureText;
    }
    Variant GetAppDataDefaults() override { return nuvir::GetAppDataDefaults(true, Variant()); }
    void StartBatch() override { ++starts, dataAtStart = nuvir::SerialiseState(AppData, 0); }
    void EndBatch() override { ++ends; }
    std::optional<BatchResult> RunBatchSimulation(const std::string& spec) override {
        ran.push_back(lastSpec = spec);
        if (spec == "BROKEN") throw AppError(255, "Broken");
        if (failing.count(spec) == 0) return result;
        MsgBox("Run failed", 0, "Error running Monte Carlo simulation");
        return std::nullopt;
    }
    std::string captureText = "SPECIES=A;N=1000", captureError, lastSpec, dataAtStart;
    std::set<std::string> failing;
    BatchResult result{1000, 0.5, {0.25, -1, 0.0001, 1.5e15, 1e-5, 2}, 3, {-0.5, 0, 10.5, 100, 1, 7}};
    std::vector<std::string> ran;
    int starts = 0, ends = 0;
};

// The batch window as a script.
class FakePort : public BatchView {
public:
    int AroundMessage(const std::function<int()>& showBox) override { return showBox(); }
    void SetStateTimer(bool on) override { timerOn = on; }
    void SetBusyCursor(bool on) override { busy = on; }
    void ShowState() override {}
    bool timerOn = false, busy = false;
};

class BatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetAppPath(dir.str());
        BatchPath.clear();
        SetFileDialogService(&dialog);
        AppData = GetAppDataDefaults(true, Variant());
        AppData(item::kSpecies) = Variant("Analyst's own");
        session.SetHost(&host);
        session.InitialiseBatchWindow();
    }
    void TearDown() override { SetFileDialogService(nullptr); }
    std::string Path(const std::string& name) const { return dir.file(name); }
    std::string Bytes(const std::string& name) const { return test::ReadBytes(Path(name)); }
    // Scripts the next message box's answer and the next file dialog's choice ("" cancels).
    void Answer(int box, const std::string& file = "") {
        services.messageBox.QueueAnswer(box);
        if (!file.empty()) dialog.QueueAnswer(Path(file));
    }
    std::vector<std::string> Titles() const {
        std::vector<std::string> t;
        for (const auto& c : services.messageBox.calls) t.push_back(c.title);
        return t;
    }
    // The window's caption, the name the list is bound to, and whether it changed since.
    void ExpectBinding(const std::string& caption, const std::string& name, bool changed) const {
        const BatchList& l = session.List();
        EXPECT_EQ(l.Caption(), caption);
        EXPECT_EQ(l.BatchFileName(), name);
        EXPECT_EQ(l.ListChanged(), changed);
    }
    // The last file dialog's title and proposed name.
    void ExpectAsked(const std::string& title, const std::string& name) const {
        EXPECT_EQ(dialog.requests.back().title, title);
        EXPECT_EQ(dialog.requests.back().fileName, name);
    }
    void ExpectLastMessage(const std::string& title, const std::string& text) const {
        ASSERT_FALSE(services.messageBox.calls.empty());
        EXPECT_EQ(services.messageBox.calls.back().title, title);
        EXPECT_EQ(services.messageBox.calls.back().text, text);
    }
    const std::string& LastText() const { return services.messageBox.calls.back().text; }
    // Opening a file of these bytes over a changed list (its save declined) is refused
    // with the sentence after the file's name: the list is left empty, unbound, not runnable.
    void ExpectOpenRefused(const std::string& name, const std::string& bytes, const std::string& why) {
        session.ListEdited("SPECIES=OLD\r\n");
        Answer(mb::No, name);
        test::WriteBytes(Path(name), bytes);
        EXPECT_FALSE(session.OpenBatchFile());
        ExpectLastMessage("Error opening batch file", "The batch file \"" + Path(name) + "\" was not read: " + why);
        EXPECT_EQ(session.List().Text(), "");
        ExpectBinding(BatchList::kCaption, "", false);
        session.RefreshBatchControls();
        EXPECT_FALSE(session.Controls().runEnabled);
    }

    test::TempDir dir;
    FakeServices services;
    FakeFileDialog dialog;
    FakeHost host;
    FakePort port;
    BatchSession session{&port};
};

}  // namespace nuvir::batchtest
