// The batch session against a scripted main window: the list, the batch files' bytes,
// the save queries, and the run's CSV and restore on every road.
#include "batch_fixture.h"

namespace nuvir::batchtest {
namespace {

const std::string kCaption = "     NUVIR Batch Module";
const std::string kSpec = "SPECIES=A;N=1000\r\n";
const std::string kHeader =
    "SPEC,KEY,n,TBR,TBRMean,TBRSD,TBRMin,TBRMax,TBRLCL,TBRUCL,Cost,CostMean,CostSD,CostMin,CostMax,CostLCL,CostUCL\r\n";
// The CSV line of host.result under the assessment's name.
std::string Data(const std::string& spec) {
    return spec + ",v, 1000 , .5 , .25 ,-1 , .0001 , 1.5E+15 , 1E-05 , 2 , 3 ,-.5 , 0 , 10.5 , 100 , 1 , 7 \r\n";
}

TEST(BatchList, KeepsWithin65536CharactersAndTakesCrLfLineEnds) {
    BatchList list;
    list.SetText(std::string(65530, 'x'));
    EXPECT_FALSE(list.AppendSpec("12345"));  // 65530 + 5 + CR LF
    EXPECT_TRUE(list.AppendSpec("1234"));
    list.SetText(std::string(65532, 'x'));
    EXPECT_TRUE(list.AppendSpec("\xC3\xBC\xC3\xBC"));  // characters count, not bytes
    list.SetText("a\nb\rc\r\nd");
    list.SetListChanged(false);
    list.SetText("a\r\nb\r\nc\r\nd");  // the same text once its line ends are CR LF is no change
    EXPECT_FALSE(list.ListChanged());
}

TEST_F(BatchTest, ClearCloseAndOpenAskToSaveSavingForcesItsNameOnlyWhenAgreedAndOpeningReadsEveryLineEndUntilFull) {
    host.captureError = "Type mismatch";
    session.Capture();
    EXPECT_EQ(Titles(), std::vector<std::string>{"Error capturing batch spec"});
    host.captureError.clear();
    session.Capture();
    Answer(mb::Yes);
    session.ClearBatch(true);  // the save was cancelled: the list stays
    EXPECT_EQ(session.List().Text(), kSpec);
    EXPECT_EQ(Titles()[1] + "|" + LastText(), "NUVIR Batch: Query Save|Current batch set has changed.\r\n\r\nSave?");
    Answer(mb::Yes, "missing/list.RAB");  // a save that fails keeps the window
    EXPECT_FALSE(session.QueryClose() || session.CloseRequested());
    EXPECT_EQ(Titles().back(), "Error saving batch file");
    Answer(mb::Yes, "kept.RAB");
    session.ClearBatch(true);
    EXPECT_EQ(Bytes("kept.RAB"), kSpec);
    EXPECT_EQ(session.List().CounterText() + session.List().Text(), "0");
    session.Capture();
    Answer(mb::No);
    EXPECT_TRUE(session.QueryClose() && session.CloseRequested());
    session.Activated();

    EXPECT_FALSE(session.SaveBatchFile());  // cancelled
    host.captureText = "SPECIES=B;N=2000";
    session.Capture();
    const std::string bytes = kSpec + "SPECIES=B;N=2000\r\n";
    // The dialog asked about x.txt; x.RAB, which is written, is asked about here.
    test::WriteBytes(Path("x.RAB"), "old\r\n");
    Answer(mb::No, "x.txt");
    EXPECT_FALSE(session.SaveBatchFile());
    EXPECT_EQ(Bytes("x.RAB"), "old\r\n");
    EXPECT_EQ(LastText(), "\"x.RAB\" already exists.\r\nDo you want to replace it?");
    Answer(mb::Yes, "x.txt");
    ASSERT_TRUE(session.SaveBatchFile());
    EXPECT_EQ(Bytes("x.RAB"), bytes);
    EXPECT_EQ(Binding(), kCaption + "  [x.RAB]|x.RAB|saved");
    EXPECT_EQ(Asked(), "Save batch file|");  // "*.RAB" proposes no name
    EXPECT_TRUE(BatchPath == dir.str() && dialog.requests[0].directory == dir.str());
    dialog.QueueAnswer(Path("y.rab"));  // ".rab" in another case is kept as typed
    ASSERT_TRUE(session.SaveBatchFile());
    EXPECT_EQ(Bytes("y.rab"), bytes);

    // Opening reads every line end and stops where the list is full or the file fails.
    test::WriteBytes(Path("mixed.RAB"), "A\r\n\r\nB\nC\rD\xE9");  // the last line in Windows-1252
    dialog.QueueAnswer(Path("mixed.RAB"));
    ASSERT_TRUE(session.OpenBatchFile());
    EXPECT_EQ(session.List().Text(), "A\r\n\r\nB\r\nC\r\nD\xC3\xA9\r\n");
    std::string big;
    for (int i = 0; i < 70; ++i) big += std::string(998, 'x') + "\r\n";
    test::WriteBytes(Path("big.RAB"), big);
    dialog.QueueAnswer(Path("big.RAB"));
    ASSERT_TRUE(session.OpenBatchFile());
    EXPECT_EQ(session.List().Length(), 65000u);
    EXPECT_EQ(Binding(), kCaption + "  [big.RAB]|big.RAB|saved");
    EXPECT_FALSE(session.SaveBatchFile());
    EXPECT_EQ(Asked(), "Save batch file|big.RAB");  // the file's own name
    // Open over unsaved changes, Yes, the save cancelled: the list and caption stay but
    // the list is no longer bound to a name.
    session.Capture();
    Answer(mb::Yes);
    EXPECT_FALSE(session.OpenBatchFile());
    EXPECT_EQ(session.List().Text().substr(65000) + Binding(),
              "SPECIES=B;N=2000\r\n" + kCaption + "  [big.RAB]||changed");
    Answer(mb::No);  // then the open dialog cancelled: an empty, unbound list
    EXPECT_FALSE(session.OpenBatchFile());
    EXPECT_EQ(session.List().Text() + Binding(), kCaption + "||saved");

    struct TwoThenFail : BatchLineReader {
        int n = 0;
        bool ReadLine(std::string& line) override {
            if (++n > 2) throw AppError(57, "Device I/O error");
            return line = "L" + std::to_string(n), true;
        }
    };
    session.SetReaderFactory([](const std::string&) { return std::make_unique<TwoThenFail>(); });
    dialog.QueueAnswer(Path("big.RAB"));
    EXPECT_FALSE(session.OpenBatchFile());
    EXPECT_EQ(session.List().Text() + Binding(), "L1\r\nL2\r\n" + kCaption + "||changed");
    EXPECT_EQ(Titles().back() + "|" + LastText(), "Error opening batch file|Device I/O error");
    EXPECT_THROW(OpenBatchLines(dir.str()), AppError);
}

TEST_F(BatchTest, TheRunWritesALineASpecUnderItsForcedNameStopsAtTheFirstBlankLineAndEveryRoadRestoresTheAssessment) {
    const std::string before = SerialiseState(AppData, 0);
    auto run = [&](const std::string& list, const std::string& file) {
        services.messageBox.calls.clear();
        host.ran.clear();
        std::filesystem::remove(Path("out.CSV"));
        session.ListEdited(list);
        if (!file.empty()) dialog.QueueAnswer(Path(file));
        const bool ok = session.RunBatch();
        EXPECT_EQ(SerialiseState(AppData, 0), before);
        EXPECT_TRUE(host.starts == host.ends && port.timerOn && !port.busy && !session.Running());
        EXPECT_TRUE(session.Controls().fileMenuEnabled && session.Controls().labelCaption == "Captured Specs:");
        return ok;
    };
    const std::string done = "Success running batch file", failed = "Error running batch file";
    struct Case {
        const char* name;
        const char* list;
        std::set<std::string> failing;
        std::string file;  // the dialog's choice; a run writes out.CSV
        std::vector<std::string> ran, written;
        std::string title;
    };
    const Case cases[] = {
        {"blanks trimmed, no last CR LF, .CSV forced", "S1\r\n  S2  \r\nS3", {}, "out.txt", {"S1", "S2", "S3"},
         {"S1", "S2", "S3"}, done},
        {"all-blank line between", "S1\r\n   \r\nS2\r\n", {}, "out.CSV", {"S1"}, {"S1"}, done},
        {"first line blank", "\r\nS1\r\n", {}, "out.CSV", {}, {}, done},
        {"empty list", "", {}, "out.CSV", {}, {}, done},
        {"a failing line gets no data line", "S1\r\nS2\r\nS3\r\n", {"S1"}, "out.CSV", {"S1", "S2", "S3"}, {"S2", "S3"},
         done},
        {"every line failing", "S1\r\nS2\r\n", {"S1", "S2"}, "out.CSV", {"S1", "S2"}, {}, done},
        {"the dialog cancelled: no file, no message", "S1\r\n", {}, "", {}, {}, ""},
        {"a file that cannot be created", "S1\r\n", {}, "missing/out.CSV", {}, {}, failed},
        {"a line that raises keeps what was written", "S1\r\nBROKEN\r\nS3\r\n", {}, "out.CSV", {"S1", "BROKEN"}, {"S1"},
         failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.failing = c.failing;
        EXPECT_EQ(run(c.list, c.file), c.title == done);
        EXPECT_EQ(host.ran, c.ran);
        std::string csv = c.ran.empty() ? "" : kHeader;
        for (const auto& s : c.written) csv += Data(s);
        EXPECT_EQ(Bytes("out.CSV"), csv);
        EXPECT_EQ(services.messageBox.calls.empty() ? "" : Titles().back(), c.title);
        // The run's own error box came through the batch window, its timer off.
        EXPECT_TRUE(c.failing.empty() || Titles()[0] == "Error running Monte Carlo simulation");
    }
    EXPECT_EQ(LastText(), "Broken");
    // Each run starts from the built-in defaults, not the analyst's assessment.
    EXPECT_EQ(host.dataAtStart, SerialiseState(GetAppDataDefaults(true, Variant()), 0));
    EXPECT_EQ(Asked(), "Run batch file|BatchOutput.CSV");
    dialog.QueueAnswer(Path("spring.RAB"));
    ASSERT_TRUE(session.SaveBatchFile());
    EXPECT_FALSE(run("S1\r\n", ""));
    EXPECT_EQ(Asked(), "Run batch file|spring.CSV");
}

}  // namespace
}  // namespace nuvir::batchtest
