// Pure helpers of the X11 backend: the window's shape from its pixels, the
// key codes of key presses and the caption's encoding.
#include <X11/keysym.h>

#include "core.h"
#include "x11_internal.h"

void OpaqueRuns(const uint32_t* pixels, int32_t width, int32_t height,
                std::vector<XRectangle>& runs) {
    runs.clear();
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* row = pixels + static_cast<intptr_t>(y) * width;
        int32_t x = 0;
        while (x < width) {
            while (x < width && (row[x] & 0x00FFFFFFu) == 0x00FF00FFu) ++x;
            const int32_t start = x;
            while (x < width && (row[x] & 0x00FFFFFFu) != 0x00FF00FFu) ++x;
            if (x > start) {
                runs.push_back(XRectangle{static_cast<short>(start), static_cast<short>(y),
                                          static_cast<unsigned short>(x - start), 1});
            }
        }
    }
}

int32_t KeyCodeOf(KeySym keysym, const char* text, int length) {
    // Keys that stand for movement and editing keep one code whether they
    // come from the main block or from the keypad with Num Lock off, and
    // Delete is a key here, not the character 127 that XLookupString makes.
    switch (keysym) {
        case XK_Up: case XK_KP_Up: return KeyUp;
        case XK_Down: case XK_KP_Down: return KeyDown;
        case XK_Left: case XK_KP_Left: return KeyLeft;
        case XK_Right: case XK_KP_Right: return KeyRight;
        case XK_Insert: case XK_KP_Insert: return KeyInsert;
        case XK_Delete: case XK_KP_Delete: return KeyDelete;
        case XK_Home: case XK_KP_Home: return KeyHome;
        case XK_End: case XK_KP_End: return KeyEnd;
        case XK_Prior: case XK_KP_Prior: return KeyPageUp;
        case XK_Next: case XK_KP_Next: return KeyPageDown;
        case XK_F11: return KeyF11;
        case XK_F12: return KeyF12;
        default: break;
    }
    if (keysym >= XK_F1 && keysym <= XK_F10) return KeyF1 + static_cast<int32_t>(keysym - XK_F1);
    if (IsModifierKey(keysym)) return -1;  // Shift, Control, Caps Lock, Num Lock ...
    if (length >= 1) return static_cast<unsigned char>(text[0]);
    return keysym == NoSymbol ? -1 : KeyOther;
}

std::string Latin1ToUtf8(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
