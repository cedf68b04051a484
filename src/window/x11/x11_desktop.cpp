// The X11 backend's view of the desktop, on the logic thread's own
// connection: the primary monitor's size, the top of a bar along the bottom
// (worked out when something changed, kept otherwise), and taking a window
// out of the taskbar.
#include <X11/Xatom.h>
#include <X11/Xproto.h>
#include <X11/extensions/Xrandr.h>
#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform.h"
#include "x11_internal.h"

namespace {

// The bar as last worked out, and whether it still stands.
struct BarCache {
    // Bumped by the window thread whenever something that can move the bar
    // happened, and when it starts or stops watching.
    std::atomic<uint64_t> generation{0};
    std::atomic<bool> watched{false};
    // Under DesktopState::mutex.
    bool valid = false;
    uint64_t computedAt = 0;
    int32_t top = 0;  // as PlatformTaskbarTop gives it
};

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

// The logic thread's side of the backend's desktop queries.
struct DesktopState {
    std::mutex mutex;  // over everything below
    Display* display = nullptr;
    Atom atoms[AtomCount] = {};
    BarCache bar;
    std::vector<Window> watched;  // as last handed to the window thread
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

std::vector<Window> Children(Display* d, Window w) {
    std::vector<Window> windows;
    Window root = None, parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &count) != 0 && children != nullptr) {
        windows.assign(children, children + count);
    }
    if (children != nullptr) XFree(children);
    return windows;
}

// The top-level windows worth looking at: the root's children (unmanaged
// windows such as the pet, frames, panels without a window manager), the
// clients a window manager lists, and the windows inside the frames of
// those that list none (i3 keeps its bar inside a frame of its own).
std::vector<Window> TopLevelWindows(Display* d) {
    std::vector<Window> windows = Children(d, DefaultRootWindow(d));
    std::vector<Window> clients;
    for (long w : LongProperty(d, DefaultRootWindow(d), A(NetClientList), XA_WINDOW, 4096)) {
        clients.push_back(static_cast<Window>(w));
    }
    std::sort(clients.begin(), clients.end());
    const size_t frames = windows.size();
    for (size_t i = 0; i < frames; ++i) {
        if (std::binary_search(clients.begin(), clients.end(), windows[i])) continue;
        for (Window inner : Children(d, windows[i])) windows.push_back(inner);
    }
    windows.insert(windows.end(), clients.begin(), clients.end());
    std::sort(windows.begin(), windows.end());
    windows.erase(std::unique(windows.begin(), windows.end()), windows.end());
    return windows;
}

// Whether _NET_SUPPORTING_WM_CHECK names a window that names itself: a
// window manager that runs now, not one that left its properties behind.
bool LiveWindowManager(Display* d) {
    const std::vector<long> check =
        LongProperty(d, DefaultRootWindow(d), A(NetSupportingWmCheck), XA_WINDOW, 1);
    if (check.empty()) return false;
    const std::vector<long> self =
        LongProperty(d, static_cast<Window>(check[0]), A(NetSupportingWmCheck), XA_WINDOW, 1);
    return !self.empty() && self[0] == check[0];
}

