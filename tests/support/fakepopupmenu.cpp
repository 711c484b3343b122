#include "support/fakepopupmenu.h"

#include <QAction>
#include <QMenu>

#include "platform/controls.h"

namespace nuvir {

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
