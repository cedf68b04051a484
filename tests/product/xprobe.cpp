// pomfy-xprobe: looks at the pet's window from a separate X client, and pokes
// at it the way a person or a desktop would. The product tests and the
// benchmark script use it.
//
//   pomfy-xprobe find [--timeout S]            wait for the mapped window titled
//                                              "Pomfy"; prints "ID X Y W H"
//                                              and "unmanaged" or "framed"
//   pomfy-xprobe gone [--timeout S]            wait until no such window is mapped
//   pomfy-xprobe wait-y Y [--timeout S]        wait until the window's top is at Y
//   pomfy-xprobe wait-move [--timeout S]       wait until the window moves
//   pomfy-xprobe close [N] [--interval MS] [--window ID]
//                                              send N close requests (WM_DELETE_WINDOW)
//                                              to the pet, or to window ID
//   pomfy-xprobe keys N [--interval MS] [--key KEYSYM] [--focus]
//                                              type N keys with XTEST (--focus gives
//                                              the window the keyboard focus first)
//   pomfy-xprobe moves [--timeout S] -- CMD... run CMD, print "T X Y" (T in ms of
//                                              CLOCK_MONOTONIC) for every move of the
//                                              window, then "exit STATUS"
//   pomfy-xprobe blocks N                      whether the window's bounding and input
//                                              shapes are made of whole N x N blocks
//                                              from its corner, and not empty
//   pomfy-xprobe panel X Y W H                 a plain dock window at X,Y (root) that
//                                              reserves its strip of the top edge (Y = 0)
//                                              or the bottom one; prints its id, then
//                                              stays until it is ended
//
// Exit status: 0 done, 1 timed out or failed, 2 bad usage.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "xclient.h"

namespace {

const char* const PetTitle = "Pomfy";

void Pause(double ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long>(ms * 1000)));
}

struct Probe {
    Display* dpy = nullptr;
    Window root = 0;

    bool Open() {
        dpy = OpenCheckingDisplay("pomfy-xprobe");
        if (!dpy) return false;
        root = DefaultRootWindow(dpy);
        return true;
    }

    std::string Title(Window w) { return WindowTitle(dpy, w); }

    // The viewable window titled "Pomfy": a child of the root (the pet's
    // window is not managed) or, should a window manager have framed it, a
    // child of such a frame.
    Window Find() { return FindByTitle(dpy, PetTitle, Mapped::ViewableOnly, 1); }

    // Whether the window is a direct child of the root: no window manager
    // has put a frame around it.
    bool IsTopLevel(Window w) {
        Window r = 0, parent = 0, *kids = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(dpy, w, &r, &parent, &kids, &n)) return false;
        if (kids) XFree(kids);
        return parent == root;
    }
};

struct Args {
    std::vector<std::string> words;
    double timeoutS = 10;
    double intervalMs = 0;
    std::string key = "space";
    bool focus = false;
    Window window = 0;  // another window than the pet's
    std::vector<char*> command;
};

bool ParseArgs(int argc, char** argv, Args& a) {
    for (int i = 2; i < argc; ++i) {
        std::string s = argv[i];
        auto value = [&](double& v) {
            if (i + 1 >= argc) return false;
            char* end = nullptr;
            v = std::strtod(argv[++i], &end);
            return end && *end == 0;
        };
        if (s == "--timeout") {
            if (!value(a.timeoutS)) return false;
        } else if (s == "--interval") {
            if (!value(a.intervalMs)) return false;
        } else if (s == "--key") {
            if (i + 1 >= argc) return false;
            a.key = argv[++i];
        } else if (s == "--window") {
            if (i + 1 >= argc) return false;
            a.window = std::strtoul(argv[++i], nullptr, 0);
        } else if (s == "--focus") {
            a.focus = true;
        } else if (s == "--") {
            for (++i; i < argc; ++i) a.command.push_back(argv[i]);
            a.command.push_back(nullptr);
        } else {
            a.words.push_back(s);
        }
    }
    return true;
}

int Find(Probe& p, const Args& a) {
    double until = NowMs() + a.timeoutS * 1000;
    do {
        if (Window w = p.Find()) {
            if (WindowBox box; RootGeometry(p.dpy, w, box)) {
                std::printf("0x%lx %d %d %d %d %s\n", w, box.x, box.y, box.width, box.height,
                            p.IsTopLevel(w) ? "unmanaged" : "framed");
                return 0;
            }
        }
        Pause(50);
    } while (NowMs() < until);
    std::fprintf(stderr, "pomfy-xprobe: no window titled \"%s\" after %g s\n", PetTitle, a.timeoutS);
    return 1;
}

int Gone(Probe& p, const Args& a) {
    double until = NowMs() + a.timeoutS * 1000;
    do {
        if (!p.Find()) return 0;
        Pause(50);
    } while (NowMs() < until);
    std::fprintf(stderr, "pomfy-xprobe: the window is still there after %g s\n", a.timeoutS);
    return 1;
}

