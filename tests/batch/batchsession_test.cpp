// The batch session against a scripted main window: the list, the batch files' bytes,
// the save queries, and the run's CSV and restore on every road.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "batch_fixture.h"
#include "platform/profile.h"
#include "runtime/convert.h"

namespace nuvir::batchtest {
namespace {

const std::string kCaption = "     NUVIR Batch Module";
const std::string kSpec = "SPECIES=A;N=1000\r\n";
const std::string kHeader =
    "SPEC,KEY,n,TBR,TBRMean,TBRSD,TBRMin,TBRMax,TBRLCL,TBRUCL,Cost,CostMean,CostSD,CostMin,CostMax,CostLCL,CostUCL\r\n";
const std::string kQuerySave = "Current batch set has changed.\r\n\r\nSave?";
// The CSV line of host.result under the assessment's name.
std::string Data(const std::string& spec) {
    return spec + ",v, 1000 , .5 , .25 ,-1 , .0001 , 1.5E+15 , 1E-05 , 2 , 3 ,-.5 , 0 , 10.5 , 100 , 1 , 7 \r\n";
}

TEST(BatchList, KeepsWithin65536Characters) {
    BatchList list;
    list.SetText(std::string(65530, 'x'));
    EXPECT_FALSE(list.AppendSpec("12345"));  // 65530 + 5 + CR LF
    EXPECT_TRUE(list.AppendSpec("1234"));
    list.SetText(std::string(65532, 'x'));
    EXPECT_TRUE(list.AppendSpec("\xC3\xBC\xC3\xBC"));  // characters count, not bytes
}

TEST(BatchList, TheSameTextWithCrLfLineEndsIsNoChange) {
    BatchList list;
    list.SetText("a\nb\rc\r\nd");
    list.SetListChanged(false);
    list.SetText("a\r\nb\r\nc\r\nd");
    EXPECT_FALSE(list.ListChanged());
}

// ---- capture, clear, close and save ---------------------------------------------------------

TEST_F(BatchTest, ACaptureThatFailsSaysSo) {
    host.captureError = "Type mismatch";
    session.Capture();
    EXPECT_EQ(Titles(), std::vector<std::string>{"Error capturing batch spec"});
    EXPECT_EQ(session.List().Text(), "");
}

TEST_F(BatchTest, ClearAsksToSaveAndACancelledSaveKeepsTheList) {
    session.Capture();
    Answer(mb::Yes);
    session.ClearBatch(true);
    EXPECT_EQ(session.List().Text(), kSpec);
    ExpectLastMessage("NUVIR Batch: Query Save", kQuerySave);
}

TEST_F(BatchTest, ClearWithASaveWritesTheListThenEmptiesIt) {
    session.Capture();
    Answer(mb::Yes, "kept.RAB");
    session.ClearBatch(true);
    EXPECT_EQ(Bytes("kept.RAB"), kSpec);
    EXPECT_EQ(session.List().CounterText(), "0");
    EXPECT_EQ(session.List().Text(), "");
}

TEST_F(BatchTest, ASaveThatFailsOnCloseKeepsTheWindow) {
    session.Capture();
    Answer(mb::Yes, "missing/list.RAB");
    EXPECT_FALSE(session.QueryClose());
    EXPECT_FALSE(session.CloseRequested());
    EXPECT_EQ(Titles().back(), "Error saving batch file");
}

TEST_F(BatchTest, CloseWithoutSavingCloses) {
    session.Capture();
    Answer(mb::No);
    EXPECT_TRUE(session.QueryClose());
    EXPECT_TRUE(session.CloseRequested());
}

TEST_F(BatchTest, ACancelledSaveDialogSavesNothing) {
    session.Capture();
    EXPECT_FALSE(session.SaveBatchFile());
    ExpectBinding(kCaption, "", true);
}

// The dialog asked about x.txt; x.RAB, which is written, is asked about here.
TEST_F(BatchTest, SavingForcesItsExtensionAndAsksBeforeReplacingThatFile) {
    session.Capture();
    test::WriteBytes(Path("x.RAB"), "old\r\n");
    Answer(mb::No, "x.txt");
    EXPECT_FALSE(session.SaveBatchFile());
    EXPECT_EQ(Bytes("x.RAB"), "old\r\n");
    EXPECT_EQ(LastText(), "\"x.RAB\" already exists.\r\nDo you want to replace it?");
    Answer(mb::Yes, "x.txt");
    ASSERT_TRUE(session.SaveBatchFile());
    EXPECT_EQ(Bytes("x.RAB"), kSpec);
    ExpectBinding(kCaption + "  [x.RAB]", "x.RAB", false);
    ExpectAsked("Save batch file", "");  // "*.RAB" proposes no name
    EXPECT_EQ(BatchPath, dir.str());
    EXPECT_EQ(dialog.requests[0].directory, dir.str());
}

TEST_F(BatchTest, AnExtensionInAnotherCaseIsKeptAsTyped) {
    session.Capture();
    dialog.QueueAnswer(Path("y.rab"));
    ASSERT_TRUE(session.SaveBatchFile());
    EXPECT_EQ(Bytes("y.rab"), kSpec);
}

// The old list stays as it was; the message gives the system's reason, a size limit
// included, which is no full disk.
TEST_F(BatchTest, AFailedSaveNamesTheSystemsCause) {
    struct Case {
        const char* name;
        int error;
        std::string cause;
    };
    const Case cases[] = {
        {"full disk", ENOSPC, "The disk is full."},
        {"file-size limit", EFBIG, "File too large"},
    };
    session.Capture();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteBytes(Path("kept.RAB"), "old\r\n");
        profile::SetFileFaultForTesting(
            [&](profile::FileStage s) { return s == profile::FileStage::Write ? c.error : 0; });
        Answer(mb::Yes, "kept.RAB");
        EXPECT_FALSE(session.SaveBatchFile());
        profile::SetFileFaultForTesting({});
        EXPECT_EQ(Bytes("kept.RAB"), "old\r\n");
        ExpectLastMessage("Error saving batch file",
                          "The batch file \"" + Path("kept.RAB") + "\" could not be written.\r\n\r\n" + c.cause);
    }
}

// ---- open -------------------------------------------------------------------------------

TEST_F(BatchTest, OpeningReadsEveryLineEndAndWindows1252) {
    test::WriteBytes(Path("mixed.RAB"), "A\r\n\r\nB\nC\rD\xE9");
    dialog.QueueAnswer(Path("mixed.RAB"));
    ASSERT_TRUE(session.OpenBatchFile());
    EXPECT_EQ(session.List().Text(), "A\r\n\r\nB\r\nC\r\nD\xC3\xA9\r\n");
}

struct OpenedBig : BatchTest {
    void SetUp() override {
        BatchTest::SetUp();
        std::string big;
        for (int i = 0; i < 70; ++i) big += std::string(998, 'x') + "\r\n";
        test::WriteBytes(Path("big.RAB"), big);
        dialog.QueueAnswer(Path("big.RAB"));
        ASSERT_TRUE(session.OpenBatchFile());
    }
};

TEST_F(OpenedBig, OpeningStopsWhereTheListIsFull) {
    EXPECT_EQ(session.List().Length(), 65000u);
    ExpectBinding(kCaption + "  [big.RAB]", "big.RAB", false);
}

TEST_F(OpenedBig, SaveProposesTheOpenedFilesName) {
    EXPECT_FALSE(session.SaveBatchFile());
    ExpectAsked("Save batch file", "big.RAB");
}

// Yes to the save query, the save cancelled: the list and caption stay but the list is
// no longer bound to a name.
TEST_F(OpenedBig, OpenOverChangesWhoseSaveIsCancelledUnbindsTheList) {
    host.captureText = "SPECIES=B;N=2000";
    session.Capture();
    Answer(mb::Yes);
    EXPECT_FALSE(session.OpenBatchFile());
    EXPECT_EQ(session.List().Text().substr(65000), "SPECIES=B;N=2000\r\n");
    ExpectBinding(kCaption + "  [big.RAB]", "", true);
}

TEST_F(OpenedBig, ACancelledOpenDialogLeavesAnEmptyUnboundList) {
    Answer(mb::No);
    session.Capture();
    EXPECT_FALSE(session.OpenBatchFile());
    EXPECT_EQ(session.List().Text(), "");
    ExpectBinding(kCaption, "", false);
}

TEST_F(BatchTest, AReadErrorKeepsTheLinesReadAndSaysWhy) {
    struct TwoThenFail : BatchLineReader {
        int n = 0;
        bool ReadLine(std::string& line) override {
            if (++n > 2) throw AppError(57, "Device I/O error");
            return line = "L" + std::to_string(n), true;
        }
    };
    session.SetReaderFactory([](const std::string&) { return std::make_unique<TwoThenFail>(); });
    test::WriteBytes(Path("any.RAB"), "x\r\n");
    dialog.QueueAnswer(Path("any.RAB"));
    EXPECT_FALSE(session.OpenBatchFile());
    EXPECT_EQ(session.List().Text(), "L1\r\nL2\r\n");
    ExpectBinding(kCaption, "", true);
    ExpectLastMessage("Error opening batch file", "Device I/O error");
    EXPECT_THROW(OpenBatchLines(dir.str()), AppError);
}

// ---- run ----------------------------------------------------------------------------------

class RunTest : public BatchTest {
protected:
    void SetUp() override {
        BatchTest::SetUp();
        before = SerialiseState(AppData, 0);
    }
    // Runs the list into `file` ("" cancels the dialog) and checks that the run left
    // the assessment and the window as they were.
    bool Run(const std::string& list, const std::string& file) {
        services.messageBox.calls.clear();
        host.ran.clear();
        std::filesystem::remove(Path("out.CSV"));
        session.ListEdited(list);
        if (!file.empty()) dialog.QueueAnswer(Path(file));
        const bool ok = session.RunBatch();
        EXPECT_EQ(SerialiseState(AppData, 0), before);
        EXPECT_EQ(host.starts, host.ends);
        EXPECT_TRUE(port.timerOn);
        EXPECT_FALSE(port.busy);
        EXPECT_FALSE(session.Running());
        EXPECT_TRUE(session.Controls().fileMenuEnabled);
        EXPECT_EQ(session.Controls().labelCaption, "Captured Specs:");
        return ok;
    }
    std::string before;
    const std::string done = "Success running batch file", failed = "Error running batch file";
};

TEST_F(RunTest, EachSpecRunsToTheFirstBlankLineAndEveryRoadRestoresTheAssessment) {
    struct Case {
        const char* name;
        std::string list;
        std::set<std::string> failing;
        std::string file;  // the dialog's choice; a run writes out.CSV
        std::vector<std::string> ran, written;
        std::string title;
        bool ranToTheEnd = title == "Success running batch file";
        bool fileWritten = true;
    };
    const Case cases[] = {
        {"blanks trimmed, no last CR LF, .CSV forced",
         "S1\r\n  S2  \r\nS3",
         {},
         "out.txt",
         {"S1", "S2", "S3"},
         {"S1", "S2", "S3"},
         done},
        {"all-blank line between", "S1\r\n   \r\nS2\r\n", {}, "out.CSV", {"S1"}, {"S1"}, done},
        {"first line blank", "\r\nS1\r\n", {}, "out.CSV", {}, {}, done},
        {"empty list", "", {}, "out.CSV", {}, {}, done},
        {"a failing line gets no data line",
         "S1\r\nS2\r\nS3\r\n",
         {"S1"},
         "out.CSV",
         {"S1", "S2", "S3"},
         {"S2", "S3"},
         failed,
         true},
        {"every line failing", "S1\r\nS2\r\n", {"S1", "S2"}, "out.CSV", {"S1", "S2"}, {}, failed, true},
        // Pasted from another program: its keys would go unread.
        {"a line holding a NUL fails unrun",
         std::string("S1\r\nS\0"
                     "2\r\nS3\r\n",
                     13),
         {},
         "out.CSV",
         {"S1", "S3"},
         {"S1", "S3"},
         failed,
         true},
        {"the dialog cancelled: no file, no message", "S1\r\n", {}, "", {}, {}, ""},
        {"a file that cannot be created", "S1\r\n", {}, "missing/out.CSV", {}, {}, failed},
        // An earlier file would stay whole: what was written goes.
        {"a line that raises writes no file",
         "S1\r\nBROKEN\r\nS3\r\n",
         {},
         "out.CSV",
         {"S1", "BROKEN"},
         {},
         failed,
         false,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.failing = c.failing;
        EXPECT_EQ(Run(c.list, c.file), c.ranToTheEnd);
        EXPECT_EQ(host.ran, c.ran);
        std::string csv = c.ran.empty() || !c.fileWritten ? "" : kHeader;
        for (const auto& s : c.written) csv += Data(s);
        EXPECT_EQ(Bytes("out.CSV"), csv);
        EXPECT_EQ(services.messageBox.calls.empty() ? "" : Titles().back(), c.title);
        // The run's own error box came through the batch window, its timer off.
        if (!c.failing.empty()) {
            EXPECT_EQ(Titles()[0], "Error running Monte Carlo simulation");
        }
    }
    EXPECT_EQ(LastText(), "Broken");
}

TEST_F(RunTest, EachRunStartsFromTheBuiltInDefaultsNotTheAnalystsAssessment) {
    Run("S1\r\n", "out.CSV");
    EXPECT_EQ(host.dataAtStart, SerialiseState(GetAppDataDefaults(true, Variant()), 0));
}

TEST_F(RunTest, TheOutputIsOfferedUnderTheListsName) {
    Run("S1\r\n", "");
    ExpectAsked("Run batch file", "BatchOutput.CSV");
    dialog.QueueAnswer(Path("spring.RAB"));
    ASSERT_TRUE(session.SaveBatchFile());
    EXPECT_FALSE(Run("S1\r\n", ""));
    ExpectAsked("Run batch file", "spring.CSV");
}

TEST_F(RunTest, AFullDiskIsNamedAsTheCause) {
    profile::SetFileFaultForTesting([](profile::FileStage s) { return s == profile::FileStage::Write ? ENOSPC : 0; });
    EXPECT_FALSE(Run("S1\r\n", "out.CSV"));
    profile::SetFileFaultForTesting({});
    ExpectLastMessage(failed, "The batch output file \"" + Path("out.CSV") +
                                  "\" could not be written: No space left on device");
}

// The main window's reading of each line into AppData, with a run that refuses what the
// engine refuses: a categorical impact whose probabilities do not add up to 1, and an
// impact at the top of the Double range, whose draws overflow.
class StateHost : public FakeHost {
public:
    std::string SerialiseState(std::int32_t form) override { return nuvir::SerialiseState(AppData, form); }
    std::optional<BatchResult> RunBatchSimulation(const std::string& spec) override {
        ran.push_back(spec);
        try {
            DeserialiseState(AppData, spec, 3.2);
        } catch (const AppError& e) {
            MsgBox(e.what(), 0, "Error reading batch spec");
            return std::nullopt;
        }
        bool ok = std::fabs(CDbl(AppData(item::PointValue(item::kI1)))) < 1e300;
        if (CBool(AppData(item::kCategoricalImpacts))) {
            const Variant& table = AppData(item::CategoryTable(item::kI1)).get();
            double sum = 0;
            if (table.dims() == 2) {
                for (std::int32_t c = table.lbound(2); c <= table.ubound(2); ++c) sum += CDbl(table(1, c));
            }
            ok = ok && std::fabs(sum - 1) < 1e-9;
        }
        if (ok) return result;
        MsgBox("Bad discrete lookup table (I1)", 0, "Error running Monte Carlo simulation");
        return std::nullopt;
    }
};

class FailedLineTest : public RunTest {
protected:
    void SetUp() override {
        RunTest::SetUp();
        session.SetHost(&state);
    }
    // The data lines of out.CSV, each cut after its species and location.
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (const std::string& line : Split(Bytes("out.CSV"), "\r\n")) {
            const std::vector<std::string> cells = Split(line, ",");
            if (cells.size() > 3 && cells[0] != "SPECIES") rows.push_back(cells[0] + "," + cells[2]);
        }
        return rows;
    }
    StateHost state;
};

TEST_F(FailedLineTest, ALineThatFailsHandsNothingOnAndTheEndSaysSo) {
    const std::string bad = "SPECIES=BAD;CATI=TRUE;NUMI=3;ICAT1=1|2|3|0.2|0.3|0.5;NUMI=5";
    std::string eleven;
    for (int i = 1; i <= 11; ++i) eleven += "SPECIES=C" + std::to_string(i) + ";N=1000\r\n";
    std::vector<std::string> elevenRows;
    for (int i = 1; i <= 11; ++i) elevenRows.push_back("C" + std::to_string(i) + ",1000");
    // Named by its own text, its control character a blank, cut after 60 characters.
    const std::string longName = "SPECIES=X\x01Y" + std::string(5000, 's') + ";N=2000";
    const std::string ended = "The batch run has ended, but ";
    const std::string after =
        ".\r\n\r\nA line that failed has no line in the CSV file, and the lines after it ran "
        "without its values.";
    struct Case {
        const char* name;
        std::string list;
        std::vector<std::string> rows;
        std::string title, text;
    };
    const Case cases[] = {
        {"a category table wider than its count, then eleven plain lines", bad + "\r\n" + eleven, elevenRows, failed,
         ended + "1 of its 12 lines failed: line 1 (\"" + bad + "\")" + after},
        {"the largest Double between two lines",
         "SPECIES=A;N=2000\r\nSPECIES=TOP;UM=1;I1=1.7976931348623157E308,N,0.1\r\nSPECIES=B\r\n",
         {"A,2000", "B,2000"},
         failed,
         ended + "1 of its 3 lines failed: line 2 (\"SPECIES=TOP;UM=1;I1=1.7976931348623157E308,N,0.1\")" + after},
        {"a species too long to keep, after another",
         "SPECIES=A\r\n" + longName + "\r\nSPECIES=B\r\n",
         {"A,1000", "B,1000"},
         failed,
         ended + "1 of its 3 lines failed: line 2 (\"SPECIES=X Y" + std::string(49, 's') + "\xE2\x80\xA6\")" + after},
        {"two failing, the first named",
         "SPECIES=A\r\n" + bad + "\r\nSPECIES=X;I1=1E308,U,L2;CATI=FALSE\r\nSPECIES=B\r\n",
         {"A,1000", "B,1000"},
         failed,
         ended + "2 of its 4 lines failed; the first was line 2 (\"" + bad + "\")" + after},
        {"a list of one failing line",
         bad + "\r\n",
         {},
         failed,
         ended + "its one line failed: line 1 (\"" + bad + "\")" + after},
        {"none failing",
         "SPECIES=A\r\nSPECIES=B;CATI=TRUE;NUMI=2;ICAT1=1|2|0.5|0.5\r\n",
         {"A,1000", "B,1000"},
         done,
         "Batch run complete."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(Run(c.list, "out.CSV"));
        EXPECT_EQ(Rows(), c.rows);
        ExpectLastMessage(c.title, c.text);
    }
}

// The failed line is quoted by its first 60 characters, whatever their bytes: a cut by
// bytes would stop inside a character. By hand: U+00E9 is UTF-8 C3 A9 (two bytes),
// U+1F41D F0 9F 90 9D (four bytes, a surrogate pair in UTF-16), U+2026 E2 80 A6.
TEST(FailedLinesText, AnAccentedLineIsCutAfter60CharactersNeverInsideOne) {
    const auto times = [](int n, const std::string& s) {
        std::string out;
        for (int i = 0; i < n; ++i) out += s;
        return out;
    };
    const std::string e = "\xC3\xA9", bee = "\xF0\x9F\x90\x9D", more = "\xE2\x80\xA6";
    struct Case {
        const char* name;
        std::string line, quoted;
    };
    const Case cases[] = {
        {"70 accented letters", times(70, e), times(60, e) + more},
        {"one ASCII letter, then 69 accented", "x" + times(69, e), "x" + times(59, e) + more},
        {"61 characters beyond the first plane", times(61, bee), times(60, bee) + more},
        {"three ASCII letters, then 58 of them", "abc" + times(58, bee), "abc" + times(57, bee) + more},
        {"60 accented letters whole", times(60, e), times(60, e)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FailedLinesText(FailedLines{1, 1, c.line}, 1),
                  "The batch run has ended, but its one line failed: line 1 (\"" + c.quoted +
                      "\").\r\n\r\nA line that failed has no line in the CSV file, and the lines after it ran "
                      "without its values.");
    }
}

TEST_F(RunTest, TheListsOwnFileIsNeitherOfferedNorTakenForItsResults) {
    test::WriteBytes(Path("list.CSV"), "S1\r\nS2\r\n");
    dialog.QueueAnswer(Path("list.CSV"));
    ASSERT_TRUE(session.OpenBatchFile());
    dialog.QueueAnswer(Path("list.CSV"));
    EXPECT_FALSE(session.RunBatch());
    ExpectAsked("Run batch file", "BatchOutput.CSV");
    ExpectLastMessage("Run batch file",
                      "The results were not written to \"list.CSV\": it is the file of the batch list "
                      "being run.\r\n\r\nRun again and choose another file for them.");
    EXPECT_EQ(Bytes("list.CSV"), "S1\r\nS2\r\n");
    EXPECT_TRUE(host.ran.empty());
    // Another file of the same name elsewhere is no list.
    std::filesystem::create_directory(dir.path() / "other");
    dialog.QueueAnswer(Path("other/list.CSV"));
    EXPECT_TRUE(session.RunBatch());
    EXPECT_EQ(Bytes("other/list.CSV"), kHeader + Data("S1") + Data("S2"));
}

TEST_F(RunTest, AnEarlierCsvStaysWholeUntilTheNewOneIsComplete) {
    struct Case {
        const char* name;
        profile::FileStage stage;
        int error;
        std::string cause;
    };
    const Case cases[] = {
        {"a full disk", profile::FileStage::Write, ENOSPC, "No space left on device"},
        {"the replacement refused", profile::FileStage::Commit, EIO, "Input/output error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteBytes(Path("earlier.CSV"), "an earlier run\r\n");
        profile::SetFileFaultForTesting([&c](profile::FileStage s) { return s == c.stage ? c.error : 0; });
        session.ListEdited("S1\r\nS2\r\n");
        dialog.QueueAnswer(Path("earlier.CSV"));
        EXPECT_FALSE(session.RunBatch());
        profile::SetFileFaultForTesting({});
        ExpectLastMessage(failed,
                          "The batch output file \"" + Path("earlier.CSV") + "\" could not be written: " + c.cause);
        EXPECT_EQ(Bytes("earlier.CSV"), "an earlier run\r\n");
        // Nothing is left beside it.
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            names.insert(e.path().filename().string());
        EXPECT_EQ(names, std::set<std::string>{"earlier.CSV"});
    }
    // A run that ends replaces it.
    dialog.QueueAnswer(Path("earlier.CSV"));
    EXPECT_TRUE(session.RunBatch());
    EXPECT_EQ(Bytes("earlier.CSV"), kHeader + Data("S1") + Data("S2"));
}

// A 300-line run under a file-size limit of 2000 bytes, in a child that keeps SIGXFSZ's
// default (it ends a process whose write passes the limit): the run stops with the
// cause named, the earlier CSV whole and nothing beside it, and the session goes on.
TEST_F(RunTest, ARunPastTheFileSizeLimitSaysSoAndTheWindowLivesOn) {
    test::WriteBytes(Path("earlier.CSV"), "an earlier run\r\n");
    std::string list;
    for (int i = 1; i <= 300; ++i) list += "S" + std::to_string(i) + "\r\n";
    session.ListEdited(list);
    dialog.QueueAnswer(Path("earlier.CSV"));
    int message[2];
    ASSERT_EQ(::pipe(message), 0);
    const int code = test::ExitCodeInChild([&] {
        const test::FileSizeLimit limit(2000);
        if (!limit.Held()) return 90;
        const bool ran = session.RunBatch();
        const std::string said = Titles().back() + "|" + LastText();
        [[maybe_unused]] const auto n = ::write(message[1], said.data(), said.size());
        return ran ? 1 : session.Running() || !session.Controls().fileMenuEnabled ? 2 : 0;
    });
    ::close(message[1]);
    std::string said(4096, '\0');
    const ssize_t n = ::read(message[0], said.data(), said.size());
    ::close(message[0]);
    said.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    EXPECT_EQ(code, 0) << "1: the run passed, 2: the session stayed running, " << 100 + SIGXFSZ << ": ended by SIGXFSZ";
    EXPECT_EQ(said,
              failed + "|The batch output file \"" + Path("earlier.CSV") + "\" could not be written: File too large");
    EXPECT_EQ(Bytes("earlier.CSV"), "an earlier run\r\n");
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.insert(e.path().filename().string());
    EXPECT_EQ(names, std::set<std::string>{"earlier.CSV"});
}

// ---- the list's limit on every road in -----------------------------------------------------------

// 1000 specs of 74 characters: 76,000 characters with their line ends.
class LimitTest : public BatchTest {
protected:
    void SetUp() override {
        BatchTest::SetUp();
        for (int i = 0; i < 1000; ++i) file += "SPECIES=" + std::string(62, 'a') + std::to_string(1000 + i) + "\r\n";
        test::WriteBytes(Path("long.RAB"), file);
    }
    void OpenLong() {
        dialog.QueueAnswer(Path("long.RAB"));
        ASSERT_TRUE(session.OpenBatchFile());
    }
    std::string file;
};

TEST_F(LimitTest, APasteOverTheLimitIsRefused) {
    session.ListEdited(file);
    EXPECT_EQ(session.List().Text(), "");
    ExpectLastMessage(
        "NUVIR Batch Module",
        "The change was not made: the batch list holds at most 65536 characters, and it would have had 76000.");
}

TEST_F(LimitTest, ACaptureOverTheLimitIsRefused) {
    session.ListEdited(std::string(65530, 'x'));  // typed up to the limit
    session.Capture();
    EXPECT_EQ(session.List().Length(), 65530u);
    ExpectLastMessage(
        "Error capturing batch spec",
        "The assessment was not captured: the batch list holds at most 65536 characters, and it has 65530.");
}

TEST_F(LimitTest, AnOpenThatCutsSaysSo) {
    OpenLong();
    EXPECT_EQ(session.List().Text(), file.substr(0, 862 * 76));
    ExpectLastMessage("Open batch file",
                      "Only the first 862 of the 1000 lines of \"long.RAB\" were read: the batch list "
                      "holds at most 65536 characters.");
}

TEST_F(LimitTest, SavingACutListOverItsFileAsksFirstAndOnlyThen) {
    OpenLong();
    session.ListEdited(session.List().Text().substr(2 * 76));  // two lines deleted, one captured
    session.Capture();
    // The list's count as it is now; the file's lines never read.
    const std::string ask =
        "The file holds 1000 lines, the list 861; lines 863 to 1000 of the file were never read "
        "into the list and would be lost.\r\n\r\nReplace \"long.RAB\" all the same?";
    Answer(mb::No, "long.RAB");
    EXPECT_FALSE(session.SaveBatchFile());
    ExpectLastMessage("Save batch file", ask);
    EXPECT_EQ(Bytes("long.RAB"), file);
    auto boxes = services.messageBox.calls.size();
    dialog.QueueAnswer(Path("copy.RAB"));  // another file is no loss
    ASSERT_TRUE(session.SaveBatchFile());
    EXPECT_EQ(services.messageBox.calls.size(), boxes);
    Answer(mb::Yes, "long.RAB");
    ASSERT_TRUE(session.SaveBatchFile());
    EXPECT_EQ(Bytes("long.RAB"), session.List().Text());
    boxes = services.messageBox.calls.size();
    dialog.QueueAnswer(Path("long.RAB"));  // it holds the list now: no question
    ASSERT_TRUE(session.SaveBatchFile());
    EXPECT_EQ(services.messageBox.calls.size(), boxes);
}

TEST_F(BatchTest, OnlyARegularFileSmallEnoughForAListIsReadAndNoneBlocks) {
    test::WriteBytes(Path("two.RAB"), "A\r\nB\r\n");
    ASSERT_EQ(::mkfifo(Path("pipe.RAB").c_str(), 0600), 0);
    std::filesystem::create_symlink("two.RAB", dir.path() / "link.RAB");
    std::filesystem::create_symlink("/dev/zero", dir.path() / "zero.RAB");
    test::WriteBytes(Path("huge.RAB"), "");
    std::filesystem::resize_file(Path("huge.RAB"), 500u << 20);
    test::WriteBytes(Path("edge.RAB"), std::string(BatchList::kMaxFileBytes, '\n'));
    test::WriteBytes(Path("over.RAB"), std::string(BatchList::kMaxFileBytes + 1, '\n'));
    // Should the FIFO be held open for reading after all, a writer comes by and ends the
    // wait: once the cases are done, or after 100 s (a hang guard: they take a second).
    // Its open succeeds only while a reader holds the FIFO.
    std::atomic<bool> done{false}, blocked{false};
    std::thread unblock([&done, &blocked, fifo = Path("pipe.RAB")] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(100);
        while (!done && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        blocked = fd >= 0;
        if (fd >= 0) ::close(fd);
    });
    const std::string notAFile = "\" could not be read.\r\n\r\nIt is not a file.";
    const std::string tooLarge =
        "\" was not read: it is larger than 262148 bytes, more than a batch list of at most "
        "65536 characters can take.";
    struct Case {
        const char* name;
        std::string file;
        std::size_t length;
        std::string message;
    };
    const Case cases[] = {
        {"a link to a regular file", "link.RAB", 6, ""},
        {"a FIFO", "pipe.RAB", 0, "The batch file \"" + Path("pipe.RAB") + notAFile},
        {"a link to a device", "zero.RAB", 0, "The batch file \"" + Path("zero.RAB") + notAFile},
        {"500 MB", "huge.RAB", 0, "The batch file \"" + Path("huge.RAB") + tooLarge},
        {"one byte over", "over.RAB", 0, "The batch file \"" + Path("over.RAB") + tooLarge},
        {"just small enough: read, then cut", "edge.RAB", 65536, "Only the first 32768 of the 262148 lines"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        services.messageBox.calls.clear();
        dialog.QueueAnswer(Path(c.file));
        const std::size_t readBefore = profile::BytesRead();
        EXPECT_EQ(session.OpenBatchFile(), c.message.empty() || c.message.starts_with("Only"));
        EXPECT_LE(profile::BytesRead() - readBefore, BatchList::kMaxFileBytes + 1) << "no more read than a list takes";
        EXPECT_EQ(session.List().Length(), c.length);
        EXPECT_EQ(services.messageBox.calls.empty() ? "" : LastText().substr(0, c.message.size()), c.message);
    }
    done = true;
    unblock.join();
    EXPECT_FALSE(blocked) << "the FIFO was held open for reading";
}

}  // namespace
}  // namespace nuvir::batchtest
