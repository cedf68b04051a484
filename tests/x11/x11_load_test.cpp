// The real X11 window layer under load, for ThreadSanitizer: frames put and
// moves queued as fast as the logic thread can, while another client types
// keys into the window with XTEST; and how soon the window thread, asleep
// while nothing happens, answers a key and a frame.
#include <gtest/gtest.h>  // before Xlib, whose macros it would trip over

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "probe_client.h"
#include "window.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// The window, opened once for all the tests of this program.
void OpenOnce() {
    static const int32_t status = [] {
        const int32_t opened = OpenPetWindow(35, 35);
        SetWindowTitle("Pomfy-load");
        return opened;
    }();
    ASSERT_EQ(status, 0);
}

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

TEST(X11Load, FramesMovesAndKeysTogether) {
    OpenOnce();
    Surface* frames[2] = {CreateSurface(35, 35), CreateSurface(35, 35)};
    for (int32_t y = 0; y < 35; ++y) {
        for (int32_t x = 0; x < 35; ++x) {
            SetPixel(frames[0], float(x), float(y), (x + y) % 2 ? 0xFFFF80C0u : MaskColour);
            SetPixel(frames[1], float(x), float(y), x < y ? 0xFF202020u : 0x00FF00FFu);
        }
    }

    std::atomic<bool> typing{true};
    std::atomic<int> typed{0}, taken{0};
    std::thread typist([&] {
        Display* d = XOpenDisplay(nullptr);
        ASSERT_NE(d, nullptr);
        const Window pet = FindByTitle(d, "Pomfy-load");
        ASSERT_NE(pet, None);
        const KeyCode keys[2] = {XKeysymToKeycode(d, XK_a), XKeysymToKeycode(d, XK_Escape)};
        while (typing) {
            XSetInputFocus(d, pet, RevertToParent, CurrentTime);
            XTestFakeKeyEvent(d, keys[typed % 2], True, 0);
            XTestFakeKeyEvent(d, keys[typed % 2], False, 0);
            XSync(d, False);
            // One key at a time, so that the ring of 15 never overflows
            // however long the logic thread is kept from polling.
            const int want = ++typed;
            WaitUntil([&] { return taken >= want || !typing; }, 1000ms);
        }
        XCloseDisplay(d);
    });

    int puts = 0;
    const auto end = std::chrono::steady_clock::now() + 4s;
    for (int32_t i = 0; std::chrono::steady_clock::now() < end; ++i) {
        ASSERT_EQ(PutRect(0, 0, frames[i % 2], 0, 0, 35, 35), 0);
        ++puts;
        SetWindowPosition(100 + i % 700, 200 + i % 300);
        if (i % 64 == 0) {
            int32_t x = 0, y = 0;
            GetWindowPosition(x, y);
            EXPECT_GE(x, 100);
            GetTaskbarTop();
        }
        if (i % 4096 == 0) SetWindowTitle("Pomfy-load");
        while (!PollKey().empty()) ++taken;
    }
    typing = false;
    typist.join();

    // The last move stands once a cycle has passed.
    SetWindowPosition(321, 123);
    EXPECT_TRUE(WaitUntil([] {
        int32_t x = 0, y = 0;
        GetWindowPosition(x, y);
        return x == 321 && y == 123;
    }));
    SleepMs(100);
    while (!PollKey().empty()) ++taken;
    EXPECT_GT(typed, 10);
    EXPECT_EQ(taken, typed);
    std::printf("%d frames put, %d keys typed, %d taken\n", puts, typed.load(), taken.load());
    for (Surface* frame : frames) DestroySurface(frame);
    // The window closes at exit, joining its thread.
}

