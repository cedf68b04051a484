// The seat's keyboard: its keymap through xkbcommon, and key presses as the
// key buffer's codes, the same as on the other backends. The seat's pointer
// is watched for clicks on the pet only: where such a click does not bring
// the keyboard, the window asks for it another way.
#include "wayland_internal.h"  // first: see wayland_library.h

#include <sys/mman.h>
#include <unistd.h>

#include "neutral.h"
#include "platform.h"

namespace {

void UnrefContext(xkb_context* c) { xkb_context_unref(c); }
void UnrefKeymap(xkb_keymap* k) { xkb_keymap_unref(k); }
void UnrefState(xkb_state* s) { xkb_state_unref(s); }

struct Keyboard {
    WlPtr<xkb_context, UnrefContext> context;
    WlPtr<xkb_keymap, UnrefKeymap> keymap;
    WlPtr<xkb_state, UnrefState> state;
    wl_keyboard* keyboard = nullptr;
    wl_pointer* pointer = nullptr;
    wl_surface* pointerOn = nullptr;  // the surface under the pointer
    bool focused = false;             // the pet has the keyboard
    // Typed since the keys were last handed to the key buffer.
    std::vector<int32_t> typed;
};
Keyboard Seat;

void Keymap(void*, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            xkb_keymap* keymap = xkb_keymap_new_from_buffer(
                Seat.context.get(), static_cast<const char*>(text), size - 1,
                XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
            munmap(text, size);
            xkb_state* state = keymap != nullptr ? xkb_state_new(keymap) : nullptr;
            if (state != nullptr) {
                Seat.keymap.reset(keymap);
                Seat.state.reset(state);
            } else if (keymap != nullptr) {
                xkb_keymap_unref(keymap);
            }
        }
    }
    // A keymap that cannot be read leaves the last one in use.
    close(fd);
}

void Enter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {
    Seat.focused = true;
    WaylandKeyboardCame();
    FocusChanged();
}
void Leave(void*, wl_keyboard*, uint32_t, wl_surface*) {
    Seat.focused = false;
    FocusChanged();
}

void Key(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t pressed) {
    if (pressed != WL_KEYBOARD_KEY_STATE_PRESSED || !Seat.state) return;
    // xkbcommon numbers keys as X does, 8 above the evdev codes.
    const xkb_keycode_t code = key + 8;
    const uint32_t sym = xkb_state_key_get_one_sym(Seat.state.get(), code);
    // The character with Shift, Caps Lock and Control applied; like the X11
    // backend's, only Latin-1 ones count as characters.
    const uint32_t character = xkb_state_key_get_utf32(Seat.state.get(), code);
    const int32_t typed = KeyCodeOfKeysym(
        sym, character >= 1 && character <= 0xFF ? static_cast<int32_t>(character) : -1);
    if (typed >= 0) Seat.typed.push_back(typed);
}

void Modifiers(void*, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched,
               uint32_t locked, uint32_t group) {
    if (Seat.state) xkb_state_update_mask(Seat.state.get(), depressed, latched, locked, 0, 0, group);
}

// Repeated keys are not made: the pet reads one press at a time.
void RepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

const wl_keyboard_listener KeyboardListener = {Keymap, Enter, Leave, Key, Modifiers, RepeatInfo};

void PointerEnter(void*, wl_pointer*, uint32_t, wl_surface* surface, wl_fixed_t, wl_fixed_t) {
    Seat.pointerOn = surface;
}
void PointerLeave(void*, wl_pointer*, uint32_t, wl_surface*) { Seat.pointerOn = nullptr; }
void PointerMotion(void*, wl_pointer*, uint32_t, wl_fixed_t, wl_fixed_t) {}
// The pointer reaches the pet only over its opaque pixels (the input region).
void PointerButton(void*, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
    if (state == WL_POINTER_BUTTON_STATE_PRESSED && Seat.pointerOn != nullptr && !Seat.focused) {
        WaylandClickedWithoutKeyboard(Seat.pointerOn);
    }
}
// Every other event is of no interest. The seat is bound at version 5, so
// none newer than axis_discrete comes; the listener's later slots, which
// newer libwaylands add, stay empty.
void PointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
void PointerFrame(void*, wl_pointer*) {}
void PointerAxisSource(void*, wl_pointer*, uint32_t) {}
void PointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void PointerAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}
const wl_pointer_listener PointerListener = [] {
    wl_pointer_listener l{};
    l.enter = PointerEnter;
    l.leave = PointerLeave;
    l.motion = PointerMotion;
    l.button = PointerButton;
    l.axis = PointerAxis;
    l.frame = PointerFrame;
    l.axis_source = PointerAxisSource;
    l.axis_stop = PointerAxisStop;
    l.axis_discrete = PointerAxisDiscrete;
    return l;
}();

void Release(wl_keyboard* keyboard) {
    ReleaseOrDestroy(keyboard, WL_KEYBOARD_RELEASE_SINCE_VERSION, wl_keyboard_release,
                     wl_keyboard_destroy);
}
void Release(wl_pointer* pointer) {
    ReleaseOrDestroy(pointer, WL_POINTER_RELEASE_SINCE_VERSION, wl_pointer_release,
                     wl_pointer_destroy);
}

void Capabilities(void*, wl_seat* seat, uint32_t capabilities) {
    const bool has = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    if (has && Seat.keyboard == nullptr) {
        Seat.keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(Seat.keyboard, &KeyboardListener, nullptr);
    } else if (!has && Seat.keyboard != nullptr) {
        Release(Seat.keyboard);
        Seat.keyboard = nullptr;
        Seat.focused = false;
    }
    const bool pointing = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
    if (pointing && Seat.pointer == nullptr) {
        Seat.pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(Seat.pointer, &PointerListener, nullptr);
    } else if (!pointing && Seat.pointer != nullptr) {
        Release(Seat.pointer);
        Seat.pointer = nullptr;
        Seat.pointerOn = nullptr;
    }
}
void SeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener SeatListener = {Capabilities, SeatName};

}  // namespace

bool WaylandWatchSeat(wl_seat* seat) {
    Seat.context.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!Seat.context) return false;
    wl_seat_add_listener(seat, &SeatListener, nullptr);
    return true;
}

void WaylandForgetSeat() {
    if (Seat.keyboard != nullptr) Release(Seat.keyboard);
    if (Seat.pointer != nullptr) Release(Seat.pointer);
    Seat = Keyboard();
}

void WaylandDeliverKeys() {
    for (const int32_t code : Seat.typed) PutKey(code);
    Seat.typed.clear();
}
