// The Wayland backend: the connection to the compositor, the globals it
// offers and the desktop's queries.
//
// The pet runs natively on compositors that have wlroots' layer shell
// (sway, KDE Plasma, Hyprland ...): its window is a layer surface in the
// bottom layer, which the program places itself through its anchor and
// margins. Elsewhere (GNOME, which has no layer shell) Start says why not
// and the X11 backend runs it through XWayland.
#include "wayland_internal.h"  // first: see wayland_library.h

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>

#include "fractional-scale-v1-client-protocol.h"
#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "plasma-shell-client-protocol.h"
#include "platform.h"
#include "viewporter-client-protocol.h"
#include "wakeups.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

WaylandDesktop WaylandSession;

namespace {

// Keyboard focus on demand came with version 4; before it (KDE Plasma 5.27
// offers 3) a surface could only ask for the keyboard, which a compositor
// gives to one in the bottom layer the usual way, on a click.
constexpr uint32_t LayerShellVersion = 4;
// KDE Plasma's shell: a window kept out of the taskbar (2) and the window
// switcher (5).
constexpr uint32_t PlasmaShellVersion = 5;

// Each output's record is its wl_output's user data.
WaylandOutput* Record(void* data) { return static_cast<WaylandOutput*>(data); }

void OutputGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                    const char*, const char*, int32_t transform) {
    Record(data)->x = x;
    Record(data)->y = y;
    Record(data)->transform = transform;
}
void OutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    if (flags & WL_OUTPUT_MODE_CURRENT) {
        Record(data)->modeWidth = width;
        Record(data)->modeHeight = height;
    }
}
// The output in surface coordinates: its logical size where xdg-output
// tells it; else its mode divided by its scale, turned with its transform,
// which is right at an integer scale only.
void OutputDone(void* data, wl_output* output) {
    WaylandOutput& o = *Record(data);
    if (o.logicalWidth > 0 && o.logicalHeight > 0) {
        o.width = o.logicalWidth;
        o.height = o.logicalHeight;
    } else {
        const int32_t scale = o.scale > 0 ? o.scale : 1;
        o.width = o.modeWidth / scale;
        o.height = o.modeHeight / scale;
        if (o.transform & WL_OUTPUT_TRANSFORM_90) std::swap(o.width, o.height);
    }
    if (output == WaylandSession.output) {
        WaylandSession.width = o.width;
        WaylandSession.height = o.height;
    }
}
void OutputScale(void* data, wl_output*, int32_t factor) { Record(data)->scale = factor; }
void OutputName(void* data, wl_output*, const char* name) { Record(data)->connector = name; }
void OutputDescription(void*, wl_output*, const char*) {}
const wl_output_listener OutputListener = {OutputGeometry, OutputMode,  OutputDone,
                                           OutputScale,    OutputName, OutputDescription};

void XdgOutputPosition(void*, zxdg_output_v1*, int32_t, int32_t) {}
void XdgOutputSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
    Record(data)->logicalWidth = width;
    Record(data)->logicalHeight = height;
}
// Version 3 ends a change with wl_output.done instead; both come to the same.
void XdgOutputDone(void* data, zxdg_output_v1*) { OutputDone(data, Record(data)->output); }
void XdgOutputName(void*, zxdg_output_v1*, const char*) {}
void XdgOutputDescription(void*, zxdg_output_v1*, const char*) {}
const zxdg_output_v1_listener XdgOutputListener = {XdgOutputPosition, XdgOutputSize, XdgOutputDone,
                                                   XdgOutputName, XdgOutputDescription};

// Asks for the output's logical size, where the compositor tells it.
void WatchLogicalSize(WaylandOutput& o) {
    if (WaylandSession.xdgOutputs == nullptr || o.xdgOutput != nullptr) return;
    o.xdgOutput = zxdg_output_manager_v1_get_xdg_output(WaylandSession.xdgOutputs, o.output);
    zxdg_output_v1_add_listener(o.xdgOutput, &XdgOutputListener, &o);
}

// The scale the compositor prefers for a surface on the pet's output, in
// 120ths; 0 where it has not said.
uint32_t PreferredScale = 0;
void Preferred(void*, wp_fractional_scale_v1*, uint32_t scale) { PreferredScale = scale; }
const wp_fractional_scale_v1_listener FractionalScaleListener = {Preferred};

// A client with xdg windows answers the compositor's pings.
void Ping(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }
const xdg_wm_base_listener WmBaseListener = {Ping};

