#pragma once
// Shared set-up of the report tests: the settings folder is a fresh temporary folder,
// messages and file dialogs go to recording fakes, and the data and options hold their
// defaults.
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "appdata/appservices.h"
#include "defaultdata.h"
#include "support/fakefiledialog.h"
#include "support/fakeservices.h"
#include "platform/picturebox.h"
#include "report/report.h"
#include "report/reporthost.h"
#include "results/runstate.h"
#include "runtime/convert.h"
#include "testsupport.h"

namespace nuvir::test {

using ::testing::HasSubstr;

// Rows of (name, input, expected text) walked through f.
struct TextCase {
    const char* name;
    std::string in, out;
};
template <class F>
void ExpectEach(const std::vector<TextCase>& cases, F f) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(f(c.in), c.out);
    }
}

// The main window as the report sees it.
class FakeReportHost : public ReportHost {
public:
    const RunState& Run() const override { return run; }
    std::string DefaultStateFileName() override { return name; }
    ImagePictureBox& HiddenPicture() override { return picture; }
    std::string ConfidenceText(int index) override { return index == 1 ? "95 %" : "?"; }
    RunState run;
    std::string name = "Ant_Lake";
    ImagePictureBox picture{299, 209};
};

class ReportTest : public DefaultDataTest {
protected:
    void SetUp() override {
        DefaultDataTest::SetUp();
        previousFacts = App();
        SetAppFacts(AppFacts{dir.str(), "nuvir"});
        ReportPath = dir.str();
        SetFileDialogService(&dialog);
    }
    void TearDown() override {
        SetFileDialogService(nullptr);
        ReportPath.clear();
        SetAppFacts(previousFacts);
        DefaultDataTest::TearDown();
    }
    // The last message's title and text, each on its own, written "title|text"; ""
    // expects no message at all.
    void ExpectLastMessage(const std::string& titleAndText) const {
        const auto& calls = services.messageBox.calls;
        if (titleAndText.empty()) {
            EXPECT_TRUE(calls.empty()) << calls.back().text;
            return;
        }
        ASSERT_FALSE(calls.empty());
        const auto bar = titleAndText.find('|');
        EXPECT_EQ(calls.back().title, titleAndText.substr(0, bar));
        EXPECT_EQ(calls.back().text, titleAndText.substr(bar + 1));
    }
    // The default assessment with its point outcomes, as a run would take it.
    static Variant DefaultAssessment() {
        Variant data = GetAppDataDefaults(true, Variant());
        MKelvaro::StoreOutcomeRisks(data);
        return data;
    }
    AppFacts previousFacts;
    FakeFileDialog dialog;
    TempDir dir;
    FakeServices services;
};

}  // namespace nuvir::test
