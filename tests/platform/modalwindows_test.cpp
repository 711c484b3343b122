// Modal windows kept in sight: a message box, a dialog or a form that waits for an
// answer, minimised by a window manager (its keys, or the owner's minimise button
// taking the box along), comes back, and the window it belongs to with it.
#include <QColorDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

#include <algorithm>
#include <cstdint>
#include <string>

#include "formdriver.h"
#include "platform/filedialog.h"
#include "platform/filedialog_qt.h"
#include "platform/modalwindows.h"
#include "platform/services.h"
#include "platform/services_qt.h"
#include "platform/toolwindow.h"
#include "platform_fixture.h"

namespace nuvir {
namespace {

bool NoneMinimised() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::none_of(windows.begin(), windows.end(),
                        [](const QWidget* w) { return w->isVisible() && w->isMinimized(); });
}

TEST(ModalWindows, AMinimisedBoxOrItsOwnerComesBackWithTheOther) {
    test::TempDir dir;
    test::WriteBytes(dir.file("old.RAF"), "[A]\r\n");
    FileDialogRequest open;
    open.kind = FileDialogRequest::Kind::Open;
    open.directory = dir.str();
    FileDialogRequest save = open;
    save.kind = FileDialogRequest::Kind::Save;
    save.overwritePrompt = true;

    auto any = [](QWidget&) { return true; };
    struct Kind {
        const char* name;
        std::function<bool(QWidget&)> isIt;  // the modal window to minimise, once it shows
        std::function<void()> show;
    };
    const Kind kinds[] = {
        {"a message box", any, [] { QtMessageBoxService().Show("Text", mb::OKOnly, "Title"); }},
        {"a file dialog", any, [&] { QtFileDialogService().Show(open); }},
        {"the file dialog's replace question", [](QWidget& w) { return qobject_cast<QMessageBox*>(&w) != nullptr; },
         [&] {
             test::WhenModalShows([](QWidget& w) { return qobject_cast<QFileDialog*>(&w) != nullptr; },
                                  [](QWidget& d) {
                                      auto* name = d.findChild<QLineEdit*>("fileNameEdit");
                                      if (name != nullptr) {
                                          name->setText("old.RAF");
                                          QTest::keyClick(name, Qt::Key_Return);  // asks whether to replace it
                                      }
                                      if (d.isVisible()) d.close();
                                  });
             QtFileDialogService().Show(save);
         }},
        {"the colour dialog", any, [] { QtColourDialogService().ChooseColour(0); }},
        {"a form", any,
         [] {
             Form form;
             form.ShowModal();
         }},
    };
    struct Minimise {
        const char* name;
        bool box, owner;
    };
    const Minimise minimised[] = {
        {"the box alone (the window manager's keys)", true, false},
        {"its owner alone (the owner's own button)", false, true},
        {"both (the owner's button takes the box along)", true, true},
    };
    for (const Kind& k : kinds) {
        for (const Minimise& m : minimised) {
            SCOPED_TRACE(std::string(k.name) + ", " + m.name);
            Form owner;
            owner.resize(400, 300);
            ASSERT_NO_FATAL_FAILURE(test::ShowActive(owner));
            bool seen = false, back = false;
            test::WhenModalShows(k.isIt, [&](QWidget& box) {
                seen = true;
                if (m.owner) owner.setWindowState(Qt::WindowMinimized);
                if (m.box) box.setWindowState(Qt::WindowMinimized);
                test::Settle();  // the bringing back, queued by the state change
                back = !owner.isMinimized() && !box.isMinimized() && NoneMinimised();
                box.close();
            });
            k.show();
            EXPECT_TRUE(seen);
            EXPECT_TRUE(back);
            EXPECT_TRUE(owner.isVisible());
        }
    }
}

// A window manager marks the windows of a workspace it stops showing as minimised;
// brought back, they would take the desktop back to their workspace. Workspaces as EWMH
// numbers them; 0xFFFFFFFF is every workspace.
TEST(ModalWindows, OnlyAWindowOfAnotherWorkspaceCountsAsOnOneNotShown) {
    using Desk = std::optional<std::uint32_t>;
    struct Row {
        const char* name;
        Desk shown, its;
        bool notShown;
    };
    const Row rows[] = {
        {"the workspace shown", 0u, 0u, false},
        {"the third shown, the window on it", 2u, 2u, false},
        {"the second shown, the window on the first", 1u, 0u, true},
        {"the first shown, the window on the fourth", 0u, 3u, true},
        {"on every workspace", 1u, 0xFFFFFFFFu, false},
        {"no workspaces (no window manager, or one without them)", std::nullopt, std::nullopt, false},
        {"no workspace shown known", std::nullopt, 1u, false},
        {"the window on none yet", 1u, std::nullopt, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(OnWorkspaceNotShown(r.shown, r.its), r.notShown);
    }
    // Off X11 no window is on a workspace.
    Form shown;
    shown.Show();
    EXPECT_FALSE(OnWorkspaceNotShown(shown));
}

// A window manager may hide a box and its owners and show them again itself, too soon for
// their states to tell (icewm); the workspace switched away from and back to hides and
// shows them too. The events in their order: h<n> window n hidden, s<n> shown, w the
// workspace switched, f another modal window followed; each s answers whether it is the
// last of those hidden to show again with no switch between (1) or not (0).
TEST(ModalWindows, WindowsHiddenAreBackWhenTheLastShowsWithNoWorkspaceSwitchBetween) {
    struct Row {
        const char* name;
        const char* events;
        std::string answers;
    };
    const Row rows[] = {
        {"the main window and the box hidden and shown again", "h1 h2 s1 s2", "01"},
        {"shown again in the other order", "h1 h2 s2 s1", "01"},
        {"the box alone", "h2 s2", "1"},
        {"a box shown as it opens, never hidden", "s2", "0"},
        {"a window of the chain not hidden shown", "h1 h2 s3 s1 s2", "001"},
        {"one of two still hidden", "h1 h2 s1", "0"},
        {"hidden twice, shown once", "h1 h1 s1", "1"},
        {"the workspace named after its windows hid (fluxbox)", "h1 h2 w s1 s2 w", "00"},
        {"the workspace named first (openbox)", "w h1 h2 w s1 s2", "00"},
        {"a switch with none hidden does not count", "w h1 s1", "1"},
        {"nor a switch while they were hidden before", "h1 w s1 h1 s1", "01"},
        {"forgotten for another modal window", "h1 f s1", "0"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        HiddenWindows hidden;
        std::string answers;
        for (const char* e = r.events; *e != '\0'; ++e) {
            if (*e == 'w') hidden.WorkspaceSwitched();
            if (*e == 'f') hidden.Forget();
            if (*e == 'h') hidden.Hidden(static_cast<std::uint32_t>(*++e - '0'));
            if (*e == 's') answers += hidden.Shown(static_cast<std::uint32_t>(*++e - '0')) ? '1' : '0';
        }
        EXPECT_EQ(answers, r.answers);
    }
}

// A window manager that knows EWMH's hidden state gives it to the windows it minimises
// only; fluxbox marks those of a workspace it leaves minimised too, before it names the
// workspace it shows, when they still seem to be on the one shown.
TEST(ModalWindows, WhereTheHiddenStateIsKnownOnlyAWindowWithItCountsAsMinimised) {
    struct Row {
        const char* name;
        bool known, hidden;
        bool minimised;
    };
    const Row rows[] = {
        {"minimised, in the hidden state", true, true, true},
        {"hidden with its workspace, not in it", true, false, false},
        {"a window manager without the state", false, false, true},
        {"a window manager without the state, the window in it all the same", false, true, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(MinimisedByWindowManager(r.known, r.hidden), r.minimised);
    }
    // Off X11 a window minimised is minimised.
    Form shown;
    shown.Show();
    EXPECT_TRUE(MinimisedByWindowManager(shown));
}

}  // namespace
}  // namespace nuvir
