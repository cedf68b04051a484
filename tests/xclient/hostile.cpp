// pomfy-xhostile: a desktop client that is buggy, restarts or lies, for the
// tests of the bar. It reads commands from standard input, one a line, carries
// each out on its one connection and answers "ok" once the server has it (or
// "error ..." on a line it cannot read):
//
//   dock N X Y W H [B [FROM TO]]  map a dock window N at X,Y (W x H) that
//                                 reserves B rows of the root's bottom in the
//                                 columns FROM..TO (unsigned; default the
//                                 window's own); no strut when B is 0. A window
//                                 N that was destroyed comes back with its old id
//   plain N X Y W H               the same window without type or strut
//   make-dock N                   gives window N the dock type now
//   strut N B FROM TO             its bottom reservation changes
//   move N X Y W H
//   destroy N
//   wm                            a window manager's check window that names
//                                 itself, and nothing else of a window manager
//   root NAME V,V,...             a root property of CARDINAL items (unsigned)
//   clients N                     N unmapped windows, all in _NET_CLIENT_LIST
//   list-root                     _NET_CLIENT_LIST names the root window too
//   flood NAME HZ SECONDS         rewrites the root property NAME (4 items) HZ
//                                 times a second, alternating two values
//   churn HZ SECONDS              maps a new window HZ times a second and
//                                 destroys each a tenth of a second later
//                                 (tooltips, menus, notices)
//   noise SECONDS                 rewrites a property of a window of its own
//                                 as fast as the server takes it
#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "xclient.h"

namespace {

struct Hostile {
    Display* d = nullptr;
    xcb_connection_t* c = nullptr;
    Window root = None;
    std::map<int, Window> windows;  // kept after destruction, for the id's reuse

    Atom Intern(const char* name) { return XInternAtom(d, name, False); }

    void SetCardinals(Window w, const char* name, const std::vector<unsigned long>& items) {
        std::vector<long> values(items.begin(), items.end());
        XChangeProperty(d, w, Intern(name), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(values.data()),
                        static_cast<int>(values.size()));
    }

    void Strut(Window w, unsigned long rows, unsigned long from, unsigned long to) {
        SetCardinals(w, "_NET_WM_STRUT_PARTIAL", {0, 0, 0, rows, 0, 0, 0, 0, 0, 0, from, to});
    }

    // A window with id N's id: new, or the one it had before it was destroyed.
    Window Create(int n, int x, int y, int w, int h) {
        auto found = windows.find(n);
        const xcb_window_t id = found != windows.end() ? static_cast<xcb_window_t>(found->second)
                                                       : xcb_generate_id(c);
        const uint32_t values[] = {0x303040};  // a dark grey on a 24-bit visual
        xcb_create_window(c, XCB_COPY_FROM_PARENT, id, static_cast<xcb_window_t>(root),
                          static_cast<int16_t>(x), static_cast<int16_t>(y),
                          static_cast<uint16_t>(w), static_cast<uint16_t>(h), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL,
                          values);
        xcb_flush(c);
        windows[n] = id;
        return id;
    }