// A key typed during a long pause ends it at the pause's next check, 50 ms
// at most after the key; the window thread, asleep until then, takes the
// key in at once.
TEST(X11Load, AKeyCutsALongPauseWithinOneCheck) {
    OpenOnce();
    while (!PollKey().empty()) {
    }
    SleepMs(100);  // clears a key-hit flag left by another test
    const auto start = Clock::now();
    std::atomic<double> typedAt{-1};
    std::thread typist([&] {
        Display* d = XOpenDisplay(nullptr);
        ASSERT_NE(d, nullptr);
        const Window pet = FindByTitle(d, "Pomfy-load");
        ASSERT_NE(pet, None);
        std::this_thread::sleep_for(700ms);
        XSetInputFocus(d, pet, RevertToParent, CurrentTime);
        const KeyCode key = XKeysymToKeycode(d, XK_b);
        XTestFakeKeyEvent(d, key, True, 0);
        XTestFakeKeyEvent(d, key, False, 0);
        XSync(d, False);
        typedAt = MsSince(start);
        XCloseDisplay(d);
    });
    SleepMs(5000);
    const double pause = MsSince(start);
    typist.join();
    std::printf("key typed at %.1f ms, pause over at %.1f ms\n", typedAt.load(), pause);
    EXPECT_GT(typedAt, 0);
    EXPECT_LT(pause, typedAt + 50 + 400);  // one check, and room for a slow machine
    EXPECT_EQ(PollKey(), "b");
}

// After a quiet while, with no cycle running, a frame put shows within a few
// milliseconds: the window thread wakes for it.
TEST(X11Load, AFramePutAfterAQuietWhileShowsAtOnce) {
    OpenOnce();
    Display* d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    const Window pet = FindByTitle(d, "Pomfy-load");
    ASSERT_NE(pet, None);
    Surface* frame = CreateSurface(35, 35);
    double worst = 0;
    for (int round = 0; round < 3; ++round) {
        // Opaque rows 0 .. 9 + round, then the mask colour.
        const int32_t rows = 10 + round;
        for (int32_t y = 0; y < 35; ++y) {
            for (int32_t x = 0; x < 35; ++x) {
                SetPixel(frame, float(x), float(y), y < rows ? 0xFF402030u : MaskColour);
            }
        }
        SleepMs(300);  // quiet
        const auto put = Clock::now();
        ASSERT_EQ(PutRect(0, 0, frame, 0, 0, 35, 35), 0);
        bool shown = false;
        while (!shown && MsSince(put) < 2000) {
            const std::vector<bool> cover = ShapeCover(d, pet, ShapeBounding, 35, 35);
            shown = std::count(cover.begin(), cover.end(), true) == rows * 35;
        }
        const double ms = MsSince(put);
        ASSERT_TRUE(shown) << "the frame of round " << round << " never showed";
        worst = std::max(worst, ms);
    }
    std::printf("a frame put after a quiet while showed within %.1f ms\n", worst);
    EXPECT_LT(worst, 150);  // a few ms; room for a slow machine under ThreadSanitizer
    DestroySurface(frame);
    XCloseDisplay(d);
}

namespace {

// Types one key into the pet window from a client of its own; returns the
// times, in ms since start, just before the press and once the server has it.
std::pair<double, double> TypeKeyAt(Clock::time_point start, std::chrono::milliseconds at) {
    Display* d = XOpenDisplay(nullptr);
    const Window pet = d != nullptr ? FindByTitle(d, "Pomfy-load") : None;
    if (pet == None) return {-1, -1};
    XSetInputFocus(d, pet, RevertToParent, CurrentTime);
    XSync(d, False);
    std::this_thread::sleep_until(start + at);
    const double pressed = MsSince(start);
    const KeyCode key = XKeysymToKeycode(d, XK_c);
    XTestFakeKeyEvent(d, key, True, 0);
    XTestFakeKeyEvent(d, key, False, 0);
    XSync(d, False);
    const double sent = MsSince(start);
    XCloseDisplay(d);
    return {pressed, sent};
}

// Times a thread of this process went to sleep, by its name ("" for the
// calling thread).
long WakeUps(const std::string& name) {
    std::string path = "/proc/thread-self/status";
    if (!name.empty()) {
        for (int tid = 1; path == "/proc/thread-self/status" && tid < (1 << 22); ++tid) {
            std::FILE* comm = std::fopen(("/proc/self/task/" + std::to_string(tid) + "/comm").c_str(), "r");
            if (comm == nullptr) continue;
            char buffer[32] = "";
            const bool same = std::fgets(buffer, sizeof buffer, comm) != nullptr &&
                              std::string(buffer) == name + "\n";
            std::fclose(comm);
            if (same) path = "/proc/self/task/" + std::to_string(tid) + "/status";
        }
    }
    std::FILE* status = std::fopen(path.c_str(), "r");
    if (status == nullptr) return -1;
    long switches = -1;
    char line[128];
    while (std::fgets(line, sizeof line, status) != nullptr) {
        std::sscanf(line, "voluntary_ctxt_switches: %ld", &switches);
    }
    std::fclose(status);
    return switches;
}

}  // namespace

