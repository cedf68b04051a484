// The X11 backend: the pet window and the thread that owns it, on Xlib with
// the SHAPE, RandR and MIT-SCREEN-SAVER extensions.
//
// The window is override-redirect: no window manager moves, resizes, raises
// or decorates it, so it goes exactly where the pet asks (wholly off-screen
// included) and never gets a taskbar entry. After every presentation its
// bounding and input shapes are set to the presented pixels whose RGB is not
// 0xFF00FF, so the rest of it is neither drawn nor hit by the pointer.
// Coordinates given to and read from this backend count from the primary
// monitor's top-left corner.
//
// Under XWayland the window is a managed one instead (x11_xwayland.cpp), the
// only kind a Wayland compositor gives the keyboard to. An alpha channel
// takes the place of its bounding shape (the input shape is set as here),
// it goes where the compositor lets it, and its position is the one the
// compositor last reported in a ConfigureNotify.
//
// The window thread sleeps in poll() on its X connection, a wake-up
// descriptor (an eventfd) and a gathering timer (a timerfd) until there is
// something to do:
// - The logic thread signals the eventfd when it has marked framebuffer
//   rows (PlatformRowsMarked) or closes the window, and arms the timer,
//   Gather ahead, when it queues a request (a move or a caption) while
//   none waits. A flag word says what is waiting, so that a second signal
//   while the first is unanswered costs nothing. While nothing changes the
//   thread does not wake at all.
// - Work (rows to present, requests to carry out) is done in a cycle that
//   keeps the visible results of a fixed 10 ms cycle. A cycle runs as soon
//   as rows are marked (the pet puts a frame after the moves that go with
//   it, so the two appear together at the cost of one wake-up), or when
//   the timer goes off for requests without a frame; and never sooner
//   than Spacing after the last cycle that presented or moved, so that
//   frames put within one such stretch show only the last one and a burst
//   of moves only its last move. Moves are carried out in request order.
// - Events are handled as soon as they arrive (a key goes into the key
//   buffer at once), at most EventsPerTurn of them per hold of the lock.
//   Before every poll() the thread flushes its requests and looks for
//   events Xlib already holds (XEventsQueued(QueuedAlready)): poll() only
//   sees the socket, so an event read along with a reply would otherwise
//   wait for the next one.
// - The desktop's events that can move a bar (struts and work areas
//   changing, docks mapped, unmapped, moved or resized, RandR screen
//   changes) make the logic thread's cached bar stale (x11_desktop.cpp).
//
// Threads and connections. Each Xlib connection is used by one thread only.
// - The window connection belongs to the window thread. The logic thread
//   opens it (so that a missing display is reported before anything starts)
//   and hands it over when it starts the thread; from then on only the
//   thread uses it.
// - What the logic thread asks of the window itself (moves, the caption)
//   goes into the request queue under its mutex. A move returns at once; a
//   caption change waits until the window thread has stored it and the
//   server has it (the one round trip left in the cycle). The core lets go
//   of the lock around PlatformSetTitle, so that wait never holds up the
//   cycle it waits for.
// - The window's position is the one the window thread last carried out:
//   nothing else moves an override-redirect window (under XWayland, the
//   one the compositor last reported). Queries of the desktop
//   (its size, the bar) and taking a window out of the taskbar use the
//   desktop connection of x11_desktop.cpp under its own mutex.
// - The lock (PlatformLock) is handed between the two threads: a thread
//   that waits for it gets it before the one that lets go can take it
//   again, and neither spins.
// - XInitThreads is called before the first connection opens, so that
//   Xlib's process-wide state is safe as well.
// Lock order: the lock, then the queue's mutex; the desktop mutex, then the
// watch list's mutex. The window thread never takes the desktop mutex.
//
// Errors: every X error while the window is made, and afterwards every
// error of a shaping, mapping or focus request, ends the program with one
// line on standard error and status 1 (x11_desktop.cpp records them).
#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/scrnsaver.h>
#include <X11/extensions/shape.h>

#include <errno.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "core.h"
#include "platform.h"
#include "x11_internal.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A cycle runs this long after a request without marked rows...
constexpr long GatherNs = 2000000;
// ... and never sooner than this after the last cycle that presented or
// moved.
constexpr Clock::duration Spacing = 10ms;
// Events handled per hold of the lock.
constexpr int EventsPerTurn = 32;

