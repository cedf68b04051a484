// The X11 backend's view of the desktop, on a connection of its own: the
// monitor the pet lives on and where its desktop lies there, the top of a bar
// along the monitor's bottom, and taking a window out of the taskbar.
//
// The bar and the monitor are kept between moves. This connection hears the
// desktop's events (the root's properties and children, RandR's changes, and
// of the windows that can hold a bar their properties, moves, mapping and
// end) and reads them without blocking: before the pet moves, inside
// X11TaskbarTop, and whenever they come while the pet naps, on the window
// thread's wait, so that another client's flood of changes piles up neither
// in the server nor here. What concerns the bar or the monitor marks the kept
// values stale, and the next query works them out again, at most once per
// cycle's spacing.
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
    std::atomic<int> socket{-1};  // the connection's, once on
    int randrEventBase = -1;
    // The windows the bar query has read, each selected for WatchMask
    // before it was read. A destroyed window is forgotten, so that a new
    // window that gets the same id is selected and read again.
    X11WindowCache windows;
    // The windows that can hold a bar (docks and windows with struts), as
    // the last look at the desktop found them.
    std::unordered_set<Window> candidates;
    // Root properties by atom: whether a change of one can move the bar;
    // forgotten when it grows past RootPropertiesKept.
    std::unordered_map<Atom, bool> rootProperties;
    // Changes of other properties per window, this second.
    std::unordered_map<Window, int> chatter;
    std::chrono::steady_clock::time_point chatterSince{};
};
constexpr size_t RootPropertiesKept = 1024;

// A window whose properties change this often in a second (none of them a
// strut or its type) is no longer heard of but read at every lookup: a
// client that rewrites one flat out would otherwise flood the connection
// faster than it can be read.
constexpr int ChattyPerSecond = 256;

// Events read and taken in at one go; the rest wait for the next turn.
constexpr int EventsPerRead = 4096;

// The backend's desktop queries, on the logic thread, and the events the
// window thread reads for them while the pet naps.
struct DesktopState {
    std::mutex mutex;  // over everything below
    Display* display = nullptr;
    Atom atoms[AtomCount] = {};
    int randrMinor = -1;  // RandR 1.x's minor version; -1: none, or before 1.0
    bool placed = false;
    X11Monitor monitor;  // the one the pet lives on
    X11Area first;       // that monitor as the desktop's size was read from it
    BarCache bar;
    Listening listening;
};

DesktopState Desktop;

// Where the window goes: published on the logic thread, read by the window
// thread at every move.
struct SharedPlacement {
    std::mutex mutex;  // taken after Desktop.mutex, never before it
    X11Placement placement;
};

SharedPlacement Placed;

void Publish(const X11Placement& p) {
    std::lock_guard<std::mutex> hold(Placed.mutex);
    Placed.placement = p;
}

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

// The monitors as RandR lists them now; none before RandR 1.5.
std::vector<X11Monitor> ListMonitors(Display* d) {
    std::vector<X11Monitor> listed;
    if (Desktop.randrMinor < 0) {
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        if (XRRQueryExtension(d, &eventBase, &errorBase) && XRRQueryVersion(d, &major, &minor)) {
            Desktop.randrMinor = major == 1 ? minor : 0;
        }
    }
    if (Desktop.randrMinor < 5) return listed;
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(d, DefaultRootWindow(d), True, &count);
    if (monitors == nullptr) return listed;
    for (int i = 0; i < count; ++i) {
        const XRRMonitorInfo& m = monitors[i];
        listed.push_back(X11Monitor{m.name, m.primary != 0, X11Area{m.x, m.y, m.width, m.height}});
    }
    XRRFreeMonitors(monitors);
    return listed;
}

// Chooses the pet's monitor again, the one it lives on followed by its name,
// on a root of this size. Holding the mutex.
void ChooseMonitor(Display* d, const X11Area& root) {
    const std::vector<X11Monitor> listed = ListMonitors(d);
    X11Monitor m = X11PickMonitor(listed, root, Desktop.monitor.name);
    const X11Area& a = m.area;
    if (a.width <= 0 || a.height <= 0 || a.x >= root.width || a.y >= root.height ||
        a.x + a.width <= 0 || a.y + a.height <= 0) {
        // Nobody would see the pet there.
        if (!Desktop.placed) {
            std::fprintf(stderr,
                         "%s: the primary monitor (%dx%d at %d,%d) lies outside the screen; "
                         "using the whole screen\n",
                         program_invocation_short_name, a.width, a.height, a.x, a.y);
        }
        m = X11Monitor();
        m.area = root;
    }
    Desktop.monitor = m;
}

// The pet's desktop on its monitor, with or without a bar along the
// monitor's bottom (see X11Placement). Holding the mutex.
X11Placement Placement(bool onBar) {
    const X11Area& m = Desktop.monitor.area;
    X11Placement p;
    p.monitor = m;
    p.left = m.x;
    p.top = onBar ? m.y + m.height - Desktop.first.height : m.y;
    const X11Area& f = Desktop.first;
    p.keepInView = m.x != f.x || m.y != f.y || m.width != f.width || m.height != f.height;
    return p;
}

