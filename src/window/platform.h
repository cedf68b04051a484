// The seam between the platform-neutral core of the window layer and its
// backends (x11/, wayland/, win32/, sim/).
//
// A backend is a table of entry points, PlatformBackend. A program carries
// one or more of them in PlatformBackends (listed in the order to try), and
// the core picks the first whose Start succeeds, at the first call into the
// window layer. The core owns everything that is the same on every desktop:
// the record of the window (PetWindow, core.h), the pauses and the key wait,
// the window thread itself with its cycle's timing rules, and the one-line
// fatal error. A desktop backend gives only the mechanism: connecting,
// creating and destroying the window, waiting, presenting, moving and reading
// events; it reports what the desktop did through the functions at the end
// of this file, and keeps only its native handles and caches, in its own
// files.
//
// Scale: the pet works in the desktop's logical pixels. A backend tells the
// desktop's scale (DesktopScale): device pixels per logical pixel, and
// whether its own positions (DesktopSize, TaskbarTop, the corner given to
// Open, CreateWindow and Move, WindowPlaced) are device pixels, which the
// core converts, or logical already (a compositor that places surfaces in
// its own logical pixels). Either way the window on the screen is
// PetWindow.deviceWidth x deviceHeight device pixels, the size of its
// converted rows.
#pragma once

#include <cstdint>
#include <vector>

#include "neutral.h"

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
    // On the window thread: creates the window of PetWindow's device size
    // and caption at (x, y) (desktop coordinates, the window's top-left corner),
    // frameless, shaped to its picture and never on top, showing its
    // converted rows. nullptr on success, otherwise a few words on why it
    // failed ("the X server has no SHAPE extension"), with nothing left
    // behind.
    const char* (*CreateWindow)(int32_t x, int32_t y);
    // On the window thread, after its last cycle: destroys the window and
    // gives back what creating it took (the screen saver's suspension).
    void (*DestroyWindow)();
    // On the window thread: whether events have arrived that HandleEvents
    // has not handled yet (read from the connection already, or waiting in
    // the system's queue). Never blocks.
    bool (*EventsWaiting)();
    // On the window thread, holding the lock: handles at most max of the
    // events that wait, reporting them with the functions at the end of
    // this file (a repaint may also draw at once).
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
    // On the window thread, holding the lock: shows device rows first..last
    // of PetWindow.convertedRows at the same rows of the window.
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

// --- How the logic thread's requests reach the window ---------------------
// Every backend names one. The desktop backends name WindowThreadDriver, the
// core's window thread, which runs their WindowMechanism; the headless
// backend answers them itself, at once, on its virtual clock.
struct WindowDriver {
    // Makes the window described by PetWindow at (x, y): nullptr on
    // success, otherwise a few words on why it failed.
    const char* (*Open)(int32_t x, int32_t y);
    void (*Close)();
    // Sets the caption; returns once others can find the window by it.
    void (*SetTitle)(const char* title);
    // Moves the window's top-left corner, or queues the move; whoever
    // carries it out tells WindowPlaced.
    void (*Move)(int32_t x, int32_t y);
    // The logic thread's side of the screen lock, under the nesting count
    // of TakeScreenLock.
    void (*Lock)();
    void (*Unlock)();
    // Blocks the logic thread until the clock reaches until, or, with keys,
    // until the key-hit flag is set (a key arrives); may return early.
    void (*Wait)(int64_t until, bool keys);
    // The logic thread let go of the lock with newly marked rows.
    void (*RowsMarked)();
};
extern const WindowDriver WindowThreadDriver;

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
    // How the desktop scales the primary screen, asked once, after
    // DesktopSize. nullptr: not at all (scale 1).
    void (*DesktopScale)(double& scale, bool& devicePositions);
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
    // Ends the program with this status, after the core has said what it
    // had to; does not return. nullptr: the process exits.
    void (*Exit)(int32_t code);
    const WindowDriver* driver;
    // What WindowThreadDriver runs; nullptr for a backend with a driver of
    // its own.
    const WindowMechanism* mechanism;
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
// What the desktop did, reported on the window thread holding the lock
// (inside HandleEvents, or with a ScreenLockOnWindowThread); what follows
// from it is the core's.

// A key was typed: its code goes into the key buffer and the key-hit flag
// is set; a pause waiting for keys ends at its next check.
void PutKey(int32_t code);
// The window gained or lost the keyboard.
void FocusChanged();
// The desktop asked the window to close (it stays; the pet hears of it as a
// key, CloseKey).
void CloseRequested();
// Where the window now is, when the desktop decided it (a compositor's
// answer to Move, or a move of its own).
void WindowPlaced(int32_t x, int32_t y);
// The window's picture was lost: every row is drawn again soon.
void MarkAllRows();

// The form in which a backend shows pixels, and so the form of
// PetWindow.convertedRows.
enum class RowForm {
    Opaque,  // 0x00RRGGBB: the alpha byte cleared, the mask colour kept
    Alpha,   // 0xAARRGGBB: the mask colour fully transparent, the rest opaque
};
// In CreateWindow, before it shows anything: converts every row into this
// form, and every row from then on. Opaque until a backend asks otherwise.
void ShowRowsAs(RowForm form);
// On the window thread, holding the lock: the opaque pixels of the
// converted rows when they differ from those of the last call, or at the
// first call for a window; nullptr when they are the same.
const std::vector<PixelRun>* ShapeChange();

// For drivers: converts the marked framebuffer rows into
// PetWindow.convertedRows, each pixel a block of device pixels, and clears
// the marks. False when no row was marked; otherwise first..last is the
// band of device rows to draw (unmarked rows inside it included).
bool TakeMarkedBand(int32_t& first, int32_t& last);

// A precise sleep for the logic thread's pauses, for a backend whose system
// keeps timed waits to a coarse tick (Windows): Sleep blocks until the clock
// reaches until (NoDeadline: no limit) or Wake is called, and may return
// early; Wake, from any thread, makes the current or next Sleep return. A
// backend that has one sets PreciseLogicSleep in its Start; without it the
// logic thread waits on a condition variable.
struct PreciseSleep {
    void (*Sleep)(int64_t until);
    void (*Wake)();
};
extern const PreciseSleep* PreciseLogicSleep;

// The desktop's size has changed (the screen the pet lives on went, and it
// lives on another now): the next GetDesktopSize asks DesktopSize again.
// From any thread.
void DesktopResized();

// The screen lock as the window thread takes it outside the core's cycle (a
// window procedure that runs inside a system call, for example). It may be
// taken again while held by the same thread.
struct ScreenLockOnWindowThread {
    ScreenLockOnWindowThread();
    ~ScreenLockOnWindowThread();
    ScreenLockOnWindowThread(const ScreenLockOnWindowThread&) = delete;
    ScreenLockOnWindowThread& operator=(const ScreenLockOnWindowThread&) = delete;
};

// Prints "pomfy: <what>" (Tell) and ends the process with status 1, from
// any thread: the one way the window layer gives up.
[[noreturn]] void FatalError(const char* what);
