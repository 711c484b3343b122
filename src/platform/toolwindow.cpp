#include "platform/toolwindow.h"

#include <QApplication>
#include <QByteArray>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace nuvir {

namespace {

struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeReply>;

xcb_connection_t* Connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    const Reply<xcb_intern_atom_reply_t> r(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// The first 32-bit value of a property of the given type, if the window has one.
std::optional<std::uint32_t> FirstValue(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type) {
    const Reply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, 1), nullptr));
    if (!r || r->type != type || xcb_get_property_value_length(r.get()) < 4) return std::nullopt;
    return *static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()));
}

// Whether an ATOM-list property of the window holds the atom.
bool HasAtom(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t atom) {
    const Reply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, XCB_ATOM_ATOM, 0, 1024), nullptr));
    if (!r || r->type != XCB_ATOM_ATOM) return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(r.get()));
    const int count = xcb_get_property_value_length(r.get()) / 4;
    return std::find(atoms, atoms + count, atom) != atoms + count;
}

// The first window of a WINDOW property, or none.
xcb_window_t WindowProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property) {
    return FirstValue(c, w, property, XCB_ATOM_WINDOW).value_or(XCB_WINDOW_NONE);
}

// The running window manager's name, as it announces itself (EWMH), "" when none does.
std::string WindowManagerName(xcb_connection_t* c) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (screen == nullptr) return {};
    const xcb_atom_t check = Atom(c, "_NET_SUPPORTING_WM_CHECK");
    const xcb_window_t wm = WindowProperty(c, screen->root, check);
    // A stale check window left by a window manager that has gone points nowhere.
    if (wm == XCB_WINDOW_NONE || WindowProperty(c, wm, check) != wm) return {};
    const Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
        c, xcb_get_property(c, 0, wm, Atom(c, "_NET_WM_NAME"), Atom(c, "UTF8_STRING"), 0, 256), nullptr));
    if (!r) return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(r.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(r.get())));
}

xcb_window_t Root(xcb_connection_t* c) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    return screen != nullptr ? screen->root : static_cast<xcb_window_t>(XCB_WINDOW_NONE);
}

// Asks the window manager to add up to two states to a mapped window (a state of none
// is skipped by the window manager).
void AskStates(xcb_connection_t* c, xcb_window_t w, xcb_atom_t first, xcb_atom_t second) {
    xcb_client_message_event_t ask{};
    ask.response_type = XCB_CLIENT_MESSAGE;
    ask.format = 32;
    ask.window = w;
    ask.type = Atom(c, "_NET_WM_STATE");
    ask.data.data32[0] = 1;  // add
    ask.data.data32[1] = first;
    ask.data.data32[2] = second;
    ask.data.data32[3] = 1;  // asked by the application
    xcb_send_event(c, 0, Root(c), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ask));
    xcb_flush(c);
}

class DeclareAsShown : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* object, QEvent* e) override {
        // Qt's own show event comes before the window is mapped; the window manager's
        // (spontaneous) ones after.
        if (e->type() == QEvent::Show && !e->spontaneous() && object->isWidgetType()) {
            auto* w = static_cast<QWidget*>(object);
            if (w->isWindow()) DeclareToolWindow(*w);
        }
        return false;
    }
};

// Fluxbox keeps a transient window in its owner's layer: a mapped transient asked to
// stay on top lifts its owner (the main window) over every other program with it, and
// the owner stays there after the transient has gone. A transient stays above its
// owner there without being asked.
bool WindowManagerLayersTransientsWithOwners(xcb_connection_t* c) { return WindowManagerName(c) == "Fluxbox"; }

}  // namespace

bool WindowManagerIgnoresToolHints() {
    xcb_connection_t* c = Connection();
    return c != nullptr && WindowManagerName(c) == "Openbox";
}

