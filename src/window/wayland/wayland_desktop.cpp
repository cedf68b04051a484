// The Wayland backend: the connection to the compositor, the globals it
// offers and the desktop's queries.
//
// The pet runs natively on compositors that have wlroots' layer shell
// (sway, KDE Plasma, Hyprland ...): its window is a layer surface in the
// bottom layer, which the program places itself through its anchor and
// margins. Elsewhere (GNOME, which has no layer shell) Start says why not
// and the X11 backend runs it through XWayland.
#include "wayland_internal.h"  // first: see wayland_library.h

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
#include "platform.h"
#include "viewporter-client-protocol.h"
#include "wakeups.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

WaylandDesktop Wl;

namespace {

// Keyboard focus on demand came with version 4; before it (KDE Plasma 5.27
// offers 3) a surface could only ask for the keyboard, which a compositor
// gives to one in the bottom layer the usual way, on a click.
constexpr uint32_t LayerShellVersion = 4;

// What the registry and the output have told so far.
struct Globals {
    uint32_t outputName = 0;
    int32_t modeWidth = 0, modeHeight = 0, scale = 1;
    int32_t transform = WL_OUTPUT_TRANSFORM_NORMAL;
    // The output's size in the compositor's logical pixels, where
    // xdg-output tells it (0 until then), and the scale it prefers for a
    // surface on it in 120ths, where fractional-scale tells it (0: not told).
    zxdg_output_v1* xdgOutput = nullptr;
    int32_t logicalWidth = 0, logicalHeight = 0;
    uint32_t preferredScale = 0;
};
Globals G;

void OutputGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                    const char*, int32_t transform) {
    G.transform = transform;
}
void OutputMode(void*, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    if (flags & WL_OUTPUT_MODE_CURRENT) {
        G.modeWidth = width;
        G.modeHeight = height;
    }
}
// The output in surface coordinates: its logical size where xdg-output
// tells it; else its mode divided by its scale, turned with its transform,
// which is right at an integer scale only.
void OutputDone(void*, wl_output*) {
    if (G.logicalWidth > 0 && G.logicalHeight > 0) {
        Wl.width = G.logicalWidth;
        Wl.height = G.logicalHeight;
        return;
    }
    int32_t w = G.modeWidth / (G.scale > 0 ? G.scale : 1);
    int32_t h = G.modeHeight / (G.scale > 0 ? G.scale : 1);
    if (G.transform & WL_OUTPUT_TRANSFORM_90) std::swap(w, h);
    Wl.width = w;
    Wl.height = h;
}
void OutputScale(void*, wl_output*, int32_t factor) { G.scale = factor; }
void OutputName(void*, wl_output*, const char*) {}
void OutputDescription(void*, wl_output*, const char*) {}
const wl_output_listener OutputListener = {OutputGeometry, OutputMode,  OutputDone,
                                           OutputScale,    OutputName, OutputDescription};

void XdgOutputPosition(void*, zxdg_output_v1*, int32_t, int32_t) {}
void XdgOutputSize(void*, zxdg_output_v1*, int32_t width, int32_t height) {
    G.logicalWidth = width;
    G.logicalHeight = height;
}
// Version 3 ends a change with wl_output.done instead; both come to the same.
void XdgOutputDone(void*, zxdg_output_v1*) { OutputDone(nullptr, Wl.output); }
void XdgOutputName(void*, zxdg_output_v1*, const char*) {}
void XdgOutputDescription(void*, zxdg_output_v1*, const char*) {}
const zxdg_output_v1_listener XdgOutputListener = {XdgOutputPosition, XdgOutputSize, XdgOutputDone,
                                                   XdgOutputName, XdgOutputDescription};

void PreferredScale(void*, wp_fractional_scale_v1*, uint32_t scale) { G.preferredScale = scale; }
const wp_fractional_scale_v1_listener FractionalScaleListener = {PreferredScale};

