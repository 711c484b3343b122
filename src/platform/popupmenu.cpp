#include "platform/popupmenu.h"

#include <QAction>
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

FakePopupMenu::FakePopupMenu() : previous_(SetPopupMenuService(this)) {}

FakePopupMenu::~FakePopupMenu() { SetPopupMenuService(previous_); }

void FakePopupMenu::Popup(MenuItem& menu) {
    const QList<QAction*> actions = menu.Menu()->actions();
    std::vector<Entry> entries;
    for (QAction* a : actions) {
        entries.push_back(
            {a->isSeparator() ? std::string("-") : a->text().toStdString(), a->isVisible(), a->isEnabled()});
    }
    shown.push_back(entries);
    int choice = -1;
    if (!choices_.empty()) {
        choice = choices_.front();
        choices_.pop_front();
    }
    if (choice < 0 || choice >= static_cast<int>(actions.size())) return;
    QAction* a = actions[choice];
    if (a->isVisible() && a->isEnabled() && !a->isSeparator()) a->trigger();
}

}  // namespace nuvir
