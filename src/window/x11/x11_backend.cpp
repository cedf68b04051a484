// The X11 backend's table of entry points.
#include <string>

#include "platform.h"
#include "wakeups.h"
#include "x11_internal.h"

namespace {

double Scale = 1;  // read by Start, from the window thread's connection before that thread runs

const char* Start() {
    static std::string why;
    X11Window.display = X11Connect(why);
    if (X11Window.display == nullptr) return why.c_str();
    X11PlaceDesktop();
    Scale = X11DesktopScale(X11Window.display);
    return nullptr;
}

// X11 positions are the screen's own pixels.
void DesktopScale(double& scale, bool& devicePositions) {
    scale = Scale;
    devicePositions = true;
}

const WindowMechanism Mechanism = {X11CreateWindow, X11DestroyWindow, X11EventsWaiting,
                                   X11HandleEvents, X11WaitForWork,   WakeNow,
                                   WakeAt,          X11Present,       X11Move,
                                   nullptr,         X11SetTitle};

}  // namespace

const PlatformBackend X11Backend = {
    "x11",         Start,   X11DesktopSize,       DesktopScale,  X11TaskbarTop,
    X11RemoveFromTaskbar,   MonotonicNs,          MonotonicSeconds, nullptr,
    nullptr,       &WindowThreadDriver,           &Mechanism,
};
