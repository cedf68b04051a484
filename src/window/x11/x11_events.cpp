// The events of the pet window, on the window thread: keys into the key
// buffer, a click that gives the window the keyboard, focus changes, close
// requests, repaints where the window's background is not its picture, and
// where the compositor put a managed window.
// The window thread's connection selects nothing but its own window's
// events: the desktop's changes are read by the desktop side, on its own
// connection, when the pet is about to move.
#include <X11/Xatom.h>

#include <string>

#include "core.h"
#include "x11_internal.h"

namespace {

void HandleKey(XKeyEvent& event) {
    char text[8];
    KeySym keysym = NoSymbol;
    const int length = XLookupString(&event, text, sizeof text, &keysym, nullptr);
    const int32_t code = KeyCodeOfKeysym(static_cast<uint32_t>(keysym),
                                         length >= 1 ? static_cast<unsigned char>(text[0]) : -1);
    if (code >= 0) PutKey(code);
}

// A managed window goes where the compositor puts it. Its ConfigureNotify
// events give root coordinates when the window manager sends them, and when
// the server sends them while the window has no frame.
void LearnPosition(const XConfigureEvent& event) {
    if (!event.send_event && !X11Window.parentIsRoot) return;
    int32_t x = 0, y = 0;
    X11RootToDesktop(event.x, event.y, x, y);
    WindowPlaced(x, y);
}

void HandleEvent(XEvent& event) {
    if (event.xany.window != X11Window.window) return;
    switch (event.type) {
        case KeyPress:
            HandleKey(event.xkey);
            break;
        case ButtonPress:
            // A click on the sprite (the input shape lets no other reach
            // the window) gives it the keyboard, unless its window manager
            // does that.
            if (X11Window.kind.takesFocus) {
                XSetInputFocus(X11Window.display, X11Window.window, RevertToParent, event.xbutton.time);
            }
            break;
        case FocusIn:
        case FocusOut:
            if (event.xfocus.detail == NotifyPointer) break;
            FocusChanged();
            break;
        case Expose:  // only where the window is drawn into
            if (event.xexpose.count == 0) X11DrawRows(0, PetWindow.deviceHeight - 1);
            break;
        case ConfigureNotify:
            if (X11Window.kind.placedByServer) LearnPosition(event.xconfigure);
            break;
        case ReparentNotify:
            X11Window.parentIsRoot = event.xreparent.parent == X11Window.root;
            break;
        case ClientMessage:
            if (event.xclient.message_type == X11Window.atoms[WmProtocols] &&
                event.xclient.format == 32 &&
                static_cast<Atom>(event.xclient.data.l[0]) == X11Window.atoms[WmDeleteWindow]) {
                CloseRequested();
            }
            break;
        default:
            break;
    }
}

}  // namespace

void X11CheckFault() {
    // The window may be invisible or unreachable: the pet cannot go on.
    if (X11Window.fault.happened) {
        FatalError(X11FaultText(X11Window.display, X11Window.fault, X11Window.shapeOpcode).c_str());
    }
}

bool X11EventsWaiting() {
    return XEventsQueued(X11Window.display, QueuedAlready) > 0;
}

void X11HandleEvents(int32_t max) {
    for (int32_t n = 0; n < max && XEventsQueued(X11Window.display, QueuedAlready) > 0; ++n) {
        XEvent event;
        XNextEvent(X11Window.display, &event);
        HandleEvent(event);
    }
    X11CheckFault();
}
