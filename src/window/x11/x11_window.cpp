// The X11 pet window, on Xlib with the SHAPE and MIT-SCREEN-SAVER
// extensions: made, presented, moved, captioned and destroyed on the window
// thread that the core runs.
//
// On an ordinary X server the window is override-redirect: no window manager
// moves, resizes, raises or decorates it, so it goes exactly where the pet
// asks (wholly off-screen included) and never gets a taskbar entry. After
// every presentation its bounding and input shapes are set to the presented
// pixels whose RGB is not 0xFF00FF, so the rest of it is neither drawn nor
// hit by the pointer. Under XWayland it is a managed window instead
// (x11_xwayland.cpp says how the two differ). Coordinates given to and read
// from this backend count from the top-left corner of the monitor the pet
// lives on.
//
// Threads and connections: each Xlib connection is used by one thread only.
// This one is opened by Start on the logic thread (so that a missing display
// is reported before anything starts) and used by the window thread alone
// from then on. The desktop's queries use the desktop connection of
// x11_desktop.cpp.
//
// The pet's desktop lies on its monitor as x11_desktop.cpp places it. Once
// that monitor has changed since the start, a move that would take the
// window wholly off it brings it back into view instead.
//
// Errors: every X error while the window is made, and afterwards every error
// of a shaping, mapping, drawing or focus request, ends the program with one
// line on standard error and status 1 (x11_errors.cpp records them).
#include <X11/Xatom.h>
#include <X11/extensions/scrnsaver.h>
#include <X11/extensions/shape.h>

#include <cstring>
#include <string>

#include "core.h"
#include "neutral.h"
#include "platform.h"
#include "wakeups.h"
#include "x11_internal.h"

X11WindowState X11Window;

