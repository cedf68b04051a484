// The pet's window on Wayland and the window thread's mechanism.
//
// The window is a layer surface of the window's size in the bottom layer,
// anchored to the screen's top-left corner with an exclusive zone of -1, so
// that its margins are desktop coordinates whatever the bars reserve. A move
// sets the margins, a frame attaches a shared-memory buffer with an alpha
// channel (the mask colour fully transparent) and an input region of the
// opaque pixels; all of a cycle goes to the compositor in one commit, at its
// end. The keyboard comes on demand: the compositor gives it on a click (and
// may at the start). On a scaled output the buffer holds the window's device
// pixels: shown through a viewport at the surface's logical size at a
// fractional scale, or with the integer buffer scale.
//
// A second layer surface, anchored to all four edges with an exclusive zone
// of 0 and never given a picture, asks the compositor for the area that its
// bars leave free; each configure of it tells its new size. A maximized xdg
// window that is never shown asks the same as KWin counts it.
//
// When the pet's output goes, the compositor closes the surfaces on it: they
// are made anew on the output that remains.
//
// The connection's events are read by WaitForWork and dispatched by
// HandleEvents, under the lock; the thread sleeps in one ppoll on the
// connection and the wake-ups of wakeups.h.
#include "wayland_internal.h"  // first: see wayland_library.h

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core.h"
#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "neutral.h"
#include "plasma-shell-client-protocol.h"
#include "platform.h"
#include "viewporter-client-protocol.h"
#include "wakeups.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace {

// One picture of the window's size in a shared-memory pool of its own. The
// compositor reads it until it releases it.
struct ShmBuffer {
    int fd = -1;
    size_t bytes = 0;
    uint32_t* pixels = nullptr;
    wl_buffer* buffer = nullptr;
    bool busy = false;

    ShmBuffer() = default;
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;
    ~ShmBuffer() {
        if (buffer != nullptr) wl_buffer_destroy(buffer);
        if (pixels != nullptr) munmap(pixels, bytes);
        if (fd >= 0) close(fd);
    }
};

void Released(void* data, wl_buffer*) { static_cast<ShmBuffer*>(data)->busy = false; }
const wl_buffer_listener BufferListener = {Released};

std::unique_ptr<ShmBuffer> MakeBuffer(int32_t width, int32_t height) {
    auto b = std::make_unique<ShmBuffer>();
    b->bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    b->fd = memfd_create("pomfy", MFD_CLOEXEC);
    if (b->fd < 0 || ftruncate(b->fd, static_cast<off_t>(b->bytes)) != 0) return nullptr;
    void* map = mmap(nullptr, b->bytes, PROT_READ | PROT_WRITE, MAP_SHARED, b->fd, 0);
    if (map == MAP_FAILED) return nullptr;
    b->pixels = static_cast<uint32_t*>(map);
    wl_shm_pool* pool = wl_shm_create_pool(WaylandSession.shm, b->fd, static_cast<int32_t>(b->bytes));
    b->buffer = wl_shm_pool_create_buffer(pool, 0, width, height, width * 4,
                                          WL_SHM_FORMAT_ARGB8888);
    wl_shm_pool_destroy(pool);
    wl_buffer_add_listener(b->buffer, &BufferListener, b.get());
    return b;
}

// More than this many pictures held by the compositor at once waits for
// one to come back.
constexpr size_t MostBuffers = 4;