// Why the logic thread woke the window thread: requests queued, rows
// marked, windows to watch, closing.
enum WakeBits : unsigned { WakeRequests = 1, WakeWatch = 2, WakeClose = 4, WakeRows = 8 };
constexpr unsigned WakeWork = WakeRequests | WakeRows;

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

// The lock under ScreenLock, handed over between the two threads: whoever
// waits while the other holds it gets it next, so neither a logic thread
// drawing as fast as it can nor a flood of events keeps the other out.
class HandOverLock {
public:
    void LockForLogic() {
        std::unique_lock<std::mutex> hold(mutex_);
        if (!held_ && !windowWaiting_) {
            held_ = true;
            return;
        }
        ++logicWaiting_;
        changed_.wait(hold, [this] { return !held_ && (!windowWaiting_ || logicTurn_); });
        --logicWaiting_;
        logicTurn_ = false;
        held_ = true;
    }
    void LockForWindow() {
        std::unique_lock<std::mutex> hold(mutex_);
        if (!held_ && !logicTurn_) {
            held_ = true;
            return;
        }
        windowWaiting_ = true;
        changed_.wait(hold, [this] { return !held_ && !logicTurn_; });
        windowWaiting_ = false;
        held_ = true;
    }
    void Unlock(bool byWindow) {
        std::lock_guard<std::mutex> hold(mutex_);
        held_ = false;
        if (byWindow && logicWaiting_ > 0) logicTurn_ = true;
        if (logicWaiting_ > 0 || windowWaiting_) changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool windowWaiting_ = false;
    int logicWaiting_ = 0;
    bool logicTurn_ = false;  // the window thread let go while the logic thread waited
};

enum class Phase { Closed, Opening, Open, Failed, Ended };

// What the two threads share, each part with what guards it.
struct Shared {
    HandOverLock screen;

    std::mutex queueMutex;  // over the queue, the counts, the phase, the failure
    std::condition_variable queueChanged;
    std::vector<Request> requests;
    uint64_t queued = 0;  // requests ever queued
    uint64_t done = 0;    // requests carried out, in order
    Phase phase = Phase::Closed;
    std::string failure;

    std::mutex watchMutex;  // over watch
    std::vector<Window> watch;  // windows the bar depends on, not yet taken

    std::atomic<bool> running{false};
    std::atomic<Window> window{None};
    std::atomic<uint64_t> position{0};  // the last move carried out, packed
    std::atomic<unsigned> wake{0};      // WakeBits not yet answered
    int wakeFd = -1;    // the eventfd; both written only while no window thread runs
    int gatherFd = -1;  // the timerfd
};

Shared S;

// The logic thread's own.
struct LogicState {
    std::unique_ptr<std::thread> thread;
};

LogicState Logic;

// Atoms the window thread uses: its own, and the ones of the desktop's
// properties that can move a bar.
enum AtomIndex {
    WmProtocols, WmDeleteWindow, NetWmName, Utf8String, NetWorkArea, NetCurrentDesktop,
    NetSupportingWmCheck, NetClientList, NetWmStrut, NetWmStrutPartial, NetWmWindowType,
    GtkWorkAreas0, AtomCount = GtkWorkAreas0 + 16
};

// Everything that only the window thread touches.
struct WindowThreadState {
    Display* display = nullptr;
    Window root = None;
    Window window = None;
    GC gc = nullptr;
    XImage* image = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    X11Area origin;
    int32_t x = 0;  // where the last move put the window, desktop coordinates
    int32_t y = 0;
    bool saverSuspended = false;
    bool marked = false;  // rows marked by the thread itself (focus changes)
    bool managed = false;        // under XWayland
    bool parentIsRoot = true;    // no window manager's frame around the window
    std::vector<uint32_t> argb;  // the presented rows with alpha, when managed
    int shapeOpcode = -1;
    int randrEventBase = -1;
    X11Fault fault;
    Atom atoms[AtomCount] = {};
    std::set<Window> watched;       // windows whose changes can move the bar
    std::vector<XRectangle> shape;  // the shape as set
    std::vector<XRectangle> runs;   // scratch
};

uint64_t Pack(int32_t x, int32_t y) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32) | static_cast<uint32_t>(y);
}