int WaitY(Probe& p, const Args& a) {
    if (a.words.size() != 1) return 2;
    int want = std::atoi(a.words[0].c_str());
    double until = NowMs() + a.timeoutS * 1000;
    WindowBox box;
    bool seen = false;
    do {
        if (Window w = p.Find(); w && RootGeometry(p.dpy, w, box)) {
            seen = true;
            if (box.y == want) {
                std::printf("%d %d\n", box.x, box.y);
                return 0;
            }
        }
        Pause(20);
    } while (NowMs() < until);
    if (seen)
        std::fprintf(stderr, "pomfy-xprobe: window at y = %d, not %d, after %g s\n", box.y, want, a.timeoutS);
    else
        std::fprintf(stderr, "pomfy-xprobe: no window after %g s\n", a.timeoutS);
    return 1;
}

int WaitMove(Probe& p, const Args& a) {
    double until = NowMs() + a.timeoutS * 1000;
    WindowBox start, now;
    Window w = p.Find();
    if (!w || !RootGeometry(p.dpy, w, start)) {
        std::fprintf(stderr, "pomfy-xprobe: no window\n");
        return 1;
    }
    do {
        Pause(20);
        if (RootGeometry(p.dpy, w, now) && (now.x != start.x || now.y != start.y)) {
            std::printf("%d %d -> %d %d\n", start.x, start.y, now.x, now.y);
            return 0;
        }
    } while (NowMs() < until);
    std::fprintf(stderr, "pomfy-xprobe: the window stayed at %d %d for %g s\n", start.x, start.y, a.timeoutS);
    return 1;
}

int Close(Probe& p, const Args& a) {
    int n = a.words.empty() ? 1 : std::atoi(a.words[0].c_str());
    Window w = a.window != 0 ? a.window : p.Find();
    if (!w) {
        std::fprintf(stderr, "pomfy-xprobe: no window to close\n");
        return 1;
    }
    for (int i = 0; i < n; ++i) {
        SendCloseRequest(p.dpy, w);
        Pause(a.intervalMs);
    }
    XSync(p.dpy, False);
    return 0;
}

int Keys(Probe& p, const Args& a) {
    if (a.words.size() != 1) return 2;
    long n = std::atol(a.words[0].c_str());
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(p.dpy, &event, &error, &major, &minor)) {
        std::fprintf(stderr, "pomfy-xprobe: no XTEST extension\n");
        return 1;
    }
    KeySym sym = XStringToKeysym(a.key.c_str());
    KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(p.dpy, sym);
    if (!code) {
        std::fprintf(stderr, "pomfy-xprobe: no key for \"%s\"\n", a.key.c_str());
        return 1;
    }
    Window w = a.focus ? p.Find() : 0;
    if (a.focus && !w) {
        std::fprintf(stderr, "pomfy-xprobe: no window to type into\n");
        return 1;
    }
    for (long i = 0; i < n; ++i) {
        // Slow typing focuses the window before every key: a window manager
        // that comes or goes may have moved the focus meanwhile.
        if (w && (i == 0 || a.intervalMs > 0)) {
            XSetInputFocus(p.dpy, w, RevertToParent, CurrentTime);
            XSync(p.dpy, False);
        }
        XTestFakeKeyEvent(p.dpy, code, True, CurrentTime);
        XTestFakeKeyEvent(p.dpy, code, False, CurrentTime);
        if (a.intervalMs > 0) {
            XFlush(p.dpy);
            Pause(a.intervalMs);
        } else if (i % 64 == 63) {
            XSync(p.dpy, False);  // keep the request queue from growing without bound
        }
    }
    XSync(p.dpy, False);
    return 0;
}

// Runs a command and reports every move of the pet's window. Structure
// notifications of the root's children tell about windows that no window
// manager handles, as the pet's is; the window is found by its title as
// soon as it is created or named.
int Moves(Probe& p, const Args& a) {
    if (a.command.size() < 2) return 2;
    XSelectInput(p.dpy, p.root, SubstructureNotifyMask);
    XSync(p.dpy, False);
    pid_t child = fork();
    if (child < 0) return 1;
    if (child == 0) {
        close(ConnectionNumber(p.dpy));
        execvp(a.command[0], a.command.data());
        std::fprintf(stderr, "pomfy-xprobe: cannot run %s: %s\n", a.command[0], std::strerror(errno));
        _exit(127);
    }
    Window pet = 0;
    int lastX = INT32_MIN, lastY = INT32_MIN;
    double until = NowMs() + a.timeoutS * 1000;
    int status = 0;
    bool exited = false;
    int fd = ConnectionNumber(p.dpy);
    while (!exited) {
        while (XPending(p.dpy)) {
            XEvent e;
            XNextEvent(p.dpy, &e);
            double t = NowMs();
            if (e.type == CreateNotify) {
                XSelectInput(p.dpy, e.xcreatewindow.window, PropertyChangeMask);
            } else if (e.type == PropertyNotify && !pet) {
                if (p.Title(e.xproperty.window) == PetTitle) pet = e.xproperty.window;
            } else if (e.type == ConfigureNotify) {
                Window w = e.xconfigure.window;
                if (!pet && p.Title(w) == PetTitle) pet = w;
                if (w == pet && (e.xconfigure.x != lastX || e.xconfigure.y != lastY)) {
                    lastX = e.xconfigure.x;
                    lastY = e.xconfigure.y;
                    std::printf("%.3f %d %d\n", t, lastX, lastY);
                }
            }
        }
        pid_t r = waitpid(child, &status, WNOHANG);
        if (r == child) {
            exited = true;
            break;
        }
        if (NowMs() > until) {
            std::fprintf(stderr, "pomfy-xprobe: %s still running after %g s; stopped\n", a.command[0],
                         a.timeoutS);
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            std::printf("exit timeout\n");
            return 1;
        }
        fd_set in;
        FD_ZERO(&in);
        FD_SET(fd, &in);
        timeval tv{0, 5000};
        select(fd + 1, &in, nullptr, nullptr, &tv);
    }
    if (WIFEXITED(status))
        std::printf("exit %d\n", WEXITSTATUS(status));
    else
        std::printf("exit signal %d\n", WTERMSIG(status));
    std::fflush(stdout);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}

