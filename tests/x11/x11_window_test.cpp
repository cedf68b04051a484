// The X11 window layer end to end, on a desktop of its own (Xvfb 1024 x 768,
// openbox, a tint2 panel 30 pixels high along the bottom): the probe opens
// the pet window through window.h, and these tests look at it from a
// separate X client.
#include <gtest/gtest.h>  // before Xlib, whose macros it would trip over

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/scrnsaver.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>

#include <algorithm>
#include <memory>
#include <thread>

#include "probe_client.h"
#include "probe_frame.h"

using namespace std::chrono_literals;

namespace {

constexpr int Left = 494, Top = 366;  // (1024 - 35) / 2, (768 - 35) / 2
const char* const Title = "Pomfy-probe";

class PetWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        d = XOpenDisplay(nullptr);
        ASSERT_NE(d, nullptr);
        ASSERT_EQ(probe.Send("desktop"), "1024 768");  // before the window opens
        ASSERT_EQ(probe.Send("open"), "0");
        ASSERT_EQ(probe.Send("title " + std::string(Title)), "ok");
        pet = FindByTitle(d, Title);  // found as soon as the title is set
        ASSERT_NE(pet, None);
    }
    void TearDown() override {
        if (d != nullptr) XCloseDisplay(d);
    }

    // Puts a frame and waits until the window's shape is the frame's.
    void PutTestFrame() {
        ASSERT_EQ(probe.Send("frame test"), "0");
        ASSERT_TRUE(WaitUntil([&] { return ShapeCover(d, pet, ShapeBounding, 35, 35) == TestCover(); }));
    }
    static std::vector<bool> TestCover() {
        std::vector<bool> cover(35 * 35);
        for (int y = 0; y < 35; ++y) {
            for (int x = 0; x < 35; ++x) cover[y * 35 + x] = TestFrameOpaque(x, y);
        }
        return cover;
    }
    // How many opaque pixels of the test frame the window shows in another
    // colour.
    int WrongPixels() {
        XImage* image = XGetImage(d, pet, 0, 0, 35, 35, AllPlanes, ZPixmap);
        if (image == nullptr) return 35 * 35;
        int wrong = 0;
        for (int y = 0; y < 35; ++y) {
            for (int x = 0; x < 35; ++x) {
                const unsigned long shown = XGetPixel(image, x, y) & 0xFFFFFF;
                if (TestFrameOpaque(x, y) && shown != (TestFramePixel(x, y) & 0xFFFFFFu)) ++wrong;
            }
        }
        XDestroyImage(image);
        return wrong;
    }
    Window PointerChild() {
        Window root = None, child = None;
        int rootX, rootY, windowX, windowY;
        unsigned int mask;
        XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rootX, &rootY, &windowX, &windowY, &mask);
        return child;
    }
    Window Focus() {
        Window w = None;
        int revert = 0;
        XGetInputFocus(d, &w, &revert);
        return w;
    }
    void Click(int x, int y) {
        XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
        XTestFakeButtonEvent(d, 1, True, CurrentTime);
        XTestFakeButtonEvent(d, 1, False, CurrentTime);
        XSync(d, False);
    }
    void Type(KeySym key, KeySym modifier = NoSymbol) {
        const KeyCode code = XKeysymToKeycode(d, key);
        if (modifier != NoSymbol) XTestFakeKeyEvent(d, XKeysymToKeycode(d, modifier), True, 0);
        XTestFakeKeyEvent(d, code, True, 0);
        XTestFakeKeyEvent(d, code, False, 0);
        if (modifier != NoSymbol) XTestFakeKeyEvent(d, XKeysymToKeycode(d, modifier), False, 0);
        XSync(d, False);
    }
    // Keys taken by the probe until count of them have arrived (or the time
    // is up), as "keys" and their codes.
    std::string Keys(long count = 1) {
        std::string keys = "keys";
        WaitUntil([&] {
            keys += probe.Send("keys").substr(4);
            return std::count(keys.begin(), keys.end(), ' ') >= count;
        }, 2000ms);
        return keys;
    }
    // A plain override-redirect window of the tests' own, mapped.
    Window Plain(int x, int y, int w, int h, long events) {
        XSetWindowAttributes a{};
        a.override_redirect = True;
        a.event_mask = events;
        a.background_pixel = WhitePixel(d, DefaultScreen(d));
        Window win = XCreateWindow(d, DefaultRootWindow(d), x, y, w, h, 0, CopyFromParent,
                                   InputOutput, CopyFromParent,
                                   CWOverrideRedirect | CWEventMask | CWBackPixel, &a);
        XMapWindow(d, win);
        XSync(d, False);
        return win;
    }

    Display* d = nullptr;
    Probe probe;
    Window pet = None;
};

