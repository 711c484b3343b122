// A close asked for from outside the handlers (a termination signal) while a box shows:
// the box is closed as Esc closes it, or waited for when it asks a question, and the
// close runs only once the code that showed the box has returned.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "formdriver.h"
#include "platform/controls.h"
#include "platform/filedialog_qt.h"
#include "platform/form.h"
#include "platform/openboxes.h"
#include "platform/services.h"
#include "platform/services_qt.h"
#include "testsupport.h"

namespace nuvir {
namespace {

// After the steps the request posted have run, notes whether the box still shows and
// answers it, as the analyst would, with `button`.
void AnswerLater(std::vector<std::string>& log, QMessageBox::StandardButton button) {
    QTimer::singleShot(0, [&log, button] {
        QTimer::singleShot(0, [&log, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            log.push_back(box != nullptr ? "still open" : "dismissed");
            if (box != nullptr) box->button(button)->click();
        });
    });
}

std::string Answered(int answer) { return "returned " + std::to_string(answer); }

// A modal form with a Cancel button, as the program's dialogs have.
int ShowCancellableForm() {
    Form form;
    auto* cancel = form.Add<CommandButton>("cmdCancel");
    cancel->SetCancel(true);
    bool cancelled = false;
    QObject::connect(cancel->Events(), &ControlEvents::Click, &form, [&] {
        cancelled = true;
        form.Unload();
    });
    form.ShowModal();
    return cancelled ? 2 : 1;
}

TEST(RequestedClose, WaitsForTheCodeThatShowedABoxToReturn) {
    struct Row {
        const char* name;
        // Shows the box the way the program does; the request comes while it shows.
        std::function<int(std::vector<std::string>&)> show;
        bool refused;
        std::vector<std::string> log;
    };
    FileDialogRequest open;
    open.kind = FileDialogRequest::Kind::Open;
    const Row rows[] = {
        {"an OK box: acknowledged",
         [](auto&) { return QtMessageBoxService().Show("Text", mb::OKOnly, "Title"); },
         false,
         {Answered(mb::OK), "close"}},
        {"a box with Cancel: cancelled",
         [](auto&) { return QtMessageBoxService().Show("Text", mb::YesNoCancel, "Title"); },
         false,
         {Answered(mb::Cancel), "close"}},
        {"a Yes/No question: waited for",
         [](auto& log) {
             AnswerLater(log, QMessageBox::Yes);
             return QtMessageBoxService().Show("Save?", mb::YesNo, "Title");
         },
         false,
         {"still open", Answered(mb::Yes), "close"}},
        {"a file dialog: cancelled",
         [&](auto&) { return static_cast<int>(QtFileDialogService().Show(open).size()); },
         false,
         {Answered(0), "close"}},
        {"a form: its Cancel button", [](auto&) { return ShowCancellableForm(); }, false, {Answered(2), "close"}},
        {"a box over a form: the box, then the form",
         [](auto& log) {
             QTimer::singleShot(0, [&log] {
                 log.push_back("box " + Answered(QtMessageBoxService().Show("Text", mb::OKOnly, "Title")));
             });
             return ShowCancellableForm();
         },
         false,
         {"box " + Answered(mb::OK), Answered(2), "close"}},
        {"a close asking its question: its answer first",
         [](auto& log) {
             ClosingScope asking;
             AnswerLater(log, QMessageBox::No);
             return QtMessageBoxService().Show("Save?", mb::YesNo, "Title");
         },
         false,
         {"still open", Answered(mb::No), "close"}},
        {"a close the window refuses now: nothing closed, the box kept",
         [](auto& log) {
             AnswerLater(log, QMessageBox::Ok);
             return QtMessageBoxService().Show("Batch run complete.", mb::OKOnly, "Title");
         },
         true,
         {"still open", Answered(mb::OK)}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> log;
        RequestedClose closer([&] { log.push_back(OpenBoxes() == 0 ? "close" : "close under a box"); },
                              [] { return false; }, [&] { return row.refused; });
        // Posted before the box shows: its own loop hands it out.
        QTimer::singleShot(0, [&] { closer.Request(); });
        // Only ends a run whose boxes nothing closes.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            for (QWidget* box = QApplication::activeModalWidget(); box != nullptr;
                 box = QApplication::activeModalWidget()) {
                log.push_back("never closed");
                box->hide();
            }
        });
        guard.start(100'000);
        const int answer = row.show(log);
        log.push_back(Answered(answer));
        test::Settle();
        EXPECT_EQ(log, row.log);
        EXPECT_EQ(OpenBoxes(), 0);
        EXPECT_FALSE(closer.Pending());
    }
}

// Refused, a request is not kept; the next one, with no box open, closes at once. While a
// close goes on, a request waits for its answer and, when the close was refused, asks
// again.
TEST(RequestedClose, ARefusedRequestLeavesTheNextOneHeard) {
    int closes = 0;
    bool closed = false;
    bool refuse = false;
    RequestedClose closer([&] { closed = !refuse && ++closes > 0; }, [&] { return closed; }, [&] { return refuse; });
    refuse = true;
    {
        ClosingScope asking;
        closer.Request();
        test::Settle();
        EXPECT_EQ(closes, 0) << "closed while a close was asking";
        EXPECT_TRUE(closer.Pending());
    }
    test::Settle();
    EXPECT_FALSE(closer.Pending());
    refuse = false;
    closer.Request();
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(closed);
    closer.Request();
    EXPECT_EQ(closes, 1) << "a closed window closed again";
}

}  // namespace
}  // namespace nuvir