// A panel as simple as they come: a dock window with struts for its strip
// along the top or the bottom of the root, and nothing in it.
int Panel(Probe& p, const Args& a) {
    if (a.words.size() != 4) return 2;
    const int x = std::atoi(a.words[0].c_str()), y = std::atoi(a.words[1].c_str());
    const int w = std::atoi(a.words[2].c_str()), h = std::atoi(a.words[3].c_str());
    const int rootHeight = DisplayHeight(p.dpy, DefaultScreen(p.dpy));
    Window panel = XCreateSimpleWindow(p.dpy, p.root, x, y, w, h, 0, 0, 0x303040);
    XStoreName(p.dpy, panel, "pomfy-test-panel");
    Atom dock = XInternAtom(p.dpy, "_NET_WM_WINDOW_TYPE_DOCK", False);
    XChangeProperty(p.dpy, panel, XInternAtom(p.dpy, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&dock), 1);
    long strut[12] = {};
    if (y == 0) {
        strut[2] = h;
        strut[8] = x;
        strut[9] = x + w - 1;
    } else {
        strut[3] = rootHeight - y;
        strut[10] = x;
        strut[11] = x + w - 1;
    }
    XChangeProperty(p.dpy, panel, XInternAtom(p.dpy, "_NET_WM_STRUT_PARTIAL", False), XA_CARDINAL,
                    32, PropModeReplace, reinterpret_cast<unsigned char*>(strut), 12);
    XChangeProperty(p.dpy, panel, XInternAtom(p.dpy, "_NET_WM_STRUT", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(strut), 4);
    XMapWindow(p.dpy, panel);
    XSync(p.dpy, False);
    std::printf("0x%lx\n", panel);
    std::fflush(stdout);
    for (;;) {
        XEvent e;
        XNextEvent(p.dpy, &e);  // until the program is ended
    }
}

int Blocks(Probe& p, const Args& a) {
    if (a.words.size() != 1) return 2;
    const int n = std::atoi(a.words[0].c_str());
    WindowBox box;
    const Window w = p.Find();
    if (n <= 0 || !w || !RootGeometry(p.dpy, w, box)) return 1;
    for (const int kind : {ShapeBounding, ShapeInput}) {
        const std::vector<bool> cover = ShapeCover(p.dpy, w, kind, box.width, box.height);
        bool any = false;
        for (int y = 0; y < box.height; ++y) {
            for (int x = 0; x < box.width; ++x) {
                any = any || cover[y * box.width + x];
                if (cover[y * box.width + x] == cover[(y - y % n) * box.width + x - x % n]) continue;
                std::fprintf(stderr, "pomfy-xprobe: shape %d: pixel %d,%d differs from its block's corner\n",
                             kind, x, y);
                return 1;
            }
        }
        if (!any) {
            std::fprintf(stderr, "pomfy-xprobe: shape %d is empty\n", kind);
            return 1;
        }
    }
    std::printf("%dx%d in %dx%d blocks\n", box.width, box.height, n, n);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: pomfy-xprobe find|gone|wait-y|wait-move|close|keys|moves|blocks|panel "
                     "[options]\n");
        return 2;
    }
    std::string what = argv[1];
    Args a;
    if (!ParseArgs(argc, argv, a)) {
        std::fprintf(stderr, "pomfy-xprobe: bad options\n");
        return 2;
    }
    Probe p;
    if (!p.Open()) return 1;
    setvbuf(stdout, nullptr, _IOLBF, 0);
    int r = 2;
    if (what == "find") r = Find(p, a);
    else if (what == "gone") r = Gone(p, a);
    else if (what == "wait-y") r = WaitY(p, a);
    else if (what == "wait-move") r = WaitMove(p, a);
    else if (what == "close") r = Close(p, a);
    else if (what == "keys") r = Keys(p, a);
    else if (what == "moves") r = Moves(p, a);
    else if (what == "blocks") r = Blocks(p, a);
    else if (what == "panel") r = Panel(p, a);
    if (r == 2) std::fprintf(stderr, "pomfy-xprobe: bad usage of \"%s\"\n", what.c_str());
    XCloseDisplay(p.dpy);
    return r;
}
