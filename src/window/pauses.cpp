// Pauses. A pause of 100 ms or more looks at the key-hit flag at its start
// and every 50 ms after it (its check points), as long as more than 50 ms
// are left; a key found at a check point ends the pause there. The pause
// does not wake at each check point to look: it sleeps until the last one,
// or until a key arrives, and then finishes at the first check point at or
// after the key's arrival; a key that arrives after the last check point
// lets it run to its end. So it ends exactly when checking every 50 ms would
// have ended it, and wakes once, plus once per key.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "core.h"
#include "platform.h"
#include "window.h"

namespace {

constexpr int64_t CheckStepNs = 50 * NsPerMs;

// The logic thread's sleep beside the window thread, which a key ends.
struct LogicSleep {
    std::mutex mutex;  // taken after the screen lock by the window thread
    std::condition_variable keyCame;
    bool waitsForKeys = false;
};
LogicSleep Sleep;

// Sleeps until the clock reaches until, keys or no keys.
void Rest(int64_t until) {
    while (NowNs() < until) Driver().Wait(until, false);
}

// Reads and clears the key-hit flag: one check of a long pause.
bool KeyArrived() {
    // Without a window no key can arrive, and on some systems the lock itself
    // only exists while the window does.
    if (!PetWindow.open) return Keys.hit.exchange(false);
    TakeScreenLock();
    const bool hit = Keys.hit.exchange(false);
    ReleaseScreenLock();
    return hit;
}

// The checks at start, start + 50 ms, ... up to and including last, of a
// pause that ends at end (both NoDeadline: a wait for a key). True when one
// of them found a key.
bool Checks(int64_t start, int64_t last, int64_t end) {
    if (KeyArrived()) return true;
    if (last == start) return false;
    for (;;) {
        Driver().Wait(end, true);
        if (Keys.hit.load()) {
            const int64_t at = Keys.hitAt.load();
            // A key of the unchecked tail stays for the next pause.
            if (at > last) return false;
            // The first check point at or after the key's arrival.
            const int64_t since = at > start ? at - start : 0;
            Rest(start + (since + CheckStepNs - 1) / CheckStepNs * CheckStepNs);
            if (KeyArrived()) return true;
        } else if (NowNs() >= end) {
            return false;
        }
    }
}

}  // namespace

const PreciseSleep* PreciseLogicSleep = nullptr;

void KeyArrivedForLogic() {
    // The logic thread either has not looked at the hint yet, and will see
    // it, or waits, and is woken.
    std::lock_guard<std::mutex> hold(Sleep.mutex);
    if (!Sleep.waitsForKeys) return;
    if (PreciseLogicSleep != nullptr)
        PreciseLogicSleep->Wake();
    else
        Sleep.keyCame.notify_all();
}

void LogicWaits(int64_t until, bool keys) {
    std::unique_lock<std::mutex> hold(Sleep.mutex);
    if (keys && Keys.hit.load()) return;
    const int64_t now = NowNs();
    if (now >= until) return;
    Sleep.waitsForKeys = keys;
    if (PreciseLogicSleep != nullptr) {
        // A key that comes once the mutex is let go wakes the sleep all the
        // same: Wake is kept until the sleep takes it.
        hold.unlock();
        PreciseLogicSleep->Sleep(until);
        hold.lock();
    } else if (until == NoDeadline) {
        Sleep.keyCame.wait(hold);
    } else {
        Sleep.keyCame.wait_for(hold, std::chrono::nanoseconds(until - now));
    }
    Sleep.waitsForKeys = false;
}

void SleepMs(int32_t n) {
    Counts.pauses.fetch_add(1, std::memory_order_relaxed);
    const int64_t start = NowNs();  // also picks the backend, which may watch
    if (Observer != nullptr) Observer->PauseStarts(n);
    if (n == -1) {  // until a key arrives
        Checks(start, NoDeadline, NoDeadline);
        return;
    }
    if (n < 100) {
        if (n > 0) Rest(start + n * NsPerMs);
        return;
    }
    // The check points: every 50 ms while more than 50 ms are left.
    const int32_t checks = (n - 50 + 49) / 50;  // n >= 100: at least 1
    const int64_t end = start + n * NsPerMs;
    if (Checks(start, start + (checks - 1) * CheckStepNs, end)) return;
    // The rest of the pause, unchecked: a key now stays for the next one.
    Rest(end);
}
