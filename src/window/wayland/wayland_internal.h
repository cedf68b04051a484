// What the files of the Wayland backend share among themselves. Nothing
// outside src/window/wayland/ and its tests includes this.
#pragma once

#include "wayland_library.h"  // first: it names the libraries' functions

#include <wayland-client.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

struct zwlr_layer_shell_v1;
struct zwp_idle_inhibit_manager_v1;
struct wp_fractional_scale_manager_v1;
struct wp_viewporter;
struct zxdg_output_manager_v1;

// A Wayland object that destroys itself with its owner.
template <typename T, void (*Destroy)(T*)>
struct WlDestroy {
    void operator()(T* p) const { Destroy(p); }
};
template <typename T, void (*Destroy)(T*)>
using WlPtr = std::unique_ptr<T, WlDestroy<T, Destroy>>;

// --- wayland_desktop.cpp: the connection and the desktop's globals -----------

// Made by Start on the logic thread; from the window thread's start on,
// only the window thread uses the connection. The desktop's sizes are read
// by the logic thread as well, hence atomic.
struct WaylandDesktop {
    wl_display* display = nullptr;
    wl_compositor* compositor = nullptr;
    uint32_t compositorVersion = 0;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    wl_output* output = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    zwp_idle_inhibit_manager_v1* idleInhibit = nullptr;  // where offered
    wp_fractional_scale_manager_v1* fractionalScale = nullptr;  // where offered
    wp_viewporter* viewporter = nullptr;                        // where offered
    zxdg_output_manager_v1* xdgOutputs = nullptr;               // where offered
    // How the pet's picture is scaled, chosen once by Start: device pixels
    // per logical pixel, and whether a viewport shows the buffer at the
    // window's logical size (fractional scaling) rather than the integer
    // buffer scale.
    double scale = 1;
    bool viewport = false;
    // The output in surface coordinates, as its last done event left it.
    std::atomic<int32_t> width{0};
    std::atomic<int32_t> height{0};
    // Height of the area that the bars leave free, 0 until the compositor
    // has told it.
    std::atomic<int32_t> freeHeight{0};
};
extern WaylandDesktop Wl;

// Ends the program with one line on why the connection failed.
[[noreturn]] void WaylandConnectionLost();

// --- wayland_keyboard.cpp: the seat's keyboard -------------------------------

// Follows the seat's capabilities: a keyboard while it has one. Called by
// Start as soon as the seat is bound; false without an xkbcommon context.
bool WaylandWatchSeat(wl_seat* seat);
// Lets go of the keyboard (a start that failed).
void WaylandForgetSeat();
// Hands the key codes typed since the last call to PutKey; the caller
// holds the lock. Keys are gathered while events are dispatched, which
// also happens outside HandleEvents (round trips while the window opens).
void WaylandDeliverKeys();

// --- wayland_window.cpp ----------------------------------------------------------

// The window thread's mechanism.
extern const struct WindowMechanism WaylandMechanism;
