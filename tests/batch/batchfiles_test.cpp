// Batch files: the bytes written, reading them back, the forced ".RAB", the cancel
// paths, a read error and a file that does not fit.
#include <stdexcept>

#include "batch_fixture.h"

namespace nuvir::batchtest {
namespace {

const char* const kSpec1 = "SPECIES=A;N=1000";
const char* const kSpec2 = "SPECIES=B;N=2000";

TEST_F(BatchTest, SaveWritesTheListAndOpenGivesItBack) {
    host.captureText = kSpec1;
    session.Capture();
    host.captureText = kSpec2;
    session.Capture();
    dialog.QueueAnswer(Path("spring.RAB"));
    ASSERT_TRUE(session.SaveBatchFile());
    EXPECT_EQ(ReadBytes(Path("spring.RAB")), "SPECIES=A;N=1000\r\nSPECIES=B;N=2000\r\n");
    EXPECT_EQ(session.List().Caption(), "     NUVIR Batch Module  [spring.RAB]");
    EXPECT_EQ(BatchPath, Folder());
    EXPECT_FALSE(session.List().ListChanged());
    const FileDialogRequest& save = dialog.requests.back();
    EXPECT_EQ(save.title, "Save batch file");
    EXPECT_EQ(save.directory, Folder());
    EXPECT_EQ(save.fileName, "");  // "*.RAB" proposes no name
    EXPECT_TRUE(save.overwritePrompt);

    session.ClearBatch(false);
    dialog.QueueAnswer(Path("spring.RAB"));
    ASSERT_TRUE(session.OpenBatchFile());
    EXPECT_EQ(session.List().Text(), "SPECIES=A;N=1000\r\nSPECIES=B;N=2000\r\n");
    EXPECT_EQ(session.List().CounterText(), "2");
    EXPECT_EQ(session.List().BatchFileName(), "spring.RAB");
    EXPECT_FALSE(session.List().ListChanged());
    EXPECT_EQ(dialog.requests.back().title, "Open batch file");
    EXPECT_EQ(dialog.requests.back().fileName, "");
    EXPECT_TRUE(dialog.requests.back().fileMustExist);

    // The next save proposes the file's own name in its folder.
    dialog.QueueCancel();
    EXPECT_FALSE(session.SaveBatchFile());
    EXPECT_EQ(dialog.requests.back().fileName, "spring.RAB");
}

TEST_F(BatchTest, TheSavedNameTakesTheRabExtension) {
    session.Capture();
    dialog.QueueAnswer(Path("x.txt"));
    ASSERT_TRUE(session.SaveBatchFile());
    EXPECT_EQ(ReadBytes(Path("x.RAB")), "SPECIES=A;N=1000\r\n");
    EXPECT_EQ(ReadBytes(Path("x.txt")), "<missing>");
    EXPECT_EQ(session.List().Caption(), "     NUVIR Batch Module  [x.RAB]");

    // An extension of ".rab" in another case is kept as typed.
    dialog.QueueAnswer(Path("y.rab"));
    ASSERT_TRUE(session.SaveBatchFile());
    EXPECT_EQ(ReadBytes(Path("y.rab")), "SPECIES=A;N=1000\r\n");
}

TEST_F(BatchTest, AnExistingFileUnderTheForcedNameIsReplacedOnlyWhenTheAnalystAgrees) {
    WriteBytes(Path("x.RAB"), "old\r\n");
    session.Capture();
    services.messageBox.QueueAnswer(mb::No);
    dialog.QueueAnswer(Path("x.txt"));
    EXPECT_FALSE(session.SaveBatchFile());
    EXPECT_EQ(ReadBytes(Path("x.RAB")), "old\r\n");
    EXPECT_EQ(services.messageBox.calls.back().text, "\"x.RAB\" already exists.\r\nDo you want to replace it?");
    services.messageBox.QueueAnswer(mb::Yes);
    dialog.QueueAnswer(Path("x.txt"));
    EXPECT_TRUE(session.SaveBatchFile());
    EXPECT_EQ(ReadBytes(Path("x.RAB")), "SPECIES=A;N=1000\r\n");
}

TEST_F(BatchTest, CancelledDialogs) {
    session.Capture();
    dialog.QueueCancel();
    EXPECT_FALSE(session.SaveBatchFile());  // nothing changes
    EXPECT_TRUE(session.List().ListChanged());
    EXPECT_EQ(session.List().Caption(), "     NUVIR Batch Module");

    // Open with unsaved changes, Yes, then the save cancelled: the list and caption stay
    // but the list is no longer bound to a name.
    dialog.QueueAnswer(Path("a.RAB"));
    ASSERT_TRUE(session.SaveBatchFile());
    session.Capture();
    services.messageBox.QueueAnswer(mb::Yes);
    dialog.QueueCancel();
    EXPECT_FALSE(session.OpenBatchFile());
    EXPECT_EQ(session.List().CounterText(), "2");
    EXPECT_EQ(session.List().Caption(), "     NUVIR Batch Module  [a.RAB]");
    EXPECT_EQ(session.List().BatchFileName(), "");

    // Open, No to saving, then the open dialog cancelled: an empty, unbound list.
    services.messageBox.QueueAnswer(mb::No);
    dialog.QueueCancel();
    EXPECT_FALSE(session.OpenBatchFile());
    EXPECT_EQ(session.List().Text(), "");
    EXPECT_EQ(session.List().Caption(), "     NUVIR Batch Module");
}

TEST_F(BatchTest, OpeningKeepsBlankLinesAndReadsEveryKindOfLineEnd) {
    WriteBytes(Path("mixed.RAB"), "A\r\n\r\nB\nC\rD\xE9");  // the last line in Windows-1252
    dialog.QueueAnswer(Path("mixed.RAB"));
    ASSERT_TRUE(session.OpenBatchFile());
    EXPECT_EQ(session.List().Text(), "A\r\n\r\nB\r\nC\r\nD\xC3\xA9\r\n");
    EXPECT_EQ(session.List().CounterText(), "5");
}

TEST_F(BatchTest, AReadErrorKeepsTheLinesReadSoFar) {
    struct TwoThenFail : BatchLineReader {
        int n = 0;
        bool ReadLine(std::string& line) override {
            if (++n > 2) throw AppError(57, "Device I/O error");
            line = "L" + std::to_string(n);
            return true;
        }
    };
    session.SetReaderFactory([](const std::string&) { return std::make_unique<TwoThenFail>(); });
    dialog.QueueAnswer(Path("any.RAB"));
    WriteBytes(Path("any.RAB"), "");
    EXPECT_FALSE(session.OpenBatchFile());
    EXPECT_EQ(session.List().Text(), "L1\r\nL2\r\n");
    EXPECT_TRUE(session.List().ListChanged());
    EXPECT_EQ(session.List().Caption(), "     NUVIR Batch Module");
    EXPECT_EQ(services.messageBox.calls.back().text, "Device I/O error");
    EXPECT_EQ(services.messageBox.calls.back().title, "Error opening batch file");
}

TEST_F(BatchTest, AFileThatDoesNotFitIsReadUpToTheLineThatNoLongerFits) {
    const std::string line(998, 'x');  // 1000 characters with CR LF
    std::string bytes;
    for (int i = 0; i < 70; ++i) bytes += line + "\r\n";
    WriteBytes(Path("big.RAB"), bytes);
    dialog.QueueAnswer(Path("big.RAB"));
    ASSERT_TRUE(session.OpenBatchFile());
    EXPECT_EQ(session.List().CounterText(), "65");
    EXPECT_EQ(session.List().Length(), 65000u);
    EXPECT_FALSE(session.List().ListChanged());
    EXPECT_EQ(session.List().Caption(), "     NUVIR Batch Module  [big.RAB]");
    EXPECT_TRUE(services.messageBox.calls.empty());
}

TEST_F(BatchTest, AFileThatCannotBeReadRaisesItsReason) {
    EXPECT_THROW(OpenBatchLines(Path("gone.RAB")), AppError);
    EXPECT_THROW(OpenBatchLines(Folder()), AppError);
}

}  // namespace
}  // namespace nuvir::batchtest
