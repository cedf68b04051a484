// The window thread of a desktop backend, and the rules of its cycle,
// written once for every desktop (platform.h states them): the driver
// WindowThreadDriver. The backend's WindowMechanism gives the means: create
// and destroy the window, wait, present, move, handle events.
//
// What the logic thread asks of the window (moves, captions) goes into the
// request queue; marked rows are announced. Either schedules the next cycle:
// at once for rows, CycleGatherNs later for requests alone, never sooner
// than CycleSpacingNs after the last cycle that presented or moved. A
// schedule in the future is the mechanism's timer, so that the thread wakes
// once, when the cycle is due, and not also when it is asked.
//
// Lock order: the screen lock, then this file's mutex.
#ifdef __linux__
#include <pthread.h>
#endif

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core.h"
#include "platform.h"

namespace {

struct Request {
    bool title = false;  // a caption; otherwise a move
    int32_t x = 0;
    int32_t y = 0;
    std::string text;
};

enum class Phase { Closed, Opening, Open, Failed };

struct EngineState {
    std::mutex mutex;  // over everything below but the thread itself
    std::condition_variable changed;  // the phase, requests carried out
    Phase phase = Phase::Closed;
    std::string failure;
    bool closing = false;
    std::vector<Request> requests;
    uint64_t queued = 0;  // requests ever queued
    uint64_t done = 0;    // requests carried out, in order
    int64_t requestsSince = NoDeadline;  // when the oldest waiting request came
    bool rowsWaiting = false;            // marked rows not yet presented
    int64_t lastVisible = -CycleSpacingNs;  // the last cycle that presented or moved
    int64_t timerAt = NoDeadline;        // what the mechanism's timer is set to
    std::thread thread;
};

// Set by the window thread itself as it starts.
std::atomic<std::thread::id> WindowThreadId{};

EngineState Engine;

}  // namespace

WindowCounts Counts;

