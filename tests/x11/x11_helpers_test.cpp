// The X11 backend's pure helpers: the caption's encoding, the scale the X
// resources give, which bar the desktop's published facts describe, and
// where the pet's desktop lies.
#include <gtest/gtest.h>  // before Xlib, whose macros it would trip over


#include "core.h"
#include "x11_internal.h"

namespace {

TEST(Latin1ToUtf8, KeepsAsciiAndEncodesTheRest) {
    EXPECT_EQ(Latin1ToUtf8("Pomfy"), "Pomfy");
    EXPECT_EQ(Latin1ToUtf8("caf\xe9 \xff"), "caf\xc3\xa9 \xc3\xbf");
}

TEST(X11ScaleOfResources, XftDpiOver96AndOneWithoutIt) {
    EXPECT_EQ(X11ScaleOfResources("Xcursor.size:\t48\nXft.dpi:\t192\n"), 2.0);
    EXPECT_EQ(X11ScaleOfResources("*dpi: 144\n"), 1.5);
    EXPECT_EQ(X11ScaleOfResources("Xft.antialias:\t1\n"), 1.0);
    EXPECT_EQ(X11ScaleOfResources("Xft.dpi:\tlarge\n"), 1.0);
    EXPECT_EQ(X11ScaleOfResources(""), 1.0);
    EXPECT_EQ(X11ScaleOfResources(nullptr), 1.0);
}

// Two monitors of 1024 x 768 side by side, the left one primary.
X11BarFacts TwoMonitors() {
    X11BarFacts f;
    f.root = X11Area{0, 0, 2048, 768};
    f.primary = X11Area{0, 0, 1024, 768};
    return f;
}

X11BarWindow Panel(int32_t x, int32_t y, int32_t w, int32_t h, bool strut = true) {
    X11BarWindow p;
    p.mapped = true;
    p.dock = true;
    p.area = X11Area{x, y, w, h};
    if (strut) p.strut = {0, 0, 0, 768 - y, 0, 0, 0, 0, 0, 0, x, x + w - 1};
    return p;
}

TEST(X11BarTop, StrutsDecideInThePrimaryMonitorsColumns) {
    X11BarFacts f = TwoMonitors();
    f.liveWm = true;
    f.workArea = {0, 0, 2048, 738};  // one rectangle for both monitors
    f.windows = {Panel(1024, 738, 1024, 30)};
    EXPECT_EQ(X11BarTop(f), -1) << "a panel on the other monitor only";
    f.windows.push_back(Panel(0, 708, 1024, 60));
    EXPECT_EQ(X11BarTop(f), 708);
    f.windows.back().strut = {0, 0, 0, 60};  // _NET_WM_STRUT: the whole width
    EXPECT_EQ(X11BarTop(f), 708);
    f.windows.back().mapped = false;
    EXPECT_EQ(X11BarTop(f), -1) << "an unmapped panel reserves nothing";
    // A panel along the top: its strut reserves no bottom.
    f.windows = {Panel(0, 0, 1024, 30)};
    f.windows[0].strut = {0, 0, 30, 0, 0, 0, 0, 0, 0, 1023, 0, 0};
    f.workArea = {0, 30, 2048, 738};
    EXPECT_EQ(X11BarTop(f), -1);
}

TEST(X11BarTop, WorkAreasOnlyFromALiveWindowManagerWithoutStruts) {
    X11BarFacts f = TwoMonitors();
    f.workArea = {0, 0, 2048, 740};
    EXPECT_EQ(X11BarTop(f), -1) << "left behind by a window manager that has gone";
    f.liveWm = true;
    EXPECT_EQ(X11BarTop(f), 740);
    // Per monitor, the primary one's own work area comes first.
    f.gtkWorkAreas = {1024, 0, 1024, 700, 0, 0, 1024, 745};
    EXPECT_EQ(X11BarTop(f), 745);
    f.gtkWorkAreas = {1024, 0, 1024, 700, 0, 0, 1024, 768};
    EXPECT_EQ(X11BarTop(f), -1) << "the primary monitor's work area reaches its bottom";
}

TEST(X11BarTop, ADockAcrossTheBottomWithoutStrut) {
    X11BarFacts f = TwoMonitors();
    f.liveWm = true;
    f.windows = {Panel(0, 748, 1024, 20, false)};  // i3bar
    EXPECT_EQ(X11BarTop(f), 748);
    f.windows = {Panel(312, 720, 400, 48, false)};  // a launcher in the middle
    EXPECT_EQ(X11BarTop(f), -1);
    f.windows = {Panel(1024, 748, 1024, 20, false)};  // on the other monitor
    EXPECT_EQ(X11BarTop(f), -1);
}

TEST(X11BarTop, OnlyATopEdgeInTheLowerHalfIsABar) {
    X11BarFacts f = TwoMonitors();
    f.windows = {Panel(0, 8, 1024, 760)};  // a strut of 760 rows
    EXPECT_EQ(X11BarTop(f), -1);
    f.windows[0].strut[3] = 769;  // more than the root has
    EXPECT_EQ(X11BarTop(f), -1);
    f.windows = {Panel(0, 738, 1024, 30)};
    f.windows[0].strut[11] = 0xffffffffL;  // bottom_end_x as the unsigned value it is
    EXPECT_EQ(X11BarTop(f), 738);
    f.windows.clear();
    f.liveWm = true;
    f.workArea = {0, 0, 2048, 1};
    EXPECT_EQ(X11BarTop(f), -1) << "a work area one row high";
    f.workArea = {0, 0, 2048, 384};
    EXPECT_EQ(X11BarTop(f), 384) << "the first row of the lower half";
    f.gtkWorkAreas = {7, 7, 7, 7};
    EXPECT_EQ(X11BarTop(f), -1);
}

TEST(X11PickMonitor, FollowsItsMonitorThenThePrimaryOne) {
    const X11Area root{0, 0, 2048, 768};
    const X11Monitor left{101, false, X11Area{0, 0, 1024, 768}};
    const X11Monitor right{102, true, X11Area{1024, 0, 1024, 768}};
    EXPECT_EQ(X11PickMonitor({left, right}, root, None).name, 102u);
    EXPECT_EQ(X11PickMonitor({left, right}, root, 101).name, 101u) << "another became primary";
    EXPECT_EQ(X11PickMonitor({right}, root, 101).name, 102u) << "its own monitor went away";
    X11Monitor lone = right;
    lone.primary = false;
    EXPECT_EQ(X11PickMonitor({lone}, root, None).area.x, 1024) << "the only one, at an offset";
    const X11Monitor none = X11PickMonitor({}, root, 101);
    EXPECT_EQ(none.name, static_cast<Atom>(None));
    EXPECT_EQ(none.area.width, 2048);
}

TEST(X11PlaceWindow, BringsAWindowWhollyOutsideTheMonitorBackWhole) {
    X11Placement p;  // a desktop of 1024 x 768 on a monitor of 800 x 600 at 100,50
    p.monitor = X11Area{100, 50, 800, 600};
    p.left = 100;
    p.top = 50 + 600 - 768;  // a bar along the monitor's bottom
    int32_t x = 0, y = 0;
    EXPECT_TRUE(X11PlaceWindow(p, 35, 35, -500, 3, x, y)) << "anywhere while unchanged";
    p.keepInView = true;
    EXPECT_TRUE(X11PlaceWindow(p, 35, 35, 799, 674, x, y)) << "one column still shows";
    EXPECT_EQ(x, 899);
    EXPECT_EQ(y, 556);
    EXPECT_FALSE(X11PlaceWindow(p, 35, 35, -500, 3, x, y));
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 50);
}

}  // namespace