void Global(void*, wl_registry* registry, uint32_t name, const char* interface,
            uint32_t version) {
    auto bind = [&](const wl_interface* which, uint32_t highest) {
        return wl_registry_bind(registry, name, which, version < highest ? version : highest);
    };
    if (std::strcmp(interface, wl_compositor_interface.name) == 0 && Wl.compositor == nullptr) {
        Wl.compositorVersion = version < 4 ? version : 4;
        Wl.compositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0 && Wl.shm == nullptr) {
        Wl.shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && Wl.seat == nullptr) {
        Wl.seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 5));
    } else if (std::strcmp(interface, wl_output_interface.name) == 0 && Wl.output == nullptr) {
        // The first output is the primary screen.
        Wl.output = static_cast<wl_output*>(bind(&wl_output_interface, 4));
        G.outputName = name;
        wl_output_add_listener(Wl.output, &OutputListener, nullptr);
    } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0 &&
               Wl.layerShell == nullptr) {
        Wl.layerShell = static_cast<zwlr_layer_shell_v1*>(
            bind(&zwlr_layer_shell_v1_interface, LayerShellVersion));
    } else if (std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) == 0 &&
               Wl.idleInhibit == nullptr) {
        Wl.idleInhibit = static_cast<zwp_idle_inhibit_manager_v1*>(
            bind(&zwp_idle_inhibit_manager_v1_interface, 1));
    } else if (std::strcmp(interface, wp_fractional_scale_manager_v1_interface.name) == 0 &&
               Wl.fractionalScale == nullptr) {
        Wl.fractionalScale = static_cast<wp_fractional_scale_manager_v1*>(
            bind(&wp_fractional_scale_manager_v1_interface, 1));
    } else if (std::strcmp(interface, wp_viewporter_interface.name) == 0 &&
               Wl.viewporter == nullptr) {
        Wl.viewporter = static_cast<wp_viewporter*>(bind(&wp_viewporter_interface, 1));
    } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0 &&
               Wl.xdgOutputs == nullptr) {
        Wl.xdgOutputs =
            static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 3));
    }
}
void GlobalRemove(void*, wl_registry*, uint32_t name) {
    if (name == G.outputName && Wl.output != nullptr) {
        FatalError("the Wayland compositor took the screen away");
    }
}
const wl_registry_listener RegistryListener = {Global, GlobalRemove};

// The registry stays for the program's life: it tells when the output goes
// away.
wl_registry* Registry = nullptr;

// Leaves nothing behind of a start that failed.
const char* Refuse(const char* reason) {
    WaylandForgetSeat();
    for (void* bound : {static_cast<void*>(Registry), static_cast<void*>(Wl.compositor),
                        static_cast<void*>(Wl.shm), static_cast<void*>(Wl.seat),
                        static_cast<void*>(Wl.output), static_cast<void*>(Wl.layerShell),
                        static_cast<void*>(Wl.idleInhibit), static_cast<void*>(Wl.fractionalScale),
                        static_cast<void*>(Wl.viewporter), static_cast<void*>(Wl.xdgOutputs),
                        static_cast<void*>(G.xdgOutput)}) {
        if (bound != nullptr) wl_proxy_destroy(static_cast<wl_proxy*>(bound));
    }
    Registry = nullptr;
    if (Wl.display != nullptr) wl_display_disconnect(Wl.display);
    CloseWakeups();
    Wl.display = nullptr;
    Wl.compositor = nullptr;
    Wl.shm = nullptr;
    Wl.seat = nullptr;
    Wl.output = nullptr;
    Wl.layerShell = nullptr;
    Wl.idleInhibit = nullptr;
    Wl.fractionalScale = nullptr;
    Wl.viewporter = nullptr;
    Wl.xdgOutputs = nullptr;
    Wl.scale = 1;
    Wl.viewport = false;
    G = Globals();
    return reason;
}

char Reason[160];

// The scale the compositor prefers for a surface on the output, in 120ths,
// or 0 where it does not say before the surface is shown: asked with a
// layer surface of its own on the output that never gets a picture.
uint32_t AskPreferredScale() {
    wl_surface* surface = wl_compositor_create_surface(Wl.compositor);
    wp_fractional_scale_v1* fractional =
        wp_fractional_scale_manager_v1_get_fractional_scale(Wl.fractionalScale, surface);
    wp_fractional_scale_v1_add_listener(fractional, &FractionalScaleListener, nullptr);
    zwlr_layer_surface_v1* layer = zwlr_layer_shell_v1_get_layer_surface(
        Wl.layerShell, surface, Wl.output, ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND, "pomfy-scale");
    static const zwlr_layer_surface_v1_listener Listener = {
        [](void*, zwlr_layer_surface_v1* l, uint32_t serial, uint32_t, uint32_t) {
            zwlr_layer_surface_v1_ack_configure(l, serial);
        },
        [](void*, zwlr_layer_surface_v1*) {}};
    zwlr_layer_surface_v1_add_listener(layer, &Listener, nullptr);
    zwlr_layer_surface_v1_set_size(layer, 1, 1);
    wl_surface_commit(surface);
    const bool answered = wl_display_roundtrip(Wl.display) >= 0;
    zwlr_layer_surface_v1_destroy(layer);
    wp_fractional_scale_v1_destroy(fractional);
    wl_surface_destroy(surface);
    return answered ? G.preferredScale : 0;
}

