// libwayland-client and libxkbcommon, loaded when the Wayland backend starts
// (WaylandLoadLibraries) instead of linked: a pet that runs on X11 never
// maps them. Every function of theirs that the backend and the protocols'
// generated glue call goes through a pointer of WaylandLibraries, and the
// macros below give those pointers the functions' own names. So this header
// comes before every other Wayland or xkbcommon header in the backend's
// files.
#pragma once

#include <wayland-client-core.h>
#include <xkbcommon/xkbcommon.h>

#include <string>

// The functions used, as X(library, name).
#define POMFY_WAYLAND_FUNCTIONS(X)                                                   \
    X(Client, wl_display_cancel_read) X(Client, wl_display_connect)                 \
    X(Client, wl_display_disconnect) X(Client, wl_display_dispatch_pending)         \
    X(Client, wl_display_flush) X(Client, wl_display_get_error)                     \
    X(Client, wl_display_get_fd) X(Client, wl_display_get_protocol_error)           \
    X(Client, wl_display_prepare_read) X(Client, wl_display_read_events)            \
    X(Client, wl_display_roundtrip) X(Client, wl_proxy_add_listener)                \
    X(Client, wl_proxy_destroy) X(Client, wl_proxy_get_user_data)                   \
    X(Client, wl_proxy_get_version) X(Client, wl_proxy_marshal_flags)               \
    X(Client, wl_proxy_set_user_data)                                               \
    X(Xkb, xkb_context_new) X(Xkb, xkb_context_unref) X(Xkb, xkb_keymap_new_from_buffer) \
    X(Xkb, xkb_keymap_unref) X(Xkb, xkb_state_key_get_one_sym)                      \
    X(Xkb, xkb_state_key_get_utf32) X(Xkb, xkb_state_new) X(Xkb, xkb_state_unref)   \
    X(Xkb, xkb_state_update_mask)

struct WaylandLibraryFunctions {
#define POMFY_WAYLAND_POINTER(library, name) decltype(&::name) name = nullptr;
    POMFY_WAYLAND_FUNCTIONS(POMFY_WAYLAND_POINTER)
#undef POMFY_WAYLAND_POINTER
};
extern WaylandLibraryFunctions WaylandLibraries;

// Loads both libraries and finds every function; false and why not ("there
// is no libxkbcommon.so.0"). Called by Start, once.
bool WaylandLoadLibraries(std::string& why);

#ifndef POMFY_WAYLAND_LOADER
#define wl_display_cancel_read WaylandLibraries.wl_display_cancel_read
#define wl_display_connect WaylandLibraries.wl_display_connect
#define wl_display_disconnect WaylandLibraries.wl_display_disconnect
#define wl_display_dispatch_pending WaylandLibraries.wl_display_dispatch_pending
#define wl_display_flush WaylandLibraries.wl_display_flush
#define wl_display_get_error WaylandLibraries.wl_display_get_error
#define wl_display_get_fd WaylandLibraries.wl_display_get_fd
#define wl_display_get_protocol_error WaylandLibraries.wl_display_get_protocol_error
#define wl_display_prepare_read WaylandLibraries.wl_display_prepare_read
#define wl_display_read_events WaylandLibraries.wl_display_read_events
#define wl_display_roundtrip WaylandLibraries.wl_display_roundtrip
#define wl_proxy_add_listener WaylandLibraries.wl_proxy_add_listener
#define wl_proxy_destroy WaylandLibraries.wl_proxy_destroy
#define wl_proxy_get_user_data WaylandLibraries.wl_proxy_get_user_data
#define wl_proxy_get_version WaylandLibraries.wl_proxy_get_version
#define wl_proxy_marshal_flags WaylandLibraries.wl_proxy_marshal_flags
#define wl_proxy_set_user_data WaylandLibraries.wl_proxy_set_user_data
#define xkb_context_new WaylandLibraries.xkb_context_new
#define xkb_context_unref WaylandLibraries.xkb_context_unref
#define xkb_keymap_new_from_buffer WaylandLibraries.xkb_keymap_new_from_buffer
#define xkb_keymap_unref WaylandLibraries.xkb_keymap_unref
#define xkb_state_key_get_one_sym WaylandLibraries.xkb_state_key_get_one_sym
#define xkb_state_key_get_utf32 WaylandLibraries.xkb_state_key_get_utf32
#define xkb_state_new WaylandLibraries.xkb_state_new
#define xkb_state_unref WaylandLibraries.xkb_state_unref
#define xkb_state_update_mask WaylandLibraries.xkb_state_update_mask
#endif
