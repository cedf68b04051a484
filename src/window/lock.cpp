// The screen lock of the window thread's driver, under the logic thread's
// nesting count (ScreenLock). It is handed over between the two threads:
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

class ScreenLockHandOver {
public:
    void TakeForLogic() {
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

    void ReleaseForLogic() {
        std::lock_guard<std::mutex> hold(mutex_);
        held_ = false;
        if (windowWaiting_) changed_.notify_all();
    }

    void TakeForWindow() {
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

    void ReleaseForWindow() {
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

ScreenLockHandOver HandOver;

}  // namespace

void LogicTakesScreenLock() {
    HandOver.TakeForLogic();
}

void LogicReleasesScreenLock() {
    HandOver.ReleaseForLogic();
}

ScreenLockOnWindowThread::ScreenLockOnWindowThread() {
    HandOver.TakeForWindow();
}

ScreenLockOnWindowThread::~ScreenLockOnWindowThread() {
    HandOver.ReleaseForWindow();
}