// What the desktop publishes about its bars; the windows whose changes can
// move a bar go into watch.
X11BarFacts GatherBarFacts(Display* d, std::vector<Window>& watch) {
    X11BarFacts facts;
    facts.root = RootArea(d);
    facts.primary = X11PrimaryMonitor(d);
    const Window root = DefaultRootWindow(d);
    for (Window w : TopLevelWindows(d)) {
        X11BarWindow bar;
        bar.strut = LongProperty(d, w, A(NetWmStrutPartial), XA_CARDINAL, 12);
        if (bar.strut.size() != 12) {
            bar.strut = LongProperty(d, w, A(NetWmStrut), XA_CARDINAL, 4);
            if (bar.strut.size() != 4) bar.strut.clear();
        }
        for (long type : LongProperty(d, w, A(NetWmWindowType), XA_ATOM, 32)) {
            bar.dock = bar.dock || static_cast<Atom>(type) == A(NetWmWindowTypeDock);
        }
        if (bar.strut.empty() && !bar.dock) continue;
        watch.push_back(w);
        XWindowAttributes attributes;
        if (XGetWindowAttributes(d, w, &attributes) == 0 ||
            attributes.map_state != IsViewable) {
            continue;
        }
        int x = 0, y = 0;
        Window child = None;
        if (!XTranslateCoordinates(d, w, root, 0, 0, &x, &y, &child)) continue;
        bar.mapped = true;
        bar.area = X11Area{x, y, attributes.width + 2 * attributes.border_width,
                           attributes.height + 2 * attributes.border_width};
        facts.windows.push_back(bar);
    }
    facts.liveWm = LiveWindowManager(d);
    if (facts.liveWm) {
        const std::vector<long> current =
            LongProperty(d, root, A(NetCurrentDesktop), XA_CARDINAL, 1);
        const long desk = current.empty() ? 0 : current[0];
        const std::string name = "_GTK_WORKAREAS_D" + std::to_string(desk);
        facts.gtkWorkAreas =
            LongProperty(d, root, XInternAtom(d, name.c_str(), False), XA_CARDINAL, 4 * 64);
        const std::vector<long> areas = LongProperty(d, root, A(NetWorkArea), XA_CARDINAL, 4 * 64);
        size_t index = static_cast<size_t>(desk) * 4;
        if (desk < 0 || index + 3 >= areas.size()) index = 0;
        if (index + 3 < areas.size()) {
            facts.workArea.assign(areas.begin() + static_cast<long>(index),
                                  areas.begin() + static_cast<long>(index) + 4);
        }
    }
    return facts;
}

}  // namespace

void X11DesktopLock() {
    Desktop.mutex.lock();
}

void X11DesktopUnlock() {
    Desktop.mutex.unlock();
}

Display* X11DesktopDisplay() {
    return DesktopDisplay();
}

void X11BarWatching(bool on) {
    Desktop.bar.watched = on;
    Desktop.bar.generation.fetch_add(1);
}

void X11BarChanged() {
    Desktop.bar.generation.fetch_add(1);
}

X11Area X11PrimaryMonitor(Display* d) {
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

X11Area X11RunMonitor() {
    std::lock_guard<std::mutex> hold(Desktop.mutex);
    static const X11Area monitor = X11PrimaryMonitor(DesktopDisplay());
    return monitor;
}

void X11DesktopSize(int32_t& width, int32_t& height) {
    const X11Area monitor = X11RunMonitor();
    width = monitor.width;
    height = monitor.height;
}

int32_t X11TaskbarTop() {
    std::lock_guard<std::mutex> hold(Desktop.mutex);
    // Kept while the window thread watches the desktop and has seen nothing
    // that can move a bar: then a move costs no round trip to the server.
    const uint64_t generation = Desktop.bar.generation.load();
    if (Desktop.bar.valid && Desktop.bar.watched.load() &&
        Desktop.bar.computedAt == generation) {
        return Desktop.bar.top;
    }
    Display* d = DesktopDisplay();
    std::vector<Window> watch;
    const X11BarFacts facts = GatherBarFacts(d, watch);
    const int32_t bottom = X11BarTop(facts);
    const X11Area& monitor = facts.primary;
    Desktop.bar.top = bottom > monitor.y && bottom < monitor.y + monitor.height
                          ? bottom - monitor.y
                          : 0;
    Desktop.bar.valid = true;
    Desktop.bar.computedAt = generation;
    Desktop.watched.swap(watch);
    return Desktop.bar.top;
}

void X11RemoveFromTaskbar(const char* title) {
    std::lock_guard<std::mutex> hold(Desktop.mutex);
    Display* d = DesktopDisplay();

    std::vector<Window> candidates;
    if (X11PetWindow() != None) candidates.push_back(X11PetWindow());
    for (Window w : TopLevelWindows(d)) candidates.push_back(w);
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
