// pomfy-xcheck: looks at a window on the X display from outside, for the
// end-to-end tests of the Windows program running under Wine.
//
//   pomfy-xcheck find TITLE [TIMEOUT_MS]     "ID X Y W H" of the viewable window with this title
//   pomfy-xcheck geometry ID                 "X Y W H", absolute
//   pomfy-xcheck wait-at ID X Y [TIMEOUT_MS] waits until the window's corner is at (X, Y)
//   pomfy-xcheck shape ID                    the bounding shape, one line per row, '#' inside
//   pomfy-xcheck input ID                    the input shape, the same way
//   pomfy-xcheck pixels ID                   the window's pixels, RRGGBB, one line per row
//   pomfy-xcheck state ID                    the atoms of _NET_WM_STATE, one per line
//
// Exit status 0 on success, 1 when the window is not found or a wait runs out,
// 2 on a usage error.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

Display* display = nullptr;

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

std::string WindowTitle(Window w) {
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, w, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr && type == utf8) {
        title.assign(reinterpret_cast<char*>(data), count);
    }
    if (data != nullptr) XFree(data);
    if (title.empty()) {
        char* name = nullptr;
        if (XFetchName(display, w, &name) && name != nullptr) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

bool Viewable(Window w) {
    XWindowAttributes a;
    return XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable;
}

Window Search(Window w, const std::string& title, int depth) {
    if (WindowTitle(w) == title && Viewable(w)) return w;
    if (depth > 3) return None;
    Window root = None, parent = None, *children = nullptr;
    unsigned int n = 0;
    Window found = None;
    if (XQueryTree(display, w, &root, &parent, &children, &n)) {
        for (unsigned int i = n; i-- > 0 && found == None;) found = Search(children[i], title, depth + 1);
        if (children != nullptr) XFree(children);
    }
    return found;
}

bool Geometry(Window w, int& x, int& y, int& width, int& height) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(display, w, &a)) return false;
    Window child = None;
    if (!XTranslateCoordinates(display, w, DefaultRootWindow(display), 0, 0, &x, &y, &child))
        return false;
    width = a.width;
    height = a.height;
    return true;
}

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int PrintShape(Window w, int kind) {
    int x, y, width, height;
    if (!Geometry(w, x, y, width, height)) return 1;
    int bounding = 0, clip = 0;
    int bx, by, cx, cy;
    unsigned int bw, bh, cw, ch;
    XShapeQueryExtents(display, w, &bounding, &bx, &by, &bw, &bh, &clip, &cx, &cy, &cw, &ch);
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(display, w, kind, &count, &ordering);
    std::vector<std::string> map(height, std::string(width, '.'));
    for (int i = 0; i < count; ++i) {
        for (int ry = rects[i].y; ry < rects[i].y + rects[i].height; ++ry) {
            for (int rx = rects[i].x; rx < rects[i].x + rects[i].width; ++rx) {
                if (rx >= 0 && ry >= 0 && rx < width && ry < height) map[ry][rx] = '#';
            }
        }
    }
    if (rects != nullptr) XFree(rects);
    for (const std::string& row : map) std::printf("%s\n", row.c_str());
    return 0;
}

int PrintPixels(Window w) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(display, w, &a)) return 1;
    XImage* image = XGetImage(display, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (image == nullptr) return 1;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            std::printf("%s%06lX", x ? " " : "", XGetPixel(image, x, y) & 0xFFFFFFul);
        }
        std::printf("\n");
    }
    XDestroyImage(image);
    return 0;
}

int PrintState(Window w) {
    Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, w, state, 0, 64, False, XA_ATOM, &type, &format, &count, &after,
                           &data) != Success)
        return 1;
    Atom* atoms = reinterpret_cast<Atom*>(data);
    for (unsigned long i = 0; i < count; ++i) {
        char* name = XGetAtomName(display, atoms[i]);
        if (name != nullptr) {
            std::printf("%s\n", name);
            XFree(name);
        }
    }
    if (data != nullptr) XFree(data);
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: pomfy-xcheck find TITLE [MS] | geometry ID | wait-at ID X Y [MS] | "
                         "shape ID | input ID | pixels ID | state ID\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "pomfy-xcheck: cannot open the X display\n");
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);
    std::string command = argv[1];
    if (command == "find") {
        int64_t deadline = NowMs() + (argc > 3 ? std::atoi(argv[3]) : 0);
        for (;;) {
            Window w = Search(DefaultRootWindow(display), argv[2], 0);
            int x, y, width, height;
            if (w != None && Geometry(w, x, y, width, height)) {
                std::printf("%lu %d %d %d %d\n", w, x, y, width, height);
                return 0;
            }
            if (NowMs() >= deadline) return 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    Window w = std::strtoul(argv[2], nullptr, 0);
    if (command == "geometry") {
        int x, y, width, height;
        if (!Geometry(w, x, y, width, height)) return 1;
        std::printf("%d %d %d %d\n", x, y, width, height);
        return 0;
    }
    if (command == "wait-at") {
        if (argc < 5) return Usage();
        int wantX = std::atoi(argv[3]), wantY = std::atoi(argv[4]);
        int64_t deadline = NowMs() + (argc > 5 ? std::atoi(argv[5]) : 0);
        for (;;) {
            int x, y, width, height;
            bool known = Geometry(w, x, y, width, height);
            if (known && x == wantX && y == wantY) {
                std::printf("%d %d\n", x, y);
                return 0;
            }
            if (NowMs() >= deadline) {
                if (known) std::printf("%d %d\n", x, y);
                return 1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    if (command == "shape") return PrintShape(w, ShapeBounding);
    if (command == "input") return PrintShape(w, ShapeInput);
    if (command == "pixels") return PrintPixels(w);
    if (command == "state") return PrintState(w);
    return Usage();
}
