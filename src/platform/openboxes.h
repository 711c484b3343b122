#pragma once
// What the program has open that waits for the analyst, and a close asked for from
// outside it (SIGTERM, SIGINT) that waits for them.
//
// A box (a message box, a file or colour dialog, a modal form) runs an event loop of its
// own inside the code that showed it. An event handled there must not free a window or
// a session whose code is still on its way back from the box: it would run on in freed
// memory. So each box runs inside a BoxScope, each close of a window asks its questions
// inside a ClosingScope, and a close that comes from outside the program's handlers goes
// through RequestedClose, which runs it only from the outermost loop, where no code that
// showed a box is left on the stack.
//
// Counts and the watcher belong to the window thread.
#include <QObject>

#include <functional>

class QDialog;
class QWidget;

namespace nuvir {

// Around a box's own event loop. `dismiss` closes the box as Esc would, letting the code
// that showed it return, and says whether it did; left empty (or returning false), the
// box waits for an answer: Esc would answer a question (No to "Save?") rather than
// cancel it.
class BoxScope {
public:
    explicit BoxScope(std::function<bool()> dismiss = {});
    ~BoxScope();
    BoxScope(const BoxScope&) = delete;
    BoxScope& operator=(const BoxScope&) = delete;

private:
    BoxScope* outer_;
    std::function<bool()> dismiss_;
    friend bool DismissInnermostBox();
};

// Around the questions a window's close asks (QueryUnload): a close is underway.
class ClosingScope {
public:
    ClosingScope();
    ~ClosingScope();
    ClosingScope(const ClosingScope&) = delete;
    ClosingScope& operator=(const ClosingScope&) = delete;
};

// Boxes open, outermost to innermost.
int OpenBoxes();
// Boxes opened since the program started.
int BoxesShown();
// Whether a window is asking whether it may close.
bool ClosingUnderway();
// Closes the innermost box as Esc would; false when it waits for an answer (or none is
// open).
bool DismissInnermostBox();

// While a command of a window runs, the boxes it shows belong to that window while it is
// shown, even before the window manager has given it the keys back (right after another
// of its boxes closed, when the keys may be on their way from the box's owner).
class BoxesBelongTo {
public:
    explicit BoxesBelongTo(QWidget& window);
    ~BoxesBelongTo();
    BoxesBelongTo(const BoxesBelongTo&) = delete;
    BoxesBelongTo& operator=(const BoxesBelongTo&) = delete;

private:
    QWidget* outer_;
};
// The window of the command running, or nullptr.
QWidget* CommandWindow();

// A dialog's dismissal: rejected, as Esc does, while it is the box on top (not while a
// question of its own shows over it).
bool RejectIfOnTop(QDialog& dialog);

// Runs a close asked for from outside the program's own handlers. Where no box is open
// and no close is underway, at once, as before; otherwise later, from the loop the
// program returns to:
// - while a close is underway, once it has its answer (again when it was refused);
// - while a box is open, the box is closed as Esc would, and the close runs once the
//   code that showed it has returned; a box that waits for an answer is waited for.
// A close that the window would refuse now (refused() true: a batch run has the data in
// hand) is not kept: the next request is heard again.
class RequestedClose : public QObject {
public:
    RequestedClose(std::function<void()> close, std::function<bool()> closed, std::function<bool()> refused,
                   QObject* parent = nullptr);
    ~RequestedClose() override;

    void Request();
    bool Pending() const { return pending_; }

private:
    // The next step of a pending close, from the event loop.
    void Step();
    void Post();

    std::function<void()> close_;
    std::function<bool()> closed_;
    std::function<bool()> refused_;
    bool pending_ = false;
    bool posted_ = false;
    friend class RequestedCloseAccess;
};

}  // namespace nuvir
