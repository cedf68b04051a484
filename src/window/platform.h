// The seam between the platform-neutral core of the window layer and its
// backends (x11/, wayland/, win32/, sim/).
//
// A backend is a table of entry points, PlatformBackend. A program carries
// one or more of them in PlatformBackends (listed in the order to try), and
// the core picks the first whose Start succeeds, at the first call into the
// window layer. The core owns everything that is the same on every desktop:
// the record of the open window, its caption and position, the pauses and
// the key wait, the window thread itself with its cycle's timing rules, and
// the one-line fatal error. A backend gives only the mechanism: connecting,
// creating and destroying the window, waiting, presenting, moving and reading
// events.
//
// Backends call back into the core only through the functions at the end of
// this file, and keep their own state inside their own files.
#pragma once

#include <cstdint>

// --- Time ---------------------------------------------------------------
// The core measures pauses and cycles in nanoseconds of the backend's
// monotonic clock (ClockNs). NoDeadline stands for "no time limit".
constexpr int64_t NoDeadline = INT64_MAX;
constexpr int64_t NsPerMs = 1000000;

// --- The window thread's mechanism ------------------------------------------
// A desktop backend names these; the core runs the window thread and calls
// them from it (Wake and SetTimer also from the logic thread). The rules the
// core applies on top, written once (cycle.cpp):
//   - A cycle takes the lock, presents the marked band, handles the events
//     that wait, carries out the queued moves (of a burst, only the last
//     before the next caption) and lets go of the lock; captions are then
//     set without the lock, and whoever waits for them is released.
//   - A cycle runs as soon as rows are marked, and CycleGatherNs after a
//     move or caption queued without rows (a frame usually follows its
//     moves), but never sooner than CycleSpacingNs after the last cycle
//     that presented or moved.
//   - Events are handled as they arrive, at most EventsPerTurn per hold of
//     the lock.
//   - A cycle waiting for the lock gets it before the logic thread can take
//     it again, without either thread spinning.
//   - While nothing changes, the window thread sleeps in WaitForWork with
//     no deadline: it wakes for events and for the logic thread only.
constexpr int64_t CycleSpacingNs = 10 * NsPerMs;
constexpr int64_t CycleGatherNs = 2 * NsPerMs;
constexpr int32_t EventsPerTurn = 32;

struct WindowMechanism {
    // On the window thread: creates the window, width x height at (x, y)
    // (desktop coordinates, the window's top-left corner), with the caption
    // and the effective flags, showing ConvertedRows. nullptr on success,
    // otherwise a few words on why it failed ("the X server has no SHAPE
    // extension"), with nothing left behind.
    const char* (*CreateWindow)(int32_t x, int32_t y, int32_t width, int32_t height,
                                int32_t flags, const char* title);
    // On the window thread, after its last cycle: destroys the window and
    // restores what creating it changed (the screen saver).
    void (*DestroyWindow)();
    // On the window thread: whether events have arrived that HandleEvents
    // has not handled yet (read from the connection already, or waiting in
    // the system's queue). Never blocks.
    bool (*EventsWaiting)();
    // On the window thread, holding the lock: handles at most max of the
    // events that wait. Keys go to PutKey, repaints and focus changes may
    // MarkAllRows or draw at once, a move the compositor made is reported
    // with WindowPlaced.
    void (*HandleEvents)(int32_t max);
    // On the window thread: sends what it has buffered, then sleeps until
    // the clock reaches until (NoDeadline: no limit), an event arrives, Wake
    // is called, or the time given to SetTimer comes. May return early.
    void (*WaitForWork)(int64_t until);
    // From any thread: makes the window thread's current or next
    // WaitForWork return at once.
    void (*Wake)();
    // From any thread: makes WaitForWork return once the clock reaches when;
    // NoDeadline cancels. One timer: each call replaces the last.
    void (*SetTimer)(int64_t when);
    // On the window thread, holding the lock: shows rows first..last of
    // ConvertedRows at the same rows of the window.
    void (*Present)(int32_t first, int32_t last);
    // On the window thread, holding the lock: moves the window's top-left
    // corner to (x, y). True when the window is now there; false when the
    // backend tells WindowPlaced where it went itself (the compositor
    // decides, or the system reports every move).
    bool (*Move)(int32_t x, int32_t y);
    // On the window thread, holding the lock, at the end of every cycle
    // after its presentation and moves: a backend that gathers them sends
    // them here (one commit per cycle). May be nullptr.
    void (*EndCycle)();
    // On the window thread, without the lock: sets the caption; returns once
    // others can find the window by it.
    void (*SetTitle)(const char* title);
};

