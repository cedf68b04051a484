// What the files of the X11 backend share among themselves. Nothing outside
// src/window/x11/ and its tests includes this.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "neutral.h"

// A rectangle of the root window in root coordinates.
struct X11Area {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// --- x11_desktop.cpp: the desktop connection and its queries ----------------

// Chooses the monitor the pet lives on and places its desktop there (see
// X11Placement); on the logic thread, before the window opens. The
// desktop's size is that monitor's size now, for the whole run.
void X11PlaceDesktop();
// The backend's desktop queries, on the logic thread: the desktop's size;
// the top of the bar along the bottom of the pet's monitor in desktop
// coordinates (0 for none), worked out again only when the desktop's events
// since the last call say that it or the monitor may have changed; taking
// the top-level window with this title out of the taskbar.
void X11DesktopSize(int32_t& width, int32_t& height);
int32_t X11TaskbarTop();
void X11RemoveFromTaskbar(const char* title);
// Where the window goes for desktop (x, y), as X11PlaceWindow says for the
// placement of the moment; from any thread.
bool X11DesktopToRoot(int32_t width, int32_t height, int32_t x, int32_t y, int32_t& rootX,
                      int32_t& rootY);
// A root position in desktop coordinates.
void X11RootToDesktop(int32_t rootX, int32_t rootY, int32_t& x, int32_t& y);
// The desktop connection's socket once it listens to the desktop, else -1;
// from any thread. The window thread waits on it too and, when it is
// readable, calls X11DrainDesktop, which reads and takes in the events that
// have come (a bounded number) so that no backlog builds up between the
// pet's moves, in the server or here. True when some are left to read.
int X11DesktopSocket();
bool X11DrainDesktop();

// --- x11_place.cpp: the pet's desktop on the screen (pure) -------------------

// A monitor as RandR lists it.
struct X11Monitor {
    Atom name = None;  // None for the whole root
    bool primary = false;
    X11Area area;
};
// The monitor the pet lives on among those listed: the one named follow
// while it is listed (the monitor the pet started on, moved or resized),
// else the primary one, else the one at the root's origin, else the only
// one; the whole root where none of these is.
X11Monitor X11PickMonitor(const std::vector<X11Monitor>& listed, const X11Area& root,
                          Atom follow);
// The pet's desktop as it lies on the screen now. Its size is the one read
// at start-up. Its left edge is its monitor's; its rows are the monitor's
// top rows, or, while a bar stands along the monitor's bottom, the rows just
// above the monitor's bottom edge: after a change of resolution the pet
// still stands on the bar, whatever the monitor's height became.
struct X11Placement {
    X11Area monitor;            // the pet's monitor
    int32_t left = 0, top = 0;  // root position of desktop (0, 0)
    // The monitor is no longer as it was when the desktop's size was read:
    // the pet's walks may now take it where nobody sees it.
    bool keepInView = false;
};
// The root position for a width x height window asked to go to desktop
// (x, y). True when it goes there (anywhere, the screen's edges included,
// while the monitor is as it was); false when, with keepInView, it would
// lie wholly outside the pet's monitor and comes back into it instead, at
// the nearest place where it shows whole.
bool X11PlaceWindow(const X11Placement& p, int32_t width, int32_t height, int32_t x, int32_t y,
                    int32_t& rootX, int32_t& rootY);

// --- x11_bar.cpp: which bar the desktop's facts describe (pure) --------------

// A top-level window as the bar query sees it.
struct X11BarWindow {
    bool mapped = false;          // viewable
    bool dock = false;            // _NET_WM_WINDOW_TYPE_DOCK
    X11Area area;                 // in root coordinates (when mapped)
    // _NET_WM_STRUT_PARTIAL (12) or _NET_WM_STRUT (4), or empty; items as
    // the unsigned 32-bit values they are.
    std::vector<long> strut;
};

// Everything the desktop publishes that decides where the bar is.
struct X11BarFacts {
    X11Area root;     // the root window
    X11Area primary;  // the primary monitor
    std::vector<X11BarWindow> windows;
    bool liveWm = false;  // _NET_SUPPORTING_WM_CHECK names a window that names itself
    std::vector<long> gtkWorkAreas;  // _GTK_WORKAREAS_D<current desktop>: x, y, w, h per monitor
    std::vector<long> workArea;      // _NET_WORKAREA of the current desktop: x, y, w, h
};

// The top edge of the bar that reserves the bottom of the primary monitor,
// in root coordinates, or -1 when nothing does. Only a top edge in the lower
// half of the monitor is a bar's, and a reservation larger than the root is
// none. The order of trust: struts
// of mapped windows that reach into the monitor's columns; the per-monitor
// work area; _NET_WORKAREA of a live window manager where no strut says
// otherwise; a mapped dock spanning the monitor's width along its bottom.
int32_t X11BarTop(const X11BarFacts& facts);

// --- x11_desktop_read.cpp: the desktop's facts in a few round trips ---------

// The atoms the reader asks about.
struct X11DesktopAtoms {
    Atom workArea = None, currentDesktop = None, supportingWmCheck = None, clientList = None;
    Atom strut = None, strutPartial = None, windowType = None, windowTypeDock = None;
};
// The name of a desktop's per-monitor work areas: "_GTK_WORKAREAS_D<n>".
std::string X11GtkWorkAreasName(uint32_t desktop);
// The top-level windows worth looking at: the root's children, the clients
// of _NET_CLIENT_LIST, and the windows inside the root's children that it
// does not name. Two round trips.
std::vector<Window> X11TopLevelWindows(Display* d, Atom clientList);
// What a window publishes that can make it a bar.
struct X11WindowFacts {
    std::vector<long> strut;  // as in X11BarWindow
    bool dock = false;
    // Its properties change too often to hear of each change: it is
    // selected without PropertyChangeMask and read again at every lookup.
    bool polled = false;
};
// The facts of the windows read before, kept between lookups. An entry
// holds while the window's events say nothing of it: its owner erases it
// when the window is destroyed or changes its strut or type.
using X11WindowCache = std::unordered_map<Window, X11WindowFacts>;
// Everything the bar depends on but the primary monitor, in four round trips
// whatever the number of windows. The windows listed that cache does
// not hold (but pet) are selected for eventMask and read into it, and so
// are its polled ones, without PropertyChangeMask; those no longer listed
// leave it. The windows that can hold a bar (docks and windows with
// struts, mapped or not) go into candidates.
X11BarFacts X11ReadBarFacts(Display* d, const X11DesktopAtoms& atoms, X11WindowCache& cache,
                            long eventMask, Window pet, std::vector<Window>& candidates);

// --- x11_scale.cpp: the desktop's scale -----------------------------------------

// Device pixels per logical pixel that X resources in the RESOURCE_MANAGER
// format give: Xft.dpi / 96, or 1 where they have no readable Xft.dpi. The
// core keeps it between 1 and its most.
double X11ScaleOfResources(const char* resources);
// The same for the root window's resources as this connection read them.
double X11DesktopScale(Display* display);

// --- x11_errors.cpp: connections and errors ----------------------------------

// Makes Xlib safe for threads, installs the error handlers and ignores
// SIGPIPE (a lost server then ends through the connection-lost path);
// idempotent. Called before any connection is opened.
void X11Prepare();
// A connection to the display named by DISPLAY; nullptr and why not.
Display* X11Connect(std::string& why);
// The same, or one line and status 1.
Display* X11OpenOrDie();

// An error that ends the program: one that came back on the window
// thread's connection for a request that opening, shaping, mapping or focus
// sent. The error handler fills it in on the window thread, which reads it.
struct X11Fault {
    bool happened = false;
    unsigned char request = 0;  // major opcode of the failed request
    unsigned char code = 0;     // the error code
};
// From now on errors of this connection are looked at: during opening
// (everything counts) all of them, afterwards those of window creation,
// shaping (shapeOpcode: the SHAPE extension's major opcode), mapping,
// drawing and focus requests (but not focus refused because another client
// unmapped the window). Errors of every other request and connection are
// ignored: windows found on the desktop may vanish while we look at them.
// Called by the window thread; display None stops the watch.
void X11TrapErrors(Display* display, X11Fault* into, int shapeOpcode);
void X11TrapAllErrors(bool all);
// One line for the program's standard error about a fault, without the
// program's name: "the X server refused to shape the window (BadAlloc ...)".
std::string X11FaultText(Display* display, const X11Fault& fault, int shapeOpcode);

// The pet window's id once it exists, else None; set by the window thread.
Window X11PetWindow();
void X11SetPetWindow(Window window);

// --- x11_xwayland.cpp: what differs under XWayland ----------------------------

// How the window is made on this server. On an ordinary X server it is
// override-redirect and shaped: no window manager touches it, it goes
// exactly where it is moved. Under XWayland, the X server of a Wayland
// compositor, it is a managed window with an alpha channel, the only kind a
// compositor gives the keyboard to, and it goes where the compositor lets
// it. Every difference between the two is one of these fields.
struct X11Kind {
    bool managed = false;        // a window manager's (XWayland) or our own
    int depth = 24;              // of the visual: 32 with an alpha channel
    bool boundingShape = true;   // cut to the sprite; else alpha does it
    bool takesFocus = true;      // gives itself the keyboard; else its manager does
    bool placedByServer = false; // its position is what ConfigureNotify says
    // Its picture is its background, which the server paints wherever it is
    // uncovered; else it is drawn into, and repainted on Expose (a compositor
    // may make it larger than the picture, which a background would tile).
    bool pictureAsBackground = true;
};
X11Kind X11KindOf(Display* display);
// Before mapping a managed window: what makes the compositor manage it as
// frameless, out of the taskbar and pager, width x height only, placed at
// root (x, y), and give it the keyboard.
void X11SetUpManagedWindow(Display* display, Window window, int32_t x, int32_t y,
                           int32_t width, int32_t height);

// --- The window thread's side (x11_window.cpp, x11_events.cpp, x11_wait.cpp) --

// The atoms the window itself uses.
enum X11WindowAtom { WmProtocols, WmDeleteWindow, NetWmName, Utf8String, X11WindowAtomCount };

// The pet window and the window thread's connection. Set up by Start on the
// logic thread before the window thread exists; from then on the window
// thread's alone.
struct X11WindowState {
    Display* display = nullptr;
    Window root = None;
    Window window = None;
    Pixmap pixmap = None;  // the picture shown, when it is the window's background
    GC gc = nullptr;       // for the pixmap
    XImage* image = nullptr;  // over the core's converted rows
    X11Kind kind;
    bool parentIsRoot = true;  // no window manager's frame around it
    bool saverSuspended = false;
    bool desktopBacklog = false;  // desktop events read but not yet taken in
    int shapeOpcode = -1;
    X11Fault fault;
    Atom atoms[X11WindowAtomCount] = {};
};
extern X11WindowState X11Window;

// The window thread's mechanism (platform.h's WindowMechanism).
const char* X11CreateWindow(int32_t x, int32_t y);
void X11DestroyWindow();
void X11Present(int32_t first, int32_t last);
bool X11Move(int32_t x, int32_t y);
void X11SetTitle(const char* title);
// Puts rows first..last of what the window shows into its picture and
// paints them.
void X11DrawRows(int32_t first, int32_t last);
// x11_events.cpp
bool X11EventsWaiting();
void X11HandleEvents(int32_t max);
// A fault recorded by the error handler ends the program here.
void X11CheckFault();
// x11_wait.cpp: the window thread's sleep (its wake-ups: wakeups.h).
void X11WaitForWork(int64_t until);

// --- x11_caption.cpp ----------------------------------------------------------

// Latin-1 bytes (the caption buffer's encoding) as UTF-8, for _NET_WM_NAME.
std::string Latin1ToUtf8(const char* text);
