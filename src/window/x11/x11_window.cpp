// The X11 backend: the pet window and the thread that owns it, on Xlib with
// the SHAPE and MIT-SCREEN-SAVER extensions.
//
// The window is override-redirect: no window manager moves, resizes, raises
// or decorates it, so it goes exactly where the pet asks (wholly off-screen
// included) and never gets a taskbar entry. After every presentation its
// bounding and input shapes are set to the presented pixels whose RGB is not
// 0xFF00FF, so the rest of it is neither drawn nor hit by the pointer.
// Coordinates given to and read from this backend count from the primary
// monitor's top-left corner.
//
// Threads and connections. Each Xlib connection is used by one thread only.
// - The window connection belongs to the window thread. The logic thread
//   opens it (so that a missing display is reported before anything starts)
//   and hands it over when it starts the thread; from then on only the
//   thread uses it: it creates the window, and once per cycle, holding the
//   lock, draws the marked band, updates the shape, handles every pending
//   event and carries out the queued requests.
// - What the logic thread asks of the window itself (moves, the caption)
//   goes into RequestQueue under QueueMutex. A move returns at once; a
//   caption change waits on QueueChanged until the window thread has stored
//   it and the server has it. The core lets go of the lock around
//   PlatformSetTitle, so that wait never holds up the cycle it waits for.
// - Queries (desktop size, bar top, the window's position) and taking a
//   window out of the taskbar use the desktop connection of x11_desktop.cpp
//   under its own mutex. Window ids belong to the server, so the position is
//   read there as the server has it; the window thread waits for the server
//   (XSync) after carrying out requests, so a move is visible to those
//   queries as soon as the cycle that carried it out has ended.
// - XInitThreads is called before the first connection opens, so that
//   Xlib's process-wide state is safe as well.
// Lock order: the lock (PlatformLock) before QueueMutex. The window thread
// never takes the desktop mutex.
#include <X11/Xatom.h>
#include <X11/extensions/scrnsaver.h>
#include <X11/extensions/shape.h>

#include <poll.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "core.h"
#include "platform.h"
#include "x11_internal.h"

namespace {

struct Request {
    bool title = false;  // a caption change; otherwise a move
    int32_t x = 0;
    int32_t y = 0;
    std::string text;
};

// What the logic thread gives the window thread to start with.
struct Start {
    Display* display = nullptr;
    int32_t x = 0;  // desktop coordinates of the top-left corner
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    X11Area origin;  // the primary monitor, in root coordinates
    std::string title;
};

// Everything that only the window thread touches.
struct WindowState {
    Display* display = nullptr;
    Window window = None;
    GC gc = nullptr;
    XImage* image = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    X11Area origin;
    int32_t x = 0;  // where the last move put the window, desktop coordinates
    int32_t y = 0;
    bool active = false;
    bool saverSuspended = false;
    // Whether this cycle sent requests (to be flushed), and whether Xlib may
    // hold events read while it waited for a reply. An idle cycle costs no
    // more than one look at the socket.
    bool sent = false;
    bool mayHoldEvents = true;
    bool socketReadable = true;  // as found during the last sleep
    Atom protocols = None;
    Atom deleteWindow = None;
    Atom netWmName = None;
    Atom utf8 = None;
    std::vector<XRectangle> shape;  // the shape as set
    std::vector<XRectangle> runs;   // scratch
};

std::mutex ScreenMutex;
// Set while the window thread waits for ScreenMutex: the logic thread then
// lets it have the lock first, so that drawing as fast as it can never keeps
// the cycle (and with it presentation and keys) waiting.
std::atomic<bool> CycleWaiting{false};

std::mutex QueueMutex;
std::condition_variable QueueChanged;
std::vector<Request> RequestQueue;
uint64_t RequestsQueued = 0;  // requests ever queued
uint64_t RequestsDone = 0;    // requests carried out, in order
enum class Phase { Closed, Opening, Open, Failed, Ended };
Phase ThreadPhase = Phase::Closed;  // under QueueMutex
std::string FailureText;            // under QueueMutex

std::atomic<bool> Running{false};
std::atomic<Window> PetWindow{None};
std::thread* WindowThreadHandle = nullptr;  // logic thread only
X11Area Origin;                             // logic thread only, fixed while open
std::atomic<int32_t> LastX{0}, LastY{0};    // the window thread's last move

void SetPhase(Phase phase, const std::string& failure = std::string()) {
    std::lock_guard<std::mutex> hold(QueueMutex);
    ThreadPhase = phase;
    FailureText = failure;
    QueueChanged.notify_all();
}

bool SameShape(const std::vector<XRectangle>& a, const std::vector<XRectangle>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].x != b[i].x || a[i].y != b[i].y || a[i].width != b[i].width ||
            a[i].height != b[i].height) {
            return false;
        }
    }
    return true;
}

