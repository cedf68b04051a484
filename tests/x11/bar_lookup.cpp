// pomfy-x11-bar-lookup [N]: how long one bar lookup (GetTaskbarTop) takes
// once the desktop has changed. A second connection rewrites the root's
// _NET_WORKAREA N times (default 40), 20 ms apart, and each change is
// followed by one lookup; prints the median and the longest in ms. For
// scripts/bench-bar-x11, on a desktop whose windows it sets up.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "window.h"

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) {
        std::fprintf(stderr, "pomfy-x11-bar-lookup: cannot open the display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(d);
    const Atom workArea = XInternAtom(d, "_NET_WORKAREA", False);
    const long width = DisplayWidth(d, DefaultScreen(d));
    const long height = DisplayHeight(d, DefaultScreen(d));
    GetTaskbarTop();  // the first look also connects
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        const long area[4] = {0, 0, width, height - 30 - (i & 1)};
        XChangeProperty(d, root, workArea, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(area), 4);
        XSync(d, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const auto start = std::chrono::steady_clock::now();
        GetTaskbarTop();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        ms.push_back(took.count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%d lookups: median %.3f ms, longest %.3f ms\n", count, ms[ms.size() / 2],
                ms.back());
    XCloseDisplay(d);
    return 0;
}