void Global(void*, wl_registry* registry, uint32_t name, const char* interface,
            uint32_t version) {
    auto bind = [&](const wl_interface* which, uint32_t highest) {
        return wl_registry_bind(registry, name, which, version < highest ? version : highest);
    };
    if (std::strcmp(interface, wl_compositor_interface.name) == 0 && WaylandSession.compositor == nullptr) {
        WaylandSession.compositorVersion = version < 4 ? version : 4;
        WaylandSession.compositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0 && WaylandSession.shm == nullptr) {
        WaylandSession.shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && WaylandSession.seat == nullptr) {
        WaylandSession.seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 5));
    } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
        auto o = std::make_unique<WaylandOutput>();
        o->name = name;
        o->output = static_cast<wl_output*>(bind(&wl_output_interface, 4));
        wl_output_add_listener(o->output, &OutputListener, o.get());
        WatchLogicalSize(*o);
        // The first output is the primary screen.
        if (WaylandSession.output == nullptr) WaylandSession.output = o->output;
        WaylandSession.outputs.push_back(std::move(o));
    } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0 &&
               WaylandSession.layerShell == nullptr) {
        WaylandSession.layerShell = static_cast<zwlr_layer_shell_v1*>(
            bind(&zwlr_layer_shell_v1_interface, LayerShellVersion));
    } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0 && WaylandSession.wmBase == nullptr) {
        WaylandSession.wmBase = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(WaylandSession.wmBase, &WmBaseListener, nullptr);
    } else if (std::strcmp(interface, org_kde_plasma_shell_interface.name) == 0 &&
               WaylandSession.plasmaShell == nullptr && version >= PlasmaShellVersion) {
        WaylandSession.plasmaShell = static_cast<org_kde_plasma_shell*>(
            bind(&org_kde_plasma_shell_interface, PlasmaShellVersion));
    } else if (std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) == 0 &&
               WaylandSession.idleInhibit == nullptr) {
        WaylandSession.idleInhibit = static_cast<zwp_idle_inhibit_manager_v1*>(
            bind(&zwp_idle_inhibit_manager_v1_interface, 1));
    } else if (std::strcmp(interface, wp_fractional_scale_manager_v1_interface.name) == 0 &&
               WaylandSession.fractionalScale == nullptr) {
        WaylandSession.fractionalScale = static_cast<wp_fractional_scale_manager_v1*>(
            bind(&wp_fractional_scale_manager_v1_interface, 1));
    } else if (std::strcmp(interface, wp_viewporter_interface.name) == 0 &&
               WaylandSession.viewporter == nullptr) {
        WaylandSession.viewporter = static_cast<wp_viewporter*>(bind(&wp_viewporter_interface, 1));
    } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0 &&
               WaylandSession.xdgOutputs == nullptr) {
        WaylandSession.xdgOutputs =
            static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 3));
    }
}
// An output that goes while others remain takes the pet to the first of
// them, as an unplugged dock's screen leaves a laptop's own.
void GlobalRemove(void*, wl_registry*, uint32_t name) {
    auto& all = WaylandSession.outputs;
    auto gone = all.begin();
    while (gone != all.end() && (*gone)->name != name) ++gone;
    if (gone == all.end()) return;
    const bool pets = (*gone)->output == WaylandSession.output;
    all.erase(gone);
    if (!pets) return;
    WaylandSession.output = nullptr;
    for (const auto& o : all) {
        if (o->width > 0 && o->height > 0) {
            WaylandSession.output = o->output;
            WaylandSession.width = o->width;
            WaylandSession.height = o->height;
            break;
        }
    }
    if (WaylandSession.output == nullptr) FatalError("the Wayland compositor took the screen away");
    WaylandOutputGone();
}
const wl_registry_listener RegistryListener = {Global, GlobalRemove};

// The registry stays for the program's life: it tells when the output goes
// away.
wl_registry* Registry = nullptr;

// Leaves nothing behind of a start that failed.
const char* WaylandRefuse(const char* reason) {
    WaylandForgetSeat();
    for (void* bound : {static_cast<void*>(Registry), static_cast<void*>(WaylandSession.compositor),
                        static_cast<void*>(WaylandSession.shm), static_cast<void*>(WaylandSession.seat),
                        static_cast<void*>(WaylandSession.layerShell), static_cast<void*>(WaylandSession.idleInhibit),
                        static_cast<void*>(WaylandSession.wmBase), static_cast<void*>(WaylandSession.plasmaShell),
                        static_cast<void*>(WaylandSession.fractionalScale), static_cast<void*>(WaylandSession.viewporter)}) {
        if (bound != nullptr) wl_proxy_destroy(static_cast<wl_proxy*>(bound));
    }
    Registry = nullptr;
    WaylandSession.outputs.clear();  // before the manager of their xdg outputs
    if (WaylandSession.xdgOutputs != nullptr) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(WaylandSession.xdgOutputs));
    if (WaylandSession.display != nullptr) wl_display_disconnect(WaylandSession.display);
    CloseWakeups();
    WaylandSession.display = nullptr;
    WaylandSession.compositor = nullptr;
    WaylandSession.shm = nullptr;
    WaylandSession.seat = nullptr;
    WaylandSession.output = nullptr;
    WaylandSession.layerShell = nullptr;
    WaylandSession.idleInhibit = nullptr;
    WaylandSession.wmBase = nullptr;
    WaylandSession.plasmaShell = nullptr;
    WaylandSession.fractionalScale = nullptr;
    WaylandSession.viewporter = nullptr;
    WaylandSession.xdgOutputs = nullptr;
    WaylandSession.scale = 1;
    WaylandSession.viewport = false;
    PreferredScale = 0;
    return reason;
}

