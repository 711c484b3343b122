// The batch session against a scripted main window: the list, the batch files' bytes,
// the save queries, and the run's CSV and restore on every road.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "batch_fixture.h"
#include "platform/profile.h"

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
    // A full disk is named as the cause.
    profile::SetFileFaultForTesting([](profile::FileStage s) { return s == profile::FileStage::Write ? ENOSPC : 0; });
    EXPECT_FALSE(run("S1\r\n", "out.CSV"));
    profile::SetFileFaultForTesting({});
    EXPECT_EQ(Titles().back() + "|" + LastText(),
              failed + "|The batch output file \"" + Path("out.CSV") + "\" could not be written: No space left on device");
    dialog.QueueAnswer(Path("spring.RAB"));
    ASSERT_TRUE(session.SaveBatchFile());
    EXPECT_FALSE(run("S1\r\n", ""));
    EXPECT_EQ(Asked(), "Run batch file|spring.CSV");
}

TEST_F(BatchTest, EveryRoadIntoTheListKeepsTheLimitAndAnOpenThatCutsSaysSoAndGuardsTheRestOfTheFile) {
    // 1000 specs of 74 characters: 76,000 characters with their line ends.
    std::string file;
    for (int i = 0; i < 1000; ++i) file += "SPECIES=" + std::string(62, 'a') + std::to_string(1000 + i) + "\r\n";
    const std::string limit = " characters";
    session.ListEdited(file);  // a paste
    EXPECT_EQ(session.List().Text(), "");
    EXPECT_EQ(Titles().back() + "|" + LastText(),
              "NUVIR Batch Module|The change was not made: the batch list holds at most 65536 characters, and it would "
              "have had 76000.");
    session.ListEdited(std::string(65530, 'x'));  // typed up to the limit
    session.Capture();
    EXPECT_EQ(session.List().Length(), 65530u);
    EXPECT_EQ(Titles().back() + "|" + LastText(),
              "Error capturing batch spec|The assessment was not captured: the batch list holds at most 65536 "
              "characters, and it has 65530.");

    test::WriteBytes(Path("long.RAB"), file);
    Answer(mb::No, "long.RAB");  // the typed list is not saved
    ASSERT_TRUE(session.OpenBatchFile());
    EXPECT_EQ(session.List().Text(), file.substr(0, 862 * 76));
    EXPECT_EQ(Titles().back() + "|" + LastText(),
              "Open batch file|Only the first 862 of the 1000 lines of \"long.RAB\" were read: the batch list holds at "
              "most 65536 characters.");
    session.ListEdited(session.List().Text().substr(76));  // a line deleted, one captured
    session.Capture();
    const std::string ask = "Save batch file|The file holds 1000 lines, the list 862; lines 863 to 1000 would be lost."
                            "\r\n\r\nReplace \"long.RAB\" all the same?";
    Answer(mb::No, "long.RAB");
    EXPECT_FALSE(session.SaveBatchFile());
    EXPECT_EQ(Titles().back() + "|" + LastText(), ask);
    EXPECT_EQ(Bytes("long.RAB"), file);
    dialog.QueueAnswer(Path("copy.RAB"));  // another file is no loss
    ASSERT_TRUE(session.SaveBatchFile());
    EXPECT_EQ(Titles().back() + "|" + LastText(), ask);
    Answer(mb::Yes, "long.RAB");
    ASSERT_TRUE(session.SaveBatchFile());
    EXPECT_EQ(Bytes("long.RAB"), session.List().Text());
    const auto boxes = services.messageBox.calls.size();
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
    // Should the FIFO be opened for reading after all, a writer comes by and ends the wait.
    std::atomic<bool> done{false};
    std::thread unblock([&done, fifo = Path("pipe.RAB")] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!done && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
    });
    const std::string notAFile = "\" could not be read.\r\n\r\nIt is not a file.";
    const std::string tooLarge = "\" was not read: it is larger than 262148 bytes, more than a batch list of at most "
                                 "65536 characters can take.";
    struct Case { const char* name; std::string file; std::size_t length; std::string message; };
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
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(session.OpenBatchFile(), c.message.empty() || c.message.starts_with("Only"));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_EQ(session.List().Length(), c.length);
        EXPECT_EQ(services.messageBox.calls.empty() ? "" : LastText().substr(0, c.message.size()), c.message);
    }
    done = true;
    unblock.join();
}

}  // namespace
}  // namespace nuvir::batchtest
