#include "xclient.h"

#include <X11/Xatom.h>
#include <X11/extensions/shape.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

Display* OpenCheckingDisplay(const char* program) {
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) {
        const char* name = std::getenv("DISPLAY");
        std::fprintf(stderr, "%s: cannot open display %s\n", program,
                     name != nullptr ? name : "(DISPLAY not set)");
        return nullptr;
    }
    XSetErrorHandler(IgnoreErrors);
    return d;
}

double NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

std::string TextProperty(Display* d, Window w, const char* property) {
    std::string text;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, XInternAtom(d, property, False), 0, 1024, False,
                           AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
        data != nullptr && format == 8) {
        text.assign(reinterpret_cast<const char*>(data), count);
    }
    if (data != nullptr) XFree(data);
    return text;
}

std::vector<Atom> AtomProperty(Display* d, Window w, const char* property) {
    std::vector<Atom> atoms;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, XInternAtom(d, property, False), 0, 64, False, XA_ATOM, &type,
                           &format, &count, &after, &data) == Success &&
        data != nullptr && format == 32) {
        const long* items = reinterpret_cast<const long*>(data);
        for (unsigned long i = 0; i < count; ++i) atoms.push_back(static_cast<Atom>(items[i]));
    }
    if (data != nullptr) XFree(data);
    return atoms;
}

std::string WindowTitle(Display* d, Window w) {
    std::string title = TextProperty(d, w, "_NET_WM_NAME");
    if (title.empty()) {
        char* name = nullptr;
        if (XFetchName(d, w, &name) != 0 && name != nullptr) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

namespace {

bool Matches(Display* d, Window w, const std::string& title, Mapped mapped) {
    if (WindowTitle(d, w) != title) return false;
    if (mapped == Mapped::Any) return true;
    XWindowAttributes a{};
    return XGetWindowAttributes(d, w, &a) != 0 && a.map_state == IsViewable;
}

// Among w's children (topmost first), and below them down to `below` levels.
Window Search(Display* d, Window w, const std::string& title, Mapped mapped, int below) {
    Window root = None, parent = None, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &count) == 0) return None;
    Window found = None;
    for (unsigned int i = count; i-- > 0 && found == None;) {
        if (Matches(d, children[i], title, mapped)) {
            found = children[i];
        } else if (below > 0) {
            found = Search(d, children[i], title, mapped, below - 1);
        }
    }
    if (children != nullptr) XFree(children);
    return found;
}

}  // namespace

Window FindByTitle(Display* d, const std::string& title, Mapped mapped, int below) {
    return Search(d, DefaultRootWindow(d), title, mapped, below);
}

bool RootGeometry(Display* d, Window w, WindowBox& box) {
    XWindowAttributes a{};
    if (XGetWindowAttributes(d, w, &a) == 0) return false;
    Window child = None;
    if (XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &box.x, &box.y, &child) == 0) {
        return false;
    }
    box.width = a.width;
    box.height = a.height;
    return true;
}

void RootPosition(Display* d, Window w, int& x, int& y) {
    Window child = None;
    x = y = -99999;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x, &y, &child);
}

std::vector<bool> ShapeCover(Display* d, Window w, int kind, int width, int height) {
    std::vector<bool> cover(static_cast<size_t>(width) * height, false);
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(d, w, kind, &count, &ordering);
    for (int i = 0; i < count; ++i) {
        for (int y = rects[i].y; y < rects[i].y + rects[i].height; ++y) {
            for (int x = rects[i].x; x < rects[i].x + rects[i].width; ++x) {
                if (x >= 0 && x < width && y >= 0 && y < height) cover[y * width + x] = true;
            }
        }
    }
    if (rects != nullptr) XFree(rects);
    return cover;
}

bool SendCloseRequest(Display* d, Window w) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(d, w, False, NoEventMask, &e) != 0;
    XFlush(d);
    return sent;
}