struct LayerWindow {
    // Declared first, destroyed last: after the surfaces that show them.
    std::vector<std::unique_ptr<ShmBuffer>> buffers;
    WlPtr<wl_surface, wl_surface_destroy> surface;
    WlPtr<wp_viewport, wp_viewport_destroy> viewport;  // at a fractional scale
    WlPtr<zwlr_layer_surface_v1, zwlr_layer_surface_v1_destroy> layer;
    WlPtr<wl_surface, wl_surface_destroy> groundSurface;
    WlPtr<zwlr_layer_surface_v1, zwlr_layer_surface_v1_destroy> ground;
    // KWin's panels are no layer surfaces: the area they leave free is what
    // a maximized window gets, and the compositor tells a window its size
    // before it is shown. This one never is: it has no picture.
    WlPtr<wl_surface, wl_surface_destroy> probeSurface;
    WlPtr<xdg_surface, xdg_surface_destroy> probeXdg;
    WlPtr<xdg_toplevel, xdg_toplevel_destroy> probe;
    WlPtr<org_kde_plasma_surface, org_kde_plasma_surface_destroy> probeInPlasma;
    int32_t probeHeight = 0;  // of the configure under way, 0 when not maximized
    bool probeAnswered = false;
    int64_t probeMadeNs = 0;
    WlPtr<zwp_idle_inhibitor_v1, zwp_idle_inhibitor_v1_destroy> inhibitor;
    // Kept and filled anew for each shape: a region made and destroyed each
    // time would bring an event back (its id freed), and with it a wake-up.
    WlPtr<wl_region, wl_region_destroy> region;
    // The window's opaque pixels in the surface's logical pixels.
    std::vector<PixelRun> inputShape;
    // What the next commit carries.
    int32_t damageFirst = INT32_MAX;
    int32_t damageLast = -1;
    bool shapeChanged = false;
    bool moved = false;
    int32_t x = 0;
    int32_t y = 0;
    bool starved = false;    // a picture waits for a buffer to come back
    bool configured = false;
    bool closed = false;
    bool rehome = false;  // the surfaces are to be made anew on the pet's output
    bool asking = false;  // keyboard interactivity exclusive for now
};
std::unique_ptr<LayerWindow> Layer;

// The size is the one asked for, and sway sends the same again after every
// move: an acknowledgement is enough, which the next commit carries.
void Configure(void*, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t, uint32_t) {
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    Layer->configured = true;
}
// A surface closed once shown is made anew on the pet's output (its own
// went away); one closed at once was refused.
void Closed(void*, zwlr_layer_surface_v1*) {
    if (Layer->configured) Layer->rehome = true;
    Layer->closed = true;
}
const zwlr_layer_surface_v1_listener LayerListener = {Configure, Closed};

void GroundConfigure(void*, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t,
                     uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    WaylandSession.freeHeight = static_cast<int32_t>(height);
}
// The ground line then stays where it was last told.
void GroundClosed(void*, zwlr_layer_surface_v1*) {}
const zwlr_layer_surface_v1_listener GroundListener = {GroundConfigure, GroundClosed};

void ProbeSize(void*, xdg_toplevel*, int32_t, int32_t height, wl_array* states) {
    bool maximized = false;
    const auto* state = static_cast<const uint32_t*>(states->data);
    for (size_t i = 0; i < states->size / sizeof *state; ++i) {
        maximized = maximized || state[i] == XDG_TOPLEVEL_STATE_MAXIMIZED;
    }
    Layer->probeHeight = maximized ? height : 0;
}
void ProbeClose(void*, xdg_toplevel*) {}
// Bound at version 1: no later event comes.
const xdg_toplevel_listener ProbeListener = [] {
    xdg_toplevel_listener l{};
    l.configure = ProbeSize;
    l.close = ProbeClose;
    return l;
}();
// The configure is complete: its size counts.
void ProbeConfigure(void*, xdg_surface* surface, uint32_t serial) {
    xdg_surface_ack_configure(surface, serial);
    WaylandSession.maximizedHeight = Layer->probeHeight;
    Layer->probeAnswered = true;
}
const xdg_surface_listener ProbeSurfaceListener = {ProbeConfigure};

// KWin tells a window that is never shown its size once only, so a new one
// asks again, at most this often and only while the window changes: the
// pet follows a panel that is hidden, resized or moved within a second.
constexpr int64_t ProbeSpacingNs = 1000 * NsPerMs;

void DropProbe() {
    Layer->probeInPlasma.reset();
    Layer->probe.reset();
    Layer->probeXdg.reset();
    Layer->probeSurface.reset();
}

// The compositor puts a maximized window on an output of its own choosing,
// the pet's when there is one.
void MakeProbe() {
    Layer->probeAnswered = false;
    Layer->probeMadeNs = MonotonicNs();
    Layer->probeSurface.reset(wl_compositor_create_surface(WaylandSession.compositor));
    Layer->probeXdg.reset(xdg_wm_base_get_xdg_surface(WaylandSession.wmBase, Layer->probeSurface.get()));
    xdg_surface_add_listener(Layer->probeXdg.get(), &ProbeSurfaceListener, nullptr);
    Layer->probe.reset(xdg_surface_get_toplevel(Layer->probeXdg.get()));
    xdg_toplevel_add_listener(Layer->probe.get(), &ProbeListener, nullptr);
    xdg_toplevel_set_maximized(Layer->probe.get());
    if (WaylandSession.plasmaShell != nullptr) {
        // Plasma lists a window from its start, shown or not.
        Layer->probeInPlasma.reset(
            org_kde_plasma_shell_get_surface(WaylandSession.plasmaShell, Layer->probeSurface.get()));
        org_kde_plasma_surface_set_skip_taskbar(Layer->probeInPlasma.get(), 1);
        org_kde_plasma_surface_set_skip_switcher(Layer->probeInPlasma.get(), 1);
    }
    wl_surface_commit(Layer->probeSurface.get());
}