namespace {

// Sets a shape of the window to these runs, rectangles one row high.
void SetShape(int kind, const std::vector<PixelRun>& runs) {
    std::vector<XRectangle> rects;
    rects.reserve(runs.size());
    for (const PixelRun& r : runs) {
        rects.push_back(XRectangle{static_cast<short>(r.x), static_cast<short>(r.y),
                                   static_cast<unsigned short>(r.width), 1});
    }
    XShapeCombineRectangles(X11Window.display, X11Window.window, kind, 0, 0, rects.data(),
                            static_cast<int>(rects.size()), ShapeSet, YXBanded);
}

void StoreTitle(const char* title) {
    Display* d = X11Window.display;
    XStoreName(d, X11Window.window, title);
    const std::string utf8 = Latin1ToUtf8(title);
    XChangeProperty(d, X11Window.window, X11Window.atoms[NetWmName], X11Window.atoms[Utf8String], 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(utf8.data()),
                    static_cast<int>(utf8.size()));
}

// Sets both shapes, or the input shape alone where alpha cuts the picture.
void SetShapes(const std::vector<PixelRun>& runs) {
    if (X11Window.kind.boundingShape) SetShape(ShapeBounding, runs);
    SetShape(ShapeInput, runs);
}

// Makes the window; an empty string on success, else what went wrong.
std::string Make(int32_t x, int32_t y) {
    X11WindowState& s = X11Window;
    Display* d = s.display;
    const int screen = DefaultScreen(d);
    s.root = RootWindow(d, screen);

    int eventBase = 0, errorBase = 0, opcode = 0;
    if (!XShapeQueryExtension(d, &eventBase, &errorBase) ||
        !XQueryExtension(d, "SHAPE", &opcode, &eventBase, &errorBase)) {
        return "the X server has no SHAPE extension";
    }
    s.shapeOpcode = opcode;
    // 32-bit pixels 0x00RRGGBB go to the server unchanged on a 24-bit
    // TrueColor visual with the usual masks; 0xAARRGGBB on a 32-bit one.
    s.kind = X11KindOf(d);
    XVisualInfo visual{};
    const bool usual = XMatchVisualInfo(d, screen, s.kind.depth, TrueColor, &visual) != 0 &&
                       visual.red_mask == 0xFF0000 && visual.green_mask == 0xFF00 &&
                       visual.blue_mask == 0xFF;
    if (!usual) {
        return "the X server offers no " + std::to_string(s.kind.depth) +
               "-bit TrueColor visual";
    }

    // From here until the server has answered, every error means no window.
    X11TrapErrors(d, &s.fault, s.shapeOpcode);
    X11TrapAllErrors(true);

    const char* names[X11WindowAtomCount] = {"WM_PROTOCOLS", "WM_DELETE_WINDOW", "_NET_WM_NAME",
                                             "UTF8_STRING"};
    XInternAtoms(d, const_cast<char**>(names), X11WindowAtomCount, False, s.atoms);

    XSetWindowAttributes attributes{};
    attributes.override_redirect = s.kind.managed ? False : True;
    attributes.background_pixmap = None;
    attributes.background_pixel = 0;  // transparent where a compositor widens it
    attributes.border_pixel = 0;
    attributes.colormap = visual.visual == DefaultVisual(d, screen)
                              ? DefaultColormap(d, screen)
                              : XCreateColormap(d, s.root, visual.visual, AllocNone);
    // Only the window's own events: a managed window also hears of the moves
    // its window manager makes.
    // No exposures where the window's background is its picture (below),
    // which the server paints wherever the window is uncovered or its shape
    // grows.
    attributes.event_mask = KeyPressMask | ButtonPressMask | FocusChangeMask |
                            (s.kind.pictureAsBackground ? NoEventMask : ExposureMask) |
                            (s.kind.placedByServer ? StructureNotifyMask : NoEventMask);
    const int32_t width = PetWindow.deviceWidth, height = PetWindow.deviceHeight;
    int32_t rootX = 0, rootY = 0;
    X11DesktopToRoot(width, height, x, y, rootX, rootY);
    s.window = XCreateWindow(d, s.root, rootX, rootY, static_cast<unsigned>(width),
                             static_cast<unsigned>(height), 0, s.kind.depth, InputOutput,
                             visual.visual,
                             CWOverrideRedirect | (s.kind.managed ? CWBackPixel : CWBackPixmap) |
                                 CWBorderPixel | CWColormap | CWEventMask,
                             &attributes);
    if (s.window == None) return "cannot create the window";
    if (s.kind.managed) X11SetUpManagedWindow(d, s.window, rootX, rootY, width, height);
    // Without a bounding shape the alpha channel cuts the picture.
    if (!s.kind.boundingShape) ShowRowsAs(RowForm::Alpha);

    XSetWMProtocols(d, s.window, &s.atoms[WmDeleteWindow], 1);
    XClassHint hint{};
    char resName[] = "pomfy", resClass[] = "Pomfy";
    hint.res_name = resName;
    hint.res_class = resClass;
    XSetClassHint(d, s.window, &hint);
    StoreTitle(PetWindow.title);

    // The picture lives in a pixmap of the server's that is the window's
    // background, or in the window itself.
    Drawable picture = s.window;
    if (s.kind.pictureAsBackground) {
        s.pixmap = XCreatePixmap(d, s.window, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height),
                                 static_cast<unsigned>(s.kind.depth));
        picture = s.pixmap;
    }
    s.gc = XCreateGC(d, picture, 0, nullptr);
    s.image = XCreateImage(d, visual.visual, static_cast<unsigned>(s.kind.depth), ZPixmap, 0,
                           reinterpret_cast<char*>(PetWindow.convertedRows),
                           static_cast<unsigned>(width), static_cast<unsigned>(height), 32,
                           width * 4);
    if (s.image == nullptr) return "cannot make the window's image";
    // The rows hold native 32-bit values; Xlib swaps them if the server's
    // order differs.
    const uint32_t probe = 1;
    uint8_t firstByte = 0;
    std::memcpy(&firstByte, &probe, 1);
    s.image->byte_order = firstByte == 1 ? LSBFirst : MSBFirst;
    X11DrawRows(0, height - 1);

