// The headless backend. There is no second thread: what the window thread
// would do is done at the moments when its effect can first be seen by the
// logic thread.
//   - Time stands still except in PlatformSleep, which advances it.
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
#include <cstdlib>
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
    int32_t x = 0;
    int32_t y = 0;
    std::multimap<int64_t, int32_t> keys;        // typed, not yet delivered
    std::multimap<int64_t, int32_t> barChanges;  // time -> bar top
    int32_t readSeen = 0;  // the key ring's read index as last seen
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
        const int32_t before = KeyBuffer.read;
        PutKey(Sim.keys.begin()->second);
        Sim.keys.erase(Sim.keys.begin());
        // A full ring drops its oldest key: that one was not taken by a poll.
        if (KeyBuffer.read != before) Sim.readSeen = KeyBuffer.read;
    }
}

// Under the lock, as it is let go: every key that left the ring since the
// last look was taken by PollKey.
void NoteTakenKeys() {
    while (Sim.readSeen != KeyBuffer.read) {
        TraceEvent e;
        e.kind = TraceEvent::Kind::Key;
        e.key = KeyBuffer.slot[Sim.readSeen];
        SimRecord(e);
        Sim.readSeen = (Sim.readSeen + 1) % 16;
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

}  // namespace

// --- The backend --------------------------------------------------------------

int32_t PlatformOpenWindow(int32_t width, int32_t height, int32_t flags) {
    (void)flags;
    if (!Sim.config.windowOpens) return 1;
    Sim.open = true;
    Sim.x = (Sim.config.desktopWidth - width) >> 1;
    Sim.y = (Sim.config.desktopHeight - height) >> 1;
    return 0;
}

void PlatformCloseWindow() {
    Sim.open = false;
}

void PlatformSetTitle(const char* title) {
    if (Sim.locked) Fault("caption set while holding the screen lock");
    TraceEvent e;
    e.kind = TraceEvent::Kind::Title;
    e.text = title;
    SimRecord(e);
}

void PlatformGetWindowPosition(int32_t& x, int32_t& y) {
    x = Sim.x;
    y = Sim.y;
}

void PlatformQueueMove(int32_t x, int32_t y) {
    Sim.x = x;
    Sim.y = y;
    TraceEvent e;
    e.kind = TraceEvent::Kind::Move;
    e.x = x;
    e.y = y;
    SimRecord(e);
}

void PlatformGetDesktopSize(int32_t& width, int32_t& height) {
    width = Sim.config.desktopWidth;
    height = Sim.config.desktopHeight;
}

int32_t PlatformTaskbarTop() {
    auto it = Sim.barChanges.upper_bound(Sim.now);
    if (it == Sim.barChanges.begin()) return Sim.config.taskbarTop;
    return std::prev(it)->second;
}

void PlatformRemoveFromTaskbar(const char* title) {
    TraceEvent e;
    e.kind = TraceEvent::Kind::Taskbar;
    e.text = title;
    SimRecord(e);
}

// Every SetPixel takes and releases the lock: both stay cheap when there is
// nothing to deliver or to note.
void PlatformLock() {
    if (Sim.locked) Fault("screen lock taken twice");
    Sim.locked = true;
    if (!Sim.keys.empty()) DeliverKeys();
}

void PlatformUnlock() {
    if (!Sim.locked) Fault("screen lock let go while not held");
    if (Sim.readSeen != KeyBuffer.read) NoteTakenKeys();
    Sim.locked = false;
}

void PlatformSleep(int32_t ms) {
    if (Sim.locked) Fault("pause while holding the screen lock");
    RunCycle();
    if (ms > 0) Sim.now += ms;
    Sim.locked = true;
    DeliverKeys();
    Sim.locked = false;
}

double PlatformSeconds() {
    return Sim.config.clockStart + static_cast<double>(Sim.now) / 1000.0;
}

void PlatformExit(int32_t code) {
    TraceEvent e;
    e.kind = TraceEvent::Kind::Exit;
    e.status = code;
    SimRecord(e);
    throw SimExit{code};
}

// The simulated window thread presents at every pause; it needs no wake-up.
void PlatformRowsMarked() {}

void PlatformPauseStarts(int32_t ms) {
    // Waiting for a key with none to come would run the clock for ever.
    if (ms == -1 && Sim.keys.empty() && !KeyHitFlag) Fault("waiting for a key that is never typed");
    TraceEvent e;
    e.kind = TraceEvent::Kind::Sleep;
    e.ms = ms;
    SimRecord(e);
}

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
    Sim.x = x;
    Sim.y = y;
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
