// The backends pomfy.exe carries: Win32 alone.
#include "win32_window.h"

const PlatformBackend* const PlatformBackends[] = {&Win32Backend, nullptr};
