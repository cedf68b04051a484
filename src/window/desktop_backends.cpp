// The backends of the Linux pet, in the order to try: a Wayland compositor
// with a layer shell natively, and everything else (an X server, or the
// XWayland of a compositor without one) through X11.
#include "platform.h"

const PlatformBackend* const PlatformBackends[] = {&WaylandBackend, &X11Backend, nullptr};