    // The shape of what the window shows before the first presentation.
    SetShapes(*ShapeChange());

    XMapWindow(d, s.window);
    if (s.kind.takesFocus) XSetInputFocus(d, s.window, RevertToParent, CurrentTime);

    XSync(d, False);
    if (s.fault.happened) return X11FaultText(d, s.fault, s.shapeOpcode);
    X11TrapAllErrors(false);

    int major = 0, minor = 0;
    if (XScreenSaverQueryExtension(d, &eventBase, &errorBase) &&
        XScreenSaverQueryVersion(d, &major, &minor) && (major > 1 || (major == 1 && minor >= 1))) {
        XScreenSaverSuspend(d, True);
        s.saverSuspended = true;
    }
    XFlush(d);
    return std::string();
}

// What Make left behind, on success or failure.
void Unmake() {
    X11WindowState& s = X11Window;
    Display* d = s.display;
    X11SetPetWindow(None);
    X11TrapErrors(nullptr, nullptr, -1);
    X11TrapAllErrors(false);
    if (s.saverSuspended) XScreenSaverSuspend(d, False);
    if (s.image != nullptr) {
        s.image->data = nullptr;  // the rows belong to the core
        XDestroyImage(s.image);
    }
    if (s.gc != nullptr) XFreeGC(d, s.gc);
    if (s.pixmap != None) XFreePixmap(d, s.pixmap);
    if (s.window != None) XDestroyWindow(d, s.window);
    XCloseDisplay(d);  // also frees a colormap of our own
    CloseWakeups();
    s = X11WindowState();
}

}  // namespace

const char* X11CreateWindow(int32_t x, int32_t y) {
    static std::string failure;
    if (!OpenWakeups(failure)) {
        Unmake();
        return failure.c_str();
    }
    failure = Make(x, y);
    if (!failure.empty()) {
        Unmake();
        return failure.c_str();
    }
    X11SetPetWindow(X11Window.window);
    return nullptr;
}

void X11DestroyWindow() {
    Unmake();
}

void X11DrawRows(int32_t first, int32_t last) {
    const X11WindowState& s = X11Window;
    const unsigned width = static_cast<unsigned>(PetWindow.deviceWidth);
    const unsigned rows = static_cast<unsigned>(last - first + 1);
    if (!s.kind.pictureAsBackground) {
        XPutImage(s.display, s.window, s.gc, s.image, 0, first, 0, first, width, rows);
        return;
    }
    XPutImage(s.display, s.pixmap, s.gc, s.image, 0, first, 0, first, width, rows);
    // Set again, so that a server that copies the background takes the new
    // picture too; then the band is painted from it.
    XSetWindowBackgroundPixmap(s.display, s.window, s.pixmap);
    XClearArea(s.display, s.window, 0, first, width, rows, False);
}

// Draws the band into the picture and the window, then brings the shape up
// to date: where the shape grows, the server paints the window from its
// background, which already holds the new picture, so the mask colour never
// shows and no exposure comes back to be answered.
void X11Present(int32_t first, int32_t last) {
    X11DrawRows(first, last);
    if (const std::vector<PixelRun>* shape = ShapeChange()) SetShapes(*shape);
}

bool X11Move(int32_t x, int32_t y) {
    int32_t rootX = 0, rootY = 0;
    const bool asked = X11DesktopToRoot(PetWindow.deviceWidth, PetWindow.deviceHeight, x, y, rootX, rootY);
    XMoveWindow(X11Window.display, X11Window.window, rootX, rootY);
    // Where a managed window goes is the compositor's answer, still to come.
    if (X11Window.kind.placedByServer) return false;
    if (!asked) {
        // Brought back into view: the pet goes on from where it shows.
        X11RootToDesktop(rootX, rootY, x, y);
        WindowPlaced(x, y);
    }
    return asked;
}

void X11SetTitle(const char* title) {
    StoreTitle(title);
    // Findable by its new caption once this returns.
    XSync(X11Window.display, False);
}
