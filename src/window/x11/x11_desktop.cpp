// The X11 backend's view of the desktop, on the logic thread's own
// connection: the monitor the pet lives on, the top of a bar along its
// bottom, and taking a window out of the taskbar.
//
// The bar is kept between moves. This connection hears the desktop's events
// (the root's properties and children, RandR's changes, and the windows that
// can hold a bar) and reads them, without blocking and without a round trip,
// only when the pet is about to move, inside X11TaskbarTop: nothing wakes for
// them in between. What concerns the bar marks the kept value stale, and the
// next query works it out again, at most once per cycle's spacing.
#include <X11/Xatom.h>
#include <X11/Xproto.h>
#include <X11/extensions/Xrandr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "platform.h"
#include "x11_internal.h"

namespace {

// The atoms the queries use, interned once per connection.
enum AtomIndex {
    NetWorkArea, NetCurrentDesktop, NetSupportingWmCheck, NetClientList, NetWmStrut,
    NetWmStrutPartial, NetWmWindowType, NetWmWindowTypeDock, NetWmState,
    NetWmStateSkipTaskbar, NetWmStateSkipPager, AtomCount
};
const char* const AtomNames[AtomCount] = {
    "_NET_WORKAREA", "_NET_CURRENT_DESKTOP", "_NET_SUPPORTING_WM_CHECK", "_NET_CLIENT_LIST",
    "_NET_WM_STRUT", "_NET_WM_STRUT_PARTIAL", "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_TYPE_DOCK", "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR",
    "_NET_WM_STATE_SKIP_PAGER"};

// What a window's own selection asks for: its moves, unmapping and end,
// and its properties (a strut or a dock type set at any time).
constexpr long WatchMask = StructureNotifyMask | PropertyChangeMask;

// The bar as last worked out, and whether it may have moved since.
struct BarCache {
    bool stale = true;
    std::chrono::steady_clock::time_point computedAt{};
    int32_t top = 0;  // as X11TaskbarTop gives it
};

// The desktop's events as this connection hears them.
struct Listening {
    bool on = false;
    int randrEventBase = -1;
    // The windows the bar query has read, each selected for WatchMask
    // before it was read. A destroyed window is forgotten, so that a new
    // window that gets the same id is selected and read again.
    X11WindowCache windows;
    // The windows that can hold a bar (docks and windows with struts), as
    // the last look at the desktop found them.
    std::unordered_set<Window> candidates;
    // Root properties by atom: whether a change of one can move the bar.
    std::unordered_map<Atom, bool> rootProperties;
};

// The logic thread's side of the backend's desktop queries.
struct DesktopState {
    std::mutex mutex;  // over everything below
    Display* display = nullptr;
    Atom atoms[AtomCount] = {};
    bool monitorChosen = false;
    X11Area monitor;  // the monitor of the whole run (X11RunMonitor)
    BarCache bar;
    Listening listening;
};

DesktopState Desktop;

Display* DesktopDisplay() {
    if (Desktop.display == nullptr) {
        Desktop.display = X11OpenOrDie();
        XInternAtoms(Desktop.display, const_cast<char**>(AtomNames), AtomCount, False,
                     Desktop.atoms);
    }
    return Desktop.display;
}

Atom A(AtomIndex i) {
    return Desktop.atoms[i];
}

// The window's value of a property of 32-bit items, at most max items.
std::vector<long> LongProperty(Display* d, Window w, Atom property, Atom type, long max) {
    std::vector<long> values;
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, property, 0, max, False, type, &actualType, &format, &count,
                           &after, &data) == Success &&
        data != nullptr && format == 32 && actualType == type) {
        const long* items = reinterpret_cast<const long*>(data);
        values.assign(items, items + count);
    }
    if (data != nullptr) XFree(data);
    return values;
}

