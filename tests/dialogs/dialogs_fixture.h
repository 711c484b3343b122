#pragma once
// Shared set-up of the dialog tests: the program-wide arrays at their defaults, the
// modal services faked, fixed screen metrics, and helpers to drive a dialog as a
// person would (show, type, press keys) and to leave a picture of it.
#include <QApplication>
#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

#include "appdata/appdata.h"
#include "appdata/options.h"
#include "platform/fakefiledialog.h"
#include "platform/fakeservices.h"
#include "platform/form.h"
#include "platform/screen.h"
#include "testsupport.h"

namespace nuvir::test {

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetScreenMetrics(&metrics_);
        SetFileDialogService(&fileDialog_);
        savedData_ = AppData;
        savedOptions_ = AppOptions;
        savedExportPath_ = ExportPath;
        AppData = GetAppDataDefaults(false, Variant());
        AppOptions = GetAppOptionsDefaults();
        ExportPath = "/data";
    }
    void TearDown() override {
        // A handler that failed shows its error: none may.
        for (const auto& call : services_.messageBox.calls) ADD_FAILURE() << "message: " << call.text;
        AppData = savedData_;
        AppOptions = savedOptions_;
        ExportPath = savedExportPath_;
        SetFileDialogService(nullptr);
        SetScreenMetrics(nullptr);
    }

    // Shows the form (modeless, so the test goes on) and makes it the active window.
    static void Open(Form& form) {
        form.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    static QWidget* Focus() { return QApplication::focusWidget(); }
    static void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* w = Focus();
        ASSERT_NE(w, nullptr);
        QTest::keyClick(w, key, mods);
    }
    static void Type(const char* text) {
        QWidget* w = Focus();
        ASSERT_NE(w, nullptr);
        QTest::keyClicks(w, QString::fromUtf8(text));
    }
    // Selects all of the focused box's text and types over it.
    static void Retype(const char* text) {
        Key(Qt::Key_A, Qt::ControlModifier);
        Type(text);
    }
    // Writes the form's client area into the build folder.
    static void Picture(QWidget& w, const char* name) {
        QApplication::processEvents();
        const QString path = QCoreApplication::applicationDirPath() + "/" + QString::fromUtf8(name);
        ASSERT_TRUE(w.grab().save(path));
    }

    ScreenMetrics metrics_{};
    FakeServices services_;
    FakeFileDialog fileDialog_;

private:
    Variant savedData_;
    Variant savedOptions_;
    std::string savedExportPath_;
};

// The generic Boolean list that options item 12 holds.
inline Variant Flags(bool a, bool b, bool c) { return Variant::List({Variant(a), Variant(b), Variant(c)}); }

}  // namespace nuvir::test