// The one scale of the run: the compositor's preferred fractional scale,
// shown through a viewport, where it offers both; else the output's integer
// scale as the buffer scale (which needs wl_surface version 3).
void ChooseScale() {
    if (Wl.fractionalScale != nullptr && Wl.viewporter != nullptr) {
        const uint32_t preferred = AskPreferredScale();
        if (preferred > 0) {
            Wl.scale = preferred / 120.0;
            Wl.viewport = true;
            return;
        }
    }
    if (G.scale > 1 && Wl.compositorVersion >= 3) Wl.scale = G.scale;
}

const char* Start() {
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
    Wl.display = wl_display_connect(name);
    if (Wl.display == nullptr) {
        std::snprintf(Reason, sizeof Reason, "cannot connect to the Wayland compositor \"%s\"",
                      name);
        return Refuse(Reason);
    }
    Registry = wl_display_get_registry(Wl.display);
    wl_registry_add_listener(Registry, &RegistryListener, nullptr);
    if (wl_display_roundtrip(Wl.display) < 0) {
        return Refuse("the Wayland compositor closed the connection");
    }
    if (Wl.layerShell == nullptr) return Refuse("the Wayland compositor has no layer shell");
    if (Wl.compositor == nullptr || Wl.shm == nullptr) {
        return Refuse("the Wayland compositor offers no shared-memory surfaces");
    }
    if (Wl.seat == nullptr) return Refuse("the Wayland compositor has no seat");
    if (Wl.output == nullptr) return Refuse("the Wayland compositor has no screen");
    if (!WaylandWatchSeat(Wl.seat)) return Refuse("cannot read keymaps (no xkbcommon context)");
    // The output's mode, its logical size and the seat's keyboard.
    if (Wl.xdgOutputs != nullptr) {
        G.xdgOutput = zxdg_output_manager_v1_get_xdg_output(Wl.xdgOutputs, Wl.output);
        zxdg_output_v1_add_listener(G.xdgOutput, &XdgOutputListener, nullptr);
    }
    if (wl_display_roundtrip(Wl.display) < 0) {
        return Refuse("the Wayland compositor closed the connection");
    }
    ChooseScale();
    if (Wl.width <= 0 || Wl.height <= 0) {
        return Refuse("the Wayland compositor's screen has no size");
    }
    if (!OpenWakeups(why)) return Refuse(why.c_str());
    return nullptr;
}

void DesktopSize(int32_t& width, int32_t& height) {
    width = Wl.width;
    height = Wl.height;
}

// Surfaces are placed in the compositor's logical pixels.
void DesktopScale(double& factor, bool& devicePositions) {
    factor = Wl.scale;
    devicePositions = false;
}

// The compositor tells how tall the area is that its bars leave free, not
// on which edge they lie: where less than the whole screen is free, the
// free area's bottom is taken for the top of a bar along the bottom.
int32_t TaskbarTop() {
    const int32_t free = Wl.freeHeight;
    return free > 0 && free < Wl.height ? free : 0;
}

// A layer surface has no taskbar entry: nothing to take out.
void RemoveFromTaskbar(const char*) {}

}  // namespace

void WaylandConnectionLost() {
    const int error = wl_display_get_error(Wl.display);
    char line[200];
    if (error == EPROTO) {
        const wl_interface* interface = nullptr;
        uint32_t id = 0;
        const uint32_t code = wl_display_get_protocol_error(Wl.display, &interface, &id);
        std::snprintf(line, sizeof line, "the Wayland compositor refused a request (%s error %u)",
                      interface != nullptr ? interface->name : "protocol", code);
    } else {
        std::snprintf(line, sizeof line, "lost the connection to the Wayland compositor (%s)",
                      std::strerror(error != 0 ? error : errno));
    }
    FatalError(line);
}

extern const PlatformBackend WaylandBackend = {
    "wayland",   Start,   DesktopSize, DesktopScale,      TaskbarTop,
    RemoveFromTaskbar,    MonotonicNs, MonotonicSeconds,  nullptr,
    nullptr,     &WindowThreadDriver,  &WaylandMechanism,
};