void DeclareToolWindow(QWidget& window) {
    xcb_connection_t* c = Connection();
    const Qt::WindowType kind = window.windowType();
    if (c == nullptr || (kind != Qt::Tool && kind != Qt::Dialog)) return;
    const bool tool = kind == Qt::Tool;
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t skip = Atom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    if (tool) {
        // No task-bar entry. Qt adds its own states to those on the window when it maps it.
        const xcb_atom_t state = Atom(c, "_NET_WM_STATE");
        if (!HasAtom(c, id, state, skip))
            xcb_change_property(c, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, 1, &skip);
    }
    if (WindowManagerIgnoresToolHints()) {
        const xcb_atom_t types[] = {Atom(c, "_NET_WM_WINDOW_TYPE_TOOLBAR"),
                                    Atom(c, tool ? "_NET_WM_WINDOW_TYPE_UTILITY" : "_NET_WM_WINDOW_TYPE_DIALOG"),
                                    Atom(c, "_NET_WM_WINDOW_TYPE_NORMAL")};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, Atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 3, types);
    }
    xcb_flush(c);

    const bool onTop = window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (!tool && !onTop) return;
    // Once the show that is under way has mapped the window.
    const auto none = static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    const xcb_atom_t noTaskBar = tool ? skip : none;
    const xcb_atom_t above = onTop && !WindowManagerLayersTransientsWithOwners(c) ? Atom(c, "_NET_WM_STATE_ABOVE")
                                                                                  : none;
    QTimer::singleShot(0, &window, [&window, id, noTaskBar, above] {
        xcb_connection_t* again = Connection();
        if (again != nullptr && window.isVisible()) AskStates(again, id, noTaskBar, above);
    });
}

bool OnWorkspaceNotShown(std::optional<std::uint32_t> shown, std::optional<std::uint32_t> its) {
    constexpr std::uint32_t kEveryWorkspace = 0xFFFFFFFF;
    return shown && its && *its != kEveryWorkspace && *its != *shown;
}

bool OnWorkspaceNotShown(const QWidget& window) {
    xcb_connection_t* c = Connection();
    // A window not made on the X server yet is on no workspace.
    const auto id = static_cast<xcb_window_t>(window.internalWinId());
    if (c == nullptr || id == XCB_WINDOW_NONE) return false;
    return OnWorkspaceNotShown(FirstValue(c, Root(c), Atom(c, "_NET_CURRENT_DESKTOP"), XCB_ATOM_CARDINAL),
                               FirstValue(c, id, Atom(c, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL));
}

bool MinimisedByWindowManager(bool hiddenKnown, bool hidden) { return !hiddenKnown || hidden; }

bool MinimisedByWindowManager(const QWidget& window) {
    xcb_connection_t* c = Connection();
    const auto id = static_cast<xcb_window_t>(window.internalWinId());
    if (c == nullptr || id == XCB_WINDOW_NONE) return true;
    const xcb_atom_t hidden = Atom(c, "_NET_WM_STATE_HIDDEN");
    return MinimisedByWindowManager(HasAtom(c, Root(c), Atom(c, "_NET_SUPPORTED"), hidden),
                                    HasAtom(c, id, Atom(c, "_NET_WM_STATE"), hidden));
}

WindowManagerEvent ReadWindowManagerEvent(const QByteArray& eventType, const void* message) {
    using Kind = WindowManagerEvent::Kind;
    // Events another client sent (the top bit set) are not the X server's word.
    const auto* e = static_cast<const xcb_generic_event_t*>(message);
    if (eventType != "xcb_generic_event_t" || e == nullptr || (e->response_type & 0x80) != 0) return {};
    switch (e->response_type) {
        case XCB_UNMAP_NOTIFY: {
            const auto* u = reinterpret_cast<const xcb_unmap_notify_event_t*>(e);
            if (u->event == u->window) return {Kind::Unmapped, u->window};
            break;
        }
        case XCB_MAP_NOTIFY: {
            const auto* m = reinterpret_cast<const xcb_map_notify_event_t*>(e);
            if (m->event == m->window) return {Kind::Mapped, m->window};
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(e);
            xcb_connection_t* c = Connection();
            if (c == nullptr || p->window != Root(c)) break;
            // Asked once: the root's properties change at every click.
            static const xcb_atom_t current = Atom(c, "_NET_CURRENT_DESKTOP");
            if (p->atom == current) return {Kind::WorkspaceSwitched, 0};
            break;
        }
        default: break;
    }
    return {};
}

void DeclareToolWindowsAsShown() {
    static bool installed = false;
    if (installed || Connection() == nullptr) return;
    installed = true;
    qApp->installEventFilter(new DeclareAsShown(qApp));
}

}  // namespace nuvir
