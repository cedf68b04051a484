// The window thread's wake-ups on Linux: see wakeups.h.
#include "wakeups.h"

#include <errno.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cstring>

#include "platform.h"

namespace {

int WakeFd = -1;
int TimerFd = -1;

timespec At(int64_t ns) {
    timespec t{};
    t.tv_sec = static_cast<time_t>(ns / 1000000000);
    t.tv_nsec = static_cast<long>(ns % 1000000000);
    return t;
}

[[noreturn]] void Die(const char* what) {
    const std::string line = std::string(what) + " (" + std::strerror(errno) + ")";
    FatalError(line.c_str());
}

void Drain(int fd) {
    uint64_t count = 0;
    if (read(fd, &count, sizeof count) < 0 && errno != EAGAIN) {
        Die("the window thread cannot read its wake-up");
    }
}

}  // namespace

int64_t MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

double MonotonicSeconds() {
    return static_cast<double>(MonotonicNs()) / 1e9;
}

bool OpenWakeups(std::string& why) {
    WakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    TimerFd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (WakeFd >= 0 && TimerFd >= 0) return true;
    why = std::string("cannot make the window thread's wake-ups (") + std::strerror(errno) + ")";
    CloseWakeups();
    return false;
}

void CloseWakeups() {
    if (WakeFd >= 0) close(WakeFd);
    if (TimerFd >= 0) close(TimerFd);
    WakeFd = TimerFd = -1;
}

void WakeupPollFds(pollfd& wake, pollfd& timer) {
    wake = pollfd{WakeFd, POLLIN, 0};
    timer = pollfd{TimerFd, POLLIN, 0};
}

void DrainWakeups(const pollfd& wake, const pollfd& timer) {
    if (wake.revents & POLLIN) Drain(WakeFd);
    if (timer.revents & POLLIN) Drain(TimerFd);
}

void WakeNow() {
    const uint64_t one = 1;
    if (write(WakeFd, &one, sizeof one) < 0 && errno != EAGAIN) Die("cannot wake the window thread");
}

void WakeAt(int64_t when) {
    itimerspec t{};  // all zero: disarmed
    if (when != NoDeadline) t.it_value = At(when > 0 ? when : 1);  // 0 would disarm it
    // Unarmed, a cycle would wait for ever (a caption: and the logic thread
    // with it).
    if (timerfd_settime(TimerFd, TFD_TIMER_ABSTIME, &t, nullptr) != 0) {
        Die("cannot set the window thread's timer");
    }
}

const timespec* TimeoutUntil(int64_t until, timespec& t) {
    if (until == NoDeadline) return nullptr;
    const int64_t left = until - MonotonicNs();
    t = At(left > 0 ? left : 0);
    return &t;
}
