#include "platform/modalwindows.h"

#include <QApplication>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace nuvir {

namespace {

bool Shown(const QWidget* w) { return w != nullptr && w->isVisible() && !w->isMinimized(); }

}  // namespace

QWidget* ModalOwner() {
    if (QWidget* modal = QApplication::activeModalWidget(); Shown(modal)) return modal;
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
