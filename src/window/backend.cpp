// Which backend the program runs on, the desktop's queries, the clock, and
// the ways the program ends.
#ifdef __unix__
#include <signal.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core.h"
#include "platform.h"

namespace {

const PlatformBackend* Chosen = nullptr;

// The exit handlers close the window: the window thread's last cycle, the
// goodbye to the display server. A server that has stopped answering must not
// hold the program up: it ends at once, with the status it was ending with,
// once this many seconds have passed (the server tidies up after a client
// that has gone).
constexpr unsigned ExitLimitSeconds = 3;

#ifdef __unix__
volatile sig_atomic_t EndingStatus = 1;

void EndAtOnce(int) {
    _exit(EndingStatus);
}
#endif

void LimitExit(int status) {
#ifdef __unix__
    EndingStatus = status;
    signal(SIGALRM, EndAtOnce);
    alarm(ExitLimitSeconds);
#else
    (void)status;
#endif
}

// Set when the backend says the desktop's size changed: read it again.
std::atomic<bool> SizeChanged{false};

const char* ProgramName() {
#ifdef __GLIBC__
    return program_invocation_short_name;
#else
    return "pomfy";
#endif
}

}  // namespace

const PlatformBackend& Backend() {
    if (Chosen != nullptr) return *Chosen;
    // The first backend that starts is the one: a Wayland compositor's own
    // protocol before its X server, for example. When none does, the line
    // gives each one's reason, in the order they were tried.
    std::string why;
    for (const PlatformBackend* const* b = PlatformBackends; *b != nullptr; ++b) {
        const char* reason = (*b)->Start();
        if (reason == nullptr) {
            Chosen = *b;
            return *Chosen;
        }
        if (!why.empty()) why += "; ";
        why += reason;
    }
    FatalError(why.empty() ? "there is no desktop to run on" : why.c_str());
}

const WindowDriver& Driver() {
    return *Backend().driver;
}

int64_t NowNs() {
    return Backend().ClockNs();
}

void GetDesktopSize(int32_t& width, int32_t& height) {
    // One size for as long as the pet's screen stays: the window's place and
    // the edges of every walk are measured against it.
    if (!PetWindow.desktopKnown || SizeChanged.exchange(false)) {
        const PlatformBackend& b = Backend();
        int32_t w = 0, h = 0;
        b.DesktopSize(w, h);
        PetWindow.scale = 1;
        PetWindow.devicePositions = true;
        if (b.DesktopScale != nullptr) {
            b.DesktopScale(PetWindow.scale, PetWindow.devicePositions);
            // Below 1 a sprite pixel would be less than a device pixel.
            if (!(PetWindow.scale >= 1)) PetWindow.scale = 1;
            if (PetWindow.scale > MostScale) PetWindow.scale = MostScale;
        }
        PetWindow.desktopWidth = ToLogicalExtent(w);
        PetWindow.desktopHeight = ToLogicalExtent(h);
        PetWindow.desktopKnown = true;
    }
    width = PetWindow.desktopWidth;
    height = PetWindow.desktopHeight;
}

int32_t GetTaskbarTop() {
    int32_t width = 0, height = 0;
    GetDesktopSize(width, height);  // the scale comes with it
    // The bar's top edge is rounded down as the desktop's bottom edge is: a
    // bar that starts in the desktop's last logical row is still on it (Wine
    // reports its bar as the screen's last device row).
    return ToLogicalExtent(Backend().TaskbarTop());
}

void RemoveFromTaskbar(const char* title) {
    Backend().RemoveFromTaskbar(title ? title : "");
}

double SecondsTimer() {
    return Backend().Seconds();
}

void FatalError(const char* what) {
    const PlatformBackend* b = Chosen;
    if (b != nullptr && b->Tell != nullptr) {
        b->Tell(what);
    } else {
        std::fprintf(stderr, "%s: %s\n", ProgramName(), what);
    }
    std::fflush(stderr);
    // On the window thread the exit handlers would wait for that very
    // thread; elsewhere they close the window. Either way nothing the program
    // changed outlives it: the window and the screen saver's suspension (a
    // power request, the X connection's, an idle inhibitor) end with the
    // process, and standard error is unbuffered.
    if (OnWindowThread()) std::_Exit(1);
    LimitExit(1);
    std::exit(1);
}

void EndProgram(int32_t code) {
    if (Chosen != nullptr && Chosen->Exit != nullptr) Chosen->Exit(code);
    if (code != 0 && PetWindow.failure[0] != '\0') {
        // Nothing else would tell the user why the pet never appeared.
        const std::string line = std::string("could not open its window: ") + PetWindow.failure;
        FatalError(line.c_str());
    }
    LimitExit(code);
    std::exit(code);
}

void DesktopResized() {
    SizeChanged = true;
}
