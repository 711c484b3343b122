#include "platform/modalwindows.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "platform/handlerguard.h"
#include "platform/openboxes.h"
#include "platform/toolwindow.h"

#include <algorithm>
#include <vector>

namespace nuvir {

namespace {

bool Shown(const QWidget* w) { return w != nullptr && w->isVisible() && !w->isMinimized(); }

// The window `w` belongs to: its Qt parent's window, else the window it is transient
// for; nullptr for none.
QWidget* OwnerOf(const QWidget& w) {
    if (const QWidget* parent = w.parentWidget()) return parent->window();
    const QWindow* handle = w.windowHandle();
    const QWindow* owner = handle != nullptr ? handle->transientParent() : nullptr;
    if (owner == nullptr) return nullptr;
    for (QWidget* t : QApplication::topLevelWidgets()) {
        if (t->windowHandle() == owner) return t;
    }
    return nullptr;
}

// The modal window and the windows it belongs to, itself first.
std::vector<QWidget*> WithOwners(QWidget& modal) {
    std::vector<QWidget*> chain{&modal};
    for (QWidget* o = OwnerOf(modal); o != nullptr && std::find(chain.begin(), chain.end(), o) == chain.end();
         o = OwnerOf(*o))
        chain.push_back(o);
    return chain;
}

// A window manager minimises a modal window with its owner (whose own minimise button
// stays live while the modal blocks it) or by keys of its own, and then leaves the
// program blocked with nothing to answer; it may bring back only the one it is asked
// to. So while a modal window shows, whichever of it and its owners is minimised comes
// straight back, the others with it. Boxes Qt makes itself (a file dialog's
// questions) are modal windows like any other. A window manager also marks the windows
// of a workspace it stops showing as minimised: those are left to it. Windows it hid and
// showed again itself, too soon for their state to tell, are put back in their order.
class ModalsInSight : public QObject, public QAbstractNativeEventFilter {
public:
    using QObject::QObject;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/) override {
        RunGuarded(GuardPolicy::Swallow, {}, [&] { Follow(ReadWindowManagerEvent(eventType, message)); });
        return false;
    }

protected:
    bool eventFilter(QObject* object, QEvent* e) override {
        if (e->type() != QEvent::WindowStateChange || pending_ || !object->isWidgetType()) return false;
        auto* w = static_cast<QWidget*>(object);
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !w->isWindow() || !w->isMinimized()) return false;
        const std::vector<QWidget*> chain = WithOwners(*modal);
        if (std::find(chain.begin(), chain.end(), w) == chain.end()) return false;
        // Hidden with a workspace that is no longer shown (a window manager marks those
        // windows minimised): brought back, it would take the desktop back there. Fluxbox
        // marks them before it names the workspace it shows, so a window without the
        // hidden state of a minimised one may still seem to be on the workspace shown.
        if (OnWorkspaceNotShown(*w) || !MinimisedByWindowManager(*w)) return false;
        BringBackLater(*modal);
        return false;
    }

private:
    // Not from inside the event under way; one bringing back for the windows minimised
    // together.
    void BringBackLater(QWidget& modal) {
        if (pending_) return;
        pending_ = true;
        QTimer::singleShot(0, this, [this, shown = QPointer<QWidget>(&modal)] {
            pending_ = false;
            if (shown && QApplication::activeModalWidget() == shown) BringBack(*shown);
        });
    }

    void Follow(const WindowManagerEvent& e) {
        using Kind = WindowManagerEvent::Kind;
        if (e.kind == Kind::Other) return;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != followed_) {
            hidden_.Forget();
            followed_ = modal;
        }
        if (modal == nullptr) return;
        if (e.kind == Kind::WorkspaceSwitched) {
            hidden_.WorkspaceSwitched();
            return;
        }
        const std::vector<QWidget*> chain = WithOwners(*modal);
        if (std::none_of(chain.begin(), chain.end(), [&](const QWidget* w) { return w->internalWinId() == e.window; }))
            return;
        if (e.kind == Kind::Unmapped)
            hidden_.Hidden(e.window);
        else if (hidden_.Shown(e.window))
            BringBackLater(*modal);
    }

    static void BringBack(QWidget& modal) {
        // The workspace switched meanwhile: the windows stay with it, and the user who
        // goes back there finds the modal window with the keys.
        if (OnWorkspaceNotShown(modal)) return;
        const std::vector<QWidget*> chain = WithOwners(modal);
        // The owners first, each raised, so that they keep their order and the modal
        // window ends above them: a window manager may show a window again beneath
        // another program's window that was below it (icewm).
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            QWidget* w = *it;
            if (!w->isVisible() || OnWorkspaceNotShown(*w)) continue;
            if (w->isMinimized()) w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
            w->raise();
        }
        modal.activateWindow();
    }

    bool pending_ = false;
    QPointer<QWidget> followed_;
    HiddenWindows hidden_;
};

}  // namespace

void HiddenWindows::Hidden(std::uint32_t window) {
    if (hidden_.empty()) switched_ = false;
    if (std::find(hidden_.begin(), hidden_.end(), window) == hidden_.end()) hidden_.push_back(window);
}

void HiddenWindows::WorkspaceSwitched() { switched_ = switched_ || !hidden_.empty(); }

bool HiddenWindows::Shown(std::uint32_t window) {
    const auto it = std::find(hidden_.begin(), hidden_.end(), window);
    if (it == hidden_.end()) return false;
    hidden_.erase(it);
    return hidden_.empty() && !switched_;
}

void HiddenWindows::Forget() {
    hidden_.clear();
    switched_ = false;
}

void KeepModalsInSight() {
    static QPointer<ModalsInSight> keeper;
    if (keeper || qApp == nullptr) return;
    keeper = new ModalsInSight(qApp);
    qApp->installEventFilter(keeper);
    qApp->installNativeEventFilter(keeper);
}

QWidget* ModalOwner() {
    if (QWidget* modal = QApplication::activeModalWidget(); Shown(modal)) return modal;
    if (QWidget* command = CommandWindow(); Shown(command)) return command;
    if (QWidget* active = QApplication::activeWindow(); Shown(active)) return active;
    // The main window: the one plain window without an owner.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (Shown(w) && w->windowType() == Qt::Window && w->parentWidget() == nullptr) return w;
    }
    return nullptr;
}

void PrepareModal(QWidget& modal, QWidget* owner) {
    bool anotherOnTop = false;
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        if (w != &modal && Shown(w) && w->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) anotherOnTop = true;
    }
    // New flags recreate the native window: they come before its transient parent.
    if (anotherOnTop && !modal.windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        modal.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (owner == nullptr || modal.parentWidget() != nullptr) return;
    QWidget* ownerWindow = owner->window();
    if (ownerWindow->windowHandle() == nullptr) return;
    modal.winId();
    if (QWindow* handle = modal.windowHandle()) handle->setTransientParent(ownerWindow->windowHandle());
}

void CentreOver(QWidget& modal, const QWidget& owner) {
    const QRect over = owner.window()->frameGeometry();
    QRect r = modal.frameGeometry();
    r.moveCenter(over.center());
    if (const QScreen* screen = owner.window()->screen()) {
        const QRect room = screen->availableGeometry();
        r.moveLeft(std::max(room.left(), std::min(r.left(), room.right() + 1 - r.width())));
        r.moveTop(std::max(room.top(), std::min(r.top(), room.bottom() + 1 - r.height())));
    }
    modal.move(r.topLeft());
}

}  // namespace nuvir
