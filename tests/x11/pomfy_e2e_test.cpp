// The real pet on a desktop of its own (1024 x 768, openbox, a tint2 panel
// 30 pixels high along the bottom): it lands on the panel, walks along it,
// and Escape ends it with status 0.
#include <gtest/gtest.h>  // before Xlib, whose macros it would trip over

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <thread>

#include "probe_client.h"

using namespace std::chrono_literals;

namespace {

constexpr int Ground = 738 - 32;  // the panel's top edge less 32

struct Desktop {
    Display* d = XOpenDisplay(nullptr);
    ~Desktop() {
        if (d != nullptr) XCloseDisplay(d);
    }
    void Type(Window pet, KeySym key) {
        XSetInputFocus(d, pet, RevertToParent, CurrentTime);
        const KeyCode code = XKeysymToKeycode(d, key);
        XTestFakeKeyEvent(d, code, True, 0);
        XTestFakeKeyEvent(d, code, False, 0);
        XSync(d, False);
    }
};

TEST(Pomfy, LandsOnThePanelWalksAndEndsOnEscape) {
    Desktop desk;
    ASSERT_NE(desk.d, nullptr);
    Probe pet({}, POMFY_PATH);
    Window window = None;
    ASSERT_TRUE(WaitUntil([&] { return (window = FindByTitle(desk.d, "Pomfy")) != None; }, 5s));
    // The caption comes just before the taskbar entry goes: on a busy
    // machine the state may lag behind the title for a moment.
    const Atom skip = XInternAtom(desk.d, "_NET_WM_STATE_SKIP_TASKBAR", False);
    EXPECT_TRUE(WaitUntil([&] {
        const std::vector<Atom> state = AtomProperty(desk.d, window, "_NET_WM_STATE");
        return std::find(state.begin(), state.end(), skip) != state.end();
    }, 5s)) << "no _NET_WM_STATE_SKIP_TASKBAR";

    int x = 0, y = 0;
    ASSERT_TRUE(WaitUntil([&] {
        RootPosition(desk.d, window, x, y);
        return y == Ground;
    }, 20s)) << "the entrance did not end on the panel; the window is at " << x << "," << y;

    // Keys other than Escape cut the pauses of 100 ms or more short, so
    // whatever the pet chose to do first is soon over; a walk's 80 ms steps
    // keep their pace. Wait for three steps in a row along the ground.
    int steps = 0, lastX = x;
    const bool walked = WaitUntil([&] {
        desk.Type(window, XK_x);
        RootPosition(desk.d, window, x, y);
        const int dx = std::abs(x - lastX);
        steps = y == Ground && dx >= 1 && dx <= 8 ? steps + 1 : (dx == 0 && steps > 0 ? steps : 0);
        lastX = x;
        return steps >= 3;
    }, 60s);
    ASSERT_TRUE(walked) << "no walk along the panel; the window is at " << x << "," << y;

    // Escape: at the end of the current step, after the farewell frame. The
    // x keys typed above may still wait in the key buffer, one taken per step
    // or per behaviour; sixteen Escapes fill all fifteen places of the ring,
    // so the very next look at it finds one. Should the walk have ended
    // meanwhile, the running behaviour finishes first (a nap at most 18 s).
    for (int i = 0; i < 16; ++i) desk.Type(window, XK_Escape);
    EXPECT_EQ(pet.Wait(30s), 0);
    EXPECT_EQ(pet.Errors(), "");
}

}  // namespace