char Reason[160];

// Why a round trip of the start failed, for the reason Start gives.
const char* Unanswered(Answer answer, const char* name) {
    if (answer == Answer::Lost) return WaylandRefuse("the Wayland compositor closed the connection");
    std::snprintf(Reason, sizeof Reason, "no Wayland compositor answered on %s", name);
    return WaylandRefuse(Reason);
}

// The scale the compositor prefers for a surface on the pet's output, in
// 120ths, or 0 where it does not say before the surface is shown: asked with
// a layer surface of its own on the output that never gets a picture.
uint32_t AskPreferredScale() {
    wl_surface* surface = wl_compositor_create_surface(WaylandSession.compositor);
    wp_fractional_scale_v1* fractional =
        wp_fractional_scale_manager_v1_get_fractional_scale(WaylandSession.fractionalScale, surface);
    wp_fractional_scale_v1_add_listener(fractional, &FractionalScaleListener, nullptr);
    zwlr_layer_surface_v1* layer = zwlr_layer_shell_v1_get_layer_surface(
        WaylandSession.layerShell, surface, WaylandSession.output, ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND, "pomfy-scale");
    static const zwlr_layer_surface_v1_listener Listener = {
        [](void*, zwlr_layer_surface_v1* l, uint32_t serial, uint32_t, uint32_t) {
            zwlr_layer_surface_v1_ack_configure(l, serial);
        },
        [](void*, zwlr_layer_surface_v1*) {}};
    zwlr_layer_surface_v1_add_listener(layer, &Listener, nullptr);
    zwlr_layer_surface_v1_set_size(layer, 1, 1);
    wl_surface_commit(surface);
    const bool answered = WaylandRoundTrip() == Answer::Given;
    zwlr_layer_surface_v1_destroy(layer);
    wp_fractional_scale_v1_destroy(fractional);
    wl_surface_destroy(surface);
    return answered ? PreferredScale : 0;
}

// The one scale of the run: the compositor's preferred fractional scale,
// shown through a viewport, where it offers both; else the output's integer
// scale as the buffer scale (which needs wl_surface version 3).
void ChooseScale() {
    if (WaylandSession.fractionalScale != nullptr && WaylandSession.viewporter != nullptr) {
        const uint32_t preferred = AskPreferredScale();
        if (preferred > 0) {
            WaylandSession.scale = preferred / 120.0;
            WaylandSession.viewport = true;
            return;
        }
    }
    for (const auto& o : WaylandSession.outputs) {
        if (o->output == WaylandSession.output && o->scale > 1 && WaylandSession.compositorVersion >= 3) WaylandSession.scale = o->scale;
    }
}

const char* WaylandStart() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (name == nullptr || *name == '\0') {
        return "no Wayland compositor: WAYLAND_DISPLAY is not set";
    }
    // libwayland looks for the socket there, and would say so itself.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (name[0] != '/' && (runtime == nullptr || *runtime == '\0')) {
        return "no Wayland compositor: XDG_RUNTIME_DIR is not set";
    }
    static std::string why;
    if (!WaylandLoadLibraries(why)) return why.c_str();
    WaylandSession.display = wl_display_connect(name);
    if (WaylandSession.display == nullptr) {
        std::snprintf(Reason, sizeof Reason, "cannot connect to the Wayland compositor \"%s\"",
                      name);
        return WaylandRefuse(Reason);
    }
    Registry = wl_display_get_registry(WaylandSession.display);
    wl_registry_add_listener(Registry, &RegistryListener, nullptr);
    Answer answer = WaylandRoundTrip();
    if (answer != Answer::Given) return Unanswered(answer, name);
    if (WaylandSession.layerShell == nullptr) return WaylandRefuse("the Wayland compositor has no layer shell");
    if (WaylandSession.compositor == nullptr || WaylandSession.shm == nullptr) {
        return WaylandRefuse("the Wayland compositor offers no shared-memory surfaces");
    }
    if (WaylandSession.seat == nullptr) return WaylandRefuse("the Wayland compositor has no seat");
    if (WaylandSession.output == nullptr) return WaylandRefuse("the Wayland compositor has no screen");
    if (!WaylandWatchSeat(WaylandSession.seat)) return WaylandRefuse("cannot read keymaps (no xkbcommon context)");
    // The outputs' modes, their logical sizes and the seat's keyboard.
    for (const auto& o : WaylandSession.outputs) WatchLogicalSize(*o);
    answer = WaylandRoundTrip();
    if (answer != Answer::Given) return Unanswered(answer, name);
    ChooseScale();
    if (WaylandSession.width <= 0 || WaylandSession.height <= 0) {
        return WaylandRefuse("the Wayland compositor's screen has no size");
    }
    if (!OpenWakeups(why)) return WaylandRefuse(why.c_str());
    return nullptr;
}

