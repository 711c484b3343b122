// The file-dialog service: case-free patterns, Qt's dialog driven by a timer, and the
// scripted fake.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QTimer>

#include <functional>

#include "platform/fakefiledialog.h"
#include "platform/filedialog.h"
#include "testsupport.h"

namespace nuvir {
namespace {

TEST(CaseInsensitivePattern, LettersMatchBothCases) {
    EXPECT_EQ(CaseInsensitivePattern("*.RAF"), "*.[rR][aA][fF]");
    EXPECT_EQ(CaseInsensitivePattern("*.csv"), "*.[cC][sS][vV]");
    EXPECT_EQ(CaseInsensitivePattern("*.*"), "*.*");
    EXPECT_EQ(CaseInsensitivePattern("data_?1.txt"), "[dD][aA][tT][aA]_?1.[tT][xX][tT]");
    EXPECT_EQ(CaseInsensitivePattern("*.[ch]"), "*.[cChH]");
    EXPECT_EQ(CaseInsensitivePattern(""), "");
}

// Runs `inspect` on the modal file dialog as soon as it is shown; the test then shows it.
void WhenDialogShows(std::function<void(QFileDialog&)> inspect) {
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, inspect] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog && clock->elapsed() < 5000) return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (dialog) inspect(*dialog);
    });
    timer->start(10);
}

// A request of `kind` for a RAF file in `dir`.
FileDialogRequest RafRequest(FileDialogRequest::Kind kind, const std::string& title, const test::TempDir& dir) {
    FileDialogRequest r;
    r.kind = kind;
    r.title = title;
    r.filterDescription = "RAF Files (*.RAF)";
    r.filterPattern = "*.RAF";
    r.matchPattern = "*.[rR][aA][fF]";
    r.directory = dir.str();
    return r;
}

TEST(QtFileDialogService, OpenRequestSetsModesFilterAndFolder) {
    test::TempDir dir;
    FileDialogRequest r = RafRequest(FileDialogRequest::Kind::Open, "Restore current state from file", dir);
    r.defaultSuffix = "RAF";
    r.fileMustExist = true;

    bool seen = false;
    WhenDialogShows([&](QFileDialog& d) {
        seen = true;
        EXPECT_EQ(d.windowTitle().toStdString(), r.title);
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(d.fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(d.defaultSuffix().toStdString(), "RAF");
        EXPECT_EQ(d.directory().absolutePath().toStdString(), dir.str());
        ASSERT_EQ(d.nameFilters().size(), 1);
        EXPECT_EQ(d.nameFilters().front().toStdString(), "RAF Files (*.RAF) (*.[rR][aA][fF])");
        EXPECT_TRUE(d.testOption(QFileDialog::HideNameFilterDetails));
        d.reject();
    });
    QtFileDialogService service;
    EXPECT_EQ(service.Show(r), "");
    EXPECT_TRUE(seen);
}

TEST(QtFileDialogService, SaveReturnsTheChosenPath) {
    test::TempDir dir;
    FileDialogRequest r = RafRequest(FileDialogRequest::Kind::Save, "Save current state to file", dir);
    r.fileName = "trial.RAF";
    r.overwritePrompt = true;

    bool seen = false;
    WhenDialogShows([&](QFileDialog& d) {
        seen = true;
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(d.testOption(QFileDialog::DontConfirmOverwrite));
        static_cast<QDialog&>(d).accept();  // QFileDialog::accept checks the name first
    });
    QtFileDialogService service;
    EXPECT_EQ(service.Show(r), dir.file("trial.RAF"));
    EXPECT_TRUE(seen);
}

TEST(QtFileDialogService, NameThatNeedNotExist) {
    test::TempDir dir;
    FileDialogRequest r;
    r.title = "Export folder";
    r.filterDescription = "All Files (*.*)";
    r.filterPattern = "*.*";
    r.matchPattern = "*";
    r.directory = dir.str();
    r.fileName = "Untitled";
    r.pathMustExist = true;

    WhenDialogShows([&](QFileDialog& d) {
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(d.fileMode(), QFileDialog::AnyFile);
        static_cast<QDialog&>(d).accept();  // QFileDialog::accept checks the name first
    });
    QtFileDialogService service;
    EXPECT_EQ(service.Show(r), dir.file("Untitled"));
}

TEST(FileDialogRegistry, FakeReplacesAndNullRestoresQt) {
    FakeFileDialog fake;
    SetFileDialogService(&fake);
    EXPECT_EQ(&FileDialogs(), &fake);
    fake.QueueAnswer("/tmp/a.raf");
    FileDialogRequest r;
    r.title = "t";
    EXPECT_EQ(FileDialogs().Show(r), "/tmp/a.raf");
    EXPECT_EQ(FileDialogs().Show(r), "");  // nothing scripted: cancel
    fake.QueueFailure();
    EXPECT_THROW(FileDialogs().Show(r), std::runtime_error);
    EXPECT_EQ(fake.requests.size(), 3u);
    SetFileDialogService(nullptr);
    EXPECT_NE(dynamic_cast<QtFileDialogService*>(&FileDialogs()), nullptr);
}

}  // namespace
}  // namespace nuvir
