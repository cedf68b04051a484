// The X11 window thread's sleep: ppoll() on its X connection, the desktop
// connection and the wake-ups of wakeups.h. Before it sleeps it sends what
// Xlib has buffered and looks for events Xlib already holds: ppoll() only
// sees the sockets, so an event read along with a reply would otherwise
// wait. The desktop's events that come while it sleeps are read and taken
// in at once (x11_desktop.cpp), so that they never pile up.
#include <errno.h>

#include <cstring>
#include <string>

#include "platform.h"
#include "wakeups.h"
#include "x11_internal.h"

void X11WaitForWork(int64_t until) {
    X11CheckFault();
    Display* d = X11Window.display;
    XFlush(d);
    if (XEventsQueued(d, QueuedAlready) > 0) return;
    if (X11Window.desktopBacklog) {
        X11Window.desktopBacklog = X11DrainDesktop();
        return;
    }
    pollfd fds[4] = {{ConnectionNumber(d), POLLIN, 0}, {}, {}, {X11DesktopSocket(), POLLIN, 0}};
    WakeupPollFds(fds[1], fds[2]);
    timespec wait{};
    if (ppoll(fds, 4, TimeoutUntil(until, wait), nullptr) < 0) {
        if (errno == EINTR) return;
        // Nothing could wake the thread any more: the pet would freeze.
        const std::string line =
            std::string("the window thread cannot wait for events (") + std::strerror(errno) + ")";
        FatalError(line.c_str());
    }
    DrainWakeups(fds[1], fds[2]);
    if (fds[3].revents != 0) X11Window.desktopBacklog = X11DrainDesktop();
    // Reads what arrived; a closed connection ends the program here.
    if (fds[0].revents != 0) XEventsQueued(d, QueuedAfterReading);
    X11CheckFault();
}
