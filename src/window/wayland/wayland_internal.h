// What the files of the Wayland backend share among themselves. Nothing
// outside src/window/wayland/ and its tests includes this.
#pragma once

#include "wayland_library.h"  // first: it names the libraries' functions

#include <wayland-client.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct org_kde_plasma_shell;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;
struct zwp_idle_inhibit_manager_v1;
struct wp_fractional_scale_manager_v1;
struct wp_viewporter;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

// A Wayland object that destroys itself with its owner.
template <typename T, void (*Destroy)(T*)>
struct WlDestroy {
    void operator()(T* p) const { Destroy(p); }
};
template <typename T, void (*Destroy)(T*)>
using WlPtr = std::unique_ptr<T, WlDestroy<T, Destroy>>;

// An object the compositor can let go of itself since version since: told so
// then, else only forgotten.
template <typename T>
void ReleaseOrDestroy(T* p, uint32_t since, void (*release)(T*), void (*destroy)(T*)) {
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(p)) >= since) {
        release(p);
    } else {
        destroy(p);
    }
}

// --- wayland_desktop.cpp: the connection and the desktop's globals -----------

// One screen of the compositor. Its place and size are logical: in the
// compositor's space, in surface coordinates.
struct WaylandOutput {
    uint32_t name = 0;  // the registry's
    wl_output* output = nullptr;
    std::string connector;  // "DP-1"; where the compositor names it
    int32_t x = 0, y = 0, width = 0, height = 0;
    // What wl_output tells, from which the size is worked out at each done.
    int32_t modeWidth = 0, modeHeight = 0, scale = 1;
    int32_t transform = WL_OUTPUT_TRANSFORM_NORMAL;
    // Its size in the compositor's logical pixels, where xdg-output tells it
    // (0 until then): right at a fractional scale too.
    zxdg_output_v1* xdgOutput = nullptr;
    int32_t logicalWidth = 0, logicalHeight = 0;

    WaylandOutput() = default;
    WaylandOutput(const WaylandOutput&) = delete;
    WaylandOutput& operator=(const WaylandOutput&) = delete;
    ~WaylandOutput();
};

// Made by Start on the logic thread; from the window thread's start on,
// only the window thread uses the connection. The desktop's sizes are read
// by the logic thread as well, hence atomic.
struct WaylandDesktop {
    wl_display* display = nullptr;
    wl_compositor* compositor = nullptr;
    uint32_t compositorVersion = 0;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    // Every screen, in the order the compositor announced them; the pet
    // lives on the first, and on the first of the others when it goes.
    std::vector<std::unique_ptr<WaylandOutput>> outputs;
    wl_output* output = nullptr;  // the pet's
    zwlr_layer_shell_v1* layerShell = nullptr;
    zwp_idle_inhibit_manager_v1* idleInhibit = nullptr;  // where offered
    xdg_wm_base* wmBase = nullptr;                              // where offered
    org_kde_plasma_shell* plasmaShell = nullptr;                // KDE Plasma's
    wp_fractional_scale_manager_v1* fractionalScale = nullptr;  // where offered
    wp_viewporter* viewporter = nullptr;                        // where offered
    zxdg_output_manager_v1* xdgOutputs = nullptr;               // where offered
    // How the pet's picture is scaled, chosen once by Start: device pixels
    // per logical pixel, and whether a viewport shows the buffer at the
    // window's logical size (fractional scaling) rather than the integer
    // buffer scale.
    double scale = 1;
    bool viewport = false;
    // The pet's output in surface coordinates, as its last done event left
    // it.
    std::atomic<int32_t> width{0};
    std::atomic<int32_t> height{0};
    // Height of the area that the bars leave free, 0 until the compositor
    // has told it: as it tells layer surfaces (the bars that are layer
    // surfaces leave it), and as it tells a maximized window (KWin's own
    // panels, which are not, leave that one).
    std::atomic<int32_t> freeHeight{0};
    std::atomic<int32_t> maximizedHeight{0};
};
extern WaylandDesktop WaylandSession;

// Ends the program with one line on why the connection failed.
[[noreturn]] void WaylandConnectionLost();

// How a round trip ended: the compositor answered everything sent before
// it, gave no answer within the time limit, or the connection failed.
enum class Answer { Given, Silent, Lost };
// The longest a round trip waits: a compositor that has not answered by
// then is taken for one that never will.
constexpr int64_t AnswerLimitNs = 4'000'000'000;
// A round trip that dispatches what arrives meanwhile and gives up after
// AnswerLimitNs.
Answer WaylandRoundTrip();

// --- wayland_window.cpp, called by the other two files ----------------------

// During a dispatch on the window thread:
// The pet's output went away and WaylandSession.output is another: the window moves
// there.
void WaylandOutputGone();
// A click on this surface while the pet has no keyboard.
void WaylandClickedWithoutKeyboard(wl_surface* surface);
// The pet has the keyboard now.
void WaylandKeyboardCame();

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
