// The injectable services and their fakes, Qt's file dialog driven by a timer, the
// clipboard, pasting, and control rectangles on the screen.
#include <QClipboard>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QListView>
#include <QLineEdit>
#include <QTest>
#include <QMimeData>
#include <QTimer>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "platform/clipboardowner.h"
#include "platform/controls.h"
#include "support/fakefiledialog.h"
#include "support/fakeservices.h"
#include "platform/filedialog.h"
#include "platform/filedialog_qt.h"
#include "platform/qtpicturebox.h"
#include "platform/services.h"
#include "platform/services_qt.h"
#include "platform/windowutilities.h"
#include "platform_fixture.h"
#include "testsupport.h"

namespace nuvir {
namespace {

using namespace MUtilities;

TEST(Services, FakesAnswerFromTheirScriptsAndScopesNest) {
    FakeServices fakes;
    fakes.messageBox.QueueAnswer(mb::No);
    EXPECT_EQ(MsgBox("Save changes?", mb::YesNoCancel | mb::Question, "NUVIR"), mb::No);
    ASSERT_EQ(fakes.messageBox.calls.size(), 1u);
    EXPECT_EQ(fakes.messageBox.calls[0].style, mb::YesNoCancel | mb::Question);
    EXPECT_EQ(fakes.messageBox.calls[0].title, "NUVIR");
    FakeMessageBox inner;
    {
        ScopedServices b(ServiceSet{&inner});
        MsgBox("inner");
    }
    MsgBox("outer");
    EXPECT_EQ(inner.calls.size(), 1u);
    EXPECT_EQ(fakes.messageBox.calls.size(), 2u);
    EXPECT_EQ(fakes.messageBox.calls[1].title, "NUVIR") << "a box given no title has the program's name";
    int seen = 0;
    fakes.yield.onYield = [&] { seen = fakes.yield.count; };
    DoEvents();
    DoEvents();
    EXPECT_EQ(seen, 2);
}

TEST(Services, TheQtOnesWhenNothingIsInjected) {
    EXPECT_NE(dynamic_cast<QtMessageBoxService*>(&MessageBoxes()), nullptr);
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    DoEvents();
    EXPECT_TRUE(ran);
    test::TempDir dir;
    EXPECT_FALSE(QtViewerService().OpenInViewer(dir.file("missing.rtf")));
    FakeMessageBox messages;  // a missing help file is reported in a message
    ScopedServices scope(ServiceSet{&messages});
    QtHelpService().ShowHelp(dir.file("PKelvaro3.hlp"), 31);
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_NE(messages.calls[0].text.find("PKelvaro3.hlp"), std::string::npos);
    EXPECT_NE(messages.calls[0].text.find("not found"), std::string::npos);
}

// ---- the file dialog ------------------------------------------------------------------

// Runs `inspect` on the modal file dialog as soon as it is shown; the test then shows it.
void WhenDialogShows(const std::function<void(QFileDialog&)>& inspect) {
    test::WhenModalShows([](QWidget& w) { return qobject_cast<QFileDialog*>(&w) != nullptr; },
                         [inspect](QWidget& w) { inspect(static_cast<QFileDialog&>(w)); });
}

TEST(FileDialog, PatternsMatchInAnyCase) {
    const std::pair<const char*, const char*> patterns[] = {{"*.RAF", "*.[rR][aA][fF]"},
                                                            {"*.*", "*.*"},
                                                            {"data_?1.txt", "[dD][aA][tT][aA]_?1.[tT][xX][tT]"},
                                                            {"*.[ch]", "*.[cChH]"},
                                                            {"", ""}};
    for (const auto& [pattern, expected] : patterns) EXPECT_EQ(CaseInsensitivePattern(pattern), expected) << pattern;
}

TEST(FileDialog, QtsDialogShowsTheRequest) {
    test::TempDir dir;
    FileDialogRequest r;
    r.kind = FileDialogRequest::Kind::Open;
    r.filterDescription = "RAF Files (*.RAF)";
    r.filterPattern = "*.RAF";
    r.matchPattern = "*.[rR][aA][fF]";
    r.directory = dir.str();
    r.fileMustExist = true;
    bool seen = false;
    WhenDialogShows([&](QFileDialog& d) {
        seen = true;
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(d.fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(d.nameFilters(), QStringList{"RAF Files (*.RAF) (*.[rR][aA][fF])"});
        EXPECT_TRUE(d.testOption(QFileDialog::HideNameFilterDetails));
        d.reject();
    });
    QtFileDialogService service;
    EXPECT_EQ(service.Show(r), "");
    EXPECT_TRUE(seen);
    r.kind = FileDialogRequest::Kind::Save;
    r.fileName = "trial.RAF";
    r.overwritePrompt = true;
    WhenDialogShows([&](QFileDialog& d) {
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(d.testOption(QFileDialog::DontConfirmOverwrite));
        static_cast<QDialog&>(d).accept();  // QFileDialog::accept checks the name first
    });
    EXPECT_EQ(service.Show(r), dir.file("trial.RAF"));
}

TEST(FileDialog, AFakeReplacesQtsAndNullRestoresIt) {
    FakeFileDialog fake;  // the fake replaces Qt's, null restores it
    SetFileDialogService(&fake);
    EXPECT_EQ(&FileDialogs(), &fake);
    SetFileDialogService(nullptr);
    EXPECT_NE(dynamic_cast<QtFileDialogService*>(&FileDialogs()), nullptr);
}

TEST(FileDialog, ShowsNoSpecialFileAndReadsNoFileForItsIconOrType) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.x7q").c_str(), 0600), 0);
    test::WriteBytes(dir.file("mystery.x7q"), "{\\rtf1 a name that tells nothing}");
    test::WriteBytes(dir.file("a.RAF"), "[A]\r\n");
    std::filesystem::create_directory(dir.path() / "sub");
    // Any open of the file is seen; an open of the FIFO is ended by a writer in the end.
    const int watch = ::inotify_init1(IN_NONBLOCK);
    ASSERT_GE(::inotify_add_watch(watch, dir.file("mystery.x7q").c_str(), IN_OPEN), 0);
    std::atomic<bool> done{false};
    std::thread unblock([&done, fifo = dir.file("pipe.x7q")] {
        while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
    });
    FileDialogRequest r;
    r.kind = FileDialogRequest::Kind::Save;
    r.filterDescription = "All Files (*.*)";
    r.filterPattern = r.matchPattern = "*.*";
    r.directory = dir.str();
    std::set<std::string> shown;
    WhenDialogShows([&](QFileDialog& d) {
        auto* view = d.findChild<QListView*>("listView");
        ASSERT_NE(view, nullptr);
        QAbstractItemModel& model = *view->model();
        // Every entry listed with its type: the icons and types have been asked for.
        const auto typed = [&] {
            if (model.rowCount(view->rootIndex()) < 3) return false;
            for (int row = 0; row < model.rowCount(view->rootIndex()); ++row) {
                if (model.index(row, 2, view->rootIndex()).data().toString().isEmpty()) return false;
            }
            return true;
        };
        view->grab();
        EXPECT_TRUE(QTest::qWaitFor(typed, 100000));  // a hang guard: the folder lists at once
        for (int row = 0; row < model.rowCount(view->rootIndex()); ++row)
            shown.insert(model.index(row, 0, view->rootIndex()).data().toString().toStdString());
        d.reject();
    });
    EXPECT_EQ(QtFileDialogService().Show(r), "");
    done = true;
    unblock.join();
    EXPECT_EQ(shown, (std::set<std::string>{"a.RAF", "mystery.x7q", "sub"}));
    char events[4096];
    EXPECT_LE(::read(watch, events, sizeof events), 0) << "the dialog opened a file to look at it";
    ::close(watch);
}

// Qt's dialog reads a typed name with double quotes as a list of quoted names; ours
// takes it whole, on saving (adding the extension) and on opening.
TEST(FileDialog, ANameWithDoubleQuotesIsTakenWhole) {
    test::TempDir dir;
    test::WriteBytes(dir.file("a \"b\" c.raf"), "x");
    struct Case {
        const char* name;
        FileDialogRequest::Kind kind;
        const char* typed;
        const char* chosen;
    };
    const Case cases[] = {
        {"save", FileDialogRequest::Kind::Save, "my \"best\" report", "my \"best\" report.RTF"},
        {"open", FileDialogRequest::Kind::Open, "a \"b\" c.raf", "a \"b\" c.raf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FileDialogRequest r;
        r.kind = c.kind;
        r.directory = dir.str();
        r.defaultSuffix = "RTF";
        r.fileMustExist = c.kind == FileDialogRequest::Kind::Open;
        WhenDialogShows([&](QFileDialog& d) {
            auto* box = d.findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(box, nullptr);
            box->setFocus();
            box->setText(QString::fromUtf8(c.typed));
            // A refusal would come as a box of its own over the dialog: it is closed.
            QTimer::singleShot(1000, &d, [&d] {
                if (QWidget* over = QApplication::activeModalWidget(); over && over != &d) over->close();
            });
            QTest::keyClick(box, Qt::Key_Return);
            if (d.isVisible()) d.reject();
        });
        EXPECT_EQ(QtFileDialogService().Show(r), dir.file(c.chosen));
    }
}

// ---- clipboard and pasting --------------------------------------------------------------

TEST(Clipboard, TextRoundTrips) {
    CopyToClipboard(Variant("alpha\tbeta\r\n1\t2"), clipformat::Text);
    EXPECT_TRUE(ClipboardHasFormat(clipformat::Text));
    EXPECT_FALSE(ClipboardHasFormat(clipformat::RTF));
    EXPECT_EQ(ClipboardText(), "alpha\tbeta\r\n1\t2");
}

TEST(Clipboard, RichTextTravelsInTheWindowsCodePageAndAsPlainText) {
    const std::string rtf = "{\\rtf1\\ansi caf\xC3\xA9}";
    CopyToClipboard(Variant(rtf), clipformat::RTF);  // offered also as plain text
    EXPECT_TRUE(ClipboardHasFormat(clipformat::RTF));
    EXPECT_TRUE(ClipboardHasFormat(clipformat::Text));
    EXPECT_EQ(ClipboardText(), rtf);
    const QMimeData* md = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(md, nullptr);
    // Rich Text travels as 8-bit text in the Windows code page.
    EXPECT_EQ(md->data(QStringLiteral("text/rtf")).toStdString(), "{\\rtf1\\ansi caf\xE9}");
    EXPECT_TRUE(md->hasFormat(QStringLiteral("text/richtext")));
    // A report's Rich Text goes on byte for byte.
    CopyRtfBytesToClipboard("{\\rtf1\\ansi caf\xe9 \\'e9}");
    EXPECT_EQ(ClipboardRtfBytes(), "{\\rtf1\\ansi caf\xe9 \\'e9}");
    EXPECT_TRUE(ClipboardHasFormat(clipformat::RTF));
}

TEST(Clipboard, AValueOfTheWrongKindLeavesItEmpty) {
    // Text with a picture format, or a number, leaves the clipboard empty.
    CopyToClipboard(Variant("text"), clipformat::Bitmap);
    EXPECT_FALSE(ClipboardHasFormat(clipformat::Text));
    CopyToClipboard(Variant("before"), clipformat::Text);
    CopyToClipboard(Variant(12.5), clipformat::Text);
    EXPECT_EQ(ClipboardText(), "");
    const QImage image(4, 3, QImage::Format_RGB32);
    CopyToClipboard(image, clipformat::Bitmap);
    CopyToClipboard(image, clipformat::Text);  // not a picture format
    EXPECT_FALSE(ClipboardHasFormat(clipformat::Bitmap));
}

TEST(Clipboard, PicturesRoundTripAndClearEmptiesEveryFormat) {
    ImagePictureBox pic(40, 30);
    pic.SetScaleMode(scale::Pixels);
    pic.SetBackColor(0xFFFFFF);
    pic.Line(5, 5, 20, 20, 0x0000FF, LineShape::FilledBox);
    CopyToClipboard(pic.Image(), clipformat::Bitmap);
    ASSERT_TRUE(ClipboardHasFormat(clipformat::Bitmap));
    const QImage back = QGuiApplication::clipboard()->image();
    ASSERT_EQ(back.size(), QSize(40, 30));
    EXPECT_EQ(QColor(back.pixel(10, 10)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(back.pixel(30, 25)), QColor(255, 255, 255));
    EXPECT_TRUE(ClearClipboard());
    for (const auto format : {clipformat::Text, clipformat::RTF, clipformat::Bitmap})
        EXPECT_FALSE(ClipboardHasFormat(format));
    EXPECT_EQ(ClipboardText(), "");
}

TEST(Paste, ReplacesTheSelectionAndPlacesTheCaret) {
    Form form;
    auto* box = form.Add<TextBox>("txtValue");
    auto* gridEditor = form.Add<TextBox>("txtFlexEditBox1");
    auto* lab = form.Add<Label>("labValue");
    int changes = 0;
    QObject::connect(box->Events(), &ControlEvents::Change, [&] { ++changes; });
    ClearClipboard();
    box->SetText("012345");
    PasteIntoTextBox(box);  // nothing on the clipboard
    EXPECT_EQ(box->Text(), "012345");
    CopyToClipboard(Variant("abc"), clipformat::Text);
    for (TextBox* t : {box, gridEditor}) {
        t->SetText("012345");
        t->SetSelStart(2);
        t->SetSelLength(2);
    }
    changes = 0;
    PasteIntoTextBox(box);
    PasteIntoTextBox(gridEditor);
    EXPECT_EQ(box->Text(), "01abc45");
    EXPECT_EQ(gridEditor->Text(), "01abc45");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(box->SelStart(), 5) << "the caret after the text";
    EXPECT_EQ(box->SelLength(), 0);
    EXPECT_EQ(gridEditor->SelStart(), 0) << "the grid's editor: everything selected";
    EXPECT_EQ(gridEditor->SelLength(), 7);
    EXPECT_EQ(gridEditor->cursorPosition(), 0) << "the caret before it: a long text shows its start";
    PasteIntoTextBox(lab);  // into another kind: nothing
    PasteIntoTextBox(nullptr);
    EXPECT_EQ(lab->Caption(), "");
}

// ---- control rectangles ----------------------------------------------------------------------

// The default metrics (15 twips a pixel, frames of 4 pixels, captions of 19), whatever the screen.
struct Metrics : ::testing::Test {
    test::ScopedMetrics pinned{ScreenMetrics{}};
};

TEST_F(Metrics, AControlsRectangleInItsFormAndOnTheScreen) {
    Form form;
    auto* box = form.Add<TextBox>("txtA");
    box->Move(600, 450, 1200, 300);
    EXPECT_EQ(GetControlScreenRect(*box, true), (std::array<double, 4>{600, 450, 1200, 300}));
    // On the screen, before the form is shown: its Left/Top plus frame and two captions.
    form.SetLeft(1500);
    form.SetTop(3000);
    auto s = GetControlScreenRect(*box);
    EXPECT_DOUBLE_EQ(s[0], 600 + 1500 + 4 * 15);
    EXPECT_DOUBLE_EQ(s[1], 450 + 3000 + 2 * 19 * 15);
    form.Show();  // shown: its real client origin
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QPoint origin = form.ChildHost()->mapToGlobal(QPoint(0, 0));
    s = GetControlScreenRect(*box);
    EXPECT_DOUBLE_EQ(s[0], 600 + origin.x() * 15.0);
    EXPECT_DOUBLE_EQ(s[1], 450 + origin.y() * 15.0);
}

TEST_F(Metrics, PositionsInsidePictureBoxesAndFramesAddUp) {
    Form form;
    auto* frame = form.Add<Frame>("fraOuter");
    frame->Move(300, 600, 6000, 4500);
    auto* pic = form.Add<QtPictureBox>("picPlot", -1, frame);
    pic->Move(150, 300, 3000, 3000);
    pic->SetScaleMode(scale::Pixels);
    auto* box = form.Add<TextBox>("txtIn", -1, pic);
    box->Move(10, 20, 50, 16);  // pixels of the picture
    const auto r = GetControlScreenRect(*box, true);
    EXPECT_DOUBLE_EQ(r[0], 300 + 150 + 10 * 15);
    EXPECT_DOUBLE_EQ(r[1], 600 + 300 + 20 * 15);
    EXPECT_DOUBLE_EQ(r[2], 50);  // in the container's units
    // Under a y-up scale the distance from the top counts as a magnitude.
    pic->SetScaleHeight(-100);
    pic->SetScaleTop(100);
    pic->SetScaleWidth(100);
    pic->SetScaleLeft(0);
    auto* up = form.Add<TextBox>("txtUp", -1, pic);
    up->Move(10, 80, 20, 10);
    const double clientH = pic->ClientHeightPx();
    EXPECT_NEAR(GetControlScreenRect(*up, true)[1], 600 + 300 + 20 * clientH / 100 * 15, 1e-6);
}

}  // namespace
}  // namespace nuvir
