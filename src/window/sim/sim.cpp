// The headless backend. There is no second thread: what the window thread
// would do is done at the moments when its effect can first be seen by the
// logic thread.
//   - Time stands still except in the pauses, which advance it.
//   - Keys typed at time T are put into the key buffer whenever the logic
//     thread takes the lock at a time >= T, and after each advance of the
//     clock; so a key has arrived for every poll and every pause check made
//     at or after the moment it was typed. Keys due before the window opens
//     arrive as soon as it is open.
//   - A window cycle (the marked band presented, a Present event) runs at
//     the start of every pause and at the end of SimRun.
//   - Moves are carried out at once and traced.
// Misuse that would hang a real desktop (taking the lock twice, sleeping or
// setting the caption while holding it) stops the program with a message, as
// does a wait for a key when none is ever typed.
#include "sim.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <map>
#include <utility>

#include "core.h"
#include "platform.h"

void (*SimListener)(const TraceEvent& event) = nullptr;

namespace {

struct SimState {
    SimConfig config;
    int64_t now = 0;
    bool open = false;
    bool locked = false;
    std::multimap<int64_t, int32_t> keys;        // typed, not yet delivered
    std::multimap<int64_t, int32_t> barChanges;  // time -> bar top
    std::vector<TraceEvent> trace;
};

SimState Sim;

[[noreturn]] void Fault(const char* what) {
    std::fprintf(stderr, "headless window layer: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

// Under the lock: what the window thread's message step would have put
// into the key buffer by now.
void DeliverKeys() {
    if (!Sim.open) return;
    while (!Sim.keys.empty() && Sim.keys.begin()->first <= Sim.now) {
        PutKey(Sim.keys.begin()->second);
        Sim.keys.erase(Sim.keys.begin());
    }
}

// One cycle of the window thread.
void RunCycle() {
    if (!Sim.open || Sim.locked) return;
    Sim.locked = true;
    int32_t first = 0, last = 0;
    const bool drawn = TakeMarkedBand(first, last);
    DeliverKeys();
    Sim.locked = false;
    if (drawn) {
        TraceEvent e;
        e.kind = TraceEvent::Kind::Present;
        e.firstRow = first;
        e.lastRow = last;
        SimRecord(e);
    }
}

// --- The backend --------------------------------------------------------------

const char* SimOpenWindow(int32_t, int32_t) {
    if (!Sim.config.windowOpens) return "the desktop refused it";
    Sim.open = true;
    return nullptr;
}

void SimCloseWindow() {
    Sim.open = false;
}

void SimSetTitle(const char* title) {
    if (Sim.locked) Fault("caption set while holding the screen lock");
    TraceEvent e;
    e.kind = TraceEvent::Kind::Title;
    e.text = title;
    SimRecord(e);
}

// Carried out at once.
void SimMove(int32_t x, int32_t y) {
    TraceEvent e;
    e.kind = TraceEvent::Kind::Move;
    e.x = x;
    e.y = y;
    SimRecord(e);
    WindowPlaced(x, y);
}

// Every SetPixel takes and releases the lock: both stay cheap when there is
// nothing to deliver or to note.
void SimLock() {
    if (Sim.locked) Fault("screen lock taken twice");
    Sim.locked = true;
    if (!Sim.keys.empty()) DeliverKeys();
}

void SimUnlock() {
    if (!Sim.locked) Fault("screen lock let go while not held");
    Sim.locked = false;
}

// Rows are presented at the start of every pause.
void SimRowsMarked() {}

// The clock moves on to until, or with keys to the next key typed before
// then; a window cycle runs first, as at the start of every pause.
void SimWait(int64_t until, bool keys) {
    if (Sim.locked) Fault("pause while holding the screen lock");
    RunCycle();
    int64_t target = until == NoDeadline ? INT64_MAX : (until + NsPerMs - 1) / NsPerMs;
    if (keys && Sim.open && !Sim.keys.empty()) {
        target = std::min(target, std::max(Sim.now, Sim.keys.begin()->first));
    }
    // Waiting for a key with none to come would run the clock for ever.
    if (target == INT64_MAX) Fault("waiting for a key that is never typed");
    if (target > Sim.now) Sim.now = target;
    Sim.locked = true;
    DeliverKeys();
    Sim.locked = false;
}

void SimPauseStarts(int32_t ms) {
    TraceEvent e;
    e.kind = TraceEvent::Kind::Sleep;
    e.ms = ms;
    SimRecord(e);
}

void SimKeyTaken(int32_t code) {
    TraceEvent e;
    e.kind = TraceEvent::Kind::Key;
    e.key = code;
    SimRecord(e);
}

[[noreturn]] void SimEndProgram(int32_t code) {
    TraceEvent e;
    e.kind = TraceEvent::Kind::Exit;
    e.status = code;
    SimRecord(e);
    throw SimExit{code};
}

const WindowObserver SimObserver = {SimPauseStarts, SimKeyTaken};

const char* SimStart() {
    Observer = &SimObserver;
    return nullptr;
}

void SimDesktopSize(int32_t& width, int32_t& height) {
    width = Sim.config.desktopWidth;
    height = Sim.config.desktopHeight;
}

int32_t SimTaskbarTop() {
    auto it = Sim.barChanges.upper_bound(Sim.now);
    if (it == Sim.barChanges.begin()) return Sim.config.taskbarTop;
    return std::prev(it)->second;
}

void SimRemoveFromTaskbar(const char* title) {
    TraceEvent e;
    e.kind = TraceEvent::Kind::Taskbar;
    e.text = title;
    SimRecord(e);
}

int64_t SimClockNs() {
    return Sim.now * NsPerMs;
}

double SimSeconds() {
    return Sim.config.clockStart + static_cast<double>(Sim.now) / 1000.0;
}

// No window thread: what it would do happens at the moments its effect can
// first be seen.
const WindowDriver SimDriver = {SimOpenWindow, SimCloseWindow, SimSetTitle, SimMove,
                                SimLock,       SimUnlock,      SimWait,     SimRowsMarked};

}  // namespace

// Always at scale 1 (no DesktopScale).
const PlatformBackend SimBackend = {
    "headless", SimStart,      SimDesktopSize, nullptr,       SimTaskbarTop,
    SimRemoveFromTaskbar,      SimClockNs,     SimSeconds,    nullptr,
    SimEndProgram,             &SimDriver,     nullptr,
};

const PlatformBackend* const PlatformBackends[] = {&SimBackend, nullptr};

// --- For tests and tools --------------------------------------------------------

void SimReset(const SimConfig& config) {
    ResetWindowCore();
    Sim = SimState();
    Sim.config = config;
}

int64_t SimNow() {
    return Sim.now;
}

void SimTypeKey(int64_t t, int32_t code) {
    Sim.keys.emplace(t, code);  // after any key typed at the same time
}

void SimSetTaskbarTopAt(int64_t t, int32_t top) {
    Sim.barChanges.erase(t);
    Sim.barChanges.emplace(t, top);
}

void SimPlaceWindow(int32_t x, int32_t y) {
    WindowPlaced(x, y);
}

void SimRecord(TraceEvent event) {
    event.t = Sim.now;
    if (SimListener) SimListener(event);
    if (Sim.config.keepTrace) Sim.trace.push_back(std::move(event));
}

void SimNote(const std::string& text) {
    TraceEvent e;
    e.kind = TraceEvent::Kind::Note;
    e.text = text;
    SimRecord(e);
}

const std::vector<TraceEvent>& SimTrace() {
    return Sim.trace;
}

int32_t SimRun(void (*body)()) {
    int32_t status = -1;
    try {
        body();
    } catch (const SimExit& exit) {
        status = exit.code;
    }
    RunCycle();
    return status;
}
