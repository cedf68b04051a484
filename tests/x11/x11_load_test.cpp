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
        const int32_t opened = OpenPetWindow(35, 35, 24, 0, FlagShaped | FlagNoSwitching, 0);
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