TEST_F(PetWindowTest, OpensFramelessCentredNamedAndFocused) {
    XWindowAttributes a;
    ASSERT_NE(XGetWindowAttributes(d, pet, &a), 0);
    EXPECT_EQ(a.width, 35);
    EXPECT_EQ(a.height, 35);
    EXPECT_EQ(a.border_width, 0);
    EXPECT_TRUE(a.override_redirect);
    EXPECT_EQ(a.map_state, IsViewable);
    int x, y;
    RootPosition(d, pet, x, y);
    EXPECT_EQ(x, Left);
    EXPECT_EQ(y, Top);
    EXPECT_EQ(probe.Send("pos"), "494 366");
    EXPECT_EQ(TextProperty(d, pet, "_NET_WM_NAME"), Title);
    EXPECT_EQ(Focus(), pet);
    EXPECT_EQ(probe.Send("bar"), "738");

    // A caption of 200 characters keeps its first 127, under both names.
    const std::string longTitle(200, 'p');
    ASSERT_EQ(probe.Send("title " + longTitle), "ok");
    EXPECT_EQ(TextProperty(d, pet, "WM_NAME"), longTitle.substr(0, 127));
    EXPECT_EQ(TextProperty(d, pet, "_NET_WM_NAME"), longTitle.substr(0, 127));
}

TEST_F(PetWindowTest, ShapeAndPictureAreThePresentedPixels) {
    // Before the first frame: the mask colour everywhere, nothing shown.
    ASSERT_EQ(probe.Send("clear"), "ok");
    ASSERT_TRUE(WaitUntil([&] {
        const auto cover = ShapeCover(d, pet, ShapeBounding, 35, 35);
        return std::none_of(cover.begin(), cover.end(), [](bool b) { return b; });
    }));
    PutTestFrame();
    EXPECT_EQ(ShapeCover(d, pet, ShapeInput, 35, 35), TestCover());

    EXPECT_EQ(WrongPixels(), 0) << "opaque pixels shown in another colour";

    // The next frame replaces the shape; an all-mask frame leaves none.
    ASSERT_EQ(probe.Send("frame mask"), "0");
    EXPECT_TRUE(WaitUntil([&] {
        const auto cover = ShapeCover(d, pet, ShapeInput, 35, 35);
        return std::none_of(cover.begin(), cover.end(), [](bool b) { return b; });
    }));
}

TEST_F(PetWindowTest, PointerPassesTransparentPixelsAndAClickTakesTheFocus) {
    Window beneath = Plain(Left - 20, Top - 20, 80, 80, ButtonPressMask);
    XLowerWindow(d, beneath);
    XSetInputFocus(d, beneath, RevertToParent, CurrentTime);
    XSync(d, False);
    PutTestFrame();
    ASSERT_NE(Focus(), pet);

    Click(Left + ClearX, Top + ClearY);
    EXPECT_EQ(PointerChild(), beneath);
    XEvent event;
    EXPECT_TRUE(WaitUntil([&] { return XCheckWindowEvent(d, beneath, ButtonPressMask, &event); }))
        << "the click on a transparent pixel did not reach the window beneath";
    EXPECT_NE(Focus(), pet);

    Click(Left + SolidX, Top + SolidY);
    EXPECT_EQ(PointerChild(), pet);
    EXPECT_TRUE(WaitUntil([&] { return Focus() == pet; }));
    XDestroyWindow(d, beneath);
}

TEST_F(PetWindowTest, KeysArriveAsCodes) {
    ASSERT_EQ(Focus(), pet);
    Type(XK_Escape);
    EXPECT_EQ(Keys(), "keys 1b");
    Type(XK_a);
    Type(XK_b, XK_Shift_L);  // Shift on its own gives nothing
    Type(XK_Up);
    Type(XK_F10);
    EXPECT_EQ(Keys(4), "keys 61 42 ff48 ff44");
}

