// The X11 window thread's sleep: poll() on its X connection, a wake-up
// descriptor (an eventfd) that Wake signals and a timer (a timerfd on the
// monotonic clock) that SetTimer arms. Before it sleeps it sends what Xlib
// has buffered and looks for events Xlib already holds: poll() only sees the
// socket, so an event read along with a reply would otherwise wait.
#include <errno.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform.h"
#include "x11_internal.h"

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

}  // namespace

int64_t X11ClockNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

bool X11PrepareWaiting(std::string& why) {
    WakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    TimerFd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (WakeFd >= 0 && TimerFd >= 0) return true;
    why = std::string("cannot make the window thread's wake-up descriptors (") +
          std::strerror(errno) + ")";
    X11StopWaiting();
    return false;
}

void X11StopWaiting() {
    if (WakeFd >= 0) close(WakeFd);
    if (TimerFd >= 0) close(TimerFd);
    WakeFd = TimerFd = -1;
}

void X11Wake() {
    const uint64_t one = 1;
    ssize_t ignored = write(WakeFd, &one, sizeof one);
    (void)ignored;
}

void X11SetTimer(int64_t when) {
    itimerspec t{};  // all zero: disarmed
    if (when != NoDeadline) t.it_value = At(when > 0 ? when : 1);
    // Unarmed, a cycle would wait for ever (a caption: and the logic thread
    // with it).
    if (timerfd_settime(TimerFd, TFD_TIMER_ABSTIME, &t, nullptr) != 0)
        Die("the window thread's timer cannot be set");
}

void X11WaitForWork(int64_t until) {
    X11CheckFault();
    Display* d = X11Pet.display;
    XFlush(d);
    if (XEventsQueued(d, QueuedAlready) > 0) return;
    pollfd fds[3] = {{ConnectionNumber(d), POLLIN, 0}, {WakeFd, POLLIN, 0}, {TimerFd, POLLIN, 0}};
    timespec wait{};
    timespec* timeout = nullptr;
    if (until != NoDeadline) {
        const int64_t left = until - X11ClockNs();
        wait = At(left > 0 ? left : 0);
        timeout = &wait;
    }
    if (ppoll(fds, 3, timeout, nullptr) < 0) {
        if (errno == EINTR) return;
        // Nothing could wake the thread any more: the pet would freeze.
        Die("the window thread cannot wait for events");
    }
    for (int i = 1; i < 3; ++i) {
        if (fds[i].revents == 0) continue;
        uint64_t count = 0;
        ssize_t ignored = read(fds[i].fd, &count, sizeof count);
        (void)ignored;
    }
    // Reads what arrived; a closed connection ends the program here.
    if (fds[0].revents != 0) XEventsQueued(d, QueuedAfterReading);
    X11CheckFault();
}
