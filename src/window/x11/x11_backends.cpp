// The backends of a program that runs on X11 alone.
#include "platform.h"


const PlatformBackend* const PlatformBackends[] = {&X11Backend, nullptr};
