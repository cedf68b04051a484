// The X11 backend's view of the desktop, on the logic thread's own
// connection: the primary monitor's size, the top of a panel along the
// bottom, and taking a window out of the taskbar. Also the one place where
// connections are opened and where Xlib's errors are handled.
#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>
#include <errno.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform.h"
#include "x11_internal.h"

namespace {

std::once_flag Prepared;
std::mutex DesktopMutex;
Display* Desktop = nullptr;

// Requests that fail (a window found by its title that has gone since, focus
// on a window that is not viewable yet) are not worth ending the program
// for; Xlib's default handler would end it.
int IgnoreError(Display*, XErrorEvent*) {
    return 0;
}

// The server has gone or the connection broke. The window thread may be the
// one that noticed, so the exit handlers (which would wait for that thread)
// must not run: one line, then out at once.
int ConnectionLost(Display*) {
    static const char line[] = "pomfy: lost the connection to the X display\n";
    ssize_t ignored = write(STDERR_FILENO, line, sizeof line - 1);
    (void)ignored;
    _exit(1);
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

// The top-level windows worth looking at: the root's children (unmanaged
// windows such as the pet, frames, panels without a window manager) and the
// clients a window manager lists.
std::vector<Window> TopLevelWindows(Display* d) {
    std::vector<Window> windows;
    const Window root = DefaultRootWindow(d);
    Window rootReturn = None, parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, root, &rootReturn, &parent, &children, &count) != 0 && children != nullptr) {
        windows.assign(children, children + count);
    }
    if (children != nullptr) XFree(children);
    for (long w : LongProperty(d, root, XInternAtom(d, "_NET_CLIENT_LIST", False), XA_WINDOW,
                               4096)) {
        windows.push_back(static_cast<Window>(w));
    }
    return windows;
}

// Without a work area: the highest top edge of the panels whose struts
// reserve the bottom of the screen across the monitor, or -1.
int32_t StrutBottom(Display* d, const X11Area& monitor) {
    const Atom partial = XInternAtom(d, "_NET_WM_STRUT_PARTIAL", False);
    const Atom plain = XInternAtom(d, "_NET_WM_STRUT", False);
    Window root = None;
    int x = 0, y = 0;
    unsigned int rootWidth = 0, rootHeight = 0, border = 0, depth = 0;
    XGetGeometry(d, DefaultRootWindow(d), &root, &x, &y, &rootWidth, &rootHeight, &border,
                 &depth);
    int32_t best = -1;
    for (Window w : TopLevelWindows(d)) {
        std::vector<long> strut = LongProperty(d, w, partial, XA_CARDINAL, 12);
        long from = monitor.x, to = monitor.x + monitor.width - 1;
        if (strut.size() == 12) {
            from = strut[10];
            to = strut[11];
        } else {
            strut = LongProperty(d, w, plain, XA_CARDINAL, 4);
            if (strut.size() != 4) continue;
        }
        const long bottom = strut[3];
        if (bottom <= 0 || to < monitor.x || from >= monitor.x + monitor.width) continue;
        const auto top = static_cast<int32_t>(static_cast<long>(rootHeight) - bottom);
        if (best < 0 || top < best) best = top;
    }
    return best;
}

}  // namespace

void X11Prepare() {
    std::call_once(Prepared, [] {
        XInitThreads();
        XSetErrorHandler(IgnoreError);
        XSetIOErrorHandler(ConnectionLost);
    });
}

Display* X11OpenOrDie() {
    X11Prepare();
    Display* d = XOpenDisplay(nullptr);
    if (d != nullptr) return d;
    const char* name = XDisplayName(nullptr);
    if (name == nullptr || *name == '\0') {
        std::fprintf(stderr, "%s: cannot open the X display (DISPLAY is not set)\n",
                     program_invocation_short_name);
    } else {
        std::fprintf(stderr, "%s: cannot open the X display \"%s\"\n",
                     program_invocation_short_name, name);
    }
    std::exit(1);
}

void X11DesktopLock() {
    DesktopMutex.lock();
}

void X11DesktopUnlock() {
    DesktopMutex.unlock();
}

Display* X11DesktopDisplay() {
    if (Desktop == nullptr) Desktop = X11OpenOrDie();
    return Desktop;
}

X11Area X11PrimaryMonitor(Display* d) {
    // The root window's size as the server has it now (DisplayWidth keeps
    // the size the connection started with).
    Window root = None;
    int x = 0, y = 0;
    unsigned int width = 0, height = 0, border = 0, depth = 0;
    XGetGeometry(d, DefaultRootWindow(d), &root, &x, &y, &width, &height, &border, &depth);
    X11Area whole{0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};

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

int32_t X11WorkAreaBottom(Display* d, const X11Area& monitor) {
    const Window root = DefaultRootWindow(d);
    const std::vector<long> area =
        LongProperty(d, root, XInternAtom(d, "_NET_WORKAREA", False), XA_CARDINAL, 4 * 64);
    if (area.size() < 4) return StrutBottom(d, monitor);
    const std::vector<long> current =
        LongProperty(d, root, XInternAtom(d, "_NET_CURRENT_DESKTOP", False), XA_CARDINAL, 1);
    size_t desk = current.empty() ? 0 : static_cast<size_t>(current[0]);
    if (desk * 4 + 3 >= area.size()) desk = 0;
    return static_cast<int32_t>(area[desk * 4 + 1] + area[desk * 4 + 3]);
}

void PlatformGetDesktopSize(int32_t& width, int32_t& height) {
    std::lock_guard<std::mutex> hold(DesktopMutex);
    const X11Area monitor = X11PrimaryMonitor(X11DesktopDisplay());
    width = monitor.width;
    height = monitor.height;
}

int32_t PlatformTaskbarTop() {
    // Asked afresh every time: panels come, go and move.
    std::lock_guard<std::mutex> hold(DesktopMutex);
    Display* d = X11DesktopDisplay();
    const X11Area monitor = X11PrimaryMonitor(d);
    const int32_t bottom = X11WorkAreaBottom(d, monitor);
    if (bottom > monitor.y && bottom < monitor.y + monitor.height) return bottom - monitor.y;
    return 0;
}

void PlatformRemoveFromTaskbar(const char* title) {
    std::lock_guard<std::mutex> hold(DesktopMutex);
    Display* d = X11DesktopDisplay();

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
    const Atom state = XInternAtom(d, "_NET_WM_STATE", False);
    const Atom skip[2] = {XInternAtom(d, "_NET_WM_STATE_SKIP_TASKBAR", False),
                          XInternAtom(d, "_NET_WM_STATE_SKIP_PAGER", False)};
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