X11Area RootArea(Display* d) {
    Window root = None;
    int x = 0, y = 0;
    unsigned int width = 0, height = 0, border = 0, depth = 0;
    XGetGeometry(d, DefaultRootWindow(d), &root, &x, &y, &width, &height, &border, &depth);
    return X11Area{0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

// The primary monitor as the server has it now: the RandR primary one
// where there are several monitors, the whole root otherwise.
X11Area PrimaryMonitorNow(Display* d) {
    // The root window's size as the server has it now (DisplayWidth keeps
    // the size the connection started with).
    const X11Area whole = RootArea(d);
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(d, &eventBase, &errorBase) || !XRRQueryVersion(d, &major, &minor) ||
        major < 1 || (major == 1 && minor < 5)) {
        return whole;
    }
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(d, DefaultRootWindow(d), True, &count);
    if (monitors == nullptr) return whole;
    X11Area found = whole;
    if (count > 1) {
        // The primary one; failing that, the one at the root's origin.
        int pick = -1;
        for (int i = 0; i < count && pick < 0; ++i) {
            if (monitors[i].primary) pick = i;
        }
        for (int i = 0; i < count && pick < 0; ++i) {
            if (monitors[i].x == 0 && monitors[i].y == 0) pick = i;
        }
        if (pick >= 0) {
            found = X11Area{monitors[pick].x, monitors[pick].y, monitors[pick].width,
                            monitors[pick].height};
        }
    }
    XRRFreeMonitors(monitors);
    return found;
}

// The monitor of the whole run, chosen at the first call. Holding the mutex.
const X11Area& RunMonitor() {
    if (Desktop.monitorChosen) return Desktop.monitor;
    Display* d = DesktopDisplay();
    const X11Area root = RootArea(d);
    X11Area m = PrimaryMonitorNow(d);
    if (m.width <= 0 || m.height <= 0 || m.x >= root.width || m.y >= root.height ||
        m.x + m.width <= 0 || m.y + m.height <= 0) {
        // Nobody would see the pet there.
        std::fprintf(stderr,
                     "%s: the primary monitor (%dx%d at %d,%d) lies outside the screen; "
                     "using the whole screen\n",
                     program_invocation_short_name, m.width, m.height, m.x, m.y);
        m = root;
    }
    Desktop.monitor = m;
    Desktop.monitorChosen = true;
    return Desktop.monitor;
}

X11DesktopAtoms DesktopAtoms() {
    X11DesktopAtoms a;
    a.workArea = A(NetWorkArea);
    a.currentDesktop = A(NetCurrentDesktop);
    a.supportingWmCheck = A(NetSupportingWmCheck);
    a.clientList = A(NetClientList);
    a.strut = A(NetWmStrut);
    a.strutPartial = A(NetWmStrutPartial);
    a.windowType = A(NetWmWindowType);
    a.windowTypeDock = A(NetWmWindowTypeDock);
    return a;
}

// From now on this connection hears the desktop: the root's properties and
// children and RandR's changes. The windows follow as the bar query reads
// them.
void Listen(Display* d) {
    Listening& l = Desktop.listening;
    if (l.on) return;
    l.on = true;
    const Window root = DefaultRootWindow(d);
    XSelectInput(d, root, PropertyChangeMask | SubstructureNotifyMask);
    int eventBase = 0, errorBase = 0;
    if (XRRQueryExtension(d, &eventBase, &errorBase)) {
        l.randrEventBase = eventBase;
        XRRSelectInput(d, root,
                       RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    }
    Desktop.bar.stale = true;
}

// Whether a change of this root property can move the bar: the work areas
// (those of every desktop, by name), the current desktop, the window
// manager's check and its client list. An atom is named once, then known.
bool RootPropertyMatters(Display* d, Atom atom) {
    for (AtomIndex i : {NetWorkArea, NetCurrentDesktop, NetSupportingWmCheck, NetClientList}) {
        if (atom == A(i)) return true;
    }
    std::unordered_map<Atom, bool>& known = Desktop.listening.rootProperties;
    const auto found = known.find(atom);
    if (found != known.end()) return found->second;
    static const char prefix[] = "_GTK_WORKAREAS_D";
    char* name = XGetAtomName(d, atom);
    const bool matters = name != nullptr && std::strncmp(name, prefix, sizeof prefix - 1) == 0;
    if (name != nullptr) XFree(name);
    known.emplace(atom, matters);
    return matters;
}

// Another client unmapped the pet's window. Mapping it again is the desktop
// side's job: it is the one that hears the root's children. A managed
// window's unmapping is its window manager's business (iconified, say).
void MapPetAgain(Display* d, Window pet) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(d, pet, &attributes) == 0 || !attributes.override_redirect) return;
    if (attributes.map_state == IsUnmapped) XMapWindow(d, pet);
}

void HandleEvent(Display* d, XEvent& e) {
    Listening& l = Desktop.listening;
    bool& stale = Desktop.bar.stale;
    if (l.randrEventBase >= 0 && e.type == l.randrEventBase + RRScreenChangeNotify) {
        XRRUpdateConfiguration(&e);
        stale = true;
        return;
    }
    if (l.randrEventBase >= 0 && e.type == l.randrEventBase + RRNotify) {
        stale = true;
        return;
    }
    const Window root = DefaultRootWindow(d);
    switch (e.type) {
        case DestroyNotify:
            // Whatever comes with this id from now on is a new window.
            l.windows.erase(e.xdestroywindow.window);
            l.candidates.erase(e.xdestroywindow.window);
            stale = true;  // a bar, or the window manager's check window
            break;
        case MapNotify:
            // Any window but the pet's: a bar may come up override-redirect
            // too. A menu or a tooltip costs one more look at the next move.
            if (e.xmap.window != X11PetWindow()) stale = true;
            break;
        case UnmapNotify:
            if (e.xunmap.window == X11PetWindow()) {
                if (e.xunmap.event == root && !e.xunmap.send_event) MapPetAgain(d, e.xunmap.window);
            } else if (l.candidates.count(e.xunmap.window) != 0) {
                stale = true;
            }
            break;
        case ConfigureNotify:
            if (l.candidates.count(e.xconfigure.window) != 0) stale = true;
            break;
        case ReparentNotify:
            if (l.candidates.count(e.xreparent.window) != 0) stale = true;
            break;
        case PropertyNotify: {
            const Atom a = e.xproperty.atom;
            if (e.xproperty.window == root) {
                if (RootPropertyMatters(d, a)) stale = true;
            } else if (a == A(NetWmStrut) || a == A(NetWmStrutPartial) || a == A(NetWmWindowType)) {
                l.windows.erase(e.xproperty.window);  // to be read again
                stale = true;
            }
            break;
        }
        default:
            break;
    }
}

