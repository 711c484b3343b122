#pragma once
// Where modal dialogs and message boxes show: each belongs to a window of the program
// (the window manager keeps it over that one), shows above every window of the program
// that stays on top (the batch window), and opens centred over its owner unless it
// is placed where it belongs. While one shows, neither it nor a window it belongs to
// stays minimised: the one minimised comes straight back, the others with it, in their
// order, as they are when the window manager shows them again itself. Windows hidden with
// a workspace the desktop switched away from stay as they are.
#include <QPointer>
#include <QShowEvent>
#include <QWidget>

#include <cstdint>
#include <vector>

namespace nuvir {

// The window a modal opened now belongs to: the modal window showing (a dialog opened
// from a dialog), else the window whose command runs (BoxesBelongTo), else the active
// window, else the program's main window; a minimised or hidden window owns nothing.
// nullptr when no window is shown.
QWidget* ModalOwner();

// Gets a modal window ready to show: transient for `owner` when it has no Qt parent
// (a Qt parent would disable it with its owner), and kept on top while a window of the
// program stays on top.
void PrepareModal(QWidget& modal, QWidget* owner);

// Keeps every modal window, those Qt makes itself included, in sight with the windows
// it belongs to. Call once the application exists, before it handles any event: a
// filter of the application's events installed while it hands one out gets that event
// again.
void KeepModalsInSight();

// The windows of a modal window's chain that the window manager hid, followed through its
// X events in their order. A window manager may minimise them and show them again at once
// (icewm, asked by an owner's own minimise button, gives the box the keys again), too soon
// for the program to see them minimised, and leave an owner under another program's window
// it lowered it beneath. Their workspace hides and shows them too, and that leaves them as
// they were.
class HiddenWindows {
public:
    void Hidden(std::uint32_t window);
    void WorkspaceSwitched();
    // Whether the window was hidden and is the last of them to show again, with no
    // workspace switch since the first was hidden.
    bool Shown(std::uint32_t window);
    void Forget();

private:
    std::vector<std::uint32_t> hidden_;
    bool switched_ = false;
};

// Moves the window so that it is centred over the owner's window, kept on its screen.
void CentreOver(QWidget& modal, const QWidget& owner);

// A Qt dialog that centres itself over its owner as it is shown, when its size is
// final.
template <class Dialog>
class CentredDialog : public Dialog {
public:
    using Dialog::Dialog;
    void SetOwner(QWidget* owner) { owner_ = owner; }

protected:
    void showEvent(QShowEvent* e) override {
        Dialog::showEvent(e);
        if (owner_ && !e->spontaneous()) CentreOver(*this, *owner_);
    }

private:
    QPointer<QWidget> owner_;
};

}  // namespace nuvir