void SetShape(WindowState& s, int kind, int operation, std::vector<XRectangle>& rects) {
    XShapeCombineRectangles(s.display, s.window, kind, 0, 0, rects.data(),
                            static_cast<int>(rects.size()), operation, YXBanded);
}

void DrawRows(WindowState& s, int32_t first, int32_t last) {
    XPutImage(s.display, s.window, s.gc, s.image, 0, first, 0, first,
              static_cast<unsigned>(s.width), static_cast<unsigned>(last - first + 1));
}

// Brings the shape up to date and draws the band of marked rows, in that
// order: the window keeps no pixels outside its shape, so newly opaque ones
// must be inside it when they are drawn. Until then they show what lies
// beneath, as they did before; the mask colour never shows.
void Present(WindowState& s) {
    int32_t first = 0, last = 0;
    if (!TakeMarkedBand(first, last)) return;
    s.sent = true;
    OpaqueRuns(ConvertedRows, s.width, s.height, s.runs);
    if (!SameShape(s.runs, s.shape)) {
        SetShape(s, ShapeBounding, ShapeSet, s.runs);
        SetShape(s, ShapeInput, ShapeSet, s.runs);
        s.shape.swap(s.runs);
    }
    DrawRows(s, first, last);
}

void HandleKey(XKeyEvent& event) {
    char text[8];
    KeySym keysym = NoSymbol;
    const int length = XLookupString(&event, text, sizeof text, &keysym, nullptr);
    const int32_t code = KeyCodeOf(keysym, text, length);
    if (code >= 0) PutKey(code);
}

// The cycle's 10 ms sleep, watching the connection meanwhile so that an
// idle cycle needs no other look at it. Input arriving early does not cut
// the sleep short; it waits for the next cycle.
void Sleep10Ms(WindowState& s) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(10);
    pollfd p{ConnectionNumber(s.display), POLLIN, 0};
    s.socketReadable = poll(&p, 1, 10) != 0;  // errors too: let Xlib find them
    if (s.socketReadable) std::this_thread::sleep_until(end);
}

void HandleEvents(WindowState& s) {
    if (!s.mayHoldEvents && !s.socketReadable && XEventsQueued(s.display, QueuedAlready) == 0) {
        return;
    }
    s.mayHoldEvents = false;
    while (XPending(s.display) > 0) {
        XEvent event;
        XNextEvent(s.display, &event);
        s.sent = true;  // focus changes and redraws send requests
        if (event.xany.window != s.window) continue;
        switch (event.type) {
            case KeyPress:
                HandleKey(event.xkey);
                break;
            case ButtonPress:
                // A click on the sprite (the input shape lets no other reach
                // the window) gives it the keyboard.
                XSetInputFocus(s.display, s.window, RevertToParent, event.xbutton.time);
                break;
            case FocusIn:
            case FocusOut:
                if (event.xfocus.detail == NotifyPointer) break;
                s.active = event.type == FocusIn;
                MarkAllRows();
                break;
            case Expose:
                if (event.xexpose.count == 0) DrawRows(s, 0, s.height - 1);
                break;
            case ClientMessage:
                if (event.xclient.message_type == s.protocols && event.xclient.format == 32 &&
                    static_cast<Atom>(event.xclient.data.l[0]) == s.deleteWindow) {
                    PutKey(CloseKey);  // and the window stays
                }
                break;
            default:
                break;
        }
    }
}

void StoreTitle(WindowState& s, const std::string& title) {
    XStoreName(s.display, s.window, title.c_str());
    const std::string utf8 = Latin1ToUtf8(title.c_str());
    XChangeProperty(s.display, s.window, s.netWmName, s.utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.data()),
                    static_cast<int>(utf8.size()));
}

void CarryOutRequests(WindowState& s) {
    std::vector<Request> batch;
    {
        std::lock_guard<std::mutex> hold(QueueMutex);
        if (RequestQueue.empty()) return;
        batch.swap(RequestQueue);
    }
    // In request order. Moves that follow each other within one cycle are
    // seen only as the last of them, so the server is asked for that one.
    for (size_t i = 0; i < batch.size(); ++i) {
        const Request& r = batch[i];
        if (r.title) {
            StoreTitle(s, r.text);
            continue;
        }
        s.x = r.x == KeepCoordinate ? s.x : r.x;
        s.y = r.y == KeepCoordinate ? s.y : r.y;
        if (i + 1 == batch.size() || batch[i + 1].title) {
            XMoveWindow(s.display, s.window, s.origin.x + s.x, s.origin.y + s.y);
        }
    }
    LastX = s.x;
    LastY = s.y;
    XSync(s.display, False);
    s.sent = false;
    s.mayHoldEvents = true;
    std::lock_guard<std::mutex> hold(QueueMutex);
    RequestsDone += batch.size();
    QueueChanged.notify_all();
}

