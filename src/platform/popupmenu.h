#pragma once
// Popping a form's menu up at the mouse, as a shortcut menu. The Qt menu blocks in its
// own event loop until an entry is chosen or the menu is dismissed, so tests replace
// the service with a scripted one that records what the menu offered and chooses an
// entry by its position.
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

}  // namespace nuvir
