// The X11 backend's pure helpers: the window's shape from the presented
// pixels, which key code each key press gives, and which bar the desktop's
// published facts describe.
#include <gtest/gtest.h>  // before Xlib, whose macros it would trip over

#include <X11/keysym.h>

#include "core.h"
#include "x11_internal.h"

namespace {

std::vector<XRectangle> Runs(const std::vector<uint32_t>& pixels, int32_t width) {
    std::vector<XRectangle> runs{XRectangle{9, 9, 9, 9}};  // replaced, not added to
    OpaqueRuns(pixels.data(), width, static_cast<int32_t>(pixels.size()) / width, runs);
    return runs;
}

std::string Text(const std::vector<XRectangle>& runs) {
    std::string out;
    for (const XRectangle& r : runs) {
        out += std::to_string(r.x) + "," + std::to_string(r.y) + "+" + std::to_string(r.width) +
               "x" + std::to_string(r.height) + " ";
    }
    return out;
}

TEST(OpaqueRuns, OnlyRgbDecidesAndRunsReachTheRowEnds) {
    const uint32_t M = 0xFFFF00FFu, m = 0x00FF00FFu;  // both transparent
    const uint32_t O = 0xFFFF00FEu, o = 0x00000000u;  // both opaque
    EXPECT_EQ(Text(Runs({O, o, M, m, O,
                         M, M, M, M, M,
                         m, O, O, O, o}, 5)),
              "0,0+2x1 4,0+1x1 1,2+4x1 ");
    // One opaque pixel at each corner of a 35-wide row.
    std::vector<uint32_t> row(35, M);
    row[0] = row[34] = 0xFFFF80C0u;
    EXPECT_EQ(Text(Runs(row, 35)), "0,0+1x1 34,0+1x1 ");
    EXPECT_EQ(Text(Runs(std::vector<uint32_t>(35 * 35, M), 35)), "");
}

// The same pixels as a window with alpha shows them under XWayland.
TEST(ToArgb, MaskColourClearAndEveryOtherPixelOpaque) {
    const std::vector<uint32_t> rows = {0xFFFF00FFu, 0x00FF00FFu, 0x00FF00FEu, 0x00000000u,
                                        0x7F123456u};
    std::vector<uint32_t> out(rows.size(), 0xDEADBEEFu);
    ToArgb(rows.data(), rows.size(), out.data());
    EXPECT_EQ(out, (std::vector<uint32_t>{0u, 0u, 0xFFFF00FEu, 0xFF000000u, 0xFF123456u}));
}

TEST(KeyCodeOf, CharactersKeysAndModifiers) {
    EXPECT_EQ(KeyCodeOf(XK_Escape, "\x1b", 1), 27);
    EXPECT_EQ(KeyCodeOf(XK_a, "a", 1), 'a');
    EXPECT_EQ(KeyCodeOf(XK_eacute, "\xe9", 1), 0xE9);
    EXPECT_EQ(KeyCodeOf(XK_at, "\0", 1), 0);  // Control+@: character 0 still counts
    // XLookupString gives Delete as character 127; here it is a key.
    EXPECT_EQ(KeyCodeOf(XK_Delete, "\x7f", 1), KeyDelete);
    EXPECT_EQ(KeyCodeOf(XK_KP_Up, "", 0), KeyUp);
    EXPECT_EQ(KeyCodeOf(XK_KP_8, "8", 1), '8');  // Num Lock on
    EXPECT_EQ(KeyCodeOf(XK_Print, "", 0), KeyOther);
    for (KeySym modifier : {XK_Shift_L, XK_Control_R, XK_Alt_L, XK_Caps_Lock, XK_Num_Lock,
                            XK_ISO_Level3_Shift, XK_Super_L}) {
        EXPECT_EQ(KeyCodeOf(modifier, "", 0), -1) << modifier;
    }
}

// The extended codes must meet the core's table: PollKey gives code c as
// 255 and ExtendedKeyTable[c - 256].
TEST(KeyCodeOf, ExtendedCodesMatchTheKeyTable) {
    const struct {
        KeySym key;
        char second;
    } keys[] = {{XK_Up, 'H'},     {XK_Down, 'P'},  {XK_Left, 'K'},  {XK_Right, 'M'},
                {XK_Insert, 'R'}, {XK_Delete, 'S'}, {XK_Home, 'G'}, {XK_End, 'O'},
                {XK_Prior, 'I'},  {XK_Next, 'Q'},  {XK_F1, ';'},   {XK_F10, 'D'}};
    for (const auto& k : keys) {
        const int32_t code = KeyCodeOf(k.key, "", 0);
        ASSERT_GE(code, 256);
        ASSERT_LE(code, 276);
        EXPECT_EQ(ExtendedKeyTable[code - 256], k.second) << XKeysymToString(k.key);
    }
}

TEST(Latin1ToUtf8, KeepsAsciiAndEncodesTheRest) {
    EXPECT_EQ(Latin1ToUtf8("Pomfy"), "Pomfy");
    EXPECT_EQ(Latin1ToUtf8("caf\xe9 \xff"), "caf\xc3\xa9 \xc3\xbf");
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

}  // namespace
