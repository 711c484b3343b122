#pragma once
// The program's windows other than the main window have a close box and no minimise or
// maximise button on every window manager: the small fixed tool windows (the batch
// window, the plot options, the export naming dialog), which have no task-bar entry
// either, and every dialog and message box. A minimised modal window would leave nothing
// of the program to click, and a window manager minimises a window's owner with it.
//
// Most window managers leave those buttons off a utility or dialog window that asks for
// none (its Motif hints, which Qt sets from the window flags). Openbox offers minimise on
// every such window whatever it asks, and a minimised window owned by another takes its
// owner down with it; it leaves the buttons off a toolbar window. So there, and only
// there, such a window is declared a toolbar first, its own type second: a window
// manager that reads the first type it knows sees the one that gives the right buttons.
// Elsewhere a toolbar may lose its title bar (the GNOME window managers draw none), so
// the window keeps its own type.
//
// A window shown again after it was hidden may have the states it asks for as it is
// mapped ignored (icewm, once the window was hidden while minimised with its owner,
// gives it a task-bar entry and drops its staying on top): they are asked for again
// once the window is mapped; staying on top is not asked for again where asking it of
// a transient lifts its owner with it (Fluxbox).
#include <cstdint>
#include <optional>

class QByteArray;
class QWidget;

namespace nuvir {

// Call just before a tool window or dialog is mapped (its show event): the window's type
// for the running window manager, and no task-bar entry for a tool window. Nothing off
// X11 or for a window of another kind.
void DeclareToolWindow(QWidget& window);

// Makes DeclareToolWindow run for every tool window, dialog and message box as it is
// shown, those Qt makes itself (a file dialog's questions) included. Call once the
// application exists.
void DeclareToolWindowsAsShown();

// Whether the running window manager offers minimise on utility windows regardless of
// their hints (Openbox); false off X11.
bool WindowManagerIgnoresToolHints();

// Whether the window manager keeps the window on a workspace other than the one shown
// (it marks such a window minimised, though nobody minimised it); false off X11, with
// no window manager or one without workspaces.
bool OnWorkspaceNotShown(const QWidget& window);
// The same from the workspace shown and the window's (EWMH numbers; every one of the bits
// set for a window on all of them); false when either is not known.
bool OnWorkspaceNotShown(std::optional<std::uint32_t> shown, std::optional<std::uint32_t> its);

// Whether the window manager minimised the window, rather than hid it with a workspace it
// stopped showing: one that knows the hidden state of EWMH gives it to a minimised window
// only, while it may mark the windows of a workspace it leaves minimised too, before it
// names the workspace it shows (fluxbox). True where the window manager does not know that
// state, and off X11.
bool MinimisedByWindowManager(const QWidget& window);
// The same from whether the window manager knows the hidden state and the window has it.
bool MinimisedByWindowManager(bool hiddenKnown, bool hidden);

// What an X event tells of the window manager's doings: a window unmapped (hidden) or
// mapped (shown) on the X server, or the workspace shown changed. Other for any other
// event, and off X11.
struct WindowManagerEvent {
    enum class Kind { Other, Unmapped, Mapped, WorkspaceSwitched };
    Kind kind = Kind::Other;
    std::uint32_t window = 0;  // the window unmapped or mapped
};
// From an event as Qt hands it to a native event filter.
WindowManagerEvent ReadWindowManagerEvent(const QByteArray& eventType, const void* message);

}  // namespace nuvir