ShmBuffer* FreeBuffer() {
    for (auto& b : Layer->buffers) {
        if (!b->busy) return b.get();
    }
    if (Layer->buffers.size() >= MostBuffers) return nullptr;
    auto b = MakeBuffer(PetWindow.deviceWidth, PetWindow.deviceHeight);
    if (!b) FatalError("no memory for the pet's picture");
    Layer->buffers.push_back(std::move(b));
    return Layer->buffers.back().get();
}

bool PictureWaits() { return Layer->damageLast >= 0; }

// Sends what the cycle changed, in one commit.
void WaylandCommit() {
    wl_surface* surface = Layer->surface.get();
    bool any = Layer->moved;
    Layer->starved = false;
    if (PictureWaits()) {
        ShmBuffer* b = FreeBuffer();
        if (b == nullptr) {
            Layer->starved = true;  // sent once the compositor gives one back
        } else {
            std::memcpy(b->pixels, PetWindow.convertedRows, b->bytes);
            wl_surface_attach(surface, b->buffer, 0, 0);
            const int32_t rows = Layer->damageLast - Layer->damageFirst + 1;
            if (WaylandSession.compositorVersion >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
                wl_surface_damage_buffer(surface, 0, Layer->damageFirst, PetWindow.deviceWidth, rows);
            } else if (PetWindow.deviceWidth == PetWindow.width) {
                wl_surface_damage(surface, 0, Layer->damageFirst, PetWindow.width, rows);
            } else {
                wl_surface_damage(surface, 0, 0, PetWindow.width, PetWindow.height);
            }
            b->busy = true;
            Layer->damageFirst = INT32_MAX;
            Layer->damageLast = -1;
            any = true;
        }
    }
    if (Layer->shapeChanged && !Layer->starved) {
        wl_region* region = Layer->region.get();
        wl_region_subtract(region, 0, 0, PetWindow.width, PetWindow.height);
        for (const PixelRun& r : Layer->inputShape) wl_region_add(region, r.x, r.y, r.width, 1);
        wl_surface_set_input_region(surface, region);
        Layer->shapeChanged = false;
    }
    if (Layer->moved) {
        zwlr_layer_surface_v1_set_margin(Layer->layer.get(), Layer->y, 0, 0, Layer->x);
        Layer->moved = false;
    }
    if (any) wl_surface_commit(surface);
}

void WaylandPresent(int32_t first, int32_t last) {
    if (first < Layer->damageFirst) Layer->damageFirst = first;
    if (last > Layer->damageLast) Layer->damageLast = last;
    if (const std::vector<PixelRun>* shape = ShapeChange()) {
        ToLogicalRuns(*shape, Layer->inputShape);
        Layer->shapeChanged = true;
    }
}

bool WaylandMove(int32_t x, int32_t y) {
    Layer->x = x;
    Layer->y = y;
    Layer->moved = true;
    return true;
}

void WaylandEndCycle() {
    WaylandCommit();
    if (Layer->probeAnswered && MonotonicNs() - Layer->probeMadeNs >= ProbeSpacingNs) {
        DropProbe();
        MakeProbe();
    }
}

void WaylandDispatch() {
    if (wl_display_dispatch_pending(WaylandSession.display) < 0) WaylandConnectionLost();
}

// Whether the layer shell knows keyboard focus on demand; before it, a
// surface could only ask for the keyboard outright.
bool OnDemand(zwlr_layer_surface_v1* layer) {
    return zwlr_layer_surface_v1_get_version(layer) >=
           ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_ON_DEMAND_SINCE_VERSION;
}