TEST_F(PetWindowTest, CloseRequestLeavesTheWindowWithCloseKey) {
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = pet;
    message.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    message.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, pet, False, NoEventMask, &message);
    XSync(d, False);
    EXPECT_EQ(Keys(), "keys ff6b");
    XWindowAttributes a;
    ASSERT_NE(XGetWindowAttributes(d, pet, &a), 0);
    EXPECT_EQ(a.map_state, IsViewable);
}

TEST_F(PetWindowTest, MovesAreCarriedOutInOrderUnclamped) {
    auto at = [&](int wantX, int wantY) {
        return WaitUntil([&] {
            int x, y;
            RootPosition(d, pet, x, y);
            return x == wantX && y == wantY;
        });
    };
    ASSERT_EQ(probe.Send("move -40 10"), "ok");
    EXPECT_TRUE(at(-40, 10));
    EXPECT_EQ(probe.Send("pos"), "-40 10");
    ASSERT_EQ(probe.Send("move 2000 800"), "ok");
    EXPECT_TRUE(at(2000, 800));
    EXPECT_EQ(probe.Send("pos"), "2000 800");

    // A burst within one cycle: the last one stands. Then one coordinate
    // only.
    for (int i = 1; i <= 20; ++i) probe.Send("move " + std::to_string(i * 10) + " 300");
    EXPECT_TRUE(at(200, 300));
    ASSERT_EQ(probe.Send("move keep 250"), "ok");
    EXPECT_TRUE(at(200, 250));
    EXPECT_EQ(probe.Send("pos"), "200 250");
}

TEST_F(PetWindowTest, StaysBelowWindowsThatCoverItAndRedrawsWhenUncovered) {
    Window cover = Plain(Left, Top, 30, 30, NoEventMask);
    PutTestFrame();
    ASSERT_EQ(probe.Send("move 500 370"), "ok");
    ASSERT_EQ(probe.Send("sleep 50"), "ok");
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    ASSERT_NE(XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count), 0);
    std::vector<Window> stack(children, children + count);  // bottom first
    XFree(children);
    const auto petAt = std::find(stack.begin(), stack.end(), pet);
    const auto coverAt = std::find(stack.begin(), stack.end(), cover);
    ASSERT_TRUE(petAt != stack.end() && coverAt != stack.end());
    EXPECT_LT(petAt - stack.begin(), coverAt - stack.begin()) << "the pet raised itself";
    // The window keeps no pixels of its own: what was covered is drawn again.
    XDestroyWindow(d, cover);
    XSync(d, False);
    EXPECT_TRUE(WaitUntil([&] { return WrongPixels() == 0; }));
}

TEST_F(PetWindowTest, RemovalFromTaskbarMarksItAndChangesNothingElse) {
    PutTestFrame();
    int x0, y0;
    RootPosition(d, pet, x0, y0);
    ASSERT_EQ(probe.Send(std::string("taskbar ") + Title), "ok");
    const std::vector<Atom> state = AtomProperty(d, pet, "_NET_WM_STATE");
    for (const char* name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        EXPECT_NE(std::find(state.begin(), state.end(), XInternAtom(d, name, False)), state.end())
            << name;
    }
    XWindowAttributes a;
    ASSERT_NE(XGetWindowAttributes(d, pet, &a), 0);
    EXPECT_EQ(a.map_state, IsViewable);
    int x, y;
    RootPosition(d, pet, x, y);
    EXPECT_EQ(x, x0);
    EXPECT_EQ(y, y0);
    EXPECT_EQ(ShapeCover(d, pet, ShapeBounding, 35, 35), TestCover());
}

TEST_F(PetWindowTest, BarTopFollowsThePanelsAtEveryQuery) {
    // A second panel of 60 pixels along the bottom, as a dock with struts.
    Window dock = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 708, 1024, 60, 0, 0, 0);
    Atom dockType = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DOCK", False);
    XChangeProperty(d, dock, XInternAtom(d, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&dockType), 1);
    long strut[12] = {0, 0, 0, 60, 0, 0, 0, 0, 0, 0, 0, 1023};
    XChangeProperty(d, dock, XInternAtom(d, "_NET_WM_STRUT_PARTIAL", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(strut), 12);
    XMapWindow(d, dock);
    XSync(d, False);
    EXPECT_TRUE(WaitUntil([&] { return probe.Send("bar") == "708"; }));
    XDestroyWindow(d, dock);
    XSync(d, False);
    EXPECT_TRUE(WaitUntil([&] { return probe.Send("bar") == "738"; }));
}

