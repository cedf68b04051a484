// The pet window under XWayland, where a Wayland compositor shows X windows.
//
// A compositor gives the keyboard only to windows it manages, never to an
// override-redirect one, so there the window is an ordinary managed one that
// asks its window manager for no frame, no taskbar or pager entry and a
// fixed size, and that takes the keyboard when the compositor hands it over
// (WM_HINTS input). Compositors do not all honour the bounding shape of such
// a window (sway shows what lies outside it, black or stale), so it has a
// 32-bit visual with an alpha channel instead and no bounding shape: the
// mask colour becomes fully transparent. Its input shape still lets clicks
// through the transparent pixels.
//
// The compositor decides where a managed window goes; it may keep it on the
// screen, or ignore the moves. The window thread learns the real position
// from ConfigureNotify, and that is what the pet reads back.
#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>

#include <cstring>

#include "x11_internal.h"

namespace {

bool IsXwayland(Display* d) {
    int opcode = 0, event = 0, error = 0;
    if (XQueryExtension(d, "XWAYLAND", &opcode, &event, &error)) return true;
    // Before XWayland 23.1 there is no such extension, but its RandR
    // outputs have always been named XWAYLAND0, XWAYLAND1, ...
    int major = 0, minor = 0;
    if (!XRRQueryExtension(d, &event, &error) || !XRRQueryVersion(d, &major, &minor) ||
        major < 1 || (major == 1 && minor < 3)) {
        return false;
    }
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(d, DefaultRootWindow(d));
    if (resources == nullptr) return false;
    bool found = false;
    for (int i = 0; i < resources->noutput && !found; ++i) {
        XRROutputInfo* output = XRRGetOutputInfo(d, resources, resources->outputs[i]);
        if (output == nullptr) continue;
        found = std::strncmp(output->name, "XWAYLAND", 8) == 0;
        XRRFreeOutputInfo(output);
    }
    XRRFreeScreenResources(resources);
    return found;
}

}  // namespace

X11Kind X11KindOf(Display* d) {
    X11Kind kind;
    if (!IsXwayland(d)) return kind;
    kind.managed = true;
    kind.depth = 32;
    kind.boundingShape = false;
    kind.takesFocus = false;
    kind.placedByServer = true;
    kind.pictureAsBackground = false;
    return kind;
}

void X11SetUpManagedWindow(Display* d, Window window, int32_t x, int32_t y, int32_t width,
                           int32_t height) {
    XWMHints* hints = XAllocWMHints();
    if (hints != nullptr) {
        hints->flags = InputHint | StateHint;
        hints->input = True;
        hints->initial_state = NormalState;
        XSetWMHints(d, window, hints);
        XFree(hints);
    }
    // Placed by the program, not the user's choice of the window manager,
    // and neither smaller nor larger than the sprite.
    XSizeHints* size = XAllocSizeHints();
    if (size != nullptr) {
        size->flags = USPosition | PPosition | PMinSize | PMaxSize;
        size->x = x;
        size->y = y;
        size->min_width = size->max_width = width;
        size->min_height = size->max_height = height;
        XSetWMNormalHints(d, window, size);
        XFree(size);
    }
    // _MOTIF_WM_HINTS: flags = decorations given, decorations = none.
    const Atom motif = XInternAtom(d, "_MOTIF_WM_HINTS", False);
    const long motifHints[5] = {2, 0, 0, 0, 0};
    XChangeProperty(d, window, motif, motif, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motifHints), 5);
    const long states[2] = {
        static_cast<long>(XInternAtom(d, "_NET_WM_STATE_SKIP_TASKBAR", False)),
        static_cast<long>(XInternAtom(d, "_NET_WM_STATE_SKIP_PAGER", False))};
    XChangeProperty(d, window, XInternAtom(d, "_NET_WM_STATE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(states), 2);
}