// Reads the events that have come, without blocking: those already queued
// and whatever the socket holds now. Bounded, so that a flood cannot hold
// up a move; what is left waits for the next query.
void TakeEvents(Display* d) {
    for (int budget = 4096; budget > 0 && XEventsQueued(d, QueuedAfterReading) > 0; --budget) {
        XEvent e;
        XNextEvent(d, &e);
        HandleEvent(d, e);
    }
    XFlush(d);  // what the events asked for: selections, a map (nothing when empty)
}

// Works the bar out again: its top edge relative to the run's monitor.
void Recompute(Display* d) {
    const X11Area& monitor = RunMonitor();
    Listening& l = Desktop.listening;
    std::vector<Window> found;
    const X11BarFacts facts =
        X11ReadBarFacts(d, DesktopAtoms(), monitor, l.windows, WatchMask, X11PetWindow(), found);
    const int32_t bottom = X11BarTop(facts);
    Desktop.bar.top = bottom > monitor.y && bottom < monitor.y + monitor.height
                          ? bottom - monitor.y
                          : 0;
    Desktop.bar.stale = false;
    l.candidates.clear();
    l.candidates.insert(found.begin(), found.end());
}

}  // namespace

X11Area X11RunMonitor() {
    std::lock_guard<std::mutex> hold(Desktop.mutex);
    return RunMonitor();
}

void X11DesktopSize(int32_t& width, int32_t& height) {
    std::lock_guard<std::mutex> hold(Desktop.mutex);
    const X11Area& monitor = RunMonitor();
    width = monitor.width;
    height = monitor.height;
}

int32_t X11TaskbarTop() {
    std::lock_guard<std::mutex> hold(Desktop.mutex);
    Display* d = DesktopDisplay();
    Listen(d);
    TakeEvents(d);
    // Under a flood of changes, at most one look per cycle's spacing.
    const auto now = std::chrono::steady_clock::now();
    if (Desktop.bar.stale &&
        now - Desktop.bar.computedAt >= std::chrono::nanoseconds(CycleSpacingNs)) {
        Desktop.bar.computedAt = now;
        Recompute(d);
    }
    return Desktop.bar.top;
}

void X11RemoveFromTaskbar(const char* title) {
    std::lock_guard<std::mutex> hold(Desktop.mutex);
    Display* d = DesktopDisplay();

    std::vector<Window> candidates;
    if (X11PetWindow() != None) candidates.push_back(X11PetWindow());
    for (Window w : X11TopLevelWindows(d, A(NetClientList))) candidates.push_back(w);
    Window found = None;
    for (Window w : candidates) {
        char* name = nullptr;
        if (XFetchName(d, w, &name) != 0 && name != nullptr) {
            const bool same = std::strcmp(name, title) == 0;
            XFree(name);
            if (same) {
                found = w;
                break;
            }
        }
    }
    if (found == None) return;

    XWindowAttributes attributes;
    if (XGetWindowAttributes(d, found, &attributes) == 0) return;
    const Atom state = A(NetWmState);
    const Atom skip[2] = {A(NetWmStateSkipTaskbar), A(NetWmStateSkipPager)};
    if (attributes.override_redirect || attributes.map_state == IsUnmapped) {
        // No window manager looks after this window: its state is ours to
        // write. It stays mapped all along, so its shape, position and
        // picture do not change.
        std::vector<long> atoms = LongProperty(d, found, state, XA_ATOM, 64);
        for (Atom a : skip) {
            bool present = false;
            for (long have : atoms) present = present || static_cast<Atom>(have) == a;
            if (!present) atoms.push_back(static_cast<long>(a));
        }
        XChangeProperty(d, found, state, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(atoms.data()),
                        static_cast<int>(atoms.size()));
    } else {
        // A managed window: ask its window manager.
        XEvent message{};
        message.xclient.type = ClientMessage;
        message.xclient.window = found;
        message.xclient.message_type = state;
        message.xclient.format = 32;
        message.xclient.data.l[0] = 1;  // add
        message.xclient.data.l[1] = static_cast<long>(skip[0]);
        message.xclient.data.l[2] = static_cast<long>(skip[1]);
        message.xclient.data.l[3] = 1;  // asked by an application
        XSendEvent(d, DefaultRootWindow(d), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &message);
    }
    XSync(d, False);
}
