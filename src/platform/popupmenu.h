#pragma once
// Popping a form's menu up at the mouse, as a shortcut menu. The Qt menu blocks in its
// own event loop until an entry is chosen or the menu is dismissed, so tests replace
// the service with a scripted one (FakePopupMenu below) that records what the menu
// offered and chooses an entry by its position.
#include <deque>
#include <string>
#include <vector>

namespace nuvir {

class MenuItem;

class PopupMenuService {
public:
    virtual ~PopupMenuService() = default;
    // Shows the entries under `menu` at the mouse pointer and returns when the menu
    // has closed; the chosen entry has then raised its Click.
    virtual void Popup(MenuItem& menu) = 0;
};

class QtPopupMenuService : public PopupMenuService {
public:
    void Popup(MenuItem& menu) override;
};

// The service in use (the Qt one unless a test installed another).
PopupMenuService& PopupMenus();
// Installs a service (nullptr: the Qt one); returns the one it replaced.
PopupMenuService* SetPopupMenuService(PopupMenuService* service);

// Shortcut: PopupMenus().Popup(menu).
void PopupMenu(MenuItem& menu);

// For tests: each popup takes the next queued choice, the position of an entry among
// the menu's entries counted from 0 with separators included, and chooses it when it
// is visible and enabled; -1 (or an empty queue) dismisses the menu.
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
