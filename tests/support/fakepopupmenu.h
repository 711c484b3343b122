#pragma once
// A scripted shortcut menu for tests: each popup takes the next queued choice, the
// position of an entry among the menu's entries counted from 0 with separators
// included, and chooses it when it is visible and enabled; -1 (or an empty queue)
// dismisses the menu. Installed for the object's lifetime.
#include <deque>
#include <string>
#include <vector>

#include "platform/popupmenu.h"

namespace nuvir {

class FakePopupMenu : public PopupMenuService {
public:
    struct Entry {
        std::string caption;
        bool visible = true;
        bool enabled = true;
    };
    FakePopupMenu();
    ~FakePopupMenu() override;
    FakePopupMenu(const FakePopupMenu&) = delete;
    FakePopupMenu& operator=(const FakePopupMenu&) = delete;

    void QueueChoice(int position) { choices_.push_back(position); }
    void Popup(MenuItem& menu) override;

    // The entries as each popup showed them.
    std::vector<std::vector<Entry>> shown;

private:
    std::deque<int> choices_;
    PopupMenuService* previous_ = nullptr;
};

}  // namespace nuvir
