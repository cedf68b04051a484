// How the Win32 backend turns keyboard messages into key codes for the key
// buffer. Pure functions, so that they can be tested without a window.
#pragma once

#include <cstdint>

// The character code of an ANSI character (0 to 255) of the given code page
// (0: the system's ANSI code page) in code page 437. A character that has no
// conversion comes back unchanged.
int32_t CharacterCode(uint32_t ansi, uint32_t fromCodePage = 0);

// The extended code (256 and more) of a key without a character, CloseKey for
// Alt+F4, 0 for every other key (its character message delivers it, or it
// has no code at all).
//   KeyUp ... KeyF12 of core.h.
int32_t ExtendedKeyCode(uint32_t virtualKey, bool altDown);
