// Which backend the program runs on, the desktop's queries, the clock, and
// the ways the program ends.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "core.h"
#include "platform.h"

namespace {

const PlatformBackend* Chosen = nullptr;

// The desktop size, read once, and again when the backend says it changed.
bool SizeKnown = false;
std::atomic<bool> SizeChanged{false};
int32_t KnownWidth = 0;
int32_t KnownHeight = 0;

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

int64_t NowNs() {
    return Backend().ClockNs();
}

void GetDesktopSize(int32_t& width, int32_t& height) {
    // One size for as long as the pet's screen stays: the window's place and
    // the edges of every walk are measured against it.
    if (!SizeKnown || SizeChanged.exchange(false)) {
        Backend().DesktopSize(KnownWidth, KnownHeight);
        SizeKnown = true;
    }
    width = KnownWidth;
    height = KnownHeight;
}

int32_t GetTaskbarTop() {
    return Backend().TaskbarTop();
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
    // thread; elsewhere they close the window and restore the screen saver.
    if (OnWindowThread()) std::_Exit(1);
    std::exit(1);
}

void EndProgram(int32_t code) {
    if (Chosen != nullptr && Chosen->direct != nullptr) Chosen->direct->Exit(code);
    if (code != 0 && PetWindow.failure[0] != '\0') {
        // Nothing else would tell the user why the pet never appeared.
        const std::string line = std::string("could not open its window: ") + PetWindow.failure;
        FatalError(line.c_str());
    }
    std::exit(code);
}

void DesktopResized() {
    SizeChanged = true;
}

void ResetDesktopKnowledge() {
    SizeKnown = false;
    SizeChanged = false;
    KnownWidth = KnownHeight = 0;
}