// The screen saver, set to start after 2 seconds, stays off while the window
// is open, and works again once the program has ended.
TEST_F(PetWindowTest, ScreenSaverIsSuspendedWhileOpen) {
    int timeout, interval, blanking, exposures;
    XGetScreenSaver(d, &timeout, &interval, &blanking, &exposures);
    XSetScreenSaver(d, 2, 0, DefaultBlanking, DefaultExposures);
    XResetScreenSaver(d);
    XSync(d, False);
    auto saverOn = [&] {
        XScreenSaverInfo info{};
        XScreenSaverQueryInfo(d, DefaultRootWindow(d), &info);
        return info.state == ScreenSaverOn;
    };
    std::this_thread::sleep_for(2500ms);
    EXPECT_FALSE(saverOn()) << "the screen saver started while the pet window was open";

    ASSERT_EQ(probe.Wait(), 0);
    XResetScreenSaver(d);
    XSync(d, False);
    EXPECT_TRUE(WaitUntil(saverOn, 3500ms)) << "the screen saver stayed off after the pet ended";

    XForceScreenSaver(d, ScreenSaverReset);
    XSetScreenSaver(d, timeout, interval, blanking, exposures);
    XSync(d, False);
}

// With several monitors the window opens centred on the primary one, and
// positions count from that monitor's corner.
TEST(Monitors, ThePrimaryOneIsTheDesktop) {
    std::unique_ptr<Display, int (*)(Display*)> connection(XOpenDisplay(nullptr), XCloseDisplay);
    Display* d = connection.get();
    ASSERT_NE(d, nullptr);
    const Window root = DefaultRootWindow(d);
    struct Halves {  // two monitors side by side, the right one primary
        Display* d;
        Window root;
        Atom names[2];
        Halves(Display* display, Window r) : d(display), root(r) {
            names[0] = XInternAtom(d, "PomfyLeft", False);
            names[1] = XInternAtom(d, "PomfyRight", False);
            for (int i = 0; i < 2; ++i) {
                XRRMonitorInfo* m = XRRAllocateMonitor(d, 0);
                m->name = names[i];
                m->primary = i == 1;
                m->x = 512 * i;
                m->width = 512;
                m->height = 768;
                m->mwidth = 135;
                m->mheight = 203;
                XRRSetMonitor(d, root, m);
                XRRFreeMonitors(m);
            }
            XSync(d, False);
        }
        ~Halves() {
            for (Atom name : names) XRRDeleteMonitor(d, root, name);
            XSync(d, False);
        }
    } halves(d, root);

    Probe probe;
    EXPECT_EQ(probe.Send("desktop"), "512 768");
    ASSERT_EQ(probe.Send("open"), "0");
    ASSERT_EQ(probe.Send("title Pomfy-monitors"), "ok");
    const Window pet = FindByTitle(d, "Pomfy-monitors");
    int x, y;
    RootPosition(d, pet, x, y);
    EXPECT_EQ(x, 512 + (512 - 35) / 2);
    EXPECT_EQ(y, Top);
    EXPECT_EQ(probe.Send("pos"), "238 366");
    ASSERT_EQ(probe.Send("move -40 10"), "ok");
    EXPECT_TRUE(WaitUntil([&] {
        RootPosition(d, pet, x, y);
        return x == 512 - 40 && y == 10;
    }));
    EXPECT_EQ(probe.Send("bar"), "738");
}

// Without a display the program says so in one line and ends with status 1.
TEST(NoDisplay, OneLineAndStatusOne) {
    for (const std::string display : {"DISPLAY=:1999", "DISPLAY"}) {
        Probe probe({display});
        probe.Send("desktop");
        EXPECT_EQ(probe.Wait(), 1) << display;
        const std::string errors = probe.Errors();
        EXPECT_NE(errors.find("cannot open the X display"), std::string::npos) << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
        if (display != "DISPLAY") {
            EXPECT_NE(errors.find("\":1999\""), std::string::npos) << errors;
        }
    }
}

}  // namespace