// The key checks of a long pause keep their 50 ms grid, however the pause
// waits: a key ends it at the first check point after the key (never before,
// at most one step late), a key during a short pause leaves the flag for the
// next long one, which then returns at once.
TEST(X11Load, PausesEndOnTheirCheckPoints) {
    OpenOnce();
    while (!PollKey().empty()) {
    }
    SleepMs(100);
    auto start = Clock::now();
    std::pair<double, double> typed;
    std::thread typist([&] { typed = TypeKeyAt(start, 725ms); });
    SleepMs(2000);
    const double pause = MsSince(start);
    typist.join();
    ASSERT_GT(typed.first, 0);
    const double firstPoint = std::ceil(typed.first / 50) * 50;
    std::printf("key typed at %.1f-%.1f ms, 2000 ms pause over at %.1f ms\n", typed.first,
                typed.second, pause);
    EXPECT_GE(pause, firstPoint - 1);
    EXPECT_LE(pause, std::ceil(typed.second / 50) * 50 + 50 + 400);  // room for a slow machine
    EXPECT_EQ(PollKey(), "c");

    start = Clock::now();
    std::thread typist2([&] { typed = TypeKeyAt(start, 20ms); });
    SleepMs(80);
    const double shortPause = MsSince(start);
    typist2.join();
    ASSERT_GT(typed.first, 0);
    EXPECT_GE(shortPause, 79);
    if (typed.second < 75) {  // the key came within the short pause
        const auto next = Clock::now();
        SleepMs(2000);
        EXPECT_LT(MsSince(next), 400) << "the key of the short pause ends the next long one";
        const auto full = Clock::now();
        SleepMs(300);
        EXPECT_GE(MsSince(full), 299);
    }
    while (!PollKey().empty()) {
    }
}

// Nothing wakes either thread but the pauses' own ends and the frames they
// show: no 50 ms checks, no cycles while nothing changes.
TEST(X11Load, AnIdlePetWakesOnlyForItsPausesAndFrames) {
    OpenOnce();
    Surface* frame = CreateSurface(35, 35);
    SleepMs(300);
    const long logic0 = WakeUps(""), window0 = WakeUps("pomfy-window");
    ASSERT_GE(window0, 0) << "no window thread found";
    SleepMs(3000);  // a nap
    const long napLogic = WakeUps("") - logic0, napWindow = WakeUps("pomfy-window") - window0;
    for (int i = 0; i < 5; ++i) {  // standing about
        for (int32_t y = 0; y < 35; ++y) SetPixel(frame, float(i), float(y), 0xFF102030u);
        PutRect(0, 0, frame, 0, 0, 35, 35);
        SleepMs(600);
    }
    const long idleLogic = WakeUps("") - logic0 - napLogic;
    const long idleWindow = WakeUps("pomfy-window") - window0 - napWindow;
    std::printf("3 s nap: %ld logic and %ld window wake-ups; 5 frames and pauses: %ld and %ld\n",
                napLogic, napWindow, idleLogic, idleWindow);
    EXPECT_LE(napLogic, 3);
    EXPECT_LE(napWindow, 1);
    EXPECT_LE(idleLogic, 2 * 5 + 2);
    EXPECT_LE(idleWindow, 2 * 5 + 2);
    DestroySurface(frame);
}
