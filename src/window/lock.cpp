// The lock under ScreenLock, over the framebuffer, the row marks and the key
// buffer. On a desktop backend it is handed over between the two threads:
// whoever waits while the other holds it gets it next, so that neither a
// logic thread drawing as fast as it can (a sheet is built one pixel, one
// lock, at a time) nor a flood of events keeps the other out, and neither
// spins. The window thread may take it again while it holds it (a window
// procedure runs inside the system calls of its own cycle).
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core.h"
#include "platform.h"

namespace {

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

    void UnlockForLogic() {
        std::lock_guard<std::mutex> hold(mutex_);
        held_ = false;
        if (windowWaiting_) changed_.notify_all();
    }

    void LockForWindow() {
        std::unique_lock<std::mutex> hold(mutex_);
        if (windowDepth_ > 0) {  // the window thread holds it already
            ++windowDepth_;
            return;
        }
        if (held_ || logicTurn_) {
            windowWaiting_ = true;
            changed_.wait(hold, [this] { return !held_ && !logicTurn_; });
            windowWaiting_ = false;
        }
        held_ = true;
        windowDepth_ = 1;
    }

    void UnlockForWindow() {
        std::lock_guard<std::mutex> hold(mutex_);
        if (--windowDepth_ > 0) return;
        held_ = false;
        if (logicWaiting_ > 0) {
            logicTurn_ = true;
            changed_.notify_all();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool windowWaiting_ = false;
    int windowDepth_ = 0;
    int logicWaiting_ = 0;
    bool logicTurn_ = false;  // the window thread let go while the logic thread waited
};

HandOverLock Screen;

}  // namespace

void LockForLogic() {
    const DirectWindow* direct = Backend().direct;
    direct != nullptr ? direct->Lock() : Screen.LockForLogic();
}

void UnlockForLogic() {
    const DirectWindow* direct = Backend().direct;
    direct != nullptr ? direct->Unlock() : Screen.UnlockForLogic();
}

WindowLock::WindowLock() {
    Screen.LockForWindow();
}

WindowLock::~WindowLock() {
    Screen.UnlockForWindow();
}
