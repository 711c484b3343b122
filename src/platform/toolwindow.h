#pragma once
// The small fixed tool windows (the batch window, the plot options, the export naming
// dialog) have a close box and no minimise or maximise button on every window manager,
// and no task-bar entry.
//
// Most window managers leave those buttons off a utility window that asks for none (its
// Motif hints, which Qt sets from the window flags). Openbox offers minimise on every
// utility window whatever it asks, and a minimised window owned by another takes its
// owner down with it; it leaves the buttons off a toolbar window. So there, and only
// there, such a window is declared a toolbar first, a utility window second: a window
// manager that reads the first type it knows sees the one that gives the right buttons.
// Elsewhere a toolbar may lose its title bar (the GNOME window managers draw none), so
// the window stays a plain utility window.
class QWidget;

namespace nuvir {

// Call just before the window is mapped (its show event): the window's type for the
// running window manager, and no task-bar entry. Nothing off X11.
void DeclareToolWindow(QWidget& window);

// Whether the running window manager offers minimise on utility windows regardless of
// their hints (Openbox); false off X11.
bool WindowManagerIgnoresToolHints();

}  // namespace nuvir
