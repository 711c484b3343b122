// The injectable services: the fakes answer from their scripts, the Qt ones are
// reached when nothing is injected, and help reports a missing file in a message.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "platform/controls.h"
#include "platform/fakeservices.h"
#include "platform/form.h"
#include "platform/services.h"
#include "testsupport.h"

namespace nuvir {
namespace {

TEST(Services, MessageBoxesAnswerFromTheScript) {
    FakeServices fakes;
    fakes.messageBox.QueueAnswer(mb::No);
    EXPECT_EQ(MsgBox("Save changes?", mb::YesNoCancel | mb::Question, "NUVIR"), mb::No);
    EXPECT_EQ(MsgBox("Done."), mb::OK);
    EXPECT_EQ(MsgBox("Again?", mb::RetryCancel), mb::Retry);
    ASSERT_EQ(fakes.messageBox.calls.size(), 3u);
    EXPECT_EQ(fakes.messageBox.calls[0].text, "Save changes?");
    EXPECT_EQ(fakes.messageBox.calls[0].style, mb::YesNoCancel | mb::Question);
    EXPECT_EQ(fakes.messageBox.calls[0].title, "NUVIR");
}

TEST(Services, ScopesNestAndRestore) {
    FakeMessageBox outer, inner;
    {
        ScopedServices a(ServiceSet{&outer});
        {
            ScopedServices b(ServiceSet{&inner});
            MsgBox("inner");
        }
        MsgBox("outer");
    }
    EXPECT_EQ(inner.calls.size(), 1u);
    EXPECT_EQ(outer.calls.size(), 1u);
    EXPECT_NE(dynamic_cast<QtMessageBoxService*>(&MessageBoxes()), nullptr);
}

TEST(Services, ColourDialogCancelGivesNothing) {
    FakeServices fakes;
    fakes.colourDialog.QueueColour(0x123456);
    fakes.colourDialog.QueueCancel();
    EXPECT_EQ(ColourDialog().ChooseColour(0xFF), std::optional<Colour>(0x123456));
    EXPECT_EQ(ColourDialog().ChooseColour(0xFF), std::nullopt);
    EXPECT_EQ(fakes.colourDialog.initials, (std::vector<Colour>{0xFF, 0xFF}));
}

TEST(Services, MissingHelpFileIsReportedInAMessage) {
    FakeMessageBox messages;
    ScopedServices scope(ServiceSet{&messages});
    test::TempDir dir;
    QtHelpService help;
    help.ShowHelp(dir.file("PKelvaro3.hlp"), 31);
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_NE(messages.calls[0].text.find("PKelvaro3.hlp"), std::string::npos);
    EXPECT_NE(messages.calls[0].text.find("not found"), std::string::npos);
}

TEST(Services, F1OpensHelpAtTheFormsContext) {
    FakeServices fakes;
    SetHelpFile("/opt/nuvir/PKelvaro3.hlp");
    Form form;
    form.SetHelpContextID(31);
    auto* box = form.Add<TextBox>("txtA");
    box->Move(100, 100, 1000, 300);
    form.Show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    box->SetFocus();
    QTest::keyClick(box, Qt::Key_F1);
    ASSERT_EQ(fakes.help.calls.size(), 1u);
    EXPECT_EQ(fakes.help.calls[0].file, "/opt/nuvir/PKelvaro3.hlp");
    EXPECT_EQ(fakes.help.calls[0].context, 31);
    SetHelpFile("");
}

TEST(Services, YieldRunsPendingEventsOrTheScript) {
    {
        FakeServices fakes;
        int seen = 0;
        fakes.yield.onYield = [&] { seen = fakes.yield.count; };
        DoEvents();
        DoEvents();
        EXPECT_EQ(fakes.yield.count, 2);
        EXPECT_EQ(seen, 2);
    }
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    DoEvents();  // the Qt implementation
    EXPECT_TRUE(ran);
}

TEST(Services, ViewerFakeRecordsAndTheQtOneRefusesAMissingFile) {
    FakeServices fakes;
    EXPECT_TRUE(Viewer().OpenInViewer("/tmp/report.rtf"));
    EXPECT_EQ(Viewer().AssociatedProgram("/tmp/report.rtf"), "viewer.desktop");
    EXPECT_EQ(fakes.viewer.opened, (std::vector<std::string>{"/tmp/report.rtf"}));
    test::TempDir dir;
    QtViewerService qt;
    EXPECT_FALSE(qt.OpenInViewer(dir.file("missing.rtf")));
}

}  // namespace
}  // namespace nuvir