// A failure of the system calls the window thread lives on: one line, and
// out at once (the exit handlers would wait for the window thread).
[[noreturn]] void Die(const char* what, const char* why = std::strerror(errno)) {
    const std::string line =
        std::string(program_invocation_short_name) + ": " + what + " (" + why + ")\n";
    ssize_t ignored = write(STDERR_FILENO, line.data(), line.size());
    (void)ignored;
    _exit(1);
}

// Tells the window thread, unless it has been told already and not
// answered yet: requests start the gathering timer, everything else wakes
// it at once.
void Wake(unsigned bit) {
    if (S.wakeFd < 0) return;
    if (S.wake.fetch_or(bit) & bit) return;
    if (bit == WakeRequests) {
        itimerspec gather{};
        gather.it_value.tv_nsec = GatherNs;
        // Unarmed, the request would wait for ever (a caption: and the logic
        // thread with it).
        if (timerfd_settime(S.gatherFd, 0, &gather, nullptr) != 0)
            Die("the window thread's timer cannot be set");
        return;
    }
    const uint64_t one = 1;
    ssize_t ignored = write(S.wakeFd, &one, sizeof one);
    (void)ignored;
}

void SetPhase(Phase phase, const std::string& failure = std::string()) {
    std::lock_guard<std::mutex> hold(S.queueMutex);
    S.phase = phase;
    S.failure = failure;
    S.queueChanged.notify_all();
}