// --- The headless backend ---------------------------------------------------
// The simulator has no window thread: what it would do happens at the
// moments its effect can first be seen. It answers these itself.
struct DirectWindow {
    int32_t (*OpenWindow)(int32_t x, int32_t y, int32_t width, int32_t height);
    void (*CloseWindow)();
    void (*SetTitle)(const char* title);
    void (*Move)(int32_t x, int32_t y);  // carried out at once
    void (*Lock)();
    void (*Unlock)();
    // Blocks the logic thread until the clock reaches until, or, with keys,
    // until the key-hit flag is set (a key arrives); may return early.
    void (*Wait)(int64_t until, bool keys);
    // Called by SleepMs as each pause begins, with its argument as passed.
    void (*PauseStarts)(int32_t ms);
    // Called under the lock when PollKey takes this code from the key buffer.
    void (*KeyTaken)(int32_t code);
    // Ends the program with this status; does not return.
    void (*Exit)(int32_t code);
};

// --- A backend ---------------------------------------------------------------
struct PlatformBackend {
    const char* name;  // "x11", "wayland", "win32", "headless"
    // Connects to the desktop. nullptr when this backend runs here; else
    // why not, in a few words ("no display: DISPLAY is not set"). Called at
    // most once, on the logic thread.
    const char* (*Start)();
    // The primary screen's size in pixels, bars included. Asked once, and
    // again after DesktopResized.
    void (*DesktopSize)(int32_t& width, int32_t& height);
    // Top edge of the bar that reserves the bottom of the screen, in desktop
    // pixels; 0 when there is none. Asked before every move.
    int32_t (*TaskbarTop)();
    // Takes the top-level window with this title out of the taskbar.
    void (*RemoveFromTaskbar)(const char* title);
    // Monotonic nanoseconds, for pauses and cycles.
    int64_t (*ClockNs)();
    // Seconds since an arbitrary fixed point (SecondsTimer).
    double (*Seconds)();
    // Tells the user, in the way of this desktop, one line about why the
    // program must end (standard error; a message box as well on Windows).
    // nullptr: standard error only.
    void (*Tell)(const char* line);
    // The core reads the desktop size once and keeps it. Exactly one of
    // these two:
    const WindowMechanism* threaded;
    const DirectWindow* direct;
};

// The backends there are, each defined by its own files.
extern const PlatformBackend X11Backend;
extern const PlatformBackend WaylandBackend;
extern const PlatformBackend Win32Backend;
extern const PlatformBackend SimBackend;

// The backends of this program, in the order to try, ending with nullptr.
// Each program defines it once (for example, x11/x11_backends.cpp).
extern const PlatformBackend* const PlatformBackends[];

// --- Provided by the core, for backends ---------------------------------

// On the window thread, holding the lock (inside HandleEvents, or with
// WindowLock): puts a key code into the key buffer and sets the key-hit
// flag; a pause waiting for keys ends at its next check.
void PutKey(int32_t code);
// Marks every framebuffer row, so that a cycle soon redraws the window.
void MarkAllRows();
// Copies the marked framebuffer rows into ConvertedRows with the alpha byte
// cleared and clears the marks. False when no row was marked; otherwise
// first..last is the band to draw (unmarked rows inside it included).
bool TakeMarkedBand(int32_t& first, int32_t& last);
// Where the window now is, when the desktop decided it (a compositor's
// answer to Move, or a move of its own). On the window thread, holding the
// lock.
void WindowPlaced(int32_t x, int32_t y);

// The desktop's size has changed (the screen the pet lives on went, and it
// lives on another now): the next GetDesktopSize asks DesktopSize again.
// From any thread.
void DesktopResized();

// The lock as the window thread takes it outside the core's cycle (a window
// procedure that runs inside a system call, for example). It may be taken
// again while held by the same thread.
struct WindowLock {
    WindowLock();
    ~WindowLock();
    WindowLock(const WindowLock&) = delete;
    WindowLock& operator=(const WindowLock&) = delete;
};

// Prints "pomfy: <what>" (Tell) and ends the process with status 1, from
// any thread: the one way the window layer gives up.
[[noreturn]] void FatalError(const char* what);