// Creates the window; an empty string on success, else what went wrong.
std::string CreateWindow(WindowState& s, const Start& start) {
    Display* d = s.display;
    const int screen = DefaultScreen(d);
    const Window root = RootWindow(d, screen);

    int eventBase = 0, errorBase = 0;
    if (!XShapeQueryExtension(d, &eventBase, &errorBase)) {
        return "the X server has no SHAPE extension";
    }
    // 32-bit pixels 0x00RRGGBB go to the server unchanged on a 24-bit
    // TrueColor visual with the usual masks.
    XVisualInfo visual{};
    const bool usual = XMatchVisualInfo(d, screen, 24, TrueColor, &visual) != 0 &&
                       visual.red_mask == 0xFF0000 && visual.green_mask == 0xFF00 &&
                       visual.blue_mask == 0xFF;
    if (!usual) return "the X server offers no 24-bit TrueColor visual";

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixmap = None;
    attributes.border_pixel = 0;
    attributes.colormap = visual.visual == DefaultVisual(d, screen)
                              ? DefaultColormap(d, screen)
                              : XCreateColormap(d, root, visual.visual, AllocNone);
    attributes.event_mask =
        KeyPressMask | ButtonPressMask | ExposureMask | FocusChangeMask | StructureNotifyMask;
    s.window = XCreateWindow(d, root, start.origin.x + start.x, start.origin.y + start.y,
                             static_cast<unsigned>(start.width),
                             static_cast<unsigned>(start.height), 0, 24, InputOutput,
                             visual.visual,
                             CWOverrideRedirect | CWBackPixmap | CWBorderPixel | CWColormap |
                                 CWEventMask,
                             &attributes);
    if (s.window == None) return "cannot create the window";

    s.protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    s.deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    s.netWmName = XInternAtom(d, "_NET_WM_NAME", False);
    s.utf8 = XInternAtom(d, "UTF8_STRING", False);
    XSetWMProtocols(d, s.window, &s.deleteWindow, 1);
    XClassHint hint{};
    char resName[] = "pomfy", resClass[] = "Pomfy";
    hint.res_name = resName;
    hint.res_class = resClass;
    XSetClassHint(d, s.window, &hint);
    StoreTitle(s, start.title);

    s.gc = XCreateGC(d, s.window, 0, nullptr);
    s.image = XCreateImage(d, visual.visual, 24, ZPixmap, 0, reinterpret_cast<char*>(ConvertedRows),
                           static_cast<unsigned>(start.width),
                           static_cast<unsigned>(start.height), 32, start.width * 4);
    if (s.image == nullptr) return "cannot make the window's image";
    // The rows hold native 32-bit values; Xlib swaps them if the server's
    // order differs.
    const uint32_t probe = 1;
    uint8_t firstByte = 0;
    std::memcpy(&firstByte, &probe, 1);
    s.image->byte_order = firstByte == 1 ? LSBFirst : MSBFirst;

    // The shape of what the window shows before the first presentation.
    OpaqueRuns(ConvertedRows, start.width, start.height, s.shape);
    SetShape(s, ShapeBounding, ShapeSet, s.shape);
    SetShape(s, ShapeInput, ShapeSet, s.shape);

    XMapWindow(d, s.window);
    XSetInputFocus(d, s.window, RevertToParent, CurrentTime);

    int major = 0, minor = 0;
    if (XScreenSaverQueryExtension(d, &eventBase, &errorBase) &&
        XScreenSaverQueryVersion(d, &major, &minor) && (major > 1 || (major == 1 && minor >= 1))) {
        XScreenSaverSuspend(d, True);
        s.saverSuspended = true;
    }
    XSync(d, False);
    return std::string();
}

void DestroyWindow(WindowState& s) {
    Display* d = s.display;
    if (s.saverSuspended) XScreenSaverSuspend(d, False);
    if (s.image != nullptr) {
        s.image->data = nullptr;  // the rows belong to the core
        XDestroyImage(s.image);
    }
    if (s.gc != nullptr) XFreeGC(d, s.gc);
    if (s.window != None) XDestroyWindow(d, s.window);
    XCloseDisplay(d);  // also frees a colormap of our own
}

