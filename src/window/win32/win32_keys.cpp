// Key codes from keyboard messages.
#include "win32_keys.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "window.h"

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
        case VK_UP: return 257;
        case VK_DOWN: return 258;
        case VK_LEFT: return 259;
        case VK_RIGHT: return 260;
        case VK_INSERT: return 261;
        case VK_DELETE: return 262;
        case VK_HOME: return 263;
        case VK_END: return 264;
        case VK_PRIOR: return 265;
        case VK_NEXT: return 266;
        case VK_F11: return 277;
        case VK_F12: return 278;
        default: break;
    }
    if (virtualKey >= VK_F1 && virtualKey <= VK_F10)
        return 267 + static_cast<int32_t>(virtualKey - VK_F1);
    return 0;
}
