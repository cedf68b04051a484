// Key codes from keyboard messages.
#include "win32_keys.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "core.h"

int32_t CharacterCode(uint32_t ansi, uint32_t fromCodePage) {
    if (ansi > 255) return static_cast<int32_t>(ansi);
    // Code page 437 keeps the ASCII control characters (Escape stays 27);
    // only the upper half differs from the ANSI code pages.
    const char in = static_cast<char>(static_cast<unsigned char>(ansi));
    wchar_t wide = 0;
    if (MultiByteToWideChar(fromCodePage == 0 ? CP_ACP : fromCodePage, 0, &in, 1, &wide, 1) != 1)
        return static_cast<int32_t>(ansi);
    char out = 0;
    if (WideCharToMultiByte(437, 0, &wide, 1, &out, 1, nullptr, nullptr) != 1)
        return static_cast<int32_t>(ansi);
    return static_cast<int32_t>(static_cast<unsigned char>(out));
}

int32_t ExtendedKeyCode(uint32_t virtualKey, bool altDown) {
    if (altDown && virtualKey == VK_F4) return CloseKey;
    switch (virtualKey) {
        case VK_UP: return KeyUp;
        case VK_DOWN: return KeyDown;
        case VK_LEFT: return KeyLeft;
        case VK_RIGHT: return KeyRight;
        case VK_INSERT: return KeyInsert;
        case VK_DELETE: return KeyDelete;
        case VK_HOME: return KeyHome;
        case VK_END: return KeyEnd;
        case VK_PRIOR: return KeyPageUp;
        case VK_NEXT: return KeyPageDown;
        case VK_F11: return KeyF11;
        case VK_F12: return KeyF12;
        default: break;
    }
    if (virtualKey >= VK_F1 && virtualKey <= VK_F10)
        return KeyF1 + static_cast<int32_t>(virtualKey - VK_F1);
    return 0;
}
