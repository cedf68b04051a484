// Connections to the X server and what becomes of Xlib's errors, for both
// of the backend's connections: the window thread's and the desktop's.
#include <X11/Xproto.h>
#include <signal.h>

#include <atomic>
#include <mutex>
#include <string>

#include "platform.h"
#include "x11_internal.h"

namespace {

// Which errors end the program (see X11TrapErrors). Written by the window
// thread, read by the error handler on whichever thread reads an error.
struct ErrorTrap {
    std::atomic<Display*> display{nullptr};
    std::atomic<X11Fault*> fault{nullptr};
    std::atomic<int> shapeOpcode{-1};
    std::atomic<bool> all{false};
};

ErrorTrap Trap;
std::once_flag Prepared;
std::atomic<Window> PetWindowId{None};

bool IsFatal(const XErrorEvent* e, int shapeOpcode, bool all) {
    if (all) return true;
    return e->request_code == X_CreateWindow || e->request_code == X_MapWindow ||
           e->request_code == X_SetInputFocus || e->request_code == X_PutImage ||
           (shapeOpcode > 0 && e->request_code == shapeOpcode);
}

// Errors of the window thread's connection that it traps are recorded for
// it to report; every other error is not worth ending the program for (a
// window found by its title that has gone since); Xlib's default handler
// would end it.
int OnError(Display* d, XErrorEvent* e) {
    if (d != Trap.display.load()) return 0;
    X11Fault* fault = Trap.fault.load();
    if (fault == nullptr || fault->happened) return 0;
    if (!IsFatal(e, Trap.shapeOpcode.load(), Trap.all.load())) return 0;
    // Focus given to a window that another client has just unmapped: the
    // click that asked for it came before the unmapping.
    if (e->request_code == X_SetInputFocus && e->error_code == BadMatch && !Trap.all.load()) return 0;
    fault->happened = true;
    fault->request = e->request_code;
    fault->code = e->error_code;
    return 0;
}

// The server has gone or the connection broke; Xlib ends the program if this
// returns.
int ConnectionLost(Display*) {
    FatalError("lost the connection to the X display");
}

}  // namespace

void X11Prepare() {
    std::call_once(Prepared, [] {
        XInitThreads();
        XSetErrorHandler(OnError);
        XSetIOErrorHandler(ConnectionLost);
        // A write to a server that has gone then fails with EPIPE, which
        // Xlib reports as a lost connection, instead of killing us silently.
        signal(SIGPIPE, SIG_IGN);
    });
}

Display* X11Connect(std::string& why) {
    X11Prepare();
    Display* d = XOpenDisplay(nullptr);
    if (d != nullptr) return d;
    const char* name = XDisplayName(nullptr);
    if (name == nullptr || *name == '\0') {
        why = "cannot open the X display (DISPLAY is not set)";
    } else {
        why = std::string("cannot open the X display \"") + name + "\"";
    }
    return nullptr;
}

Display* X11OpenOrDie() {
    std::string why;
    Display* d = X11Connect(why);
    if (d == nullptr) FatalError(why.c_str());
    return d;
}

void X11TrapErrors(Display* display, X11Fault* into, int shapeOpcode) {
    Trap.fault = into;
    Trap.shapeOpcode = shapeOpcode;
    Trap.display = display;
}

void X11TrapAllErrors(bool all) {
    Trap.all = all;
}

std::string X11FaultText(Display* display, const X11Fault& fault, int shapeOpcode) {
    const char* what = "open the window";
    if (fault.request == X_CreateWindow) what = "create the window";
    else if (fault.request == X_MapWindow) what = "show the window";
    else if (fault.request == X_SetInputFocus) what = "give the window the keyboard focus";
    else if (fault.request == X_PutImage) what = "draw into the window";
    else if (shapeOpcode > 0 && fault.request == shapeOpcode) what = "shape the window";
    char error[128] = "";
    XGetErrorText(display, fault.code, error, sizeof error);
    return std::string("the X server refused to ") + what + " (" + error + ")";
}

Window X11PetWindow() {
    return PetWindowId.load();
}

void X11SetPetWindow(Window window) {
    PetWindowId = window;
}
