#include "platform/popupmenu.h"

#include <QCursor>
#include <QMenu>

#include "platform/controls.h"

namespace nuvir {

namespace {
QtPopupMenuService qtPopups;
PopupMenuService* current = nullptr;
}  // namespace

void QtPopupMenuService::Popup(MenuItem& menu) { menu.Menu()->exec(QCursor::pos()); }

PopupMenuService& PopupMenus() { return current != nullptr ? *current : qtPopups; }

PopupMenuService* SetPopupMenuService(PopupMenuService* service) {
    PopupMenuService* old = current;
    current = service;
    return old;
}

void PopupMenu(MenuItem& menu) { PopupMenus().Popup(menu); }

}  // namespace nuvir
