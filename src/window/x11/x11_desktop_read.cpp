// Reading what the desktop publishes about its bars in a fixed number of
// round trips, however many windows there are: each stage sends all of its
// requests through the XCB connection under the desktop's Xlib connection,
// then reads all of the replies.
#include <X11/Xlib-xcb.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <iterator>
#include <cstdlib>
#include <memory>
#include <string>

#include "x11_internal.h"

namespace {

// What XCB allocated, freed with free() on every path.
struct FreeWithFree {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeWithFree>;

// The reply to a request, waited for. Windows vanish while we look at them:
// an error is an empty answer, freed here.
template <typename T, typename Cookie>
Reply<T> Await(T* (*reply)(xcb_connection_t*, Cookie, xcb_generic_error_t**),
               xcb_connection_t* c, Cookie cookie) {
    xcb_generic_error_t* error = nullptr;
    Reply<T> answer(reply(c, cookie, &error));
    Reply<xcb_generic_error_t> dropped(error);
    return answer;
}

// A property of 32-bit items: each item is an unsigned 32-bit value.
class PropertyRequest {
public:
    PropertyRequest() = default;
    PropertyRequest(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type,
                    uint32_t offset, uint32_t count)
        : cookie_(xcb_get_property(c, 0, w, property, type, offset, count)),
          type_(type),
          sent_(true) {}

    std::vector<long> Read(xcb_connection_t* c) {
        std::vector<long> values;
        if (!sent_) return values;
        sent_ = false;
        const Reply<xcb_get_property_reply_t> r = Await(xcb_get_property_reply, c, cookie_);
        if (r == nullptr || r->format != 32 || r->type != type_) return values;
        const uint32_t* items = static_cast<const uint32_t*>(xcb_get_property_value(r.get()));
        const int length = xcb_get_property_value_length(r.get()) / 4;
        values.assign(items, items + std::max(length, 0));
        return values;
    }

private:
    xcb_get_property_cookie_t cookie_{};
    xcb_atom_t type_ = XCB_ATOM_NONE;
    bool sent_ = false;
};

std::vector<Window> ReadChildren(xcb_connection_t* c, xcb_query_tree_cookie_t cookie) {
    std::vector<Window> windows;
    const Reply<xcb_query_tree_reply_t> r = Await(xcb_query_tree_reply, c, cookie);
    if (r == nullptr) return windows;
    const xcb_window_t* children = xcb_query_tree_children(r.get());
    windows.assign(children, children + xcb_query_tree_children_length(r.get()));
    return windows;
}

// The top-level windows worth looking at, in two stages: the root's
// children (unmanaged windows such as the pet, frames, panels without a
// window manager) and the clients a window manager lists; then the windows
// inside the root's children that the list does not name (i3 keeps its bar
// inside a frame of its own). Between the stages and after the second, the
// caller sends and reads requests of its own that ride along.
class TopLevelListing {
public:
    TopLevelListing(xcb_connection_t* c, xcb_window_t root, Atom clientList)
        : c_(c),
          root_(root),
          tree_(xcb_query_tree(c, root)),
          clients_(c, root, static_cast<xcb_atom_t>(clientList), XCB_ATOM_WINDOW, 0, 1u << 16) {}

    // Reads the first stage's replies and sends the second stage.
    void ReadFirst() {
        windows_ = ReadChildren(c_, tree_);
        for (long w : clients_.Read(c_)) clientList_.push_back(static_cast<Window>(w));
        std::sort(clientList_.begin(), clientList_.end());
        for (Window w : windows_) {
            if (!std::binary_search(clientList_.begin(), clientList_.end(), w)) {
                frames_.push_back(xcb_query_tree(c_, static_cast<xcb_window_t>(w)));
            }
        }
    }