namespace {

const WindowMechanism& Mechanism() {
    return *Backend().mechanism;
}

// When the next cycle is due; NoDeadline while there is nothing to do.
int64_t Due() {
    const int64_t spaced = Engine.lastVisible + CycleSpacingNs;
    int64_t due = NoDeadline;
    if (Engine.rowsWaiting) due = spaced;
    if (!Engine.requests.empty()) {
        const int64_t gathered = Engine.requestsSince + CycleGatherNs;
        const int64_t t = gathered > spaced ? gathered : spaced;
        if (t < due) due = t;
    }
    return due;
}

// From the logic thread, holding the mutex: makes the window thread wake
// when the cycle is due, unless something wakes it by then already. True
// when it must be woken now, which the caller does once it has let go of
// the mutex, so that the thread it wakes does not wait for it.
bool Schedule() {
    const int64_t due = Due();
    if (due >= Engine.timerAt) return false;
    if (due <= NowNs()) return true;
    Engine.timerAt = due;
    Mechanism().SetTimer(due);
    return false;
}

// Carries out the moves of a batch in order; only the last of the moves
// that follow each other is sent, since only it could be seen. True when
// the window moved.
bool CarryOutMoves(const std::vector<Request>& batch) {
    bool moved = false;
    for (size_t i = 0; i < batch.size(); ++i) {
        if (batch[i].title) continue;
        if (i + 1 < batch.size() && !batch[i + 1].title) continue;
        if (Mechanism().Move(batch[i].x, batch[i].y)) WindowPlaced(batch[i].x, batch[i].y);
        moved = true;
    }
    return moved;
}

// One cycle: under the lock the marked band, the events that wait and the
// queued moves; then the captions, without it.
void RunCycle(int64_t now) {
    const WindowMechanism& m = Mechanism();
    std::vector<Request> batch;
    bool visible = false;
    {
        ScreenLockOnWindowThread hold;
        {
            std::lock_guard<std::mutex> engine(Engine.mutex);
            batch.swap(Engine.requests);
            Engine.requestsSince = NoDeadline;
            Engine.rowsWaiting = false;
            if (Engine.timerAt != NoDeadline) {
                Engine.timerAt = NoDeadline;
                m.SetTimer(NoDeadline);
            }
        }
        int32_t first = 0, last = 0;
        if (TakeMarkedBand(first, last)) {
            m.Present(first, last);
            visible = true;
        }
        if (m.EventsWaiting()) m.HandleEvents(EventsPerTurn);
        if (CarryOutMoves(batch)) visible = true;
        if (m.EndCycle != nullptr) m.EndCycle();
    }
    for (const Request& r : batch) {
        if (r.title) m.SetTitle(r.text.c_str());
    }
    Counts.cycles.fetch_add(1, std::memory_order_relaxed);
    if (visible) Counts.visibleCycles.fetch_add(1, std::memory_order_relaxed);
    std::lock_guard<std::mutex> engine(Engine.mutex);
    if (visible) Engine.lastVisible = now;
    if (!batch.empty()) {
        Engine.done += batch.size();
        Engine.changed.notify_all();
    }
}

void WindowThreadMain(int32_t x, int32_t y) {
    WindowThreadId = std::this_thread::get_id();
#ifdef __linux__
    pthread_setname_np(pthread_self(), "pomfy-window");  // for top -H and the tests
#endif
    const WindowMechanism& m = Mechanism();
    const char* failure = m.CreateWindow(x, y);
    {
        std::lock_guard<std::mutex> engine(Engine.mutex);
        if (failure != nullptr) {
            Engine.phase = Phase::Failed;
            Engine.failure = failure;
            Engine.changed.notify_all();
            return;
        }
        Engine.phase = Phase::Open;
        Engine.changed.notify_all();
    }
    for (;;) {
        int64_t due = NoDeadline;
        {
            std::lock_guard<std::mutex> engine(Engine.mutex);
            if (Engine.closing) break;
            due = Due();
        }
        const int64_t now = NowNs();
        if (due <= now) {
            RunCycle(now);
        } else if (m.EventsWaiting()) {
            ScreenLockOnWindowThread hold;
            m.HandleEvents(EventsPerTurn);
        } else {
            m.WaitForWork(due);
        }
    }
    m.DestroyWindow();
}

const char* StartWindowThread(int32_t x, int32_t y) {
    std::unique_lock<std::mutex> engine(Engine.mutex);
    if (Engine.thread.joinable()) return "it is open already";
    Engine.phase = Phase::Opening;
    Engine.failure.clear();
    Engine.closing = false;
    Engine.requests.clear();
    Engine.queued = Engine.done = 0;
    Engine.requestsSince = NoDeadline;
    Engine.rowsWaiting = false;
    Engine.lastVisible = NowNs() - CycleSpacingNs;
    Engine.timerAt = NoDeadline;
    try {
        Engine.thread = std::thread(WindowThreadMain, x, y);
    } catch (const std::exception&) {
        Engine.phase = Phase::Closed;
        return "its window thread could not be started";
    }
    Engine.changed.wait(engine, [] { return Engine.phase != Phase::Opening; });
    if (Engine.phase == Phase::Open) return nullptr;
    engine.unlock();
    Engine.thread.join();
    WindowThreadId = std::thread::id();
    engine.lock();
    Engine.phase = Phase::Closed;
    return Engine.failure.c_str();
}

void StopWindowThread() {
    {
        std::lock_guard<std::mutex> engine(Engine.mutex);
        if (!Engine.thread.joinable() || Engine.phase != Phase::Open) return;
        Engine.closing = true;
        // A caption still waited for is given up.
        Engine.done = Engine.queued;
        Engine.changed.notify_all();
    }
    Mechanism().Wake();
    Engine.thread.join();
    WindowThreadId = std::thread::id();
    std::lock_guard<std::mutex> engine(Engine.mutex);
    Engine.phase = Phase::Closed;
}

// From the logic thread, holding the mutex: queues a request and schedules
// the cycle that carries it out (wake: whether to wake the window thread
// once the mutex is let go). The number of the request; 0 when no window is
// open.
uint64_t Queue(Request r, bool& wake) {
    wake = false;
    if (Engine.phase != Phase::Open || Engine.closing) return 0;
    if (Engine.requests.empty()) Engine.requestsSince = NowNs();
    Engine.requests.push_back(std::move(r));
    wake = Schedule();
    return ++Engine.queued;
}

void QueueMove(int32_t x, int32_t y) {
    Request r;
    r.x = x;
    r.y = y;
    bool wake = false;
    {
        std::lock_guard<std::mutex> engine(Engine.mutex);
        Queue(std::move(r), wake);
    }
    if (wake) Mechanism().Wake();
}

void QueueTitle(const char* title) {
    std::unique_lock<std::mutex> engine(Engine.mutex);
    Request r;
    r.title = true;
    r.text = title;
    bool wake = false;
    const uint64_t mine = Queue(std::move(r), wake);
    if (mine == 0) return;
    if (wake) {
        engine.unlock();
        Mechanism().Wake();
        engine.lock();
    }
    Engine.changed.wait(engine, [mine] { return Engine.done >= mine || Engine.phase != Phase::Open; });
}

void AnnounceMarkedRows() {
    bool wake = false;
    {
        std::lock_guard<std::mutex> engine(Engine.mutex);
        if (Engine.phase != Phase::Open || Engine.closing || Engine.rowsWaiting) return;
        Engine.rowsWaiting = true;
        wake = Schedule();
    }
    if (wake) Mechanism().Wake();
}

}  // namespace

const WindowDriver WindowThreadDriver = {
    StartWindowThread,    StopWindowThread, QueueTitle, QueueMove,
    LogicTakesScreenLock, LogicReleasesScreenLock, LogicWaits, AnnounceMarkedRows,
};

bool OnWindowThread() {
    return std::this_thread::get_id() == WindowThreadId.load();
}

void RowsMarkedByWindow() {
    // Only the window thread marks rows this way, and it looks at the
    // schedule again before it sleeps.
    if (!OnWindowThread()) return;
    std::lock_guard<std::mutex> engine(Engine.mutex);
    Engine.rowsWaiting = true;
}