// The pet's surface and the free-area probes, on the pet's output, with the
// first commit of each.
void MakeSurfaces() {
    const int32_t width = PetWindow.width, height = PetWindow.height;
    Layer->surface.reset(wl_compositor_create_surface(WaylandSession.compositor));
    // A buffer of device pixels, shown at the surface's logical size.
    if (WaylandSession.viewport) {
        Layer->viewport.reset(wp_viewporter_get_viewport(WaylandSession.viewporter, Layer->surface.get()));
        wp_viewport_set_destination(Layer->viewport.get(), width, height);
    } else if (PetWindow.deviceWidth != width) {
        wl_surface_set_buffer_scale(Layer->surface.get(), PetWindow.deviceWidth / width);
    }
    Layer->layer.reset(zwlr_layer_shell_v1_get_layer_surface(WaylandSession.layerShell, Layer->surface.get(),
                                                         WaylandSession.output,
                                                         ZWLR_LAYER_SHELL_V1_LAYER_BOTTOM, "pomfy"));
    zwlr_layer_surface_v1* l = Layer->layer.get();
    zwlr_layer_surface_v1_add_listener(l, &LayerListener, nullptr);
    zwlr_layer_surface_v1_set_size(l, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    zwlr_layer_surface_v1_set_anchor(
        l, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT);
    zwlr_layer_surface_v1_set_exclusive_zone(l, -1);
    zwlr_layer_surface_v1_set_margin(l, Layer->y, 0, 0, Layer->x);
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        l, OnDemand(l) ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_ON_DEMAND
                       : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    wl_surface_commit(Layer->surface.get());

    Layer->groundSurface.reset(wl_compositor_create_surface(WaylandSession.compositor));
    Layer->ground.reset(zwlr_layer_shell_v1_get_layer_surface(
        WaylandSession.layerShell, Layer->groundSurface.get(), WaylandSession.output, ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND,
        "pomfy-ground"));
    zwlr_layer_surface_v1_add_listener(Layer->ground.get(), &GroundListener, nullptr);
    zwlr_layer_surface_v1_set_anchor(
        Layer->ground.get(), ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                             ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                             ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(Layer->ground.get(), 0);
    wl_surface_commit(Layer->groundSurface.get());
    if (WaylandSession.wmBase != nullptr) MakeProbe();
}

// Waits for the first configure of the surfaces just made, then shows the
// whole picture on them. nullptr, or why the window cannot be shown.
const char* ShowSurfaces() {
    const Answer answer = WaylandRoundTrip();
    if (answer == Answer::Lost) WaylandConnectionLost();
    if (answer == Answer::Silent) return "the Wayland compositor did not answer";
    if (Layer->closed || !Layer->configured) return "the Wayland compositor refused the pet's surface";
    if (WaylandSession.idleInhibit != nullptr) {
        // The screen saver stays off while the window is open.
        Layer->inhibitor.reset(
            zwp_idle_inhibit_manager_v1_create_inhibitor(WaylandSession.idleInhibit, Layer->surface.get()));
    }
    Layer->damageFirst = 0;
    Layer->damageLast = PetWindow.deviceHeight - 1;
    Layer->shapeChanged = true;
    WaylandCommit();
    if (wl_display_flush(WaylandSession.display) < 0 && errno != EAGAIN) WaylandConnectionLost();
    return nullptr;
}

const char* WaylandCreateWindow(int32_t x, int32_t y) {
    Layer = std::make_unique<LayerWindow>();
    Layer->x = x;
    Layer->y = y;
    ShowRowsAs(RowForm::Alpha);
    ToLogicalRuns(*ShapeChange(), Layer->inputShape);
    Layer->region.reset(wl_compositor_create_region(WaylandSession.compositor));
    MakeSurfaces();
    const char* failure = ShowSurfaces();
    if (failure != nullptr) Layer.reset();
    return failure;
}

// The window's surfaces go with the output they were made for (the
// compositor closes them, or is about to): new ones on the pet's output now,
// at the same place where the window fits there, else moved just inside.
void MoveToOutput() {
    Layer->rehome = false;
    Layer->inhibitor.reset();
    DropProbe();
    Layer->ground.reset();
    Layer->groundSurface.reset();
    Layer->layer.reset();
    Layer->viewport.reset();
    Layer->surface.reset();
    Layer->buffers.clear();
    Layer->configured = Layer->closed = Layer->asking = false;
    Layer->moved = false;
    WaylandSession.freeHeight = 0;
    WaylandSession.maximizedHeight = 0;
    const int32_t x = std::clamp(Layer->x, 0, std::max(0, WaylandSession.width - PetWindow.width));
    const int32_t y = std::clamp(Layer->y, 0, std::max(0, WaylandSession.height - PetWindow.height));
    if (x != Layer->x || y != Layer->y) {
        Layer->x = x;
        Layer->y = y;
        WindowPlaced(x, y);
    }
    DesktopResized();
    MakeSurfaces();
    const char* failure = ShowSurfaces();
    if (failure != nullptr) FatalError(failure);
}

void WaylandDestroyWindow() {
    Layer.reset();
    if (wl_display_flush(WaylandSession.display) < 0 && errno != EAGAIN) WaylandConnectionLost();
}

bool WaylandEventsWaiting() {
    wl_display* d = WaylandSession.display;
    if (wl_display_prepare_read(d) != 0) return true;
    pollfd p{wl_display_get_fd(d), POLLIN, 0};
    if (poll(&p, 1, 0) > 0) {
        if (wl_display_read_events(d) < 0) WaylandConnectionLost();
    } else {
        wl_display_cancel_read(d);
        return false;
    }
    if (wl_display_prepare_read(d) != 0) return true;
    wl_display_cancel_read(d);
    return false;
}

void WaylandHandleEvents(int32_t) {
    // libwayland dispatches what it has read as a whole; it is a handful of
    // events at a time.
    WaylandDispatch();
    if (Layer && Layer->rehome) {
        // A closed surface may come before the news that its output went:
        // that comes by the end of a round trip, and WaylandSession.output with it.
        if (Layer->closed && WaylandRoundTrip() == Answer::Lost) WaylandConnectionLost();
        MoveToOutput();
    }
    WaylandDeliverKeys();
    // A picture that waited for a buffer goes as soon as one comes back.
    if (Layer && Layer->starved) WaylandCommit();
}

void WaylandWaitForWork(int64_t until) {
    wl_display* d = WaylandSession.display;
    if (wl_display_prepare_read(d) != 0) return;  // events wait to be handled
    short out = 0;
    if (wl_display_flush(d) < 0) {
        if (errno != EAGAIN) {
            wl_display_cancel_read(d);
            WaylandConnectionLost();
        }
        out = POLLOUT;  // the rest goes once the socket has room
    }
    pollfd fds[3] = {{wl_display_get_fd(d), static_cast<short>(POLLIN | out), 0}, {}, {}};
    WakeupPollFds(fds[1], fds[2]);
    timespec timeout{};
    const int n = ppoll(fds, 3, TimeoutUntil(until, timeout), nullptr);
    if (n < 0 && errno != EINTR) {
        wl_display_cancel_read(d);
        FatalError("the window thread cannot wait for the compositor");
    }
    if (n > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
        if (wl_display_read_events(d) < 0) WaylandConnectionLost();
    } else {
        wl_display_cancel_read(d);
    }
    if (n > 0) DrainWakeups(fds[1], fds[2]);
}

// Nothing finds a layer surface by its caption and it has no taskbar entry:
// the core keeps the caption, and there is nothing to set here.
void WaylandSetTitle(const char*) {}

}  // namespace

void WaylandOutputGone() {
    if (Layer) Layer->rehome = true;
}

// A click on the body that brought no keyboard (phoc gives it on a click
// only to a client that watches the pointer, as this one does; a compositor
// may give none to the bottom layer): the window asks for it outright until
// it comes, and only after a click on the pet, so that it never takes the
// keyboard from a window being typed in.
void WaylandClickedWithoutKeyboard(wl_surface* surface) {
    if (!Layer || surface != Layer->surface.get() || Layer->asking || !OnDemand(Layer->layer.get())) return;
    Layer->asking = true;
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        Layer->layer.get(), ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    wl_surface_commit(surface);
}

void WaylandKeyboardCame() {
    if (!Layer || !Layer->asking) return;
    Layer->asking = false;
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        Layer->layer.get(), ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_ON_DEMAND);
    wl_surface_commit(Layer->surface.get());
}

extern const WindowMechanism WaylandMechanism = {
    WaylandCreateWindow, WaylandDestroyWindow, WaylandEventsWaiting, WaylandHandleEvents, WaylandWaitForWork, WakeNow,
    WakeAt,       WaylandPresent,       WaylandMove,          WaylandEndCycle,     WaylandSetTitle,
};
