// The real X11 window layer under load, for ThreadSanitizer: frames put and
// moves queued as fast as the logic thread can, while another client types
// keys into the window with XTEST.
#include <gtest/gtest.h>  // before Xlib, whose macros it would trip over

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "probe_client.h"
#include "window.h"

using namespace std::chrono_literals;

TEST(X11Load, FramesMovesAndKeysTogether) {
    ASSERT_EQ(OpenPetWindow(35, 35, 24, 0, 0x14, 0), 0);
    SetWindowTitle("Pomfy-load");
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
    // The window closes at exit, joining its thread.
}
