// Which bar the desktop's published facts describe: the top edge of the bar
// that reserves the bottom of the primary monitor. Pure: the facts are
// gathered in x11_desktop.cpp.
#include <algorithm>

#include "x11_internal.h"

namespace {

// A top edge that a bar along the monitor's bottom can have: inside the
// lower half of its rows. Anything higher (a strut of nearly the whole
// screen, a work area a few rows high) is no bar.
bool InLowerHalf(const X11Area& monitor, long y) {
    return 2 * (y - monitor.y) >= monitor.height && y < monitor.y + monitor.height;
}

bool MeetsColumns(const X11Area& monitor, long from, long to) {
    return from <= monitor.x + monitor.width - 1 && to >= monitor.x;
}

// The reservation of the bottom edge of the root: its height and the
// columns it covers (inclusive). False when the window reserves none, or
// more rows than the root has.
bool BottomStrut(const X11BarWindow& w, const X11Area& root, long& height, long& from, long& to) {
    if (w.strut.size() != 12 && w.strut.size() != 4) return false;
    height = w.strut[3];
    if (height <= 0 || height > root.height) return false;
    from = root.x;
    to = root.x + root.width - 1;
    if (w.strut.size() == 12) {
        from = w.strut[10];
        to = w.strut[11];
    }
    return true;
}

}  // namespace

int32_t X11BarTop(const X11BarFacts& facts) {
    const X11Area& p = facts.primary;

    // 1. Struts of mapped windows, in the primary monitor's columns. Struts
    // count from the root's bottom edge.
    long best = -1;
    bool anyBottomStrut = false;
    for (const X11BarWindow& w : facts.windows) {
        long height = 0, from = 0, to = 0;
        if (!w.mapped || !BottomStrut(w, facts.root, height, from, to)) continue;
        anyBottomStrut = true;
        const long top = facts.root.y + facts.root.height - height;
        if (!MeetsColumns(p, from, to) || !InLowerHalf(p, top)) continue;
        if (best < 0 || top < best) best = top;
    }
    if (best >= 0) return static_cast<int32_t>(best);

    // 2. The primary monitor's own work area, where the window manager
    // publishes one per monitor: the largest of them inside the monitor.
    bool perMonitor = false;
    if (facts.liveWm) {
        long bestArea = 0, bottom = 0;
        for (size_t i = 0; i + 3 < facts.gtkWorkAreas.size(); i += 4) {
            const long x = facts.gtkWorkAreas[i], y = facts.gtkWorkAreas[i + 1];
            const long w = facts.gtkWorkAreas[i + 2], h = facts.gtkWorkAreas[i + 3];
            if (w <= 0 || h <= 0 || x < p.x || y < p.y || x + w > p.x + p.width ||
                y + h > p.y + p.height) {
                continue;
            }
            if (w * h > bestArea) {
                bestArea = w * h;
                bottom = y + h;
            }
        }
        if (bestArea > 0) {
            if (InLowerHalf(p, bottom)) return static_cast<int32_t>(bottom);
            perMonitor = true;  // it says: nothing along this monitor's bottom
        }
    }

    // 3. The one work area of the whole root, from a live window manager,
    // only where no strut contradicts it: with struts on the desktop they
    // alone decide (a work area spanning several monitors would put the
    // pet above an empty edge of the primary one).
    if (facts.liveWm && !perMonitor && !anyBottomStrut && facts.workArea.size() >= 4) {
        const long x = facts.workArea[0], y = facts.workArea[1];
        const long w = facts.workArea[2], h = facts.workArea[3];
        if (w > 0 && h > 0 && w <= facts.root.width && h <= facts.root.height &&
            MeetsColumns(p, x, x + w - 1) && InLowerHalf(p, y + h)) {
            return static_cast<int32_t>(y + h);
        }
    }

    // 4. A dock that spans the monitor's whole width along its bottom edge,
    // even without a strut (i3bar). A narrower one reserves nothing.
    best = -1;
    for (const X11BarWindow& w : facts.windows) {
        if (!w.mapped || !w.dock) continue;
        const X11Area& a = w.area;
        if (a.x > p.x || a.x + a.width < p.x + p.width) continue;
        if (!InLowerHalf(p, a.y) || a.y + a.height < p.y + p.height) continue;
        if (best < 0 || a.y < best) best = a.y;
    }
    return static_cast<int32_t>(best);
}