    void MakeDock(Window w) {
        const Atom dock = Intern("_NET_WM_WINDOW_TYPE_DOCK");
        XChangeProperty(d, w, Intern("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&dock), 1);
    }

    // Does one step HZ times a second for SECONDS, counting the steps.
    template <typename Step>
    void Paced(double hz, double seconds, Step step) {
        const auto period = std::chrono::duration<double>(1.0 / hz);
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        auto next = std::chrono::steady_clock::now();
        for (unsigned long i = 0; std::chrono::steady_clock::now() < end; ++i) {
            step(i);
            next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
            std::this_thread::sleep_until(next);
        }
    }

    std::string Run(const std::string& line);
};

std::vector<unsigned long> Items(const std::string& list) {
    std::vector<unsigned long> items;
    std::stringstream in(list);
    std::string item;
    while (std::getline(in, item, ',')) items.push_back(std::strtoul(item.c_str(), nullptr, 0));
    return items;
}

std::string Hostile::Run(const std::string& line) {
    std::istringstream in(line);
    std::string what;
    in >> what;
    int n = 0, x = 0, y = 0, w = 0, h = 0;
    if (what == "dock" || what == "plain") {
        if (!(in >> n >> x >> y >> w >> h)) return "error: want N X Y W H";
        unsigned long rows = 0, from = static_cast<unsigned long>(x),
                      to = static_cast<unsigned long>(x + w - 1);
        in >> rows >> from >> to;
        const Window id = Create(n, x, y, w, h);
        if (what == "dock") {
            MakeDock(id);
            if (rows > 0) Strut(id, rows, from, to);
        }
        XMapWindow(d, id);
    } else if (what == "make-dock" && in >> n && windows.count(n)) {
        MakeDock(windows[n]);
    } else if (what == "strut" && in >> n && windows.count(n)) {
        unsigned long rows = 0, from = 0, to = 0;
        if (!(in >> rows >> from >> to)) return "error: want N B FROM TO";
        Strut(windows[n], rows, from, to);
    } else if (what == "move" && in >> n >> x >> y >> w >> h && windows.count(n)) {
        XMoveResizeWindow(d, windows[n], x, y, static_cast<unsigned>(w), static_cast<unsigned>(h));
    } else if (what == "destroy" && in >> n && windows.count(n)) {
        XDestroyWindow(d, windows[n]);
    } else if (what == "wm") {
        Window check = XCreateSimpleWindow(d, root, -10, -10, 1, 1, 0, 0, 0);
        const long id = static_cast<long>(check);
        const Atom a = Intern("_NET_SUPPORTING_WM_CHECK");
        for (Window on : {check, root}) {
            XChangeProperty(d, on, a, XA_WINDOW, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&id), 1);
        }
    } else if (what == "root") {
        std::string name, list;
        if (!(in >> name >> list)) return "error: want NAME V,V,...";
        SetCardinals(root, name.c_str(), Items(list));
    } else if (what == "clients" && in >> n) {
        std::vector<long> ids;
        for (int i = 0; i < n; ++i) {
            ids.push_back(static_cast<long>(XCreateWindow(d, root, 0, 0, 1, 1, 0, 0, InputOnly,
                                                          CopyFromParent, 0, nullptr)));
        }
        XChangeProperty(d, root, Intern("_NET_CLIENT_LIST"), XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(ids.data()),
                        static_cast<int>(ids.size()));
    } else if (what == "list-root") {
        std::vector<long> ids = {static_cast<long>(root)};
        for (const auto& [number, id] : windows) ids.push_back(static_cast<long>(id));
        XChangeProperty(d, root, Intern("_NET_CLIENT_LIST"), XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(ids.data()),
                        static_cast<int>(ids.size()));
    } else if (what == "churn") {
        double hz = 0, seconds = 0;
        if (!(in >> hz >> seconds) || hz <= 0) return "error: want HZ SECONDS";
        // Each lives for a tenth of a second, long enough to be listed
        // and gone before the pet has read it.
        std::deque<xcb_window_t> alive;
        const size_t lifetime = static_cast<size_t>(hz / 10) + 1;
        Paced(hz, seconds, [this, &alive, lifetime](unsigned long) {
            const xcb_window_t id = xcb_generate_id(c);
            xcb_create_window(c, XCB_COPY_FROM_PARENT, id, static_cast<xcb_window_t>(root), 0, 0,
                              20, 20, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0,
                              nullptr);
            xcb_map_window(c, id);
            alive.push_back(id);
            if (alive.size() > lifetime) {
                xcb_destroy_window(c, alive.front());
                alive.pop_front();
            }
            xcb_flush(c);
        });
        for (xcb_window_t id : alive) xcb_destroy_window(c, id);
    } else if (what == "noise") {
        double seconds = 0;
        if (!(in >> seconds)) return "error: want SECONDS";
        const Window w = Create(-1, 0, 0, 10, 10);
        XMapWindow(d, w);
        const Atom noise = Intern("_POMFY_NOISE");
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        for (unsigned long i = 0; std::chrono::steady_clock::now() < end; ++i) {
            // A round trip now and then keeps this client's own queue short.
            for (int k = 0; k < 256; ++k) {
                const long value = static_cast<long>(i * 256 + k);
                XChangeProperty(d, w, noise, XA_CARDINAL, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(&value), 1);
            }
            XSync(d, False);
        }
    } else if (what == "flood") {
        std::string name;
        double hz = 0, seconds = 0;
        if (!(in >> name >> hz >> seconds) || hz <= 0) return "error: want NAME HZ SECONDS";
        Paced(hz, seconds, [this, &name](unsigned long i) {
            SetCardinals(root, name.c_str(), {0, 0, 1024, 700 + (i & 1)});
            XFlush(d);
        });
    } else {
        return "error: cannot read \"" + line + "\"";
    }
    XSync(d, False);
    return "ok";
}

}  // namespace

int main() {
    Hostile h;
    h.d = OpenCheckingDisplay("pomfy-xhostile");
    if (h.d == nullptr) return 1;
    h.c = XGetXCBConnection(h.d);
    h.root = DefaultRootWindow(h.d);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.empty()) continue;
        std::cout << h.Run(line) << std::endl;
    }
    XCloseDisplay(h.d);
    return 0;
}
