// The batch run against a scripted main window: the walk over the list, the CSV's
// bytes, failing lines, the proposed names, and the restore on every road.
#include "batch_fixture.h"

namespace nuvir::batchtest {
namespace {

const char* const kHeader =
    "SPEC,KEY,n,TBR,TBRMean,TBRSD,TBRMin,TBRMax,TBRLCL,TBRUCL,Cost,CostMean,CostSD,CostMin,CostMax,CostLCL,CostUCL\r\n";

class BatchRunTest : public BatchTest {
protected:
    void SetUp() override {
        BatchTest::SetUp();
        host.result = BatchResult{1000, 0.5, {0.25, -1, 0.0001, 1.5e15, 1e-5, 2}, 3, {-0.5, 0, 10.5, 100, 1, 7}};
        before = SerialiseState(AppData, 0);
    }
    // Runs the list into out.CSV.
    bool Run(const std::string& list) {
        session.ListEdited(list);
        dialog.QueueAnswer(Path("out.CSV"));
        return session.RunBatch();
    }
    std::string Csv() const { return ReadBytes(Path("out.CSV")); }
    static std::string Data(const std::string& spec) {
        return spec + ",v, 1000 , .5 , .25 ,-1 , .0001 , 1.5E+15 , 1E-05 , 2 , 3 ,-.5 , 0 , 10.5 , 100 , 1 , 7 \r\n";
    }
    void ExpectRestored() {
        EXPECT_EQ(SerialiseState(AppData, 0), before);
        EXPECT_FALSE(host.batchMode);
        EXPECT_EQ(host.starts, host.ends);
        EXPECT_TRUE(port.timerOn);
        EXPECT_FALSE(port.busy);
        EXPECT_FALSE(session.Running());
        EXPECT_EQ(session.Controls().labelCaption, "Captured Specs:");
        EXPECT_TRUE(session.Controls().fileMenuEnabled && session.Controls().recordMenuEnabled);
    }
    std::string before;
};

TEST_F(BatchRunTest, HeaderAndDataLinesByteForByte) {
    ASSERT_TRUE(Run("S1\r\n  S2  \r\nS3"));  // blanks trimmed; the last line has no CR LF
    EXPECT_EQ(Csv(), kHeader + Data("S1") + Data("S2") + Data("S3"));
    EXPECT_EQ(host.ran, (std::vector<std::string>{"S1", "S2", "S3"}));
    EXPECT_EQ(session.List().CounterText(), "3");
    EXPECT_EQ(Titles(), std::vector<std::string>{"Success running batch file"});
    EXPECT_EQ(services.messageBox.calls[0].text, "Batch run complete.");
    // Each run starts from the built-in defaults, not the analyst's assessment.
    EXPECT_EQ(host.dataAtStart, SerialiseState(GetAppDataDefaults(true, Variant()), 0));
    ExpectRestored();
}

TEST_F(BatchRunTest, TheWalkStopsAtTheFirstBlankLine) {
    struct Case { const char* name; const char* list; std::vector<std::string> ran; };
    const Case cases[] = {
        {"blank line between", "S1\r\n\r\nS2\r\n", {"S1"}},
        {"all-blank line between", "S1\r\n   \r\nS2\r\n", {"S1"}},
        {"first line blank", "\r\nS1\r\n", {}},
        {"empty list", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.ran.clear();
        services.messageBox.calls.clear();
        ASSERT_TRUE(Run(c.list));
        EXPECT_EQ(host.ran, c.ran);
        EXPECT_EQ(Csv(), c.ran.empty() ? std::string() : kHeader + Data("S1"));
        EXPECT_EQ(Titles(), std::vector<std::string>{"Success running batch file"});
    }
}

TEST_F(BatchRunTest, FailingLinesGetNoDataLine) {
    host.failing = {{"S1", 1}};
    ASSERT_TRUE(Run("S1\r\nS2\r\nS3\r\n"));
    EXPECT_EQ(Csv(), kHeader + Data("S2") + Data("S3"));
    // The run's own error box came through the batch window, out of its way.
    EXPECT_EQ(Titles()[0], "Error running Monte Carlo simulation");
    EXPECT_EQ(services.messageBox.calls[0].style, mb::OKOnly | kSetForeground);
    EXPECT_EQ(port.timerOnDuringBox[0], false);

    host.failing = {{"S1", 1}, {"S2", 1}};
    ASSERT_TRUE(Run("S1\r\nS2\r\n"));
    EXPECT_EQ(Csv(), kHeader);
    ExpectRestored();
}

TEST_F(BatchRunTest, ProposedAndForcedNames) {
    session.ListEdited("S1\r\n");
    dialog.QueueAnswer(Path("x.txt"));
    ASSERT_TRUE(session.RunBatch());
    EXPECT_EQ(ReadBytes(Path("x.CSV")), kHeader + Data("S1"));
    EXPECT_EQ(dialog.requests.back().fileName, "BatchOutput.CSV");
    EXPECT_EQ(dialog.requests.back().title, "Run batch file");
    EXPECT_EQ(dialog.requests.back().directory, Folder());

    dialog.QueueAnswer(Path("spring.RAB"));
    ASSERT_TRUE(session.SaveBatchFile());
    dialog.QueueCancel();
    EXPECT_FALSE(session.RunBatch());
    EXPECT_EQ(dialog.requests.back().fileName, "spring.CSV");
}

TEST_F(BatchRunTest, EveryRoadRestoresTheAnalystsAssessment) {
    // Cancelled dialog: no file, no message.
    session.ListEdited("S1\r\n");
    dialog.QueueCancel();
    EXPECT_FALSE(session.RunBatch());
    EXPECT_TRUE(services.messageBox.calls.empty());
    EXPECT_EQ(host.starts, 1);
    ExpectRestored();

    // The output file cannot be created.
    dialog.QueueAnswer(Path("missing/out.CSV"));
    EXPECT_FALSE(session.RunBatch());
    EXPECT_EQ(Titles(), std::vector<std::string>{"Error running batch file"});
    ExpectRestored();

    // A line's run raises: what was written stays.
    host.onRun = [](const std::string& spec) {
        if (spec == "S2") throw AppError(255, "Broken");
    };
    EXPECT_FALSE(Run("S1\r\nS2\r\nS3\r\n"));
    EXPECT_EQ(Csv(), kHeader + Data("S1"));
    EXPECT_EQ(services.messageBox.calls.back().text, "Broken");
    ExpectRestored();
}

TEST_F(BatchRunTest, NothingChangesTheListOrStartsAnotherRunDuringTheYields) {
    int yields = 0;
    services.yield.onYield = [&] {
        ++yields;
        session.Capture();
        session.ClearBatch(false);
        session.ListEdited("X\r\n");
        EXPECT_FALSE(session.RunBatch());
        EXPECT_TRUE(port.busy);
        EXPECT_FALSE(session.Controls().runEnabled || session.Controls().captureEnabled);
        EXPECT_TRUE(session.Controls().listReadOnly);
        EXPECT_FALSE(session.Controls().fileMenuEnabled || session.Controls().recordMenuEnabled);
        EXPECT_EQ(session.Controls().labelCaption, "Spec Being Run:");
    };
    ASSERT_TRUE(Run("S1\r\nS2\r\n"));
    EXPECT_EQ(yields, 3);  // once before the walk, once a line
    EXPECT_EQ(Csv(), kHeader + Data("S1") + Data("S2"));
    EXPECT_EQ(session.List().Text(), "S1\r\nS2\r\n");
}

}  // namespace
}  // namespace nuvir::batchtest