// A fault after opening: the window may be invisible or unreachable, so
// the pet cannot go on. As when the connection is lost, the exit handlers
// (which would wait for this thread) do not run.
[[noreturn]] void Fault(WindowThreadState& s) {
    const std::string line = std::string(program_invocation_short_name) + ": " +
                             X11FaultText(s.display, s.fault, s.shapeOpcode) + "\n";
    ssize_t ignored = write(STDERR_FILENO, line.data(), line.size());
    (void)ignored;
    _exit(1);
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

void SetShape(WindowThreadState& s, int kind, std::vector<XRectangle>& rects) {
    XShapeCombineRectangles(s.display, s.window, kind, 0, 0, rects.data(),
                            static_cast<int>(rects.size()), ShapeSet, YXBanded);
}

void DrawRows(WindowThreadState& s, int32_t first, int32_t last) {
    XPutImage(s.display, s.window, s.gc, s.image, 0, first, 0, first,
              static_cast<unsigned>(s.width), static_cast<unsigned>(last - first + 1));
}

// Brings the shape up to date and draws the band of marked rows, in that
// order: the window keeps no pixels outside its shape, so newly opaque ones
// must be inside it when they are drawn. Until then they show what lies
// beneath, as they did before; the mask colour never shows. False when no
// row was marked.
bool Present(WindowThreadState& s) {
    int32_t first = 0, last = 0;
    if (!TakeMarkedBand(first, last)) return false;
    OpaqueRuns(ConvertedRows, s.width, s.height, s.runs);
    if (!SameShape(s.runs, s.shape)) {
        // A managed window's alpha channel does what the bounding shape
        // does here: compositors that ignore that shape show pixels left
        // outside it, stale or black.
        if (!s.managed) SetShape(s, ShapeBounding, s.runs);
        SetShape(s, ShapeInput, s.runs);
        s.shape.swap(s.runs);
    }
    if (s.managed) {
        const size_t from = static_cast<size_t>(first) * static_cast<size_t>(s.width);
        ToArgb(ConvertedRows + from,
               static_cast<size_t>(last - first + 1) * static_cast<size_t>(s.width),
               s.argb.data() + from);
    }
    DrawRows(s, first, last);
    return true;
}

void HandleKey(XKeyEvent& event) {
    char text[8];
    KeySym keysym = NoSymbol;
    const int length = XLookupString(&event, text, sizeof text, &keysym, nullptr);
    const int32_t code = KeyCodeOf(keysym, text, length);
    if (code >= 0) PutKey(code);
}

bool Watched(const WindowThreadState& s, Window w) {
    return s.watched.count(w) != 0;
}

// The root's properties that can move a bar.
bool BarProperty(const WindowThreadState& s, Atom a) {
    for (int i = NetWorkArea; i < AtomCount; ++i) {
        if (i != NetWmStrut && i != NetWmStrutPartial && i != NetWmWindowType && s.atoms[i] == a) {
            return true;
        }
    }
    return false;
}

// A managed window goes where the compositor puts it. Its ConfigureNotify
// events give root coordinates when the window manager sends them, and when
// the server sends them while the window has no frame.
void LearnPosition(WindowThreadState& s, const XConfigureEvent& event) {
    if (!event.send_event && !s.parentIsRoot) return;
    s.x = event.x - s.origin.x;
    s.y = event.y - s.origin.y;
    S.position = Pack(s.x, s.y);
}

// Events of the desktop: true when the event was one of them.
bool HandleDesktopEvent(WindowThreadState& s, const XEvent& event) {
    if (s.randrEventBase >= 0 && (event.type == s.randrEventBase + RRScreenChangeNotify ||
                                  event.type == s.randrEventBase + RRNotify)) {
        X11BarChanged();
        return true;
    }
    switch (event.type) {
        case PropertyNotify: {
            const Atom a = event.xproperty.atom;
            if (event.xproperty.window == s.root) {
                if (BarProperty(s, a)) X11BarChanged();
            } else if (Watched(s, event.xproperty.window) &&
                       (a == s.atoms[NetWmStrut] || a == s.atoms[NetWmStrutPartial] ||
                        a == s.atoms[NetWmWindowType])) {
                X11BarChanged();
            }
            return true;
        }
        case MapNotify:
            // Any window but the pet's: a bar may come up override-redirect
            // too. A menu or a tooltip costs one more look at the next move.
            if (event.xmap.window != s.window) X11BarChanged();
            return true;
        case UnmapNotify:
            if (Watched(s, event.xunmap.window)) X11BarChanged();
            return true;
        case DestroyNotify:
            if (Watched(s, event.xdestroywindow.window)) {
                s.watched.erase(event.xdestroywindow.window);
                X11BarChanged();
            }
            return true;
        case ConfigureNotify:
            if (event.xconfigure.window == s.window) {
                if (s.managed) LearnPosition(s, event.xconfigure);
            } else if (Watched(s, event.xconfigure.window)) {
                X11BarChanged();
            }
            return true;
        case ReparentNotify:
            if (event.xreparent.window == s.window) {
                s.parentIsRoot = event.xreparent.parent == s.root;
            }
            return true;
        case CreateNotify:
        case GravityNotify:
        case CirculateNotify:
            return true;
        default:
            return false;
    }
}

void HandleEvent(WindowThreadState& s, XEvent& event) {
    if (HandleDesktopEvent(s, event) || event.xany.window != s.window) return;
    switch (event.type) {
        case KeyPress:
            HandleKey(event.xkey);
            break;
        case ButtonPress:
            // A click on the sprite (the input shape lets no other reach
            // the window) gives it the keyboard; a managed window gets it
            // from its window manager.
            if (!s.managed) {
                XSetInputFocus(s.display, s.window, RevertToParent, event.xbutton.time);
            }
            break;
        case FocusIn:
        case FocusOut:
            if (event.xfocus.detail == NotifyPointer) break;
            MarkAllRows();
            s.marked = true;
            break;
        case Expose:
            if (event.xexpose.count == 0) DrawRows(s, 0, s.height - 1);
            break;
        case ClientMessage:
            if (event.xclient.message_type == s.atoms[WmProtocols] && event.xclient.format == 32 &&
                static_cast<Atom>(event.xclient.data.l[0]) == s.atoms[WmDeleteWindow]) {
                PutKey(CloseKey);  // and the window stays
            }
            break;
        default:
            break;
    }
}

// Handles the events Xlib holds, at most EventsPerTurn of them. The caller
// holds the lock.
void HandleQueuedEvents(WindowThreadState& s) {
    for (int n = 0; n < EventsPerTurn && XEventsQueued(s.display, QueuedAlready) > 0; ++n) {
        XEvent event;
        XNextEvent(s.display, &event);
        HandleEvent(s, event);
    }
}

void StoreTitle(WindowThreadState& s, const std::string& title) {
    XStoreName(s.display, s.window, title.c_str());
    const std::string utf8 = Latin1ToUtf8(title.c_str());
    XChangeProperty(s.display, s.window, s.atoms[NetWmName], s.atoms[Utf8String], 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(utf8.data()),
                    static_cast<int>(utf8.size()));
}

// Carries out the queued requests in order; true when one of them moved the
// window. A caption is waited for until the server has it.
bool CarryOutRequests(WindowThreadState& s, std::vector<Request>& batch, bool& titled) {
    {
        std::lock_guard<std::mutex> hold(S.queueMutex);
        if (S.requests.empty()) return false;
        batch.swap(S.requests);
    }
    // Moves that follow each other within one cycle are seen only as the
    // last of them, so the server is asked for that one.
    bool moved = false;
    for (size_t i = 0; i < batch.size(); ++i) {
        const Request& r = batch[i];
        if (r.title) {
            StoreTitle(s, r.text);
            titled = true;
            continue;
        }
        s.x = r.x == KeepCoordinate ? s.x : r.x;
        s.y = r.y == KeepCoordinate ? s.y : r.y;
        if (i + 1 == batch.size() || batch[i + 1].title) {
            XMoveWindow(s.display, s.window, s.origin.x + s.x, s.origin.y + s.y);
            moved = true;
        }
    }
    if (s.managed) {
        // Where the window goes is the compositor's answer, still to come.
        const uint64_t known = S.position.load();
        s.x = static_cast<int32_t>(static_cast<uint32_t>(known >> 32));
        s.y = static_cast<int32_t>(static_cast<uint32_t>(known));
    } else {
        S.position = Pack(s.x, s.y);
    }
    return moved;
}

// One cycle of work: the marked band, the pending events, the queued
// requests, all under the lock. True when it presented or moved.
bool WorkCycle(WindowThreadState& s) {
    // The timer first: a request queued once its bit is clear starts it
    // again.
    if (S.wake.load() & WakeRequests) {
        const itimerspec off{};
        timerfd_settime(S.gatherFd, 0, &off, nullptr);
    }
    S.wake.fetch_and(~WakeWork);
    std::vector<Request> batch;
    bool titled = false;
    S.screen.LockForWindow();
    const bool presented = Present(s);
    HandleQueuedEvents(s);
    const bool moved = CarryOutRequests(s, batch, titled);
    S.screen.Unlock(true);
    if (batch.empty()) return presented;
    // A new caption must be findable when SetWindowTitle returns.
    if (titled) XSync(s.display, False);
    std::lock_guard<std::mutex> hold(S.queueMutex);
    S.done += batch.size();
    S.queueChanged.notify_all();
    return presented || moved;
}

// Starts watching the windows the logic thread found the bar to depend on.
void TakeWatchList(WindowThreadState& s) {
    std::vector<Window> list;
    {
        std::lock_guard<std::mutex> hold(S.watchMutex);
        list.swap(S.watch);
    }
    bool added = false;
    for (Window w : list) {
        if (!s.watched.insert(w).second) continue;
        XSelectInput(s.display, w, PropertyChangeMask | StructureNotifyMask);
        added = true;
    }
    if (!added) return;
    // What changed before the server took the selection would go unseen:
    // let the logic thread look again once it has.
    XSync(s.display, False);
    X11BarChanged();
}

void Run(WindowThreadState& s) {
    Display* d = s.display;
    const int connection = ConnectionNumber(d);
    bool gathered = false;  // the gathering timer went off
    bool rows = false;      // rows marked by the thread itself wait
    Clock::time_point lastVisible = Clock::now() - Spacing;
    while (S.running.load()) {
        if (s.fault.happened) Fault(s);
        const unsigned bits = S.wake.load();
        if (bits & WakeWatch) {
            S.wake.fetch_and(~static_cast<unsigned>(WakeWatch));
            TakeWatchList(s);
        }
        rows = rows || s.marked;
        s.marked = false;
        // Marked rows need no gathering: the moves that go with a frame are
        // queued before it.
        const bool pending = rows || (bits & WakeRows) || (gathered && (bits & WakeRequests));
        const Clock::time_point now = Clock::now();
        const Clock::time_point due = lastVisible + Spacing;
        if (pending && now >= due) {
            gathered = rows = false;
            if (WorkCycle(s)) lastVisible = now;
            continue;
        }
        if (XEventsQueued(d, QueuedAlready) > 0) {
            S.screen.LockForWindow();
            HandleQueuedEvents(s);
            S.screen.Unlock(true);
            continue;
        }
        // Nothing left to do: send what is buffered, and sleep unless that
        // brought events in.
        XFlush(d);
        if (XEventsQueued(d, QueuedAlready) > 0) continue;
        pollfd fds[3] = {{connection, POLLIN, 0}, {S.wakeFd, POLLIN, 0}, {S.gatherFd, POLLIN, 0}};
        timespec wait{};
        timespec* timeout = nullptr;
        if (pending) {
            const auto left = std::max(Clock::duration::zero(), due - Clock::now());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            wait.tv_sec = static_cast<time_t>(ns / 1000000000);
            wait.tv_nsec = static_cast<long>(ns % 1000000000);
            timeout = &wait;
        }
        if (ppoll(fds, 3, timeout, nullptr) < 0) {
            if (errno == EINTR) continue;
            // Nothing could wake the thread any more: the pet would freeze.
            Die("the window thread cannot wait for events");
        }
        for (int i = 1; i < 3; ++i) {
            if (fds[i].revents == 0) continue;
            uint64_t count = 0;
            ssize_t ignored = read(fds[i].fd, &count, sizeof count);
            (void)ignored;
        }
        gathered = gathered || fds[2].revents != 0;
        // Reads what arrived; a closed connection ends the program here.
        if (fds[0].revents != 0) XEventsQueued(d, QueuedAfterReading);
    }
}

// Creates the window; an empty string on success, else what went wrong.
std::string CreateWindow(WindowThreadState& s, const Start& start) {
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
    // TrueColor visual with the usual masks; under XWayland, 0xAARRGGBB on a
    // 32-bit one.
    s.managed = X11IsXwayland(d);
    const int depth = s.managed ? 32 : 24;
    XVisualInfo visual{};
    const bool usual = XMatchVisualInfo(d, screen, depth, TrueColor, &visual) != 0 &&
                       visual.red_mask == 0xFF0000 && visual.green_mask == 0xFF00 &&
                       visual.blue_mask == 0xFF;
    if (!usual) {
        return s.managed ? "the X server offers no 32-bit TrueColor visual"
                         : "the X server offers no 24-bit TrueColor visual";
    }

    // From here until the server has answered, every error means no window.
    X11TrapErrors(d, &s.fault, s.shapeOpcode);
    X11TrapAllErrors(true);

    const char* names[AtomCount] = {"WM_PROTOCOLS", "WM_DELETE_WINDOW", "_NET_WM_NAME",
                                    "UTF8_STRING", "_NET_WORKAREA", "_NET_CURRENT_DESKTOP",
                                    "_NET_SUPPORTING_WM_CHECK", "_NET_CLIENT_LIST",
                                    "_NET_WM_STRUT", "_NET_WM_STRUT_PARTIAL",
                                    "_NET_WM_WINDOW_TYPE"};
    std::string gtk[16];
    for (int i = 0; i < 16; ++i) {
        gtk[i] = "_GTK_WORKAREAS_D" + std::to_string(i);
        names[GtkWorkAreas0 + i] = gtk[i].c_str();
    }
    XInternAtoms(d, const_cast<char**>(names), AtomCount, False, s.atoms);

    XSetWindowAttributes attributes{};
    attributes.override_redirect = s.managed ? False : True;
    attributes.background_pixmap = None;
    attributes.background_pixel = 0;  // managed: transparent where a compositor widens it
    attributes.border_pixel = 0;
    attributes.colormap = visual.visual == DefaultVisual(d, screen)
                              ? DefaultColormap(d, screen)
                              : XCreateColormap(d, s.root, visual.visual, AllocNone);
    // A managed window also hears of the moves its window manager makes.
    attributes.event_mask = KeyPressMask | ButtonPressMask | ExposureMask | FocusChangeMask |
                            (s.managed ? StructureNotifyMask : NoEventMask);
    const int32_t rootX = start.origin.x + start.x, rootY = start.origin.y + start.y;
    s.window = XCreateWindow(d, s.root, rootX, rootY, static_cast<unsigned>(start.width),
                             static_cast<unsigned>(start.height), 0, depth, InputOutput,
                             visual.visual,
                             CWOverrideRedirect | (s.managed ? CWBackPixel : CWBackPixmap) |
                                 CWBorderPixel | CWColormap | CWEventMask,
                             &attributes);
    if (s.window == None) return "cannot create the window";
    if (s.managed) {
        X11SetUpManagedWindow(d, s.window, rootX, rootY, start.width, start.height);
        s.argb.resize(static_cast<size_t>(start.width) * static_cast<size_t>(start.height));
        ToArgb(ConvertedRows, s.argb.size(), s.argb.data());
    }

    XSetWMProtocols(d, s.window, &s.atoms[WmDeleteWindow], 1);
    XClassHint hint{};
    char resName[] = "pomfy", resClass[] = "Pomfy";
    hint.res_name = resName;
    hint.res_class = resClass;
    XSetClassHint(d, s.window, &hint);
    StoreTitle(s, start.title);

    s.gc = XCreateGC(d, s.window, 0, nullptr);
    char* const rows = s.managed ? reinterpret_cast<char*>(s.argb.data())
                                 : reinterpret_cast<char*>(ConvertedRows);
    s.image = XCreateImage(d, visual.visual, static_cast<unsigned>(depth), ZPixmap, 0, rows,
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
    if (!s.managed) SetShape(s, ShapeBounding, s.shape);
    SetShape(s, ShapeInput, s.shape);

    XMapWindow(d, s.window);
    // A managed window gets the keyboard from its window manager.
    if (!s.managed) XSetInputFocus(d, s.window, RevertToParent, CurrentTime);

    // The desktop's changes that can move a bar.
    XSelectInput(d, s.root, PropertyChangeMask | SubstructureNotifyMask);
    int major = 0, minor = 0;
    if (XRRQueryExtension(d, &eventBase, &errorBase) && XRRQueryVersion(d, &major, &minor)) {
        s.randrEventBase = eventBase;
        XRRSelectInput(d, s.root,
                       RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    }

    XSync(d, False);
    if (s.fault.happened) return X11FaultText(d, s.fault, s.shapeOpcode);
    X11TrapAllErrors(false);
    X11BarWatching(true);

    if (XScreenSaverQueryExtension(d, &eventBase, &errorBase) &&
        XScreenSaverQueryVersion(d, &major, &minor) && (major > 1 || (major == 1 && minor >= 1))) {
        XScreenSaverSuspend(d, True);
        s.saverSuspended = true;
    }
    XFlush(d);
    return std::string();
}

void DestroyWindow(WindowThreadState& s) {
    Display* d = s.display;
    X11BarWatching(false);
    X11TrapErrors(nullptr, nullptr, -1);
    X11TrapAllErrors(false);
    if (s.saverSuspended) XScreenSaverSuspend(d, False);
    if (s.image != nullptr) {
        s.image->data = nullptr;  // the rows belong to the core, or to s.argb
        XDestroyImage(s.image);
    }
    if (s.gc != nullptr) XFreeGC(d, s.gc);
    if (s.window != None) XDestroyWindow(d, s.window);
    XCloseDisplay(d);  // also frees a colormap of our own
}

void WindowThreadMain(Start start) {
    WindowThreadState s;
    s.display = start.display;
    s.width = start.width;
    s.height = start.height;
    s.origin = start.origin;
    s.x = start.x;
    s.y = start.y;
    S.position = Pack(s.x, s.y);
    const std::string failure = CreateWindow(s, start);
    if (!failure.empty()) {
        DestroyWindow(s);
        SetPhase(Phase::Failed, failure);
        return;
    }
    S.window = s.window;
    SetPhase(Phase::Open);

    Run(s);

    S.window = None;
    DestroyWindow(s);
    SetPhase(Phase::Ended);
}

}  // namespace

Window X11PetWindow() {
    return S.window.load();
}

bool X11WatchWindows(const std::vector<Window>& windows) {
    if (S.window.load() == None) return false;
    {
        std::lock_guard<std::mutex> hold(S.watchMutex);
        S.watch = windows;
    }
    Wake(WakeWatch);
    return true;
}

int32_t PlatformOpenWindow(int32_t width, int32_t height, int32_t flags) {
    (void)flags;  // always frameless and shaped here; never on top
    if (width <= 0 || height <= 0 || Logic.thread != nullptr || ConvertedRows == nullptr) {
        return 1;
    }
    X11DesktopLock();
    const X11Area origin = X11PrimaryMonitor(X11DesktopDisplay());
    X11DesktopUnlock();

    Start start;
    start.display = X11OpenOrDie();
    start.width = width;
    start.height = height;
    start.origin = origin;
    start.x = (origin.width - width) >> 1;
    start.y = (origin.height - height) >> 1;
    start.title = TitleBuffer;

    S.wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    S.gatherFd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (S.wakeFd < 0 || S.gatherFd < 0) {
        std::fprintf(stderr, "%s: cannot make the window thread's wake-up descriptors (%s)\n",
                     program_invocation_short_name, std::strerror(errno));
        std::exit(1);
    }
    S.wake = 0;
    {
        std::lock_guard<std::mutex> hold(S.queueMutex);
        S.phase = Phase::Opening;
        S.requests.clear();
        S.queued = S.done = 0;
    }
    S.running = true;
    try {
        Logic.thread = std::make_unique<std::thread>(WindowThreadMain, start);
    } catch (const std::exception& e) {
        Die("cannot start the window thread", e.what());
    }

    std::unique_lock<std::mutex> wait(S.queueMutex);
    S.queueChanged.wait(wait, [] { return S.phase != Phase::Opening; });
    if (S.phase == Phase::Open) return 0;
    // Without a window the pet could only run on unseen, with nothing to
    // end it: say why and stop.
    const std::string failure = S.failure;
    wait.unlock();
    S.running = false;
    Logic.thread->join();
    Logic.thread.reset();
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, failure.c_str());
    std::exit(1);
}

void PlatformCloseWindow() {
    if (Logic.thread == nullptr) return;
    S.running = false;
    Wake(WakeClose);
    // The window thread itself never ends the program through the exit
    // handlers (it leaves with _exit), so this runs on another thread.
    Logic.thread->join();
    Logic.thread.reset();
    close(S.wakeFd);
    close(S.gatherFd);
    S.wakeFd = S.gatherFd = -1;
}

void PlatformSetTitle(const char* title) {
    std::unique_lock<std::mutex> hold(S.queueMutex);
    if (S.phase != Phase::Open) return;  // the caption is taken at opening
    Request r;
    r.title = true;
    r.text = title;
    S.requests.push_back(std::move(r));
    const uint64_t mine = ++S.queued;
    Wake(WakeRequests);
    S.queueChanged.wait(hold, [mine] { return S.done >= mine || S.phase != Phase::Open; });
}

void PlatformQueueMove(int32_t x, int32_t y) {
    {
        std::lock_guard<std::mutex> hold(S.queueMutex);
        if (S.phase != Phase::Open) return;
        Request r;
        r.x = x;
        r.y = y;
        S.requests.push_back(std::move(r));
        ++S.queued;
    }
    Wake(WakeRequests);
}

void PlatformGetWindowPosition(int32_t& x, int32_t& y) {
    if (S.window.load() == None) {
        x = y = 0;
        return;
    }
    // Where the window thread last put it: nothing else moves an
    // override-redirect window. A managed one is where its window manager
    // last said it is.
    const uint64_t packed = S.position.load();
    x = static_cast<int32_t>(static_cast<uint32_t>(packed >> 32));
    y = static_cast<int32_t>(static_cast<uint32_t>(packed));
}

void PlatformLock() {
    S.screen.LockForLogic();
}

void PlatformUnlock() {
    S.screen.Unlock(false);
}

void PlatformRowsMarked() {
    Wake(WakeRows);
}

void PlatformSleep(int32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

double PlatformSeconds() {
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

void PlatformExit(int32_t code) {
    std::exit(code);
}

void PlatformPauseStarts(int32_t) {}
