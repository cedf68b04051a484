// Where the pet's desktop lies on the screen as it is now, and which monitor
// it lies on. Pure: x11_desktop.cpp gathers what the server says.
#include <algorithm>

#include "x11_internal.h"

namespace {

bool Overlap(const X11Area& a, int32_t x, int32_t y, int32_t width, int32_t height) {
    return x < a.x + a.width && x + width > a.x && y < a.y + a.height && y + height > a.y;
}

// The nearest start in [from, from + room - size], or from where the room is
// narrower than size.
int32_t Inside(int32_t at, int32_t from, int32_t room, int32_t size) {
    return std::max(from, std::min(at, from + room - size));
}

}  // namespace

X11Monitor X11PickMonitor(const std::vector<X11Monitor>& listed, const X11Area& root,
                          Atom follow) {
    const auto find = [&listed](auto wanted) {
        return std::find_if(listed.begin(), listed.end(), wanted);
    };
    auto pick = listed.end();
    if (follow != None) pick = find([follow](const X11Monitor& m) { return m.name == follow; });
    if (pick == listed.end()) pick = find([](const X11Monitor& m) { return m.primary; });
    if (pick == listed.end()) {
        pick = find([](const X11Monitor& m) { return m.area.x == 0 && m.area.y == 0; });
    }
    if (pick == listed.end() && listed.size() == 1) pick = listed.begin();
    if (pick != listed.end()) return *pick;
    X11Monitor whole;
    whole.area = root;
    return whole;
}

bool X11PlaceWindow(const X11Placement& p, int32_t width, int32_t height, int32_t x, int32_t y,
                    int32_t& rootX, int32_t& rootY) {
    rootX = p.left + x;
    rootY = p.top + y;
    const X11Area& m = p.monitor;
    if (!p.keepInView || Overlap(m, rootX, rootY, width, height)) return true;
    // Nobody would see it there, or it would be on a monitor that the pet's
    // walks do not reach: back into the pet's monitor, at the nearest place
    // where it shows whole.
    rootX = Inside(rootX, m.x, m.width, width);
    rootY = Inside(rootY, m.y, m.height, height);
    return false;
}
