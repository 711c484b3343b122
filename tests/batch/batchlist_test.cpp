// The batch list: its limit, counter, line ends, the state rules of the window's
// controls and the save query of Clear and of a close.
#include "batch_fixture.h"

namespace nuvir::batchtest {
namespace {

TEST(BatchList, AppendKeepsTheListWithin65536Characters) {
    BatchList list;
    list.SetText(std::string(65530, 'x'));
    EXPECT_FALSE(list.AppendSpec("12345"));  // 65530 + 5 + 2
    EXPECT_EQ(list.Length(), 65530u);
    EXPECT_EQ(list.CounterText(), "");
    EXPECT_TRUE(list.AppendSpec("1234"));  // 65530 + 4 + 2
    EXPECT_EQ(list.Length(), 65536u);
    EXPECT_EQ(list.CounterText(), "1");
    EXPECT_TRUE(list.Text().ends_with("1234\r\n"));

    // Characters count, not bytes: "ü" is one character of two bytes.
    BatchList names;
    names.SetText(std::string(65532, 'x'));
    EXPECT_TRUE(names.AppendSpec("\xC3\xBC\xC3\xBC"));
}

TEST(BatchList, EditsTakeCrLfLineEnds) {
    BatchList list;
    list.SetText("a\nb\rc\r\nd");
    EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd");
    EXPECT_TRUE(list.ListChanged());
    list.SetListChanged(false);
    list.SetText("a\r\nb\r\nc\r\nd");  // the same text is no change
    EXPECT_FALSE(list.ListChanged());
}

TEST_F(BatchTest, CaptureThenTickShowsTheCounterAndEnablesTheCommands) {
    session.ToggleRecord();
    session.Capture();
    EXPECT_FALSE(session.Controls().labelsVisible);  // until the tick
    session.RefreshBatchControls();
    const BatchControls& c = session.Controls();
    EXPECT_TRUE(c.labelsVisible && c.runEnabled && c.clearEnabled && c.saveEnabled);
    EXPECT_FALSE(c.fileMenuEnabled);  // recording
    EXPECT_EQ(session.List().CounterText(), "1");
    EXPECT_EQ(session.List().Text(), "SPECIES=A;N=1000\r\n");

    // Clear, answered No when asked to save: empty, counter 0, labels hidden.
    services.messageBox.QueueAnswer(mb::No);
    session.ClearBatch(true);
    EXPECT_EQ(session.List().Text(), "");
    EXPECT_EQ(session.List().CounterText(), "0");
    EXPECT_FALSE(session.Controls().labelsVisible);
    ASSERT_EQ(services.messageBox.calls.size(), 1u);
    EXPECT_EQ(services.messageBox.calls[0].text, "Current batch set has changed.\r\n\r\nSave?");
    EXPECT_EQ(services.messageBox.calls[0].style, mb::YesNo | kSetForeground);
    EXPECT_EQ(services.messageBox.calls[0].title, "NUVIR Batch: Query Save");
}

TEST_F(BatchTest, ACaptureThatFailsIsReportedAndAppendsNothing) {
    host.captureError = "Type mismatch";
    session.Capture();
    EXPECT_EQ(session.List().Text(), "");
    EXPECT_EQ(Titles(), std::vector<std::string>{"Error capturing batch spec"});
    EXPECT_EQ(port.timerOnDuringBox, std::vector<bool>{false});
    EXPECT_TRUE(port.timerOn);  // back on after the box
}

TEST_F(BatchTest, CloseWithAChangedList) {
    session.Capture();
    // Yes, then the save dialog cancelled: the window stays.
    services.messageBox.QueueAnswer(mb::Yes);
    dialog.QueueCancel();
    EXPECT_FALSE(session.QueryClose());
    EXPECT_FALSE(session.CloseRequested());
    // Yes and a save that fails (no such folder): it stays too.
    services.messageBox.QueueAnswer(mb::Yes);
    dialog.QueueAnswer(Path("missing/list.RAB"));
    EXPECT_FALSE(session.QueryClose());
    EXPECT_EQ(Titles().back(), "Error saving batch file");
    // No: it closes without saving.
    services.messageBox.QueueAnswer(mb::No);
    EXPECT_TRUE(session.QueryClose());
    EXPECT_TRUE(session.CloseRequested());
    session.Activated();
    EXPECT_FALSE(session.CloseRequested());
}

TEST_F(BatchTest, ClearAnsweredYesSavesFirst) {
    session.Capture();
    services.messageBox.QueueAnswer(mb::Yes);
    dialog.QueueCancel();
    session.ClearBatch(true);  // the save was cancelled: the list stays
    EXPECT_EQ(session.List().Text(), "SPECIES=A;N=1000\r\n");
    services.messageBox.QueueAnswer(mb::Yes);
    dialog.QueueAnswer(Path("kept.RAB"));
    session.ClearBatch(true);
    EXPECT_EQ(session.List().Text(), "");
    EXPECT_EQ(ReadBytes(Path("kept.RAB")), "SPECIES=A;N=1000\r\n");
}

}  // namespace
}  // namespace nuvir::batchtest
