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
//   pomfy-xcheck close ID                    sends the window a WM_DELETE_WINDOW request
//
// Exit status 0 on success, 1 when the window is not found or a wait runs out,
// 2 on a usage error.
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

#include "xclient.h"

namespace {

Display* display = nullptr;

int PrintShape(Window w, int kind) {
    WindowBox box;
    if (!RootGeometry(display, w, box)) return 1;
    const std::vector<bool> cover = ShapeCover(display, w, kind, box.width, box.height);
    for (int y = 0; y < box.height; ++y) {
        for (int x = 0; x < box.width; ++x) std::putchar(cover[y * box.width + x] ? '#' : '.');
        std::putchar('\n');
    }
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
    XWindowAttributes a;
    if (!XGetWindowAttributes(display, w, &a)) return 1;
    for (Atom atom : AtomProperty(display, w, "_NET_WM_STATE")) {
        char* name = XGetAtomName(display, atom);
        if (name != nullptr) {
            std::printf("%s\n", name);
            XFree(name);
        }
    }
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: pomfy-xcheck find TITLE [MS] | geometry ID | wait-at ID X Y [MS] | "
                         "shape ID | input ID | pixels ID | state ID | close ID\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    display = OpenCheckingDisplay("pomfy-xcheck");
    if (display == nullptr) return 2;
    std::string command = argv[1];
    if (command == "find") {
        const double deadline = NowMs() + (argc > 3 ? std::atoi(argv[3]) : 0);
        for (;;) {
            // Wine may put a window inside one of its own.
            Window w = FindByTitle(display, argv[2], Mapped::ViewableOnly, 3);
            WindowBox box;
            if (w != None && RootGeometry(display, w, box)) {
                std::printf("%lu %d %d %d %d\n", w, box.x, box.y, box.width, box.height);
                return 0;
            }
            if (NowMs() >= deadline) return 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    Window w = std::strtoul(argv[2], nullptr, 0);
    if (command == "geometry") {
        WindowBox box;
        if (!RootGeometry(display, w, box)) return 1;
        std::printf("%d %d %d %d\n", box.x, box.y, box.width, box.height);
        return 0;
    }
    if (command == "wait-at") {
        if (argc < 5) return Usage();
        int wantX = std::atoi(argv[3]), wantY = std::atoi(argv[4]);
        const double deadline = NowMs() + (argc > 5 ? std::atoi(argv[5]) : 0);
        for (;;) {
            WindowBox box;
            const bool known = RootGeometry(display, w, box);
            if (known && box.x == wantX && box.y == wantY) {
                std::printf("%d %d\n", box.x, box.y);
                return 0;
            }
            if (NowMs() >= deadline) {
                if (known) std::printf("%d %d\n", box.x, box.y);
                return 1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    if (command == "shape") return PrintShape(w, ShapeBounding);
    if (command == "input") return PrintShape(w, ShapeInput);
    if (command == "pixels") return PrintPixels(w);
    if (command == "state") return PrintState(w);
    if (command == "close") return SendCloseRequest(display, w) ? 0 : 1;
    return Usage();
}