// The monitor and the desktop's size, at the first call. Holding the mutex.
void PlaceOnce() {
    if (Desktop.placed) return;
    Display* d = DesktopDisplay();
    ChooseMonitor(d, RootArea(d));
    Desktop.first = Desktop.monitor.area;
    Desktop.placed = true;
    Publish(Placement(false));
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
    XFlush(d);
    l.socket = ConnectionNumber(d);
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
    if (known.size() >= RootPropertiesKept) known.clear();  // a client that makes up names
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

// One more change of a property of a window that is not about the bar.
void Chatter(Display* d, Window w) {
    Listening& l = Desktop.listening;
    const auto now = std::chrono::steady_clock::now();
    if (now - l.chatterSince >= std::chrono::seconds(1)) {
        l.chatter.clear();
        l.chatterSince = now;
    }
    if (++l.chatter[w] != ChattyPerSecond) return;
    const auto known = l.windows.find(w);
    if (known == l.windows.end()) return;  // not selected by us
    known->second.polled = true;
    XSelectInput(d, w, WatchMask & ~PropertyChangeMask);
}

void HandleEvent(Display* d, XEvent& e) {
    Listening& l = Desktop.listening;
    bool& stale = Desktop.bar.stale;
    if (l.randrEventBase >= 0 && (e.type == l.randrEventBase + RRScreenChangeNotify ||
                                  e.type == l.randrEventBase + RRNotify)) {
        if (e.type == l.randrEventBase + RRScreenChangeNotify) XRRUpdateConfiguration(&e);
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
            } else {
                Chatter(d, e.xproperty.window);
            }
            break;
        }
        default:
            break;
    }
}

// Reads the events that have come, without blocking: those already queued
// and whatever the socket holds now. Bounded, so that a flood cannot hold
// up a move or the window thread; true when some are left for the next turn.
bool TakeEvents(Display* d) {
    for (int budget = EventsPerRead; budget > 0; --budget) {
        // The socket is read again only once what was read before is taken
        // in: otherwise a flood would pile up in Xlib's queue.
        if (XEventsQueued(d, QueuedAlready) == 0 && XEventsQueued(d, QueuedAfterReading) == 0) {
            break;
        }
        XEvent e;
        XNextEvent(d, &e);
        HandleEvent(d, e);
    }
    XFlush(d);  // what the events asked for: selections, a map (nothing when empty)
    return XEventsQueued(d, QueuedAlready) > 0;
}

// Works the bar out again, against the pet's monitor as it is now (a change
// of resolution comes with changes of the bars, and not every change of a
// monitor with an event of RandR's), and with it where the pet's desktop
// lies.
void Recompute(Display* d) {
    Listening& l = Desktop.listening;
    std::vector<Window> found;
    X11BarFacts facts =
        X11ReadBarFacts(d, DesktopAtoms(), l.windows, WatchMask, X11PetWindow(), found);
    ChooseMonitor(d, facts.root);
    const X11Area& monitor = Desktop.monitor.area;
    facts.primary = monitor;
    const int32_t bottom = X11BarTop(facts);
    const bool onBar = bottom > monitor.y && bottom < monitor.y + monitor.height;
    const X11Placement placement = Placement(onBar);
    Desktop.bar.top = onBar ? bottom - placement.top : 0;
    Publish(placement);
    Desktop.bar.stale = false;
    l.candidates.clear();
    l.candidates.insert(found.begin(), found.end());
}

}  // namespace

void X11PlaceDesktop() {
    std::lock_guard<std::mutex> hold(Desktop.mutex);
    PlaceOnce();
}

void X11DesktopSize(int32_t& width, int32_t& height) {
    std::lock_guard<std::mutex> hold(Desktop.mutex);
    PlaceOnce();
    width = Desktop.first.width;
    height = Desktop.first.height;
}

bool X11DesktopToRoot(int32_t width, int32_t height, int32_t x, int32_t y, int32_t& rootX,
                      int32_t& rootY) {
    std::lock_guard<std::mutex> hold(Placed.mutex);
    return X11PlaceWindow(Placed.placement, width, height, x, y, rootX, rootY);
}

void X11RootToDesktop(int32_t rootX, int32_t rootY, int32_t& x, int32_t& y) {
    std::lock_guard<std::mutex> hold(Placed.mutex);
    x = rootX - Placed.placement.left;
    y = rootY - Placed.placement.top;
}

int X11DesktopSocket() {
    return Desktop.listening.socket.load();
}

bool X11DrainDesktop() {
    std::lock_guard<std::mutex> hold(Desktop.mutex);
    return TakeEvents(Desktop.display);
}

int32_t X11TaskbarTop() {
    std::lock_guard<std::mutex> hold(Desktop.mutex);
    PlaceOnce();
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
