// Loading libwayland-client and libxkbcommon (wayland_library.h).
#define POMFY_WAYLAND_LOADER
#include "wayland_library.h"

#include <dlfcn.h>

WaylandLibraryFunctions WaylandLibraries;

bool WaylandLoadLibraries(std::string& why) {
    // Kept for the program's life once loaded.
    void* const Client = dlopen("libwayland-client.so.0", RTLD_NOW | RTLD_LOCAL);
    if (Client == nullptr) {
        why = "there is no libwayland-client.so.0";
        return false;
    }
    void* const Xkb = dlopen("libxkbcommon.so.0", RTLD_NOW | RTLD_LOCAL);
    if (Xkb == nullptr) {
        dlclose(Client);
        why = "there is no libxkbcommon.so.0";
        return false;
    }
    bool found = true;
#define POMFY_WAYLAND_FIND(library, name)                                                      \
    WaylandLibraries.name = reinterpret_cast<decltype(WaylandLibraries.name)>(dlsym(library, #name)); \
    if (WaylandLibraries.name == nullptr && found) {                                           \
        why = "the Wayland libraries have no " #name;                                          \
        found = false;                                                                         \
    }
    POMFY_WAYLAND_FUNCTIONS(POMFY_WAYLAND_FIND)
#undef POMFY_WAYLAND_FIND
    if (!found) {
        WaylandLibraries = WaylandLibraryFunctions();
        dlclose(Xkb);
        dlclose(Client);
    }
    return found;
}
