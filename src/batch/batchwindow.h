#pragma once
// FBatch: the small batch window that floats over the main window. It shows the batch
// session (batchsession.h) and forwards its buttons, menus, list edits, state timer
// and close to it; the rules themselves live in the session.
//
// The main window creates it from File > "&Batch Mode", hands it itself as host and as
// the window to sit over (SetMainWindow), polls CloseRequested from its housekeeping
// tick and closes it at shut-down, where a refused close (a save the analyst cancelled)
// must keep the program open.
//
// A tool window: no task-bar entry, above the main window where the window manager
// allows it, fixed in size. Every 300 ms it centres itself over the main window (or,
// recording, docks as a strip on the main window's top edge) and refreshes its
// commands. It hides while one of its message boxes shows, so none hides behind it,
// and the main window stays as it is.
#include <string>

#include "batch/batchsession.h"
#include "platform/form.h"

namespace nuvir {

class CommandButton;
class Label;
class MenuItem;
class MultiLineTextBox;
class Timer;

class FBatch : public Form, public BatchView {
    Q_OBJECT
public:
    // owner: the window it stays over (may be null until SetMainWindow).
    explicit FBatch(QWidget* owner = nullptr);
    ~FBatch() override;

    // "Parent": the main window it drives and sits over; both null detach it.
    void SetMainWindow(BatchHost* host, Form* mainWindow);
    bool CloseRequested() const { return session_.CloseRequested(); }
    BatchSession& Session() { return session_; }

    // The state timer's tick: position, then the commands' states.
    void StateTick();
    void PositionBatchForm();

    // The controls, for the main window's tests and the screenshots.
    CommandButton* Button(int index) const { return buttons_[index]; }
    Label* BatchLabel(int index) const { return labels_[index]; }
    MultiLineTextBox* ListBox() const { return list_; }
    MenuItem* MainMenu(int index) const { return mainMenus_[index]; }
    MenuItem* FileMenu(int index) const { return fileMenus_[index]; }
    Timer* StateTimer() const { return timer_; }

    // Out of sight while one of its message boxes shows.
    bool SteppedAside() const { return steppedAside_; }

    // BatchView.
    int AroundMessage(const std::function<int()>& showBox) override;
    void SetStateTimer(bool on) override;
    void SetBusyCursor(bool on) override;
    void ShowState() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void FirstActivation();
    void SizeWindow(double width, double height);
    // Runs a handler, showing an error after `action`, the command the analyst chose.
    template <class F>
    void Guarded(const std::string& action, F&& handler);

    BatchSession session_{this};
    Form* mainWindow_ = nullptr;
    CommandButton* buttons_[3] = {};
    Label* labels_[2] = {};
    MultiLineTextBox* list_ = nullptr;
    MenuItem* mainMenus_[2] = {};
    MenuItem* fileMenus_[4] = {};
    Timer* timer_ = nullptr;
    // The size the window had at its first activation, twips.
    double normalWidth_ = 0;
    double normalHeight_ = 0;
    bool firstActivation_ = true;
    bool showingState_ = false;
    bool busyCursor_ = false;
    bool steppedAside_ = false;
};

}  // namespace nuvir