void WaylandDesktopSize(int32_t& width, int32_t& height) {
    width = WaylandSession.width;
    height = WaylandSession.height;
}

// Surfaces are placed in the compositor's logical pixels.
void WaylandDesktopScale(double& factor, bool& devicePositions) {
    factor = WaylandSession.scale;
    devicePositions = false;
}

// The compositor tells how tall the area is that its bars leave free, not
// on which edge they lie: where less than the whole screen is free, the
// free area's bottom is taken for the top of a bar along the bottom. Of the
// two measures, the one that leaves less free counts.
int32_t WaylandTaskbarTop() {
    const int32_t height = WaylandSession.height;
    int32_t top = 0;
    for (const int32_t free : {WaylandSession.freeHeight.load(), WaylandSession.maximizedHeight.load()}) {
        if (free > 0 && free < height && (top == 0 || free < top)) top = free;
    }
    return top;
}

// A layer surface has no taskbar entry: nothing to take out.
void WaylandRemoveFromTaskbar(const char*) {}

}  // namespace

WaylandOutput::~WaylandOutput() {
    if (xdgOutput != nullptr) zxdg_output_v1_destroy(xdgOutput);
    ReleaseOrDestroy(output, WL_OUTPUT_RELEASE_SINCE_VERSION, wl_output_release,
                     wl_output_destroy);
}

namespace {
void Answered(void* done, wl_callback*, uint32_t) { *static_cast<bool*>(done) = true; }
const wl_callback_listener SyncListener = {Answered};
}  // namespace

Answer WaylandRoundTrip() {
    wl_display* d = WaylandSession.display;
    bool done = false;
    WlPtr<wl_callback, wl_callback_destroy> sync(wl_display_sync(d));
    wl_callback_add_listener(sync.get(), &SyncListener, &done);
    const int64_t giveUp = MonotonicNs() + AnswerLimitNs;
    for (;;) {
        if (wl_display_dispatch_pending(d) < 0) return Answer::Lost;
        if (done) return Answer::Given;
        if (wl_display_prepare_read(d) != 0) continue;  // more events to dispatch first
        short events = POLLIN;
        if (wl_display_flush(d) < 0) {
            if (errno != EAGAIN) {
                wl_display_cancel_read(d);
                return Answer::Lost;
            }
            events |= POLLOUT;  // the rest goes once the socket has room
        }
        pollfd p{wl_display_get_fd(d), events, 0};
        timespec t{};
        const int n = ppoll(&p, 1, TimeoutUntil(giveUp, t), nullptr);
        const int error = errno;
        if (n > 0 && (p.revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
            if (wl_display_read_events(d) < 0) return Answer::Lost;
            continue;
        }
        wl_display_cancel_read(d);
        if (n == 0) return Answer::Silent;
        if (n < 0 && error != EINTR) return Answer::Lost;
    }
}

void WaylandConnectionLost() {
    const int error = wl_display_get_error(WaylandSession.display);
    char line[200];
    if (error == EPROTO) {
        const wl_interface* interface = nullptr;
        uint32_t id = 0;
        const uint32_t code = wl_display_get_protocol_error(WaylandSession.display, &interface, &id);
        std::snprintf(line, sizeof line, "the Wayland compositor refused a request (%s error %u)",
                      interface != nullptr ? interface->name : "protocol", code);
    } else {
        std::snprintf(line, sizeof line, "lost the connection to the Wayland compositor (%s)",
                      std::strerror(error != 0 ? error : errno));
    }
    FatalError(line);
}

extern const PlatformBackend WaylandBackend = {
    "wayland",   WaylandStart,   WaylandDesktopSize, WaylandDesktopScale,      WaylandTaskbarTop,
    WaylandRemoveFromTaskbar,    MonotonicNs, MonotonicSeconds,  nullptr,
    nullptr,     &WindowThreadDriver,  &WaylandMechanism,
};