void WindowThreadMain(Start start) {
    WindowState s;
    s.display = start.display;
    s.width = start.width;
    s.height = start.height;
    s.origin = start.origin;
    s.x = start.x;
    s.y = start.y;
    LastX = s.x;
    LastY = s.y;
    const std::string failure = CreateWindow(s, start);
    if (!failure.empty()) {
        DestroyWindow(s);
        SetPhase(Phase::Failed, failure);
        return;
    }
    PetWindow = s.window;
    s.active = true;
    SetPhase(Phase::Open);

    while (Running.load(std::memory_order_acquire)) {
        CycleWaiting = true;
        ScreenMutex.lock();
        CycleWaiting = false;
        Present(s);
        HandleEvents(s);
        CarryOutRequests(s);
        if (s.sent) {
            XFlush(s.display);
            s.sent = false;
            s.mayHoldEvents = true;
        }
        ScreenMutex.unlock();
        Sleep10Ms(s);
    }

    PetWindow = None;
    DestroyWindow(s);
    SetPhase(Phase::Ended);
}

}  // namespace

Window X11PetWindow() {
    return PetWindow.load();
}

int32_t PlatformOpenWindow(int32_t width, int32_t height, int32_t flags) {
    (void)flags;  // always frameless and shaped here; never on top
    if (width <= 0 || height <= 0 || WindowThreadHandle != nullptr || ConvertedRows == nullptr) {
        return 1;
    }
    X11DesktopLock();
    Origin = X11PrimaryMonitor(X11DesktopDisplay());
    X11DesktopUnlock();

    Start start;
    start.display = X11OpenOrDie();
    start.width = width;
    start.height = height;
    start.origin = Origin;
    start.x = (Origin.width - width) >> 1;
    start.y = (Origin.height - height) >> 1;
    start.title = TitleBuffer;

    {
        std::lock_guard<std::mutex> hold(QueueMutex);
        ThreadPhase = Phase::Opening;
        RequestQueue.clear();
        RequestsQueued = RequestsDone = 0;
    }
    Running = true;
    WindowThreadHandle = new std::thread(WindowThreadMain, start);

    std::unique_lock<std::mutex> wait(QueueMutex);
    QueueChanged.wait(wait, [] { return ThreadPhase != Phase::Opening; });
    if (ThreadPhase == Phase::Open) return 0;
    // Without a window the pet could only run on unseen, with nothing to
    // end it: say why and stop.
    const std::string failure = FailureText;
    wait.unlock();
    Running = false;
    WindowThreadHandle->join();
    delete WindowThreadHandle;
    WindowThreadHandle = nullptr;
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, failure.c_str());
    std::exit(1);
}

void PlatformCloseWindow() {
    if (WindowThreadHandle == nullptr) return;
    Running = false;
    if (WindowThreadHandle->get_id() == std::this_thread::get_id()) {
        WindowThreadHandle->detach();  // ending from the window thread itself
    } else {
        WindowThreadHandle->join();
    }
    delete WindowThreadHandle;
    WindowThreadHandle = nullptr;
}

void PlatformSetTitle(const char* title) {
    std::unique_lock<std::mutex> hold(QueueMutex);
    if (ThreadPhase != Phase::Open) return;  // the caption is taken at opening
    Request r;
    r.title = true;
    r.text = title;
    RequestQueue.push_back(std::move(r));
    const uint64_t mine = ++RequestsQueued;
    QueueChanged.wait(hold, [mine] { return RequestsDone >= mine || ThreadPhase != Phase::Open; });
}

void PlatformQueueMove(int32_t x, int32_t y) {
    std::lock_guard<std::mutex> hold(QueueMutex);
    if (ThreadPhase != Phase::Open) return;
    Request r;
    r.x = x;
    r.y = y;
    RequestQueue.push_back(std::move(r));
    ++RequestsQueued;
}

void PlatformGetWindowPosition(int32_t& x, int32_t& y) {
    const Window window = PetWindow.load();
    if (window == None) {
        x = y = 0;
        return;
    }
    x = LastX;
    y = LastY;
    X11DesktopLock();
    Display* d = X11DesktopDisplay();
    int rootX = 0, rootY = 0;
    Window child = None;
    if (XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &rootX, &rootY, &child)) {
        x = rootX - Origin.x;
        y = rootY - Origin.y;
    }
    X11DesktopUnlock();
}

void PlatformLock() {
    while (CycleWaiting.load()) std::this_thread::yield();
    ScreenMutex.lock();
}

void PlatformUnlock() {
    ScreenMutex.unlock();
}

void PlatformSleep(int32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

double PlatformSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void PlatformExit(int32_t code) {
    std::exit(code);
}

void PlatformRowsMarked() {}

void PlatformPauseStarts(int32_t) {}