    // Reads the second stage: every window found, each once. The root is
    // none of them, even where a window manager lists it among its clients:
    // its events are selected once, for the root itself.
    std::vector<Window> ReadSecond() {
        for (xcb_query_tree_cookie_t frame : frames_) {
            for (Window inner : ReadChildren(c_, frame)) windows_.push_back(inner);
        }
        windows_.insert(windows_.end(), clientList_.begin(), clientList_.end());
        std::sort(windows_.begin(), windows_.end());
        windows_.erase(std::unique(windows_.begin(), windows_.end()), windows_.end());
        const auto root = std::lower_bound(windows_.begin(), windows_.end(), root_);
        if (root != windows_.end() && *root == root_) windows_.erase(root);
        return std::move(windows_);
    }

private:
    xcb_connection_t* c_;
    Window root_;
    xcb_query_tree_cookie_t tree_;
    PropertyRequest clients_;
    std::vector<Window> windows_, clientList_;
    std::vector<xcb_query_tree_cookie_t> frames_;
};

xcb_atom_t Xcb(Atom a) {
    return static_cast<xcb_atom_t>(a);
}

// What the bar query asks of one window.
struct WindowRequests {
    PropertyRequest strutPartial, strut, type;
};

// Where a window that can hold a bar is, when it is mapped.
struct PlaceRequests {
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
};

}  // namespace

std::string X11GtkWorkAreasName(uint32_t desktop) {
    return "_GTK_WORKAREAS_D" + std::to_string(desktop);
}

std::vector<Window> X11TopLevelWindows(Display* d, Atom clientList) {
    xcb_connection_t* c = XGetXCBConnection(d);
    TopLevelListing listing(c, static_cast<xcb_window_t>(DefaultRootWindow(d)), clientList);
    listing.ReadFirst();
    return listing.ReadSecond();
}

X11BarFacts X11ReadBarFacts(Display* d, const X11DesktopAtoms& atoms, X11WindowCache& cache,
                            long eventMask, Window pet, std::vector<Window>& candidates) {
    xcb_connection_t* c = XGetXCBConnection(d);
    const xcb_window_t root = static_cast<xcb_window_t>(DefaultRootWindow(d));
    X11BarFacts facts;

    // Round 1: the root's children and clients, its size, the window
    // manager's check window and the current desktop.
    TopLevelListing listing(c, root, atoms.clientList);
    const xcb_get_geometry_cookie_t rootGeometry = xcb_get_geometry(c, root);
    PropertyRequest checkRequest(c, root, Xcb(atoms.supportingWmCheck), XCB_ATOM_WINDOW, 0, 1);
    PropertyRequest deskRequest(c, root, Xcb(atoms.currentDesktop), XCB_ATOM_CARDINAL, 0, 1);
    listing.ReadFirst();
    if (const auto g = Await(xcb_get_geometry_reply, c, rootGeometry)) {
        facts.root = X11Area{0, 0, g->width, g->height};
    }
    const std::vector<long> check = checkRequest.Read(c);
    const Window checkWindow = check.empty() ? None : static_cast<Window>(check[0]);
    const std::vector<long> current = deskRequest.Read(c);
    const uint32_t desk = current.empty() ? 0 : static_cast<uint32_t>(current[0]);

    // Round 2: inside the frames; whether the check window names itself (a
    // window manager that runs now, not one that left its properties
    // behind); the current desktop's work areas. The per-monitor atom is
    // looked up, never created: a desktop number that nobody publishes work
    // areas for must leave no atom behind in the server.
    PropertyRequest selfRequest;
    if (checkWindow != None) {
        selfRequest = PropertyRequest(c, Xcb(checkWindow), Xcb(atoms.supportingWmCheck),
                                      XCB_ATOM_WINDOW, 0, 1);
    }
    const std::string gtkName = X11GtkWorkAreasName(desk);
    const xcb_intern_atom_cookie_t gtkCookie =
        xcb_intern_atom(c, 1, static_cast<uint16_t>(gtkName.size()), gtkName.c_str());
    PropertyRequest areaRequest;
    if (desk < (1u << 28)) {
        areaRequest = PropertyRequest(c, root, Xcb(atoms.workArea), XCB_ATOM_CARDINAL, desk * 4, 4);
    }
    PropertyRequest firstAreaRequest(c, root, Xcb(atoms.workArea), XCB_ATOM_CARDINAL, 0, 4);
    const std::vector<Window> windows = listing.ReadSecond();
    const std::vector<long> self = selfRequest.Read(c);
    facts.liveWm = !self.empty() && static_cast<Window>(self[0]) == checkWindow;
    xcb_atom_t gtkAtom = XCB_ATOM_NONE;
    if (const auto a = Await(xcb_intern_atom_reply, c, gtkCookie)) gtkAtom = a->atom;
    // _NET_WORKAREA of the current desktop, or the first one's where the
    // list is shorter.
    std::vector<long> area = areaRequest.Read(c);
    std::vector<long> firstArea = firstAreaRequest.Read(c);
    if (facts.liveWm) facts.workArea = area.size() == 4 ? area : firstArea;
    if (facts.workArea.size() != 4) facts.workArea.clear();

    // Round 3: the struts and types of the windows not read before, each
    // selected for eventMask first, so that from the server's point of view
    // no change can fall between our reading and our hearing of it; the
    // per-monitor work areas (x, y, w, h per monitor, at most 256 monitors).
    for (auto it = cache.begin(); it != cache.end();) {
        it = std::binary_search(windows.begin(), windows.end(), it->first) ? std::next(it)
                                                                            : cache.erase(it);
    }
    std::vector<Window> unread;
    std::vector<WindowRequests> asked;
    for (Window w : windows) {
        const auto known = cache.find(w);
        const bool polled = known != cache.end() && known->second.polled;
        if (w == pet || (known != cache.end() && !polled)) continue;
        const xcb_window_t x = Xcb(w);
        const uint32_t mask =
            static_cast<uint32_t>(polled ? eventMask & ~PropertyChangeMask : eventMask);
        xcb_change_window_attributes(c, x, XCB_CW_EVENT_MASK, &mask);
        unread.push_back(w);
        asked.push_back(WindowRequests{
            PropertyRequest(c, x, Xcb(atoms.strutPartial), XCB_ATOM_CARDINAL, 0, 12),
            PropertyRequest(c, x, Xcb(atoms.strut), XCB_ATOM_CARDINAL, 0, 4),
            PropertyRequest(c, x, Xcb(atoms.windowType), XCB_ATOM_ATOM, 0, 32)});
    }
    PropertyRequest gtkRequest;
    if (facts.liveWm && gtkAtom != XCB_ATOM_NONE) {
        gtkRequest = PropertyRequest(c, root, gtkAtom, XCB_ATOM_CARDINAL, 0, 4 * 256);
    }
    for (size_t i = 0; i < unread.size(); ++i) {
        X11WindowFacts& known = cache[unread[i]];
        known.dock = false;
        known.strut = asked[i].strutPartial.Read(c);
        std::vector<long> strut = asked[i].strut.Read(c);
        if (known.strut.size() != 12) known.strut = strut.size() == 4 ? strut : std::vector<long>();
        for (long type : asked[i].type.Read(c)) {
            known.dock = known.dock || static_cast<Atom>(type) == atoms.windowTypeDock;
        }
    }
    facts.gtkWorkAreas = gtkRequest.Read(c);
    std::vector<X11BarWindow> found;
    for (Window w : windows) {
        const auto known = cache.find(w);
        if (known == cache.end() || (known->second.strut.empty() && !known->second.dock)) continue;
        X11BarWindow bar;
        bar.strut = known->second.strut;
        bar.dock = known->second.dock;
        candidates.push_back(w);
        found.push_back(std::move(bar));
    }

    // Round 4: where the candidates are, and whether they are viewable.
    std::vector<PlaceRequests> places;
    places.reserve(candidates.size());
    for (Window w : candidates) {
        const xcb_window_t x = Xcb(w);
        places.push_back(PlaceRequests{xcb_get_window_attributes(c, x), xcb_get_geometry(c, x),
                                       xcb_translate_coordinates(c, x, root, 0, 0)});
    }
    for (size_t i = 0; i < candidates.size(); ++i) {
        const auto attributes = Await(xcb_get_window_attributes_reply, c, places[i].attributes);
        const auto geometry = Await(xcb_get_geometry_reply, c, places[i].geometry);
        const auto origin = Await(xcb_translate_coordinates_reply, c, places[i].origin);
        if (attributes == nullptr || geometry == nullptr || origin == nullptr ||
            attributes->map_state != XCB_MAP_STATE_VIEWABLE || !origin->same_screen) {
            continue;
        }
        X11BarWindow& bar = found[i];
        bar.mapped = true;
        bar.area = X11Area{origin->dst_x, origin->dst_y, geometry->width + 2 * geometry->border_width,
                           geometry->height + 2 * geometry->border_width};
        facts.windows.push_back(std::move(bar));
    }
    return facts;
}
